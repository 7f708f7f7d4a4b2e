#include "geometry/shapes2d/GcGeom.h"

#include "framework/looker/QVGlobal.h"
#include "platform/core/Archive.h"

int CGcGeom::IsSame(CGcGeom other) const
{
    return m_n1 == other.m_n1 && m_n2 == other.m_n2 && m_n3 == other.m_n3 && m_b == other.m_b ? 1 : 0;
}

int CGcGeom::IsSameEx(CGcGeom other) const
{
    if (m_n1 == 0 || other.m_n1 == 0 || m_n2 == 0 || other.m_n2 == 0) return -1;
    return m_n1 == other.m_n1 && m_n2 == other.m_n2 && m_n3 == other.m_n3 ? 1 : 0;
}

void CGcGeom::Serialize(CArchive& ar)
{
    // Documents older than version 6 hold no machining attributes.
    const CQVGlobal* global = gGetQVGlobal();
    if (!global || global->GetVersion() < kDocVersionShapeHandles) return;
    if (ar.IsStoring())
        ar << m_n1 << m_n2 << m_n3 << m_b << m_f;
    else
        ar >> m_n1 >> m_n2 >> m_n3 >> m_b >> m_f;
}
