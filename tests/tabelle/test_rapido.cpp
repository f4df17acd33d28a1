// The byte paths of calcola, verifica and partita-iva against the general ones: the same bytes out for every row they
// take.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QFile>

#include "calcolo.h"
#include "comandi.h"
#include "generapersone.h"
#include "supporto.h"
#include "tabellacsv.h"
#include "verificacf.h"

namespace {

const Fiscale::TabellaCodici &tabella()
{
    static Fiscale::TabellaCodici t;
    if (t.numeroVoci() == 0)
        t.carica(QStringLiteral(SPORTELLO_SOURCE_DIR "/data/codes.cf"));
    return t;
}

class Confronto
{
public:
    explicit Confronto(const Tabelle::Comando &comando)
        : m_comando(comando)
    {}

    // Compares the two paths on one row; true when the byte path took it.
    bool confronta(const std::vector<QByteArrayView> &valori, Csv::Codifica codifica)
    {
        std::vector<QByteArrayView> tagliati;
        tagliati.reserve(valori.size());
        for (QByteArrayView v : valori)
            tagliati.push_back(Tabelle::taglia(v));
        tagliati.resize(m_comando.ingresso().size());
        QStringList testi;
        for (QByteArrayView v : tagliati)
            testi.append(Csv::decodifica(v, codifica));
        const QStringList generale = m_comando.elabora(testi);
        QByteArray atteso;
        for (const QString &t : generale)
            atteso += ';' + Csv::codifica(t, codifica);

        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        Tabelle::Rapido r;
        {
            Csv::Scrittore scrittore(buffer, ';', "");
            r = m_comando.elaboraByte(tagliati, codifica, scrittore);
        }
        if (r == Tabelle::Rapido::NonGestito) {
            EXPECT_TRUE(buffer.data().isEmpty());
            return false;
        }
        EXPECT_EQ(buffer.data(), atteso) << testi.join(u'|').toStdString();
        EXPECT_EQ(r == Tabelle::Rapido::ConEsito, !generale[m_comando.colonnaEsito()].isEmpty());
        return true;
    }

private:
    const Tabelle::Comando &m_comando;
};

const QDate kOggi(2024, 5, 17);

} // namespace

// The sanitizer build runs the comparison on fewer rows: the same checks, within the test's time limit.
#ifdef SPORTELLO_SANITIZZATO
constexpr int kRigheConfronto = 2000;
#else
constexpr int kRigheConfronto = 20000;
#endif

TEST(PercorsoRapido, UgualeAlGenerale_SullaTabellaGenerata)
{
    const Tabelle::Calcola calcola(tabella(), kOggi);
    const Tabelle::VerificaCmd verifica(tabella(), kOggi);
    Confronto confronto(calcola), confrontoVerifica(verifica);
    for (Csv::Codifica codifica : {Csv::Codifica::Utf8, Csv::Codifica::Windows1252}) {
        Generatore::Opzioni opzioni;
        opzioni.righe = kRigheConfronto;
        opzioni.codifica = codifica;
        QByteArray dati;
        ASSERT_TRUE(Generatore::persone(QStringLiteral(SPORTELLO_SOURCE_DIR "/data/codes.dat"), opzioni,
                                        [&](const QByteArray &b) { dati += b; }));
        QBuffer buffer(&dati);
        buffer.open(QIODevice::ReadOnly);
        Csv::Lettore lettore(buffer, 0, codifica);
        Csv::Riga riga;
        ASSERT_TRUE(lettore.leggi(riga));
        int presi = 0, righe = 0, verificati = 0, omocodici = 0, conNomi = 0;
        while (lettore.leggi(riga)) {
            ++righe;
            presi += confronto.confronta(riga.campi, codifica);
            // The code computed, and its variants, through verifica.
            QStringList testi;
            for (QByteArrayView v : riga.campi)
                testi.append(Csv::decodifica(Tabelle::taglia(v), codifica));
            const QByteArray codice = calcola.elabora(testi)[0].toLatin1();
            verificati += confrontoVerifica.confronta({codice}, codifica);
            QByteArray sbagliato = codice;
            if (!codice.isEmpty())
                sbagliato[15] = codice[15] == 'A' ? 'B' : 'A';
            const QByteArray omocodico = codice.isEmpty() ? codice : codice.left(14) + 'V' + codice.right(1);
            for (const QByteArray &altro : {codice.toLower(), sbagliato, omocodico, codice.left(15)})
                confrontoVerifica.confronta({altro}, codifica);
            // Omocodic forms, and the surname and name of the row beside the code, also swapped.
            const Fiscale::Verifica v = Fiscale::verifica(QString::fromLatin1(codice), nullptr, kOggi);
            const QStringList varianti = Fiscale::variantiOmocodiche(v);
            if (!varianti.isEmpty()) {
                omocodici += confrontoVerifica.confronta({varianti[righe % 127].toLatin1()}, codifica);
                confrontoVerifica.confronta({varianti[0].toLatin1(), riga.campi[0], riga.campi[1]}, codifica);
            }
            conNomi += confrontoVerifica.confronta({codice, riga.campi[0], riga.campi[1]}, codifica);
            confrontoVerifica.confronta({codice, riga.campi[1], riga.campi[0]}, codifica);
        }
        EXPECT_EQ(righe, kRigheConfronto);
        EXPECT_GT(presi, righe * 95 / 100); // the common case does go the byte way
        EXPECT_GT(verificati, righe * 95 / 100);
        EXPECT_GT(omocodici, righe * 95 / 100);
        EXPECT_GT(conNomi, righe * 95 / 100);
    }
}

TEST(PercorsoRapido, VerificaUgualeAlGenerale_SuOgniLuogo)
{
    // A code for every cadastral code of the table: suppressed municipalities, foreign states, names to quote.
    const Tabelle::VerificaCmd verifica(tabella(), kOggi);
    Confronto confronto(verifica);
    int presi = 0;
    for (int i = 0; i < tabella().numeroVoci(); ++i) {
        QByteArray codice = "RSSMRA50A01" + tabella().codice(i).toByteArray() + 'X';
        if (codice.size() != 16)
            continue;
        codice[15] = Fiscale::carattereControllo(QString::fromLatin1(codice)).toLatin1();
        for (Csv::Codifica codifica : {Csv::Codifica::Utf8, Csv::Codifica::Windows1252})
            presi += confronto.confronta({codice}, codifica);
    }
    EXPECT_GT(presi, tabella().numeroVoci());
}

TEST(PercorsoRapido, UgualeAlGenerale_SuiValoriScritti)
{
    // Codes with look-alike letters and names of white space; numbers as sheets keep them.
    const Tabelle::VerificaCmd verifica(tabella(), kOggi);
    Confronto confrontoVerifica(verifica);
    const std::vector<QByteArray> codici[] = {
        {"YXXRCE08B60\xC4\xB1"
         "825A"},
        {"\xC5\xBFSSMRA80A01H501U"},
        {"RSSMRA80A01H501U", "\xC2\xA0", ""},
        {"RSSMRA80A01H501U", "\r", "Mario"},
        {"RSSMRA80A01H501U", "Rossi", "M\xC3\xA0rio"},
        {"RSSMRA80A01H501U", "R\xC3\xB2ssi", "\xC5\x81ucja"},
        {"MNZNGI70C02D704Q", "Mu\xC3\xB1oz", "I\xC3\xB1igo"},
        {"MSSJRG70C02D704X", "M\xC3\xBC\xC3\x9Fig", "J\xC3\xB6rg"},
        {"MSSJRG70C02D704X", "M\xFC\xDFig", "J\xF6rg"},
        {"RSSMRA80A01H501U", "Rossi;", "\"Mario\""},
        {"RSSMRAULALMHRLMD", "rossi", "mario"},
        {"RSSMRA80A01H50MM", "", "Maria"},
        {"RSSMRA50A01A744Y", "Rossi", "Mario"},
        {"RSSMRA80A01Z999L"},
    };
    for (const auto &campi : codici) {
        const std::vector<QByteArrayView> v(campi.begin(), campi.end());
        confrontoVerifica.confronta(v, Csv::Codifica::Utf8);
        confrontoVerifica.confronta(v, Csv::Codifica::Windows1252);
    }
    const Tabelle::PartitaIvaCmd partitaIva;
    Confronto confrontoIva(partitaIva);
    for (const char *numero :
         {"12345670017", "12345670018", "00000000000", "00000001016", "00000009993", "00000008888", "00743110157",
          "IT00743110157", "743110157", "0074311015A", "A0743110157", "007 431 10157", "", "1234567001\xC2\xB9"}) {
        confrontoIva.confronta({QByteArrayView(numero)}, Csv::Codifica::Utf8);
        confrontoIva.confronta({QByteArrayView(numero)}, Csv::Codifica::Windows1252);
    }
    Generatore::Opzioni opzioni;
    opzioni.righe = 5000;
    QByteArray dati;
    Generatore::partiteIva(opzioni, [&](const QByteArray &b) { dati += b; });
    int presi = 0;
    for (const QByteArray &riga : dati.split('\n').mid(1))
        presi += confrontoIva.confronta({riga}, Csv::Codifica::Utf8);
    EXPECT_GT(presi, 4900);
}

TEST(PercorsoRapido, UgualeAlGenerale_SuiCasiLimite)
{
    // Surname, name, sex, date, municipality, province, as the tables hold them.
    const std::vector<QByteArray> casi[] = {
        {"Rossi", "Mario", "M", "1/1/1980", "Roma", "RM"},
        {"  Rossi ", "\tMario", "m", "01.01.1980", "roma", "rm"},
        {"D'ANGELO", "Gianfranco", "F", "29/2/2000", "Roma", "RM"},
        {"De Luca", "Roberto", "f", "29/2/1900", "Roma", "RM"},
        {"Fo", "Io", "M", "31-12-0100", "ROMA", "RM"},
        {"x", "y", "M", "1/1/0099", "ROMA", "RM"},
        {"Müller", "Ãñæ", "M", "1/1/1980", "Roma", "RM"},
        {"Dvořák", "Łucja", "M", "1/1/1980", "Roma", "RM"},
        {"Lefèvre", "François", "M", "1/1/1980", "Roma", "RM"},
        {"Muñoz", "Iñigo", "M", "1/1/1980", "Roma", "RM"},
        {"Straße", "Œdipe", "M", "1/1/1980", "Roma", "RM"},
        {"Šimůnek", "Ýrr Ÿves", "M", "1/1/1980", "Roma", "RM"},
        {"µ", "ª", "M", "1/1/1980", "Roma", "RM"},
        {"Lef\xE8vre", "Fran\xE7ois", "M", "1/1/1980", "Roma", "RM"},
        {"M\xFC\xDFig", "\214dipe \xD0", "M", "1/1/1980", "Roma", "RM"}, // Œ in octal: a hex escape would take the d
        {"Rossi", "Mario", "M", "1/1/1980", "Roma ", "RM"},
        {"Rossi", "Mario", "M", "1/1/1980", "Roma", ""},
        {"", "Mario", "M", "1/1/1980", "Roma", "RM"},
        {"Rossi", "Mario", "X", "1/1/1980", "Roma", "RM"},
        {"Rossi", "Mario", "M", "1 gennaio 1980", "Roma", "RM"},
        {"Rossi", "Mario", "M", "1980-01-01", "Roma", "RM"},
        {"Rossi", "Mario", "M", "1/1/80", "Forlì", "FC"},
        {"Rossi", "Mario", "M", "1/1/1980", "SAN GIORGIO DI NOGARO", "UD"},
        {"Rossi", "Mario", "M", "1/1/1980", "san giorgio di nogaro e oltre", "UD"},
        {"Rossi", "Mario", "M", "1/1/1980", "Aglie'", "TO"},
        {"Rossi", "Mario", "M", "1/1/1980", "\xC3\xA0\xC2\xA0\xC2\x80", "TO"},
        {"Rossi", "Mario", "M", "07/04/1968", "Roma", "RM"},
        {"Rossi", "Mario", "M", "03/15/1975", "Roma", "RM"},
        {"Rossi", "Mario", "F", "15/03/1975", "Roma", "RM"},
        {"Rossi", "Mario", "M", "05/05/1975", "Roma", "RM"},
        {"Rossi", "Mario", "M", "13/13/1975", "Roma", "RM"},
        {"Rossi", "Mario", "M", "02/29/2000", "Roma", "RM"},
        {"Rossi", "Mario", "M", "1980-01-01 00:00:00", "Roma", "RM"},
        {"Rossi", "Mario", "M", "01/02/1980 0.00", "Roma", "RM"},
        {"Rossi", "Mario", "M", "29221", "Roma", "RM"},
    };
    // In each order of day and month that a date column can have.
    for (Fiscale::OrdineData ordine :
         {Fiscale::OrdineData::GiornoMese, Fiscale::OrdineData::MeseGiorno, Fiscale::OrdineData::Contraddittorio}) {
        Tabelle::Calcola calcola(tabella(), kOggi);
        calcola.ordineDate(3, ordine);
        Confronto confronto(calcola);
        for (const auto &campi : casi) {
            std::vector<QByteArrayView> v(campi.begin(), campi.end());
            confronto.confronta(v, Csv::Codifica::Utf8);
            confronto.confronta(v, Csv::Codifica::Windows1252);
        }
    }
}

TEST(PercorsoRapido, UgualeAlGenerale_SulCorpusDelFuzzer)
{
    // Each input of the fuzz target: six lines, surname to province.
    const Tabelle::Calcola calcola(tabella(), kOggi);
    Confronto confronto(calcola);
    const QDir corpus(QStringLiteral(SPORTELLO_CORPUS_CF));
    const QStringList file = corpus.entryList(QDir::Files);
    ASSERT_FALSE(file.isEmpty());
    for (const QString &nome : file) {
        QFile f(corpus.filePath(nome));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QList<QByteArray> righe = f.readAll().split('\n');
        std::vector<QByteArrayView> v;
        for (const QByteArray &r : righe)
            v.emplace_back(r);
        v.resize(6);
        confronto.confronta(v, Csv::Codifica::Utf8);
        confronto.confronta(v, Csv::Codifica::Windows1252);
    }
}

TEST(PercorsoRapido, VerificaUgualeAlGenerale_SulleDateLimite)
{
    // 29 February of every two-digit year, and the days around today: the century rule.
    const Tabelle::VerificaCmd verifica(tabella(), kOggi);
    Confronto confronto(verifica);
    const Tabelle::Calcola calcola(tabella(), kOggi);
    std::vector<QDate> date;
    date.reserve(107);
    for (int aa = 0; aa < 100; ++aa)
        date.push_back(QDate(2000 + aa, 3, 1).addDays(-1));
    for (int giorni = -3; giorni <= 3; ++giorni)
        date.push_back(kOggi.addDays(giorni).addYears(-100));
    for (const QDate &d : date) {
        for (const char *sesso : {"M", "F"}) {
            const QString codice = calcola.elabora({"Rossi", "Mario", sesso, d.toString(u"d/M/yyyy"), "Roma", "RM"})[0];
            QByteArray c = codice.toLatin1();
            if (d.month() == 2 && d.day() == 28) // 28 February of a year that is not leap: make it 29
                c = c.left(9) + QByteArray::number(c.mid(9, 2).toInt() + 1) + c.mid(11, 4) + 'A';
            for (char controllo = 'A'; controllo <= 'Z'; ++controllo) {
                c[15] = controllo;
                confronto.confronta({c, {}, {}}, Csv::Codifica::Utf8);
            }
        }
    }
    // Places that ceased (FIUME 1947, BELLAGIO's A744 in 2014, B508 valid until 31 December 2015, GERMANIA
    // EST 1990), born before, in and after the year: the warning column.
    for (const char *luogo : {"D620", "A744", "B508", "Z111"}) {
        for (const char *anno : {"46", "47", "48", "89", "90", "91", "14", "15", "16", "17"}) {
            QByteArray c = QByteArray("RSSMRA") + anno + "A01" + luogo + 'A';
            for (char controllo = 'A'; controllo <= 'Z'; ++controllo) {
                c[15] = controllo;
                confronto.confronta({c, {}, {}}, Csv::Codifica::Utf8);
            }
        }
    }
}
