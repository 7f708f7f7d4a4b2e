// The grid searches for overlapping boxes against a plain scan of every pair: the same
// pairs in the same order, with boxes of every size, touching ones, and boxes that cannot
// be placed in cells (NaN, infinite, inverted).
#include "toolpath/contours/BoxPairs.h"
#include "toolpath/contours/SectIntersect.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <utility>
#include <vector>

namespace {

using Pairs = std::vector<std::pair<int, int>>;

std::vector<std::array<double, 4>> RandomBoxes(std::mt19937& rng, int n)
{
    std::uniform_real_distribution<double> at(0, 100), size(0, 1);
    std::vector<std::array<double, 4>> v;
    for (int i = 0; i < n; ++i) {
        const double x = at(rng), y = at(rng);
        // Mostly small boxes, a few long ones across many cells.
        const double w = i % 17 == 0 ? 40 * size(rng) : 3 * size(rng), h = i % 13 == 0 ? 40 * size(rng) : 3 * size(rng);
        v.push_back({x, y, x + w, y + h});
        if (i % 9 == 0 && !v.empty())  // a box touching the previous one's corner
            v.push_back({x + w, y + h, x + w + 1, y + h + 1});
    }
    v.push_back({NAN, 1, 2, 3});
    v.push_back({1, 1, INFINITY, 3});
    v.push_back({5, 5, 4, 6});
    v.push_back({-INFINITY, -INFINITY, INFINITY, INFINITY});
    return v;
}

std::vector<const double*> Pointers(const std::vector<std::array<double, 4>>& v)
{
    std::vector<const double*> p;
    for (const auto& b : v)
        p.push_back(b.data());
    return p;
}

TEST(BoxPairs, SameAsThePlainScan)
{
    std::mt19937 rng(5);
    for (int round = 0; round < 8; ++round) {
        const auto boxes = RandomBoxes(rng, 50 + round * 60), other = RandomBoxes(rng, 40 + round * 30);
        const auto p = Pointers(boxes), q = Pointers(other);
        const int n = static_cast<int>(p.size());
        // Runs of one group, as sections of one loop: recurring groups, and groups in id
        // order (sections listed loop by loop).
        std::vector<int> recurring(p.size()), ordered(p.size());
        for (int i = 0; i < n; ++i) {
            recurring[static_cast<std::size_t>(i)] = (i / 3) % 5;
            ordered[static_cast<std::size_t>(i)] = i / 7;
        }
        for (const auto& [group, tol] : {std::pair{recurring, 0.0}, std::pair{recurring, 0.0001}, std::pair{recurring, 0.5},
                                         std::pair{ordered, 0.0}, std::pair{ordered, 0.5}}) {
            Pairs all, apart, cross;
            for (int i = 0; i < n; ++i)
                for (int j = i + 1; j < n; ++j)
                    if (BoxesOverlap(tol, p[i], p[j])) {
                        all.push_back({i, j});
                        if (group[i] != group[j])
                            apart.push_back({i, j});
                    }
            for (int i = 0; i < n; ++i)
                for (int j = 0; j < static_cast<int>(q.size()); ++j)
                    if (BoxesOverlap(tol, p[i], q[j]))
                        cross.push_back({i, j});
            EXPECT_EQ(smart::SelfBoxPairs(p, tol), all) << "round " << round << " tol " << tol;
            EXPECT_EQ(smart::SelfBoxPairs(p, tol, group), apart) << "round " << round << " tol " << tol;
            EXPECT_EQ(smart::CrossBoxPairs(p, q, tol), cross) << "round " << round << " tol " << tol;
            // The visit in any order: the same pairs once each; it stops at the first true.
            Pairs seen;
            EXPECT_FALSE(smart::ForSelfBoxPairs(p, tol, group, [&](int i, int j) {
                seen.push_back({i, j});
                return false;
            }));
            std::sort(seen.begin(), seen.end());
            EXPECT_EQ(seen, apart) << "round " << round << " tol " << tol;
            int calls = 0;
            EXPECT_TRUE(smart::ForSelfBoxPairs(p, tol, {}, [&](int, int) { return ++calls == 3; }));
            EXPECT_EQ(calls, 3);
            EXPECT_GT(apart.size(), static_cast<std::size_t>(n / 4)) << "not vacuous, round " << round;
            EXPECT_LT(apart.size(), all.size()) << "groups drop pairs, round " << round;
        }
    }
}

}  // namespace
