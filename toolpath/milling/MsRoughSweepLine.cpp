#include "toolpath/milling/MsRoughSweepLine.h"

#include "framework/looker/QVGlobal.h"
#include "framework/looker/Tool.h"
#include "geometry/shapes3d/GeGroup3d.h"
#include "toolpath/milling/CheckModel.h"
#include "toolpath/milling/MillConst.h"
#include "toolpath/milling/MillPrep.h"

#include <omp.h>

#include <cmath>

namespace {

constexpr double kMinDownStep = 0.01;       // smaller down steps produce nothing
constexpr double kMinLayerStep = 0.005;     // layering needs at least this down step
constexpr double kRoughLineTol = 0.1;       // lifting tolerance of the scan lines
constexpr double kLayerSimplify = 0.005;    // layer strings are thinned at this
constexpr double kCrossDz = 1e-6;           // a segment must climb this much to cross a plane
constexpr double kRoughLinkDist = 10;

// A point of the plane z at (x, y): contact 0, w = z.
CNcPoint* PlanePoint(double x, double y, double z)
{
    return new CNcPoint(x, y, z);
}

}  // namespace

void CMsRoughSweepLine::GenPath(CGeMeshList* meshes, CGeRegionList* callerRegions, CParamSrfRough* p,
                                CTool* callerTool, CGeGroup3d* out)
{
    if (!meshes || meshes->IsEmpty() || !callerTool || !gGetQVGlobal()) return;
    delete tool;
    tool = nullptr;
    if (p) param = *p;
    stepOver = callerTool->IntervalDist(double(param.m_nStepOver));
    const double r = callerTool->GetDia() / 2;
    // A cut depth of 0 gives no layer step (0 / 0): nothing to rough.
    if (param.m_dDownStep < kMinDownStep || !(param.m_dCutDepth > 0)) return;
    tool = callerTool->Copy();
    tool->SetAidParam();

    GenProgress prog(*this);
    prog.SetRange(0.1);
    // A model that fails or holds no mesh would cut at the bottom where a mesh is missing.
    if (!BuildCheckModel(meshes, param.m_dAllowance) || model->MeshCount() == 0) return;
    BOX3<double> box;
    if (!GrownMeshBox(meshes, callerTool->GetDia(), box)) return;
    TakeRegions(*this, callerRegions, box);
    const int angle = param.m_nAngle;
    TurnForAngle(*this, angle);
    model->SetTool(tool);
    model->checkStep = r;
    if (gIsProgressCancel()) return;
    prog.SetRange(0.3);
    top = box.zmax;
    bottom = std::max(top - param.m_dCutDepth, box.zmin);
    model->SetMillDepth(top, bottom);

    CNcPlineGrp strings;
    const int procs = omp_get_num_procs();
    if (procs == 1)
        GenPlanePath(strings);
    else
        GenPlanePathMp(strings, procs);
    if (gIsProgressCancel() || strings.IsEmpty()) return;
    prog.SetRange(0.3);
    LayerAllPath(strings);
    if (gIsProgressCancel()) return;
    prog.SetRange(0.3);
    const INT_PTR before = out ? out->m_listCurve.GetCount() : 0;
    SortPathByArea(model, callerTool, out);
    if (!gIsProgressCancel()) TurnBackOutput(out, before, angle);
}

void CMsRoughSweepLine::GenPlanePath(CNcPlineGrp& strings)
{
    LiftScanLines(*this, bottom, {kRoughLineTol, 0.5, 0.5, true}, 0, strings);
}

void CMsRoughSweepLine::GenPlanePathMp(CNcPlineGrp& strings, int threads)
{
    LiftScanLines(*this, bottom, {kRoughLineTol, 0.2, 0.8, true}, std::max(threads, 1), strings);
}

CNcPline* ClipPLine_Zplane(CNcPlineGrp& below, CNcPline* s, double z)
{
    if (!s) return nullptr;
    auto n = std::make_unique<CNcPline>();
    n->lineId = s->lineId, n->tag = s->tag;
    std::unique_ptr<CNcPline> run;
    const auto open = [&] {
        if (run) return;
        run = std::make_unique<CNcPline>();
        run->lineId = s->lineId, run->tag = s->tag;
    };
    const auto close = [&] {
        if (run && !run->IsEmpty()) below.AddTail(run.release());
        run.reset();
    };
    while (!s->IsEmpty()) {
        CNcPoint* r = s->RemoveHead();
        const CNcPoint* next = s->IsEmpty() ? nullptr : s->GetHead();
        const double rx = r->x, ry = r->y, rz = r->z;
        if (rz > z) {
            n->AddTail(r);
            close();
        } else {
            open();
            run->AddTail(r);
            n->AddTail(PlanePoint(rx, ry, z));
        }
        if (next && std::fabs(next->z - rz) > kCrossDz && ((rz < z && z < next->z) || (next->z < z && z < rz))) {
            const double t = (z - rz) / (next->z - rz);
            const double cx = rx + t * (next->x - rx), cy = ry + t * (next->y - ry);
            n->AddTail(PlanePoint(cx, cy, z));
            open();
            run->AddTail(PlanePoint(cx, cy, z));
        }
    }
    close();
    return n->IsEmpty() ? nullptr : n.release();
}

void ClipGrp_Zplane(CNcPlineGrp& rest, CNcPlineGrp& layer, double z)
{
    CNcPlineGrp below;
    while (!rest.IsEmpty()) {
        CNcPline* p = rest.RemoveHead();
        if (CNcPline* q = ClipPLine_Zplane(below, p, z)) {
            q->Simplify(kLayerSimplify);
            layer.AddTail(q);
            DeleteNcPline(p);
        } else {
            p->Simplify(kLayerSimplify);
            layer.AddTail(p);
        }
    }
    for (CNcPline* s : layer) s->CalcBox();
    for (CNcPline* s : below) s->CalcBox();
    MoveStrings(below, rest);
}

void CMsRoughSweepLine::LayerAllPath(CNcPlineGrp& strings)
{
    const double depth = param.m_dCutDepth, step = param.m_dDownStep;
    if (step < kMinLayerStep || !(depth > 0)) return;
    const double q = depth / step;
    int n = int(q);
    if (q > n) ++n;
    const double h = depth / n;
    n = std::max(n, 1);
    layers = std::make_unique<CNcPlineGrp[]>(size_t(n));
    layerCount = n;
    CQProgress layerProgress;
    double z = top;
    for (int k = 0; k < n; ++k) {
        z -= h;
        ClipGrp_Zplane(strings, layers[k], z);
        for (CNcPline* s : layers[k]) s->tag = k;
        layerProgress.SetRange(1.0 / n);
        if (gIsProgressCancel()) break;
    }
    DeleteNcPlineList(&strings);  // what lies below the last layer is not cut
}

int CMsRoughSweepLine::IsSameAreaNextLayer(CNcPlineGrp& area, CNcPline* s)
{
    double a[3], b[3];
    if (!s->GetStartPoint(a) || !s->GetEndPoint(b)) return 0;
    const double lo = std::min(a[0], b[0]), hi = std::max(a[0], b[0]);
    for (CNcPline* t : area) {
        if (t->lineId != s->lineId) continue;
        double c[3], d[3];
        if (!t->GetStartPoint(c) || !t->GetEndPoint(d)) continue;
        if (std::min(c[0], d[0]) <= lo && std::max(c[0], d[0]) >= hi) return 1;
    }
    return 0;
}

int CMsRoughSweepLine::GetAreaPathInNextLayer(CNcPlineGrp& area, CTool*, int layer, CNcPlineGrp& out)
{
    if (layer < 0 || layer >= layerCount) return 0;
    CNcPlineGrp& from = layers[layer];
    int moved = 0;
    for (POSITION pos = from.GetHeadPosition(); pos;) {
        const POSITION cur = pos;
        CNcPline* s = from.GetNext(pos);
        if (!IsSameAreaNextLayer(area, s)) continue;
        from.RemoveAt(cur);
        out.AddTail(s);
        ++moved;
    }
    return moved > 0;
}

int CMsRoughSweepLine::GenAreaPath(CNcPlineGrp& area, CCheckModel* m, CTool* callerTool, int next, CGeGroup3d* out,
                                   CQProgress& progress)
{
    if (gIsProgressCancel()) return 0;
    CNcPlineGrp under;
    if (next < layerCount) GetAreaPathInNextLayer(area, callerTool, next, under);
    OrderAreaByLines(area);
    if (totalStrings > 0) progress.SetRange(double(area.GetCount()) / totalStrings);
    if (!param.m_bOneWay) LinkAreaStrings(m, area, kRoughLinkDist);
    PlinesToGroup3d(area, out);
    const bool found = !under.IsEmpty();
    while (!under.IsEmpty()) {
        CNcPlineGrp sub;
        CNcPline* seed = under.RemoveHead();
        sub.AddTail(seed);
        BOX3<double> subBox = seed->box;
        GrowArea(subBox, sub, under, callerTool);
        GenAreaPath(sub, m, callerTool, next + 1, out, progress);
    }
    return found ? 1 : 0;
}

int CMsRoughSweepLine::SortPathByArea(CCheckModel* m, CTool* callerTool, CGeGroup3d* out)
{
    if (layerCount == 0) return 0;
    totalStrings = 0;
    for (int k = 0; k < layerCount; ++k) totalStrings += int(layers[k].GetCount());
    CQProgress writing;
    for (int k = 0; k < layerCount; ++k) {
        while (!layers[k].IsEmpty()) {
            if (gIsProgressCancel()) return 0;
            CNcPlineGrp area;
            CNcPline* seed = layers[k].RemoveHead();
            area.AddTail(seed);
            BOX3<double> areaBox = seed->box;
            GrowArea(areaBox, area, layers[k], callerTool);
            GenAreaPath(area, m, callerTool, k + 1, out, writing);
        }
    }
    return 1;
}

int CMsRoughSweepLine::SortPathByDepth(CCheckModel* m, CTool*, CGeGroup3d* out)
{
    CQProgress writing;
    for (int k = 0; k < layerCount; ++k) {
        LinkAreaStrings(m, layers[k], kRoughLinkDist);
        PlinesToGroup3d(layers[k], out);
        DeleteNcPlineList(&layers[k]);
        writing.SetRange(1.0 / layerCount);
    }
    return 1;
}
