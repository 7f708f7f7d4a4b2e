#include "framework/db/DbPathGroup.h"

#include "geometry/shapes3d/GeCombCurve3d.h"

CDbPathUnit::CDbPathUnit(CGeCombCurve3d* curve) : m_pCurve(curve) {}

CDbPathUnit::~CDbPathUnit() { delete m_pCurve; }

void CDbPathUnit::SetCurve(CGeCombCurve3d* curve)
{
    if (curve == m_pCurve) return;
    delete m_pCurve;
    m_pCurve = curve;
}

IMPLEMENT_DYNAMIC(CDbPathGroup, CDbEntity)

CDbPathGroup::CDbPathGroup() = default;

CDbPathGroup::~CDbPathGroup()
{
    while (!m_listUnit.IsEmpty()) delete m_listUnit.RemoveHead();
}
