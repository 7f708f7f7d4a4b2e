// The ellipse: arc length against elliptic integrals and quadrature, the
// inverse of arc length, clockwise parameters, nearest and tangent points,
// discretisation, transforms, drawing through a render target and splitting.
#include "framework/looker/Direct2DHandler.h"
#include "framework/looker/Looker.h"
#include "framework/looker/QVGlobal.h"
#include "geometry/shapes2d/GeBezier.h"
#include "geometry/shapes2d/GeEllipse.h"
#include "geometry/shapes2d/tests/ArchiveTestUtil.h"
#include "platform/core/Archive.h"
#include "platform/core/File.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>
#include <vector>

namespace {

constexpr double kPi = std::numbers::pi;

double Dist(const double* a, const double* b) { return std::hypot(a[0] - b[0], a[1] - b[1]); }

// Arc length by the composite trapezoid rule over the parameter of the
// defining formula (independent of the class's own integration).
double QuadratureLength(double a, double b, double t0, double t1)
{
    const int n = 400000;
    const double h = (t1 - t0) / n;
    auto speed = [&](double t) {
        const double th = 2 * kPi * t;
        return 2 * kPi * std::hypot(a * std::sin(th), b * std::cos(th));
    };
    double sum = 0.5 * (speed(t0) + speed(t1));
    for (int i = 1; i < n; ++i) sum += speed(t0 + i * h);
    return sum * h;
}

TEST(GeEllipseTest, TotalLengthIsTheEllipticIntegral)
{
    struct Row {
        double a, b;
    };
    const Row rows[] = {{1, 1}, {2, 1}, {10, 1}, {100, 1}, {1, 3}, {5, 4.999}, {1, 1e-6}};
    const double c[2] = {0, 0};
    for (const Row& row : rows) {
        CGeEllipse e(c, row.a, row.b, 0.3, 1);
        const double big = std::max(row.a, row.b), small = std::min(row.a, row.b);
        const double k = std::sqrt(1 - (small / big) * (small / big));
        const double expected = 4 * big * std::comp_ellint_2(k);
        EXPECT_NEAR(e.EvTotalArcLength(), expected, 1e-9 * expected) << row.a << ":" << row.b;
        EXPECT_NEAR(e.EvArcLength(0, 1, 1), expected, 1e-7 * expected) << "integrated " << row.a << ":" << row.b;
    }
    CGeEllipse flat(c, 10, 0, 0, 1);
    EXPECT_DOUBLE_EQ(flat.EvTotalArcLength(), 40.0);
    CGeEllipse round(c, 3, 3, 0, 1);
    EXPECT_NEAR(round.EvTotalArcLength(), 6 * kPi, 1e-12);
    CGeEllipse dot(c, 0, 0, 0, 1);
    EXPECT_EQ(dot.EvTotalArcLength(), 0.0);
}

TEST(GeEllipseTest, PartialArcsAgainstQuadrature)
{
    struct Row {
        double a, b, t0, t1;
        int dir;
    };
    const Row rows[] = {{2, 1, 0, 0.25, 1},     {2, 1, 0.1, 0.6, 1},   {7, 0.5, 0.3, 0.95, 1},
                        {7, 0.5, 0.3, 0.95, 0}, {1, 4, 0.05, 0.15, 1}, {3, 2, 0.5, 0.5, 1}};
    const double c[2] = {1, -1};
    for (const Row& row : rows) {
        CGeEllipse e(c, row.a, row.b, 1.1, row.dir);
        // Direction 0 walks the same curve backwards: t maps to 1 - t.
        const double q = row.dir ? QuadratureLength(row.a, row.b, row.t0, row.t1)
                                 : QuadratureLength(row.a, row.b, 1 - row.t1, 1 - row.t0);
        EXPECT_NEAR(e.EvArcLength(row.t0, row.t1, 1), q, 1e-7 * (1 + q))
            << row.a << ":" << row.b << " [" << row.t0 << ", " << row.t1 << "] dir " << row.dir;
    }
    CGeEllipse e(c, 2, 1, 0, 1);
    EXPECT_EQ(e.EvArcLength(0.6, 0.2, 1), 0.0) << "a reversed range has no length";
}

TEST(GeEllipseTest, EvParamInvertsArcLength)
{
    const double c[2] = {0, 0};
    for (int dir : {1, 0}) {
        CGeEllipse e(c, 4, 1, 0.7, dir);
        const double total = e.EvTotalArcLength();
        double t = -1;
        unsigned seg = 0;
        e.EvParam(0.0, t, seg, 0.0);
        EXPECT_EQ(t, 0.0);
        e.EvParam(total, t, seg, 0.0);
        EXPECT_EQ(t, 1.0);
        for (double len : {0.3, 2.0, 7.5, 15.0, total - 0.05}) {
            ASSERT_EQ(e.EvParam(len, t, seg, 0.0), 1);
            EXPECT_EQ(seg, 1u);
            EXPECT_NEAR(e.EvArcLength(0, t, 1), len, 0.01) << "len " << len << " dir " << dir;
            double t2 = -1;
            e.EvParam(len + 2 * total, t2, seg, 0.0);
            EXPECT_NEAR(t2, t, 1e-9) << "whole turns come off, len " << len;
        }
    }
    CGeEllipse dot(c, 0, 0, 0, 1);
    double t = -1;
    unsigned seg = 0;
    EXPECT_EQ(dot.EvParam(5.0, t, seg, 0.0), 1) << "a degenerate ellipse ends at once";
    EXPECT_EQ(t, 0.0);
}

TEST(GeEllipseTest, ClockwiseParametersForNearestAndTangentPoints)
{
    const double c[2] = {2, 1};
    CGeEllipse ccw(c, 5, 2, 0.4, 1), cw(c, 5, 2, 0.4, 0);
    const double probes[][2] = {{9, 3}, {2, 5}, {-4, 0}, {3, -3}};
    for (const auto& pr : probes) {
        double p[2] = {pr[0], pr[1]};
        double o1[2], o2[2], t1 = 0, t2 = 0, d1 = 1e7, d2 = 1e7;
        unsigned s1 = 0, s2 = 0;
        ASSERT_EQ(ccw.GetNearestPoint(p, o1, t1, s1, d1), 1);
        ASSERT_EQ(cw.GetNearestPoint(p, o2, t2, s2, d2), 1);
        EXPECT_NEAR(Dist(o1, o2), 0.0, 1e-9);
        EXPECT_NEAR(std::remainder(t2 - (1 - t1), 1.0), 0.0, 1e-9) << "clockwise t = 1 - t";
        double q[2];
        cw.GetPointAt(t2, q, 1);
        EXPECT_NEAR(Dist(q, o2), 0.0, 1e-9) << "the point at the clockwise parameter";
    }
    double p[2] = {12, 6};
    double o1[2], o2[2], t1 = 0.1, t2 = 0.9;
    int s1 = 0, s2 = 0;
    ASSERT_EQ(ccw.GetTanPt(p, t1, s1, o1), 1);
    ASSERT_EQ(cw.GetTanPt(p, t2, s2, o2), 1);
    EXPECT_NEAR(Dist(o1, o2), 0.0, 1e-6) << "the same tangent point from mirrored starts";
    EXPECT_NEAR(std::remainder(t2 - (1 - t1), 1.0), 0.0, 1e-6);
    for (CGeEllipse* e : {&ccw, &cw}) {
        double pt[2], d[2];
        const double t = e == &ccw ? t1 : t2;
        e->Ev1Der(t, pt, d, 1);
        const double* o = e == &ccw ? o1 : o2;
        EXPECT_NEAR(Dist(pt, o), 0.0, 1e-6) << "the reported point is at the reported t";
        const double cross = (pt[0] - p[0]) * d[1] - (pt[1] - p[1]) * d[0];
        EXPECT_NEAR(cross / (Dist(pt, p) * std::hypot(d[0], d[1])), 0.0, 1e-6) << "tangent through p";
    }
}

TEST(GeEllipseTest, NearestPointAgainstDenseSampling)
{
    const double c[2] = {-1, 3};
    CGeEllipse e(c, 6, 1.5, -0.6, 1);
    const double probes[][2] = {{5, 0}, {-1, 3.2}, {0, 10}, {-8, 3}, {1, 1}};
    for (const auto& pr : probes) {
        double best = 1e300;
        for (int i = 0; i < 100000; ++i) {
            double q[2];
            e.GetPointAt(i / 100000.0, q, 1);
            best = std::min(best, Dist(pr, q));
        }
        double p[2] = {pr[0], pr[1]}, out[2], t = 0, dist = 1e7;
        unsigned seg = 0;
        ASSERT_EQ(e.GetNearestPoint(p, out, t, seg, dist), 1);
        EXPECT_NEAR(dist, best, 1e-5) << pr[0] << "," << pr[1];
        EXPECT_LE(dist, best + 1e-12);
    }
}

TEST(GeEllipseTest, PerpendicularFootByNewton)
{
    const double c[2] = {0, 0};
    CGeEllipse e(c, 3, 2, 0, 0);
    // The linearised step converges for points within the curvature radius.
    double p[2] = {2.6, 1.4}, out[2], t = 0.85;
    unsigned seg = 0;
    ASSERT_EQ(e.GetPerpPt(p, out, t, seg), 1);
    double pt[2], d[2];
    e.Ev1Der(t, pt, d, 1);
    EXPECT_NEAR(Dist(pt, out), 0.0, 1e-12) << "out is the point at the returned t";
    // The iteration stops once its parameter step is below 0.01.
    double near[2], tn = 0, dist = 1e7;
    ASSERT_EQ(e.GetNearestPoint(p, near, tn, seg, dist), 1);
    EXPECT_NEAR(t, tn, 0.01);
}

TEST(GeEllipseTest, DiscretisationGuardsAndAccuracy)
{
    const double c[2] = {1, 2};
    struct Row {
        const char* label;
        double a, b, tol;
        bool points;
    };
    const Row rows[] = {{"fine", 4, 2, 0.01, true},
                        {"between the axis and twice it", 4, 2, 6, true},
                        {"above twice the larger axis", 4, 2, 8.5, false},
                        {"zero axes", 0, 0, 0.01, false},
                        {"flat", 3, 0, 0.01, true}};
    for (const Row& row : rows) {
        for (int dir : {1, 0}) {
            CGeEllipse e(c, row.a, row.b, 0.5, dir);
            CArray<tagPoint2d, tagPoint2d> pts;
            e.DiscreteInArray(row.tol, &pts, 0, false);
            EXPECT_EQ(pts.GetSize() > 0, row.points) << row.label;
            if (!row.points) continue;
            const int n = static_cast<int>(pts.GetSize());
            EXPECT_EQ(pts[0].x, pts[n - 1].x) << row.label;
            EXPECT_EQ(pts[0].y, pts[n - 1].y) << row.label;
            double s[2];
            e.GetStartPoint(s);
            EXPECT_NEAR(Dist(&pts[0].x, s), 0.0, 1e-12) << row.label;
            double second[2];
            e.GetPointAt(1.0 / (n - 1), second, 1);
            EXPECT_NEAR(Dist(&pts[1].x, second), 0.0, 1e-9) << "dir " << dir << ": " << row.label;
        }
    }
    double step = 0;
    CGeEllipse zero(c, 0, 0, 0, 1);
    EXPECT_EQ(zero.GetDiscStep(0.0, step), 1);
    EXPECT_EQ(step, 0.1);
}

TEST(GeEllipseTest, AreaOffsetAndTransforms)
{
    const double c[2] = {0, 0};
    CGeEllipse ccw(c, 3, 2, 0, 1), cw(c, 3, 2, 0, 0);
    EXPECT_NEAR(ccw.EvArea(), 6 * kPi, 1e-12);
    EXPECT_NEAR(cw.EvArea(), -6 * kPi, 1e-12);
    EXPECT_EQ(ccw.Offset(1.0), nullptr);

    double origin[2] = {0, 0}, f[2] = {2, 3};
    EXPECT_EQ(ccw.Scale(origin, f), &ccw);
    EXPECT_NEAR(ccw.GetA(), 6, 1e-12);
    EXPECT_NEAR(ccw.GetB(), 6, 1e-12);

    double g[2] = {-1, 1};
    CGeEllipse m(c, 3, 2, 0, 1);
    EXPECT_EQ(m.Scale(origin, g), &m);
    EXPECT_LT(m.EvArea(), 0.0) << "a scale by a negative factor mirrors the sense";
    double q[2];
    m.GetPointAt(0.25, q, 1);
    // The mirror image runs (-3, 0), (0, 2), (3, 0): clockwise.
    EXPECT_NEAR(q[0], 0.0, 1e-12);
    EXPECT_NEAR(q[1], 2.0, 1e-12);

    CGeEllipse rotated(c, 3, 2, 0.5, 1);
    std::unique_ptr<CGeCurve> bez(rotated.Scale(origin, f));
    ASSERT_NE(bez.get(), &rotated);
    ASSERT_NE(bez, nullptr);
    EXPECT_EQ(bez->GetType(), 0x20);

    CGeEllipse r(c, 3, 2, 0, 1);
    double centre[2] = {1, 0};
    r.Rotate(centre, kPi / 2);
    EXPECT_NEAR(r.GetRotation(), kPi / 2, 1e-12);
    double rc[2];
    r.GetCenter(rc);
    EXPECT_NEAR(rc[0], 1, 1e-12);
    EXPECT_NEAR(rc[1], -1, 1e-12);

    CGeEllipse mi(c, 3, 2, 0.3, 1);
    double p0[2] = {0, 0}, p1[2] = {1, 0};
    mi.Mirror(p0, p1);
    EXPECT_EQ(mi.GetDirection(), 0);
    EXPECT_NEAR(mi.GetRotation(), 2 * kPi - 0.3, 1e-12);
    EXPECT_LT(mi.EvArea(), 0.0);

    const double a = 0.8;
    double rot[3][3] = {{2 * std::cos(a), 2 * std::sin(a), 0}, {-2 * std::sin(a), 2 * std::cos(a), 0}, {1, 1, 1}};
    CGeEllipse t(c, 3, 2, 0, 1);
    EXPECT_EQ(t.Transform(rot, 0), &t);
    EXPECT_NEAR(t.GetA(), 6, 1e-9);
    EXPECT_NEAR(t.GetB(), 4, 1e-9);
    EXPECT_NEAR(t.GetRotation(), a, 1e-9);
}

// Records each ellipse with the transform the target had while drawing it.
class FakeTarget : public D2DRenderTarget {
public:
    void DrawEllipse(const D2DEllipse& e, const D2DBrush*, float width, const D2DStrokeStyle*) override
    {
        drawn.push_back(e);
        widths.push_back(width);
        D2DMatrix3x2 m;
        GetTransform(&m);
        transforms.push_back(m);
    }
    void Clear()
    {
        drawn.clear();
        widths.clear();
        transforms.clear();
    }
    std::vector<D2DEllipse> drawn;
    std::vector<float> widths;
    std::vector<D2DMatrix3x2> transforms;
};

bool SameMatrix(const D2DMatrix3x2& p, const D2DMatrix3x2& q)
{
    return p.m11 == q.m11 && p.m12 == q.m12 && p.m21 == q.m21 && p.m22 == q.m22 && p.dx == q.dx && p.dy == q.dy;
}

// The recorded ellipse mapped through its transform, densely sampled (spacing
// well under 0.01 pixels), and the distance from a point to that outline.
std::vector<D2DPoint> DrawnOutline(const D2DEllipse& e, const D2DMatrix3x2& m)
{
    const int n = 36000;
    std::vector<D2DPoint> pts(n);
    for (int i = 0; i < n; ++i) {
        const double th = 2.0 * kPi * i / n;
        pts[i] = m.TransformPoint({static_cast<float>(e.point.x + e.radiusX * std::cos(th)),
                                   static_cast<float>(e.point.y + e.radiusY * std::sin(th))});
    }
    return pts;
}

double DistanceTo(const std::vector<D2DPoint>& outline, D2DPoint q)
{
    double best = 1e300;
    for (const D2DPoint& d : outline) {
        const double dx = static_cast<double>(d.x) - q.x, dy = static_cast<double>(d.y) - q.y;
        best = std::min(best, dx * dx + dy * dy);
    }
    return std::sqrt(best);
}

TEST(GeEllipseTest, DrawThroughTheRenderTargetAppliesTheRotation)
{
    CLooker view;
    view.SetScale(10.0);
    gSetLooker(&view);
    FakeTarget target;
    Direct2DHandler handler(&target, RGB(1, 2, 3));
    const double c[2] = {1.5, -0.5};
    const D2DMatrix3x2 tilted = D2DMatrix3x2::Rotation(10.0f, {5.0f, 5.0f}) * D2DMatrix3x2::Translation(3.0f, -2.0f);
    struct Row {
        const char* label;
        double rot;
        int direction;
        D2DMatrix3x2 previous;
    };
    const Row rows[] = {
        {"level", 0.0, 1, D2DMatrix3x2::Identity()},
        {"half turn", kPi, 1, D2DMatrix3x2::Identity()},
        {"quarter turn", kPi / 2, 1, D2DMatrix3x2::Identity()},
        {"30 degrees", kPi / 6, 1, D2DMatrix3x2::Identity()},
        {"30 degrees clockwise", kPi / 6, 0, D2DMatrix3x2::Identity()},
        {"250 degrees", 250.0 * kPi / 180.0, 1, D2DMatrix3x2::Identity()},
        {"30 degrees on a tilted target", kPi / 6, 1, tilted},
    };
    for (const Row& row : rows) {
        target.Clear();
        target.SetTransform(row.previous);
        CGeEllipse e(c, 3, 1, row.rot, row.direction);
        e.Draw(&handler, 0);
        ASSERT_EQ(target.drawn.size(), 1u) << row.label;
        const D2DEllipse& d = target.drawn[0];
        EXPECT_FLOAT_EQ(d.radiusX, 30.0f) << row.label;
        EXPECT_FLOAT_EQ(d.radiusY, 10.0f) << row.label;
        EXPECT_FLOAT_EQ(target.widths[0], 1.0f) << row.label;
        D2DMatrix3x2 after;
        target.GetTransform(&after);
        EXPECT_TRUE(SameMatrix(after, row.previous)) << row.label << ": previous transform restored";
        const std::vector<D2DPoint> outline = DrawnOutline(d, target.transforms[0]);
        // Points of the rotated ellipse, taken to the screen and through the
        // target's own transform, lie on the outline drawn; more than four
        // such points pin the conic down.
        for (int i = 0; i < 24; ++i) {
            const double th = 2.0 * kPi * i / 24;
            const double u = 3 * std::cos(th), v = std::sin(th);
            const double w[2] = {c[0] + u * std::cos(row.rot) - v * std::sin(row.rot),
                                 c[1] + u * std::sin(row.rot) + v * std::cos(row.rot)};
            double px[2];
            view.WorldtoScreen2D(w, px);
            const D2DPoint q = row.previous.TransformPoint({static_cast<float>(px[0]), static_cast<float>(px[1])});
            EXPECT_LT(DistanceTo(outline, q), 0.01) << row.label << ", sample " << i;
        }
    }
    gSetLooker(nullptr);
    target.Clear();
    CGeEllipse e(c, 3, 1, 0, 1);
    e.Draw(&handler, 0);
    EXPECT_TRUE(target.drawn.empty()) << "no view object";
}

TEST(GeEllipseTest, BezierFormAndSplitting)
{
    const double c[2] = {1, 2};
    CGeEllipse e(c, 4, 2, kPi / 2, 1);
    std::unique_ptr<CGeBezier> bez(e.ToBezier());
    ASSERT_NE(bez, nullptr);
    ASSERT_EQ(bez->GetNodeCount(), 13u);
    EXPECT_EQ(bez->GetClosedFlag(), 1);
    for (unsigned i = 0; i < 13; i += 3) {
        double p[2];
        e.GetPointAt(i / 12.0, p, 1);
        const double n[2] = {bez->GetNodes()[i].x, bez->GetNodes()[i].y};
        EXPECT_NEAR(Dist(p, n), 0.0, 1e-12) << "main node " << i;
    }

    CGeCurve* out[2] = {nullptr, nullptr};
    e.Split(0.3, out, 1, 1);
    std::unique_ptr<CGeCurve> a(out[0]), b(out[1]);
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->GetType(), 0x20);
    double end[2], p[2];
    a->GetEndPoint(end);
    e.GetPointAt(0.3, p, 1);
    EXPECT_NEAR(Dist(end, p), 0.0, 2e-3) << "within the spline's distance from the ellipse";

    e.SplitEx(0.3, out, 1, 1);
    std::unique_ptr<CGeCurve> pa(out[0]), pb(out[1]);
    ASSERT_TRUE(pa && pb);
    EXPECT_EQ(pa->GetType(), 0x40);
    pa->GetEndPoint(end);
    EXPECT_NEAR(Dist(end, p), 0.0, 0.02) << "within the curve tolerance";
}

TEST(GeEllipseTest, PartsBetweenTwoParameters)
{
    const double c[2] = {0, 0};
    CGeEllipse e(c, 4, 2, 0, 1);
    struct Row {
        double t0, t1;
    };
    for (const Row& row : {Row{0.0, 0.4}, Row{0.3, 1.0}, Row{0.2, 0.7}}) {
        CGeCurve* rest = nullptr;
        std::unique_ptr<CGeCurve> part(e.ToPolyline(row.t0, row.t1, rest));
        std::unique_ptr<CGeCurve> restOwner(rest);
        ASSERT_NE(part, nullptr) << row.t0 << "-" << row.t1;
        ASSERT_NE(rest, nullptr) << row.t0 << "-" << row.t1;
        double s[2], en[2], p0[2], p1[2];
        part->GetStartPoint(s);
        part->GetEndPoint(en);
        e.GetPointAt(row.t0, p0, 1);
        e.GetPointAt(row.t1, p1, 1);
        EXPECT_LT(Dist(s, p0), 0.02) << row.t0;
        EXPECT_LT(Dist(en, p1), 0.02) << row.t1;
        // Part and rest together make up the whole length.
        EXPECT_NEAR(part->EvTotalArcLength() + rest->EvTotalArcLength(), e.EvTotalArcLength(), 0.05);

        CGeBezier* brest = nullptr;
        std::unique_ptr<CGeBezier> bpart(e.ToBezier(row.t0, row.t1, brest));
        std::unique_ptr<CGeBezier> brestOwner(brest);
        ASSERT_NE(bpart, nullptr) << row.t0 << "-" << row.t1;
        ASSERT_NE(brest, nullptr) << row.t0 << "-" << row.t1;
        bpart->GetStartPoint(s);
        bpart->GetEndPoint(en);
        EXPECT_LT(Dist(s, p0), 2e-3);
        EXPECT_LT(Dist(en, p1), 2e-3);
    }
}

TEST(GeEllipseTest, ArchiveRoundTrip)
{
    CQVGlobal settings;
    gSetQVGlobal(&settings);
    const double c[2] = {1, 2};
    CGeEllipse e(c, 5, 3, 0.25, 0);
    CMemFile file;
    archtest::StoreObject(file, &e);
    // Class record with "CGeEllipse", then handle, closed flag, 5 doubles and the direction.
    EXPECT_EQ(file.GetLength(), 2u + 2u + 2u + 10u + 4u + 4u + 40u + 4u);
    CObject* back = archtest::LoadObject(file);
    gSetQVGlobal(nullptr);
    std::unique_ptr<CObject> owner(back);
    auto* loaded = dynamic_cast<CGeEllipse*>(back);
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->GetA(), 5.0);
    EXPECT_EQ(loaded->GetB(), 3.0);
    EXPECT_EQ(loaded->GetRotation(), 0.25);
    EXPECT_EQ(loaded->GetDirection(), 0);
    EXPECT_TRUE(loaded->HasDisplay());
}

}  // namespace
