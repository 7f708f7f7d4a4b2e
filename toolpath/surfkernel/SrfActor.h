#pragma once
// The stateless facade of the surface operations: the maker of 3D curves from
// point arrays (which the surface operations and the trimming adaptor use to
// hand their results back), heights of points under meshes, points at equal
// arc length, extension of untrimmed surfaces and removal of a trim loop.

#include "framework/numerak/Point3f.h"
#include "framework/numerak/PointTypes.h"
#include "platform/core/Containers.h"
#include "platform/core/ObList.h"

#include "geometry/shapes3d/GeTool3D.h"

#include <vector>

class CGeCurve3d;
class CGeMesh;
class CStrP3D;
struct _nurbs_surface;
class CGeTrimBnd;
class CGeTrimSurf;
struct ENTITY;
using CURVE = ENTITY;

// Point cleaning of MakeCurve: points closer than this to the last kept one are
// dropped, and runs within it of one chord become that chord.
inline constexpr double kMakeCurveTol = 0.0001;
// A polyline whose ends lie closer than this is closed exactly.
inline constexpr double kMakeCurveCloseTol = 0.2;
// Error bound of the approximating NURBS curve of type 1.
inline constexpr double kMakeCurveApproxTol = 0.2;

// Height given to a point that no triangle covers.
inline constexpr double kNoHeight = -1e12;
// XY box margin and barycentric tolerance of the point-under-triangle test.
inline constexpr double kPrjBoxTol = 1e-6;
// Smallest discretisation tolerance of CrvDiscToStrptInEquDist.
inline constexpr double kEquDistMinTol = 0.0001;
// Ratios of SurfExtend at or below this extend nothing; above 1 they count as 1.
inline constexpr double kExtendMinRatio = 1e-6;
inline constexpr double kExtendMaxRatio = 1.0;
// Boundary lines whose ends differ by less than this in u (or v) are iso lines.
inline constexpr double kExtendIsoTol = 0.0001;

// Planarity tolerance of GenPlane's curves and groups, parallel test of
// normals, and chaining tolerance of its loops.
inline constexpr double kPlaneTol = 1e-6;
inline constexpr double kPlaneParallelTol = 0.001;
inline constexpr double kPlaneChainTol = 0.002;

// A trimmed surface is cut only strictly inside its parameter box shrunk by
// this; the cut line reaches this much beyond the box on both sides.
inline constexpr double kIsoTrimMargin = 0.0001;
inline constexpr double kIsoTrimReach = 0.1;

// Kernel point tolerance while points are projected onto a surface.
inline constexpr double kProjectPointTol = 0.00001;
// Input points this close count as a closed string.
inline constexpr double kStrptCloseTol = 0.0001;
// The 3D images of the parameter pieces: a segment is halved (at most this
// many times) while the image of its middle lies farther than the tolerance
// from its chord.
inline constexpr double kStrptChordTol = 0.001;
inline constexpr int kStrptMaxHalvings = 12;
// Revolution boundaries: discretisation of the 3D curves, the distance in v
// from 0 or 1 of a seam sample (also the distance from 0 or 1 of an end moved
// across the seam), thinning of the parameter polylines and the largest gap
// left between neighbours.
inline constexpr double kRevBndDiscTol = 0.02;
inline constexpr double kRevSeamTol = 0.00001;
inline constexpr double kRevBndLeanTol = 0.001;
inline constexpr double kRevBndGapTol = 0.0001;

// String resource shown (through the library message hook) for a curve that
// is not planar and cannot be extruded along Z.
inline constexpr unsigned kMsgCurveNotPlanar = 30597;
// Planarity tolerance of the curves extruded along Z.
inline constexpr double kExtrudePlaneTol = 0.02;
// Tolerance of the extrusions' NURBS form; tessellation of the tool surfaces.
inline constexpr double kExtrudeNurbsTol = 0.01;
inline constexpr double kExtrudeDiscTol = 0.05;
inline constexpr double kExtrudeZDiscTol = 0.2;
// Tool boxes meet the target's within this to take part in a trim.
inline constexpr double kTrimToolBoxTol = 0.01;

// A kernel curve record of the curve with its parameter range: a line record
// (start, unit direction) over [0, length], a circle record over [0, |sweep|]
// (the frame turned round for a negative sweep), an order 2 interpolation of
// a polyline's vertices and a copy of a NURBS curve over their knot ranges.
// Null for other kinds, a null curve, a line shorter than 1e-6 or a failed
// conversion; the caller frees the record with ENT_Free.
CURVE* ECRV_FromCurve3d(CGeCurve3d* curve, double* range);

// Section counts of the blends: at least 4, at most 501; a boundary whose
// discretisation step is not positive counts as needing the most.
inline constexpr int kBlendMinSections = 4;
inline constexpr int kBlendMaxSections = 501;

// Parameters of the two blends, in this order.
struct SURFBLEND_PARAM {
    double dExtLen1;  // added to the distance of each section's second control point from its first
    double dExtLen2;  // the same at the last two control points
    double dStart1;   // parameter range on the first boundary (0 to 1 the whole)
    double dEnd1;
    double dStart2;   // the same on the second boundary
    double dEnd2;
    int nWhole1;      // 1: the first boundary is closed, its whole range is used with periodic wrap
    int nWhole2;
};

class CSrfActor {
public:
    // A new curve through the cleaned points: type 2 a CGePolyline3d (closed exactly
    // when its ends lie within 0.2), type 1 a CGeLine3d for two points and otherwise
    // a cubic NURBS curve within 0.2 of the points, any other type an interpolating
    // NURBS curve of order 3. Null for fewer than two points (after cleaning) or
    // when the curve cannot be made; the caller owns the curve.
    CGeCurve3d* MakeCurve(CArray<tagPoint3d, tagPoint3d>* pts, int type);

    // Heights under and over the meshes: out receives, for input point i at
    // index i, the point with z the highest triangle (a quad counts as two) met
    // by the vertical line through it, or kNoHeight where none is. Points go
    // into a grid over their XY box, so each triangle tests only the points
    // under its box. Nothing happens (out untouched) for a null or empty mesh
    // list, no points, or an out that is not empty on entry; triangles with
    // vertex indices out of range are skipped.
    void PrjAlongZAxis(CTypedPtrList<CObList, CGeMesh*>* meshes, std::vector<tagPoint3f>& in,
                       std::vector<tagPoint3f>& out);
    // Appends points along the curve's discretisation (at tol, raised to
    // kEquDistMinTol): its first point, then one every step of arc length
    // (placed only while strictly inside the remaining polyline), then its last
    // point. Nothing for a null curve or a step that is not positive and finite.
    void CrvDiscToStrptInEquDist(CGeCurve3d* curve, double step, double tol, CArray<tagPoint3d, tagPoint3d>& out);

    // Planar trimmed surfaces from the curves (which are only read): curves are
    // grouped by plane (each curve classified by IsPlanar; a straight curve
    // joins a plane containing its direction, two straight ones span a plane,
    // a planar one joins a parallel plane; in every case the curve must lie in
    // the group's plane within 0.001), chained into closed loops in the plane's
    // frame and sorted outer loop before its holes; each outer loop with its
    // holes trims a plane over its box (CNurbsEditor::MakePlane with the box
    // width and height as doubles), tessellated at tol and appended. Curves
    // that are not planar, and groups that never gain a normal, make nothing.
    // 1; 0 for a null or empty curve list or a null result list.
    int GenPlane(CTypedPtrList<CObList, CGeCurve3d*>* curves, double tol, CTypedPtrList<CObList, CGeTrimSurf*>* out);

    // The untrimmed surface continued beyond one of its boundaries, as a new
    // untrimmed surface (no loops) owned by the caller: the boundary's parameter
    // curve must be an iso line (a 2D line constant in u or v within
    // kExtendIsoTol); its direction along a counter-clockwise outer loop gives
    // the side (v rising: u-max, v falling: u-min, u rising: v-min, u falling:
    // v-max), and CNurbsEditor::Extend grows the domain there by ratio (clamped
    // to kExtendMaxRatio) in the given mode (0 along the cross-boundary
    // tangent, 1 continuing the last polynomial spans). Null for null input,
    // ratio <= kExtendMinRatio, a trimmed surface, a boundary without a line as
    // its parameter curve, a degenerate or slanted line, or when Extend fails.
    CGeTrimSurf* SurfExtend(CGeTrimSurf* surf, CGeTrimBnd* bnd, int mode, double ratio);
    // Cuts the surface along the iso line u = value (dir kIsoConstU) or
    // v = value (any other dir) and appends the pieces, tessellated at
    // gGetSurfShowDiscTol(). A trimmed surface is cut by a line reaching 0.1
    // beyond its parameter box through the trimming engine; each rebuilt outer
    // loop with its islands bounds a clone of the surface. An untrimmed one is
    // split by CNurbsEditor::SplitAt, each part bounded by its whole domain.
    // 1 when the trimmed surface was cut or the untrimmed one gave pieces; 0
    // for null input, a surface without a record or loops, a value not inside
    // the parameter box shrunk by kIsoTrimMargin (trimmed) or inside the
    // domain (untrimmed).
    int IsoTrimSurf(CGeTrimSurf* surf, double value, int dir, CTypedPtrList<CObList, CGeTrimSurf*>* out);
    // Gives the surface a kernel NURBS surface record (code 19) over a clone of
    // its NURBS surface when it has none, in m_pKernelSurf; 1 (also for null
    // input or a surface without a record, which get none).
    int CreateSURFACE(CGeTrimSurf* surf);
    // Frees the surface's kernel record and clears the pointer; 0.
    int FreeSURFACE(CGeTrimSurf* surf);
    // The (u, v) of each point's nearest surface point, in order, through a
    // temporary kernel record over a clone of the surface, with the kernel's
    // point tolerance at kProjectPointTol during the projections (restored
    // after); points that do not project are left out. 1; 0 for a null string
    // or surface or fewer than two points (out untouched).
    int StrptPrjToSurfAlongNormal(CStrP3D* pts, _nurbs_surface* surface, CArray<tagPoint2d, tagPoint2d>& out);
    // The points projected in order onto the surface's kernel record (which it
    // must have; see CreateSURFACE), with the point tolerance at
    // kProjectPointTol during the projections, joined into parameter curves:
    // a point that does not project ends the run before it when the run holds
    // two values or more. When the first and last points lie within
    // kStrptCloseTol, the last run's end values are both set to their mean (on
    // a periodic direction, the mean across the seam). The runs are broken
    // where they cross each other or the trim loops; every piece whose middle
    // lies inside the trimmed region is mapped to 3D (vertices, and points
    // between them until the chords lie within kStrptChordTol of the surface)
    // and appended as a curve of the given type (MakeCurve). 1; 0 for a surface without a record,
    // fewer than two points or a null result list.
    int StrptPrjToSurfAlongNormal(CArray<tagPoint3d, tagPoint3d>& pts, CGeTrimSurf* surf, int type,
                                  CTypedPtrList<CObList, CGeCurve3d*>* out);
    // Gives the 3D boundaries of a surface of revolution (profile swept about
    // the axis line over angles[0] .. angles[1]) that lack one a parameter
    // polyline: each sample of the 3D curve (at kRevBndDiscTol) is located on
    // the revolution, u the profile's parameter and v the angle, both scaled
    // onto [0, 1]. A boundary lying wholly on the seam (v within kRevSeamTol of
    // 0 or 1) becomes the line from (u_first, s) to (u_last, s), s = 0 when u
    // rises along the first loop (1 along later loops) and 1 otherwise; an end
    // that the sampling put on the wrong side of the seam is moved across it.
    // The polyline's extra data word is 1 for a seam line, 0 otherwise. When
    // any boundary was made, the parameter polylines are thinned
    // (kRevBndLeanTol), gaps above kRevBndGapTol between neighbours closed by
    // moving the end of the one with fewer points, and the boxes recomputed.
    // Nothing for null input, a surface without loops, an axis that is not a
    // line, or a profile that cannot be converted.
    void UpdateRevSrfBnd(CGeTrimSurf* surf, CGeCurve3d* profile, CGeCurve3d* axis, double* angles);
    // A copy of the surface without the boundary's loop: the other loops are
    // copied; when the removed loop is the outer one (its signed area, measured
    // anew, not negative) the
    // copy is bounded by the whole domain instead, keeping the holes. Linked
    // and tessellated at gGetSurfShowDiscTol(). Null for null input or when the
    // boundary's loop is not one of the surface's.
    CGeTrimSurf* UnTrimSurf(CGeTrimSurf* surf, CGeTrimBnd* bnd);

    // Hermite blend between two surface boundaries: n sections (from the
    // boundaries' discretisation steps over their ranges, kBlendMinSections to
    // kBlendMaxSections), each the cubic Ferguson curve from the first
    // boundary's point with tangent T1 × N1 (boundary tangent × surface normal)
    // to the second's with T2 × N2, interpolated across at uniform parameters;
    // reverse runs a boundary's parameter as 1 - t. The extra tangent lengths
    // push each section's second (second-to-last) control point further from
    // its first (last). One new untrimmed surface appended; 1, or 0 for null
    // input, a boundary without both curves, or a failed construction.
    int SurfSurfBlend(CGeTrimSurf* surf1, CGeTrimSurf* surf2, CGeTrimBnd* bnd1, CGeTrimBnd* bnd2, bool reverse1,
                      bool reverse2, SURFBLEND_PARAM param, CTypedPtrList<CObList, CGeTrimSurf*>* out);
    // Conic blend from a curve to a surface boundary: each section is the
    // parabola from the curve's point C through the middle control point
    // P + (|C - P| / 2)·unit(T × N) to the boundary's point P (unit(C - P) when
    // T × N vanishes), interpolated across at chord-length parameters. The
    // first range and whole flag belong to the curve, the second to the
    // boundary; reverseCurve reverses the caller's curve in place first,
    // reverseBnd runs the boundary's parameter as 1 - t. Extra tangent
    // lengths as above (first at the curve, second at the surface). 1 with one
    // new untrimmed surface appended; 0 as above.
    int SurfCurveBlend(CGeCurve3d* curve, CGeTrimSurf* surf, CGeTrimBnd* bnd, bool reverseCurve, bool reverseBnd,
                       SURFBLEND_PARAM param, CTypedPtrList<CObList, CGeTrimSurf*>* out);

    // Fillet (chamfer) between the two surfaces, each offset towards its side,
    // through CSrfFilletSolver (CSrfChamferSolver): the fillet surfaces, then,
    // with trim set, the trimmed pieces of both surfaces are appended. Both
    // surfaces need their kernel record. Always 1, whatever the solver made.
    int SrfFillet(CGeTrimSurf* surf1, int side1, CGeTrimSurf* surf2, int side2, int trim, int extend, double radius,
                  CTypedPtrList<CObList, CGeTrimSurf*>* out);
    int SrfChamfer(CGeTrimSurf* surf1, int side1, CGeTrimSurf* surf2, int side2, int trim, int extend, double dist1,
                   double dist2, CTypedPtrList<CObList, CGeTrimSurf*>* out);

    // Trims the surface by every tool whose 3D box meets its own within
    // kTrimToolBoxTol and appends one new surface per rebuilt outer loop; the
    // kernel records of the surface and the tools are released, the tools stay
    // the caller's. 1 when out is not empty; 0 for null input or no tools.
    int SrfSrfTrim(CTypedPtrList<CObList, CGeTrimSurf*>* tools, CGeTrimSurf* surf,
                   CTypedPtrList<CObList, CGeTrimSurf*>* out);
    // The same with one tool; the first argument is not used.
    int SrfSrfTrimDir(double unused, CGeTrimSurf* surf, CGeTrimSurf* tool, CTypedPtrList<CObList, CGeTrimSurf*>* out);
    // The curve projected along dir onto the surface: the curve swept along dir
    // over ±(f + 1), f the extent of the boxes of both along the axis dir is
    // parallel to (else their largest extent), intersected with the surface;
    // the pieces inside its trim loops are appended as curves of the given
    // type (MakeCurve). The surface's kernel record is released afterwards.
    // 1 when out is not empty; 0 for null input or a curve that cannot be
    // converted or swept.
    int CrvPrjToSrf(CGeCurve3d* curve, CGeTrimSurf* surf, double* dir, int type,
                    CTypedPtrList<CObList, CGeCurve3d*>* out);

    // Every curve projected along Z onto every surface, as CrvPrjToSrf: a
    // curve that is not planar (within kExtrudePlaneTol) shows string resource
    // kMsgCurveNotPlanar through the library message hook and is skipped. The
    // pieces are appended surface by surface in list order; kernel records are
    // released. 1 when out is not empty; 0 for null or empty input, or when a
    // planar curve cannot be converted or swept (nothing appended then).
    int CrvPrjToSrfAlongZAxis(CTypedPtrList<CObList, CGeCurve3d*>* curves,
                              CTypedPtrList<CObList, CGeTrimSurf*>* surfs, int type,
                              CTypedPtrList<CObList, CGeCurve3d*>* out);
    // Trims the surface by the planar curves swept along Z (others shown as in
    // CrvPrjToSrfAlongZAxis and skipped) and appends one new surface per
    // rebuilt outer loop. 1 when out is not empty; 0 for null or empty input.
    int CrvSrfTrimAlongZAxis(CTypedPtrList<CObList, CGeCurve3d*>* curves, CGeTrimSurf* surf,
                             CTypedPtrList<CObList, CGeTrimSurf*>* out);

private:
    CGeTool3D m_tool;  // chains and sorts GenPlane's loops
};
