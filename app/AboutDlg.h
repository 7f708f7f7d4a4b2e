// The classic about box of the About command: the program icon, the product
// name and version, the web address, the support line, the ownership notice
// and a warning against unauthorised copying.
#pragma once

#include "framework/widgra/ui/PropertySheet.h"
#include "platform/ui/Dialog.h"

class CAboutDlg : public CDialog {
    DECLARE_DYNAMIC(CAboutDlg)
public:
    static constexpr UINT IDD = 222;
    CAboutDlg() : CDialog(IDD, nullptr) {}
};

// The same information as a page: the root page of the settings sheet.
class CAboutDlgNew : public CQvPropertyPage {
    DECLARE_DYNAMIC(CAboutDlgNew)
public:
    static constexpr UINT IDD = 111;
    explicit CAboutDlgNew(CWnd* pParent = nullptr);
};

// Registers the about box's template (dialog 222) and the about page's (111).
void RegisterAboutDialog();
