// Oracles for the Bezier spline tests: de Casteljau evaluation written here,
// independent of the spline's own evaluation and of the maths library, and a
// random spline maker with a fixed seed.
#pragma once

#include "geometry/shapes2d/GeBezier.h"

#include <cmath>
#include <random>
#include <vector>

namespace beztest {

struct Pt {
    double x, y;
};

// Point at t of the cubic with the four control points, by de Casteljau.
inline Pt DeCasteljau(const Pt* c, double t)
{
    Pt a[4] = {c[0], c[1], c[2], c[3]};
    for (int r = 3; r > 0; --r)
        for (int i = 0; i < r; ++i) a[i] = {a[i].x + (a[i + 1].x - a[i].x) * t, a[i].y + (a[i + 1].y - a[i].y) * t};
    return a[0];
}

inline std::vector<Pt> Nodes(const CGeBezier& b)
{
    std::vector<Pt> out;
    for (unsigned i = 0; i < b.GetNodeCount(); ++i) out.push_back({b.GetNodes()[i].x, b.GetNodes()[i].y});
    return out;
}

// Point at (t, k) of the spline given by its node positions.
inline Pt SplinePoint(const std::vector<Pt>& nodes, unsigned k, double t) { return DeCasteljau(&nodes[3 * (k - 1)], t); }

// n samples per segment (ends included) of every segment, in order.
inline std::vector<Pt> DenseSamples(const std::vector<Pt>& nodes, int n)
{
    std::vector<Pt> out;
    const unsigned s = static_cast<unsigned>((nodes.size() - 1) / 3);
    for (unsigned k = 1; k <= s; ++k)
        for (int i = 0; i <= n; ++i) out.push_back(SplinePoint(nodes, k, double(i) / n));
    return out;
}

inline double SegDist(Pt p, Pt a, Pt b)
{
    const double dx = b.x - a.x, dy = b.y - a.y, l2 = dx * dx + dy * dy;
    double s = l2 > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / l2 : 0.0;
    s = s < 0 ? 0 : (s > 1 ? 1 : s);
    return std::hypot(p.x - a.x - s * dx, p.y - a.y - s * dy);
}

// Distance from p to the polyline pts[from..to].
inline double PolylineDist(Pt p, const double (*pts)[2], int from, int to)
{
    double best = 1e300;
    if (from == to) return std::hypot(p.x - pts[from][0], p.y - pts[from][1]);
    for (int i = from; i < to; ++i)
        best = std::min(best, SegDist(p, {pts[i][0], pts[i][1]}, {pts[i + 1][0], pts[i + 1][1]}));
    return best;
}

// A connected random spline of s segments within [0, size]^2.
inline std::vector<Pt> RandomNodes(std::mt19937& rng, int s, double size)
{
    std::uniform_real_distribution<double> u(0.0, size);
    std::vector<Pt> out(3 * s + 1);
    for (auto& p : out) p = {u(rng), u(rng)};
    return out;
}

inline bool MakeSpline(CGeBezier& b, std::vector<Pt> nodes)
{
    return b.CreateEx(static_cast<unsigned>(nodes.size()), reinterpret_cast<double(*)[2]>(nodes.data())) == 1;
}

}  // namespace beztest
