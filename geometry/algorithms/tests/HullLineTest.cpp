// Convex hull and minimum-area rectangle on hand cases with known answers;
// the comparison with a peer library on larger sets is in cgal/.
#include "geometry/algorithms/HullLine.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace {

std::vector<std::pair<float, float>> HullOf(const std::vector<std::pair<float, float>>& pts, CHullLine* keep = nullptr)
{
    CHullLine h;
    for (const auto& [x, y] : pts) h.AddPoint(x, y);
    h.CalculateConvexHull();
    std::vector<std::pair<float, float>> out;
    for (const tagPoint2f& p : h.GetHull()) out.emplace_back(p.x, p.y);
    if (keep) *keep = h;
    return out;
}

TEST(HullLineTest, HullsOfTheHandCases)
{
    using P = std::vector<std::pair<float, float>>;
    struct Case {
        const char* label;
        P points;
        P hull;
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const Case cases[] = {
        {"square and centre", {{0, 0}, {2, 0}, {1, 1}, {2, 2}, {0, 2}}, {{0, 0}, {2, 0}, {2, 2}, {0, 2}, {0, 0}}},
        {"collinear", {{1, 1}, {0, 0}, {2, 2}}, {{0, 0}, {2, 2}, {0, 0}}},
        {"one x", {{3, 5}, {3, 1}, {3, 4}}, {{3, 1}, {3, 5}, {3, 1}}},
        {"one point", {{3, 5}, {3, 5}}, {{3, 5}, {3, 5}}},
        // Given in this order, a sort by x alone leaves (0, 1) before (0, 0).
        {"vertical runs", {{0, 1}, {0, 0}, {1, 0}, {1, 1}}, {{0, 0}, {1, 0}, {1, 1}, {0, 1}, {0, 0}}},
        {"repeated extremes", {{0, 0}, {0, 0}, {4, 0}, {4, 0}, {4, 3}, {4, 3}, {2, 1}},
         {{0, 0}, {4, 0}, {4, 3}, {0, 0}}},
        {"points on the edges", {{0, 0}, {1, 0}, {2, 0}, {2, 1}, {2, 2}, {1, 1}, {0, 2}, {0, 1}},
         {{0, 0}, {2, 0}, {2, 2}, {0, 2}, {0, 0}}},
        {"signed zeros", {{-0.0f, 5}, {0.0f, 1}, {1, 3}}, {{0, 1}, {1, 3}, {0, 5}, {0, 1}}},
        {"not finite left out", {{0, 0}, {nan, 1}, {1, 0}, {0, std::numeric_limits<float>::infinity()}, {0, 1}},
         {{0, 0}, {1, 0}, {0, 1}, {0, 0}}},
    };
    for (const Case& c : cases) EXPECT_EQ(HullOf(c.points), c.hull) << c.label;

    CHullLine none;
    none.CalculateConvexHull();
    EXPECT_TRUE(none.GetHull().empty());
}

TEST(HullLineTest, IsPoint2DLeftKeepsTheSignOfSmallCrossProducts)
{
    // Nearly collinear: the cross product is tiny but its sign is right.
    const tagPoint2f a{0.1f, 0.1f}, b{1e4f, 1e4f + 0.0009765625f}, c{2e4f, 2e4f};
    EXPECT_LT(CHullLine::IsPoint2DLeft(a, b, c), 0.0);
    EXPECT_GT(CHullLine::IsPoint2DLeft(a, c, b), 0.0);
    EXPECT_EQ(CHullLine::IsPoint2DLeft(a, a, c), 0.0);
}

TEST(HullLineTest, MinimumRectangleOfARotatedRectangle)
{
    const double ang = 30.0 * std::acos(-1.0) / 180.0;
    const double u[2] = {std::cos(ang), std::sin(ang)}, v[2] = {-u[1], u[0]};
    const double w = 8.0, h = 3.0, c0[2] = {5.0, -2.0};
    std::vector<std::pair<float, float>> pts;
    for (const auto& [a, b] : {std::pair{-1, -1}, std::pair{1, -1}, std::pair{1, 1}, std::pair{-1, 1}, std::pair{0, 0},
                               std::pair{1, 0}})
        pts.emplace_back(static_cast<float>(c0[0] + a * w / 2 * u[0] + b * h / 2 * v[0]),
                         static_cast<float>(c0[1] + a * w / 2 * u[1] + b * h / 2 * v[1]));
    CHullLine hull;
    HullOf(pts, &hull);
    double centre[2] = {0.0, 0.0}, axes[2][2] = {{0.0, 0.0}, {0.0, 0.0}};
    EXPECT_NEAR(hull.CalMinAreaRect(centre, axes), w * h, 1e-4);
    EXPECT_NEAR(centre[0], c0[0], 1e-5);
    EXPECT_NEAR(centre[1], c0[1], 1e-5);
    // The axes run along the rectangle's edges, and the direction follows axes[0].
    EXPECT_NEAR(std::fabs(axes[0][0] * u[1] - axes[0][1] * u[0]) * std::fabs(axes[0][0] * v[1] - axes[0][1] * v[0]),
                0.0, 1e-6);
    EXPECT_NEAR(axes[0][0] * axes[1][0] + axes[0][1] * axes[1][1], 0.0, 1e-12);
    EXPECT_EQ(hull.GetDirection()[0], axes[0][0]);
    EXPECT_EQ(hull.GetDirection()[1], axes[0][1]);

    hull.CalMaxLenVector();  // the longest edge: w long, along u
    const double* d = hull.GetDirection();
    EXPECT_NEAR(std::hypot(d[0], d[1]), w, 1e-5);
    EXPECT_NEAR(d[0] * u[1] - d[1] * u[0], 0.0, 1e-5);
}

TEST(HullLineTest, AHullOfOnePointHasNoAreaAndLeavesEverythingAsItWas)
{
    for (const bool twice : {false, true}) {
        CHullLine h;
        h.AddPoint(2.0f, 7.0f);
        if (twice) h.AddPoint(2.0f, 7.0f);
        h.CalculateConvexHull();
        double centre[2] = {-9.0, -9.0}, axes[2][2] = {{5.0, 5.0}, {5.0, 5.0}};
        EXPECT_EQ(h.CalMinAreaRect(centre, axes), 0.0) << twice;
        EXPECT_EQ(centre[0], -9.0) << twice;
        EXPECT_EQ(axes[0][0], 5.0) << twice;
        EXPECT_EQ(h.GetDirection()[0], 0.0) << twice;
        EXPECT_EQ(h.GetDirection()[1], 0.0) << twice;
        h.CalMaxLenVector();
        EXPECT_EQ(h.GetDirection()[0], 0.0) << twice;
    }
    CHullLine empty;
    double centre[2], axes[2][2];
    EXPECT_EQ(empty.CalMinAreaRect(centre, axes), 0.0);
}

TEST(HullLineTest, CopiesCarryPointsHullAndDirection)
{
    CHullLine a;
    HullOf({{0, 0}, {3, 0}, {0, 4}}, &a);
    a.CalMaxLenVector();
    CHullLine b(a);
    CHullLine c;
    c = a;
    for (const CHullLine* h : {&b, &c}) {
        EXPECT_EQ(h->GetPoints().size(), 3u);
        EXPECT_EQ(h->GetHull().size(), 4u);
        EXPECT_EQ(h->GetDirection()[0], a.GetDirection()[0]);
        EXPECT_EQ(h->GetDirection()[1], a.GetDirection()[1]);
    }
}

}  // namespace
