#include "app/AboutboxHelpPrompt.h"

#include "framework/extendra/PlugInApp.h"
#include "framework/extendra/PlugInResources.h"
#include "framework/looker/AppSlots.h"
#include "framework/looker/QVGlobal.h"
#include "framework/panora/DesignCentral.h"
#include "platform/ui/Input.h"
#include "platform/ui/Resources.h"

#include <QLabel>
#include <QWidget>

#include <algorithm>
#include <cmath>

#include <cstdlib>
#include <ctime>
#include <dlfcn.h>

IMPLEMENT_DYNAMIC(CAboutboxHelpPrompt, CDialog)

BEGIN_MESSAGE_MAP(CAboutboxHelpPrompt, CDialog)
    ON_BN_CLICKED(CAboutboxHelpPrompt::IDC_CLOSE, &CAboutboxHelpPrompt::OnClose958)
    ON_BN_CLICKED(CAboutboxHelpPrompt::IDC_NEXT, &CAboutboxHelpPrompt::OnNext)
    ON_BN_CLICKED(CAboutboxHelpPrompt::IDC_PREVIOUS, &CAboutboxHelpPrompt::OnPrevious)
    ON_BN_CLICKED(CAboutboxHelpPrompt::IDC_PICTURE, &CAboutboxHelpPrompt::OnPictureClicked)
    ON_WM_TIMER()
    ON_WM_SETCURSOR()
END_MESSAGE_MAP()

namespace {

// The program's own tips, in order (string id: GIF id).
constexpr tagDAYHELP kTips[CAboutboxHelpPrompt::kBuiltInTipCount] = {
    {30487, 0},    {30488, 0},    {30489, 1046}, {30492, 1049}, {30493, 1050}, {30494, 1051}, {30495, 0},
    {30496, 1052}, {30497, 1053}, {30498, 1054}, {30500, 1055}, {30501, 1056}, {30502, 0},    {30503, 1057},
    {30504, 0},    {30505, 1058}, {30506, 1059}, {30507, 1060}, {30508, 1061}, {30509, 0},    {30510, 1062},
    {30511, 0},    {30512, 1063}, {30513, 1064}, {30514, 1065}, {30515, 1066}, {30516, 0},    {30519, 1069},
    {30520, 1070}, {30521, 1071}, {30522, 1072}, {30523, 0},    {30524, 1073}, {30525, 0},    {30526, 0},
    {30527, 1074}, {30528, 1075}, {30529, 1076}, {30530, 0},    {30531, 0},    {30532, 1077}, {30533, 1078},
    {30534, 0},    {30535, 1079}, {30536, 0},    {30537, 0},    {30538, 0},    {30539, 1081}, {30540, 1082},
    {30541, 1083}, {30542, 1084}, {30543, 0},    {30544, 0},    {30545, 1086}, {30546, 0},    {30547, 1087},
    {30548, 0},    {30549, 1088}, {30550, 0},    {30551, 0},    {30552, 1089}, {30553, 1090}, {30554, 1091},
    {30555, 1092}, {30556, 1093}, {30557, 1094}, {30558, 0},    {30559, 0},    {30560, 1095}, {30561, 1096},
    {30564, 1099},
};

CAboutboxHelpPrompt::IndexGenerator& Generator()
{
    static CAboutboxHelpPrompt::IndexGenerator generator;
    return generator;
}

int DefaultIndex(int size)
{
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    return std::rand() % size;
}

}  // namespace

CAboutboxHelpPrompt::CAboutboxHelpPrompt(CWnd* pParent)
    : CDialog(IDD, pParent), m_strPlugInPath(gGetApplicationPath() + L"Flarecut.mlp")
{
    if (CDesignCentral* pane = gGetPaneDCenter()) pane->HideDCenter();
}

CAboutboxHelpPrompt::~CAboutboxHelpPrompt()
{
    if (GetSafeHwnd() != nullptr) DestroyWindow();
    if (CDesignCentral* pane = gGetPaneDCenter()) pane->RestoreDCenter();
}

void CAboutboxHelpPrompt::SetIndexGenerator(IndexGenerator generator) { Generator() = std::move(generator); }

const tagDAYHELP* CAboutboxHelpPrompt::BuiltInTips() { return kTips; }

void CAboutboxHelpPrompt::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Check(pDX, IDC_SHOW_AT_STARTUP, m_bShowAtStartup);
}

void CAboutboxHelpPrompt::LoadTips()
{
    m_nPlugInStart = 0;
    for (const tagDAYHELP& tip : kTips) m_tips.Add(tip);
    CPlugInApp* app = GetPlugInApp();
    m_hPlugIn = app != nullptr ? app->GetPlugHInstance(m_strPlugInPath) : nullptr;
    if (m_hPlugIn == nullptr) return;
    m_pfnGetDayHelp = reinterpret_cast<GetDayHelpFn>(dlsym(m_hPlugIn, kGetDayHelpName));
    if (m_pfnGetDayHelp != nullptr) m_pfnGetDayHelp(&m_tips);
}

int CAboutboxHelpPrompt::GetWindowWidth() const
{
    RECT r{0, 0, 0, 0};
    GetWindowRect(&r);
    return r.right - r.left;
}

// Resizes without moving; the width is the window's outer width. The dialog
// keeps a fixed size for the user, so the fixed width is what changes.
void CAboutboxHelpPrompt::SetWindowWidth(int width)
{
    QWidget* widget = GetWidget();
    if (widget == nullptr) return;
    const int frame = widget->frameGeometry().width() - widget->width();
    widget->setFixedWidth(std::max(width - frame, 1));
}

BOOL CAboutboxHelpPrompt::OnInitDialog()
{
    CDialog::OnInitDialog();
    // The title picture reaches the right edge of the tip text.
    CWnd* title = GetDlgItem(IDC_TITLE_PICTURE);
    CWnd* text = GetDlgItem(IDC_TIP_TEXT);
    if (title != nullptr && text != nullptr) {
        RECT t{}, x{};
        title->GetWindowRect(&t);
        text->GetWindowRect(&x);
        ScreenToClient(&t);
        title->MoveWindow(t.left, t.top, x.right - t.left, t.bottom - t.top);
    }
    // Black on white, wrapped, and not selectable.
    if (auto* label = text != nullptr ? qobject_cast<QLabel*>(text->GetWidget()) : nullptr) {
        label->setStyleSheet(QStringLiteral("background: white; color: black; padding: 6px;"));
        label->setWordWrap(true);
        label->setTextInteractionFlags(Qt::NoTextInteraction);
    }
    // The picture sits inside the panel frame.
    if (CWnd* panel = GetDlgItem(IDC_PANEL_FRAME)) {
        RECT p{};
        panel->GetWindowRect(&p);
        ScreenToClient(&p);
        const RECT inner{p.left + 6, p.top + 6, p.right - 6, p.bottom - 6};
        m_picture.Create(L"", SS_BITMAP | SS_CENTERIMAGE | WS_VISIBLE, inner, this, IDC_PICTURE);
    }
    m_bHasPicture = FALSE;
    m_bPanelOpen = FALSE;
    m_nFullWidth = GetWindowWidth();
    if (CWnd* panel = GetDlgItem(IDC_PANEL_FRAME)) {
        RECT p{}, d{};
        panel->GetWindowRect(&p);
        GetWindowRect(&d);
        m_nCollapsedWidth = p.left - d.left;
    }
    CQVGlobal* global = gGetQVGlobal();
    if (global == nullptr) return FALSE;
    m_bShowAtStartup = global->m_bShowTips != 0 ? 1 : 0;
    LoadTips();
    if (m_tips.GetSize() == 0) return FALSE;
    const int size = static_cast<int>(m_tips.GetSize());
    const int drawn = Generator() ? Generator()(size) : DefaultIndex(size);
    m_nIndex = ((drawn % size) + size) % size;
    ShowTip();
    if (m_bHasPicture) m_bPanelOpen = TRUE;
    SetTimer(kTimerSlide, kSlideMs);
    UpdateData(FALSE);
    return TRUE;
}

void CAboutboxHelpPrompt::ShowTip()
{
    const tagDAYHELP tip = m_tips[m_nIndex];
    // Plug-in tips (string ids of 0 or less) come from the plug-in module.
    void* module = tip.nStringID > 0 ? nullptr : m_hPlugIn;
    CString text;
    if (module == nullptr) AfxLoadString(static_cast<UINT>(tip.nStringID), text);
    else PlugInLoadString(module, static_cast<UINT>(-static_cast<std::int64_t>(tip.nStringID)), text);
    SetDlgItemText(IDC_TIP_TEXT, text);
    if (tip.nGifID != 0) {
        m_bHasPicture = TRUE;
        if (tip.nStringID > 0 || m_hPlugIn != nullptr) {
            if (m_picture.LoadFromResource(module, static_cast<UINT>(tip.nGifID) & 0xFFFF, L"GIF"))
                m_picture.StartPlaying();
        }
    } else {
        m_bHasPicture = FALSE;
    }
}

void CAboutboxHelpPrompt::OnNext()
{
    UpdateData(TRUE);
    if (++m_nIndex >= m_tips.GetSize()) m_nIndex = 0;
    ShowTip();
    // A tip without a picture snaps the dialog to its collapsed width.
    if (!m_bHasPicture) m_bPanelOpen = FALSE;
    UpdateData(FALSE);
    SetTimer(kTimerSlide, kSlideMs);
}

void CAboutboxHelpPrompt::OnPrevious()
{
    UpdateData(TRUE);
    if (m_nIndex > 0) --m_nIndex;
    ShowTip();
    UpdateData(FALSE);
    SetTimer(kTimerSlide, kSlideMs);
}

void CAboutboxHelpPrompt::OnPictureClicked()
{
    if (!m_picture.IsRunning()) m_picture.StartPlaying();
}

void CAboutboxHelpPrompt::OnTimer(UINT_PTR nIDEvent)
{
    if (nIDEvent == kTimerSlide) {
        const int step = static_cast<int>(std::lround((m_nFullWidth - m_nCollapsedWidth) / 10.0));
        const int width = GetWindowWidth();
        if (m_bHasPicture && !m_bPanelOpen) {
            if (width + step > m_nFullWidth) {
                SetWindowWidth(m_nFullWidth);
                KillTimer(kTimerSlide);
                m_bPanelOpen = TRUE;
            } else {
                SetWindowWidth(width + step);
            }
        } else if (m_bHasPicture) {
            SetWindowWidth(m_nFullWidth);
            KillTimer(kTimerSlide);
        } else if (m_bPanelOpen) {
            if (width - step < m_nCollapsedWidth) {
                SetWindowWidth(m_nCollapsedWidth);
                KillTimer(kTimerSlide);
                m_bPanelOpen = FALSE;
            } else {
                SetWindowWidth(width - step);
            }
        } else {
            SetWindowWidth(m_nCollapsedWidth);
            KillTimer(kTimerSlide);
        }
    }
    CDialog::OnTimer(nIDEvent);
}

BOOL CAboutboxHelpPrompt::OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message)
{
    if (pWnd == &m_picture) {
        SetCursor(LoadCursor(nullptr, m_picture.IsRunning() ? IDC_ARROW : IDC_HAND));
        return TRUE;
    }
    if (pWnd == GetDlgItem(IDC_TIP_TEXT)) return TRUE;
    return CDialog::OnSetCursor(pWnd, nHitTest, message);
}

void CAboutboxHelpPrompt::OnClose958()
{
    UpdateData(TRUE);
    if (CQVGlobal* global = gGetQVGlobal()) global->m_bShowTips = m_bShowAtStartup != 0 ? 1 : 0;
    EndDialog(IDOK);
}
