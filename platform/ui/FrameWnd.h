#pragma once
// Frame windows: a top-level QMainWindow holding the client window (a view or a
// splitter, the child with id AFX_IDW_PANE_FIRST), menus and panes.
//
// Commands reach the frame as WM_COMMAND (from a QAction made by
// CreateCommandAction) and are routed: active view, its document, the frame,
// the application. Before a menu shows, and on every idle tick, each command
// action is updated through the same route with a CCmdUI.

#include "platform/ui/Accelerator.h"
#include "platform/ui/CreateContext.h"
#include "platform/ui/Menu.h"
#include "platform/ui/Wnd.h"

#include <memory>
#include <vector>

class QAction;
class QMainWindow;
class QMenu;
class CView;
class CDocument;

class CFrameWnd : public CWnd {
  DECLARE_DYNCREATE(CFrameWnd)
public:
  CFrameWnd();
  ~CFrameWnd() override;

  // Creates the frame window. lpszWindowName null takes m_strTitle.
  BOOL Create(LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle = WS_OVERLAPPEDWINDOW,
              const RECT& rect = rectDefault, CWnd* pParentWnd = nullptr, LPCTSTR lpszMenuName = nullptr,
              DWORD dwExStyle = 0, CCreateContext* pContext = nullptr);
  virtual BOOL LoadFrame(UINT nIDResource, DWORD dwDefaultStyle = WS_OVERLAPPEDWINDOW, CWnd* pParentWnd = nullptr,
                         CCreateContext* pContext = nullptr);

  CView* GetActiveView() const { return m_pViewActive; }
  virtual void SetActiveView(CView* pViewNew, BOOL bNotify = TRUE);
  virtual CDocument* GetActiveDocument();
  // Makes a view of pContext->m_pNewViewClass as child nID; null on failure.
  CWnd* CreateView(CCreateContext* pContext, UINT nID = AFX_IDW_PANE_FIRST);
  // Sends the views their initial update and shows the frame.
  virtual void InitialUpdateFrame(CDocument* pDoc, BOOL bMakeVisible);
  virtual void ActivateFrame(int nCmdShow = -1);
  virtual void OnUpdateFrameTitle(BOOL bAddToTitle);
  virtual void RecalcLayout(BOOL bNotify = TRUE);
  // Entering (TRUE) and leaving (FALSE) print preview; nothing in the base.
  virtual void OnSetPreviewMode(BOOL bPreview, struct CPrintPreviewState* pState);

  BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  // Key messages of the frame and of the windows inside it meet the accelerator table first.
  BOOL PreTranslateMessage(MSG* pMsg) override;

  // Accelerators: the registered table of an id (LoadFrame loads its resource id's).
  BOOL LoadAccelTable(UINT nIDResource);
  HACCEL GetDefaultAccelerator() const { return m_hAccelTable; }
  HACCEL m_hAccelTable = nullptr;

  // The frame's menu (a copy of pMenu's items, kept by the frame) shown as the
  // menu bar; null removes it. LoadFrame takes its resource id's registered menu.
  BOOL SetMenu(CMenu* pMenu);
  CMenu* GetMenu() const override { return m_pMenu.get(); }
  // Shows the frame's menu again after its items changed.
  void DrawMenuBar();

  // Menus and command items. The actions belong to the frame's widget.
  QMainWindow* GetMainWindow() const;
  QMenu* AddMenu(LPCTSTR lpszTitle);
  QAction* CreateCommandAction(UINT nID, LPCTSTR lpszText);
  const std::vector<std::pair<UINT, QAction*>>& GetCommandActions() const { return m_commandActions; }
  // Runs the update handlers of all command actions (or only those of one menu).
  void UpdateCommandActions();
  void UpdateMenuActions(QMenu* pMenu);

  static const RECT rectDefault;
  CString m_strTitle;
  BOOL m_bAutoMenuEnable = TRUE;  // items without any handler are disabled

  int OnCreate(LPCREATESTRUCT lpCreateStruct);
  void OnDestroy();
  void OnClose();
  void OnSize(UINT nType, int cx, int cy);

protected:
  QWidget* CreateWidget(QWidget* pParent) override;
  virtual BOOL OnCreateClient(LPCREATESTRUCT lpcs, CCreateContext* pContext);
  void PostNcDestroy() override;
  void UpdateAction(UINT nID, QAction* pAction);

  CView* m_pViewActive = nullptr;
  UINT m_nIDHelp = 0;
  std::vector<std::pair<UINT, QAction*>> m_commandActions;
  std::unique_ptr<CMenu> m_pMenu;
  UINT m_nIDMenuPending = 0;  // menu resource to show once the window exists
  std::vector<QMenu*> m_menuBarMenus;  // Qt menus built from m_pMenu
  // A frame is created through its own Create above, not as a child window.
  using CWnd::Create;

  DECLARE_MESSAGE_MAP()
};
