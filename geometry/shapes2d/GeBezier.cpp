#include "geometry/shapes2d/GeBezier.h"

#include "framework/looker/QVGlobal.h"
#include "framework/looker/SnapRecords.h"
#include "geometry/shapes2d/GeHit.h"
#include "platform/core/Archive.h"
#include "platform/core/Exception.h"
#include <algorithm>
#include <vector>

IMPLEMENT_SERIAL(CGeBezier, CObject, 2 | VERSIONABLE_SCHEMA)

CGeBezier::CGeBezier() = default;

CGeBezier::~CGeBezier() = default;

int CGeBezier::GetType() const { return 0x20; }

int CGeBezier::GetSegmentCount() { return m_nNodes > 0 ? static_cast<int>((m_nNodes - 1) / 3) : 0; }

void CGeBezier::Serialize(CArchive& ar)
{
    CGeCurve::Serialize(ar);
    if (ar.IsStoring()) {
        ar << static_cast<int>(m_nNodes);
        for (unsigned int i = 0; i < m_nNodes; ++i) ar << m_pNodes[i].x << m_pNodes[i].y << m_pNodes[i].kind;
        return;
    }
    int n = 0;
    ar >> n;
    if (n < 0) AfxThrowArchiveException(CArchiveException::endOfFile);
    // Read node by node before allocating, so a corrupt count fails at the
    // archive's end instead of allocating a huge block.
    std::vector<CBezierNode> nodes;
    for (int i = 0; i < n; ++i) {
        CBezierNode node;
        ar >> node.x >> node.y >> node.kind;
        nodes.push_back(node);
    }
    m_pNodes.reset(n > 0 ? new CBezierNode[static_cast<size_t>(n)] : nullptr);
    std::copy(nodes.begin(), nodes.end(), m_pNodes.get());
    m_nNodes = static_cast<unsigned int>(n);
    Discrete(gGetCrvShowDiscTol());
}

// Behaviour not built yet falls back to the curve base (generic, on the display polyline).
CGeCurve* CGeBezier::Copy() { return CGeCurve::Copy(); }
int CGeBezier::GetSnapPos(CSnapAt* snap, CSnapResult& result) { return CGeCurve::GetSnapPos(snap, result); }
void CGeBezier::Translate(double* offset) { CGeCurve::Translate(offset); }
void CGeBezier::Rotate(double* centre, double angle) { CGeCurve::Rotate(centre, angle); }
void CGeBezier::Mirror(double* p, double* q) { CGeCurve::Mirror(p, q); }
CGeCurve* CGeBezier::Scale(double* centre, double* factors) { return CGeCurve::Scale(centre, factors); }
void CGeBezier::Draw(Direct2DHandler* handler, int mode) { CGeCurve::Draw(handler, mode); }
void CGeBezier::Draw(CDC* dc, int mode) { CGeCurve::Draw(dc, mode); }
void CGeBezier::DrawNode(CDC* dc, int bStart, int bEnd) { CGeCurve::DrawNode(dc, bStart, bEnd); }
void CGeBezier::GetNodeBox(BOX2<double>* out) { CGeCurve::GetNodeBox(out); }
void CGeBezier::ModifyStartPoint(double* p) { CGeCurve::ModifyStartPoint(p); }
void CGeBezier::ModifyEndPoint(double* p) { CGeCurve::ModifyEndPoint(p); }
int CGeBezier::Pick(CPickRay& ray, int bCheckType) { return CGeCurve::Pick(ray, bCheckType); }
int CGeBezier::GetDiscStep(double tol, double& step) { return CGeCurve::GetDiscStep(tol, step); }
void CGeBezier::Discrete(double tol) { CGeCurve::Discrete(tol); }
void CGeBezier::DiscreteInArray(double tol, CArray<tagPoint2d, tagPoint2d>* pts, double ang, bool bRefine) { CGeCurve::DiscreteInArray(tol, pts, ang, bRefine); }
void CGeBezier::ToElement(CTypedPtrList<CObList, CGeCurve3d*>* list) { CGeCurve::ToElement(list); }
void CGeBezier::GetStartPoint(double* p) { CGeCurve::GetStartPoint(p); }
void CGeBezier::GetEndPoint(double* p) { CGeCurve::GetEndPoint(p); }
void CGeBezier::GetPointAt(double t, double* p, unsigned seg) { CGeCurve::GetPointAt(t, p, seg); }
int CGeBezier::GetGCPoint(unsigned char kind, double* p, unsigned seg) { return CGeCurve::GetGCPoint(kind, p, seg); }
void CGeBezier::GetTanVecAt(double t, double* v, unsigned seg) { CGeCurve::GetTanVecAt(t, v, seg); }
void CGeBezier::EvPos(double t, double* p, unsigned seg) { CGeCurve::EvPos(t, p, seg); }
void CGeBezier::Ev1Der(double t, double* p, double* d1, unsigned seg) { CGeCurve::Ev1Der(t, p, d1, seg); }
void CGeBezier::Ev2Der(double t, double* p, double* d1, double* d2, unsigned seg) { CGeCurve::Ev2Der(t, p, d1, d2, seg); }
int CGeBezier::GetNearestPoint(double* p, double* out, double& t, unsigned& seg, double& dist) { return CGeCurve::GetNearestPoint(p, out, t, seg, dist); }
int CGeBezier::GetTanPt(double* p, double& t, int& seg, double* out) { return CGeCurve::GetTanPt(p, t, seg, out); }
int CGeBezier::EvParam(double len, double& t, unsigned& seg, double tol) { return CGeCurve::EvParam(len, t, seg, tol); }
double CGeBezier::EvArcLength(double t0, double t1, unsigned seg) { return CGeCurve::EvArcLength(t0, t1, seg); }
double CGeBezier::EvTotalArcLength() { return CGeCurve::EvTotalArcLength(); }
int CGeBezier::IsLongerThan(double len) { return CGeCurve::IsLongerThan(len); }
int CGeBezier::IsClosed(double tol) { return CGeCurve::IsClosed(tol); }
void CGeBezier::Reverse() { CGeCurve::Reverse(); }
void CGeBezier::Split(double t, CGeCurve** out, int seg, int flag) { CGeCurve::Split(t, out, seg, flag); }
void CGeBezier::BiArcAppx(double tol, CTypedPtrList<CObList, CGeCurve*>* out) { CGeCurve::BiArcAppx(tol, out); }
CGeCurve* CGeBezier::Shear(double* base, double* factors) { return CGeCurve::Shear(base, factors); }
CGeCurve* CGeBezier::Transform(double m[3][3], unsigned flags) { return CGeCurve::Transform(m, flags); }
