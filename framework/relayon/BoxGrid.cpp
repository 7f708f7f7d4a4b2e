#include "framework/relayon/BoxGrid.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace {

// Cells per indexed box on average, and the most cells one box may span
// before it is tested on its own at every query instead.
constexpr double kBoxesPerCell = 2.0;
constexpr long long kMaxCellsPerBox = 64;
constexpr int kMaxSide = 4096;

int CellOf(double v, double origin, double size, int count)
{
    // Monotone in v, so a box meeting the rectangle shares a cell range with it.
    const double c = std::floor((v - origin) / size);
    if (!(c > 0.0)) return 0;  // also NaN
    return c >= count - 1 ? count - 1 : static_cast<int>(c);
}

}  // namespace

bool BoxGrid::IsOrdered(const BOX2<double>& b)
{
    return std::isfinite(b.xmin) && std::isfinite(b.xmax) && std::isfinite(b.ymin) && std::isfinite(b.ymax) &&
           b.xmin <= b.xmax && b.ymin <= b.ymax;
}

int BoxGrid::CellX(double x) const { return CellOf(x, m_bounds.xmin, m_cellW, m_nx); }
int BoxGrid::CellY(double y) const { return CellOf(y, m_bounds.ymin, m_cellH, m_ny); }

BoxGrid::CellRange BoxGrid::CellsOf(const BOX2<double>& box) const
{
    return CellRange{CellX(box.xmin), CellY(box.ymin), CellX(box.xmax), CellY(box.ymax)};
}

void BoxGrid::Clear()
{
    m_boxes.clear();
    m_indexed.clear();
    m_nx = m_ny = 0;
    m_cellStart.clear();
    m_cellItems.clear();
    m_firstCell.clear();
    m_outside.clear();
}

void BoxGrid::Build(std::vector<BOX2<double>> boxes, std::vector<std::uint8_t> indexed)
{
    Clear();
    m_boxes = std::move(boxes);
    m_indexed = std::move(indexed);
    m_indexed.resize(m_boxes.size(), 0);
    const int n = static_cast<int>(m_boxes.size());

    int gridded = 0;
    m_bounds.InitEmpty();
    for (int i = 0; i < n; ++i) {
        if (!m_indexed[i] || !IsOrdered(m_boxes[i])) continue;
        m_bounds.Union(m_boxes[i]);
        ++gridded;
    }
    const double w = m_bounds.xmax - m_bounds.xmin, h = m_bounds.ymax - m_bounds.ymin;
    if (gridded == 0 || !std::isfinite(w) || !std::isfinite(h)) {
        for (int i = 0; i < n; ++i) m_outside.push_back(i);
        return;
    }
    // Square cells as far as the extent allows, about kBoxesPerCell boxes each.
    const double cells = std::max(1.0, gridded / kBoxesPerCell);
    const double aspect = w > 0.0 && h > 0.0 ? w / h : 1.0;
    m_nx = std::clamp(static_cast<int>(std::sqrt(cells * aspect)), 1, kMaxSide);
    m_ny = std::clamp(static_cast<int>(cells / m_nx), 1, kMaxSide);
    if (w <= 0.0) m_nx = 1;
    if (h <= 0.0) m_ny = 1;
    m_cellW = w > 0.0 ? w / m_nx : 1.0;
    m_cellH = h > 0.0 ? h / m_ny : 1.0;

    // Two passes: count the boxes per cell, then fill; boxes go in ascending
    // order, so each cell's list is ascending.
    std::vector<int> counts(static_cast<std::size_t>(m_nx) * m_ny + 1, 0);
    std::vector<std::uint8_t> inGrid(n, 0);
    m_firstCell.assign(static_cast<std::size_t>(n), Cell{0, 0});
    for (int i = 0; i < n; ++i) {
        if (!m_indexed[i] || !IsOrdered(m_boxes[i])) {
            m_outside.push_back(i);
            continue;
        }
        const CellRange r = CellsOf(m_boxes[i]);
        if (static_cast<long long>(r.x1 - r.x0 + 1) * (r.y1 - r.y0 + 1) > kMaxCellsPerBox) {
            m_outside.push_back(i);
            continue;
        }
        inGrid[i] = 1;
        m_firstCell[static_cast<std::size_t>(i)] = Cell{r.x0, r.y0};
        for (int y = r.y0; y <= r.y1; ++y)
            for (int x = r.x0; x <= r.x1; ++x) ++counts[static_cast<std::size_t>(y) * m_nx + x];
    }
    m_cellStart.assign(counts.size(), 0);
    for (std::size_t c = 0; c + 1 < counts.size(); ++c) m_cellStart[c + 1] = m_cellStart[c] + counts[c];
    m_cellItems.resize(static_cast<std::size_t>(m_cellStart.back()));
    std::vector<int> fill(m_cellStart.begin(), m_cellStart.end() - 1);
    for (int i = 0; i < n; ++i) {
        if (!inGrid[i]) continue;
        const CellRange r = CellsOf(m_boxes[i]);
        for (int y = r.y0; y <= r.y1; ++y)
            for (int x = r.x0; x <= r.x1; ++x) m_cellItems[static_cast<std::size_t>(fill[static_cast<std::size_t>(y) * m_nx + x]++)] = i;
    }
}

std::vector<int> BoxGrid::Gather(const BOX2<double>& rect) const
{
    const CellRange q = CellsOf(rect);
    std::vector<int> found;
    for (int y = q.y0; y <= q.y1; ++y) {
        for (int x = q.x0; x <= q.x1; ++x) {
            const std::size_t cell = static_cast<std::size_t>(y) * m_nx + x;
            for (int k = m_cellStart[cell]; k < m_cellStart[cell + 1]; ++k) {
                const int i = m_cellItems[static_cast<std::size_t>(k)];
                // A box spanning several cells of the query is reported from the
                // first of them only.
                const Cell first = m_firstCell[static_cast<std::size_t>(i)];
                if (x == std::max(first.x, q.x0) && y == std::max(first.y, q.y0)) found.push_back(i);
            }
        }
    }
    std::sort(found.begin(), found.end());
    std::vector<int> merged;
    merged.reserve(found.size() + m_outside.size());
    std::merge(found.begin(), found.end(), m_outside.begin(), m_outside.end(), std::back_inserter(merged));
    return merged;
}

std::vector<int> BoxGrid::Query(const BOX2<double>& rect) const
{
    std::vector<int> out;
    Query(rect, [&out](int i) { out.push_back(i); });
    return out;
}
