// One closed boundary of a trimmed NURBS surface: a chain of trimming bounds, each a
// parameter-plane curve with its model-space curve. Loops own their bounds; bounds
// own both curves.
#pragma once

#include "geometry/shapes3d/GeShape3d.h"
#include "platform/core/ObList.h"

class CGeCurve;
class CGeCurve3d;
class CGeTrimLoop;
class CGeTrimSurf;

class CGeTrimBnd : public CGeShape3d {
    DECLARE_SERIAL(CGeTrimBnd)
public:
    // All three members null.
    CGeTrimBnd();
    // Deletes both curves.
    ~CGeTrimBnd() override;

    int GetType() const override;

    CGeCurve* m_pUVCrv = nullptr;     // bound in the normalised parameter plane; owned
    CGeCurve3d* m_pEucCrv = nullptr;  // model-space curve on the surface; owned
    CGeTrimLoop* m_pLoop = nullptr;   // the loop this bound belongs to; not owned
};

class CGeTrimLoop : public CGeShape3d {
    DECLARE_SERIAL(CGeTrimLoop)
public:
    // Empty bound list; owner, box and area unset.
    CGeTrimLoop();
    // Deletes every bound.
    ~CGeTrimLoop() override;

    int GetType() const override;

    CGeTrimSurf* m_pSurf = nullptr;
    CTypedPtrList<CObList, CGeTrimBnd*> m_listBnd;
    BOX2<double> m_boxUV;
    double m_dArea;
    int m_nReserved1 = 0;
    int m_nReserved2 = 0;
};
