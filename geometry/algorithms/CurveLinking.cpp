// Linking curves that meet end to end into composite curves, through a
// one-dimensional array of end-point buckets along the longer axis of the
// curves' box.
//
// While linking, each input curve's extra data word holds its state mark:
// 0 free, bit 1 its start lies at a junction, bit 2 its end does, -1 used.
// The word is not restored.
#include "geometry/algorithms/GeTool2D.h"

#include "framework/numerak/Box2D.h"
#include "framework/numerak/Point2D.h"
#include "framework/widgra/Progress.h"
#include "geometry/shapes2d/GeCombCurve.h"
#include "geometry/shapes2d/GeCurve.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

namespace {

using CurveList = CGeTool2D::CurveList;

// Ends closer than this coincide.
constexpr double kLinkTol = 0.00001;
constexpr std::intptr_t kFree = 0;
constexpr std::intptr_t kStartAtJunction = 1;
constexpr std::intptr_t kEndAtJunction = 2;
constexpr std::intptr_t kBothAtJunction = 3;
constexpr std::intptr_t kUsed = -1;

std::intptr_t Mark(const CGeCurve* c) { return static_cast<std::intptr_t>(c->GetExtData()); }
void SetMark(CGeCurve* c, std::intptr_t mark) { c->CGeShape2d::SetExtData(static_cast<std::uintptr_t>(mark)); }

// A candidate of SearchSingleNeighbor.
struct CurveNode {
    CGeCurve* curve;
    double dist;
    bool atStart;  // matched at its start point (else at its end)
};

// The bucket count: finer for larger extents, never more than the curves.
int BucketCount(double extent, std::size_t curves)
{
    const int n = extent > 10 ? 100 : extent > 1 ? 50 : 10;
    return static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(n), std::max<std::size_t>(curves, 1)));
}

// Bucket of a coordinate: truncated quotient clamped into 0..n-1. A cell of
// zero size (all ends on one line across the axis) or a quotient that is not
// finite selects bucket 0.
int BucketIndex(double v, double lo, double cell, int n)
{
    if (!(cell > 0.0)) return 0;
    const double q = (v - lo) / cell;
    if (!(q > 0.0)) return 0;
    if (q >= n - 1) return n - 1;
    return static_cast<int>(q);
}

}  // namespace

CGeCurve* CGeTool2D::SearchSingleNeighbor(double* point, CurveList* buckets[3], double tol)
{
    std::vector<CurveNode> found;
    for (int k = 0; k < 3; ++k) {
        if (!buckets[k]) continue;
        for (CGeCurve* c : *buckets[k]) {
            if (!c || Mark(c) == kUsed) continue;
            if (std::any_of(found.begin(), found.end(), [c](const CurveNode& n) { return n.curve == c; })) continue;
            BOX2<double> box;
            box.InitEmpty();
            c->GetBox2d(&box);
            if (!BOX2D_IsPtIn(box, point, tol)) continue;
            double s[2] = {0.0, 0.0}, e[2] = {0.0, 0.0};
            c->GetStartPoint(s);
            c->GetEndPoint(e);
            const double ds = P2D_Dist(point, s), de = P2D_Dist(point, e);
            switch (Mark(c)) {
            case kStartAtJunction:
                if (de <= tol) found.push_back({c, de, false});
                break;
            case kEndAtJunction:
                if (ds <= tol) found.push_back({c, ds, true});
                break;
            default:
                if (std::min(ds, de) <= tol) found.push_back({c, std::min(ds, de), ds <= de});
                break;
            }
        }
    }
    if (found.empty()) return nullptr;
    if (found.size() > 1) {
        // A junction: chains stop here, and the curves remember which end touched it.
        for (const CurveNode& n : found) SetMark(n.curve, Mark(n.curve) | (n.atStart ? kStartAtJunction : kEndAtJunction));
        return nullptr;
    }
    CGeCurve* c = found.front().curve;
    SetMark(c, kUsed);
    CGeCurve* copy = c->Copy();
    if (copy && !found.front().atStart) copy->Reverse();
    return copy;
}

void CGeTool2D::AxisCrvToComCrv(CurveList* curves, CurveList* out)
{
    if (!curves || curves->IsEmpty() || !out) return;
    std::vector<CGeCurve*> v;
    v.reserve(static_cast<std::size_t>(curves->GetCount()));
    for (CGeCurve* c : *curves)
        if (c) v.push_back(c);
    if (v.empty()) return;

    BOX2<double> box;
    box.InitEmpty();
    GetBox(curves, box);
    const double w = box.xmax - box.xmin, h = box.ymax - box.ymin;
    const int axis = h < w ? 0 : 1;
    const double lo = axis == 0 ? box.xmin : box.ymin;
    const int n = BucketCount(axis == 0 ? w : h, v.size());
    const double cell = (axis == 0 ? w : h) / n;
    auto bucketOf = [&](const double* p) { return BucketIndex(p[axis], lo, cell, n); };

    auto buckets = std::make_unique<CurveList[]>(static_cast<std::size_t>(n));
    for (CGeCurve* c : v) {
        SetMark(c, kFree);
        double s[2] = {0.0, 0.0}, e[2] = {0.0, 0.0};
        c->GetStartPoint(s);
        c->GetEndPoint(e);
        const int bs = bucketOf(s), be = bucketOf(e);
        buckets[static_cast<std::size_t>(bs)].AddTail(c);
        if (be != bs) buckets[static_cast<std::size_t>(be)].AddTail(c);
    }

    // Marks only ever become "used", so the next seed lies at or after the last one.
    std::size_t next = 0;
    while (!gIsProgressCancel()) {
        while (next < v.size() && Mark(v[next]) == kUsed) ++next;
        if (next == v.size()) break;
        CGeCurve* seed = v[next];
        auto comb = std::make_unique<CGeCombCurve>();
        comb->AddTail(seed->Copy(), 0);
        const bool isolated = Mark(seed) == kBothAtJunction;
        SetMark(seed, kUsed);

        int misses = isolated ? 2 : 0;
        while (misses < 2 && !comb->IsEmpty()) {
            double e[2] = {0.0, 0.0};
            comb->GetEndPoint(e);
            double below[2] = {e[0], e[1]}, above[2] = {e[0], e[1]};
            below[axis] -= kLinkTol;
            above[axis] += kLinkTol;
            const int b0 = bucketOf(e), b1 = bucketOf(below), b2 = bucketOf(above);
            CurveList* search[3] = {&buckets[static_cast<std::size_t>(b0)],
                                    b1 != b0 ? &buckets[static_cast<std::size_t>(b1)] : nullptr,
                                    b2 != b0 ? &buckets[static_cast<std::size_t>(b2)] : nullptr};
            if (CGeCurve* found = SearchSingleNeighbor(e, search, kLinkTol)) {
                comb->AddTail(found, 0);
                continue;
            }
            // The first miss turns the chain round to grow from its start.
            if (++misses < 2) comb->Reverse();
        }
        if (comb->IsEmpty()) continue;
        comb->SetExtData(0);
        comb->CalcBox2d();
        out->AddTail(comb.release());
    }
}
