#include "toolpath/contours/Skeleton.h"

#include "testing/GlyphOutlines.h"
#include "toolpath/contours/tests/LoopOracle.h"
#include "toolpath/contours/tests/MedialAxisOracle.h"

#include <gtest/gtest.h>

#include <memory>
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
    LoopPtr loop(PolygonLoop({{0, 0}, {20, 0}, {20, 10}, {0, 10}}));
    float r = 0;
    SkelPtr sk(BuildLoopSkeleton(loop.get(), 0, &r));
    std::vector<int> mains;
    std::vector<double> caps;
    const auto lines = Lines(sk.get(), &mains, &caps);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::string s;
        for (auto& p : lines[i]) s += "(" + std::to_string(p[0]) + "," + std::to_string(p[1]) + "," + std::to_string(p[2]) + ")";
        printf("%d cap %g: %s\n", mains[i], caps[i], s.c_str());
    }
    EXPECT_FLOAT_EQ(r, 5.0f);
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

void CheckAgainstMedialAxis(const std::string& label, CSmartLoop* loop)
{
    Row row{label, {}};
    float r = 0;
    SkelPtr sk(BuildLoopSkeleton(loop, 0, &r));
    ASSERT_TRUE(sk) << row.label;
    const auto rings = skeltest::Rings(loop);
    const auto pts = skeltest::Densify(sk.get(), 0.01);
    double worstZ = 0;
    for (const P3& p : pts) {
        const P2 xy{p[0], p[1]};
        const double d = skeltest::BoundaryDistance(rings, xy);
        EXPECT_TRUE(d < 1e-6 || skeltest::Inside(rings, xy)) << row.label << " at " << p[0] << ", " << p[1];
        worstZ = std::max(worstZ, std::fabs(d - p[2]));
    }
    EXPECT_LE(worstZ, 0.02) << row.label;
    const auto medial = skeltest::BoostMedialAxis(rings, 1e5, 0.005);
    EXPECT_NEAR(r, medial.maxRadius, 0.02) << row.label;
    const auto ours = skeltest::XY(pts);
    EXPECT_LE(skeltest::DirectedHausdorff(ours, medial.points, 0.05), 0.02) << row.label << " skeleton off the medial axis";
    EXPECT_LE(skeltest::DirectedHausdorff(medial.points, ours, 0.05), 0.02) << row.label << " medial axis missed";
}

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

}  // namespace
