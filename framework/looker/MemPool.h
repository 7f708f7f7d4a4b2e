// Per-thread scratch memory of the curve operations.
#pragma once

// Returns a scratch block of at least `bytes` bytes, aligned to 16, owned by the
// calling thread. Allocations nest: each is released by one gFreMemPool, the
// newest first. A block stays valid until its own gFreMemPool. Null for a
// negative size or when memory runs out; the call still counts as one level, so
// a caller that always pairs it with gFreMemPool keeps the nesting intact.
void* gAlcMemPool(int bytes);

// Releases the newest block of the calling thread; nothing when none is held.
void gFreMemPool();

namespace looker::testing {

// Number of blocks the calling thread holds (nesting depth).
int MemPoolDepth();

}  // namespace looker::testing
