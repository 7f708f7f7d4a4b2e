#include "framework/numerak/PointString.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <utility>

#include "framework/numerak/Point2D.h"

namespace {

bool Finite2(const double* p) { return std::isfinite(p[0]) && std::isfinite(p[1]); }

// Liang-Barsky: does the segment a-b meet the closed box?
bool SegmentMeetsBox(const double* a, const double* b, const BOX2<double>& box)
{
    double t0 = 0.0, t1 = 1.0;
    const double dx = b[0] - a[0], dy = b[1] - a[1];
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {a[0] - box.xmin, box.xmax - a[0], a[1] - box.ymin, box.ymax - a[1]};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0.0) {
            if (q[i] < 0.0)
                return false;  // parallel to this side and outside it
            continue;
        }
        double r = q[i] / p[i];
        if (p[i] < 0.0)
            t0 = std::max(t0, r);
        else
            t1 = std::min(t1, r);
        if (t0 > t1)
            return false;
    }
    return true;
}

}  // namespace

double SP2D_EvArea(const double* pts, int n)
{
    if (!pts || n < 3)
        return 0.0;
    // Shoelace relative to the first point keeps the products small far from the origin.
    const double ox = pts[0], oy = pts[1];
    double sum = 0.0;
    for (int i = 1; i + 1 < n; ++i) {
        double x1 = pts[2 * i] - ox, y1 = pts[2 * i + 1] - oy;
        double x2 = pts[2 * i + 2] - ox, y2 = pts[2 * i + 3] - oy;
        sum += x1 * y2 - x2 * y1;
    }
    double area = 0.5 * sum;
    return std::isfinite(area) ? area : 0.0;
}

int SP2D_Orient(const double* pts, int n)
{
    double area = SP2D_EvArea(pts, n);
    return area > 0.0 ? 1 : (area < 0.0 ? -1 : 0);
}

void SP2D_Reverse(double* pts, int n)
{
    if (!pts || n < 2)
        return;
    for (int i = 0, j = n - 1; i < j; ++i, --j)
        P2D_Swap(pts + 2 * i, pts + 2 * j);
}

int SP2D_PrjPnt(const double* pts, int n, const double* p, double* out, double& t, int& seg)
{
    if (!pts || !p || n < 2 || !Finite2(p))
        return 0;
    double best = 0.0, bestT = 0.0, bx = 0.0, by = 0.0;
    int bestSeg = 0;
    for (int k = 1; k < n; ++k) {
        const double* a = pts + 2 * (k - 1);
        const double* b = pts + 2 * k;
        if (!Finite2(a) || !Finite2(b))
            continue;
        double dx = b[0] - a[0], dy = b[1] - a[1];
        double len2 = dx * dx + dy * dy;
        double u = 0.0;
        if (len2 > 0.0)
            u = std::clamp(((p[0] - a[0]) * dx + (p[1] - a[1]) * dy) / len2, 0.0, 1.0);
        double qx = a[0] + u * dx, qy = a[1] + u * dy;
        double d = std::hypot(p[0] - qx, p[1] - qy);
        if (bestSeg == 0 || d < best) {
            best = d;
            bestT = u;
            bestSeg = k;
            bx = qx;
            by = qy;
        }
    }
    if (bestSeg == 0)
        return 0;
    out[0] = bx;
    out[1] = by;
    t = bestT;
    seg = bestSeg;
    return 1;
}

int SP2D_Pick3d(const double* pts, int n, const double* p0, const double* p1, double aperture,
                double* a, double* b, int* seg)
{
    if (!pts || !p0 || !p1 || n < 2)
        return 0;
    double dir[3] = {p1[0] - p0[0], p1[1] - p0[1], p1[2] - p0[2]};
    double len = std::sqrt(dir[0] * dir[0] + dir[1] * dir[1] + dir[2] * dir[2]);
    if (!(len > 0.0) || !std::isfinite(len) || !std::isfinite(p0[0]) || !std::isfinite(p0[1]) ||
        !std::isfinite(p0[2]))
        return 0;
    for (double& c : dir)
        c /= len;
    // Perpendicular part of a vector with respect to the ray.
    auto perp = [&dir](const double* v, double* out) {
        double s = v[0] * dir[0] + v[1] * dir[1] + v[2] * dir[2];
        for (int i = 0; i < 3; ++i)
            out[i] = v[i] - s * dir[i];
    };
    bool hit = false;
    double bestS = 0.0, bestU = 0.0;
    int bestSeg = 0;
    for (int k = 1; k < n; ++k) {
        const double* A = pts + 2 * (k - 1);
        const double* B = pts + 2 * k;
        if (!Finite2(A) || !Finite2(B))
            continue;
        const double w[3] = {A[0] - p0[0], A[1] - p0[1], -p0[2]};
        const double e[3] = {B[0] - A[0], B[1] - A[1], 0.0};
        double wp[3], ep[3];
        perp(w, wp);
        perp(e, ep);
        // The squared distance of A + u e from the ray line is convex in u: minimise on [0, 1].
        double ee = ep[0] * ep[0] + ep[1] * ep[1] + ep[2] * ep[2];
        double u = 0.0;
        if (ee > 0.0)
            u = std::clamp(-(wp[0] * ep[0] + wp[1] * ep[1] + wp[2] * ep[2]) / ee, 0.0, 1.0);
        double r[3] = {wp[0] + u * ep[0], wp[1] + u * ep[1], wp[2] + u * ep[2]};
        double d = std::sqrt(r[0] * r[0] + r[1] * r[1] + r[2] * r[2]);
        if (!(d < aperture))
            continue;
        double q[3] = {w[0] + u * e[0], w[1] + u * e[1], w[2]};
        double s = q[0] * dir[0] + q[1] * dir[1] + q[2] * dir[2];
        if (!hit || s < bestS) {
            hit = true;
            bestS = s;
            bestU = u;
            bestSeg = k;
        }
    }
    if (!hit)
        return 0;
    if (a)
        *a = bestS;
    if (b)
        *b = bestU;
    if (seg)
        *seg = bestSeg;
    return 1;
}

int SP2D_PickBox(const double* pts, int n, const _rect_fm3d* frame, const BOX2<double>* box)
{
    if (!pts || !box || n < 1 || !box->IsValid())
        return 0;
    auto mapped = [&](int i, double* q) {
        const double w[3] = {pts[2 * i], pts[2 * i + 1], 0.0};
        if (frame) {
            double l[3];
            RF_TransWorldP3D(frame, w, l);
            q[0] = l[0];
            q[1] = l[1];
        } else {
            q[0] = w[0];
            q[1] = w[1];
        }
    };
    double prev[2], cur[2];
    mapped(0, prev);
    if (Finite2(prev) && P2D_IsInBox2D(box, prev, 0.0) == 0)
        return 1;
    for (int i = 1; i < n; ++i) {
        mapped(i, cur);
        if (Finite2(cur)) {
            if (P2D_IsInBox2D(box, cur, 0.0) == 0)
                return 1;
            if (Finite2(prev) && SegmentMeetsBox(prev, cur, *box))
                return 1;
        }
        prev[0] = cur[0];
        prev[1] = cur[1];
    }
    return 0;
}

int CStrP2D::Create(int n)
{
    m_pts.clear();
    if (n < 0)
        return 0;
    try {
        m_pts.assign(static_cast<size_t>(n), tagPoint2d{0.0, 0.0});
    } catch (const std::bad_alloc&) {
        m_pts.clear();
        return 0;
    }
    return 1;
}

void CStrP2D::Clear()
{
    m_pts.clear();
    m_pts.shrink_to_fit();
}
