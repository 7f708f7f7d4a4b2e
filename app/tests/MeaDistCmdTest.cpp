// The distance and angle measures: the values in their tips, the 45-degree
// constraint, the arc direction, the move threshold, the erase of their previews and
// their state while the area measure runs.
#include "AppFixture.h"

#include "app/MeaAreaCmd.h"
#include "app/MeaDistCmd.h"
#include "framework/looker/AppSlots.h"
#include "framework/looker/Looker.h"
#include "framework/looker/QVGlobal.h"
#include "framework/relayon/Relayon.h"

#include <QImage>

#include <cmath>
#include <numbers>
#include <random>
#include <string>

using namespace korvel_test;

namespace {

// A world point with its pixel on the view.
Position At(double x, double y)
{
    Position p(x, y);
    const double w[2] = {x, y};
    gGetLooker()->WorldtoScreen2D(w, p.m_ptScreen);
    return p;
}

std::string Text(const CDragString* tip) { return tip != nullptr ? tip->GetText().ToUtf8() : std::string(); }

class MeaDistCmdTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        ASSERT_TRUE(Start());
        m_hub = gGetRelayon();
        m_dist = dynamic_cast<CMeaDistCmd*>(m_hub->GetCmd(CMeaDistCmd::kId));
        m_ang = dynamic_cast<CMeaAngCmd*>(m_hub->GetCmd(CMeaAngCmd::kId));
        ASSERT_NE(m_dist, nullptr);
        ASSERT_NE(m_ang, nullptr);
    }

    void Click(CCommand* cmd, Position p, UINT flags = 0) { cmd->OnLButtonDown(flags, p); }
    void Move(CCommand* cmd, Position p, UINT flags = 0) { cmd->OnMouseMove(flags, p); }

    CRelayon* m_hub = nullptr;
    CMeaDistCmd* m_dist = nullptr;
    CMeaAngCmd* m_ang = nullptr;
};

TEST_F(MeaDistCmdTest, DistanceTipShowsLengthAndComponentsInTheUnit)
{
    const struct {
        int unit;
        const char* expected[3];
    } rows[] = {{0, {"50.0000", "30.0000", "40.0000"}}, {1, {"5.0000", "3.0000", "4.0000"}}};
    for (const auto& row : rows) {
        gGetQVGlobal()->m_nUnit = row.unit;
        ASSERT_EQ(m_hub->RunAppCmd(CMeaDistCmd::kId, 0), 1);
        Click(m_dist, At(0, 0));
        Click(m_dist, At(30, 40));
        const std::string text = Text(m_dist->Tip());
        for (const char* value : row.expected) EXPECT_NE(text.find(value), std::string::npos) << text << " unit " << row.unit;
        m_hub->CancelCurCmd();
    }
    gGetQVGlobal()->m_nUnit = 0;
}

TEST_F(MeaDistCmdTest, ShiftConstrainsTheSecondPointButNotTheTip)
{
    ASSERT_EQ(m_hub->RunAppCmd(CMeaDistCmd::kId, 0), 1);
    const Position first = At(0, 0), cursor = At(30, 26);
    Click(m_dist, first);
    Click(m_dist, cursor, CMeaDistCmd::kShift);
    const Position q = GetPosIn45(first, cursor);
    EXPECT_DOUBLE_EQ(m_dist->SecondPoint().x, q.x);
    EXPECT_DOUBLE_EQ(m_dist->SecondPoint().y, q.y);
    EXPECT_NEAR(q.x, q.y, 1e-9) << "nearest direction is 45 degrees";
    EXPECT_NEAR(q.x, (30 + 26) / 2.0, 1e-9) << "projection onto the diagonal";
    ASSERT_NE(m_dist->Tip(), nullptr);
    EXPECT_EQ(m_dist->Tip()->GetRect().left, cursor.m_ptScreen.x + 7);
    EXPECT_EQ(m_dist->Tip()->GetRect().bottom, cursor.m_ptScreen.y - 7);
}

TEST_F(MeaDistCmdTest, AngleAndArcDirectionOfArms)
{
    const double r270 = 3 * std::numbers::pi / 2;
    const struct {
        const char* label;
        double a[2], b[2];
        double angle;
        int direction;
        bool arc;
    } rows[] = {
        {"+x then +y", {10, 0}, {0, 10}, 90, 1, true},
        {"+x then 270 degrees", {10, 0}, {10 * std::cos(r270), 10 * std::sin(r270)}, 90, 0, true},
        {"+x then -x", {10, 0}, {-5, 0}, 180, 0, true},
        {"second arm on the vertex", {10, 0}, {0, 0}, 0, 0, false},
    };
    for (const auto& row : rows) {
        ASSERT_EQ(m_hub->RunAppCmd(CMeaAngCmd::kId, 0), 1) << row.label;
        Click(m_ang, At(0, 0));
        Click(m_ang, At(row.a[0], row.a[1]));
        Click(m_ang, At(row.b[0], row.b[1]));
        EXPECT_NEAR(m_ang->Angle(), row.angle, 1e-9) << row.label;
        if (row.angle > 0 && row.angle < 180) {
            EXPECT_EQ(m_ang->Direction(), row.direction) << row.label;
        }
        EXPECT_EQ(m_ang->Arc() != nullptr, row.arc) << row.label;
        m_hub->CancelCurCmd();
    }
}

TEST_F(MeaDistCmdTest, ArmAngleMatchesAtan2OfCrossAndDot)
{
    std::mt19937 rng(41);
    std::uniform_real_distribution<double> coord(-100, 100);
    for (int i = 0; i < 500; ++i) {
        const double v[2] = {coord(rng), coord(rng)}, a[2] = {coord(rng), coord(rng)}, b[2] = {coord(rng), coord(rng)};
        const double ux = a[0] - v[0], uy = a[1] - v[1], wx = b[0] - v[0], wy = b[1] - v[1];
        const double expected = std::atan2(std::fabs(ux * wy - uy * wx), ux * wx + uy * wy) * 180 / std::numbers::pi;
        EXPECT_NEAR(MeasureArmAngle(v, a, b), expected, 1e-9) << "case " << i;
    }
}

TEST_F(MeaDistCmdTest, MovesOfTwoPixelsAreIgnoredAndThreeRedraw)
{
    ASSERT_EQ(m_hub->RunAppCmd(CMeaDistCmd::kId, 0), 1);
    Position first = At(0, 0);
    Click(m_dist, first);
    Position p = At(20, 10);
    Move(m_dist, p);
    const double x0 = m_dist->SecondPoint().x;
    const struct {
        const char* label;
        int dx, dy;
        bool redraws;
    } rows[] = {{"2 px both ways", 2, 2, false}, {"3 px in x", 3, 0, true}, {"3 px in y", 0, -3, true}};
    for (const auto& row : rows) {
        Position q = p;
        q.m_ptScreen.x += row.dx;
        q.m_ptScreen.y += row.dy;
        q.x += 1;  // a different world point: a redraw takes it
        Move(m_dist, q);
        EXPECT_EQ(m_dist->SecondPoint().x != x0, row.redraws) << row.label;
        Move(m_dist, p);
    }
}

// Going from A to B and back to A must give the screen of A byte for byte: every
// erased line, arc and tip leaves nothing behind.
TEST_F(MeaDistCmdTest, ErasedPreviewsAndTipLeaveTheScreenAsItWas)
{
    const struct {
        const char* label;
        UINT id;
        int clicks;
    } rows[] = {{"distance", CMeaDistCmd::kId, 1}, {"angle", CMeaAngCmd::kId, 2}};
    for (const auto& row : rows) {
        View()->RedrawScreen();
        const QImage clean = View()->GetScreenImage().copy();
        ASSERT_EQ(m_hub->RunAppCmd(row.id, 0), 1) << row.label;
        CCommand* cmd = m_hub->GetCmd(row.id);
        Click(cmd, At(0, 0));
        if (row.clicks == 2) Click(cmd, At(30, 0));
        Move(cmd, At(20, 10));
        const QImage atA = View()->GetScreenImage().copy();
        EXPECT_NE(atA, clean) << row.label << ": previews and tip drawn";
        Move(cmd, At(5, 35));
        EXPECT_NE(View()->GetScreenImage(), atA) << row.label << ": moved";
        Move(cmd, At(20, 10));
        EXPECT_TRUE(View()->GetScreenImage() == atA) << row.label;
        m_hub->CancelCurCmd();
    }
}

TEST_F(MeaDistCmdTest, DisabledWhileTheAreaMeasureRuns)
{
    EXPECT_TRUE(m_dist->IsEnable());
    EXPECT_TRUE(m_ang->IsEnable());
    ASSERT_EQ(m_hub->RunAppCmd(CMeaAreaCmd::kId, 0), 1);
    EXPECT_FALSE(m_dist->IsEnable());
    EXPECT_FALSE(m_ang->IsEnable());
    m_hub->CancelCurCmd();
    EXPECT_TRUE(m_dist->IsEnable());
}

}  // namespace

namespace {

// The Measure menu's items reach the commands through the view.
TEST_F(MeaDistCmdTest, MeasureMenuItemsStartTheirCommands)
{
    const struct {
        const char* label;
        UINT id;
    } rows[] = {{"distance", CMeaDistCmd::kId}, {"angle", CMeaAngCmd::kId}, {"area", CMeaAreaCmd::kId}};
    for (const auto& row : rows) {
        Frame()->SendMessage(WM_COMMAND, row.id, 0);
        ASSERT_NE(m_hub->GetCurCmd(), nullptr) << row.label;
        EXPECT_EQ(m_hub->GetCurCmd()->GetID(), row.id) << row.label;
        m_hub->CancelCurCmd();
    }
}

}  // namespace
