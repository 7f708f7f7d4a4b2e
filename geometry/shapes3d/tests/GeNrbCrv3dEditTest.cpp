// Editing the NURBS curve (interpolation, control points, deleting control points,
// knot insertion), its pick parameter and its control polygon. Oracles: the data
// points on the curve, dense sampling before and after an edit, closed-form arc
// lengths, and the screen positions of the control points.
#include "CurveSampling.h"

#include "framework/looker/Looker.h"
#include "framework/looker/QVGlobal.h"
#include "framework/looker/SnapRecords.h"
#include "framework/numerak/Bcrv.h"
#include "framework/numerak/Point3D.h"
#include "geometry/shapes3d/GeNrbCrv3d.h"
#include "platform/core/RecordingDC.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using shapes3d_test::DistToCurve;

constexpr double kPi = 3.141592653589793;

BCRV* CircleRecord(double r)
{
    BCRV* c = BCRV_New();
    const double centre[3] = {0, 0, 0};
    c->GenCircle(centre, r);
    return c;
}

std::vector<double> ControlPoints(const BCRV* c)
{
    std::vector<double> out;
    for (int i = 0; i < c->n; ++i) {
        double p[3];
        c->GetCtrlPt(i, p);
        out.insert(out.end(), p, p + 3);
    }
    return out;
}

// Points of the curve at 401 even parameters over its domain.
std::vector<double> Samples(const BCRV* c)
{
    std::vector<double> out;
    const double a = c->U[c->k - 1], b = c->U[c->n];
    for (int i = 0; i <= 400; ++i) {
        double p[3];
        BCRV_EvPos(c, a + (b - a) * i / 400, p);
        out.insert(out.end(), p, p + 3);
    }
    return out;
}

double WorstGap(const std::vector<double>& a, const std::vector<double>& b)
{
    double worst = a.size() == b.size() ? 0.0 : 1e300;
    for (size_t i = 0; i + 2 < a.size() && i + 2 < b.size(); i += 3) worst = std::max(worst, P3D_Dist(&a[i], &b[i]));
    return worst;
}

TEST(GeNrbCrv3dEditTest, CreateInterpPassesThroughEveryDataPoint)
{
    double wave[7][3] = {{0, 0, 0}, {2, 1, 0.5}, {4, -1, 1}, {7, 0, 0}, {9, 3, -1}, {10, 6, 0}, {8, 9, 2}};
    double flat[5][2] = {{0, 0}, {3, 4}, {5, 4}, {7, 0}, {12, -2}};
    double two[2][2] = {{1, 1}, {4, 5}};
    struct Row {
        std::string label;
        std::function<int(CGeNrbCrv3d&)> make;
        std::vector<std::array<double, 3>> data;
        int order;
    };
    std::vector<std::array<double, 3>> wavePts, flatPts, twoPts;
    for (auto& p : wave) wavePts.push_back({p[0], p[1], p[2]});
    for (auto& p : flat) flatPts.push_back({p[0], p[1], 0.0});
    for (auto& p : two) twoPts.push_back({p[0], p[1], 0.0});
    const std::vector<Row> rows = {
        {"3D cubic", [&](CGeNrbCrv3d& c) { return c.CreateInterp(wave, 7, 3, 0.01); }, wavePts, 4},
        {"3D quadratic", [&](CGeNrbCrv3d& c) { return c.CreateInterp(wave, 7, 2, 0.01); }, wavePts, 3},
        {"3D degree 1", [&](CGeNrbCrv3d& c) { return c.CreateInterp(wave, 7, 1, 0.01); }, wavePts, 2},
        {"2D cubic", [&](CGeNrbCrv3d& c) { return c.CreateInterp(flat, 5, 3, 0.01); }, flatPts, 4},
        {"2D two points", [&](CGeNrbCrv3d& c) { return c.CreateInterp(two, 2, 3, 0.01); }, twoPts, 2},
    };
    for (const Row& row : rows) {
        CGeNrbCrv3d curve(CircleRecord(1));
        ASSERT_EQ(row.make(curve), 1) << row.label;
        const BCRV* rec = curve.GetCurve();
        ASSERT_NE(rec, nullptr) << row.label;
        EXPECT_EQ(rec->k, row.order) << row.label;
        for (size_t i = 0; i < row.data.size(); ++i)
            EXPECT_LT(DistToCurve(rec, row.data[i].data(), 2000), 1e-9) << row.label << " data point " << i;
        double s[3], e[3];
        curve.GetStartPoint(s);
        curve.GetEndPoint(e);
        EXPECT_LT(P3D_Dist(s, row.data.front().data()), 1e-9) << row.label;
        EXPECT_LT(P3D_Dist(e, row.data.back().data()), 1e-9) << row.label;
        EXPECT_GE(curve.m_strDisp.m_nCount, 2) << row.label << ": display rebuilt";
    }
}

// An edit that cannot make its record leaves the curve, its record and its display as
// they were.
TEST(GeNrbCrv3dEditTest, FailedEditsKeepTheOldRecord)
{
    double same[4][3] = {{1, 1, 1}, {1, 1, 1}, {1, 1, 1}, {1, 1, 1}};
    double three[3][3] = {{0, 0, 0}, {1, 0, 0}, {2, 1, 0}};
    double four[4][3] = {{0, 0, 0}, {1, 0, 0}, {2, 1, 0}, {3, 3, 0}};
    double three2d[3][2] = {{0, 0}, {1, 0}, {2, 1}};
    const std::vector<std::pair<std::string, std::function<int(CGeNrbCrv3d&)>>> rows = {
        {"interpolation of degree >= n", [&](CGeNrbCrv3d& c) { return c.CreateInterp(three, 3, 3, 0.01); }},
        {"interpolation through one repeated point", [&](CGeNrbCrv3d& c) { return c.CreateInterp(same, 4, 2, 0.01); }},
        {"2D interpolation of degree >= n", [&](CGeNrbCrv3d& c) { return c.CreateInterp(three2d, 3, 3, 0.01); }},
        {"null points", [&](CGeNrbCrv3d& c) { return c.CreateInterp(static_cast<double(*)[3]>(nullptr), 4, 2, 0.01); }},
        {"control points: one point", [&](CGeNrbCrv3d& c) { return c.CreateCtrlPt(four, 1, 3, 0.01); }},
        {"control points: knots of coincident points", [&](CGeNrbCrv3d& c) { return c.CreateCtrlPt(same, 4, 3, 0.01); }},
        {"control points: degree above the count", [&](CGeNrbCrv3d& c) { return c.CreateCtrlPt(four, 4, 5, 0.01); }},
        {"control points: degree 0", [&](CGeNrbCrv3d& c) { return c.CreateCtrlPt(four, 4, 0, 0.01); }},
        {"add node at 0", [](CGeNrbCrv3d& c) { return c.AddNode(0.0); }},
        {"add node at 1", [](CGeNrbCrv3d& c) { return c.AddNode(1.0); }},
        {"delete control point beyond the count", [](CGeNrbCrv3d& c) { return c.DelCtrlPt(99u); }},
        {"delete as many control points as leave one", [](CGeNrbCrv3d& c) {
             unsigned int idx[8] = {0, 1, 2, 3, 4, 5, 6, 7};
             return c.DelCtrlPt(idx, c.GetCurve()->n - 1);
         }},
        {"delete a null list", [](CGeNrbCrv3d& c) { return c.DelCtrlPt(nullptr, 1); }},
    };
    for (const auto& [label, edit] : rows) {
        CGeNrbCrv3d curve(CircleRecord(2));
        BCRV* before = curve.GetCurve();
        const std::vector<double> shape = Samples(before);
        const int shown = curve.m_strDisp.m_nCount;
        EXPECT_EQ(edit(curve), 0) << label;
        EXPECT_EQ(curve.GetCurve(), before) << label << ": the same record";
        EXPECT_EQ(WorstGap(Samples(curve.GetCurve()), shape), 0.0) << label;
        EXPECT_EQ(curve.m_strDisp.m_nCount, shown) << label;
    }
}

TEST(GeNrbCrv3dEditTest, CreateCtrlPtTakesThePointsAsControlPoints)
{
    double pts[6][3] = {{0, 0, 0}, {2, 3, 0}, {5, 3, 1}, {7, 0, 1}, {9, -2, 0}, {12, 0, 0}};
    struct Row {
        int n, degree, order;
    };
    const Row rows[] = {{2, 3, 2}, {3, 3, 3}, {3, 1, 2}, {4, 3, 4}, {6, 3, 4}, {6, 2, 3}, {6, 5, 6}};
    for (const Row& row : rows) {
        const std::string label = std::to_string(row.n) + " points, degree " + std::to_string(row.degree);
        CGeNrbCrv3d curve;
        ASSERT_EQ(curve.CreateCtrlPt(pts, row.n, row.degree, 0.01), 1) << label;
        const BCRV* rec = curve.GetCurve();
        EXPECT_EQ(rec->k, row.order) << label;
        ASSERT_EQ(rec->n, row.n) << label;
        const std::vector<double> ctrl = ControlPoints(rec);
        for (int i = 0; i < row.n; ++i) EXPECT_LT(P3D_Dist(&ctrl[3 * i], pts[i]), 1e-15) << label << " point " << i;
        // Clamped ends: the curve starts and ends on the first and last point.
        double s[3], e[3];
        curve.GetStartPoint(s);
        curve.GetEndPoint(e);
        EXPECT_LT(P3D_Dist(s, pts[0]), 1e-12) << label;
        EXPECT_LT(P3D_Dist(e, pts[row.n - 1]), 1e-12) << label;
    }
}

TEST(GeNrbCrv3dEditTest, DeletingOneControlPointKeepsTheOthersInOrder)
{
    double pts[6][3] = {{0, 0, 0}, {2, 3, 0}, {5, 3, 1}, {7, 0, 1}, {9, -2, 0}, {12, 0, 0}};
    struct Row {
        std::string label;
        int n, degree;
        unsigned int index;
        int order;  // after the deletion
    };
    const Row rows[] = {
        {"cubic of 6, inner point", 6, 3, 2, 4},
        {"cubic of 6, first point", 6, 3, 0, 4},
        {"cubic of 5, last point: order drops below the count", 5, 3, 4, 3},
        {"quadratic of 3: a line through the other two", 3, 2, 1, 2},
    };
    for (const Row& row : rows) {
        CGeNrbCrv3d curve;
        ASSERT_EQ(curve.CreateCtrlPt(pts, row.n, row.degree, 0.01), 1) << row.label;
        const std::vector<double> before = ControlPoints(curve.GetCurve());
        ASSERT_EQ(curve.DelCtrlPt(row.index), 1) << row.label;
        const BCRV* rec = curve.GetCurve();
        EXPECT_EQ(rec->k, row.order) << row.label;
        ASSERT_EQ(rec->n, row.n - 1) << row.label;
        const std::vector<double> after = ControlPoints(rec);
        for (int i = 0, j = 0; i < row.n; ++i) {
            if (i == static_cast<int>(row.index)) continue;
            EXPECT_LT(P3D_Dist(&after[3 * j], &before[3 * i]), 1e-15) << row.label << " point " << i;
            ++j;
        }
    }
    CGeNrbCrv3d line;
    ASSERT_EQ(line.CreateCtrlPt(pts, 2, 1, 0.01), 1);
    EXPECT_EQ(line.DelCtrlPt(0u), 0) << "two control points stay";
    EXPECT_EQ(line.GetCurve()->n, 2);
}

TEST(GeNrbCrv3dEditTest, DeletingBothEndsOfAClosedPolygonClosesItAgain)
{
    // A closed control polygon: its first and last points coincide.
    double ring[7][3] = {{10, 0, 0}, {10, 10, 0}, {0, 10, 0}, {-10, 10, 0}, {-10, 0, 0}, {0, -10, 0}, {10, 0, 0}};
    double open[6][3] = {{0, 0, 0}, {2, 3, 0}, {5, 3, 1}, {7, 0, 1}, {9, -2, 0}, {12, 0, 0}};
    struct Row {
        std::string label;
        double (*pts)[3];
        int n;
        std::vector<unsigned int> drop;
        std::vector<int> kept;  // old indices of the new control points
    };
    const std::vector<Row> rows = {
        {"closed, both ends", ring, 7, {0, 6}, {1, 2, 3, 4, 5, 1}},
        {"closed, both ends and an inner point", ring, 7, {6, 3, 0}, {1, 2, 4, 5, 1}},
        {"closed, inner points only", ring, 7, {2, 4}, {0, 1, 3, 5, 6}},
        {"open, both ends", open, 6, {0, 5}, {1, 2, 3, 4}},
    };
    for (const Row& row : rows) {
        CGeNrbCrv3d curve;
        ASSERT_EQ(curve.CreateCtrlPt(row.pts, row.n, 3, 0.01), 1) << row.label;
        std::vector<unsigned int> drop = row.drop;
        ASSERT_EQ(curve.DelCtrlPt(drop.data(), static_cast<int>(drop.size())), 1) << row.label;
        const BCRV* rec = curve.GetCurve();
        ASSERT_EQ(rec->n, static_cast<int>(row.kept.size())) << row.label;
        EXPECT_EQ(rec->k, std::min(4, rec->n)) << row.label;
        const std::vector<double> after = ControlPoints(rec);
        for (size_t j = 0; j < row.kept.size(); ++j)
            EXPECT_LT(P3D_Dist(&after[3 * j], row.pts[row.kept[j]]), 1e-15) << row.label << " new point " << j;
    }
}

TEST(GeNrbCrv3dEditTest, AddNodeKeepsTheShapeAndMakesAKnotOfMultiplicityKMinusOne)
{
    double pts[6][3] = {{0, 0, 0}, {2, 3, 0}, {5, 3, 1}, {7, 0, 1}, {9, -2, 0}, {12, 0, 0}};
    struct Row {
        std::string label;
        std::function<BCRV*()> make;
        double t;
    };
    const std::vector<Row> rows = {
        {"rational circle", [] { return CircleRecord(5); }, 0.37},
        {"cubic through six points", [&] {
             CGeNrbCrv3d c;
             c.CreateInterp(pts, 6, 3, 0.01);
             return c.GetCurve()->Clone();
         },
         0.61},
        {"quadratic, at an existing knot", [&] {
             CGeNrbCrv3d c;
             c.CreateCtrlPt(pts, 6, 2, 0.01);
             return c.GetCurve()->Clone();
         },
         -1.0},
    };
    for (const Row& row : rows) {
        CGeNrbCrv3d curve(row.make());
        const BCRV* old = curve.GetCurve();
        const double t = row.t > 0 ? row.t : old->U[old->k];  // an inner knot of the record
        const std::vector<double> before = Samples(old);
        const int oldCount = old->n, oldMul = old->CalKnotMul(t);
        ASSERT_EQ(curve.AddNode(t), 1) << row.label;
        const BCRV* rec = curve.GetCurve();
        EXPECT_EQ(rec->CalKnotMul(t), rec->k - 1) << row.label;
        EXPECT_EQ(rec->n, oldCount + rec->k - 1 - oldMul) << row.label;
        EXPECT_LT(WorstGap(Samples(rec), before), 1e-9) << row.label << ": the shape moved";
    }
}

TEST(GeNrbCrv3dEditTest, PickParameterIsTheFractionOfTheLength)
{
    // The circle's rational parameter is not proportional to its arc length, so the
    // fraction of the length tells the two apart.
    CGeNrbCrv3d circle(CircleRecord(10));
    circle.DiscreteMe(0.0001);
    for (double deg : {20.0, 75.0, 160.0, 250.0, 330.0}) {
        const double a = deg * kPi / 180.0;
        CPickRay ray;
        P3D_Set(ray.m_pt, 10 * std::cos(a), 10 * std::sin(a), 50.0);
        P3D_Set(ray.m_dir, 0, 0, -1);
        ray.m_b2D = 0;
        // Every chord near the vertical ray has the same depth and the earliest wins:
        // a small aperture keeps the winner next to the point.
        ray.m_dAperture = 0.002;
        ASSERT_EQ(circle.Pick(ray, 1), 1) << deg;
        EXPECT_NEAR(ray.m_dParam, deg / 360.0, 1e-4) << deg << " degrees";
        ray.m_dDepth = 1e30;
        ray.m_nTypeMask = 0x1000;
        EXPECT_EQ(circle.Pick(ray, 1), 0) << deg << ": the mask leaves NURBS curves out";
        EXPECT_EQ(circle.Pick(ray, 0), 1) << deg << ": no mask test";
    }
    // A 2D pick reports its distance.
    CPickRay flat;
    P3D_Set(flat.m_pt, 0, 10.2, 0);
    flat.m_dAperture = 0.5;
    ASSERT_EQ(circle.Pick(flat, 0), 1);
    EXPECT_NEAR(flat.m_dDist, 0.2, 1e-3);
}

class NrbCrv3dNodeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_looker.SetViewRect(CRect(0, 0, 1000, 1000));
        gSetLooker(&m_looker);
    }
    void TearDown() override
    {
        gSetLooker(nullptr);
        CLooker::SetView2D();
    }
    CLooker m_looker;
    RecordingDC m_dc;
};

TEST_F(NrbCrv3dNodeTest, DrawNodeDrawsTheControlPolygon)
{
    double open[5][3] = {{0, 0, 0}, {100, 50, 0}, {200, 0, 5}, {300, 80, 0}, {350, 200, 0}};
    double ring[5][3] = {{0, 0, 0}, {100, 0, 0}, {100, 100, 0}, {0, 100, 0}, {0, 0, 0}};
    struct Row {
        std::string label;
        double (*pts)[3];
        bool view2D;
        int start, end;
        size_t squares;
        PenState polygon;
    };
    const PenState blue{PS_DOT, 1, 0xFF0000}, yellow{PS_DOT, 1, 0x00FFFF};
    const std::vector<Row> rows = {
        {"open, plan view, both ends", open, true, 1, 1, 4, blue},
        {"open, 3D view, no end", open, false, 1, 0, 3, yellow},
        {"open, no start", open, true, 0, 1, 4, blue},
        {"closed, both ends asked", ring, true, 1, 1, 3, blue},
    };
    for (const Row& row : rows) {
        if (row.view2D)
            CLooker::SetView2D();
        else
            CLooker::SetView3D();
        CGeNrbCrv3d curve;
        ASSERT_EQ(curve.CreateCtrlPt(row.pts, 5, 3, 0.01), 1) << row.label;
        m_dc.Clear();
        const PenState before = m_dc.GetPenState();
        curve.DrawNode(&m_dc, row.start, row.end, 3);
        const auto circles = m_dc.Filter(DCRecord::Ellipse);
        const auto squares = m_dc.Filter(DCRecord::Rectangle);
        const auto lines = m_dc.Filter(DCRecord::LineTo);
        ASSERT_EQ(circles.size(), static_cast<size_t>(row.start)) << row.label;
        ASSERT_EQ(squares.size(), row.squares) << row.label;
        ASSERT_EQ(lines.size(), 4u) << row.label;
        CPoint pix[5];
        for (int i = 0; i < 5; ++i) m_looker.WorldtoScreen(row.pts[i], pix[i], 3);
        if (row.start) {
            EXPECT_EQ(circles[0].rect.left, pix[0].x - 3) << row.label;
        }
        for (size_t i = 0; i < lines.size(); ++i) {
            EXPECT_EQ(lines[i].pen, row.polygon) << row.label << " leg " << i;
            EXPECT_EQ(lines[i].points[0].x, pix[i].x) << row.label << " leg " << i;
            EXPECT_EQ(lines[i].points[1].y, pix[i + 1].y) << row.label << " leg " << i;
        }
        for (size_t i = 0; i < squares.size(); ++i) {
            EXPECT_EQ(squares[i].rect.left, pix[i + 1].x - 3) << row.label << " square " << i;
            EXPECT_EQ(squares[i].pen, before) << row.label << ": the context's pen";
        }
        EXPECT_EQ(m_dc.GetPenState(), before) << row.label;
    }
}

}  // namespace
