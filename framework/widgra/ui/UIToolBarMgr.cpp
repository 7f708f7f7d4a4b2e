#include "framework/widgra/ui/UIToolBarMgr.h"

namespace {
std::unique_ptr<CUIToolBarMgr> g_manager;
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

void CUIToolBarMgr::UpdateBarUI(int mode)
{
    if (mode != kModeTab && mode != kModeClassic) return;
    m_nUIMode = mode;
    for (const auto& rec : m_bars) {
        if (rec->m_pBar != nullptr && rec->m_pBar->GetSafeHwnd() != nullptr)
            rec->m_pBar->ShowPane(rec->m_nUIMode == mode, FALSE, FALSE);
    }
}
