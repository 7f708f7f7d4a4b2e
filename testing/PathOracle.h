// Sampling oracle of path entities rebuilt from their fields: the point at a fraction
// of the XY length (of the sweep for arcs, whose helix rises evenly with the angle).
#pragma once

#include "toolpath/contours/PathEntity.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <vector>

namespace pathtest {

using P3 = std::array<double, 3>;

inline P3 Lerp(const double* a, const double* b, double f)
{
    return {a[0] + f * (b[0] - a[0]), a[1] + f * (b[1] - a[1]), a[2] + f * (b[2] - a[2])};
}

// A new arc (a helix when pitch is not 0) of the given plane.
inline CPathArc3D* NewArc(int plane, P3 c, double r, double a0, double a1, double pitch)
{
    auto* a = new CPathArc3D;
    a->plane = std::int8_t(plane);
    for (int i = 0; i < 3; ++i) a->centre[i] = c[i];
    a->radius = r;
    a->startAngle = a0;
    a->endAngle = a1;
    a->pitch = pitch;
    return a;
}

inline double Dist(const P3& a, const P3& b) { return std::hypot(a[0] - b[0], a[1] - b[1], a[2] - b[2]); }

// The closed-form arc or helix: plane basis (u, v) and height axis h.
inline P3 ArcPoint(const CPathArc3D& a, double t)
{
    static const double planes[3][3][3] = {{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}},
                                           {{0, 1, 0}, {0, 0, 1}, {1, 0, 0}},
                                           {{0, 0, 1}, {1, 0, 0}, {0, 1, 0}}};
    const double* u;
    const double* v;
    const double* h;
    if (a.plane >= 0 && a.plane <= 2) {
        u = planes[a.plane][0];
        v = planes[a.plane][1];
        h = planes[a.plane][2];
    } else {
        u = &a.frame[0];
        v = &a.frame[3];
        h = &a.frame[6];
    }
    const double ang = a.startAngle + t * (a.endAngle - a.startAngle);
    P3 p;
    for (int i = 0; i < 3; ++i)
        p[i] = a.centre[i] + a.radius * (std::cos(ang) * u[i] + std::sin(ang) * v[i]) + t * a.pitch * h[i];
    return p;
}

inline P3 Sample(const CPathEntity& e, double t)
{
    if (e.type == pathc::kTypeLine) {
        const auto& l = static_cast<const CPathLine3D&>(e);
        return Lerp(l.start, l.end, t);
    }
    if (e.type == pathc::kTypeArc) return ArcPoint(static_cast<const CPathArc3D&>(e), t);
    const auto& pl = static_cast<const CPathPLine3D&>(e);
    const int m = pl.count + 1;
    double total = 0;
    for (int i = 1; i < m; ++i) total += std::hypot(pl.points[i][0] - pl.points[i - 1][0], pl.points[i][1] - pl.points[i - 1][1]);
    double want = t * total, acc = 0;
    for (int i = 1; i < m; ++i) {
        const double l = std::hypot(pl.points[i][0] - pl.points[i - 1][0], pl.points[i][1] - pl.points[i - 1][1]);
        if (acc + l >= want && l > 0) return Lerp(pl.points[i - 1], pl.points[i], (want - acc) / l);
        acc += l;
    }
    return {pl.points[m - 1][0], pl.points[m - 1][1], pl.points[m - 1][2]};
}

// The entity as a chain of points: its vertices, or dense samples of an arc.
inline std::vector<P3> Chain(const CPathEntity& e, int n = 4000)
{
    std::vector<P3> v;
    if (e.type == pathc::kTypePLine) {
        const auto& pl = static_cast<const CPathPLine3D&>(e);
        for (int i = 0; i <= pl.count; ++i) v.push_back({pl.points[i][0], pl.points[i][1], pl.points[i][2]});
        return v;
    }
    if (e.type == pathc::kTypeLine) n = 1;
    for (int i = 0; i <= n; ++i) v.push_back(Sample(e, double(i) / n));
    return v;
}

// Distance of p from the chain of samples (segment by segment).
inline double DistToChain(const P3& p, const std::vector<P3>& c)
{
    double best = std::numeric_limits<double>::max();
    for (std::size_t i = 0; i + 1 < c.size(); ++i) {
        const P3& a = c[i];
        const P3& b = c[i + 1];
        double ab[3], ap[3], dd = 0, dot = 0;
        for (int k = 0; k < 3; ++k) {
            ab[k] = b[k] - a[k];
            ap[k] = p[k] - a[k];
            dd += ab[k] * ab[k];
            dot += ab[k] * ap[k];
        }
        const double f = dd > 0 ? std::clamp(dot / dd, 0.0, 1.0) : 0.0;
        best = std::min(best, Dist(p, Lerp(a.data(), b.data(), f)));
    }
    if (c.size() == 1) best = Dist(p, c[0]);
    return best;
}

}  // namespace pathtest
