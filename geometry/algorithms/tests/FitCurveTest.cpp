// Least-squares Bezier fitting. The oracle is the distance of every input point
// from the fitted spline, found by dense sampling of the spline's own nodes;
// lib2geom's fitter of the same method gives the piece counts to stay near.
#include "geometry/algorithms/FitCurve.h"
#include "geometry/algorithms/tests/SplineOracle.h"

#include "framework/numerak/Bcrv.h"
#include "geometry/shapes2d/GeBezier.h"
#include "geometry/shapes3d/GeCombCurve3d.h"
#include "geometry/shapes3d/GeNrbCrv3d.h"
#include "geometry/shapes3d/tests/CurveSampling.h"
#include "testing/GlyphOutlines.h"

#include <2geom/bezier-utils.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <numbers>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

using splinetest::Cubic;
using splinetest::Pt;

std::vector<Cubic> Cubics(const CGeBezier& bez)
{
    std::vector<Cubic> out;
    const CBezierNode* v = bez.GetNodes();
    for (unsigned i = 0; i + 3 < bez.GetNodeCount(); i += 3)
        out.push_back({Pt{v[i].x, v[i].y}, Pt{v[i + 1].x, v[i + 1].y}, Pt{v[i + 2].x, v[i + 2].y},
                       Pt{v[i + 3].x, v[i + 3].y}});
    return out;
}

double WorstDistance(const CGeBezier& bez, const std::vector<Pt>& pts)
{
    const std::vector<Cubic> cubics = Cubics(bez);
    double worst = 0;
    for (const Pt& p : pts) worst = std::max(worst, splinetest::DistToCubics(cubics, p));
    return worst;
}

std::unique_ptr<CGeBezier> Fit(std::vector<Pt>& pts, double tol)
{
    return std::unique_ptr<CGeBezier>(
        geFitCurve(reinterpret_cast<double(*)[2]>(pts.data()), static_cast<int>(pts.size()), tol));
}

bool Finite(const CGeBezier& bez)
{
    for (unsigned i = 0; i < bez.GetNodeCount(); ++i)
        if (!std::isfinite(bez.GetNodes()[i].x) || !std::isfinite(bez.GetNodes()[i].y)) return false;
    return true;
}

std::vector<Pt> Arc(int n, double r, double sweep)
{
    std::vector<Pt> pts;
    for (int i = 0; i < n; ++i) {
        const double a = sweep * i / (n - 1);
        pts.push_back({r * std::cos(a), r * std::sin(a)});
    }
    return pts;
}

TEST(FitCurveTest, BadInputGivesNull)
{
    double two[2][2] = {{0, 0}, {1, 1}};
    double same[4][2] = {{2, 3}, {2, 3}, {2 + 1e-7, 3}, {2, 3}};
    double nan[3][2] = {{0, 0}, {std::numeric_limits<double>::quiet_NaN(), 1}, {2, 0}};
    double inf[3][2] = {{0, 0}, {1, 1}, {std::numeric_limits<double>::infinity(), 0}};
    struct Row {
        const char* label;
        double (*pts)[2];
        int n;
    } rows[] = {
        {"null points", nullptr, 5}, {"one point", two, 1},  {"no points", two, 0}, {"negative count", two, -3},
        {"all points equal", same, 4}, {"NaN coordinate", nan, 3}, {"infinite coordinate", inf, 3},
    };
    for (const Row& r : rows) EXPECT_EQ(geFitCurve(r.pts, r.n, 0.01), nullptr) << r.label;
}

TEST(FitCurveTest, TwoPointsGiveOneStraightCubicWithThirdHandles)
{
    double pts[2][2] = {{1, 2}, {7, 10}};
    std::unique_ptr<CGeBezier> bez(geFitCurve(pts, 2, 0.01));
    ASSERT_NE(bez, nullptr);
    ASSERT_EQ(bez->GetNodeCount(), 4u);
    const double want[4][2] = {{1, 2}, {3, 14.0 / 3}, {5, 22.0 / 3}, {7, 10}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(bez->GetNodes()[i].x, want[i][0], 1e-12) << "node " << i;
        EXPECT_NEAR(bez->GetNodes()[i].y, want[i][1], 1e-12) << "node " << i;
    }
}

// Every input point within sqrt(tol) of the spline; 3k + 1 nodes running from
// the first point to the last, whose inner main nodes are input points.
TEST(FitCurveTest, FitsHoldTheirBoundAndSplitAtInputPoints)
{
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> noise(-0.02, 0.02);
    std::vector<Pt> noisy = Arc(300, 10, 1.5 * std::numbers::pi);
    for (Pt& p : noisy) p = {p[0] + noise(rng), p[1] + noise(rng)};
    std::vector<Pt> wave;
    for (int i = 0; i < 400; ++i) wave.push_back({i * 0.05, std::sin(i * 0.05) * 3 + (i > 200 ? 2.0 : 0.0)});
    std::vector<Pt> zigzag;
    for (int i = 0; i < 60; ++i) zigzag.push_back({i * 1.0, (i % 2) * 1.0});
    struct Row {
        const char* label;
        std::vector<Pt> pts;
        double tol;
        int minCubics;
    } rows[] = {
        {"quarter circle, loose", Arc(50, 10, std::numbers::pi / 2), 0.01, 1},
        {"three-quarter circle, 0.0001 means 0.01", Arc(200, 10, 1.5 * std::numbers::pi), 0.0001, 2},
        {"noisy arc", noisy, 0.0009, 2},
        {"wave with a step", wave, 0.0025, 3},
        {"zigzag", zigzag, 0.01, 20},
        {"tolerance above 1 (reparameterised)", Arc(100, 100, std::numbers::pi), 4.0, 1},
    };
    for (Row& r : rows) {
        std::unique_ptr<CGeBezier> bez = Fit(r.pts, r.tol);
        ASSERT_NE(bez, nullptr) << r.label;
        const unsigned K = bez->GetNodeCount();
        ASSERT_EQ(K % 3, 1u) << r.label;
        const int k = static_cast<int>(K / 3);
        EXPECT_GE(k, r.minCubics) << r.label;
        const CBezierNode* v = bez->GetNodes();
        EXPECT_EQ(v[0].x, r.pts.front()[0]) << r.label;
        EXPECT_EQ(v[0].y, r.pts.front()[1]) << r.label;
        EXPECT_EQ(v[K - 1].x, r.pts.back()[0]) << r.label;
        EXPECT_EQ(v[K - 1].y, r.pts.back()[1]) << r.label;
        // Inner main nodes are input points, in input order.
        std::size_t from = 1;
        for (int j = 1; j < k; ++j) {
            const Pt node{v[3 * j].x, v[3 * j].y};
            std::size_t i = from;
            while (i + 1 < r.pts.size() && r.pts[i] != node) ++i;
            EXPECT_EQ(r.pts[i], node) << r.label << ", main node " << j << " is no input point after the last";
            from = i + 1;
        }
        EXPECT_LT(WorstDistance(*bez, r.pts), std::sqrt(r.tol) + 1e-9) << r.label;
    }
}

// Chord lengths 1, 2, 1 give the exact parameters 1/4 and 3/4, so both inner
// points miss by exactly the same amount: the later one is the split.
TEST(FitCurveTest, EqualErrorsSplitAtTheLaterPoint)
{
    double pts[4][2] = {{0, 0}, {0, 1}, {2, 1}, {2, 0}};
    std::unique_ptr<CGeBezier> bez(geFitCurve(pts, 4, 1e-6));
    ASSERT_NE(bez, nullptr);
    // The three points 0..2 fit one cubic exactly; 2..3 is the straight end.
    ASSERT_EQ(bez->GetNodeCount(), 7u);
    EXPECT_EQ(bez->GetNodes()[3].x, 2.0);
    EXPECT_EQ(bez->GetNodes()[3].y, 1.0);
}

// Coincident points, hairpins and stretches that make the normal equations
// singular still give finite splines within the bound.
TEST(FitCurveTest, DegenerateInputGivesFiniteSplines)
{
    struct Row {
        const char* label;
        std::vector<Pt> pts;
        double tol;
        std::size_t cubics;  // 0: not checked
    } rows[] = {
        {"repeated points", {{0, 0}, {0, 0}, {1, 1}, {1, 1}, {1, 1}, {2, 0}, {3, 1}, {3, 1}}, 1e-4, 0},
        {"repeated last point", {{0, 0}, {1, 2}, {2, 0}, {2, 0}}, 1e-4, 0},
        {"two distinct points among repeats", {{5, 5}, {5, 5}, {6, 5}, {6, 5}, {6, 5 + 1e-8}}, 1e-4, 1},
        {"hairpin", {{0, 0}, {1, 0}, {2, 0}, {1, 0}, {0, 0}}, 1e-4, 0},
        {"hairpin with a tail", {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {2, 0}, {1, 0}, {1, -1}}, 1e-4, 0},
        {"collinear points", {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}}, 1e-4, 0},
        {"doubling back in place", {{0, 0}, {1, 0}, {0, 0}, {1, 0}, {0, 0}}, 1e-4, 0},
    };
    for (Row& r : rows) {
        std::unique_ptr<CGeBezier> bez = Fit(r.pts, r.tol);
        ASSERT_NE(bez, nullptr) << r.label;
        EXPECT_TRUE(Finite(*bez)) << r.label;
        if (r.cubics) {
            EXPECT_EQ(bez->GetNodeCount(), 3 * r.cubics + 1) << r.label;
        }
        EXPECT_LT(WorstDistance(*bez, r.pts), std::sqrt(r.tol) + 1e-6) << r.label;
    }
}

// Splitting a million points down to single chords (a zero tolerance admits
// no cubic of three points or more) must neither overflow the stack nor lose a point.
TEST(FitCurveTest, MillionPointsSplitDownToChords)
{
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> step(-1, 1);
    std::vector<Pt> pts(1000000);
    Pt p{0, 0};
    for (Pt& q : pts) {
        p = {p[0] + 1 + step(rng), p[1] + step(rng)};
        q = p;
    }
    std::unique_ptr<CGeBezier> bez = Fit(pts, 0.0);
    ASSERT_NE(bez, nullptr);
    EXPECT_TRUE(Finite(*bez));
    ASSERT_EQ(bez->GetNodeCount(), 3 * (pts.size() - 1) + 1);
    for (std::size_t i = 0; i < pts.size(); i += 9973)
        EXPECT_EQ((Pt{bez->GetNodes()[3 * i].x, bez->GetNodes()[3 * i].y}), pts[i]) << "point " << i;
}

// Calls on several threads give what one thread gives.
TEST(FitCurveTest, ConcurrentCallsAgree)
{
    std::vector<Pt> base = Arc(500, 20, 2 * std::numbers::pi - 0.3);
    std::unique_ptr<CGeBezier> want = Fit(base, 1e-4);
    ASSERT_NE(want, nullptr);
    std::vector<std::unique_ptr<CGeBezier>> got(4);
    std::vector<std::thread> threads;
    for (std::size_t t = 0; t < got.size(); ++t)
        threads.emplace_back([&, t] {
            std::vector<Pt> pts = base;
            for (int round = 0; round < 20; ++round) got[t] = Fit(pts, 1e-4);
        });
    for (std::thread& t : threads) t.join();
    for (std::size_t t = 0; t < got.size(); ++t) {
        ASSERT_NE(got[t], nullptr) << "thread " << t;
        ASSERT_EQ(got[t]->GetNodeCount(), want->GetNodeCount()) << "thread " << t;
        for (unsigned i = 0; i < want->GetNodeCount(); ++i) {
            EXPECT_EQ(got[t]->GetNodes()[i].x, want->GetNodes()[i].x) << "thread " << t << ", node " << i;
            EXPECT_EQ(got[t]->GetNodes()[i].y, want->GetNodes()[i].y) << "thread " << t << ", node " << i;
        }
    }
}

struct PieceCounts {
    int ours = 0, lib2geom = 0;
};

// Fits noisy dense samples of the glyphs' contours (font units x scale) at a
// squared error of 16 noise amplitudes squared, with both fitters.
PieceCounts FitGlyphContours(glyphs::GlyphReader& font, double scale, std::mt19937& rng)
{
    std::uniform_real_distribution<double> noise(-scale, scale);
    const double tol = 16 * scale * scale;
    PieceCounts total;
    for (unsigned long code : {'g', '8', '&', 'S', '@'}) {
        std::vector<glyphs::Contour> contours;
        EXPECT_TRUE(font.Char(code, scale, contours)) << code;
        for (std::size_t c = 0; c < contours.size(); ++c) {
            const std::string label = std::string(1, static_cast<char>(code)) + ", contour " + std::to_string(c) +
                                      ", tol " + std::to_string(tol);
            std::vector<Pt> pts;
            for (const glyphs::Pt& q : glyphs::Sample(contours[c], 40))
                pts.push_back({q[0] + noise(rng), q[1] + noise(rng)});
            std::unique_ptr<CGeBezier> bez = Fit(pts, tol);
            if (!bez) {
                ADD_FAILURE() << label << ": no fit";
                continue;
            }
            EXPECT_LT(WorstDistance(*bez, pts), std::sqrt(tol) + 1e-9) << label;
            const int k = static_cast<int>(bez->GetNodeCount() / 3);

            std::vector<Geom::Point> data;
            for (const Pt& q : pts) data.emplace_back(q[0], q[1]);
            std::vector<Geom::Point> out(4 * data.size());
            const int peer = Geom::bezier_fit_cubic_r(out.data(), data.data(), static_cast<int>(data.size()), tol,
                                                      static_cast<unsigned>(data.size()));
            EXPECT_GT(peer, 0) << label;
            EXPECT_LE(k, 2 * peer + 1) << label << ": ours " << k << ", lib2geom " << peer;
            total.ours += k;
            total.lib2geom += peer;
        }
    }
    return total;
}

// Noisy dense samples of real glyph contours: the bound holds, and the piece
// count stays near lib2geom's fitter at the same (squared) error. Below a
// tolerance of 1 the fit does not reparameterise (lib2geom does, up to three
// times its error), so it needs more pieces there.
TEST(FitCurveTest, NoisyGlyphContoursBesideLib2geom)
{
    glyphs::GlyphReader font;
    ASSERT_TRUE(font.Ok()) << glyphs::kDejaVuSans;
    std::mt19937 rng(3);
    // Glyphs about 100 and 1000 units tall: tolerances 0.04 and 4.
    struct Row {
        double scale;
        double maxRatio;  // of the total piece counts
    } rows[] = {{0.05, 2.0}, {0.5, 1.25}};
    for (const Row& r : rows) {
        const PieceCounts n = FitGlyphContours(font, r.scale, rng);
        EXPECT_LE(n.ours, r.maxRatio * n.lib2geom)
            << "scale " << r.scale << ": ours " << n.ours << ", lib2geom " << n.lib2geom;
    }
}

// The NURBS records of a fitted 3D curve, one per member.
std::vector<const BCRV*> Records(CGeCurve3d* curve)
{
    std::vector<const BCRV*> out;
    if (auto* nrb = dynamic_cast<CGeNrbCrv3d*>(curve)) out.push_back(nrb->GetCurve());
    if (auto* comb = dynamic_cast<CGeCombCurve3d*>(curve))
        for (int k = 1; k <= comb->m_listCurve.GetCount(); ++k)
            if (auto* m = dynamic_cast<CGeNrbCrv3d*>(comb->GetSubCurve(k))) out.push_back(m->GetCurve());
    return out;
}

// A helix: one curve at a loose tolerance; at a tight one the runs are cut
// where the points leave the line through the last two, giving a composite.
TEST(FitCurve3dTest, SampledHelixWithinTolerance)
{
    std::vector<std::array<double, 3>> pts;
    for (int i = 0; i < 200; ++i) {
        const double t = 4 * std::numbers::pi * i / 199;
        pts.push_back({10 * std::cos(t), 10 * std::sin(t), 2 * t});
    }
    for (double tol : {0.1, 0.01}) {
        std::unique_ptr<CGeCurve3d> curve(geFitCurve3d(reinterpret_cast<double(*)[3]>(pts.data()),
                                                       static_cast<int>(pts.size()), tol, 2.617993877991));
        ASSERT_NE(curve, nullptr) << tol;
        const std::vector<const BCRV*> records = Records(curve.get());
        if (tol == 0.1) {
            EXPECT_NE(dynamic_cast<CGeNrbCrv3d*>(curve.get()), nullptr) << tol;
        } else {
            auto* comb = dynamic_cast<CGeCombCurve3d*>(curve.get());
            ASSERT_NE(comb, nullptr) << tol;
            EXPECT_EQ(static_cast<std::size_t>(comb->m_listCurve.GetCount()), records.size()) << tol;
        }
        ASSERT_FALSE(records.empty()) << tol;
        double worst = 0;
        for (auto& p : pts) {
            double best = std::numeric_limits<double>::infinity();
            for (const BCRV* c : records) best = std::min(best, shapes3d_test::DistToCurve(c, p.data(), 500));
            worst = std::max(worst, best);
        }
        EXPECT_LT(worst, tol) << tol;
    }
}

TEST(FitCurve3dTest, CornerGivesACompositeOfTwoNurbsCurves)
{
    std::vector<std::array<double, 3>> pts;
    for (int i = 0; i <= 10; ++i) pts.push_back({i * 1.0, 0.1 * std::sin(i * 0.3), 0});
    for (int i = 1; i <= 10; ++i) pts.push_back({10, 0.1 * std::sin(3.0), i * 1.0});
    std::unique_ptr<CGeCurve3d> curve(
        geFitCurve3d(reinterpret_cast<double(*)[3]>(pts.data()), static_cast<int>(pts.size()), 0.01, 2.617993877991));
    auto* comb = dynamic_cast<CGeCombCurve3d*>(curve.get());
    ASSERT_NE(comb, nullptr);
    ASSERT_EQ(comb->m_listCurve.GetCount(), 2);
    for (int k = 1; k <= 2; ++k) EXPECT_NE(dynamic_cast<CGeNrbCrv3d*>(comb->GetSubCurve(k)), nullptr) << "member " << k;
    double s[3], e[3];
    comb->GetStartPoint(s);
    comb->GetEndPoint(e);
    EXPECT_NEAR(s[0], 0, 1e-6);
    EXPECT_NEAR(e[2], 10, 1e-6);
}

TEST(FitCurve3dTest, NothingFittedGivesNull)
{
    double one[1][3] = {{1, 2, 3}};
    EXPECT_EQ(geFitCurve3d(nullptr, 5, 0.01, 2.6), nullptr);
    EXPECT_EQ(geFitCurve3d(one, 1, 0.01, 2.6), nullptr);
}

}  // namespace
