// A NURBS surface bounded by trimming loops drawn in its normalised parameter plane.
// It derives from the mesh, whose triangles hold a display tessellation that its
// creator computes. The first loop is the outer boundary (counter-clockwise in the
// parameter plane), every further loop a hole (clockwise).
#pragma once

#include "geometry/shapes3d/GeMesh.h"
#include "framework/numerak/IntPnt.h"
#include "geometry/shapes3d/GeTrimLoop.h"
#include "platform/core/Containers.h"

#include <array>
#include <vector>

struct _nurbs_surface;
class CGeLine;

class CGeTrimSurf : public CGeMesh {
    DECLARE_SERIAL(CGeTrimSurf)
public:
    // No record, no loops, a zero parameter box.
    CGeTrimSurf();
    // Takes the record over (null allowed) and stores the parameter box.
    CGeTrimSurf(_nurbs_surface* surface, BOX2<double> boxUV);
    // Frees the record and deletes every loop; the two toolpath pointers are not touched.
    ~CGeTrimSurf() override;

    // Stores and loads nothing.
    void Serialize(CArchive& ar) override;
    int GetType() const override;

    // The surface point at (u, v); 0 without a record or when evaluation fails.
    int GetPoint(double u, double v, double* xyz);
    // Point and unit normal at (u, v) (at a collapsed edge its limit); 0 without a
    // record or when evaluation fails.
    int GetNormal(double u, double v, double* xyz, double* normal);

    // A new surface with a copy of the record and loops and the mesh part (loops linked).
    CGeShape3d* Copy() override;
    // A new surface with a clone of the record only: no loops, zero parameter box.
    CGeTrimSurf* CopyNoLoop();
    // Replaces record, loops, parameter box and mesh part by copies of src's; the
    // copied loops are not linked to this surface (BuildTopo does that).
    void CopyFromTrimSurf(CGeTrimSurf* src);
    // 0 without loops or with one loop covering the whole parameter domain.
    int IsTrimed();
    // The counter-clockwise rectangle (u0, v0)-(u1, v1) with whole iso curves as its
    // 3D curves; sets the surface's and the loop's parameter box. Not added: the caller appends it.
    CGeTrimLoop* GenRectTrimLoop(double u0, double u1, double v0, double v1);
    // Links and appends the loop, turning a first loop counter-clockwise and any
    // later one clockwise. 0 for null.
    int AddLoop(CGeTrimLoop* loop);
    // Orients the present loops as AddLoop would, then CalcBox.
    void ReguTrimLoopDir();
    // Links every loop to this surface and every bound to its loop.
    void BuildTopo();
    // 1 when the parameter point lies inside the first loop and outside every hole;
    // a loop that has no parameter box yet gets one first.
    int IsPtInParaLoop(double* uv);
    void GetUVBox(BOX2<double>* out) { *out = m_boxUV; }
    // The parameter box of the loops and their parameter curves; the unit square
    // without loops.
    void CalcUVBox();
    // Brings both knot vectors to [0, 1] and moves and scales the parameter curves
    // with them.
    void ReguKontVector();
    // Moves, then scales about the origin, every parameter curve of the loops.
    void MoveScaleTrimLoop(double* move, double* scale);
    // Derives the loops' 3D curves again from the record.
    void UpdateTrimLoopEucCrv();
    // Parameter steps whose chords stay within tol; 0.02 each without a record.
    void GetDiscreteStep(double tol, double& du, double& dv);
    // The box of the control net; 0 without a record or box.
    int GetNodeBox(BOX3<double>* box);
    // A new surface offset by dist along the normal, with copies of the loops whose
    // 3D curves lie on the offset surface; null without a record or offset.
    CGeTrimSurf* GenOffsetSurf(double dist);
    // Replaces the mesh part by a tessellation of the trimmed region whose chords stay
    // about within tol of the surface: whole parameter cells inside the region,
    // border cells clipped against the loops, points and normals on the surface.
    void Discrete(double tol) override;
    // Show mode 20 draws the tessellation (with the loops in mode 1), 21 the loops
    // and curve lists, 23 the surface through GLU's NURBS renderer cut by the loops.
    void DrawGL(COpenGLDC* dc, int mode) override;
    // The loops, then the curve lists, when the view may show 2D drawing.
    void Draw(CDC* dc) override;
    void Draw(Direct2DHandler*) override {}
    // A 3D pick outside show mode 21 picks the tessellation; otherwise the loops,
    // then the curve lists.
    int Pick(CPickRay& ray, int check) override;
    // The first bound that is picked, loop by loop; null when none.
    CGeTrimBnd* PickTrimBnd(CPickRay& ray);
    // The loops, iso and boundary curves; the control net when they give no box.
    void CalcBox() override;

    // Record, loops and mesh part take the same transform.
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

    // The whole iso curve of constant u (or v); the loops do not apply. Owned by the caller.
    CGeCurve3d* UIsoCurve(double u) override;
    CGeCurve3d* VIsoCurve(double v) override;

    // Appends the crossings of a parameter line with every trim curve, sorted along
    // the line, near duplicates (0.0001) removed.
    void GetParamSpaceIntPoint(CGeLine* line, CArray<IntPnt, IntPnt>* out);
    // The model-space piece of the iso curve under a parameter line of constant u
    // (else constant v), running towards increasing parameter; null when none.
    CGeCurve3d* GenEuclidIsoCurve(CGeLine* span);
    // Appends the iso curves of constant u (dir 1301) or v (any other dir) at value,
    // clipped to the trimmed region; the caller owns them.
    void IsoCurve(double value, int dir, CTypedPtrList<CObList, CGeCurve3d*>& out);
    // Fills the iso-curve list with n[0] - 1 clipped lines of constant u and
    // n[1] - 1 of constant v; n is adjusted in place (at least 2, n[1] = n[0] when 0).
    void ComputerIsoCurve(int* n);
    using CGeMesh::ComputerIsoCurve;

    _nurbs_surface* m_pSurface = nullptr;  // owned; freed with BSRF_Free
    CTypedPtrList<CObList, CGeTrimLoop*> m_listLoop;  // owned
    BOX2<double> m_boxUV;                             // (u0, v0, u1, v1) the loops live in
    // The toolpath library's surface-kernel record and cached subdivision of this
    // surface: made, copied and freed there; this library never reads them.
    void* m_pKernelSurf = nullptr;
    void* m_pSubdivision = nullptr;

private:
    // The spans of a probe line between consecutive crossings whose midpoints lie in
    // the trimmed region, as (start, end) parameter points along the probe.
    void InsideSpans(const double* from, const double* to, std::vector<std::array<double, 4>>& spans);
    // Every parameter curve of every present bound of every loop.
    template <class Op>
    void ForEachUVCurve(Op op);
};

template <class Op>
void CGeTrimSurf::ForEachUVCurve(Op op)
{
    for (CGeTrimLoop* loop : m_listLoop) {
        if (!loop) continue;
        for (CGeTrimBnd* b : loop->m_listBnd)
            if (b && b->m_pUVCrv) op(b->m_pUVCrv);
    }
}
