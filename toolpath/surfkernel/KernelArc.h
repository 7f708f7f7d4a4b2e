#pragma once
// Circular-arc records of the surface kernel (the `_arc` of the NURBS library,
// allocated with QV_MemAlloc and freed with QV_MemFree) and their
// constructors. Results: 1; -4 degenerate (output left null); -1 or 0 out of
// memory as each function states.

#include "framework/numerak/NurbsArc.h"

// New arc in the world frame; null when memory runs out.
_arc* ARC_New(double radius, double sweep);
// Point and radius-scaled tangent at the angle; 0 for a null arc.
int ARC_EvalPointTangent(double angle, double* point, const _arc* arc, double* tangent);
// Arc from a to b the short way, its centre on the line through c along b - a.
// When the centre falls on the chord (a half circle) the plane comes from the
// optional normal; without one the result is -4. -1 out of memory.
int ARC_FromChordAndCentreLine(const double* a, const double* b, _arc** out, const double* c, const double* normal);
// Arc from start through mid to end; -4 for collinear or coincident points, 0
// out of memory.
int ARC_ThroughThreePoints(_arc** out, const double* start, const double* mid, const double* end);
