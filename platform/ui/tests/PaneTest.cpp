// Panes of a frame sit in its bar and dock areas, never loose over the frame.
#include "TestApp.h"

#include "platform/ui/DockablePane.h"
#include "platform/ui/MFCMenuBar.h"
#include "platform/ui/MFCStatusBar.h"
#include "platform/ui/MFCToolBar.h"
#include "platform/ui/QtApp.h"
#include "platform/ui/Resources.h"
#include "testing/ui/MenuBarProbe.h"

#include <QDockWidget>
#include <QMainWindow>
#include <QMenuBar>
#include <QPointer>
#include <QTest>
#include <QToolBar>

#include <gtest/gtest.h>

#include <array>

using namespace ui_test;

namespace {

constexpr UINT kResource = 101;  // the test template's resource id

std::string Join(const std::vector<std::string>& lines)
{
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

class PaneTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(AfxEnsureQtApplication());
    AfxRegisterMenu(kResource, {{L"&File", {{L"&New", ID_FILE_NEW}}}, {L"&Edit", {{L"&Undo", kCmdView}}}});
    app.m_argc = 0;
    ASSERT_TRUE(app.InitApplication());
    ASSERT_TRUE(app.InitInstance());
    frame = dynamic_cast<CTestFrame*>(app.m_pMainWnd);
    ASSERT_NE(frame, nullptr);
    window = frame->GetMainWindow();
    ASSERT_NE(window, nullptr);
  }
  void TearDown() override {
    if (app.m_pMainWnd != nullptr) app.m_pMainWnd->DestroyWindow();
    AfxRegisterMenu(kResource, {});
  }

  CTestApp app;
  CTestFrame* frame = nullptr;
  QMainWindow* window = nullptr;
};

TEST_F(PaneTest, PanesSitInTheFramesAreasAndLeaveTheMenuBarFree) {
  CMFCToolBar tools;
  CMFCStatusBar status;
  CMFCMenuBar menuPane;
  CDockablePane dock;
  CWnd loose;
  ASSERT_TRUE(tools.Create(frame, WS_CHILD | WS_VISIBLE, 601));
  ASSERT_TRUE(status.Create(frame));
  ASSERT_TRUE(menuPane.Create(frame));
  ASSERT_TRUE(dock.Create(L"Pane", frame, RECT{0, 0, 180, 270}, TRUE, 602, WS_CHILD | WS_VISIBLE | CBRS_ALIGN_LEFT));
  // A plain child made with an empty rectangle and never placed.
  ASSERT_TRUE(loose.Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, RECT{0, 0, 0, 0}, frame, 603));
  ASSERT_TRUE(ui_probe::ShowActive(window));

  EXPECT_EQ(Join(ui_probe::WidgetsOverBars(window)), "");
  auto* toolBar = qobject_cast<QToolBar*>(tools.GetAreaWidget());
  auto* statusBar = qobject_cast<QToolBar*>(status.GetAreaWidget());
  auto* dockWidget = qobject_cast<QDockWidget*>(dock.GetAreaWidget());
  ASSERT_NE(toolBar, nullptr);
  ASSERT_NE(statusBar, nullptr);
  ASSERT_NE(dockWidget, nullptr);
  EXPECT_EQ(window->toolBarArea(toolBar), Qt::TopToolBarArea);
  EXPECT_EQ(window->toolBarArea(statusBar), Qt::BottomToolBarArea);
  EXPECT_FALSE(statusBar->isMovable()) << "status bars stay at the bottom";
  EXPECT_EQ(window->dockWidgetArea(dockWidget), Qt::LeftDockWidgetArea) << "the side the pane's style names";
  EXPECT_EQ(dockWidget->windowTitle(), "Pane");
  EXPECT_TRUE(tools.IsVisible());
  EXPECT_TRUE(status.IsVisible());
  EXPECT_TRUE(dock.IsVisible());
  EXPECT_EQ(menuPane.GetAreaWidget(), nullptr);
  EXPECT_FALSE(menuPane.IsVisible()) << "the frame's own bar carries the menus";
  menuPane.ShowPane(TRUE, FALSE, FALSE);
  EXPECT_FALSE(menuPane.IsVisible());
  EXPECT_TRUE(loose.GetWidget()->size().isEmpty()) << "a child has the size it was made with";

  // Hiding and showing: the dock follows its pane, also after its user closed it.
  dock.ShowPane(FALSE, FALSE, FALSE);
  EXPECT_FALSE(dockWidget->isVisible());
  dock.ShowPane(TRUE, FALSE, FALSE);
  EXPECT_TRUE(dockWidget->isVisible());
  dockWidget->close();
  EXPECT_FALSE(dock.IsVisible());
  dock.ShowPane(TRUE, FALSE, FALSE);
  EXPECT_TRUE(dock.IsVisible());
  tools.ShowPane(FALSE, FALSE, FALSE);
  EXPECT_FALSE(toolBar->isVisible());
  EXPECT_EQ(Join(ui_probe::WidgetsOverBars(window)), "");

  // A destroyed docking pane takes its dock along.
  const QPointer<QDockWidget> watched(dockWidget);
  dock.DestroyWindow();
  EXPECT_TRUE(QTest::qWaitFor([&] { return watched.isNull(); }, 1000));
  ui_probe::ExpectEveryMenuOpens(window, *ui_probe::MakeQtInput(window));
}

TEST_F(PaneTest, DockingMovesBarsToTheSideBothAllow) {
  std::array<CMFCToolBar, 3> bars;
  for (UINT i = 0; i < bars.size(); ++i) ASSERT_TRUE(bars[i].Create(frame, WS_CHILD | WS_VISIBLE, 610 + i));
  frame->EnableDocking(CBRS_ALIGN_LEFT | CBRS_ALIGN_RIGHT | CBRS_ALIGN_TOP);
  bars[0].EnableDocking(CBRS_ALIGN_RIGHT);
  bars[1].EnableDocking(CBRS_ALIGN_LEFT | CBRS_ALIGN_RIGHT);
  bars[2].EnableDocking(CBRS_ALIGN_BOTTOM);  // a side the frame does not allow
  for (CMFCToolBar& bar : bars) frame->DockPane(&bar);
  auto area = [&](CMFCToolBar& bar) { return window->toolBarArea(qobject_cast<QToolBar*>(bar.GetAreaWidget())); };
  EXPECT_EQ(area(bars[0]), Qt::RightToolBarArea);
  EXPECT_EQ(area(bars[1]), Qt::LeftToolBarArea) << "left comes before right";
  EXPECT_EQ(area(bars[2]), Qt::TopToolBarArea) << "stays where it was made";
  EXPECT_TRUE(frame->IsPaneDocked(&bars[2]));

  // Left of: same row, just before the other bar.
  bars[2].EnableDocking(CBRS_ALIGN_ANY);
  bars[0].EnableDocking(CBRS_ALIGN_ANY);
  frame->EnableDocking(CBRS_ALIGN_ANY);
  frame->DockPane(&bars[0]);
  frame->DockPane(&bars[2]);
  ASSERT_TRUE(frame->DockPaneLeftOf(&bars[2], &bars[0]));
  ASSERT_TRUE(ui_probe::ShowActive(window));
  const QWidget* left = bars[2].GetAreaWidget();
  const QWidget* right = bars[0].GetAreaWidget();
  EXPECT_EQ(area(bars[2]), Qt::TopToolBarArea);
  EXPECT_EQ(left->y(), right->y());
  EXPECT_LT(left->x(), right->x());
  EXPECT_FALSE(bars[0].DockLeftOf(&bars[0]));
  EXPECT_EQ(Join(ui_probe::WidgetsOverBars(window)), "");
}

}  // namespace
