// Process-wide count of geometry changes. Every path that changes a curve's
// geometry, its display polyline or its box in place (setters, transforms,
// loading, and the accessors that hand out mutable internals) notes a change,
// so that drawing data kept elsewhere (the database's packed repaint data) can
// tell, by comparing one number, that it must be made afresh.
//
// The count only grows; a reader compares the value it saw when it built its
// data with the current one. Changes on several threads are all counted.
#pragma once

#include <cstdint>

// Notes a geometry change (one relaxed atomic increment).
void geNoteGeometryChange();
// The number of changes noted so far in this process.
std::uint64_t geGeometryChangeCount();
