#include "framework/numerak/Triangle3D.h"

#include "framework/numerak/Point3D.h"

#include <cmath>

namespace {

// Cuts the convex polygon of n (3 or 4) corners with the plane p[axis] = value; see
// TRI3_IntYPlane.
int IntAxisPlane(const double* const* corner, int n_corners, int axis, double value, double tol, double* seg)
{
    double d[4];
    int near = 0;
    for (int i = 0; i < n_corners; ++i) {
        d[i] = corner[i][axis] - value;
        if (std::fabs(d[i]) <= tol) ++near;
    }
    if (near == n_corners) return 3;
    // Exact crossings with a half-open rule (a corner on the plane counts as below): an
    // edge shared by two triangles is crossed by exactly one of them, and the points
    // are where the edges really cross, however flat they run to the plane.
    int n = 0;
    for (int i = 0; i < n_corners && n < 2; ++i) {
        int j = (i + 1) % n_corners;
        if ((d[i] > 0.0) == (d[j] > 0.0)) continue;
        double t = d[i] / (d[i] - d[j]);
        P3D_Lerp(corner[i], corner[j], t, seg + 3 * n);
        seg[3 * n + axis] = value;
        ++n;
    }
    if (n == 2) {
        double gap[3];
        V3D_Sub(seg, seg + 3, gap);
        if (V3D_Len(gap) > tol) return 2;
    }
    return near > 0 ? 1 : 0;
}

}  // namespace

int TRI3_IntYPlane(const double* a, const double* b, const double* c, double y0, double tol, double* seg)
{
    const double* corner[3] = {a, b, c};
    return IntAxisPlane(corner, 3, 1, y0, tol, seg);
}

int TRI3_IntXPlane(const double* a, const double* b, const double* c, double x0, double tol, double* seg)
{
    const double* corner[3] = {a, b, c};
    return IntAxisPlane(corner, 3, 0, x0, tol, seg);
}

int QUAD3_IntXPlane(const double* a, const double* b, const double* c, const double* d, double x0, double tol,
                    double* seg)
{
    const double* corner[4] = {a, b, c, d};
    return IntAxisPlane(corner, 4, 0, x0, tol, seg);
}

int TRI3_IntSegment(const double* a, const double* b, const double* c, const double* s, const double* e,
                    double tol, double* out)
{
    // Möller–Trumbore with the segment as ray of parameter range [0, 1].
    double dir[3], e1[3], e2[3], pv[3], tv[3], qv[3];
    V3D_Sub(e, s, dir);
    V3D_Sub(b, a, e1);
    V3D_Sub(c, a, e2);
    V3D_Cross(dir, e2, pv);
    double det = V3D_Dot(e1, pv);
    // Scale-free parallel test: the determinant against the sizes it is made of.
    double scale = V3D_Len(dir) * V3D_Len(e1) * V3D_Len(e2);
    if (!(scale > 0.0) || std::fabs(det) <= 1e-12 * scale) return 0;
    V3D_Sub(s, a, tv);
    double u = V3D_Dot(tv, pv) / det;
    if (u < -tol || u > 1.0 + tol) return 0;
    V3D_Cross(tv, e1, qv);
    double v = V3D_Dot(dir, qv) / det;
    if (v < -tol || u + v > 1.0 + tol) return 0;
    double t = V3D_Dot(e2, qv) / det;
    if (t < -tol || t > 1.0 + tol) return 0;
    P3D_Lerp(s, e, t, out);
    return 1;
}

int TRI3_IntZRay(const double* a, const double* b, const double* c, const double* p, double tol, double* z)
{
    const double e1x = b[0] - a[0], e1y = b[1] - a[1], e2x = c[0] - a[0], e2y = c[1] - a[1];
    const double det = e1x * e2y - e1y * e2x;
    // Scale-free: the projected area against the edge lengths it is made of.
    const double scale = std::hypot(e1x, e1y) * std::hypot(e2x, e2y);
    if (!(scale > 0.0) || std::fabs(det) <= 1e-12 * scale) return 0;
    const double px = p[0] - a[0], py = p[1] - a[1];
    const double u = (px * e2y - py * e2x) / det;
    const double v = (e1x * py - e1y * px) / det;
    if (u < -tol || v < -tol || u + v > 1.0 + tol) return 0;
    *z = a[2] + u * (b[2] - a[2]) + v * (c[2] - a[2]);
    return 1;
}

void V3D_Rotate(const double* dir, const double* /*c*/, double angle, const double* v, double* out)
{
    // A vector turns like a point about a parallel axis through the origin.
    const double origin[3] = {0.0, 0.0, 0.0};
    P3D_RotatePnt(dir, origin, angle, v, out);
}
