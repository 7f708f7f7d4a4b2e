#pragma once
// The most-recently-used file list, kept in the application's profile as
// "<section>/File1" .. "File<n>", most recent first.

#include "platform/core/WinString.h"

#include <vector>

class CWinApp;

class CRecentFileList {
public:
  CRecentFileList(UINT nStart, LPCTSTR lpszSection, LPCTSTR lpszEntryFormat, int nSize);

  int GetSize() const { return m_nSize; }
  // Entries in use, most recent first.
  int GetCount() const { return static_cast<int>(m_files.size()); }
  const CString& operator[](int nIndex) const { return m_files[static_cast<size_t>(nIndex)]; }

  // Puts the path first (moving it up when already listed) and drops what falls off the end.
  void Add(LPCTSTR lpszPathName);
  void Remove(int nIndex);
  void ReadList(CWinApp& app);
  void WriteList(CWinApp& app) const;

  UINT m_nStart;  // command id of the first entry

private:
  CString EntryName(int nIndex) const;

  CString m_strSection;
  CString m_strEntryFormat;
  int m_nSize;
  std::vector<CString> m_files;
};
