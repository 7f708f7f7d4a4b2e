// Limits shared by the relief grids and the relief canvas.
#pragma once

#include <cstdint>

namespace relief {

// Largest cell count of a grid: linear cell indices are 32-bit and must stay below 2^31.
inline constexpr std::int64_t kMaxCells = (std::int64_t{1} << 31) - 1;

// At least 2 nodes on each axis and fewer than 2^31 cells.
inline bool IsGridCountValid(std::int64_t countX, std::int64_t countY)
{
    return countX >= 2 && countY >= 2 && countX * countY <= kMaxCells;
}

}  // namespace relief
