// Merging chained curve lists into one line, polyline or spline, and the
// boundary swept by an arc with a changing radius.
#include "framework/looker/QVGlobal.h"
#include "geometry/shapes2d/CurveListMerge.h"
#include "geometry/shapes2d/GeArc.h"
#include "geometry/shapes2d/GeBezier.h"
#include "geometry/shapes2d/GeCircle.h"
#include "geometry/shapes2d/GeLine.h"
#include "geometry/shapes2d/GePolyline.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <memory>
#include <numbers>
#include <vector>

namespace {

using Pts = std::vector<std::array<double, 2>>;

// An owning curve list that empties itself.
struct CurveList {
    CTypedPtrList<CObList, CGeCurve*> list;
    ~CurveList() { DeleteOwnedList(list); }
    CurveList& Line(double x1, double y1, double x2, double y2)
    {
        const double p[2] = {x1, y1}, q[2] = {x2, y2};
        list.AddTail(new CGeLine(p, q));
        return *this;
    }
    CurveList& Poly(const Pts& pts)
    {
        auto* poly = new CGePolyline;
        poly->Create(static_cast<int>(pts.size()), reinterpret_cast<const double(*)[2]>(pts.data()));
        list.AddTail(poly);
        return *this;
    }
};

void ExpectVertices(CGeCurve* c, const Pts& expected, const char* label)
{
    ASSERT_NE(c, nullptr) << label;
    ASSERT_EQ(c->GetSWPointCount(), static_cast<int>(expected.size())) << label;
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_NEAR(c->GetSWPoint()[i][0], expected[i][0], 1e-12) << label << " vertex " << i;
        EXPECT_NEAR(c->GetSWPoint()[i][1], expected[i][1], 1e-12) << label << " vertex " << i;
    }
}

TEST(CurveListMergeTest, MergeLine)
{
    {
        CurveList l;
        l.Line(0, 0, 1, 0).Line(1, 0, 1, 1);
        std::unique_ptr<CGeCurve> m(geMergeLine(&l.list));
        ASSERT_NE(m, nullptr);
        EXPECT_EQ(m->GetType(), 0x40);
        ExpectVertices(m.get(), {{0, 0}, {1, 0}, {1, 1}}, "two linked lines");
        EXPECT_EQ(l.list.GetCount(), 2) << "the list is not changed";
    }
    {
        CurveList l;
        l.Line(2, 3, 4, 5);
        std::unique_ptr<CGeCurve> m(geMergeLine(&l.list));
        ASSERT_NE(m, nullptr);
        ASSERT_EQ(m->GetType(), 0x2) << "one line gives a copy of it";
        double s[2], e[2];
        m->GetStartPoint(s);
        m->GetEndPoint(e);
        EXPECT_EQ(s[0], 2.0);
        EXPECT_EQ(e[1], 5.0);
    }
    {
        CurveList l;
        l.Line(0, 0, 1, 0).Poly({{1.05, 0}, {2, 0}, {2, 2}}).Line(2, 2, 0, 2);
        std::unique_ptr<CGeCurve> m(geMergeLine(&l.list));
        ExpectVertices(m.get(), {{0, 0}, {2, 0}, {2, 2}, {0, 2}}, "line, polyline, line; straight run leaned");
    }
    {
        CurveList l;
        l.Line(0, 0, 1, 0).Line(1.2, 0, 2, 0);
        EXPECT_EQ(geMergeLine(&l.list), nullptr) << "a gap above 0.1";
    }
    {
        CurveList l;
        const double c[2] = {0, 0};
        l.list.AddTail(new CGeCircle(c, 1, 1));
        EXPECT_EQ(geMergeLine(&l.list), nullptr) << "only other curves: fewer than 2 points";
        CurveList empty;
        EXPECT_EQ(geMergeLine(&empty.list), nullptr);
        EXPECT_EQ(geMergeLine(nullptr), nullptr);
    }
}

TEST(CurveListMergeTest, CurveListToPolyLine)
{
    CurveList l;
    l.Line(0, 0, 1, 0).Line(1, 0, 1, 1);
    std::unique_ptr<CGePolyline> p(geCurveListToPolyLine(&l.list, 0.01, 0.1));
    ExpectVertices(p.get(), {{0, 0}, {1, 0}, {1, 1}}, "two lines");

    // A circle quarter arc after a line: the arc's points follow without its first one.
    CurveList mixed;
    mixed.Line(-1, 1, 0, 1);
    auto* arc = new CGeArc;
    const double c[2] = {0, 0}, s[2] = {0, 1}, e[2] = {1, 0};
    ASSERT_EQ(arc->CreateCSE(c, s, e, 0), 1);
    mixed.list.AddTail(arc);
    std::unique_ptr<CGePolyline> q(geCurveListToPolyLine(&mixed.list, 0.01, 0.1));
    ASSERT_NE(q, nullptr);
    CArray<tagPoint2d, tagPoint2d> arcPts;
    arc->DiscreteInArray(0.01, &arcPts, 0.1, false);
    ASSERT_EQ(q->GetSWPointCount(), 1 + static_cast<int>(arcPts.GetSize()));
    EXPECT_EQ(q->GetSWPoint()[1][0], 0.0) << "the line's end stands for the arc's start";
    EXPECT_EQ(q->GetSWPoint()[2][0], arcPts[1].x);
    EXPECT_EQ(q->GetSWPoint()[q->GetSWPointCount() - 1][0], arcPts[arcPts.GetSize() - 1].x);

    CurveList gap;
    gap.Line(0, 0, 1, 0).Line(1.005, 0, 2, 0);
    EXPECT_EQ(geCurveListToPolyLine(&gap.list, 0.001, 0.1), nullptr) << "not linked within tol";
    std::unique_ptr<CGePolyline> linked(geCurveListToPolyLine(&gap.list, 0.01, 0.1));
    ExpectVertices(linked.get(), {{0, 0}, {1, 0}, {2, 0}}, "linked within 0.01");
    EXPECT_EQ(geCurveListToPolyLine(nullptr, 0.01, 0.1), nullptr);
}

TEST(CurveListMergeTest, MergeBezier)
{
    CurveList l;
    double a[2] = {0, 0}, b[2] = {3, 0}, c[2] = {3, 3};
    l.list.AddTail(CGeBezier::CreateFrmLine(a, b));
    l.Line(3, 0, 3, 0);  // skipped, but linked
    l.list.AddTail(CGeBezier::CreateFrmLine(b, c));
    std::unique_ptr<CGeBezier> m(geMergeBezier(&l.list));
    ASSERT_NE(m, nullptr);
    ASSERT_EQ(m->GetNodeCount(), 7u);
    const double expect[7][2] = {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {3, 1}, {3, 2}, {3, 3}};
    for (unsigned i = 0; i < 7; ++i) {
        EXPECT_NEAR(m->GetNodes()[i].x, expect[i][0], 1e-12) << "node " << i;
        EXPECT_NEAR(m->GetNodes()[i].y, expect[i][1], 1e-12) << "node " << i;
    }

    CurveList lines;
    lines.Line(0, 0, 1, 0);
    EXPECT_EQ(geMergeBezier(&lines.list), nullptr) << "no splines";
    CurveList empty;
    EXPECT_EQ(geMergeBezier(&empty.list), nullptr);
}

TEST(CurveListMergeTest, SweepBoundFollowsTheRadii)
{
    const double pi = std::numbers::pi;
    struct Row {
        const char* label;
        double sweep;
        double r0, r1;
    };
    const Row rows[] = {{"growing, counter-clockwise", pi / 2, 2, 4},
                        {"shrinking, clockwise", -pi, 5, 1},
                        {"from the centre", pi / 2, 0, 3},
                        {"zero radii", pi / 3, 0, 0},
                        {"huge radius", pi / 4, 1e12, 1}};
    const double c[2] = {1, 1};
    for (const Row& row : rows) {
        CGeArc arc;
        ASSERT_EQ(arc.CreateCSEAngle(c, 1.0, 0.3, 0.3 + row.sweep), 1) << row.label;
        double radii[2] = {row.r0, row.r1};
        std::unique_ptr<CGePolyline> bound(geCreateSweepBound(&arc, radii));
        ASSERT_NE(bound, nullptr) << row.label;
        const int n = bound->GetSWPointCount();
        ASSERT_GE(n, 6) << row.label;
        ASSERT_LE(n, (1 << 20) + 1) << row.label;
        for (int j = 0; j < n; j += std::max(1, n / 50)) {
            const double s = static_cast<double>(j) / (n - 1);
            const double* p = bound->GetSWPoint()[j];
            const double rho = (1 - s) * row.r0 + s * row.r1;
            EXPECT_NEAR(std::hypot(p[0] - c[0], p[1] - c[1]), rho, 1e-6 * (1 + rho)) << row.label << " j " << j;
            if (rho > 1e-9) {
                const double ang = std::atan2(p[1] - c[1], p[0] - c[0]);
                EXPECT_NEAR(std::remainder(ang - (0.3 + s * row.sweep), 2 * pi), 0.0, 1e-9) << row.label;
            }
        }
    }
    double radii[2] = {1, 2};
    EXPECT_EQ(geCreateSweepBound(nullptr, radii), nullptr);
}

}  // namespace
