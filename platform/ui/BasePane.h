#pragma once
// Base of panes around a frame's client area (tool bars, status bars, docking
// panes). Panes here are placeholders: child windows that can be shown, hidden and
// styled; their docking is recorded by the frame.

#include "platform/ui/Wnd.h"

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

protected:
  DWORD m_dwStyle = 0;
  DWORD m_dwEnabledAlignment = 0;
};
