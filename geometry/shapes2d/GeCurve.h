// Abstract base of every 2D curve. Adds to the shape base the display
// polyline (the discretisation used for drawing, boxes, picking and generic
// queries), the closed flag and the sketch index list, fixes the order of the
// 66 virtual operations every curve class keeps, and gives the generic
// behaviour that works on the display polyline alone.
//
// Parameters: t is local in [0, 1] within the 1-based segment seg.
#pragma once

#include "framework/numerak/IntPnt.h"
#include "geometry/shapes2d/GeShape2d.h"
#include "geometry/shapes2d/GeometryChange.h"
#include "geometry/shapes2d/PointTypes.h"
#include "platform/core/Containers.h"
#include "platform/core/ObList.h"

#include <memory>

class CArchive;
class CDC;
class CGeCurve3d;
class CGeHit;
class COpenGLDC;
class CPickRay;
class CSnapAt;
class CSnapResult;
class Direct2DHandler;
struct _rect_fm3d;

class CGeCurve : public CGeShape2d {
public:
    CGeCurve();
    // 2: frees the display polyline and the sketch index list.
    ~CGeCurve() override;

    // 3: shape part (handle), then the closed flag as int32.
    void Serialize(CArchive& ar) override;
    // 7: a new copy owned by the caller; null for a curve that cannot copy itself.
    CGeCurve* Copy() override;
    // 11: box of the display polyline, building the polyline first when missing.
    void CalcBox2d() override;
    // 12: lazy box of the display polyline; a null out only prepares the box.
    void GetBox2d(BOX2<double>* out) override;
    // 14-17: transforms of the display polyline. Translate moves the box too;
    // the others recompute it.
    void Translate(double* offset) override;
    void Rotate(double* centre, double angle) override;
    void Mirror(double* p, double* q) override;
    CGeCurve* Scale(double* centre, double* factors) override;

    // 18: makes sure the display polyline exists; draws nothing itself.
    virtual void Draw(Direct2DHandler* handler, int mode);
    // 19: draws the display polyline through the current view object.
    virtual void Draw(CDC* dc, int mode);
    // 20: line strip of the display polyline.
    virtual void DrawGL(COpenGLDC* dc, int mode);
    // 21: marks the curve's nodes; nothing in the base.
    virtual void DrawNode(CDC* dc, int bStart, int bEnd);
    // 22: the stored box, not recomputed, for writing: notes a geometry change
    // (StoredBox2d reads it).
    virtual BOX2<double>* GetBox2d();
    // 23: copies the stored box, not recomputed.
    virtual void GetNodeBox(BOX2<double>* out);
    // 24, 25: move an end point; nothing in the base.
    virtual void ModifyStartPoint(double* p);
    virtual void ModifyEndPoint(double* p);
    // 26: 0 inside the closed display polyline, 1 outside, 2 on it within tol.
    virtual int IsPtInLoop(double* p, double tol);
    // 27: 1 when the pick request hits the curve.
    virtual int Pick(CPickRay& ray, int bCheckType);
    // 28: 1 when the display polyline is selected by the box in the frame.
    virtual int PickBox(_rect_fm3d* frame, BOX2<double>* box);
    // 29: fills the hit record of a pick; 1 on a hit.
    virtual int Hit(CPickRay& ray, CGeHit& hit);
    // 30: parameter step of the discretisation; 0.1 in the base.
    virtual int GetDiscStep(double tol, double& step);
    // 31, 32: rebuild the display polyline (nothing for a polyline, whose
    // vertices are its display polyline).
    virtual void Discrete(double tol, double ang);
    virtual void Discrete(double tol);
    // 33: appends the curve's points to pts, thinned when bRefine is set.
    virtual void DiscreteInArray(double tol, CArray<tagPoint2d, tagPoint2d>* pts, double ang, bool bRefine);
    // 34: a line or polyline through the thinned discretisation; null for fewer than 2 points.
    virtual CGeCurve* ToPLine(double tol, double ang);
    // 35: appends the 3D counterpart of the curve.
    virtual void ToElement(CTypedPtrList<CObList, CGeCurve3d*>* list);
    // 36: number of segments; 1 in the base.
    virtual int GetSegmentCount();
    // 37, 38: first and last display point; the output is untouched without them.
    virtual void GetStartPoint(double* p);
    virtual void GetEndPoint(double* p);
    // 39, 40: tangent vectors at the ends; return 1.
    virtual int GetStartTan(double* v);
    virtual int GetEndTan(double* v);
    // 41-47: evaluation; nothing in the base.
    virtual void GetPointAt(double t, double* p, unsigned seg);
    virtual int GetGCPoint(unsigned char kind, double* p, unsigned seg);
    virtual int GetPointEx(double t, double* p);
    virtual void GetTanVecAt(double t, double* v, unsigned seg);
    virtual void EvPos(double t, double* p, unsigned seg);
    virtual void Ev1Der(double t, double* p, double* d1, unsigned seg);
    virtual void Ev2Der(double t, double* p, double* d1, double* d2, unsigned seg);
    // 48: nearest point of segment seg (clamped to the segment range, and
    // written back) from Ev1Der alone: the segment is sampled and every local
    // minimum of the distance is closed in on until it has converged on the
    // distance (NearestSearch.h). dist is a bound in and the best distance out;
    // when nothing nearer than the bound is found, t and dist stay and out is
    // the point at t. 0 when the curve cannot be evaluated.
    virtual int GetNearestPoint(double* p, double* out, double& t, unsigned& seg, double& dist);
    // 49: tangent point from p; 0 in the base.
    virtual int GetTanPt(double* p, double& t, int& seg, double* out);
    // 50: foot of the perpendicular from p; the base uses the nearest point.
    virtual int GetPerpPt(double* p, double* out, double& t, unsigned& seg);
    // 51-55: lengths and area.
    virtual int EvParam(double len, double& t, unsigned& seg, double tol);
    virtual double EvArcLength(double t0, double t1, unsigned seg);
    virtual double EvTotalArcLength();
    virtual int IsLongerThan(double len);
    virtual double EvArea();
    // 56: the closed flag; tol is not used in the base.
    virtual int IsClosed(double tol);
    // 57: reverses the display polyline.
    virtual void Reverse();
    // 58: the curve at signed distance d (left positive); null in the base.
    virtual CGeCurve* Offset(double d);
    // 59: new curve between two intersection records (caller owns it), or null.
    virtual CGeCurve* Split(IntPnt a, IntPnt b);
    // 60: out[0] = piece from the start to t, out[1] = piece from t to the end;
    // either may stay null. Nothing in the base.
    virtual void Split(double t, CGeCurve** out, int seg, int flag);
    // 61: appends arcs and lines approximating the curve; the base appends Copy().
    virtual void BiArcAppx(double tol, CTypedPtrList<CObList, CGeCurve*>* out);
    // 62-64: sketch index list.
    virtual void InitSketchIndex();
    virtual int GetFirstSketchIndex();
    virtual int GetLastSketchIndex();
    // 65, 66: transforms of the display polyline; return the curve itself.
    virtual CGeCurve* Shear(double* base, double* factors);
    virtual CGeCurve* Transform(double m[3][3], unsigned flags);

    // Cuts the curve at every record (at least one) and appends the pieces to out.
    void Split(CArray<IntPnt, IntPnt>& pts, CTypedPtrList<CObList, CGeCurve*>& out);

    // n <= 0 does nothing; otherwise room for n display points (values unset).
    void AllocSWMem(int n);
    // With pts not null and n > 0: the display polyline becomes a copy of the n points.
    void CopySWPoint(const double (*pts)[2], int n);
    // Null for fewer than 2 points; a line for 2; a polyline otherwise. Caller owns it.
    static CGeCurve* GenCurve(CArray<tagPoint2d, tagPoint2d>* pts);
    // Polyline through the unthinned discretisation; null for tol < 0.
    CGeCurve* ToPolyline(double tol);

    // The display polyline as built so far. The mutable form is for writing
    // the points in place and notes a geometry change; readers use the const
    // form (DisplayPoints on a mutable curve).
    bool HasDisplay() const { return m_pSWPoint != nullptr && m_nSWPoint > 0; }
    const double (*GetSWPoint() const)[2] { return m_pSWPoint.get(); }
    const double (*DisplayPoints() const)[2] { return m_pSWPoint.get(); }
    double (*GetSWPoint())[2]
    {
        geNoteGeometryChange();
        return m_pSWPoint.get();
    }
    int GetSWPointCount() const { return m_nSWPoint; }

    // Builds the display polyline at tol when it is missing.
    void EnsureDisplay(double tol);
    // Builds the display polyline (display tolerance) and the box when missing.
    // The display polyline and the box are caches filled on first need, so
    // the first query writes; a curve read by several threads at once must be
    // prepared first (on one thread), after which queries only read it.
    void PrepareDisplay();

    int GetClosedFlag() const { return m_bClosed; }
    void SetClosedFlag(int closed)
    {
        geNoteGeometryChange();
        m_bClosed = closed;
    }
    CArray<int, int>& GetSketchIndex() { return m_aSketchIndex; }

protected:
    // Tangent point search shared by curves that know their second derivative:
    // Newton iteration from t on segment seg for the point whose tangent line
    // passes through p. 1 with t and out set, 0 on failure.
    int SearchTanPt(const double* p, double& t, unsigned seg, double* out);

    std::unique_ptr<double[][2]> m_pSWPoint;  // display polyline, one block
    int m_nSWPoint = 0;                        // its point count
    int m_bClosed = 0;                         // 1 when the curve is closed
    CArray<int, int> m_aSketchIndex;           // ties the curve to its source elements
};

// Deletes every element of an owning shape list (null entries allowed) and
// empties it. Walks by position: an element is read before it is deleted.
template <class T>
void DeleteOwnedList(CTypedPtrList<CObList, T*>& list)
{
    POSITION pos = list.GetHeadPosition();
    while (pos) delete list.GetNext(pos);
    list.RemoveAll();
}
