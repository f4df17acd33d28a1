#pragma once

#include <QHash>

#include "formsportello.h"

class QLabel;
class QPrinter;

// The result card: the picture of the paper card with the code and the person's data over it, to copy
// the code or print the card. It keeps the system frame, without the themed title bar.
class Form2 final : public FormSportello
{
    Q_OBJECT

public:
    Form2();

    void Form_Activate() override;
    void Command1_Click();
    void CopiaBut_Click();

    QLabel *Image1 = nullptr;
    OsenXPLabel *cf = nullptr;
    OsenXPLabel *Cognome = nullptr;
    OsenXPLabel *Nome = nullptr;
    OsenXPLabel *Luogo = nullptr;
    OsenXPLabel *Provinc = nullptr;
    OsenXPLabel *Sex = nullptr;
    OsenXPLabel *DataN = nullptr;
    OsenXPButton *Command1 = nullptr;
    OsenXPButton *CopiaBut = nullptr;

    // The client area as it goes on paper: the outer height is set to 4500 twips for the picture, so that
    // the buttons fall outside it, and then given back.
    QPixmap immagineStampa();
    // Prints that picture on one page; false when the printer fails.
    bool stampaSu(QPrinter &stampante);

    // Top and width of a label in twips, as the activation step moves them.
    int topTwips(const OsenXPLabel *etichetta) const { return m_posizioni.value(etichetta).y(); }
    int widthTwips(const OsenXPLabel *etichetta) const { return m_posizioni.value(etichetta).width(); }

private:
    OsenXPLabel *etichetta(const char *nome, const char *campo, int sinistra, int alto);
    void posiziona(OsenXPLabel *etichetta, const QRect &twips);

    // Twips are finer than pixels: the labels keep their place in twips so that every move counts.
    QHash<const OsenXPLabel *, QRect> m_posizioni;
};
