// Surface/surface intersection on pairs with known answers: every trace point
// lies on both surfaces (measured by projection), no chord is longer than r2,
// the traces and the analytic curves lie within r0 of each other both ways,
// and the numbers of curves and contact points are right. The same pairs run
// at 1, 1000 and 0.1 units with the tolerances scaled with them.
#include "toolpath/surfkernel/SurfaceIntersect.h"

#include "AllocFailureWalk.h"
#include "IntersectFixtures.h"
#include "KernelEntityFixtures.h"
#include "framework/numerak/Point3D.h"
#include "testing/SurfaceFixtures.h"
#include "toolpath/surfkernel/CurveEntity.h"
#include "toolpath/surfkernel/SurfaceEntity.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <numbers>
#include <random>
#include <string>
#include <vector>

namespace {

using kernelfix::Dist;
using kernelfix::EntityPtr;
using surffix::SurfPtr;
using namespace intersectfix;
constexpr double kPi = std::numbers::pi;

// Cone about z with apex at the origin, half angle atan(k), from z = z0 to z1.
SurfPtr Cone(double k, double z0, double z1)
{
    surffix::CurvePtr profile(BCRV_New());
    const double a[3] = {k * z0, z0, 0.0}, b[3] = {k * z1, z1, 0.0};
    profile->GenLine(a, b);
    return surffix::Revolve(*surffix::UnitCircle(), *profile);
}

// z = x² − y² over [-1, 1]², a biquadratic Bézier patch.
SurfPtr Saddle()
{
    SurfPtr s(BSRF_Create(3, 3, 3, 3));
    const double c[3] = {-1, 0, 1}, sq[3] = {1, -1, 1};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            s->P[i][j][0] = c[i];
            s->P[i][j][1] = c[j];
            s->P[i][j][2] = sq[i] - sq[j];
            s->P[i][j][3] = 1.0;
        }
    return s;
}

// z = y² over [-1, 1] × [0, 1], linear in x: it touches the plane z = 0
// along its edge y = 0.
SurfPtr TouchingStrip()
{
    SurfPtr s(BSRF_Create(2, 2, 3, 3));
    const double y[3] = {0, 0.5, 1}, z[3] = {0, 0, 1};
    for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 3; ++j) {
            s->P[i][j][0] = i == 0 ? -1 : 1;
            s->P[i][j][1] = y[j];
            s->P[i][j][2] = z[j];
            s->P[i][j][3] = 1.0;
        }
    return s;
}

// A cubic B-spline graph through the points (g(y_i), y_i) written into the
// coordinates (a, b) of the curve, the third one zero.
CURVE* Graph(const std::function<double(double)>& g, int a, int b, double y0, double y1)
{
    const int n = 8;
    BCRV* c = BCRV_New(4, n);
    for (int i = 0; i < n; ++i) {
        double p[3] = {0, 0, 0};
        const double y = y0 + (y1 - y0) * i / (n - 1);
        p[a] = g(y);
        p[b] = y;
        c->SetCtrlPt(i, p);
    }
    return ECRV_NewNurbs(c);
}

using Polyline = std::vector<std::array<double, 3>>;

double SegmentDistance(const double* p, const double* a, const double* b)
{
    double ab[3], ap[3];
    V3D_Sub(b, a, ab);
    V3D_Sub(p, a, ap);
    const double l2 = V3D_Dot(ab, ab);
    const double t = l2 > 0 ? std::clamp(V3D_Dot(ap, ab) / l2, 0.0, 1.0) : 0.0;
    double f[3];
    for (int e = 0; e < 3; ++e)
        f[e] = a[e] + t * ab[e];
    return Dist(p, f);
}

double DistanceToSet(const double* p, const std::vector<Polyline>& set)
{
    double best = 1e300;
    for (const Polyline& pl : set) {
        if (pl.size() == 1)
            best = std::min(best, Dist(p, pl[0].data()));
        for (std::size_t i = 0; i + 1 < pl.size(); ++i)
            best = std::min(best, SegmentDistance(p, pl[i].data(), pl[i + 1].data()));
    }
    return best;
}

struct Result {
    int rc = 0;
    std::vector<Polyline> curves;
    std::vector<std::array<double, 3>> contacts;
    std::vector<ECRV_INTCUR*> records;
};

struct Case {
    std::string name;
    std::function<SURFACE*(double)> a, b; // the records at scale k
    std::array<double, 4> boxA, boxB;    // UV boxes (NaN: the whole surface)
    int curves, contacts;
    // Analytic curves at scale 1 as point functions on [0, 1].
    std::vector<std::function<void(double, double*)>> analytic;
    std::vector<std::array<double, 3>> analyticPoints;
};

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr std::array<double, 4> kWhole = {kNaN, kNaN, kNaN, kNaN};

// Bases of the offset records: an offset does not own its base, so the
// bases live until the end of the test.
std::vector<EntityPtr>& OffsetBases()
{
    static std::vector<EntityPtr> bases;
    return bases;
}

// Offset record of base at distance d along its unit normal.
SURFACE* Offset(SURFACE* base, double d)
{
    OffsetBases().emplace_back(base);
    return ESRF_NewOffset(base, d);
}

struct SurfaceIntersectTest : ::testing::Test {
    void SetUp() override { ESSI_ResetKernelState(); }
    void TearDown() override
    {
        ESSI_ResetKernelState();
        OffsetBases().clear();
    }
};

// Distance to the surface by projection; the projection's own accuracy is
// about 1e-8 of the model size. The kernel does not project onto an offset
// surface: the point is projected onto its base, and its distance is the
// offset from the base's normal line there and along it from d.
double OnSurface(SURFACE* s, const double* p)
{
    const bool offset = s->type == ENT_OFFSET;
    SURFACE* onto = offset ? reinterpret_cast<ESRF_OFFSET*>(s)->base : s;
    double u = 0, v = 0, foot[3];
    if (ESRF_ProjectPoint(&u, &v, foot, onto, p) != 1)
        return 1e300;
    if (!offset)
        return Dist(foot, p);
    double N[3], q[3], r[3];
    if (ESRF_EvalNormal(N, q, onto, u, v) != 1)
        return 1e300;
    V3D_Sub(p, foot, r);
    const double along = V3D_Dot(r, N);
    for (int e = 0; e < 3; ++e)
        r[e] -= along * N[e];
    return std::hypot(along - reinterpret_cast<ESRF_OFFSET*>(s)->d, V3D_Len(r));
}

// Runs the case at scale k with the tolerance triples scaled by t and checks
// everything order-free.
void RunCase(const Case& c, double k, double t)
{
    SCOPED_TRACE(c.name + " at scale " + std::to_string(k) + ", tolerances x" + std::to_string(t));
    ESSI_ResetKernelState();
    const double s0[3] = {0.001, 0.2, 0.01}, r0[3] = {0.0005, 0.1, 0.005};
    ESSI_SetSubdivTolerance(s0[0] * t, s0[1], s0[2] * t);
    ESSI_SetTraceTolerance(r0[0] * t, r0[1], r0[2] * t);
    double r[3];
    ESSI_GetTraceTolerance(r);
    EntityPtr A(c.a(k)), B(c.b(k));
    ASSERT_TRUE(A && B);
    double boxA[4], boxB[4];
    for (int i = 0; i < 4; ++i) {
        boxA[i] = c.boxA[i];
        boxB[i] = c.boxB[i];
    }
    if (std::isnan(boxA[0]))
        ESRF_GetUVBox(A.get(), boxA);
    if (std::isnan(boxB[0]))
        ESRF_GetUVBox(B.get(), boxB);
    SSI_SUBDIV *slotA = nullptr, *slotB = nullptr;
    SSI_POINT* contacts = nullptr;
    SSI_CURVENODE* curves = nullptr;
    const long live = QV_MemLiveCount();
    ASSERT_EQ(ESSI_Intersect(A.get(), B.get(), boxA, &slotA, boxB, &slotB, &contacts, &curves), 1);
    Result res;
    for (SSI_POINT* p = contacts; p; p = p->next)
        res.contacts.push_back({p->p[0], p->p[1], p->p[2]});
    std::mt19937 rng(5);
    for (SSI_CURVENODE* n = curves; n; n = n->next) {
        Polyline pl;
        const SSI_TRACE* tr = n->curve->trace;
        ASSERT_TRUE(tr);
        EXPECT_EQ(n->curve->a, A->type >= B->type ? A.get() : B.get());
        EXPECT_EQ(n->range[0], tr->s[0].t);
        EXPECT_EQ(n->range[1], tr->s[tr->n - 1].t);
        for (int i = 0; i < tr->n; ++i) {
            const double* p = tr->s[i].p;
            pl.push_back({p[0], p[1], p[2]});
            EXPECT_LT(OnSurface(A.get(), p), 2e-8 * std::max(1.0, k)) << "sample " << i;
            EXPECT_LT(OnSurface(B.get(), p), 2e-8 * std::max(1.0, k)) << "sample " << i;
            double SA[3], SB[3];
            // The curve's surfaces are in pair order (the larger code first).
            ASSERT_EQ(ESRF_EvalPoint(SA, n->curve->a, tr->s[i].uvA[0], tr->s[i].uvA[1]), 1);
            ASSERT_EQ(ESRF_EvalPoint(SB, n->curve->b, tr->s[i].uvB[0], tr->s[i].uvB[1]), 1);
            EXPECT_LT(Dist(SA, p), 1e-8 * std::max(1.0, k)) << "sample " << i;
            EXPECT_LT(Dist(SB, p), 1e-8 * std::max(1.0, k)) << "sample " << i;
            if (i > 0) {
                EXPECT_LE(Dist(p, tr->s[i - 1].p), r[2] * (1 + 1e-9)) << "chord " << i;
                EXPECT_GT(tr->s[i].t, tr->s[i - 1].t);
            }
        }
        // Points between the samples.
        std::uniform_real_distribution<double> at(n->range[0], n->range[1]);
        for (int j = 0; j < 20; ++j) {
            double P[3];
            ASSERT_EQ(ECRV_IntersectionPoint(n->curve, at(rng), P), 1);
            EXPECT_LT(OnSurface(A.get(), P), 2e-8 * std::max(1.0, k));
            EXPECT_LT(OnSurface(B.get(), P), 2e-8 * std::max(1.0, k));
        }
        res.curves.push_back(pl);
    }
    EXPECT_EQ(static_cast<int>(res.curves.size()), c.curves);
    EXPECT_EQ(static_cast<int>(res.contacts.size()), c.contacts);
    // Hausdorff distance to the analytic curves, both ways.
    std::vector<Polyline> exact;
    for (const auto& f : c.analytic) {
        Polyline pl;
        for (int i = 0; i <= 5000; ++i) {
            double p[3];
            f(i / 5000.0, p);
            pl.push_back({k * p[0], k * p[1], k * p[2]});
        }
        exact.push_back(pl);
    }
    for (const auto& q : c.analyticPoints)
        exact.push_back({{k * q[0], k * q[1], k * q[2]}});
    double worst = 0.0, worstBack = 0.0;
    for (const Polyline& pl : res.curves)
        for (const auto& p : pl)
            worst = std::max(worst, DistanceToSet(p.data(), exact));
    for (const auto& p : res.contacts)
        worst = std::max(worst, DistanceToSet(p.data(), exact));
    std::vector<Polyline> found = res.curves;
    for (const auto& p : res.contacts)
        found.push_back({p});
    for (const Polyline& pl : exact)
        for (std::size_t i = 0; i < pl.size(); i += 5)
            worstBack = std::max(worstBack, DistanceToSet(pl[i].data(), found));
    EXPECT_LT(worst, r[0]);
    EXPECT_LT(worstBack, r[0]);
    // No two curves share a piece: the middle of every chord is away from the
    // other curves, except next to their ends.
    for (std::size_t i = 0; i < res.curves.size(); ++i)
        for (std::size_t j = 0; j < res.curves.size(); ++j) {
            if (i == j)
                continue;
            int shared = 0;
            const Polyline& a = res.curves[i];
            const Polyline& b = res.curves[j];
            for (std::size_t m = 0; m + 1 < a.size(); ++m) {
                double mid[3];
                P3D_Lerp(a[m].data(), a[m + 1].data(), 0.5, mid);
                // Curves may meet at their ends (two meridians at a pole).
                if (Dist(mid, b.front().data()) < r[0] || Dist(mid, b.back().data()) < r[0])
                    continue;
                shared += DistanceToSet(mid, {b}) < 0.1 * r[0];
            }
            EXPECT_LE(shared, 2) << "curves " << i << " and " << j << " overlap";
        }
    ESSI_FreePointList(contacts);
    ESSI_FreeCurveList(curves);
    ESSI_FreeSubdivision(slotA);
    ESSI_FreeSubdivision(slotB);
    EXPECT_EQ(QV_MemLiveCount(), live);
}

const double kX[3] = {1, 0, 0}, kY[3] = {0, 1, 0}, kZ[3] = {0, 0, 1};

std::vector<Case> Cases()
{
    std::vector<Case> cases;
    auto circle = [](double cx, double cy, double cz, const double* x, const double* y, double rad) {
        const std::array<double, 3> X = {x[0], x[1], x[2]}, Y = {y[0], y[1], y[2]};
        return [=](double s, double* p) {
            const double a = 2 * kPi * s;
            for (int e = 0; e < 3; ++e)
                p[e] = (e == 0 ? cx : e == 1 ? cy : cz) + rad * (std::cos(a) * X[e] + std::sin(a) * Y[e]);
        };
    };
    // The plane through (0, 0, 0.3) with normal (0, -sin 0.3, cos 0.3) cuts
    // the sphere of radius rs about the origin in this circle.
    auto tiltedCut = [](double rs) {
        return [=](double s, double* p) {
            const double n[3] = {0, -std::sin(0.3), std::cos(0.3)}, X[3] = {1, 0, 0};
            double Y[3];
            V3D_Cross(n, X, Y);
            const double d = 0.3 * n[2], rad = std::sqrt(rs * rs - d * d);
            const double a = 2 * kPi * s;
            for (int e = 0; e < 3; ++e)
                p[e] = d * n[e] + rad * (std::cos(a) * X[e] + std::sin(a) * Y[e]);
        };
    };
    auto segment = [](std::array<double, 3> a, std::array<double, 3> b) {
        return [=](double s, double* p) {
            for (int e = 0; e < 3; ++e)
                p[e] = a[e] + s * (b[e] - a[e]);
        };
    };
    cases.push_back({"planes", [](double k) { return Placed(CentredPlane(1, 1), Motion(), k); },
                     [](double k) { return Placed(CentredPlane(1.5, 1), Turn(kY, kPi / 2, 0.3, 0, 0), k); }, kWhole,
                     kWhole, 1, 0, {segment({0.3, -1, 0}, {0.3, 1, 0})}, {}});
    cases.push_back({"parallel planes", [](double k) { return Placed(CentredPlane(1, 1), Motion(), k); },
                     [](double k) { return Placed(CentredPlane(1, 1), Shift(0, 0, 0.5), k); }, kWhole, kWhole, 0, 0,
                     {}, {}});
    const double rc = std::sqrt(1 - 0.09);
    cases.push_back({"sphere and plane", [](double k) { return Placed(NurbsSphere(1), Motion(), k); },
                     [](double k) { return Placed(CentredPlane(1.5, 1.5), Shift(0, 0, 0.3), k); }, kWhole, kWhole, 1,
                     0, {circle(0, 0, 0.3, kX, kY, rc)}, {}});
    cases.push_back({"sphere record and plane", [](double k) { return ESRF_NewSphere(nullptr, k); },
                     [](double k) { return Placed(CentredPlane(1.5, 1.5), Turn(kX, 0.3, 0, 0, 0.3), k); }, kWhole,
                     kWhole, 1, 0, {tiltedCut(1.0)}, {}});
    cases.push_back({"sphere and tangent plane", [](double k) { return Placed(NurbsSphere(1), Motion(), k); },
                     [](double k) { return Placed(CentredPlane(1.5, 1.5), Turn(kX, kPi / 2, 0, 1, 0), k); }, kWhole,
                     kWhole, 0, 1, {}, {{0, 1, 0}}});
    {
        // Spheres of radii 1 and 0.8 with centres 1.2 apart along (2, 1, 0.5).
        double axis[3] = {2, 1, 0.5};
        V3D_Unit(axis, 1e-20);
        const double d = 1.2, d1 = (d * d + 1 - 0.64) / (2 * d), rad = std::sqrt(1 - d1 * d1);
        double X[3], Y[3];
        const double up[3] = {0, 0, 1};
        V3D_Cross(axis, up, X);
        V3D_Unit(X, 1e-20);
        V3D_Cross(axis, X, Y);
        cases.push_back({"two spheres", [](double k) { return Placed(NurbsSphere(1), Motion(), k); },
                         [=](double k) { return Placed(NurbsSphere(0.8), Shift(d * axis[0], d * axis[1], d * axis[2]), k); },
                         kWhole, kWhole, 1, 0, {circle(d1 * axis[0], d1 * axis[1], d1 * axis[2], X, Y, rad)}, {}});
    }
    {
        const double R2 = 1.5;
        auto branch = [=](double sign) {
            return [=](double s, double* p) {
                const double a = 2 * kPi * s;
                p[0] = std::cos(a);
                p[1] = std::sin(a);
                p[2] = sign * std::sqrt(R2 * R2 - p[1] * p[1]);
            };
        };
        cases.push_back({"perpendicular cylinders", [](double k) { return Placed(CentredCylinder(1, 3), Motion(), k); },
                         [=](double k) { return Placed(CentredCylinder(R2, 3), Turn(kY, kPi / 2), k); }, kWhole, kWhole,
                         2, 0, {branch(1), branch(-1)}, {}});
        auto ellipse = [](double sign) {
            return [=](double s, double* p) {
                const double a = 2 * kPi * s;
                p[0] = std::cos(a);
                p[1] = std::sin(a);
                p[2] = sign * p[0];
            };
        };
        cases.push_back({"equal cylinders", [](double k) { return Placed(CentredCylinder(1, 3), Motion(), k); },
                         [=](double k) { return Placed(CentredCylinder(1, 3), Turn(kY, kPi / 2), k); }, kWhole, kWhole, 2,
                         0, {ellipse(1), ellipse(-1)}, {}});
    }
    {
        const double y = std::sqrt(1 - 0.75 * 0.75);
        cases.push_back({"parallel cylinders", [](double k) { return Placed(CentredCylinder(1, 2), Motion(), k); },
                         [](double k) { return Placed(CentredCylinder(1, 2), Shift(1.5, 0, 0), k); }, kWhole, kWhole, 2,
                         0, {segment({0.75, y, -2}, {0.75, y, 2}), segment({0.75, -y, -2}, {0.75, -y, 2})}, {}});
        cases.push_back({"cylinder and tangent plane",
                         [](double k) { return Placed(CentredCylinder(1, 2), Motion(), k); },
                         [](double k) { return Placed(CentredPlane(3, 1.5), Turn(kY, kPi / 2, 1, 0, 0), k); }, kWhole,
                         kWhole, 1, 0, {segment({1, 0, -2}, {1, 0, 2})}, {}});
        // Plane z = 0.5 x: the ellipse (cos a, sin a, 0.5 cos a).
        cases.push_back({"cylinder and oblique plane",
                         [](double k) { return Placed(CentredCylinder(1, 2), Motion(), k); },
                         [](double k) { return Placed(CentredPlane(2, 2), Turn(kY, -std::atan(0.5)), k); }, kWhole,
                         kWhole, 1, 0,
                         {[](double s, double* p) {
                             p[0] = std::cos(2 * kPi * s);
                             p[1] = std::sin(2 * kPi * s);
                             p[2] = 0.5 * p[0];
                         }},
                         {}});
    }
    {
        // Cone x² + y² = z² (k = 1) from z = 0.5 to 2; the plane z = 1 (a
        // circle), z = 1 + 0.3 x (an ellipse) and a plane parallel to a
        // generator, z = x + 1.2 (a parabola).
        cases.push_back({"cone and circle plane", [](double k) { return Placed(Cone(1, 0.5, 2), Motion(), k); },
                         [](double k) { return Placed(CentredPlane(2.5, 2.5), Shift(0, 0, 1), k); }, kWhole, kWhole, 1, 0,
                         {circle(0, 0, 1, kX, kY, 1)}, {}});
        cases.push_back({"cone and ellipse plane", [](double k) { return Placed(Cone(1, 0.5, 2), Motion(), k); },
                         [](double k) { return Placed(CentredPlane(2.5, 2.5), Turn(kY, -std::atan(0.3), 0, 0, 1), k); },
                         kWhole, kWhole, 1, 0,
                         {[](double s, double* p) {
                             // r = z, z = 1 + 0.3 r cos a.
                             const double a = 2 * kPi * s, rr = 1 / (1 - 0.3 * std::cos(a));
                             p[0] = rr * std::cos(a);
                             p[1] = rr * std::sin(a);
                             p[2] = rr;
                         }},
                         {}});
        cases.push_back({"cone and parabola plane", [](double k) { return Placed(Cone(1, 0.5, 2), Motion(), k); },
                         [](double k) { return Placed(CentredPlane(4, 3), Turn(kY, -kPi / 4, 0, 0, 1.2), k); }, kWhole,
                         kWhole, 1, 0,
                         {[](double s, double* p) {
                             // z = x + 1.2 and x² + y² = z²: y² = 2.4 x + 1.44; up to z = 2.
                             const double ymax = std::sqrt(2.4 * 0.8 + 1.44);
                             p[1] = -ymax + 2 * ymax * s;
                             p[0] = (p[1] * p[1] - 1.44) / 2.4;
                             p[2] = p[0] + 1.2;
                         }},
                         {}});
    }
    {
        // Torus R = 2, r = 1 and the bitangent plane through its centre
        // turned about x by asin(r/R): two Villarceau circles of radius 2
        // centred at (±r, 0, 0).
        const double alpha = std::asin(0.5);
        const double Xv[3] = {1, 0, 0}, Yv[3] = {0, std::cos(alpha), std::sin(alpha)};
        cases.push_back({"torus and bitangent plane",
                         [](double k) { return Placed(surffix::Torus(2, 1), Motion(), k); },
                         [=](double k) { return Placed(CentredPlane(3.5, 3.5), Turn(kX, alpha), k); }, kWhole, kWhole,
                         2, 0, {circle(1, 0, 0, Xv, Yv, 2), circle(-1, 0, 0, Xv, Yv, 2)}, {}});
    }
    cases.push_back({"saddle and plane", [](double k) { return Placed(Saddle(), Motion(), k); },
                     [](double k) { return Placed(CentredPlane(1.5, 1.5), Motion(), k); }, kWhole, kWhole, 2, 0,
                     {segment({-1, -1, 0}, {1, 1, 0}), segment({-1, 1, 0}, {1, -1, 0})}, {}});
    cases.push_back({"sphere and meridian plane", [](double k) { return Placed(NurbsSphere(1), Motion(), k); },
                     [](double k) { return Placed(CentredPlane(1.5, 1.5), Turn(kX, kPi / 2), k); }, kWhole, kWhole, 2,
                     0, {circle(0, 0, 0, kX, kZ, 1)}, {}});
    {
        // x = f(y) along z and z = g(y) along x meet in (f(y), y, g(y)); the
        // graphs are B-splines, so the answer pairs their points of equal y.
        auto f = [](double y) { return 0.3 * std::sin(2 * y); };
        auto g = [](double y) { return 0.2 * y * y - 0.1; };
        auto profile = [](const std::function<double(double)>& h, int a, double k) {
            return Graph([&](double y) { return k * h(y / k); }, a, 1, -k, k);
        };
        std::shared_ptr<ENTITY> pf(profile(f, 0, 1.0), kernelfix::EntityFreer());
        std::shared_ptr<ENTITY> pg(profile(g, 2, 1.0), kernelfix::EntityFreer());
        cases.push_back({"extruded graphs",
                         [=](double k) {
                             const double d[3] = {0, 0, k};
                             return ESRF_NewExtrusion(profile(f, 0, k), d);
                         },
                         [=](double k) {
                             const double d[3] = {k, 0, 0};
                             return ESRF_NewExtrusion(profile(g, 2, k), d);
                         },
                         {0, -1, 1, 1}, {0, -1, 1, 1}, 1, 0,
                         {[=](double s, double* p) {
                             double P[3], Q[3];
                             ECRV_EvalPoint(P, pf.get(), s);
                             double lo = 0, hi = 1;
                             for (int i = 0; i < 80; ++i) {
                                 const double m = 0.5 * (lo + hi);
                                 ECRV_EvalPoint(Q, pg.get(), m);
                                 (Q[1] < P[1] ? lo : hi) = m;
                             }
                             ECRV_EvalPoint(Q, pg.get(), 0.5 * (lo + hi));
                             p[0] = P[0];
                             p[1] = P[1];
                             p[2] = Q[2];
                         }},
                         {}});
    }
    // Faces meeting along an edge: the plane x = 1 standing on the edge
    // x = 1 of the plane z = 0 over [-1, 1]², the strip touching the plane
    // z = 0 along its edge y = 0 (the plane ending there, then going on
    // beyond it), and the cylinder over 0 <= z <= 2 standing on the plane
    // z = 0 (its edge circle lies on the plane). Each gives the edge whole,
    // as one curve.
    cases.push_back({"plane standing on an edge", [](double k) { return Placed(CentredPlane(1, 1), Motion(), k); },
                     [](double k) { return Placed(CentredPlane(1, 1), Turn(kY, kPi / 2, 1, 0, 0), k); }, kWhole, kWhole,
                     1, 0, {segment({1, -1, 0}, {1, 1, 0})}, {}});
    cases.push_back({"faces touching along their shared edge", [](double k) { return Placed(TouchingStrip(), Motion(), k); },
                     [](double k) { return Placed(CentredPlane(1, 0.5), Shift(0, -0.5, 0), k); }, kWhole, kWhole, 1, 0,
                     {segment({-1, 0, 0}, {1, 0, 0})}, {}});
    cases.push_back({"strip touching a plane along its edge", [](double k) { return Placed(TouchingStrip(), Motion(), k); },
                     [](double k) { return Placed(CentredPlane(1.5, 1.5), Shift(0, 0.7, 0), k); }, kWhole, kWhole, 1, 0,
                     {segment({-1, 0, 0}, {1, 0, 0})}, {}});
    cases.push_back({"cylinder standing on a plane", [](double k) { return Placed(CentredCylinder(1, 1), Shift(0, 0, 1), k); },
                     [](double k) { return Placed(CentredPlane(1.5, 1.5), Motion(), k); }, kWhole, kWhole, 1, 0,
                     {circle(0, 0, 0, kX, kY, 1)}, {}});
    {
        // Offset records: a plane offset along its normal +z is a plane, a
        // sphere's offset along its outward normal a larger sphere and a
        // cylinder's a wider cylinder.
        const double rc3 = std::sqrt(1 - 0.09);
        cases.push_back({"offset plane and sphere",
                         [](double k) { return Offset(Placed(CentredPlane(1.5, 1.5), Motion(), k), 0.3 * k); },
                         [](double k) { return ESRF_NewSphere(nullptr, k); }, kWhole, kWhole, 1, 0,
                         {circle(0, 0, 0.3, kX, kY, rc3)}, {}});
        const double rc4 = std::sqrt(1.25 * 1.25 - 0.25);
        cases.push_back({"offset sphere record and plane",
                         [](double k) { return Offset(ESRF_NewSphere(nullptr, k), 0.25 * k); },
                         [](double k) { return Placed(CentredPlane(2, 2), Shift(0, 0, -0.5), k); }, kWhole, kWhole, 1, 0,
                         {circle(0, 0, -0.5, kX, kY, rc4)}, {}});
        // The NURBS sphere (poles at v = 0 and 1, outward normal) moved in
        // by 0.25 is the sphere of radius 0.75; the plane through
        // (0, 0, 0.3) with normal (0, -sin 0.3, cos 0.3) cuts it in a circle.
        cases.push_back({"offset nurbs sphere inwards and plane",
                         [](double k) { return Offset(Placed(NurbsSphere(1), Motion(), k), -0.25 * k); },
                         [](double k) { return Placed(CentredPlane(1.5, 1.5), Turn(kX, 0.3, 0, 0, 0.3), k); }, kWhole,
                         kWhole, 1, 0, {tiltedCut(0.75)}, {}});
        // The unit cylinder widened to 1.5 and cut by the plane z = 0.5 x.
        cases.push_back({"offset cylinder and oblique plane",
                         [](double k) { return Offset(Placed(CentredCylinder(1, 2), Motion(), k), 0.5 * k); },
                         [](double k) { return Placed(CentredPlane(2.5, 2.5), Turn(kY, -std::atan(0.5)), k); }, kWhole,
                         kWhole, 1, 0,
                         {[](double s, double* p) {
                             p[0] = 1.5 * std::cos(2 * kPi * s);
                             p[1] = 1.5 * std::sin(2 * kPi * s);
                             p[2] = 0.5 * p[0];
                         }},
                         {}});
    }
    return cases;
}

// The tolerance triples scale with the model as a host would scale them.
TEST_F(SurfaceIntersectTest, AnalyticPairsAtUnitScale)
{
    for (const Case& c : Cases())
        RunCase(c, 1.0, 1.0);
}

TEST_F(SurfaceIntersectTest, AnalyticPairsAtThousandScale)
{
    for (const Case& c : Cases())
        RunCase(c, 1000.0, 1000.0);
}

TEST_F(SurfaceIntersectTest, AnalyticPairsAtTenthScale)
{
    for (const Case& c : Cases())
        RunCase(c, 0.1, 0.1);
}

} // namespace

namespace {

// Sum of the patches' parameter areas.
double CoveredArea(const SSI_SUBDIV* sub, int* count)
{
    double area = 0.0;
    *count = 0;
    for (const SSI_PATCH* p = sub->patches; p; p = p->next, ++*count)
        area += (p->c[3]->u - p->c[0]->u) * (p->c[3]->v - p->c[0]->v);
    return area;
}

TEST_F(SurfaceIntersectTest, SubdivisionCoversTheBox)
{
    // Flat squares at the default triple: edges of 0.05 pass, 0.06 split.
    struct Row {
        double side;
        int patches;
    } rows[] = {{0.1, 4}, {0.12, 16}};
    for (const Row& row : rows) {
        EntityPtr plane(ESRF_NewNurbs(surffix::Plane(row.side, row.side).release()));
        const double box[4] = {0, 0, 1, 1};
        SSI_SUBDIV* sub = nullptr;
        ASSERT_EQ(ESSI_Subdivide(plane.get(), box, 0.005, 1.0, 0.05, &sub), 1);
        int count = 0;
        EXPECT_DOUBLE_EQ(CoveredArea(sub, &count), 1.0);
        EXPECT_EQ(count, row.patches) << row.side;
        ESSI_FreeSubdivision(sub);
    }
    // A sphere of radius 30 at the default triple passes the examination
    // cap; the rest of the box is still covered, by patches that pass the
    // flatness and normal tests.
    EntityPtr sphere(Placed(NurbsSphere(30), Motion()));
    double box[4];
    ESRF_GetUVBox(sphere.get(), box);
    SSI_SUBDIV* sub = nullptr;
    ASSERT_EQ(ESSI_Subdivide(sphere.get(), box, 0.005, 1.0, 0.05, &sub), 1);
    int count = 0;
    EXPECT_NEAR(CoveredArea(sub, &count), (box[2] - box[0]) * (box[3] - box[1]), 1e-12);
    EXPECT_GT(count, kSubdivEdgeCap / 2);
    for (const SSI_PATCH* p = sub->patches; p; p = p->next)
        for (int i = 0; i < 4; ++i) {
            double d[3];
            V3D_Sub(p->c[i]->p, p->c[0]->p, d);
            ASSERT_LT(std::fabs(V3D_Dot(d, p->n)) , 2 * 0.005 + 1e-12);
        }
    ESSI_FreeSubdivision(sub);
    // Every allocation failing in turn empties the slot.
    EntityPtr small(ESRF_NewNurbs(surffix::Plane(0.12, 0.12).release()));
    const double unit[4] = {0, 0, 1, 1};
    walkAllocFailures("subdivision", [&] {
        SSI_SUBDIV* s = nullptr;
        const int rc = ESSI_Subdivide(small.get(), unit, 0.005, 1.0, 0.05, &s);
        const bool ok = rc == 1 && s != nullptr;
        EXPECT_TRUE(ok || s == nullptr);
        ESSI_FreeSubdivision(s);
        return ok;
    });
}

// The box tree gives the same patch pairs as testing every pair.
TEST_F(SurfaceIntersectTest, PatchPairsAsThePlainSearch)
{
    EntityPtr a(ESRF_NewNurbs(surffix::Wavy(12, true, 3).release()));
    EntityPtr b(Placed(surffix::Wavy(10, false, 9), Turn(kX, 0.4, 0.5, -0.3, 0.2)));
    const double box[4] = {0, 0, 1, 1};
    SSI_SUBDIV *sa = nullptr, *sb = nullptr;
    ASSERT_EQ(ESSI_Subdivide(a.get(), box, 0.05, 0.5, 0.5, &sa), 1);
    ASSERT_EQ(ESSI_Subdivide(b.get(), box, 0.05, 0.5, 0.5, &sb), 1);
    for (double tol : {0.0, 0.05, 0.3}) {
        std::vector<std::pair<const SSI_PATCH*, const SSI_PATCH*>> tree, plain;
        auto collect = [](void* ctx, const SSI_PATCH* P, const SSI_PATCH* Q) {
            static_cast<decltype(tree)*>(ctx)->push_back({P, Q});
            return 1;
        };
        ASSERT_EQ(ESSI_ForEachPatchPair(sa, sb, tol, collect, &tree), 1);
        for (const SSI_PATCH* P = sa->patches; P; P = P->next)
            for (const SSI_PATCH* Q = sb->patches; Q; Q = Q->next) {
                bool meet = true;
                for (int i = 0; i < 3; ++i)
                    meet = meet && P->box[i] - tol <= Q->box[i + 3] && Q->box[i] - tol <= P->box[i + 3];
                if (meet)
                    plain.push_back({P, Q});
            }
        std::sort(tree.begin(), tree.end());
        std::sort(plain.begin(), plain.end());
        EXPECT_GT(plain.size(), 10u);
        EXPECT_EQ(tree, plain) << tol;
    }
    ESSI_FreeSubdivision(sa);
    ESSI_FreeSubdivision(sb);
}

struct Traced {
    SSI_SUBDIV *slotA = nullptr, *slotB = nullptr;
    SSI_POINT* contacts = nullptr;
    SSI_CURVENODE* curves = nullptr;
    int rc = 0;
    Traced(SURFACE* a, SURFACE* b) { rc = ESSI_Intersect(a, b, nullptr, &slotA, nullptr, &slotB, &contacts, &curves); }
    ~Traced()
    {
        ESSI_FreePointList(contacts);
        ESSI_FreeCurveList(curves);
        ESSI_FreeSubdivision(slotA);
        ESSI_FreeSubdivision(slotB);
    }
    int Count() const
    {
        int n = 0;
        for (const SSI_CURVENODE* c = curves; c; c = c->next)
            ++n;
        return n;
    }
};

// How the traces end: closed curves back at their start, meridians at the
// poles, a line parametrised by the distance from its first point.
TEST_F(SurfaceIntersectTest, TraceEnds)
{
    {
        EntityPtr a(Placed(CentredCylinder(1, 3), Motion())), b(Placed(CentredCylinder(1.5, 3), Turn(kY, kPi / 2)));
        Traced t(a.get(), b.get());
        ASSERT_EQ(t.rc, 1);
        ASSERT_EQ(t.Count(), 2);
        for (const SSI_CURVENODE* c = t.curves; c; c = c->next) {
            const SSI_TRACE* tr = c->curve->trace;
            EXPECT_LT(Dist(tr->s[0].p, tr->s[tr->n - 1].p), 1e-8);
            EXPECT_NE(ESSI_TraceClosure(tr, 1e-8, 1e-3), 2);
        }
    }
    {
        EntityPtr a(Placed(NurbsSphere(1), Motion())), b(Placed(CentredPlane(1.5, 1.5), Turn(kX, kPi / 2)));
        Traced t(a.get(), b.get());
        ASSERT_EQ(t.rc, 1);
        ASSERT_EQ(t.Count(), 2);
        for (const SSI_CURVENODE* c = t.curves; c; c = c->next) {
            const SSI_TRACE* tr = c->curve->trace;
            const double south[3] = {0, 0, -1}, north[3] = {0, 0, 1};
            const double* first = tr->s[0].p;
            const double* last = tr->s[tr->n - 1].p;
            EXPECT_LT(std::min(Dist(first, south) + Dist(last, north), Dist(first, north) + Dist(last, south)), 1e-12);
        }
    }
    {
        EntityPtr a(Placed(CentredPlane(1, 1), Motion())), b(Placed(CentredPlane(1, 1), Turn(kX, 0.7)));
        Traced t(a.get(), b.get());
        ASSERT_EQ(t.rc, 1);
        ASSERT_EQ(t.Count(), 1);
        const SSI_TRACE* tr = t.curves->curve->trace;
        EXPECT_NEAR(tr->s[tr->n - 1].t, 2.0, 1e-12);
        for (int i = 0; i < tr->n; ++i)
            EXPECT_NEAR(tr->s[i].t, Dist(tr->s[i].p, tr->s[0].p), 1e-12);
        for (int i = 1; i < tr->n; ++i)
            EXPECT_LE(Dist(tr->s[i].p, tr->s[i - 1].p), 0.005 + 1e-12);
    }
}

// A second intersection of the same surfaces reuses the slots unchanged and
// gives the same curves; an unsupported pair is refused.
TEST_F(SurfaceIntersectTest, SlotsReusedAndPairsRefused)
{
    EntityPtr a(Placed(NurbsSphere(1), Motion())), b(Placed(CentredPlane(1.5, 1.5), Shift(0, 0, 0.3)));
    SSI_SUBDIV *sa = nullptr, *sb = nullptr;
    SSI_POINT* contacts = nullptr;
    SSI_CURVENODE* curves = nullptr;
    ASSERT_EQ(ESSI_Intersect(a.get(), b.get(), nullptr, &sa, nullptr, &sb, &contacts, &curves), 1);
    const SSI_SUBDIV *keepA = sa, *keepB = sb;
    const SSI_PATCH* firstPatch = sa->patches;
    const int n = curves->curve->trace->n;
    ASSERT_EQ(ESSI_Intersect(a.get(), b.get(), nullptr, &sa, nullptr, &sb, &contacts, &curves), 1);
    EXPECT_EQ(sa, keepA);
    EXPECT_EQ(sb, keepB);
    EXPECT_EQ(sa->patches, firstPatch);
    ASSERT_TRUE(curves);
    EXPECT_EQ(curves->curve->trace->n, n);
    // Curves of the same pair are in the pair order: the larger code first.
    EXPECT_EQ(curves->curve->a, a.get());
    EntityPtr line(ECRV_NewLine(nullptr, nullptr));
    EXPECT_EQ(ESSI_Intersect(line.get(), line.get(), nullptr, &sa, nullptr, &sb, &contacts, &curves), 0);
    EXPECT_EQ(curves, nullptr);
    EXPECT_EQ(contacts, nullptr);
    ESSI_FreeSubdivision(sa);
    ESSI_FreeSubdivision(sb);
    // The curve record frees through ENT_Free and copies whole.
    SSI_SUBDIV *ta = nullptr, *tb = nullptr;
    ASSERT_EQ(ESSI_Intersect(a.get(), b.get(), nullptr, &ta, nullptr, &tb, &contacts, &curves), 1);
    ECRV_INTCUR* copy = ECRV_CopyIntersection(curves->curve);
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->trace->n, curves->curve->trace->n);
    EXPECT_NE(copy->trace, curves->curve->trace);
    EXPECT_EQ(ENT_Free(&copy->h), 1);
    ESSI_FreeCurveList(curves);
    ESSI_FreeSubdivision(ta);
    ESSI_FreeSubdivision(tb);
}

// Every allocation failing in turn: the intersection fails (or, where the
// failure only took a fallback, succeeds with the same curves) and leaves
// nothing behind.
TEST_F(SurfaceIntersectTest, AllocationFailures)
{
    EntityPtr a(Placed(NurbsSphere(1), Motion(), 0.05)), b(Placed(CentredPlane(1.5, 1.5), Shift(0, 0, 0.3), 0.05));
    int expected = 0;
    {
        Traced t(a.get(), b.get());
        ASSERT_EQ(t.rc, 1);
        expected = t.Count();
        ASSERT_EQ(expected, 1);
    }
    const long live = QV_MemLiveCount();
    QV_MemResetCount();
    { Traced t(a.get(), b.get()); }
    const long count = QV_MemAllocCount();
    ASSERT_GT(count, 10);
    int failed = 0;
    for (long n = 0; n < count; ++n) {
        QV_MemFailAfter(static_cast<int>(n));
        {
            Traced t(a.get(), b.get());
            QV_MemFailAfter(-1);
            EXPECT_TRUE(t.rc == 0 || t.Count() == expected) << "allocation " << n;
            failed += t.rc == 0;
        }
        EXPECT_EQ(QV_MemLiveCount(), live) << "allocation " << n;
    }
    EXPECT_GT(failed, count / 2);
}

// The default triple on a model of 30 units: the subdivision passes its
// examination cap and the intersections are still complete.
TEST_F(SurfaceIntersectTest, DefaultTripleOnLargerModels)
{
    for (const Case& c : Cases())
        if (c.name == "sphere and plane" || c.name == "two spheres" || c.name == "planes")
            RunCase(c, 30.0, 1.0);
}

} // namespace
