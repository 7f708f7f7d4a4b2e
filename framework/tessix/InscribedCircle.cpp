#include "framework/tessix/InscribedCircle.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <queue>

namespace tessix {
namespace {

struct Segment {
    Pt a, b;
};

// Found by the benchmark over glyphs, stars and a polygon with many holes.
constexpr double kCellScale = 3.0;

// Segments of all rings with a uniform grid for nearest-distance queries and
// along the query's row of cells for the even-odd inside test.
class SegmentIndex {
public:
    explicit SegmentIndex(const std::vector<Ring>& rings)
    {
        for (const Ring& r : rings) AddRing(r);
        if (m_segs.empty()) return;
        m_x0 = m_y0 = std::numeric_limits<double>::max();
        double x1 = -m_x0, y1 = -m_y0;
        for (const Segment& s : m_segs)
            for (const Pt& p : {s.a, s.b}) {
                m_x0 = std::min(m_x0, p[0]);
                m_y0 = std::min(m_y0, p[1]);
                x1 = std::max(x1, p[0]);
                y1 = std::max(y1, p[1]);
            }
        m_w = x1 - m_x0;
        m_h = y1 - m_y0;
        // Cells a few times the side that would give one vertex each: long
        // segments pass through fewer cells, at little cost to the queries.
        const double side = std::max(m_w, m_h);
        const double n = static_cast<double>(m_segs.size());
        m_cell = std::max(std::sqrt(std::max(m_w * m_h, side * side * 1e-6) / n), side * 1e-6) * kCellScale;
        if (!(m_cell > 0)) m_cell = 1;
        m_cols = std::clamp(static_cast<int>(m_w / m_cell) + 1, 1, 4096);
        m_rows = std::clamp(static_cast<int>(m_h / m_cell) + 1, 1, 4096);
        m_cellW = m_w / m_cols > 0 ? m_w / m_cols : m_cell;
        m_cellH = m_h / m_rows > 0 ? m_h / m_rows : m_cell;
        Bucket();
        m_stamp.assign(m_segs.size(), 0);
    }

    bool Empty() const { return m_segs.empty(); }
    double X0() const { return m_x0; }
    double Y0() const { return m_y0; }
    double Width() const { return m_w; }
    double Height() const { return m_h; }

    // Signed distance to the nearest segment: positive inside, negative outside.
    double SignedDistance(const Pt& p)
    {
        const double d = std::sqrt(NearestSquared(p));
        return Inside(p) ? d : -d;
    }

private:
    void AddRing(const Ring& r)
    {
        std::size_t n = r.size();
        while (n > 1 && r[n - 1] == r[0]) --n;
        if (n < 3) return;
        for (std::size_t i = 0; i < n; ++i) {
            const Pt& a = r[i];
            const Pt& b = r[(i + 1) % n];
            if (a != b) m_segs.push_back({a, b});
        }
    }

    int Col(double x) const { return std::clamp(static_cast<int>(std::floor((x - m_x0) / m_cellW)), 0, m_cols - 1); }
    int Row(double y) const { return std::clamp(static_cast<int>(std::floor((y - m_y0) / m_cellH)), 0, m_rows - 1); }

    // Calls f(row, column) for every cell the segment passes through: in each row
    // of its y-range, the columns of the part of the segment inside the row's slab,
    // widened by a hair so that rounding never drops a cell the segment touches.
    template <class F>
    void ForCells(const Segment& s, F&& f) const
    {
        const double dy = s.b[1] - s.a[1];
        const int r0 = Row(std::min(s.a[1], s.b[1])), r1 = Row(std::max(s.a[1], s.b[1]));
        const double hair = 1e-9 * std::max(m_cellW, 1e-300) + 1e-12 * std::fabs(m_x0);
        for (int r = r0; r <= r1; ++r) {
            double xa = std::min(s.a[0], s.b[0]), xb = std::max(s.a[0], s.b[0]);
            if (r0 != r1 && dy != 0) {
                const double hy = 1e-9 * m_cellH;
                const double y0 = std::max(m_y0 + r * m_cellH - hy, std::min(s.a[1], s.b[1]));
                const double y1 = std::min(m_y0 + (r + 1) * m_cellH + hy, std::max(s.a[1], s.b[1]));
                const double t0 = (y0 - s.a[1]) / dy, t1 = (y1 - s.a[1]) / dy;
                const double x0 = s.a[0] + t0 * (s.b[0] - s.a[0]), x1 = s.a[0] + t1 * (s.b[0] - s.a[0]);
                xa = std::max(xa, std::min(x0, x1));
                xb = std::min(xb, std::max(x0, x1));
            }
            for (int c = Col(xa - hair); c <= Col(xb + hair); ++c) f(r, c);
        }
    }

    void Bucket()
    {
        // Counting sort of segment ids into the cells they pass through.
        std::vector<int> cellCount(static_cast<std::size_t>(m_cols) * m_rows + 1, 0);
        for (const Segment& s : m_segs)
            ForCells(s, [&](int r, int c) { ++cellCount[static_cast<std::size_t>(r) * m_cols + c + 1]; });
        for (std::size_t i = 1; i < cellCount.size(); ++i) cellCount[i] += cellCount[i - 1];
        m_cellStart = cellCount;
        m_cellIds.resize(static_cast<std::size_t>(cellCount.back()));
        for (std::size_t i = 0; i < m_segs.size(); ++i) {
            const int id = static_cast<int>(i);
            ForCells(m_segs[i], [&](int r, int c) { m_cellIds[cellCount[static_cast<std::size_t>(r) * m_cols + c]++] = id; });
        }
    }

    static double SegmentDistSq(const Pt& p, const Segment& s)
    {
        const double ex = s.b[0] - s.a[0], ey = s.b[1] - s.a[1];
        const double px = p[0] - s.a[0], py = p[1] - s.a[1];
        const double len2 = ex * ex + ey * ey;
        double t = len2 > 0 ? (px * ex + py * ey) / len2 : 0;
        t = std::clamp(t, 0.0, 1.0);
        const double dx = px - t * ex, dy = py - t * ey;
        return dx * dx + dy * dy;
    }

    // Even-odd crossings of the horizontal ray from p towards the nearer side of the
    // grid, through the cells of p's row. A crossing is counted only in the cell that
    // holds it, so a segment listed in several cells counts once.
    bool Inside(const Pt& p) const
    {
        if (p[1] < m_y0 || p[1] > m_y0 + m_h) return false;
        const int r = Row(p[1]), pc = Col(p[0]);
        const bool right = pc >= m_cols / 2;
        bool inside = false;
        for (int c = pc; c >= 0 && c < m_cols; c += right ? 1 : -1) {
            const std::size_t cell = static_cast<std::size_t>(r) * m_cols + c;
            for (int k = m_cellStart[cell]; k < m_cellStart[cell + 1]; ++k) {
                const Segment& s = m_segs[static_cast<std::size_t>(m_cellIds[k])];
                if ((s.a[1] > p[1]) == (s.b[1] > p[1])) continue;
                double x = s.a[0] + (p[1] - s.a[1]) * (s.b[0] - s.a[0]) / (s.b[1] - s.a[1]);
                x = std::clamp(x, std::min(s.a[0], s.b[0]), std::max(s.a[0], s.b[0]));
                if (Col(x) != c) continue;
                if (right ? x > p[0] : x <= p[0]) inside = !inside;
            }
        }
        return inside;
    }

    // Squared distance to the nearest segment: the cells are searched in square rings
    // about p's cell until no unsearched cell can hold a nearer segment.
    double NearestSquared(const Pt& p)
    {
        if (++m_query == 0) {
            std::fill(m_stamp.begin(), m_stamp.end(), 0);
            m_query = 1;
        }
        const int pc = Col(p[0]), pr = Row(p[1]);
        double best = std::numeric_limits<double>::max();
        const int maxRing = std::max({pc, m_cols - 1 - pc, pr, m_rows - 1 - pr});
        for (int k = 0; k <= maxRing; ++k) {
            const int c0 = pc - k, c1 = pc + k, r0 = pr - k, r1 = pr + k;
            auto visit = [&](int r, int c) {
                const std::size_t cell = static_cast<std::size_t>(r) * m_cols + c;
                for (int q = m_cellStart[cell]; q < m_cellStart[cell + 1]; ++q) {
                    const int id = m_cellIds[q];
                    if (m_stamp[id] == m_query) continue;
                    m_stamp[id] = m_query;
                    best = std::min(best, SegmentDistSq(p, m_segs[static_cast<std::size_t>(id)]));
                }
            };
            const int cl = std::max(c0, 0), cr = std::min(c1, m_cols - 1);
            for (int r = std::max(r0, 0); r <= std::min(r1, m_rows - 1); ++r) {
                if (r == r0 || r == r1) {
                    for (int c = cl; c <= cr; ++c) visit(r, c);
                } else {
                    if (c0 >= 0) visit(r, c0);
                    if (c1 < m_cols && c1 != c0) visit(r, c1);
                }
            }
            // Distance from p to the outside of the searched block of cells.
            const double bx0 = m_x0 + std::max(c0, 0) * m_cellW, bx1 = m_x0 + (std::min(c1, m_cols - 1) + 1) * m_cellW;
            const double by0 = m_y0 + std::max(r0, 0) * m_cellH, by1 = m_y0 + (std::min(r1, m_rows - 1) + 1) * m_cellH;
            double reach = std::numeric_limits<double>::max();
            if (c0 > 0) reach = std::min(reach, p[0] - bx0);
            if (c1 < m_cols - 1) reach = std::min(reach, bx1 - p[0]);
            if (r0 > 0) reach = std::min(reach, p[1] - by0);
            if (r1 < m_rows - 1) reach = std::min(reach, by1 - p[1]);
            if (reach == std::numeric_limits<double>::max()) break;  // the whole grid is searched
            if (reach > 0 && best <= reach * reach) break;
        }
        return best;
    }

    std::vector<Segment> m_segs;
    double m_x0 = 0, m_y0 = 0, m_w = 0, m_h = 0, m_cell = 1, m_cellW = 1, m_cellH = 1;
    int m_cols = 1, m_rows = 1;
    std::vector<int> m_cellStart, m_cellIds;
    std::vector<std::uint32_t> m_stamp;
    std::uint32_t m_query = 0;
};

struct Cell {
    double x, y, half, dist, max;
};

struct ByMax {
    bool operator()(const Cell& a, const Cell& b) const { return a.max < b.max; }
};

Cell MakeCell(SegmentIndex& index, double x, double y, double half)
{
    const double d = index.SignedDistance({x, y});
    return {x, y, half, d, d + half * std::sqrt(2.0)};
}

bool Finite(const std::vector<Ring>& rings)
{
    for (const Ring& r : rings)
        for (const Pt& p : r)
            if (!std::isfinite(p[0]) || !std::isfinite(p[1])) return false;
    return true;
}

}  // namespace

double PrecisionFor(double boxWidth, double boxHeight)
{
    return std::max(kAbsPrecision, kRelPrecision * std::max(boxWidth, boxHeight));
}

Circle MaxInscribedCircle(const std::vector<Ring>& rings)
{
    if (!Finite(rings)) return {};
    SegmentIndex index(rings);
    if (index.Empty()) return {};
    const double w = index.Width(), h = index.Height();
    if (!(w > 0) || !(h > 0)) return {};
    const double precision = PrecisionFor(w, h);

    // Start from square cells covering the box.
    const double size = std::min(w, h);
    const double half = size / 2;
    std::priority_queue<Cell, std::vector<Cell>, ByMax> queue;
    for (double x = index.X0(); x < index.X0() + w; x += size)
        for (double y = index.Y0(); y < index.Y0() + h; y += size) queue.push(MakeCell(index, x + half, y + half, half));

    // The box centre is a first guess that a thin shape's cells may not beat early.
    Cell best = MakeCell(index, index.X0() + w / 2, index.Y0() + h / 2, 0);
    while (!queue.empty()) {
        const Cell cell = queue.top();
        queue.pop();
        if (cell.dist > best.dist) best = cell;
        if (cell.max - best.dist <= precision) break;  // no cell left can beat best by more
        const double q = cell.half / 2;
        for (const double dx : {-q, q})
            for (const double dy : {-q, q}) queue.push(MakeCell(index, cell.x + dx, cell.y + dy, q));
    }
    if (!(best.dist > 0)) return {};
    return {best.dist, {best.x, best.y}};
}

}  // namespace tessix
