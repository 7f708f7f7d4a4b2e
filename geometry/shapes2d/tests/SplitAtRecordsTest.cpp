// Cutting curves at intersection records: the pieces of a curve that passes
// its cut points more than once must add up to the whole, with every piece
// between the records it was cut at.
#include "geometry/shapes2d/GeBezier.h"
#include "geometry/shapes2d/GeCombCurve.h"
#include "geometry/shapes2d/tests/LoopTestUtil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace looptest;
using CurveList = CTypedPtrList<CObList, CGeCurve*>;

IntPnt Record(int member, int memberSeg, double t, Pt at)
{
    IntPnt r;
    r.seg1 = member;
    r.subSeg1 = memberSeg;
    r.para1 = t;
    r.pt[0] = at.x;
    r.pt[1] = at.y;
    return r;
}

struct Piece {
    double length;
    double start[2], end[2];
};

std::vector<Piece> SplitAt(CGeCurve* curve, std::vector<IntPnt> records)
{
    CArray<IntPnt, IntPnt> pts;
    for (const IntPnt& r : records) pts.Add(r);
    CurveList out;
    curve->Split(pts, out);
    std::vector<Piece> pieces;
    for (CGeCurve* c : out) {
        Piece p;
        p.length = c->EvTotalArcLength();
        c->GetStartPoint(p.start);
        c->GetEndPoint(p.end);
        pieces.push_back(p);
        delete c;
    }
    return pieces;
}

// A figure that passes (5, 0) twice: along the x axis, up and back, then down
// through (5, 0) again.
constexpr Pt kPath[] = {{0, 0}, {10, 0}, {5, 5}, {5, -5}};
constexpr Pt kCross = {5, 0};

TEST(SplitAtRecordsTest, PiecesOfSelfCrossingCurvesAddUpToTheWhole)
{
    struct Row {
        const char* label;
        std::function<CGeCurve*()> make;
        std::vector<IntPnt> records;
    };
    auto lines = [] {
        auto* comb = new CGeCombCurve;
        for (int i = 0; i < 3; ++i) comb->AddTail(Line(kPath[i], kPath[i + 1]), 0);
        comb->CalcBox2d();
        return static_cast<CGeCurve*>(comb);
    };
    auto polyline = [] { return static_cast<CGeCurve*>(Poly({kPath[0], kPath[1], kPath[2], kPath[3]})); };
    auto lineThenPolyline = [] {
        auto* comb = new CGeCombCurve;
        comb->AddTail(Line({-4, 0}, kPath[0]), 0);
        comb->AddTail(Poly({kPath[0], kPath[1], kPath[2], kPath[3]}), 1);
        return static_cast<CGeCurve*>(comb);
    };
    const Row rows[] = {
        {"composite of lines", lines, {Record(1, 1, 0.5, kCross), Record(3, 1, 0.5, kCross)}},
        {"polyline", polyline, {Record(1, 1, 0.5, kCross), Record(3, 1, 0.5, kCross)}},
        {"polyline, records given out of order", polyline, {Record(3, 1, 0.5, kCross), Record(1, 1, 0.5, kCross)}},
        {"composite with the crossing inside one member", lineThenPolyline,
         {Record(2, 1, 0.5, kCross), Record(2, 3, 0.5, kCross)}},
        {"three records, two at one point", polyline,
         {Record(1, 1, 0.5, kCross), Record(2, 1, 0.5, {7.5, 2.5}), Record(3, 1, 0.5, kCross)}},
    };
    for (const Row& row : rows) {
        std::unique_ptr<CGeCurve> curve(row.make());
        const double whole = curve->EvTotalArcLength();
        const std::vector<Piece> pieces = SplitAt(curve.get(), row.records);
        ASSERT_EQ(pieces.size(), row.records.size() + 1) << row.label;
        double sum = 0.0;
        for (const Piece& p : pieces) sum += p.length;
        EXPECT_NEAR(sum, whole, 1e-9) << row.label;
        // Consecutive pieces meet, and the inner ends are the records' points.
        for (size_t i = 0; i + 1 < pieces.size(); ++i) {
            EXPECT_NEAR(pieces[i].end[0], pieces[i + 1].start[0], 1e-9) << row.label << " joint " << i;
            EXPECT_NEAR(pieces[i].end[1], pieces[i + 1].start[1], 1e-9) << row.label << " joint " << i;
        }
        // With two records, the piece between the passages holds the climb to (5, 5).
        if (row.records.size() == 2) {
            EXPECT_NEAR(pieces[1].length, 5.0 + std::sqrt(50.0) + 5.0, 1e-9) << row.label;
        }
    }
}

TEST(SplitAtRecordsTest, SelfCrossingBezierIsCutAtTheRecordedPassage)
{
    // A cubic loop that crosses itself; its crossing is found here by brute
    // force over pairs of parameters.
    double nodes[4][2] = {{0, 0}, {10, 10}, {-10, 10}, {1, 0.5}};
    CGeBezier bez;
    ASSERT_EQ(bez.CreateEx(4, nodes), 1);
    double best = 1e9, ta = 0, tb = 0;
    for (int i = 0; i <= 2000; ++i)
        for (int j = i + 200; j <= 2000; ++j) {
            double p[2], q[2];
            bez.EvPos(i / 2000.0, p, 1);
            bez.EvPos(j / 2000.0, q, 1);
            const double d = std::hypot(p[0] - q[0], p[1] - q[1]);
            if (d < best) {
                best = d;
                ta = i / 2000.0;
                tb = j / 2000.0;
            }
        }
    ASSERT_LT(best, 0.05);
    double pa[2], pb[2];
    bez.EvPos(ta, pa, 1);
    bez.EvPos(tb, pb, 1);
    const std::vector<Piece> pieces =
        SplitAt(&bez, {Record(1, 1, ta, {pa[0], pa[1]}), Record(1, 1, tb, {pb[0], pb[1]})});
    ASSERT_EQ(pieces.size(), 3u);
    const double whole = bez.EvTotalArcLength();
    EXPECT_NEAR(pieces[0].length + pieces[1].length + pieces[2].length, whole, 1e-6 * whole);
    EXPECT_NEAR(pieces[1].length, bez.EvArcLength(ta, tb, 1), 1e-6 * whole) << "the loop between the passages";
}

}  // namespace
