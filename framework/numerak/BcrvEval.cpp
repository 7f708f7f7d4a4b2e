// Evaluation of NURBS curves: points, derivatives, discretisation step and
// arc length. Nothing here allocates; work buffers are sized by kBcrvMaxOrder.
#include "framework/numerak/Bcrv.h"

#include <cmath>

namespace nb = numerak::nurbs;

namespace {

// Cheap per-call checks; full validation (knot order, weights) is left to the
// editing entry points so evaluation stays fast.
inline bool Ready(const BCRV* c, double t)
{
    return c != nullptr && c->P != nullptr && c->U != nullptr && c->k >= 2 && c->k <= kBcrvMaxOrder &&
           c->n >= c->k && c->U[c->k - 1] < c->U[c->n] && std::isfinite(t);
}

inline double Clamp(const BCRV* c, double t)
{
    const double a = c->U[c->k - 1];
    const double b = c->U[c->n];
    return t < a ? a : (t > b ? b : t);
}

// Homogeneous derivatives Aw[0..d] at t.
void HomDers(const BCRV* c, double t, int d, double (*Aw)[4])
{
    const int p = c->k - 1;
    const int span = nb::FindSpan(c->n, p, t, c->U);
    double ders[kBcrvMaxOrder][kBcrvMaxOrder];
    nb::DersBasisFuns(span, t, p, d, c->U, ders);
    for (int r = 0; r <= d; ++r) {
        double s[4] = {0.0, 0.0, 0.0, 0.0};
        for (int j = 0; j <= p; ++j) {
            const double* q = c->P[span - p + j];
            const double b = ders[r][j];
            s[0] += b * q[0];
            s[1] += b * q[1];
            s[2] += b * q[2];
            s[3] += b * q[3];
        }
        for (int e = 0; e < 4; ++e)
            Aw[r][e] = s[e];
    }
}

// Rational derivatives from homogeneous ones (quotient rule, The NURBS Book A4.2).
bool RationalDers(const double (*Aw)[4], int d, double (*C)[3])
{
    const double w = Aw[0][3];
    if (w == 0.0 || !std::isfinite(w))
        return false;
    for (int r = 0; r <= d; ++r) {
        double v[3] = {Aw[r][0], Aw[r][1], Aw[r][2]};
        double binom = 1.0;  // C(r, i)
        for (int i = 1; i <= r; ++i) {
            binom = binom * (r - i + 1) / i;
            const double wi = Aw[i][3];
            for (int e = 0; e < 3; ++e)
                v[e] -= binom * wi * C[r - i][e];
        }
        for (int e = 0; e < 3; ++e)
            C[r][e] = v[e] / w;
    }
    return true;
}

// Five-point Gauss-Legendre rule on [a, b] of the speed |C'(t)|.
double Gauss5(const BCRV* c, double a, double b)
{
    static constexpr double x[5] = {0.0, -0.5384693101056831, 0.5384693101056831, -0.9061798459386640,
                                    0.9061798459386640};
    static constexpr double w[5] = {0.5688888888888889, 0.4786286704993665, 0.4786286704993665,
                                    0.2369268850561891, 0.2369268850561891};
    const double h = 0.5 * (b - a);
    const double m = 0.5 * (a + b);
    double sum = 0.0;
    for (int i = 0; i < 5; ++i) {
        double Aw[2][4];
        double C[2][3];
        HomDers(c, m + h * x[i], 1, Aw);
        if (!RationalDers(Aw, 1, C))
            return 0.0;
        sum += w[i] * std::sqrt(C[1][0] * C[1][0] + C[1][1] * C[1][1] + C[1][2] * C[1][2]);
    }
    return sum * h;
}

double Adaptive(const BCRV* c, double a, double b, double whole, double tol, int depth)
{
    const double m = 0.5 * (a + b);
    const double left = Gauss5(c, a, m);
    const double right = Gauss5(c, m, b);
    const double both = left + right;
    if (depth >= 30 || std::fabs(both - whole) <= tol)
        return both;
    return Adaptive(c, a, m, left, 0.5 * tol, depth + 1) + Adaptive(c, m, b, right, 0.5 * tol, depth + 1);
}

}  // namespace

int BCRV_EvHom(const BCRV* c, double t, double* Pw)
{
    if (Pw == nullptr || !Ready(c, t))
        return 0;
    t = Clamp(c, t);
    const int p = c->k - 1;
    const int span = nb::FindSpan(c->n, p, t, c->U);
    double N[kBcrvMaxOrder];
    nb::BasisFuns(span, t, p, c->U, N);
    double s[4] = {0.0, 0.0, 0.0, 0.0};
    for (int j = 0; j <= p; ++j) {
        const double* q = c->P[span - p + j];
        s[0] += N[j] * q[0];
        s[1] += N[j] * q[1];
        s[2] += N[j] * q[2];
        s[3] += N[j] * q[3];
    }
    for (int e = 0; e < 4; ++e)
        Pw[e] = s[e];
    return 1;
}

int BCRV_EvPos(const BCRV* c, double t, double* P)
{
    double Pw[4];
    if (P == nullptr || !BCRV_EvHom(c, t, Pw) || Pw[3] == 0.0)
        return 0;
    P[0] = Pw[0] / Pw[3];
    P[1] = Pw[1] / Pw[3];
    P[2] = Pw[2] / Pw[3];
    return 1;
}

int BCRV_EvDers(const BCRV* c, double t, int d, double (*ders)[3])
{
    if (ders == nullptr || d < 0 || d >= kBcrvMaxOrder || !Ready(c, t))
        return 0;
    double Aw[kBcrvMaxOrder][4];
    HomDers(c, Clamp(c, t), d, Aw);
    return RationalDers(Aw, d, ders) ? 1 : 0;
}

int BCRV_Ev1Der(const BCRV* c, double t, double* P, double* d1)
{
    double C[2][3];
    if (P == nullptr || d1 == nullptr || !BCRV_EvDers(c, t, 1, C))
        return 0;
    for (int e = 0; e < 3; ++e) {
        P[e] = C[0][e];
        d1[e] = C[1][e];
    }
    return 1;
}

int BCRV_Ev2Der(const BCRV* c, double t, double* P, double* d1, double* d2)
{
    double C[3][3];
    if (P == nullptr || d1 == nullptr || d2 == nullptr || !BCRV_EvDers(c, t, 2, C))
        return 0;
    for (int e = 0; e < 3; ++e) {
        P[e] = C[0][e];
        d1[e] = C[1][e];
        d2[e] = C[2][e];
    }
    return 1;
}

int BCRV_GetMaxiStepLin(const BCRV* c, double tol, double& step)
{
    if (!BCRV_IsValid(c) || !std::isfinite(tol) || !(tol > 0.0))
        return 0;
    const double range = c->U[c->n] - c->U[c->k - 1];
    double maxCurv = 0.0;
    constexpr int kSamples = 8;
    for (int i = c->k - 1; i < c->n; ++i) {
        const double a = c->U[i];
        const double b = c->U[i + 1];
        if (!(a < b))
            continue;
        for (int s = 0; s <= kSamples; ++s) {
            // Ends are taken just inside so a C1 joint is seen from this span's side.
            const double f = (s == 0) ? 1e-9 : (s == kSamples ? 1.0 - 1e-9 : static_cast<double>(s) / kSamples);
            double C[3][3];
            if (!BCRV_EvDers(c, a + f * (b - a), 2, C))
                return 0;
            const double m = std::sqrt(C[2][0] * C[2][0] + C[2][1] * C[2][1] + C[2][2] * C[2][2]);
            if (m > maxCurv)
                maxCurv = m;
        }
    }
    double h = range;
    if (maxCurv > 0.0) {
        h = std::sqrt(8.0 * tol / maxCurv);
        if (h > range)
            h = range;
    }
    if (!(h > 0.0) || !std::isfinite(h))
        return 0;
    step = h;
    return 1;
}

double BCRV_Length(const BCRV* c, double t0, double t1, double tol)
{
    if (!BCRV_IsValid(c) || !std::isfinite(t0) || !std::isfinite(t1) || !std::isfinite(tol) || !(tol > 0.0))
        return -1.0;
    if (t1 < t0) {
        const double s = t0;
        t0 = t1;
        t1 = s;
    }
    t0 = Clamp(c, t0);
    t1 = Clamp(c, t1);
    if (!(t0 < t1))
        return 0.0;
    const double range = t1 - t0;
    double total = 0.0;
    // Integrate span by span: the speed is smooth inside a span but may kink at knots.
    for (int i = c->k - 1; i < c->n; ++i) {
        const double a = c->U[i] > t0 ? c->U[i] : t0;
        const double b = c->U[i + 1] < t1 ? c->U[i + 1] : t1;
        if (!(a < b))
            continue;
        const double share = tol * (b - a) / range;
        total += Adaptive(c, a, b, Gauss5(c, a, b), share, 0);
    }
    return total;
}
