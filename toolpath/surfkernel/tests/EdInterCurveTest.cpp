#include "toolpath/surfkernel/EdInterCurve.h"

#include "EdInterCurveFixtures.h"
#include "framework/numerak/Point3D.h"
#include "framework/numerak/QvMem.h"
#include "toolpath/surfkernel/EdTrimBound.h"
#include "toolpath/surfkernel/EdTrimLoop.h"
#include "toolpath/surfkernel/SurfaceIntersect.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <utility>
#include <vector>

using namespace intercurve;

namespace {

struct EdInterCurveTest : ::testing::Test {
    void SetUp() override { ESSI_ResetKernelState(); }
    void TearDown() override { ESSI_ResetKernelState(); }
};

double Dist3(const double* a, const double* b) { return P3D_Dist(a, b); }

// Ten points along x on a plane of side 10: t = i lies at (1 + i, 5, 0).
std::vector<std::array<double, 2>> Straight(int n, double u0, double u1, double v)
{
    std::vector<std::array<double, 2>> uv;
    for (int i = 0; i < n; ++i) uv.push_back({u0 + (u1 - u0) * i / (n - 1), v});
    return uv;
}

}  // namespace

// Listed points merge when they lie within 1e-5 in t, or within 1 in t and 0.02 in
// 3D; a merge takes the new flags only when the two share none.
TEST_F(EdInterCurveTest, NewPointsMergeIntoListedOnes)
{
    Sheet plane(surffix::Plane(10, 10));
    Sheet other(surffix::Plane(10, 10));
    struct Row {
        const char* label;
        double t, gap;  // the second point's t and its 3D distance from the first
        int flags;
        CEdTrimSurf* surf;
        int count, firstFlags;
        bool surfTaken;
    };
    const Row rows[] = {
        {"curve crossing 0.01 away is merged", 3.9, 0.01, IP_CURVE_ONE, &other.e, 1, IP_BOUND_A | IP_CURVE_ONE, true},
        {"curve crossing 0.03 away is kept", 3.9, 0.03, IP_CURVE_ONE, &other.e, 2, IP_BOUND_A, false},
        {"more than 1 apart in t is kept", 4.3, 0.01, IP_CURVE_ONE, &other.e, 2, IP_BOUND_A, false},
        {"same t is merged even far away", 3.200005, 5.0, IP_SELF, nullptr, 1, IP_BOUND_A | IP_SELF, false},
        {"a shared bit adds nothing", 3.5, 0.0, IP_BOUND_A | IP_CURVE_BOTH, &other.e, 1, IP_BOUND_A, false},
        {"a near point of one surface hands over its surface", 3.5, 0.0, IP_NEAR_ONE, &other.e, 1,
         IP_BOUND_A | IP_NEAR_ONE, true},
    };
    for (const Row& r : rows) {
        auto c = OnOne(Straight(10, 0.1, 1.0, 0.5), plane);
        double a[7];
        c->GetPoint(3.2, a);
        EXPECT_EQ(c->AddNewPoint(NewPoint(3.2, IP_BOUND_A, a, &plane.e)), 1) << r.label;
        const double b[3] = {a[0], a[1] + r.gap, a[2]};
        EXPECT_EQ(c->AddNewPoint(NewPoint(r.t, r.flags, b, r.surf)), r.count == 2 ? 1 : 0) << r.label;
        const auto listed = Listed(*c);
        ASSERT_EQ(static_cast<int>(listed.size()), r.count) << r.label;
        EXPECT_EQ(listed[0]->t, 3.2) << r.label;
        EXPECT_EQ(listed[0]->flags, r.firstFlags) << r.label;
        EXPECT_EQ(listed[0]->surf, r.surfTaken ? r.surf : &plane.e) << r.label;
        if (r.count == 2) {
            EXPECT_EQ(listed[1]->t, r.t) << r.label;
        }
    }
    // Points stay sorted by t whatever order they come in; null is refused.
    auto c = OnOne(Straight(10, 0.1, 1.0, 0.5), plane);
    for (double t : {7.0, 1.0, 5.0, 3.0, 0.0, 9.0}) {
        double p[7];
        c->GetPoint(t, p);
        c->AddNewPoint(NewPoint(t, IP_SELF, p));
    }
    EXPECT_EQ(c->AddNewPoint(nullptr), 0);
    std::vector<double> ts;
    for (auto* p : Listed(*c)) ts.push_back(p->t);
    EXPECT_EQ(ts, (std::vector<double>{0, 1, 3, 5, 7, 9}));
    for (auto* p = c->pointTail; p && p->prev; p = p->prev) EXPECT_EQ(p->prev->next, p);
    c->Reset();
    EXPECT_EQ(c->pointHead, nullptr);
    EXPECT_EQ(c->pointTail, nullptr);
}

TEST_F(EdInterCurveTest, PointsAlongTheCurveAndEndDirections)
{
    Sheet plane(surffix::Plane(10, 10));
    auto c = OnOne({{0.1, 0.1}, {0.2, 0.1}, {0.2, 0.3}, {0.5, 0.3}}, plane);
    ASSERT_EQ(c->nLast, 3);
    struct Row {
        double t;
        double xyz[3];
    };
    const Row rows[] = {{2.5, {3.5, 3, 0}}, {7, {5, 3, 0}}, {-1, {1, 1, 0}}, {-0.5, {1, 1, 0}}, {0.25, {1.25, 1, 0}},
                        {3, {5, 3, 0}}};
    for (const Row& r : rows) {
        double p[7];
        ASSERT_EQ(c->GetPoint(r.t, p), 1) << r.t;
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(p[k], r.xyz[k], 1e-12) << "t " << r.t;
        EXPECT_NEAR(p[3], r.xyz[0] / 10, 1e-12) << "uA at t " << r.t;
        EXPECT_EQ(p[5], 0.0) << "uB of a curve on one surface, t " << r.t;
    }
    auto three = OnOne({{0.1, 0.1}, {0.2, 0.1}, {0.2, 0.3}}, plane);
    double d[3];
    ASSERT_EQ(three->GetTanVecAt(1, d), 1);
    EXPECT_NEAR(d[0], 0, 1e-12);
    EXPECT_NEAR(d[1], -2, 1e-12);
    EXPECT_NEAR(d[2], 0, 1e-12);
    ASSERT_EQ(three->GetTanVecAt(0, d), 1);
    EXPECT_NEAR(d[0], 1, 1e-12);
    EXPECT_NEAR(d[1], 0, 1e-12);
    CEdInterCurve empty;
    double p[7];
    EXPECT_EQ(empty.GetPoint(0.5, p), 0);
    EXPECT_EQ(empty.GetTanVecAt(0, d), 0);
}

TEST_F(EdInterCurveTest, CreateRefusesBadInput)
{
    Sheet a(surffix::Plane(10, 10)), b(surffix::Plane(10, 10));
    CEdTrimSurf bare;  // no trimmed surface
    const auto two = Record({{1, 1, 0, 0.1, 0.1, 0.1, 0.1}, {2, 1, 0, 0.2, 0.1, 0.2, 0.1}});
    const auto one = Record({{1, 1, 0, 0.1, 0.1, 0.1, 0.1}});
    struct Row {
        const char* label;
        ECRV_INTCUR* record;
        CEdTrimSurf *a, *b;
        int result;
    };
    const Row rows[] = {
        {"null record", nullptr, &a.e, &b.e, 0},      {"one sample", one.get(), &a.e, &b.e, 0},
        {"a without surface", two.get(), &bare, &b.e, 0}, {"b given without surface", two.get(), &a.e, &bare, 0},
        {"no surfaces", two.get(), nullptr, nullptr, 0}, {"b alone without surface", two.get(), nullptr, &bare, 0},
        {"both", two.get(), &a.e, &b.e, 1},            {"a alone", two.get(), &a.e, nullptr, 1},
        {"b alone", two.get(), nullptr, &b.e, 1},
    };
    for (const Row& r : rows) {
        CEdInterCurve c;
        EXPECT_EQ(c.Create(r.record, r.a, r.b), r.result) << r.label;
        EXPECT_EQ(c.pts != nullptr, r.result == 1) << r.label;
    }
    double uv[2][2] = {{0.1, 0.1}, {0.2, 0.2}};
    CEdInterCurve c;
    EXPECT_EQ(c.Create(nullptr, 2, &a.e), 0);
    EXPECT_EQ(c.Create(uv, 1, &a.e), 0);
    EXPECT_EQ(c.Create(uv, 2, nullptr), 0);
    EXPECT_EQ(c.Create(uv, 2, &bare), 0);
    ASSERT_EQ(c.Create(uv, 2, &a.e), 1);
    // One surface: the 3D points come from it and the other (u, v) is cleared.
    const auto off = Record({{9, 9, 9, 0.1, 0.1, 0.7, 0.7}, {9, 9, 9, 0.2, 0.1, 0.7, 0.7}}, 3, 4);
    CEdInterCurve onB;
    ASSERT_EQ(onB.Create(off.get(), nullptr, &b.e), 1);
    EXPECT_EQ(std::vector<double>(onB.Point(0), onB.Point(0) + 7), (std::vector<double>{7, 7, 0, 0, 0, 0.7, 0.7}));
    EXPECT_EQ(onB.sideA, 0);
    EXPECT_EQ(onB.sideB, 4);
}

// Coordinates of a periodic direction are moved so that their smallest value lies in
// the surface's range; the flag stays only where the curve reaches the upper end.
TEST_F(EdInterCurveTest, PeriodicCoordinatesMovedIntoRange)
{
    Sheet cyl(surffix::Cylinder(1.0, 2.0));
    ASSERT_EQ(cyl.e.uPeriodic, 1);
    struct Row {
        const char* label;
        double u0, u1, want0, want1;
        int flag;
    };
    const Row rows[] = {{"above the range", 1.2, 1.4, 0.2, 0.4, 0},
                        {"across the upper end", 0.8, 1.3, 0.8, 1.3, 1},
                        {"below the range", -0.7, -0.5, 0.3, 0.5, 0},
                        {"inside", 0.3, 0.6, 0.3, 0.6, 0}};
    for (const Row& r : rows) {
        for (int form = 0; form < 2; ++form) {
            const std::string label = std::string(r.label) + (form ? " (parameter polyline)" : " (record)");
            CEdInterCurve c;
            if (form == 0) {
                const auto rec = Record({{0, 0, 0, r.u0, 0.5, 0, 0}, {0, 0, 0, 0.5 * (r.u0 + r.u1), 0.5, 0, 0},
                                         {0, 0, 0, r.u1, 0.5, 0, 0}});
                ASSERT_EQ(c.Create(rec.get(), &cyl.e, nullptr), 1) << label;
            } else {
                double uv[3][2] = {{r.u0, 0.5}, {0.5 * (r.u0 + r.u1), 0.5}, {r.u1, 0.5}};
                ASSERT_EQ(c.Create(uv, 3, &cyl.e), 1) << label;
            }
            EXPECT_NEAR(c.Point(0)[3], r.want0, 1e-12) << label;
            EXPECT_NEAR(c.Point(2)[3], r.want1, 1e-12) << label;
            EXPECT_NEAR(c.minBox[3], r.want0, 1e-12) << label;
            EXPECT_EQ(c.periodic[0], r.flag) << label;
            EXPECT_EQ(c.periodic[1], 0) << label;
            // The 3D point is the cylinder's at the moved value (whole turns apart), not
            // the record's clamped end.
            const auto p = cyl.At(r.want0, 0.5);
            EXPECT_NEAR(Dist3(c.Point(0), p.data()), 0.0, 1e-9) << label;
        }
    }
    EXPECT_EQ(PeriodicShift(5.0, 0.0, 0.0, 1.0), 0.0);
    EXPECT_EQ(PeriodicShift(-3.5, 1.0, 0.0, 1.0), 4.0);
    EXPECT_EQ(PeriodicShift(1e9 + 0.5, 1.0, 0.0, 1.0), -1e9);
}

// Curves on two surfaces crossing in the parameter plane: shared surfaces decide the
// flag; the crossing lies where the two parameter lines meet.
TEST_F(EdInterCurveTest, CurvesCrossOnSharedSurfaces)
{
    Sheet A(surffix::Plane(10, 10)), B(surffix::Plane(10, 10)), C(surffix::Plane(10, 10)), D(surffix::Plane(10, 10));
    const std::vector<std::array<double, 2>> along = Straight(5, 0.1, 0.9, 0.43), across = Straight(7, 0.1, 0.9, 0.5);
    std::vector<std::array<double, 2>> up;
    for (auto q : across) up.push_back({0.37, q[0]});
    struct Row {
        const char* label;
        Sheet *a2, *b2;
        int flag;
    };
    const Row rows[] = {{"same pair", &A, &B, IP_CURVE_BOTH}, {"swapped pair", &B, &A, IP_CURVE_BOTH},
                        {"first shared", &A, &C, IP_CURVE_ONE}, {"second shared", &C, &B, IP_CURVE_ONE},
                        {"crossed share", &C, &A, IP_CURVE_ONE}, {"nothing shared", &C, &D, 0}};
    for (const Row& r : rows) {
        auto c1 = OnBoth(along, A, B), c2 = OnBoth(up, *r.a2, *r.b2);
        EXPECT_EQ(c1->InterWithIntCurve(c2.get()), r.flag ? 1 : 0) << r.label;
        if (!r.flag) {
            EXPECT_EQ(c1->pointHead, nullptr) << r.label;
            continue;
        }
        const auto l1 = Listed(*c1), l2 = Listed(*c2);
        ASSERT_EQ(l1.size(), 1u) << r.label;
        ASSERT_EQ(l2.size(), 1u) << r.label;
        EXPECT_EQ(l1[0]->flags, r.flag) << r.label;
        EXPECT_EQ(l2[0]->flags, r.flag) << r.label;
        // (0.37, 0.43): t = (0.37 - 0.1) / 0.2 on the first, (0.43 - 0.1) / (0.8 / 6) on the second.
        EXPECT_NEAR(l1[0]->t, 1.35, 1e-9) << r.label;
        EXPECT_NEAR(l2[0]->t, 0.33 * 7.5, 1e-9) << r.label;
        const double want[3] = {3.7, 4.3, 0};
        EXPECT_NEAR(P3D_Dist(Xyz(l1[0]).data(), want), 0, 1e-9) << r.label;
        EXPECT_NEAR(P3D_Dist(Xyz(l2[0]).data(), want), 0, 1e-9) << r.label;
    }
    auto c = OnBoth(along, A, B);
    EXPECT_EQ(c->InterWithIntCurve(c.get()), 0);
    EXPECT_EQ(c->InterWithIntCurve(nullptr), 0);
    EXPECT_EQ(c->InterWithIntCurve(c.get(), 3, 4, &A.e, IP_CURVE_ONE), 0);
}

// Long random walks in one parameter plane: every proper crossing of the plain
// pairwise scan (orientation tests) is listed on both curves, and every listed point
// is such a crossing.
TEST_F(EdInterCurveTest, LongCurvesCrossWhereThePlainScanSays)
{
    Sheet A(surffix::Plane(1000, 1000));
    std::mt19937 rng(11);
    std::normal_distribution<double> step(0.0, 0.004);
    auto walk = [&](double u, double v, int n) {
        std::vector<std::array<double, 2>> out;
        for (int i = 0; i < n; ++i) {
            out.push_back({u, v});
            u = std::clamp(u + step(rng), 0.05, 0.95), v = std::clamp(v + step(rng), 0.05, 0.95);
        }
        return out;
    };
    const auto w1 = walk(0.5, 0.5, 3000), w2 = walk(0.52, 0.48, 3000);
    auto c1 = OnOne(w1, A), c2 = OnOne(w2, A);
    auto orient = [](const std::array<double, 2>& a, const std::array<double, 2>& b, const std::array<double, 2>& c) {
        return (b[0] - a[0]) * (c[1] - a[1]) - (b[1] - a[1]) * (c[0] - a[0]);
    };
    std::vector<std::array<double, 3>> crossings;  // 3D on the plane (x = 1000 u)
    for (size_t i = 0; i + 1 < w1.size(); ++i)
        for (size_t j = 0; j + 1 < w2.size(); ++j) {
            const double d1 = orient(w1[i], w1[i + 1], w2[j]), d2 = orient(w1[i], w1[i + 1], w2[j + 1]);
            const double d3 = orient(w2[j], w2[j + 1], w1[i]), d4 = orient(w2[j], w2[j + 1], w1[i + 1]);
            if ((d1 > 0) != (d2 > 0) && (d3 > 0) != (d4 > 0)) {
                const double s = d3 / (d3 - d4);
                crossings.push_back({1000 * (w1[i][0] + s * (w1[i + 1][0] - w1[i][0])),
                                     1000 * (w1[i][1] + s * (w1[i + 1][1] - w1[i][1])), 0});
            }
        }
    ASSERT_GT(crossings.size(), 20u) << "the walks must cross often for the test to mean anything";
    ASSERT_EQ(c1->InterWithIntCurve(c2.get()), 1);
    for (const CEdInterCurve* c : {c1.get(), c2.get()}) {
        const auto listed = Listed(*c);
        for (const auto& x : crossings) {
            double best = 1e300;
            for (auto* p : listed) best = std::min(best, P3D_Dist(Xyz(p).data(), x.data()));
            EXPECT_LT(best, 0.02) << "crossing at " << x[0] << ", " << x[1] << " not listed";
        }
        for (auto* p : listed) {
            double best = 1e300;
            for (const auto& x : crossings) best = std::min(best, P3D_Dist(Xyz(p).data(), x.data()));
            EXPECT_LT(best, 1e-6) << "listed point at t " << p->t << " is no crossing";
            EXPECT_EQ(p->flags, IP_CURVE_ONE);
        }
    }
}

// A dense point string (points 0.0004 apart) has no self crossing: segments two apart
// lie within the point test's 0.001 but have far less than 0.05 of curve between
// them. Its end points stay. A closed curve still meets itself at t = 0 and nLast,
// and a loop that really crosses itself is found at the crossing.
TEST_F(EdInterCurveTest, SelfCrossingsOnlyBetweenDistantParts)
{
    Sheet A(surffix::Plane(10, 10));
    const double kPi = std::acos(-1.0);
    struct Row {
        const char* label;
        std::vector<std::array<double, 2>> uv;
        int result;
        std::vector<double> ts;  // listed t after the self test (and end points when none)
    };
    std::vector<std::array<double, 2>> dense, circle, loop;
    for (int i = 0; i <= 400; ++i) dense.push_back({0.1 + 0.00004 * i, 0.5 + 0.00001 * std::sin(0.1 * i)});
    for (int i = 0; i <= 100; ++i) circle.push_back({0.5 + 0.2 * std::cos(2 * kPi * i / 100), 0.5 + 0.2 * std::sin(2 * kPi * i / 100)});
    circle.back() = circle.front();
    // A trochoid: a point at 0.15 from a centre that moves on by 0.25 over 1.5 turns
    // makes one loop about the second turn's start.
    for (int i = 0; i <= 100; ++i) {
        const double a = 3 * kPi * i / 100;
        loop.push_back({0.3 + 0.25 * i / 100 - 0.15 * std::sin(a), 0.5 - 0.15 * std::cos(a)});
    }
    const Row rows[] = {{"dense point string", dense, 0, {0, 400}}, {"closed circle", circle, 1, {0, 100}}};
    for (const Row& r : rows) {
        auto c = OnOne(r.uv, A);
        EXPECT_EQ(c->InterWithSelf(), r.result) << r.label;
        EXPECT_EQ(c->selfCrossed, r.result) << r.label;
        if (!c->selfCrossed) c->AddEndPoint();
        std::vector<double> ts;
        for (auto* p : Listed(*c)) ts.push_back(p->t);
        EXPECT_EQ(ts, r.ts) << r.label;
        for (auto* p : Listed(*c)) EXPECT_EQ(p->flags, r.result ? IP_SELF : IP_END) << r.label;
    }
    // The curl crosses itself once: both listed points lie at the same 3D place, where
    // the dense polyline crosses itself by the plain orientation test.
    auto c = OnOne(loop, A);
    ASSERT_EQ(c->InterWithSelf(), 1);
    const auto listed = Listed(*c);
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_NEAR(P3D_Dist(Xyz(listed[0]).data(), Xyz(listed[1]).data()), 0.0, 1e-9);
    EXPECT_GT(listed[1]->t - listed[0]->t, 10.0);
    double p[7], q[7];
    c->GetPoint(listed[0]->t, p);
    c->GetPoint(listed[1]->t, q);
    EXPECT_NEAR(P3D_Dist(p, q), 0.0, 1e-9);
    auto straight = OnOne(Straight(5, 0.1, 0.9, 0.5), A);
    EXPECT_EQ(straight->InterWithSelf(), 0);
    auto two = OnOne(Straight(3, 0.1, 0.9, 0.5), A);
    EXPECT_EQ(two->InterWithSelf(), 0);
}

namespace {

struct Intersected {
    SSI_SUBDIV *slotA = nullptr, *slotB = nullptr;
    SSI_POINT* contacts = nullptr;
    SSI_CURVENODE* curves = nullptr;
    int rc = 0;
    Intersected(SURFACE* a, SURFACE* b) { rc = ESSI_Intersect(a, b, nullptr, &slotA, nullptr, &slotB, &contacts, &curves); }
    ~Intersected()
    {
        ESSI_FreePointList(contacts);
        ESSI_FreeCurveList(curves);
        ESSI_FreeSubdivision(slotA);
        ESSI_FreeSubdivision(slotB);
    }
};

double PolylineLength(const CEdTrimBound& b)
{
    double s = 0;
    for (int i = 0; i < b.nLast; ++i) s += P3D_Dist(b.worldPts + 3 * i, b.worldPts + 3 * i + 3);
    return s;
}

}  // namespace

// A cylinder (radius 1 about z) cut by the plane z = 1 + 0.3 x, the plane trimmed to
// |x| <= 0.6: the ellipse crosses the plane's trim bounds where x = ±0.6, y = ±0.8, and
// its pieces inside the plane's region are the two arcs about y = ±1, whose length is
// known in closed form.
TEST_F(EdInterCurveTest, CylinderCutByATrimmedPlane)
{
    Sheet cyl(surffix::Cylinder(1.0, 2.0));
    Sheet plane(PlaneAt(-2, -2, 4, 4, 1.0, 0.3), 0.35, 0.65, 0.0, 1.0);
    Intersected x(cyl.K(), plane.K());
    ASSERT_EQ(x.rc, 1);
    ASSERT_NE(x.curves, nullptr);
    ASSERT_EQ(x.curves->next, nullptr);
    ECRV_INTCUR* rec = x.curves->curve;
    ASSERT_EQ(rec->a, cyl.K());
    CEdInterCurve c;
    ASSERT_EQ(c.Create(rec, &cyl.e, &plane.e), 1);
    EXPECT_EQ(c.InterWithLoop(plane.e.loopHead, 0), 1);
    std::vector<std::array<double, 3>> want;
    for (double sx : {-0.6, 0.6})
        for (double sy : {-0.8, 0.8}) want.push_back({sx, sy, 1.0 + 0.3 * sx});
    int bounds = 0;
    for (auto* p : Listed(c)) {
        if (!(p->flags & IP_BOUND_B)) continue;
        ++bounds;
        double best = 1e300;
        for (const auto& w : want) best = std::min(best, P3D_Dist(Xyz(p).data(), w.data()));
        EXPECT_LT(best, 2e-3) << "crossing at t " << p->t;
        EXPECT_EQ(p->surf, &plane.e);
        // The point's (u, v) on both surfaces give its 3D place (the cylinder's u a
        // whole turn on where the curve runs on past the seam), and its u on the
        // cylinder continues the curve's run there rather than starting a new turn.
        const auto onCyl = cyl.At(p->uA - std::floor(p->uA), p->vA), onPlane = plane.At(p->uB, p->vB);
        EXPECT_LT(P3D_Dist(onCyl.data(), Xyz(p).data()), 2e-3);
        double run[7];
        ASSERT_EQ(c.GetPoint(p->t, run), 1);
        EXPECT_NEAR(p->uA, run[3], 1e-3) << "crossing at t " << p->t;
        EXPECT_LT(P3D_Dist(onPlane.data(), Xyz(p).data()), 1e-6);
    }
    EXPECT_EQ(bounds, 4);
    int onBounds = 0;
    for (CEdTrimBound* b = plane.e.loopHead->boundHead; b; b = b->next) onBounds += b->IntCount();
    EXPECT_EQ(onBounds, 4);

    if (c.InterWithSelf() == 0) c.AddEndPoint();
    CEdTrimBound* pieces = c.GetValidBound(&plane.e, 0);
    ASSERT_NE(pieces, nullptr);
    double length = 0;
    for (CEdTrimBound* b = pieces; b; b = b->next) {
        EXPECT_EQ(b->kind, BND_CURVE);
        ASSERT_NE(b->worldPts, nullptr);
        length += PolylineLength(*b);
        for (int i = 0; i <= b->nLast; ++i) {
            const double* w = b->worldPts + 3 * i;
            EXPECT_LE(std::fabs(w[0]), 0.6 + 1e-6);
            EXPECT_NEAR(std::hypot(w[0], w[1]), 1.0, 2e-3);
        }
    }
    // Two arcs of the ellipse over |x| <= 0.6: dense sampling of the closed form.
    double arc = 0;
    const int n = 200000;
    for (int s = 0; s < 2; ++s)
        for (int i = 0; i < n; ++i) {
            const double a0 = std::asin(-0.6) + 2 * std::asin(0.6) * i / n, a1 = std::asin(-0.6) + 2 * std::asin(0.6) * (i + 1) / n;
            const double p0[3] = {std::sin(a0), std::cos(a0), 1 + 0.3 * std::sin(a0)};
            const double p1[3] = {std::sin(a1), std::cos(a1), 1 + 0.3 * std::sin(a1)};
            arc += P3D_Dist(p0, p1);
        }
    EXPECT_NEAR(length, arc, 2e-3 * arc);
    DeleteChain(pieces);

    // The same pieces as intersection records: evaluated, they lie on the cylinder and
    // the plane inside the trimmed region; the caller frees the records and their surfaces.
    const long live = QV_MemLiveCount();
    CTypedPtrList<CPtrList, ECRV_INTCUR*> list;
    c.GetValidIntCur(&list);
    EXPECT_GE(list.GetCount(), 2);
    for (ECRV_INTCUR* r : list) {
        ASSERT_NE(r->trace, nullptr);
        const SSI_TRACE& tr = *r->trace;
        for (double f : {0.1, 0.5, 0.9}) {
            double p[3];
            ASSERT_EQ(ECRV_IntersectionPoint(r, tr.s[0].t + f * (tr.s[tr.n - 1].t - tr.s[0].t), p), 1);
            EXPECT_NEAR(std::hypot(p[0], p[1]), 1.0, 2e-3);
            EXPECT_NEAR(p[2], 1.0 + 0.3 * p[0], 2e-3);
            EXPECT_LE(std::fabs(p[0]), 0.6 + 2e-3);
        }
        ENT_Free(r->a);
        ENT_Free(r->b);
        ECRV_FreeIntersection(r);
    }
    EXPECT_EQ(QV_MemLiveCount(), live);
}

// Two curves on a shared sphere cut each other: the circle of two unit spheres (centres
// 1 apart) and the sphere's circle at height 0.5 cross at (0.5, ±√0.5, 0.5).
TEST_F(EdInterCurveTest, SphereCurvesCutEachOther)
{
    Sheet s1(surffix::Hemisphere(1.0)), s2(Moved(surffix::Hemisphere(1.0), 1, 0, 0));
    Sheet top(PlaneAt(-2, -2, 4, 4, 0.5));
    Intersected x12(s1.K(), s2.K()), x1p(s1.K(), top.K());
    ASSERT_EQ(x12.rc, 1);
    ASSERT_EQ(x1p.rc, 1);
    std::vector<std::unique_ptr<CEdInterCurve>> arcs, rings;
    for (SSI_CURVENODE* n = x12.curves; n; n = n->next) {
        arcs.push_back(std::make_unique<CEdInterCurve>());
        ASSERT_EQ(arcs.back()->Create(n->curve, n->curve->a == s1.K() ? &s1.e : &s2.e, n->curve->a == s1.K() ? &s2.e : &s1.e), 1);
    }
    for (SSI_CURVENODE* n = x1p.curves; n; n = n->next) {
        rings.push_back(std::make_unique<CEdInterCurve>());
        ASSERT_EQ(rings.back()->Create(n->curve, n->curve->a == s1.K() ? &s1.e : &top.e, n->curve->a == s1.K() ? &top.e : &s1.e), 1);
    }
    ASSERT_FALSE(arcs.empty());
    ASSERT_FALSE(rings.empty());
    const double r = std::sqrt(0.5);
    const double want[2][3] = {{0.5, r, 0.5}, {0.5, -r, 0.5}};
    std::vector<CEdInterPoint*> found;
    for (auto& a : arcs)
        for (auto& g : rings) a->InterWithIntCurve(g.get());
    for (auto& a : arcs)
        for (auto* p : Listed(*a)) {
            EXPECT_EQ(p->flags, IP_CURVE_ONE);
            EXPECT_EQ(p->surf, &s1.e);
            found.push_back(p);
        }
    ASSERT_EQ(found.size(), 2u);
    for (const auto& w : want) {
        double best = 1e300;
        for (auto* p : found) best = std::min(best, P3D_Dist(Xyz(p).data(), w));
        EXPECT_LT(best, 5e-3);
    }
    int onRings = 0;
    for (auto& g : rings) onRings += static_cast<int>(Listed(*g).size());
    EXPECT_EQ(onRings, 2);
}

// A crossing with a trim bound of one surface whose (u, v) on the other surface gives a
// point more than 0.02 from the crossing is snapped onto the other surface there.
TEST_F(EdInterCurveTest, BoundCrossingsSnapOntoTheOtherSurface)
{
    for (double offset : {0.001, 0.005}) {
        Sheet A(surffix::Plane(10, 10), 0.35, 0.65, 0.0, 1.0), B(surffix::Plane(10, 10));
        std::vector<P7> p;
        for (const auto& q : Straight(5, 0.1, 0.9, 0.5)) p.push_back({10 * q[0], 10 * q[1], 0, q[0], q[1], q[0], q[1] + offset});
        CEdInterCurve c;
        ASSERT_EQ(c.Create(Record(p).get(), &A.e, &B.e), 1);
        EXPECT_EQ(c.InterWithLoop(A.e.loopHead, 0), 1);
        const auto listed = Listed(c);
        ASSERT_EQ(listed.size(), 2u);
        for (auto* q : listed) {
            EXPECT_EQ(q->flags, IP_BOUND_A);
            EXPECT_NEAR(q->vA, 0.5, 1e-12);
            // 3D 0.01 off is left as it is; 0.05 off is snapped to the crossing.
            EXPECT_NEAR(q->vB, offset < 0.002 ? 0.5 + offset : 0.5, 1e-7) << offset;
            EXPECT_NEAR(q->uB, q->uA, 1e-7) << offset;
        }
        EXPECT_NEAR(listed[0]->uA, 0.35, 1e-12);
        EXPECT_NEAR(listed[1]->uA, 0.65, 1e-12);
    }
}

// Curves overlap when both have the same count and every vertex of each lies within
// 0.05 of the other polyline.
TEST_F(EdInterCurveTest, OverlappingCurves)
{
    Sheet A(surffix::Plane(10, 10));
    auto base = OnOne(Straight(6, 0.1, 0.9, 0.5), A);
    struct Row {
        const char* label;
        std::vector<std::array<double, 2>> uv;
        int result;
    };
    const Row rows[] = {{"same", Straight(6, 0.1, 0.9, 0.5), 1},
                        {"0.03 aside", Straight(6, 0.1, 0.9, 0.503), 1},
                        {"reversed", Straight(6, 0.9, 0.1, 0.5), 1},
                        {"0.1 aside", Straight(6, 0.1, 0.9, 0.51), 0},
                        {"other count", Straight(7, 0.1, 0.9, 0.5), 0},
                        {"half as long", Straight(6, 0.1, 0.5, 0.5), 0}};
    for (const Row& r : rows) {
        auto c = OnOne(r.uv, A);
        EXPECT_EQ(base->IsOverlap(c.get()), r.result) << r.label;
    }
    EXPECT_EQ(base->IsOverlap(nullptr), 0);
    CEdInterCurve empty;
    EXPECT_EQ(base->IsOverlap(&empty), 0);
}
