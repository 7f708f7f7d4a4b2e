// Open-curve offset of a long polyline (a smooth random walk of 1e4 edges)
// against GEOS's offset curve with round joins on the same vertices, in the
// same run; "ratio" is Korvel's time over GEOS's.
#include "framework/looker/QVGlobal.h"
#include "geometry/algorithms/GeTool2D.h"
#include "geometry/shapes2d/GeLoop.h"
#include "geometry/shapes2d/GePolyline.h"
#include "testing/GeosOffsetCurve.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <memory>
#include <random>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point t0) { return std::chrono::duration<double>(Clock::now() - t0).count(); }

// A walk of unit steps whose heading turns by at most 0.3 radians a step, so
// that it curls and crosses itself now and then, as traced outlines do.
geospeer::Polyline RandomWalk(int edges)
{
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> turn(-0.3, 0.3);
    geospeer::Polyline pts{{0.0, 0.0}};
    double heading = 0.0;
    for (int i = 0; i < edges; ++i) {
        heading += turn(rng);
        pts.push_back({pts.back()[0] + std::cos(heading), pts.back()[1] + std::sin(heading)});
    }
    return pts;
}

void BM_OpenCurveOffset(benchmark::State& state)
{
    gNewQVGlobal();
    const geospeer::Polyline walk = RandomWalk(static_cast<int>(state.range(0)));
    const double dist = 0.5;
    auto loop = std::make_unique<CGeLoop>();
    auto* pl = new CGePolyline();
    pl->Create(static_cast<int>(walk.size()), reinterpret_cast<const double(*)[2]>(walk.data()));
    loop->AddTail(pl, 1);
    CGeTool2D::LoopList in;
    in.AddTail(loop.get());
    geospeer::OffsetCurve geos;
    double korvel = 0.0, peer = 0.0;
    std::size_t members = 0, parts = 0;
    for (auto _ : state) {
        CGeTool2D::LoopList out;
        const Clock::time_point t0 = Clock::now();
        {
            CGeTool2D tool;
            tool.OpenCurveOffset(&in, dist, 1, &out);
        }
        korvel += Seconds(t0);
        state.PauseTiming();
        members = out.IsEmpty() ? 0 : static_cast<std::size_t>(out.GetHead()->GetCurveList().GetCount());
        for (CGeLoop* l : out) delete l;
        state.ResumeTiming();
        const Clock::time_point t1 = Clock::now();
        parts = geos.Offset(walk, dist, 8).size();
        peer += Seconds(t1);
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["korvel_s"] = korvel / n;
    state.counters["geos_s"] = peer / n;
    state.counters["ratio"] = peer > 0.0 ? korvel / peer : 0.0;
    state.counters["members"] = static_cast<double>(members);
    state.counters["geos_parts"] = static_cast<double>(parts);
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

BENCHMARK(BM_OpenCurveOffset)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
