#pragma once
// The NURBS editing facade the shape classes call: interpolation, knot insertion,
// length, splitting. A thin layer over the BCRV_ functions: every record it
// hands out is new, owned by the caller and freed with BCRV_Free; null (or 0)
// means nothing was made. Inputs are never changed or freed. Parameters are in
// knot units of the record given.
#include "framework/numerak/Bcrv.h"

#include <vector>

class CNurbsEditor {
public:
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
};
