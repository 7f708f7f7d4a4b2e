// Archive throughput: an object list of one million small storable objects written to
// and read from a memory file. The peer is memory bandwidth: a plain copy of the
// archive's bytes, timed in the same process; "peer_ratio" is the archive's time over
// the copy's.

#include "platform/core/tests/ArchiveBenchItems.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <malloc.h>
#include <vector>

namespace {

constexpr int kObjectCount = 1000000;
using Clock = std::chrono::steady_clock;

std::vector<BYTE> StoreList(CObList& list) {
  CMemFile file(1 << 20);
  {
    CArchive ar(&file, CArchive::store);
    list.Serialize(ar);
    ar.Close();
  }
  const BYTE* p = file.GetData();
  return std::vector<BYTE>(p, p + file.GetLength());
}

// Seconds of the fastest of a few copies of bytes into a fresh block, as the
// archive writes into a fresh memory file.
double CopySeconds(const std::vector<BYTE>& bytes) {
  double best = 1e9;
  for (int i = 0; i < 5; ++i) {
    const auto t0 = Clock::now();
    auto* block = static_cast<BYTE*>(std::malloc(bytes.size()));
    std::memcpy(block, bytes.data(), bytes.size());
    benchmark::DoNotOptimize(block);
    benchmark::ClobberMemory();
    std::free(block);
    best = std::min(best, std::chrono::duration<double>(Clock::now() - t0).count());
  }
  return best;
}

// glibc merges small freed chunks only when a larger request comes: one such
// request right after deleting a million objects keeps the merging with the
// deletion, outside the timed loading that follows.
void SettleFreedMemory() {
  void* p = std::malloc(4096);
  benchmark::DoNotOptimize(p);
  std::free(p);
}

void SetCounters(benchmark::State& state, size_t bytes, double seconds, double peerSeconds) {
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
  state.counters["objects/s"] = benchmark::Counter(static_cast<double>(state.iterations()) * kObjectCount,
                                                   benchmark::Counter::kIsRate);
  state.counters["peer_ratio"] = seconds / static_cast<double>(state.iterations()) / peerSeconds;
}

// Freed memory stays with the process (blocks up to 32 MB come from the heap, which is
// never trimmed), so every timed store writes into memory the process already holds,
// as a program saving its document again does. The first touch of a fresh page costs
// tens of microseconds on a loaded virtual machine, more than the store's own work;
// with freshHeap every free page is given back after each store, and the store faults
// in all the memory it uses (memory file and store map), as the first save in a new
// process does.
void StoreRepeatedly(benchmark::State& state, bool freshHeap) {
  mallopt(M_MMAP_THRESHOLD, 32 << 20);
  mallopt(M_TRIM_THRESHOLD, 1 << 30);
  CObList list;
  FillBenchList(list, kObjectCount);
  const std::vector<BYTE> golden = StoreList(list);
  double seconds = 0.0;
  for (auto _ : state) {
    if (freshHeap) malloc_trim(0);
    const auto t0 = Clock::now();
    CMemFile file(1 << 20);
    CArchive ar(&file, CArchive::store);
    list.Serialize(ar);
    ar.Close();
    benchmark::DoNotOptimize(file.GetData());
    seconds += std::chrono::duration<double>(Clock::now() - t0).count();
  }
  SetCounters(state, golden.size(), seconds, CopySeconds(golden));
  DeleteBenchList(list);
}

void BM_ArchiveWriteObList(benchmark::State& state) { StoreRepeatedly(state, false); }
BENCHMARK(BM_ArchiveWriteObList)->Unit(benchmark::kMillisecond);

void BM_ArchiveWriteObListFreshHeap(benchmark::State& state) { StoreRepeatedly(state, true); }
BENCHMARK(BM_ArchiveWriteObListFreshHeap)->Unit(benchmark::kMillisecond);

void BM_ArchiveReadObList(benchmark::State& state) {
  CObList source;
  FillBenchList(source, kObjectCount);
  std::vector<BYTE> bytes = StoreList(source);
  DeleteBenchList(source);
  SettleFreedMemory();
  double seconds = 0.0;
  for (auto _ : state) {
    const auto t0 = Clock::now();
    CMemFile file(bytes.data(), static_cast<UINT>(bytes.size()));
    CObList loaded;
    {
      CArchive ar(&file, CArchive::load);
      loaded.Serialize(ar);
    }
    seconds += std::chrono::duration<double>(Clock::now() - t0).count();
    state.PauseTiming();
    DeleteBenchList(loaded);
    SettleFreedMemory();
    state.ResumeTiming();
  }
  SetCounters(state, bytes.size(), seconds, CopySeconds(bytes));
}
BENCHMARK(BM_ArchiveReadObList)->Unit(benchmark::kMillisecond);

}  // namespace
