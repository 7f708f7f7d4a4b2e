#include "toolpath/surfkernel/SampleString.h"

#include "AllocFailureWalk.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <vector>

namespace {

// Distance of p to segment a-b by dense sampling.
double sampledSegmentDistance(const double* a, const double* b, const double* p, double* bestT)
{
    double best = 1e300;
    for (int k = 0; k <= 20000; ++k) {
        const double t = k / 20000.0;
        const double d = std::hypot(a[0] + t * (b[0] - a[0]) - p[0], a[1] + t * (b[1] - a[1]) - p[1],
                                    a[2] + t * (b[2] - a[2]) - p[2]);
        if (d < best) {
            best = d;
            *bestT = t;
        }
    }
    return best;
}

TEST(SampleStringTest, SegmentDistancesMatchDenseSampling)
{
    std::mt19937 rng(21);
    std::uniform_real_distribution<double> u(-3.0, 3.0);
    for (int i = 0; i < 300; ++i) {
        const double a[3] = {u(rng), u(rng), u(rng)}, b[3] = {u(rng), u(rng), u(rng)}, p[3] = {u(rng), u(rng), u(rng)};
        double g = -1, tBest;
        const double d = SEG3_Distance(a, b, p, &g);
        const double best = sampledSegmentDistance(a, b, p, &tBest);
        EXPECT_LE(d, best + 1e-12) << i;
        EXPECT_GE(d, best - 1e-3) << i;
        EXPECT_NEAR(g, tBest, 1e-3) << i;
        const double q[3] = {p[0], p[1], 0.0}, a2[3] = {a[0], a[1], 0.0}, b2[3] = {b[0], b[1], 0.0};
        const double d2 = SEG3_Distance(a2, b2, q, nullptr);
        for (double tol : {0.5 * d2, 2.0 * d2})
            EXPECT_EQ(SEG2_IsFar(tol, a, b, p), d2 >= tol ? 1 : 0) << i << " tol " << tol;
    }
    const double a[3] = {1, 1, 1}, p[3] = {1, 1, 3};
    double g = -1;
    EXPECT_EQ(SEG3_Distance(a, a, p, &g), 2.0) << "degenerate segment";
    EXPECT_EQ(g, 0.0);
}

TEST(SampleStringTest, PointNearSegment)
{
    const double a[3] = {0, 0, 0}, b[3] = {4, 0, 0};
    const struct { const char* label; double p[3]; int near; } rows[] = {
        {"above the middle", {2, 0.05, 0}, 1},
        {"too far above", {2, 0.2, 0}, 0},
        {"near the end a", {-0.05, 0.05, 0}, 1},
        {"beyond the end b", {4.2, 0, 0}, 0},
        {"off the box in z", {2, 0, 0.5}, 0},
    };
    for (const auto& r : rows)
        EXPECT_EQ(PLINE_PointNearSegment(0.1, r.p, b, a), r.near) << r.label;
}

PLINE makeLine(std::vector<std::array<double, 3>>& pts)
{
    return PLINE{static_cast<int>(pts.size()), reinterpret_cast<double(*)[3]>(pts.data())};
}

TEST(SampleStringTest, OverlapOfPolylines)
{
    std::vector<std::array<double, 3>> zig;
    for (int i = 0; i <= 20; ++i)
        zig.push_back({double(i), (i % 2) * 1.0, 0.0});
    std::vector<std::array<double, 3>> reversed(zig.rbegin(), zig.rend());
    std::vector<std::array<double, 3>> piece(zig.begin() + 5, zig.begin() + 12);
    std::vector<std::array<double, 3>> shifted = zig;
    for (auto& p : shifted)
        p[2] += 0.05;
    std::vector<std::array<double, 3>> bent = zig;
    bent[10][1] += 0.5;
    PLINE a = makeLine(zig), r = makeLine(reversed), pc = makeLine(piece), s = makeLine(shifted), bt = makeLine(bent);
    const struct { const char* label; const PLINE* x; const PLINE* y; int flag; } rows[] = {
        {"same points reversed", &a, &r, 1},
        {"a piece of itself", &a, &pc, 0},
        {"the piece first", &pc, &a, 0},
        {"shifted within tolerance", &a, &s, 1},
        {"one vertex moved away", &a, &bt, 0},
    };
    for (const auto& row : rows) {
        int flag = -1;
        ASSERT_EQ(PLINE_IsOverlap(row.x, row.y, &flag, 0.1), 1) << row.label;
        EXPECT_EQ(flag, row.flag) << row.label;
    }
    int flag = -1;
    EXPECT_EQ(PLINE_IsOverlap(nullptr, &a, &flag, 0.1), 0);
    int seg = 17, found = -1;
    const double p[3] = {2.5, 0.5, 0};
    EXPECT_EQ(PLINE_FindNearSegment(&a, p, &seg, &found, 0.01), 1);
    EXPECT_EQ(found, 1);
    EXPECT_EQ(seg, 2);
    const double far[3] = {2.5, 5.0, 0};
    EXPECT_EQ(PLINE_FindNearSegment(&a, far, &seg, &found, 0.01), 1);
    EXPECT_EQ(found, 0);
    EXPECT_EQ(seg, -1);
}

TEST(SampleStringTest, NearestCandidatesMatchDenseSampling)
{
    // A zigzag with a parameter running 0 .. 10.
    const int n = 11;
    PTSTRING* s = PTSTRING_New(n, PTSTRING_POINTS | PTSTRING_PARAMS);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->vecs, nullptr);
    for (int i = 0; i < n; ++i) {
        s->pnts[i][0] = i;
        s->pnts[i][1] = (i % 2) * 1.5;
        s->pnts[i][2] = 0.2 * i;
        s->params[i] = i;
    }
    std::mt19937 rng(8);
    std::uniform_real_distribution<double> ux(-1.0, 11.0), uy(-2.0, 3.0);
    std::vector<double> params(n);
    for (int k = 0; k < 300; ++k) {
        const double q[3] = {ux(rng), uy(rng), ux(rng) * 0.2};
        int count = 0;
        double d = -1;
        ASSERT_EQ(PTSTRING_NearestCandidates(&count, params.data(), s, q, &d, 1e-9), 1);
        double best = 1e300, bestParam = 0;
        for (int i = 0; i + 1 < n; ++i) {
            double t;
            const double di = sampledSegmentDistance(s->pnts[i], s->pnts[i + 1], q, &t);
            if (di < best) {
                best = di;
                bestParam = i + t;
            }
        }
        EXPECT_LE(d, best + 1e-12) << k;
        EXPECT_GE(d, best - 1e-3) << k;
        ASSERT_GE(count, 1) << k;
        double nearest = 1e300;
        for (int c = 0; c < count; ++c)
            nearest = std::min(nearest, std::fabs(params[c] - bestParam));
        EXPECT_LT(nearest, 2e-3) << k;
    }
    int count = 0;
    double d = 0;
    EXPECT_EQ(PTSTRING_NearestCandidates(&count, params.data(), nullptr, s->pnts[0], &d, 1e-9), 0);
    // A point equally near two segments yields both.
    const double mid[3] = {1.0, 5.0, 0.2};
    ASSERT_EQ(PTSTRING_NearestCandidates(&count, params.data(), s, mid, &d, 1e-9), 1);
    EXPECT_GE(count, 1);
    PTSTRING_Free(s);
    EXPECT_EQ(PTSTRING_New(0, 5), nullptr);
}

TEST(SampleStringTest, AllocationFailuresAreReportedWithoutLeaks)
{
    walkAllocFailures("PTSTRING_New", [] {
        PTSTRING* s = PTSTRING_New(4, 15);
        PTSTRING_Free(s);
        return s != nullptr;
    });
    PTSTRING* s = PTSTRING_New(3, 5);
    for (int i = 0; i < 3; ++i) {
        s->pnts[i][0] = i;
        s->params[i] = i;
    }
    const double q[3] = {0.5, 1.0, 0.0};
    double params[3];
    walkAllocFailures("PTSTRING_NearestCandidates", [&] {
        int count = 0;
        double d = 0;
        const int r = PTSTRING_NearestCandidates(&count, params, s, q, &d, 1e-9);
        EXPECT_NE(r, 0);
        return r == 1;
    });
    PTSTRING_Free(s);
}

} // namespace
