// A NURBS surface bounded by trimming loops drawn in its normalised parameter plane.
// It derives from the mesh, whose triangles hold a display tessellation that its
// creator computes. The first loop is the outer boundary (counter-clockwise in the
// parameter plane), every further loop a hole (clockwise).
#pragma once

#include "geometry/shapes3d/GeMesh.h"
#include "geometry/shapes3d/GeTrimLoop.h"

struct _nurbs_surface;

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

    _nurbs_surface* m_pSurface = nullptr;  // owned; freed with BSRF_Free
    CTypedPtrList<CObList, CGeTrimLoop*> m_listLoop;  // owned
    BOX2<double> m_boxUV;                             // (u0, v0, u1, v1) the loops live in
    // The toolpath library's surface-kernel record and cached subdivision of this
    // surface: made, copied and freed there; this library never reads them.
    void* m_pKernelSurf = nullptr;
    void* m_pSubdivision = nullptr;
};
