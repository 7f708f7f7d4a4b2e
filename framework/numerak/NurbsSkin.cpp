#include "framework/numerak/NurbsSkin.h"

#include "framework/numerak/Knot.h"
#include "framework/numerak/NurbsBasis.h"
#include "framework/numerak/NurbsEditor.h"

#include <Eigen/SparseCore>
#include <Eigen/SparseLU>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace nb = numerak::nurbs;

double (**NET4D_Create(int rows, int columns))[4]
{
    if (rows < 1 || columns < 1)
        return nullptr;
    auto** net = static_cast<double(**)[4]>(std::calloc(static_cast<std::size_t>(rows), sizeof(double(*)[4])));
    if (!net)
        return nullptr;
    for (int i = 0; i < rows; ++i) {
        net[i] = static_cast<double(*)[4]>(std::calloc(static_cast<std::size_t>(columns), sizeof(double[4])));
        if (!net[i]) {
            NET4D_Free(net, i);
            return nullptr;
        }
    }
    return net;
}

void NET4D_Free(double (**net)[4], int rows)
{
    if (!net)
        return;
    for (int i = 0; i < rows; ++i)
        std::free(net[i]);
    std::free(net);
}

int BCRV_InqADDegree(int mode, const BCRV* a, const BCRV* b, double* measure)
{
    if ((mode != 0 && mode != 1) || !measure || !BCRV_IsValid(a) || !BCRV_IsValid(b))
        return 0;
    constexpr int kSamples = 33;
    const double a0 = a->U[a->k - 1], a1 = a->U[a->n], b0 = b->U[b->k - 1], b1 = b->U[b->n];
    double sum = 0.0;
    for (int i = 0; i < kSamples; ++i) {
        const double f = static_cast<double>(i) / (kSamples - 1);
        const double g = mode == 0 ? f : 1.0 - f;
        double pa[3], pb[3];
        if (!BCRV_EvPos(a, a0 + f * (a1 - a0), pa) || !BCRV_EvPos(b, b0 + g * (b1 - b0), pb))
            return 0;
        sum += std::sqrt((pa[0] - pb[0]) * (pa[0] - pb[0]) + (pa[1] - pb[1]) * (pa[1] - pb[1]) +
                         (pa[2] - pb[2]) * (pa[2] - pb[2]));
    }
    *measure = sum / kSamples;
    return 1;
}

int BCRV_UniStr(int m, BCRV** curves, double tol)
{
    if (m < 1 || !curves)
        return 0;
    const double knotTol = tol > 0.0 ? tol : 1e-10;
    int order = 0;
    for (int i = 0; i < m; ++i) {
        if (!BCRV_IsValid(curves[i]) || !KNOT_Regu(curves[i]->k, curves[i]->n, curves[i]->U))
            return 0;
        order = std::max(order, curves[i]->k);
    }
    for (int i = 0; i < m; ++i)
        while (curves[i]->k < order)
            if (BCRV_ElvDeg(curves[i]) != 1)
                return 0;
    // Interior knots with their highest multiplicity over all curves.
    std::vector<std::pair<double, int>> knots;
    for (int i = 0; i < m; ++i) {
        const BCRV* c = curves[i];
        for (int j = c->k; j < c->n;) {
            int e = j;
            while (e < c->n && std::fabs(c->U[e] - c->U[j]) < knotTol)
                ++e;
            bool found = false;
            for (auto& [u, mult] : knots)
                if (std::fabs(u - c->U[j]) < knotTol) {
                    mult = std::max(mult, e - j);
                    found = true;
                }
            if (!found)
                knots.emplace_back(c->U[j], e - j);
            j = e;
        }
    }
    for (int i = 0; i < m; ++i) {
        BCRV* c = curves[i];
        std::vector<double> missing;
        for (const auto& [u, mult] : knots) {
            int have = 0;
            for (int j = c->k; j < c->n; ++j)
                have += std::fabs(c->U[j] - u) < knotTol;
            for (int t = have; t < mult; ++t)
                missing.push_back(u);
        }
        if (!missing.empty() && BCRV_InsKnots(c, static_cast<int>(missing.size()), missing.data()) != 1)
            return 0;
    }
    // Knots within tol of each other become the first curve's value exactly.
    for (int i = 1; i < m; ++i) {
        if (curves[i]->n != curves[0]->n)
            return 0;
        for (int j = 0; j < curves[0]->n + order; ++j) {
            if (std::fabs(curves[i]->U[j] - curves[0]->U[j]) >= knotTol)
                return 0;
            curves[i]->U[j] = curves[0]->U[j];
        }
    }
    return 1;
}

namespace {

// Surface through m rows of control points at the row parameters v
// (ascending, v[0] = 0, v[m-1] = 1): every column is interpolated across the
// rows with order kv, knots by averaging. One banded matrix serves all
// columns, each homogeneous coordinate solved at once.
int IntpRowsAt(int m, double (*const* rows)[4], const BCRV* tmpl, int kv, const std::vector<double>& v,
               _nurbs_surface** out)
{
    const int nu = tmpl->n;
    _nurbs_surface* s = BSRF_Create(tmpl->k, nu, kv, m);
    if (!s)
        return 0;
    std::memcpy(s->U, tmpl->U, sizeof(double) * static_cast<std::size_t>(nu + tmpl->k));
    if (KNOT_CalByAC(kv, m, v.data(), s->V) != 1) {
        BSRF_Free(s);
        return 0;
    }
    std::vector<Eigen::Triplet<double>> entries;
    entries.reserve(static_cast<std::size_t>(m) * kv);
    double N[nb::kMaxOrder];
    for (int j = 0; j < m; ++j) {
        const int span = nb::FindSpan(m, kv - 1, v[j], s->V);
        nb::BasisFuns(span, v[j], kv - 1, s->V, N);
        for (int c = 0; c < kv; ++c)
            if (N[c] != 0.0)
                entries.emplace_back(j, span - kv + 1 + c, N[c]);
    }
    Eigen::SparseMatrix<double> A(m, m);
    A.setFromTriplets(entries.begin(), entries.end());
    Eigen::SparseLU<Eigen::SparseMatrix<double>> lu;
    lu.compute(A);
    if (lu.info() != Eigen::Success) {
        BSRF_Free(s);
        return 0;
    }
    Eigen::MatrixXd rhs(m, 4 * nu);
    for (int j = 0; j < m; ++j)
        for (int i = 0; i < nu; ++i)
            for (int c = 0; c < 4; ++c)
                rhs(j, 4 * i + c) = rows[j][i][c];
    const Eigen::MatrixXd x = lu.solve(rhs);
    if (lu.info() != Eigen::Success || !x.allFinite()) {
        BSRF_Free(s);
        return 0;
    }
    for (int i = 0; i < nu; ++i)
        for (int j = 0; j < m; ++j) {
            for (int c = 0; c < 4; ++c)
                s->P[i][j][c] = x(j, 4 * i + c);
            // Interpolated weights may dip to zero between positive ones; such a
            // net is no usable surface.
            if (!(s->P[i][j][3] > 0.0)) {
                BSRF_Free(s);
                return 0;
            }
        }
    *out = s;
    return 1;
}

bool RowsInputOk(int m, double (*const* rows)[4], const BCRV* tmpl, int kv, _nurbs_surface** out)
{
    if (!out)
        return false;
    *out = nullptr;
    if (m < 2 || !rows || !BCRV_IsValid(tmpl) || kv < 2 || kv > kBcrvMaxOrder)
        return false;
    for (int j = 0; j < m; ++j) {
        if (!rows[j])
            return false;
        for (int i = 0; i < tmpl->n; ++i)
            if (!std::isfinite(rows[j][i][0]) || !std::isfinite(rows[j][i][1]) || !std::isfinite(rows[j][i][2]) ||
                !(rows[j][i][3] > 0.0) || !std::isfinite(rows[j][i][3]))
                return false;
    }
    return true;
}

}  // namespace

int BSRF_IntpPs(int m, double (*const* rows)[4], const BCRV* tmpl, int kv, _nurbs_surface** out)
{
    if (!RowsInputOk(m, rows, tmpl, kv, out))
        return 0;
    const int nu = tmpl->n;
    // Parameters across the rows: chord lengths between corresponding
    // Euclidean control points, normalised per column and averaged.
    std::vector<double> v(static_cast<std::size_t>(m), 0.0);
    int columns = 0;
    for (int i = 0; i < nu; ++i) {
        std::vector<double> d(static_cast<std::size_t>(m), 0.0);
        for (int j = 1; j < m; ++j) {
            double s = 0.0;
            for (int c = 0; c < 3; ++c) {
                const double e = rows[j][i][c] / rows[j][i][3] - rows[j - 1][i][c] / rows[j - 1][i][3];
                s += e * e;
            }
            d[j] = d[j - 1] + std::sqrt(s);
        }
        if (!(d[m - 1] > 0.0) || !std::isfinite(d[m - 1]))
            continue;
        for (int j = 1; j < m; ++j)
            v[j] += d[j] / d[m - 1];
        ++columns;
    }
    if (columns == 0)
        return 0;
    for (int j = 1; j < m; ++j)
        v[j] /= columns;
    v[m - 1] = 1.0;
    return IntpRowsAt(m, rows, tmpl, std::min(kv, m), v, out);
}

int BSRF_IntpPsUniK(int m, double (*const* rows)[4], const BCRV* tmpl, int kv, _nurbs_surface** out)
{
    if (!RowsInputOk(m, rows, tmpl, kv, out))
        return 0;
    std::vector<double> v(static_cast<std::size_t>(m));
    for (int j = 0; j < m; ++j)
        v[j] = static_cast<double>(j) / (m - 1);
    v[m - 1] = 1.0;
    return IntpRowsAt(m, rows, tmpl, std::min(kv, m), v, out);
}

_nurbs_surface* CNurbsEditor::SkinV(BCRV* const* curves, int count, int vOrder, double knotTol)
{
    if (!curves || count < 2 || vOrder < 2 || vOrder > kBcrvMaxOrder)
        return nullptr;
    std::vector<BCRV*> copies(static_cast<std::size_t>(count), nullptr);
    auto freeCopies = [&] {
        for (BCRV* c : copies)
            BCRV_Free(c);
    };
    for (int i = 0; i < count; ++i) {
        copies[i] = BCRV_IsValid(curves[i]) ? curves[i]->Clone() : nullptr;
        if (!copies[i]) {
            freeCopies();
            return nullptr;
        }
    }
    _nurbs_surface* s = nullptr;
    if (BCRV_UniStr(count, copies.data(), knotTol) == 1) {
        std::vector<double(*)[4]> rows(static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i)
            rows[i] = copies[i]->P;
        if (BSRF_IntpPs(count, rows.data(), copies[0], vOrder, &s) != 1)
            s = nullptr;
    }
    freeCopies();
    return s;
}
