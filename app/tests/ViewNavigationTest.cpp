// Moving around the drawing in 2D: mouse, wheel, keys and the scroll bar reach
// the command hub; the view commands pan, zoom and animate through timer 3.
#include "ViewInput.h"

#include "app/KorvelIds.h"
#include "app/ViewCmds.h"
#include "framework/command/GenericCmd.h"
#include "framework/db/DbCurve.h"
#include "framework/looker/AppSlots.h"
#include "framework/looker/Looker.h"
#include "framework/looker/QVGlobal.h"
#include "framework/looker/WorkArea.h"
#include "framework/relayon/DBase.h"
#include "framework/relayon/Relayon.h"
#include "framework/relayon/Selector.h"
#include "geometry/shapes2d/GeLine.h"
#include "platform/ui/CmdUI.h"
#include "platform/ui/Input.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QTest>
#include <QWheelEvent>
#include <QWidget>

#include <climits>
#include <cmath>
#include <string>
#include <vector>

using namespace korvel_test;

namespace {

// Records every mouse operation the hub hands it.
class RecordingCmd : public CCommand {
public:
    struct Event {
        std::string kind;
        UINT flags;
        Position pos;
    };
    static constexpr UINT kId = 40001;
    RecordingCmd() : CCommand(1, L"recorder", 0) { SetID(kId); }
    int OnLButtonDown(UINT f, Position& p) override { return Note("ldown", f, p); }
    int OnLButtonUp(UINT f, Position& p) override { return Note("lup", f, p); }
    int OnLButtonDblClk(UINT f, Position& p) override { return Note("ldbl", f, p); }
    int OnRButtonDown(UINT f, Position& p) override { return Note("rdown", f, p); }
    int OnRButtonUp(UINT f, Position& p) override { return Note("rup", f, p); }
    int OnRButtonDblClk(UINT f, Position& p) override { return Note("rdbl", f, p); }
    int OnMouseMove(UINT f, Position& p) override { return Note("move", f, p); }
    std::vector<Event> m_events;

private:
    int Note(const char* kind, UINT flags, Position& pos)
    {
        m_events.push_back(Event{kind, flags, pos});
        return 1;
    }
};

class ViewNavigationTest : public ViewInputTest {
protected:
    void StartView()
    {
        ViewInputTest::StartView();
        if (HasFatalFailure()) return;
        m_view = View();
        m_looker = gGetLooker();
        m_hub = gGetRelayon();
        ASSERT_NE(m_looker, nullptr);
        ASSERT_NE(m_hub, nullptr);
        m_looker->UpdateViewRect();
        m_view->RedrawScreen();  // measures a frame rate, so that changes animate
        ASSERT_GE(m_view->GetFrameRate(), 5);
        gGetQVGlobal()->m_bViewAnimation = TRUE;
    }

    void AddLines()
    {
        const double pts[][4] = {{10, 10, 120, 40}, {30, 200, 160, 250}, {-40, 60, 20, 90}};
        for (const auto& p : pts) {
            const double a[2] = {p[0], p[1]}, b[2] = {p[2], p[3]};
            CDBase::Instance()->AddTail(new CDbCurve(new CGeLine(a, b)));
        }
    }

    // Runs a view command as its menu item does.
    void Menu(UINT id)
    {
        Frame()->SendMessage(WM_COMMAND, id, 0);
        // The ticks are sent by hand below.
        Frame()->KillTimer(korvel::kTimerViewCommand);
    }

    void Tick(UINT_PTR id = korvel::kTimerViewCommand) { Frame()->SendMessage(WM_TIMER, id, 0); }

    CViewPara Para() const
    {
        CViewPara p;
        m_looker->GetViewPara(&p);
        return p;
    }

    // Where the world point shows now (unrounded pixel).
    QPointF PixelOf(double x, double y) const
    {
        const double w[2] = {x, y};
        double p[2];
        m_looker->WorldtoScreen2D(w, p);
        return {p[0], p[1]};
    }

    void Wheel(QPoint at, int delta, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QWheelEvent event(QPointF(at), QPointF(m_widget->mapToGlobal(at)), QPoint(), QPoint(0, delta), Qt::NoButton,
                          modifiers, Qt::NoScrollPhase, false);
        QApplication::sendEvent(m_widget, &event);
    }

    CKorvelView* m_view = nullptr;
    CLooker* m_looker = nullptr;
    CRelayon* m_hub = nullptr;
};

bool SamePara(const CViewPara& a, const CViewPara& b)
{
    return a.m_org[0] == b.m_org[0] && a.m_org[1] == b.m_org[1] && a.m_center[0] == b.m_center[0] &&
           a.m_center[1] == b.m_center[1] && a.m_dScale == b.m_dScale;
}

TEST_F(ViewNavigationTest, MouseEventsReachTheRunningCommandWithTheirWorldPointAndFlags)
{
    StartView();
    auto* recorder = new RecordingCmd;
    ASSERT_TRUE(m_hub->RegAppCmd(recorder));
    ASSERT_EQ(m_hub->RunAppCmd(RecordingCmd::kId, 0), 1);
    m_looker->SetScale(3.7);

    struct Row {
        const char* kind;
        QPoint at;
        Qt::KeyboardModifiers modifiers;
        UINT flags;  // MK bits that must be set
    };
    const Row rows[] = {
        {"ldown", {101, 203}, Qt::ShiftModifier, MK_LBUTTON | MK_SHIFT},
        {"lup", {101, 203}, Qt::ShiftModifier, MK_SHIFT},
        {"ldbl", {150, 77}, Qt::ControlModifier, MK_LBUTTON | MK_CONTROL},
        {"rdown", {333, 444}, Qt::NoModifier, MK_RBUTTON},
        {"rup", {333, 444}, Qt::NoModifier, 0},
        {"rdbl", {12, 13}, Qt::NoModifier, MK_RBUTTON},
        {"move", {401, 302}, Qt::NoModifier, 0},
    };
    for (const Row& row : rows) {
        recorder->m_events.clear();
        const std::string kind = row.kind;
        const Qt::MouseButton button = kind[0] == 'r' ? Qt::RightButton : Qt::LeftButton;
        if (kind == "ldown" || kind == "rdown") QTest::mousePress(m_widget, button, row.modifiers, row.at);
        else if (kind == "lup" || kind == "rup") QTest::mouseRelease(m_widget, button, row.modifiers, row.at);
        else if (kind == "ldbl" || kind == "rdbl") QTest::mouseDClick(m_widget, button, row.modifiers, row.at);
        else Move(row.at);
        const RecordingCmd::Event* found = nullptr;
        for (const auto& e : recorder->m_events)
            if (e.kind == kind) found = &e;
        ASSERT_NE(found, nullptr) << kind;
        EXPECT_EQ(found->flags & row.flags, row.flags) << kind;
        EXPECT_EQ(found->pos.m_ptScreen, CPoint(row.at.x(), row.at.y())) << kind;
        const QPointF back = PixelOf(found->pos.x, found->pos.y);
        EXPECT_NEAR(back.x(), row.at.x(), 0.5) << kind;
        EXPECT_NEAR(back.y(), row.at.y(), 0.5) << kind;
    }
}

TEST_F(ViewNavigationTest, MouseMoveShowsTheCursorInTheStatusBarInTheCurrentUnit)
{
    StartView();
    m_looker->SetScale(2.0);
    CQVStatusBar& bar = Frame()->GetStatusBar();
    struct Row {
        int unit;
        const wchar_t* format;
    };
    for (const Row& row : {Row{kUnitMillimetre, L"%0.3f"}, Row{kUnitInch, L"%0.4f"}}) {
        gGetQVGlobal()->m_nUnit = row.unit;
        Move(QPoint(250, 180));
        const Position& pos = m_view->GetLastPosition();
        CString x, y;
        x.Format((std::wstring(L"x ") + row.format).c_str(), MM2CUR(pos.x));
        y.Format((std::wstring(L"y ") + row.format).c_str(), MM2CUR(pos.y));
        EXPECT_EQ(bar.GetPaneText(1), x) << row.unit;
        EXPECT_EQ(bar.GetPaneText(2), y) << row.unit;
        EXPECT_EQ(bar.GetPaneText(3), CString(L"")) << "no z in 2D";
    }
    EXPECT_EQ(Frame()->GetHorzRuler().GetMouseMark(), 250 + Frame()->GetHorzRuler().m_nOffset);
    EXPECT_EQ(Frame()->GetVertRuler().GetMouseMark(), 180);
}

TEST_F(ViewNavigationTest, WheelZoomsAboutTheLastMousePositionAndPansWithShiftOrCtrl)
{
    StartView();
    m_looker->SetScale(1.5);
    const QPoint at(610, 95);
    Move(at);
    const Position under = m_view->GetLastPosition();
    const double s = m_looker->GetScale();
    Wheel(at, -120);  // towards the user
    EXPECT_DOUBLE_EQ(m_looker->GetScale(), s * 1.2);
    QPointF p = PixelOf(under.x, under.y);
    EXPECT_NEAR(p.x(), at.x(), 0.5);
    EXPECT_NEAR(p.y(), at.y(), 0.5);
    Wheel(at, 120);
    EXPECT_DOUBLE_EQ(m_looker->GetScale(), s);
    p = PixelOf(under.x, under.y);
    EXPECT_NEAR(p.x(), at.x(), 0.5);
    EXPECT_NEAR(p.y(), at.y(), 0.5);

    struct Row {
        Qt::KeyboardModifiers modifiers;
        int delta;
        double dx, dy;  // in tenths of the view's width and height
    };
    for (const Row& row : {Row{Qt::ShiftModifier, -120, 1, 0}, Row{Qt::ShiftModifier, 120, -1, 0},
                           Row{Qt::ControlModifier, -120, 0, 1}, Row{Qt::ControlModifier, 120, 0, -1}}) {
        const BOX2<double> before = m_looker->GetViewBox();
        const double w = before.xmax - before.xmin, h = before.ymax - before.ymin;
        Wheel(at, row.delta, row.modifiers);
        const BOX2<double> after = m_looker->GetViewBox();
        EXPECT_NEAR(after.xmin - before.xmin, row.dx * w / 10, 1e-5 * w) << row.delta;
        EXPECT_NEAR(after.ymin - before.ymin, row.dy * h / 10, 1e-5 * h) << row.delta;
        EXPECT_DOUBLE_EQ(m_looker->GetScale(), s) << "panning keeps the scale";
    }
}

TEST_F(ViewNavigationTest, PageKeysZoomAndGuardTheSmallestScale)
{
    StartView();
    m_looker->SetScale(2.0);
    QTest::keyClick(m_widget, Qt::Key_PageUp);
    EXPECT_DOUBLE_EQ(m_looker->GetScale(), static_cast<double>(2.0f * 0.618f));
    QTest::keyClick(m_widget, Qt::Key_PageDown);
    EXPECT_NEAR(m_looker->GetScale(), 2.0, 1e-6);
    m_looker->SetScale(1.5e-6);  // below 1e-6 / 0.618
    QTest::keyClick(m_widget, Qt::Key_PageUp);
    EXPECT_EQ(m_looker->GetScale(), 1.0);
}

TEST_F(ViewNavigationTest, ScrollBarThumbTrackingDoesNothingThumbPositionMoves)
{
    StartView();
    m_view->SetScrollRange(SB_VERT, 0, 100, FALSE);
    m_view->SetScrollPos(SB_VERT, 10, FALSE);
    m_looker->SetScale(2.0);
    const CViewPara before = Para();
    m_view->SendMessage(WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 50), 0);
    EXPECT_TRUE(SamePara(Para(), before));
    EXPECT_EQ(m_view->GetScrollPos(SB_VERT), 10);
    m_view->SendMessage(WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 50), 0);
    EXPECT_EQ(m_view->GetScrollPos(SB_VERT), 50);
    EXPECT_NEAR(Para().m_org[1], before.m_org[1] - 40.0, 1e-9) << "the picture moves by the thumb's 40";
    EXPECT_EQ(Para().m_org[0], before.m_org[0]);
}

TEST_F(ViewNavigationTest, PanKeepsTheGrabbedPointUnderTheCursor)
{
    StartView();
    m_looker->SetScale(2.37);
    Menu(korvel::ID_VIEW_PAN);
    ASSERT_NE(m_hub->GetCurCmd(), nullptr);
    ASSERT_EQ(m_hub->GetCurCmd()->GetID(), korvel::ID_VIEW_PAN);
    QPoint at(300, 300);
    QTest::mousePress(m_widget, Qt::LeftButton, Qt::NoModifier, at);
    const Position grabbed = m_view->GetLastPosition();
    const QPoint steps[] = {{7, 3}, {13, -9}, {-4, 21}, {30, 30}, {-50, 5}};
    for (const QPoint& step : steps) {
        at += step;
        Move(at);
        const QPointF p = PixelOf(grabbed.x, grabbed.y);
        EXPECT_NEAR(p.x(), at.x(), 1.0) << at.x() << "," << at.y();
        EXPECT_NEAR(p.y(), at.y(), 1.0) << at.x() << "," << at.y();
    }
    const CViewPara held = Para();
    Move(at + QPoint(2, -2));
    EXPECT_TRUE(SamePara(Para(), held)) << "moves under 3 pixels are ignored";
    QTest::mouseRelease(m_widget, Qt::LeftButton, Qt::NoModifier, at);
    EXPECT_NE(m_hub->GetCurCmd(), nullptr) << "the left button leaves the pan running";
    QTest::mouseClick(m_widget, Qt::RightButton, Qt::NoModifier, at);
    EXPECT_EQ(m_hub->GetCurCmd(), nullptr) << "the right button ends it";
}

TEST_F(ViewNavigationTest, MiddleButtonPansDuringAnotherCommandAndEndsOnRelease)
{
    StartView();
    auto* recorder = new RecordingCmd;
    ASSERT_TRUE(m_hub->RegAppCmd(recorder));
    ASSERT_EQ(m_hub->RunAppCmd(RecordingCmd::kId, 0), 1);
    QPoint at(200, 200);
    QTest::mousePress(m_widget, Qt::MiddleButton, Qt::NoModifier, at);
    ASSERT_NE(m_hub->GetCurCmd(), nullptr);
    EXPECT_EQ(m_hub->GetCurCmd()->GetID(), korvel::ID_VIEW_PAN);
    EXPECT_EQ(m_hub->GetCurCmd()->m_nSubCmd, 1);
    const Position grabbed = m_view->GetLastPosition();
    at += QPoint(40, -25);
    Move(at);
    const QPointF p = PixelOf(grabbed.x, grabbed.y);
    EXPECT_NEAR(p.x(), at.x(), 1.0);
    EXPECT_NEAR(p.y(), at.y(), 1.0);
    QTest::mouseRelease(m_widget, Qt::MiddleButton, Qt::NoModifier, at);
    EXPECT_EQ(m_hub->GetCurCmd(), nullptr);
    EXPECT_EQ(CWnd::GetCapture(), nullptr);
}

TEST_F(ViewNavigationTest, AnimatedChangesReachTheirTargetAtTheTwelfthTick)
{
    StartView();
    AddLines();
    BOX2<double> all;
    ASSERT_TRUE(CDBase::Instance()->GetBox2D(&all));
    for (UINT id : {korvel::ID_VIEW_ALL, korvel::ID_VIEW_PAGE}) {
        m_looker->SetScale(0.3);
        m_looker->SetOrgPoint(-500.0, 40.0);
        const CViewPara start = Para();
        Menu(id);
        auto* cmd = dynamic_cast<CViewAnimatedCmd*>(m_hub->GetCurCmd());
        ASSERT_NE(cmd, nullptr) << id;
        const CViewPara target = cmd->GetAnimation().m_target;
        EXPECT_TRUE(SamePara(cmd->GetAnimation().m_start, start)) << id;
        for (int k = 1; k <= 12; ++k) {
            ASSERT_EQ(m_hub->GetCurCmd(), cmd) << id << " tick " << k;
            Tick();
            CViewPara expected;
            CLooker::LerpView(start, target, k * (1.0 / 12.0), expected);
            EXPECT_TRUE(SamePara(Para(), expected)) << id << " tick " << k;
        }
        EXPECT_TRUE(SamePara(Para(), target)) << id;
        EXPECT_EQ(m_hub->GetCurCmd(), nullptr) << id << " ends after the last step";
        // The target shows the whole box, touching the view on one axis.
        const BOX2<double> box = id == korvel::ID_VIEW_ALL ? all : CWorkArea::Instance()->GetPageSize();
        const BOX2<double> view = m_looker->GetViewBox();
        EXPECT_LE(view.xmin, box.xmin + 1e-9) << id;
        EXPECT_GE(view.xmax, box.xmax - 1e-9) << id;
        EXPECT_LE(view.ymin, box.ymin + 1e-9) << id;
        EXPECT_GE(view.ymax, box.ymax - 1e-9) << id;
        const double fx = (box.xmax - box.xmin) / (view.xmax - view.xmin);
        const double fy = (box.ymax - box.ymin) / (view.ymax - view.ymin);
        EXPECT_NEAR(std::max(fx, fy), 1.0, 1e-9) << id;
    }
}

TEST_F(ViewNavigationTest, WithoutAnimationOrAtFourFramesAChangeIsOneJump)
{
    StartView();
    AddLines();
    for (int row = 0; row < 2; ++row) {
        gGetQVGlobal()->m_bViewAnimation = row == 0 ? FALSE : TRUE;
        m_view->m_nFrameRate = row == 0 ? 100 : 4;
        m_looker->SetScale(0.3);
        Menu(korvel::ID_VIEW_ALL);
        auto* cmd = dynamic_cast<CViewAnimatedCmd*>(m_hub->GetCurCmd());
        ASSERT_NE(cmd, nullptr) << row;
        const CViewPara target = cmd->GetAnimation().m_target;
        Tick();
        EXPECT_TRUE(SamePara(Para(), target)) << row;
        EXPECT_EQ(m_hub->GetCurCmd(), nullptr) << row;
    }
}

TEST_F(ViewNavigationTest, PreviousViewAfterShowAllReturnsToTheEarlierView)
{
    StartView();
    AddLines();
    m_looker->SetScale(0.77);
    m_looker->SetOrgPoint(12.5, -3.25);
    const CViewPara earlier = Para();
    Menu(korvel::ID_VIEW_ALL);
    for (int k = 0; k < 12; ++k) Tick();
    ASSERT_FALSE(SamePara(Para(), earlier));
    Menu(korvel::ID_VIEW_PREV);
    ASSERT_NE(m_hub->GetCurCmd(), nullptr);
    for (int k = 0; k < 12; ++k) Tick();
    EXPECT_TRUE(SamePara(Para(), earlier));
    EXPECT_EQ(m_hub->GetCurCmd(), nullptr);
}

TEST_F(ViewNavigationTest, ZoomWindowByClicksOrDragInAnyCornerOrderZoomsAlike)
{
    StartView();
    gGetQVGlobal()->m_bViewAnimation = FALSE;
    m_looker->SetScale(1.25);
    const CViewPara start = Para();
    struct Gesture {
        const char* name;
        bool clicks;
        QPoint a, b;
    };
    const Gesture gestures[] = {{"click, move, click", true, {100, 120}, {340, 260}},
                                {"press, drag, release", false, {100, 120}, {340, 260}},
                                {"drag from the other corner", false, {340, 260}, {100, 120}},
                                {"drag along the other diagonal", false, {100, 260}, {340, 120}}};
    std::vector<CViewPara> results;
    for (const Gesture& g : gestures) {
        m_looker->SetViewPara(start);
        Menu(korvel::ID_VIEW_REGION);
        ASSERT_NE(m_hub->GetCurCmd(), nullptr) << g.name;
        if (g.clicks) {
            QTest::mouseClick(m_widget, Qt::LeftButton, Qt::NoModifier, g.a);
            Move(g.b);
            QTest::mouseClick(m_widget, Qt::LeftButton, Qt::NoModifier, g.b);
        } else {
            QTest::mousePress(m_widget, Qt::LeftButton, Qt::NoModifier, g.a);
            Move((g.a + g.b) / 2);
            Move(g.b);
            QTest::mouseRelease(m_widget, Qt::LeftButton, Qt::NoModifier, g.b);
        }
        Frame()->KillTimer(korvel::kTimerViewCommand);
        Tick();
        EXPECT_FALSE(SamePara(Para(), start)) << g.name;
        results.push_back(Para());
        EXPECT_NE(m_hub->GetCurCmd(), nullptr) << g.name << ": the command waits for the next window";
        m_hub->CancelCurCmd();
    }
    for (size_t i = 1; i < results.size(); ++i)
        EXPECT_TRUE(SamePara(results[i], results[0]))
            << gestures[i].name << " " << results[i].m_org[0] << " " << results[i].m_org[1] << " "
            << results[i].m_dScale << " vs " << results[0].m_org[0] << " " << results[0].m_org[1] << " "
            << results[0].m_dScale;

    // A drag of 20 x 20 pixels is a click: no zoom, the band stays.
    m_looker->SetViewPara(start);
    Menu(korvel::ID_VIEW_REGION);
    auto* region = dynamic_cast<CViewRegionCmd*>(m_hub->GetCurCmd());
    ASSERT_NE(region, nullptr);
    QTest::mousePress(m_widget, Qt::LeftButton, Qt::NoModifier, QPoint(200, 200));
    Move(QPoint(220, 220));
    QTest::mouseRelease(m_widget, Qt::LeftButton, Qt::NoModifier, QPoint(220, 220));
    Tick();
    EXPECT_TRUE(SamePara(Para(), start));
    EXPECT_TRUE(region->HasRubberBand());
    m_hub->CancelCurCmd();
}

TEST_F(ViewNavigationTest, TheRubberBandLeavesTheScreenImageAsItWas)
{
    StartView();
    AddLines();
    m_view->RedrawScreen();
    const QImage before = m_view->GetScreenImage().copy();
    Menu(korvel::ID_VIEW_REGION);
    QTest::mousePress(m_widget, Qt::LeftButton, Qt::NoModifier, QPoint(50, 60));
    for (const QPoint& p : {QPoint(120, 90), QPoint(300, 310), QPoint(90, 400)}) {
        Move(p);
        EXPECT_NE(m_view->GetScreenImage(), before) << "the band shows";
    }
    QTest::mouseClick(m_widget, Qt::RightButton, Qt::NoModifier, QPoint(90, 400));
    EXPECT_EQ(m_hub->GetCurCmd(), nullptr);
    EXPECT_TRUE(m_view->GetScreenImage() == before) << "erased by drawing it again";
}

TEST_F(ViewNavigationTest, EscapeEndsNodeEditTheRunningCommandOrTheSelection)
{
    StartView();
    AddLines();
    m_hub->RunMainCmd(korvel::ID_MAIN_NODE);
    QTest::keyClick(m_widget, Qt::Key_Escape);
    EXPECT_EQ(m_hub->GetCurMainCmd()->GetID(), korvel::ID_MAIN_SELECT) << "node edit returns to select";

    ASSERT_EQ(m_hub->RunAppCmd(korvel::ID_VIEW_PAN, 0), 1);
    QTest::keyClick(m_widget, Qt::Key_Escape);
    EXPECT_EQ(m_hub->GetCurCmd(), nullptr) << "select with a command: the command ends";

    CSelector* selector = gGetSelector();
    selector->Add(CDBase::Instance()->GetEntities().GetHead());
    ASSERT_FALSE(selector->IsEmpty());
    QTest::keyClick(m_widget, Qt::Key_Escape);
    EXPECT_TRUE(selector->IsEmpty()) << "idle select: the selection is cleared";
}

TEST_F(ViewNavigationTest, DoubleClickOnAnEmptyDrawingAsksForAFile)
{
    StartView();
    ASSERT_TRUE(m_prompt.m_fileRequests.empty());
    QTest::mouseDClick(m_widget, Qt::LeftButton, Qt::NoModifier, QPoint(300, 300));
    EXPECT_EQ(m_prompt.m_fileRequests.size(), 1u);
    AddLines();
    QTest::mouseDClick(m_widget, Qt::LeftButton, Qt::NoModifier, QPoint(300, 300));
    EXPECT_EQ(m_prompt.m_fileRequests.size(), 1u) << "with entities the double click goes to select";
}

TEST_F(ViewNavigationTest, AltHAndVRunTheMirrorCommand)
{
    StartView();
    auto* mirror = dynamic_cast<CGenericCmd*>(m_hub->GetCmd(32801));
    ASSERT_NE(mirror, nullptr);
    QTest::keyClick(m_widget, Qt::Key_H, Qt::AltModifier);
    EXPECT_EQ(mirror->GetRunCount(), 1);
    EXPECT_EQ(mirror->GetLastSub(), 0);
    QTest::keyClick(m_widget, Qt::Key_H);
    EXPECT_EQ(mirror->GetRunCount(), 1) << "H alone is not the mirror's key";
    // Alt+V is also the View menu's key, which the menu bar takes first; the
    // command's own table still maps it.
    EXPECT_TRUE(m_hub->TranslateAccel('V', CCommand::kAccelAlt));
    EXPECT_EQ(mirror->GetRunCount(), 2);
    EXPECT_EQ(mirror->GetLastSub(), 1);
}

TEST_F(ViewNavigationTest, ZoomStepsAndDynamicZoom)
{
    StartView();
    m_looker->SetScale(1.7);
    const int stack = m_looker->GetViewStackSize();
    Menu(korvel::ID_VIEW_ZOOM_IN);
    EXPECT_DOUBLE_EQ(m_looker->GetScale(), 1.7 * 1.2);
    EXPECT_EQ(m_hub->GetCurCmd(), nullptr) << "zoom in ends at once";
    Menu(korvel::ID_VIEW_ZOOM_OUT);
    EXPECT_DOUBLE_EQ(m_looker->GetScale(), 1.7) << "x 1.2 then / 1.2";
    EXPECT_EQ(m_looker->GetViewStackSize(), stack + 2) << "each step pushes once";

    // Dynamic zoom: 40 pixels up in 4-pixel steps shrink by 0.98 ten times;
    // 3-pixel moves do nothing; down enlarges.
    Menu(korvel::ID_VIEW_ZOOM_DYN);
    QPoint at(400, 400);
    QTest::mousePress(m_widget, Qt::LeftButton, Qt::NoModifier, at);
    Move(at + QPoint(0, -3));
    EXPECT_DOUBLE_EQ(m_looker->GetScale(), 1.7);
    for (int i = 0; i < 10; ++i) {
        at += QPoint(0, -4);
        Move(at);
    }
    EXPECT_NEAR(m_looker->GetScale(), 1.7 * std::pow(0.98, 10), 1e-12);
    at += QPoint(0, 8);
    Move(at);
    EXPECT_NEAR(m_looker->GetScale(), 1.7 * std::pow(0.98, 10) * 1.02, 1e-12);
    QTest::mouseRelease(m_widget, Qt::LeftButton, Qt::NoModifier, at);
    EXPECT_EQ(CWnd::GetCapture(), nullptr);
}

TEST_F(ViewNavigationTest, PreviousViewItemFollowsTheViewStack)
{
    StartView();
    while (m_looker->PopViewPara()) {
    }
    CTestCmdUI ui;
    ui.m_nID = korvel::ID_VIEW_PREV;
    m_view->OnUpdateViewCommand(&ui);
    EXPECT_FALSE(ui.m_bEnabled) << "empty 2D view stack";
    Menu(korvel::ID_VIEW_ZOOM_IN);
    m_view->OnUpdateViewCommand(&ui);
    EXPECT_TRUE(ui.m_bEnabled);
    ui.m_nID = korvel::ID_VIEW_PAN;
    ASSERT_EQ(m_hub->RunAppCmd(korvel::ID_VIEW_PAN, 0), 1);
    m_view->OnUpdateViewCommand(&ui);
    EXPECT_EQ(ui.m_nCheck, 1) << "checked while it runs";
}

TEST_F(ViewNavigationTest, TimerElevenInTwoDimensionsDisarmsTheDirectionChange)
{
    StartView();
    Frame()->m_nAnimStep = -1;  // armed, as a direction command leaves it
    const int paints = m_view->GetPaintCount();
    m_view->RedrawScreen();
    EXPECT_EQ(m_view->GetPaintCount(), paints) << "paints wait while armed";
    Tick(korvel::kTimerViewAnimation);
    EXPECT_EQ(Frame()->m_nAnimStep, 0);
    m_view->RedrawScreen();
    EXPECT_GT(m_view->GetPaintCount(), paints) << "2D paints go on";
}

TEST_F(ViewNavigationTest, AnAnimationTickWithoutItsObjectsEndsTheCommand)
{
    StartView();
    AddLines();
    Menu(korvel::ID_VIEW_ALL);
    ASSERT_NE(m_hub->GetCurCmd(), nullptr);
    CLooker* looker = gGetLooker();
    gSetLooker(nullptr);
    Tick();
    gSetLooker(looker);
    EXPECT_EQ(m_hub->GetCurCmd(), nullptr);
}

TEST(AutoSavePeriodTest, MinutesAreCappedSoThatThePeriodFitsTheTimer)
{
    EXPECT_EQ(CMainFrame::AutoSavePeriod(10), 600000u);
    // The timer takes a signed 32-bit period: 35791 minutes is the longest that fits.
    EXPECT_EQ(CMainFrame::AutoSavePeriod(35791), 35791u * 60000u);
    EXPECT_EQ(CMainFrame::AutoSavePeriod(35792), 35791u * 60000u) << "35792 minutes overflow 31 bits";
    EXPECT_EQ(CMainFrame::AutoSavePeriod(INT_MAX), 35791u * 60000u);
    EXPECT_EQ(CMainFrame::AutoSavePeriod(0), 60000u);
}

}  // namespace
