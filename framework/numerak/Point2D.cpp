#include "framework/numerak/Point2D.h"
#include "framework/numerak/Vector2D.h"

#include <cmath>
#include <utility>

namespace {

bool Finite2(const double* p) { return std::isfinite(p[0]) && std::isfinite(p[1]); }

double Dist2(const double* a, const double* b) { return std::hypot(a[0] - b[0], a[1] - b[1]); }

// Distance of q from the line through a and b (a != b).
double LineDist(const double* a, const double* b, const double* q)
{
    double dx = b[0] - a[0], dy = b[1] - a[1];
    return std::fabs(dx * (q[1] - a[1]) - dy * (q[0] - a[0])) / std::hypot(dx, dy);
}

}  // namespace

double P2D_Dist(const double* a, const double* b) { return Dist2(a, b); }

float P2F_Dist(const float* a, const float* b) { return std::hypot(a[0] - b[0], a[1] - b[1]); }

double P3D_Dist(const double* a, const double* b)
{
    double dx = a[0] - b[0], dy = a[1] - b[1], dz = a[2] - b[2];
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

double P2D_AbsDist(const double* a, const double* b) { return VEC_AbsDist(a, b, 2); }

double P3D_AbsDist(const double* a, const double* b) { return VEC_AbsDist(a, b, 3); }

double _DistOf(const double* a, const double* b, int dim)
{
    double s = 0.0;
    for (int i = 0; i < dim; ++i)
        s += (a[i] - b[i]) * (a[i] - b[i]);
    return std::sqrt(s);
}

void P2D_Rot(const double* c, double cosA, double sinA, const double* p, double* out)
{
    double dx = p[0] - c[0], dy = p[1] - c[1];
    double cx = c[0], cy = c[1];  // c may alias out
    out[0] = cx + dx * cosA - dy * sinA;
    out[1] = cy + dx * sinA + dy * cosA;
}

void P2D_Rot(const double* c, double angle, const double* p, double* out)
{
    P2D_Rot(c, std::cos(angle), std::sin(angle), p, out);
}

void P2D_Rot(const double* c, double cosA, double sinA, int n, double* pts)
{
    const double centre[2] = {c[0], c[1]};
    for (int i = 0; i < n; ++i)
        P2D_Rot(centre, cosA, sinA, pts + 2 * i, pts + 2 * i);
}

int P2D_Mirr(const double* a, const double* b, const double* p, double* out)
{
    double dx = b[0] - a[0], dy = b[1] - a[1];
    double len2 = dx * dx + dy * dy;
    if (!(len2 > 0.0) || !std::isfinite(len2) || !Finite2(p) || !Finite2(a)) {
        out[0] = p[0];
        out[1] = p[1];
        return 0;
    }
    double t = ((p[0] - a[0]) * dx + (p[1] - a[1]) * dy) / len2;
    double fx = a[0] + t * dx, fy = a[1] + t * dy;
    double px = p[0], py = p[1];
    out[0] = 2.0 * fx - px;
    out[1] = 2.0 * fy - py;
    return 1;
}

void P2D_Shear(const double* base, const double* p, const double* f, double* out)
{
    double x = p[0], y = p[1];
    out[0] = x + f[0] * (y - base[1]);
    out[1] = y + f[1] * (x - base[0]);
}

void P2D_Shear(const double* base, double* p, const double* f) { P2D_Shear(base, p, f, p); }

void P2D_Swap(double* a, double* b)
{
    std::swap(a[0], b[0]);
    std::swap(a[1], b[1]);
}

int P2D_IsCollinear(const double* a, const double* b, const double* c, double tol)
{
    if (!Finite2(a) || !Finite2(b) || !Finite2(c))
        return 0;
    // The line runs through the two points farthest apart, so the third lies between them
    // and its distance is well conditioned.
    double dab = Dist2(a, b), dbc = Dist2(b, c), dac = Dist2(a, c);
    if (dab >= dbc && dab >= dac)
        return dab == 0.0 || LineDist(a, b, c) <= tol ? 1 : 0;
    if (dac >= dbc)
        return LineDist(a, c, b) <= tol ? 1 : 0;
    return LineDist(b, c, a) <= tol ? 1 : 0;
}

int P2D_IsPtsColine(const double* pts, int n, double tol)
{
    if (!pts || n < 1)
        return 0;
    for (int i = 0; i < n; ++i)
        if (!Finite2(pts + 2 * i))
            return 0;
    // Line through the first point and the point farthest from it.
    const double* a = pts;
    const double* far = pts;
    double best = 0.0;
    for (int i = 1; i < n; ++i) {
        double d = Dist2(a, pts + 2 * i);
        if (d > best) {
            best = d;
            far = pts + 2 * i;
        }
    }
    if (best == 0.0)
        return 1;  // all points coincide
    for (int i = 1; i < n; ++i)
        if (LineDist(a, far, pts + 2 * i) > tol)
            return 0;
    return 1;
}

int P2D_IsInBox2D(const BOX2<double>* box, const double* p, double tol)
{
    if (!box)
        return 1;
    bool inside = p[0] >= box->xmin - tol && p[0] <= box->xmax + tol && p[1] >= box->ymin - tol &&
                  p[1] <= box->ymax + tol;
    return inside ? 0 : 1;
}
