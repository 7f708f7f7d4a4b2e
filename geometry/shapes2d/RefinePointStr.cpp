#include "geometry/shapes2d/RefinePointStr.h"

#include "framework/numerak/Line2D.h"
#include "framework/numerak/Vector2D.h"
#include "geometry/shapes2d/GeometryConst.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kAngleVecTol = 1e-6;
// Two cone axes closer than this angle are taken as one direction.
constexpr double kSameAxis = 1e-12;

// Point-record traits so that one thinning loop serves both dimensions.
struct Traits2 {
    using P = tagPoint2d;
    static constexpr int kDim = 2;
    static void Diff(const P& a, const P& b, double* v)
    {
        v[0] = a.x - b.x;
        v[1] = a.y - b.y;
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
    static constexpr int kDim = 3;
    static void Diff(const P& a, const P& b, double* v)
    {
        v[0] = a.x - b.x;
        v[1] = a.y - b.y;
        v[2] = a.z - b.z;
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

template <int D>
double Dot(const double* a, const double* b)
{
    double s = 0.0;
    for (int i = 0; i < D; ++i) s += a[i] * b[i];
    return s;
}

template <int D>
double Norm(const double* a) { return std::sqrt(Dot<D>(a, a)); }

// Angle between two vectors, accurate for small angles too.
template <int D>
double AngleBetween(const double* a, const double* b)
{
    const double dot = Dot<D>(a, b);
    double cross = 0.0;
    if constexpr (D == 2) {
        cross = std::fabs(a[0] * b[1] - a[1] * b[0]);
    } else {
        const double c[3] = {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
        cross = Norm<3>(c);
    }
    return std::atan2(cross, dot);
}

// The directions from the start of a run (prev) along which a segment passes
// within tol of every point dropped from the run so far. A point at distance r
// >= tol from prev admits the cap of half-angle asin(tol / r) around its own
// direction (ahead of prev, since behind it the segment's nearest point would be
// prev itself); the cone keeps a cap inside the intersection of those caps.
// In 2D the intersection of caps is an interval and is kept exactly; in 3D the
// largest cap inside the lens of two caps is kept, which only ever refuses
// more. The farthest such point is remembered too: a segment shorter than it
// would leave that point beyond its end.
template <int D>
class DirectionCone {
public:
    void Reset()
    {
        m_full = true;
        m_empty = false;
        m_farthest = 0.0;
    }

    // Adds a dropped point at offset v from prev.
    void Add(const double* v, double tol)
    {
        const double r = Norm<D>(v);
        if (!(r > tol) || m_empty) return;  // within tol of prev: any segment passes
        m_farthest = std::max(m_farthest, r);
        double axis[D];
        for (int i = 0; i < D; ++i) axis[i] = v[i] / r;
        const double half = std::asin(tol / r);
        if (m_full) {
            std::copy(axis, axis + D, m_axis);
            m_half = half;
            m_full = false;
            return;
        }
        Intersect(axis, half);
    }

    // True when the segment from prev to prev + w passes within tol of every point added.
    bool Admits(const double* w) const
    {
        if (m_empty) return false;
        if (m_full) return true;
        if (Norm<D>(w) < m_farthest) return false;
        return AngleBetween<D>(w, m_axis) < m_half;
    }

private:
    void Intersect(const double* axis, double half)
    {
        const double d = AngleBetween<D>(m_axis, axis);
        if (d + half <= m_half) {  // the new cap lies inside the cone
            std::copy(axis, axis + D, m_axis);
            m_half = half;
            return;
        }
        if (d + m_half <= half) return;  // the cone lies inside the new cap
        if (d >= m_half + half) {
            m_empty = true;
            return;
        }
        const double newHalf = 0.5 * (m_half + half - d);
        if (d < kSameAxis) {
            m_half = std::min(m_half, half) - d;
            return;
        }
        // Turn the axis towards the new cap's axis (in their common plane) so
        // that the kept cap touches both boundaries.
        const double turn = 0.5 * (m_half + d - half);
        const double s = std::sin(d);
        const double a = std::sin(d - turn) / s, b = std::sin(turn) / s;
        for (int i = 0; i < D; ++i) m_axis[i] = a * m_axis[i] + b * axis[i];
        const double len = Norm<D>(m_axis);
        for (int i = 0; i < D; ++i) m_axis[i] /= len;
        m_half = newHalf;
    }

    bool m_full = true;    // no constraint yet
    bool m_empty = false;  // no direction admits every point
    double m_axis[D] = {};
    double m_half = 0.0;
    double m_farthest = 0.0;
};

// Thins in place: the kept points are written over the front of the array,
// which never overtakes the read position.
template <class T>
void Refine(double tol, double ang, CArray<typename T::P, typename T::P>& pts)
{
    constexpr int D = T::kDim;
    const INT_PTR n = pts.GetSize();
    if (n <= 2 || ang > gecon::kRefineMaxAngle) return;
    typename T::P* p = pts.GetData();
    INT_PTR last = 1;  // index of the last kept point; the one before it is prev
    DirectionCone<D> cone;
    double v[D];
    auto addToRun = [&](const typename T::P& q) {
        T::Diff(q, p[last - 1], v);
        cone.Add(v, tol);
    };
    auto extends = [&](const typename T::P& q) {
        T::Diff(q, p[last - 1], v);
        return cone.Admits(v);
    };
    cone.Reset();
    addToRun(p[1]);
    for (INT_PTR i = 2; i < n; ++i) {
        const typename T::P q = p[i];
        T::Diff(q, p[last], v);
        if (Norm<D>(v) < tol) {
            if (i < n - 1) {
                addToRun(q);  // within tol of last, and of any segment the run ends with
                continue;
            }
            // The string keeps its true end even when it lies within the tolerance.
            if (extends(q))
                p[last] = q;
            else
                p[++last] = q;
            continue;
        }
        const typename T::P& prev = p[last - 1];
        if (T::Angle(q, p[last], prev) > ang && T::LineDist(q, prev, p[last]) < tol && extends(q)) {
            p[last] = q;  // extends a nearly straight run
        } else {
            p[++last] = q;
            cone.Reset();
        }
        addToRun(q);
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
