// Tolerances of the pocketing curve kernel (model units, millimetres). The values are
// part of the kernel's behaviour: loop forming and the path generators rely on them.
#pragma once

namespace smart {

// Parameters of two intersection points on one section closer than this are one point.
constexpr double kParamDuplicate = 1e-10;
// Points of a point list compared by position and parameter (FindPoint).
constexpr double kPointFind = 0.0001;
// Segments shorter than this and crossings closer than this to a segment end are ignored
// when a point chain is uncrossed.
constexpr double kChainTol = 0.001;
// Initial "no pair yet" distance of the greedy point ordering.
constexpr double kFarDistance = 1e12;

// Parameter range of a section's IsPointOn: (-1e-8, 1.00000001).
constexpr double kOnLow = -1e-8;
constexpr double kOnHigh = 1.00000001;
// Parameter range accepted for a new intersection point: [-1e-6, 1.000001].
constexpr double kIntPtLow = -1e-6;
constexpr double kIntPtHigh = 1.000001;
// Arc parameter candidates within (-0.001, 1.001) are taken at once.
constexpr double kArcParamLow = -0.001;
constexpr double kArcParamHigh = 1.001;
// Degenerate vectors (unit normals and tangents).
constexpr double kUnitTol = 1e-6;
// Pieces and sub-sections shorter than this are refused.
constexpr double kMinPiece = 2e-7;
// A counter-clockwise arc whose offset radius times sweep falls below this vanishes.
constexpr double kMinOffsetArc = 1e-7;
// Radii below this are points: no discretisation, no area.
constexpr double kMinRadius = 1e-6;
// Three-point arcs: collinearity bound of the turn and largest radius.
constexpr double kCollinearTurn = 1e-10;
constexpr double kMaxArcRadius = 1000000.0;
// Arc discretisation: smallest chord tolerance and smallest angle step.
constexpr double kMinDiscTol = 0.001;
constexpr double kMinAngleStep = 0.005;
// Full circles: rotation keeps the angles when the sweep is within this of 2 pi.
constexpr double kFullCircleTol = 0.0001;
// Sweep above which BreakCurve treats an arc as a full circle.
constexpr double kFullSweep = 6.283175307179587;
// Sweep above which ConnectAllSect closes a lone arc into an exact circle.
constexpr double kNearFullSweep = 6.0;
// MinDistPoint: parameters within this of the arc ends are left to the end points;
// the foot on a line needs projections beyond this.
constexpr double kArcFootMargin = 0.001;
constexpr double kLineFootMargin = 1e-6;

// Plane primitives.
constexpr double kUnitRangeTol = 1e-6;       // InUnitRange margin
constexpr double kParallelSine = 1e-6;       // |u x v| below this: parallel
constexpr double kMinSegmentSq = 1e-12;      // squared segment length below this: no segment
constexpr double kCollinearDist = 1e-9;      // parallel segments closer than this overlap
constexpr double kTangentDisc = 1e-10;       // discriminant below this: one touching point
constexpr double kMissDisc = -1e-6;          // discriminant below this: no point
constexpr double kConcentric = 1e-9;         // centre distance below this: concentric
constexpr double kCircleReach = 0.00001;     // circles this far apart still touch
constexpr double kNormalizeTol = 1e-7;       // NormalizeVector refuses shorter vectors
constexpr double kQuadraticLinear = 0.0001;  // |a| below this: the equation is linear
constexpr double kPointLineCoincide = 1e-6;  // PointToLineDistance3D: line ends coincide

// Curves.
constexpr double kJoint = 0.0001;          // box widening, joints and snapping
constexpr double kJointClose = 1e-6;       // a joint closes / an intersection is the joint
constexpr double kClosed = 0.001;          // a curve is closed
constexpr double kLengthEnd = 1e-6;        // BreakCurveAt: lengths this near the ends
constexpr double kGapClose = 1e-9;         // ConnectAllSect leaves smaller gaps alone
constexpr double kCircleFit = 0.001;       // GetCenter: spread of the vertex distances
constexpr int kBlockSize = 10;             // AutoInters: sections per block

// Curve containment (IsPointOn).
constexpr double kProbeMargin = 1.0;       // the probe line reaches this beyond the box
constexpr double kProbeBand = 0.001;       // y-range widening of the sections tested
constexpr double kFlatSection = 0.002;     // flatter sections leave the count undecided
constexpr int kMaxCrossings = 30;          // more crossings leave the count undecided
constexpr double kCrossingOnX = 1e-10;     // a crossing this near p in x: p is on the curve
constexpr double kShortLine = 0.001;       // winding: shorter lines are skipped
constexpr double kWindingOpposite = -0.999999;  // winding: p lies on this chord
constexpr double kWindingInside = 5.0;     // |winding| at or above this: inside
constexpr int kWindingArcPoints = 50;      // winding: arc samples
constexpr double kWindingArcTol = 0.01;
// CalcArea: chord tolerance of arcs and their largest chord count.
constexpr double kAreaArcTol = 0.01;
constexpr int kAreaArcChords = 49;


// Loops.
constexpr double kUnsetConnect = 1e10;     // a connection point not yet set
constexpr double kLoopBoxMargin = 0.01;    // IsPointIn: the loop box grown by this
constexpr int kLoopAreaChords = 50;        // Area: chords of an arc at most
constexpr double kMinLoopArea = 1e-8;      // loops of smaller |area| are dropped
constexpr double kYLineReach = 10.0;       // GetYLineInt: the probe reaches this beyond the box
constexpr double kYLineHandled = 0.001;    // GetYLineInt: a joint point already counted
constexpr double kYLineRetry = 1e-6;       // GetYLineIntContour: shift for an odd count
constexpr double kSameX = 1e-6;            // SortPointSect: crossings at one x
constexpr double kLineIntEnd = 0.0001;     // IsLineInt, LineIntCurve: crossings at an end
constexpr double kSectIntEnd = 0.01;       // IntSectContour: crossings at an end
constexpr double kArcBoxTol = 0.001;       // GetCircleInt of an arc: box margin
constexpr double kDetourFactor = 3.0;      // LineIntCurve: longest detour per segment length

// Loop forming.
constexpr double kBranchBox = 0.003;       // GetOptimalSect: box widening around p
constexpr double kBranchStart = 0.001;     // GetOptimalSect: starts this near p
constexpr double kNoTurn = -6.0;           // below every signed turn
constexpr double kCloseTrace = 0.001;      // FormLoop: closure box widening and distance

// Clean-up.
constexpr double kTinySection = 0.005;     // RefineCurve: box diagonal of a tiny section
constexpr double kCollinearDot = 0.94;     // LinearCurve: unit tangents' dot product
constexpr int kChordCapacity = 1000;       // DiscreteCurve: samples per arc
constexpr double kFitTurnCos = -0.8;       // AddPointArray: a sharper turn breaks a run
constexpr double kFitLongChord = 5.0;      // AddPointArray: a longer chord breaks a run
constexpr double kFitTinyProduct = 1e-10;  // AddPointArray: chord-length product of no turn
constexpr double kFitTangentChord = 1.0;   // AddPointArray: chords this long test tangents

}  // namespace smart
