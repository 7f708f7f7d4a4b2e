#include "geometry/shapes3d/GeLine3d.h"

#include "framework/looker/QVGlobal.h"
#include "framework/looker/SnapRecords.h"
#include "framework/numerak/Matrix33.h"
#include "framework/numerak/Point2D.h"
#include "framework/numerak/Point3f.h"
#include "geometry/shapes3d/Math3d.h"
#include "geometry/shapes3d/Shapes3dConst.h"

#include <cmath>

IMPLEMENT_SERIAL(CGeLine3d, CObject, VERSIONABLE_SCHEMA | 1)

CGeLine3d::CGeLine3d() = default;

CGeLine3d::CGeLine3d(double* s, double* e)
{
    ge3d::Copy(s, m_ptStart);
    ge3d::Copy(e, m_ptEnd);
    Discrete(0.1, m_strDisp);
}

CGeLine3d::CGeLine3d(const tagPoint3f& s, const tagPoint3f& e)
{
    ge3d::Set(m_ptStart, s.x, s.y, s.z);
    ge3d::Set(m_ptEnd, e.x, e.y, e.z);
    Discrete(gGetCrvShowDiscTol(), m_strDisp);
}

int CGeLine3d::GetType() const { return ge3con::kTypeLine3d; }

CGeShape3d* CGeLine3d::Copy()
{
    auto* line = new CGeLine3d;
    ge3d::Copy(m_ptStart, line->m_ptStart);
    ge3d::Copy(m_ptEnd, line->m_ptEnd);
    CopyBaseTo(*line);
    return line;
}

void CGeLine3d::CalcBox() { m_box.Init(m_ptStart, m_ptEnd); }

void CGeLine3d::Translate(double* v)
{
    MoveEnds([v](double* p) {
        p[0] += v[0];
        p[1] += v[1];
    });
    CGeCurve3d::Translate(v);
}

void CGeLine3d::Translate3D(double* v)
{
    MoveEnds([v](double* p) { ge3d::Add(p, v, p); });
    CGeCurve3d::Translate3D(v);
}

void CGeLine3d::Rotate(double* centre, double angle)
{
    const double c = std::cos(angle), s = std::sin(angle);
    MoveEnds([=](double* p) { P2D_Rot(centre, c, s, p, p); });
    CGeCurve3d::Rotate(centre, angle);
}

void CGeLine3d::Rotate3D(double* point, double* axis, double angle)
{
    MoveEnds([=](double* p) { ge3d::RotatePnt(axis, point, angle, p, p); });
    CGeCurve3d::Rotate3D(point, axis, angle);
}

CGeShape3d* CGeLine3d::Twist(double* point, double* axis, double angle)
{
    MoveEnds([=](double* p) { ge3d::TwistPnt(axis, point, angle, p, p); });
    return CGeCurve3d::Twist(point, axis, angle);
}

CGeShape3d* CGeLine3d::Taper(double* point, double* axis, double angle)
{
    MoveEnds([=](double* p) { ge3d::TaperPnt(axis, point, angle, p, p); });
    return CGeCurve3d::Taper(point, axis, angle);
}

void CGeLine3d::Mirror(double* p, double* q)
{
    MoveEnds([=](double* v) { P2D_Mirr(p, q, v, v); });
    CGeCurve3d::Mirror(p, q);
}

CGeShape3d* CGeLine3d::Shear(double* base, double* factors)
{
    MoveEnds([=](double* v) { P2D_Shear(base, v, factors, v); });
    return CGeCurve3d::Shear(base, factors);
}

CGeShape3d* CGeLine3d::Scale(double* centre, double* factors)
{
    MoveEnds([=](double* v) {
        v[0] = centre[0] + (v[0] - centre[0]) * factors[0];
        v[1] = centre[1] + (v[1] - centre[1]) * factors[1];
    });
    return CGeCurve3d::Scale(centre, factors);
}

CGeShape3d* CGeLine3d::Scale3D(double* centre, double* factors)
{
    MoveEnds([=](double* v) {
        for (int i = 0; i < 3; ++i) v[i] = centre[i] + (v[i] - centre[i]) * factors[i];
    });
    return CGeCurve3d::Scale3D(centre, factors);
}

CGeShape3d* CGeLine3d::Shear3D(double* point, double* dir, double* normal)
{
    MoveEnds([=](double* v) { ge3d::ShearPnt(point, dir, normal, v, v); });
    return CGeCurve3d::Shear3D(point, dir, normal);
}

void CGeLine3d::Mirror3D(double* point, double* normal)
{
    MoveEnds([=](double* v) { ge3d::MirrorPnt(point, normal, v, v); });
    CGeCurve3d::Mirror3D(point, normal);
}

void CGeLine3d::Transform(_rect_fm3d* frame)
{
    if (!frame) return;
    MoveEnds([=](double* v) { RF_TransWorldP3D(frame, v, v); });
    CGeCurve3d::Transform(frame);
}

CGeShape3d* CGeLine3d::Transform(double m[4][4], unsigned int flags)
{
    MoveEnds([=](double* v) { ge3d::Mat44MultPt(v, v, m); });
    return CGeCurve3d::Transform(m, flags);
}

CGeShape3d* CGeLine3d::Transform(double m[3][3], unsigned int flags)
{
    MoveEnds([=](double* v) { MAT33_MultPt(v, v, m); });
    return CGeCurve3d::Transform(m, flags);
}

void CGeLine3d::TransformLocal(_rect_fm3d* frame)
{
    if (!frame) return;
    MoveEnds([=](double* v) { RF_TransLocalP3D(frame, v, v); });
    CGeCurve3d::TransformLocal(frame);
}

int CGeLine3d::GetSnapPos(CSnapAt* snap, CSnapResult& result)
{
    if (!snap || !snap->m_pBase || !snap->m_pLooker) return 0;
    const int before = result.GetSize();
    const double a = snap->m_dAperture;
    const double cx = snap->m_ptCursor[0], cy = snap->m_ptCursor[1];
    auto aligned = [&](const double* p) { return std::fabs(cx - p[0]) < a || std::fabs(cy - p[1]) < a; };

    if (snap->m_nSnapMode & kSnapEnd) {
        if (snap->IsSnapPoint(m_ptStart, 3)) {
            result.PushBackEnd(Position(m_ptStart[0], m_ptStart[1], m_ptStart[2]));
        } else if (snap->IsSnapPoint(m_ptEnd, 3)) {
            result.PushBackEnd(Position(m_ptEnd[0], m_ptEnd[1], m_ptEnd[2]));
        } else if (snap->m_bAlign) {
            if (aligned(m_ptStart)) result.PushBackEnd(Position(m_ptStart[0], m_ptStart[1], m_ptStart[2]));
            if (aligned(m_ptEnd)) result.PushBackEnd(Position(m_ptEnd[0], m_ptEnd[1], m_ptEnd[2]));
        }
    }
    if (snap->m_nSnapMode & kSnapMid) {
        double mid[3];
        ge3d::Lerp(m_ptStart, m_ptEnd, 0.5, mid);
        if (snap->IsSnapPoint(mid, 3)) result.PushBackMid(Position(mid[0], mid[1], mid[2]));
    }
    if ((snap->m_nSnapMode & kSnapPerp) && snap->m_pBase->m_bHasBase) {
        double d[3], v[3];
        ge3d::Sub(m_ptEnd, m_ptStart, d);
        ge3d::Sub(snap->m_pBase->m_ptBase, m_ptStart, v);
        const double dd = ge3d::Dot(d, d);
        if (dd > 0.0) {
            const double t = ge3d::Dot(v, d) / dd;
            double foot[3];
            ge3d::Lerp(m_ptStart, m_ptEnd, t, foot);
            if (t > 0.0 && t < 1.0 && snap->IsSnapPoint(foot, 3))
                result.PushBackPerp(Position(foot[0], foot[1], foot[2]));
        }
    }
    return result.GetSize() != before ? 1 : 0;
}

int CGeLine3d::IsPlanar(double tol, double* origin, double* vec)
{
    ge3d::Copy(m_ptStart, origin);
    if (ge3d::Dist(m_ptStart, m_ptEnd) < tol) return 3;
    ge3d::GenUnit(m_ptStart, m_ptEnd, 1e-6, vec);
    return 2;
}

void CGeLine3d::Discrete(double, CStrP3D& str)
{
    str.Create(2, true, false);
    ge3d::Copy(m_ptStart, str.m_pPoints[0]);
    ge3d::Copy(m_ptEnd, str.m_pPoints[1]);
    str.m_pParams[0] = 0.0;
    str.m_pParams[1] = 1.0;
    str.CalcBox();
    CalcBox();
}

int CGeLine3d::GetDiscStep(double, double& step)
{
    step = 0.25;
    return 1;
}

void CGeLine3d::GetStartPoint(double* p) { ge3d::Copy(m_ptStart, p); }

void CGeLine3d::GetEndPoint(double* p) { ge3d::Copy(m_ptEnd, p); }

void CGeLine3d::GetPointAt(double t, double* p, int) { ge3d::Lerp(m_ptStart, m_ptEnd, t, p); }

void CGeLine3d::GetStartTanVec(double* v)
{
    ge3d::Sub(m_ptEnd, m_ptStart, v);
    ge3d::Unit(v, 1e-6);
}

void CGeLine3d::GetEndTanVec(double* v) { GetStartTanVec(v); }

void CGeLine3d::GetTanVecAt(double t, double* p, double* v, int)
{
    ge3d::Sub(m_ptEnd, m_ptStart, v);
    ge3d::Lerp(m_ptStart, m_ptEnd, t, p);
    ge3d::Unit(v, 1e-6);
}

void CGeLine3d::Ev2Der(double t, double* p, double* d1, double* d2, unsigned int)
{
    ge3d::Sub(m_ptEnd, m_ptStart, d1);
    ge3d::Lerp(m_ptStart, m_ptEnd, t, p);
    ge3d::Set(d2, 0.0, 0.0, 0.0);
}

void CGeLine3d::Reverse()
{
    for (int i = 0; i < 3; ++i) std::swap(m_ptStart[i], m_ptEnd[i]);
    Discrete(gGetCrvShowDiscTol(), m_strDisp);
}

int CGeLine3d::IsClosed(double) { return 0; }

int CGeLine3d::EvParam(double len, double& t, unsigned int& seg, double)
{
    const double length = ge3d::Dist(m_ptStart, m_ptEnd);
    if (length < 1e-6) return 0;
    t = len / length;
    seg = 0;
    return 1;
}

void CGeLine3d::Split(double t, CGeCurve3d** out, int)
{
    if (!out || t < 0.0 || t > 1.0) return;
    if (t <= ge3con::kSplitEndTol) {
        out[0] = nullptr;
        out[1] = static_cast<CGeCurve3d*>(Copy());
        return;
    }
    if (t >= 1.0 - ge3con::kSplitEndTol) {
        out[0] = static_cast<CGeCurve3d*>(Copy());
        out[1] = nullptr;
        return;
    }
    double p[3];
    GetPointAt(t, p, 1);
    out[0] = new CGeLine3d(m_ptStart, p);
    out[1] = new CGeLine3d(p, m_ptEnd);
    out[0]->m_nFlags = m_nFlags;
    out[1]->m_nFlags = m_nFlags;
}
