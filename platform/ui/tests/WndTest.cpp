#include "platform/ui/QtApp.h"
#include "platform/ui/Wnd.h"

#include <QCoreApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QTest>
#include <QUrl>
#include <QWidget>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class CProbeWnd : public CWnd {
public:
  std::vector<std::string> log;
  int timerTicks = 0;
  bool destroyOnTimer = false;
  bool* pDestroyed = nullptr;

  ~CProbeWnd() override {
    if (pDestroyed != nullptr) *pDestroyed = true;
  }

  LRESULT OnPing(WPARAM wParam, LPARAM) {
    log.push_back("ping" + std::to_string(wParam));
    return 0;
  }
  void OnTimer(UINT_PTR nIDEvent) {
    log.push_back("timer" + std::to_string(nIDEvent));
    ++timerTicks;
    if (destroyOnTimer) DestroyWindow();
  }
  void OnDropFiles(HDROP hDrop) {
    const UINT count = DragQueryFile(hDrop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
      wchar_t buffer[260];
      DragQueryFile(hDrop, i, buffer, 260);
      log.push_back("drop:" + CString(buffer).ToUtf8());
    }
    DragFinish(hDrop);
  }
  void OnDestroy() { log.push_back("destroy"); }

protected:
  void PostNcDestroy() override {
    if (destroyOnTimer) delete this;
  }

  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CProbeWnd, CWnd)
  ON_MESSAGE(WM_USER + 1, &CProbeWnd::OnPing)
  ON_WM_TIMER()
  ON_WM_DROPFILES()
  ON_WM_DESTROY()
END_MESSAGE_MAP()

// Qt delivers a drop to the widget that accepted the drag's entry.
void DropFiles(QWidget* pWidget, const QStringList& paths) {
  QMimeData mime;
  QList<QUrl> urls;
  for (const QString& path : paths) urls << QUrl::fromLocalFile(path);
  mime.setUrls(urls);
  QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(pWidget, &enter);
  QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(pWidget, &drop);
}

class WndTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(AfxEnsureQtApplication());
    ASSERT_TRUE(wnd.Create(nullptr, L"probe", 0, RECT{0, 0, 100, 80}, nullptr, 0));
  }
  void TearDown() override { wnd.DestroyWindow(); }
  CProbeWnd wnd;
};

TEST_F(WndTest, SendMessageRunsAtOncePostMessageLater) {
  wnd.SendMessage(WM_USER + 1, 1, 0);
  ASSERT_EQ(wnd.log.size(), 1u);
  ASSERT_TRUE(wnd.PostMessage(WM_USER + 1, 2, 0));
  EXPECT_EQ(wnd.log.size(), 1u) << "a posted message must wait for the event loop";
  wnd.SendMessage(WM_USER + 1, 3, 0);
  QCoreApplication::sendPostedEvents();
  EXPECT_EQ(wnd.log, (std::vector<std::string>{"ping1", "ping3", "ping2"}));
}

TEST_F(WndTest, PostMessageToAWindowWithoutWidgetFails) {
  CProbeWnd loose;
  EXPECT_FALSE(loose.PostMessage(WM_USER + 1, 1, 0));
}

TEST_F(WndTest, TimerDeliversOnTimerUntilKilled) {
  EXPECT_EQ(wnd.SetTimer(7, 10), 7u);
  EXPECT_TRUE(QTest::qWaitFor([&] { return wnd.timerTicks >= 2; }, 5000));
  EXPECT_EQ(wnd.log.front(), "timer7");
  EXPECT_TRUE(wnd.KillTimer(7));
  EXPECT_FALSE(wnd.KillTimer(7)) << "a killed timer is gone";
  const int ticks = wnd.timerTicks;
  QTest::qWait(60);
  EXPECT_EQ(wnd.timerTicks, ticks);
}

TEST_F(WndTest, WindowDestroyedFromItsOwnTimerTick) {
  bool destroyed = false;
  auto* pWnd = new CProbeWnd;
  pWnd->destroyOnTimer = true;
  pWnd->pDestroyed = &destroyed;
  ASSERT_TRUE(pWnd->Create(nullptr, L"self", 0, RECT{0, 0, 10, 10}, nullptr, 0));
  pWnd->SetTimer(93, 10);
  EXPECT_TRUE(QTest::qWaitFor([&] { return destroyed; }, 5000));
  QTest::qWait(30);  // deferred deletions run without touching the deleted window
}

TEST_F(WndTest, DroppedFilesReachTheHandlerInDropOrder) {
  wnd.DragAcceptFiles(TRUE);
  DropFiles(wnd.GetWidget(), {"/tmp/a.zdc", "/tmp/b c.ai"});
  EXPECT_EQ(wnd.log, (std::vector<std::string>{"drop:/tmp/a.zdc", "drop:/tmp/b c.ai"}));
}

TEST_F(WndTest, DropIgnoredUnlessFilesAccepted) {
  DropFiles(wnd.GetWidget(), {"/tmp/a.zdc"});
  EXPECT_TRUE(wnd.log.empty());
}

class CTruncatingWnd : public CWnd {
public:
  std::vector<UINT> results;
  std::wstring shortCopy;
  void OnDropFiles(HDROP hDrop) {
    results.push_back(DragQueryFile(hDrop, 0xFFFFFFFF, nullptr, 0));  // count
    results.push_back(DragQueryFile(hDrop, 0, nullptr, 0));           // length of the first path
    results.push_back(DragQueryFile(hDrop, 5, nullptr, 0));           // past the end
    wchar_t buffer[5];
    results.push_back(DragQueryFile(hDrop, 0, buffer, 5));  // cut to 4 characters
    shortCopy = buffer;
  }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CTruncatingWnd, CWnd)
  ON_WM_DROPFILES()
END_MESSAGE_MAP()

TEST_F(WndTest, DragQueryFileCountsLengthsAndTruncates) {
  CTruncatingWnd target;
  ASSERT_TRUE(target.Create(nullptr, nullptr, 0, RECT{0, 0, 10, 10}, nullptr, 0));
  target.DragAcceptFiles(TRUE);
  DropFiles(target.GetWidget(), {"/tmp/abcdef"});
  EXPECT_EQ(target.results, (std::vector<UINT>{1, 11, 0, 4}));
  EXPECT_EQ(target.shortCopy, L"/tmp");
  EXPECT_EQ(DragQueryFile(nullptr, 0xFFFFFFFF, nullptr, 0), 0u);
  target.DestroyWindow();
}

TEST_F(WndTest, DestroyWindowSendsDestroyToParentThenChildren) {
  CProbeWnd child;
  ASSERT_TRUE(child.Create(nullptr, nullptr, WS_CHILD, RECT{0, 0, 10, 10}, &wnd, 42));
  EXPECT_EQ(wnd.GetDlgItem(42), &child);
  EXPECT_EQ(child.GetParent(), &wnd);
  wnd.DestroyWindow();
  EXPECT_EQ(wnd.log, (std::vector<std::string>{"destroy"}));
  EXPECT_EQ(child.log, (std::vector<std::string>{"destroy"}));
  EXPECT_EQ(child.m_hWnd, nullptr);
  EXPECT_FALSE(IsWindow(wnd.m_hWnd));
}

TEST_F(WndTest, ClientRectAndShowState) {
  RECT rect{};
  wnd.GetClientRect(&rect);
  EXPECT_EQ(rect.right - rect.left, 100);
  EXPECT_EQ(rect.bottom - rect.top, 80);
  EXPECT_FALSE(wnd.ShowWindow(SW_SHOW));
  EXPECT_TRUE(wnd.IsWindowVisible());
  EXPECT_TRUE(wnd.ShowWindow(SW_HIDE));
  EXPECT_FALSE(wnd.IsWindowVisible());
}

}  // namespace
