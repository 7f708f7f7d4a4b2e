// Named constants of the 3D shapes and curves, with their values exactly as
// the geometry model fixes them.
#pragma once

namespace ge3con {

// Type codes of the 3D classes, one bit per class; they lie above the 2D codes.
inline constexpr int kTypePoint3d = 0x400;
inline constexpr int kTypeLine3d = 0x800;
inline constexpr int kTypeArc3d = 0x1000;
inline constexpr int kTypePolyline3d = 0x2000;
inline constexpr int kTypeNrbCrv3d = 0x4000;
inline constexpr int kTypeOffsetCrv3d = 0x8000;
inline constexpr int kTypeCombCurve3d = 0x10000;
inline constexpr int kTypeLoop3d = 0x20000;
inline constexpr int kTypeMesh = 0x40000;
inline constexpr int kTypeTrimSurf = 0x80000;
inline constexpr int kTypeTrimLoop = 0x100000;
inline constexpr int kTypeTrimBnd = 0x200000;

// Flags word of a new shape.
inline constexpr int kInitialFlags = 2;
// Closedness of curves and linking of curve ends.
inline constexpr double kClosedTol = 0.01;
// Degenerate lengths and vectors.
inline constexpr double kDegenerateTol = 1e-6;
// Split parameters this close to an end give the whole curve on one side.
inline constexpr double kSplitEndTol = 0.0001;
// Smallest sweep an arc construction accepts.
inline constexpr double kMinArcSweep = 0.001;
// Smallest radius of the full-circle constructions.
inline constexpr double kMinCircleRadius = 0.0001;
// Polyline arc-length lookups snap to a vertex within this length.
inline constexpr double kPolylineVertexSnap = 0.1;
// Points of an interpolated run closer than this to the last kept point are dropped.
inline constexpr double kInterpSkipDist = 0.005;
// Full turn, as the arcs store it.
inline constexpr double kTwoPi = 6.283185307179586;
// Archive gates on the document format version.
inline constexpr int kDocVersionCurveHeader = 5;
inline constexpr int kDocVersionHandles = 6;

}  // namespace ge3con
