#include "geometry/algorithms/PointGrid.h"

#include <algorithm>
#include <cmath>

void CPointGrid::Build(const std::vector<Entry>& entries, double minCell)
{
    m_cells.clear();
    m_entries.clear();
    m_loose.clear();
    m_nx = m_ny = 0;
    double x0 = HUGE_VAL, y0 = HUGE_VAL, x1 = -HUGE_VAL, y1 = -HUGE_VAL;
    std::size_t finite = 0;
    for (const Entry& e : entries) {
        if (!std::isfinite(e.x) || !std::isfinite(e.y)) {
            m_loose.push_back(e);
            continue;
        }
        ++finite;
        x0 = std::min(x0, e.x);
        y0 = std::min(y0, e.y);
        x1 = std::max(x1, e.x);
        y1 = std::max(y1, e.y);
    }
    if (finite == 0) return;
    // Extents halved first so that a spread near the largest double stays finite.
    const double w = 0.5 * x1 - 0.5 * x0, h = 0.5 * y1 - 0.5 * y0;
    const double n = static_cast<double>(finite);
    // The spacing of an even spread over the box; along a line when the box is flat.
    double cell = w > 0.0 && h > 0.0 ? 2.0 * std::sqrt(w * h / n) : 2.0 * std::max(w, h) / n;
    if (!(cell >= minCell)) cell = minCell;
    if (!(cell > 0.0) || !std::isfinite(cell)) cell = 1.0;
    // At most about four cells per entry, however small minCell is.
    constexpr double kMaxSide = 1 << 20;
    const double cap = 4.0 * n + 16.0;
    double nx = std::floor(2.0 * w / cell) + 1.0, ny = std::floor(2.0 * h / cell) + 1.0;
    if (!(nx * ny <= cap) || !(nx <= kMaxSide) || !(ny <= kMaxSide)) {
        const double grow = std::max({std::sqrt(nx * ny / cap), nx / kMaxSide, ny / kMaxSide});
        cell *= grow;
        nx = std::min(kMaxSide, std::floor(2.0 * w / cell) + 1.0);
        ny = std::min(kMaxSide, std::floor(2.0 * h / cell) + 1.0);
    }
    m_x0 = x0;
    m_y0 = y0;
    m_cell = cell;
    m_nx = static_cast<int>(nx);
    m_ny = static_cast<int>(ny);
    const std::size_t cells = static_cast<std::size_t>(m_nx) * static_cast<std::size_t>(m_ny);
    m_cells.assign(cells + 1, 0);
    for (const Entry& e : entries)
        if (std::isfinite(e.x) && std::isfinite(e.y)) ++m_cells[Cell(Col(e.x), Row(e.y)) + 1];
    for (std::size_t c = 0; c < cells; ++c) m_cells[c + 1] += m_cells[c];
    m_entries.resize(finite);
    std::vector<std::uint32_t> fill(m_cells.begin(), m_cells.end() - 1);
    for (const Entry& e : entries)
        if (std::isfinite(e.x) && std::isfinite(e.y)) m_entries[fill[Cell(Col(e.x), Row(e.y))]++] = e;
}
