#include "geometry/shapes2d/GeCombCurve.h"

#include "framework/looker/QVGlobal.h"
#include "framework/looker/SnapRecords.h"
#include "geometry/shapes2d/GeHit.h"
#include "platform/core/Archive.h"

IMPLEMENT_SERIAL(CGeCombCurve, CObject, 2 | VERSIONABLE_SCHEMA)

CGeCombCurve::CGeCombCurve() = default;

CGeCombCurve::~CGeCombCurve()
{
    DeleteOwnedList(m_curveList);
}

int CGeCombCurve::GetType() const { return 0x80; }

int CGeCombCurve::GetSegmentCount() { return static_cast<int>(m_curveList.GetCount()); }

CGeCurve* CGeCombCurve::GetSubCurve(int k) const
{
    if (k <= 0 || k > m_curveList.GetCount()) return nullptr;
    return m_curveList.GetAt(m_curveList.FindIndex(k - 1));
}

// Members go as an object list; the box and display are rebuilt on first request.
void CGeCombCurve::Serialize(CArchive& ar)
{
    CGeCurve::Serialize(ar);
    m_curveList.Serialize(ar);
}

// Behaviour not built yet falls back to the curve base (generic, on the display polyline).
CGeCurve* CGeCombCurve::Copy() { return CGeCurve::Copy(); }
int CGeCombCurve::GetSnapPos(CSnapAt* snap, CSnapResult& result) { return CGeCurve::GetSnapPos(snap, result); }
void CGeCombCurve::CalcBox2d() { CGeCurve::CalcBox2d(); }
void CGeCombCurve::GetBox2d(BOX2<double>* out) { CGeCurve::GetBox2d(out); }
void CGeCombCurve::CreateNewHandle() { CGeCurve::CreateNewHandle(); }
void CGeCombCurve::Translate(double* offset) { CGeCurve::Translate(offset); }
void CGeCombCurve::Rotate(double* centre, double angle) { CGeCurve::Rotate(centre, angle); }
void CGeCombCurve::Mirror(double* p, double* q) { CGeCurve::Mirror(p, q); }
CGeCurve* CGeCombCurve::Scale(double* centre, double* factors) { return CGeCurve::Scale(centre, factors); }
void CGeCombCurve::Draw(Direct2DHandler* handler, int mode) { CGeCurve::Draw(handler, mode); }
void CGeCombCurve::Draw(CDC* dc, int mode) { CGeCurve::Draw(dc, mode); }
void CGeCombCurve::DrawGL(COpenGLDC* dc, int mode) { CGeCurve::DrawGL(dc, mode); }
void CGeCombCurve::DrawNode(CDC* dc, int bStart, int bEnd) { CGeCurve::DrawNode(dc, bStart, bEnd); }
void CGeCombCurve::ModifyStartPoint(double* p) { CGeCurve::ModifyStartPoint(p); }
void CGeCombCurve::ModifyEndPoint(double* p) { CGeCurve::ModifyEndPoint(p); }
int CGeCombCurve::Pick(CPickRay& ray, int bCheckType) { return CGeCurve::Pick(ray, bCheckType); }
int CGeCombCurve::PickBox(_rect_fm3d* frame, BOX2<double>* box) { return CGeCurve::PickBox(frame, box); }
int CGeCombCurve::Hit(CPickRay& ray, CGeHit& hit) { return CGeCurve::Hit(ray, hit); }
void CGeCombCurve::Discrete(double tol, double ang) { CGeCurve::Discrete(tol, ang); }
void CGeCombCurve::Discrete(double tol) { CGeCurve::Discrete(tol); }
void CGeCombCurve::DiscreteInArray(double tol, CArray<tagPoint2d, tagPoint2d>* pts, double ang, bool bRefine) { CGeCurve::DiscreteInArray(tol, pts, ang, bRefine); }
void CGeCombCurve::ToElement(CTypedPtrList<CObList, CGeCurve3d*>* list) { CGeCurve::ToElement(list); }
void CGeCombCurve::GetStartPoint(double* p) { CGeCurve::GetStartPoint(p); }
void CGeCombCurve::GetEndPoint(double* p) { CGeCurve::GetEndPoint(p); }
int CGeCombCurve::GetStartTan(double* v) { return CGeCurve::GetStartTan(v); }
int CGeCombCurve::GetEndTan(double* v) { return CGeCurve::GetEndTan(v); }
void CGeCombCurve::GetPointAt(double t, double* p, unsigned seg) { CGeCurve::GetPointAt(t, p, seg); }
void CGeCombCurve::GetTanVecAt(double t, double* v, unsigned seg) { CGeCurve::GetTanVecAt(t, v, seg); }
void CGeCombCurve::EvPos(double t, double* p, unsigned seg) { CGeCurve::EvPos(t, p, seg); }
void CGeCombCurve::Ev1Der(double t, double* p, double* d1, unsigned seg) { CGeCurve::Ev1Der(t, p, d1, seg); }
void CGeCombCurve::Ev2Der(double t, double* p, double* d1, double* d2, unsigned seg) { CGeCurve::Ev2Der(t, p, d1, d2, seg); }
int CGeCombCurve::GetNearestPoint(double* p, double* out, double& t, unsigned& seg, double& dist) { return CGeCurve::GetNearestPoint(p, out, t, seg, dist); }
int CGeCombCurve::EvParam(double len, double& t, unsigned& seg, double tol) { return CGeCurve::EvParam(len, t, seg, tol); }
double CGeCombCurve::EvArcLength(double t0, double t1, unsigned seg) { return CGeCurve::EvArcLength(t0, t1, seg); }
double CGeCombCurve::EvTotalArcLength() { return CGeCurve::EvTotalArcLength(); }
int CGeCombCurve::IsLongerThan(double len) { return CGeCurve::IsLongerThan(len); }
int CGeCombCurve::IsClosed(double tol) { return CGeCurve::IsClosed(tol); }
void CGeCombCurve::Reverse() { CGeCurve::Reverse(); }
CGeCurve* CGeCombCurve::Split(IntPnt a, IntPnt b) { return CGeCurve::Split(a, b); }
void CGeCombCurve::Split(double t, CGeCurve** out, int seg, int flag) { CGeCurve::Split(t, out, seg, flag); }
void CGeCombCurve::BiArcAppx(double tol, CTypedPtrList<CObList, CGeCurve*>* out) { CGeCurve::BiArcAppx(tol, out); }
void CGeCombCurve::InitSketchIndex() { CGeCurve::InitSketchIndex(); }
CGeCurve* CGeCombCurve::Shear(double* base, double* factors) { return CGeCurve::Shear(base, factors); }
CGeCurve* CGeCombCurve::Transform(double m[3][3], unsigned flags) { return CGeCurve::Transform(m, flags); }
