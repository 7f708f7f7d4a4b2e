// Curve/curve intersection: two 1e4-edge polylines, sequential and parallel,
// against CGAL's sweep (compute_intersection_points) on the same edges; the
// ratio counter is ours over CGAL's time.
#include "geometry/algorithms/CurveIntersect.h"
#include "geometry/shapes2d/GePolyline.h"

#include <CGAL/Exact_predicates_exact_constructions_kernel.h>
#include <CGAL/Arr_segment_traits_2.h>
#include <CGAL/Sweep_line_2_algorithms.h>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <list>
#include <memory>
#include <random>
#include <vector>

namespace {

using Kernel = CGAL::Exact_predicates_exact_constructions_kernel;
using Traits = CGAL::Arr_segment_traits_2<Kernel>;

struct Pair {
    std::vector<double> a, b;  // x, y pairs
};

// A random walk and a wave, 1e4 edges each, crossing a few thousand times.
const Pair& Polylines()
{
    static const Pair pair = [] {
        Pair p;
        std::mt19937 rng(5);
        std::normal_distribution<double> step(0.0, 1.0);
        double x = 0, y = 0;
        for (int i = 0; i <= 10000; ++i) {
            p.a.push_back(x), p.a.push_back(y);
            x += 0.1 + 0.05 * step(rng), y += step(rng);
            p.b.push_back(i * 0.1), p.b.push_back(30 * std::sin(i * 0.01));
        }
        return p;
    }();
    return pair;
}

std::unique_ptr<CGePolyline> Make(const std::vector<double>& v)
{
    auto pl = std::make_unique<CGePolyline>();
    pl->Create(int(v.size() / 2), reinterpret_cast<const double(*)[2]>(v.data()));
    return pl;
}

double CgalSeconds(size_t& count)
{
    const Pair& p = Polylines();
    std::list<Traits::Curve_2> segs;
    for (const auto* v : {&p.a, &p.b})
        for (size_t i = 0; i + 3 < v->size(); i += 2)
            segs.emplace_back(Kernel::Point_2((*v)[i], (*v)[i + 1]), Kernel::Point_2((*v)[i + 2], (*v)[i + 3]));
    std::vector<Kernel::Point_2> pts;
    const auto t0 = std::chrono::steady_clock::now();
    CGAL::compute_intersection_points(segs.begin(), segs.end(), std::back_inserter(pts));
    const auto t1 = std::chrono::steady_clock::now();
    count = pts.size();
    return std::chrono::duration<double>(t1 - t0).count();
}

void BM_PLinePLine(benchmark::State& state)
{
    const Pair& p = Polylines();
    const auto a = Make(p.a), b = Make(p.b);
    const int parallel = int(state.range(0));
    size_t records = 0;
    double ours = 0;
    for (auto _ : state) {
        QVN_GeCC_Inter::IntPntArray out;
        const auto t0 = std::chrono::steady_clock::now();
        QVN_GeCC_Inter::PLinePLine(a.get(), b.get(), nullptr, &out, parallel);
        ours += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        records = size_t(out.GetSize());
    }
    size_t cgalPoints = 0;
    const double cgal = CgalSeconds(cgalPoints);  // self-crossings of the walk included
    state.counters["records"] = double(records);
    state.counters["cgal_points"] = double(cgalPoints);
    state.counters["ratio_to_cgal"] = ours / double(state.iterations()) / cgal;
}
BENCHMARK(BM_PLinePLine)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
