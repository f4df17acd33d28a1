#include "frmtabella.h"

#include <condition_variable>
#include <mutex>

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QMimeData>
#include <QPointer>
#include <QUrl>

#include "comandi.h"
#include "modulo1.h"

namespace {

const QString kTitolo = QStringLiteral("Elabora Tabella");
const QString kNessuna = QStringLiteral("(nessuna)");
constexpr int kRigheAnteprima = 20;

// The access keys of the fixed captions; the column captions take letters left over.
const QString kTastiFissi = QStringLiteral("fsogprceait");

std::function<void(const QString &)> &apertura()
{
    static std::function<void(const QString &)> funzione;
    return funzione;
}

QString fileLocale(const QMimeData *dati)
{
    if (!dati || !dati->hasUrls() || dati->urls().isEmpty())
        return {};
    const QUrl url = dati->urls().constFirst();
    return url.isLocalFile() ? url.toLocalFile() : QString();
}

// A file's name as users paste it in a box: around quotes (Windows' "Copy as path"), a file:// address (a
// file manager's copy); spaces around it are no part of it.
QString fileScritto(const QString &testo)
{
    QString t = testo.trimmed();
    if (t.size() >= 2 && (t.front() == u'"' || t.front() == u'\'') && t.back() == t.front())
        t = t.mid(1, t.size() - 2).trimmed();
    if (t.startsWith(QLatin1String("file:"), Qt::CaseInsensitive)) {
        const QUrl url(t);
        if (url.isLocalFile())
            t = url.toLocalFile();
    }
    return QDir::fromNativeSeparators(t);
}

// "data_nascita" as a caption: "Data nascita".
QString captionColonna(const QString &nome)
{
    QString testo = nome;
    testo.replace(QLatin1Char('_'), QLatin1Char(' '));
    if (!testo.isEmpty())
        testo[0] = testo.at(0).toUpper();
    return testo;
}

QComboBox *comboElenco(QComboBox *combo, const QString &nome)
{
    combo->setEditable(false);
    combo->setAccessibleName(nome);
    return combo;
}

// The engine's problems and warnings as the window says them: the columns are chosen in its boxes.
QString testoProblema(const Tabelle::Problema &p)
{
    using Tipo = Tabelle::Problema::Tipo;
    const QString file = QDir::toNativeSeparators(p.file);
    switch (p.tipo) {
    case Tipo::Nessuno: break;
    case Tipo::Lettura: return QStringLiteral("Impossibile leggere «%1»: %2").arg(file, p.motivo);
    case Tipo::NonTabella: return QStringLiteral("«%1» è %2, non una tabella (CSV, .xlsx o .ods)").arg(file, p.motivo);
    case Tipo::FoglioSenzaFogli: return QStringLiteral("«%1» non ha fogli da scegliere").arg(file);
    case Tipo::Vuota: return QStringLiteral("Il file «%1» è vuoto: manca la riga d'intestazione").arg(file);
    case Tipo::IntestazioneLunga:
        return QStringLiteral("La riga d'intestazione di «%1» supera %2 MiB: non sembra una tabella")
            .arg(file)
            .arg(p.mib);
    case Tipo::IntestazioneAssente:
        return QStringLiteral("Il file «%1» non ha una riga %2 con dei valori da usare come intestazione")
            .arg(file)
            .arg(p.riga);
    case Tipo::ColonnaSconosciuta: return QStringLiteral("L'operazione non ha la colonna «%1»").arg(p.colonna);
    case Tipo::ColonnaAssente:
        return QStringLiteral("Nel file «%1» non c'è più la colonna «%2» (intestazione: %3)")
            .arg(file, p.scelta, p.intestazione.join(QStringLiteral(", ")));
    case Tipo::ColonnaMancante:
        return QStringLiteral("Nel file «%1» manca la colonna «%2»: sceglierla tra le colonne del file")
            .arg(file, p.colonna);
    case Tipo::Scrittura:
        return QStringLiteral("Impossibile scrivere «%1»: %2").arg(QDir::toNativeSeparators(p.file), p.motivo);
    }
    return QString();
}

QString testoAvviso(const Tabelle::Avviso &a)
{
    if (a.tipo == Tabelle::Avviso::Tipo::DateMesePrima)
        return QStringLiteral("Nella colonna «%1» le date hanno il mese prima del giorno (come «%2»): sono state "
                              "lette così.")
            .arg(a.colonna, a.esempioMese);
    return QStringLiteral("Nella colonna «%1» ci sono date con il giorno prima del mese (come «%2») e date con il mese "
                          "prima (come «%3»): le righe con date che si leggono nei due modi hanno un esito.")
        .arg(a.colonna, a.esempioGiorno, a.esempioMese);
}

// The previews still being read when their window went: the program waits for them before it ends, as
// their thread uses the sheet libraries.
struct LettureSospese {
    std::mutex mutex;
    std::condition_variable finite;
    int quante = 0;
};

LettureSospese &sospese()
{
    static LettureSospese s;
    return s;
}

void attendiLetture()
{
    LettureSospese &s = sospese();
    std::unique_lock<std::mutex> chiave(s.mutex);
    s.finite.wait(chiave, [&s] { return s.quante == 0; });
}

} // namespace

// A run of the engine in a thread of its own, and how it is followed: progress posted to the window,
// warnings kept for the end, Annulla or closing the window asked between blocks of rows.
struct frmTabella::Esecuzione final : public Tabelle::Osservatore {
    quint64 numero = 0; // which run of the window: a notice of a run already gone is dropped
    frmTabella *finestra = nullptr;
    std::atomic<bool> fermata{false};
    QStringList avvisi; // written by the run's thread, read once it has ended
    Tabelle::Conclusione conclusione;
    std::thread filo;

    void progresso(qint64 righe, double frazione) override
    {
        QMetaObject::invokeMethod(
            finestra, [f = finestra, n = numero, righe, frazione]() { f->avanzamento(n, righe, frazione); },
            Qt::QueuedConnection);
    }
    void avviso(const Tabelle::Avviso &avviso) override { avvisi.append(testoAvviso(avviso)); }
    bool annullato() const override { return fermata.load(std::memory_order_relaxed); }
};

// A preview being read: the thread keeps it for as long as it reads, also after the window has gone.
struct frmTabella::Lettura {
    quint64 numero = 0;
    QString file, foglio;
    bool nuovoFile = true; // the sheets listed again
    std::atomic<bool> fermata{false};
};

frmTabella::frmTabella()
    : FormSportello(kTitolo, 9240, 7380)
{
    setAcceptDrops(true);

    lblFile = crea<OsenXPLabel>("lblFile", 240, 630, 1080, 285);
    lblFile->setCaption(QStringLiteral("&File:"));
    txtFile = crea<OsenXPTextBox>("txtFile", 1320, 600, 6000, 315);
    txtFile->setToolTip(QStringLiteral("Il file da elaborare (CSV, xlsx, ods): Invio lo legge"));
    txtFile->setAccessibleName(QStringLiteral("File"));
    txtFile->setKeyPress([this](int &KeyAscii) { txtFile_KeyPress(KeyAscii); });
    connect(txtFile, &QLineEdit::textChanged, this, [this]() { cmdElabora->setEnabled(!inCorso() && elaborabile()); });
    lblFile->setBuddy(txtFile);
    cmdSfoglia = crea<OsenXPButton>("cmdSfoglia", 7440, 570, 1560, 375);
    cmdSfoglia->setText(QStringLiteral("&Sfoglia..."));
    cmdSfoglia->setToolTip(QStringLiteral("Scegliere il file da elaborare"));

    lblOperazione = crea<OsenXPLabel>("lblOperazione", 240, 1110, 1080, 285);
    lblOperazione->setCaption(QStringLiteral("&Operazione:"));
    cboOperazione = comboElenco(crea<QComboBox>("cboOperazione", 1320, 1080, 3000, 315), QStringLiteral("Operazione"));
    for (const Tabelle::VoceComando &voce : Tabelle::elencoComandi()) {
        if (voce.operazione)
            cboOperazione->addItem(QString::fromUtf8(voce.operazione), QString::fromLatin1(voce.nome));
    }
    lblOperazione->setBuddy(cboOperazione);

    lblFoglio = crea<OsenXPLabel>("lblFoglio", 4560, 1110, 840, 285);
    lblFoglio->setCaption(QStringLiteral("Fo&glio:"));
    cboFoglio = comboElenco(crea<QComboBox>("cboFoglio", 5400, 1080, 3600, 315), QStringLiteral("Foglio"));
    lblFoglio->setBuddy(cboFoglio);

    lblAnteprima = crea<OsenXPLabel>("lblAnteprima", 240, 1560, 3000, 285);
    lblAnteprima->setCaption(QStringLiteral("Ante&prima:"));
    tblAnteprima = crea<QTableWidget>("tblAnteprima", 240, 1860, 8760, 2100);
    tblAnteprima->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tblAnteprima->setTabKeyNavigation(false);
    tblAnteprima->setAccessibleName(QStringLiteral("Anteprima"));
    tblAnteprima->verticalHeader()->setDefaultSectionSize(tblAnteprima->fontMetrics().height() + 4);
    lblAnteprima->setBuddy(tblAnteprima);
    lblIntestazione = crea<OsenXPLabel>("lblIntestazione", 5400, 1560, 2160, 285);
    lblIntestazione->setCaption(QStringLiteral("Riga d'in&testazione:"));
    spnIntestazione = crea<QSpinBox>("spnIntestazione", 7560, 1500, 1440, 315);
    spnIntestazione->setRange(1, 1);
    spnIntestazione->setEnabled(false);
    spnIntestazione->setAccessibleName(QStringLiteral("Riga d'intestazione"));
    spnIntestazione->setToolTip(QStringLiteral("La riga del file che dà i nomi delle colonne"));
    lblIntestazione->setBuddy(spnIntestazione);

    creaColonneERisultato();
    creaFondo();

    connect(cmdSfoglia, &QPushButton::clicked, this, &frmTabella::cmdSfoglia_Click);
    connect(cboOperazione, &QComboBox::activated, this, &frmTabella::cboOperazione_Click);
    connect(cboFoglio, &QComboBox::activated, this, &frmTabella::cboFoglio_Click);
    connect(spnIntestazione, &QSpinBox::valueChanged, this, &frmTabella::spnIntestazione_Change);
    connect(cmdSalvaCome, &QPushButton::clicked, this, &frmTabella::cmdSalvaCome_Click);
    connect(cmdElabora, &QPushButton::clicked, this, &frmTabella::cmdElabora_Click);
    connect(cmdAnnulla, &QPushButton::clicked, this, &frmTabella::cmdAnnulla_Click);
    connect(cmdApri, &QPushButton::clicked, this, &frmTabella::cmdApri_Click);

    ordineTab({txtFile, cmdSfoglia, cboOperazione, cboFoglio, spnIntestazione, tblAnteprima, cboColonna[0],
               cboColonna[1], cboColonna[2], cboColonna[3], cboColonna[4], cboColonna[5], txtUscita, cmdSalvaCome,
               scrRiepilogo, cmdElabora, cmdAnnulla, cmdApri, OsenXPForm1()});
    static const bool attesa = (qAddPostRoutine(attendiLetture), true);
    Q_UNUSED(attesa);
}

// One box for each input column of the command, and the result's name.
void frmTabella::creaColonneERisultato()
{
    lblColonne = crea<OsenXPLabel>("lblColonne", 240, 4080, 8760, 285);
    lblColonne->setCaption(QStringLiteral("Colonne del file da usare:"));
    for (int i = 0; i < kColonne; ++i) {
        const int sinistra = 240 + (i % 3) * 2940;
        const int alto = 4410 + (i / 3) * 420;
        const QByteArray n = QByteArray::number(i + 1);
        lblColonna[i] = crea<OsenXPLabel>(("lblColonna" + n).constData(), sinistra, alto + 30, 1080, 285);
        cboColonna[i] =
            comboElenco(crea<QComboBox>(("cboColonna" + n).constData(), sinistra + 1080, alto, 1800, 315), QString());
        lblColonna[i]->setBuddy(cboColonna[i]);
        connect(cboColonna[i], &QComboBox::currentIndexChanged, this,
                [this, i]() { cboColonna[i]->setToolTip(cboColonna[i]->currentText()); });
    }

    lblUscita = crea<OsenXPLabel>("lblUscita", 240, 5310, 1080, 285);
    lblUscita->setCaption(QStringLiteral("&Risultato:"));
    txtUscita = crea<OsenXPTextBox>("txtUscita", 1320, 5280, 6000, 315);
    txtUscita->setToolTip(QStringLiteral("Il file .xlsx da scrivere"));
    txtUscita->setAccessibleName(QStringLiteral("Risultato"));
    lblUscita->setBuddy(txtUscita);
    cmdSalvaCome = crea<OsenXPButton>("cmdSalvaCome", 7440, 5250, 1560, 375);
    cmdSalvaCome->setText(QStringLiteral("Salva &con nome..."));
}

// The progress, the summary that scrolls when it is long, and the buttons.
void frmTabella::creaFondo()
{
    barAvanzamento = crea<QProgressBar>("barAvanzamento", 240, 5790, 8760, 285);
    barAvanzamento->setRange(0, 1000);
    barAvanzamento->setValue(0);
    barAvanzamento->setAccessibleName(QStringLiteral("Avanzamento"));

    scrRiepilogo = crea<QScrollArea>("scrRiepilogo", 240, 6210, 5880, 975);
    scrRiepilogo->setFrameShape(QFrame::NoFrame);
    scrRiepilogo->setWidgetResizable(true);
    scrRiepilogo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scrRiepilogo->setAccessibleName(QStringLiteral("Riepilogo"));
    lblRiepilogo = crea<OsenXPLabel>("lblRiepilogo", 0, 0, 5880, 975);
    lblRiepilogo->setCampo(QStringLiteral("Riepilogo"));
    lblRiepilogo->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblRiepilogo->setWordWrap(true);
    scrRiepilogo->setWidget(lblRiepilogo);

    cmdElabora = crea<OsenXPButton>("cmdElabora", 6240, 6210, 1320, 375);
    cmdElabora->setText(QStringLiteral("&Elabora"));
    cmdElabora->setToolTip(QStringLiteral("Elaborare tutte le righe del file"));
    cmdAnnulla = crea<OsenXPButton>("cmdAnnulla", 7680, 6210, 1320, 375);
    cmdAnnulla->setText(QStringLiteral("&Annulla"));
    cmdAnnulla->setToolTip(QStringLiteral("Fermare l'elaborazione senza scrivere nulla"));
    cmdApri = crea<OsenXPButton>("cmdApri", 6240, 6690, 2760, 375);
    cmdApri->setText(QStringLiteral("Apri &il risultato"));
    cmdApri->setToolTip(QStringLiteral("Aprire il file scritto con il programma del sistema"));
}

frmTabella::~frmTabella()
{
    interrompi();
    if (m_lettura)
        m_lettura->fermata = true;
}

void frmTabella::Form_Load()
{
    cboOperazione->setCurrentIndex(0);
    aggiornaColonne();
    abilita(true);
    txtFile->setFocus(Qt::OtherFocusReason);
    if (!m_fileIniziale.isEmpty()) {
        txtFile->setText(QDir::toNativeSeparators(m_fileIniziale));
        caricaFile();
    }
}

void frmTabella::Form_Activate()
{
    Modulo1::ApplicaStile(this);
}

void frmTabella::txtFile_KeyPress(int &KeyAscii)
{
    if (KeyAscii != 13)
        return;
    KeyAscii = 0;
    caricaFile();
    // On to the operation at once: keys typed while the file is read are not lost.
    if (inLettura())
        cboOperazione->setFocus(Qt::TabFocusReason);
}

// The file dialogs only choose a name: they neither delete nor make anything (ReadOnly).
void frmTabella::cmdSfoglia_Click()
{
    const Modulo1::RitornoTastiera ritorno;
    const QString file = QFileDialog::getOpenFileName(
        this, QStringLiteral("Scegli il file da elaborare"), QFileInfo(txtFile->text()).absolutePath(),
        QStringLiteral("Tabelle (*.csv *.xlsx *.ods);;CSV (*.csv);;Excel (*.xlsx);;OpenDocument (*.ods);;"
                       "Tutti i file (*)"),
        nullptr, QFileDialog::ReadOnly);
    if (file.isEmpty())
        return;
    txtFile->setText(QDir::toNativeSeparators(file));
    caricaFile();
}

// The command, with its data files, is made once there is a table to use it on: opening the window reads
// nothing.
void frmTabella::cboOperazione_Click()
{
    m_comando.reset();
    if (!m_caricato.isEmpty())
        creaComando();
    scegliIntestazione(); // the header the new operation would take
}

bool frmTabella::creaComando()
{
    if (m_comando)
        return true;
    QString errore;
    m_comando = Tabelle::creaComando(cboOperazione->currentData().toString(), m_dati, &errore);
    if (!m_comando)
        Modulo1::MostraMessaggio(errore, 48, QStringLiteral("Errore"));
    return m_comando != nullptr;
}

void frmTabella::cboFoglio_Click()
{
    if (!m_caricato.isEmpty())
        leggi(m_caricato, cboFoglio->currentText());
}

void frmTabella::caricaFile()
{
    const QString file = fileScritto(txtFile->text());
    if (file.isEmpty())
        return;
    if (!QFileInfo(file).isFile()) {
        dimentica(file);
        Modulo1::MostraMessaggio(QStringLiteral("Il file «%1» non esiste.").arg(QDir::toNativeSeparators(file)), 48,
                                 QStringLiteral("Errore"));
        return;
    }
    leggi(file, QString());
}

// The preview of a file, or of another sheet of the file read, in a thread of its own: the window answers
// meanwhile, and a reading that a newer one replaced is dropped.
void frmTabella::leggi(const QString &file, const QString &foglio)
{
    if (m_lettura)
        m_lettura->fermata = true;
    auto lettura = std::make_shared<Lettura>();
    lettura->numero = (m_lettura ? m_lettura->numero : 0) + 1;
    lettura->file = file;
    lettura->foglio = foglio;
    lettura->nuovoFile = file != m_caricato;
    m_lettura = lettura;
    lblRiepilogo->setCaption(QStringLiteral("Lettura del file in corso..."));
    abilita(true);
    {
        const std::lock_guard<std::mutex> chiave(sospese().mutex);
        ++sospese().quante;
    }
    QPointer<frmTabella> finestra(this);
    std::thread([lettura, finestra]() {
        auto anteprima = std::make_shared<Tabelle::Anteprima>(
            Tabelle::anteprima(lettura->file, lettura->foglio, kRigheAnteprima, &lettura->fermata));
        QMetaObject::invokeMethod(
            qApp,
            [lettura, finestra, anteprima]() {
                if (finestra)
                    finestra->letta(*lettura, *anteprima);
            },
            Qt::QueuedConnection);
        const std::lock_guard<std::mutex> chiave(sospese().mutex);
        --sospese().quante;
        sospese().finite.notify_all();
    }).detach();
}

void frmTabella::letta(const Lettura &lettura, const Tabelle::Anteprima &a)
{
    if (!m_lettura || m_lettura->numero != lettura.numero)
        return;
    m_lettura.reset();
    const bool elabora = std::exchange(m_elaboraLetto, false);
    if (a.problema.tipo != Tabelle::Problema::Tipo::Nessuno) {
        if (lettura.nuovoFile) {
            dimentica(lettura.file);
            if (isActiveWindow())
                txtFile->setFocus(Qt::OtherFocusReason); // to write another name
        } else {
            lblRiepilogo->setCaption(QString());
            abilita(true);
        }
        Modulo1::MostraMessaggio(testoProblema(a.problema), 48, QStringLiteral("Errore"));
        return;
    }
    m_fallito.clear();
    if (lettura.nuovoFile) {
        m_caricato = lettura.file;
        cboFoglio->clear();
        cboFoglio->addItems(a.fogli);
        cboFoglio->setCurrentIndex(qMax(0, static_cast<int>(a.fogli.indexOf(a.foglio))));
        txtUscita->setText(QDir::toNativeSeparators(nomeRisultato(lettura.file)));
        m_risultato.clear();
        barAvanzamento->setValue(0);
        creaComando();
    }
    m_anteprima = a;
    scegliIntestazione();
    lblRiepilogo->setCaption(QString());
    abilita(true);
    if (elabora)
        cmdElabora_Click();
}

QString frmTabella::nomeRisultato(const QString &ingresso)
{
    const QFileInfo info(ingresso);
    return info.dir().filePath(info.completeBaseName() + QStringLiteral(" - risultati.xlsx"));
}

// A file that cannot be read leaves no trace of the one before: no preview, no columns, no result name,
// and Elabora waits for another file.
void frmTabella::dimentica(const QString &fallito)
{
    if (m_lettura)
        m_lettura->fermata = true;
    m_lettura.reset();
    m_elaboraLetto = false;
    m_fallito = fallito;
    m_caricato.clear();
    m_risultato.clear();
    cboFoglio->clear();
    m_anteprima = Tabelle::Anteprima();
    scegliIntestazione();
    txtUscita->clear();
    lblRiepilogo->setCaption(QString());
    barAvanzamento->setValue(0);
    abilita(true);
}

// Elabora needs a file: one written in the box that is not the one that could not be read.
bool frmTabella::elaborabile() const
{
    const QString file = fileScritto(txtFile->text());
    return !file.isEmpty() && file != m_fallito;
}

// The header as the engine would find it for the operation: the first of the first rows that names its
// columns.
void frmTabella::scegliIntestazione()
{
    const QList<qint64> &numeri = m_anteprima.numeri;
    qsizetype scelta = m_comando ? Tabelle::sceltaIntestazione(m_anteprima.prime, *m_comando) : -1;
    for (qsizetype i = 0; scelta < 0 && i < m_anteprima.prime.size(); ++i)
        scelta = m_anteprima.prime[i].join(QString()).trimmed().isEmpty() ? -1 : i;
    const QSignalBlocker fermo(spnIntestazione);
    spnIntestazione->setRange(numeri.isEmpty() ? 1 : int(numeri.front()), numeri.isEmpty() ? 1 : int(numeri.back()));
    spnIntestazione->setValue(scelta >= 0 ? int(numeri[scelta]) : 1);
    spnIntestazione->setEnabled(!numeri.isEmpty() && !inCorso());
    mostraAnteprima();
}

// The user's header: the preview and the column boxes follow it.
void frmTabella::spnIntestazione_Change()
{
    mostraAnteprima();
}

// The header row chosen in spnIntestazione, the rows below it with their line numbers.
void frmTabella::mostraAnteprima()
{
    const QList<qint64> &numeri = m_anteprima.numeri;
    qsizetype riga = 0;
    while (riga < numeri.size() && numeri[riga] < spnIntestazione->value())
        ++riga;
    m_intestazione.clear();
    if (riga < numeri.size()) {
        for (const QString &nome : m_anteprima.prime[riga])
            m_intestazione.append(nome.trimmed());
    }
    const QList<QStringList> righe = m_anteprima.prime.mid(riga + 1, kRigheAnteprima);
    tblAnteprima->clear();
    tblAnteprima->setColumnCount(static_cast<int>(m_intestazione.size()));
    tblAnteprima->setRowCount(static_cast<int>(righe.size()));
    tblAnteprima->setHorizontalHeaderLabels(m_intestazione);
    QStringList linee;
    for (int r = 0; r < righe.size(); ++r) {
        linee.append(QString::number(numeri[riga + 1 + r]));
        const QStringList &valori = righe.at(r);
        for (int c = 0; c < valori.size() && c < m_intestazione.size(); ++c)
            tblAnteprima->setItem(r, c, new QTableWidgetItem(valori.at(c)));
    }
    tblAnteprima->setVerticalHeaderLabels(linee);
    tblAnteprima->resizeColumnsToContents();
    if (tblAnteprima->rowCount() > 0 && tblAnteprima->columnCount() > 0)
        tblAnteprima->setCurrentCell(0, 0);
    aggiornaColonne();
}

// One combo box for each input column of the command, listing the file's header, preset with the column
// the engine would take by itself.
void frmTabella::aggiornaColonne()
{
    const std::vector<Tabelle::Colonna> ingresso = m_comando ? m_comando->ingresso() : std::vector<Tabelle::Colonna>();
    const QStringList dove =
        m_comando ? Tabelle::intestazioneDiRicerca(
                        m_intestazione, Tabelle::nuoveColonne(m_intestazione, m_comando->uscita(), m_comando->nome()))
                  : m_intestazione;
    for (int i = 0; i < kColonne; ++i) {
        const bool usata = i < static_cast<int>(ingresso.size());
        lblColonna[i]->setVisible(usata);
        cboColonna[i]->setVisible(usata);
        cboColonna[i]->clear();
        if (!usata)
            continue;
        const Tabelle::Colonna &colonna = ingresso.at(static_cast<size_t>(i));
        cboColonna[i]->setProperty("colonna", colonna.nome);
        cboColonna[i]->addItem(kNessuna);
        cboColonna[i]->addItems(m_intestazione);
        const int trovata = Tabelle::trovaColonna(dove, colonna.nome);
        cboColonna[i]->setCurrentIndex(trovata + 1);
        cboColonna[i]->setAccessibleName(QStringLiteral("Colonna %1").arg(captionColonna(colonna.nome)));
        cboColonna[i]->setToolTip(cboColonna[i]->currentText());
        lblColonna[i]->setCaption(captionColonna(colonna.nome) + QLatin1Char(':'));
    }
    assegnaTastiColonne();
}

// Each column caption gets as access key its first letter that no other caption of the window has.
void frmTabella::assegnaTastiColonne()
{
    QString prese = kTastiFissi;
    for (int i = 0; i < kColonne; ++i) {
        if (!lblColonna[i]->isVisibleTo(this))
            continue;
        QString testo = lblColonna[i]->text().remove(QLatin1Char('&'));
        for (int p = 0; p < testo.size(); ++p) {
            const QChar lettera = testo.at(p).toLower();
            if (lettera.isLetter() && !prese.contains(lettera)) {
                prese.append(lettera);
                testo.insert(p, QLatin1Char('&'));
                break;
            }
        }
        lblColonna[i]->setCaption(testo);
    }
}

void frmTabella::cmdSalvaCome_Click()
{
    const Modulo1::RitornoTastiera ritorno;
    const QString file = QFileDialog::getSaveFileName(this, QStringLiteral("Salva il risultato"), txtUscita->text(),
                                                      QStringLiteral("Cartella di lavoro Excel (*.xlsx)"), nullptr,
                                                      QFileDialog::DontConfirmOverwrite | QFileDialog::ReadOnly);
    if (!file.isEmpty())
        txtUscita->setText(QDir::toNativeSeparators(file));
}

void frmTabella::cmdElabora_Click()
{
    if (inCorso())
        return;
    // A file written in the box and not read yet is read first; Elabora goes on when it is.
    if (inLettura() || m_caricato.isEmpty() || fileScritto(txtFile->text()) != m_caricato) {
        if (!inLettura() || m_lettura->file != fileScritto(txtFile->text()))
            caricaFile();
        m_elaboraLetto = inLettura();
        return;
    }
    if (!creaComando())
        return;
    const QString uscita = fileScritto(txtUscita->text());
    if (uscita.isEmpty()) {
        Modulo1::MostraMessaggio(QStringLiteral("Scrivere il nome del file del risultato."), 48,
                                 QStringLiteral("Errore"));
        return;
    }
    if (QFileInfo::exists(uscita) &&
        Modulo1::MostraMessaggio(
            QStringLiteral("Il file «%1» esiste già. Sostituirlo?").arg(QDir::toNativeSeparators(uscita)), 4 + 32,
            kTitolo) != 6)
        return;

    Tabelle::OpzioniTabella opzioni;
    opzioni.ingresso = m_caricato;
    opzioni.uscita = uscita;
    // The sheet by its name, which wins over a number when the reader picks it.
    opzioni.foglio = cboFoglio->count() > 0 ? cboFoglio->currentText() : QString();
    opzioni.intestazione = spnIntestazione->value(); // the header the preview shows
    // Every box says which column to use; "(nessuna)" none, even where the engine would find one by its name.
    for (int i = 0; i < kColonne; ++i) {
        if (cboColonna[i]->isVisibleTo(this))
            opzioni.colonne.append({cboColonna[i]->property("colonna").toString(),
                                    cboColonna[i]->currentIndex() > 0 ? cboColonna[i]->currentText() : QString()});
    }

    m_esecuzione = std::make_unique<Esecuzione>();
    Esecuzione *e = m_esecuzione.get();
    e->numero = ++m_esecuzioni;
    e->finestra = this;
    m_risultato.clear();
    barAvanzamento->setValue(0);
    lblRiepilogo->setCaption(QStringLiteral("Elaborazione in corso..."));
    abilita(false);
    e->filo = std::thread([this, e, opzioni, comando = m_comando.get()]() {
        e->conclusione = Tabelle::eseguiTabella(*comando, opzioni, *e);
        QMetaObject::invokeMethod(
            this, [this, numero = e->numero]() { fine(numero); }, Qt::QueuedConnection);
    });
}

void frmTabella::avanzamento(quint64 numero, qint64 righe, double frazione)
{
    if (!inCorso() || m_esecuzione->numero != numero)
        return;
    barAvanzamento->setValue(static_cast<int>(qBound(0.0, frazione, 1.0) * 1000));
    lblRiepilogo->setCaption(QStringLiteral("Elaborazione in corso... Righe: %1").arg(righe));
}

void frmTabella::fine(quint64 numero)
{
    if (!inCorso() || m_esecuzione->numero != numero)
        return;
    m_esecuzione->filo.join();
    const std::unique_ptr<Esecuzione> e = std::move(m_esecuzione);
    abilita(true);
    switch (e->conclusione.stato) {
    case Tabelle::Stato::Annullato:
        barAvanzamento->setValue(0);
        lblRiepilogo->setCaption(QStringLiteral("Elaborazione annullata: nessun file scritto."));
        return;
    case Tabelle::Stato::Errore:
        barAvanzamento->setValue(0);
        lblRiepilogo->setCaption(QStringLiteral("Nessun risultato."));
        Modulo1::MostraMessaggio(testoProblema(e->conclusione.problema), 48, QStringLiteral("Errore"));
        return;
    case Tabelle::Stato::Fatto:
    case Tabelle::Stato::ConEsiti: break;
    }
    barAvanzamento->setValue(barAvanzamento->maximum());
    mostraResoconto(e->conclusione.resoconto);
    // Other things the run had to say (dates read in the other order) are worth a look.
    if (!e->avvisi.isEmpty())
        Modulo1::MostraMessaggio(e->avvisi.join(QLatin1Char('\n')), 64, kTitolo);
}

// The summary: rows, and every kind of esito with its rows, scrolled when they do not fit.
void frmTabella::mostraResoconto(const Tabelle::Resoconto &r)
{
    QString testo =
        QStringLiteral("Righe: %1, corrette: %2, con esito: %3").arg(r.righe).arg(r.buone).arg(r.righe - r.buone);
    for (const auto &[tipo, quante] : r.perEsito)
        testo += QStringLiteral("\n%1: %2").arg(tipo).arg(quante);
    lblRiepilogo->setCaption(testo);
    m_risultato = r.uscita.isEmpty() ? fileScritto(txtUscita->text()) : r.uscita;
    abilita(true);
}

void frmTabella::cmdAnnulla_Click()
{
    if (inCorso())
        m_esecuzione->fermata = true;
}

void frmTabella::cmdApri_Click()
{
    if (m_risultato.isEmpty())
        return;
    if (apertura()) {
        apertura()(m_risultato);
        return;
    }
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(m_risultato)))
        Modulo1::MostraMessaggio(QStringLiteral("Impossibile aprire «%1».").arg(QDir::toNativeSeparators(m_risultato)),
                                 48, QStringLiteral("Errore"));
}

void frmTabella::impostaApertura(std::function<void(const QString &)> funzione)
{
    apertura() = std::move(funzione);
}

// While a run goes on only Annulla works, and has the keyboard so that Return or Space cancels; it and
// "Apri il risultato" show only when they can be used.
void frmTabella::abilita(bool libero)
{
    for (QWidget *w :
         std::initializer_list<QWidget *>{txtFile, cmdSfoglia, cboOperazione, tblAnteprima, txtUscita, cmdSalvaCome})
        w->setEnabled(libero);
    cmdElabora->setEnabled(libero && elaborabile());
    for (QComboBox *c : cboColonna)
        c->setEnabled(libero);
    cboFoglio->setEnabled(libero && cboFoglio->count() > 0);
    spnIntestazione->setEnabled(libero && !m_anteprima.numeri.isEmpty());
    if (libero && cmdAnnulla->hasFocus())
        cmdElabora->setFocus(Qt::OtherFocusReason);
    cmdAnnulla->setVisible(!libero);
    cmdAnnulla->setEnabled(!libero);
    cmdApri->setVisible(libero && !m_risultato.isEmpty());
    if (!libero)
        cmdAnnulla->setFocus(Qt::OtherFocusReason);
}

// The run stops at its next block of rows, or during its first look at the table: the wait is short.
void frmTabella::interrompi()
{
    if (!inCorso())
        return;
    m_esecuzione->fermata = true;
    m_esecuzione->filo.join();
    m_esecuzione.reset();
    abilita(true);
}

void frmTabella::keyPressEvent(QKeyEvent *event)
{
    const int tasto = event->key();
    if (tasto == Qt::Key_Escape && inCorso()) {
        cmdAnnulla_Click();
        event->accept();
        return;
    }
    // Return runs the table from anywhere but a button, which it presses.
    if ((tasto == Qt::Key_Return || tasto == Qt::Key_Enter) && !qobject_cast<QPushButton *>(focusWidget())) {
        if (cmdElabora->isEnabled())
            cmdElabora_Click();
        event->accept();
        return;
    }
    FormSportello::keyPressEvent(event);
}

// Closing the window during a run cancels it first: nothing is written.
void frmTabella::closeEvent(QCloseEvent *event)
{
    interrompi();
    FormSportello::closeEvent(event);
}

void frmTabella::reject()
{
    interrompi();
    FormSportello::reject();
}

void frmTabella::dragEnterEvent(QDragEnterEvent *event)
{
    if (!inCorso() && !fileLocale(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void frmTabella::dropEvent(QDropEvent *event)
{
    const QString file = fileLocale(event->mimeData());
    if (inCorso() || file.isEmpty())
        return;
    event->acceptProposedAction();
    txtFile->setText(QDir::toNativeSeparators(file));
    caricaFile();
}
