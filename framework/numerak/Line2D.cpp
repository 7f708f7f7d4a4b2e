#include "framework/numerak/Line2D.h"

#include <algorithm>
#include <cmath>

namespace {

// Parameter of p on a->b and whether it is defined.
bool Param(const double* p, const double* a, const double* b, double& t)
{
    double dx = b[0] - a[0], dy = b[1] - a[1];
    double len2 = dx * dx + dy * dy;
    if (!(len2 > 0.0) || !std::isfinite(len2))
        return false;
    t = ((p[0] - a[0]) * dx + (p[1] - a[1]) * dy) / len2;
    return std::isfinite(t);
}

}  // namespace

double L2D_GetParam(const double* p, const double* a, const double* b)
{
    double t = 0.0;
    return Param(p, a, b, t) ? t : 0.0;
}

void L2D_GetPnt(const double* a, const double* b, double t, double* out)
{
    double ax = a[0], ay = a[1], dx = b[0] - a[0], dy = b[1] - a[1];
    out[0] = ax + t * dx;
    out[1] = ay + t * dy;
}

int L2D_PrjPnt(const double* p, const double* org, const double* dir, double* out)
{
    double len2 = dir[0] * dir[0] + dir[1] * dir[1];
    if (!(len2 > 0.0) || !std::isfinite(len2) || !std::isfinite(org[0]) || !std::isfinite(org[1]))
        return 0;
    double t = ((p[0] - org[0]) * dir[0] + (p[1] - org[1]) * dir[1]) / len2;
    if (!std::isfinite(t))
        return 0;
    double ox = org[0], oy = org[1], dx = dir[0], dy = dir[1];
    out[0] = ox + t * dx;
    out[1] = oy + t * dy;
    return 1;
}

int L2D_PrjPntEx(const double* p, const double* a, const double* b, double* out)
{
    double t = 0.0;
    if (!Param(p, a, b, t))
        return 0;
    L2D_GetPnt(a, b, t, out);
    return 1;
}

double L2D_DistPntToLine(const double* p, const double* a, const double* b)
{
    double t = 0.0;
    if (!Param(p, a, b, t))
        return std::hypot(p[0] - a[0], p[1] - a[1]);
    t = std::clamp(t, 0.0, 1.0);
    double q[2];
    L2D_GetPnt(a, b, t, q);
    return std::hypot(p[0] - q[0], p[1] - q[1]);
}

double L2D_DistToPntEx(const double* p, const double* a, const double* b)
{
    double dx = b[0] - a[0], dy = b[1] - a[1];
    double len = std::hypot(dx, dy);
    if (!(len > 0.0))
        return std::hypot(p[0] - a[0], p[1] - a[1]);
    return (dx * (p[1] - a[1]) - dy * (p[0] - a[0])) / len;
}

void L2D_GetBox(const double* a, const double* b, BOX2<double>* box)
{
    if (box)
        box->Init(a, b);
}

double L3D_DistToPntEx(const double* p, const double* a, const double* b)
{
    double d[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
    double w[3] = {p[0] - a[0], p[1] - a[1], p[2] - a[2]};
    double len2 = d[0] * d[0] + d[1] * d[1] + d[2] * d[2];
    if (!(len2 > 0.0))
        return std::sqrt(w[0] * w[0] + w[1] * w[1] + w[2] * w[2]);
    // |w x d| / |d| keeps its accuracy for points far along the line.
    double cx = w[1] * d[2] - w[2] * d[1];
    double cy = w[2] * d[0] - w[0] * d[2];
    double cz = w[0] * d[1] - w[1] * d[0];
    return std::sqrt((cx * cx + cy * cy + cz * cz) / len2);
}
