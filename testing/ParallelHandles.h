// Handles made on several threads at once, and how many of them repeat.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <thread>
#include <vector>

namespace testing_handles {

// Runs make() perThread times on each of `threads` threads at once (make
// returns the new object's handle) and returns every handle.
template <class Make>
std::vector<std::uint32_t> HandlesFromThreads(int threads, int perThread, Make make)
{
    std::vector<std::vector<std::uint32_t>> parts(static_cast<std::size_t>(threads));
    std::vector<std::thread> pool;
    for (int i = 0; i < threads; ++i)
        pool.emplace_back([&parts, i, perThread, &make] {
            auto& mine = parts[static_cast<std::size_t>(i)];
            mine.reserve(static_cast<std::size_t>(perThread));
            for (int k = 0; k < perThread; ++k) mine.push_back(make());
        });
    for (auto& t : pool) t.join();
    std::vector<std::uint32_t> all;
    for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

// Number of handles that equal an earlier one.
inline std::size_t Duplicates(std::vector<std::uint32_t> handles)
{
    std::sort(handles.begin(), handles.end());
    return static_cast<std::size_t>(handles.end() - std::unique(handles.begin(), handles.end()));
}

}  // namespace testing_handles
