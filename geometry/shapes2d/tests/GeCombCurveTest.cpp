// Composite curves: the parameter convention, ownership when adding,
// flattening and separating, transforms, linking and stitching, refining,
// splitting and the archive record.
#include "framework/looker/Looker.h"
#include "framework/looker/QVGlobal.h"
#include "framework/looker/SnapRecords.h"
#include "geometry/shapes2d/GeArc.h"
#include "geometry/shapes2d/GeBezier.h"
#include "geometry/shapes2d/CurveListMerge.h"
#include "geometry/shapes2d/GeCombCurve.h"
#include "geometry/shapes2d/GeHit.h"
#include "geometry/shapes2d/GeLine.h"
#include "geometry/shapes2d/GePolyline.h"
#include "platform/core/Archive.h"
#include "platform/core/File.h"
#include "platform/core/RecordingDC.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

using CurveList = CTypedPtrList<CObList, CGeCurve*>;

CGeLine* Line(double x1, double y1, double x2, double y2)
{
    const double p[2] = {x1, y1}, q[2] = {x2, y2};
    return new CGeLine(p, q);
}

CGePolyline* Poly(std::vector<tagPoint2d> pts)
{
    CArray<tagPoint2d, tagPoint2d> a;
    for (const tagPoint2d& p : pts) a.Add(p);
    auto* poly = new CGePolyline;
    EXPECT_EQ(poly->Create(&a), 1);
    return poly;
}

// A two-segment spline from its seven nodes.
CGeBezier* Bezier(std::vector<tagPoint2d> nodes)
{
    std::vector<double> flat;
    for (const tagPoint2d& p : nodes) {
        flat.push_back(p.x);
        flat.push_back(p.y);
    }
    auto* bez = new CGeBezier;
    EXPECT_EQ(bez->CreateEx(static_cast<unsigned>(nodes.size()), reinterpret_cast<double(*)[2]>(flat.data())), 1);
    return bez;
}

// Quarter circle of radius r about the origin from angle a0, counter-clockwise.
CGeArc* Arc(double r, double a0, double sweep)
{
    const double c[2] = {0.0, 0.0};
    auto* arc = new CGeArc;
    EXPECT_EQ(arc->CreateCSEAngle(c, r, a0, a0 + sweep), 1);
    arc->Discrete(0.001);
    return arc;
}

std::unique_ptr<CGeCombCurve> Comb(std::vector<CGeCurve*> members)
{
    auto comb = std::make_unique<CGeCombCurve>();
    for (CGeCurve* m : members) comb->AddTail(m, 0);
    comb->CalcBox2d();
    return comb;
}

double Dist(const double* a, const double* b) { return std::hypot(a[0] - b[0], a[1] - b[1]); }

// Closed-form cubic Bézier point of segment k (1-based) of a node list.
void BezierPoint(const std::vector<tagPoint2d>& n, unsigned k, double t, double* p)
{
    const tagPoint2d* q = &n[3 * (k - 1)];
    const double u = 1.0 - t;
    const double w[4] = {u * u * u, 3 * u * u * t, 3 * u * t * t, t * t * t};
    p[0] = p[1] = 0.0;
    for (int i = 0; i < 4; ++i) {
        p[0] += w[i] * q[i].x;
        p[1] += w[i] * q[i].y;
    }
}

const std::vector<tagPoint2d> kBezNodes = {{0, 4}, {-1, 5}, {-2, 5}, {-3, 4}, {-4, 3}, {-4, 2}, {-3, 1}};

// Line (0,0)-(4,0); polyline (4,0),(4,4),(0,4); the two-segment spline from (0,4).
std::unique_ptr<CGeCombCurve> ThreeKinds()
{
    return Comb({Line(0, 0, 4, 0), Poly({{4, 0}, {4, 4}, {0, 4}}), Bezier(kBezNodes)});
}

TEST(GeCombCurveTest, ParameterConvention)
{
    auto comb = ThreeKinds();
    ASSERT_EQ(comb->GetSegmentCount(), 3);
    struct Row {
        const char* label;
        unsigned member;
        double x;
        double expect[2];
    };
    double b025[2], b1[2], b25[2];
    BezierPoint(kBezNodes, 1, 0.25, b025);
    BezierPoint(kBezNodes, 1, 1.0, b1);
    BezierPoint(kBezNodes, 2, 0.5, b25);
    const Row rows[] = {
        {"line x=0", 1, 0.0, {0, 0}},
        {"line x=0.25", 1, 0.25, {1, 0}},
        {"line x=1 is its end", 1, 1.0, {4, 0}},
        {"line x=2.5 is 0.5 on it", 1, 2.5, {2, 0}},
        {"polyline x=0", 2, 0.0, {4, 0}},
        {"polyline x=0.25 on edge 1", 2, 0.25, {4, 1}},
        {"polyline x=1 is the start of edge 2", 2, 1.0, {4, 4}},
        {"polyline x=2.5 is 0.5 on edge 2", 2, 2.5, {2, 4}},
        {"bezier x=0", 3, 0.0, {0, 4}},
        {"bezier x=0.25 on segment 1", 3, 0.25, {b025[0], b025[1]}},
        {"bezier x=1 is the start of segment 2", 3, 1.0, {b1[0], b1[1]}},
        {"bezier x=2.5 is 0.5 on segment 2", 3, 2.5, {b25[0], b25[1]}},
    };
    for (const Row& r : rows) {
        double p[2] = {-99, -99}, q[2] = {-99, -99};
        comb->GetPointAt(r.x, p, r.member);
        EXPECT_NEAR(p[0], r.expect[0], 1e-9) << r.label;
        EXPECT_NEAR(p[1], r.expect[1], 1e-9) << r.label;
        comb->EvPos(r.x, q, r.member);
        EXPECT_NEAR(Dist(p, q), 0.0, 1e-9) << r.label << " (EvPos)";
        // The derivative evaluations address the same point.
        double d[2], e[2] = {-99, -99};
        comb->Ev1Der(r.x, e, d, r.member);
        EXPECT_NEAR(Dist(p, e), 0.0, 1e-9) << r.label << " (Ev1Der)";
    }
    double p[2] = {-99, -99};
    comb->GetPointAt(0.5, p, 4);
    EXPECT_EQ(p[0], -99) << "a member index past the end writes nothing";
}

TEST(GeCombCurveTest, ArcLengthFollowsTheParameterConvention)
{
    // Line of length 4, polyline edges of length 4 and 4, spline.
    auto comb = ThreeKinds();
    const double bez = comb->GetSubCurve(3)->EvTotalArcLength();
    struct Row {
        const char* label;
        double x1;
        unsigned k1;
        double x2;
        unsigned k2;
        double expect;
    };
    const Row rows[] = {
        {"within the line", 0.25, 1, 0.75, 1, 2.0},
        {"line end to polyline edge 2 middle", 1.0, 1, 2.5, 2, 6.0},
        {"half the line to a quarter of polyline edge 1", 0.5, 1, 0.25, 2, 3.0},
        {"polyline edge 1 middle to edge 2 middle", 0.5, 2, 2.5, 2, 4.0},
        {"whole composite", 0.0, 1, 3.0, 3, 12.0 + bez},
        {"reversed positions", 0.75, 1, 0.25, 1, 0.0},
        {"k2 before k1", 0.0, 2, 1.0, 1, 0.0},
        {"member out of range", 0.0, 1, 1.0, 4, 0.0},
        {"negative parameter", -0.5, 1, 1.0, 2, 0.0},
    };
    for (const Row& r : rows) EXPECT_NEAR(comb->EvArcLength(r.x1, r.k1, r.x2, r.k2), r.expect, 1e-6) << r.label;

    // Two unit lines: t1 counts on member 1, so half of each line is 1.
    auto two = Comb({Line(0, 0, 1, 0), Line(1, 0, 2, 0)});
    EXPECT_NEAR(two->EvArcLength(0.5, 1, 0.5, 2), 1.0, 1e-12);
    EXPECT_NEAR(two->EvArcLength(0.5, 0.5, 2), 1.0, 1e-12) << "three-argument form starts on member 1";
    EXPECT_NEAR(two->EvTotalArcLength(), 2.0, 1e-12);
}

TEST(GeCombCurveTest, NearestPointAndParamAnswerWithTheMemberIndex)
{
    auto comb = ThreeKinds();
    double p[2] = {4.2, 2.5}, q[2];
    double t = 0.0, dist = 0.0;
    unsigned seg = 0;
    EXPECT_EQ(comb->GetNearestPoint(p, q, t, seg, dist), 2);
    EXPECT_EQ(seg, 1u);
    EXPECT_NEAR(t, 0.625, 1e-9);
    EXPECT_NEAR(dist, 0.2, 1e-9);

    EXPECT_EQ(comb->EvParam(6.0, t, seg, 0.0), 2) << "6 along: edge 1 of the polyline";
    EXPECT_EQ(seg, 1u);
    EXPECT_NEAR(t, 0.5, 1e-9);
    EXPECT_EQ(comb->EvParam(1.0, t, seg, 0.0), 1);
    EXPECT_NEAR(t, 0.25, 1e-9);
    EXPECT_EQ(CGeCombCurve().EvParam(1.0, t, seg, 0.0), 0) << "empty";

    // Lengths outside the curve: a closed square wraps, an open chain clamps,
    // a huge length ends at once.
    auto square = Comb({Line(0, 0, 1, 0), Line(1, 0, 1, 1), Line(1, 1, 0, 1), Line(0, 1, 0, 0)});
    struct Row {
        const char* label;
        double len;
        int member;
        double t;
    };
    const Row rows[] = {
        {"one and a half turns", 6.5, 3, 0.5},
        {"negative wraps", -0.25, 4, 0.75},
        {"huge negative", -1e300, -1, 0.0},
    };
    for (const Row& r : rows) {
        t = -1.0;
        const int k = square->EvParam(r.len, t, seg, 0.0);
        if (r.member < 0) {
            EXPECT_GE(k, 0) << r.label;
            continue;
        }
        EXPECT_EQ(k, r.member) << r.label;
        EXPECT_NEAR(t, r.t, 1e-9) << r.label;
    }
}

TEST(GeCombCurveTest, CreateFromListChecksLinking)
{
    CurveList closed;
    closed.AddTail(Line(0, 0, 1, 0));
    closed.AddTail(Line(1.01, 0, 0, 1));
    closed.AddTail(Line(0, 1, 0, 0.015));
    std::unique_ptr<CGeCombCurve> comb(CGeCombCurve::Create(&closed));
    ASSERT_TRUE(comb);
    EXPECT_EQ(comb->GetSegmentCount(), 3);
    EXPECT_EQ(comb->GetClosedFlag(), 1);
    closed.RemoveAll();  // the composite owns the curves now

    CurveList gap;
    gap.AddTail(Line(0, 0, 1, 0));
    gap.AddTail(Line(1.5, 0, 2, 0));
    EXPECT_EQ(CGeCombCurve::Create(&gap), nullptr);
    DeleteOwnedList(gap);

    EXPECT_EQ(CGeCombCurve::Create(static_cast<CurveList*>(nullptr)), nullptr);
    EXPECT_EQ(CGeCombCurve::Create(static_cast<CGeCurve*>(nullptr)), nullptr);
    CGeCombCurve inner;
    EXPECT_EQ(CGeCombCurve::Create(&inner), nullptr) << "a composite is not wrapped";
}

TEST(GeCombCurveTest, AddingKeepsOrderAndTakesOwnership)
{
    CGeLine* a = Line(0, 0, 1, 0);
    CGeLine* b = Line(1, 0, 2, 0);
    CGeLine* x = Line(5, 5, 6, 6);
    auto comb = Comb({x});
    CurveList list;
    list.AddTail(a);
    list.AddTail(b);
    comb->AddHead(&list, 1);
    list.RemoveAll();
    ASSERT_EQ(comb->GetSegmentCount(), 3);
    EXPECT_EQ(comb->GetSubCurve(1), b) << "AddHead of a list reverses it";
    EXPECT_EQ(comb->GetSubCurve(2), a);
    EXPECT_EQ(comb->GetSubCurve(3), x);

    // A composite element hands over its members in order; its shell is deleted.
    CGeLine* c = Line(6, 6, 7, 6);
    CGeLine* d = Line(7, 6, 8, 6);
    auto* inner = new CGeCombCurve;
    inner->AddTail(c, 0);
    inner->AddTail(d, 0);
    comb->AddTail(inner, 1);
    comb->AddTail(new CGeCombCurve, 1);  // an empty composite is taken over and deleted
    comb->AddTail(static_cast<CGeCurve*>(nullptr), 1);
    ASSERT_EQ(comb->GetSegmentCount(), 5);
    EXPECT_EQ(comb->GetCurveList().GetCount(), 5) << "no null entry is stored";
    EXPECT_EQ(comb->GetSubCurve(4), c);
    EXPECT_EQ(comb->GetSubCurve(5), d);

    auto* head = new CGeCombCurve;
    CGeLine* e = Line(-2, 0, -1, 0);
    CGeLine* f = Line(-1, 0, 0, 0);
    head->AddTail(e, 0);
    head->AddTail(f, 0);
    comb->AddHead(head, 1);
    EXPECT_EQ(comb->GetSubCurve(1), e) << "a composite's members keep their order at the head";
    EXPECT_EQ(comb->GetSubCurve(2), f);
    BOX2<double> box;
    comb->GetBox2d(&box);
    EXPECT_DOUBLE_EQ(box.xmin, -2);
    EXPECT_DOUBLE_EQ(box.xmax, 8);
}

TEST(GeCombCurveTest, NestedCompositesAreFlattened)
{
    // As after loading: composite members put straight into the list.
    auto* c2 = new CGeCombCurve;
    c2->GetCurveList().AddTail(Line(1, 0, 2, 0));
    c2->GetCurveList().AddTail(Line(2, 0, 3, 0));
    auto* c1 = new CGeCombCurve;
    c1->GetCurveList().AddTail(Line(0, 0, 1, 0));
    c1->GetCurveList().AddTail(c2);
    CGeCombCurve comb;
    comb.GetCurveList().AddTail(c1);
    comb.GetCurveList().AddTail(Line(3, 0, 4, 0));

    CArray<tagPoint2d, tagPoint2d> pts;
    comb.DiscreteInArray(0.01, &pts, 3.0, false);
    ASSERT_EQ(comb.GetSegmentCount(), 4);
    for (int k = 1; k <= 4; ++k) EXPECT_EQ(comb.GetSubCurve(k)->GetType(), 2) << "member " << k;
    ASSERT_EQ(pts.GetSize(), 5) << "joints counted once";
    for (int i = 0; i < 5; ++i) EXPECT_DOUBLE_EQ(pts[i].x, i);
}

TEST(GeCombCurveTest, DiscreteInArrayClosesOnlyItsOwnRun)
{
    auto square = Comb({Line(0, 0, 1, 0), Line(1, 0, 1, 1), Line(1, 1, 0, 1), Line(0, 1, 0, 0.005)});
    CArray<tagPoint2d, tagPoint2d> pts;
    pts.Add(tagPoint2d{-7, -7});
    pts.Add(tagPoint2d{-8, -8});
    square->DiscreteInArray(0.01, &pts, 3.0, false);
    ASSERT_EQ(pts.GetSize(), 7);
    EXPECT_EQ(pts[0].x, -7) << "the caller's points stay";
    EXPECT_EQ(pts[1].x, -8);
    EXPECT_DOUBLE_EQ(pts[2].x, pts[6].x) << "the run's first point is its last";
    EXPECT_DOUBLE_EQ(pts[2].y, pts[6].y);

    std::unique_ptr<CGeCurve> poly(square->ToPLine(0.01, 3.0));
    ASSERT_TRUE(poly);
    EXPECT_EQ(poly->GetType(), 0x40);
    double s[2], e[2];
    poly->GetStartPoint(s);
    poly->GetEndPoint(e);
    EXPECT_EQ(Dist(s, e), 0.0);
}

TEST(GeCombCurveTest, ScaleAndTransformReplaceMembers)
{
    struct Row {
        const char* label;
        bool viaMatrix;
    };
    for (const Row& r : {Row{"Scale", false}, Row{"Transform", true}}) {
        auto comb = Comb({Line(-1, 0, 1, 0), Arc(1.0, 0.0, M_PI / 2)});
        CGeCurve* line = comb->GetSubCurve(1);
        double c[2] = {0, 0}, f[2] = {2.0, 1.0};
        CGeCurve* result = nullptr;
        if (r.viaMatrix) {
            double m[3][3] = {{2, 0, 0}, {0, 1, 0}, {0, 0, 1}};
            result = comb->Transform(m, 0);
        } else {
            result = comb->Scale(c, f);
        }
        EXPECT_EQ(result, comb.get()) << r.label;
        ASSERT_EQ(comb->GetSegmentCount(), 2) << r.label;
        EXPECT_EQ(comb->GetSubCurve(1), line) << r.label << ": the line stays itself";
        EXPECT_EQ(comb->GetSubCurve(2)->GetType(), 0x20) << r.label << ": the arc became a spline";
        double p[2];
        comb->GetSubCurve(2)->GetEndPoint(p);
        EXPECT_NEAR(p[0], 0.0, 1e-6) << r.label;
        EXPECT_NEAR(p[1], 1.0, 1e-6) << r.label;
        comb->GetSubCurve(2)->GetStartPoint(p);
        EXPECT_NEAR(p[0], 2.0, 1e-6) << r.label;
        BOX2<double> box;
        comb->GetBox2d(&box);
        EXPECT_NEAR(box.xmax, 2.0, 1e-6) << r.label;
        EXPECT_NEAR(box.xmin, -2.0, 1e-6) << r.label;
    }

    // An arc that cannot be scaled (factor 0) drops out: no null member is stored.
    auto comb = Comb({Line(-1, 0, 1, 0), Arc(1.0, 0.0, M_PI / 2)});
    double c[2] = {0, 0}, zero[2] = {0.0, 0.0};
    comb->Scale(c, zero);
    EXPECT_EQ(comb->GetSegmentCount(), static_cast<int>(comb->GetCurveList().GetCount()));
    for (CGeCurve* m : comb->GetCurveList()) EXPECT_NE(m, nullptr);
}

TEST(GeCombCurveTest, TinyTranslateChangesNothing)
{
    auto comb = Comb({Line(0, 0, 1, 0)});
    double v[2] = {0.00005, 0.0};
    comb->Translate(v);
    double p[2];
    comb->GetStartPoint(p);
    EXPECT_EQ(p[0], 0.0);
    double w[2] = {1.0, 2.0};
    comb->Translate(w);
    comb->GetStartPoint(p);
    EXPECT_DOUBLE_EQ(p[0], 1.0);
    EXPECT_DOUBLE_EQ(p[1], 2.0);
}

TEST(GeCombCurveTest, ReverseAndReDirection)
{
    auto comb = Comb({Line(0, 0, 1, 0), Line(2, 0, 1, 0), Line(2, 0, 3, 0)});
    EXPECT_EQ(comb->IsLinked(0.01), 0);
    comb->ReDirection();
    EXPECT_EQ(comb->IsLinked(0.01), 1);
    comb->Reverse();
    double s[2], e[2];
    comb->GetStartPoint(s);
    comb->GetEndPoint(e);
    EXPECT_EQ(s[0], 3.0);
    EXPECT_EQ(e[0], 0.0);
    EXPECT_EQ(comb->IsLinked(0.01), 1);
}

TEST(GeCombCurveTest, StitchRepairs)
{
    // Arcs of radius 10: the second one starts 0.05 (or 0.2) past the first's end.
    auto arcPair = [](double gap) {
        CGeArc* first = Arc(10.0, 0.0, 0.5);
        double e[2];
        first->GetEndPoint(e);
        const double c[2] = {0.0, 0.0};
        auto* second = new CGeArc;
        const double a1 = 0.5 + gap / 10.0;
        second->CreateCSEAngle(c, 10.0, a1, a1 + 0.5);
        second->Discrete(0.001);
        return Comb({first, second});
    };
    {
        auto comb = arcPair(0.05);
        comb->Stitch(0.001);
        EXPECT_EQ(comb->GetSegmentCount(), 2) << "gap 0.05: an end is moved";
        EXPECT_EQ(comb->IsLinked(1e-6), 1);
        EXPECT_EQ(comb->GetSubCurve(2)->GetType(), 4);
    }
    {
        auto comb = arcPair(0.2);
        comb->Stitch(0.001);
        ASSERT_EQ(comb->GetSegmentCount(), 3) << "gap 0.2: a bridge line";
        EXPECT_EQ(comb->GetSubCurve(2)->GetType(), 2);
        EXPECT_EQ(comb->IsLinked(1e-9), 1);
    }
    {
        // Closing gap 0.02 lies above the 0.01 limit: not closed.
        auto comb = Comb({Line(0, 0, 1, 0), Line(1, 0, 0, 1), Line(0, 1, 0, 0.02)});
        comb->Stitch(0.001);
        double s[2], e[2];
        comb->GetStartPoint(s);
        comb->GetEndPoint(e);
        EXPECT_NEAR(Dist(s, e), 0.02, 1e-12);
        // 0.005 is closed by moving the first line's start.
        auto near = Comb({Line(0, 0, 1, 0), Line(1, 0, 0, 1), Line(0, 1, 0, 0.005)});
        near->Stitch(0.001);
        near->GetStartPoint(s);
        near->GetEndPoint(e);
        EXPECT_EQ(Dist(s, e), 0.0);
    }
}

TEST(GeCombCurveTest, StitchExCounts)
{
    // Inner gaps 0.005 (repaired, not counted), 0.05 (counted), 0.2 (bridge, counted);
    // the open ends are more than 0.5 apart.
    auto comb = Comb({Line(0, 0, 1, 0), Line(1.005, 0, 2, 0), Line(2.05, 0, 3, 0), Line(3.2, 0, 4, 0)});
    EXPECT_EQ(comb->StitchEx(0.5), 2);
    EXPECT_EQ(comb->GetSegmentCount(), 5);
    EXPECT_EQ(comb->IsLinked(1e-9), 1);

    // Closing gap 0.3 below tol: a closing line is appended and counted.
    auto open = Comb({Line(0, 0, 1, 0), Line(1, 0, 1, 1), Line(1, 1, 0, 0.3)});
    EXPECT_EQ(open->StitchEx(0.5), 1);
    EXPECT_EQ(open->GetSegmentCount(), 4);
    EXPECT_EQ(open->IsClosed(1e-9), 1);
    EXPECT_EQ(CGeCombCurve().StitchEx(1.0), 0);
}

TEST(GeCombCurveTest, CreateLinkedComCurveMovesMembersIntoPieces)
{
    CGeLine* a = Line(0, 0, 1, 0);
    CGeLine* b = Line(2, 0, 3, 0);
    CGeLine* c = Line(3, 0, 4, 0);
    auto* comb = new CGeCombCurve;
    for (CGeLine* l : {a, b, c}) comb->AddTail(l, 0);
    CTypedPtrList<CObList, CGeCombCurve*> pieces;
    comb->CreateLinkedComCurve(0.01, pieces);
    ASSERT_EQ(pieces.GetCount(), 2);
    EXPECT_EQ(pieces.GetHead()->GetSegmentCount(), 1);
    EXPECT_EQ(pieces.GetHead()->GetSubCurve(1), a);
    EXPECT_EQ(pieces.GetTail()->GetSegmentCount(), 2);
    EXPECT_EQ(pieces.GetTail()->GetSubCurve(1), b);
    EXPECT_EQ(pieces.GetTail()->GetSubCurve(2), c);
    EXPECT_EQ(comb->IsEmpty(), 1) << "each member has one owner";
    delete comb;  // deleting the emptied composite leaves the pieces intact
    EXPECT_EQ(pieces.GetTail()->EvTotalArcLength(), 2.0);
    DeleteOwnedList(pieces);

    // Already linked: a copy, the original unchanged.
    auto linked = Comb({Line(0, 0, 1, 0), Line(1, 0, 2, 0)});
    linked->CreateLinkedComCurve(0.01, pieces);
    ASSERT_EQ(pieces.GetCount(), 1);
    EXPECT_NE(pieces.GetHead(), linked.get());
    EXPECT_NE(pieces.GetHead()->GetSubCurve(1), linked->GetSubCurve(1));
    EXPECT_EQ(linked->GetSegmentCount(), 2);
    DeleteOwnedList(pieces);
}

TEST(GeCombCurveTest, RefineMergesRuns)
{
    const std::vector<tagPoint2d> b1 = {{2, 0}, {3, 1}, {4, 1}, {5, 0}};
    const std::vector<tagPoint2d> b2 = {{5, 0}, {6, -1}, {7, -1}, {8, 0}};
    CGeArc* arc = Arc(1.0, 0.0, M_PI / 2);
    double as[2];
    arc->GetStartPoint(as);
    arc->Translate(std::array<double, 2>{8 - as[0], 0 - as[1]}.data());
    auto comb = Comb({Line(0, 0, 1, 0), Line(1, 0, 2, 0), Bezier(b1), Bezier(b2), arc});
    comb->Refine();
    ASSERT_EQ(comb->GetSegmentCount(), 3);
    CGeCurve* straight = comb->GetSubCurve(1);
    ASSERT_EQ(straight->GetType(), 0x40);
    EXPECT_EQ(straight->GetSWPointCount(), 3);
    ASSERT_EQ(comb->GetSubCurve(2)->GetType(), 0x20);
    auto* bez = static_cast<CGeBezier*>(comb->GetSubCurve(2));
    ASSERT_EQ(bez->GetNodeCount(), 7u) << "the shared node once";
    EXPECT_EQ(bez->GetNodes()[3].x, 5.0);
    EXPECT_EQ(bez->GetNodes()[6].x, 8.0);
    EXPECT_EQ(comb->GetSubCurve(3), arc) << "the arc stays itself";
    EXPECT_EQ(comb->IsLinked(1e-9), 1);

    // A single line between two arcs stays the same object.
    CGeArc* a1 = Arc(1.0, 0.0, M_PI / 2);  // ends at (0, 1)
    CGeLine* mid = Line(0, 1, -1, 1);
    CGeArc* a2 = Arc(1.0, M_PI / 2, M_PI / 2);
    a2->Translate(std::array<double, 2>{-1, 0}.data());
    auto lone = Comb({a1, mid, a2});
    lone->Refine();
    ASSERT_EQ(lone->GetSegmentCount(), 3);
    EXPECT_EQ(lone->GetSubCurve(2), mid);
}

TEST(GeCombCurveTest, MergeSubCurveAndLean)
{
    const std::vector<tagPoint2d> b1 = {{2, 0}, {3, 1}, {4, 1}, {5, 0}};
    const std::vector<tagPoint2d> b2 = {{5, 0}, {6, -1}, {7, -1}, {8, 0}};
    CGeArc* arc = Arc(1.0, -M_PI / 2, M_PI / 2);  // from (0, -1) to (1, 0)
    arc->Translate(std::array<double, 2>{8, 1}.data());
    auto comb = Comb({Line(0, 0, 1, 0), Line(1, 0, 2, 0), Bezier(b1), Bezier(b2), arc});
    const double length = comb->EvTotalArcLength();
    comb->MergeSubCurve();
    ASSERT_EQ(comb->GetSegmentCount(), 3);
    EXPECT_EQ(comb->GetSubCurve(1)->GetType() & (0x2 | 0x40), comb->GetSubCurve(1)->GetType());
    EXPECT_EQ(comb->GetSubCurve(2)->GetType(), 0x20);
    EXPECT_EQ(comb->GetSubCurve(2)->GetSegmentCount(), 2);
    EXPECT_EQ(comb->GetSubCurve(3), arc);
    EXPECT_NEAR(comb->EvTotalArcLength(), length, 1e-6) << "merging keeps the shape";

    // Lean: each run of lines and polylines becomes one thinned polyline.
    CGeArc* mid = Arc(1.0, -M_PI / 2, M_PI / 2);
    mid->Translate(std::array<double, 2>{2, 1}.data());  // (2, 0) to (3, 1)
    auto lean = Comb({Line(0, 0, 1, 0), Poly({{1, 0}, {1.5, 0}, {2, 0}}), mid, Line(3, 1, 3, 2)});
    lean->Lean(0.01, 2.9670597283898);
    ASSERT_EQ(lean->GetSegmentCount(), 3);
    ASSERT_EQ(lean->GetSubCurve(1)->GetType(), 0x40);
    EXPECT_EQ(lean->GetSubCurve(1)->GetSWPointCount(), 2) << "collinear points thinned";
    EXPECT_EQ(lean->GetSubCurve(2), mid);
    EXPECT_EQ(lean->GetSubCurve(3)->GetType(), 0x40);
    EXPECT_EQ(lean->IsLinked(1e-9), 1);
}

// Lean as the plain composition of its steps: each run of straight members
// merged by geCurveListToPolyLine and thinned by CGePolyline::Lean; a run that
// does not merge stays. Works on copies; the result owns its members.
std::vector<std::unique_ptr<CGeCurve>> ReferenceLean(CGeCombCurve& comb, double tol, double angle)
{
    std::vector<std::unique_ptr<CGeCurve>> out;
    CurveList run;
    auto flush = [&]() {
        if (run.IsEmpty()) return;
        if (CGePolyline* poly = geCurveListToPolyLine(&run, tol, angle)) {
            poly->Lean(tol);
            out.emplace_back(poly);
            while (!run.IsEmpty()) delete run.RemoveHead();
        }
        while (!run.IsEmpty()) out.emplace_back(run.RemoveHead());
    };
    for (int k = 1; k <= comb.GetSegmentCount(); ++k) {
        CGeCurve* m = comb.GetSubCurve(k)->Copy();
        if (m->GetType() == 0x2 || m->GetType() == 0x40) {
            run.AddTail(m);
            continue;
        }
        flush();
        out.emplace_back(m);
    }
    flush();
    return out;
}

std::vector<double> Vertices(CGeCurve* c)
{
    const auto* pts = c->GetSWPoint();
    return std::vector<double>(&pts[0][0], &pts[0][0] + 2 * static_cast<size_t>(c->GetSWPointCount()));
}

TEST(GeCombCurveTest, LeanEqualsMergingThenThinningEachStraightRun)
{
    // Random chains of lines, zigzag polylines with nearly straight stretches
    // and splines, with gaps that leave some runs unmerged.
    std::mt19937 rng(57);
    std::uniform_real_distribution<double> jitter(-0.004, 0.004), step(0.2, 1.5), gapPick(0.0, 1.0);
    int merged = 0, kept = 0;
    for (int round = 0; round < 200; ++round) {
        const std::string label = "round " + std::to_string(round);
        std::vector<CGeCurve*> members;
        tagPoint2d at{0.0, 0.0};
        const int count = 1 + static_cast<int>(rng() % 9);
        for (int k = 0; k < count; ++k) {
            if (gapPick(rng) < 0.1) at.x += 0.05;  // a gap beyond the merging tolerance
            const tagPoint2d from = at;
            switch (rng() % 3) {
                case 0:
                    at = {at.x + step(rng), at.y + jitter(rng) * 50};
                    members.push_back(Line(from.x, from.y, at.x, at.y));
                    break;
                case 1: {
                    std::vector<tagPoint2d> pts{from};
                    const int n = 2 + static_cast<int>(rng() % 8);
                    for (int i = 0; i < n; ++i) {
                        at = {at.x + step(rng) * 0.3, at.y + (i % 3 == 0 ? 0.2 : jitter(rng))};
                        pts.push_back(at);
                    }
                    members.push_back(Poly(pts));
                    break;
                }
                default: {
                    const double d = step(rng);
                    std::vector<tagPoint2d> nodes{from,
                                                  {from.x + d / 3, from.y + 0.5},
                                                  {from.x + 2 * d / 3, from.y - 0.5},
                                                  {from.x + d, from.y}};
                    at = nodes.back();
                    members.push_back(Bezier(nodes));
                }
            }
        }
        auto comb = Comb(members);
        auto expected = ReferenceLean(*comb, 0.01, 2.9670597283898);
        comb->Lean(0.01, 2.9670597283898);
        ASSERT_EQ(comb->GetSegmentCount(), static_cast<int>(expected.size())) << label;
        for (int k = 1; k <= comb->GetSegmentCount(); ++k) {
            CGeCurve* got = comb->GetSubCurve(k);
            CGeCurve* want = expected[static_cast<size_t>(k - 1)].get();
            ASSERT_EQ(got->GetType(), want->GetType()) << label << " member " << k;
            if (got->GetType() == 0x2) ++kept;
            if (got->GetType() != 0x40) continue;
            ++merged;
            EXPECT_EQ(Vertices(got), Vertices(want)) << label << " member " << k << ": bit for bit";
            EXPECT_EQ(got->GetClosedFlag(), want->GetClosedFlag()) << label << " member " << k;
        }
        BOX2<double> box;
        comb->GetBox2d(&box);
        double p[2];
        comb->GetStartPoint(p);
        EXPECT_TRUE(box.xmin <= p[0] && p[0] <= box.xmax) << label << ": the box follows the new members";
    }
    EXPECT_GT(merged, 100) << "runs merged";
    EXPECT_GT(kept, 5) << "runs left as they were";
}

TEST(GeCombCurveTest, HitAnswersWithTheMember)
{
    auto comb = ThreeKinds();
    CPickRay ray;
    ray.m_pt[0] = 4.05;
    ray.m_pt[1] = 3.0;
    ray.m_dAperture = 0.1;
    CGeHit hit;
    ASSERT_EQ(comb->Hit(ray, hit), 1);
    EXPECT_EQ(hit.m_pCurve, comb->GetSubCurve(2)) << "the member, not the composite";
    EXPECT_EQ(hit.m_nSegment, 1);
    EXPECT_NEAR(hit.m_dParam, 0.75, 1e-9);
    ray.m_nTypeMask = 0x2;
    EXPECT_EQ(comb->Hit(ray, hit), 0) << "the composite's own type must be in the mask";
    ray.m_nTypeMask = -1;
    ray.m_pt[0] = 2.0;
    ray.m_pt[1] = 2.0;
    EXPECT_EQ(comb->Hit(ray, hit), 0) << "inside the box but farther than the aperture";
}

TEST(GeCombCurveTest, DrawingThinsRoundMembersToPixels)
{
    CLooker looker;  // one pixel per world unit
    gSetLooker(&looker);
    CGeArc* big = Arc(100.0, 0.0, M_PI / 2);
    big->Discrete(0.0001);
    const int arcPoints = big->GetSWPointCount();
    auto comb = Comb({Line(200, 100, 100, 0), big});
    RecordingDC dc;
    comb->Draw(&dc, 1);
    EXPECT_EQ(dc.Count(DCRecord::MoveTo), 1u) << "one pen path";
    // About one point per pixel of sagitta: acos(99/100) per step over a quarter turn.
    const int steps = static_cast<int>((M_PI / 2) / std::acos(0.99));
    const auto lines = static_cast<int>(dc.Count(DCRecord::LineTo));
    EXPECT_LT(lines, arcPoints) << "the arc is thinned";
    EXPECT_GE(lines, steps) << "but keeps about one point per step";

    // An arc smaller than a pixel draws its first point only.
    auto tiny = Comb({Arc(0.5, 0.0, M_PI)});
    dc.Clear();
    tiny->Draw(&dc, 1);
    EXPECT_EQ(dc.Count(DCRecord::MoveTo), 1u);
    EXPECT_EQ(dc.Count(DCRecord::LineTo), 0u);
    gSetLooker(nullptr);
}

TEST(GeCombCurveTest, SplitPartKinds)
{
    auto three = Comb({Line(0, 0, 1, 0), Line(1, 0, 2, 0), Line(2, 0, 3, 0)});
    CGeCurve* out[2] = {nullptr, nullptr};
    three->Split(0.5, out, 1, 2);
    ASSERT_TRUE(out[0] && out[1]);
    EXPECT_EQ(out[0]->GetType(), 0x80);
    EXPECT_EQ(out[0]->GetSegmentCount(), 2);
    EXPECT_DOUBLE_EQ(out[0]->EvTotalArcLength(), 1.5);
    EXPECT_EQ(out[1]->GetType(), 0x80);
    EXPECT_EQ(out[1]->GetSegmentCount(), 2);
    EXPECT_DOUBLE_EQ(out[1]->EvTotalArcLength(), 1.5);
    delete out[0];
    delete out[1];

    auto two = Comb({Line(0, 0, 1, 0), Line(1, 0, 2, 0)});
    out[0] = out[1] = nullptr;
    two->Split(0.5, out, 1, 1);
    ASSERT_TRUE(out[0] && out[1]);
    EXPECT_EQ(out[0]->GetType(), 2) << "a one-member part is the member itself";
    EXPECT_EQ(out[1]->GetType(), 0x80);
    delete out[0];
    delete out[1];

    out[0] = out[1] = nullptr;
    two->Split(0.5, out, 1, 3);
    two->Split(-0.5, out, 1, 1);
    EXPECT_FALSE(out[0] || out[1]) << "bad member index or parameter";

    // SplitEx: both parts always composites; polyline vertex positions.
    auto withPoly = Comb({Line(-1, 0, 0, 0), Poly({{0, 0}, {1, 0}, {1, 1}, {0, 1}})});
    struct Row {
        const char* label;
        double x;
        double firstLength;  // -1: no first part
        double secondLength; // -1: no second part
    };
    const Row rows[] = {
        {"x below 1.000001: whole member after", 0.5, 1.0, 3.0},
        {"x = 2.5: middle of edge 2", 2.5, 2.5, 1.5},
        {"x = K: whole member before", 4.0, 4.0, -1},
    };
    for (const Row& r : rows) {
        CGeCurve* parts[2] = {nullptr, nullptr};
        withPoly->SplitEx(r.x, parts, 2);
        for (int i = 0; i < 2; ++i) {
            const double want = i == 0 ? r.firstLength : r.secondLength;
            if (want < 0) {
                EXPECT_EQ(parts[i], nullptr) << r.label << " part " << i;
                continue;
            }
            ASSERT_TRUE(parts[i]) << r.label << " part " << i;
            EXPECT_EQ(parts[i]->GetType(), 0x80) << r.label << " part " << i;
            EXPECT_NEAR(parts[i]->EvTotalArcLength(), want, 1e-9) << r.label << " part " << i;
            delete parts[i];
        }
    }
    CGeCurve* parts[2] = {nullptr, nullptr};
    three->SplitEx(0.25, parts, 1);
    ASSERT_TRUE(parts[0] && parts[1]);
    EXPECT_EQ(parts[0]->GetType(), 0x80) << "a one-member part stays a composite";
    EXPECT_EQ(parts[0]->GetSegmentCount(), 1);
    delete parts[0];
    delete parts[1];
}

TEST(GeCombCurveTest, SplitBetweenRecords)
{
    auto comb = Comb({Line(0, 0, 1, 0), Poly({{1, 0}, {2, 0}, {3, 0}}), Line(3, 0, 4, 0)});
    IntPnt a, b;
    a.seg1 = 1;
    a.subSeg1 = 1;
    a.para1 = 0.0;
    b.seg1 = 3;
    b.subSeg1 = 1;
    b.para1 = 1.0;
    std::unique_ptr<CGeCurve> whole(comb->Split(a, b));
    ASSERT_TRUE(whole);
    EXPECT_NE(whole.get(), comb.get());
    EXPECT_DOUBLE_EQ(whole->EvTotalArcLength(), 4.0);

    // From 0.5 on the first line to the middle of the polyline's second edge.
    a.para1 = 0.5;
    a.pt[0] = 0.5;
    b.seg1 = 2;
    b.subSeg1 = 2;
    b.para1 = 0.5;
    b.pt[0] = 2.5;
    std::unique_ptr<CGeCurve> mid(comb->Split(a, b));
    ASSERT_TRUE(mid);
    EXPECT_NEAR(mid->EvTotalArcLength(), 2.0, 1e-9);
    double s[2], e[2];
    mid->GetStartPoint(s);
    mid->GetEndPoint(e);
    EXPECT_NEAR(s[0], 0.5, 1e-9);
    EXPECT_NEAR(e[0], 2.5, 1e-9);
    EXPECT_EQ(CGeCombCurve().Split(a, b), nullptr);
}

TEST(GeCombCurveTest, ToBezierAlwaysReturnsANewComposite)
{
    auto comb = Comb({Line(0, 0, 3, 0), Bezier({{3, 0}, {4, 1}, {5, 1}, {6, 0}}), Poly({{6, 0}, {7, 0}, {7, 1}})});
    std::unique_ptr<CGeCombCurve> lineAsBez(comb->ToBezier(1));
    ASSERT_TRUE(lineAsBez);
    ASSERT_EQ(lineAsBez->GetSegmentCount(), 3);
    EXPECT_EQ(lineAsBez->GetSubCurve(1)->GetType(), 0x20);
    EXPECT_NEAR(lineAsBez->EvTotalArcLength(), comb->EvTotalArcLength(), 1e-6);

    std::unique_ptr<CGeCombCurve> same(comb->ToBezier(2));
    ASSERT_TRUE(same);
    EXPECT_NE(same.get(), comb.get()) << "a spline member: still a new object";
    EXPECT_EQ(same->GetSegmentCount(), 3);

    std::unique_ptr<CGeCombCurve> poly(comb->ToBezier(3));
    ASSERT_TRUE(poly);
    EXPECT_EQ(poly->GetSegmentCount(), 3) << "a member that cannot convert is kept";
    EXPECT_EQ(poly->IsLinked(1e-9), 1);
    EXPECT_EQ(comb->ToBezier(4), nullptr);
}

TEST(GeCombCurveTest, ClosedAndLinkedTestsDiffer)
{
    // Gap exactly 0.01 between members: not linked at 0.01 (strict), linked at 0.0100001.
    auto comb = Comb({Line(0, 0, 1, 0), Line(1, 0.01, 1, 1), Line(1, 1, 0, 0)});
    EXPECT_EQ(comb->IsLinked(0.01), 0);
    EXPECT_EQ(comb->IsLinked(0.0101), 1);
    EXPECT_EQ(comb->IsClosed(0.0101), 1);
    EXPECT_EQ(comb->IsClosed(0.005), 0);
    EXPECT_EQ(CGeCombCurve().IsLinked(0.01), 1) << "empty composite is linked";
    EXPECT_EQ(CGeCombCurve().IsClosed(0.01), 0);
}

// ---------------------------------------------------------------------------
// Archive

// Archives are written and read under a settings object of the current document version.
struct SettingsScope {
    CQVGlobal settings;
    SettingsScope() { gSetQVGlobal(&settings); }
    ~SettingsScope() { gSetQVGlobal(nullptr); }
};

std::vector<BYTE> Store(CObject* ob)
{
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        ar << ob;
        ar.Close();
    }
    const auto size = static_cast<std::size_t>(file.GetLength());
    std::vector<BYTE> bytes(size);
    file.SeekToBegin();
    file.Read(bytes.data(), static_cast<UINT>(size));
    return bytes;
}

CObject* Load(std::vector<BYTE>& bytes)
{
    CMemFile file(bytes.data(), static_cast<UINT>(bytes.size()));
    CArchive ar(&file, CArchive::load);
    CObject* ob = nullptr;
    ar >> ob;
    return ob;
}

TEST(GeCombCurveTest, ArchiveRoundTrip)
{
    SettingsScope scope;
    auto comb = Comb({Line(0, 0, 1, 0), Poly({{1, 0}, {2, 1}, {3, 0}})});
    std::vector<BYTE> bytes = Store(comb.get());
    std::unique_ptr<CObject> back(Load(bytes));
    auto* loaded = dynamic_cast<CGeCombCurve*>(back.get());
    ASSERT_TRUE(loaded);
    ASSERT_EQ(loaded->GetSegmentCount(), 2);
    EXPECT_EQ(loaded->GetSubCurve(1)->GetType(), 2);
    EXPECT_EQ(loaded->GetSubCurve(2)->GetType(), 0x40);
    EXPECT_NEAR(loaded->EvTotalArcLength(), comb->EvTotalArcLength(), 1e-12);
    BOX2<double> box;
    loaded->GetBox2d(&box);
    EXPECT_EQ(box.xmax, 3.0) << "the box is rebuilt on request";
}

TEST(GeCombCurveTest, ArchiveRefusesSharedMembers)
{
    // Storing the same member twice writes a back-reference the second time,
    // as a hostile archive would; a composite in its own list likewise.
    struct Row {
        const char* label;
        bool self;
    };
    SettingsScope scope;
    for (const Row& r : {Row{"member twice", false}, Row{"composite inside itself", true}}) {
        CGeCombCurve comb;
        CGeLine* line = Line(0, 0, 1, 0);
        comb.GetCurveList().AddTail(line);
        comb.GetCurveList().AddTail(r.self ? static_cast<CGeCurve*>(&comb) : line);
        std::vector<BYTE> bytes = Store(&comb);
        comb.GetCurveList().RemoveAll();
        delete line;
        bool refused = false;
        try {
            std::unique_ptr<CObject> back(Load(bytes));
        } catch (CArchiveException&) {
            refused = true;
        }
        EXPECT_TRUE(refused) << r.label;  // the sanitizer build checks for leaks and double deletes
    }
}

}  // namespace
