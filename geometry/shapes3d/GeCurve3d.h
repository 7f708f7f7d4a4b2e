// Abstract base of every 3D curve. Each curve owns a display point string that
// approximates it (for the polyline it is the curve itself); the base implements on
// that string whatever needs no exact geometry: evaluation by segment, lengths, box,
// nearest point, tangent point, drawing and the generic transforms. Subclasses
// supply snapping, discretisation, parameter-by-length and splitting.
#pragma once

#include "framework/numerak/PointString3D.h"
#include "geometry/shapes3d/GeShape3d.h"
#include "platform/core/ObList.h"

class CDC;
class CLooker;
class COpenGLDC;
class CPickRay;
class CSnapAt;
class CSnapResult;
class Direct2DHandler;
class CGeCurve3d;

using CGeCurve3dList = CTypedPtrList<CObList, CGeCurve3d*>;

class CGeCurve3d : public CGeShape3d {
public:
    CGeCurve3d();
    ~CGeCurve3d() override;

    // The shape header (stored always; loaded only from document version 5 on).
    void Serialize(CArchive& ar) override;
    CGeShape3d* Copy() override;
    // Box of the display string.
    void CalcBox() override;

    // Generic transforms of the display string's points, then CalcBox; normals and
    // parameters are not transformed and the string is not rediscretised.
    void Translate(double* v) override;
    void Translate3D(double* v) override;
    void Rotate(double* centre, double angle) override;
    void Rotate3D(double* point, double* axis, double angle) override;
    CGeShape3d* Twist(double* point, double* axis, double angle) override;
    CGeShape3d* Taper(double* point, double* axis, double angle) override;
    void Mirror(double* p, double* q) override;
    CGeShape3d* Shear(double* base, double* factors) override;
    CGeShape3d* Scale(double* centre, double* factors) override;
    CGeShape3d* Scale3D(double* centre, double* factors) override;
    CGeShape3d* Shear3D(double* point, double* dir, double* normal) override;
    void Mirror3D(double* point, double* normal) override;
    void Transform(_rect_fm3d* frame) override;
    CGeShape3d* Transform(double m[4][4], unsigned int flags) override;
    CGeShape3d* Transform(double m[3][3], unsigned int flags) override;
    void TransformLocal(_rect_fm3d* frame) override;

    virtual void Draw(Direct2DHandler* handler, int mode);
    // Draws the display string (rebuilt first when it is missing): highlighted (flag bit 1,
    // bit 8 or the sign bit) with a solid green pen, dotted (bit 4) with a dotted one, in
    // mode 1 and otherwise with the context's current pen. Nothing without a context or view.
    virtual void Draw(CDC* dc, int mode);
    // The same with OpenGL in the context's current colour (green when highlighted, dashed
    // when dotted or in mode 6); the colour is restored and line stipple left off.
    virtual void DrawGL(COpenGLDC* gl, int mode);
    // The display string in the given colour (0x00BBGGRR); the context's colour comes back.
    void DrawGL(COpenGLDC* gl, unsigned long colour);
    virtual void DrawNode(CDC* dc, int drawStart, int drawEnd, unsigned int half);
    // Copies the box without recomputing it; 1.
    virtual int GetNodeBox(BOX3<double>* box);
    virtual int GetSnapPos(CSnapAt* snap, CSnapResult& result) = 0;
    // Nearest point on the display string: 1 with the point, local t, 1-based segment
    // and distance; 0 for fewer than two points.
    virtual int GetNearestPoint3D(double* pt, double* nearest, double& t, unsigned int& seg, double& dist);
    // Point c whose tangent line passes through pt, by Newton iteration from t.
    virtual int GetTanPt(double* pt, double& t, double* c, double& dist);
    // Pick of the display string. 2D: 1 within the aperture, the request's distance set.
    // 3D: 1 when the ray passes within the aperture at a depth ((P - m_pt) · m_dir) below
    // the request's, which then takes the depth, the local parameter and the segment.
    virtual int Pick(CPickRay& ray, int useMask);
    // 1 when the display string, taken into the frame's coordinates, meets the box.
    virtual int PickBox(_rect_fm3d* frame, BOX2<double>* box);
    // 0 not planar, 1 planar, 2 straight, 3 degenerate; the base answers 0.
    virtual int IsPlanar(double tol, double* origin, double* vec);
    // Rebuilds the display string at tol (nothing for tol below 1e-6).
    virtual void DiscreteMe(double tol);
    virtual void Discrete(double tol, CStrP3D& str) = 0;
    // Appends a copy of the curve to list.
    virtual void DiscreteToElement(CGeCurve3dList* list, bool fit);
    virtual int GetDiscStep(double tol, double& step);
    virtual int GetSegmentCount();
    virtual void GetStartPoint(double* p);
    virtual void GetEndPoint(double* p);
    // t in [0, 1) local on segment seg, or t >= 1 carrying the segment in its integer part;
    // exactly 1.0 with a segment seg >= 1 is the end of that segment.
    virtual void GetPointAt(double t, double* p, int seg);
    virtual void GetStartTanVec(double* v);
    virtual void GetEndTanVec(double* v);
    virtual void GetTanVecAt(double t, double* p, double* tan, int seg);
    virtual void Ev2Der(double t, double* p, double* d1, double* d2, unsigned int seg);
    virtual void Reverse();
    // 1 when the end points are strictly closer than tol.
    virtual int IsClosed(double tol);
    virtual double EvTotalArcLength();
    virtual double EvTotalArcLength2D();
    virtual int EvParam(double len, double& t, unsigned int& seg, double total) = 0;
    // out[0] the piece before t, out[1] the piece after, new curves or null.
    virtual void Split(double t, CGeCurve3d** out, int seg) = 0;
    // A new array {0, 1} (freed with delete[]); 2.
    virtual int GetSplitParam(double*& params);

    bool HasPoints() const { return m_strDisp.m_pPoints != nullptr && m_strDisp.m_nCount > 0; }

    CStrP3D m_strDisp;
    // Closed flag of the 2D curve this one was made from; copies of arcs, polylines
    // and NURBS curves carry it. Closedness itself is always measured (IsClosed).
    int m_bClosed = 0;

protected:
    // The pick of the display string without the type test (see Pick).
    int PickDisplay(CPickRay& ray);
    // Turns a 3D hit's segment and local parameter into the fraction of the display
    // length up to the hit point (0 for a segment outside the string).
    void HitToLengthFraction(CPickRay& ray) const;
    // Draws the display string with the pen of the flags: every point (step 0) or every
    // step-th point and the last (CLooker::DrawPolyline3DEx).
    void DrawDisplay(CDC* dc, int mode, int step);
    // Node marks of a curve with two ends: a circle round the start (its own pen, by the
    // kind of view) and a square round the end (the context's pen).
    void DrawEndNodes(CDC* dc, int drawStart, int drawEnd, unsigned int half);
    // The square of half size half round the screen position of p.
    static CRect NodeSquare(const CLooker& looker, const double* p, unsigned int half);
    // The circle marking a start point, with a pen of its own: solid, width 1, 0x00AA00C3
    // in a 2D view, else width 2, 0x0055FF3C.
    static void DrawStartMark(CDC* dc, const CLooker& looker, const double* p, unsigned int half);
    // Copies box, flags and display string into a copy made by a subclass.
    void CopyBaseTo(CGeCurve3d& other) const;
    // Applies op to every point of the display string, then CalcBox.
    template <class Op>
    void ForEachPoint(Op op)
    {
        if (m_strDisp.m_pPoints) {
            for (int i = 0; i < m_strDisp.m_nCount; ++i) op(m_strDisp.m_pPoints[i]);
        }
        CalcBox();
    }
};
