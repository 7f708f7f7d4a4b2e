#include "toolpath/contours/BoxPairs.h"

#include "toolpath/contours/CellGrid.h"
#include "toolpath/contours/SectIntersect.h"

#include <algorithm>
#include <cmath>

namespace smart {

namespace {

// Boxes with a NaN or infinite side cannot be placed in cells: they are tested against
// every box instead (they pass no overlap test with NaN, but the rule stays BoxesOverlap's).
bool Placeable(const double* b)
{
    return std::isfinite(b[0]) && std::isfinite(b[1]) && std::isfinite(b[2]) && std::isfinite(b[3]) && b[0] <= b[2] &&
           b[1] <= b[3];
}

// A grid over the boxes (ids 0 .. n - 1 over all of `all`), cells about the size of the
// median box so that most boxes cover a few cells.
struct BoxGrid {
    CellGrid grid;
    double tol;

    BoxGrid(const std::vector<const double*>& all, double t) : tol(t)
    {
        double mn[2] = {HUGE_VAL, HUGE_VAL}, mx[2] = {-HUGE_VAL, -HUGE_VAL};
        std::vector<double> sizes;
        for (const double* b : all) {
            if (!Placeable(b))
                continue;
            mn[0] = std::min(mn[0], b[0] - tol);
            mn[1] = std::min(mn[1], b[1] - tol);
            mx[0] = std::max(mx[0], b[2] + tol);
            mx[1] = std::max(mx[1], b[3] + tol);
            sizes.push_back(std::max(b[2] - b[0], b[3] - b[1]) + 2 * tol);
        }
        if (sizes.empty()) {
            mn[0] = mn[1] = mx[0] = mx[1] = 0;
            sizes.push_back(1);
        }
        std::nth_element(sizes.begin(), sizes.begin() + static_cast<std::ptrdiff_t>(sizes.size() / 2), sizes.end());
        const double side = sizes[sizes.size() / 2];
        const double area = (mx[0] - mn[0]) * (mx[1] - mn[1]);
        double cells = side > 0 ? area / (side * side) : 1.0;
        cells = std::min(cells, 4.0 * static_cast<double>(all.size()) + 16);
        grid = CellGrid(mn, mx, cells);
    }
    template <class F>
    void Cover(const double* b, F&& f) const
    {
        grid.ForBox(b[0] - tol, b[1] - tol, b[2] + tol, b[3] + tol, f);
    }
    // The one cell where a pair is reported: the cell of the larger of the two lower corners.
    bool Owns(const double* a, const double* b, int ix, int iy) const
    {
        return grid.CellX(std::max(a[0], b[0]) - tol) == ix && grid.CellY(std::max(a[1], b[1]) - tol) == iy;
    }
};

}  // namespace

std::vector<std::pair<int, int>> SelfBoxPairs(const std::vector<const double*>& boxes, double tol)
{
    std::vector<std::pair<int, int>> out;
    BoxGrid g(boxes, tol);
    std::vector<int> loose;
    for (int i = 0; i < static_cast<int>(boxes.size()); ++i) {
        if (!Placeable(boxes[i])) {
            loose.push_back(i);
            continue;
        }
        g.Cover(boxes[i], [&](int ix, int iy) { g.grid.Cell(ix, iy).push_back(i); });
    }
    for (int iy = 0; iy < g.grid.Ny(); ++iy)
        for (int ix = 0; ix < g.grid.Nx(); ++ix) {
            const std::vector<int>& cell = g.grid.Cell(ix, iy);
            for (std::size_t u = 0; u < cell.size(); ++u)
                for (std::size_t v = u + 1; v < cell.size(); ++v) {
                    const int i = cell[u], j = cell[v];  // ascending: cells are filled in order
                    if (g.Owns(boxes[i], boxes[j], ix, iy) && BoxesOverlap(tol, boxes[i], boxes[j]))
                        out.push_back({i, j});
                }
        }
    for (int i : loose)
        for (int j = 0; j < static_cast<int>(boxes.size()); ++j)
            if (j != i && (Placeable(boxes[j]) || j > i)) {
                const int a = std::min(i, j), b = std::max(i, j);
                if (BoxesOverlap(tol, boxes[a], boxes[b]))
                    out.push_back({a, b});
            }
    std::sort(out.begin(), out.end());
    return out;
}

std::vector<std::pair<int, int>> CrossBoxPairs(const std::vector<const double*>& a, const std::vector<const double*>& b,
                                               double tol)
{
    std::vector<std::pair<int, int>> out;
    std::vector<const double*> all(a);
    all.insert(all.end(), b.begin(), b.end());
    BoxGrid g(all, tol);
    const int na = static_cast<int>(a.size());
    std::vector<int> looseA, looseB;
    for (int i = 0; i < static_cast<int>(all.size()); ++i) {
        if (!Placeable(all[i])) {
            (i < na ? looseA : looseB).push_back(i < na ? i : i - na);
            continue;
        }
        g.Cover(all[i], [&](int ix, int iy) { g.grid.Cell(ix, iy).push_back(i); });
    }
    for (int iy = 0; iy < g.grid.Ny(); ++iy)
        for (int ix = 0; ix < g.grid.Nx(); ++ix) {
            const std::vector<int>& cell = g.grid.Cell(ix, iy);
            const auto split = std::lower_bound(cell.begin(), cell.end(), na);
            for (auto u = cell.begin(); u != split; ++u)
                for (auto v = split; v != cell.end(); ++v)
                    if (g.Owns(all[*u], all[*v], ix, iy) && BoxesOverlap(tol, all[*u], all[*v]))
                        out.push_back({*u, *v - na});
        }
    for (int i : looseA)
        for (int j = 0; j < static_cast<int>(b.size()); ++j)
            if (BoxesOverlap(tol, a[i], b[j]))
                out.push_back({i, j});
    for (int j : looseB)
        for (int i = 0; i < na; ++i)
            if (Placeable(a[i]) && BoxesOverlap(tol, a[i], b[j]))
                out.push_back({i, j});
    std::sort(out.begin(), out.end());
    return out;
}

}  // namespace smart
