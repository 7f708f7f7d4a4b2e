#include "platform/ui/DockablePane.h"

IMPLEMENT_DYNAMIC(CDockablePane, CBasePane)

BOOL CDockablePane::Create(LPCTSTR lpszCaption, CWnd* pParentWnd, const RECT& rect, BOOL, UINT nID, DWORD dwStyle,
                           DWORD, DWORD dwControlBarStyle, CCreateContext* pContext) {
  if (pParentWnd == nullptr) return FALSE;
  m_dwStyle = dwStyle & 0xFFFF;
  m_dwControlBarStyle = dwControlBarStyle;
  return CWnd::Create(nullptr, lpszCaption, (dwStyle & WS_VISIBLE) | WS_CHILD, rect, pParentWnd, nID, pContext);
}
