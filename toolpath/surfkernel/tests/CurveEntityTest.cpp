// Curve records of the surface kernel: evaluation against closed forms and
// differences, nearest points against dense sampling, sampling counts, freeing,
// tolerances and the conic arc.
#include "toolpath/surfkernel/CurveEntity.h"

#include "KernelEntityFixtures.h"
#include "framework/numerak/Matrix33.h"
#include "framework/numerak/Point3D.h"
#include "testing/SurfaceFixtures.h"
#include "toolpath/surfkernel/SampleString.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <string>
#include <vector>

namespace {

using kernelfix::Dist;
using kernelfix::EntityPtr;
using kernelfix::Tilted;
constexpr double kPi = std::numbers::pi;

struct KernelCurveTest : ::testing::Test {
    void SetUp() override { ESSI_ResetKernelState(); }
};

BCRV* WavyCurve()
{
    BCRV* c = BCRV_New(4, 7);
    const double pts[7][3] = {{0, 0, 0}, {1, 2, 0}, {2, -1, 1}, {3, 2, 2}, {4, 0, 1}, {5, 1, 0}, {6, 3, 1}};
    for (int i = 0; i < 7; ++i)
        c->SetCtrlPt(i, pts[i], 0.5 + 0.25 * i);
    return c;
}

TEST_F(KernelCurveTest, EvaluationMatchesClosedFormsAndDifferences)
{
    const _rect_fm3d f = Tilted();
    const double base[3] = {1, 2, 3}, dir[3] = {0.6, 0, 0.8};
    struct Row {
        const char* label;
        EntityPtr c;
        double t0, t1;
        std::function<void(double, double*)> exact; // null: differences only
    };
    std::vector<Row> rows;
    rows.push_back({"line", EntityPtr(ECRV_NewLine(base, dir)), -5, 5, [&](double t, double* p) {
                        for (int e = 0; e < 3; ++e) p[e] = base[e] + t * dir[e];
                    }});
    rows.push_back({"circle", EntityPtr(ECRV_NewCircle(&f, 2.5)), -1, 7, [&](double t, double* p) {
                        for (int e = 0; e < 3; ++e)
                            p[e] = f.O[e] + 2.5 * (std::cos(t) * f.X[e] + std::sin(t) * f.Y[e]);
                    }});
    rows.push_back({"nurbs circle", EntityPtr(ECRV_NewNurbs(surffix::UnitCircle().release())), 0, 1,
                    [](double t, double* p) {
                        // Only the radius is closed-form for the rational parametrisation.
                        (void)t;
                        p[0] = std::nan("");
                    }});
    rows.push_back({"nurbs wavy", EntityPtr(ECRV_NewNurbs(WavyCurve())), 0, 1, nullptr});
    for (const Row& r : rows) {
        ASSERT_TRUE(r.c) << r.label;
        for (int i = 0; i < 40; ++i) {
            // Off the knots, where NURBS derivatives may jump.
            const double t = r.t0 + (r.t1 - r.t0) * (i + 0.37) / 40;
            double P[3], d1[3], d2[3], Q[3], e1[3], e2[3];
            ASSERT_EQ(ECRV_EvalDeriv2(r.c.get(), d1, d2, P, t), 1) << r.label;
            ASSERT_EQ(ECRV_EvalPoint(Q, r.c.get(), t), 1) << r.label;
            EXPECT_LT(Dist(P, Q), 1e-15) << r.label;
            if (r.exact) {
                double X[3];
                r.exact(t, X);
                if (std::isnan(X[0]))
                    EXPECT_NEAR(std::hypot(P[0], P[1], P[2]), 1.0, 1e-14) << r.label;
                else
                    EXPECT_LT(Dist(P, X), 1e-13) << r.label << " t " << t;
            }
            const double h = 1e-5 * (r.t1 - r.t0);
            kernelfix::Difference([&](double s, double* out) { ECRV_EvalPoint(out, r.c.get(), s); }, t, h, e1);
            kernelfix::Difference(
                [&](double s, double* out) {
                    double p[3];
                    ECRV_EvalDeriv1(out, p, r.c.get(), s);
                },
                t, h, e2);
            const double scale = 1.0 + std::hypot(d1[0], d1[1], d1[2]) + std::hypot(d2[0], d2[1], d2[2]);
            EXPECT_LT(Dist(d1, e1), 1e-6 * scale) << r.label << " t " << t;
            EXPECT_LT(Dist(d2, e2), 1e-5 * scale) << r.label << " t " << t;
        }
    }
    // Unsupported codes and null arguments.
    const EntityPtr ellipse(ECRV_NewEllipse(nullptr, 2, 1));
    double P[3], d1[3];
    EXPECT_EQ(ECRV_EvalPoint(P, ellipse.get(), 0.0), 0);
    EXPECT_EQ(ECRV_EvalPoint(P, nullptr, 0.0), 0);
    EXPECT_EQ(ECRV_EvalDeriv2(rows[0].c.get(), d1, nullptr, P, 0.0), 0);
}

TEST_F(KernelCurveTest, RangesClosuresAndPeriodicWrapping)
{
    EntityPtr circle(ECRV_NewNurbs(surffix::UnitCircle().release()));
    _param p;
    ASSERT_EQ(ECRV_GetParam(&p, circle.get()), 1);
    EXPECT_EQ(p.closure, 2);
    double a[3], b[3];
    ECRV_EvalPoint(a, circle.get(), 1.25);
    ECRV_EvalPoint(b, circle.get(), 0.25);
    EXPECT_LT(Dist(a, b), 1e-15);
    // A curve whose knots run over [0, 2]: its range and closure come from them.
    BCRV* shifted = surffix::UnitCircle().release();
    for (int i = 0; i < shifted->n + shifted->k; ++i)
        shifted->U[i] *= 2.0;
    EntityPtr wide(ECRV_NewNurbs(shifted));
    double range[2];
    ASSERT_EQ(ECRV_GetRange(wide.get(), range), 1);
    EXPECT_EQ(range[0], 0.0);
    EXPECT_EQ(range[1], 2.0);
    ECRV_GetParam(&p, wide.get());
    EXPECT_EQ(p.closure, 2);
    ECRV_EvalPoint(a, wide.get(), 2.5);
    ECRV_EvalPoint(b, circle.get(), 0.25);
    EXPECT_LT(Dist(a, b), 1e-15);
    // An open curve is not wrapped.
    EntityPtr open(ECRV_NewNurbs(WavyCurve()));
    ECRV_GetParam(&p, open.get());
    EXPECT_EQ(p.closure, 0);
    ECRV_EvalPoint(a, open.get(), 1.25);
    ECRV_EvalPoint(b, open.get(), 0.25);
    EXPECT_GT(Dist(a, b), 0.1);
    // Line and circle records.
    EntityPtr line(ECRV_NewLine(nullptr, nullptr));
    ASSERT_EQ(ECRV_GetParam(&p, line.get()), 1);
    EXPECT_EQ(p.start, -1e20);
    EXPECT_EQ(p.closure, 0);
    EXPECT_EQ(p.extra2, 3);
    ECRV_EvalPoint(a, line.get(), 2.0);
    EXPECT_EQ(a[0], 2.0);
    EntityPtr ring(ECRV_NewCircle(nullptr, 1.0));
    ECRV_GetParam(&p, ring.get());
    EXPECT_EQ(p.end, 2 * kPi);
    EXPECT_EQ(p.closure, 2);
    EXPECT_EQ(p.extra1, 1);
    EXPECT_EQ(ECRV_UpdateNurbsParam(line.get()), 0);
}

TEST_F(KernelCurveTest, SamplingCountsAndRefusals)
{
    EntityPtr line(ECRV_NewLine(nullptr, nullptr));
    EntityPtr big(ECRV_NewCircle(nullptr, 10.0));
    EntityPtr unit(ECRV_NewCircle(nullptr, 1.0));
    struct Row {
        const char* label;
        ENTITY* c;
        double s0, s1, s2, t0, t1;
        int result, points;
    } rows[] = {
        {"line 0.025 by 0.01", line.get(), 0, 0, 0.01, 0, 0.025, 1, 4},
        {"line reversed", line.get(), 0, 0, 0.01, 0.025, 0, 1, 4},
        {"line s2 too small", line.get(), 0, 0, 1e-13, 0, 1, 0, 0},
        {"circle 10: chord decides", big.get(), 0.001, 0.2, 0.01, 0, 2 * kPi, 1, 6285},
        {"circle 1: sagitta decides", unit.get(), 0.001, 0.2, 0.5, 0, 2 * kPi, 1, 72},
        {"circle short range", unit.get(), 0.001, 0.2, 0.5, 0, 0.0009, 0, 0},
        {"circle s1 too small", unit.get(), 0.001, 0.0009, 0.5, 0, 1, 0, 0},
    };
    for (const Row& r : rows) {
        PTSTRING* s = nullptr;
        EXPECT_EQ(ECRV_Sample(r.s0, r.s1, r.s2, &s, r.t0, r.t1, r.c), r.result) << r.label;
        if (r.result != 1)
            continue;
        ASSERT_TRUE(s) << r.label;
        EXPECT_EQ(s->n, r.points) << r.label;
        EXPECT_EQ(s->params[0], r.t0) << r.label;
        EXPECT_EQ(s->params[s->n - 1], r.t1) << r.label;
        for (int i = 0; i < s->n; ++i) {
            double p[3];
            ECRV_EvalPoint(p, r.c, s->params[i]);
            EXPECT_LT(Dist(p, s->pnts[i]), 1e-12) << r.label;
        }
        PTSTRING_Free(s);
    }
    // The adaptive samples of a NURBS curve meet all three limits.
    EntityPtr wavy(ECRV_NewNurbs(WavyCurve()));
    PTSTRING* s = nullptr;
    ASSERT_EQ(ECRV_Sample(0.001, 0.2, 0.05, &s, 0, 1, wavy.get()), 1);
    for (int i = 1; i < s->n; ++i) {
        EXPECT_LT(Dist(s->pnts[i - 1], s->pnts[i]), 0.05);
        double mid[3];
        ECRV_EvalPoint(mid, wavy.get(), 0.5 * (s->params[i - 1] + s->params[i]));
        double a[3], b[3], ab[3], am[3], cr[3];
        P3D_Copy(s->pnts[i - 1], a);
        P3D_Copy(s->pnts[i], b);
        V3D_Sub(b, a, ab);
        V3D_Sub(mid, a, am);
        V3D_Cross(ab, am, cr);
        EXPECT_LT(V3D_Len(cr) / V3D_Len(ab), 0.001);
    }
    PTSTRING_Free(s);
}

TEST_F(KernelCurveTest, NearestPointsAgreeWithDenseSampling)
{
    const _rect_fm3d f = Tilted();
    EntityPtr curves[] = {EntityPtr(ECRV_NewCircle(&f, 2.0)), EntityPtr(ECRV_NewEllipse(&f, 3.0, 1.0)),
                          EntityPtr(ECRV_NewNurbs(WavyCurve())),
                          EntityPtr(ECRV_NewNurbs(surffix::UnitCircle().release()))};
    const char* labels[] = {"circle", "ellipse", "nurbs wavy", "nurbs circle"};
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> coord(-3.0, 6.0);
    for (int k = 0; k < 4; ++k) {
        ENTITY* c = curves[k].get();
        // Dense points of the curve: the circle and ellipse from their frames.
        std::vector<std::array<double, 3>> dense;
        for (int i = 0; i <= 20000; ++i) {
            std::array<double, 3> q;
            const double a = 2 * kPi * i / 20000;
            if (k == 1) {
                const double local[3] = {3.0 * std::cos(a), std::sin(a), 0.0};
                RF_TransLocalP3D(&f, local, q.data());
            } else {
                ECRV_EvalPoint(q.data(), c, k == 0 ? a : i / 20000.0);
            }
            dense.push_back(q);
        }
        for (int i = 0; i < 40; ++i) {
            const double p[3] = {coord(rng), coord(rng), coord(rng)};
            // A guess outside the range: the sampled search over the whole curve.
            double foot[3], t = -5.0;
            ASSERT_EQ(ECRV_NearestPoint(foot, p, &t, c), 1) << labels[k];
            double best = 1e300;
            for (const auto& q : dense)
                best = std::min(best, Dist(p, q.data()));
            EXPECT_LE(Dist(p, foot), best + 1e-9) << labels[k] << " point " << i;
            EXPECT_GE(Dist(p, foot), best - 1e-3) << labels[k] << " point " << i;
            if (k != 1) {
                double q[3];
                ECRV_EvalPoint(q, c, t);
                EXPECT_LT(Dist(q, foot), 1e-12) << labels[k];
            }
        }
    }
    // A point on the circle's axis: t = 0.
    double foot[3], t = 3.0;
    const double onAxis[3] = {f.O[0] + 5 * f.Z[0], f.O[1] + 5 * f.Z[1], f.O[2] + 5 * f.Z[2]};
    ASSERT_EQ(ECRV_NearestPoint(foot, onAxis, &t, curves[0].get()), 1);
    EXPECT_EQ(t, 0.0);
    // Line.
    const double dir[3] = {0, 1, 0};
    EntityPtr line(ECRV_NewLine(nullptr, dir));
    const double p[3] = {4, -7, 1};
    ASSERT_EQ(ECRV_NearestPoint(foot, p, &t, line.get()), 1);
    EXPECT_EQ(t, -7.0);
    EXPECT_EQ(foot[0], 0.0);
}

TEST_F(KernelCurveTest, SampledSearchTakesOverFromAFailingNewtonStart)
{
    // Zero derivative at the guess: at the start (first two control points
    // equal) and at a cusp in the middle (a doubled control point at a knot).
    BCRV* start = BCRV_New(4, 5);
    const double a[5][3] = {{0, 0, 0}, {0, 0, 0}, {2, 2, 0}, {4, 0, 0}, {6, 2, 0}};
    for (int i = 0; i < 5; ++i)
        start->SetCtrlPt(i, a[i]);
    BCRV* cusp = BCRV_New(3, 4);
    const double b[4][3] = {{0, 0, 0}, {2, 2, 0}, {2, 2, 0}, {4, 0, 0}};
    for (int i = 0; i < 4; ++i)
        cusp->SetCtrlPt(i, b[i]);
    struct Row {
        const char* label;
        EntityPtr e;
        double guess;
        double p[3];
    } rows[] = {{"zero-speed start", EntityPtr(ECRV_NewNurbs(start)), 0.0, {5.0, 0.0, 1.0}},
                {"cusp", EntityPtr(ECRV_NewNurbs(cusp)), 0.5, {3.5, 0.2, 0.5}}};
    for (Row& r : rows) {
        const BCRV* c = reinterpret_cast<ECRV_NURBS*>(r.e.get())->curve;
        double foot[3], t = r.guess;
        EXPECT_EQ(ECRV_NewtonNearest(r.e.get(), r.p, &t, foot, 1e-8), 0) << r.label;
        t = r.guess;
        ASSERT_EQ(ECRV_NearestPoint(foot, r.p, &t, r.e.get()), 1) << r.label;
        double best = 1e300;
        for (int i = 0; i <= 100000; ++i) {
            double q[3];
            BCRV_EvPos(c, i / 100000.0, q);
            best = std::min(best, Dist(r.p, q));
        }
        EXPECT_NEAR(Dist(r.p, foot), best, 1e-8) << r.label;
        EXPECT_GT(std::fabs(t - r.guess), 0.1) << r.label;
    }
}

TEST_F(KernelCurveTest, FreeingByCodeAndTolerances)
{
    struct Row {
        int code;
        int result;
    } rows[] = {{0, 1},  {6, 1},  {7, 0},  {9, 0},  {11, 0}, {12, 0}, {13, 0}, {17, 0}, {18, 1},
                {23, 0}, {25, 0}, {26, 1}, {28, 1}, {29, 0}, {30, 0}, {31, 0}, {8, 1},  {10, 1}, {15, 1}};
    for (const Row& r : rows) {
        const long live = QV_MemLiveCount();
        ENTITY* e = ENT_Alloc(r.code, 64);
        ASSERT_EQ(e->ref, 1);
        const bool frees = r.code == 8 || r.code == 10 || r.code == 15;
        EXPECT_EQ(ENT_Free(e), r.result) << r.code;
        if (!frees)
            QV_MemFree(e);
        EXPECT_EQ(QV_MemLiveCount(), live) << r.code;
    }
    EXPECT_EQ(ENT_Free(nullptr), 1);
    // Owners free what they own: the NURBS curve's cache, the extrusion's profile.
    const long live = QV_MemLiveCount();
    ENTITY* curve = ECRV_NewNurbs(WavyCurve());
    double foot[3], t = 2.0;
    const double p[3] = {1, 1, 1};
    ASSERT_EQ(ECRV_NearestPoint(foot, p, &t, curve), 1); // makes the cache
    ASSERT_NE(reinterpret_cast<ECRV_NURBS*>(curve)->cache, nullptr);
    const double d[3] = {0, 0, 1};
    ENTITY* circle = ECRV_NewCircle(nullptr, 1.0);
    ENTITY* ext = ESRF_NewExtrusion(circle, d);
    ASSERT_NE(ext, nullptr);
    EXPECT_EQ(ENT_Free(curve), 1);
    EXPECT_EQ(ENT_Free(ext), 1);
    EXPECT_EQ(QV_MemLiveCount(), live);

    // Tolerance setters keep components not above 1e-20.
    double r[3], s[3];
    ESSI_SetTraceTolerance(0, 0.05, -1);
    ESSI_GetTraceTolerance(r);
    EXPECT_EQ(r[0], 0.0005);
    EXPECT_EQ(r[1], 0.05);
    EXPECT_EQ(r[2], 0.005);
    ESSI_SetSubdivTolerance(1e-20, 2e-20, 0.5);
    ESSI_GetSubdivTolerance(s);
    EXPECT_EQ(s[0], 0.001);
    EXPECT_EQ(s[1], 2e-20);
    EXPECT_EQ(s[2], 0.5);
    ESSI_ResetKernelState();
    ESSI_GetSubdivTolerance(s);
    EXPECT_EQ(s[1], 0.2);
    EXPECT_EQ(ESSI_GetPointTol(), 1e-8);
    EXPECT_EQ(ESSI_GetAngleTol(), 1e-11);
}

TEST_F(KernelCurveTest, PlanesAndConversions)
{
    const _rect_fm3d f = Tilted();
    EntityPtr circle(ECRV_NewCircle(&f, 2.0));
    double n[3], p[3];
    ASSERT_EQ(ECRV_GetPlane(n, circle.get(), p), 1);
    EXPECT_LT(Dist(n, f.Z), 1e-15);
    const double dir[3] = {1, 2, 3};
    EntityPtr line(ECRV_NewLine(nullptr, dir));
    ASSERT_EQ(ECRV_GetPlane(n, line.get(), nullptr), 1);
    EXPECT_NEAR(V3D_Dot(n, dir), 0.0, 1e-15);
    EntityPtr wavy(ECRV_NewNurbs(WavyCurve()));
    EXPECT_EQ(ECRV_GetPlane(n, wavy.get(), p), 0);
    EntityPtr flat(ECRV_NewNurbs(surffix::UnitCircle().release()));
    ASSERT_EQ(ECRV_GetPlane(n, flat.get(), p), 1);
    EXPECT_NEAR(std::fabs(n[2]), 1.0, 1e-15);

    struct Row {
        const char* label;
        ENTITY* c;
        double t0, t1;
    } rows[] = {{"line", line.get(), -2.0, 3.0},          {"circle arc", circle.get(), 0.5, 2.0},
                {"circle reversed", circle.get(), 2.0, 0.5}, {"full circle", circle.get(), 0.0, 2 * kPi},
                {"nurbs", wavy.get(), 0.0, 1.0}};
    for (const Row& r : rows) {
        const double range[2] = {r.t0, r.t1};
        BCRV* out = nullptr;
        int exact = -1;
        ASSERT_EQ(ECRV_ToNurbs(1e-6, range, r.c, &out, &exact), 1) << r.label;
        EXPECT_EQ(exact, 1) << r.label;
        for (int i = 0; i <= 50; ++i) {
            double q[3], a[3];
            BCRV_EvPos(out, i / 50.0, q);
            double t = r.t0 + (r.t1 - r.t0) * i / 50.0; // a start guess only
            ECRV_NearestPoint(a, q, &t, r.c);
            EXPECT_LT(Dist(a, q), 1e-12) << r.label;
        }
        double s[3], e[3], q0[3], q1[3];
        ECRV_EvalPoint(s, r.c, r.t0);
        ECRV_EvalPoint(e, r.c, r.t1);
        BCRV_EvPos(out, out->U[out->k - 1], q0);
        BCRV_EvPos(out, out->U[out->n], q1);
        EXPECT_LT(Dist(s, q0), 1e-12) << r.label;
        EXPECT_LT(Dist(e, q1), 1e-12) << r.label;
        // The reversed arc runs clockwise: its middle lies on the same short arc.
        BCRV_Free(out);
    }
    const double range[2] = {0, 1};
    BCRV* out = nullptr;
    int exact = 0;
    EXPECT_EQ(ECRV_ToNurbs(0.0000009, range, line.get(), &out, &exact), 0);
    EXPECT_EQ(out, nullptr);
}

TEST_F(KernelCurveTest, ConicArcsLieOnTheirConics)
{
    struct Row {
        const char* label;
        double coef[7];
        double start[2], end[2];
        double sweep; // expected angular sweep in the ellipse's own angle
    } rows[] = {
        {"quarter", {1.0 / 9, 0, 1.0 / 4, 0, 0, -1, 2.5}, {3, 0}, {0, 2}, kPi / 2},
        {"scaled coefficients", {4, 0, 9, 0, 0, -36, 0}, {0, 2}, {-3, 0}, kPi / 2},
        {"through the start angle", {1, 0, 4, 0, 0, -4, -1}, {0, -1}, {2, 0}, kPi / 2},
        {"long way", {1, 0, 4, 0, 0, -4, 0}, {2, 0}, {0, -1}, 1.5 * kPi},
        {"negative signs", {-1, 0, -4, 0, 0, 4, 0}, {-2, 0}, {0, 1}, 1.5 * kPi},
        {"equal ends: full ellipse", {1, 0, 4, 0, 0, -4, 1}, {0, 1}, {0, 1}, 2 * kPi},
    };
    for (const Row& r : rows) {
        const double s[3] = {r.start[0], r.start[1], r.coef[6]}, e[3] = {r.end[0], r.end[1], r.coef[6]};
        BCRV* c = nullptr;
        ASSERT_EQ(BCRV_CreConicArc(r.coef, s, e, &c), 1) << r.label;
        ASSERT_NE(c, nullptr) << r.label;
        const double A = std::sqrt(-r.coef[5] / r.coef[0]), B = std::sqrt(-r.coef[5] / r.coef[2]);
        double prevAngle = std::atan2(r.start[1] / B, r.start[0] / A), swept = 0.0;
        for (int i = 0; i <= 400; ++i) {
            double p[3];
            BCRV_EvPos(c, c->U[c->k - 1] + (c->U[c->n] - c->U[c->k - 1]) * i / 400, p);
            const double x = p[0], y = p[1];
            const double value = r.coef[0] * x * x + r.coef[2] * y * y + r.coef[5];
            EXPECT_LT(std::fabs(value) / std::fabs(r.coef[5]), 1e-12) << r.label;
            EXPECT_NEAR(p[2], r.coef[6], 1e-14) << r.label;
            const double a = std::atan2(y / B, x / A);
            double step = a - prevAngle;
            step -= 2 * kPi * std::round(step / (2 * kPi));
            EXPECT_GE(step, -1e-12) << r.label << ": runs counter-clockwise";
            swept += step;
            prevAngle = a;
        }
        EXPECT_NEAR(swept, r.sweep, 1e-9) << r.label;
        double p0[3], p1[3];
        BCRV_EvPos(c, c->U[c->k - 1], p0);
        BCRV_EvPos(c, c->U[c->n], p1);
        EXPECT_LT(Dist(p0, s), 1e-12) << r.label;
        EXPECT_LT(Dist(p1, e), 1e-12) << r.label;
        BCRV_Free(c);
    }
    struct Bad {
        const char* label;
        double coef[7];
    } bad[] = {{"tilted", {1, 0.5, 4, 0, 0, -4, 0}},        {"off centre", {1, 0, 4, 0.1, 0, -4, 0}},
               {"no real ellipse", {1, 0, 4, 0, 0, 4, 0}}, {"hyperbola", {1, 0, -4, 0, 0, -4, 0}},
               {"tiny a", {1e-7, 0, 4, 0, 0, -4, 0}},      {"tiny f", {1, 0, 4, 0, 0, -1e-7, 0}}};
    for (const Bad& b : bad) {
        const double s[3] = {1, 0, 0}, e[3] = {0, 1, 0};
        BCRV* keep = reinterpret_cast<BCRV*>(&bad);
        BCRV* c = keep;
        EXPECT_EQ(BCRV_CreConicArc(b.coef, s, e, &c), 0) << b.label;
        EXPECT_EQ(c, keep) << b.label << ": output untouched";
    }
}

}  // namespace
