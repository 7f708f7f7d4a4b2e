#pragma once
// Thinning of point runs into chords: the one rule behind the collinear-point
// removal of trim bounds and the point cleaning of curves made from point arrays.
//
// A point may take the place of the last kept point only when every input point
// that the new chord replaces stays within tol of it, and the new point lies
// farther from the chord's start than all of them (the walk moves forward).
// So the kept polyline never leaves any input point by more than tol, however
// dense the input: comparing each point with the line through the last two kept
// points alone lets the chord slide along a curve.
//
// The directions from the chord's start that keep the replaced points within tol
// form an intersection of cones; it is narrowed, point by point, to a cone lying
// inside it (exact in 2D, conservative in 3D), so the work per point is constant.

#include <vector>

struct ChordThinRule {
    double tol = 0.0;      // largest distance of a replaced point from its chord
    double nearTol = 0.0;  // a point nearer than this to the last kept one is dropped (0: never)
};

// Indices of the kept points of n points of dim (2 or 3) doubles each, ascending;
// the first two points that are not near duplicates are always kept, and the last one unless it is dropped as a near
// duplicate. Empty for null points, n < 1, a dim other than 2 or 3 or tol <= 0.
std::vector<int> ThinChords(const double* pts, int n, int dim, const ChordThinRule& rule);
