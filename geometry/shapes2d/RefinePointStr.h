// Thinning of discretised point strings: points closer than tol to the last
// kept point are dropped, and nearly straight runs collapse to their ends.
#pragma once

#include "geometry/shapes2d/PointTypes.h"
#include "platform/core/Containers.h"

// Thins pts in place. Nothing for 2 points or fewer or for ang above pi - 0.0001.
// The first two points are always kept and the final point always ends the string.
// Every dropped point lies within tol of the kept polyline: a point is dropped as
// near only when it lies within tol (Euclidean) of the last kept point, and a
// nearly straight run (angle above ang, new point within tol of the run's line)
// is extended only while every point dropped from it stays within tol of the
// extended segment. Linear in the number of points.
void RefinePointStr(double tol, double ang, CArray<tagPoint2d, tagPoint2d>& pts);
// The same in 3D.
void RefinePointStr3D(double tol, double ang, CArray<tagPoint3d, tagPoint3d>& pts);
