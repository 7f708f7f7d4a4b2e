#include "platform/ui/BasePane.h"

IMPLEMENT_DYNAMIC(CBasePane, CWnd)

BOOL CBasePane::CreatePane(CWnd* pParentWnd, DWORD dwStyle, UINT nID, LPCTSTR lpszTitle) {
  if (pParentWnd == nullptr) return FALSE;
  m_dwStyle = dwStyle & 0xFFFF;
  return Create(nullptr, lpszTitle, (dwStyle & WS_VISIBLE) | WS_CHILD, RECT{0, 0, 0, 0}, pParentWnd, nID);
}

void CBasePane::ShowPane(BOOL bShow, BOOL, BOOL) { ShowWindow(bShow ? SW_SHOW : SW_HIDE); }
