// The segment crossing of SegSegIntersect as inline code, for the exported entry points
// and for callers in this library that meet many segments (calls between exported
// functions of a shared library are not inlined).
#pragma once

#include "toolpath/contours/SectIntersect.h"
#include "toolpath/contours/SmartConst.h"

#include <cmath>

namespace smart::seg {

inline bool UnitRange(double s) { return -kUnitRangeTol < s && s - 1 < kUnitRangeTol; }

inline SegDirection Direction(const double* c, const double* d)
{
    SegDirection v;
    const double vx0 = d[0] - c[0], vy0 = d[1] - c[1];
    const double M2 = vx0 * vx0 + vy0 * vy0;
    v.valid = M2 >= kMinSegmentSq;
    if (!v.valid)
        return v;
    v.M = std::sqrt(M2);
    v.vx = vx0 / v.M;
    v.vy = vy0 / v.M;
    return v;
}

inline int Crossing(const double* c, double (*out)[2], const double* a, const double* b, const double* d,
                    const SegDirection& v)
{
    const double ux0 = b[0] - a[0], uy0 = b[1] - a[1];
    const double L2 = ux0 * ux0 + uy0 * uy0;
    if (!(L2 >= kMinSegmentSq) || !v.valid)
        return 0;
    const double L = std::sqrt(L2), M = v.M;
    const double ux = ux0 / L, uy = uy0 / L, vx = v.vx, vy = v.vy;
    const double k = ux * vy - uy * vx;
    const double acx = c[0] - a[0], acy = c[1] - a[1];
    if (std::fabs(k) >= kParallelSine) {
        // Position along a-b from the cross products, without forming the lines' equations.
        const double s = (acx * vy - acy * vx) / k;
        out[0][0] = a[0] + s * ux;
        out[0][1] = a[1] + s * uy;
        const double tv = ((out[0][0] - c[0]) * vx + (out[0][1] - c[1]) * vy) / M;
        return (UnitRange(s / L) && UnitRange(tv)) ? 1 : 0;
    }
    if (std::fabs(ux * acy - uy * acx) >= kCollinearDist)
        return 0;
    const double s = ux * acx + uy * acy;
    const double e = ux * (d[0] - a[0]) + uy * (d[1] - a[1]);
    if ((s < 0 && e < 0) || (s > L && e > L))
        return 0;
    auto set = [&](int i, const double* p) {
        out[i][0] = p[0];
        out[i][1] = p[1];
    };
    if (s >= 0 && s <= L) {
        set(0, c);
        set(1, e < 0 ? a : (e < L ? d : b));
    } else if (e >= 0 && e <= L) {
        set(0, d);
        set(1, s < 0 ? a : (s < L ? c : b));
    } else {
        set(0, a);
        set(1, b);
    }
    return 2;
}

}  // namespace smart::seg
