#include "geometry/shapes2d/RefinePointStr.h"

#include "framework/numerak/Line2D.h"
#include "framework/numerak/Vector2D.h"
#include "geometry/shapes2d/GeometryConst.h"

#include <cmath>

namespace {

constexpr double kAngleVecTol = 1e-6;

// Point-record traits so that one thinning loop serves both dimensions.
struct Traits2 {
    using P = tagPoint2d;
    static bool Near(const P& a, const P& b, double tol)
    {
        return std::fabs(a.x - b.x) < tol && std::fabs(a.y - b.y) < tol;
    }
    static double Angle(const P& q, const P& last, const P& prev)
    {
        const double u[2] = {q.x - last.x, q.y - last.y};
        const double v[2] = {prev.x - last.x, prev.y - last.y};
        return V2D_GetAngle(u, v, kAngleVecTol);
    }
    static double LineDist(const P& q, const P& prev, const P& last)
    {
        return std::fabs(L2D_DistToPntEx(&q.x, &prev.x, &last.x));
    }
};

struct Traits3 {
    using P = tagPoint3d;
    static bool Near(const P& a, const P& b, double tol)
    {
        return std::fabs(a.x - b.x) < tol && std::fabs(a.y - b.y) < tol && std::fabs(a.z - b.z) < tol;
    }
    static double Angle(const P& q, const P& last, const P& prev)
    {
        const double u[3] = {q.x - last.x, q.y - last.y, q.z - last.z};
        const double v[3] = {prev.x - last.x, prev.y - last.y, prev.z - last.z};
        return V3D_GetAngle(u, v, kAngleVecTol);
    }
    static double LineDist(const P& q, const P& prev, const P& last)
    {
        return L3D_DistToPntEx(&q.x, &prev.x, &last.x);
    }
};

// Thins in place: the kept points are written over the front of the array,
// which never overtakes the read position.
template <class T>
void Refine(double tol, double ang, CArray<typename T::P, typename T::P>& pts)
{
    const INT_PTR n = pts.GetSize();
    if (n <= 2 || ang > gecon::kRefineMaxAngle) return;
    typename T::P* p = pts.GetData();
    INT_PTR last = 1;  // index of the last kept point; the one before it is prev
    for (INT_PTR i = 2; i < n; ++i) {
        const typename T::P q = p[i];
        if (T::Near(q, p[last], tol)) {
            // The string keeps its true end even when it lies within the tolerance.
            if (i == n - 1) p[last] = q;
            continue;
        }
        const typename T::P& prev = p[last - 1];
        if (T::Angle(q, p[last], prev) > ang && T::LineDist(q, prev, p[last]) < tol)
            p[last] = q;  // extends a nearly straight run
        else
            p[++last] = q;
    }
    pts.SetSize(last + 1);
}

}  // namespace

void RefinePointStr(double tol, double ang, CArray<tagPoint2d, tagPoint2d>& pts)
{
    Refine<Traits2>(tol, ang, pts);
}

void RefinePointStr3D(double tol, double ang, CArray<tagPoint3d, tagPoint3d>& pts)
{
    Refine<Traits3>(tol, ang, pts);
}
