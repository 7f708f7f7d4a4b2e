#include "TestApp.h"

#include "platform/ui/QtApp.h"
#include "platform/ui/SplitterWndEx.h"

#include <QWidget>

#include <gtest/gtest.h>

using namespace ui_test;

namespace {

// A splitter without bars, as the layer bar sets it up.
class CBarlessSplitter : public CSplitterWndEx {
public:
  CBarlessSplitter() {
    m_cxSplitter = m_cySplitter = 0;
    m_cxSplitterGap = m_cySplitterGap = 0;
  }
};

TEST(Splitter, StaticPanesAreLaidOutByRows) {
  ASSERT_TRUE(AfxEnsureQtApplication());
  CWnd parent;
  ASSERT_TRUE(parent.Create(nullptr, nullptr, 0, RECT{0, 0, 200, 100}, nullptr, 0));
  CBarlessSplitter splitter;
  ASSERT_TRUE(splitter.CreateStatic(&parent, 2, 1));
  EXPECT_EQ(splitter.GetDlgCtrlID(), static_cast<int>(AFX_IDW_PANE_FIRST));
  ASSERT_TRUE(splitter.CreateView(0, 0, RUNTIME_CLASS(CTestView), SIZE{200, 60}, nullptr));
  ASSERT_TRUE(splitter.CreateView(1, 0, RUNTIME_CLASS(CTestView), SIZE{200, 15}, nullptr));
  EXPECT_FALSE(splitter.CreateView(1, 0, RUNTIME_CLASS(CTestView), SIZE{200, 15}, nullptr)) << "pane taken";
  EXPECT_FALSE(splitter.CreateView(2, 0, RUNTIME_CLASS(CTestView), SIZE{200, 15}, nullptr)) << "no such row";
  CWnd* top = splitter.GetPane(0, 0);
  CWnd* bottom = splitter.GetPane(1, 0);
  ASSERT_NE(top, nullptr);
  ASSERT_NE(bottom, nullptr);
  EXPECT_EQ(splitter.GetPane(0, 1), nullptr);

  splitter.MoveWindow(0, 0, 200, 100);
  splitter.RecalcLayout();
  RECT topRect{};
  RECT bottomRect{};
  top->GetClientRect(&topRect);
  bottom->GetClientRect(&bottomRect);
  EXPECT_EQ(topRect.bottom, 60);
  EXPECT_EQ(bottomRect.bottom, 40) << "the last row takes the rest";
  EXPECT_EQ(bottom->GetWidget()->y(), 60);
  int cur = 0;
  int min = 0;
  splitter.GetRowInfo(1, cur, min);
  EXPECT_EQ(cur, 40);
  parent.DestroyWindow();  // the panes (views) delete themselves
}

}  // namespace
