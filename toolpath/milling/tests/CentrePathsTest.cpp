// Paths shared by the tool-centre strategies: entities as strings, groups projected onto the
// model (against the model's drop), loop offsets with retries and loops as combines.
#include "toolpath/milling/CentrePaths.h"

#include "framework/looker/Tool.h"
#include "toolpath/contours/CornerType.h"
#include "toolpath/contours/NcPline.h"
#include "toolpath/contours/PathEntity.h"
#include "toolpath/contours/PathGroup.h"
#include "toolpath/contours/SmartLoop.h"
#include "toolpath/contours/tests/CurveFixtures.h"
#include "toolpath/milling/tests/CentreFixtures.h"
#include "toolpath/milling/tests/MillFixtures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

namespace {

std::vector<Pnt3> PolyPoints(const CPathEntity* e)
{
    std::vector<Pnt3> out;
    const auto* pl = static_cast<const CPathPLine3D*>(e);
    for (int i = 0; i < pl->PointCount(); ++i)
        out.push_back({pl->points[i][0], pl->points[i][1], pl->points[i][2]});
    return out;
}

// An axis-parallel square loop, counter-clockwise (outer) or clockwise (island).
CSmartLoop* Square(double x0, double y0, double side, bool outer = true)
{
    std::vector<curvetest::P> pts = {{x0, y0}, {x0 + side, y0}, {x0 + side, y0 + side}, {x0, y0 + side}};
    if (!outer)
        std::reverse(pts.begin(), pts.end());
    auto* L = new CSmartLoop;
    delete L->UpdateSect(curvetest::Polyline(pts, true));
    return L;
}

CPathArc3D* QuarterArc()
{
    auto* arc = new CPathArc3D;
    arc->centre[0] = 1, arc->centre[1] = 1, arc->centre[2] = 3;
    arc->radius = 2;
    arc->startAngle = 0, arc->endAngle = M_PI / 2;
    return arc;
}

TEST(CentrePaths, EntitiesAsStrings)
{
    const double s[3] = {0, 1, 2}, e[3] = {4, 5, 6};
    CPathLine3D line(s, e);
    std::unique_ptr<CPathArc3D> arc(QuarterArc());
    CPathPLine3D pl;
    const double pts[3][3] = {{0, 0, 1}, {1, 0, 2}, {1, 1, 3}};
    SetPathPLinePoints(&pl, 2, pts[0]);

    CNcPline string;
    EntityToPline(&line, string);
    EntityToPline(arc.get(), string);
    EntityToPline(&pl, string);
    EntityToPline(nullptr, string);
    ASSERT_EQ(string.GetCount(), 2 + 6 + 3);
    std::vector<const CNcPoint*> p;
    for (POSITION pos = string.GetHeadPosition(); pos;)
        p.push_back(string.GetNext(pos));
    for (const CNcPoint* q : p) {
        EXPECT_EQ(q->contact, 0);
        EXPECT_EQ(q->w, q->z);
    }
    EXPECT_EQ((Pnt3{p[0]->x, p[0]->y, p[0]->z}), (Pnt3{0, 1, 2}));
    EXPECT_EQ((Pnt3{p[1]->x, p[1]->y, p[1]->z}), (Pnt3{4, 5, 6}));
    // The arc at t = 0, 0.2, ..., 1: angles of a tenth of pi apart on the circle.
    for (int i = 0; i <= 5; ++i) {
        const CNcPoint* q = p[size_t(2 + i)];
        EXPECT_NEAR(q->x, 1 + 2 * std::cos(i * M_PI / 10), 1e-12) << i;
        EXPECT_NEAR(q->y, 1 + 2 * std::sin(i * M_PI / 10), 1e-12) << i;
        EXPECT_NEAR(q->z, 3, 1e-12) << i;
    }
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ((Pnt3{p[size_t(8 + i)]->x, p[size_t(8 + i)]->y, p[size_t(8 + i)]->z}),
                  (Pnt3{pts[i][0], pts[i][1], pts[i][2]}))
            << i;
}

TEST(CentrePaths, GroupsProjectedOntoTheModel)
{
    CTBall ball(2);
    ball.SetAidParam();
    const auto bump = [](double x, double y) { return 3 * std::exp(-(x * x + y * y) / 8); };
    milltest::Built b = milltest::Build({millkit::TerrainMesh(bump, -10, -10, 20, 40)}, &ball);
    ASSERT_TRUE(b.model);
    CMillCenter& m = *b.model;

    CPathGroup source(302);
    auto* c = new CPathCombine(3);
    const double s[3] = {-8, 0.3, -50}, e[3] = {8, 0.3, -50};
    PathCombineAppend(new CPathLine3D(s, e), c);
    PathCombineAppend(QuarterArc(), c);
    PathGroupAppend(0, &source, c);
    PathGroupAppend(0, &source, new CPathCombine(3));  // empty: gives nothing

    CPathGroup out(302);
    VerifyGroupOnCentre(&m, out, source);
    ASSERT_TRUE(out.head);
    EXPECT_EQ(out.head, out.tail);
    EXPECT_EQ(out.head->op, 8);
    ASSERT_TRUE(out.head->head && out.head->head->next);
    EXPECT_EQ(out.head->head->next->next, nullptr);
    // Every point on the model's drop, the ends where the entities end in XY.
    for (const CPathEntity* en = out.head->head; en; en = en->next) {
        const auto pts = PolyPoints(en);
        ASSERT_GE(pts.size(), 2u);
        for (const Pnt3& q : pts) {
            const double pane[2][2] = {{q[0], q[1]}, {q[0], q[1]}};
            m.DefineMarkedPane(pane, 0.0001);
            double d[3] = {q[0], q[1], m.box[2] - 10};
            m.ProjPntOnMdl(d);
            EXPECT_NEAR(q[2], d[2], 1e-9);
        }
        if (en == out.head->head) {
            EXPECT_GT(pts.size(), 4u);  // the bump between the ends
            EXPECT_EQ(pts.front()[0], -8);
            EXPECT_EQ(pts.back()[0], 8);
        }
    }
    // The source stays as it was.
    EXPECT_EQ(static_cast<CPathLine3D*>(source.head->head)->start[2], -50);
    CPathGroup none(302);
    VerifyGroupOnCentre(nullptr, none, source);
    EXPECT_EQ(none.head, nullptr);
}

TEST(CentrePaths, OffsetsSkipLoopsWithoutResult)
{
    DVN_CornerType corner{4, 170, 5};
    // A 10 square, a 1 square (nothing inside 1 at any retry) and a 6 square, chained.
    std::unique_ptr<CSmartLoop> big(Square(0, 0, 10));
    CSmartLoop* tiny = Square(20, 0, 1);
    CSmartLoop* mid = Square(30, 0, 6);
    big->next = tiny;
    tiny->next = mid;
    CSmartLoop* r = OffsetLoopsRetry(big.get(), 1, 1, corner);
    ASSERT_TRUE(r);
    ASSERT_TRUE(r->next);
    EXPECT_EQ(r->next->next, nullptr);
    // Twice the signed areas of the 8 and 4 squares, in chain order.
    EXPECT_NEAR(r->area, 2 * 64, 1e-6);
    EXPECT_NEAR(r->next->area, 2 * 16, 1e-6);
    CSmartLoop::DeleteLoopChain(r);
    big->next = nullptr;
    tiny->next = nullptr;
    CSmartLoop* none = OffsetLoopsRetry(tiny, 1, 1, corner);
    EXPECT_EQ(none, nullptr);
    CSmartLoop::DeleteLoopChain(none);
    delete tiny;
    delete mid;
    EXPECT_EQ(OffsetLoopsRetry(nullptr, 1, 1, corner), nullptr);
    // A 2 square offset by 1 closes up; the retry at 0.99 leaves a 0.02 square.
    std::unique_ptr<CSmartLoop> two(Square(40, 0, 2));
    CSmartLoop* retried = OffsetLoopsRetry(two.get(), 1, 1, corner);
    ASSERT_TRUE(retried);
    EXPECT_EQ(retried->next, nullptr);
    EXPECT_NEAR(retried->area, 2 * 0.02 * 0.02, 1e-9);
    CSmartLoop::DeleteLoopChain(retried);
}

TEST(CentrePaths, LoopsAsCombinesAtAHeight)
{
    std::unique_ptr<CSmartLoop> a(Square(0, 0, 10));
    a->AddIsland(Square(3, 3, 2, false));
    CSmartLoop* second = Square(20, 0, 4);
    a->next = second;
    CPathGroup g(302);
    LoopsToPathGroup(a.get(), g, 2.5);
    a->next = nullptr;
    delete second;
    ASSERT_TRUE(g.head && g.head->next);
    EXPECT_EQ(g.head->next, g.tail);
    struct Want {
        double x0, x1;  // XY box of each entity in x
    };
    const std::vector<std::vector<Want>> want = {{{0, 10}, {3, 5}}, {{20, 24}}};
    size_t ci = 0;
    for (const CPathCombine* c = g.head; c; c = c->next, ++ci) {
        EXPECT_EQ(c->op, 8);
        size_t ei = 0;
        for (const CPathEntity* e = c->head; e; e = e->next, ++ei) {
            ASSERT_LT(ei, want[ci].size()) << ci;
            const auto pts = PolyPoints(e);
            double lo = 1e300, hi = -1e300;
            for (const Pnt3& q : pts) {
                EXPECT_EQ(q[2], 2.5);
                lo = std::min(lo, q[0]);
                hi = std::max(hi, q[0]);
            }
            EXPECT_NEAR(lo, want[ci][ei].x0, 1e-12) << ci << " " << ei;
            EXPECT_NEAR(hi, want[ci][ei].x1, 1e-12) << ci << " " << ei;
            EXPECT_EQ(pts.front(), pts.back()) << ci << " " << ei;
        }
        EXPECT_EQ(ei, want[ci].size()) << ci;
    }
}

}  // namespace
