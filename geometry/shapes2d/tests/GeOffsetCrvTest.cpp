// Offset curves: positions on the parallel curve, derivative factors from the
// base's curvature, boxes, closedness, and the curvature function.
#include "geometry/shapes2d/GeCircle.h"
#include "geometry/shapes2d/GeOffsetCrv.h"
#include "geometry/shapes2d/tests/LoopTestUtil.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace {

using namespace looptest;

TEST(GeOffsetCrvTest, CircleOffsetsScaleDerivativeByCurvature)
{
    // Counter-clockwise circle of radius 5 about (1, 2): offsetting by +1 goes
    // towards the centre (radius 4, derivative x 0.8), by -1 away (radius 6, x 1.2).
    const double c[2] = {1, 2};
    CGeCircle circle(c, 5.0, 1);
    struct Row {
        const char* label;
        double d;
        double radius;
        double factor;
    };
    const Row rows[] = {{"towards centre", 1.0, 4.0, 0.8}, {"away", -1.0, 6.0, 1.2}, {"zero", 0.0, 5.0, 1.0}};
    for (const Row& row : rows) {
        CGeOffsetCrv off;
        ASSERT_EQ(off.Create(&circle, row.d), 1) << row.label;
        for (double t : {0.0, 0.1, 0.37, 0.8}) {
            double p[2], d[2], bp[2], bd[2];
            off.Ev1Der(t, p, d, 1);
            circle.Ev1Der(t, bp, bd, 1);
            EXPECT_NEAR(std::hypot(p[0] - c[0], p[1] - c[1]), row.radius, 1e-9) << row.label << " t=" << t;
            EXPECT_NEAR(d[0], row.factor * bd[0], 1e-9) << row.label << " t=" << t;
            EXPECT_NEAR(d[1], row.factor * bd[1], 1e-9) << row.label << " t=" << t;
            double q[2];
            off.EvPos(t, q, 1);
            EXPECT_NEAR(q[0], p[0], 1e-12) << row.label;
            EXPECT_NEAR(q[1], p[1], 1e-12) << row.label;
        }
        EXPECT_EQ(off.IsClosed(0.01), 1) << row.label;
    }
}

TEST(GeOffsetCrvTest, LineOffsetIsParallelWithSameDerivative)
{
    std::unique_ptr<CGeLine> line(Line({0, 0}, {4, 3}));
    CGeOffsetCrv off;
    ASSERT_EQ(off.Create(line.get(), 2.0), 1);
    double p[2], d[2], bp[2], bd[2], dd[2];
    off.Ev2Der(0.5, p, d, dd, 1);
    line->Ev1Der(0.5, bp, bd, 1);
    // Left normal of (4, 3) is (-3, 4) / 5.
    EXPECT_NEAR(p[0], 2.0 - 1.2, 1e-12);
    EXPECT_NEAR(p[1], 1.5 + 1.6, 1e-12);
    EXPECT_NEAR(d[0], bd[0], 1e-12);
    EXPECT_NEAR(d[1], bd[1], 1e-12);
    EXPECT_EQ(dd[0], 0.0);
    EXPECT_EQ(dd[1], 0.0);
    EXPECT_EQ(off.GetSegmentCount(), 1);
    EXPECT_EQ(off.IsClosed(0.01), 0);
    double v[2];
    off.GetTanVecAt(0.2, v, 1);
    EXPECT_NEAR(v[0], bd[0], 1e-12);
}

TEST(GeOffsetCrvTest, BoxIsBaseBoxGrownByDistance)
{
    std::unique_ptr<CGeLine> line(Line({0, 0}, {4, 3}));
    CGeOffsetCrv off;
    off.Create(line.get(), -1.5);
    BOX2<double> b;
    off.GetBox2d(&b);
    EXPECT_DOUBLE_EQ(b.xmin, -1.5);
    EXPECT_DOUBLE_EQ(b.ymin, -1.5);
    EXPECT_DOUBLE_EQ(b.xmax, 5.5);
    EXPECT_DOUBLE_EQ(b.ymax, 4.5);
}

TEST(GeOffsetCrvTest, NullBaseIsRefusedAndDeletingKeepsBase)
{
    CGeOffsetCrv off;
    EXPECT_EQ(off.Create(nullptr, 1.0), 0);
    EXPECT_EQ(off.GetBase(), nullptr);
    EXPECT_EQ(off.GetSegmentCount(), 1);
    EXPECT_EQ(off.IsClosed(1.0), 0);
    double p[2] = {7, 7};
    off.EvPos(0.5, p, 1);
    EXPECT_EQ(p[0], 7.0) << "outputs untouched without a base";
    BOX2<double> b;
    off.GetBox2d(&b);
    EXPECT_FALSE(b.IsValid());

    std::unique_ptr<CGeLine> line(Line({0, 0}, {1, 0}));
    {
        auto* owned = new CGeOffsetCrv;
        owned->Create(line.get(), 1.0);
        delete owned;
    }
    double s[2];
    line->GetStartPoint(s);  // still alive (the sanitizer build checks the access)
    EXPECT_EQ(s[0], 0.0);
}

TEST(GeOffsetCrvTest, CurvatureThresholdScalesWithDerivative)
{
    struct Row {
        const char* label;
        double d1[2];
        double d2[2];
        double kappa;
    };
    const Row rows[] = {
        {"short straight line (0.04 mm)", {0.04, 0.0}, {0.0, 0.0}, 0.0},
        {"unit circle", {0.0, 1.0}, {-1.0, 0.0}, 1.0},
        {"tiny circle of radius 0.01 at unit speed", {1.0, 0.0}, {0.0, 100.0}, 100.0},
        {"small arc parameterised slowly (r = 2, speed 0.02)", {0.02, 0.0}, {0.0, 0.0002}, 0.5},
        {"vanishing derivative", {0.0, 0.0}, {1.0, 0.0}, 1e12},
        {"all zero", {0.0, 0.0}, {0.0, 0.0}, 1e12},
    };
    for (const Row& row : rows) EXPECT_NEAR(geCurvature2d(row.d1, row.d2), row.kappa, row.kappa * 1e-12) << row.label;
}

}  // namespace
