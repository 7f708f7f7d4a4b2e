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

  // After the base, shows or hides each docked pane as the profile's section
  // "Workspace" kept it when the frame last closed (panes it never saw keep
  // what OnCreate gave them).
  BOOL LoadFrame(UINT nIDResource, DWORD dwDefaultStyle = WS_OVERLAPPEDWINDOW, CWnd* pParentWnd = nullptr,
                 CCreateContext* pContext = nullptr) override;
  // Writes the docked panes' visibility to the profile, then closes as the base.
  void OnClose();

  // One entry "Pane-<id>" per docked pane with an id.
  static constexpr const wchar_t* kStateSection = L"Workspace";
  static CString PaneStateEntry(const CBasePane* pPane);
  void SavePaneState();
  void LoadPaneState();

protected:
  QWidget* CreateWidget(QWidget* pParent) override;
  DECLARE_MESSAGE_MAP()

private:
  DWORD m_dwDockStyle = 0;
  std::vector<CBasePane*> m_panes;
};
