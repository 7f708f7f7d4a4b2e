#include "framework/db/DbCurve3d.h"

#include "framework/db/CurveHolder.h"
#include "geometry/shapes3d/GeCurve3d.h"

IMPLEMENT_SERIAL(CDbCurve3d, CDbEntity, 1)

namespace {

// The box of the curve's display points (in x and y for a 2D box); FALSE without points.
template <class Box>
BOOL BoxOfPoints(const CGeCurve3d* curve, Box* box)
{
    if (curve == nullptr || box == nullptr || !curve->HasPoints()) return FALSE;
    Box b;
    b.InitEmpty();
    const CStrP3D& s = curve->m_strDisp;
    for (int i = 0; i < s.m_nCount; ++i) b.Extend(s.m_pPoints[i]);
    if (!b.IsValid()) return FALSE;
    *box = b;
    return TRUE;
}

}  // namespace

CDbCurve3d::CDbCurve3d() = default;
CDbCurve3d::CDbCurve3d(CGeCurve3d* curve) : m_pCurve(curve) {}
CDbCurve3d::~CDbCurve3d() { delete m_pCurve; }

void CDbCurve3d::Serialize(CArchive& ar)
{
    CDbEntity::Serialize(ar);
    dbcurve::Serialize(ar, m_pCurve);
}

CDbEntity* CDbCurve3d::Copy()
{
    CGeCurve3d* curve = nullptr;
    if (!dbcurve::CopyOf(m_pCurve, curve)) return nullptr;
    auto* copy = new CDbCurve3d(curve);
    CopyAttributesTo(*copy);
    return copy;
}

void CDbCurve3d::Draw(CDC* dc, int mode)
{
    if (dc == nullptr || m_pCurve == nullptr) return;
    PenGuard guard(dc, *this, mode);
    m_pCurve->Draw(dc, mode);
}

BOOL CDbCurve3d::GetBox(BOX2<double>* box) { return BoxOfPoints(m_pCurve, box); }

BOOL CDbCurve3d::GetBox3D(BOX3<double>* box) { return BoxOfPoints(m_pCurve, box); }

void CDbCurve3d::DrawGL(COpenGLDC* dc, int mode)
{
    if (m_pCurve == nullptr) return;
    dbcurve::GLColour colour(GetColor());
    m_pCurve->DrawGL(dc, mode);
}

void CDbCurve3d::SetCurve(CGeCurve3d* curve) { dbcurve::Replace(m_pCurve, curve); }
