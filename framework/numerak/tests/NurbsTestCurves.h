#pragma once
// Curves and oracles shared by the NURBS tests.

#include "framework/numerak/Bcrv.h"

#include <cmath>
#include <memory>
#include <vector>

namespace nurbs_test {

struct Freer {
    void operator()(BCRV* c) const { BCRV_Free(c); }
};
using Curve = std::unique_ptr<BCRV, Freer>;

// A 3D curve of order k with n control points on a wavy helix, weights
// varying when rational, and uneven inner knots (one of them double).
inline Curve Wavy(int k, int n, bool rational)
{
    Curve c(BCRV_New(k, n));
    if (!c)
        return c;
    for (int i = 0; i < n; ++i) {
        const double a = 0.7 * i;
        const double p[3] = {3.0 * std::cos(a) + 0.3 * i, 2.0 * std::sin(a), 0.5 * i + std::sin(2.0 * a)};
        const double w = rational ? 0.6 + 0.5 * std::fabs(std::sin(1.3 * i + 0.4)) : 1.0;
        c->SetCtrlPt(i, p, w);
    }
    const int inner = n - k;
    double u = 0.0;
    std::vector<double> steps;
    for (int j = 0; j <= inner; ++j)
        steps.push_back(1.0 + 0.8 * std::sin(2.1 * j + 0.3) * std::sin(2.1 * j + 0.3));
    double total = 0.0;
    for (double s : steps)
        total += s;
    for (int j = 1; j <= inner; ++j) {
        u += steps[j - 1] / total;
        c->U[k - 1 + j] = u;
    }
    if (inner >= 3 && k >= 3)
        c->U[k + 1] = c->U[k];  // a double inner knot
    return c;
}

inline double Dist(const double* a, const double* b)
{
    return std::sqrt((a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) + (a[2] - b[2]) * (a[2] - b[2]));
}

// Largest distance between a(t) and b(map(t)) over dense samples of [0, 1].
template <class Map>
double MaxGap(const BCRV* a, const BCRV* b, Map map, int samples = 2001)
{
    double worst = 0.0;
    for (int i = 0; i < samples; ++i) {
        const double t = static_cast<double>(i) / (samples - 1);
        double pa[3], pb[3];
        if (!BCRV_EvPos(a, t, pa) || !BCRV_EvPos(b, map(t), pb))
            return INFINITY;
        worst = std::fmax(worst, Dist(pa, pb));
    }
    return worst;
}

inline double MaxGap(const BCRV* a, const BCRV* b)
{
    return MaxGap(a, b, [](double t) { return t; });
}

}  // namespace nurbs_test
