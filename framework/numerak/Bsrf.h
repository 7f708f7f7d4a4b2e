#pragma once
// NURBS surface record and its operations.
//
// The record holds the orders ku, kv (degree + 1), the control-point counts
// nu, nv, the net as nu rows of nv homogeneous points (w·x, w·y, w·z, w) and
// the knot vectors U (nu + ku values) and V (nv + kv values). Row i is the
// i-th u index; P[i][j] is the point of u index i and v index j. The record,
// its row array, every row and both knot vectors are allocated with
// std::malloc (the curve record's scheme), so code may swap in new rows or
// knots and free the old ones with std::free; BSRF_Free releases all of it.
//
// The parameter domain is [U[ku-1], U[nu]] × [V[kv-1], V[nv]]; evaluation
// clamps (u, v) to it. Results: int 1 on success, 0 on failure; records null
// on failure. Bad input (null, orders outside [2, kBcrvMaxOrder], counts below
// the orders, knots that are not finite or decrease, non-positive weights,
// NaN parameters) fails; nothing throws and no evaluation allocates.
// Points and vectors are 3 doubles.

#include "framework/numerak/Bcrv.h"
#include "framework/numerak/NurbsParam.h"

struct _rect_fm3d;

struct _nurbs_surface {
    int ku;             // order in u
    int kv;             // order in v
    int nu;             // control points in u (rows)
    int nv;             // control points in v (per row)
    double (**P)[4];    // nu rows of nv homogeneous points
    double* U;          // nu + ku knots
    double* V;          // nv + kv knots
};

// A surface of order ku × kv with nu × nv control points at the origin
// (weight 1) and clamped uniform knots on [0, 1] in both directions (note the
// argument order: u order, u count, v order, v count). Null for bad sizes.
_nurbs_surface* BSRF_Create(int ku, int nu, int kv, int nv);
// Deep copy; null for an invalid record or when memory runs out.
_nurbs_surface* BSRF_Clone(const _nurbs_surface* s);
// Releases the record, its rows and knots; null is ignored. Rows or knot
// vectors that are null are skipped.
void BSRF_Free(_nurbs_surface* s);
// 1 when the record is complete and usable: sizes, both knot vectors, finite
// control points with positive weights.
int BSRF_IsValid(const _nurbs_surface* s);

// Evaluation at (u, v). P the point; Su, Sv the first partial derivatives;
// Suu, Suv, Svv the second.
int BSRF_EvPos(const _nurbs_surface* s, double u, double v, double* P);
int BSRF_Ev1Der(const _nurbs_surface* s, double u, double v, double* P, double* Su, double* Sv);
int BSRF_Ev2Der(const _nurbs_surface* s, double u, double v, double* P, double* Su, double* Sv, double* Suu,
                double* Suv, double* Svv);
// Point and unit normal Su × Sv. Where that product vanishes (a collapsed edge
// such as the pole of a sphere, or a parameter line of zero speed) the normal
// is its limit from inside the domain, from the second derivatives or, when
// those do not settle it either, from a point just inside; never zero. 0 only
// when no direction can be found at all.
int BSRF_EvNormal(const _nurbs_surface* s, double u, double v, double* P, double* normal);

// Bezier patches of a surface, one per knot-span pair, made on first use, so
// that repeated evaluation weighs the patch's Bernstein polynomials instead of
// running the basis-function recursion. Results agree with BSRF_EvPos,
// BSRF_Ev1Der and BSRF_Ev2Der within rounding. The table keeps the surface's
// sizes and array pointers and serves only that surface, which must not change
// while the table lives. Patches come from std::malloc; threads may evaluate
// through one table at once (a patch made twice at the same moment is kept
// once).
struct BSRF_PATCHES;
// An empty table for s; null for an invalid record or when memory runs out.
BSRF_PATCHES* BSRF_NewPatches(const _nurbs_surface* s);
// Frees the table and its patches; null is ignored.
void BSRF_FreePatches(BSRF_PATCHES* t);
// Point (d = 0), first partials (d = 1) and second partials (d = 2) at (u, v),
// clamped to the domain, as the evaluators above; outputs beyond d may be null.
// Without a table, with one made for another surface or when a patch finds no
// memory, the basis-function evaluators answer instead.
int BSRF_EvPatches(BSRF_PATCHES* t, const _nurbs_surface* s, double u, double v, int d, double* P, double* Su,
                   double* Sv, double* Suu, double* Suv, double* Svv);

// Largest parameter steps du (along u at constant v) and dv whose chords stay
// within tol of the surface, from the largest second partial derivatives
// sampled over every knot-span patch (chord error ≈ M·h²/8, with a margin for
// the sampling). A direction in which the surface is straight gets its whole
// domain. 1 on success; 0 for an invalid record or tol <= 0 (steps unchanged).
int BSRF_GetMaxiStepLin(const _nurbs_surface* s, double tol, double* du, double* dv);

// Transforms of the control net. Weights never change, so affine maps (move,
// rotation, mirror, scale, shear, matrix, frame) carry the surface exactly;
// twist and taper act on the control points only, like the curve record's.
// 0 (record unchanged) for an invalid record or bad arguments.
int BSRF_Move(_nurbs_surface* s, const double* v);
// Rotation by angle (radians, right-handed) about the axis through p along dir.
int BSRF_Roate(_nurbs_surface* s, const double* p, const double* dir, double angle);
int BSRF_Twist(_nurbs_surface* s, const double* p, const double* dir, double angle);
int BSRF_Taper(_nurbs_surface* s, const double* p, const double* dir, double angle);
// In XY about the line through p and q; z stays. 0 when p and q coincide.
int BSRF_Mirror2D(_nurbs_surface* s, const double* p, const double* q);
// About the plane through p with normal n.
int BSRF_Mirror(_nurbs_surface* s, const double* p, const double* n);
// 2D shear about base: x' = x + f[0]·(y - base.y), y' = y + f[1]·(x - base.x).
int BSRF_Shear(_nurbs_surface* s, const double* base, const double* f);
// 3D shear: a slide along dir in proportion to the signed distance from the
// plane through p with normal n.
int BSRF_Shear(_nurbs_surface* s, const double* p, const double* dir, const double* n);
// Per-axis scale about c.
int BSRF_Scale(_nurbs_surface* s, const double* c, const double* f);
// Row-vector matrix with the translation in the fourth row: (x, y, z, 1) · m.
int BSRF_Transform(_nurbs_surface* s, const double (*m)[4]);
// World coordinates into the frame's (RF_TransWorldP3D) and back (RF_TransLocalP3D).
int BSRF_TransformWorld(_nurbs_surface* s, const _rect_fm3d* frame);
int BSRF_TransLocal(_nurbs_surface* s, const _rect_fm3d* frame);

// Parameter records of both directions from the knots and the control net: range
// [U[ku-1], U[nu]] (and the same for V); an end whose boundary row of control points
// collapses to one point within tol is kind 3, else 1; a direction whose two boundary
// rows coincide within tol is closed (1), and periodic (2) when the net also leaves
// and enters the seam in the same direction (within angleTol radians) wherever the
// rows beside it are apart, so the surface is tangent-continuous across it. The
// further values are 3 and 1. The boundary rows are the edges only for clamped
// knots; at an unclamped end the direction is taken as open with ordinary ends.
// 0 (records untouched) for an invalid record or a null output.
int BSRF_GetParam(const _nurbs_surface* s, double tol, double angleTol, _param* U, _param* V);

// Nearest point of the surface to P: foot, its (u, v) and the distance d. On entry
// (u, v) is a start guess; a u or v of 1e12 or more (or not finite) asks for a search
// over the whole surface: its knot-span patches are searched in the order of the
// distance to the box of their control points (a lower bound, as the patch lies in
// their convex hull), each by Newton kept inside the patch and started from its
// centre, corners and side middles, until no remaining bound beats the best distance;
// a last Newton step crosses patch borders. Newton leaves a stationary point that is
// not a minimum along the direction in which the distance falls. A direction that
// BSRF_GetParam finds periodic is wrapped into its range instead of being clamped, so
// the search crosses the seam. tol is the 3D step below which Newton stops. 1; 0
// (outputs untouched) for an invalid record or bad arguments.
int BSRF_SnapPnt(const _nurbs_surface* s, const double* P, double tol, double* foot, double* u, double* v,
                 double* d);

// The curve c (u, knots kept) swept along unit(direction) by length (v over [0, 1],
// order 2): S(u, v) = c(u) + v·length·unit(direction). 0 for an invalid curve, a zero
// direction or a non-finite length.
int BSRF_GenExtrude(const BCRV* c, const double* direction, double length, _nurbs_surface** out);
// The profile turned about the axis through axisPoint along axisDir (right-handed) by
// angle in (0, 2 pi]: an exact rational surface with u along the circles (order 3,
// knots over [0, 1], one arc per quarter turn or less) and v along the profile (its
// order and knots). A full turn repeats its first row of control points exactly as its
// last. Profile points on the axis give a collapsed row. 0 for an invalid profile, a
// zero axis or an angle outside (0, 2 pi].
int BSRF_GenRevolve(const double* axisPoint, const double* axisDir, const BCRV* profile, double angle,
                    _nurbs_surface** out);

// Cuts s across u where its tangent plane turns by more than angle (radians):
// at the inner u knots of multiplicity ku - 1 or more (the only places where a
// B-spline surface can lose tangent continuity in u), comparing the unit
// normals of both sides at samples across v. On 1 the parts, in u order and
// each on [0, 1] in u, are new records in parts[0 ..]; every further entry up
// to maxParts is null. Any other result (0) means nothing was split: no such
// crease, more parts than maxParts, or an invalid record; all entries null.
int BSRF_USplitG1Discont(const _nurbs_surface* s, double angle, _nurbs_surface** parts, int maxParts);
