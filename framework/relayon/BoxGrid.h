// A uniform grid over a fixed list of 2D boxes, answering which boxes meet a
// query rectangle in list order (the order the database draws in).
//
// Boxes the caller does not index, and boxes the grid cannot hold well (not
// finite, or spanning many cells), are on a list that every query reports
// whole (unindexed) or tests one by one (too large). A query reports, in
// ascending order, every unindexed box and every indexed box that meets the
// rectangle (closed test: touching counts), exactly as a scan of the whole
// list with Meets would.
#pragma once

#include "framework/numerak/Box.h"

#include <cstdint>
#include <vector>

class BoxGrid {
public:
    // Whether box meets rect, edges included: the repaint's view test.
    static bool Meets(const BOX2<double>& box, const BOX2<double>& rect)
    {
        return !(box.xmax < rect.xmin || box.xmin > rect.xmax || box.ymax < rect.ymin || box.ymin > rect.ymax);
    }

    // Takes the boxes; indexed[i] false leaves box i to the caller (reported
    // by every query).
    void Build(std::vector<BOX2<double>> boxes, std::vector<std::uint8_t> indexed);
    void Clear();
    // Finite, with its minimum corner below its maximum corner.
    static bool IsOrdered(const BOX2<double>& b);
    const std::vector<BOX2<double>>& Boxes() const { return m_boxes; }

    // Calls visit(i) for each reported box, i ascending.
    template <class Visit>
    void Query(const BOX2<double>& rect, Visit&& visit) const;
    // The same as a list.
    std::vector<int> Query(const BOX2<double>& rect) const;

private:
    struct CellRange {
        int x0, y0, x1, y1;
    };
    CellRange CellsOf(const BOX2<double>& box) const;
    int CellX(double x) const;
    int CellY(double y) const;
    // The grid's cell lists that rect meets, merged with the list of boxes
    // outside the grid, ascending in order.
    std::vector<int> Gather(const BOX2<double>& rect) const;

    std::vector<BOX2<double>> m_boxes;
    std::vector<std::uint8_t> m_indexed;
    BOX2<double> m_bounds{0.0, 0.0, 0.0, 0.0};
    int m_nx = 0, m_ny = 0;
    double m_cellW = 1.0, m_cellH = 1.0;
    std::vector<int> m_cellStart;  // m_nx * m_ny + 1 offsets into m_cellItems
    std::vector<int> m_cellItems;  // box numbers per cell, ascending
    struct Cell {
        int x, y;
    };
    std::vector<Cell> m_firstCell;  // per box in the grid: the lowest cell it is listed in
    std::vector<int> m_outside;    // boxes not in the grid, ascending
};

template <class Visit>
void BoxGrid::Query(const BOX2<double>& rect, Visit&& visit) const
{
    const std::vector<BOX2<double>>& boxes = m_boxes;
    const int n = static_cast<int>(boxes.size());
    if (m_nx > 0 && IsOrdered(rect) && !Meets(m_bounds, rect)) {
        // No indexed box in the grid meets the rectangle.
        for (int i : m_outside)
            if (!m_indexed[i] || Meets(boxes[i], rect)) visit(i);
        return;
    }
    const CellRange q = CellsOf(rect);
    const long long cells = static_cast<long long>(q.x1 - q.x0 + 1) * (q.y1 - q.y0 + 1);
    // A rectangle over a good part of the grid: a plain scan reads less. So
    // does an odd one (inverted or not finite), whose cells say nothing.
    if (m_nx == 0 || !IsOrdered(rect) || cells * 4 >= static_cast<long long>(m_nx) * m_ny) {
        for (int i = 0; i < n; ++i)
            if (!m_indexed[i] || Meets(boxes[i], rect)) visit(i);
        return;
    }
    for (int i : Gather(rect))
        if (!m_indexed[i] || Meets(boxes[i], rect)) visit(i);
}
