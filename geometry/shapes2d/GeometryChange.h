// Process-wide count of geometry changes. Every path that changes a curve's
// geometry, its display polyline or its box in place (setters, transforms,
// loading, box computations that come out different, and the accessors that
// hand out mutable internals) notes a change, so that drawing data kept
// elsewhere (the database's packed repaint data) can tell, by comparing one
// number, that it must be made afresh.
//
// The count moves (grows) at the first change noted after it was last read;
// later changes until the next read leave it, so that edits in bulk, also on
// several threads, mostly only read it. A reader that keeps the value it read
// when it built its data sees a different value after any change made since
// (on its own thread, or on threads it has joined since).
#pragma once

#include <cstdint>

// Notes a geometry change.
void geNoteGeometryChange();
// The count; reading it makes the next change move it.
std::uint64_t geGeometryChangeCount();
