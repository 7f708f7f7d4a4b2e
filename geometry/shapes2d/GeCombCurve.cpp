// Composite curve: structure, member management, boxes, drawing, picking,
// evaluation, discretisation and transforms. Linking, stitching, refining and
// splitting are in GeCombCurveLink.cpp.
#include "geometry/shapes2d/GeCombCurve.h"
#include "geometry/shapes2d/GeometryChange.h"

#include "framework/looker/Looker.h"
#include "framework/looker/QVGlobal.h"
#include "framework/looker/SnapRecords.h"
#include "framework/numerak/Box2D.h"
#include "framework/numerak/Point2D.h"
#include "geometry/algorithms/GeTool2D.h"
#include "geometry/shapes2d/CurveList.h"
#include "geometry/shapes2d/GeArc.h"
#include "geometry/shapes2d/GeBezier.h"
#include "geometry/shapes2d/GeCircle.h"
#include "geometry/shapes2d/GeEllipse.h"
#include "geometry/shapes2d/GeHit.h"
#include "geometry/shapes2d/GePolyline.h"
#include "geometry/shapes2d/GeometryConst.h"
#include "geometry/shapes2d/MemberWalk.h"
#include "geometry/shapes2d/RefinePointStr.h"
#include "platform/core/Archive.h"
#include "platform/core/DC.h"
#include "platform/core/OwnedListArchive.h"

#include <algorithm>
#include <cmath>
#include <vector>

IMPLEMENT_SERIAL(CGeCombCurve, CObject, 2 | VERSIONABLE_SCHEMA)

namespace {

constexpr int kTypeArc = 0x4;
constexpr int kTypeCircle = 0x8;
constexpr int kTypeEllipse = 0x10;
constexpr int kTypeBezier = 0x20;
constexpr int kTypeCombCurve = 0x80;
// Lists handed to Create must be linked (and, to be closed, looped) within this.
constexpr double kCreateLinkTol = 0.02;
// Translations shorter than this change nothing.
constexpr double kMinTranslate = 0.0001;
// Initial best distance of the member nearest-point search.
constexpr double kNoBest = 1e12;
// Full turn, the sweep of circles and ellipses when drawing.
constexpr double kFullTurn = 6.283185307179586;
// Drawing strides: round members need this many display points before they
// are thinned; Bézier members this many.
constexpr int kRoundMinPoints = 11;
constexpr int kBezierMinPoints = 8;
constexpr int kBezierStride = 3;

bool IsComposite(const CGeCurve* c) { return c && c->GetType() == kTypeCombCurve; }

// Splits a composite parameter x into the member's own segment and parameter.
// x = 1 exactly is the end of the first segment, so that the parameter 1 of a
// simple member (its end, as intersection records and nearest points give it)
// keeps its meaning.
struct MemberParam {
    unsigned seg;
    double t;
};

MemberParam SplitParam(double x)
{
    if (x == 1.0) return {1u, 1.0};
    double n = std::trunc(x);
    if (n < 1.0) return {1u, x};
    return {static_cast<unsigned>(n), x - n};
}

// Length along a member from its start to (seg, t), clamped to its segments.
double LengthFromStart(CGeCurve* m, MemberParam mp)
{
    const int count = std::max(1, m->GetSegmentCount());
    if (mp.seg > static_cast<unsigned>(count)) {
        mp.seg = static_cast<unsigned>(count);
        mp.t = 1.0;
    }
    if (mp.t <= 0.0 && mp.seg == 1) return 0.0;
    // Every curve's three-argument length runs from the start of its first
    // segment when its first parameter is 0.
    return m->EvArcLength(0.0, mp.t, mp.seg);
}

}  // namespace

CGeCombCurve::CGeCombCurve() = default;

CGeCombCurve::~CGeCombCurve()
{
    DeleteOwnedList(m_curveList);
}

int CGeCombCurve::GetType() const { return kTypeCombCurve; }

// ---------------------------------------------------------------------------
// Members

int CGeCombCurve::IsEmpty() const
{
    for (CGeCurve* m : m_curveList)
        if (m) return 0;
    return 1;
}

int CGeCombCurve::GetSegmentCount()
{
    int n = 0;
    for (CGeCurve* m : m_curveList)
        if (m) ++n;
    return n;
}

CGeCurve* CGeCombCurve::GetSubCurve(int k) const
{
    if (k <= 0) return nullptr;
    for (CGeCurve* m : m_curveList)
        if (m && --k == 0) return m;
    return nullptr;
}

CGeCombCurve* CGeCombCurve::Create(CGeCurve* c)
{
    geNoteGeometryChange();
    if (!c || IsComposite(c)) return nullptr;
    auto* comb = new CGeCombCurve;
    comb->m_curveList.AddTail(c);
    comb->m_bClosed = c->IsClosed(gecon::kClosedTol);
    comb->CalcBox2d();
    return comb;
}

CGeCombCurve* CGeCombCurve::Create(CurveList* list)
{
    geNoteGeometryChange();
    if (!list || list->IsEmpty()) return nullptr;
    if (!CGeTool2D::IsLinked(list, kCreateLinkTol)) return nullptr;
    auto* comb = new CGeCombCurve;
    comb->m_bClosed = CGeTool2D::IsLoop(list, kCreateLinkTol);
    for (CGeCurve* c : *list) comb->AddTail(c, 0);
    comb->CalcBox2d();
    return comb;
}

void CGeCombCurve::AddTail(CGeCurve* c, int calcBox)
{
    geNoteGeometryChange();
    if (!c || c == this) return;
    if (IsComposite(c)) {
        // The composite is taken over like any curve: its members move in and
        // the shell is deleted, even when it is empty (so nothing leaks).
        auto* other = static_cast<CGeCombCurve*>(c);
        for (CGeCurve* m : other->m_curveList)
            if (m) m_curveList.AddTail(m);
        other->m_curveList.RemoveAll();
        delete other;
    } else {
        m_curveList.AddTail(c);
    }
    if (calcBox) CalcBox2d();
}

void CGeCombCurve::AddHead(CGeCurve* c, int calcBox)
{
    geNoteGeometryChange();
    if (!c || c == this) return;
    if (IsComposite(c)) {
        auto* other = static_cast<CGeCombCurve*>(c);
        // From the other's tail backwards, so its members keep their order.
        POSITION pos = other->m_curveList.GetTailPosition();
        while (pos)
            if (CGeCurve* m = other->m_curveList.GetPrev(pos)) m_curveList.AddHead(m);
        other->m_curveList.RemoveAll();
        delete other;
    } else {
        m_curveList.AddHead(c);
    }
    if (calcBox) CalcBox2d();
}

void CGeCombCurve::AddTail(CurveList* list, int calcBox)
{
    geNoteGeometryChange();
    if (!list || list->IsEmpty() || list == &m_curveList) return;
    for (CGeCurve* c : *list) AddTail(c, 0);
    if (calcBox) CalcBox2d();
}

void CGeCombCurve::AddHead(CurveList* list, int calcBox)
{
    geNoteGeometryChange();
    if (!list || list->IsEmpty() || list == &m_curveList) return;
    for (CGeCurve* c : *list) AddHead(c, 0);
    if (calcBox) CalcBox2d();
}

void CGeCombCurve::SeperateComCurve(int calcBox)
{
    bool nested = false;
    for (CGeCurve* m : m_curveList) nested = nested || IsComposite(m);
    if (nested) {
        CurveList old;
        old.AddTail(&m_curveList);
        m_curveList.RemoveAll();
        // Re-adding flattens recursively: a composite's members go through AddTail too.
        for (CGeCurve* m : old) {
            if (IsComposite(m)) {
                auto* inner = static_cast<CGeCombCurve*>(m);
                inner->SeperateComCurve(0);
            }
            AddTail(m, 0);
        }
    }
    if (calcBox) CalcBox2d();
}

void CGeCombCurve::SetExtData(std::uintptr_t v)
{
    CGeShape2d::SetExtData(v);
    for (CGeCurve* m : m_curveList)
        if (m) m->SetExtData(v);
}

void CGeCombCurve::CreateNewHandle()
{
    CGeShape2d::CreateNewHandle();
    for (CGeCurve* m : m_curveList)
        if (m) m->CreateNewHandle();
}

CGeCurve* CGeCombCurve::Copy()
{
    auto* copy = new CGeCombCurve;
    for (CGeCurve* m : m_curveList)
        if (m)
            if (CGeCurve* c = m->Copy()) copy->m_curveList.AddTail(c);
    copy->m_box = m_box;
    copy->m_bClosed = m_bClosed;
    copy->m_nHandle = m_nHandle;
    return copy;
}

// ---------------------------------------------------------------------------
// Archive

void CGeCombCurve::Serialize(CArchive& ar)
{
    geNoteGeometryChange();
    CGeCurve::Serialize(ar);
    if (ar.IsStoring()) {
        m_curveList.Serialize(ar);
        return;
    }
    // A member must be a curve created by its own record: a reference to an
    // object read earlier (owned elsewhere, or this composite itself) is refused.
    archive::LoadOwnedList(ar, m_curveList);
    m_box.InitEmpty();
}

// ---------------------------------------------------------------------------
// Box, drawing and picking

void CGeCombCurve::CalcBox2d()
{
    m_box.InitEmpty();
    for (CGeCurve* m : m_curveList) {
        if (!m) continue;
        m->CalcBox2d();
        BOX2D_Union(m_box, m->StoredBox2d());
    }
}

void CGeCombCurve::GetBox2d(BOX2<double>* out)
{
    if (m_box.xmax < m_box.xmin) CalcBox2d();
    if (out) *out = m_box;
}

void CGeCombCurve::Draw(Direct2DHandler*, int) {}

void CGeCombCurve::Draw(CDC* dc, int mode)
{
    if (!dc) return;
    if (mode) {
        DrawPolyline(dc);
        return;
    }
    for (CGeCurve* m : m_curveList)
        if (m && m->IsEnableDraw2D()) m->Draw(dc, 0);
}

namespace {

// Every how many display points a member is drawn, for a world pixel size w.
int DrawStride(CGeCurve* m, double w)
{
    const int type = m->GetType();
    if (type == kTypeArc || type == kTypeCircle || type == kTypeEllipse) {
        m->EnsureDisplay(gGetCrvShowDiscTol());
        const int n = m->GetSWPointCount();
        if (n < kRoundMinPoints) return 1;
        double r = 0.0, sweep = kFullTurn;
        if (type == kTypeArc) {
            auto* arc = static_cast<CGeArc*>(m);
            r = arc->GetRadius();
            sweep = std::fabs(arc->GetSweep());
        } else if (type == kTypeCircle) {
            r = static_cast<CGeCircle*>(m)->GetRadius();
        } else {
            auto* e = static_cast<CGeEllipse*>(m);
            r = std::max(e->GetA(), e->GetB());
        }
        if (w > r) return n;
        const double step = std::acos((r - w) / r);
        if (!(step > 0.0)) return 1;
        const double a = std::trunc(sweep / step);
        if (a >= 1.0 && a < n) return std::max(1, n / static_cast<int>(a));
        return 1;
    }
    if (type == kTypeBezier) {
        auto* bez = static_cast<CGeBezier*>(m);
        if (!m->HasDisplay() || bez->GetSegEnds().IsEmpty()) m->Discrete(gGetCrvShowDiscTol());
        if (m->GetSWPointCount() >= kBezierMinPoints && 4.0 * bez->GetLastTol() < w) return kBezierStride;
        return 1;
    }
    return 1;
}

}  // namespace

void CGeCombCurve::DrawPolyline(CDC* dc)
{
    CLooker* looker = gGetLooker();
    if (!dc || !looker) return;
    double w = 0.0;
    looker->ScreentoWorld(1.0, w);
    bool first = true;
    for (CGeCurve* m : m_curveList) {
        if (!m) continue;
        const int stride = DrawStride(m, w);
        m->EnsureDisplay(gGetCrvShowDiscTol());
        const double(*pts)[2] = m->GetSWPoint();
        const int n = m->GetSWPointCount();
        for (int i = 0; i < n; i += stride) {
            CPoint px;
            looker->WorldtoScreen2D(pts[i], px);
            if (first)
                dc->MoveTo(px.x, px.y);
            else
                dc->LineTo(px.x, px.y);
            first = false;
        }
    }
}

void CGeCombCurve::DrawGL(COpenGLDC* dc, int)
{
    for (CGeCurve* m : m_curveList)
        if (m) m->DrawGL(dc, 0);
}

void CGeCombCurve::DrawNode(CDC* dc, int, int)
{
    CLooker* looker = gGetLooker();
    const bool view2D = looker && CLooker::IsView2D();
    BOX2<double> view;
    if (view2D) {
        looker->GetViewBox(&view);
        BOX2<double> box;
        GetBox2d(&box);
        if (!BOX2D_IsInt(box, view, gecon::kViewBoxTol)) return;
    }
    const int closed = IsClosed(gecon::kClosedTol);
    const int n = GetSegmentCount();
    int k = 0;
    bool firstDrawn = true;
    for (CGeCurve* m : m_curveList) {
        if (!m) continue;
        ++k;
        if (view2D) {
            BOX2<double> mb;
            m->GetBox2d(&mb);
            if (!BOX2D_IsInt(mb, view, gecon::kViewBoxTol)) continue;
        }
        const int markEnd = (k == n && closed) ? 0 : 1;
        m->DrawNode(dc, firstDrawn ? 1 : 0, markEnd);
        firstDrawn = false;
    }
}

int CGeCombCurve::Pick(CPickRay& ray, int bCheckType)
{
    if (bCheckType && (GetType() & ray.m_nTypeMask) == 0) return 0;
    for (CGeCurve* m : m_curveList)
        if (m && m->Pick(ray, bCheckType)) return 1;
    return 0;
}

int CGeCombCurve::PickBox(_rect_fm3d* frame, BOX2<double>* box)
{
    for (CGeCurve* m : m_curveList)
        if (m && m->PickBox(frame, box)) return 1;
    return 0;
}

int CGeCombCurve::Hit(CPickRay& ray, CGeHit& hit)
{
    if ((GetType() & ray.m_nTypeMask) == 0) return 0;
    if (!ray.m_b2D) {
        for (CGeCurve* m : m_curveList)
            if (m && m->Hit(ray, hit)) return 1;
        return 0;
    }
    BOX2<double> box;
    GetBox2d(&box);
    if (!BOX2D_IsPtIn(box, ray.m_pt, ray.m_dAperture)) return 0;
    CGeCurve* best = nullptr;
    double bestDist = kNoBest, bestT = 0.0, bestPt[2] = {0.0, 0.0};
    unsigned bestSeg = 0;
    for (CGeCurve* m : m_curveList) {
        if (!m) continue;
        BOX2<double> mb;
        m->GetBox2d(&mb);
        if (!BOX2D_IsPtIn(mb, ray.m_pt, ray.m_dAperture)) continue;
        double q[2], t = 0.0, dist = kNoBest;
        unsigned seg = 1;
        if (!m->GetNearestPoint(ray.m_pt, q, t, seg, dist)) continue;
        if (dist < bestDist) {
            best = m;
            bestDist = dist;
            bestT = t;
            bestSeg = seg;
            bestPt[0] = q[0];
            bestPt[1] = q[1];
        }
    }
    if (!best || !(bestDist < ray.m_dAperture)) return 0;
    hit.m_pCurve = best;
    hit.m_nSegment = static_cast<int>(bestSeg);
    hit.m_dParam = bestT;
    hit.m_pt[0] = bestPt[0];
    hit.m_pt[1] = bestPt[1];
    return 1;
}

int CGeCombCurve::GetSnapPos(CSnapAt* snap, CSnapResult& result)
{
    const int before = result.GetSize();
    for (CGeCurve* m : m_curveList)
        if (m) m->GetSnapPos(snap, result);
    return result.GetSize() > before ? 1 : 0;
}

// ---------------------------------------------------------------------------
// Evaluation

void CGeCombCurve::GetStartPoint(double* p)
{
    if (CGeCurve* m = GetSubCurve(1)) m->GetStartPoint(p);
}

void CGeCombCurve::GetEndPoint(double* p)
{
    POSITION pos = m_curveList.GetTailPosition();
    while (pos)
        if (CGeCurve* m = m_curveList.GetPrev(pos)) {
            m->GetEndPoint(p);
            return;
        }
}

int CGeCombCurve::GetStartTan(double* v)
{
    CGeCurve* m = GetSubCurve(1);
    if (!m) return 0;
    m->GetTanVecAt(0.0, v, 1);
    return 1;
}

int CGeCombCurve::GetEndTan(double* v)
{
    CGeCurve* m = GetSubCurve(GetSegmentCount());
    if (!m) return 0;
    m->GetTanVecAt(1.0, v, static_cast<unsigned>(m->GetSegmentCount()));
    return 1;
}

void CGeCombCurve::GetPointAt(double t, double* p, unsigned seg)
{
    if (CGeCurve* m = GetSubCurve(static_cast<int>(seg))) {
        const MemberParam mp = SplitParam(t);
        m->GetPointAt(mp.t, p, mp.seg);
    }
}

void CGeCombCurve::EvPos(double t, double* p, unsigned seg)
{
    if (CGeCurve* m = GetSubCurve(static_cast<int>(seg))) {
        const MemberParam mp = SplitParam(t);
        m->EvPos(mp.t, p, mp.seg);
    }
}

void CGeCombCurve::GetTanVecAt(double t, double* v, unsigned seg)
{
    if (CGeCurve* m = GetSubCurve(static_cast<int>(seg))) {
        const MemberParam mp = SplitParam(t);
        m->GetTanVecAt(mp.t, v, mp.seg);
    }
}

void CGeCombCurve::Ev1Der(double t, double* p, double* d1, unsigned seg)
{
    if (CGeCurve* m = GetSubCurve(static_cast<int>(seg))) {
        const MemberParam mp = SplitParam(t);
        m->Ev1Der(mp.t, p, d1, mp.seg);
    }
}

void CGeCombCurve::Ev2Der(double t, double* p, double* d1, double* d2, unsigned seg)
{
    if (CGeCurve* m = GetSubCurve(static_cast<int>(seg))) {
        const MemberParam mp = SplitParam(t);
        m->Ev2Der(mp.t, p, d1, d2, mp.seg);
    }
}

int CGeCombCurve::GetNearestPoint(double* p, double* out, double& t, unsigned& seg, double& dist)
{
    int bestK = 0, k = 0;
    double best = kNoBest;
    for (CGeCurve* m : m_curveList) {
        if (!m) continue;
        ++k;
        double q[2], mt = 0.0, md = kNoBest;
        unsigned ms = 1;
        if (!m->GetNearestPoint(p, q, mt, ms, md)) continue;
        if (md < best) {
            best = md;
            bestK = k;
            out[0] = q[0];
            out[1] = q[1];
            t = mt;
            seg = ms;
            dist = md;
        }
    }
    return bestK;
}

int CGeCombCurve::EvParam(double len, double& t, unsigned& seg, double total)
{
    if (total == 0.0) total = EvTotalArcLength();
    if (!(total > 0.0) || !std::isfinite(len)) return 0;
    // Wrapped with fmod rather than by repeated steps, so that a huge length
    // cannot keep the loop going; the results are those of the steps.
    if (len < 0.0) {
        len = std::fmod(len, total);
        if (len < 0.0) len += total;
    }
    if (IsClosed(gecon::kClosedTol)) {
        if (len > total) {
            len = std::fmod(len, total);
            if (len == 0.0) len = total;
        }
    } else if (len > total) {
        len = total;
    }
    double acc = 0.0;
    int k = 0;
    for (CGeCurve* m : m_curveList) {
        if (!m) continue;
        ++k;
        const double ml = m->EvTotalArcLength();
        if (acc + ml > len) {
            m->EvParam(len - acc, t, seg, 0.0);
            return k;
        }
        acc += ml;
    }
    return 0;
}

double CGeCombCurve::EvArcLength(double x1, unsigned k1, double x2, unsigned k2)
{
    if (k2 < k1 || x1 < 0.0 || x2 < 0.0) return 0.0;
    CGeCurve* m1 = GetSubCurve(static_cast<int>(k1));
    CGeCurve* m2 = GetSubCurve(static_cast<int>(k2));
    if (!m1 || !m2) return 0.0;
    const double from1 = LengthFromStart(m1, SplitParam(x1));
    const double from2 = LengthFromStart(m2, SplitParam(x2));
    if (k1 == k2) return from2 >= from1 ? from2 - from1 : 0.0;
    // The rest of member k1, the whole members between, member k2 up to x2.
    double len = m1->EvTotalArcLength() - from1;
    unsigned k = 0;
    for (CGeCurve* m : m_curveList) {
        if (!m) continue;
        ++k;
        if (k > k1 && k < k2) len += m->EvTotalArcLength();
    }
    return len + from2;
}

double CGeCombCurve::EvArcLength(double t0, double t1, unsigned seg) { return EvArcLength(t0, 1, t1, seg); }

double CGeCombCurve::EvTotalArcLength()
{
    double sum = 0.0;
    for (CGeCurve* m : m_curveList)
        if (m) sum += m->EvTotalArcLength();
    return sum;
}

int CGeCombCurve::IsLongerThan(double len)
{
    double sum = 0.0;
    for (CGeCurve* m : m_curveList) {
        if (!m) continue;
        sum += m->EvTotalArcLength();
        if (sum > len) return 1;
    }
    return 0;
}

int CGeCombCurve::IsLinked(double tol)
{
    CGeCurve* prev = nullptr;
    for (CGeCurve* m : m_curveList) {
        if (!m) continue;
        if (prev) {
            double e[2] = {0.0, 0.0}, s[2] = {0.0, 0.0};
            prev->GetEndPoint(e);
            m->GetStartPoint(s);
            if (!(P2D_Dist(e, s) < tol)) return 0;
        }
        prev = m;
    }
    return 1;
}

int CGeCombCurve::IsClosed(double tol)
{
    if (IsEmpty()) return 0;
    if (!geIsLinkCurve2d(&m_curveList, tol)) return 0;
    double s[2] = {0.0, 0.0}, e[2] = {0.0, 0.0};
    GetStartPoint(s);
    GetEndPoint(e);
    return P2D_Dist(s, e) < tol ? 1 : 0;
}

// ---------------------------------------------------------------------------
// Discretisation and conversion

void CGeCombCurve::Discrete(double tol, double ang)
{
    geNoteGeometryChange();
    for (CGeCurve* m : m_curveList)
        if (m) m->Discrete(tol, ang);
    CalcBox2d();
}

void CGeCombCurve::Discrete(double tol)
{
    geNoteGeometryChange();
    for (CGeCurve* m : m_curveList)
        if (m) m->Discrete(tol);
    CalcBox2d();
}

void CGeCombCurve::DiscreteInArray(double tol, CArray<tagPoint2d, tagPoint2d>* pts, double ang, bool bRefine)
{
    if (!pts || IsEmpty()) return;
    SeperateComCurve(0);
    const INT_PTR total = gemembers::DiscreteMembers(m_curveList, tol);
    if (pts->IsEmpty() && total > 0) pts->SetSize(0, total);
    // The closing point below belongs to this composite's own run, which may
    // follow points the caller put in the array before.
    const INT_PTR runStart = pts->GetSize();
    gemembers::ForEachJoinedPoint(m_curveList, [pts](const double* p) { pts->Add(tagPoint2d{p[0], p[1]}); });
    const INT_PTR end = pts->GetSize();
    if (end > runStart && IsClosed(gecon::kClosedTol)) (*pts)[runStart] = (*pts)[end - 1];
    if (bRefine) RefinePointStr(tol, ang, *pts);
}

CGeCurve* CGeCombCurve::ToPLine(double tol, double ang)
{
    if (IsEmpty()) return nullptr;
    CArray<tagPoint2d, tagPoint2d> pts;
    DiscreteInArray(tol, &pts, ang, true);
    const INT_PTR n = pts.GetSize();
    if (n <= 1) return nullptr;
    if (IsClosed(gecon::kClosedTol)) pts[n - 1] = pts[0];
    auto* poly = new CGePolyline;
    if (!poly->Create(&pts)) {
        delete poly;
        return nullptr;
    }
    return poly;
}

void CGeCombCurve::ToElement(CTypedPtrList<CObList, CGeCurve3d*>* list)
{
    for (CGeCurve* m : m_curveList)
        if (m) m->ToElement(list);
}

void CGeCombCurve::BiArcAppx(double tol, CTypedPtrList<CObList, CGeCurve*>* out)
{
    for (CGeCurve* m : m_curveList)
        if (m) m->BiArcAppx(tol, out);
}

void CGeCombCurve::InitSketchIndex()
{
    for (CGeCurve* m : m_curveList)
        if (m) m->InitSketchIndex();
}

// ---------------------------------------------------------------------------
// Transforms

template <class Op>
void CGeCombCurve::ReplaceMembers(Op op)
{
    geNoteGeometryChange();
    CurveList result;
    for (CGeCurve* m : m_curveList) {
        if (!m) continue;
        CGeCurve* r = op(m);
        if (r != m) delete m;
        // A member that vanishes is dropped, so no null entry is ever stored.
        if (r) result.AddTail(r);
    }
    m_curveList.RemoveAll();
    m_curveList.AddTail(&result);
}

void CGeCombCurve::Translate(double* offset)
{
    geNoteGeometryChange();
    if (std::hypot(offset[0], offset[1]) < kMinTranslate) return;
    for (CGeCurve* m : m_curveList)
        if (m) m->Translate(offset);
    CalcBox2d();
}

void CGeCombCurve::Rotate(double* centre, double angle)
{
    geNoteGeometryChange();
    for (CGeCurve* m : m_curveList)
        if (m) m->Rotate(centre, angle);
    CGeCurve::Rotate(centre, angle);
}

void CGeCombCurve::Mirror(double* p, double* q)
{
    geNoteGeometryChange();
    for (CGeCurve* m : m_curveList)
        if (m) m->Mirror(p, q);
    CGeCurve::Mirror(p, q);
}

CGeCurve* CGeCombCurve::Scale(double* centre, double* factors)
{
    geNoteGeometryChange();
    ReplaceMembers([&](CGeCurve* m) { return m->Scale(centre, factors); });
    CGeCurve::Scale(centre, factors);
    return this;
}

CGeCurve* CGeCombCurve::Shear(double* base, double* factors)
{
    geNoteGeometryChange();
    ReplaceMembers([&](CGeCurve* m) { return m->Shear(base, factors); });
    CGeCurve::Shear(base, factors);
    return this;
}

CGeCurve* CGeCombCurve::Transform(double m[3][3], unsigned flags)
{
    geNoteGeometryChange();
    ReplaceMembers([&](CGeCurve* c) { return c->Transform(m, flags); });
    CGeCurve::Transform(m, flags);
    return this;
}

void CGeCombCurve::Reverse()
{
    geNoteGeometryChange();
    gemembers::ReverseMembers(m_curveList);
    CGeCurve::Reverse();
}

void CGeCombCurve::ModifyStartPoint(double* p)
{
    geNoteGeometryChange();
    CGeCurve* m = GetSubCurve(1);
    if (!m) return;
    m->ModifyStartPoint(p);
    CalcBox2d();
}

void CGeCombCurve::ModifyEndPoint(double* p)
{
    geNoteGeometryChange();
    CGeCurve* m = GetSubCurve(GetSegmentCount());
    if (!m) return;
    m->ModifyEndPoint(p);
    CalcBox2d();
}
