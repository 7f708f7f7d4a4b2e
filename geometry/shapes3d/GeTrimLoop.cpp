#include "geometry/shapes3d/GeTrimLoop.h"

#include "geometry/shapes2d/GeCurve.h"
#include "geometry/shapes3d/GeCurve3d.h"
#include "geometry/shapes3d/Shapes3dConst.h"

IMPLEMENT_SERIAL(CGeTrimBnd, CObject, VERSIONABLE_SCHEMA | 1)
IMPLEMENT_SERIAL(CGeTrimLoop, CObject, VERSIONABLE_SCHEMA | 1)

CGeTrimBnd::CGeTrimBnd() = default;

CGeTrimBnd::~CGeTrimBnd()
{
    delete m_pUVCrv;
    delete m_pEucCrv;
}

int CGeTrimBnd::GetType() const { return ge3con::kTypeTrimBnd; }

CGeTrimLoop::CGeTrimLoop() : m_dArea(0.0) { m_boxUV.InitEmpty(); }

CGeTrimLoop::~CGeTrimLoop()
{
    while (!m_listBnd.IsEmpty()) delete m_listBnd.RemoveHead();
}

int CGeTrimLoop::GetType() const { return ge3con::kTypeTrimLoop; }
