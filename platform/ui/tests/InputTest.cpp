#include "platform/ui/Input.h"
#include "platform/ui/QtApp.h"
#include "platform/ui/Wnd.h"

#include <QApplication>
#include <QTest>
#include <QWheelEvent>
#include <QWidget>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// One handled message with what its handler received.
struct Call {
  std::string what;
  UINT a = 0;  // flags, or the key / character code
  int x = 0;   // point, or repeat count and key flags
  int y = 0;
  bool operator==(const Call&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Call& c) {
  return os << c.what << "(" << c.a << ", " << c.x << ", " << c.y << ")";
}

class CInputWnd : public CWnd {
public:
  std::vector<Call> calls;
  std::vector<SHORT> shiftStates;  // GetKeyState(VK_SHIFT) seen in button handlers
  int setCursorCalls = 0;
  BOOL wheelResult = TRUE;

  void OnLButtonDown(UINT f, CPoint p) { Mouse("LDown", f, p); }
  void OnLButtonUp(UINT f, CPoint p) { Mouse("LUp", f, p); }
  void OnLButtonDblClk(UINT f, CPoint p) { Mouse("LDbl", f, p); }
  void OnRButtonDown(UINT f, CPoint p) { Mouse("RDown", f, p); }
  void OnRButtonUp(UINT f, CPoint p) { Mouse("RUp", f, p); }
  void OnMButtonDown(UINT f, CPoint p) { Mouse("MDown", f, p); }
  void OnMButtonUp(UINT f, CPoint p) { Mouse("MUp", f, p); }
  void OnMouseMove(UINT f, CPoint p) { Mouse("Move", f, p); }
  BOOL OnMouseWheel(UINT f, short z, CPoint p) {
    calls.push_back({"Wheel" + std::to_string(z), f, p.x, p.y});
    return wheelResult;
  }
  void OnKeyDown(UINT c, UINT r, UINT f) { calls.push_back({"KeyDown", c, static_cast<int>(r), static_cast<int>(f & 0xFF00)}); }
  void OnKeyUp(UINT c, UINT r, UINT f) { calls.push_back({"KeyUp", c, static_cast<int>(r), static_cast<int>(f & 0xFF00)}); }
  void OnChar(UINT c, UINT r, UINT) { calls.push_back({"Char", c, static_cast<int>(r), 0}); }
  BOOL OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message) {
    ++setCursorCalls;
    EXPECT_EQ(pWnd, this);
    EXPECT_EQ(nHitTest, HTCLIENT);
    EXPECT_TRUE(message == WM_MOUSEMOVE || message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN ||
                message == WM_MBUTTONDOWN)
        << message;
    return TRUE;
  }

private:
  void Mouse(const char* what, UINT f, CPoint p) {
    calls.push_back({what, f, p.x, p.y});
    shiftStates.push_back(GetKeyState(VK_SHIFT));
  }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CInputWnd, CWnd)
  ON_WM_LBUTTONDOWN()
  ON_WM_LBUTTONUP()
  ON_WM_LBUTTONDBLCLK()
  ON_WM_RBUTTONDOWN()
  ON_WM_RBUTTONUP()
  ON_WM_MBUTTONDOWN()
  ON_WM_MBUTTONUP()
  ON_WM_MOUSEMOVE()
  ON_WM_MOUSEWHEEL()
  ON_WM_KEYDOWN()
  ON_WM_KEYUP()
  ON_WM_CHAR()
  ON_WM_SETCURSOR()
END_MESSAGE_MAP()

// Input as the platform plugin delivers it (QTest's own helpers add modifier key
// presses and centre null points).
void SendMouse(QWidget* w, QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons buttons,
               Qt::KeyboardModifiers mods, QPoint at) {
  QMouseEvent e(type, QPointF(at), QPointF(w->mapToGlobal(at)), button, buttons, mods);
  QApplication::sendEvent(w, &e);
}

void SendKey(QWidget* w, Qt::Key key, Qt::KeyboardModifiers mods, const QString& text) {
  QKeyEvent press(QEvent::KeyPress, key, mods, text);
  QApplication::sendEvent(w, &press);
  QKeyEvent release(QEvent::KeyRelease, key, mods, text);
  QApplication::sendEvent(w, &release);
}

class InputTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(AfxEnsureQtApplication());
    ASSERT_TRUE(wnd.Create(nullptr, L"input", WS_VISIBLE, RECT{0, 0, 200, 150}, nullptr, 0));
    widget = wnd.GetWidget();
  }
  void TearDown() override {
    ReleaseCapture();
    other.DestroyWindow();
    wnd.DestroyWindow();
  }

  CInputWnd wnd;
  CInputWnd other;
  QWidget* widget = nullptr;
};

TEST_F(InputTest, MouseButtonsReachTheirHandlersWithFlagsAndClientPoints) {
  struct Row {
    const char* label;
    Qt::MouseButton button;
    Qt::KeyboardModifiers mods;
    QPoint at;
    std::vector<Call> expected;  // press then release
  };
  const Row rows[] = {
      {"left", Qt::LeftButton, Qt::NoModifier, {10, 12}, {{"LDown", MK_LBUTTON, 10, 12}, {"LUp", 0, 10, 12}}},
      {"left+shift", Qt::LeftButton, Qt::ShiftModifier, {3, 4},
       {{"LDown", MK_LBUTTON | MK_SHIFT, 3, 4}, {"LUp", MK_SHIFT, 3, 4}}},
      {"right+ctrl", Qt::RightButton, Qt::ControlModifier, {150, 99},
       {{"RDown", MK_RBUTTON | MK_CONTROL, 150, 99}, {"RUp", MK_CONTROL, 150, 99}}},
      {"middle+both", Qt::MiddleButton, Qt::ShiftModifier | Qt::ControlModifier, {0, 0},
       {{"MDown", MK_MBUTTON | MK_SHIFT | MK_CONTROL, 0, 0}, {"MUp", MK_SHIFT | MK_CONTROL, 0, 0}}},
      {"outside left", Qt::LeftButton, Qt::NoModifier, {-4, 7}, {{"LDown", MK_LBUTTON, -4, 7}, {"LUp", 0, -4, 7}}},
  };
  for (const Row& row : rows) {
    wnd.calls.clear();
    wnd.shiftStates.clear();
    SendMouse(widget, QEvent::MouseButtonPress, row.button, row.button, row.mods, row.at);
    SendMouse(widget, QEvent::MouseButtonRelease, row.button, Qt::NoButton, row.mods, row.at);
    EXPECT_EQ(wnd.calls, row.expected) << row.label;
    ASSERT_FALSE(wnd.shiftStates.empty()) << row.label;
    EXPECT_EQ(wnd.shiftStates.front() < 0, (row.mods & Qt::ShiftModifier) != 0) << row.label;
  }
}

TEST_F(InputTest, DoubleClickMoveAndSetCursorOrder) {
  const QPoint p(21, 31);
  SendMouse(widget, QEvent::MouseMove, Qt::NoButton, Qt::NoButton, Qt::NoModifier, QPoint(20, 30));
  // Qt's sequence of a double click, which is also the platform's.
  SendMouse(widget, QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier, p);
  SendMouse(widget, QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, Qt::NoModifier, p);
  SendMouse(widget, QEvent::MouseButtonDblClick, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier, p);
  SendMouse(widget, QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, Qt::NoModifier, p);
  SendMouse(widget, QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, Qt::ShiftModifier, QPoint(22, 33));
  const std::vector<Call> expected{{"Move", 0, 20, 30},          {"LDown", MK_LBUTTON, 21, 31}, {"LUp", 0, 21, 31},
                                   {"LDbl", MK_LBUTTON, 21, 31}, {"LUp", 0, 21, 31},
                                   {"Move", MK_LBUTTON | MK_SHIFT, 22, 33}};
  EXPECT_EQ(wnd.calls, expected);
  EXPECT_EQ(wnd.setCursorCalls, 3) << "WM_SETCURSOR precedes moves and presses, not releases or double clicks";
}

TEST_F(InputTest, WheelGivesDeltaFlagsAndScreenPoint) {
  const QPoint local(40, 50);
  const QPoint global = widget->mapToGlobal(local);
  for (int delta : {120, -240}) {
    wnd.calls.clear();
    QWheelEvent wheel(QPointF(local), QPointF(global), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::ControlModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(widget, &wheel);
    ASSERT_EQ(wnd.calls.size(), 1u) << delta;
    EXPECT_EQ(wnd.calls[0], (Call{"Wheel" + std::to_string(delta), MK_CONTROL, global.x(), global.y()})) << delta;
  }
}

TEST_F(InputTest, KeysGiveVirtualKeyCodesAndCharacters) {
  struct Row {
    const char* label;
    Qt::Key key;
    Qt::KeyboardModifiers mods;
    QString text;
    UINT vk;
    std::vector<UINT> chars;
  };
  const Row rows[] = {
      {"letter", Qt::Key_A, Qt::NoModifier, "a", 'A', {'a'}},
      {"shifted letter", Qt::Key_P, Qt::ShiftModifier, "P", 'P', {'P'}},
      {"ctrl letter", Qt::Key_C, Qt::ControlModifier, "c", 'C', {3}},
      {"escape", Qt::Key_Escape, Qt::NoModifier, "\x1b", VK_ESCAPE, {27}},
      {"page up", Qt::Key_PageUp, Qt::NoModifier, "", VK_PRIOR, {}},
      {"page down", Qt::Key_PageDown, Qt::NoModifier, "", VK_NEXT, {}},
      {"delete", Qt::Key_Delete, Qt::NoModifier, "\x7f", VK_DELETE, {}},
      {"digit", Qt::Key_7, Qt::NoModifier, "7", '7', {'7'}},
      {"F1", Qt::Key_F1, Qt::NoModifier, "", VK_F1, {}},
      {"two units", Qt::Key_unknown, Qt::NoModifier, QString::fromUtf8("\xF0\x9F\x98\x80"), 0, {0xD83D, 0xDE00}},
  };
  for (const Row& row : rows) {
    wnd.calls.clear();
    SendKey(widget, row.key, row.mods, row.text);
    std::vector<Call> expected;
    if (row.vk != 0) expected.push_back({"KeyDown", row.vk, 1, 0});
    for (UINT c : row.chars) expected.push_back({"Char", c, 1, 0});
    if (row.vk != 0) expected.push_back({"KeyUp", row.vk, 1, static_cast<int>(KF_REPEAT | KF_UP)});
    // Extended keys carry KF_EXTENDED in both messages.
    if (row.vk == VK_PRIOR || row.vk == VK_NEXT || row.vk == VK_DELETE) {
      expected.front().y |= KF_EXTENDED;
      expected.back().y |= KF_EXTENDED;
    }
    EXPECT_EQ(wnd.calls, expected) << row.label;
  }
  EXPECT_GE(GetKeyState(VK_SHIFT), 0) << "no key stays down after the clicks";
}

TEST_F(InputTest, VirtualKeyMapping) {
  struct Row {
    int key;
    bool keypad;
    UINT vk;
  };
  const Row rows[] = {{Qt::Key_Z, false, 0x5A},      {Qt::Key_0, false, 0x30},          {Qt::Key_0, true, VK_NUMPAD0},
                      {Qt::Key_Plus, true, VK_ADD},  {Qt::Key_Exclam, false, '1'},      {Qt::Key_Question, false, VK_OEM_2},
                      {Qt::Key_F12, false, VK_F12},  {Qt::Key_Return, false, VK_RETURN}, {Qt::Key_Space, false, VK_SPACE},
                      {Qt::Key_Left, false, VK_LEFT}, {Qt::Key_Shift, false, VK_SHIFT},  {Qt::Key_unknown, false, 0}};
  for (const Row& row : rows) EXPECT_EQ(AfxVirtualKeyFromQtKey(row.key, row.keypad), row.vk) << std::hex << row.key;
}

TEST_F(InputTest, CaptureSendsMouseToTheCapturingWindow) {
  ASSERT_TRUE(other.Create(nullptr, L"other", WS_VISIBLE, RECT{300, 0, 400, 100}, nullptr, 0));
  EXPECT_EQ(wnd.SetCapture(), nullptr);
  EXPECT_EQ(CWnd::GetCapture(), &wnd);
  SendMouse(other.GetWidget(), QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier, QPoint(5, 6));
  EXPECT_TRUE(other.calls.empty());
  ASSERT_FALSE(wnd.calls.empty());
  const Call& last = wnd.calls.back();
  POINT expected{5, 6};
  other.ClientToScreen(&expected);
  wnd.ScreenToClient(&expected);
  EXPECT_EQ(last, (Call{"LDown", MK_LBUTTON, expected.x, expected.y}));

  ReleaseCapture();
  EXPECT_EQ(CWnd::GetCapture(), nullptr);
  SendMouse(other.GetWidget(), QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, Qt::NoModifier, QPoint(5, 6));
  ASSERT_FALSE(other.calls.empty());
  EXPECT_EQ(other.calls.back(), (Call{"LUp", 0, 5, 6}));
}

// A handler that chains to the base reaches the default procedure of the message.
class CDefaultWnd : public CWnd {
public:
  std::vector<UINT> defaults;
  void OnKeyDown(UINT c, UINT r, UINT f) { CWnd::OnKeyDown(c, r, f); }
  LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_KEYDOWN) defaults.push_back(static_cast<UINT>(wParam));
    return CWnd::DefWindowProc(message, wParam, lParam);
  }
  DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CDefaultWnd, CWnd)
  ON_WM_KEYDOWN()
END_MESSAGE_MAP()

TEST_F(InputTest, DefaultRunsTheDefaultProcedureOfTheCurrentMessage) {
  CDefaultWnd w;
  ASSERT_TRUE(w.Create(nullptr, L"default", 0, RECT{0, 0, 10, 10}, nullptr, 0));
  SendKey(w.GetWidget(), Qt::Key_B, Qt::NoModifier, "b");
  EXPECT_EQ(w.defaults, std::vector<UINT>{'B'});
  w.DestroyWindow();
}

TEST_F(InputTest, ScrollInfoKeepsPlatformRangeRules) {
  SCROLLINFO si{sizeof(SCROLLINFO), SIF_ALL, 0, 99, 10, 95, 0};
  wnd.SetScrollInfo(SB_VERT, &si);
  SCROLLINFO got{};
  got.cbSize = sizeof(got);
  ASSERT_TRUE(wnd.GetScrollInfo(SB_VERT, &got, SIF_ALL));
  EXPECT_EQ(got.nMin, 0);
  EXPECT_EQ(got.nMax, 99);
  EXPECT_EQ(got.nPage, 10u);
  EXPECT_EQ(got.nPos, 90) << "the position stops at max - page + 1";
  EXPECT_EQ(wnd.SetScrollPos(SB_VERT, -5), 90);
  EXPECT_EQ(wnd.GetScrollPos(SB_VERT), 0);

  RECT before{};
  wnd.GetClientRect(&before);
  wnd.ShowScrollBar(SB_VERT, TRUE);
  RECT after{};
  wnd.GetClientRect(&after);
  EXPECT_LT(after.right, before.right) << "a shown bar is outside the client area";
  wnd.ShowScrollBar(SB_VERT, FALSE);
  wnd.GetClientRect(&after);
  EXPECT_EQ(after.right, before.right);
}

TEST_F(InputTest, InputOfAChildWindowStaysWithIt) {
  CWnd child;  // handles nothing
  ASSERT_TRUE(child.Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, RECT{10, 10, 60, 60}, &wnd, 5));
  SendMouse(child.GetWidget(), QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier, QPoint(3, 3));
  SendMouse(child.GetWidget(), QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, Qt::NoModifier, QPoint(3, 3));
  SendKey(child.GetWidget(), Qt::Key_A, Qt::NoModifier, "a");
  EXPECT_TRUE(wnd.calls.empty()) << "the platform does not hand input on to the parent";
  child.DestroyWindow();
}

}  // namespace
