// Convex hull of random float points in a square against CGAL's convex_hull_2
// (Akl-Toussaint, exact predicates) on the same points in the same run.
//
// The reported time is ours (the sort of the points and the monotone chain;
// each round starts from the unsorted points). Counters: cgal_s, CGAL's time
// per round; ratio, ours / CGAL; hull_diff, the difference of the vertex counts.
#include "geometry/algorithms/HullLine.h"

#include <CGAL/Exact_predicates_inexact_constructions_kernel.h>
#include <CGAL/convex_hull_2.h>
#include <benchmark/benchmark.h>

#include <chrono>
#include <random>
#include <vector>

namespace {

using K = CGAL::Exact_predicates_inexact_constructions_kernel;

void BM_ConvexHull(benchmark::State& state)
{
    const auto n = static_cast<std::size_t>(state.range(0));
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> u(0.0f, 1000.0f);
    CHullLine base;
    std::vector<K::Point_2> pts;
    pts.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        const float x = u(rng), y = u(rng);
        base.AddPoint(x, y);
        pts.emplace_back(x, y);
    }
    std::size_t ours = 0;
    double oursTotal = 0.0;
    for (auto _ : state) {
        CHullLine h = base;
        const auto t0 = std::chrono::steady_clock::now();
        h.CalculateConvexHull();
        const double t = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        state.SetIterationTime(t);
        oursTotal += t;
        ours = h.GetHull().size() - 1;
        benchmark::DoNotOptimize(ours);
    }
    const auto rounds = static_cast<int>(state.iterations());
    std::vector<K::Point_2> out;
    const auto t0 = std::chrono::steady_clock::now();
    for (int r = 0; r < rounds; ++r) {
        out.clear();
        CGAL::convex_hull_2(pts.begin(), pts.end(), std::back_inserter(out));
        benchmark::DoNotOptimize(out.data());
    }
    const double peerTotal = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    state.counters["cgal_s"] = peerTotal / rounds;
    state.counters["ratio"] = oursTotal / peerTotal;
    state.counters["hull_diff"] = static_cast<double>(ours) - static_cast<double>(out.size());
}

BENCHMARK(BM_ConvexHull)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseManualTime();

}  // namespace
