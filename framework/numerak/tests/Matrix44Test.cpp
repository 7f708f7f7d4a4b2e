// 4x4 matrices and the operations that move whole frames: each must agree with mapping
// the frame's points one by one.
#include "framework/numerak/Matrix33.h"
#include "framework/numerak/Matrix44.h"
#include "framework/numerak/Point3D.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace {

// A frame g and a local point q: the world point of q must follow the map.
_rect_fm3d SampleFrame()
{
    _rect_fm3d g;
    const double o[3] = {1, -2, 3}, x[3] = {1, 1, 0}, y[3] = {0, 1, 1};
    RF_Init(&g, o, x, y);
    g.s = 0.75;
    return g;
}

void ExpectMapped(const _rect_fm3d& before, const _rect_fm3d& after, const std::function<void(double*)>& map,
                  const std::string& label)
{
    const double locals[3][3] = {{1, 0, 0}, {0, 2, 0}, {0.5, -1, 3}};
    for (const auto& q : locals) {
        double w[3], v[3];
        RF_TransLocalP3D(&before, q, w);
        map(w);
        RF_TransLocalP3D(&after, q, v);
        EXPECT_NEAR(P3D_Dist(w, v), 0.0, 1e-12) << label;
    }
    EXPECT_EQ(after.s, before.s) << label << ": the trailing value is kept";
}

TEST(Matrix44, FrameOperationsAgreeWithTheirPointMaps)
{
    const double point[3] = {2, 0, 1}, axis[3] = {1, 2, 2}, normal[3] = {0, 0, 3};
    _rect_fm3d f = SampleFrame();
    f.s = 0;
    const double m[4][4] = {{0, 2, 0, 0}, {-2, 0, 0, 0}, {0, 0, 2, 0}, {5, 6, 7, 1}};

    _rect_fm3d g = SampleFrame(), r = g;
    RF_RotateRFrame(&r, point, axis, 0.7);
    ExpectMapped(g, r, [&](double* p) { P3D_RotatePnt(axis, point, 0.7, p, p); }, "rotation");

    r = g;
    RF_EvRFrame(&f, &r, &r);
    ExpectMapped(g, r, [&](double* p) { RF_TransWorldP3D(&f, p, p); }, "into a frame");

    r = g;
    RF_MultRFrame(&f, &r, &r);
    ExpectMapped(g, r, [&](double* p) { RF_TransLocalP3D(&f, p, p); }, "out of a frame");

    _rect_fm3d carrier;
    RF_GetRFrameFromMatrix(m, &carrier);
    r = g;
    RF_MultRFrame(&carrier, &r, &r);
    ExpectMapped(g, r, [&](double* p) { MAT44_MultPt(p, p, m); }, "by a matrix");

    // A mirrored frame stays right-handed: X and Y are mirrored, Z rebuilt.
    r = g;
    RF_MirrorRFrame(&r, point, normal);
    double x[3] = {g.X[0], g.X[1], g.X[2]}, o[3] = {g.O[0], g.O[1], g.O[2]}, z[3];
    V3D_Mirror(normal, x, x);
    P3D_Mirror(point, normal, o, o);
    EXPECT_NEAR(P3D_Dist(r.X, x), 0.0, 1e-12);
    EXPECT_NEAR(P3D_Dist(r.O, o), 0.0, 1e-12);
    V3D_Cross(r.X, r.Y, z);
    EXPECT_NEAR(P3D_Dist(r.Z, z), 0.0, 1e-12);
}

}  // namespace
