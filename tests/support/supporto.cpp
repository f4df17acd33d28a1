#include "supporto.h"

#include <utility>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QFile>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include "percorsi.h"

#ifndef Q_OS_WIN
#include <unistd.h>
#endif

RegistroMessaggi::RegistroMessaggi()
{
    Modulo1::impostaIntercettatoreMessaggi([this](const Modulo1::Messaggio &m) {
        m_messaggi.push_back(m);
        if (m_risposte.empty())
            return 1;
        const int risposta = m_risposte.front();
        m_risposte.erase(m_risposte.begin());
        return risposta;
    });
}

RegistroMessaggi::~RegistroMessaggi()
{
    Modulo1::impostaIntercettatoreMessaggi({});
}

CartellaProgrammaFinta::CartellaProgrammaFinta()
{
    Percorsi::impostaCartellaProgramma(m_cartella.path());
}

CartellaProgrammaFinta::~CartellaProgrammaFinta()
{
    Percorsi::impostaCartellaProgramma(QString());
}

void CartellaProgrammaFinta::scrivi(const QString &nome, const QByteArray &byte) const
{
    QFile f(m_cartella.filePath(nome));
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(byte);
}

bool letturaNegabile()
{
#ifdef Q_OS_WIN
    return false;
#else
    return ::geteuid() != 0;
#endif
}

void quandoModale(std::function<void(QWidget *)> azione, int millisecondi)
{
    auto *timer = new QTimer;
    const QDeadlineTimer scadenza(millisecondi);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, azione = std::move(azione), scadenza]() {
        QWidget *modale = QApplication::activeModalWidget();
        if (modale && modale->isVisible()) {
            timer->stop();
            timer->deleteLater();
            azione(modale);
        } else if (scadenza.hasExpired()) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start(10);
}

QStringList scegliLuogo(QWidget *scelta, int riga)
{
    auto *lista = scelta->findChild<QListWidget *>(QStringLiteral("Luoghi"));
    QStringList voci;
    for (int i = 0; i < lista->count(); ++i)
        voci << lista->item(i)->text();
    // The list has the keyboard; the keys go to it whether or not the window is active yet.
    EXPECT_EQ(scelta->focusWidget(), lista);
    if (riga == -2) {
        QTest::keyClick(lista, Qt::Key_Escape);
        return voci;
    }
    for (int i = 0; i < riga; ++i)
        QTest::keyClick(lista, Qt::Key_Down);
    QTest::keyClick(lista, Qt::Key_Return);
    return voci;
}

void PrintTo(const QString &testo, std::ostream *os)
{
    *os << '"' << testo.toStdString() << '"';
}

::testing::AssertionResult apriPerProva(FormSportello &finestra)
{
    if (!finestra.carica())
        return ::testing::AssertionFailure() << "the window unloaded itself while loading";
    finestra.show();
    finestra.activateWindow();
    if (!QTest::qWaitForWindowActive(&finestra))
        return ::testing::AssertionFailure() << "the window never became active";
    return ::testing::AssertionSuccess();
}

QWidget *finestraInPrimoPiano()
{
    if (QWidget *popup = QApplication::activePopupWidget())
        return popup;
    if (QWidget *modale = QApplication::activeModalWidget())
        return modale;
    return QApplication::activeWindow();
}

namespace {

void invia(const QString &passo)
{
    QWidget *davanti = finestraInPrimoPiano();
    QWindow *finestra = davanti ? davanti->windowHandle() : nullptr;
    if (!finestra || passo.startsWith(QLatin1String("p:")))
        return;
    // Keys go where the window system sends them: to the control with the focus in the front window.
    QWidget *bersaglio = davanti->focusWidget() ? davanti->focusWidget() : davanti;
    if (passo.startsWith(QLatin1String("t:"))) {
        QTest::keyClicks(bersaglio, passo.mid(2));
        return;
    }
    if (passo.startsWith(QLatin1String("c:")) || passo.startsWith(QLatin1String("d:"))) {
        const QStringList xy = passo.mid(2).split(QLatin1Char(','));
        const QPoint punto(xy.value(0).toInt(), xy.value(1).toInt());
        if (passo[0] == QLatin1Char('c'))
            QTest::mouseClick(finestra, Qt::LeftButton, {}, punto);
        else
            QTest::mouseDClick(finestra, Qt::LeftButton, {}, punto);
        return;
    }
    const QKeySequence tasti = QKeySequence::fromString(passo);
    if (tasti.isEmpty() || tasti[0].key() == Qt::Key_unknown)
        return;
    QTest::keyClick(bersaglio, tasti[0].key(), tasti[0].keyboardModifiers());
}

// The window that should have the keyboard when none has it: the modal window in front, else the one
// window shown.
QWidget *senzaGestore()
{
    if (QApplication::activeWindow() || QApplication::activePopupWidget())
        return nullptr;
    if (QWidget *modale = QApplication::activeModalWidget())
        return modale;
    QWidget *sola = nullptr;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (!w->isVisible() || w->windowType() == Qt::Popup || w->windowType() == Qt::ToolTip)
            continue;
        if (sola)
            return nullptr;
        sola = w;
    }
    return sola;
}

// The steps, each sent from a fresh turn of the event loop: the loop of a modal window when the step
// before opened one.
struct Passi : QObject {
    int quanti = 0;
    int fatti = 0;
    int attesa = 0;
    bool finiti = false;
    std::function<QString(int)> passo;
    std::function<void()> allaFine;

    void avanti()
    {
        // A modal window that has just opened gets the keyboard before the next step.
        QWidget *modale = QApplication::activeModalWidget();
        if (modale && modale != ultimoModale && !modale->isActiveWindow() && attesaAttivazione++ < 20) {
            QTimer::singleShot(10, this, &Passi::avanti);
            return;
        }
        ultimoModale = modale;
        attesaAttivazione = 0;
        // Nothing here gives the keyboard back when the active window goes (a popup closed by a click, a
        // dialog over a dialog): a window manager gives it to the window in front, and so does the walk.
        if (QWidget *davanti = senzaGestore(); davanti && attesaRitorno++ < 20) {
            davanti->activateWindow();
            QTimer::singleShot(10, this, &Passi::avanti);
            return;
        }
        attesaRitorno = 0;
        if (fatti == quanti) {
            // A window that the last step closed gives the keyboard back once its event loop has ended.
            if (riposo++ < 3) {
                QTimer::singleShot(10, this, &Passi::avanti);
                return;
            }
            allaFine();
            finiti = true;
            // A click still on its way after the last step (an access key's, on a busy machine) may open a
            // modal window whose own event loop would hold the wait for the end: one still there two seconds
            // on is closed, so that the walk returns.
            auto *guardia = new QTimer(this);
            connect(guardia, &QTimer::timeout, this, [] {
                if (QWidget *modale = QApplication::activeModalWidget())
                    modale->close();
            });
            guardia->start(2000);
            return;
        }
        const QString p = passo(fatti++);
        int pausa = p.startsWith(QLatin1String("Alt+")) ? attesa : 0;
        if (p.startsWith(QLatin1String("p:")))
            pausa = p.mid(2).toInt();
        QTimer::singleShot(pausa, this, &Passi::avanti);
        invia(p);
    }

    int attesaAttivazione = 0;
    int attesaRitorno = 0;
    QPointer<QWidget> ultimoModale;
    int riposo = 0;
};

} // namespace

bool eseguiPassi(int quanti, const std::function<QString(int)> &passo, const std::function<void()> &allaFine,
                 int attesa, int limite)
{
    Passi passi;
    passi.quanti = quanti;
    passi.attesa = attesa;
    passi.passo = passo;
    passi.allaFine = allaFine;
    QTimer::singleShot(0, &passi, &Passi::avanti);
    return QTest::qWaitFor([&passi] { return passi.finiti; }, limite);
}

QString mostra(const char *nome)
{
    QWidget *davanti = finestraInPrimoPiano();
    if (!davanti)
        return QStringLiteral("(nessuna finestra)");
    if (qstrcmp(nome, "@finestra") == 0)
        return davanti->windowTitle();
    if (qstrcmp(nome, "@fuoco") == 0)
        return QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString();
    const QWidget *w = davanti->findChild<QWidget *>(QString::fromLatin1(nome));
    if (const auto *testo = qobject_cast<const QLineEdit *>(w))
        return testo->text();
    if (const auto *combo = qobject_cast<const QComboBox *>(w))
        return combo->currentText();
    if (const auto *etichetta = qobject_cast<const QLabel *>(w))
        return etichetta->text();
    if (const auto *lista = qobject_cast<const QAbstractItemView *>(w))
        return lista->currentIndex().data().toString();
    if (const auto *pulsante = qobject_cast<const QAbstractButton *>(w))
        return pulsante->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
    return QStringLiteral("(%1 non trovato)").arg(QLatin1String(nome));
}

void chiudiModali(const QWidget *sotto)
{
    for (int i = 0; i < 10; ++i) {
        QWidget *modale = QApplication::activeModalWidget();
        if (!modale || modale == sotto)
            return;
        modale->close();
    }
}
