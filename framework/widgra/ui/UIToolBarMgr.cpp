#include "framework/widgra/ui/UIToolBarMgr.h"

#include "platform/ui/FrameWndEx.h"
#include "platform/ui/WinApp.h"

namespace {
std::unique_ptr<CUIToolBarMgr> g_manager;
constexpr const wchar_t* kModeEntry = L"UIMode";
}  // namespace

CUIToolBarMgr::CUIToolBarMgr()
{
    if (CWinApp* app = AfxGetApp()) {
        const int mode = static_cast<int>(app->GetProfileInt(CFrameWndEx::kStateSection, kModeEntry, kModeTab));
        if (mode == kModeTab || mode == kModeClassic) m_nUIMode = mode;
    }
}

CUIToolBarMgr* CUIToolBarMgr::Instance()
{
    if (!g_manager) g_manager = std::make_unique<CUIToolBarMgr>();
    return g_manager.get();
}

void CUIToolBarMgr::Uninstance() { g_manager.reset(); }

void CUIToolBarMgr::AddBar(UIToolBarRec* record)
{
    if (record != nullptr) m_bars.emplace_back(record);
}

UIToolBarRec* CUIToolBarMgr::GetBar(int index) const
{
    return index >= 0 && index < GetBarCount() ? m_bars[static_cast<size_t>(index)].get() : nullptr;
}

void CUIToolBarMgr::ShowCurrentUI(int mode)
{
    if (mode != kModeTab && mode != kModeClassic) return;
    auto live = [](const UIToolBarRec& rec) { return rec.m_pBar != nullptr && rec.m_pBar->GetSafeHwnd() != nullptr; };
    if (mode != m_nUIMode) {
        for (const auto& rec : m_bars)
            if (live(*rec) && rec->m_nUIMode == m_nUIMode) m_shown[rec->m_pBar] = rec->m_pBar->IsVisible() != FALSE;
    }
    m_nUIMode = mode;
    // The profile keeps the mode with the bar set it shows, so a run that ends
    // without closing its frame still starts the next one with a matching set.
    CWinApp* app = AfxGetApp();
    if (app != nullptr) app->WriteProfileInt(CFrameWndEx::kStateSection, kModeEntry, mode);
    for (const auto& rec : m_bars) {
        if (!live(*rec)) continue;
        const auto remembered = m_shown.find(rec->m_pBar);
        const bool shown = rec->m_nUIMode == mode && (remembered == m_shown.end() || remembered->second);
        rec->m_pBar->ShowPane(shown ? TRUE : FALSE, FALSE, FALSE);
        if (app != nullptr && rec->m_pBar->GetDlgCtrlID() != 0)
            app->WriteProfileInt(CFrameWndEx::kStateSection, CFrameWndEx::PaneStateEntry(rec->m_pBar), shown ? 1 : 0);
    }
}

void CUIToolBarMgr::UpdateBarUI_CurCmd(int id) { Instance()->m_nNoticedCmd = id; }
