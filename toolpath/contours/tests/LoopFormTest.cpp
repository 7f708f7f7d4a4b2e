// Loop forming: the leftmost branch, the walks of FormLoop and FormIntLoop, and their
// invariants on random self-crossing polygons and line/arc chains.
#include "LoopOracle.h"

#include "toolpath/contours/LoopChain.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <memory>
#include <string>

namespace {

using namespace looptest;
using curvetest::Polyline;

struct Formed {
    std::vector<CSmartLoop*> loops;
    ~Formed()
    {
        for (CSmartLoop* L : loops)
            delete L;
    }
};

Formed Collect(CSmartLoop* head)
{
    Formed f;
    for (CSmartLoop* L = head; L;) {
        CSmartLoop* n = L->next;
        if (n) {
            EXPECT_EQ(n->prev, L);
        }
        L->next = L->prev = nullptr;
        f.loops.push_back(L);
        L = n;
    }
    return f;
}

// Splits the curve at its self-crossings (the pieces keep their start marks).
void Split(CSmartCurve& c)
{
    c.DefineBox();
    c.AutoInters();
    c.AutoDepart();
    c.DefineBox();
}

TEST(LoopForm, FigureEightGivesTwoLoopsOneNegative)
{
    std::unique_ptr<CSmartCurve> c(Polyline({{0, 0}, {10, 10}, {10, 0}, {0, 10}}, true));
    Split(*c);
    Formed f = Collect(c->FormLoop());
    ASSERT_EQ(f.loops.size(), 2u);
    EXPECT_EQ(c->count, 0) << "the curve is consumed";
    EXPECT_NEAR(f.loops[0]->area + f.loops[1]->area, 0, 1e-9);
    EXPECT_NEAR(std::fabs(f.loops[0]->area), 50, 1e-9);
    EXPECT_LT(std::min(f.loops[0]->area, f.loops[1]->area), 0) << "one loop is clockwise";
}

TEST(LoopForm, OpenCurveWithoutCrossingsGivesNull)
{
    std::unique_ptr<CSmartCurve> c(Polyline({{0, 0}, {10, 0}, {10, 10}, {20, 10}}, false));
    EXPECT_EQ(c->FormLoop(), nullptr);
    EXPECT_EQ(c->count, 0);
    std::unique_ptr<CSmartCurve> empty(new CSmartCurve);
    EXPECT_EQ(empty->FormLoop(), nullptr);
    EXPECT_EQ(empty->FormIntLoop(0.001, 0.001), nullptr);
}

// At a point where several marked sections start: the largest left turn wins, the first
// in the chain on a tie; an unmarked section is taken at once; the hint when it fits.
TEST(LoopForm, LeftmostBranchRows)
{
    const double o[2] = {0, 0};
    const double dir[2] = {1, 0};
    struct Row {
        std::string label;
        std::vector<P> ends;       // each section from o to this end
        std::vector<bool> marked;  // mark bit 0x01
        int want;                  // index of the chosen section
    };
    const std::vector<Row> rows{
        {"left beats straight and right", {{5, -5}, {5, 0}, {5, 5}}, {true, true, true}, 2},
        {"sharp left beats slight left", {{5, 1}, {-5, 1}}, {true, true}, 1},
        {"tie: the first in the chain", {{0, 5}, {0, 5}}, {true, true}, 0},
        {"unmarked taken at once", {{5, 5}, {5, -5}, {-5, 5}}, {true, false, true}, 1},
        {"right only", {{5, -5}, {-5, -1}}, {true, true}, 0},
    };
    for (const Row& row : rows) {
        CSmartCurve c;
        std::vector<CSmartSect*> s;
        for (std::size_t i = 0; i < row.ends.size(); ++i) {
            s.push_back(new CSmartLine(o, row.ends[i].data()));
            s.back()->mark = row.marked[i] ? 0x01 : 0;
            c.AddSect(s.back());
        }
        EXPECT_EQ(c.GetOptimalSect(o, dir, nullptr), s[static_cast<std::size_t>(row.want)]) << row.label;
        if (row.label != "unmarked taken at once") {
            EXPECT_EQ(c.GetOptimalIntSect(o, dir, nullptr, 0.001), s[static_cast<std::size_t>(row.want)]) << row.label;
        }
    }
    CSmartCurve c;
    auto* a = new CSmartLine(o, std::array<double, 2>{0, 5}.data());
    auto* b = new CSmartLine(o, std::array<double, 2>{5, -5}.data());
    a->mark = 1;
    c.AddSect(a);
    c.AddSect(b);
    EXPECT_EQ(c.GetOptimalSect(o, dir, b), b) << "an unmarked hint at p";
    const double away[2] = {0.01, 0};
    EXPECT_EQ(c.GetOptimalSect(away, dir, b), nullptr) << "nothing starts there";
    EXPECT_EQ(c.GetOptimalIntSect(away, dir, nullptr, 0.02), a) << "within the join tolerance: the left turn";
}

// The plain walk of FormLoop as its rule reads (scans of the curve and of the trace at
// every step), to compare the indexed walk against.
std::vector<std::vector<CSmartSect*>> PlainFormLoop(CSmartCurve& c)
{
    std::vector<std::vector<CSmartSect*>> out;
    std::vector<CSmartSect*> trace;
    double q[2], dir[2];
    bool fresh = true;
    auto take = [&](CSmartSect* s) {
        c.RemoveSect(s);
        trace.push_back(s);
        s->GetPoint(1, q);
    };
    while (true) {
        if (fresh) {
            if (!c.head)
                break;
            c.head->GetPoint(0, q);
            c.head->GetTangent(0, dir);
            fresh = false;
        }
        CSmartSect* s = c.GetOptimalSect(q, dir, nullptr);
        if (!s) {
            if (trace.empty()) {
                CSmartSect* h = c.head;
                c.RemoveSect(h);
                delete h;
                fresh = true;
            } else if (trace.size() < 2) {
                for (CSmartSect* t : trace)
                    delete t;
                trace.clear();
                fresh = true;
            } else {
                delete trace.back();
                trace.pop_back();
                trace.back()->GetPoint(1, q);
                trace.back()->GetTangent(1, dir);
            }
            continue;
        }
        CSmartSect* following = s->next;
        take(s);
        while (following && !(following->mark & 1)) {
            double a[2];
            following->GetPoint(0, a);
            if (!(P2D_AbsDist(a, q) < 0.0001))
                break;
            CSmartSect* n = following->next;
            take(following);
            following = n;
        }
        trace.back()->GetTangent(1, dir);
        std::size_t f = trace.size();
        for (std::size_t i = 0; i < trace.size() && f == trace.size(); ++i) {
            CSmartSect* g = trace[i];
            const double* b = g->box;
            if (q[0] < b[0] - 0.001 || q[0] > b[2] + 0.001 || q[1] < b[1] - 0.001 || q[1] > b[3] + 0.001)
                continue;
            if (i + 1 == trace.size() && g->IsSectLine())
                continue;
            double a[2];
            g->GetPoint(0, a);
            if (P2D_Dist(a, q) < 0.001)
                f = i;
        }
        if (f == trace.size())
            continue;
        out.emplace_back(trace.begin() + static_cast<std::ptrdiff_t>(f), trace.end());
        trace.resize(f);
        if (f == 0) {
            fresh = true;
        } else {
            trace.back()->GetPoint(1, q);
            trace.back()->GetTangent(1, dir);
        }
    }
    for (CSmartSect* t : trace)
        delete t;
    return out;
}

// The sections of each loop by their source (the split pieces are copies of nothing: the
// geometry identifies them), compared as start points in order.
std::vector<std::vector<P>> StartsOf(const std::vector<std::vector<CSmartSect*>>& loops)
{
    std::vector<std::vector<P>> v;
    for (const auto& l : loops) {
        v.emplace_back();
        for (CSmartSect* s : l) {
            double a[2];
            s->GetPoint(0, a);
            v.back().push_back({a[0], a[1]});
        }
    }
    return v;
}

// Random self-crossing polygons and line/arc chains: every section used once (length
// kept), every loop simple, the loops' areas adding up to the curve's signed area, and the
// same loops as the plain walk.
TEST(LoopForm, RandomCurvesKeepLengthAreaAndSimplicity)
{
    std::mt19937 rng(77);
    int withArcs = 0, compared = 0, skipped = 0, lossy = 0;
    for (int run = 0; run < 80; ++run) {
        const bool arcs = run % 2 == 1;
        const int n = 5 + static_cast<int>(rng() % 25);
        std::unique_ptr<CSmartCurve> c;
        if (arcs) {
            c.reset(curvetest::RandomChain(rng, n, 100, true));
        } else {
            std::uniform_real_distribution<double> u(0, 100);
            std::vector<P> poly;
            for (int i = 0; i < n; ++i)
                poly.push_back({std::round(u(rng)), std::round(u(rng))});
            c.reset(Polyline(poly, true));
        }
        c->DefineBox();
        CSmartLoop whole;
        whole.contour = c->CopyMyself();
        whole.Area();
        const double signedArea = whole.area;
        Split(*c);
        // Crossings closer together than the walk's joint tolerances (0.001) make pieces
        // the leftmost rule cannot tell apart: such runs are left out.
        bool separate = true;
        for (CSmartSect* s = c->head; s; s = s->next) {
            withArcs += arcs && s->IsSectArc();
            separate = separate && s->GetLength() > 0.01;
        }
        if (!separate) {
            ++skipped;
            continue;
        }
        const double length = c->GetLength();
        std::unique_ptr<CSmartCurve> twin(c->CopyMyself());
        for (CSmartSect *s = c->head, *t = twin->head; s; s = s->next, t = t->next)
            t->mark = s->mark;
        Formed f = Collect(c->FormLoop());
        const std::string label = "run " + std::to_string(run) + (arcs ? " (arcs)" : " (polygon)");
        double sumLength = 0, sumArea = 0;
        for (CSmartLoop* L : f.loops) {
            sumLength += L->contour->GetLength();
            sumArea += L->area;
            std::unique_ptr<CSmartCurve> probe(L->contour->CopyMyself());
            probe->DefineBox();
            EXPECT_EQ(probe->AutoInters(), 0) << label << ": a loop crosses itself";
        }
        // Polygons: every section exactly once. Line/arc chains: a rare dead end (as in
        // the plain walk) drops a few sections; every kept section is used once.
        if (!arcs) {
            EXPECT_NEAR(sumLength, length, 1e-6 * length) << label << ": every section exactly once";
        } else {
            EXPECT_LE(sumLength, length * (1 + 1e-6)) << label << ": no section twice";
            lossy += sumLength < length * (1 - 1e-6);
        }
        const double tol = arcs ? 2 * 0.0101 * length : 1e-6 * (1 + std::fabs(signedArea));
        if (!arcs || sumLength >= length * (1 - 1e-6)) {
            EXPECT_NEAR(sumArea, signedArea, tol) << label << ": areas add up";
        }
        const auto plain = PlainFormLoop(*twin);
        std::vector<std::vector<CSmartSect*>> got;
        for (CSmartLoop* L : f.loops) {
            got.emplace_back();
            for (CSmartSect* s = L->contour->head; s; s = s->next)
                got.back().push_back(s);
        }
        std::vector<std::vector<P>> want = StartsOf(plain);
        for (const auto& l : plain)
            for (CSmartSect* s : l)
                delete s;
        // The plain walk keeps loops of every area; the tiny ones are dropped by FormLoop.
        EXPECT_LE(got.size(), want.size()) << label;
        if (got.size() == want.size()) {
            ++compared;
            EXPECT_EQ(StartsOf(got), want) << label << ": the same loops as the plain walk";
        }
    }
    EXPECT_GT(withArcs, 30);
    EXPECT_LT(skipped, 10);
    EXPECT_LE(lossy, 3) << "dead ends on line/arc chains";
    EXPECT_GT(compared, 50);
}

// The walk of curves whose section boxes are current gives FormLoop's loops without boxing
// the sections again: bit-equal sections, boxes and areas, on split line/arc chains with
// reversed arcs and with joints opened by more than ConnectAllSect's gap (so that it moves
// ends and boxes them anew).
TEST(LoopForm, BoxedWalkGivesTheLoopsOfFormLoop)
{
    std::mt19937 rng(41);
    std::uniform_real_distribution<double> nudge(-5e-5, 5e-5);
    int loops = 0, arcs = 0;
    for (int run = 0; run < 60; ++run) {
        std::unique_ptr<CSmartCurve> c(curvetest::RandomChain(rng, 5 + static_cast<int>(rng() % 20), 100, true));
        Split(*c);
        if (run % 2 == 1) {
            // Reversed, then boxed again, as the Booleans keep reversed pieces.
            c->Reverse();
            c->DefineBox();
        }
        for (CSmartSect* s = c->head; s; s = s->next)
            if (s->IsSectLine() && rng() % 3 == 0) {
                auto* l = static_cast<CSmartLine*>(s);
                const double q[2] = {l->end[0] + nudge(rng), l->end[1] + nudge(rng)};
                l->TrimEnd(1, q, 1);
            }
        std::unique_ptr<CSmartCurve> twin(c->CopyMyself());
        for (CSmartSect *s = c->head, *t = twin->head; s; s = s->next, t = t->next)
            t->mark = s->mark;
        Formed plain = Collect(c->FormLoop()), boxed = Collect(smart::FormLoopOfBoxed(*twin));
        ASSERT_EQ(boxed.loops.size(), plain.loops.size()) << "run " << run;
        for (std::size_t k = 0; k < plain.loops.size(); ++k) {
            CSmartLoop *a = plain.loops[k], *b = boxed.loops[k];
            EXPECT_EQ(a->area, b->area) << "run " << run << " loop " << k;
            EXPECT_TRUE(std::equal(&a->box[0][0], &a->box[0][0] + 4, &b->box[0][0])) << "run " << run;
            ASSERT_EQ(a->contour->count, b->contour->count) << "run " << run;
            for (CSmartSect *s = a->contour->head, *t = b->contour->head; s; s = s->next, t = t->next) {
                double ps[2][2], pt[2][2];
                s->GetPoint(0, ps[0]);
                s->GetPoint(1, ps[1]);
                t->GetPoint(0, pt[0]);
                t->GetPoint(1, pt[1]);
                EXPECT_EQ(s->type, t->type) << "run " << run;
                EXPECT_TRUE(std::equal(s->box, s->box + 4, t->box)) << "run " << run << " loop " << k;
                EXPECT_TRUE(std::equal(&ps[0][0], &ps[0][0] + 4, &pt[0][0])) << "run " << run << " loop " << k;
                arcs += s->IsSectArc();
            }
            ++loops;
        }
    }
    EXPECT_GT(loops, 60);
    EXPECT_GT(arcs, 100);
}

TEST(LoopForm, FormIntLoopJoinsWithinToleranceAndGivesNullWhenNoTraceStarts)
{
    // A square whose joints are 0.0008 apart: joined and closed within 0.001, not within
    // 0.0005.
    auto square = [] {
        auto* c = new CSmartCurve;
        const double pts[4][2][2] = {{{0, 0}, {10, 0}}, {{10.0008, 0}, {10, 10}}, {{10, 10.0008}, {0, 10}},
                                     {{-0.0008, 10}, {0, 0.0008}}};
        for (const auto& s : pts)
            c->AddSect(new CSmartLine(s[0], s[1]));
        return std::unique_ptr<CSmartCurve>(c);
    };
    {
        auto c = square();
        Formed f = Collect(c->FormIntLoop(0.001, 0.001));
        ASSERT_EQ(f.loops.size(), 1u);
        EXPECT_NEAR(f.loops[0]->area, 200, 0.05);
        EXPECT_EQ(c->count, 0);
    }
    {
        auto c = square();
        EXPECT_EQ(c->FormIntLoop(0.0005, 0.0005), nullptr) << "nothing joins: dead ends only";
    }

    // A head whose box does not hold its start: no trace can start.
    std::unique_ptr<CSmartCurve> d(Polyline({{0, 0}, {10, 0}, {10, 10}}, true));
    d->head->box[0] = d->head->box[1] = 50;
    d->head->box[2] = d->head->box[3] = 60;
    EXPECT_EQ(d->FormIntLoop(0.001, 0.001), nullptr);
    EXPECT_EQ(d->FormIntLoop(std::numeric_limits<double>::quiet_NaN(), -1), nullptr) << "bad tolerances";
}

TEST(LoopForm, BadSectionsDoNotHang)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    std::unique_ptr<CSmartCurve> c(Polyline({{0, 0}, {10, 0}, {nan, 5}, {0, 10}, {0, 10}}, true));
    Split(*c);
    Formed f = Collect(c->FormLoop());
    EXPECT_EQ(c->count, 0);
    for (CSmartLoop* L : f.loops)
        EXPECT_TRUE(std::isfinite(L->area));
    std::unique_ptr<CSmartCurve> z(Polyline({{1, 1}, {1, 1}, {1, 1}}, true));
    EXPECT_EQ(z->FormLoop(), nullptr) << "zero-length sections make no loop";
}

}  // namespace
