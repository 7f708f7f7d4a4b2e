// The view's menu commands through the frame's routing: the message map's
// order and first matches, the command and sub-command each item runs, the
// update rules, hiding and showing, selection, node editing, the recent
// commands and the desktop actions.
#include "ViewInput.h"

#include "app/KorvelIds.h"
#include "framework/actorum/FontServer.h"
#include "framework/actorum/MainCmds.h"
#include "framework/command/BoolCmd.h"
#include "framework/command/GenericCmd.h"
#include "framework/command/InterPackCmd.h"
#include "framework/db/DbAidLine.h"
#include "framework/db/DbCurve.h"
#include "framework/panora/DesignCentral.h"
#include "framework/relayon/Relayon.h"
#include "framework/relayon/Selector.h"
#include "framework/widgra/ui/UIToolBarMgr.h"
#include "geometry/shapes2d/GeLine.h"
#include "platform/ui/CmdUI.h"
#include "platform/ui/Menu.h"
#include "platform/ui/Shell.h"

#include <QAction>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QInputMethodEvent>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

using namespace korvel_test;

namespace {

// Reads the view's own message map.
struct MapOf : CKorvelView {
    static const AFX_MSGMAP* Map() { return GetThisMessageMap(); }
};

// An entity of a chosen base type (and type).
class TypedEntity : public CDbEntity {
public:
    explicit TypedEntity(int baseType, int type = 1) : m_base(baseType), m_type(type) {}
    int GetBaseType() const override { return m_base; }
    int GetType() const override { return m_type; }

private:
    int m_base;
    int m_type;
};

// Command ids (single ids and ranges as first-last) in the order the map matches them.
const std::vector<std::pair<UINT, UINT>> kCommandOrder = [] {
    std::vector<std::pair<UINT, UINT>> order;
    const UINT singles[] = {
        57644, 57643, 32816, 32818, 32850, 32784, 33002, 33148, 33089, 33003, 32854, 32853, 32852, 32855, 32802,
        32814, 32947, 32849, 32867, 32793, 32870, 32871, 32872, 32873, 32916, 32878, 32834, 32890, 33088, 32893,
        32891, 33086, 32892, 33087, 32903, 33005, 33154, 32973, 32904, 32900, 32901, 32972, 33288, 32844, 32845,
        32926, 32927, 32914, 32837, 32836, 32928, 32929, 32930, 32879, 32934, 32935, 32936, 32937, 32939, 32938,
        32940, 32942, 32943, 32948, 32949, 32950, 32951, 32952, 32954, 33133, 33180, 33062, 57609, 32955, 32840,
        32956, 32958, 32964, 32959, 32960, 32961, 32962, 32963, 32971, 32974, 33182, 32975, 32977, 32987, 32988,
        32986, 32989, 32990, 32991, 32992, 32993, 32994, 33309, 32933, 32996, 33155, 32997, 33286};
    for (UINT id : singles) order.emplace_back(id, id);
    order.emplace_back(33186, 33187);
    for (UINT id : {32999u, 33000u, 33196u, 33197u, 32813u, 32773u, 33208u, 33072u, 33073u, 33191u, 33077u, 33083u,
                    33085u, 33128u, 33307u, 33308u, 33314u, 57607u, 57608u})
        order.emplace_back(id, id);
    for (auto range : std::initializer_list<std::pair<UINT, UINT>>{
             {32776, 32785}, {32774, 32774}, {32775, 32775}, {32787, 32791}, {32795, 32797}, {33164, 33165},
             {32820, 32831}, {32805, 32812}, {32844, 32845}, {32864, 32866}, {32897, 32899}, {32799, 32801},
             {32978, 32980}, {33289, 33290}, {33006, 33012}, {32917, 32920}, {98, 100}})
        order.push_back(range);
    return order;
}();

const AFX_MSGMAP_ENTRY* FirstCommandEntry(UINT id)
{
    for (const AFX_MSGMAP_ENTRY* e = MapOf::Map()->lpEntries; e->pfn != nullptr; ++e)
        if (e->nMessage == WM_COMMAND && e->nCode == CN_COMMAND && id >= e->nID && id <= e->nLastID) return e;
    return nullptr;
}

class ViewCommandsTest : public ViewInputTest {
protected:
    void SetUp() override
    {
        ViewInputTest::SetUp();
        StartView();
        m_hub = gGetRelayon();
        ASSERT_NE(m_hub, nullptr);
    }

    void Command(UINT id) { Frame()->SendMessage(WM_COMMAND, id, 0); }
    CGenericCmd* Generic(UINT id) const { return dynamic_cast<CGenericCmd*>(m_hub->GetCmd(id)); }
    CTestCmdUI Update(UINT id) const
    {
        CTestCmdUI ui;
        ui.m_nID = id;
        Frame()->OnCmdMsg(id, CN_UPDATE_COMMAND_UI, &ui, nullptr);
        return ui;
    }
    CDbEntity* AddLine(double y)
    {
        const double p[2] = {0.0, y}, q[2] = {10.0, y};
        auto* e = new CDbCurve(new CGeLine(p, q));
        CDBase::Instance()->AddTail(e);
        return e;
    }
    CDbEntity* Add(CDbEntity* e)
    {
        CDBase::Instance()->AddTail(e);
        return e;
    }
    void Select(std::initializer_list<CDbEntity*> entities)
    {
        gGetSelector()->ClearAll();
        for (CDbEntity* e : entities) gGetSelector()->Add(e);
    }
    // Starts the command so that it waits until cancelled.
    void RunWaiting(UINT id, int sub)
    {
        Generic(id)->SetWaitForInput(TRUE);
        m_hub->RunAppCmd(m_hub->GetCmd(id), sub, TRUE);
        ASSERT_EQ(m_hub->GetCurCmd(), m_hub->GetCmd(id));
    }

    CRelayon* m_hub = nullptr;
};

TEST(ViewMessageMapTest, HoldsItsEntriesInMatchingOrder)
{
    int messages = 0, commands = 0, updates = 0;
    std::vector<std::pair<UINT, UINT>> order;
    for (const AFX_MSGMAP_ENTRY* e = MapOf::Map()->lpEntries; e->pfn != nullptr; ++e) {
        if (e->nMessage != WM_COMMAND) ++messages;
        else if (e->nCode == CN_COMMAND) ++commands, order.emplace_back(e->nID, e->nLastID);
        else ++updates;
    }
    EXPECT_EQ(messages, 32);
    EXPECT_EQ(commands, 140);
    EXPECT_EQ(updates, 124);
    EXPECT_EQ(order, kCommandOrder);
}

TEST(ViewMessageMapTest, FirstMatchDecidesTheHandler)
{
    using afx_detail::Command;
    using afx_detail::CommandRange;
    const std::pair<UINT, AfxThunk> rows[] = {
        {32784, &CommandRange<&CKorvelView::OnRunByPointer>},  // single entry before 32776-32785
        {32783, &CommandRange<&CKorvelView::OnFamilyCommand>},
        {32785, &CommandRange<&CKorvelView::OnFamilyCommand>},
        {32844, &Command<&CKorvelView::OnHideObjects>},  // singles before the range 32844-32845
        {32845, &Command<&CKorvelView::OnShowObjects>},
        {32942, &CommandRange<&CKorvelView::OnFamilyCommand>},
        {32818, &CommandRange<&CKorvelView::OnRunAppCommand>},
        {32870, &CommandRange<&CKorvelView::OnNodeEditOperation>},
        {32990, &CommandRange<&CKorvelView::OnNodeEditOperation>},
        {32987, &CommandRange<&CKorvelView::OnToolBarPane>},
        {32901, &CommandRange<&CKorvelView::OnDesktopTool>},
        {33011, &CommandRange<&CKorvelView::OnNestingOperation>},
        {33085, &CommandRange<&CKorvelView::OnSurfaceMode>},
        {32811, &CommandRange<&CKorvelView::OnViewCommand>},
        {99, &CommandRange<&CKorvelView::OnRecentCommand>},
        {32928, &Command<&CKorvelView::OnSelectAll>},
    };
    for (const auto& [id, thunk] : rows) {
        const AFX_MSGMAP_ENTRY* entry = FirstCommandEntry(id);
        ASSERT_NE(entry, nullptr) << id;
        EXPECT_EQ(entry->pfn, thunk) << id;
    }
    // An update of the range 32844-32845 is never reached either.
    for (const AFX_MSGMAP_ENTRY* e = MapOf::Map()->lpEntries; e->pfn != nullptr; ++e) {
        if (e->nMessage == WM_COMMAND && e->nCode == CN_UPDATE_COMMAND_UI && 32845 >= e->nID && 32845 <= e->nLastID) {
            EXPECT_EQ(e->nID, e->nLastID);
            break;
        }
    }
}

TEST_F(ViewCommandsTest, EachItemRunsItsCommandWithItsSubCommand)
{
    constexpr int kKept = 7;  // the current variant of commands run with theirs
    struct Row {
        UINT item;
        UINT command;
        int sub;
    };
    std::vector<Row> rows = {
        {32776, 32776, kKept}, {32777, 32777, 0},     {32780, 32777, 1},     {32781, 32777, 2},
        {32782, 32782, kKept}, {32783, 32783, kKept}, {32778, 32778, kKept}, {32779, 32779, kKept},
        {32774, 32774, kKept}, {32775, 32775, kKept}, {32942, 32786, kKept}, {32943, 32777, kKept},
        {32962, 32962, kKept}, {32795, 32795, 0},     {32796, 32796, 0},     {32797, 32797, 0},
        {33164, 33164, 1},     {33165, 33164, 2},     {32864, 32863, 0},     {32865, 32863, 1},
        {32866, 32863, 2},     {32997, 32863, 3},     {33286, 32863, 4},     {32897, 32897, 1},
        {32899, 32897, 3},     {32978, 32978, 1},     {32980, 32978, 3},     {32917, 32917, 0},
        {32918, 32917, 1},     {32920, 32917, 3},     {32799, 32801, 0},     {32800, 32801, 1},
        {32801, 32801, 2},     {33289, 33289, 1},     {33290, 33289, 2},     {33186, 33186, 0},
        {33187, 33186, 1},     {32996, 32996, 0},     {33155, 32996, 1},
    };
    const int arcSubs[] = {0, 1, 2, 3, 4};
    for (UINT id = 32787; id <= 32791; ++id) rows.push_back({id, 32786, arcSubs[id - 32787]});
    const int alignSubs[] = {1, 2, 3, 4, 12, 6, 5, 7, 8, 9, 10, 11};
    for (UINT id = 32820; id <= 32831; ++id) rows.push_back({id, 32819, alignSubs[id - 32820]});
    // Items that only run their command, with sub-command 0.
    for (UINT id : {32773u, 32793u, 32818u, 32834u, 32836u, 32852u, 32903u, 32904u, 32914u, 32926u, 32927u, 32930u,
                    32933u, 32935u, 32940u, 32948u, 32949u, 32950u, 32951u, 32956u, 32958u, 32959u, 32960u, 32961u,
                    32963u, 32964u, 32971u, 32973u, 32974u, 32977u, 32992u, 32994u, 33005u, 33072u, 33077u, 33089u,
                    33154u, 33191u, 33196u, 33197u, 33309u, 33307u, 33308u, 33314u})
        rows.push_back({id, id, 0});
    // A selection that enables the Boolean items and the two boundary items.
    Select({AddLine(0), AddLine(5), Add(new TypedEntity(26))});
    for (const Row& row : rows) {
        CGenericCmd* cmd = Generic(row.command);
        ASSERT_NE(cmd, nullptr) << row.command;
        cmd->SetSubCmd(kKept);
        const int before = cmd->GetRunCount();
        Command(row.item);
        EXPECT_EQ(cmd->GetRunCount(), before + 1) << row.item;
        EXPECT_EQ(cmd->GetLastSub(), row.sub) << row.item;
    }
    // Run by pointer: the text input and its neighbours; the text input waits.
    Command(32784);
    ASSERT_NE(m_hub->GetCurCmd(), nullptr);
    EXPECT_EQ(m_hub->GetCurCmd()->GetID(), 32784u);
    EXPECT_TRUE(m_hub->GetCurCmd()->IsKindOf(RUNTIME_CLASS(CTextInputCmd)));
    Command(33002);
    EXPECT_EQ(m_hub->GetCurCmd(), nullptr);
    EXPECT_EQ(Generic(33002)->GetLastSub(), 0);
    // The shape library starts, and its item ends it again.
    Command(32849);
    ASSERT_NE(m_hub->GetCurCmd(), nullptr);
    EXPECT_TRUE(m_hub->GetCurCmd()->IsKindOf(RUNTIME_CLASS(CGraphLibCmd)));
    Command(32849);
    EXPECT_EQ(m_hub->GetCurCmd(), nullptr);
    // Items without a registered command run nothing and are disabled.
    for (UINT id : {33073u, 33182u}) {
        Command(id);
        EXPECT_EQ(m_hub->GetCurCmd(), nullptr);
        EXPECT_FALSE(Update(id).m_bEnabled) << id;
    }
}

TEST_F(ViewCommandsTest, CancellingBeforeTheRunFollowsTheFamily)
{
    // The targets refuse to run, so only the cancel shows; the items go to the
    // view directly, as the frame would not route a disabled item.
    struct Row {
        UINT item;
        UINT target;
        bool cancels;
    };
    const Row rows[] = {
        {32787, 32786, true},   // cancel first
        {32776, 32776, true},   // cancel while busy
        {32997, 32863, false},  // no cancel
        {32943, 32777, false},
        {32996, 32996, false},
    };
    for (const Row& row : rows) {
        RunWaiting(32903, 0);
        Generic(row.target)->SetEnabled(FALSE);
        View()->OnCmdMsg(row.item, CN_COMMAND, nullptr, nullptr);
        EXPECT_EQ(m_hub->GetCurCmd() == nullptr, row.cancels) << row.item;
        Generic(row.target)->SetEnabled(TRUE);
        m_hub->CancelCurCmd();
    }
}

TEST_F(ViewCommandsTest, UpdateRulesGiveTheItemsStates)
{
    CDbEntity* a = AddLine(0);
    CDbEntity* b = AddLine(5);
    CDbEntity* mirrorless = Add(new TypedEntity(0x120));
    CDbEntity* trimmable = Add(new TypedEntity(26));
    CDbEntity* image = Add(new TypedEntity(kDbBaseImage, kDbTypeImage));
    struct Row {
        const char* what;
        std::function<void()> setup;
        UINT id;
        bool enabled;
        int checked;
        const wchar_t* text;
    };
    const Row rows[] = {
        {"boolean 1 running, two curves", [&] { Select({a, b}), RunWaiting(32917, 1); }, 32918, true, 1, L"Intersection"},
        {"boolean 1 running, other item", [&] { Select({a, b}), RunWaiting(32917, 1); }, 32917, true, 0, L"Union"},
        {"boolean 2 running", [&] { Select({a, b}), RunWaiting(32917, 2); }, 32918, true, 0, L"Intersection"},
        {"boolean without a selection", [&] { Select({}); }, 32918, false, 0, L"Intersection"},
        {"rectangle 1 running", [&] { RunWaiting(32777, 1); }, 32780, true, 1, L""},
        {"rectangle 1 running, style 3", [&] { RunWaiting(32777, 1); }, 32781, true, 0, L""},
        {"rectangle 1 running, rectangle", [&] { RunWaiting(32777, 1); }, 32777, true, 0, L""},
        {"rectangle 0 running", [&] { RunWaiting(32777, 0); }, 32777, true, 1, L""},
        {"rectangle refused", [&] { Generic(32777)->SetEnabled(FALSE); }, 32780, false, 0, L""},
        {"point running", [&] { RunWaiting(32776, 3); }, 32776, true, 1, L""},
        {"arc 2 running", [&] { RunWaiting(32786, 2); }, 32789, true, 1, L""},
        {"arc 2 running, last arc", [&] { RunWaiting(32786, 2); }, 32942, true, 1, L""},
        {"mirror, 0x120 selected", [&] { Select({mirrorless}); }, 32801, false, 0, L""},
        {"mirror, 0x120 selected, kind 1", [&] { Select({mirrorless}); }, 32799, true, 0, L""},
        {"mirror, curves selected", [&] { Select({a}); }, 32801, true, 0, L""},
        {"mirror 1 running", [&] { Select({a}), RunWaiting(32801, 1); }, 32800, true, 1, L""},
        {"align 5", [] {}, 32824, true, 0, L"Centre on Page"},
        {"align 1", [] {}, 32820, true, 0, L"Align Left"},
        {"split 2", [] {}, 32898, true, 0, L"Split by Polyline"},
        {"trim by boundary, base 26", [&] { Select({trimmable}); }, 33307, true, 0, L""},
        {"trim by boundary, an image", [&] { Select({image}); }, 33307, false, 0, L""},
        {"fill display, curve", [&] { Select({a}); }, 32867, true, 0, L""},
        {"fill display, nothing", [&] { Select({}); }, 32867, false, 0, L""},
        {"hide, nothing selected", [&] { Select({}); }, 32844, false, 0, L""},
        {"hide, a curve", [&] { Select({a}); }, 32844, true, 0, L""},
        {"invert, nothing selected", [&] { Select({}); }, 32929, false, 0, L""},
        {"attributes, one selected", [&] { Select({a}); }, 33208, true, 0, L""},
        {"attributes, two selected", [&] { Select({a, b}); }, 33208, false, 0, L""},
        {"select mode idle", [] {}, 32853, true, 1, L""},
        {"select mode, command running", [&] { RunWaiting(32903, 0); }, 32853, true, 0, L""},
        {"node op outside node edit", [] {}, 32870, false, 0, L""},
        {"node op in node edit", [&] { m_hub->RunMainCmd(korvel::ID_MAIN_NODE); }, 32990, true, 0, L""},
        {"node edit checked", [&] { m_hub->RunMainCmd(korvel::ID_MAIN_NODE); }, 32854, true, 1, L""},
        {"text checked", [&] { m_hub->RunMainCmd(korvel::ID_MAIN_TEXT); }, 32855, true, 1, L""},
        {"special sign, empty text", [&] { m_hub->RunMainCmd(korvel::ID_MAIN_TEXT); }, 33003, false, 0, L""},
        {"special sign, text typed",
         [&] {
             m_hub->RunMainCmd(korvel::ID_MAIN_TEXT);
             dynamic_cast<CTextMainCmd*>(m_hub->GetCurMainCmd())->m_strText = L"A";
         },
         33003, true, 0, L""},
        {"biarc 2 reports 1", [] {}, 33155, true, 0, L"Fit Arcs and Lines"},
    };
    for (const Row& row : rows) {
        row.setup();
        const CTestCmdUI ui = Update(row.id);
        EXPECT_EQ(ui.m_bEnabled != FALSE, row.enabled) << row.what;
        EXPECT_EQ(ui.m_nCheck, row.checked) << row.what;
        EXPECT_EQ(std::wstring(ui.m_strText.GetString()), std::wstring(row.text)) << row.what;
        m_hub->CancelCurCmd();
        m_hub->RunMainCmd(korvel::ID_MAIN_SELECT);
        Generic(32777)->SetEnabled(TRUE);
        Select({});
    }
    // The select item tells the tool-bar manager.
    Update(32853);
    EXPECT_EQ(CUIToolBarMgr::Instance()->GetNoticedMainCmd(), static_cast<int>(korvel::ID_MAIN_SELECT));
}

TEST_F(ViewCommandsTest, HiddenObjectsCountInTheMenuTextOnly)
{
    std::vector<CDbEntity*> lines;
    for (int i = 0; i < 4; ++i) lines.push_back(AddLine(i));
    Select({lines[0], lines[1], lines[2]});
    Command(32844);
    EXPECT_TRUE(gGetSelector()->IsEmpty());
    for (int i = 0; i < 4; ++i) EXPECT_EQ(lines[i]->IsVisible() != FALSE, i == 3) << i;
    EXPECT_EQ(CDBase::Instance()->GetInvisibleEntSelfCount(), 3);

    // The menu item of the frame, updated as its menu opens.
    QAction* item = nullptr;
    for (const auto& [id, action] : Frame()->GetCommandActions())
        if (id == 32845 && qobject_cast<QMenu*>(action->parent()) != nullptr) item = action;
    ASSERT_NE(item, nullptr);
    Frame()->UpdateMenuActions(qobject_cast<QMenu*>(item->parent()));
    EXPECT_EQ(item->text(), QStringLiteral("Sh&ow Objects(3)"));
    EXPECT_TRUE(item->isEnabled());
    // The same update for a button leaves its text.
    const CTestCmdUI button = Update(32845);
    EXPECT_TRUE(button.m_bEnabled);
    EXPECT_TRUE(button.m_strText.IsEmpty());

    Command(32845);
    for (CDbEntity* e : lines) EXPECT_TRUE(e->IsVisible());
    Frame()->UpdateMenuActions(qobject_cast<QMenu*>(item->parent()));
    EXPECT_EQ(item->text(), QStringLiteral("Sh&ow Objects(0)"));
    EXPECT_FALSE(item->isEnabled());
    // Hiding with nothing selected hides nothing.
    Command(32844);
    EXPECT_EQ(CDBase::Instance()->GetInvisibleEntSelfCount(), 0);
}

TEST_F(ViewCommandsTest, SelectAllSkipsGuideLinesAndFilteredTypesThenInvertSwaps)
{
    CDbEntity* a = AddLine(0);
    CDbEntity* b = AddLine(5);
    CDbEntity* hidden = AddLine(9);
    hidden->SetVisible(FALSE);
    auto* guide = new CDbAidLine(3.0, CDbAidLine::kHorizontal);
    Add(guide);
    CDbEntity* image = Add(new TypedEntity(kDbBaseImage, kDbTypeImage));
    CDBase::Instance()->SetSelFilterMask(kDbBaseImage);
    Command(32928);
    CSelector* selector = gGetSelector();
    EXPECT_EQ(selector->GetSize(), 2);
    EXPECT_TRUE(selector->Contains(a) && selector->Contains(b));
    EXPECT_FALSE(selector->Contains(guide) || selector->Contains(image) || selector->Contains(hidden));

    Select({a});
    Command(32929);
    EXPECT_EQ(selector->GetSize(), 1);
    EXPECT_TRUE(selector->Contains(b));
    EXPECT_FALSE(a->IsSelected());
    CDBase::Instance()->SetSelFilterMask(0);
    Command(32929);
    EXPECT_EQ(selector->GetSize(), 2);
    EXPECT_TRUE(selector->Contains(a) && selector->Contains(image));

    // Node edit selects and flips nodes instead; text selects its text.
    m_hub->RunMainCmd(korvel::ID_MAIN_NODE);
    auto* node = dynamic_cast<CToolNodeCmd*>(m_hub->GetCurMainCmd());
    Select({});
    Command(32928);
    EXPECT_EQ(node->m_nSelectAll, 1);
    EXPECT_TRUE(selector->IsEmpty());
    // Invert is enabled only while entities are selected, in node edit too.
    Command(32929);
    EXPECT_EQ(node->m_nFlip, 0);
    Select({a});
    Command(32929);
    EXPECT_EQ(node->m_nFlip, 1);
    m_hub->RunMainCmd(korvel::ID_MAIN_TEXT);
    Command(32928);
    EXPECT_EQ(dynamic_cast<CTextMainCmd*>(m_hub->GetCurMainCmd())->m_nSelectAll, 1);
}

TEST_F(ViewCommandsTest, NodeEditItemsReachTheNodeCommandWithTheirCodes)
{
    Command(korvel::ID_MAIN_NODE);
    auto* node = dynamic_cast<CToolNodeCmd*>(m_hub->GetCurMainCmd());
    ASSERT_NE(node, nullptr);
    const UINT ids[] = {32870, 32871, 32872, 32873, 32916, 32878, 32879, 32934,
                        32936, 32937, 32938, 32939, 33062, 32975, 32990};
    for (UINT id : ids) Command(id);
    EXPECT_EQ(node->m_nodeCodes, (std::vector<int>{0, 1, 2, 3, 4, 5, 7, 8, 10, 11, 12, 13, 15, 16, 17}));
}

TEST_F(ViewCommandsTest, RecentCommandsRunTheRememberedOnesAfterCancelling)
{
    // Enabled while the remembered command exists and may run; never checked.
    EXPECT_FALSE(Update(98).m_bEnabled);
    Command(32903);
    EXPECT_TRUE(Update(98).m_bEnabled);
    EXPECT_EQ(Update(98).m_nCheck, 0);
    EXPECT_FALSE(Update(99).m_bEnabled);
    CGenericCmd* polyline = Generic(32903);
    CGenericCmd* arrow = Generic(32948);
    // 100 with two remembered: the running command is cancelled, nothing runs.
    RunWaiting(32948, 0);
    arrow->SetWaitForInput(FALSE);
    std::vector<UINT> before;
    m_hub->GetPrevCmd(before);
    const int polylineRuns = polyline->GetRunCount(), arrowRuns = arrow->GetRunCount();
    // Its item is disabled, so the frame would not route it: to the view directly.
    EXPECT_FALSE(Update(100).m_bEnabled);
    View()->OnCmdMsg(100, CN_COMMAND, nullptr, nullptr);
    EXPECT_EQ(m_hub->GetCurCmd(), nullptr);
    EXPECT_EQ(polyline->GetRunCount(), polylineRuns);
    EXPECT_EQ(arrow->GetRunCount(), arrowRuns);
    ASSERT_EQ(before, (std::vector<UINT>{32948, 32903}));
    // 99 runs the second most recent with its current variant.
    polyline->SetSubCmd(4);
    Command(99);
    EXPECT_EQ(polyline->GetRunCount(), polylineRuns + 1);
    EXPECT_EQ(polyline->GetLastSub(), 4);
}

TEST_F(ViewCommandsTest, NestingItemsReachTheInteractiveNesting)
{
    auto* nesting = dynamic_cast<CInterPackCmd*>(m_hub->GetCmd(33000));
    ASSERT_NE(nesting, nullptr);
    Command(33000);
    EXPECT_EQ(m_hub->GetCurCmd(), nesting);
    for (UINT id = 33007; id <= 33012; ++id) Command(id);
    EXPECT_EQ(nesting->GetOperations(),
              (std::vector<std::string>{"AddStock", "AddPart", "RemovePart", "MirrorPart(1)", "SetDownPart(1)",
                                        "MirrorPart(2)", "SetDownPart(1)", "RotatePart90", "SetDownPart(1)"}));
    Command(33006);
    EXPECT_EQ(m_hub->GetCurCmd(), nullptr);
    EXPECT_EQ(m_hub->GetCurMainCmd()->GetID(), korvel::ID_MAIN_SELECT);
}

TEST_F(ViewCommandsTest, DesktopActionsGoToTheOpenerAndThePrograms)
{
    std::vector<CString> opened;
    const CDesktopOpener previous = AfxSetDesktopOpener([&opened](const CString& target) {
        opened.push_back(target);
        return true;
    });
    Command(33288);
    Command(33180);
    AfxSetDesktopOpener(previous);
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[0], gGetAppDataDir());
    EXPECT_TRUE(std::wstring(opened[1].GetString()).ends_with(L"/wspx.asp"));

    // A PATH holding a fake calculator and text editor, and no paint program.
    const QString bin = QString::fromStdString(PathOf("bin"));
    ASSERT_TRUE(QDir().mkpath(bin));
    for (const char* name : {"kcalc", "mousepad"}) {
        QFile script(bin + QLatin1Char('/') + QLatin1String(name));
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        script.write(QStringLiteral("#!/bin/sh\n: > '%1/%2.ran'\n").arg(bin, QLatin1String(name)).toUtf8());
        script.close();
        script.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", bin.toUtf8());
    Command(32900);
    Command(32901);
    const size_t messages = m_prompt.m_messages.size();
    Command(32972);
    qputenv("PATH", path);
    ASSERT_EQ(m_prompt.m_messages.size(), messages + 1);
    EXPECT_NE(std::wstring(m_prompt.m_messages.back().GetString()).find(L"paint"), std::wstring::npos);
    QElapsedTimer waited;
    waited.start();
    while ((!QFile::exists(bin + "/kcalc.ran") || !QFile::exists(bin + "/mousepad.ran")) && waited.elapsed() < 10000)
        QApplication::processEvents();
    EXPECT_TRUE(QFile::exists(bin + "/kcalc.ran"));
    EXPECT_TRUE(QFile::exists(bin + "/mousepad.ran"));
}

TEST_F(ViewCommandsTest, SurfaceModesDesignCentrePagesAndMessages)
{
    CLooker* looker = gGetLooker();
    looker->SetSrfShowMode(20);
    CDBase::Instance()->SetListDone(1);
    Command(33083);
    EXPECT_EQ(CDBase::Instance()->GetListDone(), 1);
    Command(33085);
    EXPECT_EQ(looker->GetSrfShowMode(), 21);
    EXPECT_EQ(CDBase::Instance()->GetListDone(), 0);

    CDesignCentral* pane = gGetPaneDCenter();
    ASSERT_NE(pane, nullptr);
    CDbEntity* a = AddLine(0);
    Select({a});
    EXPECT_EQ(View()->SendMessage(korvel::WM_KV_ADD_RLF_PAGE), 0);
    EXPECT_EQ(pane->GetRlfLayerManagerDlg(), nullptr);
    Select({});
    View()->SendMessage(korvel::WM_KV_ADD_RLF_PAGE);
    EXPECT_NE(pane->GetRlfLayerManagerDlg(), nullptr);
    View()->SendMessage(korvel::WM_KV_DEL_RLF_PAGE);
    EXPECT_EQ(pane->GetRlfLayerManagerDlg(), nullptr);

    Select({a});
    Command(33208);
    EXPECT_EQ(pane->GetCurrentPage(), pane->GetAttrDlg());
    // Selecting by conditions shows the pane; in select mode without a
    // running command the page shown stays.
    pane->HideDCenter();
    Command(32993);
    EXPECT_TRUE(pane->IsShown());
    EXPECT_EQ(pane->GetCurrentPage(), pane->GetAttrDlg());

    const int changes = pane->GetSelChangeCount();
    EXPECT_EQ(View()->SendMessage(korvel::WM_KV_MAIN_COMMAND_MESSAGE), 1);
    EXPECT_EQ(pane->GetSelChangeCount(), changes + 1);
    m_hub->RunMainCmd(korvel::ID_MAIN_TEXT);
    EXPECT_EQ(View()->SendMessage(korvel::WM_KV_MAIN_COMMAND_MESSAGE), 0);
}

TEST_F(ViewCommandsTest, InputMethodCharactersAndLanguageReachTheTextTool)
{
    CFontServer* fonts = CFontServer::Instance();
    fonts->SetFonts({{L"Arial", kCharsetAnsi, 4}, {L"SingleLine", kCharsetGB2312, kFontTypeDbcs}});
    fonts->SetSelFont(0);
    // Outside the text tool the character is taken and goes nowhere.
    EXPECT_EQ(View()->SendMessage(WM_IME_CHAR, 0x4E2D), 1);
    m_hub->RunMainCmd(korvel::ID_MAIN_TEXT);
    auto* text = dynamic_cast<CTextMainCmd*>(m_hub->GetCurMainCmd());
    View()->SendMessage(WM_IME_CHAR, 0x4E2D);
    const int combos = CFontCombo::GetInitializeCount();
    View()->SendMessage(WM_INPUTLANGCHANGE, kCharsetGB2312);
    EXPECT_EQ(fonts->GetSelFont(), 1);
    EXPECT_EQ(CFontCombo::GetInitializeCount(), combos + 1);
    fonts->SetLocale(0x804);
    // GBK codes U+4E2D as D6 D0; the double-byte font gets the pair.
    View()->SendMessage(WM_IME_CHAR, 0x4E2D);
    ASSERT_EQ(text->m_chars.size(), 2u);
    EXPECT_EQ(text->m_chars[0], 0x4E2Du);
    EXPECT_EQ(text->m_chars[1], 0xD6D0u);

    // No font of the new set: the selection stays, the default face follows.
    fonts->SetFonts({{L"Arial", kCharsetAnsi, 4}});
    fonts->SetSelFont(0);
    View()->SendMessage(WM_INPUTLANGCHANGE, kCharsetGB2312);
    EXPECT_EQ(fonts->GetSelFont(), 0);
    EXPECT_EQ(fonts->GetDefaultFace(), CString(L"宋体"));
    fonts->SetFonts({{L"SingleLine", kCharsetGB2312, kFontTypeDbcs}});
    fonts->SetSelFont(0);
    View()->SendMessage(WM_INPUTLANGCHANGE, kCharsetAnsi);
    EXPECT_EQ(fonts->GetDefaultFace(), CString(L"Arial"));
    fonts->SetFonts({});

    // Text an input method commits reaches the text tool as characters.
    QInputMethodEvent composed;
    composed.setCommitString(QStringLiteral("ab"));
    QApplication::sendEvent(View()->GetWidget(), &composed);
    ASSERT_EQ(text->m_chars.size(), 4u);
    EXPECT_EQ(text->m_chars[2], static_cast<UINT>('a'));
    EXPECT_EQ(text->m_chars[3], static_cast<UINT>('b'));
}

}  // namespace

namespace {

TEST_F(ViewCommandsTest, MenusShowThePredictedStates)
{
    // One curve, nothing selected, select mode, nothing run yet.
    AddLine(0);
    std::map<UINT, QAction*> items;
    for (QMenu* menu : Frame()->GetMainWindow()->menuBar()->findChildren<QMenu*>()) {
        Frame()->UpdateMenuActions(menu);
        for (const auto& [id, action] : Frame()->GetCommandActions())
            if (action->parent() == menu) items[id] = action;
    }
    struct Row {
        UINT id;
        bool enabled;
        bool checked;
    };
    const Row rows[] = {
        {32853, true, true},   {32854, true, false}, {32855, true, false},  {32928, true, false},
        {32929, false, false}, {32844, false, false}, {32845, false, false}, {32993, true, false},
        {33208, false, false}, {98, false, false},    {99, false, false},    {100, false, false},
        {32777, true, false},  {32780, true, false},  {32787, true, false},  {32942, true, false},
        {33073, false, false}, {33182, false, false}, {32917, false, false}, {32920, false, false},
        {32799, true, false},  {32801, true, false},  {33307, false, false}, {33308, false, false},
        {32870, false, false}, {32990, false, false}, {32867, false, false}, {32811, false, false},
        {33155, true, false},  {33003, false, false}, {32820, true, false},  {33007, true, false},
    };
    for (const Row& row : rows) {
        ASSERT_TRUE(items.count(row.id)) << row.id;
        EXPECT_EQ(items[row.id]->isEnabled(), row.enabled) << row.id;
        EXPECT_EQ(items[row.id]->isChecked(), row.checked) << row.id;
    }
    EXPECT_EQ(items[32845]->text(), QStringLiteral("Sh&ow Objects(0)"));
    EXPECT_EQ(items[32919]->text(), QStringLiteral("Difference"));
    EXPECT_EQ(items[32831]->text(), QStringLiteral("Space Vertically"));
}

}  // namespace
