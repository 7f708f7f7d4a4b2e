#pragma once
// Analytic and subdivision intersectors of lines, circles, ellipses and cubic
// Bezier segments in the plane.
//
// Points are pointers to two doubles. A cubic segment is eight contiguous doubles
// (see Bezier2D.h). An ellipse is its centre, its semi-axes a (along its rotated x
// axis) and b, and its rotation angle in radians. Point outputs hold x, y pairs.
//
// Bad input (a null pointer, NaN or infinite values, a negative tolerance, a line
// shorter than the length tolerance, a radius or semi-axis not above the
// tolerance, a cubic whose control points lie within the tolerance of one point)
// gives 0 and writes nothing. Tangent contacts within the tolerance give one point.

#include "framework/numerak/IntPnt.h"

#include <vector>

// Result codes of the line/line intersectors.
constexpr int kIsectNone = 0;
constexpr int kIsectPoint = 1;
constexpr int kIsectParallel = 2;
constexpr int kIsectOverlap = 4;

// Infinite lines through p1-p2 and q1-q2. Returns 1 with the crossing point in out;
// 2 when the lines are parallel (|sine of their angle| <= tolAng) and apart; 4 when
// they are parallel and q1 and q2 both lie within tolLen of the first line (one
// line, out untouched); 0 for bad input, including a line shorter than tolLen.
int Isect_LineLineEx(const double* p1, const double* p2, const double* q1, const double* q2,
                     double tolLen, double tolAng, double* out);

// The same for lines given by a point and a direction (any length above tolLen).
int Isect_LineLine(const double* p, const double* dirP, const double* q, const double* dirQ,
                   double tolLen, double tolAng, double* out);

// Infinite line through p along dir with the circle (centre c, radius r). Returns the
// number of points (0, 1 for a tangent within tol, 2), written to pts (4 doubles) in
// the order of the line's direction. dir must be longer than tol.
int Isect_LineCir(const double* p, const double* dir, const double* c, double r, double tol,
                  double* pts);

// Infinite line through p1 and p2 with the circle; as Isect_LineCir, ordered from p1
// towards p2.
int Isect_LineCirEx(const double* p1, const double* p2, const double* c, double r, double tol,
                    double* pts);

// Infinite line through p1 and p2 with an ellipse. Returns 1 when they meet, with the
// count (1 tangent within tol, or 2) in count and the points in pts (4 doubles),
// ordered from p1 towards p2; else 0 and count = 0.
int Isect_LineEllEx(const double* p1, const double* p2, const double* c, double a, double b,
                    double angle, double tol, double* pts, int* count);

// Two circles. Returns the number of points (0, 1 tangent within tol, 2) in pts
// (4 doubles); concentric circles give 0. With two points, the one to the right of
// the direction c1 -> c2 comes first.
int Isect_CirCir(const double* c1, double r1, const double* c2, double r2, double tol, double* pts);

// Circle (c, r) with an ellipse. Returns the number of points (0..4) in pts
// (8 doubles), ordered by the ellipse's angle parameter in [0, 2 pi). Circles that
// coincide with the ellipse within tol give 0.
int Isect_CirEll(const double* c, double r, const double* ec, double a, double b, double angle,
                 double tol, double* pts);

// Ellipse 1 (semi-axes a1 along x, b1 along y, centred at the origin of its own frame)
// with ellipse 2 given in that frame by its semi-axes a2, b2, its centre c2 and the
// directions x2 and y2 of its axes (read as 2D; unit length expected). Writes one
// angle phi per point, measured on ellipse 1 (point = (a1 cos phi, b1 sin phi)), in
// [0, 2 pi) ascending. tolDist bounds a tangent contact and merges points closer
// than it; semi-axes not above tolDegen and parallel axis directions fail. Returns
// the count (0..4); coinciding ellipses give 0.
int Isect_2Ell(double a1, double b1, double a2, double b2, const double* c2, const double* x2,
               const double* y2, double tolDist, double tolDegen, double* phi);

// Two ellipses in the world. Returns the count (0..4) in pts (8 doubles), ordered by
// the angle parameter on the first ellipse; coinciding ellipses give 0.
int Isect_EllEll(const double* c1, double a1, double b1, double angle1, const double* c2,
                 double a2, double b2, double angle2, double tol, double* pts);

// The cubic intersectors append one IntPnt per point to out (nothing is removed) and
// return the number appended. Records are ordered along the cubic (or along the first
// cubic for Isect_BezBez); segments and sub-segments are 1. There is no cap on the
// count: a line can cross a cubic 3 times, a circle or an ellipse 6 times, two cubics
// 9 times.

// Infinite line through p1-p2 with the cubic: para1 is the line parameter (0 at p1,
// 1 at p2, unclamped), para2 the cubic's t. A cubic lying on the line within tol
// gives the ends of the shared stretch: the cubic's ends and its passages through
// p1 and p2.
int Isect_LineBez(const double* p1, const double* p2, const double* ctrl, double tol,
                  std::vector<IntPnt>& out);

// Circle with the cubic: para1 is the angle of the point about the centre as a
// fraction of a full turn, counter-clockwise from +x, in [0, 1); para2 the cubic's t.
int Isect_CirBez(const double* c, double r, const double* ctrl, double tol, std::vector<IntPnt>& out);

// Ellipse with the cubic: para1 is the ellipse's angle parameter phi (point =
// centre + a cos phi x-axis + b sin phi y-axis) as a fraction of a full turn in
// [0, 1); para2 the cubic's t.
int Isect_EllBez(const double* c, double a, double b, double angle, const double* ctrl, double tol,
                 std::vector<IntPnt>& out);

// Two cubics: para1 on the first, para2 on the second. Both are subdivided while their
// pieces' boxes meet; a pair whose tangent directions are apart (so it meets at most
// once) is solved by Newton on both parameters, other pairs are split until flat
// within tol and polished by damped Newton, which also settles tangent contacts;
// candidates closer than tol along both curves merge. Where the
// cubics share a stretch (one is part of the other within tol), the ends of the
// shared stretch are reported instead of the points inside it.
int Isect_BezBez(const double* ctrl1, const double* ctrl2, double tol, std::vector<IntPnt>& out);
