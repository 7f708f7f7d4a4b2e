#include "platform/ui/WinAppEx.h"

IMPLEMENT_DYNAMIC(CWinAppEx, CWinApp)

BOOL CWinAppEx::SetRegistryBase(LPCTSTR lpszSectionName) {
  m_strRegSection = lpszSectionName != nullptr && *lpszSectionName != L'\0' ? CString(lpszSectionName)
                                                                            : CString(L"Workspace");
  return TRUE;
}
