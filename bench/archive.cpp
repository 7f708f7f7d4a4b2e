// Archive throughput: an object list of one million small storable objects written to
// and read from a memory file.

#include "platform/core/Archive.h"
#include "platform/core/ObList.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <vector>

namespace {

constexpr int kObjectCount = 1000000;

class CBenchItem : public CObject {
  DECLARE_SERIAL(CBenchItem)
public:
  void Serialize(CArchive& ar) override {
    if (ar.IsStoring())
      ar << m_id << m_flags << m_x << m_y;
    else
      ar >> m_id >> m_flags >> m_x >> m_y;
  }
  int m_id = 0;
  int m_flags = 0;
  double m_x = 0.0;
  double m_y = 0.0;
};

IMPLEMENT_SERIAL(CBenchItem, CObject, 1)

void FillList(CObList& list) {
  for (int i = 0; i < kObjectCount; ++i) {
    auto* item = new CBenchItem;
    item->m_id = i;
    item->m_flags = i & 7;
    item->m_x = i * 0.5;
    item->m_y = -i * 0.25;
    list.AddTail(item);
  }
}

void DeleteAll(CObList& list) {
  while (!list.IsEmpty()) delete list.RemoveHead();
}

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
  FillList(list);
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
  DeleteAll(list);
}
BENCHMARK(BM_ArchiveWriteObList)->Unit(benchmark::kMillisecond);

void BM_ArchiveReadObList(benchmark::State& state) {
  CObList source;
  FillList(source);
  std::vector<BYTE> bytes = StoreList(source);
  DeleteAll(source);
  for (auto _ : state) {
    CMemFile file(bytes.data(), static_cast<UINT>(bytes.size()));
    CObList loaded;
    {
      CArchive ar(&file, CArchive::load);
      loaded.Serialize(ar);
    }
    state.PauseTiming();
    DeleteAll(loaded);
    state.ResumeTiming();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
  state.counters["objects/s"] = benchmark::Counter(static_cast<double>(state.iterations()) * kObjectCount,
                                                   benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ArchiveReadObList)->Unit(benchmark::kMillisecond);

}  // namespace
