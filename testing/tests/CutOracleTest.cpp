// The pocketing oracles checked on their own: signed distances of regions bounded by arcs
// against closed forms, and gouges and uncut holes found in paths made to have them.
#include "testing/CutOracle.h"

#include "toolpath/contours/PathEntity.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <string>

namespace {

using cuttest::Boundary;
using cuttest::P;

constexpr double kPi = std::numbers::pi;

// Ring 4 < |p| < 10: the outer circle as two counter-clockwise arcs starting at a slant,
// the hole as one clockwise full arc, so pieces meet off the points where arcs turn in y.
Boundary Ring()
{
    Boundary b;
    b.AddContour({cuttest::ArcEdge({0, 0}, 10, 0.3, 0.3 + kPi), cuttest::ArcEdge({0, 0}, 10, 0.3 + kPi, 0.3 + 2 * kPi)});
    b.AddContour({cuttest::ArcEdge({0, 0}, 4, 2 * kPi, 0)});
    return b;
}

double RingDist(const P& p)
{
    const double r = std::hypot(p[0], p[1]);
    return r >= 10 ? r - 10 : r <= 4 ? 4 - r : -std::min(10 - r, r - 4);
}

// Upper half disc of radius 5, traced clockwise: the diameter from (-5, 0) to (5, 0) last.
Boundary HalfDisc()
{
    Boundary b;
    b.AddContour({cuttest::ArcEdge({0, 0}, 5, kPi, 0), {{5, 0}, {-5, 0}}});
    return b;
}

double HalfDiscDist(const P& p)
{
    const double r = std::hypot(p[0], p[1]);
    if (p[1] >= 0)
        return r >= 5 ? r - 5 : -std::min(5 - r, p[1]);
    return std::fabs(p[0]) <= 5 ? -p[1] : std::hypot(std::fabs(p[0]) - 5, p[1]);
}

TEST(CutOracle, RegionDistOfArcRegionsMatchesTheClosedForm)
{
    const struct {
        const char* name;
        Boundary b;
        double (*dist)(const P&);
    } cases[] = {{"ring", Ring(), RingDist}, {"half disc", HalfDisc(), HalfDiscDist}};
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> u(-12, 12);
    for (const auto& c : cases) {
        std::vector<P> pts;
        for (int i = 0; i < 4000; ++i)
            pts.push_back({u(rng), u(rng)});
        // Rows level with the tops of the circles and with the joints of the pieces.
        for (double y : {10.0, -10.0, 4.0, -4.0, 5.0, 0.0, 10 * std::sin(0.3)})
            for (double x = -11.5; x <= 11.5; x += 0.25)
                pts.push_back({x, y});
        int inside = 0;
        for (const P& p : pts) {
            EXPECT_NEAR(cuttest::RegionDist(c.b, p), c.dist(p), 1e-9) << c.name << " at " << p[0] << ", " << p[1];
            inside += c.dist(p) < 0;
        }
        EXPECT_GT(inside, 200) << c.name;
    }
}

struct Path {
    CPathCombine c{1};
    void Line(double x0, double y0, double x1, double y1)
    {
        const double s[3] = {x0, y0, 0}, e[3] = {x1, y1, 0};
        PathCombineAppend(new CPathLine3D(s, e), &c);
    }
};

TEST(CutOracle, GougesAndUncutHolesOfAZigzagAreFound)
{
    // The square 0..10 cut by lines y = 0, 1, .., 10 and its boundary; a tool of 0.6
    // covers everything within its reach.
    const Boundary square(cuttest::Region{{{0, 0}, {10, 0}, {10, 10}, {0, 10}}, {}});
    auto make = [](int skip, double overshoot) {
        auto p = std::make_unique<Path>();
        for (int y = 0; y <= 10; ++y)
            if (y != skip)
                p->Line(0, y, 10 + (y == 5 ? overshoot : 0), y);
        p->Line(0, 0, 0, 10);
        p->Line(10, 0, 10, 10);
        return p;
    };
    const auto good = make(-1, 0);
    const auto pts = cuttest::SamplePath(good->c, 0.02);
    EXPECT_TRUE(cuttest::Gouges(square, pts, 1e-6).empty());
    EXPECT_TRUE(cuttest::Uncut(square, pts, 0.6, 0.05, 1e-3).empty());

    const auto over = cuttest::Gouges(square, cuttest::SamplePath(make(-1, 0.01)->c, 0.02), 1e-6);
    ASSERT_FALSE(over.empty());
    EXPECT_NEAR(over.front()[0], 10.01, 1e-9);

    // Without line 4 the band 3.6 .. 4.4 is out of reach.
    const auto hole = cuttest::Uncut(square, cuttest::SamplePath(make(4, 0)->c, 0.02), 0.6, 0.05, 1e-3);
    ASSERT_FALSE(hole.empty());
    for (const P& p : hole)
        EXPECT_NEAR(p[1], 4, 0.41) << p[0];
    // A cusp allowance of a step admits the hole.
    EXPECT_TRUE(cuttest::Uncut(square, cuttest::SamplePath(make(4, 0)->c, 0.02), 0.6, 0.05, 1.0).empty());
}

}  // namespace
