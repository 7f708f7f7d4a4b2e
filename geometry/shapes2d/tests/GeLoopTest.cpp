// Loops: flags, discretisation and area, reversal, containment, start-point
// moves, simplicity, member rewrites, copies; and cutting a composite at one
// intersection record.
#include "geometry/shapes2d/GeBezier.h"
#include "geometry/shapes2d/GeCircle.h"
#include "geometry/shapes2d/GeCombCurve.h"
#include "geometry/shapes2d/GeEllipse.h"
#include "geometry/shapes2d/GeometryConst.h"
#include "geometry/shapes2d/tests/LoopTestUtil.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

namespace {

using namespace looptest;
using CurveList = CTypedPtrList<CObList, CGeCurve*>;

constexpr double kPi = 3.14159265358979323846;

void ExpectPt(Pt got, Pt want, const char* label, double tol = 1e-9)
{
    EXPECT_NEAR(got.x, want.x, tol) << label;
    EXPECT_NEAR(got.y, want.y, tol) << label;
}

// Every member starts where the previous one ends and the last ends at the first's start.
void ExpectChained(CGeLoop& loop, const char* label)
{
    const int n = loop.GetSegmentCount();
    for (int k = 1; k <= n; ++k) {
        CGeCurve* a = loop.GetSubCurve(k);
        CGeCurve* b = loop.GetSubCurve(k % n + 1);
        ExpectPt(End(a), Start(b), label, 1e-6);
    }
}

TEST(GeLoopTest, NewLoopHasFlagsEightAndFlagBitsToggle)
{
    CGeLoop loop;
    EXPECT_EQ(loop.GetType(), 0x100);
    EXPECT_EQ(loop.m_nFlags, 8);
    EXPECT_EQ(loop.IsOuterLoop(), 0);
    EXPECT_EQ(loop.IsUsed(), 0);
    EXPECT_EQ(loop.m_dArea, 0.0);
    loop.SetOuterFlag();
    loop.SetUsedFlag(5);
    EXPECT_EQ(loop.IsOuterLoop(), 1);
    EXPECT_EQ(loop.IsUsed(), 1);
    EXPECT_EQ(loop.m_nFlags, 11);
    loop.SetInnerFlag();
    loop.SetUsedFlag(0);
    EXPECT_EQ(loop.m_nFlags, 8);
}

TEST(GeLoopTest, AreaSignFollowsOrientationAndReverse)
{
    struct Row {
        const char* label;
        CGeLoop* loop;
        double area;
        double tol;
    };
    // A circle of radius 3 as one member: the discretised area lies slightly
    // below pi r^2 (inscribed polygon).
    auto* circleLoop = new CGeLoop;
    const double c[2] = {1, 1};
    circleLoop->AddTail(new CGeCircle(c, 3.0, 1), 1);
    Row rows[] = {
        {"ccw unit square", Square(0, 0, 1), 1.0, 1e-12},
        {"cw square", Square(2, 2, 3, false), -9.0, 1e-12},
        {"polyline triangle", PolyLoop({{0, 0}, {4, 0}, {0, 3}}), 6.0, 1e-12},
        {"circle", circleLoop, kPi * 9.0, kPi * 9.0 * 0.005},
    };
    for (Row& row : rows) {
        std::unique_ptr<CGeLoop> loop(row.loop);
        EXPECT_NEAR(loop->EvArea(0.001), row.area, row.tol) << row.label;
        EXPECT_NEAR(loop->m_dArea, row.area, row.tol) << row.label;
        EXPECT_EQ(loop->Orient(0.001), row.area > 0 ? 1 : -1) << row.label;

        const Pt start = Start(loop.get());
        loop->Reverse();
        EXPECT_NEAR(loop->m_dArea, -row.area, row.tol) << row.label << ": cache negated";
        EXPECT_EQ(loop->m_bReversed, 1) << row.label;
        ExpectPt(Start(loop.get()), start, row.label, 1e-6);
        ExpectChained(*loop, row.label);
        // The display polyline follows, so a recomputation agrees with the cache.
        EXPECT_NEAR(loop->EvArea(0.001), -row.area, row.tol) << row.label << ": recomputed";
        EXPECT_EQ(loop->Orient(0.001), row.area > 0 ? -1 : 1) << row.label;

        loop->Reverse(false);
        EXPECT_NEAR(loop->m_dArea, row.area, row.tol) << row.label;
        EXPECT_EQ(loop->m_bReversed, 0) << row.label;
    }
}

TEST(GeLoopTest, AreaOfOpenOrEmptyLoopIsNotComputed)
{
    std::unique_ptr<CGeLoop> open(new CGeLoop);
    open->AddTail(Line({0, 0}, {1, 0}), 0);
    open->AddTail(Line({1, 0}, {1, 1}), 1);
    EXPECT_EQ(open->EvArea(0.01), gecon::kAreaNotComputed);
    EXPECT_EQ(open->m_dArea, gecon::kAreaNotComputed);
    EXPECT_EQ(open->IsLoop(0.01), 0);

    CGeLoop empty;
    empty.m_dArea = 7.0;
    EXPECT_EQ(empty.EvArea(0.01), gecon::kAreaNotComputed);
    EXPECT_EQ(empty.m_dArea, 7.0) << "cache untouched without members";
    EXPECT_EQ(empty.Orient(0.01), 0);
    EXPECT_EQ(empty.IsLoop(0.01), 0);
}

// Twice the shoelace area of a densely sampled closed cubic spline: the oracle
// for the spline members (n samples per segment, error of order 1/n^2).
double SampledBezierArea(const std::vector<Pt>& nodes, int n)
{
    std::vector<Pt> v;
    for (size_t k = 0; k + 3 < nodes.size(); k += 3)
        for (int i = 0; i < n; ++i) {
            const double t = static_cast<double>(i) / n, u = 1 - t;
            const double b[4] = {u * u * u, 3 * u * u * t, 3 * u * t * t, t * t * t};
            Pt p{0, 0};
            for (int j = 0; j < 4; ++j) {
                p.x += b[j] * nodes[k + j].x;
                p.y += b[j] * nodes[k + j].y;
            }
            v.push_back(p);
        }
    double twice = 0;
    for (size_t i = 0; i < v.size(); ++i) {
        const Pt& a = v[i];
        const Pt& b = v[(i + 1) % v.size()];
        twice += a.x * b.y - a.y * b.x;
    }
    return twice / 2;
}

CGeLoop* LoopOf(std::initializer_list<CGeCurve*> members)
{
    auto* loop = new CGeLoop;
    for (CGeCurve* m : members) loop->AddTail(m, 1);
    loop->SetClosedFlag(1);
    loop->CalcBox2d();
    return loop;
}

// Curved members count with their exact area, not the inscribed display polygon's.
TEST(GeLoopTest, AreaOfCurvedMembersIsExact)
{
    struct Row {
        const char* label;
        CGeLoop* loop;
        double area;
        double tol;
    };
    const double pi = kPi;
    // A circular segment over a chord of 10 with sweep theta: r^2 / 2 (theta - sin theta).
    const double theta = pi / 2, r = 5.0 / std::sin(theta / 2);
    const double segment = r * r / 2 * (theta - std::sin(theta));
    const Pt bulgeCentreOut{5, 10 - r * std::cos(theta / 2)}, bulgeCentreIn{5, 10 + r * std::cos(theta / 2)};
    // A circle through four cubic arcs (handle length k), centre (3, -2), radius 4.
    const double k = 4 * 0.5522847498;
    const std::vector<Pt> ring = {{7, -2}, {7, -2 + k}, {3 + k, 2}, {3, 2}, {3 - k, 2}, {-1, -2 + k}, {-1, -2},
                                  {-1, -2 - k}, {3 - k, -6}, {3, -6}, {3 + k, -6}, {7, -2 - k}, {7, -2}};
    std::vector<double> flat;
    for (const Pt& p : ring) flat.insert(flat.end(), {p.x, p.y});
    auto* spline = new CGeBezier;
    ASSERT_EQ(spline->CreateEx(static_cast<unsigned>(ring.size()), reinterpret_cast<double(*)[2]>(flat.data())), 1);
    const double cFar[2] = {1e6, -1e6}, cEll[2] = {2, 1};
    auto slot = [pi](double d) {
        return LoopOf({Line({d, d}, {d + 20, d}), Arc({d + 20, d + 5}, 5, -pi / 2, pi / 2), Line({d + 20, d + 10}, {d, d + 10}),
                       Arc({d, d + 5}, 5, pi / 2, 3 * pi / 2)});
    };
    Row rows[] = {
        {"circle r 10", LoopOf({new CGeCircle(cFar, 10.0, 1)}), 100 * pi, 1e-6},
        {"clockwise circle far from the origin", LoopOf({new CGeCircle(cFar, 10.0, 0)}), -100 * pi, 1e-6},
        {"ellipse 5 x 3, turned", LoopOf({new CGeEllipse(cEll, 5.0, 3.0, 0.3, 1)}), 15 * pi, 1e-9},
        {"slot 20 x 10 with half-circle ends", slot(0), 200 + 25 * pi, 1e-9},
        {"the slot far from the origin", slot(1e6), 200 + 25 * pi, 1e-6},
        {"square with its top bulging out",
         LoopOf({Line({0, 0}, {10, 0}), Line({10, 0}, {10, 10}),
                 Arc(bulgeCentreOut, r, pi / 2 - theta / 2, pi / 2 + theta / 2), Line({0, 10}, {0, 0})}),
         100 + segment, 1e-9},
        {"square with its top bulging in",
         LoopOf({Line({0, 0}, {10, 0}), Line({10, 0}, {10, 10}),
                 Arc(bulgeCentreIn, r, -pi / 2 + theta / 2, -pi / 2 - theta / 2), Line({0, 10}, {0, 0})}),
         100 - segment, 1e-9},
        {"polyline and arc", LoopOf({Poly({{-3, 0}, {0, -4}, {3, 0}}), Arc({0, 0}, 3, 0, pi)}), 12 + 4.5 * pi,
         1e-9},
        {"cubic spline ring", LoopOf({spline}), SampledBezierArea(ring, 20000), 1e-6},
    };
    for (Row& row : rows) {
        std::unique_ptr<CGeLoop> loop(row.loop);
        ASSERT_EQ(loop->IsLoop(0.01), 1) << row.label;
        EXPECT_NEAR(loop->EvArea(0.01), row.area, row.tol) << row.label;
        EXPECT_NEAR(loop->m_dArea, row.area, row.tol) << row.label;
        EXPECT_EQ(loop->Orient(0.01), row.area > 0 ? 1 : -1) << row.label;
        loop->Reverse();
        EXPECT_NEAR(loop->EvArea(0.01), -row.area, row.tol) << row.label << ": reversed";
    }
}

// Members that meet within the tolerance are bridged by the chord between them.
TEST(GeLoopTest, AreaBridgesJointGapsWithChords)
{
    std::unique_ptr<CGeLoop> loop(LoopOf({Line({0, 0}, {10, 0}), Line({10.004, 0}, {10, 10}), Line({10, 10}, {0, 10}),
                                          Line({0, 10}, {0, 0})}));
    ASSERT_EQ(loop->IsLoop(0.01), 1);
    // The polygon (0,0) (10,0) (10.004,0) (10,10) (0,10): the square and a sliver of 0.02.
    EXPECT_NEAR(loop->EvArea(0.01), 100.02, 1e-9);
}

TEST(GeLoopTest, DiscreteJoinsMemberPointsOnce)
{
    std::unique_ptr<CGeLoop> loop(Square(0, 0, 2));
    loop->Discrete(0.01);
    ASSERT_EQ(loop->GetSWPointCount(), 5) << "four lines of two points, joints once";
    ExpectPt({loop->GetSWPoint()[4][0], loop->GetSWPoint()[4][1]}, {0, 0}, "closing point");
    double mid[2];
    loop->GetMidPoint(mid);
    ExpectPt({mid[0], mid[1]}, {2, 2}, "mid point = display point 5 / 2");
}

TEST(GeLoopTest, ContainmentUsesBoxThenPoints)
{
    std::unique_ptr<CGeLoop> outer(Square(0, 0, 10));
    std::unique_ptr<CGeLoop> inner(Square(2, 2, 3));
    std::unique_ptr<CGeLoop> sticking(Square(8, 2, 3));
    // An L-shaped loop whose box lies inside the outer square, but a notch
    // of the outer loop is not covered: use an L-shaped outer instead.
    std::unique_ptr<CGeLoop> lShape(LineLoop({{0, 0}, {10, 0}, {10, 4}, {4, 4}, {4, 10}, {0, 10}}));
    std::unique_ptr<CGeLoop> inNotch(Square(6, 6, 2));
    EXPECT_EQ(outer->IsContainLoop(inner.get(), 0.01), 1);
    EXPECT_EQ(inner->IsContainLoop(outer.get(), 0.01), 0);
    EXPECT_EQ(outer->IsContainLoop(sticking.get(), 0.01), 0);
    EXPECT_EQ(lShape->IsContainLoop(inNotch.get(), 0.01), 0) << "box inside, points outside";
    EXPECT_EQ(outer->IsContainLoop(nullptr, 0.01), 0);
}

TEST(GeLoopTest, AdjustStartPointMovesStartToNearestBoundaryPoint)
{
    struct Row {
        const char* label;
        Pt p;
        int members;
        Pt start;
    };
    const Row rows[] = {
        {"middle of the third line", {2, 4.5}, 5, {2, 4}},
        {"at a corner (start of the third)", {4.001, 4.003}, 4, {4, 4}},
        {"just before the end of the second", {4, 3.995}, 4, {4, 4}},
        {"on the start already", {0, 0}, 4, {0, 0}},
    };
    for (const Row& row : rows) {
        std::unique_ptr<CGeLoop> loop(Square(0, 0, 4));
        double p[2] = {row.p.x, row.p.y};
        ASSERT_EQ(loop->AdjustStartPoint(p), 1) << row.label;
        EXPECT_EQ(loop->GetSegmentCount(), row.members) << row.label;
        ExpectPt(Start(loop.get()), row.start, row.label, 1e-6);
        ExpectPt(End(loop.get()), row.start, row.label, 1e-6);
        ExpectChained(*loop, row.label);
        EXPECT_NEAR(loop->EvTotalArcLength(), 16.0, 1e-9) << row.label;
    }
    // The second half of the third line comes first.
    std::unique_ptr<CGeLoop> loop(Square(0, 0, 4));
    double p[2] = {2, 4};
    loop->AdjustStartPoint(p);
    ExpectPt(End(loop->GetSubCurve(1)), {0, 4}, "first member ends at the third line's end");

    // By member, segment and parameter: a quarter along the second line.
    std::unique_ptr<CGeLoop> byParam(Square(0, 0, 4));
    ASSERT_EQ(byParam->AdjustStartPoint(0.25, 1, 2), 1);
    EXPECT_EQ(byParam->GetSegmentCount(), 5);
    ExpectPt(Start(byParam.get()), {4, 1}, "by parameter");
    EXPECT_EQ(byParam->AdjustStartPoint(0.5, 1, 9), 0) << "no member 9";
    CGeLoop empty;
    EXPECT_EQ(empty.AdjustStartPoint(p), 0);
}

TEST(GeLoopTest, AdjustStartPointToOuterNodeFindsTurningCorner)
{
    std::unique_ptr<CGeLoop> ccw(Square(0, 0, 2, true));
    EXPECT_EQ(ccw->AdjustStartPointToOuterNode(1), 1);
    EXPECT_EQ(ccw->GetSegmentCount(), 4) << "left turn at the first corner: kept";
    ExpectPt(Start(ccw.get()), {0, 0}, "ccw kept");

    std::unique_ptr<CGeLoop> cw(Square(0, 0, 2, false));
    EXPECT_EQ(cw->AdjustStartPointToOuterNode(1), 1);
    EXPECT_EQ(cw->GetSegmentCount(), 5) << "no left turn: start moved into the first edge";
    ExpectPt(Start(cw.get()), {0, 1}, "middle of the first edge");
    ExpectChained(*cw, "cw");

    // A right turn is wanted: the clockwise square keeps its start.
    std::unique_ptr<CGeLoop> cwRight(Square(0, 0, 2, false));
    EXPECT_EQ(cwRight->AdjustStartPointToOuterNode(0), 1);
    EXPECT_EQ(cwRight->GetSegmentCount(), 4);

    // A polyline first member gives up its first edge as a line.
    std::unique_ptr<CGeLoop> poly(PolyLoop({{0, 0}, {0, 2}, {2, 2}, {2, 0}}));
    EXPECT_EQ(poly->AdjustStartPointToOuterNode(1), 1);
    ExpectChained(*poly, "polyline");
    EXPECT_NEAR(poly->EvTotalArcLength(), 8.0, 1e-9);

    std::unique_ptr<CGeLoop> open(new CGeLoop);
    open->AddTail(Line({0, 0}, {1, 0}), 1);
    EXPECT_EQ(open->AdjustStartPointToOuterNode(1), 0);
}

TEST(GeLoopTest, SimplePolygonIsDirectSelfIntersectionTest)
{
    struct Row {
        const char* label;
        CGeLoop* loop;
        int simple;
    };
    auto* circle = new CGeLoop;
    const double c[2] = {0, 0};
    circle->AddTail(new CGeCircle(c, 5.0, 1), 1);
    auto* open = new CGeLoop;
    open->AddTail(Line({0, 0}, {1, 0}), 1);
    Row rows[] = {
        {"square", Square(0, 0, 1), 1},
        {"clockwise square", Square(0, 0, 1, false), 1},
        {"circle", circle, 1},
        {"concave", LineLoop({{0, 0}, {4, 0}, {4, 4}, {2, 1}, {0, 4}}), 1},
        {"figure eight", PolyLoop({{0, 0}, {2, 2}, {2, 0}, {0, 2}}), 0},
        {"pinched at a vertex", PolyLoop({{0, 0}, {2, 0}, {1, 1}, {2, 2}, {0, 2}, {1, 1}}), 0},
        {"vertex on an edge", PolyLoop({{0, 0}, {4, 0}, {4, 4}, {2, 0}, {0, 4}}), 0},
        {"spike folding back", PolyLoop({{0, 0}, {4, 0}, {4, 4}, {6, 4}, {4, 4}, {0, 4}}), 0},
        {"open chain", open, 0},
    };
    for (Row& row : rows) {
        std::unique_ptr<CGeLoop> loop(row.loop);
        EXPECT_EQ(loop->IsSimplePolygon(), row.simple) << row.label;
    }
}

TEST(GeLoopTest, MemberRewrites)
{
    // Polylines become lines, degenerate edges dropped.
    std::unique_ptr<CGeLoop> poly(new CGeLoop);
    poly->AddTail(Poly({{0, 0}, {2, 0}, {2, 0}, {2, 2}}), 0);
    poly->AddTail(Line({2, 2}, {0, 0}), 1);
    poly->PolylineToLine();
    ASSERT_EQ(poly->GetSegmentCount(), 3);
    for (int k = 1; k <= 3; ++k) EXPECT_EQ(poly->GetSubCurve(k)->GetType(), 0x2) << k;
    ExpectChained(*poly, "polyline to line");

    // A quarter arc: the chord, or two lines through the tangents' meeting point.
    auto quarter = [] {
        auto* loop = new CGeLoop;
        loop->AddTail(Arc({0, 0}, 1, 0, kPi / 2), 0);
        loop->AddTail(Line({0, 1}, {0, 0}), 0);
        loop->AddTail(Line({0, 0}, {1, 0}), 1);
        return loop;
    };
    std::unique_ptr<CGeLoop> chord(quarter());
    chord->Arc2Line();
    ASSERT_EQ(chord->GetSegmentCount(), 3);
    EXPECT_EQ(chord->GetSubCurve(1)->GetType(), 0x2);
    ExpectPt(End(chord->GetSubCurve(1)), {0, 1}, "chord");

    std::unique_ptr<CGeLoop> extend(quarter());
    extend->ArctoExtendLine();
    ASSERT_EQ(extend->GetSegmentCount(), 4);
    ExpectPt(End(extend->GetSubCurve(1)), {1, 1}, "apex of the quarter arc", 1e-9);
    ExpectChained(*extend, "extend");

    // A half circle (sweep pi) stays an arc.
    std::unique_ptr<CGeLoop> half(new CGeLoop);
    half->AddTail(Arc({0, 0}, 1, 0, kPi), 0);
    half->AddTail(Line({-1, 0}, {1, 0}), 1);
    half->Arc2Line();
    half->ArctoExtendLine();
    EXPECT_EQ(half->GetSubCurve(1)->GetType(), 0x4);
}

TEST(GeLoopTest, LeanJoinsStraightRuns)
{
    // Rounded right end: line, half-circle arc, then three lines (two collinear).
    std::unique_ptr<CGeLoop> loop(new CGeLoop);
    loop->AddTail(Line({0, 0}, {2, 0}), 0);
    loop->AddTail(Arc({2, 1}, 1, -kPi / 2, kPi / 2), 0);
    loop->AddTail(Line({2, 2}, {1, 2}), 0);
    loop->AddTail(Line({1, 2}, {0, 2}), 0);
    loop->AddTail(Line({0, 2}, {0, 0}), 1);
    const double length = loop->EvTotalArcLength();
    loop->Lean(0.001, 0.17);
    ASSERT_EQ(loop->GetSegmentCount(), 3);
    EXPECT_EQ(loop->GetSubCurve(1)->GetType(), 0x2) << "a run of one line stays";
    EXPECT_EQ(loop->GetSubCurve(2)->GetType(), 0x4);
    ASSERT_EQ(loop->GetSubCurve(3)->GetType(), 0x40);
    EXPECT_EQ(loop->GetSubCurve(3)->GetSWPointCount(), 3) << "collinear vertex thinned";
    EXPECT_NEAR(loop->EvTotalArcLength(), length, 1e-9);
    ExpectChained(*loop, "lean");

    // Two quarter arcs of one circle become one half-circle arc.
    std::unique_ptr<CGeLoop> arcs(new CGeLoop);
    arcs->AddTail(Arc({0, 0}, 1, 0, kPi / 2), 0);
    arcs->AddTail(Arc({0, 0}, 1, kPi / 2, kPi), 0);
    arcs->AddTail(Line({-1, 0}, {1, 0}), 1);
    arcs->Lean(0.001, 0.17);
    ASSERT_EQ(arcs->GetSegmentCount(), 2);
    ASSERT_EQ(arcs->GetSubCurve(1)->GetType(), 0x4);
    EXPECT_NEAR(static_cast<CGeArc*>(arcs->GetSubCurve(1))->GetSweep(), kPi, 1e-9);
    ExpectChained(*arcs, "merged arcs");
}

TEST(GeLoopTest, CopyIsALoopKeepingClosedFlagAndCache)
{
    std::unique_ptr<CGeLoop> loop(Square(0, 0, 3));
    loop->EvArea(0.01);
    loop->SetOuterFlag();
    loop->m_dReserved = 2.5;
    loop->Reverse();
    loop->CreateNewHandle();
    std::unique_ptr<CGeCurve> copy(loop->Copy());
    auto* c = dynamic_cast<CGeLoop*>(copy.get());
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->GetType(), 0x100);
    EXPECT_EQ(c->GetClosedFlag(), 1);
    EXPECT_EQ(c->m_nFlags, loop->m_nFlags);
    EXPECT_EQ(c->m_dArea, -9.0);
    EXPECT_EQ(c->m_dReserved, 2.5);
    EXPECT_EQ(c->m_bReversed, 0) << "the reversed mark is not copied";
    EXPECT_EQ(c->GetHandle(), 0u) << "the handle is not copied";
    EXPECT_EQ(c->GetSWPointCount(), loop->GetSWPointCount());
    ASSERT_EQ(c->GetSegmentCount(), 4);
    EXPECT_NE(c->GetSubCurve(1), loop->GetSubCurve(1)) << "deep copy";

    std::unique_ptr<CGeCombCurve> comb(loop->GenComCurve());
    ASSERT_NE(comb, nullptr);
    EXPECT_EQ(comb->GetType(), 0x80);
    EXPECT_EQ(comb->GetClosedFlag(), 1);
    EXPECT_EQ(comb->GetSegmentCount(), 4);
    CGeLoop empty;
    EXPECT_EQ(empty.GenComCurve(), nullptr);
}

TEST(GeLoopTest, TranslateMovesDisplayWithMembers)
{
    std::unique_ptr<CGeLoop> loop(Square(0, 0, 2));
    loop->EvArea(0.01);
    double v[2] = {10, 0};
    loop->Translate(v);
    double in[2] = {11, 1}, old[2] = {1, 1};
    EXPECT_EQ(loop->IsPtInLoop(in, 0.01), 0);
    EXPECT_EQ(loop->IsPtInLoop(old, 0.01), 1);
}

// One record on a composite cuts member seg1 at its own segment subSeg1;
// other curves use the larger of the two segment numbers.
TEST(GeLoopTest, SplitAtOneRecordCutsTheNamedMember)
{
    struct Row {
        const char* label;
        CGeCurve* curve;
        int seg1, subSeg1;
        double t;
        Pt cut;
    };
    auto* comb = new CGeCombCurve;
    comb->AddTail(Line({0, 0}, {2, 0}), 0);
    comb->AddTail(Poly({{2, 0}, {2, 2}, {4, 2}}), 0);
    comb->AddTail(Line({4, 2}, {4, 4}), 1);
    auto* loop = new CGeLoop;
    loop->AddTail(Poly({{0, 0}, {2, 0}, {2, 2}}), 0);
    loop->AddTail(Line({2, 2}, {0, 0}), 1);
    Row rows[] = {
        {"composite member 2, its edge 2", comb, 2, 2, 0.5, {3, 2}},
        {"loop member 1, its edge 2", loop, 1, 2, 0.25, {2, 0.5}},
        {"polyline, sub-segment larger", Poly({{0, 0}, {1, 0}, {1, 1}}), 1, 2, 0.5, {1, 0.5}},
    };
    for (Row& row : rows) {
        std::unique_ptr<CGeCurve> curve(row.curve);
        CArray<IntPnt, IntPnt> pts;
        IntPnt r;
        r.seg1 = row.seg1;
        r.subSeg1 = row.subSeg1;
        r.para1 = row.t;
        pts.Add(r);
        CurveList out;
        curve->Split(pts, out);
        ASSERT_EQ(out.GetCount(), 2) << row.label;
        ExpectPt(End(out.GetHead()), row.cut, row.label);
        ExpectPt(Start(out.GetTail()), row.cut, row.label);
        DeleteOwnedList(out);
    }
}

}  // namespace
