// Surface edits of the NURBS editing facade: extension beyond a boundary,
// splitting at an iso line, planes, and cutting at tangent-plane creases.
#include "framework/numerak/BcrvDetail.h"
#include "framework/numerak/Bsrf.h"
#include "framework/numerak/Knot.h"
#include "framework/numerak/NurbsEditor.h"

#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace nb = numerak::nurbs;

namespace {

using numerak::nurbs::detail::CurvePtr;
using numerak::nurbs::detail::SurfPtr;

// The surface with u and v exchanged: P'[j][i] = P[i][j].
SurfPtr Transposed(const _nurbs_surface* s)
{
    SurfPtr t(BSRF_Create(s->kv, s->nv, s->ku, s->nu));
    if (!t)
        return nullptr;
    std::memcpy(t->U, s->V, sizeof(double) * static_cast<std::size_t>(s->nv + s->kv));
    std::memcpy(t->V, s->U, sizeof(double) * static_cast<std::size_t>(s->nu + s->ku));
    for (int i = 0; i < s->nu; ++i)
        for (int j = 0; j < s->nv; ++j)
            std::memcpy(t->P[j][i], s->P[i][j], sizeof(double[4]));
    return t;
}

// Runs u backwards over the same domain (rows reversed, knots mirrored).
void ReverseU(_nurbs_surface* s)
{
    for (int i = 0, k = s->nu - 1; i < k; ++i, --k)
        std::swap(s->P[i], s->P[k]);
    const int m = s->nu + s->ku;
    const double a = s->U[0], b = s->U[m - 1];
    std::vector<double> u(s->U, s->U + m);
    for (int i = 0; i < m; ++i)
        s->U[i] = a + b - u[m - 1 - i];
}

// Column j (running in u) as a curve record sharing nothing with the surface.
CurvePtr ColumnCurve(const _nurbs_surface* s, int j)
{
    CurvePtr c(BCRV_New(s->ku, s->nu));
    if (!c)
        return nullptr;
    std::memcpy(c->U, s->U, sizeof(double) * static_cast<std::size_t>(s->nu + s->ku));
    for (int i = 0; i < s->nu; ++i)
        std::memcpy(c->P[i], s->P[i][j], sizeof(double[4]));
    return c;
}

// Surface from columns of one order and knot vector in u, with the v order and
// knots of base.
SurfPtr FromColumns(const std::vector<CurvePtr>& cols, const _nurbs_surface* base)
{
    const BCRV& c0 = *cols[0];
    SurfPtr s(BSRF_Create(c0.k, c0.n, base->kv, base->nv));
    if (!s)
        return nullptr;
    std::memcpy(s->U, c0.U, sizeof(double) * static_cast<std::size_t>(c0.n + c0.k));
    std::memcpy(s->V, base->V, sizeof(double) * static_cast<std::size_t>(base->nv + base->kv));
    for (int j = 0; j < base->nv; ++j)
        for (int i = 0; i < c0.n; ++i)
            std::memcpy(s->P[i][j], cols[j]->P[i], sizeof(double[4]));
    return s;
}

// Splits at u = t strictly inside the domain, each part on [0, 1] in u.
bool SplitU(const _nurbs_surface* s, double t, SurfPtr& lo, SurfPtr& hi)
{
    std::vector<CurvePtr> left(static_cast<std::size_t>(s->nv)), right(static_cast<std::size_t>(s->nv));
    for (int j = 0; j < s->nv; ++j) {
        CurvePtr col = ColumnCurve(s, j);
        BCRV* l = nullptr;
        BCRV* r = nullptr;
        if (!col || !BCRV_Split(col.get(), t, &l, &r))
            return false;
        left[j].reset(l);
        right[j].reset(r);
    }
    lo = FromColumns(left, s);
    hi = FromColumns(right, s);
    return lo && hi;
}

long Binomial(int n, int k)
{
    long b = 1;
    for (int i = 1; i <= k; ++i)
        b = b * (n - k + i) / i;
    return b;
}

// Continues s beyond its u-max boundary b by h = ratio·(domain length): p new
// rows, the boundary knot kept p times and the new end clamped, so the old part
// keeps its basis. The new span is the Bezier form of the Taylor polynomial at
// b (from the last span, up to the derivative order `terms`):
// Q_r = sum_{i<=r} C(r,i)/C(p,i)·h^i/i!·D_i.
SurfPtr ExtendUMax(const _nurbs_surface* s, double ratio, int terms)
{
    const int k = s->ku, p = k - 1, n = s->nu;
    const double a = s->U[k - 1], b = s->U[n];
    const double h = ratio * (b - a);
    if (!(h > 0.0) || !std::isfinite(h))
        return nullptr;
    // Only a clamped end keeps the old basis when its knot loses one copy.
    for (int i = n; i < n + k; ++i)
        if (s->U[i] != b)
            return nullptr;
    SurfPtr e(BSRF_Create(k, n + p, s->kv, s->nv));
    if (!e)
        return nullptr;
    for (int i = 0; i < n; ++i)
        e->U[i] = s->U[i];
    for (int i = 0; i < p; ++i)
        e->U[n + i] = b;
    for (int i = 0; i < k; ++i)
        e->U[n + p + i] = b + h;
    std::memcpy(e->V, s->V, sizeof(double) * static_cast<std::size_t>(s->nv + s->kv));
    for (int i = 0; i < n; ++i)
        std::memcpy(e->P[i], s->P[i], sizeof(double[4]) * static_cast<std::size_t>(s->nv));
    // Basis derivatives at b from the last span's side.
    const int span = nb::FindSpan(n, p, b, s->U);
    double ders[nb::kMaxOrder][nb::kMaxOrder];
    nb::DersBasisFuns(span, b, p, terms, s->U, ders);
    double coef[nb::kMaxOrder];  // h^i / i!
    coef[0] = 1.0;
    for (int i = 1; i <= terms; ++i)
        coef[i] = coef[i - 1] * h / i;
    // Homogeneous derivatives across b of every column's control points.
    std::vector<std::array<std::array<double, 4>, nb::kMaxOrder>> D(static_cast<std::size_t>(s->nv));
    for (int j = 0; j < s->nv; ++j)
        for (int d = 0; d <= terms; ++d)
            for (int c = 0; c < 4; ++c) {
                double sum = 0.0;
                for (int r = 0; r <= p; ++r)
                    sum += ders[d][r] * s->P[span - p + r][j][c];
                D[j][d][c] = sum;
            }
    // Adding mu times the point to the first derivative of every column leaves
    // the surface's Euclidean tangent across b unchanged (its homogeneous
    // derivative becomes D + mu·P) and keeps each ruling on its line; the
    // tangent strip takes the least mu >= 0 under which no weight falls, so a
    // rational surface's rulings stay finite however far they reach.
    if (terms == 1) {
        double mu = 0.0;
        for (int j = 0; j < s->nv; ++j)
            mu = std::fmax(mu, -D[j][1][3] / D[j][0][3]);
        for (int j = 0; j < s->nv; ++j)
            for (int c = 0; c < 4; ++c)
                D[j][1][c] += mu * D[j][0][c];
    }
    for (int j = 0; j < s->nv; ++j)
        for (int r = 1; r <= p; ++r) {
            double* Q = e->P[n - 1 + r][j];
            for (int c = 0; c < 4; ++c) {
                double q = 0.0;
                for (int i = 0; i <= r && i <= terms; ++i)
                    q += static_cast<double>(Binomial(r, i)) / Binomial(p, i) * coef[i] * D[j][i][c];
                Q[c] = q;
            }
            if (!(Q[3] > 0.0) || !std::isfinite(Q[0] + Q[1] + Q[2] + Q[3]))
                return nullptr;
        }
    if (!KNOT_Regu(e->ku, e->nu, e->U))
        return nullptr;
    return e;
}

}  // namespace

_nurbs_surface* CNurbsEditor::Extend(const _nurbs_surface* s, double ratio, int side, int mode)
{
    if (!BSRF_IsValid(s) || !(ratio > 0.0) || !std::isfinite(ratio) || side < 0 || side > 3 ||
        (mode != kExtendTangent && mode != kExtendPolynomial))
        return nullptr;
    // Bring the side to u-max: sides 1 and 3 exchange u and v, sides 0 and 1
    // run the direction backwards.
    const bool swap = side == 1 || side == 3;
    const bool reverse = side == 0 || side == 1;
    SurfPtr w(swap ? Transposed(s) : SurfPtr(BSRF_Clone(s)));
    if (!w)
        return nullptr;
    if (reverse)
        ReverseU(w.get());
    SurfPtr e = ExtendUMax(w.get(), ratio, mode == kExtendTangent ? 1 : w->ku - 1);
    if (!e)
        return nullptr;
    if (reverse)
        ReverseU(e.get());
    if (swap)
        e = Transposed(e.get());
    if (!e || !KNOT_Regu(e->ku, e->nu, e->U) || !KNOT_Regu(e->kv, e->nv, e->V))
        return nullptr;
    return e.release();
}

int CNurbsEditor::SplitAt(const _nurbs_surface* s, double value, int dir, _nurbs_surface** out)
{
    if (!out)
        return 0;
    out[0] = out[1] = nullptr;
    if (!BSRF_IsValid(s) || !std::isfinite(value))
        return 0;
    const bool alongU = dir == kIsoConstU;
    SurfPtr w(alongU ? SurfPtr(BSRF_Clone(s)) : Transposed(s));
    if (!w || !(value > w->U[w->ku - 1] && value < w->U[w->nu]))
        return 0;
    SurfPtr lo, hi;
    if (!SplitU(w.get(), value, lo, hi))
        return 0;
    if (!alongU) {
        lo = Transposed(lo.get());
        hi = Transposed(hi.get());
        if (!lo || !hi)
            return 0;
    }
    out[0] = lo.release();
    out[1] = hi.release();
    return 2;
}

_nurbs_surface* CNurbsEditor::MakePlane(const double* origin, double width, double height)
{
    if (!origin || !(width > 0.0) || !(height > 0.0) || !std::isfinite(width) || !std::isfinite(height) ||
        !std::isfinite(origin[0]) || !std::isfinite(origin[1]) || !std::isfinite(origin[2]))
        return nullptr;
    _nurbs_surface* s = BSRF_Create(2, 2, 2, 2);
    if (!s)
        return nullptr;
    for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 2; ++j) {
            s->P[i][j][0] = origin[0] + i * width;
            s->P[i][j][1] = origin[1] + j * height;
            s->P[i][j][2] = origin[2];
            s->P[i][j][3] = 1.0;
        }
    return s;
}

namespace {

// Angle between the unit normals of the parts on both sides of u = 1 of lo and
// u = 0 of hi, largest over samples across v.
double CreaseAngle(const _nurbs_surface* lo, const _nurbs_surface* hi)
{
    constexpr int kPerSpan = 4;
    double worst = 0.0;
    const double v0 = lo->V[lo->kv - 1], v1 = lo->V[lo->nv];
    const int samples = kPerSpan * (lo->nv - lo->kv + 1);
    for (int i = 0; i <= samples; ++i) {
        const double v = v0 + (v1 - v0) * i / samples;
        double P[3], a[3], b[3];
        if (!BSRF_EvNormal(lo, lo->U[lo->nu], v, P, a) || !BSRF_EvNormal(hi, hi->U[hi->ku - 1], v, P, b))
            continue;
        const double c = a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
        worst = std::fmax(worst, std::acos(c > 1.0 ? 1.0 : (c < -1.0 ? -1.0 : c)));
    }
    return worst;
}

}  // namespace

int BSRF_USplitG1Discont(const _nurbs_surface* s, double angle, _nurbs_surface** parts, int maxParts)
{
    if (!parts || maxParts < 1)
        return 0;
    for (int i = 0; i < maxParts; ++i)
        parts[i] = nullptr;
    if (!BSRF_IsValid(s) || !std::isfinite(angle))
        return 0;
    // Only an inner knot of multiplicity p or more can break tangent continuity;
    // elsewhere the surface is C1 in u.
    std::vector<double> breaks;
    const int p = s->ku - 1;
    for (int i = s->ku; i < s->nu;) {
        int e = i;
        while (e < s->nu && s->U[e] == s->U[i])
            ++e;
        if (e - i >= p) {
            SurfPtr lo, hi;
            if (SplitU(s, s->U[i], lo, hi) && CreaseAngle(lo.get(), hi.get()) > angle)
                breaks.push_back(s->U[i]);
        }
        i = e;
    }
    if (breaks.empty() || static_cast<int>(breaks.size()) + 1 > maxParts)
        return 0;
    // Cut the remainder at each break in turn; the remainder's domain is [0, 1]
    // after each cut, so the break moves with it.
    SurfPtr rest(BSRF_Clone(s));
    double from = s->U[s->ku - 1];
    const double to = s->U[s->nu];
    std::vector<SurfPtr> made;
    for (double t : breaks) {
        SurfPtr lo, hi;
        const double a = rest->U[rest->ku - 1], b = rest->U[rest->nu];
        if (!SplitU(rest.get(), a + (b - a) * (t - from) / (to - from), lo, hi))
            return 0;
        made.push_back(std::move(lo));
        rest = std::move(hi);
        from = t;
    }
    made.push_back(std::move(rest));
    for (std::size_t i = 0; i < made.size(); ++i)
        parts[i] = made[i].release();
    return 1;
}
