// Parameter records, nearest points, extrusion and revolution of NURBS
// surfaces, and the small helpers the surface kernel calls.
#include "framework/numerak/Bsrf.h"
#include "framework/numerak/Matrix33.h"
#include "framework/numerak/Plane3D.h"
#include "framework/numerak/Point3D.h"
#include "framework/numerak/QvnMath.h"
#include "testing/SurfaceFixtures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <string>
#include <vector>

namespace {

using surffix::CurvePtr;
using surffix::SurfPtr;

constexpr double kPi = std::numbers::pi;

SurfPtr Revolved(const BCRV& profile, double angle)
{
    const double o[3] = {0, 0, 0}, z[3] = {0, 0, 1};
    _nurbs_surface* s = nullptr;
    EXPECT_EQ(BSRF_GenRevolve(o, z, &profile, angle, &s), 1);
    return SurfPtr(s);
}

// Meridian from the south pole to the north pole of the sphere of radius r
// about the origin, in the x-z plane.
CurvePtr Meridian(double r)
{
    _arc arc{};
    const double x[3] = {0, 0, -1}, y[3] = {1, 0, 0}, z[3] = {0, -1, 0};
    P3D_Copy(x, arc.frame.X);
    P3D_Copy(y, arc.frame.Y);
    P3D_Copy(z, arc.frame.Z);
    arc.frame.s = 1.0;
    arc.r = r;
    arc.sweep = kPi;
    BCRV* c = nullptr;
    EXPECT_EQ(BCRV_GenArc(&arc, &c), 1);
    return CurvePtr(c);
}

CurvePtr Polyline(const std::vector<std::array<double, 3>>& pts)
{
    CurvePtr c(BCRV_New(2, static_cast<int>(pts.size())));
    for (size_t i = 0; i < pts.size(); ++i) {
        c->SetCtrlPt(static_cast<int>(i), pts[i].data());
        if (i > 0 && i + 1 < pts.size())
            c->U[i + 1] = static_cast<double>(i) / (pts.size() - 1);
    }
    return c;
}

SurfPtr Extruded(const BCRV& c)
{
    const double d[3] = {0, 0, 1};
    _nurbs_surface* s = nullptr;
    EXPECT_EQ(BSRF_GenExtrude(&c, d, 3.0, &s), 1);
    return SurfPtr(s);
}

// Nearest point of a dense grid of the surface: an upper bound of the distance.
double GridDistance(const _nurbs_surface* s, const double* p, int n)
{
    const double u0 = s->U[s->ku - 1], u1 = s->U[s->nu], v0 = s->V[s->kv - 1], v1 = s->V[s->nv];
    double best = 1e300;
    for (int i = 0; i <= n; ++i)
        for (int j = 0; j <= n; ++j) {
            double q[3];
            BSRF_EvPos(s, u0 + (u1 - u0) * i / n, v0 + (v1 - v0) * j / n, q);
            best = std::min(best, P3D_Dist(p, q));
        }
    return best;
}

TEST(BsrfParam, ClosureAndPolesFromTheNet)
{
    const CurvePtr circle = surffix::UnitCircle();
    const CurvePtr square = Polyline({{{0, 0, 0}}, {{1, 0, 0}}, {{1, 1, 0}}, {{0, 1, 0}}, {{0, 0, 0}}});
    const CurvePtr line = Polyline({{{1, 0, 0}}, {{1, 0, 2}}});
    struct Row {
        const char* label;
        SurfPtr s;
        int uStart, uEnd, uClosure, vStart, vEnd, vClosure;
    } rows[] = {
        {"sphere by revolution", Revolved(*Meridian(2.0), 2 * kPi), 1, 1, 2, 3, 3, 0},
        {"full cylinder", Revolved(*line, 2 * kPi), 1, 1, 2, 1, 1, 0},
        {"half cylinder", Revolved(*line, kPi), 1, 1, 0, 1, 1, 0},
        {"extruded closed square", Extruded(*square), 1, 1, 1, 1, 1, 0},
        {"extruded circle", Extruded(*circle), 1, 1, 2, 1, 1, 0},
        {"hemisphere fixture", surffix::Hemisphere(2.0), 1, 1, 2, 1, 3, 0},
        {"wavy", surffix::Wavy(6, true), 1, 1, 0, 1, 1, 0},
    };
    for (const Row& r : rows) {
        ASSERT_TRUE(r.s) << r.label;
        _param U, V;
        ASSERT_EQ(BSRF_GetParam(r.s.get(), 1e-8, 1e-11, &U, &V), 1) << r.label;
        EXPECT_EQ(U.startKind, r.uStart) << r.label;
        EXPECT_EQ(U.endKind, r.uEnd) << r.label;
        EXPECT_EQ(U.closure, r.uClosure) << r.label;
        EXPECT_EQ(V.startKind, r.vStart) << r.label;
        EXPECT_EQ(V.endKind, r.vEnd) << r.label;
        EXPECT_EQ(V.closure, r.vClosure) << r.label;
        EXPECT_EQ(U.start, 0.0) << r.label;
        EXPECT_EQ(U.end, 1.0) << r.label;
    }
    // Ranges come from the knots.
    const SurfPtr shifted = surffix::Reknotted(*surffix::Cylinder(1.0, 2.0), 0.0, 2.0, -1.0, 1.0);
    _param U, V;
    ASSERT_EQ(BSRF_GetParam(shifted.get(), 1e-8, 1e-11, &U, &V), 1);
    EXPECT_EQ(U.start, 0.0);
    EXPECT_EQ(U.end, 2.0);
    EXPECT_EQ(V.start, -1.0);
    EXPECT_EQ(V.end, 1.0);
    EXPECT_EQ(U.closure, 2);
    EXPECT_EQ(BSRF_GetParam(nullptr, 1e-8, 1e-11, &U, &V), 0);
}

TEST(BsrfGen, RevolutionsAndExtrusionsLieOnTheirAnalyticSurfaces)
{
    std::mt19937 rng(3);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    // Torus tube circle about (3, 0, 0) in the x-z plane, turned by several angles.
    CurvePtr tube(BCRV_New());
    const double c[3] = {0, 0, 0};
    tube->GenCircle(c, 1.0);
    const _rect_fm3d xz{{1, 0, 0}, {0, 0, 1}, {0, -1, 0}, {3, 0, 0}, 1.0};
    BCRV_TransLocal(tube.get(), &xz);
    for (double angle : {kPi / 3, kPi / 2, 1.5 * kPi, 2 * kPi}) {
        const SurfPtr s = Revolved(*tube, angle);
        ASSERT_TRUE(s);
        EXPECT_EQ(s->nu, 2 * static_cast<int>(std::ceil(angle / (kPi / 2) - 1e-9)) + 1) << angle;
        for (int i = 0; i < 200; ++i) {
            double p[3];
            BSRF_EvPos(s.get(), unit(rng), unit(rng), p);
            EXPECT_NEAR(std::hypot(std::hypot(p[0], p[1]) - 3.0, p[2]), 1.0, 1e-12) << angle;
        }
        // The end row is the profile turned by the whole angle.
        double q[3], e[3], t[3];
        BCRV_EvPos(tube.get(), 0.3, t);
        BSRF_EvPos(s.get(), 1.0, 0.3, q);
        const double z[3] = {0, 0, 1};
        P3D_RotatePnt(z, c, angle, t, e);
        EXPECT_LT(P3D_Dist(q, e), 1e-12) << angle;
    }
    const CurvePtr circle = surffix::UnitCircle();
    const SurfPtr cyl = Extruded(*circle);
    for (int i = 0; i < 100; ++i) {
        const double u = unit(rng), v = unit(rng);
        double p[3], q[3];
        BSRF_EvPos(cyl.get(), u, v, p);
        BCRV_EvPos(circle.get(), u, q);
        EXPECT_NEAR(std::hypot(p[0], p[1]), 1.0, 1e-12);
        EXPECT_NEAR(p[2], 3.0 * v, 1e-12);
        EXPECT_NEAR(std::atan2(p[1], p[0]), std::atan2(q[1], q[0]), 1e-12);
    }
    _nurbs_surface* none = nullptr;
    const double zero[3] = {0, 0, 0};
    EXPECT_EQ(BSRF_GenExtrude(circle.get(), zero, 1.0, &none), 0);
    EXPECT_EQ(BSRF_GenRevolve(zero, zero, circle.get(), 1.0, &none), 0);
    const double z[3] = {0, 0, 1};
    EXPECT_EQ(BSRF_GenRevolve(zero, z, circle.get(), 7.0, &none), 0);
    EXPECT_EQ(none, nullptr);
}

TEST(BsrfSnap, FindsTheNearestPointOfDenseSampling)
{
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> x(-2.0, 12.0), z(-4.0, 4.0);
    struct Row {
        const char* label;
        SurfPtr s;
    } rows[] = {{"wavy rational 20", surffix::Wavy(20, true)},
                {"wavy rational 20 on [0, 2] x [-1, 1]", surffix::Reknotted(*surffix::Wavy(20, true), 0, 2, -1, 1)},
                {"wavy polynomial 8", surffix::Wavy(8, false)}};
    for (const Row& r : rows) {
        int inside = 0;
        for (int i = 0; i < 60; ++i) {
            const double p[3] = {x(rng), x(rng), z(rng)};
            double foot[3], u = 1e12, v = 1e12, d = -1.0;
            ASSERT_EQ(BSRF_SnapPnt(r.s.get(), p, 1e-10, foot, &u, &v, &d), 1) << r.label;
            const double grid = GridDistance(r.s.get(), p, 300);
            EXPECT_LE(d, grid + 1e-9) << r.label << " point " << i;
            double q[3];
            BSRF_EvPos(r.s.get(), u, v, q);
            EXPECT_LT(P3D_Dist(q, foot), 1e-12) << r.label;
            EXPECT_NEAR(P3D_Dist(p, foot), d, 1e-12) << r.label;
            if (u > r.s->U[0] + 1e-6 && u < r.s->U[r.s->nu + r.s->ku - 1] - 1e-6 && v > r.s->V[0] + 1e-6 &&
                v < r.s->V[r.s->nv + r.s->kv - 1] - 1e-6) {
                // An inner foot: P - foot is normal to the surface.
                double pp[3], su[3], sv[3], g[3];
                BSRF_Ev1Der(r.s.get(), u, v, pp, su, sv);
                V3D_Sub(p, foot, g);
                EXPECT_LT(std::fabs(V3D_Dot(g, su)) / V3D_Len(su), 1e-8) << r.label;
                EXPECT_LT(std::fabs(V3D_Dot(g, sv)) / V3D_Len(sv), 1e-8) << r.label;
                ++inside;
            }
            // Guided from a nearby parameter, the same foot.
            double gu = u + 0.01 * (r.s->U[r.s->nu] - r.s->U[0]), gv = v, gd = 0.0, gf[3];
            ASSERT_EQ(BSRF_SnapPnt(r.s.get(), p, 1e-10, gf, &gu, &gv, &gd), 1);
            EXPECT_NEAR(gd, d, 1e-9) << r.label << " guided " << i;
        }
        EXPECT_GT(inside, 20) << r.label;
    }
}

TEST(BsrfSnap, WrapsPeriodicDirectionsAndReachesPoles)
{
    // Cylinder of radius 1: a point just before the seam, guessed just after it.
    const SurfPtr cyl = surffix::Cylinder(1.0, 4.0);
    const double p[3] = {3.0 * std::cos(-0.1), 3.0 * std::sin(-0.1), 2.0};
    double foot[3], u = 0.002, v = 0.5, d = 0.0;
    ASSERT_EQ(BSRF_SnapPnt(cyl.get(), p, 1e-12, foot, &u, &v, &d), 1);
    EXPECT_NEAR(d, 2.0, 1e-10);
    EXPECT_GT(u, 0.9);
    EXPECT_LE(u, 1.0);
    EXPECT_NEAR(std::atan2(foot[1], foot[0]), -0.1, 1e-9);
    // Above the pole of a hemisphere.
    const SurfPtr hemi = surffix::Hemisphere(2.0);
    const double top[3] = {1e-3, 0.0, 5.0};
    u = v = 1e12;
    ASSERT_EQ(BSRF_SnapPnt(hemi.get(), top, 1e-12, foot, &u, &v, &d), 1);
    const double exact = std::hypot(1e-3, 5.0) - 2.0;
    EXPECT_NEAR(d, exact, 1e-9);
    EXPECT_NEAR(foot[2], 2.0 * 5.0 / std::hypot(1e-3, 5.0), 1e-9);
    // Bad input leaves the outputs alone.
    u = v = 0.5;
    EXPECT_EQ(BSRF_SnapPnt(nullptr, p, 1e-9, foot, &u, &v, &d), 0);
    const double nan[3] = {std::nan(""), 0, 0};
    EXPECT_EQ(BSRF_SnapPnt(cyl.get(), nan, 1e-9, foot, &u, &v, &d), 0);
    EXPECT_EQ(u, 0.5);
}

TEST(NumerakHelpers, ClampingRandomPlanesAndAngles)
{
    struct Row {
        double lo, hi, x, clamp, periodic;
    } rows[] = {{0, 1, 0.25, 0.25, 0.25}, {0, 1, 1.25, 1.0, 0.25}, {0, 1, -0.25, 0.0, 0.75},
                {0, 1, 1.0, 1.0, 1.0},    {0, 2 * kPi, 7.0, 2 * kPi, 7.0 - 2 * kPi},
                {-1, 1, 5.5, 1.0, -0.5},  {0, 1, std::nan(""), 0.0, 0.0}};
    for (const Row& r : rows) {
        EXPECT_EQ(QVN_Math::Clamp(r.lo, r.hi, r.x), r.clamp) << r.x;
        EXPECT_NEAR(QVN_Math::ClampPeriodic(r.lo, r.hi, r.x), r.periodic, 1e-15) << r.x;
    }
    EXPECT_EQ(QVN_Math::Clamp01(1.5), 1.0);
    QVN_Math::SeedRand01(5);
    std::vector<double> first;
    for (int i = 0; i < 1000; ++i) {
        first.push_back(QVN_Math::Rand01());
        ASSERT_GE(first.back(), 0.0);
        ASSERT_LE(first.back(), 1.0);
    }
    QVN_Math::SeedRand01(5);
    for (int i = 0; i < 1000; ++i)
        ASSERT_EQ(QVN_Math::Rand01(), first[i]);
    double mean = 0.0;
    for (double f : first) mean += f / 1000;
    EXPECT_NEAR(mean, 0.5, 0.05);

    // The library's tolerances: set, refused when not positive and finite, reset.
    EXPECT_EQ(QVN_Math::GetTol(), 1e-6);
    EXPECT_EQ(QVN_Math::GetAng(), 1e-6);
    QVN_Math::SetTol(1e-5);
    QVN_Math::SetAng(1e-3);
    for (double bad : {0.0, -1.0, std::nan(""), HUGE_VAL}) {
        QVN_Math::SetTol(bad);
        QVN_Math::SetAng(bad);
    }
    EXPECT_EQ(QVN_Math::GetTol(), 1e-5);
    EXPECT_EQ(QVN_Math::GetAng(), 1e-3);
    QVN_Math::ResetTol();
    EXPECT_EQ(QVN_Math::GetTol(), QVN_Math::kDefaultTol);
    EXPECT_EQ(QVN_Math::GetAng(), QVN_Math::kDefaultAng);

    // Planes: the common line lies on both; parallel planes give 2 or 0.
    const double p1[3] = {1, 2, 3}, n1[3] = {0, 0, 2}, p2[3] = {-4, 0, 1}, n2[3] = {1, 1, 1};
    double pt[3], dir[3];
    ASSERT_EQ(Isect3_PlnPln(p1, n1, p2, n2, 1e-9, 1e-11, pt, dir), 1);
    for (double t : {-3.0, 0.0, 5.0}) {
        double q[3];
        for (int e = 0; e < 3; ++e) q[e] = pt[e] + t * dir[e];
        EXPECT_NEAR(PLN_DistPntPlnSide(q, p1, n1), 0.0, 1e-12);
        EXPECT_NEAR(PLN_DistPntPlnSide(q, p2, n2), 0.0, 1e-12);
    }
    const double p3[3] = {0, 0, 3 + 1e-12}, p4[3] = {0, 0, 4};
    EXPECT_EQ(Isect3_PlnPln(p1, n1, p3, n1, 1e-9, 1e-11, pt, dir), 2);
    EXPECT_EQ(Isect3_PlnPln(p1, n1, p4, n1, 1e-9, 1e-11, pt, dir), 0);
    // Planes just past the angle tolerance: 1 - cos² of their angle rounds to 0, yet
    // the line is found (the determinant is taken from the normals' cross product).
    for (double angle : {1e-9, 1e-7}) {
        const double o[3] = {0, 0, 0}, up[3] = {0, 0, 1}, tilted[3] = {std::sin(angle), 0, std::cos(angle)};
        ASSERT_EQ(Isect3_PlnPln(o, up, o, tilted, 1e-9, 1e-11, pt, dir), 1) << angle;
        EXPECT_NEAR(pt[0], 0.0, 1e-12) << angle;
        EXPECT_NEAR(pt[2], 0.0, 1e-12) << angle;
        EXPECT_NEAR(std::fabs(dir[1]), 1.0, 1e-12) << angle;
    }
    double foot[3];
    const double x[3] = {5, 5, 5};
    ASSERT_EQ(PLN_PrjPntPln(x, p1, n1, foot), 1);
    EXPECT_EQ(foot[2], 3.0);
    const double a[3] = {1, 0, 0}, b[3] = {-1, 1e-13, 0}, c[3] = {0, 1, 0};
    EXPECT_EQ(V3D_ChkAng(a, b, 1e-11, 1), 1);
    EXPECT_EQ(V3D_ChkAng(a, b, 1e-11, 0), 0);
    EXPECT_EQ(V3D_ChkAng(a, a, 0.0, 0), 1);
    EXPECT_NEAR(V3D_GetAngleUnit(a, c), kPi / 2, 1e-15);
    EXPECT_EQ(V3D_MProduct(a, c, n1), 2.0);
    double r[3];
    V3D_RotVecXY(a, c, kPi / 6, r);
    EXPECT_NEAR(r[0], std::sqrt(3.0) / 2, 1e-15);
    EXPECT_NEAR(r[1], 0.5, 1e-15);
}

TEST(BcrvFrame, FrameRoundTripAndInterpolation)
{
    const CurvePtr c = surffix::UnitCircle();
    CurvePtr copy(c->Clone());
    _rect_fm3d f;
    const double o[3] = {1, 2, 3}, xa[3] = {1, 1, 0}, ya[3] = {0, 1, 1};
    ASSERT_EQ(RF_Init(&f, o, xa, ya), 1);
    ASSERT_EQ(BCRV_TransWorld(copy.get(), &f), 1);
    double p[3], q[3], l[3];
    BCRV_EvPos(c.get(), 0.3, p);
    BCRV_EvPos(copy.get(), 0.3, q);
    RF_TransWorldP3D(&f, p, l);
    EXPECT_LT(P3D_Dist(l, q), 1e-12);
    ASSERT_EQ(BCRV_TransLocal(copy.get(), &f), 1);
    BCRV_EvPos(copy.get(), 0.3, q);
    EXPECT_LT(P3D_Dist(p, q), 1e-12);
    const double pts[5][3] = {{0, 0, 0}, {1, 2, 0}, {3, 3, 1}, {4, 1, 2}, {6, 0, 2}};
    BCRV* fit = nullptr;
    ASSERT_EQ(BCRV_IntpPs(5, pts, 4, &fit), 1);
    CurvePtr owned(fit);
    EXPECT_EQ(fit->k, 4);
    for (const auto& pt : pts) {
        double best = 1e9;
        for (int i = 0; i <= 40000; ++i) {
            BCRV_EvPos(fit, i / 40000.0, q);
            best = std::min(best, P3D_Dist(q, pt));
        }
        EXPECT_LT(best, 1e-3);
    }
    BCRV* none = nullptr;
    EXPECT_EQ(BCRV_IntpPs(1, pts, 4, &none), 0);
    EXPECT_EQ(none, nullptr);
}

}  // namespace
