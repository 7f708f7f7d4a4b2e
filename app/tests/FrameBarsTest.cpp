// The main frame's bars as a user meets them: tool-bar buttons, the two UI
// modes, the bar-area menus, bar toggles and the snap and unit switches.
#include "ViewInput.h"

#include "app/KorvelIds.h"
#include "app/LayerTab.h"
#include "app/MeaDistCmd.h"
#include "framework/db/DbAidLine.h"
#include "framework/db/DbPathGroup.h"
#include "framework/looker/AppSlots.h"
#include "framework/looker/Looker.h"
#include "framework/looker/WorkArea.h"
#include "framework/looker/QVGlobal.h"
#include "framework/relayon/Action.h"
#include "framework/relayon/DBase.h"
#include "framework/relayon/Relayon.h"
#include "framework/panora/DesignCentral.h"
#include "framework/widgra/ui/UIToolBarMgr.h"
#include "framework/relayon/Selector.h"
#include "platform/core/RecordingDC.h"
#include "platform/ui/CmdUI.h"
#include "platform/ui/FrameWndEx.h"
#include "platform/ui/Resources.h"

#include <QAbstractButton>
#include <QAction>
#include <QTabBar>
#include <QTest>
#include <QToolBar>

#include <cmath>

#include <string>
#include <vector>

using namespace korvel_test;

namespace {

constexpr std::pair<UINT, int> kSnapBits[] = {{33016, 0x1},   {33017, 0x2},   {33018, 0x4},   {33019, 0x10},
                                              {33020, 0x8},   {33021, 0x20},  {33022, 0x40},  {33023, 0x80},
                                              {33024, 0x100}, {33025, 0x400}, {33027, 0x800}};

// A design-centre page that notes each unit-change notice and the previous
// unit the settings held when it came.
class UnitProbe : public CWnd {
public:
    LRESULT OnUnitNotice(WPARAM, LPARAM)
    {
        m_unitBefore.push_back(gGetQVGlobal()->GetUnitBefore());
        return 0;
    }
    std::vector<int> m_unitBefore;
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(UnitProbe, CWnd)
    ON_MESSAGE(WM_DC_UNIT_CHANGED, &UnitProbe::OnUnitNotice)
END_MESSAGE_MAP()

class FrameBarsTest : public ViewInputTest {
protected:
    void SetUp() override
    {
        ViewInputTest::SetUp();
        StartView();
        m_global = gGetQVGlobal();
    }

    void Command(UINT id) { Frame()->SendMessage(WM_COMMAND, id, 0); }
    void MenuAt(POINT screen)
    {
        Frame()->SendMessage(AFX_WM_TOOLBARMENU, 0,
                             MAKELPARAM(static_cast<WORD>(screen.x), static_cast<WORD>(screen.y)));
    }
    // The texts and check marks of the last popup shown.
    std::vector<std::pair<std::wstring, bool>> LastMenu() const
    {
        std::vector<std::pair<std::wstring, bool>> items;
        if (m_prompt.m_menus.empty()) return items;
        for (const CMenuChoiceItem& item : m_prompt.m_menus.back())
            items.emplace_back(item.strText.GetString(), (item.nFlags & MF_CHECKED) != 0);
        return items;
    }
    static POINT CentreOf(const CWnd& wnd)
    {
        RECT rect{};
        wnd.GetWindowRect(&rect);
        return POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    }
    std::wstring Title(UINT barId) const
    {
        CString title;
        Frame()->GetToolBar(barId)->GetWindowText(title);
        return title.GetString();
    }
    bool Shown(UINT barId) const { return Frame()->GetToolBar(barId)->IsVisible() != FALSE; }

    CQVGlobal* m_global = nullptr;
};

TEST_F(FrameBarsTest, EachSnapCommandFlipsItsBitAndItsButtonOnly)
{
    CQVStatusBarSnap& snap = Frame()->GetSnapBar();
    for (const auto& [id, bit] : kSnapBits) {
        const int others = 0x200 | 0x1000;
        m_global->m_nSnapMask = others;
        Command(id);
        EXPECT_EQ(m_global->m_nSnapMask, others | bit) << "command " << id;
        for (const auto& [other, otherBit] : kSnapBits)
            EXPECT_EQ(snap.GetCheck(other) != FALSE, other == id) << "command " << id << ", button " << other;
        Command(id);
        EXPECT_EQ(m_global->m_nSnapMask, others) << "command " << id << " twice";
        EXPECT_FALSE(snap.GetCheck(id)) << "command " << id << " twice";
    }
}

TEST_F(FrameBarsTest, AllSnapsSetsTheMissingBitsThenClearsTheElevenOnly)
{
    CQVStatusBarSnap& snap = Frame()->GetSnapBar();
    m_global->m_nSnapMask = 0x1 | 0x800 | 0x200 | 0x4000;
    snap.SetAllPushed(TRUE);
    Command(korvel::ID_SNAP_ALL);
    EXPECT_EQ(m_global->m_nSnapMask, 0xDFF | 0x200 | 0x4000);
    for (const auto& [id, bit] : kSnapBits) EXPECT_TRUE(snap.GetCheck(id)) << "button " << id;
    EXPECT_FALSE(snap.IsAllPushed());
    Command(korvel::ID_SNAP_ALL);
    EXPECT_EQ(m_global->m_nSnapMask, 0x200 | 0x4000) << "bit 0x200 and those above 0x800 stay";
    for (const auto& [id, bit] : kSnapBits) EXPECT_FALSE(snap.GetCheck(id)) << "button " << id;
}

TEST_F(FrameBarsTest, ExtraSnapAndTheEmptySnapTouchNoButton)
{
    CQVStatusBarSnap& snap = Frame()->GetSnapBar();
    m_global->m_nSnapMask = 0x2;
    snap.SetCheck(33017, TRUE);
    m_global->m_bSnapExtra = FALSE;
    Command(korvel::ID_SNAP_EXTRA);
    EXPECT_TRUE(m_global->m_bSnapExtra);
    Command(korvel::ID_SNAP_NONE);
    EXPECT_EQ(m_global->m_nSnapMask, 0x2);
    EXPECT_TRUE(m_global->m_bSnapExtra);
    for (const auto& [id, bit] : kSnapBits) EXPECT_EQ(snap.GetCheck(id) != FALSE, id == 33017) << "button " << id;
}

TEST_F(FrameBarsTest, SnapButtonClickRunsItsCommand)
{
    m_global->m_nSnapMask = 0;
    QAbstractButton* button = Frame()->GetSnapBar().GetButton(33021);
    ASSERT_NE(button, nullptr);
    button->click();
    EXPECT_EQ(m_global->m_nSnapMask, 0x20);
    EXPECT_TRUE(button->isChecked());
    CTestCmdUI state;
    state.m_nID = 33021;
    state.DoUpdate(Frame(), TRUE);
    EXPECT_EQ(state.m_nCheck, 1) << "the item shows the radio mark";
}

TEST_F(FrameBarsTest, UnitSwitchRemembersThePreviousUnitBeforeTheNotice)
{
    UnitProbe probe;
    CDesignCentral& pane = Frame()->GetDesignCentral();
    ASSERT_TRUE(probe.Create(nullptr, L"", WS_CHILD, RECT{0, 0, 10, 10}, &pane, 4711));
    pane.AddCommandPage(&probe);
    m_global->m_nUnit = kUnitMillimetre;
    m_global->SetUnitBefore(kUnitFoot);
    Command(korvel::ID_UNIT_MM);
    EXPECT_TRUE(probe.m_unitBefore.empty()) << "the current unit only repaints";
    EXPECT_EQ(m_global->GetUnitBefore(), kUnitFoot);
    Command(korvel::ID_UNIT_MM + 2);
    EXPECT_EQ(m_global->m_nUnit, kUnitInch);
    ASSERT_EQ(probe.m_unitBefore.size(), 1u);
    EXPECT_EQ(probe.m_unitBefore[0], kUnitMillimetre) << "the previous unit is set before the view hears";
    Command(korvel::ID_UNIT_FIRST);
    EXPECT_EQ(m_global->m_nUnit, kUnitInch) << "189 changes no unit";
    pane.RemoveCommandAllPage();
}

TEST_F(FrameBarsTest, RulerMenuChecksTheCurrentUnitAndChoosesAnother)
{
    Frame()->SendMessage(korvel::WM_KV_SHOW_RULERS);
    QApplication::processEvents();
    ASSERT_TRUE(Frame()->GetHorzRuler().IsVisible());
    for (int unit = 0; unit < 4; ++unit) {
        m_global->m_nUnit = unit;
        m_prompt.m_menuChoices.push_back(0);
        MenuAt(CentreOf(Frame()->GetHorzRuler()));
        const auto items = LastMenu();
        ASSERT_EQ(items.size(), 4u) << "unit " << unit;
        for (int i = 0; i < 4; ++i) EXPECT_EQ(items[i].second, i == unit) << "unit " << unit << ", item " << i;
    }
    m_prompt.m_menuChoices.push_back(korvel::ID_UNIT_MM + 1);
    MenuAt(CentreOf(Frame()->GetVertRuler()));
    QApplication::processEvents();
    EXPECT_EQ(m_global->m_nUnit, kUnitCentimetre) << "the chosen item reaches the unit switch";
}

TEST_F(FrameBarsTest, HiddenRulerFallsThroughToTheToolBarMenu)
{
    Frame()->SendMessage(korvel::WM_KV_SHOW_RULERS);
    QApplication::processEvents();
    const POINT inRuler = CentreOf(Frame()->GetHorzRuler());
    Frame()->SendMessage(korvel::WM_KV_HIDE_RULERS);
    QApplication::processEvents();
    m_prompt.m_menuChoices.push_back(0);
    MenuAt(inRuler);
    const auto items = LastMenu();
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].first, Title(237)) << "mode 16 lists the view bar only";
}

TEST_F(FrameBarsTest, TabModeMenuListsTheViewBarAndIgnoresBarToggles)
{
    ASSERT_EQ(Frame()->GetUIModeFlag(), 0);
    const bool viewBar = Shown(237);
    m_prompt.m_menuChoices.push_back(0);
    MenuAt(POINT{-500, -500});
    const auto items = LastMenu();
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].second, viewBar);
    std::vector<bool> before;
    for (UINT id : CMainFrame::kBarIDs) before.push_back(Shown(id));
    for (UINT id = korvel::ID_BAR_TOGGLE_FIRST; id <= korvel::ID_BAR_TOGGLE_LAST; ++id) Command(id);
    for (size_t i = 0; i < before.size(); ++i)
        EXPECT_EQ(Shown(CMainFrame::kBarIDs[i]), before[i]) << "bar " << CMainFrame::kBarIDs[i];
    Command(korvel::IDR_VIEWBAR_TAB);
    EXPECT_NE(Shown(237), viewBar) << "item 237 flips the view bar";
}

TEST_F(FrameBarsTest, TabToolBarTabsRunTheirMainCommandAndShowTheirBarsButtons)
{
    ASSERT_EQ(Frame()->GetUIModeFlag(), 0);
    CTabToolBar& tabBar = Frame()->GetTabToolBar();
    EXPECT_TRUE(tabBar.IsVisible());
    QTabBar* tabs = tabBar.GetTabBar();
    ASSERT_NE(tabs, nullptr);
    auto* strip = qobject_cast<QToolBar*>(tabBar.GetWidget());
    ASSERT_NE(strip, nullptr);
    // The buttons a tab shows: those of its bars, in their order.
    auto buttonsOf = [this](const std::vector<UINT>& bars) {
        std::vector<UINT> ids;
        for (UINT barId : bars) {
            CMFCToolBar* bar = Frame()->GetToolBar(barId);
            for (int i = 0; i < bar->GetCount(); ++i)
                if (bar->GetItemID(i) != 0) ids.push_back(bar->GetItemID(i));
        }
        return ids;
    };
    auto shownButtons = [&] {
        std::vector<UINT> ids;
        for (QAction* action : strip->actions())
            for (UINT id : buttonsOf({606, 604, 605, 607, 608, 393, 427}))
                if (action == Frame()->GetToolAction(id)) {
                    ids.push_back(id);
                    break;
                }
        return ids;
    };
    ASSERT_EQ(tabs->count(), 6);
    EXPECT_EQ(tabs->currentIndex(), 1);
    EXPECT_EQ(shownButtons(), buttonsOf({604, 605})) << "the drawing tab at start";

    CRelayon* hub = gGetRelayon();
    const struct {
        int tab;
        UINT mainCmd;
        std::vector<UINT> bars;
    } cases[] = {{5, korvel::ID_MAIN_NODE, {427}}, {2, korvel::ID_MAIN_SELECT, {607}},
                 {3, korvel::ID_MAIN_SELECT, {608}}, {4, korvel::ID_MAIN_SELECT, {393}},
                 {0, korvel::ID_MAIN_SELECT, {606}}, {1, korvel::ID_MAIN_SELECT, {604, 605}}};
    for (const auto& c : cases) {
        tabs->setCurrentIndex(c.tab);
        EXPECT_EQ(tabBar.GetCurTab(), c.tab);
        ASSERT_NE(hub->GetCurMainCmd(), nullptr);
        EXPECT_EQ(hub->GetCurMainCmd()->GetID(), c.mainCmd) << "tab " << c.tab;
        EXPECT_EQ(shownButtons(), buttonsOf(c.bars)) << "tab " << c.tab;
        EXPECT_EQ(strip->widgetForAction(strip->actions().front()), tabs) << "the strip stays first";
    }
    // Switching tabs leaves no stray separators behind.
    const qsizetype count = strip->actions().size();
    tabs->setCurrentIndex(5);
    tabs->setCurrentIndex(1);
    EXPECT_EQ(strip->actions().size(), count);
}

TEST_F(FrameBarsTest, ClassicModeMenuListsItsBarsInRecordOrderAndTogglesThem)
{
    Command(korvel::ID_UI_CLASSIC);
    QApplication::processEvents();
    ASSERT_EQ(Frame()->GetUIModeFlag(), 1);
    EXPECT_FALSE(Frame()->GetTabToolBar().IsVisible());
    EXPECT_FALSE(Shown(237));
    for (UINT id : {602u, 606u, 603u, 604u, 605u, 393u}) EXPECT_TRUE(Shown(id)) << "bar " << id;
    for (UINT id : {427u, 607u, 608u}) EXPECT_FALSE(Shown(id)) << "bar " << id;

    m_prompt.m_menuChoices.push_back(0);
    MenuAt(POINT{-500, -500});
    const auto items = LastMenu();
    const std::vector<UINT> classic = {602, 606, 603, 604, 605, 427, 607, 608, 393};
    ASSERT_EQ(items.size(), classic.size());
    for (size_t i = 0; i < classic.size(); ++i) {
        EXPECT_EQ(items[i].first, Title(classic[i])) << "row " << i;
        EXPECT_EQ(items[i].second, Shown(classic[i])) << "row " << i;
    }
    // Item 5 + 7 names the transform bar.
    Command(korvel::ID_BAR_TOGGLE_FIRST + 7);
    EXPECT_TRUE(Shown(608));
    Command(korvel::ID_BAR_TOGGLE_FIRST + 7);
    EXPECT_FALSE(Shown(608));
    // Items past the listed bars name nothing.
    std::vector<bool> before;
    for (UINT id : CMainFrame::kBarIDs) before.push_back(Shown(id));
    for (UINT id = korvel::ID_BAR_TOGGLE_FIRST + 9; id <= korvel::ID_BAR_TOGGLE_LAST; ++id) Command(id);
    for (size_t i = 0; i < before.size(); ++i)
        EXPECT_EQ(Shown(CMainFrame::kBarIDs[i]), before[i]) << "bar " << CMainFrame::kBarIDs[i];

    Command(korvel::ID_UI_TAB);
    QApplication::processEvents();
    EXPECT_EQ(Frame()->GetUIModeFlag(), 0);
    EXPECT_TRUE(Shown(237));
    for (UINT id : classic) EXPECT_FALSE(Shown(id)) << "bar " << id;
}

TEST_F(FrameBarsTest, NextRunStartsWithTheBarSetAndModeTheLastOneLeft)
{
    Command(korvel::ID_UI_CLASSIC);
    Frame()->ShowPane(Frame()->GetToolBar(608), TRUE, FALSE, TRUE);
    Frame()->ShowPane(Frame()->GetToolBar(393), FALSE, FALSE, TRUE);
    QApplication::processEvents();
    ASSERT_TRUE(Shown(608));
    ASSERT_FALSE(Shown(393));
    Close();
    StartView();
    EXPECT_EQ(Frame()->GetUIModeFlag(), 1);
    EXPECT_FALSE(Frame()->GetTabToolBar().IsVisible());
    EXPECT_TRUE(Shown(608));
    EXPECT_FALSE(Shown(393));
    for (UINT id : {602u, 606u, 603u, 604u, 605u}) EXPECT_TRUE(Shown(id)) << "bar " << id;

    // Switching writes the mode with its bar set at once, so a run that ends
    // without closing its frame leaves no classic set beside the tab mode.
    Command(korvel::ID_UI_TAB);
    CWinApp* app = AfxGetApp();
    EXPECT_EQ(app->GetProfileInt(CFrameWndEx::kStateSection, L"UIMode", 0), 16u);
    const CBasePane& tab = Frame()->GetTabToolBar();
    EXPECT_EQ(app->GetProfileInt(CFrameWndEx::kStateSection, CFrameWndEx::PaneStateEntry(&tab), -1), 1u);
    for (UINT id : {237u, 602u, 608u})
        EXPECT_EQ(app->GetProfileInt(CFrameWndEx::kStateSection, CFrameWndEx::PaneStateEntry(Frame()->GetToolBar(id)), -1),
                  id == 237 ? 1u : 0u)
            << "bar " << id;
}

TEST_F(FrameBarsTest, BarPaneCommandsEnterSelectModeAndFlipTheirBar)
{
    Command(korvel::ID_UI_CLASSIC);
    QApplication::processEvents();
    CRelayon* hub = gGetRelayon();
    auto checked = [this](UINT id) {
        CTestCmdUI state;
        state.m_nID = id;
        EXPECT_TRUE(state.DoUpdate(Frame(), TRUE)) << "command " << id;
        return state.m_nCheck;
    };
    const std::pair<UINT, UINT> panes[] = {{korvel::ID_PANE_ALIGNBAR, 393},
                                           {korvel::ID_PANE_EDITBAR, 607},
                                           {korvel::ID_PANE_DRAWBAR, 604},
                                           {korvel::ID_PANE_TRANSFORMBAR, 608}};
    for (const auto& [id, bar] : panes) {
        // Node edit with a running command: the bar command leaves both behind.
        hub->RunMainCmd(korvel::ID_MAIN_NODE);
        ASSERT_EQ(hub->RunAppCmd(CMeaDistCmd::kId, 0), 1);
        const bool before = Shown(bar);
        EXPECT_EQ(checked(id), 0) << "command " << id << ": not checked outside select";
        Command(id);
        EXPECT_EQ(hub->GetCurCmd(), nullptr) << "command " << id;
        ASSERT_NE(hub->GetCurMainCmd(), nullptr);
        EXPECT_EQ(hub->GetCurMainCmd()->GetID(), korvel::ID_MAIN_SELECT) << "command " << id;
        EXPECT_NE(Shown(bar), before) << "command " << id;
        EXPECT_EQ(checked(id), Shown(bar) ? 1 : 0) << "command " << id;
        Command(id);
        EXPECT_EQ(Shown(bar), before) << "command " << id;
        EXPECT_EQ(checked(id), before ? 1 : 0) << "command " << id;
    }
}

TEST_F(FrameBarsTest, PreviewHidesTheListedBarsAndLeavingRestoresTheUsersSet)
{
    const std::vector<UINT> listed = {602, 606, 237, 603, 607, 608, 604, 427, 605};
    for (UINT mode : {korvel::ID_UI_TAB, korvel::ID_UI_CLASSIC}) {
        Command(mode);
        QApplication::processEvents();
        // The user's own choice: the editing bar shown, the file bar hidden.
        if (mode == korvel::ID_UI_CLASSIC) {
            Frame()->ShowPane(Frame()->GetToolBar(607), TRUE, FALSE, TRUE);
            Frame()->ShowPane(Frame()->GetToolBar(606), FALSE, FALSE, TRUE);
        }
        std::vector<bool> before;
        for (UINT id : CMainFrame::kBarIDs) before.push_back(Shown(id));
        const bool tabBar = Frame()->GetTabToolBar().IsVisible() != FALSE;

        Frame()->OnSetPreviewMode(TRUE);
        for (UINT id : listed) EXPECT_FALSE(Shown(id)) << "mode " << mode << ", bar " << id;
        EXPECT_EQ(Shown(393), before.back()) << "mode " << mode << ": the alignment bar is left alone";
        EXPECT_EQ(Frame()->GetTabToolBar().IsVisible() != FALSE, tabBar) << "mode " << mode;

        Frame()->OnSetPreviewMode(FALSE);
        for (size_t i = 0; i < before.size(); ++i)
            EXPECT_EQ(Shown(CMainFrame::kBarIDs[i]), before[i]) << "mode " << mode << ", bar " << CMainFrame::kBarIDs[i];
    }
}

TEST_F(FrameBarsTest, ToolBarButtonsAreNamedCommandActions)
{
    for (UINT barId : CMainFrame::kBarIDs) {
        CMFCToolBar* bar = Frame()->GetToolBar(barId);
        auto* toolBar = qobject_cast<QToolBar*>(bar->GetWidget());
        ASSERT_NE(toolBar, nullptr) << "bar " << barId;
        int buttons = 0;
        for (int i = 0; i < bar->GetCount(); ++i) {
            if (bar->GetItemID(i) == 0) continue;
            ++buttons;
            QAction* action = bar->GetButtonAction(i);
            ASSERT_NE(action, nullptr) << "bar " << barId << ", button " << i;
            EXPECT_TRUE(toolBar->actions().contains(action)) << "bar " << barId << ", button " << i;
            EXPECT_FALSE(action->toolTip().isEmpty()) << "bar " << barId << ", button " << i;
            EXPECT_FALSE(action->icon().isNull()) << "bar " << barId << ", button " << i;
        }
        EXPECT_GT(buttons, 0) << "bar " << barId;
    }
    // The same command shares one action across bars; its name comes from the menu.
    QAction* zoomIn = Frame()->GetToolAction(korvel::ID_VIEW_ZOOM_IN);
    EXPECT_EQ(zoomIn->toolTip(), QStringLiteral("Zoom In"));
    // The action runs the command: the rulers switch flips.
    const BOOL rulers = m_global->m_bShowRulers;
    Frame()->GetToolAction(korvel::ID_VIEW_RULERS)->trigger();
    QApplication::processEvents();
    EXPECT_NE(m_global->m_bShowRulers, rulers);
}

TEST_F(FrameBarsTest, StatusBarGridButtonAndColourSelectorReachTheFrame)
{
    CQVStatusBar& status = Frame()->GetStatusBar();
    CWorkArea* area = CWorkArea::Instance();
    const BOOL grid = area->m_bGridOn;
    ASSERT_NE(status.GetGridButton(), nullptr);
    status.GetGridButton()->click();
    EXPECT_NE(area->m_bGridOn, grid);
    EXPECT_EQ(status.IsGridPushed(), area->m_bGridOn);
    EXPECT_EQ(status.GetGridButton()->isDown(), area->m_bGridOn != FALSE);

    m_prompt.m_colours.push_back(RGB(10, 20, 30));
    ASSERT_NE(status.GetColourButton(), nullptr);
    status.GetColourButton()->click();
    EXPECT_EQ(status.GetSelectedColor(), RGB(10, 20, 30));
    EXPECT_EQ(gGetCurColor(), RGB(10, 20, 30)) << "WM_USER+2 reached the frame";
    status.GetColourButton()->click();
    EXPECT_EQ(m_prompt.m_nColourDialogs, 2);
    EXPECT_EQ(status.GetSelectedColor(), RGB(10, 20, 30)) << "a cancelled dialog keeps the colour";
}

TEST_F(FrameBarsTest, PathsCommandHidesSelectedPathsOrSwitchesAllPaths)
{
    // A path group that counts the times the database draws it.
    struct CountedPath : CDbPathGroup {
        int draws = 0;
        void Draw(CDC*, int) override { ++draws; }
    };
    CDBase* db = CDBase::Instance();
    CRelayon* hub = gGetRelayon();
    auto update = [this] {
        CTestCmdUI state;
        state.m_nID = korvel::ID_VIEW_PATHS;
        state.DoUpdate(Frame(), TRUE);
        return state.m_bEnabled;
    };
    auto drawn = [db](CountedPath* path) {
        RecordingDC dc;
        const int before = path->draws;
        db->DrawAllUnSel(&dc, 0, 0, 1);
        return path->draws > before;
    };
    EXPECT_FALSE(update()) << "no paths in the drawing";

    auto* first = new CountedPath;
    auto* second = new CountedPath;
    db->AddTail(first);
    db->AddTail(second);
    ASSERT_TRUE(update());
    const QAbstractButton* button = Frame()->GetStatusBar().GetPathsButton();
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->text(), QStringLiteral("Paths Shown"));

    // Shown with one path selected: only that one hides.
    gGetSelector()->Add(first);
    Command(korvel::ID_VIEW_PATHS);
    EXPECT_FALSE(first->IsVisible());
    EXPECT_TRUE(second->IsVisible());
    EXPECT_EQ(gGetSelector()->GetSize(), 0);
    EXPECT_TRUE(db->GetDbPathVisible());
    EXPECT_FALSE(drawn(first));
    EXPECT_TRUE(drawn(second));

    // Nothing selected: all paths switch off, and on again.
    Command(korvel::ID_VIEW_PATHS);
    EXPECT_FALSE(db->GetDbPathVisible());
    EXPECT_FALSE(drawn(second));
    update();
    EXPECT_EQ(button->text(), QStringLiteral("Paths Hidden"));
    gGetSelector()->Add(second);  // hidden paths: a selected one switches all back on
    Command(korvel::ID_VIEW_PATHS);
    EXPECT_TRUE(db->GetDbPathVisible());
    EXPECT_TRUE(second->IsVisible());
    EXPECT_EQ(gGetSelector()->GetSize(), 0);
    EXPECT_TRUE(drawn(second));
    update();
    EXPECT_EQ(button->text(), QStringLiteral("Paths Shown"));

    // A drawing loaded with its paths hidden: the first switch shows them.
    db->SetDbPathVisible(FALSE);
    update();
    EXPECT_EQ(button->text(), QStringLiteral("Paths Hidden"));
    Command(korvel::ID_VIEW_PATHS);
    EXPECT_TRUE(db->GetDbPathVisible());

    hub->RunMainCmd(korvel::ID_MAIN_NODE);
    EXPECT_FALSE(update()) << "node editing";
}

TEST_F(FrameBarsTest, PathsUpdateEnablesTheStripButtonsExactlyWhileNoCommandRuns)
{
    CQvWndTab* tab = Frame()->GetLayerBar().GetTab();
    ASSERT_NE(tab, nullptr);
    auto update = [this] {
        CTestCmdUI state;
        state.m_nID = korvel::ID_VIEW_PATHS;
        state.DoUpdate(Frame(), TRUE);
    };
    CRelayon* hub = gGetRelayon();
    ASSERT_EQ(hub->RunAppCmd(CMeaDistCmd::kId, 0), 1);
    update();
    EXPECT_FALSE(tab->AreButtonsEnabled()) << "a command runs";
    hub->CancelCurCmd();
    update();
    EXPECT_TRUE(tab->AreButtonsEnabled()) << "no command runs";
}

class RulerTest : public FrameBarsTest {
protected:
    void SetUp() override
    {
        FrameBarsTest::SetUp();
        Frame()->SendMessage(korvel::WM_KV_SHOW_RULERS);
        QApplication::processEvents();
        m_looker = gGetLooker();
        ASSERT_NE(m_looker, nullptr);
        m_looker->SetScale(2.7);
        m_looker->SetOrgPoint(13.0, -4.0);
    }
    // The view's pixel (along the ruler) of a strip pixel, through the widgets' own geometry.
    static int ViewPixelOf(const CQVRulerBar& ruler, double stripPixel)
    {
        QWidget* strip = ruler.GetStrip();
        QWidget* view = gGetView()->GetWidget();
        const int p = static_cast<int>(std::lround(stripPixel));
        const QPoint at = view->mapFromGlobal(strip->mapToGlobal(ruler.IsHorizontal() ? QPoint(p, 0) : QPoint(0, p)));
        return ruler.IsHorizontal() ? at.x() : at.y();
    }
    CLooker* m_looker = nullptr;
};

TEST_F(RulerTest, TicksLieOnTheViewPixelsOfTheirValuesInEveryUnit)
{
    // Units per millimetre, written out.
    const double unitsPerMm[4] = {1.0, 0.1, 1.0 / 25.4, 1.0 / 304.8};
    const char* names[4] = {"mm", "cm", "inch", "foot"};
    for (int unit = 0; unit < 4; ++unit) {
        m_global->m_nUnit = unit;
        m_looker->SetScale(unit == 3 ? 0.05 : 2.7);
        for (CQVRulerBar* ruler : {static_cast<CQVRulerBar*>(&Frame()->GetHorzRuler()),
                                   static_cast<CQVRulerBar*>(&Frame()->GetVertRuler())}) {
            const auto ticks = ruler->MajorTicks();
            ASSERT_GE(ticks.size(), 2u) << names[unit];
            for (const auto& tick : ticks) {
                const double mm = tick.value / unitsPerMm[unit];
                const double world[2] = {ruler->IsHorizontal() ? mm : 0.0, ruler->IsHorizontal() ? 0.0 : mm};
                double pixel[2] = {0, 0};
                m_looker->WorldtoScreen2D(world, pixel);
                const double expected = ruler->IsHorizontal() ? pixel[0] : pixel[1];
                EXPECT_NEAR(ViewPixelOf(*ruler, tick.pixel), expected, 1.0)
                    << names[unit] << (ruler->IsHorizontal() ? " horizontal" : " vertical") << " tick " << tick.value;
            }
            const double gap = ticks[1].pixel - ticks[0].pixel;
            EXPECT_GE(std::abs(gap), 60.0 - 1e-9) << names[unit];
        }
    }
}

TEST_F(RulerTest, StripsRepaintWhenTheViewAloneIsResized)
{
    // A bar docked beside the view narrows it without touching the rulers'
    // strips; the scale moves with the view's centre, so the strips repaint.
    struct PaintCounter : QObject {
        int paints = 0;
        bool eventFilter(QObject*, QEvent* e) override
        {
            if (e->type() == QEvent::Paint) ++paints;
            return false;
        }
    };
    QWidget* view = gGetView()->GetWidget();
    QWidget* horz = Frame()->GetHorzRuler().GetStrip();
    QWidget* vert = Frame()->GetVertRuler().GetStrip();
    QTest::qWait(300);
    PaintCounter horzPaints, vertPaints;
    horz->installEventFilter(&horzPaints);
    vert->installEventFilter(&vertPaints);
    const QSize stripSizes[2] = {horz->size(), vert->size()};
    view->setFixedSize(view->width() - 40, view->height() - 30);
    QTest::qWait(300);
    EXPECT_EQ(horz->size(), stripSizes[0]);
    EXPECT_GT(horzPaints.paints, 0);
    EXPECT_GT(vertPaints.paints, 0);
    horz->removeEventFilter(&horzPaints);
    vert->removeEventFilter(&vertPaints);
}

TEST_F(RulerTest, GuideLineDraggedFromEachRulerLandsAtTheDropPoint)
{
    CDBase* db = CDBase::Instance();
    CActionManager* undo = CActionManager::Instance();
    QWidget* view = gGetView()->GetWidget();
    const QPoint drop(230, 170);
    for (CQVRulerBar* ruler : {static_cast<CQVRulerBar*>(&Frame()->GetHorzRuler()),
                               static_cast<CQVRulerBar*>(&Frame()->GetVertRuler())}) {
        const char* label = ruler->IsHorizontal() ? "horizontal" : "vertical";
        QWidget* strip = ruler->GetStrip();
        const int entities = db->GetCount();
        const int steps = undo->GetUndoCount();
        QTest::mousePress(strip, Qt::LeftButton, Qt::NoModifier, QPoint(8, 8));
        QTest::mouseRelease(strip, Qt::LeftButton, Qt::NoModifier, strip->mapFromGlobal(view->mapToGlobal(drop)));
        ASSERT_EQ(db->GetCount(), entities + 1) << label;
        EXPECT_EQ(undo->GetUndoCount(), steps + 1) << label;
        auto* line = dynamic_cast<CDbAidLine*>(db->GetEntities().GetTail());
        ASSERT_NE(line, nullptr) << label;
        double world[2] = {0, 0};
        m_looker->ScreentoWorld2D(CPoint(drop.x(), drop.y()), world);
        EXPECT_EQ(line->GetOrientation(), ruler->IsHorizontal() ? CDbAidLine::kHorizontal : CDbAidLine::kVertical);
        EXPECT_DOUBLE_EQ(line->GetPosition(), ruler->IsHorizontal() ? world[1] : world[0]) << label;
    }
    // While a command runs the drop is ignored.
    CRelayon* hub = gGetRelayon();
    ASSERT_EQ(hub->RunAppCmd(CMeaDistCmd::kId, 0), 1);
    const int entities = db->GetCount();
    QWidget* strip = Frame()->GetHorzRuler().GetStrip();
    QTest::mousePress(strip, Qt::LeftButton, Qt::NoModifier, QPoint(8, 8));
    QTest::mouseRelease(strip, Qt::LeftButton, Qt::NoModifier, strip->mapFromGlobal(view->mapToGlobal(drop)));
    EXPECT_EQ(db->GetCount(), entities);
    hub->CancelCurCmd();
}

}  // namespace
