// Loop offsets against Clipper's offsets and exact distances: random pockets with round
// and polygonal holes, inward and outward, with round, square, mitred corners.
#include "OffsetOracle.h"

#include "toolpath/contours/CornerType.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <string>

namespace {

using namespace offsettest;
using clipperpaths::TreeCounts;

struct JoinRow {
    const char* label;
    int type;
    ClipperLib::JoinType join;
};

// The corner types with Clipper's matching join; angle limits 0 so that every corner
// takes the type's own treatment.
const JoinRow kJoins[] = {
    {"round (type 4)", 4, ClipperLib::jtRound},
    {"bevel (type 1)", 1, ClipperLib::jtSquare},
    {"sharp (type 3)", 3, ClipperLib::jtMiter},
};

bool Simple(const Polygon& p)
{
    const ClipperLib::Path path = clipperpaths::ToPath(p);
    ClipperLib::Paths out;
    ClipperLib::SimplifyPolygon(path, out, ClipperLib::pftNonZero);
    return out.size() == 1 && std::fabs(std::fabs(ClipperLib::Area(out[0])) - std::fabs(ClipperLib::Area(path))) < 1.0;
}

// Result contours simple, islands inside their outer loop and on its other side.
void ExpectWellFormed(CSmartLoop* chain, bool outerCcw, const std::string& label)
{
    looptest::Orientation o;
    for (CSmartLoop* L = chain; L; L = L->next) {
        const Polygon outer = curvetest::Flatten(*L->contour);
        EXPECT_TRUE(Simple(outer)) << label;
        EXPECT_EQ(looptest::Shoelace(outer) > 0, outerCcw) << label;
        for (CSmartLoop* i = L->islands; i; i = i->next) {
            const Polygon hole = curvetest::Flatten(*i->contour);
            EXPECT_TRUE(Simple(hole)) << label;
            EXPECT_EQ(looptest::Shoelace(hole) > 0, !outerCcw) << label << " island direction";
            EXPECT_NE(o.Winding(outer, hole[0]), 0) << label << " island outside its loop";
        }
    }
}

TEST(LoopOffset, PocketsAgainstClipperOffsets)
{
    std::mt19937 rng(20261210);
    int compared = 0;
    for (int shape = 0; shape < 12; ++shape) {
        const Pocket k = RandomPocket(rng, 8 + shape * 3, shape % 4);
        const ClipperLib::Paths src = PocketPaths(k);
        for (const JoinRow& j : kJoins)
            for (int mode : {0, 2})
                for (double d : {0.5, 2.0}) {
                    const std::string label = std::string(j.label) + " mode " + std::to_string(mode) + " d " +
                                              std::to_string(d) + " shape " + std::to_string(shape);
                    CSmartLoop* L = PocketLoop(k);
                    DVN_CornerType corner{j.type, 0, 0};
                    CSmartLoop* R = L->OffsetContour(mode, d, -1, corner);
                    const ClipperLib::Paths peer =
                        clipperpaths::Offset(src, mode == 0 ? -d : d, j.join, 1e6);
                    const ClipperLib::Paths ours = ChainPaths(R);
                    const double x = clipperpaths::XorArea(ours, ClipperLib::pftEvenOdd, peer, ClipperLib::pftNonZero);
                    EXPECT_LE(x, 2 * 0.001 * (clipperpaths::Perimeter(peer) + clipperpaths::Perimeter(ours)) + 1e-6) << label;
                    const TreeCounts a = ChainCounts(R), b = clipperpaths::Counts(peer, ClipperLib::pftNonZero);
                    EXPECT_EQ(a.outers, b.outers) << label;
                    EXPECT_EQ(a.holes, b.holes) << label;
                    ExpectWellFormed(R, true, label);
                    if (j.type == 4)
                        for (const P& p : SamplePoints(R, 8)) {
                            const double e = BoundaryDist(k, p);
                            // Turns below 0.05 rad stay sharp: their mitre reaches a little beyond d.
                            ASSERT_GE(e, d - 1e-6) << label;
                            ASSERT_LE(e, d / std::cos(0.025) + 1e-6) << label;
                        }
                    ++compared;
                    CSmartLoop::DeleteLoopChain(R);
                    delete L;
                }
    }
    EXPECT_EQ(compared, 12 * 3 * 2 * 2);
}

}  // namespace

namespace {

CSmartLoop* Rect(double x0, double y0, double x1, double y1)
{
    return looptest::PolygonLoop({{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}});
}

// Clipper's area of the polygons offset by d with round joins.
double PeerArea(const std::vector<Polygon>& polys, double d)
{
    return clipperpaths::ModelArea(clipperpaths::Offset(clipperpaths::ToPaths(polys), d, ClipperLib::jtRound));
}

// Twice the geometric area (the stored measure) within the arcs' chord error.
void ExpectArea(double stored, double peer, double perimeter, const std::string& label)
{
    EXPECT_NEAR(stored / 2, peer, 0.01 * perimeter) << label;
}

int ChainLength(CSmartLoop* c)
{
    int n = 0;
    for (; c; c = c->next)
        ++n;
    return n;
}

TEST(LoopOffset, NeckSplitsNotchVanishesSmallDistanceCopies)
{
    DVN_CornerType corner{4, 0, 0};
    // A dumbbell: two 10 x 10 squares joined by a neck 1 wide; inward by 1 it splits.
    const Polygon bellShape = {{0, 0},  {10, 0},  {10, 4.5}, {20, 4.5},  {20, 0},  {30, 0},
                               {30, 10}, {20, 10}, {20, 5.5}, {10, 5.5}, {10, 10}, {0, 10}};
    CSmartLoop* bell = looptest::PolygonLoop(bellShape);
    CSmartLoop* R = bell->OffsetLoop(1, corner);
    ASSERT_EQ(ChainLength(R), 2) << "neck";
    ExpectArea(R->area + R->next->area, PeerArea({bellShape}, -1), 80, "neck");
    double start[2];
    bell->contour->head->GetPoint(0, start);
    for (CSmartLoop* L = R; L; L = L->next) {
        // Each piece starts at its section nearest to the source's start.
        double q[2], d;
        EXPECT_EQ(L->contour->FindNearSect(start, q, d), L->contour->head) << "neck piece start";
    }
    CSmartLoop::DeleteLoopChain(R);
    delete bell;

    // A square with a notch 1.5 wide: inward by 1 the notch closes and nothing forms in it.
    const Polygon notchShape = {{0, 0}, {20, 0}, {20, 10}, {10.75, 10}, {10.75, 30}, {9.25, 30}, {9.25, 10}, {0, 10}};
    CSmartLoop* notch = looptest::PolygonLoop(notchShape);
    R = notch->OffsetLoop(1, corner);
    ASSERT_EQ(ChainLength(R), 1) << "notch";
    ExpectArea(R->area, PeerArea({notchShape}, -1), 60, "notch");
    CSmartLoop::DeleteLoopChain(R);

    for (double d : {0.0, -1.0, 1e-7, std::nan("")}) {
        CSmartLoop* copy = notch->OffsetLoop(d, corner);
        ASSERT_NE(copy, nullptr) << d;
        EXPECT_EQ(copy->next, nullptr) << d;
        EXPECT_EQ(copy->area, notch->area) << d;
        EXPECT_NE(copy->contour, notch->contour) << d;
        delete copy;
    }
    delete notch;
    CSmartLoop empty;
    EXPECT_EQ(empty.OffsetLoop(1, corner), nullptr);
}

TEST(LoopOffset, RoundHolesStayArcsAboutTheirCentres)
{
    // Mode 0 grows the holes to radius r + d, mode 2 shrinks them to r - d; each stays one
    // full arc about its centre.
    offsettest::Pocket k{{{0, 0}, {40, 0}, {40, 40}, {0, 40}}, {}, {{{10, 10}, 3}, {{30, 25}, 4}}};
    DVN_CornerType corner{4, 0, 0};
    for (int mode : {0, 2}) {
        CSmartLoop* L = offsettest::PocketLoop(k);
        const double d = 1;
        CSmartLoop* R = L->OffsetContour(mode, d, -1, corner);
        ASSERT_EQ(ChainLength(R), 1) << mode;
        int n = 0;
        for (CSmartLoop* h = R->islands; h; h = h->next, ++n) {
            ASSERT_EQ(h->contour->count, 1) << mode;
            ASSERT_TRUE(h->contour->head->IsSectArc()) << mode;
            auto* a = static_cast<CSmartArc*>(h->contour->head);
            bool matched = false;
            for (const auto& c : k.circles)
                matched = matched || (std::hypot(a->centre[0] - c.c[0], a->centre[1] - c.c[1]) < 1e-12 &&
                                      std::fabs(a->radius - (mode == 0 ? c.r + d : c.r - d)) < 1e-12);
            EXPECT_TRUE(matched) << "mode " << mode << " hole " << n;
            EXPECT_NEAR(std::fabs(a->endAngle - a->startAngle), 2 * std::numbers::pi, 1e-12);
        }
        EXPECT_EQ(n, 2) << mode;
        CSmartLoop::DeleteLoopChain(R);
        delete L;
    }
}

TEST(LoopOffset, IslandsGrowAndWeld)
{
    DVN_CornerType corner{4, 0, 0};
    CSmartLoop* L = Rect(0, 0, 100, 100);
    // Two islands 1 apart weld into one grown island.
    auto island = [](std::vector<P> pts) {
        std::reverse(pts.begin(), pts.end());
        return looptest::PolygonLoop(pts);
    };
    L->AddIsland(island({{10, 10}, {20, 10}, {20, 20}, {10, 20}}));
    L->AddIsland(island({{21, 10}, {31, 10}, {31, 20}, {21, 20}}));
    CSmartLoop* grown = L->OffsetIsland(1, corner, 1);
    ASSERT_EQ(ChainLength(grown), 1);
    EXPECT_GT(grown->area, 0);
    ExpectArea(grown->area, PeerArea({{{10, 10}, {20, 10}, {20, 20}, {10, 20}}, {{21, 10}, {31, 10}, {31, 20}, {21, 20}}}, 1), 8,
               "welded islands");
    CSmartLoop::DeleteLoopChain(grown);
    delete L;
}

TEST(LoopOffset, OutwardListResultsRunClockwiseWithPositiveArea)
{
    // Two squares 1 apart, grown by 1 with OffsetContourList in mode 2: welded into one
    // loop, clockwise, its stored area positive; the same with mode 0 stays two loops.
    CSmartLoop* chain = Rect(0, 0, 10, 10);
    CSmartLoop::AppendChain(chain, Rect(11, 0, 21, 10));
    DVN_CornerType corner{4, 0, 0};
    const double d[2] = {1, 1};
    CSmartLoop* out = CSmartLoop::OffsetContourList(chain, 2, d, corner);
    ASSERT_EQ(ChainLength(out), 1);
    EXPECT_GT(out->area, 0);
    EXPECT_LT(looptest::Shoelace(curvetest::Flatten(*out->contour)), 0);
    CSmartLoop::DeleteLoopChain(out);
    CSmartLoop* in = CSmartLoop::OffsetContourList(chain, 0, d, corner);
    EXPECT_EQ(ChainLength(in), 2);
    EXPECT_EQ(in->tag, 1);
    EXPECT_EQ(in->next->tag, 2);
    CSmartLoop::DeleteLoopChain(in);
    // The sources are as they were.
    EXPECT_DOUBLE_EQ(chain->area, 200);
    EXPECT_GT(looptest::Shoelace(curvetest::Flatten(*chain->contour)), 0);
    CSmartLoop::DeleteLoopChain(chain);
    EXPECT_EQ(CSmartLoop::OffsetContourList(nullptr, 0, d, corner), nullptr);
}

TEST(LoopOffset, OtherModesCopyTheRegion)
{
    DVN_CornerType corner{4, 0, 0};
    CSmartLoop* L = Rect(0, 0, 10, 10);
    L->AddIsland(looptest::PolygonLoop({{2, 2}, {2, 4}, {4, 4}, {4, 2}}));
    CSmartLoop* c = L->OffsetContour(1, 2, -1, corner);
    ASSERT_NE(c, nullptr);
    EXPECT_DOUBLE_EQ(c->area, 200);
    ASSERT_NE(c->islands, nullptr);
    EXPECT_DOUBLE_EQ(c->islands->area, -8);
    delete c;
    delete L;
}

}  // namespace
