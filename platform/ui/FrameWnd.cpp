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
#include <functional>

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
                       CWnd* pParentWnd, LPCTSTR lpszMenuName, DWORD, CCreateContext* pContext) {
  if (lpszWindowName != nullptr && m_strTitle.IsEmpty()) m_strTitle = lpszWindowName;
  // A menu is named by its resource id (MAKEINTRESOURCE).
  const auto nMenu = reinterpret_cast<ULONG_PTR>(lpszMenuName);
  if (nMenu != 0 && nMenu <= 0xFFFF) m_nIDMenuPending = static_cast<UINT>(nMenu);
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
  const LPCTSTR lpszMenu = AfxHasMenu(nIDResource) ? reinterpret_cast<LPCTSTR>(static_cast<ULONG_PTR>(nIDResource))
                                                   : nullptr;
  if (!Create(nullptr, m_strTitle, dwDefaultStyle, rectDefault, pParentWnd, lpszMenu, 0, pContext)) return FALSE;
  LoadAccelTable(nIDResource);
  return TRUE;
}

BOOL CFrameWnd::LoadAccelTable(UINT nIDResource) {
  HACCEL hAccel = AfxLoadAccelerators(nIDResource);
  if (hAccel == nullptr) return FALSE;
  m_hAccelTable = hAccel;
  return TRUE;
}

BOOL CFrameWnd::PreTranslateMessage(MSG* pMsg) {
  if (pMsg == nullptr) return FALSE;
  if (pMsg->message >= WM_KEYFIRST && pMsg->message <= WM_KEYLAST && m_hAccelTable != nullptr) {
    return TranslateAccelerator(m_hWnd, m_hAccelTable, pMsg) != 0;
  }
  return CWnd::PreTranslateMessage(pMsg);
}

namespace {
void CopyMenuItems(CMenu& to, const CMenu& from) {
  for (int i = 0; i < from.GetMenuItemCount(); ++i) {
    CString text;
    from.GetMenuString(static_cast<UINT>(i), text, MF_BYPOSITION);
    const UINT state = from.GetMenuState(static_cast<UINT>(i), MF_BYPOSITION);
    if (CMenu* pSub = from.GetSubMenu(i)) {
      CMenu popup;
      popup.CreatePopupMenu();
      CopyMenuItems(popup, *pSub);
      to.AppendMenu(MF_POPUP | (state & (MF_GRAYED | MF_DISABLED)), reinterpret_cast<UINT_PTR>(popup.Detach()), text);
    } else {
      to.AppendMenu(state & (MF_SEPARATOR | MF_CHECKED | MF_GRAYED | MF_DISABLED), from.GetMenuItemID(i), text);
    }
  }
}
}  // namespace

BOOL CFrameWnd::SetMenu(CMenu* pMenu) {
  if (pMenu == nullptr) {
    m_pMenu.reset();
  } else if (pMenu != m_pMenu.get()) {
    auto copy = std::make_unique<CMenu>();
    copy->CreateMenu();
    CopyMenuItems(*copy, *pMenu);
    m_pMenu = std::move(copy);
  }
  DrawMenuBar();
  return TRUE;
}

void CFrameWnd::DrawMenuBar() {
  QMainWindow* pWindow = GetMainWindow();
  if (pWindow == nullptr) return;
  // Deleting the menus deletes their actions, which leave the command list.
  for (QMenu* pMenu : m_menuBarMenus) delete pMenu;
  m_menuBarMenus.clear();
  pWindow->menuBar()->clear();
  if (m_pMenu == nullptr) return;
  std::function<void(QMenu*, const CMenu&)> fill = [&](QMenu* pQMenu, const CMenu& menu) {
    for (int i = 0; i < menu.GetMenuItemCount(); ++i) {
      CString text;
      menu.GetMenuString(static_cast<UINT>(i), text, MF_BYPOSITION);
      const UINT state = menu.GetMenuState(static_cast<UINT>(i), MF_BYPOSITION);
      if (CMenu* pSub = menu.GetSubMenu(i)) {
        fill(pQMenu->addMenu(ToQString(text)), *pSub);
      } else if ((state & MF_SEPARATOR) != 0) {
        pQMenu->addSeparator();
      } else {
        QAction* pAction = CreateCommandAction(menu.GetMenuItemID(i), text);
        pAction->setParent(pQMenu);
        pAction->setCheckable((state & MF_CHECKED) != 0);
        pAction->setChecked((state & MF_CHECKED) != 0);
        pAction->setEnabled((state & (MF_GRAYED | MF_DISABLED)) == 0);
        pQMenu->addAction(pAction);
      }
    }
  };
  for (int i = 0; i < m_pMenu->GetMenuItemCount(); ++i) {
    CString text;
    m_pMenu->GetMenuString(static_cast<UINT>(i), text, MF_BYPOSITION);
    CMenu* pSub = m_pMenu->GetSubMenu(i);
    if (pSub == nullptr) continue;  // the bar shows popups only
    QMenu* pQMenu = AddMenu(text);
    m_menuBarMenus.push_back(pQMenu);
    fill(pQMenu, *pSub);
  }
}

int CFrameWnd::OnCreate(LPCREATESTRUCT lpcs) {
  if (CWnd::OnCreate(lpcs) == -1) return -1;
  if (m_nIDMenuPending != 0) {
    CMenu menu;
    if (menu.LoadMenu(m_nIDMenuPending)) SetMenu(&menu);
    m_nIDMenuPending = 0;
  }
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

void CFrameWnd::OnSetPreviewMode(BOOL, CPrintPreviewState*) {}

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
  // Notifications of the frame's own controls go the plain window way.
  if (lParam != 0) return CWnd::OnCommand(wParam, lParam);
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
    // The menu or tool bar that triggered the action is still handling its
    // event: a window the command destroys (the frame, on Exit) is deleted later.
    wnd_bridge::DispatchScope scope;
    if (CWnd::FromHandle(hWnd) == this) SendMessage(WM_COMMAND, nID, 0);
  });
  m_commandActions.emplace_back(nID, pAction);
  // The widget, and with it the action, may outlive the frame (a frame closed
  // from its own menu is deleted before its widget): only a live frame is touched.
  QObject::connect(pAction, &QObject::destroyed, GetWidget(), [this, hWnd = m_hWnd, pAction] {
    if (CWnd::FromHandle(hWnd) != this) return;
    std::erase_if(m_commandActions, [pAction](const auto& entry) { return entry.second == pAction; });
  });
  return pAction;
}

void CFrameWnd::UpdateAction(UINT nID, QAction* pAction) {
  CCmdUI state;
  state.m_nID = nID;
  state.m_pAction = pAction;
  // Items of the menu bar are parented to their menu; buttons to their bar.
  if (pAction != nullptr && qobject_cast<QMenu*>(pAction->parent()) != nullptr) state.m_pMenu = m_pMenu.get();
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
  m_menuBarMenus.clear();  // the widget deletes them
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
