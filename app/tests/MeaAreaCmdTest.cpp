// The area measure: perimeter, area and inscribed circle of the selection shown on
// the result page, its refusals, the unit change and the end of the command.
#include "AppFixture.h"

#include "app/DlgMeasure.h"
#include "app/KorvelIds.h"
#include "app/MeaAreaCmd.h"
#include "framework/db/DbAidLine.h"
#include "framework/db/DbCurve.h"
#include "framework/db/DbCurve3d.h"
#include "framework/db/DbUnion.h"
#include "framework/looker/AppSlots.h"
#include "framework/looker/QVGlobal.h"
#include "framework/panora/DesignCentral.h"
#include "framework/relayon/DBase.h"
#include "framework/relayon/Relayon.h"
#include "framework/relayon/Selector.h"
#include "geometry/shapes2d/GeBezier.h"
#include "geometry/shapes2d/GeCircle.h"
#include "geometry/shapes2d/GeLine.h"
#include "geometry/shapes3d/GeArc3d.h"
#include "geometry/shapes3d/GeLine3d.h"
#include "platform/ui/Resources.h"
#include "testing/GlyphOutlines.h"

#include <polyclipping/clipper.hpp>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

using namespace korvel_test;

namespace {

CGeCurve* Circle(double x, double y, double r)
{
    const double c[2] = {x, y};
    return new CGeCircle(c, r, 1);
}

std::vector<CGeCurve*> SquareOfLines(double side)
{
    const double p[5][2] = {{0, 0}, {side, 0}, {side, side}, {0, side}, {0, 0}};
    std::vector<CGeCurve*> lines;
    for (int i = 0; i < 4; ++i) lines.push_back(new CGeLine(p[i], p[i + 1]));
    return lines;
}

struct Shown {
    double perimeter, area, radius, x, y;
};

class MeaAreaCmdTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        ASSERT_TRUE(Start());
        m_cmd = dynamic_cast<CMeaAreaCmd*>(gGetRelayon()->GetCmd(CMeaAreaCmd::kId));
        ASSERT_NE(m_cmd, nullptr);
    }

    void Select(const std::vector<CGeCurve*>& curves)
    {
        for (CGeCurve* c : curves) {
            auto* entity = new CDbCurve(c);
            CDBase::Instance()->AddTail(entity);
            gGetSelector()->Add(entity);
        }
    }

    Shown Page()
    {
        CDlgMeasure* page = m_cmd->GetResultPage();
        EXPECT_NE(page, nullptr);
        if (page == nullptr) return {};
        auto v = [page](int id) { return page->GetEdit(id)->GetShown(); };
        return {v(CDlgMeasure::kEditPerimeter), v(CDlgMeasure::kEditArea), v(CDlgMeasure::kEditRadius),
                v(CDlgMeasure::kEditCentreX), v(CDlgMeasure::kEditCentreY)};
    }

    CMeaAreaCmd* m_cmd = nullptr;
};

TEST_F(MeaAreaCmdTest, ShowsPerimeterAreaAndCircleOfTheSelection)
{
    const double sagitta = 0.01;  // the loops' polylines for the circle search
    struct Row {
        const char* label;
        std::vector<CGeCurve*> curves;
        double perimeter, area, radius, areaTol;
    };
    // Areas within 0.01 of the discs' (the loops' areas are exact, not those of
    // their inscribed display polylines).
    const double pi = std::numbers::pi;
    std::vector<Row> rows;
    rows.push_back({"circle r 10", {Circle(0, 0, 10)}, 2 * pi * 10, pi * 100, 10, 0.01});
    rows.push_back({"four separate lines", SquareOfLines(10), 40, 0, 0, 0});
    rows.push_back({"concentric circles 10 and 5", {Circle(0, 0, 10), Circle(0, 0, 5)}, 2 * pi * 15, pi * 125, 10, 0.01});
    rows.push_back({"nothing selected", {}, 0, 0, 0, 0});
    for (Row& row : rows) {
        gGetSelector()->ClearAll();
        Select(row.curves);
        ASSERT_EQ(gGetRelayon()->RunAppCmd(CMeaAreaCmd::kId, 0), 1) << row.label;
        const Shown s = Page();
        EXPECT_NEAR(s.perimeter, row.perimeter, 1e-6 * (1 + row.perimeter)) << row.label;
        EXPECT_NEAR(s.area, row.area, row.areaTol + 1e-9) << row.label;
        EXPECT_LE(s.radius, row.radius + 1e-9) << row.label;
        EXPECT_GE(s.radius, row.radius - sagitta - 2e-4) << row.label;
        if (row.radius > 0) {
            EXPECT_LT(std::hypot(s.x, s.y), sagitta + 1e-3) << row.label;
        }
        gGetRelayon()->CancelCurCmd();
    }
    EXPECT_TRUE(m_prompt.m_messages.empty());
}

// 3D curves add their lengths to the perimeter; area and circle come from the 2D curves.
TEST_F(MeaAreaCmdTest, ThreeDCurvesCountInThePerimeter)
{
    const double pi = std::numbers::pi;
    Select({Circle(0, 0, 10)});
    double s[3] = {0, 0, 0}, e[3] = {3, 4, 12}, c[3] = {50, 0, 0};
    auto* ring = new CGeArc3d;
    ASSERT_TRUE(ring->CreateCricleYZ(c, 2.0));
    auto* group = new CDbUnion;
    group->AddEntity(new CDbCurve3d(ring));
    for (CDbEntity* entity : {static_cast<CDbEntity*>(new CDbCurve3d(new CGeLine3d(s, e))), static_cast<CDbEntity*>(group)}) {
        CDBase::Instance()->AddTail(entity);
        gGetSelector()->Add(entity);
    }
    ASSERT_EQ(gGetRelayon()->RunAppCmd(CMeaAreaCmd::kId, 0), 1);
    const Shown shown = Page();
    EXPECT_NEAR(shown.perimeter, 2 * pi * 10 + 13 + 2 * pi * 2, 1e-6);
    EXPECT_NEAR(shown.area, 100 * pi, 0.01);
    EXPECT_NEAR(shown.radius, 10, 0.011);
    EXPECT_TRUE(m_prompt.m_messages.empty()) << "3D curves are curves";
}

// While the measure runs a click picks only 2D curves and groups; the filter goes
// with the command.
TEST_F(MeaAreaCmdTest, ClicksPickOnlyCurvesWhileMeasuring)
{
    const double p[2] = {0, 0}, q[2] = {10, 10};
    double s[3] = {0, 0, 5}, e[3] = {10, 10, 5};
    auto* flat = new CDbCurve(new CGeLine(p, q));
    auto* raised = new CDbCurve3d(new CGeLine3d(s, e));  // drawn last: on top
    CDBase::Instance()->AddTail(flat);
    CDBase::Instance()->AddTail(raised);
    ASSERT_EQ(gGetRelayon()->RunAppCmd(CMeaAreaCmd::kId, 0), 1);
    EXPECT_EQ(m_cmd->m_nBaseTypeMask, 0xE);
    EXPECT_EQ(m_cmd->m_nBaseTypeSwitch, 1);
    Position at(5, 5);
    m_cmd->OnLButtonDown(0, at);
    m_cmd->OnLButtonUp(0, at);
    ASSERT_EQ(gGetSelector()->GetSize(), 1);
    EXPECT_EQ(gGetSelector()->GetEntity(0), flat) << "the 3D curve on top is passed over";
    EXPECT_NEAR(Page().perimeter, 10 * std::sqrt(2.0), 1e-9);

    gGetRelayon()->CancelCurCmd();
    EXPECT_EQ(m_cmd->m_nBaseTypeMask, 0xFFFFF);
    EXPECT_EQ(m_cmd->m_nBaseTypeSwitch, 0);
    m_cmd->OnLButtonDown(0, at);
    ASSERT_EQ(gGetSelector()->GetSize(), 1);
    EXPECT_EQ(gGetSelector()->GetEntity(0), raised) << "without the filter the topmost is picked";
}

TEST_F(MeaAreaCmdTest, SelectionWithANonCurveShowsMessageAndZeros)
{
    Select({Circle(0, 0, 10)});
    auto* aid = new CDbAidLine;
    CDBase::Instance()->AddTail(aid);
    gGetSelector()->Add(aid);
    ASSERT_EQ(gGetRelayon()->RunAppCmd(CMeaAreaCmd::kId, 0), 1);
    ASSERT_EQ(m_prompt.m_messages.size(), 1u);
    EXPECT_EQ(m_prompt.m_messages[0], AfxLoadString(korvel::IDS_MEASURE_NOT_CURVE));
    const Shown s = Page();
    EXPECT_EQ(s.perimeter, 0);
    EXPECT_EQ(s.area, 0);
    EXPECT_EQ(s.radius, 0);
}

TEST_F(MeaAreaCmdTest, LaterCircleReplacesOnlyWhenLargerByMoreThanATenThousandth)
{
    const struct {
        const char* label;
        double second;
        bool replaces;
    } rows[] = {{"larger by 0.00005", 10.00005, false}, {"larger by 0.01", 10.01, true}};
    for (const auto& row : rows) {
        gGetSelector()->ClearAll();
        Select({Circle(0, 0, 10), Circle(100, 0, row.second)});
        double radius = 0, centre[2] = {0, 0};
        m_cmd->GetInscribedCircle(radius, centre);
        EXPECT_NEAR(centre[0], row.replaces ? 100 : 0, 0.02) << row.label;
    }
}

TEST_F(MeaAreaCmdTest, UnitChangeShowsTheAreaInSquareUnits)
{
    ASSERT_EQ(gGetRelayon()->RunAppCmd(CMeaAreaCmd::kId, 0), 1);
    CDlgMeasure* page = m_cmd->GetResultPage();
    ASSERT_NE(page, nullptr);
    const double centre[2] = {20, 30};
    page->SetResults(40, 100, 5, centre);
    CQVGlobal* global = gGetQVGlobal();
    global->SetUnitBefore(0);
    global->m_nUnit = 1;
    EXPECT_EQ(page->OnUnitChanged(0, 0), 1);
    const Shown s = Page();
    EXPECT_NEAR(s.area, 1, 1e-12);
    EXPECT_NEAR(s.perimeter, 4, 1e-12);
    EXPECT_NEAR(s.radius, 0.5, 1e-12);
    EXPECT_NEAR(s.x, 2, 1e-12);
    EXPECT_NEAR(s.y, 3, 1e-12);
    global->m_nUnit = 0;
}

TEST_F(MeaAreaCmdTest, RightButtonEndsAndRestoresThePane)
{
    CDesignCentral* pane = gGetPaneDCenter();
    ASSERT_EQ(gGetRelayon()->RunAppCmd(CMeaAreaCmd::kId, 0), 1);
    ASSERT_NE(m_cmd->GetResultPage(), nullptr);
    Position pos{};
    m_cmd->OnRButtonDown(0, pos);
    EXPECT_EQ(m_cmd->GetResultPage(), nullptr);
    EXPECT_EQ(gGetSelector()->GetShowFlag(), 1) << "the selection is drawn again";
    if (pane != nullptr) {
        EXPECT_TRUE(pane->IsShown());
    }
}

}  // namespace

namespace {

// A glyph contour as one closed Bézier spline (lines as straight cubics).
CGeCurve* ContourCurve(const glyphs::Contour& contour)
{
    std::vector<double> xy;
    auto add = [&xy](const glyphs::Pt& p) { xy.push_back(p[0]), xy.push_back(p[1]); };
    add(contour.segments.front().p[0]);
    for (const glyphs::Segment& s : contour.segments) {
        const glyphs::Pt& a = s.p[0];
        const glyphs::Pt b = s.cubic ? s.p[3] : s.p[1];
        if (s.cubic) {
            add(s.p[1]);
            add(s.p[2]);
        } else {
            add({a[0] + (b[0] - a[0]) / 3, a[1] + (b[1] - a[1]) / 3});
            add({a[0] + 2 * (b[0] - a[0]) / 3, a[1] + 2 * (b[1] - a[1]) / 3});
        }
        add(b);
    }
    auto* bezier = new CGeBezier;
    const unsigned n = static_cast<unsigned>(xy.size() / 2);
    if (!bezier->CreateEx(n, reinterpret_cast<double(*)[2]>(xy.data()))) {
        delete bezier;
        return nullptr;
    }
    return bezier;
}

// Clipper's area of the contour sampled densely (in units of 1e-6 mm).
double ClipperArea(const glyphs::Contour& contour)
{
    ClipperLib::Path path;
    for (const glyphs::Pt& p : glyphs::Sample(contour, 2000))
        path.push_back({static_cast<ClipperLib::cInt>(std::llround(p[0] * 1e6)), static_cast<ClipperLib::cInt>(std::llround(p[1] * 1e6))});
    return std::fabs(ClipperLib::Area(path)) * 1e-12;
}

// Every outline curve is measured alone, so inner curves add their area: the sum of
// each contour's own area.
TEST_F(MeaAreaCmdTest, GlyphAreaIsTheSumOfItsContoursAreas)
{
    glyphs::GlyphReader reader;
    ASSERT_TRUE(reader.Ok());
    for (const char ch : std::string("O8&")) {
        std::vector<glyphs::Contour> contours;
        ASSERT_TRUE(reader.Char(static_cast<unsigned long>(ch), 0.02, contours)) << ch;
        gGetSelector()->ClearAll();
        std::vector<CGeCurve*> curves;
        double expected = 0;
        for (const glyphs::Contour& c : contours) {
            CGeCurve* curve = ContourCurve(c);
            ASSERT_NE(curve, nullptr) << ch;
            curves.push_back(curve);
            expected += ClipperArea(c);
        }
        Select(curves);
        const double area = m_cmd->GetArea();
        // Within 0.01 as the measure promises; the sampled oracle itself falls short by ~1e-5.
        EXPECT_NEAR(area, expected, 1e-3) << "glyph " << ch;
        EXPECT_GT(area, 0) << "glyph " << ch;
    }
}

}  // namespace
