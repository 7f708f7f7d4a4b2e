// Curve clean-up: tiny sections, collinear lines, chords of arcs, point-string fitting and
// the travel order of curves.
#include "CurveFixtures.h"

#include "testing/Shorelines.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

using namespace curvetest;

constexpr double kPi = 3.141592653589793;

// Distance of p from the section (its nearest point).
double DistTo(CSmartSect* s, const double* p)
{
    double f[2];
    return s->MinDistPoint(p, f);
}

double DistTo(CSmartCurve& c, const double* p)
{
    double d = 1e300;
    for (CSmartSect* s = c.head; s; s = s->next)
        d = std::min(d, DistTo(s, p));
    return d;
}

TEST(CurveCleanup, RefineCurveRows)
{
    // A closed curve made only of tiny sections: no crash, no use of a deleted section.
    std::vector<P> tiny;
    for (int i = 0; i < 12; ++i)
        tiny.push_back({0.001 * std::cos(i * kPi / 6), 0.001 * std::sin(i * kPi / 6)});
    std::unique_ptr<CSmartCurve> c(Polyline(tiny, true));
    c->DefineBox();
    c->RefineCurve();
    EXPECT_GE(c->count, 1);
    EXPECT_LE(c->count, 12);

    // Open curve: a tiny first and last section stay; a tiny inner one between lines goes,
    // its neighbours meeting at its middle.
    std::unique_ptr<CSmartCurve> o(Polyline({{0, 0}, {0.001, 0}, {5, 0}, {5.002, 0.001}, {5.002, 5}, {5.003, 5}}, false));
    o->DefineBox();
    o->RefineCurve();
    ASSERT_EQ(o->count, 4);
    EXPECT_LT(o->head->box[2] - o->head->box[0], 0.005) << "tiny first section kept";
    auto* second = static_cast<CSmartLine*>(o->head->next);
    auto* third = static_cast<CSmartLine*>(second->next);
    EXPECT_NEAR(second->end[0], 5.001, 1e-12);
    EXPECT_NEAR(third->start[1], 0.0005, 1e-12);

    // Closed curve: the tiny head is absorbed across the closing joint.
    std::unique_ptr<CSmartCurve> k(Polyline({{0, 0}, {0.002, 0}, {5, 0}, {5, 5}, {0, 5}}, true));
    k->DefineBox();
    k->RefineCurve();
    EXPECT_EQ(k->count, 4);
    EXPECT_TRUE(k->IsClosed());
}

TEST(CurveCleanup, LinearCurveMergesOncePerPass)
{
    std::unique_ptr<CSmartCurve> c(Polyline({{0, 0}, {1, 0}, {2, 0}, {3, 0}}, false));
    c->LinearCurve(0.01);
    ASSERT_EQ(c->count, 2) << "three collinear lines: the first two merge, the third stays";
    EXPECT_EQ(static_cast<CSmartLine*>(c->head)->end[0], 2);
    c->LinearCurve(0.01);
    EXPECT_EQ(c->count, 1) << "the next pass merges the rest";

    std::unique_ptr<CSmartCurve> bent(Polyline({{0, 0}, {1, 0}, {2, 0.5}}, false));
    bent->LinearCurve(0.01);
    EXPECT_EQ(bent->count, 2) << "joint farther than tol from the chord";
    std::unique_ptr<CSmartCurve> kept(Polyline({{0, 0}, {1, 0}, {2, 0}}, false));
    kept->head->mark = 0x20;
    kept->LinearCurve(0.01);
    EXPECT_EQ(kept->count, 2) << "mark 0x20";
}

TEST(CurveCleanup, DiscreteCurveWithinTolerance)
{
    std::mt19937 rng(5);
    for (int run = 0; run < 20; ++run) {
        std::unique_ptr<CSmartCurve> c(RandomChain(rng, 8, 50, run % 2 == 0));
        std::unique_ptr<CSmartCurve> original(c->CopyMyself());
        const bool closed = c->IsClosed() != 0;
        c->DiscreteCurve(0.01);
        for (CSmartSect* s = c->head; s; s = s->next) {
            ASSERT_TRUE(s->IsSectLine()) << "run " << run;
            if (s->prev) {
                double a[2], b[2];
                s->prev->GetPoint(1, a);
                s->GetPoint(0, b);
                EXPECT_LT(P2D_Dist(a, b), 1e-9) << "run " << run << ": chained";
            }
            // Chord error: the chord's middle lies within tol of the original.
            double m[2];
            s->GetPoint(0.5, m);
            EXPECT_LT(DistTo(*original, m), 0.0101) << "run " << run;
        }
        EXPECT_EQ(c->IsClosed() != 0, closed) << "run " << run;
    }
}

// Arcs of known circles and straight runs, sampled with noise below tol: the arcs' centres
// and radii within tol, every point and chord midpoint within tol[0] of the result.
TEST(CurveCleanup, AddPointArrayFitsLinesAndArcs)
{
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> noise(-0.001, 0.001);
    const double tol[2] = {0.01, 0.9};
    {
        double pts[5][2];
        for (int i = 0; i < 5; ++i) {
            pts[i][0] = 2 * std::cos(i * 0.3);
            pts[i][1] = 2 * std::sin(i * 0.3);
        }
        CSmartCurve c;
        EXPECT_EQ(c.AddPointArray(pts, 4, tol, nullptr), 1);
        ASSERT_EQ(c.count, 1) << "five points on a circle of radius 2: one arc";
        ASSERT_TRUE(c.head->IsSectArc());
        EXPECT_NEAR(static_cast<CSmartArc*>(c.head)->radius, 2, 1e-9);
    }
    {
        double pts[7][2];
        for (int i = 0; i < 7; ++i) {
            pts[i][0] = i * 0.7;
            pts[i][1] = 0.5 * i * 0.7;
        }
        CSmartCurve c;
        c.AddPointArray(pts, 6, tol, nullptr);
        ASSERT_EQ(c.count, 1) << "a straight string: one line";
        EXPECT_TRUE(c.head->IsSectLine());
    }
    {
        double pts[3][2] = {{0, 0}, {1, 0.3}, {2, 0}};
        CSmartCurve c;
        c.AddPointArray(pts, 2, tol, nullptr);
        EXPECT_EQ(c.count, 2) << "a two-chord tail: two lines";
    }
    for (int run = 0; run < 30; ++run) {
        // An arc, a right-angle corner, a straight run.
        std::vector<P> v;
        const double r = 3 + run % 5, a0 = 0.2 * run;
        const P ctr{10.0 * run, -4.0};
        // Chords fine enough that their midpoints (sag below 0.003) pass tol[0] too.
        for (int i = 0; i <= 30; ++i)
            v.push_back({ctr[0] + r * std::cos(a0 + i * 0.05) + noise(rng), ctr[1] + r * std::sin(a0 + i * 0.05) + noise(rng)});
        const P corner = v.back();
        const double dir = a0 + 30 * 0.05 + kPi / 2 + kPi / 2;  // turn right by 90 degrees from the tangent
        for (int i = 1; i <= 6; ++i)
            v.push_back({corner[0] + 0.8 * i * std::cos(dir) + noise(rng), corner[1] + 0.8 * i * std::sin(dir) + noise(rng)});
        const std::vector<P> input = v;
        std::vector<std::array<double, 2>> mids;
        for (std::size_t i = 0; i + 1 < v.size(); ++i)
            mids.push_back({(v[i][0] + v[i + 1][0]) / 2, (v[i][1] + v[i + 1][1]) / 2});
        CSmartCurve c;
        const int n = static_cast<int>(v.size()) - 1;
        ASSERT_EQ(c.AddPointArray(reinterpret_cast<double(*)[2]>(v.data()), n, tol,
                                  reinterpret_cast<double(*)[2]>(mids.data())),
                  1);
        for (const P& p : input)
            EXPECT_LT(DistTo(c, p.data()), tol[0] + 1e-9) << "run " << run << ": point within tol[0]";
        bool sawArc = false;
        for (CSmartSect* s = c.head; s; s = s->next) {
            if (!s->IsSectArc())
                continue;
            auto* a = static_cast<CSmartArc*>(s);
            // The noisy straight run may come back as an arc of huge radius (within tol of
            // the line): only the arcs of the circle are compared with it.
            if (a->radius > 10 * r)
                continue;
            sawArc = true;
            EXPECT_NEAR(a->radius, r, 0.01 * r + tol[0]) << "run " << run;
            EXPECT_LT(std::hypot(a->centre[0] - ctr[0], a->centre[1] - ctr[1]), 0.01 * r + tol[0]) << "run " << run;
        }
        EXPECT_TRUE(sawArc) << "run " << run;
        // The corner breaks the run: some section ends at the corner point.
        bool broken = false;
        for (CSmartSect* s = c.head; s; s = s->next) {
            double e[2];
            s->GetPoint(1, e);
            broken = broken || std::hypot(e[0] - corner[0], e[1] - corner[1]) < 1e-9;
        }
        EXPECT_TRUE(broken) << "run " << run << ": the run breaks at the corner";
    }
    CSmartCurve none;
    EXPECT_EQ(none.AddPointArray(nullptr, 3, tol, nullptr), 0);
    double one[2][2] = {{0, 0}, {1, 1}};
    EXPECT_EQ(none.AddPointArray(one, 0, tol, nullptr), 0);
    EXPECT_EQ(none.AddPointArray(one, 1, tol, nullptr), 1);
    EXPECT_EQ(none.count, 1);
}

TEST(CurveCleanup, AddPointArrayOnShorelines)
{
    const double tol[2] = {0.05, 0.8};
    int arcs = 0;
    for (const auto& loop : shorelines::Read("aegean_islands")) {
        std::vector<P> v = loop;
        v.push_back(loop.front());
        CSmartCurve c;
        c.AddPointArray(reinterpret_cast<double(*)[2]>(v.data()), static_cast<int>(v.size()) - 1, tol, nullptr);
        for (const P& p : loop)
            ASSERT_LT(DistTo(c, p.data()), tol[0] + 1e-9) << "shoreline vertex (" << p[0] << ", " << p[1] << ")";
        for (CSmartSect* s = c.head; s; s = s->next)
            arcs += s->IsSectArc() ? 1 : 0;
    }
    EXPECT_GT(arcs, 10);
}

// The Part's rule as it reads: all pairs of groups, four end pairs, strictly smaller wins.
std::vector<int> PlainResort(const std::vector<std::array<P, 2>>& ends, bool& tie)
{
    struct Group {
        std::vector<int> items;
        P s, e;
    };
    std::vector<Group> g;
    for (std::size_t i = 0; i < ends.size(); ++i)
        g.push_back({{static_cast<int>(i)}, ends[i][0], ends[i][1]});
    tie = false;
    while (g.size() > 1) {
        double best = 1e12;
        std::size_t bi = 0, bj = 0;
        int be = 0;
        for (std::size_t i = 0; i < g.size(); ++i)
            for (std::size_t j = i + 1; j < g.size(); ++j) {
                const P* a[4] = {&g[i].s, &g[i].s, &g[i].e, &g[i].e};
                const P* b[4] = {&g[j].s, &g[j].e, &g[j].s, &g[j].e};
                for (int k = 0; k < 4; ++k) {
                    const double d = std::hypot((*a[k])[0] - (*b[k])[0], (*a[k])[1] - (*b[k])[1]);
                    if (d == best)
                        tie = true;
                    if (d < best) {
                        best = d;
                        bi = i;
                        bj = j;
                        be = k;
                    }
                }
            }
        if (be < 2) {
            std::reverse(g[bi].items.begin(), g[bi].items.end());
            std::swap(g[bi].s, g[bi].e);
        }
        if (be % 2 == 1) {
            std::reverse(g[bj].items.begin(), g[bj].items.end());
            std::swap(g[bj].s, g[bj].e);
        }
        g[bi].items.insert(g[bi].items.end(), g[bj].items.begin(), g[bj].items.end());
        g[bi].e = g[bj].e;
        g[bj] = g.back();
        g.pop_back();
    }
    return g.front().items;
}

TEST(CurveCleanup, ResortCurvesMatchesThePlainRule)
{
    std::mt19937 rng(3);
    int compared = 0;
    for (int run = 0; run < 60; ++run) {
        const int n = 3 + static_cast<int>(rng() % (run % 5 == 0 ? 200 : 25));
        std::uniform_real_distribution<double> u(0, 100);
        std::vector<CSmartCurve*> curves;
        std::vector<std::array<P, 2>> ends;
        for (int i = 0; i < n; ++i) {
            const P a{u(rng), u(rng)}, b{a[0] + u(rng) / 10, a[1] + u(rng) / 10};
            curves.push_back(Polyline({a, b}, false));
            ends.push_back({a, b});
        }
        for (int i = 0; i + 1 < n; ++i)
            curves[static_cast<std::size_t>(i)]->next = curves[static_cast<std::size_t>(i) + 1];
        CSmartCurve* head = CSmartCurve::ResortCurves(curves.front());
        std::vector<CSmartCurve*> got;
        for (CSmartCurve* c = head; c; c = c->next)
            got.push_back(c);
        ASSERT_EQ(static_cast<int>(got.size()), n) << "run " << run;
        bool tie = false;
        const std::vector<int> want = PlainResort(ends, tie);
        if (!tie) {
            ++compared;
            for (int i = 0; i < n; ++i)
                ASSERT_EQ(got[static_cast<std::size_t>(i)], curves[static_cast<std::size_t>(want[static_cast<std::size_t>(i)])])
                    << "run " << run << ", position " << i;
        }
        for (CSmartCurve* c : curves) {
            EXPECT_TRUE(c->head->IsSectLine());
            delete c;
        }
    }
    EXPECT_GT(compared, 40);
    std::unique_ptr<CSmartCurve> a(Polyline({{5, 5}, {6, 6}}, false)), b(Polyline({{0, 0}, {1, 1}}, false));
    a->next = b.get();
    EXPECT_EQ(CSmartCurve::ResortCurves(a.get()), a.get()) << "two curves: unchanged";
    EXPECT_EQ(a->next, b.get());
    EXPECT_EQ(CSmartCurve::ResortCurves(nullptr), nullptr);
}

}  // namespace
