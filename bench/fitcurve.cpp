// Least-squares Bezier fitting of noisy glyph contours against lib2geom's
// fitter of the same method, in the same run on the same points.
//
// Every contour of a set of DejaVu Sans glyphs (font units x 0.05, about 100
// units to the em) is sampled densely (40 points per curved segment), each
// point moved by up to 0.05 of uniform noise, and fitted as one open run at a
// squared error of 0.04 (distance 0.2) by geFitCurve and by
// Geom::bezier_fit_cubic_r. Reported: the cubic counts of both and their
// ratio, and the time ratio (ours / lib2geom) from a second timed pass.
#include "geometry/algorithms/FitCurve.h"
#include "geometry/shapes2d/GeBezier.h"

#include "testing/GlyphOutlines.h"

#include <2geom/bezier-utils.h>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <random>
#include <vector>

namespace {

constexpr double kTol = 0.04;

using Run = std::vector<Geom::Point>;

const std::vector<Run>& Runs()
{
    static const std::vector<Run> runs = [] {
        std::vector<Run> out;
        glyphs::GlyphReader font;
        if (!font.Ok()) {
            std::printf("cannot open %s\n", glyphs::kDejaVuSans);
            return out;
        }
        std::mt19937 rng(5);
        std::uniform_real_distribution<double> noise(-0.05, 0.05);
        std::vector<glyphs::Contour> contours;
        for (unsigned long code = 33; code < 127; ++code) {
            if (!font.Char(code, 0.05, contours)) continue;
            for (const glyphs::Contour& c : contours) {
                Run run;
                for (const glyphs::Pt& p : glyphs::Sample(c, 40)) run.emplace_back(p[0] + noise(rng), p[1] + noise(rng));
                out.push_back(std::move(run));
            }
        }
        return out;
    }();
    return runs;
}

// Cubic count of our fit of every run.
long FitOurs(const std::vector<Run>& runs)
{
    long cubics = 0;
    for (const Run& r : runs) {
        // Geom::Point is two doubles.
        auto* pts = reinterpret_cast<double(*)[2]>(const_cast<Geom::Point*>(r.data()));
        std::unique_ptr<CGeBezier> bez(geFitCurve(pts, static_cast<int>(r.size()), kTol));
        if (bez) cubics += bez->GetNodeCount() / 3;
    }
    return cubics;
}

long FitPeer(const std::vector<Run>& runs, std::vector<Geom::Point>& out)
{
    long cubics = 0;
    for (const Run& r : runs) {
        out.resize(4 * r.size());
        const int n = Geom::bezier_fit_cubic_r(out.data(), r.data(), static_cast<int>(r.size()), kTol,
                                               static_cast<unsigned>(r.size()));
        if (n > 0) cubics += n;
    }
    return cubics;
}

template <class F>
double Seconds(F&& f)
{
    const auto t0 = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

void BM_FitGlyphContours(benchmark::State& state)
{
    static_assert(sizeof(Geom::Point) == 2 * sizeof(double));
    const std::vector<Run>& runs = Runs();
    std::vector<Geom::Point> scratch;
    long ours = 0, theirs = 0;
    for (auto _ : state) {
        ours = FitOurs(runs);
        benchmark::DoNotOptimize(ours);
    }
    theirs = FitPeer(runs, scratch);
    const double tOurs = Seconds([&] { FitOurs(runs); });
    const double tPeer = Seconds([&] { FitPeer(runs, scratch); });
    long points = 0;
    for (const Run& r : runs) points += static_cast<long>(r.size());
    state.counters["runs"] = static_cast<double>(runs.size());
    state.counters["points"] = static_cast<double>(points);
    state.counters["cubics"] = static_cast<double>(ours);
    state.counters["lib2geom_cubics"] = static_cast<double>(theirs);
    state.counters["cubics_ratio"] = theirs ? static_cast<double>(ours) / theirs : 0.0;
    state.counters["time_ratio"] = tPeer > 0 ? tOurs / tPeer : 0.0;
}
BENCHMARK(BM_FitGlyphContours)->Unit(benchmark::kMillisecond);

}  // namespace
