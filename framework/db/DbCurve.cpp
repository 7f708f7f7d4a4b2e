#include "framework/db/DbCurve.h"

#include "framework/db/CurveHolder.h"
#include "geometry/shapes2d/GeArc.h"
#include "geometry/shapes2d/GeCurve.h"
#include "geometry/shapes2d/GeLine.h"
#include "geometry/shapes2d/GeometryChange.h"
#include "geometry/shapes2d/GePolyline.h"

#include <memory>

IMPLEMENT_SERIAL(CDbCurve, CDbEntity, 1)

CDbCurve::CDbCurve() = default;
CDbCurve::CDbCurve(CGeCurve* curve) : m_pCurve(curve) {}
CDbCurve::~CDbCurve() { delete m_pCurve; }

void CDbCurve::Serialize(CArchive& ar)
{
    CDbEntity::Serialize(ar);
    dbcurve::Serialize(ar, m_pCurve);
}

CDbEntity* CDbCurve::Copy()
{
    CGeCurve* curve = nullptr;
    if (!dbcurve::CopyOf(m_pCurve, curve)) return nullptr;
    auto* copy = new CDbCurve(curve);
    CopyAttributesTo(*copy);
    return copy;
}

void CDbCurve::Draw(CDC* dc, int mode)
{
    if (dc == nullptr || m_pCurve == nullptr) return;
    PenGuard guard(dc, *this, mode);
    m_pCurve->Draw(dc, mode);
}

BOOL CDbCurve::GetBox(BOX2<double>* box)
{
    if (m_pCurve == nullptr || box == nullptr) return FALSE;
    BOX2<double> b;
    b.InitEmpty();
    m_pCurve->GetBox2d(&b);
    if (!b.IsValid()) return FALSE;
    *box = b;
    return TRUE;
}

void CDbCurve::Move(const double* from, const double* to)
{
    if (m_pCurve == nullptr) return;
    double offset[2] = {to[0] - from[0], to[1] - from[1]};
    m_pCurve->Translate(offset);
}

void CDbCurve::Scale(const double* base, const double* factors)
{
    if (m_pCurve == nullptr) return;
    double centre[2] = {base[0], base[1]};
    double f[2] = {factors[0], factors[1]};
    CGeCurve* result = m_pCurve->Scale(centre, f);
    if (result != nullptr && result != m_pCurve) SetCurve(result);
}

void CDbCurve::DrawGL(COpenGLDC* dc, int mode)
{
    if (m_pCurve == nullptr) return;
    // The curve draws in the current colour: the entity's, and the caller's
    // colour comes back afterwards.
    dbcurve::GLColour colour(GetColor());
    m_pCurve->DrawGL(dc, mode);
}

CGeCurve* CDbCurve::GetCurve() const
{
    geNoteGeometryChange();
    return m_pCurve;
}

void CDbCurve::SetCurve(CGeCurve* curve)
{
    geNoteGeometryChange();
    dbcurve::Replace(m_pCurve, curve);
}

CGeCurve* CDbCurve::DetachCurve()
{
    geNoteGeometryChange();
    CGeCurve* curve = m_pCurve;
    m_pCurve = nullptr;
    return curve;
}

CDbCurve* dbGenCurve(CGeCurve* curve) { return curve != nullptr ? new CDbCurve(curve) : nullptr; }

CDbCurve* dbGenLine(const double* p, const double* q)
{
    if (p == nullptr || q == nullptr) return nullptr;
    return new CDbCurve(new CGeLine(p, q));
}

CDbCurve* dbGenArcCSE(const double* c, const double* s, const double* e, int bCCW, double tol)
{
    if (c == nullptr || s == nullptr || e == nullptr) return nullptr;
    auto arc = std::make_unique<CGeArc>();
    if (!arc->CreateCSE(c, s, e, bCCW)) return nullptr;
    arc->Discrete(tol);
    return new CDbCurve(arc.release());
}

CDbCurve* dbGenRect(const double* pmin, const double* pmax)
{
    if (pmin == nullptr || pmax == nullptr) return nullptr;
    CArray<tagPoint2d, tagPoint2d> pts;
    const tagPoint2d corners[5] = {
        {pmin[0], pmin[1]}, {pmax[0], pmin[1]}, {pmax[0], pmax[1]}, {pmin[0], pmax[1]}, {pmin[0], pmin[1]}};
    for (const tagPoint2d& c : corners) pts.Add(c);
    auto* poly = new CGePolyline;
    if (poly->Create(&pts) == 0) {
        delete poly;
        return nullptr;
    }
    poly->SetClosedFlag(1);
    return new CDbCurve(poly);
}
