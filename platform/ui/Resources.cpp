#include "platform/ui/Resources.h"

#include <map>
#include <string>
#include <utility>

namespace {
std::map<UINT, CString>& Table() {
  static std::map<UINT, CString> table = {
      {AFX_IDS_UNTITLED, CString(L"Untitled")},
      {AFX_IDP_FAILED_TO_OPEN_DOC, CString(L"Failed to open document.")},
      {AFX_IDP_FAILED_TO_SAVE_DOC, CString(L"Failed to save document.")},
      {AFX_IDP_ASK_TO_SAVE, CString(L"Save changes to %1?")},
      {AFX_IDP_COMMAND_FAILURE, CString(L"The command could not be carried out.")},
  };
  return table;
}
}  // namespace

BOOL AfxLoadString(UINT nID, CString& rString) {
  auto it = Table().find(nID);
  if (it == Table().end()) {
    rString.Empty();
    return FALSE;
  }
  rString = it->second;
  return TRUE;
}

CString AfxLoadString(UINT nID) {
  CString s;
  AfxLoadString(nID, s);
  return s;
}

void AfxSetResourceString(UINT nID, LPCTSTR lpszText) { Table()[nID] = CString(lpszText); }

namespace {
std::map<std::pair<UINT, std::wstring>, std::vector<BYTE>>& DataTable() {
  static std::map<std::pair<UINT, std::wstring>, std::vector<BYTE>> table;
  return table;
}
}  // namespace

void AfxRegisterResourceData(UINT nID, LPCTSTR lpszType, std::vector<BYTE> bytes) {
  DataTable()[{nID, lpszType != nullptr ? lpszType : L""}] = std::move(bytes);
}

const std::vector<BYTE>* AfxFindResourceData(UINT nID, LPCTSTR lpszType) {
  auto it = DataTable().find({nID, lpszType != nullptr ? lpszType : L""});
  return it != DataTable().end() ? &it->second : nullptr;
}
