#include "toolpath/contours/SectIntersect.h"

#include "toolpath/contours/SegCrossing.h"
#include "toolpath/contours/SmartConst.h"

#include <cmath>

using namespace smart;

int BoxesOverlap(double tol, const double* a, const double* b)
{
    if (a[0] > b[2] + tol || a[2] < b[0] - tol)
        return 0;
    if (a[1] > b[3] + tol || a[3] < b[1] - tol)
        return 0;
    return 1;
}

int OffsetCornerPoint(double d, const double* m, const double* n, double* out, const double* p)
{
    const double k = n[1] * m[0] - n[0] * m[1];
    if (std::fabs(k) >= kParallelSine) {
        out[0] = p[0] + d * (n[1] - m[1]) / k;
        out[1] = p[1] + d * (m[0] - n[0]) / k;
    } else {
        out[0] = p[0] + d * (m[0] + n[0]) / 2;
        out[1] = p[1] + d * (m[1] + n[1]) / 2;
    }
    return 1;
}


int InUnitRange(double s) { return seg::UnitRange(s) ? 1 : 0; }

SegDirection SegmentDirection(const double* c, const double* d) { return seg::Direction(c, d); }

int SegSegIntersect(const double* c, double (*out)[2], const double* a, const double* b, const double* d)
{
    return seg::Crossing(c, out, a, b, d, seg::Direction(c, d));
}

int SegSegIntersect(const double* c, double (*out)[2], const double* a, const double* b, const double* d,
                    const SegDirection& v)
{
    return seg::Crossing(c, out, a, b, d, v);
}

int LineCircleIntersect(double r, const double* centre, const double* q, double (*out)[2], const double* p)
{
    double u[2] = {q[0] - p[0], q[1] - p[1]};
    if (!NormalizeVector(2, u))
        return 0;
    const double wx = p[0] - centre[0], wy = p[1] - centre[1];
    const double e = 2 * (u[0] * wx + u[1] * wy);
    // D = e^2 - 4 (w.w - r^2) = 4 (r^2 - h^2) with h the distance of the centre from the
    // line: the cross product form keeps D exact for lines far from the centre.
    const double h = u[0] * wy - u[1] * wx;
    const double D = 4 * (std::fabs(r) - std::fabs(h)) * (std::fabs(r) + std::fabs(h));
    if (!(D >= kMissDisc))
        return 0;
    if (D < kTangentDisc) {
        out[0][0] = p[0] - e / 2 * u[0];
        out[0][1] = p[1] - e / 2 * u[1];
        return 1;
    }
    const double sq = std::sqrt(D);
    // The root away from zero first, the other from the product of the roots.
    const double big = -(e + std::copysign(sq, e)) / 2;
    const double prod = (wx * wx + wy * wy) - r * r;
    const double other = big != 0.0 ? prod / big : 0.0;
    const double s0 = e >= 0 ? other : big;  // (sqrt D - e) / 2
    const double s1 = e >= 0 ? big : other;  // (-sqrt D - e) / 2
    out[0][0] = p[0] + s0 * u[0];
    out[0][1] = p[1] + s0 * u[1];
    out[1][0] = p[0] + s1 * u[0];
    out[1][1] = p[1] + s1 * u[1];
    return 2;
}

int CircleCircleIntersect(double r, double R, const double* c, double (*out)[2], const double* C)
{
    const double Dx = C[0] - c[0], Dy = C[1] - c[1];
    const double dist = std::hypot(Dx, Dy);
    if (!(dist >= kConcentric))
        return 0;
    if (r + R + kCircleReach < dist || dist < std::fabs(r - R) - kCircleReach)
        return 0;
    // Circles apart (or nested) by less than the reach touch: their touching point is the
    // middle of their nearest points on the line of centres. (The radical line would pass
    // them by and report nothing.)
    const double ux = Dx / dist, uy = Dy / dist;
    const double sr = r > R ? 1.0 : -1.0;  // nested: the side of the larger circle
    const double outerGap = dist - (r + R), innerGap = std::fabs(r - R) - dist;
    if (outerGap > 0 || innerGap > 0) {
        const double k1 = outerGap > 0 ? r : sr * r;
        const double k2 = outerGap > 0 ? dist - R : dist + sr * R;
        out[0][0] = c[0] + ux * (k1 + k2) / 2;
        out[0][1] = c[1] + uy * (k1 + k2) / 2;
        return 1;
    }
    // The radical line D.X = e, written relative to c so that far-off circles keep their
    // precision; its two points are then moved back.
    const double e = (dist * dist + r * r - R * R) / 2;
    double p1[2], p2[2];
    if (std::fabs(Dy) > std::fabs(Dx)) {
        p1[0] = 0;
        p1[1] = e / Dy;
        p2[0] = 10;
        p2[1] = (e - 10 * Dx) / Dy;
    } else {
        p1[0] = e / Dx;
        p1[1] = 0;
        p2[0] = (e - 10 * Dy) / Dx;
        p2[1] = 10;
    }
    const double origin[2] = {0, 0};
    const int n = LineCircleIntersect(r, origin, p2, out, p1);
    for (int i = 0; i < n; ++i) {
        out[i][0] += c[0];
        out[i][1] += c[1];
    }
    return n;
}

int LineLineIntersect(const double* a1, const double* a2, const double* b1, const double* b2, double* out)
{
    double u[2] = {a1[0] - b1[0], a1[1] - b1[1]};
    double v[2] = {a2[0] - b2[0], a2[1] - b2[1]};
    const double lu = std::hypot(u[0], u[1]), lv = std::hypot(v[0], v[1]);
    if (!(lu >= kUnitTol) || !(lv >= kUnitTol))
        return 0;
    u[0] /= lu;
    u[1] /= lu;
    v[0] /= lv;
    v[1] /= lv;
    const double k = v[1] * u[0] - v[0] * u[1];
    if (!(std::fabs(k) >= kParallelSine))
        return 0;
    const double h = v[1] * b2[0] - v[0] * b2[1];
    const double l = b1[0] * u[1] - b1[1] * u[0];
    out[0] = (u[0] * h - v[0] * l) / k;
    out[1] = (u[1] * h - v[1] * l) / k;
    return 1;
}

double PointToLineDistance3D(const double* a, const double* p, const double* b)
{
    const double w[3] = {p[0] - b[0], p[1] - b[1], p[2] - b[2]};
    const double g[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
    const double ww = w[0] * w[0] + w[1] * w[1] + w[2] * w[2];
    const double gg = g[0] * g[0] + g[1] * g[1] + g[2] * g[2];
    if (std::sqrt(ww) < kPointLineCoincide)
        return std::sqrt(gg);
    // |g x w| / |w| equals sqrt(|g|^2 - (w.g)^2 / |w|^2) without its cancellation.
    const double x = g[1] * w[2] - g[2] * w[1], y = g[2] * w[0] - g[0] * w[2], z = g[0] * w[1] - g[1] * w[0];
    return std::sqrt((x * x + y * y + z * z) / ww);
}

int NormalizeVector(int n, double* v)
{
    double s = 0.0;
    for (int i = 0; i < n; ++i)
        s += v[i] * v[i];
    const double len = std::sqrt(s);
    if (!(len >= kNormalizeTol))
        return 0;
    for (int i = 0; i < n; ++i)
        v[i] /= len;
    return 1;
}

int QuadraticRoots(const double* coef, double* out)
{
    const double a = coef[0], b = coef[1], c = coef[2];
    out[0] = 0;
    out[1] = 1;
    if (std::fabs(a) < kQuadraticLinear) {
        if (std::fabs(b) > kQuadraticLinear) {
            out[0] = out[1] = -c / b;
            return 1;
        }
        return 0;
    }
    const double D = b * b - 4 * a * c;
    if (!(D >= 0))
        return 0;
    const double h = std::sqrt(D);
    if (b > 0) {
        out[0] = (-b - h) / (2 * a);
        out[1] = 2 * c / (-b - h);
    } else {
        out[1] = (h - b) / (2 * a);
        out[0] = h - b != 0.0 ? 2 * c / (h - b) : 0.0;
    }
    return 2;
}

void VectorDifference(const double* u, const double* v, double* out, int n)
{
    for (int i = 0; i < n; ++i)
        out[i] = u[i] - v[i];
}
