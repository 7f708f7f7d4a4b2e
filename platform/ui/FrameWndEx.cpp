#include "platform/ui/FrameWndEx.h"

#include <QMainWindow>

#include "platform/ui/BasePane.h"
#include "platform/ui/WinApp.h"

#include <algorithm>

IMPLEMENT_DYNCREATE(CFrameWndEx, CFrameWnd)

BEGIN_MESSAGE_MAP(CFrameWndEx, CFrameWnd)
  ON_WM_CLOSE()
END_MESSAGE_MAP()

CString CFrameWndEx::PaneStateEntry(const CBasePane* pPane) {
  CString entry;
  entry.Format(L"Pane-%d", pPane->GetDlgCtrlID());
  return entry;
}

BOOL CFrameWndEx::LoadFrame(UINT nIDResource, DWORD dwDefaultStyle, CWnd* pParentWnd, CCreateContext* pContext) {
  if (!CFrameWnd::LoadFrame(nIDResource, dwDefaultStyle, pParentWnd, pContext)) return FALSE;
  LoadPaneState();
  return TRUE;
}

void CFrameWndEx::OnClose() {
  SavePaneState();
  CFrameWnd::OnClose();
}

void CFrameWndEx::SavePaneState() {
  CWinApp* pApp = AfxGetApp();
  if (pApp == nullptr) return;
  for (const CBasePane* pPane : m_panes) {
    const QWidget* pWidget = pPane->GetWidget();
    if (pWidget == nullptr || pPane->GetDlgCtrlID() == 0) continue;
    // Hidden by its own flag, not merely because the frame is not shown.
    pApp->WriteProfileInt(kStateSection, PaneStateEntry(pPane), pWidget->isHidden() ? 0 : 1);
  }
}

void CFrameWndEx::LoadPaneState() {
  CWinApp* pApp = AfxGetApp();
  if (pApp == nullptr) return;
  for (CBasePane* pPane : m_panes) {
    if (pPane->GetWidget() == nullptr || pPane->GetDlgCtrlID() == 0) continue;
    const int shown = static_cast<int>(pApp->GetProfileInt(kStateSection, PaneStateEntry(pPane), -1));
    if (shown == 0 || shown == 1) pPane->ShowPane(shown, FALSE, FALSE);
  }
}

void CFrameWndEx::DockPane(CBasePane* pBar, UINT, LPCRECT) {
  if (pBar == nullptr) return;
  // The first side both the pane and the frame allow.
  pBar->DockToSide(pBar->GetEnabledAlignment() & m_dwDockStyle);
  if (!IsPaneDocked(pBar)) m_panes.push_back(pBar);
}

BOOL CFrameWndEx::DockPaneLeftOf(CBasePane* pBar, CBasePane* pLeftOf) {
  if (pBar == nullptr || pLeftOf == nullptr || !IsPaneDocked(pLeftOf)) return FALSE;
  std::erase(m_panes, pBar);
  m_panes.insert(std::find(m_panes.begin(), m_panes.end(), pLeftOf), pBar);
  pBar->DockLeftOf(pLeftOf);
  return TRUE;
}

BOOL CFrameWndEx::AddPane(CBasePane* pControlBar, BOOL bTail) {
  if (pControlBar == nullptr) return FALSE;
  std::erase(m_panes, pControlBar);
  if (bTail) {
    m_panes.push_back(pControlBar);
  } else {
    m_panes.insert(m_panes.begin(), pControlBar);
  }
  return TRUE;
}

void CFrameWndEx::ShowPane(CBasePane* pBar, BOOL bShow, BOOL bDelay, BOOL bActivate) {
  if (pBar != nullptr) pBar->ShowPane(bShow, bDelay, bActivate);
}

BOOL CFrameWndEx::IsPaneDocked(const CBasePane* pBar) const {
  return std::find(m_panes.begin(), m_panes.end(), pBar) != m_panes.end();
}

QWidget* CFrameWndEx::CreateWidget(QWidget* pParent) {
  QWidget* pWidget = CFrameWnd::CreateWidget(pParent);
  auto* pWindow = qobject_cast<QMainWindow*>(pWidget);
  if (pWindow == nullptr) return pWidget;
  pWindow->setContextMenuPolicy(Qt::CustomContextMenu);
  QObject::connect(pWindow, &QWidget::customContextMenuRequested, pWindow, [this, pWindow](const QPoint& pos) {
    // Right clicks the client area leaves unhandled are not the bars' business.
    QWidget* pAt = pWindow->childAt(pos);
    QWidget* pCentral = pWindow->centralWidget();
    if (pAt != nullptr && pCentral != nullptr && (pAt == pCentral || pCentral->isAncestorOf(pAt))) return;
    const QPoint global = pWindow->mapToGlobal(pos);
    SendMessage(AFX_WM_TOOLBARMENU, 0,
                MAKELPARAM(static_cast<WORD>(static_cast<short>(global.x())), static_cast<WORD>(static_cast<short>(global.y()))));
  });
  return pWidget;
}
