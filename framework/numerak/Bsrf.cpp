// NURBS surface record: allocation, evaluation, discretisation step and
// transforms of the control net.
#include "framework/numerak/Bsrf.h"

#include "framework/numerak/BcrvDetail.h"
#include "framework/numerak/Matrix33.h"
#include "framework/numerak/Matrix44.h"
#include "framework/numerak/Point2D.h"
#include "framework/numerak/Point3D.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace nb = numerak::nurbs;
using nb::detail::IsFinite3;

namespace {

constexpr int kMaxDer = 2;

double Norm3(const double* v) { return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]); }

void Cross3(const double* a, const double* b, double* out)
{
    const double c[3] = {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
    out[0] = c[0];
    out[1] = c[1];
    out[2] = c[2];
}

// Cheap per-call checks; full validation is left to the entry points that
// change or copy a record so that evaluation stays fast.
inline bool Ready(const _nurbs_surface* s, double u, double v)
{
    return s != nullptr && s->P != nullptr && s->U != nullptr && s->V != nullptr && s->ku >= 2 &&
           s->ku <= kBcrvMaxOrder && s->kv >= 2 && s->kv <= kBcrvMaxOrder && s->nu >= s->ku && s->nv >= s->kv &&
           s->U[s->ku - 1] < s->U[s->nu] && s->V[s->kv - 1] < s->V[s->nv] && std::isfinite(u) && std::isfinite(v);
}

inline double Clamp(double t, double a, double b) { return t < a ? a : (t > b ? b : t); }

double ULo(const _nurbs_surface* s) { return s->U[s->ku - 1]; }
double UHi(const _nurbs_surface* s) { return s->U[s->nu]; }
double VLo(const _nurbs_surface* s) { return s->V[s->kv - 1]; }
double VHi(const _nurbs_surface* s) { return s->V[s->nv]; }

// Homogeneous partial derivatives Aw[k][l] (k in u, l in v, k + l <= d) at
// (u, v), already clamped (The NURBS Book A3.6).
void HomDers(const _nurbs_surface* s, double u, double v, int d, double (*Aw)[kMaxDer + 1][4])
{
    const int pu = s->ku - 1;
    const int pv = s->kv - 1;
    const int su = nb::FindSpan(s->nu, pu, u, s->U);
    const int sv = nb::FindSpan(s->nv, pv, v, s->V);
    double Nu[kMaxDer + 1][nb::kMaxOrder];
    double Nv[kMaxDer + 1][nb::kMaxOrder];
    nb::DersBasisFuns(su, u, pu, d, s->U, Nu);
    nb::DersBasisFuns(sv, v, pv, d, s->V, Nv);
    for (int k = 0; k <= d; ++k) {
        // temp[l] = sum over v of Nv[?]·P for each row, then over rows.
        double temp[nb::kMaxOrder][4];
        for (int r = 0; r <= pv; ++r)
            for (int e = 0; e < 4; ++e)
                temp[r][e] = 0.0;
        for (int i = 0; i <= pu; ++i) {
            const double b = Nu[k][i];
            if (b == 0.0)
                continue;
            const double (*row)[4] = s->P[su - pu + i] + (sv - pv);
            for (int r = 0; r <= pv; ++r)
                for (int e = 0; e < 4; ++e)
                    temp[r][e] += b * row[r][e];
        }
        for (int l = 0; l + k <= d; ++l) {
            double acc[4] = {0.0, 0.0, 0.0, 0.0};
            for (int r = 0; r <= pv; ++r)
                for (int e = 0; e < 4; ++e)
                    acc[e] += Nv[l][r] * temp[r][e];
            for (int e = 0; e < 4; ++e)
                Aw[k][l][e] = acc[e];
        }
    }
}

} // namespace

// Cartesian partial derivatives SKL[k][l] from homogeneous ones (The NURBS
// Book A4.4).
bool nb::detail::RationalDers(const double (*Aw)[3][4], int d, double (*SKL)[3][3])
{
    static constexpr double kBin[3][3] = {{1, 0, 0}, {1, 1, 0}, {1, 2, 1}};
    const double w = Aw[0][0][3];
    if (w == 0.0 || !std::isfinite(w))
        return false;
    if (d <= 1)
        return nb::detail::RationalFirstDers(Aw, d, SKL[0][0], SKL[1][0], SKL[0][1]);
    if (d == 2) {
        // The loops below for d = 2, written out with the same operations in
        // the same order, so the same values (the binomials 1 and 2 scale
        // exactly, and subtracting the loops' zero sums changes nothing): the
        // offset surfaces ask for this order at every point.
        const double w01 = Aw[0][1][3], w02 = Aw[0][2][3], w10 = Aw[1][0][3], w11 = Aw[1][1][3], w20 = Aw[2][0][3];
        for (int e = 0; e < 3; ++e) {
            const double s00 = Aw[0][0][e] / w;
            const double s01 = (Aw[0][1][e] - w01 * s00) / w;
            const double s02 = (Aw[0][2][e] - 2.0 * w01 * s01 - w02 * s00) / w;
            const double s10 = (Aw[1][0][e] - w10 * s00) / w;
            const double v2 = 0.0 + w11 * s00;
            const double s11 = (Aw[1][1][e] - w01 * s10 - w10 * s01 - v2) / w;
            const double s20 = (Aw[2][0][e] - 2.0 * w10 * s10 - w20 * s00) / w;
            SKL[0][0][e] = s00;
            SKL[0][1][e] = s01;
            SKL[0][2][e] = s02;
            SKL[1][0][e] = s10;
            SKL[1][1][e] = s11;
            SKL[2][0][e] = s20;
        }
        return true;
    }
    for (int k = 0; k <= d; ++k) {
        for (int l = 0; l + k <= d; ++l) {
            double v[3] = {Aw[k][l][0], Aw[k][l][1], Aw[k][l][2]};
            for (int j = 1; j <= l; ++j)
                for (int e = 0; e < 3; ++e)
                    v[e] -= kBin[l][j] * Aw[0][j][3] * SKL[k][l - j][e];
            for (int i = 1; i <= k; ++i) {
                for (int e = 0; e < 3; ++e)
                    v[e] -= kBin[k][i] * Aw[i][0][3] * SKL[k - i][l][e];
                double v2[3] = {0.0, 0.0, 0.0};
                for (int j = 1; j <= l; ++j)
                    for (int e = 0; e < 3; ++e)
                        v2[e] += kBin[l][j] * Aw[i][j][3] * SKL[k - i][l - j][e];
                for (int e = 0; e < 3; ++e)
                    v[e] -= kBin[k][i] * v2[e];
            }
            for (int e = 0; e < 3; ++e)
                SKL[k][l][e] = v[e] / w;
        }
    }
    return true;
}

namespace {

bool EvDers(const _nurbs_surface* s, double u, double v, int d, double (*SKL)[kMaxDer + 1][3])
{
    if (!Ready(s, u, v))
        return false;
    u = Clamp(u, ULo(s), UHi(s));
    v = Clamp(v, VLo(s), VHi(s));
    double Aw[kMaxDer + 1][kMaxDer + 1][4];
    HomDers(s, u, v, d, Aw);
    return nb::detail::RationalDers(Aw, d, SKL);
}

bool AllWeightsPositive(const _nurbs_surface* s)
{
    for (int i = 0; i < s->nu; ++i)
        for (int j = 0; j < s->nv; ++j)
            if (!(s->P[i][j][3] > 0.0) || !std::isfinite(s->P[i][j][3]))
                return false;
    return true;
}

// Applies f to every Cartesian control point, keeping the weights.
template <class F>
int MapNet(_nurbs_surface* s, F f)
{
    if (s == nullptr || s->P == nullptr || !AllWeightsPositive(s))
        return 0;
    for (int i = 0; i < s->nu; ++i) {
        for (int j = 0; j < s->nv; ++j) {
            double* q = s->P[i][j];
            const double w = q[3];
            double p[3] = {q[0] / w, q[1] / w, q[2] / w};
            f(p);
            for (int e = 0; e < 3; ++e)
                q[e] = p[e] * w;
        }
    }
    return 1;
}

// Runs a curve-record transform over each row of the net, so that surfaces and
// the curves drawn on them move alike. The row is lent to a record that only
// touches its control points; all arguments are checked on the first row, so
// a failure leaves the net unchanged.
template <class Op>
int ForEachRow(_nurbs_surface* s, Op op)
{
    if (s == nullptr || s->P == nullptr || !AllWeightsPositive(s))
        return 0;
    BCRV row;
    row.k = 2;
    row.n = s->nv;
    int ok = 1;
    for (int i = 0; i < s->nu && ok; ++i) {
        row.P = s->P[i];
        ok = op(row);
    }
    row.P = nullptr;
    return ok;
}

double* AllocDoubles(int m) { return static_cast<double*>(std::malloc(sizeof(double) * static_cast<size_t>(m))); }

// Largest norm of a second partial derivative (k = 2 for Suu, l = 2 for Svv)
// over a grid of samples in every knot-span patch.
double MaxSecondDer(const _nurbs_surface* s, int k, int l)
{
    constexpr int kSamples = 6;
    double best = 0.0;
    for (int i = s->ku - 1; i < s->nu; ++i) {
        const double u0 = s->U[i];
        const double u1 = s->U[i + 1];
        if (!(u0 < u1))
            continue;
        for (int j = s->kv - 1; j < s->nv; ++j) {
            const double v0 = s->V[j];
            const double v1 = s->V[j + 1];
            if (!(v0 < v1))
                continue;
            for (int a = 0; a <= kSamples; ++a) {
                // Ends are taken just inside so that a joint is seen from this patch's side.
                const double fa = a == 0 ? 1e-9 : (a == kSamples ? 1.0 - 1e-9 : static_cast<double>(a) / kSamples);
                for (int b = 0; b <= kSamples; ++b) {
                    const double fb =
                        b == 0 ? 1e-9 : (b == kSamples ? 1.0 - 1e-9 : static_cast<double>(b) / kSamples);
                    double SKL[kMaxDer + 1][kMaxDer + 1][3];
                    if (!EvDers(s, u0 + fa * (u1 - u0), v0 + fb * (v1 - v0), 2, SKL))
                        return -1.0;
                    const double m = Norm3(SKL[k][l]);
                    if (m > best)
                        best = m;
                }
            }
        }
    }
    return best;
}

}  // namespace

_nurbs_surface* BSRF_Create(int ku, int nu, int kv, int nv)
{
    if (ku < 2 || kv < 2 || ku > kBcrvMaxOrder || kv > kBcrvMaxOrder || nu < ku || nv < kv)
        return nullptr;
    auto* s = static_cast<_nurbs_surface*>(std::calloc(1, sizeof(_nurbs_surface)));
    if (s == nullptr)
        return nullptr;
    s->ku = ku;
    s->kv = kv;
    s->nu = nu;
    s->nv = nv;
    s->U = AllocDoubles(nu + ku);
    s->V = AllocDoubles(nv + kv);
    s->P = static_cast<double(**)[4]>(std::calloc(static_cast<size_t>(nu), sizeof(double(*)[4])));
    if (s->U == nullptr || s->V == nullptr || s->P == nullptr) {
        BSRF_Free(s);
        return nullptr;
    }
    for (int i = 0; i < nu; ++i) {
        s->P[i] = static_cast<double(*)[4]>(std::malloc(sizeof(double[4]) * static_cast<size_t>(nv)));
        if (s->P[i] == nullptr) {
            BSRF_Free(s);
            return nullptr;
        }
        for (int j = 0; j < nv; ++j) {
            s->P[i][j][0] = s->P[i][j][1] = s->P[i][j][2] = 0.0;
            s->P[i][j][3] = 1.0;
        }
    }
    auto clamped = [](double* knots, int k, int n) {
        for (int i = 0; i < k; ++i) {
            knots[i] = 0.0;
            knots[n + i] = 1.0;
        }
        for (int i = k; i < n; ++i)
            knots[i] = static_cast<double>(i - k + 1) / (n - k + 1);
    };
    clamped(s->U, ku, nu);
    clamped(s->V, kv, nv);
    return s;
}

void BSRF_Free(_nurbs_surface* s)
{
    if (s == nullptr)
        return;
    if (s->P != nullptr)
        for (int i = 0; i < s->nu; ++i)
            std::free(s->P[i]);
    std::free(s->P);
    std::free(s->U);
    std::free(s->V);
    std::free(s);
}

int BSRF_IsValid(const _nurbs_surface* s)
{
    if (s == nullptr || s->P == nullptr || s->U == nullptr || s->V == nullptr || s->ku < 2 || s->kv < 2 ||
        s->ku > kBcrvMaxOrder || s->kv > kBcrvMaxOrder || s->nu < s->ku || s->nv < s->kv)
        return 0;
    if (!nb::KnotsValid(s->ku, s->nu, s->U) || !nb::KnotsValid(s->kv, s->nv, s->V))
        return 0;
    for (int i = 0; i < s->nu; ++i) {
        if (s->P[i] == nullptr)
            return 0;
        for (int j = 0; j < s->nv; ++j)
            if (!IsFinite3(s->P[i][j]) || !(s->P[i][j][3] > 0.0) || !std::isfinite(s->P[i][j][3]))
                return 0;
    }
    return 1;
}

_nurbs_surface* BSRF_Clone(const _nurbs_surface* s)
{
    if (!BSRF_IsValid(s))
        return nullptr;
    _nurbs_surface* c = BSRF_Create(s->ku, s->nu, s->kv, s->nv);
    if (c == nullptr)
        return nullptr;
    std::memcpy(c->U, s->U, sizeof(double) * static_cast<size_t>(s->nu + s->ku));
    std::memcpy(c->V, s->V, sizeof(double) * static_cast<size_t>(s->nv + s->kv));
    for (int i = 0; i < s->nu; ++i)
        std::memcpy(c->P[i], s->P[i], sizeof(double[4]) * static_cast<size_t>(s->nv));
    return c;
}

int BSRF_EvPos(const _nurbs_surface* s, double u, double v, double* P)
{
    if (P == nullptr || !Ready(s, u, v))
        return 0;
    u = Clamp(u, ULo(s), UHi(s));
    v = Clamp(v, VLo(s), VHi(s));
    const int pu = s->ku - 1;
    const int pv = s->kv - 1;
    const int su = nb::FindSpan(s->nu, pu, u, s->U);
    const int sv = nb::FindSpan(s->nv, pv, v, s->V);
    double Nu[nb::kMaxOrder];
    double Nv[nb::kMaxOrder];
    nb::BasisFuns(su, u, pu, s->U, Nu);
    nb::BasisFuns(sv, v, pv, s->V, Nv);
    double acc[4] = {0.0, 0.0, 0.0, 0.0};
    for (int i = 0; i <= pu; ++i) {
        const double (*row)[4] = s->P[su - pu + i] + (sv - pv);
        double t[4] = {0.0, 0.0, 0.0, 0.0};
        for (int r = 0; r <= pv; ++r)
            for (int e = 0; e < 4; ++e)
                t[e] += Nv[r] * row[r][e];
        for (int e = 0; e < 4; ++e)
            acc[e] += Nu[i] * t[e];
    }
    if (acc[3] == 0.0 || !std::isfinite(acc[3]))
        return 0;
    for (int e = 0; e < 3; ++e)
        P[e] = acc[e] / acc[3];
    return 1;
}

int BSRF_Ev1Der(const _nurbs_surface* s, double u, double v, double* P, double* Su, double* Sv)
{
    double SKL[kMaxDer + 1][kMaxDer + 1][3];
    if (P == nullptr || Su == nullptr || Sv == nullptr || !EvDers(s, u, v, 1, SKL))
        return 0;
    for (int e = 0; e < 3; ++e) {
        P[e] = SKL[0][0][e];
        Su[e] = SKL[1][0][e];
        Sv[e] = SKL[0][1][e];
    }
    return 1;
}

int BSRF_Ev2Der(const _nurbs_surface* s, double u, double v, double* P, double* Su, double* Sv, double* Suu,
                double* Suv, double* Svv)
{
    double SKL[kMaxDer + 1][kMaxDer + 1][3];
    if (P == nullptr || Su == nullptr || Sv == nullptr || Suu == nullptr || Suv == nullptr || Svv == nullptr ||
        !EvDers(s, u, v, 2, SKL))
        return 0;
    nb::detail::SplitSecondDers(SKL, P, Su, Sv, Suu, Suv, Svv);
    return 1;
}

int BSRF_EvNormal(const _nurbs_surface* s, double u, double v, double* P, double* normal)
{
    if (P == nullptr || normal == nullptr || !Ready(s, u, v))
        return 0;
    u = Clamp(u, ULo(s), UHi(s));
    v = Clamp(v, VLo(s), VHi(s));
    double SKL[kMaxDer + 1][kMaxDer + 1][3];
    if (!EvDers(s, u, v, 1, SKL))
        return 0;
    for (int e = 0; e < 3; ++e)
        P[e] = SKL[0][0][e];
    const double* Su = SKL[1][0];
    const double* Sv = SKL[0][1];
    const double lu = Norm3(Su);
    const double lv = Norm3(Sv);
    double n[3];
    Cross3(Su, Sv, n);
    double ln = Norm3(n);
    // The product is trusted unless it is tiny against the tangents' own size.
    const double big = lu > lv ? lu : lv;
    if (ln > 1e-12 * lu * lv && ln > 0.0 && lu > 1e-9 * big && lv > 1e-9 * big) {
        for (int e = 0; e < 3; ++e)
            normal[e] = n[e] / ln;
        return 1;
    }
    // A collapsed edge: one tangent vanishes; near the edge it grows like h times
    // the mixed derivative, h the step into the domain.
    const double uMid = 0.5 * (ULo(s) + UHi(s));
    const double vMid = 0.5 * (VLo(s) + VHi(s));
    if (big > 0.0 && EvDers(s, u, v, 2, SKL)) {
        if (lv <= 1e-9 * big) {
            Cross3(Su, SKL[1][1], n);
            if (u > uMid)
                for (double& c : n) c = -c;
        } else if (lu <= 1e-9 * big) {
            Cross3(SKL[1][1], Sv, n);
            if (v > vMid)
                for (double& c : n) c = -c;
        }
        ln = Norm3(n);
        if (ln > 1e-12 * big * Norm3(SKL[1][1]) && ln > 0.0) {
            for (int e = 0; e < 3; ++e)
                normal[e] = n[e] / ln;
            return 1;
        }
    }
    // Otherwise the normal a little inside the domain, towards its middle.
    const double hu = 1e-6 * (UHi(s) - ULo(s));
    const double hv = 1e-6 * (VHi(s) - VLo(s));
    for (int step = 1; step <= 4; ++step) {
        const double f = static_cast<double>(step * step);
        const double ui = u + (u > uMid ? -hu : hu) * f;
        const double vi = v + (v > vMid ? -hv : hv) * f;
        double T[kMaxDer + 1][kMaxDer + 1][3];
        if (!EvDers(s, ui, vi, 1, T))
            return 0;
        Cross3(T[1][0], T[0][1], n);
        ln = Norm3(n);
        if (ln > 0.0 && std::isfinite(ln)) {
            for (int e = 0; e < 3; ++e)
                normal[e] = n[e] / ln;
            return 1;
        }
    }
    return 0;
}

int BSRF_GetMaxiStepLin(const _nurbs_surface* s, double tol, double* du, double* dv)
{
    if (du == nullptr || dv == nullptr || !BSRF_IsValid(s) || !std::isfinite(tol) || !(tol > 0.0))
        return 0;
    const double mu = MaxSecondDer(s, 2, 0);
    const double mv = MaxSecondDer(s, 0, 2);
    if (mu < 0.0 || mv < 0.0)
        return 0;
    // 0.9: the sampled maximum may fall a little short of the true one.
    auto step = [&](double m, double range) {
        if (!(m > 0.0))
            return range;
        const double h = 0.9 * std::sqrt(8.0 * tol / m);
        return h < range ? h : range;
    };
    const double hu = step(mu, UHi(s) - ULo(s));
    const double hv = step(mv, VHi(s) - VLo(s));
    if (!(hu > 0.0) || !(hv > 0.0) || !std::isfinite(hu) || !std::isfinite(hv))
        return 0;
    *du = hu;
    *dv = hv;
    return 1;
}

int BSRF_Move(_nurbs_surface* s, const double* v)
{
    return ForEachRow(s, [&](BCRV& row) { return row.Move(v); });
}

int BSRF_Roate(_nurbs_surface* s, const double* p, const double* dir, double angle)
{
    return ForEachRow(s, [&](BCRV& row) { return row.Rotate(p, dir, angle); });
}

int BSRF_Twist(_nurbs_surface* s, const double* p, const double* dir, double angle)
{
    return ForEachRow(s, [&](BCRV& row) { return row.Twist(p, dir, angle); });
}

int BSRF_Taper(_nurbs_surface* s, const double* p, const double* dir, double angle)
{
    return ForEachRow(s, [&](BCRV& row) { return row.Taper(p, dir, angle); });
}

int BSRF_Shear(_nurbs_surface* s, const double* base, const double* f)
{
    return ForEachRow(s, [&](BCRV& row) { return row.Shear(base, f); });
}

int BSRF_Shear(_nurbs_surface* s, const double* p, const double* dir, const double* n)
{
    return ForEachRow(s, [&](BCRV& row) { return row.Shear(p, dir, n); });
}

int BSRF_Scale(_nurbs_surface* s, const double* c, const double* f)
{
    return ForEachRow(s, [&](BCRV& row) { return row.Scale(c, f); });
}

int BSRF_Mirror2D(_nurbs_surface* s, const double* p, const double* q)
{
    if (p == nullptr || q == nullptr || !std::isfinite(p[0]) || !std::isfinite(p[1]) || !std::isfinite(q[0]) ||
        !std::isfinite(q[1]) || (p[0] == q[0] && p[1] == q[1]))
        return 0;
    return MapNet(s, [&](double* x) { P2D_Mirr(p, q, x, x); });
}

int BSRF_Mirror(_nurbs_surface* s, const double* p, const double* n)
{
    if (p == nullptr || n == nullptr || !IsFinite3(p) || !IsFinite3(n) || Norm3(n) == 0.0)
        return 0;
    return MapNet(s, [&](double* x) { P3D_Mirror(p, n, x, x); });
}

int BSRF_Transform(_nurbs_surface* s, const double (*m)[4])
{
    if (m == nullptr)
        return 0;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            if (!std::isfinite(m[r][c]))
                return 0;
    return MapNet(s, [&](double* x) { MAT44_MultPt(x, x, m); });
}

int BSRF_TransformWorld(_nurbs_surface* s, const _rect_fm3d* frame)
{
    if (frame == nullptr)
        return 0;
    return MapNet(s, [&](double* x) { RF_TransWorldP3D(frame, x, x); });
}

int BSRF_TransLocal(_nurbs_surface* s, const _rect_fm3d* frame)
{
    if (frame == nullptr)
        return 0;
    return MapNet(s, [&](double* x) { RF_TransLocalP3D(frame, x, x); });
}
