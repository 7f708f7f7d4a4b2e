// Cancel polling from 8 threads at once, as parallel loops poll on every round.
//
// Peer: a poll that bumps one process-wide counter with a read-modify-write
// (the earlier poll), run on the same threads in the same process. Counters:
// ns_per_poll of gIsProgressCancel, shared_ns_per_poll of the peer, and
// shared_over_local (how many times slower the shared counter is).
#include "framework/widgra/Progress.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>
#include <vector>

namespace {

constexpr int kThreads = 8;
constexpr int kPollsPerThread = 2'000'000;

std::atomic<bool> g_peerCancel{false};
std::atomic<std::int64_t> g_peerPolls{0};

bool SharedCounterPoll()
{
    g_peerPolls.fetch_add(1, std::memory_order_relaxed);
    return g_peerCancel.load(std::memory_order_acquire);
}

// Nanoseconds per poll of `poll` with kThreads threads polling at once.
template <class Poll>
double TimePerPoll(Poll poll)
{
    std::atomic<int> ready{0};
    std::atomic<bool> go{false};
    std::atomic<std::int64_t> cancels{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i)
        threads.emplace_back([&] {
            ready.fetch_add(1);
            while (!go.load()) std::this_thread::yield();
            std::int64_t seen = 0;
            for (int k = 0; k < kPollsPerThread; ++k) seen += poll() ? 1 : 0;
            cancels.fetch_add(seen);
        });
    while (ready.load() < kThreads) std::this_thread::yield();
    const auto start = std::chrono::steady_clock::now();
    go.store(true);
    for (auto& t : threads) t.join();
    const auto stop = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(cancels.load());
    // Wall time over the polls of one thread: the cost each polling loop sees.
    return std::chrono::duration<double, std::nano>(stop - start).count() / kPollsPerThread;
}

void BM_CancelPoll8Threads(benchmark::State& state)
{
    double local = 0.0, shared = 0.0;
    for (auto _ : state) {
        local = TimePerPoll([] { return gIsProgressCancel(); });
        shared = TimePerPoll(SharedCounterPoll);
        state.SetIterationTime(local * kPollsPerThread * 1e-9);
    }
    state.counters["ns_per_poll"] = local;
    state.counters["shared_ns_per_poll"] = shared;
    state.counters["shared_over_local"] = local > 0.0 ? shared / local : 0.0;
}
BENCHMARK(BM_CancelPoll8Threads)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

}  // namespace
