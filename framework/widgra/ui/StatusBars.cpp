#include "framework/widgra/ui/StatusBars.h"

#include "framework/widgra/Progress.h"
#include "platform/ui/FrameWnd.h"

IMPLEMENT_DYNAMIC(CTabToolBar, CMFCToolBar)
IMPLEMENT_DYNAMIC(CQVStatusBar, CMFCStatusBar)
IMPLEMENT_DYNAMIC(CQVStatusBarSnap, CMFCStatusBar)
IMPLEMENT_DYNAMIC(CQVHorRulerBar, CBasePane)
IMPLEMENT_DYNAMIC(CQVVertRulerBar, CBasePane)

namespace {
constexpr UINT kSnapBarID = 0xE802;
constexpr UINT kStatusChildID = 1;
}  // namespace

BOOL CTabToolBar::Create(CWnd* parent, UINT id, int) { return CMFCToolBar::Create(parent, WS_CHILD | WS_VISIBLE, id); }

int CTabToolBar::AddItem(const CString& title)
{
    m_items.push_back(title);
    return GetItemCount() - 1;
}

CQVStatusBar::CQVStatusBar() = default;

CQVStatusBar::~CQVStatusBar() { CQProgress::SetObserver(nullptr, nullptr); }

BOOL CQVStatusBar::Init(CFrameWnd* frame)
{
    if (frame == nullptr || !Create(frame)) return FALSE;
    static const UINT indicators[] = {0, 1, 2, 3};
    SetIndicators(indicators, 4);
    const RECT rect{0, 0, 200, 20};
    if (!m_child.Create(nullptr, L"", WS_CHILD | WS_VISIBLE, rect, this, kStatusChildID)) return FALSE;
    CQProgress::SetObserver(&CQVStatusBar::OnProgress, this);
    return TRUE;
}

void CQVStatusBar::OnProgress(double position, void* user)
{
    static_cast<CQVStatusBar*>(user)->m_dProgress = position;
}

BOOL CQVStatusBarSnap::Init(CFrameWnd* frame)
{
    if (frame == nullptr || !Create(frame, WS_CHILD | WS_VISIBLE, kSnapBarID)) return FALSE;
    static const UINT indicators[11] = {33016, 33017, 33018, 33019, 33020, 33021, 33022, 33023, 33024, 33025, 33026};
    return SetIndicators(indicators, 11);
}

BOOL CQVHorRulerBar::Create(CWnd* parent, UINT id) { return CreatePane(parent, WS_CHILD | WS_VISIBLE, id); }
BOOL CQVVertRulerBar::Create(CWnd* parent, UINT id) { return CreatePane(parent, WS_CHILD | WS_VISIBLE, id); }
