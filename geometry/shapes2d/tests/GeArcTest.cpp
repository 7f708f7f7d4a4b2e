// The circular arc: constructions (accepted and rejected), points on the arc,
// splitting, scaling, Bezier conversion against the exact circle, the
// discretisation, full-turn edits, queries, snapping and the archive record.
#include "framework/looker/Looker.h"
#include "framework/looker/QVGlobal.h"
#include "framework/looker/SnapRecords.h"
#include "geometry/shapes2d/GeArc.h"
#include "geometry/shapes2d/GeBezier.h"
#include "geometry/shapes2d/tests/ArchiveTestUtil.h"
#include "geometry/shapes2d/tests/SnapTestUtil.h"
#include "platform/core/Archive.h"
#include "platform/core/File.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

namespace {

constexpr double kPi = std::numbers::pi;

struct Pt {
    double x, y;
};

double Dist(const double* a, const double* b) { return std::hypot(a[0] - b[0], a[1] - b[1]); }

// Arc with centre c, radius r, from angle a0 sweeping `sweep`.
std::unique_ptr<CGeArc> MakeArc(Pt c, double r, double a0, double sweep)
{
    auto arc = std::make_unique<CGeArc>();
    const double cc[2] = {c.x, c.y};
    EXPECT_EQ(arc->CreateCSEAngle(cc, r, a0, a0 + sweep), 1);
    return arc;
}

void ExpectPoint(const double* p, Pt want, double tol, const std::string& label)
{
    EXPECT_NEAR(p[0], want.x, tol) << label;
    EXPECT_NEAR(p[1], want.y, tol) << label;
}

// Unit tangent of the arc at t.
void UnitTangent(CGeArc& arc, double t, double* u)
{
    arc.GetTanVecAt(t, u, 1);
    const double len = std::hypot(u[0], u[1]);
    u[0] /= len;
    u[1] /= len;
}

TEST(GeArcTest, ConstructionsAcceptedAndRejected)
{
    const double o[2] = {0, 0}, ex[2] = {1, 0}, ey[2] = {0, 1}, mx[2] = {-1, 0}, my[2] = {0, -1};
    const double far[2] = {3, 0}, tUp[2] = {0, 1}, tDown[2] = {0, -1}, tAlong[2] = {-1, 1};
    struct Row {
        const char* label;
        std::function<int(CGeArc&)> make;
        int ok;
        double sweep;      // expected signed sweep when accepted
        Pt start, end;     // expected end points when accepted
    };
    const Row rows[] = {
        {"3 points, counter-clockwise half", [&](CGeArc& a) { return a.Create3Pnt(ex, ey, mx); }, 1, kPi, {1, 0}, {-1, 0}},
        {"3 points, clockwise half", [&](CGeArc& a) { return a.Create3Pnt(ex, my, mx); }, 1, -kPi, {1, 0}, {-1, 0}},
        {"3 points, major arc", [&](CGeArc& a) { return a.Create3Pnt(ex, mx, my); }, 1, 1.5 * kPi, {1, 0}, {0, -1}},
        {"3 points collinear", [&](CGeArc& a) { return a.Create3Pnt(ex, far, mx); }, 0, 0, {}, {}},
        {"3 points coincident", [&](CGeArc& a) { return a.Create3Pnt(ex, ex, ey); }, 0, 0, {}, {}},
        {"CSE ccw quarter", [&](CGeArc& a) { return a.CreateCSE(o, ex, ey, 1); }, 1, kPi / 2, {1, 0}, {0, 1}},
        {"CSE cw three quarters", [&](CGeArc& a) { return a.CreateCSE(o, ex, ey, 0); }, 1, -1.5 * kPi, {1, 0}, {0, 1}},
        {"CSE opposite ends cw", [&](CGeArc& a) { return a.CreateCSE(o, ex, mx, 0); }, 1, -kPi, {1, 0}, {-1, 0}},
        {"CSE equal ends: full turn", [&](CGeArc& a) { return a.CreateCSE(o, ex, ex, 1); }, 1, 2 * kPi, {1, 0}, {1, 0}},
        {"CSE ends on one ray", [&](CGeArc& a) { return a.CreateCSE(o, ex, far, 1); }, 0, 0, {}, {}},
        {"CSE zero radius", [&](CGeArc& a) { return a.CreateCSE(o, o, o, 1); }, 0, 0, {}, {}},
        {"CSE minor", [&](CGeArc& a) { return a.CreateCSE(0, o, ey, ex); }, 1, -kPi / 2, {0, 1}, {1, 0}},
        {"CSE major", [&](CGeArc& a) { return a.CreateCSE(1, o, ey, ex); }, 1, 1.5 * kPi, {0, 1}, {1, 0}},
        {"angles beyond a turn", [&](CGeArc& a) { return a.CreateCSEAngle(o, 1, 0, 7); }, 1, 7 - 2 * kPi,
         {1, 0}, {std::cos(7.0), std::sin(7.0)}},
        {"angles, many turns back", [&](CGeArc& a) { return a.CreateCSEAngle(o, 1, 0, -20 * kPi - 1); }, 1, -1,
         {1, 0}, {std::cos(1.0), -std::sin(1.0)}},
        {"angles, zero sweep", [&](CGeArc& a) { return a.CreateCSEAngle(o, 1, 2, 2); }, 0, 0, {}, {}},
        {"angles, tiny radius", [&](CGeArc& a) { return a.CreateCSEAngle(o, 1e-7, 0, 1); }, 0, 0, {}, {}},
        {"start tangent up", [&](CGeArc& a) { return a.CreateSESTan(ex, mx, tUp); }, 1, kPi, {1, 0}, {-1, 0}},
        {"start tangent down", [&](CGeArc& a) { return a.CreateSESTan(ex, mx, tDown); }, 1, -kPi, {1, 0}, {-1, 0}},
        {"start tangent along the chord", [&](CGeArc& a) { return a.CreateSESTan(ex, ey, tAlong); }, 0, 0, {}, {}},
        {"start tangent, no chord", [&](CGeArc& a) { return a.CreateSESTan(ex, ex, tUp); }, 0, 0, {}, {}},
        {"end tangent", [&](CGeArc& a) { const double t[2] = {-1, 0}; return a.CreateSEETan(ex, ey, t); }, 1,
         kPi / 2, {1, 0}, {0, 1}},
        {"end tangent along the chord", [&](CGeArc& a) { return a.CreateSEETan(ex, ey, tAlong); }, 0, 0, {}, {}},
        {"radius below half the chord: half turn", [&](CGeArc& a) { return a.CreateSERad(ex, mx, 0.2, ey, 1); },
         1, kPi, {1, 0}, {-1, 0}},
        {"radius, centre on the side point's side", [&](CGeArc& a) {
             const double s[2] = {0, 0}, e[2] = {2, 0}, side[2] = {1, -5};
             return a.CreateSERad(s, e, std::sqrt(2.0), side, 0);
         }, 1, -kPi / 2, {0, 0}, {2, 0}},
        {"radius, same side, counter-clockwise", [&](CGeArc& a) {
             const double s[2] = {0, 0}, e[2] = {2, 0}, side[2] = {1, -5};
             return a.CreateSERad(s, e, std::sqrt(2.0), side, 1);
         }, 1, 1.5 * kPi, {0, 0}, {2, 0}},
        {"radius zero", [&](CGeArc& a) { return a.CreateSERad(ex, mx, 0, ey, 1); }, 0, 0, {}, {}},
        {"chord and sweep, quarter", [&](CGeArc& a) { return a.CreateSEAngle(ex, ey, kPi / 2); }, 1, kPi / 2,
         {1, 0}, {0, 1}},
        {"chord and sweep, major clockwise", [&](CGeArc& a) { return a.CreateSEAngle(ex, ey, -1.5 * kPi); }, 1,
         -1.5 * kPi, {1, 0}, {0, 1}},
        {"chord and sweep, no chord", [&](CGeArc& a) { return a.CreateSEAngle(ex, ex, 1); }, 0, 0, {}, {}},
        {"chord and sweep, a full turn", [&](CGeArc& a) { return a.CreateSEAngle(ex, ey, 2 * kPi); }, 0, 0, {}, {}},
        {"chord and sweep, a full turn less rounding",
         [&](CGeArc& a) { return a.CreateSEAngle(ex, ey, -std::nextafter(2 * kPi, 0.0)); }, 0, 0, {}, {}},
        {"chord and sweep, beyond a full turn", [&](CGeArc& a) { return a.CreateSEAngle(ex, ey, 7); }, 0, 0, {}, {}},
        {"chord and sweep, just short of a turn", [&](CGeArc& a) { return a.CreateSEAngle(ex, ey, 2 * kPi - 0.01); }, 1,
         2 * kPi - 0.01, {1, 0}, {0, 1}},
    };
    for (const Row& r : rows) {
        auto arc = MakeArc({7, 7}, 3, 0.25, 1);  // a rejected construction must leave this untouched
        const int got = r.make(*arc);
        ASSERT_EQ(got, r.ok) << r.label;
        if (!got) {
            double c[2];
            arc->GetCenter(c);
            EXPECT_EQ(c[0], 7.0) << r.label;
            EXPECT_EQ(arc->GetRadius(), 3.0) << r.label;
            EXPECT_DOUBLE_EQ(arc->GetSweep(), 1.0) << r.label;
            continue;
        }
        EXPECT_NEAR(arc->GetSweep(), r.sweep, 1e-9) << r.label;
        double s[2], e[2];
        arc->GetStartPoint(s);
        arc->GetEndPoint(e);
        ExpectPoint(s, r.start, 1e-9, std::string(r.label) + ": start");
        ExpectPoint(e, r.end, 1e-9, std::string(r.label) + ": end");
        // Every point of an accepted arc lies on its circle.
        double c[2], m[2];
        arc->GetCenter(c);
        arc->GetPointAt(0.37, m, 1);
        EXPECT_NEAR(Dist(c, m), arc->GetRadius(), 1e-9) << r.label;
    }
    // The tangent constructions leave and arrive along the given directions.
    CGeArc arc;
    const double s[2] = {2, 1}, e[2] = {-1, 3}, t0[2] = {1, 2}, t1[2] = {-3, -1};
    ASSERT_EQ(arc.CreateSESTan(s, e, t0), 1);
    double u[2];
    UnitTangent(arc, 0, u);
    EXPECT_NEAR(u[0], 1 / std::sqrt(5.0), 1e-9) << "start tangent";
    EXPECT_NEAR(u[1], 2 / std::sqrt(5.0), 1e-9) << "start tangent";
    ASSERT_EQ(arc.CreateSEETan(s, e, t1), 1);
    UnitTangent(arc, 1, u);
    EXPECT_NEAR(u[0], -3 / std::sqrt(10.0), 1e-9) << "end tangent";
    EXPECT_NEAR(u[1], -1 / std::sqrt(10.0), 1e-9) << "end tangent";

    // Create copies another arc and builds its display; null does nothing.
    auto src = MakeArc({1, 1}, 2, 0, 1);
    CGeArc copy;
    copy.Create(nullptr);
    EXPECT_EQ(copy.GetRadius(), 0.0);
    copy.Create(src.get());
    EXPECT_EQ(copy.GetRadius(), 2.0);
    EXPECT_TRUE(copy.HasDisplay());
}

TEST(GeArcTest, StartPointIsAQueryThatWritesNothing)
{
    // The start direction is stored as constructed, radius long: reading the
    // start point (as readers on several threads may at once) leaves it.
    const double o[2] = {0, 0};
    CGeArc arc;
    ASSERT_EQ(arc.CreateCSEAngle(o, 5, 0, 1), 1);
    double dir[2];
    arc.GetStartDir(dir);
    ASSERT_EQ(dir[0], 5.0);
    double s[2];
    arc.GetStartPoint(s);
    EXPECT_DOUBLE_EQ(s[0], 5.0);
    EXPECT_DOUBLE_EQ(s[1], 0.0);
    arc.GetStartDir(dir);
    EXPECT_EQ(dir[0], 5.0);
    EXPECT_EQ(dir[1], 0.0);
}

TEST(GeArcTest, IsPointOnNearTheEnds)
{
    auto ccw = MakeArc({0, 0}, 10, 0, kPi / 2);
    auto cw = MakeArc({0, 0}, 10, kPi / 2, -kPi / 2);  // same points, clockwise
    struct Row {
        const char* label;
        CGeArc* arc;
        Pt p;
        int on;
        double t;
    };
    const Row rows[] = {
        {"0.004 from the start, outside the sweep", ccw.get(), {10, -0.004}, 1, 0.0},
        {"0.004 from the end, outside the sweep", ccw.get(), {-0.004, 10}, 1, 1.0},
        {"0.006 beyond the start", ccw.get(), {10, -0.006}, 0, -1},
        {"middle", ccw.get(), {10 * std::cos(kPi / 8), 10 * std::sin(kPi / 8)}, 1, 0.25},
        {"0.009 off the circle", ccw.get(), {7.077, 7.077}, 1, 0.5},
        {"0.02 off the circle", ccw.get(), {7.085, 7.085}, 0, -1},
        {"opposite side", ccw.get(), {-10, 0}, 0, -1},
        {"clockwise middle", cw.get(), {10 * std::cos(kPi / 8), 10 * std::sin(kPi / 8)}, 1, 0.75},
        {"clockwise near its start", cw.get(), {0.003, 10}, 1, 0.0},
        {"clockwise outside", cw.get(), {0, -10}, 0, -1},
    };
    for (const Row& r : rows) {
        const double p[2] = {r.p.x, r.p.y};
        double t = -1;
        EXPECT_EQ(r.arc->IsPointOn(p, t), r.on) << r.label;
        if (r.on) {
            EXPECT_NEAR(t, r.t, 1e-3) << r.label;
        }
    }
}

TEST(GeArcTest, SplitPiecesRebuildTheirOwnDisplayAndBox)
{
    auto arc = MakeArc({0, 0}, 10, 0, kPi / 2);
    arc->Discrete(0.01);
    arc->SetHandle(3);
    struct Row {
        const char* label;
        double t;
        bool first, second;
    };
    const Row rows[] = {{"at 0", 0.0, false, true}, {"at 0.5", 0.5, true, true}, {"at 1", 1.0, true, false},
                        {"just below 1", 0.99995, true, false}};
    for (const Row& r : rows) {
        CGeCurve* out[2] = {nullptr, nullptr};
        arc->Split(r.t, out, 1, 0);
        std::unique_ptr<CGeCurve> a(out[0]), b(out[1]);
        ASSERT_EQ(a != nullptr, r.first) << r.label;
        ASSERT_EQ(b != nullptr, r.second) << r.label;
        if (a && b) {
            auto* head = static_cast<CGeArc*>(a.get());
            auto* tail = static_cast<CGeArc*>(b.get());
            EXPECT_NEAR(head->GetSweep(), kPi / 4, 1e-12) << r.label;
            EXPECT_NEAR(tail->GetSweep(), kPi / 4, 1e-12) << r.label;
            double he[2], ts[2];
            head->GetEndPoint(he);
            tail->GetStartPoint(ts);
            ExpectPoint(he, {10 * std::cos(kPi / 4), 10 * std::sin(kPi / 4)}, 1e-9, r.label);
            ExpectPoint(ts, {10 * std::cos(kPi / 4), 10 * std::sin(kPi / 4)}, 1e-9, r.label);
            for (CGeArc* piece : {head, tail}) {
                EXPECT_FALSE(piece->HasDisplay()) << r.label << ": the whole arc's polyline is not kept";
                // The box rebuilt on request is the piece's own.
                BOX2<double> box;
                piece->GetBox2d(&box);
                double s[2], e[2];
                piece->GetStartPoint(s);
                piece->GetEndPoint(e);
                EXPECT_NEAR(box.xmin, std::min(s[0], e[0]), 1e-9) << r.label;
                EXPECT_NEAR(box.ymax, std::max(s[1], e[1]), 1e-9) << r.label;
                EXPECT_NEAR(box.xmax, std::max(s[0], e[0]), 1e-9) << r.label;
            }
        } else {
            CGeCurve* whole = a ? a.get() : b.get();
            EXPECT_NEAR(static_cast<CGeArc*>(whole)->GetSweep(), kPi / 2, 1e-15) << r.label;
            EXPECT_EQ(whole->GetHandle(), 3u) << r.label << ": a copy keeps the handle";
        }
    }
    CGeCurve* untouched[2] = {nullptr, nullptr};
    arc->Split(1.2, untouched, 1, 0);
    arc->Split(-0.2, untouched, 1, 0);
    EXPECT_EQ(untouched[0], nullptr);
    EXPECT_EQ(untouched[1], nullptr);
}

TEST(GeArcTest, ScaleKeepsAnArcOrMakesABezier)
{
    double c[2] = {1, 1};
    {
        auto arc = MakeArc({3, 1}, 2, 0, kPi / 2);  // (5, 1) to (3, 3)
        double f[2] = {2, 2};
        EXPECT_EQ(arc->Scale(c, f), arc.get()) << "uniform";
        EXPECT_DOUBLE_EQ(arc->GetRadius(), 4.0);
        double s[2], e[2];
        arc->GetStartPoint(s);
        arc->GetEndPoint(e);
        ExpectPoint(s, {9, 1}, 1e-12, "uniform start");
        ExpectPoint(e, {5, 5}, 1e-12, "uniform end");
    }
    {
        auto arc = MakeArc({3, 1}, 2, 0, kPi / 2);
        double f[2] = {-1, -1};
        EXPECT_EQ(arc->Scale(c, f), arc.get()) << "point reflection";
        EXPECT_DOUBLE_EQ(arc->GetRadius(), 2.0);
        EXPECT_GT(arc->GetSweep(), 0.0) << "a half turn keeps the turning sense";
        double e[2];
        arc->GetEndPoint(e);
        ExpectPoint(e, {-1, -1}, 1e-12, "reflected end");
    }
    for (double fy : {1.0, -3.0}) {
        auto arc = MakeArc({3, 1}, 2, 0, kPi / 2);
        double f[2] = {2, fy};
        std::unique_ptr<CGeCurve> res(arc->Scale(c, f));
        ASSERT_NE(res, nullptr);
        ASSERT_NE(res.get(), arc.get());
        EXPECT_EQ(res->GetType(), 0x20) << "non-uniform scale gives a Bezier spline";
        double s[2], e[2];
        res->GetStartPoint(s);
        res->GetEndPoint(e);
        ExpectPoint(s, {9, 1}, 1e-9, "scaled spline start");
        ExpectPoint(e, {5, 1 + 2 * fy}, 1e-9, "scaled spline end");
    }
    for (Pt f : {Pt{0, 1}, Pt{1, 1e-7}}) {
        auto arc = MakeArc({3, 1}, 2, 0, kPi / 2);
        double ff[2] = {f.x, f.y};
        EXPECT_EQ(arc->Scale(c, ff), nullptr) << "zero factor " << f.x << ", " << f.y;
    }
}

// de Casteljau evaluation of one cubic segment, written here so that the check
// does not rely on the spline class's own evaluation.
void Casteljau(const CBezierNode* n, double t, double* out)
{
    double x[4] = {n[0].x, n[1].x, n[2].x, n[3].x}, y[4] = {n[0].y, n[1].y, n[2].y, n[3].y};
    for (int k = 3; k > 0; --k)
        for (int i = 0; i < k; ++i) {
            x[i] += t * (x[i + 1] - x[i]);
            y[i] += t * (y[i + 1] - y[i]);
        }
    out[0] = x[0];
    out[1] = y[0];
}

TEST(GeArcTest, ToBezierFollowsTheArc)
{
    const Pt centre = {3, -2};
    const double r = 5, a0 = 0.7;
    // A quarter circle as one cubic deviates radially by about 2.7e-4 of the radius.
    const double radialTol = 3e-4 * r;
    for (double mag : {kPi / 2, 0.3, 2 * kPi / 3, kPi, 4 * kPi / 3, 1.5 * kPi, 1.9 * kPi, 2 * kPi}) {
        for (double sense : {1.0, -1.0}) {
            const std::string label = "sweep " + std::to_string(sense * mag);
            auto arc = MakeArc(centre, r, a0, sense * mag);
            std::unique_ptr<CGeBezier> bez(arc->ToBezier());
            ASSERT_NE(bez, nullptr) << label;
            const unsigned n = bez->GetNodeCount();
            ASSERT_GE(n, 4u) << label;
            ASSERT_EQ((n - 1) % 3, 0u) << label;
            const unsigned segs = (n - 1) / 3;
            EXPECT_EQ(segs, static_cast<unsigned>(std::ceil(mag / (kPi / 2) - 1e-9))) << label;
            const CBezierNode* nodes = bez->GetNodes();
            double s[2], e[2];
            arc->GetStartPoint(s);
            arc->GetEndPoint(e);
            EXPECT_NEAR(nodes[0].x, s[0], 1e-12) << label;
            EXPECT_NEAR(nodes[0].y, s[1], 1e-12) << label;
            EXPECT_NEAR(nodes[n - 1].x, e[0], 1e-12) << label;
            EXPECT_NEAR(nodes[n - 1].y, e[1], 1e-12) << label;

            // Dense samples of the spline lie on the arc (radially and within its sweep) ...
            std::vector<std::array<double, 2>> samples;
            double maxRadial = 0.0, maxOff = 0.0;
            for (unsigned k = 0; k < segs; ++k)
                for (int i = 0; i <= 200; ++i) {
                    double p[2];
                    Casteljau(nodes + 3 * k, i / 200.0, p);
                    samples.push_back({p[0], p[1]});
                    maxRadial = std::max(maxRadial, std::fabs(std::hypot(p[0] - centre.x, p[1] - centre.y) - r));
                    double out[2], t = 0, dist = 1e7;
                    unsigned seg = 1;
                    arc->GetNearestPoint(p, out, t, seg, dist);
                    maxOff = std::max(maxOff, dist);
                }
            EXPECT_LT(maxRadial, radialTol) << label;
            EXPECT_LT(maxOff, radialTol) << label;
            // ... and every point of the arc has a spline sample nearby (coverage).
            double maxGap = 0.0;
            const double spacing = r * mag / (200.0 * segs) * 1.5;  // generous sample spacing
            for (int i = 0; i <= 400; ++i) {
                double p[2];
                arc->GetPointAt(i / 400.0, p, 1);
                double best = 1e30;
                for (const auto& q : samples) best = std::min(best, std::hypot(q[0] - p[0], q[1] - p[1]));
                maxGap = std::max(maxGap, best);
            }
            EXPECT_LT(maxGap, radialTol + spacing) << label;
        }
    }
}

TEST(GeArcTest, DiscretisationAndStep)
{
    auto arc = MakeArc({1, 2}, 3, 0.5, 2.0);
    struct Row {
        const char* label;
        double tol;
        int minCount;
    };
    const Row rows[] = {{"fine", 0.001, 11}, {"coarse", 1.0, 11}, {"above twice the radius", 10.0, 11},
                        {"zero (raised to 1e-12)", 0.0, 11}};
    for (const Row& r : rows) {
        CArray<tagPoint2d, tagPoint2d> pts;
        arc->DiscreteInArray(r.tol, &pts, 0.0, true);
        ASSERT_GE(pts.GetSize(), r.minCount) << r.label;
        ASSERT_LE(pts.GetSize(), (1 << 20) + 1) << r.label;
        double c[2] = {1, 2}, s[2], e[2];
        arc->GetStartPoint(s);
        arc->GetEndPoint(e);
        EXPECT_EQ(pts[0].x, s[0]) << r.label << ": first point exact";
        EXPECT_EQ(pts[pts.GetSize() - 1].y, e[1]) << r.label << ": last point exact";
        double maxChordGap = 0.0;
        for (INT_PTR i = 0; i < pts.GetSize(); ++i) {
            const double p[2] = {pts[i].x, pts[i].y};
            ASSERT_TRUE(std::isfinite(p[0]) && std::isfinite(p[1])) << r.label;
            EXPECT_NEAR(Dist(p, c), 3.0, 1e-9) << r.label;
            if (i > 0) {
                const double mid[2] = {(pts[i].x + pts[i - 1].x) / 2, (pts[i].y + pts[i - 1].y) / 2};
                maxChordGap = std::max(maxChordGap, 3.0 - Dist(mid, c));
            }
        }
        if (r.tol >= 1e-3 && r.tol < 3) {
            EXPECT_LE(maxChordGap, r.tol * (1 + 1e-9)) << r.label;
        }
    }
    // Appending keeps what the array held.
    CArray<tagPoint2d, tagPoint2d> pts;
    pts.Add({-50, -50});
    arc->DiscreteInArray(0.1, &pts, 0.0, false);
    EXPECT_EQ(pts[0].x, -50.0);
    EXPECT_GT(pts.GetSize(), 11);

    double step = 0;
    auto quarter = MakeArc({0, 0}, 100, 0, kPi / 2);
    for (double tol : {1e-6, 0.01, 10.0, 99.0}) {
        EXPECT_EQ(quarter->GetDiscStep(tol, step), 1);
        EXPECT_LE(step, 1.0 / 8) << "quarter arc, tol " << tol;
    }
    quarter->GetDiscStep(150.0, step);
    EXPECT_EQ(step, 0.1) << "tolerance above the radius";
}

TEST(GeArcTest, FullTurnMirrorAndEndPointEdits)
{
    // Mirror of a full turn: start and end coincide.
    auto full = MakeArc({2, 0}, 1, 0, 2 * kPi);
    double p[2] = {0, 0}, q[2] = {0, 1};
    full->Mirror(p, q);
    double c[2], s[2];
    full->GetCenter(c);
    full->GetStartPoint(s);
    ExpectPoint(c, {-2, 0}, 1e-12, "mirrored centre");
    ExpectPoint(s, {-3, 0}, 1e-12, "mirrored start");
    EXPECT_NEAR(full->GetSweep(), -2 * kPi, 1e-12) << "the turning sense reverses";

    // Mirror of a partial arc through its three points.
    auto part = MakeArc({2, 0}, 1, 0, kPi / 2);  // (3, 0) to (2, 1)
    part->Mirror(p, q);
    double e[2];
    part->GetStartPoint(s);
    part->GetEndPoint(e);
    ExpectPoint(s, {-3, 0}, 1e-9, "partial mirrored start");
    ExpectPoint(e, {-2, 1}, 1e-9, "partial mirrored end");
    EXPECT_NEAR(part->GetSweep(), -kPi / 2, 1e-9);

    // Moving the start of a full turn, also straight outwards, where the
    // middle point and the end line up with it.
    for (Pt np : {Pt{4, 0}, Pt{3, 0.5}, Pt{2.5, 0}}) {
        const std::string label = "full turn start to (" + std::to_string(np.x) + ", " + std::to_string(np.y) + ")";
        auto arc = MakeArc({2, 0}, 1, 0, 2 * kPi);
        double np2[2] = {np.x, np.y};
        arc->ModifyStartPoint(np2);
        arc->GetStartPoint(s);
        arc->GetEndPoint(e);
        ExpectPoint(s, np, 1e-9, label);
        ExpectPoint(e, {3, 0}, 1e-9, label + ": the end stays");
        EXPECT_TRUE(arc->HasDisplay()) << label;
    }
    for (Pt np : {Pt{4, 0}, Pt{2, 1}}) {
        auto arc = MakeArc({2, 0}, 1, 0, 2 * kPi);
        double np2[2] = {np.x, np.y};
        arc->ModifyEndPoint(np2);
        arc->GetStartPoint(s);
        arc->GetEndPoint(e);
        ExpectPoint(s, {3, 0}, 1e-9, "full turn end moved: the start stays");
        ExpectPoint(e, np, 1e-9, "full turn end moved");
    }

    // A short arc keeps its end and the tangent there when its start moves.
    auto arc = MakeArc({0, 0}, 1, 0, kPi / 2);
    double tanBefore[2], tanAfter[2];
    UnitTangent(*arc, 1, tanBefore);
    double ns[2] = {0.5, -0.5};
    arc->ModifyStartPoint(ns);
    arc->GetStartPoint(s);
    arc->GetEndPoint(e);
    ExpectPoint(s, {0.5, -0.5}, 1e-9, "short arc start");
    ExpectPoint(e, {0, 1}, 1e-9, "short arc end");
    UnitTangent(*arc, 1, tanAfter);
    ExpectPoint(tanAfter, {tanBefore[0], tanBefore[1]}, 1e-9, "end tangent kept");
}

TEST(GeArcTest, TransformsKeepOrReplaceTheArc)
{
    const double r2 = std::sqrt(0.5);
    {
        auto arc = MakeArc({1, 0}, 1, 0, kPi / 2);
        double m[3][3] = {{r2, r2, 0}, {-r2, r2, 0}, {1, 1, 1}};  // rotate 45 degrees, translate
        EXPECT_EQ(arc->Transform(m, 0), arc.get());
        double s[2];
        arc->GetStartPoint(s);
        ExpectPoint(s, {1 + 2 * r2, 1 + 2 * r2}, 1e-9, "rotated start");
        EXPECT_NEAR(arc->GetSweep(), kPi / 2, 1e-9);
    }
    {
        auto arc = MakeArc({1, 0}, 1, 0, kPi / 2);
        double m[3][3] = {{-1, 0, 0}, {0, 1, 0}, {0, 0, 1}};  // mirror in the y axis
        EXPECT_EQ(arc->Transform(m, 4), arc.get());
        EXPECT_NEAR(arc->GetSweep(), -kPi / 2, 1e-9) << "a reversing matrix turns the other way";
        double e[2];
        arc->GetEndPoint(e);
        ExpectPoint(e, {-1, 1}, 1e-9, "mirrored end");

        auto full = MakeArc({1, 0}, 1, 0, 2 * kPi);
        full->Transform(m, 4);
        EXPECT_NEAR(full->GetSweep(), -2 * kPi, 1e-9) << "also for a full turn";
        EXPECT_LT(full->EvArea(), 0.0) << "clockwise area";
    }
    {
        auto arc = MakeArc({1, 0}, 1, 0, kPi / 2);
        double m[3][3] = {{2, 0, 0}, {0, 1, 0}, {0, 0, 1}};
        std::unique_ptr<CGeCurve> res(arc->Transform(m, 0));
        ASSERT_NE(res.get(), arc.get());
        EXPECT_EQ(res->GetType(), 0x20);
    }
    {
        auto arc = MakeArc({1, 0}, 1, 0, kPi / 2);
        double base[2] = {0, 0}, f[2] = {0.5, 0};
        std::unique_ptr<CGeCurve> res(arc->Shear(base, f));
        ASSERT_NE(res, nullptr);
        EXPECT_EQ(res->GetType(), 0x20);
    }
    {
        auto arc = MakeArc({1, 0}, 1, 0, kPi / 2);
        arc->Discrete(0.01);
        double v[2] = {10, 20}, o[2] = {0, 0};
        arc->Translate(v);
        arc->Rotate(o, kPi);
        double c[2];
        arc->GetCenter(c);
        ExpectPoint(c, {-11, -20}, 1e-9, "translated and rotated centre");
        double s[2];
        arc->GetStartPoint(s);
        ExpectPoint(s, {-12, -20}, 1e-9, "translated and rotated start");
        ExpectPoint(arc->GetSWPoint()[0], {-12, -20}, 1e-9, "display follows");
    }
}

TEST(GeArcTest, QueriesAgainstDenseSampling)
{
    auto arc = MakeArc({0, 0}, 2, kPi / 6, 4 * kPi / 3);  // 30 to 270 degrees
    const Pt probes[] = {{3, 3}, {0.1, 0.1}, {5, -0.5}, {0.5, -4}, {-3, 0}, {2, -0.2}};
    for (Pt pr : probes) {
        double p[2] = {pr.x, pr.y}, out[2], t = 0, dist = 1e7;
        unsigned seg = 0;
        ASSERT_EQ(arc->GetNearestPoint(p, out, t, seg, dist), 1) << pr.x << "," << pr.y;
        double best = 1e30;
        for (int i = 0; i <= 20000; ++i) {
            double q[2];
            arc->GetPointAt(i / 20000.0, q, 1);
            best = std::min(best, Dist(p, q));
        }
        EXPECT_NEAR(dist, best, 1e-6) << pr.x << "," << pr.y;
        double at[2];
        arc->GetPointAt(t, at, 1);
        EXPECT_NEAR(Dist(at, out), 0.0, 1e-6) << "t matches the point";
    }
    double c0[2] = {0, 0}, out[2], t = 0;
    unsigned seg = 0;
    double bound = 1e7;
    EXPECT_EQ(arc->GetNearestPoint(c0, out, t, seg, bound), 0) << "the centre has no projection";

    // Tangent points from outside: the tangent line passes through the point.
    double from[2] = {0, -6}, tp[2];
    int iseg = 0;
    t = 0;
    ASSERT_EQ(arc->GetTanPt(from, t, iseg, tp), 1);
    EXPECT_NEAR(Dist(tp, c0), 2.0, 1e-9);
    const double radial[2] = {tp[0], tp[1]}, toFrom[2] = {from[0] - tp[0], from[1] - tp[1]};
    EXPECT_NEAR(radial[0] * toFrom[0] + radial[1] * toFrom[1], 0.0, 1e-9) << "perpendicular to the radius";
    double inside[2] = {0.5, 0};
    EXPECT_EQ(arc->GetTanPt(inside, t, iseg, tp), 0);

    // Perpendicular foot: the intersection of the line through the centre.
    double pp[2] = {-5, 0}, foot[2] = {0, 0};
    unsigned useg = 0;
    ASSERT_EQ(arc->GetPerpPt(pp, foot, t, useg), 1);
    ExpectPoint(foot, {-2, 0}, 1e-9, "perpendicular foot");
    double pq[2] = {5, -1e-3};  // the nearer crossing (2, 0) is outside the sweep: the other one
    ASSERT_EQ(arc->GetPerpPt(pq, foot, t, useg), 1);
    ExpectPoint(foot, {-2, 0}, 1e-3, "the farther crossing");
    auto quarter = MakeArc({0, 0}, 2, 0, kPi / 2);
    double pr[2] = {5, -5};  // crossings at -45 and 135 degrees, both off the arc
    EXPECT_EQ(quarter->GetPerpPt(pr, foot, t, useg), 0);

    // Lengths and parameters.
    EXPECT_NEAR(arc->EvTotalArcLength(), 2 * 4 * kPi / 3, 1e-12);
    unsigned s2 = 0;
    EXPECT_EQ(arc->EvParam(arc->EvTotalArcLength() / 4, t, s2, 0.0), 1);
    EXPECT_NEAR(t, 0.25, 1e-12);
    arc->EvParam(100, t, s2, 0.0);
    EXPECT_EQ(t, 1.0) << "clamped to the end";
    EXPECT_NEAR(arc->GetMaxArcHeight(), 2 - 2 * std::cos(2 * kPi / 3), 1e-12) << "r - r cos(sweep / 2)";

    // The precise box reaches the axis points the arc passes.
    CGeArc fresh;
    const double cc[2] = {0, 0};
    fresh.CreateCSEAngle(cc, 2, kPi / 6, 3 * kPi / 2);
    BOX2<double> box;
    fresh.GetBox2d(&box);
    EXPECT_NEAR(box.xmin, -2, 1e-9);
    EXPECT_NEAR(box.ymax, 2, 1e-9);
    EXPECT_NEAR(box.ymin, -2, 1e-9);
    EXPECT_NEAR(box.xmax, std::sqrt(3.0), 1e-9);

    // Reverse and offset.
    auto rev = MakeArc({0, 0}, 2, 0, kPi / 2);
    rev->Reverse();
    double s[2];
    rev->GetStartPoint(s);
    ExpectPoint(s, {0, 2}, 1e-12, "reversed start");
    EXPECT_NEAR(rev->GetSweep(), -kPi / 2, 1e-15);
    std::unique_ptr<CGeCurve> left(rev->Offset(0.5));
    ASSERT_NE(left, nullptr);
    EXPECT_NEAR(static_cast<CGeArc*>(left.get())->GetRadius(), 2.5, 1e-15) << "left of a clockwise arc is outside";
    EXPECT_EQ(rev->Offset(-2), nullptr) << "radius would vanish";
    EXPECT_EQ(rev->IsClosed(0.01), 0);
}

class ArcSnapTest : public snaptest::SnapFixture<Pt> {};

TEST_F(ArcSnapTest, ModesPushTheirPoints)
{
    auto arc = MakeArc({0, 0}, 10, 0, kPi / 2);  // (10, 0) to (0, 10)
    struct Row {
        const char* label;
        int mode, align;
        Pt cursor;
        int count;
        Pt first;
    };
    const Row rows[] = {
        {"centre by distance", kSnapCen, 0, {0.2, 0.1}, 1, {0, 0}},
        {"centre from just inside the arc", kSnapCen, 0, {9.2 * std::sqrt(0.5), 9.2 * std::sqrt(0.5)}, 1, {0, 0}},
        {"centre: cursor too far inside", kSnapCen, 0, {6.0, 6.0}, 0, {}},
        {"centre: cursor outside", kSnapCen, 0, {7.2, 7.2}, 0, {}},
        {"nearest", kSnapNear, 0, {7.3, 7.3}, 1, {10 * std::sqrt(0.5), 10 * std::sqrt(0.5)}},
        {"end point", kSnapEnd, 0, {0.2, 10.1}, 1, {0, 10}},
        {"aligned x only", kSnapEnd, 1, {10.3, 50}, 1, {10, 0}},
        {"aligned y only", kSnapEnd, 1, {40, 10.4}, 1, {0, 10}},
        {"aligned, nothing near", kSnapEnd, 1, {40, 40}, 0, {}},
    };
    for (const Row& r : rows) {
        m_snap.m_bAlign = r.align;
        EXPECT_EQ(Snap(*arc, r.mode, r.cursor), r.count ? 1 : 0) << r.label;
        ASSERT_EQ(m_result.GetSize(), r.count) << r.label;
        if (r.count) {
            EXPECT_NEAR(m_result.GetAt(0).pos.x, r.first.x, 1e-9) << r.label;
            EXPECT_NEAR(m_result.GetAt(0).pos.y, r.first.y, 1e-9) << r.label;
        }
    }
    m_snap.m_bAlign = 0;
    m_base.m_bHasBase = 1;
    m_base.m_ptBase[0] = 20;
    m_base.m_ptBase[1] = 0;
    // Tangent points from (20, 0) lie at 60 degrees: only the upper one is on the arc.
    EXPECT_EQ(Snap(*arc, kSnapTan, {5, 8.66}), 1);
    ASSERT_EQ(m_result.GetSize(), 1);
    EXPECT_EQ(m_result.GetAt(0).kind, kSnapTan);
    EXPECT_NEAR(m_result.GetAt(0).pos.y, 10 * std::sin(kPi / 3), 1e-9);
    m_base.m_ptBase[0] = 20;
    m_base.m_ptBase[1] = 20;
    EXPECT_EQ(Snap(*arc, kSnapPerp, {7.2, 7.0}), 1);
    EXPECT_EQ(m_result.GetAt(0).kind, kSnapPerp);
    m_base.m_ptBase[1] = -20;
    EXPECT_EQ(Snap(*arc, kSnapPerp, {7.1, -7.1}), 0) << "projection off the arc";
    m_snap.m_pBase = nullptr;
    EXPECT_EQ(Snap(*arc, kSnapCen, {0, 0}), 0) << "no context";
}

TEST(GeArcTest, ArchiveRecord)
{
    CQVGlobal settings;
    settings.SetVersion(6);
    gSetQVGlobal(&settings);
    auto arc = MakeArc({1, 2}, 3, 0.5, -2);
    arc->SetHandle(21);
    CMemFile file;
    archtest::StoreObject(file, arc.get());
    const ULONGLONG classRecord = 2 + 2 + 2 + 6;  // 0xFFFF, schema, length, "CGeArc"
    EXPECT_EQ(file.GetLength() - classRecord, 56u) << "handle, closed flag and six doubles";
    CObject* obj = archtest::LoadObject(file);
    gSetQVGlobal(nullptr);
    std::unique_ptr<CObject> owner(obj);
    auto* back = dynamic_cast<CGeArc*>(obj);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->GetHandle(), 21u);
    EXPECT_EQ(back->GetRadius(), 3.0);
    EXPECT_EQ(back->GetSweep(), -2.0);
    double e1[2], e2[2];
    arc->GetEndPoint(e1);
    back->GetEndPoint(e2);
    EXPECT_EQ(e1[0], e2[0]);
    EXPECT_EQ(e1[1], e2[1]);
    EXPECT_TRUE(back->HasDisplay()) << "loading rebuilds the display polyline";
}

// An arc no drawing can hold (centre or radius beyond 1e9 mm or not finite, a
// sweep beyond a full turn, a start direction not finite) is a damaged record:
// before the check its display polyline took a million points per record.
TEST(GeArcTest, OutOfRangeArchiveRecordsAreDamage)
{
    CQVGlobal settings;
    settings.SetVersion(6);
    gSetQVGlobal(&settings);
    auto arc = MakeArc({1, 2}, 3, 0.5, -2);
    CMemFile stored;
    archtest::StoreObject(stored, arc.get());
    const std::vector<BYTE> good(stored.GetData(), stored.GetData() + stored.GetLength());
    // The six doubles end the record: centre x, y, radius, start direction x, y, sweep.
    const size_t firstDouble = good.size() - 6 * sizeof(double);
    const double inf = std::numeric_limits<double>::infinity();
    struct Row {
        const char* label;
        int field;
        double value;
        bool loads;
    };
    const Row rows[] = {{"radius 1e9", 2, 1e9, true},       {"sweep of a full turn", 5, 2 * std::numbers::pi, true},
                        {"radius 1e25", 2, 1e25, false},    {"centre x NaN", 0, std::nan(""), false},
                        {"centre y -2e9", 1, -2e9, false},  {"start direction infinite", 3, inf, false},
                        {"sweep of 7 radians", 5, 7.0, false}, {"sweep NaN", 5, std::nan(""), false}};
    for (const Row& r : rows) {
        std::vector<BYTE> bytes = good;
        std::memcpy(&bytes[firstDouble + r.field * sizeof(double)], &r.value, sizeof(double));
        CMemFile file(bytes.data(), static_cast<UINT>(bytes.size()));
        int cause = CArchiveException::none;
        std::unique_ptr<CObject> back;
        try {
            back.reset(archtest::LoadObject(file));
        } catch (const CArchiveException& e) {
            cause = e.m_cause;
        }
        EXPECT_EQ(cause, r.loads ? CArchiveException::none : CArchiveException::genericException) << r.label;
        EXPECT_EQ(back != nullptr, r.loads) << r.label;
    }
    gSetQVGlobal(nullptr);
}

}  // namespace

namespace {

// An arc whose display polyline a test can drop, so that its box is the kept
// precise box, and whose geometry a test can copy bit for bit.
struct BareArc : CGeArc {
    using CGeArc::FreeDisplay;
    using CGeArc::SetGeometry;
};

// The precise box of a new arc with arc's geometry, computed without any kept box.
BOX2<double> FreshPreciseBox(CGeArc& arc)
{
    BareArc fresh;
    double c[2], dir[2];
    arc.GetCenter(c);
    arc.GetStartDir(dir);
    fresh.SetGeometry(c, arc.GetRadius(), dir, arc.GetSweep());
    fresh.CalcPreciseBox2d();
    return *fresh.GetBox2d();
}

}  // namespace

// The precise box is kept between calls; after any change of the arc's
// geometry the box it hands out equals one computed afresh, bit for bit.
TEST(GeArcTest, KeptPreciseBoxFollowsEveryChange)
{
    double c0[2] = {0, 0}, p1[2] = {3, 0}, p2[2] = {0, 3}, p3[2] = {-3, 0}, t0[2] = {0, 1};
    double off[2] = {2.5, -1.25}, centre[2] = {1, 1}, q[2] = {0, 4}, uniform[2] = {1.5, 1.5};
    double moved[2] = {0.5, -3.2}, e1[2] = {3.3, 0.4};
    auto archiveLoad = [](CGeArc& arc) {
        // Loading an arc record into an arc that already had a kept box.
        CQVGlobal settings;
        settings.SetVersion(6);
        gSetQVGlobal(&settings);
        auto source = MakeArc({-4, 7}, 2.5, 2.0, -3.5);
        CMemFile file;
        {
            CArchive ar(&file, CArchive::store);
            source->Serialize(ar);
            ar.Close();
        }
        file.SeekToBegin();
        CArchive ar(&file, CArchive::load);
        arc.Serialize(ar);
        ar.Close();
        gSetQVGlobal(nullptr);
        EXPECT_EQ(arc.GetRadius(), 2.5) << "the loaded record";
        EXPECT_EQ(arc.GetSweep(), -3.5) << "the loaded record";
    };
    struct Row {
        const char* label;
        std::function<void(CGeArc&)> change;
    };
    const Row rows[] = {
        {"Create(arc)", [](CGeArc& a) { a.Create(MakeArc({5, 5}, 1, 1, 2).get()); }},
        {"Create3Pnt", [&](CGeArc& a) { EXPECT_EQ(a.Create3Pnt(p1, e1, p3), 1); }},
        {"CreateCSE ccw", [&](CGeArc& a) { EXPECT_EQ(a.CreateCSE(c0, p1, p2, 1), 1); }},
        {"CreateCSE major", [&](CGeArc& a) { EXPECT_EQ(a.CreateCSE(1, c0, p1, p2), 1); }},
        {"CreateCSEAngle", [&](CGeArc& a) { EXPECT_EQ(a.CreateCSEAngle(c0, 2, -1, 3), 1); }},
        {"CreateSESTan", [&](CGeArc& a) { EXPECT_EQ(a.CreateSESTan(p1, p3, t0), 1); }},
        {"CreateSEETan", [&](CGeArc& a) { EXPECT_EQ(a.CreateSEETan(p1, p3, t0), 1); }},
        {"CreateSERad", [&](CGeArc& a) { EXPECT_EQ(a.CreateSERad(p1, p2, 5, c0, 0), 1); }},
        {"CreateSEAngle", [&](CGeArc& a) { EXPECT_EQ(a.CreateSEAngle(p1, p3, -2.5), 1); }},
        {"Translate", [&](CGeArc& a) { a.Translate(off); }},
        {"Rotate", [&](CGeArc& a) { a.Rotate(centre, 1.1); }},
        {"Mirror", [&](CGeArc& a) { a.Mirror(centre, q); }},
        {"uniform Scale", [&](CGeArc& a) { EXPECT_EQ(a.Scale(centre, uniform), &a); }},
        {"Reverse", [](CGeArc& a) { a.Reverse(); }},
        {"ModifyStartPoint", [&](CGeArc& a) { a.ModifyStartPoint(moved); }},
        {"ModifyEndPoint", [&](CGeArc& a) { a.ModifyEndPoint(moved); }},
        {"Transform", [](CGeArc& a) {
             double m[3][3] = {{0, 1, 0}, {-1, 0, 0}, {3, 4, 1}};
             EXPECT_EQ(a.Transform(m, 0), &a);
         }},
        {"Serialize load", archiveLoad},
    };
    for (const Row& r : rows) {
        BareArc arc;
        double c[2] = {0.25, -0.5};
        ASSERT_EQ(arc.CreateCSEAngle(c, 3, 0.3, 2.0), 1) << r.label;
        arc.CalcPreciseBox2d();  // kept for the geometry before the change
        r.change(arc);
        arc.FreeDisplay();
        BOX2<double> kept;
        arc.GetBox2d(&kept);
        const BOX2<double> fresh = FreshPreciseBox(arc);
        EXPECT_EQ(std::memcmp(&kept, &fresh, sizeof kept), 0)
            << r.label << ": kept box " << kept.xmin << " " << kept.ymin << " " << kept.xmax << " " << kept.ymax
            << ", fresh " << fresh.xmin << " " << fresh.ymin << " " << fresh.xmax << " " << fresh.ymax;
        // Asked again with nothing changed, the kept box is handed out as it is.
        arc.FreeDisplay();
        BOX2<double> again;
        arc.GetBox2d(&again);
        EXPECT_EQ(std::memcmp(&again, &fresh, sizeof again), 0) << r.label << " asked again";
    }
    // Split pieces are arcs of their own with their own boxes.
    BareArc whole;
    ASSERT_EQ(whole.CreateCSEAngle(c0, 3, 0, 3), 1);
    whole.CalcPreciseBox2d();
    CGeCurve* out[2] = {nullptr, nullptr};
    whole.Split(0.4, out, 1, 0);
    std::unique_ptr<CGeCurve> head(out[0]), tail(out[1]);
    for (CGeCurve* piece : {head.get(), tail.get()}) {
        auto* arc = static_cast<CGeArc*>(piece);
        ASSERT_NE(arc, nullptr);
        arc->CalcPreciseBox2d();
        const BOX2<double> fresh = FreshPreciseBox(*arc);
        EXPECT_EQ(std::memcmp(arc->GetBox2d(), &fresh, sizeof fresh), 0) << "split piece";
    }
}

namespace {

// The precise box as IsPointOn defines it: the end points and each axis point
// (a radius from the centre along x or y) that lies on the arc.
BOX2<double> OnArcBox(CGeArc& arc)
{
    double s[2], e[2], c[2];
    arc.GetStartPoint(s);
    arc.GetEndPoint(e);
    arc.GetCenter(c);
    const double r = arc.GetRadius();
    BOX2<double> box;
    box.Init(s, e);
    const double axis[4][2] = {{c[0] + r, c[1]}, {c[0], c[1] + r}, {c[0] - r, c[1]}, {c[0], c[1] - r}};
    double t = 0;
    for (const auto& q : axis)
        if (arc.IsPointOn(q, t))
            box.Extend(q);
    return box;
}

double Nudged(double v, int ulps)
{
    for (; ulps > 0; --ulps)
        v = std::nextafter(v, std::numeric_limits<double>::infinity());
    for (; ulps < 0; ++ulps)
        v = std::nextafter(v, -std::numeric_limits<double>::infinity());
    return v;
}

}  // namespace

// The precise box decides most axis points from their estimated angles; it must
// decide every one as IsPointOn does, bit for bit: arcs starting and ending a few
// ulps either side of the axes, full turns, ends within the snap radius of axis
// points, centres far out for their radius, and degenerate or non-finite arcs.
TEST(GeArcTest, PreciseBoxTakesTheAxisPointsIsPointOnTakes)
{
    const double inf = std::numeric_limits<double>::infinity(), nan = std::numeric_limits<double>::quiet_NaN();
    struct Frame {
        Pt c;
        double r;
    };
    // Below some 1e14 in radius the snap radius of the end points covers the axis points
    // whose angles lie within a few ulps of the sweep's ends; beyond, the angles decide.
    const Frame frames[] = {{{0, 0}, 48},    {{0.25, -0.5}, 2},  {{1e5, -3e5}, 1e-3}, {{-7e8, 2e8}, 0.5},
                            {{3, 4}, 0.003}, {{1e12, 0}, 1e-3},  {{0, 0}, 1e-9},      {{0, 0}, 1e15},
                            {{0, 0}, 3e17},  {{2e15, -1e15}, 1e15}};
    int compared = 0;
    auto compare = [&](Pt c, double r, const double* dir, double sweep, const std::string& label) {
        BareArc arc;
        const double cc[2] = {c.x, c.y};
        arc.SetGeometry(cc, r, dir, sweep);
        arc.CalcPreciseBox2d();
        const BOX2<double> want = OnArcBox(arc);
        ++compared;
        EXPECT_EQ(std::memcmp(arc.GetBox2d(), &want, sizeof want), 0)
            << label << ": box " << arc.GetBox2d()->xmin << " " << arc.GetBox2d()->ymin << " "
            << arc.GetBox2d()->xmax << " " << arc.GetBox2d()->ymax << ", by IsPointOn " << want.xmin << " "
            << want.ymin << " " << want.xmax << " " << want.ymax;
    };
    for (const Frame& f : frames)
        for (int k = -1; k <= 4; ++k)
            for (int i = -2; i <= 2; ++i) {
                const double a = Nudged(k * 0.5 * kPi, i);
                const double dir[2] = {std::cos(a), std::sin(a)};
                const double a0 = std::atan2(dir[1], dir[0]);
                std::vector<double> sweeps = {2 * kPi, -2 * kPi, Nudged(2 * kPi, -1), Nudged(-2 * kPi, 1), 1.0, -2.5};
                for (int m = -4; m <= 8; ++m)
                    for (int j = -2; j <= 2; ++j)
                        if (const double s = Nudged(m * 0.5 * kPi - a0, j); std::fabs(s) <= 2 * kPi)
                            sweeps.push_back(s);
                for (double sweep : sweeps)
                    compare(f.c, f.r, dir, sweep,
                            "centre " + std::to_string(f.c.x) + " r " + std::to_string(f.r) + " start axis " +
                                std::to_string(k) + " ulps " + std::to_string(i) + " sweep " + std::to_string(sweep));
            }
    // Random arcs, the direction of any length.
    unsigned seed = 12345;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return ((seed >> 8) & 0xffff) / 65536.0;
    };
    for (int n = 0; n < 2000; ++n) {
        const Pt c{(next() - 0.5) * 200, (next() - 0.5) * 200};
        const double r = std::pow(10.0, next() * 6 - 3), a = next() * 2 * kPi, len = std::pow(10.0, next() * 4 - 2);
        const double dir[2] = {len * std::cos(a), len * std::sin(a)};
        compare(c, r, dir, (next() - 0.5) * 4 * kPi, "random " + std::to_string(n));
    }
    // Degenerate and non-finite arcs take IsPointOn's answers as well.
    const double unit[2] = {1, 0}, zero[2] = {0, 0}, infDir[2] = {inf, 1}, nanDir[2] = {nan, 0};
    compare({0, 0}, -2, unit, 1.0, "negative radius");
    compare({0, 0}, -0.001, unit, 4.0, "small negative radius");
    compare({0, 0}, 0, unit, 4.0, "zero radius");
    compare({0, 0}, 2, zero, 4.0, "zero direction");
    compare({0, 0}, 2, infDir, 4.0, "infinite direction");
    compare({0, 0}, 2, nanDir, 4.0, "NaN direction");
    compare({nan, 0}, 2, unit, 4.0, "NaN centre");
    compare({0, inf}, 2, unit, 4.0, "infinite centre");
    compare({0, 0}, 2, unit, nan, "NaN sweep");
    compare({1e308, 1e308}, 1e300, unit, 4.0, "centre and radius near the largest double");
    EXPECT_GT(compared, 5000);
}
