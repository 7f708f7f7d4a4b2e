#include "geometry/shapes2d/GeometryChange.h"

#include <atomic>

namespace {
std::atomic<std::uint64_t> g_changes{0};
}  // namespace

void geNoteGeometryChange() { g_changes.fetch_add(1, std::memory_order_relaxed); }

std::uint64_t geGeometryChangeCount() { return g_changes.load(std::memory_order_relaxed); }
