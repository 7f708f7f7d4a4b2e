#include "toolpath/surfkernel/SubdivNodes.h"

#include "framework/numerak/Point3D.h"
#include "framework/numerak/QvMem.h"
#include "toolpath/surfkernel/SurfaceEntity.h"

#include <bit>
#include <cstdint>
#include <cstring>
#include <initializer_list>

namespace {

constexpr unsigned long kFirstCapacity = 4096;

unsigned long HashUV(double u, double v)
{
    const auto a = std::bit_cast<std::uint64_t>(u), b = std::bit_cast<std::uint64_t>(v);
    std::uint64_t h = a * 0x9E3779B97F4A7C15ull ^ (b + 0x632BE59BD9B4E019ull) * 0xC2B2AE3D27D4EB4Full;
    return static_cast<unsigned long>(h ^ (h >> 29));
}

} // namespace

SubdivNodes::~SubdivNodes()
{
    ESSI_FreeNodeList(centres_);
    QV_MemFree(slots_);
}

SSI_NODE* SubdivNodes::Find(double u, double v, bool* corner) const
{
    if (!slots_)
        return nullptr;
    for (unsigned long i = HashUV(u, v) & mask_;; i = (i + 1) & mask_) {
        const Slot& s = slots_[i];
        if (!s.node)
            return nullptr;
        if (s.u == u && s.v == v) {
            *corner = s.corner;
            return s.node;
        }
    }
}

bool SubdivNodes::Grow()
{
    const unsigned long capacity = slots_ ? 2 * (mask_ + 1) : kFirstCapacity;
    auto* grown = static_cast<Slot*>(QV_MemAlloc(sizeof(Slot) * capacity));
    if (!grown)
        return false;
    std::memset(static_cast<void*>(grown), 0, sizeof(Slot) * capacity);
    Slot* old = slots_;
    const unsigned long oldCapacity = slots_ ? mask_ + 1 : 0;
    slots_ = grown;
    mask_ = capacity - 1;
    for (unsigned long k = 0; k < oldCapacity; ++k) {
        if (!old[k].node)
            continue;
        unsigned long i = HashUV(old[k].u, old[k].v) & mask_;
        while (slots_[i].node)
            i = (i + 1) & mask_;
        slots_[i] = old[k];
    }
    QV_MemFree(old);
    return true;
}

bool SubdivNodes::File(SSI_NODE* node, bool corner)
{
    if ((!slots_ || 2 * (used_ + 1) > mask_ + 1) && !Grow())
        return false;
    unsigned long i = HashUV(node->u, node->v) & mask_;
    for (; slots_[i].node; i = (i + 1) & mask_)
        if (slots_[i].u == node->u && slots_[i].v == node->v) {
            slots_[i].node = node;
            slots_[i].corner = corner;
            return true;
        }
    slots_[i] = Slot{node->u, node->v, node, corner};
    ++used_;
    return true;
}

bool SubdivNodes::AddCorner(SSI_NODE* node) { return File(node, true); }

bool SubdivNodes::KeepCentre(const SSI_NODE& centre)
{
    auto* copy = static_cast<SSI_NODE*>(QV_MemAlloc(sizeof(SSI_NODE)));
    if (!copy)
        return false;
    *copy = centre;
    copy->next = centres_;
    centres_ = copy;
    return File(copy, false);
}

bool SubdivNodes::PlaceSplitNodes(const SURFACE* s, SSI_SUBDIV* sub, SSI_PATCH* half, SSI_NODE* a, SSI_NODE* b)
{
    bool ok = true;
    for (SSI_NODE* x : {a, b}) {
        bool corner = false;
        SSI_NODE* found = Find(x->u, x->v, &corner);
        if (found && corner) {
            for (SSI_PATCH* q : {half, half->next})
                for (SSI_NODE*& c : q->c)
                    if (c == x)
                        c = found;
            QV_MemFree(x);
            continue;
        }
        x->next = sub->nodes;
        sub->nodes = x;
        if (!ok)
            continue; // after a failure the rest only joins the list, to be freed with it
        if (found) {
            P3D_Copy(found->p, x->p);
            P3D_Copy(found->n, x->n);
        } else {
            ok = ESRF_EvalNormal(x->n, x->p, s, x->u, x->v) == 1;
        }
        ok = ok && AddCorner(x);
    }
    return ok;
}
