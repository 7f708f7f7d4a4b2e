#pragma once
// A docking pane with a caption; in a frame it sits in a dock area.

#include "platform/ui/BasePane.h"

class CDockablePane : public CBasePane {
  DECLARE_DYNAMIC(CDockablePane)
public:
  CDockablePane() = default;

  virtual BOOL Create(LPCTSTR lpszCaption, CWnd* pParentWnd, const RECT& rect, BOOL bHasGripper, UINT nID,
                      DWORD dwStyle, DWORD dwTabbedStyle = AFX_CBRS_REGULAR_TABS,
                      DWORD dwControlBarStyle = AFX_CBRS_FLOAT | AFX_CBRS_CLOSE, CCreateContext* pContext = nullptr);
  DWORD GetControlBarStyle() const { return m_dwControlBarStyle; }
  Placement GetPlacement() const override { return Placement::kDocked; }
  // The side its style names (CBRS_ALIGN_*), else the right.
  DWORD GetDefaultSide() const override;

protected:
  using CWnd::Create;
};
