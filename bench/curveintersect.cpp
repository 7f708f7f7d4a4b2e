// Curve/curve intersection against peers on the same curves in the same run;
// every ratio counter is our time over the peer's.
// - CurveCurve on random instances of each of the 28 class pairs against
//   Open CASCADE's Geom2dAPI_InterCurveCurve (each curve handed over as one
//   Geom2d curve, converted beforehand).
// - Two cubic segments crossing 2 and 9 times against lib2geom's Bezier
//   intersection.
// - Two polylines of 1e4 and 1e5 edges, sequential and parallel, against CGAL's sweep
//   (compute_intersection_points) on the same edges.
// CGAL first: Open CASCADE defines a macro named Handle, an identifier in CGAL.
#include <CGAL/Arr_segment_traits_2.h>
#include <CGAL/Exact_predicates_exact_constructions_kernel.h>
#include <CGAL/Sweep_line_2_algorithms.h>

#include "geometry/algorithms/CurveIntersect.h"
#include "geometry/algorithms/tests/CurveIntersectFixtures.h"
#include "geometry/shapes2d/GePolyline.h"
#include "testing/Geom2dCurves.h"

#include <2geom/bezier-curve.h>
#include <Geom2dAPI_InterCurveCurve.hxx>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <list>
#include <map>
#include <memory>
#include <random>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Since(Clock::time_point t0) { return std::chrono::duration<double>(Clock::now() - t0).count(); }

// ---------------------------------------------------------------------------
// Class pairs against Open CASCADE

struct ClassPair {
    std::vector<std::unique_ptr<CGeCurve>> first, second;
    std::vector<Handle(Geom2d_Curve)> peerFirst, peerSecond;
};

// 64 random instances of the pair (k1, k2), the same for every run.
const ClassPair& Instances(int k1, int k2)
{
    static std::vector<std::unique_ptr<ClassPair>> cache(ccfix::kKinds * ccfix::kKinds);
    auto& slot = cache[size_t(k1 * ccfix::kKinds + k2)];
    if (!slot) {
        slot = std::make_unique<ClassPair>();
        std::mt19937 rng(unsigned(100 + k1 * ccfix::kKinds + k2));
        for (int i = 0; i < 64; ++i) {
            slot->first.push_back(ccfix::Build(ccfix::RandomSpec(ccfix::Kind(k1), rng)));
            slot->second.push_back(ccfix::Build(ccfix::RandomSpec(ccfix::Kind(k2), rng)));
            slot->peerFirst.push_back(occt2d::ToCurve(slot->first.back().get()));
            slot->peerSecond.push_back(occt2d::ToCurve(slot->second.back().get()));
        }
    }
    return *slot;
}

void BM_CurveCurve(benchmark::State& state)
{
    const int k1 = int(state.range(0)), k2 = int(state.range(1));
    const ClassPair& pair = Instances(k1, k2);
    state.SetLabel(std::string(ccfix::kKindNames[k1]) + "/" + ccfix::kKindNames[k2]);
    QVN_GeCC_Inter::IntPntArray out;
    size_t records = 0;
    double ours = 0;
    for (auto _ : state) {
        records = 0;
        const auto t0 = Clock::now();
        for (size_t i = 0; i < pair.first.size(); ++i) {
            out.RemoveAll();
            QVN_GeCC_Inter::CurveCurve(pair.first[i].get(), pair.second[i].get(), &out, 0);
            records += size_t(out.GetSize());
        }
        ours += Since(t0);
        benchmark::DoNotOptimize(records);
    }
    // The peer as many times (at most 200), timed the same way.
    const int64_t reps = std::min<int64_t>(state.iterations(), 200);
    size_t peerPoints = 0;
    const auto t0 = Clock::now();
    for (int64_t r = 0; r < reps; ++r) {
        peerPoints = 0;
        for (size_t i = 0; i < pair.peerFirst.size(); ++i) {
            const Geom2dAPI_InterCurveCurve inter(pair.peerFirst[i], pair.peerSecond[i], 1e-6);
            // Its conic intersector reports crossings as tiny segments as well.
            peerPoints += size_t(inter.NbPoints() + inter.NbSegments());
        }
    }
    const double peer = Since(t0) / double(reps);
    state.counters["records"] = double(records);
    state.counters["occt_points"] = double(peerPoints);
    state.counters["ratio_to_occt"] = ours / double(state.iterations()) / peer;
}

void ClassPairs(benchmark::internal::Benchmark* b)
{
    for (int k1 = 0; k1 < ccfix::kKinds; ++k1)
        for (int k2 = k1; k2 < ccfix::kKinds; ++k2) b->Args({k1, k2});
}
BENCHMARK(BM_CurveCurve)->Apply(ClassPairs)->Unit(benchmark::kMicrosecond);

// ---------------------------------------------------------------------------
// Two cubic segments against lib2geom

struct CubicPair {
    double a[4][2], b[4][2];
};

// 2: two arches crossing twice; 9: y = 3 (x^3 - x) and the same turned by 90 degrees.
CubicPair Cubics(int crossings)
{
    if (crossings == 2) return {{{0, 0}, {1, 3}, {3, 3}, {4, 0}}, {{0, 2}, {1, -1}, {3, -1}, {4, 2}}};
    return {{{-1.2, -1.584}, {-0.4, 6.384}, {0.4, -6.384}, {1.2, 1.584}},
            {{1.584, -1.2}, {-6.384, -0.4}, {6.384, 0.4}, {-1.584, 1.2}}};
}

std::unique_ptr<CGeBezier> Segment(double (*p)[2])
{
    auto bez = std::make_unique<CGeBezier>();
    bez->CreateEx(4, p);
    bez->PrepareDisplay();
    return bez;
}

Geom::CubicBezier PeerSegment(const double (*p)[2])
{
    return Geom::CubicBezier(Geom::Point(p[0][0], p[0][1]), Geom::Point(p[1][0], p[1][1]),
                             Geom::Point(p[2][0], p[2][1]), Geom::Point(p[3][0], p[3][1]));
}

void BM_CubicCubic(benchmark::State& state)
{
    CubicPair q = Cubics(int(state.range(0)));
    const auto a = Segment(q.a), b = Segment(q.b);
    QVN_GeCC_Inter::IntPntArray out;
    double ours = 0;
    for (auto _ : state) {
        out.RemoveAll();
        const auto t0 = Clock::now();
        QVN_GeCC_Inter::CurveCurve(a.get(), b.get(), &out, 0);
        ours += Since(t0);
    }
    const Geom::CubicBezier pa = PeerSegment(q.a), pb = PeerSegment(q.b);
    const int64_t reps = std::min<int64_t>(state.iterations(), 20000);
    size_t peerPoints = 0;
    const auto t0 = Clock::now();
    for (int64_t r = 0; r < reps; ++r) {
        const auto hits = pa.intersect(pb, 1e-6);
        peerPoints = hits.size();
        benchmark::DoNotOptimize(hits.data());
    }
    const double peer = Since(t0) / double(reps);
    state.counters["records"] = double(out.GetSize());
    state.counters["2geom_points"] = double(peerPoints);
    state.counters["ratio_to_2geom"] = ours / double(state.iterations()) / peer;
}
BENCHMARK(BM_CubicCubic)->Arg(2)->Arg(9)->Unit(benchmark::kMicrosecond);

// ---------------------------------------------------------------------------
// Two polylines against CGAL

using Kernel = CGAL::Exact_predicates_exact_constructions_kernel;
using Traits = CGAL::Arr_segment_traits_2<Kernel>;

struct Pair {
    std::vector<double> a, b;  // x, y pairs
};

// A random walk and a wave of n edges each, crossing some 70 times per 1e4 edges.
const Pair& Polylines(int n)
{
    static std::map<int, Pair> cache;
    auto [it, fresh] = cache.try_emplace(n);
    if (fresh) {
        Pair& p = it->second;
        std::mt19937 rng(5);
        std::normal_distribution<double> step(0.0, 1.0);
        double x = 0, y = 0;
        for (int i = 0; i <= n; ++i) {
            p.a.push_back(x), p.a.push_back(y);
            x += 0.1 + 0.05 * step(rng), y += step(rng);
            p.b.push_back(i * 0.1), p.b.push_back(30 * std::sin(i * 0.01));
        }
    }
    return it->second;
}

std::unique_ptr<CGePolyline> Make(const std::vector<double>& v)
{
    auto pl = std::make_unique<CGePolyline>();
    pl->Create(int(v.size() / 2), reinterpret_cast<const double(*)[2]>(v.data()));
    return pl;
}

double CgalSeconds(const Pair& p, size_t& count)
{
    std::list<Traits::Curve_2> segs;
    for (const auto* v : {&p.a, &p.b})
        for (size_t i = 0; i + 3 < v->size(); i += 2)
            segs.emplace_back(Kernel::Point_2((*v)[i], (*v)[i + 1]), Kernel::Point_2((*v)[i + 2], (*v)[i + 3]));
    std::vector<Kernel::Point_2> pts;
    const auto t0 = Clock::now();
    CGAL::compute_intersection_points(segs.begin(), segs.end(), std::back_inserter(pts));
    count = pts.size();
    return Since(t0);
}

void BM_PLinePLine(benchmark::State& state)
{
    const Pair& p = Polylines(int(state.range(0)));
    const auto a = Make(p.a), b = Make(p.b);
    const int parallel = int(state.range(1));
    size_t records = 0;
    double ours = 0;
    for (auto _ : state) {
        QVN_GeCC_Inter::IntPntArray out;
        const auto t0 = Clock::now();
        QVN_GeCC_Inter::PLinePLine(a.get(), b.get(), nullptr, &out, parallel);
        ours += Since(t0);
        records = size_t(out.GetSize());
    }
    size_t cgalPoints = 0;
    const double cgal = CgalSeconds(p, cgalPoints);  // self-crossings of the walk included
    state.counters["records"] = double(records);
    state.counters["cgal_points"] = double(cgalPoints);
    state.counters["ratio_to_cgal"] = ours / double(state.iterations()) / cgal;
}
BENCHMARK(BM_PLinePLine)->ArgsProduct({{10000, 100000}, {0, 1}})->Unit(benchmark::kMillisecond);

}  // namespace
