// The strategy frame's helpers: building the model, linking strings into zigzags,
// writing composites, and the raster angle.
#include "framework/looker/QVGlobal.h"
#include "framework/widgra/Progress.h"
#include "geometry/shapes3d/GeCombCurve3d.h"
#include "geometry/shapes3d/GeGroup3d.h"
#include "geometry/shapes3d/GePolyline3d.h"
#include "toolpath/milling/MsFinishSweepLine.h"
#include "toolpath/milling/tests/MillFixtures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {

// A string along X at height 0 on scan line `line`, from x0 to x1 (contact on a facet).
CNcPline* Pass(int line, double x0, double x1, double y)
{
    auto* s = new CNcPline;
    for (double x = x0;; x += 1) {
        auto* p = new CNcPoint(std::min(x, x1), y, 0);
        p->contact = kContactTriangle;
        s->AddTail(p);
        if (x >= x1) break;
    }
    s->lineId = line;
    s->CalcBox();
    return s;
}

struct FlatModel {
    millkit::TriMesh plate = millkit::TerrainMesh([](double, double) { return 0.0; }, -5, -5, 30, 6);
    CTCylindrical tool{1};
    std::unique_ptr<CCheckModel> model;
    FlatModel()
    {
        tool.SetAidParam();
        model = milltest::MakeModel({plate}, &tool, 0.5);
        model->SetMillDepth(0, -1);
    }
};

std::vector<std::vector<double>> EndXs(CNcPlineGrp& area)
{
    std::vector<std::vector<double>> out;
    for (CNcPline* s : area) {
        std::vector<double> xs;
        for (POSITION pos = s->GetHeadPosition(); pos;) xs.push_back(s->GetNext(pos)->x);
        out.push_back(xs);
    }
    return out;
}

TEST(MillFrame, LinkingMakesOneZigzagOfPassesOneMillimetreApart)
{
    FlatModel f;
    CNcPlineGrp area;
    for (int line = 0; line < 4; ++line) area.AddTail(Pass(line, 0, 10, line));
    LinkAreaStrings(f.model.get(), area, 10);
    ASSERT_EQ(area.GetCount(), 1) << "every pass joined to the next";
    CNcPline* z = area.GetHead();
    // The passes alternate: along +X, back along -X, ...
    double y = -1, xAtLineStart = 0;
    int turns = 0;
    for (POSITION pos = z->GetHeadPosition(); pos;) {
        const CNcPoint* p = z->GetNext(pos);
        EXPECT_NEAR(p->z, 0, 1e-12) << "the connectors stay on the plate";
        if (std::fabs(p->y - std::round(p->y)) < 1e-12 && p->y != y && std::round(p->y) == p->y) {
            if (y >= 0) ++turns;
            y = p->y;
            xAtLineStart = p->x;
            EXPECT_EQ(xAtLineStart, int(y) % 2 == 0 ? 0.0 : 10.0) << "pass " << y << " starts at its near end";
        }
    }
    EXPECT_EQ(turns, 3);
}

TEST(MillFrame, AStringBetweenInXBlocksTheLinkAndTiesGoToTheLaterString)
{
    FlatModel f;
    {
        CNcPlineGrp area;
        area.AddTail(Pass(0, 0, 4, 0));
        area.AddTail(Pass(0, 6, 10, 0));
        area.AddTail(Pass(1, 6, 10, 1));
        LinkAreaStrings(f.model.get(), area, 10);
        const auto xs = EndXs(area);
        ASSERT_EQ(xs.size(), 2u) << "the first pass is not linked past the second";
        EXPECT_EQ(xs[0].front(), 0);
        EXPECT_EQ(xs[0].back(), 4);
        EXPECT_EQ(xs[1].front(), 6) << "the second pass links to the line above";
        EXPECT_EQ(xs[1].back(), 6) << "...which it runs back along";
    }
    {
        CNcPlineGrp area;
        area.AddTail(Pass(0, 0, 10, 0));
        area.AddTail(Pass(1, 2, 8, 1));
        area.AddTail(Pass(1, 11, 12, 1));  // its end (12, 1) is as far from (10, 0) as (8, 1)
        LinkAreaStrings(f.model.get(), area, 10);
        const auto xs = EndXs(area);
        ASSERT_EQ(xs.size(), 2u);
        EXPECT_EQ(xs[0].back(), 11) << "the later of two equally near strings is linked";
    }
}

// Random short strings on 40 scan lines 1 apart, tagged with their index.
void RandomStrings(CNcPlineGrp& out, unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> ux(0, 60), len(0.2, 4);
    std::uniform_int_distribution<int> line(0, 39);
    for (int i = 0; i < 400; ++i) {
        const int l = line(rng);
        const double x = ux(rng);
        CNcPline* s = Pass(l, x, x + len(rng), l);
        s->tag = i;
        out.AddTail(s);
    }
}

std::vector<int> Tags(CNcPlineList& list)
{
    std::vector<int> t;
    for (CNcPline* s : list) t.push_back(s->tag);
    return t;
}

TEST(MillFrame, GrowingAreasByLineEqualsThePlainWalk)
{
    CTBall ball(1);
    ball.SetAidParam();
    for (unsigned seed : {1u, 2u, 3u}) {
        CMillGen gen;
        gen.stepOver = 1;
        CNcPlineGrp fast, plain;
        RandomStrings(fast, seed);
        RandomStrings(plain, seed);
        int areas = 0;
        while (!fast.IsEmpty()) {
            ++areas;
            CNcPlineGrp a, b;
            a.AddTail(fast.RemoveHead());
            b.AddTail(plain.RemoveHead());
            BOX3<double> boxA = a.GetHead()->box, boxB = b.GetHead()->box;
            gen.GrowArea(boxA, a, fast, &ball);
            // The plain walk: passes over the rest, each string tested against the
            // whole area by IsNearArea and inserted by walking from the head.
            const double tol = 2 * std::max(2 * gen.stepOver, 1.5 * ball.GetDia());
            for (bool moved = true; moved && !plain.IsEmpty();) {
                moved = false;
                for (POSITION pos = plain.GetHeadPosition(); pos;) {
                    const POSITION cur = pos;
                    CNcPline* s = plain.GetNext(pos);
                    if (!boxB.IsIntersect(s->box, tol) || !gen.IsNearArea(b, &ball, s)) continue;
                    boxB.Union(s->box);
                    POSITION at = b.GetHeadPosition();
                    while (at && b.GetAt(at)->lineId < s->lineId) b.GetNext(at);
                    if (at)
                        b.InsertBefore(at, s);
                    else
                        b.AddTail(s);
                    plain.RemoveAt(cur);
                    moved = true;
                }
            }
            ASSERT_EQ(Tags(a), Tags(b)) << "seed " << seed << " area " << areas;
            ASSERT_EQ(Tags(fast), Tags(plain)) << "seed " << seed << " area " << areas;
        }
        EXPECT_GT(areas, 3) << "seed " << seed << ": several areas";
        EXPECT_LT(areas, 300) << "seed " << seed << ": areas that grew";
    }
}

TEST(MillFrame, CompositesJoinPolylinesWhoseEndsMeetWithin002)
{
    for (double gap : {0.019, 0.021}) {
        CNcPlineList strings;
        strings.AddTail(Pass(0, 0, 5, 0));
        strings.AddTail(Pass(1, 5 + gap, 9, 0));
        CGeGroup3d out;
        PlinesToGroup3d(strings, &out);
        EXPECT_EQ(out.m_listCurve.GetCount(), gap < 0.02 ? 1 : 2) << "gap " << gap;
        DeleteNcPlineList(&strings);
    }
}

TEST(MillFrame, OnlyAllowancesAbove001InflateTheMeshes)
{
    auto mesh = milltest::ToGeMesh(millkit::HemisphereOnPlate(2, 4, 12));
    CGeMeshList list;
    list.AddTail(mesh.get());
    const float callerTop = mesh->vertices.back().z;
    for (double allowance : {0.01, 0.011}) {
        CMillGen gen;
        ASSERT_EQ(gen.BuildCheckModel(&list, allowance), 1);
        double top = -1e9;
        for (int i = 0; i < gen.model->Mesh(0)->VertexCount(); ++i) top = std::max(top, gen.model->Mesh(0)->Vertex(i)[2]);
        if (allowance > 0.01)
            EXPECT_NEAR(top, 2.011, 1e-4) << "inflated copy";
        else
            EXPECT_NEAR(top, 2.0, 1e-6) << "not inflated";
        EXPECT_EQ(mesh->vertices.back().z, callerTop) << "the caller's mesh is untouched";
    }
    CMillGen gen;
    EXPECT_EQ(gen.BuildCheckModel(nullptr, 0), 0);
    CGeMeshList empty;
    EXPECT_EQ(gen.BuildCheckModel(&empty, 0), 0);
}

// Direction of the longest straight run of the written paths, in degrees [0, 180).
double PassDirection(CGeGroup3d& out)
{
    double best = 0, dir = 0;
    for (CGeCurve3d* c : out.m_listCurve)
        for (CGeCurve3d* m : static_cast<CGeCombCurve3d*>(c)->m_listCurve) {
            auto* pl = static_cast<CGePolyline3d*>(m);
            const auto* p = pl->GetCtrlPt();
            const double dx = p[pl->GetCount() - 1][0] - p[0][0], dy = p[pl->GetCount() - 1][1] - p[0][1];
            if (std::hypot(dx, dy) > best) best = std::hypot(dx, dy), dir = std::atan2(dy, dx) * 180 / 3.14159265358979;
        }
    return std::fmod(dir + 360, 180);
}

TEST(MillFrame, RasterAngleTurnsModelAndRegionsAndTheOutputBack)
{
    gNewQVGlobal();
    auto mesh = milltest::ToGeMesh(millkit::TerrainMesh([](double, double) { return 0.0; }, 0, 0, 20, 4));
    CGeMeshList list;
    list.AddTail(mesh.get());
    CTBall ball(2);
    ball.SetAidParam();
    struct Row {
        int angle;
        double direction;
    };
    for (const Row& r : {Row{0, 0}, Row{-30, 0}, Row{30, 30}}) {
        CParamSrfFinish p;
        p.m_nAngle = r.angle;
        p.m_nStepOver = 50;
        p.m_bOneWay = 1;
        CMsFinishSweepLine finish(p);
        CGeGroup3d out;
        finish.GenPath(&list, nullptr, &p, &ball, &out);
        ASSERT_FALSE(out.IsEmpty()) << "angle " << r.angle;
        const double d = PassDirection(out);
        EXPECT_NEAR(std::min(std::fabs(d - r.direction), 180 - std::fabs(d - r.direction)), 0, 1e-6) << "angle " << r.angle;
    }
    // A cancel at the run's last poll: whatever was written lies at 30 degrees too.
    {
        CParamSrfFinish p;
        p.m_nAngle = 30;
        p.m_nStepOver = 50;
        p.m_bOneWay = 1;
        widgra::testing::Reset();
        {
            CMsFinishSweepLine finish(p);
            CGeGroup3d out;
            finish.GenPath(&list, nullptr, &p, &ball, &out);
        }
        const std::int64_t polls = widgra::testing::PollCount();
        ASSERT_GT(polls, 1);
        widgra::testing::Reset();
        widgra::testing::CancelAfterPolls(polls - 1);
        CMsFinishSweepLine finish(p);
        CGeGroup3d out;
        finish.GenPath(&list, nullptr, &p, &ball, &out);
        widgra::testing::Reset();
        if (!out.IsEmpty()) {
            const double d = PassDirection(out);
            EXPECT_NEAR(std::min(std::fabs(d - 30), 180 - std::fabs(d - 30)), 0, 1e-6) << "cancel at the last poll";
        }
    }
    // Curves already in the group are not turned.
    CParamSrfFinish p;
    p.m_nAngle = 30;
    p.m_nStepOver = 50;
    CMsFinishSweepLine finish(p);
    CGeGroup3d out;
    auto* before = new CGeCombCurve3d;
    auto* line = new CGePolyline3d(2, 0);
    line->GetCtrlPt()[0][0] = 0, line->GetCtrlPt()[0][1] = 0, line->GetCtrlPt()[0][2] = 0;
    line->GetCtrlPt()[1][0] = 5, line->GetCtrlPt()[1][1] = 0, line->GetCtrlPt()[1][2] = 0;
    before->AddTail(line);
    out.m_listCurve.AddTail(before);
    finish.GenPath(&list, nullptr, &p, &ball, &out);
    EXPECT_GT(out.m_listCurve.GetCount(), 1);
    EXPECT_EQ(line->GetCtrlPt()[1][1], 0) << "the caller's curve keeps its place";
}

}  // namespace
