#pragma once

#include <functional>

#include <QIcon>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <QVariant>

class QComboBox;
class QObject;
class QWidget;

// The common module shared by every window: styling and placement, the message box, the web page opener.
namespace Modulo1 {

// Themes the controls of one window (all its child widgets, in creation order): the title bar named
// "OsenXPForm1", labels, text boxes and buttons. Applying it twice gives the same result as once.
void ApplicaStile(QWidget *form);

// Centres a window on the whole screen: Top, then Left.
void CentraForm(QWidget *form);

// Left and Top, in twips, of a window of the given outer size on a screen of the given size (twips).
// Operands are rounded to whole numbers, halves to the even neighbour, then divided by 2 toward zero.
QPoint posizioneCentrata(double larghezzaSchermo, double altezzaSchermo, double larghezza, double altezza);

// Whole number nearest to x, halves going to the even neighbour.
qint64 arrotondaPari(double x);

// The entry of a combo box whose text the box shows, upper and lower case aside; -1 when the text, typed
// or left at its prompt, is no entry's. The window works with this entry, never with one the text has left.
int voceMostrata(const QComboBox *combo);

// Sets a property by name; a property that the object does not have is skipped (returns false), so
// styling a control that lacks one step carries on with the next.
bool impostaProprieta(QObject *oggetto, const char *nome, const QVariant &valore);

// The program's only message box. The style code has the meaning of the Windows message box style
// (buttons 0-5, icons 16/32/48/64, default button 256/512); the answer is the code of the button pressed
// (1 OK, 2 Cancel, 3 Abort, 4 Retry, 5 Ignore, 6 Yes, 7 No).
int MostraMessaggio(const QString &testo, qint32 stile, const QString &titolo);

// Opens a web address with the program associated with HTML pages, as its own process.
void ApriPaginaWeb(const QString &indirizzo, QWidget *proprietario);

// Keeps the window that has the keyboard when it is made, and gives the keyboard back to it when it goes,
// once a modal window or message box opened above has closed: on a bare X server no window manager does.
class RitornoTastiera final
{
public:
    RitornoTastiera();
    ~RitornoTastiera();
    RitornoTastiera(const RitornoTastiera &) = delete;
    RitornoTastiera &operator=(const RitornoTastiera &) = delete;

private:
    QPointer<QWidget> m_finestra;
};

// The icon of the main window, given to every title bar.
QIcon iconaPrincipale();

// The system beep; every beep is counted, so that tests can see it.
void Beep();
int beepSuonati();

// Test seam: while set, MostraMessaggio hands each message to the function instead of showing a box and
// returns its answer. An empty function restores the real box.
struct Messaggio {
    QString testo;
    qint32 stile = 0;
    QString titolo;
};
using Intercettatore = std::function<int(const Messaggio &)>;
void impostaIntercettatoreMessaggi(Intercettatore funzione);

} // namespace Modulo1
