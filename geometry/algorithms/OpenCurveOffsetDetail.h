// The cut point record and the cut search's tolerances of the open-curve
// offsets. Internal to the curve algorithms.
#pragma once

#include "framework/looker/SnapRecords.h"

class CGeCurve;

// One cut point of the offset pieces: the curve, its local parameter, its
// segment (always 1 here) and the point.
struct _tagGeIsectPt {
    CGeCurve* pCurve = nullptr;
    double t = 0.0;
    int nSeg = 1;
    Position pt;
};

namespace offsetcut {

// Boxes of two pieces must meet within this to be intersected.
inline constexpr double kPieceBoxTol = 0.01;
// Cut parameters this close to a piece's end are the end itself.
inline constexpr double kEndParam = 1e-6;
inline constexpr double kEndParamHigh = 0.999999;

}  // namespace offsetcut
