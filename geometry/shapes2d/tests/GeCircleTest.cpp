// The full circle: discretisation, evaluation, parameters and lengths,
// nearest and tangent points, splitting, transforms and its archive record.
#include "framework/looker/Looker.h"
#include "framework/looker/QVGlobal.h"
#include "framework/looker/SnapRecords.h"
#include "geometry/shapes2d/GeArc.h"
#include "geometry/shapes2d/GeBezier.h"
#include "geometry/shapes2d/GeCircle.h"
#include "geometry/shapes2d/GeEllipse.h"
#include "geometry/shapes2d/tests/ArchiveTestUtil.h"
#include "platform/core/Archive.h"
#include "platform/core/File.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numbers>

namespace {

constexpr double kPi = std::numbers::pi;

double Dist(const double* a, const double* b) { return std::hypot(a[0] - b[0], a[1] - b[1]); }

TEST(GeCircleTest, DiscretisationCountsAndAccuracy)
{
    struct Row {
        const char* label;
        double r;
        double tol;
        int dir;
        int points;  // expected count, -1: derived from the chord rule
    };
    const Row rows[] = {
        {"coarse: int(2 pi / acos(0.1)) = 4 chords", 1.0, 0.9, 1, 5},
        {"tolerance above the radius", 1.0, 1.5, 1, 0},
        {"tolerance above twice the radius", 1.0, 2.5, 1, 0},
        {"zero radius", 0.0, 0.01, 1, 0},
        {"negative radius", -1.0, 0.01, 1, 0},
        {"fine, counter-clockwise", 10.0, 0.01, 1, -1},
        {"fine, clockwise", 10.0, 0.01, 0, -1},
        {"tolerance raised to 1e-6", 1.0, 1e-9, 1, -1},
    };
    const double c[2] = {3.0, -2.0};
    for (const Row& row : rows) {
        CGeCircle circle(c, row.r, row.dir);
        CArray<tagPoint2d, tagPoint2d> pts;
        circle.DiscreteInArray(row.tol, &pts, 0.0, false);
        const int n = static_cast<int>(pts.GetSize());
        if (row.points >= 0) {
            EXPECT_EQ(n, row.points) << row.label;
            continue;
        }
        const double tol = std::max(row.tol, 1e-6);
        const int chords = static_cast<int>(2 * kPi / std::acos((row.r - tol) / row.r));
        ASSERT_EQ(n, chords + 1) << row.label;
        EXPECT_EQ(pts[0].x, pts[n - 1].x) << row.label;
        EXPECT_EQ(pts[0].y, pts[n - 1].y) << row.label;
        double maxSag = 0.0, maxOff = 0.0;
        for (int i = 0; i + 1 < n; ++i) {
            maxOff = std::max(maxOff, std::fabs(Dist(&pts[i].x, c) - row.r));
            const double mid[2] = {(pts[i].x + pts[i + 1].x) / 2, (pts[i].y + pts[i + 1].y) / 2};
            maxSag = std::max(maxSag, row.r - Dist(mid, c));
        }
        EXPECT_LT(maxOff, 1e-9) << row.label;
        EXPECT_LE(maxSag, tol * (1 + 1e-6)) << row.label;
        // The turning sense shows in the second point.
        EXPECT_EQ(pts[1].y > c[1], row.dir == 1) << row.label;
    }
}

TEST(GeCircleTest, HugeRadiusDiscretisationIsBounded)
{
    const double c[2] = {0, 0};
    CGeCircle circle(c, 1e12, 1);
    CArray<tagPoint2d, tagPoint2d> pts;
    circle.DiscreteInArray(1e-6, &pts, 0.0, false);
    EXPECT_GT(pts.GetSize(), 1000);
    EXPECT_LE(pts.GetSize(), (1 << 20) + 1);
}

TEST(GeCircleTest, DerivativesMatchFiniteDifferences)
{
    const double c[2] = {1.0, 2.0};
    for (int dir : {1, 0}) {
        CGeCircle circle(c, 2.5, dir);
        for (double t : {0.0, 0.1, 0.37, 0.8}) {
            const double h = 1e-5;
            double p[2], d1[2], d2[2], pa[2], pb[2];
            circle.Ev2Der(t, p, d1, d2, 1);
            circle.EvPos(t - h, pa, 1);
            circle.EvPos(t + h, pb, 1);
            for (int k = 0; k < 2; ++k) {
                EXPECT_NEAR(d1[k], (pb[k] - pa[k]) / (2 * h), 1e-4) << "dir " << dir << " t " << t;
                EXPECT_NEAR(d2[k], (pb[k] - 2 * p[k] + pa[k]) / (h * h), 1e-1) << "dir " << dir << " t " << t;
            }
            // Direction 0 runs clockwise from the point at angle 0.
            const double a = dir ? 2 * kPi * t : -2 * kPi * t;
            EXPECT_NEAR(p[0], c[0] + 2.5 * std::cos(a), 1e-12);
            EXPECT_NEAR(p[1], c[1] + 2.5 * std::sin(a), 1e-12);
            double v[2];
            circle.GetTanVecAt(t, v, 1);
            EXPECT_GT(v[0] * d1[0] + v[1] * d1[1], 0.0) << "tangent along the direction, dir " << dir;
        }
    }
}

TEST(GeCircleTest, EvParamWrapsWholeTurns)
{
    const double c[2] = {0, 0};
    CGeCircle circle(c, 5.0 / (2 * kPi), 1);  // circumference 5
    struct Row {
        double len;
        double total;
        double t;
    };
    const Row rows[] = {{7.0, 0.0, 0.4}, {2.5, 0.0, 0.5}, {10.0, 0.0, 1.0}, {0.0, 0.0, 0.0},
                        {12.0, 5.0, 0.4}, {1.0, 4.0, 0.25}, {1e6 + 1.0, 0.0, 0.2}};
    for (const Row& row : rows) {
        double t = -1;
        unsigned seg = 0;
        ASSERT_EQ(circle.EvParam(row.len, t, seg, row.total), 1) << row.len;
        EXPECT_NEAR(t, row.t, 1e-9) << "len " << row.len << " total " << row.total;
        EXPECT_EQ(seg, 1u);
    }
    CGeCircle dot(c, 0.0, 1);
    double t = -1;
    unsigned seg = 0;
    EXPECT_EQ(dot.EvParam(3.0, t, seg, 0.0), 0) << "no length to walk";
}

TEST(GeCircleTest, LengthAndArea)
{
    const double c[2] = {0, 0};
    CGeCircle ccw(c, 2.0, 1), cw(c, 2.0, 0);
    EXPECT_NEAR(ccw.EvTotalArcLength(), 4 * kPi, 1e-12);
    EXPECT_NEAR(ccw.EvArcLength(0.75, 0.25, 1), 2 * kPi, 1e-12);
    EXPECT_NEAR(ccw.EvArea(), 4 * kPi, 1e-12);
    EXPECT_NEAR(cw.EvArea(), -4 * kPi, 1e-12);
    double p[2] = {0, 0}, q[2] = {1, 1};
    cw.Mirror(p, q);
    EXPECT_NEAR(cw.EvArea(), -4 * kPi, 1e-12) << "a mirror keeps the direction";
    ccw.Reverse();
    EXPECT_EQ(ccw.GetDirection(), 0);
}

TEST(GeCircleTest, NearestPointAgainstDenseSampling)
{
    const double c[2] = {2.0, -1.0};
    const double probes[][2] = {{7, 3}, {2.5, -1.2}, {-4, -1}, {2, 10}, {0.5, -2.5}};
    for (int dir : {1, 0}) {
        CGeCircle circle(c, 3.0, dir);
        for (const auto& p : probes) {
            double best = 1e300, bestT = 0;
            for (int i = 0; i < 20000; ++i) {
                double q[2];
                circle.GetPointAt(i / 20000.0, q, 1);
                if (Dist(p, q) < best) {
                    best = Dist(p, q);
                    bestT = i / 20000.0;
                }
            }
            double out[2], t = 0, dist = 1e7;
            unsigned seg = 0;
            double pp[2] = {p[0], p[1]};
            ASSERT_EQ(circle.GetNearestPoint(pp, out, t, seg, dist), 1);
            EXPECT_NEAR(dist, best, 1e-6) << "dir " << dir;
            EXPECT_NEAR(std::remainder(t - bestT, 1.0), 0.0, 1e-4) << "dir " << dir;
            double q[2];
            circle.GetPointAt(t, q, 1);
            EXPECT_NEAR(Dist(q, out), 0.0, 1e-9) << "the point at the reported parameter";
        }
        double centre[2] = {c[0], c[1]}, out[2], t = 0, dist = 1e7;
        unsigned seg = 0;
        EXPECT_EQ(circle.GetNearestPoint(centre, out, t, seg, dist), 0) << "every point is equally near";
    }
}

TEST(GeCircleTest, TangentAndPerpendicularPoints)
{
    const double c[2] = {0, 0};
    for (int dir : {1, 0}) {
        CGeCircle circle(c, 1.0, dir);
        double p[2] = {2.0, 0.0}, out[2];
        for (double start : {0.1, 0.9}) {
            double t = start;
            int seg = 0;
            ASSERT_EQ(circle.GetTanPt(p, t, seg, out), 1);
            EXPECT_NEAR((out[0] - p[0]) * out[0] + (out[1] - p[1]) * out[1], 0.0, 1e-12) << "tangent";
            // The tangent point nearer in parameter to the start is chosen.
            const bool upper = out[1] > 0;
            EXPECT_EQ(upper, (dir == 1) == (start < 0.5)) << "dir " << dir << " start " << start;
        }
        double inside[2] = {0.2, 0.1}, t = 0;
        int seg = 0;
        EXPECT_EQ(circle.GetTanPt(inside, t, seg, out), 0);

        double q[2] = {3.0, 4.0}, foot[2] = {0.6, 0.8};
        unsigned useg = 0;
        ASSERT_EQ(circle.GetPerpPt(q, foot, t, useg), 1);
        EXPECT_NEAR(foot[0], 0.6, 1e-12);
        EXPECT_NEAR(foot[1], 0.8, 1e-12);
        foot[0] = -0.6;
        foot[1] = -0.8;
        ASSERT_EQ(circle.GetPerpPt(q, foot, t, useg), 1);
        EXPECT_NEAR(foot[0], -0.6, 1e-12) << "the intersection nearer to the entry value";
    }
}

TEST(GeCircleTest, SplitGivesArcsInTheCirclesSense)
{
    const double c[2] = {1, 1};
    struct Row {
        int dir;
        double t;
        double sweep0;
        double sweep1;
    };
    const Row rows[] = {{1, 0.25, kPi / 2, 3 * kPi / 2}, {0, 0.25, -kPi / 2, -3 * kPi / 2}, {1, 0.5, kPi, kPi}};
    for (const Row& row : rows) {
        CGeCircle circle(c, 2.0, row.dir);
        CGeCurve* out[2] = {nullptr, nullptr};
        circle.Split(row.t, out, 1, 1);
        std::unique_ptr<CGeCurve> a(out[0]), b(out[1]);
        ASSERT_TRUE(a && b) << "dir " << row.dir << " t " << row.t;
        ASSERT_EQ(a->GetType(), 4);
        EXPECT_NEAR(static_cast<CGeArc*>(a.get())->GetSweep(), row.sweep0, 1e-9) << "dir " << row.dir;
        EXPECT_NEAR(static_cast<CGeArc*>(b.get())->GetSweep(), row.sweep1, 1e-9) << "dir " << row.dir;
        double e[2], s[2], p[2];
        a->GetEndPoint(e);
        b->GetStartPoint(s);
        circle.GetPointAt(row.t, p, 1);
        EXPECT_NEAR(Dist(e, p), 0.0, 1e-9);
        EXPECT_NEAR(Dist(s, p), 0.0, 1e-9);
    }
    CGeCircle circle(c, 2.0, 1);
    for (double t : {0.0, 1.0}) {
        CGeCurve* out[2] = {reinterpret_cast<CGeCurve*>(1), reinterpret_cast<CGeCurve*>(1)};
        circle.Split(t, out, 1, 1);
        EXPECT_EQ(out[0], nullptr) << t;
        EXPECT_EQ(out[1], nullptr) << t;
    }
    CGeCurve* out[2] = {nullptr, nullptr};
    circle.Split(1.5, out, 1, 1);
    EXPECT_EQ(out[0], nullptr) << "outside [0, 1] nothing happens";
}

TEST(GeCircleTest, ScaleKeepsACircleOrMakesAnEllipse)
{
    const double c0[2] = {1, 2};
    CGeCircle circle(c0, 1.5, 0);
    double origin[2] = {0, 0}, f[2] = {2, 3};
    std::unique_ptr<CGeCurve> e(circle.Scale(origin, f));
    ASSERT_NE(e.get(), &circle);
    ASSERT_EQ(e->GetType(), 0x10);
    auto* ell = static_cast<CGeEllipse*>(e.get());
    EXPECT_NEAR(ell->GetA(), 3.0, 1e-12);
    EXPECT_NEAR(ell->GetB(), 4.5, 1e-12);
    double ec[2];
    ell->GetCenter(ec);
    EXPECT_NEAR(ec[0], 2.0, 1e-12);
    EXPECT_NEAR(ec[1], 6.0, 1e-12);
    EXPECT_EQ(ell->GetDirection(), 1);
    EXPECT_EQ(circle.GetRadius(), 1.5) << "the circle itself keeps its radius";

    double g[2] = {-2, -2};
    EXPECT_EQ(circle.Scale(origin, g), &circle);
    EXPECT_NEAR(circle.GetRadius(), 3.0, 1e-12);
    double cc[2];
    circle.GetCenter(cc);
    EXPECT_NEAR(cc[0], -2.0, 1e-12);
    EXPECT_NEAR(cc[1], -4.0, 1e-12);
}

TEST(GeCircleTest, ShearAndSkewTransformGiveASpline)
{
    const double c[2] = {1, 0};
    CGeCircle circle(c, 2.0, 1);
    double base[2] = {0, 0}, f[2] = {0.5, 0.0};
    std::unique_ptr<CGeCurve> sheared(circle.Shear(base, f));
    ASSERT_NE(sheared, nullptr);
    ASSERT_EQ(sheared->GetType(), 0x20);
    // The spline's nodes are the circle's quarter-arc control points, sheared.
    std::unique_ptr<CGeBezier> ref(circle.ToBezier());
    ASSERT_NE(ref, nullptr);
    auto* bez = static_cast<CGeBezier*>(sheared.get());
    ASSERT_EQ(bez->GetNodeCount(), 13u);
    for (unsigned i = 0; i < 13; ++i) {
        const CBezierNode& n = ref->GetNodes()[i];
        EXPECT_NEAR(bez->GetNodes()[i].x, n.x + 0.5 * n.y, 1e-12) << "node " << i;
        EXPECT_NEAR(bez->GetNodes()[i].y, n.y, 1e-12) << "node " << i;
    }

    double skew[3][3] = {{1, 0.3, 0}, {0, 1, 0}, {0, 0, 1}};
    std::unique_ptr<CGeCurve> t(circle.Transform(skew, 0));
    ASSERT_NE(t.get(), &circle);
    EXPECT_EQ(t->GetType(), 0x20);

    const double a = kPi / 6;
    double rot[3][3] = {{std::cos(a), std::sin(a), 0}, {-std::sin(a), std::cos(a), 0}, {4, 5, 1}};
    EXPECT_EQ(circle.Transform(rot, 0), &circle);
    double cc[2];
    circle.GetCenter(cc);
    EXPECT_NEAR(cc[0], std::cos(a) + 4, 1e-12);
    EXPECT_NEAR(cc[1], std::sin(a) + 5, 1e-12);
    EXPECT_NEAR(circle.GetRadius(), 2.0, 1e-12);
}

TEST(GeCircleTest, ConversionsAndOffset)
{
    const double c[2] = {0, 0};
    CGeCircle cw(c, 2.0, 0);
    std::unique_ptr<CGeEllipse> e(cw.ToEllipse());
    EXPECT_EQ(e->GetDirection(), 1) << "always counter-clockwise";
    EXPECT_EQ(e->GetA(), 2.0);

    std::unique_ptr<CGeArc> arc(cw.ToArc());
    ASSERT_NE(arc, nullptr);
    EXPECT_NEAR(arc->GetSweep(), -2 * kPi, 1e-12);

    struct Row {
        int dir;
        double d;
        double r;  // 0: null
    };
    const Row rows[] = {{1, 0.5, 1.5}, {0, 0.5, 2.5}, {1, 2.0, 0.0}, {1, -1.0, 3.0}};
    for (const Row& row : rows) {
        CGeCircle circle(c, 2.0, row.dir);
        std::unique_ptr<CGeCurve> off(circle.Offset(row.d));
        if (row.r == 0.0) {
            EXPECT_EQ(off, nullptr) << row.d;
            continue;
        }
        ASSERT_NE(off, nullptr);
        EXPECT_NEAR(static_cast<CGeCircle*>(off.get())->GetRadius(), row.r, 1e-12) << "dir " << row.dir;
    }
}

TEST(GeCircleTest, Pick2DByDistanceFromTheCircle)
{
    const double c[2] = {0, 0};
    CGeCircle circle(c, 5.0, 1);
    CPickRay ray;
    ray.m_dAperture = 0.5;
    ray.m_pt[0] = 5.3;
    EXPECT_EQ(circle.Pick(ray, 1), 1);
    EXPECT_NEAR(ray.m_dDist, 0.3, 1e-12);
    ray.m_pt[0] = 0.0;
    EXPECT_EQ(circle.Pick(ray, 1), 0) << "the centre is far from the circle";
    ray.m_pt[0] = 5.0;
    ray.m_nTypeMask = 0x10;
    EXPECT_EQ(circle.Pick(ray, 1), 0) << "type mask without circles";
}

TEST(GeCircleTest, SnapPoints)
{
    CLooker view;
    view.SetViewRect(CRect(0, 0, 800, 600));
    CSnapBase base;
    CSnapAt snap;
    snap.m_pLooker = &view;
    snap.m_pBase = &base;
    snap.m_dAperture = 0.3;
    const double c[2] = {0, 0};
    CGeCircle circle(c, 5.0, 1);
    struct Row {
        const char* label;
        int mode;
        double cursor[2];
        int hasBase;
        double base[2];
        int kind;       // kind of the first item
        double at[2];   // its position
        int count;
    };
    const Row rows[] = {
        {"quadrant", kSnapQuad, {5.1, 0.05}, 0, {0, 0}, kSnapQuad, {5, 0}, 1},
        {"nearest", kSnapNear, {3.06, 4.08}, 0, {0, 0}, kSnapNear, {3, 4}, 1},
        {"centre from just inside", kSnapCen, {4.6, 0}, 0, {0, 0}, kSnapCen, {0, 0}, 1},
        {"no centre from outside", kSnapCen, {5.2, 0}, 0, {0, 0}, 0, {0, 0}, 0},
        {"tangent from the base point", kSnapTan, {2.5, 4.4}, 1, {10, 0}, kSnapTan, {2.5, 4.330127018922193}, 1},
        {"perpendicular from the base point", kSnapPerp, {3.0, -4.1}, 1, {6, -8}, kSnapPerp, {3, -4}, 1},
        {"tangent needs a base point", kSnapTan, {2.5, 4.4}, 0, {10, 0}, 0, {0, 0}, 0},
    };
    for (const Row& row : rows) {
        snap.m_nSnapMode = row.mode;
        snap.m_ptCursor[0] = row.cursor[0];
        snap.m_ptCursor[1] = row.cursor[1];
        base.m_bHasBase = row.hasBase;
        base.m_ptBase[0] = row.base[0];
        base.m_ptBase[1] = row.base[1];
        CSnapResult result;
        EXPECT_EQ(circle.GetSnapPos(&snap, result), row.count > 0 ? 1 : 0) << row.label;
        ASSERT_EQ(result.GetSize(), row.count) << row.label;
        if (!row.count) continue;
        EXPECT_EQ(result.GetAt(0).kind, row.kind) << row.label;
        EXPECT_NEAR(result.GetAt(0).pos.x, row.at[0], 1e-9) << row.label;
        EXPECT_NEAR(result.GetAt(0).pos.y, row.at[1], 1e-9) << row.label;
    }
    snap.m_pBase = nullptr;
    CSnapResult result;
    snap.m_nSnapMode = kSnapQuad;
    snap.m_ptCursor[0] = 5.0;
    snap.m_ptCursor[1] = 0.0;
    EXPECT_EQ(circle.GetSnapPos(&snap, result), 0) << "no context";
}

TEST(GeCircleTest, ArchiveRecordIs36BytesAfterTheClassRecord)
{
    CQVGlobal settings;
    gSetQVGlobal(&settings);
    const double c[2] = {1.5, -2.5};
    CGeCircle circle(c, 3.25, 0);
    circle.SetHandle(42);
    CMemFile file;
    archtest::StoreObject(file, &circle);
    // Class record: 0xFFFF, schema, name length, "CGeCircle".
    EXPECT_EQ(file.GetLength(), 2u + 2u + 2u + 9u + 36u);
    CObject* back = archtest::LoadObject(file);
    gSetQVGlobal(nullptr);
    std::unique_ptr<CObject> owner(back);
    auto* loaded = dynamic_cast<CGeCircle*>(back);
    ASSERT_NE(loaded, nullptr);
    double lc[2];
    loaded->GetCenter(lc);
    EXPECT_EQ(lc[0], 1.5);
    EXPECT_EQ(lc[1], -2.5);
    EXPECT_EQ(loaded->GetRadius(), 3.25);
    EXPECT_EQ(loaded->GetDirection(), 0);
    EXPECT_EQ(loaded->GetHandle(), 42u);
    EXPECT_GT(loaded->GetSWPointCount(), 8) << "loading rebuilds the display polyline";
}

}  // namespace
