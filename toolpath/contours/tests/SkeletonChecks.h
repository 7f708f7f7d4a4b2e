// The medial-axis check of a loop's skeleton with narrow corners: every point inside with
// its height the brute-force boundary distance, the largest radius and the polylines
// (both ways) against Boost.Polygon's Voronoi medial axis, all within 0.02.
#pragma once

#include "toolpath/contours/Skeleton.h"
#include "toolpath/contours/tests/MedialAxisOracle.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

namespace skeltest {

inline void CheckAgainstMedialAxis(const std::string& label, CSmartLoop* loop)
{
    float r = 0;
    CCLineCurve* sk = BuildLoopSkeleton(loop, 0, &r);
    ASSERT_TRUE(sk) << label;
    const auto rings = Rings(loop);
    const auto pts = Densify(sk, 0.01);
    DeleteSkeleton(sk);
    double worstZ = 0;
    for (const P3& p : pts) {
        const P2 xy{p[0], p[1]};
        const double d = BoundaryDistance(rings, xy);
        EXPECT_TRUE(d < 1e-6 || Inside(rings, xy)) << label << " at " << p[0] << ", " << p[1];
        worstZ = std::max(worstZ, std::fabs(d - p[2]));
    }
    EXPECT_LE(worstZ, 0.02) << label;
    const auto medial = BoostMedialAxis(rings, 1e5, 0.005);
    EXPECT_NEAR(r, medial.maxRadius, 0.02) << label;
    const auto ours = XY(pts);
    EXPECT_LE(DirectedHausdorff(ours, medial.points, 0.05), 0.02) << label << " skeleton off the medial axis";
    EXPECT_LE(DirectedHausdorff(medial.points, ours, 0.05), 0.02) << label << " medial axis missed";
}

}  // namespace skeltest
