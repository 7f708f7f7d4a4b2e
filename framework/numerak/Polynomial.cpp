#include "framework/numerak/Polynomial.h"

#include <cmath>

namespace {

constexpr int kMaxIter = 200;

double evalWithDerivative(const double* c, int deg, double x, double& d)
{
    double p = c[deg];
    d = 0.0;
    for (int i = deg - 1; i >= 0; --i) {
        d = d * x + p;
        p = p * x + c[i];
    }
    return p;
}

// Root of a polynomial that is monotone on [a, b] with p(a), p(b) of opposite sign:
// Newton steps, falling back to bisection whenever a step leaves the bracket or
// does not shrink it fast enough.
double solveMonotone(const double* c, int deg, double a, double b, double fa)
{
    double lo = a, hi = b;
    const bool loNegative = fa < 0.0;
    double x = 0.5 * (lo + hi);
    double prevWidth = hi - lo;
    for (int it = 0; it < kMaxIter; ++it) {
        double d = 0.0;
        const double f = evalWithDerivative(c, deg, x, d);
        if (f == 0.0)
            return x;
        if ((f < 0.0) == loNegative)
            lo = x;
        else
            hi = x;
        const double width = hi - lo;
        if (width <= 4.0 * 2.2e-16 * (std::fabs(lo) + std::fabs(hi)) || width <= 1e-300)
            break;
        double next = 0.5 * (lo + hi);
        if (d != 0.0) {
            const double newton = x - f / d;
            if (newton > lo && newton < hi && std::fabs(newton - x) < 0.5 * prevWidth) {
                if (newton == x)
                    return x;
                next = newton;
            }
        }
        prevWidth = width;
        x = next;
    }
    return x;
}

// Shared core: touchTol < 0 reports sign changes and exact zeros only.
int rootsImpl(const double* cIn, int deg, double lo, double hi, double touchTol, double* out)
{
    double c[kPolyMaxDegree + 1];
    for (int i = 0; i <= deg; ++i)
        c[i] = cIn[i];
    while (deg > 0 && c[deg] == 0.0)
        --deg;
    if (deg == 0)
        return std::fabs(c[0]) <= touchTol || c[0] == 0.0 ? -1 : 0;
    if (deg == 1) {
        const double x = -c[0] / c[1];
        if (x >= lo && x <= hi) {
            out[0] = x;
            return 1;
        }
        // A line misses the interval; its ends may still touch within tolerance.
        int n = 0;
        const double fl = c[0] + c[1] * lo, fh = c[0] + c[1] * hi;
        if (touchTol >= 0.0) {
            if (std::fabs(fl) <= touchTol && std::fabs(fl) <= std::fabs(fh))
                out[n++] = lo;
            else if (std::fabs(fh) <= touchTol)
                out[n++] = hi;
        }
        return n;
    }

    // Cut points: interval ends and the derivative's roots inside.
    double dc[kPolyMaxDegree];
    for (int i = 0; i < deg; ++i)
        dc[i] = (i + 1) * c[i + 1];
    double nodes[kPolyMaxDegree + 2];
    int nn = 0;
    nodes[nn++] = lo;
    double crit[kPolyMaxDegree + 1];
    const int nc = rootsImpl(dc, deg - 1, lo, hi, -1.0, crit);
    for (int i = 0; i < nc; ++i)
        if (crit[i] > nodes[nn - 1] && crit[i] < hi)
            nodes[nn++] = crit[i];
    if (hi > nodes[nn - 1])
        nodes[nn++] = hi;

    double vals[kPolyMaxDegree + 2];
    for (int i = 0; i < nn; ++i) {
        double d = 0.0;
        vals[i] = evalWithDerivative(c, deg, nodes[i], d);
    }
    auto signRoot = [&](int i) { return i >= 0 && i + 1 < nn && vals[i] * vals[i + 1] < 0.0; };

    int n = 0;
    for (int i = 0; i < nn; ++i) {
        if (vals[i] == 0.0)
            out[n++] = nodes[i];
        else if (touchTol >= 0.0 && std::fabs(vals[i]) <= touchTol && !signRoot(i - 1) && !signRoot(i))
            out[n++] = nodes[i];
        if (signRoot(i))
            out[n++] = solveMonotone(c, deg, nodes[i], nodes[i + 1], vals[i]);
    }
    return n;
}

} // namespace

double POLY_Eval(const double* c, int deg, double x)
{
    if (!c || deg < 0)
        return 0.0;
    double p = c[deg];
    for (int i = deg - 1; i >= 0; --i)
        p = p * x + c[i];
    return p;
}

int POLY_Roots(const double* c, int deg, double lo, double hi, double touchTol, double* roots)
{
    if (!c || !roots || deg < 0 || deg > kPolyMaxDegree)
        return 0;
    if (!std::isfinite(lo) || !std::isfinite(hi) || lo > hi || std::isnan(touchTol))
        return 0;
    for (int i = 0; i <= deg; ++i)
        if (!std::isfinite(c[i]))
            return 0;
    return rootsImpl(c, deg, lo, hi, touchTol, roots);
}
