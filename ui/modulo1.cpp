#include "modulo1.h"

#include <cmath>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QMetaProperty>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryFile>
#include <QWidget>

#include "browser.h"
#include "immaginidecodificate.h"
#ifdef Q_OS_WIN
// clang-format off
#include <windows.h>
#include <shellapi.h>
// clang-format on
#endif
#include "osenxp.h"
#include "percorsi.h"
#include "twips.h"

namespace {

Modulo1::Intercettatore &intercettatore()
{
    static Modulo1::Intercettatore funzione;
    return funzione;
}

int &contatoreBeep()
{
    static int contatore = 0;
    return contatore;
}

struct VoceDidascalia {
    const char *chiave;
    const char *nuova;
};

// Buttons whose caption equals a key, exactly, get the access key of the new caption.
constexpr VoceDidascalia kDidascalie[] = {
    {"Reset", "&Reset"},         {"Esci", "Es&ci"},           {"Elimina", "&Elimina"}, {"Aggiungi", "&Aggiungi"},
    {"Seleziona", "&Seleziona"}, {"Gira", "&Gira"},           {"Versa", "&Versa"},     {"Ok", "&Ok"},
    {"Annulla", "A&nnulla"},     {"Reimposta", "&Reimposta"},
};

QMessageBox::StandardButtons pulsantiDaStile(int insieme)
{
    switch (insieme) {
    case 1: return QMessageBox::Ok | QMessageBox::Cancel;
    case 2: return QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore;
    case 3: return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case 4: return QMessageBox::Yes | QMessageBox::No;
    case 5: return QMessageBox::Retry | QMessageBox::Cancel;
    default: return QMessageBox::Ok;
    }
}

int rispostaDa(QMessageBox::StandardButton pulsante)
{
    switch (pulsante) {
    case QMessageBox::Ok: return 1;
    case QMessageBox::Cancel: return 2;
    case QMessageBox::Abort: return 3;
    case QMessageBox::Retry: return 4;
    case QMessageBox::Ignore: return 5;
    case QMessageBox::Yes: return 6;
    case QMessageBox::No: return 7;
    default: return 2;
    }
}

int mostraBox(const QString &testo, qint32 stile, const QString &titolo)
{
    Aspetto::caricaTraduzioni();
    QMessageBox box;
    box.setWindowTitle(titolo);
    box.setText(testo);
    box.setTextFormat(Qt::PlainText);
    switch (stile & 0x70) {
    case 16: box.setIcon(QMessageBox::Critical); break;
    case 32: box.setIcon(QMessageBox::Question); break;
    case 48: box.setIcon(QMessageBox::Warning); break;
    case 64: box.setIcon(QMessageBox::Information); break;
    default: box.setIcon(QMessageBox::NoIcon); break;
    }
    int insieme = stile & 0x0F;
    if (insieme > 5)
        insieme = 0;
    box.setStandardButtons(pulsantiDaStile(insieme));
    const QList<QAbstractButton *> pulsanti = box.buttons();
    const int predefinito = (stile & 0x300) >> 8;
    // Buttons in the order Windows shows them, so that the default-button bits pick the right one.
    static const QMessageBox::StandardButton ordine[] = {QMessageBox::Ok,     QMessageBox::Abort, QMessageBox::Retry,
                                                         QMessageBox::Ignore, QMessageBox::Yes,   QMessageBox::No,
                                                         QMessageBox::Cancel};
    QList<QMessageBox::StandardButton> presenti;
    for (QMessageBox::StandardButton b : ordine) {
        if (box.button(b))
            presenti << b;
    }
    if (insieme == 5)
        presenti = {QMessageBox::Retry, QMessageBox::Cancel};
    if (predefinito < presenti.size())
        box.setDefaultButton(presenti[predefinito]);
    Q_UNUSED(pulsanti);
    const Modulo1::RitornoTastiera ritorno;
    box.exec();
    QAbstractButton *premuto = box.clickedButton();
    if (!premuto)
        return insieme == 0 ? 1 : 2;
    return rispostaDa(box.standardButton(premuto));
}

bool scriviPaginaProva(const QString &percorso)
{
    QFile file(percorso);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const QByteArray riga = "\"<HTML> <\\HTML>\"\n";
    const bool scritto = file.write(riga) == riga.size();
    file.close();
    return scritto;
}

#ifdef Q_OS_WIN
// The shell's own association: the program that opens the scratch page, started with the address.
bool apriConIlBrowser(const QString &pagina, const QString &indirizzo, QWidget *proprietario, bool &trovato)
{
    wchar_t percorso[32768] = {}; // the longest path the platform can give back
    const auto esito =
        reinterpret_cast<INT_PTR>(FindExecutableW(reinterpret_cast<LPCWSTR>(pagina.utf16()), nullptr, percorso));
    trovato = esito > 32;
    if (!trovato)
        return false;
    const QString programma = QString::fromWCharArray(percorso).trimmed();
    HWND finestra = proprietario ? reinterpret_cast<HWND>(proprietario->winId()) : nullptr;
    // The address as one argument, whatever spaces or quotes it holds.
    const QString argomento = Browser::argomentoWindows(indirizzo);
    const auto avvio =
        reinterpret_cast<INT_PTR>(ShellExecuteW(finestra, L"open", reinterpret_cast<LPCWSTR>(programma.utf16()),
                                                reinterpret_cast<LPCWSTR>(argomento.utf16()), nullptr, SW_SHOWNORMAL));
    return avvio > 32;
}
#else
// The program associated with HTML pages by the XDG associations, started detached with the address as
// one argument of its own: no shell stands in between, so nothing in the address is interpreted.
bool apriConIlBrowser(const QString &pagina, const QString &indirizzo, QWidget *proprietario, bool &trovato)
{
    Q_UNUSED(pagina);
    Q_UNUSED(proprietario);
    const Browser::Comando comando = Browser::comandoPer(QStringLiteral("text/html"), indirizzo);
    trovato = comando.trovato();
    return trovato && QProcess::startDetached(comando.programma, comando.argomenti);
}
#endif

} // namespace

namespace Modulo1 {

qint64 arrotondaPari(double x)
{
    const double giu = std::floor(x);
    const double resto = x - giu;
    if (resto > 0.5)
        return static_cast<qint64>(giu) + 1;
    if (resto < 0.5)
        return static_cast<qint64>(giu);
    const qint64 g = static_cast<qint64>(giu);
    return (g % 2 == 0) ? g : g + 1;
}

QPoint posizioneCentrata(double larghezzaSchermo, double altezzaSchermo, double larghezza, double altezza)
{
    const qint64 alto = arrotondaPari(altezzaSchermo - altezza) / 2;
    const qint64 sinistra = arrotondaPari(larghezzaSchermo - larghezza) / 2;
    return QPoint(static_cast<int>(sinistra), static_cast<int>(alto));
}

int voceMostrata(const QComboBox *combo)
{
    return combo ? combo->findText(combo->currentText(), Qt::MatchFixedString) : -1;
}

bool impostaProprieta(QObject *oggetto, const char *nome, const QVariant &valore)
{
    if (!oggetto)
        return false;
    const int indice = oggetto->metaObject()->indexOfProperty(nome);
    if (indice < 0)
        return false;
    const QMetaProperty proprieta = oggetto->metaObject()->property(indice);
    if (!proprieta.isWritable())
        return false;
    return proprieta.write(oggetto, valore);
}

void ApplicaStile(QWidget *form)
{
    if (!form)
        return;
    const QList<QWidget *> controlli = form->findChildren<QWidget *>();
    QWidget *barra = form->findChild<QWidget *>(QStringLiteral("OsenXPForm1"));

    for (QWidget *controllo : controlli) {
        if (qobject_cast<OsenXPLabel *>(controllo)) {
            impostaProprieta(controllo, "TabStop", false);
            impostaProprieta(controllo, "BackStyle", 0);
        }
        impostaProprieta(barra, "ShowMaximize", false);
        if (qobject_cast<OsenXPTextBox *>(controllo)) {
            const bool abilitato = controllo->property("Enabled").toBool();
            impostaProprieta(controllo, "TabStop", abilitato);
        }
        if (qobject_cast<OsenXPForm *>(controllo)) {
            impostaProprieta(controllo, "DrawGradientForm", true);
            impostaProprieta(controllo, "Icon", iconaPrincipale());
            impostaProprieta(controllo, "MinButton", false);
            impostaProprieta(controllo, "MaxButton", false);
            impostaProprieta(controllo, "ShowMaximize", false);
            impostaProprieta(controllo, "ShowMinimize", false);
        }
    }

    for (QWidget *controllo : controlli) {
        if (!qobject_cast<OsenXPButton *>(controllo))
            continue;
        QString caption = controllo->property("Caption").toString();
        for (const VoceDidascalia &voce : kDidascalie) {
            if (caption == QLatin1String(voce.chiave)) {
                caption = QString::fromLatin1(voce.nuova);
                impostaProprieta(controllo, "Caption", caption);
            }
        }
    }
}

void CentraForm(QWidget *form)
{
    if (!form)
        return;
    const QScreen *schermo = form->screen() ? form->screen() : QGuiApplication::primaryScreen();
    if (!schermo)
        return;
    const QRect area = schermo->geometry();
    const QRect cornice = form->frameGeometry();
    const QPoint posizione = posizioneCentrata(Twips::daPixel(area.width()), Twips::daPixel(area.height()),
                                               Twips::daPixel(cornice.width()), Twips::daPixel(cornice.height()));
    const int alto = area.top() + Twips::inPixel(posizione.y());
    const int sinistra = area.left() + Twips::inPixel(posizione.x());
    form->move(form->frameGeometry().left(), alto);
    form->move(sinistra, alto);
}

int MostraMessaggio(const QString &testo, qint32 stile, const QString &titolo)
{
    if (intercettatore())
        return intercettatore()(Messaggio{testo, stile, titolo});
    return mostraBox(testo, stile, titolo);
}

void impostaIntercettatoreMessaggi(Intercettatore funzione)
{
    intercettatore() = std::move(funzione);
}

void ApriPaginaWeb(const QString &indirizzo, QWidget *proprietario)
{
    if (indirizzo.isEmpty())
        return;

    // The scratch page goes beside the program; where that directory is not writable (an installed
    // program), into the user's temporary directory under a name of its own.
    QString pagina = Percorsi::fileProgramma(QStringLiteral("test.htm"));
    if (!scriviPaginaProva(pagina)) {
        QTemporaryFile temporaneo(QDir::tempPath() + QStringLiteral("/sportello-XXXXXX.htm"));
        temporaneo.setAutoRemove(false);
        pagina = temporaneo.open() ? temporaneo.fileName() : QString();
        temporaneo.close();
        if (!pagina.isEmpty() && !scriviPaginaProva(pagina)) {
            QFile::remove(pagina);
            pagina.clear();
        }
    }

    bool trovato = false;
    const bool avviato = apriConIlBrowser(pagina, indirizzo, proprietario, trovato);
    if (!trovato)
        MostraMessaggio(QStringLiteral("Could not find associated Browser"), 48, QStringLiteral("Browser Not Found"));
    else if (!avviato)
        MostraMessaggio(QStringLiteral("Unable to open Web Page."), 48, QStringLiteral("Quietanza"));

    if (!pagina.isEmpty())
        QFile::remove(pagina);
}

RitornoTastiera::RitornoTastiera()
    : m_finestra(QApplication::activeWindow())
{}

RitornoTastiera::~RitornoTastiera()
{
    if (m_finestra && m_finestra->isVisible() && QApplication::activeWindow() != m_finestra) {
        m_finestra->activateWindow();
    }
}

QIcon iconaPrincipale()
{
    // From a pixmap: a QIcon made from a file name loads every image format plugin to read it.
    static const QIcon icona(ImmaginiDecodificate::pixmap(QStringLiteral(":/app/images/sportello.png")));
    return icona;
}

void Beep()
{
    ++contatoreBeep();
    QApplication::beep();
}

int beepSuonati()
{
    return contatoreBeep();
}

} // namespace Modulo1
