#include "geometry/shapes2d/GeLine.h"
#include "geometry/shapes2d/GeometryChange.h"

#include "framework/looker/Looker.h"
#include "framework/looker/QVGlobal.h"
#include "framework/looker/SnapRecords.h"
#include "framework/numerak/Line2D.h"
#include "framework/numerak/Matrix33.h"
#include "framework/numerak/Point2D.h"
#include "framework/numerak/PointString.h"
#include "framework/numerak/Vector2D.h"
#include "geometry/shapes2d/CurvePoint.h"
#include "geometry/shapes2d/CurveSnap.h"
#include "geometry/shapes2d/GeBezier.h"
#include "geometry/shapes2d/GeHit.h"
#include "geometry/shapes2d/GeometryConst.h"
#include "platform/core/Archive.h"
#include "platform/core/DC.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

IMPLEMENT_SERIAL(CGeLine, CObject, 2 | VERSIONABLE_SCHEMA)

namespace {

// Tolerance of Create's discretisation (a line ignores it).
constexpr double kCreateDiscTol = 0.01;
// Discretisation step of a line.
constexpr double kLineDiscStep = 0.25;
// Node marks in pixels: circle radius around the start, half side of the end's square.
constexpr int kStartMarkRadius = 4;
constexpr int kEndMarkHalf = 3;

using curvept::Copy2;

}  // namespace

CGeLine::CGeLine() = default;

CGeLine::CGeLine(const double* p, const double* q)
{
    Copy2(m_ptStart, p);
    Copy2(m_ptEnd, q);
    m_bClosed = 0;
    Discrete(gGetCrvShowDiscTol());
}

CGeLine::~CGeLine() = default;

void CGeLine::Create(const double* p, const double* q) { geNoteGeometryChange(); Create(p[0], p[1], q[0], q[1]); }

void CGeLine::Create(double x1, double y1, double x2, double y2)
{
    geNoteGeometryChange();
    m_ptStart[0] = x1;
    m_ptStart[1] = y1;
    m_ptEnd[0] = x2;
    m_ptEnd[1] = y2;
    m_bClosed = 0;
    Discrete(kCreateDiscTol);
}

void CGeLine::Serialize(CArchive& ar)
{
    geNoteGeometryChange();
    CGeCurve::Serialize(ar);
    if (ar.IsStoring()) {
        ar << m_ptStart[0] << m_ptStart[1] << m_ptEnd[0] << m_ptEnd[1];
        return;
    }
    ar >> m_ptStart[0] >> m_ptStart[1] >> m_ptEnd[0] >> m_ptEnd[1];
    Discrete(gGetCrvShowDiscTol());
}

int CGeLine::GetType() const { return 0x2; }

CGeCurve* CGeLine::Copy()
{
    auto* line = new CGeLine(m_ptStart, m_ptEnd);
    line->PastetHandle(this);
    return line;
}

// ---------------------------------------------------------------------------
// Display polyline and box

void CGeLine::CalcBox2d()
{
    BOX2<double> box;
    box.Init(m_ptStart, m_ptEnd);
    StoreBox2d(box);
}

void CGeLine::GetBox2d(BOX2<double>* out) { CGeShape2d::GetBox2d(out); }

void CGeLine::Discrete(double)
{
    geNoteGeometryChange();
    AllocSWMem(2);
    Copy2(m_pSWPoint[0], m_ptStart);
    Copy2(m_pSWPoint[1], m_ptEnd);
    CalcBox2d();
}

void CGeLine::Discrete(double tol, double) { geNoteGeometryChange(); Discrete(tol); }

void CGeLine::DiscreteInArray(double, CArray<tagPoint2d, tagPoint2d>* pts, double, bool)
{
    if (!pts) return;
    pts->Add(tagPoint2d{m_ptStart[0], m_ptStart[1]});
    pts->Add(tagPoint2d{m_ptEnd[0], m_ptEnd[1]});
}

int CGeLine::GetDiscStep(double, double& step)
{
    step = kLineDiscStep;
    return 1;
}

// ---------------------------------------------------------------------------
// Drawing

void CGeLine::DrawGL(COpenGLDC*, int)
{
    glBegin(GL_LINE_STRIP);
    glVertex2f(static_cast<float>(m_ptStart[0]), static_cast<float>(m_ptStart[1]));
    glVertex2f(static_cast<float>(m_ptEnd[0]), static_cast<float>(m_ptEnd[1]));
    glEnd();
}

void CGeLine::DrawNode(CDC* dc, int bStart, int bEnd)
{
    CLooker* looker = gGetLooker();
    if (!dc || !looker) return;
    if (bStart) {
        CPoint s;
        looker->WorldtoScreen(m_ptStart, s, 2);
        const bool view3d = CLooker::IsView3D() != 0;
        CPen pen(PS_SOLID, view3d ? 2 : 1, view3d ? RGB(195, 0, 170) : RGB(0, 125, 0));
        CPen* old = dc->SelectObject(&pen);
        dc->Ellipse(s.x - kStartMarkRadius, s.y - kStartMarkRadius, s.x + kStartMarkRadius, s.y + kStartMarkRadius);
        dc->SelectObject(old);
    }
    if (bEnd) {
        CPoint e;
        looker->WorldtoScreen(m_ptEnd, e, 2);
        dc->Rectangle(e.x - kEndMarkHalf, e.y - kEndMarkHalf, e.x + kEndMarkHalf, e.y + kEndMarkHalf);
    }
}

// ---------------------------------------------------------------------------
// Evaluation

void CGeLine::GetStartPoint(double* p) { Copy2(p, m_ptStart); }

void CGeLine::GetEndPoint(double* p) { Copy2(p, m_ptEnd); }

void CGeLine::GetPointAt(double t, double* p, unsigned) { L2D_GetPnt(m_ptStart, m_ptEnd, t, p); }

void CGeLine::EvPos(double t, double* p, unsigned) { L2D_GetPnt(m_ptStart, m_ptEnd, t, p); }

void CGeLine::Ev1Der(double t, double* p, double* d1, unsigned)
{
    L2D_GetPnt(m_ptStart, m_ptEnd, t, p);
    d1[0] = m_ptEnd[0] - m_ptStart[0];
    d1[1] = m_ptEnd[1] - m_ptStart[1];
}

void CGeLine::Ev2Der(double t, double* p, double* d1, double* d2, unsigned seg)
{
    Ev1Der(t, p, d1, seg);
    d2[0] = d2[1] = 0.0;
}

void CGeLine::GetTanVecAt(double, double* v, unsigned)
{
    v[0] = m_ptEnd[0] - m_ptStart[0];
    v[1] = m_ptEnd[1] - m_ptStart[1];
}

int CGeLine::GetGCPoint(unsigned char kind, double* p, unsigned)
{
    switch (kind) {
    case 1: Copy2(p, m_ptStart); return 1;
    case 2: Copy2(p, m_ptEnd); return 1;
    case 3: L2D_GetPnt(m_ptStart, m_ptEnd, 0.5, p); return 1;
    default: return 0;
    }
}

int CGeLine::GetNearestPoint(double* p, double* out, double& t, unsigned& seg, double& dist)
{
    seg = 1;
    double foot[2];
    if (L2D_PrjPntEx(p, m_ptStart, m_ptEnd, foot)) {
        const double u = L2D_GetParam(foot, m_ptStart, m_ptEnd);
        if (u >= 0.0 && u <= 1.0) {
            Copy2(out, foot);
            t = u;
            dist = P2D_Dist(p, foot);
            return 1;
        }
    }
    // Beyond the ends: the nearer end point, the end winning a tie.
    curvept::NearerEnd(p, m_ptStart, m_ptEnd, out, t, dist);
    return 1;
}

int CGeLine::GetPerpPt(double* p, double* out, double& t, unsigned& seg)
{
    seg = 1;
    if (!L2D_PrjPntEx(p, m_ptStart, m_ptEnd, out)) return 0;
    t = L2D_GetParam(out, m_ptStart, m_ptEnd);
    return t >= 0.0 && t <= 1.0 ? 1 : 0;
}

int CGeLine::EvParam(double len, double& t, unsigned& seg, double)
{
    double dir[2];
    if (!V2D_GenUnit(m_ptStart, m_ptEnd, gecon::kDegenerateTol, dir)) return 0;
    const double p[2] = {m_ptStart[0] + len * dir[0], m_ptStart[1] + len * dir[1]};
    t = L2D_GetParam(p, m_ptStart, m_ptEnd);
    seg = 1;
    return 1;
}

double CGeLine::EvArcLength(double t0, double t1, unsigned)
{
    double a[2], b[2];
    L2D_GetPnt(m_ptStart, m_ptEnd, t0, a);
    L2D_GetPnt(m_ptStart, m_ptEnd, t1, b);
    return P2D_Dist(a, b);
}

double CGeLine::EvTotalArcLength() { return EvArcLength(0.0, 1.0, 1); }

int CGeLine::IsClosed(double) { return 0; }

// ---------------------------------------------------------------------------
// Editing

void CGeLine::Reverse()
{
    geNoteGeometryChange();
    P2D_Swap(m_ptStart, m_ptEnd);
    CGeCurve::Reverse();
}

CGeCurve* CGeLine::Offset(double d)
{
    double dir[2];
    if (!V2D_GenUnit(m_ptStart, m_ptEnd, gecon::kDegenerateTol, dir)) return nullptr;
    double normal[2];
    V2D_Rot(1.5707963267948966, dir, normal);  // left of the direction
    const double p[2] = {m_ptStart[0] + d * normal[0], m_ptStart[1] + d * normal[1]};
    const double q[2] = {m_ptEnd[0] + d * normal[0], m_ptEnd[1] + d * normal[1]};
    return new CGeLine(p, q);
}

void CGeLine::Split(double t, CGeCurve** out, int, int)
{
    if (t < 0.0 || t > 1.0) return;
    if (t <= gecon::kParamSnapTol) {
        out[0] = nullptr;
        out[1] = new CGeLine(m_ptStart, m_ptEnd);
        return;
    }
    if (t >= 1.0 - gecon::kParamSnapTol) {
        out[0] = new CGeLine(m_ptStart, m_ptEnd);
        out[1] = nullptr;
        return;
    }
    double p[2];
    L2D_GetPnt(m_ptStart, m_ptEnd, t, p);
    out[0] = new CGeLine(m_ptStart, p);
    out[1] = new CGeLine(p, m_ptEnd);
}

CGeBezier* CGeLine::ToBezier()
{
    double pts[4][2];
    Copy2(pts[0], m_ptStart);
    L2D_GetPnt(m_ptStart, m_ptEnd, 1.0 / 3.0, pts[1]);
    L2D_GetPnt(m_ptStart, m_ptEnd, 2.0 / 3.0, pts[2]);
    Copy2(pts[3], m_ptEnd);
    auto* bez = new CGeBezier;
    bez->CreateEx(4, pts);
    return bez;
}

void CGeLine::ModifyStartPoint(double* p)
{
    geNoteGeometryChange();
    Copy2(m_ptStart, p);
    if (m_pSWPoint && m_nSWPoint == 2)
        Copy2(m_pSWPoint[0], m_ptStart);
    else
        Discrete(kCreateDiscTol);
    CalcBox2d();
}

void CGeLine::ModifyEndPoint(double* p)
{
    geNoteGeometryChange();
    Copy2(m_ptEnd, p);
    if (m_pSWPoint && m_nSWPoint == 2)
        Copy2(m_pSWPoint[1], m_ptEnd);
    else
        Discrete(kCreateDiscTol);
    CalcBox2d();
}

// ---------------------------------------------------------------------------
// Transforms

void CGeLine::Translate(double* offset)
{
    geNoteGeometryChange();
    m_ptStart[0] += offset[0];
    m_ptStart[1] += offset[1];
    m_ptEnd[0] += offset[0];
    m_ptEnd[1] += offset[1];
    CGeCurve::Translate(offset);
}

void CGeLine::Rotate(double* centre, double angle)
{
    geNoteGeometryChange();
    const double c = std::cos(angle), s = std::sin(angle);
    P2D_Rot(centre, c, s, m_ptStart, m_ptStart);
    P2D_Rot(centre, c, s, m_ptEnd, m_ptEnd);
    CGeCurve::Rotate(centre, angle);
}

void CGeLine::Mirror(double* p, double* q)
{
    geNoteGeometryChange();
    P2D_Mirr(p, q, m_ptStart, m_ptStart);
    P2D_Mirr(p, q, m_ptEnd, m_ptEnd);
    CGeCurve::Mirror(p, q);
}

CGeCurve* CGeLine::Scale(double* centre, double* factors)
{
    geNoteGeometryChange();
    for (double* pt : {m_ptStart, m_ptEnd}) {
        pt[0] = centre[0] + (pt[0] - centre[0]) * factors[0];
        pt[1] = centre[1] + (pt[1] - centre[1]) * factors[1];
    }
    CGeCurve::Scale(centre, factors);
    return this;
}

CGeCurve* CGeLine::Shear(double* base, double* factors)
{
    geNoteGeometryChange();
    P2D_Shear(base, m_ptStart, factors, m_ptStart);
    P2D_Shear(base, m_ptEnd, factors, m_ptEnd);
    CGeCurve::Shear(base, factors);
    return this;
}

CGeCurve* CGeLine::Transform(double m[3][3], unsigned flags)
{
    geNoteGeometryChange();
    MAT33_MultPt(m_ptStart, m_ptStart, m);
    MAT33_MultPt(m_ptEnd, m_ptEnd, m);
    CalcBox2d();
    CGeCurve::Transform(m, flags);
    return this;
}

// ---------------------------------------------------------------------------
// Picking and snapping

int CGeLine::Pick(CPickRay& ray, int bCheckType)
{
    if (bCheckType && (ray.m_nTypeMask & 0x2) == 0) return 0;
    if (!ray.m_b2D) {
        const double pts[4] = {m_ptStart[0], m_ptStart[1], m_ptEnd[0], m_ptEnd[1]};
        double second[3];
        ray.GetSecondPoint(second);
        double a = 0.0, b = 0.0;
        int seg = -1;
        if (!SP2D_Pick3d(pts, 2, ray.m_pt, second, ray.m_dAperture, &a, &b, &seg)) return 0;
        ray.m_dDepth = a;
        ray.m_dParam = b;
        return 1;
    }
    BOX2<double> box;
    GetBox2d(&box);
    if (!looker::QPoint(ray.m_pt).IsInBox(box, ray.m_dAperture)) return 0;

    // The line accepts a distance equal to the aperture.
    auto accept = [&ray](double d) {
        if (d > ray.m_dAperture) return false;
        ray.m_dDist = std::min(d, ray.m_dDist);
        return true;
    };
    double foot[2];
    if (L2D_PrjPntEx(ray.m_pt, m_ptStart, m_ptEnd, foot)) {
        const double u = L2D_GetParam(foot, m_ptStart, m_ptEnd);
        if (u >= 0.0 && u <= 1.0) return accept(P2D_Dist(ray.m_pt, foot)) ? 1 : 0;
    }
    if (accept(P2D_Dist(ray.m_pt, m_ptStart))) return 1;
    return accept(P2D_Dist(ray.m_pt, m_ptEnd)) ? 1 : 0;
}

int CGeLine::GetSnapPos(CSnapAt* snap, CSnapResult& result)
{
    using namespace curvesnap;
    if (!CanSnap(snap)) return 0;
    const int before = result.GetSize();
    const int mode = snap->m_nSnapMode;

    if (mode & kSnapEnd) {
        if (PassesAxisTest(snap, m_ptStart)) result.PushBackEnd(At(m_ptStart));
        if (PassesAxisTest(snap, m_ptEnd)) result.PushBackEnd(At(m_ptEnd));
        if (IsSnapPoint(snap, m_ptStart))
            result.PushBackEnd(At(m_ptStart));
        else if (IsSnapPoint(snap, m_ptEnd))
            result.PushBackEnd(At(m_ptEnd));
    }
    if (mode & kSnapNear) {
        double foot[2];
        if (L2D_PrjPntEx(snap->m_ptCursor, m_ptStart, m_ptEnd, foot)) {
            const double u = L2D_GetParam(foot, m_ptStart, m_ptEnd);
            if (u >= 0.0 && u <= 1.0 && P2D_Dist(foot, snap->m_ptCursor) < snap->m_dAperture)
                result.PushBackNear(At(foot));
        }
    }
    if (mode & kSnapMid) {
        double mid[2];
        L2D_GetPnt(m_ptStart, m_ptEnd, 0.5, mid);
        if (PassesAxisTest(snap, mid)) result.PushBackMid(At(mid));
        if (IsSnapPoint(snap, mid)) result.PushBackMid(At(mid));
    }
    if (mode & kSnapPerp) {
        double foot[2];
        if (const double* base = BasePoint(snap); base && L2D_PrjPntEx(base, m_ptStart, m_ptEnd, foot)) {
            // Position along the line, measured on the axis where it extends further.
            const int axis = std::fabs(m_ptEnd[0] - m_ptStart[0]) > std::fabs(m_ptEnd[1] - m_ptStart[1]) ? 0 : 1;
            const double u = (foot[axis] - m_ptEnd[axis]) / (m_ptStart[axis] - m_ptEnd[axis]);
            if (u >= 0.0 && u <= 1.0 && IsSnapPoint(snap, foot)) result.PushBackPerp(At(foot));
        }
    }
    return result.GetSize() > before ? 1 : 0;
}
