// Inward sharp-corner pocket offsets against CGAL's straight-skeleton offsets: on polygons
// an inward offset with every corner kept sharp is the skeleton's offset at that distance,
// also where edges vanish and the pocket splits. Pockets: random stars with polygonal
// holes, straight-edged DejaVu Sans glyphs with their counters, Aegean islands.
#include "toolpath/contours/tests/OffsetOracle.h"

#include "testing/Shorelines.h"
#include "toolpath/contours/CornerType.h"

#include <CGAL/Exact_predicates_inexact_constructions_kernel.h>
#include <CGAL/Polygon_2.h>
#include <CGAL/create_offset_polygons_2.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

namespace {

using offsettest::Pocket;
using offsettest::Polygon;
using Kernel = CGAL::Exact_predicates_inexact_constructions_kernel;
using CgalPolygon = CGAL::Polygon_2<Kernel>;

CgalPolygon ToCgal(const Polygon& p)
{
    CgalPolygon out;
    for (const auto& q : p)
        out.push_back(Kernel::Point_2(q[0], q[1]));
    return out;
}

// CGAL's offset contours (outer loops counter-clockwise, holes clockwise).
ClipperLib::Paths SkeletonOffset(const Pocket& k, double d)
{
    const CgalPolygon outer = ToCgal(k.outer);
    std::vector<CgalPolygon> holes;
    for (const Polygon& h : k.holes)
        holes.push_back(ToCgal(h));
    const auto contours = CGAL::create_interior_skeleton_and_offset_polygons_2(d, outer, holes.begin(), holes.end(), Kernel(), Kernel());
    std::vector<Polygon> polys;
    for (const auto& c : contours) {
        Polygon p;
        for (auto v = c->vertices_begin(); v != c->vertices_end(); ++v)
            p.push_back({v->x(), v->y()});
        polys.push_back(p);
    }
    return clipperpaths::ToPaths(polys);
}

// Outer loop counter-clockwise, holes clockwise.
Pocket Oriented(Polygon outer, std::vector<Polygon> holes)
{
    Pocket k;
    if (looptest::Shoelace(outer) < 0)
        std::reverse(outer.begin(), outer.end());
    k.outer = outer;
    for (Polygon& h : holes) {
        if (looptest::Shoelace(h) > 0)
            std::reverse(h.begin(), h.end());
        k.holes.push_back(h);
    }
    return k;
}

struct Case {
    std::string label;
    Pocket pocket;
    std::vector<double> distances;
};

std::vector<Case> Cases()
{
    std::vector<Case> cases;
    std::mt19937 rng(20261211);
    for (int shape = 0; shape < 8; ++shape) {
        Pocket k = offsettest::RandomPocket(rng, 8 + shape * 4, 2 * (shape % 3) + 1);
        k.circles.clear();
        cases.push_back({"random " + std::to_string(shape), k, {0.5, 2, 6}});
    }
    // Glyphs of lines only (60 mm high): outer contour largest, counters as holes.
    glyphs::GlyphReader font;
    EXPECT_TRUE(font.Ok());
    for (char ch : std::string("AEKMNWXZkvwxz47#")) {
        std::vector<glyphs::Contour> contours;
        if (!font.Char(static_cast<unsigned char>(ch), 60.0 / 2048 * 1.4, contours))
            continue;
        bool straight = true;
        std::vector<Polygon> polys;
        for (const glyphs::Contour& c : contours) {
            for (const glyphs::Segment& s : c.segments)
                straight = straight && !s.cubic;
            polys.push_back(glyphs::Sample(c, 1));
        }
        if (!straight)
            continue;
        std::sort(polys.begin(), polys.end(),
                  [](const Polygon& a, const Polygon& b) { return std::fabs(looptest::Shoelace(a)) > std::fabs(looptest::Shoelace(b)); });
        // Glyphs with more than one outer contour are left out.
        if (polys.size() > 1 && ch != 'A' && ch != '4' && ch != '#')
            continue;
        cases.push_back({std::string("glyph ") + ch, Oriented(polys[0], {polys.begin() + 1, polys.end()}), {0.5, 2}});
    }
    const auto coast = shorelines::Read("aegean_islands");
    EXPECT_FALSE(coast.empty());
    for (std::size_t i = 0; i < std::min<std::size_t>(coast.size(), 6); ++i)
        cases.push_back({"island " + std::to_string(i), Oriented({coast[i].begin(), coast[i].end()}, {}), {0.5, 2}});
    return cases;
}

TEST(LoopOffsetCgal, InwardSharpOffsetsMatchTheStraightSkeleton)
{
    int compared = 0, mitreOnly = 0, glyphCases = 0;
    for (const Case& c : Cases()) {
        glyphCases += c.label.rfind("glyph", 0) == 0;
        for (double d : c.distances) {
            const std::string label = c.label + " d " + std::to_string(d);
            CSmartLoop* L = offsettest::PocketLoop(c.pocket);
            DVN_CornerType corner{3, 0, 0};
            CSmartLoop* R = L->OffsetContour(0, d, -1, corner);
            const ClipperLib::Paths ours = offsettest::ChainPaths(R), peer = SkeletonOffset(c.pocket, d);
            const double tol = 1e-4 * (clipperpaths::Perimeter(peer) + clipperpaths::Perimeter(ours)) + 1e-6;
            if (clipperpaths::XorArea(ours, ClipperLib::pftEvenOdd, peer, ClipperLib::pftEvenOdd) > tol) {
                // The skeleton stops a reflex corner's spike where its wavefront meets
                // another; the mitre of each contour runs on (a notch cut by a sharp island
                // corner): there the offset must be Clipper's unbounded mitre.
                const ClipperLib::Paths mitre = clipperpaths::Offset(offsettest::PocketPaths(c.pocket), -d, ClipperLib::jtMiter, 1e6);
                EXPECT_GT(clipperpaths::XorArea(peer, ClipperLib::pftEvenOdd, mitre, ClipperLib::pftNonZero), tol) << label;
                EXPECT_LE(clipperpaths::XorArea(ours, ClipperLib::pftEvenOdd, mitre, ClipperLib::pftNonZero), tol) << label;
                ++mitreOnly;
            } else {
                const auto a = offsettest::ChainCounts(R);
                const auto b = clipperpaths::Counts(peer, ClipperLib::pftEvenOdd);
                EXPECT_EQ(a.outers, b.outers) << label;
                EXPECT_EQ(a.holes, b.holes) << label;
            }
            ++compared;
            CSmartLoop::DeleteLoopChain(R);
            delete L;
        }
    }
    EXPECT_GE(glyphCases, 6);
    EXPECT_GE(compared, 8 * 3 + 6 * 2 + 6 * 2);
    EXPECT_LE(mitreOnly * 10, compared) << "most rows match the skeleton";
}

}  // namespace
