#include "toolpath/surfkernel/KernelMatrix.h"

#include "framework/numerak/QvMem.h"

#include <cmath>
#include <cstring>
#include <utility>

void MAT_Multiply(int r, int c, const double* A, const double* B, double* out, int k)
{
    for (int i = 0; i < r; ++i)
        for (int j = 0; j < c; ++j) {
            double s = 0.0;
            for (int l = 0; l < k; ++l)
                s += A[i * k + l] * B[l * c + j];
            out[i * c + j] = s;
        }
}

void MAT_Transpose4(double* out, const double* in)
{
    double t[16];
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            t[j * 4 + i] = in[i * 4 + j];
    std::memcpy(out, t, sizeof t);
}

void MAT_Identity(double* m, int n)
{
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j)
            m[i * n + j] = i == j ? 1.0 : 0.0;
}

void VEC_AddScaled(int n, const double* x, double* y, double s)
{
    for (int i = 0; i < n; ++i)
        y[i] += s * x[i];
}

void MAT_ScaleRow(double s, int n, int row, double* m)
{
    if (std::fabs(1.0 - s) < 1e-20)
        return;
    for (int j = 0; j < n; ++j)
        m[row * n + j] *= s;
}

void MAT_AddRowMultiple(int source, int target, double s, int n, double* m)
{
    VEC_AddScaled(n, m + source * n, m + target * n, s);
}

void MAT_SwapRows(int n, double* m, int a, int b)
{
    if (a == b)
        return;
    for (int j = 0; j < n; ++j)
        std::swap(m[a * n + j], m[b * n + j]);
}

int MAT_Invert(int n, double* A, double* out)
{
    MAT_Identity(out, n);
    for (int i = 0; i < n; ++i) {
        // The largest pivot of the column, not merely the first usable one:
        // a tiny first pivot would wipe out the digits of every later row.
        int best = i;
        for (int j = i + 1; j < n; ++j)
            if (std::fabs(A[j * n + i]) > std::fabs(A[best * n + i]))
                best = j;
        if (!(std::fabs(A[best * n + i]) > 1e-20))
            return 0;
        MAT_SwapRows(n, A, i, best);
        MAT_SwapRows(n, out, i, best);
        for (int k = i + 1; k < n; ++k) {
            const double a = A[k * n + i];
            if (std::fabs(a) > 1e-20) {
                const double f = -a / A[i * n + i];
                MAT_AddRowMultiple(i, k, f, n, A);
                MAT_AddRowMultiple(i, k, f, n, out);
            }
        }
    }
    for (int i = n - 1; i >= 0; --i) {
        const double d = A[i * n + i];
        if (!(std::fabs(d) >= 1e-20))
            return 0;
        MAT_ScaleRow(1.0 / d, n, i, A);
        MAT_ScaleRow(1.0 / d, n, i, out);
        for (int k = 0; k < i; ++k) {
            const double f = -A[k * n + i];
            if (f != 0.0) {
                MAT_AddRowMultiple(i, k, f, n, A);
                MAT_AddRowMultiple(i, k, f, n, out);
            }
        }
    }
    return 1;
}

int MAT_PseudoInverse4(const double* A, double* out)
{
    // cols[k] is column k of A; pinv holds k rows of 4 as the recursion grows.
    auto* work = static_cast<double*>(QV_MemAlloc(sizeof(double) * 32));
    if (!work)
        return 0;
    double* cols = work;
    double* pinv = work + 16;
    MAT_Transpose4(cols, A);
    std::memset(pinv, 0, sizeof(double) * 16);
    auto dot4 = [](const double* a, const double* b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2] + a[3] * b[3]; };
    const double a11 = dot4(cols, cols);
    if (a11 > 1e-20)
        for (int j = 0; j < 4; ++j)
            pinv[j] = cols[j] / a11;
    for (int k = 1; k < 4; ++k) {
        const double* ak = cols + 4 * k;
        double d[4] = {};
        for (int i = 0; i < k; ++i)
            d[i] = dot4(pinv + 4 * i, ak);
        double c[4];
        for (int j = 0; j < 4; ++j) {
            c[j] = ak[j];
            for (int i = 0; i < k; ++i)
                c[j] -= cols[4 * i + j] * d[i];
        }
        double b[4] = {};
        const double cc = dot4(c, c);
        if (cc >= 1e-20) {
            for (int j = 0; j < 4; ++j)
                b[j] = c[j] / cc;
        } else {
            double dd = 0.0;
            for (int i = 0; i < k; ++i)
                dd += d[i] * d[i];
            for (int j = 0; j < 4; ++j) {
                for (int i = 0; i < k; ++i)
                    b[j] += d[i] * pinv[4 * i + j];
                b[j] /= 1.0 + dd;
            }
        }
        for (int i = 0; i < k; ++i)
            for (int j = 0; j < 4; ++j)
                pinv[4 * i + j] -= d[i] * b[j];
        std::memcpy(pinv + 4 * k, b, sizeof b);
    }
    std::memcpy(out, pinv, sizeof(double) * 16);
    QV_MemFree(work);
    return 1;
}

namespace {

// Step I of the complete-pivoting elimination, with the sizes fixed at
// compile time. Only what later steps and the back substitution read is
// updated: the eliminated column below the pivot is left as it is.
template <int I> bool EliminateStep(double* A, double* b, int* col)
{
    if constexpr (I == 4) {
        return true;
    } else {
        // The first largest magnitude in row order, chosen without branches.
        int at = I * 4 + I;
        double best = std::fabs(A[at]);
        for (int r = I; r < 4; ++r)
            for (int c = I; c < 4; ++c) {
                const double a = std::fabs(A[r * 4 + c]);
                const bool more = a > best;
                best = more ? a : best;
                at = more ? r * 4 + c : at;
            }
        const int pr = at / 4, pc = at % 4;
        if (best + 1.0 == 1.0)
            return false;
        if (pr != I) {
            for (int c = 0; c < 4; ++c)
                std::swap(A[I * 4 + c], A[pr * 4 + c]);
            std::swap(b[I], b[pr]);
        }
        if (pc != I) {
            for (int r = 0; r < 4; ++r)
                std::swap(A[r * 4 + I], A[r * 4 + pc]);
            std::swap(col[I], col[pc]);
        }
        for (int r = I + 1; r < 4; ++r) {
            const double f = A[r * 4 + I] / A[I * 4 + I];
            if (f == 0.0)
                continue;
            for (int c = I + 1; c < 4; ++c)
                A[r * 4 + c] -= f * A[I * 4 + c];
            b[r] -= f * b[I];
        }
        return EliminateStep<I + 1>(A, b, col);
    }
}

} // namespace

int MAT_Solve4Pivot(double* A, double* b)
{
    int col[4] = {0, 1, 2, 3};
    if (!EliminateStep<0>(A, b, col))
        return 0;
    double y[4];
    for (int i = 3; i >= 0; --i) {
        double s = b[i];
        for (int c = i + 1; c < 4; ++c)
            s -= A[i * 4 + c] * y[c];
        y[i] = s / A[i * 4 + i];
    }
    for (int i = 0; i < 4; ++i)
        b[col[i]] = y[i];
    return 1;
}

int MAT_Solve4(double* x, const double* b, const double* A)
{
    double a[16], y[4];
    std::memcpy(a, A, sizeof a);
    std::memcpy(y, b, sizeof y);
    if (MAT_Solve4Pivot(a, y)) {
        std::memcpy(x, y, sizeof y);
        return 1;
    }
    double pinv[16];
    if (!MAT_PseudoInverse4(A, pinv))
        return -1;
    MAT_Multiply(4, 1, pinv, b, x, 4);
    for (double v : {x[0], x[1], x[2], x[3]})
        if (!std::isfinite(v))
            return 0;
    return 1;
}
