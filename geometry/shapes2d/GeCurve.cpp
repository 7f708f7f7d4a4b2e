#include "geometry/shapes2d/GeCurve.h"
#include "geometry/shapes2d/GeometryChange.h"

#include "framework/looker/Looker.h"
#include "framework/looker/QVGlobal.h"
#include "framework/looker/SnapRecords.h"
#include "framework/numerak/Box2D.h"
#include "framework/numerak/Matrix33.h"
#include "framework/numerak/Point2D.h"
#include "framework/numerak/PointString.h"
#include "geometry/shapes2d/GeCombCurve.h"
#include "geometry/shapes2d/GeHit.h"
#include "geometry/shapes2d/GeLine.h"
#include "geometry/shapes2d/GePolyline.h"
#include "geometry/shapes2d/GeometryConst.h"
#include "geometry/shapes2d/NearestSearch.h"
#include "geometry/shapes2d/RefinePointStr.h"
#include "geometry/shapes2d/SplitRemainder.h"
#include "geometry/shapes3d/GeConvert.h"
#include "geometry/shapes3d/GeCurve3d.h"
#include "platform/core/Archive.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

constexpr int kPolylineType = 0x40;
constexpr int kCombCurveType = 0x80;
// Growth step of a fresh discretisation array.
constexpr INT_PTR kDiscGrowBy = 50;
// Fixed angle of ToPolyline (about 175 degrees).
constexpr double kToPolylineAngle = 3.0543261909895;
// Tangent point search: flat g', convergence and end-of-range tolerances.
constexpr double kTanFlatSlope = 0.0001;
constexpr double kTanConverge = 1e-6;

}  // namespace

CGeCurve::CGeCurve() = default;

CGeCurve::~CGeCurve() = default;

void CGeCurve::Serialize(CArchive& ar)
{
    geNoteGeometryChange();
    CGeShape2d::Serialize(ar);
    if (ar.IsStoring())
        ar << m_bClosed;
    else
        ar >> m_bClosed;
}

CGeCurve* CGeCurve::Copy() { return nullptr; }

// ---------------------------------------------------------------------------
// Display polyline and box

void CGeCurve::AllocSWMem(int n)
{
    geNoteGeometryChange();
    if (n <= 0) return;
    m_pSWPoint.reset();
    m_nSWPoint = 0;
    m_pSWPoint.reset(new double[n][2]);
    m_nSWPoint = n;
}

void CGeCurve::CopySWPoint(const double (*pts)[2], int n)
{
    geNoteGeometryChange();
    if (!pts || n <= 0) return;
    if (pts == m_pSWPoint.get()) return;  // already the display polyline
    AllocSWMem(n);
    std::memcpy(m_pSWPoint.get(), pts, sizeof(double[2]) * static_cast<size_t>(n));
}

void CGeCurve::EnsureDisplay(double tol)
{
    if (!HasDisplay()) Discrete(tol);
}

void CGeCurve::PrepareDisplay()
{
    EnsureDisplay(gGetCrvShowDiscTol());
    // Some overrides copy nothing for a null box, so hand one in.
    BOX2<double> box;
    GetBox2d(&box);
}

void CGeCurve::Discrete(double tol)
{
    geNoteGeometryChange();
    if (GetType() == kPolylineType) return;
    Discrete(tol, gGetCrvDiscAng());
}

void CGeCurve::Discrete(double tol, double ang)
{
    geNoteGeometryChange();
    if (GetType() == kPolylineType) return;
    CArray<tagPoint2d, tagPoint2d> pts;
    DiscreteInArray(tol, &pts, ang, true);
    const int n = static_cast<int>(pts.GetSize());
    if (n < 2) return;  // the old display polyline and box stay
    CopySWPoint(reinterpret_cast<const double(*)[2]>(pts.GetData()), n);
    CalcBox2d();
}

void CGeCurve::DiscreteInArray(double tol, CArray<tagPoint2d, tagPoint2d>* pts, double ang, bool bRefine)
{
    if (!pts) return;
    if (pts->IsEmpty()) pts->SetSize(0, kDiscGrowBy);
    for (int i = 0; i < m_nSWPoint; ++i) pts->Add(tagPoint2d{m_pSWPoint[i][0], m_pSWPoint[i][1]});
    if (bRefine) RefinePointStr(tol, ang, *pts);
}

int CGeCurve::GetDiscStep(double, double& step)
{
    step = gecon::kDefaultDiscStep;
    return 1;
}

void CGeCurve::CalcBox2d()
{
    if (!HasDisplay()) Discrete(gGetCrvDiscTol());
    if (!HasDisplay()) return;
    m_box.InitEmpty();
    for (int i = 0; i < m_nSWPoint; ++i) m_box.Extend(m_pSWPoint[i]);
}

void CGeCurve::GetBox2d(BOX2<double>* out)
{
    if (!HasDisplay()) CalcBox2d();
    if (m_box.xmax < m_box.xmin) CalcBox2d();
    if (out) *out = m_box;
}

BOX2<double>* CGeCurve::GetBox2d()
{
    geNoteGeometryChange();
    return &m_box;
}

void CGeCurve::GetNodeBox(BOX2<double>* out)
{
    if (out) *out = m_box;
}

// ---------------------------------------------------------------------------
// Drawing

void CGeCurve::Draw(Direct2DHandler* handler, int)
{
    if (handler) EnsureDisplay(gGetCrvShowDiscTol());
}

void CGeCurve::Draw(CDC* dc, int)
{
    if (!dc) return;
    EnsureDisplay(gGetCrvShowDiscTol());
    if (CLooker* looker = gGetLooker()) looker->DrawPolyline(m_pSWPoint.get(), m_nSWPoint, dc);
}

void CGeCurve::DrawGL(COpenGLDC*, int)
{
    // Draws into the current OpenGL context in its current colour and matrices.
    EnsureDisplay(gGetCrvShowDiscTol());
    if (m_pSWPoint == nullptr || m_nSWPoint < 2) return;
    glBegin(GL_LINE_STRIP);
    for (int i = 0; i < m_nSWPoint; ++i)
        glVertex2f(static_cast<float>(m_pSWPoint[i][0]), static_cast<float>(m_pSWPoint[i][1]));
    glEnd();
}

void CGeCurve::DrawNode(CDC*, int, int) {}

void CGeCurve::ModifyStartPoint(double*) { geNoteGeometryChange();}

void CGeCurve::ModifyEndPoint(double*) { geNoteGeometryChange();}

// ---------------------------------------------------------------------------
// Point in loop, picking

int CGeCurve::IsPtInLoop(double* p, double tol)
{
    EnsureDisplay(tol);
    BOX2<double> box;
    GetBox2d(&box);
    if (!HasDisplay() || !BOX2D_IsPtIn(box, p, tol)) return 1;

    const double px = p[0], py = p[1];
    int crossings = 0;
    for (int i = 0; i < m_nSWPoint; ++i) {
        const double* a = m_pSWPoint[i];
        const double* b = m_pSWPoint[(i + 1) % m_nSWPoint];  // the last point joins the first
        const double x1 = a[0], y1 = a[1], x2 = b[0], y2 = b[1];
        if ((y1 - py > tol && py - y2 > tol) || (y2 - py > tol && py - y1 > tol)) {
            // The edge crosses p's horizontal clearly: where, relative to p?
            const double d = x1 + (py - y1) * (x2 - x1) / (y2 - y1) - px;
            if (d > tol)
                ++crossings;
            else if (std::fabs(d) < tol)
                return 2;
        } else if (std::fabs(y2 - py) < tol) {
            if (std::fabs(y1 - py) < tol &&
                ((x2 - px > -tol && px - x1 > -tol) || (x1 - px > -tol && px - x2 > -tol)))
                return 2;  // p lies on an edge along its horizontal
            if (std::fabs(x2 - px) < tol) return 2;
            // A vertex on the ray counts once: from the edge whose other end is above.
            if (x2 - px > tol && y1 - py > tol) ++crossings;
        } else if (std::fabs(y1 - py) < tol) {
            if (std::fabs(x1 - px) < tol) return 2;
            if (x1 - px > tol && y2 - py > tol) ++crossings;
        }
    }
    return (crossings % 2) ? 0 : 1;
}

int CGeCurve::Pick(CPickRay& ray, int bCheckType)
{
    if (bCheckType && (GetType() & ray.m_nTypeMask) == 0) return 0;
    if (ray.m_b2D) {
        BOX2<double> box;
        GetBox2d(&box);
        if (!BOX2D_IsPtIn(box, ray.m_pt, ray.m_dAperture)) return 0;
        double out[2];
        double t = 0.0, dist = gecon::kNoDistanceBound;
        unsigned seg = 0;
        if (GetNearestPoint(ray.m_pt, out, t, seg, dist) && ray.m_dAperture > dist) {
            ray.m_dDist = std::min(dist, ray.m_dDist);
            return 1;
        }
        return 0;
    }
    EnsureDisplay(gGetCrvDiscTol());
    double second[3];
    ray.GetSecondPoint(second);
    double a = 0.0, b = 0.0;
    int seg = -1;
    if (HasDisplay() &&
        SP2D_Pick3d(&m_pSWPoint[0][0], m_nSWPoint, ray.m_pt, second, ray.m_dAperture, &a, &b, &seg)) {
        ray.m_dDepth = a;
        ray.m_dParam = b;
        return 1;
    }
    return 0;
}

int CGeCurve::PickBox(_rect_fm3d* frame, BOX2<double>* box)
{
    EnsureDisplay(gGetCrvDiscTol());
    if (!HasDisplay()) return 0;
    return SP2D_PickBox(&m_pSWPoint[0][0], m_nSWPoint, frame, box);
}

int CGeCurve::Hit(CPickRay& ray, CGeHit& hit)
{
    if ((GetType() & ray.m_nTypeMask) == 0) return 0;
    double t = 0.0, dist = gecon::kNoDistanceBound;
    unsigned seg = 0;
    double out[2];
    if (ray.m_b2D) {
        BOX2<double> box;
        GetBox2d(&box);
        if (!BOX2D_IsPtIn(box, ray.m_pt, ray.m_dAperture)) return 0;
        if (!GetNearestPoint(ray.m_pt, out, t, seg, dist)) return 0;
    } else {
        EnsureDisplay(gGetCrvDiscTol());
        if (!HasDisplay()) return 0;
        double second[3];
        ray.GetSecondPoint(second);
        double a = 0.0, b = 0.0;
        int edge = -1;
        if (!SP2D_Pick3d(&m_pSWPoint[0][0], m_nSWPoint, ray.m_pt, second, ray.m_dAperture, &a, &b, &edge))
            return 0;
        if (edge < 1 || edge >= m_nSWPoint) return 0;
        const double* p0 = m_pSWPoint[edge - 1];
        const double* p1 = m_pSWPoint[edge];
        double start[2] = {p0[0] + b * (p1[0] - p0[0]), p0[1] + b * (p1[1] - p0[1])};
        if (!GetNearestPoint(start, out, t, seg, dist)) return 0;
    }
    if (!(ray.m_dAperture > dist)) return 0;
    hit.m_pCurve = this;
    hit.m_nSegment = static_cast<int>(seg);
    hit.m_dParam = t;
    hit.m_pt[0] = out[0];
    hit.m_pt[1] = out[1];
    return 1;
}

// ---------------------------------------------------------------------------
// Conversions

CGeCurve* CGeCurve::ToPLine(double tol, double ang)
{
    CArray<tagPoint2d, tagPoint2d> pts;
    DiscreteInArray(tol, &pts, ang, true);
    const INT_PTR n = pts.GetSize();
    if (n == 2) return new CGeLine(&pts[0].x, &pts[1].x);
    if (n < 2) return nullptr;
    auto* poly = new CGePolyline;
    poly->Create(&pts);
    return poly;
}

void CGeCurve::ToElement(CTypedPtrList<CObList, CGeCurve3d*>* list)
{
    if (!list) return;
    if (CGeCurve3d* curve = QVN_GeConvert::ToCurve3d(this, 0.0)) list->AddTail(curve);
}

CGeCurve* CGeCurve::GenCurve(CArray<tagPoint2d, tagPoint2d>* pts)
{
    if (!pts || pts->GetSize() < 2) return nullptr;
    if (pts->GetSize() == 2) return new CGeLine(&(*pts)[0].x, &(*pts)[1].x);
    auto* poly = new CGePolyline;
    poly->Create(pts);
    return poly;
}

CGeCurve* CGeCurve::ToPolyline(double tol)
{
    if (tol < 0.0) return nullptr;
    CArray<tagPoint2d, tagPoint2d> pts;
    DiscreteInArray(tol, &pts, kToPolylineAngle, false);
    if (pts.GetSize() < 2) return nullptr;
    auto* poly = new CGePolyline;
    if (!poly->Create(&pts)) {
        delete poly;
        return nullptr;
    }
    return poly;
}

// ---------------------------------------------------------------------------
// Queries

int CGeCurve::GetSegmentCount() { return 1; }

void CGeCurve::GetStartPoint(double* p)
{
    if (!m_pSWPoint || m_nSWPoint < 1) return;
    p[0] = m_pSWPoint[0][0];
    p[1] = m_pSWPoint[0][1];
}

void CGeCurve::GetEndPoint(double* p)
{
    if (!m_pSWPoint || m_nSWPoint < 2) return;
    p[0] = m_pSWPoint[m_nSWPoint - 1][0];
    p[1] = m_pSWPoint[m_nSWPoint - 1][1];
}

int CGeCurve::GetStartTan(double* v)
{
    GetTanVecAt(0.0, v, 1);
    return 1;
}

int CGeCurve::GetEndTan(double* v)
{
    GetTanVecAt(1.0, v, static_cast<unsigned>(GetSegmentCount()));
    return 1;
}

void CGeCurve::GetPointAt(double, double*, unsigned) {}

int CGeCurve::GetGCPoint(unsigned char, double*, unsigned) { return 1; }

int CGeCurve::GetPointEx(double t, double* p)
{
    GetPointAt(t, p, 1);
    return 1;
}

void CGeCurve::GetTanVecAt(double, double*, unsigned) {}

void CGeCurve::EvPos(double, double*, unsigned) {}

void CGeCurve::Ev1Der(double, double*, double*, unsigned) {}

void CGeCurve::Ev2Der(double, double*, double*, double*, unsigned) {}

int CGeCurve::GetNearestPoint(double* p, double* out, double& t, unsigned& seg, double& dist)
{
    const int segments = std::max(1, GetSegmentCount());
    seg = static_cast<unsigned>(std::clamp(static_cast<int>(seg), 1, segments));
    const unsigned k = seg;
    NearestSearch search(p, [this, k](double s, double* c, double* d1) {
        // A curve that does not evaluate leaves NaN behind and the search fails.
        c[0] = c[1] = std::numeric_limits<double>::quiet_NaN();
        d1[0] = d1[1] = 0.0;
        Ev1Der(s, c, d1, k);
    });
    const std::optional<NearestOnSegment> best = search.Run();
    if (!best) return 0;
    if (best->dist < dist) {
        t = best->t;
        dist = best->dist;
        out[0] = best->point[0];
        out[1] = best->point[1];
    } else {
        double d1[2];
        Ev1Der(t, out, d1, k);
    }
    return 1;
}

int CGeCurve::SearchTanPt(const double* p, double& t, unsigned seg, double* out)
{
    double c[2], d1[2], d2[2];
    for (int round = 0; round < gecon::kNewtonMaxRounds; ++round) {
        Ev2Der(t, c, d1, d2, seg);
        const double f = (c[0] - p[0]) * d1[1] - (c[1] - p[1]) * d1[0];
        const double g = f * f;
        const double dg = 2.0 * f * ((c[0] - p[0]) * d2[1] - (c[1] - p[1]) * d2[0]);
        if (std::fabs(dg) < kTanFlatSlope) return 0;
        double s = t - g / dg;
        if (s > 1.0) s = t * 0.5;
        if (s < 0.0) s = (t + 1.0) * 0.5;
        if (std::fabs(s - t) < kTanConverge || std::fabs(g) < kTanConverge) {
            const bool atEnd = std::fabs(s) < kTanConverge || std::fabs(s - 1.0) < kTanConverge;
            if (atEnd && std::fabs(g) > kTanConverge) return 0;
            t = s;
            EvPos(t, out, seg);
            return 1;
        }
        t = s;
    }
    return 0;
}

int CGeCurve::GetTanPt(double*, double&, int&, double*) { return 0; }

int CGeCurve::GetPerpPt(double* p, double* out, double& t, unsigned& seg)
{
    double dist = gecon::kNoDistanceBound;
    return GetNearestPoint(p, out, t, seg, dist) == 1 ? 1 : 0;
}

int CGeCurve::EvParam(double, double&, unsigned&, double) { return 0; }

double CGeCurve::EvArcLength(double, double, unsigned) { return 0.0; }

double CGeCurve::EvTotalArcLength() { return 0.0; }

int CGeCurve::IsLongerThan(double len) { return EvTotalArcLength() > len ? 1 : 0; }

double CGeCurve::EvArea()
{
    if (!HasDisplay()) return 0.0;
    return SP2D_EvArea(&m_pSWPoint[0][0], m_nSWPoint);
}

int CGeCurve::IsClosed(double) { return m_bClosed; }

void CGeCurve::Reverse()
{
    geNoteGeometryChange();
    if (m_pSWPoint && m_nSWPoint >= 2) SP2D_Reverse(&m_pSWPoint[0][0], m_nSWPoint);
}

CGeCurve* CGeCurve::Offset(double) { return nullptr; }

// ---------------------------------------------------------------------------
// Splitting

namespace {

// Segment of an intersection record on curve 1: its segment or, for a member
// of a composite, the member's own segment, whichever is larger.
int RecordSegment(const IntPnt& r) { return std::max(r.seg1, r.subSeg1); }

}  // namespace

CGeCurve* CGeCurve::Split(IntPnt a, IntPnt b)
{
    const int sa = RecordSegment(a), sb = RecordSegment(b);
    const double ta = a.para1, tb = b.para1;
    const int n = GetSegmentCount();
    const bool fromStart = std::fabs(ta) < gecon::kParamSnapTol && sa == 1;
    const bool toEnd = std::fabs(tb - 1.0) < gecon::kParamSnapTol && sb == n;

    if (fromStart && toEnd) return Copy();
    CGeCurve* pieces[2] = {nullptr, nullptr};
    if (fromStart) {
        Split(tb, pieces, sb, 1);
        delete pieces[1];
        return pieces[0];
    }
    if (toEnd) {
        Split(ta, pieces, sa, 1);
        delete pieces[0];
        return pieces[1];
    }
    Split(ta, pieces, sa, 1);
    delete pieces[0];
    CGeCurve* rest = pieces[1];
    if (!rest) return nullptr;
    // b's parameter refers to this curve: carry it over to the remaining piece
    // (a search by distance could land on an earlier passage of a curve that
    // crosses itself).
    const SegParam at = geParamOnRemainder(this, {sa, ta}, {sb, tb}, rest);
    CGeCurve* parts[2] = {nullptr, nullptr};
    rest->Split(at.t, parts, at.seg, 1);
    delete rest;
    delete parts[1];
    return parts[0];
}

void CGeCurve::Split(double, CGeCurve**, int, int) {}

void CGeCurve::Split(CArray<IntPnt, IntPnt>& pts, CTypedPtrList<CObList, CGeCurve*>& out)
{
    const int count = static_cast<int>(pts.GetSize());
    if (count <= 0) return;
    SortIntPt(pts.GetData(), count);

    if (count == 1) {
        CGeCurve* pieces[2] = {nullptr, nullptr};
        // A composite (or loop) splits member seg1 at its own segment subSeg1;
        // other curves take the record's larger segment number.
        if (auto* comb = dynamic_cast<CGeCombCurve*>(this))
            comb->Split(pts[0].para1, pieces, pts[0].subSeg1, pts[0].seg1);
        else
            Split(pts[0].para1, pieces, RecordSegment(pts[0]), 1);
        if (pieces[0]) out.AddTail(pieces[0]);
        if (pieces[1]) out.AddTail(pieces[1]);
        return;
    }

    const int n = GetSegmentCount();
    IntPnt first;
    first.para1 = 0.0;
    first.seg1 = 1;
    first.subSeg1 = 1;
    GetStartPoint(first.pt);
    IntPnt last;
    last.para1 = 1.0;
    last.seg1 = n;
    last.subSeg1 = 1;
    if (GetType() == kCombCurveType) {
        if (CGeCurve* member = static_cast<CGeCombCurve*>(this)->GetSubCurve(n))
            last.subSeg1 = member->GetSegmentCount();
    }
    GetEndPoint(last.pt);

    for (int i = 0; i <= count; ++i) {
        const IntPnt& a = i == 0 ? first : pts[i - 1];
        const IntPnt& b = i == count ? last : pts[i];
        if (CGeCurve* piece = Split(a, b)) out.AddTail(piece);
    }
}

void CGeCurve::BiArcAppx(double, CTypedPtrList<CObList, CGeCurve*>* out)
{
    if (!out) return;
    if (CGeCurve* copy = Copy()) out->AddTail(copy);
}

// ---------------------------------------------------------------------------
// Sketch index list

void CGeCurve::InitSketchIndex()
{
    m_aSketchIndex.RemoveAll();
    m_aSketchIndex.Add(-1);
}

int CGeCurve::GetFirstSketchIndex() { return m_aSketchIndex.IsEmpty() ? -1 : m_aSketchIndex[0]; }

int CGeCurve::GetLastSketchIndex()
{
    return m_aSketchIndex.IsEmpty() ? -1 : m_aSketchIndex[m_aSketchIndex.GetSize() - 1];
}

// ---------------------------------------------------------------------------
// Transforms of the display polyline

void CGeCurve::Translate(double* offset)
{
    geNoteGeometryChange();
    if (m_box.IsValid()) m_box.Move(offset[0], offset[1]);
    for (int i = 0; i < m_nSWPoint; ++i) {
        m_pSWPoint[i][0] += offset[0];
        m_pSWPoint[i][1] += offset[1];
    }
}

void CGeCurve::Rotate(double* centre, double angle)
{
    geNoteGeometryChange();
    if (HasDisplay()) P2D_Rot(centre, std::cos(angle), std::sin(angle), m_nSWPoint, &m_pSWPoint[0][0]);
    CalcBox2d();
}

void CGeCurve::Mirror(double* p, double* q)
{
    geNoteGeometryChange();
    for (int i = 0; i < m_nSWPoint; ++i) P2D_Mirr(p, q, m_pSWPoint[i], m_pSWPoint[i]);
    CalcBox2d();
}

CGeCurve* CGeCurve::Scale(double* centre, double* factors)
{
    geNoteGeometryChange();
    for (int i = 0; i < m_nSWPoint; ++i) {
        m_pSWPoint[i][0] = centre[0] + (m_pSWPoint[i][0] - centre[0]) * factors[0];
        m_pSWPoint[i][1] = centre[1] + (m_pSWPoint[i][1] - centre[1]) * factors[1];
    }
    CalcBox2d();
    return this;
}

CGeCurve* CGeCurve::Shear(double* base, double* factors)
{
    geNoteGeometryChange();
    for (int i = 0; i < m_nSWPoint; ++i) P2D_Shear(base, m_pSWPoint[i], factors, m_pSWPoint[i]);
    CalcBox2d();
    return this;
}

CGeCurve* CGeCurve::Transform(double m[3][3], unsigned)
{
    geNoteGeometryChange();
    if (!MAT33_IsUnit(m))
        for (int i = 0; i < m_nSWPoint; ++i) MAT33_MultPt(m_pSWPoint[i], m_pSWPoint[i], m);
    CalcBox2d();
    return this;
}
