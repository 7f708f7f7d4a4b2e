#pragma once
// Real roots of polynomials of small degree.
//
// Coefficients run upwards: c[0] + c[1] x + ... + c[deg] x^deg.

// Highest degree the root finder accepts.
constexpr int kPolyMaxDegree = 12;

// Value of the polynomial at x (Horner).
double POLY_Eval(const double* c, int deg, double x);

// Real roots of the polynomial in [lo, hi], ascending.
//
// The interval is cut at the real roots of the derivative into pieces on which the
// polynomial is monotone; every piece whose ends differ in sign holds one root,
// found by safeguarded Newton. A cut point (a local extremum or an interval end)
// where |p| <= touchTol and no neighbouring piece holds a root is reported too: it
// is a double root within tolerance, the tangent case. Pass touchTol < 0 for sign
// changes and exact zeros only, or a huge value to receive every extremum as a
// candidate that the caller checks geometrically.
//
// roots must hold deg + 1 values. Returns the number of roots, -1 when the
// polynomial is constant within touchTol (zero everywhere), and 0 for bad input
// (degree outside 0..kPolyMaxDegree, non-finite coefficients or bounds, lo > hi).
int POLY_Roots(const double* c, int deg, double lo, double hi, double touchTol, double* roots);
