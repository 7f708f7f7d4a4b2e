// Nearest-distance ordering of small parts scattered on a sheet against
// Boost.Graph's metric_tsp_approx_tour (preorder walk of a minimum spanning
// tree of the complete graph) on the same points in the same run.
//
// Parts: n circles of radius 2 on a square sheet whose side grows with the
// square root of n; a part is entered and left at its start point. The
// reported time is ours (SortInNearDistance of the whole list). Counters:
// boost_s, Boost's time (building the complete graph and the tour);
// ratio, ours / Boost; travel_ratio, our travel length / Boost's open tour
// length (the closing edge back to the first part left out).
#include "geometry/algorithms/GeSort2D.h"
#include "geometry/shapes2d/CurveList.h"
#include "geometry/shapes2d/GeCircle.h"

#include <benchmark/benchmark.h>
#include <boost/graph/adjacency_matrix.hpp>
#include <boost/graph/metric_tsp_approx.hpp>

#include <chrono>
#include <cmath>
#include <random>
#include <vector>

namespace {

using Graph = boost::adjacency_matrix<boost::undirectedS, boost::no_property,
                                      boost::property<boost::edge_weight_t, double>>;

double Dist(const double* a, const double* b) { return std::hypot(a[0] - b[0], a[1] - b[1]); }

void BM_SortInNearDistance(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> u(0.0, 40.0 * std::sqrt(static_cast<double>(n)));
    CTypedPtrList<CObList, CGeCurve*> owned;
    std::vector<CGeCurve*> parts;
    std::vector<std::array<double, 2>> starts;
    for (int i = 0; i < n; ++i) {
        const double c[2] = {u(rng), u(rng)};
        auto* circle = new CGeCircle(c, 2.0, 1);
        owned.AddTail(circle);
        parts.push_back(circle);
        double s[2];
        circle->GetStartPoint(s);
        starts.push_back({s[0], s[1]});
    }

    double oursTotal = 0.0, ourTravel = 0.0;
    for (auto _ : state) {
        CTypedPtrList<CObList, CGeCurve*> list;
        for (CGeCurve* c : parts) list.AddTail(c);
        double p[2] = {0.0, 0.0};
        CGeSort2D sort;
        const auto t0 = std::chrono::steady_clock::now();
        sort.SortInNearDistance(p, &list);
        const double t = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        state.SetIterationTime(t);
        oursTotal += t;
        ourTravel = 0.0;
        double prev[2] = {0.0, 0.0};
        bool first = true;
        for (CGeCurve* c : list) {
            double s[2];
            c->GetStartPoint(s);
            if (!first) ourTravel += Dist(prev, s);
            c->GetEndPoint(prev);
            first = false;
        }
    }

    const auto rounds = static_cast<int>(state.iterations());
    std::vector<std::size_t> tour;
    const auto t0 = std::chrono::steady_clock::now();
    for (int r = 0; r < rounds; ++r) {
        Graph g(static_cast<std::size_t>(n));
        auto weight = boost::get(boost::edge_weight, g);
        for (int i = 0; i < n; ++i)
            for (int j = i + 1; j < n; ++j) {
                const auto e = boost::add_edge(static_cast<std::size_t>(i), static_cast<std::size_t>(j), g).first;
                weight[e] = Dist(starts[static_cast<std::size_t>(i)].data(), starts[static_cast<std::size_t>(j)].data());
            }
        tour.clear();
        boost::metric_tsp_approx_tour(g, std::back_inserter(tour));
        benchmark::DoNotOptimize(tour.data());
    }
    const double peerTotal = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    double peerTravel = 0.0;
    for (std::size_t i = 1; i + 1 < tour.size(); ++i) peerTravel += Dist(starts[tour[i - 1]].data(), starts[tour[i]].data());

    state.counters["boost_s"] = peerTotal / rounds;
    state.counters["ratio"] = oursTotal / peerTotal;
    state.counters["travel_ratio"] = ourTravel / peerTravel;
    geDelCurveList(&owned);
}

BENCHMARK(BM_SortInNearDistance)->Arg(50)->Arg(500)->Arg(2000)->Unit(benchmark::kMillisecond)->UseManualTime();

}  // namespace
