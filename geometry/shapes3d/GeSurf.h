// Base of the surface-like shapes (meshes, trimmed surfaces, the relief canvas): the
// 3D shape base plus two owned lists of wireframe curves, the boundary curves and
// the iso curves.
#pragma once

#include "geometry/shapes3d/GeCurve3d.h"

class CGeSurf : public CGeShape3d {
public:
    CGeSurf();
    // Deletes the curves of both lists.
    ~CGeSurf() override;

    // Delete the curves of one list and empty it.
    virtual void ClearIsoCurve();
    virtual void ClearBndCurve();

    CGeCurve3dList m_listBndCurve;
    CGeCurve3dList m_listIsoCurve;
};
