#include "toolpath/surfkernel/NurbsUtil.h"

#include "framework/numerak/Knot.h"
#include "framework/numerak/NurbsBasis.h"
#include "framework/numerak/NurbsEditor.h"
#include "framework/numerak/tests/NurbsTestCurves.h"

#include <gtest/gtest.h>

#include "framework/numerak/Point3D.h"

#include <array>
#include <cmath>
#include <numbers>
#include <random>
#include <string>
#include <vector>

namespace {

using nurbs_test::Curve;
using nurbs_test::Dist;
using nurbs_test::MaxGap;
using nurbs_test::Wavy;

constexpr double kPi = std::numbers::pi;

struct SurfFreer {
    void operator()(_nurbs_surface* s) const { BSRF_Free(s); }
};
using Surface = std::unique_ptr<_nurbs_surface, SurfFreer>;

Curve circle(double r)
{
    Curve c(BCRV_New());
    const double o[3] = {1, 2, 3};
    c->GenCircle(o, r);
    return c;
}

TEST(NurbsUtilTest, CopiesAreDeepAndFailuresFreeWhatWasMade)
{
    Curve w = Wavy(4, 9, true);
    Curve c(NRB_CopyCurve(w.get()));
    ASSERT_TRUE(c);
    EXPECT_NE(c->P, w->P);
    EXPECT_TRUE(NRB_SameKnots(c.get(), w.get()));
    EXPECT_EQ(MaxGap(c.get(), w.get()), 0.0);
    EXPECT_EQ(NRB_CopyCurve(nullptr), nullptr);
    BCRV* list[3] = {w.get(), c.get(), nullptr};
    BCRV* out[3] = {};
    EXPECT_EQ(NRB_CopyCurves(list, 3, out), 0) << "a null curve fails the copy";
    EXPECT_EQ(out[0], nullptr) << "earlier copies freed";
    ASSERT_EQ(NRB_CopyCurves(list, 2, out), 1);
    BCRV_Free(out[0]);
    BCRV_Free(out[1]);
}

TEST(NurbsUtilTest, EndTangentsMatchEvaluation)
{
    for (bool rational : {false, true})
        for (int k : {2, 3, 4}) {
            Curve c = Wavy(k, 8, rational);
            for (int end : {0, 1}) {
                double d[3], p[3], ep[3], ed[3];
                ASSERT_EQ(NRB_EndTangent(c.get(), d, p, end), 1);
                BCRV_Ev1Der(c.get(), end, ep, ed);
                const std::string label = "order " + std::to_string(k) + (rational ? " rational" : "") + " end " +
                                          std::to_string(end);
                EXPECT_LT(Dist(p, ep), 1e-12) << label;
                EXPECT_LT(Dist(d, ed), 1e-9 * (1.0 + std::hypot(ed[0], ed[1], ed[2]))) << label;
            }
        }
}

TEST(NurbsUtilTest, ClosureKindOfCircleSquareAndArc)
{
    Curve full = circle(2.0);
    EXPECT_EQ(NRB_ClosureKind(full.get(), 1e-6, 0.01), 0) << "full circle";
    Curve arc(BCRV_New());
    const double o[3] = {0, 0, 0};
    arc->GenArc(o, 1.0, 0.0, 3.0);
    EXPECT_EQ(NRB_ClosureKind(arc.get(), 1e-6, 0.01), 2) << "open arc";
    const double sq[5][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 0}};
    BCRV* square = nullptr;
    ASSERT_EQ(NRB_InterpolatePoints(5, 2, sq, &square), 1);
    EXPECT_EQ(NRB_ClosureKind(square, 1e-6, 0.01), 1) << "closed square";
    BCRV_Free(square);
}

TEST(NurbsUtilTest, PlaneOfCurve)
{
    Curve c = circle(3.0);
    const double axisP[3] = {0, 0, 0}, axis[3] = {1, 1, 0};
    c->Rotate(axisP, axis, 0.7);
    double p[3], n[3];
    ASSERT_EQ(NRB_PlaneOfCurve(p, c.get(), n, 1e-9), 1) << "rotated circle";
    // The plane's normal is the rotated z axis.
    const double s = std::sin(0.7) / std::sqrt(2.0);
    const double z[3] = {s, -s, std::cos(0.7)};
    EXPECT_NEAR(std::fabs(n[0] * z[0] + n[1] * z[1] + n[2] * z[2]), 1.0, 1e-12);
    for (int i = 0; i < 100; ++i) {
        double q[3];
        BCRV_EvPos(c.get(), i / 100.0, q);
        EXPECT_NEAR((q[0] - p[0]) * n[0] + (q[1] - p[1]) * n[1] + (q[2] - p[2]) * n[2], 0.0, 1e-12) << i;
    }
    Curve line(BCRV_New());
    const double a[3] = {0, 0, 0}, b[3] = {1, 2, 3};
    line->GenLine(a, b);
    ASSERT_EQ(NRB_PlaneOfCurve(p, line.get(), n, 1e-9), 1) << "straight";
    EXPECT_NEAR(n[0] + 2 * n[1] + 3 * n[2], 0.0, 1e-12);
    EXPECT_NEAR(std::hypot(n[0], n[1], n[2]), 1.0, 1e-12);
    Curve w = Wavy(4, 8, false);
    EXPECT_EQ(NRB_PlaneOfCurve(p, w.get(), n, 1e-3), 0) << "space curve";
}

TEST(NurbsUtilTest, SpanBasisMatrixMatchesCoxDeBoor)
{
    Curve c = Wavy(4, 12, false);
    std::mt19937 rng(2);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    for (int i = 0; i < 500; ++i) {
        const double t = u(rng);
        const int l = numerak::nurbs::FindSpan(c->n - 1, 3, t, c->U);
        double m[16], ref[4], powers[4] = {1, 0, 0, 0}, vals[4];
        NRB_SpanBasisMatrix(4, m, l, c->U);
        numerak::nurbs::BasisFuns(l, t, 3, c->U, ref);
        const double s = t - c->U[l];
        for (int d = 1; d < 4; ++d)
            powers[d] = powers[d - 1] * s;
        for (int j = 0; j < 4; ++j) {
            vals[j] = 0;
            for (int d = 0; d < 4; ++d)
                vals[j] += powers[d] * m[d * 4 + j];
            EXPECT_NEAR(vals[j], ref[j], 1e-12) << "t " << t << " function " << j;
        }
    }
}

TEST(NurbsUtilTest, InterpolationPassesThroughItsPoints)
{
    for (int k : {2, 3, 4})
        for (int n : {k, 7, 50, 100000}) {
            std::vector<std::array<double, 3>> pts(static_cast<std::size_t>(n));
            for (int i = 0; i < n; ++i) {
                const double a = 20.0 * i / n + 0.3 * std::sin(7.0 * i);
                pts[i] = {5 * std::cos(a), 5 * std::sin(a), 0.5 * a};
            }
            const auto* raw = reinterpret_cast<const double(*)[3]>(pts.data());
            BCRV* c = nullptr;
            const std::string label = "order " + std::to_string(k) + ", " + std::to_string(n) + " points";
            ASSERT_EQ(NRB_InterpolatePoints(n, k, raw, &c), 1) << label;
            std::vector<double> t(static_cast<std::size_t>(n));
            KNOT_CalAccumChord(n, raw, t.data());
            double worst = 0.0;
            for (int i = 0; i < n; ++i) {
                double p[3];
                BCRV_EvPos(c, t[i], p);
                worst = std::max(worst, Dist(p, pts[i].data()));
            }
            EXPECT_LT(worst, 1e-9) << label;
            BCRV_Free(c);
        }
}

TEST(NurbsUtilTest, InterpolationReproducesAStraightLineAndRejectsBadInput)
{
    const double pts[6][3] = {{0, 0, 0}, {0.1, 0.2, 0.3}, {1, 2, 3}, {1.5, 3, 4.5}, {4, 8, 12}, {4.2, 8.4, 12.6}};
    for (int k : {3, 4}) {
        BCRV* c = nullptr;
        ASSERT_EQ(NRB_InterpolatePoints(6, k, pts, &c), 1);
        for (int i = 0; i <= 200; ++i) {
            double p[3];
            BCRV_EvPos(c, i / 200.0, p);
            EXPECT_NEAR(p[1], 2 * p[0], 1e-12) << "order " << k << " sample " << i;
            EXPECT_NEAR(p[2], 3 * p[0], 1e-12) << "order " << k << " sample " << i;
            EXPECT_NEAR(p[0], 4.2 * i / 200.0, 1e-12) << "chord-length parameter is arc length";
        }
        BCRV_Free(c);
    }
    BCRV* c = reinterpret_cast<BCRV*>(&c);
    EXPECT_EQ(NRB_InterpolatePoints(6, 5, pts, &c), 0) << "order 5";
    EXPECT_EQ(NRB_InterpolatePoints(3, 4, pts, &c), 0) << "fewer points than the order";
    EXPECT_EQ(c, nullptr);
    const double dup[5][3] = {{0, 0, 0}, {1, 0, 0}, {1, 0, 0}, {2, 1, 0}, {3, 0, 0}};
    EXPECT_EQ(NRB_InterpolatePoints(5, 3, dup, &c), 0) << "coincident neighbours, order 3";
    EXPECT_EQ(NRB_InterpolatePoints(5, 4, dup, &c), 0) << "coincident neighbours, order 4";
    ASSERT_EQ(NRB_InterpolatePoints(5, 2, pts, &c), 1) << "polyline";
    EXPECT_NEAR(c->U[2], std::hypot(0.1, 0.2, 0.3) / std::hypot(4.0, 8.0, 12.0), 1e-15) << "knots follow chord lengths";
    BCRV_Free(c);
}

TEST(NurbsUtilTest, MakeCompatibleKeepsShapes)
{
    for (bool rational : {false, true}) {
        Curve a = Wavy(3, 7, rational), b = Wavy(4, 10, !rational);
        Curve a0(NRB_CopyCurve(a.get())), b0(NRB_CopyCurve(b.get()));
        ASSERT_EQ(NRB_MakeCompatible(a.get(), b.get()), 1);
        EXPECT_TRUE(NRB_SameKnots(a.get(), b.get()));
        EXPECT_EQ(a->k, 4);
        EXPECT_LT(MaxGap(a.get(), a0.get()), 1e-9) << "rational " << rational;
        EXPECT_LT(MaxGap(b.get(), b0.get()), 1e-9) << "rational " << rational;
    }
    Curve big = Wavy(4, 1025, false), small = Wavy(4, 8, false);
    EXPECT_EQ(NRB_MakeCompatible(big.get(), small.get()), 0) << "1025 control points";
}

TEST(NurbsUtilTest, KnotsInsertedAndRemovedGiveTheCurveBack)
{
    for (bool rational : {false, true})
        for (int k : {2, 3, 4, 5}) {
            Curve c = Wavy(k, 9, rational);
            Curve orig(NRB_CopyCurve(c.get()));
            const double extra[] = {0.13, 0.13, 0.4, 0.77, 0.91, 0.91};
            const int m = std::min<int>(6, 2 * (k - 1));
            ASSERT_EQ(BCRV_InsKnots(c.get(), m, extra), 1);
            const std::string label = "order " + std::to_string(k) + (rational ? " rational" : "");
            const int inserted = c->n - orig->n;
            ASSERT_GT(inserted, 0) << label;
            EXPECT_EQ(NRB_RemoveCurveKnots(c.get(), 1e-9), inserted) << label;
            ASSERT_EQ(c->n, orig->n) << label;
            EXPECT_TRUE(NRB_SameKnots(c.get(), orig.get())) << label;
            for (int i = 0; i < c->n; ++i)
                for (int j = 0; j < 4; ++j)
                    EXPECT_NEAR(c->P[i][j], orig->P[i][j], 1e-9) << label << " point " << i;
            EXPECT_LT(MaxGap(c.get(), orig.get()), 1e-9) << label;
        }
    Curve bare(BCRV_New());
    const double a[3] = {0, 0, 0}, b[3] = {1, 0, 0};
    bare->GenLine(a, b);
    EXPECT_EQ(NRB_RemoveCurveKnots(bare.get(), 1e-9), 0) << "no interior knots";
    Curve w = Wavy(4, 9, false);
    Curve w0(NRB_CopyCurve(w.get()));
    EXPECT_EQ(NRB_RemoveCurveKnots(w.get(), 1e-12), 0) << "nothing removable";
    EXPECT_EQ(MaxGap(w.get(), w0.get()), 0.0) << "unchanged";
}

TEST(NurbsUtilTest, RuledSurfaceHoldsItsCurvesAsIsoLines)
{
    Curve a = Wavy(3, 6, true), b = circle(2.0);
    _nurbs_surface* raw = nullptr;
    ASSERT_EQ(NRB_RuledSurface(a.get(), b.get(), &raw), 1);
    Surface s(raw);
    for (int i = 0; i <= 400; ++i) {
        const double u = i / 400.0;
        double pa[3], pb[3], sa[3], sb[3], sm[3];
        BCRV_EvPos(a.get(), u, pa);
        BCRV_EvPos(b.get(), u, pb);
        BSRF_EvPos(s.get(), u, 0.0, sa);
        BSRF_EvPos(s.get(), u, 1.0, sb);
        EXPECT_LT(Dist(pa, sa), 1e-9) << u;
        EXPECT_LT(Dist(pb, sb), 1e-9) << u;
        BSRF_EvPos(s.get(), u, 0.5, sm);
        // Across, a rational ruled surface is straight between the curves.
        double cr[3];
        const double e[3] = {sb[0] - sa[0], sb[1] - sa[1], sb[2] - sa[2]}, f[3] = {sm[0] - sa[0], sm[1] - sa[1], sm[2] - sa[2]};
        V3D_Cross(e, f, cr);
        EXPECT_LT(std::hypot(cr[0], cr[1], cr[2]), 1e-9 * (1 + std::hypot(e[0], e[1], e[2]))) << u;
    }
    EXPECT_EQ(NRB_RuledSurface(nullptr, b.get(), &raw), 0);
}

TEST(NurbsUtilTest, PointCurve)
{
    const double p[3] = {1, 2, 3};
    BCRV* c = nullptr;
    ASSERT_EQ(NRB_NewPointCurve(p, &c), 1);
    EXPECT_EQ(c->k, 2);
    EXPECT_EQ(c->n, 2);
    double q[3];
    BCRV_EvPos(c, 0.5, q);
    EXPECT_EQ(Dist(p, q), 0.0);
    BCRV_Free(c);
}

} // namespace

namespace {

// Circles about the z axis at heights z, radius growing linearly with z.
std::vector<Curve> coneSections(const std::vector<double>& heights, double r0, double slope)
{
    std::vector<Curve> out;
    for (double z : heights) {
        Curve c(BCRV_New());
        const double o[3] = {0, 0, z};
        c->GenCircle(o, r0 + slope * z);
        out.push_back(std::move(c));
    }
    return out;
}

TEST(NurbsUtilTest, LoftOfLinearlyGrowingCirclesIsACone)
{
    const double r0 = 1.0, slope = 0.4;
    auto sections = coneSections({0.0, 0.7, 1.1, 2.5, 3.0, 4.2}, r0, slope);
    std::vector<BCRV*> raw;
    for (auto& c : sections)
        raw.push_back(c.get());
    // One section runs the other way; the loft must orient it.
    raw[2]->Reverse();
    for (int vOrder : {3, 4, 7}) {
        _nurbs_surface* s = nullptr;
        ASSERT_EQ(NRB_LoftSurface(raw.data(), static_cast<int>(raw.size()), vOrder, 1e-10, &s), 1) << vOrder;
        Surface keep(s);
        EXPECT_EQ(s->kv, vOrder == 3 ? 3 : 4);
        double worst = 0.0;
        for (int i = 0; i <= 100; ++i)
            for (int j = 0; j <= 100; ++j) {
                double p[3];
                ASSERT_EQ(BSRF_EvPos(s, i / 100.0, j / 100.0, p), 1);
                worst = std::max(worst, std::fabs(std::hypot(p[0], p[1]) - (r0 + slope * p[2])));
            }
        EXPECT_LT(worst, 1e-10) << "v order " << vOrder;
        // The first and last sections are iso-lines at v = 0 and v = 1.
        for (int i = 0; i <= 50; ++i) {
            double p[3], q[3];
            BSRF_EvPos(s, i / 50.0, 0.0, p);
            BCRV_EvPos(raw[0], i / 50.0, q);
            EXPECT_LT(Dist(p, q), 1e-10) << i;
        }
    }
}

// Five wavy curves of orders 3 and 4, every other one rational, stacked 4 apart in z.
std::vector<Curve> StackedWavySections()
{
    std::vector<Curve> sections;
    for (int j = 0; j < 5; ++j) {
        Curve c = Wavy(3 + j % 2, 7 + j, j % 2 == 1);
        const double shift[3] = {0.0, 0.0, 4.0 * j};
        c->Move(shift);
        sections.push_back(std::move(c));
    }
    return sections;
}

TEST(NurbsUtilTest, LoftOfOrientedCurvesIsTheEditorsSkin)
{
    // Curves already running one way: the kernel's loft and the editor's skin
    // are one code and give the same record, value for value.
    const std::vector<Curve> sections = StackedWavySections();
    std::vector<BCRV*> raw;
    for (const auto& c : sections)
        raw.push_back(c.get());
    for (int vOrder : {3, 4}) {
        _nurbs_surface* a = nullptr;
        ASSERT_EQ(NRB_LoftSurface(raw.data(), 5, vOrder, 1e-10, &a), 1);
        Surface loft(a);
        Surface skin(CNurbsEditor::SkinV(raw.data(), 5, vOrder, 1e-10));
        ASSERT_NE(skin, nullptr);
        ASSERT_EQ(loft->ku, skin->ku);
        ASSERT_EQ(loft->kv, skin->kv);
        ASSERT_EQ(loft->nu, skin->nu);
        ASSERT_EQ(loft->nv, skin->nv);
        for (int i = 0; i < loft->nu + loft->ku; ++i)
            EXPECT_EQ(loft->U[i], skin->U[i]) << i;
        for (int j = 0; j < loft->nv + loft->kv; ++j)
            EXPECT_EQ(loft->V[j], skin->V[j]) << j;
        for (int i = 0; i < loft->nu; ++i)
            for (int j = 0; j < loft->nv; ++j)
                for (int c = 0; c < 4; ++c)
                    EXPECT_EQ(loft->P[i][j][c], skin->P[i][j][c]) << i << " " << j;
    }
    EXPECT_EQ(CNurbsEditor::SkinV(raw.data(), 1, 4), nullptr) << "one curve";
    EXPECT_EQ(CNurbsEditor::SkinV(raw.data(), 5, 1), nullptr) << "order 1";
    BCRV* withNull[2] = {raw[0], nullptr};
    EXPECT_EQ(CNurbsEditor::SkinV(withNull, 2, 4), nullptr) << "null curve";
}

TEST(NurbsUtilTest, LoftHoldsEveryCurveAsAnIsoLine)
{
    const std::vector<Curve> sections = StackedWavySections();
    std::vector<BCRV*> raw;
    for (const auto& c : sections)
        raw.push_back(c.get());
    _nurbs_surface* s = nullptr;
    ASSERT_EQ(NRB_LoftSurface(raw.data(), 5, 4, 1e-10, &s), 1);
    Surface keep(s);
    // Each curve is the iso-line at some v: find it by the first point and
    // compare the whole line.
    for (int j = 0; j < 5; ++j) {
        double best = 1e300, bestV = 0;
        double q0[3];
        BCRV_EvPos(raw[j], 0.3, q0);
        for (int k = 0; k <= 20000; ++k) {
            double p[3];
            BSRF_EvPos(s, 0.3, k / 20000.0, p);
            if (Dist(p, q0) < best) {
                best = Dist(p, q0);
                bestV = k / 20000.0;
            }
        }
        ASSERT_LT(best, 0.05) << "curve " << j;
        // Refine v by bisection on the distance along the line u = 0.3.
        double lo = std::max(0.0, bestV - 1e-4), hi = std::min(1.0, bestV + 1e-4);
        for (int it = 0; it < 60; ++it) {
            const double m1 = lo + (hi - lo) / 3, m2 = hi - (hi - lo) / 3;
            double p1[3], p2[3];
            BSRF_EvPos(s, 0.3, m1, p1);
            BSRF_EvPos(s, 0.3, m2, p2);
            (Dist(p1, q0) < Dist(p2, q0) ? hi : lo) = Dist(p1, q0) < Dist(p2, q0) ? m2 : m1;
        }
        const double v = 0.5 * (lo + hi);
        double worst = 0.0;
        for (int i = 0; i <= 200; ++i) {
            double p[3], q[3];
            BSRF_EvPos(s, i / 200.0, v, p);
            BCRV_EvPos(raw[j], i / 200.0, q);
            worst = std::max(worst, Dist(p, q));
        }
        EXPECT_LT(worst, 1e-8) << "curve " << j;
    }
    EXPECT_EQ(NRB_LoftSurface(raw.data(), 1, 4, 1e-10, &s), 0) << "one curve";
}

} // namespace

namespace {

struct SurfaceCase {
    const char* label;
    std::vector<double> extra;
    bool rational;
};

TEST(NurbsUtilTest, SurfaceKnotRemovalGivesTheSurfaceBack)
{
    const SurfaceCase cases[] = {
        {"three removals", {0.31, 0.6, 0.6}, false},
        {"seven removals, rational", {0.13, 0.13, 0.4, 0.55, 0.77, 0.91, 0.91}, true},
        {"six removals", {0.2, 0.3, 0.45, 0.5, 0.65, 0.8}, false},
    };
    for (const auto& c : cases) {
        Curve a = Wavy(4, 9, c.rational), b = Wavy(4, 9, false);
        const double lift[3] = {0.5, -1.0, 6.0};
        b->Move(lift);
        _nurbs_surface* raw = nullptr;
        ASSERT_EQ(NRB_RuledSurface(a.get(), b.get(), &raw), 1) << c.label;
        Surface plain(raw);
        ASSERT_EQ(BCRV_InsKnots(a.get(), static_cast<int>(c.extra.size()), c.extra.data()), 1) << c.label;
        ASSERT_EQ(BCRV_InsKnots(b.get(), static_cast<int>(c.extra.size()), c.extra.data()), 1) << c.label;
        ASSERT_EQ(NRB_RuledSurface(a.get(), b.get(), &raw), 1) << c.label;
        Surface dense(raw);
        const double* knotsBefore = dense->U;
        auto rowsBefore = dense->P;
        const int removed = NRB_RemoveSurfaceKnots(dense.get(), 1e-9);
        EXPECT_EQ(removed, static_cast<int>(c.extra.size())) << c.label;
        ASSERT_EQ(dense->nu, plain->nu) << c.label;
        if (removed < 6) {
            EXPECT_EQ(dense->U, knotsBefore) << c.label << ": knots kept";
            EXPECT_EQ(dense->P, rowsBefore) << c.label << ": rows kept";
        }
        for (int i = 0; i < plain->nu + plain->ku; ++i)
            EXPECT_NEAR(dense->U[i], plain->U[i], 1e-12) << c.label << " knot " << i;
        double worst = 0.0;
        for (int i = 0; i <= 60; ++i)
            for (int j = 0; j <= 6; ++j) {
                double p[3], q[3];
                BSRF_EvPos(dense.get(), i / 60.0, j / 6.0, p);
                BSRF_EvPos(plain.get(), i / 60.0, j / 6.0, q);
                worst = std::max(worst, Dist(p, q));
            }
        EXPECT_LT(worst, 1e-9) << c.label;
        EXPECT_EQ(NRB_RemoveSurfaceKnots(plain.get(), 1e-12), 0) << c.label << ": nothing removable";
    }
}

} // namespace
