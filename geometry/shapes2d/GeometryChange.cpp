#include "geometry/shapes2d/GeometryChange.h"

#include <atomic>

namespace {
std::atomic<std::uint64_t> g_changes{0};
// The count as last read; a change moves the count only while it still
// equals this, so that the cache line is written once per read, not per change.
std::atomic<std::uint64_t> g_read{0};
}  // namespace

void geNoteGeometryChange()
{
    std::uint64_t count = g_changes.load(std::memory_order_relaxed);
    if (count == g_read.load(std::memory_order_relaxed))
        g_changes.compare_exchange_strong(count, count + 1, std::memory_order_relaxed);
}

std::uint64_t geGeometryChangeCount()
{
    const std::uint64_t count = g_changes.load(std::memory_order_relaxed);
    g_read.store(count, std::memory_order_relaxed);
    return count;
}
