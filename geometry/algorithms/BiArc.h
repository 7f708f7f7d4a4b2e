// Biarc fitting of point sequences: replaces a run of 2D points by lines and
// pairs of tangent-continuous arcs within a tolerance.
#pragma once

class CGeCombCurve;

// Fits the n points (tangents tans, or estimated when tans is null) with lines
// and biarcs within tol. Returns a new composite curve owned by the caller,
// or null when nothing could be fitted.
CGeCombCurve* geBiarcsFitCurve(double (*pts)[2], double (*tans)[2], int n, double tol);
