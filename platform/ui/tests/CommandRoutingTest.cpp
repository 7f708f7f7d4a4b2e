#include "TestApp.h"

#include "platform/ui/DocManager.h"
#include "platform/ui/QtApp.h"

#include <QAction>
#include <QMenu>

#include <gtest/gtest.h>

using namespace ui_test;

namespace {

class CommandRoutingTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(AfxEnsureQtApplication());
    Log().clear();
    app.m_argc = 0;
    ASSERT_TRUE(app.InitApplication());
    ASSERT_TRUE(app.InitInstance());
    frame = dynamic_cast<CTestFrame*>(app.m_pMainWnd);
    ASSERT_NE(frame, nullptr);
  }
  void TearDown() override {
    if (app.m_pMainWnd != nullptr) app.m_pMainWnd->DestroyWindow();
  }

  CTestApp app;
  CTestFrame* frame = nullptr;
};

TEST_F(CommandRoutingTest, NewDocumentBuildsDocumentFrameAndView) {
  auto* view = dynamic_cast<CTestView*>(frame->GetActiveView());
  ASSERT_NE(view, nullptr);
  auto* doc = dynamic_cast<CTestDoc*>(view->GetDocument());
  ASSERT_NE(doc, nullptr);
  EXPECT_EQ(frame->GetActiveDocument(), doc);
  EXPECT_EQ(view->GetParentFrame(), frame);
  EXPECT_EQ(doc->GetTitle(), L"Untitled");
  EXPECT_FALSE(doc->IsModified());
}

TEST_F(CommandRoutingTest, RoutingOrderIsViewDocumentFrameApplication) {
  struct Row {
    UINT id;
    const char* handler;  // null: nobody
  };
  // Every target handles its own id and those of the targets after it in the route,
  // so each id is taken by the earliest target that has it.
  const Row rows[] = {{kCmdView, "view"}, {kCmdDoc, "doc"}, {kCmdFrame, "frame"},
                      {kCmdApp, "app"},   {kCmdNowhere, nullptr}};
  for (const Row& row : rows) {
    Log().clear();
    frame->SendMessage(WM_COMMAND, row.id, 0);
    if (row.handler == nullptr) {
      EXPECT_TRUE(Log().empty()) << row.id;
    } else {
      EXPECT_EQ(Log(), (std::vector<std::string>{row.handler})) << row.id;
    }
  }
}

TEST_F(CommandRoutingTest, CommandUIReachesTheAction) {
  QMenu* menu = frame->AddMenu(L"Test");
  QAction* checked = frame->CreateCommandAction(kCmdChecked, L"checked");
  QAction* disabled = frame->CreateCommandAction(kCmdDisabled, L"disabled");
  QAction* orphan = frame->CreateCommandAction(kCmdNowhere, L"orphan");
  QAction* routed = frame->CreateCommandAction(kCmdApp, L"routed");
  menu->addAction(checked);
  frame->UpdateCommandActions();
  EXPECT_TRUE(checked->isCheckable());
  EXPECT_TRUE(checked->isChecked());
  EXPECT_EQ(checked->text(), "On");
  EXPECT_FALSE(disabled->isEnabled());
  EXPECT_FALSE(orphan->isEnabled()) << "an item without any handler is disabled";
  EXPECT_TRUE(routed->isEnabled()) << "a handler in the application enables the item";

  // A menu updates its items just before it shows.
  frame->m_nCheck = 0;
  emit menu->aboutToShow();
  EXPECT_FALSE(checked->isChecked());
  EXPECT_EQ(checked->text(), "Off");
}

TEST_F(CommandRoutingTest, TriggeredActionRunsItsCommandUnlessDisabled) {
  QAction* checked = frame->CreateCommandAction(kCmdChecked, L"checked");
  QAction* disabled = frame->CreateCommandAction(kCmdDisabled, L"disabled");
  checked->trigger();
  // The action is still enabled on the Qt side; the update handler's answer stops the command.
  disabled->setEnabled(true);
  disabled->trigger();
  EXPECT_EQ(Log(), (std::vector<std::string>{"checked"}));
}

TEST_F(CommandRoutingTest, IdleTickUpdatesTheItems) {
  QAction* checked = frame->CreateCommandAction(kCmdChecked, L"checked");
  frame->m_nCheck = 0;
  app.OnIdle(0);
  EXPECT_FALSE(checked->isChecked());
  frame->m_nCheck = 1;
  app.OnIdle(0);
  EXPECT_TRUE(checked->isChecked());
}

TEST_F(CommandRoutingTest, ClosingTheMainFrameClosesTheDocument) {
  frame->SendMessage(WM_CLOSE);
  EXPECT_EQ(app.m_pMainWnd, nullptr);
  EXPECT_EQ(app.m_pDocManager->GetTemplate(0)->GetFirstDocPosition(), nullptr);
}

}  // namespace
