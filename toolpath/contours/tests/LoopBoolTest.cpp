// Loop Booleans against Clipper's (nonzero fill): random pockets with round and
// polygonal holes and their shifted copies, shared edges, touching corners, equal loops
// and nesting; the result's area, loop and island counts, and a - b plus a and b = a.
#include "OffsetOracle.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <string>

namespace {

using namespace offsettest;
using clipperpaths::TreeCounts;

std::vector<Pocket> Shifted(std::vector<Pocket> v, double dx, double dy)
{
    for (Pocket& k : v) {
        for (P& p : k.outer)
            p = {p[0] + dx, p[1] + dy};
        for (Polygon& h : k.holes)
            for (P& p : h)
                p = {p[0] + dx, p[1] + dy};
        for (Circle& c : k.circles)
            c.c = {c.c[0] + dx, c.c[1] + dy};
    }
    return v;
}

CSmartLoop* SetChain(const std::vector<Pocket>& set, int tag)
{
    CSmartLoop* chain = nullptr;
    for (const Pocket& k : set) {
        CSmartLoop* L = PocketLoop(k);
        L->tag = tag;
        CSmartLoop::AppendChain(chain, L);
    }
    return chain;
}

ClipperLib::Paths SetPaths(const std::vector<Pocket>& set)
{
    ClipperLib::Paths all;
    for (const Pocket& k : set)
        for (auto& p : PocketPaths(k))
            all.push_back(p);
    return all;
}

ClipperLib::Paths ClipperOp(const ClipperLib::Paths& a, const ClipperLib::Paths& b, ClipperLib::ClipType op)
{
    ClipperLib::Clipper c;
    c.AddPaths(a, ClipperLib::ptSubject, true);
    c.AddPaths(b, ClipperLib::ptClip, true);
    ClipperLib::Paths out;
    c.Execute(op, out, ClipperLib::pftNonZero, ClipperLib::pftNonZero);
    return out;
}

struct OpRow {
    const char* label;
    ClipperLib::ClipType peer;
    std::function<CSmartLoop*(CSmartLoop*, CSmartLoop*)> run;
};

const OpRow kOps[] = {
    {"union", ClipperLib::ctUnion,
     [](CSmartLoop* a, CSmartLoop* b) {
         CSmartLoop::AppendChain(a, b);
         return CSmartLoop::WeldContours(a);
     }},
    {"intersection", ClipperLib::ctIntersection,
     [](CSmartLoop* a, CSmartLoop* b) {
         CSmartLoop::AppendChain(a, b);
         return CSmartLoop::IntersectLoop(a);
     }},
    {"difference", ClipperLib::ctDifference, [](CSmartLoop* a, CSmartLoop* b) { return CSmartLoop::SubtractContours(a, b); }},
};

double ChainArea(CSmartLoop* chain)
{
    return chain ? clipperpaths::ModelArea(clipperpaths::Normalised(ChainPaths(chain), ClipperLib::pftEvenOdd)) : 0.0;
}

// Runs every operation on the two sets and compares with Clipper; returns the areas of
// the difference and the intersection.
void CompareOps(const std::vector<Pocket>& a, const std::vector<Pocket>& b, const std::string& label)
{
    const ClipperLib::Paths pa = SetPaths(a), pb = SetPaths(b);
    const double tol = 2 * 0.001 * (clipperpaths::Perimeter(pa) + clipperpaths::Perimeter(pb)) + 1e-6;
    double area[3] = {0, 0, 0};
    for (std::size_t i = 0; i < 3; ++i) {
        const OpRow& op = kOps[i];
        CSmartLoop* R = op.run(SetChain(a, 1), SetChain(b, 2));
        const ClipperLib::Paths peer = ClipperOp(pa, pb, op.peer);
        const ClipperLib::Paths ours = ChainPaths(R);
        const std::string row = label + " " + op.label;
        EXPECT_LE(clipperpaths::XorArea(ours, ClipperLib::pftEvenOdd, peer, ClipperLib::pftNonZero), tol) << row;
        const TreeCounts x = ChainCounts(R), y = clipperpaths::Counts(peer, ClipperLib::pftNonZero);
        EXPECT_EQ(x.outers, y.outers) << row;
        EXPECT_EQ(x.holes, y.holes) << row;
        for (CSmartLoop* L = R; L; L = L->next) {
            EXPECT_GT(L->area, 0) << row;
            for (CSmartLoop* h = L->islands; h; h = h->next)
                EXPECT_LT(h->area, 0) << row;
        }
        area[i] = ChainArea(R);
        CSmartLoop::DeleteLoopChain(R);
    }
    const double areaA = clipperpaths::ModelArea(clipperpaths::Normalised(pa, ClipperLib::pftNonZero));
    EXPECT_NEAR(area[2] + area[1], areaA, tol) << label << " a - b plus a and b";
}

TEST(LoopBool, RandomPocketsAgainstClipper)
{
    std::mt19937 rng(43);
    std::uniform_real_distribution<double> shift(-15, 15);
    for (int round = 0; round < 10; ++round) {
        std::vector<Pocket> a;
        for (int i = 0; i < 1 + round % 3; ++i)
            a.push_back(Shifted({RandomPocket(rng, 10 + 2 * round, round % 4)}, 90.0 * i, 0).front());
        const std::vector<Pocket> b = Shifted(a, shift(rng), shift(rng));
        CompareOps(a, b, "round " + std::to_string(round));
    }
}

Pocket Square(double x0, double y0, double x1, double y1)
{
    return Pocket{{{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}}, {}, {}};
}

TEST(LoopBool, SharedEdgesTouchingCornersEqualAndNestedLoops)
{
    Pocket ring = Square(0, 0, 10, 10);
    ring.holes.push_back({{3, 3}, {3, 7}, {7, 7}, {7, 3}});
    Pocket disc = Square(0, 0, 10, 10);
    disc.circles.push_back({{5, 5}, 2});
    const struct {
        const char* label;
        std::vector<Pocket> a, b;
    } rows[] = {
        {"shared edge", {Square(0, 0, 10, 10)}, {Square(10, 0, 20, 10)}},
        {"shared part of an edge", {Square(0, 0, 10, 10)}, {Square(10, 5, 20, 15)}},
        {"overlap along an edge", {Square(0, 0, 10, 10)}, {Square(5, 0, 15, 10)}},
        {"touching corners", {Square(0, 0, 10, 10)}, {Square(10, 10, 20, 20)}},
        {"equal loops", {Square(0, 0, 10, 10)}, {Square(0, 0, 10, 10)}},
        {"b inside a", {Square(0, 0, 10, 10)}, {Square(2, 2, 8, 8)}},
        {"a inside b", {Square(2, 2, 8, 8)}, {Square(0, 0, 10, 10)}},
        {"b in a's hole", {ring}, {Square(4, 4, 6, 6)}},
        {"b fills a's hole", {ring}, {Square(3, 3, 7, 7)}},
        {"b across a's round hole", {disc}, {Square(4, -2, 6, 12)}},
        {"disjoint", {Square(0, 0, 10, 10)}, {Square(20, 0, 30, 10)}},
    };
    for (const auto& r : rows)
        CompareOps(r.a, r.b, r.label);
}

TEST(LoopBool, BuildContourNestsByArea)
{
    // Three nested squares: the largest is the outer loop, the middle one its island, the
    // smallest a second outer loop placed before the largest; a sliver below 1e-8 goes.
    CSmartLoop* chain = nullptr;
    for (double h : {1.0, 3.0, 5.0}) {
        CSmartLoop* L = looptest::PolygonLoop({{-h, -h}, {h, -h}, {h, h}, {-h, h}});
        CSmartLoop::AppendChain(chain, L);
    }
    CSmartLoop::AppendChain(chain, looptest::PolygonLoop({{0, 0}, {1, 0}, {1, 1e-9}}));
    CSmartLoop* R = CSmartLoop::BuildContour(chain);
    ASSERT_NE(R, nullptr);
    ASSERT_NE(R->next, nullptr);
    EXPECT_EQ(R->next->next, nullptr);
    EXPECT_DOUBLE_EQ(R->area, 8.0);
    EXPECT_EQ(R->islands, nullptr);
    EXPECT_DOUBLE_EQ(R->next->area, 200.0);
    ASSERT_NE(R->next->islands, nullptr);
    EXPECT_DOUBLE_EQ(R->next->islands->area, -72.0);
    CSmartLoop::DeleteLoopChain(R);
}

TEST(LoopBool, NonPositiveLoopsHoldNothing)
{
    // A clockwise loop at the top of an operand is empty: it neither empties a union or a
    // difference nor fills an intersection.
    const Polygon sq = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
    const Polygon big = {{-5, -5}, {-5, 15}, {15, 15}, {15, -5}};  // clockwise
    auto pair = [&](int tagB) {
        CSmartLoop* a = looptest::PolygonLoop(sq);
        CSmartLoop* b = looptest::PolygonLoop(big);
        a->tag = 1;
        b->tag = tagB;
        return std::pair{a, b};
    };
    auto [a1, b1] = pair(2);
    CSmartLoop::AppendChain(a1, b1);
    CSmartLoop* u = CSmartLoop::WeldContours(a1);
    EXPECT_NEAR(ChainArea(u), 100.0, 1e-9) << "union";
    CSmartLoop::DeleteLoopChain(u);
    auto [a2, b2] = pair(2);
    CSmartLoop* d = CSmartLoop::SubtractContours(a2, b2);
    EXPECT_NEAR(ChainArea(d), 100.0, 1e-9) << "difference";
    CSmartLoop::DeleteLoopChain(d);
    auto [a3, b3] = pair(2);
    CSmartLoop::AppendChain(a3, b3);
    CSmartLoop* i = CSmartLoop::IntersectLoop(a3);
    EXPECT_EQ(i, nullptr) << "intersection";
    CSmartLoop::DeleteLoopChain(i);
}

TEST(LoopBool, SubtractNothingAndWeldOneLoopReturnTheInput)
{
    CSmartLoop* a = looptest::PolygonLoop({{0, 0}, {1, 0}, {1, 1}});
    EXPECT_EQ(CSmartLoop::SubtractContours(a, nullptr), a);
    EXPECT_EQ(CSmartLoop::WeldContours(a), a);
    EXPECT_EQ(CSmartLoop::WeldContours(nullptr), nullptr);
    EXPECT_EQ(CSmartLoop::IntersectLoop(nullptr), nullptr);
    delete a;
}

}  // namespace

namespace {

TEST(LoopBool, ClipLoopsReformsCrossingLoopsAndReusesTheOthers)
{
    // Two crossing squares of different tags are cut at their crossings and walked by the
    // leftmost branch: the walk closes the outline of their union and the lens they share;
    // a loop that crosses nothing comes back as it was.
    CSmartLoop* a = looptest::PolygonLoop({{0, 0}, {10, 0}, {10, 10}, {0, 10}});
    CSmartLoop* b = looptest::PolygonLoop({{5, 5}, {15, 5}, {15, 15}, {5, 15}});
    CSmartLoop* c = looptest::PolygonLoop({{30, 0}, {40, 0}, {40, 10}, {30, 10}});
    a->tag = 1;
    b->tag = 2;
    c->tag = 3;
    CSmartLoop* chain = a;
    CSmartLoop::AppendChain(chain, b);
    CSmartLoop::AppendChain(chain, c);
    CSmartLoop* R = CSmartLoop::ClipLoops(chain);
    std::vector<double> areas;
    bool reused = false;
    for (CSmartLoop* L = R; L; L = L->next) {
        reused = reused || L == c;
        areas.push_back(L->area / 2);
        EXPECT_EQ(L->islands, nullptr);
    }
    EXPECT_TRUE(reused);
    std::sort(areas.begin(), areas.end());
    ASSERT_EQ(areas.size(), 3u);
    EXPECT_NEAR(areas[0], 25, 1e-9) << "lens";
    EXPECT_NEAR(areas[1], 100, 1e-9) << "untouched";
    EXPECT_NEAR(areas[2], 175, 1e-9) << "union outline";
    CSmartLoop::DeleteLoopChain(R);
}

}  // namespace
