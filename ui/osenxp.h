#pragma once

#include <functional>

#include <QAbstractButton>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QWidget>

// The themed control set of every window: an XP-like title bar, labels, text boxes, buttons, option
// buttons and pictures. Their properties carry the names by which the styling sets them, as Qt properties.

namespace Aspetto {
QColor sfondoFinestra(); // RGB 236, 233, 216
QStringList sostituti(const QString &famiglia);
QFont carattere(const QString &famiglia, double punti, bool grassetto = false);
QFont msSansSerif(double punti = 8.25, bool grassetto = false);
QFont tahoma(double punti = 8.25, bool grassetto = false);
QFont arial(double punti = 9.75, bool grassetto = true);
// For text that the program itself fixes (the captions of buttons and title bars, the main window's title):
// no merging of fallback faces, which a font needs only for characters its own face lacks and whose search
// costs more than the rest of the first text drawn. Never for text the user types or that shows user data.
QFont testoFisso(QFont font);
// Font substitutes for the Windows faces, the style and palette, the application icon.
void inizializza();
// Qt's Italian translations, for the texts Qt itself shows (message box buttons, context menus). Loaded
// before the first message box or tool window, or when a screen reader starts listening, rather than at
// start-up: the main window shows none of them. Loading twice changes nothing.
void caricaTraduzioni();
} // namespace Aspetto

class OsenXPForm final : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE setCaption)
    Q_PROPERTY(bool DrawGradientForm READ DrawGradientForm WRITE setDrawGradientForm)
    Q_PROPERTY(bool MinButton READ MinButton WRITE setMinButton)
    Q_PROPERTY(bool MaxButton READ MaxButton WRITE setMaxButton)
    Q_PROPERTY(bool ShowMaximize READ ShowMaximize WRITE setShowMaximize)
    Q_PROPERTY(bool ShowMinimize READ ShowMinimize WRITE setShowMinimize)
    Q_PROPERTY(QIcon Icon READ Icon WRITE setIcon)

public:
    explicit OsenXPForm(QWidget *parent = nullptr);

    QString Caption() const { return m_caption; }
    void setCaption(const QString &caption);
    bool DrawGradientForm() const { return m_gradiente; }
    void setDrawGradientForm(bool valore);
    bool MinButton() const { return m_minButton; }
    void setMinButton(bool valore);
    bool MaxButton() const { return m_maxButton; }
    void setMaxButton(bool valore);
    bool ShowMaximize() const { return m_showMaximize; }
    void setShowMaximize(bool valore);
    bool ShowMinimize() const { return m_showMinimize; }
    void setShowMinimize(bool valore);
    QIcon Icon() const { return m_icona; }
    void setIcon(const QIcon &icona);

    // Where the close control stands.
    QRect rettangoloChiudi() const;
    QRect rettangoloMinimizza() const;
    // The close control: a real button, so that assistive technology finds and presses it.
    QAbstractButton *pulsanteChiudi() const { return m_chiudi; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QString m_caption;
    QIcon m_icona;
    bool m_gradiente = false;
    bool m_minButton = true;
    bool m_maxButton = true;
    bool m_showMaximize = true;
    bool m_showMinimize = true;
    QAbstractButton *m_chiudi = nullptr;
    bool m_trascina = false;
    QPoint m_origineTrascina;
};

class OsenXPLabel final : public QLabel
{
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE setCaption)
    Q_PROPERTY(int BackStyle READ BackStyle WRITE setBackStyle)
    Q_PROPERTY(bool TabStop READ TabStop WRITE setTabStop)
    Q_PROPERTY(int Alignment READ Alignment WRITE setAlignmentCode)

public:
    explicit OsenXPLabel(QWidget *parent = nullptr);

    QString Caption() const { return text(); }
    void setCaption(const QString &caption);
    // A label that shows a value: assistive technology reads the field's name with it, "Cognome: ROSSI".
    void setCampo(const QString &campo);
    int BackStyle() const { return m_backStyle; }
    void setBackStyle(int stile); // 0 transparent, 1 opaque
    bool TabStop() const { return m_tabStop; }
    void setTabStop(bool valore) { m_tabStop = valore; }
    int Alignment() const { return m_allineamento; }
    void setAlignmentCode(int codice); // 0 left, 1 centre, 2 right

private:
    void aggiornaNome();

    QString m_campo;
    int m_backStyle = 1;
    bool m_tabStop = true;
    int m_allineamento = 0;
};

class OsenXPTextBox final : public QLineEdit
{
    Q_OBJECT
    Q_PROPERTY(QString Text READ text WRITE setText)
    Q_PROPERTY(bool Enabled READ isEnabled WRITE setEnabled)
    Q_PROPERTY(bool TabStop READ TabStop WRITE setTabStop)
    Q_PROPERTY(int MaxLength READ maxLength WRITE setMaxLength)
    Q_PROPERTY(bool Locked READ isReadOnly WRITE setReadOnly)
    Q_PROPERTY(QString ToolTipText READ toolTip WRITE setToolTip)

public:
    // Receives the character code of each typed key (13 for Enter, 8 for Backspace); the handler may
    // change it, or set it to 0 to discard the key.
    using GestoreTasto = std::function<void(int &KeyAscii)>;

    explicit OsenXPTextBox(QWidget *parent = nullptr);

    bool TabStop() const { return m_tabStop; }
    void setTabStop(bool valore);
    void setKeyPress(GestoreTasto gestore) { m_keyPress = std::move(gestore); }

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;

private:
    void aggiornaFocus();
    // The characters of `testo` that the key handler lets in, as it changes them.
    QString filtra(const QString &testo);

    bool m_tabStop = true;
    GestoreTasto m_keyPress;
};

class OsenXPButton final : public QPushButton
{
    Q_OBJECT
    Q_PROPERTY(QString Caption READ text WRITE setText)
    Q_PROPERTY(QString Tag READ Tag WRITE setTag)
    Q_PROPERTY(QPixmap Picture READ Picture WRITE setPicture)
    Q_PROPERTY(int PicturePosition READ PicturePosition WRITE setPicturePosition)
    Q_PROPERTY(bool TabStop READ TabStop WRITE setTabStop)
    Q_PROPERTY(QString ToolTipText READ toolTip WRITE setToolTip)

public:
    explicit OsenXPButton(QWidget *parent = nullptr);

    QString Tag() const { return m_tag; }
    void setTag(const QString &tag) { m_tag = tag; }
    QPixmap Picture() const;
    void setPicture(const QPixmap &immagine);
    // The picture of a resource (":/app/images/esci.png"), decoded when it is first painted.
    void setPictureRisorsa(const QString &risorsa);
    int PicturePosition() const { return m_posizioneImmagine; }
    void setPicturePosition(int codice); // 0 left of the text, 2 above it
    bool TabStop() const { return focusPolicy() != Qt::NoFocus && focusPolicy() != Qt::ClickFocus; }
    void setTabStop(bool valore) { setFocusPolicy(valore ? Qt::StrongFocus : Qt::ClickFocus); }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    QString m_tag;
    QPixmap m_immagine;
    QString m_risorsa; // the picture still to decode, if any
    int m_posizioneImmagine = 0;
};

class OsenXPOptionButton final : public QRadioButton
{
    Q_OBJECT
    Q_PROPERTY(QString Caption READ text WRITE setText)
    Q_PROPERTY(bool Value READ isChecked WRITE setChecked)
    Q_PROPERTY(bool TabStop READ TabStop WRITE setTabStop)

public:
    explicit OsenXPOptionButton(QWidget *parent = nullptr);

    bool TabStop() const { return focusPolicy() == Qt::StrongFocus || focusPolicy() == Qt::TabFocus; }
    void setTabStop(bool valore) { setFocusPolicy(valore ? Qt::StrongFocus : Qt::ClickFocus); }
};

class OsenXPPicture final : public QLabel
{
    Q_OBJECT
    Q_PROPERTY(QPixmap Picture READ Picture WRITE setPicture)

public:
    explicit OsenXPPicture(QWidget *parent = nullptr);

    QPixmap Picture() const;
    void setPicture(const QPixmap &immagine);
    // The picture of a resource, decoded when the control is first shown: of the 21 maps of the directory
    // only the one shown is decoded.
    void setPictureRisorsa(const QString &risorsa);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void decodifica();

    QPixmap m_immagine;
    QString m_risorsa; // the picture still to decode, if any
};
