// Small 3D point and vector operations shared by the 3D shape classes. Points and
// vectors are arrays of three doubles; an output may be the same array as an input.
#pragma once

#include <cmath>

namespace ge3d {

inline void Copy(const double* a, double* out)
{
    out[0] = a[0];
    out[1] = a[1];
    out[2] = a[2];
}
inline void Set(double* out, double x, double y, double z)
{
    out[0] = x;
    out[1] = y;
    out[2] = z;
}
inline void Sub(const double* a, const double* b, double* out)
{
    Set(out, a[0] - b[0], a[1] - b[1], a[2] - b[2]);
}
inline void Add(const double* a, const double* b, double* out)
{
    Set(out, a[0] + b[0], a[1] + b[1], a[2] + b[2]);
}
inline double Dot(const double* a, const double* b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
inline void Cross(const double* a, const double* b, double* out)
{
    const double x = a[1] * b[2] - a[2] * b[1];
    const double y = a[2] * b[0] - a[0] * b[2];
    const double z = a[0] * b[1] - a[1] * b[0];
    Set(out, x, y, z);
}
inline double Length(const double* v) { return std::sqrt(Dot(v, v)); }
inline double Dist(const double* a, const double* b)
{
    const double d[3] = {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
    return Length(d);
}
inline double Dist2D(const double* a, const double* b) { return std::hypot(a[0] - b[0], a[1] - b[1]); }
// out = a + t·(b - a).
inline void Lerp(const double* a, const double* b, double t, double* out)
{
    Set(out, a[0] + t * (b[0] - a[0]), a[1] + t * (b[1] - a[1]), a[2] + t * (b[2] - a[2]));
}
// Normalises v in place; false (v unchanged) when shorter than tol or not finite.
inline bool Unit(double* v, double tol)
{
    const double len = Length(v);
    if (!(len >= tol) || !std::isfinite(len) || len == 0.0) return false;
    v[0] /= len;
    v[1] /= len;
    v[2] /= len;
    return true;
}
// out = unit(b - a); false (out untouched) when |b - a| < tol.
inline bool GenUnit(const double* a, const double* b, double tol, double* out)
{
    double d[3];
    Sub(b, a, d);
    if (!Unit(d, tol)) return false;
    Copy(d, out);
    return true;
}

// Axes shorter than this leave the point transforms below without effect.
inline constexpr double kAxisTol = 1e-12;

// The frame of a point transform about an axis through c along dir: the unit
// axis k and the offset v = p - c; false, with neither of use, when the axis is zero.
inline bool AxisFrame(const double* dir, const double* c, const double* p, double* k, double* v)
{
    Copy(dir, k);
    if (!Unit(k, kAxisTol)) return false;
    Sub(p, c, v);
    return true;
}

// Rotation of p by angle (radians, right-handed) about the axis through c along dir.
// A zero axis leaves the point where it is.
inline void RotatePnt(const double* dir, const double* c, double angle, const double* p, double* out)
{
    double k[3], v[3];
    if (!AxisFrame(dir, c, p, k, v)) {
        Copy(p, out);
        return;
    }
    double kxv[3];
    Cross(k, v, kxv);
    const double ca = std::cos(angle), sa = std::sin(angle);
    const double kv = Dot(k, v) * (1.0 - ca);
    for (int i = 0; i < 3; ++i) out[i] = c[i] + v[i] * ca + kxv[i] * sa + k[i] * kv;
}
// Mirror image of p in the plane through c with normal n (unit or not).
inline void MirrorPnt(const double* c, const double* n, const double* p, double* out)
{
    const double nn = Dot(n, n);
    if (!(nn > 0.0) || !std::isfinite(nn)) {
        Copy(p, out);
        return;
    }
    double v[3];
    Sub(p, c, v);
    const double s = 2.0 * Dot(v, n) / nn;
    Set(out, p[0] - s * n[0], p[1] - s * n[1], p[2] - s * n[2]);
}
// Mirror image of a direction in a plane with normal n.
inline void MirrorVec(const double* n, const double* v, double* out)
{
    const double zero[3] = {0.0, 0.0, 0.0};
    MirrorPnt(zero, n, v, out);
}
// Twist about the axis through c along dir: p turns about the axis by angle·h, h its
// signed distance along the unit axis from c.
inline void TwistPnt(const double* dir, const double* c, double angle, const double* p, double* out)
{
    double k[3], v[3];
    if (!AxisFrame(dir, c, p, k, v)) {
        Copy(p, out);
        return;
    }
    RotatePnt(k, c, angle * Dot(v, k), p, out);
}
// Taper along the axis through c along dir: the offset from the axis is scaled by
// 1 + h·tan(angle), h as for the twist.
inline void TaperPnt(const double* dir, const double* c, double angle, const double* p, double* out)
{
    double k[3], v[3];
    if (!AxisFrame(dir, c, p, k, v)) {
        Copy(p, out);
        return;
    }
    const double h = Dot(v, k);
    const double s = 1.0 + h * std::tan(angle);
    for (int i = 0; i < 3; ++i) {
        const double foot = c[i] + h * k[i];
        out[i] = foot + (p[i] - foot) * s;
    }
}
// 3D shear: p slides along dir in proportion to its signed distance from the plane
// through c with normal n.
inline void ShearPnt(const double* c, const double* dir, const double* n, const double* p, double* out)
{
    double u[3], v[3];
    if (!AxisFrame(n, c, p, u, v)) {
        Copy(p, out);
        return;
    }
    const double h = Dot(v, u);
    Set(out, p[0] + dir[0] * h, p[1] + dir[1] * h, p[2] + dir[2] * h);
}
// Row-vector product with a 4x4 matrix whose fourth row is the translation:
// (x', y', z') = (x, y, z, 1) · m.
inline void Mat44MultPt(const double* p, double* out, const double (*m)[4])
{
    const double x = p[0], y = p[1], z = p[2];
    for (int j = 0; j < 3; ++j) out[j] = x * m[0][j] + y * m[1][j] + z * m[2][j] + m[3][j];
}
inline void Mat44MultVec(const double* v, double* out, const double (*m)[4])
{
    const double x = v[0], y = v[1], z = v[2];
    for (int j = 0; j < 3; ++j) out[j] = x * m[0][j] + y * m[1][j] + z * m[2][j];
}
// Distance from p to the infinite line through a and b; |p - a| when a and b coincide.
inline double DistToLine(const double* p, const double* a, const double* b)
{
    double d[3], v[3], c[3];
    Sub(b, a, d);
    Sub(p, a, v);
    const double dd = Dot(d, d);
    if (!(dd > 0.0)) return Length(v);
    Cross(d, v, c);
    return Length(c) / std::sqrt(dd);
}
// Unsigned angle between a and b in [0, pi]; 0 when either is shorter than tol.
inline double Angle(const double* a, const double* b, double tol)
{
    const double la = Length(a), lb = Length(b);
    if (la < tol || lb < tol) return 0.0;
    double c = Dot(a, b) / (la * lb);
    c = c > 1.0 ? 1.0 : (c < -1.0 ? -1.0 : c);
    return std::acos(c);
}

}  // namespace ge3d
