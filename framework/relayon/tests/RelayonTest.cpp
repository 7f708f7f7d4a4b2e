// Command hub: registration, running, cancelling, sleeping commands, input
// routing, item states and the configuration stream.
#include "framework/looker/AppSlots.h"
#include "framework/relayon/Relayon.h"
#include "platform/core/Archive.h"
#include "platform/ui/CmdUI.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

std::vector<std::string> g_log;

// Logs its calls as "<name>:<call>"; waits for input unless startEnds, ends on
// a left click when clickEnds; keeps one setting in the stream.
class LogCmd : public CCommand {
public:
    LogCmd(UINT id, const char* name, bool startEnds = false, bool clickEnds = false)
        : CCommand(1, nullptr, 0), m_name(name), m_startEnds(startEnds), m_clickEnds(clickEnds)
    {
        SetID(id);
    }
    int StartUp(int sub) override
    {
        Log("StartUp" + std::to_string(sub));
        if (m_duringStartUp) m_duringStartUp();
        if (m_startEnds) return Cancel();
        CCommand::StartUp(sub);
        return 1;
    }
    int Cancel() override
    {
        Log("Cancel");
        return CCommand::Cancel();
    }
    void Sleep() override { Log("Sleep"); }
    void WakeUp() override { Log("WakeUp"); }
    int OnLButtonDown(UINT, Position& pos) override
    {
        Log("LDown" + std::to_string(static_cast<int>(pos.x)));
        return m_clickEnds ? Cancel() : 1;
    }
    int OnMouseMove(UINT, Position&) override { return Log("Move"), 1; }
    int OnKeyDown(UINT key, UINT, UINT) override { return Log("Key" + std::to_string(key)), 1; }
    int OnTimer(UINT_PTR id) override { return Log("Timer" + std::to_string(id)), 1; }
    int OnMessage(QMessage* m) override { return Log("Msg" + std::to_string(m->m_nType)), 1; }
    BOOL IsEnable() override { return m_enabled; }
    void Serialize(CArchive& ar) override
    {
        if (ar.IsStoring()) ar << m_setting;
        else ar >> m_setting;
    }

    void Log(const std::string& what) { g_log.push_back(m_name + ":" + what); }
    std::string m_name;
    bool m_startEnds;
    bool m_clickEnds;
    BOOL m_enabled = TRUE;
    int m_setting = 0;
    // Runs inside StartUp before the command waits, as a dialog's event loop does.
    std::function<void()> m_duringStartUp;
};

class RelayonTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_log.clear();
        gSetRelayon(&hub);
        a = new LogCmd(100, "a");
        b = new LogCmd(101, "b", false, true);
        quick = new LogCmd(102, "quick", true);
        select = new LogCmd(200, "select");
        ASSERT_TRUE(hub.RegAppCmd(a));
        ASSERT_TRUE(hub.RegAppCmd(b));
        ASSERT_TRUE(hub.RegAppCmd(quick));
        ASSERT_TRUE(hub.RegMainCmd(select));
        ASSERT_TRUE(hub.SetCurMainCmd(200));
        g_log.clear();
    }
    void TearDown() override { looker::testing::ResetAppSlots(); }

    CRelayon hub;
    LogCmd* a = nullptr;
    LogCmd* b = nullptr;
    LogCmd* quick = nullptr;
    LogCmd* select = nullptr;
};

TEST_F(RelayonTest, RegistrationRefusesNullZeroAndDuplicateIds)
{
    EXPECT_FALSE(hub.RegAppCmd(nullptr));
    EXPECT_FALSE(hub.RegAppCmd(new LogCmd(0, "zero")));
    EXPECT_FALSE(hub.RegAppCmd(new LogCmd(100, "dup")));  // deleted by the hub (ASan checks)
    EXPECT_EQ(hub.GetCmd(100), a);
    EXPECT_EQ(hub.GetCmd(999), nullptr);
    EXPECT_EQ(hub.GetMainCmd(200), select);
    EXPECT_EQ(hub.GetMainCmd(100), nullptr);
    a->SetCmdName(L"Line");
    EXPECT_EQ(hub.GetCmd(L"Line"), a);
}

TEST_F(RelayonTest, InputGoesToTheRunningCommandElseToTheMainCommand)
{
    Position p(5, 0);
    hub.OnLButtonDown(0, p);
    EXPECT_EQ(hub.RunAppCmd(101, 3), 1);
    EXPECT_EQ(hub.CurCmdFlag(), 1);
    hub.OnMouseMove(0, p);
    hub.OnKeyDown(65, 1, 0);
    hub.OnTimer(3);
    hub.OnLButtonDown(0, p);  // b ends on a click
    EXPECT_EQ(hub.CurCmdFlag(), 0);
    hub.OnMouseMove(0, p);
    const std::vector<std::string> expected = {"select:LDown5", "b:StartUp3", "b:Move", "b:Key65", "b:Timer3",
                                               "b:LDown5", "b:Cancel", "select:Move"};
    EXPECT_EQ(g_log, expected);
}

TEST_F(RelayonTest, RunningAnotherCommandCancelsOrSuspendsTheRunningOne)
{
    hub.RunAppCmd(100, 0);
    hub.RunAppCmd(101, 0);  // cancels a
    EXPECT_EQ(hub.GetCurCmd(), b);
    hub.RunAppCmd(a, 1, FALSE);  // b sleeps under a
    EXPECT_EQ(hub.GetCurCmd(), a);
    hub.CancelCurCmd();
    EXPECT_EQ(hub.GetCurCmd(), nullptr) << "cancelling ends the sleeping command too";
    const std::vector<std::string> expected = {"a:StartUp0", "a:Cancel", "b:StartUp0", "b:Sleep",
                                               "a:StartUp1", "a:Cancel", "b:Cancel"};
    EXPECT_EQ(g_log, expected);
}

TEST_F(RelayonTest, ASleepingCommandWakesWhenTheOneOverItEnds)
{
    hub.RunAppCmd(100, 0);
    hub.RunAppCmd(b, 0, FALSE);
    Position p(1, 0);
    hub.OnLButtonDown(0, p);  // b ends
    EXPECT_EQ(hub.GetCurCmd(), a);
    EXPECT_EQ(g_log.back(), "a:WakeUp");
}

TEST_F(RelayonTest, ACommandDoneInStartUpDoesNotStayRunning)
{
    EXPECT_EQ(hub.RunAppCmd(102, 0), 0);
    EXPECT_EQ(hub.CurCmdFlag(), 0);
    a->m_enabled = FALSE;
    EXPECT_EQ(hub.RunAppCmd(100, 0), 0);
    EXPECT_EQ(hub.RunAppCmd(999, 0), 0);
    std::vector<UINT> prev;
    hub.GetPrevCmd(prev);
    EXPECT_EQ(prev, std::vector<UINT>({102})) << "disabled and unknown commands are not recorded";
}

TEST_F(RelayonTest, InputArrivingWhileACommandStartsKeepsItRunning)
{
    // A file dialog inside StartUp delivers the view's resize (a pane hidden
    // by the command) and mouse events before the command says it waits.
    Position p(7, 0);
    a->m_duringStartUp = [&] {
        hub.OnSize(0, 640, 480);
        hub.OnMouseMove(0, p);
        EXPECT_EQ(hub.GetCurCmd(), a) << "during StartUp";
    };
    EXPECT_EQ(hub.RunAppCmd(100, 0), 1);
    EXPECT_EQ(hub.GetCurCmd(), a);
    hub.OnLButtonDown(0, p);
    const std::vector<std::string> expected = {"a:StartUp0", "a:Move", "a:LDown7"};
    EXPECT_EQ(g_log, expected);
    // One that ends while starting is still cleared once StartUp returns.
    quick->m_duringStartUp = [&] { hub.OnMouseMove(0, p); };
    EXPECT_EQ(hub.RunAppCmd(102, 0), 0);
    EXPECT_EQ(hub.GetCurCmd(), nullptr);
}

TEST_F(RelayonTest, MessagesReachTheRunningAndTheMainCommand)
{
    QMessage m(QMessage::kNewDocument);
    hub.OnMessage(&m);
    hub.RunAppCmd(100, 0);
    g_log.clear();
    hub.OnMessage(&m);
    EXPECT_EQ(g_log, std::vector<std::string>({"a:Msg5", "select:Msg5"}));
}

TEST_F(RelayonTest, ItemStateFollowsEnableAndRunning)
{
    CTestCmdUI ui;
    ui.m_nID = 100;
    ASSERT_TRUE(hub.OnUpdateCmdUI(&ui));
    EXPECT_TRUE(ui.m_bEnabled);
    EXPECT_EQ(ui.m_nCheck, 0);
    hub.RunAppCmd(100, 0);
    hub.OnUpdateCmdUI(&ui);
    EXPECT_EQ(ui.m_nCheck, 1);
    a->m_enabled = FALSE;
    hub.OnUpdateCmdUI(&ui);
    EXPECT_FALSE(ui.m_bEnabled);
    ui.m_nID = 4242;
    EXPECT_FALSE(hub.OnUpdateCmdUI(&ui));
}

TEST_F(RelayonTest, AcceleratorsRunTheirCommandWithTheSubCommand)
{
    a->SetAccel('L', 0, 7);
    EXPECT_TRUE(hub.TranslateAccel('L', 0));
    EXPECT_FALSE(hub.TranslateAccel('L', 1));
    EXPECT_EQ(g_log, std::vector<std::string>({"a:StartUp7"}));
}

TEST_F(RelayonTest, MenuTextsNameCommandsWithoutAName)
{
    b->SetCmdName(L"Kept");
    hub.SetCmdName({{100, CString(L"&Line\tL")}, {101, CString(L"Other")}, {200, CString(L"Se&lect")}});
    EXPECT_EQ(a->GetCmdName(), CString(L"Line"));
    EXPECT_EQ(b->GetCmdName(), CString(L"Kept"));
    EXPECT_EQ(select->GetCmdName(), CString(L"Select"));
}

TEST_F(RelayonTest, ConfigurationStreamRoundTripAndFirstPass)
{
    a->m_setting = 17;
    select->m_setting = 5;
    hub.m_bShowCoord = FALSE;
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        ar << 1 << 0;  // the frame's two values come first
        hub.Serialize(ar);
        ar.Close();
    }
    std::vector<BYTE> bytes(file.GetData(), file.GetData() + file.GetLength());

    CRelayon other;
    auto* a2 = new LogCmd(100, "a2");
    auto* s2 = new LogCmd(200, "s2");
    other.RegAppCmd(a2);
    other.RegMainCmd(s2);
    {
        CMemFile in(bytes.data(), static_cast<UINT>(bytes.size()));
        CArchive ar(&in, CArchive::load);
        int v1 = 0, v2 = 0;
        ar >> v1 >> v2;
        other.Serialize1(ar);
    }
    EXPECT_FALSE(other.m_bShowCoord);
    EXPECT_EQ(other.GetCurMainCmd(), s2);
    EXPECT_EQ(a2->m_setting, 0) << "the first pass reads only the head";
    {
        CMemFile in(bytes.data(), static_cast<UINT>(bytes.size()));
        CArchive ar(&in, CArchive::load);
        int v1 = 0, v2 = 0;
        ar >> v1 >> v2;
        other.Serialize(ar);
    }
    EXPECT_EQ(a2->m_setting, 17);
    EXPECT_EQ(s2->m_setting, 5);
}

TEST_F(RelayonTest, ForeignConfigurationStreamIsIgnored)
{
    std::vector<BYTE> junk(64, 0x5A);
    CMemFile in(junk.data(), static_cast<UINT>(junk.size()));
    CArchive ar(&in, CArchive::load);
    EXPECT_NO_THROW(hub.Serialize(ar));
    EXPECT_TRUE(hub.m_bShowCoord);
    EXPECT_EQ(hub.GetCurMainCmd(), select);
}

}  // namespace
