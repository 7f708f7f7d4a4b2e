// Subdivision of a surface into flat patches and the seed points of a
// surface/surface intersection.
#include "toolpath/surfkernel/SurfaceIntersect.h"

#include "framework/numerak/Box3D.h"
#include "framework/numerak/Plane3D.h"
#include "framework/numerak/Point3D.h"
#include "framework/numerak/QvMem.h"
#include "framework/numerak/QvnMath.h"
#include "toolpath/surfkernel/SmallEquations.h"
#include "toolpath/surfkernel/SubdivNodes.h"
#include "toolpath/surfkernel/SurfaceEntity.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

constexpr int kSeedSteps = 32;
// The seed refinement stops when its gap has not shrunk by this ratio over
// this many iterations.
constexpr int kStallSpan = 4;
constexpr double kStallRatio = 0.5;
// |NA × NB| where a failed seed refinement stopped below which a touching
// contact is looked for.
constexpr double kTouchingStart = 0.01;

// Both surfaces evaluated where a seed refinement stopped (points, partials,
// unit normals), so that the tests after it need not evaluate them again.
struct SeedEval {
    bool known = false;
    double PA[3], SuA[3], SvA[3], NA[3], PB[3], SuB[3], SvB[3], NB[3];
};

// Unit-normal evaluations (ESSI_EvalUnitNormal) of the two surfaces of one
// seed search by exact (u, v), direct mapped: the refinements of
// neighbouring patch pairs start at the same patch centres and stop at the
// same clamp-box corners.
struct NormalMemo {
    struct Slot {
        const SURFACE* s; // null: empty
        double uv[2];
        double P[3], Su[3], Sv[3], N[3];
    };
    static constexpr int kBits = 10;
    Slot* slots = nullptr;

    NormalMemo() = default;
    NormalMemo(const NormalMemo&) = delete;
    NormalMemo& operator=(const NormalMemo&) = delete;
    bool Init()
    {
        slots = static_cast<Slot*>(QV_MemAlloc(sizeof(Slot) << kBits));
        if (slots)
            for (int i = 0; i < 1 << kBits; ++i)
                slots[i].s = nullptr;
        return slots != nullptr;
    }
    ~NormalMemo() { QV_MemFree(slots); }

    // ESSI_EvalUnitNormal, from the memo when it holds (s, uv).
    bool Eval(const SURFACE* s, const double* uv, double* P, double* Su, double* Sv, double* N)
    {
        std::uint64_t u, v;
        std::memcpy(&u, &uv[0], sizeof u);
        std::memcpy(&v, &uv[1], sizeof v);
        const std::uint64_t h = u * 0x9E3779B97F4A7C15ull ^ v * 0xC2B2AE3D27D4EB4Full ^
                                static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(s)) * 0x165667B19E3779F9ull;
        Slot& slot = slots[h >> (64 - kBits)];
        if (slot.s != s || std::memcmp(slot.uv, uv, sizeof slot.uv) != 0) {
            if (ESSI_EvalUnitNormal(s, uv, slot.P, slot.Su, slot.Sv, slot.N) != 1) {
                slot.s = nullptr;
                return false;
            }
            slot.s = s;
            std::memcpy(slot.uv, uv, sizeof slot.uv);
        }
        P3D_Copy(slot.P, P);
        P3D_Copy(slot.Su, Su);
        P3D_Copy(slot.Sv, Sv);
        P3D_Copy(slot.N, N);
        return true;
    }
};

// ESSI_EvalUnitNormal through the memo when there is one.
bool EvalUnitNormal(NormalMemo* memo, const SURFACE* s, const double* uv, double* P, double* Su, double* Sv, double* N)
{
    return memo ? memo->Eval(s, uv, P, Su, Sv, N) : ESSI_EvalUnitNormal(s, uv, P, Su, Sv, N) == 1;
}

// The evaluation at (uvA, uvB): the kept one when there is one.
bool EvalSeed(const SURFACE* A, const double* uvA, const SURFACE* B, const double* uvB, const SeedEval& kept,
              SeedEval& at)
{
    if (kept.known) {
        at = kept;
        return true;
    }
    at.known = ESSI_EvalUnitNormal(A, uvA, at.PA, at.SuA, at.SvA, at.NA) &&
               ESSI_EvalUnitNormal(B, uvB, at.PB, at.SuB, at.SvB, at.NB);
    return at.known;
}

bool EvalNode(const SURFACE* s, SSI_NODE* n) { return ESRF_EvalNormal(n->n, n->p, s, n->u, n->v) == 1; }

double MaxEdge(const SSI_PATCH* p)
{
    const double* c[4] = {p->c[0]->p, p->c[1]->p, p->c[2]->p, p->c[3]->p};
    return std::sqrt(std::max({P3D_Dist2(c[0], c[2]), P3D_Dist2(c[2], c[3]), P3D_Dist2(c[3], c[1]),
                               P3D_Dist2(c[1], c[0])}));
}

bool BoxesMeet(const double* a, const double* b, double tol)
{
    for (int i = 0; i < 3; ++i)
        if (a[i] - tol > b[i + 3] || b[i] - tol > a[i + 3])
            return false;
    return true;
}

struct TreeNode {
    double box[6];
    int first, count; // leaf: range of items; inner: count < 0, children first and right
    int right;
};

// A patch box copied into the index, beside its patch.
struct IndexItem {
    double box[6];
    const SSI_PATCH* patch;
};

// Leaves hold up to this many patches.
constexpr int kLeafSize = 8;

double LongestSide(const double* box)
{
    return std::max({box[3] - box[0], box[4] - box[1], box[5] - box[2]});
}

} // namespace

// Box tree over the patch boxes of one subdivision. The subdivision accepts
// its patches depth first, so patches next to each other in that order lie
// next to each other on the surface: runs of kLeafSize patches make the
// leaves and neighbouring nodes are paired level by level, without sorting.
// The boxes are copied in that order, so that a search reads one array
// rather than chasing the patch list.
struct SSI_PATCHINDEX {
    IndexItem* items;
    TreeNode* nodes;
    int root; // -1 without patches
};

namespace {

void UniteBoxes(const double* a, const double* b, double* out)
{
    for (int i = 0; i < 3; ++i) {
        out[i] = std::min(a[i], b[i]);
        out[i + 3] = std::max(a[i + 3], b[i + 3]);
    }
}

// The index over n items (taken, freed with the index).
SSI_PATCHINDEX* IndexItems(IndexItem* items, int n)
{
    auto* ix = static_cast<SSI_PATCHINDEX*>(QV_MemAlloc(sizeof(SSI_PATCHINDEX)));
    const int leaves = (n + kLeafSize - 1) / kLeafSize;
    // Pairing up levels makes fewer than 2 * leaves nodes, plus one carried
    // node per level.
    TreeNode* nodes = leaves > 0 ? static_cast<TreeNode*>(QV_MemAlloc(sizeof(TreeNode) * (2 * leaves + 32))) : nullptr;
    if (!ix || (leaves > 0 && !nodes)) {
        QV_MemFree(ix);
        QV_MemFree(items);
        QV_MemFree(nodes);
        return nullptr;
    }
    ix->items = items;
    ix->nodes = nodes;
    ix->root = leaves > 0 ? 0 : -1;
    int used = 0;
    for (int first = 0; first < n; first += kLeafSize) {
        TreeNode& leaf = nodes[used++];
        leaf.first = first;
        leaf.count = std::min(kLeafSize, n - first);
        std::memcpy(leaf.box, items[first].box, sizeof leaf.box);
        for (int k = first + 1; k < first + leaf.count; ++k)
            UniteBoxes(leaf.box, items[k].box, leaf.box);
    }
    // Each level pairs the nodes of the level below; an odd last node moves
    // up alone.
    for (int begin = 0, end = used; end - begin > 1; begin = end, end = used) {
        for (int k = begin; k < end; k += 2) {
            if (k + 1 == end) {
                nodes[used++] = nodes[k];
                continue;
            }
            TreeNode& up = nodes[used++];
            UniteBoxes(nodes[k].box, nodes[k + 1].box, up.box);
            up.first = k;
            up.right = k + 1;
            up.count = -1;
        }
    }
    ix->root = used - 1;
    return ix;
}

// Index over a subdivision's patch list (for one that came without one).
SSI_PATCHINDEX* NewPatchIndex(const SSI_SUBDIV* sub)
{
    int n = 0;
    for (const SSI_PATCH* p = sub->patches; p; p = p->next)
        ++n;
    auto* items = static_cast<IndexItem*>(QV_MemAlloc(sizeof(IndexItem) * std::max(n, 1)));
    if (!items)
        return nullptr;
    int i = 0;
    for (const SSI_PATCH* p = sub->patches; p; p = p->next, ++i) {
        std::memcpy(items[i].box, p->box, sizeof p->box);
        items[i].patch = p;
    }
    return IndexItems(items, n);
}

// Calls f(P, Q) for every item P of a and Q of b whose boxes meet within tol,
// descending both trees together so that only meeting branches are opened;
// stops when f gives false.
template <class F> bool ForEachMeeting(const SSI_PATCHINDEX* a, const SSI_PATCHINDEX* b, double tol, F f)
{
    if (a->root < 0 || b->root < 0)
        return true;
    struct Pair {
        int a, b;
    };
    // Each descent replaces one pair by two: the stack never holds more than
    // the two depths (each below 32 for any count of patches) plus one.
    Pair stack[80];
    int top = 0;
    stack[top++] = {a->root, b->root};
    while (top > 0) {
        const Pair pr = stack[--top];
        const TreeNode& x = a->nodes[pr.a];
        const TreeNode& y = b->nodes[pr.b];
        if (!BoxesMeet(x.box, y.box, tol))
            continue;
        const bool xLeaf = x.count >= 0, yLeaf = y.count >= 0;
        if (xLeaf && yLeaf) {
            for (int i = x.first; i < x.first + x.count; ++i) {
                const IndexItem& P = a->items[i];
                if (!BoxesMeet(P.box, y.box, tol))
                    continue;
                for (int j = y.first; j < y.first + y.count; ++j)
                    if (BoxesMeet(P.box, b->items[j].box, tol) && !f(P.patch, b->items[j].patch))
                        return false;
            }
        } else if (!xLeaf && (yLeaf || LongestSide(x.box) >= LongestSide(y.box))) {
            stack[top++] = {x.right, pr.b};
            stack[top++] = {x.first, pr.b};
        } else {
            stack[top++] = {pr.a, y.right};
            stack[top++] = {pr.a, y.first};
        }
    }
    return true;
}

void PatchUVBox(const SSI_PATCH* p, double* box)
{
    box[0] = p->c[0]->u;
    box[1] = p->c[0]->v;
    box[2] = p->c[3]->u;
    box[3] = p->c[3]->v;
}

void TangentUV(const double* Su, const double* Sv, const double* T, double* duv)
{
    EQ_Decompose2(Sv, Su, T, &duv[0], &duv[1]);
}

double L1(const double* a, const double* b)
{
    return std::fabs(a[0] - b[0]) + std::fabs(a[1] - b[1]) + std::fabs(a[2] - b[2]);
}

// Moves (u, v) so that S + Su du + Sv dv comes nearest to Q; clamped into the
// box when one is given.
void MoveTowards(const double* Q, const double* S, const double* Su, const double* Sv, const double* clamp,
                 double* uv)
{
    double d[3], du, dv;
    V3D_Sub(Q, S, d);
    EQ_Decompose2(Sv, Su, d, &du, &dv);
    uv[0] += du;
    uv[1] += dv;
    if (clamp) {
        uv[0] = QVN_Math::Clamp(clamp[0], clamp[2], uv[0]);
        uv[1] = QVN_Math::Clamp(clamp[1], clamp[3], uv[1]);
    }
}

// Where the two patches touch rather than cross, the seed refinement crawls
// (the gap closes with the square of the distance to the contact) and stops
// short: from where it stopped, with the normals there already close to
// parallel, the contact refinement finds the touching point, which must lie
// in both patches. stopCross is |NA × NB| where the refinement stopped when
// it is known (else negative), kept the evaluation there when known.
bool TouchingSeed(const SURFACE* A, const double* clampA, const SURFACE* B, const double* clampB, double* uvA,
                  double* uvB, double* point, double stopCross, const SeedEval& kept)
{
    if (stopCross > kTouchingStart)
        return false;
    double a[2] = {uvA[0], uvA[1]}, b[2] = {uvB[0], uvB[1]};
    SeedEval at;
    if (!EvalSeed(A, a, B, b, kept, at))
        return false;
    double* PA = at.PA;
    double* PB = at.PB;
    double cr[3];
    V3D_Cross(at.NA, at.NB, cr);
    if (V3D_Len(cr) > kTouchingStart)
        return false;
    const double eps = ESSI_GetPointTol();
    // Surfaces touching along a line give the contact refinement no single
    // point; where the seed refinement already brought both points within
    // the point tolerance, that common point is the seed.
    const bool common = std::sqrt(P3D_Dist2(PA, PB)) < eps;
    double mid[3];
    P3D_Lerp(PA, PB, 0.5, mid);
    if (ESSI_RefineContact(b, PB, A, B, a, PA, eps, eps) != 1) {
        if (!common)
            return false;
        P3D_Copy(mid, point);
        return true;
    }
    auto inside = [](const double* box, const double* uv) {
        return uv[0] >= box[0] && uv[0] <= box[2] && uv[1] >= box[1] && uv[1] <= box[3];
    };
    if (!inside(clampA, a) || !inside(clampB, b))
        return false;
    std::memcpy(uvA, a, sizeof a);
    std::memcpy(uvB, b, sizeof b);
    P3D_Lerp(PA, PB, 0.5, point);
    return true;
}

// A seed whose normals are nearly parallel lies in the thin band where two
// touching surfaces are closer than the tolerance; where a contact point
// lies next to it, the seed moves there (it then starts as a tangential seed).
void NearContact(const SURFACE* A, const SURFACE* B, double* uvA, double* uvB, double* point, const SeedEval& kept)
{
    SeedEval at;
    if (!EvalSeed(A, uvA, B, uvB, kept, at))
        return;
    double* PA = at.PA;
    double* PB = at.PB;
    double cr[3];
    V3D_Cross(at.NA, at.NB, cr);
    if (V3D_Len(cr) > kSsiTouching)
        return;
    const double eps = ESSI_GetPointTol();
    double a[2] = {uvA[0], uvA[1]}, b[2] = {uvB[0], uvB[1]};
    if (ESSI_RefineContact(b, PB, A, B, a, PA, eps, eps) != 1)
        return;
    double P[3];
    P3D_Lerp(PA, PB, 0.5, P);
    double r[3];
    ESSI_GetTraceTolerance(r);
    if (std::sqrt(P3D_Dist2(P, point)) > r[0])
        return;
    std::memcpy(uvA, a, sizeof a);
    std::memcpy(uvB, b, sizeof b);
    P3D_Copy(P, point);
}

// Whether the branch through a tangential seed (both senses of its tangent)
// leaves a parameter box at once: each sense, moved by `reach` along the
// surfaces, ends more than half of that outside one of the boxes. A branch
// across the shared edge of two faces that touch along it is such a branch:
// one sense leaves the first face, the other the second.
bool BranchLeavesAtOnce(const SURFACE* A, const double* boxA, const SURFACE* B, const double* boxB,
                        const SSI_POINT* seed, double reach)
{
    const SURFACE* surfaces[2] = {A, B};
    const double* boxes[2] = {boxA, boxB};
    const double* uvs[2] = {seed->uvA, seed->uvB};
    const double* duvs[2] = {seed->duvA, seed->duvB};
    double lengths[2][2]; // |Su|, |Sv| of each surface
    for (int s = 0; s < 2; ++s) {
        double P[3], Su[3], Sv[3];
        if (ESRF_EvalDeriv1(surfaces[s], uvs[s][0], uvs[s][1], P, Su, Sv) != 1)
            return false;
        lengths[s][0] = V3D_Len(Su);
        lengths[s][1] = V3D_Len(Sv);
    }
    for (double sense : {1.0, -1.0}) {
        double outside = 0.0;
        for (int s = 0; s < 2; ++s)
            for (int k = 0; k < 2; ++k) {
                const double x = uvs[s][k] + sense * reach * duvs[s][k];
                const double over = std::max(boxes[s][k] - x, x - boxes[s][k + 2]);
                outside = std::max(outside, over * lengths[s][k]);
            }
        if (!(outside > 0.5 * reach))
            return false;
    }
    return true;
}

} // namespace

int ESSI_EvalUnitNormal(const SURFACE* s, const double* uv, double* P, double* Su, double* Sv, double* N)
{
    if (ESRF_EvalDeriv1(s, uv[0], uv[1], P, Su, Sv) != 1)
        return 0;
    V3D_Cross(Su, Sv, N);
    if (V3D_Unit(N, 1e-12) == 1)
        return 1;
    double p[3];
    return ESRF_EvalNormal(N, p, s, uv[0], uv[1]) == 1 ? 1 : 0;
}

int ESSI_Subdivide(const SURFACE* s, const double* box, double planeTol, double normalTol, double edgeTol,
                   SSI_SUBDIV** out)
{
    if (!s || !box || !out)
        return 0;
    *out = nullptr;
    SSI_SUBDIV* sub = ESSI_NewSubdivision(box, planeTol, normalTol, edgeTol);
    if (!sub)
        return 0;
    SSI_PATCH* work = nullptr;
    SubdivNodes known;
    // The accepted patches in order, for the patch index.
    IndexItem* items = nullptr;
    int accepted = 0, room = 0;
    // Nodes and patches, those of the work chain too, live in the pool and
    // go with the subdivision.
    auto fail = [&]() {
        ESSI_FreeSubdivision(sub);
        QV_MemFree(items);
        return 0;
    };
    if (!(sub->pool = ESSI_NewRecordPool()) || !known.Init())
        return fail();
    SSI_NODE* grid[3][3];
    for (int i = 2; i >= 0; --i)
        for (int j = 2; j >= 0; --j) {
            SSI_NODE* n = ESSI_NewNode(box[0] + i * (box[2] - box[0]) / 2, box[1] + j * (box[3] - box[1]) / 2, sub->pool);
            if (!n)
                return fail();
            n->next = sub->nodes;
            sub->nodes = n;
            grid[i][j] = n;
            if (!EvalNode(s, n))
                return fail();
            known.AddCorner(n);
        }
    // Quadrants: (lower u, lower v) first, (upper u, upper v) last.
    for (int q = 3; q >= 0; --q) {
        const int i = q & 1, j = q >> 1;
        SSI_PATCH* p = ESSI_NewPatch(grid[i][j], grid[i][j + 1], grid[i + 1][j], grid[i + 1][j + 1], sub->pool);
        if (!p)
            return fail();
        p->next = work;
        work = p;
    }
    long examined = 0;
    while (work) {
        if (examined > kSubdivHardCap)
            return fail();
        SSI_PATCH* p = work;
        // Past the first cap the edge test no longer splits: an edge tolerance
        // just above the patch's longest edge keeps the normal test running.
        double e = edgeTol;
        if (examined > kSubdivEdgeCap)
            e = std::max(edgeTol, MaxEdge(p) * (1.0 + 1e-9) + 1e-300);
        ++examined;
        // A patch with an edge over the tolerance is split whatever its
        // centre: the centre is then not evaluated (a later split that needs
        // the point evaluates it there, to the same value).
        double edges[4];
        int dir = ESSI_EdgeSplit(p, e, edges);
        const bool evaluated = dir < 0;
        SSI_NODE centre{};
        centre.u = 0.5 * (p->c[0]->u + p->c[3]->u);
        centre.v = 0.5 * (p->c[0]->v + p->c[3]->v);
        if (evaluated && !EvalNode(s, &centre))
            return fail();
        if (evaluated && ESSI_AcceptPatch(centre.n, &dir, planeTol, normalTol, e, centre.p, p, edges)) {
            if (accepted == room) {
                room = std::max(2 * room, 1024);
                auto* grown = static_cast<IndexItem*>(QV_MemAlloc(sizeof(IndexItem) * room));
                if (!grown)
                    return fail();
                if (accepted > 0)
                    std::memcpy(static_cast<void*>(grown), items, sizeof(IndexItem) * accepted);
                QV_MemFree(items);
                items = grown;
            }
            std::memcpy(items[accepted].box, p->box, sizeof p->box);
            items[accepted++].patch = p;
            work = p->next;
            p->next = sub->patches;
            sub->patches = p;
            continue;
        }
        // The centre lies on the split line, where a later split may need it.
        if (evaluated)
            known.KeepCentre(centre);
        SSI_NODE *a = nullptr, *b = nullptr;
        SSI_PATCH* split = ESSI_SplitPatch(&a, p, dir, &b, sub->pool);
        if (!split)
            return fail();
        work = split; // the new half, then the shrunk old one
        if (!known.PlaceSplitNodes(s, sub, split, a, b))
            return fail();
    }
    sub->index = IndexItems(items, accepted);
    items = nullptr;
    if (!sub->index)
        return fail();
    // The 3D box is the root's box: the union of the patch boxes.
    if (sub->index->root >= 0)
        std::memcpy(sub->box, sub->index->nodes[sub->index->root].box, sizeof sub->box);
    *out = sub;
    return 1;
}

namespace {

// ESSI_RefineSeed; a refinement that gives up right after evaluating both
// surfaces writes |NA × NB| there to *stopCross (else -1). One that stops
// right after evaluating both surfaces (done or given up) keeps that
// evaluation in *last, so that the tests after it need not evaluate them
// again. Evaluations go through the memo when one is given.
int RefineSeed(const SURFACE* A, const double* clampB, double* uvB, double tol, double angleTol, const SURFACE* B,
               const double* clampA, double* uvA, double* point, double* stopCross, SeedEval* last,
               NormalMemo* memo = nullptr)
{
    *stopCross = -1.0;
    last->known = false;
    double C[3] = {0, 0, 0}, Q[3] = {0, 0, 0};
    // Gaps of the last iterations: a pair whose gap stops closing (the common
    // point lies outside the clamp boxes) gives up early.
    double gaps[kSeedSteps];
    // (u, v) of the evaluations held in *last: a surface whose parameters did
    // not move (held at a corner of its clamp box) is not evaluated again.
    double evaluatedA[2], evaluatedB[2];
    bool haveA = false, haveB = false;
    auto same = [](const double* a, const double* b) { return std::memcmp(a, b, 2 * sizeof(double)) == 0; };
    for (int it = 0; it < kSeedSteps; ++it) {
        SeedEval& at = *last;
        if (!(haveA && same(evaluatedA, uvA))) {
            if (!EvalUnitNormal(memo, A, uvA, at.PA, at.SuA, at.SvA, at.NA))
                return 0;
            std::memcpy(evaluatedA, uvA, sizeof evaluatedA);
            haveA = true;
        }
        if (!(haveB && same(evaluatedB, uvB))) {
            if (!EvalUnitNormal(memo, B, uvB, at.PB, at.SuB, at.SvB, at.NB))
                return 0;
            std::memcpy(evaluatedB, uvB, sizeof evaluatedB);
            haveB = true;
        }
        const double *PA = at.PA, *SuA = at.SuA, *SvA = at.SvA, *NA = at.NA;
        const double *PB = at.PB, *SuB = at.SuB, *SvB = at.SvB, *NB = at.NB;
        double cr[3];
        gaps[it] = std::sqrt(P3D_Dist2(PA, PB));
        V3D_Cross(NA, NB, cr);
        if (it >= kStallSpan && gaps[it] > kStallRatio * gaps[it - kStallSpan]) {
            *stopCross = V3D_Len(cr);
            at.known = true;
            return 0;
        }
        const double m = std::max(V3D_Len(cr) * tol, 1e-12);
        if (it == 0) {
            P3D_Lerp(PA, PB, 0.5, C);
        } else {
            const double dA = L1(PA, C), dB = L1(PB, C);
            if (dA < m && dB < m) {
                P3D_Copy(C, point);
                at.known = true;
                return 1;
            }
            for (int e = 0; e < 3; ++e)
                C[e] = (PA[e] * dA + PB[e] * dB) / (dA + dB);
            const double gap = std::sqrt(P3D_Dist2(PA, PB)), moved = std::sqrt(P3D_Dist2(C, Q));
            const double lim = it <= 8 ? m : tol;
            if (gap < lim && moved < lim) {
                P3D_Copy(C, point);
                at.known = true;
                return 1;
            }
        }
        // Planes just above the angle tolerance apart can give a line of
        // rounding noise (1 - cos² of the angle cancels): then the estimate.
        double linePoint[3], lineDir[3];
        bool onLine = Isect3_PlnPln(PA, NA, PB, NB, tol, angleTol, linePoint, lineDir) == 1;
        if (onLine) {
            double d[3];
            V3D_Sub(C, linePoint, d);
            const double t = V3D_Dot(d, lineDir);
            for (int e = 0; e < 3; ++e)
                Q[e] = linePoint[e] + t * lineDir[e];
            onLine = std::isfinite(Q[0] + Q[1] + Q[2]);
        }
        if (!onLine)
            P3D_Copy(C, Q);
        MoveTowards(Q, PA, SuA, SvA, clampA, uvA);
        MoveTowards(Q, PB, SuB, SvB, clampB, uvB);
    }
    return 0;
}

} // namespace

int ESSI_RefineSeed(const SURFACE* A, const double* clampB, double* uvB, double tol, double angleTol,
                    const SURFACE* B, const double* clampA, double* uvA, double* point)
{
    if (!A || !B || !uvA || !uvB || !point)
        return 0;
    double stopCross;
    SeedEval last;
    return RefineSeed(A, clampB, uvB, tol, angleTol, B, clampA, uvA, point, &stopCross, &last);
}

int ESSI_PeriodicBox(const SURFACE* s, const double* box, double* out)
{
    _param P[2];
    if (!box || !out || ESRF_GetDomain(s, &P[0], &P[1]) != 1)
        return 0;
    std::memmove(out, box, 4 * sizeof(double));
    for (int k = 0; k < 2; ++k)
        if (P[k].closure == 2 && box[k + 2] - box[k] > P[k].end - P[k].start - 1e-12) {
            out[k] = -1e20;
            out[k + 2] = 1e20;
        }
    return 1;
}

int ESSI_StartSeed(SSI_POINT** seeds, const double* r, const SURFACE* A, const SURFACE* B, SSI_POINT* seed)
{
    if (!seeds || !r || !A || !B || !seed)
        return 0;
    double PA[3], SuA[3], SvA[3], NA[3], PB[3], SuB[3], SvB[3], NB[3];
    if (!ESSI_EvalUnitNormal(A, seed->uvA, PA, SuA, SvA, NA) || !ESSI_EvalUnitNormal(B, seed->uvB, PB, SuB, SvB, NB))
        return 0;
    P3D_Lerp(PA, PB, 0.5, seed->p);
    // The first step stays well inside both parameter boxes. Vanishing
    // products (a pole) are ignored like unbounded ones: they would stop the
    // trace before it starts.
    double h = r[2];
    const SURFACE* surfaces[2] = {A, B};
    const double* partials[2][2] = {{SuA, SvA}, {SuB, SvB}};
    for (int s = 0; s < 2; ++s) {
        _param P[2];
        if (ESRF_GetDomain(surfaces[s], &P[0], &P[1]) != 1)
            continue;
        for (int k = 0; k < 2; ++k) {
            const double length = V3D_Len(partials[s][k]) * (P[k].end - P[k].start);
            if (length > 1e-12 && length <= 1e12)
                h = std::min(h, 0.1 * length);
        }
    }
    seed->step = h;
    double T[3];
    V3D_Cross(NA, NB, T);
    const double len = V3D_Len(T);
    if (len >= 1e-6) {
        seed->flag = 0;
        for (int e = 0; e < 3; ++e)
            seed->tan[e] = T[e] / len;
        TangentUV(SuA, SvA, seed->tan, seed->duvA);
        TangentUV(SuB, SvB, seed->tan, seed->duvB);
        seed->sign = V3D_Dot(T, seed->tan);
        return 1;
    }
    seed->flag = 1;
    seed->sign = 0.0;
    int count = 0;
    double first[3], second[3];
    if (ESSI_BranchDirections(&count, seed->uvA, second, first, A, B, seed->uvB) != 1)
        return 0;
    if (count == 0) {
        // An isolated contact: no direction to trace.
        std::memset(seed->tan, 0, sizeof seed->tan);
        std::memset(seed->duvA, 0, sizeof seed->duvA);
        std::memset(seed->duvB, 0, sizeof seed->duvB);
        return 1;
    }
    P3D_Copy(first, seed->tan);
    TangentUV(SuA, SvA, first, seed->duvA);
    TangentUV(SuB, SvB, first, seed->duvB);
    if (count == 2 || count == 100) {
        // The second branch through the point is traced from its own seed.
        SSI_POINT* other = ESSI_CopyPoint(seed);
        if (!other)
            return 0;
        P3D_Copy(second, other->tan);
        TangentUV(SuA, SvA, second, other->duvA);
        TangentUV(SuB, SvB, second, other->duvB);
        ESSI_LinkBefore(other, *seeds);
        *seeds = other;
    }
    return 1;
}

void ESSI_FreePatchIndex(SSI_PATCHINDEX* index)
{
    if (!index)
        return;
    QV_MemFree(index->items);
    QV_MemFree(index->nodes);
    QV_MemFree(index);
}

int ESSI_ForEachPatchPair(const SSI_SUBDIV* a, const SSI_SUBDIV* b, double tol,
                          int (*f)(void*, const SSI_PATCH*, const SSI_PATCH*), void* context)
{
    if (!a || !b || !f)
        return 0;
    // A subdivision without its index gets one for this call.
    SSI_PATCHINDEX* madeA = a->index ? nullptr : NewPatchIndex(a);
    SSI_PATCHINDEX* madeB = b->index ? nullptr : NewPatchIndex(b);
    const SSI_PATCHINDEX* ia = a->index ? a->index : madeA;
    const SSI_PATCHINDEX* ib = b->index ? b->index : madeB;
    const int ok = ia && ib &&
                   ForEachMeeting(ia, ib, tol, [&](const SSI_PATCH* P, const SSI_PATCH* Q) { return f(context, P, Q) == 1; });
    ESSI_FreePatchIndex(madeA);
    ESSI_FreePatchIndex(madeB);
    return ok ? 1 : 0;
}

int ESSI_FindSeeds(const double* boxA, const double* boxB, const SURFACE* A, SSI_SUBDIV** slotA, const SURFACE* B,
                   SSI_SUBDIV** slotB, SSI_POINT** seeds)
{
    if (!boxA || !boxB || !A || !B || !slotA || !slotB || !seeds)
        return 0;
    *seeds = nullptr;
    double s[3], r[3];
    ESSI_GetSubdivTolerance(s);
    ESSI_GetTraceTolerance(r);
    if (!*slotA && ESSI_Subdivide(A, boxA, 5 * s[0], 5 * s[1], 5 * s[2], slotA) != 1)
        return 0;
    if (!*slotB && ESSI_Subdivide(B, boxB, 5 * s[0], 5 * s[1], 5 * s[2], slotB) != 1)
        return 0;
    for (SSI_SUBDIV* sub : {*slotA, *slotB})
        if (!sub->index && !(sub->index = NewPatchIndex(sub)))
            return 0;
    const double eps = ESSI_GetPointTol(), angleTol = ESSI_GetAngleTol();
    // Every meeting pair is refined: skipping pairs whose box already holds a
    // seed loses a second curve through the same pair, and which pairs it
    // skips depends on the order of the search. Neighbouring pairs that
    // refine to the same seed are removed as duplicates within r0.
    struct Context {
        const SURFACE *A, *B;
        double eps, angleTol;
        SSI_POINT* list;
        NormalMemo memo;
    } ctx{A, B, eps, angleTol, nullptr, {}};
    if (!ctx.memo.Init())
        return 0;
    auto refine = [](void* data, const SSI_PATCH* P, const SSI_PATCH* Q) {
        auto& c = *static_cast<Context*>(data);
        double clampA[4], clampB[4], uvA[2], uvB[2], point[3];
        PatchUVBox(P, clampA);
        PatchUVBox(Q, clampB);
        uvA[0] = 0.5 * (clampA[0] + clampA[2]);
        uvA[1] = 0.5 * (clampA[1] + clampA[3]);
        uvB[0] = 0.5 * (clampB[0] + clampB[2]);
        uvB[1] = 0.5 * (clampB[1] + clampB[3]);
        double stopCross = -1.0;
        SeedEval last;
        if (RefineSeed(c.A, clampB, uvB, 0.01 * c.eps, c.angleTol, c.B, clampA, uvA, point, &stopCross, &last,
                       &c.memo) == 1) {
            NearContact(c.A, c.B, uvA, uvB, point, last);
        } else if (!TouchingSeed(c.A, clampA, c.B, clampB, uvA, uvB, point, stopCross, last)) {
            return 1;
        }
        SSI_POINT* seed = ESSI_NewPoint(uvA[0], uvA[1], uvB[0], uvB[1], point, nullptr);
        if (!seed)
            return 0;
        ESSI_LinkBefore(seed, c.list);
        c.list = seed;
        return 1;
    };
    SSI_POINT*& list = ctx.list;
    if (ESSI_ForEachPatchPair(*slotA, *slotB, 5 * s[0], refine, &ctx) != 1) {
        ESSI_FreePointList(list);
        return 0;
    }
    ESSI_RemoveDuplicates(&list, r[0]);
    double openA[4], openB[4];
    if (ESSI_PeriodicBox(A, boxA, openA) != 1 || ESSI_PeriodicBox(B, boxB, openB) != 1) {
        ESSI_FreePointList(list);
        return 0;
    }
    auto inside = [](const double* box, const double* uv) {
        return uv[0] >= box[0] - 1e-12 && uv[0] <= box[2] + 1e-12 && uv[1] >= box[1] - 1e-12 &&
               uv[1] <= box[3] + 1e-12;
    };
    for (SSI_POINT* p = list; p;) {
        SSI_POINT* next = p->next;
        if (!inside(openA, p->uvA) || !inside(openB, p->uvB)) {
            list = ESSI_UnlinkPoint(list, p);
            ESSI_FreePoint(p);
        } else if (ESSI_StartSeed(&list, r, A, B, p) != 1) {
            ESSI_FreePointList(list);
            return 0;
        }
        p = next;
    }
    // A tangential seed whose branch leaves the domain at once is no branch
    // (the copies for second branches sit at the head of the list).
    for (SSI_POINT* p = list; p;) {
        SSI_POINT* next = p->next;
        if (p->flag == 1 && V3D_Len(p->tan) > 0.0 && BranchLeavesAtOnce(A, openA, B, openB, p, r[0])) {
            list = ESSI_UnlinkPoint(list, p);
            ESSI_FreePoint(p);
        }
        p = next;
    }
    *seeds = list;
    return 1;
}
