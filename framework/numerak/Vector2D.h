// Vector operations. Vectors are pointers to two (2D) or three (3D) doubles; an output may be
// the same array as an input. Angles are radians.
#pragma once

// Normalises v in place; 0 (v unchanged) when it is shorter than tol or not finite.
int V2D_Unit(double* v, double tol);
// out = unit vector from a to b; 0 (out untouched) when |b - a| < tol or not finite.
int V2D_GenUnit(const double* a, const double* b, double tol, double* out);
// out = v turned by +pi/2: (-y, x).
void V2D_Perp(const double* v, double* out);
// out = v turned counter-clockwise by angle.
void V2D_Rot(double angle, const double* v, double* out);
// out = (a x b) x c with a, b, c in the xy plane: (-k·c.y, k·c.x), k = a.x·b.y - a.y·b.x.
void V2D_XProduct(const double* a, const double* b, const double* c, double* out);
// Direction angle of v to the x axis in [0, 2 pi); 0 for the zero vector and non-finite input.
double V2D_AngletoX(const double* v);
// Unsigned angle between a and b in [0, pi]; 0 when either is shorter than tol or not finite.
double V2D_GetAngle(const double* a, const double* b, double tol);
// Unsigned angle between two unit vectors in [0, pi] (the dot product is clamped).
double V2D_GetAngleUnit(const double* a, const double* b);

// Normalises v (3 doubles) in place; 0 (v unchanged) when it is shorter than tol or not finite.
int V3D_Unit(double* v, double tol);
// Unsigned angle between two 3D vectors in [0, pi]; 0 when either is shorter than tol.
double V3D_GetAngle(const double* a, const double* b, double tol);

// Exchanges the vectors a and b (3 doubles each).
void V3D_Swap(double* a, double* b);

// Vectors of n components (n >= 1).
// Normalises v in place; 0 (v unchanged) when it is zero or not finite.
int VEC_Normalize(double* v, int n);
// Largest component difference of a and b (the Chebyshev distance, as P3D_AbsDist).
double VEC_AbsDist(const double* a, const double* b, int n);
