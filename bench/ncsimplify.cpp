// Douglas-Peucker thinning of an NC point string (CNcPline::Simplify) against GEOS's
// simplifier (GEOSSimplify_r) on the same points in the same run. The counter "ratio"
// is Korvel's time over GEOS's (below 1: Korvel is faster). Each side is timed on its
// call alone: the string (its points on the heap, as the strategies make them) and
// GEOS's line string are built beforehand. Simplify's time includes freeing the
// dropped points.
//
// Input: 10^6 points at constant z along a wavy line with a little noise, the kind of
// densely sampled scan line the milling strategies thin; tolerance 0.01.
#include "toolpath/contours/NcPline.h"

#include <benchmark/benchmark.h>
#include <geos_c.h>

#include <chrono>
#include <cmath>
#include <random>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr double kTol = 0.01;

double Seconds(Clock::time_point from) { return std::chrono::duration<double>(Clock::now() - from).count(); }

std::vector<double> WavyPoints(int n)
{
    std::mt19937 rng(17);
    std::normal_distribution<double> noise(0.0, 0.003);
    std::vector<double> xy;
    xy.reserve(2 * std::size_t(n));
    for (int i = 0; i < n; ++i) {
        const double x = i * 0.01;
        xy.push_back(x);
        xy.push_back(5.0 * std::sin(x * 0.05) + std::sin(x * 0.7) + noise(rng));
    }
    return xy;
}

void BM_Simplify(benchmark::State& state)
{
    const int n = int(state.range(0));
    const std::vector<double> xy = WavyPoints(n);
    GEOSContextHandle_t h = GEOS_init_r();
    GEOSCoordSequence* seq = GEOSCoordSeq_create_r(h, unsigned(n), 2);
    for (int i = 0; i < n; ++i) GEOSCoordSeq_setXY_r(h, seq, unsigned(i), xy[2 * i], xy[2 * i + 1]);
    GEOSGeometry* line = GEOSGeom_createLineString_r(h, seq);

    double korvel = 0.0, geos = 0.0;
    long kept = 0, geosKept = 0;
    for (auto _ : state) {
        state.PauseTiming();
        CNcPline s;
        for (int i = 0; i < n; ++i) {
            const double p[3] = {xy[2 * i], xy[2 * i + 1], -1.5};
            s.AddTail(p);
        }
        state.ResumeTiming();
        auto t0 = Clock::now();
        s.Simplify(kTol);
        korvel += Seconds(t0);
        kept = long(s.GetCount());

        t0 = Clock::now();
        GEOSGeometry* g = GEOSSimplify_r(h, line, kTol);
        geos += Seconds(t0);
        geosKept = GEOSGetNumCoordinates_r(h, g);
        GEOSGeom_destroy_r(h, g);
        state.PauseTiming();
        s.DelAllPoint();
        state.ResumeTiming();
    }
    const double it = double(state.iterations());
    state.counters["korvel_s"] = korvel / it;
    state.counters["geos_s"] = geos / it;
    state.counters["ratio"] = geos > 0.0 ? korvel / geos : 0.0;
    state.counters["kept"] = double(kept);
    state.counters["geos_kept"] = double(geosKept);
    GEOSGeom_destroy_r(h, line);
    GEOS_finish_r(h);
}

}  // namespace

BENCHMARK(BM_Simplify)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(5);
