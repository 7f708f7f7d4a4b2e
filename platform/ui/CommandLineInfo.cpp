#include "platform/ui/CommandLineInfo.h"

void CCommandLineInfo::ParseParam(LPCTSTR pszParam, BOOL bFlag, BOOL) {
  if (pszParam == nullptr) return;
  const CString param(pszParam);
  if (bFlag) {
    if (param.CompareNoCase(L"nologo") == 0) m_bShowSplash = FALSE;
    if (param.CompareNoCase(L"Embedding") == 0) m_bRunEmbedded = TRUE;
    if (param.CompareNoCase(L"Automation") == 0) m_bRunAutomated = TRUE;
    return;
  }
  // The first plain argument is the file to open; later ones are ignored.
  if (m_strFileName.IsEmpty()) {
    m_strFileName = param;
    m_nShellCommand = FileOpen;
  }
}
