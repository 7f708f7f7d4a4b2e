// The classic about box of the About command: the program icon, the product
// name and version, the web address, the support line, the ownership notice
// and a warning against unauthorised copying.
#pragma once

#include "platform/ui/Dialog.h"

class CAboutDlg : public CDialog {
    DECLARE_DYNAMIC(CAboutDlg)
public:
    static constexpr UINT IDD = 222;
    CAboutDlg() : CDialog(IDD, nullptr) {}
};

// Registers the about box's template (dialog 222).
void RegisterAboutDialog();
