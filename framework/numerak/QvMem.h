#pragma once
// The surface kernel's allocator: plain malloc/free behind one pair of names,
// so records made by one kernel routine can be freed by another.
//
// For tests, QV_MemFailAfter(n) makes the (n+1)-th allocation from now return
// null (n = 0: the next one), once; a negative n switches the hook off. This
// lets every out-of-memory path of the kernel be walked in turn.

#include <cstddef>

// Null when bytes is 0 or memory runs out (or the test hook fires).
void* QV_MemAlloc(std::size_t bytes);
// Null is ignored.
void QV_MemFree(void* p);

// Test hook; thread-local, so parallel tests do not disturb each other.
void QV_MemFailAfter(int n);
// Allocations made on this thread since the counter was last reset, and
// allocations made minus blocks freed on this thread (for leak checks).
long QV_MemAllocCount();
void QV_MemResetCount();
long QV_MemLiveCount();
