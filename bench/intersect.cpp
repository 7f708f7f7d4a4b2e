// Microbenchmarks of the planar intersectors: line/line, circle/circle, cubic/cubic.
#include "framework/numerak/Bezier2D.h"
#include "framework/numerak/Intersect2D.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

namespace {

std::vector<double> randomValues(int n, double lo, double hi, unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> u(lo, hi);
    std::vector<double> v(n);
    for (double& x : v)
        x = u(rng);
    return v;
}

void BM_LineLine(benchmark::State& state)
{
    constexpr int kPairs = 256;
    const std::vector<double> v = randomValues(kPairs * 8, -100, 100, 1);
    double out[2];
    int i = 0;
    for (auto _ : state) {
        const double* p = v.data() + 8 * i;
        benchmark::DoNotOptimize(Isect_LineLineEx(p, p + 2, p + 4, p + 6, 1e-6, 1e-3, out));
        benchmark::DoNotOptimize(out);
        i = (i + 1) % kPairs;
    }
}
BENCHMARK(BM_LineLine);

void BM_CircleCircle(benchmark::State& state)
{
    constexpr int kPairs = 256;
    const std::vector<double> c = randomValues(kPairs * 4, -10, 10, 2);
    const std::vector<double> r = randomValues(kPairs * 2, 1, 12, 3);
    double pts[4];
    int i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(Isect_CirCir(c.data() + 4 * i, r[2 * i], c.data() + 4 * i + 2, r[2 * i + 1], 1e-6, pts));
        benchmark::DoNotOptimize(pts);
        i = (i + 1) % kPairs;
    }
}
BENCHMARK(BM_CircleCircle);

// y = 3 (x^3 - x) and the same turned by 90 degrees: nine crossings.
const double kNineA[8] = {-1.2, -1.584, -0.4, 6.384, 0.4, -6.384, 1.2, 1.584};
const double kNineB[8] = {1.584, -1.2, -6.384, -0.4, 6.384, 0.4, -1.584, 1.2};
const double kArch[8] = {0, 0, 1, 2, 3, 2, 4, 0};
const double kWave[8] = {0, 0, 1, 3, 2, -3, 3, 0};
const double kArchDown[8] = {0, 3, 1, 1, 3, 1, 4, 3};
const double kArchHigh[8] = {0, 2, 1, 4, 3, 4, 4, 2}; // boxes meet, curves do not

void cubicPair(benchmark::State& state, const double* a, const double* b)
{
    std::vector<IntPnt> out;
    out.reserve(16);
    for (auto _ : state) {
        out.clear();
        benchmark::DoNotOptimize(Isect_BezBez(a, b, 1e-6, out));
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["points"] = double(out.size());
}

void BM_CubicCubic_TwoCrossings(benchmark::State& state) { cubicPair(state, kArch, kWave); }
void BM_CubicCubic_NineCrossings(benchmark::State& state) { cubicPair(state, kNineA, kNineB); }
void BM_CubicCubic_Tangent(benchmark::State& state) { cubicPair(state, kArch, kArchDown); }
void BM_CubicCubic_NearMiss(benchmark::State& state) { cubicPair(state, kArch, kArchHigh); }
BENCHMARK(BM_CubicCubic_TwoCrossings);
BENCHMARK(BM_CubicCubic_NineCrossings);
BENCHMARK(BM_CubicCubic_Tangent);
BENCHMARK(BM_CubicCubic_NearMiss);

void BM_LineCubic(benchmark::State& state)
{
    const double p1[2] = {0, 0.15}, p2[2] = {3, -0.15};
    std::vector<IntPnt> out;
    out.reserve(8);
    for (auto _ : state) {
        out.clear();
        benchmark::DoNotOptimize(Isect_LineBez(p1, p2, kWave, 1e-6, out));
    }
}
BENCHMARK(BM_LineCubic);

void BM_CubicNearestPoint(benchmark::State& state)
{
    const double q[2] = {1.7, 3.1};
    double proj[2], t = 0, d = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(BEZ_PrjPnt(kWave, q, proj, t, d));
        benchmark::DoNotOptimize(proj);
    }
}
BENCHMARK(BM_CubicNearestPoint);

} // namespace
