#include "geometry/shapes2d/GeCurve.h"

#include "framework/looker/SnapRecords.h"
#include "framework/numerak/Matrix33.h"
#include "geometry/shapes2d/GeHit.h"
#include "geometry/shapes2d/GeLine.h"
#include "geometry/shapes2d/GePolyline.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;

// A curve whose only geometry is a display polyline set by the test.
class DisplayCurve : public CGeCurve {
public:
    explicit DisplayCurve(const std::vector<tagPoint2d>& pts, int type = 0) : m_type(type)
    {
        CopySWPoint(reinterpret_cast<const double(*)[2]>(pts.data()), static_cast<int>(pts.size()));
    }
    int GetType() const override { return m_type; }

private:
    int m_type;
};

// The parabola y = x^2 for x in [x0, x1], parameter t in [0, 1], with exact
// evaluation; copies and splits keep the parameter range. Optionally reports a
// reversed derivative, which walks the Newton search away from the nearest point.
class Parabola : public CGeCurve {
public:
    Parabola(double x0, double x1, bool misleading = false) : m_x0(x0), m_x1(x1), m_misleading(misleading) {}

    int GetType() const override { return 0x20; }
    CGeCurve* Copy() override { return new Parabola(m_x0, m_x1, m_misleading); }

    void EvPos(double t, double* p, unsigned) override
    {
        const double x = X(t);
        p[0] = x;
        p[1] = x * x;
    }
    void Ev1Der(double t, double* p, double* d1, unsigned seg) override
    {
        EvPos(t, p, seg);
        const double dx = m_x1 - m_x0;
        d1[0] = dx;
        d1[1] = 2.0 * X(t) * dx;
        if (m_misleading) {
            d1[0] = -d1[0];
            d1[1] = -d1[1];
        }
    }
    void DiscreteInArray(double, CArray<tagPoint2d, tagPoint2d>* pts, double, bool) override
    {
        if (!pts) return;
        for (int i = 0; i <= 64; ++i) {
            double p[2];
            EvPos(i / 64.0, p, 1);
            pts->Add(tagPoint2d{p[0], p[1]});
        }
    }
    void Split(double t, CGeCurve** out, int, int) override
    {
        if (t < 0.0 || t > 1.0) return;
        const double x = X(t);
        out[0] = t > 1e-9 ? new Parabola(m_x0, x) : nullptr;
        out[1] = t < 1.0 - 1e-9 ? new Parabola(x, m_x1) : nullptr;
    }
    using CGeCurve::Split;

    double X(double t) const { return m_x0 + t * (m_x1 - m_x0); }
    double m_x0, m_x1;
    bool m_misleading;
};

// A three-segment curve that records where Split(t, ...) was asked to cut.
class SplitSpy : public CGeCurve {
public:
    int GetSegmentCount() override { return 3; }
    void Split(double t, CGeCurve** out, int seg, int) override
    {
        lastT = t;
        lastSeg = seg;
        out[0] = new SplitSpy;
        out[1] = new SplitSpy;
    }
    using CGeCurve::Split;
    double lastT = -1.0;
    int lastSeg = -1;
};

void DeleteAll(CTypedPtrList<CObList, CGeCurve*>& list) { DeleteOwnedList(list); }

std::vector<tagPoint2d> Square() { return {{0, 0}, {10, 0}, {10, 10}, {0, 10}}; }

// Even-odd test on a polygon, for points clearly off its boundary.
bool InsideEvenOdd(const std::vector<tagPoint2d>& poly, double px, double py)
{
    bool inside = false;
    for (size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
        const tagPoint2d& a = poly[i];
        const tagPoint2d& b = poly[j];
        if ((a.y > py) != (b.y > py) && px < (b.x - a.x) * (py - a.y) / (b.y - a.y) + a.x) inside = !inside;
    }
    return inside;
}

double SegmentDistance(const tagPoint2d& a, const tagPoint2d& b, double px, double py)
{
    const double dx = b.x - a.x, dy = b.y - a.y;
    double t = ((px - a.x) * dx + (py - a.y) * dy) / (dx * dx + dy * dy);
    t = std::fmax(0.0, std::fmin(1.0, t));
    return std::hypot(a.x + t * dx - px, a.y + t * dy - py);
}

TEST(GeCurveTest, IsPtInLoopTable)
{
    struct Case {
        const char* label;
        std::vector<tagPoint2d> poly;
        double p[2];
        int expected;
    };
    // A W whose top has a notch vertex (5,5) that is a local minimum, and a
    // shape whose bottom has a peak vertex (5,5) that is a local maximum.
    const std::vector<tagPoint2d> notch = {{0, 0}, {10, 0}, {10, 10}, {5, 5}, {0, 10}};
    const std::vector<tagPoint2d> peak = {{0, 0}, {5, 5}, {10, 0}, {10, 10}, {0, 10}};
    const std::vector<tagPoint2d> diamond = {{0, -5}, {5, 0}, {0, 5}, {-5, 0}};
    std::vector<tagPoint2d> closedSquare = Square();
    closedSquare.push_back({0, 0});
    const Case cases[] = {
        {"square centre", Square(), {5, 5}, 0},
        {"square outside the box", Square(), {15, 5}, 1},
        {"square right edge", Square(), {10, 5}, 2},
        {"square near the bottom edge", Square(), {5, 0.005}, 2},
        {"square corner", Square(), {10, 10}, 2},
        {"square on the bottom edge's line, left of it", Square(), {-0.005, 0}, 2},
        {"square with repeated first point", closedSquare, {5, 5}, 0},
        {"square with repeated first point, on its vertex", closedSquare, {0, 0}, 2},
        {"diamond, ray through the right vertex", diamond, {-2, 0}, 0},
        {"diamond, level with the vertex but outside", diamond, {-6, 0}, 1},
        {"notch: ray touches the local minimum", notch, {2, 5}, 0},
        {"notch: left of the polygon, ray touches it", notch, {-3, 5}, 1},
        {"notch: in the notch, above the vertex", notch, {5, 8}, 1},
        {"notch: on the local minimum", notch, {5, 5}, 2},
        {"peak: ray through the local maximum", peak, {2, 5}, 0},
        {"peak: below the peak, between its flanks", peak, {5, 2}, 1},
        {"peak: on the local maximum", peak, {5, 5}, 2},
    };
    for (const Case& c : cases) {
        DisplayCurve curve(c.poly);
        double p[2] = {c.p[0], c.p[1]};
        EXPECT_EQ(curve.IsPtInLoop(p, 0.01), c.expected) << c.label;
    }
}

TEST(GeCurveTest, IsPtInLoopMatchesEvenOddOnAStar)
{
    // A star with many vertices on rays from the centre, against an independent
    // even-odd test at random points away from the boundary.
    std::vector<tagPoint2d> star;
    for (int i = 0; i < 14; ++i) {
        const double a = 2.0 * kPi * i / 14.0;
        const double r = (i % 2) ? 3.0 : 10.0;
        star.push_back({std::round(r * std::cos(a) * 4.0) / 4.0, std::round(r * std::sin(a) * 4.0) / 4.0});
    }
    EXPECT_EQ(CGeCurve::GenCurve(nullptr), nullptr);
    CArray<tagPoint2d, tagPoint2d> arr;
    for (const tagPoint2d& p : star) arr.Add(p);
    std::unique_ptr<CGeCurve> polyline(CGeCurve::GenCurve(&arr));
    ASSERT_NE(polyline, nullptr);

    std::mt19937 rng(7);
    std::uniform_real_distribution<double> coord(-12.0, 12.0);
    std::uniform_int_distribution<int> grid(-48, 48);
    int checked = 0;
    for (int i = 0; i < 4000; ++i) {
        // Half the points on a quarter grid, so rays often pass through vertices.
        double p[2] = {coord(rng), (i % 2) ? grid(rng) / 4.0 : coord(rng)};
        double nearest = 1e9;
        for (size_t k = 0; k < star.size(); ++k)
            nearest = std::fmin(nearest, SegmentDistance(star[k], star[(k + 1) % star.size()], p[0], p[1]));
        if (nearest < 0.05) continue;
        const int expected = InsideEvenOdd(star, p[0], p[1]) ? 0 : 1;
        ASSERT_EQ(polyline->IsPtInLoop(p, 0.01), expected) << "point (" << p[0] << ", " << p[1] << ")";
        ++checked;
    }
    EXPECT_GT(checked, 3000);
}

TEST(GeCurveTest, NearestPointAgainstDenseSampling)
{
    // Points near the curve, the search started from the best of a coarse
    // sampling as callers do.
    Parabola curve(-2.0, 2.0);
    struct Case {
        double t, offset;  // foot on the curve and signed distance along its normal
    };
    const Case cases[] = {{0.1, 0.2}, {0.3, -0.1}, {0.5, 0.3}, {0.5, -0.2}, {0.7, 0.05}, {0.95, -0.15}, {0.0, 0.0}};
    for (const Case& c : cases) {
        double foot[2], d[2];
        curve.Ev1Der(c.t, foot, d, 1);
        const double len = std::hypot(d[0], d[1]);
        double p[2] = {foot[0] - d[1] / len * c.offset, foot[1] + d[0] / len * c.offset};
        const std::string label = "p = (" + std::to_string(p[0]) + ", " + std::to_string(p[1]) + ")";

        double best = 1e9, start = 0.0, coarse = 1e9;
        for (int i = 0; i <= 200000; ++i) {
            double q[2];
            curve.EvPos(i / 200000.0, q, 1);
            const double dist = std::hypot(q[0] - p[0], q[1] - p[1]);
            best = std::fmin(best, dist);
            if (i % 25000 == 0 && dist < coarse) {
                coarse = dist;
                start = i / 200000.0;
            }
        }
        double out[2];
        double t = start, dist = 1e7;
        unsigned seg = 1;
        EXPECT_EQ(curve.GetNearestPoint(p, out, t, seg, dist), 1) << label;
        // The search converges on the distance itself.
        EXPECT_GE(dist, best - 1e-12) << label;
        EXPECT_LT(dist - best, 1e-9) << label;
        double at[2];
        curve.EvPos(t, at, 1);
        EXPECT_NEAR(out[0], at[0], 1e-12) << label << ": the point is the one at t";
        EXPECT_NEAR(out[1], at[1], 1e-12) << label;
        EXPECT_NEAR(std::hypot(p[0] - out[0], p[1] - out[1]), dist, 1e-12) << label;
    }
}

TEST(GeCurveTest, NearestPointReportsThePointAtItsParameter)
{
    // A derivative that points the wrong way misleads every local step; the
    // answer is still a point of the curve at the parameter reported, and no
    // farther than the point the search started from.
    Parabola curve(0.0, 10.0, true);
    double p[2] = {4.0, 17.0}, out[2];
    double t = 0.4, dist = 1e7;
    unsigned seg = 1;
    EXPECT_EQ(curve.GetNearestPoint(p, out, t, seg, dist), 1);
    double at[2];
    curve.EvPos(t, at, 1);
    EXPECT_DOUBLE_EQ(out[0], at[0]);
    EXPECT_DOUBLE_EQ(out[1], at[1]);
    EXPECT_DOUBLE_EQ(std::hypot(p[0] - out[0], p[1] - out[1]), dist);
    EXPECT_LE(dist, 1.0);

    // A curve that cannot evaluate reports failure.
    DisplayCurve empty({});
    dist = 1e7;
    t = 0.0;
    EXPECT_EQ(empty.GetNearestPoint(p, out, t, seg, dist), 0);
    EXPECT_EQ(dist, 1e7);
}

IntPnt Record(double t, int seg, int subSeg, const double* pt = nullptr)
{
    IntPnt r;
    r.para1 = t;
    r.seg1 = seg;
    r.subSeg1 = subSeg;
    if (pt) {
        r.pt[0] = pt[0];
        r.pt[1] = pt[1];
    }
    return r;
}

TEST(GeCurveTest, SplitBetweenRecords)
{
    Parabola curve(-2.0, 2.0);
    struct Case {
        const char* label;
        double ta, tb;
        double x0, x1;  // expected range of the piece
    };
    const Case cases[] = {
        {"start to end gives a copy", 0.0, 1.0, -2.0, 2.0},
        {"near start and end within 0.0001", 0.00005, 0.99995, -2.0, 2.0},
        {"from the start", 0.0, 0.5, -2.0, 0.0},
        {"to the end", 0.25, 1.0, -1.0, 2.0},
        {"inner piece", 0.25, 0.75, -1.0, 1.0},
    };
    for (const Case& c : cases) {
        double pa[2], pb[2];
        curve.EvPos(c.ta, pa, 1);
        curve.EvPos(c.tb, pb, 1);
        std::unique_ptr<CGeCurve> piece(curve.Split(Record(c.ta, 1, 1, pa), Record(c.tb, 1, 1, pb)));
        ASSERT_NE(piece, nullptr) << c.label;
        EXPECT_NE(piece.get(), &curve) << c.label;
        auto* par = dynamic_cast<Parabola*>(piece.get());
        ASSERT_NE(par, nullptr) << c.label;
        // The far end of an inner piece is found again by the nearest-point
        // search, whose steps stop below 0.01 in parameter (0.03 in x here).
        EXPECT_NEAR(par->m_x0, c.x0, 1e-3) << c.label;
        EXPECT_NEAR(par->m_x1, c.x1, 0.03) << c.label;
    }
}

TEST(GeCurveTest, SplitAtAllRecords)
{
    Parabola curve(-2.0, 2.0);
    CArray<IntPnt, IntPnt> recs;
    double p[2];
    // Given out of order: the split sorts them along the curve.
    curve.EvPos(0.75, p, 1);
    recs.Add(Record(0.75, 1, 1, p));
    curve.EvPos(0.25, p, 1);
    recs.Add(Record(0.25, 1, 1, p));
    CTypedPtrList<CObList, CGeCurve*> pieces;
    curve.Split(recs, pieces);
    ASSERT_EQ(pieces.GetCount(), 3);
    const double bounds[] = {-2.0, -1.0, 1.0, 2.0};
    int i = 0;
    CGeCurve* prev = nullptr;
    for (CGeCurve* c : pieces) {
        auto* par = static_cast<Parabola*>(c);
        EXPECT_NEAR(par->m_x0, bounds[i], 0.03) << "piece " << i;
        EXPECT_NEAR(par->m_x1, bounds[i + 1], 0.03) << "piece " << i;
        if (i > 0) {
            EXPECT_NEAR(par->m_x0, static_cast<Parabola*>(prev)->m_x1, 0.03) << "pieces meet, piece " << i;
        }
        prev = c;
        ++i;
    }
    DeleteAll(pieces);
}

TEST(GeCurveTest, SplitAtOneRecordUsesItsSegment)
{
    struct Case {
        const char* label;
        int seg, subSeg;
        int expected;
    };
    const Case cases[] = {
        {"plain curve, segment 2", 2, 1, 2},
        {"composite member 1, its segment 3", 1, 3, 3},
        {"composite member 3, its segment 1", 3, 1, 3},
    };
    for (const Case& c : cases) {
        SplitSpy spy;
        CArray<IntPnt, IntPnt> recs;
        recs.Add(Record(0.3, c.seg, c.subSeg));
        CTypedPtrList<CObList, CGeCurve*> pieces;
        spy.Split(recs, pieces);
        EXPECT_EQ(spy.lastSeg, c.expected) << c.label;
        EXPECT_DOUBLE_EQ(spy.lastT, 0.3) << c.label;
        EXPECT_EQ(pieces.GetCount(), 2) << c.label;
        DeleteAll(pieces);
    }
}

TEST(GeCurveTest, GenCurveByPointCount)
{
    CArray<tagPoint2d, tagPoint2d> pts;
    pts.Add({1, 2});
    EXPECT_EQ(CGeCurve::GenCurve(&pts), nullptr) << "1 point";

    pts.Add({4, 6});
    std::unique_ptr<CGeCurve> line(CGeCurve::GenCurve(&pts));
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->GetType(), 0x2);
    double s[2], e[2];
    line->GetStartPoint(s);
    line->GetEndPoint(e);
    EXPECT_EQ(s[0], 1.0);
    EXPECT_EQ(s[1], 2.0);
    EXPECT_EQ(e[0], 4.0);
    EXPECT_EQ(e[1], 6.0);

    pts.Add({0, 9});
    std::unique_ptr<CGeCurve> poly(CGeCurve::GenCurve(&pts));
    ASSERT_NE(poly, nullptr);
    EXPECT_EQ(poly->GetType(), 0x40);
    EXPECT_EQ(poly->GetSegmentCount(), 2);
    ASSERT_EQ(poly->GetSWPointCount(), 3);
    EXPECT_EQ(poly->GetSWPoint()[2][1], 9.0);
    BOX2<double> box;
    poly->GetBox2d(&box);
    EXPECT_EQ(box.xmin, 0.0);
    EXPECT_EQ(box.ymin, 2.0);
    EXPECT_EQ(box.xmax, 4.0);
    EXPECT_EQ(box.ymax, 9.0);
}

TEST(GeCurveTest, Conversions)
{
    DisplayCurve straight({{0, 0}, {1, 0}, {2, 0}, {3, 0}});
    EXPECT_EQ(straight.ToPolyline(-1.0), nullptr);

    std::unique_ptr<CGeCurve> poly(straight.ToPolyline(0.01));
    ASSERT_NE(poly, nullptr);
    EXPECT_EQ(poly->GetType(), 0x40);
    EXPECT_EQ(poly->GetSWPointCount(), 4) << "ToPolyline does not thin";

    std::unique_ptr<CGeCurve> line(straight.ToPLine(0.01, 3.0));
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->GetType(), 0x2) << "the collinear run thins to two points";
    double e[2];
    line->GetEndPoint(e);
    EXPECT_EQ(e[0], 3.0);

    DisplayCurve single({{5, 5}});
    EXPECT_EQ(single.ToPLine(0.01, 3.0), nullptr);

    // A polyline's vertices are its display polyline: Discrete leaves them alone.
    static_cast<CGePolyline*>(poly.get())->Discrete(0.5);
    EXPECT_EQ(poly->GetSWPointCount(), 4);
}

TEST(GeCurveTest, StartEndAndEmptyCurve)
{
    DisplayCurve empty({});
    double p[2] = {7.0, 8.0};
    empty.GetStartPoint(p);
    empty.GetEndPoint(p);
    EXPECT_EQ(p[0], 7.0);
    EXPECT_EQ(p[1], 8.0);
    empty.GetBox2d(nullptr);
    BOX2<double> box;
    empty.GetBox2d(&box);
    EXPECT_FALSE(box.IsValid());
    EXPECT_EQ(empty.IsPtInLoop(p, 0.01), 1);
    EXPECT_EQ(empty.GetFirstSketchIndex(), -1);
    empty.InitSketchIndex();
    EXPECT_EQ(empty.GetFirstSketchIndex(), -1);
    EXPECT_EQ(empty.GetSketchIndex().GetSize(), 1);

    DisplayCurve one({{1, 2}});
    one.GetStartPoint(p);
    EXPECT_EQ(p[0], 1.0);
    p[0] = 9.0;
    one.GetEndPoint(p);
    EXPECT_EQ(p[0], 9.0) << "the end needs at least two display points";
}

TEST(GeCurveTest, PickAndHit)
{
    Parabola curve(-2.0, 2.0);
    CPickRay ray;
    ray.m_pt[0] = 1.0;
    ray.m_pt[1] = 1.05;
    ray.m_dAperture = 0.1;
    ray.m_nTypeMask = 0x2 | 0x40;
    EXPECT_EQ(curve.Pick(ray, 1), 0) << "mask without the curve's type";
    EXPECT_EQ(ray.m_dDist, 1e30);

    ray.m_nTypeMask = 0x20;
    EXPECT_EQ(curve.Pick(ray, 1), 1);
    EXPECT_LT(ray.m_dDist, 0.05);

    CGeHit hit;
    ASSERT_EQ(curve.Hit(ray, hit), 1);
    EXPECT_EQ(hit.m_pCurve, &curve);
    EXPECT_NEAR(hit.m_pt[1], hit.m_pt[0] * hit.m_pt[0], 1e-12);
    EXPECT_NEAR(hit.m_dParam, (hit.m_pt[0] + 2.0) / 4.0, 1e-12) << "parameter of the hit point";

    ray.m_pt[1] = 1.5;
    EXPECT_EQ(curve.Pick(ray, 1), 0) << "beyond the aperture";
    EXPECT_EQ(curve.Hit(ray, hit), 0);
}

TEST(GeCurveTest, TransformsOfTheDisplayPolyline)
{
    const std::vector<tagPoint2d> pts = {{1, 0}, {3, 1}, {2, 4}};
    struct Case {
        const char* label;
        void (*apply)(CGeCurve&);
        tagPoint2d (*expect)(tagPoint2d);
    };
    const Case cases[] = {
        {"translate by (2, -1)",
         [](CGeCurve& c) {
             double v[2] = {2, -1};
             c.Translate(v);
         },
         [](tagPoint2d p) { return tagPoint2d{p.x + 2, p.y - 1}; }},
        {"rotate 90 degrees about (1, 1)",
         [](CGeCurve& c) {
             double ctr[2] = {1, 1};
             c.Rotate(ctr, kPi / 2);
         },
         [](tagPoint2d p) { return tagPoint2d{1 - (p.y - 1), 1 + (p.x - 1)}; }},
        {"mirror in the line y = x",
         [](CGeCurve& c) {
             double a[2] = {0, 0}, b[2] = {1, 1};
             c.Mirror(a, b);
         },
         [](tagPoint2d p) { return tagPoint2d{p.y, p.x}; }},
        {"scale by (2, 3) about (1, 0)",
         [](CGeCurve& c) {
             double ctr[2] = {1, 0}, f[2] = {2, 3};
             EXPECT_EQ(c.Scale(ctr, f), &c);
         },
         [](tagPoint2d p) { return tagPoint2d{1 + (p.x - 1) * 2, p.y * 3}; }},
        {"shear by (0.5, 0) about the origin",
         [](CGeCurve& c) {
             double base[2] = {0, 0}, f[2] = {0.5, 0};
             EXPECT_EQ(c.Shear(base, f), &c);
         },
         [](tagPoint2d p) { return tagPoint2d{p.x + 0.5 * p.y, p.y}; }},
        {"matrix: rotate 180 degrees, then move by (10, 20)",
         [](CGeCurve& c) {
             double m[3][3] = {{-1, 0, 0}, {0, -1, 0}, {10, 20, 1}};
             EXPECT_EQ(c.Transform(m, 0), &c);
         },
         [](tagPoint2d p) { return tagPoint2d{10 - p.x, 20 - p.y}; }},
    };
    for (const Case& c : cases) {
        DisplayCurve curve(pts);
        BOX2<double> box;
        curve.GetBox2d(&box);
        c.apply(curve);
        BOX2<double> expectBox;
        expectBox.InitEmpty();
        ASSERT_EQ(curve.GetSWPointCount(), 3) << c.label;
        for (int i = 0; i < 3; ++i) {
            const tagPoint2d e = c.expect(pts[static_cast<size_t>(i)]);
            EXPECT_NEAR(curve.GetSWPoint()[i][0], e.x, 1e-12) << c.label << " point " << i;
            EXPECT_NEAR(curve.GetSWPoint()[i][1], e.y, 1e-12) << c.label << " point " << i;
            const double ep[2] = {e.x, e.y};
            expectBox.Extend(ep);
        }
        const BOX2<double>* stored = curve.GetBox2d();
        EXPECT_NEAR(stored->xmin, expectBox.xmin, 1e-12) << c.label;
        EXPECT_NEAR(stored->ymin, expectBox.ymin, 1e-12) << c.label;
        EXPECT_NEAR(stored->xmax, expectBox.xmax, 1e-12) << c.label;
        EXPECT_NEAR(stored->ymax, expectBox.ymax, 1e-12) << c.label;
    }
}

TEST(GeCurveTest, ReverseAndArea)
{
    DisplayCurve curve(Square());
    EXPECT_DOUBLE_EQ(curve.EvArea(), 100.0);
    curve.Reverse();
    EXPECT_DOUBLE_EQ(curve.EvArea(), -100.0);
    EXPECT_EQ(curve.GetSWPoint()[0][1], 10.0);
}

}  // namespace
