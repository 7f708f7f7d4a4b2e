#include "platform/ui/BasePane.h"

#include "platform/ui/WndWidget.h"

#include <QDockWidget>
#include <QMainWindow>
#include <QToolBar>

IMPLEMENT_DYNAMIC(CBasePane, CWnd)

namespace {

// The Qt side of the first of top, bottom, left and right named by an alignment
// (tool-bar and dock-widget areas share their values), or 0.
int SideOf(DWORD dwAlignment) {
  if ((dwAlignment & CBRS_ALIGN_TOP) != 0) return Qt::TopToolBarArea;
  if ((dwAlignment & CBRS_ALIGN_BOTTOM) != 0) return Qt::BottomToolBarArea;
  if ((dwAlignment & CBRS_ALIGN_LEFT) != 0) return Qt::LeftToolBarArea;
  if ((dwAlignment & CBRS_ALIGN_RIGHT) != 0) return Qt::RightToolBarArea;
  return 0;
}

// Keeps a dock shown exactly while the pane inside it is.
class DockFollower : public QObject {
public:
  explicit DockFollower(QDockWidget* pDock) : QObject(pDock), m_pDock(pDock) {}

protected:
  bool eventFilter(QObject* pWatched, QEvent* e) override {
    if (e->type() == QEvent::ShowToParent) m_pDock->show();
    if (e->type() == QEvent::HideToParent) m_pDock->hide();
    return QObject::eventFilter(pWatched, e);
  }

private:
  QDockWidget* m_pDock;
};

QMainWindow* FrameWindowOf(QWidget* pAreaWidget) {
  return pAreaWidget != nullptr ? qobject_cast<QMainWindow*>(pAreaWidget->parentWidget()) : nullptr;
}

}  // namespace

BOOL CBasePane::CreatePane(CWnd* pParentWnd, DWORD dwStyle, UINT nID, LPCTSTR lpszTitle) {
  if (pParentWnd == nullptr) return FALSE;
  m_dwStyle = dwStyle & 0xFFFF;
  const DWORD dwVisible = GetPlacement() == Placement::kNone ? 0 : dwStyle & WS_VISIBLE;
  return Create(nullptr, lpszTitle, dwVisible | WS_CHILD, RECT{0, 0, 0, 0}, pParentWnd, nID);
}

QWidget* CBasePane::CreateWidget(QWidget* pParent) {
  auto* pWindow = qobject_cast<QMainWindow*>(pParent);
  const Placement placement = GetPlacement();
  // Inside any other window the pane is a plain child that its parent lays out.
  if (pWindow == nullptr || placement == Placement::kNone) return CWnd::CreateWidget(pParent);
  const int side = SideOf(GetDefaultSide());
  if (placement == Placement::kDocked) {
    auto* pDock = new QDockWidget(pWindow);
    QDockWidget::DockWidgetFeatures features = QDockWidget::DockWidgetMovable;
    if ((m_dwControlBarStyle & AFX_CBRS_CLOSE) != 0) features |= QDockWidget::DockWidgetClosable;
    if ((m_dwControlBarStyle & AFX_CBRS_FLOAT) != 0) features |= QDockWidget::DockWidgetFloatable;
    pDock->setFeatures(features);
    auto* pWidget = new CWndWidget<QWidget>(this, pDock);
    pDock->setWidget(pWidget);
    pWindow->addDockWidget(static_cast<Qt::DockWidgetArea>(side != 0 ? side : Qt::RightDockWidgetArea), pDock);
    // Both hidden until the pane shows (the dock shows what it is given).
    pWidget->hide();
    pDock->hide();
    pWidget->installEventFilter(new DockFollower(pDock));
    // A destroyed pane takes its dock along.
    QObject::connect(pWidget, &QObject::destroyed, pDock, &QObject::deleteLater);
    return pWidget;
  }
  auto* pBar = new CWndWidget<QToolBar>(this, pWindow);
  if (placement == Placement::kFixedBar) {
    pBar->setMovable(false);
    pBar->setFloatable(false);
  }
  pWindow->addToolBar(static_cast<Qt::ToolBarArea>(side != 0 ? side : Qt::TopToolBarArea), pBar);
  pBar->hide();
  return pBar;
}

QWidget* CBasePane::GetAreaWidget() const {
  QWidget* pWidget = GetWidget();
  if (pWidget == nullptr) return nullptr;
  if (qobject_cast<QToolBar*>(pWidget) != nullptr && FrameWindowOf(pWidget) != nullptr) return pWidget;
  auto* pDock = qobject_cast<QDockWidget*>(pWidget->parentWidget());
  return pDock != nullptr && pDock->widget() == pWidget && FrameWindowOf(pDock) != nullptr ? pDock : nullptr;
}

void CBasePane::ShowPane(BOOL bShow, BOOL, BOOL) {
  if (GetPlacement() == Placement::kNone) return;
  ShowWindow(bShow ? SW_SHOW : SW_HIDE);
  // A dock its user closed hides around a pane that stayed shown.
  if (QWidget* pArea = GetAreaWidget(); pArea != nullptr && pArea != GetWidget()) pArea->setVisible(bShow != FALSE);
}

BOOL CBasePane::DockToSide(DWORD dwAlignment) {
  QWidget* pArea = GetAreaWidget();
  QMainWindow* pWindow = FrameWindowOf(pArea);
  const int side = SideOf(dwAlignment);
  if (pWindow == nullptr || side == 0) return FALSE;
  if (auto* pBar = qobject_cast<QToolBar*>(pArea)) {
    pWindow->addToolBar(static_cast<Qt::ToolBarArea>(side), pBar);
  } else if (auto* pDock = qobject_cast<QDockWidget*>(pArea)) {
    pWindow->addDockWidget(static_cast<Qt::DockWidgetArea>(side), pDock);
  }
  return TRUE;
}

BOOL CBasePane::DockLeftOf(CBasePane* pOther) {
  auto* pBar = qobject_cast<QToolBar*>(GetAreaWidget());
  auto* pBefore = pOther != nullptr ? qobject_cast<QToolBar*>(pOther->GetAreaWidget()) : nullptr;
  QMainWindow* pWindow = FrameWindowOf(pBar);
  if (pBar == nullptr || pBefore == nullptr || pBar == pBefore || pWindow != FrameWindowOf(pBefore)) return FALSE;
  pWindow->insertToolBar(pBefore, pBar);
  return TRUE;
}
