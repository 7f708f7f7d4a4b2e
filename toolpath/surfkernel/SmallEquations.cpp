#include "toolpath/surfkernel/SmallEquations.h"

#include "framework/numerak/Point3D.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

double wrap2Pi(double a)
{
    a = std::fmod(a, kTwoPi);
    if (a < 0.0)
        a += kTwoPi;
    return a >= kTwoPi ? 0.0 : a;
}

} // namespace

double EQ_SafeACos(double x)
{
    if (x > 0.999999999999)
        return 0.0;
    if (x < -0.999999999999)
        return std::numbers::pi;
    return std::acos(x);
}

double EQ_Angle2Pi(double x, double y)
{
    if (std::fabs(x) + std::fabs(y) < 1e-20)
        return 0.0;
    return wrap2Pi(std::atan2(y, x));
}

int EQ_SolveTrig(double a, double b, double c, double tol, double* t)
{
    t[0] = 0.0;
    t[1] = 0.5 * std::numbers::pi;
    const double g = std::hypot(a, b);
    if (g < 1e-20)
        return std::fabs(c) < tol ? 100 : 0;
    if (std::fabs(c - g) < tol && std::fabs(c + g) < tol)
        return 100;
    if (std::fabs(c) / g > 1.0 + tol / g)
        return 0;
    const double m = EQ_SafeACos(c / g);
    const double phi = EQ_Angle2Pi(a / g, b / g);
    const double t1 = wrap2Pi(phi + m);
    const double t2 = wrap2Pi(phi + kTwoPi - m);
    const double tm = 0.5 * (t1 + t2);
    if (std::fabs(a * std::cos(tm) + b * std::sin(tm) - c) < tol) {
        t[0] = t[1] = tm;
        return 1;
    }
    t[0] = t1;
    t[1] = t2;
    return std::fabs(t1 - t2) > kTwoPi - 0.001 ? 1 : 2;
}

int EQ_SolveQuadratic(double a, double b, double c, double tol, double* t)
{
    t[0] = t[1] = 1.0;
    // Not strict: all-zero coefficients must end here, not divide by zero.
    if (std::fabs(a) <= (std::fabs(b) + std::fabs(c)) * 1e-20) {
        if (std::fabs(b) <= 1e-20)
            return std::fabs(c) < tol ? 100 : 0;
        t[0] = t[1] = -c / b;
        return 1;
    }
    t[0] = t[1] = -b / (2.0 * a);
    const double r = c - b * b / (4.0 * a);
    if (a > 0.0) {
        if (r > tol)
            return 0;
        if (r > -tol)
            return 1;
    } else {
        if (r < -tol)
            return 0;
        if (r < tol)
            return 1;
    }
    const double s = std::sqrt(std::fabs(4.0 * a * r));
    const double q = b > 0.0 ? -b - s : s - b;
    t[0] = q / (2.0 * a);
    t[1] = 2.0 * c / q;
    return 2;
}

int EQ_CommonNormal2(double ax, double ay, double bx, double by, double tol, double* normal)
{
    const double la = std::hypot(ax, ay);
    const double lb = std::hypot(bx, by);
    if (la < tol && lb < tol)
        return 100;
    const bool aLonger = la > lb;
    const double vx = aLonger ? ax : bx, vy = aLonger ? ay : by, l = aLonger ? la : lb;
    normal[0] = -vy / l;
    normal[1] = vx / l;
    const double ox = aLonger ? bx : ax, oy = aLonger ? by : ay;
    return std::fabs(normal[0] * ox + normal[1] * oy) <= tol ? 1 : 0;
}

void EQ_Decompose2(const double* a, const double* b, const double* c, double* x, double* y)
{
    const double aa = V3D_Dot(a, a), bb = V3D_Dot(b, b), ab = V3D_Dot(a, b);
    const double ac = V3D_Dot(a, c), bc = V3D_Dot(b, c);
    const double m = bb * aa - ab * ab;
    if (std::fabs(m) >= 1e-100) {
        *x = (aa * bc - ab * ac) / m;
        *y = (bb * ac - ab * bc) / m;
        return;
    }
    if (aa < 1e-50) {
        *x = *y = 0.0;
        return;
    }
    double u = std::sqrt(std::fabs(bb / aa));
    if (ac * bc < 0.0)
        u = -u;
    *y = ac / aa / (u * u + 1.0);
    *x = u * *y;
}

int EQ_EllipseNearest(double* foot, double* angle, double a, double b, double* distance, const double* point)
{
    const double x = point[0], y = point[1];
    const double a2 = a * a, b2 = b * b;
    // The multiplier of the nearest point lies above -min(a², b²), where the
    // ellipse equation falls monotonically; Newton steps are kept inside.
    const double pole = -std::min(a2, b2);
    double g = 0.0;
    double fx = x, fy = y;
    bool settled = false;
    for (int step = 0; step < 32 && !settled; ++step) {
        const double mx = x / (a2 + g) * a, ly = y / (b2 + g) * b;
        const double f = mx * mx + ly * ly - 1.0;
        const double df = -2.0 * (ly * ly / (b2 + g) + mx * mx / (a2 + g));
        if (std::fabs(df) < 1e-20)
            return 0;
        double gn = g - f / df;
        if (gn <= pole)
            gn = 0.5 * (g + pole);
        g = gn;
        const double nx = x / (g / a2 + 1.0), ny = y / (g / b2 + 1.0);
        settled = std::hypot(nx - fx, ny - fy) < 1e-12;
        fx = nx;
        fy = ny;
    }
    if (!settled)
        return 0;
    foot[0] = fx;
    foot[1] = fy;
    *angle = a < 1e-6 || b < 1e-6 ? 0.0 : wrap2Pi(std::atan2(fy / b, fx / a));
    *distance = std::hypot(x - fx, y - fy);
    return 1;
}

void EQ_SphereNearest(const double* axisZ, const double* point, double* foot, double* longitude, double* latitude,
                      double* distance, double radius, const double* axisY, const double* axisX, const double* centre)
{
    double d[3];
    V3D_Sub(point, centre, d);
    const double rx = V3D_Dot(d, axisX), ry = V3D_Dot(d, axisY);
    const double rl = std::hypot(rx, ry);
    double radial[3];
    if (rl < 0.001) {
        *longitude = 0.0;
        P3D_Copy(axisX, radial);
    } else {
        *longitude = wrap2Pi(std::atan2(ry, rx));
        for (int i = 0; i < 3; ++i)
            radial[i] = (rx * axisX[i] + ry * axisY[i]) / rl;
    }
    const double len = V3D_Len(d);
    if (len < 1e-12) {
        *latitude = 0.0;
        for (int i = 0; i < 3; ++i)
            foot[i] = centre[i] + radius * radial[i];
    } else {
        for (int i = 0; i < 3; ++i)
            foot[i] = centre[i] + radius * d[i] / len;
        *latitude = std::atan2(V3D_Dot(d, axisZ) / len, rl / len);
    }
    double e[3];
    V3D_Sub(foot, point, e);
    *distance = V3D_Len(e);
}

void CUB_HermitePointDeriv(const double* startTan, double* deriv, double t, const double* endTan, double* out,
                           const double* start, const double* end)
{
    double chord[3];
    V3D_Sub(end, start, chord);
    const double h = V3D_Len(chord) / 3.0;
    const double s = 1.0 - t;
    for (int i = 0; i < 3; ++i) {
        const double p0 = start[i], p1 = start[i] + h * startTan[i], p2 = end[i] - h * endTan[i], p3 = end[i];
        out[i] = s * s * s * p0 + 3.0 * s * s * t * p1 + 3.0 * s * t * t * p2 + t * t * t * p3;
        if (deriv)
            deriv[i] = 3.0 * (s * s * (p1 - p0) + 2.0 * s * t * (p2 - p1) + t * t * (p3 - p2));
    }
}

void CUB_HermitePoint(const double* startTan, double t, const double* endTan, double* out, const double* start,
                      const double* end)
{
    CUB_HermitePointDeriv(startTan, nullptr, t, endTan, out, start, end);
}
