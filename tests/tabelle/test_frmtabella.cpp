// The window "Elabora Tabella" with the real engine, from the keyboard: files of the office exports and a
// large generated table in a temporary directory.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMimeData>
#include <QScrollBar>
#include <QTest>
#include <QUrl>

#include "frmmain.h"
#include "frmtabella.h"
#include "generapersone.h"
#include "supporto.h"
#include "tabella.h"

namespace {

const QString kEsportazioni = QStringLiteral(SPORTELLO_SOURCE_DIR "/tests/tabelle/esportazioni/");
constexpr int kAttesa = 60000;

// The program's data files beside a stand-in program directory, messages recorded, the window open.
class FinestraTabella : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (const char *nome : {"codes.dat", "codes.cf", "luoghi.dat"})
            QFile::copy(QStringLiteral(SPORTELLO_SOURCE_DIR "/data/") + QLatin1String(nome),
                        programma.file(QLatin1String(nome)));
        ASSERT_TRUE(apriPerProva(f));
    }

    // A fixture copied into the work directory.
    QString copia(const QString &fixture, const QString &nome)
    {
        QString destinazione = lavoro.filePath(nome);
        EXPECT_TRUE(QFile::copy(kEsportazioni + fixture, destinazione));
        return destinazione;
    }

    void scrivi(const QString &nome, const QByteArray &byte)
    {
        QFile file(lavoro.filePath(nome));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(byte);
    }

    // Types the path into the file box and Return, as the user does.
    // A table of `righe` generated people, long enough for a run to be caught while it goes.
    bool scriviPersone(const QString &nome, qint64 righe)
    {
        Generatore::Opzioni opzioni;
        opzioni.righe = righe;
        QByteArray tabella;
        if (!Generatore::persone(programma.file(QStringLiteral("codes.dat")), opzioni,
                                 [&tabella](const QByteArray &pezzo) { tabella += pezzo; }))
            return false;
        scrivi(nome, tabella);
        return true;
    }

    // The preview is read in a thread of its own: this waits for it.
    void digitaFile(const QString &percorso)
    {
        f.txtFile->setFocus();
        QTest::keyClicks(f.txtFile, QDir::toNativeSeparators(percorso));
        QTest::keyClick(f.txtFile, Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT(!f.inLettura(), kAttesa);
    }

    void scegliOperazione(const QString &voce)
    {
        f.cboOperazione->setFocus();
        QTest::keyClick(f.cboOperazione, Qt::Key_Home);
        for (int i = 0; i < f.cboOperazione->count() && f.cboOperazione->currentText() != voce; ++i)
            QTest::keyClick(f.cboOperazione, Qt::Key_Down);
        ASSERT_EQ(f.cboOperazione->currentText(), voce);
    }

    // Elabora by its access key, or Return on the control that has the keyboard.
    ::testing::AssertionResult elaboraEAttendi(bool conInvio = false)
    {
        if (conInvio)
            QTest::keyClick(f.focusWidget(), Qt::Key_Return);
        else
            QTest::keyClick(&f, Qt::Key_E, Qt::AltModifier);
        if (!QTest::qWaitFor([this] { return f.inCorso(); }, 2000) && f.lblRiepilogo->text().isEmpty())
            return ::testing::AssertionFailure() << "the run did not start";
        if (!QTest::qWaitFor([this] { return !f.inCorso(); }, kAttesa))
            return ::testing::AssertionFailure() << "the run did not end";
        return ::testing::AssertionSuccess();
    }

    QStringList nomiNellaCartella() const { return QDir(lavoro.path()).entryList(QDir::Files, QDir::Name); }

    CartellaProgrammaFinta programma;
    QTemporaryDir lavoro;
    RegistroMessaggi registro;
    frmTabella f;
};

QString testoMessaggi(const RegistroMessaggi &registro)
{
    QStringList testi;
    for (const Modulo1::Messaggio &m : registro.messaggi())
        testi << m.testo;
    return testi.join(u'|');
}

} // namespace

TEST(frmTabellaNomi, IlRisultatoVaAccantoAllIngresso)
{
    const struct {
        const char *ingresso;
        const char *uscita;
    } casi[] = {
        {"/tmp/dipendenti.csv", "/tmp/dipendenti - risultati.xlsx"},
        {"/tmp/dipendenti.xlsx", "/tmp/dipendenti - risultati.xlsx"},
        {"/tmp/a/fornitori 2026.ods", "/tmp/a/fornitori 2026 - risultati.xlsx"},
        {"/tmp/elenco.2026.csv", "/tmp/elenco.2026 - risultati.xlsx"},
        {"/tmp/senza", "/tmp/senza - risultati.xlsx"},
    };
    for (const auto &c : casi)
        EXPECT_EQ(frmTabella::nomeRisultato(QString::fromUtf8(c.ingresso)), QString::fromUtf8(c.uscita)) << c.ingresso;
}

TEST_F(FinestraTabella, StatoAllApertura)
{
    EXPECT_EQ(f.windowTitle(), QStringLiteral("Elabora Tabella"));
    const QStringList operazioni{"Calcola codice fiscale", "Verifica codice fiscale", "Controlla partita IVA",
                                 "Cerca comune"};
    ASSERT_EQ(f.cboOperazione->count(), operazioni.size());
    for (int i = 0; i < operazioni.size(); ++i)
        EXPECT_EQ(f.cboOperazione->itemText(i), operazioni[i]);
    EXPECT_FALSE(f.cmdAnnulla->isVisible());
    EXPECT_FALSE(f.cmdApri->isVisible());
    EXPECT_FALSE(f.cmdElabora->isEnabled()); // nothing to run on yet
    EXPECT_EQ(f.focusWidget(), f.txtFile);
    EXPECT_EQ(f.tblAnteprima->editTriggers(), QAbstractItemView::NoEditTriggers);
}

// Every caption has an access key, and no two captions share one, whatever the operation's columns.
TEST_F(FinestraTabella, TastiDiAccessoDistintiPerOgniOperazione)
{
    for (int operazione = 0; operazione < f.cboOperazione->count(); ++operazione) {
        f.cboOperazione->setCurrentIndex(operazione);
        f.cboOperazione_Click();
        QStringList tasti;
        for (const QWidget *w : f.findChildren<QWidget *>()) {
            QString testo;
            if (const auto *l = qobject_cast<const QLabel *>(w); l && l->buddy())
                testo = l->text();
            else if (const auto *b = qobject_cast<const QAbstractButton *>(w))
                testo = b->text();
            if (!w->isVisibleTo(&f) || testo.isEmpty())
                continue;
            const qsizetype posto = testo.indexOf(QLatin1Char('&'));
            ASSERT_GE(posto, 0) << w->objectName().toStdString() << " " << testo.toStdString();
            const QString tasto = testo.mid(posto + 1, 1).toLower();
            EXPECT_FALSE(tasti.contains(tasto))
                << testo.toStdString() << " in " << f.cboOperazione->itemText(operazione).toStdString();
            tasti << tasto;
        }
    }
}

TEST_F(FinestraTabella, DallaTastieraFinoAlRiepilogo)
{
    const QString ingresso = copia(QStringLiteral("dipendenti-utf8.csv"), QStringLiteral("dipendenti.csv"));
    digitaFile(ingresso);
    ASSERT_EQ(testoMessaggi(registro), QString());
    // The header shows in the preview, and Return moved on to the operation.
    EXPECT_EQ(f.focusWidget(), f.cboOperazione);
    ASSERT_GT(f.tblAnteprima->columnCount(), 0);
    EXPECT_EQ(f.tblAnteprima->horizontalHeaderItem(1)->text(), QStringLiteral("Cognome"));
    EXPECT_EQ(f.txtUscita->text(),
              QDir::toNativeSeparators(lavoro.filePath(QStringLiteral("dipendenti - risultati.xlsx"))));

    QTest::keyClick(f.cboOperazione, Qt::Key_Down);
    QTest::keyClick(f.cboOperazione, Qt::Key_Up);
    ASSERT_EQ(f.cboOperazione->currentText(), QStringLiteral("Calcola codice fiscale"));
    // The columns found by their usual names.
    EXPECT_EQ(f.cboColonna[0]->currentText(), QStringLiteral("Cognome"));
    EXPECT_EQ(f.cboColonna[3]->currentText(), QStringLiteral("Data di nascita"));

    ASSERT_TRUE(elaboraEAttendi());
    EXPECT_EQ(testoMessaggi(registro), QString());
    EXPECT_TRUE(f.lblRiepilogo->text().startsWith(QStringLiteral("Righe: "))) << f.lblRiepilogo->text().toStdString();
    EXPECT_TRUE(f.lblRiepilogo->accessibleName().startsWith(QStringLiteral("Riepilogo: Righe: ")));
    const QString uscita = lavoro.filePath(QStringLiteral("dipendenti - risultati.xlsx"));
    EXPECT_TRUE(QFileInfo::exists(uscita));
    QFile file(uscita);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.read(2) == "PK") << "not an .xlsx";
    EXPECT_TRUE(f.cmdApri->isVisible());

    QString aperto;
    frmTabella::impostaApertura([&aperto](const QString &percorso) { aperto = percorso; });
    QTest::keyClick(&f, Qt::Key_I, Qt::AltModifier);
    QTRY_COMPARE(aperto, uscita);
    frmTabella::impostaApertura({});
}

// The summary names every kind of esito with its rows, and scrolls when they do not fit.
TEST_F(FinestraTabella, IlRiepilogoHaOgniTipoDiEsito)
{
    scrivi(QStringLiteral("codici.csv"), "codice_fiscale;cognome\nRSSMRA80A01H501\n1SSMRA80A01H501U\n"
                                         "RSSMRA8XA01H501U\nRSSMRA80Z01H501U\nRSSMRA80A00H501U\nRSSMRA81B29H501U\n"
                                         "RSSMRA80A01H501A\nRSSMRA80A01H501U;Bianchi\nRSSMRA80A01H501U;Bianchi\n"
                                         "RSSMRA80A01H501U;Rossi\n");
    digitaFile(lavoro.filePath(QStringLiteral("codici.csv")));
    scegliOperazione(QStringLiteral("Verifica codice fiscale"));
    ASSERT_TRUE(elaboraEAttendi());
    const QStringList righe = f.lblRiepilogo->text().split(u'\n');
    EXPECT_EQ(righe.value(0), QStringLiteral("Righe: 10, corrette: 1, con esito: 9"));
    // The invalid characters at three places are one kind.
    const QStringList attese = {"Carattere non valido in posizione \u2026: 3",
                                "Cognome: 2",
                                "Carattere di controllo errato: 1",
                                "Data di nascita inesistente: 1",
                                "Giorno di nascita non valido: 1",
                                "Lunghezza errata: 1"};
    EXPECT_EQ(righe.mid(1), attese);
    QTRY_VERIFY(f.scrRiepilogo->verticalScrollBar()->maximum() > 0);
    EXPECT_EQ(f.scrRiepilogo->accessibleName(), QStringLiteral("Riepilogo"));
}

// A large table: Annulla stops the run, nothing is left in the folder, and the window works again.
TEST_F(FinestraTabella, AnnullaNonLasciaNulla)
{
    ASSERT_TRUE(scriviPersone(QStringLiteral("persone.csv"), 400000));
    digitaFile(lavoro.filePath(QStringLiteral("persone.csv")));
    ASSERT_EQ(testoMessaggi(registro), QString());

    QTest::keyClick(&f, Qt::Key_E, Qt::AltModifier);
    // The access key clicks a moment after the key.
    QTRY_VERIFY(f.inCorso());
    // While it runs, only Annulla works.
    EXPECT_FALSE(f.txtFile->isEnabled());
    EXPECT_FALSE(f.cboOperazione->isEnabled());
    EXPECT_FALSE(f.cmdElabora->isEnabled());
    EXPECT_TRUE(f.cmdAnnulla->isVisible());
    EXPECT_EQ(f.focusWidget(), f.cmdAnnulla);
    QTRY_VERIFY_WITH_TIMEOUT(f.barAvanzamento->value() > 0 || !f.inCorso(), kAttesa);
    ASSERT_TRUE(f.inCorso()) << "the run ended before it could be cancelled";
    QTest::keyClick(&f, Qt::Key_A, Qt::AltModifier);
    QTRY_VERIFY_WITH_TIMEOUT(!f.inCorso(), kAttesa);

    EXPECT_EQ(nomiNellaCartella(), QStringList{QStringLiteral("persone.csv")});
    EXPECT_EQ(f.lblRiepilogo->text(), QStringLiteral("Elaborazione annullata: nessun file scritto."));
    EXPECT_TRUE(f.txtFile->isEnabled());
    EXPECT_TRUE(f.cmdElabora->isEnabled());
    EXPECT_FALSE(f.cmdAnnulla->isVisible());
    EXPECT_FALSE(f.cmdApri->isVisible());
    EXPECT_EQ(f.focusWidget(), f.cmdElabora);
}

// Closing the window during a run cancels it: nothing written.
TEST_F(FinestraTabella, ChiudereDuranteLElaborazioneLAnnulla)
{
    ASSERT_TRUE(scriviPersone(QStringLiteral("persone.csv"), 400000));
    digitaFile(lavoro.filePath(QStringLiteral("persone.csv")));
    QTest::keyClick(&f, Qt::Key_E, Qt::AltModifier);
    QTRY_VERIFY(f.inCorso());
    QTest::keyClick(&f, Qt::Key_W, Qt::ControlModifier);
    EXPECT_FALSE(f.inCorso());
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(nomiNellaCartella(), QStringList{QStringLiteral("persone.csv")});
}

TEST_F(FinestraTabella, SovrascritturaConfermataOppureNo)
{
    const QString ingresso = copia(QStringLiteral("dipendenti-utf8.csv"), QStringLiteral("dipendenti.csv"));
    const QString uscita = lavoro.filePath(QStringLiteral("dipendenti - risultati.xlsx"));
    scrivi(QStringLiteral("dipendenti - risultati.xlsx"), "vecchio");
    digitaFile(ingresso);

    const struct {
        int risposta; // 6 Yes, 7 No
        bool sostituito;
    } casi[] = {{7, false}, {6, true}};
    for (const auto &c : casi) {
        registro.svuota();
        registro.accoda(c.risposta);
        QTest::keyClick(&f, Qt::Key_E, Qt::AltModifier);
        QTRY_VERIFY(registro.conta() >= 1);
        QTRY_VERIFY_WITH_TIMEOUT(!f.inCorso(), kAttesa);
        EXPECT_EQ(registro.messaggi().front().testo,
                  QStringLiteral("Il file «%1» esiste già. Sostituirlo?").arg(QDir::toNativeSeparators(uscita)));
        EXPECT_EQ(registro.messaggi().front().stile, 4 + 32);
        QFile file(uscita);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll() != "vecchio", c.sostituito) << c.risposta;
    }
}

// The column chosen in the box is the one the engine reads: the place of residence instead of birth.
TEST_F(FinestraTabella, LaColonnaSceltaArrivaAlMotore)
{
    scrivi(QStringLiteral("sedi.csv"), "comune;residenza\nRoma;Milano\n");
    digitaFile(lavoro.filePath(QStringLiteral("sedi.csv")));
    scegliOperazione(QStringLiteral("Cerca comune"));
    ASSERT_TRUE(f.cboColonna[0]->isVisibleTo(&f));
    EXPECT_EQ(f.cboColonna[0]->currentText(), QStringLiteral("comune"));
    // From the keyboard: its label's access key, then the arrow.
    const QString caption = f.lblColonna[0]->text();
    const QChar tasto = caption.at(caption.indexOf(u'&') + 1).toUpper();
    QTest::keyClick(&f, static_cast<Qt::Key>(tasto.unicode()), Qt::AltModifier);
    QTRY_COMPARE(f.focusWidget(), f.cboColonna[0]);
    QTest::keyClick(f.cboColonna[0], Qt::Key_Down);
    ASSERT_EQ(f.cboColonna[0]->currentText(), QStringLiteral("residenza"));
    ASSERT_TRUE(elaboraEAttendi());
    ASSERT_EQ(testoMessaggi(registro), QString());

    const Tabelle::Anteprima risultato =
        Tabelle::anteprima(lavoro.filePath(QStringLiteral("sedi - risultati.xlsx")), QString(), 5);
    ASSERT_EQ(risultato.problema.tipo, Tabelle::Problema::Tipo::Nessuno);
    ASSERT_EQ(risultato.righe.size(), 1);
    EXPECT_TRUE(risultato.righe.front().join(u';').contains(QStringLiteral("MILANO")))
        << risultato.righe.front().join(u';').toStdString();
    EXPECT_FALSE(risultato.righe.front().join(u';').contains(QStringLiteral("ROMA")));

    // A needed column left out: the window says to choose it, in its own words; nothing is written.
    scegliOperazione(QStringLiteral("Controlla partita IVA"));
    ASSERT_EQ(f.cboColonna[0]->currentText(), QStringLiteral("(nessuna)"));
    registro.accoda(6); // the result is there already: replace it
    ASSERT_TRUE(elaboraEAttendi());
    ASSERT_EQ(registro.conta(), 2);
    EXPECT_EQ(registro.messaggi().back().testo,
              QStringLiteral("Nel file «%1» manca la colonna «partita_iva»: sceglierla tra le colonne del file")
                  .arg(QDir::toNativeSeparators(lavoro.filePath(QStringLiteral("sedi.csv")))));
    EXPECT_EQ(f.lblRiepilogo->text(), QStringLiteral("Nessun risultato."));
}

// A title above the header, residence beside birth: the window finds the header and the birth columns, and the
// header row chosen from the keyboard is the one the run takes.
TEST_F(FinestraTabella, LaRigaDIntestazioneDallaTastiera)
{
    scrivi(QStringLiteral("titolo.csv"), "Ditta Rossi;;;;;;;\n;;;;;;;\n"
                                         "Cognome;Nome;Sesso;Data di nascita;Comune;Provincia;Comune di nascita;"
                                         "Provincia di nascita\nRossi;Mario;M;01/01/1980;Fiumicino;RM;Roma;RM\n");
    digitaFile(lavoro.filePath(QStringLiteral("titolo.csv")));
    ASSERT_EQ(testoMessaggi(registro), QString());
    EXPECT_EQ(f.spnIntestazione->value(), 3);
    EXPECT_EQ(f.cboColonna[4]->currentText(), QStringLiteral("Comune di nascita"));
    EXPECT_EQ(f.tblAnteprima->verticalHeaderItem(0)->text(), QStringLiteral("4"));
    QTest::keyClick(&f, Qt::Key_T, Qt::AltModifier);
    QTRY_COMPARE(f.focusWidget(), f.spnIntestazione);
    QTest::keyClick(f.spnIntestazione, Qt::Key_Up);
    EXPECT_EQ(f.tblAnteprima->horizontalHeaderItem(0)->text(), QStringLiteral("Rossi"));
    EXPECT_EQ(f.cboColonna[0]->currentText(), QStringLiteral("(nessuna)"));
    QTest::keyClick(f.spnIntestazione, Qt::Key_Down);
    EXPECT_EQ(f.tblAnteprima->horizontalHeaderItem(0)->text(), QStringLiteral("Cognome"));
    ASSERT_TRUE(elaboraEAttendi());
    ASSERT_EQ(testoMessaggi(registro), QString());
    // The title stays above the header in the result.
    const Tabelle::Anteprima risultato =
        Tabelle::anteprima(lavoro.filePath(QStringLiteral("titolo - risultati.xlsx")), QString(), 5);
    ASSERT_EQ(risultato.prime.size(), 4);
    EXPECT_EQ(risultato.prime.front().front(), QStringLiteral("Ditta Rossi"));
    EXPECT_EQ(risultato.numeri[2], 3); // the header in its place
    EXPECT_TRUE(risultato.prime.back().contains(QStringLiteral("RSSMRA80A01H501U")))
        << risultato.prime.back().join(u';').toStdString();
}

// A sheet file: its sheets to choose from, the preview of the one chosen, the run over it.
TEST_F(FinestraTabella, FogliDaScegliere)
{
    for (const char *nome : {"dipendenti.xlsx", "dipendenti.ods"}) {
        const QString ingresso = lavoro.filePath(QString::fromLatin1(nome));
        ASSERT_TRUE(
            QFile::copy(QStringLiteral(SPORTELLO_SOURCE_DIR "/tests/tabelle/dati/") + QLatin1String(nome), ingresso));
        f.txtFile->clear();
        digitaFile(ingresso);
        ASSERT_EQ(testoMessaggi(registro), QString()) << nome;
        ASSERT_EQ(f.cboFoglio->count(), 2) << nome;
        EXPECT_EQ(f.cboFoglio->itemText(1), QStringLiteral("Secondo"));
        EXPECT_TRUE(f.cboFoglio->isEnabled());
        const QString primaIntestazione = f.tblAnteprima->horizontalHeaderItem(1)->text();

        // The second sheet by its access key and an arrow, then back to the first.
        QTest::keyClick(&f, Qt::Key_G, Qt::AltModifier);
        QTRY_COMPARE(f.focusWidget(), f.cboFoglio);
        QTest::keyClick(f.cboFoglio, Qt::Key_Down);
        EXPECT_EQ(f.cboFoglio->currentText(), QStringLiteral("Secondo"));
        QTRY_VERIFY(!f.inLettura());
        EXPECT_EQ(testoMessaggi(registro), QString()) << nome;
        QTest::keyClick(f.cboFoglio, Qt::Key_Up);
        QTRY_VERIFY(!f.inLettura());
        ASSERT_GT(f.tblAnteprima->columnCount(), 1);
        EXPECT_EQ(f.tblAnteprima->horizontalHeaderItem(1)->text(), primaIntestazione);
        scegliOperazione(QStringLiteral("Controlla partita IVA"));
        EXPECT_EQ(f.cboColonna[0]->currentText(), QStringLiteral("P.IVA")) << nome;

        QFile::remove(lavoro.filePath(QStringLiteral("dipendenti - risultati.xlsx")));
        ASSERT_EQ(f.focusWidget(), f.cboOperazione);
        ASSERT_TRUE(elaboraEAttendi(qstrcmp(nome, "dipendenti.ods") == 0));
        EXPECT_EQ(testoMessaggi(registro), QString());
        EXPECT_TRUE(QFileInfo::exists(lavoro.filePath(QStringLiteral("dipendenti - risultati.xlsx"))));
    }
}

// A name as users paste it: a file manager's file:// address, Windows' "Copy as path" in quotes, quotes and
// spaces around it. The sheet shown and used is the first visible one, not the hidden one before it.
TEST_F(FinestraTabella, NomiIncollatiEFoglioVisibile)
{
    const QString ingresso = lavoro.filePath(QStringLiteral("celle di prova.xlsx"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(SPORTELLO_SOURCE_DIR "/tests/tabelle/dati/celle.xlsx"), ingresso));
    const QString scritti[] = {QUrl::fromLocalFile(ingresso).toString(QUrl::FullyEncoded),
                               u'"' + QDir::toNativeSeparators(ingresso) + u'"',
                               QStringLiteral(" '") + QDir::toNativeSeparators(ingresso) + QStringLiteral("' ")};
    for (const QString &scritto : scritti) {
        f.txtFile->clear();
        f.txtFile->setFocus();
        QTest::keyClicks(f.txtFile, scritto);
        QTest::keyClick(f.txtFile, Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT(!f.inLettura(), kAttesa);
        ASSERT_EQ(testoMessaggi(registro), QString()) << scritto.toStdString();
        EXPECT_EQ(f.cboFoglio->currentText(), QStringLiteral("Persone")) << scritto.toStdString();
        ASSERT_GT(f.tblAnteprima->columnCount(), 1);
        EXPECT_EQ(f.tblAnteprima->horizontalHeaderItem(0)->text(), QStringLiteral("Cognome"));
    }
    scegliOperazione(QStringLiteral("Controlla partita IVA"));
    ASSERT_TRUE(elaboraEAttendi());
    EXPECT_TRUE(f.lblRiepilogo->text().startsWith(QStringLiteral("Righe: 6,"))) << f.lblRiepilogo->text().toStdString();
    EXPECT_TRUE(QFileInfo::exists(lavoro.filePath(QStringLiteral("celle di prova - risultati.xlsx"))));
}

// Bad input after a table was read: one message, and nothing left of the table before (no preview, no
// columns, no result name); Elabora, by its access key too, waits for another file and writes nothing.
TEST_F(FinestraTabella, FileCheNonSiLeggono)
{
    const QString buono = copia(QStringLiteral("dipendenti.xlsx"), QStringLiteral("sedi.xlsx"));
    scrivi(QStringLiteral("vuoto.csv"), "");
    scrivi(QStringLiteral("binario.csv"), QByteArray("\x00\x01\x02\x03", 4));
    copia(QStringLiteral("dipendenti.xls"), QStringLiteral("vecchio.xls"));
    const QString casi[] = {lavoro.filePath(QStringLiteral("manca.csv")), lavoro.filePath(QStringLiteral("vuoto.csv")),
                            lavoro.filePath(QStringLiteral("binario.csv")),
                            lavoro.filePath(QStringLiteral("vecchio.xls")), lavoro.path()};
    for (const QString &percorso : casi) {
        f.txtFile->clear();
        digitaFile(buono);
        ASSERT_GT(f.tblAnteprima->columnCount(), 0);
        registro.svuota();
        f.txtFile->clear();
        digitaFile(percorso);
        EXPECT_EQ(registro.conta(), 1) << percorso.toStdString();
        if (registro.conta() == 1) {
            EXPECT_FALSE(registro.messaggi().front().testo.contains(u'\n'));
            EXPECT_EQ(registro.messaggi().front().titolo, QStringLiteral("Errore"));
        }
        EXPECT_EQ(f.tblAnteprima->columnCount(), 0) << percorso.toStdString();
        EXPECT_EQ(f.cboFoglio->count(), 0);
        EXPECT_EQ(f.cboColonna[0]->currentText(), QStringLiteral("(nessuna)"));
        EXPECT_TRUE(f.txtUscita->text().isEmpty());
        EXPECT_FALSE(f.cmdElabora->isEnabled()) << percorso.toStdString();
        QTest::keyClick(&f, Qt::Key_E, Qt::AltModifier);
        QTest::qWait(50);
        EXPECT_FALSE(f.inCorso());
        // Another name in the box: Elabora can read it.
        QTest::keyClick(f.txtFile, Qt::Key_Backspace);
        EXPECT_TRUE(f.cmdElabora->isEnabled());
    }
    EXPECT_EQ(nomiNellaCartella(), (QStringList{"binario.csv", "sedi.xlsx", "vecchio.xls", "vuoto.csv"}));
}

TEST_F(FinestraTabella, UnFileLasciatoSullaFinestra)
{
    const QString ingresso = copia(QStringLiteral("dipendenti-utf8.csv"), QStringLiteral("dipendenti.csv"));
    QMimeData dati;
    dati.setUrls({QUrl::fromLocalFile(ingresso)});
    QDragEnterEvent entra(QPoint(10, 10), Qt::CopyAction, &dati, Qt::LeftButton, Qt::NoModifier);
    entra.ignore();
    QApplication::sendEvent(&f, &entra);
    EXPECT_TRUE(entra.isAccepted());
    QDropEvent lascia(QPointF(10, 10), Qt::CopyAction, &dati, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&f, &lascia);
    EXPECT_EQ(f.txtFile->text(), QDir::toNativeSeparators(ingresso));
    QTRY_VERIFY(f.tblAnteprima->columnCount() > 0);
}

TEST(frmTabellaMenu, UnFileLasciatoSulMenuApreLaFinestra)
{
    CartellaProgrammaFinta programma;
    for (const char *nome : {"codes.dat", "codes.cf"})
        QFile::copy(QStringLiteral(SPORTELLO_SOURCE_DIR "/data/") + QLatin1String(nome),
                    programma.file(QLatin1String(nome)));
    RegistroMessaggi registro;
    frmMain menu;
    menu.carica();
    menu.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&menu));
    const QString ingresso = kEsportazioni + QStringLiteral("dipendenti-utf8.csv");
    QString titolo;
    QString file;
    quandoModale([&](QWidget *finestra) {
        titolo = finestra->windowTitle();
        if (auto *t = qobject_cast<frmTabella *>(finestra))
            file = t->txtFile->text();
        finestra->close();
    });
    QMimeData dati;
    dati.setUrls({QUrl::fromLocalFile(ingresso)});
    QDragEnterEvent entra(QPoint(10, 10), Qt::CopyAction, &dati, Qt::LeftButton, Qt::NoModifier);
    entra.ignore();
    QApplication::sendEvent(&menu, &entra);
    EXPECT_TRUE(entra.isAccepted());
    QDropEvent lascia(QPointF(10, 10), Qt::CopyAction, &dati, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&menu, &lascia);
    QTRY_COMPARE(titolo, QStringLiteral("Elabora Tabella"));
    EXPECT_EQ(file, QDir::toNativeSeparators(ingresso));
    // Not a local file: nothing opens.
    QMimeData web;
    web.setUrls({QUrl(QStringLiteral("https://example.org/a.csv"))});
    QDragEnterEvent altro(QPoint(10, 10), Qt::CopyAction, &web, Qt::LeftButton, Qt::NoModifier);
    altro.ignore();
    QApplication::sendEvent(&menu, &altro);
    EXPECT_FALSE(altro.isAccepted());
}
