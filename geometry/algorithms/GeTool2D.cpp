#include "geometry/algorithms/GeTool2D.h"
#include "geometry/algorithms/CurveTypes.h"

#include "framework/looker/QVGlobal.h"
#include "framework/numerak/Box2D.h"
#include "framework/numerak/Point2D.h"
#include "framework/numerak/PointString.h"
#include "geometry/shapes2d/GeCombCurve.h"
#include "geometry/shapes2d/GeCurve.h"
#include "geometry/shapes2d/GePolyline.h"
#include "geometry/shapes2d/GeometryConst.h"

#include <cmath>

namespace {

// Lists turned into one polyline per curve must be linked within this.
constexpr double kDiscretLinkTol = 1e-6;
// Growth step of the point array of DiscretToPolyLine.
constexpr INT_PTR kPolyGrowBy = 100;
// Sampling steps below this are refused.
constexpr double kMinSampleStep = 0.001;
// The taken mark given to a curve by GetHead.
constexpr std::uintptr_t kTaken = 1;

constexpr int kCells = CGeTool2D::kGridSize;

// Cell index along one axis: truncation toward zero, clamped into 0..19; a
// quotient that is not finite selects 0. Clamped in double first, so that a
// huge quotient never overflows the conversion.
int CellIndex(double q)
{
    if (!std::isfinite(q) || q < 0.0) return 0;
    if (q >= kCells - 1) return kCells - 1;
    return static_cast<int>(q);
}

}  // namespace

CGeTool2D::CGeTool2D() { m_box.InitEmpty(); }

CGeTool2D::~CGeTool2D() = default;

// ---------------------------------------------------------------------------
// Working box and bucket grids

void CGeTool2D::SetWorkBox(const BOX2<double>& box)
{
    m_box = box;
    m_dCellW = (box.xmax - box.xmin) / kCells;
    m_dCellH = (box.ymax - box.ymin) / kCells;
}

void CGeTool2D::GetCell(const double* p, int& ix, int& iy) const
{
    ix = CellIndex((p[0] - m_box.xmin) / m_dCellW);
    iy = CellIndex((p[1] - m_box.ymin) / m_dCellH);
}

CGeTool2D::CurveList* CGeTool2D::StartBucket(int ix, int iy) const
{
    return m_pStartGrid ? &m_pStartGrid[static_cast<std::size_t>(ix * kCells + iy)] : nullptr;
}

CGeTool2D::CurveList* CGeTool2D::EndBucket(int ix, int iy) const
{
    return m_pEndGrid ? &m_pEndGrid[static_cast<std::size_t>(ix * kCells + iy)] : nullptr;
}

void CGeTool2D::InitSearchList(std::vector<CGeCurve*>& curves)
{
    constexpr std::size_t kBuckets = static_cast<std::size_t>(kCells) * kCells;
    if (!m_pStartGrid) {
        m_pStartGrid = std::make_unique<CurveList[]>(kBuckets);
        m_pEndGrid = std::make_unique<CurveList[]>(kBuckets);
    }
    for (std::size_t i = 0; i < kBuckets; ++i) {
        m_pStartGrid[i].RemoveAll();
        m_pEndGrid[i].RemoveAll();
    }
    for (CGeCurve* c : curves) {
        if (!c) continue;
        c->CGeShape2d::SetExtData(0);
        double s[2] = {0.0, 0.0}, e[2] = {0.0, 0.0};
        c->GetStartPoint(s);
        c->GetEndPoint(e);
        int ix = 0, iy = 0;
        GetCell(s, ix, iy);
        StartBucket(ix, iy)->AddTail(c);
        GetCell(e, ix, iy);
        EndBucket(ix, iy)->AddTail(c);
    }
}

void CGeTool2D::SetRectList(const double* p, double tol, CurveList* lists[2][3][3]) const
{
    int ix = 0, iy = 0;
    GetCell(p, ix, iy);
    const BOX2<double> tolBox(p[0] - tol, p[1] - tol, p[0] + tol, p[1] + tol);
    for (int g = 0; g < 2; ++g)
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) lists[g][i][j] = nullptr;
    if (!m_pStartGrid) return;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            const int cx = ix + i - 1, cy = iy + j - 1;
            if (cx < 0 || cx >= kCells || cy < 0 || cy >= kCells) continue;
            if (i != 1 || j != 1) {
                const double x0 = m_box.xmin + cx * m_dCellW, y0 = m_box.ymin + cy * m_dCellH;
                const BOX2<double> cell(x0, y0, x0 + m_dCellW, y0 + m_dCellH);
                if (!BOX2D_IsInt(cell, tolBox, tol)) continue;
            }
            lists[0][i][j] = StartBucket(cx, cy);
            lists[1][i][j] = EndBucket(cx, cy);
        }
    }
}

CGeCurve* CGeTool2D::GetHead(CurveList* list)
{
    if (!list) return nullptr;
    POSITION pos = list->GetHeadPosition();
    while (pos) {
        POSITION cur = pos;
        CGeCurve* c = list->GetNext(pos);
        if (c) {
            list->RemoveAt(cur);
            return c;
        }
    }
    return nullptr;
}

CGeCurve* CGeTool2D::GetHead(std::vector<CGeCurve*>& curves, unsigned& index)
{
    for (std::size_t i = index; i < curves.size(); ++i) {
        CGeCurve* c = curves[i];
        if (!c) continue;
        curves[i] = nullptr;
        if (c->GetExtData() != 0) continue;  // taken meanwhile
        c->CGeShape2d::SetExtData(kTaken);
        index = static_cast<unsigned>(i + 1);
        return c;
    }
    return nullptr;
}

// ---------------------------------------------------------------------------
// Boxes, link and loop tests, list utilities

void CGeTool2D::GetBox(CObList* list, BOX2<double>& box)
{
    if (!list || list->IsEmpty()) return;
    bool first = true;
    for (CObject* ob : *list) {
        auto* shape = dynamic_cast<CGeShape2d*>(ob);
        if (!shape) continue;
        BOX2<double> b;
        b.InitEmpty();
        shape->GetBox2d(&b);
        if (first)
            box = b;
        else
            BOX2D_Union(box, b);
        first = false;
    }
}

int CGeTool2D::IsLinked(CurveList* list, double tol)
{
    if (!list || list->IsEmpty()) return 0;
    CGeCurve* prev = nullptr;
    for (CGeCurve* c : *list) {
        if (!c) return 0;
        if (c->GetType() == curvetype::kCombCurve && !static_cast<CGeCombCurve*>(c)->IsLinked(gecon::kClosedTol)) return 0;
        if (prev) {
            double e[2] = {0.0, 0.0}, s[2] = {0.0, 0.0};
            prev->GetEndPoint(e);
            c->GetStartPoint(s);
            if (P2D_Dist(e, s) > tol) return 0;  // a gap equal to tol is linked
        }
        prev = c;
    }
    return 1;
}

int CGeTool2D::IsLoop(CurveList* list, double tol)
{
    if (!IsLinked(list, tol)) return 0;
    CGeCurve* head = list->GetHead();
    CGeCurve* tail = list->GetTail();
    if (!head || !tail) return 0;
    double s[2] = {0.0, 0.0}, e[2] = {0.0, 0.0};
    head->GetStartPoint(s);
    tail->GetEndPoint(e);
    return P2D_Dist(s, e) < tol ? 1 : 0;  // closing needs a gap strictly below tol
}

void CGeTool2D::DeleteCurve(CurveList* list)
{
    if (!list || list->IsEmpty()) return;
    DeleteOwnedList(*list);
}

void CGeTool2D::AddTailToCombCurve(CGeCombCurve* comb, CGeCurve* curve)
{
    if (!comb || !curve || curve == comb) return;
    if (curve->GetType() == curvetype::kCombCurve) {
        CurveList& members = static_cast<CGeCombCurve*>(curve)->GetCurveList();
        for (CGeCurve* m : members)
            if (m) comb->GetCurveList().AddTail(m);
        members.RemoveAll();
    } else {
        comb->GetCurveList().AddTail(curve);
    }
}

int CGeTool2D::ConvertToSimpleCurve(CGeCurve* curve, CurveList* out, double tol, bool toPolyline,
                                    bool splitComposites)
{
    if (!curve || !out) return 0;
    const double angle = gGetCrvDiscAng();
    auto append = [out](CGeCurve* c) {
        if (!c) return 0;
        out->AddTail(c);
        return 1;
    };
    switch (curve->GetType()) {
    case curvetype::kLine:
    case curvetype::kPolyline:
        return append(curve->Copy());
    case curvetype::kArc:
    case curvetype::kCircle:
        return append(toPolyline ? curve->ToPLine(tol, angle) : curve->Copy());
    case curvetype::kEllipse:
    case curvetype::kBezier: {
        if (toPolyline) return append(curve->ToPLine(tol, angle));
        CurveList arcs;
        curve->BiArcAppx(tol, &arcs);
        out->AddTail(&arcs);
        return 1;
    }
    case curvetype::kCombCurve: {
        if (toPolyline) return append(curve->ToPLine(tol, angle));
        auto* comb = static_cast<CGeCombCurve*>(curve);
        if (splitComposites || !comb->IsLinked(gecon::kClosedTol)) {
            int result = 0;
            for (CGeCurve* m : comb->GetCurveList())
                if (m) result = ConvertToSimpleCurve(m, out, tol, toPolyline, false);
            return result;
        }
        auto* simple = new CGeCombCurve;
        for (CGeCurve* m : comb->GetCurveList()) {
            if (!m) continue;
            CurveList pieces;
            ConvertToSimpleCurve(m, &pieces, tol, toPolyline, false);
            simple->AddTail(&pieces, 0);
        }
        if (simple->IsEmpty()) {
            delete simple;
            return 0;
        }
        simple->SetClosedFlag(comb->GetClosedFlag());
        simple->CalcBox2d();
        out->AddTail(simple);
        return 1;
    }
    default:
        return 0;
    }
}

int CGeTool2D::DiscretToLine(CurveList* curves, CurveList* out, double tol)
{
    if (!curves || !out || !IsLinked(curves, kDiscretLinkTol)) return 0;
    for (CGeCurve* c : *curves) {
        if (!c) continue;
        CArray<tagPoint2d, tagPoint2d> pts;
        c->DiscreteInArray(tol, &pts, gecon::kThinAngle170, true);
        if (pts.GetSize() <= 1) continue;
        auto* poly = new CGePolyline;
        if (poly->Create(&pts))
            out->AddTail(poly);
        else
            delete poly;
    }
    return 1;
}

CGePolyline* CGeTool2D::DiscretToPolyLine(CurveList* curves, double tol)
{
    if (!curves || !IsLinked(curves, tol)) return nullptr;
    std::vector<CGeCurve*> flat;
    for (CGeCurve* c : *curves) {
        if (!c) continue;
        if (c->GetType() == curvetype::kCombCurve) {
            for (CGeCurve* m : static_cast<CGeCombCurve*>(c)->GetCurveList())
                if (m) flat.push_back(m);
        } else {
            flat.push_back(c);
        }
    }
    CArray<tagPoint2d, tagPoint2d> pts;
    pts.SetSize(0, kPolyGrowBy);
    for (CGeCurve* c : flat) {
        c->Discrete(tol);
        const double(*sw)[2] = c->GetSWPoint();
        for (int i = 0; i < c->GetSWPointCount(); ++i) {
            if (!pts.IsEmpty()) {
                const tagPoint2d& last = pts[pts.GetSize() - 1];
                if (std::hypot(sw[i][0] - last.x, sw[i][1] - last.y) < tol) continue;
            }
            pts.Add(tagPoint2d{sw[i][0], sw[i][1]});
        }
    }
    if (pts.GetSize() <= 1) return nullptr;
    auto* poly = new CGePolyline;
    if (!poly->Create(&pts)) {
        delete poly;
        return nullptr;
    }
    poly->Discrete(tol);
    return poly;
}

int CGeTool2D::DiscreteToPoint(CGeCurve* curve, double step, CStrP2D& out)
{
    if (!curve || !(step >= kMinSampleStep)) return 0;
    std::unique_ptr<CGeCurve> temp;
    CGeCurve* sampled = curve;
    switch (curve->GetType()) {
    case curvetype::kLine:
    case curvetype::kArc:
    case curvetype::kCircle:
    case curvetype::kEllipse:
    case curvetype::kBezier:
    case curvetype::kPolyline:
        break;
    case curvetype::kCombCurve:
    case curvetype::kLoop:
        temp.reset(curve->ToPLine(gGetCrvDiscTol(), gecon::kThinAngle170));
        if (!temp) return 0;
        sampled = temp.get();
        break;
    default:
        return 0;
    }
    out.Clear();
    const double total = sampled->EvTotalArcLength();
    const double count = std::trunc(total / step) + 1.0;
    if (!(count > 1.0) || !std::isfinite(count)) return 0;
    const int n = static_cast<int>(count);
    if (!out.Create(n)) return 0;
    sampled->GetStartPoint(out.GetPnt(0));
    for (int i = 1; i < n; ++i) {
        double t = 0.0;
        unsigned seg = 1;
        sampled->EvParam(i * step, t, seg, total);
        sampled->GetPointAt(t, out.GetPnt(i), seg);
    }
    return 1;
}
