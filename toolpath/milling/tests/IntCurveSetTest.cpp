// Curve sets: the section profile against the brute-force upper envelope, thinning,
// splitting at x, covered curves, scan-line arrays, ramp entries and zigzag steps.
#include "toolpath/contours/PathEntity.h"
#include "toolpath/contours/SmartCurve.h"
#include "toolpath/contours/SmartLoop.h"
#include "toolpath/milling/IntCurveSet.h"

#include <gtest/gtest.h>

#include <array>
#include <cfloat>
#include <cmath>
#include <random>
#include <vector>

namespace {

using P2 = std::array<double, 2>;

std::unique_ptr<SIntCurve> MakeCurve(const std::vector<P2>& pts, double height = 0)
{
    auto c = std::make_unique<SIntCurve>();
    c->height = height;
    for (const P2& p : pts)
        CurveAppendPoint(p.data(), *c);
    return c;
}

std::vector<P2> PointsOf(const SIntCurve& c)
{
    std::vector<P2> out;
    for (const SCurvePoint* p = c.first; p; p = p->next)
        out.push_back({p->u, p->v});
    return out;
}

double DistToPolyline(const P2& p, const std::vector<P2>& pl)
{
    double best = 1e300;
    for (size_t i = 0; i + 1 < pl.size(); ++i)
        best = std::min(best, PointSegmentDistance(p.data(), pl[i].data(), pl[i + 1].data()));
    return best;
}

// Height of the profile at x (the upper of left and right at a node); no height
// outside it or in a gap.
double ProfileAt(const SProfile& prof, double x)
{
    for (const SProfileNode* n = prof.head; n; n = n->next) {
        if (n->x == x)
            return std::max(n->zl, n->zr);
        if (n->next && n->x < x && x < n->next->x) {
            if (n->zr <= -1e11 || n->next->zl <= -1e11)
                return -1e12;
            return n->zr + (x - n->x) / (n->next->x - n->x) * (n->next->zl - n->zr);
        }
    }
    return -1e12;
}

// Brute force: the highest segment over x.
double EnvelopeAt(const std::vector<std::array<double, 4>>& segs, double x)
{
    double best = -1e12;
    for (const auto& s : segs) {
        const double u0 = std::min(s[0], s[2]), u1 = std::max(s[0], s[2]);
        if (x < u0 || x > u1)
            continue;
        const double t = u1 > u0 ? (x - s[0]) / (s[2] - s[0]) : 0;
        best = std::max(best, u1 > u0 ? s[1] + t * (s[3] - s[1]) : std::max(s[1], s[3]));
    }
    return best;
}

TEST(IntCurveSet, ProfileRows)
{
    {
        SCOPED_TRACE("one horizontal segment, then a lower one inside it");
        CIntLineSet set;
        const double a[2] = {0, 1}, b[2] = {10, 1}, c[2] = {2, 0.5}, d[2] = {6, 0.2};
        LineSetAddSegment(set, a, b, nullptr);
        SProfile prof;
        ProfileBuild(set, prof);
        ASSERT_EQ(prof.count, 2);
        EXPECT_EQ(prof.head->zr, 1);
        EXPECT_EQ(prof.tail->zl, 1);
        CIntLineSet lower;
        LineSetAddSegment(lower, c, d, nullptr);
        ProfileBuild(lower, prof);
        ASSERT_EQ(prof.count, 2);
        EXPECT_EQ(prof.head->zr, 1);
        EXPECT_EQ(prof.tail->zl, 1);
    }
    // A slot between two plateaus at height 1 down to 0, width w.
    const auto slot = [](double w, CIntCurveSet& out) {
        CIntLineSet set;
        const std::vector<std::array<double, 4>> segs = {
            {0, 1, 5, 1}, {5, 0, 5 + w, 0}, {5 + w, 1, 10, 1}, {5, 1, 5, 0}, {5 + w, 0, 5 + w, 1}};
        for (const auto& s : segs) {
            const double a[2] = {s[0], s[1]}, b[2] = {s[2], s[3]};
            LineSetAddSegment(set, a, b, nullptr);
        }
        SProfile prof;
        ProfileBuild(set, prof);
        ProfileToCurves(out, 0.5, prof);
    };
    {
        SCOPED_TRACE("slot of 0.05 is bridged");
        CIntCurveSet out;
        slot(0.05, out);
        ASSERT_EQ(out.count, 1);
        for (const P2& p : PointsOf(*out.first))
            EXPECT_NEAR(p[1], 1, 1e-9);
    }
    {
        SCOPED_TRACE("slot of 0.5 below the bottom splits the curve");
        CIntCurveSet out;
        slot(0.5, out);
        EXPECT_EQ(out.count, 2);
    }
    {
        SCOPED_TRACE("a curve shorter than 0.1 in x is dropped");
        CIntLineSet set;
        const double a[2] = {0, 1}, b[2] = {0.08, 1};
        LineSetAddSegment(set, a, b, nullptr);
        SProfile prof;
        ProfileBuild(set, prof);
        CIntCurveSet out;
        ProfileToCurves(out, 0, prof);
        EXPECT_EQ(out.count, 0);
    }
}

TEST(IntCurveSet, ProfileMatchesUpperEnvelope)
{
    std::mt19937 rng(3);
    int checked = 0;
    for (int round = 0; round < 30; ++round) {
        // A connected chain over [0, 10] and loose segments above and below it; ends on
        // a 0.05 grid, slopes at most 0.5.
        std::uniform_int_distribution<int> cell(0, 200);
        std::uniform_real_distribution<double> slope(-0.5, 0.5), h(-1, 1);
        std::vector<std::array<double, 4>> segs;
        double x = 0, z = 0;
        while (x < 10) {
            const double nx = std::min(10.0, x + 0.05 * (1 + rng() % 20));
            const double nz = z + slope(rng) * (nx - x);
            segs.push_back({x, z, nx, nz});
            x = nx, z = nz;
        }
        for (int i = 0; i < 25; ++i) {
            const double u0 = 0.05 * cell(rng), u1 = std::min(10.0, u0 + 0.05 * (2 + rng() % 40));
            if (u1 <= u0)
                continue;
            const double v0 = h(rng);
            const double s[4] = {u0, v0, u1, v0 + slope(rng) * (u1 - u0)};
            if (rng() % 2)
                segs.push_back({s[0], s[1], s[2], s[3]});
            else
                segs.push_back({s[2], s[3], s[0], s[1]});
        }
        std::shuffle(segs.begin(), segs.end(), rng);
        CIntLineSet set;
        for (const auto& s : segs) {
            const double a[2] = {s[0], s[1]}, b[2] = {s[2], s[3]};
            LineSetAddSegment(set, a, b, nullptr);
        }
        SProfile prof;
        ProfileBuild(set, prof);
        std::vector<double> ends;
        for (const auto& s : segs)
            ends.push_back(s[0]), ends.push_back(s[2]);
        const auto nearEnd = [&](double x) {
            for (double e : ends)
                if (std::fabs(x - e) < 0.02)
                    return true;
            return false;
        };
        for (int i = 0; i <= 10000; ++i) {
            const double x = i * 0.001;
            if (nearEnd(x))
                continue;
            ASSERT_NEAR(ProfileAt(prof, x), EnvelopeAt(segs, x), 0.01) << "round " << round << " x " << x;
            ++checked;
        }
        // The curves never pass below the envelope by more than 0.01, nor above it by more
        // than a step or slot they smooth over (0.1); every curve point lies on the envelope near it.
        CIntCurveSet curves;
        ProfileToCurves(curves, -100, prof);
        std::vector<std::vector<P2>> polys;
        for (const SIntCurve* c = curves.first; c; c = c->next)
            polys.push_back(PointsOf(*c));
        for (int i = 0; i <= 1000; ++i) {
            const double x = i * 0.01;
            if (nearEnd(x))
                continue;
            double hmax = -1e300;
            for (const auto& pl : polys)
                for (size_t k = 0; k + 1 < pl.size(); ++k)
                    if (pl[k][0] <= x && x <= pl[k + 1][0] && pl[k + 1][0] > pl[k][0])
                        hmax = std::max(hmax, pl[k][1] + (x - pl[k][0]) / (pl[k + 1][0] - pl[k][0]) * (pl[k + 1][1] - pl[k][1]));
            const double e = EnvelopeAt(segs, x);
            ASSERT_GE(hmax, e - 0.012) << "round " << round << " x " << x;
            // Slots narrower than 0.1 are bridged at the height beside them.
            double near = e;
            for (double dx = -0.1; dx <= 0.1; dx += 0.005)
                near = std::max(near, EnvelopeAt(segs, std::clamp(x + dx, 0.0, 10.0)));
            ASSERT_LE(hmax, near + 0.112) << "round " << round << " x " << x;
        }
        for (const auto& pl : polys)
            for (const P2& p : pl) {
                double lo = 1e300, hi = -1e300;
                for (double dx = -0.02; dx <= 0.02; dx += 0.001) {
                    const double e = EnvelopeAt(segs, std::clamp(p[0] + dx, 0.0, 10.0));
                    lo = std::min(lo, e), hi = std::max(hi, e);
                }
                EXPECT_GE(p[1], lo - 0.01) << "round " << round << " x " << p[0];
                EXPECT_LE(p[1], hi + 0.01) << "round " << round << " x " << p[0];
            }
    }
    EXPECT_GT(checked, 100000);
}

TEST(IntCurveSet, ThinKeepsRemovedPointsWithinTol)
{
    std::mt19937 rng(5);
    std::normal_distribution<double> noise(0, 0.02);
    for (int closed = 0; closed < 2; ++closed)
        for (double tol : {0.01, 0.05, 0.2}) {
            std::vector<P2> pts;
            for (int i = 0; i < 400; ++i) {
                const double t = 2 * M_PI * i / 400;
                pts.push_back({5 * std::cos(t) + noise(rng), 3 * std::sin(2 * t) + noise(rng)});
            }
            if (closed)
                pts.push_back(pts.front());
            // A spike that runs back along its own line: on the chord's line but not near it.
            pts.insert(pts.begin() + 100, {pts[99][0] + 1, pts[99][1]});
            pts.insert(pts.begin() + 101, pts[99]);
            auto c = MakeCurve(pts);
            CurveThin(*c, closed, tol);
            const std::vector<P2> kept = PointsOf(*c);
            if (tol > 0.02) {
                EXPECT_LT(kept.size(), pts.size() / 2) << tol;
            }
            for (const P2& p : pts)
                ASSERT_LE(DistToPolyline(p, kept), tol + 1e-12) << "closed " << closed << " tol " << tol;
            if (closed) {
                EXPECT_EQ(kept.front(), kept.back());
            } else {
                EXPECT_EQ(kept.front(), pts.front());
                EXPECT_EQ(kept.back(), pts.back());
            }
        }
}

TEST(IntCurveSet, SplitAtX)
{
    const std::vector<P2> pts = {{0, 0}, {1, 1}, {2, 0}, {3, 1}};
    for (double x : {-0.5, 3.2}) {
        auto c = MakeCurve(pts);
        EXPECT_EQ(CurveSplitAtX(0, x, *c), nullptr) << x;
        EXPECT_EQ(PointsOf(*c), pts) << x;
    }
    auto c = MakeCurve(pts);
    auto front = CurveSplitAtX(0, 1.49, *c);
    ASSERT_NE(front, nullptr);
    // Cut at 1.5: v interpolated on (1, 1)-(2, 0).
    EXPECT_EQ(PointsOf(*front), (std::vector<P2>{{1.5, 0.5}, {1, 1}, {0, 0}}));
    EXPECT_EQ(PointsOf(*c), (std::vector<P2>{{1.5, 0.5}, {2, 0}, {3, 1}}));
    auto d = MakeCurve(pts);
    front = CurveSplitAtX(1, 1.51, *d);
    ASSERT_NE(front, nullptr);
    EXPECT_EQ(PointsOf(*front).front(), (P2{1.5, 0.5}));
}

TEST(IntCurveSet, DropCoveredCancelsCoincidentPairs)
{
    const std::vector<P2> square = {{0, 0}, {4, 0}, {4, 4}, {0, 4}, {0, 0}};
    std::vector<P2> shifted;
    for (P2 p : square)
        shifted.push_back({p[0] + 0.03, p[1] - 0.02});
    std::vector<P2> far;
    for (P2 p : square)
        far.push_back({p[0] + 10, p[1]});
    CIntCurveSet set;
    CurveSetAppend(set, MakeCurve(square, 5));
    CurveSetAppend(set, MakeCurve(far, 5));
    CurveSetAppend(set, MakeCurve(shifted, 5.005));
    CurveSetAppend(set, MakeCurve(square, 7));  // same shape, other height: stays
    CurveSetDropCovered(set);
    ASSERT_EQ(set.count, 2);
    EXPECT_EQ(PointsOf(*set.first)[1][0], 14);
    EXPECT_EQ(set.last->height, 7);
}

TEST(IntCurveSet, LineArrayByStep)
{
    const struct Row {
        const char* label;
        double step, y0, y1;
        int ok, count;
        double d;
    } rows[] = {
        {"even", 1, 0, 5, 1, 5, 1},
        {"rounded up", 2, 0, 5, 1, 3, 5.0 / 3},
        {"just over by rounding", 1, 0, 5.00005, 1, 5, 1.00001},
        {"empty range", 1, 2, 2, 1, 1, 0},
        {"reversed range", 1, 5, 0, 0, 0, 0},
        {"zero step", 0, 0, 5, 0, 0, 0},
        {"negative step", -1, 0, 5, 0, 0, 0},
        {"count beyond int", 1e-12, 0, 1e6, 0, 0, 0},
        {"NaN step", NAN, 0, 5, 0, 0, 0},
    };
    for (const Row& r : rows) {
        SLineArray arr;
        const double range[2] = {r.y0, r.y1};
        ASSERT_EQ(LineArrayByStep(arr, r.step, range), r.ok) << r.label;
        ASSERT_EQ(arr.count, r.count) << r.label;
        for (int i = 0; i < arr.count; ++i)
            EXPECT_NEAR(arr.sets[i]->height, r.y0 + i * r.d, 1e-9) << r.label;
    }
}

TEST(IntCurveSet, RampEntryLengthAndHeights)
{
    // Closed 10 x 10 square at height 2, ramp 15 long rising 1.
    auto c = MakeCurve({{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}}, 2);
    auto ramp = CurveRampEntry(*c, 15, 1);
    ASSERT_NE(ramp, nullptr);
    ASSERT_EQ(ramp->PointCount(), 3);
    double len = 0;
    for (int i = 0; i < ramp->PointCount(); ++i) {
        if (i)
            len += std::hypot(ramp->points[i][0] - ramp->points[i - 1][0], ramp->points[i][1] - ramp->points[i - 1][1]);
        EXPECT_NEAR(ramp->points[i][2], 2 + (1 - len / 15), 1e-12) << i;
    }
    EXPECT_NEAR(len, 15, 1e-12);
    // The curve now starts where the ramp ends and is still the closed square.
    const std::vector<P2> rest = PointsOf(*c);
    EXPECT_EQ(rest.front(), (P2{10, 5}));
    EXPECT_EQ(rest.back(), rest.front());
    EXPECT_EQ(rest.size(), 6u);
    EXPECT_EQ(CurveRampEntry(*c, 0, 1), nullptr);
}

TEST(IntCurveSet, NextZigZagLimits)
{
    // Three curves along u on the next scan line.
    const auto build = [](CIntCurveSet& set) {
        CurveSetAppend(set, MakeCurve({{0, 0}, {3, 0}}));
        CurveSetAppend(set, MakeCurve({{3.5, 0.2}, {8, 0.2}}));
        CurveSetAppend(set, MakeCurve({{4, 0}, {12, 0}}));
    };
    const struct Row {
        const char* label;
        double last[2];
        double dx, dv;
        int reverse;
        double box[4];
        double wantFirstU;  // NaN: none
    } rows[] = {
        {"nearest start fits", {3.45, 0.2}, 1, 1, 0, {-1e12, 0, 1e12, 0}, 3.5},
        {"too far in u", {20, 0}, 0.5, 1, 0, {-1e12, 0, 1e12, 0}, NAN},
        {"too far in v, neighbours too", {3.5, 1.5}, 1, 0.1, 0, {-1e12, 0, 1e12, 0}, NAN},
        {"nearest too far in v: next neighbour", {3.6, 0}, 1, 0.1, 0, {-1e12, 0, 1e12, 0}, 4},
        {"neighbour right of the box", {3.6, 0}, 1, 0.1, 0, {-1e12, 0, 11, 0}, NAN},
        {"reverse takes the end, turns it", {8.1, 0.1}, 1, 1, 1, {-1e12, 0, 1e12, 0}, 8},
    };
    for (const Row& r : rows) {
        CIntCurveSet set;
        build(set);
        const double limits[2] = {r.dx, r.dv};
        double last[2] = {r.last[0], r.last[1]}, box[4] = {r.box[0], r.box[1], r.box[2], r.box[3]};
        SIntCurve* c = CurveSetNextZigZag(set, limits, last, box, r.reverse);
        if (std::isnan(r.wantFirstU)) {
            EXPECT_EQ(c, nullptr) << r.label;
            continue;
        }
        ASSERT_NE(c, nullptr) << r.label;
        EXPECT_EQ(c->first->u, r.wantFirstU) << r.label;
        EXPECT_EQ(last[0], c->last->u) << r.label;
    }
}

TEST(IntCurveSet, RestartNearestAndSortByHeight)
{
    auto c = MakeCurve({{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}});
    const double p[2] = {4, -1};
    EXPECT_DOUBLE_EQ(CurveRestartNearest(p, *c), 1);
    EXPECT_EQ(PointsOf(*c), (std::vector<P2>{{4, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}, {4, 0}}));
    const double q[2] = {10.2, 10.1};  // at a corner: the later segment's start
    CurveRestartNearest(q, *c);
    EXPECT_EQ(PointsOf(*c).front(), (P2{10, 10}));

    CIntCurveSet set;
    for (double h : {1.0, 3.0, 2.0, 3.0})
        CurveSetAppend(set, MakeCurve({{h, 0}, {h, 1}}, h));
    SIntCurve* second3 = set.last;
    CurveSetSortByHeight(set);
    std::vector<double> hs;
    for (SIntCurve* k = set.first; k; k = k->next)
        hs.push_back(k->height);
    EXPECT_EQ(hs, (std::vector<double>{3, 3, 2, 1}));
    EXPECT_EQ(set.first, second3);
}

}  // namespace

namespace {

TEST(IntCurveSet, LoopsRoundTrip)
{
    // A square and a circle of 200 points become loops (the circle fitted with arcs) and
    // come back as points within the fitting tolerance of the originals, and the other way.
    std::vector<P2> square = {{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}};
    std::vector<P2> circle;
    for (int i = 0; i <= 200; ++i)
        circle.push_back({30 + 5 * std::cos(2 * M_PI * i / 200), 5 + 5 * std::sin(2 * M_PI * i / 200)});
    circle.back() = circle.front();
    CIntCurveSet set;
    set.height = 4;
    CurveSetAppend(set, MakeCurve(square, 4));
    CurveSetAppend(set, MakeCurve(circle, 4));
    const double tol[2] = {0.01, std::cos(10 * M_PI / 180)};
    CSmartLoop* loops = CurveSetToLoops(set, tol);
    EXPECT_EQ(set.count, 0);
    ASSERT_NE(loops, nullptr);
    CIntCurveSet back;
    back.height = 4;
    CurveSetFromLoops(back, loops);
    CSmartLoop::DeleteLoopChain(loops);
    ASSERT_EQ(back.count, 2);
    std::vector<std::vector<P2>> out;
    for (const SIntCurve* c = back.first; c; c = c->next) {
        out.push_back(PointsOf(*c));
        EXPECT_EQ(out.back().front(), out.back().back());
    }
    for (const auto& src : {square, circle}) {
        double worst = 0;
        for (const P2& p : src) {
            double d = 1e300;
            for (const auto& pl : out)
                d = std::min(d, DistToPolyline(p, pl));
            worst = std::max(worst, d);
        }
        EXPECT_LE(worst, 0.02) << src.size();
        for (const auto& pl : out) {
            if (std::fabs(pl.front()[0] - src.front()[0]) > 6)
                continue;
            for (const P2& p : pl)
                EXPECT_LE(DistToPolyline(p, src), 0.02) << src.size();
        }
    }
    // Line sections: one per pair of consecutive points.
    auto lines = CurveToSmartLines(*MakeCurve(square));
    ASSERT_NE(lines, nullptr);
    int n = 0;
    for (CSmartSect* s = lines->head; s; s = s->next)
        ++n;
    EXPECT_EQ(n, 4);
}

}  // namespace

namespace {

TEST(IntCurveSet, KinksAndSpikes)
{
    const struct Row {
        const char* label;
        void (*op)(SIntCurve&);
        std::vector<P2> in, out;
    } rows[] = {
        {"kink within 0.02 of the chord: both points go", CurveSmoothKinks,
         {{0, 0}, {1, 0.01}, {1.05, -0.01}, {2, 0}}, {{0, 0}, {2, 0}}},
        {"kink within 0.05: one midpoint", CurveSmoothKinks,
         {{0, 0}, {1, 0.04}, {1.05, -0.04}, {2, 0}}, {{0, 0}, {1.025, 0}, {2, 0}}},
        {"kink too far from the chord stays", CurveSmoothKinks,
         {{0, 0}, {1, 0.1}, {1.05, -0.1}, {2, 0}}, {{0, 0}, {1, 0.1}, {1.05, -0.1}, {2, 0}}},
        {"long middle step stays", CurveSmoothKinks,
         {{0, 0}, {0.5, 0.01}, {1.5, -0.01}, {2, 0}}, {{0, 0}, {0.5, 0.01}, {1.5, -0.01}, {2, 0}}},
        {"spike back along the path", CurveDropSpikes,
         {{0, 0}, {1, 0}, {1.5, 0.05}, {1.1, 0.01}, {3, 0}}, {{0, 0}, {1, 0}, {1.1, 0.01}, {3, 0}}},
        {"gentle bend is no spike", CurveDropSpikes,
         {{0, 0}, {1, 0}, {2, 0.2}, {3, 0.5}}, {{0, 0}, {1, 0}, {2, 0.2}, {3, 0.5}}},
        {"sharp spike", CurveDropSharpSpikes,
         {{0, 0}, {1, 0}, {3, 0.3}, {1.2, 0.1}, {4, 0}}, {{0, 0}, {1, 0}, {1.2, 0.1}, {4, 0}}},
        {"right angle is not sharp", CurveDropSharpSpikes,
         {{0, 0}, {1, 0}, {1, 1}, {2, 1}}, {{0, 0}, {1, 0}, {1, 1}, {2, 1}}},
    };
    for (const Row& r : rows) {
        auto c = MakeCurve(r.in);
        r.op(*c);
        const std::vector<P2> got = PointsOf(*c);
        ASSERT_EQ(got.size(), r.out.size()) << r.label;
        for (size_t i = 0; i < got.size(); ++i) {
            EXPECT_NEAR(got[i][0], r.out[i][0], 1e-12) << r.label;
            EXPECT_NEAR(got[i][1], r.out[i][1], 1e-12) << r.label;
        }
    }
}

TEST(IntCurveSet, NearestClosedCurveStartsWhereTheMoveDoesNotTurnBack)
{
    // Two squares; from p below the first the nearer square is taken, restarted at the
    // foot of p (the other at its corner nearest p), and its start walks on along the
    // bottom edge until the move from p turns less than 108 degrees from the arrival.
    const auto build = [](CIntCurveSet& set) {
        CurveSetAppend(set, MakeCurve({{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}}));
        CurveSetAppend(set, MakeCurve({{20, 0}, {30, 0}, {30, 10}, {20, 10}, {20, 0}}));
    };
    {
        CIntCurveSet set;
        build(set);
        double p[2] = {4, -1}, dir[2] = {0, 1};
        SIntCurve* c = CurveSetNearest(dir, 0, set, p);
        ASSERT_EQ(c, set.first);
        EXPECT_EQ(PointsOf(*c).front(), (P2{4, 0}));
        EXPECT_EQ(PointsOf(*c).back(), (P2{4, 0}));
        EXPECT_EQ(p[0], 4);
        EXPECT_EQ(dir[0], 1);  // along the bottom edge
        EXPECT_EQ(PointsOf(*set.last).front(), (P2{20, 0}));  // every curve restarted
    }
    {
        // Arriving heading right and down: going up to (4, 0) would turn back by 135
        // degrees; 0.05 steps along the edge reach 108 at the third.
        CIntCurveSet set;
        build(set);
        double p[2] = {4, -0.2}, dir[2] = {M_SQRT1_2, -M_SQRT1_2};
        SIntCurve* c = CurveSetNearest(dir, 0, set, p);
        ASSERT_EQ(c, set.first);
        const std::vector<P2> pts = PointsOf(*c);
        EXPECT_NEAR(pts.front()[0], 4.15, 1e-12);
        EXPECT_EQ(pts.front(), pts.back());
        ASSERT_EQ(pts.size(), 7u);
        EXPECT_EQ(pts[5], (P2{4, 0}));  // the old start stays a point of the edge
        EXPECT_EQ(p[0], pts.front()[0]);
    }
    CIntCurveSet set;
    build(set);
    double p[2] = {4, -5}, dir[2] = {0, 1};
    EXPECT_EQ(CurveSetNearest(dir, 2, set, p), nullptr);  // beyond max
}

TEST(IntCurveSet, AppendInsertAndConvert)
{
    auto a = MakeCurve({{2, 0}, {3, 0}});
    auto b = MakeCurve({{0, 0}, {1.995, 0}});
    CurveAppendCurve(*a, *b);
    EXPECT_EQ(a->first, nullptr);
    EXPECT_EQ(PointsOf(*b), (std::vector<P2>{{0, 0}, {1.995, 0}, {3, 0}}));
    ASSERT_EQ(CurveInsertAtLength(2.5, *b), 1);
    EXPECT_EQ(PointsOf(*b)[2], (P2{2.5, 0}));
    EXPECT_EQ(CurveInsertAtLength(9, *b), 0);
    auto pl = CurveToPolyline3D(*b, 7);
    ASSERT_NE(pl, nullptr);
    ASSERT_EQ(pl->PointCount(), 4);
    EXPECT_EQ(pl->points[3][0], 3);
    EXPECT_EQ(pl->points[3][1], 7);
    EXPECT_EQ(pl->points[3][2], 0);
    EXPECT_EQ(CurveToPolyline3D(*a, 0), nullptr);
}

}  // namespace
