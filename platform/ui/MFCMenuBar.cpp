#include "platform/ui/MFCMenuBar.h"

IMPLEMENT_DYNAMIC(CMFCMenuBar, CBasePane)

BOOL CMFCMenuBar::Create(CWnd* pParentWnd, DWORD dwStyle, UINT nID) { return CreatePane(pParentWnd, dwStyle, nID); }
