#pragma once
// Base of panes around a frame's client area (tool bars, status bars, docking
// panes). Panes here are placeholders that can be shown, hidden and styled. A pane
// created in a frame sits in one of the frame's areas, never loose over the frame:
// bars in a bar area at a side (a Qt tool bar each), docking panes in a dock area,
// and a pane with no area of its own (the menu bar, whose menus the frame's own
// bar carries) never shows.

#include "platform/ui/Wnd.h"

// Docking alignment flags.
constexpr DWORD CBRS_ALIGN_LEFT = 0x1000;
constexpr DWORD CBRS_ALIGN_TOP = 0x2000;
constexpr DWORD CBRS_ALIGN_RIGHT = 0x4000;
constexpr DWORD CBRS_ALIGN_BOTTOM = 0x8000;
constexpr DWORD CBRS_ALIGN_ANY = 0xF000;

constexpr DWORD CBRS_GRIPPER = 0x00400000;
constexpr DWORD CBRS_FLYBY = 0x00000800;
constexpr DWORD CBRS_FLOATING = 0x00000001;
constexpr DWORD CBRS_BORDER_LEFT = 0x00000100;
constexpr DWORD CBRS_BORDER_TOP = 0x00000200;
constexpr DWORD CBRS_BORDER_RIGHT = 0x00000400;
constexpr DWORD CBRS_BORDER_BOTTOM = 0x00000800;
constexpr DWORD CBRS_HIDE_INPLACE = 0x00000008;
constexpr DWORD CBRS_FLOAT_MULTI = 0x00000080;
constexpr DWORD AFX_CBRS_FLOAT = 0x1;
constexpr DWORD AFX_CBRS_AUTOHIDE = 0x2;
constexpr DWORD AFX_CBRS_RESIZE = 0x4;
constexpr DWORD AFX_CBRS_CLOSE = 0x8;
constexpr DWORD AFX_CBRS_REGULAR_TABS = 0x0;

class CBasePane : public CWnd {
  DECLARE_DYNAMIC(CBasePane)
public:
  CBasePane() = default;

  // Creates the pane as a hidden-by-style child of pParentWnd.
  BOOL CreatePane(CWnd* pParentWnd, DWORD dwStyle, UINT nID, LPCTSTR lpszTitle = nullptr);
  virtual void ShowPane(BOOL bShow, BOOL bDelay, BOOL bActivate);
  virtual BOOL IsVisible() const { return IsWindowVisible(); }
  virtual void SetPaneStyle(DWORD dwNewStyle) { m_dwStyle = dwNewStyle; }
  virtual DWORD GetPaneStyle() const { return m_dwStyle; }
  virtual void EnableDocking(DWORD dwAlignment) { m_dwEnabledAlignment = dwAlignment; }
  DWORD GetEnabledAlignment() const { return m_dwEnabledAlignment; }

  // Moves the pane to a side of its frame: the first of top, bottom, left and right
  // that dwAlignment names. FALSE when no side is named or the pane has no area.
  BOOL DockToSide(DWORD dwAlignment);
  // Puts this bar just left of pOther, in pOther's row. FALSE unless both are bars
  // of the same frame.
  BOOL DockLeftOf(CBasePane* pOther);

  // How a pane sits in a frame.
  enum class Placement {
    kBar,       // a movable bar in a bar area (tool bars)
    kFixedBar,  // a bar that stays where it was put (status bars, rulers)
    kDocked,    // a docking pane with a caption in a dock area
    kNone,      // no area of its own: never shows
  };
  virtual Placement GetPlacement() const { return Placement::kBar; }
  // The side (a CBRS_ALIGN_* flag) the pane first sits at.
  virtual DWORD GetDefaultSide() const { return CBRS_ALIGN_TOP; }
  // The widget that sits in the frame's area: the bar itself, or the dock around
  // a docking pane; null when the pane is not in a frame's area.
  QWidget* GetAreaWidget() const;

protected:
  QWidget* CreateWidget(QWidget* pParent) override;

  DWORD m_dwStyle = 0;
  DWORD m_dwEnabledAlignment = 0;
  DWORD m_dwControlBarStyle = 0;  // AFX_CBRS_* of a docking pane
};
