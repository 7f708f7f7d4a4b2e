// NURBS curves: evaluation throughput by degree and global interpolation of long point runs.
#include "framework/numerak/Bcrv.h"
#include "framework/numerak/NurbsFit.h"

#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <vector>

namespace {

// Rational curve of the given degree with 64 control points on a helix.
BCRV* MakeCurve(int degree)
{
    const int n = 64;
    BCRV* c = BCRV_New(degree + 1, n);
    for (int i = 0; i < n; ++i) {
        const double a = 0.4 * i;
        const double p[3] = {10.0 * std::cos(a), 10.0 * std::sin(a), 0.3 * i};
        c->SetCtrlPt(i, p, 0.8 + 0.4 * ((i * 7) % 5) / 4.0);
    }
    return c;
}

void BM_EvPos(benchmark::State& state)
{
    BCRV* c = MakeCurve(static_cast<int>(state.range(0)));
    double t = 0.0;
    double p[3];
    for (auto _ : state) {
        t += 0.6180339887498949;
        if (t >= 1.0)
            t -= 1.0;
        BCRV_EvPos(c, t, p);
        benchmark::DoNotOptimize(p);
    }
    state.SetItemsProcessed(state.iterations());
    BCRV_Free(c);
}
BENCHMARK(BM_EvPos)->Arg(2)->Arg(3)->Arg(5);

void BM_Ev2Der(benchmark::State& state)
{
    BCRV* c = MakeCurve(static_cast<int>(state.range(0)));
    double t = 0.0;
    double p[3], d1[3], d2[3];
    for (auto _ : state) {
        t += 0.6180339887498949;
        if (t >= 1.0)
            t -= 1.0;
        BCRV_Ev2Der(c, t, p, d1, d2);
        benchmark::DoNotOptimize(p);
        benchmark::DoNotOptimize(d2);
    }
    state.SetItemsProcessed(state.iterations());
    BCRV_Free(c);
}
BENCHMARK(BM_Ev2Der)->Arg(2)->Arg(3)->Arg(5);

void BM_Interpolate(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    std::vector<std::array<double, 3>> pts(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        const double a = 0.01 * i;
        pts[i] = {50.0 * std::cos(a), 50.0 * std::sin(a), 0.001 * i};
    }
    for (auto _ : state) {
        BCRV* c = state.range(1) != 0 ? BCRV_Interpolate(reinterpret_cast<const double(*)[3]>(pts.data()), n)
                                      : BCRV_GlobalInterp(reinterpret_cast<const double(*)[3]>(pts.data()), n, 3);
        benchmark::DoNotOptimize(c);
        BCRV_Free(c);
    }
    state.SetItemsProcessed(state.iterations() * n);
}
// Second argument 0: cubic with averaged knots (BCRV_GlobalInterp); 1: natural
// cubic spline with joins at the points (BCRV_Interpolate).
BENCHMARK(BM_Interpolate)
    ->Args({10000, 0})
    ->Args({100000, 0})
    ->Args({10000, 1})
    ->Args({100000, 1})
    ->Unit(benchmark::kMillisecond);

}  // namespace
