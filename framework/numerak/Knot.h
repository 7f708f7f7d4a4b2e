#pragma once
// Knot vectors and the parameters they are built from. A knot vector for
// order k and n control points holds n + k doubles. Vectors handed out are
// allocated with std::malloc (the record allocator's scheme) and freed with
// KNOT_Free (or std::free).

// New clamped uniform knot vector on [0, 1]: k zeros, n - k evenly spaced inner
// knots, k ones. Null for k < 2, n < k or when memory runs out.
double* KNOT_Gen(int k, int n);

// Releases a vector from KNOT_Gen; null is ignored.
void KNOT_Free(double* knots);

// Accumulated chord-length parameters of n points (3 doubles each), scaled to
// [0, 1]: params[0] = 0, params[n-1] = 1, params[i] - params[i-1] in
// proportion to |pts[i] - pts[i-1]|. 1 on success; 0 for null arrays, n < 2,
// non-finite coordinates or when all points coincide (params untouched then).
int KNOT_CalAccumChord(int n, const double (*pts)[3], double* params);

// Knot vector for order k from n non-decreasing parameters by averaging:
// k copies of params[0], k copies of params[n-1] and inner knot j + k - 1 the
// mean of params[j .. j + k - 2] (j = 1 .. n - k). Every parameter then lies
// in a span that interpolation can use. params is not changed. 1 on success;
// 0 for k < 2, n < k, null arrays, or parameters that are not finite,
// decrease, or span an empty range.
int KNOT_CalByAC(int k, int n, const double* params, double* knots);

// Maps the knot vector linearly so that the domain [U[k-1], U[n]] becomes
// [0, 1]. 1 on success; 0 for bad arguments or an empty domain (unchanged).
int KNOT_Regu(int k, int n, double* knots);
