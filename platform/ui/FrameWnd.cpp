#include "platform/ui/FrameWnd.h"

#include "platform/ui/CmdUI.h"
#include "platform/ui/Document.h"
#include "platform/ui/QtConvert.h"
#include "platform/ui/Resources.h"
#include "platform/ui/View.h"
#include "platform/ui/WinApp.h"
#include "platform/ui/WndWidget.h"

#include <QAction>
#include <QCoreApplication>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>

#include <algorithm>

IMPLEMENT_DYNCREATE(CFrameWnd, CWnd)

BEGIN_MESSAGE_MAP(CFrameWnd, CWnd)
  ON_WM_CREATE()
  ON_WM_DESTROY()
  ON_WM_CLOSE()
  ON_WM_SIZE()
END_MESSAGE_MAP()

const RECT CFrameWnd::rectDefault = {0, 0, 0, 0};

namespace {
constexpr int kDefaultWidth = 1024;
constexpr int kDefaultHeight = 768;
}  // namespace

CFrameWnd::CFrameWnd() = default;
CFrameWnd::~CFrameWnd() = default;

QWidget* CFrameWnd::CreateWidget(QWidget* pParent) {
  auto* pWindow = new CWndWidget<QMainWindow>(this, pParent);
  pWindow->resize(kDefaultWidth, kDefaultHeight);
  return pWindow;
}

QMainWindow* CFrameWnd::GetMainWindow() const { return qobject_cast<QMainWindow*>(GetWidget()); }

BOOL CFrameWnd::Create(LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                       CWnd* pParentWnd, LPCTSTR, DWORD, CCreateContext* pContext) {
  if (lpszWindowName != nullptr && m_strTitle.IsEmpty()) m_strTitle = lpszWindowName;
  return CWnd::Create(lpszClassName, lpszWindowName != nullptr ? lpszWindowName : m_strTitle.GetString(),
                      dwStyle & ~WS_CHILD, rect, pParentWnd, 0, pContext);
}

BOOL CFrameWnd::LoadFrame(UINT nIDResource, DWORD dwDefaultStyle, CWnd* pParentWnd, CCreateContext* pContext) {
  m_nIDHelp = nIDResource;
  if (m_strTitle.IsEmpty()) {
    // The title is the first part of the frame's document string.
    CString strFull;
    if (AfxLoadString(nIDResource, strFull)) {
      int iStart = 0;
      m_strTitle = strFull.Tokenize(L"\n", iStart);
    }
  }
  return Create(nullptr, m_strTitle, dwDefaultStyle, rectDefault, pParentWnd, nullptr, 0, pContext);
}

int CFrameWnd::OnCreate(LPCREATESTRUCT lpcs) {
  if (CWnd::OnCreate(lpcs) == -1) return -1;
  auto* pContext = lpcs != nullptr ? static_cast<CCreateContext*>(lpcs->lpCreateParams) : nullptr;
  if (!OnCreateClient(lpcs, pContext)) return -1;
  RecalcLayout();
  return 0;
}

BOOL CFrameWnd::OnCreateClient(LPCREATESTRUCT, CCreateContext* pContext) {
  if (pContext != nullptr && pContext->m_pNewViewClass != nullptr) {
    if (CreateView(pContext, AFX_IDW_PANE_FIRST) == nullptr) return FALSE;
  }
  return TRUE;
}

CWnd* CFrameWnd::CreateView(CCreateContext* pContext, UINT nID) {
  if (pContext == nullptr || pContext->m_pNewViewClass == nullptr) return nullptr;
  CObject* pObject = pContext->m_pNewViewClass->CreateObject();
  if (pObject == nullptr) return nullptr;
  if (!pObject->IsKindOf(RUNTIME_CLASS(CWnd))) {
    delete pObject;
    return nullptr;
  }
  auto* pView = static_cast<CWnd*>(pObject);
  // A view that fails to create has deleted itself on its way down.
  if (!pView->Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE | WS_BORDER, RECT{0, 0, 0, 0}, this, nID, pContext))
    return nullptr;
  RecalcLayout();
  return pView;
}

void CFrameWnd::RecalcLayout(BOOL) {
  QMainWindow* pWindow = GetMainWindow();
  if (pWindow == nullptr) return;
  CWnd* pClient = GetDlgItem(static_cast<int>(AFX_IDW_PANE_FIRST));
  if (pClient != nullptr && pWindow->centralWidget() != pClient->GetWidget()) {
    pWindow->setCentralWidget(pClient->GetWidget());
  }
}

void CFrameWnd::SetActiveView(CView* pViewNew, BOOL bNotify) {
  CView* pViewOld = m_pViewActive;
  if (pViewOld == pViewNew) return;
  m_pViewActive = pViewNew;
  if (!bNotify) return;
  if (pViewOld != nullptr) pViewOld->OnActivateView(FALSE, pViewNew, pViewOld);
  if (pViewNew != nullptr) pViewNew->OnActivateView(TRUE, pViewNew, pViewOld);
}

CDocument* CFrameWnd::GetActiveDocument() {
  return m_pViewActive != nullptr ? m_pViewActive->GetDocument() : nullptr;
}

void CFrameWnd::InitialUpdateFrame(CDocument* pDoc, BOOL bMakeVisible) {
  if (pDoc != nullptr) {
    std::vector<CView*> views;
    POSITION pos = pDoc->GetFirstViewPosition();
    while (pos != nullptr) {
      CView* pView = pDoc->GetNextView(pos);
      if (pView->GetParentFrame() == this) views.push_back(pView);
    }
    if (m_pViewActive == nullptr && !views.empty()) SetActiveView(views.front(), FALSE);
    for (CView* pView : views) pView->OnInitialUpdate();
  }
  if (bMakeVisible) ActivateFrame();
  OnUpdateFrameTitle(TRUE);
}

void CFrameWnd::ActivateFrame(int nCmdShow) {
  if (nCmdShow == -1) nCmdShow = IsWindowVisible() ? SW_SHOW : SW_SHOWNORMAL;
  ShowWindow(nCmdShow);
}

void CFrameWnd::OnUpdateFrameTitle(BOOL bAddToTitle) {
  CDocument* pDoc = GetActiveDocument();
  if (bAddToTitle && pDoc != nullptr && !pDoc->GetTitle().IsEmpty()) {
    SetWindowText(pDoc->GetTitle() + L" - " + m_strTitle);
  } else {
    SetWindowText(m_strTitle);
  }
}

BOOL CFrameWnd::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) {
  // Active view first (it passes on to its document), then the frame, then the application.
  if (m_pViewActive != nullptr && m_pViewActive->OnCmdMsg(nID, nCode, pExtra, pHandlerInfo)) return TRUE;
  if (CWnd::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo)) return TRUE;
  CWinApp* pApp = AfxGetApp();
  return pApp != nullptr && pApp->OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
}

BOOL CFrameWnd::OnCommand(WPARAM wParam, LPARAM lParam) {
  const UINT nID = LOWORD(static_cast<DWORD>(wParam));
  if (lParam == 0) {
    // A command whose item its update handler has disabled does not run.
    CTestCmdUI state;
    state.m_nID = nID;
    OnCmdMsg(nID, CN_UPDATE_COMMAND_UI, &state, nullptr);
    if (!state.m_bEnabled) return TRUE;
  }
  return OnCmdMsg(nID, CN_COMMAND, nullptr, nullptr);
}

QMenu* CFrameWnd::AddMenu(LPCTSTR lpszTitle) {
  QMainWindow* pWindow = GetMainWindow();
  if (pWindow == nullptr) return nullptr;
  QMenu* pMenu = pWindow->menuBar()->addMenu(ToQString(lpszTitle));
  QObject::connect(pMenu, &QMenu::aboutToShow, pMenu, [this, hWnd = m_hWnd, pMenu] {
    if (CWnd::FromHandle(hWnd) == this) UpdateMenuActions(pMenu);
  });
  return pMenu;
}

QAction* CFrameWnd::CreateCommandAction(UINT nID, LPCTSTR lpszText) {
  if (GetWidget() == nullptr) return nullptr;
  auto* pAction = new QAction(ToQString(lpszText), GetWidget());
  QObject::connect(pAction, &QAction::triggered, pAction, [this, hWnd = m_hWnd, nID] {
    if (CWnd::FromHandle(hWnd) == this) SendMessage(WM_COMMAND, nID, 0);
  });
  m_commandActions.emplace_back(nID, pAction);
  QObject::connect(pAction, &QObject::destroyed, GetWidget(), [this, pAction] {
    std::erase_if(m_commandActions, [pAction](const auto& entry) { return entry.second == pAction; });
  });
  return pAction;
}

void CFrameWnd::UpdateAction(UINT nID, QAction* pAction) {
  CCmdUI state;
  state.m_nID = nID;
  state.m_pAction = pAction;
  state.DoUpdate(this, m_bAutoMenuEnable);
}

void CFrameWnd::UpdateCommandActions() {
  // Copied: an update handler may add or remove items.
  const auto actions = m_commandActions;
  for (const auto& [nID, pAction] : actions) UpdateAction(nID, pAction);
}

void CFrameWnd::UpdateMenuActions(QMenu* pMenu) {
  if (pMenu == nullptr) return;
  const auto actions = m_commandActions;
  for (const auto& [nID, pAction] : actions) {
    if (pMenu->actions().contains(pAction)) UpdateAction(nID, pAction);
  }
}

void CFrameWnd::OnSize(UINT nType, int cx, int cy) { CWnd::OnSize(nType, cx, cy); }

void CFrameWnd::OnClose() {
  CDocument* pDocument = GetActiveDocument();
  if (pDocument != nullptr && !pDocument->CanCloseFrame(this)) return;
  CWinApp* pApp = AfxGetApp();
  if (pApp != nullptr && pApp->m_pMainWnd == this) {
    if (pDocument == nullptr && !pApp->SaveAllModified()) return;
    // Closing the documents destroys their frames, this one among them (and may delete it).
    const HWND hWnd = m_hWnd;
    pApp->CloseAllDocuments(FALSE);
    if (CWnd* pStill = CWnd::FromHandle(hWnd)) pStill->DestroyWindow();
    return;
  }
  if (pDocument != nullptr && pDocument->m_bAutoDelete) {
    pDocument->OnCloseDocument();
    return;
  }
  DestroyWindow();
}

void CFrameWnd::OnDestroy() {
  m_commandActions.clear();
  CWnd::OnDestroy();
}

void CFrameWnd::PostNcDestroy() {
  CWinApp* pApp = AfxGetApp();
  if (pApp != nullptr && pApp->m_pMainWnd == this) {
    pApp->m_pMainWnd = nullptr;
    QCoreApplication::quit();
  }
  // Frames are created on the heap by their templates and go with their window.
  delete this;
}
