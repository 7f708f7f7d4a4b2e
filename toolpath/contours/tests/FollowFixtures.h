// Pockets for the contour-parallel tests and bench: DejaVu glyph regions, a dumbbell whose
// offsets split, a comb with narrow teeth, a thin spiral groove, a perforated plate and a
// shoreline bay (the sea of a window over Iceland's Westfjords, islets as islands), each
// with a step that gives it several rings.
#pragma once

#include "OffsetOracle.h"

#include "geometry/algorithms/GeTool2D.h"
#include "geometry/shapes2d/GeRegion.h"
#include "testing/ClipperPaths.h"
#include "testing/GlyphLoops.h"
#include "testing/Shorelines.h"
#include "toolpath/contours/LoopApi.h"

#include <cmath>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

namespace followtest {

using clipperpaths::Polygon;

struct Pocket {
    std::string name;
    std::unique_ptr<CSmartLoop> loop;
    double step;
};

// A loop tree of polygons: the outer made counter-clockwise, the holes clockwise.
inline CSmartLoop* RegionLoop(const Polygon& outer, const std::vector<Polygon>& holes)
{
    CSmartLoop* L = looptest::PolygonLoop(outer);
    if (L->area < 0)
        L->ReverseLoop(1);
    for (const Polygon& h : holes) {
        CSmartLoop* I = looptest::PolygonLoop(h);
        if (I->area > 0)
            I->ReverseLoop(1);
        L->AddIsland(I);
    }
    return L;
}

inline Polygon FromPath(const ClipperLib::Path& path)
{
    Polygon p;
    for (const auto& q : path)
        p.push_back({q.X / clipperpaths::kScale, q.Y / clipperpaths::kScale});
    return p;
}

// The largest region of Clipper's polygon tree with its holes, as a loop tree.
inline CSmartLoop* LargestRegion(const ClipperLib::Paths& paths)
{
    ClipperLib::Clipper c;
    c.AddPaths(paths, ClipperLib::ptSubject, true);
    ClipperLib::PolyTree tree;
    c.Execute(ClipperLib::ctUnion, tree, ClipperLib::pftNonZero, ClipperLib::pftNonZero);
    ClipperLib::PolyNode* best = nullptr;
    for (ClipperLib::PolyNode* n = tree.GetFirst(); n; n = n->GetNext())
        if (!n->IsHole() && (!best || std::fabs(ClipperLib::Area(n->Contour)) > std::fabs(ClipperLib::Area(best->Contour))))
            best = n;
    if (!best)
        return nullptr;
    std::vector<Polygon> holes;
    for (ClipperLib::PolyNode* h : best->Childs)
        holes.push_back(FromPath(h->Contour));
    return RegionLoop(FromPath(best->Contour), holes);
}

// The loops nested into regions by the geometry toolkit, as loop trees; the list is
// emptied.
inline std::vector<std::unique_ptr<CSmartLoop>> RegionLoops(GeLoopList& loops)
{
    std::vector<std::unique_ptr<CSmartLoop>> out;
    GeRegionList regions;
    CGeTool2D().CreateRegion(&loops, &regions);
    while (!loops.IsEmpty())
        delete loops.RemoveHead();
    while (!regions.IsEmpty()) {
        std::unique_ptr<CGeRegion> r(regions.RemoveHead());
        if (CSmartLoop* L = ConvertRegionToSmartLoop(r.get()))
            out.emplace_back(L);
    }
    return out;
}

// The glyph regions of text (height 10 mm) as loop trees.
inline std::vector<std::unique_ptr<CSmartLoop>> GlyphRegions(const std::string& text)
{
    glyphs::GlyphReader font;
    GeLoopList loops;
    glyphs::GlyphLineLoops(font, text, 10, 0, loops);
    return RegionLoops(loops);
}

// The sea inside a 130 x 100 mm window over the Westfjords (coast in millimetres).
inline CSmartLoop* ShorelineBay()
{
    std::vector<Polygon> land;
    for (const shorelines::Loop& l : shorelines::Read("iceland_fjords")) {
        Polygon p;
        for (const auto& q : l)
            p.push_back({q[0], q[1]});
        land.push_back(p);
    }
    if (land.empty())
        return nullptr;
    const Polygon window = {{0, 225}, {130, 225}, {130, 325}, {0, 325}};
    ClipperLib::Clipper c;
    c.AddPath(clipperpaths::ToPath(window), ClipperLib::ptSubject, true);
    c.AddPaths(clipperpaths::ToPaths(land), ClipperLib::ptClip, true);
    ClipperLib::Paths sea;
    c.Execute(ClipperLib::ctDifference, sea, ClipperLib::pftNonZero, ClipperLib::pftNonZero);
    return LargestRegion(sea);
}

// A groove of width 1.2 along an Archimedean spiral of three turns, 3 apart.
inline CSmartLoop* SpiralGroove()
{
    ClipperLib::Path centre;
    for (double t = 0; t <= 6 * std::numbers::pi; t += 0.05) {
        const double r = 2 + 3 * t / (2 * std::numbers::pi);
        centre.push_back({static_cast<ClipperLib::cInt>(std::llround(r * std::cos(t) * clipperpaths::kScale)),
                          static_cast<ClipperLib::cInt>(std::llround(r * std::sin(t) * clipperpaths::kScale))});
    }
    ClipperLib::ClipperOffset off(2.0, 0.001 * clipperpaths::kScale);
    off.AddPath(centre, ClipperLib::jtRound, ClipperLib::etOpenRound);
    ClipperLib::Paths out;
    off.Execute(out, 0.6 * clipperpaths::kScale);
    return LargestRegion(out);
}

inline CSmartLoop* PerforatedPlate()
{
    offsettest::Pocket k;
    k.outer = {{0, 0}, {40, 0}, {40, 30}, {0, 30}};  // holes 7.3 apart: no two grown ones touch
    for (int i = 0; i < 5; ++i)
        for (int j = 0; j < 4; ++j)
            k.circles.push_back({{5.4 + 7.3 * i, 4.05 + 7.3 * j}, 1.5});
    return offsettest::PocketLoop(k);
}

// Every pocket of the tests, freshly built.
inline std::vector<Pocket> Pockets()
{
    std::vector<Pocket> out;
    int g = 0;
    for (auto& L : GlyphRegions("B8%@"))
        out.push_back({"glyph region " + std::to_string(g++), std::move(L), 0.23});
    out.push_back({"dumbbell",
                   std::unique_ptr<CSmartLoop>(RegionLoop({{0, 0}, {10, 0}, {10, 4.5}, {20, 4.5}, {20, 0}, {30, 0}, {30, 10},
                                                           {20, 10}, {20, 5.5}, {10, 5.5}, {10, 10}, {0, 10}},
                                                          {})),
                   0.4});
    Polygon comb = {{0, 0}, {20, 0}, {20, 3}};
    for (int i = 5; i >= 0; --i) {
        const double x = 1.7 + 3 * i;
        comb.insert(comb.end(), {{x + 1.2, 3}, {x + 1.2, 10}, {x, 10}, {x, 3}});
    }
    comb.push_back({0, 3});
    out.push_back({"comb", std::unique_ptr<CSmartLoop>(RegionLoop(comb, {})), 0.25});
    out.push_back({"spiral groove", std::unique_ptr<CSmartLoop>(SpiralGroove()), 0.25});
    out.push_back({"perforated plate", std::unique_ptr<CSmartLoop>(PerforatedPlate()), 1.0});
    if (CSmartLoop* bay = ShorelineBay())
        out.push_back({"shoreline bay", std::unique_ptr<CSmartLoop>(bay), 2.0});
    return out;
}

}  // namespace followtest
