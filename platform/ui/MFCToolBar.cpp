#include "platform/ui/MFCToolBar.h"

IMPLEMENT_DYNAMIC(CMFCToolBar, CBasePane)

BOOL CMFCToolBar::Create(CWnd* pParentWnd, DWORD dwStyle, UINT nID) { return CreatePane(pParentWnd, dwStyle, nID); }

BOOL CMFCToolBar::SetButtons(const UINT* lpIDArray, int nIDCount) {
  if (nIDCount < 0 || (lpIDArray == nullptr && nIDCount > 0)) return FALSE;
  m_buttons.assign(lpIDArray, lpIDArray + nIDCount);
  return TRUE;
}

UINT CMFCToolBar::GetItemID(int nIndex) const {
  return nIndex >= 0 && nIndex < GetCount() ? m_buttons[static_cast<size_t>(nIndex)] : 0;
}

int CMFCToolBar::InsertButton(UINT nID, int nIndex) {
  if (nIndex < 0 || nIndex > GetCount()) nIndex = GetCount();
  m_buttons.insert(m_buttons.begin() + nIndex, nID);
  return nIndex;
}

BOOL CMFCToolBar::RemoveButton(int nIndex) {
  if (nIndex < 0 || nIndex >= GetCount()) return FALSE;
  m_buttons.erase(m_buttons.begin() + nIndex);
  return TRUE;
}
