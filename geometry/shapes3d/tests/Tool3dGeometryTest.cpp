// The geometric members of CGeTool3D: planar offsets, fillet arcs touching both
// curves, common tangents of two circles against the closed form, the common
// tangent of two curves and points at constant arc-length spacing.
#include "framework/looker/QVGlobal.h"
#include "framework/numerak/Plane3D.h"
#include "framework/numerak/Point3D.h"
#include "geometry/shapes3d/GeArc3d.h"
#include "geometry/shapes3d/GeLine3d.h"
#include "geometry/shapes3d/GeNrbCrv3d.h"
#include "geometry/shapes3d/GeOffsetCrv3d.h"
#include "geometry/shapes3d/GePolyline3d.h"
#include "geometry/shapes3d/GeTool3D.h"
#include "framework/numerak/Bcrv.h"
#include "framework/numerak/NurbsFit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr double kPi = 3.141592653589793;
double kUp[3] = {0.0, 0.0, 1.0};
double kDown[3] = {0.0, 0.0, -1.0};

std::unique_ptr<CGeLine3d> Line(double x0, double y0, double x1, double y1)
{
    double a[3] = {x0, y0, 0}, b[3] = {x1, y1, 0};
    return std::make_unique<CGeLine3d>(a, b);
}

std::unique_ptr<CGeArc3d> Arc(double cx, double cy, double r, double start, double sweep)
{
    auto arc = std::make_unique<CGeArc3d>();
    double c[3] = {cx, cy, 0};
    EXPECT_TRUE(arc->CreateArcXY(c, r, start, sweep));
    arc->DiscreteMe(gGetCrvShowDiscTol());
    return arc;
}

TEST(Tool3dGeometryTest, CurveOffsetRows)
{
    CGeTool3D tool;
    auto line = Line(0, 0, 10, 0);
    CGeCurve3d* out = nullptr;
    ASSERT_EQ(tool.CurveOffset(line.get(), kUp, 2.0, out), 1);
    std::unique_ptr<CGeCurve3d> own(out);
    auto* l = dynamic_cast<CGeLine3d*>(out);
    ASSERT_NE(l, nullptr);
    EXPECT_EQ(l->m_ptStart[1], 2.0);
    EXPECT_EQ(l->m_ptEnd[0], 10.0);
    EXPECT_EQ(l->m_ptEnd[1], 2.0);
    CGeCurve3d* sentinel = reinterpret_cast<CGeCurve3d*>(&tool);
    out = sentinel;
    EXPECT_EQ(tool.CurveOffset(line.get(), kUp, 0.005, out), 0);
    EXPECT_EQ(out, sentinel) << "out untouched";

    struct Row {
        const char* label;
        double* normal;
        double dist;
        int result;
        double radius;
    } rows[] = {{"towards the centre", kUp, 2.0, 1, 3.0},
                {"radius below 0.001", kUp, 4.9995, 0, 0.0},
                {"normal against the axis", kDown, 2.0, 1, 7.0}};
    auto arc = Arc(0, 0, 5, 0, 2.0);
    for (const Row& row : rows) {
        CGeCurve3d* o = nullptr;
        EXPECT_EQ(tool.CurveOffset(arc.get(), row.normal, row.dist, o), row.result) << row.label;
        std::unique_ptr<CGeCurve3d> owned(o);
        if (row.result) {
            auto* a = dynamic_cast<CGeArc3d*>(o);
            ASSERT_NE(a, nullptr) << row.label;
            EXPECT_NEAR(a->m_radius, row.radius, 1e-12) << row.label;
        }
    }

    // A NURBS curve becomes an offset curve; offsetting that again adds the distances.
    double pts[4][3] = {{0, 0, 0}, {3, 2, 0}, {6, -1, 0}, {9, 1, 0}};
    CGeNrbCrv3d nurbs;
    nurbs.SetCurve(BCRV_Interpolate(pts, 4));
    CGeCurve3d* first = nullptr;
    ASSERT_EQ(tool.CurveOffset(&nurbs, kUp, 0.5, first), 1);
    std::unique_ptr<CGeCurve3d> ownFirst(first);
    ASSERT_NE(dynamic_cast<CGeOffsetCrv3d*>(first), nullptr);
    CGeCurve3d* second = nullptr;
    ASSERT_EQ(tool.CurveOffset(first, kDown, 0.25, second), 1);
    std::unique_ptr<CGeCurve3d> ownSecond(second);
    EXPECT_DOUBLE_EQ(static_cast<CGeOffsetCrv3d*>(second)->GetDistance(), 0.25);
}

// The fillet touches both curves: its centre lies r from each, and at each tangent
// point the arc's tangent is parallel to the curve's.
void ExpectFillet(CGeTool3D& tool, CGeCurve3d* c1, CGeCurve3d* c2, double r, const std::string& label)
{
    double t1 = -1, t2 = -1;
    unsigned int s1 = 0, s2 = 0;
    std::unique_ptr<CGeArc3d> arc(tool.GetFilletArc3d(c1, c2, r, t1, s1, t2, s2));
    ASSERT_NE(arc, nullptr) << label;
    EXPECT_NEAR(arc->m_radius, r, 1e-6) << label;
    for (int k = 0; k < 2; ++k) {
        CGeCurve3d* c = k == 0 ? c1 : c2;
        const double t = k == 0 ? t1 : t2;
        double p[3], tan[3] = {0, 0, 0}, near[3], u = 0, d = 0;
        unsigned int seg = 1;
        c->GetTanVecAt(t, p, tan, 1);
        // The tangent point lies on the arc and the centre lies r from the curve.
        EXPECT_NEAR(P3D_Dist(p, arc->m_frame.O), r, 1e-6) << label << " curve " << k;
        c->GetNearestPoint3D(arc->m_frame.O, near, u, seg, d);
        EXPECT_NEAR(P3D_Dist(near, arc->m_frame.O), r, 2e-3) << label << " curve " << k;
        double radial[3];
        V3D_Sub(p, arc->m_frame.O, radial);
        EXPECT_NEAR(V3D_Dot(radial, tan) / (V3D_Len(radial) * V3D_Len(tan)), 0.0, 1e-6) << label << " curve " << k;
    }
}

TEST(Tool3dGeometryTest, FilletsTouchBothCurves)
{
    CGeTool3D tool;
    auto x = Line(0, 0, 10, 0), y = Line(0, 0, 0, 10);
    double t1 = 0, t2 = 0;
    unsigned int s1 = 0, s2 = 0;
    std::unique_ptr<CGeArc3d> arc(tool.GetFilletArc3d(x.get(), y.get(), 1.0, t1, s1, t2, s2));
    ASSERT_NE(arc, nullptr);
    EXPECT_NEAR(arc->m_frame.O[0], 1.0, 1e-12);
    EXPECT_NEAR(arc->m_frame.O[1], 1.0, 1e-12);
    EXPECT_NEAR(t1, 0.1, 1e-12);
    EXPECT_NEAR(t2, 0.1, 1e-12);
    double a[3], b[3];
    const double onX[3] = {1, 0, 0}, onY[3] = {0, 1, 0};
    arc->GetStartPoint(a);
    arc->GetEndPoint(b);
    EXPECT_LT(std::min(P3D_Dist(a, onX), P3D_Dist(b, onX)), 1e-9);
    EXPECT_LT(std::min(P3D_Dist(a, onY), P3D_Dist(b, onY)), 1e-9);
    ExpectFillet(tool, x.get(), y.get(), 1.0, "line/line");

    auto slanted = Line(0, 0, 8, 6);
    auto arc1 = Arc(5, 6, 3, -2.5, 2.2);
    ExpectFillet(tool, slanted.get(), arc1.get(), 0.8, "line/arc");
    auto arcA = Arc(0, 0, 4, -0.6, 1.6), arcB = Arc(7, 1, 3, 2.2, 1.6);
    ExpectFillet(tool, arcA.get(), arcB.get(), 1.0, "arc/arc");

    // Curves in different planes have no fillet.
    double p[3] = {0, 0, 1}, q[3] = {0, 10, 5};
    CGeLine3d skew(p, q);
    EXPECT_EQ(tool.GetFilletArc3d(x.get(), &skew, 1.0, t1, s1, t2, s2), nullptr);
}

TEST(Tool3dGeometryTest, CommonTangentsOfTwoCirclesMatchTheClosedForm)
{
    CGeTool3D tool;
    struct Row {
        const char* label;
        double r1, r2, d;
        double h1, h2;  // hint angles on the circles
        int result;
        bool crossing;
    } rows[] = {
        {"outer, hints above", 1, 2, 10, 1.5, 1.6, 1, false},
        {"outer, hints below", 1, 2, 10, -1.5, -1.6, 1, false},
        {"crossing", 1, 2, 10, 1.5, -1.6, 1, true},
        {"smaller second circle", 2, 1, 10, 1.5, 1.6, 1, false},
        {"overlapping circles", 1, 2, 2.5, 1.5, 1.6, 1, false},
        {"one inside the other", 1, 2, 0.5, 1.5, 1.6, 0, false},
    };
    for (const Row& row : rows) {
        auto a1 = Arc(0, 0, row.r1, 0, 2 * kPi), a2 = Arc(row.d, 0, row.r2, 0, 2 * kPi);
        double t1 = row.h1 / (2 * kPi), t2 = row.h2 / (2 * kPi);
        if (t1 < 0) t1 += 1;
        if (t2 < 0) t2 += 1;
        double p1[3] = {0, 0, 0}, p2[3] = {0, 0, 0};
        ASSERT_EQ(tool.GetTanPtAt2Arc(a1.get(), a2.get(), &t1, &t2, p1, p2), row.result) << row.label;
        if (!row.result) continue;
        const double c1[3] = {0, 0, 0}, c2[3] = {row.d, 0, 0};
        EXPECT_NEAR(P3D_Dist(p1, c1), row.r1, 1e-9) << row.label << ": p1 on the first arc's circle";
        EXPECT_NEAR(P3D_Dist(p2, c2), row.r2, 1e-9) << row.label << ": p2 on the second arc's circle";
        // The line p1 p2 is perpendicular to both radii.
        double line[3], n1[3], n2[3];
        V3D_Sub(p2, p1, line);
        V3D_Sub(p1, c1, n1);
        V3D_Sub(p2, c2, n2);
        EXPECT_NEAR(V3D_Dot(line, n1), 0.0, 1e-9) << row.label;
        EXPECT_NEAR(V3D_Dot(line, n2), 0.0, 1e-9) << row.label;
        // Crossing tangents separate the centres; outer ones keep them on one side.
        const double side1 = (line[0] * (c1[1] - p1[1]) - line[1] * (c1[0] - p1[0]));
        const double side2 = (line[0] * (c2[1] - p1[1]) - line[1] * (c2[0] - p1[0]));
        EXPECT_EQ(side1 * side2 < 0, row.crossing) << row.label;
        // The closed form: the tangent's normal makes the angle acos((r1 -+ r2)/d) with the centre line.
        const double expectedCos = row.crossing ? (row.r1 + row.r2) / row.d : (row.r1 - row.r2) / row.d;
        EXPECT_NEAR(n1[0] / row.r1, expectedCos, 1e-9) << row.label;
        // The side follows the first hint.
        EXPECT_EQ(p1[1] > 0, row.h1 > 0) << row.label;
    }
}

TEST(Tool3dGeometryTest, CommonTangentOfTwoCurvesByNewton)
{
    CGeTool3D tool;
    auto a1 = Arc(0, 0, 1, 0.5, 2.0), a2 = Arc(10, 0, 2, 0.6, 2.0);
    double t1 = 0.5, t2 = 0.5, p1[3], p2[3];
    ASSERT_EQ(tool.GetTanPtAt2Curve(a1.get(), a2.get(), &t1, &t2, p1, p2), 1);
    double line[3], d1[3], d2[3], q[3], e[3];
    V3D_Sub(p2, p1, line);
    a1->Ev2Der(t1, q, d1, e, 1);
    a2->Ev2Der(t2, q, d2, e, 1);
    double c1[3], c2[3];
    V3D_Cross(line, d1, c1);
    V3D_Cross(line, d2, c2);
    EXPECT_LT(V3D_Len(c1) / (V3D_Len(line) * V3D_Len(d1)), 1e-3);
    EXPECT_LT(V3D_Len(c2) / (V3D_Len(line) * V3D_Len(d2)), 1e-3);
    EXPECT_NEAR(p1[1], 1.0 - 0.0, 0.11);  // the upper outer tangent, near the top of the small circle
}

// Arc length along the curve up to each point, measured on dense samples.
double LengthTo(CGeCurve3d* c, const double* p, int samples = 200000)
{
    double prev[3], best = 1e300, bestLen = 0, len = 0;
    c->GetPointAt(0.0, prev, 0);
    for (int i = 1; i <= samples; ++i) {
        double q[3];
        c->GetPointAt(static_cast<double>(i) / samples, q, 0);
        len += P3D_Dist(prev, q);
        const double d = P3D_Dist(q, p);
        if (d < best) best = d, bestLen = len;
        P3D_Copy(q, prev);
    }
    return best < 1e-3 ? bestLen : -1.0;
}

TEST(Tool3dGeometryTest, ConstantDistancePointsStepAlongTheCurve)
{
    CGeTool3D tool;
    CStrP3D out;
    auto line = Line(0, 0, 10, 0);
    ASSERT_EQ(tool.ToConstDistPoint(line.get(), 3.0, out), 1);
    ASSERT_EQ(out.m_nCount, 4);
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(out.m_pPoints[i][0], 3.0 * i, 1e-12) << "line point " << i;
    EXPECT_EQ(tool.ToConstDistPoint(line.get(), 20.0, out), 0);
    EXPECT_EQ(tool.ToConstDistPoint(line.get(), 0.0005, out), 0);
    EXPECT_EQ(tool.ToConstDistPoint(nullptr, 1.0, out), 0);

    auto arc = Arc(0, 0, 4, 0.2, 2.5);  // length 10
    ASSERT_EQ(tool.ToConstDistPoint(arc.get(), 0.7, out), 1);
    ASSERT_EQ(out.m_nCount, 15);
    for (int i = 0; i < out.m_nCount; ++i)
        EXPECT_NEAR(LengthTo(arc.get(), out.m_pPoints[i]), 0.7 * i, 1e-3) << "arc point " << i;

    // A polyline whose steps land on its vertices (and between them).
    double v[4][3] = {{0, 0, 0}, {3, 0, 0}, {3, 4, 0}, {3, 4, 6}};
    CGePolyline3d poly;
    ASSERT_TRUE(poly.Create(4, v));
    ASSERT_EQ(tool.ToConstDistPoint(&poly, 1.0, out), 1);
    ASSERT_EQ(out.m_nCount, 14);
    const double expected[][3] = {{0, 0, 0}, {3, 0, 0}, {3, 4, 0}, {3, 4, 6}};
    EXPECT_LT(P3D_Dist(out.m_pPoints[3], expected[1]), 1e-12);
    EXPECT_LT(P3D_Dist(out.m_pPoints[7], expected[2]), 1e-12);
    EXPECT_LT(P3D_Dist(out.m_pPoints[13], expected[3]), 1e-12);
    for (int i = 1; i < out.m_nCount; ++i) {
        // Consecutive points of one straight leg are exactly a step apart.
        if (i == 4 || i == 8) continue;
        EXPECT_NEAR(P3D_Dist(out.m_pPoints[i - 1], out.m_pPoints[i]), 1.0, 1e-12) << "polyline step " << i;
    }
}

TEST(Tool3dGeometryTest, PlaneRelations)
{
    double point[3] = {9, 9, 9}, normal[3] = {9, 9, 9};
    struct Row {
        const char* label;
        double p1[3], d1[3], p2[3], d2[3];
        int code;
    } rows[] = {
        {"crossing lines", {0, 0, 0}, {1, 0, 0}, {0, 0, 0}, {0, 1, 0}, 1},
        {"parallel lines apart", {0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {2, 0, 0}, 1},
        {"one line", {0, 0, 0}, {1, 0, 0}, {5, 0, 0}, {-1, 0, 0}, 2},
        {"skew lines", {0, 0, 0}, {1, 0, 0}, {0, 0, 1}, {0, 1, 0}, 0},
    };
    for (const Row& row : rows)
        EXPECT_EQ(L3D_IsCoplanar(row.p1, row.d1, row.p2, row.d2, 1e-6, 1e-4, point, normal), row.code) << row.label;

    CGeTool3D tool;
    auto a = Arc(0, 0, 1, 0, 1), b = Arc(5, 5, 2, 0, 1);
    auto l = Line(3, 3, 9, 1);
    CGeCurve3dList list;
    list.AddTail(a.get());
    list.AddTail(b.get());
    list.AddTail(l.get());
    EXPECT_EQ(tool.IsCoplanar(&list, point, normal, 1e-6), 1);
    EXPECT_NEAR(std::fabs(normal[2]), 1.0, 1e-12);
    double p[3] = {0, 0, 0}, q[3] = {0, 0, 1};
    CGeLine3d vertical(p, q);
    list.AddTail(&vertical);
    double up[3] = {1, 0, 0}, up2[3] = {1, 0, 1};
    CGeLine3d lifted(up, up2);
    list.AddTail(&lifted);
    EXPECT_EQ(tool.IsCoplanar(&list, point, normal, 1e-6), 0);
    list.RemoveAll();
}

}  // namespace
