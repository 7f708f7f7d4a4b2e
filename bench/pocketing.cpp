// Linear zigzag pocketing against Clipper 6 on the same input, in the same run: every
// region shrunk by 0.1 and scanned along x at the step; the peer shrinks the same
// flattened region with ClipperOffset (round joins, arc tolerance 0.001) and intersects
// the same scan lines with it as open paths. Inputs: a page of DejaVu Sans glyphs
// (cubics as arcs, step 0.2) and the Aegean archipelago (GSHHG, step 1). The counter
// "ratio" is the pocketing time over Clipper's (below 1: faster).
// Contour-parallel pocketing (CreateFollowPath: the offset hierarchy with round corners,
// its connections and the linked path) against Clipper's round offsets of the same
// flattened regions repeated by the step until nothing is left: the glyph page (step 0.2)
// and the sea of a window over Iceland's Westfjords with its islets (step 2).
#include "ThreadClock.h"

#include "geometry/algorithms/GeTool2D.h"
#include "geometry/shapes2d/GePolyline.h"
#include "testing/GeLoopPaths.h"
#include "testing/GlyphLoops.h"
#include "testing/Shorelines.h"
#include "toolpath/contours/tests/FollowFixtures.h"
#include "toolpath/contours/CornerType.h"
#include "toolpath/contours/CutPath.h"
#include "toolpath/contours/LoopApi.h"
#include "toolpath/contours/PathGroup.h"
#include "toolpath/contours/SmartLoop.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <time.h>
#include <vector>

namespace {

constexpr double kAllowance = 0.1;

struct Input {
    std::vector<std::unique_ptr<CSmartLoop>> regions;
    std::vector<ClipperLib::Paths> paths;  // each region flattened, oriented
    double step = 1;
};

void Build(GeLoopList& loops, Input& in)
{
    GeRegionList regions;
    CGeTool2D tool;
    tool.CreateRegion(&loops, &regions);
    for (POSITION pos = regions.GetHeadPosition(); pos;) {
        CGeRegion* r = regions.GetNext(pos);
        if (CSmartLoop* L = ConvertRegionToSmartLoop(r)) {
            in.regions.emplace_back(L);
            GeLoopList one;
            ConverSmartLoopToGeLoopList(L, &one);
            in.paths.push_back(clipperpaths::Normalised(geloops::ListPaths(one), ClipperLib::pftEvenOdd));
            while (!one.IsEmpty())
                delete one.RemoveHead();
        }
        delete r;
    }
    while (!loops.IsEmpty())
        delete loops.RemoveHead();
}

std::unique_ptr<Input> GlyphPage()
{
    auto in = std::make_unique<Input>();
    GeLoopList loops;
    glyphs::GlyphReader font;
    glyphs::GlyphPageLoops(font, loops);
    Build(loops, *in);
    in->step = 0.2;
    return in;
}

std::unique_ptr<Input> Archipelago()
{
    auto in = std::make_unique<Input>();
    GeLoopList loops;
    for (const shorelines::Loop& l : shorelines::Read("aegean_islands")) {
        std::vector<double> xy;
        for (const auto& p : l)
            xy.insert(xy.end(), {p[0], p[1]});
        xy.insert(xy.end(), {l[0][0], l[0][1]});
        auto* pl = new CGePolyline;
        pl->Create(static_cast<int>(l.size()) + 1, reinterpret_cast<const double(*)[2]>(xy.data()));
        auto* loop = new CGeLoop;
        loop->AddTail(pl, 1);
        loops.AddTail(loop);
    }
    Build(loops, *in);
    in->step = 1;
    return in;
}

// Clipper: the region shrunk, then the scan lines over its box clipped as open paths.
std::size_t ClipperScan(const ClipperLib::Paths& region, double step)
{
    ClipperLib::ClipperOffset off(2.0, 0.001 * clipperpaths::kScale);
    off.AddPaths(region, ClipperLib::jtRound, ClipperLib::etClosedPolygon);
    ClipperLib::Paths shrunk;
    off.Execute(shrunk, -kAllowance * clipperpaths::kScale);
    if (shrunk.empty())
        return 0;
    ClipperLib::cInt lo[2] = {shrunk[0][0].X, shrunk[0][0].Y}, hi[2] = {lo[0], lo[1]};
    for (const auto& p : shrunk)
        for (const auto& q : p) {
            lo[0] = std::min(lo[0], q.X), lo[1] = std::min(lo[1], q.Y);
            hi[0] = std::max(hi[0], q.X), hi[1] = std::max(hi[1], q.Y);
        }
    ClipperLib::Paths lines;
    const double s = step * clipperpaths::kScale;
    for (double y = double(lo[1]) + s; y < double(hi[1]); y += s)
        lines.push_back({{lo[0] - 10, ClipperLib::cInt(y)}, {hi[0] + 10, ClipperLib::cInt(y)}});
    ClipperLib::Clipper c;
    c.AddPaths(lines, ClipperLib::ptSubject, false);
    c.AddPaths(shrunk, ClipperLib::ptClip, true);
    ClipperLib::PolyTree tree;
    c.Execute(ClipperLib::ctIntersection, tree, ClipperLib::pftNonZero, ClipperLib::pftNonZero);
    ClipperLib::Paths open;
    ClipperLib::OpenPathsFromPolyTree(tree, open);
    return open.size();
}

// Times the strategy over every region against the peer over every flattened region, in
// the same run; peerCount names the peer's count of pieces.
template <class Ours, class Peer>
void TimeAgainstClipper(benchmark::State& state, Input& in, Ours ours, Peer peer, const char* peerCount)
{
    if (in.regions.empty()) {
        state.SkipWithError("fixture missing");
        return;
    }
    double tk = 0, tc = 0;
    std::size_t entities = 0, pieces = 0;
    for (auto _ : state) {
        double t0 = ThreadCpuSeconds();
        CPathCombine out(1);
        for (auto& L : in.regions)
            ours(*L, out);
        double t1 = ThreadCpuSeconds();
        pieces = 0;
        for (const ClipperLib::Paths& p : in.paths)
            pieces += peer(p, in.step);
        double t2 = ThreadCpuSeconds();
        tk += t1 - t0;
        tc += t2 - t1;
        entities = 0;
        for (CPathEntity* e = out.head; e; e = e->next)
            ++entities;
        benchmark::DoNotOptimize(entities);
    }
    state.counters["pocket_ms"] = tk * 1e3 / double(state.iterations());
    state.counters["clipper_ms"] = tc * 1e3 / double(state.iterations());
    state.counters["ratio"] = tc > 0 ? tk / tc : 0;
    state.counters["entities"] = double(entities);
    state.counters[peerCount] = double(pieces);
}

void BM_ZigzagPocketing(benchmark::State& state)
{
    std::unique_ptr<Input> in = state.range(0) == 0 ? GlyphPage() : Archipelago();
    const double step = in->step;
    TimeAgainstClipper(
        state, *in,
        [step](CSmartLoop& L, CPathCombine& out) {
            DVN_CutLinearDef def;
            def.flags = cutdef::kZigzag;
            def.step = step;
            def.allowance = kAllowance;
            def.maxLink = 3 * step;
            DVN_CornerType corner;
            corner.type = 4;
            DVN_OrderType order;
            L.CreateLinearPath(out, def, corner, order);
        },
        ClipperScan, "clipper_pieces");
}
// input 0: the glyph page, 1: the archipelago.
BENCHMARK(BM_ZigzagPocketing)->Arg(0)->Arg(1)->ArgNames({"input"})->Unit(benchmark::kMillisecond);

std::unique_ptr<Input> ShorelineBay()
{
    auto in = std::make_unique<Input>();
    if (CSmartLoop* L = followtest::ShorelineBay()) {
        in->paths.push_back(clipperpaths::Normalised(clipperpaths::ToPaths(offsettest::ChainPolygons(L)), ClipperLib::pftEvenOdd));
        in->regions.emplace_back(L);
    }
    in->step = 2;
    return in;
}

// Clipper: offsets of the region by step, 2 step, ... each from the one before, until
// nothing is left; the number of rings.
std::size_t ClipperRings(const ClipperLib::Paths& region, double step)
{
    std::size_t rings = 0;
    for (ClipperLib::Paths p = region; !p.empty();) {
        rings += p.size();
        ClipperLib::ClipperOffset off(2.0, 0.001 * clipperpaths::kScale);
        off.AddPaths(p, ClipperLib::jtRound, ClipperLib::etClosedPolygon);
        off.Execute(p, -step * clipperpaths::kScale);
    }
    return rings;
}

void BM_FollowPocketing(benchmark::State& state)
{
    std::unique_ptr<Input> in = state.range(0) == 0 ? GlyphPage() : ShorelineBay();
    const double step = in->step;
    TimeAgainstClipper(
        state, *in,
        [step](CSmartLoop& L, CPathCombine& out) {
            DVN_CutFollowDef def;
            def.step = step;
            DVN_CornerType corner;
            corner.type = 4;
            DVN_OrderType order;
            L.CreateFollowPath(out, def, corner, order);
        },
        ClipperRings, "clipper_rings");
}
// input 0: the glyph page, 1: the shoreline bay.
BENCHMARK(BM_FollowPocketing)->Arg(0)->Arg(1)->ArgNames({"input"})->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
