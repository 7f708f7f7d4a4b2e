#pragma once
// The NURBS editing facade the shape classes call: interpolation, knot insertion,
// length, splitting. A thin layer over the BCRV_ functions: every record it
// hands out is new, owned by the caller and freed with BCRV_Free; null (or 0)
// means nothing was made. Inputs are never changed or freed. Parameters are in
// knot units of the record given.
#include "framework/numerak/Bcrv.h"

#include <vector>

struct _nurbs_surface;

// Direction selectors of MakeIsoCurve.
inline constexpr int kIsoConstU = 1301;  // constant u, the curve runs in v
inline constexpr int kIsoConstV = 1302;  // constant v, the curve runs in u

class CNurbsEditor {
public:
    // How far the surface of OffsetSurf may stray from the exact offset (model units).
    static constexpr double kOffsetSurfTol = 1e-3;

    // Curve of the given degree through the n points (BCRV_GlobalInterp); the 2D
    // form lies in the plane z = 0.
    static BCRV* GlobalInterp(const double (*pts)[3], int n, int degree);
    static BCRV* GlobalInterp(const double (*pts)[2], int n, int degree);
    // Least-squares curve within tol of the points (BCRV_ApproxErrBnd).
    static BCRV* GlobalApproxErrBnd(const double (*pts)[3], int n, int degree, double tol);
    // A copy of c with the knot u (strictly inside the domain) inserted until it
    // occurs `times` times, at most k - 1; the shape is unchanged. Null when
    // nothing would be inserted.
    static BCRV* AddKnot(const BCRV* c, double u, int times);
    // Arc length between t0 and t1 to about tol; 0 for an invalid record.
    static double LengthIn(const BCRV* c, double t0, double t1, double tol);
    // The pieces before and after t (strictly inside the domain), each on [0, 1];
    // the number of pieces made (0 or 2).
    static int Split(double t, const BCRV* c, BCRV** pieces);
    // Parameters where the curve may lose tangent continuity: the domain ends and
    // every inner knot of multiplicity k - 1 or more, ascending. Empty for an
    // invalid record.
    static std::vector<double> C1Breaks(const BCRV* c);
    // The curve cut at its C1 breaks into at most maxPieces new records, each on
    // [0, 1] (the last one reaches the domain end); the number written to pieces.
    static int SplitInC1Discont(const BCRV* c, BCRV** pieces, int maxPieces);

    // The exact iso curve of a surface: dir kIsoConstU gives the curve of constant
    // u = value running in v (order, knots and parameters of the v direction),
    // kIsoConstV the curve of constant v running in u. The value is clamped to the
    // domain. Null for an invalid record or another dir.
    static BCRV* MakeIsoCurve(const _nurbs_surface* s, int dir, double value);
    // A bicubic surface fitted to the offset S(u, v) + dist·N(u, v) over the same
    // parameter domain (points of equal (u, v) correspond), interpolating the
    // offset on a grid refined until it stays within kOffsetSurfTol at the
    // points between the grid's. dist 0 gives a copy. Null for an invalid record,
    // a point without a normal, or when a grid of 257 × 257 samples does not
    // reach the tolerance.
    static _nurbs_surface* OffsetSurf(const _nurbs_surface* s, float dist);
};
