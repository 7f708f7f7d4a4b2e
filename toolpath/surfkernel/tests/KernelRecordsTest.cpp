#include "toolpath/surfkernel/KernelRecords.h"

#include "AllocFailureWalk.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numbers>
#include <random>
#include <vector>

namespace {

constexpr double kPi = std::numbers::pi;

std::vector<SSI_POINT*> listOf(SSI_POINT* head)
{
    std::vector<SSI_POINT*> out;
    const SSI_POINT* prev = nullptr;
    for (SSI_POINT* n = head; n; n = n->next) {
        EXPECT_EQ(n->prev, prev) << "back link of node " << out.size();
        prev = n;
        out.push_back(n);
    }
    return out;
}

TEST(KernelRecordsTest, TracePointListsLinkAndUnlink)
{
    SSI_POINT* head = nullptr;
    const double pts[4][3] = {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}};
    for (int i = 3; i >= 0; --i)
        ASSERT_NE(ESSI_PushPoint(i, 0, 0, i, pts[i], &head), nullptr);
    EXPECT_EQ(ESSI_PushPoint(0, 0, 0, 0, nullptr, nullptr), nullptr) << "null head pointer";
    auto nodes = listOf(head);
    ASSERT_EQ(nodes.size(), 4u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(nodes[i]->p[0], i);
        EXPECT_EQ(nodes[i]->uvA[0], i);
        EXPECT_EQ(nodes[i]->uvB[1], i);
        EXPECT_EQ(nodes[i]->tan[0], 0.0) << "tangent cleared";
    }
    head = ESSI_UnlinkPoint(head, nodes[0]);
    EXPECT_EQ(head, nodes[1]) << "unlinking the head";
    EXPECT_EQ(nodes[0]->next, nullptr);
    head = ESSI_UnlinkPoint(head, nodes[2]);
    EXPECT_EQ(listOf(head), (std::vector<SSI_POINT*>{nodes[1], nodes[3]}));
    ESSI_LinkBefore(nodes[2], head);
    head = nodes[2];
    head = ESSI_AppendList(head, nodes[0]);
    EXPECT_EQ(listOf(head), (std::vector<SSI_POINT*>{nodes[2], nodes[1], nodes[3], nodes[0]}));
    EXPECT_EQ(ESSI_AppendList(nullptr, head), head);
    EXPECT_EQ(ESSI_FreePointList(head), nullptr);
}

TEST(KernelRecordsTest, ReverseCopyAndClearAPoint)
{
    const double p[3] = {1, 2, 3}, t[3] = {0, 1, 0};
    SSI_POINT* n = ESSI_NewPoint(0.1, 0.2, 0.3, 0.4, p, t);
    ASSERT_NE(n, nullptr);
    n->duvA[0] = 1;
    n->duvB[1] = -2;
    n->step = 0.5;
    n->sign = 3;
    ESSI_ReversePoint(n);
    EXPECT_EQ(n->tan[1], -1.0);
    EXPECT_EQ(n->duvA[0], -1.0);
    EXPECT_EQ(n->duvB[1], 2.0);
    EXPECT_EQ(n->sign, -3.0);
    EXPECT_EQ(n->step, 0.5) << "the step keeps its sign";
    EXPECT_EQ(n->p[2], 3.0);
    SSI_POINT other{};
    n->next = &other;
    SSI_POINT* c = ESSI_CopyPoint(n);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->next, nullptr);
    EXPECT_EQ(c->uvB[1], 0.4);
    ESSI_ClearPoint(c);
    EXPECT_EQ(c->uvB[1], 0.0);
    EXPECT_EQ(c->p[0], 0.0);
    ESSI_FreePoint(c);
    ESSI_FreePoint(n);
}

TEST(KernelRecordsTest, RemoveDuplicatesKeepsTheFirstOfCoincidentNodes)
{
    SSI_POINT* head = nullptr;
    const double pts[5][3] = {{0, 0, 0}, {1, 0, 0}, {1e-9, 0, 0}, {0, 1e-9, 0}, {1, 1e-9, 0}};
    for (int i = 4; i >= 0; --i)
        ESSI_PushPoint(i, 0, 0, 0, pts[i], &head);
    ESSI_RemoveDuplicates(&head, 1e-6);
    const auto nodes = listOf(head);
    ASSERT_EQ(nodes.size(), 2u);
    EXPECT_EQ(nodes[0]->uvA[0], 0.0);
    EXPECT_EQ(nodes[1]->uvA[0], 1.0);
    ESSI_FreePointList(head);
    // Three coincident nodes only, the head among them.
    head = nullptr;
    for (int i = 0; i < 3; ++i)
        ESSI_PushPoint(i, 0, 0, 0, pts[0], &head);
    ESSI_RemoveDuplicates(&head, 1e-6);
    ASSERT_EQ(listOf(head).size(), 1u);
    EXPECT_EQ(head->uvA[0], 2.0) << "the first node stays";
    ESSI_FreePointList(head);
}

// The survivors by the plain rule: a node stays unless it lies nearer than
// dist to an earlier node that stays.
std::vector<int> plainSurvivors(const std::vector<std::array<double, 3>>& pts, double dist)
{
    std::vector<int> kept;
    for (int i = 0; i < static_cast<int>(pts.size()); ++i) {
        bool near = false;
        for (int k : kept) {
            const double dx = pts[i][0] - pts[k][0], dy = pts[i][1] - pts[k][1], dz = pts[i][2] - pts[k][2];
            near = near || std::sqrt(dx * dx + dy * dy + dz * dz) < dist;
        }
        if (!near)
            kept.push_back(i);
    }
    return kept;
}

TEST(KernelRecordsTest, RemoveDuplicatesEqualsThePlainSearch)
{
    // Clusters, a dense straight run, exact repeats, cell borders and
    // non-finite points, for several distances; also with the cell memory
    // failing, when every earlier node is compared instead.
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    std::vector<std::array<double, 3>> pts;
    for (int c = 0; c < 40; ++c) {
        const std::array<double, 3> centre = {10 * u(rng), 10 * u(rng), 10 * u(rng)};
        for (int k = 0; k < 25; ++k)
            pts.push_back({centre[0] + 0.02 * u(rng), centre[1] + 0.02 * u(rng), centre[2] + 0.02 * u(rng)});
    }
    for (int k = 0; k < 300; ++k)
        pts.push_back({0.003 * k, 5.0, -2.0});
    for (int k = 0; k < 50; ++k)
        pts.push_back(pts[static_cast<std::size_t>(k * 7)]);
    for (int k = -20; k <= 20; ++k)
        pts.push_back({0.01 * k, 0.0099999999 * k, 0.0});
    const double inf = std::numeric_limits<double>::infinity(), nan = std::nan("");
    pts.push_back({nan, 0, 0});
    pts.push_back({inf, 0, 0});
    pts.push_back({inf, 0, 0});
    pts.push_back({0, -inf, 1e300});
    std::shuffle(pts.begin() + 1000, pts.end(), rng);
    for (double dist : {1e-6, 0.005, 0.01, 0.05, 3.0, 1e300}) {
        const std::vector<int> want = plainSurvivors(pts, dist);
        for (int fail = -1; fail < 4; ++fail) {
            SSI_POINT* head = nullptr;
            for (int i = static_cast<int>(pts.size()) - 1; i >= 0; --i)
                ASSERT_NE(ESSI_PushPoint(i, 0, 0, 0, pts[static_cast<std::size_t>(i)].data(), &head), nullptr);
            const long live = QV_MemLiveCount() - static_cast<long>(pts.size() - want.size());
            QV_MemFailAfter(fail);
            ESSI_RemoveDuplicates(&head, dist);
            QV_MemFailAfter(-1);
            std::vector<int> got;
            for (const SSI_POINT* n : listOf(head))
                got.push_back(static_cast<int>(n->uvA[0]));
            EXPECT_EQ(got, want) << "distance " << dist << ", failing allocation " << fail;
            EXPECT_EQ(QV_MemLiveCount(), live) << "distance " << dist << ", failing allocation " << fail;
            ESSI_FreePointList(head);
        }
    }
}

SSI_TRACE* circleTrace(int n, double sweep)
{
    SSI_TRACE* t = ESSI_NewTraceArray(n, nullptr);
    for (int i = 0; i < n; ++i) {
        const double a = sweep * i / (n - 1);
        SSI_SAMPLE& s = t->s[i];
        s.p[0] = std::cos(a);
        s.p[1] = std::sin(a);
        s.tan[0] = -std::sin(a);
        s.tan[1] = std::cos(a);
        s.t = 2.0 + a;
    }
    return t;
}

TEST(KernelRecordsTest, TraceArraysStoreTolerancesAndCopyTruly)
{
    SSI_TRACE* d = ESSI_NewTraceArray(0, nullptr);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->n, 0);
    EXPECT_EQ(d->s, nullptr);
    EXPECT_EQ(d->tol[0], 0.0001);
    EXPECT_EQ(d->tol[1], 0.1);
    EXPECT_EQ(d->tol[2], 0.001);
    ESSI_FreeTraceArray(d);
    EXPECT_EQ(ESSI_FreeTraceArray(nullptr), 1);

    const double triple[3] = {1, 2, 3};
    SSI_TRACE* t = ESSI_NewTraceArray(5, triple);
    EXPECT_EQ(t->tol[0], 1.0);
    EXPECT_EQ(t->tol[1], 3.0) << "third value stored second";
    EXPECT_EQ(t->tol[2], 2.0);
    for (int i = 0; i < 5; ++i)
        t->s[i].t = i;
    SSI_TRACE* c = ESSI_CopyTraceArray(t);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->n, 5);
    for (int k = 0; k < 3; ++k)
        EXPECT_EQ(c->tol[k], t->tol[k]) << "copy keeps the stored order, tolerance " << k;
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(c->s[i].t, i);
    EXPECT_NE(c->s, t->s);
    ESSI_FreeTraceArray(c);
    ESSI_FreeTraceArray(t);
}

TEST(KernelRecordsTest, TraceSegmentWrapsByThePeriod)
{
    SSI_TRACE* t = circleTrace(9, 2 * kPi); // t from 2 to 2 + 2 pi, steps of pi/4
    const double period = 2 * kPi, step = kPi / 4;
    const struct { const char* label; double t; int seg; } rows[] = {
        {"first sample", 2.0, 0},
        {"inside segment 3", 2.0 + 3.5 * step, 3},
        {"on sample 4", 2.0 + 4 * step, 4},
        {"last sample", 2.0 + period, 7},
        {"half a period beyond the end", 2.0 + period + period / 2 + 0.1, 4},
        {"three periods before", 2.0 + 1.5 * step - 3 * period, 1},
        {"far beyond", 2.0 + 0.5 * step + 1e6 * period, 0},
    };
    for (const auto& r : rows)
        EXPECT_EQ(ESSI_TraceSegment(r.t, t), r.seg) << r.label;
    EXPECT_EQ(ESSI_TraceSegment(NAN, t), -1);
    EXPECT_EQ(ESSI_TraceClosure(t, 1e-6, 0.01), 0) << "full circle";
    t->s[8].tan[0] = 1.0;
    t->s[8].tan[1] = 0.0;
    EXPECT_EQ(ESSI_TraceClosure(t, 1e-6, 0.01), 1) << "closed with a corner";
    ESSI_FreeTraceArray(t);
    SSI_TRACE* arc = circleTrace(5, kPi);
    EXPECT_EQ(ESSI_TraceClosure(arc, 1e-6, 0.01), 2) << "half circle";
    EXPECT_EQ(ESSI_TraceClosure(nullptr, 1e-6, 0.01), 2);
    ESSI_FreeTraceArray(arc);
    SSI_TRACE* flat = ESSI_NewTraceArray(3, nullptr);
    EXPECT_EQ(ESSI_TraceSegment(0.0, flat), -1) << "zero period";
    ESSI_FreeTraceArray(flat);
}

// Corner nodes of a patch over [u0, u1] x [v0, v1] of z = curvature/2 (x² + y²).
struct PatchFixture {
    SSI_NODE nodes[4]{};
    SSI_PATCH* patch = nullptr;
    PatchFixture(double size, double curvature)
    {
        const double uv[4][2] = {{0, 0}, {0, size}, {size, 0}, {size, size}};
        for (int i = 0; i < 4; ++i) {
            const double x = uv[i][0], y = uv[i][1];
            nodes[i].u = x;
            nodes[i].v = y;
            nodes[i].p[0] = x;
            nodes[i].p[1] = y;
            nodes[i].p[2] = 0.5 * curvature * (x * x + y * y);
            const double gx = curvature * x, gy = curvature * y, l = std::sqrt(1 + gx * gx + gy * gy);
            nodes[i].n[0] = -gx / l;
            nodes[i].n[1] = -gy / l;
            nodes[i].n[2] = 1 / l;
        }
        patch = ESSI_NewPatch(&nodes[0], &nodes[1], &nodes[2], &nodes[3]);
    }
    ~PatchFixture() { QV_MemFree(patch); }
};

TEST(KernelRecordsTest, AcceptPatchDecidesFlatnessAndSplitDirection)
{
    const double up[3] = {0, 0, 1};
    {
        PatchFixture f(1.0, 0.0);
        EXPECT_EQ(f.patch->box[0], -1e12);
        EXPECT_EQ(f.patch->box[5], 1e12);
        const double centre[3] = {0.5, 0.5, 0.0};
        int dir = -1;
        EXPECT_EQ(ESSI_AcceptPatch(up, &dir, 0.01, 0.1, 2.0, centre, f.patch), 1) << "flat square";
        EXPECT_EQ(f.patch->box[0], 0.0);
        EXPECT_EQ(f.patch->box[4], 1.0);
        EXPECT_EQ(f.patch->n[2], 1.0);
        EXPECT_EQ(ESSI_AcceptPatch(up, &dir, 0.01, 0.1, 0.9, centre, f.patch), 0) << "edges too long";
        EXPECT_EQ(dir, 1);
    }
    {
        // Curved: corners leave the plane, and the normals differ along u.
        PatchFixture f(1.0, 0.5);
        double centre[3];
        ESSI_PatchCentre(f.patch, centre);
        int dir = -1;
        EXPECT_EQ(ESSI_AcceptPatch(up, &dir, 0.01, 0.1, 2.0, centre, f.patch), 0) << "off the plane";
        EXPECT_EQ(ESSI_AcceptPatch(up, &dir, 1.0, 0.1, 2.0, centre, f.patch), 0) << "normals differ";
        EXPECT_EQ(dir, 0) << "n0 and n2 differ first";
        // All edges below a tenth of the edge tolerance: normals are not compared.
        EXPECT_EQ(ESSI_AcceptPatch(up, &dir, 1.0, 0.1, 20.0, centre, f.patch), 1) << "small patch";
        double mean[3];
        ESSI_PatchCentre(f.patch, mean);
        EXPECT_EQ(f.patch->box[2], 0.0);
        EXPECT_EQ(f.patch->box[5], 0.5) << "exactly the corners when the centre is their mean";
    }
}

// Where the edge test alone rejects a patch, the acceptance test rejects it
// the same way whatever the centre and normal: the subdivision then skips
// evaluating the centre.
TEST(KernelRecordsTest, EdgeSplitAgreesWithTheAcceptanceTest)
{
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> coord(-1.0, 1.0);
    int rejected = 0, passed = 0;
    for (int trial = 0; trial < 2000; ++trial) {
        SSI_NODE nodes[4]{};
        for (SSI_NODE& n : nodes) {
            for (double& x : n.p)
                x = coord(rng);
            n.n[2] = 1.0;
        }
        SSI_PATCH* patch = ESSI_NewPatch(&nodes[0], &nodes[1], &nodes[2], &nodes[3]);
        const double edgeTol = 0.5 + std::fabs(coord(rng)) * 2.5;
        const int dir = ESSI_EdgeSplit(patch, edgeTol);
        double centre[3] = {coord(rng), coord(rng), coord(rng)}, normal[3] = {0, 0, 1};
        int acceptDir = -1;
        // Generous plane and normal tolerances: only the edges can reject.
        const int accepted = ESSI_AcceptPatch(normal, &acceptDir, 100.0, 100.0, edgeTol, centre, patch);
        if (dir >= 0) {
            ++rejected;
            EXPECT_EQ(accepted, 0) << trial;
            EXPECT_EQ(acceptDir, dir) << trial;
        } else {
            ++passed;
            EXPECT_EQ(accepted, 1) << trial;
        }
        QV_MemFree(patch);
    }
    EXPECT_GT(rejected, 100);
    EXPECT_GT(passed, 100);
}

TEST(KernelRecordsTest, SplitPatchHalvesTheParameterRange)
{
    for (int dir : {0, 1}) {
        PatchFixture f(2.0, 0.0);
        SSI_NODE *a = nullptr, *b = nullptr;
        SSI_PATCH* np = ESSI_SplitPatch(&a, f.patch, dir, &b);
        ASSERT_NE(np, nullptr) << dir;
        EXPECT_EQ(np->next, f.patch) << dir;
        if (dir == 1) {
            EXPECT_EQ(a->u, 0.0);
            EXPECT_EQ(a->v, 1.0);
            EXPECT_EQ(b->u, 2.0);
            EXPECT_EQ(b->v, 1.0);
            EXPECT_EQ(np->c[1], &f.nodes[1]);
            EXPECT_EQ(f.patch->c[1], a);
            EXPECT_EQ(f.patch->c[3], b);
        } else {
            EXPECT_EQ(a->u, 1.0);
            EXPECT_EQ(a->v, 0.0);
            EXPECT_EQ(b->u, 1.0);
            EXPECT_EQ(b->v, 2.0);
            EXPECT_EQ(np->c[2], &f.nodes[2]);
            EXPECT_EQ(f.patch->c[2], a);
        }
        EXPECT_EQ(a->p[0], 0.0) << "point left for the caller";
        QV_MemFree(a);
        QV_MemFree(b);
        QV_MemFree(np);
    }
}

// A pool hands out zeroed records that never overlap, also across its
// blocks, takes a released node back for the next one and frees everything
// with itself; a subdivision that owns a pool frees its lists with it.
TEST(KernelRecordsTest, RecordPoolHoldsSubdivisionRecords)
{
    const long live = QV_MemLiveCount();
    SSI_RECORDPOOL* pool = ESSI_NewRecordPool();
    ASSERT_NE(pool, nullptr);
    PatchFixture f(2.0, 0.0);
    std::vector<std::pair<const char*, const char*>> spans; // [begin, end) of every record
    SSI_PATCH* work = f.patch;
    for (int i = 0; i < 3000; ++i) {
        SSI_NODE *a = nullptr, *b = nullptr;
        SSI_PATCH* np = ESSI_SplitPatch(&a, work, i % 2, &b, pool);
        ASSERT_NE(np, nullptr);
        for (const void* r : {static_cast<const void*>(a), static_cast<const void*>(b)}) {
            const auto* node = static_cast<const SSI_NODE*>(r);
            EXPECT_TRUE(node->p[0] == 0.0 && node->n[2] == 0.0 && node->next == nullptr);
            spans.emplace_back(static_cast<const char*>(r), static_cast<const char*>(r) + sizeof(SSI_NODE));
        }
        EXPECT_EQ(np->box[0], -1e12);
        spans.emplace_back(reinterpret_cast<const char*>(np), reinterpret_cast<const char*>(np) + sizeof(SSI_PATCH));
        work = np; // keeps splitting the new half, nodes of all sizes of halves
    }
    std::sort(spans.begin(), spans.end());
    for (std::size_t i = 1; i < spans.size(); ++i)
        ASSERT_LE(spans[i - 1].second, spans[i].first) << "records overlap";
    SSI_NODE* n = ESSI_NewNode(1, 2, pool);
    n->p[0] = 5.0;
    ESSI_ReleaseNode(n, pool);
    SSI_NODE* again = ESSI_NewNode(3, 4, pool);
    EXPECT_EQ(again, n) << "a released node is handed out again";
    EXPECT_TRUE(again->u == 3 && again->v == 4 && again->p[0] == 0.0);
    EXPECT_GT(QV_MemLiveCount(), live + 2) << "records come in several blocks";
    ESSI_FreeRecordPool(pool);
    ESSI_FreeRecordPool(nullptr);
    // Owned by a subdivision: its lists go with the pool.
    SSI_SUBDIV* s = ESSI_NewSubdivision(nullptr, 1, 1, 1);
    s->pool = ESSI_NewRecordPool();
    for (int i = 0; i < 100; ++i) {
        SSI_NODE* x = ESSI_NewNode(i, 0, s->pool);
        x->next = s->nodes;
        s->nodes = x;
        SSI_PATCH* p = ESSI_NewPatch(x, x, x, x, s->pool);
        p->next = s->patches;
        s->patches = p;
    }
    ESSI_FreeSubdivision(s);
    EXPECT_EQ(QV_MemLiveCount(), live + 1) << "only the fixture's own patch is left";
}

TEST(KernelRecordsTest, SubdivisionBoxIsTheUnionOfPatchBoxes)
{
    SSI_SUBDIV* s = ESSI_NewSubdivision(nullptr, 0.01, 0.1, 1.0);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->uv[0], 1.7976931348623157e308);
    EXPECT_EQ(s->uv[2], -1.7976931348623157e308);
    for (int i = 0; i < 2; ++i) {
        SSI_PATCH* p = ESSI_NewPatch(nullptr, nullptr, nullptr, nullptr);
        for (int k = 0; k < 3; ++k) {
            p->box[k] = i + k;
            p->box[k + 3] = i + k + 1;
        }
        p->next = s->patches;
        s->patches = p;
    }
    ESSI_SubdivisionBox(s);
    EXPECT_EQ(s->box[0], 0.0);
    EXPECT_EQ(s->box[2], 2.0);
    EXPECT_EQ(s->box[3], 2.0);
    EXPECT_EQ(s->box[5], 4.0);
    EXPECT_EQ(ESSI_FreeSubdivision(s), 1);
    EXPECT_EQ(ESSI_FreeSubdivision(nullptr), 1);
    const double uv[4] = {0, 0, 1, 2};
    s = ESSI_NewSubdivision(uv, 1, 2, 3);
    EXPECT_EQ(s->uv[3], 2.0);
    EXPECT_EQ(s->tolEdge, 3.0);
    ESSI_FreeSubdivision(s);
}

TEST(KernelRecordsTest, FacetTablesHoldTheirArrays)
{
    _facet* f = FACET_New(0, 0, 0);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->nodes, nullptr);
    EXPECT_EQ(f->tri, nullptr);
    EXPECT_EQ(f->quad, nullptr);
    EXPECT_EQ(FACET_Free(f), 1);
    EXPECT_EQ(FACET_Free(nullptr), 0);
    f = FACET_New(4, 2, 1);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->nn, 4);
    f->tri[1][2] = 3;
    f->quad[0][3] = 2;
    f->nodes[3].b = 1.0;
    FACET_Free(f);
}

TEST(KernelRecordsTest, EveryAllocationFailureIsReportedWithoutLeaks)
{
    walkAllocFailures("FACET_New", [] {
        _facet* f = FACET_New(3, 2, 2);
        return f && FACET_Free(f);
    });
    walkAllocFailures("ESSI_NewTraceArray", [] {
        SSI_TRACE* t = ESSI_NewTraceArray(4, nullptr);
        return t && ESSI_FreeTraceArray(t);
    });
    SSI_TRACE* t = ESSI_NewTraceArray(4, nullptr);
    walkAllocFailures("ESSI_CopyTraceArray", [t] {
        SSI_TRACE* c = ESSI_CopyTraceArray(t);
        return c && ESSI_FreeTraceArray(c);
    });
    ESSI_FreeTraceArray(t);
    walkAllocFailures("ESSI_PushPoint and ESSI_CopyPoint", [] {
        SSI_POINT* head = nullptr;
        bool ok = ESSI_PushPoint(0, 0, 0, 0, nullptr, &head) && ESSI_PushPoint(1, 0, 0, 0, nullptr, &head);
        SSI_POINT* c = ok ? ESSI_CopyPoint(head) : nullptr;
        ok = ok && c;
        ESSI_FreePoint(c);
        ESSI_FreePointList(head);
        return ok;
    });
    walkAllocFailures("ESSI_SplitPatch", [] {
        PatchFixture f(1.0, 0.0);
        if (!f.patch)
            return false;
        SSI_NODE *a = nullptr, *b = nullptr;
        SSI_PATCH* np = ESSI_SplitPatch(&a, f.patch, 1, &b);
        if (!np) {
            EXPECT_EQ(f.patch->c[1], &f.nodes[1]) << "patch unchanged on failure";
            return false;
        }
        QV_MemFree(a);
        QV_MemFree(b);
        QV_MemFree(np);
        return true;
    });
    walkAllocFailures("ESSI_SplitPatch from a pool", [] {
        PatchFixture f(1.0, 0.0);
        SSI_RECORDPOOL* pool = f.patch ? ESSI_NewRecordPool() : nullptr;
        bool ok = pool != nullptr;
        // Enough splits to need a second block.
        for (int i = 0; ok && i < 40; ++i) {
            SSI_NODE *a = nullptr, *b = nullptr;
            ok = ESSI_SplitPatch(&a, f.patch, i % 2, &b, pool) != nullptr;
        }
        ESSI_FreeRecordPool(pool);
        return ok;
    });
    walkAllocFailures("ESSI_NewSubdivision", [] {
        SSI_SUBDIV* s = ESSI_NewSubdivision(nullptr, 1, 1, 1);
        return s && ESSI_FreeSubdivision(s);
    });
}

} // namespace
