// Global interpolation and bounded least-squares approximation of point runs.
#include "framework/numerak/NurbsFit.h"

#include "framework/numerak/BcrvDetail.h"
#include "framework/numerak/Knot.h"

#include <Eigen/SparseCholesky>
#include <Eigen/SparseCore>

#include <array>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

namespace nb = numerak::nurbs;

namespace {

using Pt = std::array<double, 3>;

using BcrvPtr = numerak::nurbs::detail::CurvePtr;

// Finite points with consecutive duplicates dropped; empty on bad input.
std::vector<Pt> Distinct(const double (*pts)[3], int n)
{
    std::vector<Pt> out;
    if (pts == nullptr || n < 1)
        return out;
    double extent = 0.0;
    for (int i = 0; i < n; ++i) {
        if (!nb::detail::IsFinite3(pts[i]))
            return {};
        for (int d = 0; d < 3; ++d)
            extent = std::fmax(extent, std::fabs(pts[i][d]));
    }
    // Duplicates within rounding of the coordinates' size would make equal parameters.
    const double eps = 1e-14 * (1.0 + extent);
    out.reserve(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        const Pt q = {pts[i][0], pts[i][1], pts[i][2]};
        if (!out.empty()) {
            const Pt& b = out.back();
            const double dd = std::sqrt((q[0] - b[0]) * (q[0] - b[0]) + (q[1] - b[1]) * (q[1] - b[1]) +
                                        (q[2] - b[2]) * (q[2] - b[2]));
            if (dd <= eps)
                continue;
        }
        out.push_back(q);
    }
    return out;
}

BcrvPtr Line(const Pt& a, const Pt& b, int degree)
{
    BcrvPtr c(BCRV_New());
    if (!c || !c->GenLine(a.data(), b.data()) || (degree > 1 && !c->DegElevate(degree - 1)))
        return nullptr;
    return c;
}

BcrvPtr Interpolate(const std::vector<Pt>& q, int degree)
{
    const int m = static_cast<int>(q.size());
    if (m < 2)
        return nullptr;
    const int p = degree < m - 1 ? degree : m - 1;
    const int k = p + 1;
    std::vector<double> params(static_cast<size_t>(m));
    BcrvPtr c(BCRV_New(k, m));
    if (!c || !KNOT_CalAccumChord(m, reinterpret_cast<const double(*)[3]>(q.data()), params.data()) ||
        !KNOT_CalByAC(k, m, params.data(), c->U))
        return nullptr;
    std::vector<double> X(static_cast<size_t>(m) * 3);
    if (!nb::detail::SolveCollocation(k, m, c->U, params.data(), 3, &q[0][0], X.data()))
        return nullptr;
    for (int i = 0; i < m; ++i)
        if (!c->SetCtrlPt(i, &X[static_cast<size_t>(i) * 3]))
            return nullptr;
    // Clamped ends pass through the end points exactly.
    c->SetCtrlPt(0, q.front().data());
    c->SetCtrlPt(m - 1, q.back().data());
    if (p < degree && !c->DegElevate(degree - p))
        return nullptr;
    return c;
}

// Least squares with fixed ends for nc control points (The NURBS Book 9.4.1,
// knots by its averaging rule 9.69 so every span holds parameters).
BcrvPtr LeastSquares(const std::vector<Pt>& q, const std::vector<double>& t, int p, int nc)
{
    const int m = static_cast<int>(q.size());
    const int k = p + 1;
    BcrvPtr c(BCRV_New(k, nc));
    if (!c)
        return nullptr;
    const double d = static_cast<double>(m) / (nc - p);
    for (int j = 1; j <= nc - k; ++j) {
        const int i = static_cast<int>(j * d);
        const double alpha = j * d - i;
        c->U[p + j] = (1.0 - alpha) * t[i - 1] + alpha * t[i];
    }
    c->SetCtrlPt(0, q.front().data());
    c->SetCtrlPt(nc - 1, q.back().data());
    const int unknowns = nc - 2;
    if (unknowns > 0) {
        std::vector<Eigen::Triplet<double>> entries;
        entries.reserve(static_cast<size_t>(m) * k * k);
        Eigen::MatrixXd rhs = Eigen::MatrixXd::Zero(unknowns, 3);
        double N[kBcrvMaxOrder];
        for (int r = 1; r < m - 1; ++r) {
            const int span = nb::FindSpan(nc, p, t[r], c->U);
            nb::BasisFuns(span, t[r], p, c->U, N);
            double R[3] = {q[r][0], q[r][1], q[r][2]};
            for (int j = 0; j <= p; ++j) {
                const int col = span - p + j;
                if (col == 0 || col == nc - 1) {
                    const Pt& fixed = col == 0 ? q.front() : q.back();
                    for (int e = 0; e < 3; ++e)
                        R[e] -= N[j] * fixed[e];
                }
            }
            for (int a = 0; a <= p; ++a) {
                const int ia = span - p + a - 1;
                if (ia < 0 || ia >= unknowns || N[a] == 0.0)
                    continue;
                for (int e = 0; e < 3; ++e)
                    rhs(ia, e) += N[a] * R[e];
                for (int b = 0; b <= p; ++b) {
                    const int ib = span - p + b - 1;
                    if (ib >= 0 && ib < unknowns && N[b] != 0.0)
                        entries.emplace_back(ia, ib, N[a] * N[b]);
                }
            }
        }
        Eigen::SparseMatrix<double> A(unknowns, unknowns);
        A.setFromTriplets(entries.begin(), entries.end());
        Eigen::SimplicialLDLT<Eigen::SparseMatrix<double>> ldlt(A);
        if (ldlt.info() != Eigen::Success)
            return nullptr;
        Eigen::MatrixXd X = ldlt.solve(rhs);
        if (ldlt.info() != Eigen::Success || !X.allFinite())
            return nullptr;
        for (int i = 0; i < unknowns; ++i) {
            const double pt[3] = {X(i, 0), X(i, 1), X(i, 2)};
            c->SetCtrlPt(i + 1, pt);
        }
    }
    return c;
}

// Largest distance of a point from the curve at its parameter (an upper
// bound of its distance from the curve); stops early above stopAbove.
double Deviation(const BCRV* c, const std::vector<Pt>& q, const std::vector<double>& t, double stopAbove)
{
    double worst = 0.0;
    const int m = static_cast<int>(q.size());
    for (int i = 0; i < m; ++i) {
        double x[3];
        BCRV_EvPos(c, t[i], x);
        const double e = std::sqrt((x[0] - q[i][0]) * (x[0] - q[i][0]) + (x[1] - q[i][1]) * (x[1] - q[i][1]) +
                                   (x[2] - q[i][2]) * (x[2] - q[i][2]));
        worst = std::fmax(worst, e);
        if (worst > stopAbove)
            return worst;
    }
    return worst;
}

}  // namespace

BCRV* BCRV_GlobalInterp(const double (*pts)[3], int n, int degree)
{
    if (degree < 1 || degree + 1 > kBcrvMaxOrder)
        return nullptr;
    return Interpolate(Distinct(pts, n), degree).release();
}

BCRV* BCRV_Interpolate(const double (*pts)[3], int n)
{
    const std::vector<Pt> q = Distinct(pts, n);
    const int m = static_cast<int>(q.size());
    if (m < 2)
        return nullptr;
    std::vector<double> t(static_cast<size_t>(m));
    if (!KNOT_CalAccumChord(m, reinterpret_cast<const double(*)[3]>(q.data()), t.data()))
        return nullptr;
    const int count = m + 2;
    BcrvPtr c(BCRV_New(4, count));
    if (!c)
        return nullptr;
    for (int i = 1; i + 1 < m; ++i)
        c->U[3 + i] = t[i];
    // Rows: the first point, C''(0) = 0, the inner points, C''(1) = 0, the last point.
    std::vector<double> params(static_cast<size_t>(count));
    std::vector<int> der(static_cast<size_t>(count), 0);
    std::vector<double> rhs(static_cast<size_t>(count) * 3, 0.0);
    auto row = [&](int r, double u, int d, const Pt* value) {
        params[r] = u;
        der[r] = d;
        if (value != nullptr)
            for (int e = 0; e < 3; ++e)
                rhs[static_cast<size_t>(r) * 3 + e] = (*value)[e];
    };
    row(0, 0.0, 0, &q.front());
    row(1, 0.0, 2, nullptr);
    for (int i = 1; i + 1 < m; ++i)
        row(i + 1, t[i], 0, &q[i]);
    row(count - 2, 1.0, 2, nullptr);
    row(count - 1, 1.0, 0, &q.back());
    std::vector<double> X(static_cast<size_t>(count) * 3);
    if (!nb::detail::SolveCollocation(4, count, c->U, params.data(), 3, rhs.data(), X.data(), der.data()))
        return nullptr;
    for (int i = 0; i < count; ++i)
        if (!c->SetCtrlPt(i, &X[static_cast<size_t>(i) * 3]))
            return nullptr;
    c->SetCtrlPt(0, q.front().data());
    c->SetCtrlPt(count - 1, q.back().data());
    return c.release();
}

BCRV* BCRV_ApproxErrBnd(const double (*pts)[3], int n, int degree, double tol)
{
    if (degree < 1 || degree + 1 > kBcrvMaxOrder || !std::isfinite(tol))
        return nullptr;
    const std::vector<Pt> q = Distinct(pts, n);
    const int m = static_cast<int>(q.size());
    if (m < 2)
        return nullptr;
    if (m == 2)
        return Line(q.front(), q.back(), degree).release();
    const int p = degree < m - 1 ? degree : m - 1;
    std::vector<double> t(static_cast<size_t>(m));
    if (!KNOT_CalAccumChord(m, reinterpret_cast<const double(*)[3]>(q.data()), t.data()))
        return nullptr;
    if (tol > 0.0) {
        for (int nc = p + 1; nc < m;) {
            BcrvPtr c = LeastSquares(q, t, p, nc);
            if (c && Deviation(c.get(), q, t, tol) <= tol) {
                if (p < degree && !c->DegElevate(degree - p))
                    return nullptr;
                return c.release();
            }
            nc += nc / 2 > 1 ? nc / 2 : 1;
        }
    }
    return Interpolate(q, degree).release();
}
