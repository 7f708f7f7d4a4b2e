// Chaining shuffled loose curves into loops (list form and grid form) and
// building regions from loops, each against GEOS on the same input in the
// same run: chaining against GEOSLineMerge, regions against GEOSPolygonize.
// The counter "ratio" is Korvel's time over GEOS's (below 1: Korvel is faster);
// GEOS is timed on its call alone, its input built beforehand.
//
// Input: closed 10-gons on a square lattice, each cut into its 10 edges (with
// gaps of 0.002), shuffled and a third of them reversed. Chaining runs in copy
// mode, so the copies are part of the measured work. Regions: lattice cells
// each holding a square with a square hole (half the loops are holes).
#include "framework/looker/QVGlobal.h"
#include "geometry/algorithms/GeTool2D.h"
#include "geometry/shapes2d/CurveList.h"
#include "geometry/shapes2d/GeLine.h"
#include "geometry/shapes2d/GeLoop.h"
#include "geometry/shapes2d/GeRegion.h"

#include <benchmark/benchmark.h>
#include <geos_c.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <random>
#include <vector>

namespace {

using CurveList = CGeTool2D::CurveList;
using LoopList = CGeTool2D::LoopList;
using RegionList = CGeTool2D::RegionList;

constexpr int kEdges = 10;
constexpr double kGap = 0.002;
constexpr double kTol = 0.01;

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point from) { return std::chrono::duration<double>(Clock::now() - from).count(); }

// A GEOS context and the line strings of one input, freed together.
class GeosInput {
public:
    GeosInput() : m_h(GEOS_init_r()) {}
    ~GeosInput()
    {
        for (GEOSGeometry* g : m_lines) GEOSGeom_destroy_r(m_h, g);
        GEOS_finish_r(m_h);
    }
    GeosInput(const GeosInput&) = delete;
    GeosInput& operator=(const GeosInput&) = delete;

    // One line string through the points of a curve's display polyline (a
    // line: its two ends).
    void Add(CGeCurve* c)
    {
        c->Discrete(kTol);
        const int n = c->GetSWPointCount();
        GEOSCoordSequence* seq = GEOSCoordSeq_create_r(m_h, static_cast<unsigned>(n), 2);
        for (int i = 0; i < n; ++i) GEOSCoordSeq_setXY_r(m_h, seq, static_cast<unsigned>(i), c->GetSWPoint()[i][0], c->GetSWPoint()[i][1]);
        m_lines.push_back(GEOSGeom_createLineString_r(m_h, seq));
    }

    // Seconds of GEOSLineMerge over all the line strings; count receives the merged lines.
    double TimeLineMerge(std::size_t& count)
    {
        std::vector<GEOSGeometry*> clones;
        clones.reserve(m_lines.size());
        for (GEOSGeometry* g : m_lines) clones.push_back(GEOSGeom_clone_r(m_h, g));
        GEOSGeometry* all = GEOSGeom_createCollection_r(m_h, GEOS_MULTILINESTRING, clones.data(),
                                                        static_cast<unsigned>(clones.size()));
        const Clock::time_point t0 = Clock::now();
        GEOSGeometry* merged = GEOSLineMerge_r(m_h, all);
        const double s = Seconds(t0);
        count = merged ? static_cast<std::size_t>(GEOSGetNumGeometries_r(m_h, merged)) : 0;
        GEOSGeom_destroy_r(m_h, merged);
        GEOSGeom_destroy_r(m_h, all);
        return s;
    }

    // Seconds of GEOSPolygonize over the line strings; count receives the polygons.
    double TimePolygonize(std::size_t& count)
    {
        const Clock::time_point t0 = Clock::now();
        GEOSGeometry* polygons = GEOSPolygonize_r(m_h, m_lines.data(), static_cast<unsigned>(m_lines.size()));
        const double s = Seconds(t0);
        count = polygons ? static_cast<std::size_t>(GEOSGetNumGeometries_r(m_h, polygons)) : 0;
        GEOSGeom_destroy_r(m_h, polygons);
        return s;
    }

private:
    GEOSContextHandle_t m_h;
    std::vector<GEOSGeometry*> m_lines;
};

// Korvel's and GEOS's seconds per iteration and their ratio.
void ReportAgainstGeos(benchmark::State& state, double korvel, double geos)
{
    const double n = static_cast<double>(state.iterations());
    state.counters["korvel_s"] = korvel / n;
    state.counters["geos_s"] = geos / n;
    state.counters["ratio"] = geos > 0.0 ? korvel / geos : 0.0;
}

CGeLine* NewLine(double x1, double y1, double x2, double y2)
{
    const double p[2] = {x1, y1}, q[2] = {x2, y2};
    return new CGeLine(p, q);
}

void MakePieces(int count, CurveList& out)
{
    const int polygons = std::max(1, count / kEdges);
    const int side = static_cast<int>(std::ceil(std::sqrt(static_cast<double>(polygons))));
    const double pi = std::acos(-1.0);
    std::vector<CGeCurve*> v;
    v.reserve(static_cast<std::size_t>(polygons) * kEdges);
    for (int k = 0; k < polygons; ++k) {
        const double cx = 10.0 * (k % side), cy = 10.0 * (k / side);
        for (int e = 0; e < kEdges; ++e) {
            const double a0 = 2 * pi * e / kEdges, a1 = 2 * pi * (e + 1) / kEdges;
            const double ux = std::cos(a0), uy = std::sin(a0);
            v.push_back(NewLine(cx + 4 * ux + kGap * ux, cy + 4 * uy, cx + 4 * std::cos(a1), cy + 4 * std::sin(a1)));
        }
    }
    std::mt19937 rng(42);
    std::shuffle(v.begin(), v.end(), rng);
    for (CGeCurve* c : v) {
        if (rng() % 3 == 0) c->Reverse();
        out.AddTail(c);
    }
}

template <bool kGrid>
void BM_Chain(benchmark::State& state)
{
    gNewQVGlobal();
    CurveList curves;
    MakePieces(static_cast<int>(state.range(0)), curves);
    GeosInput geos;
    for (CGeCurve* c : curves) geos.Add(c);
    std::size_t loops = 0, merged = 0;
    double korvel = 0.0, peer = 0.0;
    for (auto _ : state) {
        LoopList out;
        const Clock::time_point t0 = Clock::now();
        {
            CGeTool2D tool;
            if (kGrid)
                tool.ReCreateLoopEx(&curves, &out, kTol, true, true);
            else
                tool.ReCreateLoop(&curves, &out, kTol, true, true);
        }
        korvel += Seconds(t0);
        loops = static_cast<std::size_t>(out.GetCount());
        state.PauseTiming();
        geDelGeLoopList(&out, false);
        peer += geos.TimeLineMerge(merged);
        state.ResumeTiming();
    }
    state.counters["loops"] = static_cast<double>(loops);
    state.counters["geos_lines"] = static_cast<double>(merged);
    ReportAgainstGeos(state, korvel, peer);
    state.SetItemsProcessed(state.iterations() * state.range(0));
    geDelCurveList(&curves);
}

CGeLoop* SquareLoop(double x0, double y0, double s)
{
    auto* loop = new CGeLoop;
    loop->AddTail(NewLine(x0, y0, x0 + s, y0), 0);
    loop->AddTail(NewLine(x0 + s, y0, x0 + s, y0 + s), 0);
    loop->AddTail(NewLine(x0 + s, y0 + s, x0, y0 + s), 0);
    loop->AddTail(NewLine(x0, y0 + s, x0, y0), 1);
    return loop;
}

void MakeLoops(int count, LoopList& out)
{
    const int cells = std::max(1, count / 2);
    const int side = static_cast<int>(std::ceil(std::sqrt(static_cast<double>(cells))));
    std::vector<CGeLoop*> v;
    for (int k = 0; k < cells; ++k) {
        const double x = 10.0 * (k % side), y = 10.0 * (k / side);
        v.push_back(SquareLoop(x, y, 8));
        v.push_back(SquareLoop(x + 2, y + 2, 4));
    }
    std::mt19937 rng(7);
    std::shuffle(v.begin(), v.end(), rng);
    for (CGeLoop* l : v) out.AddTail(l);
}

void BM_Regions(benchmark::State& state)
{
    gNewQVGlobal();
    std::size_t regions = 0, polygons = 0;
    double korvel = 0.0, peer = 0.0;
    for (auto _ : state) {
        state.PauseTiming();
        LoopList loops;
        MakeLoops(static_cast<int>(state.range(0)), loops);
        RegionList out;
        state.ResumeTiming();
        const Clock::time_point t0 = Clock::now();
        {
            CGeTool2D tool;
            tool.CreateRegion(&loops, &out);
        }
        korvel += Seconds(t0);
        state.PauseTiming();
        regions = static_cast<std::size_t>(out.GetCount());
        // The same loops (the regions hold them now) as closed line strings.
        GeosInput geos;
        for (CGeRegion* r : out)
            for (CGeLoop* l : r->GetLoopList()) geos.Add(l);
        peer += geos.TimePolygonize(polygons);
        geDelRegionList(&out, false);
        geDelGeLoopList(&loops, false);
        state.ResumeTiming();
    }
    state.counters["regions"] = static_cast<double>(regions);
    state.counters["geos_polygons"] = static_cast<double>(polygons);
    ReportAgainstGeos(state, korvel, peer);
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_ChainList(benchmark::State& state) { BM_Chain<false>(state); }
void BM_ChainGrid(benchmark::State& state) { BM_Chain<true>(state); }

BENCHMARK(BM_ChainList)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ChainGrid)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Regions)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
