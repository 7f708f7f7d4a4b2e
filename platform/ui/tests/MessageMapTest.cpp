#include "platform/ui/CmdUI.h"
#include "platform/ui/QtApp.h"
#include "platform/ui/Wnd.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class CBaseTarget : public CCmdTarget {
public:
  std::vector<std::string> log;
  void OnBase100() { log.push_back("base100"); }
  void OnBase200() { log.push_back("base200"); }
  void OnBaseRange(UINT nID) { log.push_back("baseRange" + std::to_string(nID)); }

  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CBaseTarget, CCmdTarget)
  ON_COMMAND(100, &CBaseTarget::OnBase100)
  ON_COMMAND(200, &CBaseTarget::OnBase200)
  ON_COMMAND_RANGE(300, 310, &CBaseTarget::OnBaseRange)
END_MESSAGE_MAP()

class CDerivedTarget : public CBaseTarget {
public:
  void OnRange(UINT nID) { log.push_back("range" + std::to_string(nID)); }
  void OnFifteen() { log.push_back("fifteen"); }
  void OnDerived100() { log.push_back("derived100"); }
  void OnUpdateRange(CCmdUI* pCmdUI) {
    log.push_back("update" + std::to_string(pCmdUI->m_nID));
    pCmdUI->Enable(pCmdUI->m_nID % 2 == 0);
  }

  DECLARE_MESSAGE_MAP()
};

// The range comes before the single entry for 15, so it wins for 15.
BEGIN_MESSAGE_MAP(CDerivedTarget, CBaseTarget)
  ON_COMMAND_RANGE(10, 20, &CDerivedTarget::OnRange)
  ON_COMMAND(15, &CDerivedTarget::OnFifteen)
  ON_COMMAND(25, &CDerivedTarget::OnFifteen)
  ON_COMMAND(100, &CDerivedTarget::OnDerived100)
  ON_UPDATE_COMMAND_UI_RANGE(10, 20, &CDerivedTarget::OnUpdateRange)
END_MESSAGE_MAP()

TEST(MessageMap, CommandsDispatchToTheFirstMatchingEntry) {
  struct Row {
    const char* label;
    UINT id;
    bool handled;
    const char* entry;
  };
  const Row rows[] = {
      {"range start", 10, true, "range10"},
      {"range end", 20, true, "range20"},
      {"range before later single entry", 15, true, "range15"},
      {"single entry after the range", 25, true, "fifteen"},
      {"derived overrides base", 100, true, "derived100"},
      {"base entry reached by chaining", 200, true, "base200"},
      {"base range", 305, true, "baseRange305"},
      {"just below a range", 9, false, ""},
      {"just above a range", 21, false, ""},
      {"no entry anywhere", 400, false, ""},
  };
  for (const Row& row : rows) {
    CDerivedTarget target;
    const BOOL handled = target.OnCmdMsg(row.id, CN_COMMAND, nullptr, nullptr);
    EXPECT_EQ(handled != FALSE, row.handled) << row.label;
    if (row.handled) {
      ASSERT_EQ(target.log.size(), 1u) << row.label;
      EXPECT_EQ(target.log[0], row.entry) << row.label;
    } else {
      EXPECT_TRUE(target.log.empty()) << row.label;
    }
  }
}

TEST(MessageMap, HandlerQueryDoesNotCallTheHandler) {
  CDerivedTarget target;
  AFX_CMDHANDLERINFO info{nullptr, nullptr};
  EXPECT_TRUE(target.OnCmdMsg(200, CN_COMMAND, nullptr, &info));
  EXPECT_EQ(info.pTarget, &target);
  EXPECT_TRUE(target.log.empty());
}

TEST(MessageMap, UpdateRangeHandlerSeesEachId) {
  CDerivedTarget target;
  for (UINT id : {12u, 13u}) {
    CTestCmdUI state;
    state.m_nID = id;
    EXPECT_TRUE(state.DoUpdate(&target, TRUE)) << id;
    EXPECT_EQ(state.m_bEnabled != FALSE, id % 2 == 0) << id;
  }
  EXPECT_EQ(target.log, (std::vector<std::string>{"update12", "update13"}));
}

TEST(MessageMap, AutoDisableFollowsCommandHandlerPresence) {
  CDerivedTarget target;
  struct Row {
    UINT id;
    bool enabled;
  };
  // 200 and 25 have command handlers but no update handler; 400 has neither.
  for (const Row& row : {Row{200, true}, Row{25, true}, Row{400, false}}) {
    CTestCmdUI state;
    state.m_nID = row.id;
    EXPECT_FALSE(state.DoUpdate(&target, TRUE)) << row.id;
    EXPECT_EQ(state.m_bEnabled != FALSE, row.enabled) << row.id;
  }
  EXPECT_TRUE(target.log.empty());
}

UINT g_registeredMessage = 0;

class CMsgWnd : public CWnd {
public:
  std::vector<std::string> log;
  LRESULT OnFirst(WPARAM wParam, LPARAM) {
    log.push_back("first" + std::to_string(wParam));
    return 11;
  }
  LRESULT OnSecond(WPARAM, LPARAM) {
    log.push_back("second");
    return 22;
  }
  LRESULT OnRegistered(WPARAM, LPARAM lParam) {
    log.push_back("registered" + std::to_string(lParam));
    return 33;
  }

  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CMsgWnd, CWnd)
  ON_MESSAGE(WM_USER + 5, &CMsgWnd::OnFirst)
  ON_MESSAGE(WM_USER + 5, &CMsgWnd::OnSecond)
  ON_MESSAGE(WM_USER + 6, &CMsgWnd::OnSecond)
  ON_REGISTERED_MESSAGE(g_registeredMessage, &CMsgWnd::OnRegistered)
END_MESSAGE_MAP()

TEST(MessageMap, WindowMessagesKeepTheirNumbersAndFirstEntryWins) {
  CMsgWnd wnd;
  EXPECT_EQ(wnd.SendMessage(0x405, 7, 0), 11);  // WM_USER + 5 is 0x405
  EXPECT_EQ(wnd.SendMessage(WM_USER + 6), 22);
  EXPECT_EQ(wnd.SendMessage(WM_USER + 7), 0);  // unhandled: default procedure
  EXPECT_EQ(wnd.log, (std::vector<std::string>{"first7", "second"}));
}

TEST(MessageMap, RegisteredMessageMatchesOnceItHasItsNumber) {
  CMsgWnd wnd;
  g_registeredMessage = 0;
  EXPECT_EQ(wnd.SendMessage(0, 0, 1), 0) << "an unregistered entry must not match message 0";
  g_registeredMessage = 0xC123;
  EXPECT_EQ(wnd.SendMessage(0xC123, 0, 2), 33);
  EXPECT_EQ(wnd.log, (std::vector<std::string>{"registered2"}));
  g_registeredMessage = 0;
}

}  // namespace
