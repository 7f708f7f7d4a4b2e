// Cutter-location point strings of the milling strategies: CNcPoint is one CL point
// with the kind of mesh element that holds the cutter there, CNcPline an ordered
// string of them that owns its points, CNcPlineGrp the strings of one scan line, ray
// or layer. PolygonZAtXY is the planar interpolation of the drop cutter's facets.
#pragma once

#include "framework/numerak/Box.h"
#include "framework/numerak/Point3f.h"
#include "platform/core/ObList.h"

#include <memory>

class CCheckModel;
class CGePolyline3d;
class CPathCombine;

// Element that decides a point's height (CNcPoint::contact).
constexpr int kContactNone = 0;
constexpr int kContactVertex = 1;
constexpr int kContactEdge = 2;
constexpr int kContactTriangle = 4;
constexpr int kContactQuad = 5;

class CNcPoint {
public:
    CNcPoint() = default;
    CNcPoint(double px, double py, double pz) : x(px), y(py), z(pz), w(pz) {}
    // Takes contact, coordinates and its own copy of the axis vector.
    CNcPoint(const CNcPoint& other);
    CNcPoint& operator=(const CNcPoint&) = delete;

    int contact = kContactNone;  // -1 marks a point kept by Simplify
    double x = 0, y = 0, z = 0;
    double w = 0;                // second height
    std::unique_ptr<CVector3f> axis;  // tool axis of 4-axis strings, or null
};

// Destroys and frees a heap point (null is ignored).
void DeleteNcPoint(CNcPoint* p);
// out gets x, y, z, w as a + t (b - a) and contact 0 (its axis is left as it is); 1, or
// 0 with nothing written when a, b or out is missing.
int InterpolateNcPoint(double t, const CNcPoint* a, const CNcPoint* b, CNcPoint* out);

using CNcPointList = CTypedPtrList<CPtrList, CNcPoint*>;

class CNcPline : public CNcPointList {
public:
    CNcPline();
    // Deletes the points.
    ~CNcPline() override;
    CNcPline(const CNcPline&) = delete;
    CNcPline& operator=(const CNcPline&) = delete;

    // Append or prepend p (ownership passes to the string); null is ignored.
    void AddTail(CNcPoint* p);
    void AddHead(CNcPoint* p);
    // Appends a new point at xyz (contact 0, w = z, no axis).
    void AddTail(const double* xyz);
    // Appends every point of list in order; the caller then empties list without
    // deleting, as the points belong to this string. A null list is ignored.
    void AddTail(CNcPointList* list);
    // Inserts p in front of `before` (appends p for a null before): 1 when inserted;
    // 0 when before is not in the string or p is null, and p stays with the caller.
    int InsertBefore(CNcPoint* p, CNcPoint* before);
    // xyz of the first / last point: 1, or 0 for an empty string or a null entry.
    int GetStartPoint(double* out) const;
    int GetEndPoint(double* out) const;
    // i = 0, 1, 2, 3: x, y, z or w of every point = v; any other i does nothing.
    void SetPointValue(int i, double v);
    // Box of all points, startPt and endPt; nothing for an empty string.
    void CalcBox();
    // Reverses the order of the points and refreshes startPt and endPt (not the box).
    void Reverse();
    // Deletes every point and empties the list (box and ends untouched).
    void DelAllPoint();

    // Replaces the points by p0, points every step along the segment and p1 (only
    // p0 and p1 when they are closer than 1e-6 or step, or step is not positive);
    // then CalcBox.
    void Init(const double* p0, const double* p1, double step);
    // Splits off the part above z into a new string (null when it gets no point):
    // this string keeps its points at or below z and the crossings; the result gets
    // the crossings, the points above z (moved) and the others flattened to z.
    CNcPline* TrimByZValue(double z);
    // Appends one polyline entity of the points (with the tool axes of the points that
    // have one, zero for the others); 0 for fewer than 2 points, else 1.
    int AddToPathCombine(CPathCombine& comb);
    // A new polyline of the points, owned by the caller; null for fewer than 2.
    CGePolyline3d* ConvertTo();
    // Rotates every point by angle about the X axis (box and ends not refreshed).
    void RotateByXAxis(double angle);
    // Bends the string round the X axis: y is arc length at radius r, z the radius;
    // then CalcBox. Nothing for r = 0.
    void WrapByXAxis(double r);
    // Cuts every segment into ceil(XY length / step) parts (at most 1000) by inserted
    // points; nothing for a step that is not positive.
    void InsPoint(double step);
    // Douglas-Peucker in 3D at tol: keeps the ends and every point needed to stay
    // within tol; the kept points get contact -1. Strings under 3 points are left.
    void Simplify(double tol);
    // Thins with RefinePointStr3D at tol and 170 degrees; the points are replaced by
    // new ones (contact 0, w 0, no axis). Strings of at most 2 points are left.
    void SimplifyEx(double tol);

    // Lifting onto the drop-cutter model (built with the milling code).
    // Lifts every point and refines every segment at least the model's minimum segment
    // long until the chord stays within tol of the lifted samples; kind picks how the
    // marked candidates are narrowed per segment (0: x interval; 2: by the segment's
    // direction; other: the segment's 3D box up to the model top). 0 for fewer than 2
    // points or no model; else 1 (also on a cancel, which leaves the rest unlifted).
    int VerifyMillPath(CCheckModel* model, double tol, int kind);
    // The same for a string along a line of constant y: ordered by increasing x and
    // marked for its line first. 1, also for an empty string.
    int IsoY_VerifyMillPath(CCheckModel* model, double tol);
    // Rotary form: points lifted by the model's DefineRHeight; 0 when already cancelled.
    int VerifyRotatePath(CCheckModel& model, double tol);

    int tag = 0;
    int lineId = 0;
    int liftMode = 1;
    BOX3<double> box;
    double startPt[3] = {0, 0, 0};
    double endPt[3] = {0, 0, 0};
    int groupId = 0;
};

// Destroys and frees a heap string with its points (null is ignored).
void DeleteNcPline(CNcPline* pl);

using CNcPlineList = CTypedPtrList<CPtrList, CNcPline*>;
// Deletes every string of the list (points first) and empties the list.
void DeleteNcPlineList(CNcPlineList* list);

class CNcPlineGrp : public CNcPlineList {
public:
    CNcPlineGrp();
    // Deletes every string it holds.
    ~CNcPlineGrp() override;
    CNcPlineGrp(const CNcPlineGrp&) = delete;
    CNcPlineGrp& operator=(const CNcPlineGrp&) = delete;

    BOX3<double> box;
};

// Height at q (x, y) of the planar polygon of n vertices v[i] (xyz): -1e12 when the
// polygon gives none there (outside, on a vertex or on an edge crossing). Any n >= 0
// is safe; the callers pass triangles and quads.
double PolygonZAtXY(const double* const* v, int n, const double* q);
