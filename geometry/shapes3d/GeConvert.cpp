#include "geometry/shapes3d/GeConvert.h"

#include "framework/looker/QVGlobal.h"
#include "framework/numerak/Bcrv.h"
#include "framework/numerak/NurbsArc.h"
#include "framework/numerak/NurbsEditor.h"
#include "platform/core/Containers.h"
#include "geometry/shapes2d/GeArc.h"
#include "geometry/shapes2d/GeBezier.h"
#include "geometry/shapes2d/GeCircle.h"
#include "geometry/shapes2d/GeCombCurve.h"
#include "geometry/shapes2d/GeEllipse.h"
#include "geometry/shapes2d/GeLine.h"
#include "geometry/shapes2d/GeLoop.h"
#include "geometry/shapes2d/GePolyline.h"
#include "geometry/shapes3d/GeArc3d.h"
#include "geometry/shapes3d/GeCombCurve3d.h"
#include "geometry/shapes3d/GeLine3d.h"
#include "geometry/shapes3d/GeLoop3d.h"
#include "geometry/shapes3d/GeNrbCrv3d.h"
#include "geometry/shapes3d/GePolyline3d.h"
#include "geometry/shapes3d/Shapes3dConst.h"
#include "framework/numerak/Point3D.h"

#include <cmath>
#include <memory>
#include <vector>

namespace {

// 2D type codes.
constexpr int kLine = 0x2;
constexpr int kArc = 0x4;
constexpr int kCircle = 0x8;
constexpr int kEllipse = 0x10;
constexpr int kBezier = 0x20;
constexpr int kPolyline = 0x40;
constexpr int kCombCurve = 0x80;

constexpr double kTwoPi = 6.283185307179586;
// Unit vectors and sweeps shorter than this are degenerate.
constexpr double kDegenerate = 1e-6;
// Member records of a composite are joined when their ends lie within this.
constexpr double kMergeTol = 0.02;
// A Bezier control polygon shorter than this gets no chord-length knots.
constexpr double kMinPolygonLength = 1e-6;
// The thinning angle of ToPolyline3d: 170 degrees.
constexpr double kThinAngle170 = 2.9670597283898;
// An arc whose axis is this close to vertical converts to a 2D arc.
constexpr double kVerticalAxisTol = 0.0001;

struct BcrvDeleter {
    void operator()(BCRV* c) const { BCRV_Free(c); }
};
using BcrvPtr = std::unique_ptr<BCRV, BcrvDeleter>;

// The closed flag and, when it is not 0, the extra data word go with the result.
// The flags word is 32-bit; the full word is kept in the pointer-wide field too.
void CarryFlags(CGeCurve* from, CGeCurve3d* to)
{
    if (!to) return;
    to->m_bClosed = from->GetClosedFlag();
    const std::uintptr_t ext = from->GetExtData();
    if (ext != 0) {
        to->m_nFlags = static_cast<int>(ext);
        to->m_nExtData = ext;
    }
}

// n points of 2 doubles, given as (x, y) pairs, lifted to height z.
std::vector<double> Lift(const double* xy, int n, double z)
{
    std::vector<double> xyz(static_cast<size_t>(n) * 3);
    for (int i = 0; i < n; ++i) {
        xyz[3 * i] = xy[2 * i];
        xyz[3 * i + 1] = xy[2 * i + 1];
        xyz[3 * i + 2] = z;
    }
    return xyz;
}

// A 3D polyline through n (x, y) pairs at height z; null for fewer than 2.
CGePolyline3d* LiftedPolyline(const double* xy, int n, double z)
{
    if (!xy || n < 2) return nullptr;
    std::vector<double> xyz = Lift(xy, n, z);
    auto* result = new CGePolyline3d();
    if (!result->Create(n, reinterpret_cast<double(*)[3]>(xyz.data()))) {
        delete result;
        return nullptr;
    }
    return result;
}

CGePolyline3d* PolylineAt(CGePolyline* c, double z)
{
    return LiftedPolyline(c->GetSWPoint() ? &c->GetSWPoint()[0][0] : nullptr, c->GetSWPointCount(), z);
}

// The 2D curve's points at tol, thinned with angle ang, as a 3D polyline at z.
CGePolyline3d* DiscretePolyline(CGeCurve* c, double tol, double ang, double z)
{
    if (!c) return nullptr;
    CArray<tagPoint2d, tagPoint2d> pts;
    c->DiscreteInArray(tol, &pts, ang, true);
    const int n = static_cast<int>(pts.GetSize());
    return LiftedPolyline(n > 0 ? &pts.GetData()[0].x : nullptr, n, z);
}

// A 2D polyline through the x and y of n points, its box computed; null for fewer than 2.
CGePolyline* FlatPolyline(const double (*pts)[3], int n)
{
    if (!pts || n < 2) return nullptr;
    std::vector<double> xy(static_cast<size_t>(n) * 2);
    for (int i = 0; i < n; ++i) {
        xy[2 * i] = pts[i][0];
        xy[2 * i + 1] = pts[i][1];
    }
    auto* result = new CGePolyline();
    if (!result->Create(n, reinterpret_cast<const double(*)[2]>(xy.data()))) {
        delete result;
        return nullptr;
    }
    return result;
}

// The 3D curve's discretisation at tol with z dropped.
CGePolyline* FlatDiscrete(CGeCurve3d* c, double tol)
{
    CStrP3D str;
    c->Discrete(tol, str);
    return FlatPolyline(str.m_pPoints, str.m_nCount);
}

// A record through n points: a straight line for 2, degree 1 through them for more.
BCRV* PointsRecord(const double (*pts)[3], int n)
{
    if (!pts || n < 2) return nullptr;
    if (n == 2) {
        BCRV* rec = nullptr;
        BCRV_GenLine(pts[0], pts[1], &rec);
        return rec;
    }
    return CNurbsEditor::GlobalInterp(pts, n, 1);
}

// The records joined in order within the merge tolerance; one record is the result itself.
BCRV* MergeRecords(std::vector<BcrvPtr>& parts)
{
    if (parts.empty()) return nullptr;
    if (parts.size() == 1) return parts.front().release();
    std::vector<BCRV*> raw;
    raw.reserve(parts.size());
    for (auto& p : parts) raw.push_back(p.get());
    BCRV* merged = nullptr;
    if (!BCRV_Merge(static_cast<int>(raw.size()), raw.data(), kMergeTol, &merged)) return nullptr;
    return merged;
}

// A NURBS curve wrapping rec (taken over), moved to height z; null without a record.
CGeNrbCrv3d* WrapRecord(BCRV* rec, double z)
{
    if (!rec) return nullptr;
    if (z != 0.0) {
        const double v[3] = {0.0, 0.0, z};
        rec->Move(v);
    }
    return new CGeNrbCrv3d(rec);
}

BCRV* LineRecord(CGeLine& c)
{
    double s[3] = {0.0, 0.0, 0.0}, e[3] = {0.0, 0.0, 0.0};
    c.GetStartPoint(s);
    c.GetEndPoint(e);
    BcrvPtr rec(BCRV_New());
    if (!rec || !rec->GenLine(s, e)) return nullptr;
    return rec.release();
}

BCRV* ArcRecord(CGeArc& c)
{
    const double sweep = c.GetSweep();
    // A zero sweep would make the record builder draw the full circle.
    if (!(std::fabs(sweep) >= kDegenerate)) return nullptr;
    double centre[3] = {0.0, 0.0, 0.0};
    c.GetCenter(centre);
    const double a0 = c.GetStartAngle();
    const double a1 = c.GetEndAngle();
    BcrvPtr rec(BCRV_New());
    if (!rec) return nullptr;
    if (sweep > 0.0) {
        if (!rec->GenArc(centre, c.GetRadius(), a0, a1)) return nullptr;
    } else {
        if (!rec->GenArc(centre, c.GetRadius(), a1, a0) || !rec->Reverse()) return nullptr;
    }
    return rec.release();
}

BCRV* CircleRecord(CGeCircle& c)
{
    double centre[3] = {0.0, 0.0, 0.0};
    c.GetCenter(centre);
    BcrvPtr rec(BCRV_New());
    if (!rec || !rec->GenCircle(centre, c.GetRadius())) return nullptr;
    if (c.GetDirection() == 0 && !rec->Reverse()) return nullptr;
    return rec.release();
}

BCRV* EllipseRecord(CGeEllipse& c)
{
    double centre[3] = {0.0, 0.0, 0.0};
    c.GetCenter(centre);
    BcrvPtr rec(BCRV_New());
    if (!rec || !rec->GenEll(centre, c.GetA(), c.GetB(), c.GetRotation())) return nullptr;
    if (c.GetDirection() == 0 && !rec->Reverse()) return nullptr;
    return rec.release();
}

// The spline as an order-4 record over its own control points, with triple
// knots at the segment joins spaced by the lengths of the segments' control
// polygons. Knot spacing does not change the shape of the pieces, so when
// the lengths cannot give strictly increasing joins (a degenerate segment or
// polygon) the joins are spaced evenly instead, which keeps the record valid.
BCRV* BezierRecord(CGeBezier& c)
{
    const CBezierNode* nodes = c.GetNodes();
    const int n = static_cast<int>(c.GetNodeCount());
    if (!nodes || n < 3) return nullptr;
    BcrvPtr rec(BCRV_New(4, n));
    if (!rec) return nullptr;
    for (int i = 0; i < n; ++i) {
        const double p[3] = {nodes[i].x, nodes[i].y, 0.0};
        if (!rec->SetCtrlPt(i, p, 1.0)) return nullptr;
    }

    const int segments = (n - 1) / 3;
    if (segments < 2) return rec.release();
    std::vector<double> joins(static_cast<size_t>(segments - 1));
    double total = 0.0;
    std::vector<double> lengths(static_cast<size_t>(segments));
    for (int j = 0; j < segments; ++j) {
        double len = 0.0;
        for (int i = 3 * j; i < 3 * j + 3; ++i)
            len += std::hypot(nodes[i + 1].x - nodes[i].x, nodes[i + 1].y - nodes[i].y);
        lengths[j] = len;
        total += len;
    }
    bool increasing = total >= kMinPolygonLength && std::isfinite(total);
    double run = 0.0;
    for (int j = 0; j + 1 < segments && increasing; ++j) {
        run += lengths[j];
        joins[j] = run / total;
        const double prev = j > 0 ? joins[j - 1] : 0.0;
        if (!(joins[j] > prev) || !(joins[j] < 1.0)) increasing = false;
    }
    if (!increasing) {
        for (int j = 0; j + 1 < segments; ++j) joins[j] = double(j + 1) / segments;
    }
    for (int j = 1; j < segments; ++j) {
        const double u = joins[j - 1];
        rec->U[3 * j + 1] = u;
        rec->U[3 * j + 2] = u;
        rec->U[3 * j + 3] = u;
    }
    return rec.release();
}

BCRV* PolylineRecord(CGePolyline& c)
{
    const int n = c.GetSWPointCount();
    const double(*pts)[2] = c.GetSWPoint();
    if (n < 2 || !pts) return nullptr;
    std::vector<double> xyz = Lift(&pts[0][0], n, 0.0);
    // Degree 1 through the vertices: the polyline itself.
    return PointsRecord(reinterpret_cast<const double(*)[3]>(xyz.data()), n);
}

BCRV* CombRecord(CGeCombCurve& c)
{
    std::vector<BcrvPtr> parts;
    for (CGeCurve* member : c.GetCurveList()) {
        if (BCRV* rec = QVN_GeConvert::ToNurbsCurve(member)) parts.emplace_back(rec);
    }
    return MergeRecords(parts);
}

// A polynomial quadratic or cubic record as a 2D Bezier spline; null otherwise.
CGeBezier* BezierOfRecord(const BCRV* rec)
{
    if ((rec->k != 3 && rec->k != 4) || !rec->IsUniform()) return nullptr;
    BcrvPtr cubic(rec->Clone());
    if (!cubic || (cubic->k == 3 && !cubic->DegElevate(1))) return nullptr;
    double(*pts)[2] = nullptr;
    const int count = cubic->ConvertToBezier(pts);
    CGeBezier* bez = nullptr;
    if (count >= 4 && pts) {
        bez = new CGeBezier();
        if (bez->CreateEx(static_cast<unsigned int>(count), pts)) {
            bez->CalcBox2d();
        } else {
            delete bez;
            bez = nullptr;
        }
    }
    BCRV::FreePtList(pts);
    return bez;
}

}  // namespace

namespace QVN_GeConvert {

CGeCurve3d* ToCurve3d(CGeCurve* c, double z)
{
    if (!c) return nullptr;
    CGeCurve3d* result = nullptr;
    switch (c->GetType()) {
    case kLine: result = LineToLine3d(static_cast<CGeLine*>(c), z); break;
    case kArc: result = ArcToArc3d(static_cast<CGeArc*>(c), z); break;
    case kCircle: result = CircleToArc3d(static_cast<CGeCircle*>(c), z); break;
    case kEllipse: result = WrapRecord(EllipseRecord(*static_cast<CGeEllipse*>(c)), z); break;
    case kBezier: result = WrapRecord(BezierRecord(*static_cast<CGeBezier*>(c)), z); break;
    case kPolyline: result = PolylineAt(static_cast<CGePolyline*>(c), z); break;
    case kCombCurve: result = CombCurveToCombCurve3d(static_cast<CGeCombCurve*>(c), z); break;
    default: return nullptr;  // point, loop, offset curve, group, region
    }
    CarryFlags(c, result);
    return result;
}

void CurveListToCurveList3D(CTypedPtrList<CObList, CGeCurve*>* list, double z,
                            CTypedPtrList<CObList, CGeCurve3d*>* out)
{
    if (!list || list->IsEmpty() || !out) return;
    for (CGeCurve* curve : *list) {
        if (CGeCurve3d* curve3d = ToCurve3d(curve, z)) out->AddTail(curve3d);
    }
}

CGeCombCurve3d* CombCurveToCombCurve3d(CGeCombCurve* c, double z)
{
    if (!c || c->IsEmpty()) return nullptr;
    auto* result = new CGeCombCurve3d();
    CurveListToCurveList3D(&c->GetCurveList(), z, &result->m_listCurve);
    if (result->IsEmpty()) {
        delete result;
        return nullptr;
    }
    result->CalcBox();
    return result;
}

CGeLoop3d* LoopToLoop3d(CGeLoop* c, double z)
{
    if (!c || c->IsEmpty()) return nullptr;
    auto* result = new CGeLoop3d();
    CurveListToCurveList3D(&c->GetCurveList(), z, &result->m_listCurve);
    return result;
}

CGeLine3d* LineToLine3d(CGeLine* c, double z)
{
    if (!c) return nullptr;
    double s[3] = {0.0, 0.0, z}, e[3] = {0.0, 0.0, z};
    c->GetStartPoint(s);
    c->GetEndPoint(e);
    return new CGeLine3d(s, e);
}

CGeArc3d* ArcToArc3d(CGeArc* c, double z)
{
    if (!c) return nullptr;
    double x[3] = {0.0, 0.0, 0.0};
    c->GetStartDir(x);
    if (!V3D_Unit(x, kDegenerate)) return nullptr;
    const double sweep = c->GetSweep();
    const double zAxis[3] = {0.0, 0.0, sweep > 0.0 ? 1.0 : -1.0};
    double y[3];
    V3D_Cross(zAxis, x, y);
    V3D_Unit(y, kDegenerate);

    auto* arc = new CGeArc3d();
    P3D_Copy(x, arc->m_frame.X);
    P3D_Copy(y, arc->m_frame.Y);
    P3D_Copy(zAxis, arc->m_frame.Z);
    double centre[2];
    c->GetCenter(centre);
    P3D_Set(arc->m_frame.O, centre[0], centre[1], z);
    arc->m_radius = c->GetRadius();
    arc->m_sweep = std::fabs(sweep);
    arc->DiscreteMe(gGetCrvDiscTol());
    arc->CalcBox();
    return arc;
}

CGeArc3d* CircleToArc3d(CGeCircle* c, double z)
{
    if (!c) return nullptr;
    const double x[3] = {1.0, 0.0, 0.0};
    const double zAxis[3] = {0.0, 0.0, c->GetDirection() == 1 ? 1.0 : -1.0};
    double y[3];
    V3D_Cross(zAxis, x, y);

    auto* arc = new CGeArc3d();
    P3D_Copy(x, arc->m_frame.X);
    P3D_Copy(y, arc->m_frame.Y);
    P3D_Copy(zAxis, arc->m_frame.Z);
    double centre[2];
    c->GetCenter(centre);
    P3D_Set(arc->m_frame.O, centre[0], centre[1], z);
    arc->m_radius = c->GetRadius();
    arc->m_sweep = kTwoPi;
    arc->DiscreteMe(gGetCrvDiscTol());
    arc->CalcBox();
    return arc;
}

CGePolyline3d* EllipseToPolyline3d(CGeEllipse* c, double z)
{
    return DiscretePolyline(c, gGetCrvDiscTol(), gGetCrvDiscAng(), z);
}

CGePolyline3d* BezierToPolyline3d(CGeBezier* c, double z)
{
    return DiscretePolyline(c, gGetCrvDiscTol(), gGetCrvDiscAng(), z);
}

CGePolyline3d* PolylineToPolyline3d(CGePolyline* c, double z)
{
    return DiscretePolyline(c, gGetCrvDiscTol(), gGetCrvDiscAng(), z);
}

CGePolyline3d* ToPolyline3d(CGeCurve* c, double tol, double z) { return DiscretePolyline(c, tol, kThinAngle170, z); }

CGeCurve* ToCurve2d(CGeCurve3d* c)
{
    if (!c) return nullptr;
    switch (c->GetType()) {
    case ge3con::kTypeNrbCrv3d: {
        auto* nrb = static_cast<CGeNrbCrv3d*>(c);
        if (!nrb->GetCurve()) return nullptr;
        if (CGeBezier* bez = BezierOfRecord(nrb->GetCurve())) return bez;
        return NrbCrv3dToPolyline(nrb);
    }
    case ge3con::kTypeCombCurve3d: return CombCurve3dToCombCurve(static_cast<CGeCombCurve3d*>(c));
    case ge3con::kTypePolyline3d: return Polyline3dToPolyline(static_cast<CGePolyline3d*>(c));
    case ge3con::kTypeLine3d: return Line3dToLine(static_cast<CGeLine3d*>(c));
    case ge3con::kTypeArc3d: {
        auto* arc = static_cast<CGeArc3d*>(c);
        const double nz = arc->m_frame.Z[2];
        if (std::fabs(nz - 1.0) < kVerticalAxisTol || std::fabs(nz + 1.0) < kVerticalAxisTol) return Arc3dToArc(arc);
        return FlatDiscrete(arc, gGetCrvDiscTol());
    }
    default: return nullptr;  // point, offset curve, loop
    }
}

CGeLine* Line3dToLine(CGeLine3d* c)
{
    if (!c) return nullptr;
    return new CGeLine(c->m_ptStart, c->m_ptEnd);
}

CGeArc* Arc3dToArc(CGeArc3d* c)
{
    if (!c) return nullptr;
    const _rect_fm3d& f = c->m_frame;
    const double sweep = f.Z[2] >= 0.0 ? c->m_sweep : -c->m_sweep;
    const double a0 = std::atan2(f.X[1], f.X[0]);
    auto arc = std::make_unique<CGeArc>();
    if (!arc->CreateCSEAngle(f.O, c->m_radius, a0, a0 + sweep)) return nullptr;
    arc->Discrete(gGetCrvDiscTol());
    return arc.release();
}

CGePolyline* Polyline3dToPolyline(CGePolyline3d* c)
{
    if (!c) return nullptr;
    return FlatPolyline(c->GetCtrlPt(), c->GetCount());
}

CGePolyline* NrbCrv3dToPolyline(CGeNrbCrv3d* c)
{
    if (!c) return nullptr;
    return FlatDiscrete(c, gGetCrvDiscTol());
}

CGeCombCurve* CombCurve3dToCombCurve(CGeCombCurve3d* c)
{
    if (!c || c->IsEmpty()) return nullptr;
    auto* result = new CGeCombCurve();
    ListCurve3dToListCurve(&c->m_listCurve, &result->GetCurveList());
    return result;
}

void ListCurve3dToListCurve(CTypedPtrList<CObList, CGeCurve3d*>* list3d, CTypedPtrList<CObList, CGeCurve*>* list2d)
{
    if (!list3d || list3d->IsEmpty() || !list2d) return;
    for (CGeCurve3d* curve : *list3d)
        if (CGeCurve* c2 = ToCurve2d(curve)) list2d->AddTail(c2);
}

CGePolyline3d* ToPolyline3d(CGeCurve3d* c, double tol)
{
    if (!c) return nullptr;
    CStrP3D str;
    c->Discrete(tol, str);
    if (str.m_nCount < 2 || !str.m_pPoints) return nullptr;
    auto* result = new CGePolyline3d();
    if (!result->Create(str.m_nCount, str.m_pPoints)) {
        delete result;
        return nullptr;
    }
    return result;
}

CGePolyline* ToPolyline2d(CGeCurve3d* c, double tol)
{
    std::unique_ptr<CGePolyline3d> p(ToPolyline3d(c, tol));
    return p ? FlatPolyline(p->GetCtrlPt(), p->GetCount()) : nullptr;
}

BCRV* ToNurbsCurve(CGeCurve3d* c)
{
    if (!c) return nullptr;
    switch (c->GetType()) {
    case ge3con::kTypeNrbCrv3d: {
        const BCRV* rec = static_cast<CGeNrbCrv3d*>(c)->GetCurve();
        return rec ? rec->Clone() : nullptr;
    }
    case ge3con::kTypeCombCurve3d: {
        std::vector<BcrvPtr> parts;
        for (CGeCurve3d* member : static_cast<CGeCombCurve3d*>(c)->m_listCurve)
            if (BCRV* rec = ToNurbsCurve(member)) parts.emplace_back(rec);
        return MergeRecords(parts);
    }
    case ge3con::kTypePolyline3d: {
        auto* poly = static_cast<CGePolyline3d*>(c);
        return PointsRecord(poly->GetCtrlPt(), poly->GetCount());
    }
    case ge3con::kTypeLine3d: {
        auto* line = static_cast<CGeLine3d*>(c);
        BCRV* rec = nullptr;
        BCRV_GenLine(line->m_ptStart, line->m_ptEnd, &rec);
        return rec;
    }
    case ge3con::kTypeArc3d: {
        auto* arc3d = static_cast<CGeArc3d*>(c);
        _arc arc{arc3d->m_frame, arc3d->m_radius, arc3d->m_sweep};
        BCRV* rec = nullptr;
        BCRV_GenArc(&arc, &rec);
        return rec;
    }
    default: return nullptr;  // point, offset curve, loop
    }
}

CGeNrbCrv3d* ToNrbCrv3d(CGeArc3d* c) { return c ? WrapRecord(ToNurbsCurve(c), 0.0) : nullptr; }

BCRV* ToNurbsCurve(CGeCurve* c)
{
    if (!c) return nullptr;
    switch (c->GetType()) {
    case kLine: return LineRecord(*static_cast<CGeLine*>(c));
    case kArc: return ArcRecord(*static_cast<CGeArc*>(c));
    case kCircle: return CircleRecord(*static_cast<CGeCircle*>(c));
    case kEllipse: return EllipseRecord(*static_cast<CGeEllipse*>(c));
    case kBezier: return BezierRecord(*static_cast<CGeBezier*>(c));
    case kPolyline: return PolylineRecord(*static_cast<CGePolyline*>(c));
    case kCombCurve: return CombRecord(*static_cast<CGeCombCurve*>(c));
    default: return nullptr;
    }
}

CGeNrbCrv3d* ToNrbCrv3d(CGeLine* c) { return c ? WrapRecord(LineRecord(*c), 0.0) : nullptr; }
CGeNrbCrv3d* ToNrbCrv3d(CGeArc* c) { return c ? WrapRecord(ArcRecord(*c), 0.0) : nullptr; }
CGeNrbCrv3d* ToNrbCrv3d(CGeBezier* c) { return c ? WrapRecord(BezierRecord(*c), 0.0) : nullptr; }

CGeNrbCrv3d* ToNrbCrv3d(CGeCircle* c)
{
    CGeNrbCrv3d* result = c ? WrapRecord(CircleRecord(*c), 0.0) : nullptr;
    if (result) result->m_bClosed = 1;
    return result;
}

CGeNrbCrv3d* ToNrbCrv3d(CGeEllipse* c)
{
    CGeNrbCrv3d* result = c ? WrapRecord(EllipseRecord(*c), 0.0) : nullptr;
    if (result) result->m_bClosed = 1;
    return result;
}

}  // namespace QVN_GeConvert
