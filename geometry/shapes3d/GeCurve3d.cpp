#include "geometry/shapes3d/GeCurve3d.h"

#include "framework/looker/Looker.h"
#include "framework/looker/QVGlobal.h"
#include "framework/numerak/Matrix33.h"
#include "framework/numerak/Point2D.h"
#include "framework/numerak/Point3D.h"
#include "geometry/shapes3d/PointOps.h"
#include "framework/numerak/Matrix44.h"
#include "geometry/shapes3d/Shapes3dConst.h"
#include "platform/core/Archive.h"
#include "platform/core/DC.h"

#include "framework/looker/Camera.h"
#include "framework/looker/SnapRecords.h"

#include <GL/gl.h>

#include <cmath>

namespace {

constexpr COLORREF kHighlightColour = 0x00C400;
constexpr COLORREF kNodeColour2D = 0x00AA00C3;
constexpr COLORREF kNodeColour3D = 0x0055FF3C;
// Distance a 2D pick starts from, larger than any aperture.
constexpr double kNoPickDist = 3.402823332524135e21;
// Drawing mode that draws dashed whatever the flags.
constexpr int kModeStipple = 6;
constexpr GLushort kStipplePattern = 0x00FF;

// Integer part and fraction of a parameter in either form, with the fall-back to seg.
// Exactly 1.0 with a segment names the end of that segment: the polyline's EvParam
// reports a length at a vertex that way.
void SplitParam(double t, int seg, int& k, double& f)
{
    if (t == 1.0 && seg >= 1) {
        k = seg;
        f = 1.0;
        return;
    }
    k = static_cast<int>(t);  // truncates toward zero
    f = t - k;
    if (k == 0) k = seg == 0 ? 1 : seg;
}

// Pen style of the flags (-1: the context's own pen).
int HighlightStyle(int flags, int mode)
{
    if (mode == 1) return -1;
    if ((flags & 1) || (flags & 8) || flags < 0) return PS_SOLID;
    if (flags & 4) return PS_DOT;
    return -1;
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
    ForEachPoint(pointop::Translate(v));
}

void CGeCurve3d::Translate3D(double* v)
{
    ForEachPoint(pointop::Translate3D(v));
}

void CGeCurve3d::Rotate(double* centre, double angle)
{
    ForEachPoint(pointop::Rotate(centre, angle));
}

void CGeCurve3d::Rotate3D(double* point, double* axis, double angle)
{
    ForEachPoint(pointop::Rotate3D(point, axis, angle));
}

CGeShape3d* CGeCurve3d::Twist(double* point, double* axis, double angle)
{
    ForEachPoint(pointop::Twist(point, axis, angle));
    return this;
}

CGeShape3d* CGeCurve3d::Taper(double* point, double* axis, double angle)
{
    ForEachPoint(pointop::Taper(point, axis, angle));
    return this;
}

void CGeCurve3d::Mirror(double* p, double* q)
{
    ForEachPoint(pointop::Mirror(p, q));
}

CGeShape3d* CGeCurve3d::Shear(double* base, double* factors)
{
    ForEachPoint(pointop::Shear(base, factors));
    return this;
}

CGeShape3d* CGeCurve3d::Scale(double* centre, double* factors)
{
    ForEachPoint(pointop::Scale(centre, factors));
    return this;
}

CGeShape3d* CGeCurve3d::Scale3D(double* centre, double* factors)
{
    ForEachPoint(pointop::Scale3D(centre, factors));
    return this;
}

CGeShape3d* CGeCurve3d::Shear3D(double* point, double* dir, double* normal)
{
    ForEachPoint(pointop::Shear3D(point, dir, normal));
    return this;
}

void CGeCurve3d::Mirror3D(double* point, double* normal)
{
    ForEachPoint(pointop::Mirror3D(point, normal));
}

void CGeCurve3d::Transform(_rect_fm3d* frame)
{
    if (!frame) return;
    ForEachPoint(pointop::ToFrame(frame));
}

CGeShape3d* CGeCurve3d::Transform(double m[4][4], unsigned int)
{
    ForEachPoint(pointop::Matrix44(m));
    return this;
}

CGeShape3d* CGeCurve3d::Transform(double m[3][3], unsigned int)
{
    // The 3x3 form is a plane affinity: x and y change, z stays.
    ForEachPoint(pointop::Matrix33(m));
    return this;
}

void CGeCurve3d::TransformLocal(_rect_fm3d* frame)
{
    if (!frame) return;
    ForEachPoint(pointop::FromFrame(frame));
}

void CGeCurve3d::Draw(Direct2DHandler*, int) {}

void CGeCurve3d::Draw(CDC* dc, int mode) { DrawDisplay(dc, mode, 0); }

void CGeCurve3d::DrawDisplay(CDC* dc, int mode, int step)
{
    CLooker* looker = gGetLooker();
    if (!dc || !looker) return;
    if (!HasPoints()) DiscreteMe(gGetCrvShowDiscTol());
    if (!HasPoints()) return;

    auto stroke = [&] {
        if (step > 0)
            looker->DrawPolyline3DEx(m_strDisp.m_pPoints, m_strDisp.m_nCount, step, dc);
        else
            looker->DrawPolyline3D(m_strDisp.m_pPoints, m_strDisp.m_nCount, dc);
    };
    const int style = HighlightStyle(m_nFlags, mode);
    if (style < 0) {
        stroke();
        return;
    }
    CPen pen(style, 1, kHighlightColour);
    CPen* old = dc->SelectObject(&pen);
    stroke();
    if (old) dc->SelectObject(old);
}

void CGeCurve3d::DrawGL(COpenGLDC* gl, int mode)
{
    if (!gl) return;
    if (!HasPoints()) DiscreteMe(gGetCrvShowDiscTol());
    const COLORREF kept = gl->GetColor();
    bool stipple = mode == kModeStipple;
    bool recoloured = false;
    const bool highlighted = (m_nFlags & 1) || (m_nFlags & 8) || m_nFlags < 0;
    if (highlighted || (m_nFlags & 4)) {
        if (mode != 1) {
            gl->SetColor(kHighlightColour);
            recoloured = true;
        }
        if (!highlighted) stipple = true;
    }
    if (stipple) {
        glEnable(GL_LINE_STIPPLE);
        glLineStipple(1, kStipplePattern);
    } else {
        glDisable(GL_LINE_STIPPLE);
    }
    gl->DrawPolyline(m_strDisp.m_pPoints, m_strDisp.m_nCount);
    if (recoloured) gl->SetColor(kept);
    glDisable(GL_LINE_STIPPLE);
}

void CGeCurve3d::DrawGL(COpenGLDC* gl, unsigned long colour)
{
    if (!gl) return;
    const COLORREF kept = gl->GetColor();
    gl->SetColor(static_cast<COLORREF>(colour));
    gl->DrawPolyline(m_strDisp.m_pPoints, m_strDisp.m_nCount);
    gl->SetColor(kept);
}

CRect CGeCurve3d::NodeSquare(const CLooker& looker, const double* p, unsigned int half)
{
    CPoint s;
    looker.WorldtoScreen(p, s, 3);
    const int h = static_cast<int>(half);
    return CRect(s.x - h, s.y - h, s.x + h, s.y + h);
}

void CGeCurve3d::DrawStartMark(CDC* dc, const CLooker& looker, const double* p, unsigned int half)
{
    const bool plan = CLooker::IsView2D();
    CPen pen(PS_SOLID, plan ? 1 : 2, plan ? kNodeColour2D : kNodeColour3D);
    CPen* old = dc->SelectObject(&pen);
    dc->Ellipse(NodeSquare(looker, p, half));
    if (old) dc->SelectObject(old);
}

void CGeCurve3d::DrawEndNodes(CDC* dc, int drawStart, int drawEnd, unsigned int half)
{
    CLooker* looker = gGetLooker();
    if (!dc || !looker) return;
    if (drawStart) {
        double s[3];
        GetStartPoint(s);
        DrawStartMark(dc, *looker, s, half);
    }
    if (drawEnd) {
        double e[3];
        GetEndPoint(e);
        dc->Rectangle(NodeSquare(*looker, e, half));
    }
}

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
        if (P3D_Dist(pt, v[n - 1]) > P3D_Dist(pt, v[0])) {
            P3D_Copy(v[0], nearest);
            t = 0.0;
            seg = 1;
        } else {
            P3D_Copy(v[n - 1], nearest);
            t = 1.0;
            seg = static_cast<unsigned int>(n - 1);
        }
    }
    dist = P3D_Dist(pt, nearest);
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
        V3D_Sub(c, pt, d);
        dist = V3D_Len(d);
        if (dist < 1e-6) return 1;
        if (dist < best) {
            best = dist;
            tBest = t;
            P3D_Copy(c, cBest);
        }
        double nv[3], mv[3];
        V3D_Cross(d1, d, nv);
        V3D_Cross(d2, d, mv);
        const double f = V3D_Dot(nv, nv);
        const double df = 2.0 * V3D_Dot(nv, mv);
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
        P3D_Copy(cBest, c);
        return 1;
    }
    return 0;
}

int CGeCurve3d::Pick(CPickRay& ray, int useMask)
{
    if (useMask && !(GetType() & ray.m_nTypeMask)) return 0;
    return PickDisplay(ray);
}

int CGeCurve3d::PickDisplay(CPickRay& ray)
{
    if (ray.m_b2D) {
        double d = kNoPickDist;
        if (!m_strDisp.Pick(ray.m_pt, ray.m_dAperture, d)) return 0;
        ray.m_dDist = d;
        return 1;
    }
    double depth = 0.0, u = 0.0;
    int seg = 0;
    if (!m_strDisp.Pick3d(ray.m_pt, ray.m_dir, ray.m_dAperture, depth, u, seg) || !(ray.m_dDepth > depth)) return 0;
    ray.m_dDepth = depth;
    ray.m_dParam = u;
    ray.m_nSeg = seg;
    return 1;
}

void CGeCurve3d::HitToLengthFraction(CPickRay& ray) const
{
    const int m = m_strDisp.m_nCount - 1;
    const int s = ray.m_nSeg;
    const auto* v = m_strDisp.m_pPoints;
    if (!v || s < 1 || s > m) {
        ray.m_dParam = 0.0;
        return;
    }
    const double before = SP3D_EvLength(v, s);
    const double total = SP3D_EvLength(v, m + 1);
    ray.m_dParam = total > 0.0 ? (before + ray.m_dParam * P3D_Dist(v[s - 1], v[s])) / total : 0.0;
}

int CGeCurve3d::PickBox(_rect_fm3d* frame, BOX2<double>* box) { return m_strDisp.PickBox(frame, box); }

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
    if (HasPoints()) P3D_Copy(m_strDisp.m_pPoints[0], p);
}

void CGeCurve3d::GetEndPoint(double* p)
{
    if (HasPoints()) P3D_Copy(m_strDisp.m_pPoints[m_strDisp.m_nCount - 1], p);
}

void CGeCurve3d::GetPointAt(double t, double* p, int seg)
{
    int k = 0;
    double f = 0.0;
    SplitParam(t, seg, k, f);
    if (!HasPoints() || k < 1 || k > m_strDisp.m_nCount - 1) return;
    P3D_Lerp(m_strDisp.m_pPoints[k - 1], m_strDisp.m_pPoints[k], f, p);
}

void CGeCurve3d::GetStartTanVec(double* v)
{
    const int n = m_strDisp.m_nCount;
    const auto* pts = m_strDisp.m_pPoints;
    if (!pts || n <= 1) return;
    V3D_Sub(pts[1], pts[0], v);
    if (V3D_Len(v) < 1e-6 && n > 2) V3D_Sub(pts[2], pts[0], v);
    V3D_Unit(v, 1e-6);
}

void CGeCurve3d::GetEndTanVec(double* v)
{
    const int n = m_strDisp.m_nCount;
    const auto* pts = m_strDisp.m_pPoints;
    if (!pts || n <= 1) return;
    V3D_Sub(pts[n - 1], pts[n - 2], v);
    if (V3D_Len(v) < 1e-6 && n >= 3) V3D_Sub(pts[n - 1], pts[n - 3], v);
    V3D_Unit(v, 1e-6);
}

void CGeCurve3d::GetTanVecAt(double t, double* p, double* tan, int seg)
{
    int k = 0;
    double f = 0.0;
    SplitParam(t, seg, k, f);
    const int n = m_strDisp.m_nCount;
    const auto* v = m_strDisp.m_pPoints;
    if (!v || k < 1 || k > n - 1) return;
    V3D_Sub(v[k], v[k - 1], tan);
    if (V3D_Len(tan) < 1e-6) {
        if (k + 1 < n)
            V3D_Sub(v[k + 1], v[k - 1], tan);
        else if (k >= 2)
            V3D_Sub(v[k - 1], v[k - 2], tan);
    }
    P3D_Lerp(v[k - 1], v[k], f, p);
    V3D_Unit(tan, 1e-6);
}

void CGeCurve3d::Ev2Der(double t, double* p, double* d1, double* d2, unsigned int seg)
{
    // The segment is used as given; outside the string nothing is written.
    const int n = m_strDisp.m_nCount;
    const auto* v = m_strDisp.m_pPoints;
    const int k = static_cast<int>(seg);
    if (!v || k < 1 || k > n - 1) return;
    V3D_Sub(v[k], v[k - 1], d1);
    P3D_Set(p, v[k - 1][0] + t * d1[0], v[k - 1][1] + t * d1[1], v[k - 1][2] + t * d1[2]);
    P3D_Set(d2, 0.0, 0.0, 0.0);
}

void CGeCurve3d::Reverse() { m_strDisp.Reverse(); }

int CGeCurve3d::IsClosed(double tol)
{
    // A curve that writes no end points is not closed.
    const double nan = std::nan("");
    double s[3] = {nan, nan, nan}, e[3] = {nan, nan, nan};
    GetStartPoint(s);
    GetEndPoint(e);
    return P3D_Dist(s, e) < tol ? 1 : 0;
}

double CGeCurve3d::EvTotalArcLength() { return SP3D_EvLength(m_strDisp.m_pPoints, m_strDisp.m_nCount); }

double CGeCurve3d::EvTotalArcLength2D() { return SP3D_EvLength2D(m_strDisp.m_pPoints, m_strDisp.m_nCount); }

int CGeCurve3d::GetSplitParam(double*& params)
{
    params = new double[2]{0.0, 1.0};
    return 2;
}
