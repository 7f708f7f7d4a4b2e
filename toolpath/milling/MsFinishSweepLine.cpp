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

#include <omp.h>

#include <algorithm>
#include <memory>

std::vector<int> ScanLineShares(int lines, int threads)
{
    threads = std::max(threads, 1);
    const int k = lines / threads;
    std::vector<int> b(size_t(threads) + 1);
    for (int t = 0; t < threads; ++t) b[size_t(t)] = t * k;
    b[size_t(threads)] = lines;
    return b;
}

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

    CQProgress prog;
    progress = &prog;
    // The progress object lives for this call only.
    const std::unique_ptr<CQProgress*, void (*)(CQProgress**)> release(&progress, [](CQProgress** p) { *p = nullptr; });
    prog.SetRange(0.2);
    // A model that fails or holds no mesh would cut at the bottom where a mesh is
    // missing: nothing is produced instead.
    if (!BuildCheckModel(meshes, param.m_dAllowance) || model->MeshCount() == 0) {
        return;
    }
    box.InitEmpty();
    MeshListBox(meshes, box);
    box.xmin -= r, box.ymin -= r, box.xmax += r, box.ymax += r;
    const float dia = callerTool->GetDia();
    if (float(std::fabs(box.xmax - box.xmin)) < dia || float(std::fabs(box.ymax - box.ymin)) < dia) {
        return;
    }
    bool callerRegionsGiven = false;
    if (callerRegions && !callerRegions->IsEmpty()) {
        callerRegionsGiven = true;
        while (!callerRegions->IsEmpty()) regions.AddTail(callerRegions->RemoveHead());
    } else {
        regions.AddTail(new CGeRegion(box));
    }
    const int angle = param.m_nAngle;
    if (angle > mill::kMinAngle) {
        double centre[2] = {0, 0};
        model->RotateByZAxis(-angle * mill::kDegToRad);
        for (CGeRegion* rg : regions)
            if (rg) rg->Rotate(centre, -angle * mill::kDegToRad);
    }
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
    if (out && angle > mill::kMinAngle && out->m_listCurve.GetCount() > before) {
        double centre[2] = {0, 0};
        POSITION pos = out->m_listCurve.FindIndex(before);
        while (pos) {
            CGeCurve3d* c = out->m_listCurve.GetNext(pos);
            if (c) c->Rotate(centre, angle * mill::kDegToRad);
        }
    }
}

void CMsFinishSweepLine::LiftScanLine(int i, CNcPlineList& out)
{
    const CScanLine* line = scanLines[size_t(i)];
    if (!line) return;
    const INT_PTR c = line->GetSize();
    for (INT_PTR j = 1; j < c; j += 2) {
        const double p0[4] = {(*line)[j - 1].x, (*line)[j - 1].y, bottom, mill::kNoHeight};
        const double p1[4] = {(*line)[j].x, (*line)[j].y, bottom, mill::kNoHeight};
        CNcPline* s = model->CreateLinePath(p0, p1, mill::kLineTol);
        if (!s) continue;
        s->lineId = i;
        s->CalcBox();  // the box of the lifted points
        out.AddTail(s);
    }
}

void CMsFinishSweepLine::GenPlanePath(CNcPlineGrp& strings)
{
    if (progress) progress->SetRange(0.2);
    BuildScanLines();
    const int lines = int(scanLines.size());
    if (lines == 0 || !model) return;
    for (int i = 0; i < lines; ++i) {
        if (progress) progress->SetRange(0.8 / lines);
        if (gIsProgressCancel()) break;
        LiftScanLine(i, strings);
        if (scanLines[size_t(i)] && scanLines[size_t(i)]->GetSize() >= 2 && gIsProgressCancel()) break;
    }
}

void CMsFinishSweepLine::GenPlanePathMp(CNcPlineGrp& strings, int threads)
{
    if (progress) progress->SetRange(0.2);
    BuildScanLines();
    const int lines = int(scanLines.size());
    if (lines == 0 || !model) return;
    threads = std::max(threads, 1);
    const std::vector<int> b = ScanLineShares(lines, threads);
    model->InitAccel(threads);
    std::vector<std::unique_ptr<CNcPlineList>> perLine{size_t(lines)};
    // Thread 0 reports; with fewer lines than threads it has none, and the share stays finite.
    const double share = 0.8 / std::max(lines / threads, 1);
#pragma omp parallel num_threads(threads)
    {
        const int t = omp_get_thread_num();
        for (int i = b[size_t(t)]; i < b[size_t(t) + 1]; ++i) {
            if (t == 0 && progress) progress->SetRange(share);
            CNcPlineList lifted;
            LiftScanLine(i, lifted);
            if (!lifted.IsEmpty()) {
                perLine[size_t(i)] = std::make_unique<CNcPlineList>();
                MoveStrings(lifted, *perLine[size_t(i)]);
            }
            if (scanLines[size_t(i)] && scanLines[size_t(i)]->GetSize() >= 2 && gIsProgressCancel()) break;
        }
    }
    model->ClearAccel();
    for (auto& l : perLine) {
        if (l) MoveStrings(*l, strings);
    }
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
