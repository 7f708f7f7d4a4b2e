// Greedy nearest-start order of the combines of a path group, through a grid of the start
// points so that each pick looks at the starts near the reference, not at all of them.
#include "toolpath/contours/PathGroup.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace {

struct Start {
    double p[3];
    CPathCombine* combine;
};

// Start points by XY cell; picked points are taken out.
class StartGrid {
public:
    explicit StartGrid(const std::vector<Start>& starts) : m_starts(starts)
    {
        std::vector<size_t> ids(starts.size());
        for (size_t i = 0; i < ids.size(); ++i)
            ids[i] = i;
        Build(ids);
    }

    // The start nearest (3D) to p, the earliest on ties; it is taken out.
    size_t NearestCombineToPoint(const double* p)
    {
        const int cx = CellOf(p[0], 0), cy = CellOf(p[1], 1);
        double best = std::numeric_limits<double>::infinity();
        size_t bestId = m_starts.size();
        const int rings = std::max(m_n[0], m_n[1]);
        for (int k = 0; k <= rings; ++k) {
            // Starts in ring k + 1 and beyond lie at least k cells away in x or y.
            if (bestId < m_starts.size() && best < (k - 1) * m_cell)
                break;
            const auto visit = [&](int i, int j) {
                if (i < 0 || j < 0 || i >= m_n[0] || j >= m_n[1])
                    return;
                for (size_t id : m_cells[Index(i, j)]) {
                    const double* q = m_starts[id].p;
                    const double d = std::sqrt((q[0] - p[0]) * (q[0] - p[0]) + (q[1] - p[1]) * (q[1] - p[1]) +
                                               (q[2] - p[2]) * (q[2] - p[2]));
                    if (d < best || (d == best && id < bestId)) {
                        best = d;
                        bestId = id;
                    }
                }
            };
            // The cells of ring k only: its two rows, then its two columns between them.
            for (int i = cx - k; i <= cx + k; ++i) {
                visit(i, cy - k);
                if (k > 0)
                    visit(i, cy + k);
            }
            for (int j = cy - k + 1; j <= cy + k - 1; ++j) {
                visit(cx - k, j);
                if (k > 0)
                    visit(cx + k, j);
            }
        }
        Take(bestId);
        return bestId;
    }

    // The earliest start left.
    size_t First()
    {
        size_t first = m_starts.size();
        for (const std::vector<size_t>& cell : m_cells)
            for (size_t id : cell)
                first = std::min(first, id);
        Take(first);
        return first;
    }

    size_t Left() const { return m_left; }

private:
    int CellOf(double v, int c) const
    {
        const double f = (v - m_lo[c]) / m_cell;
        return std::isfinite(f) ? std::clamp(int(std::floor(f)), 0, m_n[c] - 1) : 0;
    }
    size_t Index(int i, int j) const { return size_t(j) * size_t(m_n[0]) + size_t(i); }

    void Take(size_t id)
    {
        if (id >= m_starts.size())
            return;
        std::vector<size_t>& cell = m_cells[Index(CellOf(m_starts[id].p[0], 0), CellOf(m_starts[id].p[1], 1))];
        cell.erase(std::find(cell.begin(), cell.end(), id));
        --m_left;
        // Searches cross empty cells: when few starts are left, a coarser grid of them.
        if (m_left > 0 && 4 * m_left < m_cells.size()) {
            std::vector<size_t> ids;
            for (const std::vector<size_t>& c : m_cells)
                ids.insert(ids.end(), c.begin(), c.end());
            Build(ids);
        }
    }

    // About one start per cell.
    void Build(const std::vector<size_t>& ids)
    {
        double lo[2] = {m_starts[ids[0]].p[0], m_starts[ids[0]].p[1]}, hi[2] = {lo[0], lo[1]};
        for (size_t id : ids)
            for (int c = 0; c < 2; ++c) {
                lo[c] = std::min(lo[c], m_starts[id].p[c]);
                hi[c] = std::max(hi[c], m_starts[id].p[c]);
            }
        const double n = double(ids.size());
        const double w = hi[0] - lo[0], h = hi[1] - lo[1];
        m_cell = std::max({std::sqrt(w * h / n), w / n, h / n, 1e-9});
        for (int c = 0; c < 2; ++c) {
            m_lo[c] = lo[c];
            m_n[c] = std::clamp(int((hi[c] - lo[c]) / m_cell) + 1, 1, int(n) + 1);
        }
        m_cells.assign(size_t(m_n[0]) * size_t(m_n[1]), {});
        for (size_t id : ids)
            m_cells[Index(CellOf(m_starts[id].p[0], 0), CellOf(m_starts[id].p[1], 1))].push_back(id);
        m_left = ids.size();
    }

    const std::vector<Start>& m_starts;
    double m_lo[2] = {0, 0};
    double m_cell = 1;
    int m_n[2] = {1, 1};
    std::vector<std::vector<size_t>> m_cells;
    size_t m_left = 0;
};

bool Finite(const double* p)
{
    return std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]);
}

// The end point of the combine's last entity.
bool EndOf(CPathCombine* c, double* out)
{
    return c->tail && c->tail->GetEndPoint(1, out) && Finite(out);
}

}  // namespace

void CPathGroup::OrderCombinesByNearest()
{
    if (!head || !head->next)
        return;
    std::vector<Start> starts;
    std::vector<CPathCombine*> without;
    for (CPathCombine* c = head->next; c; c = c->next) {
        Start s{{0, 0, 0}, c};
        if (c->head && c->head->GetEndPoint(0, s.p) && Finite(s.p))
            starts.push_back(s);
        else
            without.push_back(c);
    }
    std::vector<CPathCombine*> order = {head};
    if (!starts.empty()) {
        StartGrid grid(starts);
        double ref[3];
        bool haveRef = EndOf(head, ref);
        while (grid.Left() > 0) {
            const size_t id = haveRef ? grid.NearestCombineToPoint(ref) : grid.First();
            order.push_back(starts[id].combine);
            // A combine without an end point leaves the reference where it was.
            double e[3];
            if (EndOf(starts[id].combine, e)) {
                std::copy(e, e + 3, ref);
                haveRef = true;
            }
        }
    }
    order.insert(order.end(), without.begin(), without.end());
    for (size_t i = 0; i + 1 < order.size(); ++i)
        order[i]->next = order[i + 1];
    order.back()->next = nullptr;
    tail = order.back();
}
