// The exported loop functions at the geometry library's boundary: region conversion both
// ways for every member kind, clean-up, offsets and Booleans against Clipper, inputs left
// alone, bad input.
#include "GeLoopFixtures.h"
#include "LoopOracle.h"

#include "toolpath/contours/SmartLoop.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <string>

namespace {

using namespace apitest;
constexpr double kPi = std::numbers::pi;

int Count(GeLoopList& l) { return static_cast<int>(l.GetCount()); }

double SignedArea(CGeLoop* l) { return looptest::Shoelace(Flatten(l)) / 2; }

TEST(LoopApi, RegionToSmartLoopAndBackForEveryMemberKind)
{
    // Outer: a line, a counter-clockwise arc and a polyline; holes: a clockwise circle
    // (direction 0), a counter-clockwise circle reversed by hand is not made: holes are
    // taken as given; a clockwise arc pair; a clockwise polyline.
    auto* outer = new CGeLoop;
    const double a[2] = {0, 0}, b[2] = {20, 0};
    outer->AddTail(new CGeLine(a, b), 1);
    auto* arc = new CGeArc;
    const double c[2] = {20, 10};
    arc->CreateCSEAngle(c, 10, -kPi / 2, kPi / 2);  // (20, 0) to (20, 20), counter-clockwise
    outer->AddTail(arc, 1);
    const double pl[3][2] = {{20, 20}, {0, 20}, {0, 0}};
    auto* poly = new CGePolyline;
    poly->Create(3, pl);
    outer->AddTail(poly, 1);
    auto* circleHole = CircleLoop({5, 5}, 2, 0);
    auto* arcHole = new CGeLoop;  // two clockwise half circles about (15, 10)
    for (double s : {kPi, 0.0}) {
        auto* h = new CGeArc;
        const double hc[2] = {15, 10};
        h->CreateCSEAngle(hc, 2, s, s - kPi);
        arcHole->AddTail(h, 1);
    }
    auto* polyHole = PolylineLoop({{3, 13}, {3, 17}, {7, 17}, {7, 13}});
    std::unique_ptr<CGeRegion> region(Region({outer, circleHole, arcHole, polyHole}));

    CSmartLoop* L = ConvertRegionToSmartLoop(region.get());
    ASSERT_NE(L, nullptr);
    EXPECT_EQ(L->contour->count, 4);  // line, arc, two polyline segments
    EXPECT_NEAR(L->area / 2, 400 + kPi * 50, 0.01 * 10 * kPi);
    int islands = 0;
    for (CSmartLoop* i = L->islands; i; i = i->next, ++islands)
        EXPECT_LT(i->area, 0) << "island " << islands;
    EXPECT_EQ(islands, 3);
    auto* full = static_cast<CSmartArc*>(L->islands->contour->head);
    EXPECT_FALSE(full->IsCounterClockwise()) << "circle of direction 0";

    Loops back;
    ConverSmartLoopToGeLoopList(L, &back);
    ASSERT_EQ(Count(back), 4);
    const double expected[4] = {400 + kPi * 50, -kPi * 4, -kPi * 4, -16};
    int k = 0;
    for (POSITION pos = back.GetHeadPosition(); pos; ++k)
        EXPECT_NEAR(SignedArea(back.GetNext(pos)), expected[k], 0.002 * 70) << "loop " << k;
    delete L;

    EXPECT_EQ(ConvertRegionToSmartLoop(nullptr), nullptr);
    CGeRegion empty;
    EXPECT_EQ(ConvertRegionToSmartLoop(&empty), nullptr);
}

TEST(LoopApi, ListCirclesRunCounterClockwise)
{
    // The list functions take every circle counter-clockwise, whatever its flag.
    for (int dir : {0, 1}) {
        Loops in, out;
        in.AddTail(CircleLoop({0, 0}, 5, dir));
        acGeLoopListOffset(&in, 1, 4, 0, &out);
        ASSERT_EQ(Count(out), 1) << dir;
        EXPECT_NEAR(SignedArea(out.GetHead()), kPi * 16, 0.001 * 8 * kPi) << dir;  // chords at 0.001
    }
}

TEST(LoopApi, RefineSplitsAFigureEight)
{
    Loops in, out;
    in.AddTail(PolylineLoop({{0, 0}, {10, 10}, {10, 0}, {0, 10}}));
    const std::vector<double> before = Describe(in);
    acRefineGeLoopList(&in, &out);
    EXPECT_EQ(Count(out), 2);
    EXPECT_EQ(Describe(in), before);
}

TEST(LoopApi, OffsetExGivesOnePiecePerLoopOffsetGivesAll)
{
    const Polygon bell = {{0, 0}, {10, 0}, {10, 4.5}, {20, 4.5}, {20, 0}, {30, 0},
                          {30, 10}, {20, 10}, {20, 5.5}, {10, 5.5}, {10, 10}, {0, 10}};
    Loops in, ex, all;
    in.AddTail(PolylineLoop(bell));
    acGeLoopListOffsetEx(&in, 1, 4, 0, &ex);
    acGeLoopListOffset(&in, 1, 4, 0, &all);
    EXPECT_EQ(Count(ex), 1);
    EXPECT_EQ(Count(all), 2);
}

TEST(LoopApi, NestedLoopBecomesAnIslandReturnedFirst)
{
    Loops in, out;
    in.AddTail(LinesLoop({{0, 0}, {40, 0}, {40, 40}, {0, 40}}));
    in.AddTail(LinesLoop({{10, 10}, {20, 10}, {20, 20}, {10, 20}}));
    acGeLoopListOffset(&in, 1, 3, 0, &out);
    ASSERT_EQ(Count(out), 2);
    // The grown island (12 x 12, clockwise) comes before the shrunk outer loop (38 x 38).
    EXPECT_NEAR(SignedArea(out.GetHead()), -144, 1e-9);
    EXPECT_NEAR(SignedArea(out.GetTail()), 38 * 38, 1e-9);
}

TEST(LoopApi, OutwardResultsRunClockwise)
{
    Loops in, out;
    in.AddTail(LinesLoop({{0, 0}, {10, 0}, {10, 10}, {0, 10}}));
    acGeLoopListOffset(&in, 1, 3, 2, &out);
    ASSERT_EQ(Count(out), 1);
    EXPECT_NEAR(SignedArea(out.GetHead()), -144, 1e-9);
}

// Offsets of random pockets through the list function against Clipper's, both ways.
TEST(LoopApi, ListOffsetsAgainstClipper)
{
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> ua(0, 2 * kPi), ur(15, 30);
    for (int k = 0; k < 6; ++k) {
        std::vector<double> ang(20);
        for (double& x : ang)
            x = ua(rng);
        std::sort(ang.begin(), ang.end());
        Polygon star;
        for (double x : ang) {
            const double r = ur(rng);
            star.push_back({r * std::cos(x), r * std::sin(x)});
        }
        for (int mode : {0, 2})
            for (double d : {0.5, 2.0}) {
                Loops in, out;
                in.AddTail(PolylineLoop(star));
                in.AddTail(CircleLoop({0, 0}, 3, 1));
                acGeLoopListOffset(&in, d, 4, mode, &out);
                const ClipperLib::Paths src = clipperpaths::ToPaths({star, Flatten(in.GetTail())});
                ClipperLib::Paths srcOriented;
                // The circle is a hole of the star: Clipper needs it clockwise.
                srcOriented.push_back(src[0]);
                ClipperLib::Path hole = src[1];
                std::reverse(hole.begin(), hole.end());
                srcOriented.push_back(hole);
                const ClipperLib::Paths peer = clipperpaths::Offset(srcOriented, mode == 0 ? -d : d, ClipperLib::jtRound);
                const ClipperLib::Paths ours = ListPaths(out);
                const double x = clipperpaths::XorArea(ours, ClipperLib::pftEvenOdd, peer, ClipperLib::pftNonZero);
                EXPECT_LE(x, 0.002 * 2 * 300) << "star " << k << " mode " << mode << " d " << d;
            }
    }
}

struct BoolCase {
    std::string label;
    Regions a, b;
};

ClipperLib::Paths PeerOp(const ClipperLib::Paths& a, const ClipperLib::Paths& b, ClipperLib::ClipType op)
{
    ClipperLib::Clipper c;
    c.AddPaths(a, ClipperLib::ptSubject, true);
    c.AddPaths(b, ClipperLib::ptClip, true);
    ClipperLib::Paths out;
    c.Execute(op, out, ClipperLib::pftNonZero, ClipperLib::pftNonZero);
    return out;
}

TEST(LoopApi, BooleansAgainstClipperWithOverlapsInsideOneList)
{
    // List a holds two overlapping squares; list b a disc with a square hole, shifted.
    Regions a, b;
    a.AddTail(Region({LinesLoop({{0, 0}, {10, 0}, {10, 10}, {0, 10}})}));
    a.AddTail(Region({PolylineLoop({{5, 5}, {15, 5}, {15, 15}, {5, 15}})}));
    b.AddTail(Region({CircleLoop({12, 3}, 6, 1), PolylineLoop({{11, 2}, {11, 4}, {13, 4}, {13, 2}})}));
    const std::vector<double> beforeA = Describe(a), beforeB = Describe(b);
    // Clipper unites each list first (nonzero over the list's own loops).
    const ClipperLib::Paths pa = clipperpaths::Normalised(RegionPaths(a), ClipperLib::pftNonZero);
    const ClipperLib::Paths pb = clipperpaths::Normalised(RegionPaths(b), ClipperLib::pftNonZero);
    const struct {
        int op;
        ClipperLib::ClipType peer;
    } ops[] = {{0, ClipperLib::ctDifference}, {1, ClipperLib::ctIntersection}, {3, ClipperLib::ctUnion}};
    double area[4] = {0, 0, 0, 0};
    for (const auto& o : ops) {
        Loops out;
        acGeLoopBool(&a, &b, o.op, &out);
        const ClipperLib::Paths peer = PeerOp(pa, pb, o.peer);
        const ClipperLib::Paths ours = ListPaths(out);
        EXPECT_LE(clipperpaths::XorArea(ours, ClipperLib::pftEvenOdd, peer, ClipperLib::pftNonZero), 0.002 * 120)
            << "op " << o.op;
        const auto x = clipperpaths::Counts(ours, ClipperLib::pftEvenOdd), y = clipperpaths::Counts(peer, ClipperLib::pftNonZero);
        EXPECT_EQ(x.outers, y.outers) << "op " << o.op;
        EXPECT_EQ(x.holes, y.holes) << "op " << o.op;
        area[o.op] = clipperpaths::ModelArea(clipperpaths::Normalised(ours, ClipperLib::pftEvenOdd));
        EXPECT_EQ(Describe(a), beforeA) << "op " << o.op;
        EXPECT_EQ(Describe(b), beforeB) << "op " << o.op;
    }
    EXPECT_NEAR(area[0] + area[1], clipperpaths::ModelArea(pa), 0.01) << "a - b plus a and b";
    Loops none;
    acGeLoopBool(&a, &b, 2, &none);
    EXPECT_EQ(Count(none), 0) << "op 2";
}

TEST(LoopApi, SliverThinnerThanTheThinningToleranceStillGrows)
{
    // A triangle 0.003 thick (from a coast): thinning at twice the curve tolerance would
    // collapse it, so it is taken unthinned and grows like Clipper's offset of it.
    const Polygon sliver = {{63.4309, 171.3283}, {64.1738, 172.1218}, {63.4695, 171.3741}};
    Loops in, out;
    in.AddTail(PolylineLoop(sliver));
    acGeLoopListOffset(&in, 0.5, 4, 2, &out);
    ASSERT_EQ(Count(out), 1);
    const double peer = clipperpaths::ModelArea(clipperpaths::Offset(clipperpaths::ToPaths({sliver}), 0.5, ClipperLib::jtRound));
    // Outward results run clockwise.
    EXPECT_NEAR(-SignedArea(out.GetHead()), peer, 0.01);
    Loops inward;
    acGeLoopListOffset(&in, 0.5, 4, 0, &inward);
    EXPECT_EQ(Count(inward), 0);
}

TEST(LoopApi, CallsLeaveTheCallersLoopsAlone)
{
    // Collinear vertices Lean would merge, a circle, a line loop: every list function
    // works on copies.
    Loops in;
    in.AddTail(PolylineLoop({{0, 0}, {5, 0}, {10, 0}, {10, 5}, {10, 10}, {0, 10}}));
    in.AddTail(CircleLoop({5, 5}, 2, 0));
    in.AddTail(LinesLoop({{20, 0}, {25, 0}, {30, 0}, {30, 10}, {20, 10}}));
    const std::vector<double> before = Describe(in);
    Loops out;
    acRefineGeLoopList(&in, &out);
    EXPECT_EQ(Describe(in), before) << "refine";
    acGeLoopListOffsetEx(&in, 1, 1, 0, &out);
    EXPECT_EQ(Describe(in), before) << "offset ex";
    for (int mode : {0, 2, 1}) {
        acGeLoopListOffset(&in, 1, 0, mode, &out);
        EXPECT_EQ(Describe(in), before) << "offset mode " << mode;
    }
}

TEST(LoopApi, BadInputGivesNothingOrCopies)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    Loops out;
    acRefineGeLoopList(nullptr, &out);
    acGeLoopListOffsetEx(nullptr, 1, 4, 0, &out);
    acGeLoopListOffset(nullptr, 1, 4, 0, &out);
    acGeLoopBool(nullptr, nullptr, 0, &out);
    Loops empty;
    acRefineGeLoopList(&empty, &out);
    acGeLoopListOffset(&empty, 1, 4, 0, &out);
    Regions noRegions;
    acGeLoopBool(&noRegions, &noRegions, 3, &out);
    EXPECT_EQ(Count(out), 0);

    Loops bad;
    bad.AddTail(new CGeLoop);                                      // no members
    bad.AddTail(LinesLoop({{1, 1}, {1, 1}, {1, 1}}));               // zero-length members
    bad.AddTail(PolylineLoop({{0, 0}, {nan, 0}, {10, 10}, {0, 10}}));  // NaN
    for (int mode : {0, 2})
        acGeLoopListOffset(&bad, 1, 4, mode, &out);
    acGeLoopListOffsetEx(&bad, 1, 4, 0, &out);
    acRefineGeLoopList(&bad, &out);
    EXPECT_EQ(Count(out), 0);

    // d = 0, a NaN distance: copies; a distance beyond the part: nothing.
    Loops sq;
    sq.AddTail(LinesLoop({{0, 0}, {10, 0}, {10, 10}, {0, 10}}));
    for (double d : {0.0, nan}) {
        Loops o;
        acGeLoopListOffset(&sq, d, 4, 0, &o);
        ASSERT_EQ(Count(o), 1) << d;
        EXPECT_NEAR(SignedArea(o.GetHead()), 100, 1e-9) << d;
    }
    Loops gone;
    acGeLoopListOffset(&sq, 6, 4, 0, &gone);
    acGeLoopListOffsetEx(&sq, 6, 4, 0, &gone);
    EXPECT_EQ(Count(gone), 0);

    Regions ra, rb;
    ra.AddTail(Region({new CGeLoop}));
    rb.AddTail(Region({PolylineLoop({{0, 0}, {nan, nan}, {1, 1}})}));
    for (int op : {0, 1, 3})
        acGeLoopBool(&ra, &rb, op, &out);
    EXPECT_EQ(Count(out), 0);
}

}  // namespace

namespace {

TEST(LoopApi, CircleBooleansAgainstClipper)
{
    // Full circles as whole regions: crossing, concentric, touching from outside and from
    // inside, equal, and a ring (circle with a circular hole) against a disc.
    struct Disc {
        Pt c;
        double r, hole;  // hole radius, 0 for none
    };
    const struct {
        const char* label;
        Disc a, b;
    } rows[] = {
        {"crossing", {{0, 0}, 5, 0}, {{6, 1}, 4, 0}},
        {"concentric", {{0, 0}, 5, 0}, {{0, 0}, 3, 0}},
        {"touching outside", {{0, 0}, 5, 0}, {{8, 0}, 3, 0}},
        {"touching inside", {{0, 0}, 5, 0}, {{2, 0}, 3, 0}},
        {"equal", {{1, 1}, 4, 0}, {{1, 1}, 4, 0}},
        {"ring and disc", {{0, 0}, 6, 3}, {{4, 0}, 2.5, 0}},
    };
    for (const auto& r : rows) {
        auto region = [](const Disc& d) {
            std::vector<CGeLoop*> loops{CircleLoop(d.c, d.r, 1)};
            if (d.hole > 0)
                loops.push_back(CircleLoop(d.c, d.hole, 0));
            return Region(loops);
        };
        Regions a, b;
        a.AddTail(region(r.a));
        b.AddTail(region(r.b));
        const ClipperLib::Paths pa = clipperpaths::Normalised(RegionPaths(a), ClipperLib::pftNonZero);
        const ClipperLib::Paths pb = clipperpaths::Normalised(RegionPaths(b), ClipperLib::pftNonZero);
        const double tol = 0.002 * (clipperpaths::Perimeter(pa) + clipperpaths::Perimeter(pb));
        for (auto [op, ct] : {std::pair{0, ClipperLib::ctDifference}, std::pair{1, ClipperLib::ctIntersection},
                              std::pair{3, ClipperLib::ctUnion}}) {
            Loops out;
            acGeLoopBool(&a, &b, op, &out);
            const ClipperLib::Paths peer = PeerOp(pa, pb, ct);
            const ClipperLib::Paths ours = ListPaths(out);
            const std::string label = std::string(r.label) + " op " + std::to_string(op);
            EXPECT_LE(clipperpaths::XorArea(ours, ClipperLib::pftEvenOdd, peer, ClipperLib::pftNonZero), tol) << label;
            const auto x = clipperpaths::Counts(clipperpaths::Filtered(ours, 1e-3), ClipperLib::pftEvenOdd);
            const auto y = clipperpaths::Counts(clipperpaths::Filtered(peer, 1e-3), ClipperLib::pftNonZero);
            EXPECT_EQ(x.outers, y.outers) << label;
            EXPECT_EQ(x.holes, y.holes) << label;
        }
    }
}

}  // namespace
