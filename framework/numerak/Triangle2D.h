// Whether the origin lies in a triangle's projection on the xy plane, the test of ray
// picking in the ray's own frame.
#pragma once

// The triangle's corners a, b, c are read as (x, y) (a third coordinate is ignored).
// 0 (a hit) when the origin lies inside or on the border of the triangle, or within
// aperture of it; weights then receive the barycentric weights of the origin (inside)
// or of the triangle's point nearest to it (within the aperture), summing to 1. 1 (no
// hit, weights untouched) otherwise; a triangle without area is hit only through the
// aperture, at its nearest point.
int TRI2_ChkOriInTri2DEx(const double* a, const double* b, const double* c, double aperture, double* weights);
