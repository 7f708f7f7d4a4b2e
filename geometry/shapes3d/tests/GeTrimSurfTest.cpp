// The trimmed surface record: its construction, point and normal.
#include "framework/numerak/Bsrf.h"
#include "geometry/shapes3d/GeTrimSurf.h"
#include "testing/SurfaceFixtures.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(GeTrimSurf, ConstructionPointAndNormal)
{
    CGeTrimSurf empty;
    EXPECT_EQ(empty.GetType(), 0x80000);
    EXPECT_EQ(empty.m_pSurface, nullptr);
    EXPECT_EQ(empty.m_pKernelSurf, nullptr);
    EXPECT_EQ(empty.m_pSubdivision, nullptr);
    EXPECT_TRUE(empty.m_listLoop.IsEmpty());
    EXPECT_EQ(empty.m_boxUV.xmin, 0.0);
    EXPECT_EQ(empty.m_boxUV.xmax, 0.0);
    double p[3] = {7, 7, 7}, n[3];
    EXPECT_EQ(empty.GetPoint(0.5, 0.5, p), 0);
    EXPECT_EQ(empty.GetNormal(0.5, 0.5, p, n), 0);

    CGeTrimSurf sphere(surffix::Hemisphere(3.0).release(), BOX2<double>(0, 0, 1, 1));
    EXPECT_EQ(sphere.m_boxUV.xmax, 1.0);
    ASSERT_EQ(sphere.GetPoint(0.3, 0.4, p), 1);
    EXPECT_NEAR(std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]), 3.0, 1e-12);
    // At the pole the normal is the limit one, along z.
    ASSERT_EQ(sphere.GetNormal(0.3, 1.0, p, n), 1);
    EXPECT_NEAR(p[2], 3.0, 1e-12);
    EXPECT_NEAR(std::fabs(n[2]), 1.0, 1e-12);
    EXPECT_EQ(sphere.GetPoint(std::nan(""), 0.5, p), 0);
}

}  // namespace
