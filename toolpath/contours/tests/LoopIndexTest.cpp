// The loop Booleans' searches against plain scans: the section crossings of one box sweep
// against ContourContourInt of every loop pair, and the loops a point index offers against
// every loop whose widened box holds the point.
#include "OffsetOracle.h"

#include "toolpath/contours/LoopChain.h"

#include <gtest/gtest.h>

#include <random>

namespace {

using offsettest::Pocket;

std::vector<CSmartLoop*> RandomLoops(std::mt19937& rng, int n)
{
    std::uniform_real_distribution<double> u(0, 120);
    std::vector<CSmartLoop*> loops;
    for (int i = 0; i < n; ++i) {
        Pocket k = offsettest::RandomPocket(rng, 6 + i % 9, i % 3);
        for (auto& p : k.outer)
            p = {p[0] + u(rng), p[1] + u(rng) * 0.3};
        CSmartLoop* L = offsettest::PocketLoop(k);
        // Islands stay where the pocket put them; moving the outer makes them cross it.
        loops.push_back(L);
    }
    return loops;
}

std::vector<std::array<double, 3>> AllPoints(CSmartLoop* L)
{
    std::vector<std::array<double, 3>> v;
    for (CSmartLoop* x = L; x; x = x == L ? L->islands : x->next)
        for (CSmartSect* s = x->contour->head; s; s = s->next) {
            v.push_back({-1, -1, -1});
            if (s->points)
                for (CSmartPoint* p = s->points->head; p; p = p->next)
                    v.push_back({p->x, p->y, p->t});
        }
    return v;
}

TEST(LoopIndex, SweepFindsThePlainPairsCrossings)
{
    std::mt19937 rng(3);
    int points = 0;
    for (int round = 0; round < 6; ++round) {
        std::vector<CSmartLoop*> a = RandomLoops(rng, 12), b;
        for (CSmartLoop* L : a)
            b.push_back(L->CopyContour());
        // Loops of equal parity are not cut against each other.
        auto admit = [](int i, int j) { return (i + j) % 2 == 1; };
        smart::CrossLoops(a, admit);
        for (std::size_t i = 0; i < b.size(); ++i)
            for (std::size_t j = i + 1; j < b.size(); ++j)
                if (admit(static_cast<int>(i), static_cast<int>(j)))
                    b[i]->ContourContourInt(b[j]);
        for (std::size_t i = 0; i < a.size(); ++i) {
            const auto pa = AllPoints(a[i]), pb = AllPoints(b[i]);
            ASSERT_EQ(pa.size(), pb.size()) << "round " << round << " loop " << i;
            for (std::size_t k = 0; k < pa.size(); ++k)
                for (int c = 0; c < 3; ++c)
                    ASSERT_NEAR(pa[k][static_cast<std::size_t>(c)], pb[k][static_cast<std::size_t>(c)], 1e-9)
                        << "round " << round << " loop " << i;
            points += static_cast<int>(pa.size());
        }
        for (CSmartLoop* L : a)
            delete L;
        for (CSmartLoop* L : b)
            delete L;
    }
    EXPECT_GT(points, 1000);
}

TEST(LoopIndex, PointIndexOffersEveryLoopWhoseBoxHoldsThePoint)
{
    std::mt19937 rng(4);
    std::vector<CSmartLoop*> loops = RandomLoops(rng, 40);
    smart::LoopPointIndex index(loops, 0.01);
    std::uniform_real_distribution<double> u(-50, 170);
    int offered = 0;
    for (int k = 0; k < 5000; ++k) {
        const double p[2] = {u(rng), u(rng) * 0.5};
        std::vector<int> plain;
        for (std::size_t i = 0; i < loops.size(); ++i) {
            const CSmartLoop& L = *loops[i];
            if (p[0] >= L.box[0][0] - 0.01 && p[0] <= L.box[1][0] + 0.01 && p[1] >= L.box[0][1] - 0.01 &&
                p[1] <= L.box[1][1] + 0.01)
                plain.push_back(static_cast<int>(i));
        }
        ASSERT_EQ(index.At(p), plain) << p[0] << ", " << p[1];
        offered += static_cast<int>(plain.size());
    }
    EXPECT_GT(offered, 1000);
    for (CSmartLoop* L : loops)
        delete L;
}

}  // namespace
