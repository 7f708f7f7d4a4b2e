// Nearest points of every curve kind against a brute-force oracle: dense
// sampling of the curve's own positions, closed in on by golden-section
// search, independent of the derivatives the searches under test use.
#include "geometry/shapes2d/GeArc.h"
#include "geometry/shapes2d/GeBezier.h"
#include "geometry/shapes2d/GeCircle.h"
#include "geometry/shapes2d/GeCombCurve.h"
#include "geometry/shapes2d/GeEllipse.h"
#include "geometry/shapes2d/GeOffsetCrv.h"
#include "geometry/shapes2d/GePoint.h"
#include "geometry/shapes2d/tests/LoopTestUtil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <numbers>
#include <random>
#include <string>

namespace {

using namespace looptest;
constexpr double kPi = std::numbers::pi;

// Smallest distance from p to the positions eval(s), s in [0, 1].
double OracleDistance(const double* p, const std::function<void(double, double*)>& eval)
{
    auto dist = [&](double s) {
        double c[2];
        eval(s, c);
        return std::hypot(c[0] - p[0], c[1] - p[1]);
    };
    constexpr int n = 4000;
    int best = 0;
    double bestDist = dist(0.0);
    for (int i = 1; i <= n; ++i) {
        const double d = dist(static_cast<double>(i) / n);
        if (d < bestDist) {
            bestDist = d;
            best = i;
        }
    }
    double lo = std::max(0, best - 1) / double(n), hi = std::min(n, best + 1) / double(n);
    const double g = 0.5 * (std::sqrt(5.0) - 1.0);
    for (int round = 0; round < 200 && hi - lo > 1e-15; ++round) {
        const double a = hi - g * (hi - lo), b = lo + g * (hi - lo);
        if (dist(a) < dist(b))
            hi = b;
        else
            lo = a;
    }
    return std::min(bestDist, dist(0.5 * (lo + hi)));
}

// Oracle over every segment of a simple curve (or every member of a composite).
double OracleDistance(CGeCurve* c, const double* p)
{
    if (c->GetType() == 0x80) {
        auto* comb = static_cast<CGeCombCurve*>(c);
        double best = 1e300;
        for (int k = 1; k <= comb->GetSegmentCount(); ++k) best = std::min(best, OracleDistance(comb->GetSubCurve(k), p));
        return best;
    }
    double best = 1e300;
    for (int k = 1; k <= std::max(1, c->GetSegmentCount()); ++k)
        best = std::min(best, OracleDistance(p, [&](double s, double* q) { c->EvPos(s, q, static_cast<unsigned>(k)); }));
    return best;
}

struct Kind {
    std::string label;
    std::shared_ptr<CGeCurve> curve;
    std::shared_ptr<CGeCurve> keep;  // base of an offset curve
};

std::vector<Kind> EveryKind()
{
    std::vector<Kind> kinds;
    auto add = [&](const char* label, CGeCurve* c, std::shared_ptr<CGeCurve> keep = nullptr) {
        kinds.push_back({label, std::shared_ptr<CGeCurve>(c), keep});
    };
    add("line", Line({-3, 1}, {7, 4}));
    add("arc ccw", Arc({1, 1}, 6, 0.3, 2.8));
    add("arc cw", Arc({1, 1}, 6, 2.0, -1.5));
    const double c[2] = {0.5, -1};
    add("circle", new CGeCircle(c, 4.0, 1));
    add("circle cw", new CGeCircle(c, 4.0, 0));
    add("ellipse", new CGeEllipse(c, 7.0, 3.0, 0.4, 1));
    double nodes[7][2] = {{0, 0}, {3, 6}, {6, -4}, {9, 2}, {12, 8}, {14, -3}, {10, -6}};
    auto* bez = new CGeBezier;
    bez->CreateEx(7, nodes);
    add("bezier", bez);
    double loopNodes[4][2] = {{0, 0}, {10, 10}, {-10, 10}, {1, 0.5}};  // crosses itself
    auto* loopBez = new CGeBezier;
    loopBez->CreateEx(4, loopNodes);
    add("self-crossing bezier", loopBez);
    add("polyline", Poly({{0, 0}, {4, 1}, {5, 5}, {1, 6}, {2, 2}}));
    auto* comb = new CGeCombCurve;
    comb->AddTail(Line({-5, 0}, {0, 0}), 0);
    comb->AddTail(Arc({0, 3}, 3, -kPi / 2, kPi / 2), 0);
    comb->AddTail(Poly({{0, 6}, {-4, 6}, {-4, 3}}), 1);
    add("composite", comb);
    std::shared_ptr<CGeCurve> arcBase(Arc({0, 0}, 500, 0.0, kPi / 2));
    auto* offArc = new CGeOffsetCrv;
    offArc->Create(arcBase.get(), 1.0);
    add("offset of an R500 quarter arc", offArc, arcBase);
    std::shared_ptr<CGeCurve> bezBase(static_cast<CGeBezier*>(bez->Copy()));
    auto* offBez = new CGeOffsetCrv;
    offBez->Create(bezBase.get(), -0.5);
    add("offset of a bezier", offBez, bezBase);
    return kinds;
}

TEST(NearestPointTest, EveryCurveKindMatchesBruteForce)
{
    std::mt19937 rng(7);
    for (const Kind& kind : EveryKind()) {
        CGeCurve* c = kind.curve.get();
        BOX2<double> box;
        box.InitEmpty();
        for (int k = 1; k <= std::max(1, c->GetSegmentCount()); ++k)
            for (int i = 0; i <= 50; ++i) {
                double q[2];
                if (c->GetType() == 0x80)
                    static_cast<CGeCombCurve*>(c)->GetSubCurve(k)->EvPos(i / 50.0, q, 1);
                else
                    c->EvPos(i / 50.0, q, static_cast<unsigned>(k));
                box.Extend(q);
            }
        const double margin = 0.3 * std::max(box.Dx(), box.Dy());
        std::uniform_real_distribution<double> ux(box.xmin - margin, box.xmax + margin),
            uy(box.ymin - margin, box.ymax + margin);
        // The offset curve searches the segment it is given; the others all of theirs.
        const int segs = c->GetType() == 0x200 ? c->GetSegmentCount() : 1;
        for (int trial = 0; trial < 60; ++trial) {
            const double p[2] = {ux(rng), uy(rng)};
            const std::string label = kind.label + " from (" + std::to_string(p[0]) + ", " + std::to_string(p[1]) + ")";
            double best = 1e300, bestOracle = 1e300;
            for (int k = 1; k <= segs; ++k) {
                double out[2], t = 0.0, dist = 1e7;
                unsigned seg = static_cast<unsigned>(k);
                const int r = c->GetNearestPoint(const_cast<double*>(p), out, t, seg, dist);
                ASSERT_NE(r, 0) << label;
                EXPECT_NEAR(std::hypot(out[0] - p[0], out[1] - p[1]), dist, 1e-9) << label;
                // The answer is the curve's own point at the parameter reported.
                double at[2];
                CGeCurve* holder = c->GetType() == 0x80 ? static_cast<CGeCombCurve*>(c)->GetSubCurve(r) : c;
                holder->EvPos(t, at, seg);
                EXPECT_NEAR(at[0], out[0], 1e-6) << label;
                EXPECT_NEAR(at[1], out[1], 1e-6) << label;
                best = std::min(best, dist);
                if (segs > 1) {
                    bestOracle = std::min(bestOracle, OracleDistance(p, [&](double s, double* q) {
                        c->EvPos(s, q, static_cast<unsigned>(k));
                    }));
                }
            }
            if (segs == 1) bestOracle = OracleDistance(c, p);
            EXPECT_NEAR(best, bestOracle, 1e-6) << label;
        }
    }
}

TEST(NearestPointTest, PointsOnAnOffsetArcAreFoundOnIt)
{
    // Points on the 1 mm offset of an R500 quarter arc (an R499 arc), and on
    // the offset of a half circle searched from t = 0: each point is its own
    // nearest point, whatever the start.
    struct Row { const char* label; double sweep; double start; };
    const Row rows[] = {{"R500 quarter", kPi / 2, 0.5}, {"R500 half circle from t = 0", kPi, 0.0},
                        {"R500 half circle from t = 1", kPi, 1.0}};
    for (const Row& row : rows) {
        std::unique_ptr<CGeArc> base(Arc({0, 0}, 500, 0.0, row.sweep));
        CGeOffsetCrv off;
        ASSERT_EQ(off.Create(base.get(), 1.0), 1);
        for (int i = 1; i < 100; ++i) {
            const double a = row.sweep * i / 100.0;
            const double p[2] = {499.0 * std::cos(a), 499.0 * std::sin(a)};
            double out[2], t = row.start, dist = 1e7;
            unsigned seg = 1;
            ASSERT_EQ(off.GetNearestPoint(const_cast<double*>(p), out, t, seg, dist), 1) << row.label << " point " << i;
            EXPECT_LT(dist, 1e-6) << row.label << " point " << i;
            EXPECT_NEAR(t, i / 100.0, 1e-9) << row.label << " point " << i;
        }
        // Off the curve: the analytic answer is radial.
        const double p[2] = {300.0 * std::cos(0.7), 300.0 * std::sin(0.7)};
        double out[2], t = row.start, dist = 1e7;
        unsigned seg = 1;
        ASSERT_EQ(off.GetNearestPoint(const_cast<double*>(p), out, t, seg, dist), 1) << row.label;
        EXPECT_NEAR(dist, 199.0, 1e-9) << row.label;
        EXPECT_NEAR(std::atan2(out[1], out[0]), 0.7, 1e-9) << row.label;
    }
}

TEST(NearestPointTest, CurveWithoutEvaluationFails)
{
    CGePoint point;
    double p[2] = {1, 2}, out[2], t = 0.0, dist = 1e7;
    unsigned seg = 1;
    EXPECT_EQ(point.CGeCurve::GetNearestPoint(p, out, t, seg, dist), 0);
    EXPECT_EQ(dist, 1e7);
}

}  // namespace
