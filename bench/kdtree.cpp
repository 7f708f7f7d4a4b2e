// k-d tree build plus 100 000 queries, against nanoflann on the same points,
// queries and leaf size in the same run.
//
// Point sets: n random points in the unit cube (n = 1e4, 1e6, 1e7) and the
// vertices of a real mesh (argument 0: Wuson.stl of assimp-testmodels).
// Queries: random points in the set's box. Kinds: 0 = the nearest point,
// 1 = the 10 nearest, 2 = every point within a radius (about 10 on average;
// our tree is asked for all n, as nanoflann returns every one).
//
// The reported time is ours (build + queries). Counters: nanoflann_s, its
// time; ratio, ours / nanoflann; mismatches, queries whose distance lists
// differ between the two (both use the same float distance formula).
#include "geometry/algorithms/KdTree.h"
#include "geometry/algorithms/tests/StlVertices.h"

#include <benchmark/benchmark.h>
#include <nanoflann.hpp>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <map>
#include <random>
#include <vector>

namespace {

constexpr unsigned kLeafSize = 10;
constexpr int kQueries = 100000;

struct PointSet {
    std::vector<Vec3D> points;
    std::vector<Vec3D> queries;
    float squaredRadius = 0.0f;
};

struct Cloud {
    const std::vector<Vec3D>& pts;
    size_t kdtree_get_point_count() const { return pts.size(); }
    float kdtree_get_pt(size_t i, size_t dim) const { return pts[i][int(dim)]; }
    template <class Box>
    bool kdtree_get_bbox(Box&) const
    {
        return false;
    }
};
using NanoIndex = nanoflann::KDTreeSingleIndexAdaptor<nanoflann::L2_Simple_Adaptor<float, Cloud>, Cloud, 3, uint32_t>;

const PointSet& GetPointSet(long n)
{
    static std::map<long, PointSet> sets;
    auto it = sets.find(n);
    if (it != sets.end())
        return it->second;
    PointSet& s = sets[n];
    std::mt19937 rng(unsigned(n) + 1);
    std::uniform_real_distribution<float> u(0.0f, 1.0f);
    if (n == 0) {
        const std::string error = ReadStlVertices(kStlMeshPath, s.points);
        if (!error.empty())
            std::fprintf(stderr, "%s\n", error.c_str());
    } else {
        s.points.resize(std::size_t(n));
        for (Vec3D& p : s.points)
            p = Vec3D(u(rng), u(rng), u(rng));
    }
    if (s.points.empty())
        return s;
    Vec3D lo = s.points[0], hi = s.points[0];
    for (const Vec3D& p : s.points)
        for (int a = 0; a < 3; ++a) {
            lo[a] = std::min(lo[a], p[a]);
            hi[a] = std::max(hi[a], p[a]);
        }
    s.queries.resize(kQueries);
    for (Vec3D& q : s.queries)
        for (int a = 0; a < 3; ++a)
            q[a] = lo[a] + u(rng) * (hi[a] - lo[a]);
    // The radius: the mean squared distance to the 10th neighbour over a sample.
    KdTree tree(s.points.data(), unsigned(s.points.size()), kLeafSize);
    tree.setNOfNeighbours(10);
    double sum = 0.0;
    int count = 0;
    for (int i = 0; i < 1000; ++i) {
        tree.queryPosition(s.queries[std::size_t(i)]);
        if (tree.getNOfFoundNeighbours() == 10) {
            sum += tree.getSquaredDistance(9);
            ++count;
        }
    }
    s.squaredRadius = count ? float(sum / count) : 0.0f;
    return s;
}

double Seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

void BM_KdTree(benchmark::State& state)
{
    const PointSet& s = GetPointSet(state.range(0));
    const int kind = int(state.range(1));
    if (s.points.empty()) {
        state.SkipWithError("no points (is assimp-testmodels installed?)");
        return;
    }
    const unsigned n = unsigned(s.points.size());
    const unsigned k = kind == 0 ? 1 : (kind == 1 ? 10 : n);

    std::vector<float> ours(kQueries * std::size_t(10));
    std::vector<unsigned> oursCount(kQueries);
    std::vector<uint32_t> nanoIndex(10);
    std::vector<float> nanoDist(10);
    std::vector<std::pair<uint32_t, float>> matches;
    double nanoTotal = 0.0, oursTotal = 0.0;
    long mismatches = 0;

    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        {
            KdTree tree(s.points.data(), n, kLeafSize);
            tree.setNOfNeighbours(k);
            for (int i = 0; i < kQueries; ++i) {
                if (kind == 2)
                    tree.queryRange(s.queries[std::size_t(i)], s.squaredRadius);
                else
                    tree.queryPosition(s.queries[std::size_t(i)]);
                // Keep the first ten distances to compare below.
                const unsigned found = tree.getNOfFoundNeighbours();
                oursCount[std::size_t(i)] = found;
                for (unsigned j = 0; j < std::min(found, 10u); ++j)
                    ours[std::size_t(i) * 10 + j] = tree.getSquaredDistance(j);
            }
        }
        const double oursTime = Seconds(start);
        state.SetIterationTime(oursTime);
        oursTotal += oursTime;

        start = std::chrono::steady_clock::now();
        {
            Cloud cloud{s.points};
            NanoIndex index(3, cloud, nanoflann::KDTreeSingleIndexAdaptorParams(kLeafSize));
            for (int i = 0; i < kQueries; ++i) {
                const float* q = s.queries[std::size_t(i)].source();
                std::size_t found;
                const float* dist;
                if (kind == 2) {
                    found = index.radiusSearch(q, s.squaredRadius, matches, nanoflann::SearchParams());
                    dist = nullptr;
                } else {
                    found = index.knnSearch(q, k, nanoIndex.data(), nanoDist.data());
                    dist = nanoDist.data();
                }
                bool same = found == oursCount[std::size_t(i)];
                for (std::size_t j = 0; same && j < std::min<std::size_t>(found, 10); ++j)
                    same = (dist ? dist[j] : matches[j].second) == ours[std::size_t(i) * 10 + j];
                mismatches += same ? 0 : 1;
            }
        }
        nanoTotal += Seconds(start);
    }
    state.counters["nanoflann_s"] = nanoTotal / double(state.iterations());
    state.counters["ratio"] = oursTotal / nanoTotal;
    state.counters["mismatches"] = double(mismatches);
    state.counters["points"] = double(n);
}

// Arguments: point count (0: the mesh), query kind. The 10^7 sets take
// seconds per build; filter them out with --benchmark_filter for a quick run.
BENCHMARK(BM_KdTree)
    ->ArgsProduct({{10000, 1000000, 10000000, 0}, {0, 1, 2}})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
