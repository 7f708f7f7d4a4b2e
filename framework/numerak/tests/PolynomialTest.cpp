#include "framework/numerak/Polynomial.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

namespace {

// Coefficients (ascending) of scale * prod (x - r).
std::vector<double> fromRoots(const std::vector<double>& roots, double scale = 1.0)
{
    std::vector<double> c{scale};
    for (double r : roots) {
        std::vector<double> n(c.size() + 1, 0.0);
        for (size_t i = 0; i < c.size(); ++i) {
            n[i + 1] += c[i];
            n[i] -= r * c[i];
        }
        c = n;
    }
    return c;
}

struct RootCase {
    const char* label;
    std::vector<double> coef;
    double lo, hi, touchTol;
    std::vector<double> expected;
    double tol;
};

TEST(Polynomial, RootsTable)
{
    const std::vector<RootCase> cases = {
        {"three simple roots", fromRoots({0.1, 0.5, 0.9}), 0, 1, -1, {0.1, 0.5, 0.9}, 1e-13},
        {"roots outside the interval ignored", fromRoots({-2, 0.25, 3}), 0, 1, -1, {0.25}, 1e-13},
        {"roots at both ends", fromRoots({0, 1, 0.5}), 0, 1, -1, {0, 0.5, 1}, 1e-13},
        {"six roots", fromRoots({0.05, 0.2, 0.35, 0.5, 0.7, 0.95}, 7.0), 0, 1, -1,
         {0.05, 0.2, 0.35, 0.5, 0.7, 0.95}, 1e-11},
        {"close pair stays two", fromRoots({0.5, 0.5001}), 0, 1, -1, {0.5, 0.5001}, 1e-12},
        // Binary-exact coefficients, so the double root does not split by rounding.
        {"double root as touch", fromRoots({0.25, 0.25, 0.75}), 0, 1, 1e-12, {0.25, 0.75}, 1e-7},
        {"double root hidden without touch", {0.0625, -0.5, 1.0 + 1e-9}, 0, 1, -1, {}, 0},
        {"near-miss extremum within touch tolerance", {1e-9, 0, 1}, -1, 1, 1e-8, {0}, 1e-12},
        {"near-miss extremum beyond touch tolerance", {1e-6, 0, 1}, -1, 1, 1e-8, {}, 0},
        {"triple root", fromRoots({0.4, 0.4, 0.4}), 0, 1, -1, {0.4}, 1e-5},
        {"leading zeros trimmed", {-0.5, 1, 0, 0}, 0, 1, -1, {0.5}, 1e-15},
        {"no real roots", {1, 0, 1}, -5, 5, -1, {}, 0},
        {"large coefficients", fromRoots({0.2, 0.6}, 1e9), 0, 1, -1, {0.2, 0.6}, 1e-13},
        {"end within touch tolerance", {-1e-10, 1}, 0.0, 1, 1e-9, {1e-10}, 1e-15},
    };
    for (const RootCase& c : cases) {
        double roots[kPolyMaxDegree + 1];
        const int n = POLY_Roots(c.coef.data(), int(c.coef.size()) - 1, c.lo, c.hi, c.touchTol, roots);
        ASSERT_EQ(n, int(c.expected.size())) << c.label;
        for (int i = 0; i < n; ++i)
            EXPECT_NEAR(roots[i], c.expected[i], c.tol) << c.label << " root " << i;
    }
}

TEST(Polynomial, RandomRootsRecovered)
{
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    for (int trial = 0; trial < 300; ++trial) {
        const int deg = 1 + trial % 6;
        std::vector<double> r;
        while (int(r.size()) < deg) {
            const double x = u(rng);
            bool apart = true;
            for (double y : r)
                apart = apart && std::fabs(x - y) > 1e-3;
            if (apart)
                r.push_back(x);
        }
        std::sort(r.begin(), r.end());
        const auto c = fromRoots(r, 0.5 + u(rng));
        double roots[kPolyMaxDegree + 1];
        const int n = POLY_Roots(c.data(), deg, -0.5, 1.5, -1, roots);
        ASSERT_EQ(n, deg) << "trial " << trial;
        for (int i = 0; i < n; ++i)
            EXPECT_NEAR(roots[i], r[i], 1e-9) << "trial " << trial;
    }
}

TEST(Polynomial, BadInputAndZeroPolynomial)
{
    double roots[kPolyMaxDegree + 1];
    const double nanCoef[3] = {1, NAN, 1};
    const double infCoef[2] = {INFINITY, 1};
    const double ok[2] = {-0.5, 1};
    const double zero[3] = {0, 0, 0};
    EXPECT_EQ(POLY_Roots(nanCoef, 2, 0, 1, -1, roots), 0) << "NaN coefficient";
    EXPECT_EQ(POLY_Roots(infCoef, 1, 0, 1, -1, roots), 0) << "infinite coefficient";
    EXPECT_EQ(POLY_Roots(ok, 1, 1, 0, -1, roots), 0) << "lo > hi";
    EXPECT_EQ(POLY_Roots(ok, 1, NAN, 1, -1, roots), 0) << "NaN bound";
    EXPECT_EQ(POLY_Roots(ok, -1, 0, 1, -1, roots), 0) << "negative degree";
    EXPECT_EQ(POLY_Roots(ok, kPolyMaxDegree + 1, 0, 1, -1, roots), 0) << "degree too high";
    EXPECT_EQ(POLY_Roots(zero, 2, 0, 1, -1, roots), -1) << "zero polynomial";
    EXPECT_DOUBLE_EQ(POLY_Eval(ok, 1, 0.5), 0.0);
}

} // namespace
