#pragma once
// NURBS curve record and its operations.
//
// The record holds order k (degree + 1), control-point count n, n homogeneous
// control points (w·x, w·y, w·z, w) and n + k knots. Its arrays are allocated
// with std::malloc and owned by the record (freed by its destructor, so by
// BCRV_Free); code that swaps in new arrays frees the old ones with std::free.
// Curves this library makes run over [0, 1] with clamped ends (k equal knots
// at each end). Evaluation takes the parameter in knot units and clamps it to
// the domain [U[k-1], U[n]].
//
// Results: int 1 on success, 0 on failure; records null on failure. Bad input
// (null, order < 2 or above kBcrvMaxOrder, n < k, knots that are not finite
// or decrease, non-positive or non-finite weights, NaN) fails; nothing throws.
// Points and vectors are 3 doubles.

#include "framework/numerak/NurbsBasis.h"

struct _arc;

inline constexpr int kBcrvMaxOrder = numerak::nurbs::kMaxOrder;

struct BCRV {
    int k = 0;                 // order = degree + 1
    int n = 0;                 // number of control points
    double (*P)[4] = nullptr;  // n homogeneous control points (w·x, w·y, w·z, w)
    double* U = nullptr;       // n + k knots

    BCRV() = default;
    ~BCRV();
    BCRV(const BCRV&) = delete;
    BCRV& operator=(const BCRV&) = delete;

    // Replaces the arrays by new ones for order k and n points: control points
    // (0, 0, 0, 1), clamped uniform knots on [0, 1]. 0 (record unchanged) for
    // bad sizes or when memory runs out.
    int Reset(int order, int count);

    // Deep copy; null for an invalid record or when memory runs out.
    BCRV* Clone() const;

    // Control point i as a Cartesian point (divided by its weight); w receives
    // the weight when given. 0 for an index out of range or a zero weight.
    int GetCtrlPt(int i, double* p, double* w = nullptr) const;
    // Stores Cartesian point p with weight w (> 0) as (w·p, w).
    int SetCtrlPt(int i, const double* p, double w = 1.0);
    // How many times the value occurs in the knot vector.
    int CalKnotMul(double knot) const;

    // Straight line of order 2 from p0 (t = 0) to p1 (t = 1).
    int GenLine(const double* p0, const double* p1);
    // Exact circular arc as a rational quadratic in the plane z = centre[2],
    // counter-clockwise from angle a0 to a1 (radians). The sweep a1 - a0 is
    // taken modulo 2π into (0, 2π]; equal angles give the full circle.
    // 0 for r <= 0 or non-finite input.
    int GenArc(const double* centre, double r, double a0, double a1);
    // Full counter-clockwise circle starting at angle 0 (four quarter arcs).
    int GenCircle(const double* centre, double r);
    // Full ellipse with semi-axes a (along the rotated x axis) and b, rotated
    // by rot radians, counter-clockwise, starting at the end of axis a.
    int GenEll(const double* centre, double a, double b, double rot);

    // Runs the curve backwards over the same domain.
    int Reverse();
    // Control-point transforms; weights never change. Move, Rotate, Scale and
    // the shears are affine, so the curve follows them exactly; Twist and
    // Taper act on the control points only (an approximation of the bent shape).
    int Move(const double* v);
    // Rotation by angle (radians, right-handed) about the axis through p.
    int Rotate(const double* p, const double* axis, double angle);
    // Per-axis scale about c: x' = c + (x - c)·f, componentwise.
    int Scale(const double* c, const double* f);
    // 2D shear about base: x' = x + f[0]·(y - base.y), y' = y + f[1]·(x - base.x); z kept.
    int Shear(const double* base, const double* f);
    // 3D shear: x' = x + dir·((x - p)·unit(normal)), a slide along dir in
    // proportion to the signed distance from the plane through p.
    int Shear(const double* p, const double* dir, const double* normal);
    // Twist about the axis through p along dir: each point is rotated about
    // the axis by angle·h, h its signed distance along unit(dir) from p.
    int Twist(const double* p, const double* dir, double angle);
    // Taper along the axis through p: each point's offset from the axis is
    // scaled by 1 + h·tan(angle), h as for Twist.
    int Taper(const double* p, const double* dir, double angle);

    // Planarity of the control polygon (which bounds the curve):
    // 3 all within tol of the first point, 2 on a line (normal = its unit
    // direction), 1 planar (normal = unit normal), 0 not planar; point
    // receives the first control point. 0 for an invalid record.
    int IsPlanar(double tol, double* point, double* normal) const;
    // 1 when all weights are equal: the curve is polynomial (non-rational).
    int IsUniform() const;
    // 1 when IsUniform and every control point has the same z: a polynomial
    // curve in a plane parallel to XY.
    int IsXYUniform() const;

    // Inserts knot u (inside the domain) `times` times, limited so that no
    // knot exceeds multiplicity k - 1; the shape is unchanged.
    int InsertKnot(double u, int times);
    // Raises the degree by t >= 0 without changing the shape (re-expressed in
    // the raised spline space by collocation at its Greville points). Fails
    // for a curve broken by an inner knot of multiplicity k.
    int DegElevate(int t);

    // Bézier decomposition: m segments of degree p share end points, giving
    // p·m + 1 points (3m + 1 for a cubic). Returns the count and a new list in
    // pts (freed by FreePtList), 0 and null on failure. The 2D and 3D forms
    // give Cartesian points and need a polynomial curve (IsUniform); the 4D
    // form gives homogeneous points of any curve.
    int ConvertToBezier(double (*&pts)[2]) const;
    int ConvertToBezier(double (*&pts)[3]) const;
    int ConvertToBezier(double (*&pts)[4]) const;
    static void FreePtList(double (*pts)[2]);
    static void FreePtList(double (*pts)[3]);
    static void FreePtList(double (*pts)[4]);
};

// Empty record (order 0, no arrays), to be filled by a Gen member or Reset.
BCRV* BCRV_New();
// Record of order k with n control points at the origin (weight 1) and
// clamped uniform knots on [0, 1]. Null for k < 2, k > kBcrvMaxOrder, n < k.
BCRV* BCRV_New(int k, int n);
// Releases the record and its arrays; null is ignored.
void BCRV_Free(BCRV* c);

// 1 when the record is complete and usable: sizes, knots (KnotsValid),
// finite control points with positive weights.
int BCRV_IsValid(const BCRV* c);

// Evaluation at parameter t (clamped to the domain). None allocates.
int BCRV_EvPos(const BCRV* c, double t, double* P);
int BCRV_Ev1Der(const BCRV* c, double t, double* P, double* d1);
int BCRV_Ev2Der(const BCRV* c, double t, double* P, double* d1, double* d2);
// Point and derivatives up to order d (d < kBcrvMaxOrder): ders[0] the point,
// ders[i] the i-th derivative.
int BCRV_EvDers(const BCRV* c, double t, int d, double (*ders)[3]);
// Homogeneous point (w·x, w·y, w·z, w) at t.
int BCRV_EvHom(const BCRV* c, double t, double* Pw);

// Largest parameter step whose chords stay within tol of the curve inside
// every C1 piece, from the largest second derivative sampled over each span
// (chord error ≈ M·h²/8). A straight curve gets the whole domain. 1 on
// success; 0 for an invalid record or tol <= 0 (step unchanged).
int BCRV_GetMaxiStepLin(const BCRV* c, double tol, double& step);

// Arc length between parameters t0 and t1 (either order), by adaptive
// Gauss-Legendre quadrature per knot span to absolute accuracy about tol.
// -1 for an invalid record, tol <= 0 or non-finite parameters.
double BCRV_Length(const BCRV* c, double t0, double t1, double tol);

// Knot insertion in place (see BCRV::InsertKnot); BCRV_InsKnots inserts each
// of m values once (values outside the open domain are skipped).
int BCRV_InsKnot(BCRV* c, double u, int times);
int BCRV_InsKnots(BCRV* c, int m, const double* knots);
// Raises the order by one in place.
int BCRV_ElvDeg(BCRV* c);

// Splits at t strictly inside the domain into two new records, each
// reparametrised to [0, 1]. 0 (outputs null) otherwise.
int BCRV_Split(const BCRV* c, double t, BCRV** left, BCRV** right);
// The piece over [t0, t1] (t0 < t1 after clamping to the domain) as a new
// record on [0, 1]. An end within tol (parameter units) of a domain end or of
// an existing knot snaps to it, so no sliver spans are made, but only where
// that moves the end point by less than 1e-6: the piece's ends stay where asked.
int BCRV_Trim(const BCRV* c, double t0, double t1, double tol, BCRV** out);

// Joins count curves in order into one new record on [0, 1]. Each curve's end
// must lie within tol of the next one's start (a curve whose end meets it
// instead is used reversed); the joint point becomes the midpoint. Orders are
// raised to the highest; each piece gets a parameter interval in proportion
// to its control-polygon length. A single curve gives a clone. 0 with *out
// null when a curve is invalid or a gap exceeds tol.
int BCRV_Merge(int count, BCRV* const* curves, double tol, BCRV** out);

// Free-function builders: a new record in *out.
int BCRV_GenLine(const double* p0, const double* p1, BCRV** out);
// Exact arc of an arc record (frame, radius, sweep in (0, 2π]).
int BCRV_GenArc(const _arc* arc, BCRV** out);

struct _rect_fm3d;
// Control points (so the whole curve) into the frame's coordinates (RF_TransWorldP3D)
// and back (RF_TransLocalP3D); weights kept. 0 for an invalid curve or null frame.
int BCRV_TransWorld(BCRV* c, const _rect_fm3d* frame);
int BCRV_TransLocal(BCRV* c, const _rect_fm3d* frame);
// Curve of the given order (2 to kBcrvMaxOrder, lower when there are fewer points)
// through the n points, chord-length parameters, knots over [0, 1]
// (BCRV_GlobalInterp). 0 with *out untouched on failure.
int BCRV_IntpPs(int n, const double (*points)[3], int order, BCRV** out);

// Conic arc from P0 to P2 with P1 as the middle control point: the rational
// quadratic with weights 1, w, 1 where w = rho / (1 - rho), rho in (0, 1) the
// shoulder parameter (the curve's middle point lies at M + rho·(P1 - M), M the
// midpoint of P0 and P2): an ellipse below 0.5, a parabola at 0.5, a hyperbola
// above. 0 with *out untouched for rho outside (0, 1) or non-finite points.
int BCRV_CreConic(const double* P0, const double* P1, const double* P2, double rho, BCRV** out);
// Control points of the cubic Ferguson (Hermite) curve on [0, 1] with
// C(0) = P0, C'(0) = T0, C(1) = P1, C'(1) = T1, as homogeneous points of
// weight 1: P0, P0 + T0/3, P1 - T1/3, P1. 0 (cp untouched) for non-finite input.
int BCRV_CalFergCntP(const double* P0, const double* T0, const double* P1, const double* T1, double (*cp)[4]);
// The same cubic as a new curve record (order 4, Bezier knots on [0, 1]).
int BCRV_CreFergC1(const double* P0, const double* T0, const double* P1, const double* T1, BCRV** out);
