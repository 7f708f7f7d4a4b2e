#pragma once
// The application object: one per process, constructed before main. It owns the
// document manager and the recent-file list, reads and writes the profile (kept
// with QSettings under the registry key, e.g. "Morlan Dalvex/<app>"), turns the
// command line into a new or opened document, and runs the Qt event loop.

#include "platform/ui/CommandLineInfo.h"
#include "platform/ui/WinThread.h"

#include <memory>

class CDocManager;
class CDocTemplate;
class CDocument;
class CRecentFileList;
class QPrinter;
class QSettings;

class CWinApp : public CWinThread {
  DECLARE_DYNAMIC(CWinApp)
public:
  explicit CWinApp(LPCTSTR lpszAppName = nullptr);
  ~CWinApp() override;

  virtual BOOL InitApplication();
  int ExitInstance() override;
  int Run() override;

  // Profile under HKEY_CURRENT_USER\Software\<key>\<app name>.
  void SetRegistryKey(LPCTSTR lpszRegistryKey);
  // Reads the recent-file list (nMaxMRU entries, 0 for none).
  void LoadStdProfileSettings(UINT nMaxMRU = 4);
  void SaveStdProfileSettings();
  UINT GetProfileInt(LPCTSTR lpszSection, LPCTSTR lpszEntry, int nDefault);
  BOOL WriteProfileInt(LPCTSTR lpszSection, LPCTSTR lpszEntry, int nValue);
  CString GetProfileString(LPCTSTR lpszSection, LPCTSTR lpszEntry, LPCTSTR lpszDefault = nullptr);
  // A null value deletes the entry; a null entry deletes the section.
  BOOL WriteProfileString(LPCTSTR lpszSection, LPCTSTR lpszEntry, LPCTSTR lpszValue);

  void AddDocTemplate(CDocTemplate* pTemplate);
  virtual CDocument* OpenDocumentFile(LPCTSTR lpszFileName);
  virtual void AddToRecentFileList(LPCTSTR lpszPathName);
  CRecentFileList* GetRecentFileList() const { return m_pRecentFileList; }

  // Arguments after the program name; options begin with '-'.
  void ParseCommandLine(CCommandLineInfo& rCmdInfo);
  // New document or open the named file; FALSE when that fails or no main window results.
  BOOL ProcessShellCommand(CCommandLineInfo& rCmdInfo);
  // Shell registration has no counterpart here.
  void EnableShellOpen() {}
  void RegisterShellFileTypes(BOOL bCompat = FALSE) { (void)bCompat; }

  virtual BOOL SaveAllModified();
  void CloseAllDocuments(BOOL bEndSession);

  void OnFileNew();
  void OnFileOpen();
  // The page setup dialog on the application's printer defaults.
  void OnFilePrintSetup();
  // The application's printer defaults: every print dialog, print job and
  // preview starts from this printer and a confirmed print dialog keeps its
  // choices here (made on first use; PDF output when no printer is installed).
  QPrinter* GetPrinter();
  // The defaults into a print dialog record (page range and copies).
  BOOL GetPrinterDeviceDefaults(struct PRINTDLG* pPrintDlg);
  void OnAppExit();

  CString m_strAppName;
  CString m_strRegistryKey;
  CString m_strProfileName;
  LPCTSTR m_pszAppName = nullptr;
  LPCTSTR m_pszRegistryKey = nullptr;
  LPCTSTR m_pszProfileName = nullptr;
  CDocManager* m_pDocManager = nullptr;
  CRecentFileList* m_pRecentFileList = nullptr;
  int m_nCmdShow = SW_SHOWNORMAL;

  // Program arguments as given to AfxWinMain (UTF-8).
  int m_argc = 0;
  char** m_argv = nullptr;

protected:
  DECLARE_MESSAGE_MAP()

private:
  std::unique_ptr<QSettings> OpenProfile() const;
  CWinApp* m_pPreviousApp = nullptr;
  std::unique_ptr<QPrinter> m_pPrinter;  // the application object before this one (tests make several)
  void SetAppName(const CString& name);
};

// The application object, or null.
CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();
// What main runs: makes the Qt application, then InitInstance, Run and ExitInstance.
int AfxWinMain(int argc, char** argv);
