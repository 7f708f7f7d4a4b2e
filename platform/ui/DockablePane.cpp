#include "platform/ui/DockablePane.h"

#include "platform/ui/QtConvert.h"

#include <QWidget>

IMPLEMENT_DYNAMIC(CDockablePane, CBasePane)

BOOL CDockablePane::Create(LPCTSTR lpszCaption, CWnd* pParentWnd, const RECT& rect, BOOL, UINT nID, DWORD dwStyle,
                           DWORD, DWORD dwControlBarStyle, CCreateContext* pContext) {
  if (pParentWnd == nullptr) return FALSE;
  m_dwStyle = dwStyle & 0xFFFF;
  m_dwControlBarStyle = dwControlBarStyle;
  if (!CWnd::Create(nullptr, lpszCaption, (dwStyle & WS_VISIBLE) | WS_CHILD, rect, pParentWnd, nID, pContext))
    return FALSE;
  // The dock around the pane carries its caption.
  if (QWidget* pArea = GetAreaWidget(); pArea != nullptr && pArea != GetWidget() && lpszCaption != nullptr)
    pArea->setWindowTitle(ToQString(lpszCaption));
  return TRUE;
}

DWORD CDockablePane::GetDefaultSide() const {
  const DWORD dwSide = m_dwStyle & CBRS_ALIGN_ANY;
  return dwSide != 0 ? dwSide : CBRS_ALIGN_RIGHT;
}
