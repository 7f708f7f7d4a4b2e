// GDI drawing of the 3D curves on the recording context: pens of the flags, node marks
// at the projected ends in their colours, the arc's decimation; and the screen
// rectangle and 2D visibility of the shape base.
#include "framework/looker/Looker.h"
#include "framework/numerak/Point3D.h"
#include "geometry/shapes3d/GeArc3d.h"
#include "geometry/shapes3d/GeLine3d.h"
#include "geometry/shapes3d/GePolyline3d.h"
#include "platform/core/RecordingDC.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr double kPi = 3.141592653589793;

// A view of 1000 x 1000 pixels showing world (0, 0) at its centre, one pixel per unit.
class Draw3dTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_looker.SetViewRect(CRect(0, 0, 1000, 1000));
        gSetLooker(&m_looker);
        CLooker::SetView2D();
    }
    void TearDown() override
    {
        gSetLooker(nullptr);
        CLooker::SetView2D();
    }
    CPoint Pixel(const double* p) const
    {
        CPoint s;
        m_looker.WorldtoScreen(p, s, 3);
        return s;
    }

    CLooker m_looker;
    RecordingDC m_dc;
};

std::unique_ptr<CGePolyline3d> Square()
{
    double pts[5][3] = {{0, 0, 0}, {100, 0, 1}, {100, 100, 2}, {0, 100, 3}, {0, 0, 0}};
    auto pl = std::make_unique<CGePolyline3d>();
    pl->Create(5, pts);
    return pl;
}

TEST_F(Draw3dTest, PensFollowTheFlagsAndTheMode)
{
    struct Row {
        std::string label;
        int flags, mode;
        bool ownPen;
        int style;
    };
    const std::vector<Row> rows = {
        {"plain", 2, 0, false, 0},       {"bit 1 highlights", 3, 0, true, PS_SOLID},
        {"bit 8 highlights", 8, 0, true, PS_SOLID}, {"sign bit highlights", -2, 0, true, PS_SOLID},
        {"bit 4 dots", 4, 0, true, PS_DOT}, {"highlight wins over dots", 5, 0, true, PS_SOLID},
        {"mode 1 draws plain", 1, 1, false, 0},
    };
    double s[3] = {-100, -50, 5}, e[3] = {200, 150, -5};
    for (const Row& row : rows) {
        CGeLine3d line(s, e);
        line.m_nFlags = row.flags;
        m_dc.Clear();
        const PenState before = m_dc.GetPenState();
        line.Draw(&m_dc, row.mode);
        const auto lines = m_dc.Filter(DCRecord::Polyline);
        ASSERT_EQ(lines.size(), 1u) << row.label;
        ASSERT_EQ(lines[0].points.size(), 2u) << row.label;
        EXPECT_EQ(lines[0].points[0].x, Pixel(s).x) << row.label;
        EXPECT_EQ(lines[0].points[1].y, Pixel(e).y) << row.label;
        if (row.ownPen) {
            EXPECT_EQ(lines[0].pen, (PenState{row.style, 1, 0x00C400})) << row.label;
        } else {
            EXPECT_EQ(lines[0].pen, before) << row.label;
        }
        EXPECT_EQ(m_dc.GetPenState(), before) << row.label << ": the previous pen comes back";
    }
    CGeLine3d line(s, e);
    line.Draw(static_cast<CDC*>(nullptr), 0);
    gSetLooker(nullptr);
    m_dc.Clear();
    line.Draw(&m_dc, 0);
    EXPECT_TRUE(m_dc.GetRecords().empty()) << "nothing without a view";
}

TEST_F(Draw3dTest, NodeMarksSitAtTheProjectedEnds)
{
    double s[3] = {-100, -50, 5}, e[3] = {200, 150, -5};
    CGeLine3d line(s, e);
    auto arc = std::make_unique<CGeArc3d>();
    double c[3] = {10, 20, 3};
    arc->CreateArcXY(c, 80, 0.25, 2.0);
    arc->DiscreteMe(0.01);
    struct Row {
        std::string label;
        CGeCurve3d* curve;
        bool view3D;
        PenState pen;
    };
    const std::vector<Row> rows = {
        {"line, 2D view", &line, false, {PS_SOLID, 1, 0x00AA00C3}},
        {"line, 3D view", &line, true, {PS_SOLID, 2, 0x0055FF3C}},
        {"arc, 2D view", arc.get(), false, {PS_SOLID, 1, 0x00AA00C3}},
        {"arc, 3D view", arc.get(), true, {PS_SOLID, 2, 0x0055FF3C}},
    };
    for (const Row& row : rows) {
        row.view3D ? CLooker::SetView3D() : CLooker::SetView2D();
        double a[3], b[3];
        row.curve->GetStartPoint(a);
        row.curve->GetEndPoint(b);
        const CPoint ps = Pixel(a), pe = Pixel(b);
        for (int start = 0; start <= 1; ++start)
            for (int end = 0; end <= 1; ++end) {
                const std::string label = row.label + " start " + std::to_string(start) + " end " + std::to_string(end);
                m_dc.Clear();
                const PenState before = m_dc.GetPenState();
                row.curve->DrawNode(&m_dc, start, end, 4);
                const auto circles = m_dc.Filter(DCRecord::Ellipse);
                const auto squares = m_dc.Filter(DCRecord::Rectangle);
                ASSERT_EQ(circles.size(), static_cast<size_t>(start)) << label;
                ASSERT_EQ(squares.size(), static_cast<size_t>(end)) << label;
                if (start) {
                    EXPECT_EQ(circles[0].rect.left, ps.x - 4) << label;
                    EXPECT_EQ(circles[0].rect.bottom, ps.y + 4) << label;
                    EXPECT_EQ(circles[0].pen, row.pen) << label;
                }
                if (end) {
                    EXPECT_EQ(squares[0].rect.right, pe.x + 4) << label;
                    EXPECT_EQ(squares[0].rect.top, pe.y - 4) << label;
                    EXPECT_EQ(squares[0].pen, before) << label << ": the context's pen";
                }
                EXPECT_EQ(m_dc.GetPenState(), before) << label;
            }
    }
}

TEST_F(Draw3dTest, PolylineMarksEveryVisitedVertex)
{
    std::unique_ptr<CGePolyline3d> closed = Square();
    double open[3][3] = {{0, 0, 0}, {50, 0, 0}, {50, 50, 0}};
    CGePolyline3d path;
    path.Create(3, open);
    struct Row {
        std::string label;
        CGePolyline3d* pl;
        int first, last;
        size_t circles, squares;
    };
    const std::vector<Row> rows = {
        {"closed: the closing vertex is never visited", closed.get(), 1, 1, 1, 3},
        {"closed, no first mark", closed.get(), 0, 1, 0, 3},
        {"open with the last", &path, 1, 1, 1, 2},
        {"open without the last", &path, 1, 0, 1, 1},
    };
    for (const Row& row : rows) {
        m_dc.Clear();
        row.pl->DrawNode(&m_dc, row.first, row.last, 3);
        EXPECT_EQ(m_dc.Count(DCRecord::Ellipse), row.circles) << row.label;
        EXPECT_EQ(m_dc.Count(DCRecord::Rectangle), row.squares) << row.label;
        const auto squares = m_dc.Filter(DCRecord::Rectangle);
        for (size_t i = 0; i < squares.size(); ++i) {
            const CPoint v = Pixel(row.pl->GetCtrlPt()[i + 1]);
            EXPECT_EQ(squares[i].rect.left, v.x - 3) << row.label << " vertex " << i + 1;
            EXPECT_EQ(squares[i].rect.top, v.y - 3) << row.label << " vertex " << i + 1;
        }
    }
}

TEST_F(Draw3dTest, ArcDrawsEveryStepthPointWhenFinerThanAPixel)
{
    auto arc = std::make_unique<CGeArc3d>();
    double c[3] = {0, 0, 0};
    arc->CreateCricleXY(c, 10.0);
    arc->DiscreteMe(0.0001);
    const int count = arc->m_strDisp.m_nCount;
    ASSERT_GT(count, 100);
    struct Row {
        std::string label;
        double scale;  // pixels per unit
        int step;
    };
    const int k = static_cast<int>(std::floor(2 * kPi / std::acos((10.0 - 1.0) / 10.0)));
    const std::vector<Row> rows = {
        {"one unit per pixel", 1.0, count / k},
        {"a pixel larger than the radius: one pixel", 0.05, count},
    };
    for (const Row& row : rows) {
        ASSERT_TRUE(m_looker.SetScale(row.scale)) << row.label;
        m_dc.Clear();
        arc->Draw(&m_dc, 0);
        if (row.step >= count) {
            EXPECT_EQ(m_dc.Count(DCRecord::SetPixel), 1u) << row.label;
            continue;
        }
        // Every step-th point plus the last, less points falling on the same pixel.
        size_t drawn = 0;
        for (const auto& stroke : m_dc.Strokes()) drawn += stroke.size();
        const size_t expected = static_cast<size_t>((count - 1) / row.step + 1 + ((count - 1) % row.step ? 1 : 0));
        EXPECT_LE(drawn, expected) << row.label;
        EXPECT_GE(drawn + 2, expected) << row.label;
    }

    // A coarse string (14 points) at 2 pixels per unit: finer than the pixel test asks,
    // so every point is drawn.
    arc->DiscreteMe(1.0);
    ASSERT_EQ(arc->m_strDisp.m_nCount, 14);
    ASSERT_TRUE(m_looker.SetScale(2.0));
    m_dc.Clear();
    arc->Draw(&m_dc, 0);
    const auto strokes = m_dc.Strokes();
    ASSERT_EQ(strokes.size(), 1u);
    EXPECT_EQ(strokes[0].size(), 14u);
}

TEST_F(Draw3dTest, ScreenRectangleAndVisibility)
{
    // 3D view: a flat box projects from its four lower corners; a point-sized box is
    // widened to 2 x 2 pixels.
    CLooker::SetView3D();
    double s[3] = {10, 20, 5}, e[3] = {10, 20, 5.0005};
    CGeLine3d dot(s, e);
    CRect r;
    dot.GetViewRect(r);
    const CPoint p = Pixel(s);
    EXPECT_EQ(r, CRect(p.x - 1, p.y - 1, p.x + 1, p.y + 1));
    EXPECT_EQ(dot.IsEnableDraw2D(), 1) << "a 3D view draws whatever the box";

    CLooker::SetView2D();
    m_looker.SetCheckBox(TRUE);
    m_looker.EmptyClipRect();
    double far1[3] = {10000, 10000, 0}, far2[3] = {10100, 10200, 0};
    double near1[3] = {499.5, 0, 0}, near2[3] = {600, 10, 0};  // the view box ends at x = 500
    CGeLine3d outside(far1, far2), touching(near1, near2);
    EXPECT_EQ(outside.IsEnableDraw2D(), 0);
    EXPECT_EQ(touching.IsEnableDraw2D(), 1);

    // With a check rectangle the screen rectangles are compared.
    m_looker.SetClipRect(CRect(0, 0, 100, 100));
    double in1[3] = {-450, 450, 0}, in2[3] = {-440, 440, 0};  // pixels 50..60
    CGeLine3d inside(in1, in2);
    EXPECT_EQ(inside.IsEnableDraw2D(), 1);
    EXPECT_EQ(outside.IsEnableDraw2D(), 0);

    m_looker.SetCheckBox(FALSE);
    EXPECT_EQ(outside.IsEnableDraw2D(), 1) << "no test asked for";
    gSetLooker(nullptr);
    EXPECT_EQ(inside.IsEnableDraw2D(), 0) << "no view";
}

}  // namespace
