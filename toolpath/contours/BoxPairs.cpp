#include "toolpath/contours/BoxPairs.h"

#include "toolpath/contours/CellGrid.h"
#include "toolpath/contours/SectIntersect.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>

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
    std::vector<std::size_t> start;
    std::vector<int> ids;
    std::vector<std::array<int, 4>> span;  // cells covered: x first, x last, y first, y last

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
        // The median of at most 255 sizes spread over the boxes: the cell size only
        // steers the work, never which pairs are found.
        if (sizes.size() > 255) {
            const std::size_t step = sizes.size() / 255;
            for (std::size_t k = 0; k < 255; ++k)
                sizes[k] = sizes[k * step];
            sizes.resize(255);
        }
        std::nth_element(sizes.begin(), sizes.begin() + static_cast<std::ptrdiff_t>(sizes.size() / 2), sizes.end());
        const double side = sizes[sizes.size() / 2];
        const double area = (mx[0] - mn[0]) * (mx[1] - mn[1]);
        double cells = side > 0 ? area / (side * side) : 1.0;
        cells = std::min(cells, 4.0 * static_cast<double>(all.size()) + 16);
        grid = CellGrid(mn, mx, cells, false);
    }
    // The placeable boxes entered into the cells they cover, ids ascending in each cell; the
    // others go to `loose`. The cells' lists lie end to end in one array.
    void Fill(const std::vector<const double*>& all, std::vector<int>& loose)
    {
        const auto cells = static_cast<std::size_t>(grid.Nx()) * static_cast<std::size_t>(grid.Ny());
        span.assign(all.size(), {0, -1, 0, -1});
        start.assign(cells + 1, 0);
        for (std::size_t i = 0; i < all.size(); ++i) {
            const double* b = all[i];
            if (!Placeable(b)) {
                loose.push_back(static_cast<int>(i));
                continue;
            }
            auto& r = span[i];
            r = {grid.CellX(b[0] - tol), grid.CellX(b[2] + tol), grid.CellY(b[1] - tol), grid.CellY(b[3] + tol)};
            for (int iy = r[2]; iy <= r[3]; ++iy)
                for (int ix = r[0]; ix <= r[1]; ++ix)
                    ++start[CellOf(ix, iy) + 1];
        }
        for (std::size_t c = 0; c < cells; ++c)
            start[c + 1] += start[c];
        ids.resize(start[cells]);
        std::vector<std::size_t> at(start.begin(), start.end() - 1);
        for (std::size_t i = 0; i < all.size(); ++i) {
            const auto& r = span[i];
            for (int iy = r[2]; iy <= r[3]; ++iy)
                for (int ix = r[0]; ix <= r[1]; ++ix)
                    ids[at[CellOf(ix, iy)]++] = static_cast<int>(i);
        }
    }
    std::size_t CellOf(int ix, int iy) const
    {
        return static_cast<std::size_t>(iy) * static_cast<std::size_t>(grid.Nx()) + static_cast<std::size_t>(ix);
    }
    // The ids of cell (ix, iy): [first, last).
    std::pair<const int*, const int*> Cell(int ix, int iy) const
    {
        const std::size_t c = CellOf(ix, iy);
        return {ids.data() + start[c], ids.data() + start[c + 1]};
    }
    // The one cell where a pair of placed boxes is reported: the cell of the larger of the
    // two lower corners (less tol), which is the larger of their corner cells.
    bool Owns(int i, int j, int ix, int iy) const
    {
        const auto& a = span[static_cast<std::size_t>(i)];
        const auto& b = span[static_cast<std::size_t>(j)];
        return std::max(a[0], b[0]) == ix && std::max(a[2], b[2]) == iy;
    }
};

// BoxesOverlap, inline for the grid's inner loops.
inline bool Overlap(double tol, const double* a, const double* b)
{
    return !(a[0] > b[2] + tol || a[2] < b[0] - tol || a[1] > b[3] + tol || a[3] < b[1] - tol);
}

// Every pair i < j of overlapping boxes of different groups once, in no particular order;
// true as soon as `visit` returns true.
template <class Visit>
bool VisitSelfPairs(const std::vector<const double*>& boxes, double tol, const std::vector<int>& group, Visit&& visit)
{
    const bool grouped = !group.empty();
    // Groups that never fall along the ids (boxes listed group by group): a cell's ids of
    // one group lie in one run, and the pairs of a box start after its run.
    const bool runs = grouped && std::is_sorted(group.begin(), group.end());
    BoxGrid g(boxes, tol);
    std::vector<int> loose;
    g.Fill(boxes, loose);
    for (int iy = 0; iy < g.grid.Ny(); ++iy)
        for (int ix = 0; ix < g.grid.Nx(); ++ix) {
            const auto [first, last] = g.Cell(ix, iy);
            const int* runEnd = first;
            for (const int* u = first; u != last; ++u) {
                const int i = *u;
                const double* bi = boxes[static_cast<std::size_t>(i)];
                const int gi = grouped ? group[static_cast<std::size_t>(i)] : 0;
                if (runs && runEnd <= u) {
                    runEnd = u + 1;
                    while (runEnd != last && group[static_cast<std::size_t>(*runEnd)] == gi)
                        ++runEnd;
                }
                for (const int* v = runs ? runEnd : u + 1; v != last; ++v) {
                    const int j = *v;  // ascending: cells are filled in order
                    if ((!grouped || group[static_cast<std::size_t>(j)] != gi) &&
                        Overlap(tol, bi, boxes[static_cast<std::size_t>(j)]) && g.Owns(i, j, ix, iy) && visit(i, j))
                        return true;
                }
            }
        }
    for (int i : loose)
        for (int j = 0; j < static_cast<int>(boxes.size()); ++j)
            if (j != i && (Placeable(boxes[j]) || j > i) && (!grouped || group[i] != group[j])) {
                const int a = std::min(i, j), b = std::max(i, j);
                if (Overlap(tol, boxes[a], boxes[b]) && visit(a, b))
                    return true;
            }
    return false;
}

// Sorts distinct pairs of ids below n by (first, second): bucketed by the first, each
// bucket's few seconds sorted.
void SortPairs(std::vector<std::pair<int, int>>& pairs, std::size_t n)
{
    std::vector<std::size_t> start(n + 1, 0);
    for (const auto& p : pairs)
        ++start[static_cast<std::size_t>(p.first) + 1];
    for (std::size_t i = 0; i < n; ++i)
        start[i + 1] += start[i];
    std::vector<int> second(pairs.size());
    std::vector<std::size_t> at(start.begin(), start.end() - 1);
    for (const auto& p : pairs)
        second[at[static_cast<std::size_t>(p.first)]++] = p.second;
    std::size_t k = 0;
    for (std::size_t i = 0; i < n; ++i) {
        std::sort(second.begin() + static_cast<std::ptrdiff_t>(start[i]), second.begin() + static_cast<std::ptrdiff_t>(start[i + 1]));
        for (std::size_t m = start[i]; m < start[i + 1]; ++m)
            pairs[k++] = {static_cast<int>(i), second[m]};
    }
}

}  // namespace

std::vector<std::pair<int, int>> SelfBoxPairs(const std::vector<const double*>& boxes, double tol)
{
    return SelfBoxPairs(boxes, tol, {});
}

bool ForSelfBoxPairs(const std::vector<const double*>& boxes, double tol, const std::vector<int>& group,
                     const std::function<bool(int, int)>& visit)
{
    return VisitSelfPairs(boxes, tol, group, visit);
}

std::vector<std::pair<int, int>> SelfBoxPairs(const std::vector<const double*>& boxes, double tol,
                                              const std::vector<int>& group)
{
    std::vector<std::pair<int, int>> out;
    VisitSelfPairs(boxes, tol, group, [&out](int i, int j) {
        out.push_back({i, j});
        return false;
    });
    SortPairs(out, boxes.size());
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
    std::vector<int> loose, looseA, looseB;
    g.Fill(all, loose);
    for (int i : loose)
        (i < na ? looseA : looseB).push_back(i < na ? i : i - na);
    for (int iy = 0; iy < g.grid.Ny(); ++iy)
        for (int ix = 0; ix < g.grid.Nx(); ++ix) {
            const auto [first, last] = g.Cell(ix, iy);
            const int* split = std::lower_bound(first, last, na);
            for (const int* u = first; u != split; ++u)
                for (const int* v = split; v != last; ++v)
                    if (Overlap(tol, all[*u], all[*v]) && g.Owns(*u, *v, ix, iy))
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
    SortPairs(out, a.size());
    return out;
}

}  // namespace smart
