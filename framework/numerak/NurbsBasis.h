#pragma once
// B-spline basis functions of one parameter direction. Curves use them once,
// surfaces once per direction; none of them allocates.
//
// Conventions (The NURBS Book): p = degree = order - 1, n = number of control
// points, U holds n + p + 1 knots, the parameter domain is [U[p], U[n]].

namespace numerak::nurbs {

// Highest order the evaluators handle; their work buffers are sized by it.
inline constexpr int kMaxOrder = 16;

// Index i of the knot span [U[i], U[i+1]) holding u, in [p, n - 1]; u outside
// the domain is clamped to it, and u = U[n] gives the last non-empty span.
// Binary search, bounded even on knots that are not monotone.
int FindSpan(int n, int p, double u, const double* U);

// The p + 1 non-zero basis functions N[i-p .. i] at u in span i, into N[0 .. p].
void BasisFuns(int span, double u, int p, const double* U, double* N);

// Basis functions and their derivatives up to order nd at u in span i:
// ders[d][j] is the d-th derivative of N[span-p+j]. Derivatives above p are 0.
void DersBasisFuns(int span, double u, int p, int nd, const double* U, double (*ders)[kMaxOrder]);

// 1 when the knot vector for order k and n control points is usable: finite,
// non-decreasing, no knot more than k times, non-empty domain U[k-1] < U[n].
int KnotsValid(int k, int n, const double* U);

// Multiplicity of the value u in U (exact comparison), 0 when absent.
int KnotMultiplicity(int k, int n, const double* U, double u);

}  // namespace numerak::nurbs
