#include "framework/numerak/QvnMath.h"

#include <cmath>
#include <utility>

namespace QVN_Math {

double ACos(double x)
{
    if (std::isnan(x))
        return 0.0;
    if (x >= 1.0)
        return 0.0;
    if (x <= -1.0)
        return std::acos(-1.0);
    return std::acos(x);
}

int ChkValInt(double lo, double hi, double tol, double x)
{
    if (hi < lo)
        std::swap(lo, hi);
    return (x >= lo - tol && x <= hi + tol) ? 0 : 1;
}

int ChkIntInt(double a0, double a1, double b0, double b1, double tol)
{
    if (a1 < a0)
        std::swap(a0, a1);
    if (b1 < b0)
        std::swap(b0, b1);
    return (b1 + tol >= a0 && b0 - tol <= a1) ? 1 : 0;
}

}  // namespace QVN_Math
