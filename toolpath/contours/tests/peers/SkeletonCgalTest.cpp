// Skeletons with wide (mitered) corners against CGAL's interior straight skeleton.

#include "toolpath/contours/Skeleton.h"
#include "toolpath/contours/tests/LoopOracle.h"
#include "toolpath/contours/tests/MedialAxisOracle.h"
#include "testing/GlyphOutlines.h"

#include <CGAL/Exact_predicates_inexact_constructions_kernel.h>
#include <CGAL/Polygon_2.h>
#include <CGAL/create_straight_skeleton_2.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace {

using Kernel = CGAL::Exact_predicates_inexact_constructions_kernel;
using skeltest::P2;
using skeltest::P3;

// Points of the straight skeleton's bisectors (sampled at most step apart) with their
// offset time as height. Bisectors between the faces of two edges on one line are left
// out: the roof has no crease there (both faces are one plane).
std::vector<P3> StraightSkeleton(const std::vector<P2>& poly, double step)
{
    CGAL::Polygon_2<Kernel> p;
    for (const P2& q : poly)
        p.push_back(Kernel::Point_2(q[0], q[1]));
    const auto ss = CGAL::create_interior_straight_skeleton_2(p.vertices_begin(), p.vertices_end(), Kernel());
    std::vector<P3> out;
    for (auto h = ss->halfedges_begin(); h != ss->halfedges_end(); ++h) {
        if (!h->is_bisector() || &*h < &*h->opposite())
            continue;
        const auto edgeDir = [](auto face) {
            const auto e = face->halfedge();
            const auto p = e->opposite()->vertex()->point(), q = e->vertex()->point();
            const double dx = q.x() - p.x(), dy = q.y() - p.y(), l = std::hypot(dx, dy);
            return std::array<double, 2>{dx / l, dy / l};
        };
        const auto d0 = edgeDir(h->face()), d1 = edgeDir(h->opposite()->face());
        if (std::fabs(d0[0] * d1[1] - d0[1] * d1[0]) < 1e-9 && d0[0] * d1[0] + d0[1] * d1[1] > 0)
            continue;
        const auto a = h->opposite()->vertex(), b = h->vertex();
        const P3 pa{a->point().x(), a->point().y(), a->time()}, pb{b->point().x(), b->point().y(), b->time()};
        const int k = static_cast<int>(std::hypot(pb[0] - pa[0], pb[1] - pa[1]) / step) + 1;
        for (int i = 0; i <= k; ++i) {
            const double t = static_cast<double>(i) / k;
            out.push_back({pa[0] + t * (pb[0] - pa[0]), pa[1] + t * (pb[1] - pa[1]), pa[2] + t * (pb[2] - pa[2])});
        }
    }
    return out;
}

// Largest XY distance from a point of a to b, and the height difference there.
std::pair<double, double> Hausdorff3(const std::vector<P3>& a, const std::vector<P3>& b)
{
    double worst = 0, dz = 0;
    for (const P3& p : a) {
        double best = 1e300, z = 0;
        for (const P3& q : b) {
            const double d = std::hypot(p[0] - q[0], p[1] - q[1]);
            if (d < best) {
                best = d;
                z = std::fabs(p[2] - q[2]);
            }
        }
        worst = std::max(worst, best);
        if (best < 0.01)
            dz = std::max(dz, z);
    }
    return {worst, dz};
}

TEST(SkeletonCgal, WideCornersFollowTheStraightSkeleton)
{
    struct Row {
        const char* label;
        std::vector<P2> poly;
    };
    const Row rows[] = {
        {"rectangle", {{0, 0}, {20, 0}, {20, 10}, {0, 10}}},
        {"L", {{0, 0}, {10, 0}, {10, 4}, {4, 4}, {4, 10}, {0, 10}}},
        {"T", {{0, 8}, {4, 8}, {4, 0}, {7, 0}, {7, 8}, {11, 8}, {11, 11}, {0, 11}}},
        {"cross", {{3, 0}, {6, 0}, {6, 3}, {9, 3}, {9, 6}, {6, 6}, {6, 9}, {3, 9}, {3, 6}, {0, 6}, {0, 3}, {3, 3}}},
        {"H", {{0, 0}, {3, 0}, {3, 4}, {8, 4}, {8, 0}, {11, 0}, {11, 12}, {8, 12}, {8, 7}, {3, 7}, {3, 12}, {0, 12}}},
        {"arrow", {{0, 0}, {6, 2}, {12, 0}, {10, 5}, {12, 10}, {6, 8}, {0, 10}, {2, 5}}},
    };
    std::vector<Row> all(std::begin(rows), std::end(rows));
    // One-contour glyphs as polygons (curves sampled): sharp reflex corners where the
    // widened planes reach far past their ends, valleys of reflex corners meeting, and
    // edges on one line (whose faces meet without a crease).
    glyphs::GlyphReader font;
    for (const char* ch : {"S", "3", "y", "M", "K", "5", "W", "k", "f", "m", "t", "E"}) {
        std::vector<glyphs::Contour> contours;
        ASSERT_TRUE(font.Char(static_cast<unsigned char>(ch[0]), 20.0 / 2048.0, contours)) << ch;
        ASSERT_EQ(contours.size(), 1u) << ch;
        auto pts = glyphs::Sample(contours[0], 8);
        if (pts.size() > 1 && pts.front() == pts.back())
            pts.pop_back();
        if (glyphs::SignedArea(pts) < 0)
            std::reverse(pts.begin(), pts.end());
        Row g{ch, {}};
        for (const auto& q : pts)
            g.poly.push_back({q[0], q[1]});
        all.push_back(g);
    }
    for (const Row& row : all) {
        std::unique_ptr<CSmartLoop> loop(looptest::PolygonLoop(row.poly));
        float r = 0;
        CCLineCurve* sk = BuildLoopSkeleton(loop.get(), 1, &r);
        ASSERT_TRUE(sk) << row.label;
        const auto ours = skeltest::Densify(sk, 0.01);
        DeleteSkeleton(sk);
        const auto theirs = StraightSkeleton(row.poly, 0.01);
        const auto [d1, z1] = Hausdorff3(ours, theirs);
        const auto [d2, z2] = Hausdorff3(theirs, ours);
        // Both sampled 0.01 apart: a point lies within half a step of the other's curve.
        EXPECT_LE(d1, 0.006) << row.label << " skeleton off the straight skeleton";
        EXPECT_LE(d2, 0.006) << row.label << " straight skeleton missed";
        EXPECT_LE(std::max(z1, z2), 0.006) << row.label << " heights";
        double top = 0;
        for (const P3& p : theirs)
            top = std::max(top, p[2]);
        EXPECT_NEAR(r, top, 1e-4) << row.label;
    }
}

}  // namespace
