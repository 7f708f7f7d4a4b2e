#pragma once
// What the command line asks for: a new document, or the file named on it.
// Options start with '-' ('/' begins a path on this platform).

#include "platform/core/WinString.h"

class CCommandLineInfo {
public:
  enum { FileNew, FileOpen, FilePrint, FilePrintTo, FileDDE, AppRegister, AppUnregister, FileNothing = -1 };

  CCommandLineInfo() = default;
  virtual ~CCommandLineInfo() = default;

  // One argument: bFlag when it was an option (text without its '-').
  virtual void ParseParam(LPCTSTR pszParam, BOOL bFlag, BOOL bLast);

  int m_nShellCommand = FileNew;
  CString m_strFileName;
  BOOL m_bShowSplash = TRUE;
  BOOL m_bRunEmbedded = FALSE;
  BOOL m_bRunAutomated = FALSE;
};
