// Picking of 3D points and curves: 2D distances against closed forms, one ray over
// several shapes keeping the nearest hit, the arc's pick parameter, box selection.
#include "framework/looker/SnapRecords.h"
#include "framework/numerak/Point3D.h"
#include "geometry/shapes3d/GeArc3d.h"
#include "geometry/shapes3d/GeLine3d.h"
#include "geometry/shapes3d/GePoint3d.h"
#include "geometry/shapes3d/GePolyline3d.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <random>
#include <string>

namespace {

constexpr double kPi = 3.141592653589793;

CPickRay Ray2D(double x, double y, double aperture)
{
    CPickRay ray;
    ray.m_pt[0] = x;
    ray.m_pt[1] = y;
    ray.m_dAperture = aperture;
    ray.m_b2D = 1;
    return ray;
}

CPickRay Ray3D(const double* origin, const double* dir, double aperture)
{
    CPickRay ray;
    P3D_Copy(origin, ray.m_pt);
    P3D_Copy(dir, ray.m_dir);
    ray.m_dAperture = aperture;
    ray.m_b2D = 0;
    return ray;
}

CGePolyline3d* Polyline(std::initializer_list<std::array<double, 3>> pts)
{
    auto* pl = new CGePolyline3d;
    std::vector<double> flat;
    for (const auto& p : pts) flat.insert(flat.end(), p.begin(), p.end());
    pl->Create(static_cast<int>(pts.size()), reinterpret_cast<double(*)[3]>(flat.data()));
    return pl;
}

// Quarter circle of radius 10 about (0, 0, z) in a horizontal plane, discretised finely.
CGeArc3d* FlatArc(double z)
{
    auto* arc = new CGeArc3d;
    double c[3] = {0, 0, z};
    arc->CreateArcXY(c, 10.0, 0.0, kPi / 2);
    arc->DiscreteMe(0.001);
    return arc;
}

TEST(Pick3dTest, PlanePicksMeasureTheDistanceInXY)
{
    struct Row {
        std::string label;
        std::function<CGeShape3d*()> make;
        double x, y;
        double dist;  // closed form; < 0: no hit within the aperture 1
    };
    double s[3] = {0, 0, 5}, e[3] = {10, 0, -5}, p[3] = {3, 4, 100};
    const std::vector<Row> rows = {
        {"point, near", [&] { return new CGePoint3d(p); }, 3.3, 4.4, 0.5},
        {"point, outside", [&] { return new CGePoint3d(p); }, 3.0, 5.0, -1},
        {"line, across the middle", [&] { return new CGeLine3d(s, e); }, 4, 0.7, 0.7},
        {"line, beyond the start", [&] { return new CGeLine3d(s, e); }, -0.6, 0.8, 1.0},
        {"line, far beyond the end", [&] { return new CGeLine3d(s, e); }, 12, 0, -1},
        {"polyline, at a corner", [] { return Polyline({{0, 0, 0}, {5, 0, 3}, {5, 5, -3}}); }, 5.3, -0.4, 0.5},
        {"polyline, along the second segment", [] { return Polyline({{0, 0, 0}, {5, 0, 3}, {5, 5, -3}}); }, 4.2, 2.5,
         0.8},
        {"flat arc, inside", [] { return FlatArc(7); }, 0.6 * 9.5, 0.8 * 9.5, 0.5},
        {"flat arc, outside", [] { return FlatArc(7); }, 0.6 * 10.9, 0.8 * 10.9, 0.9},
        {"flat arc, past the end", [] { return FlatArc(7); }, -0.7, 10, 0.7},
        {"flat arc, far from the sweep", [] { return FlatArc(7); }, -7, -7, -1},
    };
    for (const Row& row : rows) {
        std::unique_ptr<CGeShape3d> shape(row.make());
        CPickRay ray = Ray2D(row.x, row.y, 1.0);
        const int hit = shape->GetType() == 0x400 ? static_cast<CGePoint3d*>(shape.get())->Pick(ray, 1)
                                                   : static_cast<CGeCurve3d*>(shape.get())->Pick(ray, 1);
        ASSERT_EQ(hit, row.dist >= 0 ? 1 : 0) << row.label;
        if (hit) {
            EXPECT_NEAR(ray.m_dDist, row.dist, 1e-9) << row.label;
        }
    }
}

TEST(Pick3dTest, PlanePickRowsOfPointAndLine)
{
    double p[3] = {0, 0, 0};
    CGePoint3d point(p);
    CPickRay ray = Ray2D(0.3, 0, 1.0);
    ray.m_dDist = 0.2;
    EXPECT_EQ(point.Pick(ray, 0), 1) << "a hit farther than the request's distance still hits";
    EXPECT_EQ(ray.m_dDist, 0.2);

    double s[3] = {0, 0, 0}, e[3] = {10, 0, 0};
    CGeLine3d line(s, e);
    ray = Ray2D(-0.5, 0.1, 1.0);
    ray.m_dDist = 0.01;
    ASSERT_EQ(line.Pick(ray, 0), 1);
    EXPECT_NEAR(ray.m_dParam, -0.05, 1e-12) << "beyond the start: a parameter below 0";
    EXPECT_NEAR(ray.m_dDist, std::hypot(0.5, 0.1), 1e-12) << "replaces the distance without comparing";

    ray = Ray2D(5, 0, 1.0);
    ray.m_nTypeMask = 0x400 | 0x1000;
    EXPECT_EQ(line.Pick(ray, 1), 0) << "the mask leaves lines out";
    EXPECT_EQ(line.Pick(ray, 0), 1) << "without the mask they are picked";
}

TEST(Pick3dTest, OneRayKeepsTheNearestOfPointPolylineAndArc)
{
    // A downward ray through (5, 0): the point, a polyline and an arc lie under it at
    // different heights; the highest is the first met, whatever the order of the picks.
    const double origin[3] = {5, 0, 100}, down[3] = {0, 0, -1};
    struct Shape {
        std::string label;
        std::function<int(CPickRay&)> pick;
        double z;
    };
    double pt[3] = {5, 0.2, 30};
    CGePoint3d point(pt);
    std::unique_ptr<CGePolyline3d> poly(Polyline({{0, 0, 20}, {10, 0, 20}}));
    auto arc = std::make_unique<CGeArc3d>();
    double c[3] = {0, 0, 40};
    arc->CreateArcXY(c, 5.0, -0.5, 1.0);  // passes through (5, 0, 40)
    arc->DiscreteMe(0.001);
    const std::vector<Shape> shapes = {
        {"point", [&](CPickRay& r) { return point.Pick(r, 1); }, 30},
        {"polyline", [&](CPickRay& r) { return poly->Pick(r, 1); }, 20},
        {"arc", [&](CPickRay& r) { return arc->Pick(r, 1); }, 40},
    };
    const int orders[][3] = {{0, 1, 2}, {2, 1, 0}, {1, 2, 0}, {1, 0, 2}};
    for (const auto& order : orders) {
        CPickRay ray = Ray3D(origin, down, 0.5);
        std::string best;
        for (int i : order)
            if (shapes[i].pick(ray)) best = shapes[i].label;
        EXPECT_EQ(best, "arc") << "order " << order[0] << order[1] << order[2];
        EXPECT_NEAR(ray.m_dDepth, 100 - 40, 1e-6) << "the depth is the ray parameter of the hit";
    }

    // A deeper hit leaves the request as it is.
    CPickRay ray = Ray3D(origin, down, 0.5);
    ray.m_dDepth = 65;
    ray.m_dParam = 0.123;
    ray.m_nSeg = 77;
    EXPECT_EQ(poly->Pick(ray, 1), 0);
    EXPECT_EQ(point.Pick(ray, 1), 0);
    EXPECT_EQ(ray.m_dDepth, 65);
    EXPECT_EQ(ray.m_dParam, 0.123);
    EXPECT_EQ(ray.m_nSeg, 77);
    EXPECT_EQ(poly->Pick(ray = Ray3D(origin, down, 0.5), 1), 1);
    EXPECT_NEAR(ray.m_dParam, 0.5, 1e-12) << "local parameter on the hit segment";
    EXPECT_EQ(ray.m_nSeg, 1);
}

TEST(Pick3dTest, ArcPickParameterIsTheArcLengthFractionOfTheHit)
{
    // A tilted arc (the exact 2D pick does not apply), picked along its normal through a
    // point of its display string; the oracle is the point's angle over the sweep, which
    // the arc-length fraction of equal chords matches to far below one chord.
    CGeArc3d arc;
    double s[3] = {10, 0, 0}, m[3] = {0, 7, 7}, e[3] = {-10, 0, 0};
    ASSERT_EQ(arc.Create3Pnt(s, m, e), 1);
    arc.DiscreteMe(0.01);
    const int n = arc.m_strDisp.m_nCount;
    ASSERT_GT(n, 20);
    std::mt19937 rng(21);
    std::uniform_real_distribution<double> u(0.05, 0.95);
    std::uniform_int_distribution<int> chord(1, n - 1);
    for (int i = 0; i < 50; ++i) {
        const int k = chord(rng);
        const double f = u(rng);
        double p[3], origin[3], dir[3];
        P3D_Lerp(arc.m_strDisp.m_pPoints[k - 1], arc.m_strDisp.m_pPoints[k], f, p);
        for (int j = 0; j < 3; ++j) {
            origin[j] = p[j] + 50 * arc.m_frame.Z[j];
            dir[j] = -arc.m_frame.Z[j];
        }
        double t = -1;
        ASSERT_EQ(arc.GetParam(p, t), 1);
        CPickRay ray = Ray3D(origin, dir, 1e-7);
        const std::string label = "chord " + std::to_string(k) + " at " + std::to_string(f);
        ASSERT_EQ(arc.Pick(ray, 1), 1) << label;
        EXPECT_NEAR(ray.m_dParam, t, 1e-5) << label;
        EXPECT_EQ(ray.m_nSeg, k) << label << ": the 1-based hit chord";
        EXPECT_NEAR(ray.m_dDepth, 50, 1e-9) << label;
    }
}

TEST(Pick3dTest, BoxSelection)
{
    BOX2<double> box(0, 0, 10, 10);
    double on[3] = {10.0000005, 5, 3}, off[3] = {10.01, 5, 3};
    CGePoint3d a(on), b(off);
    EXPECT_EQ(a.PickBox(nullptr, &box), 1) << "on the border within 1e-6";
    EXPECT_EQ(b.PickBox(nullptr, &box), 0);

    // A frame turned a quarter about z: world (x, y) becomes (y, -x).
    _rect_fm3d f{{0, 1, 0}, {-1, 0, 0}, {0, 0, 1}, {0, 0, 0}, 0};
    double turned[3] = {-5, -5, 0};
    EXPECT_EQ(CGePoint3d(turned).PickBox(&f, &box), 0);
    double inFrame[3] = {-5, 5, 0};  // frame (5, 5)
    EXPECT_EQ(CGePoint3d(inFrame).PickBox(&f, &box), 1);

    std::unique_ptr<CGePolyline3d> crossing(Polyline({{-5, 5, 0}, {15, 5, 9}}));
    std::unique_ptr<CGePolyline3d> outside(Polyline({{-5, 15, 0}, {15, 15, 9}}));
    EXPECT_EQ(crossing->PickBox(nullptr, &box), 1) << "an edge crossing the box";
    EXPECT_EQ(outside->PickBox(nullptr, &box), 0);
}

}  // namespace
