// Toolkit of operations on 3D curves, made for one task and used by one thread at a
// time. It keeps nothing between calls.
#pragma once

#include <vector>

struct BCRV;
class CGeNrbCrv3d;

class CGeTool3D {
public:
    CGeTool3D();
    ~CGeTool3D();
    CGeTool3D(const CGeTool3D&) = delete;
    CGeTool3D& operator=(const CGeTool3D&) = delete;

    // Turns a run of 3D points into NURBS pieces appended to out (owned by the caller,
    // freed with BCRV_Free). Points closer than 0.005 to the last kept point are
    // skipped; a run is cut where a point lies farther than tol from the line through
    // the last two kept points or where the angle at the last kept point is below
    // angle (a straight continuation has the angle pi). A run of two points becomes a
    // straight record, a longer one an approximation of the given degree within tol.
    // Nothing for null points, n < 2 or degree < 1.
    void GlobalInterp(double (*pts)[3], int n, int degree, double tol, double angle, std::vector<BCRV*>& out);
    // The same joined into one record (pieces merged within 0.01); null when nothing
    // was made or the pieces do not join.
    BCRV* GlobalInterp(double (*pts)[3], int n, int degree, double tol, double angle);
    // A new curve joining the two (within 0.01); null when either is null or they do
    // not join. The arguments are unchanged.
    CGeNrbCrv3d* Merge(CGeNrbCrv3d* first, CGeNrbCrv3d* second);
};
