// Biarc fitting of point sequences: replaces a run of 2D points by lines and
// biarcs (pairs of tangent-continuous arcs) that pass through chosen points of
// the run and stay within a tolerance of every point and chord midpoint.
#pragma once

#include "platform/core/ObList.h"

class CGeCurve;
class CGeCombCurve;
class CGeCombCurve3d;

// Working record of one fitting window: the biarc from P0 (tangent T0) to P1
// (tangent T1). Reused for every window of one fitting call.
struct Biarc {
    enum Kind { kInvalid = 0, kLine = 1, kTwoArcs = 2 };

    double centre1[2];
    double start[2];
    double junction1[2];
    double centre2[2];
    double junction2[2];
    double end[2];
    int kind;
    double tol;
    double radius1, radius2;
    double startAngle1;
    // Signed sweeps, positive counter-clockwise. Each arc turns the way its
    // start tangent sends it, so |sweep| may exceed pi.
    double sweep1, sweep2;

    // Sets the record for P0, P1 and the end tangents (any length); returns the kind.
    int BiarcBuild(const double* p0, const double* p1, const double* t0, const double* t1);
    // True when q lies within tol of the biarc (of the segment for a line).
    // lastPos carries the arc-length position of the previous tested point:
    // points must not run backwards along the biarc by more than tol.
    bool BiarcPointWithinTol(const double* q, double& lastPos) const;
    bool BiarcPointWithinTol(const double* q) const
    {
        double pos = -1e300;
        return BiarcPointWithinTol(q, pos);
    }
    // For a one-chord window: true when both arcs keep within tol of the chord
    // line (a line always passes).
    bool BiarcChordTest() const;
    // Appends a line (kind 1) or the two arcs (kind 2; a line when an arc
    // cannot be made) to list.
    void BiarcEmit(CTypedPtrList<CObList, CGeCurve*>& list) const;
};

// Fits the n points (tangents tans, or estimated when tans is null) with lines
// and biarcs within tol. Returns a new composite curve owned by the caller:
// null for n < 2 or null points, one line for n = 2, otherwise the fitted
// members (possibly none when every chord is shorter than 1e-6).
CGeCombCurve* geBiarcsFitCurve(double (*pts)[2], double (*tans)[2], int n, double tol);

// The same for 3D points lying in one plane parallel to a coordinate plane:
// plane 0 = XY (x, y used), 1 = YZ (z, y used), 2 = XZ (x, z used). The result
// lies in that plane through pts[0]; null when nothing was fitted.
CGeCombCurve3d* geBiarcsFitCurve3dOnXYZ(double (*pts)[3], int n, double tol, int plane);

// Cuts the 3D points into runs lying in coordinate planes, fits each run with
// geBiarcsFitCurve3dOnXYZ and joins the results; points in no such plane
// become 3D polylines. Consecutive runs share their joining point. Null for
// null points or n <= 1.
CGeCombCurve3d* geBiarcsFitCurve3d(double (*pts)[3], int n, double tol);
