#include "toolpath/milling/MsFinishSweepLine.h"

#include "framework/looker/QVGlobal.h"
#include "framework/looker/Tool.h"
#include "framework/widgra/Progress.h"
#include "geometry/shapes2d/GeRegion.h"
#include "geometry/shapes3d/GeGroup3d.h"
#include "geometry/shapes3d/GeMesh.h"
#include "toolpath/contours/NcPline.h"
#include "toolpath/milling/CheckModel.h"
#include "toolpath/milling/MillConst.h"
#include "toolpath/milling/MillPrep.h"

#include <omp.h>

#include <algorithm>
#include <memory>

double RasterCheckStep(double radius, CGeMeshList* meshes)
{
    double step = std::clamp(radius, 0.5, 2.0);
    if (meshes)
        for (CGeMesh* m : *meshes)
            if (m && m->m_fStepLimit < step) step = m->m_fStepLimit;
    return step;
}

void CMsFinishSweepLine::GenPath(CGeMeshList* meshes, CGeRegionList* callerRegions, CParamSrfFinish* p,
                                 CTool* callerTool, CGeGroup3d* out)
{
    if (!meshes || meshes->IsEmpty() || !callerTool || !gGetQVGlobal()) return;
    delete tool;
    tool = nullptr;
    if (p) param = *p;
    stepOver = callerTool->IntervalDist(double(param.m_nStepOver));
    const double r = callerTool->GetDia() / 2;
    const double checkStep = RasterCheckStep(r, meshes);
    tool = callerTool->Copy();
    tool->SetAidParam();

    GenProgress prog(*this);
    prog.SetRange(0.2);
    // A model that fails or holds no mesh would cut at the bottom where a mesh is
    // missing: nothing is produced instead.
    if (!BuildCheckModel(meshes, param.m_dAllowance) || model->MeshCount() == 0) {
        return;
    }
    if (!GrownMeshBox(meshes, callerTool->GetDia(), box)) return;
    const bool callerRegionsGiven = TakeRegions(*this, callerRegions, box);
    const int angle = param.m_nAngle;
    TurnForAngle(*this, angle);
    model->checkStep = checkStep;
    model->SetTool(tool);
    if (gIsProgressCancel()) {
        return;
    }
    prog.SetRange(0.3);
    top = box.zmax;
    bottom = top - param.m_dCutDepth;
    if (bottom < box.zmin) bottom = box.zmin - mill::kBottomBelow;
    model->SetMillDepth(top, bottom);

    prog.SetRange(0.1);
    CNcPlineGrp strings;
    const int procs = omp_get_num_procs();
    if (procs == 1)
        GenPlanePath(strings);
    else
        GenPlanePathMp(strings, procs);
    if (!callerRegionsGiven) SplitAtNoContact(strings);
    if (gIsProgressCancel()) {
        return;
    }
    prog.SetRange(0.2);
    prog.SetRange(0.2);
    // Only the curves of this run are turned back, what the group held stays; and what
    // was written is turned back even when a cancel came during the writing.
    const INT_PTR before = out ? out->m_listCurve.GetCount() : 0;
    SortPathByArea(strings, model, callerTool, out);
    DeleteNcPlineList(&strings);
    TurnBackOutput(out, before, angle);
}

void CMsFinishSweepLine::GenPlanePath(CNcPlineGrp& strings)
{
    LiftScanLines(*this, bottom, {mill::kLineTol, 0.2, 0.8, false}, 0, strings);
}

void CMsFinishSweepLine::GenPlanePathMp(CNcPlineGrp& strings, int threads)
{
    LiftScanLines(*this, bottom, {mill::kLineTol, 0.2, 0.8, false}, std::max(threads, 1), strings);
}

void SplitAtNoContact(CNcPlineGrp& strings)
{
    for (POSITION pos = strings.GetHeadPosition(); pos;) {
        const POSITION jPos = pos;
        CNcPline* j = strings.GetNext(pos);
        if (!j || j->IsEmpty()) continue;
        const auto fresh = [&] {
            auto* k = new CNcPline;
            k->tag = j->tag, k->lineId = j->lineId, k->liftMode = j->liftMode;
            return k;
        };
        CNcPline* k = fresh();
        while (!j->IsEmpty()) {
            CNcPoint* p = j->RemoveHead();
            if (p->contact != kContactNone || k->IsEmpty() || k->GetTail()->contact != kContactNone) {
                k->AddTail(p);
                continue;
            }
            // A second point of a run without contact.
            if (k->GetCount() == 1) {
                DeleteNcPoint(k->RemoveHead());
                k->AddTail(p);
                continue;
            }
            DeleteNcPoint(p);
            k->CalcBox();
            strings.InsertBefore(jPos, k);
            k = fresh();
        }
        if (k->GetCount() >= 2) {
            k->CalcBox();
            strings.InsertBefore(jPos, k);
        } else {
            DeleteNcPline(k);
        }
        strings.RemoveAt(jPos);
        DeleteNcPline(j);
    }
}

int CMsFinishSweepLine::SortPathByArea(CNcPlineGrp& strings, CCheckModel* m, CTool* callerTool, CGeGroup3d* out)
{
    if (strings.IsEmpty()) return 0;
    while (!strings.IsEmpty()) {
        CNcPlineGrp area;
        CNcPline* seed = strings.RemoveHead();
        area.AddTail(seed);
        BOX3<double> areaBox = seed->box;
        GrowArea(areaBox, area, strings, callerTool);
        OrderAreaByLines(area);
        const double linkDist =
            m && m->Tool() ? std::min(mill::kMaxLinkDist, 6.0 * m->Tool()->GetDia()) : mill::kMaxLinkDist;
        if (!param.m_bOneWay) LinkAreaStrings(m, area, linkDist);
        PlinesToGroup3d(area, out);
    }
    return 1;
}

int CMsFinishSweepLine::GenAreaPath(CNcPlineGrp& strings, CCheckModel* m, CTool*, CGeGroup3d* out)
{
    OrderAreaByLines(strings);
    const double linkDist =
        m && m->Tool() ? std::min(mill::kMaxLinkDist, 6.0 * m->Tool()->GetDia()) : mill::kMaxLinkDist;
    if (!param.m_bOneWay) LinkAreaStrings(m, strings, linkDist);
    PlinesToGroup3d(strings, out);
    return 1;
}
