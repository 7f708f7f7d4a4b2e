#include "platform/ui/Resources.h"

#include <map>

namespace {
std::map<UINT, CString>& Table() {
  static std::map<UINT, CString> table = {
      {AFX_IDS_UNTITLED, CString(L"Untitled")},
      {AFX_IDP_FAILED_TO_OPEN_DOC, CString(L"Failed to open document.")},
      {AFX_IDP_FAILED_TO_SAVE_DOC, CString(L"Failed to save document.")},
      {AFX_IDP_ASK_TO_SAVE, CString(L"Save changes to %1?")},
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
