// Smallest value of a function of one parameter by dense scanning, the best
// sample refined by a ternary search between its neighbours: the oracle of
// nearest-point distances to curves in tests.
#pragma once

#include <algorithm>

namespace scanmin {

template <class F>
double ScanMinimum(F&& f, double a, double b, int samples)
{
    const double step = (b - a) / samples;
    double bestT = a, best = f(a);
    for (int i = 1; i <= samples; ++i) {
        const double t = a + step * i;
        const double v = f(t);
        if (v < best) {
            best = v;
            bestT = t;
        }
    }
    double lo = std::max(a, bestT - step), hi = std::min(b, bestT + step);
    for (int i = 0; i < 60; ++i) {
        const double m1 = lo + (hi - lo) / 3, m2 = hi - (hi - lo) / 3;
        if (f(m1) < f(m2))
            hi = m2;
        else
            lo = m1;
    }
    return std::min(best, f(0.5 * (lo + hi)));
}

}  // namespace scanmin
