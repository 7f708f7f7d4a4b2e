// Base of the surface-like shapes (meshes, trimmed surfaces, the relief canvas): the
// 3D shape base plus two owned lists of wireframe curves, the boundary curves and
// the iso curves. Its box, drawing, picking and transforms are those of the two
// lists (iso curves first); nothing of a surface is archived.
#pragma once

#include "geometry/shapes3d/GeCurve3d.h"

class CGeSurf : public CGeShape3d {
public:
    CGeSurf();
    // Deletes the curves of both lists.
    ~CGeSurf() override;
    CGeSurf(const CGeSurf&) = delete;
    CGeSurf& operator=(const CGeSurf&) = delete;

    // Stores and loads nothing, not even the shape header.
    void Serialize(CArchive& ar) override;
    // Null: the base cannot copy itself.
    CGeShape3d* Copy() override;
    // The union of the curves' own boxes; without curves the box stays as it was.
    void CalcBox() override;

    // Each transform applies to every iso curve, then every boundary curve, in place.
    // A curve whose transform returns a replacing curve (a 3D arc under twist, scale,
    // ...) is replaced by it in its list. The translations shift the box; the others
    // recompute it with the virtual CalcBox. The shape results are this surface.
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

    // Null: the base has no parameterisation.
    virtual CGeCurve3d* UIsoCurve(double u);
    virtual CGeCurve3d* VIsoCurve(double v);
    // Deletes the curves of the iso list and then those of the boundary list.
    virtual void ClearIsoCurve();
    // Deletes the curves of the boundary list only.
    virtual void ClearBndCurve();
    virtual void Draw(Direct2DHandler* handler);
    // Each iso curve, then each boundary curve, when the shape may show in the view.
    virtual void Draw(CDC* dc);
    // The curves without depth test and lighting; both are enabled afterwards.
    virtual void DrawGL(COpenGLDC* gl, int mode);
    // (min x, min y, max x, max y) of the box; nothing for a null output.
    virtual void GetBox2D(BOX2<double>* box);
    // 0 when check is set and the ray's type mask lacks this type; else 1 at the first
    // curve (iso list first) that is picked.
    virtual int Pick(CPickRay& ray, int check);
    virtual int PickBox(_rect_fm3d* frame, BOX2<double>* box);
    virtual void Discrete(double tol);

    // Appends copies of src's iso curves and then of its boundary curves.
    void CopyIsoCurve(CGeSurf* src);
    // src's box and flags (not the handle or extra word), then CopyIsoCurve.
    void CopyFromSurf(CGeSurf* src);

    CGeCurve3dList m_listBndCurve;
    CGeCurve3dList m_listIsoCurve;

private:
    // Moves both corners of the box without recomputing it.
    void ShiftBox(double dx, double dy, double dz);
    template <class Op>
    void ForEachCurve(Op op);
    template <class Op>
    void ReplaceCurves(Op op);
};
