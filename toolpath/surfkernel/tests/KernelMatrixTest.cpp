#include "toolpath/surfkernel/KernelMatrix.h"

#include "framework/numerak/QvMem.h"

#include <Eigen/Dense>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>

namespace {

using Mat4 = Eigen::Matrix<double, 4, 4, Eigen::RowMajor>;
using Vec4 = Eigen::Vector4d;

Mat4 randomMatrix(std::mt19937& rng)
{
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    Mat4 m;
    for (int i = 0; i < 16; ++i)
        m.data()[i] = u(rng);
    return m;
}

// A matrix of the given singular values between random orthogonal frames.
Mat4 withSingularValues(std::mt19937& rng, const Vec4& sv)
{
    const Eigen::HouseholderQR<Mat4> q1(randomMatrix(rng)), q2(randomMatrix(rng));
    const Mat4 u = q1.householderQ(), v = q2.householderQ();
    return u * sv.asDiagonal() * v.transpose();
}

double conditionOf(const Mat4& m)
{
    const Eigen::JacobiSVD<Mat4> svd(m);
    return svd.singularValues()(0) / svd.singularValues()(3);
}

TEST(KernelMatrixTest, MultiplyTransposeIdentityAgreeWithEigen)
{
    std::mt19937 rng(1);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    Eigen::Matrix<double, 3, 5, Eigen::RowMajor> a;
    Eigen::Matrix<double, 5, 2, Eigen::RowMajor> b;
    for (int i = 0; i < 15; ++i)
        a.data()[i] = u(rng);
    for (int i = 0; i < 10; ++i)
        b.data()[i] = u(rng);
    Eigen::Matrix<double, 3, 2, Eigen::RowMajor> out;
    out.setConstant(99.0);
    MAT_Multiply(3, 2, a.data(), b.data(), out.data(), 5);
    EXPECT_LT((out - a * b).norm(), 1e-14);

    Mat4 m = randomMatrix(rng), t;
    MAT_Transpose4(t.data(), m.data());
    EXPECT_EQ(t, m.transpose());
    MAT_Transpose4(m.data(), m.data());
    EXPECT_EQ(m, t) << "in place";
    MAT_Identity(m.data(), 4);
    EXPECT_EQ(m, Mat4::Identity());
}

TEST(KernelMatrixTest, RowOperations)
{
    double m[6] = {1, 2, 3, 4, 5, 6};
    MAT_SwapRows(3, m, 0, 1);
    EXPECT_EQ(m[0], 4.0);
    EXPECT_EQ(m[3], 1.0);
    MAT_ScaleRow(2.0, 3, 1, m);
    EXPECT_EQ(m[5], 6.0);
    MAT_AddRowMultiple(1, 0, -1.0, 3, m);
    EXPECT_EQ(m[0], 2.0);
    EXPECT_EQ(m[2], 0.0);
}

TEST(KernelMatrixTest, InvertMatchesEigenOnRandomAndIllConditioned)
{
    std::mt19937 rng(2);
    for (double cond : {1.0, 1e3, 1e8, 1e12}) {
        for (int i = 0; i < 50; ++i) {
            const Mat4 a = withSingularValues(rng, Vec4(1.0, 0.5, 0.3, 1.0 / cond));
            Mat4 work = a, inv;
            ASSERT_EQ(MAT_Invert(4, work.data(), inv.data()), 1) << "cond " << cond << " case " << i;
            const Mat4 ref = a.inverse();
            EXPECT_LT((inv - ref).norm() / ref.norm(), 1e-15 * cond * 100) << "cond " << cond << " case " << i;
        }
    }
    // A tiny leading pivot must not spoil the answer.
    Mat4 a;
    a << 1e-17, 1, 0, 0, 1, 1, 0, 0, 0, 0, 2, 0, 0, 0, 0, 3;
    Mat4 work = a, inv;
    ASSERT_EQ(MAT_Invert(4, work.data(), inv.data()), 1);
    EXPECT_LT((inv * a - Mat4::Identity()).norm(), 1e-15);
}

TEST(KernelMatrixTest, InvertRejectsSingularMatrices)
{
    Mat4 zeroColumn;
    zeroColumn << 1, 0, 2, 3, 4, 0, 5, 6, 7, 0, 8, 9, 1, 0, 1, 1;
    Mat4 inv;
    EXPECT_EQ(MAT_Invert(4, zeroColumn.data(), inv.data()), 0) << "zero column";
    Mat4 dependent;
    dependent << 1, 2, 3, 4, 2, 4, 6, 8, 0, 1, 0, 1, 1, 0, 1, 0;
    EXPECT_EQ(MAT_Invert(4, dependent.data(), inv.data()), 0) << "dependent rows";
}

TEST(KernelMatrixTest, PseudoInverseMatchesEigenAndGivesLeastNormAnswers)
{
    std::mt19937 rng(3);
    const Vec4 spectra[] = {Vec4(2, 1, 0.5, 0.25), Vec4(1, 0.7, 0.2, 0), Vec4(1, 0.5, 0, 0), Vec4(3, 0, 0, 0),
                            Vec4(0, 0, 0, 0)};
    for (int s = 0; s < 5; ++s) {
        for (int i = 0; i < 40; ++i) {
            const Mat4 a = withSingularValues(rng, spectra[s]);
            Mat4 p;
            ASSERT_EQ(MAT_PseudoInverse4(a.data(), p.data()), 1);
            const Mat4 ref = a.completeOrthogonalDecomposition().pseudoInverse();
            EXPECT_LT((p - ref).norm(), 1e-9 * (1.0 + ref.norm())) << "spectrum " << s << " case " << i;
            // Least-norm least-squares solution: A⁺b is orthogonal to the null space.
            const Vec4 b = randomMatrix(rng).col(0);
            const Vec4 x = p * b, xr = ref * b;
            EXPECT_LT((x - xr).norm(), 1e-9 * (1.0 + xr.norm())) << "spectrum " << s << " case " << i;
        }
    }
}

TEST(KernelMatrixTest, Solve4PivotsOrFallsBackToPseudoInverse)
{
    std::mt19937 rng(4);
    for (double cond : {1.0, 1e6, 1e10}) {
        for (int i = 0; i < 50; ++i) {
            const Mat4 a = withSingularValues(rng, Vec4(1.0, 0.6, 0.3, 1.0 / cond));
            const Vec4 xTrue = randomMatrix(rng).col(1);
            const Vec4 b = a * xTrue;
            Vec4 x;
            ASSERT_EQ(MAT_Solve4(x.data(), b.data(), a.data()), 1) << cond;
            EXPECT_LT((x - xTrue).norm(), 1e-15 * cond * 100 * (1.0 + xTrue.norm())) << "cond " << conditionOf(a);
            Mat4 work = a;
            Vec4 y = b;
            ASSERT_EQ(MAT_Solve4Pivot(work.data(), y.data()), 1);
            EXPECT_LT((y - x).norm(), 1e-15 * cond * 100 * (1.0 + xTrue.norm()));
        }
    }
    // Rank 2: the answer is the least-norm least-squares one.
    const Mat4 a = withSingularValues(rng, Vec4(1.0, 0.5, 0.0, 0.0));
    const Vec4 b(1.0, -2.0, 0.5, 3.0);
    Mat4 work = a;
    Vec4 y = b;
    EXPECT_EQ(MAT_Solve4Pivot(work.data(), y.data()), 0) << "singular for complete pivoting";
    Vec4 x;
    ASSERT_EQ(MAT_Solve4(x.data(), b.data(), a.data()), 1);
    const Vec4 ref = a.completeOrthogonalDecomposition().solve(b);
    EXPECT_LT((x - ref).norm(), 1e-9);
    // Out of memory for the fallback.
    QV_MemFailAfter(0);
    EXPECT_EQ(MAT_Solve4(x.data(), b.data(), a.data()), -1);
    QV_MemFailAfter(-1);
    Mat4 p;
    QV_MemFailAfter(0);
    EXPECT_EQ(MAT_PseudoInverse4(a.data(), p.data()), 0);
    QV_MemFailAfter(-1);
}

} // namespace
