// Chaining shuffled loose 3D segments into loops (CGeTool3D::ReCreateLoop3d, copy
// mode, closed loops only, as the toolpath library calls it) against GEOS's line
// merger on the same segments in the same run. The counter "ratio" is Korvel's time
// over GEOS's (below 1: Korvel is faster); GEOS is timed on its call alone.
//
// Input: closed 10-gons on a square lattice at a few heights, each cut into its 10
// edges (with gaps of 0.001 at the joints), shuffled and a third of them reversed.
#include "framework/looker/QVGlobal.h"
#include "geometry/shapes2d/CurveList.h"
#include "geometry/shapes3d/GeLine3d.h"
#include "geometry/shapes3d/GeLoop3d.h"
#include "geometry/shapes3d/GeTool3D.h"

#include <benchmark/benchmark.h>
#include <geos_c.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <random>
#include <vector>

namespace {

constexpr int kEdges = 10;
constexpr double kGap = 0.001;
constexpr double kTol = 0.002;

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point from) { return std::chrono::duration<double>(Clock::now() - from).count(); }

void MakePieces(int count, CGeCurve3dList& out)
{
    const int polygons = std::max(1, count / kEdges);
    const int side = static_cast<int>(std::ceil(std::sqrt(static_cast<double>(polygons))));
    const double pi = std::acos(-1.0);
    std::vector<CGeCurve3d*> v;
    v.reserve(static_cast<std::size_t>(polygons) * kEdges);
    for (int k = 0; k < polygons; ++k) {
        const double cx = 10.0 * (k % side), cy = 10.0 * (k / side), z = (k % 3) * 2.0;
        for (int e = 0; e < kEdges; ++e) {
            const double a0 = 2 * pi * e / kEdges, a1 = 2 * pi * (e + 1) / kEdges;
            double p[3] = {cx + (4 + kGap) * std::cos(a0), cy + 4 * std::sin(a0), z};
            double q[3] = {cx + 4 * std::cos(a1), cy + 4 * std::sin(a1), z};
            v.push_back(new CGeLine3d(p, q));
        }
    }
    std::mt19937 rng(42);
    std::shuffle(v.begin(), v.end(), rng);
    for (CGeCurve3d* c : v) {
        if (rng() % 3 == 0) c->Reverse();
        out.AddTail(c);
    }
}

// The same segments as GEOS line strings (x, y, z), merged by GEOSLineMerge.
class GeosInput {
public:
    explicit GeosInput(const CGeCurve3dList& curves) : m_h(GEOS_init_r())
    {
        for (CGeCurve3d* c : curves) {
            double s[3], e[3];
            c->GetStartPoint(s);
            c->GetEndPoint(e);
            GEOSCoordSequence* seq = GEOSCoordSeq_create_r(m_h, 2, 3);
            GEOSCoordSeq_setXYZ_r(m_h, seq, 0, s[0], s[1], s[2]);
            GEOSCoordSeq_setXYZ_r(m_h, seq, 1, e[0], e[1], e[2]);
            m_lines.push_back(GEOSGeom_createLineString_r(m_h, seq));
        }
    }
    ~GeosInput()
    {
        for (GEOSGeometry* g : m_lines) GEOSGeom_destroy_r(m_h, g);
        GEOS_finish_r(m_h);
    }
    GeosInput(const GeosInput&) = delete;
    GeosInput& operator=(const GeosInput&) = delete;

    double TimeLineMerge(std::size_t& count)
    {
        std::vector<GEOSGeometry*> clones;
        clones.reserve(m_lines.size());
        for (GEOSGeometry* g : m_lines) clones.push_back(GEOSGeom_clone_r(m_h, g));
        GEOSGeometry* all = GEOSGeom_createCollection_r(m_h, GEOS_MULTILINESTRING, clones.data(),
                                                        static_cast<unsigned>(clones.size()));
        const Clock::time_point t0 = Clock::now();
        GEOSGeometry* merged = GEOSLineMerge_r(m_h, all);
        const double s = Seconds(t0);
        count = merged ? static_cast<std::size_t>(GEOSGetNumGeometries_r(m_h, merged)) : 0;
        GEOSGeom_destroy_r(m_h, merged);
        GEOSGeom_destroy_r(m_h, all);
        return s;
    }

private:
    GEOSContextHandle_t m_h;
    std::vector<GEOSGeometry*> m_lines;
};

void BM_ReCreateLoop3d(benchmark::State& state)
{
    gNewQVGlobal();
    CGeCurve3dList curves;
    MakePieces(static_cast<int>(state.range(0)), curves);
    GeosInput geos(curves);
    std::size_t loops = 0, merged = 0;
    double korvel = 0.0, peer = 0.0;
    for (auto _ : state) {
        CGeLoop3dList out;
        const Clock::time_point t0 = Clock::now();
        {
            CGeTool3D tool;
            tool.ReCreateLoop3d(&curves, &out, kTol, true, true);
        }
        korvel += Seconds(t0);
        loops = static_cast<std::size_t>(out.GetCount());
        state.PauseTiming();
        geDelLoop3dList(&out);
        peer += geos.TimeLineMerge(merged);
        state.ResumeTiming();
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["loops"] = static_cast<double>(loops);
    state.counters["geos_lines"] = static_cast<double>(merged);
    state.counters["korvel_s"] = korvel / n;
    state.counters["geos_s"] = peer / n;
    state.counters["ratio"] = peer > 0.0 ? korvel / peer : 0.0;
    state.SetItemsProcessed(state.iterations() * state.range(0));
    geDelCurve3dList(&curves);
}

}  // namespace

BENCHMARK(BM_ReCreateLoop3d)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
