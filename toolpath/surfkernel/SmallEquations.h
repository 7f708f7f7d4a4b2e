#pragma once
// Closed-form and iterative solvers of small equations, nearest points of an
// ellipse and a sphere, and the cubic Hermite segment of the surface kernel.
// Counts of solutions are returned; 100 means "every value solves it".

// acos clamped: x above 0.999999999999 gives 0, below -0.999999999999 gives pi.
double EQ_SafeACos(double x);
// atan2(y, x) in [0, 2 pi); 0 when |x| + |y| < 1e-20.
double EQ_Angle2Pi(double x, double y);
// a cos t + b sin t = c for t in [0, 2 pi); a touching solution counts once
// (both outputs equal). Outputs start as 0 and pi/2.
int EQ_SolveTrig(double a, double b, double c, double tol, double* t);
// a t^2 + b t + c = 0, roots without cancellation. Outputs start as 1 and 1;
// a double root fills both.
int EQ_SolveQuadratic(double a, double b, double c, double tol, double* t);
// Unit normal (-y, x)/|v| of the longer vector (the second when equal): 1 when
// the other vector is parallel within tol, 0 when not, 100 when both are
// shorter than tol.
int EQ_CommonNormal2(double ax, double ay, double bx, double by, double tol, double* normal);
// Least-squares x, y with x b + y a ~ c (3D vectors).
void EQ_Decompose2(const double* a, const double* b, const double* c, double* x, double* y);
// Nearest point of x^2/a^2 + y^2/b^2 = 1 to the 2D point; 1, or 0 when the
// Newton iteration does not settle.
int EQ_EllipseNearest(double* foot, double* angle, double a, double b, double* distance, const double* point);
// Nearest point of the sphere (centre, radius, frame X, Y, Z) to a point, with
// its longitude about Z from X and its latitude.
void EQ_SphereNearest(const double* axisZ, const double* point, double* foot, double* longitude, double* latitude,
                      double* distance, double radius, const double* axisY, const double* axisX, const double* centre);
// Point (and derivative) at t of the cubic from start to end with unit end
// tangents, inner control points a third of the chord away.
void CUB_HermitePoint(const double* startTan, double t, const double* endTan, double* out, const double* start,
                      const double* end);
void CUB_HermitePointDeriv(const double* startTan, double* deriv, double t, const double* endTan, double* out,
                           const double* start, const double* end);
