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

double ClampPeriodic(double lo, double hi, double x)
{
    const double period = hi - lo;
    if (!(period > 0.0) || !std::isfinite(x))
        return lo;
    if (x >= lo && x <= hi)
        return x;
    const double r = x - std::floor((x - lo) / period) * period;
    return r < lo ? lo : (r > hi ? hi : r);
}

namespace {
// splitmix64: one 64-bit word of state, good enough spread for probe fractions.
unsigned long long g_randState = 1;
}  // namespace

double Rand01()
{
    unsigned long long z = (g_randState += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    z ^= z >> 31;
    return static_cast<double>(z >> 11) * (1.0 / 9007199254740991.0);
}

void SeedRand01(unsigned long long seed) { g_randState = seed; }

namespace {
double g_tol = kDefaultTol;
double g_ang = kDefaultAng;
bool Usable(double x) { return x > 0.0 && std::isfinite(x); }
}  // namespace

double GetTol() { return g_tol; }
void SetTol(double tol)
{
    if (Usable(tol)) g_tol = tol;
}
double GetAng() { return g_ang; }
void SetAng(double ang)
{
    if (Usable(ang)) g_ang = ang;
}
void ResetTol()
{
    g_tol = kDefaultTol;
    g_ang = kDefaultAng;
}

}  // namespace QVN_Math
