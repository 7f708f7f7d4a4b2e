#include "platform/ui/MFCStatusBar.h"

IMPLEMENT_DYNAMIC(CMFCStatusBar, CBasePane)

BOOL CMFCStatusBar::Create(CWnd* pParentWnd, DWORD dwStyle, UINT nID) {
  if (!CreatePane(pParentWnd, dwStyle, nID)) return FALSE;
  if (m_texts.empty()) m_texts.resize(1);
  return TRUE;
}

BOOL CMFCStatusBar::SetIndicators(const UINT* lpIDArray, int nIDCount) {
  if (nIDCount < 0 || (lpIDArray == nullptr && nIDCount > 0)) return FALSE;
  m_ids.assign(lpIDArray, lpIDArray + nIDCount);
  m_texts.assign(static_cast<size_t>(nIDCount), CString());
  return TRUE;
}

BOOL CMFCStatusBar::SetPaneText(int nIndex, LPCTSTR lpszNewText, BOOL) {
  if (nIndex < 0 || nIndex >= GetCount()) return FALSE;
  m_texts[static_cast<size_t>(nIndex)] = lpszNewText;
  return TRUE;
}

CString CMFCStatusBar::GetPaneText(int nIndex) const {
  return nIndex >= 0 && nIndex < GetCount() ? m_texts[static_cast<size_t>(nIndex)] : CString();
}
