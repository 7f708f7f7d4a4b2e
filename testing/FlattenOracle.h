// Crossing oracle for curve intersection tests: each curve is flattened into a
// fine polyline from its own evaluation (never from the code under test), the
// two polylines are crossed segment by segment, and crossings closer than a
// merge distance become one point. The segment crossing itself is a callback,
// so a test can cross in plain doubles or exactly with a peer library.
#pragma once

#include <algorithm>
#include <cmath>
#include <functional>
#include <optional>
#include <vector>

namespace oracle {

struct Pt {
    double x = 0.0, y = 0.0;
};

inline double Dist(Pt a, Pt b) { return std::hypot(a.x - b.x, a.y - b.y); }

// Distance of p from the chord a-b (from a when the chord is a point).
inline double ChordDist(Pt p, Pt a, Pt b)
{
    const double dx = b.x - a.x, dy = b.y - a.y, len = std::hypot(dx, dy);
    if (len == 0.0) return Dist(p, a);
    return std::fabs(dx * (p.y - a.y) - dy * (p.x - a.x)) / len;
}

// Distance of p from the segment a-b (the nearer end beyond its ends).
inline double SegmentDist(Pt p, Pt a, Pt b)
{
    const double dx = b.x - a.x, dy = b.y - a.y, len2 = dx * dx + dy * dy;
    const double u = len2 > 0.0 ? std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / len2, 0.0, 1.0) : 0.0;
    return Dist(p, {a.x + u * dx, a.y + u * dy});
}

// Appends the flattening of eval over [t0, t1] (without its first point) until
// the chord holds the curve within tol at three inner samples.
inline void FlattenRange(const std::function<Pt(double)>& eval, double t0, Pt p0, double t1, Pt p1, double tol,
                         int depth, std::vector<Pt>& out)
{
    const double tm = 0.5 * (t0 + t1);
    const Pt pm = eval(tm);
    bool flat = depth >= 40;
    if (!flat) {
        const Pt q1 = eval(0.5 * (t0 + tm)), q3 = eval(0.5 * (tm + t1));
        flat = ChordDist(pm, p0, p1) <= tol && ChordDist(q1, p0, p1) <= tol && ChordDist(q3, p0, p1) <= tol &&
               std::min({Dist(pm, p0), Dist(pm, p1)}) > 0.0;
    }
    if (flat) {
        out.push_back(p1);
        return;
    }
    FlattenRange(eval, t0, p0, tm, pm, tol, depth + 1, out);
    FlattenRange(eval, tm, pm, t1, p1, tol, depth + 1, out);
}

// Polyline of eval over [0, 1] within tol, started from `pieces` equal steps so
// that loops and turns of the curve are not skipped.
inline std::vector<Pt> Flatten(const std::function<Pt(double)>& eval, double tol, int pieces = 16)
{
    std::vector<Pt> out;
    Pt prev = eval(0.0);
    out.push_back(prev);
    for (int i = 1; i <= pieces; ++i) {
        const double t0 = double(i - 1) / pieces, t1 = double(i) / pieces;
        const Pt next = eval(t1);
        FlattenRange(eval, t0, prev, t1, next, tol, 0, out);
        prev = next;
    }
    return out;
}

using Crosser = std::function<std::optional<Pt>(Pt a0, Pt a1, Pt b0, Pt b1)>;

// Crossing of two segments in doubles (ends included), or none; parallel
// segments give none.
inline std::optional<Pt> CrossInDoubles(Pt p, Pt p1, Pt q, Pt q1)
{
    const Pt r{p1.x - p.x, p1.y - p.y}, s{q1.x - q.x, q1.y - q.y};
    const double den = r.x * s.y - r.y * s.x;
    if (den == 0.0) return std::nullopt;
    const double u = ((q.x - p.x) * s.y - (q.y - p.y) * s.x) / den;
    const double v = ((q.x - p.x) * r.y - (q.y - p.y) * r.x) / den;
    if (u < 0.0 || u > 1.0 || v < 0.0 || v > 1.0) return std::nullopt;
    return Pt{p.x + u * r.x, p.y + u * r.y};
}

// Adds p to pts unless a point within merge is there already.
inline void AddClustered(std::vector<Pt>& pts, Pt p, double merge)
{
    for (const Pt& q : pts)
        if (Dist(p, q) < merge) return;
    pts.push_back(p);
}

// Crossings of polylines a and b (each a list of vertices), clustered within
// merge. Candidate segment pairs come from a uniform grid over b.
inline std::vector<Pt> PolylineCrossings(const std::vector<Pt>& a, const std::vector<Pt>& b, double merge,
                                         const Crosser& cross = CrossInDoubles)
{
    std::vector<Pt> hits;
    if (a.size() < 2 || b.size() < 2) return hits;
    double x0 = b[0].x, y0 = b[0].y, x1 = x0, y1 = y0;
    for (const Pt& p : b) {
        x0 = std::min(x0, p.x), y0 = std::min(y0, p.y);
        x1 = std::max(x1, p.x), y1 = std::max(y1, p.y);
    }
    constexpr int kCells = 256;
    const double eps = 1e-9 * (1.0 + std::max(x1 - x0, y1 - y0));
    x0 -= eps, y0 -= eps, x1 += eps, y1 += eps;
    const double cw = (x1 - x0) / kCells, ch = (y1 - y0) / kCells;
    // Clamped before the conversion: a flat b makes the cells tiny.
    auto cellX = [&](double x) { return int(std::clamp((x - x0) / cw, 0.0, kCells - 1.0)); };
    auto cellY = [&](double y) { return int(std::clamp((y - y0) / ch, 0.0, kCells - 1.0)); };
    std::vector<std::vector<int>> grid(kCells * kCells);
    for (size_t j = 0; j + 1 < b.size(); ++j)
        for (int gx = cellX(std::min(b[j].x, b[j + 1].x)); gx <= cellX(std::max(b[j].x, b[j + 1].x)); ++gx)
            for (int gy = cellY(std::min(b[j].y, b[j + 1].y)); gy <= cellY(std::max(b[j].y, b[j + 1].y)); ++gy)
                grid[gx * kCells + gy].push_back(int(j));
    std::vector<size_t> seen(b.size(), size_t(-1));
    for (size_t i = 0; i + 1 < a.size(); ++i) {
        const double ax0 = std::min(a[i].x, a[i + 1].x), ax1 = std::max(a[i].x, a[i + 1].x);
        const double ay0 = std::min(a[i].y, a[i + 1].y), ay1 = std::max(a[i].y, a[i + 1].y);
        if (ax1 < x0 || ax0 > x1 || ay1 < y0 || ay0 > y1) continue;
        for (int gx = cellX(ax0); gx <= cellX(ax1); ++gx)
            for (int gy = cellY(ay0); gy <= cellY(ay1); ++gy)
                for (int j : grid[gx * kCells + gy]) {
                    if (seen[j] == i) continue;
                    seen[j] = i;
                    if (const auto x = cross(a[i], a[i + 1], b[j], b[j + 1])) AddClustered(hits, *x, merge);
                }
    }
    return hits;
}

}  // namespace oracle
