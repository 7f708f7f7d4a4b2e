// The crossing rule of point chains (uncrossing and greedy ordering).
#pragma once

#include "framework/numerak/Point2D.h"
#include "toolpath/contours/SegCrossing.h"
#include "toolpath/contours/SmartConst.h"

namespace smart {

// Segments a-b and c-d cross: both at least 0.001 long, exactly one meeting point, and
// that point farther than 0.001 from all four ends.
inline bool ChainSegmentsCross(const double* a, const double* b, const double* c, const double* d)
{
    if (P2D_AbsDist(a, b) < kChainTol || P2D_AbsDist(c, d) < kChainTol)
        return false;
    double x[2][2];
    if (seg::Crossing(c, x, a, b, d, seg::Direction(c, d)) != 1)
        return false;
    return P2D_AbsDist(x[0], a) > kChainTol && P2D_AbsDist(x[0], b) > kChainTol && P2D_AbsDist(x[0], c) > kChainTol &&
           P2D_AbsDist(x[0], d) > kChainTol;
}

}  // namespace smart
