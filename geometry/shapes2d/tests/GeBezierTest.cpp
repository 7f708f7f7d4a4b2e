// Bezier spline: construction, joint kinds, node editing, copy, transforms, archive.
#include "geometry/shapes2d/GeBezier.h"

#include "framework/looker/Looker.h"
#include "framework/looker/QVGlobal.h"
#include "geometry/shapes2d/tests/GeBezierTestUtil.h"
#include "platform/core/Archive.h"
#include "platform/core/Exception.h"
#include "platform/core/File.h"
#include "platform/core/RecordingDC.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

using beztest::Pt;

namespace {

double Len(Pt a, Pt b) { return std::hypot(a.x - b.x, a.y - b.y); }
Pt Sub(Pt a, Pt b) { return {a.x - b.x, a.y - b.y}; }
double Dot(Pt a, Pt b) { return a.x * b.x + a.y * b.y; }
double Cross(Pt a, Pt b) { return a.x * b.y - a.y * b.x; }

Pt NodeAt(const CGeBezier& b, unsigned i) { return {b.GetNodes()[i].x, b.GetNodes()[i].y}; }
int KindAt(const CGeBezier& b, unsigned i) { return b.GetNodes()[i].kind; }

std::vector<CBezierNode> ToNodes(const std::vector<Pt>& pts, const std::vector<int>& kinds = {})
{
    std::vector<CBezierNode> out(pts.size());
    for (size_t i = 0; i < pts.size(); ++i) {
        out[i].x = pts[i].x;
        out[i].y = pts[i].y;
        out[i].kind = i < kinds.size() ? kinds[i] : 0;
    }
    return out;
}

void ExpectSameNodes(const CGeBezier& a, const std::vector<CBezierNode>& before, const std::string& label)
{
    ASSERT_EQ(a.GetNodeCount(), before.size()) << label;
    for (size_t i = 0; i < before.size(); ++i) {
        EXPECT_EQ(a.GetNodes()[i].x, before[i].x) << label << " node " << i;
        EXPECT_EQ(a.GetNodes()[i].y, before[i].y) << label << " node " << i;
        EXPECT_EQ(a.GetNodes()[i].kind, before[i].kind) << label << " node " << i;
    }
}

std::vector<CBezierNode> Snapshot(const CGeBezier& b) { return {b.GetNodes(), b.GetNodes() + b.GetNodeCount()}; }

}  // namespace

TEST(GeBezierCreateTest, FromLineHasThirdPointsAndCornerEnds)
{
    double p[2] = {1, 2}, q[2] = {7, -1};
    std::unique_ptr<CGeBezier> b(CGeBezier::CreateFrmLine(p, q));
    ASSERT_NE(b, nullptr);
    ASSERT_EQ(b->GetNodeCount(), 4u);
    for (unsigned i = 0; i < 4; ++i) {
        EXPECT_NEAR(NodeAt(*b, i).x, 1 + 6.0 * i / 3, 1e-12) << "node " << i;
        EXPECT_NEAR(NodeAt(*b, i).y, 2 - 3.0 * i / 3, 1e-12) << "node " << i;
        EXPECT_EQ(KindAt(*b, i), 0) << "node " << i;
    }
    EXPECT_EQ(b->GetClosedFlag(), 0);
    EXPECT_EQ(b->GetSegmentCount(), 1);
}

TEST(GeBezierCreateTest, CreateLineTurnsInnerHandlesOntoTheBisectorNormal)
{
    double bent[3][2] = {{0, 0}, {30, 0}, {45, 30}};
    CGeBezier b;
    ASSERT_EQ(b.CreateLine(3, bent), 1);
    ASSERT_EQ(b.GetNodeCount(), 7u);
    const Pt m = NodeAt(b, 3);
    EXPECT_EQ(m.x, 30.0);
    EXPECT_EQ(m.y, 0.0);
    // Unit edge directions away from the joint; the handles' line is normal to their sum.
    const Pt u = {-1, 0};
    const Pt w = {15 / std::hypot(15.0, 30.0), 30 / std::hypot(15.0, 30.0)};
    const Pt bis = {u.x + w.x, u.y + w.y};
    const double L = 10.0;  // the shorter third: 30/3 against |(15,30)|/3
    const Pt h1 = Sub(NodeAt(b, 2), m), h2 = Sub(NodeAt(b, 4), m);
    EXPECT_NEAR(Len(NodeAt(b, 2), m), L, 1e-9);
    EXPECT_NEAR(Len(NodeAt(b, 4), m), L, 1e-9);
    EXPECT_NEAR(Dot(h1, bis), 0.0, 1e-9);
    EXPECT_NEAR(Dot(h2, bis), 0.0, 1e-9);
    EXPECT_NEAR(Dot(h1, h2), -L * L, 1e-9) << "handles on opposite sides";
    EXPECT_GT(Dot(h1, u), 0.0) << "the incoming handle stays on the incoming side";
    EXPECT_EQ(KindAt(b, 3), 2);
    EXPECT_EQ(KindAt(b, 0), 0);
    EXPECT_EQ(KindAt(b, 6), 0);
    EXPECT_EQ(b.GetClosedFlag(), 0);
    EXPECT_NEAR(b.GetLastTol(), gGetCrvDiscTol(), 0) << "displayed at the curve tolerance";

    double straight[3][2] = {{0, 0}, {30, 0}, {60, 0}};
    ASSERT_EQ(b.CreateLine(3, straight), 1);
    EXPECT_NEAR(NodeAt(b, 2).x, 20.0, 1e-12) << "collinear input keeps the handles on the edges";
    EXPECT_NEAR(NodeAt(b, 4).x, 40.0, 1e-12);
    EXPECT_EQ(KindAt(b, 3), 2) << "and still marks the node symmetric";

    double square[5][2] = {{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}};
    ASSERT_EQ(b.CreateLine(5, square), 1);
    EXPECT_EQ(b.GetClosedFlag(), 1);
    EXPECT_EQ(KindAt(b, 0), 0) << "a square's closing corner";
    EXPECT_EQ(KindAt(b, 12), 0);

    EXPECT_EQ(b.CreateLine(1, square), 0);
    EXPECT_EQ(b.CreateLine(3, nullptr), 0);
}

TEST(GeBezierCreateTest, KindsFromGeometryIncludingTheClosingJoint)
{
    struct Row {
        const char* label;
        std::vector<Pt> pts;
        int inner;   // kind of node 3
        int ends;    // kind of nodes 0 and 6
        int closed;
    };
    const std::vector<Row> rows = {
        {"symmetric inner", {{0, 0}, {1, 1}, {2, 1}, {3, 0}, {4, -1}, {5, -1}, {6, 0}}, 2, 0, 0},
        {"smooth inner", {{0, 0}, {1, 1}, {2, 1}, {3, 0}, {5, -2}, {5, -1}, {6, 0}}, 1, 0, 0},
        {"corner inner", {{0, 0}, {1, 1}, {2, 1}, {3, 0}, {4, 1}, {5, -1}, {6, 0}}, 0, 0, 0},
        {"symmetric closing", {{0, 0}, {1, 0}, {2, 2}, {0, 3}, {-2, 2}, {-1, 0}, {0, 0}}, 0, 2, 1},
        {"smooth closing", {{0, 0}, {1, 0}, {2, 2}, {0, 3}, {-2, 2}, {-2, 0}, {0, 0}}, 0, 1, 1},
        {"corner closing", {{0, 0}, {1, 0}, {2, 2}, {0, 3}, {-2, 2}, {-1, -1}, {0, 0}}, 0, 0, 1},
        // Handle lengths are measured to the last node: 1 against 1.005 is smooth.
        {"closed within 0.01", {{0, 0}, {1, 0}, {2, 2}, {0, 3}, {-2, 2}, {-1, 0}, {0.005, 0}}, 0, 1, 1},
        {"open ends", {{0, 0}, {1, 0}, {2, 2}, {0, 3}, {-2, 2}, {-1, 0}, {0, 0.5}}, 0, 0, 0},
    };
    for (const Row& r : rows) {
        CGeBezier b;
        ASSERT_TRUE(beztest::MakeSpline(b, r.pts)) << r.label;
        EXPECT_EQ(KindAt(b, 3), r.inner) << r.label;
        EXPECT_EQ(KindAt(b, 0), r.ends) << r.label;
        EXPECT_EQ(KindAt(b, 6), r.ends) << r.label;
        EXPECT_EQ(b.GetClosedFlag(), r.closed) << r.label;
        for (unsigned i : {1u, 2u, 4u, 5u}) EXPECT_EQ(KindAt(b, i), 0) << r.label << " handle " << i;
    }
    CGeBezier b;
    double two[2][2] = {{0, 0}, {1, 1}};
    EXPECT_EQ(b.CreateEx(2, two), 0);
    EXPECT_EQ(b.GetNodeCount(), 0u);
}

TEST(GeBezierCreateTest, NodeFormKeepsKindsAndRecomputesClosedFlag)
{
    auto nodes = ToNodes({{0, 0}, {1, 0}, {2, 2}, {0, 3}, {-2, 2}, {-1, 0}, {0, 0}}, {1, 0, 0, 2, 0, 0, 0});
    CGeBezier b;
    ASSERT_EQ(b.CreateEx(7, nodes.data()), 1);
    EXPECT_EQ(KindAt(b, 0), 1);
    EXPECT_EQ(KindAt(b, 3), 2);
    EXPECT_EQ(KindAt(b, 6), 0);
    EXPECT_EQ(b.GetClosedFlag(), 1);
    EXPECT_NEAR(b.GetLastTol(), gGetCrvShowDiscTol(), 0);
}

TEST(GeBezierCreateTest, InterpolationPassesThroughThePoints)
{
    double pts[5][2] = {{0, 0}, {10, 5}, {20, -3}, {30, 8}, {45, 0}};
    CGeBezier b;
    ASSERT_EQ(b.Create(5, pts), 1);
    ASSERT_EQ(b.GetNodeCount(), 13u);
    for (unsigned j = 0; j < 5; ++j) {
        EXPECT_NEAR(NodeAt(b, 3 * j).x, pts[j][0], 1e-9) << "point " << j;
        EXPECT_NEAR(NodeAt(b, 3 * j).y, pts[j][1], 1e-9) << "point " << j;
    }
    // C1 joints: the handles of every inner data point are opposite.
    for (unsigned i = 3; i < 12; i += 3) {
        const Pt a = Sub(NodeAt(b, i - 1), NodeAt(b, i)), c = Sub(NodeAt(b, i + 1), NodeAt(b, i));
        EXPECT_NEAR(Cross(a, c), 0.0, 1e-9 * Len({0, 0}, a) * Len({0, 0}, c)) << "joint " << i;
        EXPECT_NE(KindAt(b, i), 0) << "joint " << i;
    }
    EXPECT_EQ(b.GetClosedFlag(), 0);

    double line[2][2] = {{0, 0}, {3, 0}};
    ASSERT_EQ(b.Create(2, line), 1);
    EXPECT_EQ(b.GetNodeCount(), 4u) << "two points make a straight segment";
    double same[3][2] = {{1, 1}, {1, 1}, {1, 1}};
    EXPECT_EQ(b.Create(3, same), 0) << "nothing to interpolate";
    EXPECT_EQ(b.GetNodeCount(), 0u);
}

// The opposite-handle rule of MoveNode, per joint kind, across an inner joint
// and across the closing joint.
TEST(GeBezierEditTest, MoveNodeReplacesTheOppositeHandleByKind)
{
    struct Row {
        const char* label;
        bool closed;
        int kind;
        int moved;     // index of the moved handle
        int opposite;  // index of the handle that answers
        int joint;     // main node the handles belong to
    };
    const std::vector<Row> rows = {
        {"open corner after", false, 0, 4, 2, 3},   {"open smooth after", false, 1, 4, 2, 3},
        {"open symmetric after", false, 2, 4, 2, 3}, {"open corner before", false, 0, 2, 4, 3},
        {"open smooth before", false, 1, 2, 4, 3},   {"open symmetric before", false, 2, 2, 4, 3},
        {"closed corner node 1", true, 0, 1, 5, 0},  {"closed smooth node 1", true, 1, 1, 5, 0},
        {"closed symmetric node 1", true, 2, 1, 5, 0}, {"closed corner node K-2", true, 0, 5, 1, 0},
        {"closed smooth node K-2", true, 1, 5, 1, 0}, {"closed symmetric node K-2", true, 2, 5, 1, 0},
    };
    for (const Row& r : rows) {
        std::vector<Pt> pts = r.closed ? std::vector<Pt>{{0, 0}, {1, 0}, {2, 2}, {0, 3}, {-2, 2}, {-2.5, 0}, {0, 0}}
                                       : std::vector<Pt>{{0, 0}, {1, 1}, {2, 1}, {3, 0}, {5, -2}, {5, -1}, {6, 0}};
        std::vector<int> kinds(7, 0);
        kinds[r.joint] = r.kind;
        if (r.closed) kinds[6] = r.kind;
        auto nodes = ToNodes(pts, kinds);
        CGeBezier b;
        ASSERT_EQ(b.CreateEx(7, nodes.data()), 1) << r.label;
        ASSERT_EQ(b.GetClosedFlag(), r.closed ? 1 : 0) << r.label;
        const Pt m = NodeAt(b, r.joint);
        const Pt oldOpp = NodeAt(b, r.opposite);
        ASSERT_EQ(b.MoveNode(0.3, 0.7, r.moved), 1) << r.label;
        const Pt h = NodeAt(b, r.moved);
        EXPECT_NEAR(h.x, pts[r.moved].x + 0.3, 1e-12) << r.label;
        const Pt o = NodeAt(b, r.opposite);
        const Pt ho = Sub(h, m), oo = Sub(o, m);
        switch (r.kind) {
        case 0:
            EXPECT_EQ(o.x, oldOpp.x) << r.label;
            EXPECT_EQ(o.y, oldOpp.y) << r.label;
            break;
        case 1:
            EXPECT_NEAR(Len(o, m), Len(oldOpp, m), 1e-12) << r.label << ": keeps its own length";
            EXPECT_NEAR(Cross(ho, oo), 0.0, 1e-9) << r.label;
            EXPECT_LT(Dot(ho, oo), 0.0) << r.label << ": on the other side";
            break;
        default:
            EXPECT_NEAR(o.x, m.x - ho.x, 1e-12) << r.label << ": mirror image of the moved handle";
            EXPECT_NEAR(o.y, m.y - ho.y, 1e-12) << r.label;
        }
    }

    // Open spline: node 1 has no partner across the ends.
    CGeBezier open;
    ASSERT_TRUE(beztest::MakeSpline(open, {{0, 0}, {1, 0}, {2, 2}, {0, 3}, {-2, 2}, {-1, 0}, {0, 0.5}}));
    auto before = Snapshot(open);
    ASSERT_EQ(open.MoveNode(1, 1, 1), 1);
    EXPECT_EQ(open.GetNodes()[5].x, before[5].x);
    EXPECT_EQ(open.GetNodes()[5].y, before[5].y);
}

TEST(GeBezierEditTest, MoveMainNodeCarriesItsHandlesAndEndsMoveTheirHandle)
{
    CGeBezier b;
    ASSERT_TRUE(beztest::MakeSpline(b, {{0, 0}, {1, 1}, {2, 1}, {3, 0}, {4, -1}, {5, -1}, {6, 0}}));
    auto before = Snapshot(b);
    struct Row {
        int index;
        std::vector<int> moved;
    };
    for (const Row& r : std::vector<Row>{{3, {2, 3, 4}}, {0, {0, 1}}, {6, {5, 6}}}) {
        CGeBezier c;
        auto nodes = before;
        ASSERT_EQ(c.CreateEx(7, nodes.data()), 1);
        ASSERT_EQ(c.MoveNode(2, -1, r.index), 1);
        for (unsigned i = 0; i < 7; ++i) {
            const bool moves = std::find(r.moved.begin(), r.moved.end(), int(i)) != r.moved.end();
            EXPECT_EQ(c.GetNodes()[i].x, before[i].x + (moves ? 2 : 0)) << "move " << r.index << " node " << i;
            EXPECT_EQ(c.GetNodes()[i].y, before[i].y - (moves ? 1 : 0)) << "move " << r.index << " node " << i;
        }
    }
}

TEST(GeBezierEditTest, IndexArgumentsAreChecked)
{
    CGeBezier b;
    ASSERT_TRUE(beztest::MakeSpline(b, {{0, 0}, {1, 1}, {2, 1}, {3, 0}, {4, -1}, {5, -1}, {6, 0}}));
    const auto before = Snapshot(b);
    double p[2] = {9, 9};
    EXPECT_EQ(b.MoveNode(1, 1, -1), 0);
    EXPECT_EQ(b.MoveNode(1, 1, 7), 0);
    EXPECT_EQ(b.MoveBezSeg(1, 1, 0), 0);
    EXPECT_EQ(b.MoveBezSeg(1, 1, 3), 0);
    EXPECT_EQ(b.ModifyCtrlPoint(7u, p), 0);
    EXPECT_EQ(b.ModifyCtrlPoint(7u), 0);
    EXPECT_EQ(b.AddMainNode(0, 0.5), 0);
    EXPECT_EQ(b.AddMainNode(3, 0.5), 0);
    EXPECT_EQ(b.AddMainNode(1, 1.5), 0);
    EXPECT_EQ(b.DelMainNode(1u), 0) << "not a main node";
    EXPECT_EQ(b.DelMainNode(9u), 0);
    ExpectSameNodes(b, before, "after rejected edits");

    CGeBezier empty;
    EXPECT_EQ(empty.MoveNode(0, 0, 0), 0);
    EXPECT_EQ(empty.MoveBezSeg(0, 0, 1), 0);
}

TEST(GeBezierEditTest, MoveBezSegMovesHandlesAndMakesCorners)
{
    auto nodes = ToNodes({{0, 0}, {1, 1}, {2, 1}, {3, 0}, {4, -1}, {5, -1}, {6, 0}}, {0, 0, 0, 2, 0, 0, 0});
    CGeBezier b;
    ASSERT_EQ(b.CreateEx(7, nodes.data()), 1);
    ASSERT_EQ(b.MoveBezSeg(1, 2, 2), 1);
    EXPECT_EQ(NodeAt(b, 4).x, 5.0);
    EXPECT_EQ(NodeAt(b, 5).y, 1.0);
    EXPECT_EQ(NodeAt(b, 3).x, 3.0) << "main nodes stay";
    EXPECT_EQ(KindAt(b, 3), 0);
    EXPECT_EQ(KindAt(b, 6), 0);
}

TEST(GeBezierEditTest, ModifyCtrlPointRealignsHandlesByKind)
{
    for (int kind : {0, 1, 2}) {
        auto nodes = ToNodes({{0, 0}, {1, 1}, {2, 1}, {3, 0}, {5, 1}, {5, -1}, {6, 0}}, {0, 0, 0, kind, 0, 0, 0});
        CGeBezier b;
        ASSERT_EQ(b.CreateEx(7, nodes.data()), 1);
        const Pt m = NodeAt(b, 3);
        const double d1 = Len(NodeAt(b, 2), m), d2 = Len(NodeAt(b, 4), m);
        ASSERT_EQ(b.ModifyCtrlPoint(3u), 1) << "kind " << kind;
        const Pt a = Sub(NodeAt(b, 2), m), c = Sub(NodeAt(b, 4), m);
        if (kind == 0) {
            EXPECT_EQ(NodeAt(b, 4).y, 1.0) << "a corner is left alone";
            continue;
        }
        EXPECT_NEAR(Cross(a, c), 0.0, 1e-9) << "kind " << kind;
        EXPECT_LT(Dot(a, c), 0.0) << "kind " << kind;
        EXPECT_LT(a.x, 0.0) << "kind " << kind << ": the incoming handle stays on its side";
        EXPECT_NEAR(Len({0, 0}, a), kind == 2 ? (d1 + d2) / 2 : d1, 1e-9) << "kind " << kind;
        EXPECT_NEAR(Len({0, 0}, c), kind == 2 ? (d1 + d2) / 2 : d2, 1e-9) << "kind " << kind;
    }
}

TEST(GeBezierEditTest, EndPointEditsMoveOnlyBeyondTheirTolerance)
{
    CGeBezier b;
    ASSERT_TRUE(beztest::MakeSpline(b, {{0, 0}, {1, 1}, {2, 1}, {3, 0}}));
    double nearStart[2] = {0.0005, 0}, farEnd[2] = {4, 1};
    b.ModifyStartPoint(nearStart);
    EXPECT_EQ(NodeAt(b, 0).x, 0.0);
    b.ModifyEndPoint(farEnd);
    EXPECT_EQ(NodeAt(b, 3).x, 4.0);
    EXPECT_EQ(NodeAt(b, 2).x, 2.0) << "the handle stays";
    double e[2];
    b.GetEndPoint(e);
    EXPECT_EQ(e[1], 1.0);
}

// Inserting a main node splits segment k at t: the new segments are the two
// halves of the old one, checked against the old spline at mapped parameters.
TEST(GeBezierEditTest, AddMainNodeKeepsTheShape)
{
    std::mt19937 rng(11);
    for (double t0 : {0.3, 0.5, 0.9}) {
        const auto pts = beztest::RandomNodes(rng, 3, 50.0);
        CGeBezier b;
        ASSERT_TRUE(beztest::MakeSpline(b, pts));
        const int oldKind = KindAt(b, 6);
        ASSERT_EQ(b.AddMainNode(2, t0), 1) << t0;
        ASSERT_EQ(b.GetNodeCount(), 13u);
        EXPECT_EQ(KindAt(b, 6), 1) << "the new main node is smooth";
        EXPECT_EQ(KindAt(b, 9), oldKind) << "the old node keeps its kind";
        const auto now = beztest::Nodes(b);
        for (int i = 0; i <= 200; ++i) {
            const double u = i / 200.0;
            struct Pair {
                unsigned newSeg;
                unsigned oldSeg;
                double oldT;
            };
            for (const Pair& q : {Pair{1, 1, u}, Pair{2, 2, t0 * u}, Pair{3, 2, t0 + (1 - t0) * u}, Pair{4, 3, u}}) {
                const Pt a = beztest::SplinePoint(now, q.newSeg, u), c = beztest::SplinePoint(pts, q.oldSeg, q.oldT);
                ASSERT_NEAR(Len(a, c), 0.0, 1e-9) << "t0 " << t0 << " segment " << q.newSeg << " u " << u;
            }
        }
    }
}

TEST(GeBezierEditTest, DelMainNodeJoinsSegmentsAndRecloses)
{
    // A closed four-segment loop around the origin.
    const double k = 0.5523 * 10;
    const std::vector<Pt> loop = {{10, 0},  {10, k},   {k, 10},  {0, 10},  {-k, 10}, {-10, k}, {-10, 0},
                                  {-10, -k}, {-k, -10}, {0, -10}, {k, -10}, {10, -k}, {10, 0}};
    auto make = [&](CGeBezier& b) { ASSERT_TRUE(beztest::MakeSpline(b, loop)); };

    {
        CGeBezier b;
        make(b);
        ASSERT_EQ(b.GetClosedFlag(), 1);
        unsigned both[2] = {0, 12};
        ASSERT_EQ(b.DelMainNode(both, 2), 1);
        const std::vector<int> from = {3, 4, 5, 6, 7, 8, 9, 10, 2, 3};
        ASSERT_EQ(b.GetNodeCount(), from.size());
        for (size_t i = 0; i < from.size(); ++i) {
            EXPECT_EQ(NodeAt(b, unsigned(i)).x, loop[from[i]].x) << "node " << i;
            EXPECT_EQ(NodeAt(b, unsigned(i)).y, loop[from[i]].y) << "node " << i;
        }
        EXPECT_EQ(b.GetClosedFlag(), 1) << "closed again at the first kept main node";
    }
    {
        CGeBezier b;
        make(b);
        unsigned start[1] = {0};
        ASSERT_EQ(b.DelMainNode(start, 1), 1);
        EXPECT_EQ(b.GetNodeCount(), 10u);
        EXPECT_EQ(b.GetClosedFlag(), 0) << "one end deleted opens the loop";
    }
    {
        CGeBezier b;
        make(b);
        unsigned inner[2] = {3, 9};
        ASSERT_EQ(b.DelMainNode(inner, 2), 1);
        ASSERT_EQ(b.GetNodeCount(), 7u);
        EXPECT_EQ(NodeAt(b, 1).y, loop[1].y) << "outer handles kept";
        EXPECT_EQ(NodeAt(b, 2).x, loop[5].x);
        EXPECT_EQ(NodeAt(b, 3).x, -10.0);
    }
    {
        CGeBezier b;
        make(b);
        ASSERT_EQ(b.DelMainNode(3u), 1);
        ASSERT_EQ(b.GetNodeCount(), 10u);
        EXPECT_EQ(NodeAt(b, 1).y, loop[1].y);
        EXPECT_EQ(NodeAt(b, 2).x, loop[5].x);
        ASSERT_EQ(b.DelMainNode(0u), 1);
        EXPECT_EQ(NodeAt(b, 0).x, -10.0) << "node 3 becomes the start";
        ASSERT_EQ(b.DelMainNode(6u), 1) << "the end";
        EXPECT_EQ(b.GetNodeCount(), 4u);
        EXPECT_EQ(b.DelMainNode(0u), 0) << "one segment is the minimum";
        unsigned any[1] = {0};
        EXPECT_EQ(b.DelMainNode(any, 1), 0);
    }
}

TEST(GeBezierEditTest, ReverseSwapsNodesWithTheirKinds)
{
    auto nodes = ToNodes({{0, 0}, {1, 1}, {2, 1}, {3, 0}, {4, -1}, {5, -1}, {6, 0}}, {0, 0, 0, 2, 0, 0, 1});
    CGeBezier b;
    ASSERT_EQ(b.CreateEx(7, nodes.data()), 1);
    b.Reverse();
    for (unsigned i = 0; i < 7; ++i) {
        EXPECT_EQ(NodeAt(b, i).x, nodes[6 - i].x) << i;
        EXPECT_EQ(KindAt(b, i), nodes[6 - i].kind) << i;
    }
    double s[2];
    b.GetStartPoint(s);
    EXPECT_EQ(s[0], 6.0);
    EXPECT_EQ(b.GetSWPoint()[0][0], 6.0) << "display rebuilt";
}

TEST(GeBezierCopyTest, CopyCarriesEverything)
{
    CGeBezier empty;
    EXPECT_EQ(empty.Copy(), nullptr);
    CGeBezier b;
    ASSERT_TRUE(beztest::MakeSpline(b, {{0, 0}, {1, 0}, {2, 2}, {0, 3}, {-2, 2}, {-1, 0}, {0, 0}}));
    b.SetHandle(41);
    std::unique_ptr<CGeCurve> c(b.Copy());
    auto* copy = dynamic_cast<CGeBezier*>(c.get());
    ASSERT_NE(copy, nullptr);
    ExpectSameNodes(*copy, Snapshot(b), "copy");
    EXPECT_EQ(copy->GetHandle(), 41u);
    EXPECT_EQ(copy->GetClosedFlag(), 1);
    ASSERT_EQ(copy->GetSWPointCount(), b.GetSWPointCount());
    EXPECT_EQ(copy->GetSegEnds().GetSize(), b.GetSegEnds().GetSize());
    EXPECT_EQ(copy->GetSWPoint()[3][1], b.GetSWPoint()[3][1]);
}

// Transforms move nodes and display alike: every display point stays on the
// transformed spline's own curve (its segment's polyline range ends on nodes).
TEST(GeBezierTransformTest, NodesAndDisplayAgree)
{
    struct Row {
        const char* label;
        std::function<void(CGeBezier&)> apply;
        std::function<Pt(Pt)> map;
    };
    const double ang = 0.7;
    const std::vector<Row> rows = {
        {"translate", [](CGeBezier& b) { double v[2] = {3, -2}; b.Translate(v); }, [](Pt p) { return Pt{p.x + 3, p.y - 2}; }},
        {"rotate", [&](CGeBezier& b) { double c[2] = {1, 1}; b.Rotate(c, ang); },
         [&](Pt p) { return Pt{1 + (p.x - 1) * std::cos(ang) - (p.y - 1) * std::sin(ang), 1 + (p.x - 1) * std::sin(ang) + (p.y - 1) * std::cos(ang)}; }},
        {"mirror through two points", [](CGeBezier& b) { double p[2] = {0, 0}, q[2] = {2, 2}; b.Mirror(p, q); },
         [](Pt p) { return Pt{p.y, p.x}; }},
        {"scale", [](CGeBezier& b) { double c[2] = {0, 0}, f[2] = {2, 0.5}; b.Scale(c, f); }, [](Pt p) { return Pt{2 * p.x, 0.5 * p.y}; }},
        {"shear", [](CGeBezier& b) { double c[2] = {0, 0}, f[2] = {0.5, 0}; b.Shear(c, f); }, [](Pt p) { return Pt{p.x + 0.5 * p.y, p.y}; }},
        {"matrix", [](CGeBezier& b) { double m[3][3] = {{0, 1, 0}, {-1, 0, 0}, {5, 6, 1}}; b.Transform(m, 0); },
         [](Pt p) { return Pt{-p.y + 5, p.x + 6}; }},
    };
    std::mt19937 rng(5);
    const auto pts = beztest::RandomNodes(rng, 3, 40.0);
    for (const Row& r : rows) {
        CGeBezier b;
        ASSERT_TRUE(beztest::MakeSpline(b, pts)) << r.label;
        const int before = b.GetSWPointCount();
        std::vector<Pt> disp;
        for (int i = 0; i < before; ++i) disp.push_back({b.GetSWPoint()[i][0], b.GetSWPoint()[i][1]});
        r.apply(b);
        for (size_t i = 0; i < pts.size(); ++i) {
            const Pt want = r.map(pts[i]);
            EXPECT_NEAR(NodeAt(b, unsigned(i)).x, want.x, 1e-9) << r.label << " node " << i;
            EXPECT_NEAR(NodeAt(b, unsigned(i)).y, want.y, 1e-9) << r.label << " node " << i;
        }
        const int n = b.GetSWPointCount();
        ASSERT_GE(n, 2) << r.label;
        EXPECT_NEAR(b.GetSWPoint()[0][0], NodeAt(b, 0).x, 1e-9) << r.label;
        EXPECT_NEAR(b.GetSWPoint()[n - 1][1], NodeAt(b, 9).y, 1e-9) << r.label;
        if (std::string(r.label) != "matrix") {
            ASSERT_EQ(n, before) << r.label << ": the display polyline itself is transformed";
            for (int i = 0; i < n; ++i) {
                const Pt want = r.map(disp[i]);
                EXPECT_NEAR(b.GetSWPoint()[i][0], want.x, 1e-9) << r.label << " display " << i;
            }
        }
        BOX2<double> box;
        b.GetBox2d(&box);
        for (int i = 0; i < n; ++i) EXPECT_TRUE(box.xmin <= b.GetSWPoint()[i][0] && b.GetSWPoint()[i][0] <= box.xmax) << r.label;
    }
}

TEST(GeBezierArchiveTest, RecordIsTwelvePlusTwentyBytesPerNode)
{
    CQVGlobal settings;
    gSetQVGlobal(&settings);
    settings.SetVersion(6);
    auto nodes = ToNodes({{0, 0}, {1, 0}, {2, 2}, {0, 3}, {-2, 2}, {-1, 0}, {0, 0}}, {2, 0, 0, 1, 0, 0, 2});
    CGeBezier b;
    ASSERT_EQ(b.CreateEx(7, nodes.data()), 1);
    b.SetHandle(9);
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        b.Serialize(ar);
        ar.Close();
    }
    EXPECT_EQ(file.GetLength(), 12u + 20u * 7u);
    file.SeekToBegin();
    CGeBezier back;
    {
        CArchive ar(&file, CArchive::load);
        back.Serialize(ar);
        ar.Close();
    }
    ExpectSameNodes(back, nodes, "loaded");
    EXPECT_EQ(back.GetHandle(), 9u);
    EXPECT_EQ(back.GetClosedFlag(), 1);
    EXPECT_GE(back.GetSWPointCount(), 2) << "display rebuilt on load";
    EXPECT_EQ(back.GetSegEnds().GetSize(), 3);
    gSetQVGlobal(nullptr);
}

namespace {

// Loads into back a record of handle 5, open, then what nodes writes (the node
// count and nodes); the cause of the archive exception, or none.
int LoadRecord(CGeBezier& back, const std::function<void(CArchive&)>& nodes)
{
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        ar << std::uint32_t(5) << int(0);
        nodes(ar);
        ar.Close();
    }
    file.SeekToBegin();
    try {
        CArchive ar(&file, CArchive::load);
        back.Serialize(ar);
    } catch (const CArchiveException& e) {
        return e.m_cause;
    }
    return CArchiveException::none;
}

}  // namespace

TEST(GeBezierArchiveTest, CountBeyondTheDataFailsBeforeAllocating)
{
    CQVGlobal settings;
    gSetQVGlobal(&settings);
    settings.SetVersion(6);
    struct Row {
        const char* label;
        int count;
        int nodesPresent;
    };
    for (const Row& r : {Row{"huge count", 0x7FFFFFFF, 1}, Row{"one node short", 3, 2}, Row{"negative", -4, 0}}) {
        CGeBezier back;
        const int cause = LoadRecord(back, [&r](CArchive& ar) {
            ar << r.count;
            for (int i = 0; i < r.nodesPresent; ++i) ar << 1.0 << 2.0 << int(0);
        });
        EXPECT_EQ(cause, CArchiveException::endOfFile) << r.label;
        EXPECT_EQ(back.GetNodeCount(), 0u) << r.label;
    }
    gSetQVGlobal(nullptr);
}

// A node no drawing can hold (beyond 1e9 mm, or not finite) is a damaged
// record; the largest allowed coordinate loads.
TEST(GeBezierArchiveTest, OutOfRangeNodesFailTheLoad)
{
    CQVGlobal settings;
    gSetQVGlobal(&settings);
    settings.SetVersion(6);
    struct Row {
        const char* label;
        double x;
        int cause;
    };
    const Row rows[] = {{"1e9", 1e9, CArchiveException::none},
                        {"-1e9", -1e9, CArchiveException::none},
                        {"1e12", 1e12, CArchiveException::genericException},
                        {"-1.000001e9", -1.000001e9, CArchiveException::genericException},
                        {"NaN", std::numeric_limits<double>::quiet_NaN(), CArchiveException::genericException},
                        {"infinity", std::numeric_limits<double>::infinity(), CArchiveException::genericException}};
    for (const Row& r : rows) {
        CGeBezier back;
        const int cause = LoadRecord(back, [&r](CArchive& ar) {
            ar << int(4);
            for (double x : {0.0, r.x, 0.0, 1.0}) ar << x << 1.0 << int(0);
        });
        EXPECT_EQ(cause, r.cause) << r.label;
        EXPECT_EQ(back.GetNodeCount(), r.cause == CArchiveException::none ? 4u : 0u) << r.label;
    }
    gSetQVGlobal(nullptr);
}

TEST(GeBezierDrawTest, NodesAreMarkedAsTheFlagsAsk)
{
    CLooker looker;
    looker.SetViewRect(CRect(0, 0, 400, 300));
    gSetLooker(&looker);
    struct Row {
        const char* label;
        bool closed;
        int start, end;
        size_t ellipses, rectangles;
    };
    const std::vector<Row> rows = {
        {"open, both marks", false, 1, 1, 1, 2}, {"open, no marks", false, 0, 0, 0, 1},
        {"closed, both marks", true, 1, 1, 1, 1},
    };
    for (const Row& r : rows) {
        CGeBezier b;
        ASSERT_TRUE(beztest::MakeSpline(b, r.closed ? std::vector<Pt>{{0, 0}, {1, 0}, {2, 2}, {0, 3}, {-2, 2}, {-1, 0}, {0, 0}}
                                                    : std::vector<Pt>{{0, 0}, {1, 0}, {2, 2}, {0, 3}, {-2, 2}, {-1, 0}, {0, 5}}));
        RecordingDC dc;
        b.DrawNode(&dc, r.start, r.end);
        EXPECT_EQ(dc.Count(DCRecord::Ellipse), r.ellipses) << r.label;
        EXPECT_EQ(dc.Count(DCRecord::Rectangle), r.rectangles) << r.label;
        for (const DCRecord& e : dc.Filter(DCRecord::Ellipse)) {
            EXPECT_EQ(e.pen.colour, RGB(0, 125, 0)) << r.label;
            EXPECT_EQ(e.rect.right - e.rect.left, 8) << r.label << ": 3 pixels each side, grown by 1";
        }
        for (const DCRecord& e : dc.Filter(DCRecord::Rectangle)) EXPECT_EQ(e.rect.right - e.rect.left, 6) << r.label;
        // The curve itself: a plain polyline through the display points.
        RecordingDC curve;
        b.Draw(&curve, 0);
        EXPECT_FALSE(curve.Strokes().empty()) << r.label;
    }
    gSetLooker(nullptr);
}
