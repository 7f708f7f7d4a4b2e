#include "geometry/shapes2d/GeLoop.h"
#include "geometry/shapes2d/GeometryChange.h"

#include "framework/looker/QVGlobal.h"
#include "framework/numerak/Box2D.h"
#include "framework/numerak/Point2D.h"
#include "framework/numerak/PointString.h"
#include "framework/numerak/Vector2D.h"
#include "geometry/algorithms/BezierToArc.h"
#include "geometry/shapes2d/CurveList.h"
#include "geometry/shapes2d/CurveListMerge.h"
#include "geometry/shapes2d/GeArc.h"
#include "geometry/shapes2d/GeBezier.h"
#include "geometry/shapes2d/GeLine.h"
#include "geometry/shapes2d/GePolyline.h"
#include "geometry/shapes2d/GeometryConst.h"
#include "geometry/shapes2d/MemberWalk.h"
#include "platform/core/Archive.h"

#include <algorithm>
#include <cmath>
#include <vector>

IMPLEMENT_SERIAL(CGeLoop, CGeCombCurve, 2 | VERSIONABLE_SCHEMA)

namespace {

constexpr int kTypeLine = 0x2;
constexpr int kTypeArc = 0x4;
constexpr int kTypeCircle = 0x8;
constexpr int kTypeEllipse = 0x10;
constexpr int kTypeBezier = 0x20;
constexpr int kTypePolyline = 0x40;
constexpr int kTypeComb = 0x80;
constexpr int kTypeLoop = 0x100;

// The start-point search stops once a member passes this close.
constexpr double kNearEnough = 0.0001;
// A joint whose tangents differ by less than 10 degrees counts as smooth.
constexpr double kSmoothJointAngle = 2.9670597283903932;
// Arcs of a sweep at least this large (a half circle) are left as arcs.
constexpr double kMaxStraightenSweep = 3.141492653589793;
// Closedness and discretisation tolerance of the simplicity test.
constexpr double kSimpleLoopTol = 0.01;

using CurveList = CGeCombCurve::CurveList;

bool IsStraight(const CGeCurve* c) { return c->GetType() == kTypeLine || c->GetType() == kTypePolyline; }

int PolylineVertexCount(CGeCurve* c) { return c->GetSWPointCount(); }

// --- Self-intersection of a closed polygon -------------------------------

struct Pt {
    double x, y;
};

// Sign of the turn a -> b -> c: 1 left, -1 right, 0 collinear.
int Turn(const Pt& a, const Pt& b, const Pt& c)
{
    const double v = (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
    return v > 0.0 ? 1 : (v < 0.0 ? -1 : 0);
}

// c on the segment ab, given that the three are collinear.
bool OnSegment(const Pt& a, const Pt& b, const Pt& c)
{
    return std::min(a.x, b.x) <= c.x && c.x <= std::max(a.x, b.x) && std::min(a.y, b.y) <= c.y &&
           c.y <= std::max(a.y, b.y);
}

// Closed segments ab and cd share at least one point.
bool SegmentsTouch(const Pt& a, const Pt& b, const Pt& c, const Pt& d)
{
    const int t1 = Turn(a, b, c), t2 = Turn(a, b, d), t3 = Turn(c, d, a), t4 = Turn(c, d, b);
    if (t1 * t2 < 0 && t3 * t4 < 0) return true;
    return (t1 == 0 && OnSegment(a, b, c)) || (t2 == 0 && OnSegment(a, b, d)) || (t3 == 0 && OnSegment(c, d, a)) ||
           (t4 == 0 && OnSegment(c, d, b));
}

// True when the closed polygon through v (no repeated neighbours) touches or
// crosses itself. Edges are swept in order of their left end so that only
// edges whose x ranges overlap are compared.
bool SelfIntersects(const std::vector<Pt>& v)
{
    const size_t m = v.size();
    if (m < 3) return true;  // encloses nothing
    struct Edge {
        double xmin, xmax, ymin, ymax;
        size_t i;
    };
    std::vector<Edge> edges(m);
    for (size_t i = 0; i < m; ++i) {
        const Pt& a = v[i];
        const Pt& b = v[(i + 1) % m];
        edges[i] = {std::min(a.x, b.x), std::max(a.x, b.x), std::min(a.y, b.y), std::max(a.y, b.y), i};
    }
    std::sort(edges.begin(), edges.end(), [](const Edge& a, const Edge& b) {
        return a.xmin < b.xmin || (a.xmin == b.xmin && a.i < b.i);
    });
    for (size_t s = 0; s < m; ++s) {
        const Edge& e = edges[s];
        for (size_t r = s + 1; r < m && edges[r].xmin <= e.xmax; ++r) {
            const Edge& f = edges[r];
            if (f.ymin > e.ymax || f.ymax < e.ymin) continue;
            size_t i = e.i, j = f.i;
            if (i > j) std::swap(i, j);
            const Pt& a = v[i];
            const Pt& b = v[(i + 1) % m];
            const Pt& c = v[j];
            const Pt& d = v[(j + 1) % m];
            if (j == i + 1 || (i == 0 && j == m - 1)) {
                // Neighbours share one vertex; they fail only by folding back onto each other.
                const Pt& p = j == i + 1 ? a : c;  // the far end of the first
                const Pt& q = j == i + 1 ? b : a;  // the shared vertex
                const Pt& r2 = j == i + 1 ? d : b;  // the far end of the second
                if (Turn(p, q, r2) == 0 && (q.x - p.x) * (r2.x - q.x) + (q.y - p.y) * (r2.y - q.y) < 0.0) return true;
                continue;
            }
            if (SegmentsTouch(a, b, c, d)) return true;
        }
    }
    return false;
}

// --- Exact area of the members -------------------------------------------

// Twice the signed area swept from the origin o along a path: the integral of
// (x dy - y dx) with coordinates taken from o. Parts are added in order; a gap
// between one part's end and the next one's start is bridged by a straight
// chord, and Close bridges the last end back to the first start, so the total
// is twice the area of the closed path (positive counter-clockwise).
class SweptArea {
public:
    explicit SweptArea(const double* o) : m_o{o[0], o[1]} {}

    // The straight piece from the current end to p.
    void LineTo(const double* p)
    {
        const Pt q = Rel(p);
        if (m_started) m_twice += m_end.x * q.y - m_end.y * q.x;
        else {
            m_first = q;
            m_started = true;
        }
        m_end = q;
    }
    // A curved piece from s to e whose own integral is twice.
    void CurveTo(const double* s, const double* e, double twice)
    {
        LineTo(s);
        m_twice += twice;
        m_end = Rel(e);
    }
    double Close()
    {
        if (m_started) m_twice += m_end.x * m_first.y - m_end.y * m_first.x;
        return m_twice;
    }
    Pt Rel(const double* p) const { return {p[0] - m_o.x, p[1] - m_o.y}; }

private:
    Pt m_o;
    Pt m_first{0.0, 0.0};
    Pt m_end{0.0, 0.0};
    bool m_started = false;
    double m_twice = 0.0;
};

// The arc's own integral: r^2 sweep + c x (e - s) with c taken from the origin.
void AddArc(SweptArea& area, CGeArc* arc)
{
    double c[2];
    arc->GetCenter(c);
    const double r = arc->GetRadius(), a0 = arc->GetStartAngle(), sweep = arc->GetSweep();
    const double s[2] = {c[0] + r * std::cos(a0), c[1] + r * std::sin(a0)};
    const double e[2] = {c[0] + r * std::cos(a0 + sweep), c[1] + r * std::sin(a0 + sweep)};
    const Pt rc = area.Rel(c);
    area.CurveTo(s, e, r * r * sweep + rc.x * (e[1] - s[1]) - rc.y * (e[0] - s[0]));
}

// Each cubic segment's integral: B x B' is of degree 5, so three Gauss-Legendre
// nodes give it exactly.
void AddBezier(SweptArea& area, CGeBezier* bez)
{
    static constexpr double kNode = 0.38729833462074170;  // sqrt(3/5) / 2
    static constexpr double kT[3] = {0.5 - kNode, 0.5, 0.5 + kNode};
    static constexpr double kW[3] = {5.0 / 18.0, 8.0 / 18.0, 5.0 / 18.0};
    const int n = bez->GetSegmentCount();
    for (int k = 1; k <= n; ++k) {
        double q[4][2];
        bez->GetCtrlPoint(static_cast<unsigned>(k), q);
        Pt p[4];
        for (int i = 0; i < 4; ++i) p[i] = area.Rel(q[i]);
        double twice = 0.0;
        for (int g = 0; g < 3; ++g) {
            const double t = kT[g], u = 1.0 - t;
            const double b[4] = {u * u * u, 3 * u * u * t, 3 * u * t * t, t * t * t};
            const double d[3] = {3 * u * u, 6 * u * t, 3 * t * t};
            double x = 0, y = 0, dx = 0, dy = 0;
            for (int i = 0; i < 4; ++i) {
                x += b[i] * p[i].x;
                y += b[i] * p[i].y;
            }
            for (int i = 0; i < 3; ++i) {
                dx += d[i] * (p[i + 1].x - p[i].x);
                dy += d[i] * (p[i + 1].y - p[i].y);
            }
            twice += kW[g] * (x * dy - y * dx);
        }
        area.CurveTo(q[0], q[3], twice);
    }
}

// Adds one member: lines, polylines, arcs and Bezier splines exactly, circles
// and ellipses by their closed-form areas, composites member by member, any
// other curve along its display points (discretised at tol when missing).
void AddMember(SweptArea& area, CGeCurve* m, double tol)
{
    double s[2], e[2];
    switch (m->GetType()) {
    case kTypeLine:
        m->GetStartPoint(s);
        m->GetEndPoint(e);
        area.LineTo(s);
        area.LineTo(e);
        return;
    case kTypeArc:
        AddArc(area, static_cast<CGeArc*>(m));
        return;
    case kTypeCircle:
    case kTypeEllipse:
        // A full turn: its integral does not depend on the origin.
        m->GetStartPoint(s);
        area.CurveTo(s, s, 2.0 * m->EvArea());
        return;
    case kTypeBezier:
        AddBezier(area, static_cast<CGeBezier*>(m));
        return;
    case kTypeComb:
    case kTypeLoop:
        for (CGeCurve* sub : static_cast<CGeCombCurve*>(m)->GetCurveList())
            if (sub) AddMember(area, sub, tol);
        return;
    default:
        break;
    }
    if (m->GetType() != kTypePolyline && !m->HasDisplay()) m->Discrete(tol);
    const double(*v)[2] = m->GetSWPoint();
    for (int i = 0; i < m->GetSWPointCount(); ++i) area.LineTo(v[i]);
}

}  // namespace

CGeLoop::CGeLoop() = default;

CGeLoop::~CGeLoop() { Clear(); }

int CGeLoop::GetType() const { return 0x100; }

void CGeLoop::Clear() { DeleteOwnedList(m_curveList); }

void CGeLoop::Serialize(CArchive& ar)
{
    geNoteGeometryChange();
    CGeCombCurve::Serialize(ar);
    if (ar.IsStoring()) {
        ar << m_nFlags;
        return;
    }
    ar >> m_nFlags;
    // The area cache is not stored: without it a loaded loop would classify
    // points by whatever value construction left behind.
    m_pSWPoint.reset();
    m_nSWPoint = 0;
    m_dArea = 0.0;
    if (IsEmpty()) return;
    Discrete(gGetCrvDiscTol());
    EvArea(gecon::kClosedTol);
}

CGeCurve* CGeLoop::Copy()
{
    auto* copy = new CGeLoop;
    for (CGeCurve* m : m_curveList)
        if (m)
            if (CGeCurve* c = m->Copy()) copy->m_curveList.AddTail(c);
    copy->m_nFlags = m_nFlags;
    copy->m_dArea = m_dArea;
    copy->m_dReserved = m_dReserved;
    copy->m_bClosed = m_bClosed;
    copy->m_box = m_box;
    if (HasDisplay()) copy->CopySWPoint(m_pSWPoint.get(), m_nSWPoint);
    return copy;
}

CGeCombCurve* CGeLoop::GenComCurve()
{
    if (IsEmpty()) return nullptr;
    auto* comb = new CGeCombCurve;
    // AddTail takes over a composite copy's members and deletes its shell.
    for (CGeCurve* m : m_curveList)
        if (m) comb->AddTail(m->Copy(), 0);
    if (comb->IsEmpty()) {
        delete comb;
        return nullptr;
    }
    comb->SetClosedFlag(IsLoop(gecon::kClosedTol));
    comb->CalcBox2d();
    return comb;
}

// ---------------------------------------------------------------------------
// Discretisation, area, orientation

void CGeLoop::Discrete(double tol)
{
    geNoteGeometryChange();
    SeperateComCurve(0);
    const int total = static_cast<int>(gemembers::DiscreteMembers(m_curveList, tol));
    if (total == 0) return;
    AllocSWMem(total);
    m_box.InitEmpty();
    int k = 0;
    gemembers::ForEachJoinedPoint(m_curveList, [&](const double* p) {
        m_pSWPoint[k][0] = p[0];
        m_pSWPoint[k][1] = p[1];
        m_box.Extend(m_pSWPoint[k]);
        ++k;
    });
    m_nSWPoint = k;
}

void CGeLoop::Discrete(double tol, double ang)
{
    geNoteGeometryChange();
    SeperateComCurve(0);
    CArray<tagPoint2d, tagPoint2d> pts;
    CGeCombCurve::DiscreteInArray(tol, &pts, ang, true);
    const int n = static_cast<int>(pts.GetSize());
    if (n > 0) {
        AllocSWMem(n);
        for (int i = 0; i < n; ++i) {
            m_pSWPoint[i][0] = pts[i].x;
            m_pSWPoint[i][1] = pts[i].y;
        }
    }
    CalcBox2d();
}

double CGeLoop::EvArea(double tol)
{
    if (IsEmpty()) return gecon::kAreaNotComputed;
    m_dArea = gecon::kAreaNotComputed;
    if (!HasDisplay()) Discrete(tol);
    if (!IsLoop(tol) || !HasDisplay()) return m_dArea;
    // The members' exact area, not the display polyline's: an inscribed polygon
    // falls short by the sagitta segments of every curved member.
    double o[2] = {0.0, 0.0};
    GetStartPoint(o);
    SweptArea area(o);
    for (CGeCurve* m : m_curveList)
        if (m) AddMember(area, m, tol);
    m_dArea = 0.5 * area.Close();
    return m_dArea;
}

int CGeLoop::Orient(double tol)
{
    if (IsEmpty()) return 0;
    if (!HasDisplay()) Discrete(tol);
    if (!HasDisplay()) return 0;
    return SP2D_Orient(&m_pSWPoint[0][0], m_nSWPoint);
}

int CGeLoop::IsLoop(double tol)
{
    if (IsEmpty()) return 0;
    return geIsLoopCurve2d(&m_curveList, tol) ? 1 : 0;
}

int CGeLoop::IsContainLoop(CGeLoop* other, double tol)
{
    if (!other) return 0;
    if (!HasDisplay()) Discrete(tol);
    if (!other->HasDisplay()) other->Discrete(tol);
    BOX2<double> mine, theirs;
    GetBox2d(&mine);
    other->GetBox2d(&theirs);
    if (!BOX2D_IsContain(mine, theirs, tol)) return 0;
    const int n = other->GetSWPointCount();
    if (n <= 0) return 0;
    double(*pts)[2] = other->GetSWPoint();
    const int probes[3] = {0, 2 * n / 3, n / 3};
    for (int i = 0; i < 3; ++i) {
        if (i == 2 && probes[2] == probes[1]) break;
        if (IsPtInLoop(pts[probes[i]], tol) == 1) return 0;
    }
    return 1;
}

// ---------------------------------------------------------------------------
// Reversal and transforms

void CGeLoop::Reverse(bool withDisplay)
{
    geNoteGeometryChange();
    gemembers::ReverseMembers(m_curveList);
    if (withDisplay) CGeCurve::Reverse();
    m_dArea = -m_dArea;
    m_bReversed = m_bReversed ? 0 : 1;
}

// The display polyline follows the members, so that a later EvArea or
// Orient sees the new orientation.
void CGeLoop::Reverse() { geNoteGeometryChange(); Reverse(true); }

void CGeLoop::Translate(double* offset)
{
    geNoteGeometryChange();
    if (std::hypot(offset[0], offset[1]) < gecon::kParamSnapTol) return;
    for (int i = 0; i < m_nSWPoint; ++i) {
        m_pSWPoint[i][0] += offset[0];
        m_pSWPoint[i][1] += offset[1];
    }
    CGeCombCurve::Translate(offset);
}

void CGeLoop::GetMidPoint(double* p)
{
    if (!HasDisplay()) Discrete(gGetCrvDiscTol());
    if (!HasDisplay()) return;
    p[0] = m_pSWPoint[m_nSWPoint / 2][0];
    p[1] = m_pSWPoint[m_nSWPoint / 2][1];
}

// ---------------------------------------------------------------------------
// Start point

void CGeLoop::Restart(CGeCurve* m, StartCut cut, CGeCurve* before, CGeCurve* after)
{
    CurveList head, tail;  // members before m, members after m
    bool past = false;
    for (CGeCurve* c : m_curveList) {
        if (!c) continue;
        if (c == m) {
            past = true;
            continue;
        }
        (past ? tail : head).AddTail(c);
    }
    m_curveList.RemoveAll();
    if (cut == StartCut::kSplit)
        m_curveList.AddTail(after);
    else if (cut == StartCut::kAtStart)
        m_curveList.AddTail(m);
    m_curveList.AddTail(&tail);
    m_curveList.AddTail(&head);
    if (cut == StartCut::kSplit)
        m_curveList.AddTail(before);
    else if (cut == StartCut::kAtEnd)
        m_curveList.AddTail(m);
    if (cut == StartCut::kSplit) delete m;
    SeperateComCurve(1);
}

int CGeLoop::AdjustStartAt(CGeCurve* m, double t, unsigned seg, const double* q)
{
    double s[2] = {0.0, 0.0}, e[2] = {0.0, 0.0};
    m->GetStartPoint(s);
    m->GetEndPoint(e);
    if (P2D_Dist(q, s) < gecon::kClosedTol) {
        Restart(m, StartCut::kAtStart, nullptr, nullptr);
        return 1;
    }
    if (P2D_Dist(q, e) < gecon::kClosedTol) {
        Restart(m, StartCut::kAtEnd, nullptr, nullptr);
        return 1;
    }
    CGeCurve* pieces[2] = {nullptr, nullptr};
    m->Split(t, pieces, static_cast<int>(seg), 1);
    if (!pieces[0] || !pieces[1]) {
        // Without both pieces the member would lose a part: leave the loop as it is.
        delete pieces[0];
        delete pieces[1];
        return 0;
    }
    Restart(m, StartCut::kSplit, pieces[0], pieces[1]);
    return 1;
}

int CGeLoop::AdjustStartPoint(double* p)
{
    CGeCurve* best = nullptr;
    double bestDist = gecon::kNoDistanceBound, bestT = 0.0;
    unsigned bestSeg = 1;
    double bestPt[2] = {0.0, 0.0};
    for (CGeCurve* m : m_curveList) {
        if (!m) continue;
        double out[2] = {0.0, 0.0}, t = 0.0, dist = gecon::kNoDistanceBound;
        unsigned seg = 1;
        m->GetNearestPoint(p, out, t, seg, dist);
        if (dist < bestDist && std::isfinite(out[0]) && std::isfinite(out[1])) {
            best = m;
            bestDist = dist;
            bestT = t;
            bestSeg = seg;
            bestPt[0] = out[0];
            bestPt[1] = out[1];
        }
        if (bestDist < kNearEnough) break;
    }
    if (!best) return 0;
    return AdjustStartAt(best, bestT, bestSeg, bestPt);
}

int CGeLoop::AdjustStartPoint(double t, unsigned int seg, unsigned int k)
{
    CGeCurve* m = GetSubCurve(static_cast<int>(k));
    if (!m) return 0;
    double q[2] = {0.0, 0.0};
    m->GetPointAt(t, q, seg);
    return AdjustStartAt(m, t, seg, q);
}

int CGeLoop::AdjustStartPointToOuterNode(int ccw)
{
    if (IsEmpty() || !IsClosed(gecon::kClosedTol)) return 0;
    double start[2] = {0.0, 0.0};
    GetStartPoint(start);
    int rounds = 1;
    for (CGeCurve* m : m_curveList)
        if (m) rounds += m->GetSegmentCount();
    for (int round = 0; round <= rounds; ++round) {
        CGeCurve* first = GetSubCurve(1);
        if (!first) return 0;
        double s[2] = {0.0, 0.0};
        GetStartPoint(s);
        if (round > 0 && P2D_Dist(s, start) < gecon::kClosedTol) {
            // Round once without a suitable corner: start in the middle of the first member.
            CGeCurve* pieces[2] = {nullptr, nullptr};
            first->Split(0.5, pieces, first->GetSegmentCount(), 1);
            if (pieces[0] && pieces[1]) {
                m_curveList.RemoveHead();
                delete first;
                pieces[0]->CalcBox2d();
                pieces[1]->CalcBox2d();
                m_curveList.AddTail(pieces[0]);
                m_curveList.AddHead(pieces[1]);
                return 1;
            }
            delete pieces[0];
            delete pieces[1];
        }
        double ts[2] = {0.0, 0.0}, te[2] = {0.0, 0.0};
        GetStartTan(ts);
        GetEndTan(te);
        V2D_Unit(ts, gecon::kDegenerateTol);
        V2D_Unit(te, gecon::kDegenerateTol);
        const double back[2] = {-te[0], -te[1]};
        if (V2D_GetAngleUnit(ts, back) > kSmoothJointAngle) return 1;
        const double turn = te[0] * ts[1] - te[1] * ts[0];
        if (!((ccw == 1 && turn < 0.0) || (ccw == 0 && turn > 0.0))) return 1;

        // Move the start on by one piece.
        const int type = first->GetType();
        if (type == kTypeLine || type == kTypeArc || (type == kTypePolyline && PolylineVertexCount(first) == 2)) {
            m_curveList.RemoveHead();
            m_curveList.AddTail(first);
        } else if (type == kTypePolyline && PolylineVertexCount(first) > 2) {
            auto* poly = static_cast<CGePolyline*>(first);
            const double(*v)[2] = poly->GetSWPoint();
            m_curveList.AddTail(new CGeLine(v[0], v[1]));
            // The vertices after the first, read through one flat pointer (v[1] bounds a single vertex).
            const double* flat = &v[0][0];
            std::vector<double> rest(flat + 2, flat + 2 * poly->GetSWPointCount());
            poly->Create(poly->GetSWPointCount() - 1, reinterpret_cast<const double(*)[2]>(rest.data()));
        }
    }
    return 1;
}

// ---------------------------------------------------------------------------
// Member rewrites

void CGeLoop::Lean(double tol, double angle)
{
    for (CGeCurve* m : m_curveList)
        if (!m) return;  // a loop with holes is left as it is
    CurveList out, run;
    auto flush = [&](bool last) {
        if (run.IsEmpty()) return;
        if (run.GetCount() == 1) {
            CGeCurve* only = run.GetHead();
            if (last && only->GetType() == kTypePolyline) static_cast<CGePolyline*>(only)->Lean(tol);
            out.AddTail(only);
            run.RemoveAll();
            return;
        }
        CGePolyline* poly = geCurveListToPolyLine(&run, tol, angle);
        if (poly) {
            poly->Lean(tol);
            out.AddTail(poly);
            DeleteOwnedList(run);
        } else {
            out.AddTail(&run);  // not linked: the run stays as it was
            run.RemoveAll();
        }
    };
    for (CGeCurve* m : m_curveList) {
        if (IsStraight(m)) {
            run.AddTail(m);
            continue;
        }
        flush(false);
        out.AddTail(m);
    }
    flush(true);
    m_curveList.RemoveAll();
    m_curveList.AddTail(&out);
    MergeConcentricArc(&m_curveList, static_cast<float>(10.0 * tol));
    CalcBox2d();
}

int CGeLoop::IsSimplePolygon()
{
    if (!IsLoop(kSimpleLoopTol)) return 0;
    if (!HasDisplay()) Discrete(kSimpleLoopTol);
    if (!HasDisplay()) return 0;
    std::vector<Pt> v;
    v.reserve(static_cast<size_t>(m_nSWPoint));
    for (int i = 0; i < m_nSWPoint; ++i) {
        const Pt p{m_pSWPoint[i][0], m_pSWPoint[i][1]};
        // Repeated points are joints of members, not crossings.
        if (!v.empty() && v.back().x == p.x && v.back().y == p.y) continue;
        v.push_back(p);
    }
    while (v.size() > 1 && v.back().x == v.front().x && v.back().y == v.front().y) v.pop_back();
    return SelfIntersects(v) ? 0 : 1;
}

void CGeLoop::PolylineToLine()
{
    CurveList old;
    old.AddTail(&m_curveList);
    m_curveList.RemoveAll();
    for (CGeCurve* m : old) {
        if (!m) continue;
        if (m->GetType() != kTypePolyline) {
            AddTail(m, 0);
            continue;
        }
        const double(*v)[2] = m->GetSWPoint();
        for (int i = 1; i < m->GetSWPointCount(); ++i)
            if (P2D_Dist(v[i - 1], v[i]) >= gecon::kDegenerateTol) m_curveList.AddTail(new CGeLine(v[i - 1], v[i]));
        delete m;
    }
    CalcBox2d();
}

namespace {

// Replaces every arc of sweep below pi in place by what make returns (a list
// of new curves); the arc is deleted.
template <class Make>
void ReplaceSmallArcs(CurveList& list, Make make)
{
    CurveList out;
    for (CGeCurve* m : list) {
        if (m && m->GetType() == kTypeArc && std::fabs(static_cast<CGeArc*>(m)->GetSweep()) < kMaxStraightenSweep) {
            make(static_cast<CGeArc*>(m), out);
            delete m;
        } else {
            out.AddTail(m);
        }
    }
    list.RemoveAll();
    list.AddTail(&out);
}

}  // namespace

void CGeLoop::ArctoExtendLine()
{
    ReplaceSmallArcs(m_curveList, [](CGeArc* arc, CurveList& out) {
        double c[2], s[2], e[2];
        arc->GetCenter(c);
        arc->GetStartPoint(s);
        arc->GetEndPoint(e);
        double us[2] = {s[0] - c[0], s[1] - c[1]}, ue[2] = {e[0] - c[0], e[1] - c[1]};
        V2D_Unit(us, gecon::kDegenerateTol);
        V2D_Unit(ue, gecon::kDegenerateTol);
        double u[2] = {us[0] + ue[0], us[1] + ue[1]};
        V2D_Unit(u, gecon::kDegenerateTol);
        // The end tangents meet on the bisector at r / cos(sweep / 2) from the centre.
        const double d = arc->GetRadius() / std::fabs(std::cos(arc->GetSweep() / 2.0));
        const double apex[2] = {c[0] + u[0] * d, c[1] + u[1] * d};
        out.AddTail(new CGeLine(s, apex));
        out.AddTail(new CGeLine(apex, e));
    });
    CalcBox2d();
}

void CGeLoop::Arc2Line()
{
    ReplaceSmallArcs(m_curveList, [](CGeArc* arc, CurveList& out) {
        double s[2], e[2];
        arc->GetStartPoint(s);
        arc->GetEndPoint(e);
        out.AddTail(new CGeLine(s, e));
    });
    CalcBox2d();
}
