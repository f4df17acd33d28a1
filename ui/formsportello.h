#pragma once

#include <initializer_list>

#include <QDialog>

#include "osenxp.h"
#include "twips.h"

// The base of every window of the program: its fixed client area in twips, the XP background, the themed
// title bar "OsenXPForm1" that replaces the system one, and the load and activation steps.
//
// A window is loaded by carica(), which runs Form_Load; a window may unload itself during its load (a
// data file that cannot be read), and is then never shown. Closing a window unloads it: its controls and
// data go with the object, and the next opening creates and loads it afresh.
class FormSportello : public QDialog
{
    Q_OBJECT

public:
    // `barraTitolo` false: the window keeps the system frame and its close box (the result card).
    FormSportello(const QString &caption, int larghezzaTwips, int altezzaTwips, bool barraTitolo = true);

    // Runs the load step; false when the window unloaded itself meanwhile.
    bool carica();
    // During the load step: the window will not be shown. Afterwards: closes the window.
    void Unload();
    bool scaricata() const { return m_scaricata; }

    // Loads the window and, unless it unloaded itself, shows it modally without owner until it closes.
    // Returns false when the window was never shown.
    bool apriModale();

    virtual void Form_Load() {}
    virtual void Form_Activate() {}

    OsenXPForm *OsenXPForm1() const { return m_barra; }

protected:
    // Creates a control of the window with its name and its position in twips.
    template <class Controllo>
    Controllo *crea(const char *nome, int sinistra, int alto, int larghezza, int altezza)
    {
        auto *controllo = new Controllo(this);
        controllo->setObjectName(QString::fromLatin1(nome));
        controllo->setGeometry(Twips::rettangolo(sinistra, alto, larghezza, altezza));
        return controllo;
    }

    // The tab order, first to last.
    static void ordineTab(std::initializer_list<QWidget *> controlli);

    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    OsenXPForm *m_barra = nullptr;
    bool m_inCaricamento = false;
    bool m_scaricata = false;
};
