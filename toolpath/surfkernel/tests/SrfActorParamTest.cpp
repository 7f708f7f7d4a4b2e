// Parameter-space curves of the facade: points projected onto trimmed planes
// and cylinders against their analytic feet and the trim loops' edges, and the
// parameter boundaries of revolutions (cylinder, half cone) against the
// analytic (height, angle) of their 3D boundaries.
#include "toolpath/surfkernel/SrfActor.h"

#include "framework/numerak/PointString3D.h"
#include "geometry/shapes2d/GePolyline.h"
#include "geometry/shapes3d/GeArc3d.h"
#include "geometry/shapes3d/GeLine3d.h"
#include "geometry/shapes3d/GePolyline3d.h"
#include "geometry/shapes3d/GeTrimSurf.h"
#include "testing/SurfaceFixtures.h"
#include "toolpath/surfkernel/KernelEntity.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <memory>
#include <vector>

namespace {

const double kPi = std::acos(-1.0);

struct OwnedCurves {
    CTypedPtrList<CObList, CGeCurve3d*> list;
    ~OwnedCurves()
    {
        for (CGeCurve3d* c : list) delete c;
    }
};

// A surface bounded by the given loops (u0, u1, v0, v1), first the outer one.
std::unique_ptr<CGeTrimSurf> Bounded(surffix::SurfPtr s, std::vector<std::array<double, 4>> loops)
{
    auto surf = std::make_unique<CGeTrimSurf>(s.release(), BOX2<double>(0, 0, 1, 1));
    for (const auto& l : loops) surf->AddLoop(surf->GenRectTrimLoop(l[0], l[1], l[2], l[3]));
    surf->BuildTopo();
    surf->CalcUVBox();
    return surf;
}

std::vector<std::array<double, 3>> CurvePoints(CGeCurve3d* c)
{
    CStrP3D str;
    c->Discrete(1e-4, str);
    std::vector<std::array<double, 3>> pts;
    for (int i = 0; i < str.m_nCount; ++i) {
        const double* p = str.m_pPoints[i];
        pts.push_back({p[0], p[1], p[2]});
    }
    return pts;
}

TEST(SrfActorStrptCurves, PiecesInsideTheTrimLoopsOfAPlane)
{
    // The plane z = 0 over [0, 10]², trimmed to [0.5, 9.5]² with the hole [4, 6]².
    CSrfActor actor;
    auto plane = Bounded(surffix::Plane(10, 10), {{0.05, 0.95, 0.05, 0.95}, {0.4, 0.6, 0.4, 0.6}});
    actor.CreateSURFACE(plane.get());
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Row {
        const char* label;
        std::vector<tagPoint3d> pts;
        std::vector<std::array<double, 2>> ends;  // x of each piece's start and end, on y = pts' y
    };
    auto along = [](double y, double x0, double x1, int n, double z) {
        std::vector<tagPoint3d> pts;
        for (int i = 0; i < n; ++i) pts.push_back({n > 1 ? x0 + (x1 - x0) * i / (n - 1) : x0, y, z});
        return pts;
    };
    auto join = [](std::vector<std::vector<tagPoint3d>> parts) {
        std::vector<tagPoint3d> all;
        for (auto& p : parts) all.insert(all.end(), p.begin(), p.end());
        return all;
    };
    const Row rows[] = {
        {"across the hole", along(5, 1, 9, 81, 1.5), {{1, 4}, {6, 9}}},
        {"over the outer edge", along(2, 3, 9.9, 70, -2), {{3, 9.5}}},
        {"failed projections end the runs", join({along(2, 1, 3, 21, 1), {{nan, 0, 0}}, along(2, 3.5, 3.5, 1, 1),
                                                   {{nan, 0, 0}}, along(2, 4, 8, 41, 1)}),
         {{1, 3}, {3.5, 8}}},
        {"a single value at the end is dropped", join({along(7, 1, 3, 21, 1), {{nan, 0, 0}}, along(7, 5, 5, 1, 1)}),
         {{1, 3}}},
    };
    const double tolBefore = ESSI_GetPointTol();
    for (const Row& row : rows) {
        CArray<tagPoint3d, tagPoint3d> pts;
        for (const tagPoint3d& p : row.pts) pts.Add(p);
        OwnedCurves out;
        ASSERT_EQ(actor.StrptPrjToSurfAlongNormal(pts, plane.get(), 2, &out.list), 1) << row.label;
        EXPECT_EQ(ESSI_GetPointTol(), tolBefore) << "point tolerance restored";
        ASSERT_EQ(out.list.GetCount(), static_cast<int>(row.ends.size())) << row.label;
        std::vector<std::array<double, 2>> got;
        for (CGeCurve3d* c : out.list) {
            const auto p = CurvePoints(c);
            for (const auto& q : p) {
                EXPECT_NEAR(q[1], row.pts.front().y, 1e-9) << row.label;
                EXPECT_NEAR(q[2], 0.0, 1e-9) << row.label;
            }
            got.push_back({std::min(p.front()[0], p.back()[0]), std::max(p.front()[0], p.back()[0])});
        }
        std::sort(got.begin(), got.end());
        for (std::size_t i = 0; i < got.size(); ++i) {
            EXPECT_NEAR(got[i][0], row.ends[i][0], 1e-6) << row.label << " piece " << i;
            EXPECT_NEAR(got[i][1], row.ends[i][1], 1e-6) << row.label << " piece " << i;
        }
    }
    actor.FreeSURFACE(plane.get());
}

TEST(SrfActorStrptCurves, RunsAreBrokenWhereTheyCrossEachOther)
{
    // Two diagonals of the square [1, 3]², one run each (a point that does not
    // project between them), give four pieces meeting at its centre.
    CSrfActor actor;
    auto plane = Bounded(surffix::Plane(10, 10), {{0, 1, 0, 1}});
    actor.CreateSURFACE(plane.get());
    CArray<tagPoint3d, tagPoint3d> pts;
    for (int i = 0; i <= 20; ++i) pts.Add(tagPoint3d{1 + 0.1 * i, 1 + 0.1 * i, 0.5});
    pts.Add(tagPoint3d{std::numeric_limits<double>::quiet_NaN(), 0, 0});
    for (int i = 0; i <= 20; ++i) pts.Add(tagPoint3d{1 + 0.1 * i, 3 - 0.1 * i, 0.5});
    OwnedCurves out;
    ASSERT_EQ(actor.StrptPrjToSurfAlongNormal(pts, plane.get(), 2, &out.list), 1);
    ASSERT_EQ(out.list.GetCount(), 4);
    for (CGeCurve3d* c : out.list) {
        const auto p = CurvePoints(c);
        const auto& centre = std::hypot(p.front()[0] - 2, p.front()[1] - 2) < 1e-6 ? p.front() : p.back();
        const auto& corner = &centre == &p.front() ? p.back() : p.front();
        EXPECT_NEAR(centre[0], 2.0, 1e-6);
        EXPECT_NEAR(centre[1], 2.0, 1e-6);
        EXPECT_NEAR(std::fabs(corner[0] - 2), 1.0, 1e-9);
        EXPECT_NEAR(std::fabs(corner[1] - 2), 1.0, 1e-9);
    }
    actor.FreeSURFACE(plane.get());
}

TEST(SrfActorStrptCurves, ClosedStringsCloseOnTheMeanOfTheirEnds)
{
    CSrfActor actor;
    auto plane = Bounded(surffix::Plane(10, 10), {{0, 1, 0, 1}});
    actor.CreateSURFACE(plane.get());
    // A circle about (2.5, 2.5) whose last point misses the first by 5e-5.
    CArray<tagPoint3d, tagPoint3d> pts;
    for (int i = 0; i <= 100; ++i) {
        const double a = 2 * kPi * i / 100;
        pts.Add(tagPoint3d{2.5 + std::cos(a) + (i == 100 ? 5e-5 : 0.0), 2.5 + std::sin(a), 0.7});
    }
    OwnedCurves out;
    ASSERT_EQ(actor.StrptPrjToSurfAlongNormal(pts, plane.get(), 0, &out.list), 1);
    ASSERT_EQ(out.list.GetCount(), 1);
    double s[3], e[3];
    out.list.GetHead()->GetStartPoint(s);
    out.list.GetHead()->GetEndPoint(e);
    EXPECT_NEAR(s[0], 3.5 + 2.5e-5, 1e-9);
    EXPECT_NEAR(s[1], 2.5, 1e-9);
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(s[c], e[c], 1e-9) << "closed";
    actor.FreeSURFACE(plane.get());

    // Around a cylinder of radius 2 (u the angle): the run closes across the seam.
    auto cylinder = Bounded(surffix::Cylinder(2, 3), {{0, 1, 0, 1}});
    actor.CreateSURFACE(cylinder.get());
    CArray<tagPoint3d, tagPoint3d> ring;
    for (int i = 0; i <= 120; ++i) {
        const double a = 0.3 + 2 * kPi * i / 120;
        ring.Add(tagPoint3d{2.4 * std::cos(a), 2.4 * std::sin(a), 1.5});
    }
    OwnedCurves around;
    ASSERT_EQ(actor.StrptPrjToSurfAlongNormal(ring, cylinder.get(), 2, &around.list), 1);
    ASSERT_GE(around.list.GetCount(), 1);
    double length = 0.0;
    for (CGeCurve3d* c : around.list) {
        for (const auto& q : CurvePoints(c)) {
            EXPECT_NEAR(std::hypot(q[0], q[1]), 2.0, 1e-6);
            EXPECT_NEAR(q[2], 1.5, 1e-6);
        }
        length += c->EvTotalArcLength();
    }
    EXPECT_NEAR(length, 4 * kPi, 0.01) << "once around, no piece lost or doubled";
    actor.FreeSURFACE(cylinder.get());
}

TEST(SrfActorStrptCurves, BadInput)
{
    CSrfActor actor;
    auto plane = Bounded(surffix::Plane(10, 10), {{0, 1, 0, 1}});
    CArray<tagPoint3d, tagPoint3d> two;
    two.Add(tagPoint3d{1, 1, 0});
    two.Add(tagPoint3d{2, 1, 0});
    OwnedCurves out;
    EXPECT_EQ(actor.StrptPrjToSurfAlongNormal(two, plane.get(), 2, &out.list), 0) << "no kernel record";
    actor.CreateSURFACE(plane.get());
    CArray<tagPoint3d, tagPoint3d> one;
    one.Add(tagPoint3d{1, 1, 0});
    EXPECT_EQ(actor.StrptPrjToSurfAlongNormal(one, plane.get(), 2, &out.list), 0) << "one point";
    EXPECT_EQ(actor.StrptPrjToSurfAlongNormal(two, plane.get(), 2, nullptr), 0);
    EXPECT_EQ(actor.StrptPrjToSurfAlongNormal(two, nullptr, 2, &out.list), 0);
    EXPECT_EQ(out.list.GetCount(), 0);
    actor.FreeSURFACE(plane.get());
}

// A loop of bounds that have only their 3D curves.
CGeTrimLoop* Loop3d(CGeTrimSurf* surf, std::vector<CGeCurve3d*> curves)
{
    auto* loop = new CGeTrimLoop;
    for (CGeCurve3d* c : curves) loop->m_listBnd.AddTail(new CGeTrimBnd(nullptr, c, loop));
    surf->m_listLoop.AddTail(loop);
    loop->m_pSurf = surf;
    return loop;
}

CGeCurve3d* Line(double x0, double y0, double z0, double x1, double y1, double z1)
{
    double a[3] = {x0, y0, z0}, b[3] = {x1, y1, z1};
    return new CGeLine3d(a, b);
}

CGeCurve3d* Arc(double z, double r, double start, double sweep)
{
    auto* arc = new CGeArc3d;
    double c[3] = {0, 0, z};
    arc->CreateArcXY(c, r, start, sweep);
    return arc;
}

std::vector<std::array<double, 2>> Vertices(CGeTrimBnd* b)
{
    std::vector<std::array<double, 2>> v;
    if (!b->m_pUVCrv || b->m_pUVCrv->GetType() != 64) return v;
    const auto* poly = static_cast<CGePolyline*>(b->m_pUVCrv);
    for (int i = 0; i < poly->GetSWPointCount(); ++i) v.push_back({poly->GetSWPoint()[i][0], poly->GetSWPoint()[i][1]});
    return v;
}

// Signed area of the loop's parameter polylines walked in order.
double LoopArea(CGeTrimLoop* loop)
{
    double a = 0.0;
    for (CGeTrimBnd* b : loop->m_listBnd) {
        const auto v = Vertices(b);
        for (std::size_t i = 1; i < v.size(); ++i) a += v[i - 1][0] * v[i][1] - v[i][0] * v[i - 1][1];
    }
    return a / 2;
}

// Largest gap between the end of one bound and the start of the next.
double LoopGap(CGeTrimLoop* loop)
{
    std::vector<std::vector<std::array<double, 2>>> all;
    for (CGeTrimBnd* b : loop->m_listBnd) all.push_back(Vertices(b));
    double gap = 0.0;
    for (std::size_t i = 0; i < all.size(); ++i) {
        const auto& a = all[i].back();
        const auto& b = all[(i + 1) % all.size()].front();
        gap = std::max(gap, std::hypot(a[0] - b[0], a[1] - b[1]));
    }
    return gap;
}

TEST(SrfActorRevBounds, CylinderAndHalfConeBoundsGetTheirParameterLines)
{
    // Seam lines become two-point lines flagged 1, the circles run from seam to
    // seam in v with their ends on the right side, and each outer loop closes
    // round the unit square counter-clockwise.
    struct Row {
        const char* label;
        double r0, r1, h;    // profile from (r0, 0, 0) to (r1, 0, h)
        double sweep;        // angle range [0, sweep]
    } rows[] = {
        {"cylinder", 2, 2, 3, 2 * kPi},
        {"half cone", 1, 3, 4, kPi},
    };
    for (const Row& row : rows) {
        CSrfActor actor;
        auto surf = std::make_unique<CGeTrimSurf>(surffix::Cylinder(2, 3).release(), BOX2<double>(0, 0, 1, 1));
        const double c = std::cos(row.sweep), s = std::sin(row.sweep);
        CGeTrimLoop* loop = Loop3d(surf.get(), {Line(row.r0, 0, 0, row.r1, 0, row.h), Arc(row.h, row.r1, 0, row.sweep),
                                                Line(row.r1 * c, row.r1 * s, row.h, row.r0 * c, row.r0 * s, 0),
                                                Arc(0, row.r0, row.sweep, -row.sweep)});
        std::unique_ptr<CGeCurve3d> profile(Line(row.r0, 0, 0, row.r1, 0, row.h)), axis(Line(0, 0, -1, 0, 0, 5));
        double angles[2] = {0, row.sweep};
        actor.UpdateRevSrfBnd(surf.get(), profile.get(), axis.get(), angles);

        std::vector<CGeTrimBnd*> b(loop->m_listBnd.begin(), loop->m_listBnd.end());
        const std::array<double, 2> corner[] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
        for (int k = 0; k < 4; ++k) {
            const auto v = Vertices(b[k]);
            ASSERT_GE(v.size(), 2u) << row.label << " bound " << k;
            EXPECT_EQ(b[k]->m_pUVCrv->GetExtData(), k % 2 == 0 ? 1u : 0u) << row.label << " seam flag of bound " << k;
            if (k % 2 == 0) {
                EXPECT_EQ(v.size(), 2u) << row.label << " seam line";
            }
            for (int e = 0; e < 2; ++e) {
                const auto& p = e == 0 ? v.front() : v.back();
                const auto& want = corner[(k + e) % 4];
                EXPECT_NEAR(p[0], want[0], 1e-9) << row.label << " bound " << k << " end " << e;
                EXPECT_NEAR(p[1], want[1], 1e-9) << row.label << " bound " << k << " end " << e;
            }
            // The circles: u fixed, v monotone.
            for (std::size_t i = 1; k % 2 == 1 && i < v.size(); ++i) {
                EXPECT_NEAR(v[i][0], k == 1 ? 1.0 : 0.0, 1e-9) << row.label;
                EXPECT_TRUE(k == 1 ? v[i][1] > v[i - 1][1] : v[i][1] < v[i - 1][1]) << row.label << " bound " << k;
            }
        }
        EXPECT_NEAR(LoopArea(loop), 1.0, 1e-9) << row.label;
        BOX2<double> box;
        surf->GetUVBox(&box);
        EXPECT_NEAR(box.xmin, 0, 1e-9);
        EXPECT_NEAR(box.ymax, 1, 1e-9);
    }
}

TEST(SrfActorRevBounds, AnIslandOnAConeFollowsItsHeightsAndAngles)
{
    // Cone from radius 1 at z = 0 to 3 at z = 4 over a half turn: a point at
    // height z and angle a has u = z / 4 and v = a / pi.
    CSrfActor actor;
    auto surf = std::make_unique<CGeTrimSurf>(surffix::Cylinder(2, 3).release(), BOX2<double>(0, 0, 1, 1));
    Loop3d(surf.get(), {Line(1, 0, 0, 3, 0, 4), Arc(4, 3, 0, kPi), Line(-3, 0, 4, -1, 0, 0), Arc(0, 1, kPi, -kPi)});
    std::vector<std::array<double, 2>> want;
    double pts[200][3];
    for (int i = 0; i < 200; ++i) {
        const double f = 2 * kPi * i / 199, a = kPi / 2 + 0.3 * std::cos(f), z = 2 + 0.8 * std::sin(f);
        const double r = 1 + z / 2;
        pts[i][0] = r * std::cos(a), pts[i][1] = r * std::sin(a), pts[i][2] = z;
        want.push_back({z / 4, a / kPi});
    }
    auto* ring = new CGePolyline3d;
    ASSERT_EQ(ring->Create(200, pts), 1);
    CGeTrimLoop* island = Loop3d(surf.get(), {ring});
    // A bound that already has its parameter curve stays as it is.
    CGeTrimBnd* given = surf->m_listLoop.GetHead()->m_listBnd.GetHead();
    double p0[2] = {0.3, 0.0}, p1[2] = {0.7, 0.0};
    auto* kept = new CGePolyline;
    const double kp[2][2] = {{p0[0], p0[1]}, {p1[0], p1[1]}};
    kept->Create(2, kp);
    given->m_pUVCrv = kept;

    std::unique_ptr<CGeCurve3d> profile(Line(1, 0, 0, 3, 0, 4)), axis(Line(0, 0, 0, 0, 0, 1));
    double angles[2] = {0, kPi};
    actor.UpdateRevSrfBnd(surf.get(), profile.get(), axis.get(), angles);

    CGeTrimBnd* bnd = island->m_listBnd.GetHead();
    const auto v = Vertices(bnd);
    ASSERT_GE(v.size(), 20u);
    EXPECT_EQ(bnd->m_pUVCrv->GetExtData(), 0u);
    // Every vertex left after thinning is the (u, v) of a vertex of the ring
    // (chords dip inside the cone but keep their angle and nearest height).
    for (const auto& q : v) {
        double best = INFINITY;
        for (const auto& w : want) best = std::min(best, std::hypot(q[0] - w[0], q[1] - w[1]));
        EXPECT_LT(best, 1e-6);
    }
    // An ellipse of half-axes 0.2 in u and 0.3 / pi in v.
    EXPECT_NEAR(std::fabs(LoopArea(island)), kPi * 0.2 * 0.3 / kPi, 0.002);
    EXPECT_EQ(given->m_pUVCrv, kept) << "a given parameter curve is kept";
    // The gap the kept line leaves at the outer loop's corner is closed by moving
    // the end of the neighbour with fewer points.
    EXPECT_LT(LoopGap(surf->m_listLoop.GetHead()), 1e-12);
}

TEST(SrfActorRevBounds, SeamLinesOfLaterLoopsTurnTheOtherWay)
{
    CSrfActor actor;
    auto surf = std::make_unique<CGeTrimSurf>(surffix::Cylinder(2, 3).release(), BOX2<double>(0, 0, 1, 1));
    surf->m_listLoop.AddTail(new CGeTrimLoop);  // no bounds: not the first loop that counts
    CGeTrimLoop* first = Loop3d(surf.get(), {Line(2, 0, 0.5, 2, 0, 2.5)});
    CGeTrimLoop* later = Loop3d(surf.get(), {Line(2, 0, 0.5, 2, 0, 2.5)});
    std::unique_ptr<CGeCurve3d> profile(Line(2, 0, 0, 2, 0, 3)), axis(Line(0, 0, 0, 0, 0, 3));
    double angles[2] = {0, 2 * kPi};
    actor.UpdateRevSrfBnd(surf.get(), profile.get(), axis.get(), angles);
    const auto a = Vertices(first->m_listBnd.GetHead()), b = Vertices(later->m_listBnd.GetHead());
    ASSERT_EQ(a.size(), 2u);
    ASSERT_EQ(b.size(), 2u);
    EXPECT_NEAR(a[0][0], 0.5 / 3, 1e-9);
    EXPECT_NEAR(a[1][0], 2.5 / 3, 1e-9);
    EXPECT_EQ(a[0][1], 0.0);
    EXPECT_EQ(b[0][1], 1.0);

    // Nothing for an axis that is not a line, a missing angle range or surface.
    auto other = std::make_unique<CGeTrimSurf>(surffix::Cylinder(2, 3).release(), BOX2<double>(0, 0, 1, 1));
    CGeTrimLoop* loop = Loop3d(other.get(), {Line(2, 0, 0.5, 2, 0, 2.5)});
    std::unique_ptr<CGeCurve3d> arcAxis(Arc(0, 1, 0, 1));
    actor.UpdateRevSrfBnd(other.get(), profile.get(), arcAxis.get(), angles);
    actor.UpdateRevSrfBnd(other.get(), profile.get(), axis.get(), nullptr);
    actor.UpdateRevSrfBnd(nullptr, profile.get(), axis.get(), angles);
    actor.UpdateRevSrfBnd(other.get(), nullptr, axis.get(), angles);
    EXPECT_EQ(loop->m_listBnd.GetHead()->m_pUVCrv, nullptr);
}

}  // namespace
