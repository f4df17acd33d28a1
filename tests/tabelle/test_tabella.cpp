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
    EXPECT_TRUE(verifica->elabora({QStringLiteral("RSSMRA80A01H501U"), {}, {}})[0].isEmpty());
    EXPECT_EQ(comune->elabora({QStringLiteral("Roma"), {}, {}})[0], QStringLiteral("ROMA"));
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
    QStringList elabora(const QStringList &) const override
    {
        if (++m_righe == fermaA && annulla)
            annulla->store(true);
        if (attesaMs > 0)
            QThread::msleep(attesaMs);
        return {QString()};
    }
    std::atomic<bool> *annulla = nullptr;
    qint64 fermaA = -1;
    unsigned long attesaMs = 0;
    mutable qint64 m_righe = 0;
};

QByteArray tabellaDi(int righe)
{
    QByteArray t = "valore\n";
    for (int i = 0; i < righe; ++i)
        t += QByteArray::number(i) + '\n';
    return t;
}

} // namespace

// Cancelled before the run, early in it or late: the run returns kAnnullato within a few hundred rows and
// leaves nothing under the output name, not even a temporary file; an output already there stays as it was.
TEST(Motore, Annullato_NienteScritto)
{
    const struct {
        qint64 fermaA; // 0: set before the run
        bool giaPresente;
    } casi[] = {{0, false}, {1, false}, {5000, false}, {19999, true}, {0, true}};
    for (const auto &c : casi) {
        QTemporaryDir cartella;
        const QString ingresso = cartella.filePath(QStringLiteral("in.csv"));
        const QString uscita = cartella.filePath(QStringLiteral("out.csv"));
        scrivi(ingresso, tabellaDi(20000));
        if (c.giaPresente)
            scrivi(uscita, "da non toccare");
        std::atomic<bool> annulla{c.fermaA == 0};
        Lento lento;
        lento.annulla = &annulla;
        lento.fermaA = c.fermaA;
        OpzioniTabella o;
        o.ingresso = ingresso;
        o.uscita = uscita;
        o.comando = QStringLiteral("lento");
        o.annullato = &annulla;
        Resoconto r;
        r.righe = -1;
        o.resoconto = &r;
        const int stato = eseguiTabella(lento, o, [](const QString &) {});
        EXPECT_EQ(stato, kAnnullato) << c.fermaA;
        EXPECT_LE(lento.m_righe, qMax<qint64>(c.fermaA, 0) + 300) << c.fermaA;
        EXPECT_EQ(r.righe, -1) << c.fermaA; // no summary of a run that did not end
        const QStringList attesi = c.giaPresente ? QStringList{"in.csv", "out.csv"} : QStringList{"in.csv"};
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
        o.comando = QStringLiteral("lento");
        struct Chiamata {
            qint64 righe;
            double frazione;
            qint64 ms;
        };
        std::vector<Chiamata> chiamate;
        QElapsedTimer orologio;
        orologio.start();
        o.progresso = [&](qint64 righe, double frazione) { chiamate.push_back({righe, frazione, orologio.elapsed()}); };
        ASSERT_EQ(eseguiTabella(lento, o, [](const QString &) {}), kTuttoBene);
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
         "partita_iva;nome\n12345670017;a\n12345670018;b\n\n123;c\n;totale\n1234567001;d\n12345670019;e\n",
         5,
         1,
         {{"Errore", 2}, {"Errore! L'ultimo numero doveva essere", 2}}}, // a tie: by name
        {"calcola",
         "cognome;nome;sesso;data_nascita;comune;provincia\nRossi;Mario;M;01/01/1980;Roma;RM\n"
         "Rossi;Mario;M;01/01/1980;Atlantide;RM\nRossi;Mario;M;01/01/1980;Roma;RM\n;;;;;\n"
         "Verdi;Luca;M;01/01/1980;Atlantide;XX\n\"Bianchi;Anna\n",
         5,
         2,
         {{"Comune non trovato", 2}, {"Riga non valida", 1}}},
        {"partita-iva", "partita_iva\n", 0, 0, {}},
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
        o.comando = QString::fromUtf8(c.comando);
        Resoconto r;
        o.resoconto = &r;
        QString messaggi;
        eseguiTabella(*comando, o, [&](const QString &m) { messaggi += m; });
        QStringList tipi;
        for (const auto &[tipo, quante] : r.perEsito)
            tipi.append(tipo + u'=' + QString::number(quante));
        EXPECT_EQ(r.righe, c.righe) << c.tabella.toStdString() << messaggi.toStdString();
        EXPECT_EQ(r.buone, c.buone) << c.tabella.toStdString();
        EXPECT_EQ(r.uscita, o.uscita);
        QList<QPair<QString, qint64>> attesi;
        for (const auto &[tipo, quante] : c.perEsito)
            attesi.append({QString::fromUtf8(tipo), quante});
        EXPECT_EQ(r.perEsito, attesi) << tipi.join(u'|').toStdString();
    }
}

// The columns as the window's boxes give them: an empty heading ("(nessuna)") leaves out a column the
// engine would find by its name; a required one left out is said without command-line advice there.
TEST(Motore, ColonneScelte)
{
    const struct {
        QList<QPair<QString, QString>> colonne;
        bool finestra;
        int stato;
        const char *uscita;   // in the written table
        const char *messaggio; // in the messages
    } casi[] = {
        {{}, true, kRigheConEsito, "Mario;\"Cognome (BNC): diverso", ""},
        {{{"cognome", ""}}, true, kTuttoBene, "Mario;;M;01/01/1980;ROMA", ""},
        {{{"cognome", "Nome"}}, true, kRigheConEsito, "Mario;\"Cognome (MRA): diverso", ""},
        {{{"codice_fiscale", ""}}, true, kErroreUso, "", "manca la colonna «codice_fiscale»: sceglierla tra le colonne"},
        {{{"codice_fiscale", ""}}, false, kErroreUso, "", "--colonna codice_fiscale=INTESTAZIONE"},
        {{{"cognome", "Cognome da nubile"}}, true, kErroreUso, "", "non c'è più la colonna «Cognome da nubile»"},
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
        o.comando = QStringLiteral("verifica");
        o.colonne = c.colonne;
        o.finestra = c.finestra;
        QString messaggi;
        EXPECT_EQ(eseguiTabella(*comando, o, [&](const QString &m) { messaggi += m; }), c.stato) << messaggi.toStdString();
        EXPECT_TRUE(messaggi.contains(QString::fromUtf8(c.messaggio))) << messaggi.toStdString();
        EXPECT_EQ(messaggi.contains(QStringLiteral("--colonna")), !c.finestra && c.stato == kErroreUso);
        QFile uscita(o.uscita);
        EXPECT_EQ(uscita.open(QIODevice::ReadOnly), c.stato != kErroreUso);
        const QByteArray scritta = uscita.readAll();
        EXPECT_TRUE(scritta.contains(c.uscita)) << scritta.toStdString();
    }
}

// The first look at a table, as the engine reads it: CSV in either encoding, sheets with their title row
// left out and their sheets listed; a file that cannot be read says why in one line.
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
        {dati + "dipendenti.xls", {}, 1, {}, {}, {}, "nel vecchio formato Excel (.xls)"},
        {cartella.filePath("nessuno.csv"), {}, 1, {}, {}, {}, "nessuno.csv»: il file non esiste"},
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
        EXPECT_TRUE(a.errore.contains(QString::fromUtf8(c.errore))) << nome << ": " << a.errore.toStdString();
        EXPECT_EQ(a.errore.isEmpty(), *c.errore == 0) << nome;
        EXPECT_FALSE(a.errore.contains(u'\n')) << nome;
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

int esegui(const QString &nome, const QString &ingresso, const QString &uscita, Resoconto *resoconto = nullptr)
{
    Percorsi::impostaCartellaProgramma(kDati);
    DatiComandi dati;
    const std::unique_ptr<Comando> comando = creaComando(nome, dati, nullptr);
    Percorsi::impostaCartellaProgramma(QString());
    OpzioniTabella o;
    o.ingresso = ingresso;
    o.uscita = uscita;
    o.comando = nome;
    o.resoconto = resoconto;
    return eseguiTabella(*comando, o, [](const QString &) {});
}

} // namespace

// An .xlsx output read back: the input's cells with their kinds (from a sheet as they were, from a CSV as
// text, leading zeros kept), the command's columns as text with the values of the CSV output, empty rows in
// place, and the Riepilogo sheet with the run's summary. Run again on its own output, a command replaces its
// columns.
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
        Resoconto r;
        const int stato = esegui(QString::fromUtf8(c.comando), c.ingresso, c.uscita, &r);
        EXPECT_EQ(esegui(QString::fromUtf8(c.comando), c.ingresso, comeCsv), stato) << nome;
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
    o.comando = QStringLiteral("calcola");
    QString messaggi;
    ASSERT_EQ(eseguiTabella(*comando, o, [&](const QString &m) { messaggi += m; }), kTuttoBene)
        << messaggi.toStdString();
    EXPECT_TRUE(messaggi.contains(u"mese prima del giorno")) << messaggi.toStdString();
    const auto scritte = csvDi(o.uscita);
    ASSERT_EQ(scritte.size(), std::size(righe) + 1);
    for (size_t i = 0; i < std::size(righe); ++i) {
        const QString atteso = campione->elabora({"Rossi", "Mario", "M", righe[i].giornoPrima, "Roma", "RM"})[0];
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
        o.comando = QStringLiteral("calcola");
        QString messaggi;
        const int stato = eseguiTabella(*comando, o, [&](const QString &m) { messaggi += m; });
        EXPECT_EQ(stato, c.mesePrima ? kTuttoBene : kRigheConEsito) << c.posto;
        EXPECT_EQ(messaggi.contains(u"mese prima del giorno"), c.mesePrima) << messaggi.toStdString();
        const auto scritte = csvDi(o.uscita);
        ASSERT_EQ(scritte.size(), 1101u);
        EXPECT_EQ(scritte[1 + (c.posto == 0 ? 1 : 0)][6], QStringLiteral("RSSMRA80A02H501Z")) << c.posto;
        EXPECT_EQ(scritte[size_t(c.posto) + 1][7].isEmpty(), c.mesePrima) << c.posto;
    }
}
