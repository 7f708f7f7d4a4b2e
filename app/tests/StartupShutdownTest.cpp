// Start-up and shutdown of the whole program, in-process.
#include "AppFixture.h"

#include "app/KorvelIds.h"
#include "app/LayerBarWnd.h"
#include "app/SplashWnd.h"
#include "app/StartupLog.h"
#include "framework/extendra/PlugInApp.h"
#include "framework/looker/AppSlots.h"
#include "framework/looker/MemoryStatus.h"
#include "framework/looker/QVGlobal.h"
#include "framework/relayon/DBase.h"
#include "framework/relayon/Relayon.h"
#include "geometry/shapes2d/GeShape2d.h"
#include "platform/core/Archive.h"
#include "platform/core/File.h"

#include <QTest>

#include <algorithm>
#include <cstdint>

using namespace korvel_test;

namespace {

// Position of each step in the log; -1 when it is missing.
std::vector<int> PositionsOf(const std::vector<std::string>& steps)
{
    const std::vector<std::string>& log = korvel::GetStepLog();
    std::vector<int> positions;
    for (const std::string& step : steps) {
        auto it = std::find(log.begin(), log.end(), step);
        positions.push_back(it == log.end() ? -1 : static_cast<int>(it - log.begin()));
    }
    return positions;
}

void ExpectInOrder(const std::vector<std::string>& steps)
{
    const std::vector<int> positions = PositionsOf(steps);
    for (size_t i = 0; i < steps.size(); ++i) {
        EXPECT_GE(positions[i], 0) << "missing step: " << steps[i];
        if (i > 0 && positions[i] >= 0 && positions[i - 1] >= 0) {
            EXPECT_LT(positions[i - 1], positions[i]) << steps[i - 1] << " before " << steps[i];
        }
    }
}

class StartupTest : public AppTest {};

TEST_F(StartupTest, StartsInOrderWithANewDocument)
{
    ASSERT_TRUE(Start());
    ExpectInOrder({"app: settings", "app: command hub", "app: registry profile", "app: document template",
                   "app: plug-in framework", "app: shell command", "document: create", "frame: create",
                   "view: register commands", "frame: read Command-chs.cfg (first)", "frame: load plug-ins",
                   "frame: read Command-chs.cfg (second)", "frame: created", "document: new",
                   "document: splash hidden", "app: splash close timer", "app: design centre", "app: started"});

    EXPECT_EQ(m_app->GetRegistryBase(), gGetAppVerName() + L" CHS Settings");
    ASSERT_NE(Doc(), nullptr);
    EXPECT_EQ(gGetDocument(), Doc());
    EXPECT_EQ(gGetView(), View());
    EXPECT_EQ(gGetMainFrame(), Frame());
    EXPECT_EQ(gGetPaneDCenter(), &Frame()->GetDesignCentral());
    EXPECT_EQ(CDbEntity::GetMaxHandle(), 0u);
    EXPECT_EQ(CGeShape2d::GetMaxHandle(), 0u);
    EXPECT_EQ(Doc()->GetTitle(), L"untitled");
    EXPECT_FALSE(Doc()->IsModified());
    EXPECT_EQ(gGetQVGlobal()->m_nFrameReady, 1);

    // The command registry: all 88 application commands, select current.
    CRelayon* hub = gGetRelayon();
    ASSERT_NE(hub, nullptr);
    for (UINT id : {57637u, 32848u, 32776u, 32801u, 32947u, 33314u, 32849u}) EXPECT_NE(hub->GetCmd(id), nullptr) << id;
    ASSERT_NE(hub->GetCurMainCmd(), nullptr);
    EXPECT_EQ(hub->GetCurMainCmd()->GetID(), 32853u);
    EXPECT_EQ(hub->CurCmdFlag(), 0);
    CCommand* mirror = hub->GetCmd(32801);
    ASSERT_NE(mirror, nullptr);
    EXPECT_TRUE(mirror->HasAccel());
    EXPECT_EQ(mirror->FindAccel('H', 0x10), 0) << "H with Alt mirrors with sub-command 0";
    EXPECT_EQ(mirror->FindAccel('V', 0x10), 1) << "V with Alt mirrors with sub-command 1";
    ASSERT_NE(hub->GetCmd(32776), nullptr);
    EXPECT_EQ(hub->GetCmd(32776)->FindAccel('P', 0), 0);

    // The plug-in modules beside the executable were loaded (ilvane among them).
    ASSERT_NE(GetPlugInApp(), nullptr);
    EXPECT_GE(GetPlugInApp()->GetPlugInCount(), 1) << "ilvane.so lies beside the test program";

    // The splash window closes itself shortly after start-up.
    CDlgSplash* splash = Frame()->GetSplash();
    ASSERT_NE(splash, nullptr);
    EXPECT_TRUE(splash->HasWindow());
    EXPECT_FALSE(splash->IsWindowVisible()) << "hidden by the new document";
    QTest::qWait(400);
    EXPECT_FALSE(splash->HasWindow());
}

TEST_F(StartupTest, ViewToolBarIsTrimmedOnce)
{
    ASSERT_TRUE(Start());
    CMFCToolBar* bar = Frame()->GetToolBar(603);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->GetCount(), 7) << "positions 8 and 7 of nine buttons go; 9 is past the end";
    EXPECT_EQ(Frame()->GetTrimCount(), 1);
    Frame()->TrimViewToolBar();
    Frame()->SendMessage(WM_SIZE, 0, MAKELPARAM(800, 600));
    EXPECT_EQ(bar->GetCount(), 7);
    EXPECT_EQ(Frame()->GetTrimCount(), 1);
}

TEST_F(StartupTest, LibraryMessagesShowTheProgramsTextWithTheirValue)
{
    ASSERT_TRUE(Start());
    m_prompt.m_messages.clear();
    // What the relief canvas reports after raising its step for lack of memory.
    looker::ShowResourceMessage(korvel::IDS_CANVAS_STEP_RAISED, 0.7);
    ASSERT_EQ(m_prompt.m_messages.size(), 1u);
    const CString& text = m_prompt.m_messages.front();
    EXPECT_NE(text.Find(L"relief canvas"), -1) << text.ToUtf8();
    EXPECT_NE(text.Find(L"0.7"), -1) << text.ToUtf8();
    Close();
    m_prompt.m_messages.clear();
    looker::ShowResourceMessage(korvel::IDS_CANVAS_STEP_RAISED, 0.7);
    EXPECT_TRUE(m_prompt.m_messages.empty()) << "the hook goes with the program";
}

TEST_F(StartupTest, ShutdownWritesTheCommandConfigurationInOrder)
{
    ASSERT_TRUE(Start());
    const std::string config = AppDataDir() + "Command-chs.cfg";
    EXPECT_FALSE(Exists(config)) << "first start: nothing to read";
    Frame()->GetLayerBar().ToggleTab();  // strip hidden from now on
    korvel::ClearStepLog();
    Close();
    ExpectInOrder({"frame: close", "document: close", "frame: destroy", "frame: write Command-chs.cfg",
                   "frame: managers cleared", "document: delete contents", "app: exit"});
    ASSERT_TRUE(Exists(config));
    const std::vector<unsigned char> bytes = ReadBytes(config);
    ASSERT_GE(bytes.size(), 8u);
    std::int32_t head[2];
    std::memcpy(head, bytes.data(), 8);
    EXPECT_EQ(head[0], 1) << "reserved value";
    EXPECT_EQ(head[1], 1) << "strip hidden";

    // The next start reads the file back: the strip stays hidden.
    ASSERT_TRUE(Start());
    EXPECT_FALSE(Frame()->GetLayerBar().IsTabVisible());
}

TEST_F(StartupTest, ConfigurationIsNotWrittenBeforeTheFrameFinishedCreating)
{
    ASSERT_TRUE(Start());
    gGetQVGlobal()->m_nFrameReady = 0;
    Close();
    EXPECT_FALSE(Exists(AppDataDir() + "Command-chs.cfg"));
}

TEST_F(StartupTest, DamagedConfigurationIsSkipped)
{
    std::filesystem::create_directories(AppDataDir());
    WriteBytes(AppDataDir() + "Command-chs.cfg", {0x01, 0x00, 0x00});
    ASSERT_TRUE(Start());
    EXPECT_TRUE(Frame()->GetLayerBar().IsTabVisible());
    Close();
    EXPECT_GE(ReadBytes(AppDataDir() + "Command-chs.cfg").size(), 8u) << "rewritten at exit";
}

}  // namespace
