// Point helpers shared by the line and the arc. Internal to the shapes library.
#pragma once

#include "framework/numerak/Point2D.h"

namespace curvept {

inline void Copy2(double* to, const double* from)
{
    to[0] = from[0];
    to[1] = from[1];
}

// Nearest point of p on a curve from s to e when no foot lies on the curve:
// the nearer end, with its parameter (0 or 1) and distance; the end wins a tie.
inline void NearerEnd(const double* p, const double* s, const double* e, double* out, double& t, double& dist)
{
    const double toStart = P2D_Dist(p, s), toEnd = P2D_Dist(p, e);
    if (toEnd <= toStart) {
        Copy2(out, e);
        t = 1.0;
        dist = toEnd;
    } else {
        Copy2(out, s);
        t = 0.0;
        dist = toStart;
    }
}

}  // namespace curvept
