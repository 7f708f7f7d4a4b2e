#include "geometry/shapes2d/UserVar.h"

#include "platform/core/Archive.h"

IMPLEMENT_SERIAL(CUserVar, CObject, 12 | VERSIONABLE_SCHEMA)

CUserVar::CUserVar() = default;

CUserVar::~CUserVar() = default;

void CUserVar::Serialize(CArchive& ar)
{
    if (ar.IsStoring())
        ar << m_strName << m_strValue << m_dValue;
    else
        ar >> m_strName >> m_strValue >> m_dValue;
}
