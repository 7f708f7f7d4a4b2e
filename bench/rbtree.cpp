// Red-black tree of doubles: 10^6 inserts, then 10^6 finds, then 10^6
// deletes, against std::set<double> on the same keys in the same run.
//
// Keys are random in [0, 10^6), so about 2% of them fall within the tree's
// 0.01 tolerance of an earlier key (the set stores those, the tree does not).
// The reported time is the tree's; counters: set_s, the set's time; ratio,
// tree / set; stored, keys the tree holds after the inserts.
#include "geometry/algorithms/RBTree.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <random>
#include <set>
#include <vector>

namespace {

double Seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

void BM_RBTree(benchmark::State& state)
{
    const std::size_t n = std::size_t(state.range(0));
    std::mt19937_64 rng(5);
    std::uniform_real_distribution<double> u(0.0, 1e6);
    std::vector<double> keys(n), probes(n);
    for (double& k : keys)
        k = u(rng);
    for (double& p : probes)
        p = u(rng);
    std::vector<double> deletions = keys;
    std::shuffle(deletions.begin(), deletions.end(), rng);

    double treeTotal = 0.0, setTotal = 0.0;
    long stored = 0, found = 0;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        {
            RBTree tree;
            for (double k : keys)
                tree.insertNode(k);
            for (double p : probes)
                found += tree.findNode(p) != nullptr;
            stored = 0;
            for (double k : deletions)
                if (RBNode_* node = tree.findNode(k)) {
                    tree.deleteNode(node);
                    ++stored;
                }
        }
        const double treeTime = Seconds(start);
        state.SetIterationTime(treeTime);
        treeTotal += treeTime;

        start = std::chrono::steady_clock::now();
        {
            std::set<double> set;
            for (double k : keys)
                set.insert(k);
            for (double p : probes)
                found += set.count(p);
            for (double k : deletions)
                set.erase(k);
        }
        setTotal += Seconds(start);
    }
    benchmark::DoNotOptimize(found);
    state.counters["set_s"] = setTotal / double(state.iterations());
    state.counters["ratio"] = treeTotal / setTotal;
    state.counters["stored"] = double(stored);
}

BENCHMARK(BM_RBTree)->Arg(1000000)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
