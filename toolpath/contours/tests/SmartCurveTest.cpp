#include "CurveFixtures.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <string>

namespace {

using namespace curvetest;

constexpr double kPi = 3.141592653589793;

TEST(SmartCurve, AutoIntersMatchesThePlainScan)
{
    std::mt19937 rng(3);
    int withPoints = 0;
    for (int run = 0; run < 40; ++run) {
        const int n = 2 + static_cast<int>(rng() % 120);
        std::unique_ptr<CSmartCurve> c(RandomChain(rng, n, 100, run % 2 == 0));
        std::vector<CPointList> want;
        PlainAutoInters(*c, want);
        const int found = c->AutoInters(0);
        const auto s = Sects(*c);
        bool any = false;
        for (std::size_t i = 0; i < s.size(); ++i) {
            const auto got = PointsOf(s[i]), exp = PointsOf(want[i]);
            ASSERT_EQ(got.size(), exp.size()) << "run " << run << ", section " << i;
            for (std::size_t k = 0; k < got.size(); ++k)
                for (int m = 0; m < 3; ++m)
                    EXPECT_NEAR(got[k][static_cast<std::size_t>(m)], exp[k][static_cast<std::size_t>(m)], 1e-9)
                        << "run " << run << ", section " << i;
            any = any || !got.empty();
            if (s.size() >= 10) {
                EXPECT_EQ(s[i]->number, static_cast<int>(i) / 10) << "block number";
            }
        }
        EXPECT_EQ(found, any ? 1 : 0) << "run " << run;
        withPoints += any;
    }
    EXPECT_GT(withPoints, 20) << "random chains should cross";
}

// Crossings of line chains against an independent long double segment test.
TEST(SmartCurve, AutoIntersOfLineChainsFindsEveryProperCrossing)
{
    std::mt19937 rng(9);
    std::uniform_real_distribution<double> u(0, 50);
    for (int run = 0; run < 10; ++run) {
        std::vector<P> pts;
        for (int i = 0; i < 60; ++i)
            pts.push_back({u(rng), u(rng)});
        std::unique_ptr<CSmartCurve> c(Polyline(pts, false));
        c->AutoInters(0);
        std::size_t want = 0, got = 0;
        for (std::size_t i = 0; i + 1 < pts.size(); ++i)
            for (std::size_t j = i + 2; j + 1 < pts.size(); ++j) {
                using L = long double;
                auto orient = [](const P& a, const P& b, const P& q) {
                    return (L(b[0]) - a[0]) * (L(q[1]) - a[1]) - (L(b[1]) - a[1]) * (L(q[0]) - a[0]);
                };
                const L d1 = orient(pts[i], pts[i + 1], pts[j]), d2 = orient(pts[i], pts[i + 1], pts[j + 1]);
                const L d3 = orient(pts[j], pts[j + 1], pts[i]), d4 = orient(pts[j], pts[j + 1], pts[i + 1]);
                want += (d1 * d2 < 0 && d3 * d4 < 0) ? 2 : 0;  // one point on each section
            }
        for (CSmartSect* s : Sects(*c))
            got += PointsOf(s).size();
        EXPECT_EQ(got, want) << "run " << run;
    }
}

TEST(SmartCurve, JointsAreNotCrossingsButOverlapsAre)
{
    std::unique_ptr<CSmartCurve> square(Polyline({{0, 0}, {10, 0}, {10, 10}, {0, 10}}, true));
    EXPECT_EQ(square->AutoInters(0), 0) << "sides touching at their joints";
    // A closed chain of an arc and lines whose closing joint lies on the arc's circle.
    std::unique_ptr<CSmartCurve> d(new CSmartCurve);
    const double c0[2] = {0, 0};
    d->AddSect(new CSmartArc(c0, 5, 0, kPi));
    const double a[2] = {-5, 0}, b[2] = {0, -2}, e[2] = {5, 0};
    d->AddSect(new CSmartLine(a, b));
    d->AddSect(new CSmartLine(b, e));
    EXPECT_EQ(d->AutoInters(0), 0) << "no point at the closing joint";
    // Collinear overlap inside one curve: two points on each.
    std::unique_ptr<CSmartCurve> o(Polyline({{0, 0}, {10, 0}, {10, 1}, {5, 0}, {20, 0}}, false));
    EXPECT_EQ(o->AutoInters(0), 1);
    const auto s = Sects(*o);
    EXPECT_EQ(PointsOf(s[0]).size(), 2u) << "first line";
    EXPECT_EQ(PointsOf(s[3]).size(), 2u) << "overlapping line";
    std::unique_ptr<CSmartCurve> empty(new CSmartCurve);
    EXPECT_EQ(empty->AutoInters(0), 0);
}

TEST(SmartCurve, CurveCurveIntMatchesAllPairs)
{
    std::mt19937 rng(21);
    for (int run = 0; run < 20; ++run) {
        std::unique_ptr<CSmartCurve> a(RandomChain(rng, 1 + static_cast<int>(rng() % 80), 100, true));
        std::unique_ptr<CSmartCurve> b(RandomChain(rng, 1 + static_cast<int>(rng() % 80), 100, false));
        const auto sa = Sects(*a), sb = Sects(*b);
        std::vector<CPointList> wa(sa.size()), wb(sb.size());
        int any = 0;
        for (std::size_t i = 0; i < sa.size(); ++i)
            for (std::size_t j = 0; j < sb.size(); ++j) {
                if (!BoxesOverlap(0.0001, sa[i]->box, sb[j]->box))
                    continue;
                double pts[2][2];
                const int k = SectSectIntersect(sb[j], sa[i], pts);
                any |= k > 0;
                for (int m = 0; m < k; ++m) {
                    for (auto [s, l] : {std::pair{sa[i], &wa[i]}, std::pair{sb[j], &wb[j]}}) {
                        const double t = s->GetParam(pts[m]);
                        if (t >= -1e-6 && t <= 1.000001) {
                            const double q[3] = {pts[m][0], pts[m][1], t};
                            l->AddPoint(new CSmartPoint(q));
                        }
                    }
                }
            }
        EXPECT_EQ(a->CurveCurveInt(b.get()), any) << "run " << run;
        for (std::size_t i = 0; i < sa.size(); ++i)
            EXPECT_EQ(PointsOf(sa[i]), PointsOf(wa[i])) << "run " << run << ", a section " << i;
        for (std::size_t j = 0; j < sb.size(); ++j)
            EXPECT_EQ(PointsOf(sb[j]), PointsOf(wb[j])) << "run " << run << ", b section " << j;
    }
}

// Samples of a curve, 20 per section.
std::vector<P> Samples(CSmartCurve& c)
{
    std::vector<P> v;
    for (CSmartSect* s = c.head; s; s = s->next)
        for (int i = 0; i <= 20; ++i) {
            P p;
            s->GetPoint(i / 20.0, p.data());
            v.push_back(p);
        }
    return v;
}

// Distance of p from the carrier line or circle of the nearest section that holds p.
double DistToCurve(CSmartCurve& c, const P& p)
{
    double best = HUGE_VAL;
    for (CSmartSect* s = c.head; s; s = s->next) {
        if (!s->IsPointOn(p.data()))
            continue;
        double d;
        if (s->IsSectLine()) {
            auto* l = static_cast<CSmartLine*>(s);
            const double dx = l->end[0] - l->start[0], dy = l->end[1] - l->start[1];
            d = std::fabs(dx * (p[1] - l->start[1]) - dy * (p[0] - l->start[0])) / std::hypot(dx, dy);
        } else {
            auto* a = static_cast<CSmartArc*>(s);
            d = std::fabs(std::hypot(p[0] - a->centre[0], p[1] - a->centre[1]) - a->radius);
        }
        best = std::min(best, d);
    }
    return best;
}

TEST(SmartCurve, SplitsConcatenateToTheOriginal)
{
    std::mt19937 rng(33);
    for (int run = 0; run < 12; ++run) {
        std::unique_ptr<CSmartCurve> c(RandomChain(rng, 30, 100, true));
        c->AutoInters(0);
        int points = 0;
        for (CSmartSect* s : Sects(*c))
            points += static_cast<int>(PointsOf(s).size());
        std::unique_ptr<CSmartCurve> ref(c->CopyMyself());
        const double L = ref->GetLength();

        std::unique_ptr<CSmartCurve> broken(c->BreakCurve());
        ASSERT_TRUE(broken) << "run " << run;
        double sum = 0;
        int curves = 0;
        for (CSmartCurve* k = broken.get(); k; k = k->next, ++curves) {
            sum += k->GetLength();
            for (const P& p : Samples(*k))
                EXPECT_LT(DistToCurve(*ref, p), 1e-7) << "run " << run << ": piece off the curve";
            // Every curve after the first starts at an intersection point.
            if (k != broken.get()) {
                EXPECT_TRUE(k->head->mark & 0x01) << "run " << run;
            }
        }
        EXPECT_NEAR(sum, L, 1e-6) << "run " << run;
        if (points > 0) {
            EXPECT_GT(curves, 1) << "run " << run;
        }
        for (CSmartCurve* k = broken->next; k;) {
            CSmartCurve* n = k->next;
            delete k;
            k = n;
        }
        broken->next = nullptr;

        // Copies carry no points: split the original in place both ways.
        std::unique_ptr<CSmartCurve> inplace(new CSmartCurve);
        for (CSmartSect* s = c->head; s; s = s->next) {
            CSmartSect* k = s->CopyMyself();
            for (const auto& q : PointsOf(s))
                k->AddIntPt(q.data());
            inplace->AddSect(k);
        }
        const int before = c->count;
        c->AutoDepart(0);
        inplace->SelfDepart();
        for (CSmartCurve* k : {c.get(), inplace.get()}) {
            const char* how = k == c.get() ? "AutoDepart" : "SelfDepart";
            EXPECT_NEAR(k->GetLength(), L, 1e-6) << "run " << run << ' ' << how;
            EXPECT_GE(k->count, before) << how;
            for (const P& p : Samples(*k))
                EXPECT_LT(DistToCurve(*ref, p), 1e-7) << "run " << run << ' ' << how;
            // The pieces still join end to start.
            for (CSmartSect* s = k->head; s && s->next; s = s->next) {
                double e[2], b[2];
                s->GetPoint(1, e);
                s->next->GetPoint(0, b);
                EXPECT_LT(P2D_Dist(e, b), 1e-6) << "run " << run << ' ' << how;
            }
        }
        int marked = 0, splitStarts = 0;
        for (CSmartSect* s : Sects(*c))
            marked += (s->mark & 0x03) != 0;
        for (CSmartSect* s : Sects(*inplace))
            splitStarts += (s->mark & 0x04) != 0;
        if (points > 0) {
            EXPECT_GT(marked, 0) << "run " << run;
            EXPECT_GT(splitStarts, 0) << "run " << run;
        }
    }
}

TEST(SmartCurve, LineCrossingsAreThoseOfSectSectIntersect)
{
    // One line (horizontal probes among them) against random line/arc chains, touching
    // and collinear sections included: bit-equal points.
    std::mt19937 rng(23);
    std::uniform_real_distribution<double> u(-5, 35);
    int points = 0;
    for (int k = 0; k < 40; ++k) {
        std::unique_ptr<CSmartCurve> c(curvetest::RandomChain(rng, 30, 30, true));
        c->DefineBox();
        const double y = u(rng);
        double p0[2] = {-10, y}, p1[2] = {40, y};
        if (k % 3 == 1) {
            p0[1] = u(rng);
            p1[1] = u(rng);
        } else if (k % 3 == 2) {
            // Along a section of the chain: collinear overlaps.
            CSmartSect* s = c->head;
            s->GetPoint(0, p0);
            s->GetPoint(1, p1);
        }
        CSmartLine line(p0, p1);
        LineCrossings crossings(line);
        for (CSmartSect* s = c->head; s; s = s->next) {
            double a[2][2] = {{0, 0}, {0, 0}}, b[2][2] = {{0, 0}, {0, 0}};
            const int n = SectSectIntersect(&line, s, a);
            ASSERT_EQ(crossings.With(s, b), n) << "chain " << k;
            for (int i = 0; i < n; ++i) {
                EXPECT_EQ(a[i][0], b[i][0]) << "chain " << k;
                EXPECT_EQ(a[i][1], b[i][1]) << "chain " << k;
            }
            points += n;
        }
    }
    EXPECT_GT(points, 200);
}

TEST(SmartCurve, BreakCurveAtLength)
{
    std::unique_ptr<CSmartCurve> c(Polyline({{0, 0}, {10, 0}, {10, 10}}, false));
    const double c0[2] = {10, 15};
    c->AddSect(new CSmartArc(c0, 5, -kPi / 2, kPi / 2));
    const double L = c->GetLength();
    struct Row {
        double len;
        bool first, second;
    };
    for (const Row& r : {Row{0, false, true}, Row{L, true, false}, Row{4, true, true}, Row{10, true, true},
                         Row{L - 3, true, true}}) {
        CSmartCurve *a = nullptr, *b = nullptr;
        EXPECT_EQ(c->BreakCurveAt(r.len, a, b), 1);
        std::unique_ptr<CSmartCurve> ua(a), ub(b);
        ASSERT_EQ(a != nullptr, r.first) << "len " << r.len;
        ASSERT_EQ(b != nullptr, r.second) << "len " << r.len;
        EXPECT_NEAR((a ? a->GetLength() : 0), std::min(r.len, L), 1e-9) << "len " << r.len;
        EXPECT_NEAR((a ? a->GetLength() : 0) + (b ? b->GetLength() : 0), L, 1e-9) << "len " << r.len;
    }
}

// Winding number of a dense polygon (a crossing-number oracle with exact sides).
int Winding(const std::vector<P>& poly, const P& q)
{
    int w = 0;
    for (std::size_t i = 0; i < poly.size(); ++i) {
        const P& a = poly[i];
        const P& b = poly[(i + 1) % poly.size()];
        const double cr = (b[0] - a[0]) * (q[1] - a[1]) - (b[1] - a[1]) * (q[0] - a[0]);
        if (a[1] <= q[1] && b[1] > q[1] && cr > 0)
            ++w;
        else if (a[1] > q[1] && b[1] <= q[1] && cr < 0)
            --w;
    }
    return w;
}

TEST(SmartCurve, IsPointOnAgreesWithWindingNumbers)
{
    struct Row {
        const char* label;
        std::vector<P> pts;
    };
    const Row rows[] = {
        {"square", {{0, 0}, {10, 0}, {10, 10}, {0, 10}}},
        {"comb with horizontal teeth", {{0, 0}, {12, 0}, {12, 8}, {10, 8}, {10, 2}, {8, 2}, {8, 8}, {6, 8}, {6, 2}, {4, 2}, {4, 8}, {0, 8}}},
        {"near-horizontal edges", {{0, 0}, {10, 0.0005}, {10, 5}, {5, 5.001}, {0, 5}}},
        {"island (clockwise)", {{0, 0}, {0, 10}, {10, 10}, {10, 0}}},
        {"star", {{5, 0}, {6, 4}, {10, 4}, {7, 6}, {8, 10}, {5, 7}, {2, 10}, {3, 6}, {0, 4}, {4, 4}}},
    };
    for (const Row& r : rows) {
        std::unique_ptr<CSmartCurve> c(Polyline(r.pts, true));
        c->DefineBox();
        int checked = 0;
        for (double y = -1.05; y <= 11; y += 0.37)
            for (double x = -1.03; x <= 13; x += 0.41) {
                const P q{x, y};
                double foot[2], d;
                c->MinDistSect(q.data(), foot, d);
                if (d < 0.002)
                    continue;
                EXPECT_EQ(c->IsPointOn(q.data()), Winding(r.pts, q) != 0 ? 1 : 0) << r.label << " at " << x << ", " << y;
                ++checked;
            }
        EXPECT_GT(checked, 300) << r.label;
        for (std::size_t i = 0; i < r.pts.size(); ++i) {
            const P& a = r.pts[i];
            const P& b = r.pts[(i + 1) % r.pts.size()];
            EXPECT_EQ(c->IsPointOn(a.data()), 2) << r.label << ": vertex " << i << " at " << a[0] << ", " << a[1];
            const P m{(a[0] + b[0]) / 2, (a[1] + b[1]) / 2};
            EXPECT_EQ(c->IsPointOn(m.data()), 2) << r.label << ": edge midpoint " << i;
        }
    }
    // A disc made of one full circle and of two half arcs.
    std::unique_ptr<CSmartCurve> disc(new CSmartCurve);
    const double o[2] = {0, 0};
    disc->AddSect(new CSmartArc(o, 4, 0, kPi));
    disc->AddSect(new CSmartArc(o, 4, kPi, 2 * kPi));
    disc->DefineBox();
    for (double y = -5; y <= 5; y += 0.31)
        for (double x = -5; x <= 5; x += 0.29) {
            const double q[2] = {x, y}, r = std::hypot(x, y);
            if (std::fabs(r - 4) < 0.01)
                continue;
            EXPECT_EQ(disc->IsPointOn(q), r < 4 ? 1 : 0) << "disc at " << x << ", " << y;
        }
    const double top[2] = {0, 4};
    EXPECT_EQ(disc->IsPointOn(top), 2);
}

TEST(SmartCurve, CalcAreaIsTheShoelaceOfItsChords)
{
    std::mt19937 rng(77);
    for (int run = 0; run < 10; ++run) {
        std::unique_ptr<CSmartCurve> c(RandomChain(rng, 25, 80, true));
        // Independent shoelace of the chords the area uses: line ends, arcs at i / n.
        long double sum = 0;
        for (CSmartSect* s = c->head; s; s = s->next) {
            int n = 1;
            if (s->IsSectArc()) {
                auto* a = static_cast<CSmartArc*>(s);
                const double r = std::fabs(a->radius);
                const double step = std::max(2 * std::acos((r - std::min(0.01, r)) / r), 0.005);
                n = std::min(static_cast<int>(std::fabs(a->endAngle - a->startAngle) / step) + 1, 49);
            }
            for (int i = 0; i < n; ++i) {
                double p[2], q[2];
                s->GetPoint(static_cast<double>(i) / n, p);
                s->GetPoint(static_cast<double>(i + 1) / n, q);
                sum += static_cast<long double>(p[0]) * q[1] - static_cast<long double>(q[0]) * p[1];
            }
        }
        EXPECT_NEAR(c->CalcArea(), static_cast<double>(sum), 1e-6 * std::fabs(static_cast<double>(sum)) + 1e-9) << "run " << run;
    }
    std::unique_ptr<CSmartCurve> sq(Polyline({{0, 0}, {3, 0}, {3, 2}, {0, 2}}, true));
    EXPECT_DOUBLE_EQ(sq->CalcArea(), 12) << "twice the area, counter-clockwise positive";
    sq->Reverse();
    EXPECT_DOUBLE_EQ(sq->CalcArea(), -12);
}

TEST(SmartCurve, ConnectAllSectClosesGapsKeepingEndsAndSense)
{
    // Two arcs of one circle with a gap at each joint, and a line.
    std::unique_ptr<CSmartCurve> c(new CSmartCurve);
    const double o[2] = {0, 0};
    c->AddSect(new CSmartArc(o, 10, 0.0, 1.5));
    c->AddSect(new CSmartArc(o, 10, 1.52, 3.1));
    const double a[2] = {-10, 0.5}, b[2] = {10, 0.01};
    c->AddSect(new CSmartLine(a, b));
    double fixedStart[2], fixedEnd[2];
    c->head->GetPoint(0, fixedStart);
    c->head->next->GetPoint(1, fixedEnd);
    ASSERT_EQ(c->ConnectAllSect(), 1);
    for (CSmartSect* s = c->head; s; s = s->next) {
        double e[2], n[2];
        s->GetPoint(1, e);
        (s->next ? s->next : c->head)->GetPoint(0, n);
        EXPECT_LT(P2D_Dist(e, n), 1e-9) << "joint after section " << s->index;
    }
    double p[2];
    c->head->GetPoint(0, p);
    EXPECT_LT(P2D_Dist(p, fixedStart), 1e-9) << "first arc keeps its start (the line's end moved)";
    c->head->next->GetPoint(1, p);
    EXPECT_LT(P2D_Dist(p, fixedEnd), 1e-9) << "second arc keeps its end";
    EXPECT_TRUE(static_cast<CSmartArc*>(c->head)->IsCounterClockwise());
    EXPECT_TRUE(static_cast<CSmartArc*>(c->head->next)->IsCounterClockwise());

    CSmartArc arc(o, 5, 0, 1);
    double s0[2];
    arc.GetPoint(0, s0);
    const double m[2] = {5 * std::cos(1.2), 5 * std::sin(1.2) + 0.1};
    ASSERT_EQ(BendArcEnd(&arc, m, 1), 1);
    double e[2], s1[2];
    arc.GetPoint(0, s1);
    arc.GetPoint(1, e);
    EXPECT_LT(P2D_Dist(s0, s1), 1e-9) << "start kept";
    EXPECT_LT(P2D_Dist(e, m), 1e-9) << "end at m";
    EXPECT_NEAR(arc.radius, 5, 1e-12) << "radius kept where the chord allows";
    EXPECT_TRUE(arc.IsCounterClockwise());

    std::unique_ptr<CSmartCurve> ring(new CSmartCurve);
    ring->AddSect(new CSmartArc(o, 2, 0.1, 0.1 + 6.2));
    ring->ConnectAllSect();
    auto* r = static_cast<CSmartArc*>(ring->head);
    EXPECT_NEAR(r->endAngle - r->startAngle, 2 * kPi, 1e-15) << "an almost full lone arc becomes a circle";
}

TEST(SmartCurve, CentreDumpAndChainQueries)
{
    std::vector<P> hex;
    for (int i = 0; i < 6; ++i)
        hex.push_back({3 + 2 * std::cos(i * kPi / 3), 1 + 2 * std::sin(i * kPi / 3)});
    std::unique_ptr<CSmartCurve> h(Polyline(hex, true));
    double c[2], r;
    EXPECT_EQ(h->GetCenter(c, r), 1) << "regular hexagon";
    EXPECT_NEAR(c[0], 3, 1e-12);
    EXPECT_NEAR(r, 2, 1e-12);
    std::unique_ptr<CSmartCurve> rect(Polyline({{0, 0}, {4, 0}, {4, 2}, {0, 2}}, true));
    EXPECT_EQ(rect->GetCenter(c, r), 0) << "rectangle";
    EXPECT_NEAR(c[0], 2, 1e-12);
    EXPECT_NEAR(c[1], 1, 1e-12);
    EXPECT_NEAR(r, std::sqrt(5.0), 1e-12);
    std::unique_ptr<CSmartCurve> one(Polyline({{0, 0}, {4, 0}}, false));
    c[0] = 99;
    EXPECT_EQ(one->GetCenter(c, r), 0);
    EXPECT_EQ(c[0], 99) << "a single line writes nothing";

    const std::string path = ::testing::TempDir() + "smartcurve_dump.txt";
    std::unique_ptr<CSmartCurve> two(new CSmartCurve);
    const double a[2] = {0, 0}, b[2] = {1.5, 2}, o[2] = {1.5, 0};
    two->AddSect(new CSmartLine(a, b));
    two->AddSect(new CSmartArc(o, 2, kPi / 2, 0));
    two->DumpToFile(path.c_str());
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(),
              "T0=1 St( 0.000000 0.000000), Ed(1.500000 2.000000) \n"
              "T1=0 St( 1.500000 2.000000), Ed(3.500000 0.000000) \n\n\n");
    std::remove(path.c_str());
    two->DumpToFile("/nonexistent-dir/x.txt");  // nothing happens

    EXPECT_EQ(two->IsClosed(), 0);
    double y;
    EXPECT_EQ(two->GetYFromX(0.75, y), 1);
    EXPECT_NEAR(y, 1, 1e-12);
    EXPECT_EQ(two->GetYFromX(-1, y), 0);
    EXPECT_EQ(y, 0);
    two->SetStartSect(two->tail);
    EXPECT_TRUE(two->head->IsSectArc());
    EXPECT_EQ(two->tail->next, nullptr);
    EXPECT_EQ(two->count, 2);
}

}  // namespace
