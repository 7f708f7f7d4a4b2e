#include "geometry/relief/TGrid.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(TGridTest, CreateFillsCoordinatesAndZeroHeights)
{
    CTGrid<float> g;
    EXPECT_EQ(g.rows, nullptr);
    const float org[2] = {10.0f, 20.0f};
    ASSERT_EQ(g.Create(org, 0.5f, 2.0f, 3, 2), 1);
    EXPECT_EQ(g.xs, (std::vector<float>{10.0f, 10.5f, 11.0f}));
    EXPECT_EQ(g.ys, (std::vector<float>{20.0f, 22.0f}));
    EXPECT_EQ(g.origin[2], 0.0f);
    for (int j = 0; j < 2; ++j)
        for (int i = 0; i < 3; ++i) EXPECT_EQ(g.rows[j][i], 0.0f) << i << "," << j;
}

// Coordinates come from their index: no drift over many columns.
TEST(TGridTest, CoordinatesDoNotAccumulateError)
{
    CTGrid<float> g;
    const float org[2] = {-3.0f, 7.0f};
    ASSERT_EQ(g.Create(org, 0.1f, 0.3f, 5000, 3), 1);
    for (int i = 0; i < 5000; i += 499) EXPECT_EQ(g.xs[i], static_cast<float>(i * 0.1f + -3.0f)) << i;
}

// Re-creating a filled grid, with or without Free, keeps only the new coordinates and
// leaks nothing (the asan preset checks the second part).
TEST(TGridTest, RecreateReplacesEverything)
{
    const float org[2] = {0.0f, 0.0f}, org2[2] = {5.0f, 6.0f};
    for (bool freeFirst : {true, false}) {
        CTGrid<float> g;
        ASSERT_EQ(g.Create(org, 1.0f, 1.0f, 4, 3), 1);
        g.rows[2][3] = 9.0f;
        if (freeFirst) g.Free();
        ASSERT_EQ(g.Create(org2, 2.0f, 1.0f, 2, 5), 1) << freeFirst;
        EXPECT_EQ(g.xs, (std::vector<float>{5.0f, 7.0f})) << freeFirst;
        EXPECT_EQ(g.ys.size(), 5u) << freeFirst;
        EXPECT_EQ(g.ys[0], 6.0f) << freeFirst;
        EXPECT_EQ(g.nx, 2);
        EXPECT_EQ(g.ny, 5);
        EXPECT_EQ(g.rows[4][1], 0.0f);
    }
}

TEST(TGridTest, FreeKeepsCountsAndEmptiesTables)
{
    CTGrid<float> never;
    never.Free();
    EXPECT_EQ(never.rows, nullptr);
    EXPECT_TRUE(never.xs.empty());

    CTGrid<float> g;
    const float org[2] = {1.0f, 2.0f};
    ASSERT_EQ(g.Create(org, 0.5f, 0.25f, 3, 4), 1);
    g.Free();
    EXPECT_EQ(g.rows, nullptr);
    EXPECT_TRUE(g.xs.empty());
    EXPECT_TRUE(g.ys.empty());
    EXPECT_EQ(g.nx, 3);
    EXPECT_EQ(g.ny, 4);
    EXPECT_EQ(g.dx, 0.5f);
    EXPECT_EQ(g.origin[0], 1.0f);
    g.Free();  // twice is harmless
}

TEST(TGridTest, BadCountsGiveAnEmptyGrid)
{
    const float org[2] = {0.0f, 0.0f};
    struct Case {
        const char* label;
        int nx, ny, result;
    };
    const Case cases[] = {
        {"negative columns", -1, 3, 0},
        {"negative rows", 3, -2, 0},
        {"zero counts", 0, 0, 1},
    };
    for (const auto& c : cases) {
        CTGrid<float> g;
        ASSERT_EQ(g.Create(org, 1.0f, 1.0f, 2, 2), 1);
        EXPECT_EQ(g.Create(org, 1.0f, 1.0f, c.nx, c.ny), c.result) << c.label;
        if (c.result == 0) {
            EXPECT_EQ(g.rows, nullptr) << c.label;
        }
        EXPECT_TRUE(g.xs.empty()) << c.label;
    }
}

}  // namespace
