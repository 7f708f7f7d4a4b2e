#pragma once
// Application object with the feature-pack state: the registry base under which
// panes and tool bars keep their layout.

#include "platform/ui/WinApp.h"

class CWinAppEx : public CWinApp {
  DECLARE_DYNAMIC(CWinAppEx)
public:
  explicit CWinAppEx(LPCTSTR lpszAppName = nullptr) : CWinApp(lpszAppName) {}

  // Section below the profile that holds the docking state.
  BOOL SetRegistryBase(LPCTSTR lpszSectionName = nullptr);
  const CString& GetRegistryBase() const { return m_strRegSection; }

protected:
  CString m_strRegSection;
};
