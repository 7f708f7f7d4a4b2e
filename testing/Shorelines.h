// Shoreline loops of real coasts (GSHHG, see data/shorelines/README.md), in millimetres.
#pragma once

#include <array>
#include <string>
#include <vector>

namespace shorelines {

using Pt = std::array<double, 2>;
using Loop = std::vector<Pt>;  // closed; the first point is not repeated

// "iceland_fjords" or "aegean_islands": every loop, largest first; empty when the
// fixture cannot be read.
std::vector<Loop> Read(const std::string& name);

}  // namespace shorelines
