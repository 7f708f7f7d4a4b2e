// The loop Booleans' searches against plain scans: the section crossings of one box sweep
// against ContourContourInt of every loop pair, and the loops a point index offers against
// every loop whose widened box holds the point; the regrouping of loops that lie apart
// against the full weld.
#include "OffsetOracle.h"

#include "toolpath/contours/LoopChain.h"
#include "toolpath/contours/SectIntersect.h"

#include <gtest/gtest.h>

#include <array>
#include <numbers>
#include <random>
#include <vector>

namespace {

using offsettest::Pocket;
using smart::ChainToVector;
using smart::LinkChain;
using smart::TakeChain;

std::vector<CSmartLoop*> RandomLoops(std::mt19937& rng, int n)
{
    std::uniform_real_distribution<double> u(0, 120);
    std::vector<CSmartLoop*> loops;
    for (int i = 0; i < n; ++i) {
        Pocket k = offsettest::RandomPocket(rng, 6 + i % 9, i % 3);
        for (auto& p : k.outer)
            p = {p[0] + u(rng), p[1] + u(rng) * 0.3};
        CSmartLoop* L = offsettest::PocketLoop(k);
        // Islands stay where the pocket put them; moving the outer makes them cross it.
        loops.push_back(L);
    }
    return loops;
}

std::vector<std::array<double, 3>> AllPoints(CSmartLoop* L)
{
    std::vector<std::array<double, 3>> v;
    for (CSmartLoop* x = L; x; x = x == L ? L->islands : x->next)
        for (CSmartSect* s = x->contour->head; s; s = s->next) {
            v.push_back({-1, -1, -1});
            if (s->points)
                for (CSmartPoint* p = s->points->head; p; p = p->next)
                    v.push_back({p->x, p->y, p->t});
        }
    return v;
}

TEST(LoopIndex, SweepFindsThePlainPairsCrossings)
{
    // Loops admitted by a rule, and by groups: two runs (the operands of a Boolean) and
    // groups that interleave.
    const auto parity = [](int i, int j) { return (i + j) % 2 == 1; };
    const auto runs = [](int i) { return i < 5 ? 0 : 1; };
    const auto thirds = [](int i) { return i % 3; };
    for (int variant = 0; variant < 3; ++variant) {
        std::mt19937 rng(3);
        int points = 0;
        for (int round = 0; round < 6; ++round) {
            std::vector<CSmartLoop*> a = RandomLoops(rng, 12), b;
            for (CSmartLoop* L : a)
                b.push_back(L->CopyContour());
            std::vector<int> group;
            for (int i = 0; i < static_cast<int>(a.size()); ++i)
                group.push_back(variant == 1 ? runs(i) : thirds(i));
            const auto admit = [&](int i, int j) {
                return variant == 0 ? parity(i, j) : group[static_cast<std::size_t>(i)] != group[static_cast<std::size_t>(j)];
            };
            if (variant == 0)
                smart::CrossLoops(a, parity);
            else
                smart::CrossLoops(a, group);
            for (std::size_t i = 0; i < b.size(); ++i)
                for (std::size_t j = i + 1; j < b.size(); ++j)
                    if (admit(static_cast<int>(i), static_cast<int>(j)))
                        b[i]->ContourContourInt(b[j]);
            for (std::size_t i = 0; i < a.size(); ++i) {
                const auto pa = AllPoints(a[i]), pb = AllPoints(b[i]);
                ASSERT_EQ(pa.size(), pb.size()) << "variant " << variant << " round " << round << " loop " << i;
                for (std::size_t k = 0; k < pa.size(); ++k)
                    for (int c = 0; c < 3; ++c)
                        ASSERT_NEAR(pa[k][static_cast<std::size_t>(c)], pb[k][static_cast<std::size_t>(c)], 1e-9)
                            << "variant " << variant << " round " << round << " loop " << i;
                points += static_cast<int>(pa.size());
            }
            for (CSmartLoop* L : a)
                delete L;
            for (CSmartLoop* L : b)
                delete L;
        }
        EXPECT_GT(points, 1000) << "variant " << variant;
    }
}

TEST(LoopIndex, PointIndexOffersEveryLoopWhoseBoxHoldsThePoint)
{
    std::mt19937 rng(4);
    std::vector<CSmartLoop*> loops = RandomLoops(rng, 40);
    smart::LoopPointIndex index(loops, 0.01);
    std::uniform_real_distribution<double> u(-50, 170);
    int offered = 0;
    for (int k = 0; k < 5000; ++k) {
        const double p[2] = {u(rng), u(rng) * 0.5};
        std::vector<int> plain;
        for (std::size_t i = 0; i < loops.size(); ++i) {
            const CSmartLoop& L = *loops[i];
            if (p[0] >= L.box[0][0] - 0.01 && p[0] <= L.box[1][0] + 0.01 && p[1] >= L.box[0][1] - 0.01 &&
                p[1] <= L.box[1][1] + 0.01)
                plain.push_back(static_cast<int>(i));
        }
        ASSERT_EQ(index.At(p), plain) << p[0] << ", " << p[1];
        offered += static_cast<int>(plain.size());
    }
    EXPECT_GT(offered, 1000);
    for (CSmartLoop* L : loops)
        delete L;
}

// A loop on a full circle split into `parts` arcs from angle a0, clockwise when `cw`.
CSmartLoop* CircleLoop(double x, double y, double r, double a0, int parts, bool cw)
{
    auto* c = new CSmartCurve;
    const double step = 2 * std::numbers::pi / parts * (cw ? -1 : 1);
    const double centre[2] = {x, y};
    for (int i = 0; i < parts; ++i)
        c->AddSect(new CSmartArc(centre, r, a0 + i * step, a0 + (i + 1) * step));
    auto* L = new CSmartLoop;
    delete L->UpdateSect(c);
    return L;
}

CSmartLoop* SquareLoop(double x0, double y0, double x1, double y1, bool cw)
{
    std::vector<looptest::P> q = {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
    if (cw)
        std::reverse(q.begin(), q.end());
    return looptest::PolygonLoop(q);
}

// Regions of one list that lie apart although their boxes overlap: a comb whose gaps hold
// discs, framed squares with round holes and discs inside those holes; discs inside the
// comb's teeth (holes once built), loops given either way round, circles starting
// anywhere.
std::vector<CSmartLoop*> ApartRegions(std::mt19937& rng)
{
    std::uniform_real_distribution<double> u(0, 1);
    const int teeth = 3 + static_cast<int>(u(rng) * 5);
    std::vector<looptest::P> comb = {{0, 0}, {teeth * 20.0, 0}};
    for (int k = teeth - 1; k >= 0; --k) {
        const double x = k * 20.0;
        comb.push_back({x + 10, 60 + u(rng) * 20});
        comb.push_back({x, 60 + u(rng) * 20});
        if (k > 0) {
            comb.push_back({x, 10});
            comb.push_back({x - 10, 10});
        }
    }
    std::vector<CSmartLoop*> loops;
    loops.push_back(looptest::PolygonLoop(comb));
    for (int k = 0; k < teeth; ++k) {
        const double x = k * 20.0;
        const bool cw = u(rng) < 0.3;
        if (u(rng) < 0.5)  // a disc in the tooth: a hole once built
            loops.push_back(CircleLoop(x + 5, 30 + u(rng) * 20, 2 + u(rng) * 2, u(rng) * 6, 1 + k % 3, cw));
        if (k + 1 == teeth)
            continue;
        const double gx = x + 10;  // the gap between this tooth and the next
        const double kind = u(rng);
        if (kind < 0.3) {
            loops.push_back(CircleLoop(gx + 5, 20 + u(rng) * 40, 1 + u(rng) * 3, u(rng) * 6, 1 + k % 2, cw));
        } else if (kind < 0.8) {
            const double y = 15 + u(rng) * 30;
            CSmartLoop* frame = SquareLoop(gx + 0.5, y, gx + 9.5, y + 9, false);
            CSmartLoop* hole = CircleLoop(gx + 5, y + 4.5, 3.5, u(rng) * 6, 2, true);
            frame->AddIsland(hole);
            loops.push_back(frame);
            if (u(rng) < 0.6)  // a region inside the hole
                loops.push_back(CircleLoop(gx + 5, y + 4.5, 1 + u(rng), u(rng) * 6, 1, cw));
        }
    }
    std::shuffle(loops.begin(), loops.end(), rng);
    return loops;
}

std::vector<CSmartLoop*> Built(const std::vector<CSmartLoop*>& loops)
{
    std::vector<CSmartLoop*> copies;
    for (CSmartLoop* L : loops)
        copies.push_back(L->CopyLoop());
    return TakeChain(CSmartLoop::BuildContour(LinkChain(copies)));
}

void ExpectSameLoop(CSmartLoop* a, CSmartLoop* b)
{
    ASSERT_EQ(a->area, b->area);
    ASSERT_EQ(a->contour->count, b->contour->count);
    for (int k = 0; k < 2; ++k) {
        ASSERT_EQ(a->box[0][k], b->box[0][k]);
        ASSERT_EQ(a->box[1][k], b->box[1][k]);
    }
    for (CSmartSect *s = a->contour->head, *t = b->contour->head; s; s = s->next, t = t->next) {
        ASSERT_EQ(s->type, t->type);
        ASSERT_EQ(s->mark, t->mark);
        for (int k = 0; k < 4; ++k)
            ASSERT_EQ(s->box[k], t->box[k]);
        double p[2], q[2];
        for (double at : {0.0, 0.5, 1.0}) {
            s->GetPoint(at, p);
            t->GetPoint(at, q);
            ASSERT_EQ(p[0], q[0]);
            ASSERT_EQ(p[1], q[1]);
        }
    }
}

// Inside the regions: inside a top-level loop and none of its islands.
bool InRegions(CSmartLoop* chain, const double* p)
{
    for (CSmartLoop* L = chain; L; L = L->next)
        if (L->IsPointIn(p) == 1) {
            bool hole = false;
            for (CSmartLoop* i = L->islands; i; i = i->next)
                hole = hole || i->IsPointIn(p) == 1;
            if (!hole)
                return true;
        }
    return false;
}

TEST(LoopIndex, LoopsApartRegroupAsTheWeldWould)
{
    std::mt19937 rng(7);
    int islands = 0, tops = 0;
    for (int round = 0; round < 30; ++round) {
        std::vector<CSmartLoop*> input = ApartRegions(rng);
        std::vector<CSmartLoop*> direct = Built(input), welded = Built(input);
        ASSERT_FALSE(smart::LoopsMeet(direct)) << "round " << round;
        CSmartLoop* a = smart::WeldApartRegions(direct);
        CSmartLoop* b = CSmartLoop::WeldContours(LinkChain(welded));
        // Same loops in the same order with the same start sections, islands likewise.
        std::vector<CSmartLoop*> la = ChainToVector(a), lb = ChainToVector(b);
        ASSERT_EQ(la.size(), lb.size()) << "round " << round;
        for (std::size_t k = 0; k < la.size(); ++k) {
            ExpectSameLoop(la[k], lb[k]);
            std::vector<CSmartLoop*> ia = ChainToVector(la[k]->islands), ib = ChainToVector(lb[k]->islands);
            ASSERT_EQ(ia.size(), ib.size()) << "round " << round << " loop " << k;
            for (std::size_t i = 0; i < ia.size(); ++i) {
                ExpectSameLoop(ia[i], ib[i]);
                EXPECT_EQ(ia[i]->parent, la[k]);
            }
            islands += static_cast<int>(ia.size());
        }
        tops += static_cast<int>(la.size());
        // The same point set on a grid over the input.
        for (double x = -2.25; x < 162; x += 1.5)
            for (double y = -2.25; y < 82; y += 1.5) {
                const double p[2] = {x, y};
                ASSERT_EQ(InRegions(a, p), InRegions(b, p)) << "round " << round << " at " << x << ", " << y;
            }
        CSmartLoop::DeleteLoopChain(a);
        CSmartLoop::DeleteLoopChain(b);
        for (CSmartLoop* L : input)
            delete L;
    }
    EXPECT_GT(islands, 60);
    EXPECT_GT(tops, 60);
}

TEST(LoopIndex, LoopsThatMeetAreWelded)
{
    // Crossing squares, squares sharing an edge, a disc touching a square from outside, and
    // a contour whose test point (the middle of its third side) lies 1e-7 off another.
    const std::vector<std::vector<CSmartLoop*>> cases = {
        {SquareLoop(0, 0, 10, 10, false), SquareLoop(5, 5, 15, 15, false)},
        {SquareLoop(0, 0, 10, 10, false), SquareLoop(10, 0, 20, 10, false)},
        {SquareLoop(0, 0, 10, 10, false), CircleLoop(13, 5, 3, 1, 1, false)},
        {SquareLoop(0, 0, 10, 10, false), looptest::PolygonLoop({{20, 2}, {20, 8}, {10 + 1e-7, 8}, {10 + 1e-7, 2}})},
    };
    for (std::size_t c = 0; c < cases.size(); ++c) {
        std::vector<CSmartLoop*> direct = Built(cases[c]), welded = Built(cases[c]);
        EXPECT_TRUE(smart::LoopsMeet(direct)) << "case " << c;
        CSmartLoop* a = smart::WeldApartRegions(direct);
        CSmartLoop* b = CSmartLoop::WeldContours(LinkChain(welded));
        std::vector<CSmartLoop*> la = ChainToVector(a), lb = ChainToVector(b);
        ASSERT_EQ(la.size(), lb.size()) << "case " << c;
        for (std::size_t k = 0; k < la.size(); ++k)
            ExpectSameLoop(la[k], lb[k]);
        CSmartLoop::DeleteLoopChain(a);
        CSmartLoop::DeleteLoopChain(b);
        for (CSmartLoop* L : cases[c])
            delete L;
    }
}

// The meeting rule of LoopsMeet tested over every pair: sections of different loops
// (each with its islands) whose boxes meet within 0.0001 and cross, or a contour's test
// point (the middle of its middle section) within 1e-6 of another loop's section.
bool PlainMeet(const std::vector<CSmartLoop*>& loops)
{
    std::vector<std::vector<CSmartSect*>> sects(loops.size());
    std::vector<std::vector<std::array<double, 2>>> probes(loops.size());
    for (std::size_t k = 0; k < loops.size(); ++k)
        for (CSmartLoop* x = loops[k]; x; x = x == loops[k] ? loops[k]->islands : x->next) {
            for (CSmartSect* s = x->contour->head; s; s = s->next)
                sects[k].push_back(s);
            CSmartSect* m = x->contour->head;
            for (int i = x->contour->count / 2; i > 0 && m->next; --i)
                m = m->next;
            std::array<double, 2> p;
            m->GetPoint(0.5, p.data());
            probes[k].push_back(p);
        }
    for (std::size_t k = 0; k < loops.size(); ++k)
        for (std::size_t m = 0; m < loops.size(); ++m) {
            if (m == k)
                continue;
            for (CSmartSect* t : sects[m]) {
                for (CSmartSect* s : sects[k]) {
                    double x[2][2];
                    if (k < m && BoxesOverlap(0.0001, s->box, t->box) && SectSectIntersect(s, t, x) > 0)
                        return true;
                }
                for (const auto& p : probes[k]) {
                    const double pb[4] = {p[0], p[1], p[0], p[1]};
                    double f[2];
                    if (BoxesOverlap(0.0001, pb, t->box) && t->MinDistPoint(p.data(), f) < 1e-6)
                        return true;
                }
            }
        }
    return false;
}

TEST(LoopIndex, LoopsMeetByThePlainRule)
{
    std::mt19937 rng(17);
    std::uniform_real_distribution<double> u(0, 1);
    int met = 0, apart = 0;
    for (int round = 0; round < 40; ++round) {
        std::vector<CSmartLoop*> input = ApartRegions(rng);
        // One more square or disc anywhere over the comb: crossing it, touching it, in a
        // gap or in a hole.
        const double x = u(rng) * 100, y = u(rng) * 80, r = 0.2 + u(rng) * 6;
        input.push_back(round % 2 ? SquareLoop(x, y, x + r, y + r, false) : CircleLoop(x, y, r, u(rng) * 6, 2, false));
        std::vector<CSmartLoop*> built = Built(input);
        const bool meet = PlainMeet(built);
        EXPECT_EQ(smart::LoopsMeet(built), meet) << "round " << round;
        ++(meet ? met : apart);
        for (CSmartLoop* L : built)
            delete L;
        for (CSmartLoop* L : input)
            delete L;
    }
    EXPECT_GT(met, 5);
    EXPECT_GT(apart, 5);
}

}  // namespace
