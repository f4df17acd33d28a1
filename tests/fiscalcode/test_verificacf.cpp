// Verification and decoding of fiscal codes, over the cadastral table that ships with the program.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

#include "calcolo.h"
#include "supporto.h"
#include "verificacf.h"

namespace {

// A fixed today, so that the century rule gives the same answers on every day the tests run.
const QDate kOggi(2026, 6, 15);

const Fiscale::TabellaCodici &tabella()
{
    static const Fiscale::TabellaCodici t = [] {
        Fiscale::TabellaCodici caricata;
        caricata.carica(QStringLiteral(SPORTELLO_SOURCE_DIR "/data/codes.cf"));
        return caricata;
    }();
    return t;
}

const Fiscale::IndiceCatastale &indice()
{
    static const Fiscale::IndiceCatastale i(tabella());
    return i;
}

// The verification of a text; the same text as a table's bytes, when it is Latin-1, is verified alike.
Fiscale::Verifica verifica(const QString &codice)
{
    const Fiscale::Verifica v = Fiscale::verifica(codice, &indice(), kOggi);
    const bool latino = std::all_of(codice.begin(), codice.end(), [](QChar c) { return c.unicode() < 256; });
    if (latino) {
        const QByteArray byte = codice.toLatin1();
        const Fiscale::Verifica b = Fiscale::verifica(QLatin1StringView(byte), &indice(), kOggi);
        EXPECT_EQ(Fiscale::esito(b), Fiscale::esito(v)) << codice.toStdString();
        EXPECT_EQ(b.base, v.base);
        EXPECT_EQ(b.voce, v.voce);
        EXPECT_EQ(b.anno, v.anno);
    }
    return v;
}

} // namespace

TEST(VerificaCF, EsitoEDatiDecodificati)
{
    const struct {
        const char *codice;
        const char *esito;
        const char *sesso = nullptr, *data = nullptr, *luogo = nullptr;
        const char *avviso = nullptr; // on a place that did not exist on the day of birth
    } casi[] = {
        {"RSSMRA80A01H501U", "Codice valido", "M", "01/01/1980", "ROMA (RM)"},
        {"BNCLRA92E52F205Y", "Codice valido", "F", "12/05/1992", "MILANO (MI)"},
        {"rss mra 80a01 h501u", "Codice valido", "M", "01/01/1980", "ROMA (RM)"},
        {"\tRSSMRA80A01H501U\u00A0\r\n", "Codice valido", "M", "01/01/1980", "ROMA (RM)"},
        {"\uFEFFRSSMRA80A01\u200BH501U\u2060", "Codice valido", "M", "01/01/1980", "ROMA (RM)"},
        {"DPNJHN70C15Z110O", "Codice valido", "M", "15/03/1970", "FRANCIA (Stato estero)"},
        {"RSSMRA80A01A074R", "Codice valido", "M", "01/01/1980", "AGLIÈ (TO)"},
        {"RSSMRA80A01X999W", "Codice valido", "M", "01/01/1980", "codice catastale X999 non presente nell'archivio"},
        {"RSSMRA50A01A744Y", "Codice valido", "M", "01/01/1950", "BELLAGIO (CO) (soppresso il 03/02/2014)"},
        {"RSSMRA80A01A638L", "Codice valido", "M", "01/01/1980", "BARCELLONA POZZO DI GOTTO (ME)"},
        {"RSSMRA80A01Z404R", "Codice valido", "M", "01/01/1980", "STATI UNITI D'AMERICA (Stato estero)"},
        // A place that did not exist on the day of birth: ceased, made later, or in a time merged into another.
        {"RSSMRA80A01D620V", "Codice valido", "M", "01/01/1980", "FIUME (FU) (soppresso il 15/09/1947)",
         "Comune non più esistente alla data di nascita (soppresso il 15/09/1947)"},
        {"RSSMRA14A10A744R", "Codice valido", "M", "10/01/2014", "BELLAGIO (CO) (soppresso il 03/02/2014)"},
        {"RSSMRA14B10A744Q", "Codice valido", "M", "10/02/2014", "BELLAGIO (CO) (soppresso il 03/02/2014)",
         "Comune non più esistente alla data di nascita (soppresso il 03/02/2014)"},
        {"RSSMRA50A01M335D", "Codice valido", "M", "01/01/1950", "BELLAGIO (CO)",
         "Comune non ancora esistente alla data di nascita (istituito il 04/02/2014)"},
        {"RSSMRA16L15A012L", "Codice valido", "M", "15/07/2016", "ABETONE (PT) (soppresso il 31/12/2016)"},
        {"RSSMRA17H15A012Z", "Codice valido", "M", "15/06/2017", "ABETONE (PT) (soppresso il 31/12/2016)",
         "Comune non più esistente alla data di nascita (soppresso il 31/12/2016)"},
        {"RSSMRA35A01E525Z", "Codice valido", "M", "01/01/1935", "LENNO (CO) (soppresso il 03/02/2014)",
         "Comune non esistente alla data di nascita (soppresso il 07/02/1929, ricostituito il 03/10/1947)"},
        {"RSSMRA95A01Z111H", "Codice valido", "M", "01/01/1995",
         "REPUBBLICA DEMOCRATICA TEDESCA (Stato estero) (cessato nel 1990)",
         "Stato non più esistente alla data di nascita (cessato nel 1990)"},
        {"RSSMRA70A01Z350K", "Codice valido", "M", "01/01/1970", "TANGANICA (Stato estero) (cessato il 25/04/1964)",
         "Stato non più esistente alla data di nascita (cessato il 25/04/1964)"},
        // Valid until 31 December 2015.
        {"RSSMRA17A01B508V", "Codice valido", "M", "01/01/2017", "CAMPIGLIA CERVO (BI) (soppresso il 31/12/2015)",
         "Comune non più esistente alla data di nascita (soppresso il 31/12/2015)"},
        // Names that are one text once cut, and an old and a new code of one name, told apart.
        {"RSSMRA80A01Z801S", "Codice valido", "M", "01/01/1980", "DIPENDENZE NORVEGESI ARTICHE (Stato estero)"},
        {"RSSMRA80A01Z904D", "Codice valido", "M", "01/01/1980", "DIPENDENZE NORVEGESI ANTARTICHE (Stato estero)"},
        {"RSSMRA80A01Z137T", "Codice valido", "M", "01/01/1980", "ARMENIA (Stato estero) (cessato)"},
        {"RSSMRA80A01Z252O", "Codice valido", "M", "01/01/1980", "ARMENIA (Stato estero)"},
        // Omocodia: 1, 2 and all 7 positions, and one out of the agency's order.
        {"RSSMRA80A01H50MM", "Codice valido (omocodico, 1 carattere sostituito; codice di base: RSSMRA80A01H501U)", "M",
         "01/01/1980", "ROMA (RM)"},
        {"RSSMRA80A01H5LMX", "Codice valido (omocodico, 2 caratteri sostituiti; codice di base: RSSMRA80A01H501U)", "M",
         "01/01/1980", "ROMA (RM)"},
        {"RSSMRAULALMHRLMD", "Codice valido (omocodico, 7 caratteri sostituiti; codice di base: RSSMRA80A01H501U)", "M",
         "01/01/1980", "ROMA (RM)"},
        {"RSSMRAU0A01H501R", "Codice valido (omocodico, 1 carattere sostituito; codice di base: RSSMRA80A01H501U)", "M",
         "01/01/1980", "ROMA (RM)"},
        // 29 February, the century of 00 and of this year's and next year's two digits.
        {"VRDGPP00B29H501Y", "Codice valido", "M", "29/02/2000", "ROMA (RM)"},
        {"VRDGPP96B29H501Y", "Codice valido", "M", "29/02/1996", "ROMA (RM)"},
        {"RSSMRA26A01H501M", "Codice valido", "M", "01/01/2026", "ROMA (RM)"},
        {"RSSMRA26T31H501C", "Codice valido", "M", "31/12/1926", "ROMA (RM)"}, // later this year: not born yet
        {"RSSMRA27A01H501N", "Codice valido", "M", "01/01/1927", "ROMA (RM)"},
        // Faults, the first one found.
        {"", "Codice fiscale non specificato"},
        {"   ", "Codice fiscale non specificato"},
        {"R", "Lunghezza errata: 1 carattere invece di 16"},
        {"RSSMRA80A01H501", "Lunghezza errata: 15 caratteri invece di 16"},
        {"RSSMRA80A01H501UX", "Lunghezza errata: 17 caratteri invece di 16"},
        {"R1SMRA80A01H501U", "Carattere non valido in posizione 2: '1' non è una lettera"},
        {"RSSMRé80A01H501U", "Carattere non valido in posizione 6: 'É' non è una lettera"},
        // Look-alikes whose capitals are ASCII letters: a code is ASCII only.
        {"YXXRCE08B60ı825A", "Carattere non valido in posizione 12: 'ı' non è una lettera"},
        {"ſSSMRA80A01H501U", "Carattere non valido in posizione 1: 'ſ' non è una lettera"},
        {"RS😀MRA80A01H501U", "Carattere non valido in posizione 3: '😀' non è una lettera"},
        {"RSSMR\x01"
         "80A01H501U",
         "Carattere non valido in posizione 6: U+0001 non è una lettera"},
        {"RSSMRA8*A01H501U", "Carattere non valido in posizione 8: '*' non è una cifra né una lettera di omocodia"},
        {"RSSMRA80A01H50OU", "Carattere non valido in posizione 15: 'O' non è una cifra né una lettera di omocodia"},
        {"RSSMRA80Z01H501U", "Carattere non valido in posizione 9: 'Z' non indica un mese"},
        {"RSSMRA80101H501U", "Carattere non valido in posizione 9: '1' non indica un mese"},
        {"RSSMRA80A35H501U", "Giorno di nascita non valido: 35"},
        {"RSSMRA80A00H501U", "Giorno di nascita non valido: 00"},
        {"RSSMRA80A72H501U", "Giorno di nascita non valido: 72"},
        {"RSSMRA80D31H501U", "Data di nascita inesistente: 31/04"},
        {"VRDGPP01B29H501Z", "Data di nascita inesistente: 29/02 in un anno non bisestile (01)"},
        {"RSSMRA80A01150IU", "Carattere non valido in posizione 12: '1' non è una lettera"},
        {"RSSMRA80A01H5015", "Carattere non valido in posizione 16: '5' non è una lettera"},
        {"RSSMRA80A01H501X", "Carattere di controllo errato: doveva essere U"},
        {"RSSMRA80A01H50MU", "Carattere di controllo errato: doveva essere M"},
        {"RSSMRA80A35H50OU", "Giorno di nascita non valido: 35"}, // positions are read in order
    };
    for (const auto &c : casi) {
        const Fiscale::Verifica v = verifica(QString::fromUtf8(c.codice));
        EXPECT_EQ(Fiscale::esito(v), QString::fromUtf8(c.esito)) << c.codice;
        EXPECT_EQ(Fiscale::testoSesso(v), QString::fromUtf8(c.sesso ? c.sesso : "")) << c.codice;
        EXPECT_EQ(Fiscale::testoData(v), QString::fromUtf8(c.data ? c.data : "")) << c.codice;
        EXPECT_EQ(Fiscale::testoLuogo(v, tabella()), QString::fromUtf8(c.luogo ? c.luogo : "")) << c.codice;
        EXPECT_EQ(Fiscale::avvisoLuogo(v, tabella()), QString::fromUtf8(c.avviso ? c.avviso : "")) << c.codice;
        EXPECT_EQ(v.valido(), c.sesso != nullptr) << c.codice;
    }
}

TEST(VerificaCF, CodiceNormalizzato)
{
    EXPECT_EQ(Fiscale::testoNormalizzato(u" rss mra 80a01\th501u\n"), QStringLiteral("RSSMRA80A01H501U"));
    EXPECT_EQ(Fiscale::normalizza(u" rss mra 80a01\th501u\n").testo(), QStringLiteral("RSSMRA80A01H501U"));
    EXPECT_EQ(Fiscale::normalizza(u"rssmra80a01h501uxyz").testo(), QStringLiteral("RSSMRA80A01H501U"));
    EXPECT_EQ(Fiscale::normalizza(u"rssmra80a01h501uxyz").lunghezza, 19);
    EXPECT_EQ(Fiscale::testoNormalizzato(u"\uFEFFa\U0001F600b"), QString::fromUtf8("A😀B"));
}

TEST(VerificaCF, UnCodicePerPiuVociMostraLUltimaDelFile)
{
    // Spellings and earlier names share the code of the municipality, and the file gives today's name last
    // (AGLIE' before AGLIÈ, in the table above): over the whole file, each code answers its last entry.
    ASSERT_GT(tabella().numeroVoci(), 0);
    QHash<QString, int> ultima;
    for (int i = 0; i < tabella().numeroVoci(); ++i)
        ultima.insert(tabella().voce(i).codice, i);
    for (auto it = ultima.cbegin(); it != ultima.cend(); ++it)
        EXPECT_EQ(indice().cerca(it.key()), it.value()) << qPrintable(it.key());
    for (const char16_t *assente : {u"X999", u"H50", u"h501"})
        EXPECT_EQ(indice().cerca(assente), -1);
}

TEST(VerificaCF, VariantiOmocodiche)
{
    const QStringList varianti = Fiscale::variantiOmocodiche(verifica(QStringLiteral("RSSMRA80A01H5LMX")));
    ASSERT_EQ(varianti.size(), 127);
    const QStringList agenzia{"RSSMRA80A01H50MM", "RSSMRA80A01H5LMX", "RSSMRA80A01HRLMS", "RSSMRA80A0MHRLMK",
                              "RSSMRA80ALMHRLMV", "RSSMRA8LALMHRLMG", "RSSMRAULALMHRLMD"};
    EXPECT_EQ(varianti.mid(0, 7), agenzia);
    EXPECT_EQ(std::set<QString>(varianti.begin(), varianti.end()).size(), 127U);
    EXPECT_FALSE(varianti.contains(QStringLiteral("RSSMRA80A01H501U")));
    for (const QString &variante : varianti) {
        const Fiscale::Verifica v = verifica(variante);
        EXPECT_TRUE(v.omocodico()) << qPrintable(variante);
        EXPECT_EQ(v.codiceBase(), QStringLiteral("RSSMRA80A01H501U")) << qPrintable(variante);
    }
    EXPECT_TRUE(Fiscale::variantiOmocodiche(verifica(QStringLiteral("RSSMRA80A01H501X"))).isEmpty());
}

TEST(VerificaCF, ConfrontoConCognomeENome)
{
    const struct {
        const char *cognome, *nome, *atteso;
    } casi[] = {
        {"Rossi", "Mario", "Cognome (RSS): corrisponde; nome (MRA): corrisponde"},
        {"rossi", "", "Cognome (RSS): corrisponde"},
        {" ", "Marco", "Nome (MRC): diverso, nel codice MRA"},
        {"Verdi", "Mario", "Cognome (VRD): diverso, nel codice RSS; nome (MRA): corrisponde"},
        {"De Rossi", "Mària", "Cognome (DRS): diverso, nel codice RSS; nome (MRA): corrisponde"},
        {"", "", ""},
    };
    const Fiscale::Verifica v = verifica(QStringLiteral("RSSMRA80A01H501U"));
    for (const auto &c : casi)
        EXPECT_EQ(
            Fiscale::testoConfronto(Fiscale::confronta(v, QString::fromUtf8(c.cognome), QString::fromUtf8(c.nome))),
            QString::fromUtf8(c.atteso))
            << c.cognome << " " << c.nome;
    // A code that is not valid is not compared.
    EXPECT_EQ(Fiscale::testoConfronto(Fiscale::confronta(verifica(QStringLiteral("RSS")), QStringLiteral("Rossi"), {})),
              QString());
}

TEST(VerificaCF, PersoneCasualiSiRileggono)
{
    // Each code decodes back to the person's sex, day, month, year modulo 100 and municipality, and so does
    // every one of its omocodic forms.
    ASSERT_GT(tabella().numeroVoci(), 0);
    std::mt19937 caso(11);
    const QString lettere = QStringLiteral("ABCDEFGHILMNOPRSTUVZ");
    auto parola = [&](int lunghezza) {
        QString s;
        for (int i = 0; i < lunghezza; ++i)
            s += lettere[int(caso() % lettere.size())];
        return s;
    };
    QHash<QString, int> voci;
    for (int i = 0; i < tabella().numeroVoci(); ++i)
        voci[tabella().voce(i).codice] += 1;
    int calcolati = 0;
    for (int n = 0; n < 3000; ++n) {
        const int indice = int(caso() % unsigned(tabella().numeroVoci()));
        const Fiscale::TabellaCodici::Voce voce = tabella().voce(indice);
        const QDate nascita = QDate(1900, 1, 1).addDays(qint64(caso() % 46000));
        const bool maschio = caso() % 2;
        const Fiscale::Esito e = Fiscale::CodiceFiscale(parola(2 + int(caso() % 8)), parola(2 + int(caso() % 8)),
                                                        maschio ? QStringLiteral("M") : QStringLiteral("F"), nascita,
                                                        voce.nomeIntero, voce.provincia, tabella());
        if (e.errore != 0) {
            // The place of that entry did not exist on that day, and says so.
            ASSERT_FALSE(tabella().esisteIl(indice, Fiscale::giornoDi(nascita))) << qPrintable(e.messaggio);
            ASSERT_TRUE(e.messaggio.contains(QStringLiteral(" esistente alla data di nascita"))) << qPrintable(e.messaggio);
            continue;
        }
        ++calcolati;
        ASSERT_EQ(e.codice.size(), 16) << qPrintable(voce.nome);
        const QString catastale = e.codice.mid(11, 4);

        const Fiscale::Verifica v = verifica(e.codice);
        ASSERT_TRUE(v.valido()) << qPrintable(e.codice) << " " << qPrintable(Fiscale::esito(v));
        EXPECT_TRUE(v.sesso == (maschio ? 'M' : 'F') && v.giorno == nascita.day() && v.mese == nascita.month() &&
                    v.anno % 100 == nascita.year() % 100 && !v.omocodico() && v.codiceBase() == e.codice)
            << qPrintable(e.codice);
        ASSERT_GE(v.voce, 0);
        EXPECT_EQ(tabella().voce(v.voce).codice, catastale);
        if (voci.value(catastale) == 1 && catastale == voce.codice) {
            EXPECT_EQ(v.voce, indice);
        }

        if (n % 10 == 0) {
            for (const QString &variante : Fiscale::variantiOmocodiche(v)) {
                const Fiscale::Verifica o = verifica(variante);
                ASSERT_TRUE(o.valido()) << qPrintable(variante);
                EXPECT_EQ(o.codiceBase(), e.codice);
                EXPECT_TRUE(o.sesso == v.sesso && o.data() == v.data() && o.voce == v.voce) << qPrintable(variante);
            }
        }
    }
    EXPECT_GT(calcolati, 1500);
}
