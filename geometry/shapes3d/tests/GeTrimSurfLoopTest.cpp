// Trimmed surfaces: loop orientation, the trimmed test, parameter boxes, knot
// normalisation, point in the trimmed region, copies, offsets and transforms.
#include "framework/numerak/Bsrf.h"
#include "geometry/shapes2d/GeCircle.h"
#include "geometry/shapes2d/GeLine.h"
#include "geometry/shapes3d/GeTrimSurf.h"
#include "testing/SurfaceFixtures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numbers>
#include <random>

namespace {

// The plane z = 0 over [0, w] × [0, h] as a bilinear record on the given knots.
_nurbs_surface* PlaneRecord(double w, double h, double u0 = 0.0, double u1 = 1.0)
{
    _nurbs_surface* s = surffix::Plane(w, h).release();
    s->U[0] = s->U[1] = u0;
    s->U[2] = s->U[3] = u1;
    return s;
}

CGeTrimLoop* CircleLoop(double cu, double cv, double r, int dir)
{
    auto* loop = new CGeTrimLoop;
    const double c[2] = {cu, cv};
    loop->AddBound(new CGeTrimBnd(new CGeCircle(c, r, dir), nullptr, nullptr));
    return loop;
}

// A 10 × 10 planar square with its full loop and a circular hole of radius r at the centre.
std::unique_ptr<CGeTrimSurf> SquareWithHole(double r)
{
    auto surf = std::make_unique<CGeTrimSurf>(PlaneRecord(10, 10), BOX2<double>(0, 0, 1, 1));
    surf->AddLoop(surf->GenRectTrimLoop(0, 1, 0, 1));
    surf->AddLoop(CircleLoop(0.5, 0.5, r, 1));
    surf->CalcUVBox();
    return surf;
}

TEST(GeTrimSurfLoops, TrimmedTestAndOrientation)
{
    CGeTrimSurf plain(PlaneRecord(10, 10), BOX2<double>(0, 0, 0, 0));
    EXPECT_EQ(plain.IsTrimed(), 0) << "no loops";
    plain.CalcUVBox();
    EXPECT_EQ(plain.m_boxUV.xmax, 1.0) << "unit square without loops";
    EXPECT_EQ(plain.m_boxUV.ymin, 0.0);

    CGeTrimLoop* rect = plain.GenRectTrimLoop(0, 1, 0, 1);
    ASSERT_EQ(rect->m_listBnd.GetCount(), 4);
    for (CGeTrimBnd* b : rect->m_listBnd) EXPECT_NE(b->m_pEucCrv, nullptr) << "each side has its iso curve";
    // Added as clockwise, the whole-domain rectangle is turned counter-clockwise.
    rect->Reverse();
    ASSERT_EQ(plain.AddLoop(rect), 1);
    EXPECT_GT(rect->EvArea(0.01), 0.0);
    EXPECT_EQ(rect->m_pSurf, &plain);
    EXPECT_EQ(plain.IsTrimed(), 0) << "one loop over the whole domain";

    // A counter-clockwise hole is turned clockwise.
    CGeTrimLoop* hole = CircleLoop(0.5, 0.5, 0.2, 1);
    ASSERT_EQ(plain.AddLoop(hole), 1);
    EXPECT_LT(hole->EvArea(0.01), 0.0);
    EXPECT_EQ(plain.IsTrimed(), 1) << "a hole";
    EXPECT_EQ(plain.AddLoop(nullptr), 0);

    // ReguTrimLoopDir mends loops appended directly in the wrong sense.
    for (CGeTrimLoop* l : plain.m_listLoop) l->Reverse();
    plain.ReguTrimLoopDir();
    EXPECT_GT(plain.m_listLoop.GetHead()->EvArea(0.01), 0.0);
    EXPECT_LT(plain.m_listLoop.GetTail()->EvArea(0.01), 0.0);

    // One loop smaller than the domain trims.
    CGeTrimSurf part(PlaneRecord(10, 10), BOX2<double>(0, 0, 1, 1));
    part.AddLoop(part.GenRectTrimLoop(0.1, 0.9, 0, 1));
    EXPECT_EQ(part.IsTrimed(), 1);
}

TEST(GeTrimSurfLoops, KnotNormalisationMovesTheTrimCurves)
{
    // U = (2, 2, 4, 4): the loop spans u in [2.5, 3.5], v in [0.25, 0.75].
    CGeTrimSurf surf(PlaneRecord(10, 10, 2.0, 4.0), BOX2<double>(0, 0, 0, 0));
    CGeTrimLoop* loop = surf.GenRectTrimLoop(2.5, 3.5, 0.25, 0.75);
    surf.m_listLoop.AddTail(loop);
    double before[3];
    ASSERT_EQ(surf.GetPoint(3.0, 0.5, before), 1);
    surf.ReguKontVector();
    const double wantU[4] = {0, 0, 1, 1};
    for (int i = 0; i < 4; ++i) EXPECT_DOUBLE_EQ(surf.m_pSurface->U[i], wantU[i]) << "knot " << i;
    EXPECT_DOUBLE_EQ(surf.m_pSurface->V[3], 1.0);
    EXPECT_NEAR(surf.m_boxUV.xmin, 0.25, 1e-12);
    EXPECT_NEAR(surf.m_boxUV.xmax, 0.75, 1e-12);
    EXPECT_NEAR(surf.m_boxUV.ymin, 0.25, 1e-12);
    EXPECT_NEAR(surf.m_boxUV.ymax, 0.75, 1e-12);
    // The same model point sits at the normalised parameter.
    double after[3];
    ASSERT_EQ(surf.GetPoint(0.5, 0.5, after), 1);
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(after[k], before[k], 1e-12) << "coordinate " << k;

    // Already normalised: nothing moves, the box is recomputed.
    surf.m_boxUV = BOX2<double>(0, 0, 0, 0);
    surf.ReguKontVector();
    EXPECT_NEAR(surf.m_boxUV.xmax, 0.75, 1e-12);

    double move[2] = {0.25, 0.0}, scale[2] = {1.0, 2.0};
    surf.MoveScaleTrimLoop(move, scale);
    surf.CalcUVBox();
    EXPECT_NEAR(surf.m_boxUV.xmin, 0.5, 1e-12);
    EXPECT_NEAR(surf.m_boxUV.ymax, 1.5, 1e-12);
}

TEST(GeTrimSurfLoops, PointInRegionAgainstClosedForm)
{
    const double r = 0.25;
    auto surf = SquareWithHole(r);
    std::mt19937 rng(37);
    std::uniform_real_distribution<double> any(-0.2, 1.2);
    int tested = 0;
    for (int i = 0; i < 4000; ++i) {
        double uv[2] = {any(rng), any(rng)};
        const double d = std::hypot(uv[0] - 0.5, uv[1] - 0.5);
        const double edge = std::min({std::fabs(uv[0]), std::fabs(uv[0] - 1), std::fabs(uv[1]), std::fabs(uv[1] - 1)});
        // Keep away from the trims: the hole is a polygon within 0.01 of the circle.
        if (std::fabs(d - r) < 0.015 || edge < 0.005) continue;
        const bool inSquare = uv[0] > 0 && uv[0] < 1 && uv[1] > 0 && uv[1] < 1;
        const int want = inSquare && d > r ? 1 : 0;
        EXPECT_EQ(surf->IsPtInParaLoop(uv), want) << "(" << uv[0] << ", " << uv[1] << ")";
        ++tested;
    }
    EXPECT_GT(tested, 3000);

    CGeTrimSurf none(PlaneRecord(1, 1), BOX2<double>(0, 0, 1, 1));
    double centre[2] = {0.5, 0.5};
    EXPECT_EQ(none.IsPtInParaLoop(centre), 0) << "no loops";
    none.m_listLoop.AddTail(nullptr);
    EXPECT_EQ(none.IsPtInParaLoop(centre), 0) << "null first loop";
}

TEST(GeTrimSurfLoops, CopiesAndOffset)
{
    auto surf = SquareWithHole(0.2);
    std::unique_ptr<CGeTrimSurf> bare(surf->CopyNoLoop());
    ASSERT_NE(bare->m_pSurface, nullptr);
    EXPECT_NE(bare->m_pSurface, surf->m_pSurface);
    EXPECT_TRUE(bare->m_listLoop.IsEmpty());
    EXPECT_EQ(bare->m_boxUV.xmax, 0.0);

    std::unique_ptr<CGeTrimSurf> copy(static_cast<CGeTrimSurf*>(surf->Copy()));
    ASSERT_EQ(copy->m_listLoop.GetCount(), 2);
    for (CGeTrimLoop* l : copy->m_listLoop) {
        EXPECT_EQ(l->m_pSurf, copy.get());
        for (CGeTrimBnd* b : l->m_listBnd) EXPECT_EQ(b->m_pLoop, l);
    }
    double uv[2] = {0.5, 0.5}, beside[2] = {0.1, 0.1};
    EXPECT_EQ(copy->IsPtInParaLoop(uv), 0) << "hole kept";
    EXPECT_EQ(copy->IsPtInParaLoop(beside), 1) << "copy's region";

    std::unique_ptr<CGeTrimSurf> offset(surf->GenOffsetSurf(2.0));
    ASSERT_NE(offset, nullptr);
    ASSERT_EQ(offset->m_listLoop.GetCount(), 2);
    EXPECT_EQ(offset->m_boxUV.xmax, surf->m_boxUV.xmax);
    EXPECT_EQ(offset->IsPtInParaLoop(uv), 0) << "offset's hole";
    EXPECT_EQ(offset->IsPtInParaLoop(beside), 1) << "offset's region";
    auto srcLoop = surf->m_listLoop.begin();
    for (CGeTrimLoop* l : offset->m_listLoop) {
        EXPECT_EQ(l->m_pSurf, offset.get());
        for (CGeTrimBnd* b : l->m_listBnd) {
            ASSERT_NE(b->m_pEucCrv, nullptr);
            double p[3];
            b->m_pEucCrv->GetStartPoint(p);
            // The plane's normal is ±z: the new 3D curves lie 2 away from the source's.
            EXPECT_NEAR(std::fabs(p[2]), 2.0, 1e-3);
            for (CGeTrimBnd* sb : (*srcLoop)->m_listBnd) EXPECT_NE(sb->m_pEucCrv, b->m_pEucCrv);
        }
        ++srcLoop;
    }
}

TEST(GeTrimSurfLoops, TransformsFollowTheControlNet)
{
    auto surf = SquareWithHole(0.2);
    surf->Discrete(0.05);
    ASSERT_FALSE(surf->vertices.empty());
    surf->CalcBox();
    double p[3] = {1, 2, 3}, axis[3] = {0.3, 0.4, 0.5}, d[3] = {5, -1, 2};
    const double angle = 0.7;
    // The control net transformed on its own gives the oracle.
    surffix::SurfPtr net(BSRF_Clone(surf->m_pSurface));
    BSRF_Roate(net.get(), p, axis, angle);
    BSRF_Move(net.get(), d);
    surf->Rotate3D(p, axis, angle);
    surf->Translate3D(d);
    for (double u : {0.0, 0.3, 1.0})
        for (double v : {0.0, 0.6, 1.0}) {
            double got[3], want[3];
            ASSERT_EQ(surf->GetPoint(u, v, got), 1);
            BSRF_EvPos(net.get(), u, v, want);
            for (int k = 0; k < 3; ++k) EXPECT_NEAR(got[k], want[k], 1e-9) << u << "," << v << " axis " << k;
        }
    // The tessellation moves with it: each vertex stays the image of its parameters.
    for (size_t i = 0; i < surf->vertices.size(); ++i) {
        double want[3];
        BSRF_EvPos(net.get(), surf->uvcoords[i].u, surf->uvcoords[i].v, want);
        const CPoint3f& got = surf->vertices[i];
        ASSERT_NEAR(got.x, want[0], 1e-4) << "vertex " << i;
        ASSERT_NEAR(got.y, want[1], 1e-4) << "vertex " << i;
        ASSERT_NEAR(got.z, want[2], 1e-4) << "vertex " << i;
    }
    // The first bound's 3D curve starts at the image of its parameter start.
    CGeTrimBnd* first = surf->m_listLoop.GetHead()->m_listBnd.GetHead();
    double start[3], want[3];
    first->m_pEucCrv->GetStartPoint(start);
    BSRF_EvPos(net.get(), 0.0, 0.0, want);
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(start[k], want[k], 1e-9) << "axis " << k;
    // The box follows: it holds the moved corner.
    surf->CalcBox();
    EXPECT_LE(surf->m_box.xmin, want[0] + 1e-9);
    EXPECT_GE(surf->m_box.xmax, want[0] - 1e-9);
}

}  // namespace
