// The general entry of curve/curve intersection (dispatch by the pair of curve
// classes) and the polyline pair.
#include "geometry/algorithms/CurveIntersect.h"

#include "framework/numerak/Intersect2D.h"
#include "framework/numerak/Line2D.h"
#include "framework/numerak/QvnMath.h"
#include "geometry/algorithms/CurveIntersectDetail.h"
#include "geometry/shapes2d/GeArc.h"
#include "geometry/shapes2d/GeBezier.h"
#include "geometry/shapes2d/GeCircle.h"
#include "geometry/shapes2d/GeCombCurve.h"
#include "geometry/shapes2d/GeEllipse.h"
#include "geometry/shapes2d/GeLine.h"
#include "geometry/shapes2d/GePolyline.h"

#include <omp.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace QVN_GeCC_Inter {

namespace ccdetail {

int ParallelTeam(long units, long minPerThread)
{
    long team = std::min<long>(omp_get_max_threads(), units / std::max(minPerThread, 1L));
    // Processors the last minute's load left idle, the caller's own included.
    double load = 0.0;
    if (team > 1 && getloadavg(&load, 1) == 1) {
        const long idle = static_cast<long>(omp_get_num_procs()) - std::lround(load) + 1;
        team = std::min(team, idle);
    }
    return static_cast<int>(std::max(team, 1L));
}

}  // namespace ccdetail

using namespace ccdetail;

namespace {

// The class order that decides which curve an intersector sees first.
enum Rank { kLine, kArc, kCircle, kEllipse, kBezier, kPolyline, kComposite, kNone };

Rank RankOf(const CGeCurve* c)
{
    switch (c->GetType()) {
    case 0x2: return kLine;
    case 0x4: return kArc;
    case 0x8: return kCircle;
    case 0x10: return kEllipse;
    case 0x20: return kBezier;
    case 0x40: return kPolyline;
    case 0x80: return kComposite;
    default: return kNone;
    }
}

// a ranks no later than b; appends the records of (a, b).
void Direct(CGeCurve* a, Rank ra, CGeCurve* b, Rank rb, IntPntArray* out, int bParallel)
{
    if (rb == kComposite) {
        auto* comb = static_cast<CGeCombCurve*>(b);
        switch (ra) {
        case kLine: LineComCurve(static_cast<CGeLine*>(a), comb, out, bParallel); return;
        case kArc: ArcComCurve(static_cast<CGeArc*>(a), comb, out, bParallel); return;
        case kCircle: CirComCurve(static_cast<CGeCircle*>(a), comb, out, bParallel); return;
        case kEllipse: EllComCurve(static_cast<CGeEllipse*>(a), comb, out, bParallel); return;
        case kBezier: BezComCurve(static_cast<CGeBezier*>(a), comb, out, bParallel); return;
        case kPolyline: PLineComCurve(static_cast<CGePolyline*>(a), comb, out, bParallel); return;
        case kComposite: ComCurveComCurve(static_cast<CGeCombCurve*>(a), comb, out, bParallel); return;
        default: return;
        }
    }
    switch (ra) {
    case kLine: {
        auto* l = static_cast<CGeLine*>(a);
        switch (rb) {
        case kLine: {
            IntPnt rec;
            if (LineLine(l, static_cast<CGeLine*>(b), rec)) out->Add(rec);
            return;
        }
        case kArc: LineArc(l, static_cast<CGeArc*>(b), out); return;
        case kCircle: LineCircle(l, static_cast<CGeCircle*>(b), out); return;
        case kEllipse: LineEllipse(l, static_cast<CGeEllipse*>(b), out); return;
        case kBezier: LineBez(l, static_cast<CGeBezier*>(b), out); return;
        case kPolyline: LinePLine(l, static_cast<CGePolyline*>(b), out); return;
        default: return;
        }
    }
    case kArc: {
        auto* arc = static_cast<CGeArc*>(a);
        switch (rb) {
        case kArc: ArcArc(arc, static_cast<CGeArc*>(b), out); return;
        case kCircle: ArcCir(arc, static_cast<CGeCircle*>(b), out); return;
        case kEllipse: ArcEllipse(arc, static_cast<CGeEllipse*>(b), out); return;
        case kBezier: ArcBez(arc, static_cast<CGeBezier*>(b), out); return;
        case kPolyline: ArcPLine(arc, static_cast<CGePolyline*>(b), out); return;
        default: return;
        }
    }
    case kCircle: {
        auto* c = static_cast<CGeCircle*>(a);
        switch (rb) {
        case kCircle: CirCir(c, static_cast<CGeCircle*>(b), out); return;
        case kEllipse: CirEllipse(c, static_cast<CGeEllipse*>(b), out); return;
        case kBezier: CirBez(c, static_cast<CGeBezier*>(b), out); return;
        case kPolyline: CirPLine(c, static_cast<CGePolyline*>(b), out); return;
        default: return;
        }
    }
    case kEllipse: {
        auto* e = static_cast<CGeEllipse*>(a);
        switch (rb) {
        case kEllipse: EllEll(e, static_cast<CGeEllipse*>(b), out); return;
        case kBezier: EllBezEx(e, static_cast<CGeBezier*>(b), out); return;
        case kPolyline: EllPLine(e, static_cast<CGePolyline*>(b), out); return;
        default: return;
        }
    }
    case kBezier: {
        auto* bez = static_cast<CGeBezier*>(a);
        switch (rb) {
        case kBezier: BezBez(bez, static_cast<CGeBezier*>(b), out); return;
        case kPolyline: BezPLine(bez, static_cast<CGePolyline*>(b), out); return;
        default: return;
        }
    }
    case kPolyline:
        if (rb == kPolyline) PLinePLine(static_cast<CGePolyline*>(a), static_cast<CGePolyline*>(b), nullptr, out, 0);
        return;
    default: return;
    }
}

}  // namespace

int CurveCurve(CGeCurve* c1, CGeCurve* c2, IntPntArray* out, int bParallel)
{
    if (!c1 || !c2 || !out) return 0;
    BOX2<double> b1, b2;
    c1->GetBox2d(&b1);
    c2->GetBox2d(&b2);
    if (!BOX2D_IsInt(b1, b2, kBoxTol)) return 0;
    const Rank r1 = RankOf(c1), r2 = RankOf(c2);
    if (r1 == kNone || r2 == kNone) return out->GetSize() > 0 ? 1 : 0;
    if (r1 <= r2) {
        Direct(c1, r1, c2, r2, out, bParallel);
    } else {
        // The intersector takes the curves in class order; its records are
        // turned back to name c1 first. A composite first curve runs sequentially.
        IntPntArray swapped;
        Direct(c2, r2, c1, r1, &swapped, 0);
        for (INT_PTR i = 0; i < swapped.GetSize(); ++i) {
            IntPnt rec = swapped[i];
            rec.SwapPara();
            out->Add(rec);
        }
    }
    return out->GetSize() > 0 ? 1 : 0;
}

namespace {

// The crossings of edge j of the first polyline with the edges of the second,
// in ascending edge order.
template <class Add>
void CrossEdge(const double (*v1)[2], int j, const double (*v2)[2], const EdgeIndex& edges, const BOX2<double>* clip,
               Add add)
{
    const double* a = v1[j - 1];
    const double* b = v1[j];
    BOX2<double> box;
    box.Init(a, b);
    edges.Query(box, kBoxTol, [&](int k) {
        const double* c = v2[k - 1];
        const double* d = v2[k];
        if (clip) {
            BOX2<double> eb;
            eb.Init(c, d);
            if (!BOX2D_IsInt(eb, *clip, kBoxTol)) return;
        }
        double x[2];
        if (Isect_LineLineEx(a, b, c, d, kLineLineTol, kPLineAngTol, x) != kIsectPoint) return;
        const double tj = L2D_GetParam(x, a, b), tk = L2D_GetParam(x, c, d);
        if (QVN_Math::ChkValInt(0.0, 1.0, kParamWiden, tj) || QVN_Math::ChkValInt(0.0, 1.0, kParamWiden, tk)) return;
        add(Record(x, j, tj, k, tk));
    });
}

}  // namespace

int PLinePLine(CGePolyline* p1, CGePolyline* p2, BOX2<double>* clip, IntPntArray* out, int bParallel)
{
    if (!p1 || !p2 || !out || p1 == p2) return 0;
    BOX2<double> box1, box2;
    p1->GetBox2d(&box1);
    p2->GetBox2d(&box2);
    if (!BOX2D_IsInt(box1, box2, kBoxTol)) return 0;
    const INT_PTR before = out->GetSize();
    const double(*v1)[2] = p1->GetSWPoint();
    const double(*v2)[2] = p2->GetSWPoint();
    const int n1 = p1->GetSWPointCount();
    // The second polyline's edges in a box tree: an edge of the first meets only
    // the edges near it, visited in the order of a plain walk.
    const EdgeIndex edges(v2, p2->GetSWPointCount());
    auto edgePasses = [&](int j) {
        BOX2<double> eb;
        eb.Init(v1[j - 1], v1[j]);
        return BOX2D_IsInt(eb, box2, kBoxTol) && (!clip || BOX2D_IsInt(eb, *clip, kBoxTol));
    };
    // Edge by edge of the first polyline, in parallel when that pays.
    const int team = bParallel ? ParallelTeam(n1 - 1, kParallelMinEdges) : 1;
    CollectInOrder(n1 - 1, team, out, [&](long k, auto& push) {
        const int j = static_cast<int>(k) + 1;
        if (edgePasses(j)) CrossEdge(v1, j, v2, edges, clip, push);
    });
    return out->GetSize() > before ? 1 : 0;
}

}  // namespace QVN_GeCC_Inter
