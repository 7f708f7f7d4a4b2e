#include "toolpath/surfkernel/NurbsUtil.h"

#include "framework/numerak/Knot.h"
#include "framework/numerak/NurbsEditor.h"
#include "framework/numerak/NurbsSkin.h"
#include "framework/numerak/Point3D.h"
#include "toolpath/surfkernel/KernelMatrix.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace {

// Two knots closer than this are the same knot.
constexpr double kKnotTol = 1e-10;
// Weights below this make a control point unusable.
constexpr double kWeightTol = 1e-12;
// Vectors shorter than this do not normalise.
constexpr double kUnitTol = 1e-6;
// Curves longer than this are not made compatible.
constexpr int kMaxCompatibleCount = 1024;

struct CurveDeleter {
    void operator()(BCRV* c) const { BCRV_Free(c); }
};
using CurvePtr = std::unique_ptr<BCRV, CurveDeleter>;

bool unitOf(double* v)
{
    const double l = V3D_Len(v);
    if (!(l >= kUnitTol))
        return false;
    for (int i = 0; i < 3; ++i)
        v[i] /= l;
    return true;
}

double homDist(const double* a, const double* b)
{
    return std::sqrt((a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) + (a[2] - b[2]) * (a[2] - b[2]) +
                     (a[3] - b[3]) * (a[3] - b[3]));
}

using Hom = std::array<double, 4>;

// One knot of value u, last index r and multiplicity s removed up to `num`
// times from the homogeneous points P (count n) and knots U, in place; the
// number removed, or -1 for degenerate knot spacing (nothing changed then).
int removeKnot(std::vector<Hom>& P, std::vector<double>& U, int k, double u, int r, int s, int num, double tol)
{
    const int p = k - 1;
    const int n = static_cast<int>(P.size()) - 1; // last index
    const int ord = k;
    const int fout = (2 * r - s - p) / 2;
    int first = r - p, last = r - s;
    std::vector<Hom> temp(static_cast<std::size_t>(2 * p + 1 + num * 2 + 2));
    std::vector<Hom> work = P;
    int t = 0;
    for (; t < num; ++t) {
        const int off = first - 1;
        temp[0] = work[off];
        temp[last + 1 - off] = work[last + 1];
        int i = first, j = last, ii = 1, jj = last - off;
        while (j - i > t) {
            const double di = U[i + ord + t] - U[i], dj = U[j + ord] - U[j - t];
            if (std::fabs(di) < kKnotTol || std::fabs(dj) < kKnotTol)
                return -1;
            const double ai = (u - U[i]) / di, aj = (u - U[j - t]) / dj;
            if (std::fabs(ai) < kKnotTol || std::fabs(1.0 - aj) < kKnotTol)
                return -1;
            for (int c = 0; c < 4; ++c) {
                temp[ii][c] = (work[i][c] - (1.0 - ai) * temp[ii - 1][c]) / ai;
                temp[jj][c] = (work[j][c] - aj * temp[jj + 1][c]) / (1.0 - aj);
            }
            ++i;
            ++ii;
            --j;
            --jj;
        }
        bool ok;
        if (j - i < t) {
            ok = homDist(temp[ii - 1].data(), temp[jj + 1].data()) <= tol;
        } else {
            const double di = U[i + ord + t] - U[i];
            if (std::fabs(di) < kKnotTol)
                return -1;
            const double ai = (u - U[i]) / di;
            Hom blend;
            for (int c = 0; c < 4; ++c)
                blend[c] = ai * temp[ii + t + 1][c] + (1.0 - ai) * temp[ii - 1][c];
            ok = homDist(work[i].data(), blend.data()) <= tol;
        }
        if (!ok)
            break;
        i = first;
        j = last;
        while (j - i > t) {
            work[i] = temp[i - off];
            work[j] = temp[j - off];
            ++i;
            --j;
        }
        --first;
        ++last;
    }
    if (t == 0)
        return 0;
    const int m = n + p + 1;
    for (int kk = r + 1; kk <= m; ++kk)
        U[kk - t] = U[kk];
    U.resize(U.size() - t);
    int j = fout, i = fout;
    for (int kk = 1; kk < t; ++kk)
        if (kk % 2 == 1)
            ++i;
        else
            --j;
    for (int kk = i + 1; kk <= n; ++kk)
        work[j++] = work[kk];
    work.resize(work.size() - t);
    P = std::move(work);
    return t;
}

} // namespace

BCRV* NRB_CopyCurve(const BCRV* c)
{
    if (!c || c->k < 1 || c->n < 1 || !c->P || !c->U)
        return nullptr;
    BCRV* out = BCRV_New();
    if (!out)
        return nullptr;
    out->P = static_cast<double(*)[4]>(std::malloc(sizeof(double[4]) * static_cast<std::size_t>(c->n)));
    out->U = static_cast<double*>(std::malloc(sizeof(double) * static_cast<std::size_t>(c->n + c->k)));
    if (!out->P || !out->U) {
        BCRV_Free(out);
        return nullptr;
    }
    out->k = c->k;
    out->n = c->n;
    std::memcpy(out->P, c->P, sizeof(double[4]) * static_cast<std::size_t>(c->n));
    std::memcpy(out->U, c->U, sizeof(double) * static_cast<std::size_t>(c->n + c->k));
    return out;
}

int NRB_CopyCurves(BCRV* const* curves, int m, BCRV** out)
{
    if (!curves || !out || m < 0)
        return 0;
    for (int i = 0; i < m; ++i) {
        out[i] = NRB_CopyCurve(curves[i]);
        if (!out[i]) {
            for (int j = 0; j < i; ++j) {
                BCRV_Free(out[j]);
                out[j] = nullptr;
            }
            return 0;
        }
    }
    return 1;
}

int NRB_GetControlPoint(int i, const BCRV* c, double* p)
{
    if (!c || !p || i < 0 || i >= c->n)
        return 0;
    const double w = c->P[i][3];
    if (std::fabs(w) < kWeightTol)
        return 0;
    for (int j = 0; j < 3; ++j)
        p[j] = c->P[i][j] / w;
    return 1;
}

int NRB_EndTangent(const BCRV* c, double* deriv, double* point, int end)
{
    if (!c || c->n < 2 || !deriv || !point)
        return 0;
    const int k = c->k, n = c->n;
    const int i0 = end ? n - 1 : 0, i1 = end ? n - 2 : 1;
    double p0[3], p1[3];
    if (!NRB_GetControlPoint(i0, c, p0) || !NRB_GetControlPoint(i1, c, p1))
        return 0;
    // Clamped ends: the end spans are U[k-1]..U[k] and U[n-1]..U[n], wherever the knots run.
    const double span = end ? c->U[n] - c->U[n - 1] : c->U[k] - c->U[k - 1];
    if (!(std::fabs(span) > 0.0))
        return 0;
    const double f = c->P[i1][3] / c->P[i0][3] * (k - 1) / span;
    for (int j = 0; j < 3; ++j) {
        point[j] = p0[j];
        deriv[j] = end ? f * (p0[j] - p1[j]) : f * (p1[j] - p0[j]);
    }
    return 1;
}

int NRB_ClosureKind(const BCRV* c, double distTol, double angleTol)
{
    double p0[3], d0[3], p1[3], d1[3];
    if (!NRB_EndTangent(c, d0, p0, 0) || !NRB_EndTangent(c, d1, p1, 1))
        return 2;
    double gap[3];
    V3D_Sub(p1, p0, gap);
    if (!(V3D_Len(gap) < distTol))
        return 2;
    double cr[3];
    V3D_Cross(d0, d1, cr);
    const double angle = std::atan2(V3D_Len(cr), V3D_Dot(d0, d1));
    return angle < angleTol ? 0 : 1;
}

int NRB_PlaneOfCurve(double* point, const BCRV* c, double* normal, double tol)
{
    if (!c || !point || !normal || c->n < 2)
        return 0;
    double p0[3], p1[3], d[3];
    if (!NRB_GetControlPoint(0, c, p0) || !NRB_GetControlPoint(1, c, p1))
        return 0;
    V3D_Sub(p1, p0, d);
    if (!unitOf(d))
        return 0;
    double far = 0.0, e[3] = {0, 0, 0}, prev[3];
    P3D_Copy(p1, prev);
    for (int i = 2; i < c->n; ++i) {
        double pi[3];
        if (!NRB_GetControlPoint(i, c, pi))
            P3D_Copy(prev, pi);
        P3D_Copy(pi, prev);
        double q[3], cr[3];
        V3D_Sub(pi, p0, q);
        V3D_Cross(q, d, cr);
        const double dist = V3D_Len(cr);
        if (dist > far) {
            far = dist;
            P3D_Copy(q, e);
        }
    }
    P3D_Copy(p0, point);
    if (far < tol) {
        double y[3];
        return V3D_GetXYFromZ(d, normal, y) ? 1 : 0;
    }
    double m[3];
    V3D_Cross(d, e, m);
    if (!unitOf(m))
        return 0;
    for (int i = 1; i < c->n; ++i) {
        double pi[3], q[3];
        if (!NRB_GetControlPoint(i, c, pi))
            continue;
        V3D_Sub(pi, p0, q);
        if (std::fabs(V3D_Dot(q, m)) > tol)
            return 0;
    }
    P3D_Copy(m, normal);
    return 1;
}

int NRB_SameKnots(const BCRV* a, const BCRV* b)
{
    if (!a || !b || a->k != b->k || a->n != b->n)
        return 0;
    for (int i = 0; i < a->n + a->k; ++i)
        if (std::fabs(a->U[i] - b->U[i]) > kKnotTol)
            return 0;
    return 1;
}

int NRB_MergeKnots(const BCRV* a, BCRV* b)
{
    if (!a || !b)
        return 0;
    std::vector<double> missing;
    const int m = a->n + a->k;
    for (int i = 0; i < m;) {
        int j = i;
        while (j < m && std::fabs(a->U[j] - a->U[i]) < kKnotTol)
            ++j;
        const int inA = j - i;
        int inB = 0;
        for (int l = 0; l < b->n + b->k; ++l)
            inB += std::fabs(b->U[l] - a->U[i]) < kKnotTol;
        for (int t = inB; t < inA; ++t)
            missing.push_back(a->U[i]);
        i = j;
    }
    if (missing.empty())
        return 1;
    return BCRV_InsKnots(b, static_cast<int>(missing.size()), missing.data()) == 1 ? 1 : 0;
}

int NRB_MakeCompatible(BCRV* a, BCRV* b)
{
    if (!a || !b || a->n > kMaxCompatibleCount || b->n > kMaxCompatibleCount)
        return 0;
    while (a->k != b->k)
        if (BCRV_ElvDeg(a->k < b->k ? a : b) != 1)
            return 0;
    if (NRB_SameKnots(a, b))
        return 1;
    if (NRB_MergeKnots(a, b) != 1 || NRB_MergeKnots(b, a) != 1)
        return 0;
    return NRB_SameKnots(a, b);
}

int NRB_NewPointCurve(const double* p, BCRV** out)
{
    if (!p || !out)
        return 0;
    return BCRV_GenLine(p, p, out);
}

void NRB_SpanBasisMatrix(int k, double* m, int l, const double* U)
{
    // coef[j][d]: coefficient of s^d of basis function l - (order - 1) + j,
    // built up order by order by the Cox-de Boor recurrence with
    // t - U[i] = s + (U[l] - U[i]).
    double coef[kBcrvMaxOrder][kBcrvMaxOrder] = {};
    coef[0][0] = 1.0;
    const double base = U[l];
    for (int q = 1; q < k; ++q) {
        double next[kBcrvMaxOrder][kBcrvMaxOrder] = {};
        // Functions of degree q non-zero on span l: i = l - q .. l.
        for (int j = 0; j <= q; ++j) {
            const int i = l - q + j;
            // Left term: (t - U[i]) / (U[i+q] - U[i]) * N(i, q-1), N(i, q-1) = coef[j-1].
            if (j >= 1) {
                const double den = U[i + q] - U[i];
                if (den > kKnotTol) {
                    const double shift = base - U[i];
                    for (int d = 0; d < q; ++d) {
                        next[j][d + 1] += coef[j - 1][d] / den;
                        next[j][d] += shift * coef[j - 1][d] / den;
                    }
                }
            }
            // Right term: (U[i+q+1] - t) / (U[i+q+1] - U[i+1]) * N(i+1, q-1) = coef[j].
            if (j <= q - 1) {
                const double den = U[i + q + 1] - U[i + 1];
                if (den > kKnotTol) {
                    const double shift = U[i + q + 1] - base;
                    for (int d = 0; d < q; ++d) {
                        next[j][d + 1] -= coef[j][d] / den;
                        next[j][d] += shift * coef[j][d] / den;
                    }
                }
            }
        }
        std::memcpy(coef, next, sizeof coef);
    }
    // Transposed: row d (power), column j (function).
    for (int d = 0; d < k; ++d)
        for (int j = 0; j < k; ++j)
            m[d * k + j] = coef[j][d];
}

int NRB_SolveCollocation(double (*out)[3], const double* rows, const int* starts, int k, int n,
                         const double (*pts)[3])
{
    if (!out || !rows || !starts || !pts || k < 1 || n < k)
        return 0;
    std::vector<double> a(rows, rows + static_cast<std::size_t>(n) * k);
    std::vector<double> rhs(static_cast<std::size_t>(n) * 3);
    for (int i = 0; i < n; ++i)
        for (int c = 0; c < 3; ++c)
            rhs[i * 3 + c] = pts[i][c];
    auto at = [&](int row, int col) -> double& { return a[static_cast<std::size_t>(row) * k + (col - starts[row])]; };
    for (int j = 0; j < n; ++j) {
        const int sj = starts[j];
        if (j < sj || j >= sj + k || (j > 0 && sj < starts[j - 1]))
            return 0;
        const double pivot = at(j, j);
        if (!(std::fabs(pivot) >= 1e-20))
            return 0;
        for (int r = j + 1; r < n && starts[r] <= j; ++r) {
            const double f = at(r, j) / pivot;
            if (f == 0.0)
                continue;
            for (int c = j; c < sj + k; ++c)
                at(r, c) -= f * at(j, c);
            for (int c = 0; c < 3; ++c)
                rhs[r * 3 + c] -= f * rhs[j * 3 + c];
        }
    }
    for (int j = n - 1; j >= 0; --j) {
        const int end = std::min(n, starts[j] + k);
        for (int c = 0; c < 3; ++c) {
            double s = rhs[j * 3 + c];
            for (int col = j + 1; col < end; ++col)
                s -= at(j, col) * out[col][c];
            out[j][c] = s / at(j, j);
        }
    }
    return 1;
}

int NRB_InterpolatePoints(int n, int k, const double (*pts)[3], BCRV** out)
{
    if (!out)
        return 0;
    *out = nullptr;
    if (!pts || k < 2 || k > 4 || n < k)
        return 0;
    std::vector<double> t(static_cast<std::size_t>(n));
    if (KNOT_CalAccumChord(n, pts, t.data()) != 1)
        return 0;
    CurvePtr c(BCRV_New(k, n));
    if (!c)
        return 0;
    if (KNOT_CalByAC(k, n, t.data(), c->U) != 1)
        return 0;
    if (k == 2) {
        for (int i = 0; i < n; ++i)
            c->SetCtrlPt(i, pts[i]);
        *out = c.release();
        return 1;
    }
    std::vector<double> rows(static_cast<std::size_t>(n) * k);
    std::vector<int> starts(static_cast<std::size_t>(n));
    double m[16], powers[4];
    int l = k - 1, built = -1;
    for (int i = 0; i < n; ++i) {
        while (t[i] >= c->U[l + 1] && l < n - 1)
            ++l;
        if (l != built) {
            NRB_SpanBasisMatrix(k, m, l, c->U);
            built = l;
        }
        const double s = t[i] - c->U[l];
        powers[0] = 1.0;
        for (int d = 1; d < k; ++d)
            powers[d] = powers[d - 1] * s;
        MAT_Multiply(1, k, powers, m, rows.data() + static_cast<std::size_t>(i) * k, k);
        starts[i] = l - k + 1;
    }
    std::vector<std::array<double, 3>> ctrl(static_cast<std::size_t>(n));
    if (!NRB_SolveCollocation(reinterpret_cast<double(*)[3]>(ctrl.data()), rows.data(), starts.data(), k, n, pts))
        return 0;
    for (int i = 0; i < n; ++i)
        c->SetCtrlPt(i, ctrl[i].data());
    *out = c.release();
    return 1;
}

int NRB_RemoveCurveKnots(BCRV* c, double tol)
{
    if (!c || !c->P || !c->U || c->n <= c->k)
        return 0;
    const int k = c->k;
    std::vector<Hom> P(static_cast<std::size_t>(c->n));
    for (int i = 0; i < c->n; ++i)
        std::memcpy(P[i].data(), c->P[i], sizeof(double[4]));
    std::vector<double> U(c->U, c->U + c->n + k);
    int removed = 0;
    for (int idx = k; idx <= static_cast<int>(P.size()) - 1;) {
        const double u = U[idx];
        int r = idx;
        while (r + 1 <= static_cast<int>(P.size()) - 1 && std::fabs(U[r + 1] - u) < kKnotTol)
            ++r;
        const int s = r - idx + 1;
        int t = 0;
        // A knot of full multiplicity breaks the curve; it stays.
        if (s <= k - 1) {
            t = removeKnot(P, U, k, u, r, s, s, tol);
            if (t < 0)
                return 0;
        }
        removed += t;
        idx = r - t + 1;
    }
    if (removed == 0)
        return 0;
    const int n = static_cast<int>(P.size());
    double* knots = KNOT_Gen(k, n);
    auto* ctrl = static_cast<double(*)[4]>(std::malloc(sizeof(double[4]) * static_cast<std::size_t>(n)));
    if (!knots || !ctrl) {
        KNOT_Free(knots);
        std::free(ctrl);
        return 0;
    }
    std::memcpy(knots, U.data(), sizeof(double) * U.size());
    for (int i = 0; i < n; ++i)
        std::memcpy(ctrl[i], P[i].data(), sizeof(double[4]));
    std::free(c->P);
    std::free(c->U);
    c->P = ctrl;
    c->U = knots;
    c->n = n;
    return removed;
}

int NRB_RemoveSurfaceKnots(_nurbs_surface* s, double tol)
{
    if (!s || !s->P || !s->U || s->nu <= s->ku)
        return 0;
    const int k = s->ku, nv = s->nv;
    std::vector<std::vector<Hom>> cols(static_cast<std::size_t>(nv));
    for (int j = 0; j < nv; ++j) {
        cols[j].resize(static_cast<std::size_t>(s->nu));
        for (int i = 0; i < s->nu; ++i)
            std::memcpy(cols[j][i].data(), s->P[i][j], sizeof(double[4]));
    }
    std::vector<double> U(s->U, s->U + s->nu + k);
    int removed = 0;
    bool degenerate = false;
    for (int idx = k; !degenerate && idx <= static_cast<int>(cols[0].size()) - 1;) {
        const double u = U[idx];
        int r = idx;
        while (r + 1 <= static_cast<int>(cols[0].size()) - 1 && std::fabs(U[r + 1] - u) < kKnotTol)
            ++r;
        int mult = r - idx + 1;
        // One removal at a time, accepted only when every column allows it.
        while (mult >= 1 && mult <= k - 1) {
            std::vector<std::vector<Hom>> next = cols;
            std::vector<double> nextU;
            bool all = true;
            for (int j = 0; j < nv && all; ++j) {
                std::vector<double> colU = U;
                const int t = removeKnot(next[j], colU, k, u, r, mult, 1, tol);
                if (t < 0)
                    degenerate = true;
                all = t == 1;
                if (all)
                    nextU = std::move(colU);
            }
            if (!all)
                break;
            cols = std::move(next);
            U = std::move(nextU);
            ++removed;
            --r;
            --mult;
        }
        idx = r + 1;
    }
    if (removed == 0)
        return 0;
    const int nu = static_cast<int>(cols[0].size());
    if (removed < 6) {
        for (int i = nu; i < s->nu; ++i) {
            std::free(s->P[i]);
            s->P[i] = nullptr;
        }
        std::memcpy(s->U, U.data(), sizeof(double) * U.size());
    } else {
        double* knots = KNOT_Gen(k, nu);
        auto** rows = NET4D_Create(nu, nv);
        if (!knots || !rows) {
            KNOT_Free(knots);
            NET4D_Free(rows, nu);
            return 0;
        }
        std::memcpy(knots, U.data(), sizeof(double) * U.size());
        NET4D_Free(s->P, s->nu);
        std::free(s->U);
        s->P = rows;
        s->U = knots;
    }
    for (int i = 0; i < nu; ++i)
        for (int j = 0; j < nv; ++j)
            std::memcpy(s->P[i][j], cols[j][i].data(), sizeof(double[4]));
    s->nu = nu;
    return removed;
}

int NRB_RuledSurface(const BCRV* a, const BCRV* b, _nurbs_surface** out)
{
    if (!a || !b || !out)
        return 0;
    *out = nullptr;
    CurvePtr ca(NRB_CopyCurve(a)), cb(NRB_CopyCurve(b));
    if (!ca || !cb)
        return -1;
    if (NRB_MakeCompatible(ca.get(), cb.get()) != 1)
        return 0;
    _nurbs_surface* s = BSRF_Create(ca->k, ca->n, 2, 2);
    if (!s)
        return -1;
    std::memcpy(s->U, ca->U, sizeof(double) * static_cast<std::size_t>(ca->n + ca->k));
    const double v[4] = {0.0, 0.0, 1.0, 1.0};
    std::memcpy(s->V, v, sizeof v);
    for (int i = 0; i < ca->n; ++i) {
        std::memcpy(s->P[i][0], ca->P[i], sizeof(double[4]));
        std::memcpy(s->P[i][1], cb->P[i], sizeof(double[4]));
    }
    *out = s;
    return 1;
}

int NRB_OrientCurves(BCRV** curves, int m)
{
    if (!curves)
        return 0;
    for (int i = 1; i < m; ++i) {
        double same = 0.0, reversed = 0.0;
        if (!BCRV_InqADDegree(0, curves[i - 1], curves[i], &same) ||
            !BCRV_InqADDegree(1, curves[i - 1], curves[i], &reversed))
            return 0;
        if (reversed + 1e-6 < same && !curves[i]->Reverse())
            return 0;
    }
    return 1;
}

int NRB_LoftSurface(BCRV* const* curves, int m, int vOrder, double tol, _nurbs_surface** out)
{
    if (!out)
        return 0;
    *out = nullptr;
    if (!curves || m < 2)
        return 0;
    std::vector<BCRV*> copies(static_cast<std::size_t>(m), nullptr);
    if (!NRB_CopyCurves(curves, m, copies.data()))
        return 0;
    if (vOrder != 3 && vOrder != 4)
        vOrder = 4;
    // Skinning itself is the NURBS library's, shared with the loft creator.
    if (NRB_OrientCurves(copies.data(), m) == 1)
        *out = CNurbsEditor::SkinV(copies.data(), m, vOrder, tol);
    for (BCRV* c : copies)
        BCRV_Free(c);
    return *out ? 1 : 0;
}
