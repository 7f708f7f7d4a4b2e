// Planes and 3D meeting tests: the tolerant point-in-box test of 3D boxes, whether
// two lines or two planar shapes share one plane, the closest points of two lines
// and the meeting points of a circle and a line.
//
// Relation codes of L3D_IsCoplanar and PLN_Relation (also the shape codes they take,
// as the curves' IsPlanar answers them):
//   0  no common plane (or a shape that is not planar);
//   1  one common plane: point and normal receive it (unit normal);
//   2  everything lies on one straight line: point and normal receive a point of it
//      and its unit direction (every plane through the line holds both);
//   3  everything is one point: point receives it, normal is untouched.
#pragma once

#include "framework/numerak/Box.h"
#include "framework/numerak/NurbsArc.h"

// 1 when p lies inside the box grown by tol (border included); 0 for a null box or point.
int BOX3D_IsP3DIn(const BOX3<double>* box, const double* p, double tol);

// Relation of the line through p1 along d1 and the line through p2 along d2. Lines whose
// directions are parallel within tolRel (sine of the angle) and lie within tol of each
// other give 2; parallel lines farther apart give the plane through both (1); crossing
// directions give 1 when the lines pass within tol of each other, else 0. A direction
// shorter than 1e-12 makes that line a point (3 when both are, else the line-and-point
// relation). Outputs are untouched on 0.
int L3D_IsCoplanar(const double* p1, const double* d1, const double* p2, const double* d2, double tol,
                   double tolRel, double* point, double* normal);

// Relation of a shape (code1 with its point1 and vec1) and a second shape given by code2,
// point and normal, which receive the common shape (see the codes above). Distances are
// measured against tol, directions against tolAngle (sine of the angle, or the cosine
// for a line against a plane's normal). Outputs are untouched on 0.
int PLN_Relation(int code1, const double* point1, const double* vec1, int code2, double* point, double* normal,
                 double tol, double tolAngle);

// Closest points p1 on the line s1->e1 and p2 on the line s2->e2 (unbounded lines).
// 1 when the lines are not parallel (sine of the angle above tolPar) and the points lie
// within tolDist of each other; 2 for parallel lines; 0 otherwise. p1 and p2 are written
// only on 1.
int Isect3_LineLineEx(const double* s1, const double* e1, const double* s2, const double* e2, double tolPar,
                      double tolDist, double* p1, double* p2);

// Meeting points of the circle of radius r about frame->O in the plane of frame->X and
// frame->Y with the line through p along dir (any length). Results: 1 when the line lies
// in the circle's plane (within tol) and meets the circle (count 1 when it touches within
// tol, else 2); 3 when the line pierces the plane at a point within tol of the circle
// (count 1); 0 otherwise (count 0). out holds count points.
int Isect3_CirLin(const _rect_fm3d* frame, double r, const double* p, const double* dir, double tol,
                  double (*out)[3], int& count);

// Signed distance of p from the plane through o with normal n: positive on the side n
// points to, whatever n's length; 0 for a zero normal.
double PLN_DistPntPlnSide(const double* p, const double* o, const double* n);

// Foot of x on the plane through p with normal n (any length); 0 (out untouched) for a
// zero or non-finite normal.
int PLN_PrjPntPln(const double* x, const double* p, const double* n, double* out);

// Common line of the plane through p1 with normal n1 and the plane through p2 with
// normal n2 (any lengths): 1 with a point of it (the one nearest the midpoint of p1 and
// p2) and its unit direction n1 x n2. Planes whose normals are within tolAngle (radians)
// of parallel give 2 when they lie within tol of each other and 0 otherwise; zero
// normals give 0. Outputs are untouched unless the result is 1.
int Isect3_PlnPln(const double* p1, const double* n1, const double* p2, const double* n2, double tol,
                  double tolAngle, double* point, double* dir);
