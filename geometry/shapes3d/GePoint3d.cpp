#include "geometry/shapes3d/GePoint3d.h"

#include "framework/looker/SnapRecords.h"
#include "framework/numerak/Line3D.h"
#include "framework/numerak/Matrix33.h"
#include "framework/numerak/Matrix44.h"
#include "framework/numerak/Point3D.h"
#include "geometry/shapes3d/PointOps.h"
#include "geometry/shapes3d/Shapes3dConst.h"
#include "platform/core/Archive.h"

IMPLEMENT_SERIAL(CGePoint3d, CObject, VERSIONABLE_SCHEMA | 1)

namespace {

// Border tolerance of box selection.
constexpr double kPickBoxTol = 1e-6;

}  // namespace

CGePoint3d::CGePoint3d() = default;

CGePoint3d::CGePoint3d(double* p) { P3D_Copy(p, m_point); }

void CGePoint3d::Serialize(CArchive& ar)
{
    CGeShape3d::Serialize(ar);
    if (ar.IsStoring())
        ar << m_point[0] << m_point[1] << m_point[2];
    else
        ar >> m_point[0] >> m_point[1] >> m_point[2];
}

int CGePoint3d::GetType() const { return ge3con::kTypePoint3d; }

CGeShape3d* CGePoint3d::Copy()
{
    auto* copy = new CGePoint3d(m_point);
    copy->m_box = m_box;
    return copy;
}

void CGePoint3d::CalcBox() { m_box.Init(m_point, m_point); }

void CGePoint3d::SetPoint3D(double* p) { P3D_Copy(p, m_point); }

void CGePoint3d::GetPoint3D(double* p) const { P3D_Copy(m_point, p); }

void CGePoint3d::Translate(double* v)
{
    Move(pointop::Translate(v));
}

void CGePoint3d::Translate3D(double* v)
{
    Move(pointop::Translate3D(v));
}

void CGePoint3d::Rotate(double* centre, double angle)
{
    Move(pointop::Rotate(centre, angle));
}

void CGePoint3d::Rotate3D(double* point, double* axis, double angle)
{
    Move(pointop::Rotate3D(point, axis, angle));
}

CGeShape3d* CGePoint3d::Twist(double* point, double* axis, double angle)
{
    Move(pointop::Twist(point, axis, angle));
    return this;
}

CGeShape3d* CGePoint3d::Taper(double* point, double* axis, double angle)
{
    Move(pointop::Taper(point, axis, angle));
    return this;
}

void CGePoint3d::Mirror(double* p, double* q)
{
    Move(pointop::Mirror(p, q));
}

CGeShape3d* CGePoint3d::Shear(double* base, double* factors)
{
    Move(pointop::Shear(base, factors));
    return this;
}

CGeShape3d* CGePoint3d::Scale(double* centre, double* factors)
{
    Move(pointop::Scale(centre, factors));
    return this;
}

CGeShape3d* CGePoint3d::Scale3D(double* centre, double* factors)
{
    Move(pointop::Scale3D(centre, factors));
    return this;
}

CGeShape3d* CGePoint3d::Shear3D(double* point, double* dir, double* normal)
{
    Move(pointop::Shear3D(point, dir, normal));
    return this;
}

void CGePoint3d::Mirror3D(double* point, double* normal)
{
    Move(pointop::Mirror3D(point, normal));
}

void CGePoint3d::Transform(_rect_fm3d* frame)
{
    if (!frame) return;
    Move(pointop::ToFrame(frame));
}

CGeShape3d* CGePoint3d::Transform(double m[4][4], unsigned int)
{
    Move(pointop::Matrix44(m));
    return this;
}

CGeShape3d* CGePoint3d::Transform(double m[3][3], unsigned int)
{
    Move(pointop::Matrix33(m));
    return this;
}

void CGePoint3d::TransformLocal(_rect_fm3d* frame)
{
    if (!frame) return;
    Move(pointop::FromFrame(frame));
}

int CGePoint3d::Pick(CPickRay& ray, int useMask)
{
    if (useMask && !(ge3con::kTypePoint3d & ray.m_nTypeMask)) return 0;
    if (ray.m_b2D) {
        const double d = P3D_Dist2D(ray.m_pt, m_point);
        if (!(ray.m_dAperture > d)) return 0;
        if (d < ray.m_dDist) ray.m_dDist = d;
        return 1;
    }
    double foot[3];
    if (!L3D_PrjPnt(m_point, ray.m_pt, ray.m_dir, foot)) return 0;
    // The depth of every 3D pick: the ray parameter of the hit.
    double v[3];
    V3D_Sub(m_point, ray.m_pt, v);
    const double depth = V3D_Dot(v, ray.m_dir);
    if (!(ray.m_dAperture > P3D_Dist(m_point, foot)) || !(ray.m_dDepth > depth)) return 0;
    ray.m_dDepth = depth;
    return 1;
}

int CGePoint3d::PickBox(_rect_fm3d* frame, BOX2<double>* box)
{
    if (!box) return 0;
    double local[3];
    if (frame)
        RF_TransWorldP3D(frame, m_point, local);
    else
        P3D_Copy(m_point, local);
    return P2D_IsInBox2D(box, local, kPickBoxTol) == 0 ? 1 : 0;
}
