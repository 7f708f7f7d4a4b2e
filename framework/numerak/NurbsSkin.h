#pragma once
// Services for skinning: nets of homogeneous points, a deviation measure
// between two curves, curves brought to one order and knot vector, and a
// surface interpolating a row of compatible curves.

#include "framework/numerak/Bcrv.h"
#include "framework/numerak/Bsrf.h"

// Net of rows x columns homogeneous points (row array and rows from
// std::malloc, points zeroed); null for bad sizes or when memory runs out.
double (**NET4D_Create(int rows, int columns))[4];
// Frees the rows and the row array; null is ignored.
void NET4D_Free(double (**net)[4], int rows);

// Deviation of b from a: mean distance of a and b sampled at the same
// parameters (mode 0) or with b run backwards (mode 1), over 33 samples of
// each domain. 1 on success; 0 for invalid curves or a mode other than 0, 1.
int BCRV_InqADDegree(int mode, const BCRV* a, const BCRV* b, double* measure);

// Gives the m curves one order (the highest) and one knot vector (every
// knot with its highest multiplicity; knots nearer than tol are one knot),
// shapes unchanged; domains are first mapped onto [0, 1]. 1 on success; 0
// for invalid curves or when a step fails (curves may then be partly raised).
int BCRV_UniStr(int m, BCRV** curves, double tol);

// Surface through m rows of control points (each tmpl->n homogeneous
// points, the curves' common order and knots along u): each column is
// interpolated across the rows in v with order kv (lowered to m when fewer
// rows are given), parameters by averaged chord length between the rows.
// 1 on success; 0 for bad input or a singular system.
// Rows with a zero or negative weight, or an interpolated net whose weights
// do not stay positive, fail.
int BSRF_IntpPs(int m, double (*const* rows)[4], const BCRV* tmpl, int kv, _nurbs_surface** out);
// The same with the rows at uniform parameters j / (m - 1) across v (so
// uniform inner knots), whatever the distances between the rows.
int BSRF_IntpPsUniK(int m, double (*const* rows)[4], const BCRV* tmpl, int kv, _nurbs_surface** out);
