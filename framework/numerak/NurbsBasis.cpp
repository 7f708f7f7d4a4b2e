#include "framework/numerak/NurbsBasis.h"

#include <cmath>

namespace numerak::nurbs {

int FindSpan(int n, int p, double u, const double* U)
{
    if (!(u > U[p])) {  // below the domain (or NaN): first non-empty span
        int i = p;
        while (i < n - 1 && !(U[i] < U[i + 1]))
            ++i;
        return i;
    }
    if (u >= U[n]) {
        int i = n - 1;
        while (i > p && !(U[i] < U[i + 1]))
            --i;
        return i;
    }
    int low = p;
    int high = n;
    // Invariant U[low] <= u < U[high] on monotone knots; the round limit keeps
    // bad knots from looping for ever.
    for (int round = 0; round < 64 && high - low > 1; ++round) {
        const int mid = (low + high) / 2;
        if (u < U[mid])
            high = mid;
        else
            low = mid;
    }
    return low;
}

void BasisFuns(int span, double u, int p, const double* U, double* N)
{
    double left[kMaxOrder];
    double right[kMaxOrder];
    N[0] = 1.0;
    for (int j = 1; j <= p; ++j) {
        left[j] = u - U[span + 1 - j];
        right[j] = U[span + j] - u;
        double saved = 0.0;
        for (int r = 0; r < j; ++r) {
            const double den = right[r + 1] + left[j - r];
            const double temp = den != 0.0 ? N[r] / den : 0.0;
            N[r] = saved + right[r + 1] * temp;
            saved = left[j - r] * temp;
        }
        N[j] = saved;
    }
}

void DersBasisFuns(int span, double u, int p, int nd, const double* U, double (*ders)[kMaxOrder])
{
    double ndu[kMaxOrder][kMaxOrder];
    double a[2][kMaxOrder];
    double left[kMaxOrder];
    double right[kMaxOrder];

    ndu[0][0] = 1.0;
    for (int j = 1; j <= p; ++j) {
        left[j] = u - U[span + 1 - j];
        right[j] = U[span + j] - u;
        double saved = 0.0;
        for (int r = 0; r < j; ++r) {
            ndu[j][r] = right[r + 1] + left[j - r];  // lower triangle: knot differences
            const double temp = ndu[j][r] != 0.0 ? ndu[r][j - 1] / ndu[j][r] : 0.0;
            ndu[r][j] = saved + right[r + 1] * temp;
            saved = left[j - r] * temp;
        }
        ndu[j][j] = saved;
    }
    for (int j = 0; j <= p; ++j)
        ders[0][j] = ndu[j][p];

    const int top = nd < p ? nd : p;
    for (int r = 0; r <= p; ++r) {
        int s1 = 0;
        int s2 = 1;
        a[0][0] = 1.0;
        for (int k = 1; k <= top; ++k) {
            double d = 0.0;
            const int rk = r - k;
            const int pk = p - k;
            if (r >= k) {
                a[s2][0] = ndu[pk + 1][rk] != 0.0 ? a[s1][0] / ndu[pk + 1][rk] : 0.0;
                d = a[s2][0] * ndu[rk][pk];
            }
            const int j1 = rk >= -1 ? 1 : -rk;
            const int j2 = (r - 1 <= pk) ? k - 1 : p - r;
            for (int j = j1; j <= j2; ++j) {
                const double den = ndu[pk + 1][rk + j];
                a[s2][j] = den != 0.0 ? (a[s1][j] - a[s1][j - 1]) / den : 0.0;
                d += a[s2][j] * ndu[rk + j][pk];
            }
            if (r <= pk) {
                const double den = ndu[pk + 1][r];
                a[s2][k] = den != 0.0 ? -a[s1][k - 1] / den : 0.0;
                d += a[s2][k] * ndu[r][pk];
            }
            ders[k][r] = d;
            const int t = s1;
            s1 = s2;
            s2 = t;
        }
    }
    double factor = p;
    for (int k = 1; k <= top; ++k) {
        for (int j = 0; j <= p; ++j)
            ders[k][j] *= factor;
        factor *= (p - k);
    }
    for (int k = top + 1; k <= nd; ++k)
        for (int j = 0; j <= p; ++j)
            ders[k][j] = 0.0;
}

int KnotsValid(int k, int n, const double* U)
{
    if (U == nullptr || k < 2 || n < k)
        return 0;
    int run = 1;
    for (int i = 0; i < n + k; ++i) {
        if (!std::isfinite(U[i]))
            return 0;
        if (i > 0) {
            if (U[i] < U[i - 1])
                return 0;
            run = (U[i] == U[i - 1]) ? run + 1 : 1;
            if (run > k)
                return 0;
        }
    }
    return U[k - 1] < U[n] ? 1 : 0;
}

int KnotMultiplicity(int k, int n, const double* U, double u)
{
    int m = 0;
    for (int i = 0; i < n + k; ++i)
        if (U[i] == u)
            ++m;
    return m;
}

}  // namespace numerak::nurbs
