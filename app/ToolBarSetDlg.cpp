#include "app/ToolBarSetDlg.h"

#include "app/KorvelIds.h"
#include "app/MainFrame.h"
#include "framework/extendra/PlugInApp.h"
#include "framework/looker/AppSlots.h"
#include "framework/widgra/ui/UIToolBarMgr.h"
#include "platform/ui/Input.h"
#include "platform/ui/Resources.h"
#include "platform/ui/WinApp.h"

IMPLEMENT_DYNAMIC(CToolBarSetDlg, CDialog)

BEGIN_MESSAGE_MAP(CToolBarSetDlg, CDialog)
    ON_CONTROL(LBN_SELCHANGE, CToolBarSetDlg::IDC_BARS, &CToolBarSetDlg::OnListClick)
    ON_BN_CLICKED(CToolBarSetDlg::IDC_PANEL, &CToolBarSetDlg::OnPanel)
    ON_BN_CLICKED(CToolBarSetDlg::IDC_STANDARD, &CToolBarSetDlg::OnStandard)
    ON_WM_HELPINFO()
END_MESSAGE_MAP()

namespace {

CMainFrame* MainFrame() { return dynamic_cast<CMainFrame*>(AfxGetMainWnd()); }

// The list's place in the template (dialog units).
constexpr RECT kListRect{7, 20, 175, 104};

}  // namespace

CToolBarSetDlg::CToolBarSetDlg(CWnd* pParent) : CDialog(IDD, pParent) {}

CToolBarSetDlg::~CToolBarSetDlg()
{
    if (m_list.GetSafeHwnd() != nullptr) m_list.DestroyWindow();
}

void CToolBarSetDlg::DoDataExchange(CDataExchange* pDX) { CDialog::DoDataExchange(pDX); }

BOOL CToolBarSetDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    CMainFrame* frame = MainFrame();
    if (frame == nullptr) return FALSE;
    RECT r = kListRect;
    MapDialogRect(&r);
    m_list.Create(WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP, r, this, IDC_BARS);
    const int flag = frame->GetUIModeFlag();
    if (flag == 0) {
        CheckDlgButton(IDC_PANEL, 1);
        m_nPanel = 1;
        FillList(CUIToolBarMgr::kModeTab);
    } else if (flag == 1) {
        CheckDlgButton(IDC_STANDARD, 1);
        m_nPanel = 0;
        FillList(CUIToolBarMgr::kModeClassic);
    } else {
        FillList(0);
    }
    return TRUE;
}

void CToolBarSetDlg::FillList(int mode)
{
    m_list.RemoveAllCategories();
    for (const CMainFrame::TitledBar& entry : CMainFrame::BarsOfMode(mode)) {
        m_list.AddCategory(entry.title);
        m_list.SetCategoryCheck(entry.title, entry.bar->IsVisible());
    }
}

void CToolBarSetDlg::OnListClick()
{
    const int row = m_list.GetCurIndex();
    CMainFrame* frame = MainFrame();
    if (row < 0 || frame == nullptr) return;
    const CString name = m_list.GetCategoryName(row, TRUE);
    frame->ShowBarByTitle(name, m_list.IsCategoryChecked(name));
}

void CToolBarSetDlg::OnPanel()
{
    CMainFrame* frame = MainFrame();
    if (m_nPanel != 0 || frame == nullptr) return;
    frame->SwitchUIMode(CUIToolBarMgr::kModeTab);
    FillList(CUIToolBarMgr::kModeTab);
    m_nPanel = 1;
}

void CToolBarSetDlg::OnStandard()
{
    CMainFrame* frame = MainFrame();
    if (m_nPanel != 1 || frame == nullptr) return;
    frame->SwitchUIMode(CUIToolBarMgr::kModeClassic);
    FillList(CUIToolBarMgr::kModeClassic);
    m_nPanel = 0;
    if (CPlugInApp* app = GetPlugInApp()) app->UpdateToolBar();
}

BOOL CToolBarSetDlg::PreTranslateMessage(MSG* pMsg)
{
    // F1 anywhere in the dialog asks for its help topic.
    if (pMsg->message == WM_KEYDOWN && pMsg->wParam == VK_F1) {
        HELPINFO info{};
        info.cbSize = sizeof(info);
        info.iCtrlId = GetDlgCtrlID();
        OnHelpInfo(&info);
        return TRUE;
    }
    return CDialog::PreTranslateMessage(pMsg);
}

BOOL CToolBarSetDlg::OnHelpInfo(HELPINFO*)
{
    HELPINFO info{};
    info.cbSize = sizeof(info);
    info.iCtrlId = -kHelpTopic;
    if (CView* view = gGetView()) view->SendMessage(WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
    return TRUE;
}
