#include "toolpath/surfkernel/KernelRecords.h"

#include "framework/numerak/Box3D.h"
#include "framework/numerak/Point3D.h"
#include "framework/numerak/QvMem.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

namespace {

template <class T> T* allocZeroed(std::size_t count = 1)
{
    auto* p = static_cast<T*>(QV_MemAlloc(sizeof(T) * count));
    if (p)
        std::memset(static_cast<void*>(p), 0, sizeof(T) * count);
    return p;
}

// P3D_Dist2's arithmetic, inlined: the subdivision takes several per patch.
double dist(const double* a, const double* b)
{
    const double dx = a[0] - b[0], dy = a[1] - b[1], dz = a[2] - b[2];
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

double angleBetween(const double* a, const double* b)
{
    double c[3];
    V3D_Cross(a, b, c);
    return std::atan2(V3D_Len(c), V3D_Dot(a, b));
}

template <class Node> void freeChain(Node* head)
{
    while (head) {
        Node* next = head->next;
        QV_MemFree(head);
        head = next;
    }
}


void extendBox(double* box, const double* p)
{
    for (int i = 0; i < 3; ++i) {
        box[i] = std::min(box[i], p[i]);
        box[i + 3] = std::max(box[i + 3], p[i]);
    }
}

// Cell of a point in a grid of cubes of side h; indices are clamped far out,
// which only puts very distant points into shared cells.
using CellKey = std::array<long long, 3>;

bool sameCell(const CellKey& a, const CellKey& b) { return a[0] == b[0] && a[1] == b[1] && a[2] == b[2]; }

struct CellEntry {
    CellKey key;
    std::size_t index; // position in the list
    bool operator<(const CellEntry& o) const
    {
        for (int i = 0; i < 3; ++i)
            if (key[i] != o.key[i])
                return key[i] < o.key[i];
        return index < o.index;
    }
};

// Slot of a cell in a hash table of 2^bits slots.
std::size_t cellSlot(const CellKey& k, int bits)
{
    const auto h = static_cast<std::uint64_t>(k[0]) * 0x9E3779B97F4A7C15ull ^
                   static_cast<std::uint64_t>(k[1]) * 0xC2B2AE3D27D4EB4Full ^
                   static_cast<std::uint64_t>(k[2]) * 0x165667B19E3779F9ull;
    return static_cast<std::size_t>(h >> (64 - bits));
}

CellKey cellKey(const double* p, double h)
{
    constexpr double limit = 1e15;
    CellKey k;
    for (int i = 0; i < 3; ++i)
        k[i] = static_cast<long long>(std::clamp(std::floor(p[i] / h), -limit, limit));
    return k;
}

// Every earlier kept node compared with each node: the search without cells.
void removeDuplicatesPlain(SSI_POINT** head, double dist)
{
    for (SSI_POINT* keep = *head; keep; keep = keep->next) {
        SSI_POINT* n = keep->next;
        while (n) {
            SSI_POINT* next = n->next;
            if (std::sqrt(P3D_Dist2(n->p, keep->p)) < dist) {
                *head = ESSI_UnlinkPoint(*head, n);
                ESSI_FreePoint(n);
            }
            n = next;
        }
    }
}

} // namespace

SSI_POINT* ESSI_NewPoint(double uA, double vA, double uB, double vB, const double* p, const double* tan)
{
    auto* n = allocZeroed<SSI_POINT>();
    if (!n)
        return nullptr;
    n->uvA[0] = uA;
    n->uvA[1] = vA;
    n->uvB[0] = uB;
    n->uvB[1] = vB;
    if (p)
        P3D_Copy(p, n->p);
    if (tan)
        P3D_Copy(tan, n->tan);
    return n;
}

SSI_POINT* ESSI_PushPoint(double uA, double vA, double uB, double vB, const double* p, SSI_POINT** head)
{
    if (!head)
        return nullptr;
    SSI_POINT* n = ESSI_NewPoint(uA, vA, uB, vB, p, nullptr);
    if (!n)
        return nullptr;
    ESSI_LinkBefore(n, *head);
    *head = n;
    return n;
}

void ESSI_ClearPoint(SSI_POINT* node)
{
    if (node)
        std::memset(static_cast<void*>(node), 0, sizeof(SSI_POINT));
}

SSI_POINT* ESSI_CopyPoint(const SSI_POINT* node)
{
    if (!node)
        return nullptr;
    auto* n = allocZeroed<SSI_POINT>();
    if (!n)
        return nullptr;
    *n = *node;
    n->prev = n->next = nullptr;
    return n;
}

void ESSI_FreePoint(SSI_POINT* node) { QV_MemFree(node); }

void ESSI_ReversePoint(SSI_POINT* node)
{
    if (!node)
        return;
    for (double& x : node->tan)
        x = -x;
    for (int i = 0; i < 2; ++i) {
        node->duvA[i] = -node->duvA[i];
        node->duvB[i] = -node->duvB[i];
    }
    node->sign = -node->sign;
}

SSI_POINT* ESSI_FreePointList(SSI_POINT* head)
{
    freeChain(head);
    return nullptr;
}

SSI_POINT* ESSI_AppendList(SSI_POINT* a, SSI_POINT* b)
{
    if (!a)
        return b;
    if (!b)
        return a;
    SSI_POINT* last = a;
    while (last->next)
        last = last->next;
    last->next = b;
    b->prev = last;
    return a;
}

SSI_POINT* ESSI_UnlinkPoint(SSI_POINT* head, SSI_POINT* node)
{
    if (!node)
        return head;
    if (node->prev)
        node->prev->next = node->next;
    if (node->next)
        node->next->prev = node->prev;
    if (head == node)
        head = node->next;
    node->prev = node->next = nullptr;
    return head;
}

void ESSI_LinkBefore(SSI_POINT* node, SSI_POINT* list)
{
    if (!node)
        return;
    node->prev = nullptr;
    node->next = list;
    if (list)
        list->prev = node;
}

void ESSI_RemoveDuplicates(SSI_POINT** head, double dist)
{
    if (!head || !*head || !(dist > 0.0))
        return;
    // A node goes when it lies nearer than dist to an earlier node that stays.
    // Nodes are filed in cubic cells twice dist wide, so each is compared only
    // with the earlier nodes of its own and the 26 neighbouring cells, whose
    // runs of entries are found through a hash table of the cells. Without
    // memory for the cells every earlier kept node is compared instead; the
    // result is the same.
    std::size_t n = 0;
    for (const SSI_POINT* p = *head; p; p = p->next)
        ++n;
    auto* nodes = static_cast<SSI_POINT**>(QV_MemAlloc(sizeof(SSI_POINT*) * n));
    auto* cells = static_cast<CellEntry*>(QV_MemAlloc(sizeof(CellEntry) * n));
    auto* kept = static_cast<unsigned char*>(QV_MemAlloc(n));
    // skip[k]: the first entry at or after k not yet found removed (k = the
    // entry count stands for the end); at[i]: the entry of node i; table:
    // 1 + the first entry of each cell's run (0: empty slot), at least twice
    // as many slots as cells.
    int bits = 1;
    while ((std::size_t{1} << bits) < 2 * n)
        ++bits;
    const std::size_t slots = std::size_t{1} << bits;
    auto* skip = static_cast<std::size_t*>(QV_MemAlloc(sizeof(std::size_t) * (2 * n + 1 + slots)));
    if (!nodes || !cells || !kept || !skip) {
        QV_MemFree(nodes);
        QV_MemFree(cells);
        QV_MemFree(kept);
        QV_MemFree(skip);
        removeDuplicatesPlain(head, dist);
        return;
    }
    std::size_t* at = skip + n + 1;
    std::size_t filed = 0;
    {
        std::size_t i = 0;
        for (SSI_POINT* p = *head; p; p = p->next, ++i) {
            nodes[i] = p;
            kept[i] = 1;
            // A point with a non-finite coordinate is near nothing: it stays
            // and removes nothing, so it needs no cell.
            if (std::isfinite(p->p[0]) && std::isfinite(p->p[1]) && std::isfinite(p->p[2]))
                cells[filed++] = CellEntry{cellKey(p->p, 2.0 * dist), i};
        }
    }
    std::sort(cells, cells + filed);
    for (std::size_t k = 0; k <= filed; ++k)
        skip[k] = k;
    for (std::size_t k = 0; k < filed; ++k)
        at[cells[k].index] = k;
    std::size_t* table = at + n;
    std::fill(table, table + slots, std::size_t{0});
    for (std::size_t k = 0; k < filed; ++k)
        if (k == 0 || !sameCell(cells[k - 1].key, cells[k].key)) {
            std::size_t h = cellSlot(cells[k].key, bits);
            while (table[h])
                h = (h + 1) & (slots - 1);
            table[h] = k + 1;
        }
    // The first entry of the cell's run; the entry count without one.
    const auto runOf = [&](const CellKey& key) {
        for (std::size_t h = cellSlot(key, bits); table[h]; h = (h + 1) & (slots - 1))
            if (sameCell(cells[table[h] - 1].key, key))
                return table[h] - 1;
        return filed;
    };
    // Removed entries are passed over through skip, halving the paths it
    // walks, so a crowd of removed nodes in one cell is not walked again and
    // again.
    const auto live = [skip](std::size_t k) {
        while (skip[k] != k) {
            skip[k] = skip[skip[k]];
            k = skip[k];
        }
        return k;
    };
    // Verdicts in list order, so every earlier node around one is settled.
    for (std::size_t i = 0; i < n; ++i) {
        const double* p = nodes[i]->p;
        if (!(std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2])))
            continue;
        const CellEntry e{cellKey(p, 2.0 * dist), i};
        bool near = false;
        for (int dx = -1; dx <= 1 && !near; ++dx)
            for (int dy = -1; dy <= 1 && !near; ++dy)
                for (int dz = -1; dz <= 1 && !near; ++dz) {
                    const CellKey probe{e.key[0] + dx, e.key[1] + dy, e.key[2] + dz};
                    // The entries of a cell lie in list order: only earlier nodes count.
                    std::size_t k = live(runOf(probe));
                    for (; k < filed && sameCell(cells[k].key, probe) && cells[k].index < i && !near; k = live(k + 1))
                        near = std::sqrt(P3D_Dist2(p, nodes[cells[k].index]->p)) < dist;
                }
        if (near) {
            kept[i] = 0;
            skip[at[i]] = at[i] + 1;
        }
    }
    for (std::size_t i = 0; i < n; ++i)
        if (!kept[i]) {
            *head = ESSI_UnlinkPoint(*head, nodes[i]);
            ESSI_FreePoint(nodes[i]);
        }
    QV_MemFree(nodes);
    QV_MemFree(cells);
    QV_MemFree(kept);
    QV_MemFree(skip);
}

SSI_TRACE* ESSI_NewTraceArray(int n, const double* tol3)
{
    auto* t = allocZeroed<SSI_TRACE>();
    if (!t)
        return nullptr;
    if (n > 0) {
        t->s = allocZeroed<SSI_SAMPLE>(static_cast<std::size_t>(n));
        if (!t->s) {
            QV_MemFree(t);
            return nullptr;
        }
        t->n = n;
    }
    if (tol3) {
        t->tol[0] = tol3[0];
        t->tol[1] = tol3[2];
        t->tol[2] = tol3[1];
    } else {
        t->tol[0] = 0.0001;
        t->tol[1] = 0.1;
        t->tol[2] = 0.001;
    }
    return t;
}

int ESSI_FreeTraceArray(SSI_TRACE* trace)
{
    if (trace) {
        QV_MemFree(trace->s);
        QV_MemFree(trace);
    }
    return 1;
}

SSI_TRACE* ESSI_CopyTraceArray(const SSI_TRACE* trace)
{
    if (!trace)
        return nullptr;
    SSI_TRACE* copy = ESSI_NewTraceArray(trace->n, nullptr);
    if (!copy)
        return nullptr;
    std::memcpy(copy->tol, trace->tol, sizeof copy->tol);
    if (trace->n > 0)
        std::memcpy(static_cast<void*>(copy->s), trace->s, sizeof(SSI_SAMPLE) * static_cast<std::size_t>(trace->n));
    return copy;
}

int ESSI_TraceSegment(double t, const SSI_TRACE* trace)
{
    if (!trace || trace->n < 2 || !std::isfinite(t))
        return -1;
    const int n = trace->n;
    const double t0 = trace->s[0].t;
    const double tn = trace->s[n - 1].t;
    const double period = tn - t0;
    if (!(period >= 1e-12))
        return -1;
    // One step of wrapping by a whole number of periods; the loops below only
    // tidy rounding, so a far-away t costs no more than a near one.
    if (t < t0 - 1e-12 || t > tn + 1e-12)
        t -= std::floor((t - t0) / period) * period;
    while (t < t0 - 1e-12)
        t += period;
    while (t > tn + 1e-12)
        t -= period;
    if (t < t0 + 1e-12)
        return 0;
    if (t > tn - 1e-12)
        return n - 2;
    for (int i = 0; i + 1 < n; ++i)
        if (trace->s[i].t <= t && t < trace->s[i + 1].t)
            return i;
    return -1;
}

int ESSI_TraceClosure(const SSI_TRACE* trace, double distTol, double angleTol)
{
    if (!trace || trace->n < 1)
        return 2;
    const SSI_SAMPLE& a = trace->s[0];
    const SSI_SAMPLE& b = trace->s[trace->n - 1];
    if (!(dist(a.p, b.p) < distTol))
        return 2;
    return angleBetween(a.tan, b.tan) >= angleTol ? 1 : 0;
}

// Blocks grow from the first size to the largest by doubling; the largest
// stays below the size from which malloc maps memory of its own.
struct SSI_RECORDPOOL {
    struct Block {
        Block* prev;
        std::size_t bytes; // keeps the records behind it 16-byte aligned
    };
    Block* last;
    char* next;
    char* end;
    std::size_t blockBytes;
    SSI_NODE* spare; // released nodes, linked by next
};

namespace {

constexpr std::size_t kFirstBlock = 4096;
constexpr std::size_t kLargestBlock = 65536;

// Zeroed room for `bytes` (a multiple of 8) in the pool; null when memory runs out.
void* poolTake(SSI_RECORDPOOL* pool, std::size_t bytes)
{
    if (static_cast<std::size_t>(pool->end - pool->next) < bytes) {
        const std::size_t size = std::max(pool->blockBytes, sizeof(SSI_RECORDPOOL::Block) + bytes);
        auto* block = static_cast<SSI_RECORDPOOL::Block*>(QV_MemAlloc(size));
        if (!block)
            return nullptr;
        block->prev = pool->last;
        block->bytes = size;
        pool->last = block;
        pool->next = reinterpret_cast<char*>(block + 1);
        pool->end = reinterpret_cast<char*>(block) + size;
        pool->blockBytes = std::min(2 * pool->blockBytes, kLargestBlock);
    }
    void* p = pool->next;
    pool->next += bytes;
    std::memset(p, 0, bytes);
    return p;
}

template <class T> T* newRecord(SSI_RECORDPOOL* pool)
{
    static_assert(sizeof(T) % 8 == 0, "pool records keep 8-byte alignment");
    return pool ? static_cast<T*>(poolTake(pool, sizeof(T))) : allocZeroed<T>();
}

} // namespace

SSI_RECORDPOOL* ESSI_NewRecordPool()
{
    auto* pool = allocZeroed<SSI_RECORDPOOL>();
    if (pool)
        pool->blockBytes = kFirstBlock;
    return pool;
}

void ESSI_FreeRecordPool(SSI_RECORDPOOL* pool)
{
    if (!pool)
        return;
    for (SSI_RECORDPOOL::Block* b = pool->last; b;) {
        SSI_RECORDPOOL::Block* prev = b->prev;
        QV_MemFree(b);
        b = prev;
    }
    QV_MemFree(pool);
}

SSI_NODE* ESSI_NewNode(double u, double v, SSI_RECORDPOOL* pool)
{
    SSI_NODE* n = nullptr;
    if (pool && pool->spare) {
        n = pool->spare;
        pool->spare = n->next;
        std::memset(static_cast<void*>(n), 0, sizeof *n);
    } else {
        n = newRecord<SSI_NODE>(pool);
    }
    if (n) {
        n->u = u;
        n->v = v;
    }
    return n;
}

void ESSI_ReleaseNode(SSI_NODE* node, SSI_RECORDPOOL* pool)
{
    if (!node)
        return;
    if (!pool) {
        QV_MemFree(node);
        return;
    }
    node->next = pool->spare;
    pool->spare = node;
}

void ESSI_FreeNodeList(SSI_NODE* head) { freeChain(head); }

void ESSI_FreeNodeList(SSI_PATCH* head) { freeChain(head); }

SSI_PATCH* ESSI_NewPatch(SSI_NODE* c0, SSI_NODE* c1, SSI_NODE* c2, SSI_NODE* c3, SSI_RECORDPOOL* pool)
{
    auto* p = newRecord<SSI_PATCH>(pool);
    if (!p)
        return nullptr;
    p->c[0] = c0;
    p->c[1] = c1;
    p->c[2] = c2;
    p->c[3] = c3;
    for (int i = 0; i < 3; ++i) {
        p->box[i] = -1e12;
        p->box[i + 3] = 1e12;
    }
    return p;
}

void ESSI_PatchCentre(const SSI_PATCH* patch, double* out)
{
    for (int i = 0; i < 3; ++i)
        out[i] = 0.25 * (patch->c[0]->p[i] + patch->c[1]->p[i] + patch->c[2]->p[i] + patch->c[3]->p[i]);
}

namespace {

// Edge lengths of a patch: c0-c2 and c3-c1 along u, c2-c3 and c1-c0 along v.
struct PatchEdges {
    double e02, e23, e31, e10;
    explicit PatchEdges(const SSI_PATCH* p)
        : e02(dist(p->c[0]->p, p->c[2]->p)), e23(dist(p->c[2]->p, p->c[3]->p)), e31(dist(p->c[3]->p, p->c[1]->p)),
          e10(dist(p->c[1]->p, p->c[0]->p))
    {
    }
    explicit PatchEdges(const double* e) : e02(e[0]), e23(e[1]), e31(e[2]), e10(e[3]) {}
    bool Within(double tol) const { return e02 <= tol && e23 <= tol && e31 <= tol && e10 <= tol; }
    // A patch that is too long or not flat is halved across its longer sides.
    int SplitDir() const { return e10 + e23 >= e02 + e31 ? 1 : 0; }
};

} // namespace

int ESSI_EdgeSplit(const SSI_PATCH* patch, double edgeTol, double* edges)
{
    const PatchEdges e(patch);
    if (edges) {
        edges[0] = e.e02;
        edges[1] = e.e23;
        edges[2] = e.e31;
        edges[3] = e.e10;
    }
    return e.Within(edgeTol) ? -1 : e.SplitDir();
}

int ESSI_AcceptPatch(const double* normal, int* splitDir, double planeTol, double normalTol, double edgeTol,
                     const double* centre, SSI_PATCH* patch, const double* edges)
{
    const PatchEdges lengths = edges ? PatchEdges(edges) : PatchEdges(patch);
    const double e02 = lengths.e02, e23 = lengths.e23, e31 = lengths.e31, e10 = lengths.e10;
    bool flat = lengths.Within(edgeTol);
    for (int i = 0; flat && i < 4; ++i) {
        double d[3];
        V3D_Sub(patch->c[i]->p, centre, d);
        flat = std::fabs(V3D_Dot(d, normal)) <= planeTol;
    }
    if (!flat) {
        *splitDir = lengths.SplitDir();
        return 0;
    }
    const double small = 0.1 * edgeTol;
    if (!(e02 < small && e23 < small && e31 < small && e10 < small)) {
        const double* n0 = patch->c[0]->n;
        const double* n1 = patch->c[1]->n;
        const double* n2 = patch->c[2]->n;
        const double* n3 = patch->c[3]->n;
        if (dist(n0, n2) > normalTol) {
            *splitDir = 0;
            return 0;
        }
        if (dist(n1, n0) > normalTol || dist(n2, n3) > normalTol) {
            *splitDir = 1;
            return 0;
        }
        if (dist(n3, n1) > normalTol) {
            *splitDir = 0;
            return 0;
        }
    }
    double mean[3];
    ESSI_PatchCentre(patch, mean);
    const double grow = 2.0 * dist(mean, centre);
    for (int i = 0; i < 3; ++i)
        patch->box[i] = patch->box[i + 3] = centre[i];
    for (int k = 0; k < 4; ++k)
        extendBox(patch->box, patch->c[k]->p);
    for (int i = 0; i < 3; ++i) {
        patch->box[i] -= grow;
        patch->box[i + 3] += grow;
    }
    P3D_Copy(normal, patch->n);
    return 1;
}

SSI_PATCH* ESSI_SplitPatch(SSI_NODE** a, SSI_PATCH* patch, int dir, SSI_NODE** b, SSI_RECORDPOOL* pool)
{
    if (!a || !b || !patch)
        return nullptr;
    SSI_NODE** c = patch->c;
    SSI_NODE* na = dir == 1 ? ESSI_NewNode(c[0]->u, 0.5 * (c[0]->v + c[1]->v), pool)
                            : ESSI_NewNode(0.5 * (c[0]->u + c[2]->u), c[0]->v, pool);
    if (!na)
        return nullptr;
    SSI_NODE* nb = dir == 1 ? ESSI_NewNode(c[2]->u, 0.5 * (c[2]->v + c[3]->v), pool)
                            : ESSI_NewNode(0.5 * (c[1]->u + c[3]->u), c[1]->v, pool);
    if (!nb) {
        ESSI_ReleaseNode(na, pool);
        return nullptr;
    }
    SSI_PATCH* np = dir == 1 ? ESSI_NewPatch(na, c[1], nb, c[3], pool) : ESSI_NewPatch(na, nb, c[2], c[3], pool);
    if (!np) {
        ESSI_ReleaseNode(na, pool);
        ESSI_ReleaseNode(nb, pool);
        return nullptr;
    }
    if (dir == 1) {
        c[1] = na;
        c[3] = nb;
    } else {
        c[2] = na;
        c[3] = nb;
    }
    np->next = patch;
    *a = na;
    *b = nb;
    return np;
}

SSI_SUBDIV* ESSI_NewSubdivision(const double* uvBox, double planeTol, double normalTol, double edgeTol)
{
    auto* s = allocZeroed<SSI_SUBDIV>();
    if (!s)
        return nullptr;
    s->tolPlane = planeTol;
    s->tolNormal = normalTol;
    s->tolEdge = edgeTol;
    constexpr double big = std::numeric_limits<double>::max();
    if (uvBox) {
        std::memcpy(s->uv, uvBox, sizeof s->uv);
    } else {
        s->uv[0] = s->uv[1] = big;
        s->uv[2] = s->uv[3] = -big;
    }
    for (int i = 0; i < 3; ++i) {
        s->box[i] = big;
        s->box[i + 3] = -big;
    }
    return s;
}

int ESSI_FreeSubdivision(SSI_SUBDIV* sub)
{
    if (sub) {
        if (sub->pool) {
            ESSI_FreeRecordPool(sub->pool);
        } else {
            ESSI_FreeNodeList(sub->nodes);
            ESSI_FreeNodeList(sub->patches);
        }
        ESSI_FreePatchIndex(sub->index);
        QV_MemFree(sub);
    }
    return 1;
}

void ESSI_SubdivisionBox(SSI_SUBDIV* sub)
{
    if (!sub)
        return;
    constexpr double big = std::numeric_limits<double>::max();
    for (int i = 0; i < 3; ++i) {
        sub->box[i] = big;
        sub->box[i + 3] = -big;
    }
    for (const SSI_PATCH* p = sub->patches; p; p = p->next) {
        extendBox(sub->box, p->box);
        extendBox(sub->box, p->box + 3);
    }
}

_facet* FACET_New(int nodes, int triangles, int quads)
{
    auto* f = allocZeroed<_facet>();
    if (!f)
        return nullptr;
    bool ok = true;
    if (nodes > 0 && ok) {
        f->nodes = allocZeroed<_facetnode>(static_cast<std::size_t>(nodes));
        f->nn = nodes;
        ok = f->nodes != nullptr;
    }
    if (triangles > 0 && ok) {
        f->tri = static_cast<std::int32_t(*)[3]>(QV_MemAlloc(sizeof(std::int32_t[3]) * static_cast<std::size_t>(triangles)));
        f->nt = triangles;
        ok = f->tri != nullptr;
    }
    if (quads > 0 && ok) {
        f->quad = static_cast<std::int32_t(*)[4]>(QV_MemAlloc(sizeof(std::int32_t[4]) * static_cast<std::size_t>(quads)));
        f->nq = quads;
        ok = f->quad != nullptr;
    }
    if (!ok) {
        FACET_Free(f);
        return nullptr;
    }
    return f;
}

int FACET_Free(_facet* table)
{
    if (!table)
        return 0;
    QV_MemFree(table->nodes);
    QV_MemFree(table->tri);
    QV_MemFree(table->quad);
    QV_MemFree(table);
    return 1;
}
