// A page of DejaVu Sans glyphs (cubics approximated by arcs, regions nested by the
// geometry toolkit, loops through the exported API) pocketed one way, zigzag, by spiral
// passes, by radial rays and by contour-parallel rings; every path checked with the cut
// oracles against its region's own lines and arcs: no gouge, and nothing within the
// tool's reach left uncut beyond what the strategy's stepover admits.
#include "FollowFixtures.h"

#include "testing/CutOracle.h"
#include "testing/GlyphLoops.h"
#include "toolpath/contours/CornerType.h"
#include "toolpath/contours/CutPath.h"
#include "toolpath/contours/LoopApi.h"
#include "toolpath/contours/PathConst.h"
#include "toolpath/contours/SmartCurveLib.h"
#include "toolpath/contours/SmartLPoint.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

namespace {

enum class Strategy { OneWay, Zigzag, Spiral, Radial, Follow };

// The page's regions as loops, each with the boundary the oracles read before any cut.
struct Page {
    std::vector<std::unique_ptr<CSmartLoop>> loops;
    std::vector<cuttest::Boundary> boundaries;
};

Page GlyphPage()
{
    Page page;
    glyphs::GlyphReader font;
    EXPECT_TRUE(font.Ok());
    GeLoopList loops;
    glyphs::GlyphPageLoops(font, loops);
    for (auto& L : followtest::RegionLoops(loops)) {
        page.boundaries.push_back(cuttest::LoopBoundary(*L));
        page.loops.push_back(std::move(L));
    }
    return page;
}

// The strategy's path of one region; step is the stepover (degrees for radial rays).
std::unique_ptr<CPathCombine> Pocket(CSmartLoop& L, Strategy strategy, double step)
{
    auto out = std::make_unique<CPathCombine>(1);
    const double centre[2] = {(L.box[0][0] + L.box[1][0]) / 2, (L.box[0][1] + L.box[1][1]) / 2};
    switch (strategy) {
    case Strategy::OneWay:
    case Strategy::Zigzag: {
        DVN_CutLinearDef def;
        def.flags = strategy == Strategy::Zigzag ? cutdef::kZigzag | cutdef::kBoundary : 0;
        def.step = step;
        def.maxLink = 3 * step;
        DVN_CornerType corner;
        corner.type = 4;
        DVN_OrderType order;
        EXPECT_EQ(L.CreateLinearPath(*out, def, corner, order), 1);
        break;
    }
    case Strategy::Spiral: {
        // Half circles about the box centre above and, half a step smaller and half a
        // step to the left, below: each pass ends where the next begins.
        const double lower[2] = {centre[0] - step / 2, centre[1]};
        const double r = std::hypot(L.box[1][0] - L.box[0][0], L.box[1][1] - L.box[0][1]) / 2 + step;
        CSmartArc arcs[2] = {CSmartArc(centre, r, 0, std::numbers::pi), CSmartArc(lower, r - step / 2, std::numbers::pi, 2 * std::numbers::pi)};
        CSmartCurveLib pool;
        CSmartLPoint* points = GenerateSpiralPoint(&L, arcs, step, pool);
        DVN_CutSpiralDef def;
        def.distance = step;
        DVN_OrderType order;
        EXPECT_EQ(ExtractSpiralPath(*out, def, order, points, pool), 1);
        L.InitBuffer();
        break;
    }
    case Strategy::Radial: {
        DVN_CutEmitDef def;
        def.flags = cutdef::kEmitConnected;
        def.centre[0] = centre[0];
        def.centre[1] = centre[1];
        def.sweepAngle = 360;
        def.stepAngle = step;
        EXPECT_EQ(L.CreateEmitPath(*out, def), 1);
        break;
    }
    case Strategy::Follow: {
        DVN_CutFollowDef def;
        def.step = step;
        DVN_CornerType corner;
        corner.type = 4;
        DVN_OrderType order;
        EXPECT_EQ(L.CreateFollowPath(*out, def, corner, order), 1);
        break;
    }
    }
    return out;
}

TEST(RealPockets, GlyphPageNeverGougesAndLeavesOnlyCuspsUncut)
{
    Page page = GlyphPage();
    ASSERT_GT(page.loops.size(), 80u);
    // A tool of radius 0.3: linear and spiral passes 0.5 apart, rays 4 degrees apart
    // (0.42 apart 6 mm from the centre, as far as a 10 mm glyph reaches).
    const double R = 0.3;
    const struct {
        const char* name;
        Strategy strategy;
        double step;
        double cusp;  // how far beyond R a raster point may lie from the path
    } cases[] = {
        // With the boundary pass and step / 2 <= R nothing is left (the path is sampled
        // 0.05 apart).
        {"zigzag", Strategy::Zigzag, 0.5, 0.03},
        // Without it, cusps between line ends and the boundary and at the tips of spikes
        // whose scan pieces are shorter than the step (and so left out): up to a step.
        {"one way", Strategy::OneWay, 0.5, 0.5},
        // Cusps where passes or rays meet the boundary without running along it.
        {"spiral", Strategy::Spiral, 0.5, 0.25},
        {"radial", Strategy::Radial, 4, 0.25},
        // Rings a tool radius apart cover everything.
        {"contour-parallel", Strategy::Follow, 0.3, 0.03},
    };
    for (const auto& c : cases) {
        std::size_t regionsCut = 0;
        for (std::size_t i = 0; i < page.loops.size(); ++i) {
            const std::string label = std::string(c.name) + " region " + std::to_string(i);
            const auto out = Pocket(*page.loops[i], c.strategy, c.step);
            const auto pts = cuttest::SamplePath(*out, 0.05);
            if (pts.empty())
                continue;
            ++regionsCut;
            // Boundary arcs within the chord tolerance are written as one chord, which on an
            // arc bulging into the region lies up to that tolerance outside.
            const auto gouges = cuttest::Gouges(page.boundaries[i], pts, pathc::kArcChordTol + 1e-6);
            EXPECT_TRUE(gouges.empty()) << label << " gouges at " << gouges.front()[0] << ", " << gouges.front()[1];
            const auto uncut = cuttest::Uncut(page.boundaries[i], pts, R, 0.1, c.cusp);
            EXPECT_TRUE(uncut.empty()) << label << " uncut at " << uncut.front()[0] << ", " << uncut.front()[1];
        }
        EXPECT_GT(regionsCut, page.loops.size() * 9 / 10) << c.name;
    }
}

}  // namespace
