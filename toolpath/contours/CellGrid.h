// A uniform grid of cells over a rectangle, for the neighbour and crossing searches of
// the pocketing kernel. Cells hold ids; segments and boxes are entered into every cell
// they may touch, so a query that visits the cells of its own box or segment meets every
// id whose box or segment can reach it. Visits are deduplicated by a stamp per id.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

namespace smart {

class CellGrid {
public:
    // A grid over [min, max] with about `cells` square cells (at least one). Without
    // `withCells` the grid only places points (Cell is not to be used): users that keep
    // their cells' ids in arrays of their own.
    CellGrid(const double* min, const double* max, double cells, bool withCells = true);
    CellGrid() = default;

    int Nx() const { return m_nx; }
    int Ny() const { return m_ny; }
    double Size() const { return m_h; }
    // Clamp of the floor without the floor: Clamp's tests and conversion give the same
    // cell for a value and its floor.
    int CellX(double x) const { return Clamp((x - m_x0) / m_h, m_nx); }
    int CellY(double y) const { return Clamp((y - m_y0) / m_h, m_ny); }
    std::vector<int>& Cell(int ix, int iy) { return m_cells[static_cast<std::size_t>(iy) * m_nx + ix]; }

    // Calls f(ix, iy) for every cell the box [x0, x1] x [y0, y1] covers.
    template <class F>
    void ForBox(double x0, double y0, double x1, double y1, F&& f) const
    {
        const int ix0 = CellX(x0), ix1 = CellX(x1), iy0 = CellY(y0), iy1 = CellY(y1);
        for (int iy = iy0; iy <= iy1; ++iy)
            for (int ix = ix0; ix <= ix1; ++ix)
                f(ix, iy);
    }
    // Calls f(ix, iy) for every cell the segment p-q may pass (column by column, the
    // segment's y range within each column slab widened by a hair).
    template <class F>
    void ForSegment(const double* p, const double* q, F&& f) const
    {
        const double* a = p[0] <= q[0] ? p : q;
        const double* b = p[0] <= q[0] ? q : p;
        const int ix0 = CellX(a[0]), ix1 = CellX(b[0]);
        const double dx = b[0] - a[0], dy = b[1] - a[1];
        for (int ix = ix0; ix <= ix1; ++ix) {
            double ya = a[1], yb = b[1];
            if (ix0 != ix1 && dx > 0) {
                const double xs = ix == ix0 ? a[0] : m_x0 + ix * m_h;
                const double xe = ix == ix1 ? b[0] : m_x0 + (ix + 1) * m_h;
                ya = a[1] + dy * ((xs - a[0]) / dx);
                yb = a[1] + dy * ((xe - a[0]) / dx);
            }
            const double lo = std::fmin(ya, yb) - m_hair, hi = std::fmax(ya, yb) + m_hair;
            for (int iy = CellY(lo), iy1 = CellY(hi); iy <= iy1; ++iy)
                f(ix, iy);
        }
    }

private:
    static int Clamp(double v, int n)
    {
        if (!(v >= 0))
            return 0;
        if (v >= n - 1)
            return n - 1;
        return static_cast<int>(v);
    }

    double m_x0 = 0, m_y0 = 0, m_h = 1, m_hair = 0;
    int m_nx = 1, m_ny = 1;
    std::vector<std::vector<int>> m_cells{1};
};

// Ids met once per query: Begin() starts a query, First(id) is true at the first meeting.
class VisitStamp {
public:
    void Begin() { ++m_now; }
    bool First(int id)
    {
        if (static_cast<std::size_t>(id) >= m_stamp.size())
            m_stamp.resize(static_cast<std::size_t>(id) * 2 + 16, 0);
        if (m_stamp[static_cast<std::size_t>(id)] == m_now)
            return false;
        m_stamp[static_cast<std::size_t>(id)] = m_now;
        return true;
    }

private:
    std::vector<std::uint64_t> m_stamp;
    std::uint64_t m_now = 0;
};

}  // namespace smart
