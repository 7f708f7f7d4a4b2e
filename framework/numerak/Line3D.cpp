#include "framework/numerak/Line3D.h"

#include "framework/numerak/Point3D.h"

#include <cmath>

namespace {

bool Finite3(const double* p) { return std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]); }

}  // namespace

void L3D_GetPnt(const double* a, const double* dir, double t, double* out)
{
    P3D_Set(out, a[0] + t * dir[0], a[1] + t * dir[1], a[2] + t * dir[2]);
}

int L3D_PrjPnt(const double* p, const double* org, const double* dir, double* out)
{
    const double dd = V3D_Dot(dir, dir);
    if (!(dd > 0.0) || !std::isfinite(dd) || !Finite3(p) || !Finite3(org)) return 0;
    double v[3];
    V3D_Sub(p, org, v);
    L3D_GetPnt(org, dir, V3D_Dot(v, dir) / dd, out);
    return 1;
}

int L3D_PrjPntEx(const double* p, const double* a, const double* b, double* out)
{
    double d[3];
    V3D_Sub(b, a, d);
    return L3D_PrjPnt(p, a, d, out);
}

double L3D_GetParam(const double* p, const double* a, const double* b)
{
    double d[3], v[3];
    V3D_Sub(b, a, d);
    V3D_Sub(p, a, v);
    const double dd = V3D_Dot(d, d);
    if (!(dd > 0.0) || !std::isfinite(dd) || !Finite3(v)) return 0.0;
    return V3D_Dot(v, d) / dd;
}

int Isect3_LineLine(const double* p1, const double* d1, const double* p2, const double* d2, double tolDist,
                    double tolAngle, double* out)
{
    double u[3], v[3];
    P3D_Copy(d1, u);
    P3D_Copy(d2, v);
    if (!V3D_Unit(u, 1e-12) || !V3D_Unit(v, 1e-12) || !Finite3(p1) || !Finite3(p2)) return 0;
    double w[3];
    V3D_Sub(p1, p2, w);
    double n[3];
    V3D_Cross(u, v, n);
    const double sin2 = V3D_Dot(n, n);
    if (std::sqrt(sin2) <= tolAngle) {
        // Parallel: the distance of p2 from the first line decides.
        double c[3];
        V3D_Cross(w, u, c);
        return V3D_Len(c) <= tolDist ? 2 : 0;
    }
    // Closest points p1 + s·u and p2 + t·v (unit directions, so a = c = 1).
    const double b = V3D_Dot(u, v), d = V3D_Dot(u, w), e = V3D_Dot(v, w);
    const double s = (b * e - d) / sin2;
    const double t = (e - b * d) / sin2;
    double q1[3], q2[3];
    L3D_GetPnt(p1, u, s, q1);
    L3D_GetPnt(p2, v, t, q2);
    if (!(P3D_Dist(q1, q2) <= tolDist)) return 0;
    P3D_Lerp(q1, q2, 0.5, out);
    return 1;
}

int L3D_PrjPntEx2(const double* p, const double* a, const double* b, double* foot, double* param)
{
    double d[3], v[3];
    V3D_Sub(b, a, d);
    V3D_Sub(p, a, v);
    const double dd = V3D_Dot(d, d);
    if (!(dd > 0.0) || !std::isfinite(dd) || !Finite3(v)) return 0;
    const double t = V3D_Dot(v, d) / dd;
    L3D_GetPnt(a, d, t, foot);
    *param = t;
    return 1;
}

int Isect3_LineLineEx2(const double* a0, const double* a1, const double* b0, const double* b1, double tolDist,
                       double tolAngle, double* onA, double* onB, double* sA, double* sB)
{
    double u[3], v[3], w[3];
    V3D_Sub(a1, a0, u);
    V3D_Sub(b1, b0, v);
    V3D_Sub(a0, b0, w);
    const double a = V3D_Dot(u, u), c = V3D_Dot(v, v);
    if (!(a > 0.0) || !(c > 0.0) || !std::isfinite(a) || !std::isfinite(c) || !Finite3(w)) return 0;
    const double b = V3D_Dot(u, v), d = V3D_Dot(u, w), e = V3D_Dot(v, w);
    double n[3];
    V3D_Cross(u, v, n);
    // |u × v| / (|u| |v|) is the sine of the angle, free of the cancellation in a·c - b².
    if (std::sqrt(V3D_Dot(n, n) / (a * c)) <= tolAngle) {
        double q[3];
        V3D_Cross(w, u, q);
        return V3D_Len(q) <= tolDist * std::sqrt(a) ? 2 : 0;
    }
    const double den = V3D_Dot(n, n);
    const double s = (b * e - c * d) / den, t = (a * e - b * d) / den;
    double p[3], q[3];
    L3D_GetPnt(a0, u, s, p);
    L3D_GetPnt(b0, v, t, q);
    if (!(P3D_Dist(p, q) <= tolDist)) return 0;
    P3D_Copy(p, onA);
    P3D_Copy(q, onB);
    *sA = s;
    *sB = t;
    return 1;
}
