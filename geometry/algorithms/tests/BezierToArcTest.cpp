// Bezier-to-arc approximation and the merging of concentric arcs, checked
// against dense sampling of the Bezier piece.
#include "geometry/algorithms/BezierToArc.h"
#include "geometry/algorithms/tests/ArcChainOracle.h"
#include "geometry/shapes2d/GeBezier.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>
#include <vector>

namespace {

using namespace arcoracle;

struct Cubic {
    const char* label;
    double p[4][2];
};

// Points of a degree-n piece by de Casteljau (independent of the class).
P2 BezierAt(const double (*p)[2], int n, double t)
{
    double w[16][2];
    for (int i = 0; i <= n; ++i) {
        w[i][0] = p[i][0];
        w[i][1] = p[i][1];
    }
    for (int level = n; level > 0; --level)
        for (int i = 0; i < level; ++i) {
            w[i][0] = (1 - t) * w[i][0] + t * w[i + 1][0];
            w[i][1] = (1 - t) * w[i][1] + t * w[i + 1][1];
        }
    return {w[0][0], w[0][1]};
}


struct Result {
    int ok = 0;
    std::vector<Piece> pieces;
};

Result Approximate(const double (*p)[2], int n, double tol, bool whole = true)
{
    CBezierToArc b(p, n);
    OwnedList out;
    Result r;
    r.ok = whole ? b.ArcApproxi(tol, &out.list) : b.ArcApproximation(tol, &out.list);
    std::string why;
    EXPECT_TRUE(ToPieces(out.list, r.pieces, &why)) << why;
    return r;
}

// Largest distance between the piece and the chain, both ways.
double Deviation(const double (*p)[2], int n, const std::vector<Piece>& pieces)
{
    return CurveChainDeviation([&](double t) { return BezierAt(p, n, t); }, pieces);
}

// Chain from P0 to Pn, connected, and within tol of the piece both ways.
void ExpectFaithful(const double (*p)[2], int n, double tol, const Result& r, const std::string& label)
{
    ASSERT_EQ(r.ok, 1) << label;
    ASSERT_FALSE(r.pieces.empty()) << label;
    EXPECT_LT(Dist(r.pieces.front().Start(), {p[0][0], p[0][1]}), 1e-7) << label;
    EXPECT_LT(Dist(r.pieces.back().End(), {p[n][0], p[n][1]}), 1e-7) << label;
    EXPECT_LT(LargestGap(r.pieces), 1e-7) << label;
    EXPECT_LE(Deviation(p, n, r.pieces), tol) << label;
}

const Cubic kCubics[] = {
    {"single turn", {{0, 0}, {3, 4}, {8, 4}, {10, 0}}},
    {"single turn, long start leg", {{0, 0}, {1, 8}, {9, 3}, {10, 0}}},
    {"quarter circle", {{10, 0}, {10, 5.5228}, {5.5228, 10}, {0, 10}}},
    {"s curve", {{0, 0}, {5, 6}, {5, -6}, {10, 0}}},
    {"end leg turned back", {{0, 0}, {2, 5}, {14, 6}, {10, 0}}},
    {"loop", {{0, 0}, {20, 15}, {-10, 15}, {10, 0}}},
    {"cusp", {{0, 0}, {10, 10}, {0, 10}, {10, 0}}},
    {"tiny", {{0, 0}, {0.01, 0.02}, {0.03, 0.02}, {0.04, 0}}},
    {"large flat", {{0, 0}, {300, 2}, {700, -2}, {1000, 0}}},
    {"start angle larger", {{0, 0}, {0, 5}, {8, 6}, {10, 5}}},
};

TEST(BezierToArc, CubicsWithinToleranceBothWays)
{
    for (double tol : {0.0005, 0.01, 0.1}) {
        for (const Cubic& c : kCubics) {
            const std::string label = std::string(c.label) + " tol " + std::to_string(tol);
            ExpectFaithful(c.p, 3, tol, Approximate(c.p, 3, tol), label);
        }
    }
}

// Outline pieces of a real glyph set (quadratics in font units, 1000 units =
// 10 mm, raised exactly to cubics) whose largest deviation lies between the
// samples the fitters test: checked only at those samples, their chains
// passed tol by up to 1.5 %.
TEST(BezierToArc, GlyphCubicsHoldToleranceBetweenSamples)
{
    struct GlyphQuad {
        const char* label;
        double q[3][2];  // font units
    };
    const GlyphQuad quads[] = {
        {"steep flank", {{950, 393}, {956, 390}, {1085, 154}}},
        {"bowl start", {{112, 1052}, {112, 1225}, {200, 1360}}},
        {"short stem end", {{692, 1300}, {692, 1078}, {706, 1053}}},
        {"shoulder", {{935, 1180}, {1047, 1489}, {1282, 1489}}},
        {"bowl bottom", {{940, 665}, {940, 127}, {1143, 127}}},
        {"tail", {{884, 285}, {804, 444}, {804, 745}}},
    };
    for (const GlyphQuad& g : quads) {
        double p[4][2];
        for (int k = 0; k < 2; ++k) {
            const double q0 = g.q[0][k] / 100.0, q1 = g.q[1][k] / 100.0, q2 = g.q[2][k] / 100.0;
            p[0][k] = q0;
            p[1][k] = q0 + 2.0 / 3.0 * (q1 - q0);
            p[2][k] = q2 + 2.0 / 3.0 * (q1 - q2);
            p[3][k] = q2;
        }
        for (double tol : {0.001, 0.01, 0.05}) {
            const std::string label = std::string(g.label) + " tol " + std::to_string(tol);
            ExpectFaithful(p, 3, tol, Approximate(p, 3, tol), label);
        }
    }
}

TEST(BezierToArc, QuadraticsWithinTolerance)
{
    const double quads[][3][2] = {{{0, 0}, {5, 8}, {10, 0}}, {{0, 0}, {10, 1}, {12, 9}}, {{0, 0}, {10, 0}, {0, 3}}};
    for (double tol : {0.001, 0.05})
        for (const auto& q : quads) ExpectFaithful(q, 2, tol, Approximate(q, 2, tol), "quad tol " + std::to_string(tol));
}

TEST(BezierToArc, StraightPieces)
{
    const double straight[4][2] = {{0, 0}, {2, 1}, {6, 3}, {10, 5}};
    for (bool whole : {true, false}) {
        const Result r = Approximate(straight, 3, 0.01, whole);
        ASSERT_EQ(r.pieces.size(), 1u) << (whole ? "ArcApproxi" : "ArcApproximation");
        EXPECT_FALSE(r.pieces[0].isArc);
    }
    // Control points on a line but running past the end and back: the line
    // must reach as far as the piece does.
    const double overshoot[4][2] = {{0, 0}, {15, 0}, {14, 0}, {10, 0}};
    ExpectFaithful(overshoot, 3, 0.01, Approximate(overshoot, 3, 0.01), "overshoot");
}

TEST(BezierToArc, SingleArcPieceGivesFewArcs)
{
    // A cubic that is a circular arc to within 3e-4: a single arc or one biarc.
    const double k = 0.5522847498;
    const double q[4][2] = {{10, 0}, {10, 10 * k}, {10 * k, 10}, {0, 10}};
    const Result r = Approximate(q, 3, 0.01);
    ExpectFaithful(q, 3, 0.01, r, "quarter");
    EXPECT_LE(r.pieces.size(), 2u);
    EXPECT_EQ(CountArcs(r.pieces), static_cast<int>(r.pieces.size()));
}

TEST(BezierToArc, ClosedPieces)
{
    // End legs of 0.75 each: too short, nothing.
    const double shortLegs[4][2] = {{0, 0}, {0.75, 0}, {0, 0.75}, {0, 0}};
    EXPECT_EQ(Approximate(shortLegs, 3, 0.01).ok, 0);
    EXPECT_TRUE(Approximate(shortLegs, 3, 0.01).pieces.empty());
    // End legs of 1.5 each: split at 0.5, both halves approximated.
    const double loop[4][2] = {{0, 0}, {1.5, 0}, {0, 1.5}, {0, 0}};
    ExpectFaithful(loop, 3, 0.01, Approximate(loop, 3, 0.01), "closed loop");
    const double big[4][2] = {{0, 0}, {30, 20}, {-30, 20}, {0, 0}};
    ExpectFaithful(big, 3, 0.005, Approximate(big, 3, 0.005), "big closed loop");
}

TEST(BezierToArc, ZeroToleranceActsAsSmallest)
{
    const Cubic& c = kCubics[0];
    const Result zero = Approximate(c.p, 3, 0.0), smallest = Approximate(c.p, 3, 0.0001);
    ASSERT_EQ(zero.pieces.size(), smallest.pieces.size());
    ExpectFaithful(c.p, 3, 0.0001, zero, "tol 0");
}

// A piece and its mirror image give mirror-image chains with the same arcs:
// pieces bulging left are fitted as well as pieces bulging right.
TEST(BezierToArc, MirrorImagesGiveMirrorImageChains)
{
    for (double tol : {0.001, 0.01, 0.05}) {
        for (const Cubic& c : kCubics) {
            const std::string label = std::string(c.label) + " tol " + std::to_string(tol);
            double m[4][2];
            for (int i = 0; i < 4; ++i) {
                m[i][0] = c.p[i][0];
                m[i][1] = -c.p[i][1];
            }
            const Result a = Approximate(c.p, 3, tol), b = Approximate(m, 3, tol);
            ASSERT_EQ(a.pieces.size(), b.pieces.size()) << label;
            EXPECT_EQ(CountArcs(a.pieces), CountArcs(b.pieces)) << label;
            for (size_t i = 0; i < a.pieces.size(); ++i) {
                const P2 pa = a.pieces[i].At(0.5), pb = b.pieces[i].At(0.5);
                EXPECT_NEAR(pa.x, pb.x, 1e-6) << label << " piece " << i;
                EXPECT_NEAR(pa.y, -pb.y, 1e-6) << label << " piece " << i;
            }
        }
    }
}

// Consecutive arcs of a biarc meet with one tangent: a chain fitted at a
// small tolerance turns smoothly except at line ends.
TEST(BezierToArc, ArcChainsAreTangentContinuous)
{
    const double p[4][2] = {{0, 0}, {3, 9}, {12, 9}, {15, 0}};
    const double m[4][2] = {{0, 0}, {3, -9}, {12, -9}, {15, 0}};
    for (const auto* piece : {p, m}) {
        const Result r = Approximate(piece, 3, 0.001);
        ASSERT_GT(r.pieces.size(), 2u);
        for (size_t i = 1; i < r.pieces.size(); ++i) {
            const P2 a = r.pieces[i - 1].Tangent(1), b = r.pieces[i].Tangent(0);
            EXPECT_GT(a.x * b.x + a.y * b.y, std::cos(0.05)) << "joint " << i;
        }
    }
}

TEST(BezierToArc, PointsAndSplit)
{
    const double p[4][2] = {{0, 0}, {1, 3}, {4, 3}, {6, -1}};
    CBezierToArc b(p, 3);
    for (double t : {0.0, 0.3, 0.5, 1.0}) {
        double q[2];
        b.GetPoint(t, q);
        const P2 e = BezierAt(p, 3, t);
        EXPECT_NEAR(q[0], e.x, 1e-12) << t;
        EXPECT_NEAR(q[1], e.y, 1e-12) << t;
    }
    double left[4][2], right[4][2];
    b.Split(0.3, left, right);
    for (double u : {0.0, 0.5, 1.0}) {
        const P2 l = BezierAt(left, 3, u), el = BezierAt(p, 3, 0.3 * u);
        const P2 r = BezierAt(right, 3, u), er = BezierAt(p, 3, 0.3 + 0.7 * u);
        EXPECT_NEAR(Dist(l, el), 0.0, 1e-12) << u;
        EXPECT_NEAR(Dist(r, er), 0.0, 1e-12) << u;
    }
    b.Split(0.0005, left, right);
    EXPECT_EQ(left[3][0], 0.0);
    EXPECT_EQ(right[1][1], 3.0);

    CBezierNode nodes[4];
    for (int i = 0; i < 4; ++i) {
        nodes[i].x = p[i][0];
        nodes[i].y = p[i][1];
        nodes[i].kind = 1;
    }
    CBezierToArc fromNodes;
    fromNodes.Create(nodes, 3);
    EXPECT_EQ(fromNodes.GetDegree(), 3);
    EXPECT_EQ(fromNodes.GetPoints()[2][0], 4.0);
}

TEST(BezierToArc, HigherDegreeEndsWithLines)
{
    // A degree-5 piece cannot be halved in the buffer: whatever is not fitted
    // becomes its chord, and the chain still ends at P5.
    const double p[6][2] = {{0, 0}, {2, 5}, {5, 7}, {9, 6}, {12, 2}, {13, 0}};
    const Result r = Approximate(p, 5, 0.001);
    ASSERT_EQ(r.ok, 1);
    EXPECT_LT(Dist(r.pieces.back().End(), {13, 0}), 1e-9);
    EXPECT_LT(LargestGap(r.pieces), 1e-7);
    CBezierToArc empty;
    OwnedList out;
    EXPECT_EQ(empty.ArcApproxi(0.01, &out.list), 0);
    EXPECT_EQ(empty.ArcApproxi(0.01, nullptr), 0);
}

// ---------------------------------------------------------------------------
// MergeConcentricArc

CGeArc* ArcAngles(double cx, double cy, double r, double a0, double a1)
{
    auto* a = new CGeArc;
    const double c[2] = {cx, cy};
    EXPECT_EQ(a->CreateCSEAngle(c, r, a0, a1), 1);
    return a;
}

TEST(MergeConcentricArc, MergesOnlyContinuations)
{
    struct Case {
        const char* label;
        std::vector<std::array<double, 5>> arcs;  // cx, cy, r, a0, a1
        bool lineBetween;
        size_t expected;
    };
    const Case cases[] = {
        {"two touching arcs", {{0, 0, 5, 0, 1}, {0, 0, 5, 1, 2.5}}, false, 1},
        {"run of three", {{0, 0, 5, 0, 1}, {0, 0, 5, 1, 2}, {0, 0, 5, 2, 3}}, false, 1},
        {"gap between", {{0, 0, 5, 0, 1}, {0, 0, 5, 1.5, 2.5}}, false, 2},
        {"opposite turn", {{0, 0, 5, 0, 1}, {0, 0, 5, 1, 0.2}}, false, 2},
        {"other radius", {{0, 0, 5, 0, 1}, {0, 0, 6, 1, 2}}, false, 2},
        {"line between", {{0, 0, 5, 0, 1}, {0, 0, 5, 1, 2}}, true, 3},
        {"together a full turn", {{0, 0, 5, 0, 4}, {0, 0, 5, 4, 2 * M_PI}}, false, 2},
    };
    for (const Case& c : cases) {
        OwnedList list;
        for (size_t i = 0; i < c.arcs.size(); ++i) {
            const auto& a = c.arcs[i];
            if (i == 1 && c.lineBetween) {
                const double p[2] = {5 * std::cos(1.0), 5 * std::sin(1.0)};
                list.list.AddTail(new CGeLine(p, p));
            }
            list.list.AddTail(ArcAngles(a[0], a[1], a[2], a[3], a[4]));
        }
        std::vector<Piece> before;
        ASSERT_TRUE(ToPieces(list.list, before));
        MergeConcentricArc(&list.list, 0.001f);
        std::vector<Piece> after;
        ASSERT_TRUE(ToPieces(list.list, after));
        ASSERT_EQ(after.size(), c.expected) << c.label;
        EXPECT_LT(Dist(after.front().Start(), before.front().Start()), 1e-9) << c.label;
        EXPECT_LT(Dist(after.back().End(), before.back().End()), 1e-9) << c.label;
        if (c.expected == 1) {
            // The merged arc passes through the old joints.
            for (size_t i = 1; i < before.size(); ++i)
                EXPECT_LT(DistToPieces(before[i].Start(), after), 1e-9) << c.label;
        }
    }
    MergeConcentricArc(nullptr, 0.1f);
}

}  // namespace
