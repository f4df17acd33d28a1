// The engine as the window calls it: commands by name, cancelling, progress, the summary of a run, a first
// look at a table.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>

#include "comandi.h"
#include "foglio.h"
#include "percorsi.h"
#include "scrittorexlsx.h"
#include "sorgentefoglio.h"
#include "tabella.h"

using namespace Tabelle;

namespace {

const QString kDati = QStringLiteral(SPORTELLO_SOURCE_DIR "/data");

void copia(const QString &nome, const QString &cartella)
{
    QFile::copy(kDati + u'/' + nome, cartella + u'/' + nome);
}

} // namespace

// Each command by its name with the data files beside the program; a missing or damaged file named as the
// windows name it, with the path looked at.
TEST(Motore, ComandoDalNome)
{
    QTemporaryDir vuota, danneggiata;
    QFile rotto(danneggiata.filePath(QStringLiteral("codes.cf")));
    ASSERT_TRUE(rotto.open(QIODevice::WriteOnly));
    rotto.write(QByteArray(37, 'A')); // ends inside a record
    rotto.close();
    const struct {
        const char *nome;
        QString cartella;
        const char *errore; // empty: the command is made
    } casi[] = {
        {"calcola", kDati, ""},
        {"verifica", kDati, ""},
        {"partita-iva", kDati, ""},
        {"comune", kDati, ""},
        {"partita-iva", vuota.path(), ""},
        {"calcola", vuota.path(), "File dei codici CODES.CF non trovato, impossibile continuare ("},
        {"verifica", vuota.path(), "CODES.CF non trovato"},
        {"comune", vuota.path(), "CODES.DAT non trovato"},
        {"calcola", danneggiata.path(), "codes.cf)"},
        {"euro", kDati, "comando sconosciuto «euro»"},
        {"calcolare", kDati, "comando sconosciuto"},
    };
    for (const auto &c : casi) {
        Percorsi::impostaCartellaProgramma(c.cartella);
        DatiComandi dati;
        QString errore;
        const std::unique_ptr<Comando> comando = creaComando(QString::fromUtf8(c.nome), dati, &errore);
        Percorsi::impostaCartellaProgramma(QString());
        const QString atteso = QString::fromUtf8(c.errore);
        EXPECT_EQ(comando == nullptr, !atteso.isEmpty()) << c.nome << ' ' << errore.toStdString();
        EXPECT_TRUE(errore.contains(atteso)) << c.nome << ": " << errore.toStdString();
        EXPECT_FALSE(errore.contains(u'\n')) << c.nome;
    }
}

// The data are loaded once: a second command from the same data works after the files are gone.
TEST(Motore, ComandoDalNome_DatiCaricatiUnaVolta)
{
    QTemporaryDir cartella;
    copia(QStringLiteral("codes.cf"), cartella.path());
    copia(QStringLiteral("codes.dat"), cartella.path());
    Percorsi::impostaCartellaProgramma(cartella.path());
    DatiComandi dati;
    QString errore;
    EXPECT_NE(creaComando(QStringLiteral("calcola"), dati, &errore), nullptr);
    EXPECT_NE(creaComando(QStringLiteral("comune"), dati, &errore), nullptr);
    QFile::remove(cartella.filePath(QStringLiteral("codes.cf")));
    QFile::remove(cartella.filePath(QStringLiteral("codes.dat")));
    const std::unique_ptr<Comando> verifica = creaComando(QStringLiteral("verifica"), dati, &errore);
    const std::unique_ptr<Comando> comune = creaComando(QStringLiteral("comune"), dati, &errore);
    Percorsi::impostaCartellaProgramma(QString());
    ASSERT_NE(verifica, nullptr) << errore.toStdString();
    ASSERT_NE(comune, nullptr) << errore.toStdString();
    EXPECT_TRUE(verifica->elaboraTesti({QStringLiteral("RSSMRA80A01H501U"), {}, {}})[0].isEmpty());
    EXPECT_EQ(comune->elaboraTesti({QStringLiteral("Roma"), {}, {}})[0], QStringLiteral("ROMA"));
}

namespace {

void scrivi(const QString &percorso, const QByteArray &dati)
{
    QFile f(percorso);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(dati);
}

// A command that stands for a slow one and tells how many rows it took: it sets `annulla` at row `fermaA`,
// as the window sets the flag from its own thread while the run goes on.
class Lento final : public Comando
{
public:
    std::vector<Colonna> ingresso() const override { return {{QStringLiteral("valore")}}; }
    QStringList uscita() const override { return {QStringLiteral("esito")}; }
    void elabora(const Valori &, Risultato &) const override
    {
        if (++m_righe == fermaA && annulla)
            annulla->store(true);
        if (attesaMs > 0)
            QThread::msleep(attesaMs);
    }
    std::atomic<bool> *annulla = nullptr;
    qint64 fermaA = -1;
    unsigned long attesaMs = 0;
    mutable qint64 m_righe = 0;
};

// What a run said: its warnings and progress, and the flag that stops it.
class Registro final : public Osservatore
{
public:
    struct Progresso {
        // cppcheck-suppress unusedStructMember ; read by the tests through the vector below, as are the others
        qint64 righe;
        // cppcheck-suppress unusedStructMember
        double frazione;
        // cppcheck-suppress unusedStructMember
        qint64 ms;
    };
    void progresso(qint64 righe, double frazione) override
    {
        avanzamenti.push_back({righe, frazione, orologio.elapsed()});
    }
    void avviso(const Avviso &avviso) override { avvisi.push_back(avviso); }
    bool annullato() const override
    {
        return (ferma && ferma->load()) || (domandeFinoA >= 0 && ++domande > domandeFinoA);
    }

    std::vector<Progresso> avanzamenti;
    std::vector<Avviso> avvisi;
    std::atomic<bool> *ferma = nullptr;
    qint64 domandeFinoA = -1; // true from the question after these many on
    mutable qint64 domande = 0;
    QElapsedTimer orologio;
    Registro() { orologio.start(); }
};

QByteArray tabellaDi(int righe)
{
    QByteArray t = "valore\n";
    t.reserve(qsizetype(righe) * 8 + 7);
    for (int i = 0; i < righe; ++i)
        t += QByteArray::number(1000000 + i) + '\n';
    return t;
}

} // namespace

// Cancelled before the run, during its first look at the table (the encoding, a block of a few MiB at a
// time), early in the rows or late: the run ends Annullato within a few hundred rows and leaves nothing under
// the output's name, CSV or .xlsx, not even a temporary file; an output already there stays as it was.
TEST(Motore, Annullato_NienteScritto)
{
    const struct {
        qint64 fermaA;  // at this row; 0: before the run
        qint64 domande; // else at the observer's question after this many; -1 never
        bool giaPresente;
        const char *uscita;
        int righe;
    } casi[] = {{0, -1, false, "out.csv", 20000},     {1, -1, false, "out.csv", 20000},
                {5000, -1, false, "out.xlsx", 20000}, {19999, -1, true, "out.xlsx", 20000},
                {0, -1, true, "out.csv", 20000},      {-1, 2, false, "out.xlsx", 1500000}};
    for (const auto &c : casi) {
        QTemporaryDir cartella;
        const QString ingresso = cartella.filePath(QStringLiteral("in.csv"));
        const QString uscita = cartella.filePath(QString::fromLatin1(c.uscita));
        scrivi(ingresso, tabellaDi(c.righe));
        if (c.giaPresente)
            scrivi(uscita, "da non toccare");
        std::atomic<bool> annulla{c.fermaA == 0};
        Lento lento;
        lento.annulla = &annulla;
        lento.fermaA = c.fermaA;
        OpzioniTabella o;
        o.ingresso = ingresso;
        o.uscita = uscita;
        Registro registro;
        registro.ferma = &annulla;
        registro.domandeFinoA = c.domande;
        const Conclusione fine = eseguiTabella(lento, o, registro);
        EXPECT_EQ(fine.stato, Stato::Annullato) << c.fermaA;
        EXPECT_LE(lento.m_righe, qMax<qint64>(c.fermaA, 0) + 300) << c.fermaA;
        if (c.domande >= 0) { // the first look stopped at the question that said so, not at its end
            EXPECT_LE(registro.domande, c.domande + 3);
        }
        EXPECT_EQ(fine.resoconto.righe, 0) << c.fermaA; // no summary of a run that did not end
        const QStringList attesi = c.giaPresente ? QStringList{"in.csv", c.uscita} : QStringList{"in.csv"};
        EXPECT_EQ(QDir(cartella.path()).entryList(QDir::Files | QDir::Hidden), attesi) << c.fermaA;
        if (c.giaPresente) {
            QFile f(uscita);
            ASSERT_TRUE(f.open(QIODevice::ReadOnly));
            EXPECT_EQ(f.readAll(), "da non toccare");
        }
    }
}

// The progress: rows growing, calls at least 100 ms apart, the last one at the end
// with every row and the whole input read.
TEST(Motore, Progresso)
{
    QTemporaryDir cartella;
    const QString csv = cartella.filePath(QStringLiteral("in.csv"));
    scrivi(csv, tabellaDi(1200));
    // A sheet whose part spans many blocks, so that how far it has been read shows.
    const QString xlsx = cartella.filePath(QStringLiteral("in.xlsx"));
    {
        Fogli::ScrittoreXlsx s(xlsx);
        ASSERT_TRUE(s.apri({QStringLiteral("valore"), QStringLiteral("nota")}));
        for (int i = 0; i < 1200; ++i)
            ASSERT_TRUE(
                s.scriviRiga({Fogli::Cella::diNumero(i), Fogli::Cella::diTesto(QString(400, QChar(u'a' + i % 26)))}));
        ASSERT_TRUE(s.chiudi());
    }
    for (const QString &ingresso : {csv, xlsx}) {
        Lento lento;
        lento.attesaMs = 1;
        OpzioniTabella o;
        o.ingresso = ingresso;
        o.uscita = cartella.filePath(QStringLiteral("out.csv"));
        Registro registro;
        ASSERT_EQ(eseguiTabella(lento, o, registro).stato, Stato::Fatto);
        const std::vector<Registro::Progresso> &chiamate = registro.avanzamenti;
        ASSERT_GE(chiamate.size(), 2u);
        bool aMeta = false;
        for (size_t i = 1; i < chiamate.size(); ++i) {
            EXPECT_GT(chiamate[i].righe, chiamate[i - 1].righe);
            EXPECT_GE(chiamate[i].frazione, chiamate[i - 1].frazione);
            aMeta = aMeta || (chiamate[i].frazione > 0 && chiamate[i].frazione < 1);
            if (i + 1 < chiamate.size()) {
                EXPECT_GE(chiamate[i].ms - chiamate[i - 1].ms, 100);
            }
        }
        if (ingresso == xlsx) { // a small CSV is read into the buffer at once
            EXPECT_TRUE(aMeta);
        }
        EXPECT_EQ(chiamate.back().righe, 1200);
        EXPECT_EQ(chiamate.back().frazione, 1.0);
    }
}

// The summary: rows with data (blank lines and rows without the command's values left out), rows without
// esito, and the kinds of esito most frequent first, on the byte path and on the general one.
TEST(Motore, Resoconto)
{
    const struct {
        const char *comando;
        QByteArray tabella;
        qint64 righe, buone;
        std::vector<std::pair<const char *, qint64>> perEsito;
    } casi[] = {
        {"partita-iva",
         "partita_iva;nome\n12345670017;a\n12345670018;b\n\n123;c\n;totale\n1234567001;d\n12345670019;e\n"
         "00000000000;f\n",
         6,
         1,
         // By message, without the row's details; a tie: by name.
         {{"Errore! L'ultimo numero doveva essere", 2},
          {"Errore: la partita iva deve essere di 11 cifre!", 2},
          {"Errore: la partita iva non può essere di soli zeri!", 1}}},
        {"calcola",
         "cognome;nome;sesso;data_nascita;comune;provincia\nRossi;Mario;M;01/01/1980;Roma;RM\n"
         "Rossi;Mario;M;01/01/1980;Atlantide;RM\nRossi;Mario;M;01/01/1980;Roma;RM\n;;;;;\n"
         "Verdi;Luca;M;01/01/1980;Atlantide;XX\n\"Bianchi;Anna\n",
         5,
         2,
         {{"Comune non trovato", 2}, {"Riga non valida", 1}}},
        {"partita-iva", "partita_iva\n", 0, 0, {}},
        // Messages that differ only in a row's number are one kind.
        {"partita-iva",
         "partita_iva\n01534701584\n41501826691\n00743110157\n12345678901\n",
         4,
         1,
         {{"Errore: il codice ufficio \xE2\x80\xA6 non corrisponde a nessun ufficio iva!", 2},
          {"Errore! L'ultimo numero doveva essere", 1}}},
    };
    for (const auto &c : casi) {
        QTemporaryDir cartella;
        const QString ingresso = cartella.filePath(QStringLiteral("in.csv"));
        scrivi(ingresso, c.tabella);
        Percorsi::impostaCartellaProgramma(kDati);
        DatiComandi dati;
        const std::unique_ptr<Comando> comando = creaComando(QString::fromUtf8(c.comando), dati, nullptr);
        Percorsi::impostaCartellaProgramma(QString());
        ASSERT_NE(comando, nullptr);
        OpzioniTabella o;
        o.ingresso = ingresso;
        o.uscita = cartella.filePath(QStringLiteral("out.csv"));
        Registro registro;
        const Conclusione fine = eseguiTabella(*comando, o, registro);
        const Resoconto &r = fine.resoconto;
        const std::string messaggi = fine.problema.motivo.toStdString();
        QStringList tipi;
        for (const auto &[tipo, quante] : r.perEsito)
            tipi.append(tipo + u'=' + QString::number(quante));
        EXPECT_EQ(r.righe, c.righe) << c.tabella.toStdString() << messaggi;
        EXPECT_EQ(r.buone, c.buone) << c.tabella.toStdString();
        EXPECT_EQ(r.uscita, o.uscita);
        QList<QPair<QString, qint64>> attesi;
        for (const auto &[tipo, quante] : c.perEsito)
            attesi.append({QString::fromUtf8(tipo), quante});
        EXPECT_EQ(r.perEsito, attesi) << tipi.join(u'|').toStdString();
    }
}

// The columns as the window's boxes give them: an empty heading ("(nessuna)") leaves out a column the
// engine would find by its name; a required one left out, or a heading gone from the file, is a problem that
// names the column, the heading chosen and the header, for each front end to word.
TEST(Motore, ColonneScelte)
{
    using Tipo = Problema::Tipo;
    const struct {
        QList<QPair<QString, QString>> colonne;
        Stato stato;
        const char *uscita; // in the written table
        Tipo problema;
        const char *colonna, *scelta;
    } casi[] = {
        {{}, Stato::ConEsiti, "Mario;\"Cognome (BNC): diverso", Tipo::Nessuno, "", ""},
        {{{"cognome", ""}}, Stato::Fatto, "Mario;;M;01/01/1980;ROMA", Tipo::Nessuno, "", ""},
        {{{"cognome", "Nome"}}, Stato::ConEsiti, "Mario;\"Cognome (MRA): diverso", Tipo::Nessuno, "", ""},
        {{{"codice_fiscale", ""}}, Stato::Errore, "", Tipo::ColonnaMancante, "codice_fiscale", ""},
        {{{"cognome", "Cognome da nubile"}}, Stato::Errore, "", Tipo::ColonnaAssente, "cognome", "Cognome da nubile"},
        {{{"altezza", "nome"}}, Stato::Errore, "", Tipo::ColonnaSconosciuta, "altezza", ""},
    };
    Percorsi::impostaCartellaProgramma(kDati);
    DatiComandi dati;
    const std::unique_ptr<Comando> comando = creaComando(QStringLiteral("verifica"), dati, nullptr);
    Percorsi::impostaCartellaProgramma(QString());
    ASSERT_NE(comando, nullptr);
    for (const auto &c : casi) {
        QTemporaryDir cartella;
        OpzioniTabella o;
        o.ingresso = cartella.filePath(QStringLiteral("in.csv"));
        scrivi(o.ingresso, "codice_fiscale;cognome;nome\nRSSMRA80A01H501U;Bianchi;Mario\n");
        o.uscita = cartella.filePath(QStringLiteral("out.csv"));
        o.colonne = c.colonne;
        Registro registro;
        const Conclusione fine = eseguiTabella(*comando, o, registro);
        EXPECT_EQ(fine.stato, c.stato) << c.colonna;
        EXPECT_EQ(fine.problema.tipo, c.problema) << c.colonna;
        EXPECT_EQ(fine.problema.colonna, QString::fromUtf8(c.colonna));
        EXPECT_EQ(fine.problema.scelta, QString::fromUtf8(c.scelta));
        if (c.problema == Tipo::ColonnaMancante || c.problema == Tipo::ColonnaAssente) {
            EXPECT_EQ(fine.problema.file, o.ingresso);
            EXPECT_EQ(fine.problema.intestazione, (QStringList{"codice_fiscale", "cognome", "nome"}));
        }
        QFile uscita(o.uscita);
        EXPECT_EQ(uscita.open(QIODevice::ReadOnly), c.stato != Stato::Errore);
        const QByteArray scritta = uscita.readAll();
        EXPECT_TRUE(scritta.contains(c.uscita)) << scritta.toStdString();
    }
}

// The first look at a table, as the engine reads it: CSV in either encoding, sheets with their title row
// left out and their sheets listed; a file that cannot be read is a problem that says why in one line.
TEST(Motore, Anteprima)
{
    QTemporaryDir cartella;
    const QString utf8 = cartella.filePath(QStringLiteral("utf8.csv"));
    scrivi(utf8, "\n\n Cognome ;Nome;Città\nRossi;Mario;Forlì\n\nVerdi;\"Luca;Maria\";Roma\nBianchi;Anna;Bari\n");
    const QString cp1252 = cartella.filePath(QStringLiteral("cp1252.csv"));
    scrivi(cp1252, "Cognome,Citt\xE0\nNicol\xF2,Forl\xEC\n");
    const QString dati = QStringLiteral(SPORTELLO_SOURCE_DIR "/tests/tabelle/dati/");
    const QStringList intestazione = {"Cognome", "Nome", "Sesso", "Data di nascita", "Comune", "P.IVA", "Etichetta"};
    const QStringList fogli = {"Dipendenti", "Secondo"};
    const QStringList fogliCasi = {"Piede unito", "Titolo unito", "Righe unite", "Colonna sola"};
    const QStringList fornitori = {"Cognome", "Nome", "Partita IVA"};
    const QStringList piva = {"Partita IVA"};
    const QStringList rossi = {"Rossi", "Mario", "00743110157"};
    const QStringList bianchi = {"Bianchi", "Anna", "12345678903"};
    const QStringList verdi = {"Verdi", "Luca", "01234567890"};
    const struct {
        QString file, foglio;
        int righe;
        QStringList intestazione;
        QList<QStringList> attese;
        QStringList fogli;
        const char *errore;
    } casi[] = {
        {utf8,
         {},
         3,
         {"Cognome", "Nome", "Città"},
         {{"Rossi", "Mario", "Forlì"}, {}, {"Verdi", "Luca;Maria", "Roma"}},
         {},
         ""},
        {utf8, {}, 0, {"Cognome", "Nome", "Città"}, {}, {}, ""},
        {cp1252, {}, 5, {"Cognome", "Città"}, {{"Nicolò", "Forlì"}}, {}, ""},
        {dati + "dipendenti.xlsx",
         {},
         2,
         intestazione,
         {{"D'Angelo", "Nicolò", "M", "07/04/1968", "Forlì", "743110157", "D'Angelo Nicolò"}, {}},
         fogli,
         ""},
        {dati + "dipendenti.ods",
         {},
         1,
         intestazione,
         {{"D'Angelo", "Nicolò", "M", "07/04/1968", "Forlì", "743110157", "D'Angelo Nicolò"}},
         fogli,
         ""},
        {dati + "dipendenti-libxlsxwriter.xlsx",
         {},
         1,
         intestazione,
         {{"D'Angelo", "Nicolò", "M", "07/04/1968", "Forlì", "743110157", "D'Angelo Nicolò"}},
         {},
         ""},
        {dati + "dipendenti.ods", "Altro", 1, {}, {}, fogli, "il foglio \"Altro\" non esiste"},
        // Merged areas, and what only looks like them: the header found, no row lost.
        {dati + "casi.xlsx", "Piede unito", 4, fornitori, {rossi, bianchi, verdi, {"Totale: 3 fornitori"}}, fogliCasi, ""},
        {dati + "casi.xlsx", "Titolo unito", 1, fornitori, {rossi}, fogliCasi, ""},
        {dati + "casi.ods", "Titolo unito", 1, fornitori, {rossi}, fogliCasi, ""},
        {dati + "casi.xlsx", "Righe unite", 4, piva, {{"00743110157"}, {"12345678903"}, {}, {"01234567890"}}, fogliCasi, ""},
        {dati + "casi.ods", "Righe unite", 4, piva, {{"00743110157"}, {"12345678903"}, {}, {"01234567890"}}, fogliCasi, ""},
        {dati + "casi.xlsx", "Colonna sola", 2, piva, {{"00743110157"}, {"12345678903"}}, fogliCasi, ""},
        {dati + "dipendenti.xls", {}, 1, {}, {}, {}, "nel vecchio formato Excel (.xls)"},
        {cartella.filePath("nessuno.csv"), {}, 1, {}, {}, {}, "il file non esiste"},
        {cartella.path(), {}, 1, {}, {}, {}, "è una cartella"},
    };
    for (const auto &c : casi) {
        const Anteprima a = anteprima(c.file, c.foglio, c.righe);
        const std::string nome = (c.file + u' ' + c.foglio).toStdString();
        EXPECT_EQ(a.intestazione, c.intestazione) << nome;
        EXPECT_EQ(a.righe, c.attese) << nome;
        if (!c.fogli.isEmpty()) {
            EXPECT_EQ(a.fogli, c.fogli) << nome;
        }
        EXPECT_TRUE(a.problema.motivo.contains(QString::fromUtf8(c.errore)))
            << nome << ": " << a.problema.motivo.toStdString();
        EXPECT_EQ(a.problema.tipo == Problema::Tipo::Nessuno, *c.errore == 0) << nome;
        EXPECT_EQ(a.problema.file, *c.errore ? c.file : QString()) << nome;
        EXPECT_FALSE(a.problema.motivo.contains(u'\n')) << nome;
    }
}

namespace {

std::vector<Fogli::Riga> righeDi(const QString &percorso, const QString &foglio = {})
{
    Fogli::LettoreFoglio l;
    std::vector<Fogli::Riga> righe;
    EXPECT_TRUE(l.apri(percorso, foglio)) << l.errore().toStdString();
    Fogli::Riga r;
    while (l.leggiRiga(r))
        righe.push_back(r);
    EXPECT_TRUE(l.errore().isEmpty()) << l.errore().toStdString();
    return righe;
}

// A cell as "kind:visible text", the kind as LettoreFoglio reads it back.
std::string comeCella(const Fogli::Cella &c)
{
    return std::to_string(static_cast<int>(c.tipo)) + ':' + Fogli::testoVisibile(c).toStdString();
}

std::vector<std::vector<QString>> csvDi(const QString &percorso)
{
    QFile f(percorso);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    Csv::Lettore l(f);
    std::vector<std::vector<QString>> righe;
    Csv::Riga r;
    while (l.leggi(r)) {
        std::vector<QString> campi;
        for (QByteArrayView c : r.campi)
            campi.push_back(Csv::decodifica(c, l.codifica()));
        righe.push_back(campi);
    }
    return righe;
}

Conclusione esegui(const QString &nome, const QString &ingresso, const QString &uscita)
{
    Percorsi::impostaCartellaProgramma(kDati);
    DatiComandi dati;
    const std::unique_ptr<Comando> comando = creaComando(nome, dati, nullptr);
    Percorsi::impostaCartellaProgramma(QString());
    OpzioniTabella o;
    o.ingresso = ingresso;
    o.uscita = uscita;
    Registro registro;
    return eseguiTabella(*comando, o, registro);
}

} // namespace

// An .xlsx output read back: the input's cells with their kinds (from a sheet as they were, from a CSV as
// text, leading zeros kept), the command's columns as text with the values of the CSV output, empty rows in
// place, the sheet named as the one read, and the Riepilogo sheet with the run's summary. Run again on its
// own output, a command replaces its columns.
TEST(Motore, UscitaXlsx_RiletturaFedele)
{
    const QString dati = QStringLiteral(SPORTELLO_SOURCE_DIR "/tests/tabelle/dati/");
    QTemporaryDir cartella;
    const QString prima = cartella.filePath(QStringLiteral("prima.xlsx"));
    const struct {
        const char *comando;
        QString ingresso;
        QString uscita;
        bool daFoglio;
        int colonneNuove;
    } casi[] = {
        {"partita-iva", dati + "dipendenti.xlsx", prima, true, 2},
        {"partita-iva", prima, cartella.filePath("di nuovo.XLSX"), true, 0}, // its columns replaced in place
        {"comune", dati + "dipendenti.ods", cartella.filePath("comune.xlsx"), true, 8},
        {"partita-iva", dati + "dipendenti-libxlsxwriter.xlsx", cartella.filePath("b.xlsx"), true, 2},
        {"partita-iva", dati + "dipendenti.csv", cartella.filePath("da csv.xlsx"), false, 2},
    };
    for (const auto &c : casi) {
        const std::string nome = c.uscita.toStdString();
        const QString comeCsv = cartella.filePath(QStringLiteral("confronto.csv"));
        const Conclusione fine = esegui(QString::fromUtf8(c.comando), c.ingresso, c.uscita);
        const Resoconto &r = fine.resoconto;
        EXPECT_EQ(esegui(QString::fromUtf8(c.comando), c.ingresso, comeCsv).stato, fine.stato) << nome;
        const std::vector<std::vector<QString>> attese = csvDi(comeCsv);
        const std::vector<Fogli::Riga> scritte = righeDi(c.uscita);
        std::vector<Fogli::Riga> lette;
        if (c.daFoglio) {
            lette = righeDi(c.ingresso);
            while (!lette.empty() && (lette.front().celle.empty() || Fogli::rigaUnita(lette.front())))
                lette.erase(lette.begin()); // the title above the header
        }
        ASSERT_EQ(scritte.size(), attese.size()) << nome;
        const size_t colonneIngresso = attese[0].size() - size_t(c.colonneNuove);
        for (size_t i = 0; i < scritte.size(); ++i) {
            const std::vector<Fogli::Cella> &celle = scritte[i].celle;
            EXPECT_EQ(scritte[i].numero, qint64(i + 1)) << nome;
            ASSERT_LE(celle.size(), attese[i].size()) << nome << " riga " << i;
            for (size_t j = 0; j < attese[i].size(); ++j) {
                const Fogli::Cella cella = j < celle.size() ? celle[j] : Fogli::Cella();
                if (i == 0) { // the header, bold text
                    EXPECT_EQ(comeCella(cella), "1:" + attese[0][j].toStdString()) << nome;
                } else if (j < colonneIngresso && c.daFoglio) {
                    const Fogli::Cella originale = j < lette[i].celle.size() ? lette[i].celle[j] : Fogli::Cella();
                    EXPECT_EQ(comeCella(cella), comeCella(originale)) << nome << " riga " << i << " colonna " << j;
                } else { // text, as the CSV output has it
                    EXPECT_EQ(comeCella(cella), attese[i][j].isEmpty() ? "0:" : "1:" + attese[i][j].toStdString())
                        << nome << " riga " << i << " colonna " << j;
                }
            }
        }
        std::vector<std::string> riepilogo;
        for (const Fogli::Riga &riga : righeDi(c.uscita, QStringLiteral("Riepilogo"))) {
            std::string s;
            for (const Fogli::Cella &cella : riga.celle)
                s += comeCella(cella) + ' ';
            riepilogo.push_back(s);
        }
        std::vector<std::string> atteso = {"1:Righe 2:" + std::to_string(r.righe) + ' ',
                                           "1:Righe senza esito 2:" + std::to_string(r.buone) + ' '};
        for (const auto &[tipo, quante] : r.perEsito)
            atteso.push_back("1:" + tipo.toStdString() + " 2:" + std::to_string(quante) + ' ');
        EXPECT_EQ(riepilogo, atteso) << nome;
        // The first sheet named as the sheet read; from a CSV, as the writer names it.
        Fogli::LettoreFoglio letto, scritto;
        ASSERT_TRUE(scritto.apri(c.uscita)) << nome;
        EXPECT_EQ(scritto.nomeFoglio(), c.daFoglio && letto.apri(c.ingresso) ? letto.nomeFoglio() : "Sheet1") << nome;
        EXPECT_EQ(QFileInfo(c.uscita).permissions() & QFileDevice::ReadOwner, QFileDevice::ReadOwner);
    }
    // Nothing else left beside the outputs.
    EXPECT_EQ(QDir(cartella.path()).entryList(QDir::Files | QDir::Hidden).size(), 6);
}

// Date cells are dates: their day and month are not guessed, whatever the text cells of the column say
// about the order of theirs (here month first, which the text cell alone decides).
TEST(Motore, DateDelFoglioSenzaIndovinare)
{
    QTemporaryDir cartella;
    const QString ingresso = cartella.filePath(QStringLiteral("date.xlsx"));
    const struct {
        Fogli::Cella cella;
        const char *giornoPrima; // the same date as calcola reads it day first
    } righe[] = {
        {Fogli::Cella::diData(QDate(1980, 1, 2)), "02/01/1980"},
        {Fogli::Cella::diData(QDate(1975, 3, 4)), "04/03/1975"},
        {Fogli::Cella::diTesto(QStringLiteral("12/31/1990")), "31/12/1990"},
        {Fogli::Cella::diData(QDate(2001, 12, 11), QTime(10, 30)), "11/12/2001"},
    };
    {
        Fogli::ScrittoreXlsx s(ingresso);
        ASSERT_TRUE(s.apri({"Cognome", "Nome", "Sesso", "Data di nascita", "Comune", "Provincia"}));
        for (const auto &r : righe) {
            ASSERT_TRUE(s.scriviRiga({Fogli::Cella::diTesto("Rossi"), Fogli::Cella::diTesto("Mario"),
                                      Fogli::Cella::diTesto("M"), r.cella, Fogli::Cella::diTesto("Roma"),
                                      Fogli::Cella::diTesto("RM")}));
        }
        ASSERT_TRUE(s.chiudi());
    }
    Percorsi::impostaCartellaProgramma(kDati);
    DatiComandi dati;
    const std::unique_ptr<Comando> comando = creaComando(QStringLiteral("calcola"), dati, nullptr);
    const std::unique_ptr<Comando> campione = creaComando(QStringLiteral("calcola"), dati, nullptr);
    Percorsi::impostaCartellaProgramma(QString());
    OpzioniTabella o;
    o.ingresso = ingresso;
    o.uscita = cartella.filePath(QStringLiteral("out.csv"));
    Registro registro;
    ASSERT_EQ(eseguiTabella(*comando, o, registro).stato, Stato::Fatto);
    ASSERT_EQ(registro.avvisi.size(), 1u);
    EXPECT_EQ(registro.avvisi[0].tipo, Avviso::Tipo::DateMesePrima);
    EXPECT_EQ(registro.avvisi[0].colonna, QStringLiteral("Data di nascita"));
    EXPECT_EQ(registro.avvisi[0].esempioMese, QStringLiteral("12/31/1990"));
    const auto scritte = csvDi(o.uscita);
    ASSERT_EQ(scritte.size(), std::size(righe) + 1);
    for (size_t i = 0; i < std::size(righe); ++i) {
        const QString atteso = campione->elaboraTesti({"Rossi", "Mario", "M", righe[i].giornoPrima, "Roma", "RM"})[0];
        EXPECT_EQ(scritte[i + 1][6], atteso) << righe[i].giornoPrima;
    }
}

// A column whose first thousand values are date cells is a column of dates: a text date further down is
// read day first, as Italian sheets write them, and the sheet is not read a second time for it. A text date
// among the first rows makes the whole column count, as in a CSV.
TEST(Motore, DateDelFoglio_ColonnaDiDate)
{
    const struct {
        int posto; // of the text date "12/31/1990" among 1,100 rows
        bool mesePrima;
    } casi[] = {{1050, false}, {500, true}, {0, true}};
    for (const auto &c : casi) {
        QTemporaryDir cartella;
        const QString ingresso = cartella.filePath(QStringLiteral("date.xlsx"));
        {
            Fogli::ScrittoreXlsx s(ingresso);
            ASSERT_TRUE(s.apri({"Cognome", "Nome", "Sesso", "Data di nascita", "Comune", "Provincia"}));
            for (int i = 0; i < 1100; ++i) {
                const Fogli::Cella data = i == c.posto ? Fogli::Cella::diTesto(QStringLiteral("12/31/1990"))
                                                       : Fogli::Cella::diData(QDate(1980, 1, 2));
                ASSERT_TRUE(s.scriviRiga({Fogli::Cella::diTesto("Rossi"), Fogli::Cella::diTesto("Mario"),
                                          Fogli::Cella::diTesto("M"), data, Fogli::Cella::diTesto("Roma"),
                                          Fogli::Cella::diTesto("RM")}));
            }
            ASSERT_TRUE(s.chiudi());
        }
        Percorsi::impostaCartellaProgramma(kDati);
        DatiComandi dati;
        const std::unique_ptr<Comando> comando = creaComando(QStringLiteral("calcola"), dati, nullptr);
        Percorsi::impostaCartellaProgramma(QString());
        OpzioniTabella o;
        o.ingresso = ingresso;
        o.uscita = cartella.filePath(QStringLiteral("out.csv"));
        Registro registro;
        EXPECT_EQ(eseguiTabella(*comando, o, registro).stato, c.mesePrima ? Stato::Fatto : Stato::ConEsiti) << c.posto;
        EXPECT_EQ(registro.avvisi.size(), c.mesePrima ? 1u : 0u) << c.posto;
        const auto scritte = csvDi(o.uscita);
        ASSERT_EQ(scritte.size(), 1101u);
        EXPECT_EQ(scritte[1 + (c.posto == 0 ? 1 : 0)][6], QStringLiteral("RSSMRA80A02H501Z")) << c.posto;
        EXPECT_EQ(scritte[size_t(c.posto) + 1][7].isEmpty(), c.mesePrima) << c.posto;
    }
}

// The rows of a sheet come from the thread that reads it as they are and in order, empty rows in place,
// through the bounded queue however many there are; a reading stopped early ends its thread.
TEST(Motore, FoglioLettoInUnFiloASe)
{
    QTemporaryDir cartella;
    const QString file = cartella.filePath(QStringLiteral("righe.xlsx"));
    {
        Fogli::ScrittoreXlsx s(file);
        ASSERT_TRUE(s.apri({QStringLiteral("numero"), QStringLiteral("testo")}));
        for (int i = 0; i < 6000; ++i) {
            if (i % 1000 == 999)
                ASSERT_TRUE(s.scriviRiga({}));
            else
                ASSERT_TRUE(s.scriviRiga({Fogli::Cella::diNumero(i), Fogli::Cella::diTesto(QString::number(i * 7))}));
        }
        ASSERT_TRUE(s.chiudi());
    }
    const auto leggi = [&](bool filo, qint64 quante) {
        SorgenteFoglio sorgente(filo);
        EXPECT_TRUE(sorgente.apri(file, QString())) << sorgente.errore().toStdString();
        QStringList righe;
        Riga riga;
        while (righe.size() < quante && sorgente.leggi(riga)) {
            QString testo = QString::number(riga.csv.numero) + u':';
            for (qsizetype i = 0; i < riga.campi(); ++i)
                testo += QString::fromUtf8(riga.testo(i)) + u'|';
            righe.append(testo);
        }
        EXPECT_TRUE(sorgente.errore().isEmpty());
        return righe;
    };
    const QStringList inUnFilo = leggi(true, 10000);
    ASSERT_EQ(inUnFilo.size(), 6000); // the header and every row but the last, empty, which the file lacks
    EXPECT_EQ(inUnFilo, leggi(false, 10000));
    EXPECT_EQ(inUnFilo[1000], QStringLiteral("1001:"));
    EXPECT_EQ(inUnFilo[5999], QStringLiteral("6000:5998|41986|"));
    QElapsedTimer orologio;
    orologio.start();
    EXPECT_EQ(leggi(true, 300).size(), 300);
    EXPECT_LT(orologio.elapsed(), 10000);
}
