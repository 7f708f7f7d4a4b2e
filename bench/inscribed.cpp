// The largest inscribed circle against GEOS's maximum inscribed circle on the same
// rings at the same tolerance, in the same run. The counter "ratio" is Korvel's time
// over GEOS's (below 1: Korvel is faster); GEOS is timed on its call alone, its
// polygon built beforehand. Inputs: a glyph with holes, star polygons of 1e4 and 1e5
// vertices, and a square with 100 holes.
#include "framework/tessix/InscribedCircle.h"
#include "testing/GeosInscribedCircle.h"
#include "testing/GlyphOutlines.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <numbers>
#include <random>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using tessix::Ring;

double Seconds(Clock::time_point from) { return std::chrono::duration<double>(Clock::now() - from).count(); }

std::vector<Ring> Glyph(unsigned long ch)
{
    glyphs::GlyphReader reader;
    std::vector<glyphs::Contour> contours;
    std::vector<Ring> rings;
    if (!reader.Ok() || !reader.Char(ch, 0.01, contours)) return rings;
    for (const glyphs::Contour& c : contours) {
        Ring r;
        for (const glyphs::Pt& p : glyphs::Sample(c, 24)) r.push_back({p[0], p[1]});
        rings.push_back(std::move(r));
    }
    return rings;
}

std::vector<Ring> Star(int n)
{
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> spike(0.3, 1.0);
    Ring r;
    for (int i = 0; i < n; ++i) {
        const double a = 2 * std::numbers::pi * i / n, len = 100 * spike(rng);
        r.push_back({len * std::cos(a), len * std::sin(a)});
    }
    return {r};
}

std::vector<Ring> SquareWithHoles()
{
    std::vector<Ring> rings{{{0, 0}, {200, 0}, {200, 200}, {0, 200}}};
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> jitter(-3, 3);
    for (int i = 0; i < 10; ++i)
        for (int j = 0; j < 10; ++j) {
            Ring hole;
            const double cx = 10 + 20 * i + jitter(rng), cy = 10 + 20 * j + jitter(rng), r = 4 + jitter(rng) / 2;
            for (int k = 0; k < 7; ++k) {
                const double a = -2 * std::numbers::pi * k / 7 + i + j;
                hole.push_back({cx + r * std::cos(a), cy + r * std::sin(a)});
            }
            rings.push_back(hole);
        }
    return rings;
}

void Run(benchmark::State& state, const std::vector<Ring>& rings)
{
    double x0 = 1e300, y0 = 1e300, x1 = -1e300, y1 = -1e300;
    for (const Ring& r : rings)
        for (const auto& p : r) {
            x0 = std::min(x0, p[0]), y0 = std::min(y0, p[1]), x1 = std::max(x1, p[0]), y1 = std::max(y1, p[1]);
        }
    const double tol = tessix::PrecisionFor(x1 - x0, y1 - y0);
    std::vector<geospeer::Ring> peerRings(rings.begin(), rings.end());
    geospeer::InscribedCircle geos;
    if (!geos.SetRings(peerRings)) {
        state.SkipWithError("GEOS rejected the rings");
        return;
    }
    double korvel = 0, peer = 0, rK = 0, rG = 0;
    for (auto _ : state) {
        auto t0 = Clock::now();
        tessix::Circle c = tessix::MaxInscribedCircle(rings);
        benchmark::DoNotOptimize(c);
        korvel += Seconds(t0);
        t0 = Clock::now();
        const geospeer::Circle g = geos.Run(tol);
        peer += Seconds(t0);
        rK = c.radius;
        rG = g.radius;
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["korvel_s"] = korvel / n;
    state.counters["geos_s"] = peer / n;
    state.counters["ratio"] = peer > 0 ? korvel / peer : 0;
    state.counters["radius_diff"] = rK - rG;
    state.counters["radius"] = rK;
    state.counters["geos_radius"] = rG;
}

void BM_Glyph(benchmark::State& state) { Run(state, Glyph(static_cast<unsigned long>(state.range(0)))); }
void BM_Star(benchmark::State& state) { Run(state, Star(static_cast<int>(state.range(0)))); }
void BM_Holes(benchmark::State& state) { Run(state, SquareWithHoles()); }

BENCHMARK(BM_Glyph)->Arg('&')->Arg('8')->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Star)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Holes)->Unit(benchmark::kMillisecond);

}  // namespace
