#include "framework/numerak/Vector2D.h"

#include <cmath>
#include <utility>

#include "framework/numerak/NumerakConst.h"

namespace {

double Len3(const double* v) { return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]); }

// atan2 of the cross and dot products: accurate near 0 and pi, unlike acos of the dot.
double AngleOf(double cross, double dot) { return std::atan2(std::fabs(cross), dot); }

}  // namespace

int V2D_Unit(double* v, double tol)
{
    double len = std::hypot(v[0], v[1]);
    if (!std::isfinite(len) || !(len >= tol) || len == 0.0)
        return 0;
    v[0] /= len;
    v[1] /= len;
    return 1;
}

int V2D_GenUnit(const double* a, const double* b, double tol, double* out)
{
    double d[2] = {b[0] - a[0], b[1] - a[1]};
    if (!V2D_Unit(d, tol))
        return 0;
    out[0] = d[0];
    out[1] = d[1];
    return 1;
}

void V2D_Perp(const double* v, double* out)
{
    double x = v[0];
    out[0] = -v[1];
    out[1] = x;
}

void V2D_Rot(double angle, const double* v, double* out)
{
    double c = std::cos(angle), s = std::sin(angle);
    double x = v[0], y = v[1];
    out[0] = x * c - y * s;
    out[1] = x * s + y * c;
}

void V2D_XProduct(const double* a, const double* b, const double* c, double* out)
{
    double k = a[0] * b[1] - a[1] * b[0];
    double cx = c[0], cy = c[1];
    out[0] = -k * cy;
    out[1] = k * cx;
}

double V2D_AngletoX(const double* v)
{
    if (!std::isfinite(v[0]) || !std::isfinite(v[1]))
        return 0.0;
    double a = std::atan2(v[1], v[0]);
    if (a < 0.0)
        a += numerak::k2Pi;
    // -tiny + 2 pi rounds to 2 pi, which lies outside [0, 2 pi).
    if (a >= numerak::k2Pi)
        a = 0.0;
    return a;
}

double V2D_GetAngle(const double* a, const double* b, double tol)
{
    double la = std::hypot(a[0], a[1]), lb = std::hypot(b[0], b[1]);
    if (!std::isfinite(la) || !std::isfinite(lb) || !(la >= tol) || !(lb >= tol) || la == 0.0 ||
        lb == 0.0)
        return 0.0;
    return AngleOf(a[0] * b[1] - a[1] * b[0], a[0] * b[0] + a[1] * b[1]);
}

double V2D_GetAngleUnit(const double* a, const double* b)
{
    double dot = a[0] * b[0] + a[1] * b[1];
    if (std::isnan(dot))
        return 0.0;
    if (dot >= 1.0)
        return 0.0;
    if (dot <= -1.0)
        return numerak::kPi;
    return std::acos(dot);
}

int V3D_Unit(double* v, double tol)
{
    double len = Len3(v);
    if (!std::isfinite(len) || !(len >= tol) || len == 0.0)
        return 0;
    v[0] /= len;
    v[1] /= len;
    v[2] /= len;
    return 1;
}

double V3D_GetAngle(const double* a, const double* b, double tol)
{
    double la = Len3(a), lb = Len3(b);
    if (!std::isfinite(la) || !std::isfinite(lb) || !(la >= tol) || !(lb >= tol) || la == 0.0 ||
        lb == 0.0)
        return 0.0;
    double cx = a[1] * b[2] - a[2] * b[1];
    double cy = a[2] * b[0] - a[0] * b[2];
    double cz = a[0] * b[1] - a[1] * b[0];
    double dot = a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
    return std::atan2(std::sqrt(cx * cx + cy * cy + cz * cz), dot);
}

void V3D_Swap(double* a, double* b)
{
    for (int i = 0; i < 3; ++i) std::swap(a[i], b[i]);
}

int VEC_Normalize(double* v, int n)
{
    double s = 0.0;
    for (int i = 0; i < n; ++i) s += v[i] * v[i];
    const double len = std::sqrt(s);
    if (!std::isfinite(len) || len == 0.0) return 0;
    for (int i = 0; i < n; ++i) v[i] /= len;
    return 1;
}

double VEC_AbsDist(const double* a, const double* b, int n)
{
    double d = 0.0;
    for (int i = 0; i < n; ++i) {
        const double e = std::fabs(a[i] - b[i]);
        if (std::isnan(e)) return e;
        if (e > d) d = e;
    }
    return d;
}
