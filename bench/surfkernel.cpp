// Curve interpolation of the surface kernel against Open CASCADE's
// GeomAPI_Interpolate on the same points, and lofts through many arc sections
// (the fillet solver's load), whose time should grow linearly with the count.

#include "testing/OcctNurbs.h"
#include "toolpath/surfkernel/NurbsUtil.h"

#include <GeomAPI_Interpolate.hxx>
#include <TColgp_HArray1OfPnt.hxx>
#include <benchmark/benchmark.h>

#include <array>
#include <chrono>
#include <cmath>
#include <vector>

namespace {

std::vector<std::array<double, 3>> helixPoints(int n)
{
    std::vector<std::array<double, 3>> pts(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        const double a = 40.0 * i / n + 0.2 * std::sin(3.0 * i);
        pts[i] = {10 * std::cos(a), 10 * std::sin(a), 0.7 * a};
    }
    return pts;
}

void BM_Interpolate(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    const auto pts = helixPoints(n);
    const auto* raw = reinterpret_cast<const double(*)[3]>(pts.data());
    double oursTotal = 0.0;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        BCRV* c = nullptr;
        if (NRB_InterpolatePoints(n, 4, raw, &c) != 1)
            state.SkipWithError("interpolation failed");
        benchmark::DoNotOptimize(c);
        BCRV_Free(c);
        const double t = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        state.SetIterationTime(t);
        oursTotal += t;
    }
    const auto rounds = static_cast<int>(state.iterations());
    Handle(TColgp_HArray1OfPnt) peerPts = new TColgp_HArray1OfPnt(1, n);
    for (int i = 0; i < n; ++i)
        peerPts->SetValue(i + 1, gp_Pnt(pts[i][0], pts[i][1], pts[i][2]));
    const auto t0 = std::chrono::steady_clock::now();
    for (int r = 0; r < rounds; ++r) {
        GeomAPI_Interpolate interp(peerPts, false, 1e-9);
        interp.Perform();
        if (!interp.IsDone())
            state.SkipWithError("peer interpolation failed");
        Handle(Geom_BSplineCurve) c = interp.Curve();
        benchmark::DoNotOptimize(c);
    }
    const double peerTotal = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    state.counters["occt_s"] = peerTotal / rounds;
    state.counters["ratio"] = oursTotal / peerTotal;
    state.SetItemsProcessed(state.iterations() * n);
}

BENCHMARK(BM_Interpolate)->Arg(10000)->Arg(100000)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_LoftArcs(benchmark::State& state)
{
    const int m = static_cast<int>(state.range(0));
    std::vector<BCRV*> arcs(static_cast<std::size_t>(m));
    for (int j = 0; j < m; ++j) {
        arcs[j] = BCRV_New();
        const double z = 0.01 * j;
        const double o[3] = {0.0, 0.0, z};
        arcs[j]->GenArc(o, 2.0 + 0.5 * std::sin(0.01 * j), 0.0, 1.5);
    }
    for (auto _ : state) {
        _nurbs_surface* s = nullptr;
        if (NRB_LoftSurface(arcs.data(), m, 4, 1e-10, &s) != 1)
            state.SkipWithError("loft failed");
        benchmark::DoNotOptimize(s);
        BSRF_Free(s);
    }
    for (BCRV* c : arcs)
        BCRV_Free(c);
    state.SetComplexityN(m);
    state.SetItemsProcessed(state.iterations() * m);
}

BENCHMARK(BM_LoftArcs)->Arg(1000)->Arg(2000)->Arg(4000)->Complexity(benchmark::oN)->Unit(benchmark::kMillisecond);

} // namespace
