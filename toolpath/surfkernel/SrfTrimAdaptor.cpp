#include "toolpath/surfkernel/SrfTrimAdaptor.h"

#include "framework/looker/QVGlobal.h"
#include "framework/numerak/Box2D.h"
#include "framework/numerak/Bsrf.h"
#include "framework/numerak/PointString3D.h"
#include "geometry/shapes3d/GeCurve3d.h"
#include "toolpath/surfkernel/BoxSweep.h"
#include "toolpath/surfkernel/EdInterCurve.h"
#include "toolpath/surfkernel/EdTrimBound.h"
#include "toolpath/surfkernel/EdTrimLoop.h"
#include "toolpath/surfkernel/EdTrimSurf.h"
#include "toolpath/surfkernel/SampleString.h"
#include "toolpath/surfkernel/SrfActor.h"
#include "toolpath/surfkernel/SurfaceEntity.h"

#include <algorithm>
#include <cmath>
#include <set>
#include <utility>
#include <vector>

namespace {

constexpr double kNoSize = 1e12;

SURFACE* KernelRecord(const CGeTrimSurf* s) { return static_cast<SURFACE*>(s->m_pKernelSurf); }

void FreeKernelData(CGeTrimSurf* s, bool record)
{
    ESSI_FreeSubdivision(static_cast<SSI_SUBDIV*>(s->m_pSubdivision));
    s->m_pSubdivision = nullptr;
    if (record) {
        ENT_Free(KernelRecord(s));
        s->m_pKernelSurf = nullptr;
    }
}

void UVBox(const CGeTrimSurf* s, double* box)
{
    box[0] = s->m_boxUV.xmin;
    box[1] = s->m_boxUV.ymin;
    box[2] = s->m_boxUV.xmax;
    box[3] = s->m_boxUV.ymax;
}

double Dist3(const double* a, const double* b)
{
    return std::sqrt((a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) + (a[2] - b[2]) * (a[2] - b[2]));
}

// Length of the grid line through five points, or a negative value when one
// cannot be evaluated.
template <class At>
double GridLineLength(CGeTrimSurf* s, At at)
{
    double prev[3], p[3], len = 0.0;
    for (int j = 0; j <= 4; ++j) {
        double u, v;
        at(j, u, v);
        if (!s->GetPoint(u, v, p)) return -1.0;
        if (j > 0) len += Dist3(prev, p);
        std::copy(p, p + 3, prev);
    }
    return len;
}

// The polyline of the (u, v) points at the coordinate offset k of a curve (third
// coordinate 0), in the kernel's polyline record.
struct UVPolyline {
    std::vector<double> pts;
    PLINE pl{0, nullptr};
    void Take()
    {
        pl.n = static_cast<int>(pts.size() / 3);
        pl.pnts = reinterpret_cast<double(*)[3]>(pts.data());
    }
};

UVPolyline CurvePolyline(const CEdInterCurve* c, int k)
{
    UVPolyline out;
    out.pts.reserve(3 * (c->nLast + 1));
    for (int i = 0; i <= c->nLast; ++i) {
        const double* p = c->pts[i];
        out.pts.insert(out.pts.end(), {p[k], p[k + 1], 0.0});
    }
    out.Take();
    return out;
}

UVPolyline BoundPolyline(const CEdTrimBound* b)
{
    UVPolyline out;
    out.pts.reserve(3 * (b->nLast + 1));
    for (int i = 0; i <= b->nLast; ++i) out.pts.insert(out.pts.end(), {b->Point(i)[0], b->Point(i)[1], 0.0});
    out.Take();
    return out;
}

// Appends the loop and its islands, each converted to a trim loop with its 3D
// curves, to a new surface over a clone of the edited surface's NURBS surface;
// null (nothing made) when a conversion fails.
CGeTrimSurf* NewSurfFromLoop(CEdTrimSurf* e, CEdTrimLoop* loop)
{
    CGeTrimSurf* g = e->surf;
    if (!g || !g->m_pSurface) return nullptr;
    auto* out = new CGeTrimSurf(BSRF_Clone(g->m_pSurface), g->m_boxUV);
    for (CEdTrimLoop* l = loop; l; l = (l == loop ? loop->islandHead : l->next)) {
        CGeTrimLoop* t = l->ConvertToTopoLoop();
        if (!t) {
            delete out;
            return nullptr;
        }
        out->AddLoop(t);
        t->UpdateEucCrv(out->m_pSurface, kTrimEucCrvTol);
    }
    return out;
}

// True when a bound of the loop or of its islands is a curve bound whose side
// flag is 0: the loop lies on the side the curve cuts away.
bool HasDroppedSide(const CEdTrimLoop* loop)
{
    for (const CEdTrimLoop* l = loop; l; l = (l == loop ? loop->islandHead : l->next))
        for (const CEdTrimBound* b = l->boundHead; b; b = b->next)
            if ((b->kind == BND_CURVE || b->kind == BND_EXTENDED) && b->side == 0) return true;
    return false;
}

}  // namespace

CSrfTrimAdaptor::CSrfTrimAdaptor() = default;

CSrfTrimAdaptor::~CSrfTrimAdaptor()
{
    ReleaseKernelData();
    Clear();
}

void CSrfTrimAdaptor::AppendCurve(CEdInterCurve* curve)
{
    curve->next = nullptr;
    curve->prev = curveTail;
    (curveTail ? curveTail->next : curveHead) = curve;
    curveTail = curve;
}

int CSrfTrimAdaptor::AddSurface(CGeTrimSurf* surf, int toolSet)
{
    if (!surf) return 0;
    if (!surf->m_pKernelSurf && surf->m_pSurface) surf->m_pKernelSurf = ESRF_NewNurbs(BSRF_Clone(surf->m_pSurface));
    if (trimSet.Find(surf) || this->toolSet.Find(surf)) return 0;
    // A cache left by an earlier operation was made for another box and other
    // tolerances: freed rather than forgotten.
    FreeKernelData(surf, false);
    (toolSet ? this->toolSet : trimSet).AddTail(surf);
    auto* e = new CEdTrimSurf;
    e->set = toolSet ? 1 : 0;
    e->InitSurfBound(surf);
    e->next = nullptr;
    e->prev = surfTail;
    (surfTail ? surfTail->next : surfHead) = e;
    surfTail = e;
    return 1;
}

CEdTrimSurf* CSrfTrimAdaptor::FindEdSurf(CGeTrimSurf* surf)
{
    if (!surf) return nullptr;
    for (CEdTrimSurf* e = surfHead; e; e = e->next)
        if (e->surf == surf) return e;
    return nullptr;
}

void CSrfTrimAdaptor::ReleaseKernelData()
{
    for (CGeTrimSurf* s : trimSet)
        if (s) FreeKernelData(s, true);
    for (CGeTrimSurf* s : toolSet)
        if (s) FreeKernelData(s, true);
}

void CSrfTrimAdaptor::DeleteToolSurfaces()
{
    for (CGeTrimSurf* s : toolSet) {
        if (!s) continue;
        // The kernel record goes too: nothing else would free it once the surface
        // has left the tool set.
        FreeKernelData(s, true);
        for (CEdTrimSurf* e = surfHead; e; e = e->next)
            if (e->surf == s) e->DeleteAllCurve();
        delete s;
    }
    toolSet.RemoveAll();
}

int CSrfTrimAdaptor::Clear()
{
    while (curveHead) {
        CEdInterCurve* n = curveHead->next;
        delete curveHead;
        curveHead = n;
    }
    curveTail = nullptr;
    while (surfHead) {
        CEdTrimSurf* n = surfHead->next;
        surfHead->DeleteAllCurve();
        delete surfHead;
        surfHead = n;
    }
    surfTail = nullptr;
    trimSet.RemoveAll();
    toolSet.RemoveAll();
    return 1;
}

int TrimSurfSize(CGeTrimSurf* surf, double& size)
{
    if (!surf) return 0;
    size = kNoSize;
    const BOX2<double>& b = surf->m_boxUV;
    const double du = (b.xmax - b.xmin) / 4, dv = (b.ymax - b.ymin) / 4;
    for (int dir = 0; dir < 2; ++dir)
        for (int i = 0; i <= 4; ++i) {
            const double len = GridLineLength(surf, [&](int j, double& u, double& v) {
                u = b.xmin + (dir == 0 ? i : j) * du;
                v = b.ymin + (dir == 0 ? j : i) * dv;
            });
            if (len > kTrimSizeMinLine && len < size) size = len;
        }
    return 1;
}

void PairSubdivisionTolerances(CGeTrimSurf* s0, CGeTrimSurf* s1, double* triple)
{
    if (!s0 && !s1) return;
    double a = kTrimMissingSize, b = kTrimMissingSize;
    if (s0) TrimSurfSize(s0, a);
    if (s1) TrimSurfSize(s1, b);
    const double size = std::min(a, b);
    ZDC_Get_gp_pre(triple);
    if (size < 2 * triple[2]) triple[2] = 0.25 * std::min(size, triple[2]);
    triple[2] = std::max(triple[2], kTrimMinPatchTol);
}

void CSrfTrimAdaptor::IntersectPair(CGeTrimSurf* s0, CEdTrimSurf* e0, CGeTrimSurf* s1, CEdTrimSurf* e1)
{
    SURFACE* r0 = KernelRecord(s0);
    SURFACE* r1 = KernelRecord(s1);
    double box0[4], box1[4];
    UVBox(s0, box0);
    UVBox(s1, box1);
    auto* sub0 = static_cast<SSI_SUBDIV*>(s0->m_pSubdivision);
    auto* sub1 = static_cast<SSI_SUBDIV*>(s1->m_pSubdivision);
    SSI_POINT* contacts = nullptr;
    SSI_CURVENODE* curves = nullptr;
    if (ESSI_Intersect(r0, r1, box0, &sub0, box1, &sub1, &contacts, &curves) == 1) {
        for (SSI_CURVENODE* n = curves; n; n = n->next) {
            ECRV_INTCUR* c = n->curve;
            if (!c) continue;
            if (c->a == r0 && c->b == r1)
                AddInterCurve(c, e0, e1);
            else if (c->a == r1 && c->b == r0)
                AddInterCurve(c, e1, e0);
        }
    }
    // The curves are copied into the chain; the kernel's lists go whatever the result.
    ESSI_FreePointList(contacts);
    ESSI_FreeCurveList(curves);
    s0->m_pSubdivision = sub0;
    s1->m_pSubdivision = sub1;
}

int CSrfTrimAdaptor::IntersectAll()
{
    double savedSubdiv[3], savedTrace[3], tra[3];
    ESSI_GetSubdivTolerance(savedSubdiv);
    ESSI_GetTraceTolerance(savedTrace);
    ZDC_Get_gp_tra(tra);
    ESSI_SetTraceTolerance(tra[0], tra[1], tra[2]);

    std::vector<CGeTrimSurf*> trims, tools;
    std::vector<CEdTrimSurf*> trimEd, toolEd;
    for (CGeTrimSurf* s : trimSet)
        if (s && s->m_pKernelSurf) trims.push_back(s), trimEd.push_back(FindEdSurf(s));
    for (CGeTrimSurf* s : toolSet) {
        CEdTrimSurf* e = s && s->m_pKernelSurf ? FindEdSurf(s) : nullptr;
        if (e) tools.push_back(s), toolEd.push_back(e);
    }
    // Pairs whose 3D boxes meet, found by a sweep, then taken in list order.
    std::vector<BOX3<double>> boxes[2];
    const std::vector<CGeTrimSurf*>* sets[2] = {&trims, &tools};
    for (int k = 0; k < 2; ++k)
        for (CGeTrimSurf* s : *sets[k]) {
            BOX3<double> b;
            s->GetBox(&b);
            boxes[k].push_back(b);
        }
    std::vector<std::pair<int, int>> pairs;
    boxsweep::Pairs(boxes[0], boxes[1], kTrimBoxTol, [&](int i, int j) { pairs.emplace_back(i, j); });
    std::sort(pairs.begin(), pairs.end());
    // Pairs that a curve already joins, in either order.
    std::set<std::pair<const CEdTrimSurf*, const CEdTrimSurf*>> joined;
    for (const CEdInterCurve* c = curveHead; c; c = c->next) {
        joined.emplace(c->surfA, c->surfB);
        joined.emplace(c->surfB, c->surfA);
    }
    for (const auto& [i, j] : pairs) {
        if (trimEd[i] && joined.count({trimEd[i], toolEd[j]})) continue;
        double triple[3];
        PairSubdivisionTolerances(trims[i], tools[j], triple);
        ESSI_SetSubdivTolerance(triple[0], triple[1], triple[2]);
        IntersectPair(trims[i], trimEd[i], tools[j], toolEd[j]);
    }

    ESSI_SetSubdivTolerance(savedSubdiv[0], savedSubdiv[1], savedSubdiv[2]);
    ESSI_SetTraceTolerance(savedTrace[0], savedTrace[1], savedTrace[2]);
    return curveHead ? 1 : 0;
}

CEdInterCurve* CSrfTrimAdaptor::AddInterCurve(ECRV_INTCUR* record, CEdTrimSurf* a, CEdTrimSurf* b)
{
    if (!record) return nullptr;
    auto* c = new CEdInterCurve;
    if (c->Create(record, a, b) != 1 || (a && LiesOnSurfaceBound(c, a) == 1)) {
        delete c;
        return nullptr;
    }
    AppendCurve(c);
    return c;
}

int LiesOnSurfaceBound(CEdInterCurve* curve, CEdTrimSurf* surf)
{
    if (!curve || !surf || curve->nLast < 1) return 0;
    const BOX2<double> box(curve->minBox[3], curve->minBox[4], curve->maxBox[3], curve->maxBox[4]);
    UVPolyline cp;
    for (CEdTrimLoop* l = surf->loopHead; l; l = l->next)
        for (CEdTrimBound* b = l->boundHead; b; b = b->next) {
            if (!BOX2D_IsContain(box, b->uvBox, kTrimOnBoundTol) && !BOX2D_IsContain(b->uvBox, box, kTrimOnBoundTol))
                continue;
            if (cp.pts.empty()) cp = CurvePolyline(curve, 3);
            const UVPolyline bp = BoundPolyline(b);
            int flag = 0;
            if (PLINE_IsOverlap(&bp.pl, &cp.pl, &flag, kTrimOnBoundTol) == 1 && flag == 1) return 1;
        }
    return 0;
}

void CSrfTrimAdaptor::AddPointString(CStrP3D* str, CEdTrimSurf* surf)
{
    if (!str || str->m_nCount < 2 || !str->m_pPoints || !surf || !surf->surf || !surf->surf->m_pKernelSurf) return;
    CGeTrimSurf* g = surf->surf;
    SURFACE* rec = KernelRecord(g);
    std::vector<double> run;
    run.reserve(2 * str->m_nCount);
    bool startFlag = false;
    auto flush = [&](bool extendEnd) {
        if (run.size() > 2)
            AddUVCurve(reinterpret_cast<double(*)[2]>(run.data()), static_cast<int>(run.size() / 2), surf, startFlag,
                       extendEnd);
        run.clear();
        startFlag = false;
    };
    double u = 0.0, v = 0.0;
    for (int i = 0; i < str->m_nCount; ++i) {
        double foot[3];
        if (ESRF_ProjectPoint(&u, &v, foot, rec, str->m_pPoints[i]) != 1) {
            flush(true);
            continue;
        }
        const double uv[2] = {u, v};
        if (!BOX2D_IsPtIn(g->m_boxUV, uv, kTrimBoxTol)) continue;
        if (run.empty()) startFlag = i > 0;
        run.push_back(u);
        run.push_back(v);
    }
    flush(false);
}

CEdInterCurve* CSrfTrimAdaptor::AddUVCurve(double (*pts)[2], int n, CEdTrimSurf* surf, bool extendStart,
                                           bool extendEnd)
{
    if (!pts || !surf || !surf->surf || n < 2) return nullptr;
    CGeTrimSurf* g = surf->surf;
    std::vector<double> buf(&pts[0][0], &pts[0][0] + 2 * n);
    auto* p = reinterpret_cast<double(*)[2]>(buf.data());
    const BOX2<double>& box = g->m_boxUV;

    // Ends that lie near a side of the domain in 3D go onto it and are not extended.
    double size = 0.0;
    TrimSurfSize(g, size);
    const double snap = std::min(size / 10, kTrimSnapMax);
    bool* flags[2] = {&extendStart, &extendEnd};
    for (int end = 0; end < 2; ++end) {
        double* q = p[end == 0 ? 0 : n - 1];
        const double side[4] = {box.xmin, box.xmax, box.ymin, box.ymax};
        int best = 0;
        for (int s = 1; s < 4; ++s)
            if (std::fabs(q[s / 2] - side[s]) < std::fabs(q[best / 2] - side[best])) best = s;
        double onSide[2] = {q[0], q[1]};
        onSide[best / 2] = side[best];
        double a[3], b[3];
        if (g->GetPoint(q[0], q[1], a) && g->GetPoint(onSide[0], onSide[1], b) && Dist3(a, b) < snap) {
            q[best / 2] = side[best];
            *flags[end] = false;
        }
    }

    // Unwrapping across periodic seams keeps the polyline continuous.
    _param U{}, V{};
    if (g->m_pKernelSurf && ESRF_GetDomain(KernelRecord(g), &U, &V) == 1) {
        const double period[2] = {U.closure == 2 ? U.end - U.start : 0.0, V.closure == 2 ? V.end - V.start : 0.0};
        for (int i = 1; i < n; ++i)
            for (int c = 0; c < 2; ++c) {
                if (period[c] <= 0.0) continue;
                const double d = p[i][c] - p[i - 1][c];
                if (std::fabs(d) <= period[c] / 2) continue;
                const double shift = d > 0 ? -period[c] : period[c];
                for (int k = i; k < n; ++k) p[k][c] += shift;
            }
    }

    int count = n;
    RemoveCollinearPoints(p, n, kTrimCollinearTol, count);
    if (count < 2) return nullptr;

    if (extendStart || extendEnd) {
        const double closeTol = surf->GetMinCloseTol();
        const double diag = std::hypot(box.xmax - box.xmin, box.ymax - box.ymin);
        double* first = p[0];
        double* last = p[count - 1];
        if (std::hypot(first[0] - last[0], first[1] - last[1]) < closeTol) {
            first[0] = last[0];
            first[1] = last[1];
        } else {
            auto stretch = [&](double* end, const double* from) {
                double d[2] = {end[0] - from[0], end[1] - from[1]};
                const double len = std::hypot(d[0], d[1]);
                if (len < 1e-6) return;
                end[0] = from[0] + diag * d[0] / len;
                end[1] = from[1] + diag * d[1] / len;
            };
            // Each end goes out along its own end segment: in a two-point curve the
            // end must not be taken from the start already moved.
            const double second[2] = {p[1][0], p[1][1]};
            const double secondLast[2] = {p[count - 2][0], p[count - 2][1]};
            if (extendStart) stretch(first, second);
            if (extendEnd) stretch(last, secondLast);
        }
    }

    auto* c = new CEdInterCurve;
    if (c->Create(p, count, surf) != 1) {
        delete c;
        return nullptr;
    }
    AppendCurve(c);
    return c;
}

int CSrfTrimAdaptor::PrepareIntersections(int withPairs)
{
    if (!curveHead) return 0;
    for (CEdInterCurve* c = curveHead; c; c = c->next) c->Reset();
    // The own bounds' crossings come from the curves alone: found again from scratch.
    for (CEdTrimSurf* e = surfHead; e; e = e->next)
        for (CEdTrimLoop* l = e->loopHead; l; l = l->next)
            for (CEdTrimBound* b = l->boundHead; b; b = b->next) b->ClearIntPoint();
    for (CEdInterCurve* c = curveHead; c; c = c->next)
        for (CEdTrimSurf* e : {c->surfA, c->surfB})
            if (e)
                for (CEdTrimLoop* l = e->loopHead; l; l = l->next)
                    for (CEdTrimBound* b = l->boundHead; b; b = b->next)
                        if (!c->InterWithBound(l, b)) c->CreateNearPoint(l, b);
    if (withPairs) {
        for (CEdInterCurve* c = curveHead; c; c = c->next)
            for (CEdInterCurve* d = c->next; d; d = d->next)
                if (!c->IsOverlap(d) && !c->InterWithIntCurve(d)) c->CreateNearPoint(d, kTrimNearCurveTol);
        for (CEdInterCurve* c = curveHead; c; c = c->next)
            if (!c->InterWithSelf()) c->CreateNearPoint();
    }
    for (CEdInterCurve* c = curveHead; c; c = c->next)
        if (!c->selfCrossed) c->AddEndPoint();
    return 1;
}

int CSrfTrimAdaptor::TrimSurfaces(int which)
{
    for (int set = 0; set < 2; ++set) {
        if (which != 2 && which != set) continue;
        for (CEdTrimSurf* e = surfHead; e; e = e->next) {
            if (e->set != set) continue;
            // A second run starts from the surface's own loops again.
            e->ClearResult();
            for (CEdInterCurve* c = curveHead; c; c = c->next) e->AddIntBounds(c->GetValidBound(e, 0));
            e->TrimSurface(extend);
        }
    }
    return 1;
}

int CSrfTrimAdaptor::Trim(int which)
{
    PrepareIntersections(1);
    TrimSurfaces(which);
    return 1;
}

int CSrfTrimAdaptor::CollectResults(CObList* out)
{
    if (!out) return 0;
    for (CEdTrimSurf* e = surfHead; e; e = e->next) {
        if (!e->surf) continue;
        for (CEdTrimLoop* l = e->resultHead; l; l = l->next)
            if (CGeTrimSurf* s = NewSurfFromLoop(e, l)) out->AddTail(s);
    }
    return out->IsEmpty() ? 0 : 1;
}

int CSrfTrimAdaptor::CollectPieces(CGeTrimSurf* surf, CObList* out)
{
    CEdTrimSurf* e = FindEdSurf(surf);
    if (!e || !e->resultHead || !out) return 0;
    for (CEdTrimLoop* l = e->resultHead; l; l = l->next) {
        if (HasDroppedSide(l)) continue;
        if (CGeTrimSurf* s = NewSurfFromLoop(e, l)) out->AddTail(s);
    }
    return out->IsEmpty() ? 0 : 1;
}

int CSrfTrimAdaptor::CollectCurves3d(CEdTrimSurf* surf, int kind, CObList* out)
{
    if (!surf || !surf->surf || !out || !curveHead) return 0;
    CSrfActor actor;
    for (CEdInterCurve* c = curveHead; c; c = c->next) {
        CEdTrimBound* pieces = c->GetValidBound(surf, 0);
        while (pieces) {
            CEdTrimBound* piece = pieces;
            pieces = pieces->next;
            CArray<tagPoint3d, tagPoint3d> pts;
            for (int k = 0; k <= piece->nLast; ++k) {
                tagPoint3d p;
                if (surf->surf->GetPoint(piece->Point(k)[0], piece->Point(k)[1], &p.x)) pts.Add(p);
            }
            delete piece;
            if (pts.GetSize() == 0) continue;
            if (CGeCurve3d* curve = actor.MakeCurve(&pts, kind)) out->AddTail(curve);
        }
    }
    return 1;
}

int CSrfTrimAdaptor::CollectValidSegments(CPtrList* out)
{
    if (!out) return 0;
    PrepareIntersections(0);
    for (CEdInterCurve* c = curveHead; c; c = c->next) {
        CEdInterLine* lines = c->GetValidSegment(0);
        for (CEdInterLine* l = lines; l; l = l->next)
            if (ECRV_INTCUR* rec = InterLineToIntcur(l)) out->AddTail(rec);
        GeoEdit_DeleteLines(lines);
    }
    return 1;
}

void GeoEdit_DeleteLines(CEdInterLine*& head)
{
    while (head) {
        CEdInterLine* n = head->next;
        delete head;
        head = n;
    }
}
