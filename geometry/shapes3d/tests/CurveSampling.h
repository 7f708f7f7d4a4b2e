// Dense-sampling oracles for the 3D curve tests.
#pragma once

#include "framework/numerak/Bcrv.h"
#include "framework/numerak/Point3D.h"
#include "testing/ScanMinimum.h"

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
    return scanmin::ScanMinimum(dist, a, b, samples);
}

}  // namespace shapes3d_test
