#pragma once
// Tool bar: an ordered row of command buttons (0 is a separator); in a frame, a
// movable bar that starts at the top. With an action maker set, each button shows
// as the maker's action for its command id (the same action may serve several bars).

#include "platform/ui/BasePane.h"

#include <functional>
#include <vector>

class QAction;

class CMFCToolBar : public CBasePane {
  DECLARE_DYNAMIC(CMFCToolBar)
public:
  CMFCToolBar() = default;
  using ActionMaker = std::function<QAction*(UINT nID)>;

  BOOL Create(CWnd* pParentWnd, DWORD dwStyle = WS_CHILD | WS_VISIBLE, UINT nID = AFX_IDW_TOOLBAR);
  BOOL SetButtons(const UINT* lpIDArray, int nIDCount);
  int GetCount() const { return static_cast<int>(m_buttons.size()); }
  UINT GetItemID(int nIndex) const;
  // Inserts before nIndex (-1 or past the end appends); returns the position or -1.
  int InsertButton(UINT nID, int nIndex = -1);
  // FALSE for a position past the end.
  BOOL RemoveButton(int nIndex);
  virtual void AdjustLayout() {}

  // Shows the buttons through the maker's actions from now on.
  void SetActionMaker(ActionMaker maker);
  // The action of the button at nIndex; null for a separator or without a maker.
  QAction* GetButtonAction(int nIndex) const;

protected:
  using CWnd::Create;
  void RebuildActions();
  std::vector<UINT> m_buttons;
  ActionMaker m_maker;
};
