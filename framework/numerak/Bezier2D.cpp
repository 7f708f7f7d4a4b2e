#include "framework/numerak/Bezier2D.h"

#include "framework/numerak/Polynomial.h"

#include <algorithm>
#include <cmath>

namespace {

bool allFinite(const double* v, int n)
{
    for (int i = 0; i < n; ++i)
        if (!std::isfinite(v[i]))
            return false;
    return true;
}

double speedAt(const double* c, double t)
{
    const double s = 1.0 - t;
    const double a = 3.0 * s * s, b = 6.0 * s * t, d = 3.0 * t * t;
    const double dx = a * (c[2] - c[0]) + b * (c[4] - c[2]) + d * (c[6] - c[4]);
    const double dy = a * (c[3] - c[1]) + b * (c[5] - c[3]) + d * (c[7] - c[5]);
    return std::hypot(dx, dy);
}

// 8-point Gauss-Legendre nodes and weights on [-1, 1].
constexpr double kGaussX[4] = {0.1834346424956498, 0.5255324099163290, 0.7966664774136267,
                               0.9602898564975363};
constexpr double kGaussW[4] = {0.3626837833783620, 0.3137066458778873, 0.2223810344533745,
                               0.1012285362903763};

double gaussSpeed(const double* c, double a, double b)
{
    const double h = 0.5 * (b - a), m = 0.5 * (a + b);
    double sum = 0.0;
    for (int i = 0; i < 4; ++i)
        sum += kGaussW[i] * (speedAt(c, m - h * kGaussX[i]) + speedAt(c, m + h * kGaussX[i]));
    return sum * h;
}

// The speed is smooth except near a cusp, where it has a kink at zero; only the
// intervals around the kink refine, so the depth limit bounds the work.
double adaptiveSpeed(const double* c, double a, double b, double whole, double eps, int depth)
{
    const double m = 0.5 * (a + b);
    const double left = gaussSpeed(c, a, m), right = gaussSpeed(c, m, b);
    const double sum = left + right;
    if (depth >= 24 || std::fabs(sum - whole) <= eps)
        return sum;
    return adaptiveSpeed(c, a, m, left, 0.5 * eps, depth + 1)
         + adaptiveSpeed(c, m, b, right, 0.5 * eps, depth + 1);
}

double polygonLength(const double* c)
{
    return std::hypot(c[2] - c[0], c[3] - c[1]) + std::hypot(c[4] - c[2], c[5] - c[3])
         + std::hypot(c[6] - c[4], c[7] - c[5]);
}

// Signed arc length from a to b (negative when b < a); the input is finite.
double signedLength(const double* c, double a, double b)
{
    if (a == b)
        return 0.0;
    const double sign = b < a ? -1.0 : 1.0;
    if (b < a)
        std::swap(a, b);
    // Absolute accuracy relative to the control polygon, never below rounding.
    const double eps = std::max(1e-13 * polygonLength(c), 1e-300);
    // Cut at the extrema of the speed (roots of B' . B''): a cusp, where the speed
    // has a kink, then lies at a piece end, and each piece is smooth.
    double cx[4], cy[4];
    BEZ_PowerCoef(c, cx, cy);
    const double dx[3] = {cx[1], 2.0 * cx[2], 3.0 * cx[3]}, ddx[2] = {2.0 * cx[2], 6.0 * cx[3]};
    const double dy[3] = {cy[1], 2.0 * cy[2], 3.0 * cy[3]}, ddy[2] = {2.0 * cy[2], 6.0 * cy[3]};
    double g[4] = {0, 0, 0, 0};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 2; ++j)
            g[i + j] += dx[i] * ddx[j] + dy[i] * ddy[j];
    double cuts[6];
    int n = POLY_Roots(g, 3, a, b, -1.0, cuts);
    if (n < 0)
        n = 0;
    double sum = 0.0, from = a;
    for (int i = 0; i <= n; ++i) {
        const double to = i < n ? cuts[i] : b;
        if (to > from) {
            sum += adaptiveSpeed(c, from, to, gaussSpeed(c, from, to), eps * (to - from) / (b - a), 0);
            from = to;
        }
    }
    return sign * sum;
}

} // namespace

void BEZ_PowerCoef(const double* c, double* cx, double* cy)
{
    for (int k = 0; k < 2; ++k) {
        const double p0 = c[k], p1 = c[2 + k], p2 = c[4 + k], p3 = c[6 + k];
        double* o = k == 0 ? cx : cy;
        o[0] = p0;
        o[1] = 3.0 * (p1 - p0);
        o[2] = 3.0 * (p2 - 2.0 * p1 + p0);
        o[3] = p3 - 3.0 * p2 + 3.0 * p1 - p0;
    }
}

void BEZ_EvPos(const double* c, double t, double* pos)
{
    const double s = 1.0 - t;
    const double b0 = s * s * s, b1 = 3.0 * s * s * t, b2 = 3.0 * s * t * t, b3 = t * t * t;
    pos[0] = b0 * c[0] + b1 * c[2] + b2 * c[4] + b3 * c[6];
    pos[1] = b0 * c[1] + b1 * c[3] + b2 * c[5] + b3 * c[7];
}

void BEZ_Ev1Der(const double* c, double t, double* pos, double* d1)
{
    BEZ_EvPos(c, t, pos);
    const double s = 1.0 - t;
    const double a = 3.0 * s * s, b = 6.0 * s * t, d = 3.0 * t * t;
    d1[0] = a * (c[2] - c[0]) + b * (c[4] - c[2]) + d * (c[6] - c[4]);
    d1[1] = a * (c[3] - c[1]) + b * (c[5] - c[3]) + d * (c[7] - c[5]);
}

void BEZ_Ev2Der(const double* c, double t, double* pos, double* d1, double* d2)
{
    BEZ_Ev1Der(c, t, pos, d1);
    const double s = 1.0 - t;
    for (int k = 0; k < 2; ++k)
        d2[k] = 6.0 * s * (c[4 + k] - 2.0 * c[2 + k] + c[k]) + 6.0 * t * (c[6 + k] - 2.0 * c[4 + k] + c[2 + k]);
}

void BEZ_Split(const double* c, double t, double* left, double* right)
{
    double l[8], r[8];
    for (int k = 0; k < 2; ++k) {
        const double p01 = c[k] + t * (c[2 + k] - c[k]);
        const double p12 = c[2 + k] + t * (c[4 + k] - c[2 + k]);
        const double p23 = c[4 + k] + t * (c[6 + k] - c[4 + k]);
        const double p012 = p01 + t * (p12 - p01);
        const double p123 = p12 + t * (p23 - p12);
        const double mid = p012 + t * (p123 - p012);
        l[k] = c[k];
        l[2 + k] = p01;
        l[4 + k] = p012;
        l[6 + k] = mid;
        r[k] = mid;
        r[2 + k] = p123;
        r[4 + k] = p23;
        r[6 + k] = c[6 + k];
    }
    std::copy(l, l + 8, left);
    std::copy(r, r + 8, right);
}

double BEZ_DistTol(const double* c)
{
    const double dx = c[6] - c[0], dy = c[7] - c[1];
    const double len = std::hypot(dx, dy);
    if (len < 1e-12)
        return std::max(std::hypot(c[2] - c[0], c[3] - c[1]), std::hypot(c[4] - c[0], c[5] - c[1]));
    const double d1 = std::fabs((c[2] - c[0]) * dy - (c[3] - c[1]) * dx) / len;
    const double d2 = std::fabs((c[4] - c[0]) * dy - (c[5] - c[1]) * dx) / len;
    return std::max(d1, d2);
}

int BEZ_PrjPnt(const double* c, const double* p, double* proj, double& t, double& dist)
{
    if (!c || !p || !allFinite(c, 8) || !allFinite(p, 2))
        return 0;
    // g(t) = (B(t) - p) . B'(t), degree 5, taken about p for good conditioning.
    double cx[4], cy[4];
    BEZ_PowerCoef(c, cx, cy);
    cx[0] -= p[0];
    cy[0] -= p[1];
    const double dx[3] = {cx[1], 2.0 * cx[2], 3.0 * cx[3]};
    const double dy[3] = {cy[1], 2.0 * cy[2], 3.0 * cy[3]};
    double g[6] = {0, 0, 0, 0, 0, 0};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 3; ++j)
            g[i + j] += cx[i] * dx[j] + cy[i] * dy[j];

    double cand[8];
    int n = POLY_Roots(g, 5, 0.0, 1.0, -1.0, cand);
    if (n < 0)
        n = 0; // a single point: the ends decide
    cand[n++] = 0.0;
    cand[n++] = 1.0;

    double bestD2 = INFINITY, bestT = 0.0, best[2] = {c[0], c[1]};
    for (int i = 0; i < n; ++i) {
        double q[2];
        BEZ_EvPos(c, cand[i], q);
        const double d2 = (q[0] - p[0]) * (q[0] - p[0]) + (q[1] - p[1]) * (q[1] - p[1]);
        if (d2 < bestD2) {
            bestD2 = d2;
            bestT = cand[i];
            best[0] = q[0];
            best[1] = q[1];
        }
    }
    if (proj) {
        proj[0] = best[0];
        proj[1] = best[1];
    }
    t = bestT;
    dist = std::sqrt(bestD2);
    return 1;
}

void BEZ_GetBox(const double* c, double* box)
{
    box[0] = std::min({c[0], c[2], c[4], c[6]});
    box[1] = std::min({c[1], c[3], c[5], c[7]});
    box[2] = std::max({c[0], c[2], c[4], c[6]});
    box[3] = std::max({c[1], c[3], c[5], c[7]});
}

double BEZ_ArcLength(const double* c)
{
    return BEZ_ArcLengthEx(c, 0.0, 1.0);
}

double BEZ_ArcLengthEx(const double* c, double t1, double t2)
{
    if (!c || !allFinite(c, 8) || !std::isfinite(t1) || !std::isfinite(t2))
        return 0.0;
    return std::fabs(signedLength(c, t1, t2));
}

int BEZ_EvParam(const double* c, double len, double& t)
{
    if (!c || !allFinite(c, 8) || !(len >= 0.0) || !std::isfinite(len))
        return 0;
    const double total = signedLength(c, 0.0, 1.0);
    if (len == 0.0 || total <= 0.0) {
        t = 0.0;
        return len == 0.0 ? 1 : 0;
    }
    if (len >= total) {
        if (len > total * (1.0 + 1e-9))
            return 0;
        t = 1.0;
        return 1;
    }
    // Keep the length at the current guess and add the piece to the next guess.
    double lo = 0.0, hi = 1.0;
    double x = len / total;
    double s = signedLength(c, 0.0, x);
    const double tol = 1e-12 * total;
    for (int it = 0; it < 100; ++it) {
        const double f = s - len;
        if (std::fabs(f) <= tol)
            break;
        if (f < 0.0)
            lo = x;
        else
            hi = x;
        if (hi - lo <= 1e-15)
            break;
        const double v = speedAt(c, x);
        double next = 0.5 * (lo + hi);
        if (v > 0.0) {
            const double newton = x - f / v;
            if (newton > lo && newton < hi)
                next = newton;
        }
        s += signedLength(c, x, next);
        x = next;
    }
    t = x;
    return 1;
}
