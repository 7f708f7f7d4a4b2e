// Pairwise intersectors of the simple 2D curve classes: the raw points come from
// the maths library's intersectors; here they are pruned by boxes, filtered by
// the curves' extents and given their parameters on both curves.
#include "geometry/algorithms/CurveIntersect.h"

#include "framework/numerak/Bezier2D.h"
#include "framework/numerak/Box2D.h"
#include "framework/numerak/Intersect2D.h"
#include "framework/numerak/Line2D.h"
#include "framework/numerak/QvnMath.h"
#include "geometry/algorithms/CurveIntersectDetail.h"
#include "geometry/shapes2d/GeArc.h"
#include "geometry/shapes2d/GeBezier.h"
#include "geometry/shapes2d/GeCircle.h"
#include "geometry/shapes2d/GeEllipse.h"
#include "geometry/shapes2d/GeLine.h"
#include "geometry/shapes2d/GePolyline.h"
#include "geometry/shapes2d/GeometryConst.h"

#include <cmath>
#include <numbers>
#include <vector>

namespace QVN_GeCC_Inter {

using namespace ccdetail;

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

// Line ends, the four control points of a cubic segment, polyline vertices.
struct Ends {
    double a[2], b[2];
};

Ends LineEnds(CGeLine* l)
{
    Ends e;
    l->GetStartPoint(e.a);
    l->GetEndPoint(e.b);
    return e;
}

struct Cubic {
    double c[8];
};

Cubic BezSegment(CGeBezier* b, int k)
{
    Cubic q;
    b->GetCtrlPoint(static_cast<unsigned>(k), reinterpret_cast<double(*)[2]>(q.c));
    return q;
}

BOX2<double> CubicBox(const Cubic& q)
{
    double b[4];
    BEZ_GetBox(q.c, b);
    return BOX2<double>(b[0], b[1], b[2], b[3]);
}

BOX2<double> EdgeBox(const double* a, const double* b)
{
    BOX2<double> box;
    L2D_GetBox(a, b, &box);
    return box;
}

BOX2<double> ShapeBox(CGeCurve* c)
{
    BOX2<double> box;
    c->GetBox2d(&box);
    return box;
}

bool BoxesMeet(CGeCurve* c1, CGeCurve* c2, double tol = kBoxTol)
{
    return BOX2D_IsInt(ShapeBox(c1), ShapeBox(c2), tol) != 0;
}

bool InUnit(double t, double widen) { return QVN_Math::ChkValInt(0.0, 1.0, widen, t) == 0; }

// The arc's parameter of p when IsPointOn accepts it. IsPointOn snaps points
// near an end to that end; a point on the arc itself keeps its exact angle
// parameter so that the record evaluates back to its point.
bool ArcParam(CGeArc* arc, const double* p, double& t)
{
    if (!arc->IsPointOn(p, t)) return false;
    double c[2], s[2];
    arc->GetCenter(c);
    arc->GetStartDir(s);
    const double vx = p[0] - c[0], vy = p[1] - c[1];
    double phi = std::atan2(s[0] * vy - s[1] * vx, s[0] * vx + s[1] * vy);  // angle from the start
    const double sweep = arc->GetSweep();
    if (sweep > 0.0 && phi < 0.0) phi += kTwoPi;
    if (sweep < 0.0 && phi > 0.0) phi -= kTwoPi;
    const double u = phi / sweep;
    if (u >= 0.0 && u <= 1.0) t = u;
    return true;
}

double CircleParam(CGeCircle* c, const double* p)
{
    double near[2], t = 0.0, dist = gecon::kNoDistanceBound;
    unsigned seg = 1;
    c->GetNearestPoint(const_cast<double*>(p), near, t, seg, dist);
    return t;
}

bool EllipseParam(CGeEllipse* e, const double* p, double& t)
{
    double near[2], dist = gecon::kNoDistanceBound;
    unsigned seg = 1;
    t = 0.0;
    return e->GetNearestPoint(const_cast<double*>(p), near, t, seg, dist) != 0;
}

struct EllipseData {
    double c[2], a, b, rot;
};

EllipseData EllipseOf(CGeEllipse* e)
{
    EllipseData d;
    e->GetCenter(d.c);
    d.a = e->GetA();
    d.b = e->GetB();
    d.rot = e->GetRotation();
    return d;
}

// Calls visit(k, a, b) for every polyline edge k (1-based) whose box meets box within tol.
template <class Visit>
void ForEachEdgeNear(CGePolyline* p, const BOX2<double>& box, Visit visit)
{
    const double(*v)[2] = p->GetSWPoint();
    const int n = p->GetSWPointCount();
    for (int k = 1; k < n; ++k)
        if (BOX2D_IsInt(EdgeBox(v[k - 1], v[k]), box, kBoxTol)) visit(k, v[k - 1], v[k]);
}

// The per-call scratch of the cubic intersectors, reused across segments.
std::vector<IntPnt>& CubicScratch()
{
    thread_local std::vector<IntPnt> scratch;
    scratch.clear();
    return scratch;
}

}  // namespace

int LineLine(CGeLine* l1, CGeLine* l2, IntPnt& rec)
{
    if (!l1 || !l2 || l1 == l2 || !BoxesMeet(l1, l2, kLineLineBoxTol)) return 0;
    const Ends p = LineEnds(l1), q = LineEnds(l2);
    double x[2];
    const int res = Isect_LineLineEx(p.a, p.b, q.a, q.b, kLineLineTol, kLineLineAngTol, x);
    if (res == kIsectPoint) {
        const double t1 = L2D_GetParam(x, p.a, p.b), t2 = L2D_GetParam(x, q.a, q.b);
        if (!InUnit(t1, kLineLineWiden) || !InUnit(t2, kLineLineWiden)) return 0;
        rec = Record(x, 1, t1, 1, t2);
        return 1;
    }
    if (res != kIsectOverlap) return 0;
    // Collinear overlap: the last accepted end point of q1, q2, p1, p2 stands.
    bool found = false;
    auto candidate = [&](const double* pt, double tFree, bool onFirst, double tFixed) {
        if (!InUnit(tFree, kLineLineWiden)) return;
        rec = onFirst ? Record(pt, 1, tFree, 1, tFixed) : Record(pt, 1, tFixed, 1, tFree);
        found = true;
    };
    candidate(q.a, L2D_GetParam(q.a, p.a, p.b), true, 0.0);
    candidate(q.b, L2D_GetParam(q.b, p.a, p.b), true, 1.0);
    candidate(p.a, L2D_GetParam(p.a, q.a, q.b), false, 0.0);
    candidate(p.b, L2D_GetParam(p.b, q.a, q.b), false, 1.0);
    return found ? 1 : 0;
}

int LineCircle(CGeLine* l, CGeCircle* c, IntPntArray* out)
{
    if (!l || !c || !out || !BoxesMeet(l, c)) return 0;
    const Ends e = LineEnds(l);
    double cc[2], pts[4];
    c->GetCenter(cc);
    const int n = Isect_LineCirEx(e.a, e.b, cc, c->GetRadius(), kLineCircleTol, pts);
    const INT_PTR before = out->GetSize();
    for (int i = 0; i < n; ++i) {
        const double t = L2D_GetParam(pts + 2 * i, e.a, e.b);
        if (InUnit(t, kParamWiden)) out->Add(Record(pts + 2 * i, 1, t, 1, CircleParam(c, pts + 2 * i)));
    }
    return out->GetSize() > before ? 1 : 0;
}

int LineArc(CGeLine* l, CGeArc* a, IntPntArray* out)
{
    if (!l || !a || !out || !BoxesMeet(l, a)) return 0;
    const Ends e = LineEnds(l);
    double cc[2], pts[4];
    a->GetCenter(cc);
    const int n = Isect_LineCirEx(e.a, e.b, cc, a->GetRadius(), kLineCircleTol, pts);
    const INT_PTR before = out->GetSize();
    for (int i = 0; i < n; ++i) {
        const double t = L2D_GetParam(pts + 2 * i, e.a, e.b);
        double u = 0.0;
        if (InUnit(t, kParamWiden) && ArcParam(a, pts + 2 * i, u)) out->Add(Record(pts + 2 * i, 1, t, 1, u));
    }
    return out->GetSize() > before ? 1 : 0;
}

int LineEllipse(CGeLine* l, CGeEllipse* el, IntPntArray* out)
{
    if (!l || !el || !out || !BoxesMeet(l, el)) return 0;
    const Ends e = LineEnds(l);
    const EllipseData d = EllipseOf(el);
    double pts[4];
    int n = 0;
    if (Isect_LineEllEx(e.a, e.b, d.c, d.a, d.b, d.rot, kCurveTol, pts, &n) != 1) return 0;
    const INT_PTR before = out->GetSize();
    for (int i = 0; i < n; ++i) {
        const double t = L2D_GetParam(pts + 2 * i, e.a, e.b);
        double u = 0.0;
        if (InUnit(t, kParamWiden) && EllipseParam(el, pts + 2 * i, u)) out->Add(Record(pts + 2 * i, 1, t, 1, u));
    }
    return out->GetSize() > before ? 1 : 0;
}

int LineBez(CGeLine* l, CGeBezier* b, IntPntArray* out)
{
    if (!l || !b || !out || !BoxesMeet(l, b)) return 0;
    const Ends e = LineEnds(l);
    const BOX2<double> lineBox = ShapeBox(l);
    const INT_PTR before = out->GetSize();
    std::vector<IntPnt>& raw = CubicScratch();
    const int count = b->GetSegmentCount();
    for (int k = 1; k <= count; ++k) {
        const Cubic q = BezSegment(b, k);
        if (!BOX2D_IsInt(CubicBox(q), lineBox, kBoxTol)) continue;
        raw.clear();
        if (Isect_LineBez(e.a, e.b, q.c, kCurveTol, raw) <= 0) continue;
        for (const IntPnt& r : raw)
            if (InUnit(r.para1, kParamWiden)) out->Add(Record(r.pt, 1, r.para1, k, r.para2));
    }
    return out->GetSize() > before ? 1 : 0;
}

int LinePLine(CGeLine* l, CGePolyline* p, IntPntArray* out)
{
    if (!l || !p || !out || !BoxesMeet(l, p)) return 0;
    const Ends e = LineEnds(l);
    const INT_PTR before = out->GetSize();
    ForEachEdgeNear(p, ShapeBox(l), [&](int k, const double* a, const double* b) {
        double x[2];
        if (Isect_LineLineEx(e.a, e.b, a, b, kLineLineTol, kPLineAngTol, x) != kIsectPoint) return;
        const double t1 = L2D_GetParam(x, e.a, e.b), t2 = L2D_GetParam(x, a, b);
        if (InUnit(t1, kParamWiden) && InUnit(t2, kParamWiden)) out->Add(Record(x, 1, t1, k, t2));
    });
    return out->GetSize() > before ? 1 : 0;
}

int ArcArc(CGeArc* a1, CGeArc* a2, IntPntArray* out)
{
    if (!a1 || !a2 || !out || a1 == a2 || !BoxesMeet(a1, a2)) return 0;
    double c1[2], c2[2], pts[4];
    a1->GetCenter(c1);
    a2->GetCenter(c2);
    const int n = Isect_CirCir(c1, a1->GetRadius(), c2, a2->GetRadius(), kCurveTol, pts);
    const INT_PTR before = out->GetSize();
    for (int i = 0; i < n; ++i) {
        double t1 = 0.0, t2 = 0.0;
        if (ArcParam(a1, pts + 2 * i, t1) && ArcParam(a2, pts + 2 * i, t2))
            out->Add(Record(pts + 2 * i, 1, t1, 1, t2));
    }
    return out->GetSize() > before ? 1 : 0;
}

int ArcCir(CGeArc* a, CGeCircle* c, IntPntArray* out)
{
    if (!a || !c || !out || !BoxesMeet(a, c)) return 0;
    double c1[2], c2[2], pts[4];
    a->GetCenter(c1);
    c->GetCenter(c2);
    const int n = Isect_CirCir(c1, a->GetRadius(), c2, c->GetRadius(), kCurveTol, pts);
    const INT_PTR before = out->GetSize();
    for (int i = 0; i < n; ++i) {
        double t1 = 0.0, t2 = 0.0;
        if (ArcParam(a, pts + 2 * i, t1) && c->IsPointOn(pts + 2 * i, t2)) out->Add(Record(pts + 2 * i, 1, t1, 1, t2));
    }
    return out->GetSize() > before ? 1 : 0;
}

int ArcEllipse(CGeArc* a, CGeEllipse* el, IntPntArray* out)
{
    if (!a || !el || !out || !BoxesMeet(a, el)) return 0;
    double c[2], pts[8];
    a->GetCenter(c);
    const EllipseData d = EllipseOf(el);
    const int n = Isect_CirEll(c, a->GetRadius(), d.c, d.a, d.b, d.rot, kCurveTol, pts);
    const INT_PTR before = out->GetSize();
    for (int i = 0; i < n; ++i) {
        double t1 = 0.0, t2 = 0.0;
        if (ArcParam(a, pts + 2 * i, t1) && EllipseParam(el, pts + 2 * i, t2))
            out->Add(Record(pts + 2 * i, 1, t1, 1, t2));
    }
    return out->GetSize() > before ? 1 : 0;
}

namespace {

// Circle or arc against every segment of a spline; accept(point, t) filters a
// point and gives its parameter on the circle or arc.
template <class Accept>
int RoundBez(CGeCurve* round, const double* centre, double r, CGeBezier* b, IntPntArray* out, Accept accept)
{
    if (!BoxesMeet(round, b)) return 0;
    const BOX2<double> roundBox = ShapeBox(round);
    const INT_PTR before = out->GetSize();
    std::vector<IntPnt>& raw = CubicScratch();
    const int count = b->GetSegmentCount();
    for (int k = 1; k <= count; ++k) {
        const Cubic q = BezSegment(b, k);
        // A segment whose control box misses the circle's box holds no point of it.
        if (!BOX2D_IsInt(CubicBox(q), roundBox, kBoxTol)) continue;
        raw.clear();
        Isect_CirBez(centre, r, q.c, kCurveTol, raw);
        for (const IntPnt& rec : raw) {
            double t = 0.0;
            if (accept(rec.pt, t)) out->Add(Record(rec.pt, 1, t, k, rec.para2));
        }
    }
    return out->GetSize() > before ? 1 : 0;
}

}  // namespace

int ArcBez(CGeArc* a, CGeBezier* b, IntPntArray* out)
{
    if (!a || !b || !out) return 0;
    double c[2];
    a->GetCenter(c);
    return RoundBez(a, c, a->GetRadius(), b, out, [a](const double* p, double& t) { return ArcParam(a, p, t); });
}

int CirBez(CGeCircle* ci, CGeBezier* b, IntPntArray* out)
{
    if (!ci || !b || !out) return 0;
    double c[2];
    ci->GetCenter(c);
    return RoundBez(ci, c, ci->GetRadius(), b, out,
                    [ci](const double* p, double& t) { return ci->IsPointOn(p, t) != 0; });
}

int ArcPLine(CGeArc* a, CGePolyline* p, IntPntArray* out)
{
    if (!a || !p || !out || !BoxesMeet(a, p)) return 0;
    double c[2];
    a->GetCenter(c);
    const double r = a->GetRadius();
    const INT_PTR before = out->GetSize();
    ForEachEdgeNear(p, ShapeBox(a), [&](int k, const double* e0, const double* e1) {
        double pts[4];
        const int n = Isect_LineCirEx(e0, e1, c, r, kCurveTol, pts);
        for (int i = 0; i < n; ++i) {
            // Widened like the other edge tests: a crossing at a vertex shared by
            // two edges must not fall between 1 + eps on one and -eps on the next.
            const double te = L2D_GetParam(pts + 2 * i, e0, e1);
            double t = 0.0;
            if (InUnit(te, kParamWiden) && ArcParam(a, pts + 2 * i, t)) out->Add(Record(pts + 2 * i, 1, t, k, te));
        }
    });
    return out->GetSize() > before ? 1 : 0;
}

int CirCir(CGeCircle* c1, CGeCircle* c2, IntPntArray* out)
{
    if (!c1 || !c2 || !out || c1 == c2 || !BoxesMeet(c1, c2)) return 0;
    double a[2], b[2], pts[4];
    c1->GetCenter(a);
    c2->GetCenter(b);
    const int n = Isect_CirCir(a, c1->GetRadius(), b, c2->GetRadius(), kCurveTol, pts);
    for (int i = 0; i < n; ++i)
        out->Add(Record(pts + 2 * i, 1, CircleParam(c1, pts + 2 * i), 1, CircleParam(c2, pts + 2 * i)));
    return n > 0 ? 1 : 0;
}

int CirEllipse(CGeCircle* ci, CGeEllipse* el, IntPntArray* out)
{
    if (!ci || !el || !out || !BoxesMeet(ci, el)) return 0;
    const EllipseData d = EllipseOf(el);
    double c[2], pts[8];
    ci->GetCenter(c);
    // The circle/ellipse core at 1e-6, as for an arc: the ellipse/ellipse solver
    // with its 0.002 contact distance also reports near-contacts that far off
    // the circle beside true crossings, so small figures gained crossings.
    const int n = Isect_CirEll(c, ci->GetRadius(), d.c, d.a, d.b, d.rot, kCurveTol, pts);
    for (int i = 0; i < n; ++i) {
        double t2 = 0.0;
        EllipseParam(el, pts + 2 * i, t2);
        out->Add(Record(pts + 2 * i, 1, CircleParam(ci, pts + 2 * i), 1, t2));
    }
    return n > 0 ? 1 : 0;
}

int CirPLine(CGeCircle* ci, CGePolyline* p, IntPntArray* out)
{
    if (!ci || !p || !out || !BoxesMeet(ci, p)) return 0;
    double c[2];
    ci->GetCenter(c);
    const double r = ci->GetRadius();
    const INT_PTR before = out->GetSize();
    ForEachEdgeNear(p, ShapeBox(ci), [&](int k, const double* e0, const double* e1) {
        double pts[4];
        const int n = Isect_LineCirEx(e0, e1, c, r, kCurveTol, pts);
        for (int i = 0; i < n; ++i) {
            const double te = L2D_GetParam(pts + 2 * i, e0, e1);
            if (InUnit(te, kParamWiden)) out->Add(Record(pts + 2 * i, 1, CircleParam(ci, pts + 2 * i), k, te));
        }
    });
    return out->GetSize() > before ? 1 : 0;
}

int EllEll(CGeEllipse* e1, CGeEllipse* e2, IntPntArray* out)
{
    if (!e1 || !e2 || !out || e1 == e2 || !BoxesMeet(e1, e2)) return 0;
    const EllipseData a = EllipseOf(e1), b = EllipseOf(e2);
    double pts[8];
    const int n = Isect_EllEll(a.c, a.a, a.b, a.rot, b.c, b.a, b.b, b.rot, kCurveTol, pts);
    for (int i = 0; i < n; ++i) {
        double t1 = 0.0, t2 = 0.0;
        EllipseParam(e1, pts + 2 * i, t1);
        EllipseParam(e2, pts + 2 * i, t2);
        out->Add(Record(pts + 2 * i, 1, t1, 1, t2));
    }
    return n > 0 ? 1 : 0;
}

namespace {

// Ellipse against every spline segment whose box meets the ellipse's box;
// add(point, ellipse angle fraction, k, spline t) takes each point.
template <class Add>
void EllipseSegments(CGeEllipse* el, CGeBezier* b, Add add)
{
    const EllipseData d = EllipseOf(el);
    const BOX2<double> ellBox = ShapeBox(el);
    std::vector<IntPnt>& raw = CubicScratch();
    const int count = b->GetSegmentCount();
    for (int k = 1; k <= count; ++k) {
        const Cubic q = BezSegment(b, k);
        if (!BOX2D_IsInt(CubicBox(q), ellBox, kBoxTol)) continue;
        raw.clear();
        Isect_EllBez(d.c, d.a, d.b, d.rot, q.c, kCurveTol, raw);
        for (const IntPnt& r : raw) add(r.pt, r.para1, k, r.para2);
    }
}

}  // namespace

int EllBez(CGeEllipse* el, CGeBezier* b, IntPntArray* out)
{
    if (!el || !b || !out || !BoxesMeet(el, b)) return 0;
    const INT_PTR before = out->GetSize();
    // The intersector's angle fraction runs counter-clockwise; a clockwise
    // ellipse's own parameter runs the other way.
    const bool clockwise = el->GetDirection() == 0;
    EllipseSegments(el, b, [&](const double* p, double phi, int k, double t) {
        out->Add(Record(p, 1, clockwise && phi > 0.0 ? 1.0 - phi : phi, k, t));
    });
    return out->GetSize() > before ? 1 : 0;
}

int EllBezEx(CGeEllipse* el, CGeBezier* b, IntPntArray* out)
{
    if (!el || !b || !out || !BoxesMeet(el, b)) return 0;
    // The points come from the true ellipse (not from its four-quarter cubic
    // form, which is off by about 2.7e-4 of the semi-axis).
    const INT_PTR before = out->GetSize();
    EllipseSegments(el, b, [&](const double* p, double, int k, double t) {
        double u = 0.0;
        EllipseParam(el, p, u);
        out->Add(Record(p, 1, u, k, t));
    });
    return out->GetSize() > before ? 1 : 0;
}

int EllPLine(CGeEllipse* el, CGePolyline* p, IntPntArray* out)
{
    if (!el || !p || !out || !BoxesMeet(el, p)) return 0;
    const EllipseData d = EllipseOf(el);
    const INT_PTR before = out->GetSize();
    ForEachEdgeNear(p, ShapeBox(el), [&](int k, const double* e0, const double* e1) {
        double pts[4];
        int n = 0;
        if (Isect_LineEllEx(e0, e1, d.c, d.a, d.b, d.rot, kCurveTol, pts, &n) != 1) return;
        for (int i = 0; i < n; ++i) {
            const double te = L2D_GetParam(pts + 2 * i, e0, e1);
            double u = 0.0;
            if (InUnit(te, kParamWiden)) {
                EllipseParam(el, pts + 2 * i, u);
                out->Add(Record(pts + 2 * i, 1, u, k, te));
            }
        }
    });
    return out->GetSize() > before ? 1 : 0;
}

int BezBez(CGeBezier* b1, CGeBezier* b2, IntPntArray* out)
{
    if (!b1 || !b2 || !out || b1 == b2 || !BoxesMeet(b1, b2)) return 0;
    const int n1 = b1->GetSegmentCount(), n2 = b2->GetSegmentCount();
    std::vector<Cubic> second(static_cast<size_t>(n2 > 0 ? n2 : 0));
    std::vector<BOX2<double>> secondBox(second.size());
    for (int k = 1; k <= n2; ++k) {
        second[k - 1] = BezSegment(b2, k);
        secondBox[k - 1] = CubicBox(second[k - 1]);
    }
    const BOX2<double> box2 = ShapeBox(b2);
    const INT_PTR before = out->GetSize();
    std::vector<IntPnt>& raw = CubicScratch();
    for (int j = 1; j <= n1; ++j) {
        const Cubic q = BezSegment(b1, j);
        const BOX2<double> qBox = CubicBox(q);
        if (!BOX2D_IsInt(qBox, box2, kBoxTol)) continue;
        for (int k = 1; k <= n2; ++k) {
            if (!BOX2D_IsInt(qBox, secondBox[k - 1], kBoxTol)) continue;
            raw.clear();
            Isect_BezBez(q.c, second[k - 1].c, kCurveTol, raw);
            for (const IntPnt& r : raw) out->Add(Record(r.pt, j, r.para1, k, r.para2));
        }
    }
    return out->GetSize() > before ? 1 : 0;
}

int BezPLine(CGeBezier* b, CGePolyline* p, IntPntArray* out)
{
    if (!b || !p || !out || !BoxesMeet(b, p)) return 0;
    const BOX2<double> plineBox = ShapeBox(p);
    const EdgeIndex edges(p->GetSWPoint(), p->GetSWPointCount());
    const double(*v)[2] = p->GetSWPoint();
    const INT_PTR before = out->GetSize();
    std::vector<IntPnt>& raw = CubicScratch();
    const int count = b->GetSegmentCount();
    for (int j = 1; j <= count; ++j) {
        const Cubic q = BezSegment(b, j);
        const BOX2<double> qBox = CubicBox(q);
        if (!BOX2D_IsInt(qBox, plineBox, kBoxTol)) continue;
        edges.Query(qBox, kBoxTol, [&](int k) {
            raw.clear();
            Isect_LineBez(v[k - 1], v[k], q.c, kCurveTol, raw);
            for (const IntPnt& r : raw)
                if (InUnit(L2D_GetParam(r.pt, v[k - 1], v[k]), kParamWiden))
                    out->Add(Record(r.pt, j, r.para2, k, r.para1));
        });
    }
    return out->GetSize() > before ? 1 : 0;
}

}  // namespace QVN_GeCC_Inter
