// Trimming loops: parameter-plane area, point in loop, boxes, containment, building
// from 3D loops and the model-space curves of their bounds.
#include "framework/numerak/Bsrf.h"
#include "geometry/shapes2d/GeCircle.h"
#include "geometry/shapes2d/GeLine.h"
#include "geometry/shapes2d/GePolyline.h"
#include "geometry/shapes3d/GeLine3d.h"
#include "geometry/shapes3d/GeLoop3d.h"
#include "geometry/shapes3d/GeNrbCrv3d.h"
#include "geometry/shapes3d/GePolyline3d.h"
#include "geometry/shapes3d/GeTrimLoop.h"
#include "geometry/shapes3d/GeTrimSurf.h"
#include "testing/GlyphOutlines.h"
#include "testing/SurfaceFixtures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

namespace {

CGeTrimBnd* LineBound(double x0, double y0, double x1, double y1)
{
    const double p[2] = {x0, y0}, q[2] = {x1, y1};
    return new CGeTrimBnd(new CGeLine(p, q), nullptr, nullptr);
}

// The counter-clockwise rectangle (u0, v0)-(u1, v1) as four line bounds.
std::unique_ptr<CGeTrimLoop> Rect(double u0, double v0, double u1, double v1)
{
    auto loop = std::make_unique<CGeTrimLoop>();
    loop->AddBound(LineBound(u0, v0, u1, v0));
    loop->AddBound(LineBound(u1, v0, u1, v1));
    loop->AddBound(LineBound(u1, v1, u0, v1));
    loop->AddBound(LineBound(u0, v1, u0, v0));
    return loop;
}

TEST(GeTrimLoop, AreaOfSquaresAndCircles)
{
    auto square = Rect(0, 0, 1, 1);
    EXPECT_NEAR(square->EvArea(0.01), 1.0, 1e-12);
    EXPECT_NEAR(square->m_dArea, 1.0, 1e-12);
    square->Reverse();
    EXPECT_NEAR(square->EvArea(0.01), -1.0, 1e-12);

    struct Row {
        const char* label;
        double r;
        int dir;
    };
    for (const Row& row : {Row{"ccw 0.4", 0.4, 1}, Row{"cw 0.25", 0.25, 0}, Row{"ccw 0.05", 0.05, 1}}) {
        CGeTrimLoop loop;
        const double c[2] = {0.5, 0.5};
        loop.AddBound(new CGeTrimBnd(new CGeCircle(c, row.r, row.dir), nullptr, nullptr));
        const double a = std::fabs(loop.EvArea(0.001));
        EXPECT_EQ(loop.m_dArea > 0.0, row.dir == 1) << row.label;
        // An inscribed polygon whose chords stay within tol of the circle: its area
        // falls short of πr² by less than tol times the perimeter.
        const double exact = std::numbers::pi * row.r * row.r;
        EXPECT_LE(a, exact + 1e-12) << row.label;
        EXPECT_GE(a, exact - 0.01 * 2 * std::numbers::pi * row.r) << row.label;
    }
}

TEST(GeTrimLoop, PointInLoop)
{
    auto loop = Rect(0, 0, 1, 1);
    loop->CalcUVBox();
    struct Row {
        const char* label;
        double u, v;
        int want;
    };
    const Row rows[] = {{"centre", 0.5, 0.5, 0},
                        {"near a corner inside", 0.01, 0.99, 0},
                        {"outside the box", 1.5, 0.5, 1},
                        {"below", 0.5, -0.2, 1},
                        {"on the bottom edge", 0.5, 0.0, 2},
                        {"on the right edge", 1.0, 0.3, 2},
                        {"within tol of a vertex", 1.00005, 1.00005, 2},
                        {"on the left edge", 0.0, 0.7, 2}};
    for (const Row& row : rows) {
        double uv[2] = {row.u, row.v};
        EXPECT_EQ(loop->IsPtInLoop(uv, 0.0001), row.want) << row.label;
    }
    // A point outside the box is outside without looking at the curves.
    CGeTrimLoop empty;
    empty.m_boxUV = BOX2<double>(0, 0, 1, 1);
    double far[2] = {2.0, 2.0};
    EXPECT_EQ(empty.IsPtInLoop(far, 0.001), 1);

    // An L-shaped polyline loop on a dense grid; its box comes from AddBound alone,
    // which must hold every vertex, not only the first edge.
    const double l[7][2] = {{0.1, 0.1}, {0.9, 0.1}, {0.9, 0.4}, {0.4, 0.4}, {0.4, 0.9}, {0.1, 0.9}, {0.1, 0.1}};
    CGeTrimLoop shape;
    auto* poly = new CGePolyline;
    poly->Create(7, l);
    shape.AddBound(new CGeTrimBnd(poly, nullptr, nullptr));
    int inside = 0;
    for (int i = 0; i < 40; ++i)
        for (int j = 0; j < 40; ++j) {
            double uv[2] = {(i + 0.5) / 40, (j + 0.5) / 40};
            const bool in = uv[0] > 0.1 && uv[0] < 0.9 && uv[1] > 0.1 && uv[1] < 0.9 &&
                            !(uv[0] > 0.4 && uv[1] > 0.4);
            EXPECT_EQ(shape.IsPtInLoop(uv, 1e-6), in ? 0 : 1) << uv[0] << ", " << uv[1];
            inside += in;
        }
    EXPECT_GT(inside, 100);
}

TEST(GeTrimLoop, BoxesAndBounds)
{
    CGeTrimLoop loop;
    loop.CalcUVBox();
    EXPECT_EQ(loop.m_boxUV.xmin, 0.0);
    EXPECT_EQ(loop.m_boxUV.ymax, 1.0);

    EXPECT_EQ(loop.AddBound(nullptr), 0);
    EXPECT_TRUE(loop.m_listBnd.IsEmpty());
    // A first bound starts a fresh box, whatever the box was.
    loop.m_boxUV = BOX2<double>(-5, -5, 5, 5);
    CGeTrimBnd* first = LineBound(0.2, 0.3, 0.6, 0.3);
    ASSERT_EQ(loop.AddBound(first), 1);
    EXPECT_EQ(first->m_pLoop, &loop);
    EXPECT_DOUBLE_EQ(loop.m_boxUV.xmin, 0.2);
    EXPECT_DOUBLE_EQ(loop.m_boxUV.xmax, 0.6);
    EXPECT_DOUBLE_EQ(loop.m_boxUV.ymin, 0.3);
    EXPECT_DOUBLE_EQ(loop.m_boxUV.ymax, 0.3);
    ASSERT_EQ(loop.AddBound(LineBound(0.6, 0.3, 0.4, 0.8)), 1);
    EXPECT_DOUBLE_EQ(loop.m_boxUV.ymax, 0.8);
    loop.m_boxUV = BOX2<double>(0, 0, 0, 0);
    loop.CalcUVBox();
    EXPECT_DOUBLE_EQ(loop.m_boxUV.xmin, 0.2);
    EXPECT_DOUBLE_EQ(loop.m_boxUV.ymax, 0.8);

    // Start and end: the first bound's start and the last bound's end.
    auto rect = Rect(0.1, 0.2, 0.7, 0.9);
    double xyz[3], uv[2];
    ASSERT_EQ(rect->GetStartPoint(xyz, uv), 1);
    EXPECT_DOUBLE_EQ(uv[0], 0.1);
    EXPECT_DOUBLE_EQ(uv[1], 0.2);
    // The last bound runs (0.1, 0.9) -> (0.1, 0.2); the first one ends at (0.7, 0.2).
    double end[2] = {-7, -7};
    ASSERT_EQ(rect->GetEndPoint(xyz, end), 1);
    EXPECT_DOUBLE_EQ(end[0], 0.1);
    EXPECT_DOUBLE_EQ(end[1], 0.2);
    CGeTrimLoop none;
    EXPECT_EQ(none.GetEndPoint(xyz, end), 0);
    EXPECT_EQ(none.GetStartPoint(xyz, end), 0);
}

TEST(GeTrimLoop, ContainedLoops)
{
    CGeTrimSurf surf, other;
    auto outer = Rect(0, 0, 1, 1);
    auto hole = Rect(0.3, 0.3, 0.6, 0.6);
    auto crossing = Rect(0.8, 0.3, 1.4, 0.6);
    for (CGeTrimLoop* l : {outer.get(), hole.get(), crossing.get()}) {
        l->m_pSurf = &surf;
        l->CalcUVBox();
    }
    EXPECT_EQ(outer->IsContainLoop(hole.get(), 0.001), 1);
    EXPECT_EQ(hole->IsContainLoop(outer.get(), 0.001), 0);
    EXPECT_EQ(outer->IsContainLoop(crossing.get(), 0.001), 0);
    EXPECT_EQ(outer->IsContainLoop(nullptr, 0.001), 0);
    hole->m_pSurf = &other;
    EXPECT_EQ(outer->IsContainLoop(hole.get(), 0.001), 0) << "loops of different surfaces";
}

// A glyph outline of a system font mapped onto the unit square keeps its area in
// proportion to the square.
TEST(GeTrimLoop, CreateFromGlyphKeepsTheAreaRatio)
{
    glyphs::GlyphReader reader;
    ASSERT_TRUE(reader.Ok());
    for (unsigned long code : {'O', 'B', '8', 'g'}) {
        std::vector<glyphs::Contour> outline;
        ASSERT_TRUE(reader.Char(code, 0.01, outline)) << char(code);
        for (size_t ci = 0; ci < outline.size(); ++ci) {
            const std::string label = std::string(1, char(code)) + " contour " + std::to_string(ci);
            const std::vector<glyphs::Pt> dense = glyphs::Sample(outline[ci], 256);
            BOX2<double> box;
            box.InitEmpty();
            for (const glyphs::Pt& p : dense) box.Extend(p.data());
            CGeLoop3d loop3d;
            for (const glyphs::Segment& g : outline[ci].segments) {
                if (!g.cubic) {
                    double a[3] = {g.p[0][0], g.p[0][1], 0}, b[3] = {g.p[1][0], g.p[1][1], 0};
                    loop3d.AddTail(new CGeLine3d(a, b));
                    continue;
                }
                BCRV* c = BCRV_New(4, 4);
                for (int i = 0; i < 4; ++i) {
                    const double p[3] = {g.p[i][0], g.p[i][1], 0.0};
                    c->SetCtrlPt(i, p);
                }
                loop3d.AddTail(new CGeNrbCrv3d(c));
            }
            CGeTrimLoop loop;
            loop.AddBound(LineBound(0, 0, 1, 1));  // Create replaces whatever was there
            loop.Create(&loop3d, box);
            ASSERT_EQ(loop.m_listBnd.GetCount(), static_cast<int>(outline[ci].segments.size())) << label;
            for (CGeTrimBnd* b : loop.m_listBnd) {
                ASSERT_TRUE(b->m_pUVCrv && b->m_pEucCrv) << label;
                EXPECT_EQ(b->m_pLoop, &loop) << label;
            }
            const double want = glyphs::SignedArea(dense) / ((box.xmax - box.xmin) * (box.ymax - box.ymin));
            EXPECT_NEAR(loop.EvArea(0.001), want, 2e-3 * std::fabs(want) + 1e-5) << label;
            loop.CalcUVBox();
            EXPECT_NEAR(loop.m_boxUV.xmin, 0.0, 1e-3) << label;
            EXPECT_NEAR(loop.m_boxUV.xmax, 1.0, 1e-3) << label;
            EXPECT_NEAR(loop.m_boxUV.ymin, 0.0, 1e-3) << label;
            EXPECT_NEAR(loop.m_boxUV.ymax, 1.0, 1e-3) << label;
        }
    }
    // A box without width leaves the bounds alone.
    CGeTrimLoop loop;
    loop.AddBound(LineBound(0, 0, 1, 1));
    CGeLoop3d empty;
    loop.Create(&empty, BOX2<double>(0, 0, 0, 1));
    EXPECT_EQ(loop.m_listBnd.GetCount(), 1);
}

// Bounds without 3D curves get ones on the owner surface; existing curves stay.
TEST(GeTrimLoop, CreateEuclidBndFollowsTheSurface)
{
    CGeTrimSurf surf(surffix::Hemisphere(2.0).release(), BOX2<double>(0, 0, 1, 1));
    CGeTrimLoop loop;
    loop.m_pSurf = &surf;
    loop.AddBound(LineBound(0.1, 0.2, 0.1, 0.8));  // an iso line of constant u
    const double poly[4][2] = {{0.1, 0.8}, {0.5, 0.9}, {0.7, 0.5}, {0.1, 0.2}};
    auto* p = new CGePolyline;
    p->Create(4, poly);
    loop.AddBound(new CGeTrimBnd(p, nullptr, nullptr));
    const double a[3] = {0, 0, 0}, b[3] = {1, 1, 1};
    auto* kept = new CGeLine3d(const_cast<double*>(a), const_cast<double*>(b));
    loop.AddBound(new CGeTrimBnd(new CGeLine(poly[0], poly[1]), kept, nullptr));
    loop.CreateEuclidBnd();
    POSITION pos = loop.m_listBnd.GetHeadPosition();
    CGeTrimBnd* iso = loop.m_listBnd.GetNext(pos);
    CGeTrimBnd* general = loop.m_listBnd.GetNext(pos);
    CGeTrimBnd* third = loop.m_listBnd.GetNext(pos);
    ASSERT_TRUE(iso->m_pEucCrv);
    EXPECT_EQ(iso->m_pEucCrv->GetType(), 0x4000);
    ASSERT_TRUE(general->m_pEucCrv);
    EXPECT_EQ(general->m_pEucCrv->GetType(), 0x2000);
    EXPECT_EQ(third->m_pEucCrv, kept);
    // Every point of the new curves lies on the sphere.
    for (CGeTrimBnd* bnd : {iso, general}) {
        auto* c = bnd->m_pEucCrv;
        c->DiscreteMe(0.001);
        for (int i = 0; i < c->m_strDisp.m_nCount; ++i) {
            const double* q = c->m_strDisp.m_pPoints[i];
            EXPECT_NEAR(std::sqrt(q[0] * q[0] + q[1] * q[1] + q[2] * q[2]), 2.0, 1e-9);
        }
    }
    CGeTrimLoop orphan;
    orphan.AddBound(LineBound(0.1, 0.2, 0.1, 0.8));
    orphan.CreateEuclidBnd();
    EXPECT_EQ(orphan.m_listBnd.GetHead()->m_pEucCrv, nullptr) << "a loop without owner derives nothing";
}

}  // namespace
