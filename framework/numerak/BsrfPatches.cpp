// Bezier patches of a NURBS surface per knot-span pair, made on first use.
#include "framework/numerak/Bsrf.h"

#include "framework/numerak/BcrvDetail.h"
#include "framework/numerak/NurbsBasis.h"

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <new>
#include <type_traits>

namespace nb = numerak::nurbs;

struct BSRF_PATCHES {
    // The surface the table serves, with what evaluation reads of it.
    const _nurbs_surface* s;
    double (**P)[4];
    const double* U;
    const double* V;
    int ku, kv, nu, nv;
    // One slot per span pair (u span major); null until the patch is made.
    std::atomic<double*>* slot;
    // The spans last found, tried before the search: evaluations come in runs
    // along the surface. Only a hint, so threads may overwrite each other's;
    // on a line of its own, so that its writes do not evict the fields above
    // from other threads' caches.
    alignas(64) std::atomic<int> lastU, lastV;
};

namespace {

constexpr int kMaxDer = 2;
// A patch block: the span ends a, b in u and in v, 1 / (b - a) of both, then
// the ku × kv homogeneous Bezier points, u index major.
constexpr int kHeader = 6;

// Bezier coefficients M[k][r] of the basis functions N[span - p + r] over the
// span, from their Taylor expansions at both span ends (power to Bernstein
// form: b_k = sum over j <= k of C(k, j) / C(p, j) · c_j): the first half of
// the coefficients from the start, the rest from the end, so that each end's
// coefficient is the basis value there as the recursion gives it.
void SpanToBezier(int span, int p, const double* U, double (*M)[nb::kMaxOrder])
{
    const double a = U[span], b = U[span + 1], h = b - a;
    double Da[nb::kMaxOrder][nb::kMaxOrder], Db[nb::kMaxOrder][nb::kMaxOrder];
    nb::DersBasisFuns(span, a, p, p, U, Da);
    nb::DersBasisFuns(span, b, p, p, U, Db);
    // binom[n][k] = C(n, k).
    double binom[nb::kMaxOrder][nb::kMaxOrder] = {};
    for (int n = 0; n <= p; ++n) {
        binom[n][0] = 1.0;
        for (int k = 1; k <= n; ++k)
            binom[n][k] = binom[n - 1][k - 1] + (k < n ? binom[n - 1][k] : 0.0);
    }
    // Taylor coefficients in the span's own parameter t = (u - a) / h, from the
    // start (ca) and, in s = 1 - t, from the end (cb).
    double ca[nb::kMaxOrder][nb::kMaxOrder], cb[nb::kMaxOrder][nb::kMaxOrder];
    double fa = 1.0, fb = 1.0;
    for (int j = 0; j <= p; ++j) {
        for (int r = 0; r <= p; ++r) {
            ca[j][r] = Da[j][r] * fa;
            cb[j][r] = Db[j][r] * fb;
        }
        fa *= h / (j + 1);
        fb *= -h / (j + 1);
    }
    const int fromStart = p / 2;
    for (int r = 0; r <= p; ++r) {
        for (int k = 0; k <= p; ++k) {
            const bool start = k <= fromStart;
            const int m = start ? k : p - k;
            double sum = 0.0;
            for (int j = 0; j <= m; ++j)
                sum += binom[m][j] / binom[p][j] * (start ? ca[j][r] : cb[j][r]);
            M[k][r] = sum;
        }
    }
}

// The Bezier patch of span pair (su, sv) in a new block; null without memory.
double* MakePatch(const BSRF_PATCHES* t, int su, int sv)
{
    const int pu = t->ku - 1, pv = t->kv - 1;
    auto* block = static_cast<double*>(std::malloc(sizeof(double) * (kHeader + 4 * t->ku * t->kv)));
    if (block == nullptr)
        return nullptr;
    block[0] = t->U[su];
    block[1] = t->U[su + 1];
    block[2] = 1.0 / (block[1] - block[0]);
    block[3] = t->V[sv];
    block[4] = t->V[sv + 1];
    block[5] = 1.0 / (block[4] - block[3]);
    double Mu[nb::kMaxOrder][nb::kMaxOrder], Mv[nb::kMaxOrder][nb::kMaxOrder];
    SpanToBezier(su, pu, t->U, Mu);
    SpanToBezier(sv, pv, t->V, Mv);
    double* Q = block + kHeader;
    // Rows first: R[r][l] = sum over s of Mv[l][s]·P[su - pu + r][sv - pv + s].
    double R[nb::kMaxOrder][nb::kMaxOrder][4];
    for (int r = 0; r <= pu; ++r) {
        const double (*row)[4] = t->P[su - pu + r] + (sv - pv);
        for (int l = 0; l <= pv; ++l)
            for (int e = 0; e < 4; ++e) {
                double sum = 0.0;
                for (int s = 0; s <= pv; ++s)
                    sum += Mv[l][s] * row[s][e];
                R[r][l][e] = sum;
            }
    }
    for (int k = 0; k <= pu; ++k)
        for (int l = 0; l <= pv; ++l)
            for (int e = 0; e < 4; ++e) {
                double sum = 0.0;
                for (int r = 0; r <= pu; ++r)
                    sum += Mu[k][r] * R[r][l][e];
                Q[(k * t->kv + l) * 4 + e] = sum;
            }
    return block;
}

// Bernstein polynomials of degree p and their derivatives up to d (d/du, the
// span's 1 / (b - a) being inv) at u in [a, b]: B[k][i]. Both t and 1 - t are
// measured from their own end, so each is exactly 0 at its end. P and D are
// int or compile-time constants (std::integral_constant), for which the loops
// unroll and the scratch rows shrink to the degree.
template <class P, class D>
void Bernstein(P degree, double u, double a, double b, double inv, D derivatives, double (*B)[nb::kMaxOrder])
{
    const int p = degree, d = derivatives;
    constexpr int kRow = std::is_same_v<P, int> ? nb::kMaxOrder : static_cast<int>(P{}) + 1;
    const double t = (u - a) * inv, s = (b - u) * inv;
    // The triangle's levels grow in B[0]; levels p - 1 and p - 2 are kept
    // for the derivatives.
    double below1[kRow], below2[kRow];
    double* level = B[0];
    level[0] = 1.0;
#pragma GCC unroll 16
    for (int q = 1; q <= p; ++q) {
        if (d >= 1 && q == p)
#pragma GCC unroll 16
            for (int k = 0; k < q; ++k)
                below1[k] = level[k];
        if (d >= 2 && q == p - 1)
#pragma GCC unroll 16
            for (int k = 0; k < q; ++k)
                below2[k] = level[k];
        level[q] = t * level[q - 1];
#pragma GCC unroll 16
        for (int k = q - 1; k >= 1; --k)
            level[k] = s * level[k] + t * level[k - 1];
        level[0] *= s;
    }
    if (d >= 1) {
        const double f = p * inv;
#pragma GCC unroll 16
        for (int k = 0; k <= p; ++k)
            B[1][k] = f * ((k > 0 ? below1[k - 1] : 0.0) - (k < p ? below1[k] : 0.0));
    }
    if (d >= 2) {
        const double f = p * (p - 1) * inv * inv;
#pragma GCC unroll 16
        for (int k = 0; k <= p; ++k) {
            if (p < 2) {
                B[2][k] = 0.0;
                continue;
            }
            const double lo = k >= 2 ? below2[k - 2] : 0.0;
            const double mid = k >= 1 && k - 1 <= p - 2 ? below2[k - 1] : 0.0;
            const double hi = k <= p - 2 ? below2[k] : 0.0;
            B[2][k] = f * (lo - 2.0 * mid + hi);
        }
    }
}

// Homogeneous partial derivatives Aw[k][l] (k + l <= d) at (u, v) in the
// patch; degrees and d as in Bernstein.
template <class PU, class PV, class D>
void PatchDers(const double* patch, PU degreeU, PV degreeV, double u, double v, D derivatives,
               double (*Aw)[kMaxDer + 1][4])
{
    const int pu = degreeU, pv = degreeV, d = derivatives;
    constexpr int kRow = std::is_same_v<PV, int> ? nb::kMaxOrder : static_cast<int>(PV{}) + 1;
    double Bu[kMaxDer + 1][nb::kMaxOrder], Bv[kMaxDer + 1][nb::kMaxOrder];
    Bernstein(degreeU, u, patch[0], patch[1], patch[2], derivatives, Bu);
    Bernstein(degreeV, v, patch[3], patch[4], patch[5], derivatives, Bv);
    const double* Q = patch + kHeader;
    const int rowLength = 4 * (pv + 1);
    // temp[k][l] = sum over i of Bu[k][i]·Q[i][l]: all k in one pass over the
    // patch, each sum still in the order of i.
    double temp[kMaxDer + 1][kRow][4];
#pragma GCC unroll 3
    for (int k = 0; k <= d; ++k)
#pragma GCC unroll 16
        for (int l = 0; l <= pv; ++l)
            for (int e = 0; e < 4; ++e)
                temp[k][l][e] = 0.0;
#pragma GCC unroll 16
    for (int i = 0; i <= pu; ++i) {
        const double* row = Q + i * rowLength;
#pragma GCC unroll 3
        for (int k = 0; k <= d; ++k) {
            const double w = Bu[k][i];
#pragma GCC unroll 16
            for (int l = 0; l <= pv; ++l)
                for (int e = 0; e < 4; ++e)
                    temp[k][l][e] += w * row[l * 4 + e];
        }
    }
#pragma GCC unroll 3
    for (int k = 0; k <= d; ++k)
#pragma GCC unroll 3
        for (int l = 0; l + k <= d; ++l)
            for (int e = 0; e < 4; ++e) {
                double acc = 0.0;
#pragma GCC unroll 16
                for (int r = 0; r <= pv; ++r)
                    acc += Bv[l][r] * temp[k][r][e];
                Aw[k][l][e] = acc;
            }
}

template <int N>
using Degree = std::integral_constant<int, N>;

// PatchDers with the common degrees (1 to 3 both ways) and d fixed at
// compile time.
void PatchDersOfDegrees(const double* patch, int pu, int pv, double u, double v, int d,
                        double (*Aw)[kMaxDer + 1][4])
{
    auto withD = [&](auto fixedU, auto fixedV) {
        switch (d) {
        case 0:
            return PatchDers(patch, fixedU, fixedV, u, v, Degree<0>{}, Aw);
        case 1:
            return PatchDers(patch, fixedU, fixedV, u, v, Degree<1>{}, Aw);
        default:
            return PatchDers(patch, fixedU, fixedV, u, v, Degree<2>{}, Aw);
        }
    };
    auto inV = [&](auto fixedU) {
        switch (pv) {
        case 1:
            return withD(fixedU, Degree<1>{});
        case 2:
            return withD(fixedU, Degree<2>{});
        case 3:
            return withD(fixedU, Degree<3>{});
        default:
            return PatchDers(patch, static_cast<int>(fixedU), pv, u, v, d, Aw);
        }
    };
    switch (pu) {
    case 1:
        return inV(Degree<1>{});
    case 2:
        return inV(Degree<2>{});
    case 3:
        return inV(Degree<3>{});
    default:
        return PatchDers(patch, pu, pv, u, v, d, Aw);
    }
}

bool SameSurface(const BSRF_PATCHES* t, const _nurbs_surface* s)
{
    return t->s == s && t->P == s->P && t->U == s->U && t->V == s->V && t->ku == s->ku && t->kv == s->kv &&
           t->nu == s->nu && t->nv == s->nv;
}

// The patch of span pair (su, sv), made now when it is missing; null without memory.
const double* PatchOf(BSRF_PATCHES* t, int su, int sv)
{
    std::atomic<double*>& slot = t->slot[(su - (t->ku - 1)) * (t->nv - t->kv + 1) + (sv - (t->kv - 1))];
    double* patch = slot.load(std::memory_order_acquire);
    if (patch != nullptr)
        return patch;
    double* made = MakePatch(t, su, sv);
    if (made == nullptr)
        return nullptr;
    if (slot.compare_exchange_strong(patch, made, std::memory_order_acq_rel, std::memory_order_acquire))
        return made;
    std::free(made); // another thread was first
    return patch;
}

bool Fallback(const _nurbs_surface* s, double u, double v, int d, double* P, double* Su, double* Sv, double* Suu,
              double* Suv, double* Svv)
{
    if (d <= 0)
        return BSRF_EvPos(s, u, v, P) == 1;
    if (d == 1)
        return BSRF_Ev1Der(s, u, v, P, Su, Sv) == 1;
    return BSRF_Ev2Der(s, u, v, P, Su, Sv, Suu, Suv, Svv) == 1;
}

inline double Clamp(double x, double lo, double hi) { return x < lo ? lo : (x > hi ? hi : x); }

// FindSpan's answer for x in the domain [U[p], U[n]], trying the last span
// first: inside the domain only one span i has U[i] <= x < U[i + 1], the one
// the search finds, so the hint changes nothing.
int SpanFrom(std::atomic<int>& last, int n, int p, double x, const double* U)
{
    const int hint = last.load(std::memory_order_relaxed);
    if (U[hint] <= x && x < U[hint + 1])
        return hint;
    const int span = nb::FindSpan(n, p, x, U);
    last.store(span, std::memory_order_relaxed);
    return span;
}

} // namespace

BSRF_PATCHES* BSRF_NewPatches(const _nurbs_surface* s)
{
    if (BSRF_IsValid(s) != 1)
        return nullptr;
    auto* t = new (std::nothrow)
        BSRF_PATCHES{s, s->P, s->U, s->V, s->ku, s->kv, s->nu, s->nv, nullptr, s->ku - 1, s->kv - 1};
    if (t == nullptr)
        return nullptr;
    const std::size_t count = static_cast<std::size_t>(s->nu - s->ku + 1) * static_cast<std::size_t>(s->nv - s->kv + 1);
    t->slot = new (std::nothrow) std::atomic<double*>[count]();
    if (t->slot == nullptr) {
        delete t;
        return nullptr;
    }
    return t;
}

void BSRF_FreePatches(BSRF_PATCHES* t)
{
    if (t == nullptr)
        return;
    const std::size_t count = static_cast<std::size_t>(t->nu - t->ku + 1) * static_cast<std::size_t>(t->nv - t->kv + 1);
    for (std::size_t i = 0; i < count; ++i)
        std::free(t->slot[i].load(std::memory_order_acquire));
    delete[] t->slot;
    delete t;
}

int BSRF_EvPatches(BSRF_PATCHES* t, const _nurbs_surface* s, double u, double v, int d, double* P, double* Su,
                   double* Sv, double* Suu, double* Suv, double* Svv)
{
    if (P == nullptr || (d >= 1 && (Su == nullptr || Sv == nullptr)) ||
        (d >= 2 && (Suu == nullptr || Suv == nullptr || Svv == nullptr)))
        return 0;
    if (t == nullptr || s == nullptr || !SameSurface(t, s) || !std::isfinite(u) || !std::isfinite(v))
        return Fallback(s, u, v, d, P, Su, Sv, Suu, Suv, Svv) ? 1 : 0;
    d = d < 0 ? 0 : (d > kMaxDer ? kMaxDer : d);
    const int pu = t->ku - 1, pv = t->kv - 1;
    u = Clamp(u, t->U[pu], t->U[t->nu]);
    v = Clamp(v, t->V[pv], t->V[t->nv]);
    const int su = SpanFrom(t->lastU, t->nu, pu, u, t->U);
    const int sv = SpanFrom(t->lastV, t->nv, pv, v, t->V);
    const double* patch = PatchOf(t, su, sv);
    if (patch == nullptr)
        return Fallback(s, u, v, d, P, Su, Sv, Suu, Suv, Svv) ? 1 : 0;
    double Aw[kMaxDer + 1][kMaxDer + 1][4];
    PatchDersOfDegrees(patch, pu, pv, u, v, d, Aw);
    if (d <= 1)
        return nb::detail::RationalFirstDers(Aw, d, P, Su, Sv) ? 1 : 0;
    double SKL[kMaxDer + 1][kMaxDer + 1][3];
    if (!nb::detail::RationalDers(Aw, d, SKL))
        return 0;
    nb::detail::SplitSecondDers(SKL, P, Su, Sv, Suu, Suv, Svv);
    return 1;
}
