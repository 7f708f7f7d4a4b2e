#include "framework/numerak/Point3D.h"

#include <utility>

namespace {

constexpr double kPi = 3.14159265358979323846;
// Axes shorter than this leave the point transforms without effect.
constexpr double kAxisTol = 1e-12;

// The unit axis k and the offset v = p - c of a transform about an axis through c
// along dir; false when the axis is zero.
bool AxisFrame(const double* dir, const double* c, const double* p, double* k, double* v)
{
    P3D_Copy(dir, k);
    if (!V3D_Unit(k, kAxisTol)) return false;
    V3D_Sub(p, c, v);
    return true;
}

}  // namespace

void P3D_Swap(double* a, double* b)
{
    for (int i = 0; i < 3; ++i) std::swap(a[i], b[i]);
}

int V3D_GenUnit(const double* a, const double* b, double tol, double* out)
{
    double d[3];
    V3D_Sub(b, a, d);
    if (!V3D_Unit(d, tol)) return 0;
    P3D_Copy(d, out);
    return 1;
}

int V3D_VProductUnit(const double* a, const double* b, double* out)
{
    double c[3];
    V3D_Cross(a, b, c);
    if (!V3D_Unit(c, kAxisTol)) return 0;
    P3D_Copy(c, out);
    return 1;
}

int V3D_IsParallel(const double* a, const double* b, double tol)
{
    const double la = V3D_Len(a), lb = V3D_Len(b);
    if (!(la >= kAxisTol) || !(lb >= kAxisTol)) return 1;
    double c[3];
    V3D_Cross(a, b, c);
    return V3D_Len(c) / (la * lb) <= tol ? 1 : 0;
}

int V3D_GetXYFromZ(const double* z, double* x, double* y)
{
    double k[3];
    P3D_Copy(z, k);
    if (!V3D_Unit(k, kAxisTol)) return 0;
    // The world axis least aligned with z gives a well-conditioned perpendicular.
    int axis = 0;
    for (int i = 1; i < 3; ++i)
        if (std::fabs(k[i]) < std::fabs(k[axis])) axis = i;
    double e[3] = {0.0, 0.0, 0.0};
    e[axis] = 1.0;
    double xx[3], yy[3];
    V3D_Cross(e, k, yy);  // e x z is perpendicular to both
    V3D_Unit(yy, 0.0);
    V3D_Cross(yy, k, xx);  // Y x Z = X
    V3D_Unit(xx, 0.0);
    P3D_Copy(xx, x);
    P3D_Copy(yy, y);
    return 1;
}

double V3D_GetRotAngleXY(const double* x, const double* y, const double* v)
{
    const double a = std::atan2(V3D_Dot(v, y), V3D_Dot(v, x));
    if (!std::isfinite(a)) return 0.0;
    return a < 0.0 ? a + 2.0 * kPi : a;
}

void V3D_Mirror(const double* n, const double* v, double* out)
{
    static constexpr double kOrigin[3] = {0.0, 0.0, 0.0};
    P3D_Mirror(kOrigin, n, v, out);
}

void P3D_RotatePnt(const double* dir, const double* c, double angle, const double* p, double* out)
{
    double k[3], v[3];
    if (!AxisFrame(dir, c, p, k, v)) {
        P3D_Copy(p, out);
        return;
    }
    double kxv[3];
    V3D_Cross(k, v, kxv);
    const double ca = std::cos(angle), sa = std::sin(angle);
    const double kv = V3D_Dot(k, v) * (1.0 - ca);
    // c may alias out: read it before writing.
    const double cc[3] = {c[0], c[1], c[2]};
    for (int i = 0; i < 3; ++i) out[i] = cc[i] + v[i] * ca + kxv[i] * sa + k[i] * kv;
}

void P3D_TwistPnt(const double* dir, const double* c, double angle, const double* p, double* out)
{
    double k[3], v[3];
    if (!AxisFrame(dir, c, p, k, v)) {
        P3D_Copy(p, out);
        return;
    }
    P3D_RotatePnt(k, c, angle * V3D_Dot(v, k), p, out);
}

void P3D_TaperPnt(const double* dir, const double* c, double angle, const double* p, double* out)
{
    double k[3], v[3];
    if (!AxisFrame(dir, c, p, k, v)) {
        P3D_Copy(p, out);
        return;
    }
    const double h = V3D_Dot(v, k);
    const double s = 1.0 + h * std::tan(angle);
    double q[3];
    for (int i = 0; i < 3; ++i) {
        const double foot = c[i] + h * k[i];
        q[i] = foot + (p[i] - foot) * s;
    }
    P3D_Copy(q, out);
}

void P3D_Mirror(const double* c, const double* n, const double* p, double* out)
{
    const double nn = V3D_Dot(n, n);
    if (!(nn > 0.0) || !std::isfinite(nn)) {
        P3D_Copy(p, out);
        return;
    }
    double v[3];
    V3D_Sub(p, c, v);
    const double s = 2.0 * V3D_Dot(v, n) / nn;
    P3D_Set(out, p[0] - s * n[0], p[1] - s * n[1], p[2] - s * n[2]);
}

void P3D_Shear(const double* c, const double* dir, const double* n, const double* p, double* out)
{
    double u[3], v[3];
    if (!AxisFrame(n, c, p, u, v)) {
        P3D_Copy(p, out);
        return;
    }
    const double h = V3D_Dot(v, u);
    P3D_Set(out, p[0] + dir[0] * h, p[1] + dir[1] * h, p[2] + dir[2] * h);
}

double V3D_GetAngleUnit(const double* a, const double* b)
{
    double c[3];
    V3D_Cross(a, b, c);
    return std::atan2(V3D_Len(c), V3D_Dot(a, b));
}

double V3D_MProduct(const double* a, const double* b, const double* c)
{
    double ab[3];
    V3D_Cross(a, b, ab);
    return V3D_Dot(ab, c);
}

int V3D_ChkAng(const double* a, const double* b, double tol, int mode)
{
    const double la = V3D_Len(a), lb = V3D_Len(b);
    if (!(la > 1e-20) || !(lb > 1e-20))
        return 0;
    double c[3];
    V3D_Cross(a, b, c);
    const double angle = std::atan2(V3D_Len(c), V3D_Dot(a, b));
    const double target = mode == 1 ? std::acos(-1.0) : 0.0;
    return std::fabs(angle - target) <= tol ? 1 : 0;
}

void V3D_RotVecXY(const double* x, const double* y, double a, double* out)
{
    const double c = std::cos(a), s = std::sin(a);
    P3D_Set(out, c * x[0] + s * y[0], c * x[1] + s * y[1], c * x[2] + s * y[2]);
}
