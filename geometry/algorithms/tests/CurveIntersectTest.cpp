#include "geometry/algorithms/CurveIntersect.h"

#include "geometry/algorithms/CurveIntersectDetail.h"
#include "geometry/algorithms/tests/CurveIntersectFixtures.h"
#include "geometry/shapes2d/GeLoop.h"
#include "geometry/shapes2d/GeOffsetCrv.h"
#include "geometry/shapes2d/GePoint.h"
#include "geometry/shapes2d/GeRegion.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

using namespace QVN_GeCC_Inter;
using namespace ccfix;

namespace {

using CurvePtr = std::unique_ptr<CGeCurve>;

CurvePtr Line(double x0, double y0, double x1, double y1)
{
    const double a[2] = {x0, y0}, b[2] = {x1, y1};
    return std::make_unique<CGeLine>(a, b);
}

CurvePtr Circle(double x, double y, double r, int dir = 1)
{
    const double c[2] = {x, y};
    return std::make_unique<CGeCircle>(c, r, dir);
}

CurvePtr Ellipse(double x, double y, double a, double b, double rot, int dir = 1)
{
    const double c[2] = {x, y};
    return std::make_unique<CGeEllipse>(c, a, b, rot, dir);
}

std::unique_ptr<CGePolyline> Polyline(std::vector<Pt> pts)
{
    auto pl = std::make_unique<CGePolyline>();
    const std::vector<double> v = Flat(pts);
    pl->Create(int(pts.size()), reinterpret_cast<const double(*)[2]>(v.data()));
    return pl;
}

std::unique_ptr<CGeBezier> Spline(std::vector<Pt> nodes)
{
    auto b = std::make_unique<CGeBezier>();
    std::vector<double> v = Flat(nodes);
    b->CreateEx(unsigned(nodes.size()), reinterpret_cast<double(*)[2]>(v.data()));
    return b;
}

// A composite (or loop) of straight members through the points.
template <class Comb = CGeCombCurve>
std::unique_ptr<Comb> Chain(std::vector<Pt> pts)
{
    auto comb = std::make_unique<Comb>();
    for (size_t i = 0; i + 1 < pts.size(); ++i)
        comb->AddTail(Line(pts[i].x, pts[i].y, pts[i + 1].x, pts[i + 1].y).release(), 1);
    return comb;
}

// Every record's fields evaluate to its point on both curves within 1e-6.
void ExpectRecordsOnCurves(const Records& recs, CGeCurve* c1, CGeCurve* c2, const std::string& label)
{
    for (INT_PTR i = 0; i < recs.GetSize(); ++i) {
        const IntPnt& r = recs[i];
        const Pt p{r.pt[0], r.pt[1]};
        const std::string where = label + " record " + std::to_string(i);
        EXPECT_LE(oracle::Dist(EvalAt(c1, r.seg1, r.subSeg1, r.para1), p), 1e-6) << where << " on curve 1";
        EXPECT_LE(oracle::Dist(EvalAt(c2, r.seg2, r.subSeg2, r.para2), p), 1e-6) << where << " on curve 2";
        EXPECT_TRUE(r.para1 >= -1e-6 && r.para1 <= 1 + 1e-6 && r.para2 >= -1e-6 && r.para2 <= 1 + 1e-6) << where;
    }
}

// 1 when c1's points farther than `around` from every record keep more than
// `apart` from c2 (both flattened within 1e-3).
bool ClearApartOutside(CGeCurve* c1, CGeCurve* c2, const Records& recs, double around, double apart)
{
    const auto runs1 = FlattenCurve(c1, 1e-3), runs2 = FlattenCurve(c2, 1e-3);
    for (const auto& run : runs1)
        for (const Pt& p : run) {
            bool nearRecord = false;
            for (INT_PTR i = 0; i < recs.GetSize() && !nearRecord; ++i)
                nearRecord = oracle::Dist(p, {recs[i].pt[0], recs[i].pt[1]}) < around;
            if (nearRecord) continue;
            for (const auto& other : runs2)
                for (size_t k = 0; k + 1 < other.size(); ++k) {
                    const Pt a = other[k], b = other[k + 1];
                    const double dx = b.x - a.x, dy = b.y - a.y, len2 = dx * dx + dy * dy;
                    const double t = len2 > 0 ? std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / len2, 0.0, 1.0) : 0.0;
                    if (oracle::Dist(p, {a.x + t * dx, a.y + t * dy}) < apart) return false;
                }
        }
    return true;
}

// ---------------------------------------------------------------------------
// Dispatch

TEST(CurveIntersect, DispatchRejectsWhatItMust)
{
    const CurvePtr a = Line(0, 0, 10, 0), b = Line(5, -5, 5, 5);
    const CurvePtr apart = Line(10.02, -1, 10.02, 1);  // boxes 0.02 apart, a near-touch
    const double p[2] = {5, 0};
    CGePoint point(p);
    CGeOffsetCrv offset;
    auto loop = Chain<CGeLoop>({{0, -1}, {10, -1}, {10, 1}, {0, 1}, {0, -1}});
    Records out;
    EXPECT_EQ(CurveCurve(nullptr, b.get(), &out, 0), 0);
    EXPECT_EQ(CurveCurve(a.get(), nullptr, &out, 0), 0);
    EXPECT_EQ(CurveCurve(a.get(), b.get(), nullptr, 0), 0);
    EXPECT_EQ(CurveCurve(a.get(), a.get(), &out, 0), 0) << "one line twice";
    EXPECT_EQ(CurveCurve(a.get(), apart.get(), &out, 0), 0) << "boxes 0.02 apart";
    EXPECT_EQ(CurveCurve(a.get(), &point, &out, 0), 0) << "point";
    EXPECT_EQ(CurveCurve(&offset, a.get(), &out, 0), 0) << "offset curve";
    EXPECT_EQ(CurveCurve(loop.get(), a.get(), &out, 0), 0) << "loop";
    EXPECT_EQ(out.GetSize(), 0);

    // Records already there make the answer 1 once the boxes meet.
    ASSERT_EQ(CurveCurve(a.get(), b.get(), &out, 0), 1);
    ASSERT_EQ(out.GetSize(), 1);
    const CurvePtr parallel = Line(0, 0.005, 10, 0.005);
    EXPECT_EQ(CurveCurve(a.get(), parallel.get(), &out, 0), 1) << "boxes meet, no crossing, array not empty";
    EXPECT_EQ(CurveCurve(a.get(), apart.get(), &out, 0), 0) << "boxes apart, array not empty";
    EXPECT_EQ(out.GetSize(), 1);
}

TEST(CurveIntersect, LineLineRules)
{
    IntPnt rec;
    // Collinear overlap: candidates (5,0) and (10,0) accepted, the last stands.
    auto a = Line(0, 0, 10, 0), b = Line(5, 0, 15, 0);
    ASSERT_EQ(LineLine(static_cast<CGeLine*>(a.get()), static_cast<CGeLine*>(b.get()), rec), 1);
    EXPECT_DOUBLE_EQ(rec.pt[0], 10);
    EXPECT_DOUBLE_EQ(rec.para1, 1);
    EXPECT_DOUBLE_EQ(rec.para2, 0.5);
    // Two lines that would cross at 1 + 1e-9 of one of them give nothing,
    // a line and a polyline edge crossing there give a record.
    auto c = Line(0, -1, 0, 1), d = Line(-10, 0, -1e-8, 0);
    EXPECT_EQ(LineLine(static_cast<CGeLine*>(d.get()), static_cast<CGeLine*>(c.get()), rec), 0);
    auto pl = Polyline({{-10, 0}, {-1e-8, 0}});
    Records out;
    EXPECT_EQ(LinePLine(static_cast<CGeLine*>(c.get()), pl.get(), &out), 1);
}

// Swapped arguments give the same records with every field pair exchanged, for
// the 42 mixed class pairs exactly; the 7 same-class pairs give the same points.
// Every record evaluates to its point on both curves.
TEST(CurveIntersect, RecordsEvaluateAndSwapOnEveryClassPair)
{
    std::mt19937 rng(15);
    int total = 0;
    for (int k1 = 0; k1 < kKinds; ++k1)
        for (int k2 = 0; k2 < kKinds; ++k2)
            for (int trial = 0; trial < 6; ++trial) {
                const std::string label = std::string(kKindNames[k1]) + "/" + kKindNames[k2] + " #" + std::to_string(trial);
                const CurvePtr c1 = Build(RandomSpec(Kind(k1), rng)), c2 = Build(RandomSpec(Kind(k2), rng));
                Records fwd, back;
                CurveCurve(c1.get(), c2.get(), &fwd, 0);
                CurveCurve(c2.get(), c1.get(), &back, 0);
                total += int(fwd.GetSize());
                ExpectRecordsOnCurves(fwd, c1.get(), c2.get(), label);
                ExpectRecordsOnCurves(back, c2.get(), c1.get(), label + " swapped");
                if (k1 != k2) {
                    ASSERT_EQ(fwd.GetSize(), back.GetSize()) << label;
                    for (INT_PTR i = 0; i < fwd.GetSize(); ++i) {
                        IntPnt r = back[i];
                        r.SwapPara();
                        const IntPnt& f = fwd[i];
                        EXPECT_TRUE(r.pt[0] == f.pt[0] && r.pt[1] == f.pt[1] && r.seg1 == f.seg1 && r.seg2 == f.seg2 &&
                                    r.para1 == f.para1 && r.para2 == f.para2 && r.subSeg1 == f.subSeg1 &&
                                    r.subSeg2 == f.subSeg2)
                            << label << " record " << i;
                    }
                } else {
                    EXPECT_EQ(Unmatched(RecordPoints(fwd, 1e-6), RecordPoints(back, 1e-6), 1e-6), "") << label;
                    EXPECT_EQ(Unmatched(RecordPoints(back, 1e-6), RecordPoints(fwd, 1e-6), 1e-6), "") << label;
                }
            }
    EXPECT_GT(total, 300) << "the random pairs must cross often enough to test anything";
}

// Rigid motions and scales from 0.01 to 100 keep the number of clear crossings
// (crossings away from segment ends and from each other).
TEST(CurveIntersect, SimilaritiesKeepClearCrossingCounts)
{
    std::mt19937 rng(7);
    const Frame frames[] = {{0.01, 0.3, -2, 5}, {0.1, 2.0, 100, -40}, {10, -1.0, 3, 3}, {100, 4.0, -5e3, 1e3}};
    int clearCases = 0;
    for (int k1 = 0; k1 < kKinds; ++k1)
        for (int k2 = 0; k2 < kKinds; ++k2)
            for (int trial = 0; trial < 8; ++trial) {
                const Spec s1 = RandomSpec(Kind(k1), rng), s2 = RandomSpec(Kind(k2), rng);
                const CurvePtr c1 = Build(s1), c2 = Build(s2);
                Records base;
                CurveCurve(c1.get(), c2.get(), &base, 0);
                bool clear = base.GetSize() > 0;
                for (INT_PTR i = 0; i < base.GetSize() && clear; ++i) {
                    const IntPnt& r = base[i];
                    const Pt p{r.pt[0], r.pt[1]};
                    for (int side = 0; side < 2 && clear; ++side) {
                        CGeCurve* c = side ? c2.get() : c1.get();
                        const int seg = side ? r.seg2 : r.seg1, sub = side ? r.subSeg2 : r.subSeg1;
                        const bool periodic = c->GetType() == 0x8 || c->GetType() == 0x10;
                        if (!periodic)
                            clear = oracle::Dist(p, EvalAt(c, seg, sub, 0)) > 1.0 && oracle::Dist(p, EvalAt(c, seg, sub, 1)) > 1.0;
                    }
                    for (INT_PTR j = 0; j < i && clear; ++j) clear = oracle::Dist(p, {base[j].pt[0], base[j].pt[1]}) > 1.0;
                }
                // Away from the crossings the curves keep apart by far more than
                // any intersector tolerance at the smallest scale.
                clear = clear && ClearApartOutside(c1.get(), c2.get(), base, 0.5, 0.3);
                if (!clear) continue;
                ++clearCases;
                for (const Frame& f : frames) {
                    const CurvePtr m1 = Build(s1, f), m2 = Build(s2, f);
                    Records moved;
                    CurveCurve(m1.get(), m2.get(), &moved, 0);
                    EXPECT_EQ(moved.GetSize(), base.GetSize())
                        << kKindNames[k1] << "/" << kKindNames[k2] << " #" << trial << " at scale " << f.s;
                }
            }
    EXPECT_GT(clearCases, 40);
}

// ---------------------------------------------------------------------------
// Known roots

TEST(CurveIntersect, NineCrossingCubicsInsideSplines)
{
    // y = 3 (x^3 - x) over [-1.2, 1.2] as the middle segment of a three-segment
    // spline, and the same turned by 90 degrees: 9 crossings, all on segment 2.
    const std::vector<Pt> wave = {{-3, -5}, {-2.5, -4}, {-2, -2}, {-1.2, -1.584}, {-0.4, 6.384}, {0.4, -6.384},
                                  {1.2, 1.584}, {2, 2}, {2.5, 4}, {3, 5}};
    std::vector<Pt> turned;
    for (const Pt& p : wave) turned.push_back({-p.y, p.x});
    auto a = Spline(wave), b = Spline(turned);
    ASSERT_EQ(a->GetSegmentCount(), 3);
    Records out;
    ASSERT_EQ(CurveCurve(a.get(), b.get(), &out, 0), 1);
    int middle = 0;
    for (INT_PTR i = 0; i < out.GetSize(); ++i) middle += out[i].seg1 == 2 && out[i].seg2 == 2;
    EXPECT_EQ(middle, 9);
    EXPECT_EQ(RecordPoints(out, 1e-6).size(), OracleCrossings(a.get(), b.get(), 1e-7, 1e-6).size());
    ExpectRecordsOnCurves(out, a.get(), b.get(), "nine crossings");
}

TEST(CurveIntersect, CirclesNearTangency)
{
    struct Row {
        double d;
        int least, most;
        std::string label;
    };
    std::vector<Row> rows;
    for (int k = 3; k <= 9; ++k) {
        const double e = std::pow(10.0, -k);
        // Apart by more than the intersector's tolerance (1e-6): nothing; closer:
        // a touch; at the tolerance itself either.
        const bool beyond = k < 6, within = k > 6;
        rows.push_back({5 + e, 0, beyond ? 0 : within ? 1 : 2, "apart by 1e-" + std::to_string(k)});
        rows.push_back({5 - e, beyond ? 2 : 1, within ? 1 : 2, "overlapping by 1e-" + std::to_string(k)});
    }
    for (const Row& r : rows) {
        const CurvePtr c1 = Circle(0, 0, 2), c2 = Circle(r.d, 0, 3, 0);
        Records out;
        CurveCurve(c1.get(), c2.get(), &out, 0);
        EXPECT_GE(out.GetSize(), r.least) << r.label;
        EXPECT_LE(out.GetSize(), r.most) << r.label;
        ExpectRecordsOnCurves(out, c1.get(), c2.get(), r.label);
    }
    // Internally tangent: one touch, never three records.
    const CurvePtr outer = Circle(0, 0, 5), inner = Circle(2, 0, 3);
    Records out;
    CurveCurve(outer.get(), inner.get(), &out, 0);
    EXPECT_EQ(out.GetSize(), 1);
}

TEST(CurveIntersect, FourPointConics)
{
    const CurvePtr e1 = Ellipse(0, 0, 5, 2, 0), e2 = Ellipse(0, 0, 5, 2, std::numbers::pi / 2, 0);
    const CurvePtr circle = Circle(0, 0, 3, 0);
    struct Row {
        CGeCurve* a;
        CGeCurve* b;
        const char* label;
    } rows[] = {{e1.get(), e2.get(), "ellipse/ellipse"}, {circle.get(), e1.get(), "circle/ellipse"},
                {e1.get(), circle.get(), "ellipse/circle"}};
    for (const Row& r : rows) {
        Records out;
        CurveCurve(r.a, r.b, &out, 0);
        EXPECT_EQ(out.GetSize(), 4) << r.label;
        ExpectRecordsOnCurves(out, r.a, r.b, r.label);
        EXPECT_EQ(Unmatched(RecordPoints(out, 1e-6), OracleCrossings(r.a, r.b, 1e-7, 1e-6), 1e-6), "") << r.label;
    }
}

TEST(CurveIntersect, CrossingsAtVerticesAndJointsAreKept)
{
    // A line through every vertex of a zigzag, and the same zigzag as a composite.
    std::vector<Pt> zig;
    for (int i = 0; i <= 8; ++i) zig.push_back({double(i), i % 2 ? 1.0 : -1.0});
    const CurvePtr line = Line(-1, 0, 9, 0);
    auto pl = Polyline(zig);
    auto comb = Chain(zig);
    // A circle and an arc through vertices too.
    const CurvePtr circle = Circle(0, -1, std::sqrt(2.0));
    struct Row {
        CGeCurve* a;
        CGeCurve* b;
        const char* label;
    } rows[] = {{line.get(), pl.get(), "line/polyline"}, {line.get(), comb.get(), "line/composite"},
                {pl.get(), line.get(), "polyline/line"}, {circle.get(), pl.get(), "circle/polyline"}};
    for (const Row& r : rows) {
        Records out;
        CurveCurve(r.a, r.b, &out, 0);
        const auto want = OracleCrossings(r.a, r.b, 1e-7, 1e-6);
        const auto have = RecordPoints(out, 1e-6);
        EXPECT_EQ(Unmatched(want, have, 1e-6), "") << r.label << ": crossings lost";
        EXPECT_EQ(Unmatched(have, want, 1e-6), "") << r.label << ": crossings invented";
        EXPECT_LE(out.GetSize(), 2 * INT_PTR(want.size())) << r.label << ": at most once per side";
    }
}

TEST(CurveIntersect, ArcThroughPolylineVertexIsKeptOnBothEdges)
{
    // The arc passes exactly through vertex (3, 4); rounding gives the edges
    // parameters just above 1 and just below 0 there.
    auto arc = std::make_unique<CGeArc>();
    const double c[2] = {0, 0};
    arc->CreateCSEAngle(c, 5, 0.3, 1.5);
    auto pl = Polyline({{1, 4.6}, {3, 4}, {4.4, 0.2}});
    Records out;
    ASSERT_EQ(CurveCurve(arc.get(), pl.get(), &out, 0), 1);
    EXPECT_GE(out.GetSize(), 1);
    for (INT_PTR i = 0; i < out.GetSize(); ++i) EXPECT_NEAR(std::hypot(out[i].pt[0] - 3, out[i].pt[1] - 4), 0, 1e-9);
}

TEST(CurveIntersect, OverlapsGiveFewRecords)
{
    auto s1 = Spline({{0, 0}, {1, 2}, {3, 2}, {4, 0}});
    auto s2 = Spline({{0, 0}, {1, 2}, {3, 2}, {4, 0}});
    auto p1 = Polyline({{0, 0}, {5, 0}, {10, 0}});
    auto p2 = Polyline({{2, 0}, {7, 0}, {12, 0}});
    const CurvePtr l1 = Line(0, 0, 10, 0), c1 = Circle(0, 0, 3), c2 = Circle(0, 0, 3, 0);
    const CurvePtr e1 = Ellipse(1, 1, 4, 2, 0.5), e2 = Ellipse(1, 1, 4, 2, 0.5, 0);
    struct Row {
        CGeCurve* a;
        CGeCurve* b;
        int most;
        const char* label;
    } rows[] = {{s1.get(), s2.get(), 4, "one spline twice"}, {p1.get(), p2.get(), 4, "overlapping polylines"},
                {l1.get(), p1.get(), 2, "line along polyline"}, {c1.get(), c2.get(), 2, "one circle twice"},
                {e1.get(), e2.get(), 4, "one ellipse twice"}};
    for (const Row& r : rows) {
        Records out;
        CurveCurve(r.a, r.b, &out, 0);
        EXPECT_LE(out.GetSize(), r.most) << r.label;
    }
}

// ---------------------------------------------------------------------------
// Composites, loops and regions

TEST(CurveIntersect, CompositeRenumbering)
{
    // A line crossing members 2 and 4 of a composite of five lines.
    auto five = Chain({{0, 0}, {1, 0}, {1, 2}, {2, 2}, {2, -2}, {3, -2}});
    const CurvePtr cut = Line(-1, 1, 4, 1);
    for (int parallel = 0; parallel < 2; ++parallel) {
        Records out;
        ASSERT_EQ(CurveCurve(cut.get(), five.get(), &out, parallel), 1);
        ASSERT_EQ(out.GetSize(), 2) << "parallel " << parallel;
        EXPECT_EQ(out[0].seg2, 2);
        EXPECT_EQ(out[1].seg2, 4);
        for (int i = 0; i < 2; ++i)
            EXPECT_TRUE(out[i].seg1 == 1 && out[i].subSeg1 == 1 && out[i].subSeg2 == 1) << "record " << i;
    }
    // Composite first: the fields come back exchanged.
    Records back;
    CurveCurve(five.get(), cut.get(), &back, 1);
    ASSERT_EQ(back.GetSize(), 2);
    EXPECT_EQ(back[1].seg1, 4);
    EXPECT_EQ(back[1].seg2, 1);

    // Member 3 of the first composite a polyline crossed on its edge 5, against
    // member 1 of the second.
    auto c1 = std::make_unique<CGeCombCurve>();
    c1->AddTail(Line(-10, 0, -9, 0).release(), 0);
    c1->AddTail(Line(-9, 0, -8, 0).release(), 0);
    c1->AddTail(Polyline({{-8, 0}, {-6, 0}, {-4, 0}, {-2, 0}, {0, 0}, {2, 0}, {4, 0}}).release(), 1);
    auto c2 = std::make_unique<CGeCombCurve>();
    c2->AddTail(Line(1, -1, 1, 1).release(), 0);
    c2->AddTail(Line(1, 1, 20, 1).release(), 1);
    Records out;
    ASSERT_EQ(CurveCurve(c1.get(), c2.get(), &out, 0), 1);
    ASSERT_EQ(out.GetSize(), 1);
    EXPECT_TRUE(out[0].seg1 == 3 && out[0].subSeg1 == 5 && out[0].seg2 == 1 && out[0].subSeg2 == 1);
    EXPECT_EQ(ComCurveComCurve(c1.get(), c1.get(), &out, 0), 0) << "one composite twice";
}

TEST(CurveIntersect, LoopsAndRegions)
{
    auto sq1 = Chain<CGeLoop>({{0, 0}, {4, 0}, {4, 4}, {0, 4}, {0, 0}});
    auto sq2 = Chain<CGeLoop>({{2, 2}, {6, 2}, {6, 6}, {2, 6}, {2, 2}});
    Records out;
    ASSERT_EQ(LoopLoop(sq1.get(), sq2.get(), &out), 1);
    ASSERT_EQ(out.GetSize(), 2);
    for (int i = 0; i < 2; ++i) EXPECT_TRUE(out[i].seg1 == 1 && out[i].seg2 == 1) << "members' own segments";

    // A line through a region with an outer loop and a hole: all four points, no loop named.
    CGeRegion region(BOX2<double>(0, 0, 10, 10));
    region.GetLoopList().AddTail(Chain<CGeLoop>({{3, 3}, {7, 3}, {7, 7}, {3, 7}, {3, 3}}).release());
    const CurvePtr cut = Line(-1, 5, 11, 5);
    Records reg;
    ASSERT_EQ(CurveRegion(cut.get(), &region, &reg), 1);
    EXPECT_EQ(reg.GetSize(), 4);

    // CurveLoop answers for this call, the composite operations for the array.
    Records held;
    held.Add(IntPnt{});
    const CurvePtr miss = Line(1, 1, 3, 1);
    EXPECT_EQ(CurveLoop(miss.get(), sq1.get(), &held, 0), 0);
    EXPECT_EQ(LineComCurve(static_cast<CGeLine*>(miss.get()), sq1.get(), &held, 0), 1);
    EXPECT_EQ(held.GetSize(), 1);

    CTypedPtrList<CObList, CGeLoop*> loops;
    EXPECT_EQ(CurveLoopList(cut.get(), &loops, &held), 0) << "empty list";
    loops.AddTail(nullptr);
    loops.AddTail(sq1.get());
    EXPECT_EQ(CurveLoopList(miss.get(), &loops, &held), 0);
    EXPECT_EQ(CurveLoop(nullptr, sq1.get(), &held, 0), 0);
    EXPECT_EQ(CurveLoop(cut.get(), nullptr, &held, 0), 0);
    EXPECT_EQ(CurveRegion(nullptr, &region, &held), 0);
    EXPECT_EQ(CurveRegion(cut.get(), nullptr, &held), 0);
    EXPECT_EQ(held.GetSize(), 1);
}

// A composite of 1e4 members against a polyline: parallel gives the records of
// sequential evaluation in the same order, every time.
TEST(CurveIntersect, ParallelEqualsSequential)
{
    std::mt19937 rng(3);
    std::uniform_real_distribution<double> u(-0.3, 0.3);
    auto comb = std::make_unique<CGeCombCurve>();
    std::vector<Pt> zig;
    Pt prev{0, 0};
    for (int i = 0; i < 10000; ++i) {
        const Pt next{prev.x + 0.01, u(rng)};
        if (i % 3 == 0) {
            comb->AddTail(Line(prev.x, prev.y, next.x, next.y).release(), 0);
        } else {
            auto arc = new CGeArc();
            const double a[2] = {prev.x, prev.y}, b[2] = {next.x, next.y};
            arc->CreateSEAngle(a, b, i % 2 ? 0.8 : -0.8);
            comb->AddTail(arc, 0);
        }
        prev = next;
    }
    comb->CalcBox2d();
    std::vector<Pt> wave;
    for (int i = 0; i <= 200; ++i) wave.push_back({i * 0.5, 0.25 * std::sin(i * 0.7)});
    auto pl = Polyline(wave);
    Records seq;
    CurveCurve(pl.get(), comb.get(), &seq, 0);
    ASSERT_GT(seq.GetSize(), 1000);
    auto loop = std::make_unique<CGeLoop>();
    for (int round = 0; round < 3; ++round) {
        Records par;
        CurveCurve(pl.get(), comb.get(), &par, 1);
        ASSERT_EQ(par.GetSize(), seq.GetSize()) << "round " << round;
        for (INT_PTR i = 0; i < seq.GetSize(); ++i)
            ASSERT_TRUE(par[i].pt[0] == seq[i].pt[0] && par[i].pt[1] == seq[i].pt[1] && par[i].seg2 == seq[i].seg2 &&
                        par[i].subSeg2 == seq[i].subSeg2 && par[i].para1 == seq[i].para1)
                << "round " << round << " record " << i;
    }
    // Two composites in parallel as well.
    auto other = Chain({{0, 0.1}, {30, -0.1}, {60, 0.1}, {100, -0.1}});
    Records s2, p2;
    ComCurveComCurve(other.get(), comb.get(), &s2, 0);
    ComCurveComCurve(other.get(), comb.get(), &p2, 1);
    ASSERT_EQ(s2.GetSize(), p2.GetSize());
    for (INT_PTR i = 0; i < s2.GetSize(); ++i)
        ASSERT_TRUE(s2[i].seg1 == p2[i].seg1 && s2[i].seg2 == p2[i].seg2 && s2[i].para2 == p2[i].para2) << i;
}

// The parallel merge on a fixed team, whatever the machine's load: the records
// of sequential evaluation in the same order after those already held, and an
// exception from a worker comes back to the caller with nothing appended.
TEST(CurveIntersect, CollectInOrderKeepsTheSequentialOrder)
{
    auto emit = [](long k, auto& push) {
        for (long r = 0; r < k % 4; ++r) {
            IntPnt rec;
            rec.seg1 = int(k);
            rec.seg2 = int(r);
            push(rec);
        }
    };
    for (long total : {0L, 1L, 7L, 1000L, 12345L})
        for (int team : {1, 2, 4, 8}) {
            Records out;
            out.Add(IntPnt{});
            ccdetail::CollectInOrder(total, team, &out, emit);
            INT_PTR i = 1;
            for (long k = 0; k < total; ++k)
                for (long r = 0; r < k % 4; ++r, ++i)
                    ASSERT_TRUE(i < out.GetSize() && out[i].seg1 == k && out[i].seg2 == r)
                        << "total " << total << " team " << team << " record " << i;
            EXPECT_EQ(out.GetSize(), i) << "total " << total << " team " << team;
        }
    Records out;
    EXPECT_THROW(ccdetail::CollectInOrder(1000, 4, &out,
                                          [&](long k, auto& push) {
                                              if (k == 777) throw std::runtime_error("member 777");
                                              emit(k, push);
                                          }),
                 std::runtime_error);
    EXPECT_EQ(out.GetSize(), 0);
}

TEST(CurveIntersect, PolylinePairParallelEqualsSequentialAndPlainWalk)
{
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> u(0, 100);
    std::vector<Pt> a, b;
    for (int i = 0; i < 3000; ++i) {
        a.push_back({u(rng), u(rng)});
        b.push_back({i * 0.033, 50 + 40 * std::sin(i * 0.05)});
    }
    auto p1 = Polyline(a), p2 = Polyline(b);
    Records seq, par;
    PLinePLine(p1.get(), p2.get(), nullptr, &seq, 0);
    PLinePLine(p1.get(), p2.get(), nullptr, &par, 1);
    // The plain walk over every edge pair, as the records must come.
    Records plain;
    for (size_t j = 1; j < a.size(); ++j)
        for (size_t k = 1; k < b.size(); ++k) {
            auto e1 = Line(a[j - 1].x, a[j - 1].y, a[j].x, a[j].y), e2 = Line(b[k - 1].x, b[k - 1].y, b[k].x, b[k].y);
            Records one;
            if (CurveCurve(e1.get(), e2.get(), &one, 0)) {
                // LineLine's widening is narrower than the polyline's; compare crossings well inside.
                if (one[0].para1 > 1e-9 && one[0].para1 < 1 - 1e-9 && one[0].para2 > 1e-9 && one[0].para2 < 1 - 1e-9) {
                    one[0].seg1 = int(j);
                    one[0].seg2 = int(k);
                    plain.Add(one[0]);
                }
            }
        }
    ASSERT_GT(plain.GetSize(), 500);
    ASSERT_EQ(seq.GetSize(), par.GetSize());
    for (INT_PTR i = 0; i < seq.GetSize(); ++i)
        ASSERT_TRUE(seq[i].seg1 == par[i].seg1 && seq[i].seg2 == par[i].seg2 && seq[i].pt[0] == par[i].pt[0]) << i;
    INT_PTR s = 0;
    for (INT_PTR i = 0; i < plain.GetSize(); ++i) {
        while (s < seq.GetSize() && !(seq[s].seg1 == plain[i].seg1 && seq[s].seg2 == plain[i].seg2)) ++s;
        ASSERT_LT(s, seq.GetSize()) << "plain crossing " << i << " missing or out of order";
    }
}

}  // namespace
