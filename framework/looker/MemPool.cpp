#include "framework/looker/MemPool.h"

#include <cstddef>
#include <memory>
#include <new>
#include <vector>

namespace {

constexpr std::align_val_t kAlign{16};
// Buffers up to this size are kept for reuse after release; larger ones are
// returned to the heap so that one big request does not pin memory per thread.
constexpr std::size_t kKeepBytes = std::size_t(4) << 20;

struct AlignedDelete {
    void operator()(std::byte* p) const { ::operator delete[](p, kAlign); }
};

struct Level {
    std::unique_ptr<std::byte[], AlignedDelete> buffer;
    std::size_t capacity = 0;
};

// One stack per thread; its levels' buffers are reused by later allocations at
// the same depth, and freed with the thread.
struct Pool {
    std::vector<Level> levels;
    std::size_t depth = 0;
};

thread_local Pool t_pool;

}  // namespace

void* gAlcMemPool(int bytes)
{
    Pool& pool = t_pool;
    if (pool.levels.size() <= pool.depth) pool.levels.emplace_back();
    Level& level = pool.levels[pool.depth++];
    if (bytes < 0) return nullptr;
    const std::size_t want = bytes > 0 ? std::size_t(bytes) : 1;
    if (level.capacity < want) {
        level.buffer.reset();
        level.capacity = 0;
        auto* p = static_cast<std::byte*>(::operator new[](want, kAlign, std::nothrow));
        if (!p) return nullptr;
        level.buffer.reset(p);
        level.capacity = want;
    }
    return level.buffer.get();
}

void gFreMemPool()
{
    Pool& pool = t_pool;
    if (pool.depth == 0) return;
    Level& level = pool.levels[--pool.depth];
    if (level.capacity > kKeepBytes) {
        level.buffer.reset();
        level.capacity = 0;
    }
}

namespace looker::testing {

int MemPoolDepth() { return int(t_pool.depth); }

}  // namespace looker::testing
