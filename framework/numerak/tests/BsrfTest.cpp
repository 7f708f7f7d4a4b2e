#include "framework/numerak/Bsrf.h"
#include "framework/numerak/Matrix33.h"
#include "framework/numerak/Matrix44.h"
#include "framework/numerak/NurbsEditor.h"
#include "testing/SurfaceFixtures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace {

using surffix::CurvePtr;
using surffix::SurfPtr;

double Dist(const double* a, const double* b)
{
    return std::sqrt((a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) + (a[2] - b[2]) * (a[2] - b[2]));
}

double Norm(const double* a) { return std::sqrt(a[0] * a[0] + a[1] * a[1] + a[2] * a[2]); }

// Distance of p from the segment a-b.
double SegDist(const double* p, const double* a, const double* b)
{
    double ab[3], ap[3];
    for (int e = 0; e < 3; ++e) {
        ab[e] = b[e] - a[e];
        ap[e] = p[e] - a[e];
    }
    const double len2 = ab[0] * ab[0] + ab[1] * ab[1] + ab[2] * ab[2];
    double t = len2 > 0.0 ? (ap[0] * ab[0] + ap[1] * ab[1] + ap[2] * ab[2]) / len2 : 0.0;
    t = t < 0.0 ? 0.0 : (t > 1.0 ? 1.0 : t);
    double q[3];
    for (int e = 0; e < 3; ++e) q[e] = a[e] + t * ab[e];
    return Dist(p, q);
}

struct Exact {
    const char* label;
    SurfPtr surface;
    // Signed deviation of a point from the implicit surface, and its outward normal there.
    std::function<double(const double*)> deviation;
    std::function<void(const double*, double*)> normal;
};

std::vector<Exact> ExactSurfaces()
{
    std::vector<Exact> rows;
    rows.push_back({"hemisphere", surffix::Hemisphere(2.0), [](const double* p) { return Norm(p) - 2.0; },
                    [](const double* p, double* n) {
                        for (int e = 0; e < 3; ++e) n[e] = p[e] / 2.0;
                    }});
    rows.push_back({"cylinder", surffix::Cylinder(1.5, 4.0), [](const double* p) { return std::hypot(p[0], p[1]) - 1.5; },
                    [](const double* p, double* n) {
                        const double r = std::hypot(p[0], p[1]);
                        n[0] = p[0] / r;
                        n[1] = p[1] / r;
                        n[2] = 0.0;
                    }});
    rows.push_back({"torus", surffix::Torus(3.0, 1.0),
                    [](const double* p) { return std::hypot(std::hypot(p[0], p[1]) - 3.0, p[2]) - 1.0; },
                    [](const double* p, double* n) {
                        const double r = std::hypot(p[0], p[1]);
                        const double c[3] = {3.0 * p[0] / r, 3.0 * p[1] / r, 0.0};
                        for (int e = 0; e < 3; ++e) n[e] = p[e] - c[e];
                    }});
    return rows;
}

TEST(BsrfExact, PointsAndNormalsMatchTheClosedForms)
{
    std::mt19937 rng(3);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (Exact& row : ExactSurfaces()) {
        ASSERT_TRUE(row.surface) << row.label;
        ASSERT_EQ(BSRF_IsValid(row.surface.get()), 1) << row.label;
        // The normal's sense is whatever the parametrisation gives; it must be one
        // sense over the whole surface.
        double sense = 0.0;
        for (int k = 0; k < 400; ++k) {
            const double u = unit(rng), v = k < 40 ? (k % 2 == 0 ? 0.0 : 1.0) : unit(rng);
            double P[3], N[3], want[3];
            ASSERT_EQ(BSRF_EvNormal(row.surface.get(), u, v, P, N), 1) << row.label;
            EXPECT_NEAR(row.deviation(P), 0.0, 1e-12) << row.label << " at " << u << ", " << v;
            row.normal(P, want);
            const double dot = (N[0] * want[0] + N[1] * want[1] + N[2] * want[2]) / Norm(want);
            if (sense == 0.0) sense = dot > 0.0 ? 1.0 : -1.0;
            EXPECT_NEAR(dot * sense, 1.0, 1e-9) << row.label << " at " << u << ", " << v;
        }
    }
}

TEST(BsrfExact, NormalAtThePoleIsTheLimitNormal)
{
    const SurfPtr s = surffix::Hemisphere(2.0);
    for (double u : {0.0, 0.13, 0.5, 0.77, 1.0}) {
        double P[3], N[3], Pin[3], Nin[3];
        ASSERT_EQ(BSRF_EvNormal(s.get(), u, 1.0, P, N), 1) << "u = " << u;
        EXPECT_NEAR(P[2], 2.0, 1e-12) << "u = " << u;
        EXPECT_NEAR(std::fabs(N[2]), 1.0, 1e-12) << "u = " << u;
        // The same sense as just below the pole.
        ASSERT_EQ(BSRF_EvNormal(s.get(), u, 1.0 - 1e-4, Pin, Nin), 1);
        EXPECT_GT(N[0] * Nin[0] + N[1] * Nin[1] + N[2] * Nin[2], 0.99) << "u = " << u;
        // The tangent along the pole's column vanishes there: the product alone gives nothing.
        double Su[3], Sv[3];
        ASSERT_EQ(BSRF_Ev1Der(s.get(), u, 1.0, P, Su, Sv), 1);
        EXPECT_LT(Norm(Su), 1e-12) << "u = " << u;
    }
}

// Derivatives against central differences of the points (an oracle that only needs EvPos).
TEST(BsrfEval, DerivativesAgreeWithDifferences)
{
    const SurfPtr s = surffix::Wavy(8, true);
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> unit(0.05, 0.95);
    const double h = 1e-5;
    for (int k = 0; k < 50; ++k) {
        const double u = unit(rng), v = unit(rng);
        double P[3], Su[3], Sv[3], Suu[3], Suv[3], Svv[3];
        ASSERT_EQ(BSRF_Ev2Der(s.get(), u, v, P, Su, Sv, Suu, Suv, Svv), 1);
        double a[3], b[3], c[3], d[3], P0[3];
        BSRF_EvPos(s.get(), u, v, P0);
        EXPECT_LT(Dist(P, P0), 1e-12);
        // The first order alone gives the same point and partials to the bit
        // (offset surfaces take both from one evaluation of their base).
        double P1[3], Su0[3], Sv0[3];
        ASSERT_EQ(BSRF_Ev1Der(s.get(), u, v, P1, Su0, Sv0), 1);
        for (int e = 0; e < 3; ++e) {
            EXPECT_EQ(P1[e], P[e]);
            EXPECT_EQ(Su0[e], Su[e]);
            EXPECT_EQ(Sv0[e], Sv[e]);
        }
        BSRF_EvPos(s.get(), u + h, v, a);
        BSRF_EvPos(s.get(), u - h, v, b);
        BSRF_EvPos(s.get(), u, v + h, c);
        BSRF_EvPos(s.get(), u, v - h, d);
        for (int e = 0; e < 3; ++e) {
            EXPECT_NEAR(Su[e], (a[e] - b[e]) / (2 * h), 1e-5 * (1 + std::fabs(Su[e]))) << "Su at " << u << ", " << v;
            EXPECT_NEAR(Sv[e], (c[e] - d[e]) / (2 * h), 1e-5 * (1 + std::fabs(Sv[e]))) << "Sv at " << u << ", " << v;
        }
        double Su1[3], Sv1[3], Su2[3], Sv2[3], Q[3];
        BSRF_Ev1Der(s.get(), u, v + h, Q, Su1, Sv1);
        BSRF_Ev1Der(s.get(), u, v - h, Q, Su2, Sv2);
        for (int e = 0; e < 3; ++e)
            EXPECT_NEAR(Suv[e], (Su1[e] - Su2[e]) / (2 * h), 1e-4 * (1 + std::fabs(Suv[e]))) << "Suv";
    }
}

TEST(BsrfRecord, BadInputFailsAndCloneIsDeep)
{
    EXPECT_EQ(BSRF_Create(1, 4, 4, 4), nullptr);
    EXPECT_EQ(BSRF_Create(4, 3, 4, 4), nullptr);
    EXPECT_EQ(BSRF_Create(4, 4, kBcrvMaxOrder + 1, 20), nullptr);
    double P[3] = {7, 7, 7}, N[3];
    EXPECT_EQ(BSRF_EvPos(nullptr, 0.5, 0.5, P), 0);
    EXPECT_EQ(BSRF_EvNormal(nullptr, 0.5, 0.5, P, N), 0);
    const SurfPtr s = surffix::Wavy(5, true);
    EXPECT_EQ(BSRF_EvPos(s.get(), std::nan(""), 0.5, P), 0);
    EXPECT_EQ(BSRF_Clone(nullptr), nullptr);
    BSRF_Free(nullptr);

    SurfPtr c(BSRF_Clone(s.get()));
    ASSERT_TRUE(c);
    c->P[2][2][0] += 1.0;
    double a[3], b[3];
    BSRF_EvPos(s.get(), 0.5, 0.5, a);
    BSRF_EvPos(c.get(), 0.5, 0.5, b);
    EXPECT_GT(Dist(a, b), 1e-3) << "the clone shares the net";

    // A record with a bad weight is refused by the checks that copy or change it.
    c->P[1][1][3] = 0.0;
    EXPECT_EQ(BSRF_IsValid(c.get()), 0);
    EXPECT_EQ(BSRF_Clone(c.get()), nullptr);
    const double move[3] = {1, 2, 3};
    const double before = c->P[0][0][0];
    EXPECT_EQ(BSRF_Move(c.get(), move), 0);
    EXPECT_EQ(c->P[0][0][0], before) << "a refused transform changed the net";
}

// Affine transforms move every surface point as the point itself moves; twist
// and taper move the control points as the point operation does.
TEST(BsrfTransform, FollowsTheTransformOfTheNet)
{
    const double p[3] = {1.0, -2.0, 0.5}, axis[3] = {0.3, 0.4, 1.0}, q[3] = {4.0, 1.0, 0.0};
    const double f[3] = {1.5, 0.5, 2.0}, sh[2] = {0.2, -0.3}, dir[3] = {0.1, 0.5, 0.0};
    double m4[4][4] = {{0, 1, 0, 0}, {-1, 0, 0, 0}, {0, 0, 2, 0}, {3, 4, 5, 1}};
    double m3[3][3];
    MAT33_GenRotZ1(p, 0.7, m3);
    double m3as4[4][4];
    MAT33_ToMAT44(m3, m3as4);
    _rect_fm3d frame;
    const double xAxis[3] = {1, 1, 0}, yAxis[3] = {0, 1, 1};
    RF_Init(&frame, p, xAxis, yAxis);

    struct Row {
        const char* label;
        std::function<int(_nurbs_surface*)> onSurface;
        std::function<int(BCRV&)> onCurve;  // the same operation on one row as a curve
    };
    const Row rows[] = {
        {"move", [&](_nurbs_surface* s) { return BSRF_Move(s, p); }, [&](BCRV& c) { return c.Move(p); }},
        {"rotate", [&](_nurbs_surface* s) { return BSRF_Roate(s, p, axis, 0.8); },
         [&](BCRV& c) { return c.Rotate(p, axis, 0.8); }},
        {"twist", [&](_nurbs_surface* s) { return BSRF_Twist(s, p, axis, 0.3); },
         [&](BCRV& c) { return c.Twist(p, axis, 0.3); }},
        {"taper", [&](_nurbs_surface* s) { return BSRF_Taper(s, p, axis, 0.1); },
         [&](BCRV& c) { return c.Taper(p, axis, 0.1); }},
        {"scale", [&](_nurbs_surface* s) { return BSRF_Scale(s, p, f); }, [&](BCRV& c) { return c.Scale(p, f); }},
        {"shear 2D", [&](_nurbs_surface* s) { return BSRF_Shear(s, p, sh); }, [&](BCRV& c) { return c.Shear(p, sh); }},
        {"shear 3D", [&](_nurbs_surface* s) { return BSRF_Shear(s, p, dir, axis); },
         [&](BCRV& c) { return c.Shear(p, dir, axis); }},
    };
    const SurfPtr base = surffix::Wavy(6, true);
    for (const Row& row : rows) {
        SurfPtr s(BSRF_Clone(base.get()));
        ASSERT_EQ(row.onSurface(s.get()), 1) << row.label;
        for (int i = 0; i < base->nu; ++i) {
            CurvePtr c(BCRV_New(base->kv, base->nv));
            for (int j = 0; j < base->nv; ++j)
                for (int e = 0; e < 4; ++e) c->P[j][e] = base->P[i][j][e];
            ASSERT_EQ(row.onCurve(*c), 1) << row.label;
            for (int j = 0; j < base->nv; ++j)
                for (int e = 0; e < 4; ++e)
                    EXPECT_NEAR(s->P[i][j][e], c->P[j][e], 1e-12) << row.label << " at " << i << ", " << j;
        }
    }

    // The maps without a curve counterpart, against mapping the surface points.
    struct MapRow {
        const char* label;
        std::function<int(_nurbs_surface*)> onSurface;
        std::function<void(double*)> onPoint;
    };
    const MapRow maps[] = {
        {"mirror 2D", [&](_nurbs_surface* s) { return BSRF_Mirror2D(s, p, q); },
         [&](double* x) {
             const double d[2] = {q[0] - p[0], q[1] - p[1]};
             const double t = ((x[0] - p[0]) * d[0] + (x[1] - p[1]) * d[1]) / (d[0] * d[0] + d[1] * d[1]);
             x[0] = 2 * (p[0] + t * d[0]) - x[0];
             x[1] = 2 * (p[1] + t * d[1]) - x[1];
         }},
        {"mirror 3D", [&](_nurbs_surface* s) { return BSRF_Mirror(s, p, axis); },
         [&](double* x) {
             const double n2 = axis[0] * axis[0] + axis[1] * axis[1] + axis[2] * axis[2];
             const double h = ((x[0] - p[0]) * axis[0] + (x[1] - p[1]) * axis[1] + (x[2] - p[2]) * axis[2]) / n2;
             for (int e = 0; e < 3; ++e) x[e] -= 2 * h * axis[e];
         }},
        {"matrix 4x4", [&](_nurbs_surface* s) { return BSRF_Transform(s, m4); },
         [&](double* x) { MAT44_MultPt(x, x, m4); }},
        {"matrix 3x3 widened", [&](_nurbs_surface* s) { return BSRF_Transform(s, m3as4); },
         [&](double* x) { MAT33_MultPt(x, x, m3); }},
        {"into frame", [&](_nurbs_surface* s) { return BSRF_TransformWorld(s, &frame); },
         [&](double* x) { RF_TransWorldP3D(&frame, x, x); }},
        {"out of frame", [&](_nurbs_surface* s) { return BSRF_TransLocal(s, &frame); },
         [&](double* x) { RF_TransLocalP3D(&frame, x, x); }},
    };
    std::mt19937 rng(9);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (const MapRow& row : maps) {
        SurfPtr s(BSRF_Clone(base.get()));
        ASSERT_EQ(row.onSurface(s.get()), 1) << row.label;
        for (int k = 0; k < 40; ++k) {
            const double u = unit(rng), v = unit(rng);
            double want[3], got[3];
            BSRF_EvPos(base.get(), u, v, want);
            row.onPoint(want);
            BSRF_EvPos(s.get(), u, v, got);
            EXPECT_LT(Dist(want, got), 1e-11) << row.label << " at " << u << ", " << v;
        }
    }
    // Bad arguments leave the record alone.
    SurfPtr s(BSRF_Clone(base.get()));
    const double zero[3] = {0, 0, 0};
    EXPECT_EQ(BSRF_Roate(s.get(), p, zero, 1.0), 0);
    EXPECT_EQ(BSRF_Mirror2D(s.get(), p, p), 0);
    EXPECT_EQ(BSRF_Mirror(s.get(), p, zero), 0);
    for (int i = 0; i < base->nu; ++i)
        for (int j = 0; j < base->nv; ++j)
            for (int e = 0; e < 4; ++e) EXPECT_EQ(s->P[i][j][e], base->P[i][j][e]);
}

// Chords of the steps, placed anywhere along either direction, stay within tol.
TEST(BsrfStep, ChordsOfTheStepStayWithinTol)
{
    struct Row {
        const char* label;
        SurfPtr s;
        double tol;
    };
    Row rows[] = {{"wavy rational", surffix::Wavy(10, true), 0.01},
                  {"torus", surffix::Torus(3.0, 1.0), 0.001},
                  {"hemisphere", surffix::Hemisphere(2.0), 0.05}};
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (Row& row : rows) {
        double du = 0.0, dv = 0.0;
        ASSERT_EQ(BSRF_GetMaxiStepLin(row.s.get(), row.tol, &du, &dv), 1) << row.label;
        ASSERT_GT(du, 0.0);
        ASSERT_GT(dv, 0.0);
        double worst = 0.0;
        for (int k = 0; k < 300; ++k) {
            const bool alongU = k % 2 == 0;
            const double h = alongU ? du : dv;
            const double fixed = unit(rng), start = unit(rng) * (1.0 - h);
            auto at = [&](double t, double* out) {
                BSRF_EvPos(row.s.get(), alongU ? t : fixed, alongU ? fixed : t, out);
            };
            double a[3], b[3];
            at(start, a);
            at(start + h, b);
            for (int j = 1; j < 32; ++j) {
                double m[3];
                at(start + h * j / 32, m);
                worst = std::fmax(worst, SegDist(m, a, b));
            }
        }
        EXPECT_LE(worst, row.tol) << row.label;
        // Not needlessly small either: even randomly placed chords use a share of tol.
        EXPECT_GT(worst, 0.02 * row.tol) << row.label;
    }
    double du = 0.0, dv = 0.0;
    const SurfPtr s = surffix::Wavy(4, false);
    EXPECT_EQ(BSRF_GetMaxiStepLin(s.get(), 0.0, &du, &dv), 0);
    EXPECT_EQ(BSRF_GetMaxiStepLin(nullptr, 0.1, &du, &dv), 0);
    // A plane is straight both ways: the whole domain.
    SurfPtr plane(BSRF_Create(2, 2, 2, 2));
    for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 2; ++j) {
            plane->P[i][j][0] = i;
            plane->P[i][j][1] = j;
        }
    ASSERT_EQ(BSRF_GetMaxiStepLin(plane.get(), 0.01, &du, &dv), 1);
    EXPECT_DOUBLE_EQ(du, 1.0);
    EXPECT_DOUBLE_EQ(dv, 1.0);
}

// The iso curve passes through the surface points of its parameter line, with
// the same parameter.
TEST(BsrfIso, IsoCurvesAreTheSurfaceLines)
{
    const SurfPtr s = surffix::Wavy(7, true);
    const SurfPtr torus = surffix::Torus(3.0, 1.0);
    for (const _nurbs_surface* surf : {s.get(), torus.get()}) {
        for (int dir : {kIsoConstU, kIsoConstV}) {
            for (double value : {0.0, 0.137, 0.5, 0.91, 1.0}) {
                CurvePtr c(CNurbsEditor::MakeIsoCurve(surf, dir, value));
                ASSERT_TRUE(c) << dir << " " << value;
                for (int k = 0; k <= 200; ++k) {
                    const double t = k / 200.0;
                    double a[3], b[3];
                    BCRV_EvPos(c.get(), t, a);
                    BSRF_EvPos(surf, dir == kIsoConstU ? value : t, dir == kIsoConstU ? t : value, b);
                    ASSERT_LT(Dist(a, b), 1e-12) << "dir " << dir << " value " << value << " t " << t;
                }
            }
        }
    }
    EXPECT_EQ(CNurbsEditor::MakeIsoCurve(s.get(), 1303, 0.5), nullptr);
    EXPECT_EQ(CNurbsEditor::MakeIsoCurve(nullptr, kIsoConstU, 0.5), nullptr);
}

// A trim with a loose parameter tolerance keeps its ends where asked: a knot at
// 0.2 lies within 0.1 of 0.25 but far from it on the curve.
TEST(BsrfIso, TrimKeepsItsEndsWhereAsked)
{
    const SurfPtr s = surffix::Wavy(6, false);  // v knots 0, 1/3, 2/3, 1
    CurvePtr iso(CNurbsEditor::MakeIsoCurve(s.get(), kIsoConstU, 0.4));
    ASSERT_TRUE(iso);
    struct Row {
        const char* label;
        double t0, t1;
    };
    for (const Row& row : {Row{"near inner knot", 0.30, 0.7}, Row{"near both knots", 0.3, 0.62},
                           Row{"near start", 0.05, 0.5}}) {
        BCRV* piece = nullptr;
        ASSERT_EQ(BCRV_Trim(iso.get(), row.t0, row.t1, 0.1, &piece), 1) << row.label;
        CurvePtr owner(piece);
        double a[3], b[3], want0[3], want1[3];
        BCRV_EvPos(piece, 0.0, a);
        BCRV_EvPos(piece, 1.0, b);
        BSRF_EvPos(s.get(), 0.4, row.t0, want0);
        BSRF_EvPos(s.get(), 0.4, row.t1, want1);
        EXPECT_LT(Dist(a, want0), 1e-9) << row.label;
        EXPECT_LT(Dist(b, want1), 1e-9) << row.label;
    }
    // Within 1e-6 on the curve the end still snaps to the knot (no sliver span).
    BCRV* piece = nullptr;
    const double knot = iso->U[4];
    ASSERT_EQ(BCRV_Trim(iso.get(), knot + 1e-9, 0.9, 0.1, &piece), 1);
    CurvePtr owner(piece);
    EXPECT_GT(piece->U[piece->k], 1e-6) << "a sliver span was made";
}

// The offset of a sphere is the sphere of the offset radius.
TEST(BsrfOffset, OffsetOfASphereIsConcentric)
{
    const SurfPtr s = surffix::Hemisphere(5.0);
    for (float d : {0.5f, -1.0f}) {
        SurfPtr o(CNurbsEditor::OffsetSurf(s.get(), d));
        ASSERT_TRUE(o) << d;
        // The normal's sense (outward or inward) decides the radius.
        double P[3], N[3];
        BSRF_EvNormal(s.get(), 0.3, 0.3, P, N);
        const double sense = (P[0] * N[0] + P[1] * N[1] + P[2] * N[2]) > 0.0 ? 1.0 : -1.0;
        std::mt19937 rng(13);
        std::uniform_real_distribution<double> unit(0.0, 1.0);
        double worst = 0.0;
        for (int k = 0; k < 500; ++k) {
            double Q[3];
            ASSERT_EQ(BSRF_EvPos(o.get(), unit(rng), unit(rng), Q), 1);
            worst = std::fmax(worst, std::fabs(Norm(Q) - (5.0 + sense * d)));
        }
        EXPECT_LE(worst, CNurbsEditor::kOffsetSurfTol) << d;
    }
    SurfPtr same(CNurbsEditor::OffsetSurf(s.get(), 0.0f));
    ASSERT_TRUE(same);
    EXPECT_EQ(same->nu, s->nu);
    EXPECT_EQ(CNurbsEditor::OffsetSurf(nullptr, 1.0f), nullptr);
}

}  // namespace
