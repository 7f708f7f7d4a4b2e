#include "platform/ui/FrameWndEx.h"

#include "platform/ui/BasePane.h"

#include <algorithm>

IMPLEMENT_DYNCREATE(CFrameWndEx, CFrameWnd)

void CFrameWndEx::DockPane(CBasePane* pBar, UINT, LPCRECT) {
  if (pBar == nullptr) return;
  // The first side both the pane and the frame allow.
  pBar->DockToSide(pBar->GetEnabledAlignment() & m_dwDockStyle);
  if (!IsPaneDocked(pBar)) m_panes.push_back(pBar);
}

BOOL CFrameWndEx::DockPaneLeftOf(CBasePane* pBar, CBasePane* pLeftOf) {
  if (pBar == nullptr || pLeftOf == nullptr || !IsPaneDocked(pLeftOf)) return FALSE;
  std::erase(m_panes, pBar);
  m_panes.insert(std::find(m_panes.begin(), m_panes.end(), pLeftOf), pBar);
  pBar->DockLeftOf(pLeftOf);
  return TRUE;
}

BOOL CFrameWndEx::AddPane(CBasePane* pControlBar, BOOL bTail) {
  if (pControlBar == nullptr) return FALSE;
  std::erase(m_panes, pControlBar);
  if (bTail) {
    m_panes.push_back(pControlBar);
  } else {
    m_panes.insert(m_panes.begin(), pControlBar);
  }
  return TRUE;
}

void CFrameWndEx::ShowPane(CBasePane* pBar, BOOL bShow, BOOL bDelay, BOOL bActivate) {
  if (pBar != nullptr) pBar->ShowPane(bShow, bDelay, bActivate);
}

BOOL CFrameWndEx::IsPaneDocked(const CBasePane* pBar) const {
  return std::find(m_panes.begin(), m_panes.end(), pBar) != m_panes.end();
}
