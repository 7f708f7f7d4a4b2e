#include "toolpath/milling/CreSrfContourPath.h"

#include "framework/db/DbPathGroup.h"
#include "framework/looker/Tool.h"
#include "framework/pathwerk/ParamSrfFinish.h"
#include "framework/widgra/Progress.h"
#include "geometry/shapes2d/GeRegion.h"
#include "toolpath/contours/CornerType.h"
#include "toolpath/contours/LoopApi.h"
#include "toolpath/contours/PathEntity.h"
#include "toolpath/contours/PathGroup.h"
#include "toolpath/contours/SmartCurve.h"
#include "toolpath/contours/SmartLoop.h"
#include "toolpath/milling/CentreConst.h"
#include "toolpath/milling/CentrePaths.h"
#include "toolpath/milling/Connector.h"
#include "toolpath/milling/LevelLoop.h"
#include "toolpath/milling/MillCenter.h"

#include <algorithm>
#include <cmath>
#include <memory>

using namespace srfcontour;

namespace {

constexpr std::uint16_t kPathOp = 8;


void TagTree(CSmartLoop* chain, int tag)
{
    for (CSmartLoop* L = chain; L; L = L->next) {
        L->tag = tag;
        TagTree(L->islands, tag);
    }
}

bool Cancelled(CQProgress* progress) { return progress ? progress->IsCancel() : gIsProgressCancel(); }

// A copy of the first point appended when the ends lie more than 0.02 apart in XY, else
// the last point moved onto the first.
void CloseCurve(SIntCurve& c)
{
    if (!c.first || c.first == c.last)
        return;
    if (std::hypot(c.last->u - c.first->u, c.last->v - c.first->v) > kCloseGap) {
        const double p[2] = {c.first->u, c.first->v};
        CurveAppendPoint(p, c);
    } else {
        c.last->u = c.first->u, c.last->v = c.first->v;
    }
}

// Half the shoelace sum.
double SignedArea(const SIntCurve& c)
{
    double a = 0;
    for (const SCurvePoint* p = c.first; p && p->next; p = p->next)
        a += p->u * p->next->v - p->next->u * p->v;
    return a / 2;
}

void AddCurve(const SIntCurve& c, const double* tol, double z, CPathCombine& combine)
{
    if (std::unique_ptr<CSmartCurve> sc = CurveToSmartCurve(c, tol))
        AddCurveToPathCombine(sc.release(), &combine, 1, z);
}

// Links the combine's gaps and hands it to the group; an empty one is deleted.
void FinishCombine(CMillCenter* center, double linkSize, int type, std::unique_ptr<CPathCombine>& combine,
                   CPathGroup& group)
{
    if (combine && combine->head) {
        LinkCombineEntities(center, linkSize, type, combine.get());
        PathGroupAppend(0, &group, combine.release());
    }
    combine.reset();
}

}  // namespace

CContrLoops::~CContrLoops()
{
    for (CSmartLoop*& L : loops)
        CSmartLoop::DeleteLoopChain(L);
}

CCreSrfContourPath::CCreSrfContourPath() = default;

CCreSrfContourPath::~CCreSrfContourPath()
{
    LineArrayFree(levels);
    ProtectNetFree(net);
}

CDbPathGroup* CCreSrfContourPath::CreateContourPath(CMillCenter* model, RegionList* regions, CParamSrfFinish& param,
                                                    CQProgress* progress)
{
    std::unique_ptr<CPathGroup> group(CreatePathGroup(model, regions, param, progress));
    return group ? PathGroupToDbPathGroup(group.get()) : nullptr;
}

CPathGroup* CCreSrfContourPath::CreatePathGroup(CMillCenter* model, RegionList* regions, CParamSrfFinish& param,
                                                CQProgress* progress)
{
    if (!model)
        return nullptr;
    LoopChain loops(RegionsToLoops(regions));
    auto group = std::make_unique<CPathGroup>(kGroupKind);
    step = param.m_dZStep;
    dropOuterLoop = (param.m_nContourFlags & srffinish::kDropOuterLoop) ? 1 : 0;
    if (!SetUp(model, param, param.m_nContourFlags & srffinish::kFixedNet, param.m_dNetSpacing))
        return nullptr;
    LoopChain outline;
    CSmartLoop* boundary = loops.head;
    if (param.m_nContourFlags & srffinish::kModelOutline) {
        // The outline is made on levels and a net of its own, so that the contour levels
        // and the net of the caller's settings stay.
        dropOuterLoop = 0;
        DVN_CornerType corner{4, 170, 5};
        CCreSrfContourPath own;
        outline.head = own.GenSurfBound(model, corner);
        model->SetIntMinZ();
        center = model;
        boundary = outline.head;
    }
    // A cancel leaves the group empty.
    GenContourPath(model->tool, boundary, param, *group, progress);
    return group.release();
}

int CCreSrfContourPath::SetUp(CMillCenter* model, const CParamSrfFinish& param, int fixed, double spacing)
{
    // Section floors hold only for one descending sweep: a model used before starts afresh.
    model->SetIntMinZ();
    center = model;
    const double top = param.GetTopHeight(), bottom = top - param.GetCutDepth();
    zRange[0] = bottom, zRange[1] = top;
    // The net reaches down to the bottom; the model's own box stays, so that a later call
    // on it builds the same net.
    double netBox[6];
    std::copy(model->box, model->box + 6, netBox);
    netBox[2] = std::min(netBox[2], bottom);
    return Create(model->tool, netBox, fixed, spacing) && ProtectNetFill(net, model);
}

int CCreSrfContourPath::CreateFlatSurfPath(CMillCenter* model, CParamSrfFinish& param, CPathGroup& out)
{
    if (!model)
        return 0;
    if (!SetUp(model, param, 1, 0.5))
        return 0;
    GenPlanePath(param, out);
    if (model->flag)
        GenFlatSurfPath(param, out);
    out.OrderCombinesByNearest();
    return 1;
}

CSmartLoop* CCreSrfContourPath::GenSurfBound(CMillCenter* model, DVN_CornerType& corner)
{
    if (!model || !model->tool)
        return nullptr;
    model->SetIntMinZ();
    center = model;
    const double r = model->tool->GetDia() / 2;
    const double minZ = model->box[2];
    zRange[0] = minZ - 0.02, zRange[1] = minZ;
    dropOuterLoop = 0;
    step = 1;
    if (!Create(model->tool, model->box, 1, 0.5) || !ProtectNetFill(net, model))
        return nullptr;
    CIntCurveSet set;
    set.height = minZ - r - 2;
    CPathGroup scratch(kGroupKind);
    GenOneLayerLoop(&set, kOutlineTol, scratch);
    model->SetIntMinZ();
    const double tol[2] = {kOutlineTol, std::cos(kOutlineCos * M_PI / 180)};
    LoopChain tree;
    tree.head = CSmartLoop::BuildContour(CurveSetToLoops(set, tol));
    if (!tree.head)
        return nullptr;
    return OffsetLoopsRetry(tree.head, r, r, corner);
}

int CCreSrfContourPath::ConstructLoops(CTool* tool, const double* tol, CContrLoops& out)
{
    if (!tool && out.count > 0)
        return 0;
    if (center)
        center->SetIntMinZ();
    out.count = levels.count;
    out.loops.assign(size_t(levels.count), nullptr);
    out.heights.assign(size_t(levels.count), 0);
    std::reverse(levels.sets, levels.sets + levels.count);
    CPathGroup scratch(kGroupKind);
    for (int i = 0; i < levels.count; ++i) {
        CIntCurveSet* set = levels.sets[i];
        GenOneLayerLoop(set, tol[0], scratch);
        out.heights[size_t(i)] = set->height;
        out.loops[size_t(i)] = CurveSetToLoops(*set, tol);
    }
    LineArrayFree(levels);
    return 1;
}

int CCreSrfContourPath::Create(CTool* tool, const double* modelBox, int fixed, double spacing)
{
    LineArrayFree(levels);
    ProtectNetFree(net);
    if (!tool)
        return 0;
    std::copy(modelBox, modelBox + 6, box);
    if (!LineArrayByStep(levels, step, zRange))
        return 0;
    if (levels.count > 1)
        step = levels.sets[1]->height - levels.sets[0]->height;
    const double r = double(float(tool->GetDia() / 2));
    double s = spacing;
    if (!fixed) {
        s = r;
        s = s > 1 ? 0.5 : std::max(s / 2, 0.1);
    }
    if (s < 0.02)
        s = 0.02;
    else if (s > r)
        s = r;
    return ProtectNetCreate(s, r, 0, box, net);
}

int CCreSrfContourPath::GenContourPath(CTool*, CSmartLoop* boundary, CParamSrfFinish& param, CPathGroup& group,
                                       CQProgress* progress)
{
    const bool upward = param.m_nLevelOrder & 1;
    if (!upward)
        std::reverse(levels.sets, levels.sets + levels.count);
    const double tol[2] = {kContourTol, std::cos(kContourCos * M_PI / 180)};
    const double share = double(0.8f / float(std::max(levels.count, 1)));
    for (int i = 0; i < levels.count; ++i) {
        if (progress)
            progress->SetRange(share);
        if (Cancelled(progress))
            break;
        // Section floors hold only while the levels descend.
        if (upward && center)
            center->SetIntMinZ();
        CIntCurveSet* set = levels.sets[i];
        GenOneLayerLoop(set, kContourTol, group);
        if (boundary)
            ProcBorder(boundary, tol, set, group);
        if (param.m_bClimb == 0)
            CurveSetReverseAll(*set);
    }
    if (progress)
        progress->SetRange(0.2);
    if (Cancelled(progress))
        return 0;
    return GenPathGroup(param, tol, group);
}

void CCreSrfContourPath::GenOneLayerLoop(CIntCurveSet* set, double tol, CPathGroup&)
{
    if (!center || !set)
        return;
    CIntLineSet lines;
    lines.plane = set->height;
    center->GenSameZLineSet(net, lines);
    LevelLoopCurves(net, set->height, tol, lines, *set, dropOuterLoop != 0);
}

void CCreSrfContourPath::ProcBorder(CSmartLoop* boundary, const double* tol, CIntCurveSet* set, CPathGroup&)
{
    if (!boundary || !set)
        return;
    CSmartLoop* copies = nullptr;
    for (CSmartLoop* L = boundary; L; L = L->next)
        CSmartLoop::AppendChain(copies, L->CopyContour());
    CSmartLoop* outer = CSmartLoop::BuildContour(copies);
    TagTree(outer, 0);
    CSmartLoop* inner = CSmartLoop::BuildContour(CurveSetToLoops(*set, tol));
    TagTree(inner, 1);
    LoopChain result;
    result.head = CSmartLoop::SubtractContours(outer, inner);
    CurveSetClear(*set);
    CurveSetFromLoops(*set, result.head);
}

void CCreSrfContourPath::GetStartPnt(double* out, int corner) const
{
    if (corner < 0 || corner > 8)
        return;
    const double xs[3] = {box[0], (box[0] + box[3]) / 2, box[3]};
    const double ys[3] = {box[4], (box[1] + box[4]) / 2, box[1]};
    out[0] = xs[corner / 3], out[1] = ys[corner % 3];
}

int CCreSrfContourPath::GenPathGroup(CParamSrfFinish& param, const double* tol, CPathGroup& out)
{
    CPathGroup local(kGroupKind);
    const double link = std::max(5 * step, 2.0);
    double p[2] = {0, 0};
    GetStartPnt(p, param.m_nStartCorner);
    const bool area = param.m_nContourFlags & srffinish::kAreaFilter;
    for (;;) {
        int i = 0;
        while (i < levels.count && !levels.sets[i]->first)
            ++i;
        if (i == levels.count)
            break;
        CIntCurveSet chain;
        GetLinkICS(i, link, p, param.m_nEntryType, param.m_dRampLength, chain);
        if (chain.first) {
            if (area)
                GenPathCombine(chain, param.m_nEntryType, param.m_dLinkSize, param.m_dRampLength, tol, param.m_areaDef,
                               local);
            else
                GenPathCombine(chain, param.m_nEntryType, param.m_dLinkSize, param.m_dRampLength, tol, local);
        }
        CurveSetClear(chain);
    }
    OrderPathCombByMinZ(local);
    if (local.head)
        PathGroupAppend(0, &out, local.head);
    local.head = local.tail = nullptr;
    return 1;
}

int CCreSrfContourPath::GetLinkICS(int i, double link, double* p, int type, double rampLength, CIntCurveSet& chain)
{
    double dir[2];
    SIntCurve* c = CurveSetNearest(dir, 0, *levels.sets[i], p);
    if (!c)
        return 0;
    for (;;) {
        if (type == 1 || type == 2)
            CurveInsertAtLength(rampLength, *c);
        std::unique_ptr<SIntCurve> taken = CurveSetUnlink(*levels.sets[i], c);
        taken->height = levels.sets[i]->height;
        CurveSetAppend(chain, std::move(taken));
        if (++i >= levels.count)
            break;
        c = CurveSetNearest(dir, link, *levels.sets[i], p);
        if (!c)
            break;
    }
    return 1;
}

void CCreSrfContourPath::GenPathCombine(CIntCurveSet& chain, int type, double linkSize, double rampLength,
                                        const double* tol, CPathGroup& group)
{
    if (!chain.first)
        return;
    auto combine = std::make_unique<CPathCombine>(kPathOp);
    for (SIntCurve* c = chain.first; c; c = c->next) {
        if (type == 1 || type == 2)
            if (std::unique_ptr<CPathPLine3D> ramp = CurveRampEntry(*c, rampLength, step))
                PathCombineAppend(ramp.release(), combine.get());
        CloseCurve(*c);
        AddCurve(*c, tol, c->height, *combine);
    }
    FinishCombine(center, linkSize, type, combine, group);
}

void CCreSrfContourPath::GenPathCombine(CIntCurveSet& chain, int type, double linkSize, double, const double* tol,
                                        const DVN_CutAreaDef& def, CPathGroup& group)
{
    if (!chain.first)
        return;
    std::vector<SIntCurve*> curves;
    std::vector<double> z, area;
    std::vector<int> f;
    for (SIntCurve* c = chain.first; c; c = c->next) {
        z.push_back(c->height);
        CloseCurve(*c);
        const double a = std::fabs(SignedArea(*c));
        area.push_back(a);
        f.push_back((def.mode == 1 && a < def.areaLimit) || (def.mode == 2 && a > def.areaLimit) ? 1 : 0);
        curves.push_back(c);
    }
    const int n = int(curves.size());
    if ((def.flags & 0x1) && (def.mode == 0 || def.mode == 1)) {
        int open = -1;
        for (int k = 0; k + 1 < n; ++k) {
            if (std::fabs(area[size_t(k)] - area[size_t(k + 1)]) < kSameArea) {
                if (open < 0)
                    open = k;
            } else if (open >= 0 && area[size_t(k)] > def.areaLimit) {
                CombineSameLoop(open, k, def.zTolerance, z, f);
                open = -1;
            }
        }
        if (open >= 0 && area[size_t(n - 1)] > def.areaLimit)
            CombineSameLoop(open, n - 1, def.zTolerance, z, f);
    }
    if ((def.flags & 0x2) && (def.mode == 0 || def.mode == 2)) {
        int open = -1;
        for (int k = 0; k < n; ++k) {
            if (area[size_t(k)] < def.areaLimit) {
                if (open < 0)
                    open = k;
            } else if (open >= 0) {
                SeparateLoop(open, k - 1, def.zTolerance, z, f);
                open = -1;
            }
        }
        if (open >= 0)
            SeparateLoop(open, n - 1, def.zTolerance, z, f);
    }
    auto combine = std::make_unique<CPathCombine>(kPathOp);
    for (int k = 0; k < n; ++k) {
        if (f[size_t(k)] == 1)
            continue;
        if (f[size_t(k)] == 2) {
            FinishCombine(center, linkSize, type, combine, group);
            combine = std::make_unique<CPathCombine>(kPathOp);
        }
        AddCurve(*curves[size_t(k)], tol, z[size_t(k)], *combine);
    }
    FinishCombine(center, linkSize, type, combine, group);
}

void CCreSrfContourPath::CombineSameLoop(int first, int last, double tol, const std::vector<double>& z,
                                         std::vector<int>& f)
{
    if (!(0 <= first && first < last))
        return;
    int ref = last;
    for (int i = last - 1; i >= first + 1; --i) {
        if (std::fabs(z[size_t(i - 1)] - z[size_t(ref)]) < tol)
            f[size_t(i)] = 1;
        else
            ref = i;
    }
    if (std::fabs(z[size_t(first)] - z[size_t(ref)]) < tol)
        f[size_t(first)] = 1;
}

void CCreSrfContourPath::SeparateLoop(int first, int last, double tol, const std::vector<double>& z,
                                      std::vector<int>& f)
{
    if (!(0 <= first && first < last - 1))
        return;
    int ref = last;
    for (int i = last - 1; i >= first + 1; --i)
        if (std::fabs(z[size_t(i - 1)] - z[size_t(ref)]) > tol) {
            f[size_t(i)] = 2;
            ref = i - 1;
        }
}

void CCreSrfContourPath::OrderPathCombByMinZ(CPathGroup& group) const
{
    std::vector<CPathCombine*> all;
    for (CPathCombine* c = group.head; c; c = c->next)
        all.push_back(c);
    const auto startZ = [](CPathCombine* c) {
        double p[3] = {0, 0, 0};
        if (c->head)
            c->head->GetEndPoint(0, p);
        return p[2];
    };
    std::stable_sort(all.begin(), all.end(), [&](CPathCombine* a, CPathCombine* b) { return startZ(a) < startZ(b); });
    if (!ascendingOrder)
        std::reverse(all.begin(), all.end());
    group.head = group.tail = nullptr;
    for (CPathCombine* c : all) {
        c->next = nullptr;
        if (group.tail)
            group.tail->next = c;
        else
            group.head = c;
        group.tail = c;
    }
}

std::vector<CCreSrfContourPath::SFlatLoop> CCreSrfContourPath::GenPlaneContour()
{
    std::vector<SFlatLoop> out;
    CIntCurveSet& set = center->flatBounds;
    CurveSetSortByHeight(set);
    CurveSetDropCovered(set);
    const double tol[2] = {kFlatTol, std::cos(kFlatCos * M_PI / 180)};
    // Each curve on its own, so that every loop keeps the height of the curve it came from.
    bool whole = true;
    for (SIntCurve* c = set.first; c && whole; c = c->next) {
        CIntCurveSet one;
        auto copy = std::make_unique<SIntCurve>();
        for (const SCurvePoint* p = c->first; p; p = p->next) {
            const double q[2] = {p->u, p->v};
            CurveAppendPoint(q, *copy);
        }
        CurveSetAppend(one, std::move(copy));
        CSmartLoop* L = CurveSetToLoops(one, tol);
        whole = L && !L->next;
        if (L)
            out.push_back({L, c->height});
        if (!whole)
            break;
    }
    if (!whole) {
        for (SFlatLoop& f : out)
            CSmartLoop::DeleteLoopChain(f.loop);
        out.clear();
    }
    return out;
}

int CCreSrfContourPath::GenPlanePath(const CParamSrfFinish& param, CPathGroup& out)
{
    if (!center || !center->flatBounds.first)
        return 1;
    std::vector<SFlatLoop> loops = GenPlaneContour();
    // Runs of heights within 0.01 of the run's first, pocketed together at that height.
    for (size_t i = 0; i < loops.size();) {
        size_t j = i;
        CSmartLoop* run = nullptr;
        for (; j < loops.size() && std::fabs(loops[j].z - loops[i].z) <= kSameHeight; ++j)
            CSmartLoop::AppendChain(run, loops[j].loop);
        GenPlanePath(param, run, loops[i].z, out);
        i = j;
    }
    return 1;
}

int CCreSrfContourPath::GenPlanePath(const CParamSrfFinish& param, CSmartLoop* loops, double z, CPathGroup& out)
{
    if (!loops)
        return 0;
    int result = 1;
    LoopChain tree(CSmartLoop::BuildContour(loops));
    DVN_CornerType corner{4, 170, 5};
    const double r = center && center->tool ? center->tool->GetDia() / 2 : 0;
    for (CSmartLoop* L = tree.head; L; L = L->next) {
        if (NetRegionAboveNear(z, L, r, net)) {
            // Overhung (the net higher than z within the radius of the contours): the tool's
            // centre keeps a radius off the higher parts.
            CSmartLoop* next = L->next;
            L->next = nullptr;
            LoopChain offset(OffsetLoopsRetry(L, r, r, corner));
            L->next = next;
            bool below = offset.head != nullptr;
            for (CSmartLoop* o = offset.head; o && below; o = o->next)
                below = NetRegionBelow(z, o, net);
            if (below)
                for (CSmartLoop* o = offset.head; o; o = o->next)
                    GenCntrPlanePath(param, o, z, out);
            result = 2;
        } else {
            GenCntrPlanePath(param, L, z, out);
        }
    }
    return result;
}

void CCreSrfContourPath::GenCntrPlanePath(const CParamSrfFinish& param, CSmartLoop* loop, double z, CPathGroup& out)
{
    if (!loop)
        return;
    auto combine = std::make_unique<CPathCombine>(kPathOp);
    DVN_OrderType order{1, 0, 0};
    DVN_CornerType corner{4, 170, 5};
    if (param.m_nPlaneMode == srffinish::kPlaneLinear) {
        // A copy: the caller's definition is left as given.
        DVN_CutLinearDef def = param.m_planeLinear;
        def.maxLink = kFlatMaxLink;
        loop->CreateLinearPath(*combine, def, corner, order);
    } else if (param.m_nPlaneMode == srffinish::kPlaneFollow) {
        DVN_CutFollowDef def = param.m_planeFollow;
        loop->CreateFollowPath(*combine, def, corner, order);
    }
    if (combine->head)
        PathGroupAppend(-z, &out, combine.release());
}

void CCreSrfContourPath::GenFlatSurfPath(const CParamSrfFinish& param, CPathGroup& out)
{
    const double tol[2] = {kFlatTol, std::cos(kFlatCos * M_PI / 180)};
    for (const SBoundRec* rec = center->bounds; rec; rec = rec->next) {
        CIntCurveSet set;
        set.height = centre::kNoHeight;
        CMillCenter::EdgeLinesToCurves(rec->lines, set);
        const double z = set.height;
        CSmartLoop* loops = CurveSetToLoops(set, tol);
        CPathGroup local(kGroupKind);
        const int result = GenPlanePath(param, loops, z, local);
        if (!local.head)
            continue;
        if (result == 2) {
            // Checked against the record's own surface: the overhanging parts are left out.
            std::unique_ptr<CMillCenter> own(MillCenterFromBoundRec(rec, center->tool));
            VerifyGroupOnCentre(own ? own.get() : center, out, local);
        } else {
            VerifyGroupOnCentre(center, out, local);
        }
    }
}
