#include "geometry/shapes2d/GeLine.h"

#include "framework/looker/QVGlobal.h"
#include "framework/looker/SnapRecords.h"
#include "geometry/shapes2d/GeHit.h"
#include "platform/core/Archive.h"

IMPLEMENT_SERIAL(CGeLine, CObject, 2 | VERSIONABLE_SCHEMA)

namespace {

// Tolerance of Create's discretisation (a line ignores it).
constexpr double kCreateDiscTol = 0.01;

}  // namespace

CGeLine::CGeLine() = default;

CGeLine::CGeLine(const double* p, const double* q)
{
    m_ptStart[0] = p[0];
    m_ptStart[1] = p[1];
    m_ptEnd[0] = q[0];
    m_ptEnd[1] = q[1];
    m_bClosed = 0;
    Discrete(gGetCrvShowDiscTol());
}

CGeLine::~CGeLine() = default;

void CGeLine::Create(const double* p, const double* q) { Create(p[0], p[1], q[0], q[1]); }

void CGeLine::Create(double x1, double y1, double x2, double y2)
{
    m_ptStart[0] = x1;
    m_ptStart[1] = y1;
    m_ptEnd[0] = x2;
    m_ptEnd[1] = y2;
    m_bClosed = 0;
    Discrete(kCreateDiscTol);
}

void CGeLine::Serialize(CArchive& ar)
{
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

void CGeLine::CalcBox2d() { m_box.Init(m_ptStart, m_ptEnd); }

void CGeLine::Discrete(double)
{
    AllocSWMem(2);
    m_pSWPoint[0][0] = m_ptStart[0];
    m_pSWPoint[0][1] = m_ptStart[1];
    m_pSWPoint[1][0] = m_ptEnd[0];
    m_pSWPoint[1][1] = m_ptEnd[1];
    CalcBox2d();
}

void CGeLine::Discrete(double tol, double) { Discrete(tol); }

void CGeLine::DiscreteInArray(double, CArray<tagPoint2d, tagPoint2d>* pts, double, bool)
{
    if (!pts) return;
    pts->Add(tagPoint2d{m_ptStart[0], m_ptStart[1]});
    pts->Add(tagPoint2d{m_ptEnd[0], m_ptEnd[1]});
}

void CGeLine::GetStartPoint(double* p)
{
    p[0] = m_ptStart[0];
    p[1] = m_ptStart[1];
}

void CGeLine::GetEndPoint(double* p)
{
    p[0] = m_ptEnd[0];
    p[1] = m_ptEnd[1];
}

int CGeLine::IsClosed(double) { return 0; }

// Behaviour not built yet falls back to the curve base (generic, on the display polyline).
int CGeLine::GetSnapPos(CSnapAt* snap, CSnapResult& result) { return CGeCurve::GetSnapPos(snap, result); }
void CGeLine::GetBox2d(BOX2<double>* out) { CGeCurve::GetBox2d(out); }
void CGeLine::Translate(double* offset) { CGeCurve::Translate(offset); }
void CGeLine::Rotate(double* centre, double angle) { CGeCurve::Rotate(centre, angle); }
void CGeLine::Mirror(double* p, double* q) { CGeCurve::Mirror(p, q); }
CGeCurve* CGeLine::Scale(double* centre, double* factors) { return CGeCurve::Scale(centre, factors); }
void CGeLine::DrawGL(COpenGLDC* dc, int mode) { CGeCurve::DrawGL(dc, mode); }
void CGeLine::DrawNode(CDC* dc, int bStart, int bEnd) { CGeCurve::DrawNode(dc, bStart, bEnd); }
void CGeLine::ModifyStartPoint(double* p) { CGeCurve::ModifyStartPoint(p); }
void CGeLine::ModifyEndPoint(double* p) { CGeCurve::ModifyEndPoint(p); }
int CGeLine::Pick(CPickRay& ray, int bCheckType) { return CGeCurve::Pick(ray, bCheckType); }
int CGeLine::GetDiscStep(double tol, double& step) { return CGeCurve::GetDiscStep(tol, step); }
void CGeLine::GetPointAt(double t, double* p, unsigned seg) { CGeCurve::GetPointAt(t, p, seg); }
int CGeLine::GetGCPoint(unsigned char kind, double* p, unsigned seg) { return CGeCurve::GetGCPoint(kind, p, seg); }
void CGeLine::GetTanVecAt(double t, double* v, unsigned seg) { CGeCurve::GetTanVecAt(t, v, seg); }
void CGeLine::EvPos(double t, double* p, unsigned seg) { CGeCurve::EvPos(t, p, seg); }
void CGeLine::Ev1Der(double t, double* p, double* d1, unsigned seg) { CGeCurve::Ev1Der(t, p, d1, seg); }
void CGeLine::Ev2Der(double t, double* p, double* d1, double* d2, unsigned seg) { CGeCurve::Ev2Der(t, p, d1, d2, seg); }
int CGeLine::GetNearestPoint(double* p, double* out, double& t, unsigned& seg, double& dist) { return CGeCurve::GetNearestPoint(p, out, t, seg, dist); }
int CGeLine::GetPerpPt(double* p, double* out, double& t, unsigned& seg) { return CGeCurve::GetPerpPt(p, out, t, seg); }
int CGeLine::EvParam(double len, double& t, unsigned& seg, double tol) { return CGeCurve::EvParam(len, t, seg, tol); }
double CGeLine::EvArcLength(double t0, double t1, unsigned seg) { return CGeCurve::EvArcLength(t0, t1, seg); }
double CGeLine::EvTotalArcLength() { return CGeCurve::EvTotalArcLength(); }
void CGeLine::Reverse() { CGeCurve::Reverse(); }
CGeCurve* CGeLine::Offset(double d) { return CGeCurve::Offset(d); }
void CGeLine::Split(double t, CGeCurve** out, int seg, int flag) { CGeCurve::Split(t, out, seg, flag); }
CGeCurve* CGeLine::Shear(double* base, double* factors) { return CGeCurve::Shear(base, factors); }
CGeCurve* CGeLine::Transform(double m[3][3], unsigned flags) { return CGeCurve::Transform(m, flags); }
