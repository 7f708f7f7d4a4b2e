// A small memory figure for the readers that size what they allocate by the available
// memory (the relief canvas refuses grids past half of it). libFuzzer reports every
// allocation past its limit (2 GB by default) as out of memory, while a machine with
// more memory rightly accepts larger grids; so the target pretends to have 256 MB, and a
// grid at the budget loads well within the hang limit under the sanitizers. The figure
// is a meminfo file of its own in the temporary folder, removed at exit.
#pragma once

#include "framework/looker/MemoryStatus.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace fuzz {

inline void PretendSmallMemory()
{
    static const std::string path = [] {
        const char* dir = std::getenv("TMPDIR");
        return std::string(dir != nullptr && *dir != '\0' ? dir : "/tmp") + "/korvel-fuzz-" + std::to_string(getpid()) +
               "-meminfo";
    }();
    std::FILE* f = std::fopen(path.c_str(), "w");
    if (f == nullptr) std::abort();  // the budget would be the machine's: better no run at all
    std::fputs("MemTotal: 524288 kB\nMemAvailable: 262144 kB\n", f);
    if (std::fclose(f) != 0) std::abort();
    std::atexit([] { std::remove(path.c_str()); });
    // No cgroup folder: the file's figure alone.
    looker::testing::SetMemoryFiles(path.c_str(), nullptr);
}

}  // namespace fuzz
