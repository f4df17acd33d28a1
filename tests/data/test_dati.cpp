// The data files that ship beside the program, read through the program's own loaders and lookups.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include <QDate>
#include <QFile>
#include <QHash>
#include <QSet>

#include "calcolo.h"
#include "cp1252.h"
#include "elencocomuni.h"
#include "luoghi.h"
#include "luogonascita.h"
#include "ricercaluoghi.h"
#include "supporto.h"
#include "tabellacodici.h"

namespace {

const QString kCartellaDati = QStringLiteral(SPORTELLO_SOURCE_DIR "/data/");

QByteArray leggi(const QString &nome)
{
    QFile file(kCartellaDati + nome);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A row of the reference table that codes.cf is built from: every cadastral code with each of its names.
struct RigaCatasto {
    QString nome, sigla, codice;
    bool attivo;
    QString ultimoGiorno; // last day of that name, YYYY-MM-DD, empty when none is given
    int fine;             // its year, the next for a name valid until 31 December; 0 when none is given
};

// The rows of a reference table, split at ';' (none of their fields holds one); empty when it is missing.
std::vector<QStringList> tabella(const char *nome)
{
    std::vector<QStringList> righe;
    QFile file(QStringLiteral(SPORTELLO_DATA_SOURCES "/") + QLatin1String(nome));
    if (!file.open(QIODevice::ReadOnly))
        return righe;
    const QList<QByteArray> linee = file.readAll().split('\n');
    for (qsizetype i = 1; i < linee.size(); ++i) {
        if (!linee[i].trimmed().isEmpty())
            righe.push_back(QString::fromUtf8(linee[i].trimmed()).split(u';'));
    }
    return righe;
}

std::vector<RigaCatasto> catasto()
{
    std::vector<RigaCatasto> righe;
    QFile file(QStringLiteral(SPORTELLO_DATA_SOURCES "/catasto.csv"));
    if (!file.open(QIODevice::ReadOnly))
        return righe;
    const QList<QByteArray> linee = file.readAll().split('\n');
    for (qsizetype i = 1; i < linee.size(); ++i) { // nome;sigla;catastale;attivo;fine_validita
        const QList<QByteArray> c = linee[i].trimmed().split(';');
        if (c.size() == 5)
            righe.push_back({QString::fromUtf8(c[0]), QString::fromUtf8(c[1]), QString::fromUtf8(c[2]), c[3] == "1",
                             QString::fromLatin1(c[4]), c[4].left(4).toInt() + (c[4].endsWith("-12-31") ? 1 : 0)});
    }
    return righe;
}

class DatiSpediti : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_tabella = new Fiscale::TabellaCodici;
        s_erroreTabella = s_tabella->carica(kCartellaDati + QStringLiteral("codes.cf"));
        s_comuni =
            new ElencoComuni::Caricamento(ElencoComuni::caricacomuni(kCartellaDati + QStringLiteral("codes.dat")));
    }
    static void TearDownTestSuite()
    {
        delete s_tabella;
        delete s_comuni;
    }

    static Fiscale::TabellaCodici *s_tabella;
    static int s_erroreTabella;
    static ElencoComuni::Caricamento *s_comuni;
};

Fiscale::TabellaCodici *DatiSpediti::s_tabella = nullptr;
int DatiSpediti::s_erroreTabella = -1;
ElencoComuni::Caricamento *DatiSpediti::s_comuni = nullptr;

} // namespace

TEST_F(DatiSpediti, CodesCfRecordDa32CaratteriEFineConEnd)
{
    const QByteArray dati = leggi(QStringLiteral("codes.cf"));
    ASSERT_FALSE(dati.isEmpty());
    ASSERT_EQ(s_erroreTabella, 0);
    ASSERT_TRUE(s_tabella->conteggio().has_value());
    const int record = *s_tabella->conteggio() + 1;
    EXPECT_LE(*s_tabella->conteggio(), Fiscale::kSlot - 1);
    for (int i = 0; i < record; ++i) {
        const QByteArray r = dati.mid(qsizetype(i) * Fiscale::kLunghezzaRecord, Fiscale::kLunghezzaRecord);
        ASSERT_TRUE(r.endsWith("\r\n")) << "record " << i;
    }
    EXPECT_EQ(dati.mid(qsizetype(record - 1) * Fiscale::kLunghezzaRecord, 20).trimmed(), QByteArray("END"));
    // After the END record, the days of every entry and the province names.
    EXPECT_TRUE(dati.mid(qsizetype(record) * Fiscale::kLunghezzaRecord).startsWith("#PERIODI 1\r\n"));
    ASSERT_TRUE(s_tabella->conGiorni());
    EXPECT_GT(s_tabella->province().nome(QStringLiteral("MB")).size(), 18);
    for (int i = 0; i < record - 1; ++i) {
        // The last year of the name, or blank while it is valid.
        const QByteArray anno = dati.mid(qsizetype(i) * Fiscale::kLunghezzaRecord + 26, 4);
        ASSERT_TRUE(anno == "    " || (anno.toInt() > 1800 && anno.toInt() == s_tabella->annoFine(i))) << i;
    }
    for (int i = 0; i < s_tabella->numeroVoci(); ++i) {
        const auto voce = s_tabella->voce(i);
        ASSERT_FALSE(voce.nome.isEmpty()) << i;
        ASSERT_EQ(voce.provincia.size(), 2) << voce.nome.toStdString();
        ASSERT_EQ(voce.codice.size(), 4) << voce.nome.toStdString();
        ASSERT_EQ(Cp1252::maiuscole(voce.nome), voce.nome) << voce.nome.toStdString();
        ASSERT_TRUE(voce.nomeIntero.startsWith(voce.nome)) << voce.nome.toStdString();
        ASSERT_LE(voce.periodo.primo, voce.periodo.ultimo) << voce.nome.toStdString();
    }
}

TEST_F(DatiSpediti, CodesDatOgniRigaSiLeggeEHaLaSuaMappa)
{
    const QByteArray dati = leggi(QStringLiteral("codes.dat"));
    const QList<QByteArray> righe = dati.split('\n');
    ASSERT_EQ(s_comuni->errore, 0);
    const ElencoComuni::Elenco &elenco = s_comuni->elenco;
    // Every line but the last (empty) one is listed; split() also gives the nothing after the last line end.
    ASSERT_TRUE(dati.endsWith("\r\n\r\n"));
    ASSERT_EQ(elenco.nomi.size(), righe.size() - 2);
    EXPECT_GT(elenco.nomi.size(), 7800);
    EXPECT_LE(elenco.nomi.size(), ElencoComuni::kCapienza);

    int gruppoPrecedente = 0;
    for (int i = 0; i < elenco.nomi.size(); ++i) {
        const QString &nome = elenco.nomi[i];
        const ElencoComuni::Dettagli d = ElencoComuni::dettagli(elenco, i);
        ASSERT_FALSE(nome.isEmpty()) << i;
        ASSERT_EQ(d.cap.size(), 5) << nome.toStdString();
        ASSERT_EQ(d.sigla.size(), 2) << nome.toStdString();
        ASSERT_GE(ElencoComuni::figuraRegione(d.regione.trimmed()), 2) << nome.toStdString();
        ASSERT_FALSE(d.prefisso.trimmed().isEmpty()) << nome.toStdString();

        // Groups follow the block order, and every name can be found through its block.
        const int g = ElencoComuni::gruppo(nome.at(0));
        ASSERT_GE(g, 0) << nome.toStdString();
        ASSERT_GE(g, gruppoPrecedente) << nome.toStdString();
        gruppoPrecedente = g;
        const ElencoComuni::Ricerca r = ElencoComuni::cerca(elenco, nome);
        ASSERT_EQ(r.esito, ElencoComuni::Esito::Trovato) << nome.toStdString();
        ASSERT_EQ(elenco.nomi[r.posizione], nome);
    }
}

// Checked by hand against the official lists: directory details, cadastral code, a second key.
TEST_F(DatiSpediti, CampioneControllatoAMano)
{
    const struct {
        const char *nome;
        const char *sigla;
        const char *cap;
        const char *provincia;
        const char *regione;
        const char *prefisso;
        const char *codice;
    } casi[] = {
        {"ROMA", "RM", "00100", "ROMA", "LAZIO", "06", "H501"},
        {"MILANO", "MI", "20100", "MILANO", "LOMBARDIA", "02", "F205"},
        {"NAPOLI", "NA", "80100", "NAPOLI", "CAMPANIA", "081", "F839"},
        {"TORINO", "TO", "10100", "TORINO", "PIEMONTE", "011", "L219"},
        {"PALERMO", "PA", "90100", "PALERMO", "SICILIA", "091", "G273"},
        {"FIRENZE", "FI", "50100", "FIRENZE", "TOSCANA", "055", "D612"},
        {"BOLOGNA", "BO", "40100", "BOLOGNA", "EMILIA ROMAGNA", "051", "A944"},
        {"VENEZIA", "VE", "30100", "VENEZIA", "VENETO", "041", "L736"},
        {"GENOVA", "GE", "16100", "GENOVA", "LIGURIA", "010", "D969"},
        {"L'AQUILA", "AQ", "67100", "L'AQUILA", "ABRUZZO", "0862", "A345"},
        {"FORLÌ", "FC", "47100", "FORLÌ-CESENA", "EMILIA ROMAGNA", "0543", "D704"},
        {"AGLIÈ", "TO", "10011", "TORINO", "PIEMONTE", "0124", "A074"},
        {"BOLZANO", "BZ", "39100", "BOLZANO/BOZEN", "TRENTINO ALTO ADIGE", "0471", "A952"},
        {"BRESSANONE", "BZ", "39042", "BOLZANO/BOZEN", "TRENTINO ALTO ADIGE", "0472", "B160"},
        {"AOSTA", "AO", "11100", "VALLE D'AOSTA", "VALLE D'AOSTA", "0165", "A326"},
        {"TRIESTE", "TS", "34100", "TRIESTE", "FRIULI VENEZIA GIULIA", "040", "L424"},
        {"UDINE", "UD", "33100", "UDINE", "FRIULI VENEZIA GIULIA", "0432", "L483"},
        {"CAGLIARI", "CA", "09100", "CAGLIARI", "SARDEGNA", "070", "B354"},
        {"BARI", "BA", "70100", "BARI", "PUGLIA", "080", "A662"},
        {"PERUGIA", "PG", "06100", "PERUGIA", "UMBRIA", "075", "G478"},
        {"ANCONA", "AN", "60100", "ANCONA", "MARCHE", "071", "A271"},
        {"CAMPOBASSO", "CB", "86100", "CAMPOBASSO", "MOLISE", "0874", "B519"},
        {"POTENZA", "PZ", "85100", "POTENZA", "BASILICATA", "0971", "G942"},
        {"CATANZARO", "CZ", "88100", "CATANZARO", "CALABRIA", "0961", "C352"},
        {"TRENTO", "TN", "38100", "TRENTO", "TRENTINO ALTO ADIGE", "0461", "L378"},
        {"REGGIO NELL'EMILIA", "RE", "42100", "REGGIO NELL'EMILIA", "EMILIA ROMAGNA", "0522", "H223"},
        {"CORTINA D'AMPEZZO", "BL", "32043", "BELLUNO", "VENETO", "0436", "A266"},
        {"CAMPIONE D'ITALIA", "CO", "22061", "COMO", "LOMBARDIA", "0041", "B513"},
        {"SAN GIOVANNI IN PERSICETO", "BO", "40017", "BOLOGNA", "EMILIA ROMAGNA", "051", "G467"},
    };
    const ElencoComuni::Elenco &elenco = s_comuni->elenco;
    for (const auto &c : casi) {
        const QString nome = QString::fromUtf8(c.nome);
        SCOPED_TRACE(c.nome);
        const ElencoComuni::Ricerca r = ElencoComuni::cerca(elenco, nome.toLower());
        ASSERT_EQ(r.esito, ElencoComuni::Esito::Trovato);
        const ElencoComuni::Dettagli d = ElencoComuni::dettagli(elenco, r.posizione);
        EXPECT_EQ(d.sigla, QString::fromLatin1(c.sigla));
        EXPECT_EQ(d.cap, QString::fromLatin1(c.cap));
        EXPECT_EQ(d.provincia.trimmed(), QString::fromUtf8(c.provincia));
        EXPECT_EQ(d.regione.trimmed(), QString::fromUtf8(c.regione));
        EXPECT_EQ(d.prefisso.trimmed(), QString::fromLatin1(c.prefisso));
        EXPECT_EQ(ElencoComuni::figuraRegione(d.regione.trimmed()),
                  ElencoComuni::figuraRegione(QString::fromUtf8(c.regione)));
        EXPECT_EQ(s_tabella->trovacod(nome.toLower(), QString::fromLatin1(c.sigla).toLower()),
                  QString::fromLatin1(c.codice));
    }

    // Second keys people type, foreign states, and a suppressed municipality's own code not winning.
    EXPECT_EQ(s_tabella->trovacod(QStringLiteral("AGLIE'"), QStringLiteral("TO")), QStringLiteral("A074"));
    EXPECT_EQ(s_tabella->trovacod(QStringLiteral("FORLI'"), QStringLiteral("FC")), QStringLiteral("D704"));
    EXPECT_EQ(s_tabella->trovacod(QStringLiteral("OLBIA"), QStringLiteral("OT")), QStringLiteral("G015"));
    EXPECT_EQ(s_tabella->trovacod(QStringLiteral("OLBIA"), QStringLiteral("SS")), QStringLiteral("G015"));
    EXPECT_EQ(s_tabella->trovacod(QStringLiteral("FRANCIA"), QStringLiteral("EE")), QStringLiteral("Z110"));
    EXPECT_EQ(s_tabella->trovacod(QStringLiteral("GERMANIA"), QStringLiteral("EE")), QStringLiteral("Z112"));
}

TEST_F(DatiSpediti, OgniComuneAttualeTrovaIlSuoCodice)
{
    // Every municipality of the directory is in the cadastral table under its name and province.
    const ElencoComuni::Elenco &elenco = s_comuni->elenco;
    for (int i = 0; i < elenco.nomi.size(); ++i) {
        const QString codice = s_tabella->trovacod(elenco.nomi[i], ElencoComuni::dettagli(elenco, i).sigla);
        ASSERT_NE(codice, QStringLiteral("*NOTFOUND*")) << elenco.nomi[i].toStdString();
    }
}

// Codes that no name reaches, with the key of their own that the notice lists.
const struct {
    const char *chiave, *codice;
} kChiaviProprie[] = {
    {"DIP.NORV.ANTARTICHE", "Z904"},  {"GERMANIA EST", "Z111"},    {"ARMENIA Z137", "Z137"},
    {"AZERBAIGIAN Z141", "Z141"},     {"GEORGIA Z136", "Z136"},    {"KAZAKISTAN Z152", "Z152"},
    {"KIRGHIZISTAN Z142", "Z142"},    {"MALAYSIA Z230", "Z230"},   {"TAGIKISTAN Z147", "Z147"},
    {"TURKMENISTAN Z151", "Z151"},    {"UZBEKISTAN Z143", "Z143"}, {"ANTILLE BRITANN Z521", "Z521"},
    {"ANTILLE BRITANN Z523", "Z523"},
};

// Every row of the reference table, current or not, finds its own code: today's names without a date, a former
// name on its last day; a foreign state valid or not under its name or its own key.
TEST_F(DatiSpediti, OgniRigaDelCatastoTrovaIlSuoCodice)
{
    const std::vector<RigaCatasto> righe = catasto();
    if (righe.empty())
        GTEST_SKIP() << "no " SPORTELLO_DATA_SOURCES "/catasto.csv";
    ASSERT_GT(righe.size(), 11000u);
    QHash<QString, QString> proprie;
    for (const auto &c : kChiaviProprie) {
        proprie.insert(QString::fromLatin1(c.codice), QString::fromLatin1(c.chiave));
        EXPECT_EQ(s_tabella->trovacod(QString::fromLatin1(c.chiave), QStringLiteral("EE")),
                  QString::fromLatin1(c.codice));
    }
    int comuniAttuali = 0;
    for (const RigaCatasto &r : righe) {
        if (proprie.contains(r.codice))
            continue;
        // Two municipalities were both called SAN MARTINO (BZ) until 1928; each is found under today's name.
        if (r.nome == u"SAN MARTINO" && r.sigla == u"BZ")
            continue;
        const QDate nascita = r.ultimoGiorno.isEmpty() ? QDate() : QDate::fromString(r.ultimoGiorno, Qt::ISODate);
        ASSERT_EQ(s_tabella->trovacod(r.nome, r.sigla, nascita), r.codice)
            << r.nome.toStdString() << " " << r.sigla.toStdString() << " " << r.fine;
        if (r.attivo && r.sigla != u"EE") {
            ++comuniAttuali;
            ASSERT_EQ(s_tabella->trovacod(r.nome, r.sigla), r.codice) << r.nome.toStdString();
        }
    }
    EXPECT_EQ(comuniAttuali, s_comuni->elenco.nomi.size());
}

// The names that had two codes over time answer by the day of birth: the last day of the old code and the first
// of the new one; a foreign name shared by two states answers by its whole name.
TEST_F(DatiSpediti, ChiaviConDueCodiciSecondoIlGiorno)
{
    const struct {
        const char *comune, *provincia;
        QDate prima;
        const char *codicePrima;
        QDate dopo;
        const char *codiceDopo;
    } casi[] = {
        {"BELLAGIO", "CO", QDate(2014, 2, 3), "A744", QDate(2014, 2, 4), "M335"},
        {"CAMPIGLIA CERVO", "BI", QDate(2015, 12, 31), "B508", QDate(2016, 1, 1), "M373"},
        {"CAMPOSPINOSO ALBAREDO", "PV", QDate(1948, 1, 20), "B568", QDate(2024, 1, 1), "B567"},
        {"LONGARONE", "BL", QDate(2014, 2, 21), "E672", QDate(2014, 2, 22), "M342"},
        {"MARTIRANO", "CZ", QDate(1940, 1, 1), "E991", QDate(1957, 1, 18), "E990"}, // E991 renamed until E990 came
        {"SANT'OMOBONO TERME", "BG", QDate(2014, 2, 3), "I349", QDate(2014, 2, 4), "M333"},
        {"SANTA MARGHERITA DI BOBBIO", "PV", QDate(1929, 5, 27), "I227", QDate(1929, 5, 28), "*NOTFOUND*"},
        {"SANTA MARGHERITA DI STAFFORA", "PV", QDate(1929, 5, 27), "*NOTFOUND*", QDate(1929, 5, 28), "I230"},
        {"SOVIZZO", "VI", QDate(2024, 1, 21), "I879", QDate(2024, 1, 22), "M436"},
        {"TREMEZZINA", "CO", QDate(1947, 10, 3), "L370", QDate(2014, 2, 4), "M341"},
        {"CAPRANICA", "RM", QDate(1910, 6, 15), "B688", QDate(1990, 1, 1), "B688"},
        {"REPUBBLICA DEMOCRATICA TEDESCA", "EE", QDate(1980, 1, 1), "Z111", QDate(1991, 1, 1), "*NOTFOUND*"},
        {"REPUBBLICA DEMOCRATICA DEL CONGO", "EE", QDate(1980, 1, 1), "Z312", QDate(2020, 1, 1), "Z312"},
        {"DIPENDENZE NORVEGESI ANTARTICHE", "EE", QDate(1950, 1, 1), "Z904", QDate(2020, 1, 1), "Z904"},
        {"ARMENIA", "EE", QDate(1980, 1, 1), "Z252", QDate(2020, 1, 1), "Z252"},
        {"GERMANIA EST", "EE", QDate(1990, 12, 31), "Z111", QDate(1991, 1, 1), "*NOTFOUND*"},
    };
    for (const auto &c : casi) {
        const QString comune = QString::fromUtf8(c.comune), provincia = QString::fromLatin1(c.provincia);
        EXPECT_EQ(s_tabella->trovacod(comune, provincia, c.prima), QString::fromLatin1(c.codicePrima))
            << c.comune << " " << c.prima.toString(Qt::ISODate).toStdString();
        EXPECT_EQ(s_tabella->trovacod(comune, provincia, c.dopo), QString::fromLatin1(c.codiceDopo))
            << c.comune << " " << c.dopo.toString(Qt::ISODate).toStdString();
    }
}

// Decoding a code shows the last entry of that code in the file: today's name, the last name of a suppressed
// municipality, the main name of a foreign state.
TEST_F(DatiSpediti, LUltimaVoceDiUnCodiceEIlSuoNome)
{
    QHash<QString, int> ultima;
    for (int i = 0; i < s_tabella->numeroVoci(); ++i)
        ultima.insert(s_tabella->voce(i).codice, i);
    const std::vector<RigaCatasto> righe = catasto();
    if (righe.empty())
        GTEST_SKIP() << "no " SPORTELLO_DATA_SOURCES "/catasto.csv";
    // The last day of each suppressed municipality: the end of its last name; "-" for a code valid today.
    QHash<QString, QString> fine;
    for (const RigaCatasto &r : righe)
        fine[r.codice] =
            r.attivo || fine.value(r.codice) == u"-" ? QStringLiteral("-") : std::max(fine[r.codice], r.ultimoGiorno);
    for (const RigaCatasto &r : righe) {
        ASSERT_TRUE(ultima.contains(r.codice)) << r.codice.toStdString();
        const Fiscale::TabellaCodici::Voce v = s_tabella->voce(ultima.value(r.codice));
        const bool ultimoNome = r.sigla != u"EE" && r.fine > 0 && fine.value(r.codice) == r.ultimoGiorno;
        if (r.attivo || ultimoNome) {
            EXPECT_EQ(v.nome, r.nome.left(20).trimmed()) << r.codice.toStdString();
            EXPECT_EQ(v.nomeIntero, r.nome) << r.codice.toStdString();
            EXPECT_EQ(v.provincia, r.sigla) << r.codice.toStdString();
            EXPECT_EQ(v.annoFine, r.fine) << r.codice.toStdString();
        }
    }
    // Ceased states, with the year of their end where it is known.
    const struct {
        const char *codice, *nome;
        int fine;
    } stati[] = {
        {"Z111", "REPUBBLICA DEMOCRATI", 1990},
        {"Z135", "UNIONE SOVIETICA", 1991},
        {"Z105", "CECOSLOVACCHIA", 1992},
        {"Z118", "REPUBBLICA SOCIALIST", 2003},
        {"Z346", "SOMALIA FRANCESE", 1977},
        {"Z137", "ARMENIA", 0},
        // Two territories whose names are one text once cut: each shows its whole name.
        {"Z801", "DIPENDENZE NORVEGESI", 0},
        {"Z904", "DIPENDENZE NORVEGESI", 0},
    };
    for (const auto &c : stati) {
        const Fiscale::TabellaCodici::Voce v = s_tabella->voce(ultima.value(QString::fromLatin1(c.codice)));
        EXPECT_EQ(v.nome, QString::fromLatin1(c.nome)) << c.codice;
        EXPECT_EQ(v.annoFine, c.fine) << c.codice;
    }
}

TEST_F(DatiSpediti, CodiceFiscaleDiUnaPersonaNataLi)
{
    const struct {
        const char *cognome, *nome, *sesso;
        QDate nascita;
        const char *comune, *provincia, *atteso;
    } casi[] = {
        {"Rossi", "Mario", "M", QDate(1980, 1, 1), "Roma", "RM", "RSSMRA80A01H501U"},
        {"Bianchi", "Anna", "F", QDate(1990, 5, 21), "Aglie'", "to", "BNCNNA90E61A074"},
        {"D'Angelo", "Nicolò", "M", QDate(1970, 12, 25), "San Giovanni in Persiceto", "BO", "DNGNCL70T25G467S"},
        // Born in Bellagio before and after its new code of 2014.
        {"Rossi", "Mario", "M", QDate(1950, 1, 1), "Bellagio", "CO", "RSSMRA50A01A744"},
        {"Rossi", "Mario", "M", QDate(2020, 1, 1), "Bellagio", "CO", "RSSMRA20A01M335"},
        // Campiglia Cervo's code changed on 1 January 2016: born in 2015, the old one.
        {"Rossi", "Mario", "M", QDate(2015, 12, 31), "Campiglia Cervo", "BI", "RSSMRA15T31B508"},
    };
    for (const auto &c : casi) {
        const Fiscale::Esito esito = Fiscale::CodiceFiscale(
            QString::fromUtf8(c.cognome), QString::fromUtf8(c.nome), QString::fromLatin1(c.sesso), c.nascita,
            QString::fromUtf8(c.comune), QString::fromLatin1(c.provincia), *s_tabella);
        EXPECT_EQ(esito.errore, 0) << c.cognome;
        EXPECT_TRUE(esito.codice.startsWith(QString::fromLatin1(c.atteso))) << esito.codice.toStdString();
        EXPECT_TRUE(Fiscale::ControllaCodiceFiscale(esito.codice)) << esito.codice.toStdString();
    }
}

// The places people and clerks type, through the shared searches that follow the exact one, over the
// directory and luoghi.dat, and over the cadastral table.
TEST_F(DatiSpediti, LuoghiComeLiScriveLaGente)
{
    const ElencoComuni::Elenco &elenco = s_comuni->elenco;
    const ElencoComuni::RicercaTollerante tollerante(kCartellaDati + QStringLiteral("luoghi.dat"));
    const auto nelloElenco = [&](const std::vector<int> &posizioni) {
        std::vector<Luoghi::Luogo> luoghi;
        luoghi.reserve(posizioni.size());
        for (int p : posizioni)
            luoghi.push_back({elenco.nomi[p], elenco.elencosigle[p]});
        return Luoghi::elenco(luoghi);
    };
    const struct {
        const char *testo, *sigla, *atteso; // the places found, "NOME (SIGLA)" joined by ", "; "forse ..." offered
    } casi[] = {
        {"FORLI", "", "FORLÌ (FC)"},
        {"forli'", "", "FORLÌ (FC)"},
        {"Cantu", "", "CANTÙ (CO)"},
        {"CANTU'", "co", "CANTÙ (CO)"},
        {"L Aquila", "", "L'AQUILA (AQ)"},
        {"LAQUILA", "", "L'AQUILA (AQ)"},
        {"sant angelo lodigiano", "", "SANT'ANGELO LODIGIANO (LO)"},
        {"Bozen", "", "BOLZANO (BZ)"},
        {"Bolzano/Bozen", "BZ", "BOLZANO (BZ)"},
        {"St Christina in Groden", "", "SANTA CRISTINA VALGARDENA (BZ)"},
        {"Kaltern an der Weinstrasse", "", "CALDARO SULLA STRADA DEL VINO (BZ)"},
        {"Reggio Emilia", "", "REGGIO NELL'EMILIA (RE)"},
        {"REGGIO CALABRIA", "", "REGGIO DI CALABRIA (RC)"},
        {"Tripi", "", "TRIPI - ABAKAINON (ME)"},
        {"Paterno'", "", "PATERNO (PZ), PATERNÒ (CT)"},
        {"Paterno'", "CT", "PATERNÒ (CT)"},
        {"Tre-Ville", "", "TRE VILLE (TN), TREVILLE (AL)"},
        {"Bozen", "TN", ""},
        {"Atlantide", "", ""},
        {"' - '", "", ""},
        // As clerks write them.
        {"00184", "", "ROMA (RM)"},
        {"S. Giovanni Rotondo", "", "SAN GIOVANNI ROTONDO (FG)"},
        {"Meran/Merano", "", "MERANO (BZ)"},
        {"Lamezia", "", "LAMEZIA TERME (CZ)"},
        {"Ascoli", "", "ASCOLI PICENO (AP), ASCOLI SATRIANO (FG)"},
        {"Milamo", "", "forse MILANO (MI)"},
        {"USA", "", ""}, // no state in the directory
    };
    for (const auto &c : casi) {
        const QString testo = QString::fromUtf8(c.testo), sigla = QString::fromUtf8(c.sigla);
        QString trovati = nelloElenco(tollerante.cerca(elenco, testo, sigla));
        if (trovati.isEmpty() && !nelloElenco(tollerante.proposte(elenco, testo, sigla)).isEmpty())
            trovati = QStringLiteral("forse ") + nelloElenco(tollerante.proposte(elenco, testo, sigla));
        EXPECT_EQ(trovati, QString::fromUtf8(c.atteso)) << c.testo;
    }

    // The same over the cadastral table, with today's, former and foreign names, cut to 20: a place found
    // alone gives its code for the date of birth; several are a choice; near spellings are only offered.
    const Fiscale::RicercaLuoghi ricerca(kCartellaDati + QStringLiteral("luoghi.dat"));
    const QDate nascita(1980, 1, 1);
    const struct {
        const char *comune, *provincia;
        QDate nascita;
        const char *atteso; // "NOME (SIGLA) CODICE" for one place, the choice, "forse ..." offered, "" none
    } codici[] = {
        {"Forli", "FC", nascita, "FORLÌ (FC) D704"},
        {"Aglie", "TO", nascita, "AGLIÈ (TO) A074"},
        {"St. Christina in Gröden", "BZ", nascita, "SANTA CRISTINA VALGARDENA (BZ) I173"},
        {"Kaltern an der Weinstraße", "BZ", nascita, "CALDARO SULLA STRADA DEL VINO (BZ) B397"},
        {"Stati Uniti d America", "EE", nascita, "STATI UNITI D'AMERICA (EE) Z404"},
        {"Reggio Emilia", "MI", nascita, ""},
        {"00184", "RM", nascita, "ROMA (RM) H501"},
        {"22016", "CO", QDate(2020, 1, 1), "TREMEZZINA (CO) M341"},
        {"00184", "MI", nascita, ""},
        {"S. Giovanni Rotondo", "FG", nascita, "SAN GIOVANNI ROTONDO (FG) H926"},
        {"Sesto S.Giovanni", "MI", nascita, "SESTO SAN GIOVANNI (MI) I690"},
        {"Sta Maria Capua Vetere", "CE", nascita, "SANTA MARIA CAPUA VETERE (CE) I234"},
        {"S.ta Maria a Monte", "PI", nascita, "SANTA MARIA A MONTE (PI) I232"},
        {"SS. Cosma e Damiano", "LT", nascita, "SANTI COSMA E DAMIANO (LT) I339"},
        {"S. Agata de' Goti", "BN", nascita, "SANT'AGATA DE' GOTI (BN) I197"},
        {"St. Vincent", "AO", nascita, "SAINT-VINCENT (AO) H676"},
        {"Kaltern", "BZ", nascita, "CALDARO SULLA STRADA DEL VINO (BZ) B397"},
        {"Eppan", "BZ", nascita, "APPIANO SULLA STRADA DEL VINO (BZ) A332"},
        {"Tramin", "BZ", nascita, "TERMENO SULLA STRADA DEL VINO (BZ) L111"},
        {"Salurn", "BZ", nascita, "SALORNO SULLA STRADA DEL VINO (BZ) H719"},
        {"Meran/Merano", "BZ", nascita, "MERANO (BZ) F132"},
        {"Lamezia", "CZ", nascita, "LAMEZIA TERME (CZ) M208"},
        {"Barcellona", "ME", nascita, "BARCELLONA POZZO DI GOTTO (ME) A638"},
        {"Gravina", "BA", nascita, "GRAVINA IN PUGLIA (BA) E155"},
        {"Ascoli", "", nascita, "ASCOLI PICENO (AP), ASCOLI SATRIANO (FG)"},
        {"San", "", nascita, ""}, // hundreds of places: none offered
        {"Milamo", "MI", nascita, "forse MILANO (MI)"},
        {"Tornio", "", nascita, "forse TORINO (TO), TORNO (CO)"},
        {"Tornio", "TO", nascita, "forse TORINO (TO)"},
        {"USA", "EE", nascita, "STATI UNITI D'AMERICA (EE) Z404"},
        {"Stati Uniti", "EE", nascita, "STATI UNITI D'AMERICA (EE) Z404"},
        {"Russia", "EE", nascita, "FEDERAZIONE RUSSA (EE) Z154"},
        {"Inghilterra", "EE", nascita, "REGNO UNITO (EE) Z114"},
        {"Gran Bretagna", "EE", nascita, "REGNO UNITO (EE) Z114"},
        {"Olanda", "EE", nascita, "PAESI BASSI (EE) Z126"},
        {"Vaticano", "EE", nascita, "STATO DELLA CITTÀ DEL VATICANO (EE) Z106"},
        {"Cechia", "EE", nascita, "REPUBBLICA CECA (EE) Z156"},
        {"Bosnia", "EE", nascita, "BOSNIA-ERZEGOVINA (EE) Z153"},
        {"Germany", "EE", nascita, "GERMANIA (EE) Z112"},
        {"Corea", "EE", nascita, "COREA DEL NORD (EE), COREA DEL SUD (EE)"},
    };
    for (const auto &c : codici) {
        const QString comune = QString::fromUtf8(c.comune), provincia = QString::fromLatin1(c.provincia);
        const std::vector<Luoghi::Luogo> trovati = ricerca.cerca(*s_tabella, comune, provincia, c.nascita);
        QString esito = Luoghi::elenco(trovati);
        if (trovati.size() == 1)
            esito += u' ' + s_tabella->trovacod(trovati[0].nome, trovati[0].sigla, c.nascita);
        const std::vector<Luoghi::Luogo> proposte = ricerca.proposte(*s_tabella, comune, provincia, c.nascita);
        if (trovati.empty() && !proposte.empty())
            esito = QStringLiteral("forse ") + Luoghi::elenco(proposte);
        EXPECT_EQ(esito, QString::fromUtf8(c.atteso)) << c.comune;
    }
}

namespace {

// The edits between two forms, each character changed, added or left out, or two next to each other
// swapped, counting one: the plain table of every cell, to compare the quick search with.
int modifiche(const QString &a, const QString &b)
{
    const qsizetype w = b.size() + 1;
    std::vector<int> d(static_cast<size_t>((a.size() + 1) * w));
    const auto c = [&](qsizetype i, qsizetype j) -> int & { return d[static_cast<size_t>(i * w + j)]; };
    for (qsizetype i = 0; i <= a.size(); ++i) {
        for (qsizetype j = 0; j <= b.size(); ++j) {
            if (i == 0 || j == 0) {
                c(i, j) = static_cast<int>(i + j);
                continue;
            }
            c(i, j) = std::min({c(i - 1, j) + 1, c(i, j - 1) + 1, c(i - 1, j - 1) + (a[i - 1] == b[j - 1] ? 0 : 1)});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                c(i, j) = std::min(c(i, j), c(i - 2, j - 2) + 1);
        }
    }
    return c(a.size(), b.size());
}

} // namespace

// The near spellings offered over the directory are those that a comparison with every name and other name
// finds: names of the directory with one or two characters changed, added, left out or swapped.
TEST_F(DatiSpediti, NomiViciniComeIlConfrontoConOgniNome)
{
    const ElencoComuni::Elenco &elenco = s_comuni->elenco;
    Luoghi::Dati altri;
    ASSERT_EQ(altri.carica(kCartellaDati + QStringLiteral("luoghi.dat")), 0);
    std::vector<std::pair<QString, int>> forme; // every name's form and its position
    QHash<QString, int> posizione;
    for (int i = 0; i < elenco.nomi.size(); ++i) {
        forme.emplace_back(Luoghi::forma(elenco.nomi[i]), i);
        posizione.insert(elenco.nomi[i] + u';' + elenco.elencosigle[i], i);
    }
    for (const Luoghi::Dati::AltroNome &a : altri.altriNomi()) {
        if (posizione.contains(a.comune + u';' + a.sigla))
            forme.emplace_back(Luoghi::forma(a.nome), posizione.value(a.comune + u';' + a.sigla));
    }
    const ElencoComuni::RicercaTollerante ricerca(kCartellaDati + QStringLiteral("luoghi.dat"));
    const QString lettere = QStringLiteral("AEIOURNLTSMZ");
    int confrontati = 0;
    for (int i = 0; i < elenco.nomi.size(); i += 37) {
        // One or two edits of a name, chosen by its position.
        QString testo = Luoghi::forma(elenco.nomi[i]);
        const qsizetype k = i % testo.size();
        switch (i % 4) {
        case 0: testo[k] = lettere[i % lettere.size()]; break;
        case 1: testo.remove(k, 1); break;
        case 2: testo.insert(k, lettere[i % lettere.size()]); break;
        default:
            testo.insert(k, lettere[(i / 4) % lettere.size()]);
            testo.remove((k + 3) % testo.size(), 1);
            break;
        }
        if (!ricerca.cerca(elenco, testo).empty())
            continue;
        const int massimo = testo.size() < 4 ? 0 : testo.size() <= 5 ? 1 : 2;
        int migliore = massimo + 1;
        std::vector<int> attese;
        for (const auto &[f, p] : forme) {
            const int d = modifiche(f, testo);
            if (d < migliore)
                attese.clear();
            if (d <= std::min(migliore, massimo) && std::find(attese.begin(), attese.end(), p) == attese.end())
                attese.push_back(p);
            migliore = std::min(migliore, d);
        }
        std::sort(attese.begin(), attese.end());
        if (attese.size() > Luoghi::kMassimoScelte || migliore == 0)
            attese.clear();
        EXPECT_EQ(ricerca.proposte(elenco, testo), attese) << testo.toStdString();
        ++confrontati;
    }
    EXPECT_GT(confrontati, 150);
}

// Every name of a foreign state in luoghi.dat, every other-language and double name of the bilingual
// municipalities, and every postal code of the reference table, reaches its place.
TEST_F(DatiSpediti, OgniAltroNomeEOgniCapTrovaIlSuoComune)
{
    Luoghi::Dati altri;
    ASSERT_EQ(altri.carica(kCartellaDati + QStringLiteral("luoghi.dat")), 0);
    const Fiscale::RicercaLuoghi ricerca(kCartellaDati + QStringLiteral("luoghi.dat"));
    int stati = 0;
    for (const Luoghi::Dati::AltroNome &a : altri.altriNomi()) {
        if (a.sigla != u"EE")
            continue;
        ++stati;
        const std::vector<Luoghi::Luogo> l = ricerca.cerca(*s_tabella, a.nome, a.sigla, QDate(1980, 1, 1));
        EXPECT_TRUE(l.size() == 1 && l[0].nome == a.comune) << a.nome.toStdString();
    }
    EXPECT_GT(stati, 100);

    const std::vector<QStringList> bilingui = tabella("comuni_bilingui.csv"); // istat;catastale;nome;altro;completo
    const std::vector<QStringList> comuni = tabella("comuni.csv"); // istat;nome;sigla;...;cap;cap_tutti;prefisso
    if (bilingui.empty() || comuni.empty())
        GTEST_SKIP() << "no reference tables in " SPORTELLO_DATA_SOURCES;
    ASSERT_EQ(bilingui.size(), 124u);
    Luoghi::Dati dati;
    ASSERT_EQ(dati.carica(kCartellaDati + QStringLiteral("luoghi.dat")), 0);
    const ElencoComuni::Elenco &elenco = s_comuni->elenco;
    Luoghi::Indice indice;
    for (int i = 0; i < elenco.nomi.size(); ++i)
        indice.aggiungi(elenco.nomi[i], elenco.elencosigle[i], i);
    indice.aggiungiAltriNomi(dati);
    QHash<QString, QString> siglaDi; // cadastral code -> province
    for (const QStringList &c : comuni)
        siglaDi.insert(c[5], c[2]);
    for (const QStringList &b : bilingui) {
        const QString atteso = Cp1252::maiuscole(b[2]) + QStringLiteral(" (") + siglaDi.value(b[1]) + u')';
        for (const QString &nome : {b[3], b[4]})
            EXPECT_TRUE(Luoghi::elenco(indice.cerca(nome)).contains(atteso)) << nome.toStdString();
    }
    int cap = 0;
    for (const QStringList &c : comuni) {
        const QString atteso = Cp1252::maiuscole(c[1]) + QStringLiteral(" (") + c[2] + u')';
        for (const QString &codice : c[7].split(u'|')) {
            ++cap;
            ASSERT_TRUE(Luoghi::elenco(dati.perCap(codice)).contains(atteso)) << codice.toStdString();
        }
    }
    EXPECT_EQ(cap, 8456);
}

// The place of birth as documents write it, through the resolution the window and calcola share: the code of
// the day of birth, or the places to choose from, or why there is none.
TEST_F(DatiSpediti, LuogoDiNascitaComeLoScrivonoIDocumenti)
{
    const Fiscale::RicercaLuoghi tollerante(kCartellaDati + QStringLiteral("luoghi.dat"));
    const struct {
        const char *comune, *provincia;
        QDate nascita;
        const char *atteso; // the code, or the message
    } casi[] = {
        // The day of a code change.
        {"Bellagio", "CO", QDate(2014, 1, 10), "A744"},
        {"Bellagio", "CO", QDate(2014, 2, 4), "M335"},
        {"Longarone", "BL", QDate(2014, 2, 10), "E672"},
        {"Sovizzo", "VI", QDate(2024, 1, 10), "I879"},
        {"Capranica", "RM", QDate(1910, 6, 15), "B688"},
        {"Abano Terme", "PD", QDate(1920, 1, 1), "A001"}, // today's name of a code of that day
        {"Abano", "PD", QDate(2020, 1, 1), "A001"},
        // A place that did not exist on that day, with the one that took it over where the archive tells.
        {"Civenna", "CO", QDate(2020, 6, 1),
         "Comune non più esistente alla data di nascita: CIVENNA (CO), soppresso il 03/02/2014"},
        {"Lenno", "CO", QDate(2020, 6, 1), "Comune non più esistente alla data di nascita: LENNO (CO), soppresso il "
                                           "03/02/2014, confluito in TREMEZZINA (CO)"},
        {"Lenno", "CO", QDate(1935, 6, 1), "Comune non più esistente alla data di nascita: LENNO (CO), soppresso il "
                                           "07/02/1929, confluito in TREMEZZINA (CO)"},
        {"Abetone", "PT", QDate(2016, 12, 31), "A012"},
        {"Abetone", "PT", QDate(2017, 6, 1), "Comune non più esistente alla data di nascita: ABETONE (PT), soppresso "
                                             "il 31/12/2016, confluito in ABETONE CUTIGLIANO (PT)"},
        {"Fiume", "FU", QDate(1980, 1, 1),
         "Comune non più esistente alla data di nascita: FIUME (FU), soppresso il 15/09/1947"},
        // Without a province, not Fiume Veneto, whose name was FIUME until 1911.
        {"Fiume", "", QDate(1980, 1, 1),
         "Comune non più esistente alla data di nascita: FIUME (FU), soppresso il 15/09/1947"},
        {"Fiume", "", QDate(1940, 1, 1), "D620"},
        {"Quero Vas", "BL", QDate(1990, 1, 1),
         "Comune non ancora esistente alla data di nascita: QUERO VAS (BL), istituito il 28/12/2013"},
        {"Santa Margherita di Bobbio", "PV", QDate(2020, 1, 1),
         "Comune non più esistente alla data di nascita: SANTA MARGHERITA DI BOBBIO (PV), soppresso il 27/05/1929"},
        {"Germania Est", "", QDate(2015, 1, 1),
         "Stato non più esistente alla data di nascita: GERMANIA EST, cessato nel 1990, poi GERMANIA"},
        {"Repubblica Democratica Tedesca", "EE", QDate(1980, 1, 1), "Z111"},
        {"Iugoslavia", "EE", QDate(2015, 1, 1), "Stato non più esistente alla data di nascita: IUGOSLAVIA, cessato nel 2003"},
        {"URSS", "", QDate(2015, 1, 1), "Stato non più esistente alla data di nascita: URSS, cessato nel 1991"},
        {"Tanganica", "", QDate(1960, 1, 1), "Z350"},
        {"Tanganica", "", QDate(1970, 1, 1),
         "Stato non più esistente alla data di nascita: TANGANICA, cessato il 25/04/1964, poi TANZANIA"},
        // The province of any time, by its sigla or its name.
        {"Monza", "MI", QDate(2015, 1, 1), "F704"},
        {"Monza", "Monza e della Brianza", QDate(1980, 1, 1), "F704"},
        {"Lodi", "MI", QDate(1980, 1, 1), "E648"},
        {"Rimini", "FO", QDate(1980, 1, 1), "H294"},
        {"Rimini", "Forlì", QDate(1980, 1, 1), "H294"},
        {"Pesaro", "PS", QDate(1980, 1, 1), "G479"},
        {"Pesaro", "Pesaro e Urbino", QDate(1980, 1, 1), "G479"},
        {"Sappada", "BL", QDate(2020, 1, 1), "I421"},
        {"Olbia", "SS", QDate(2026, 3, 1), "G015"},
        {"Tortolì", "NU", QDate(2020, 1, 1), "A355"},
        {"Carbonia", "SU", QDate(2020, 1, 1), "B745"},
        {"Bolzano", "Bolzano", QDate(1980, 1, 1), "A952"},
        {"Aosta", "Aosta", QDate(1980, 1, 1), "A326"},
        {"Reggio nell'Emilia", "Reggio Emilia", QDate(1980, 1, 1), "H223"},
        {"Jonadi", "CZ", QDate(1980, 1, 1), "E321"},
        {"Ionadi", "VV", QDate(2020, 1, 1), "E321"},
        {"Roma", "MI", QDate(1980, 1, 1), "Provincia errata per ROMA: MI. Forse cercavi: ROMA (RM)"},
        {"Roma", "Lombardia", QDate(1980, 1, 1), "Provincia non riconosciuta: «Lombardia»"},
        // No province where none is needed.
        {"Germania", "", QDate(1980, 1, 1), "Z112"},
        {"Germania", "Germania", QDate(1980, 1, 1), "Z112"},
        {"Stati Uniti d'America", "", QDate(1980, 1, 1), "Z404"},
        {"Armenia", "", QDate(2020, 1, 1), "Z252"},
        {"Agliè", "", QDate(1980, 1, 1), "A074"},
        {"Castro", "", QDate(1980, 1, 1), "Comune ambiguo: indicare la provincia. Forse cercavi: CASTRO (BG), CASTRO (LE)"},
        {"Samone", "", QDate(1980, 1, 1), "Comune ambiguo: indicare la provincia. Forse cercavi: SAMONE (TN), SAMONE (TO)"},
        {"Castro", "LE", QDate(1980, 1, 1), "M261"},
        {"Castro", "LE", QDate(1970, 1, 1),
         "Comune non ancora esistente alla data di nascita: CASTRO (LE), istituito il 28/05/1975"},
        // As people write it, after the rest.
        {"Forli", "FC", QDate(1980, 1, 1), "D704"},
        {"Atlantide", "", QDate(1980, 1, 1), "Comune non trovato"},
    };
    for (const auto &c : casi) {
        const Fiscale::LuogoNascita l = Fiscale::risolviLuogo(*s_tabella, QString::fromUtf8(c.comune),
                                                              QString::fromUtf8(c.provincia), c.nascita, &tollerante);
        EXPECT_EQ(l.trovato() ? l.codice : l.messaggio, QString::fromUtf8(c.atteso))
            << c.comune << " " << c.provincia << " " << c.nascita.toString(Qt::ISODate).toStdString();
    }
}

namespace {

// The fields of a line of the ANPR archive: ',' separated, quoted where needed.
QStringList campiArchivio(const QString &riga)
{
    QStringList campi{QString()};
    bool virgolette = false;
    for (QChar c : riga) {
        if (c == u'"')
            virgolette = !virgolette;
        else if (c == u',' && !virgolette)
            campi.append(QString());
        else
            campi.back().append(c);
    }
    return campi;
}

} // namespace

// Every period of the archive gives its code on its first and its last day, and every province sigla a code ever
// had finds it on those days under each of its names, but where two places of one name and province shared the
// day (there the lookup cannot tell them apart).
TEST_F(DatiSpediti, OgniPeriodoDellArchivioNelPrimoENellUltimoGiorno)
{
    QFile file(QStringLiteral(SPORTELLO_DATA_SOURCES "/anpr_archivio_comuni.csv"));
    if (!file.open(QIODevice::ReadOnly))
        GTEST_SKIP() << "no " SPORTELLO_DATA_SOURCES "/anpr_archivio_comuni.csv";
    const QStringList righe = QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
    const QStringList intestazione = campiArchivio(righe[0]);
    const qsizetype inizio = intestazione.indexOf(QStringLiteral("institution_date")),
                    fine = intestazione.indexOf(QStringLiteral("end_date")),
                    codice = intestazione.indexOf(QStringLiteral("registry_code")),
                    nome = intestazione.indexOf(QStringLiteral("name_it")),
                    sigla = intestazione.indexOf(QStringLiteral("provincial_code"));
    struct Periodo {
        QString codice, nome;
        QDate primo, ultimo;
    };
    std::vector<Periodo> periodi;
    QHash<QString, QStringList> sigle; // code -> every sigla of any time
    for (qsizetype i = 1; i < righe.size(); ++i) {
        const QStringList c = campiArchivio(righe[i].trimmed());
        if (c.value(codice) == u"ND")
            continue;
        periodi.push_back({c[codice], c[nome], QDate::fromString(c[inizio], Qt::ISODate),
                           QDate::fromString(c[fine], Qt::ISODate)});
        if (!sigle[c[codice]].contains(c[sigla]))
            sigle[c[codice]].append(c[sigla]);
    }
    ASSERT_GT(periodi.size(), 19000u);
    int provati = 0, condivisi = 0;
    for (const Periodo &p : periodi) {
        for (const QDate &giorno : {p.primo, std::min(p.ultimo, QDate(2024, 5, 31))}) {
            for (const QString &s : sigle.value(p.codice)) {
                // The codes of that name and province that held the day.
                QSet<QByteArray> codici;
                const QByteArray n = Cp1252::codifica(p.nome), sg = s.toLatin1();
                for (int v : s_tabella->voci(n, sg)) {
                    const Fiscale::Periodo q = s_tabella->periodo(v);
                    if (q.primo <= Fiscale::giornoDi(giorno) && Fiscale::giornoDi(giorno) <= q.ultimo)
                        codici.insert(s_tabella->codice(v).toByteArray());
                }
                if (codici.size() > 1) {
                    ++condivisi;
                    continue;
                }
                ++provati;
                ASSERT_EQ(s_tabella->trovacod(p.nome, s, giorno), p.codice)
                    << p.nome.toStdString() << " " << s.toStdString() << " " << giorno.toString(Qt::ISODate).toStdString();
            }
        }
    }
    EXPECT_GT(provati, 50000);
    EXPECT_LT(condivisi, 100);
}
