#include "geometry/shapes3d/GeLine3d.h"

#include "framework/looker/QVGlobal.h"
#include "framework/looker/SnapRecords.h"
#include "framework/numerak/Matrix33.h"
#include "framework/numerak/Line2D.h"
#include "framework/numerak/Line3D.h"
#include "framework/numerak/Point2D.h"
#include "framework/numerak/Point3f.h"
#include "framework/numerak/Point3D.h"
#include "geometry/shapes3d/PointOps.h"
#include "framework/numerak/Matrix44.h"
#include "geometry/shapes3d/Shapes3dConst.h"
#include "platform/core/Archive.h"

#include <cmath>

IMPLEMENT_SERIAL(CGeLine3d, CObject, VERSIONABLE_SCHEMA | 1)

CGeLine3d::CGeLine3d() = default;

CGeLine3d::CGeLine3d(double* s, double* e)
{
    P3D_Copy(s, m_ptStart);
    P3D_Copy(e, m_ptEnd);
    Discrete(0.1, m_strDisp);
}

CGeLine3d::CGeLine3d(const tagPoint3f& s, const tagPoint3f& e)
{
    P3D_Set(m_ptStart, s.x, s.y, s.z);
    P3D_Set(m_ptEnd, e.x, e.y, e.z);
    Discrete(gGetCrvShowDiscTol(), m_strDisp);
}

int CGeLine3d::GetType() const { return ge3con::kTypeLine3d; }

void CGeLine3d::Serialize(CArchive& ar)
{
    CGeCurve3d::Serialize(ar);
    if (ar.IsStoring()) {
        for (const double* p : {m_ptStart, m_ptEnd}) ar << p[0] << p[1] << p[2];
        return;
    }
    for (double* p : {m_ptStart, m_ptEnd}) ar >> p[0] >> p[1] >> p[2];
    Discrete(gGetCrvShowDiscTol(), m_strDisp);
}

void CGeLine3d::DrawNode(CDC* dc, int drawStart, int drawEnd, unsigned int half)
{
    DrawEndNodes(dc, drawStart, drawEnd, half);
}

int CGeLine3d::Pick(CPickRay& ray, int useMask)
{
    if (useMask && !(ge3con::kTypeLine3d & ray.m_nTypeMask)) return 0;
    if (!ray.m_b2D) return PickDisplay(ray);

    const double c[2] = {ray.m_pt[0], ray.m_pt[1]};
    const double g = ray.m_dAperture;
    BOX3<double> box;
    GetBox(&box);
    if (!QPoint(c[0], c[1]).IsInBox(box, g)) return 0;
    double foot[2] = {m_ptStart[0], m_ptStart[1]};
    L2D_PrjPntEx(c, m_ptStart, m_ptEnd, foot);
    const double t = L2D_GetParam(c, m_ptStart, m_ptEnd);
    auto take = [&](const double* p) {
        const double d = P2D_Dist(c, p);
        if (!(g >= d)) return false;
        ray.m_dParam = t;
        ray.m_dDist = d;
        return true;
    };
    if (t < 0.0 || t > 1.0) return take(m_ptStart) || take(m_ptEnd) ? 1 : 0;
    return take(foot) ? 1 : 0;
}

CGeShape3d* CGeLine3d::Copy()
{
    auto* line = new CGeLine3d;
    P3D_Copy(m_ptStart, line->m_ptStart);
    P3D_Copy(m_ptEnd, line->m_ptEnd);
    CopyBaseTo(*line);
    return line;
}

void CGeLine3d::CalcBox() { m_box.Init(m_ptStart, m_ptEnd); }

void CGeLine3d::Translate(double* v)
{
    MoveEnds(pointop::Translate(v));
    CGeCurve3d::Translate(v);
}

void CGeLine3d::Translate3D(double* v)
{
    MoveEnds(pointop::Translate3D(v));
    CGeCurve3d::Translate3D(v);
}

void CGeLine3d::Rotate(double* centre, double angle)
{
    MoveEnds(pointop::Rotate(centre, angle));
    CGeCurve3d::Rotate(centre, angle);
}

void CGeLine3d::Rotate3D(double* point, double* axis, double angle)
{
    MoveEnds(pointop::Rotate3D(point, axis, angle));
    CGeCurve3d::Rotate3D(point, axis, angle);
}

CGeShape3d* CGeLine3d::Twist(double* point, double* axis, double angle)
{
    MoveEnds(pointop::Twist(point, axis, angle));
    return CGeCurve3d::Twist(point, axis, angle);
}

CGeShape3d* CGeLine3d::Taper(double* point, double* axis, double angle)
{
    MoveEnds(pointop::Taper(point, axis, angle));
    return CGeCurve3d::Taper(point, axis, angle);
}

void CGeLine3d::Mirror(double* p, double* q)
{
    MoveEnds(pointop::Mirror(p, q));
    CGeCurve3d::Mirror(p, q);
}

CGeShape3d* CGeLine3d::Shear(double* base, double* factors)
{
    MoveEnds(pointop::Shear(base, factors));
    return CGeCurve3d::Shear(base, factors);
}

CGeShape3d* CGeLine3d::Scale(double* centre, double* factors)
{
    MoveEnds(pointop::Scale(centre, factors));
    return CGeCurve3d::Scale(centre, factors);
}

CGeShape3d* CGeLine3d::Scale3D(double* centre, double* factors)
{
    MoveEnds(pointop::Scale3D(centre, factors));
    return CGeCurve3d::Scale3D(centre, factors);
}

CGeShape3d* CGeLine3d::Shear3D(double* point, double* dir, double* normal)
{
    MoveEnds(pointop::Shear3D(point, dir, normal));
    return CGeCurve3d::Shear3D(point, dir, normal);
}

void CGeLine3d::Mirror3D(double* point, double* normal)
{
    MoveEnds(pointop::Mirror3D(point, normal));
    CGeCurve3d::Mirror3D(point, normal);
}

void CGeLine3d::Transform(_rect_fm3d* frame)
{
    if (!frame) return;
    MoveEnds(pointop::ToFrame(frame));
    CGeCurve3d::Transform(frame);
}

CGeShape3d* CGeLine3d::Transform(double m[4][4], unsigned int flags)
{
    MoveEnds(pointop::Matrix44(m));
    return CGeCurve3d::Transform(m, flags);
}

CGeShape3d* CGeLine3d::Transform(double m[3][3], unsigned int flags)
{
    MoveEnds(pointop::Matrix33(m));
    return CGeCurve3d::Transform(m, flags);
}

void CGeLine3d::TransformLocal(_rect_fm3d* frame)
{
    if (!frame) return;
    MoveEnds(pointop::FromFrame(frame));
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
        P3D_Lerp(m_ptStart, m_ptEnd, 0.5, mid);
        if (snap->IsSnapPoint(mid, 3)) result.PushBackMid(Position(mid[0], mid[1], mid[2]));
    }
    if ((snap->m_nSnapMode & kSnapPerp) && snap->m_pBase->m_bHasBase) {
        double foot[3];
        if (L3D_PrjPntEx(snap->m_pBase->m_ptBase, m_ptStart, m_ptEnd, foot)) {
            const double t = L3D_GetParam(foot, m_ptStart, m_ptEnd);
            if (t > 0.0 && t < 1.0 && snap->IsSnapPoint(foot, 3))
                result.PushBackPerp(Position(foot[0], foot[1], foot[2]));
        }
    }
    return result.GetSize() != before ? 1 : 0;
}

int CGeLine3d::IsPlanar(double tol, double* origin, double* vec)
{
    P3D_Copy(m_ptStart, origin);
    if (P3D_Dist(m_ptStart, m_ptEnd) < tol) return 3;
    V3D_GenUnit(m_ptStart, m_ptEnd, 1e-6, vec);
    return 2;
}

void CGeLine3d::Discrete(double, CStrP3D& str)
{
    str.Create(2, true, false);
    P3D_Copy(m_ptStart, str.m_pPoints[0]);
    P3D_Copy(m_ptEnd, str.m_pPoints[1]);
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

void CGeLine3d::GetStartPoint(double* p) { P3D_Copy(m_ptStart, p); }

void CGeLine3d::GetEndPoint(double* p) { P3D_Copy(m_ptEnd, p); }

void CGeLine3d::GetPointAt(double t, double* p, int) { P3D_Lerp(m_ptStart, m_ptEnd, t, p); }

void CGeLine3d::GetStartTanVec(double* v)
{
    V3D_Sub(m_ptEnd, m_ptStart, v);
    V3D_Unit(v, 1e-6);
}

void CGeLine3d::GetEndTanVec(double* v) { GetStartTanVec(v); }

void CGeLine3d::GetTanVecAt(double t, double* p, double* v, int)
{
    V3D_Sub(m_ptEnd, m_ptStart, v);
    P3D_Lerp(m_ptStart, m_ptEnd, t, p);
    V3D_Unit(v, 1e-6);
}

void CGeLine3d::Ev2Der(double t, double* p, double* d1, double* d2, unsigned int)
{
    V3D_Sub(m_ptEnd, m_ptStart, d1);
    P3D_Lerp(m_ptStart, m_ptEnd, t, p);
    P3D_Set(d2, 0.0, 0.0, 0.0);
}

void CGeLine3d::Reverse()
{
    P3D_Swap(m_ptStart, m_ptEnd);
    Discrete(gGetCrvShowDiscTol(), m_strDisp);
}

int CGeLine3d::IsClosed(double) { return 0; }

int CGeLine3d::EvParam(double len, double& t, unsigned int& seg, double)
{
    const double length = P3D_Dist(m_ptStart, m_ptEnd);
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
