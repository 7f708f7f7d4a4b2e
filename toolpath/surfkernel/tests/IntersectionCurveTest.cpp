// Curve operations on intersection curves: curves traced from planes,
// spheres and cylinders are evaluated, projected onto, sampled, tested for a
// plane and converted to NURBS, against the surfaces themselves, the analytic
// circles and ellipses, differences of the point and dense sampling.
#include "toolpath/surfkernel/CurveEntity.h"

#include "IntersectFixtures.h"
#include "KernelEntityFixtures.h"
#include "framework/numerak/Line2D.h"
#include "framework/numerak/Point3D.h"
#include "toolpath/surfkernel/SampleString.h"
#include "toolpath/surfkernel/SurfaceIntersect.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <limits>
#include <numbers>
#include <random>
#include <string>
#include <vector>

namespace {

using kernelfix::Dist;
using kernelfix::EntityPtr;
using namespace intersectfix;
constexpr double kPi = std::numbers::pi;

struct IntersectionCurveTest : ::testing::Test {
    void SetUp() override { ESSI_ResetKernelState(); }
    void TearDown() override { ESSI_ResetKernelState(); }
};

// Distance from the curve's analytic form, as a function of the point.
using OffCurve = std::function<double(const double*)>;

// Circle of radius r about c in the plane with unit normal n.
OffCurve CircleOff(std::array<double, 3> c, std::array<double, 3> n, double r)
{
    return [=](const double* p) {
        double d[3];
        V3D_Sub(p, c.data(), d);
        const double h = V3D_Dot(d, n.data());
        const double radial = std::sqrt(std::max(0.0, V3D_Dot(d, d) - h * h));
        return std::hypot(h, radial - r);
    };
}

// The unit cylinder x² + y² = 1 cut by the plane z = s·x: off the cylinder
// and off the plane.
OffCurve EllipseOff(double s)
{
    return [=](const double* p) {
        return std::hypot(std::hypot(p[0], p[1]) - 1.0, (p[2] - s * p[0]) / std::sqrt(1 + s * s));
    };
}

// Two cylinders about z (radius 1) and about x (radius R).
OffCurve CylindersOff(double R)
{
    return [=](const double* p) { return std::hypot(std::hypot(p[0], p[1]) - 1.0, std::hypot(p[1], p[2]) - R); };
}

struct Row {
    std::string label;
    std::function<SURFACE*()> a, b;
    std::array<double, 4> boxA; // NaN: the whole surface
    int curves;
    bool closed, planar;
    OffCurve off;
};

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

std::vector<Row> Rows()
{
    const double slope = 0.5;
    return {
        {"sphere record and plane",
         [] {
             _rect_fm3d f;
             const double o[3] = {0.2, -0.1, 0.4}, x[3] = {1, 0, 0}, y[3] = {0, 1, 0};
             RF_Init(&f, o, x, y);
             return ESRF_NewSphere(&f, 1.0);
         },
         [] { return Placed(CentredPlane(1.5, 1.5), Shift(0.2, -0.1, 0.7)); }, {kNaN, kNaN, kNaN, kNaN}, 1, true, true,
         CircleOff({0.2, -0.1, 0.7}, {0, 0, 1}, std::sqrt(1 - 0.09))},
        {"cylinder and oblique plane", [] { return Placed(CentredCylinder(1, 2), Motion()); },
         [=] { return Placed(CentredPlane(2, 2), Turn(std::array<double, 3>{0, 1, 0}.data(), -std::atan(slope))); },
         {kNaN, kNaN, kNaN, kNaN}, 1, true, true, EllipseOff(slope)},
        // Half the cylinder: the curve runs from boundary to boundary.
        {"half cylinder and oblique plane", [] { return Placed(CentredCylinder(1, 2), Motion()); },
         [=] { return Placed(CentredPlane(2, 2), Turn(std::array<double, 3>{0, 1, 0}.data(), -std::atan(slope))); },
         {0, 0, 0.5, 1}, 1, false, true, EllipseOff(slope)},
        {"cylinders", [] { return Placed(CentredCylinder(1, 3), Motion()); },
         [] { return Placed(CentredCylinder(1.5, 3), Turn(std::array<double, 3>{0, 1, 0}.data(), kPi / 2)); },
         {kNaN, kNaN, kNaN, kNaN}, 2, true, false, CylindersOff(1.5)},
    };
}

// The traced curves of a row and what they need.
struct Traced {
    EntityPtr a, b;
    SSI_SUBDIV *slotA = nullptr, *slotB = nullptr;
    SSI_POINT* contacts = nullptr;
    SSI_CURVENODE* curves = nullptr;
    int rc = 0;
    explicit Traced(const Row& r) : a(r.a()), b(r.b())
    {
        double boxA[4], boxB[4];
        ESRF_GetUVBox(a.get(), boxA);
        ESRF_GetUVBox(b.get(), boxB);
        if (!std::isnan(r.boxA[0]))
            std::copy(r.boxA.begin(), r.boxA.end(), boxA);
        rc = ESSI_Intersect(a.get(), b.get(), boxA, &slotA, boxB, &slotB, &contacts, &curves);
    }
    ~Traced()
    {
        ESSI_FreePointList(contacts);
        ESSI_FreeCurveList(curves);
        ESSI_FreeSubdivision(slotA);
        ESSI_FreeSubdivision(slotB);
    }
    std::vector<CURVE*> Curves() const
    {
        std::vector<CURVE*> out;
        for (SSI_CURVENODE* n = curves; n; n = n->next)
            out.push_back(&n->curve->h);
        return out;
    }
};

double OnSurface(SURFACE* s, const double* p)
{
    double u = 0, v = 0, foot[3];
    if (ESRF_ProjectPoint(&u, &v, foot, s, p) != 1)
        return 1e300;
    return Dist(foot, p);
}

// Unit tangent of the intersection at p from the two surfaces' normals.
bool SurfaceTangent(SURFACE* a, SURFACE* b, const double* p, double* T)
{
    double na[3], nb[3], foot[3], q[3];
    for (auto [s, n] : {std::pair{a, na}, std::pair{b, nb}}) {
        double u = 0, v = 0;
        if (ESRF_ProjectPoint(&u, &v, foot, s, p) != 1 || ESRF_EvalNormal(n, q, s, u, v) != 1)
            return false;
    }
    V3D_Cross(na, nb, T);
    return V3D_Unit(T, 1e-12) == 1;
}

// Calls f(row, traced, curve, range) for every curve of every row.
template <typename F>
void ForEachCurve(F f)
{
    for (const Row& row : Rows()) {
        Traced tr(row);
        ASSERT_EQ(tr.rc, 1) << row.label;
        for (CURVE* c : tr.Curves()) {
            double range[2];
            ASSERT_EQ(ECRV_GetRange(c, range), 1) << row.label;
            f(row, tr, c, range);
        }
    }
}

// Range, parameter record and closure; points at random parameters on both
// surfaces and on the analytic curve; the first derivative along the common
// tangent of the surfaces, of unit length (t is arc length) and as a central
// difference of the point; the second derivative as a central second
// difference; and at the end of an open curve a derivative that looks back
// along the curve rather than across to its start.
TEST_F(IntersectionCurveTest, EvaluationLiesOnBothSurfacesAndTheAnalyticCurve)
{
    double r[3];
    ESSI_GetTraceTolerance(r);
    for (const Row& row : Rows()) {
        Traced tr(row);
        ASSERT_EQ(tr.rc, 1) << row.label;
        ASSERT_EQ(static_cast<int>(tr.Curves().size()), row.curves) << row.label;
        std::mt19937 rng(3);
        for (CURVE* c : tr.Curves()) {
            const SSI_TRACE* trace = reinterpret_cast<ECRV_INTCUR*>(c)->trace;
            double range[2];
            ASSERT_EQ(ECRV_GetRange(c, range), 1);
            EXPECT_EQ(range[0], trace->s[0].t) << row.label;
            EXPECT_EQ(range[1], trace->s[trace->n - 1].t) << row.label;
            _param p;
            ASSERT_EQ(ECRV_GetParam(&p, c), 1);
            EXPECT_EQ(p.start, range[0]);
            EXPECT_EQ(p.end, range[1]);
            EXPECT_EQ(p.startKind, 1);
            EXPECT_EQ(p.endKind, 1);
            EXPECT_EQ(p.closure, row.closed ? 2 : 0) << row.label;
            EXPECT_EQ(p.extra1, 3);
            EXPECT_EQ(p.extra2, 3);
            std::uniform_real_distribution<double> at(range[0], range[1]);
            std::vector<double> ts{range[0], range[1] - 1e-7, range[1]};
            for (int i = 0; i < 40; ++i)
                ts.push_back(at(rng));
            for (double t : ts) {
                SCOPED_TRACE(row.label + " t " + std::to_string(t));
                double P[3], d1[3], d2[3], Q[3], e1[3];
                ASSERT_EQ(ECRV_EvalDeriv2(c, d1, d2, P, t), 1);
                ASSERT_EQ(ECRV_EvalDeriv1(e1, Q, c, t), 1);
                EXPECT_EQ(Dist(P, Q), 0.0);
                EXPECT_LT(Dist(d1, e1), 1e-15);
                ASSERT_EQ(ECRV_EvalPoint(Q, c, t), 1);
                EXPECT_EQ(Dist(P, Q), 0.0);
                EXPECT_LT(OnSurface(tr.a.get(), P), 2e-8);
                EXPECT_LT(OnSurface(tr.b.get(), P), 2e-8);
                EXPECT_LT(row.off(P), 1e-8);
                EXPECT_NEAR(V3D_Len(d1), 1.0, 1e-3);
                double T[3], u1[3], x[3];
                ASSERT_TRUE(SurfaceTangent(tr.a.get(), tr.b.get(), P, T));
                P3D_Copy(d1, u1);
                ASSERT_EQ(V3D_Unit(u1, 1e-12), 1);
                V3D_Cross(u1, T, x);
                EXPECT_LT(V3D_Len(x), 1e-4);
                // Differences inside the range only: beyond an end an open
                // curve's point wraps.
                const double h = 1e-4;
                if (t - 2 * h < range[0] || t + 2 * h > range[1])
                    continue;
                double c1[3], c2[3], Pp[3], Pm[3];
                kernelfix::Difference([&](double s, double* out) { ECRV_EvalPoint(out, c, s); }, t, h, c1);
                EXPECT_LT(Dist(c1, d1), 1e-4);
                ECRV_EvalPoint(Pp, c, t + 1e-3);
                ECRV_EvalPoint(Pm, c, t - 1e-3);
                for (int e = 0; e < 3; ++e)
                    c2[e] = (Pp[e] - 2 * P[e] + Pm[e]) / 1e-6;
                EXPECT_LT(Dist(c2, d2), 0.05 * std::max(1.0, V3D_Len(c2)));
            }
        }
    }
}

// Nearest points against dense sampling of the curve, from a start guess
// outside the range (the sampled search) and from a guess near the answer
// (Newton); the foot is the curve's point at the returned parameter.
TEST_F(IntersectionCurveTest, NearestPointsAgreeWithDenseSampling)
{
    std::mt19937 rng(11);
    ForEachCurve([&](const Row& row, const Traced&, CURVE* c, const double* range) {
        const int n = 20000;
        std::vector<std::array<double, 3>> dense(n + 1);
        for (int i = 0; i <= n; ++i)
            ASSERT_EQ(ECRV_EvalPoint(dense[i].data(), c, range[0] + (range[1] - range[0]) * i / n), 1);
        std::uniform_real_distribution<double> at(range[0], range[1]), off(-0.4, 0.4);
        for (int k = 0; k < 15; ++k) {
            double P[3];
            ECRV_EvalPoint(P, c, at(rng));
            for (double& x : P)
                x += off(rng);
            int best = 0;
            double bestDist = 1e300;
            for (int i = 0; i <= n; ++i)
                if (const double d = Dist(P, dense[i].data()); d < bestDist) {
                    bestDist = d;
                    best = i;
                }
            const double guessNear = range[0] + (range[1] - range[0]) * best / n + 0.01;
            for (double guess : {1e20, guessNear}) {
                SCOPED_TRACE(row.label + " point " + std::to_string(k) + " guess " + std::to_string(guess));
                double t = guess, foot[3], Q[3];
                ASSERT_EQ(ECRV_NearestPoint(foot, P, &t, c), 1);
                EXPECT_GE(t, range[0] - 1e-12);
                EXPECT_LE(t, range[1] + 1e-12);
                ASSERT_EQ(ECRV_EvalPoint(Q, c, t), 1);
                EXPECT_LT(Dist(Q, foot), 1e-9);
                // Dense spacing is about 1e-3: its nearest point lies at
                // most (1e-3)² / (8 d) farther than the true one.
                EXPECT_LE(Dist(P, foot), bestDist + 1e-8);
                EXPECT_GE(Dist(P, foot), bestDist - 1e-5);
            }
        }
        // The sampled search made the cache over the whole range.
        const PTSTRING* cache = reinterpret_cast<ECRV_INTCUR*>(c)->cache;
        ASSERT_TRUE(cache) << row.label;
        EXPECT_EQ(cache->params[0], range[0]);
        EXPECT_EQ(cache->params[cache->n - 1], range[1]);
    });
}

// Samples from end to end whose spans pass the chord, sagitta and tangent
// tests, each sample on the curve; the cache is freed with the curve.
TEST_F(IntersectionCurveTest, SamplesMeetTheTriple)
{
    const double s[3] = {0.001, 0.2, 0.01};
    ForEachCurve([&](const Row& row, const Traced&, CURVE* c, const double* range) {
        PTSTRING* str = nullptr;
        ASSERT_EQ(ECRV_Sample(s[0], s[1], s[2], &str, range[0], range[1], c), 1) << row.label;
        EXPECT_EQ(str->params[0], range[0]);
        EXPECT_EQ(str->params[str->n - 1], range[1]);
        for (int i = 0; i < str->n; ++i) {
            EXPECT_LT(row.off(str->pnts[i]), 1e-8) << row.label << " sample " << i;
            if (i == 0)
                continue;
            EXPECT_GT(str->params[i], str->params[i - 1]);
            EXPECT_LT(Dist(str->pnts[i], str->pnts[i - 1]), s[2]) << row.label << " span " << i;
            // The curve between two samples stays within s0 of their chord
            // (checked at quarter points, beyond the tested midpoint).
            for (double f : {0.25, 0.75}) {
                double M[3];
                ECRV_EvalPoint(M, c, str->params[i - 1] + f * (str->params[i] - str->params[i - 1]));
                EXPECT_LT(L3D_DistToPntEx(M, str->pnts[i - 1], str->pnts[i]), s[0]) << row.label << " span " << i;
            }
        }
        // Far fewer samples than the trace has where the chord limit is
        // twice the trace's.
        EXPECT_LT(str->n, reinterpret_cast<ECRV_INTCUR*>(c)->trace->n) << row.label;
        PTSTRING_Free(str);
    });
    // A curve with its cache goes back whole.
    const long live = QV_MemLiveCount();
    {
        Traced tr(Rows()[0]);
        ASSERT_EQ(tr.rc, 1);
        double t = 1e20, foot[3];
        const double P[3] = {3, 0, 0};
        ASSERT_EQ(ECRV_NearestPoint(foot, P, &t, tr.Curves()[0]), 1);
        ASSERT_TRUE(tr.curves->curve->cache);
    }
    EXPECT_EQ(QV_MemLiveCount(), live);
}

// Plane sections are planar (the plane of the section), the ellipses of two
// equal cylinders too, the curves of unequal cylinders are not; a plane
// record among the surfaces gives its own plane.
TEST_F(IntersectionCurveTest, PlaneOfTheCurve)
{
    for (const Row& row : Rows()) {
        Traced tr(row);
        ASSERT_EQ(tr.rc, 1) << row.label;
        for (CURVE* c : tr.Curves()) {
            double n[3], p[3];
            ASSERT_EQ(ECRV_GetPlane(n, c, p), row.planar ? 1 : 0) << row.label;
            if (!row.planar)
                continue;
            // Every point of the curve lies on the plane found.
            double range[2];
            ECRV_GetRange(c, range);
            EXPECT_NEAR(V3D_Len(n), 1.0, 1e-12);
            for (int i = 0; i <= 50; ++i) {
                double P[3], d[3];
                ECRV_EvalPoint(P, c, range[0] + (range[1] - range[0]) * i / 50);
                V3D_Sub(P, p, d);
                EXPECT_LT(std::fabs(V3D_Dot(d, n)), 1e-8) << row.label << " point " << i;
            }
        }
    }
    {
        EntityPtr a(Placed(CentredCylinder(1, 3), Motion()));
        EntityPtr b(Placed(CentredCylinder(1, 3), Turn(std::array<double, 3>{0, 1, 0}.data(), kPi / 2)));
        SSI_SUBDIV *sa = nullptr, *sb = nullptr;
        SSI_POINT* contacts = nullptr;
        SSI_CURVENODE* curves = nullptr;
        ASSERT_EQ(ESSI_Intersect(a.get(), b.get(), nullptr, &sa, nullptr, &sb, &contacts, &curves), 1);
        int count = 0;
        for (SSI_CURVENODE* node = curves; node; node = node->next, ++count) {
            double n[3], p[3];
            ASSERT_EQ(ECRV_GetPlane(n, &node->curve->h, p), 1);
            // The planes z = x and z = -x.
            EXPECT_NEAR(std::fabs(n[0]), std::sqrt(0.5), 1e-8);
            EXPECT_NEAR(n[1], 0.0, 1e-8);
            EXPECT_NEAR(std::fabs(n[2]), std::sqrt(0.5), 1e-8);
        }
        EXPECT_EQ(count, 2);
        ESSI_FreePointList(contacts);
        ESSI_FreeCurveList(curves);
        ESSI_FreeSubdivision(sa);
        ESSI_FreeSubdivision(sb);
    }
    {
        // Curves of unequal cylinders given a plane record as second surface:
        // the record's plane, whatever the samples say.
        Traced tr(Rows()[3]);
        ASSERT_EQ(tr.rc, 1);
        auto* plane = reinterpret_cast<ESRF_PLANE*>(ENT_Alloc(ENT_PLANE, sizeof(ESRF_PLANE)));
        ASSERT_TRUE(plane);
        const double o[3] = {0, 0, 5}, x[3] = {0, 1, 0}, y[3] = {0, 0, 1};
        RF_Init(&plane->frame, o, x, y);
        ECRV_INTCUR* copy = ECRV_CopyIntersection(tr.curves->curve);
        ASSERT_TRUE(copy);
        copy->b = &plane->h;
        double n[3], p[3];
        ASSERT_EQ(ECRV_GetPlane(n, &copy->h, p), 1);
        EXPECT_LT(Dist(n, plane->frame.Z), 1e-15);
        EXPECT_LT(Dist(p, o), 1e-15);
        ENT_Free(&copy->h);
        QV_MemFree(plane);
    }
}

// The NURBS copy and the curve lie within the tolerance of each other both
// ways, the looser tolerance keeping fewer control points; too small a
// tolerance and a failing point buffer are refused.
TEST_F(IntersectionCurveTest, ToNurbsFollowsTheCurve)
{
    ForEachCurve([&](const Row& row, const Traced&, CURVE* c, const double* range) {
        const int samples = reinterpret_cast<ECRV_INTCUR*>(c)->trace->n;
        int previous = 1 << 30;
        for (double tol : {1e-6, 1e-4}) {
            SCOPED_TRACE(row.label + " tol " + std::to_string(tol));
            BCRV* nurbs = nullptr;
            int exact = -1;
            ASSERT_EQ(ECRV_ToNurbs(tol, range, c, &nurbs, &exact), 1);
            EXPECT_EQ(exact, 0);
            EXPECT_LT(nurbs->n, previous);
            EXPECT_LT(nurbs->n, samples);
            previous = nurbs->n;
            // NURBS points off the analytic curve, and curve points off a
            // dense polyline of the NURBS.
            std::vector<std::array<double, 3>> poly;
            double worst = 0.0;
            for (int i = 0; i <= 20000; ++i) {
                std::array<double, 3> q;
                BCRV_EvPos(nurbs, i / 20000.0, q.data());
                worst = std::max(worst, row.off(q.data()));
                poly.push_back(q);
            }
            EXPECT_LT(worst, tol);
            double back = 0.0;
            for (int i = 0; i <= 300; ++i) {
                double P[3];
                ECRV_EvalPoint(P, c, range[0] + (range[1] - range[0]) * i / 300);
                double d = 1e300;
                for (std::size_t j = 0; j + 1 < poly.size(); ++j) {
                    double f = 0;
                    d = std::min(d, SEG3_Distance(poly[j].data(), poly[j + 1].data(), P, &f));
                }
                back = std::max(back, d);
            }
            // The polyline's own sagitta is far below 1e-6.
            EXPECT_LT(back, tol);
            BCRV_Free(nurbs);
        }
    });
    Traced tr(Rows()[0]);
    ASSERT_EQ(tr.rc, 1);
    CURVE* c = tr.Curves()[0];
    double range[2];
    ECRV_GetRange(c, range);
    BCRV* nurbs = nullptr;
    int exact = -1;
    EXPECT_EQ(ECRV_ToNurbs(0.0000009, range, c, &nurbs, &exact), 0);
    QV_MemFailAfter(0);
    EXPECT_EQ(ECRV_ToNurbs(1e-4, range, c, &nurbs, &exact), -1);
    QV_MemFailAfter(-1);
    EXPECT_EQ(nurbs, nullptr);
    EXPECT_EQ(exact, -1);
}

} // namespace
