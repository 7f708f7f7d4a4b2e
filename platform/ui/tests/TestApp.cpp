#include "TestApp.h"

namespace ui_test {

std::vector<std::string>& Log() {
  static std::vector<std::string> log;
  return log;
}

IMPLEMENT_DYNCREATE(CTestDoc, CDocument)
BEGIN_MESSAGE_MAP(CTestDoc, CDocument)
  ON_COMMAND_RANGE(kCmdDoc - 1, kCmdDoc, &CTestDoc::OnCmdRange)
END_MESSAGE_MAP()

void CTestDoc::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    ar << m_nValue << m_strText;
  } else {
    ar >> m_nValue >> m_strText;
  }
}

void CTestDoc::DeleteContents() {
  m_nValue = 0;
  m_strText.Empty();
  ++m_nDeleteContents;
}

IMPLEMENT_DYNCREATE(CTestView, CView)
BEGIN_MESSAGE_MAP(CTestView, CView)
  ON_COMMAND(kCmdView, &CTestView::OnCmd)
  ON_WM_KEYDOWN()
  ON_WM_CHAR()
END_MESSAGE_MAP()

void CTestView::OnDraw(CDC* pDC) {
  ++m_nDraws;
  auto* pQtDC = dynamic_cast<CQtDC*>(pDC);
  if (pQtDC == nullptr) return;
  RECT box{};
  pQtDC->GetClipBox(&box);
  pQtDC->FillSolidRect(&box, m_crBackground);
}

IMPLEMENT_DYNCREATE(CTestFrame, CFrameWndEx)
BEGIN_MESSAGE_MAP(CTestFrame, CFrameWndEx)
  ON_COMMAND_RANGE(kCmdView, kCmdFrame, &CTestFrame::OnCmdRange)
  ON_COMMAND(kCmdChecked, &CTestFrame::OnChecked)
  ON_UPDATE_COMMAND_UI(kCmdChecked, &CTestFrame::OnUpdateChecked)
  ON_COMMAND(kCmdDisabled, &CTestFrame::OnDisabled)
  ON_UPDATE_COMMAND_UI(kCmdDisabled, &CTestFrame::OnUpdateDisabled)
END_MESSAGE_MAP()

BEGIN_MESSAGE_MAP(CTestApp, CWinAppEx)
  ON_COMMAND_RANGE(kCmdView, kCmdApp, &CTestApp::OnCmdRange)
  ON_COMMAND(ID_FILE_NEW, &CWinApp::OnFileNew)
  ON_COMMAND(ID_APP_EXIT, &CWinApp::OnAppExit)
END_MESSAGE_MAP()

BOOL CTestApp::InitInstance() {
  SetRegistryKey(L"Morlan Dalvex");
  LoadStdProfileSettings(4);
  SetRegistryBase(L"Test CHS Settings");
  AddDocTemplate(new CSingleDocTemplate(101, RUNTIME_CLASS(CTestDoc), RUNTIME_CLASS(CTestFrame),
                                        RUNTIME_CLASS(CTestView)));
  CCommandLineInfo cmdInfo;
  ParseCommandLine(cmdInfo);
  return ProcessShellCommand(cmdInfo);
}

}  // namespace ui_test
