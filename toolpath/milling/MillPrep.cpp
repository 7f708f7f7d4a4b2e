#include "toolpath/milling/MillPrep.h"

#include "framework/widgra/Progress.h"
#include "geometry/shapes2d/GeRegion.h"
#include "geometry/shapes3d/GeGroup3d.h"
#include "toolpath/milling/CheckModel.h"
#include "toolpath/milling/MillConst.h"

#include <omp.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <memory>

bool GrownMeshBox(CGeMeshList* meshes, float toolDia, BOX3<double>& box)
{
    box.InitEmpty();
    MeshListBox(meshes, box);
    const double r = toolDia / 2.0;
    box.xmin -= r, box.ymin -= r, box.xmax += r, box.ymax += r;
    return !(float(std::fabs(box.xmax - box.xmin)) < toolDia || float(std::fabs(box.ymax - box.ymin)) < toolDia);
}

bool TakeRegions(CMillGen& gen, CGeRegionList* callerRegions, const BOX3<double>& box)
{
    if (callerRegions && !callerRegions->IsEmpty()) {
        while (!callerRegions->IsEmpty()) gen.regions.AddTail(callerRegions->RemoveHead());
        return true;
    }
    gen.regions.AddTail(new CGeRegion(box));
    return false;
}

void TurnForAngle(CMillGen& gen, int angle)
{
    if (!(angle > mill::kMinAngle)) return;
    double centre[2] = {0, 0};
    if (gen.model) gen.model->RotateByZAxis(-angle * mill::kDegToRad);
    for (CGeRegion* rg : gen.regions)
        if (rg) rg->Rotate(centre, -angle * mill::kDegToRad);
}

void TurnBackOutput(CGeGroup3d* out, INT_PTR first, int angle)
{
    if (!out || !(angle > mill::kMinAngle) || out->m_listCurve.GetCount() <= first) return;
    double centre[2] = {0, 0};
    for (POSITION pos = out->m_listCurve.FindIndex(first); pos;) {
        CGeCurve3d* c = out->m_listCurve.GetNext(pos);
        if (c) c->Rotate(centre, angle * mill::kDegToRad);
    }
}

namespace {

// The lifted strings of scan line i appended to out.
void LiftScanLine(const CMillGen& gen, int i, double bottom, double tol, CNcPlineList& out)
{
    const CScanLine* line = gen.scanLines[size_t(i)];
    if (!line) return;
    const INT_PTR c = line->GetSize();
    for (INT_PTR j = 1; j < c; j += 2) {
        const double p0[4] = {(*line)[j - 1].x, (*line)[j - 1].y, bottom, mill::kNoHeight};
        const double p1[4] = {(*line)[j].x, (*line)[j].y, bottom, mill::kNoHeight};
        CNcPline* s = gen.model->CreateLinePath(p0, p1, tol);
        if (!s) continue;
        s->lineId = i;
        s->CalcBox();  // the box of the lifted points
        out.AddTail(s);
    }
}

bool HasSegments(const CMillGen& gen, int i)
{
    return gen.scanLines[size_t(i)] && gen.scanLines[size_t(i)]->GetSize() >= 2;
}

}  // namespace

void LiftScanLines(CMillGen& gen, double bottom, const ScanLift& how, int threads, CNcPlineGrp& strings)
{
    CQProgress* progress = gen.progress;
    if (progress) progress->SetRange(how.buildShare);
    gen.BuildScanLines();
    const int lines = int(gen.scanLines.size());
    if (lines == 0 || !gen.model) return;
    if (how.cancelAfterBuild && gIsProgressCancel()) return;
    if (threads <= 0) {
        for (int i = 0; i < lines; ++i) {
            if (progress) progress->SetRange(how.linesShare / lines);
            if (gIsProgressCancel()) break;
            LiftScanLine(gen, i, bottom, how.tol, strings);
            if (HasSegments(gen, i) && gIsProgressCancel()) break;
        }
        return;
    }
    // Lines differ widely in work (a line over a steep part is refined far more than one
    // over a plateau), so threads take the next free line rather than a fixed block;
    // each line's strings land in its own slot, so the result does not depend on which
    // thread lifted it. Thread 0 reports the lines done by all threads since its last
    // report, and a cancel seen by any thread stops them all.
    gen.model->InitAccel(threads);
    std::vector<std::unique_ptr<CNcPlineList>> perLine{size_t(lines)};
    std::atomic<int> next{0}, done{0};
    std::atomic<bool> stop{false};
    const double share = how.linesShare / lines;
    int reported = 0;
#pragma omp parallel num_threads(threads)
    {
        const int t = omp_get_thread_num();
        for (int i = next++; i < lines && !stop.load(std::memory_order_relaxed); i = next++) {
            CNcPlineList lifted;
            LiftScanLine(gen, i, bottom, how.tol, lifted);
            if (!lifted.IsEmpty()) {
                perLine[size_t(i)] = std::make_unique<CNcPlineList>();
                MoveStrings(lifted, *perLine[size_t(i)]);
            }
            const int d = ++done;
            if (t == 0 && progress) progress->SetRange(share * (d - reported)), reported = d;
            if (HasSegments(gen, i) && gIsProgressCancel()) stop = true;
        }
    }
    if (progress && done > reported) progress->SetRange(share * (done - reported));
    gen.model->ClearAccel();
    for (auto& l : perLine)
        if (l) MoveStrings(*l, strings);
}
