// Nearest-start order of the combines of a group, against a plain greedy order that
// scans every combine left at each pick.
#include "toolpath/contours/PathGroup.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {

using P3 = std::array<double, 3>;

// One combine per (start, end) pair: a line, or nothing for an empty combine.
struct Move {
    P3 start, end;
    bool empty = false;
};

std::unique_ptr<CPathGroup> Group(const std::vector<Move>& moves)
{
    auto g = std::make_unique<CPathGroup>(302);
    for (size_t i = 0; i < moves.size(); ++i) {
        auto* c = new CPathCombine(std::uint16_t(i));
        if (!moves[i].empty)
            PathCombineAppend(new CPathLine3D(moves[i].start.data(), moves[i].end.data()), c);
        PathGroupAppend(0, g.get(), c);
    }
    return g;
}

std::vector<int> Order(const CPathGroup& g)
{
    std::vector<int> ids;
    for (const CPathCombine* c = g.head; c; c = c->next)
        ids.push_back(c->op);
    return ids;
}

// Greedy by scanning: the first stays; the earliest of the nearest starts to the last
// end comes next; combines without a start last, in order.
std::vector<int> PlainOrder(const std::vector<Move>& moves)
{
    std::vector<int> order = {0};
    std::vector<bool> used(moves.size(), false);
    used[0] = true;
    P3 ref = moves[0].end;
    bool haveRef = !moves[0].empty;
    for (size_t n = 1; n < moves.size(); ++n) {
        int best = -1;
        double bestD = std::numeric_limits<double>::infinity();
        for (size_t i = 1; i < moves.size(); ++i) {
            if (used[i] || moves[i].empty)
                continue;
            const double d = haveRef ? std::sqrt(std::pow(moves[i].start[0] - ref[0], 2) +
                                                 std::pow(moves[i].start[1] - ref[1], 2) +
                                                 std::pow(moves[i].start[2] - ref[2], 2))
                                     : 0;
            if (best < 0 || d < bestD) {
                best = int(i);
                bestD = d;
            }
        }
        if (best < 0)
            break;
        used[size_t(best)] = true;
        order.push_back(best);
        ref = moves[size_t(best)].end;
        haveRef = true;
    }
    for (size_t i = 1; i < moves.size(); ++i)
        if (!used[i])
            order.push_back(int(i));
    return order;
}

TEST(PathGroupOrder, GreedyNearestStartEqualsThePlainScan)
{
    std::mt19937 rng(59);
    std::uniform_real_distribution<double> u(0, 1);
    struct Case {
        std::string name;
        int count;
        std::function<Move(int)> make;
    };
    const std::vector<Case> cases = {
        {"one combine", 1, [&](int) { return Move{{0, 0, 0}, {1, 0, 0}}; }},
        {"two", 2, [&](int i) { return Move{{double(i), 0, 0}, {double(i), 1, 0}}; }},
        {"random square", 3000,
         [&](int) { return Move{{100 * u(rng), 100 * u(rng), u(rng)}, {100 * u(rng), 100 * u(rng), u(rng)}}; }},
        // Passes of a raster: short moves, many ties between the two ends of a row.
        {"raster rows", 600,
         [&](int i) {
             const double y = double(i / 2), x = i % 2 ? 50.0 : 0.0;
             return Move{{x, y, 0}, {50 - x, y, 0}};
         }},
        // Integer points: exact ties everywhere, broken by the earlier combine.
        {"integer ties", 800,
         [&](int) {
             const double x = std::floor(10 * u(rng)), y = std::floor(10 * u(rng));
             return Move{{x, y, 0}, {std::floor(10 * u(rng)), std::floor(10 * u(rng)), 0}};
         }},
        // One long thin strip and a far cluster: the grid is stretched.
        {"strip and cluster", 1000,
         [&](int i) {
             if (i % 10 == 0)
                 return Move{{1000 + u(rng), 1000 + u(rng), 0}, {1000 + u(rng), 1000 + u(rng), 0}};
             return Move{{1000 * u(rng), 0.001 * u(rng), 0}, {1000 * u(rng), 0.001 * u(rng), 0}};
         }},
        // Same XY, different heights: only z tells them apart.
        {"stacked levels", 300,
         [&](int) {
             const double z = std::floor(30 * u(rng));
             return Move{{1, 1, z}, {1, 1, z - 0.5}};
         }},
        {"empty combines among them", 400,
         [&](int i) {
             Move m{{20 * u(rng), 20 * u(rng), 0}, {20 * u(rng), 20 * u(rng), 0}};
             m.empty = i % 7 == 3;
             return m;
         }},
        {"first combine empty", 50,
         [&](int i) {
             Move m{{20 * u(rng), 20 * u(rng), 0}, {20 * u(rng), 20 * u(rng), 0}};
             m.empty = i == 0;
             return m;
         }},
    };
    for (const Case& c : cases) {
        std::vector<Move> moves;
        for (int i = 0; i < c.count; ++i)
            moves.push_back(c.make(i));
        auto g = Group(moves);
        g->OrderCombinesByNearest();
        const std::vector<int> got = Order(*g);
        EXPECT_EQ(got, PlainOrder(moves)) << c.name;
        ASSERT_EQ(got.size(), moves.size()) << c.name;
        // The chain is whole: the tail is the last combine.
        EXPECT_EQ(g->tail ? g->tail->op : -1, got.back()) << c.name;
        EXPECT_EQ(g->tail->next, nullptr) << c.name;
    }
    CPathGroup empty(302);
    empty.OrderCombinesByNearest();
    EXPECT_EQ(empty.head, nullptr);
}

}  // namespace
