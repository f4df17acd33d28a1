// The data files that ship beside the program, read through the program's own loaders and lookups.
#include <gtest/gtest.h>

#include <QDate>
#include <QFile>

#include "calcolo.h"
#include "cp1252.h"
#include "elencocomuni.h"
#include "supporto.h"
#include "tabellacodici.h"

namespace {

const QString kCartellaDati = QStringLiteral(SPORTELLO_SOURCE_DIR "/data/");

QByteArray leggi(const QString &nome)
{
    QFile file(kCartellaDati + nome);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
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
    ASSERT_EQ(dati.size() % Fiscale::kLunghezzaRecord, 0);
    const int record = static_cast<int>(dati.size() / Fiscale::kLunghezzaRecord);
    for (int i = 0; i < record; ++i) {
        const QByteArray r = dati.mid(qsizetype(i) * Fiscale::kLunghezzaRecord, Fiscale::kLunghezzaRecord);
        ASSERT_TRUE(r.endsWith("\r\n")) << "record " << i;
    }
    EXPECT_EQ(dati.right(Fiscale::kLunghezzaRecord).left(20).trimmed(), QByteArray("END"));

    ASSERT_EQ(s_erroreTabella, 0);
    ASSERT_TRUE(s_tabella->conteggio().has_value());
    EXPECT_EQ(*s_tabella->conteggio(), record - 1);
    EXPECT_LE(*s_tabella->conteggio(), 9000);
    for (int i = 0; i < s_tabella->numeroVoci(); ++i) {
        const auto voce = s_tabella->voce(i);
        ASSERT_FALSE(voce.nome.isEmpty()) << i;
        ASSERT_EQ(voce.provincia.size(), 2) << voce.nome.toStdString();
        ASSERT_EQ(voce.codice.size(), 4) << voce.nome.toStdString();
        ASSERT_EQ(Cp1252::maiuscole(voce.nome), voce.nome) << voce.nome.toStdString();
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
