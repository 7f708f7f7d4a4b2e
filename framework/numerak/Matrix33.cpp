#include "framework/numerak/Matrix33.h"

#include <algorithm>
#include <cmath>

namespace {

bool Near(double a, double b, double tol) { return std::fabs(a - b) <= tol; }

bool AffineWithin(const double (*m)[3], double tol)
{
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            if (!std::isfinite(m[i][j]))
                return false;
    return Near(m[0][2], 0.0, tol) && Near(m[1][2], 0.0, tol) && Near(m[2][2], 1.0, tol);
}

// Linear part of the form [[c, s], [-s, c]] (rotation times uniform scale, row vectors).
bool IsSimilarity(const double (*m)[3], double tol)
{
    double size = std::max({std::fabs(m[0][0]), std::fabs(m[0][1]), std::fabs(m[1][0]),
                            std::fabs(m[1][1]), 1.0});
    return Near(m[0][0], m[1][1], tol * size) && Near(m[0][1], -m[1][0], tol * size);
}

double Dot3(const double* a, const double* b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

void Cross3(const double* a, const double* b, double* out)
{
    double x = a[1] * b[2] - a[2] * b[1];
    double y = a[2] * b[0] - a[0] * b[2];
    double z = a[0] * b[1] - a[1] * b[0];
    out[0] = x;
    out[1] = y;
    out[2] = z;
}

bool Unit3(double* v)
{
    double len = std::sqrt(Dot3(v, v));
    if (!(len > 0.0) || !std::isfinite(len))
        return false;
    v[0] /= len;
    v[1] /= len;
    v[2] /= len;
    return true;
}

}  // namespace

void MAT33_Unit(double (*m)[3])
{
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            m[i][j] = i == j ? 1.0 : 0.0;
}

void MAT33_GenRotZ1(double angle, double (*m)[3])
{
    const double c = std::cos(angle), s = std::sin(angle);
    MAT33_Unit(m);
    // Row vectors: (x, y)·[[c, s], [-s, c]] = (x c - y s, x s + y c).
    m[0][0] = c;
    m[0][1] = s;
    m[1][0] = -s;
    m[1][1] = c;
}

void MAT33_GenRotZ1(const double* c, double angle, double (*m)[3])
{
    const double cx = c[0], cy = c[1];
    MAT33_GenRotZ1(angle, m);
    // Translation keeps the centre fixed: t = c - c·R.
    m[2][0] = cx - (cx * m[0][0] + cy * m[1][0]);
    m[2][1] = cy - (cx * m[0][1] + cy * m[1][1]);
}

void MAT33_MultPt(const double* p, double* out, const double (*m)[3])
{
    double x = p[0], y = p[1];
    out[0] = x * m[0][0] + y * m[1][0] + m[2][0];
    out[1] = x * m[0][1] + y * m[1][1] + m[2][1];
}

int MAT33_IsUnit(const double (*m)[3], double tol)
{
    if (!AffineWithin(m, tol))
        return 0;
    return Near(m[0][0], 1.0, tol) && Near(m[1][1], 1.0, tol) && Near(m[0][1], 0.0, tol) &&
                   Near(m[1][0], 0.0, tol) && Near(m[2][0], 0.0, tol) && Near(m[2][1], 0.0, tol)
               ? 1
               : 0;
}

int MAT33_IsEqScale(const double (*m)[3], double tol)
{
    if (!AffineWithin(m, tol) || !IsSimilarity(m, tol))
        return 0;
    // A vanishing scale collapses the plane onto a point.
    double scale2 = m[0][0] * m[0][0] + m[0][1] * m[0][1];
    return scale2 > tol * tol ? 1 : 0;
}

int MAT33_IsRotate(const double (*m)[3], double tol)
{
    if (!AffineWithin(m, tol) || !IsSimilarity(m, tol))
        return 0;
    return Near(m[0][0] * m[0][0] + m[0][1] * m[0][1], 1.0, tol) ? 1 : 0;
}

int MAT33_IsTrans(const double (*m)[3], double tol)
{
    if (!AffineWithin(m, tol))
        return 0;
    return Near(m[0][0], 1.0, tol) && Near(m[1][1], 1.0, tol) && Near(m[0][1], 0.0, tol) &&
                   Near(m[1][0], 0.0, tol)
               ? 1
               : 0;
}

void RF_Init(_rect_fm3d* f)
{
    if (!f)
        return;
    *f = _rect_fm3d{{1.0, 0.0, 0.0}, {0.0, 1.0, 0.0}, {0.0, 0.0, 1.0}, {0.0, 0.0, 0.0}, 0.0};
}

int RF_Init(_rect_fm3d* f, const double* origin, const double* xAxis, const double* yAxis)
{
    if (!f)
        return 0;
    RF_Init(f);
    double x[3] = {xAxis[0], xAxis[1], xAxis[2]};
    double z[3];
    double y[3];
    if (!Unit3(x))
        return 0;
    Cross3(x, yAxis, z);
    if (!Unit3(z))
        return 0;
    Cross3(z, x, y);
    if (!Unit3(y) || !std::isfinite(origin[0]) || !std::isfinite(origin[1]) ||
        !std::isfinite(origin[2]))
        return 0;
    for (int i = 0; i < 3; ++i) {
        f->X[i] = x[i];
        f->Y[i] = y[i];
        f->Z[i] = z[i];
        f->O[i] = origin[i];
    }
    return 1;
}

void RF_TransWorldP3D(const _rect_fm3d* f, const double* p, double* out)
{
    const double d[3] = {p[0] - f->O[0], p[1] - f->O[1], p[2] - f->O[2]};
    out[0] = Dot3(d, f->X);
    out[1] = Dot3(d, f->Y);
    out[2] = Dot3(d, f->Z);
}

void RF_TransWorldV3D(const _rect_fm3d* f, const double* v, double* out)
{
    const double d[3] = {v[0], v[1], v[2]};
    out[0] = Dot3(d, f->X);
    out[1] = Dot3(d, f->Y);
    out[2] = Dot3(d, f->Z);
}

void RF_TransLocalV3D(const _rect_fm3d* f, const double* v, double* out)
{
    const double d[3] = {v[0], v[1], v[2]};
    for (int i = 0; i < 3; ++i)
        out[i] = d[0] * f->X[i] + d[1] * f->Y[i] + d[2] * f->Z[i];
}

void RF_TransLocalP3D(const _rect_fm3d* f, const double* p, double* out)
{
    RF_TransLocalV3D(f, p, out);
    for (int i = 0; i < 3; ++i)
        out[i] += f->O[i];
}
