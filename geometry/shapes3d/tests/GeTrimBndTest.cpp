// Trimming bounds: points, ends, adaptive samples, model-space curves derived from
// the parameter curve, and transforms of the 3D curve.
#include "framework/numerak/Bsrf.h"
#include "framework/numerak/NurbsEditor.h"
#include "geometry/shapes2d/GeLine.h"
#include "geometry/shapes2d/GePolyline.h"
#include "geometry/shapes3d/GeArc3d.h"
#include "geometry/shapes3d/GeLine3d.h"
#include "geometry/shapes3d/GeNrbCrv3d.h"
#include "geometry/shapes3d/GePolyline3d.h"
#include "geometry/shapes3d/GeTrimLoop.h"
#include "geometry/shapes3d/GeTrimSurf.h"
#include "testing/SurfaceFixtures.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace {

double Dist(const double* a, const double* b)
{
    return std::sqrt((a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) + (a[2] - b[2]) * (a[2] - b[2]));
}

double SegDist(const double* p, const double* a, const double* b)
{
    double ab[3], ap[3];
    for (int e = 0; e < 3; ++e) {
        ab[e] = b[e] - a[e];
        ap[e] = p[e] - a[e];
    }
    const double len2 = ab[0] * ab[0] + ab[1] * ab[1] + ab[2] * ab[2];
    double t = len2 > 0.0 ? (ap[0] * ab[0] + ap[1] * ab[1] + ap[2] * ab[2]) / len2 : 0.0;
    t = t < 0.0 ? 0.0 : (t > 1.0 ? 1.0 : t);
    double q[3];
    for (int e = 0; e < 3; ++e) q[e] = a[e] + t * ab[e];
    return Dist(p, q);
}

// Distance of p from the polyline of the display string.
double PolyDist(const double* p, const CStrP3D& s)
{
    double best = 1e300;
    for (int i = 1; i < s.m_nCount; ++i) best = std::fmin(best, SegDist(p, s.m_pPoints[i - 1], s.m_pPoints[i]));
    return best;
}

CGePolyline* Poly(const std::vector<std::array<double, 2>>& pts)
{
    auto* p = new CGePolyline;
    p->Create(static_cast<int>(pts.size()), reinterpret_cast<const double(*)[2]>(pts.data()));
    return p;
}

class GeTrimBndTest : public ::testing::Test {
protected:
    // A sphere patch of radius 2 with its pole at v = 1, over the unit square.
    CGeTrimSurf surf{surffix::Hemisphere(2.0).release(), BOX2<double>(0, 0, 1, 1)};
};

TEST_F(GeTrimBndTest, PointsAndEnds)
{
    CGeTrimBnd poly(Poly({{0.1, 0.1}, {0.5, 0.3}, {0.9, 0.1}}), nullptr, nullptr);
    struct Row {
        const char* label;
        double t, u, v;
    };
    for (const Row& row : {Row{"start", 0.0, 0.1, 0.1}, Row{"middle vertex", 0.5, 0.5, 0.3},
                           Row{"quarter", 0.25, 0.3, 0.2}, Row{"end", 1.0, 0.9, 0.1}}) {
        double out[5];
        ASSERT_EQ(poly.GetPoint(row.t, &surf, out), 1) << row.label;
        EXPECT_NEAR(out[3], row.u, 1e-12) << row.label;
        EXPECT_NEAR(out[4], row.v, 1e-12) << row.label;
        double want[3];
        surf.GetPoint(row.u, row.v, want);
        EXPECT_LT(Dist(out, want), 1e-12) << row.label;
    }
    double out[5];
    EXPECT_EQ(poly.GetPoint(0.5, nullptr, out), 0);
    CGeTrimBnd bare;
    EXPECT_EQ(bare.GetPoint(0.5, &surf, out), 0);

    // A line parameter curve is read through its own parameter.
    const double a[2] = {0.2, 0.4}, b[2] = {0.6, 0.8};
    CGeTrimBnd line(new CGeLine(a, b), nullptr, nullptr);
    ASSERT_EQ(line.GetPoint(0.75, &surf, out), 1);
    EXPECT_NEAR(out[3], 0.5, 1e-12);
    EXPECT_NEAR(out[4], 0.7, 1e-12);

    // Ends: uv preset to (-1, -1) at the start only.
    double p0[3] = {1, 2, 3}, p1[3] = {4, 5, 6};
    CGeTrimBnd only3d(nullptr, new CGeLine3d(p0, p1), nullptr);
    double xyz[3], uv[2] = {9, 9};
    ASSERT_EQ(only3d.GetStartPoint(xyz, uv), 1);
    EXPECT_EQ(uv[0], -1.0);
    EXPECT_EQ(uv[1], -1.0);
    EXPECT_LT(Dist(xyz, p0), 1e-12);
    uv[0] = uv[1] = 9;
    ASSERT_EQ(only3d.GetEndPoint(xyz, uv), 1);
    EXPECT_EQ(uv[0], 9.0);
    EXPECT_LT(Dist(xyz, p1), 1e-12);
    EXPECT_EQ(bare.GetStartPoint(xyz, uv), 0);
    EXPECT_EQ(bare.GetEndPoint(xyz, uv), 0);
    ASSERT_EQ(line.GetEndPoint(xyz, uv), 1);
    EXPECT_EQ(uv[0], 0.6);
    EXPECT_EQ(uv[1], 0.8);
}

// The iso shortcut is the surface's iso line cut to the range and run from v0 to v1.
TEST_F(GeTrimBndTest, IsoShortcutFollowsTheIsoLine)
{
    struct Row {
        const char* label;
        double u0, v0, u1, v1;
    };
    const Row rows[] = {{"constant u rising", 0.3, 0.25, 0.3, 0.8},
                        {"constant u falling", 0.3, 0.8, 0.3, 0.25},
                        {"constant v rising", 0.1, 0.6, 0.7, 0.6},
                        {"constant v falling", 0.9, 0.45, 0.05, 0.45},
                        {"up to the pole", 0.6, 0.1, 0.6, 1.0}};
    for (const Row& row : rows) {
        const double a[2] = {row.u0, row.v0}, b[2] = {row.u1, row.v1};
        CGeTrimBnd bnd(new CGeLine(a, b), nullptr, nullptr);
        bnd.UpdateEucCrv(surf.m_pSurface, 0.01);
        ASSERT_TRUE(bnd.m_pEucCrv) << row.label;
        ASSERT_EQ(bnd.m_pEucCrv->GetType(), 0x4000) << row.label;
        const BCRV* c = static_cast<CGeNrbCrv3d*>(bnd.m_pEucCrv)->GetCurve();
        for (int k = 0; k <= 100; ++k) {
            const double s = k / 100.0;
            double got[3], want[3];
            BCRV_EvPos(c, c->U[c->k - 1] + s * (c->U[c->n] - c->U[c->k - 1]), got);
            surf.GetPoint(row.u0 + s * (row.u1 - row.u0), row.v0 + s * (row.v1 - row.v0), want);
            ASSERT_LT(Dist(got, want), 1e-9) << row.label << " at " << s;
        }
    }
}

// The general path: points on the surface, chords within tol of the surface image
// of the parameter curve, a densifying step of 0.1 before refinement.
TEST_F(GeTrimBndTest, GeneralPathStaysOnTheSurface)
{
    struct Row {
        const char* label;
        std::vector<std::array<double, 2>> pts;
        double tol;
    };
    const std::vector<Row> rows = {{"zigzag", {{0.05, 0.1}, {0.5, 0.9}, {0.95, 0.2}, {0.3, 0.3}}, 0.01},
                                   {"slanted line", {{0.0, 0.0}, {1.0, 1.0}}, 0.001},
                                   {"around the pole", {{0.0, 0.95}, {0.5, 0.95}, {1.0, 0.95}}, 0.002}};
    for (const Row& row : rows) {
        CGeTrimBnd bnd(Poly(row.pts), nullptr, nullptr);
        bnd.UpdateEucCrv(surf.m_pSurface, row.tol);
        ASSERT_TRUE(bnd.m_pEucCrv) << row.label;
        ASSERT_EQ(bnd.m_pEucCrv->GetType(), 0x2000) << row.label;
        const CStrP3D& s = bnd.m_pEucCrv->m_strDisp;
        ASSERT_GE(s.m_nCount, 2) << row.label;
        for (int i = 0; i < s.m_nCount; ++i) {
            const double* q = s.m_pPoints[i];
            EXPECT_NEAR(std::sqrt(q[0] * q[0] + q[1] * q[1] + q[2] * q[2]), 2.0, 1e-9) << row.label;
        }
        // Dense samples of the parameter polyline's image lie within tol of the 3D polyline.
        double worst = 0.0;
        for (size_t i = 1; i < row.pts.size(); ++i)
            for (int k = 0; k <= 400; ++k) {
                const double f = k / 400.0;
                double p[3];
                surf.GetPoint(row.pts[i - 1][0] + f * (row.pts[i][0] - row.pts[i - 1][0]),
                              row.pts[i - 1][1] + f * (row.pts[i][1] - row.pts[i - 1][1]), p);
                worst = std::fmax(worst, PolyDist(p, s));
            }
        EXPECT_LE(worst, row.tol * 1.05) << row.label;
        // At least the densified samples: ceil(d / 0.1) pieces per parameter edge.
        int atLeast = 1;
        for (size_t i = 1; i < row.pts.size(); ++i)
            atLeast += static_cast<int>(std::ceil(
                std::hypot(row.pts[i][0] - row.pts[i - 1][0], row.pts[i][1] - row.pts[i - 1][1]) / 0.1));
        EXPECT_GE(s.m_nCount, atLeast) << row.label;
    }
}

TEST_F(GeTrimBndTest, UpdateEucCrvEdgeCases)
{
    // A parameter curve of one display point leaves no 3D curve; the old one is gone.
    double p0[3] = {0, 0, 0}, p1[3] = {1, 0, 0};
    const double a[2] = {0.2, 0.2};
    auto* single = new CGePolyline(1);
    single->SetPoint(0, a);
    CGeTrimBnd dot(single, new CGeLine3d(p0, p1), nullptr);
    dot.UpdateEucCrv(surf.m_pSurface, 0.01);
    EXPECT_EQ(dot.m_pEucCrv, nullptr);
    CGeTrimBnd bare(nullptr, new CGeLine3d(p0, p1), nullptr);
    bare.UpdateEucCrv(surf.m_pSurface, 0.01);
    EXPECT_EQ(bare.m_pEucCrv, nullptr);

    // A tolerance below what doubles resolve ends: the refinement stops at rounding
    // noise instead of running on (and out of memory).
    CGeTrimBnd tiny(Poly({{0.1, 0.2}, {0.3, 0.4}}), nullptr, nullptr);
    tiny.UpdateEucCrv(surf.m_pSurface, 1e-300);
    ASSERT_TRUE(tiny.m_pEucCrv);
    EXPECT_EQ(tiny.m_pEucCrv->GetType(), 0x2000);
    EXPECT_LT(tiny.m_pEucCrv->m_strDisp.m_nCount, 10'000'000);

    // GetNurbEucCrv: a line stays, a polyline becomes a NURBS curve near it.
    CGeTrimBnd line(nullptr, new CGeLine3d(p0, p1), nullptr);
    CGeCurve3d* before = line.m_pEucCrv;
    EXPECT_EQ(line.GetNurbEucCrv(), before);
    CGeTrimBnd poly(Poly({{0.1, 0.1}, {0.6, 0.4}, {0.9, 0.7}}), nullptr, nullptr);
    poly.UpdateEucCrv(surf.m_pSurface, 0.01);
    ASSERT_TRUE(poly.m_pEucCrv);
    CStrP3D pts;
    poly.m_pEucCrv->m_strDisp.CopyTo(pts);
    CGeCurve3d* nurbs = poly.GetNurbEucCrv();
    ASSERT_TRUE(nurbs);
    EXPECT_EQ(nurbs->GetType(), 0x4000);
    EXPECT_EQ(poly.m_pEucCrv, nurbs);
    const BCRV* c = static_cast<CGeNrbCrv3d*>(nurbs)->GetCurve();
    for (int i = 0; i < pts.m_nCount; ++i) {
        double best = 1e300;
        for (int k = 0; k <= 2000; ++k) {
            double q[3];
            BCRV_EvPos(c, c->U[c->k - 1] + k / 2000.0 * (c->U[c->n] - c->U[c->k - 1]), q);
            best = std::fmin(best, Dist(q, pts.m_pPoints[i]));
        }
        EXPECT_LE(best, 0.1 + 1e-3) << "point " << i;
    }
    CGeTrimBnd empty;
    EXPECT_EQ(empty.GetNurbEucCrv(), nullptr);
}

TEST_F(GeTrimBndTest, DiscreteBoundSamples)
{
    CGeTrimBnd bnd(Poly({{0.05, 0.1}, {0.5, 0.9}, {0.95, 0.2}}), nullptr, nullptr);
    struct Row {
        const char* label;
        double tol;
        int maxCount;
    };
    for (const Row& row : {Row{"loose", 0.1, 5000}, Row{"fine", 0.001, 5000}, Row{"capped", 0.0001, 7},
                           Row{"two", 0.0001, 2}}) {
        // A guard row after maxCount must stay untouched.
        std::vector<std::array<double, 5>> buf(static_cast<size_t>(row.maxCount) + 1, {7, 7, 7, 7, 7});
        int count = -1;
        const int n = bnd.DiscreteBound(&surf, row.tol, reinterpret_cast<double(*)[5]>(buf.data()), count,
                                        row.maxCount);
        ASSERT_EQ(n, count) << row.label;
        ASSERT_GE(count, 2) << row.label;
        ASSERT_LE(count, row.maxCount) << row.label;
        EXPECT_EQ(buf[row.maxCount][0], 7.0) << row.label << ": wrote past maxCount";
        EXPECT_NEAR(buf[0][3], 0.05, 1e-12) << row.label;
        EXPECT_NEAR(buf[count - 1][3], 0.95, 1e-12) << row.label;
        EXPECT_NEAR(buf[count - 1][4], 0.2, 1e-12) << row.label;
        for (int i = 0; i < count; ++i)
            EXPECT_NEAR(std::sqrt(buf[i][0] * buf[i][0] + buf[i][1] * buf[i][1] + buf[i][2] * buf[i][2]), 2.0, 1e-9)
                << row.label;
        if (row.maxCount == 5000) {
            // Chords within tol of the bound, checked on its dense image.
            CStrP3D s;
            s.Create(count, false, false);
            for (int i = 0; i < count; ++i)
                for (int e = 0; e < 3; ++e) s.m_pPoints[i][e] = buf[i][e];
            double worst = 0.0;
            for (int k = 0; k <= 1000; ++k) {
                double q[5];
                bnd.GetPoint(k / 1000.0, &surf, q);
                worst = std::fmax(worst, PolyDist(q, s));
            }
            // The routine tests its chords at the quarter points only, so between
            // them a chord may stray a little beyond tol.
            EXPECT_LE(worst, row.tol * 1.25) << row.label;
        }
    }
    int count = 42;
    double buf[4][5];
    CGeTrimBnd bare;
    EXPECT_EQ(bare.DiscreteBound(&surf, 0.1, buf, count, 4), 0);
    EXPECT_EQ(count, 42);
}

TEST_F(GeTrimBndTest, TransformsMoveOnlyTheModelCurve)
{
    double c[3] = {1, 0, 0};
    auto* arc = new CGeArc3d;
    ASSERT_EQ(arc->CreateCricleXY(c, 1.0), 1);
    const double a[2] = {0.1, 0.1}, b[2] = {0.9, 0.1};
    CGeTrimBnd bnd(new CGeLine(a, b), arc, nullptr);
    // A non-uniform scale turns the arc into a NURBS curve, which the bound adopts.
    double centre[3] = {0, 0, 0}, f[3] = {2, 1, 1};
    EXPECT_EQ(bnd.Scale3D(centre, f), &bnd);
    ASSERT_TRUE(bnd.m_pEucCrv);
    EXPECT_EQ(bnd.m_pEucCrv->GetType(), 0x4000) << "the replacing curve was not adopted";
    BOX3<double> box;
    bnd.GetBox(&box);
    EXPECT_NEAR(box.xmin, 0.0, 1e-6);
    EXPECT_NEAR(box.xmax, 4.0, 1e-6);
    // The parameter curve stays.
    double s[2];
    bnd.m_pUVCrv->GetStartPoint(s);
    EXPECT_EQ(s[0], 0.1);
    double v[3] = {0, 0, 5};
    bnd.Translate3D(v);
    bnd.GetBox(&box);
    EXPECT_NEAR(box.zmin, 5.0, 1e-9);

    CGeTrimBnd bare;
    bare.m_box = box;
    bare.Translate3D(v);
    bare.CalcBox();
    EXPECT_EQ(bare.m_box.zmin, box.zmin) << "a bound without 3D curve keeps its box";

    // Copies hold copies of both curves and the same loop.
    CGeTrimLoop loop;
    bnd.m_pLoop = &loop;
    std::unique_ptr<CGeTrimBnd> copy(static_cast<CGeTrimBnd*>(bnd.Copy()));
    EXPECT_EQ(copy->m_pLoop, &loop);
    ASSERT_TRUE(copy->m_pUVCrv && copy->m_pEucCrv);
    EXPECT_NE(copy->m_pUVCrv, bnd.m_pUVCrv);
    EXPECT_NE(copy->m_pEucCrv, bnd.m_pEucCrv);
}

}  // namespace
