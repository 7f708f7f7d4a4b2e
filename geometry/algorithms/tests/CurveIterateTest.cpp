// Newton refinement of one intersection from a start guess: segment stepping,
// periodic wrap, clamped ends, segment count limits; random pairs of every
// simple class; offset curves of a spline and an ellipse against a line.
#include "geometry/algorithms/CurveIntersect.h"

#include "geometry/algorithms/tests/CurveIntersectFixtures.h"
#include "geometry/shapes2d/GeOffsetCrv.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numbers>
#include <random>
#include <string>
#include <vector>

using namespace ccfix;

namespace {

using QVN_GeCC_Inter::CurveCurveIterate;

std::unique_ptr<CGeLine> MakeLine(double x1, double y1, double x2, double y2)
{
    const double p[2] = {x1, y1}, q[2] = {x2, y2};
    return std::make_unique<CGeLine>(p, q);
}

std::unique_ptr<CGePolyline> MakePolyline(const std::vector<double>& xy)
{
    auto pl = std::make_unique<CGePolyline>();
    pl->Create(int(xy.size() / 2), reinterpret_cast<const double(*)[2]>(xy.data()));
    return pl;
}

Pt At(CGeCurve* c, double t, int seg)
{
    double p[2];
    c->GetPointAt(t, p, unsigned(seg));
    return {p[0], p[1]};
}

double SampledSegmentDistance(CGeCurve* c, Pt p)
{
    double best = INFINITY;
    for (const auto& run : FlattenCurve(c, 1e-7))
        for (size_t i = 1; i < run.size(); ++i) best = std::min(best, oracle::SegmentDist(p, run[i - 1], run[i]));
    return best;
}

TEST(CurveIterateTest, SteppingWrapAndLimits)
{
    // Two lines crossing at t = 0.3 on the first and 0.7 on the second.
    auto a = MakeLine(0, 0, 10, 0);
    auto b = MakeLine(3, -7, 3, 3);
    auto parallel = MakeLine(0, 1, 10, 1);
    // Edges 1..4; a vertical line crosses edge 3 only.
    auto zigzag = MakePolyline({0, 0, 1, 1, 2, 0, 3, 1, 4, 0});
    auto cross3 = MakeLine(2.5, -1, 2.5, 2);
    auto crossBefore = MakeLine(0.25, -1, 0.25, 2);  // crosses edge 1 only
    // A line that misses a short line beyond its clamped end.
    auto stub = MakeLine(0, 0, 1, 0);
    auto farLine = MakeLine(5, -1, 5, 1);
    // Edges 0.005 mm long meeting at right angles.
    auto tinyA = MakeLine(0, 0, 0.005, 0);
    auto tinyB = MakeLine(0.0025, -0.0025, 0.0025, 0.0025);
    const double c0[2] = {0, 0};
    CGeCircle circle(c0, 1.0, 1);
    // Crosses the circle at angles of +-72 degrees (t = 0.2 and 0.8).
    const double x72 = std::cos(0.4 * std::numbers::pi);
    auto chord = MakeLine(x72, -2, x72, 2);

    struct Row {
        const char* label;
        CGeCurve* c1;
        double t1;
        int seg1;
        CGeCurve* c2;
        double t2;
        int seg2;
        int result;
        int seg1Out;  // expected segment on c1 when converged
        Pt point;     // expected point when converged
    };
    const Row rows[] = {
        {"lines crossing", a.get(), 0.1, 1, b.get(), 0.1, 1, 1, 1, {3, 0}},
        {"parallel lines", a.get(), 0.1, 1, parallel.get(), 0.1, 1, 0, 1, {}},
        {"polyline edge 2 steps on to edge 3", zigzag.get(), 0.5, 2, cross3.get(), 0.5, 1, 1, 3, {2.5, 0.5}},
        {"polyline edge 2 steps back to edge 1", zigzag.get(), 0.5, 2, crossBefore.get(), 0.5, 1, 1, 1, {0.25, 0.25}},
        {"clamped end of a single segment", stub.get(), 0.5, 1, farLine.get(), 0.5, 1, 0, 1, {}},
        {"start segment equal to the count", zigzag.get(), 0.5, 4, cross3.get(), 0.5, 1, 1, 3, {2.5, 0.5}},
        {"start segment above the count", zigzag.get(), 0.5, 5, cross3.get(), 0.5, 1, 0, 1, {}},
        {"start segment 0", zigzag.get(), 0.5, 0, cross3.get(), 0.5, 1, 0, 1, {}},
        {"short segments at right angles", tinyA.get(), 0.1, 1, tinyB.get(), 0.1, 1, 1, 1, {0.0025, 0}},
        {"circle started across its seam", &circle, 0.95, 1, chord.get(), 0.3, 1, 1, 1, {x72, -std::sin(0.4 * std::numbers::pi)}},
        {"null curve", nullptr, 0.5, 1, a.get(), 0.5, 1, 0, 1, {}},
    };
    for (const Row& r : rows) {
        double t1 = r.t1, t2 = r.t2, pt[2] = {NAN, NAN};
        int s1 = r.seg1, s2 = r.seg2;
        const int got = CurveCurveIterate(r.c1, t1, s1, r.c2, t2, s2, pt);
        EXPECT_EQ(got, r.result) << r.label;
        if (got != 1) continue;
        EXPECT_EQ(s1, r.seg1Out) << r.label;
        EXPECT_NEAR(pt[0], r.point.x, 1e-6) << r.label;
        EXPECT_NEAR(pt[1], r.point.y, 1e-6) << r.label;
        // The point is the first curve's at the returned parameters, and the
        // second curve's point there is within the meeting tolerance.
        const Pt p1 = At(r.c1, t1, s1), p2 = At(r.c2, t2, s2);
        EXPECT_NEAR(p1.x, pt[0], 1e-12) << r.label;
        EXPECT_NEAR(p1.y, pt[1], 1e-12) << r.label;
        EXPECT_LT(oracle::Dist(p1, p2), 1e-4) << r.label;
        EXPECT_TRUE(t1 >= 0.0 && t1 <= 1.0 && t2 >= 0.0 && t2 <= 1.0) << r.label;
    }
    // A start beyond the count is refused before any evaluation: nothing moves.
    double t1 = 0.5, t2 = 0.5, pt[2] = {7, 7};
    int s1 = 5, s2 = 1;
    EXPECT_EQ(CurveCurveIterate(zigzag.get(), t1, s1, cross3.get(), t2, s2, pt), 0);
    EXPECT_EQ(t1, 0.5);
    EXPECT_EQ(s1, 5);
    EXPECT_EQ(pt[0], 7.0);
}

TEST(CurveIterateTest, StepSegmentParamRules)
{
    auto zigzag = MakePolyline({0, 0, 1, 1, 2, 0, 3, 1, 4, 0});
    struct Row {
        const char* label;
        int seg;
        double t;
        int report, segOut;
        double tOut;
    };
    const Row rows[] = {
        {"below the first segment", 0, 0.5, 2, 1, 0.0},
        {"above the last segment", 5, 0.5, 2, 4, 1.0},
        {"start of segment 2", 2, 0.0, 1, 1, 0.999999},
        {"end of segment 2", 2, 1.0, 1, 3, 1e-6},
        {"start of the first segment", 1, 0.0, 0, 1, 0.0},
        {"end of the last segment", 4, 1.0, 0, 4, 1.0},
        {"inside a segment", 3, 0.5, 0, 3, 0.5},
    };
    for (const Row& r : rows) {
        int seg = r.seg;
        double t = r.t;
        EXPECT_EQ(QVN_GeCC_Inter::iterate::StepSegmentParam(zigzag.get(), seg, t), r.report) << r.label;
        EXPECT_EQ(seg, r.segOut) << r.label;
        EXPECT_DOUBLE_EQ(t, r.tOut) << r.label;
    }
}

TEST(CurveIterateTest, PeriodicCurvesWrap)
{
    const double c0[2] = {0, 0};
    CGeCircle circle(c0, 1.0, 1);
    CGeArc arc;
    arc.CreateCSEAngle(c0, 1.0, 0.0, 2.0 * std::numbers::pi * 0.999);
    CGeOffsetCrv offCircle, offArc;
    offCircle.Create(&circle, 0.5);
    offArc.Create(&arc, 0.5);
    struct Row {
        const char* label;
        CGeCurve* c;
        int periodic;
    };
    const Row rows[] = {{"circle", &circle, 1}, {"arc", &arc, 0}, {"offset of a circle", &offCircle, 1},
                        {"offset of an arc", &offArc, 0}};
    for (const Row& r : rows)
        EXPECT_EQ(QVN_GeCC_Inter::iterate::IsPeriodicCurve(r.c), r.periodic) << r.label;

    // The crossing at t = 0.2 (72 degrees) is reached from t = 0.95 across the
    // circle's seam.
    const double x = std::cos(0.4 * std::numbers::pi), y = std::sin(0.4 * std::numbers::pi);
    auto secant = MakeLine(x - 3, y, x + 3, y);                      // horizontal through the 72 degree point
    double t1 = 0.95, t2 = 0.5, pt[2];
    int s1 = 1, s2 = 1;
    ASSERT_EQ(CurveCurveIterate(&circle, t1, s1, secant.get(), t2, s2, pt), 1);
    // Converged means within the meeting tolerance 0.0001.
    EXPECT_NEAR(std::hypot(pt[0], pt[1]), 1.0, 1e-9);
    EXPECT_NEAR(pt[1], y, 1e-4);
    EXPECT_NEAR(t1, 0.2, 1e-4);
}

// Random pairs of every simple class started near a crossing CurveCurve found
// converge back to that crossing.
TEST(CurveIterateTest, RandomPairsReturnToTheCrossing)
{
    std::mt19937 rng(4242);
    std::uniform_real_distribution<double> jitter(-0.02, 0.02);
    int tried = 0, converged = 0;
    std::string failures;
    for (int k1 = 0; k1 < kComposite; ++k1)
        for (int k2 = 0; k2 < kComposite; ++k2)
            for (int trial = 0; trial < 8; ++trial) {
                const auto c1 = Build(RandomSpec(Kind(k1), rng)), c2 = Build(RandomSpec(Kind(k2), rng));
                Records recs;
                QVN_GeCC_Inter::CurveCurve(c1.get(), c2.get(), &recs, 0);
                for (INT_PTR i = 0; i < recs.GetSize(); ++i) {
                    const IntPnt& r = recs[i];
                    // Only clear crossings: tangents at least 10 degrees apart.
                    double p[2], d1[2], d2[2];
                    c1->Ev1Der(r.para1, p, d1, unsigned(r.seg1));
                    c2->Ev1Der(r.para2, p, d2, unsigned(r.seg2));
                    const double sine = std::fabs(d1[0] * d2[1] - d1[1] * d2[0]) /
                                        (std::hypot(d1[0], d1[1]) * std::hypot(d2[0], d2[1]));
                    if (!(sine > 0.17)) continue;
                    // Crossings near a segment end may rightly step elsewhere.
                    if (r.para1 < 0.05 || r.para1 > 0.95 || r.para2 < 0.05 || r.para2 > 0.95) continue;
                    ++tried;
                    double t1 = r.para1 + jitter(rng), t2 = r.para2 + jitter(rng), pt[2];
                    int s1 = r.seg1, s2 = r.seg2;
                    if (CurveCurveIterate(c1.get(), t1, s1, c2.get(), t2, s2, pt) == 1 &&
                        std::hypot(pt[0] - r.pt[0], pt[1] - r.pt[1]) < 1e-3) {
                        ++converged;
                    } else {
                        failures += std::string(" ") + kKindNames[k1] + "/" + kKindNames[k2];
                    }
                }
            }
    EXPECT_GT(tried, 100) << "too few crossings to say anything";
    EXPECT_EQ(converged, tried) << failures;
}

// The iteration on offset curves of a spline and of an ellipse meets a line at
// a point that lies at the offset distance from the base.
TEST(CurveIterateTest, OffsetCurvesMeetALineAtTheOffsetDistance)
{
    Spec bez;
    bez.kind = kBezier;
    bez.pts = {{0, 0}, {2, 4}, {5, 4}, {7, 0}};
    Spec ell;
    ell.kind = kEllipse;
    ell.centre = {3.5, 0};
    ell.r = 4;
    ell.b = 2;
    ell.a0 = 0.3;
    ell.dir = 1;
    const auto bezier = Build(bez), ellipse = Build(ell);
    struct Row {
        const char* label;
        CGeCurve* base;
        double dist;
    };
    const Row rows[] = {{"spline, left", bezier.get(), 0.5},  {"spline, right", bezier.get(), -0.5},
                        {"ellipse, left", ellipse.get(), 0.7}, {"ellipse, right", ellipse.get(), -0.7}};
    auto line = MakeLine(3.3, -10, 3.7, 10);
    for (const Row& r : rows) {
        CGeOffsetCrv off;
        off.Create(r.base, r.dist);
        // Start near a sign change of the offset's side of the line, by sampling.
        double start = -1.0;
        double prev = NAN;
        for (int i = 0; i <= 400 && start < 0; ++i) {
            const double t = i / 400.0;
            double p[2];
            off.GetPointAt(t, p, 1);
            const double side = (p[0] - 3.3) * 20 - (p[1] + 10) * 0.4;
            if (i > 0 && (side > 0) != (prev > 0)) start = t;
            prev = side;
        }
        ASSERT_GE(start, 0.0) << r.label;
        double t1 = start, t2 = 0.5, pt[2];
        int s1 = 1, s2 = 1;
        ASSERT_EQ(CurveCurveIterate(&off, t1, s1, line.get(), t2, s2, pt), 1) << r.label;
        EXPECT_NEAR(SampledSegmentDistance(r.base, {pt[0], pt[1]}), std::fabs(r.dist), 1e-5) << r.label;
        EXPECT_LT(SampledSegmentDistance(line.get(), {pt[0], pt[1]}), 1e-4) << r.label;
    }
}

}  // namespace
