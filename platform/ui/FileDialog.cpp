#include "platform/ui/FileDialog.h"

#include "platform/ui/Prompt.h"

#include <algorithm>

CFileDialog::CFileDialog(BOOL bOpenFileDialog, LPCTSTR lpszDefExt, LPCTSTR lpszFileName, DWORD dwFlags,
                         LPCTSTR lpszFilter, CWnd*)
    : m_bOpen(bOpenFileDialog), m_strDefExt(lpszDefExt), m_strFileName(lpszFileName), m_strFilter(lpszFilter),
      m_dwFlags(dwFlags) {
  m_strDefExt.TrimLeft(L'.');
}

INT_PTR CFileDialog::DoModal() {
  CFileDialogRequest request;
  request.bOpen = m_bOpen;
  request.strDefExt = m_strDefExt;
  request.strFileName = m_strFileName;
  request.strFilter = m_strFilter;
  request.strTitle = m_strTitle;
  request.dwFlags = m_dwFlags;
  CFileDialogAnswer answer;
  if (!AfxGetPromptService()->ChooseFiles(request, answer) || answer.paths.empty()) return IDCANCEL;
  m_paths = std::move(answer.paths);
  m_strPathName = m_paths.front();
  m_nFilterIndex = answer.nFilterIndex;
  return IDOK;
}

CString CFileDialog::GetFileName() const {
  const int slash = std::max(m_strPathName.ReverseFind(L'/'), m_strPathName.ReverseFind(L'\\'));
  return slash >= 0 ? m_strPathName.Mid(slash + 1) : m_strPathName;
}

CString CFileDialog::GetFileExt() const {
  const CString name = GetFileName();
  const int dot = name.ReverseFind(L'.');
  return dot >= 0 ? name.Mid(dot + 1) : CString();
}

CString CFileDialog::GetFileTitle() const {
  const CString name = GetFileName();
  const int dot = name.ReverseFind(L'.');
  return dot >= 0 ? name.Left(dot) : name;
}
