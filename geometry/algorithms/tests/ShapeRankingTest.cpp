// Rankings of separate shapes: bands of rows or columns, nesting, nearest
// next loop. Expected orders come from the layout of the fixtures (which
// part sits in which row and column), and the nearest-loop ranking is
// compared with a plain scan over every remaining loop.
#include "LoopFixtures.h"

#include "framework/numerak/Box2D.h"

#include <cstdint>
#include <map>
#include <string>

namespace {

using namespace looptest;

// A rectangular loop, counter-clockwise from its lower left corner.
CGeLoop* Rect(double x0, double y0, double w, double h)
{
    return PolygonLoop({{x0, y0}, {x0 + w, y0}, {x0 + w, y0 + h}, {x0, y0 + h}});
}

// cols x rows parts on a pitch; heights[j] is the height of row j's parts
// (rows of unequal heights); ids[part] = column + 100 * row.
struct Grid {
    OwnedLoops parts;
    std::map<CGeLoop*, int> ids;
};

void MakeGrid(Grid& g, int cols, const std::vector<double>& heights, double pitchX, unsigned shuffleSeed)
{
    std::vector<CGeLoop*> v;
    double y = 0.0;
    for (std::size_t j = 0; j < heights.size(); ++j) {
        for (int i = 0; i < cols; ++i) {
            // Parts of one row differ in height too, so bands are not all alike.
            CGeLoop* l = Rect(i * pitchX, y, 4.0, heights[j] * (1.0 + 0.2 * (i % 3)));
            g.ids[l] = i + 100 * static_cast<int>(j);
            v.push_back(l);
        }
        y += heights[j] * 1.4 + 3.0;
    }
    std::mt19937 rng(shuffleSeed);
    std::shuffle(v.begin(), v.end(), rng);
    for (CGeLoop* l : v) g.parts.list.AddTail(l);
}

std::vector<int> Ids(const Grid& g)
{
    std::vector<int> out;
    for (CGeLoop* l : g.parts.list) out.push_back(g.ids.at(l));
    return out;
}

TEST(ShapeRankingTest, GridsGoBandByBandFromTheLowerLeftEnteringEachBandAtItsNearerCorner)
{
    struct Case {
        const char* label;
        int columns;
        int byBoxCentre;
    };
    for (const Case& c : {Case{"rows by centre", 0, 1}, Case{"rows by start", 0, 0}, Case{"columns by centre", 1, 1},
                          Case{"columns by start", 1, 0}}) {
        Grid g;
        const std::vector<double> heights = {2.0, 6.0, 3.0};
        const int cols = 4;
        MakeGrid(g, cols, heights, 7.0, 5);
        // Sentinels in the extra data words: the ranking keeps its keys elsewhere.
        for (CGeLoop* l : g.parts.list) l->CGeShape2d::SetExtData(0xABCD);
        CObList* list = &g.parts.list;
        list->AddHead(static_cast<CObject*>(nullptr));
        CGeTool2D().RankCurveListInAxis(list, c.columns, c.byBoxCentre);

        std::vector<int> expected;
        const int rows = static_cast<int>(heights.size());
        if (c.columns == 0) {
            for (int j = 0; j < rows; ++j)
                for (int k = 0; k < cols; ++k) expected.push_back((j % 2 ? cols - 1 - k : k) + 100 * j);
        } else {
            for (int i = 0; i < cols; ++i)
                for (int k = 0; k < rows; ++k) expected.push_back(i + 100 * (i % 2 ? rows - 1 - k : k));
        }
        EXPECT_EQ(Ids(g), expected) << c.label;
        for (CGeLoop* l : g.parts.list) EXPECT_EQ(l->GetExtData(), 0xABCDu) << c.label;
    }
}

TEST(ShapeRankingTest, BandsOfUnequalHeightsKeepTheirMembersTogether)
{
    // A tall part and short parts whose bottoms differ slightly share a row.
    OwnedLoops parts;
    CGeLoop* tall = Rect(0, 0, 3, 9);
    CGeLoop* shortRaised = Rect(5, 0.05, 3, 2);
    CGeLoop* shortLow = Rect(10, 0, 3, 1);
    CGeLoop* above = Rect(2, 12, 3, 2);
    for (CGeLoop* l : {above, shortLow, tall, shortRaised}) parts.list.AddTail(l);
    CGeTool2D().RankCurveListInAxis(&parts.list, 0, 1);
    std::vector<CGeLoop*> got;
    for (CGeLoop* l : parts.list) got.push_back(l);
    EXPECT_EQ(got, (std::vector<CGeLoop*>{tall, shortRaised, shortLow, above}));
}

TEST(ShapeRankingTest, BottommostBandLeavesTheRestAndReportsItsBox)
{
    OwnedLoops rest;
    CGeLoop* a = Rect(0, 0, 2, 2);
    CGeLoop* b = Rect(4, 0.5, 2, 2);
    CGeLoop* c = Rect(0, 10, 2, 2);
    for (CGeLoop* l : {c, b, a}) rest.list.AddTail(l);
    CObList band;
    BOX2<double> box;
    box.InitEmpty();
    CGeTool2D().GetBottommostOrLefttest(&rest.list, 1, &band, box);
    ASSERT_EQ(band.GetCount(), 2);
    // The shape beside the seed first, then the one only level with it.
    EXPECT_EQ(band.GetHead(), a);
    EXPECT_EQ(band.GetTail(), b);
    ASSERT_EQ(rest.list.GetCount(), 1);
    EXPECT_EQ(rest.list.GetHead(), c);
    EXPECT_DOUBLE_EQ(box.xmin, 0.0);
    EXPECT_DOUBLE_EQ(box.ymin, 0.0);
    EXPECT_DOUBLE_EQ(box.xmax, 6.0);
    EXPECT_DOUBLE_EQ(box.ymax, 2.5);
    band.RemoveAll();  // a and b are owned here
    delete a;
    delete b;
}

TEST(ShapeRankingTest, RegionsAndTheirHolesGoByRows)
{
    OwnedRegions regions;
    std::vector<CGeRegion*> byPlace;  // lower row left to right, then upper row right to left
    std::vector<std::vector<CGeLoop*>> holesByPlace;
    for (int j = 0; j < 2; ++j) {
        for (int i = 0; i < 2; ++i) {
            auto* r = new CGeRegion;
            const double x0 = i * 30.0, y0 = j * 30.0;
            r->GetLoopList().AddTail(Rect(x0, y0, 20, 20));
            // Holes in two rows of two, given in scrambled order.
            std::vector<CGeLoop*> holes = {Rect(x0 + 2, y0 + 2, 3, 3), Rect(x0 + 10, y0 + 2, 3, 3),
                                           Rect(x0 + 10, y0 + 10, 3, 3), Rect(x0 + 2, y0 + 10, 3, 3)};
            for (int k : {2, 0, 3, 1}) r->GetLoopList().AddTail(holes[static_cast<std::size_t>(k)]);
            r->CalcBox2d();
            byPlace.push_back(r);
            holesByPlace.push_back(holes);
        }
    }
    std::swap(byPlace[2], byPlace[3]);
    std::swap(holesByPlace[2], holesByPlace[3]);
    for (int k : {3, 1, 0, 2}) regions.list.AddTail(byPlace[static_cast<std::size_t>(k)]);
    CGeTool2D().RankRegionListInAxis(&regions.list, 0);

    std::size_t at = 0;
    for (CGeRegion* r : regions.list) {
        ASSERT_EQ(r, byPlace[at]) << "region " << at;
        std::vector<CGeLoop*> loops;
        for (CGeLoop* l : r->GetLoopList()) loops.push_back(l);
        ASSERT_EQ(loops.size(), 5u);
        const std::vector<CGeLoop*>& h = holesByPlace[at];
        // The outer loop stays first; the holes snake from the lower left.
        EXPECT_EQ(std::vector<CGeLoop*>(loops.begin() + 1, loops.end()),
                  (std::vector<CGeLoop*>{h[0], h[1], h[2], h[3]}))
            << "region " << at;
        ++at;
    }
}

TEST(ShapeRankingTest, InnerShapesComeBeforeTheShapesHoldingThem)
{
    OwnedRegions regions;
    auto region = [](double x0, double y0, double side) {
        auto* r = new CGeRegion;
        r->GetLoopList().AddTail(Rect(x0, y0, side, side));
        r->CalcBox2d();
        return r;
    };
    CGeRegion* big = region(0, 0, 100);
    CGeRegion* apart = region(200, 0, 10);
    CGeRegion* medium = region(10, 10, 50);
    CGeRegion* small = region(20, 20, 5);
    CGeRegion* inApart = region(202, 2, 3);
    for (CGeRegion* r : {big, apart, medium, small, inApart}) regions.list.AddTail(r);
    regions.list.AddTail(static_cast<CGeRegion*>(nullptr));
    CGeTool2D().RankRegionListInner(&regions.list);

    std::vector<CGeRegion*> got;
    for (CGeRegion* r : regions.list)
        if (r) got.push_back(r);
    ASSERT_EQ(got.size(), 5u);
    auto boxOf = [](CGeRegion* r) {
        BOX2<double> b;
        r->GetBox2d(&b);
        return b;
    };
    for (std::size_t i = 0; i < got.size(); ++i)
        for (std::size_t j = i + 1; j < got.size(); ++j)
            EXPECT_FALSE(BOX2D_IsContain(boxOf(got[i]), boxOf(got[j]), 0.1))
                << "position " << j << " lies inside position " << i;
}

// An open chain of one line as a loop, with a cached area to watch the sign of.
CGeLoop* OpenLoop(double x1, double y1, double x2, double y2, double area)
{
    auto* l = new CGeLoop;
    l->AddTail(Line(x1, y1, x2, y2), 1);
    l->m_dArea = area;
    return l;
}

// The plain scan: from the last end, every remaining loop's start, then (with
// allowReverse) its end; strictly nearer replaces.
std::vector<std::pair<CGeLoop*, bool>> ReferenceNearest(std::vector<CGeLoop*> rest, bool allowReverse)
{
    std::vector<std::pair<CGeLoop*, bool>> out{{rest.front(), false}};
    double p[2];
    rest.front()->GetEndPoint(p);
    rest.erase(rest.begin());
    while (!rest.empty()) {
        double best = 1e12;
        std::size_t pick = 0;
        bool byEnd = false;
        for (std::size_t i = 0; i < rest.size(); ++i) {
            double s[2], e[2];
            rest[i]->GetStartPoint(s);
            rest[i]->GetEndPoint(e);
            if (P2D_Dist(p, s) < best) {
                best = P2D_Dist(p, s);
                pick = i;
                byEnd = false;
            }
            if (allowReverse && P2D_Dist(p, e) < best) {
                best = P2D_Dist(p, e);
                pick = i;
                byEnd = true;
            }
        }
        double s[2], e[2];
        rest[pick]->GetStartPoint(s);
        rest[pick]->GetEndPoint(e);
        p[0] = byEnd ? s[0] : e[0];
        p[1] = byEnd ? s[1] : e[1];
        out.emplace_back(rest[pick], byEnd);
        rest.erase(rest.begin() + static_cast<std::ptrdiff_t>(pick));
    }
    return out;
}

TEST(ShapeRankingTest, NearestDistanceSortMatchesThePlainScanAndReversesLoopsEnteredAtTheirEnd)
{
    {
        SCOPED_TRACE("hand case");
        for (const bool allowReverse : {false, true}) {
            OwnedLoops loops;
            CGeLoop* l0 = OpenLoop(0, 0, 1, 0, 3.0);
            CGeLoop* l1 = OpenLoop(10, 0, 12, 0, 4.0);
            CGeLoop* l2 = OpenLoop(5, 0, 2, 0, 5.0);  // its end is nearest to l0's end
            for (CGeLoop* l : {l0, l1, l2}) loops.list.AddTail(l);
            CGeTool2D().NearestDistanceSort(&loops.list, allowReverse);
            std::vector<CGeLoop*> got;
            for (CGeLoop* l : loops.list) got.push_back(l);
            EXPECT_EQ(got, (std::vector<CGeLoop*>{l0, l2, l1})) << allowReverse;
            double s[2];
            l2->GetStartPoint(s);
            EXPECT_DOUBLE_EQ(s[0], allowReverse ? 2.0 : 5.0);
            EXPECT_DOUBLE_EQ(l2->m_dArea, allowReverse ? -5.0 : 5.0);
            EXPECT_DOUBLE_EQ(l1->m_dArea, 4.0);
        }
    }
    std::mt19937 rng(8);
    for (int round = 0; round < 40; ++round) {
        const bool allowReverse = round % 2 == 1;
        // Integer coordinates on a small lattice: many equal distances.
        std::uniform_int_distribution<int> at(0, round < 20 ? 6 : 200);
        OwnedLoops loops;
        std::vector<CGeLoop*> input;
        const int n = 2 + round * 3;
        for (int i = 0; i < n; ++i) {
            double x1 = at(rng), y1 = at(rng), x2 = at(rng), y2 = at(rng);
            if (x1 == x2 && y1 == y2) x2 += 1;
            input.push_back(OpenLoop(x1, y1, x2, y2, 1.0));
            loops.list.AddTail(input.back());
        }
        const auto expected = ReferenceNearest(input, allowReverse);
        CGeTool2D().NearestDistanceSort(&loops.list, allowReverse);
        std::size_t k = 0;
        for (CGeLoop* l : loops.list) {
            ASSERT_EQ(l, expected[k].first) << "round " << round << " position " << k;
            EXPECT_EQ(l->m_dArea, expected[k].second ? -1.0 : 1.0) << "round " << round << " position " << k;
            ++k;
        }
        EXPECT_EQ(k, input.size()) << "round " << round;
    }
}

TEST(ShapeRankingTest, SearchNearestLoopTakesTheFirstOfEquals)
{
    OwnedLoops loops;
    CGeLoop* far = OpenLoop(9, 9, 10, 10, 1.0);
    CGeLoop* a = OpenLoop(1, 0, 2, 0, 1.0);
    CGeLoop* b = OpenLoop(-1, 0, -2, 0, 1.0);
    loops.list.AddTail(static_cast<CGeLoop*>(nullptr));
    for (CGeLoop* l : {far, a, b}) loops.list.AddTail(l);
    double p[2] = {0.0, 0.0};
    CGeTool2D tool;
    EXPECT_EQ(tool.SearchNearestLoop(&loops.list, p, false), a);
    EXPECT_EQ(loops.list.GetCount(), 4);
    EXPECT_EQ(tool.SearchNearestLoop(&loops.list, p, true), a);
    EXPECT_EQ(loops.list.GetCount(), 3);
    delete a;
    EXPECT_EQ(tool.SearchNearestLoop(&loops.list, p, true), b);
    delete b;
    EXPECT_EQ(tool.SearchNearestLoop(nullptr, p, true), nullptr);
}

}  // namespace
