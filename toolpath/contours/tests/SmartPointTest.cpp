#include "toolpath/contours/SmartPoint.h"

#include "framework/numerak/Point2D.h"
#include "toolpath/contours/SectIntersect.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <string>
#include <vector>

namespace {

std::vector<double> Params(const CPointList& l)
{
    std::vector<double> v;
    for (const CSmartPoint* p = l.head; p; p = p->next)
        v.push_back(p->t);
    return v;
}

CSmartPoint* Pt(double x, double y, double t = 0)
{
    const double p[3] = {x, y, t};
    return new CSmartPoint(p);
}

TEST(PointList, AddPointKeepsAscendingParametersAndRefusesDuplicates)
{
    CPointList l;
    EXPECT_EQ(l.AddPoint(nullptr), 0);
    EXPECT_EQ(l.AddPoint(Pt(0, 0, 0.5)), 1);
    EXPECT_EQ(l.AddPoint(Pt(0, 0, 0.9)), 1) << "larger than all: last";
    EXPECT_EQ(l.AddPoint(Pt(0, 0, 0.1)), 1);
    EXPECT_EQ(l.AddPoint(Pt(0, 0, 0.5 + 5e-11)), 0) << "within 1e-10";
    EXPECT_EQ(l.AddPoint(Pt(0, 0, 0.5 + 2e-10)), 1) << "beyond 1e-10";
    EXPECT_EQ(Params(l), (std::vector<double>{0.1, 0.5, 0.5 + 2e-10, 0.9}));
    EXPECT_EQ(l.count, 4);
    EXPECT_EQ(l.tail->t, 0.9);
}

TEST(PointList, IndexedAccessFindAndSort)
{
    CPointList l;
    const double a[3] = {1, 2, 0.7}, b[3] = {3, 4, 0.2};
    EXPECT_EQ(l.AddTail(a), 0);
    EXPECT_EQ(l.AddTail(b), 1);
    double out[3] = {-1, -1, -1};
    EXPECT_EQ(l.GetPoint(1, out), 1);
    EXPECT_EQ(out[0], 3);
    double untouched[3] = {9, 9, 9};
    EXPECT_EQ(l.GetPoint(2, untouched), 0) << "out of range reports failure";
    EXPECT_EQ(l.GetPoint(-1, untouched), 0);
    EXPECT_EQ(untouched[0], 9);
    EXPECT_EQ(l.GetPoint(5), nullptr);
    EXPECT_EQ(l.FindPoint(b), 1);
    const double shifted[3] = {3, 4, 0.201};
    EXPECT_EQ(l.FindPoint(shifted), -1) << "the parameter counts too";
    EXPECT_EQ(l.SortPoint(), 1);
    EXPECT_EQ(Params(l), (std::vector<double>{0.2, 0.7}));
    CSmartPoint* p = l.head;
    EXPECT_EQ(l.RemovePoint(p), 1);
    delete p;
    EXPECT_EQ(l.count, 1);
    EXPECT_EQ(l.SortPoint(), 1) << "one point";
}

std::vector<std::array<double, 2>> Coords(const CPointList& l)
{
    std::vector<std::array<double, 2>> v;
    for (const CSmartPoint* p = l.head; p; p = p->next)
        v.push_back({p->x, p->y});
    return v;
}

// The uncrossing's own crossing rule, written out for the tests.
bool Crossing(const std::array<double, 2>& a, const std::array<double, 2>& b, const std::array<double, 2>& c,
              const std::array<double, 2>& d)
{
    if (P2D_AbsDist(a.data(), b.data()) < 0.001 || P2D_AbsDist(c.data(), d.data()) < 0.001)
        return false;
    double x[2][2];
    if (SegSegIntersect(c.data(), x, a.data(), b.data(), d.data()) != 1)
        return false;
    for (const auto* q : {&a, &b, &c, &d})
        if (P2D_AbsDist(x[0], q->data()) <= 0.001)
            return false;
    return true;
}

int CountCrossings(const std::vector<std::array<double, 2>>& v)
{
    int n = 0;
    for (std::size_t i = 0; i + 1 < v.size(); ++i)
        for (std::size_t j = i + 2; j + 1 < v.size(); ++j)
            n += Crossing(v[i], v[i + 1], v[j], v[j + 1]);
    return n;
}

TEST(PointList, NoAutoInterUncrossesChains)
{
    {
        CPointList l;
        for (auto [x, y] : {std::pair{0.0, 0.0}, {10.0, 10.0}, {10.0, 0.0}, {0.0, 10.0}})
            l.InsertAfter(Pt(x, y), l.tail);
        EXPECT_EQ(CPointList::NoAutoInter(l.head), 1);
        const auto v = Coords(l);
        EXPECT_EQ(v[1], (std::array<double, 2>{10, 0})) << "a-b-c-d becomes a-c-b-d";
        EXPECT_EQ(v[2], (std::array<double, 2>{10, 10}));
        EXPECT_EQ(l.tail->x, 0);
        EXPECT_EQ(l.tail->prev->next, l.tail) << "links fixed both ways";
    }
    {
        // The crossing lies 0.0005 from an end point: ignored.
        CPointList l;
        for (auto [x, y] : {std::pair{0.0, 0.0}, {10.0, 0.0}, {9.9995, -1.0}, {9.9995, 1.0}})
            l.InsertAfter(Pt(x, y), l.tail);
        CSmartPoint* before = l.head->next;
        CPointList::NoAutoInter(l.head);
        EXPECT_EQ(l.head->next, before) << "near-end crossing ignored";
    }
    EXPECT_EQ(CPointList::NoAutoInter(nullptr), 0);
    // Random walks end without crossings.
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> u(0, 100);
    for (int run = 0; run < 20; ++run) {
        CPointList l;
        for (int i = 0; i < 60; ++i)
            l.InsertAfter(Pt(u(rng), u(rng)), l.tail);
        const auto first = Coords(l).front(), last = Coords(l).back();
        CPointList::NoAutoInter(l.head);
        const auto v = Coords(l);
        EXPECT_EQ(CountCrossings(v), 0) << "run " << run;
        EXPECT_EQ(v.front(), first) << "run " << run;
        EXPECT_EQ(v.back(), last) << "run " << run;
    }
}

// A plain transcription of the greedy ordering (distance matrix, full rescans, uncrossing
// of the merged chain by restarting scans); reports whether the run met a tie or a crossing.
struct Reference {
    std::vector<int> order;
    bool tie = false, crossed = false;
};

Reference ReferenceOrder(const std::vector<std::array<double, 2>>& p)
{
    Reference ref;
    const int n = static_cast<int>(p.size());
    std::vector<std::vector<double>> dist(n, std::vector<double>(n));
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j)
            dist[i][j] = P2D_Dist(p[i].data(), p[j].data());
    std::vector<std::vector<int>> chains;
    for (int i = 0; i < n; ++i)
        chains.push_back({i});
    while (chains.size() > 1) {
        double best = 1e12;
        std::size_t bi = 0, bj = 0;
        int be = 0;
        bool any = false;
        for (std::size_t i = 0; i < chains.size(); ++i)
            for (std::size_t j = i + 1; j < chains.size(); ++j) {
                const int ei[4] = {chains[i].front(), chains[i].front(), chains[i].back(), chains[i].back()};
                const int ej[4] = {chains[j].front(), chains[j].back(), chains[j].front(), chains[j].back()};
                for (int e = 0; e < 4; ++e) {
                    const double d = dist[ei[e]][ej[e]];
                    if (d == best && any && !(i == bi && j == bj))
                        ref.tie = true;
                    if (d < best) {
                        best = d;
                        bi = i;
                        bj = j;
                        be = e;
                        any = true;
                    }
                }
            }
        const bool iLast = be >= 2, jLast = be % 2 == 1;
        if (iLast == jLast)
            std::reverse(chains[bj].begin(), chains[bj].end());
        // The merged chain keeps the leader's slot; the appended chain's slot takes the
        // last chain.
        const std::size_t leader = iLast ? bi : bj, appended = iLast ? bj : bi;
        std::vector<int>& front = chains[leader];
        std::vector<int>& back = chains[appended];
        front.insert(front.end(), back.begin(), back.end());
        const std::size_t last = chains.size() - 1;
        std::size_t merged = leader;
        if (appended != last) {
            chains[appended] = std::move(chains[last]);
            if (leader == last)
                merged = appended;
        }
        chains.pop_back();
        std::vector<int>& m = chains[merged];
        for (bool again = true; again;) {
            again = false;
            for (std::size_t i = 0; i + 2 < m.size() && !again; ++i)
                for (std::size_t j = i + 2; j + 1 < m.size() && !again; ++j)
                    if (Crossing(p[m[i]], p[m[i + 1]], p[m[j]], p[m[j + 1]])) {
                        std::reverse(m.begin() + static_cast<std::ptrdiff_t>(i + 1), m.begin() + static_cast<std::ptrdiff_t>(j + 1));
                        ref.crossed = again = true;
                    }
        }
    }
    ref.order = chains.front();
    return ref;
}

TEST(PointList, ResortAllPointMatchesThePlainGreedyRule)
{
    std::mt19937 rng(2024);
    int compared = 0;
    for (int run = 0; run < 120; ++run) {
        // Mostly small sets (larger ones nearly always meet a crossing), some up to 300.
        const int n = 3 + static_cast<int>(rng() % (run % 4 == 0 ? 300 : 30));
        std::uniform_real_distribution<double> u(0, 200);
        std::vector<std::array<double, 2>> pts;
        for (int i = 0; i < n; ++i)
            pts.push_back({u(rng), u(rng)});
        if (run % 5 == 0)  // a grid: many equal distances
            for (int i = 0; i < n; ++i)
                pts[i] = {static_cast<double>(i % 17) * 3, static_cast<double>(i / 17) * 3};
        CPointList l;
        for (const auto& q : pts) {
            CSmartPoint* p = Pt(q[0], q[1]);
            l.InsertAfter(p, l.tail);
        }
        ASSERT_EQ(l.ResortAllPoint(), 1);
        const auto got = Coords(l);
        ASSERT_EQ(static_cast<int>(got.size()), n) << "run " << run;
        EXPECT_EQ(CountCrossings(got), 0) << "run " << run << ": no crossing left";
        const Reference ref = ReferenceOrder(pts);
        if (ref.tie || ref.crossed)
            continue;
        ++compared;
        for (int i = 0; i < n; ++i)
            ASSERT_EQ(got[i], pts[ref.order[i]]) << "run " << run << ", position " << i;
    }
    EXPECT_GT(compared, 30) << "too few runs without ties or crossings to compare";
}

TEST(PointList, ResortAllPointEdgeCases)
{
    CPointList two;
    two.InsertAfter(Pt(5, 0), nullptr);
    two.InsertAfter(Pt(0, 0), two.tail);
    EXPECT_EQ(two.ResortAllPoint(), 1);
    EXPECT_EQ(two.head->x, 5) << "two points keep their order";
    CPointList same;
    for (int i = 0; i < 50; ++i)
        same.InsertAfter(Pt(1, 1, i), same.tail);
    EXPECT_EQ(same.ResortAllPoint(), 1);
    EXPECT_EQ(same.count, 50) << "coincident points";
    CPointList odd;
    odd.InsertAfter(Pt(0, 0), nullptr);
    odd.InsertAfter(Pt(std::nan(""), 0), odd.tail);
    odd.InsertAfter(Pt(3, 0), odd.tail);
    odd.InsertAfter(Pt(1, 0), odd.tail);
    EXPECT_EQ(odd.ResortAllPoint(), 1);
    EXPECT_EQ(odd.count, 4) << "nothing lost";
    EXPECT_TRUE(std::isnan(odd.tail->x)) << "a point without a position goes last";
}

}  // namespace
