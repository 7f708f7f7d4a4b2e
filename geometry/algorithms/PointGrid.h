// A uniform grid of cells over a fixed set of points, for the range and
// nearest searches of chaining, nesting and ranking. The grid only narrows
// the candidates: callers apply their own exact test to what it returns, and
// sort by id where the order of candidates decides a tie, so results never
// depend on the grid's layout.
//
// Points with a non-finite coordinate fall into no cell: every range query
// returns them, nearest searches never do.
#pragma once

#include <cstdint>
#include <vector>

class CPointGrid {
public:
    struct Entry {
        double x = 0.0, y = 0.0;
        std::uint32_t id = 0;
    };

    // Files the entries. Cells are square, at least minCell wide, and about as
    // many as the entries (so a cell holds a few points of an even spread).
    void Build(const std::vector<Entry>& entries, double minCell);

    // Calls visit(id) for every entry in a cell that meets [x0, x1] x [y0, y1],
    // and for every non-finite entry: a superset of the entries inside.
    template <class Visit>
    void ForEachIn(double x0, double y0, double x1, double y1, Visit visit) const
    {
        for (const Entry& e : m_loose) visit(e.id);
        if (m_cells.empty()) return;
        const int ix0 = Col(x0), ix1 = Col(x1), iy0 = Row(y0), iy1 = Row(y1);
        for (int ix = ix0; ix <= ix1; ++ix) {
            for (int iy = iy0; iy <= iy1; ++iy) {
                const std::size_t c = Cell(ix, iy);
                for (std::uint32_t k = m_cells[c]; k < m_cells[c + 1]; ++k) visit(m_entries[k].id);
            }
        }
    }

    // The finite entry nearest to (x, y) among those live(id) accepts, with
    // the smaller id on equal distances, at a distance below limit; false when
    // there is none. dist(id) gives the distance the caller ranks by, which
    // must not fall below the plain Euclidean distance by more than rounding.
    template <class Live, class Dist>
    bool Nearest(double x, double y, double limit, Live live, Dist dist, std::uint32_t& best) const
    {
        if (m_cells.empty()) return false;
        const int cx = Col(x), cy = Row(y);
        double bestDist = limit;
        bool found = false;
        const int reach = m_nx > m_ny ? m_nx : m_ny;
        for (int r = 0; r <= reach; ++r) {
            // Cells outside the ring r - 1 lie at least (r - 1) cells away.
            if (found && (r - 1) * m_cell * (1.0 - 1e-9) > bestDist) break;
            for (int ix = cx - r; ix <= cx + r; ++ix) {
                if (ix < 0 || ix >= m_nx) continue;
                const bool edgeColumn = ix == cx - r || ix == cx + r;
                for (int iy = cy - r; iy <= cy + r; iy += edgeColumn ? 1 : 2 * r) {
                    if (iy >= 0 && iy < m_ny) {
                        const std::size_t c = Cell(ix, iy);
                        for (std::uint32_t k = m_cells[c]; k < m_cells[c + 1]; ++k) {
                            const std::uint32_t id = m_entries[k].id;
                            if (!live(id)) continue;
                            const double d = dist(id);
                            if (d < bestDist || (d == bestDist && found && id < best)) {
                                bestDist = d;
                                best = id;
                                found = true;
                            }
                        }
                    }
                    if (r == 0) break;
                }
            }
        }
        return found;
    }

private:
    int Col(double x) const { return Clamp((x - m_x0) / m_cell, m_nx); }
    int Row(double y) const { return Clamp((y - m_y0) / m_cell, m_ny); }
    std::size_t Cell(int ix, int iy) const
    {
        return static_cast<std::size_t>(ix) * static_cast<std::size_t>(m_ny) + static_cast<std::size_t>(iy);
    }
    // Monotone and clamped, so a range never misses a cell of a point inside it.
    static int Clamp(double q, int n)
    {
        if (!(q > 0.0)) return 0;  // also NaN
        if (q >= n - 1) return n - 1;
        return static_cast<int>(q);
    }

    double m_x0 = 0.0, m_y0 = 0.0, m_cell = 1.0;
    int m_nx = 0, m_ny = 0;
    std::vector<std::uint32_t> m_cells;  // start of each cell's entries, column-major, plus the end
    std::vector<Entry> m_entries;        // finite entries by cell, in input order inside a cell
    std::vector<Entry> m_loose;          // entries with a non-finite coordinate
};
