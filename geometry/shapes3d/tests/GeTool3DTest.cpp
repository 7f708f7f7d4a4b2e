#include "framework/numerak/Bcrv.h"
#include "geometry/shapes3d/GeTool3D.h"
#include "framework/numerak/Point3D.h"
#include "geometry/shapes3d/tests/CurveSampling.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kAngle150 = 2.617993877991;

// Owns the records a call appends.
struct Pieces {
    std::vector<BCRV*> list;
    ~Pieces()
    {
        for (BCRV* c : list) BCRV_Free(c);
    }
};

void Ends(const BCRV* c, double* s, double* e)
{
    BCRV_EvPos(c, c->U[c->k - 1], s);
    BCRV_EvPos(c, c->U[c->n], e);
}

TEST(GeTool3DTest, BadInputAppendsNothing)
{
    double pts[3][3] = {{0, 0, 0}, {1, 0, 0}, {2, 1, 0}};
    struct Row {
        const char* label;
        double (*pts)[3];
        int n;
        int degree;
    };
    const Row rows[] = {
        {"null points", nullptr, 3, 2}, {"n = 1", pts, 1, 2}, {"n = 0", pts, 0, 2},
        {"degree 0", pts, 3, 0},        {"degree -1", pts, 3, -1},
    };
    for (const auto& row : rows) {
        Pieces out;
        CGeTool3D().GlobalInterp(row.pts, row.n, row.degree, 0.2, kAngle150, out.list);
        EXPECT_TRUE(out.list.empty()) << row.label;
    }
}

TEST(GeTool3DTest, RightAngleCutsIntoTwoRunsAtTheCorner)
{
    double pts[5][3] = {{0, 0, 0}, {5, 0, 0}, {10, 0, 0}, {10, 5, 0}, {10, 10, 0}};
    Pieces out;
    CGeTool3D().GlobalInterp(pts, 5, 2, 0.2, kAngle150, out.list);
    ASSERT_EQ(out.list.size(), 2u);
    double s[3], e[3];
    Ends(out.list[0], s, e);
    EXPECT_NEAR(P3D_Dist(s, pts[0]), 0.0, 1e-9);
    EXPECT_NEAR(P3D_Dist(e, pts[2]), 0.0, 1e-9) << "the cut lies at the corner";
    Ends(out.list[1], s, e);
    EXPECT_NEAR(P3D_Dist(s, pts[2]), 0.0, 1e-9);
    EXPECT_NEAR(P3D_Dist(e, pts[4]), 0.0, 1e-9);
    for (const BCRV* c : out.list) EXPECT_EQ(c->k, 3) << "degree 2 asked for";
}

// A point closer than 0.005 to the last kept one is ignored; one a little farther is
// a real kink and cuts the run.
TEST(GeTool3DTest, PointsWithinSkipDistanceAreIgnored)
{
    struct Row {
        double offset;
        std::size_t pieces;
    };
    for (const Row row : {Row{0.004, 1}, Row{0.0049, 1}, Row{0.006, 3}}) {
        double pts[4][3] = {{0, 0, 0}, {5, 0, 0}, {5, row.offset, 0}, {10, 0, 0}};
        Pieces out;
        CGeTool3D().GlobalInterp(pts, 4, 2, 0.2, kAngle150, out.list);
        EXPECT_EQ(out.list.size(), row.pieces) << "offset " << row.offset;
    }
    // A repeated second point does not make the first direction degenerate.
    double dup[4][3] = {{0, 0, 0}, {0, 0, 0}, {5, 0, 0}, {10, 0, 0}};
    Pieces out;
    CGeTool3D().GlobalInterp(dup, 4, 2, 0.2, kAngle150, out.list);
    EXPECT_EQ(out.list.size(), 1u) << "repeated first point";
    // All points coinciding leave nothing to fit.
    double same[3][3] = {{1, 1, 1}, {1, 1, 1.001}, {1, 1, 1}};
    Pieces none;
    CGeTool3D().GlobalInterp(same, 3, 2, 0.2, kAngle150, none.list);
    EXPECT_TRUE(none.list.empty());
}

TEST(GeTool3DTest, AngleLimitCutsOnlySharperCorners)
{
    // tol is large so that only the angle decides.
    for (const double delta : {-0.01, 0.01}) {
        const double beta = kAngle150 + delta;  // angle at the middle point
        const double phi = kPi - beta;
        double pts[3][3] = {{-10, 0, 0}, {0, 0, 0}, {10 * std::cos(phi), 10 * std::sin(phi), 0}};
        Pieces out;
        CGeTool3D().GlobalInterp(pts, 3, 2, 100.0, kAngle150, out.list);
        EXPECT_EQ(out.list.size(), delta < 0 ? 2u : 1u) << "corner angle " << beta;
    }
}

TEST(GeTool3DTest, ToleranceLimitCutsOnlyFartherPoints)
{
    // angle 0 never cuts: only the deviation from the last two points decides.
    for (const double d : {0.19, 0.21}) {
        double pts[3][3] = {{0, 0, 0}, {10, 0, 0}, {20, d, 0}};
        Pieces out;
        CGeTool3D().GlobalInterp(pts, 3, 2, 0.2, 0.0, out.list);
        EXPECT_EQ(out.list.size(), d > 0.2 ? 2u : 1u) << "deviation " << d;
        if (out.list.size() == 2) {
            EXPECT_EQ(out.list[0]->k, 2) << "a two-point run is a straight record";
            EXPECT_EQ(out.list[1]->k, 2);
        }
    }
}

// Every input point lies within tol of the pieces, and the pieces chain end to start.
TEST(GeTool3DTest, PiecesStayWithinToleranceOfTheirPoints)
{
    std::vector<double> buf;
    // A helix, a sharp turn, then a wavy straight run.
    for (int i = 0; i <= 120; ++i) {
        const double a = i * 0.05;
        buf.insert(buf.end(), {20 * std::cos(a), 20 * std::sin(a), 0.5 * a});
    }
    const double cx = buf[buf.size() - 3], cy = buf[buf.size() - 2], cz = buf[buf.size() - 1];
    for (int i = 1; i <= 80; ++i) buf.insert(buf.end(), {cx - 0.5 * i, cy + 0.3 * std::sin(0.4 * i), cz});
    const int n = static_cast<int>(buf.size() / 3);
    auto* pts = reinterpret_cast<double(*)[3]>(buf.data());

    for (const int degree : {2, 3}) {
        for (const double tol : {0.2, 0.01}) {
            const std::string label = "degree " + std::to_string(degree) + " tol " + std::to_string(tol);
            Pieces out;
            CGeTool3D().GlobalInterp(pts, n, degree, tol, kAngle150, out.list);
            ASSERT_GE(out.list.size(), 2u) << label << ": the sharp turn cuts";
            for (int i = 0; i < n; ++i) {
                double best = 1e30;
                for (const BCRV* c : out.list) best = std::min(best, shapes3d_test::DistToCurve(c, pts[i]));
                ASSERT_LE(best, tol + 1e-6) << label << ", point " << i;
            }
            for (std::size_t j = 1; j < out.list.size(); ++j) {
                double s0[3], e0[3], s1[3], e1[3];
                Ends(out.list[j - 1], s0, e0);
                Ends(out.list[j], s1, e1);
                EXPECT_LT(P3D_Dist(e0, s1), 1e-9) << label << ", joint " << j;
            }
        }
    }
}

TEST(GeTool3DTest, SingleCurveFormMergesPieces)
{
    double straight[3][3] = {{0, 0, 0}, {5, 0, 0}, {10, 0, 0}};
    BCRV* one = CGeTool3D().GlobalInterp(straight, 3, 2, 0.2, kAngle150);
    ASSERT_NE(one, nullptr);
    BCRV_Free(one);

    double corner[5][3] = {{0, 0, 0}, {5, 0, 0}, {10, 0, 0}, {10, 5, 0}, {10, 10, 0}};
    BCRV* merged = CGeTool3D().GlobalInterp(corner, 5, 2, 0.2, kAngle150);
    ASSERT_NE(merged, nullptr);
    for (const auto& p : corner) EXPECT_LE(shapes3d_test::DistToCurve(merged, p), 0.2 + 1e-6);
    BCRV_Free(merged);
}

}  // namespace
