#include "platform/ui/RecentFileList.h"

#include "platform/ui/WinApp.h"

#include <algorithm>

CRecentFileList::CRecentFileList(UINT nStart, LPCTSTR lpszSection, LPCTSTR lpszEntryFormat, int nSize)
    : m_nStart(nStart), m_strSection(lpszSection), m_strEntryFormat(lpszEntryFormat), m_nSize(std::max(nSize, 0)) {}

CString CRecentFileList::EntryName(int nIndex) const {
  CString entry;
  entry.Format(m_strEntryFormat, nIndex + 1);
  return entry;
}

void CRecentFileList::Add(LPCTSTR lpszPathName) {
  if (lpszPathName == nullptr || *lpszPathName == L'\0' || m_nSize == 0) return;
  const CString path(lpszPathName);
  std::erase(m_files, path);
  m_files.insert(m_files.begin(), path);
  if (static_cast<int>(m_files.size()) > m_nSize) m_files.resize(static_cast<size_t>(m_nSize));
}

void CRecentFileList::Remove(int nIndex) {
  if (nIndex >= 0 && nIndex < GetCount()) m_files.erase(m_files.begin() + nIndex);
}

void CRecentFileList::ReadList(CWinApp& app) {
  m_files.clear();
  for (int i = 0; i < m_nSize; ++i) {
    const CString path = app.GetProfileString(m_strSection, EntryName(i));
    if (!path.IsEmpty()) m_files.push_back(path);
  }
}

void CRecentFileList::WriteList(CWinApp& app) const {
  for (int i = 0; i < m_nSize; ++i) {
    app.WriteProfileString(m_strSection, EntryName(i), i < GetCount() ? m_files[static_cast<size_t>(i)].GetString()
                                                                      : nullptr);
  }
}
