// 3D lines: points on lines, feet of points, parameters and the intersection of two
// lines. The point being measured or projected comes first, then the line; an output may
// be the same array as an input.
#pragma once

// out = a + t·dir.
void L3D_GetPnt(const double* a, const double* dir, double t, double* out);
// Foot of p on the line through org with direction dir (any length); 0 (out untouched)
// for a zero or non-finite direction.
int L3D_PrjPnt(const double* p, const double* org, const double* dir, double* out);
// Foot of p on the line through a and b; 0 (out untouched) when a == b or not finite.
int L3D_PrjPntEx(const double* p, const double* a, const double* b, double* out);
// Parameter of the foot of p on the line a->b: 0 at a, 1 at b, not clamped; 0 when a == b
// or the input is not finite.
double L3D_GetParam(const double* p, const double* a, const double* b);
// Intersection of the line through p1 along d1 with the line through p2 along d2.
// 1 with out the midpoint of the closest points when the lines are not parallel (the
// sine of their angle above tolAngle) and pass within tolDist of each other; 2 for
// parallel lines within tolDist of each other (no single point, out untouched); 0
// otherwise (out untouched), also for zero or non-finite directions.
int Isect3_LineLine(const double* p1, const double* d1, const double* p2, const double* d2, double tolDist,
                    double tolAngle, double* out);
// Foot of p on the line through a and b with its parameter (0 at a, 1 at b); 0 (outputs
// untouched) when a == b or not finite.
int L3D_PrjPntEx2(const double* p, const double* a, const double* b, double* foot, double* param);
// The lines through a0-a1 and b0-b1: 1 when they are not parallel (the sine of their angle
// above tolAngle) and their closest points lie within tolDist, with those points and their
// parameters (0 at a0 or b0, 1 at a1 or b1); 2 for parallel lines within tolDist of each
// other; 0 otherwise, also for a line of zero length. Outputs are written only for 1.
int Isect3_LineLineEx2(const double* a0, const double* a1, const double* b0, const double* b1, double tolDist,
                       double tolAngle, double* onA, double* onB, double* sA, double* sB);
