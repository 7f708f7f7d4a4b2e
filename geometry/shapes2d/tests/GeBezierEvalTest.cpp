// Bezier spline as a curve: discretisation, evaluation, lengths, splitting,
// nearest and tangent points. Oracles: de Casteljau sampling written in the tests.
#include "geometry/shapes2d/GeBezier.h"

#include "framework/looker/MemPool.h"
#include "geometry/shapes2d/GeometryConst.h"
#include "geometry/shapes2d/tests/GeBezierTestUtil.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

using beztest::Pt;

namespace {

double Len(Pt a, Pt b) { return std::hypot(a.x - b.x, a.y - b.y); }

double DenseLength(const std::vector<Pt>& nodes, unsigned k, double t0, double t1, int n = 20000)
{
    double len = 0.0;
    Pt prev = beztest::SplinePoint(nodes, k, t0);
    for (int i = 1; i <= n; ++i) {
        const Pt p = beztest::SplinePoint(nodes, k, t0 + (t1 - t0) * i / n);
        len += Len(prev, p);
        prev = p;
    }
    return len;
}

}  // namespace

TEST(GeBezierDiscreteTest, StraightSegmentsGiveTheirEndsOnly)
{
    CGeBezier b;
    ASSERT_TRUE(beztest::MakeSpline(b, {{0, 0}, {1, 0}, {2, 0}, {3, 0}}));
    b.Discrete(0.01);
    ASSERT_EQ(b.GetSWPointCount(), 2);
    ASSERT_EQ(b.GetSegEnds().GetSize(), 2);
    EXPECT_EQ(b.GetSegEnds()[0], 0u);
    EXPECT_EQ(b.GetSegEnds()[1], 1u);

    ASSERT_TRUE(beztest::MakeSpline(b, {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {3, 1}, {3, 2}, {3, 3}}));
    b.Discrete(0.01);
    ASSERT_EQ(b.GetSWPointCount(), 3) << "the joint appears once";
    EXPECT_EQ(b.GetSegEnds()[2], 2u);

    CArray<tagPoint2d, tagPoint2d> pts;
    b.DiscreteInArray(0.01, &pts, 1.0, false);
    ASSERT_EQ(pts.GetSize(), 4) << "DiscreteInArray emits the joint once per segment";
    EXPECT_EQ(pts[1].x, pts[2].x);
    pts.RemoveAll();
    b.DiscreteInArray(0.01, &pts, 0.0, false);
    EXPECT_EQ(pts.GetSize(), 0) << "a zero angle asks for nothing";
}

TEST(GeBezierDiscreteTest, CollapsedSegmentLeavesNoRepeatedPoint)
{
    CGeBezier b;
    ASSERT_TRUE(beztest::MakeSpline(b, {{0, 0}, {1, 2}, {2, 2}, {3, 0}, {3, 0}, {3, 0}, {3, 0}, {4, -2}, {5, -2}, {6, 0}}));
    b.Discrete(0.01);
    const int n = b.GetSWPointCount();
    ASSERT_GE(n, 4);
    for (int i = 1; i < n; ++i)
        EXPECT_FALSE(b.GetSWPoint()[i][0] == b.GetSWPoint()[i - 1][0] && b.GetSWPoint()[i][1] == b.GetSWPoint()[i - 1][1])
            << "repeat at " << i;
    const CUIntArray& ends = b.GetSegEnds();
    ASSERT_EQ(ends.GetSize(), 4);
    EXPECT_EQ(ends[1], ends[2]) << "the collapsed segment ends where it starts";
    EXPECT_EQ(ends[3], UINT(n - 1));
    EXPECT_EQ(b.GetSWPoint()[ends[1]][0], 3.0);

    // A spline collapsed to a point keeps two display points.
    ASSERT_TRUE(beztest::MakeSpline(b, {{2, 2}, {2, 2}, {2, 2}, {2, 2}}));
    EXPECT_EQ(b.GetSWPointCount(), 2);
}

TEST(GeBezierDiscreteTest, BadTolerancesAndCoordinatesTerminate)
{
    std::mt19937 rng(3);
    const auto pts = beztest::RandomNodes(rng, 2, 20.0);
    CGeBezier b;
    ASSERT_TRUE(beztest::MakeSpline(b, pts));
    b.Discrete(1e-6);
    const int fine = b.GetSWPointCount();
    for (double tol : {0.0, -1.0, std::numeric_limits<double>::quiet_NaN(), 1e-300}) {
        b.Discrete(tol);
        EXPECT_EQ(b.GetSWPointCount(), fine) << "tol " << tol << " is clamped to 1e-6";
    }
    auto bad = pts;
    bad[2].x = std::numeric_limits<double>::quiet_NaN();
    bad[5].y = std::numeric_limits<double>::infinity();
    CGeBezier c;
    ASSERT_TRUE(beztest::MakeSpline(c, bad));
    EXPECT_LE(c.GetSWPointCount(), 3) << "non-finite segments are not subdivided";
}

// Large finite coordinates (the fuzzed 0 0 m 1e12 0 0 1e12 1 1 c, and larger)
// cost bounded work: no segment flattens to more than the per-segment cap,
// with either output, and the segment still ends on its main node.
TEST(GeBezierDiscreteTest, LargeCoordinatesFlattenWithinTheSegmentCap)
{
    struct Row {
        const char* label;
        double big;
        double tol;
        bool subdivided;  // false where the flatness overflows: such pieces count as flat
    };
    const Row rows[] = {{"1e9 at 1e-6", 1e9, 1e-6, true},
                        {"1e12", 1e12, 0.01, true},
                        {"1e20", 1e20, 0.01, true},
                        {"1e300", 1e300, 0.01, false}};
    const INT_PTR cap = gecon::kBezierMaxSegmentPoints;
    for (const Row& r : rows) {
        const std::vector<Pt> nodes = {{0, 0}, {r.big, 0}, {0, r.big}, {1, 1}, {-r.big, 1}, {1, -r.big}, {2, 2}};
        CGeBezier b;
        ASSERT_TRUE(beztest::MakeSpline(b, nodes)) << r.label;
        b.Discrete(r.tol);
        const CUIntArray& ends = b.GetSegEnds();
        ASSERT_EQ(ends.GetSize(), 3) << r.label;
        EXPECT_LE(INT_PTR(ends[1] - ends[0]), cap) << r.label;
        EXPECT_LE(INT_PTR(ends[2] - ends[1]), cap) << r.label;
        EXPECT_EQ(b.GetSWPoint()[ends[2]][0], 2.0) << r.label;
        CArray<tagPoint2d, tagPoint2d> pts;
        b.DiscreteInArray(r.tol, &pts, 1.0, false);
        EXPECT_LE(pts.GetSize(), 2 * (cap + 1)) << r.label;
        if (r.subdivided) {
            EXPECT_GT(pts.GetSize(), 4) << r.label << ": still subdivided";
        }
    }
}

// Every curve point lies within tol of its segment's part of the display polyline.
TEST(GeBezierDiscreteTest, DisplayDeviationStaysWithinTolerance)
{
    std::mt19937 rng(2024);
    for (double tol : {1.0, 0.1, 0.01}) {
        for (int rep = 0; rep < 6; ++rep) {
            const auto pts = beztest::RandomNodes(rng, 4, 60.0);
            CGeBezier b;
            ASSERT_TRUE(beztest::MakeSpline(b, pts));
            b.Discrete(tol);
            const CUIntArray& ends = b.GetSegEnds();
            ASSERT_EQ(ends.GetSize(), 5);
            const auto* sw = b.GetSWPoint();
            double worst = 0.0;
            for (unsigned k = 1; k <= 4; ++k) {
                EXPECT_EQ(sw[ends[k]][0], pts[3 * k].x) << "segment " << k << " ends on its main node";
                for (int i = 0; i <= 400; ++i) {
                    const Pt p = beztest::SplinePoint(pts, k, i / 400.0);
                    worst = std::max(worst, beztest::PolylineDist(p, sw, int(ends[k - 1]), int(ends[k])));
                }
            }
            EXPECT_LE(worst, tol) << "tol " << tol << " rep " << rep;
            EXPECT_GT(worst, tol * 0.05) << "tol " << tol << " rep " << rep << ": not needlessly fine";
        }
    }
}

TEST(GeBezierEvalTest, EvaluationMatchesDeCasteljau)
{
    std::mt19937 rng(8);
    const auto pts = beztest::RandomNodes(rng, 3, 30.0);
    CGeBezier b;
    ASSERT_TRUE(beztest::MakeSpline(b, pts));
    for (unsigned k = 1; k <= 3; ++k)
        for (double t : {0.0, 0.25, 0.6, 1.0}) {
            const Pt want = beztest::SplinePoint(pts, k, t);
            double p[2], q[2], d1[2], d2[2];
            b.GetPointAt(t, p, k);
            EXPECT_NEAR(p[0], want.x, 1e-9) << k << " " << t;
            b.Ev2Der(t, q, d1, d2, k);
            EXPECT_NEAR(q[1], want.y, 1e-9) << k << " " << t;
            const double h = 1e-6;
            const Pt a = beztest::SplinePoint(pts, k, t - h), c = beztest::SplinePoint(pts, k, t + h);
            EXPECT_NEAR(d1[0], (c.x - a.x) / (2 * h), 1e-4) << k << " " << t;
        }
    double p[2] = {-1, -1};
    b.GetPointAt(0.5, p, 4);
    EXPECT_EQ(p[0], -1.0) << "a bad segment writes nothing";
    EXPECT_EQ(b.GetGCPoint(2, p, 2), 1);
    EXPECT_EQ(p[0], pts[9].x);
    EXPECT_EQ(b.GetGCPoint(3, p, 2), 0);
    EXPECT_EQ(b.GetGCPoint(1, p, 4), 0);
}

TEST(GeBezierLengthTest, ArcLengthAndParameterRoundTrip)
{
    std::mt19937 rng(17);
    const auto pts = beztest::RandomNodes(rng, 3, 40.0);
    CGeBezier b;
    ASSERT_TRUE(beztest::MakeSpline(b, pts));
    double dense = 0.0;
    std::vector<double> cum = {0.0};
    for (unsigned k = 1; k <= 3; ++k) {
        dense += DenseLength(pts, k, 0, 1);
        cum.push_back(dense);
    }
    const double total = b.EvTotalArcLength();
    EXPECT_NEAR(total, dense, 1e-5 * dense);
    EXPECT_NEAR(b.EvArcLength(0.2, 2u, 0.7, 3u), DenseLength(pts, 2, 0.2, 1) + DenseLength(pts, 3, 0, 0.7), 1e-5 * dense);
    EXPECT_EQ(b.EvArcLength(0.5, 3u, 0.5, 2u), 0.0) << "k2 < k1";
    EXPECT_EQ(b.EvArcLength(0.0, 1u, 0.5, 4u), 0.0) << "no segment 4";
    EXPECT_NEAR(b.EvArcLength(0.3, 0.6, 2), b.EvArcLength(0.3, 1u, 0.6, 2u), 1e-12) << "three-argument form counts t0";
    EXPECT_EQ(b.IsLongerThan(total * 0.99), 1);
    EXPECT_EQ(b.IsLongerThan(total * 1.01), 0);

    for (int i = 1; i < 40; ++i) {
        const double len = total * i / 40.0;
        double t = -1;
        unsigned k = 0;
        ASSERT_EQ(b.EvParam(len, t, k, 0.0), 1) << len;
        const double back = b.EvArcLength(0.0, 1u, t, k);
        bool nearJoint = false;
        for (double c : cum) nearJoint |= std::fabs(c - len) <= 0.1;
        EXPECT_NEAR(back, len, nearJoint ? 0.1 : 1e-6) << "len " << len;
        double tx = -1;
        unsigned kx = 0;
        ASSERT_EQ(b.EvParamEx(len, tx, kx, cum.data()), 1);
        EXPECT_EQ(kx, k) << len;
        EXPECT_NEAR(tx, t, 1e-6) << len;
    }
    double t = -1;
    unsigned k = 0;
    ASSERT_EQ(b.EvParam(0.05, t, k, 0.0), 1);
    EXPECT_EQ(t, 0.0);
    EXPECT_EQ(k, 1u);
    ASSERT_EQ(b.EvParam(total * 5, t, k, 0.0), 1) << "an open spline clamps";
    EXPECT_EQ(k, 3u);
    EXPECT_EQ(t, 1.0);
}

TEST(GeBezierLengthTest, ClosedSplineWrapsLengths)
{
    CGeBezier b;
    const double q = 0.5523 * 10;
    ASSERT_TRUE(beztest::MakeSpline(b, {{10, 0}, {10, q}, {q, 10}, {0, 10}, {-q, 10}, {-10, q}, {-10, 0}, {-10, -q}, {-q, -10}, {0, -10}, {q, -10}, {10, -q}, {10, 0}}));
    const double total = b.EvTotalArcLength();
    double t1, t2;
    unsigned k1, k2;
    ASSERT_EQ(b.EvParam(0.5 * total, t1, k1, total), 1);
    ASSERT_EQ(b.EvParam(1.5 * total, t2, k2, total), 1);
    EXPECT_EQ(k1, k2);
    EXPECT_NEAR(t1, t2, 1e-9);
    CGeBezier zero;
    ASSERT_TRUE(beztest::MakeSpline(zero, {{1, 1}, {1, 1}, {1, 1}, {1, 1}}));
    EXPECT_EQ(zero.EvParam(5.0, t1, k1, 0.0), 0) << "a closed spline of length 0 answers without looping";
}

TEST(GeBezierSplitTest, PiecesHaveTheRightNodesAndMeet)
{
    std::mt19937 rng(99);
    const auto pts = beztest::RandomNodes(rng, 4, 50.0);
    CGeBezier b;
    ASSERT_TRUE(beztest::MakeSpline(b, pts));
    struct Row {
        const char* label;
        unsigned k;
        double t;
        int first;   // node count, 0 for null
        int second;
    };
    const std::vector<Row> rows = {
        {"start", 1, 0.0, 0, 13}, {"end", 4, 1.0, 13, 0},      {"joint from the left", 2, 1.0, 7, 7},
        {"joint from the right", 3, 0.0, 7, 7}, {"middle of 1", 1, 0.5, 4, 13}, {"middle of 3", 3, 0.25, 10, 7},
        {"segment 0", 0, 0.5, 0, 0},  {"segment 5", 5, 0.5, 0, 0},
    };
    for (const Row& r : rows) {
        CGeBezier* first = nullptr;
        CGeBezier* second = nullptr;
        b.Split(r.k, r.t, first, second);
        std::unique_ptr<CGeBezier> a(first), c(second);
        EXPECT_EQ(a ? int(a->GetNodeCount()) : 0, r.first) << r.label;
        EXPECT_EQ(c ? int(c->GetNodeCount()) : 0, r.second) << r.label;
        if (r.k < 1 || r.k > 4) continue;
        const Pt at = beztest::SplinePoint(pts, r.k, r.t);
        if (a) {
            double e[2];
            a->GetEndPoint(e);
            EXPECT_NEAR(Len({e[0], e[1]}, at), 0.0, 1e-9) << r.label;
        }
        if (c) {
            double s[2];
            c->GetStartPoint(s);
            EXPECT_NEAR(Len({s[0], s[1]}, at), 0.0, 1e-9) << r.label;
        }
        if (a && c && r.t > 0 && r.t < 1) {
            // The halves of the split segment are the old segment over [0, t] and [t, 1].
            const auto na = beztest::Nodes(*a), nc = beztest::Nodes(*c);
            for (double u : {0.2, 0.7}) {
                EXPECT_NEAR(Len(beztest::SplinePoint(na, r.k, u), beztest::SplinePoint(pts, r.k, r.t * u)), 0.0, 1e-9) << r.label;
                EXPECT_NEAR(Len(beztest::SplinePoint(nc, 1, u), beztest::SplinePoint(pts, r.k, r.t + (1 - r.t) * u)), 0.0, 1e-9) << r.label;
            }
        }
    }
    EXPECT_EQ(looker::testing::MemPoolDepth(), 0) << "scratch released";

    CGeCurve* out[2] = {nullptr, nullptr};
    b.Split(0.5, out, 2, 0);
    std::unique_ptr<CGeCurve> o0(out[0]), o1(out[1]);
    ASSERT_NE(out[0], nullptr);
    EXPECT_EQ(out[0]->GetSegmentCount(), 2);
    EXPECT_EQ(out[1]->GetSegmentCount(), 3);

    CTypedPtrList<CObList, CGeCurve*> pieces;
    int cuts[3] = {3, 9, 12};
    b.SplitInNode(cuts, 3, pieces);
    ASSERT_EQ(pieces.GetCount(), 3) << "the cut at the last node leaves no piece after it";
    std::vector<int> segs;
    POSITION pos = pieces.GetHeadPosition();
    while (pos) segs.push_back(pieces.GetNext(pos)->GetSegmentCount());
    EXPECT_EQ(segs, (std::vector<int>{1, 2, 1}));
    DeleteOwnedList(pieces);
}

TEST(GeBezierNearestTest, MatchesDenseSampling)
{
    std::mt19937 rng(4242);
    std::uniform_real_distribution<double> u(-10.0, 60.0);
    const auto pts = beztest::RandomNodes(rng, 3, 50.0);
    CGeBezier b;
    ASSERT_TRUE(beztest::MakeSpline(b, pts));
    const auto dense = beztest::DenseSamples(pts, 4000);
    for (int i = 0; i < 50; ++i) {
        double p[2] = {u(rng), u(rng)};
        double best = 1e300;
        for (const Pt& q : dense) best = std::min(best, Len({p[0], p[1]}, q));
        double out[2], t = 0, dist = 0;
        unsigned k = 0;
        ASSERT_EQ(b.GetNearestPoint(p, out, t, k, dist), 1);
        EXPECT_LE(dist, best + 1e-9) << "query " << i;
        EXPECT_GE(dist, best - 1e-3) << "query " << i;
        const Pt on = beztest::SplinePoint(pts, k, t);
        EXPECT_NEAR(Len(on, {out[0], out[1]}), 0.0, 1e-9) << "query " << i;
        EXPECT_NEAR(dist, Len(on, {p[0], p[1]}), 1e-9) << "query " << i;
    }
    CGeBezier empty;
    double p[2] = {0, 0}, out[2] = {7, 7}, t = 0, dist = 0;
    unsigned k = 0;
    EXPECT_EQ(empty.GetNearestPoint(p, out, t, k, dist), 0);
    EXPECT_EQ(out[0], 7.0);
}

TEST(GeBezierNearestTest, TangentPointTouchesTheCurve)
{
    CGeBezier b;
    const double q = 0.5523 * 10;
    ASSERT_TRUE(beztest::MakeSpline(b, {{10, 0}, {10, q}, {q, 10}, {0, 10}, {-q, 10}, {-10, q}, {-10, 0}}));
    double p[2] = {0, 20}, tan[2];
    double t = 0.3;
    int k = 1;
    ASSERT_EQ(b.GetTanPt(p, t, k, tan), 1);
    double c[2], d[2];
    b.Ev1Der(t, c, d, unsigned(k));
    EXPECT_NEAR(c[0], tan[0], 1e-6);
    const double cross = (c[0] - p[0]) * d[1] - (c[1] - p[1]) * d[0];
    EXPECT_NEAR(cross / std::hypot(d[0], d[1]), 0.0, 1e-4) << "the line from p touches at the point";
    EXPECT_EQ(k, 1);
    EXPECT_NEAR(tan[1], 5.0, 0.05) << "near the circle's tangent point (8.66, 5)";
    double below[2] = {0, -20};
    t = 0.5;
    k = 1;
    EXPECT_EQ(b.GetTanPt(below, t, k, tan), 0) << "the upper half has no tangent from below";
}

TEST(GeBezierMiscTest, DiscStepAndClosedness)
{
    CGeBezier b;
    ASSERT_TRUE(beztest::MakeSpline(b, {{0, 0}, {1, 0}, {2, 0}, {3, 0}}));
    double step = 0;
    EXPECT_EQ(b.GetDiscStep(0.01, step), 1);
    EXPECT_EQ(step, 0.125) << "straight: clamped to the largest step";
    EXPECT_EQ(b.IsClosed(0.01), 0);
    CGeBezier empty;
    EXPECT_EQ(empty.IsClosed(0.01), 0);
    EXPECT_EQ(empty.GetDiscStep(0.01, step), 0);
    BOX2<double> box;
    ASSERT_TRUE(beztest::MakeSpline(b, {{0, 0}, {1, 5}, {2, -5}, {3, 0}}));
    b.GetNodeBox(&box);
    EXPECT_EQ(box.ymax, 5.0);
    EXPECT_EQ(box.ymin, -5.0);
}
