// Loop classification, orientation, duplicates, regions and the ranking walks.
#include "LoopFixtures.h"
#include "RegionReference.h"

#include <array>
#include <cmath>
#include <random>
#include <string>

namespace {

using namespace looptest;

const double kPi = std::acos(-1.0);

// Orientation oracle independent of the loop's cache and display points: the
// shoelace area of its members' start points (exact for loops of lines).
double ShoelaceOfStarts(CGeLoop* loop)
{
    std::vector<std::array<double, 2>> p;
    for (CGeCurve* m : loop->GetCurveList()) {
        double s[2];
        m->GetStartPoint(s);
        p.push_back({s[0], s[1]});
    }
    double a = 0.0;
    for (std::size_t i = 0; i < p.size(); ++i) {
        const auto& u = p[i];
        const auto& v = p[(i + 1) % p.size()];
        a += u[0] * v[1] - v[0] * u[1];
    }
    return a / 2;
}

BOX2<double> BoxOf(CGeShape2d* s)
{
    BOX2<double> b;
    b.InitEmpty();
    s->GetBox2d(&b);
    return b;
}

using RegionsTest = LoopTest;

// An open chain of lines through pts (not joined back to the first).
CGeLoop* OpenChain(const std::vector<std::pair<double, double>>& pts)
{
    auto* loop = new CGeLoop;
    for (std::size_t i = 0; i + 1 < pts.size(); ++i)
        loop->AddTail(Line(pts[i].first, pts[i].second, pts[i + 1].first, pts[i + 1].second), 0);
    loop->CalcBox2d();
    return loop;
}

TEST_F(RegionsTest, OpenChainsStayOutOfRegions)
{
    // An open U around a closed square: the square is a region of its own,
    // the U bounds nothing and stays with the caller as it was.
    for (const char* form : {"CreateRegion", "CreateRegionAtFast", "CreateRegionInSelfDir"}) {
        OwnedLoops loops;
        CGeLoop* u = OpenChain({{0, 10}, {0, 0}, {10, 0}, {10, 10}});
        loops.list.AddTail(u);
        loops.list.AddTail(SquareLoop(3, 3, 4, false));
        OwnedRegions regions;
        CGeTool2D tool;
        if (std::string(form) == "CreateRegion")
            tool.CreateRegion(&loops.list, &regions.list);
        else if (std::string(form) == "CreateRegionAtFast")
            tool.CreateRegionAtFast(&loops.list, &regions.list);
        else
            tool.CreateRegionInSelfDir(&loops.list, &regions.list);
        ASSERT_EQ(loops.list.GetCount(), 1) << form;
        EXPECT_EQ(loops.list.GetHead(), u) << form;
        double s[2];
        u->GetStartPoint(s);
        EXPECT_EQ(s[1], 10.0) << form << ": the open chain keeps its direction";
        EXPECT_FALSE(u->IsOuterLoop()) << form;
        if (std::string(form) == "CreateRegionInSelfDir") {
            // Keeps directions: the clockwise square bounds no region.
            EXPECT_TRUE(regions.list.IsEmpty()) << form;
            continue;
        }
        ASSERT_EQ(regions.list.GetCount(), 1) << form;
        CGeRegion* r = regions.list.GetHead();
        ASSERT_EQ(r->GetLoopList().GetCount(), 1) << form;
        EXPECT_NEAR(r->GetLoopList().GetHead()->m_dArea, 16.0, 1e-9) << form;
    }
    // ReSortLoop orients the closed loops and leaves the open one behind them.
    OwnedLoops loops;
    CGeLoop* u = OpenChain({{0, 10}, {0, 0}, {10, 0}, {10, 10}});
    loops.list.AddTail(u);
    loops.list.AddTail(SquareLoop(3, 3, 4, false));
    CGeTool2D().ReSortLoop(&loops.list);
    ASSERT_EQ(loops.list.GetCount(), 2);
    EXPECT_GT(loops.list.GetHead()->m_dArea, 0.0);
    EXPECT_EQ(loops.list.GetTail(), u);
    EXPECT_FALSE(u->IsOuterLoop());
}

// Nested squares and circles at random, some doubled, one large sheet with
// many holes holding islands, and a few open chains, shuffled.
void MakeNestedLoops(LoopList& out, int cells, unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::vector<CGeLoop*> v;
    const int side = static_cast<int>(std::ceil(std::sqrt(static_cast<double>(cells))));
    for (int k = 0; k < cells; ++k) {
        const double x = 20.0 * (k % side), y = 20.0 * (k / side);
        const int depth = static_cast<int>(rng() % 4);
        double s = 16.0;
        for (int d = 0; d <= depth; ++d) {
            const double inset = (16.0 - s) / 2;
            if (rng() % 4 == 0)
                v.push_back(CircleLoop(x + 8, y + 8, s / 2, static_cast<int>(rng() % 2)));
            else
                v.push_back(SquareLoop(x + inset, y + inset, s, rng() % 2 == 0));
            if (rng() % 9 == 0) v.push_back(static_cast<CGeLoop*>(v.back()->Copy()));
            s *= 0.5 + 0.3 * unit(rng);
        }
        if (rng() % 7 == 0) v.push_back(OpenChain({{x, y + 18}, {x + 9, y + 19}, {x + 18, y + 18}}));
    }
    // The sheet below the cells: 40 holes, every third with an island.
    v.push_back(SquareLoop(0, -300, 280));
    for (int h = 0; h < 40; ++h) {
        const double x = 10.0 + 30.0 * (h % 9), y = -290.0 + 30.0 * (h / 9);
        v.push_back(SquareLoop(x, y, 20, h % 2 == 0));
        if (h % 3 == 0) v.push_back(SquareLoop(x + 5, y + 5, 10));
    }
    std::shuffle(v.begin(), v.end(), rng);
    for (CGeLoop* l : v)
        if (l) out.AddTail(l);
}

struct LoopFace {
    double area;
    double s[2];
    int members, outer;
    bool operator==(const LoopFace& o) const
    {
        return area == o.area && s[0] == o.s[0] && s[1] == o.s[1] && members == o.members && outer == o.outer;
    }
};

LoopFace FaceOf(CGeLoop* l)
{
    LoopFace f{l->m_dArea, {0, 0}, static_cast<int>(l->GetCurveList().GetCount()), l->IsOuterLoop()};
    l->GetStartPoint(f.s);
    return f;
}

TEST_F(RegionsTest, CreateRegionMatchesThePlainScan)
{
    int regionCount = 0;
    for (unsigned seed : {1u, 2u, 3u}) {
        const std::string label = "seed " + std::to_string(seed);
        OwnedLoops mine, theirs;
        MakeNestedLoops(mine.list, 150, seed);
        for (CGeLoop* l : mine.list) theirs.list.AddTail(static_cast<CGeLoop*>(l->Copy()));
        OwnedRegions got, want;
        CGeTool2D().CreateRegion(&mine.list, &got.list);
        regionref::CreateRegion(theirs.list, want.list);
        ASSERT_EQ(got.list.GetCount(), want.list.GetCount()) << label;
        POSITION pg = got.list.GetHeadPosition(), pw = want.list.GetHeadPosition();
        for (int i = 0; pg && pw; ++i) {
            CGeRegion* a = got.list.GetNext(pg);
            CGeRegion* b = want.list.GetNext(pw);
            ASSERT_EQ(a->GetLoopList().GetCount(), b->GetLoopList().GetCount()) << label << ", region " << i;
            POSITION la = a->GetLoopList().GetHeadPosition(), lb = b->GetLoopList().GetHeadPosition();
            for (int k = 0; la && lb; ++k)
                EXPECT_TRUE(FaceOf(a->GetLoopList().GetNext(la)) == FaceOf(b->GetLoopList().GetNext(lb)))
                    << label << ", region " << i << ", loop " << k;
        }
        ASSERT_EQ(mine.list.GetCount(), theirs.list.GetCount()) << label << ": loops left over";
        POSITION la = mine.list.GetHeadPosition(), lb = theirs.list.GetHeadPosition();
        for (int k = 0; la && lb; ++k)
            EXPECT_TRUE(FaceOf(mine.list.GetNext(la)) == FaceOf(theirs.list.GetNext(lb))) << label << ", left " << k;
        regionCount += got.list.GetCount();
    }
    EXPECT_GT(regionCount, 300);
}

TEST_F(RegionsTest, SingleClockwiseLoopTurnsCounterClockwise)
{
    OwnedLoops loops;
    loops.list.AddTail(SquareLoop(0, 0, 2, false));
    CGeTool2D tool;
    tool.ReSortLoop(&loops.list);
    CGeLoop* l = loops.list.GetHead();
    EXPECT_NEAR(l->m_dArea, 4.0, 1e-9);
    EXPECT_NEAR(ShoelaceOfStarts(l), 4.0, 1e-9);
    EXPECT_EQ(l->IsOuterLoop(), 1);
}

TEST_F(RegionsTest, NestedSquares)
{
    // Given smallest first and all counter-clockwise.
    struct Row {
        const char* label;
        bool fast;
    };
    for (const Row& r : {Row{"CreateRegion", false}, Row{"CreateRegionAtFast", true}}) {
        OwnedLoops loops;
        CGeLoop* inner = SquareLoop(4, 4, 2);
        CGeLoop* middle = SquareLoop(2, 2, 6, false);
        CGeLoop* outer = SquareLoop(0, 0, 10);
        loops.list.AddTail(inner);
        loops.list.AddTail(middle);
        loops.list.AddTail(outer);
        OwnedRegions regions;
        CGeTool2D tool;
        if (r.fast)
            tool.CreateRegionAtFast(&loops.list, &regions.list);
        else
            tool.CreateRegion(&loops.list, &regions.list);
        EXPECT_TRUE(loops.list.IsEmpty()) << r.label;
        ASSERT_EQ(regions.list.GetCount(), 2) << r.label;
        CGeRegion* first = regions.list.GetHead();
        CGeRegion* second = regions.list.GetTail();
        ASSERT_EQ(first->GetLoopList().GetCount(), 2) << r.label;
        ASSERT_EQ(second->GetLoopList().GetCount(), 1) << r.label;
        EXPECT_EQ(first->GetLoopList().GetHead(), outer) << r.label;
        EXPECT_EQ(first->GetLoopList().GetTail(), middle) << r.label;
        EXPECT_EQ(second->GetLoopList().GetHead(), inner) << r.label;
        // CCW, CW, CCW, by the members themselves and by the cache.
        const struct {
            CGeLoop* loop;
            double area;
            int outerFlag;
        } want[] = {{outer, 100, 1}, {middle, -36, 0}, {inner, 4, 1}};
        for (const auto& w : want) {
            EXPECT_NEAR(ShoelaceOfStarts(w.loop), w.area, 1e-9) << r.label;
            EXPECT_NEAR(w.loop->m_dArea, w.area, 1e-9) << r.label;
            EXPECT_EQ(w.loop->IsOuterLoop(), w.outerFlag) << r.label;
        }
        EXPECT_NEAR(first->EvArea(0.01), 64.0, 1e-9) << r.label;
        EXPECT_NEAR(second->EvArea(0.01), 4.0, 1e-9) << r.label;
        const double inHole[2] = {3, 3}, inRing[2] = {1, 1}, inIsland[2] = {5, 5};
        EXPECT_EQ(first->IsPtInRegion(const_cast<double*>(inHole), 1e-6), 1) << r.label;
        EXPECT_EQ(first->IsPtInRegion(const_cast<double*>(inRing), 1e-6), 0) << r.label;
        EXPECT_EQ(second->IsPtInRegion(const_cast<double*>(inIsland), 1e-6), 0) << r.label;
    }
}

TEST_F(RegionsTest, SquareWithInscribedCircleKeepsBoth)
{
    // Same box; fresh loops carry no area yet, so only computing the areas
    // first tells them apart. The circle starts on the square's edge at (10, 5).
    OwnedLoops loops;
    CGeLoop* square = SquareLoop(0, 0, 10);
    CGeLoop* circle = CircleLoop(5, 5, 5);
    loops.list.AddTail(square);
    loops.list.AddTail(circle);
    OwnedRegions regions;
    CGeTool2D tool;
    tool.CreateRegion(&loops.list, &regions.list);
    EXPECT_TRUE(loops.list.IsEmpty());
    ASSERT_EQ(regions.list.GetCount(), 1);
    CGeRegion* region = regions.list.GetHead();
    ASSERT_EQ(region->GetLoopList().GetCount(), 2);
    EXPECT_EQ(region->GetLoopList().GetHead(), square);
    EXPECT_EQ(region->GetLoopList().GetTail(), circle);
    EXPECT_LT(circle->m_dArea, 0.0);
    // The circle's area comes from its display points at the computation
    // tolerance 0.01: off by at most tol times the perimeter.
    EXPECT_NEAR(region->EvArea(0.01), 100.0 - 25 * kPi, 0.01 * 10 * kPi);
}

TEST_F(RegionsTest, DuplicateLoopsKeepTheFirst)
{
    OwnedLoops loops;
    CGeLoop* first = SquareLoop(0, 0, 10);
    CGeLoop* same = SquareLoop(0.004, 0, 10, false);  // same within 0.01, other direction
    CGeLoop* other = SquareLoop(20, 0, 10);
    loops.list.AddTail(first);
    loops.list.AddTail(same);
    loops.list.AddTail(other);
    OwnedRegions regions;
    CGeTool2D tool;
    tool.CreateRegion(&loops.list, &regions.list);
    ASSERT_EQ(regions.list.GetCount(), 2);
    EXPECT_EQ(regions.list.GetHead()->GetLoopList().GetHead(), first);
    EXPECT_EQ(regions.list.GetHead()->GetLoopList().GetCount(), 1);
    EXPECT_EQ(regions.list.GetTail()->GetLoopList().GetHead(), other);
}

TEST_F(RegionsTest, DelSameLoopComparesCachedAreas)
{
    struct Row {
        const char* label;
        double shift, area2;
        bool removed;
    };
    const Row rows[] = {
        {"same box and |area|", 0.005, -100, true},
        {"box differs by tol", 0.01, 100, false},
        {"area differs", 0.0, 99.9, false},
    };
    for (const Row& r : rows) {
        OwnedLoops loops;
        CGeLoop* a = SquareLoop(0, 0, 10);
        CGeLoop* b = SquareLoop(r.shift, 0, 10);
        a->m_dArea = 100;
        b->m_dArea = r.area2;
        loops.list.AddTail(a);
        loops.list.AddTail(b);
        CGeTool2D tool;
        tool.DelSameLoop(&loops.list, 0.01);
        EXPECT_EQ(loops.list.GetCount(), r.removed ? 1 : 2) << r.label;
        EXPECT_EQ(loops.list.GetHead(), a) << r.label;
        EXPECT_EQ(a->GetExtData(), 0u) << r.label;
    }
}

TEST_F(RegionsTest, ClassifyLeavesEachLoopInOneList)
{
    OwnedLoops in, open, closed;
    in.list.AddTail(SquareLoop(0, 0, 1));
    auto* chain = new CGeLoop;
    chain->AddTail(Line(0, 0, 5, 0), 1);
    in.list.AddTail(chain);
    in.list.AddTail(nullptr);
    CGeTool2D tool;
    tool.ClassifyLoop(&in.list, &open.list, &closed.list, 0.01);
    EXPECT_EQ(closed.list.GetCount(), 1);
    ASSERT_EQ(open.list.GetCount(), 1);
    EXPECT_EQ(open.list.GetHead(), chain);
    ASSERT_EQ(in.list.GetCount(), 1);
    EXPECT_EQ(in.list.GetHead(), nullptr);
    // Each list is deleted by its fixture: a loop held twice would be freed twice.
}

TEST_F(RegionsTest, ReSortLoopFreesLoopsWithoutDisplay)
{
    OwnedLoops loops;
    loops.list.AddTail(new CGeLoop);  // no members, no display points
    CGeLoop* square = SquareLoop(0, 0, 3, false);
    loops.list.AddTail(square);
    CGeTool2D tool;
    tool.ReSortLoop(&loops.list);
    ASSERT_EQ(loops.list.GetCount(), 1);  // the empty loop is gone (and freed)
    EXPECT_EQ(loops.list.GetHead(), square);
    EXPECT_NEAR(ShoelaceOfStarts(square), 9.0, 1e-9);
}

TEST_F(RegionsTest, SortLoopWithAreaIsStableAndDescending)
{
    OwnedLoops loops;
    const double areas[] = {2, -5, 2, 7, -2};
    std::vector<CGeLoop*> made;
    for (double a : areas) {
        CGeLoop* l = SquareLoop(0, 0, 1);
        l->m_dArea = a;
        made.push_back(l);
        loops.list.AddTail(l);
    }
    loops.list.AddTail(nullptr);
    CGeTool2D tool;
    tool.SortLoopWithArea(&loops.list, true);
    std::vector<CGeLoop*> got;
    for (CGeLoop* l : loops.list) got.push_back(l);
    EXPECT_EQ(got, (std::vector<CGeLoop*>{made[3], made[1], made[0], made[2], made[4]}));
    tool.SortLoopWithArea(&loops.list, false);
    got.clear();
    for (CGeLoop* l : loops.list) got.push_back(l);
    EXPECT_EQ(got, (std::vector<CGeLoop*>{made[3], made[0], made[2], made[4], made[1]}));
}

TEST_F(RegionsTest, SelfDirectionRegions)
{
    OwnedLoops loops;
    CGeLoop* outer = SquareLoop(0, 0, 10);
    CGeLoop* hole = SquareLoop(2, 2, 2, false);
    CGeLoop* wrongWay = SquareLoop(2, 6, 2);  // counter-clockwise inside: not a hole
    CGeLoop* stray = SquareLoop(50, 0, 2, false);  // clockwise alone: deleted
    loops.list.AddTail(hole);
    loops.list.AddTail(stray);
    loops.list.AddTail(outer);
    loops.list.AddTail(wrongWay);
    OwnedRegions regions;
    CGeTool2D tool;
    tool.CreateRegionInSelfDir(&loops.list, &regions.list);
    EXPECT_TRUE(loops.list.IsEmpty());
    ASSERT_EQ(regions.list.GetCount(), 2);
    CGeRegion* big = regions.list.GetHead();
    ASSERT_EQ(big->GetLoopList().GetCount(), 2);
    EXPECT_EQ(big->GetLoopList().GetHead(), outer);
    EXPECT_EQ(big->GetLoopList().GetTail(), hole);
    EXPECT_EQ(regions.list.GetTail()->GetLoopList().GetHead(), wrongWay);
    EXPECT_NEAR(ShoelaceOfStarts(wrongWay), 4.0, 1e-9);  // never reversed
}

TEST_F(RegionsTest, RankingWalksRowByRow)
{
    struct Row {
        const char* label;
        std::vector<std::array<double, 2>> corners;  // given order
        std::vector<int> want;                       // indices into corners
    };
    const Row rows[] = {
        {"two rows, serpentine",
         {{40, 20}, {0, 0}, {20, 20}, {40, 0}, {0, 20}, {20, 0}},
         {1, 5, 3, 0, 2, 4}},
        {"another row three times nearer wins", {{100, 0}, {10, 12}, {0, 0}}, {2, 1, 0}},
    };
    for (const Row& r : rows) {
        OwnedLoops loops;
        std::vector<CGeLoop*> made;
        for (const auto& c : r.corners) {
            made.push_back(SquareLoop(c[0], c[1], 5));
            loops.list.AddTail(made.back());
        }
        CGeTool2D tool;
        tool.RankLoopPosition(&loops.list);
        std::vector<CGeLoop*> got, want;
        for (CGeLoop* l : loops.list) got.push_back(l);
        for (int i : r.want) want.push_back(made[static_cast<std::size_t>(i)]);
        EXPECT_EQ(got, want) << r.label;
    }
}

TEST_F(RegionsTest, RegionRankingEndsOnNullEntries)
{
    OwnedRegions regions;
    regions.list.AddTail(nullptr);
    auto* region = new CGeRegion;
    region->GetLoopList().AddTail(SquareLoop(0, 0, 1));
    region->CalcBox2d();
    regions.list.AddTail(region);
    regions.list.AddTail(nullptr);
    CGeTool2D tool;
    tool.RankRegionListNearest(&regions.list);
    ASSERT_EQ(regions.list.GetCount(), 1);
    EXPECT_EQ(regions.list.GetHead(), region);
}

TEST_F(RegionsTest, ChainedCurvesBecomeRegions)
{
    // The whole road: loose lines of a frame with a window, chained with gaps
    // of 0.02 at tol 0.03, classified, sorted and made into one region.
    OwnedCurves curves;
    const double g = 0.02;
    curves.list.AddTail(Line(0, 0, 10, 0));
    curves.list.AddTail(Line(10, g, 10, 10));
    curves.list.AddTail(Line(0, 10, 10 - g, 10));  // backwards
    curves.list.AddTail(Line(0, g, 0, 10 - g));     // backwards
    curves.list.AddTail(Line(3, 3, 7, 3));
    curves.list.AddTail(Line(7, 7, 7, 3 + g));      // backwards
    curves.list.AddTail(Line(7, 7, 3, 7));
    curves.list.AddTail(Line(3, 7, 3, 3 + g));
    ShuffleAndReverse(curves.list, 4);
    OwnedLoops loops, open, closed;
    CGeTool2D tool;
    tool.ReCreateLoop(&curves.list, &loops.list, 0.03, true, false);
    tool.ClassifyLoop(&loops.list, &open.list, &closed.list, 0.03);
    EXPECT_TRUE(open.list.IsEmpty());
    OwnedRegions regions;
    tool.CreateRegion(&closed.list, &regions.list);
    ASSERT_EQ(regions.list.GetCount(), 1);
    EXPECT_EQ(regions.list.GetHead()->GetLoopList().GetCount(), 2);
    // Closing the gaps moves corners by up to g: the area changes by at most
    // g times the perimeters.
    EXPECT_NEAR(regions.list.GetHead()->EvArea(0.01), 100.0 - 16.0, g * (40 + 16));
    const BOX2<double> b = BoxOf(regions.list.GetHead());
    EXPECT_NEAR(b.xmax - b.xmin, 10.0, 0.03);
}

}  // namespace
