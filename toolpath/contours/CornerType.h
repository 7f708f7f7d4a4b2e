// Corner treatment of offsets: the record that chooses sharp, bevelled or round joins,
// and the corner builder that closes the gap or overlap two offset sections leave.
#pragma once

class CSmartSect;
class CSmartArc;

// Corner style of an offset (plain record). type: 0 sharp below sharpLimitType0, round
// above; 1 bevel between two lines; 3 always sharp; 4 round whenever the turn exceeds
// 0.05 rad; other values round unless below sharpLimitAll. Limits in degrees.
struct DVN_CornerType {
    int type = 0;
    double sharpLimitType0 = 0.0;
    double sharpLimitAll = 0.0;
};

namespace smart {

constexpr double kDegToRad = 0.01745329251994;
// Turns below this are joined by trimming tangent copies (with an arc among them).
constexpr double kTangentTurn = 0.01;
// Type 4 rounds turns above this.
constexpr double kRoundTurn = 0.05;
// Turns below this get no join.
constexpr double kNoJoinTurn = 0.001;
// |k| below this between two arcs: the normals are taken again inside the arcs.
constexpr double kArcTurnRetry = 0.00001;
// Parameters of the sharp intersection when the copies overlap.
constexpr double kOverlapLow = 0.01;
constexpr double kOverlapHigh = 0.99;
// Offsets smaller than this copy the curve.
constexpr double kMinCurveOffset = 0.001;
// Loop offsets smaller than this copy the loop.
constexpr double kMinLoopOffset = 1e-6;
// Distance filter: loops whose mid-point lies nearer than d - this to the source go.
constexpr double kOffsetDistSlack = 0.001;
// Angle limits the exported loop API passes (degrees).
constexpr double kApiSharpLimitType0 = 165.0;
constexpr double kApiSharpLimitAll = 15.0;

}  // namespace smart

// The join between the offset copies of prev and its successor next at distance d >= 0:
// a new section, or null when the copies were trimmed or extended to meet (or need
// nothing). The copies are read through offsetCopy and changed in place.
CSmartSect* CornerSect(CSmartSect* next, double d, DVN_CornerType* corner, CSmartSect* prev);
// The clockwise arc of radius r from a to b (centre to the right of a -> b).
CSmartArc* RoundCornerArc(double r, const double* a, const double* b);
