// Chaining shuffled loose curves into loops (list form against grid form) and
// building regions from loops.
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

#include <algorithm>
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
    std::size_t loops = 0;
    for (auto _ : state) {
        LoopList out;
        CGeTool2D tool;
        if (kGrid)
            tool.ReCreateLoopEx(&curves, &out, kTol, true, true);
        else
            tool.ReCreateLoop(&curves, &out, kTol, true, true);
        loops = static_cast<std::size_t>(out.GetCount());
        state.PauseTiming();
        geDelGeLoopList(&out, false);
        state.ResumeTiming();
    }
    state.counters["loops"] = static_cast<double>(loops);
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
    std::size_t regions = 0;
    for (auto _ : state) {
        state.PauseTiming();
        LoopList loops;
        MakeLoops(static_cast<int>(state.range(0)), loops);
        RegionList out;
        state.ResumeTiming();
        CGeTool2D tool;
        tool.CreateRegion(&loops, &out);
        state.PauseTiming();
        regions = static_cast<std::size_t>(out.GetCount());
        geDelRegionList(&out, false);
        geDelGeLoopList(&loops, false);
        state.ResumeTiming();
    }
    state.counters["regions"] = static_cast<double>(regions);
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_ChainList(benchmark::State& state) { BM_Chain<false>(state); }
void BM_ChainGrid(benchmark::State& state) { BM_Chain<true>(state); }

BENCHMARK(BM_ChainList)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ChainGrid)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Regions)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
