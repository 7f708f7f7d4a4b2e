// Editing NURBS curves without changing their shape (knot insertion, degree
// elevation, Bézier decomposition) and cutting and joining them.
#include "framework/numerak/Bcrv.h"
#include "framework/numerak/BcrvDetail.h"
#include "framework/numerak/Knot.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace nb = numerak::nurbs;
using nb::detail::Adopt;
using nb::detail::AllocKnots;
using nb::detail::AllocPts;

namespace {

// Largest move of a trimmed piece's end that snapping it to a knot may cause.
constexpr double kTrimSnapMove = 1e-6;

using BcrvPtr = numerak::nurbs::detail::CurvePtr;

bool IsClamped(const BCRV& c)
{
    for (int i = 1; i < c.k; ++i)
        if (c.U[i] != c.U[0] || c.U[c.n + i] != c.U[c.n])
            return false;
    return true;
}

// Re-expresses the curve over its domain in the spline space of order k2 on
// knots U2 (n2 + k2 values, clamped), which must contain it: the homogeneous
// curve is sampled at the Greville abscissae of U2 and the collocation system
// solved. Exact up to rounding; U2 is taken over (freed on failure).
int Reknot(BCRV& c, int k2, int n2, double* U2)
{
    const int p2 = k2 - 1;
    std::vector<double> params(static_cast<size_t>(n2));
    std::vector<double> rhs(static_cast<size_t>(n2) * 4);
    for (int i = 0; i < n2; ++i) {
        double g = 0.0;
        for (int j = 1; j <= p2; ++j)
            g += U2[i + j];
        params[i] = g / p2;
        if (!BCRV_EvHom(&c, params[i], &rhs[static_cast<size_t>(i) * 4])) {
            std::free(U2);
            return 0;
        }
    }
    double (*P2)[4] = AllocPts(n2);
    if (P2 == nullptr ||
        !nb::detail::SolveCollocation(k2, n2, U2, params.data(), 4, rhs.data(), &P2[0][0])) {
        std::free(P2);
        std::free(U2);
        return 0;
    }
    // Clamped ends interpolate exactly; keep them bit-exact for joins.
    BCRV_EvHom(&c, U2[0], P2[0]);
    BCRV_EvHom(&c, U2[n2 + p2], P2[n2 - 1]);
    Adopt(c, k2, n2, P2, U2);
    return 1;
}

// Distinct knot values inside the domain with their multiplicities, ends included.
void DistinctKnots(const BCRV& c, std::vector<double>& vals, std::vector<int>& mult)
{
    const double a = c.U[c.k - 1];
    const double b = c.U[c.n];
    vals.clear();
    mult.clear();
    for (int i = 0; i < c.n + c.k; ++i) {
        const double u = c.U[i];
        if (u < a || u > b)
            continue;
        if (!vals.empty() && vals.back() == u)
            ++mult.back();
        else {
            vals.push_back(u);
            mult.push_back(1);
        }
    }
}

// Elevates by t and clamps the ends (t may be 0 for clamping only). A curve
// broken by an inner knot of multiplicity k has two Greville points at the
// break that collocation cannot tell apart, so it is refused.
int Elevate(BCRV& c, int t)
{
    const int k2 = c.k + t;
    if (k2 > kBcrvMaxOrder)
        return 0;
    std::vector<double> vals;
    std::vector<int> mult;
    DistinctKnots(c, vals, mult);
    for (size_t i = 1; i + 1 < vals.size(); ++i)
        if (mult[i] >= c.k)
            return 0;
    int total = 0;
    for (size_t i = 0; i < vals.size(); ++i) {
        const bool end = (i == 0 || i + 1 == vals.size());
        total += end ? k2 : mult[i] + t;
    }
    const int n2 = total - k2;
    double* U2 = AllocKnots(total);
    if (U2 == nullptr)
        return 0;
    int at = 0;
    for (size_t i = 0; i < vals.size(); ++i) {
        const bool end = (i == 0 || i + 1 == vals.size());
        const int m = end ? k2 : mult[i] + t;
        for (int j = 0; j < m; ++j)
            U2[at++] = vals[i];
    }
    return Reknot(c, k2, n2, U2);
}

bool MakeClamped(BCRV& c)
{
    return IsClamped(c) || Elevate(c, 0);
}

// Copy that is valid and clamped; null otherwise.
BcrvPtr ClampedClone(const BCRV* c)
{
    BcrvPtr w(c != nullptr ? c->Clone() : nullptr);
    if (w && !MakeClamped(*w))
        w.reset();
    return w;
}

// Boehm's knot insertion of u, r times, in homogeneous space (The NURBS Book A5.1).
int InsertRaw(BCRV& c, double u, int r)
{
    const int p = c.k - 1;
    const int s = nb::KnotMultiplicity(c.k, c.n, c.U, u);
    if (r > p - s)
        r = p - s;
    if (r <= 0)
        return 1;
    const int span = nb::FindSpan(c.n, p, u, c.U);
    const int np = c.n - 1;
    const int mp = np + p + 1;
    double (*Q)[4] = AllocPts(c.n + r);
    double* UQ = AllocKnots(c.n + c.k + r);
    if (Q == nullptr || UQ == nullptr) {
        std::free(Q);
        std::free(UQ);
        return 0;
    }
    for (int i = 0; i <= span; ++i)
        UQ[i] = c.U[i];
    for (int i = 1; i <= r; ++i)
        UQ[span + i] = u;
    for (int i = span + 1; i <= mp; ++i)
        UQ[i + r] = c.U[i];
    for (int i = 0; i <= span - p; ++i)
        std::memcpy(Q[i], c.P[i], sizeof(double[4]));
    for (int i = span - s; i <= np; ++i)
        std::memcpy(Q[i + r], c.P[i], sizeof(double[4]));
    double R[kBcrvMaxOrder][4];
    for (int i = 0; i <= p - s; ++i)
        std::memcpy(R[i], c.P[span - p + i], sizeof(double[4]));
    int L = 0;
    for (int j = 1; j <= r; ++j) {
        L = span - p + j;
        for (int i = 0; i <= p - j - s; ++i) {
            const double alpha = (u - c.U[L + i]) / (c.U[i + span + 1] - c.U[L + i]);
            for (int e = 0; e < 4; ++e)
                R[i][e] = alpha * R[i + 1][e] + (1.0 - alpha) * R[i][e];
        }
        std::memcpy(Q[L], R[0], sizeof(double[4]));
        std::memcpy(Q[span + r - j - s], R[p - j - s], sizeof(double[4]));
    }
    for (int i = L + 1; i < span - s; ++i)
        std::memcpy(Q[i], R[i - L], sizeof(double[4]));
    Adopt(c, c.k, c.n + r, Q, UQ);
    return 1;
}

// Cuts a clamped curve at t inside its domain, keeping the original knot
// values. Either output may be null when not wanted.
int SplitRaw(const BCRV& c, double t, BcrvPtr* left, BcrvPtr* right)
{
    BcrvPtr w(c.Clone());
    if (!w || !MakeClamped(*w) || !InsertRaw(*w, t, w->k - 1))
        return 0;
    const int p = w->k - 1;
    int a = 0;
    while (a < w->n + w->k && w->U[a] < t)
        ++a;
    int m = 0;
    while (a + m < w->n + w->k && w->U[a + m] == t)
        ++m;
    if (m < p || a < p + 1)
        return 0;
    const int nl = a;
    const int first = a + m - p - 1;
    const int nr = w->n - first;
    if (nl < w->k || nr < w->k)
        return 0;
    auto piece = [&](int from, int count, int knotFrom, bool tail) -> BcrvPtr {
        BcrvPtr out(BCRV_New(w->k, count));
        if (!out)
            return out;
        std::memcpy(out->P, w->P + from, sizeof(double[4]) * static_cast<size_t>(count));
        if (!tail) {
            std::memcpy(out->U, w->U, sizeof(double) * static_cast<size_t>(count));
            for (int i = 0; i < w->k; ++i)
                out->U[count + i] = t;
        } else {
            for (int i = 0; i < w->k; ++i)
                out->U[i] = t;
            std::memcpy(out->U + w->k, w->U + knotFrom, sizeof(double) * static_cast<size_t>(count));
        }
        return out;
    };
    if (left != nullptr) {
        *left = piece(0, nl, 0, false);
        if (!*left)
            return 0;
    }
    if (right != nullptr) {
        // Right knots: k copies of t, then the knots after the run of t.
        *right = piece(first, nr, a + m, true);
        if (!*right)
            return 0;
    }
    return 1;
}

double PolygonLength(const BCRV& c)
{
    double len = 0.0;
    double prev[3];
    c.GetCtrlPt(0, prev);
    for (int i = 1; i < c.n; ++i) {
        double q[3];
        c.GetCtrlPt(i, q);
        len += std::sqrt((q[0] - prev[0]) * (q[0] - prev[0]) + (q[1] - prev[1]) * (q[1] - prev[1]) +
                         (q[2] - prev[2]) * (q[2] - prev[2]));
        std::memcpy(prev, q, sizeof prev);
    }
    return len;
}

double Dist3(const double* a, const double* b)
{
    return std::sqrt((a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) + (a[2] - b[2]) * (a[2] - b[2]));
}

template <int D>
int ToBezierList(const BCRV& c, double (*&pts)[D])
{
    pts = nullptr;
    if (D < 4 && !c.IsUniform())
        return 0;
    BcrvPtr w = ClampedClone(&c);
    if (!w)
        return 0;
    std::vector<double> vals;
    std::vector<int> mult;
    DistinctKnots(*w, vals, mult);
    for (size_t i = 1; i + 1 < vals.size(); ++i)
        if (!InsertRaw(*w, vals[i], w->k - 1))
            return 0;
    const int p = w->k - 1;
    const int segments = static_cast<int>(vals.size()) - 1;
    const int count = p * segments + 1;
    // Interior knots of multiplicity k leave duplicated control points; a
    // curve with such breaks is not one chain of Bézier segments.
    if (count != w->n)
        return 0;
    auto* out = static_cast<double(*)[D]>(std::malloc(sizeof(double[D]) * static_cast<size_t>(count)));
    if (out == nullptr)
        return 0;
    for (int i = 0; i < count; ++i) {
        if constexpr (D == 4) {
            std::memcpy(out[i], w->P[i], sizeof(double[4]));
        } else {
            double q[3];
            w->GetCtrlPt(i, q);
            for (int d = 0; d < D; ++d)
                out[i][d] = q[d];
        }
    }
    pts = out;
    return count;
}

}  // namespace

int BCRV::InsertKnot(double u, int times)
{
    if (!BCRV_IsValid(this) || !std::isfinite(u) || times < 0 || !(u > U[k - 1] && u < U[n]))
        return 0;
    if (!MakeClamped(*this))
        return 0;
    return InsertRaw(*this, u, times);
}

int BCRV::DegElevate(int t)
{
    if (!BCRV_IsValid(this) || t < 0 || k + t > kBcrvMaxOrder)
        return 0;
    if (t == 0)
        return 1;
    return Elevate(*this, t);
}

int BCRV::ConvertToBezier(double (*&pts)[2]) const
{
    return ToBezierList<2>(*this, pts);
}

int BCRV::ConvertToBezier(double (*&pts)[3]) const
{
    return ToBezierList<3>(*this, pts);
}

int BCRV::ConvertToBezier(double (*&pts)[4]) const
{
    return ToBezierList<4>(*this, pts);
}

void BCRV::FreePtList(double (*pts)[2])
{
    std::free(pts);
}

void BCRV::FreePtList(double (*pts)[3])
{
    std::free(pts);
}

void BCRV::FreePtList(double (*pts)[4])
{
    std::free(pts);
}

int BCRV_InsKnot(BCRV* c, double u, int times)
{
    return c != nullptr ? c->InsertKnot(u, times) : 0;
}

int BCRV_InsKnots(BCRV* c, int m, const double* knots)
{
    if (!BCRV_IsValid(c) || m < 0 || (m > 0 && knots == nullptr))
        return 0;
    for (int i = 0; i < m; ++i) {
        if (!std::isfinite(knots[i]))
            return 0;
        if (knots[i] > c->U[c->k - 1] && knots[i] < c->U[c->n] && !c->InsertKnot(knots[i], 1))
            return 0;
    }
    return 1;
}

int BCRV_ElvDeg(BCRV* c)
{
    return c != nullptr ? c->DegElevate(1) : 0;
}

int BCRV_Split(const BCRV* c, double t, BCRV** left, BCRV** right)
{
    if (left != nullptr)
        *left = nullptr;
    if (right != nullptr)
        *right = nullptr;
    if (left == nullptr || right == nullptr || !BCRV_IsValid(c) || !std::isfinite(t) ||
        !(t > c->U[c->k - 1] && t < c->U[c->n]))
        return 0;
    BcrvPtr l;
    BcrvPtr r;
    if (!SplitRaw(*c, t, &l, &r) || !KNOT_Regu(l->k, l->n, l->U) || !KNOT_Regu(r->k, r->n, r->U))
        return 0;
    *left = l.release();
    *right = r.release();
    return 1;
}

int BCRV_Trim(const BCRV* c, double t0, double t1, double tol, BCRV** out)
{
    if (out == nullptr)
        return 0;
    *out = nullptr;
    if (!BCRV_IsValid(c) || !std::isfinite(t0) || !std::isfinite(t1) || !std::isfinite(tol))
        return 0;
    if (tol < 0.0)
        tol = 0.0;
    const double a = c->U[c->k - 1];
    const double b = c->U[c->n];
    // A knot within tol is taken instead of t only when the end point moves by
    // less than kTrimSnapMove: tol is in parameter units, and a loose one must
    // not shift the piece's ends on the curve.
    auto snap = [&](double t) {
        t = t < a ? a : (t > b ? b : t);
        double at[3];
        if (!BCRV_EvPos(c, t, at))
            return t;
        for (int i = c->k - 1; i <= c->n; ++i) {
            if (!(std::fabs(c->U[i] - t) <= tol))
                continue;
            double to[3];
            if (BCRV_EvPos(c, c->U[i], to) && Dist3(at, to) < kTrimSnapMove)
                return c->U[i];
        }
        return t;
    };
    t0 = snap(t0);
    t1 = snap(t1);
    if (!(t0 < t1))
        return 0;
    BcrvPtr piece = ClampedClone(c);
    if (!piece)
        return 0;
    if (t0 > a) {
        BcrvPtr right;
        if (!SplitRaw(*piece, t0, nullptr, &right))
            return 0;
        piece = std::move(right);
    }
    if (t1 < b) {
        BcrvPtr left;
        if (!SplitRaw(*piece, t1, &left, nullptr))
            return 0;
        piece = std::move(left);
    }
    if (!KNOT_Regu(piece->k, piece->n, piece->U))
        return 0;
    *out = piece.release();
    return 1;
}

int BCRV_Merge(int count, BCRV* const* curves, double tol, BCRV** out)
{
    if (out == nullptr)
        return 0;
    *out = nullptr;
    if (curves == nullptr || count < 1 || !std::isfinite(tol) || tol < 0.0)
        return 0;
    std::vector<BcrvPtr> parts;
    parts.reserve(static_cast<size_t>(count));
    int order = 2;
    for (int i = 0; i < count; ++i) {
        BcrvPtr w = ClampedClone(curves[i]);
        if (!w)
            return 0;
        order = w->k > order ? w->k : order;
        parts.push_back(std::move(w));
    }
    auto start = [](const BCRV& c, double* p) { c.GetCtrlPt(0, p); };
    auto end = [](const BCRV& c, double* p) { c.GetCtrlPt(c.n - 1, p); };
    // Orientation: each piece must start where the previous one ends.
    for (int i = 1; i < count; ++i) {
        double e0[3], s1[3], e1[3];
        end(*parts[i - 1], e0);
        start(*parts[i], s1);
        end(*parts[i], e1);
        if (Dist3(e0, s1) <= tol)
            continue;
        if (Dist3(e0, e1) <= tol) {
            parts[i]->Reverse();
            continue;
        }
        if (i == 1) {
            double s0[3];
            start(*parts[0], s0);
            if (Dist3(s0, s1) <= tol) {
                parts[0]->Reverse();
                continue;
            }
            if (Dist3(s0, e1) <= tol) {
                parts[0]->Reverse();
                parts[1]->Reverse();
                continue;
            }
        }
        return 0;
    }
    if (count == 1) {
        if (!KNOT_Regu(parts[0]->k, parts[0]->n, parts[0]->U))
            return 0;
        *out = parts[0].release();
        return 1;
    }
    for (auto& w : parts)
        if (w->k < order && !w->DegElevate(order - w->k))
            return 0;
    // Scale each piece's homogeneous points so its first weight matches the
    // previous last weight (same curve), then meet at the joint's midpoint.
    for (int i = 1; i < count; ++i) {
        BCRV& prev = *parts[i - 1];
        BCRV& cur = *parts[i];
        const double f = prev.P[prev.n - 1][3] / cur.P[0][3];
        for (int j = 0; j < cur.n; ++j)
            for (int e = 0; e < 4; ++e)
                cur.P[j][e] *= f;
        double e0[3], s1[3], mid[3];
        end(prev, e0);
        start(cur, s1);
        for (int d = 0; d < 3; ++d)
            mid[d] = 0.5 * (e0[d] + s1[d]);
        const double w = cur.P[0][3];
        prev.SetCtrlPt(prev.n - 1, mid, w);
        cur.SetCtrlPt(0, mid, w);
    }
    std::vector<double> len(static_cast<size_t>(count));
    double total = 0.0;
    for (int i = 0; i < count; ++i) {
        len[i] = PolygonLength(*parts[i]);
        total += len[i];
    }
    for (int i = 0; i < count; ++i)
        len[i] = total > 0.0 ? (len[i] + 1e-9 * total) : 1.0;  // no piece gets an empty interval
    total = 0.0;
    for (double l : len)
        total += l;
    const int p = order - 1;
    int n = 0;
    for (auto& w : parts)
        n += w->n;
    n -= count - 1;
    BcrvPtr res(BCRV_New(order, n));
    if (!res)
        return 0;
    int at = 0;
    int cp = 0;
    double s = 0.0;
    for (int i = 0; i < order; ++i)
        res->U[at++] = 0.0;
    for (int i = 0; i < count; ++i) {
        const BCRV& w = *parts[i];
        const double s1 = (i + 1 == count) ? 1.0 : s + len[i] / total;
        const double a = w.U[p];
        const double b = w.U[w.n];
        for (int j = p + 1; j < w.n; ++j)
            res->U[at++] = s + (w.U[j] - a) / (b - a) * (s1 - s);
        if (i + 1 < count)
            for (int j = 0; j < p; ++j)
                res->U[at++] = s1;
        for (int j = (i == 0 ? 0 : 1); j < w.n; ++j)
            std::memcpy(res->P[cp++], w.P[j], sizeof(double[4]));
        s = s1;
    }
    for (int i = 0; i < order; ++i)
        res->U[at++] = 1.0;
    if (at != n + order || cp != n || !BCRV_IsValid(res.get()))
        return 0;
    *out = res.release();
    return 1;
}
