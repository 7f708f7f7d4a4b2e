#pragma once
// Cubic Bezier segments in the plane.
//
// A segment is given by its four control points as eight contiguous doubles
// (x0, y0, x1, y1, x2, y2, x3, y3), so an array of {x, y} point records can be
// passed from the first control point on. Points are pointers to two doubles.

// Position at t.
void BEZ_EvPos(const double* ctrl, double t, double* pos);
// Position and first derivative at t.
void BEZ_Ev1Der(const double* ctrl, double t, double* pos, double* d1);
// Position, first and second derivative at t.
void BEZ_Ev2Der(const double* ctrl, double t, double* pos, double* d1, double* d2);

// De Casteljau split at t into left (from t = 0) and right (to t = 1) halves, eight
// doubles each; left[6..7] == right[0..1]. left or right may alias ctrl.
void BEZ_Split(const double* ctrl, double t, double* left, double* right);

// Flatness: the largest distance of the two inner control points from the chord
// P0-P3 (from P0 when the chord is shorter than 1e-12).
double BEZ_DistTol(const double* ctrl);

// Nearest point of the segment (t in [0, 1], ends included) to p: proj, its
// parameter t and the distance. The stationary points of the squared distance are
// the real roots of a degree-5 polynomial; the ends are candidates too, so cusps,
// loops and end points are handled. Returns 1, or 0 for non-finite input.
int BEZ_PrjPnt(const double* ctrl, const double* p, double* proj, double& t, double& dist);

// Box of the control points as {minX, minY, maxX, maxY}.
void BEZ_GetBox(const double* ctrl, double* box);

// Arc length of the whole segment (adaptive Gauss-Legendre quadrature).
double BEZ_ArcLength(const double* ctrl);
// Arc length between parameters t1 and t2, non-negative whatever their order.
double BEZ_ArcLengthEx(const double* ctrl, double t1, double t2);

// Parameter t at arc length len from the start (Newton safeguarded by bisection).
// len <= 0 gives t = 0; len at the total length (within 1e-9 relative) gives 1.
// Returns 1, or 0 when len is negative, NaN, beyond the length, or the input is
// not finite.
int BEZ_EvParam(const double* ctrl, double len, double& t);

// Power-basis coefficients: x(t) = cx[0] + cx[1] t + cx[2] t^2 + cx[3] t^3, same for y.
void BEZ_PowerCoef(const double* ctrl, double* cx, double* cy);
