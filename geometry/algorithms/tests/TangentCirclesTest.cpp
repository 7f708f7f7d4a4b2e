// Tangent circles, fillets, common tangents and closest points against closed
// forms and sampling: the circle touches what it must, the fillet joins both
// curves with continuous tangents, a tangent line touches both curves.
#include "geometry/algorithms/GeTool2D.h"

#include "geometry/algorithms/tests/CurveIntersectFixtures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numbers>
#include <string>

using namespace ccfix;

namespace {

std::unique_ptr<CGeLine> MakeLine(double x1, double y1, double x2, double y2)
{
    const double p[2] = {x1, y1}, q[2] = {x2, y2};
    return std::make_unique<CGeLine>(p, q);
}

std::unique_ptr<CGeArc> MakeArc(double cx, double cy, double r, double a0, double a1)
{
    auto arc = std::make_unique<CGeArc>();
    const double c[2] = {cx, cy};
    arc->CreateCSEAngle(c, r, a0, a1);
    arc->PrepareDisplay();
    return arc;
}

std::unique_ptr<CGeBezier> MakeBezier(std::vector<Pt> nodes)
{
    Spec s;
    s.kind = kBezier;
    s.pts = std::move(nodes);
    return std::unique_ptr<CGeBezier>(static_cast<CGeBezier*>(Build(s).release()));
}

// Distance from p to the curve by dense flattening.
double CurveDistance(CGeCurve* c, Pt p)
{
    double best = INFINITY;
    for (const auto& run : FlattenCurve(c, 1e-8))
        for (size_t i = 1; i < run.size(); ++i) best = std::min(best, oracle::SegmentDist(p, run[i - 1], run[i]));
    return best;
}

// Unit tangent of the curve at its point nearest to p, by central differences
// of the flattening.
Pt TangentNear(CGeCurve* c, Pt p)
{
    double best = INFINITY;
    Pt dir;
    for (const auto& run : FlattenCurve(c, 1e-8))
        for (size_t i = 1; i < run.size(); ++i) {
            const double d = oracle::SegmentDist(p, run[i - 1], run[i]);
            if (d < best) {
                best = d;
                const double len = oracle::Dist(run[i - 1], run[i]);
                dir = {(run[i].x - run[i - 1].x) / len, (run[i].y - run[i - 1].y) / len};
            }
        }
    return dir;
}

double Sine(Pt a, Pt b) { return std::fabs(a.x * b.y - a.y * b.x); }

Pt Centre(CGeCircle* c)
{
    double p[2];
    c->GetCenter(p);
    return {p[0], p[1]};
}

TEST(TangentCirclesTest, CircleOfRadiusTangentToTwoLines)
{
    CGeTool2D tool;
    auto h = MakeLine(-10, 0, 10, 0), v = MakeLine(0, -10, 0, 10);
    double t1 = 0.75, t2 = 0.75;
    int s1 = 1, s2 = 1;
    std::unique_ptr<CGeCircle> c(tool.GetTanCircleAt2Curve(h.get(), v.get(), 5.0, t1, s1, t2, s2));
    ASSERT_TRUE(c);
    EXPECT_NEAR(Centre(c.get()).x, 5.0, 1e-9);
    EXPECT_NEAR(Centre(c.get()).y, 5.0, 1e-9);
    EXPECT_EQ(c->GetRadius(), 5.0);
    EXPECT_EQ(c->GetDirection(), 1);

    // Two lines at 30 degrees: the centre lies on the bisector, at r from both.
    const double a = std::numbers::pi / 6;
    auto l1 = MakeLine(0, 0, 20, 0), l2 = MakeLine(0, 0, 20 * std::cos(a), 20 * std::sin(a));
    t1 = t2 = 0.5;
    std::unique_ptr<CGeCircle> w(tool.GetTanCircleAt2Curve(l1.get(), l2.get(), 2.0, t1, s1, t2, s2));
    ASSERT_TRUE(w);
    const Pt cw = Centre(w.get());
    EXPECT_NEAR(std::atan2(cw.y, cw.x), a / 2, 1e-9);
    EXPECT_NEAR(CurveDistance(l1.get(), cw), 2.0, 1e-7);
    EXPECT_NEAR(CurveDistance(l2.get(), cw), 2.0, 1e-7);
}

TEST(TangentCirclesTest, FilletArcJoinsBothCurvesSmoothly)
{
    CGeTool2D tool;
    auto h = MakeLine(-10, 0, 10, 0), v = MakeLine(0, -10, 0, 10);
    auto arcCurve = MakeArc(12, 0, 8, std::numbers::pi * 0.5, std::numbers::pi * 1.2);
    auto bez = MakeBezier({{-10, 3}, {-5, 6}, {0, 5}, {6, 2}});
    struct Row {
        const char* label;
        CGeCurve* c1;
        CGeCurve* c2;
        double r;
    };
    const Row rows[] = {
        {"perpendicular lines, sides from t = 0.1", h.get(), v.get(), 5.0},
        {"line and arc", h.get(), arcCurve.get(), 1.5},
        {"spline and line (iterated)", bez.get(), v.get(), 1.0},
    };
    for (const Row& r : rows) {
        double t1 = 0.75, t2 = 0.75;
        int s1 = 1, s2 = 1;
        std::unique_ptr<CGeArc> arc(tool.GetFilletArc(r.c1, r.c2, r.r, t1, s1, t2, s2));
        ASSERT_TRUE(arc) << r.label;
        EXPECT_NEAR(arc->GetRadius(), r.r, 1e-4) << r.label;
        EXPECT_LE(std::fabs(arc->GetSweep()), std::numbers::pi) << r.label;
        double s[2], e[2], ds[2], de[2], p[2];
        arc->Ev1Der(0.0, s, ds, 1);
        arc->Ev1Der(1.0, e, de, 1);
        const Pt ps{s[0], s[1]}, pe{e[0], e[1]};
        EXPECT_LT(CurveDistance(r.c1, ps), 1e-4) << r.label;
        EXPECT_LT(CurveDistance(r.c2, pe), 1e-4) << r.label;
        const double ls = std::hypot(ds[0], ds[1]), le = std::hypot(de[0], de[1]);
        EXPECT_LT(Sine({ds[0] / ls, ds[1] / ls}, TangentNear(r.c1, ps)), 1e-3) << r.label;
        EXPECT_LT(Sine({de[0] / le, de[1] / le}, TangentNear(r.c2, pe)), 1e-3) << r.label;
        // The parameters name the tangent points on the curves.
        r.c1->GetPointAt(t1, p, unsigned(s1));
        EXPECT_LT(oracle::Dist({p[0], p[1]}, ps), 1e-4) << r.label;
        r.c2->GetPointAt(t2, p, unsigned(s2));
        EXPECT_LT(oracle::Dist({p[0], p[1]}, pe), 1e-4) << r.label;
    }
    // The Part's case: sides from the points at t = 0.1, whatever the picks.
    double t1 = 0.75, t2 = 0.75;
    int s1 = 1, s2 = 1;
    std::unique_ptr<CGeArc> arc(tool.GetFilletArc(h.get(), v.get(), 5.0, t1, s1, t2, s2));
    ASSERT_TRUE(arc);
    double c[2], s[2], e[2];
    arc->GetCenter(c);
    arc->GetStartPoint(s);
    arc->GetEndPoint(e);
    EXPECT_NEAR(c[0], -5, 1e-9);
    EXPECT_NEAR(c[1], -5, 1e-9);
    EXPECT_NEAR(s[0], -5, 1e-9);
    EXPECT_NEAR(s[1], 0, 1e-9);
    EXPECT_NEAR(e[0], 0, 1e-9);
    EXPECT_NEAR(e[1], -5, 1e-9);
}

TEST(TangentCirclesTest, NoSolutionAndBadInput)
{
    CGeTool2D tool;
    auto a = MakeLine(0, 0, 20, 0), b = MakeLine(0, 10, 20, 10);
    auto onA = MakeLine(5, 0, 15, 0);  // the pick of the other curve lies on a: no side
    double t1 = 0.5, t2 = 0.5;
    int s1 = 1, s2 = 1;
    struct Row {
        const char* label;
        CGeCurve* c1;
        CGeCurve* c2;
        double r;
    };
    const Row rows[] = {
        {"parallel lines 10 apart, radius 4", a.get(), b.get(), 4.0},
        {"null first curve", nullptr, b.get(), 4.0},
        {"null second curve", a.get(), nullptr, 4.0},
        {"the same curve twice", a.get(), a.get(), 4.0},
        {"reference point on the curve", a.get(), onA.get(), 1.0},
        {"zero radius", a.get(), b.get(), 0.0},
        {"radius not a number", a.get(), b.get(), NAN},
    };
    for (const Row& r : rows) {
        std::unique_ptr<CGeCircle> c(tool.GetTanCircleAt2Curve(r.c1, r.c2, r.r, t1, s1, t2, s2));
        EXPECT_FALSE(c) << r.label;
        std::unique_ptr<CGeArc> f(tool.GetFilletArc(r.c1, r.c2, r.r, t1, s1, t2, s2));
        EXPECT_FALSE(f) << r.label;
    }
    double p[2] = {0, 0}, q[2] = {1, 1}, s[2] = {2, 2};
    EXPECT_FALSE(std::unique_ptr<CGeCircle>(tool.GetCircle3Pt(p, q, s))) << "collinear points";
    EXPECT_FALSE(std::unique_ptr<CGeCircle>(tool.GetCircle3Pt(p, p, s))) << "coincident points";
    unsigned u1 = 1, u2 = 1, u3 = 1;
    EXPECT_FALSE(std::unique_ptr<CGeCircle>(tool.GetTanCircleAt3Curve(a.get(), a.get(), b.get(), t1, u1, t2, u2, t1, u3)));
    EXPECT_FALSE(std::unique_ptr<CGeCircle>(tool.GetTanCircleAt2Curve(a.get(), nullptr, p, t1, u1, t2, u2)));
    EXPECT_FALSE(std::unique_ptr<CGeCircle>(tool.GetTanCircleAt1Curve(nullptr, p, q, t1, u1)));
}

TEST(TangentCirclesTest, CircleThroughThreePoints)
{
    CGeTool2D tool;
    double p[2] = {1, 2}, q[2] = {7, -1}, s[2] = {3, 6};
    std::unique_ptr<CGeCircle> c(tool.GetCircle3Pt(p, q, s));
    ASSERT_TRUE(c);
    const Pt m = Centre(c.get());
    for (const double* x : {p, q, s}) EXPECT_NEAR(oracle::Dist(m, {x[0], x[1]}), c->GetRadius(), 1e-9);
    EXPECT_EQ(c->GetDirection(), 1);
}

// The iteration stops when the radii agree within 3 x 0.0001; the Newton
// steps after it make the circles exact.
TEST(TangentCirclesTest, IteratedCirclesTouchWhatTheyMust)
{
    CGeTool2D tool;
    // Through (0, 2) and (2, 2), tangent to y = 0: centre (1, 1.25), radius 1.25.
    auto ground = MakeLine(-10, 0, 10, 0);
    double p[2] = {0, 2}, q[2] = {2, 2};
    double t = 0.2;
    unsigned seg = 1;
    std::unique_ptr<CGeCircle> c(tool.GetTanCircleAt1Curve(ground.get(), p, q, t, seg));
    ASSERT_TRUE(c);
    EXPECT_NEAR(Centre(c.get()).x, 1.0, 1e-9);
    EXPECT_NEAR(Centre(c.get()).y, 1.25, 1e-9);
    EXPECT_NEAR(c->GetRadius(), 1.25, 1e-9);

    // Tangent to three lines of a triangle: the incircle of (0,0), (8,0), (0,6)
    // has centre (2, 2) and radius 2.
    auto l1 = MakeLine(0, 0, 8, 0), l2 = MakeLine(8, 0, 0, 6), l3 = MakeLine(0, 6, 0, 0);
    double t1 = 0.5, t2 = 0.5, t3 = 0.5;
    unsigned s1 = 1, s2 = 1, s3 = 1;
    std::unique_ptr<CGeCircle> in(tool.GetTanCircleAt3Curve(l1.get(), l2.get(), l3.get(), t1, s1, t2, s2, t3, s3));
    ASSERT_TRUE(in);
    EXPECT_NEAR(Centre(in.get()).x, 2.0, 1e-9);
    EXPECT_NEAR(Centre(in.get()).y, 2.0, 1e-9);
    for (CGeCurve* l : {l1.get(), l2.get(), l3.get()})
        EXPECT_NEAR(CurveDistance(l, Centre(in.get())), in->GetRadius(), 1e-9);

    // Through a point, tangent to two lines.
    double x[2] = {3, 1};
    t1 = t2 = 0.3;
    std::unique_ptr<CGeCircle> two(tool.GetTanCircleAt2Curve(l1.get(), l3.get(), x, t1, s1, t2, s2));
    ASSERT_TRUE(two);
    const Pt m = Centre(two.get());
    EXPECT_NEAR(CurveDistance(l1.get(), m), two->GetRadius(), 1e-9);
    EXPECT_NEAR(CurveDistance(l3.get(), m), two->GetRadius(), 1e-9);
    EXPECT_NEAR(oracle::Dist(m, {3, 1}), two->GetRadius(), 1e-9);
}

TEST(TangentCirclesTest, CommonTangentOfTwoArcs)
{
    CGeTool2D tool;
    // Arcs over the whole turn but a sliver, so that every pick parameter lands.
    auto left = MakeArc(0, 0, 2, 0.0, 2 * std::numbers::pi * 0.999);
    auto right = MakeArc(10, 0, 2, 0.0, 2 * std::numbers::pi * 0.999);
    auto big = MakeArc(10, 1, 4, 0.0, 2 * std::numbers::pi * 0.999);
    auto inner = MakeArc(0.5, 0, 1, 0.0, 2 * std::numbers::pi * 0.999);
    struct Row {
        const char* label;
        CGeArc* a1;
        CGeArc* a2;
        double t1, t2;  // picks: 0.25 is the top, 0.75 the bottom
        int result;
        Pt out1, out2;  // expected for the equal circles; NAN to check tangency only
    };
    const double n = NAN;
    const Row rows[] = {
        {"both picks above: upper outer tangent", left.get(), right.get(), 0.25, 0.25, 1, {0, 2}, {10, 2}},
        {"both picks below: lower outer tangent", left.get(), right.get(), 0.75, 0.75, 1, {0, -2}, {10, -2}},
        {"picks on opposite sides: crossed tangent", left.get(), right.get(), 0.25, 0.75, 1, {n, n}, {n, n}},
        {"unequal radii, outer", left.get(), big.get(), 0.25, 0.25, 1, {n, n}, {n, n}},
        {"unequal radii, crossed", left.get(), big.get(), 0.75, 0.25, 1, {n, n}, {n, n}},
        {"one circle inside the other", left.get(), inner.get(), 0.25, 0.25, 0, {}, {}},
        {"null arc", nullptr, right.get(), 0.25, 0.25, 0, {}, {}},
    };
    for (const Row& r : rows) {
        double t1 = r.t1, t2 = r.t2, o1[2] = {n, n}, o2[2] = {n, n};
        ASSERT_EQ(tool.GetTanPtAt2Arc(r.a1, r.a2, &t1, &t2, o1, o2), r.result) << r.label;
        if (r.result == 0) continue;
        EXPECT_EQ(t1, r.t1) << r.label;
        if (!std::isnan(r.out1.x)) {
            EXPECT_NEAR(o1[0], r.out1.x, 1e-9) << r.label;
            EXPECT_NEAR(o1[1], r.out1.y, 1e-9) << r.label;
            EXPECT_NEAR(o2[0], r.out2.x, 1e-9) << r.label;
            EXPECT_NEAR(o2[1], r.out2.y, 1e-9) << r.label;
        }
        // The line o1-o2 touches both circles: each radius is perpendicular to it.
        CGeArc* small = r.a1->GetRadius() <= r.a2->GetRadius() ? r.a1 : r.a2;
        CGeArc* large = small == r.a1 ? r.a2 : r.a1;
        double c1[2], c2[2];
        small->GetCenter(c1);
        large->GetCenter(c2);
        const Pt d{o2[0] - o1[0], o2[1] - o1[1]};
        const double len = std::hypot(d.x, d.y);
        EXPECT_NEAR(oracle::Dist({o1[0], o1[1]}, {c1[0], c1[1]}), small->GetRadius(), 1e-9) << r.label;
        EXPECT_NEAR(oracle::Dist({o2[0], o2[1]}, {c2[0], c2[1]}), large->GetRadius(), 1e-9) << r.label;
        EXPECT_NEAR(((o1[0] - c1[0]) * d.x + (o1[1] - c1[1]) * d.y) / len, 0.0, 1e-9) << r.label;
        EXPECT_NEAR(((o2[0] - c2[0]) * d.x + (o2[1] - c2[1]) * d.y) / len, 0.0, 1e-9) << r.label;
        // Outer tangents keep both centres on one side, crossed ones separate them.
        const double side1 = d.x * (c1[1] - o1[1]) - d.y * (c1[0] - o1[0]);
        const double side2 = d.x * (c2[1] - o1[1]) - d.y * (c2[0] - o1[0]);
        const bool crossed = std::string(r.label).find("crossed") != std::string::npos;
        EXPECT_EQ(side1 * side2 < 0, crossed) << r.label;
    }
}

TEST(TangentCirclesTest, CommonTangentOfTwoCurvesByNewton)
{
    CGeTool2D tool;
    struct Row {
        const char* label;
        double scale;  // the Part's g' = 2 f f' test failed a few millimetres long
        double t1, t2;
    };
    const Row rows[] = {
        {"spline humps 100 long", 10.0, 0.4, 0.6},
        {"spline humps 3 long", 0.3, 0.4, 0.6},
    };
    for (const Row& r : rows) {
        const double k = r.scale;
        auto b1 = MakeBezier({{0, 0}, {1 * k, 3 * k}, {3 * k, 3 * k}, {4 * k, 0}});
        auto b2 = MakeBezier({{6 * k, 0}, {7 * k, 4 * k}, {9 * k, 4 * k}, {10 * k, 0}});
        double t1 = r.t1, t2 = r.t2, o1[2], o2[2];
        ASSERT_EQ(tool.GetTanPtAt2Curve(b1.get(), b2.get(), &t1, &t2, o1, o2), 1) << r.label;
        // Tangent at both points: each curve's tangent is parallel to o2 - o1.
        const Pt w{o2[0] - o1[0], o2[1] - o1[1]};
        const double lw = std::hypot(w.x, w.y);
        double p[2], d1[2], d2[2];
        b1->Ev1Der(t1, p, d1, 1);
        EXPECT_LT(oracle::Dist({p[0], p[1]}, {o1[0], o1[1]}), 1e-12) << r.label;
        b2->Ev1Der(t2, p, d2, 1);
        EXPECT_LT(Sine({d1[0] / std::hypot(d1[0], d1[1]), d1[1] / std::hypot(d1[0], d1[1])}, {w.x / lw, w.y / lw}), 1e-3)
            << r.label;
        EXPECT_LT(Sine({d2[0] / std::hypot(d2[0], d2[1]), d2[1] / std::hypot(d2[0], d2[1])}, {w.x / lw, w.y / lw}), 1e-3)
            << r.label;
        // Started on the tangent itself, the answer is the start.
        double u1 = t1, u2 = t2, q1[2], q2[2];
        ASSERT_EQ(tool.GetTanPtAt2Curve(b1.get(), b2.get(), &u1, &u2, q1, q2), 1) << r.label << ", started on it";
        EXPECT_NEAR(u1, t1, 1e-6) << r.label;
        EXPECT_NEAR(u2, t2, 1e-6) << r.label;
    }
}

TEST(TangentCirclesTest, ClosestPointsOfTwoCurves)
{
    CGeTool2D tool;
    const double c1[2] = {0, 0}, c2[2] = {10, 5};
    CGeCircle a(c1, 2, 1), b(c2, 3, 1);
    const double sq = std::sqrt(125.0);
    double t1 = 0.3, t2 = 0.9, o1[2], o2[2];
    ASSERT_EQ(tool.CalcPendPtBy2Curve(&a, &b, t1, t2, o1, o2), 1);
    // Alternating projection stops once two steps agree within 0.0001: the
    // distance is close to the least one, the points themselves less so.
    EXPECT_NEAR(std::hypot(o2[0] - o1[0], o2[1] - o1[1]), sq - 5, 1e-4);
    EXPECT_NEAR(o1[0], 2 * 10 / sq, 1e-2);
    EXPECT_NEAR(o1[1], 2 * 5 / sq, 1e-2);
    EXPECT_NEAR(o2[0], 10 - 3 * 10 / sq, 1e-2);
    EXPECT_NEAR(o2[1], 5 - 3 * 5 / sq, 1e-2);
    EXPECT_EQ(t1, 0.3) << "parameters are not changed";
    auto line = MakeLine(-5, 1, 5, 1);
    EXPECT_EQ(tool.CalcPendPtBy2Curve(line.get(), &a, t1, t2, o1, o2), 0) << "curves that cross touch";
    EXPECT_EQ(tool.CalcPendPtBy2Curve(&a, nullptr, t1, t2, o1, o2), 0) << "null curve";
}

}  // namespace
