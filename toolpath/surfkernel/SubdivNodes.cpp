#include "toolpath/surfkernel/SubdivNodes.h"

#include "framework/numerak/Point3D.h"
#include "framework/numerak/QvMem.h"
#include "toolpath/surfkernel/SurfaceEntity.h"

#include <bit>
#include <cstdint>
#include <cstring>
#include <initializer_list>

namespace {

// 2^11 slots of 80 bytes: 160 KB, which stays in the core's own cache; a
// four times larger memo re-evaluated fewer nodes but waited on memory longer.
constexpr int kSlotBits = 11;

// Parameters made by halving are short dyadic fractions whose low mantissa
// bits are all zero, so the bits are mixed through fully (a 64-bit finaliser).
unsigned SlotIndex(double u, double v)
{
    std::uint64_t h = std::bit_cast<std::uint64_t>(u) * 0x9E3779B97F4A7C15ull + std::bit_cast<std::uint64_t>(v);
    h ^= h >> 33;
    h *= 0xFF51AFD7ED558CCDull;
    h ^= h >> 33;
    return static_cast<unsigned>(h >> (64 - kSlotBits));
}

} // namespace

SubdivNodes::~SubdivNodes() { QV_MemFree(slots_); }

bool SubdivNodes::Init()
{
    const std::size_t bytes = sizeof(Slot) << kSlotBits;
    slots_ = static_cast<Slot*>(QV_MemAlloc(bytes));
    if (!slots_)
        return false;
    std::memset(static_cast<void*>(slots_), 0, bytes);
    return true;
}

SubdivNodes::Slot& SubdivNodes::SlotOf(double u, double v) const { return slots_[SlotIndex(u, v)]; }

void SubdivNodes::AddCorner(SSI_NODE* node)
{
    Slot& s = SlotOf(node->u, node->v);
    s = Slot{node->u, node->v, {}, {}, node, 1};
}

void SubdivNodes::KeepCentre(const SSI_NODE& centre)
{
    Slot& s = SlotOf(centre.u, centre.v);
    s = Slot{centre.u, centre.v, {centre.p[0], centre.p[1], centre.p[2]}, {centre.n[0], centre.n[1], centre.n[2]},
             nullptr, 1};
}

bool SubdivNodes::PlaceSplitNodes(const SURFACE* s, SSI_SUBDIV* sub, SSI_PATCH* half, SSI_NODE* a, SSI_NODE* b)
{
    bool ok = true;
    // Both slots are fetched at once: the memo is larger than the nearer
    // caches, and a's evaluation would otherwise wait for b's slot after it.
    Slot* const slotOf[2] = {&slots_[SlotIndex(a->u, a->v)], &slots_[SlotIndex(b->u, b->v)]};
    for (const Slot* q : slotOf) { // a slot spans two cache lines
        __builtin_prefetch(&q->u, 1);
        __builtin_prefetch(&q->filled, 1);
    }
    for (int k = 0; k < 2; ++k) {
        SSI_NODE* x = k == 0 ? a : b;
        Slot& slot = *slotOf[k];
        const bool known = slot.filled && slot.u == x->u && slot.v == x->v;
        if (known && slot.corner) {
            for (SSI_PATCH* q : {half, half->next})
                for (SSI_NODE*& c : q->c)
                    if (c == x)
                        c = slot.corner;
            ESSI_ReleaseNode(x, sub->pool);
            continue;
        }
        x->next = sub->nodes;
        sub->nodes = x;
        if (!ok)
            continue; // after a failure the rest only joins the list, to be freed with it
        if (known) {
            P3D_Copy(slot.p, x->p);
            P3D_Copy(slot.n, x->n);
        } else if (ESRF_EvalNormal(x->n, x->p, s, x->u, x->v) != 1) {
            ok = false;
            continue;
        }
        slot = Slot{x->u, x->v, {}, {}, x, 1};
    }
    return ok;
}
