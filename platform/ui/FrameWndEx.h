#pragma once
// Frame window with docking panes. Panes here are plain child windows placed around
// the client area; showing, hiding and docking calls keep their state.

#include "platform/ui/FrameWnd.h"

class CBasePane;

// Docking alignment flags.
constexpr DWORD CBRS_ALIGN_LEFT = 0x1000;
constexpr DWORD CBRS_ALIGN_TOP = 0x2000;
constexpr DWORD CBRS_ALIGN_RIGHT = 0x4000;
constexpr DWORD CBRS_ALIGN_BOTTOM = 0x8000;
constexpr DWORD CBRS_ALIGN_ANY = 0xF000;

class CFrameWndEx : public CFrameWnd {
  DECLARE_DYNCREATE(CFrameWndEx)
public:
  CFrameWndEx() = default;

  void EnableDocking(DWORD dwDockStyle) { m_dwDockStyle = dwDockStyle; }
  DWORD GetDockingStyle() const { return m_dwDockStyle; }
  void DockPane(CBasePane* pBar, UINT nDockBarID = 0, LPCRECT lpRect = nullptr);
  BOOL DockPaneLeftOf(CBasePane* pBar, CBasePane* pLeftOf);
  BOOL AddPane(CBasePane* pControlBar, BOOL bTail = TRUE);
  void ShowPane(CBasePane* pBar, BOOL bShow, BOOL bDelay, BOOL bActivate);
  BOOL IsPaneDocked(const CBasePane* pBar) const;

private:
  DWORD m_dwDockStyle = 0;
  std::vector<CBasePane*> m_panes;
};
