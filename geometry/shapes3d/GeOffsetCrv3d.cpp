#include "geometry/shapes3d/GeOffsetCrv3d.h"

#include "framework/looker/QVGlobal.h"
#include "framework/looker/SnapRecords.h"
#include "framework/numerak/Line2D.h"
#include "framework/numerak/Point2D.h"
#include "framework/numerak/Point3D.h"
#include "framework/numerak/Vector2D.h"
#include "geometry/shapes3d/PointOps.h"
#include "geometry/shapes3d/Shapes3dConst.h"
#include "platform/core/Archive.h"
#include "platform/core/OwnedListArchive.h"

#include <cmath>
#include <vector>

IMPLEMENT_SERIAL(CGeOffsetCrv3d, CObject, VERSIONABLE_SCHEMA | 1)

namespace {

// Below this the base's tangent counts as parallel to the direction.
constexpr double kParallelTol = 1e-6;
// Angle tolerance of the refinement's midpoint angle; angles up to kFlatAngle count as
// a straight continuation.
constexpr double kAngleTol = 1e-6;
constexpr double kFlatAngle = 0.001;
constexpr double kPi = 3.141592653589793;
// The refinement stops splitting an interval narrower than this in parameter, and
// adds no points beyond the budget.
constexpr double kMinParamGap = 1e-9;
constexpr int kPointBudget = 1 << 16;

struct Sample {
    double p[3];
    double t;
};

}  // namespace

CGeOffsetCrv3d::CGeOffsetCrv3d() = default;

CGeOffsetCrv3d::CGeOffsetCrv3d(CGeCurve3d* base, double distance, double* direction)
    : m_pBase(base), m_dDistance(distance)
{
    if (direction) P3D_Copy(direction, m_dDirection);
}

CGeOffsetCrv3d::~CGeOffsetCrv3d() { delete m_pBase; }

int CGeOffsetCrv3d::GetType() const { return ge3con::kTypeOffsetCrv3d; }

void CGeOffsetCrv3d::Serialize(CArchive& ar)
{
    CGeCurve3d::Serialize(ar);
    if (ar.IsStoring()) {
        CObList list;
        if (m_pBase) list.AddTail(m_pBase);
        list.Serialize(ar);
        ar << m_dDistance << m_dDirection[0] << m_dDirection[1] << m_dDirection[2];
        return;
    }
    CGeCurve3dList list;
    try {
        archive::LoadOwnedList(ar, list);
    } catch (...) {
        // Objects the archive holds are freed by it.
        if (!ar.IsHoldingNewObjects())
            while (!list.IsEmpty()) delete list.RemoveHead();
        throw;
    }
    delete m_pBase;
    m_pBase = list.IsEmpty() ? nullptr : list.RemoveHead();
    while (!list.IsEmpty()) delete list.RemoveHead();
    ar >> m_dDistance >> m_dDirection[0] >> m_dDirection[1] >> m_dDirection[2];
}

CGeShape3d* CGeOffsetCrv3d::Copy()
{
    if (!m_pBase) return nullptr;
    auto* base = dynamic_cast<CGeCurve3d*>(m_pBase->Copy());
    if (!base) return nullptr;
    auto* copy = new CGeOffsetCrv3d(base, m_dDistance, m_dDirection);
    CopyBaseTo(*copy);
    copy->m_bClosed = m_bClosed;
    return copy;
}

// ---------------------------------------------------------------------------
// Evaluation

void CGeOffsetCrv3d::Shift(const double* basePoint, const double* tangent, double* out) const
{
    double side[3];
    V3D_Cross(m_dDirection, tangent, side);
    if (V3D_Unit(side, kParallelTol) != 1) {
        P3D_Copy(basePoint, out);
        return;
    }
    for (int i = 0; i < 3; ++i) out[i] = basePoint[i] + m_dDistance * side[i];
}

int CGeOffsetCrv3d::GetSegmentCount() { return m_pBase ? m_pBase->GetSegmentCount() : 1; }

int CGeOffsetCrv3d::IsPlanar(double tol, double* point, double* normal)
{
    return m_pBase ? m_pBase->IsPlanar(tol, point, normal) : 0;
}

void CGeOffsetCrv3d::GetStartPoint(double* p)
{
    if (!m_pBase) return;
    double b[3] = {0.0, 0.0, 0.0}, t[3] = {0.0, 0.0, 0.0};
    m_pBase->GetStartPoint(b);
    m_pBase->GetStartTanVec(t);
    Shift(b, t, p);
}

void CGeOffsetCrv3d::GetEndPoint(double* p)
{
    if (!m_pBase) return;
    double b[3] = {0.0, 0.0, 0.0}, t[3] = {0.0, 0.0, 0.0};
    m_pBase->GetEndPoint(b);
    m_pBase->GetEndTanVec(t);
    Shift(b, t, p);
}

void CGeOffsetCrv3d::GetPointAt(double t, double* p, int seg)
{
    if (!m_pBase) return;
    double b[3] = {0.0, 0.0, 0.0}, tan[3] = {0.0, 0.0, 0.0};
    m_pBase->GetTanVecAt(t, b, tan, seg);
    Shift(b, tan, p);
}

void CGeOffsetCrv3d::GetTanVecAt(double t, double* p, double* tan, int seg)
{
    if (!m_pBase) return;
    double b[3] = {0.0, 0.0, 0.0};
    m_pBase->GetTanVecAt(t, b, tan, seg);
    Shift(b, tan, p);
}

void CGeOffsetCrv3d::GetStartTanVec(double* v)
{
    if (!m_pBase) return;
    double p[3];
    m_pBase->GetTanVecAt(0.0, p, v, 1);
}

void CGeOffsetCrv3d::GetEndTanVec(double* v)
{
    if (!m_pBase) return;
    double p[3];
    m_pBase->GetTanVecAt(1.0, p, v, 1);
}

void CGeOffsetCrv3d::Ev2Der(double t, double* p, double* d1, double* d2, unsigned int seg)
{
    if (!m_pBase) return;
    m_pBase->Ev2Der(t, p, d1, d2, seg);
    double c[3];
    V3D_Cross(m_dDirection, d1, c);
    const double len = V3D_Len(c);
    if (!(len >= kParallelTol)) return;
    double n[3], g[3];
    for (int i = 0; i < 3; ++i) n[i] = c[i] / len;
    V3D_Cross(m_dDirection, d2, g);
    const double k = V3D_Dot(n, g);
    for (int i = 0; i < 3; ++i) {
        p[i] += m_dDistance * n[i];
        // d/dt of unit(c): (c' - (n · c') n) / |c|, with c' = direction × d2.
        d1[i] += (m_dDistance / len) * g[i] - (m_dDistance * k / len) * n[i];
    }
}

void CGeOffsetCrv3d::Reverse()
{
    if (!m_pBase) return;
    m_pBase->Reverse();
    m_dDistance = -m_dDistance;
    CGeCurve3d::Reverse();
}

int CGeOffsetCrv3d::EvParam(double, double&, unsigned int&, double) { return 0; }

void CGeOffsetCrv3d::Split(double, CGeCurve3d** out, int)
{
    if (!out) return;
    out[0] = nullptr;
    out[1] = nullptr;
}

int CGeOffsetCrv3d::GetSnapPos(CSnapAt*, CSnapResult&) { return 0; }

int CGeOffsetCrv3d::Pick(CPickRay& ray, int useMask)
{
    if (useMask && !(ge3con::kTypeOffsetCrv3d & ray.m_nTypeMask)) return 0;
    return PickDisplay(ray);
}

// ---------------------------------------------------------------------------
// Display string

void CGeOffsetCrv3d::Discrete(double tol, CStrP3D& str)
{
    if (!m_pBase) return;
    m_pBase->Discrete(tol, str);
    if (str.m_nCount < 1 || !str.m_pPoints) return;

    std::vector<Sample> seeds(static_cast<std::size_t>(str.m_nCount));
    for (int i = 0; i < str.m_nCount; ++i) {
        Sample& s = seeds[static_cast<std::size_t>(i)];
        s.t = str.m_pParams ? str.m_pParams[i] : 0.0;
        P3D_Copy(str.m_pPoints[i], s.p);
        GetPointAt(s.t, s.p, 0);
    }

    const double d = gGetCrvShowDiscTol(), alpha = gGetCrvDiscAng();
    auto needsSplit = [&](const Sample& a, const Sample& b, Sample& mid) {
        if (!(std::fabs(b.t - a.t) >= kMinParamGap)) return false;
        mid.t = 0.5 * (a.t + b.t);
        P3D_Copy(a.p, mid.p);
        GetPointAt(mid.t, mid.p, 0);
        if (L3D_DistToPntEx(mid.p, a.p, b.p) > d) return true;
        double u[3], v[3];
        V3D_Sub(a.p, mid.p, u);
        V3D_Sub(b.p, mid.p, v);
        double beta = V3D_GetAngle(u, v, kAngleTol);
        if (beta <= kFlatAngle) beta = kPi;
        return beta < alpha;
    };
    std::vector<Sample> out;
    out.reserve(seeds.size());
    out.push_back(seeds.front());
    std::vector<Sample> pending;  // right ends still to reach, nearest last
    for (std::size_t k = 1; k < seeds.size(); ++k) {
        pending.assign(1, seeds[k]);
        while (!pending.empty()) {
            Sample mid;
            const bool room = out.size() + pending.size() < static_cast<std::size_t>(kPointBudget);
            if (room && needsSplit(out.back(), pending.back(), mid)) {
                pending.push_back(mid);
            } else {
                out.push_back(pending.back());
                pending.pop_back();
            }
        }
    }
    const int n = static_cast<int>(out.size());
    if (!str.Create(n, true, false)) return;
    for (int i = 0; i < n; ++i) {
        P3D_Copy(out[static_cast<std::size_t>(i)].p, str.m_pPoints[i]);
        str.m_pParams[i] = out[static_cast<std::size_t>(i)].t;
    }
    str.CalcBox();
}

// ---------------------------------------------------------------------------
// Transforms

template <class Op>
void CGeOffsetCrv3d::TransformBase(Op op)
{
    if (!m_pBase) return;
    CGeShape3d* result = op(m_pBase);
    if (result && result != m_pBase) {
        if (auto* curve = dynamic_cast<CGeCurve3d*>(result)) {
            delete m_pBase;
            m_pBase = curve;
        } else {
            delete result;
        }
    }
}

template <class Op>
void CGeOffsetCrv3d::TurnDirection(Op op)
{
    double origin[3] = {0.0, 0.0, 0.0};
    op(origin);
    op(m_dDirection);
    V3D_Sub(m_dDirection, origin, m_dDirection);
}

void CGeOffsetCrv3d::Translate(double* v)
{
    double v3[3] = {v[0], v[1], 0.0};
    if (m_pBase) m_pBase->Translate3D(v3);
    CGeCurve3d::Translate(v);
}

void CGeOffsetCrv3d::Translate3D(double* v)
{
    if (m_pBase) m_pBase->Translate3D(v);
    CGeCurve3d::Translate3D(v);
}

void CGeOffsetCrv3d::Rotate(double* centre, double angle)
{
    double c[3] = {centre[0], centre[1], 0.0}, axis[3] = {0.0, 0.0, 1.0};
    Rotate3D(c, axis, angle);
}

void CGeOffsetCrv3d::Rotate3D(double* point, double* axis, double angle)
{
    if (m_pBase) m_pBase->Rotate3D(point, axis, angle);
    TurnDirection(pointop::Rotate3D(point, axis, angle));
    CGeCurve3d::Rotate3D(point, axis, angle);
}

CGeShape3d* CGeOffsetCrv3d::Twist(double* point, double* axis, double angle)
{
    TransformBase([&](CGeCurve3d* b) { return b->Twist(point, axis, angle); });
    CGeCurve3d::Twist(point, axis, angle);
    return this;
}

CGeShape3d* CGeOffsetCrv3d::Taper(double* point, double* axis, double angle)
{
    TransformBase([&](CGeCurve3d* b) { return b->Taper(point, axis, angle); });
    CGeCurve3d::Taper(point, axis, angle);
    return this;
}

void CGeOffsetCrv3d::Mirror(double* p, double* q)
{
    if (m_pBase) m_pBase->Mirror(p, q);
    TurnDirection(pointop::Mirror(p, q));
    m_dDistance = -m_dDistance;
    CGeCurve3d::Mirror(p, q);
}

void CGeOffsetCrv3d::Mirror3D(double* point, double* normal)
{
    if (m_pBase) m_pBase->Mirror3D(point, normal);
    TurnDirection(pointop::Mirror3D(point, normal));
    m_dDistance = -m_dDistance;
    CGeCurve3d::Mirror3D(point, normal);
}

CGeShape3d* CGeOffsetCrv3d::Shear(double* base, double* factors)
{
    TransformBase([&](CGeCurve3d* b) { return b->Shear(base, factors); });
    CGeCurve3d::Shear(base, factors);
    return this;
}

CGeShape3d* CGeOffsetCrv3d::Shear3D(double* point, double* dir, double* normal)
{
    TransformBase([&](CGeCurve3d* b) { return b->Shear3D(point, dir, normal); });
    CGeCurve3d::Shear3D(point, dir, normal);
    return this;
}

CGeShape3d* CGeOffsetCrv3d::Scale(double* centre, double* factors)
{
    TransformBase([&](CGeCurve3d* b) { return b->Scale(centre, factors); });
    CGeCurve3d::Scale(centre, factors);
    return this;
}

CGeShape3d* CGeOffsetCrv3d::Scale3D(double* centre, double* factors)
{
    TransformBase([&](CGeCurve3d* b) { return b->Scale3D(centre, factors); });
    CGeCurve3d::Scale3D(centre, factors);
    return this;
}

void CGeOffsetCrv3d::Transform(_rect_fm3d* frame)
{
    if (!frame) return;
    if (m_pBase) m_pBase->Transform(frame);
    TurnDirection(pointop::ToFrame(frame));
    CGeCurve3d::Transform(frame);
}

void CGeOffsetCrv3d::TransformLocal(_rect_fm3d* frame)
{
    if (!frame) return;
    if (m_pBase) m_pBase->TransformLocal(frame);
    TurnDirection(pointop::FromFrame(frame));
    CGeCurve3d::TransformLocal(frame);
}

CGeShape3d* CGeOffsetCrv3d::Transform(double m[4][4], unsigned int flags)
{
    TransformBase([&](CGeCurve3d* b) { return b->Transform(m, flags); });
    CGeCurve3d::Transform(m, flags);
    return this;
}

CGeShape3d* CGeOffsetCrv3d::Transform(double m[3][3], unsigned int flags)
{
    TransformBase([&](CGeCurve3d* b) { return b->Transform(m, flags); });
    CGeCurve3d::Transform(m, flags);
    return this;
}
