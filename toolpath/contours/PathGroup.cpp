#include "toolpath/contours/PathGroup.h"

#include "framework/db/DbPathGroup.h"
#include "framework/looker/QVGlobal.h"
#include "framework/numerak/Point3D.h"
#include "geometry/shapes3d/GeArc3d.h"
#include "geometry/shapes3d/GeCombCurve3d.h"
#include "geometry/shapes3d/GeLine3d.h"
#include "geometry/shapes3d/GePolyline3d.h"
#include "toolpath/contours/SmartCurve.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

using namespace pathc;

namespace {

// Helices are written with at most this many chords.
constexpr double kMaxHelixChords = 1e6;

// Deletes a chain linked through next (entities of a combine, combines of a group).
template <class T>
void DeleteChain(T* head)
{
    while (head) {
        T* n = head->next;
        delete head;
        head = n;
    }
}

template <class Op>
void ForEachEntity(CPathCombine* c, Op op)
{
    for (CPathEntity* e = c->head; e; e = e->next) op(e);
}

template <class Op>
void ForEachEntity(CPathGroup* g, Op op)
{
    for (CPathCombine* c = g->head; c; c = c->next) ForEachEntity(c, op);
}

// The polyline of the buffered points (at least 2), appended to c.
void FlushPoints(std::vector<double>& buf, CPathCombine* c)
{
    const std::size_t n = buf.size() / 3;
    if (n < 2) return;
    auto* pl = new CPathPLine3D;
    if (SetPathPLinePoints(pl, unsigned(n - 1), buf.data()))
        PathCombineAppend(pl, c);
    else
        delete pl;
    // The next polyline starts where this one ends.
    buf.erase(buf.begin(), buf.end() - 3);
}

// A helix as a polyline through points of the entity, the planar chord rule on the
// radius bounding the deviation by tol (the rise is linear along both the helix and
// its chords).
CGeCurve3d* HelixToPolyline(const CPathArc3D* arc, double tol)
{
    const double r = std::fabs(arc->radius), sweep = std::fabs(arc->endAngle - arc->startAngle);
    double chords = 1.0;
    if (r > tol) {
        const double step = 2.0 * std::acos(1.0 - tol / r);
        chords = std::clamp(std::ceil(sweep / step), 1.0, kMaxHelixChords);
    }
    const int n = int(chords);
    auto* pl = new CGePolyline3d(n + 1, 0);
    for (int i = 0; i <= n; ++i) PathArcPointAt(arc, pl->m_strDisp.m_pPoints[i], double(i) / n);
    pl->DiscreteMe(tol);
    pl->CalcBox();
    return pl;
}

}  // namespace

// ---------------------------------------------------------------- combines

CPathCombine::~CPathCombine() { PathCombineClear(this); }

std::uint8_t PathKindOfOp(std::uint16_t op)
{
    switch (op) {
    case 1: return 9;
    case 2: return 7;
    case 4: return 2;
    case 5:
    case 6: return 3;
    case 3:
    case 7:
    case 8:
    case 9:
    case 10: return 8;
    default: return kKindUnset;
    }
}

CPathEntity* PathCombineAppend(CPathEntity* e, CPathCombine* c)
{
    if (!e || !c) return nullptr;
    if (e->kind == kKindUnset) e->kind = PathKindOfOp(c->op);
    e->next = nullptr;
    e->prev = c->tail;
    if (c->tail)
        c->tail->next = e;
    else
        c->head = e;
    c->tail = e;
    return e;
}

CPathEntity* PathCombineInsert(CPathEntity* e, CPathCombine* c, CPathEntity* after)
{
    if (!e || !c) return nullptr;
    if (!c->head) return PathCombineAppend(e, c);
    if (e->kind == kKindUnset) e->kind = PathKindOfOp(c->op);
    if (!after) {
        e->prev = nullptr;
        e->next = c->head;
        c->head->prev = e;
        c->head = e;
        return e;
    }
    e->prev = after;
    e->next = after->next;
    if (after->next)
        after->next->prev = e;
    else
        c->tail = e;
    after->next = e;
    return e;
}

void PathCombineClear(CPathCombine* c)
{
    if (!c) return;
    DeleteChain(c->head);
    c->head = c->tail = nullptr;
}

void AddCurveToPathCombine(CSmartCurve* curve, CPathCombine* c, int deleteCurve, double z)
{
    if (!curve) return;
    if (c && curve->head) {
        std::vector<double> buf;
        buf.reserve(3 * kMaxPLinePoints);
        double p[2];
        curve->head->GetPoint(0, p);
        buf.insert(buf.end(), {p[0], p[1], z});
        for (CSmartSect* s = curve->head; s; s = s->next) {
            if (buf.size() / 3 == std::size_t(kMaxPLinePoints)) FlushPoints(buf, c);
            bool chord = true;
            if (s->IsSectArc()) {
                double pts[kArcChordCapacity][2];
                chord = DiscretizeArcSect(pts, kArcChordCapacity, kArcChordTol, static_cast<CSmartArc*>(s)) <= 1;
            }
            s->GetPoint(1, p);
            if (!chord) {
                FlushPoints(buf, c);
                auto* arc = new CPathArc3D;
                SetPathArcFromSmartArc(z, static_cast<CSmartArc*>(s), arc);
                PathCombineAppend(arc, c);
                buf.clear();
            }
            buf.insert(buf.end(), {p[0], p[1], z});
        }
        FlushPoints(buf, c);
    }
    if (deleteCurve) delete curve;
}

// ---------------------------------------------------------------- groups

CPathGroup::CPathGroup(short groupKind) : kind(groupKind) {}

CPathGroup::~CPathGroup() { PathGroupClear(this); }

void PathGroupClear(CPathGroup* g)
{
    if (!g) return;
    DeleteChain(g->head);
    g->head = g->tail = nullptr;
}

void PathGroupAppend(double z, CPathGroup* g, CPathCombine* chain)
{
    if (!g || !chain) return;
    if (g->tail)
        g->tail->next = chain;
    else
        g->head = chain;
    for (CPathCombine* c = chain; c; c = c->next) {
        ForEachEntity(c, [z](CPathEntity* e) { e->Move(0.0, 0.0, -z); });
        g->tail = c;
    }
}

void PathGroupRotate(double angle, CPathGroup* g)
{
    if (!g) return;
    const double c = std::cos(angle), s = std::sin(angle);
    ForEachEntity(g, [c, s](CPathEntity* e) { e->RotateZ(c, s); });
}

void PathGroupRotateBack(double angle, CPathGroup* g)
{
    if (!g) return;
    const double c = std::cos(-angle), s = std::sin(-angle);
    ForEachEntity(g, [c, s](CPathEntity* e) { e->RotateX(c, s); });
}

CGeCurve3d* PathArcToGeArc3d(const CPathArc3D* arc)
{
    if (!arc) return nullptr;
    const double tol = gGetCrvDiscTol();
    double x[3], y[3], z[3];
    if (!arc->HeightAxis(z)) return nullptr;
    // A database arc cannot rise: a helix is written as its polyline.
    if (arc->pitch != 0.0) return HelixToPolyline(arc, tol);
    const double s = arc->startAngle, cs = std::cos(s), sn = std::sin(s);
    switch (arc->plane) {
    case kArcPlaneXY:
        P3D_Set(x, cs, sn, 0);
        P3D_Set(y, -sn, cs, 0);
        break;
    case kArcPlaneYZ:
        P3D_Set(x, 0, cs, sn);
        P3D_Set(y, 0, -sn, cs);
        break;
    case kArcPlaneZX:
        P3D_Set(x, sn, 0, cs);
        P3D_Set(y, cs, 0, -sn);
        break;
    default: {
        // The frame rows turned to the start angle: X at the start, Y a quarter turn on.
        const double* f = arc->frame.get();
        for (int i = 0; i < 3; ++i) {
            x[i] = cs * f[i] + sn * f[3 + i];
            y[i] = -sn * f[i] + cs * f[3 + i];
        }
        V3D_Cross(x, y, z);
        V3D_Unit(z, kUnitTol);
        break;
    }
    }
    auto* ge = new CGeArc3d;
    ge->m_radius = arc->radius;
    ge->m_sweep = arc->endAngle - arc->startAngle;
    P3D_Copy(x, ge->m_frame.X);
    P3D_Copy(y, ge->m_frame.Y);
    P3D_Copy(z, ge->m_frame.Z);
    P3D_Copy(arc->centre, ge->m_frame.O);
    ge->DiscreteMe(tol);
    ge->CalcBox();
    return ge;
}

CGeCurve3d* PathPLineToGePolyline3d(const CPathPLine3D* pl)
{
    if (!pl || pl->PointCount() < 2) return nullptr;
    const int m = pl->PointCount();
    auto* ge = new CGePolyline3d(m, pl->axes ? 1 : 0);
    std::copy(&pl->points[0][0], &pl->points[0][0] + 3 * m, &ge->m_strDisp.m_pPoints[0][0]);
    if (pl->axes) std::copy(&pl->axes[0][0], &pl->axes[0][0] + 3 * m, &ge->m_strDisp.m_pNormals[0][0]);
    ge->DiscreteMe(gGetCrvDiscTol());
    ge->CalcBox();
    return ge;
}

CDbPathGroup* PathGroupToDbPathGroup(CPathGroup* g)
{
    if (!g) return nullptr;
    auto db = std::make_unique<CDbPathGroup>();
    std::unique_ptr<CDbPathUnit> unit;
    auto closeUnit = [&] {
        unit->GetCurve()->CalcBox();
        db->m_listUnit.AddTail(unit.release());
    };
    for (CPathCombine* c = g->head; c; c = c->next) {
        for (CPathEntity* e = c->head; e; e = e->next) {
            double start[3];
            const int hasStart = e->GetEndPoint(0, start);
            if (hasStart && unit && !unit->GetCurve()->IsEmpty()) {
                double end[3];
                unit->GetCurve()->GetEndPoint(end);
                if (P3D_Dist(end, start) > kUnitGap) closeUnit();
            }
            if (!unit) unit = std::make_unique<CDbPathUnit>(new CGeCombCurve3d);
            CGeCurve3d* curve = nullptr;
            switch (e->type) {
            case kTypeLine: {
                auto* l = static_cast<CPathLine3D*>(e);
                curve = new CGeLine3d(l->start, l->end);
                break;
            }
            case kTypeArc: curve = PathArcToGeArc3d(static_cast<CPathArc3D*>(e)); break;
            case kTypePLine: curve = PathPLineToGePolyline3d(static_cast<CPathPLine3D*>(e)); break;
            default: break;
            }
            if (curve) unit->GetCurve()->m_listCurve.AddTail(curve);
        }
    }
    if (unit && !unit->GetCurve()->IsEmpty()) closeUnit();
    if (db->m_listUnit.IsEmpty()) return nullptr;
    return db.release();
}
