// Dense-sampling oracles for the 3D curve tests.
#pragma once

#include "framework/numerak/Bcrv.h"
#include "framework/numerak/Point3D.h"

#include <algorithm>
#include <cmath>

namespace shapes3d_test {

// Distance from p to the record's curve: the best of dense samples, refined by a
// ternary search around it.
inline double DistToCurve(const BCRV* c, const double* p, int samples = 500)
{
    const double a = c->U[c->k - 1], b = c->U[c->n];
    auto dist = [&](double t) {
        double q[3];
        BCRV_EvPos(c, t, q);
        return P3D_Dist(p, q);
    };
    double bestT = a, best = dist(a);
    for (int i = 1; i <= samples; ++i) {
        const double t = a + (b - a) * i / samples;
        const double d = dist(t);
        if (d < best) {
            best = d;
            bestT = t;
        }
    }
    double lo = std::max(a, bestT - (b - a) / samples), hi = std::min(b, bestT + (b - a) / samples);
    for (int i = 0; i < 60; ++i) {
        const double m1 = lo + (hi - lo) / 3, m2 = hi - (hi - lo) / 3;
        if (dist(m1) < dist(m2))
            hi = m2;
        else
            lo = m1;
    }
    return std::min(best, dist(0.5 * (lo + hi)));
}

}  // namespace shapes3d_test
