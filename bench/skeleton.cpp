// Skeletons of a glyph page against Boost.Polygon's segment Voronoi diagram of the same
// chords with its interior primary edges taken out, in the same run (counter "ratio":
// Korvel's time over Boost's); and a glyph line stamped with a round profile into a
// 2000 x 2000 grid on one thread and on all (counter "speedup" on the all-thread run).
#include "bench/ThreadClock.h"
#include "examples/loopops/LoopText.h"
#include "geometry/relief/RlfRoundShape.h"
#include "testing/GlyphOutlines.h"
#include "toolpath/contours/RlfGrid.h"
#include "toolpath/contours/Skeleton.h"
#include "toolpath/contours/tests/LoopOracle.h"
#include "toolpath/contours/tests/MedialAxisOracle.h"

#include <benchmark/benchmark.h>
#include <omp.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace {

// Glyphs with one outer contour, a page of them.
std::vector<std::unique_ptr<CSmartLoop>> GlyphPage()
{
    glyphs::GlyphReader font;
    std::vector<std::unique_ptr<CSmartLoop>> out;
    const std::string text = "abdegopqsBDOPQRabdegopqsBDOPQRabdegopqs";
    for (char ch : text) {
        std::vector<glyphs::Contour> contours;
        if (font.Char(static_cast<unsigned char>(ch), 20.0 / 2048.0, contours))
            out.emplace_back(looptest::GlyphLoop(contours));
    }
    return out;
}

std::size_t BoostMedialEdges(const std::vector<skeltest::Ring>& rings)
{
    std::vector<boost::polygon::segment_data<int>> segs;
    for (const auto& r : rings)
        for (std::size_t i = 0; i < r.size(); ++i) {
            const auto& a = r[i];
            const auto& b = r[(i + 1) % r.size()];
            const boost::polygon::point_data<int> ia(static_cast<int>(a[0] * 1e5), static_cast<int>(a[1] * 1e5));
            const boost::polygon::point_data<int> ib(static_cast<int>(b[0] * 1e5), static_cast<int>(b[1] * 1e5));
            if (!(ia == ib))
                segs.emplace_back(ia, ib);
        }
    boost::polygon::voronoi_diagram<double> vd;
    boost::polygon::construct_voronoi(segs.begin(), segs.end(), &vd);
    std::size_t n = 0;
    for (const auto& e : vd.edges())
        if (e.is_primary() && e.is_finite() && &e < e.twin())
            ++n;
    return n;
}

void BM_SkeletonGlyphPage(benchmark::State& state)
{
    auto page = GlyphPage();
    std::vector<std::vector<skeltest::Ring>> rings;
    for (auto& L : page) {
        DeleteSkeleton(BuildLoopSkeleton(L.get(), 0, nullptr));  // refines the contours once
        rings.push_back(skeltest::Rings(L.get()));
    }
    double ours = 0, peer = 0;
    for (auto _ : state) {
        double t = ThreadCpuSeconds();
        for (auto& L : page)
            DeleteSkeleton(BuildLoopSkeleton(L.get(), 0, nullptr));
        ours += ThreadCpuSeconds() - t;
        t = ThreadCpuSeconds();
        std::size_t edges = 0;
        for (const auto& r : rings)
            edges += BoostMedialEdges(r);
        benchmark::DoNotOptimize(edges);
        peer += ThreadCpuSeconds() - t;
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["korvel_s"] = ours / n;
    state.counters["boost_s"] = peer / n;
    state.counters["ratio"] = peer > 0 ? ours / peer : 0;
}

double StampLine(int threads, int nodes = 2000)
{
    glyphs::GlyphReader font;
    std::vector<loopops::Polygon> polys;
    double x = 0;
    for (char ch : std::string("Korvel")) {
        std::vector<glyphs::Contour> contours;
        if (!font.Char(static_cast<unsigned char>(ch), 20.0 / 2048.0, contours))
            continue;
        double hi = x;
        for (const auto& c : contours) {
            loopops::Polygon poly;
            for (const auto& p : glyphs::Sample(c, 16)) {
                poly.push_back({p[0] + x, p[1]});
                hi = std::max(hi, p[0] + x);
            }
            polys.push_back(poly);
        }
        x = hi + 1.5;
    }
    GeRegionList regions;
    loopops::ToRegions(polys, regions);
    CRlfRoundShape shape;
    shape.SetParam(0, 2, 3, 0, 0, 1);
    CRlfGrid grid;
    grid.dx = grid.dy = static_cast<float>((x + 2) / nodes);
    grid.InitBitmap(-1, static_cast<float>(x + 1), -4, static_cast<float>(x + 1) - 4);
    omp_set_num_threads(threads);
    const auto t = std::chrono::steady_clock::now();
    gcCreateRlfGrid(&grid, &regions, &shape);
    const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
    omp_set_num_threads(omp_get_num_procs());
    loopops::Free(regions);
    return s;
}

void BM_RlfGrid2000(benchmark::State& state)
{
    double one = 0, four = 0, all = 0, serial = 0;
    for (auto _ : state) {
        serial += StampLine(1, 2);
        one += StampLine(1);
        four += StampLine(4);
        all += StampLine(omp_get_num_procs());
    }
    const double n = static_cast<double>(state.iterations());
    // The skeletons and axes (one thread whatever the count): the same line into a 2 x 2 grid.
    state.counters["skeletons_s"] = serial / n;
    state.counters["one_thread_s"] = one / n;
    state.counters["four_threads_s"] = four / n;
    state.counters["all_threads_s"] = all / n;
    state.counters["speedup_four"] = four > 0 ? one / four : 0;
    state.counters["speedup_all"] = all > 0 ? one / all : 0;
}

}  // namespace

BENCHMARK(BM_SkeletonGlyphPage)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RlfGrid2000)->Unit(benchmark::kMillisecond)->Iterations(2);
