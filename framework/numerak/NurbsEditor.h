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

    // Knots of different sections closer than this (on [0, 1]) count as one knot in SkinV.
    static constexpr double kSkinKnotTol = 1e-10;
    // Skinned surface through the count curves in the order given (none is
    // reversed): copies of the curves are brought to one order and knot vector
    // (BCRV_UniStr, domains mapped onto [0, 1]) and become the v = const iso
    // curves of the surface (u along the curves, their order and knots), each
    // column interpolated across them with order vOrder (lowered to count) at
    // averaged chord-length parameters (BSRF_IntpPs). A curve of two equal
    // points gives a pointed section. Null for fewer than two curves, an invalid
    // curve, vOrder outside [2, kBcrvMaxOrder] or a failed solve.
    static _nurbs_surface* SkinV(BCRV* const* curves, int count, int vOrder, double knotTol = kSkinKnotTol);

    // Modes of Extend.
    static constexpr int kExtendTangent = 0;     // along the cross-boundary derivative
    static constexpr int kExtendPolynomial = 1;  // the last polynomial span continued
    // A new surface that is s continued beyond one boundary. Sides follow a
    // counter-clockwise walk round the domain: 0 the u-min boundary, 1 v-min,
    // 2 u-max, 3 v-max. The domain in that direction grows by ratio times its
    // length, and the whole result is re-parametrised onto [0, 1]^2, so the
    // original lies unchanged inside it (at u' = u / (1 + ratio) for side 2, and
    // so on). Mode kExtendTangent adds straight rulings along the cross-boundary
    // tangent: P(t) = P(b) + (t - b)·D(b) with P the homogeneous point and D its
    // derivative across the boundary b, to which a rational surface adds the
    // least multiple of P(b) under which no weight falls along the strip (the
    // Euclidean point and tangent at b are unchanged, and the rulings stay
    // finite). Mode
    // kExtendPolynomial continues the polynomial of the last knot span beyond
    // the boundary (equal derivatives of every order). Both join with equal
    // position and cross derivative. Null for an invalid record, an unclamped
    // end at that side, ratio <= 0 or not finite, another side or mode, or
    // when the continued weights of a rational surface (polynomial mode) would
    // not stay positive.
    static _nurbs_surface* Extend(const _nurbs_surface* s, double ratio, int side, int mode);

    // Splits s at u = value (dir kIsoConstU) or, for any other dir, at v = value
    // (knot units, strictly inside the domain) into two new surfaces, each over
    // [0, 1] in the split direction and with the other direction unchanged.
    // out[0] the part below value, out[1] the part above. The number of parts
    // made: 2, or 0 with both null for an invalid record or a value not inside
    // the domain.
    static int SplitAt(const _nurbs_surface* s, double value, int dir, _nurbs_surface** out);

    // A bilinear plane at z = origin[2] over x in [origin[0], origin[0] + width]
    // and y in [origin[1], origin[1] + height], parameters on [0, 1]^2:
    // (u, v) maps to origin + (u·width, v·height, 0), so a loop drawn in the box
    // (0, 0)-(width, height) and normalised onto the unit square trims it in
    // place. Null unless width and height are positive and finite.
    static _nurbs_surface* MakePlane(const double* origin, double width, double height);
};
