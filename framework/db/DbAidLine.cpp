#include "framework/db/DbAidLine.h"

#include "framework/looker/Looker.h"
#include "platform/core/Archive.h"

IMPLEMENT_SERIAL(CDbAidLine, CDbEntity, 1)

CDbAidLine::CDbAidLine(double position, int orientation)
    : m_dPosition(position), m_nOrientation(orientation == kVertical ? kVertical : kHorizontal)
{
}

void CDbAidLine::Serialize(CArchive& ar)
{
    CDbEntity::Serialize(ar);
    if (ar.IsStoring()) {
        ar << m_dPosition << m_nOrientation;
    } else {
        ar >> m_dPosition >> m_nOrientation;
        m_nOrientation = m_nOrientation == kVertical ? kVertical : kHorizontal;
    }
}

CDbEntity* CDbAidLine::Copy()
{
    auto* copy = new CDbAidLine(m_dPosition, m_nOrientation);
    CopyAttributesTo(*copy);
    return copy;
}

void CDbAidLine::Draw(CDC* dc, int mode)
{
    CLooker* looker = gGetLooker();
    if (dc == nullptr || looker == nullptr) return;
    const BOX2<double> view = looker->GetViewBox();
    double line[2][2];
    if (m_nOrientation == kHorizontal) {
        line[0][0] = view.xmin, line[0][1] = m_dPosition;
        line[1][0] = view.xmax, line[1][1] = m_dPosition;
    } else {
        line[0][0] = m_dPosition, line[0][1] = view.ymin;
        line[1][0] = m_dPosition, line[1][1] = view.ymax;
    }
    PenGuard guard(dc, *this, mode);
    looker->DrawPolyline(line, 2, dc);
}

BOOL CDbAidLine::GetBox(BOX2<double>*) { return FALSE; }

void CDbAidLine::Move(const double* from, const double* to)
{
    m_dPosition += m_nOrientation == kHorizontal ? to[1] - from[1] : to[0] - from[0];
}

void CDbAidLine::Scale(const double* base, const double* factors)
{
    const int axis = m_nOrientation == kHorizontal ? 1 : 0;
    m_dPosition = base[axis] + (m_dPosition - base[axis]) * factors[axis];
}
