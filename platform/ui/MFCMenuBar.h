#pragma once
// Menu bar pane: the frame's own menu bar widget carries the menus; this pane keeps
// the bar's creation and style and never shows a widget of its own.

#include "platform/ui/BasePane.h"

class CMFCMenuBar : public CBasePane {
  DECLARE_DYNAMIC(CMFCMenuBar)
public:
  CMFCMenuBar() = default;

  BOOL Create(CWnd* pParentWnd, DWORD dwStyle = WS_CHILD | WS_VISIBLE, UINT nID = AFX_IDW_MENUBAR);
  Placement GetPlacement() const override { return Placement::kNone; }

protected:
  using CWnd::Create;
};
