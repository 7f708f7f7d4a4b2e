#pragma once
// A docking pane with a caption (placeholder: a child window of the frame).

#include "platform/ui/BasePane.h"

class CDockablePane : public CBasePane {
  DECLARE_DYNAMIC(CDockablePane)
public:
  CDockablePane() = default;

  virtual BOOL Create(LPCTSTR lpszCaption, CWnd* pParentWnd, const RECT& rect, BOOL bHasGripper, UINT nID,
                      DWORD dwStyle, DWORD dwTabbedStyle = AFX_CBRS_REGULAR_TABS,
                      DWORD dwControlBarStyle = AFX_CBRS_FLOAT | AFX_CBRS_CLOSE, CCreateContext* pContext = nullptr);
  DWORD GetControlBarStyle() const { return m_dwControlBarStyle; }

protected:
  using CWnd::Create;
  DWORD m_dwControlBarStyle = 0;
};
