// Bookkeeping of the surface/surface intersection that its answers do not
// show: the seeds a trace consumes, and the patch pairs of subdivisions with
// and without their kept index.
#include "toolpath/surfkernel/SurfaceIntersect.h"

#include "KernelEntityFixtures.h"
#include "testing/SurfaceFixtures.h"
#include "toolpath/surfkernel/SurfaceEntity.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

namespace {

using kernelfix::EntityPtr;

struct SurfaceTraceTest : ::testing::Test {
    void SetUp() override { ESSI_ResetKernelState(); }
    void TearDown() override { ESSI_ResetKernelState(); }
};

// Two bicubic height fields crossing in several branches (about 15 units).
std::pair<EntityPtr, EntityPtr> CrossingWaves()
{
    surffix::SurfPtr b = surffix::Wavy(20, false, 11);
    for (int i = 0; i < b->nu; ++i)
        for (int j = 0; j < b->nv; ++j) {
            double* P = b->P[i][j];
            P[2] = 0.4 * P[2] + 0.3 * P[0] - 1.5 * P[3];
        }
    return {EntityPtr(ESRF_NewNurbs(surffix::Wavy(20, true).release())), EntityPtr(ESRF_NewNurbs(b.release()))};
}

SSI_POINT* CopyList(const SSI_POINT* head)
{
    SSI_POINT *out = nullptr, *last = nullptr;
    for (const SSI_POINT* p = head; p; p = p->next) {
        SSI_POINT* c = ESSI_CopyPoint(p);
        c->prev = last;
        c->next = nullptr;
        (last ? last->next : out) = c;
        last = c;
    }
    return out;
}

std::vector<std::array<double, 3>> Points(const SSI_POINT* head)
{
    std::vector<std::array<double, 3>> out;
    for (const SSI_POINT* p = head; p; p = p->next)
        out.push_back({p->p[0], p->p[1], p->p[2]});
    std::sort(out.begin(), out.end());
    return out;
}

// A trace consumes the seeds once it is done (through a grid of the steps
// when there are many); it must leave the same seeds as consuming after
// every step, replayed here along the traced points.
TEST_F(SurfaceTraceTest, TraceConsumesTheSeedsOfEveryStep)
{
    ESSI_SetSubdivTolerance(0.0015, 0.2, 0.015);
    ESSI_SetTraceTolerance(0.00075, 0.1, 0.0075);
    auto [A, B] = CrossingWaves();
    double boxA[4], boxB[4];
    ASSERT_EQ(ESRF_GetUVBox(A.get(), boxA), 1);
    ASSERT_EQ(ESRF_GetUVBox(B.get(), boxB), 1);
    SSI_SUBDIV *sa = nullptr, *sb = nullptr;
    SSI_POINT* seeds = nullptr;
    ASSERT_EQ(ESSI_FindSeeds(boxA, boxB, A.get(), &sa, B.get(), &sb, &seeds), 1);
    ASSERT_NE(seeds, nullptr);
    SSI_POINT* start = seeds;
    seeds = ESSI_UnlinkPoint(seeds, start);
    const size_t before = Points(seeds).size();

    SSI_WALK* traced = ESSI_NewWalk(boxA, A.get(), B.get(), boxB, CopyList(seeds), start);
    ASSERT_EQ(ESSI_TraceFromSeed(traced, 1000000), 1);
    std::vector<const SSI_POINT*> steps;
    for (const SSI_POINT* p = traced->points; p; p = p->next)
        steps.push_back(p);
    std::reverse(steps.begin(), steps.end());
    // Enough step and seed tests for the grid, and seeds on both sides.
    ASSERT_GT(steps.size() * before, 100000u);

    SSI_WALK* replay = ESSI_NewWalk(boxA, A.get(), B.get(), boxB, CopyList(seeds), start);
    for (size_t i = 0; i + 1 < steps.size(); ++i) {
        replay->n0 = *steps[i];
        replay->n1 = *steps[i + 1];
        ASSERT_EQ(ESSI_ConsumeSeeds(replay), 1);
    }
    const auto left = Points(traced->seeds), replayed = Points(replay->seeds);
    EXPECT_TRUE(left == replayed) << left.size() << " seeds left, " << replayed.size() << " by the replay";
    EXPECT_LT(left.size(), before);
    EXPECT_GT(left.size(), 0u);

    ESSI_FreePointList(traced->seeds);
    ESSI_FreePointList(replay->seeds);
    ESSI_FreeWalk(traced);
    ESSI_FreeWalk(replay);
    ESSI_FreePoint(start);
    ESSI_FreePointList(seeds);
    ESSI_FreeSubdivision(sa);
    ESSI_FreeSubdivision(sb);
}

// A subdivision that comes without its index (made by hand) gets one for the
// search: the same pairs as through the kept indexes.
TEST_F(SurfaceTraceTest, PatchPairsWithoutTheKeptIndex)
{
    auto [A, B] = CrossingWaves();
    const double box[4] = {0, 0, 1, 1};
    SSI_SUBDIV *sa = nullptr, *sb = nullptr;
    ASSERT_EQ(ESSI_Subdivide(A.get(), box, 0.05, 0.5, 0.5, &sa), 1);
    ASSERT_EQ(ESSI_Subdivide(B.get(), box, 0.05, 0.5, 0.5, &sb), 1);
    using Pairs = std::vector<std::pair<const SSI_PATCH*, const SSI_PATCH*>>;
    auto collect = [](void* ctx, const SSI_PATCH* P, const SSI_PATCH* Q) {
        static_cast<Pairs*>(ctx)->push_back({P, Q});
        return 1;
    };
    Pairs kept, made;
    ASSERT_EQ(ESSI_ForEachPatchPair(sa, sb, 0.1, collect, &kept), 1);
    ESSI_FreePatchIndex(sb->index);
    sb->index = nullptr;
    ASSERT_EQ(ESSI_ForEachPatchPair(sa, sb, 0.1, collect, &made), 1);
    std::sort(kept.begin(), kept.end());
    std::sort(made.begin(), made.end());
    EXPECT_GT(kept.size(), 10u);
    EXPECT_EQ(kept, made);
    ESSI_FreeSubdivision(sa);
    ESSI_FreeSubdivision(sb);
}

} // namespace
