// Banded collocation solve and array helpers shared by the NURBS sources.
#include "framework/numerak/Bcrv.h"
#include "framework/numerak/BcrvDetail.h"

#include <Eigen/SparseCore>
#include <Eigen/SparseLU>

#include <cstdlib>
#include <vector>

namespace numerak::nurbs::detail {

bool SolveCollocation(int k, int m, const double* U, const double* params, int dim, const double* rhs, double* X,
                      const int* derOrder)
{
    if (k < 2 || k > kMaxOrder || m < k || dim < 1)
        return false;
    const int p = k - 1;
    std::vector<Eigen::Triplet<double>> entries;
    entries.reserve(static_cast<size_t>(m) * k);
    double N[kMaxOrder];
    double ders[kMaxOrder][kMaxOrder];
    for (int i = 0; i < m; ++i) {
        const int span = FindSpan(m, p, params[i], U);
        const int der = derOrder != nullptr ? derOrder[i] : 0;
        if (der < 0 || der >= kMaxOrder)
            return false;
        const double* row = N;
        if (der == 0) {
            BasisFuns(span, params[i], p, U, N);
        } else {
            DersBasisFuns(span, params[i], p, der, U, ders);
            row = ders[der];
        }
        for (int j = 0; j <= p; ++j)
            if (row[j] != 0.0)
                entries.emplace_back(i, span - p + j, row[j]);
    }
    Eigen::SparseMatrix<double> A(m, m);
    A.setFromTriplets(entries.begin(), entries.end());
    A.makeCompressed();
    // The collocation matrix is banded; natural ordering keeps the band and
    // the LU's partial pivoting keeps it stable.
    Eigen::SparseLU<Eigen::SparseMatrix<double>, Eigen::NaturalOrdering<int>> lu;
    lu.compute(A);
    if (lu.info() != Eigen::Success)
        return false;
    Eigen::MatrixXd B(m, dim);
    for (int i = 0; i < m; ++i)
        for (int d = 0; d < dim; ++d)
            B(i, d) = rhs[static_cast<size_t>(i) * dim + d];
    Eigen::MatrixXd sol = lu.solve(B);
    if (lu.info() != Eigen::Success || !sol.allFinite())
        return false;
    for (int i = 0; i < m; ++i)
        for (int d = 0; d < dim; ++d)
            X[static_cast<size_t>(i) * dim + d] = sol(i, d);
    return true;
}

void Adopt(BCRV& c, int k, int n, double (*P)[4], double* U)
{
    std::free(c.P);
    std::free(c.U);
    c.P = P;
    c.U = U;
    c.k = k;
    c.n = n;
}

double (*AllocPts(int n))[4]
{
    if (n <= 0)
        return nullptr;
    return static_cast<double(*)[4]>(std::malloc(sizeof(double[4]) * static_cast<size_t>(n)));
}

double* AllocKnots(int m)
{
    if (m <= 0)
        return nullptr;
    return static_cast<double*>(std::malloc(sizeof(double) * static_cast<size_t>(m)));
}

}  // namespace numerak::nurbs::detail
