#pragma once
// Open and save dialogs; the question goes to the prompt object (see Prompt.h).

#include "platform/core/WinString.h"
#include "platform/ui/UiTypes.h"

#include <vector>

constexpr DWORD OFN_READONLY = 0x00000001;
constexpr DWORD OFN_OVERWRITEPROMPT = 0x00000002;
constexpr DWORD OFN_HIDEREADONLY = 0x00000004;
constexpr DWORD OFN_ALLOWMULTISELECT = 0x00000200;
constexpr DWORD OFN_PATHMUSTEXIST = 0x00000800;
constexpr DWORD OFN_FILEMUSTEXIST = 0x00001000;

class CWnd;

class CFileDialog {
public:
  CFileDialog(BOOL bOpenFileDialog, LPCTSTR lpszDefExt = nullptr, LPCTSTR lpszFileName = nullptr,
              DWORD dwFlags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, LPCTSTR lpszFilter = nullptr,
              CWnd* pParentWnd = nullptr);
  virtual ~CFileDialog() = default;

  // IDOK with a chosen path, IDCANCEL otherwise.
  virtual INT_PTR DoModal();
  void SetTitle(LPCTSTR lpszTitle) { m_strTitle = lpszTitle; }

  // The first chosen path.
  CString GetPathName() const { return m_strPathName; }
  // Every chosen path, in the dialog's order (several with OFN_ALLOWMULTISELECT).
  const std::vector<CString>& GetPathNames() const { return m_paths; }
  // 1-based index of the filter entry selected when the dialog closed.
  int GetFilterIndex() const { return m_nFilterIndex; }
  CString GetFileName() const;
  // Extension without the dot.
  CString GetFileExt() const;
  // File name without its extension.
  CString GetFileTitle() const;

private:
  BOOL m_bOpen;
  CString m_strDefExt;
  CString m_strFileName;
  CString m_strFilter;
  CString m_strTitle;
  DWORD m_dwFlags;
  CString m_strPathName;
  std::vector<CString> m_paths;
  int m_nFilterIndex = 1;
};
