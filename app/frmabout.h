#pragma once

#include "formsportello.h"

// The about window: the program's name and version, its makers, and their web site.
class frmAbout final : public FormSportello
{
    Q_OBJECT

public:
    frmAbout();

    void Form_Load() override;
    void cmdGoToWebPage_Click();
    void cmdOk_Click();

    OsenXPPicture *OsenXPPicture1;
    OsenXPLabel *lblTitle;
    OsenXPLabel *OsenXPLabel3;
    OsenXPLabel *OsenXPLabel4;
    OsenXPLabel *OsenXPLabel5;
    OsenXPLabel *OsenXPLabel1;
    OsenXPTextBox *txtWebPage;
    OsenXPButton *cmdGoToWebPage;
    OsenXPButton *cmdOk;
};
