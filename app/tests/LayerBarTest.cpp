// The layers as the program holds them: the layer bar's operations, the layer
// command's modes, the tab strip and the layer dialogs, driven in-process on
// the offscreen platform.
#include "ViewInput.h"

#include "app/DlgLayer.h"
#include "app/KorvelIds.h"
#include "app/LayerBarWnd.h"
#include "app/LayerManageCmd.h"
#include "app/LayerTab.h"
#include "framework/db/DbCurve.h"
#include "framework/looker/AppSlots.h"
#include "framework/looker/Looker.h"
#include "framework/panora/DesignCentral.h"
#include "framework/relayon/Action.h"
#include "framework/relayon/DBase.h"
#include "framework/relayon/Relayon.h"
#include "framework/relayon/Selector.h"
#include "geometry/shapes2d/GeLine.h"
#include "geometry/shapes2d/Layer.h"
#include "platform/ui/QtDC.h"
#include "platform/ui/Resources.h"

#include <QApplication>
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QListWidget>
#include <QTest>
#include <QTreeWidget>

#include <cmath>
#include <string>
#include <vector>

using namespace korvel_test;

namespace {

class LayerBarTest : public ViewInputTest {
protected:
    void SetUp() override
    {
        ViewInputTest::SetUp();
        StartView();
        m_bar = &Frame()->GetLayerBar();
        m_db = CDBase::Instance();
    }

    // Layers named as given (the first replaces the default layer's name).
    void MakeLayers(const std::vector<const wchar_t*>& names)
    {
        m_db->GetLayer(0)->SetName(names[0]);
        for (size_t i = 1; i < names.size(); ++i) m_db->AddLayer(new CLayer(CString(names[i])));
        m_bar->ReloadLayers();
    }

    // A line entity on the layer at position index.
    CDbEntity* AddOn(int index, double y = 0)
    {
        const double p[2] = {0, y}, q[2] = {10, y + 1};
        CDbEntity* e = new CDbCurve(new CGeLine(p, q));
        e->SetLayerID(m_db->GetLayerIDByIndex(index));
        m_db->AddTail(e);
        return e;
    }

    std::vector<int> Visible() const
    {
        std::vector<int> out;
        for (int i = 0; i < m_db->GetLayerCnt(); ++i) out.push_back(m_db->GetLayer(i)->IsVisible());
        return out;
    }

    std::vector<std::wstring> Names()
    {
        std::vector<std::wstring> out;
        for (const CString& n : m_bar->GetLayerNames()) out.emplace_back(n.GetString());
        return out;
    }

    void Select(std::initializer_list<CDbEntity*> entities)
    {
        gGetSelector()->ClearAll();
        for (CDbEntity* e : entities) gGetSelector()->Add(e);
    }

    CQvLayerBarWnd* m_bar = nullptr;
    CDBase* m_db = nullptr;
};

TEST_F(LayerBarTest, AddLayerTakesTheFirstFreePageNameAndIsInvisible)
{
    MakeLayers({L"0", L"Page1", L"Page3"});
    EXPECT_EQ(m_bar->AddLayer(L"ignored"), 3);
    EXPECT_EQ(m_db->GetLayer(3)->GetName(), CString(L"Page2"));
    EXPECT_EQ(m_db->GetLayer(3)->IsVisible(), 0);
    EXPECT_EQ(m_db->GetLayer(3)->IsLocked(), 0);
    EXPECT_EQ(m_db->GetLayer(3)->GetColor(), 0u);
    EXPECT_EQ(m_bar->AddLayer(L""), 4);
    EXPECT_EQ(m_db->GetLayer(4)->GetName(), CString(L"Page4"));
    EXPECT_EQ(Names(), (std::vector<std::wstring>{L"0", L"Page1", L"Page3", L"Page2", L"Page4"}));
}

TEST_F(LayerBarTest, SingleLayerModeDecidesWhetherOtherLayersStayVisible)
{
    MakeLayers({L"A", L"B", L"C"});
    for (int i = 0; i < 3; ++i) m_db->GetLayer(i)->SetVisible();
    m_bar->SetSingleLayerMode(0);
    EXPECT_EQ(m_bar->SetCurrentLayer(1), 1);
    EXPECT_EQ(Visible(), (std::vector<int>{1, 1, 1})) << "mode off";
    m_db->GetLayer(2)->SetLock(1);
    m_bar->SetSingleLayerMode(1);
    EXPECT_EQ(m_bar->SetCurrentLayer(2), 2);
    EXPECT_EQ(Visible(), (std::vector<int>{0, 0, 1})) << "mode on";
    EXPECT_EQ(m_db->GetLayer(2)->IsLocked(), 0) << "the activated layer is unlocked";
    EXPECT_EQ(CLayer::GetCurrentLayerID(), m_db->GetLayerIDByIndex(2));
}

TEST_F(LayerBarTest, ReloadLayersAfterStartUpLeavesOnlyTheFirstLayerVisibleAndCurrent)
{
    MakeLayers({L"A", L"B", L"C"});
    for (int i = 0; i < 3; ++i) m_db->GetLayer(i)->SetVisible();
    m_db->GetLayer(0)->SetLock(1);
    ASSERT_EQ(m_bar->GetSingleLayerMode(), 1);
    m_bar->ReloadLayers();
    EXPECT_EQ(Visible(), (std::vector<int>{1, 0, 0}));
    EXPECT_EQ(m_db->GetLayer(0)->IsLocked(), 0);
    EXPECT_EQ(m_bar->GetCurLayerIndex(), 0);
}

TEST_F(LayerBarTest, DeletingTheCurrentLayerMakesItsNeighbourCurrent)
{
    struct Row {
        const char* name;
        int deleted;
        const wchar_t* current;
    };
    const Row rows[] = {{"first", 0, L"B"}, {"middle", 1, L"A"}, {"last", 2, L"B"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        m_db->DelAllEnt();
        while (m_db->GetLayerCnt() > 1) delete m_db->RemoveLayerAt(1);
        MakeLayers({L"A", L"B", L"C"});
        m_bar->SetCurrentLayer(row.deleted);
        EXPECT_EQ(m_bar->DeleteLayer(row.deleted, 0), row.deleted);
        ASSERT_EQ(m_db->GetLayerCnt(), 2);
        ASSERT_LT(m_bar->GetCurLayerIndex(), 2);
        EXPECT_EQ(m_db->GetLayer(m_bar->GetCurLayerIndex())->GetName(), CString(row.current));
        EXPECT_EQ(static_cast<int>(Names().size()), 2);
    }
}

TEST_F(LayerBarTest, TheLastLayerIsNeverDeleted)
{
    MakeLayers({L"A", L"B"});
    EXPECT_EQ(m_bar->DeleteLayer(1, 0), 1);
    EXPECT_EQ(m_bar->DeleteLayer(0, 0), -1);
    EXPECT_EQ(m_db->GetLayerCnt(), 1);
}

TEST_F(LayerBarTest, RenameComparesWithTheOtherLayersOnly)
{
    MakeLayers({L"Page1", L"B"});
    struct Row {
        int index;
        const wchar_t* name;
        int result;
        const wchar_t* after;  // name of layer index afterwards (for a good index)
    };
    const Row rows[] = {
        {0, L"B", -2, L"Page1"},      // another layer's name
        {5, L"X", -1, nullptr},       // no layer there
        {0, L"Page1", 0, L"Page1"},   // its own name
        {0, L"page1", 0, L"page1"},   // another case
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.index << " -> " << CString(row.name).ToUtf8());
        EXPECT_EQ(m_bar->RenameLayer(row.index, row.name), row.result);
        if (row.after != nullptr) {
            EXPECT_EQ(m_db->GetLayer(row.index)->GetName(), CString(row.after));
            EXPECT_EQ(Names()[static_cast<size_t>(row.index)], std::wstring(row.after));
        }
    }
}

TEST_F(LayerBarTest, BadIndexesAnswerMinusOneAndChangeNothing)
{
    MakeLayers({L"A", L"B"});
    const int current = CLayer::GetCurrentLayerID();
    CLayer probe(CString(L"probe"));
    for (int bad : {-1, 2, 1000}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(m_bar->GetLayerInfo(bad, &probe), -1);
        EXPECT_EQ(m_bar->SetLayerInfo(bad, &probe), -1);
        EXPECT_EQ(m_bar->SetCurrentLayer(bad), -1);
        EXPECT_EQ(m_bar->RenameLayer(bad, L"Z"), -1);
        EXPECT_EQ(m_bar->DeleteLayer(bad, 0), -1);
    }
    EXPECT_EQ(CLayer::GetCurrentLayerID(), current);
    EXPECT_EQ(Names(), (std::vector<std::wstring>{L"A", L"B"}));
    EXPECT_EQ(m_db->GetLayerCnt(), 2);
}

TEST_F(LayerBarTest, DeletionIsOneUndoStepThatRestoresLayerAndEntitiesInPlace)
{
    MakeLayers({L"A", L"B", L"C"});
    CLayer* b = m_db->GetLayer(1);
    b->SetColor(RGB(1, 2, 3));
    b->SetLock(1);
    b->SetVisible();
    const int idB = b->GetID();
    CDbEntity* a0 = AddOn(0, 0);
    CDbEntity* b0 = AddOn(1, 1);
    CDbEntity* a1 = AddOn(0, 2);
    CDbEntity* b1 = AddOn(1, 3);
    b0->SetColor(RGB(9, 8, 7));
    const std::uint32_t handleB0 = b0->GetHandle();
    CActionManager* undo = CActionManager::Instance();
    const int steps = undo->GetUndoCount();

    ASSERT_EQ(m_bar->DeleteLayer(1, 0), 1);
    EXPECT_EQ(undo->GetUndoCount(), steps + 1);
    EXPECT_EQ(m_db->GetLayerCnt(), 2);
    EXPECT_EQ(m_db->GetCount(), 2);
    EXPECT_EQ(Names(), (std::vector<std::wstring>{L"A", L"C"}));

    ASSERT_TRUE(undo->Undo());
    ASSERT_EQ(m_db->GetLayerCnt(), 3);
    const CLayer* back = m_db->GetLayer(1);
    EXPECT_EQ(back->GetID(), idB);
    EXPECT_EQ(back->GetName(), CString(L"B"));
    EXPECT_EQ(back->GetColor(), RGB(1, 2, 3));
    EXPECT_EQ(back->IsLocked(), 1);
    EXPECT_EQ(back->IsVisible(), 1);
    std::vector<CDbEntity*> order;
    for (CDbEntity* e : m_db->GetEntities()) order.push_back(e);
    EXPECT_EQ(order, (std::vector<CDbEntity*>{a0, b0, a1, b1})) << "entities back at their positions";
    EXPECT_EQ(b0->GetLayerID(), idB);
    EXPECT_EQ(b0->GetColor(), RGB(9, 8, 7));
    EXPECT_EQ(b0->GetHandle(), handleB0);
    EXPECT_EQ(Names(), (std::vector<std::wstring>{L"A", L"B", L"C"})) << "the strip follows the undo";

    ASSERT_TRUE(undo->Redo());
    EXPECT_EQ(m_db->GetLayerCnt(), 2);
    EXPECT_EQ(m_db->GetCount(), 2);
    EXPECT_FALSE(m_db->Contains(b1));
    EXPECT_EQ(Names(), (std::vector<std::wstring>{L"A", L"C"})) << "the strip follows the redo";
}

// --- The layer command ------------------------------------------------------

class LayerCommandTest : public LayerBarTest {
protected:
    int Run(int mode) { return gGetRelayon()->RunMainCmd(korvel::ID_LAYER_MANAGE, mode); }
    CLayerManageCmd* Cmd() const
    {
        return dynamic_cast<CLayerManageCmd*>(gGetRelayon()->GetMainCmd(korvel::ID_LAYER_MANAGE));
    }
};

TEST_F(LayerCommandTest, IsRegisteredInPlaceOfTheGenericCommand)
{
    ASSERT_NE(Cmd(), nullptr);
    EXPECT_EQ(Cmd()->HostType(), 1);
}

TEST_F(LayerCommandTest, NewDocumentMessageReloadsTheLayers)
{
    MakeLayers({L"A", L"B"});
    m_bar->SetCurrentLayer(1);
    m_db->GetLayer(0)->SetName(L"Renamed");
    QMessage message(QMessage::kNewDocument);
    EXPECT_EQ(Cmd()->OnMessage(&message), 1);
    EXPECT_EQ(m_bar->GetCurLayerIndex(), 0);
    EXPECT_EQ(Names(), (std::vector<std::wstring>{L"Renamed", L"B"}));
    EXPECT_EQ(Cmd()->OnMessage(nullptr), 0);
}

TEST_F(LayerCommandTest, ShowAllAndShowOne)
{
    MakeLayers({L"A", L"B", L"C"});
    EXPECT_EQ(Run(CLayerManageCmd::kShowAll), 0);
    EXPECT_EQ(Visible(), (std::vector<int>{1, 1, 1}));
    EXPECT_EQ(m_bar->GetSingleLayerMode(), 0);
    m_bar->SetCurrentLayer(1);
    EXPECT_EQ(Run(CLayerManageCmd::kShowOne), 0);
    EXPECT_EQ(Visible(), (std::vector<int>{0, 1, 0}));
    EXPECT_EQ(m_bar->GetSingleLayerMode(), 1);
}

TEST_F(LayerCommandTest, ShowOneThenATabClickLeavesOnlyThatLayerVisible)
{
    MakeLayers({L"A", L"B", L"C"});
    Run(CLayerManageCmd::kShowAll);
    Run(CLayerManageCmd::kShowOne);
    CQvWndTab* tab = m_bar->GetTab();
    QImage image;
    tab->Render(image);  // measures the tabs
    const int s = (tab->GetTabHeight() - 1) / 2;
    const int x = CQvWndTab::kTabStart + s + tab->GetTabWidths()[0] + s + 2;  // inside tab 1
    QTest::mouseClick(tab->GetWidget(), Qt::LeftButton, Qt::NoModifier, QPoint(x, 7));
    EXPECT_EQ(m_bar->GetCurLayerIndex(), 1);
    EXPECT_EQ(Visible(), (std::vector<int>{0, 1, 0}));
}

TEST_F(LayerCommandTest, HideTheObjectsLayerRefusesTheCurrentLayer)
{
    MakeLayers({L"A", L"B"});
    m_bar->SetSingleLayerMode(0);
    m_bar->SetCurrentLayer(0);
    m_db->GetLayer(1)->SetVisible();
    CDbEntity* onA = AddOn(0);
    CDbEntity* onB = AddOn(1);
    Select({onA});
    Run(CLayerManageCmd::kHideOfObject);
    ASSERT_FALSE(m_prompt.m_messages.empty());
    EXPECT_EQ(m_prompt.m_messages.back(), AfxLoadString(korvel::IDS_LAYER_HIDE_CURRENT));
    EXPECT_EQ(Visible(), (std::vector<int>{1, 1}));
    Select({onB});
    Run(CLayerManageCmd::kHideOfObject);
    EXPECT_EQ(Visible(), (std::vector<int>{1, 0}));
    Select({onA, onB});
    const size_t shown = m_prompt.m_messages.size();
    Run(CLayerManageCmd::kHideOfObject);
    ASSERT_EQ(m_prompt.m_messages.size(), shown + 1);
    EXPECT_EQ(m_prompt.m_messages.back(), AfxLoadString(korvel::IDS_LAYER_SELECT_ONE));
}

TEST_F(LayerCommandTest, MoveToCurrentTakesObjectsOfSeveralLayers)
{
    MakeLayers({L"A", L"B", L"C"});
    CDbEntity* onA = AddOn(0);
    CDbEntity* onB = AddOn(1);
    m_bar->SetCurrentLayer(2);
    Select({onA, onB});
    Run(CLayerManageCmd::kMoveToCurrent);
    EXPECT_EQ(onA->GetLayerID(), m_db->GetLayerIDByIndex(2));
    EXPECT_EQ(onB->GetLayerID(), m_db->GetLayerIDByIndex(2));
    EXPECT_EQ(gGetSelector()->GetSize(), 0);
    Run(CLayerManageCmd::kMoveToCurrent);
    EXPECT_EQ(m_prompt.m_messages.back(), AfxLoadString(korvel::IDS_LAYER_MOVE_TO_CURRENT));
}

TEST_F(LayerCommandTest, CurrentOfObjectFindsTheLayerByIdNotPosition)
{
    MakeLayers({L"A", L"B", L"C"});
    CDbEntity* onC = AddOn(2);
    m_bar->DeleteLayer(1, 0);  // C is now at position 1, its id unchanged
    m_bar->SetCurrentLayer(0);
    Select({onC});
    Run(CLayerManageCmd::kCurrentOfObject);
    EXPECT_EQ(m_bar->GetCurLayerIndex(), 1);
    EXPECT_EQ(m_db->GetLayer(1)->GetName(), CString(L"C"));
}

TEST_F(LayerCommandTest, MoveToPickedWithNothingSelectedEndsAndRestoresTheDefaultPage)
{
    MakeLayers({L"A", L"B"});
    gGetSelector()->ClearAll();
    EXPECT_EQ(Run(CLayerManageCmd::kMoveToPicked), 0);
    EXPECT_EQ(m_prompt.m_messages.back(), AfxLoadString(korvel::IDS_LAYER_MOVE_TO_PICKED));
    EXPECT_EQ(gGetPaneDCenter()->GetCommandPage(), nullptr);
    EXPECT_FALSE(Cmd()->IsRunning());
}

TEST_F(LayerCommandTest, PickerOkHandsThePositionToTheCommand)
{
    MakeLayers({L"A", L"B", L"C"});
    CDbEntity* onA = AddOn(0);
    Select({onA});
    EXPECT_EQ(Run(CLayerManageCmd::kMoveToPicked), 1);
    auto* picker = dynamic_cast<CDlgLayerSel*>(Cmd()->GetCmdDlg());
    ASSERT_NE(picker, nullptr);
    EXPECT_EQ(gGetPaneDCenter()->GetCommandPage(), picker);
    ASSERT_EQ(picker->GetList().GetCount(), 3);
    EXPECT_EQ(picker->GetList().GetText(2), CString(L"C"));
    picker->GetList().SetCurSel(2);
    picker->SendMessage(WM_COMMAND, IDOK, 0);
    EXPECT_EQ(onA->GetLayerID(), m_db->GetLayerIDByIndex(2));
    EXPECT_FALSE(Cmd()->IsRunning());
    EXPECT_EQ(gGetPaneDCenter()->GetCommandPage(), nullptr);
}

// --- The tab strip ------------------------------------------------------------

class LayerStripTest : public LayerBarTest {
protected:
    CQvWndTab* Tab() const { return m_bar->GetTab(); }
    void Measure()
    {
        QImage image;
        Tab()->Render(image);
    }
};

TEST_F(LayerStripTest, TabWidthsAreTheFontsMeasuredWidthsAndHitTestFollowsThem)
{
    MakeLayers({L"A", L"Longer name", L"iii"});
    Measure();
    CQtDC dc;
    QImage surface(10, 10, QImage::Format_RGB32);
    CQtDC measure(&surface);
    measure.SelectObject(Tab()->GetTabFont());
    const std::vector<int>& widths = Tab()->GetTabWidths();
    ASSERT_EQ(widths.size(), 3u);
    const wchar_t* names[] = {L"A", L"Longer name", L"iii"};
    for (int k = 0; k < 3; ++k)
        EXPECT_EQ(widths[static_cast<size_t>(k)], measure.GetTextExtent(CString(names[k])).cx + 6) << k;
    const int s = (Tab()->GetTabHeight() - 1) / 2;
    int x = CQvWndTab::kTabStart;
    for (int k = 0; k < 3; ++k) {
        const int w = widths[static_cast<size_t>(k)];
        EXPECT_EQ(Tab()->HitTestTab(x + s - 1), k) << "left end of tab " << k;
        EXPECT_EQ(Tab()->HitTestTab(x + s + w / 2), k) << "middle of tab " << k;
        x += s + w;
    }
    EXPECT_EQ(Tab()->HitTestTab(CQvWndTab::kTabStart - 1), -1);
    EXPECT_EQ(Tab()->HitTestTab(x + s + 100), -1);
}

TEST_F(LayerStripTest, ScrollingRightStopsAtTheLastTabAndNotWhenAllFit)
{
    MakeLayers({L"A", L"B", L"C", L"D"});
    Measure();
    Tab()->SetTabRoom(10000);
    EXPECT_FALSE(Tab()->ScrollTabsRight()) << "all tabs fit";
    Tab()->SetTabRoom(20);
    int moves = 0;
    while (Tab()->ScrollTabsRight()) ++moves;
    EXPECT_EQ(moves, 3);
    EXPECT_EQ(Tab()->GetFirstVisibleTab(), 3);
    while (Tab()->ScrollTabsLeft()) --moves;
    EXPECT_EQ(Tab()->GetFirstVisibleTab(), 0);
}

TEST_F(LayerStripTest, AddAndDeleteButtons)
{
    MakeLayers({L"A"});
    QWidget* strip = Tab()->GetWidget();
    auto centre = [](int button) {
        const RECT r = CQvWndTab::ButtonRect(button);
        return QPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    };
    QTest::mouseClick(strip, Qt::LeftButton, Qt::NoModifier, centre(CQvWndTab::kAdd));
    ASSERT_EQ(m_db->GetLayerCnt(), 2);
    EXPECT_EQ(m_db->GetLayer(1)->GetName(), CString(L"Page1"));
    EXPECT_EQ(m_bar->GetCurLayerIndex(), 1) << "made current at once";
    EXPECT_EQ(m_db->GetLayer(1)->IsVisible(), 1);
    QTest::mouseClick(strip, Qt::LeftButton, Qt::NoModifier, centre(CQvWndTab::kDelete));
    EXPECT_EQ(m_db->GetLayerCnt(), 1);
    QTest::mouseClick(strip, Qt::LeftButton, Qt::NoModifier, centre(CQvWndTab::kDelete));
    EXPECT_EQ(m_db->GetLayerCnt(), 1) << "the last layer stays";
}

TEST_F(LayerStripTest, HoverRaisesAndPressSinksAButtonByPixel)
{
    QWidget* strip = Tab()->GetWidget();
    const RECT r = CQvWndTab::ButtonRect(CQvWndTab::kShowAll);
    auto pixel = [this](int x, int y) {
        QImage image;
        Tab()->Render(image);
        return image.pixel(x, y) & 0xFFFFFFu;
    };
    const QRgb face = pixel(r.left, r.top);
    QTest::mouseMove(strip, QPoint(r.left + 5, r.top + 5));
    QMouseEvent move(QEvent::MouseMove, QPointF(r.left + 5, r.top + 5), QPointF(strip->mapToGlobal(QPoint(r.left + 5, r.top + 5))),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(strip, &move);
    EXPECT_EQ(Tab()->GetButtonLook(CQvWndTab::kShowAll), CQvWndTab::kRaised);
    EXPECT_EQ(strip->toolTip().toStdWString(), std::wstring(AfxLoadString(korvel::IDS_LAYER_SHOW_ALL).GetString()));
    EXPECT_EQ(pixel(r.left, r.top + 5), 0xFFFFFFu) << "raised: light left edge";
    EXPECT_EQ(pixel(r.right - 1, r.top + 5), 0xA0A0A0u) << "raised: dark right edge";
    (void)face;
    const RECT sc = CQvWndTab::ButtonRect(CQvWndTab::kScrollRight);
    QTest::mousePress(strip, Qt::LeftButton, Qt::NoModifier, QPoint(sc.left + 5, sc.top + 5));
    EXPECT_EQ(Tab()->GetButtonLook(CQvWndTab::kScrollRight), CQvWndTab::kSunken);
    EXPECT_EQ(pixel(sc.left, sc.top + 5), 0xA0A0A0u) << "sunken: dark left edge";
    QTest::mouseRelease(strip, Qt::LeftButton, Qt::NoModifier, QPoint(sc.left + 5, sc.top + 5));
    Tab()->CursorLeft();
    Tab()->OnTimer(CQvWndTab::kHoverTimer);
    EXPECT_EQ(Tab()->GetButtonLook(CQvWndTab::kScrollRight), CQvWndTab::kFlat);
    EXPECT_EQ(Tab()->GetHoveredButton(), -1);
}

TEST_F(LayerStripTest, ButtonsWorkOnlyWhileNoApplicationCommandRuns)
{
    MakeLayers({L"A"});
    gGetRelayon()->RunAppCmd(korvel::ID_VIEW_PAN, 0);
    ASSERT_EQ(gGetRelayon()->CurCmdFlag(), 1);
    Frame()->UpdateCommandActions();
    EXPECT_FALSE(Tab()->AreButtonsEnabled());
    const RECT add = CQvWndTab::ButtonRect(CQvWndTab::kAdd);
    QTest::mouseClick(Tab()->GetWidget(), Qt::LeftButton, Qt::NoModifier, QPoint(add.left + 5, add.top + 5));
    EXPECT_EQ(m_db->GetLayerCnt(), 1) << "a disabled button does nothing";
    gGetRelayon()->CancelCurCmd();
    Frame()->UpdateCommandActions();
    EXPECT_TRUE(Tab()->AreButtonsEnabled());
    QTest::mouseClick(Tab()->GetWidget(), Qt::LeftButton, Qt::NoModifier, QPoint(add.left + 5, add.top + 5));
    EXPECT_EQ(m_db->GetLayerCnt(), 2);
}

TEST_F(LayerStripTest, StoredHiddenValueCollapsesTheStripAndToggleShowsFifteenPixels)
{
    // What the frame does with a stored value of 1 once its bars exist.
    m_bar->SetTabHidden(1);
    m_bar->SetTabHidden(m_bar->IsTabVisible() ? 1 : 0);
    m_bar->ToggleTab();
    EXPECT_FALSE(m_bar->IsTabVisible());
    EXPECT_EQ(Tab()->GetTabHeight(), 0);
    RECT client{0, 0, 0, 0};
    m_bar->GetClientRect(&client);
    EXPECT_EQ(Tab()->GetWidget()->height(), 0);
    EXPECT_EQ(View()->GetWidget()->height(), client.bottom - client.top) << "the view takes the whole client area";
    m_bar->ToggleTab();
    EXPECT_TRUE(m_bar->IsTabVisible());
    EXPECT_EQ(Tab()->GetTabHeight(), 15);
    EXPECT_EQ(Tab()->GetWidget()->height(), 15);
    EXPECT_EQ(View()->GetWidget()->height(), client.bottom - client.top - 15);
}

TEST_F(LayerStripTest, ScrollRangeFollowsThePageWidth)
{
    struct Row {
        double width;
        int min, max;
    };
    for (const Row& row : {Row{20000, -25000, 25000}, Row{100, -200, 200}, Row{100.9, -200, 200}, Row{0, 0, 0}}) {
        int lo = 1, hi = -1;
        CQvWndTab::ScrollRangeFor(row.width, &lo, &hi);
        EXPECT_EQ(lo, row.min) << row.width;
        EXPECT_EQ(hi, row.max) << row.width;
    }
    int lo = 0, hi = 0;
    Tab()->GetScrollBar().GetScrollRange(&lo, &hi);
    EXPECT_LT(lo, 0) << "the bar of the running program has the page's range";
    EXPECT_EQ(hi, -lo);
}

TEST_F(LayerStripTest, ScrollBarPansTheViewOnlyWhenItMoves)
{
    CScrollBar& bar = Tab()->GetScrollBar();
    ASSERT_NE(bar.GetSafeHwnd(), nullptr);
    bar.SetScrollRange(-200, 200);
    CLooker* looker = gGetLooker();
    auto left = [looker] {
        BOX3<double> box;
        looker->GetViewBox3D(&box);
        return box.xmin;
    };
    bar.SetScrollPos(-200);
    const double before = left();
    bar.Notify(SB_LINELEFT, 0);
    EXPECT_DOUBLE_EQ(left(), before) << "line left at the left end";
    EXPECT_EQ(bar.GetScrollPos(), -200);

    bar.SetScrollPos(0);
    bar.Notify(SB_THUMBTRACK, 50);
    EXPECT_DOUBLE_EQ(left(), before) << "dragging the thumb";
    EXPECT_EQ(bar.GetScrollPos(), 0);
    bar.Notify(SB_THUMBPOSITION, 50);
    EXPECT_EQ(bar.GetScrollPos(), 50);
    EXPECT_NEAR(std::fabs(left() - before), 50.0, 1e-6) << "released: panned by p - t";

    const double beforeLine = left();
    bar.Notify(SB_LINERIGHT, 0);
    EXPECT_GT(bar.GetScrollPos(), 50);
    EXPECT_NE(left(), beforeLine);
}

TEST_F(LayerStripTest, CommandConfigKeepsTheTwoValues)
{
    m_bar->SetTabHidden(1);
    ASSERT_TRUE(Frame()->WriteCommandConfig(gGetRelayon()));
    m_bar->SetTabHidden(0);
    Frame()->ReadCommandConfig(gGetRelayon(), TRUE);
    EXPECT_FALSE(m_bar->IsTabVisible());
    EXPECT_EQ(m_bar->GetReservedState(), 1);
    const std::vector<unsigned char> bytes = ReadBytes(CMainFrame::CommandConfigPath().ToUtf8());
    ASSERT_GE(bytes.size(), 8u);
    EXPECT_EQ(std::vector<unsigned char>(bytes.begin(), bytes.begin() + 8),
              (std::vector<unsigned char>{1, 0, 0, 0, 1, 0, 0, 0}));
}

TEST_F(LayerStripTest, NamesFollowTheDatabaseWhateverChangedIt)
{
    MakeLayers({L"A", L"B"});
    m_db->AddLayer(new CLayer(CString(L"C")));  // behind the bar's back
    EXPECT_EQ(Names(), (std::vector<std::wstring>{L"A", L"B", L"C"}));
    QImage image;
    Tab()->Render(image);
    EXPECT_EQ(Tab()->GetTabWidths().size(), 3u);
    delete m_db->RemoveLayerAt(0);
    Tab()->Render(image);
    EXPECT_EQ(Tab()->GetTabWidths().size(), 2u);
    EXPECT_EQ(m_bar->SetCurrentLayer(2), -1);
}

TEST_F(LayerStripTest, EditLayersButtonOpensTheManagerPage)
{
    MakeLayers({L"A", L"B"});
    const RECT r = CQvWndTab::ButtonRect(CQvWndTab::kEditLayers);
    QTest::mouseClick(Tab()->GetWidget(), Qt::LeftButton, Qt::NoModifier, QPoint(r.left + 5, r.top + 5));
    auto* cmd = dynamic_cast<CLayerManageCmd*>(gGetRelayon()->GetMainCmd(korvel::ID_LAYER_MANAGE));
    ASSERT_NE(cmd, nullptr);
    EXPECT_TRUE(cmd->IsRunning());
    auto* page = dynamic_cast<CDlgLayerManager*>(cmd->GetCmdDlg());
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(gGetPaneDCenter()->GetCommandPage(), page);
    EXPECT_EQ(page->GetList().GetItemCount(), 2);
    cmd->Cancel();
    EXPECT_EQ(gGetPaneDCenter()->GetCommandPage(), nullptr);
}

// --- The layer manager ------------------------------------------------------

class LayerManagerTest : public LayerCommandTest {
protected:
    CDlgLayerManager* Open()
    {
        EXPECT_EQ(Run(CLayerManageCmd::kEdit), 1);
        auto* page = dynamic_cast<CDlgLayerManager*>(Cmd()->GetCmdDlg());
        if (page != nullptr) {
            page->GetWidget()->resize(400, 400);
            page->GetList().GetWidget()->resize(300, 300);
            QApplication::processEvents();
        }
        return page;
    }
    QPoint Cell(CDlgLayerManager* page, int row, int column)
    {
        CQvLayerList& list = page->GetList();
        RECT r{0, 0, 0, 0};
        list.GetItemRect(row, &r);
        const int left = list.ColumnLeft(row, column);
        return QPoint(left + list.GetColumnWidth(column) / 2, (r.top + r.bottom) / 2);
    }
    void ClickCell(CDlgLayerManager* page, int row, int column)
    {
        auto* tree = qobject_cast<QTreeWidget*>(page->GetList().GetWidget());
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::NoModifier, Cell(page, row, column));
    }
};

TEST_F(LayerManagerTest, CellClicksActAtOnce)
{
    MakeLayers({L"A", L"B"});
    CDlgLayerManager* page = Open();
    ASSERT_NE(page, nullptr);
    ASSERT_EQ(page->GetList().GetItemCount(), 2);
    EXPECT_EQ(m_bar->GetSingleLayerMode(), 0);

    ClickCell(page, 1, CQvLayerList::kLock);
    EXPECT_EQ(m_db->GetLayer(1)->IsLocked(), 1) << "column 3 locks";
    ClickCell(page, 1, CQvLayerList::kVisible);
    EXPECT_EQ(m_db->GetLayer(1)->IsVisible(), 1) << "column 4 shows";
    m_prompt.m_colours.push_back(RGB(10, 20, 30));
    ClickCell(page, 1, CQvLayerList::kColour);
    EXPECT_EQ(m_db->GetLayer(1)->GetColor(), RGB(10, 20, 30)) << "column 5 colour";
    ClickCell(page, 0, CQvLayerList::kColour);
    EXPECT_EQ(m_prompt.m_nColourDialogs, 2);
    EXPECT_EQ(m_db->GetLayer(0)->GetColor(), RGB(255, 255, 255)) << "cancelled colour keeps the colour";

    const size_t shown = m_prompt.m_messages.size();
    ClickCell(page, 0, CQvLayerList::kLock);
    ASSERT_EQ(m_prompt.m_messages.size(), shown + 1);
    EXPECT_EQ(m_prompt.m_messages.back(), AfxLoadString(korvel::IDS_LAYER_CURRENT_REFUSED));
    EXPECT_EQ(m_db->GetLayer(0)->IsLocked(), 0);

    m_prompt.m_answers.push_back(IDNO);
    ClickCell(page, 1, CQvLayerList::kCurrent);
    EXPECT_EQ(m_bar->GetCurLayerIndex(), 0) << "answered no";
    m_prompt.m_answers.push_back(IDYES);
    ClickCell(page, 1, CQvLayerList::kCurrent);
    EXPECT_EQ(m_bar->GetCurLayerIndex(), 1) << "column 1 makes current";
    EXPECT_EQ(page->GetList().GetRow(1)->current, 1);
    EXPECT_EQ(page->GetList().GetRow(0)->current, 0);
}

TEST_F(LayerManagerTest, InPlaceRenameCommitsOnEnterCancelsOnEscapeAndRefusesDuplicates)
{
    MakeLayers({L"A", L"B"});
    CDlgLayerManager* page = Open();
    ASSERT_NE(page, nullptr);
    struct Row {
        const char* name;
        const wchar_t* typed;
        Qt::Key key;
        const wchar_t* after;
    };
    const Row rows[] = {{"escape", L"X", Qt::Key_Escape, L"A"},
                        {"enter", L"Renamed", Qt::Key_Return, L"Renamed"},
                        {"duplicate", L"B", Qt::Key_Return, L"Renamed"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ClickCell(page, 0, CQvLayerList::kName);
        CListCellEdit* edit = page->GetList().GetEditor();
        ASSERT_NE(edit, nullptr);
        // The editor lies over the clicked cell, below the header.
        auto* tree = qobject_cast<QTreeWidget*>(page->GetList().GetWidget());
        const QPoint cellCentre = tree->viewport()->mapTo(tree, Cell(page, 0, CQvLayerList::kName));
        EXPECT_TRUE(edit->GetWidget()->geometry().contains(cellCentre));
        edit->SetWindowText(row.typed);
        QTest::keyClick(edit->GetWidget(), row.key);
        QApplication::processEvents();
        EXPECT_EQ(m_db->GetLayer(0)->GetName(), CString(row.after));
    }
    EXPECT_EQ(m_prompt.m_messages.back(), AfxLoadString(korvel::IDS_LAYER_NAME_USED));

    // Typing a long name widens the editor up to the list's right edge.
    ClickCell(page, 1, CQvLayerList::kName);
    CListCellEdit* edit = page->GetList().GetEditor();
    ASSERT_NE(edit, nullptr);
    const int before = edit->GetWidget()->width();
    QTest::keyClicks(edit->GetWidget(), QStringLiteral("a rather long layer name for this narrow column"));
    EXPECT_GT(edit->GetWidget()->width(), before);
    EXPECT_LE(edit->GetWidget()->geometry().right(), page->GetList().GetWidget()->width());
    QTest::keyClick(edit->GetWidget(), Qt::Key_Escape);
}

TEST_F(LayerManagerTest, AddButtonAppendsAHiddenRowThatIsNotCurrent)
{
    MakeLayers({L"A"});
    CDlgLayerManager* page = Open();
    ASSERT_NE(page, nullptr);
    CBitmapButton& add = page->GetButton(CDlgLayerManager::kAdd);
    EXPECT_TRUE(CBitmapButton::HasBitmap(add.GetUpName()));
    EXPECT_TRUE(CBitmapButton::HasBitmap(add.GetDownName()));
    QTest::mouseClick(add.GetWidget(), Qt::LeftButton);
    ASSERT_EQ(page->GetList().GetItemCount(), 2);
    EXPECT_EQ(page->GetList().GetItemText(1, CQvLayerList::kName), CString(L"Page1"));
    EXPECT_EQ(page->GetList().GetRow(1)->visible, 0);
    EXPECT_EQ(page->GetList().GetRow(1)->current, 0);
    EXPECT_EQ(m_bar->GetCurLayerIndex(), 0);
}

TEST_F(LayerManagerTest, DeleteWithNoRowClickedAsksThenDoesNothing)
{
    MakeLayers({L"A", L"B"});
    CDlgLayerManager* page = Open();
    ASSERT_NE(page, nullptr);
    m_prompt.m_answers.push_back(IDYES);
    page->SendMessage(WM_COMMAND, CDlgLayerManager::kDelete, 0);
    EXPECT_EQ(m_db->GetLayerCnt(), 2);
    EXPECT_EQ(page->GetList().GetItemCount(), 2);
}

TEST_F(LayerManagerTest, DeletingTheCurrentRowTakesTheBarsCurrentLayer)
{
    MakeLayers({L"A", L"B", L"C"});
    m_bar->SetCurrentLayer(2);
    CDlgLayerManager* page = Open();
    ASSERT_NE(page, nullptr);
    ClickCell(page, 2, CQvLayerList::kCount);
    m_prompt.m_answers.push_back(IDYES);
    page->SendMessage(WM_COMMAND, CDlgLayerManager::kDelete, 0);
    ASSERT_EQ(page->GetList().GetItemCount(), 2);
    EXPECT_EQ(m_bar->GetCurLayerIndex(), 1);
    EXPECT_EQ(page->GetList().GetRow(1)->current, 1) << "the mark follows the bar, not row 0";
    EXPECT_EQ(page->GetList().GetRow(0)->current, 0);
    EXPECT_EQ(page->GetList().GetRow(1)->visible, 1) << "the new current layer was made visible";
}

TEST_F(LayerManagerTest, UndoOfADeletionShowsInTheOpenManagerAndTheStrip)
{
    MakeLayers({L"A", L"B", L"C"});
    AddOn(1);
    CDlgLayerManager* page = Open();
    ASSERT_NE(page, nullptr);
    ClickCell(page, 1, CQvLayerList::kCount);
    m_prompt.m_answers.push_back(IDYES);
    page->SendMessage(WM_COMMAND, CDlgLayerManager::kDelete, 0);
    ASSERT_EQ(page->GetList().GetItemCount(), 2);
    View()->SendMessage(WM_COMMAND, ID_EDIT_UNDO, 0);
    ASSERT_EQ(page->GetList().GetItemCount(), 3);
    EXPECT_EQ(page->GetList().GetItemText(1, CQvLayerList::kName), CString(L"B"));
    EXPECT_EQ(page->GetList().GetItemText(1, CQvLayerList::kCount), CString(L"1"));
    QImage image;
    m_bar->GetTab()->Render(image);
    EXPECT_EQ(m_bar->GetTab()->GetTabWidths().size(), 3u);
}

TEST_F(LayerManagerTest, ClosingSetsSingleLayerModeFromTheVisibleLayers)
{
    struct Row {
        const char* name;
        int visibleSecond;
        int mode;
    };
    for (const Row& row : {Row{"two visible", 1, 0}, Row{"one visible", 0, 1}}) {
        SCOPED_TRACE(row.name);
        MakeLayers({L"A", L"B"});
        CDlgLayerManager* page = Open();
        ASSERT_NE(page, nullptr);
        if (row.visibleSecond) m_db->GetLayer(1)->SetVisible();
        else m_db->GetLayer(1)->SetInVisible();
        page->SendMessage(WM_COMMAND, CDlgLayerManager::kClose, 0);
        EXPECT_EQ(m_bar->GetSingleLayerMode(), row.mode);
        EXPECT_FALSE(Cmd()->IsRunning());
        while (m_db->GetLayerCnt() > 1) delete m_db->RemoveLayerAt(1);
    }
}

}  // namespace
