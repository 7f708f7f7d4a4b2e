// The convex hull and minimum-area rectangle against CGAL's convex_hull_2 and
// min_rectangle_2 on the same float points: the same hull vertices, the same
// area within float rounding, and axes along a hull edge.
#include "../GlyphPoints.h"

#include "geometry/algorithms/HullLine.h"

#include <CGAL/Exact_predicates_inexact_constructions_kernel.h>
#include <CGAL/convex_hull_2.h>
#include <CGAL/min_quadrilateral_2.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

namespace {

using K = CGAL::Exact_predicates_inexact_constructions_kernel;
using Point = K::Point_2;

struct Set {
    std::string label;
    std::vector<tagPoint2f> points;
};

std::vector<Set> Sets()
{
    std::vector<Set> sets;
    std::mt19937 rng(31);
    std::uniform_real_distribution<float> u(-50.0f, 50.0f);
    for (int n : {3, 10, 100, 5000}) {
        Set s{"random " + std::to_string(n), {}};
        for (int i = 0; i < n; ++i) s.points.push_back({u(rng), u(rng)});
        sets.push_back(s);
    }
    Set collinear{"collinear with one apart", {}};
    for (int i = 0; i < 50; ++i) collinear.points.push_back({static_cast<float>(i), static_cast<float>(2 * i)});
    collinear.points.push_back({10.0f, 0.0f});
    sets.push_back(collinear);
    Set dup{"duplicates", {}};
    for (int i = 0; i < 200; ++i) dup.points.push_back({static_cast<float>(i % 7), static_cast<float>((i * 3) % 5)});
    sets.push_back(dup);
    Set columns{"equal x columns", {}};
    for (int i = 0; i < 300; ++i)
        columns.points.push_back({static_cast<float>(i % 4), static_cast<float>(std::sin(i) * 10)});
    sets.push_back(columns);
    Set circle{"on a circle", {}};
    for (int i = 0; i < 720; ++i) {
        const double a = i * 3.141592653589793 / 360;
        circle.points.push_back({static_cast<float>(20 * std::cos(a)), static_cast<float>(20 * std::sin(a))});
    }
    sets.push_back(circle);
    for (const char32_t ch : {U'a', U'S', U'&', U'W'}) {
        Set g{std::string("glyph ") + static_cast<char>(ch), {}};
        for (const auto& contour : glyphpoints::Contours(ch, 0.05))
            for (const auto& p : contour) g.points.push_back({static_cast<float>(p[0]), static_cast<float>(p[1])});
        sets.push_back(g);
    }
    return sets;
}

// A closed counter-clockwise ring started at its lexicographically smallest vertex.
std::vector<Point> Canonical(std::vector<Point> ring)
{
    if (ring.empty()) return ring;
    std::rotate(ring.begin(), std::min_element(ring.begin(), ring.end()), ring.end());
    return ring;
}

double Shoelace(const std::vector<Point>& p)
{
    double a = 0.0;
    for (std::size_t i = 0; i < p.size(); ++i) {
        const Point& u = p[i];
        const Point& v = p[(i + 1) % p.size()];
        a += u.x() * v.y() - v.x() * u.y();
    }
    return std::fabs(a) / 2;
}

TEST(HullLineCgalTest, SameHullAndMinimumRectangleAsCgal)
{
    for (const Set& s : Sets()) {
        ASSERT_GE(s.points.size(), 3u) << s.label;
        CHullLine hull;
        std::vector<Point> pts;
        for (const tagPoint2f& p : s.points) {
            hull.AddPoint(p.x, p.y);
            pts.emplace_back(p.x, p.y);
        }
        hull.CalculateConvexHull();
        std::vector<Point> peer;
        CGAL::convex_hull_2(pts.begin(), pts.end(), std::back_inserter(peer));

        const std::vector<tagPoint2f>& h = hull.GetHull();
        ASSERT_GE(h.size(), 2u) << s.label;
        EXPECT_TRUE(h.front().x == h.back().x && h.front().y == h.back().y) << s.label << ": hull not closed";
        std::vector<Point> ours;
        for (std::size_t i = 0; i + 1 < h.size(); ++i) ours.emplace_back(h[i].x, h[i].y);
        ASSERT_EQ(Canonical(ours), Canonical(peer)) << s.label;

        if (peer.size() < 3) continue;
        std::vector<Point> rect;
        CGAL::min_rectangle_2(peer.begin(), peer.end(), std::back_inserter(rect));
        ASSERT_EQ(rect.size(), 4u) << s.label;
        const double peerArea = Shoelace(rect);
        double centre[2] = {0.0, 0.0}, axes[2][2] = {{0.0, 0.0}, {0.0, 0.0}};
        const double area = hull.CalMinAreaRect(centre, axes);
        EXPECT_NEAR(area, peerArea, 1e-6 * peerArea + 1e-9) << s.label;

        // axes[0] runs along some hull edge; every hull point lies in the rectangle.
        bool alongEdge = false;
        for (std::size_t i = 0; i < ours.size(); ++i) {
            const Point& a = ours[i];
            const Point& b = ours[(i + 1) % ours.size()];
            const double ex = b.x() - a.x(), ey = b.y() - a.y(), len = std::hypot(ex, ey);
            if (std::fabs(ex * axes[0][1] - ey * axes[0][0]) < 1e-9 * len) alongEdge = true;
        }
        EXPECT_TRUE(alongEdge) << s.label;
        double lo[2] = {1e300, 1e300}, hi[2] = {-1e300, -1e300};
        for (const Point& p : ours) {
            for (int k = 0; k < 2; ++k) {
                const double t = (p.x() - centre[0]) * axes[k][0] + (p.y() - centre[1]) * axes[k][1];
                lo[k] = std::min(lo[k], t);
                hi[k] = std::max(hi[k], t);
            }
        }
        EXPECT_NEAR((hi[0] - lo[0]) * (hi[1] - lo[1]), area, 1e-6 * area + 1e-9) << s.label;
        EXPECT_NEAR(hi[0] + lo[0], 0.0, 1e-6 * (hi[0] - lo[0]) + 1e-9) << s.label << ": centre off along axes[0]";
        EXPECT_NEAR(hi[1] + lo[1], 0.0, 1e-6 * (hi[1] - lo[1]) + 1e-9) << s.label << ": centre off along axes[1]";
    }
}

}  // namespace
