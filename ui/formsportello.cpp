#include "formsportello.h"

#include <QKeyEvent>
#include <QPainter>
#include <QShortcut>

#include "modulo1.h"

FormSportello::FormSportello(const QString &caption, int larghezzaTwips, int altezzaTwips, bool barraTitolo)
    : QDialog(nullptr)
{
    setWindowTitle(caption);
    setFixedSize(Twips::inPixel(larghezzaTwips), Twips::inPixel(altezzaTwips));
    setAutoFillBackground(true);
    QPalette tavolozza = palette();
    tavolozza.setColor(QPalette::Window, Aspetto::sfondoFinestra());
    setPalette(tavolozza);
    setFont(Aspetto::msSansSerif());

    if (barraTitolo) {
        setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
        m_barra = crea<OsenXPForm>("OsenXPForm1", 0, 0, larghezzaTwips, 450);
        m_barra->setCaption(caption);
    } else {
        setWindowFlags(Qt::Dialog | Qt::WindowCloseButtonHint | Qt::WindowTitleHint | Qt::MSWindowsFixedSizeDialogHint);
    }
    // The keyboard closes the window as the close box does; Alt+F4 also where no window manager takes it.
    for (const QKeySequence &tasti : {QKeySequence(Qt::CTRL | Qt::Key_W), QKeySequence(Qt::ALT | Qt::Key_F4)})
        connect(new QShortcut(tasti, this), &QShortcut::activated, this, &QWidget::close);
}

bool FormSportello::carica()
{
    m_scaricata = false;
    m_inCaricamento = true;
    Form_Load();
    m_inCaricamento = false;
    return !m_scaricata;
}

void FormSportello::Unload()
{
    m_scaricata = true;
    if (!m_inCaricamento)
        close();
}

bool FormSportello::apriModale()
{
    // Qt's own texts (the context menus of text boxes and lists) in Italian from the first tool window on.
    Aspetto::caricaTraduzioni();
    if (!carica())
        return false;
    const Modulo1::RitornoTastiera ritorno;
    exec();
    return true;
}

void FormSportello::ordineTab(std::initializer_list<QWidget *> controlli)
{
    QWidget *precedente = nullptr;
    for (QWidget *controllo : controlli) {
        if (precedente)
            QWidget::setTabOrder(precedente, controllo);
        precedente = controllo;
    }
}

bool FormSportello::event(QEvent *event)
{
    const bool risultato = QDialog::event(event);
    if (event->type() == QEvent::WindowActivate)
        Form_Activate();
    return risultato;
}

void FormSportello::keyPressEvent(QKeyEvent *event)
{
    // Escape does not close a window: what the user typed stays until the window is closed on purpose.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void FormSportello::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // A modal window is made active as it shows; the main window too, so that the keyboard works from
    // the start where no window manager gives it the focus.
    if (!isModal() && !event->spontaneous())
        activateWindow();
}

void FormSportello::paintEvent(QPaintEvent *event)
{
    QDialog::paintEvent(event);
    if (!m_barra)
        return;
    // Without the system frame, a thin border of the title bar's colour closes the window off.
    QPainter p(this);
    p.setPen(QColor(0, 60, 180));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}
