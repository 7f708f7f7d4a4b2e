#include "platform/ui/MFCToolBar.h"

#include <QAction>
#include <QToolBar>

IMPLEMENT_DYNAMIC(CMFCToolBar, CBasePane)

BOOL CMFCToolBar::Create(CWnd* pParentWnd, DWORD dwStyle, UINT nID) { return CreatePane(pParentWnd, dwStyle, nID); }

BOOL CMFCToolBar::SetButtons(const UINT* lpIDArray, int nIDCount) {
  if (nIDCount < 0 || (lpIDArray == nullptr && nIDCount > 0)) return FALSE;
  m_buttons.assign(lpIDArray, lpIDArray + nIDCount);
  RebuildActions();
  return TRUE;
}

UINT CMFCToolBar::GetItemID(int nIndex) const {
  return nIndex >= 0 && nIndex < GetCount() ? m_buttons[static_cast<size_t>(nIndex)] : 0;
}

int CMFCToolBar::InsertButton(UINT nID, int nIndex) {
  if (nIndex < 0 || nIndex > GetCount()) nIndex = GetCount();
  m_buttons.insert(m_buttons.begin() + nIndex, nID);
  RebuildActions();
  return nIndex;
}

BOOL CMFCToolBar::RemoveButton(int nIndex) {
  if (nIndex < 0 || nIndex >= GetCount()) return FALSE;
  m_buttons.erase(m_buttons.begin() + nIndex);
  RebuildActions();
  return TRUE;
}

void CMFCToolBar::SetActionMaker(ActionMaker maker) {
  m_maker = std::move(maker);
  RebuildActions();
}

QAction* CMFCToolBar::GetButtonAction(int nIndex) const {
  const UINT nID = GetItemID(nIndex);
  return nID != 0 && m_maker ? m_maker(nID) : nullptr;
}

void CMFCToolBar::RebuildActions() {
  auto* pBar = qobject_cast<QToolBar*>(GetWidget());
  if (pBar == nullptr || !m_maker) return;
  pBar->clear();
  for (UINT nID : m_buttons) {
    if (nID == 0) {
      pBar->addSeparator();
    } else if (QAction* pAction = m_maker(nID)) {
      pBar->addAction(pAction);
    }
  }
}
