#include "geometry/shapes3d/GeLoop3d.h"

#include "geometry/shapes3d/Shapes3dConst.h"

CGeLoop3d::CGeLoop3d() : m_dArea(0.0) {}

CGeLoop3d::~CGeLoop3d()
{
    while (!m_listCurve.IsEmpty()) delete m_listCurve.RemoveHead();
}

int CGeLoop3d::GetType() const { return ge3con::kTypeLoop3d; }

CGeShape3d* CGeLoop3d::Copy()
{
    auto* copy = new CGeLoop3d;
    for (CGeCurve3d* member : m_listCurve) {
        if (!member) continue;
        if (auto* c = dynamic_cast<CGeCurve3d*>(member->Copy())) copy->m_listCurve.AddTail(c);
    }
    return copy;
}

void CGeLoop3d::Reverse()
{
    m_dArea = -m_dArea;
    CGeCombCurve3d::Reverse();
}

void CGeLoop3d::AddTail(CGeCurve3d* curve)
{
    if (curve) m_listCurve.AddTail(curve);
}

void CGeLoop3d::AddHead(CGeCurve3d* curve)
{
    if (curve) m_listCurve.AddHead(curve);
}
