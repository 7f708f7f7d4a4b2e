#include "framework/numerak/Equation.h"

#include <cmath>
#include <utility>

int EQU_SolExpoEquation(double a, double b, double c, double* theta)
{
    if (!std::isfinite(a) || !std::isfinite(b) || !std::isfinite(c)) return 0;
    const double r = std::hypot(a, b);
    if (r == 0.0) return 0;
    const double q = c / r;
    if (q > 1.0 || q < -1.0) return 0;
    const double phi = std::atan2(b, a);
    const double delta = std::acos(q);
    // Fold into (-pi, pi] so that equal roots compare equal.
    auto fold = [](double t) {
        if (t > M_PI) t -= 2.0 * M_PI;
        if (t <= -M_PI) t += 2.0 * M_PI;
        return t;
    };
    theta[0] = fold(phi + delta);
    if (q == 1.0 || q == -1.0) return 1;
    theta[1] = fold(phi - delta);
    return 2;
}

int EQU_SolQuadEqua(double a, double b, double c, double* roots)
{
    if (!std::isfinite(a) || !std::isfinite(b) || !std::isfinite(c)) return 0;
    if (a == 0.0) {
        if (b == 0.0) return 0;
        roots[0] = -c / b;
        return 1;
    }
    const double disc = b * b - 4.0 * a * c;
    if (disc < 0.0) return 0;
    if (disc == 0.0) {
        roots[0] = -b / (2.0 * a);
        return 1;
    }
    const double q = -0.5 * (b + std::copysign(std::sqrt(disc), b));
    double r0 = q / a;
    // q is 0 only when b and c are 0, which makes disc 0; so q != 0 here.
    double r1 = c / q;
    if (r1 < r0) std::swap(r0, r1);
    roots[0] = r0;
    roots[1] = r1;
    return 2;
}
