#pragma once
// Tool bar placeholder: an ordered row of command buttons (0 is a separator); in a
// frame, a movable bar that starts at the top.

#include "platform/ui/BasePane.h"

#include <vector>

class CMFCToolBar : public CBasePane {
  DECLARE_DYNAMIC(CMFCToolBar)
public:
  CMFCToolBar() = default;

  BOOL Create(CWnd* pParentWnd, DWORD dwStyle = WS_CHILD | WS_VISIBLE, UINT nID = AFX_IDW_TOOLBAR);
  BOOL SetButtons(const UINT* lpIDArray, int nIDCount);
  int GetCount() const { return static_cast<int>(m_buttons.size()); }
  UINT GetItemID(int nIndex) const;
  // Inserts before nIndex (-1 or past the end appends); returns the position or -1.
  int InsertButton(UINT nID, int nIndex = -1);
  // FALSE for a position past the end.
  BOOL RemoveButton(int nIndex);
  virtual void AdjustLayout() {}

protected:
  using CWnd::Create;
  std::vector<UINT> m_buttons;
};
