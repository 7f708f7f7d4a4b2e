#include "toolpath/milling/SrfParallelPath.h"

#include "framework/db/DbPathGroup.h"
#include "framework/looker/Tool.h"
#include "framework/pathwerk/ParamSrfFinish.h"
#include "framework/pathwerk/ParamSrfRough.h"
#include "framework/widgra/Progress.h"
#include "geometry/shapes2d/GeRegion.h"
#include "toolpath/contours/CornerType.h"
#include "toolpath/contours/LoopApi.h"
#include "toolpath/contours/PathEntity.h"
#include "toolpath/contours/PathGroup.h"
#include "toolpath/contours/SmartLoop.h"
#include "toolpath/milling/CentrePaths.h"
#include "toolpath/milling/Connector.h"
#include "toolpath/milling/MillCenter.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <deque>
#include <memory>

using namespace srfparallel;

namespace {

constexpr std::uint16_t kPathOp = 8;
constexpr double kLinkSize = 1.0;
constexpr double kZigZagReach = 5;  // chains follow curves within 5 tool diameters (at least 5)


// Turns the model by -angle for the life of the object and back by +angle at its end, so
// that every return leaves the model as the caller gave it.
class ModelTurn {
public:
    ModelTurn(CMillCenter* model, double angle) : m_model(model), m_angle(angle)
    {
        if (m_model && m_angle != 0)
            m_model->RotateModel(-m_angle);
    }
    ~ModelTurn()
    {
        if (m_model && m_angle != 0)
            m_model->RotateModel(m_angle);
    }
    ModelTurn(const ModelTurn&) = delete;
    ModelTurn& operator=(const ModelTurn&) = delete;

private:
    CMillCenter* m_model;
    double m_angle;
};

// Lowest min y and highest max y of the chain's loops.
void LoopsYRange(CSmartLoop* loops, double* range)
{
    range[0] = 1e300, range[1] = -1e300;
    for (CSmartLoop* L = loops; L; L = L->next) {
        range[0] = std::min(range[0], L->box[0][1]);
        range[1] = std::max(range[1], L->box[1][1]);
    }
}

// Moves every combine of from to the end of to.
void MoveCombines(CPathGroup& from, CPathGroup& to)
{
    if (!from.head)
        return;
    PathGroupAppend(0, &to, from.head);
    from.head = from.tail = nullptr;
}

void Report(CQProgress* progress, double share)
{
    if (progress)
        progress->SetRange(share);
}

}  // namespace

CSrfParallelPath::CSrfParallelPath() = default;

CSrfParallelPath::~CSrfParallelPath()
{
    ProtectNetFree(net);
    LineArrayFree(passes);
}

CSrfParallelPath::Settings CSrfParallelPath::FinishSettings(const CParamSrfFinish& param)
{
    Settings s;
    s.kind = kFinishKind;
    s.top = param.GetTopHeight();
    s.depth = param.GetCutDepth();
    s.angleDeg = param.m_dPassAngle;
    s.stepOver = param.m_dPassStepOver;
    s.flags = param.m_nParallelFlags;
    s.options = param.m_nParallelOptions;
    s.boundaryOffset = param.m_dBoundaryOffset;
    s.minLength = param.m_dMinLength;
    s.extension = param.m_dExtension;
    s.slopeDeg = param.m_dSlopeAngle;
    s.limits = true;
    return s;
}

CSrfParallelPath::Settings CSrfParallelPath::RoughSettings(const CParamSrfRough& param)
{
    Settings s;
    s.kind = kRoughKind;
    s.top = param.m_dTopHeight;
    s.depth = param.m_dCutDepth;
    s.angleDeg = param.m_dPassAngle;
    s.stepOver = param.m_dPassStepOver;
    s.flags = 0;
    s.options = srffinish::kZigZag | (param.m_nParallelOptions & srffinish::kRegionBoundary);
    s.boundaryOffset = param.m_dBoundaryOffset;
    s.limits = false;
    return s;
}

CDbPathGroup* CSrfParallelPath::CreateParallelPath(CMillCenter* model, RegionList* regions, CParamSrfFinish& param,
                                                   CQProgress* progress)
{
    std::unique_ptr<CPathGroup> group(CreatePathGroup(model, regions, FinishSettings(param), progress));
    if (!group)
        return nullptr;
    Report(progress, 0.2);
    return PathGroupToDbPathGroup(group.get());
}

CDbPathGroup* CSrfParallelPath::CreateParallelPath(CMillCenter* model, RegionList* regions, CParamSrfRough& param)
{
    std::unique_ptr<CPathGroup> group(CreatePathGroup(model, regions, RoughSettings(param), nullptr));
    return group ? PathGroupToDbPathGroup(group.get()) : nullptr;
}

CPathGroup* CSrfParallelPath::CreatePathGroup(CMillCenter* model, RegionList* regions, const Settings& s,
                                              CQProgress* progress)
{
    if (!model || !model->tool)
        return nullptr;
    LoopChain loops(RegionsToLoops(regions));
    auto group = std::make_unique<CPathGroup>(s.kind);
    top = s.top;
    bottom = top - s.depth;
    angle = s.angleDeg * M_PI / 180.0;
    const bool turned = std::fabs(angle) > kAngleTol;
    ModelTurn turn(model, turned ? angle : 0);
    if (turned)
        for (CSmartLoop* L = loops.head; L; L = L->next)
            L->RotateContour(-angle);
    double yRange[2] = {model->box[1], model->box[4]};
    if (loops.head)
        LoopsYRange(loops.head, yRange);

    Report(progress, 0.1);
    if (!Create(model->tool, model->box, s.stepOver, yRange) || !ProtectNetFill(net, model))
        return nullptr;
    Report(progress, 0.2);

    CMachArea area;
    if (loops.head) {
        if ((s.options & srffinish::kRegionBoundary) && s.boundaryOffset > kMinOffset) {
            DVN_CornerType corner{4, 170, 5};
            LoopChain inner;
            inner.head = OffsetLoopsRetry(loops.head, s.boundaryOffset, s.boundaryOffset, corner);
            if (!inner.head)
                return nullptr;
            GetLoopsMachArea(inner.head, area);
        } else {
            GetLoopsMachArea(loops.head, area);
        }
    }
    if (!GenIntCurveSetLib(model, area, progress))
        return nullptr;
    Report(progress, 0.5);
    // With regions, a pass without region intervals has nothing to cut, also when no
    // pass has any.
    if (loops.head)
        TrimPassesToArea(area);
    if (s.limits) {
        const int mode = (s.flags & srffinish::kNoLimit) ? 0 : (s.flags & srffinish::kSteepOnly) ? 2 : 1;
        if (mode != 0)
            TrimIntCurveSetLib(s.slopeDeg * M_PI / 180.0, mode, s.minLength, s.extension);
    }
    if (s.options & srffinish::kZigZag)
        GenPathGroupZigZag(model, *group, s.flags & srffinish::kOptimalDir);
    else
        GenPathGroupOneWay(model, *group);
    if (loops.head && (s.options & srffinish::kRegionBoundary)) {
        CPathGroup bounds(s.kind);
        LoopsToPathGroup(loops.head, bounds, model->box[2] - model->tool->GetDia() / 2 - kBoundaryDrop);
        VerifyGroupOnCentre(model, *group, bounds);
    }
    if (turned)
        PathGroupRotate(angle, group.get());
    return group.release();
}

int CSrfParallelPath::Create(CTool* tool, const double* modelBox, double step, const double* yRange)
{
    LineArrayFree(passes);
    ProtectNetFree(net);
    if (!tool || !LineArrayByStep(passes, step, yRange))
        return 0;
    stepOver = step;
    if (passes.count > 1)
        stepOver = passes.sets[1]->height - passes.sets[0]->height;
    const double r = tool->GetDia() / 2;
    const double netStep = r > 1 ? 0.5 : std::max(r / 2, 0.1);
    return ProtectNetCreate(netStep, r, 0, modelBox, net);
}

void CSrfParallelPath::GetLineArea(CSmartLoop* loops, double y, std::vector<double>& intervals)
{
    intervals.clear();
    std::vector<double> xs;
    std::vector<std::array<double, 2>> pts;
    for (CSmartLoop* L = loops; L; L = L->next) {
        // Room for every crossing the loop and its islands can have: a line section
        // crosses once, an arc twice.
        size_t room = 8;
        for (CSmartLoop* part = L; part; part = part == L ? L->islands : part->next)
            if (part->contour)
                room += 4 * size_t(part->contour->count) + 4;
        pts.assign(room, {0, 0});
        const unsigned n =
            L->GetYLineIntContour(y, reinterpret_cast<double(*)[2]>(pts.data()), unsigned(room));
        for (unsigned i = 0; i < n; ++i)
            xs.push_back(pts[i][0]);
    }
    if (xs.empty() || xs.size() % 2 != 0)
        return;
    std::sort(xs.begin(), xs.end());
    for (size_t i = 0; i + 1 < xs.size(); i += 2)
        if (!(xs[i + 1] - xs[i] < kMinInterval))
            intervals.insert(intervals.end(), {xs[i], xs[i + 1]});
}

void CSrfParallelPath::GetLoopsMachArea(CSmartLoop* loops, CMachArea& area)
{
    int slot = 0;
    std::vector<double> iv;
    for (int i = 0; i < passes.count; ++i) {
        const double y = passes.sets[i]->height;
        GetLineArea(loops, y, iv);
        if (iv.empty())
            continue;
        area.lines.push_back({y, iv});
        passes.sets[slot++]->height = y;
    }
}

void CSrfParallelPath::GenIntLineByMachArea(const CLineArea& line, double bottom, CIntLineSet& set)
{
    for (int k = 0; k < line.Count(); ++k) {
        const double a[2] = {line.intervals[size_t(2 * k)], bottom};
        const double b[2] = {line.intervals[size_t(2 * k + 1)], bottom};
        if (b[0] - a[0] < kMinFloor)
            continue;
        auto seg = std::make_unique<SIntSegment>();
        std::copy(a, a + 2, seg->a);
        std::copy(b, b + 2, seg->b);
        seg->DefineBox();
        LineSetAppend(set, std::move(seg));
    }
}

int CSrfParallelPath::GenIntCurveSetLib(CMillCenter* model, const CMachArea& area, CQProgress* progress)
{
    if (!model)
        return 0;
    size_t next = 0;
    for (int i = 0; i < passes.count; ++i) {
        CIntCurveSet& pass = *passes.sets[i];
        CurveSetClear(pass);
        CIntLineSet set;
        set.plane = pass.height;
        if (next < area.lines.size() && std::fabs(area.lines[next].y - pass.height) <= kYMatch)
            GenIntLineByMachArea(area.lines[next++], bottom, set);
        model->GenSameYLineSet(net, set);
        SplitCrossingSegments(set);
        SProfile prof;
        ProfileBuild(set, prof);
        ProfileToCurves(pass, bottom, prof);
        if (progress)
            progress->Step(1.0 / passes.count);
    }
    return 1;
}

void CSrfParallelPath::TrimPassesToArea(const CMachArea& area)
{
    size_t next = 0;
    for (int i = 0; i < passes.count; ++i) {
        CIntCurveSet& pass = *passes.sets[i];
        if (next < area.lines.size() && std::fabs(area.lines[next].y - pass.height) <= kYMatch) {
            const CLineArea& line = area.lines[next++];
            TrimIntCurveSet(pass, line.intervals.data(), line.Count());
        } else {
            CurveSetClear(pass);
        }
    }
}

void CSrfParallelPath::TrimIntCurveSet(CIntCurveSet& set, const double* intervals, int count)
{
    if (count <= 0) {
        CurveSetClear(set);
        return;
    }
    std::vector<std::unique_ptr<SIntCurve>> curves;
    while (set.first)
        curves.push_back(CurveSetUnlink(set, set.first));
    int i = 0;
    for (std::unique_ptr<SIntCurve>& c : curves)
        while (c && c->first) {
            while (i < count && intervals[2 * i + 1] - kTrimSkip < c->first->u)
                ++i;
            if (i >= count)
                return;  // the remaining curves go with the vector
            const double a = intervals[2 * i], b = intervals[2 * i + 1];
            if (c->last->u < a + kTrimEnd)
                break;
            CurveSplitAtX(0, a, *c);  // the part before a is dropped
            std::unique_ptr<SIntCurve> front = CurveSplitAtX(1, b, *c);
            if (!front) {
                CurveSetAppend(set, std::move(c));
                break;
            }
            CurveReverse(*front);
            CurveSetAppend(set, std::move(front));
        }
}

void CSrfParallelPath::GetLineArea(const CIntCurveSet& set, double s, int steep, double minLength, double extension,
                                   std::vector<double>& intervals)
{
    intervals.clear();
    std::vector<double> br;
    for (const SIntCurve* c = set.first; c; c = c->next) {
        if (!c->first || !c->first->next)
            continue;
        br.assign(1, c->first->u);
        double prev = 0;
        for (const SCurvePoint* p = c->first; p->next; p = p->next) {
            const SCurvePoint* q = p->next;
            const double dx = q->u - p->u;
            const double slope = dx <= kVerticalDx ? 1e12 : std::fabs(q->v - p->v) / dx;
            const bool wasSteep = prev > s, isSteep = slope > s;
            if (wasSteep != isSteep) {
                double x = p->u;
                // Next to a wall the shallow side stops short of the wall's foot.
                if (!steep && std::max(prev, slope) > kWallFactor * s)
                    x += isSteep ? -kWallShift : kWallShift;
                br.push_back(x);
            }
            prev = slope;
        }
        br.push_back(c->last->u);
        for (size_t k = steep ? 1 : 0; k + 1 < br.size(); k += 2) {
            const double a = br[k], b = br[k + 1];
            // Empty runs (a wall at the curve's start) and short ones give nothing.
            if (!(b - a > 0) || b - a < minLength)
                continue;
            if (!intervals.empty() && a <= intervals.back() + extension - kMergeTol) {
                intervals.back() = std::max(intervals.back(), b + extension);
                continue;
            }
            intervals.insert(intervals.end(), {a - extension, b + extension});
        }
    }
}

int CSrfParallelPath::TrimIntCurveSetLib(double slope, int mode, double minLength, double extension)
{
    slopeAngle = slope;
    limitMode = mode;
    const double s = std::fabs(std::tan(slope)) + kSlopeMargin;
    std::vector<double> iv;
    for (int i = 0; i < passes.count; ++i) {
        GetLineArea(*passes.sets[i], s, mode == 2, minLength, extension, iv);
        TrimIntCurveSet(*passes.sets[i], iv.data(), int(iv.size() / 2));
    }
    return 1;
}

void CSrfParallelPath::GenPathGroupOneWay(CMillCenter*, CPathGroup& group)
{
    for (int i = 0; i < passes.count; ++i) {
        CIntCurveSet& pass = *passes.sets[i];
        while (pass.first) {
            std::unique_ptr<SIntCurve> c = CurveSetUnlink(pass, pass.first);
            CurveDropSharpSpikes(*c);
            if (std::unique_ptr<CPathPLine3D> pl = CurveToPolyline3D(*c, pass.height)) {
                auto* comb = new CPathCombine(kPathOp);
                PathCombineAppend(pl.release(), comb);
                PathGroupAppend(0, &group, comb);
            }
        }
    }
}

void CSrfParallelPath::GenPathGroupZigZag(CMillCenter* model, CPathGroup& group, int optimal)
{
    const double dia = model && model->tool ? model->tool->GetDia() : 0;
    const double limits[2] = {std::max(kZigZagReach * dia, kZigZagReach),
                              std::max(kZigZagReach * stepOver, kZigZagReach)};
    CPathGroup local(group.kind);
    for (;;) {
        int k = 0;
        while (k < passes.count && !passes.sets[k]->first)
            ++k;
        if (k >= passes.count)
            break;
        SIntCurve* c = passes.sets[k]->first;
        if (!c->first) {
            CurveSetDelete(*passes.sets[k], c);
            continue;
        }
        double last[2] = {c->last->u, c->last->v};
        double box[4];
        CurveNeighbourLimits(*c, box, box + 2);
        int reverse = 1;
        auto comb = std::make_unique<CPathCombine>(kPathOp);
        for (;;) {
            std::unique_ptr<SIntCurve> owned = CurveSetUnlink(*passes.sets[k], c);
            CurveDropSharpSpikes(*owned);
            if (std::unique_ptr<CPathPLine3D> pl = CurveToPolyline3D(*owned, passes.sets[k]->height))
                PathCombineAppend(pl.release(), comb.get());
            if (++k >= passes.count)
                break;
            c = CurveSetNextZigZag(*passes.sets[k], limits, last, box, reverse);
            if (!c)
                break;
            reverse = !reverse;
        }
        LinkCombineEntities(model, kLinkSize, connector::kLine, comb.get());
        if (comb->head)
            PathGroupAppend(0, &local, comb.release());
    }
    if (optimal)
        ProcOptCutDir(model, local);
    MoveCombines(local, group);
}

void CSrfParallelPath::ProcOptCutDir(CMillCenter* model, CPathGroup& group)
{
    if (!model)
        return;
    const double savedAngle = angle;
    const int savedMode = limitMode;
    angle = M_PI / 2;
    limitMode = 0;
    CPathGroup out(group.kind);
    {
        ModelTurn turn(model, M_PI / 2);
        ProcOptCutDir(model, group, out);
    }
    angle = savedAngle;
    limitMode = savedMode;
    PathGroupRotate(M_PI / 2, &out);
    MoveCombines(out, group);
}

int CSrfParallelPath::ProcOptCutDir(CMillCenter* model, CPathGroup& group, CPathGroup& out)
{
    LoopChain loops;
    loops.head = GenBoxLoopsByLWR(group, kOptRatio);
    if (!loops.head)
        return 1;
    for (CSmartLoop* L = loops.head; L; L = L->next)
        L->RotateContour(-M_PI / 2);
    double yRange[2];
    LoopsYRange(loops.head, yRange);
    if (!Create(model->tool, model->box, stepOver, yRange))
        return 0;
    CMachArea area;
    GetLoopsMachArea(loops.head, area);
    if (!GenIntCurveSetLib(model, area))
        return 0;
    TrimPassesToArea(area);
    GenPathGroupZigZag(model, out, 0);
    return 1;
}

CSmartLoop* CSrfParallelPath::GenBoxLoopsByLWR(CPathGroup& group, double ratio)
{
    CSmartLoop* chain = nullptr;
    int number = 0;
    CPathCombine* prev = nullptr;
    for (CPathCombine* c = group.head; c;) {
        CPathCombine* next = c->next;
        double lo[2] = {1e300, 1e300}, hi[2] = {-1e300, -1e300};
        const auto take = [&](const double* p, bool withY) {
            lo[0] = std::min(lo[0], p[0]), hi[0] = std::max(hi[0], p[0]);
            if (withY)
                lo[1] = std::min(lo[1], p[1]), hi[1] = std::max(hi[1], p[1]);
        };
        for (CPathEntity* e = c->head; e; e = e->next) {
            double p[3];
            if (e->GetEndPoint(0, p))
                take(p, e == c->head);
            if (e->GetEndPoint(1, p))
                take(p, e == c->tail);
        }
        const double along = hi[0] - lo[0], across = hi[1] - lo[1];
        if (c->head && across >= 0.01 && along / across <= ratio) {
            if (CSmartLoop* L = CreateLoopByPComb(c)) {
                for (CSmartLoop* part = L; part; part = part->next)
                    part->tag = ++number;
                CSmartLoop::AppendChain(chain, L);
            }
            (prev ? prev->next : group.head) = next;
            if (group.tail == c)
                group.tail = prev;
            delete c;
        } else {
            prev = c;
        }
        c = next;
    }
    return chain ? CSmartLoop::WeldContours(chain) : nullptr;
}

CSmartLoop* CSrfParallelPath::CreateLoopByPComb(CPathCombine* combine)
{
    if (!combine)
        return nullptr;
    std::deque<std::array<double, 2>> pts;
    for (CPathEntity* e = combine->head; e; e = e->next) {
        double a[3], b[3];
        if (!e->GetEndPoint(0, a) || !e->GetEndPoint(1, b) || a[1] != b[1])
            continue;
        if (b[0] < a[0])
            std::swap(a, b);
        pts.push_front({a[0], a[1]});
        pts.push_back({b[0], b[1]});
    }
    if (pts.size() < 3)
        return nullptr;
    SIntCurve c;
    for (const auto& p : pts)
        CurveAppendPoint(p.data(), c);
    CurveThin(c, 1, kOutlineThin);
    CurveClose(c);
    std::unique_ptr<CSmartCurve> sc = CurveToSmartLines(c);
    if (!sc)
        return nullptr;
    sc->ConnectAllSect();
    sc->DefineBox();
    return sc->FormLoop();
}

CPathCombine* CSrfParallelPath::DeleteSteepPath(CPathCombine* combine) const
{
    if (!combine || !combine->head)
        return nullptr;
    const double limit = 2 * std::tan(slopeAngle);
    CPathCombine* piece = combine;
    for (CPathEntity* e = combine->head; e && e->next;) {
        CPathEntity* n = e->next;
        double a[3], b[3];
        if (!e->GetEndPoint(1, a) || !n->GetEndPoint(0, b)) {
            e = n;
            continue;
        }
        const double dy = std::fabs(b[1] - a[1]);
        // A step along one pass line is never cut: the pieces would be joined again.
        if (dy <= kYMatch || std::fabs(b[2] - a[2]) <= limit * dy) {
            e = n;
            continue;
        }
        if (e == combine->head) {
            // Nothing before the step: the chain's first entity goes.
            combine->head = n;
            n->prev = nullptr;
            delete e;
            e = n;
            continue;
        }
        // The rest moves into a new piece after this one.
        auto rest = new CPathCombine(piece->op);
        rest->head = n, rest->tail = piece->tail;
        piece->tail = e;
        e->next = nullptr, n->prev = nullptr;
        rest->next = piece->next;
        piece->next = rest;
        piece = rest;
        e = n;
    }
    return combine->head ? combine : nullptr;
}
