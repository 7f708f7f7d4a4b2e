#include "toolpath/contours/Skeleton.h"

#include "testing/GlyphOutlines.h"
#include "testing/Shorelines.h"
#include "toolpath/contours/tests/LoopOracle.h"
#include "toolpath/contours/tests/MedialAxisOracle.h"
#include "toolpath/contours/tests/SkeletonChecks.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

using looptest::PolygonLoop;
using skeltest::P2;
using skeltest::P3;

struct LoopDeleter {
    void operator()(CSmartLoop* l) const { delete l; }
};
using LoopPtr = std::unique_ptr<CSmartLoop, LoopDeleter>;
struct SkelDeleter {
    void operator()(CCLineCurve* c) const { DeleteSkeleton(c); }
};
using SkelPtr = std::unique_ptr<CCLineCurve, SkelDeleter>;

std::vector<std::vector<P3>> Lines(const CCLineCurve* list, std::vector<int>* mains = nullptr,
                                   std::vector<double>* caps = nullptr)
{
    std::vector<std::vector<P3>> out;
    for (const CCLineCurve* c = list; c; c = c->next) {
        std::vector<P3> pts;
        for (const CCLineCurve::Node* n = c->head; n; n = n->next)
            pts.push_back({n->x, n->y, n->z});
        out.push_back(pts);
        if (mains)
            mains->push_back(c->main);
        if (caps)
            caps->push_back(c->cap);
    }
    return out;
}

TEST(Skeleton, RectangleGivesMainRidgeAndCornerBranches)
{
    for (int wide : {0, 1}) {
        LoopPtr loop(PolygonLoop({{0, 0}, {20, 0}, {20, 10}, {0, 10}}));
        float r = 0;
        SkelPtr sk(BuildLoopSkeleton(loop.get(), wide, &r));
        std::vector<int> mains;
        std::vector<double> caps;
        const auto lines = Lines(sk.get(), &mains, &caps);
        EXPECT_FLOAT_EQ(r, 5.0f);
        ASSERT_EQ(lines.size(), 5u) << wide;
        ASSERT_EQ(lines[0].size(), 2u);
        EXPECT_EQ(mains[0], 1);
        const double lo = std::min(lines[0][0][0], lines[0][1][0]), hi = std::max(lines[0][0][0], lines[0][1][0]);
        EXPECT_NEAR(lo, 5, 1e-9);
        EXPECT_NEAR(hi, 15, 1e-9);
        for (const P3& p : lines[0]) {
            EXPECT_NEAR(p[1], 5, 1e-9);
            EXPECT_NEAR(p[2], 5, 1e-9);
        }
        std::vector<P2> corners;
        for (std::size_t i = 1; i < lines.size(); ++i) {
            EXPECT_EQ(mains[i], 0) << i;
            EXPECT_NEAR(caps[i], 5, 1e-9) << i;
            ASSERT_EQ(lines[i].size(), 2u) << i;
            EXPECT_NEAR(lines[i][0][2], 5, 1e-9) << "branches start where they meet the ridge";
            EXPECT_NEAR(lines[i][1][2], 0, 1e-9);
            corners.push_back({lines[i][1][0], lines[i][1][1]});
        }
        std::sort(corners.begin(), corners.end());
        const std::vector<P2> want = {{0, 0}, {0, 10}, {20, 0}, {20, 10}};
        for (std::size_t i = 0; i < 4; ++i) {
            EXPECT_NEAR(corners[i][0], want[i][0], 1e-9);
            EXPECT_NEAR(corners[i][1], want[i][1], 1e-9);
        }
    }
}

TEST(Skeleton, CircleGivesItsCentre)
{
    auto* c = new CSmartCurve;
    const double centre[2] = {3, -2};
    c->AddSect(new CSmartArc(centre, 4.5, 0, 2 * M_PI));
    LoopPtr loop(new CSmartLoop);
    delete loop->UpdateSect(c);
    float r = 0;
    SkelPtr sk(BuildLoopSkeleton(loop.get(), 0, &r));
    ASSERT_TRUE(sk);
    EXPECT_FALSE(sk->next);
    ASSERT_EQ(sk->count, 1);
    EXPECT_DOUBLE_EQ(sk->head->x, 3);
    EXPECT_DOUBLE_EQ(sk->head->y, -2);
    EXPECT_DOUBLE_EQ(sk->head->z, 4.5);
    EXPECT_EQ(sk->main, 1);
    EXPECT_EQ(sk->cap, -1);
    EXPECT_FLOAT_EQ(r, 4.5f);
    EXPECT_FALSE(BuildLoopSkeleton(nullptr, 0, &r));
    EXPECT_EQ(r, 0.0f);
}

// Polylines ending at (x, y) (within 1e-6).
int EndsAt(const std::vector<std::vector<P3>>& lines, double x, double y)
{
    int n = 0;
    for (const auto& l : lines)
        for (const P3* p : {&l.front(), &l.back()})
            if (std::fabs((*p)[0] - x) + std::fabs((*p)[1] - y) < 1e-6)
                ++n;
    return n;
}

TEST(Skeleton, ReflexCornerUnderBothLimits)
{
    // The L's 90-degree reflex corner at (4, 4): a cone leaves it off the skeleton; mitered
    // (wide corners), its bisector down to (2, 2) is a branch.
    for (int wide : {0, 1}) {
        LoopPtr loop(PolygonLoop({{0, 0}, {10, 0}, {10, 4}, {4, 4}, {4, 10}, {0, 10}}));
        SkelPtr sk(BuildLoopSkeleton(loop.get(), wide, nullptr));
        std::vector<int> mains;
        const auto lines = Lines(sk.get(), &mains);
        EXPECT_EQ(EndsAt(lines, 4, 4), wide ? 1 : 0) << wide;
        double nearest = 1e9;
        for (const P3& p : skeltest::Densify(sk.get(), 0.01))
            nearest = std::min(nearest, std::hypot(p[0] - 4, p[1] - 4));
        // Without a miter the nearest point is the vertex of the parabola between the corner
        // and the opposite side, 2 away.
        EXPECT_NEAR(nearest, wide ? 0.0 : 2.0, wide ? 1e-9 : 0.001) << wide;
    }
}

TEST(Skeleton, MainRidgesAndCornerBranches)
{
    struct Row {
        const char* label;
        std::vector<P2> poly;
        int mains;  // main polylines
    };
    const std::vector<Row> rows = {
        {"L", {{0, 0}, {10, 0}, {10, 4}, {4, 4}, {4, 10}, {0, 10}}, 2},
        {"T", {{0, 8}, {4, 8}, {4, 0}, {7, 0}, {7, 8}, {11, 8}, {11, 11}, {0, 11}}, 3},
        {"cross", {{3, 0}, {6, 0}, {6, 3}, {9, 3}, {9, 6}, {6, 6}, {6, 9}, {3, 9}, {3, 6}, {0, 6}, {0, 3}, {3, 3}}, 4},
        {"H", {{0, 0}, {3, 0}, {3, 4}, {8, 4}, {8, 0}, {11, 0}, {11, 12}, {8, 12}, {8, 7}, {3, 7}, {3, 12}, {0, 12}}, 5},
    };
    for (const Row& row : rows) {
        LoopPtr loop(PolygonLoop(row.poly));
        SkelPtr sk(BuildLoopSkeleton(loop.get(), 0, nullptr));
        std::vector<int> mains;
        std::vector<double> caps;
        const auto lines = Lines(sk.get(), &mains, &caps);
        int convex = 0, mainCount = 0;
        for (std::size_t i = 0; i < row.poly.size(); ++i) {
            const P2& a = row.poly[(i + row.poly.size() - 1) % row.poly.size()];
            const P2& b = row.poly[i];
            const P2& c = row.poly[(i + 1) % row.poly.size()];
            const bool isConvex = (b[0] - a[0]) * (c[1] - b[1]) - (b[1] - a[1]) * (c[0] - b[0]) > 0;
            convex += isConvex;
            EXPECT_EQ(EndsAt(lines, b[0], b[1]), isConvex ? 1 : 0) << row.label << " corner " << i;
        }
        bool branchesDone = false;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            if (mains[i]) {
                EXPECT_FALSE(branchesDone) << row.label << ": main polylines come first";
                ++mainCount;
                for (const P3& p : lines[i])
                    EXPECT_GT(p[2], 1.0) << row.label << ": main ridges run along the strokes";
                continue;
            }
            branchesDone = true;
            // A corner's branch rises from the corner to the ridge it joins: its cap.
            EXPECT_NEAR(lines[i].back()[2], 0, 1e-9) << row.label;
            EXPECT_NEAR(caps[i], lines[i].front()[2], 1e-9) << row.label;
        }
        EXPECT_EQ(static_cast<int>(lines.size()) - mainCount, convex) << row.label;
        EXPECT_EQ(mainCount, row.mains) << row.label;
    }
}

// The skeleton built with the facet index, after checking it against the plain search
// over all facets: same polylines (Hausdorff 1e-6 both ways) and the same radius.
SkelPtr ExpectIndexedAsPlain(const std::string& label, CSmartLoop* loop, int wideCorners, float* radius = nullptr)
{
    float r1 = 0, r2 = 0;
    SkelPtr a(BuildLoopSkeleton(loop, wideCorners, &r1));
    SkelPtr b(skeleton_detail::BuildLoopSkeletonPlain(loop, wideCorners, &r2));
    EXPECT_EQ(Lines(a.get()).size(), Lines(b.get()).size()) << label;
    const auto pa = skeltest::XY(skeltest::Densify(a.get(), 0.05)), pb = skeltest::XY(skeltest::Densify(b.get(), 0.05));
    EXPECT_LE(skeltest::DirectedHausdorff(pa, pb, 0.2), 1e-6) << label;
    EXPECT_LE(skeltest::DirectedHausdorff(pb, pa, 0.2), 1e-6) << label;
    EXPECT_EQ(r1, r2) << label;
    if (radius)
        *radius = r1;
    return a;
}

TEST(Skeleton, PerforatedPlateIndexedAsPlain)
{
    // 15 x 15 holes, slightly scattered: more than 200 loops.
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> jitter(-0.3, 0.3);
    LoopPtr plate(PolygonLoop({{0, 0}, {61, 0}, {61, 61}, {0, 61}}));
    for (int j = 0; j < 15; ++j)
        for (int i = 0; i < 15; ++i) {
            const double x = 3 + 4 * i + jitter(rng), y = 3 + 4 * j + jitter(rng), a = 0.8 + jitter(rng);
            plate->AddIsland(PolygonLoop({{x - a, y}, {x, y + a}, {x + a, y}, {x, y - a}}));
        }
    const SkelPtr a = ExpectIndexedAsPlain("plate", plate.get(), 0);
    EXPECT_GT(Lines(a.get()).size(), 400u);
    const auto medial = skeltest::BoostMedialAxis(skeltest::Rings(plate.get()), 1e5, 0.005);
    const auto fine = skeltest::XY(skeltest::Densify(a.get(), 0.01));
    EXPECT_LE(skeltest::DirectedHausdorff(fine, medial.points, 0.2), 0.02);
    EXPECT_LE(skeltest::DirectedHausdorff(medial.points, fine, 0.2), 0.02);
}

struct Row {
    std::string label;
    std::vector<std::vector<P2>> polygons;  // outer first, then islands
    char glyph = 0;
};

// The glyph's pieces as loop trees: each contour turning like the largest one is an outer
// loop; every other contour becomes an island of the outer loop around it.
std::vector<LoopPtr> GlyphPieces(char ch, double height, double dx = 0)
{
    glyphs::GlyphReader font;
    std::vector<glyphs::Contour> contours;
    std::vector<LoopPtr> out;
    if (!font.Char(static_cast<unsigned char>(ch), height / 2048.0, contours))
        return out;
    for (glyphs::Contour& c : contours)
        for (glyphs::Segment& g : c.segments)
            for (auto& p : g.p)
                p[0] += dx;
    std::vector<double> areas;
    for (const glyphs::Contour& c : contours)
        areas.push_back(glyphs::SignedArea(glyphs::Sample(c, 8)));
    std::size_t big = 0;
    for (std::size_t i = 1; i < areas.size(); ++i)
        if (std::fabs(areas[i]) > std::fabs(areas[big]))
            big = i;
    std::vector<std::vector<glyphs::Contour>> groups;
    std::vector<std::vector<glyphs::Pt>> outlines;
    for (std::size_t i = 0; i < contours.size(); ++i)
        if ((areas[i] > 0) == (areas[big] > 0)) {
            groups.push_back({contours[i]});
            outlines.push_back(glyphs::Sample(contours[i], 8));
        }
    for (std::size_t i = 0; i < contours.size(); ++i) {
        if ((areas[i] > 0) == (areas[big] > 0))
            continue;
        const glyphs::Pt p = glyphs::Sample(contours[i], 8)[0];
        for (std::size_t g = 0; g < outlines.size(); ++g) {
            std::vector<std::vector<P2>> ring(1);
            for (const auto& q : outlines[g])
                ring[0].push_back({q[0], q[1]});
            if (skeltest::Inside(ring, {p[0], p[1]})) {
                groups[g].push_back(contours[i]);
                break;
            }
        }
    }
    for (const auto& g : groups)
        out.emplace_back(looptest::GlyphLoop(g));
    return out;
}

CSmartLoop* MakeLoop(const Row& row)
{
    CSmartLoop* outer = PolygonLoop(row.polygons[0]);
    for (std::size_t i = 1; i < row.polygons.size(); ++i)
        outer->AddIsland(PolygonLoop(row.polygons[i]));
    return outer;
}

using skeltest::CheckAgainstMedialAxis;

TEST(Skeleton, MatchesVoronoiMedialAxis)
{
    const std::vector<Row> rows = {
        {"rectangle", {{{0, 0}, {20, 0}, {20, 10}, {0, 10}}}},
        {"L", {{{0, 0}, {10, 0}, {10, 4}, {4, 4}, {4, 10}, {0, 10}}}},
        {"T", {{{0, 8}, {4, 8}, {4, 0}, {7, 0}, {7, 8}, {11, 8}, {11, 11}, {0, 11}}}},
        {"cross", {{{3, 0}, {6, 0}, {6, 3}, {9, 3}, {9, 6}, {6, 6}, {6, 9}, {3, 9}, {3, 6}, {0, 6}, {0, 3}, {3, 3}}}},
        {"H", {{{0, 0}, {3, 0}, {3, 4}, {8, 4}, {8, 0}, {11, 0}, {11, 12}, {8, 12}, {8, 7}, {3, 7}, {3, 12}, {0, 12}}}},
        {"square with island", {{{0, 0}, {12, 0}, {12, 12}, {0, 12}}, {{4, 4}, {4, 7}, {7, 7}, {7, 4}}}},
        {"glyph o", {}, 'o'},
        {"glyph B", {}, 'B'},
        {"glyph 8", {}, '8'},
        {"glyph &", {}, '&'},
        {"glyph %", {}, '%'},
    };
    // A shoreline island with bays.
    for (const auto& coast : shorelines::Read("aegean_islands"))
        if (coast.size() >= 150 && coast.size() <= 400) {
            std::vector<P2> poly;
            for (const auto& p : coast)
                poly.push_back({p[0], p[1]});
            LoopPtr loop(PolygonLoop(poly));
            if (loop->area < 0)
                loop->ReverseLoop(1);
            CheckAgainstMedialAxis("island", loop.get());
            break;
        }
    for (const Row& row : rows) {
        if (!row.glyph) {
            LoopPtr loop(MakeLoop(row));
            CheckAgainstMedialAxis(row.label, loop.get());
            continue;
        }
        const auto pieces = GlyphPieces(row.glyph, 20);
        ASSERT_FALSE(pieces.empty()) << row.label;
        for (const LoopPtr& piece : pieces)
            CheckAgainstMedialAxis(row.label, piece.get());
    }
}

TEST(Skeleton, WideCornersOnGlyphsStayUnderTheDistance)
{
    // Mitered reflex corners widen a plane past its end, where it is lower than its bottom
    // is near: the index must still offer it (an "8" came out with radius 18.5 for 1).
    // Every point is inside with a height not above the brute-force boundary distance, and
    // the radius is at most the narrow corners' (mitres only lower the roof).
    for (char ch : std::string("8B&%oKe")) {
        const std::string label = std::string("glyph ") + ch;
        const auto pieces = GlyphPieces(ch, 20);
        ASSERT_FALSE(pieces.empty()) << label;
        for (const LoopPtr& piece : pieces) {
            float narrow = 0;
            SkelPtr n(BuildLoopSkeleton(piece.get(), 0, &narrow));
            float r = 0;
            const SkelPtr sk = ExpectIndexedAsPlain(label, piece.get(), 1, &r);
            ASSERT_TRUE(sk) << label;
            const auto rings = skeltest::Rings(piece.get());
            double top = 0;
            for (const P3& p : skeltest::Densify(sk.get(), 0.01)) {
                const P2 xy{p[0], p[1]};
                const double d = skeltest::BoundaryDistance(rings, xy);
                EXPECT_TRUE(d < 1e-6 || skeltest::Inside(rings, xy)) << label << " at " << p[0] << ", " << p[1];
                EXPECT_LE(p[2], d + 0.02) << label << " at " << p[0] << ", " << p[1];
                top = std::max(top, p[2]);
            }
            EXPECT_LE(r, narrow + 0.02) << label;
            EXPECT_NEAR(r, top, 0.02) << label;
            EXPECT_GT(r, 0.5 * narrow) << label;
        }
    }
}

}  // namespace
