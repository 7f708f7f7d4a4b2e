// Section segments: the tiny-segment rule, chaining into known polygons and the
// crossing split against the plain test of every pair.
#include "toolpath/milling/IntCurveSet.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <vector>

namespace {

using Seg = std::array<double, 4>;

std::vector<Seg> Segments(const CIntLineSet& set)
{
    std::vector<Seg> out;
    for (const SIntSegment* s = set.head; s; s = s->next)
        out.push_back({s->a[0], s->a[1], s->b[0], s->b[1]});
    return out;
}

void Fill(CIntLineSet& set, const std::vector<Seg>& segs)
{
    for (const Seg& s : segs) {
        const double a[2] = {s[0], s[1]}, b[2] = {s[2], s[3]};
        LineSetAddSegment(set, a, b, nullptr);
    }
}

// The plain search: every pair in set order, the second later in the set.
void SplitCrossingBrute(CIntLineSet& set)
{
    for (SIntSegment* s = set.head; s; s = s->next)
        for (SIntSegment* t = s->next; t; t = t->next) {
            double x[2];
            if (SegmentsCross(*s, *t, x))
                CutCrossingPair(set, s, t, x);
        }
}

TEST(IntLineSet, TinySegmentsGoAsideOrAreDropped)
{
    struct Row {
        const char* label;
        double a[2], b[2];
        bool withSide;
        int result, inSet, inSide;
    };
    const Row rows[] = {
        {"0.005 diagonal, side set", {0, 0}, {0.005, 0.005}, true, 2, 0, 1},
        {"0.005 diagonal, no side set", {0, 0}, {0.005, 0.005}, false, 0, 0, 0},
        {"0.008 diagonal is 0.0113 long", {0, 0}, {0.008, 0.008}, true, 1, 1, 0},
        {"0.02 along x", {0, 0}, {0.02, 0}, true, 1, 1, 0},
    };
    for (const Row& r : rows) {
        CIntLineSet set, side;
        EXPECT_EQ(LineSetAddSegment(set, r.a, r.b, r.withSide ? &side : nullptr), r.result) << r.label;
        EXPECT_EQ(set.count, r.inSet) << r.label;
        EXPECT_EQ(side.count, r.inSide) << r.label;
    }
    CIntLineSet set;
    const double a[2] = {0.02, 0}, b[2] = {0, 0.01};
    LineSetAddSegment(set, a, b, nullptr);
    ASSERT_EQ(set.count, 1);
    const double want[4] = {0, 0, 0.02, 0.01};
    for (int k = 0; k < 4; ++k)
        EXPECT_EQ(set.head->box[k], want[k]) << k;
}

TEST(IntLineSet, PointSegmentDistance)
{
    const double a[2] = {0, 0}, b[2] = {4, 0};
    const struct {
        double p[2], d;
    } rows[] = {{{2, 3}, 3}, {{-3, 4}, 5}, {{7, 4}, 5}, {{4, 0}, 0}};
    for (const auto& r : rows)
        EXPECT_DOUBLE_EQ(PointSegmentDistance(r.p, a, b), r.d) << r.p[0];
    const double c[2] = {1, 1}, p[2] = {4, 5};
    EXPECT_DOUBLE_EQ(PointSegmentDistance(p, c, c), 5);
}

// Vertices of a polygon with k corners around (cx, cy).
std::vector<std::array<double, 2>> Polygon(double cx, double cy, double r, int k)
{
    std::vector<std::array<double, 2>> p;
    for (int i = 0; i < k; ++i)
        p.push_back({cx + r * std::cos(2 * M_PI * i / k), cy + r * std::sin(2 * M_PI * i / k)});
    return p;
}

TEST(IntLineSet, LinkSegmentsRebuildsShuffledPolygons)
{
    std::mt19937 rng(7);
    const std::vector<std::vector<std::array<double, 2>>> polys = {Polygon(0, 0, 5, 7), Polygon(20, 0, 3, 4),
                                                                   Polygon(0, 20, 8, 12)};
    std::vector<Seg> segs;
    for (const auto& poly : polys)
        for (size_t i = 0; i < poly.size(); ++i) {
            const auto& a = poly[i];
            const auto& b = poly[(i + 1) % poly.size()];
            // Ends off by up to 0.004 so that the tolerance does the joining.
            const double j = std::uniform_real_distribution<double>(-0.004, 0.004)(rng);
            if (rng() % 2)
                segs.push_back({a[0] + j, a[1] - j, b[0], b[1]});
            else
                segs.push_back({b[0], b[1], a[0] - j, a[1] + j});
        }
    segs.push_back({50, 50, 53, 54});  // alone
    std::shuffle(segs.begin(), segs.end(), rng);
    CIntLineSet set;
    Fill(set, segs);
    LinkSegments(0.01, set);

    // The result: runs of consecutive segments sharing ends; each run closes on itself
    // and visits the corners of one polygon in turn.
    const std::vector<Seg> out = Segments(set);
    size_t i = 0;
    std::vector<bool> seen(polys.size(), false);
    while (i < out.size()) {
        size_t j = i;
        while (j + 1 < out.size() && out[j][2] == out[j + 1][0] && out[j][3] == out[j + 1][1])
            ++j;
        const size_t n = j - i + 1;
        ASSERT_LT(std::hypot(out[j][2] - out[i][0], out[j][3] - out[i][1]), 0.01) << "run at " << i << " is closed";
        int which = -1;
        for (size_t k = 0; k < polys.size(); ++k)
            if (polys[k].size() == n)
                which = int(k);
        ASSERT_GE(which, 0) << "run of " << n;
        const auto& poly = polys[size_t(which)];
        // Each segment start is a corner and the next start its neighbour.
        for (size_t k = i; k <= j; ++k) {
            int corner = -1;
            for (size_t c = 0; c < poly.size(); ++c)
                if (std::hypot(poly[c][0] - out[k][0], poly[c][1] - out[k][1]) < 0.01)
                    corner = int(c);
            ASSERT_GE(corner, 0) << "segment " << k;
            const auto& nb1 = poly[(size_t(corner) + 1) % n];
            const auto& nb2 = poly[(size_t(corner) + n - 1) % n];
            EXPECT_TRUE(std::hypot(nb1[0] - out[k][2], nb1[1] - out[k][3]) < 0.01 ||
                        std::hypot(nb2[0] - out[k][2], nb2[1] - out[k][3]) < 0.01)
                << "segment " << k;
        }
        EXPECT_FALSE(seen[size_t(which)]);
        seen[size_t(which)] = true;
        i = j + 1;
    }
    for (size_t k = 0; k < polys.size(); ++k)
        EXPECT_TRUE(seen[k]) << "polygon " << k;
}

TEST(IntLineSet, SplitCrossingMatchesEveryPairTest)
{
    std::mt19937 rng(11);
    int cutCases = 0;
    for (int round = 0; round < 40; ++round) {
        std::uniform_real_distribution<double> pos(0, 50), len(0.05, round % 2 ? 20 : 4);
        std::uniform_real_distribution<double> ang(0, 2 * M_PI);
        std::vector<Seg> segs;
        const int n = 20 + round * 10;
        for (int i = 0; i < n; ++i) {
            const double x = pos(rng), y = pos(rng), l = len(rng), a = ang(rng);
            // Some axis-parallel and some shared-end segments: the parallel and
            // end-parameter rows of the test.
            if (i % 7 == 0)
                segs.push_back({x, y, x + l, y});
            else if (i % 11 == 0 && !segs.empty())
                segs.push_back({segs.back()[2], segs.back()[3], x, y});
            else
                segs.push_back({x, y, x + l * std::cos(a), y + l * std::sin(a)});
        }
        CIntLineSet fast, plain;
        Fill(fast, segs);
        Fill(plain, segs);
        SplitCrossingSegments(fast);
        SplitCrossingBrute(plain);
        ASSERT_EQ(Segments(fast), Segments(plain)) << "round " << round;
        cutCases += fast.count > int(segs.size());
        // No two pieces cross any more.
        for (SIntSegment* s = fast.head; s; s = s->next)
            for (SIntSegment* t = s->next; t; t = t->next) {
                double x[2];
                ASSERT_FALSE(SegmentsCross(*s, *t, x)) << "round " << round;
            }
    }
    EXPECT_GT(cutCases, 30);
}

}  // namespace
