// Least-squares fitting of piecewise cubic Bezier splines to point sequences
// (Schneider's method: chord-length parameters, a least-squares solve for the
// inner control points with fixed end tangents, Newton reparameterisation and
// splitting at the worst point), and its 3D counterpart through NURBS
// approximation.
#pragma once

class CGeBezier;
class CGeCurve3d;

// A new spline through pts[0] .. pts[n-1] (the caller owns it) whose nodes
// 3j are the points where the fit split. tol bounds the squared distance of
// every point from its place on the spline (0.01 admits 0.1). Consecutive
// points closer than 1e-6 count as one. Null for null pts, n <= 1, points that
// all coincide or a non-finite coordinate. Safe to call on several threads.
CGeBezier* geFitCurve(double (*pts)[2], int n, double tol);

// A new 3D curve (the caller owns it) approximating the points by NURBS curves
// of degree 2 within tol, cut at corners sharper than angle (pi is a straight
// continuation): one CGeNrbCrv3d, or a CGeCombCurve3d of several. Null when
// nothing was fitted.
CGeCurve3d* geFitCurve3d(double (*pts)[3], int n, double tol, double angle);
