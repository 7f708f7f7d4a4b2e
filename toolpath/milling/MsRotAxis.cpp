#include "toolpath/milling/MsRotAxis.h"

#include "framework/db/DbPathGroup.h"
#include "framework/looker/QVGlobal.h"
#include "framework/looker/Tool.h"
#include "framework/numerak/Conic2D.h"
#include "framework/numerak/Vector2D.h"
#include "geometry/algorithms/GeTool2D.h"
#include "geometry/shapes2d/CurveList.h"
#include "toolpath/contours/PathConst.h"
#include "toolpath/contours/PathGroup.h"
#include "toolpath/milling/CheckModel.h"
#include "toolpath/milling/MillConst.h"
#include "toolpath/milling/MillPrep.h"
#include "toolpath/milling/MsFinishRadial.h"

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

constexpr std::uint16_t kOpPath = 8;
constexpr double kStartTurnMin = 0.01;   // start angles (radians) above this turn the model
constexpr double kAlongSimplify = 0.005;
constexpr double kMinDownStep = 0.002;
constexpr double kOnLevel = 1e-6;        // points this close lie on a layer's level
constexpr double kMaxJoin = 5;           // nearest-end joins reach at most this far
constexpr double kRouteStep = 2 * mill::kDegToRad;  // arc steps of a route round the part
constexpr int kMaxMoveSamples = 400;     // samples of one joining move checked against the part
constexpr double kTwoPi = 6.283185307179586;

// A copy of p's tool axis for q (none when p has none).
void CopyAxis(const CNcPoint* p, CNcPoint* q)
{
    if (p && p->axis) q->axis = std::make_unique<CVector3f>(*p->axis);
}

CNcPoint* MovePoint(double x, double y, double z)
{
    auto* q = new CNcPoint(x, y, z);
    q->w = 0;
    return q;
}

// A string from (x0, 0, r) to (x1, 0, r), w = z.
CNcPline* AxisLine(double x0, double x1, double r)
{
    auto* s = new CNcPline;
    const double a[3] = {x0, 0, r}, b[3] = {x1, 0, r};
    s->AddTail(a);
    s->AddTail(b);
    return s;
}

// Output angle and radius of a point: unwrapped y is arc length at the stock radius.
void AngleRadius(const CNcPoint& p, bool unwrapped, double stockMax, double& theta, double& radius)
{
    if (unwrapped) {
        theta = p.y / stockMax;
        radius = p.z;
    } else {
        theta = std::atan2(p.y, p.z);
        radius = std::hypot(p.y, p.z);
    }
}

// Between two points of a sampled circle whose radii differ by more than tol (the tool
// falls off an edge between the samples), a point over the lower one at the higher
// radius: the wall is taken radially instead of cut through by the chord.
void TakeWallsRadially(CNcPline& s, bool unwrapped, double stockMax, double tol)
{
    POSITION pos = s.GetHeadPosition();
    if (!pos) return;
    CNcPoint* a = s.GetNext(pos);
    while (pos) {
        const POSITION at = pos;
        CNcPoint* b = s.GetNext(pos);
        double ta, ra, tb, rb;
        AngleRadius(*a, unwrapped, stockMax, ta, ra);
        AngleRadius(*b, unwrapped, stockMax, tb, rb);
        if (std::fabs(ra - rb) > tol) {
            const CNcPoint* low = ra < rb ? a : b;
            const double t = ra < rb ? ta : tb, r = std::max(ra, rb);
            auto* q = unwrapped ? new CNcPoint(low->x, low->y, r) : new CNcPoint(low->x, r * std::sin(t), r * std::cos(t));
            q->w = low->w;
            CopyAxis(low, q);
            s.CNcPointList::InsertBefore(at, q);
        }
        a = b;
    }
}

}  // namespace

int RotarySampleCount(double span, double partRadius, double tol, double lo, double hi)
{
    span = std::fabs(span);
    hi = std::min(hi, 1e6);
    if (!(span > 0) || !(hi >= 1) || !std::isfinite(span)) return 0;
    lo = std::clamp(lo, 1.0, hi);
    double chord = 0;
    if (partRadius > 0 && tol > 0) chord = 2 * std::acos(std::clamp((partRadius - 10 * tol) / partRadius, -1.0, 1.0));
    if (!(chord > 0)) return int(hi);
    return int(std::clamp(std::trunc(span / chord), lo, hi));
}

void CMsRotAxis::Transform(CNcPoint& p, double theta, double floor) const
{
    if (p.z < 0) p.z = floor;
    if (param.m_nFlags & CParamRotAxis::kUnwrap) {
        p.y = param.m_dStockMaxRad * theta;
        return;
    }
    const double c = std::cos(-theta), s = std::sin(-theta);
    const double y = p.y, z = p.z;
    p.y = c * y - s * z;
    p.z = s * y + c * z;
}

CDbPathGroup* CMsRotAxis::GenPath(CGeMeshList* meshes, CParamRotAxis* p, CTool* callerTool)
{
    if (!meshes || meshes->IsEmpty() || !callerTool || !gGetQVGlobal()) return nullptr;
    delete tool;
    tool = nullptr;
    if (p) param = *p;
    tool = callerTool->Copy();
    tool->SetAidParam();
    GenProgress prog(*this);
    prog.SetRange(0.2);
    // A model without a mesh would cut at the stock's bottom where a mesh is missing.
    if (!BuildRotaryCheckModel(meshes, param.m_dAllowance) || model->MeshCount() == 0) return nullptr;
    model->SetTool(tool);
    model->rotaryMode = 0;
    model->rotaryAngle = 0;
    model->resetHeight = 1;
    model->SetMillDepth(param.m_dStockMaxRad, param.m_dStockMinRad);
    // The refinement length of the lifting, as raster finishing sets it.
    model->checkStep = RadialStep(tool);
    CPathGroup group(pathc::kGroupKind);
    group.toolId = tool->Type();
    prog.SetRange(0.8);
    const double step = callerTool->IntervalDist(double(param.m_nStepOver));
    const int flags = param.m_nFlags & 0xFF;
    int ok = 1;
    if (flags & CParamRotAxis::kAlong)
        ok = CreateRotatePathAlong(step, tool, group);
    else if (flags & CParamRotAxis::kAround)
        ok = CreateRotatePathAround(step, tool, group);
    else if (flags & CParamRotAxis::kHelix)
        ok = CreateRotatePathHelix(step, tool, group);
    else if (flags & CParamRotAxis::kAround4D)
        ok = CreateRotatePathAround4D(step, tool, group);
    if (!ok) return nullptr;
    CDbPathGroup* result = PathGroupToDbPathGroup(&group);
    PathGroupClear(&group);
    return result ? result : new CDbPathGroup;
}

int CMsRotAxis::Finish(CNcPlineGrp& strings, CPathGroup& group, bool layer)
{
    model->rotaryMode = 3;
    model->rotaryRadius = param.m_dStockMaxRad;
    ChainStringsLifted(strings, 0);
    if (layer) {
        if (progress) progress->SetRange(0.2);
        return LayerAllPath(group, strings);
    }
    auto comb = std::make_unique<CPathCombine>(kOpPath);
    for (CNcPline* s : strings) s->AddToPathCombine(*comb);
    PathGroupAppend(0, &group, comb.release());
    return 1;
}

int CMsRotAxis::CreateRotatePathAlong(double step, CTool* t, CPathGroup& group)
{
    if (!model || !(step > 0)) return 0;
    const double tol = gGetSurfNCDiscTol();
    const double s = RadialStep(t);
    const double a0 = param.m_dStartAngle * mill::kDegToRad, a1 = param.m_dEndAngle * mill::kDegToRad;
    const double lines = std::trunc(std::fabs(a1 - a0) * param.m_dPartRadius / step) + 1;
    if (!std::isfinite(lines) || lines > 1e6) return 0;
    const int n = std::max(int(lines), 1);
    const double inc = (a1 - a0) / n;
    const bool zigzag = param.m_nFlags & CParamRotAxis::kZigzag;
    startTurn = std::fabs(a0) > kStartTurnMin ? a0 : 0;
    if (startTurn != 0) model->RotateByXAxis(startTurn);
    CNcPlineGrp strings;
    for (int i = 0; i < n; ++i) {
        if (progress) progress->SetRange((zigzag ? 0.8 : 1.0) / n);
        std::unique_ptr<CNcPline> str(AxisLine(param.m_dXStart, param.m_dXEnd, param.m_dStockMinRad));
        if (zigzag && i % 2 == 1) str->Reverse();
        str->InsPoint(s);
        model->Mark_IsoYLine(0);
        if (!str->VerifyMillPath(model, tol, 2)) return 0;
        model->RotateByXAxis(inc);
        str->Simplify(kAlongSimplify);
        str->CalcBox();
        for (CNcPoint* q : *str) {
            q->w = q->z;
            Transform(*q, i * inc, 0);
        }
        str->CalcBox();
        strings.AddTail(str.release());
        if (gIsProgressCancel()) return 0;
    }
    if (!Finish(strings, group, param.m_nFlags & CParamRotAxis::kUnwrap)) return 0;
    if (startTurn != 0) PathGroupRotateBack(-startTurn, &group);
    return 1;
}

int CMsRotAxis::Stations(double step, std::vector<double>& xs, bool atLeastTwo) const
{
    xs.clear();
    if (!(step > 0)) return 0;
    const double len = std::fabs(param.m_dXEnd - param.m_dXStart);
    const double q = std::trunc(len / step);
    if (!std::isfinite(q) || q > 1e6) return 0;
    int c = int(q);
    if (atLeastTwo) c = std::max(c, 2);
    if (c <= 1) return 0;
    // The base line divided into c parts: its first c points (the end is not used).
    const double dx = (param.m_dXEnd - param.m_dXStart) / c;
    for (int i = 0; i < c; ++i) xs.push_back(param.m_dXStart + i * dx);
    return int(xs.size());
}

int CMsRotAxis::CreateRotatePathAround(double step, CTool*, CPathGroup& group)
{
    std::vector<double> xs;
    if (!model || !Stations(step, xs, false)) return 0;
    const double a0 = param.m_dStartAngle * mill::kDegToRad, a1 = param.m_dEndAngle * mill::kDegToRad;
    const double spanDeg = std::fabs(param.m_dEndAngle - param.m_dStartAngle);
    const int k = RotarySampleCount(a1 - a0, param.m_dPartRadius, gGetSurfNCDiscTol(), spanDeg, 2 * spanDeg);
    if (k <= 0) return 0;
    const double inc = (a1 - a0) / k;
    const bool zigzag = param.m_nFlags & CParamRotAxis::kZigzag;
    startTurn = std::fabs(a0) > kStartTurnMin ? a0 : 0;
    if (startTurn != 0) model->RotateByXAxis(startTurn);
    std::vector<std::unique_ptr<CNcPline>> circles(xs.size());
    for (auto& c : circles) c = std::make_unique<CNcPline>();
    for (int j = 0; j <= k; ++j) {
        if (progress) progress->SetRange((zigzag ? 0.8 : 1.0) / k);
        model->Mark_IsoYLine(0);
        for (size_t st = 0; st < xs.size(); ++st) {
            auto* q = new CNcPoint(xs[st], 0, param.m_dStockMinRad);
            model->LiftZ(*q);
            q->w = q->z;
            Transform(*q, j * inc, param.m_dStockMinRad);
            circles[st]->AddTail(q);
        }
        model->RotateByXAxis(inc);
        if (gIsProgressCancel()) return 0;
    }
    CNcPlineGrp strings;
    for (size_t st = 0; st < circles.size(); ++st) {
        if (circles[st]->IsEmpty()) continue;
        if (zigzag && st % 2 == 1) circles[st]->Reverse();
        TakeWallsRadially(*circles[st], param.m_nFlags & CParamRotAxis::kUnwrap, param.m_dStockMaxRad, gGetSurfNCDiscTol());
        circles[st]->CalcBox();
        strings.AddTail(circles[st].release());
    }
    if (!Finish(strings, group, param.m_nFlags & CParamRotAxis::kUnwrap)) return 0;
    if (startTurn != 0) PathGroupRotateBack(-startTurn, &group);
    return 1;
}

int CMsRotAxis::CreateRotatePathHelix(double step, CTool*, CPathGroup& group)
{
    std::vector<double> xs;
    if (!model || !Stations(step, xs, false)) return 0;
    const double pitch = std::fabs(param.m_dXEnd - param.m_dXStart) / double(xs.size());
    const int k = RotarySampleCount(kTwoPi, param.m_dPartRadius, gGetSurfNCDiscTol(), 360, 720);
    const double inc = kTwoPi / k;
    startTurn = 0;
    std::vector<std::unique_ptr<CNcPline>> turns(xs.size());
    for (auto& c : turns) c = std::make_unique<CNcPline>();
    for (int j = 0; j <= k; ++j) {
        if (progress) progress->SetRange(1.0 / k);
        const double theta = j * inc;
        model->Mark_IsoYLine(0);
        for (size_t st = 0; st < xs.size(); ++st) {
            auto* q = new CNcPoint(xs[st] + pitch * theta / kTwoPi, 0, param.m_dStockMinRad);
            model->LiftZ(*q);
            Transform(*q, theta, param.m_dStockMinRad);
            q->w = param.m_dStockMinRad;
            turns[st]->AddTail(q);
        }
        model->RotateByXAxis(inc);
        if (gIsProgressCancel()) return 0;
    }
    CNcPlineGrp strings;
    for (auto& c : turns) {
        TakeWallsRadially(*c, false, param.m_dStockMaxRad, gGetSurfNCDiscTol());
        c->CalcBox();
        strings.AddTail(c.release());
    }
    return Finish(strings, group, false);
}

int CMsRotAxis::CreateRotatePathAround4D(double step, CTool* t, CPathGroup& group)
{
    std::vector<double> xs;
    if (!model || !Stations(step, xs, true)) return 0;
    const double a0 = param.m_dStartAngle * mill::kDegToRad, a1 = param.m_dEndAngle * mill::kDegToRad;
    const double spanDeg = std::fabs(param.m_dEndAngle - param.m_dStartAngle);
    const int k = RotarySampleCount(a1 - a0, param.m_dPartRadius, gGetSurfNCDiscTol(), spanDeg, 2 * spanDeg);
    if (k <= 0) return 0;
    const double inc = (a1 - a0) / k;
    const double r = t ? t->GetDia() / 2.0 : 0.0;
    const bool zigzag = param.m_nFlags & CParamRotAxis::kZigzag;
    startTurn = 0;
    CNcPlineGrp strings;
    for (size_t st = 0; st < xs.size(); ++st) {
        const double x = xs[st];
        CCheckModel scratch;
        model->CreateSubModel(x, &scratch);
        CGeTool2D::CurveList section;
        model->CreateIsoXCurve(x, &section);
        // A station where the part has no section has no circle to follow.
        if (section.IsEmpty() || scratch.MeshCount() == 0) {
            geDelCurveList(&section);
            continue;
        }
        BOX2<double> b;
        CGeTool2D::GetBox(&section, b);
        geDelCurveList(&section);
        const double centre[2] = {(b.xmin + b.xmax) / 2, (b.ymin + b.ymax) / 2};
        const double ea = (b.xmax - b.xmin) / 2, eb = (b.ymax - b.ymin) / 2;
        scratch.resetHeight = 0;
        auto circle = std::make_unique<CNcPline>();
        for (int j = 0; j <= k; ++j) {
            double e[2], d[2], n[2];
            E2D_Ev1Der(centre, ea, eb, 0, j * inc / kTwoPi, e, d);
            V2D_Perp(d, n);
            n[0] = -n[0], n[1] = -n[1];
            if (!V2D_Unit(n, mill::kUnitTol)) continue;
            const double v = V2D_AngletoX(n);
            double turned[2];
            V2D_Rot(-v, e, turned);
            auto* q = new CNcPoint(x, turned[1], param.m_dStockMinRad);
            scratch.RotateByXAxis(v);
            scratch.Mark_Box2D(BOX2<double>(x - r, q->y - r, x + r, q->y + r));
            scratch.LiftZ(*q);
            scratch.RotateByXAxis(-v);
            q->w = q->z;
            const double c = std::cos(-v), s = std::sin(-v);
            const double y = q->y, z = q->z;
            q->y = c * y - s * z;
            q->z = s * y + c * z;
            q->axis = std::make_unique<CVector3f>(0.0f, float(n[1]), float(n[0]));
            circle->AddTail(q);
        }
        if (gIsProgressCancel()) return 0;
        if (circle->IsEmpty()) continue;
        if (zigzag && st % 2 == 1) circle->Reverse();
        circle->CalcBox();
        strings.AddTail(circle.release());
    }
    if (strings.IsEmpty()) return 0;
    return Finish(strings, group, false);
}

double CMsRotAxis::PartRadius(double x, double theta)
{
    CNcPoint p(x, (startTurn + theta) * model->rotaryRadius, param.m_dStockMinRad);
    model->DefineRHeight(p);
    return p.z;
}

bool CMsRotAxis::MoveCuts(const std::vector<const CNcPoint*>& pts)
{
    if (!model || model->rotaryRadius == 0) return false;
    // No part point lies farther from the axis than the corners of the model's box.
    BOX3<double> box;
    if (!model->GetBox(box)) return false;
    const double reach = std::hypot(std::max(std::fabs(box.ymin), std::fabs(box.ymax)),
                                    std::max(std::fabs(box.zmin), std::fabs(box.zmax)));
    const bool unwrapped = param.m_nFlags & CParamRotAxis::kUnwrap;
    const double tol = gGetSurfNCDiscTol();
    const double s = RadialStep(model->Tool());
    for (size_t i = 1; i < pts.size(); ++i) {
        const CNcPoint* a = pts[i - 1];
        const CNcPoint* b = pts[i];
        const double len = std::sqrt((b->x - a->x) * (b->x - a->x) + (b->y - a->y) * (b->y - a->y) +
                                     (b->z - a->z) * (b->z - a->z));
        const int n = std::clamp(int(std::ceil(len / s)), 1, kMaxMoveSamples);
        for (int k = 1; k < n; ++k) {
            CNcPoint q;
            InterpolateNcPoint(double(k) / n, a, b, &q);
            double theta, radius;
            AngleRadius(q, unwrapped, param.m_dStockMaxRad, theta, radius);
            if (radius < reach && radius < PartRadius(q.x, theta) - tol) return true;
        }
    }
    return false;
}

std::vector<CNcPoint*> CMsRotAxis::RouteOver(const CNcPoint& a, const CNcPoint& b) const
{
    const bool unwrapped = param.m_nFlags & CParamRotAxis::kUnwrap;
    const double top = param.m_dStockMaxRad + param.m_dJoinLift;
    std::vector<CNcPoint*> route;
    if (unwrapped) {
        route.push_back(MovePoint(a.x, a.y, top));
        route.push_back(MovePoint(b.x, b.y, top));
        return route;
    }
    double ta, ra, tb, rb;
    AngleRadius(a, false, top, ta, ra);
    AngleRadius(b, false, top, tb, rb);
    // Round the shorter way, in steps of at most 2 degrees.
    double sweep = std::remainder(tb - ta, kTwoPi);
    const int n = std::max(1, int(std::ceil(std::fabs(sweep) / kRouteStep)));
    for (int k = 0; k <= n; ++k) {
        const double t = double(k) / n, th = ta + t * sweep;
        route.push_back(MovePoint(a.x + t * (b.x - a.x), top * std::sin(th), top * std::cos(th)));
    }
    return route;
}

void CMsRotAxis::ChainStringsLifted(CNcPlineGrp& strings, double lift)
{
    for (CNcPline* s : strings) s->CalcBox();
    while (strings.GetCount() > 1) {
        CNcPline* cur = strings.GetHead();
        strings.RemoveHead();
        CNcPline* next = strings.RemoveHead();
        if (!cur->IsEmpty() && !next->IsEmpty()) {
            CNcPoint* e = cur->GetTail();
            CNcPoint* b = next->GetHead();
            const double h = std::max(e->z, b->z) + lift;
            CNcPoint* p1 = MovePoint(e->x, e->y, h);
            CNcPoint* p2 = MovePoint(b->x, b->y, h);
            CopyAxis(cur->GetHead(), p1);
            CopyAxis(next->GetTail(), p2);
            if (MoveCuts({e, p1, p2, b})) {
                // Out to the top radius, round there and back down over the next start.
                DeleteNcPoint(p1);
                DeleteNcPoint(p2);
                for (CNcPoint* q : RouteOver(*e, *b)) {
                    CopyAxis(e, q);
                    cur->AddTail(q);
                }
            } else {
                cur->AddTail(p1);
                cur->AddTail(p2);
            }
        }
        cur->AddTail(next);
        next->RemoveAll();
        DeleteNcPline(next);
        cur->CalcBox();
        strings.AddHead(cur);
    }
}

void JoinNearestStrings(CNcPlineGrp& list, double J, double lift)
{
    for (CNcPline* s : list) s->CalcBox();
    for (POSITION pPos = list.GetHeadPosition(); pPos; list.GetNext(pPos)) {
        CNcPline* p = list.GetAt(pPos);
        while (!p->IsEmpty()) {
            double best = J;
            POSITION bestPos = nullptr;
            int pair = -1;  // 0 start-start, 1 start-end, 2 end-start, 3 end-end
            POSITION qPos = pPos;
            list.GetNext(qPos);
            while (qPos) {
                const POSITION cur = qPos;
                CNcPline* q = list.GetNext(qPos);
                if (q->IsEmpty()) continue;
                const CNcPoint* ends[2][2] = {{p->GetHead(), p->GetTail()}, {q->GetHead(), q->GetTail()}};
                for (int k = 0; k < 4; ++k) {
                    const CNcPoint* u = ends[0][k / 2];
                    const CNcPoint* v = ends[1][k % 2];
                    const double d = std::sqrt((u->x - v->x) * (u->x - v->x) + (u->y - v->y) * (u->y - v->y) +
                                               (u->z - v->z) * (u->z - v->z));
                    if (d < best) best = d, bestPos = cur, pair = k;
                }
            }
            if (!bestPos) break;
            CNcPline* q = list.GetAt(bestPos);
            list.RemoveAt(bestPos);
            if (pair == 0 || pair == 3) q->Reverse();
            if (pair >= 2) {
                // P's end to Q's start.
                const CNcPoint* pe = p->GetTail();
                const CNcPoint* qs = q->GetHead();
                p->AddTail(MovePoint(pe->x, pe->y, pe->z + lift));
                p->AddTail(MovePoint(qs->x, qs->y, qs->z + lift));
                p->AddTail(q);
            } else {
                // Q's end to P's start: Q's points in front.
                const CNcPoint* qe = q->GetTail();
                const CNcPoint* ps = p->GetHead();
                p->AddHead(MovePoint(ps->x, ps->y, ps->z + lift));
                p->AddHead(MovePoint(qe->x, qe->y, qe->z + lift));
                for (POSITION pos = q->GetTailPosition(); pos;) p->AddHead(q->GetPrev(pos));
            }
            q->RemoveAll();
            DeleteNcPline(q);
            p->CalcBox();
        }
    }
}

int PlineGrpToPathCombine(CNcPlineGrp& strings, CPathCombine& combine)
{
    int added = 0;
    for (CNcPline* s : strings) {
        if (!s) break;
        added |= s->AddToPathCombine(combine);
    }
    return added;
}

void WrapPlineGrp(double r, CNcPlineGrp& strings)
{
    for (CNcPline* s : strings) s->WrapByXAxis(r);
}

namespace {

// Cuts the string at pos at every run of consecutive points on the level: the piece
// before a run ends at its first point, the points from the run's second on go into a
// new string after it, whose leading points on the level are dropped down to the
// last. A last piece of fewer than 2 points is deleted.
void SplitAtLevelRuns(CNcPlineGrp& list, POSITION pos, double level)
{
    CNcPline* s = list.GetAt(pos);
    const auto onLevel = [&](const CNcPoint* q) { return std::fabs(q->z - level) < kOnLevel; };
    const auto dropLeading = [&](CNcPline* t) {
        while (t->GetCount() >= 2 && onLevel(t->GetHead()) && onLevel(t->GetAt(t->FindIndex(1))))
            DeleteNcPoint(t->RemoveHead());
    };
    dropLeading(s);
    for (POSITION at = s->GetHeadPosition(); at;) {
        const POSITION cur = at;
        const CNcPoint* a = s->GetNext(at);
        if (!at) break;
        const CNcPoint* b = s->GetAt(at);
        if (!(onLevel(a) && std::fabs(b->z - a->z) < kOnLevel)) continue;
        // Points from b on move into a new string after s.
        auto* rest = new CNcPline;
        rest->tag = s->tag, rest->lineId = s->lineId, rest->liftMode = s->liftMode;
        while (s->GetTailPosition() != cur) rest->AddHead(s->RemoveTail());
        dropLeading(rest);
        s->CalcBox();
        pos = list.InsertAfter(pos, rest);
        s = rest;
        at = s->GetHeadPosition();
    }
    if (s->GetCount() < 2) {
        list.RemoveAt(pos);
        DeleteNcPline(s);
    } else {
        s->CalcBox();
    }
}

}  // namespace

int CMsRotAxis::LayerAllPath(CPathGroup& out, CNcPlineGrp& strings)
{
    if (param.m_dDownStep < kMinDownStep || strings.IsEmpty()) {
        DeleteNcPlineList(&strings);
        return 0;
    }
    const double J = std::min(2.0 * (tool ? tool->GetDia() : 0.0), kMaxJoin);
    const double rmax = param.m_dStockMaxRad;
    double level = rmax - param.m_dDownStep;
    while (level > param.m_dStockMinRad) {
        if (gIsProgressCancel()) {
            DeleteNcPlineList(&strings);
            return 0;
        }
        CNcPlineGrp atLevel;
        for (POSITION pos = strings.GetHeadPosition(); pos;) {
            const POSITION cur = pos;
            CNcPline* s = strings.GetNext(pos);
            CNcPline* t = s->TrimByZValue(level);
            if (!t) {
                strings.RemoveAt(cur);
                atLevel.AddTail(s);
                continue;
            }
            atLevel.AddTail(t);
            // The split strings go in after s: the walk goes on after the last of them.
            const POSITION after = pos;
            SplitAtLevelRuns(strings, cur, level);
            pos = after;
        }
        for (CNcPline* s : atLevel) s->CalcBox();
        if (param.m_nFlags & CParamRotAxis::kZigzag) JoinNearestStrings(atLevel, J, param.m_dJoinLift);
        WrapPlineGrp(rmax, atLevel);
        auto comb = std::make_unique<CPathCombine>(kOpPath);
        if (PlineGrpToPathCombine(atLevel, *comb)) PathGroupAppend(0, &out, comb.release());
        level -= param.m_dDownStep;
    }
    WrapPlineGrp(rmax, strings);
    auto comb = std::make_unique<CPathCombine>(kOpPath);
    if (PlineGrpToPathCombine(strings, *comb)) PathGroupAppend(0, &out, comb.release());
    DeleteNcPlineList(&strings);
    return 1;
}
