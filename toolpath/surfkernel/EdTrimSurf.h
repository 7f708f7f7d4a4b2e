#pragma once
// One trimmed NURBS surface while its trim loops are rebuilt: its own loops, the
// curve bounds that are to cut it, and the rebuilt loops. The rebuild breaks every
// bound at its crossings, snaps nearly meeting ends together, walks the pieces into
// closed loops by always turning as far left as possible, and sorts the loops into
// outer loops with islands. Owns its own loops, curve bounds and rebuilt loops;
// the surface itself is not owned.

#include "framework/numerak/Box.h"
#include "framework/numerak/NurbsParam.h"

class CEdTrimBound;
class CEdTrimLoop;
class CGeTrimLoop;
class CGeTrimSurf;

class CEdTrimSurf {
public:
    CEdTrimSurf();
    ~CEdTrimSurf();
    CEdTrimSurf(const CEdTrimSurf&) = delete;
    CEdTrimSurf& operator=(const CEdTrimSurf&) = delete;

    // Clears everything and builds the own loops from the surface; 0 for a null
    // surface or one without a NURBS record.
    int InitSurfBound(CGeTrimSurf* surface);
    // Appends an own loop (ConnectBound, area, owner); 0 for null.
    int AddLoop(CEdTrimLoop* loop);
    // Appends a curve bound (its next cleared); 0 for null.
    int AddCurve(CEdTrimBound* bound);
    // Appends every bound of a chain as curve bounds, numbering their ids on from the
    // last curve bound's id (or 0); 0 for null.
    int AddIntBounds(CEdTrimBound* chain);
    // Adds a polyline of n (u, v) pairs as curve bounds, split where it passes a
    // periodic seam; the caller's array changes. 0 for null points, n <= 1 or when the
    // surface's parameter records are not known.
    int AddCurve(double (*pts)[2], int n);
    // Adds points from..to as one curve bound, thinned when simplify is set.
    void AddCurve(double (*pts)[2], int total, int from, int to, bool simplify);
    // 0 inside the trimmed region, 1 outside, 2 on its boundary.
    int IsPointIn(const double* uv);
    // Moves the point into the UV box along each periodic direction. Always 1.
    int ClipToPeriodic(double* uv);
    // Crossings between the own loops' bounds and the curve bounds, and among the
    // curve bounds. Always 1.
    int AutoIntersect(bool forceBoth);
    // Extends free curve ends that lie inside the region to the boundary.
    void ExtendIntBound();
    // Every bound broken at its crossings, curve pieces followed by reversed twins.
    CEdTrimBound* BreakAllBound();
    // Snaps nearly meeting ends of the chain's bounds together ((u, v) within tol,
    // 3D within 0.02).
    void PretreatBnd(CEdTrimBound* chain, double tol);
    // Walks the chain's pieces into closed loops (the last made first); pieces that
    // close no loop are deleted.
    CEdTrimLoop* FormLoop(CEdTrimBound*& chain, double tol);
    // One loop of path[from..to], put at the front of result; 0 when it has no area.
    int CreateLoop(CEdTrimLoop*& result, CEdTrimBound*& chain, CEdTrimBound** path, int from, int to);
    // The free bound starting within tol of end that turns farthest left from dir;
    // end and dir move to its end. Null when none.
    CEdTrimBound* FindNextBound(CEdTrimBound* chain, double* end, double* dir, double tol);
    // 1 when the bound's reversed twin is on the current path.
    int IsReverseBnd(CEdTrimBound* chain, CEdTrimBound* bound);
    // Outer loops with their islands, largest area first.
    CEdTrimLoop* BuildTrimLoop(CEdTrimLoop* chain);
    // The whole rebuild (with extension of free curve ends when extend is set); the
    // loops go to resultHead. Always 1.
    int TrimSurface(int extend);
    // The rebuild without extension, returned and not stored.
    CEdTrimLoop* FormTrimLoop();
    // Runs FormTrimLoop and discards the loops; always null.
    CGeTrimLoop* FormSurfLoop();
    double GetMinCloseTol();
    // Nearest surface point from the given (u, v); 1 with the new (u, v).
    int SnapPoint(const double* p, double* foot, double& u, double& v);
    // Which ends of two bounds meet (0 start, 1 end; -1 none).
    void IsLink(const double* s1, const double* e1, const double* s2, const double* e2, double uvTol, double xyzTol,
                int& end1, int& end2);
    void DelOverlapBnd(CEdTrimBound* chain, double tol);
    // Deletes the rebuilt loops and the curve bounds.
    void ClearResult();
    // Deletes curve bounds, own loops and rebuilt loops and forgets the surface. Always 1.
    int DeleteAllCurve();

    int set = 0;
    CGeTrimSurf* surf = nullptr;
    int uPeriodic = 0;
    int vPeriodic = 0;
    BOX2<double> uvBox;
    CEdTrimLoop* loopHead = nullptr;
    CEdTrimLoop* loopTail = nullptr;
    CEdTrimBound* curveHead = nullptr;
    CEdTrimBound* curveTail = nullptr;
    CEdTrimSurf* next = nullptr;
    CEdTrimSurf* prev = nullptr;
    CEdTrimLoop* resultHead = nullptr;

private:
    // The NURBS record's parameter records; false when it has none or they fail.
    bool Params(_param& U, _param& V);
};

// Takes the bound out of the chain (links cleared) and returns the new head.
CEdTrimBound* UnlinkBound(CEdTrimBound* head, CEdTrimBound* bound);
