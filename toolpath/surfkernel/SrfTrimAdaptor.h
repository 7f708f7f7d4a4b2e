#pragma once
// The trimming engine's driver. It takes trimmed surfaces in two sets, the
// surfaces to be trimmed (set 0) and the tool surfaces (set 1), intersects every
// trim-set surface with every tool-set surface through the surface kernel, accepts
// further cutting curves as kernel intersection records, 3D point strings or
// polylines in one surface's parameter domain, finds where the curves cross the
// trim loops, each other and themselves, and rebuilds the loops of each edited
// surface so that it is split along the curves. It hands back new trimmed surfaces
// (one per rebuilt outer loop), 3D curves lying on a surface or kernel records of
// the valid curve pieces.
//
// Ownership: the adaptor owns its curves and edited surfaces, not the trimmed
// surfaces of either set. It attaches a kernel surface record and a cached
// subdivision to every surface it is given and frees them in ReleaseKernelData;
// tool surfaces themselves are deleted only by DeleteToolSurfaces. The adaptor
// changes the kernel's process-wide tolerances while it intersects, so no other
// use of the surface kernel may run at the same time.

#include "geometry/shapes3d/GeTrimSurf.h"
#include "platform/core/ObList.h"
#include "toolpath/surfkernel/SurfaceIntersect.h"

class CEdInterCurve;
class CEdInterLine;
class CEdTrimSurf;
class CStrP3D;

// Tolerances of the adaptor.
inline constexpr double kTrimBoxTol = 1e-6;        // surface boxes meet; UV points lie in a box
inline constexpr double kTrimOnBoundTol = 0.01;    // a curve lying on a trim bound
inline constexpr double kTrimSizeMinLine = 0.06;   // grid lines of a surface's size longer than this
inline constexpr double kTrimMissingSize = 100000; // the size of a missing surface
inline constexpr double kTrimMinPatchTol = 0.1;    // smallest patch-size tolerance of a pair
inline constexpr double kTrimSnapMax = 0.1;        // largest snap distance of a curve end to a domain side
inline constexpr double kTrimCollinearTol = 1e-6;  // thinning of parameter polylines
inline constexpr double kTrimNearCurveTol = 0.0001;
inline constexpr double kTrimEucCrvTol = 0.02;     // 3D curves of the collected loops

class CSrfTrimAdaptor {
public:
    CSrfTrimAdaptor();
    // ReleaseKernelData, then Clear.
    virtual ~CSrfTrimAdaptor();
    CSrfTrimAdaptor(const CSrfTrimAdaptor&) = delete;
    CSrfTrimAdaptor& operator=(const CSrfTrimAdaptor&) = delete;

    // Wraps a kernel intersection curve lying on a and b (either may be null) and
    // appends it to the curve chain. Null for a null record, one the curve refuses,
    // or one lying on a trim bound of a.
    virtual CEdInterCurve* AddInterCurve(ECRV_INTCUR* record, CEdTrimSurf* a, CEdTrimSurf* b);
    // Projects the points onto the surface's kernel record and adds every run of
    // successive projections inside its UV box as a parameter curve; a run broken by
    // a failed projection asks for extension at its end, one that starts after the
    // first point at its start.
    virtual void AddPointString(CStrP3D* str, CEdTrimSurf* surf);
    // Adds a polyline of n (u, v) pairs: ends near a side of the domain are snapped
    // onto it (no extension there), the polyline is unwrapped across periodic seams,
    // thinned, and free ends asked for are extended by the domain's diagonal. The
    // caller's points stay unchanged. Null for null input, n < 2, a surface without
    // a trimmed surface, or fewer than two points after thinning.
    virtual CEdInterCurve* AddUVCurve(double (*pts)[2], int n, CEdTrimSurf* surf, bool extendStart, bool extendEnd);
    // Every curve's points from scratch: crossings with the trim bounds of its
    // surfaces (near points where none), with other curves (withPairs), with itself,
    // and its end points unless it crosses itself. 0 without curves.
    virtual int PrepareIntersections(int withPairs);
    // Rebuilds the loops of the edited surfaces of set 0 (which 0), set 1 (1) or
    // both (2) from their own bounds and the curves' valid pieces on them. Always 1.
    virtual int TrimSurfaces(int which);
    // Intersects every trim-set surface with every tool-set surface whose 3D boxes
    // meet, adding the curves; a pair that a curve already joins is left out. The
    // kernel's tolerance triples are the same afterwards as before. 1 when the
    // adaptor holds at least one curve.
    virtual int IntersectAll();
    // PrepareIntersections (1), TrimSurfaces (which); 1.
    virtual int Trim(int which);
    // One new trimmed surface per rebuilt outer loop (with its islands) of every
    // edited surface. 1 when out is not empty afterwards.
    virtual int CollectResults(CObList* out);
    // The rebuilt loops of one surface that no curve bound with side flag 0
    // bounds, as new trimmed surfaces. 1 when out is not empty afterwards.
    virtual int CollectPieces(CGeTrimSurf* surf, CObList* out);
    // The curves' valid pieces on the surface as new 3D curves of the given kind
    // (CSrfActor::MakeCurve). 0 for null arguments or no curve, else 1.
    virtual int CollectCurves3d(CEdTrimSurf* surf, int kind, CObList* out);
    // PrepareIntersections (0), then every curve's valid segments as new kernel
    // intersection records (freed by the caller with ECRV_FreeIntersection, their
    // surface records with ENT_Free). 0 for null.
    virtual int CollectValidSegments(CPtrList* out);

    // Adds a surface to the tool set (toolSet nonzero) or the trim set, gives it a
    // kernel record when it has none and makes its edited surface. 0 for null or a
    // surface already in either set.
    int AddSurface(CGeTrimSurf* surf, int toolSet);
    // The first edited surface made for the surface; null for null or none.
    CEdTrimSurf* FindEdSurf(CGeTrimSurf* surf);
    // Frees the cached subdivision and the kernel record of every surface of both
    // sets and clears both pointers.
    void ReleaseKernelData();
    // Deletes every tool-set surface with its kernel data and empties the tool set;
    // their edited surfaces forget them.
    void DeleteToolSurfaces();
    // Deletes every curve and edited surface and empties both sets (the surfaces
    // stay). Always 1.
    int Clear();

    int extend = 0;
    CTypedPtrList<CObList, CGeTrimSurf*> trimSet{10};
    CTypedPtrList<CObList, CGeTrimSurf*> toolSet{10};
    CEdInterCurve* curveHead = nullptr;
    CEdInterCurve* curveTail = nullptr;
    CEdTrimSurf* surfHead = nullptr;
    CEdTrimSurf* surfTail = nullptr;

private:
    void AppendCurve(CEdInterCurve* curve);
    // Intersects one pair and adds its curves.
    void IntersectPair(CGeTrimSurf* s0, CEdTrimSurf* e0, CGeTrimSurf* s1, CEdTrimSurf* e1);
};

// 1 when the curve's parameter polyline on its first surface runs along a trim
// bound of the surface within 0.01.
int LiesOnSurfaceBound(CEdInterCurve* curve, CEdTrimSurf* surf);
// Length of the shortest of the ten parameter grid lines (five of constant u, five
// of constant v over the UV box, each walked through five points) that is longer
// than 0.06; 1e12 when there is none. 0 for a null surface, else 1.
int TrimSurfSize(CGeTrimSurf* surf, double& size);
// The subdivision triple for a pair of surfaces: the application's, with its
// patch-size component cut to a quarter of the smaller surface size when that
// size is below twice the component, and never below 0.1. Nothing when both are null.
void PairSubdivisionTolerances(CGeTrimSurf* s0, CGeTrimSurf* s1, double* triple);
// Deletes every valid segment of the chain that starts at head; head becomes null.
void GeoEdit_DeleteLines(CEdInterLine*& head);
