#include "toolpath/contours/CellGrid.h"

#include <algorithm>

namespace smart {

CellGrid::CellGrid(const double* min, const double* max, double cells, bool withCells)
{
    double w = max[0] - min[0], h = max[1] - min[1];
    if (!std::isfinite(w) || w < 0)
        w = 0;
    if (!std::isfinite(h) || h < 0)
        h = 0;
    cells = std::clamp(cells, 1.0, 4.0e6);
    double side = std::sqrt(w * h / cells);
    const double longest = std::max(w, h);
    // Thin or point-like extents: cells along the long side only.
    if (!(side > longest / cells))
        side = longest / cells;
    if (!(side > 0))
        side = 1;
    m_x0 = std::isfinite(min[0]) ? min[0] : 0;
    m_y0 = std::isfinite(min[1]) ? min[1] : 0;
    m_h = side;
    m_hair = side * 1e-9;
    m_nx = static_cast<int>(std::min(w / side, 4.0e6)) + 1;
    m_ny = static_cast<int>(std::min(h / side, 4.0e6)) + 1;
    m_cells.clear();
    if (withCells)
        m_cells.assign(static_cast<std::size_t>(m_nx) * static_cast<std::size_t>(m_ny), {});
}

}  // namespace smart
