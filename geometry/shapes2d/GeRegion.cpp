#include "geometry/shapes2d/GeRegion.h"
#include "geometry/shapes2d/GeometryChange.h"

#include "framework/numerak/Box2D.h"
#include "framework/numerak/Matrix33.h"
#include "geometry/shapes2d/CurveList.h"
#include "geometry/shapes2d/GeLoop.h"
#include "geometry/shapes2d/GePolyline.h"
#include "geometry/shapes2d/GeometryConst.h"
#include "platform/core/Archive.h"
#include "platform/core/OwnedListArchive.h"

#include <cmath>

IMPLEMENT_SERIAL(CGeRegion, CObject, 2 | VERSIONABLE_SCHEMA)

namespace {

// Translations and rotations smaller than this change nothing.
constexpr double kMinMove = 0.0001;

// A loop whose cached area says neither outer nor hole.
bool AreaUnknown(double area) { return area == 0.0 || area >= gecon::kAreaNotComputed; }

}  // namespace

CGeRegion::CGeRegion() = default;

CGeRegion::CGeRegion(BOX2<double> box)
{
    const double pts[5][2] = {
        {box.xmin, box.ymin}, {box.xmax, box.ymin}, {box.xmax, box.ymax}, {box.xmin, box.ymax}, {box.xmin, box.ymin}};
    auto* poly = new CGePolyline;
    poly->Create(5, pts);
    poly->SetClosedFlag(1);
    auto* loop = new CGeLoop;
    loop->AddTail(poly, 1);
    loop->SetClosedFlag(1);
    // The area is computed at once (a cheap rectangle), so the point test
    // knows the loop for an outer one.
    loop->EvArea(gecon::kClosedTol);
    m_loopList.AddTail(loop);
    CalcBox2d();
}

CGeRegion::CGeRegion(BOX3<double> box) : CGeRegion(BOX2<double>(box.xmin, box.ymin, box.xmax, box.ymax)) {}

CGeRegion::~CGeRegion() { geDelGeLoopList(&m_loopList, false); }

void CGeRegion::Serialize(CArchive& ar)
{
    geNoteGeometryChange();
    CGeCurve::Serialize(ar);
    if (ar.IsStoring()) {
        m_loopList.Serialize(ar);
        return;
    }
    // Each loop must be created by its own record.
    archive::LoadOwnedList(ar, m_loopList);
    m_box.InitEmpty();
}

CGeCurve* CGeRegion::Copy()
{
    if (m_loopList.IsEmpty()) return nullptr;
    auto* copy = new CGeRegion;
    for (CGeLoop* loop : m_loopList)
        if (loop)
            if (auto* c = static_cast<CGeLoop*>(loop->Copy())) copy->m_loopList.AddTail(c);
    copy->m_box = m_box;
    copy->m_bClosed = m_bClosed;
    copy->PastetHandle(this);
    return copy;
}

void CGeRegion::CalcBox2d()
{
    m_box.InitEmpty();
    for (CGeLoop* loop : m_loopList) {
        if (!loop) continue;
        loop->CalcBox2d();
        BOX2<double> b;
        loop->GetBox2d(&b);
        BOX2D_Union(m_box, b);
    }
}

void CGeRegion::GetBox2d(BOX2<double>* out)
{
    if (!out) return;
    if (m_box.xmax < m_box.xmin) CalcBox2d();
    *out = m_box;
}

void CGeRegion::Draw(Direct2DHandler*, int) {}

void CGeRegion::Draw(CDC* dc, int mode)
{
    for (CGeLoop* loop : m_loopList)
        if (loop) loop->Draw(dc, mode);
}

void CGeRegion::Discrete(double tol)
{
    geNoteGeometryChange();
    for (CGeLoop* loop : m_loopList)
        if (loop) loop->Discrete(tol);
}

void CGeRegion::GetStartPoint(double* p)
{
    if (!m_loopList.IsEmpty() && m_loopList.GetHead()) m_loopList.GetHead()->GetStartPoint(p);
}

void CGeRegion::GetEndPoint(double* p)
{
    if (!m_loopList.IsEmpty() && m_loopList.GetTail()) m_loopList.GetTail()->GetEndPoint(p);
}

int CGeRegion::IsPtInRegion(double* p, double tol)
{
    if (m_loopList.IsEmpty()) return 1;
    BOX2<double> box;
    GetBox2d(&box);
    if (!BOX2D_IsPtIn(box, p, tol)) return 1;
    int depth = 0;  // outer loops holding p minus holes holding p
    for (CGeLoop* loop : m_loopList) {
        if (!loop || AreaUnknown(loop->m_dArea)) continue;
        const int c = loop->IsPtInLoop(p, tol);
        if (c == 2) return 2;
        if (c == 0) depth += loop->m_dArea > 0.0 ? 1 : -1;
    }
    return depth > 0 ? 0 : 1;
}

double CGeRegion::EvArea(double tol)
{
    double area = 0.0;
    for (CGeLoop* loop : m_loopList) {
        if (!loop) continue;
        const double a = loop->EvArea(tol);
        if (a < gecon::kAreaNotComputed) area += a;
    }
    return area;
}

void CGeRegion::Translate(double* offset)
{
    geNoteGeometryChange();
    if (std::hypot(offset[0], offset[1]) < kMinMove) return;
    for (CGeLoop* loop : m_loopList)
        if (loop) loop->Translate(offset);
    if (m_box.IsValid()) m_box.Move(offset[0], offset[1]);
}

void CGeRegion::Rotate(double* centre, double angle)
{
    geNoteGeometryChange();
    if (std::fabs(angle) < kMinMove) return;
    for (CGeLoop* loop : m_loopList)
        if (loop) loop->Rotate(centre, angle);
    CalcBox2d();
}

void CGeRegion::Mirror(double* p, double* q)
{
    geNoteGeometryChange();
    for (CGeLoop* loop : m_loopList)
        if (loop) loop->Mirror(p, q);
    CalcBox2d();
}

// Loops scale, shear and transform in place (they return themselves).
CGeCurve* CGeRegion::Scale(double* centre, double* factors)
{
    geNoteGeometryChange();
    for (CGeLoop* loop : m_loopList)
        if (loop) loop->Scale(centre, factors);
    CalcBox2d();
    return this;
}

CGeCurve* CGeRegion::Shear(double* base, double* factors)
{
    geNoteGeometryChange();
    for (CGeLoop* loop : m_loopList)
        if (loop) loop->Shear(base, factors);
    CalcBox2d();
    return this;
}

CGeCurve* CGeRegion::Transform(double m[3][3], unsigned flags)
{
    geNoteGeometryChange();
    if (MAT33_IsUnit(m)) return this;
    for (CGeLoop* loop : m_loopList)
        if (loop) loop->Transform(m, flags);
    CalcBox2d();
    return this;
}
