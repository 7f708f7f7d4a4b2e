#include "toolpath/surfkernel/SampleString.h"

#include "framework/numerak/Point3D.h"
#include "framework/numerak/QvMem.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

namespace {

template <class T> bool allocArray(T*& out, int n)
{
    out = static_cast<T*>(QV_MemAlloc(sizeof(T) * static_cast<std::size_t>(n)));
    if (out)
        std::memset(static_cast<void*>(out), 0, sizeof(T) * static_cast<std::size_t>(n));
    return out != nullptr;
}

double dist3(const double* a, const double* b)
{
    double d[3];
    V3D_Sub(a, b, d);
    return V3D_Len(d);
}

} // namespace

PTSTRING* PTSTRING_New(int n, int flags)
{
    if (n <= 0)
        return nullptr;
    auto* s = static_cast<PTSTRING*>(QV_MemAlloc(sizeof(PTSTRING)));
    if (!s)
        return nullptr;
    std::memset(s, 0, sizeof *s);
    s->n = n;
    const bool ok = (!(flags & PTSTRING_POINTS) || allocArray(s->pnts, n)) &&
                    (!(flags & PTSTRING_VECTORS) || allocArray(s->vecs, n)) &&
                    (!(flags & PTSTRING_PARAMS) || allocArray(s->params, n)) &&
                    (!(flags & PTSTRING_EXTRA) || allocArray(s->extra, n));
    if (!ok) {
        PTSTRING_Free(s);
        return nullptr;
    }
    return s;
}

void PTSTRING_Free(PTSTRING* s)
{
    if (!s)
        return;
    QV_MemFree(s->pnts);
    QV_MemFree(s->vecs);
    QV_MemFree(s->params);
    QV_MemFree(s->extra);
    QV_MemFree(s);
}

int PTSTRING_NearestCandidates(int* count, double* params, const PTSTRING* s, const double* point, double* nearest,
                               double tol)
{
    if (!count || !params || !s || !point || !nearest || !s->pnts || !s->params || s->n < 1)
        return 0;
    const int n = s->n;
    // Signed values: negative for the distance to a segment's inside, positive
    // for the distance to its end point.
    auto* v = static_cast<double*>(QV_MemAlloc(sizeof(double) * static_cast<std::size_t>(n)));
    auto* f = static_cast<double*>(QV_MemAlloc(sizeof(double) * static_cast<std::size_t>(n)));
    if (!v || !f) {
        QV_MemFree(v);
        QV_MemFree(f);
        return -1;
    }
    v[0] = dist3(point, s->pnts[0]);
    f[0] = 1.0;
    for (int i = 1; i < n; ++i) {
        const double* p0 = s->pnts[i - 1];
        const double* p1 = s->pnts[i];
        double seg[3], q0[3], q1[3];
        V3D_Sub(p1, p0, seg);
        V3D_Sub(point, p0, q0);
        V3D_Sub(p1, point, q1);
        const double len = V3D_Len(seg);
        if (V3D_Dot(q0, seg) > 1e-12 && V3D_Dot(q1, seg) > 1e-12) {
            const double along = V3D_Dot(q0, seg) / len;
            v[i] = -std::sqrt(std::max(0.0, V3D_Dot(q0, q0) - along * along));
            f[i] = len < 1e-12 ? 0.5 : along / len;
        } else {
            v[i] = dist3(point, p1);
            f[i] = 1.0;
        }
    }
    double d = std::fabs(v[0]);
    for (int i = 1; i < n; ++i)
        d = std::min(d, std::fabs(v[i]));
    int m = 0;
    for (int i = 0; i < n; ++i) {
        if (!(std::fabs(d - std::fabs(v[i])) < tol))
            continue;
        params[m++] = v[i] < 0.0 ? (1.0 - f[i]) * s->params[i - 1] + f[i] * s->params[i] : s->params[i];
    }
    *count = m;
    *nearest = d;
    QV_MemFree(v);
    QV_MemFree(f);
    return 1;
}

int PLINE_PointNearSegment(double tol, const double* point, const double* b, const double* a)
{
    for (int i = 0; i < 3; ++i)
        if (point[i] < std::min(a[i], b[i]) - tol || point[i] > std::max(a[i], b[i]) + tol)
            return 0;
    if (dist3(point, a) < tol || dist3(point, b) < tol)
        return 1;
    double s[3], q[3];
    V3D_Sub(b, a, s);
    V3D_Sub(point, a, q);
    const double len = V3D_Len(s);
    if (len < 1e-12)
        return 0;
    const double r = V3D_Dot(q, s) / len;
    if (r > 0.0 && r < len)
        return std::sqrt(std::max(0.0, V3D_Dot(q, q) - r * r)) < tol ? 1 : 0;
    return 0;
}

int PLINE_FindNearSegment(const PLINE* pl, const double* point, int* segment, int* found, double tol)
{
    if (!pl || !point || !segment || !found || !pl->pnts)
        return 0;
    const int last = pl->n - 2;
    int start = *segment;
    if (start < 0 || start > last)
        start = 0;
    *segment = -1;
    *found = 0;
    for (int fwd = start, back = start - 1; fwd <= last || back >= 0; ++fwd, --back) {
        if (fwd <= last && PLINE_PointNearSegment(tol, point, pl->pnts[fwd + 1], pl->pnts[fwd])) {
            *segment = fwd;
            *found = 1;
            return 1;
        }
        if (back >= 0 && PLINE_PointNearSegment(tol, point, pl->pnts[back + 1], pl->pnts[back])) {
            *segment = back;
            *found = 1;
            return 1;
        }
    }
    return 1;
}

int PLINE_IsOverlap(const PLINE* a, const PLINE* b, int* flag, double tol)
{
    if (!a || !b || !flag || !a->pnts || !b->pnts)
        return 0;
    *flag = 0;
    int seg = 0;
    auto allNear = [&](const PLINE* from, const PLINE* onto) {
        for (int i = 0; i < from->n; ++i) {
            int found = 0;
            PLINE_FindNearSegment(onto, from->pnts[i], &seg, &found, tol);
            if (!found)
                return false;
        }
        return true;
    };
    if (allNear(a, b) && allNear(b, a))
        *flag = 1;
    return 1;
}

int SEG2_IsFar(double tol, const double* a, const double* b, const double* point)
{
    for (int i = 0; i < 2; ++i)
        if (point[i] < std::min(a[i], b[i]) - tol || point[i] > std::max(a[i], b[i]) + tol)
            return 1;
    const double sx = b[0] - a[0], sy = b[1] - a[1];
    const double qx = point[0] - a[0], qy = point[1] - a[1];
    const double ss = sx * sx + sy * sy;
    double d;
    if (ss < 1e-20) {
        d = std::hypot(qx, qy);
    } else {
        const double g = (qx * sx + qy * sy) / ss;
        if (g <= 0.0)
            d = std::hypot(qx, qy);
        else if (g >= 1.0)
            d = std::hypot(point[0] - b[0], point[1] - b[1]);
        else
            d = std::hypot(qx - g * sx, qy - g * sy);
    }
    return d >= tol ? 1 : 0;
}

double SEG3_Distance(const double* a, const double* b, const double* point, double* param)
{
    double s[3], q[3];
    V3D_Sub(b, a, s);
    V3D_Sub(a, point, q);
    const double ss = V3D_Dot(s, s);
    double g = 0.0;
    if (ss > 1e-20)
        g = std::clamp(-V3D_Dot(q, s) / ss, 0.0, 1.0);
    if (param)
        *param = g;
    double foot[3];
    for (int i = 0; i < 3; ++i)
        foot[i] = a[i] + g * s[i];
    return dist3(foot, point);
}
