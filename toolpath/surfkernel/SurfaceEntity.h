#pragma once
// Surface records of the surface kernel (sphere 15, NURBS surface 19,
// extrusion 21, revolution 23, offset surface 29): parameter box and records
// (poles, closed and periodic directions), point, partial derivatives, unit
// normal with the limit normal at a pole, normal derivatives, principal
// curvatures, projection of a point and conversion to NURBS. Results as in
// KernelEntity.h; every operation gives 0 for an unsupported code or a missing
// argument. Evaluations never allocate from the kernel's allocator (a NURBS
// record's Bezier patches come from std::malloc on first use).
//
// A NURBS surface's box is its knot range (what this library makes runs over
// [0, 1]²); a periodic direction (closure 2) wraps a parameter outside its
// range into it before evaluating.

#include "toolpath/surfkernel/KernelEntity.h"

// Takes the surface (may be null); with one, both parameter records come from
// BSRF_GetParam with the current point and angle tolerances.
SURFACE* ESRF_NewNurbs(_nurbs_surface* s);
// Takes the profile; null when it has no plane (ECRV_GetPlane). A null
// direction is the zero vector.
SURFACE* ESRF_NewExtrusion(CURVE* profile, const double* dir);
// The profile stays the caller's; null when it has no plane.
SURFACE* ESRF_NewRevolution(CURVE* profile, const double* axisDir, const double* axisPoint);
// A sphere record (a missing frame is the world frame) and an offset surface of
// base at signed distance d (base not owned; freed with QV_MemFree).
SURFACE* ESRF_NewSphere(const _rect_fm3d* frame, double r);
SURFACE* ESRF_NewOffset(SURFACE* base, double d);

// box = umin, vmin, umax, vmax.
int ESRF_GetUVBox(const SURFACE* s, double* box);
// Parameter records: sphere fixed, NURBS stored, extrusion probed, offset
// from its base's (the base's poles and periodic directions; a direction
// closed with a crease is probed again).
int ESRF_GetDomain(const SURFACE* s, _param* U, _param* V);
// Degenerate edges, closed and periodic directions found by evaluating the
// edges at fixed and random fractions (QVN_Math::Rand01).
int ESRF_ProbeDomain(const SURFACE* s, _param* U, _param* V);

int ESRF_EvalPoint(double* P, const SURFACE* s, double u, double v);
int ESRF_EvalDeriv1(const SURFACE* s, double u, double v, double* P, double* Su, double* Sv);
int ESRF_EvalDeriv2(const SURFACE* s, double u, double v, double* P, double* Su, double* Sv, double* Suu,
                    double* Suv, double* Svv);
// Unit normal: the sphere's outward radial; otherwise Su × Sv normalised, at a
// pole the pole's limit normal, and where one partial vanishes away from every
// pole the normal a small step inside the domain. A partial vanishes below
// 1e-12, or below 1e-12 of the other one when that is longer than 1. An
// offset's normal where its base has a pole is the base's, turned by the sign
// of (1 - d·k1)(1 - d·k2) of the base's principal curvatures.
int ESRF_EvalNormal(double* N, double* P, const SURFACE* s, double u, double v);
// Unit normal and its partial derivatives.
int ESRF_NormalDerivs(const SURFACE* s, double u, double v, double* P, double* N, double* Nu, double* Nv);
// Principal curvatures (signed against the unit normal, k1 >= k2) and unit
// directions; at an umbilic the first direction is unit Su, the second N × it.
int ESRF_Curvature(const SURFACE* s, double u, double v, double* P, double* N, double* k1, double* d1, double* k2,
                   double* d2);

// Nearest point: (u, v) and foot. For an extrusion *u is also the start guess
// of the profile's nearest point.
int ESRF_ProjectPoint(double* u, double* v, double* foot, SURFACE* s, const double* P);

// NURBS copy over the box (sphere, extrusion; a NURBS surface is cloned whole);
// *exact 1 for an exact conversion. -4 for a sphere whose reference points
// coincide.
int ESRF_ToNurbs(double tol, int* exact, const double* box, _nurbs_surface** out, const SURFACE* s);

// Poles: count (at most 2), each edge as a parameter segment (u0, v0, u1, v1),
// its centre and outward normal. 0 for a third pole. An offset's are its
// base's, each centre moved by d along the pole's normal.
int ESRF_DegenerateEdges(const SURFACE* s, int* count, double (*edges)[4], double (*centres)[3],
                         double (*normals)[3]);

// Point P on a revolution: the profile parameter t (in: the caller's guess),
// the angle about the axis and the foot.
int ESRF_RevolutionParam(const SURFACE* rev, double* angle, double* foot, const double* P, double* t);
