#include "platform/ui/WinApp.h"

#include "platform/ui/DocManager.h"
#include "platform/ui/Document.h"
#include "platform/ui/FrameWnd.h"
#include "platform/ui/QtApp.h"
#include "platform/ui/QtConvert.h"
#include "platform/ui/RecentFileList.h"
#include "platform/ui/Resources.h"

#include "platform/ui/Print.h"
#include "platform/ui/Prompt.h"

#include <QApplication>
#include <QPageLayout>
#include <QPrinter>
#include <QPrinterInfo>
#include <QFileInfo>
#include <QSettings>

IMPLEMENT_DYNAMIC(CWinApp, CWinThread)

BEGIN_MESSAGE_MAP(CWinApp, CWinThread)
END_MESSAGE_MAP()

namespace {
CWinApp* g_pApp = nullptr;

QString ProfileKey(LPCTSTR lpszSection, LPCTSTR lpszEntry) {
  return ToQString(lpszSection) + QLatin1Char('/') + ToQString(lpszEntry);
}
}  // namespace

CWinApp* AfxGetApp() { return g_pApp; }

CWnd* AfxGetMainWnd() { return g_pApp != nullptr ? g_pApp->m_pMainWnd : nullptr; }

CWinApp::CWinApp(LPCTSTR lpszAppName) {
  if (lpszAppName != nullptr) SetAppName(lpszAppName);
  m_pPreviousApp = g_pApp;
  g_pApp = this;
}

CWinApp::~CWinApp() {
  delete m_pDocManager;
  delete m_pRecentFileList;
  if (g_pApp == this) g_pApp = m_pPreviousApp;
}

void CWinApp::SetAppName(const CString& name) {
  m_strAppName = name;
  m_pszAppName = m_strAppName.GetString();
}

BOOL CWinApp::InitApplication() {
  if (m_strAppName.IsEmpty()) {
    CString title;
    if (AfxLoadString(AFX_IDS_APP_TITLE, title)) {
      SetAppName(title);
    } else if (m_argc > 0 && m_argv != nullptr && m_argv[0] != nullptr) {
      SetAppName(FromQString(QFileInfo(QString::fromLocal8Bit(m_argv[0])).completeBaseName()));
    } else {
      SetAppName(CString(L"Korvel"));
    }
  }
  return TRUE;
}

void CWinApp::SetRegistryKey(LPCTSTR lpszRegistryKey) {
  if (m_strAppName.IsEmpty()) InitApplication();
  m_strRegistryKey = lpszRegistryKey;
  m_pszRegistryKey = m_strRegistryKey.GetString();
  m_strProfileName = m_strAppName;
  m_pszProfileName = m_strProfileName.GetString();
}

std::unique_ptr<QSettings> CWinApp::OpenProfile() const {
  if (QCoreApplication::instance() == nullptr) AfxEnsureQtApplication();
  const QString app = ToQString(m_strProfileName.IsEmpty() ? m_strAppName : m_strProfileName);
  // Without a registry key the profile is a file named after the program.
  const QString organization = m_strRegistryKey.IsEmpty() ? app : ToQString(m_strRegistryKey);
  return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, organization, app);
}

UINT CWinApp::GetProfileInt(LPCTSTR lpszSection, LPCTSTR lpszEntry, int nDefault) {
  bool ok = false;
  const int value = OpenProfile()->value(ProfileKey(lpszSection, lpszEntry), nDefault).toInt(&ok);
  return static_cast<UINT>(ok ? value : nDefault);
}

BOOL CWinApp::WriteProfileInt(LPCTSTR lpszSection, LPCTSTR lpszEntry, int nValue) {
  auto settings = OpenProfile();
  settings->setValue(ProfileKey(lpszSection, lpszEntry), nValue);
  settings->sync();
  return settings->status() == QSettings::NoError;
}

CString CWinApp::GetProfileString(LPCTSTR lpszSection, LPCTSTR lpszEntry, LPCTSTR lpszDefault) {
  const QVariant value = OpenProfile()->value(ProfileKey(lpszSection, lpszEntry));
  if (!value.isValid()) return CString(lpszDefault);
  return FromQString(value.toString());
}

BOOL CWinApp::WriteProfileString(LPCTSTR lpszSection, LPCTSTR lpszEntry, LPCTSTR lpszValue) {
  auto settings = OpenProfile();
  if (lpszEntry == nullptr) {
    settings->remove(ToQString(lpszSection));
  } else if (lpszValue == nullptr) {
    settings->remove(ProfileKey(lpszSection, lpszEntry));
  } else {
    settings->setValue(ProfileKey(lpszSection, lpszEntry), ToQString(lpszValue));
  }
  settings->sync();
  return settings->status() == QSettings::NoError;
}

void CWinApp::LoadStdProfileSettings(UINT nMaxMRU) {
  delete m_pRecentFileList;
  m_pRecentFileList = nullptr;
  if (nMaxMRU == 0) return;
  m_pRecentFileList = new CRecentFileList(ID_FILE_MRU_FILE1, L"Recent File List", L"File%d",
                                          static_cast<int>(std::min<UINT>(nMaxMRU, 16)));
  m_pRecentFileList->ReadList(*this);
}

void CWinApp::SaveStdProfileSettings() {
  if (m_pRecentFileList != nullptr) m_pRecentFileList->WriteList(*this);
}

void CWinApp::AddToRecentFileList(LPCTSTR lpszPathName) {
  if (m_pRecentFileList == nullptr) return;
  m_pRecentFileList->Add(lpszPathName);
  // Written at once, so that the list survives a run that does not end normally.
  m_pRecentFileList->WriteList(*this);
}

void CWinApp::AddDocTemplate(CDocTemplate* pTemplate) {
  if (m_pDocManager == nullptr) m_pDocManager = new CDocManager;
  m_pDocManager->AddDocTemplate(pTemplate);
}

CDocument* CWinApp::OpenDocumentFile(LPCTSTR lpszFileName) {
  return m_pDocManager != nullptr ? m_pDocManager->OpenDocumentFile(lpszFileName) : nullptr;
}

void CWinApp::ParseCommandLine(CCommandLineInfo& rCmdInfo) {
  for (int i = 1; i < m_argc && m_argv != nullptr; ++i) {
    const CString param = CString::FromUtf8(m_argv[i] != nullptr ? m_argv[i] : "");
    const BOOL bLast = i + 1 == m_argc;
    if (param.GetLength() > 1 && param[0] == L'-') {
      rCmdInfo.ParseParam(param.Mid(1), TRUE, bLast);
    } else {
      rCmdInfo.ParseParam(param, FALSE, bLast);
    }
  }
}

BOOL CWinApp::ProcessShellCommand(CCommandLineInfo& rCmdInfo) {
  switch (rCmdInfo.m_nShellCommand) {
    case CCommandLineInfo::FileNew:
      // Through the message map, so that an application's own handler runs.
      if (!OnCmdMsg(ID_FILE_NEW, CN_COMMAND, nullptr, nullptr)) OnFileNew();
      return m_pMainWnd != nullptr;
    case CCommandLineInfo::FileOpen:
      return OpenDocumentFile(rCmdInfo.m_strFileName) != nullptr && m_pMainWnd != nullptr;
    case CCommandLineInfo::FileNothing:
      return TRUE;
    default:
      return FALSE;
  }
}

void CWinApp::OnFileNew() {
  if (m_pDocManager != nullptr) m_pDocManager->OnFileNew();
}

void CWinApp::OnFileOpen() {
  if (m_pDocManager != nullptr) m_pDocManager->OnFileOpen();
}

// Printer choice happens in the print dialog itself on this platform.
void CWinApp::OnFilePrintSetup() {
  if (QPrinter* printer = GetPrinter()) AfxGetPromptService()->PageSetup(printer);
}

QPrinter* CWinApp::GetPrinter() {
  if (m_pPrinter == nullptr) {
    if (!AfxEnsureQtApplication()) return nullptr;
    m_pPrinter = std::make_unique<QPrinter>(QPrinter::HighResolution);
    // Without an installed printer the output goes to a PDF file.
    if (QPrinterInfo::defaultPrinter().isNull()) m_pPrinter->setOutputFormat(QPrinter::PdfFormat);
    m_pPrinter->setPageOrientation(QPageLayout::Portrait);
  }
  return m_pPrinter.get();
}

BOOL CWinApp::GetPrinterDeviceDefaults(PRINTDLG* pPrintDlg) {
  QPrinter* printer = GetPrinter();
  if (printer == nullptr || pPrintDlg == nullptr) return FALSE;
  pPrintDlg->nCopies = static_cast<WORD>(std::max(printer->copyCount(), 1));
  return TRUE;
}

void CWinApp::OnAppExit() {
  if (m_pMainWnd != nullptr) m_pMainWnd->SendMessage(WM_CLOSE);
}

BOOL CWinApp::SaveAllModified() { return m_pDocManager == nullptr || m_pDocManager->SaveAllModified(); }

void CWinApp::CloseAllDocuments(BOOL bEndSession) {
  if (m_pDocManager != nullptr) m_pDocManager->CloseAllDocuments(bEndSession);
}

int CWinApp::ExitInstance() {
  SaveStdProfileSettings();
  return 0;
}

int CWinApp::Run() { return CWinThread::Run(); }

int AfxWinMain(int argc, char** argv) {
  static int s_argc = argc;
  QApplication qtApp(s_argc, argv);
  CWinApp* pApp = AfxGetApp();
  if (pApp == nullptr) return -1;
  pApp->m_argc = argc;
  pApp->m_argv = argv;
  if (!pApp->InitApplication() || !pApp->InitInstance()) {
    // Start-up failed: end at once, without the event loop.
    const int nCode = pApp->ExitInstance();
    return nCode != 0 ? nCode : -1;
  }
  return pApp->Run();
}
