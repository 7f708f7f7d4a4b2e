// Distance oracles for fitted and traced splines, evaluated straight from the
// control points (Bernstein form), independent of the curve classes.
#pragma once

#include "testing/ScanMinimum.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <vector>

namespace splinetest {

using Pt = std::array<double, 2>;
using Cubic = std::array<Pt, 4>;

inline Pt CubicAt(const Cubic& c, double t)
{
    const double s = 1 - t;
    const double b[4] = {s * s * s, 3 * t * s * s, 3 * t * t * s, t * t * t};
    Pt p{0, 0};
    for (int k = 0; k < 4; ++k) {
        p[0] += b[k] * c[static_cast<std::size_t>(k)][0];
        p[1] += b[k] * c[static_cast<std::size_t>(k)][1];
    }
    return p;
}

inline double Dist(const Pt& a, const Pt& b) { return std::hypot(a[0] - b[0], a[1] - b[1]); }

// Distance from p to one cubic.
inline double DistToCubic(const Cubic& c, const Pt& p, int samples = 64)
{
    return scanmin::ScanMinimum([&](double t) { return Dist(CubicAt(c, t), p); }, 0.0, 1.0, samples);
}

// Distance from p to a chain of cubics; the cubics' boxes skip far pieces.
inline double DistToCubics(const std::vector<Cubic>& cubics, const Pt& p)
{
    double best = std::numeric_limits<double>::infinity();
    for (const Cubic& c : cubics) {
        // The control polygon's box holds the curve: a point farther than the
        // best distance from that box cannot improve it.
        double bx = 0, by = 0;
        const auto [xmin, xmax] = std::minmax({c[0][0], c[1][0], c[2][0], c[3][0]});
        const auto [ymin, ymax] = std::minmax({c[0][1], c[1][1], c[2][1], c[3][1]});
        if (p[0] < xmin) bx = xmin - p[0];
        if (p[0] > xmax) bx = p[0] - xmax;
        if (p[1] < ymin) by = ymin - p[1];
        if (p[1] > ymax) by = p[1] - ymax;
        if (std::hypot(bx, by) >= best) continue;
        best = std::min(best, DistToCubic(c, p));
    }
    return best;
}

// Dense samples of a chain of cubics, `per` points per cubic after its start.
inline std::vector<Pt> SampleCubics(const std::vector<Cubic>& cubics, int per)
{
    std::vector<Pt> out;
    for (const Cubic& c : cubics) {
        if (out.empty()) out.push_back(c[0]);
        for (int i = 1; i <= per; ++i) out.push_back(CubicAt(c, static_cast<double>(i) / per));
    }
    return out;
}

}  // namespace splinetest
