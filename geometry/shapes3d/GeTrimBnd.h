// One piece of the boundary of a trimmed NURBS surface: a curve in the surface's
// normalised parameter plane (x = u, y = v), which is what trims, paired with the
// model-space curve derived from it, which is what draws, picks and transforms.
#pragma once

#include "geometry/shapes3d/GeShape3d.h"

class CDC;
class CGeCurve;
class CGeCurve3d;
class CGeTrimLoop;
class CGeTrimSurf;
class COpenGLDC;
class CPickRay;
class Direct2DHandler;
struct _nurbs_surface;

class CGeTrimBnd : public CGeShape3d {
    DECLARE_SERIAL(CGeTrimBnd)
public:
    // All three members null.
    CGeTrimBnd();
    // Stores the three pointers as given and takes ownership of both curves.
    CGeTrimBnd(CGeCurve* uvCurve, CGeCurve3d* eucCurve, CGeTrimLoop* loop);
    // Deletes both curves.
    ~CGeTrimBnd() override;
    CGeTrimBnd(const CGeTrimBnd&) = delete;
    CGeTrimBnd& operator=(const CGeTrimBnd&) = delete;

    // Stores and loads nothing, not even the shape header.
    void Serialize(CArchive& ar) override;
    int GetType() const override;
    // A new bound with copies of both present curves and the same loop.
    CGeShape3d* Copy() override;
    // The 3D curve's box; without a 3D curve the box stays as it is.
    void CalcBox() override;

    // Transforms move the 3D curve only (the parameter curve lives in the parameter
    // plane) and then recompute the box. A 3D curve whose transform returns a
    // replacing curve (a 3D arc under a twist, a scale, ...) is replaced by it, so
    // that the bound follows the transform. Shape results are this bound.
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

    // DiscreteMe(tol) of the 3D curve when present.
    void Discrete(double tol);
    // uv becomes (-1, -1); xyz the 3D curve's start and uv the parameter curve's,
    // each when present. 1 when either curve is present.
    int GetStartPoint(double* xyz, double* uv);
    // The same with the end points, except that uv is left as it was without a
    // parameter curve.
    int GetEndPoint(double* xyz, double* uv);
    // out = (x, y, z, u, v) of the bound at t in [0, 1]: a polyline parameter curve
    // is read with t spread evenly over its vertices, any other through its own
    // parameter. 0 without a parameter curve or surface.
    int GetPoint(double t, CGeTrimSurf* surf, double* out);
    void Draw(CDC* dc);
    void Draw(Direct2DHandler* handler);
    void DrawGL(COpenGLDC* dc, int mode);
    // 1 when the 3D curve is present and picked.
    int Pick(CPickRay& ray, int check);
    // Reverses both present curves.
    void Reverse();
    // Replaces the 3D curve by one derived from the parameter curve through the
    // surface: the surface's iso curve cut to the range for a parameter line of
    // constant u or v, otherwise a 3D polyline whose chords stay within tol (> 0)
    // of the surface image of the parameter curve. No 3D curve when the parameter
    // curve is missing or has fewer than 2 display points.
    void UpdateEucCrv(_nurbs_surface* surface, double tol);
    // The 3D curve, a polyline first turned into an interpolating NURBS curve.
    CGeCurve3d* GetNurbEucCrv();
    // Adaptive samples (x, y, z, u, v) from t = 0 to t = 1 whose chords stay within
    // tol of the bound; at most maxCount are written. The count, or 0 (count
    // untouched) without a parameter curve or for maxCount < 2.
    int DiscreteBound(CGeTrimSurf* surf, double tol, double (*pts)[5], int& count, int maxCount);

    // The iso-curve piece of a parameter line of constant u or v (within 0.0001)
    // on the surface, running from the line's start to its end; null for any
    // other curve or when the surface gives none. trimTol is BCRV_Trim's.
    static CGeCurve3d* MakeIsoEucCrv(CGeCurve* uvCurve, _nurbs_surface* surface, double trimTol);

    CGeCurve* m_pUVCrv = nullptr;     // bound in the normalised parameter plane; owned
    CGeCurve3d* m_pEucCrv = nullptr;  // model-space curve on the surface; owned
    CGeTrimLoop* m_pLoop = nullptr;   // the loop this bound belongs to; not owned

private:
    // Applies a transform to the 3D curve, adopting a replacing curve, then CalcBox.
    template <class Op>
    CGeShape3d* TransformCurve(Op op);
};

