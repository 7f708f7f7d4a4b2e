#include "toolpath/milling/MsFinishRadial.h"

#include "framework/db/DbPathGroup.h"
#include "framework/looker/QVGlobal.h"
#include "framework/looker/Tool.h"
#include "geometry/shapes2d/GeRegion.h"
#include "geometry/shapes3d/GeMesh.h"
#include "toolpath/contours/CornerType.h"
#include "toolpath/contours/LoopApi.h"
#include "toolpath/contours/PathConst.h"
#include "toolpath/contours/PathGroup.h"
#include "toolpath/contours/SmartLoop.h"
#include "toolpath/milling/CheckModel.h"
#include "toolpath/milling/MillConst.h"
#include "toolpath/milling/MillPrep.h"
#include "toolpath/milling/MsFinishSweepLine.h"

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

constexpr double kMinBoundOffset = 0.0001;  // smaller allowances leave the loops as they are
constexpr double kMeetDist = 0.01;          // ray ends this close are made to meet
constexpr double kLinkTol = 0.02;           // lifting tolerance of the connectors
constexpr int kArcPoints = 101;
constexpr std::uint16_t kOpEmit = 2;
constexpr std::uint16_t kOpPath = 8;

// Deletes a loop chain on leaving a scope.
struct LoopChain {
    CSmartLoop* head = nullptr;
    ~LoopChain() { CSmartLoop::DeleteLoopChain(head); }
};

}  // namespace

double RadialStep(const CTool* tool) { return std::clamp(tool ? tool->GetDia() / 2.0 : 0.0, 0.5, 2.0); }

CDbPathGroup* CMsFinishRadial::GenPath(CGeMeshList* meshes, CGeRegionList* callerRegions, CParamSrfFinish* p,
                                       CTool* callerTool)
{
    if (!meshes || meshes->IsEmpty() || !callerTool || !gGetQVGlobal()) return nullptr;
    delete tool;
    tool = nullptr;
    if (p) param = *p;
    tool = callerTool->Copy();
    tool->SetAidParam();
    GenProgress prog(*this);
    prog.SetRange(0.2);
    if (!BuildCheckModel(meshes, param.m_dAllowance) || model->MeshCount() == 0) return nullptr;
    BOX3<double> box;
    if (!GrownMeshBox(meshes, callerTool->GetDia(), box)) return nullptr;
    TakeRegions(*this, callerRegions, box);
    LoopChain loops;
    for (CGeRegion* rg : regions)
        if (rg && !rg->IsEmpty())
            if (CSmartLoop* l = ConvertRegionToSmartLoop(rg)) CSmartLoop::AppendChain(loops.head, l);
    model->SetTool(tool);
    // The refinement length of the lifting, as raster finishing sets it.
    model->checkStep = RasterCheckStep(callerTool->GetDia() / 2, meshes);
    if (gIsProgressCancel()) return nullptr;
    prog.SetRange(0.8);
    const double top = box.zmax;
    model->SetMillDepth(top, std::max(box.zmin, top - param.m_dCutDepth));
    CPathGroup group(pathc::kGroupKind);
    CreateBoundEmit(group, *model, loops.head);
    CDbPathGroup* result = PathGroupToDbPathGroup(&group);
    PathGroupClear(&group);
    return result ? result : new CDbPathGroup;
}

int CMsFinishRadial::CreateBoundEmit(CPathGroup& group, CCheckModel& m, CSmartLoop* loops)
{
    if (!loops) return 0;
    DVN_CornerType corner{4, 170, 5};
    LoopChain offsets;
    const double allowance = param.m_dAllowance;
    if (std::fabs(allowance) > kMinBoundOffset) {
        const int mode = allowance > 0 ? 0 : 2;
        for (CSmartLoop* l = loops; l; l = l->next)
            if (CSmartLoop* o = l->OffsetContour(mode, std::fabs(allowance), std::fabs(allowance), corner))
                CSmartLoop::AppendChain(offsets.head, o);
        if (!offsets.head) return 0;
    }
    if (progress) progress->SetRange(0.3);
    CPathCombine rays(kOpEmit);
    for (CSmartLoop* l = offsets.head ? offsets.head : loops; l; l = l->next) l->CreateEmitPath(rays, param.m_emitDef);
    CNcPlineGrp strings;
    PathCombineToPlines(strings, rays);
    const double step = RadialStep(m.Tool());
    for (CNcPline* s : strings) s->InsPoint(step);
    if (progress) progress->SetRange(0.3);
    const double tol = gGetSurfNCDiscTol();
    // The rays come at height 0: they are lifted from the bottom, or they would stay
    // at 0 wherever the tool rests lower.
    const int keptReset = m.resetHeight;
    m.resetHeight = 1;
    LiftStringsOnModel(tol, strings, &m);
    m.resetHeight = keptReset;
    if (progress) progress->SetRange(0.4);
    LinkRadialStrings(strings, &m, param.m_emitDef.flags & cutdef::kEmitConnected,
                      std::max(10 * param.m_dLinkBase, 5.0));
    auto path = std::make_unique<CPathCombine>(kOpPath);
    for (CNcPline* s : strings) {
        s->Simplify(tol / 5);
        s->AddToPathCombine(*path);
    }
    PathGroupAppend(0, &group, path.release());
    return 1;
}

int CMsFinishRadial::CreateCutPathLib(CTool*, CGeMeshList& meshes, CNcPlineGrp& out)
{
    if (meshes.IsEmpty()) return 0;
    GenerateRadialPath(10.0, 1.0, param.m_emitDef, out);
    return 1;
}

int CMsFinishRadial::GenerateRadialPath(double, double b, DVN_CutEmitDef& def, CNcPlineGrp&)
{
    return std::fabs(def.stepAngle) < 0.0001 || std::fabs(b) < 0.0001 ? 0 : 1;
}

void PathCombineToPlines(CNcPlineGrp& strings, CPathCombine& combine)
{
    for (CPathEntity* e = combine.head; e; e = e->next) {
        auto s = std::make_unique<CNcPline>();
        switch (e->type) {
        case pathc::kTypePLine: {
            auto* pl = static_cast<CPathPLine3D*>(e);
            for (int i = 0; i < pl->PointCount(); ++i) {
                auto* q = new CNcPoint(pl->points[i][0], pl->points[i][1], pl->points[i][2]);
                q->w = 0;
                s->AddTail(q);
            }
            break;
        }
        case pathc::kTypeLine: {
            auto* l = static_cast<CPathLine3D*>(e);
            s->AddTail(l->start);
            s->AddTail(l->end);
            break;
        }
        case pathc::kTypeArc:
            for (int i = 0; i < kArcPoints; ++i) {
                double q[3];
                PathArcPointAt(static_cast<CPathArc3D*>(e), q, i / double(kArcPoints - 1));
                s->AddTail(q);
            }
            break;
        default: continue;
        }
        s->CalcBox();
        strings.AddTail(s.release());
    }
}

void LinkRadialStrings(CNcPlineGrp& strings, CCheckModel* model, int zigzag, double gapLimit)
{
    for (POSITION pos = strings.GetHeadPosition(); pos;) {
        const POSITION cur = pos;
        CNcPline* s = strings.GetNext(pos);
        if (s && !s->IsEmpty()) continue;
        strings.RemoveAt(cur);
        DeleteNcPline(s);
    }
    if (!model) return;
    const int keptReset = model->resetHeight;
    model->resetHeight = 0;  // the connectors start at the rays' own heights
    const double r = model->Tool() ? model->Tool()->GetDia() / 2.0 : 0.0;
    bool reverse = false;
    CNcPline* prev = nullptr;
    for (POSITION pos = strings.GetHeadPosition(); pos;) {
        const POSITION cur = pos;
        CNcPline* s = strings.GetNext(pos);
        if (reverse) s->Reverse();
        if (prev) {
            CNcPoint* a = prev->GetTail();
            CNcPoint* b = s->GetHead();
            const double d = std::hypot(b->x - a->x, b->y - a->y);
            if (d <= kMeetDist) {
                a->x = b->x, a->y = b->y, a->z = b->z;
            } else if (d <= gapLimit) {
                auto* link = new CNcPline;
                link->AddTail(new CNcPoint(a->x, a->y, a->z));
                link->AddTail(new CNcPoint(b->x, b->y, b->z));
                link->CalcBox();
                // Marked in its XY box (widened by the tool radius), so that whatever
                // stands between the ends, however high, holds the tool up.
                BOX2<double> xy(link->box.xmin - r, link->box.ymin - r, link->box.xmax + r, link->box.ymax + r);
                model->Mark_Box2D(xy);
                link->VerifyMillPath(model, kLinkTol, 3);
                const CNcPoint* la = link->GetHead();
                const CNcPoint* lb = link->GetTail();
                a->x = la->x, a->y = la->y, a->z = la->z;
                b->x = lb->x, b->y = lb->y, b->z = lb->z;
                strings.InsertBefore(cur, link);
            }
        }
        prev = s;
        if (zigzag) reverse = !reverse;
    }
    model->resetHeight = keptReset;
}
