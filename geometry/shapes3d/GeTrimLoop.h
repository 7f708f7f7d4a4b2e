// One closed boundary of a trimmed NURBS surface: a chain of trimming bounds whose
// parameter curves close up in the normalised parameter plane. The first loop of a
// surface runs counter-clockwise there, every further loop (a hole) clockwise.
// Loops own their bounds; bounds own both their curves.
#pragma once

#include "geometry/shapes3d/GeTrimBnd.h"
#include "platform/core/ObList.h"

class CGeLoop3d;

class CGeTrimLoop : public CGeShape3d {
    DECLARE_SERIAL(CGeTrimLoop)
public:
    // Empty bound list; no owner, an empty parameter box and zero area.
    CGeTrimLoop();
    // Deletes every bound.
    ~CGeTrimLoop() override;
    CGeTrimLoop(const CGeTrimLoop&) = delete;
    CGeTrimLoop& operator=(const CGeTrimLoop&) = delete;

    // Stores and loads nothing, not even the shape header.
    void Serialize(CArchive& ar) override;
    int GetType() const override;
    // A new loop with a copy of each present bound, in order. Owner, boxes and area
    // are not copied; the bound copies still name this loop until re-linked.
    CGeShape3d* Copy() override;
    // The model-space box of the bounds and the parameter box of their parameter
    // curves; without bounds both stay as they are.
    void CalcBox() override;

    // Each transform applies to every present bound (their 3D curves), then CalcBox.
    // Shape results are this loop.
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

    // Replaces the bounds by one per present member of the 3D loop: its x and y as a
    // 2D polyline mapped from box (u0, v0, u1, v1) onto the unit square, with a
    // copy of the member as the 3D curve. Nothing for a null loop or a box without
    // positive width and height (the bounds then stay).
    void Create(CGeLoop3d* loop, BOX2<double> box);
    // The first present bound's start; 0 without bounds.
    int GetStartPoint(double* xyz, double* uv);
    // The last present bound's end; 0 without bounds.
    int GetEndPoint(double* xyz, double* uv);
    void Discrete(double tol);
    void Draw(CDC* dc);
    void Draw(Direct2DHandler* handler);
    void DrawGL(COpenGLDC* dc, int mode);
    void GetUVBox(BOX2<double>* out) { *out = m_boxUV; }
    // The parameter box of the bounds' parameter curves; the unit square without bounds.
    void CalcUVBox();
    // 1 at the first bound that is picked.
    int Pick(CPickRay& ray, int check);
    // Appends the bound (which must have a parameter curve) and widens the parameter
    // box by its points; a first bound starts a fresh box. 0 for null.
    int AddBound(CGeTrimBnd* bnd);
    // Gives every bound without a 3D curve one derived through the owner surface.
    void CreateEuclidBnd();
    // Signed parameter-plane area of the bounds' display polylines (positive
    // counter-clockwise), also kept in m_dArea.
    double EvArea(double tol);
    // Reverses every bound and the bound order; m_dArea is not updated.
    void Reverse();
    // UpdateEucCrv of every present bound.
    void UpdateEucCrv(_nurbs_surface* surface, double tol);
    // Where the parameter point lies against the loop within tol: 0 inside,
    // 1 outside, 2 on the loop.
    int IsPtInLoop(double* uv, double tol);
    // 1 when other (of the same surface) lies inside this loop: its parameter box
    // inside this one's and its start point not outside.
    int IsContainLoop(CGeTrimLoop* other, double tol);

    CGeTrimSurf* m_pSurf = nullptr;  // the surface this loop trims; not owned
    CTypedPtrList<CObList, CGeTrimBnd*> m_listBnd;
    BOX2<double> m_boxUV;
    double m_dArea = 0.0;
    int m_nReserved1 = 0;
    int m_nReserved2 = 0;

private:
    template <class Op>
    CGeShape3d* ForEachBound(Op op);
};
