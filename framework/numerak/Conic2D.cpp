#include "framework/numerak/Conic2D.h"

#include <algorithm>
#include <cmath>

#include "framework/numerak/NumerakConst.h"

namespace {

bool Finite2(const double* p) { return std::isfinite(p[0]) && std::isfinite(p[1]); }

bool ValidEllipse(double a, double b, const double* c, double rot)
{
    return a > 0.0 && b > 0.0 && std::isfinite(a) && std::isfinite(b) && std::isfinite(rot) &&
           Finite2(c);
}

// World point into the ellipse's local frame (centre at 0, axes along x and y).
void ToLocal(const double* c, double rot, const double* p, double& x, double& y)
{
    double cs = std::cos(rot), sn = std::sin(rot);
    double dx = p[0] - c[0], dy = p[1] - c[1];
    x = dx * cs + dy * sn;
    y = -dx * sn + dy * cs;
}

void ToWorld(const double* c, double rot, double x, double y, double* out)
{
    double cs = std::cos(rot), sn = std::sin(rot);
    double cx = c[0], cy = c[1];
    out[0] = cx + x * cs - y * sn;
    out[1] = cy + x * sn + y * cs;
}

void RotVec(double rot, double x, double y, double* out)
{
    double cs = std::cos(rot), sn = std::sin(rot);
    out[0] = x * cs - y * sn;
    out[1] = x * sn + y * cs;
}

double AngleToParam(double theta)
{
    if (theta < 0.0)
        theta += numerak::k2Pi;
    double t = theta / numerak::k2Pi;
    return t >= 1.0 ? 0.0 : t;
}

// Root s of (r0 z0 / (s + r0))^2 + (z1 / (s + 1))^2 = 1 by bisection; g is the value at s = 0.
// Bisection stops when the midpoint no longer differs from a bound, which bounds the count.
double EllipseRoot(double r0, double z0, double z1, double g)
{
    const double n0 = r0 * z0;
    double s0 = z1 - 1.0;
    double s1 = g < 0.0 ? 0.0 : std::hypot(n0, z1) - 1.0;
    double s = 0.0;
    for (int i = 0; i < 1100; ++i) {
        s = 0.5 * (s0 + s1);
        if (s == s0 || s == s1)
            break;
        double ratio0 = n0 / (s + r0), ratio1 = z1 / (s + 1.0);
        double gs = ratio0 * ratio0 + ratio1 * ratio1 - 1.0;
        if (gs > 0.0)
            s0 = s;
        else if (gs < 0.0)
            s1 = s;
        else
            break;
    }
    return s;
}

// Nearest point (x0, x1) to (y0, y1), both >= 0, on the ellipse with semi-axes e0 >= e1 > 0.
// The nearest point of a first-quadrant point lies in the first quadrant; the minimiser is
// the root of a monotone function of the Lagrange multiplier (closed forms on the axes).
void NearestFirstQuadrant(double e0, double e1, double y0, double y1, double& x0, double& x1)
{
    if (y1 > 0.0) {
        if (y0 > 0.0) {
            double z0 = y0 / e0, z1 = y1 / e1;
            double g = z0 * z0 + z1 * z1 - 1.0;
            if (g != 0.0) {
                double r0 = (e0 / e1) * (e0 / e1);
                double s = EllipseRoot(r0, z0, z1, g);
                double u0 = r0 * y0 / (s + r0);
                double u1 = y1 / (s + 1.0);
                // Close to an axis one of the two quotients is ill-conditioned (s + 1 or
                // s + r0 near 0 cannot be resolved). Rebuild each coordinate from the other
                // on the ellipse and keep the nearer of the two points.
                double b1 = e1 * std::sqrt(std::max(0.0, 1.0 - (u0 / e0) * (u0 / e0)));
                double c1 = std::min(u1, e1);
                double c0 = e0 * std::sqrt(std::max(0.0, 1.0 - (c1 / e1) * (c1 / e1)));
                double db = std::hypot(u0 - y0, b1 - y1), dc = std::hypot(c0 - y0, c1 - y1);
                if (db <= dc) {
                    x0 = std::min(u0, e0);
                    x1 = b1;
                } else {
                    x0 = c0;
                    x1 = c1;
                }
            } else {
                x0 = y0;
                x1 = y1;
            }
        } else {
            // On the minor axis the co-vertex is always nearest.
            x0 = 0.0;
            x1 = e1;
        }
    } else {
        // On the major axis: inside the evolute's cusp two symmetric points are nearest.
        double numer0 = e0 * y0, denom0 = e0 * e0 - e1 * e1;
        if (numer0 < denom0) {
            double xde0 = numer0 / denom0;
            x0 = e0 * xde0;
            x1 = e1 * std::sqrt(std::max(0.0, 1.0 - xde0 * xde0));
        } else {
            x0 = e0;
            x1 = 0.0;
        }
    }
}

}  // namespace

int C2D_GetCenter(const double* p1, const double* p2, const double* p3, double* centre, double tol)
{
    if (!Finite2(p1) || !Finite2(p2) || !Finite2(p3))
        return 0;
    // Work relative to p1 to keep the products small.
    double bx = p2[0] - p1[0], by = p2[1] - p1[1];
    double cx = p3[0] - p1[0], cy = p3[1] - p1[1];
    double cross = bx * cy - by * cx;
    double b2 = bx * bx + by * by, c2 = cx * cx + cy * cy;
    double bc2 = (cx - bx) * (cx - bx) + (cy - by) * (cy - by);
    double lmax2 = std::max({b2, c2, bc2});
    // |cross| / Lmax is the height over the longest side.
    if (!(std::fabs(cross) > tol * lmax2) || lmax2 == 0.0)
        return 0;
    double d = 2.0 * cross;
    double ux = (cy * b2 - by * c2) / d;
    double uy = (bx * c2 - cx * b2) / d;
    double ox = p1[0] + ux, oy = p1[1] + uy;
    if (!std::isfinite(ox) || !std::isfinite(oy))
        return 0;
    centre[0] = ox;
    centre[1] = oy;
    return 1;
}

int C2D_GetTanPt(const double* c, double r, const double* p, double* t1, double* t2)
{
    if (!Finite2(c) || !Finite2(p) || !std::isfinite(r) || !(r > 0.0))
        return 0;
    double dx = p[0] - c[0], dy = p[1] - c[1];
    double d = std::hypot(dx, dy);
    if (!(d >= r))
        return 0;
    // The tangent point is seen from the centre at beta off the direction to p, cos beta = r/d.
    double beta = std::acos(std::min(1.0, r / d));
    double ux = dx / d, uy = dy / d;
    double cb = std::cos(beta), sb = std::sin(beta);
    double cx = c[0], cy = c[1];
    t1[0] = cx + r * (ux * cb - uy * sb);
    t1[1] = cy + r * (ux * sb + uy * cb);
    t2[0] = cx + r * (ux * cb + uy * sb);
    t2[1] = cy + r * (-ux * sb + uy * cb);
    return 1;
}

int C2D_PrjPnt(const double* c, double r, const double* p, double* out, double tol, double centreTol)
{
    if (!Finite2(c) || !Finite2(p) || !std::isfinite(r) || !(r >= tol) || !(r > 0.0))
        return 0;
    double dx = p[0] - c[0], dy = p[1] - c[1];
    double d = std::hypot(dx, dy);
    if (!(d >= centreTol) || d == 0.0)
        return 0;
    double cx = c[0], cy = c[1];
    out[0] = cx + r * dx / d;
    out[1] = cy + r * dy / d;
    return 1;
}

void E2D_EvPos(const double* c, double a, double b, double rot, double t, double* p)
{
    double th = numerak::k2Pi * t;
    ToWorld(c, rot, a * std::cos(th), b * std::sin(th), p);
}

void E2D_Ev1Der(const double* c, double a, double b, double rot, double t, double* p, double* d1)
{
    const double w = numerak::k2Pi;
    double th = w * t;
    double cs = std::cos(th), sn = std::sin(th);
    double d[2];
    RotVec(rot, -w * a * sn, w * b * cs, d);
    E2D_EvPos(c, a, b, rot, t, p);
    d1[0] = d[0];
    d1[1] = d[1];
}

void E2D_Ev2Der(const double* c, double a, double b, double rot, double t, double* p, double* d1,
                double* d2)
{
    const double w = numerak::k2Pi;
    double th = w * t;
    double cs = std::cos(th), sn = std::sin(th);
    double dd[2];
    RotVec(rot, -w * w * a * cs, -w * w * b * sn, dd);
    E2D_Ev1Der(c, a, b, rot, t, p, d1);
    d2[0] = dd[0];
    d2[1] = dd[1];
}

int E2D_GetNearestPt(double a, double b, const double* c, double rot, const double* p, double* out,
                     double& t, double& dist)
{
    if (!ValidEllipse(a, b, c, rot) || !Finite2(p))
        return 0;
    double lx, ly;
    ToLocal(c, rot, p, lx, ly);
    // Solve in the first quadrant with the major axis first, then map back by symmetry.
    const bool swap = a < b;
    const double e0 = swap ? b : a, e1 = swap ? a : b;
    const double y0 = std::fabs(swap ? ly : lx), y1 = std::fabs(swap ? lx : ly);
    if (!std::isfinite((e0 / e1) * (e0 / e1)))
        return 0;
    double x0, x1;
    NearestFirstQuadrant(e0, e1, y0, y1, x0, x1);
    double qx = swap ? x1 : x0, qy = swap ? x0 : x1;
    if (lx < 0.0)
        qx = -qx;
    if (ly < 0.0)
        qy = -qy;
    if (!std::isfinite(qx) || !std::isfinite(qy))
        return 0;
    double q[2];
    ToWorld(c, rot, qx, qy, q);
    double pt = AngleToParam(std::atan2(qy / b, qx / a));
    double pd = std::hypot(p[0] - q[0], p[1] - q[1]);
    out[0] = q[0];
    out[1] = q[1];
    t = pt;
    dist = pd;
    return 1;
}

int E2D_GetParamEx(const double* c, double a, double b, double rot, const double* p, double& t)
{
    if (!ValidEllipse(a, b, c, rot) || !Finite2(p))
        return 0;
    double lx, ly;
    ToLocal(c, rot, p, lx, ly);
    t = AngleToParam(std::atan2(ly / b, lx / a));
    return 1;
}
