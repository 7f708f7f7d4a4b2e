#include "framework/numerak/Knot.h"

#include <cmath>
#include <cstdlib>

double* KNOT_Gen(int k, int n)
{
    if (k < 2 || n < k || n > (1 << 28))
        return nullptr;
    auto* U = static_cast<double*>(std::malloc(sizeof(double) * static_cast<size_t>(n + k)));
    if (U == nullptr)
        return nullptr;
    const int inner = n - k;
    for (int i = 0; i < k; ++i) {
        U[i] = 0.0;
        U[n + i] = 1.0;
    }
    for (int j = 1; j <= inner; ++j)
        U[k - 1 + j] = static_cast<double>(j) / (inner + 1);
    return U;
}

void KNOT_Free(double* knots)
{
    std::free(knots);
}

int KNOT_CalAccumChord(int n, const double (*pts)[3], double* params)
{
    if (pts == nullptr || params == nullptr || n < 2)
        return 0;
    double total = 0.0;
    for (int i = 1; i < n; ++i) {
        const double dx = pts[i][0] - pts[i - 1][0];
        const double dy = pts[i][1] - pts[i - 1][1];
        const double dz = pts[i][2] - pts[i - 1][2];
        total += std::sqrt(dx * dx + dy * dy + dz * dz);
    }
    if (!std::isfinite(total) || !(total > 0.0))
        return 0;
    double run = 0.0;
    params[0] = 0.0;
    for (int i = 1; i < n; ++i) {
        const double dx = pts[i][0] - pts[i - 1][0];
        const double dy = pts[i][1] - pts[i - 1][1];
        const double dz = pts[i][2] - pts[i - 1][2];
        run += std::sqrt(dx * dx + dy * dy + dz * dz);
        params[i] = run / total;
    }
    params[n - 1] = 1.0;
    return 1;
}

int KNOT_CalByAC(int k, int n, const double* params, double* knots)
{
    if (params == nullptr || knots == nullptr || k < 2 || n < k)
        return 0;
    for (int i = 0; i < n; ++i) {
        if (!std::isfinite(params[i]) || (i > 0 && params[i] < params[i - 1]))
            return 0;
    }
    if (!(params[0] < params[n - 1]))
        return 0;
    const int p = k - 1;
    for (int i = 0; i < k; ++i) {
        knots[i] = params[0];
        knots[n + i] = params[n - 1];
    }
    // Running window sum keeps long inputs linear in n.
    double sum = 0.0;
    for (int i = 1; i < p; ++i)
        sum += params[i];
    for (int j = 1; j <= n - k; ++j) {
        sum += params[j + p - 1];
        knots[j + p] = sum / p;
        sum -= params[j];
    }
    return 1;
}

int KNOT_Regu(int k, int n, double* knots)
{
    if (knots == nullptr || k < 2 || n < k)
        return 0;
    const double a = knots[k - 1];
    const double b = knots[n];
    if (!std::isfinite(a) || !std::isfinite(b) || !(a < b))
        return 0;
    const double s = 1.0 / (b - a);
    // Knots equal to the domain ends map exactly to 0 and 1, so callers may compare.
    for (int i = 0; i < n + k; ++i)
        knots[i] = knots[i] == a ? 0.0 : knots[i] == b ? 1.0 : (knots[i] - a) * s;
    return 1;
}
