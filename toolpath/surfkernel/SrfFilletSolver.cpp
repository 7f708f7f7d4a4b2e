#include "toolpath/surfkernel/SrfFilletSolver.h"

#include "framework/looker/QVGlobal.h"
#include "framework/numerak/Bcrv.h"
#include "framework/numerak/Box2D.h"
#include "framework/numerak/Box3D.h"
#include "framework/numerak/Bsrf.h"
#include "framework/numerak/QvMem.h"
#include "toolpath/surfkernel/EdTrimSurf.h"
#include "toolpath/surfkernel/KernelArc.h"
#include "toolpath/surfkernel/NurbsUtil.h"
#include "toolpath/surfkernel/SrfTrimAdaptor.h"
#include "toolpath/surfkernel/SurfaceEntity.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

using ResultList = CTypedPtrList<CObList, CGeTrimSurf*>;

double Dist3(const double* a, const double* b)
{
    return std::sqrt((a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) + (a[2] - b[2]) * (a[2] - b[2]));
}

bool Unit3(double* v)
{
    const double len = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (len < 1e-6) return false;
    for (int k = 0; k < 3; ++k) v[k] /= len;
    return true;
}

bool Unit2(double* v)
{
    const double len = std::hypot(v[0], v[1]);
    if (len < 1e-6) return false;
    v[0] /= len;
    v[1] /= len;
    return true;
}

void FreeEntries(SrfFilletEntry*& head)
{
    while (head) {
        SrfFilletEntry* n = head->next;
        if (head->offset) {
            // The base belongs to the surface (or to another offset record).
            reinterpret_cast<ESRF_OFFSET*>(head->offset)->base = nullptr;
            QV_MemFree(head->offset);
        }
        ESSI_FreeSubdivision(head->subdiv);
        delete head;
        head = n;
    }
}

int Append(SrfFilletEntry*& head, CGeTrimSurf* surf, int side)
{
    if (!surf) return 0;
    auto* e = new SrfFilletEntry;
    e->surf = surf;
    e->side = side;
    SrfFilletEntry** slot = &head;
    SrfFilletEntry* prev = nullptr;
    while (*slot) {
        prev = *slot;
        slot = &(*slot)->next;
    }
    e->prev = prev;
    *slot = e;
    return 1;
}

// Step 2 of the run for one entry; false ends the run.
bool Prepare(SrfFilletEntry* e, double dist)
{
    CGeTrimSurf* s = e->surf;
    e->base = static_cast<SURFACE*>(s->m_pKernelSurf);
    if (!e->base) return false;
    e->loops = &s->m_listLoop;
    const BOX2<double>& sb = s->m_boxUV;
    double box[4] = {sb.xmin, sb.ymin, sb.xmax, sb.ymax};
    s->GetBox(&e->box);
    if (ESRF_GetDomain(e->base, &e->U, &e->V) != 1) return false;
    if (s->IsTrimed() && !s->m_listLoop.IsEmpty()) {
        CGeTrimLoop* loop = s->m_listLoop.GetHead();
        if (loop && !loop->m_boxUV.IsValid()) loop->CalcUVBox();
        const BOX2<double>& lb = loop->m_boxUV;
        const double lo[2] = {lb.xmin, lb.ymin}, hi[2] = {lb.xmax, lb.ymax};
        if (loop && BOX2D_IsPtIn(sb, lo, 1e-6) && BOX2D_IsPtIn(sb, hi, 1e-6)) {
            const double mu = kFilletLoopMargin * (sb.xmax - sb.xmin), mv = kFilletLoopMargin * (sb.ymax - sb.ymin);
            box[0] = std::max(sb.xmin, lb.xmin - mu);
            box[1] = std::max(sb.ymin, lb.ymin - mv);
            box[2] = std::min(sb.xmax, lb.xmax + mu);
            box[3] = std::min(sb.ymax, lb.ymax + mv);
        }
    }
    std::copy(box, box + 4, e->uv);
    _param* range[2] = {&e->U, &e->V};
    for (int c = 0; c < 2; ++c) {
        _param& p = *range[c];
        // A period longer than the working box cannot be crossed inside it.
        if (p.closure == 2 && !(p.end - p.start - 1e-12 < box[c + 2] - box[c])) p.closure = 0;
        p.start = box[c];
        p.end = box[c + 2];
    }
    if (dist < kFilletMinRadius) return true;
    const double d = e->side ? -dist : dist;
    if (e->base->type == ENT_OFFSET) {
        const auto* o = reinterpret_cast<const ESRF_OFFSET*>(e->base);
        e->offset = ESRF_NewOffset(o->base, o->d + d);
    } else {
        e->offset = ESRF_NewOffset(e->base, d);
    }
    if (!e->offset) return false;
    const double g = std::fabs(dist);
    e->box.xmin -= g, e->box.ymin -= g, e->box.zmin -= g;
    e->box.xmax += g, e->box.ymax += g, e->box.zmax += g;
    return true;
}

SrfFilletEntry* FindByRecord(SrfFilletEntry* head, const SURFACE* rec)
{
    for (SrfFilletEntry* e = head; e; e = e->next)
        if (e->Working() == rec) return e;
    return nullptr;
}

SrfFilletEntry* FindEntry(SrfFilletEntry* first, SrfFilletEntry* second, const SURFACE* rec)
{
    SrfFilletEntry* e = FindByRecord(first, rec);
    return e ? e : FindByRecord(second, rec);
}

// The arc of one sample from the contact point on A to the one on B about the
// spine point; null when it cannot be made.
_arc* SampleArc(const double* pa, const double* pb, const double* spine, const double* tangent)
{
    _arc* arc = nullptr;
    if (ARC_FromChordAndCentreLine(pa, pb, &arc, spine, tangent) != 1) return nullptr;
    return arc;
}

// The section of one sample: the arc (or, for a chamfer, the line) from the
// contact point on A's base to the one on B's, or the point curve at a spine
// point on its contact; null when it cannot be made.
BCRV* SampleSection(const SSI_SAMPLE& s, const SrfFilletEntry* a, const SrfFilletEntry* b, bool chamfer)
{
    double pa[3], pb[3];
    if (ESRF_EvalPoint(pa, a->base, s.uvA[0], s.uvA[1]) != 1 || ESRF_EvalPoint(pb, b->base, s.uvB[0], s.uvB[1]) != 1)
        return nullptr;
    BCRV* c = nullptr;
    if (Dist3(s.p, pa) < kFilletPointSection) {
        NRB_NewPointCurve(s.p, &c);
    } else if (chamfer) {
        BCRV_GenLine(pa, pb, &c);
    } else if (_arc* arc = SampleArc(pa, pb, s.p, s.tan)) {
        BCRV_GenArc(arc, &c);
        QV_MemFree(arc);
    }
    return c;
}

// The sections of a piece's samples, each made on first use.
class SectionCache {
public:
    SectionCache(const SSI_TRACE* trace, const SrfFilletEntry* a, const SrfFilletEntry* b, bool chamfer)
        : trace_(trace), a_(a), b_(b), chamfer_(chamfer), sections_(trace->n, nullptr), tried_(trace->n, 0)
    {
    }
    ~SectionCache()
    {
        for (BCRV* c : sections_) BCRV_Free(c);
    }
    SectionCache(const SectionCache&) = delete;
    SectionCache& operator=(const SectionCache&) = delete;

    BCRV* operator[](int k)
    {
        if (!tried_[k]) {
            tried_[k] = 1;
            sections_[k] = SampleSection(trace_->s[k], a_, b_, chamfer_);
        }
        return sections_[k];
    }

private:
    const SSI_TRACE* trace_;
    const SrfFilletEntry* a_;
    const SrfFilletEntry* b_;
    bool chamfer_;
    std::vector<BCRV*> sections_;
    std::vector<char> tried_;
};

// Distance from q to the surface near (u, v): Gauss-Newton steps towards the
// foot of the perpendicular, inside the surface's domain; (u, v) become the foot.
double DistanceNear(const _nurbs_surface* s, const double* q, double& u, double& v)
{
    const double u0 = s->U[s->ku - 1], u1 = s->U[s->nu], v0 = s->V[s->kv - 1], v1 = s->V[s->nv];
    double P[3], Su[3], Sv[3];
    for (int it = 0; it < kFilletFootSteps; ++it) {
        if (BSRF_Ev1Der(s, u, v, P, Su, Sv) != 1) return HUGE_VAL;
        const double r[3] = {P[0] - q[0], P[1] - q[1], P[2] - q[2]};
        const double a = Su[0] * Su[0] + Su[1] * Su[1] + Su[2] * Su[2];
        const double b = Su[0] * Sv[0] + Su[1] * Sv[1] + Su[2] * Sv[2];
        const double c = Sv[0] * Sv[0] + Sv[1] * Sv[1] + Sv[2] * Sv[2];
        const double ru = -(Su[0] * r[0] + Su[1] * r[1] + Su[2] * r[2]);
        const double rv = -(Sv[0] * r[0] + Sv[1] * r[1] + Sv[2] * r[2]);
        const double det = a * c - b * b;
        if (!(det > 1e-300)) break;
        const double du = (ru * c - b * rv) / det, dv = (a * rv - b * ru) / det;
        u = std::clamp(u + du, u0, u1);
        v = std::clamp(v + dv, v0, v1);
        if (std::fabs(du) <= 1e-12 * (u1 - u0) && std::fabs(dv) <= 1e-12 * (v1 - v0)) break;
    }
    if (BSRF_EvPos(s, u, v, P) != 1) return HUGE_VAL;
    return Dist3(P, q);
}

// Largest distance from points of a section (at fixed fractions of its
// parameter range) to the surface, starting near parameter v.
double SectionDeviation(const _nurbs_surface* s, const BCRV* c, double v)
{
    const double t0 = c->U[c->k - 1], t1 = c->U[c->n];
    const double u0 = s->U[s->ku - 1], u1 = s->U[s->nu];
    double worst = 0.0;
    for (int i = 0; i < kFilletCheckPoints; ++i) {
        const double f = static_cast<double>(i) / (kFilletCheckPoints - 1);
        double q[3];
        if (BCRV_EvPos(c, t0 + f * (t1 - t0), q) != 1) return HUGE_VAL;
        double u = u0 + f * (u1 - u0), w = v;
        worst = std::max(worst, DistanceNear(s, q, u, w));
    }
    return worst;
}

// The lofted (or, for two samples, ruled) surface through the kept sections.
_nurbs_surface* LoftKept(SectionCache& sections, const std::vector<int>& kept, int samples)
{
    std::vector<BCRV*> curves;
    curves.reserve(kept.size());
    for (int k : kept) curves.push_back(sections[k]);
    _nurbs_surface* surf = nullptr;
    const int m = static_cast<int>(curves.size());
    if (samples == 2 && m == 2)
        NRB_RuledSurface(curves[0], curves[1], &surf);
    else if (m >= 2)
        NRB_LoftSurface(curves.data(), m, m == 2 ? 2 : (m == 3 ? 3 : 4), kFilletLoftTol, &surf);
    return surf;
}

// A sample of (lo, hi) with a section, the one nearest mid first; -1 for none.
int UsableNear(SectionCache& sections, int lo, int hi, int mid)
{
    for (int d = 0; mid - d > lo || mid + d < hi; ++d) {
        if (mid + d < hi && mid + d > lo && sections[mid + d]) return mid + d;
        if (d > 0 && mid - d > lo && mid - d < hi && sections[mid - d]) return mid - d;
    }
    return -1;
}

// The samples first kept: the first and last with a section, and one wherever
// the spine's tangent has turned by more than kFilletSeedTurn since the last
// kept one, so that a sharp bend cannot hide between the few samples checked in
// a gap.
std::vector<int> SeedSections(SectionCache& sections, const SSI_TRACE* trace)
{
    std::vector<int> kept;
    int first = 0, last = trace->n - 1;
    while (first <= last && !sections[first]) ++first;
    while (last > first && !sections[last]) --last;
    if (first >= last) return kept;
    kept.push_back(first);
    const double cosTurn = std::cos(kFilletSeedTurn);
    for (int k = first + 1; k < last; ++k) {
        const double* t0 = trace->s[kept.back()].tan;
        const double* t1 = trace->s[k].tan;
        if (t0[0] * t1[0] + t0[1] * t1[1] + t0[2] * t1[2] < cosTurn && sections[k]) kept.push_back(k);
    }
    kept.push_back(last);
    return kept;
}

// The parameter v of every kept section on the surface: the foot of its middle
// point, started from its share of the spine's length.
std::vector<double> KeptParameters(const _nurbs_surface* s, SectionCache& sections, const std::vector<int>& kept,
                                   const SSI_TRACE* trace)
{
    const double v0 = s->V[s->kv - 1], v1 = s->V[s->nv];
    const double t0 = trace->s[kept.front()].t, t1 = trace->s[kept.back()].t;
    std::vector<double> v(kept.size());
    for (size_t j = 0; j < kept.size(); ++j) {
        const double f = t1 > t0 ? (trace->s[kept[j]].t - t0) / (t1 - t0) : static_cast<double>(j) / (kept.size() - 1);
        v[j] = v0 + f * (v1 - v0);
        if (j == 0 || j + 1 == kept.size()) continue;
        const BCRV* c = sections[kept[j]];
        double q[3];
        if (BCRV_EvPos(c, 0.5 * (c->U[c->k - 1] + c->U[c->n]), q) != 1) continue;
        double u = 0.5 * (s->U[s->ku - 1] + s->U[s->nu]);
        DistanceNear(s, q, u, v[j]);
    }
    v.front() = v0;
    v.back() = v1;
    return v;
}

// The section surface of one piece: sections (arcs, or lines for a chamfer)
// between the contact points on both bases, ruled or lofted. Only as many
// sections are kept as hold the surface within kFilletFitTol of the exact
// sections: starting from the ends and the spine's bends, every gap between
// kept sections whose surface strays from the exact sections at its check
// samples is halved, and the surface lofted again, until every gap holds.
// Null when no surface is made.
CGeTrimSurf* SectionSurface(const SrfCurvePiece* piece, SrfFilletEntry* a, SrfFilletEntry* b, bool chamfer)
{
    const SSI_TRACE* trace = piece->curve->trace;
    if (!trace || trace->n < 1) return nullptr;
    SectionCache sections(trace, a, b, chamfer);
    std::vector<int> kept = SeedSections(sections, trace);
    if (kept.size() < 2) return nullptr;
    _nurbs_surface* surf = nullptr;
    for (;;) {
        BSRF_Free(surf);
        surf = LoftKept(sections, kept, trace->n);
        if (!surf) return nullptr;
        const std::vector<double> v = KeptParameters(surf, sections, kept, trace);
        std::vector<int> next;
        next.reserve(2 * kept.size());
        for (size_t j = 0; j + 1 < kept.size(); ++j) {
            const int lo = kept[j], hi = kept[j + 1];
            next.push_back(lo);
            if (hi - lo < 2) continue;
            const double tLo = trace->s[lo].t, tHi = trace->s[hi].t;
            bool holds = true;
            const int checks = std::min(hi - lo - 1, kFilletGapChecks);
            for (int i = 1; holds && i <= checks; ++i) {
                const int k = lo + static_cast<int>(std::lround(static_cast<double>(i) * (hi - lo) / (checks + 1)));
                const BCRV* c = sections[k];
                if (!c) continue;
                const double f = tHi > tLo ? (trace->s[k].t - tLo) / (tHi - tLo) : 0.5;
                holds = SectionDeviation(surf, c, v[j] + f * (v[j + 1] - v[j])) <= kFilletFitTol;
            }
            if (holds) continue;
            const int mid = UsableNear(sections, lo, hi, (lo + hi) / 2);
            if (mid >= 0) next.push_back(mid);
        }
        next.push_back(kept.back());
        if (next.size() == kept.size()) break;
        kept = std::move(next);
    }
    NRB_RemoveSurfaceKnots(surf, kFilletKnotRemovalTol);
    auto* out = new CGeTrimSurf;
    out->m_pSurface = surf;
    out->CalcUVBox();
    return out;
}

// The sample's (u, v) on an entry moved into its periodic ranges, and the next
// sample's by the same shift.
void IntoPeriod(const SrfFilletEntry* e, double* uv0, double* uv1)
{
    const _param* range[2] = {&e->U, &e->V};
    for (int c = 0; c < 2; ++c) {
        const _param& p = *range[c];
        const double period = p.end - p.start;
        if (p.closure != 2 || period <= 0) continue;
        const double shift = std::floor((uv0[c] - p.start) / period) * period;
        uv0[c] -= shift;
        uv1[c] -= shift;
    }
}

bool InRange(const SrfFilletEntry* e, const double* uv)
{
    return uv[0] >= e->U.start - 1e-6 && uv[0] <= e->U.end + 1e-6 && uv[1] >= e->V.start - 1e-6 &&
           uv[1] <= e->V.end + 1e-6;
}

// Projects contact - step·dir onto the base, halving the step after a failure (at
// most ten tries); false when every try fails.
bool StepOff(const SrfFilletEntry* e, const double* contact, const double* dir, double step, double* uv)
{
    for (int tries = 0; tries < 10; ++tries, step *= 0.5) {
        const double q[3] = {contact[0] - step * dir[0], contact[1] - step * dir[1], contact[2] - step * dir[2]};
        double foot[3];
        if (ESRF_ProjectPoint(&uv[0], &uv[1], foot, e->base, q) == 1) return true;
    }
    return false;
}

// 1 when the step from uv0 towards the kept side turns left of the curve's step.
int LeftFlag(const double* uv0, const double* uv1, const double* kept)
{
    double d1[2] = {uv1[0] - uv0[0], uv1[1] - uv0[1]};
    double d2[2] = {kept[0] - uv0[0], kept[1] - uv0[1]};
    if (!Unit2(d1) || !Unit2(d2)) return 0;
    return d1[0] * d2[1] - d1[1] * d2[0] > 1e-6 ? 1 : 0;
}

// The side flags of a piece: on which side of the contact curve each surface is
// kept (the side away from the fillet), settled over the first few samples.
void SideFlags(SrfCurvePiece* piece, SrfFilletEntry* a, SrfFilletEntry* b)
{
    ECRV_INTCUR* c = piece->curve;
    c->side[0] = c->side[1] = 0;
    const SSI_TRACE* trace = c->trace;
    if (!trace || trace->n < 2) return;
    const int stopAt = std::min(trace->n, 3);
    int agreed = 0;
    for (int k = 0; k + 1 < trace->n; ++k) {
        const SSI_SAMPLE& s0 = trace->s[k];
        const SSI_SAMPLE& s1 = trace->s[k + 1];
        double a0[2] = {s0.uvA[0], s0.uvA[1]}, a1[2] = {s1.uvA[0], s1.uvA[1]};
        double b0[2] = {s0.uvB[0], s0.uvB[1]}, b1[2] = {s1.uvB[0], s1.uvB[1]};
        IntoPeriod(a, a0, a1);
        IntoPeriod(b, b0, b1);
        if (!InRange(a, a0) || !InRange(a, a1) || !InRange(b, b0) || !InRange(b, b1)) continue;
        double pa[3], pb[3];
        if (ESRF_EvalPoint(pa, a->base, a0[0], a0[1]) != 1 || ESRF_EvalPoint(pb, b->base, b0[0], b0[1]) != 1) continue;
        _arc* arc = SampleArc(pa, pb, s0.p, s0.tan);
        if (!arc) continue;
        double tA[3], tB[3];
        ARC_EvalPointTangent(0.0, nullptr, arc, tA);
        ARC_EvalPointTangent(arc->sweep, nullptr, arc, tB);
        const double r = arc->r;
        QV_MemFree(arc);
        if (!Unit3(tA) || !Unit3(tB)) continue;
        const double step = std::min(r, kFilletSideStep);
        // Off the fillet: backwards along the arc at A, onwards at B.
        const double backB[3] = {-tB[0], -tB[1], -tB[2]};
        double qa[2] = {a0[0], a0[1]}, qb[2] = {b0[0], b0[1]};
        if (!StepOff(a, pa, tA, step, qa) || !StepOff(b, pb, backB, step, qb)) continue;
        c->side[0] = LeftFlag(a0, a1, qa);
        c->side[1] = LeftFlag(b0, b1, qb);
        if (r >= kFilletSideMinRadius && c->side[0] == 1 && c->side[1] == 1 && ++agreed >= stopAt) break;
    }
}

// Trims one entry's surface back along the pieces; the remaining pieces go to result.
void TrimEntry(SrfFilletEntry* e, SrfCurvePiece* pieces, int extend, ResultList* result)
{
    CSrfTrimAdaptor ad;
    ad.extend = extend;
    ad.AddSurface(e->surf, 0);
    CEdTrimSurf* E = ad.FindEdSurf(e->surf);
    const SURFACE* rec = e->Working();
    bool added = false;
    for (SrfCurvePiece* p = pieces; p; p = p->next) {
        if (p->curve->a == rec)
            added |= ad.AddInterCurve(p->curve, E, nullptr) != nullptr;
        else if (p->curve->b == rec)
            added |= ad.AddInterCurve(p->curve, nullptr, E) != nullptr;
    }
    if (!added) return;
    ad.Trim(0);
    CObList tmp;
    if (ad.CollectPieces(e->surf, &tmp)) {
        while (!tmp.IsEmpty()) result->AddTail(static_cast<CGeTrimSurf*>(tmp.RemoveHead()));
        e->done = 1;
    }
    // The adaptor's destructor frees the surface's kernel record and subdivision.
}

}  // namespace

CSrfFilletSolver::CSrfFilletSolver() = default;

CSrfFilletSolver::~CSrfFilletSolver()
{
    FreeCurves();
    FreeEntries(first);
    FreeEntries(second);
}

void CSrfFilletSolver::FreeCurves()
{
    while (curves) {
        SrfCurvePiece* n = curves->next;
        ECRV_FreeIntersection(curves->curve);
        delete curves;
        curves = n;
    }
}

int CSrfFilletSolver::IsValid() { return first && second && radius >= kFilletMinRadius ? 1 : 0; }

int CSrfFilletSolver::AddFirst(CGeTrimSurf* surf, int side) { return Append(first, surf, side); }

int CSrfFilletSolver::AddSecond(CGeTrimSurf* surf, int side) { return Append(second, surf, side); }

int CSrfFilletSolver::SrfFillet(ResultList* result) { return Run(result, radius, radius, false); }

int CSrfChamferSolver::IsValid()
{
    return first && second && firstDist >= kFilletMinRadius && secondDist >= kFilletMinRadius ? 1 : 0;
}

int CSrfChamferSolver::SrfChamfer(ResultList* result)
{
    radius = firstDist;
    return Run(result, firstDist, secondDist, true);
}

int CSrfFilletSolver::Run(ResultList* result, double firstDist, double secondDist, bool chamfer)
{
    if (!result || !IsValid()) return 0;
    for (SrfFilletEntry* e = first; e; e = e->next)
        if (!Prepare(e, firstDist)) return 0;
    for (SrfFilletEntry* e = second; e; e = e->next)
        if (!Prepare(e, secondDist)) return 0;

    double pre[3], tra[3];
    ZDC_Get_gp_pre(pre);
    ZDC_Get_gp_tra(tra);
    ESSI_SetSubdivTolerance(pre[0], pre[1], pre[2]);
    ESSI_SetTraceTolerance(tra[0], tra[1], tra[2]);

    // The spine: the curves of every pair of offset surfaces whose grown boxes meet.
    FreeCurves();
    SrfCurvePiece* tail = nullptr;
    auto push = [&](ECRV_INTCUR* c) {
        auto* p = new SrfCurvePiece;
        p->curve = c;
        p->prev = tail;
        (tail ? tail->next : curves) = p;
        tail = p;
    };
    for (SrfFilletEntry* e1 = first; e1; e1 = e1->next)
        for (SrfFilletEntry* e2 = second; e2; e2 = e2->next) {
            if (!BOX3D_IsInt(&e1->box, &e2->box, kFilletBoxTol)) continue;
            SSI_POINT* contacts = nullptr;
            SSI_CURVENODE* nodes = nullptr;
            if (ESSI_Intersect(e1->Working(), e2->Working(), e1->uv, &e1->subdiv, e2->uv, &e2->subdiv, &contacts,
                               &nodes) == 1)
                for (SSI_CURVENODE* n = nodes; n; n = n->next)
                    if (n->curve) {
                        push(n->curve);  // taken over from the node
                        n->curve = nullptr;
                    }
            ESSI_FreePointList(contacts);
            ESSI_FreeCurveList(nodes);
        }
    for (SrfFilletEntry* lists[2] = {first, second}; SrfFilletEntry* h : lists)
        for (SrfFilletEntry* e = h; e; e = e->next) {
            ESSI_FreeSubdivision(e->subdiv);
            e->subdiv = nullptr;
        }
    if (!curves) return 0;

    // Pieces: a whole copy of every spine curve between two entries of the solver.
    for (SrfFilletEntry* lists[2] = {first, second}; SrfFilletEntry* h : lists)
        for (SrfFilletEntry* e = h; e; e = e->next)
            for (CGeTrimLoop* loop : *e->loops)
                if (loop) loop->CalcUVBox();
    SrfCurvePiece* spine = curves;
    curves = nullptr;
    tail = nullptr;
    for (SrfCurvePiece* p = spine; p; p = p->next)
        if (p->curve->h.type == ENT_INTERSECTION && FindEntry(first, second, p->curve->a) &&
            FindEntry(first, second, p->curve->b))
            if (ECRV_INTCUR* copy = ECRV_CopyIntersection(p->curve)) push(copy);

    std::vector<std::pair<SrfFilletEntry*, SrfFilletEntry*>> sides;
    for (SrfCurvePiece* p = curves; p; p = p->next) {
        SrfFilletEntry* a = FindEntry(first, second, p->curve->a);
        SrfFilletEntry* b = FindEntry(first, second, p->curve->b);
        sides.emplace_back(a, b);
        if (CGeTrimSurf* s = SectionSurface(p, a, b, chamfer)) result->AddTail(s);
    }
    std::swap(curves, spine);
    FreeCurves();
    curves = spine;

    if (trimFirst || trimSecond) {
        size_t k = 0;
        for (SrfCurvePiece* p = curves; p; p = p->next, ++k) SideFlags(p, sides[k].first, sides[k].second);
        if (trimFirst)
            for (SrfFilletEntry* e = first; e; e = e->next) TrimEntry(e, curves, extend, result);
        if (trimSecond)
            for (SrfFilletEntry* e = second; e; e = e->next) TrimEntry(e, curves, extend, result);
    }
    return result->IsEmpty() ? 0 : 1;
}
