// Archive throughput: an object list of one million small storable objects written to
// and read from a memory file.

#include "platform/core/tests/ArchiveBenchItems.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <vector>

namespace {

constexpr int kObjectCount = 1000000;

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

void BM_ArchiveWriteObList(benchmark::State& state) {
  CObList list;
  FillBenchList(list, kObjectCount);
  size_t bytes = 0;
  for (auto _ : state) {
    CMemFile file(1 << 20);
    CArchive ar(&file, CArchive::store);
    list.Serialize(ar);
    ar.Close();
    bytes = static_cast<size_t>(file.GetLength());
    benchmark::DoNotOptimize(file.GetData());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
  state.counters["objects/s"] = benchmark::Counter(static_cast<double>(state.iterations()) * kObjectCount,
                                                   benchmark::Counter::kIsRate);
  DeleteBenchList(list);
}
BENCHMARK(BM_ArchiveWriteObList)->Unit(benchmark::kMillisecond);

void BM_ArchiveReadObList(benchmark::State& state) {
  CObList source;
  FillBenchList(source, kObjectCount);
  std::vector<BYTE> bytes = StoreList(source);
  DeleteBenchList(source);
  for (auto _ : state) {
    CMemFile file(bytes.data(), static_cast<UINT>(bytes.size()));
    CObList loaded;
    {
      CArchive ar(&file, CArchive::load);
      loaded.Serialize(ar);
    }
    state.PauseTiming();
    DeleteBenchList(loaded);
    state.ResumeTiming();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
  state.counters["objects/s"] = benchmark::Counter(static_cast<double>(state.iterations()) * kObjectCount,
                                                   benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ArchiveReadObList)->Unit(benchmark::kMillisecond);

}  // namespace
