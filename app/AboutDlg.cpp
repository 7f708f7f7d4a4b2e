#include "app/AboutDlg.h"

#include "app/KorvelIds.h"
#include "platform/ui/Resources.h"

IMPLEMENT_DYNAMIC(CAboutDlg, CDialog)
IMPLEMENT_DYNAMIC(CAboutDlgNew, CQvPropertyPage)

CAboutDlgNew::CAboutDlgNew(CWnd*) : CQvPropertyPage(IDD, korvel::IDS_PAGE_ABOUT) {}

void RegisterAboutDialog()
{
    CDialogTemplateDesc desc;
    desc.lpszCaption = L"About Korvel";
    desc.cx = 251;
    desc.cy = 105;
    desc.items = {
        CDialogItemDesc{CDialogItemKind::Static, 0xFFFF, 10, 10, 230, 10, L"Welcome to Korvel 11, shapes for CNC cutting."},
        CDialogItemDesc{CDialogItemKind::Static, 0xFFFF, 10, 26, 230, 10, L"Web: https://korvel.example.org"},
        CDialogItemDesc{CDialogItemKind::Static, 0xFFFF, 10, 40, 230, 10, L"Support: through the web address above"},
        CDialogItemDesc{CDialogItemKind::Static, 0xFFFF, 10, 54, 230, 10, L"Korvel is the property of its makers."},
        CDialogItemDesc{CDialogItemKind::Static, 0xFFFF, 10, 66, 230, 18,
                        L"Copying or passing on this program without permission is against the law."},
        CDialogItemDesc{CDialogItemKind::DefPushButton, IDOK, 194, 86, 50, 14, L"OK"},
    };
    CDialogTemplateDesc page = desc;
    AfxRegisterDialogTemplate(CAboutDlg::IDD, std::move(desc));
    // The page shows the same lines inside the settings sheet.
    page.dwStyle = WS_CHILD;
    AfxRegisterDialogTemplate(CAboutDlgNew::IDD, std::move(page));
}
