// Near points and valid pieces of cutting curves.
#include "toolpath/surfkernel/EdInterCurve.h"

#include "EdInterCurveFixtures.h"
#include "framework/numerak/Point3D.h"
#include "framework/numerak/QvMem.h"
#include "toolpath/surfkernel/EdTrimBound.h"
#include "toolpath/surfkernel/EdTrimLoop.h"
#include "toolpath/surfkernel/SurfaceIntersect.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

using namespace intercurve;

namespace {

struct EdInterCurveNearTest : ::testing::Test {
    void SetUp() override { ESSI_ResetKernelState(); }
    void TearDown() override { ESSI_ResetKernelState(); }
};

using UVs = std::vector<std::array<double, 2>>;

UVs Straight(int n, double u0, double u1, double v)
{
    UVs uv;
    for (int i = 0; i < n; ++i) uv.push_back({u0 + (u1 - u0) * i / (n - 1), v});
    return uv;
}

void AddAt(CEdInterCurve& c, double t, int flags, CEdTrimSurf* surf = nullptr)
{
    double p[7];
    c.GetPoint(t, p);
    CEdInterPoint* q = NewPoint(t, flags, p, surf);
    q->Set(p);
    c.AddNewPoint(q);
}

}  // namespace

// Two curves on one surface whose closest places pass 0.005 apart get one near point
// each, at the midpoint of those places; at 0.03 apart (beyond the surface's 0.02)
// none.
TEST_F(EdInterCurveNearTest, CurvesPassingCloseGetOneNearPointEach)
{
    Sheet A(surffix::Plane(10, 10));
    for (double gap : {0.005, 0.015, 0.03}) {
        const std::string label = "gap " + std::to_string(gap);
        auto c1 = OnOne(Straight(9, 0.1, 0.9, 0.5), A);
        auto c2 = OnOne({{0.3, 0.6}, {0.5, 0.5 + gap / 10}, {0.7, 0.6}}, A);
        const bool near = gap < A.e.GetMinCloseTol();
        EXPECT_EQ(c1->CreateNearPoint(c2.get(), 0.0), near ? 1 : 0) << label;
        const auto l1 = Listed(*c1), l2 = Listed(*c2);
        ASSERT_EQ(l1.size(), near ? 1u : 0u) << label;
        ASSERT_EQ(l2.size(), near ? 1u : 0u) << label;
        if (!near) continue;
        const double mid[3] = {5, 5 + gap / 2, 0};
        EXPECT_NEAR(l1[0]->t, 4.0, 1e-9) << label;
        EXPECT_NEAR(l2[0]->t, 1.0, 1e-9) << label;
        EXPECT_NEAR(P3D_Dist(Xyz(l1[0]).data(), mid), 0.0, 1e-9) << label;
        EXPECT_NEAR(P3D_Dist(Xyz(l2[0]).data(), mid), 0.0, 1e-9) << label;
        EXPECT_EQ(l1[0]->flags, IP_NEAR_ONE) << label;
        EXPECT_EQ(l1[0]->surf, &A.e) << label;
        EXPECT_NEAR(l1[0]->uA, 0.5, 1e-12) << label;
    }
    // A near place outside the trimmed region is dropped.
    Sheet cut(surffix::Plane(10, 10), 0.0, 0.4, 0.0, 1.0);
    auto c1 = OnOne(Straight(9, 0.1, 0.9, 0.5), cut), c2 = OnOne({{0.3, 0.6}, {0.5, 0.5005}, {0.7, 0.6}}, cut);
    EXPECT_EQ(c1->CreateNearPoint(c2.get(), 0.0), 0);
    EXPECT_EQ(c1->pointHead, nullptr);
    EXPECT_EQ(c1->CreateNearPoint(c1.get(), 0.0), 0);
    EXPECT_EQ(c1->CreateNearPoint(nullptr, 0.0), 0);
}

// A curve running 0.001 beside a trim bound in two long runs (thousands of segment
// pairs each) gets one near point per run, and the bound one crossing per run.
TEST_F(EdInterCurveNearTest, LongNearRunsGiveOneNearPointEach)
{
    Sheet A(surffix::Plane(10, 10));
    UVs uv = Straight(4001, 0.05, 0.45, 0.0001);
    uv.push_back({0.45, 0.2});
    uv.push_back({0.55, 0.2});
    for (const auto& q : Straight(4001, 0.55, 0.95, 0.0001)) uv.push_back(q);
    auto c = OnOne(uv, A);
    ASSERT_EQ(c->InterWithLoop(A.e.loopHead, 1), 1);
    const auto listed = Listed(*c);
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_LT(listed[0]->uA, 0.45 + 1e-9);
    EXPECT_GT(listed[1]->uA, 0.55 - 1e-9);
    for (auto* p : listed) {
        EXPECT_EQ(p->flags, IP_NEAR_BOTH);
        EXPECT_EQ(p->surf, &A.e);
        EXPECT_NEAR(p->vA, 0.0001, 1e-12);
    }
    int crossings = 0;
    for (CEdTrimBound* b = A.e.loopHead->boundHead; b; b = b->next) {
        crossings += b->IntCount();
        for (CEdIntNode* n = b->IntHead(); n; n = n->next) EXPECT_NEAR(n->v, 0.0, 1e-12);
    }
    EXPECT_EQ(crossings, 2);
}

// Clusters through the index-sorted search are those of the plain search over all
// pairs (pairs join when both indices differ by at most 2, transitively), with the
// same representatives in the same order.
TEST_F(EdInterCurveNearTest, ClustersAsThePlainSearch)
{
    std::mt19937 rng(9);
    for (int round = 0; round < 20; ++round) {
        std::uniform_int_distribution<int> index(0, 60 + 40 * round);
        std::uniform_real_distribution<double> dist(0.0, 0.02);
        std::vector<NearPair> pairs(200 + 50 * round);
        for (NearPair& p : pairs) {
            InitNearPair(p);
            p.index = index(rng), p.otherIndex = index(rng), p.dist = std::round(dist(rng) * 1000) / 1000, p.mark = 0;
        }
        std::vector<NearPair> plain = pairs;
        std::vector<size_t> want;
        for (size_t k = 0; k < plain.size(); ++k) {
            if (plain[k].mark) continue;
            std::vector<size_t> members{k}, todo{k};
            plain[k].mark = 2;
            while (!todo.empty()) {
                const NearPair m = plain[todo.back()];
                todo.pop_back();
                for (size_t q = 0; q < plain.size(); ++q)
                    if (!plain[q].mark && std::abs(plain[q].index - m.index) <= 2 &&
                        std::abs(plain[q].otherIndex - m.otherIndex) <= 2) {
                        plain[q].mark = 2;
                        members.push_back(q);
                        todo.push_back(q);
                    }
            }
            size_t best = members[0];
            for (size_t q : members)
                if (plain[q].dist < plain[best].dist || (plain[q].dist == plain[best].dist && q < best)) best = q;
            want.push_back(best);
        }
        EXPECT_EQ(NearClusterRepresentatives(pairs), want) << "round " << round;
        EXPECT_GT(want.size(), 3u);
        EXPECT_LT(want.size(), pairs.size());
    }
    // Twenty thousand pairs in three runs are three clusters.
    std::vector<NearPair> runs;
    for (int start : {0, 10000, 30000})
        for (int i = 0; i < 7000; ++i) {
            NearPair p;
            p.index = start + i, p.otherIndex = 5 + (i % 3), p.dist = 0.001 + 1e-7 * ((i * 7919) % 1000), p.mark = 0;
            runs.push_back(p);
        }
    const auto reps = NearClusterRepresentatives(runs);
    ASSERT_EQ(reps.size(), 3u);
    for (const NearPair& p : runs) EXPECT_EQ(p.mark, 2);
}

// A curve that comes back within 0.01 of itself after more than 0.05 of arc gets a pair
// of self points; segments with little curve between them never do.
TEST_F(EdInterCurveNearTest, SelfNearPoints)
{
    Sheet A(surffix::Plane(10, 10));
    UVs hook = Straight(9, 0.1, 0.5, 0.5);
    hook.push_back({0.5, 0.7});
    hook.push_back({0.3, 0.7});
    hook.push_back({0.3, 0.5008});
    auto c = OnOne(hook, A);
    EXPECT_EQ(c->CreateNearPoint(), 1);
    EXPECT_EQ(c->selfCrossed, 1);
    const auto listed = Listed(*c);
    ASSERT_EQ(listed.size(), 2u);
    const double onLine[3] = {3, 5, 0}, atEnd[3] = {3, 5.008, 0};
    EXPECT_NEAR(listed[0]->t, 4.0, 1e-9);
    EXPECT_NEAR(P3D_Dist(Xyz(listed[0]).data(), onLine), 0.0, 1e-9);
    EXPECT_EQ(listed[1]->t, c->nLast);
    EXPECT_NEAR(P3D_Dist(Xyz(listed[1]).data(), atEnd), 0.0, 1e-9);
    for (auto* p : listed) EXPECT_EQ(p->flags, IP_SELF);

    // A zig-zag of three segments 0.02 long: the first and last pass 0.005 apart but have
    // only 0.041 of curve between them.
    auto zig = OnOne({{0.1, 0.5}, {0.102, 0.5}, {0.1, 0.5005}, {0.102, 0.501}}, A);
    EXPECT_EQ(zig->CreateNearPoint(), 0);
    EXPECT_EQ(zig->selfCrossed, 0);
    // Coming back 0.012 away is not near.
    hook.back() = {0.3, 0.5012};
    auto far = OnOne(hook, A);
    EXPECT_EQ(far->CreateNearPoint(), 0);
}

// The piece between two points is valid when its midpoint lies inside the trimmed
// surface, or when it runs along the boundary (midpoint and second probe on it).
TEST_F(EdInterCurveNearTest, PiecesInsideBothSurfaces)
{
    Sheet A(surffix::Plane(10, 10), 0.2, 0.8, 0.2, 0.8), other(surffix::Plane(10, 10));
    auto across = OnOne(Straight(5, 0.0, 1.0, 0.5), A);
    auto along = OnOne(Straight(5, 0.2, 0.8, 0.2), A);
    auto partly = OnOne({{0.5, 0.5}, {0.2, 0.5}, {0.2, 0.7}}, A);  // inside, then on the boundary
    struct Row {
        const char* label;
        CEdInterCurve* c;
        double t0, t1;
        CEdTrimSurf* E;
        int valid;
    };
    const Row rows[] = {
        {"midpoint outside", across.get(), 0.0, 1.0, &A.e, 0},
        {"midpoint inside", across.get(), 1.0, 3.0, &A.e, 1},
        {"along the trim boundary", along.get(), 1.0, 3.0, &A.e, 1},
        {"midpoint on the boundary, second probe inside", partly.get(), 0.0, 2.0, &A.e, 0},
        {"unrelated surface", across.get(), 1.0, 3.0, &other.e, 0},
        {"no surface", across.get(), 1.0, 3.0, nullptr, 0},
    };
    for (const Row& r : rows) {
        CEdInterPoint P, Q;
        P.t = r.t0, Q.t = r.t1;
        EXPECT_EQ(r.c->IsValid(&P, &Q, r.E), r.valid) << r.label;
    }
    CEdInterPoint P;
    EXPECT_EQ(across->IsValid(&P, nullptr, &A.e), 0);
}

// Pieces of a curve on one surface as curve bounds: ends at points that end pieces on
// that surface, kept where inside.
TEST_F(EdInterCurveNearTest, ValidPiecesAsBounds)
{
    Sheet A(surffix::Plane(10, 10), 0.35, 0.9, 0.0, 1.0), other(surffix::Plane(10, 10));
    struct Row {
        const char* label;
        std::vector<std::pair<double, int>> extra;  // t, flags of one-surface points
        CEdTrimSurf* extraSurf;
        std::vector<std::vector<std::array<double, 2>>> bounds;
    };
    const Row rows[] = {
        {"first half outside", {}, nullptr, {{{0.35, 0.5}, {0.4, 0.5}, {0.5, 0.5}, {0.6, 0.5}, {0.7, 0.5}}}},
        {"curve point for the other surface", {{4.5, IP_CURVE_ONE}}, &other.e,
         {{{0.35, 0.5}, {0.4, 0.5}, {0.5, 0.5}, {0.6, 0.5}, {0.7, 0.5}}}},
        {"curve point for this surface", {{4.5, IP_CURVE_ONE}}, &A.e,
         {{{0.35, 0.5}, {0.4, 0.5}, {0.5, 0.5}, {0.55, 0.5}}, {{0.55, 0.5}, {0.6, 0.5}, {0.7, 0.5}}}},
        {"near point for the other surface", {{3.0, IP_NEAR_ONE}}, &other.e,
         {{{0.35, 0.5}, {0.4, 0.5}, {0.5, 0.5}, {0.6, 0.5}, {0.7, 0.5}}}},
    };
    for (const Row& r : rows) {
        std::vector<P7> p;
        for (int i = 0; i <= 6; ++i) p.push_back({0, 0, 0, 0.1 + 0.1 * i, 0.5, 0, 0});
        CEdInterCurve c;
        ASSERT_EQ(c.Create(Record(p, 3, 4).get(), &A.e, nullptr), 1) << r.label;
        AddAt(c, 0.0, IP_END);
        AddAt(c, 2.5, IP_BOUND_A, &A.e);
        AddAt(c, 6.0, IP_END);
        for (const auto& [t, f] : r.extra) AddAt(c, t, f, r.extraSurf);
        CEdTrimBound* chain = c.GetValidBound(&A.e, 0);
        std::vector<std::vector<std::array<double, 2>>> got;
        for (CEdTrimBound* b = chain; b; b = b->next) {
            std::vector<std::array<double, 2>> pts;
            for (int i = 0; i <= b->nLast; ++i) {
                pts.push_back({std::round(b->Point(i)[0] * 1e9) / 1e9, std::round(b->Point(i)[1] * 1e9) / 1e9});
                EXPECT_EQ(b->Point(i)[2], i) << r.label;
            }
            got.push_back(pts);
            EXPECT_EQ(b->kind, BND_CURVE) << r.label;
            EXPECT_EQ(b->side, 3) << r.label;
            EXPECT_NE(b->worldPts, nullptr) << r.label;
        }
        EXPECT_EQ(got, r.bounds) << r.label;
        DeleteChain(chain);
    }
    CEdInterCurve empty;
    EXPECT_EQ(empty.GetValidBound(&A.e, 0), nullptr);
}

// A piece on a cylinder that starts just beyond the seam is moved back into the range
// when most of its points lie outside it.
TEST_F(EdInterCurveNearTest, PiecesOnPeriodicSurfacesComeIntoRange)
{
    Sheet cyl(surffix::Cylinder(1.0, 2.0));
    ASSERT_EQ(cyl.e.uPeriodic, 1);
    auto c = OnOne({{0.8, 0.5}, {0.9, 0.5}, {1.0, 0.5}, {1.1, 0.5}, {1.2, 0.5}, {1.3, 0.5}}, cyl);
    ASSERT_EQ(c->periodic[0], 1);
    CEdInterPoint P, Q;
    double p[7], q[7];
    c->GetPoint(2.5, p);
    P.Set(p);
    c->GetPoint(5.0, q);
    Q.Set(q);
    P.t = 2.5, Q.t = 5.0;
    CEdTrimBound* b = c->GetSubBound(&P, &Q, kCoordA, &cyl.e, 0);
    ASSERT_NE(b, nullptr);
    ASSERT_EQ(b->nLast, 3);
    const double want[4] = {0.05, 0.1, 0.2, 0.3};
    for (int i = 0; i <= 3; ++i) EXPECT_NEAR(b->Point(i)[0], want[i], 1e-9) << i;
    EXPECT_NEAR(b->uvBox.xmin, 0.05, 1e-9);
    EXPECT_NEAR(b->uvBox.xmax, 0.3, 1e-9);
    // The world points are the cylinder's at the moved values.
    for (int i = 0; i <= 3; ++i) {
        const auto w = cyl.At(want[i], 0.5);
        EXPECT_NEAR(P3D_Dist(b->worldPts + 3 * i, w.data()), 0.0, 1e-9) << i;
    }
    delete b;
    EXPECT_EQ(c->GetSubBound(&P, &P, kCoordA, &cyl.e, 0), nullptr);
    EXPECT_EQ(c->GetSubBound(&Q, &P, kCoordA, &cyl.e, 0), nullptr);
}

// Valid pieces of a curve on two surfaces as segments and as intersection records:
// the records hold the piece's points with curve parameters and unit tangents, so they
// evaluate on the curve; the caller frees them and their surface records.
TEST_F(EdInterCurveNearTest, PiecesAsIntersectionRecords)
{
    // The circle of radius 3 about (5, 2) where the plane z = 0 meets an upright cylinder.
    Sheet A(surffix::Plane(10, 10)), B(Moved(surffix::Cylinder(3.0, 2.0), 5, 2, -1));
    const double R = 0.3;
    std::vector<P7> arc;
    for (int i = 0; i <= 7; ++i) {
        const double p[3] = {5 + 3 * std::cos(0.2 * i), 2 + 3 * std::sin(0.2 * i), 0};
        double u = 0, v = 0, foot[3];
        ASSERT_EQ(ESRF_ProjectPoint(&u, &v, foot, B.K(), p), 1);
        ASSERT_LT(P3D_Dist(foot, p), 1e-9);
        arc.push_back({p[0], p[1], p[2], p[0] / 10, p[1] / 10, u, v});
    }
    auto c = std::make_unique<CEdInterCurve>();
    ASSERT_EQ(c->Create(Record(arc).get(), &A.e, &B.e), 1);
    struct Row {
        const char* label;
        double t0, t1;
        std::vector<int> interior;
    };
    const Row rows[] = {{"from 2.5 to 5", 2.5, 5.0, {3, 4}}, {"from 2 to 5.5", 2.0, 5.5, {3, 4, 5}},
                        {"within one segment", 2.2, 2.7, {}}, {"whole curve", 0.0, 7.0, {1, 2, 3, 4, 5, 6}}};
    for (const Row& r : rows) {
        CEdInterLine line;
        line.curve = c.get();
        double p[7], q[7];
        c->GetPoint(r.t0, p);
        c->GetPoint(r.t1, q);
        SetInterLineEnd(false, r.t0, &line, p + 3, p, p + 5);
        SetInterLineEnd(true, r.t1, &line, q + 3, q, q + 5);
        const long live = QV_MemLiveCount();
        ECRV_INTCUR* rec = InterLineToIntcur(&line);
        ASSERT_NE(rec, nullptr) << r.label;
        EXPECT_EQ(rec->h.type, ENT_INTERSECTION) << r.label;
        EXPECT_EQ(rec->h.ref, 1) << r.label;
        ASSERT_NE(rec->a, nullptr) << r.label;
        ASSERT_NE(rec->b, nullptr) << r.label;
        EXPECT_NE(rec->a, A.K()) << r.label;
        EXPECT_EQ(rec->a->type, ENT_NURBS_SURFACE) << r.label;
        EXPECT_EQ(rec->side[0] | rec->side[1], 0) << r.label;
        const SSI_TRACE& tr = *rec->trace;
        ASSERT_EQ(tr.n, static_cast<int>(r.interior.size()) + 2) << r.label;
        EXPECT_EQ(std::vector<double>(tr.s[0].p, tr.s[0].p + 3), std::vector<double>(p, p + 3)) << r.label;
        EXPECT_EQ(std::vector<double>(tr.s[tr.n - 1].uvB, tr.s[tr.n - 1].uvB + 2), std::vector<double>(q + 5, q + 7))
            << r.label;
        for (size_t k = 0; k < r.interior.size(); ++k)
            EXPECT_EQ(std::vector<double>(tr.s[k + 1].p, tr.s[k + 1].p + 3),
                      std::vector<double>(c->Point(r.interior[k]), c->Point(r.interior[k]) + 3))
                << r.label;
        EXPECT_EQ(tr.s[0].t, 0.0) << r.label;
        for (int k = 0; k < tr.n; ++k) {
            EXPECT_NEAR(std::hypot(tr.s[k].tan[0], tr.s[k].tan[1], tr.s[k].tan[2]), 1.0, 1e-12) << r.label;
            if (k + 1 < tr.n) {
                const double chord = P3D_Dist(tr.s[k].p, tr.s[k + 1].p);
                EXPECT_GE(tr.s[k + 1].t - tr.s[k].t, chord * (1 - 1e-12)) << r.label;
                EXPECT_LE(tr.s[k + 1].t - tr.s[k].t, chord * 1.01) << r.label;
            }
        }
        // Evaluated between the samples, the record stays on the circle of radius 3 (in 3D).
        for (int k = 0; k < 20; ++k) {
            double x[3];
            ASSERT_EQ(ECRV_IntersectionPoint(rec, tr.s[tr.n - 1].t * (k + 0.5) / 20, x), 1) << r.label;
            EXPECT_NEAR(std::hypot(x[0] - 5, x[1] - 2), 10 * R, 2e-3) << r.label;
            EXPECT_NEAR(x[2], 0.0, 1e-9) << r.label;
        }
        ENT_Free(rec->a);
        ENT_Free(rec->b);
        ECRV_FreeIntersection(rec);
        EXPECT_EQ(QV_MemLiveCount(), live) << r.label;
    }
    CEdInterLine orphan;
    EXPECT_EQ(InterLineToIntcur(&orphan), nullptr);
    EXPECT_EQ(InterLineToIntcur(nullptr), nullptr);
}

// Valid segments join across points whose neighbouring pieces are both inside; a
// curve on one surface has none.
TEST_F(EdInterCurveNearTest, ValidSegmentsJoinNeighbours)
{
    Sheet A(surffix::Plane(10, 10), 0.0, 0.65, 0.0, 1.0), B(surffix::Plane(10, 10));
    auto c = OnBoth(Straight(7, 0.1, 0.7, 0.5), A, B);
    AddAt(*c, 0.0, IP_END);
    AddAt(*c, 2.5, IP_CURVE_BOTH, &A.e);
    AddAt(*c, 5.5, IP_BOUND_A, &A.e);
    AddAt(*c, 6.0, IP_END);
    CEdInterLine* lines = c->GetValidSegment(0);
    ASSERT_NE(lines, nullptr);
    EXPECT_EQ(lines->next, nullptr);
    EXPECT_EQ(lines->curve, c.get());
    EXPECT_EQ(lines->t0, 0.0);
    EXPECT_EQ(lines->t1, 5.5);
    EXPECT_NEAR(lines->uA1, 0.65, 1e-12);
    EXPECT_NEAR(lines->x1, 6.5, 1e-12);
    DeleteChain(lines);
    auto one = OnOne(Straight(7, 0.1, 0.7, 0.5), A);
    AddAt(*one, 0.0, IP_END);
    AddAt(*one, 6.0, IP_END);
    EXPECT_EQ(one->GetValidSegment(0), nullptr);
    CTypedPtrList<CPtrList, ECRV_INTCUR*> list;
    one->GetValidIntCur(&list);
    EXPECT_EQ(list.GetCount(), 0);
}
