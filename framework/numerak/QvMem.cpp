#include "framework/numerak/QvMem.h"

#include <cstdlib>

namespace {
thread_local int tFailAfter = -1;
thread_local long tCount = 0;
thread_local long tLive = 0;
} // namespace

void* QV_MemAlloc(std::size_t bytes)
{
    if (bytes == 0)
        return nullptr;
    if (tFailAfter >= 0 && tFailAfter-- == 0)
        return nullptr;
    void* p = std::malloc(bytes);
    if (p) {
        ++tCount;
        ++tLive;
    }
    return p;
}

void QV_MemFree(void* p)
{
    if (p)
        --tLive;
    std::free(p);
}

void QV_MemFailAfter(int n) { tFailAfter = n < 0 ? -1 : n; }

long QV_MemAllocCount() { return tCount; }

void QV_MemResetCount() { tCount = 0; }

long QV_MemLiveCount() { return tLive; }
