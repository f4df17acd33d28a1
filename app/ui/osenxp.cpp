#include "osenxp.h"

#include <QAccessible>
#include <QApplication>
#include <QFont>
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
QStringList sostituti(const QString &famiglia)
{
    if (famiglia == QLatin1String("Tahoma"))
        return {QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans")};
    if (famiglia == QLatin1String("MS Sans Serif") || famiglia == QLatin1String("Arial"))
        return {QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")};
    return {famiglia};
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

OsenXPForm::OsenXPForm(QWidget *parent)
    : QWidget(parent)
{
    setFont(Aspetto::testoFisso(Aspetto::arial(9.75, true)));
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
}

void OsenXPForm::setCaption(const QString &caption)
{
    m_caption = caption;
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

static void disegnaPulsanteBarra(QPainter &p, const QRect &r, const QColor &base, bool evidenziato)
{
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, evidenziato ? base.lighter(140) : base.lighter(120));
    g.setColorAt(1, base);
    p.setPen(QPen(Qt::white, 1));
    p.setBrush(g);
    p.drawRoundedRect(QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
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

    disegnaPulsanteBarra(p, chiudi, QColor(196, 52, 17), m_sopraChiudi);
    p.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap));
    const QRectF croce = QRectF(chiudi).adjusted(chiudi.width() * 0.3, chiudi.height() * 0.3, -chiudi.width() * 0.3,
                                                 -chiudi.height() * 0.3);
    p.drawLine(croce.topLeft(), croce.bottomRight());
    p.drawLine(croce.topRight(), croce.bottomLeft());

    if (!minimizza.isNull()) {
        disegnaPulsanteBarra(p, minimizza, QColor(0, 84, 227), false);
        p.setPen(QPen(Qt::white, 2));
        p.drawLine(QPointF(minimizza.left() + minimizza.width() * 0.3, minimizza.bottom() - minimizza.height() * 0.3),
                   QPointF(minimizza.right() - minimizza.width() * 0.4, minimizza.bottom() - minimizza.height() * 0.3));
    }
}

void OsenXPForm::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint punto = event->position().toPoint();
    if (rettangoloChiudi().contains(punto)) {
        m_premutoChiudi = true;
        return;
    }
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
    const bool sopra = rettangoloChiudi().contains(event->position().toPoint());
    if (sopra != m_sopraChiudi) {
        m_sopraChiudi = sopra;
        update(rettangoloChiudi());
    }
    if (m_trascina)
        window()->move(event->globalPosition().toPoint() - m_origineTrascina);
}

void OsenXPForm::mouseReleaseEvent(QMouseEvent *event)
{
    m_trascina = false;
    if (m_premutoChiudi && event->button() == Qt::LeftButton) {
        m_premutoChiudi = false;
        if (rettangoloChiudi().contains(event->position().toPoint()))
            window()->close();
    }
}

void OsenXPForm::leaveEvent(QEvent *)
{
    if (m_sopraChiudi) {
        m_sopraChiudi = false;
        update(rettangoloChiudi());
    }
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
    setStyleSheet(QStringLiteral("OsenXPTextBox { border: 1px solid rgb(127,157,185); background: white;"
                                 " padding: 0px 2px; }"
                                 "OsenXPTextBox:disabled { background: rgb(245,244,234); color: rgb(90,90,90); }"
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

void OsenXPTextBox::changeEvent(QEvent *event)
{
    QLineEdit::changeEvent(event);
}

void OsenXPTextBox::keyPressEvent(QKeyEvent *event)
{
    if (!m_keyPress || isReadOnly()) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    int codice = -1;
    const int tasto = event->key();
    const bool comando = event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (tasto == Qt::Key_Return || tasto == Qt::Key_Enter) {
        codice = 13;
    } else if (tasto == Qt::Key_Backspace) {
        codice = 8;
    } else if (tasto == Qt::Key_Escape) {
        codice = 27;
    } else if (!comando && event->text().size() == 1 && event->text().at(0).isPrint()) {
        const int byte = Cp1252::byteDi(event->text().at(0));
        codice = byte < 0 ? '?' : byte;
    }
    if (codice < 0) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    const int originale = codice;
    m_keyPress(codice);
    if (codice == 0) {
        event->accept();
        return;
    }
    if (codice == originale) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    if (codice >= 32 && codice <= 255)
        insert(QString(Cp1252::decodificaByte(static_cast<unsigned char>(codice))));
    else if (codice == 8)
        backspace();
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
