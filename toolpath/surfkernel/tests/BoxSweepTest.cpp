// Box pairs by the sweep against the plain pairwise scan.
#include "toolpath/surfkernel/BoxSweep.h"

#include "framework/numerak/Box3D.h"
#include "toolpath/surfkernel/EdInterCurve.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <utility>
#include <vector>

TEST(BoxSweep, BoxPairsIn3DAsThePlainScan)
{
    std::mt19937 rng(4);
    std::uniform_real_distribution<double> pos(0.0, 10.0), size(0.0, 0.8);
    auto boxes = [&](int n) {
        std::vector<BOX3<double>> out;
        for (int i = 0; i < n; ++i) {
            const double p[3] = {pos(rng), pos(rng), pos(rng)};
            const double q[3] = {p[0] + size(rng), p[1] + size(rng), p[2] + size(rng)};
            BOX3<double> b;
            b.Init(p, q);
            out.push_back(b);
        }
        return out;
    };
    for (double tol : {0.0, 0.1}) {
        const auto a = boxes(400), b = boxes(400);
        std::set<std::pair<int, int>> sweep, plain, selfSweep, selfPlain;
        boxsweep::Pairs(a, b, tol, [&](int i, int j) { sweep.insert({i, j}); });
        boxsweep::SelfPairs(a, tol, [&](int i, int j) { selfSweep.insert({i, j}); });
        for (int i = 0; i < 400; ++i)
            for (int j = 0; j < 400; ++j) {
                if (BOX3D_IsInt(&a[i], &b[j], tol)) plain.insert({i, j});
                if (i < j && BOX3D_IsInt(&a[i], &a[j], tol)) selfPlain.insert({i, j});
            }
        EXPECT_GT(plain.size(), 20u);
        EXPECT_EQ(sweep, plain) << tol;
        EXPECT_EQ(selfSweep, selfPlain) << tol;
    }
}

// The sweep over periodic coordinates finds every box pair that the rule's shift
// (PeriodicShift of the moved box's lower end into the fixed box) makes overlap, and
// without periods exactly the plain pairs.
TEST(BoxSweep, PeriodicBoxPairsCoverThePlainScan)
{
    std::mt19937 rng(3);
    std::uniform_real_distribution<double> pos(-0.3, 2.3), size(0.0, 0.2);
    auto boxes = [&](int n) {
        std::vector<BOX2<double>> out;
        for (int i = 0; i < n; ++i) {
            const double u = pos(rng), v = pos(rng);
            out.push_back(BOX2<double>(u, v, u + size(rng), v + size(rng)));
        }
        return out;
    };
    for (const auto& period : {std::array<double, 2>{0, 0}, {1, 0}, {0, 1}, {1, 1}}) {
        const auto a = boxes(300), b = boxes(300);
        const auto got = boxsweep::PeriodicPairs(a, b, period.data(), 1e-9);
        const std::set<std::pair<int, int>> found(got.begin(), got.end());
        size_t plain = 0;
        for (int i = 0; i < 300; ++i)
            for (int j = 0; j < 300; ++j) {
                BOX2<double> m = b[j];
                const double h[2] = {PeriodicShift(m.xmin, period[0], a[i].xmin, a[i].xmax),
                                     PeriodicShift(m.ymin, period[1], a[i].ymin, a[i].ymax)};
                m.xmin += h[0], m.xmax += h[0], m.ymin += h[1], m.ymax += h[1];
                if (m.xmin <= a[i].xmax && a[i].xmin <= m.xmax && m.ymin <= a[i].ymax && a[i].ymin <= m.ymax) {
                    ++plain;
                    EXPECT_TRUE(found.count({i, j})) << "pair " << i << ", " << j << " periods " << period[0] << ", "
                                                     << period[1];
                }
            }
        EXPECT_GT(plain, 50u);
        if (period[0] == 0 && period[1] == 0) {
            EXPECT_EQ(found.size(), plain);
        }
    }
}

