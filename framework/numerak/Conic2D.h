// Circles and ellipses. Points are pointers to two doubles; an output may be an input.
//
// An ellipse is given by its centre, semi-axes a (along the rotated x axis) and b, and its
// rotation (radians, counter-clockwise). Its parameter t in [0, 1] maps to the angle
// theta = 2 pi t: point = centre + R(rotation)·(a cos theta, b sin theta); derivatives are
// taken with respect to t.
#pragma once

// Centre of the circle through three points; 0 (centre untouched) when they are collinear:
// the height of the triangle over its longest side is at most tol times that side (coincident
// points included), or the input is not finite.
int C2D_GetCenter(const double* p1, const double* p2, const double* p3, double* centre,
                  double tol = 1e-12);

// The two tangent points from p to the circle: t1 is turned counter-clockwise from the
// direction centre->p, t2 clockwise. 0 when p lies inside the circle, the radius is not
// positive or the input is not finite; a point on the circle gives itself twice.
int C2D_GetTanPt(const double* c, double r, const double* p, double* t1, double* t2);

// Projection of p onto the circle; 0 (out untouched) when the radius is below tol, when p lies
// within centreTol of the centre (every point is equally near) or the input is not finite.
int C2D_PrjPnt(const double* c, double r, const double* p, double* out, double tol, double centreTol);

void E2D_EvPos(const double* c, double a, double b, double rot, double t, double* p);
void E2D_Ev1Der(const double* c, double a, double b, double rot, double t, double* p, double* d1);
void E2D_Ev2Der(const double* c, double a, double b, double rot, double t, double* p, double* d1,
                double* d2);

// True nearest point out of the ellipse to p, its parameter t in [0, 1) and the distance.
// Correct inside and outside, at the centre and on the axes (where two points are equally
// near, the one on the positive side of the other axis is taken). 0 (outputs untouched) for
// semi-axes that are not positive or input that is not finite.
int E2D_GetNearestPt(double a, double b, const double* c, double rot, const double* p, double* out,
                     double& t, double& dist);

// Parameter t in [0, 1) of the point p on the ellipse (for a point off the ellipse: of the
// point where the ray from the centre through p scaled to a circle meets it). 0 for
// semi-axes that are not positive or input that is not finite; a point at the centre gives 0.
int E2D_GetParamEx(const double* c, double a, double b, double rot, const double* p, double& t);
