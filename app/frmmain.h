#pragma once

#include "formsportello.h"

// The main menu: eight buttons open the tools and the about window, one ends the program. A file dropped on
// it opens the window "Elabora Tabella" with that file.
class frmMain final : public FormSportello
{
    Q_OBJECT

public:
    frmMain();

    void Form_Load() override;
    void Form_Activate() override {}

    void cmdAssegniRicevuti_Click();
    void cmdAnagrafica_Click();
    void cmdReportistica_Click();
    void cmdAssegniEmessi_Click();
    void cmdContiCorrenti_Click();
    void cmdInfo_Click();
    void cmdVerifica_Click();
    void cmdTabella_Click();
    // Opens "Elabora Tabella" showing `file` (empty: none).
    void apriTabella(const QString &file);
    void cmdEsci_Click();

    OsenXPLabel *OsenXPLabel1;
    OsenXPPicture *OsenXPPicture1;
    OsenXPButton *cmdAssegniRicevuti;
    OsenXPButton *cmdAnagrafica;
    OsenXPButton *cmdReportistica;
    OsenXPButton *cmdAssegniEmessi;
    OsenXPButton *cmdContiCorrenti;
    OsenXPButton *cmdInfo;
    OsenXPButton *cmdVerifica;
    OsenXPButton *cmdTabella;
    OsenXPButton *cmdEsci;

protected:
    void closeEvent(QCloseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    OsenXPButton *pulsante(const char *nome, const char *caption, const char *immagine, int sinistra, int alto);
};
