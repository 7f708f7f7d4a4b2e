// NURBS curve record: conics, evaluation, shape-preserving edits, cutting,
// joining, transforms and bad input.
#include "framework/numerak/Bcrv.h"
#include "framework/numerak/Knot.h"
#include "framework/numerak/NurbsArc.h"
#include "framework/numerak/tests/NurbsTestCurves.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <numbers>
#include <string>

using nurbs_test::Curve;
using nurbs_test::Dist;
using nurbs_test::MaxGap;
using nurbs_test::Wavy;

namespace {

constexpr double kPi = std::numbers::pi;

// Distinct knot values strictly inside the domain.
std::vector<double> InnerKnots(const BCRV* c)
{
    std::vector<double> v;
    for (int i = c->k; i < c->n; ++i)
        if (v.empty() || v.back() != c->U[i])
            v.push_back(c->U[i]);
    return v;
}

}  // namespace

TEST(BcrvConics, ArcsLieOnTheirCircleAndRunCounterClockwise)
{
    struct Row {
        const char* label;
        double a0, a1;
    };
    const Row rows[] = {{"30deg", 0.2, 0.2 + kPi / 6}, {"quarter", 0.0, kPi / 2}, {"100deg", 1.0, 1.0 + 1.745},
                        {"half", -1.0, -1.0 + kPi},   {"200deg", 2.0, 2.0 + 3.49}, {"270deg", 0.5, 0.5 + 1.5 * kPi},
                        {"300deg", 0.0, 5.236},       {"across zero", 5.5, 0.5},   {"full (equal angles)", 1.2, 1.2}};
    const double centre[3] = {1.0, -2.0, 3.5};
    const double r = 2.5;
    for (const Row& row : rows) {
        Curve c(BCRV_New());
        ASSERT_EQ(c->GenArc(centre, r, row.a0, row.a1), 1) << row.label;
        double sweep = std::fmod(row.a1 - row.a0 + 4 * kPi, 2 * kPi);
        if (sweep < 1e-12)
            sweep = 2 * kPi;
        double prevAngle = row.a0;
        double travelled = 0.0;
        for (int i = 0; i <= 2000; ++i) {
            double p[3];
            ASSERT_EQ(BCRV_EvPos(c.get(), i / 2000.0, p), 1);
            const double dx = p[0] - centre[0];
            const double dy = p[1] - centre[1];
            EXPECT_NEAR(std::hypot(dx, dy), r, 1e-12) << row.label << " i=" << i;
            EXPECT_NEAR(p[2], centre[2], 1e-12) << row.label;
            const double ang = std::atan2(dy, dx);
            double step = std::remainder(ang - prevAngle, 2 * kPi);
            EXPECT_GE(step, -1e-12) << row.label << " runs clockwise at i=" << i;
            travelled += step;
            prevAngle = ang;
        }
        EXPECT_NEAR(travelled, sweep, 1e-9) << row.label;
        double s[3];
        BCRV_EvPos(c.get(), 0.0, s);
        EXPECT_NEAR(s[0], centre[0] + r * std::cos(row.a0), 1e-12) << row.label;
        EXPECT_NEAR(s[1], centre[1] + r * std::sin(row.a0), 1e-12) << row.label;
    }
}

TEST(BcrvConics, CircleEllipseAndFramedArcAreExact)
{
    const double centre[3] = {10.0, 20.0, -1.0};
    Curve circle(BCRV_New());
    ASSERT_EQ(circle->GenCircle(centre, 7.0), 1);
    Curve ell(BCRV_New());
    const double a = 5.0, b = 2.0, rot = 0.6;
    ASSERT_EQ(ell->GenEll(centre, a, b, rot), 1);

    // Arc of radius 3 in a tilted frame.
    _arc arc{};
    const double s2 = std::sqrt(0.5);
    const double X[3] = {1, 0, 0}, Y[3] = {0, s2, s2}, Z[3] = {0, -s2, s2}, O[3] = {1, 2, 3};
    std::memcpy(arc.frame.X, X, sizeof X);
    std::memcpy(arc.frame.Y, Y, sizeof Y);
    std::memcpy(arc.frame.Z, Z, sizeof Z);
    std::memcpy(arc.frame.O, O, sizeof O);
    arc.r = 3.0;
    arc.sweep = 4.0;
    BCRV* framed = nullptr;
    ASSERT_EQ(BCRV_GenArc(&arc, &framed), 1);
    Curve framedOwner(framed);

    for (int i = 0; i <= 4000; ++i) {
        const double t = i / 4000.0;
        double p[3];
        ASSERT_EQ(BCRV_EvPos(circle.get(), t, p), 1);
        EXPECT_NEAR(std::hypot(p[0] - centre[0], p[1] - centre[1]), 7.0, 1e-12) << "circle t=" << t;

        ASSERT_EQ(BCRV_EvPos(ell.get(), t, p), 1);
        const double dx = p[0] - centre[0], dy = p[1] - centre[1];
        const double u = dx * std::cos(rot) + dy * std::sin(rot);
        const double v = -dx * std::sin(rot) + dy * std::cos(rot);
        EXPECT_NEAR((u / a) * (u / a) + (v / b) * (v / b), 1.0, 1e-12) << "ellipse t=" << t;
        EXPECT_NEAR(p[2], centre[2], 1e-12);

        ASSERT_EQ(BCRV_EvPos(framed, t, p), 1);
        const double d[3] = {p[0] - O[0], p[1] - O[1], p[2] - O[2]};
        EXPECT_NEAR(std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]), 3.0, 1e-12) << "framed t=" << t;
        EXPECT_NEAR(d[0] * Z[0] + d[1] * Z[1] + d[2] * Z[2], 0.0, 1e-12) << "framed off plane t=" << t;
    }
    double e[3];
    BCRV_EvPos(framed, 1.0, e);
    const double expect[3] = {O[0] + 3 * std::cos(4.0) * X[0] + 3 * std::sin(4.0) * Y[0],
                              O[1] + 3 * std::cos(4.0) * X[1] + 3 * std::sin(4.0) * Y[1],
                              O[2] + 3 * std::cos(4.0) * X[2] + 3 * std::sin(4.0) * Y[2]};
    EXPECT_LT(Dist(e, expect), 1e-12);
}

TEST(BcrvEval, DerivativesMatchFiniteDifferences)
{
    struct Row {
        std::string label;
        Curve c;
    };
    std::vector<Row> rows;
    rows.push_back({"rational cubic", Wavy(4, 9, true)});
    rows.push_back({"quintic", Wavy(6, 11, false)});
    rows.push_back({"rational quintic", Wavy(6, 8, true)});
    Curve circle(BCRV_New());
    const double o[3] = {0, 0, 0};
    circle->GenCircle(o, 4.0);
    rows.push_back({"circle", std::move(circle)});
    const double h = 1e-5;
    for (const Row& row : rows) {
        const BCRV* c = row.c.get();
        const std::vector<double> knots = InnerKnots(c);
        for (int i = 1; i < 200; ++i) {
            const double t = i / 200.0;
            bool nearKnot = false;
            for (double u : knots)
                nearKnot = nearKnot || std::fabs(u - t) < 2 * h;
            if (nearKnot)
                continue;  // derivatives jump across knots of low continuity
            double p[3], d1[3], d2[3], pm[3], pp[3], q[3], e1[3];
            ASSERT_EQ(BCRV_Ev2Der(c, t, p, d1, d2), 1) << row.label;
            ASSERT_EQ(BCRV_Ev1Der(c, t, q, e1), 1) << row.label;
            BCRV_EvPos(c, t - h, pm);
            BCRV_EvPos(c, t + h, pp);
            const double scale = 1.0 + std::sqrt(d1[0] * d1[0] + d1[1] * d1[1] + d1[2] * d1[2]);
            for (int d = 0; d < 3; ++d) {
                EXPECT_NEAR(q[d], p[d], 1e-14 * scale) << row.label;
                EXPECT_NEAR(e1[d], d1[d], 1e-12 * scale) << row.label;
                EXPECT_NEAR(d1[d], (pp[d] - pm[d]) / (2 * h), 1e-6 * scale) << row.label << " t=" << t;
                EXPECT_NEAR(d2[d], (pp[d] - 2 * p[d] + pm[d]) / (h * h), 1e-3 * scale * scale)
                    << row.label << " t=" << t;
            }
        }
    }
}

TEST(BcrvEdit, KnotInsertionAndDegreeElevationKeepTheShape)
{
    struct Row {
        const char* label;
        int k, n;
        bool rational;
    };
    const Row rows[] = {{"linear", 2, 6, false}, {"rational quadratic", 3, 7, true}, {"cubic", 4, 10, false},
                        {"rational cubic", 4, 9, true}, {"rational quintic", 6, 12, true}};
    for (const Row& row : rows) {
        Curve original = Wavy(row.k, row.n, row.rational);
        ASSERT_TRUE(original) << row.label;

        Curve inserted(original->Clone());
        const int n0 = inserted->n;
        ASSERT_EQ(inserted->InsertKnot(0.3141, 1), 1) << row.label;
        ASSERT_EQ(inserted->InsertKnot(0.77, row.k), 1) << row.label;  // capped at k - 1
        const double existing = original->U[row.k];
        ASSERT_EQ(inserted->InsertKnot(existing, 1), 1) << row.label;
        EXPECT_EQ(inserted->CalKnotMul(0.77), row.k - 1) << row.label;
        EXPECT_GT(inserted->n, n0) << row.label;
        EXPECT_EQ(BCRV_IsValid(inserted.get()), 1) << row.label;
        EXPECT_LT(MaxGap(original.get(), inserted.get()), 1e-12) << row.label;

        for (int t = 1; t <= 3; ++t) {
            Curve raised(original->Clone());
            ASSERT_EQ(raised->DegElevate(t), 1) << row.label << " +" << t;
            EXPECT_EQ(raised->k, row.k + t) << row.label;
            EXPECT_EQ(BCRV_IsValid(raised.get()), 1) << row.label;
            EXPECT_LT(MaxGap(original.get(), raised.get()), 1e-10) << row.label << " +" << t;
        }
    }
    // An elevated circle is still exactly round.
    Curve circle(BCRV_New());
    const double o[3] = {1, 1, 0};
    circle->GenCircle(o, 5.0);
    ASSERT_EQ(BCRV_ElvDeg(circle.get()), 1);
    for (int i = 0; i <= 1000; ++i) {
        double p[3];
        BCRV_EvPos(circle.get(), i / 1000.0, p);
        EXPECT_NEAR(std::hypot(p[0] - 1, p[1] - 1), 5.0, 1e-11);
    }
    // A knot of full multiplicity breaks the curve; raising it is refused.
    Curve broken = Wavy(3, 8, false);
    broken->U[5] = broken->U[4];  // U[3] = U[4] = U[5]
    ASSERT_EQ(BCRV_IsValid(broken.get()), 1);
    EXPECT_EQ(broken->DegElevate(1), 0);
    EXPECT_EQ(broken->k, 3);
    Curve top = Wavy(kBcrvMaxOrder, kBcrvMaxOrder + 2, false);
    EXPECT_EQ(top->DegElevate(1), 0) << "raising past the highest order fails";
    EXPECT_EQ(top->k, kBcrvMaxOrder);
}

namespace {

// de Casteljau on homogeneous points of one segment.
void DeCasteljau(const double (*pts)[4], int p, double s, double* out)
{
    double w[kBcrvMaxOrder][4];
    std::memcpy(w, pts, sizeof(double[4]) * (p + 1));
    for (int r = 1; r <= p; ++r)
        for (int i = 0; i <= p - r; ++i)
            for (int e = 0; e < 4; ++e)
                w[i][e] = (1 - s) * w[i][e] + s * w[i + 1][e];
    for (int e = 0; e < 3; ++e)
        out[e] = w[0][e] / w[0][3];
}

}  // namespace

TEST(BcrvEdit, BezierDecompositionRoundTrip)
{
    struct Row {
        const char* label;
        int k, n;
        bool rational;
    };
    const Row rows[] = {{"cubic", 4, 10, false}, {"rational cubic", 4, 9, true}, {"rational quadratic", 3, 8, true},
                        {"quintic", 6, 9, false}};
    for (const Row& row : rows) {
        Curve c = Wavy(row.k, row.n, row.rational);
        const int p = row.k - 1;
        std::vector<double> breaks = {0.0};
        for (double u : InnerKnots(c.get()))
            breaks.push_back(u);
        breaks.push_back(1.0);
        const int segments = static_cast<int>(breaks.size()) - 1;

        double (*hom)[4] = nullptr;
        const int count = c->ConvertToBezier(hom);
        ASSERT_EQ(count, p * segments + 1) << row.label;
        for (int s = 0; s < segments; ++s) {
            for (int i = 0; i <= 50; ++i) {
                const double local = i / 50.0;
                double a[3], b[3];
                DeCasteljau(hom + s * p, p, local, a);
                BCRV_EvPos(c.get(), breaks[s] + local * (breaks[s + 1] - breaks[s]), b);
                EXPECT_LT(Dist(a, b), 1e-12) << row.label << " segment " << s;
            }
        }
        BCRV::FreePtList(hom);

        double (*flat)[3] = nullptr;
        const int flatCount = c->ConvertToBezier(flat);
        if (row.rational) {
            EXPECT_EQ(flatCount, 0) << row.label << ": Cartesian Bézier points cannot carry weights";
            EXPECT_EQ(flat, nullptr);
        } else {
            ASSERT_EQ(flatCount, count) << row.label;
            double (*xy)[2] = nullptr;
            ASSERT_EQ(c->ConvertToBezier(xy), count);
            for (int i = 0; i < count; ++i) {
                EXPECT_EQ(xy[i][0], flat[i][0]);
                EXPECT_EQ(xy[i][1], flat[i][1]);
            }
            BCRV::FreePtList(xy);
        }
        BCRV::FreePtList(flat);
    }
}

TEST(BcrvEdit, SplitTrimAndReverseFollowTheCurve)
{
    Curve c = Wavy(4, 10, true);
    BCRV* left = nullptr;
    BCRV* right = nullptr;
    const double t = 0.4321;
    ASSERT_EQ(BCRV_Split(c.get(), t, &left, &right), 1);
    Curve l(left), r(right);
    EXPECT_LT(MaxGap(l.get(), c.get(), [&](double s) { return s * t; }), 1e-12);
    EXPECT_LT(MaxGap(r.get(), c.get(), [&](double s) { return t + s * (1 - t); }), 1e-12);
    EXPECT_EQ(l->U[l->n], 1.0);
    EXPECT_EQ(r->U[r->k - 1], 0.0);

    // Split at an existing knot and at the domain ends.
    BCRV* a = nullptr;
    BCRV* b = nullptr;
    ASSERT_EQ(BCRV_Split(c.get(), c->U[5], &a, &b), 1);
    BCRV_Free(a);
    BCRV_Free(b);
    EXPECT_EQ(BCRV_Split(c.get(), 0.0, &a, &b), 0);
    EXPECT_EQ(a, nullptr);
    EXPECT_EQ(BCRV_Split(c.get(), 1.0, &a, &b), 0);

    struct Row {
        const char* label;
        double t0, t1, tol, lo, hi;  // lo, hi: the range the piece must cover
    };
    const Row rows[] = {{"middle", 0.2, 0.7, 0.0, 0.2, 0.7},
                        {"from start", 0.0, 0.55, 0.0, 0.0, 0.55},
                        {"to end", 0.3, 1.0, 0.0, 0.3, 1.0},
                        {"reversed ends", 0.7, 0.2, 0.0, 0.2, 0.7},
                        {"clamped beyond", -1.0, 0.5, 0.0, 0.0, 0.5},
                        {"snaps to start", 1e-9, 0.5, 1e-6, 0.0, 0.5},
                        // 1e-7 in parameter moves the point by about 7e-6: no snap.
                        {"keeps a start that would move", 1e-7, 0.5, 1e-6, 1e-7, 0.5}};
    for (const Row& row : rows) {
        BCRV* piece = nullptr;
        const double t0 = row.t0 < row.t1 ? row.t0 : row.t1;
        const double t1 = row.t0 < row.t1 ? row.t1 : row.t0;
        ASSERT_EQ(BCRV_Trim(c.get(), t0, t1, row.tol, &piece), 1) << row.label;
        Curve owner(piece);
        EXPECT_LT(MaxGap(piece, c.get(), [&](double s) { return row.lo + s * (row.hi - row.lo); }), 1e-12)
            << row.label;
    }
    BCRV* none = nullptr;
    EXPECT_EQ(BCRV_Trim(c.get(), 0.5, 0.5, 0.0, &none), 0);
    EXPECT_EQ(none, nullptr);

    Curve rev(c->Clone());
    ASSERT_EQ(rev->Reverse(), 1);
    EXPECT_LT(MaxGap(rev.get(), c.get(), [](double s) { return 1.0 - s; }), 1e-12);
}

TEST(BcrvEdit, MergeJoinsPiecesWithOneOrder)
{
    // A line from (-5, 0) to (0, 0), a half circle of radius 2 from (0, 0)
    // around (2, 0) to (4, 0) given backwards, and a cubic leaving (4, 0).
    const double p0[3] = {-5, 0, 0}, p1[3] = {0, 0, 0};
    Curve line(BCRV_New());
    line->GenLine(p0, p1);
    Curve arc(BCRV_New());
    const double centre[3] = {2, 0, 0};
    arc->GenArc(centre, 2.0, 0.0, kPi);  // runs from (4, 0) to (0, 0): reversed by the merge
    Curve cubic(BCRV_New(4, 4));
    const double q[4][3] = {{4, 0, 0}, {5, -1, 0}, {6, 1, 0}, {7, 0, 0}};
    for (int i = 0; i < 4; ++i)
        cubic->SetCtrlPt(i, q[i]);

    BCRV* parts[3] = {line.get(), arc.get(), cubic.get()};
    BCRV* merged = nullptr;
    ASSERT_EQ(BCRV_Merge(3, parts, 0.02, &merged), 1);
    Curve m(merged);
    EXPECT_EQ(m->k, 4);
    EXPECT_EQ(m->U[m->k - 1], 0.0);
    EXPECT_EQ(m->U[m->n], 1.0);
    double s[3], e[3];
    BCRV_EvPos(merged, 0.0, s);
    BCRV_EvPos(merged, 1.0, e);
    EXPECT_LT(Dist(s, p0), 1e-12);
    EXPECT_LT(Dist(e, q[3]), 1e-12);
    const double expected = BCRV_Length(line.get(), 0, 1, 1e-10) + BCRV_Length(arc.get(), 0, 1, 1e-10) +
                            BCRV_Length(cubic.get(), 0, 1, 1e-10);
    EXPECT_NEAR(BCRV_Length(merged, 0, 1, 1e-10), expected, 1e-8);
    // Every point lies on one of the pieces.
    for (int i = 0; i <= 3000; ++i) {
        double p[3];
        BCRV_EvPos(merged, i / 3000.0, p);
        const bool onLine = p[0] <= 1e-9 && std::fabs(p[1]) < 1e-9;
        const bool onArc = std::fabs(std::hypot(p[0] - 2, p[1]) - 2.0) < 1e-9 && p[1] >= -1e-9;
        const bool onCubic = p[0] >= 4 - 1e-9;
        EXPECT_TRUE(onLine || onArc || onCubic) << "i=" << i << " (" << p[0] << ", " << p[1] << ")";
    }
    // The inputs are unchanged, a gap above the tolerance fails.
    double a0[3];
    BCRV_EvPos(arc.get(), 0.0, a0);
    EXPECT_NEAR(a0[0], 4.0, 1e-12);
    const double far[3] = {0.5, 0, 0};
    Curve gap(BCRV_New());
    gap->GenLine(far, q[0]);
    BCRV* gapped[2] = {line.get(), gap.get()};
    BCRV* none = reinterpret_cast<BCRV*>(1);
    EXPECT_EQ(BCRV_Merge(2, gapped, 0.02, &none), 0);
    EXPECT_EQ(none, nullptr);
    // A single curve gives a clone.
    BCRV* single = nullptr;
    ASSERT_EQ(BCRV_Merge(1, parts, 0.02, &single), 1);
    Curve singleOwner(single);
    EXPECT_LT(MaxGap(single, line.get()), 1e-15);
}

TEST(BcrvMeasure, ArcLengthAndChordStep)
{
    struct Row {
        const char* label;
        double r, a0, a1, expected;
    };
    const Row rows[] = {{"circle r=1", 1.0, 0, 0, 2 * kPi},
                        {"circle r=37.5", 37.5, 0, 0, 2 * kPi * 37.5},
                        {"half circle", 3.0, 0.3, 0.3 + kPi, 3 * kPi},
                        {"small arc", 10.0, 0.0, 0.01, 0.1}};
    const double o[3] = {2, -3, 1};
    for (const Row& row : rows) {
        Curve c(BCRV_New());
        if (row.a0 == row.a1)
            c->GenCircle(o, row.r);
        else
            c->GenArc(o, row.r, row.a0, row.a1);
        EXPECT_NEAR(BCRV_Length(c.get(), 0, 1, 1e-10), row.expected, 1e-9 * (1 + row.expected)) << row.label;
        EXPECT_NEAR(BCRV_Length(c.get(), 1, 0, 1e-10), row.expected, 1e-9 * (1 + row.expected)) << row.label;

        // Chords at the step stay within the tolerance.
        for (double tol : {0.001, 0.05}) {
            double step = 0;
            ASSERT_EQ(BCRV_GetMaxiStepLin(c.get(), tol, step), 1) << row.label;
            double worst = 0.0;
            for (double t = 0.0; t < 1.0; t += step) {
                const double t1 = std::fmin(1.0, t + step);
                double a[3], b[3];
                BCRV_EvPos(c.get(), t, a);
                BCRV_EvPos(c.get(), t1, b);
                for (int i = 1; i < 20; ++i) {
                    double p[3];
                    BCRV_EvPos(c.get(), t + (t1 - t) * i / 20.0, p);
                    // distance from p to the chord ab
                    double ab[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
                    double ap[3] = {p[0] - a[0], p[1] - a[1], p[2] - a[2]};
                    const double l2 = ab[0] * ab[0] + ab[1] * ab[1] + ab[2] * ab[2];
                    const double f = l2 > 0 ? (ap[0] * ab[0] + ap[1] * ab[1] + ap[2] * ab[2]) / l2 : 0;
                    const double d[3] = {ap[0] - f * ab[0], ap[1] - f * ab[1], ap[2] - f * ab[2]};
                    worst = std::fmax(worst, std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]));
                }
            }
            EXPECT_LE(worst, tol) << row.label << " tol=" << tol;
            if (step < 1.0) {
                EXPECT_GT(worst, 0.1 * tol) << row.label << " step needlessly small, tol=" << tol;
            }
        }
    }
    Curve line(BCRV_New());
    const double a[3] = {0, 0, 0}, b[3] = {3, 4, 0};
    line->GenLine(a, b);
    double step = 0;
    ASSERT_EQ(BCRV_GetMaxiStepLin(line.get(), 0.01, step), 1);
    EXPECT_EQ(step, 1.0);
    EXPECT_NEAR(BCRV_Length(line.get(), 0.25, 0.75, 1e-9), 2.5, 1e-12);
}

TEST(BcrvTransform, AffineMapsMoveTheCurveExactly)
{
    Curve original = Wavy(4, 8, true);
    const double base[3] = {1, 2, 3};
    struct Row {
        const char* label;
        std::function<int(BCRV&)> apply;
        std::function<void(double*)> point;
    };
    const double v[3] = {1.5, -2, 0.25};
    const double axis[3] = {1, 1, 1};
    const double f[3] = {2, -0.5, 3};
    const double sh[2] = {0.3, -0.2};
    const double dir[3] = {0.5, 0, 0}, nrm[3] = {0, 0, 2};
    const double ang = 0.7;
    const double s3 = 1 / std::sqrt(3.0);
    const Row rows[] = {
        {"move", [&](BCRV& c) { return c.Move(v); },
         [&](double* p) {
             for (int d = 0; d < 3; ++d)
                 p[d] += v[d];
         }},
        {"rotate", [&](BCRV& c) { return c.Rotate(base, axis, ang); },
         [&](double* p) {
             // Rodrigues about unit (1, 1, 1) through base.
             const double a[3] = {s3, s3, s3};
             double q[3] = {p[0] - base[0], p[1] - base[1], p[2] - base[2]};
             const double dot = a[0] * q[0] + a[1] * q[1] + a[2] * q[2];
             const double cr[3] = {a[1] * q[2] - a[2] * q[1], a[2] * q[0] - a[0] * q[2], a[0] * q[1] - a[1] * q[0]};
             for (int d = 0; d < 3; ++d)
                 p[d] = base[d] + q[d] * std::cos(ang) + cr[d] * std::sin(ang) + a[d] * dot * (1 - std::cos(ang));
         }},
        {"scale", [&](BCRV& c) { return c.Scale(base, f); },
         [&](double* p) {
             for (int d = 0; d < 3; ++d)
                 p[d] = base[d] + (p[d] - base[d]) * f[d];
         }},
        {"shear 2D", [&](BCRV& c) { return c.Shear(base, sh); },
         [&](double* p) {
             const double x = p[0], y = p[1];
             p[0] = x + sh[0] * (y - base[1]);
             p[1] = y + sh[1] * (x - base[0]);
         }},
        {"shear 3D", [&](BCRV& c) { return c.Shear(base, dir, nrm); },
         [&](double* p) { p[0] += 0.5 * (p[2] - base[2]); }},
    };
    for (const Row& row : rows) {
        Curve c(original->Clone());
        ASSERT_EQ(row.apply(*c), 1) << row.label;
        double worst = 0;
        for (int i = 0; i <= 500; ++i) {
            double p[3], q[3];
            BCRV_EvPos(original.get(), i / 500.0, p);
            row.point(p);
            BCRV_EvPos(c.get(), i / 500.0, q);
            worst = std::fmax(worst, Dist(p, q));
        }
        EXPECT_LT(worst, 1e-12) << row.label;
    }
    // Twist and taper act on control points: one point on the axis frame.
    Curve one(BCRV_New(2, 2));
    const double cp[3] = {1, 0, 2}, zero[3] = {0, 0, 0}, z[3] = {0, 0, 1};
    one->SetCtrlPt(0, cp, 2.0);
    ASSERT_EQ(one->Twist(zero, z, 0.25), 1);
    double got[3], w;
    one->GetCtrlPt(0, got, &w);
    EXPECT_NEAR(got[0], std::cos(0.5), 1e-15);
    EXPECT_NEAR(got[1], std::sin(0.5), 1e-15);
    EXPECT_EQ(w, 2.0);
    one->SetCtrlPt(0, cp, 2.0);
    ASSERT_EQ(one->Taper(zero, z, std::atan(0.5)), 1);
    one->GetCtrlPt(0, got);
    EXPECT_NEAR(got[0], 2.0, 1e-15);
    EXPECT_NEAR(got[2], 2.0, 1e-15);
    EXPECT_EQ(one->Rotate(zero, zero, 1.0), 0) << "zero axis";
}

TEST(BcrvShape, PlanarityAndUniformity)
{
    const double o[3] = {0, 0, 5};
    Curve circle(BCRV_New());
    circle->GenCircle(o, 2.0);
    const double axis[3] = {1, 0, 0};
    Curve tilted(circle->Clone());
    tilted->Rotate(o, axis, 0.5);
    Curve flat = Wavy(4, 7, false);
    for (int i = 0; i < flat->n; ++i)
        flat->P[i][2] = 5.0;
    Curve bent = Wavy(4, 7, false);
    Curve line(BCRV_New());
    const double a[3] = {0, 0, 0}, b[3] = {1, 2, 3};
    line->GenLine(a, b);
    Curve point(BCRV_New(3, 3));

    struct Row {
        const char* label;
        const BCRV* c;
        int planar, uniform, xy;
    };
    const Row rows[] = {{"circle", circle.get(), 1, 0, 0}, {"tilted circle", tilted.get(), 1, 0, 0},
                        {"flat cubic", flat.get(), 1, 1, 1}, {"space cubic", bent.get(), 0, 1, 0},
                        {"line", line.get(), 2, 1, 0},       {"point", point.get(), 3, 1, 1}};
    for (const Row& row : rows) {
        double pt[3], nrm[3];
        EXPECT_EQ(row.c->IsPlanar(1e-9, pt, nrm), row.planar) << row.label;
        EXPECT_EQ(row.c->IsUniform(), row.uniform) << row.label;
        EXPECT_EQ(row.c->IsXYUniform(), row.xy) << row.label;
    }
    double pt[3], nrm[3];
    ASSERT_EQ(tilted->IsPlanar(1e-9, pt, nrm), 1);
    EXPECT_NEAR(std::fabs(nrm[1] * std::sin(0.5) - nrm[2] * std::cos(0.5)), 1.0, 1e-12) << "tilted normal";
    ASSERT_EQ(line->IsPlanar(1e-9, pt, nrm), 2);
    EXPECT_NEAR(nrm[1], 2 / std::sqrt(14.0), 1e-12);
}

TEST(BcrvRecord, AllocationCloneAndControlPoints)
{
    Curve c(BCRV_New(4, 6));
    ASSERT_TRUE(c);
    const double expectU[10] = {0, 0, 0, 0, 1.0 / 3, 2.0 / 3, 1, 1, 1, 1};
    for (int i = 0; i < 10; ++i)
        EXPECT_DOUBLE_EQ(c->U[i], expectU[i]) << i;
    const double p[3] = {1, 2, 3};
    ASSERT_EQ(c->SetCtrlPt(2, p, 0.5), 1);
    EXPECT_EQ(c->P[2][0], 0.5);
    EXPECT_EQ(c->P[2][3], 0.5);
    Curve copy(c->Clone());
    ASSERT_TRUE(copy);
    EXPECT_NE(copy->P, c->P);
    double q[3], w;
    ASSERT_EQ(copy->GetCtrlPt(2, q, &w), 1);
    EXPECT_EQ(Dist(p, q), 0.0);
    EXPECT_EQ(w, 0.5);
    Curve empty(BCRV_New());
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->k, 0);
    EXPECT_EQ(empty->Clone(), nullptr);
}

TEST(BcrvRecord, BadInputFailsCleanly)
{
    EXPECT_EQ(BCRV_New(1, 3), nullptr) << "order 1";
    EXPECT_EQ(BCRV_New(4, 3), nullptr) << "n < order";
    EXPECT_EQ(BCRV_New(kBcrvMaxOrder + 1, 40), nullptr) << "order above maximum";
    EXPECT_EQ(BCRV_New(-2, -2), nullptr);

    struct Row {
        const char* label;
        std::function<void(BCRV&)> spoil;
    };
    const Row rows[] = {
        {"decreasing knots", [](BCRV& c) { c.U[4] = 0.9, c.U[5] = 0.1; }},
        {"NaN knot", [](BCRV& c) { c.U[5] = NAN; }},
        {"empty domain", [](BCRV& c) { for (int i = 0; i < c.n + c.k; ++i) c.U[i] = 0.0; }},
        {"zero weight", [](BCRV& c) { c.P[3][3] = 0.0; }},
        {"negative weight", [](BCRV& c) { c.P[3][3] = -1.0; }},
        {"NaN coordinate", [](BCRV& c) { c.P[1][0] = NAN; }},
        {"infinite coordinate", [](BCRV& c) { c.P[1][2] = INFINITY; }},
        {"order too high", [](BCRV& c) { c.k = kBcrvMaxOrder + 1; }},
        {"order 1", [](BCRV& c) { c.k = 1; }},
        {"n below order", [](BCRV& c) { c.n = 2; }},
    };
    for (const Row& row : rows) {
        Curve c = Wavy(4, 9, true);
        const int k = c->k, n = c->n;
        row.spoil(*c);
        EXPECT_EQ(BCRV_IsValid(c.get()), 0) << row.label;
        EXPECT_EQ(c->Clone(), nullptr) << row.label;
        EXPECT_EQ(c->DegElevate(1), 0) << row.label;
        EXPECT_EQ(c->InsertKnot(0.5, 1), 0) << row.label;
        EXPECT_EQ(c->Reverse(), 0) << row.label;
        double step = -7;
        EXPECT_EQ(BCRV_GetMaxiStepLin(c.get(), 0.01, step), 0) << row.label;
        EXPECT_EQ(step, -7) << row.label;
        EXPECT_EQ(BCRV_Length(c.get(), 0, 1, 1e-6), -1.0) << row.label;
        BCRV *a = nullptr, *b = nullptr, *m = nullptr;
        EXPECT_EQ(BCRV_Split(c.get(), 0.5, &a, &b), 0) << row.label;
        EXPECT_EQ(BCRV_Trim(c.get(), 0.2, 0.6, 0, &a), 0) << row.label;
        BCRV* list[1] = {c.get()};
        EXPECT_EQ(BCRV_Merge(1, list, 0.1, &m), 0) << row.label;
        double (*pts)[2] = nullptr;
        EXPECT_EQ(c->ConvertToBezier(pts), 0) << row.label;
        double pt[3], nrm[3];
        EXPECT_EQ(c->IsPlanar(0.01, pt, nrm), 0) << row.label;
        // Evaluation checks only what it can afford; it must not crash either way.
        double p[3], d1[3], d2[3];
        for (double t : {-1.0, 0.0, 0.3, 0.5, 1.0, 2.0})
            BCRV_Ev2Der(c.get(), t, p, d1, d2);
        c->k = k;
        c->n = n;
    }

    Curve good = Wavy(4, 9, false);
    double p[3], d1[3];
    EXPECT_EQ(BCRV_EvPos(nullptr, 0.5, p), 0);
    EXPECT_EQ(BCRV_EvPos(good.get(), NAN, p), 0);
    EXPECT_EQ(BCRV_EvPos(good.get(), 0.5, nullptr), 0);
    EXPECT_EQ(BCRV_Ev2Der(good.get(), 0.5, p, d1, nullptr), 0);
    EXPECT_EQ(BCRV_EvDers(good.get(), 0.5, kBcrvMaxOrder, nullptr), 0);
    ASSERT_EQ(BCRV_EvPos(good.get(), -5.0, p), 1) << "parameters clamp to the domain";
    double s[3];
    BCRV_EvPos(good.get(), 0.0, s);
    EXPECT_EQ(Dist(p, s), 0.0);

    Curve shape(BCRV_New());
    const double c0[3] = {0, 0, 0};
    EXPECT_EQ(shape->GenArc(c0, 0.0, 0, 1), 0) << "zero radius";
    EXPECT_EQ(shape->GenArc(c0, -1.0, 0, 1), 0) << "negative radius";
    EXPECT_EQ(shape->GenArc(c0, 1.0, NAN, 1), 0) << "NaN angle";
    EXPECT_EQ(shape->GenEll(c0, 1.0, 0.0, 0), 0) << "flat ellipse";
    EXPECT_EQ(shape->GenCircle(nullptr, 1.0), 0);
    const double nanPt[3] = {NAN, 0, 0};
    EXPECT_EQ(shape->GenLine(c0, nanPt), 0);
    EXPECT_EQ(BCRV_GenArc(nullptr, nullptr), 0);
    BCRV* out = nullptr;
    _arc bad{};
    bad.r = 1.0;
    bad.sweep = 7.0;  // above 2π
    EXPECT_EQ(BCRV_GenArc(&bad, &out), 0);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(BCRV_Merge(0, nullptr, 0.1, &out), 0);
    BCRV* withNull[2] = {good.get(), nullptr};
    EXPECT_EQ(BCRV_Merge(2, withNull, 0.1, &out), 0);
    BCRV_Free(nullptr);
}
