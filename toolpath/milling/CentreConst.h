// Constants of the tool-centre model, its section segments and curve sets.
#pragma once

namespace centre {

constexpr double kNoHeight = -1e12;        // a point or node without a height
constexpr double kBelowFloor = 10;         // projected points start this far under the model
constexpr double kTinySeg = 0.01;          // segment ends closer than this in u, v and distance: tiny
constexpr double kBoxMeet = 0.01;          // crossing search: boxes meet within this
constexpr double kCrossParamLo = 0.0001;   // crossing parameters strictly inside (lo, hi)
constexpr double kCrossParamHi = 0.9999;
constexpr double kCrossDet = 1e-12;        // smallest determinant of a crossing
constexpr double kDegenerate = 1e-6;       // shorter vectors and segments are degenerate
constexpr double kLinkThin = 0.001;        // LinkSegments: thinning of each chained curve
constexpr double kJoinTol = 0.01;          // curve joins, restarts, heights that agree
constexpr double kCloseGap = 0.02;         // CurveClose: ends farther apart get a closing point
constexpr double kSplitShift = 0.01;       // CurveSplitAtX: cut this far past x
constexpr double kSplitRange = 0.0001;     // CurveSplitAtX: x this far outside still splits
constexpr double kSplitOverwrite = 0.001;  // CurveSplitAtX: a first point this close is overwritten
constexpr double kCoverTol = 0.05;         // CurveSetDropCovered: a curve this close is covered
constexpr double kStepCount = 0.0001;      // LineArrayByStep: rounding allowance of the count
constexpr double kProfileSnap = 0.01;      // profile nodes this close in x are one
constexpr double kProfileVertical = 0.01;  // ProfileBuild: u extent of a near-vertical segment
constexpr double kProfileDropShort = 0.05; // ProfileBuild: near-vertical segments this short go
constexpr double kProfileFlatU = 0.0001;   // ProfileBuild: u extent taken as none
constexpr double kProfileFinite = 1e12;    // ProfileBuild: interpolated heights beyond are not finite
constexpr double kSlot = 0.1;              // ProfileBridgeSlots: depth and width of a slot
constexpr double kProfileBottom = 0.0001;  // ProfileToCurves: allowance below the bottom
constexpr double kProfileStep = 0.1;       // ProfileToCurves: steps higher than this get two points
constexpr double kProfileMinLen = 0.1;     // ProfileToCurves: shorter curves are dropped
constexpr double kProfileThin = 0.01;      // ProfileToCurves: thinning tolerance
constexpr double kLevelStep = 0.01;        // ProfileToCurvesAtLevel: steps that break a curve
constexpr double kLevelMinLen = 0.05;      // ProfileToCurvesAtLevel: shorter curves are dropped
constexpr double kKinkShort = 0.1;         // CurveSmoothKinks: a middle step shorter than this
constexpr double kKinkRatio = 0.2;         //   and than this share of the outer chord,
constexpr double kKinkDrop = 0.02;         //   within this of the chord: both points go
constexpr double kKinkMerge = 0.05;        //   within this: both become their midpoint
constexpr double kSpikeNear = 0.2;         // CurveDropSpikes: d this close to b-c
constexpr double kSpikeOpen = 2.356194490192345;  // CurveDropSpikes: angle at b beyond 135 degrees
constexpr double kHalfPi = 1.5707963267948966;
constexpr double kQuarterPi = 0.7853981633974483;
constexpr double kRampEnd = 0.01;          // CurveRampEntry: length short of the end
constexpr double kStartStep = 0.05;        // CurveStartAdjust: walk step
constexpr double kStartUnit = 0.01;        // CurveStartAdjust: unit tolerance of the direction
constexpr double kStartTurn = 1.8849555921538759;  // CurveStartAdjust: 108 degrees
constexpr int kArcSamples = 2000;          // CurveFromLoop: most points per arc
constexpr double kArcChord = 0.01;         // CurveFromLoop: chord tolerance of arcs

// Tool-centre model.
constexpr double kDownArea = -0.0001;      // a facet with a smaller XY area term faces down
constexpr double kNormalUp = 0.0001;       // vertex normal z above: up
constexpr double kNormalFlat = 0.9999;     // vertex normal z above: flat
constexpr double kEdgeThin = 0.002;        // thinning of edge polylines
constexpr double kEdgeSplitAngle = 2.5132741228718345;  // 144 degrees: sharper corners split
constexpr double kEdgeSteep = 0.1;         // XY step below this share of the z change splits
constexpr double kEdgeSame = 0.01;         // duplicate polylines: XY points within this
constexpr double kVertexSame = 0.01;       // vertex envelopes: one vertex within this
constexpr double kVertexHigher = 0.0001;   // a stored vertex higher by more than this stays
constexpr double kBoundSegMin = 0.01;      // AddBoundRec: shorter boundary segments are not tested
constexpr int kTubeColumns = 15;           // edge surface columns per polyline point
// Neighbouring facets of one mesh that turn by more than this (radians, 20 degrees) meet
// at a crease: the vertices are split there so each side keeps its own normals.
constexpr double kCreaseAngle = 0.3490658503988659;

}  // namespace centre
