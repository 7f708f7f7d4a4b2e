#pragma once
// Frame window with docking panes. Its panes sit in the frame's bar and dock areas
// around the client area (see BasePane.h); docking calls move them between sides
// and keep the order of the frame's panes.

#include "platform/ui/BasePane.h"
#include "platform/ui/FrameWnd.h"

// Sent to the frame for a right click on its bar and dock areas (never for the
// client area); lParam holds the point in screen coordinates.
constexpr UINT AFX_WM_TOOLBARMENU = 0xC1F0;

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

protected:
  QWidget* CreateWidget(QWidget* pParent) override;

private:
  DWORD m_dwDockStyle = 0;
  std::vector<CBasePane*> m_panes;
};
