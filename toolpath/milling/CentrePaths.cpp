#include "toolpath/milling/CentrePaths.h"

#include "geometry/shapes2d/GeRegion.h"
#include "toolpath/contours/LoopApi.h"
#include "toolpath/contours/CornerType.h"
#include "toolpath/contours/NcPline.h"
#include "toolpath/contours/PathEntity.h"
#include "toolpath/contours/PathGroup.h"
#include "toolpath/contours/SmartLoop.h"
#include "toolpath/milling/MillCenter.h"

#include <memory>

namespace {

constexpr std::uint16_t kPathOp = 8;
constexpr double kProjectTol = 0.01;
constexpr int kArcSamples = 5;  // arc steps: points at t = 0, 0.2, ..., 1
// Offsets tried in turn when a loop gives none at the asked distance.
constexpr double kRetries[] = {0, 0.01, -0.01, 0.02, -0.02, 0.03, -0.03};

}  // namespace

void EntityToPline(CPathEntity* entity, CNcPline& string)
{
    if (!entity)
        return;
    switch (entity->GetType()) {
    case pathc::kTypeLine: {
        const auto* l = static_cast<const CPathLine3D*>(entity);
        string.AddTail(l->start);
        string.AddTail(l->end);
        break;
    }
    case pathc::kTypeArc:
        for (int i = 0; i <= kArcSamples; ++i) {
            double p[3];
            if (PathArcPointAt(static_cast<const CPathArc3D*>(entity), p, double(i) / kArcSamples))
                string.AddTail(p);
        }
        break;
    case pathc::kTypePLine: {
        const auto* pl = static_cast<const CPathPLine3D*>(entity);
        for (int i = 0; i < pl->PointCount(); ++i)
            string.AddTail(pl->points[i]);
        break;
    }
    default:
        break;
    }
}

void VerifyGroupOnCentre(CMillCenter* model, CPathGroup& out, CPathGroup& source)
{
    if (!model)
        return;
    for (CPathCombine* c = source.head; c; c = c->next) {
        auto comb = std::make_unique<CPathCombine>(kPathOp);
        for (CPathEntity* e = c->head; e; e = e->next) {
            CNcPline string;
            EntityToPline(e, string);
            model->VerifyCutPath(&string, kProjectTol, true);
            string.AddToPathCombine(*comb);
        }
        if (comb->head)
            PathGroupAppend(0, &out, comb.release());
    }
}

CSmartLoop* OffsetLoopsRetry(CSmartLoop* loops, double a, double b, DVN_CornerType& corner)
{
    CSmartLoop* out = nullptr;
    for (CSmartLoop* L = loops; L; L = L->next)
        for (double e : kRetries)
            if (CSmartLoop* r = L->OffsetContour(0, a + e, b + e, corner)) {
                CSmartLoop::AppendChain(out, r);
                break;
            }
    return out;
}

void LoopsToPathGroup(CSmartLoop* loops, CPathGroup& group, double z)
{
    for (CSmartLoop* L = loops; L; L = L->next) {
        auto* comb = new CPathCombine(kPathOp);
        for (CSmartLoop* part = L; part; part = part == L ? L->islands : part->next)
            if (part->contour)
                AddCurveToPathCombine(part->contour, comb, 0, 0);
        PathGroupAppend(-z, &group, comb);
    }
}

CSmartLoop* RegionsToLoops(CTypedPtrList<CObList, CGeRegion*>* regions)
{
    CSmartLoop* chain = nullptr;
    if (regions)
        for (POSITION pos = regions->GetHeadPosition(); pos;) {
            CGeRegion* r = regions->GetNext(pos);
            if (r && !r->IsEmpty())
                if (CSmartLoop* L = ConvertRegionToSmartLoop(r))
                    CSmartLoop::AppendChain(chain, L);
        }
    return chain;
}

LoopChain::~LoopChain() { CSmartLoop::DeleteLoopChain(head); }
