// Physical memory figures for sizing large grids: the kernel's MemAvailable, capped by
// the memory limit of the process's cgroup (v2) less what the cgroup already uses.
// Also the hook through which library code shows a numbered message with one number.
#pragma once

#include "platform/core/WinTypes.h"

#include <cstddef>
#include <cstdint>
#include <functional>

struct MEMORYSTATUS {
    DWORD dwLength;
    DWORD dwMemoryLoad;
    std::size_t dwTotalPhys;
    std::size_t dwAvailPhys;
    std::size_t dwTotalPageFile;
    std::size_t dwAvailPageFile;
    std::size_t dwTotalVirtual;
    std::size_t dwAvailVirtual;
};

// Fills the total and available physical bytes (0 when they cannot be read); the
// other figures are 0.
void GlobalMemoryStatus(MEMORYSTATUS* status);

namespace looker {

// Available physical bytes; false when /proc/meminfo cannot be read, so that a failed
// query is never taken for no memory.
bool QueryAvailablePhysical(std::uint64_t& bytes);

// Message id and its one numeric argument, shown by the program's hook (nothing
// without one).
void SetResourceMessageHook(std::function<void(UINT id, double value)> hook);
void ShowResourceMessage(UINT id, double value);

namespace testing {
// Reads meminfo and the cgroup files from these places instead (null: the real ones);
// cgroupDir is the folder holding memory.max and memory.current.
void SetMemoryFiles(const char* meminfo, const char* cgroupDir);
}  // namespace testing

}  // namespace looker
