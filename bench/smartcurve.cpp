// The pocketing curve kernel's intersection and splitting against GEOS's noding of the
// same linework, in the same run:
//  - a shoreline loop (Iceland, GSHHG) and its copy shifted by 1 mm: CurveCurveInt +
//    AutoDepart of both, against GEOSNode of the two rings;
//  - a self-crossing random walk of 10^5 unit steps: AutoInters + AutoDepart, against
//    GEOSNode of the walk;
//  - ResortAllPoint of 10^4 random points (the start points of 10^4 islands).
// The counter "ratio" is the kernel's time over GEOS's (below 1: the kernel is faster).
#include "testing/Shorelines.h"
#include "toolpath/contours/SmartCurve.h"

#include <benchmark/benchmark.h>
#include <geos_c.h>

#include <chrono>
#include <cmath>
#include <random>
#include <vector>

namespace {

using Pt = std::array<double, 2>;

CSmartCurve* Polyline(const std::vector<Pt>& pts, bool close)
{
    auto* c = new CSmartCurve;
    for (std::size_t i = 0; i + 1 < pts.size(); ++i)
        c->AddSect(new CSmartLine(pts[i].data(), pts[i + 1].data()));
    if (close)
        c->AddSect(new CSmartLine(pts.back().data(), pts.front().data()));
    return c;
}

GEOSGeometry* Line(GEOSContextHandle_t h, const std::vector<Pt>& p, bool close)
{
    const std::size_t n = p.size() + (close ? 1 : 0);
    GEOSCoordSequence* s = GEOSCoordSeq_create_r(h, static_cast<unsigned>(n), 2);
    for (std::size_t i = 0; i < n; ++i)
        GEOSCoordSeq_setXY_r(h, s, static_cast<unsigned>(i), p[i % p.size()][0], p[i % p.size()][1]);
    return GEOSGeom_createLineString_r(h, s);
}

double Seconds(std::chrono::steady_clock::time_point a) { return std::chrono::duration<double>(std::chrono::steady_clock::now() - a).count(); }

// Times the kernel and GEOS on the same lines; reports both and their ratio.
template <class Kernel>
void Compare(benchmark::State& state, const std::vector<std::vector<Pt>>& lines, bool closed, Kernel kernel)
{
    GEOSContextHandle_t h = GEOS_init_r();
    double tk = 0, tg = 0;
    long pieces = 0, nodes = 0;
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        pieces = kernel();
        tk += Seconds(t0);
        std::vector<GEOSGeometry*> parts;
        for (const auto& l : lines)
            parts.push_back(Line(h, l, closed));
        GEOSGeometry* coll = GEOSGeom_createCollection_r(h, GEOS_MULTILINESTRING, parts.data(), static_cast<unsigned>(parts.size()));
        t0 = std::chrono::steady_clock::now();
        GEOSGeometry* noded = GEOSNode_r(h, coll);
        tg += Seconds(t0);
        nodes = GEOSGetNumGeometries_r(h, noded);
        GEOSGeom_destroy_r(h, noded);
        GEOSGeom_destroy_r(h, coll);
    }
    GEOS_finish_r(h);
    state.counters["kernel_ms"] = tk * 1e3 / static_cast<double>(state.iterations());
    state.counters["geos_ms"] = tg * 1e3 / static_cast<double>(state.iterations());
    state.counters["ratio"] = tg > 0 ? tk / tg : 0;
    state.counters["pieces"] = static_cast<double>(pieces);
    state.counters["geos_pieces"] = static_cast<double>(nodes);
}

void BM_ShorelineAndShiftedCopy(benchmark::State& state)
{
    const auto loops = shorelines::Read("iceland_fjords");
    if (loops.empty()) {
        state.SkipWithError("shoreline fixture missing");
        return;
    }
    std::vector<Pt> a = loops.front(), b = a;
    for (Pt& p : b)
        p[0] += 1.0;
    Compare(state, {a, b}, true, [&] {
        CSmartCurve* ca = Polyline(a, true);
        CSmartCurve* cb = Polyline(b, true);
        ca->CurveCurveInt(cb);
        ca->AutoDepart(0);
        cb->AutoDepart(0);
        const long n = ca->count + cb->count;
        delete ca;
        delete cb;
        return n;
    });
}
BENCHMARK(BM_ShorelineAndShiftedCopy)->Unit(benchmark::kMillisecond);

void BM_RandomWalkSelfCrossings(benchmark::State& state)
{
    std::mt19937 rng(1);
    std::uniform_real_distribution<double> ang(0, 6.283185307179586);
    std::vector<Pt> walk{{0, 0}};
    for (int i = 0; i < 100000; ++i) {
        const double a = ang(rng);
        walk.push_back({walk.back()[0] + std::cos(a), walk.back()[1] + std::sin(a)});
    }
    Compare(state, {walk}, false, [&] {
        CSmartCurve* c = Polyline(walk, false);
        c->AutoInters(0);
        c->AutoDepart(0);
        const long n = c->count;
        delete c;
        return n;
    });
}
BENCHMARK(BM_RandomWalkSelfCrossings)->Unit(benchmark::kMillisecond);

void BM_ResortTenThousandIslands(benchmark::State& state)
{
    std::mt19937 rng(4);
    std::uniform_real_distribution<double> u(0, 2000);
    std::vector<Pt> pts(10000);
    for (Pt& p : pts)
        p = {u(rng), u(rng)};
    for (auto _ : state) {
        CPointList l;
        for (const Pt& p : pts) {
            const double q[3] = {p[0], p[1], 0};
            l.InsertAfter(new CSmartPoint(q), l.tail);
        }
        l.ResortAllPoint();
        benchmark::DoNotOptimize(l.head);
    }
}
BENCHMARK(BM_ResortTenThousandIslands)->Unit(benchmark::kMillisecond);

}  // namespace
