#include "geometry/shapes3d/GeCurve3d.h"

#include "framework/looker/Looker.h"
#include "framework/looker/QVGlobal.h"
#include "framework/numerak/Matrix33.h"
#include "framework/numerak/Point2D.h"
#include "geometry/shapes3d/Math3d.h"
#include "geometry/shapes3d/Shapes3dConst.h"
#include "platform/core/Archive.h"
#include "platform/core/DC.h"

#include <cmath>

namespace {

constexpr COLORREF kHighlightColour = 0x00C400;

// Integer part and fraction of a parameter in either form, with the fall-back to seg.
void SplitParam(double t, int seg, int& k, double& f)
{
    k = static_cast<int>(t);  // truncates toward zero
    f = t - k;
    if (k == 0) k = seg == 0 ? 1 : seg;
}

}  // namespace

CGeCurve3d::CGeCurve3d() = default;

CGeCurve3d::~CGeCurve3d() { m_strDisp.Clear(); }

void CGeCurve3d::Serialize(CArchive& ar)
{
    if (ar.IsStoring()) {
        CGeShape3d::Serialize(ar);
        return;
    }
    // Records of older documents have no header: the curve keeps its constructed state.
    const CQVGlobal* global = gGetQVGlobal();
    if (global && global->GetVersion() >= ge3con::kDocVersionCurveHeader) CGeShape3d::Serialize(ar);
}

CGeShape3d* CGeCurve3d::Copy() { return nullptr; }

void CGeCurve3d::CopyBaseTo(CGeCurve3d& other) const
{
    other.m_box = m_box;
    other.m_nFlags = m_nFlags;
    m_strDisp.CopyTo(other.m_strDisp);
}

void CGeCurve3d::CalcBox()
{
    m_strDisp.CalcBox();
    m_strDisp.GetBox(&m_box);
}

void CGeCurve3d::Translate(double* v)
{
    ForEachPoint([v](double* p) {
        p[0] += v[0];
        p[1] += v[1];
    });
}

void CGeCurve3d::Translate3D(double* v)
{
    ForEachPoint([v](double* p) { ge3d::Add(p, v, p); });
}

void CGeCurve3d::Rotate(double* centre, double angle)
{
    const double c = std::cos(angle), s = std::sin(angle);
    ForEachPoint([=](double* p) { P2D_Rot(centre, c, s, p, p); });
}

void CGeCurve3d::Rotate3D(double* point, double* axis, double angle)
{
    ForEachPoint([=](double* p) { ge3d::RotatePnt(axis, point, angle, p, p); });
}

CGeShape3d* CGeCurve3d::Twist(double* point, double* axis, double angle)
{
    ForEachPoint([=](double* p) { ge3d::TwistPnt(axis, point, angle, p, p); });
    return this;
}

CGeShape3d* CGeCurve3d::Taper(double* point, double* axis, double angle)
{
    ForEachPoint([=](double* p) { ge3d::TaperPnt(axis, point, angle, p, p); });
    return this;
}

void CGeCurve3d::Mirror(double* p, double* q)
{
    ForEachPoint([=](double* v) { P2D_Mirr(p, q, v, v); });
}

CGeShape3d* CGeCurve3d::Shear(double* base, double* factors)
{
    ForEachPoint([=](double* v) { P2D_Shear(base, v, factors, v); });
    return this;
}

CGeShape3d* CGeCurve3d::Scale(double* centre, double* factors)
{
    ForEachPoint([=](double* v) {
        v[0] = centre[0] + (v[0] - centre[0]) * factors[0];
        v[1] = centre[1] + (v[1] - centre[1]) * factors[1];
    });
    return this;
}

CGeShape3d* CGeCurve3d::Scale3D(double* centre, double* factors)
{
    ForEachPoint([=](double* v) {
        for (int i = 0; i < 3; ++i) v[i] = centre[i] + (v[i] - centre[i]) * factors[i];
    });
    return this;
}

CGeShape3d* CGeCurve3d::Shear3D(double* point, double* dir, double* normal)
{
    ForEachPoint([=](double* v) { ge3d::ShearPnt(point, dir, normal, v, v); });
    return this;
}

void CGeCurve3d::Mirror3D(double* point, double* normal)
{
    ForEachPoint([=](double* v) { ge3d::MirrorPnt(point, normal, v, v); });
}

void CGeCurve3d::Transform(_rect_fm3d* frame)
{
    if (!frame) return;
    ForEachPoint([=](double* v) { RF_TransWorldP3D(frame, v, v); });
}

CGeShape3d* CGeCurve3d::Transform(double m[4][4], unsigned int)
{
    ForEachPoint([=](double* v) { ge3d::Mat44MultPt(v, v, m); });
    return this;
}

CGeShape3d* CGeCurve3d::Transform(double m[3][3], unsigned int)
{
    // The 3x3 form is a plane affinity: x and y change, z stays.
    ForEachPoint([=](double* v) { MAT33_MultPt(v, v, m); });
    return this;
}

void CGeCurve3d::TransformLocal(_rect_fm3d* frame)
{
    if (!frame) return;
    ForEachPoint([=](double* v) { RF_TransLocalP3D(frame, v, v); });
}

void CGeCurve3d::Draw(Direct2DHandler*, int) {}

void CGeCurve3d::Draw(CDC* dc, int mode)
{
    CLooker* looker = gGetLooker();
    if (!dc || !looker) return;
    if (!HasPoints()) DiscreteMe(gGetCrvShowDiscTol());
    if (!HasPoints()) return;

    int style = -1;
    if (mode != 1) {
        if ((m_nFlags & 1) || (m_nFlags & 8) || m_nFlags < 0)
            style = PS_SOLID;
        else if (m_nFlags & 4)
            style = PS_DOT;
    }
    if (style < 0) {
        looker->DrawPolyline3D(m_strDisp.m_pPoints, m_strDisp.m_nCount, dc);
        return;
    }
    CPen pen(style, 1, kHighlightColour);
    CPen* old = dc->SelectObject(&pen);
    looker->DrawPolyline3D(m_strDisp.m_pPoints, m_strDisp.m_nCount, dc);
    if (old) dc->SelectObject(old);
}

void CGeCurve3d::DrawGL(COpenGLDC*, int) {}

void CGeCurve3d::DrawNode(CDC*, int, int, unsigned int) {}

int CGeCurve3d::GetNodeBox(BOX3<double>* box)
{
    if (box) *box = m_box;
    return 1;
}

int CGeCurve3d::GetNearestPoint3D(double* pt, double* nearest, double& t, unsigned int& seg, double& dist)
{
    const int n = m_strDisp.m_nCount;
    const auto* v = m_strDisp.m_pPoints;
    if (!v || n <= 1) return 0;
    if (!SP3D_PrjPnt(v, n, pt, nearest, t, seg)) {
        if (ge3d::Dist(pt, v[n - 1]) > ge3d::Dist(pt, v[0])) {
            ge3d::Copy(v[0], nearest);
            t = 0.0;
            seg = 1;
        } else {
            ge3d::Copy(v[n - 1], nearest);
            t = 1.0;
            seg = static_cast<unsigned int>(n - 1);
        }
    }
    dist = ge3d::Dist(pt, nearest);
    return 1;
}

int CGeCurve3d::GetTanPt(double* pt, double& t, double* c, double& dist)
{
    double best = 1e20;
    const bool closed = IsClosed(ge3con::kClosedTol) != 0;
    t = std::fmin(1.0, std::fmax(0.0, t));
    double tBest = t, cBest[3] = {c[0], c[1], c[2]};
    for (int round = 0; round < 32; ++round) {
        double d1[3], d2[3];
        Ev2Der(t, c, d1, d2, 1);
        double d[3];
        ge3d::Sub(c, pt, d);
        dist = ge3d::Length(d);
        if (dist < 1e-6) return 1;
        if (dist < best) {
            best = dist;
            tBest = t;
            ge3d::Copy(c, cBest);
        }
        double nv[3], mv[3];
        ge3d::Cross(d1, d, nv);
        ge3d::Cross(d2, d, mv);
        const double f = ge3d::Dot(nv, nv);
        const double df = 2.0 * ge3d::Dot(nv, mv);
        if (std::fabs(df) < 1e-12) return 0;
        double tn = t - f / df;
        if (std::fabs(tn - t) < 1e-6) return 1;
        if (closed) {
            if (tn > 1.0) tn -= 1.0;
            if (tn < 0.0) tn += 1.0;
        }
        t = std::fmin(1.0, std::fmax(0.0, tn));
    }
    if (best < 0.001) {
        dist = best;
        t = tBest;
        ge3d::Copy(cBest, c);
        return 1;
    }
    return 0;
}

int CGeCurve3d::Pick(CPickRay&, int) { return 0; }

int CGeCurve3d::PickBox(_rect_fm3d*, BOX2<double>*) { return 0; }

int CGeCurve3d::IsPlanar(double, double*, double*) { return 0; }

void CGeCurve3d::DiscreteMe(double tol)
{
    if (tol >= ge3con::kDegenerateTol) Discrete(tol, m_strDisp);
}

void CGeCurve3d::DiscreteToElement(CGeCurve3dList* list, bool)
{
    if (!list) return;
    if (auto* copy = static_cast<CGeCurve3d*>(Copy())) list->AddTail(copy);
}

int CGeCurve3d::GetDiscStep(double, double& step)
{
    step = 0.1;
    return 1;
}

int CGeCurve3d::GetSegmentCount() { return 1; }

void CGeCurve3d::GetStartPoint(double* p)
{
    if (HasPoints()) ge3d::Copy(m_strDisp.m_pPoints[0], p);
}

void CGeCurve3d::GetEndPoint(double* p)
{
    if (HasPoints()) ge3d::Copy(m_strDisp.m_pPoints[m_strDisp.m_nCount - 1], p);
}

void CGeCurve3d::GetPointAt(double t, double* p, int seg)
{
    int k = 0;
    double f = 0.0;
    SplitParam(t, seg, k, f);
    if (!HasPoints() || k < 1 || k > m_strDisp.m_nCount - 1) return;
    ge3d::Lerp(m_strDisp.m_pPoints[k - 1], m_strDisp.m_pPoints[k], f, p);
}

void CGeCurve3d::GetStartTanVec(double* v)
{
    const int n = m_strDisp.m_nCount;
    const auto* pts = m_strDisp.m_pPoints;
    if (!pts || n <= 1) return;
    ge3d::Sub(pts[1], pts[0], v);
    if (ge3d::Length(v) < 1e-6 && n > 2) ge3d::Sub(pts[2], pts[0], v);
    ge3d::Unit(v, 1e-6);
}

void CGeCurve3d::GetEndTanVec(double* v)
{
    const int n = m_strDisp.m_nCount;
    const auto* pts = m_strDisp.m_pPoints;
    if (!pts || n <= 1) return;
    ge3d::Sub(pts[n - 1], pts[n - 2], v);
    if (ge3d::Length(v) < 1e-6 && n >= 3) ge3d::Sub(pts[n - 1], pts[n - 3], v);
    ge3d::Unit(v, 1e-6);
}

void CGeCurve3d::GetTanVecAt(double t, double* p, double* tan, int seg)
{
    int k = 0;
    double f = 0.0;
    SplitParam(t, seg, k, f);
    const int n = m_strDisp.m_nCount;
    const auto* v = m_strDisp.m_pPoints;
    if (!v || k < 1 || k > n - 1) return;
    ge3d::Sub(v[k], v[k - 1], tan);
    if (ge3d::Length(tan) < 1e-6) {
        if (k + 1 < n)
            ge3d::Sub(v[k + 1], v[k - 1], tan);
        else if (k >= 2)
            ge3d::Sub(v[k - 1], v[k - 2], tan);
    }
    ge3d::Lerp(v[k - 1], v[k], f, p);
    ge3d::Unit(tan, 1e-6);
}

void CGeCurve3d::Ev2Der(double t, double* p, double* d1, double* d2, unsigned int seg)
{
    // The segment is used as given; outside the string nothing is written.
    const int n = m_strDisp.m_nCount;
    const auto* v = m_strDisp.m_pPoints;
    const int k = static_cast<int>(seg);
    if (!v || k < 1 || k > n - 1) return;
    ge3d::Sub(v[k], v[k - 1], d1);
    ge3d::Set(p, v[k - 1][0] + t * d1[0], v[k - 1][1] + t * d1[1], v[k - 1][2] + t * d1[2]);
    ge3d::Set(d2, 0.0, 0.0, 0.0);
}

void CGeCurve3d::Reverse() { m_strDisp.Reverse(); }

int CGeCurve3d::IsClosed(double tol)
{
    // A curve that writes no end points is not closed.
    const double nan = std::nan("");
    double s[3] = {nan, nan, nan}, e[3] = {nan, nan, nan};
    GetStartPoint(s);
    GetEndPoint(e);
    return ge3d::Dist(s, e) < tol ? 1 : 0;
}

double CGeCurve3d::EvTotalArcLength() { return SP3D_EvLength(m_strDisp.m_pPoints, m_strDisp.m_nCount); }

double CGeCurve3d::EvTotalArcLength2D() { return SP3D_EvLength2D(m_strDisp.m_pPoints, m_strDisp.m_nCount); }

int CGeCurve3d::GetSplitParam(double*& params)
{
    params = new double[2]{0.0, 1.0};
    return 2;
}
