#pragma once
// A small single-document program for the window, routing and document tests:
// a document holding a number and a text, a view drawing a filled background, a
// frame, and an application. Handlers append to a shared log.

#include "platform/core/Archive.h"
#include "platform/ui/CmdUI.h"
#include "platform/ui/DocTemplate.h"
#include "platform/ui/Document.h"
#include "platform/ui/FrameWndEx.h"
#include "platform/ui/QtDC.h"
#include "platform/ui/View.h"
#include "platform/ui/WinAppEx.h"

#include <string>
#include <vector>

namespace ui_test {

std::vector<std::string>& Log();

// Routed commands: each target handles the ids from its own first one upwards,
// so the handler that runs tells how far routing went.
constexpr UINT kCmdView = 500;
constexpr UINT kCmdDoc = 501;
constexpr UINT kCmdFrame = 502;
constexpr UINT kCmdApp = 503;
constexpr UINT kCmdNowhere = 504;
constexpr UINT kCmdChecked = 510;
constexpr UINT kCmdDisabled = 511;

class CTestDoc : public CDocument {
  DECLARE_DYNCREATE(CTestDoc)
public:
  void Serialize(CArchive& ar) override;
  void DeleteContents() override;

  int m_nValue = 0;
  CString m_strText;
  int m_nDeleteContents = 0;

  void OnCmdRange(UINT) { Log().push_back("doc"); }
  DECLARE_MESSAGE_MAP()
};

class CTestView : public CView {
  DECLARE_DYNCREATE(CTestView)
public:
  void OnDraw(CDC* pDC) override;

  COLORREF m_crBackground = RGB(255, 255, 255);
  int m_nDraws = 0;
  std::vector<UINT> m_keys;   // WM_KEYDOWN codes
  std::vector<UINT> m_chars;  // WM_CHAR codes

  void OnCmd() { Log().push_back("view"); }
  void OnKeyDown(UINT nChar, UINT, UINT) { m_keys.push_back(nChar); }
  void OnChar(UINT nChar, UINT, UINT) { m_chars.push_back(nChar); }
  DECLARE_MESSAGE_MAP()
};

class CTestFrame : public CFrameWndEx {
  DECLARE_DYNCREATE(CTestFrame)
public:
  void OnCmdRange(UINT) { Log().push_back("frame"); }
  void OnChecked() { Log().push_back("checked"); }
  void OnDisabled() { Log().push_back("disabled ran"); }
  void OnUpdateChecked(CCmdUI* pCmdUI) {
    pCmdUI->SetCheck(m_nCheck);
    pCmdUI->SetText(m_nCheck ? L"On" : L"Off");
  }
  void OnUpdateDisabled(CCmdUI* pCmdUI) { pCmdUI->Enable(FALSE); }

  int m_nCheck = 1;
  DECLARE_MESSAGE_MAP()
};

class CTestApp : public CWinAppEx {
public:
  CTestApp() : CWinAppEx(L"KorvelTest") {}
  BOOL InitInstance() override;

  void OnCmdRange(UINT) { Log().push_back("app"); }
  DECLARE_MESSAGE_MAP()
};

}  // namespace ui_test
