// Thinning of discretised point strings: points closer than tol to the last
// kept point are dropped, and nearly straight runs collapse to their ends.
#pragma once

#include "geometry/shapes2d/PointTypes.h"
#include "platform/core/Containers.h"

// Thins pts in place. Nothing for 2 points or fewer or for ang above pi - 0.0001.
// The first two points are always kept and the final point always ends the string.
void RefinePointStr(double tol, double ang, CArray<tagPoint2d, tagPoint2d>& pts);
// The same in 3D.
void RefinePointStr3D(double tol, double ang, CArray<tagPoint3d, tagPoint3d>& pts);
