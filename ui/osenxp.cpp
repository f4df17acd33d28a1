#include "osenxp.h"

#include <QAccessible>
#include <QApplication>
#include <QFont>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLibraryInfo>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>
#include <QStyleFactory>
#include <QStyleOptionButton>
#include <QTranslator>
#include <QWindow>

#include "cp1252.h"
#include "immaginidecodificate.h"
#include "modulo1.h"
#include "twips.h"

namespace Aspetto {

QColor sfondoFinestra()
{
    return QColor(236, 233, 216);
}

// The free faces that stand in for the Windows ones. Asking for them by name spares the font database the
// search for a family that does not exist and its fallbacks, which is most of the cost of the first text.
// Windows has the faces themselves, but MS Sans Serif there is a bitmap face that neither scales with the
// screen nor is smoothed as Windows 10 and 11 draw text: Microsoft Sans Serif, its outline twin with the
// same metrics, stands in for it. The free faces follow, for Wine.
QStringList sostituti(const QString &famiglia)
{
#ifdef Q_OS_WIN
    if (famiglia == QLatin1String("MS Sans Serif"))
        return {QStringLiteral("Microsoft Sans Serif"), QStringLiteral("Tahoma"), QStringLiteral("Liberation Sans")};
    if (famiglia == QLatin1String("Tahoma"))
        return {QStringLiteral("Tahoma"), QStringLiteral("DejaVu Sans")};
    if (famiglia == QLatin1String("Arial"))
        return {QStringLiteral("Arial"), QStringLiteral("Liberation Sans")};
    return {famiglia};
#else
    if (famiglia == QLatin1String("Tahoma"))
        return {QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans")};
    if (famiglia == QLatin1String("MS Sans Serif") || famiglia == QLatin1String("Arial"))
        return {QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")};
    return {famiglia};
#endif
}

QFont carattere(const QString &famiglia, double punti, bool grassetto)
{
    QFont f;
    f.setFamilies(sostituti(famiglia));
    f.setPointSizeF(punti);
    f.setBold(grassetto);
    return f;
}

QFont msSansSerif(double punti, bool grassetto)
{
    return carattere(QStringLiteral("MS Sans Serif"), punti, grassetto);
}

QFont tahoma(double punti, bool grassetto)
{
    return carattere(QStringLiteral("Tahoma"), punti, grassetto);
}

QFont arial(double punti, bool grassetto)
{
    return carattere(QStringLiteral("Arial"), punti, grassetto);
}

QFont testoFisso(QFont font)
{
    font.setStyleStrategy(QFont::NoFontMerging);
    return font;
}

namespace {
class OsservaAccessibilita final : public QAccessible::ActivationObserver
{
public:
    void accessibilityActiveChanged(bool attiva) override
    {
        if (attiva)
            caricaTraduzioni();
    }
};
} // namespace

void inizializza()
{
    // Free faces from Debian in place of the Windows ones: Liberation Sans is metric-compatible with Arial
    // and close to MS Sans Serif; DejaVu Sans stands in for Tahoma.
    for (const char *windows : {"MS Sans Serif", "Arial", "Tahoma"})
        QFont::insertSubstitutions(QString::fromLatin1(windows), sostituti(QString::fromLatin1(windows)));

    if (QApplication::style()->name().compare(QLatin1String("fusion"), Qt::CaseInsensitive) != 0) {
        if (QStyle *stile = QStyleFactory::create(QStringLiteral("Fusion")))
            QApplication::setStyle(stile);
    }
    QPalette tavolozza = QApplication::palette();
    tavolozza.setColor(QPalette::Window, sfondoFinestra());
    tavolozza.setColor(QPalette::Button, sfondoFinestra());
    // The selection in lists in the XP blue, dark enough under white text (5:1, where Fusion's is 3.7:1).
    for (QPalette::ColorGroup gruppo : {QPalette::Active, QPalette::Inactive})
        tavolozza.setColor(gruppo, QPalette::Highlight, QColor(49, 106, 197));
    QApplication::setPalette(tavolozza);
    QApplication::setFont(msSansSerif());

    QApplication::setWindowIcon(Modulo1::iconaPrincipale());

    // Qt's own texts are read by a screen reader (the names of the actions) as soon as one listens.
    static OsservaAccessibilita osservatore;
    QAccessible::installActivationObserver(&osservatore);
    if (QAccessible::isActive())
        caricaTraduzioni();
}

void caricaTraduzioni()
{
    // The interface is Italian throughout, Qt's own texts included.
    static QTranslator traduttore;
    if (traduttore.isEmpty() &&
        traduttore.load(QStringLiteral("qtbase_it"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&traduttore);
}

} // namespace Aspetto

// ---------------------------------------------------------------------------------------------------------
// Title bar

namespace {

void disegnaPulsanteBarra(QPainter &p, const QRect &r, const QColor &base, bool evidenziato)
{
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, evidenziato ? base.lighter(140) : base.lighter(120));
    g.setColorAt(1, base);
    p.setPen(QPen(Qt::white, 1));
    p.setBrush(g);
    p.drawRoundedRect(QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
}

// The red close box of the title bar. It takes no focus, as no title bar control does: the keyboard
// closes a window with Ctrl+W or Alt+F4.
class PulsanteChiudi final : public QAbstractButton
{
public:
    explicit PulsanteChiudi(QWidget *parent)
        : QAbstractButton(parent)
    {
        setObjectName(QStringLiteral("cmdChiudi"));
        setFocusPolicy(Qt::NoFocus);
        setAttribute(Qt::WA_Hover);
        setToolTip(QStringLiteral("Chiudi"));
        setAccessibleName(QStringLiteral("Chiudi"));
        connect(this, &QAbstractButton::clicked, this, [this] { window()->close(); });
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QRect r = rect();
        disegnaPulsanteBarra(p, r, QColor(196, 52, 17), underMouse() && !isDown());
        p.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap));
        const QRectF croce = QRectF(r).adjusted(r.width() * 0.3, r.height() * 0.3, -r.width() * 0.3, -r.height() * 0.3);
        p.drawLine(croce.topLeft(), croce.bottomRight());
        p.drawLine(croce.topRight(), croce.bottomLeft());
    }
};

} // namespace

OsenXPForm::OsenXPForm(QWidget *parent)
    : QWidget(parent)
    , m_chiudi(new PulsanteChiudi(this))
{
    setFont(Aspetto::testoFisso(Aspetto::arial(9.75, true)));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
}

void OsenXPForm::setCaption(const QString &caption)
{
    m_caption = caption;
    setAccessibleName(caption);
    update();
}

void OsenXPForm::setDrawGradientForm(bool valore)
{
    m_gradiente = valore;
    update();
}

void OsenXPForm::setMinButton(bool valore)
{
    m_minButton = valore;
    update();
}

void OsenXPForm::setMaxButton(bool valore)
{
    m_maxButton = valore;
    update();
}

void OsenXPForm::setShowMaximize(bool valore)
{
    m_showMaximize = valore;
    update();
}

void OsenXPForm::setShowMinimize(bool valore)
{
    m_showMinimize = valore;
    update();
}

void OsenXPForm::setIcon(const QIcon &icona)
{
    m_icona = icona;
    update();
}

QRect OsenXPForm::rettangoloChiudi() const
{
    const int lato = height() - 8;
    return QRect(width() - lato - 5, 4, lato, lato);
}

QRect OsenXPForm::rettangoloMinimizza() const
{
    if (!(m_minButton && m_showMinimize))
        return {};
    const QRect chiudi = rettangoloChiudi();
    return chiudi.translated(-(chiudi.width() + 3), 0);
}

void OsenXPForm::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRect r = rect();
    if (m_gradiente) {
        QLinearGradient g(r.topLeft(), r.bottomLeft());
        g.setColorAt(0.0, QColor(9, 97, 232));
        g.setColorAt(0.12, QColor(61, 149, 255));
        g.setColorAt(0.45, QColor(0, 84, 227));
        g.setColorAt(1.0, QColor(2, 69, 204));
        p.fillRect(r, g);
    } else {
        p.fillRect(r, QColor(0, 84, 227));
    }

    int x = 6;
    if (!m_icona.isNull()) {
        const int lato = 16;
        m_icona.paint(&p, QRect(x, (height() - lato) / 2, lato, lato));
        x += lato + 6;
    }

    const QRect chiudi = rettangoloChiudi();
    const QRect minimizza = rettangoloMinimizza();
    const int destra = (minimizza.isNull() ? chiudi.left() : minimizza.left()) - 6;

    p.setFont(font());
    const QRect testo(x, 0, qMax(0, destra - x), height());
    const QString caption = p.fontMetrics().elidedText(m_caption, Qt::ElideRight, testo.width());
    p.setPen(QColor(10, 24, 131));
    p.drawText(testo.translated(1, 1), Qt::AlignVCenter | Qt::AlignLeft, caption);
    p.setPen(Qt::white);
    p.drawText(testo, Qt::AlignVCenter | Qt::AlignLeft, caption);

    if (!minimizza.isNull()) {
        disegnaPulsanteBarra(p, minimizza, QColor(0, 84, 227), false);
        p.setPen(QPen(Qt::white, 2));
        p.drawLine(QPointF(minimizza.left() + minimizza.width() * 0.3, minimizza.bottom() - minimizza.height() * 0.3),
                   QPointF(minimizza.right() - minimizza.width() * 0.4, minimizza.bottom() - minimizza.height() * 0.3));
    }
}

void OsenXPForm::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_chiudi->setGeometry(rettangoloChiudi());
}

void OsenXPForm::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint punto = event->position().toPoint();
    if (rettangoloMinimizza().contains(punto)) {
        window()->showMinimized();
        return;
    }
    // Dragging the title bar moves the window; the window manager does it where it can.
    QWindow *finestra = window()->windowHandle();
    if (finestra && finestra->startSystemMove())
        return;
    m_trascina = true;
    m_origineTrascina = event->globalPosition().toPoint() - window()->frameGeometry().topLeft();
}

void OsenXPForm::mouseMoveEvent(QMouseEvent *event)
{
    if (m_trascina)
        window()->move(event->globalPosition().toPoint() - m_origineTrascina);
}

void OsenXPForm::mouseReleaseEvent(QMouseEvent *)
{
    m_trascina = false;
}

// ---------------------------------------------------------------------------------------------------------
// Label

OsenXPLabel::OsenXPLabel(QWidget *parent)
    : QLabel(parent)
{
    setFont(Aspetto::msSansSerif());
    setWordWrap(true);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setTextFormat(Qt::PlainText);
    setBackStyle(1);
}

void OsenXPLabel::setCaption(const QString &caption)
{
    setText(caption);
    aggiornaNome();
}

void OsenXPLabel::setCampo(const QString &campo)
{
    m_campo = campo;
    aggiornaNome();
}

void OsenXPLabel::aggiornaNome()
{
    if (m_campo.isEmpty())
        return;
    setAccessibleName(text().isEmpty() ? m_campo : m_campo + QStringLiteral(": ") + text());
}

void OsenXPLabel::setBackStyle(int stile)
{
    m_backStyle = stile;
    setAutoFillBackground(stile != 0);
    if (stile != 0) {
        QPalette tavolozza = palette();
        tavolozza.setColor(QPalette::Window, Aspetto::sfondoFinestra());
        setPalette(tavolozza);
    }
    update();
}

void OsenXPLabel::setAlignmentCode(int codice)
{
    m_allineamento = codice;
    const Qt::Alignment orizzontale = codice == 1 ? Qt::AlignHCenter : codice == 2 ? Qt::AlignRight : Qt::AlignLeft;
    setAlignment(orizzontale | Qt::AlignTop);
}

// ---------------------------------------------------------------------------------------------------------
// Text box

OsenXPTextBox::OsenXPTextBox(QWidget *parent)
    : QLineEdit(parent)
{
    setFont(Aspetto::msSansSerif());
    // A display box is disabled, but its text stays as dark as any other to be read.
    setStyleSheet(QStringLiteral("OsenXPTextBox { border: 1px solid rgb(127,157,185); background: white;"
                                 " padding: 0px 2px; }"
                                 "OsenXPTextBox:disabled { background: rgb(245,244,234); color: black; }"
                                 "OsenXPTextBox:focus { border: 1px solid rgb(49,106,197); }"));
    aggiornaFocus();
}

void OsenXPTextBox::setTabStop(bool valore)
{
    m_tabStop = valore;
    aggiornaFocus();
}

void OsenXPTextBox::aggiornaFocus()
{
    setFocusPolicy(m_tabStop ? Qt::StrongFocus : Qt::ClickFocus);
}

// The code the key handler receives for a character: its Windows-1252 byte, "?" for any other.
static int codiceDi(QChar c)
{
    const int byte = Cp1252::byteDi(c);
    return byte < 0 ? '?' : byte;
}

QString OsenXPTextBox::filtra(const QString &testo)
{
    QString passa;
    for (QChar c : testo) {
        const int originale = codiceDi(c);
        int codice = originale;
        m_keyPress(codice);
        if (codice == originale)
            passa += c;
        else if (codice >= 32 && codice <= 255)
            passa += Cp1252::decodificaByte(static_cast<unsigned char>(codice));
    }
    return passa;
}

void OsenXPTextBox::keyPressEvent(QKeyEvent *event)
{
    if (!m_keyPress || isReadOnly()) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    const int tasto = event->key();
    const Qt::KeyboardModifiers modificatori = event->modifiers() & ~Qt::KeypadModifier;
    int codice = -1;
    if (tasto == Qt::Key_Return || tasto == Qt::Key_Enter)
        codice = 13;
    else if (tasto == Qt::Key_Backspace && modificatori == Qt::NoModifier)
        codice = 8;
    else if (tasto == Qt::Key_Escape)
        codice = 27;
    if (codice >= 0) {
        const int originale = codice;
        m_keyPress(codice);
        if (codice == originale)
            QLineEdit::keyPressEvent(event);
        else if (codice == 8)
            backspace();
        else if (codice >= 32 && codice <= 255)
            insert(QString(Cp1252::decodificaByte(static_cast<unsigned char>(codice))));
        event->accept();
        return;
    }
    // A key that would type text goes through the handler whatever modifiers are held (Alt+A types "a"
    // where no access key takes it); Ctrl with a key is a command, never text.
    const QString testo = event->text();
    const bool comando =
        modificatori == Qt::ControlModifier || modificatori == (Qt::ControlModifier | Qt::ShiftModifier);
    if (testo.isEmpty() || comando || !testo.at(0).isPrint()) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    const QString passa = filtra(testo);
    if (!passa.isEmpty())
        insert(passa);
    event->accept();
}

// Text composed by an input method (dead keys, compose sequences) goes through the same handler.
void OsenXPTextBox::inputMethodEvent(QInputMethodEvent *event)
{
    if (!m_keyPress || isReadOnly() || event->commitString().isEmpty()) {
        QLineEdit::inputMethodEvent(event);
        return;
    }
    QInputMethodEvent filtrato(event->preeditString(), event->attributes());
    filtrato.setCommitString(filtra(event->commitString()), event->replacementStart(), event->replacementLength());
    QLineEdit::inputMethodEvent(&filtrato);
    event->accept();
}

// ---------------------------------------------------------------------------------------------------------
// Button

OsenXPButton::OsenXPButton(QWidget *parent)
    : QPushButton(parent)
{
    setFont(Aspetto::testoFisso(Aspetto::msSansSerif(8.25, true)));
    // Enter in a text box belongs to that box's key handler, never to a default button.
    setAutoDefault(false);
    setDefault(false);
    setAttribute(Qt::WA_Hover);
}

void OsenXPButton::setPicture(const QPixmap &immagine)
{
    m_immagine = immagine;
    m_risorsa.clear();
    update();
}

void OsenXPButton::setPictureRisorsa(const QString &risorsa)
{
    m_immagine = QPixmap();
    m_risorsa = risorsa;
    update();
}

QPixmap OsenXPButton::Picture() const
{
    return m_risorsa.isEmpty() ? m_immagine : ImmaginiDecodificate::pixmap(m_risorsa);
}

void OsenXPButton::setPicturePosition(int codice)
{
    m_posizioneImmagine = codice;
    update();
}

// Return and keypad Enter press the focused button, as Space does; no button is a default button, so
// Return in a text box stays with that box's own handler.
void OsenXPButton::keyPressEvent(QKeyEvent *event)
{
    const bool invio = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (invio && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        event->accept();
        if (!event->isAutoRepeat())
            click();
        return;
    }
    QPushButton::keyPressEvent(event);
}

QSize OsenXPButton::sizeHint() const
{
    return QPushButton::sizeHint();
}

void OsenXPButton::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const bool premuto = isDown() || isChecked();
    const bool sopra = underMouse() && isEnabled();

    QLinearGradient g(r.topLeft(), r.bottomLeft());
    if (!isEnabled()) {
        g.setColorAt(0, QColor(245, 244, 234));
        g.setColorAt(1, QColor(226, 224, 212));
    } else if (premuto) {
        g.setColorAt(0, QColor(129, 169, 226));
        g.setColorAt(1, QColor(236, 242, 252));
    } else {
        g.setColorAt(0, Qt::white);
        g.setColorAt(1, sopra ? QColor(150, 186, 236) : QColor(129, 169, 226));
    }
    p.setPen(QPen(isEnabled() ? QColor(0, 60, 116) : QColor(201, 199, 186), 1));
    p.setBrush(g);
    p.drawRoundedRect(r, 3, 3);
    if (sopra && !premuto) {
        p.setPen(QPen(QColor(248, 179, 48), 1.5));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(r.adjusted(1.5, 1.5, -1.5, -1.5), 2, 2);
    }

    QRect interno = rect().adjusted(4, 3, -4, -3);
    if (premuto)
        interno.translate(1, 1);

    if (!m_risorsa.isEmpty()) {
        m_immagine = ImmaginiDecodificate::pixmap(m_risorsa);
        m_risorsa.clear();
    }
    if (!m_immagine.isNull()) {
        QSize lato = m_immagine.deviceIndependentSize().toSize();
        if (lato.width() > interno.width() || lato.height() > interno.height())
            lato.scale(interno.size(), Qt::KeepAspectRatio);
        QPixmap immagine = m_immagine;
        if (!isEnabled())
            immagine = QIcon(m_immagine).pixmap(lato, QIcon::Disabled);
        if (text().isEmpty()) {
            const QRect dove(interno.center().x() - lato.width() / 2 + 1, interno.center().y() - lato.height() / 2 + 1,
                             lato.width(), lato.height());
            p.drawPixmap(dove, immagine);
        } else if (m_posizioneImmagine == 2) {
            const QRect dove(interno.center().x() - lato.width() / 2 + 1, interno.top(), lato.width(), lato.height());
            p.drawPixmap(dove, immagine);
            interno.setTop(dove.bottom() + 2);
        } else {
            const QRect dove(interno.left(), interno.center().y() - lato.height() / 2 + 1, lato.width(), lato.height());
            p.drawPixmap(dove, immagine);
            interno.setLeft(dove.right() + 4);
        }
    }

    if (!text().isEmpty()) {
        // The free fonts run wider than the Windows ones: a caption that does not fit the lines the button
        // has room for is drawn a little smaller rather than cut.
        QFont carattere = font();
        const int flag = Qt::AlignCenter | Qt::TextWordWrap | Qt::TextShowMnemonic;
        while (carattere.pointSizeF() > 6.5) {
            const QFontMetrics metriche(carattere);
            const QRect serve = metriche.boundingRect(interno, flag, text());
            if (serve.width() <= interno.width() && serve.height() <= interno.height())
                break;
            carattere.setPointSizeF(carattere.pointSizeF() - 0.25);
        }
        p.setFont(carattere);
        p.setPen(isEnabled() ? Qt::black : QColor(161, 161, 146));
        p.drawText(interno, Qt::AlignCenter | Qt::TextWordWrap | Qt::TextShowMnemonic, text());
    }

    if (hasFocus()) {
        QPen punteggiata(QColor(60, 60, 60), 1, Qt::DotLine);
        p.setPen(punteggiata);
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(rect()).adjusted(3.5, 3.5, -3.5, -3.5));
    }
}

// ---------------------------------------------------------------------------------------------------------
// Option button

OsenXPOptionButton::OsenXPOptionButton(QWidget *parent)
    : QRadioButton(parent)
{
    setFont(Aspetto::msSansSerif());
    setFocusPolicy(Qt::StrongFocus);
}

// ---------------------------------------------------------------------------------------------------------
// Picture

OsenXPPicture::OsenXPPicture(QWidget *parent)
    : QLabel(parent)
{
    setAlignment(Qt::AlignCenter);
    setFocusPolicy(Qt::NoFocus);
}

QPixmap OsenXPPicture::Picture() const
{
    return m_risorsa.isEmpty() ? m_immagine : ImmaginiDecodificate::pixmap(m_risorsa);
}

void OsenXPPicture::setPicture(const QPixmap &immagine)
{
    m_risorsa.clear();
    m_immagine = immagine;
    setPixmap(immagine);
}

void OsenXPPicture::setPictureRisorsa(const QString &risorsa)
{
    m_risorsa = risorsa;
    m_immagine = QPixmap();
    clear();
    if (isVisible())
        decodifica();
}

void OsenXPPicture::showEvent(QShowEvent *event)
{
    decodifica();
    QLabel::showEvent(event);
}

void OsenXPPicture::decodifica()
{
    if (m_risorsa.isEmpty())
        return;
    m_immagine = ImmaginiDecodificate::pixmap(m_risorsa);
    m_risorsa.clear();
    setPixmap(m_immagine);
}
