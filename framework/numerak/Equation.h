// Closed-form solvers of small equations.
#pragma once

// Angles theta in (-pi, pi] with a·cos(theta) + b·sin(theta) = c, written to theta.
// Returns 2 for two distinct roots, 1 when |c| equals hypot(a, b) (a double root),
// 0 when |c| exceeds it, when a and b are both 0, or for non-finite input.
int EQU_SolExpoEquation(double a, double b, double c, double* theta);

// Real roots of a·x² + b·x + c = 0, ascending, written to roots (room for 2).
// a = 0 falls back to the linear equation (one root unless b is 0 too). Returns the
// number of roots: 0, 1 (a double root or the linear case) or 2; 0 for non-finite
// input. The roots are formed without cancellation.
int EQU_SolQuadEqua(double a, double b, double c, double* roots);
