// The surface side of the NURBS editing facade: exact iso curves and fitted
// offset surfaces.
#include "framework/numerak/Bsrf.h"
#include "framework/numerak/BcrvDetail.h"
#include "framework/numerak/Knot.h"
#include "framework/numerak/NurbsEditor.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace nb = numerak::nurbs;

namespace {

constexpr int kOffsetMaxSamples = 257;

using numerak::nurbs::detail::SurfFreer;

// Parameters of one direction: every distinct knot of the domain with each
// span cut into q equal parts, ascending.
std::vector<double> SampleParams(int k, int n, const double* U, int q)
{
    std::vector<double> t;
    t.push_back(U[k - 1]);
    for (int i = k - 1; i < n; ++i) {
        const double a = U[i];
        const double b = U[i + 1];
        if (!(a < b))
            continue;
        for (int j = 1; j <= q; ++j)
            t.push_back(j == q ? b : a + (b - a) * j / q);
    }
    return t;
}

int CountSpans(int k, int n, const double* U)
{
    int spans = 0;
    for (int i = k - 1; i < n; ++i)
        spans += U[i] < U[i + 1] ? 1 : 0;
    return spans;
}

bool OffsetPoint(const _nurbs_surface* s, double u, double v, double dist, double* out)
{
    double P[3];
    double N[3];
    if (!BSRF_EvNormal(s, u, v, P, N))
        return false;
    for (int e = 0; e < 3; ++e)
        out[e] = P[e] + dist * N[e];
    return true;
}

// Interpolating surface through the grid pts (mu rows of mv points, row-major,
// 3 doubles each) at the parameters tu × tv; null when a solve fails.
_nurbs_surface* InterpolateGrid(const std::vector<double>& tu, const std::vector<double>& tv,
                                const std::vector<double>& pts)
{
    const int mu = static_cast<int>(tu.size());
    const int mv = static_cast<int>(tv.size());
    const int ku = mu < 4 ? mu : 4;
    const int kv = mv < 4 ? mv : 4;
    std::unique_ptr<_nurbs_surface, SurfFreer> s(BSRF_Create(ku, mu, kv, mv));
    if (!s || !KNOT_CalByAC(ku, mu, tu.data(), s->U) || !KNOT_CalByAC(kv, mv, tv.data(), s->V))
        return nullptr;
    // Along u for all columns at once, then along v for all rows at once.
    std::vector<double> rows(static_cast<size_t>(mu) * mv * 3);
    if (!nb::detail::SolveCollocation(ku, mu, s->U, tu.data(), 3 * mv, pts.data(), rows.data()))
        return nullptr;
    std::vector<double> byV(rows.size());
    for (int i = 0; i < mu; ++i)
        for (int j = 0; j < mv; ++j)
            for (int e = 0; e < 3; ++e)
                byV[(static_cast<size_t>(j) * mu + i) * 3 + e] = rows[(static_cast<size_t>(i) * mv + j) * 3 + e];
    std::vector<double> net(rows.size());
    if (!nb::detail::SolveCollocation(kv, mv, s->V, tv.data(), 3 * mu, byV.data(), net.data()))
        return nullptr;
    for (int i = 0; i < mu; ++i)
        for (int j = 0; j < mv; ++j) {
            for (int e = 0; e < 3; ++e)
                s->P[i][j][e] = net[(static_cast<size_t>(j) * mu + i) * 3 + e];
            s->P[i][j][3] = 1.0;
        }
    return s.release();
}

// Largest distance between the fit and the exact offset at the points between
// the samples (the middles of the grid's cells and edges); -1 on failure.
double FitError(const _nurbs_surface* base, const _nurbs_surface* fit, double dist, const std::vector<double>& tu,
                const std::vector<double>& tv)
{
    double worst = 0.0;
    const size_t mu = tu.size();
    const size_t mv = tv.size();
    for (size_t i = 0; i + 1 < 2 * mu; ++i) {
        const double u = i % 2 == 0 ? tu[i / 2] : 0.5 * (tu[i / 2] + tu[i / 2 + 1]);
        for (size_t j = 0; j + 1 < 2 * mv; ++j) {
            if (i % 2 == 0 && j % 2 == 0)
                continue;  // a sample: interpolated exactly
            const double v = j % 2 == 0 ? tv[j / 2] : 0.5 * (tv[j / 2] + tv[j / 2 + 1]);
            double want[3];
            double got[3];
            if (!OffsetPoint(base, u, v, dist, want) || !BSRF_EvPos(fit, u, v, got))
                return -1.0;
            const double d = std::sqrt((want[0] - got[0]) * (want[0] - got[0]) +
                                       (want[1] - got[1]) * (want[1] - got[1]) +
                                       (want[2] - got[2]) * (want[2] - got[2]));
            if (d > worst)
                worst = d;
        }
    }
    return worst;
}

}  // namespace

BCRV* CNurbsEditor::MakeIsoCurve(const _nurbs_surface* s, int dir, double value)
{
    if ((dir != kIsoConstU && dir != kIsoConstV) || !std::isfinite(value) || !BSRF_IsValid(s))
        return nullptr;
    const bool constU = dir == kIsoConstU;
    // The fixed direction's basis functions at the value; the other direction's
    // order and knots carry over unchanged, so the curve is exact.
    const int kf = constU ? s->ku : s->kv;
    const int nf = constU ? s->nu : s->nv;
    const double* F = constU ? s->U : s->V;
    const int k = constU ? s->kv : s->ku;
    const int n = constU ? s->nv : s->nu;
    const double* K = constU ? s->V : s->U;
    const double lo = F[kf - 1];
    const double hi = F[nf];
    const double t = value < lo ? lo : (value > hi ? hi : value);
    const int p = kf - 1;
    const int span = nb::FindSpan(nf, p, t, F);
    double N[nb::kMaxOrder];
    nb::BasisFuns(span, t, p, F, N);
    double (*Q)[4] = nb::detail::AllocPts(n);
    double* knots = nb::detail::AllocKnots(n + k);
    BCRV* c = BCRV_New();
    if (Q == nullptr || knots == nullptr || c == nullptr) {
        std::free(Q);
        std::free(knots);
        BCRV_Free(c);
        return nullptr;
    }
    std::memcpy(knots, K, sizeof(double) * static_cast<size_t>(n + k));
    for (int j = 0; j < n; ++j) {
        double acc[4] = {0.0, 0.0, 0.0, 0.0};
        for (int i = 0; i <= p; ++i) {
            const double* q = constU ? s->P[span - p + i][j] : s->P[j][span - p + i];
            for (int e = 0; e < 4; ++e)
                acc[e] += N[i] * q[e];
        }
        for (int e = 0; e < 4; ++e)
            Q[j][e] = acc[e];
    }
    nb::detail::Adopt(*c, k, n, Q, knots);
    return c;
}

_nurbs_surface* CNurbsEditor::OffsetSurf(const _nurbs_surface* s, float dist)
{
    if (!BSRF_IsValid(s) || !std::isfinite(dist))
        return nullptr;
    if (dist == 0.0f)
        return BSRF_Clone(s);
    const double d = dist;
    const int spans = std::max(CountSpans(s->ku, s->nu, s->U), CountSpans(s->kv, s->nv, s->V));
    // Half the tolerance at the check points leaves room for the points between them.
    for (int q = 2; q * spans + 1 <= kOffsetMaxSamples; q *= 2) {
        const std::vector<double> tu = SampleParams(s->ku, s->nu, s->U, q);
        const std::vector<double> tv = SampleParams(s->kv, s->nv, s->V, q);
        std::vector<double> pts(tu.size() * tv.size() * 3);
        for (size_t i = 0; i < tu.size(); ++i)
            for (size_t j = 0; j < tv.size(); ++j)
                if (!OffsetPoint(s, tu[i], tv[j], d, &pts[(i * tv.size() + j) * 3]))
                    return nullptr;
        std::unique_ptr<_nurbs_surface, SurfFreer> fit(InterpolateGrid(tu, tv, pts));
        if (!fit)
            return nullptr;
        const double err = FitError(s, fit.get(), d, tu, tv);
        if (err < 0.0)
            return nullptr;
        if (err <= 0.5 * kOffsetSurfTol)
            return fit.release();
    }
    return nullptr;
}
