// Surfaces made from curves: extrusion and exact revolution.
#include "framework/numerak/Bsrf.h"
#include "framework/numerak/Point3D.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

int BSRF_GenExtrude(const BCRV* c, const double* direction, double length, _nurbs_surface** out)
{
    if (!BCRV_IsValid(c) || direction == nullptr || out == nullptr || !std::isfinite(length))
        return 0;
    double d[3] = {direction[0], direction[1], direction[2]};
    if (!V3D_Unit(d, 1e-300))
        return 0;
    _nurbs_surface* s = BSRF_Create(c->k, c->n, 2, 2);
    if (s == nullptr)
        return 0;
    std::memcpy(s->U, c->U, sizeof(double) * static_cast<size_t>(c->n + c->k));
    for (int i = 0; i < c->n; ++i) {
        const double w = c->P[i][3];
        for (int e = 0; e < 4; ++e)
            s->P[i][0][e] = s->P[i][1][e] = c->P[i][e];
        for (int e = 0; e < 3; ++e)
            s->P[i][1][e] += w * length * d[e];
    }
    *out = s;
    return 1;
}

int BSRF_GenRevolve(const double* axisPoint, const double* axisDir, const BCRV* profile, double angle,
                    _nurbs_surface** out)
{
    constexpr double kPi = std::numbers::pi;
    if (!BCRV_IsValid(profile) || axisPoint == nullptr || axisDir == nullptr || out == nullptr ||
        !(angle > 0.0) || !(angle <= 2.0 * kPi))
        return 0;
    double z[3] = {axisDir[0], axisDir[1], axisDir[2]};
    if (!V3D_Unit(z, 1e-300))
        return 0;
    const int arcs = std::max(1, static_cast<int>(std::ceil(angle / (0.5 * kPi) - 1e-12)));
    const double step = angle / arcs;
    const double wm = std::cos(0.5 * step);
    const int nu = 2 * arcs + 1;
    _nurbs_surface* s = BSRF_Create(3, nu, profile->k, profile->n);
    if (s == nullptr)
        return 0;
    std::memcpy(s->V, profile->U, sizeof(double) * static_cast<size_t>(profile->n + profile->k));
    for (int i = 0; i < 3; ++i) {
        s->U[i] = 0.0;
        s->U[nu + i] = 1.0;
    }
    for (int a = 1; a < arcs; ++a)
        s->U[1 + 2 * a] = s->U[2 + 2 * a] = static_cast<double>(a) / arcs;
    const bool full = angle >= 2.0 * kPi - 1e-15;
    for (int j = 0; j < profile->n; ++j) {
        const double w = profile->P[j][3];
        const double p[3] = {profile->P[j][0] / w, profile->P[j][1] / w, profile->P[j][2] / w};
        double rel[3];
        V3D_Sub(p, axisPoint, rel);
        const double h = V3D_Dot(rel, z);
        double o[3], x[3];
        for (int e = 0; e < 3; ++e) {
            o[e] = axisPoint[e] + h * z[e];
            x[e] = p[e] - o[e];
        }
        const double r = V3D_Len(x);
        double y[3] = {0, 0, 0};
        if (r > 0.0) {
            for (double& e : x)
                e /= r;
            V3D_Cross(z, x, y);
        }
        // Row i: the ends of the arcs at even i, the meeting points of their end
        // tangents (at distance r / cos(step / 2), weight cos(step / 2)) at odd i.
        for (int i = 0; i < nu; ++i) {
            const double t = 0.5 * i * step;
            const double rr = (i % 2) ? r / wm : r;
            const double wi = (i % 2) ? w * wm : w;
            const double c = std::cos(t), sn = std::sin(t);
            for (int e = 0; e < 3; ++e)
                s->P[i][j][e] = wi * (o[e] + rr * (c * x[e] + sn * y[e]));
            s->P[i][j][3] = wi;
        }
        if (full)
            std::memcpy(s->P[nu - 1][j], s->P[0][j], sizeof(double[4]));
    }
    *out = s;
    return 1;
}
