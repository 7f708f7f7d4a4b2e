// Directed chaining (grid and plain forms against the plain reference), branch-to-
// branch composites of axis curves, and out-and-back paths over random trees.
#include "geometry/shapes3d/tests/ChainReference3D.h"

#include "framework/numerak/Point3D.h"
#include "framework/widgra/Progress.h"
#include "geometry/shapes2d/CurveList.h"
#include "geometry/shapes3d/GeCombCurve3d.h"
#include "geometry/shapes3d/GeLine3d.h"
#include "geometry/shapes3d/GeLoop3d.h"
#include "geometry/shapes3d/GeTool3D.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

using chainref3d::Chain;
using chainref3d::Pt;

CGeLine3d* Line(Pt a, Pt b) { return new CGeLine3d(a.data(), b.data()); }

struct Lists {
    CGeCurve3dList curves;
    CGeLoop3dList loops;
    CGeCurve3dList out;
    ~Lists()
    {
        geDelCurve3dList(&curves);
        geDelLoop3dList(&loops);
        geDelCurve3dList(&out);
    }
    std::vector<CGeCurve3d*> Curves() const { return {curves.begin(), curves.end()}; }
    std::vector<Chain> Chains() const
    {
        std::vector<Chain> chains;
        for (CGeLoop3d* l : loops) chains.push_back(chainref3d::ChainOf(l));
        return chains;
    }
};

class Tool3dDirectedTest : public ::testing::Test {
protected:
    void TearDown() override { widgra::testing::Reset(); }
    CGeTool3D tool;
};

// Directed polylines over a wide area with gaps below 0.0002 at the joints; some
// joints fork into two pieces with different climbs (the z-first choice).
std::vector<CGeCurve3d*> DirectedSegments(std::mt19937& rng, int paths)
{
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::vector<CGeCurve3d*> out;
    for (int k = 0; k < paths; ++k) {
        Pt p{(k % 10) * 5.0 + unit(rng), (k / 10) * 5.0 + unit(rng), unit(rng) * 10.0};
        const int pieces = 3 + static_cast<int>(unit(rng) * 6);
        for (int i = 0; i < pieces; ++i) {
            Pt q{p[0] + 0.2 + 0.4 * unit(rng), p[1] + 0.4 * (unit(rng) - 0.5), p[2] + 2.0 * (unit(rng) - 0.5)};
            out.push_back(Line(p, q));
            if (i == 1) {
                // A fork: a second piece from the same start with another climb.
                Pt f{p[0] + 0.1, p[1] + 0.3 + 0.2 * unit(rng), p[2] + 2.0 * (unit(rng) - 0.5)};
                out.push_back(Line(p, f));
            }
            p = q;
            p[0] += 0.00015 * (unit(rng) - 0.5);
            p[1] += 0.00015 * (unit(rng) - 0.5);
        }
    }
    std::shuffle(out.begin(), out.end(), rng);
    return out;
}

TEST_F(Tool3dDirectedTest, GridAndPlainFormsGiveTheReferenceChains)
{
    std::mt19937 rng(124);
    for (int round = 0; round < 4; ++round) {
        Lists grid, plain;
        for (CGeCurve3d* c : DirectedSegments(rng, 60)) {
            grid.curves.AddTail(c);
            plain.curves.AddTail(static_cast<CGeCurve3d*>(c->Copy()));
        }
        const auto expected = chainref3d::DirectedChains(grid.Curves(), 0.002);
        tool.CreateLoop3dForClearCorner(&grid.curves, 0.5, &grid.loops);
        tool.CreateLoop3dForClearCorner1(&plain.curves, &plain.loops);
        EXPECT_TRUE(grid.curves.IsEmpty()) << "the grid form moves the curves it takes";
        EXPECT_TRUE(plain.curves.IsEmpty());
        ASSERT_GT(expected.size(), 60u);
        EXPECT_EQ(grid.Chains(), expected) << "round " << round;
        EXPECT_EQ(plain.Chains(), expected) << "round " << round;
    }
}

TEST_F(Tool3dDirectedTest, ToleranceFollowsTheForm)
{
    // A gap of 0.001 joins with the plain search (0.002) and not with the grid (0.0002).
    for (const double extent : {1.0, 30.0}) {
        Lists in;
        Pt p{0, 0, 0};
        for (int i = 0; i < 12; ++i) {
            Pt q{p[0] + extent / 12, 0, 0};
            in.curves.AddTail(Line(p, q));
            p = q;
            p[0] += 0.001;
        }
        tool.CreateLoop3dForClearCorner(&in.curves, 0.0, &in.loops);
        EXPECT_EQ(in.loops.GetCount(), extent < 2.0 ? 1 : 12) << "extent " << extent;
    }
}

TEST_F(Tool3dDirectedTest, TakesTheLargestClimbAndNeverReverses)
{
    Lists in;
    in.curves.AddTail(Line({0, 0, 0}, {1, 0, 0}));
    in.curves.AddTail(Line({1, 0, 0}, {2, 0, -1}));  // 1 lower
    in.curves.AddTail(Line({1, 0, 0}, {2, 1, 5}));   // 5 higher
    in.curves.AddTail(Line({2, 1, 5}, {1, 0, 0}));   // fits only reversed at (1, 0, 0)... and at (2, 1, 5)
    tool.CreateLoop3dForClearCorner1(&in.curves, &in.loops);
    const auto chains = in.Chains();
    ASSERT_FALSE(chains.empty());
    ASSERT_GE(chains[0].size(), 2u);
    EXPECT_EQ(chains[0][1][1], (Pt{2, 1, 5}));
    for (const Chain& c : chains)
        for (std::size_t i = 1; i < c.size(); ++i) EXPECT_LT(P3D_Dist(c[i - 1][1].data(), c[i][0].data()), 0.002);
}

TEST_F(Tool3dDirectedTest, CancelGivesEveryChainedCurveBack)
{
    for (const int count : {5, 40}) {
        for (int polls = 0; polls < 8; ++polls) {
            std::mt19937 rng(polls);
            Lists in;
            for (CGeCurve3d* c : DirectedSegments(rng, count / 5)) in.curves.AddTail(c);
            std::vector<CGeCurve3d*> before = in.Curves();
            std::sort(before.begin(), before.end());
            auto* earlier = new CGeLoop3d;
            in.loops.AddTail(earlier);
            widgra::testing::CancelAfterPolls(polls);
            tool.CreateLoop3dForClearCorner(&in.curves, 0.0, &in.loops);
            const bool cancelled = widgra::testing::PollCount() > polls;  // the call saw the cancel
            widgra::testing::Reset();
            if (!cancelled) continue;
            std::vector<CGeCurve3d*> after = in.Curves();
            std::sort(after.begin(), after.end());
            EXPECT_EQ(after, before) << count << " curves, " << polls << " polls";
            ASSERT_EQ(in.loops.GetCount(), 1);
            EXPECT_EQ(in.loops.GetHead(), earlier);
        }
    }
}

TEST_F(Tool3dDirectedTest, LinkedCurveCancelGivesTheOriginalsBack)
{
    for (int polls = 0; polls < 4; ++polls) {
        Lists in;
        Pt p{0, 0, 0};
        for (int i = 0; i < 6; ++i) {
            Pt q{p[0] + 0.5, (i % 2) * 0.2, 0};
            in.curves.AddTail(Line(p, q));
            p = q;
        }
        in.curves.AddTail(Line({5, 5, 0}, {5.5, 5, 0}));
        std::vector<CGeCurve3d*> before = in.Curves();
        std::sort(before.begin(), before.end());
        auto* earlier = new CGeLoop3d;
        in.loops.AddTail(earlier);
        widgra::testing::CancelAfterPolls(polls);
        tool.CreateLinkedCurve(&in.curves, &in.loops, true, 0.001);
        const bool cancelled = widgra::testing::PollCount() > polls;  // the call saw the cancel
        widgra::testing::Reset();
        if (!cancelled) {
            EXPECT_EQ(in.loops.GetCount(), 3) << polls << " polls";
            continue;
        }
        std::vector<CGeCurve3d*> after = in.Curves();
        std::sort(after.begin(), after.end());
        EXPECT_EQ(after, before) << polls << " polls: the reversed copies are gone, the originals back";
        ASSERT_EQ(in.loops.GetCount(), 1);
        EXPECT_EQ(in.loops.GetHead(), earlier);
    }
}

TEST_F(Tool3dDirectedTest, AxisCurvesJoinBetweenJunctions)
{
    struct Row {
        const char* label;
        std::vector<std::array<Pt, 2>> pieces;
        std::vector<Chain> expected;
    } rows[] = {
        {"three pieces at a junction",
         {{Pt{-5, 0, 0}, Pt{0, 0, 0}}, {Pt{0, 0, 0}, Pt{5, 0, 0}}, {Pt{0, 0, 0}, Pt{0, 5, 0}}},
         {{{Pt{0, 0, 0}, Pt{-5, 0, 0}}}, {{Pt{5, 0, 0}, Pt{0, 0, 0}}}, {{Pt{0, 5, 0}, Pt{0, 0, 0}}}}},
        {"two pieces end to start",
         {{Pt{0, 0, 0}, Pt{1, 0, 0}}, {Pt{1, 0, 0}, Pt{2, 1, 0}}},
         {{{Pt{2, 1, 0}, Pt{1, 0, 0}}, {Pt{1, 0, 0}, Pt{0, 0, 0}}}}},
        {"end to end, highest seed first",
         {{Pt{0, 0, 0}, Pt{1, 0, 0}}, {Pt{3, 0, 2}, Pt{1, 0, 0}}},
         {{{Pt{0, 0, 0}, Pt{1, 0, 0}}, {Pt{1, 0, 0}, Pt{3, 0, 2}}}}},
    };
    for (const Row& row : rows) {
        Lists in;
        for (const auto& p : row.pieces) in.curves.AddTail(Line(p[0], p[1]));
        tool.AxisCrvToComCrv(&in.curves, &in.out);
        std::vector<Chain> got;
        for (CGeCurve3d* c : in.out) got.push_back(chainref3d::ChainOf(static_cast<CGeCombCurve3d*>(c)));
        EXPECT_EQ(got, row.expected) << row.label;
        EXPECT_EQ(in.curves.GetCount(), static_cast<INT_PTR>(row.pieces.size())) << row.label << ": inputs stay";
    }
}

TEST_F(Tool3dDirectedTest, LinkedCurveOfAYWalksOutAndBack)
{
    Lists in;
    in.curves.AddTail(Line({0, 0, 0}, {1, 0, 0}));        // stem S, the seed
    in.curves.AddTail(Line({1, 0, 0}, {1.5, 0.8, 0}));    // B2: sharper turn
    in.curves.AddTail(Line({1, 0, 0}, {1.9, -0.2, 0}));   // B1: the smaller turn
    const std::vector<CGeCurve3d*> c = in.Curves();
    tool.CreateLinkedCurve(&in.curves, &in.loops, false, 0.001);
    ASSERT_EQ(in.loops.GetCount(), 1);
    const Chain got = in.Chains().front();
    const std::vector<std::array<Pt, 2>> expected = {
        {Pt{0, 0, 0}, Pt{1, 0, 0}},    {Pt{1, 0, 0}, Pt{1.9, -0.2, 0}}, {Pt{1.9, -0.2, 0}, Pt{1, 0, 0}},
        {Pt{1, 0, 0}, Pt{1.5, 0.8, 0}}, {Pt{1.5, 0.8, 0}, Pt{1, 0, 0}},  {Pt{1, 0, 0}, Pt{0, 0, 0}}};
    EXPECT_EQ(got, Chain(expected.begin(), expected.end()));
}

TEST_F(Tool3dDirectedTest, LinkedCurveWalksEveryBranchOfRandomTreesOnceOutAndOnceBack)
{
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (int round = 0; round < 20; ++round) {
        // A random tree grown from the origin; edges point away from the root, and
        // no two edges at a node share a direction.
        std::vector<Pt> nodes{{0, 0, 0}};
        std::vector<double> heading{0.0};
        Lists in;
        const int edges = 5 + static_cast<int>(unit(rng) * 25);
        std::map<std::pair<int, int>, int> edgeOf;
        for (int e = 0; e < edges; ++e) {
            const int parent = static_cast<int>(unit(rng) * nodes.size());
            const double h = heading[static_cast<std::size_t>(parent)] + (unit(rng) - 0.5) * 1.6;
            const double len = 0.3 + 0.5 * unit(rng);
            const Pt p = nodes[static_cast<std::size_t>(parent)];
            Pt q{p[0] + len * std::cos(h), p[1] + len * std::sin(h), 0};
            nodes.push_back(q);
            heading.push_back(h);
            CGeCurve3d* line = Line(p, q);
            if (e > 0 && unit(rng) < 0.3) line->Reverse();
            if (e == 0)
                in.curves.AddHead(line);  // the seed: the root's first edge
            else
                in.curves.AddTail(line);
        }
        // Every edge's key by its two end points, direction-free.
        auto key = [](const Pt& a, const Pt& b) { return std::minmax(a, b); };
        std::map<std::pair<Pt, Pt>, int> outs, backs;
        std::map<std::pair<Pt, Pt>, std::pair<Pt, Pt>> firstDir;
        tool.CreateLinkedCurve(&in.curves, &in.loops, false, 0.001);
        EXPECT_TRUE(in.curves.IsEmpty()) << "round " << round;
        EXPECT_EQ(in.loops.GetCount(), 1) << "round " << round << ": one walk covers the tree";
        for (const Chain& chain : in.Chains()) {
            for (std::size_t i = 1; i < chain.size(); ++i)
                EXPECT_LT(P3D_Dist(chain[i - 1][1].data(), chain[i][0].data()), 1e-9) << "round " << round;
            for (const auto& m : chain) {
                const auto k = key(m[0], m[1]);
                auto it = firstDir.find(k);
                if (it == firstDir.end()) {
                    firstDir[k] = {m[0], m[1]};
                    ++outs[k];
                } else {
                    EXPECT_EQ(it->second.first, m[1]) << "round " << round << ": back along the way out";
                    ++backs[k];
                }
            }
        }
        EXPECT_EQ(firstDir.size(), static_cast<std::size_t>(edges)) << "round " << round;
        for (const auto& [k, n] : outs) {
            EXPECT_EQ(n, 1) << "round " << round;
            EXPECT_EQ(backs[k], 1) << "round " << round;
        }
    }
}

}  // namespace
