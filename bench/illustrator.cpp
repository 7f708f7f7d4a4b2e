// Illustrator/EPS import throughput: a generated file of about 8 MB in the
// shape independent writers produce (one operator per line with colour and
// state lines between paths, and cairo-style runs of several operators per
// line), read into curve entities. The peer is reading the same file into
// memory; "peer_ratio" is the import's time over the read's.

#include "plugins/illustrator/AiFileParser.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <malloc.h>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

constexpr std::size_t kTargetBytes = 8u << 20;

// Subpaths of a few lines and curves each; half of them one per line, half
// with all operators on one line.
std::string MakeFile()
{
    std::string text = "%!PS-Adobe-3.0\n%%BoundingBox: 0 0 2000 2000\n%%EndProlog\n%%EndSetup\n";
    text.reserve(kTargetBytes + 4096);
    char buf[256];
    for (int i = 0; text.size() < kTargetBytes; ++i) {
        const double x = (i % 400) * 5.0, y = (i / 400) * 5.0;
        const char* sep = (i & 1) != 0 ? " " : "\n";
        text += "0 0 0 1 k 1 w 4 M\n";
        std::snprintf(buf, sizeof buf, "%.3f %.3f m%s", x, y, sep);
        text += buf;
        for (int k = 1; k <= 4; ++k) {
            std::snprintf(buf, sizeof buf, "%.3f %.3f l%s", x + k * 0.9, y + (k & 1) * 1.7, sep);
            text += buf;
        }
        std::snprintf(buf, sizeof buf, "%.3f %.3f %.3f %.3f %.3f %.3f c%s", x + 4.0, y + 2.5, x + 2.5, y + 4.0, x + 0.5,
                      y + 3.5, sep);
        text += buf;
        std::snprintf(buf, sizeof buf, "%.3f %.3f %.3f %.3f v%sf\n", x + 0.2, y + 2.0, x, y + 0.5, sep);
        text += buf;
    }
    text += "%%EOF\n";
    return text;
}

// glibc merges small freed chunks only when a larger request comes: one such
// request right after deleting the imported entities keeps the merging with the
// deletion, outside the timed import that follows.
void SettleFreedMemory()
{
    void* p = std::malloc(4096);
    benchmark::DoNotOptimize(p);
    std::free(p);
}

using Clock = std::chrono::steady_clock;

// Seconds of the fastest of a few reads of the whole file into a fresh block.
double ReadSeconds(const std::filesystem::path& file, std::size_t size)
{
    double best = 1e9;
    for (int i = 0; i < 5; ++i) {
        const auto t0 = Clock::now();
        auto block = std::make_unique_for_overwrite<char[]>(size);
        std::FILE* f = std::fopen(file.c_str(), "rb");
        if (f == nullptr) return 0.0;
        benchmark::DoNotOptimize(std::fread(block.get(), 1, size, f));
        std::fclose(f);
        best = std::min(best, std::chrono::duration<double>(Clock::now() - t0).count());
    }
    return best;
}

// Once merged, the tens of megabytes the deleted entities held lie at the top
// of the heap, and glibc gives them back to the system unless a chunk still in
// use (or in its per-thread cache) sits above them; which chunk ends up there
// depends on the order of every allocation and deletion. Given back, they are
// faulted in again, page by page, by the next import. So trimming is held off
// and every warm import starts from the same heap; with freshHeap every free
// page is given back after each import instead, and the import faults in all
// the memory it uses, as the first import into a new process does.
void ImportRepeatedly(benchmark::State& state, bool freshHeap)
{
    const std::filesystem::path file =
        std::filesystem::temp_directory_path() / ("bench_illustrator_" + std::to_string(::getpid()) + ".ai");
    const std::string text = MakeFile();
    std::ofstream(file, std::ios::binary) << text;
    const CString path = CString::FromUtf8(file.string());
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    if (!freshHeap) {
        // The first import of the process faults its memory in; the timed ones reuse it.
        AiFileParser warmUp;
        ParseAiFile(warmUp, path);
        warmUp.DeleteAll();
        SettleFreedMemory();
    }
    std::size_t entities = 0;
    double seconds = 0.0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        AiFileParser parser;
        benchmark::DoNotOptimize(ParseAiFile(parser, path));
        seconds += std::chrono::duration<double>(Clock::now() - t0).count();
        state.PauseTiming();
        entities = static_cast<std::size_t>(parser.GetCount());
        parser.DeleteAll();
        SettleFreedMemory();
        if (freshHeap) malloc_trim(0);
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
    state.counters["entities"] = static_cast<double>(entities);
    state.counters["peer_ratio"] = seconds / static_cast<double>(state.iterations()) / ReadSeconds(file, text.size());
    std::filesystem::remove(file);
}

void BM_ImportGeneratedPathFile(benchmark::State& state) { ImportRepeatedly(state, false); }
BENCHMARK(BM_ImportGeneratedPathFile)->Unit(benchmark::kMillisecond);

void BM_ImportGeneratedPathFileFreshHeap(benchmark::State& state) { ImportRepeatedly(state, true); }
BENCHMARK(BM_ImportGeneratedPathFileFreshHeap)->Unit(benchmark::kMillisecond);

}  // namespace
