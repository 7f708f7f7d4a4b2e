#include "toolpath/contours/NcPline.h"

#include "framework/looker/MemPool.h"
#include "framework/numerak/Point3D.h"
#include "framework/numerak/PointTypes.h"
#include "geometry/shapes2d/RefinePointStr.h"
#include "geometry/shapes3d/GePolyline3d.h"
#include "platform/core/Containers.h"
#include "toolpath/contours/PathConst.h"
#include "toolpath/contours/PathGroup.h"
#include "toolpath/contours/SectIntersect.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

using namespace pathc;

namespace {

CNcPoint* NewPoint(double x, double y, double z, double w)
{
    auto* p = new CNcPoint(x, y, z);
    p->w = w;
    return p;
}

void CopyXyz(const CNcPoint* p, double* out) { P3D_Set(out, p->x, p->y, p->z); }

// Crossings of the polygon's edges with the line through q along one axis (axis 0:
// the horizontal line y = q.y, crossings in x; axis 1: the vertical line x = q.x,
// crossings in y). Stores at most kMaxPolygonCrossings; `count` goes on counting, so
// that "exactly two" stays decidable for any vertex count.
struct Crossings {
    double c[kMaxPolygonCrossings];
    double z[kMaxPolygonCrossings];
    int stored = 0;
    int count = 0;
};

Crossings EdgeCrossings(const double* const* v, int n, const double* q, int axis, double dup)
{
    const int a = axis == 0 ? 1 : 0;  // coordinate the line fixes
    const int b = 1 - a;              // coordinate along the line
    Crossings out;
    for (int i = 0; i < n; ++i) {
        const double* p0 = v[i == 0 ? n - 1 : i - 1];
        const double* p1 = v[i];
        const double lo = std::min(p0[a], p1[a]), hi = std::max(p0[a], p1[a]);
        if (q[a] < lo || q[a] > hi || !(std::fabs(p1[a] - p0[a]) >= kEdgeMinSpan)) continue;
        const double s = (q[a] - p0[a]) / (p1[a] - p0[a]);
        // At the edge's end the crossing is that vertex exactly (a + 1 (b - a) may round
        // away from b), so a query on a vertex finds it and gets no height.
        const bool atEnd = q[a] == p1[a];
        const double c = atEnd ? p1[b] : p0[b] + s * (p1[b] - p0[b]);
        const double z = atEnd ? p1[2] : p0[2] + s * (p1[2] - p0[2]);
        bool duplicate = false;
        for (int k = 0; k < out.stored && !duplicate; ++k) duplicate = std::fabs(out.c[k] - c) < dup;
        if (duplicate) continue;
        ++out.count;
        if (out.stored < kMaxPolygonCrossings) {
            out.c[out.stored] = c;
            out.z[out.stored] = z;
            ++out.stored;
        }
    }
    return out;
}

// Height between the two crossings at coordinate c; none on or beyond a crossing.
double BetweenCrossings(const Crossings& x, double c)
{
    const double f = (c - x.c[0]) / (x.c[1] - x.c[0]);
    if (!(f > 0.0 && f < 1.0)) return kNoHeight;
    return x.z[0] + f * (x.z[1] - x.z[0]);
}

}  // namespace

// ---------------------------------------------------------------- CNcPoint

CNcPoint::CNcPoint(const CNcPoint& o) : contact(o.contact), x(o.x), y(o.y), z(o.z), w(o.w)
{
    if (o.axis) axis = std::make_unique<CVector3f>(*o.axis);
}

void DeleteNcPoint(CNcPoint* p) { delete p; }

int InterpolateNcPoint(double t, const CNcPoint* a, const CNcPoint* b, CNcPoint* out)
{
    if (!a || !b || !out) return 0;
    out->x = a->x + t * (b->x - a->x);
    out->y = a->y + t * (b->y - a->y);
    out->z = a->z + t * (b->z - a->z);
    out->w = a->w + t * (b->w - a->w);
    out->contact = kContactNone;
    return 1;
}

// ---------------------------------------------------------------- CNcPline

CNcPline::CNcPline() : CNcPointList(10) { box.InitEmpty(); }

CNcPline::~CNcPline() { DelAllPoint(); }

void CNcPline::AddTail(CNcPoint* p)
{
    if (p) CNcPointList::AddTail(p);
}

void CNcPline::AddHead(CNcPoint* p)
{
    if (p) CNcPointList::AddHead(p);
}

void CNcPline::AddTail(const double* xyz) { CNcPointList::AddTail(new CNcPoint(xyz[0], xyz[1], xyz[2])); }

void CNcPline::AddTail(CNcPointList* list)
{
    if (list && list != this) CNcPointList::AddTail(list);
}

int CNcPline::InsertBefore(CNcPoint* p, CNcPoint* before)
{
    if (!p) return 0;
    if (!before) {
        CNcPointList::AddTail(p);
        return 1;
    }
    POSITION pos = Find(before);
    if (!pos) return 0;
    CNcPointList::InsertBefore(pos, p);
    return 1;
}

int CNcPline::GetStartPoint(double* out) const
{
    if (IsEmpty() || !GetHead()) return 0;
    CopyXyz(GetHead(), out);
    return 1;
}

int CNcPline::GetEndPoint(double* out) const
{
    if (IsEmpty() || !GetTail()) return 0;
    CopyXyz(GetTail(), out);
    return 1;
}

void CNcPline::SetPointValue(int i, double v)
{
    if (unsigned(i) > 3u) return;
    for (CNcPoint* p : *this) {
        double* field[4] = {&p->x, &p->y, &p->z, &p->w};
        *field[i] = v;
    }
}

void CNcPline::CalcBox()
{
    if (IsEmpty()) return;
    box.InitEmpty();
    for (CNcPoint* p : *this) {
        const double q[3] = {p->x, p->y, p->z};
        box.Extend(q);
    }
    CopyXyz(GetHead(), startPt);
    CopyXyz(GetTail(), endPt);
}

void CNcPline::Reverse()
{
    if (IsEmpty()) return;
    std::vector<CNcPoint*> pts(begin(), end());
    POSITION pos = GetHeadPosition();
    for (auto it = pts.rbegin(); it != pts.rend(); ++it) {
        SetAt(pos, *it);
        GetNext(pos);
    }
    CopyXyz(GetHead(), startPt);
    CopyXyz(GetTail(), endPt);
}

void CNcPline::DelAllPoint()
{
    for (CNcPoint* p : *this) delete p;
    RemoveAll();
}

void CNcPline::Init(const double* p0, const double* p1, double step)
{
    DelAllPoint();
    AddTail(p0);
    const double d = P3D_Dist(p0, p1);
    if (d >= kInitCoincide && d >= step && step > 0.0 && std::isfinite(d / step)) {
        const double dt = step / d;
        for (double t = dt; t < 1.0; t += dt) {
            double p[3];
            P3D_Lerp(p0, p1, t, p);
            AddTail(p);
        }
    }
    AddTail(p1);
    CalcBox();
}

CNcPline* CNcPline::TrimByZValue(double z)
{
    auto* result = new CNcPline;
    const CNcPoint* prev = nullptr;
    for (POSITION pos = GetHeadPosition(); pos;) {
        const POSITION cur = pos;
        CNcPoint* q = GetNext(pos);
        if (!q) continue;
        if (prev && std::min(prev->z, q->z) < z && z < std::max(prev->z, q->z) && std::fabs(q->z - prev->z) > kTrimRise) {
            const double t = (z - prev->z) / (q->z - prev->z);
            const double x = prev->x + t * (q->x - prev->x), y = prev->y + t * (q->y - prev->y);
            const double w = prev->w + t * (q->w - prev->w);
            result->AddTail(NewPoint(x, y, z, z));
            CNcPointList::InsertBefore(cur, NewPoint(x, y, z, w));
        }
        if (q->z > z) {
            RemoveAt(cur);
            result->AddTail(q);
        } else {
            result->AddTail(NewPoint(q->x, q->y, z, z));
        }
        prev = q;
    }
    if (result->IsEmpty()) {
        delete result;
        return nullptr;
    }
    return result;
}

int CNcPline::AddToPathCombine(CPathCombine& comb)
{
    const int n = int(GetCount());
    if (n < 2) return 0;
    auto* pl = new CPathPLine3D;
    pl->count = n - 1;
    pl->points = std::make_unique<double[][3]>(n);
    int i = 0;
    for (CNcPoint* p : *this) {
        CopyXyz(p, pl->points[i]);
        if (p->axis) {
            // Zero-filled, so points without a vector give a zero axis.
            if (!pl->axes) pl->axes = std::make_unique<double[][3]>(n);
            P3D_Set(pl->axes[i], p->axis->dx, p->axis->dy, p->axis->dz);
        }
        ++i;
    }
    PathCombineAppend(pl, &comb);
    return 1;
}

CGePolyline3d* CNcPline::ConvertTo()
{
    const int n = int(GetCount());
    if (n < 2) return nullptr;
    auto fill = [this](double (*pts)[3]) {
        int i = 0;
        for (CNcPoint* p : *this) CopyXyz(p, pts[i++]);
    };
    auto* pl = new CGePolyline3d;
    if (void* scratch = gAlcMemPool(n * 24)) {
        auto* pts = static_cast<double(*)[3]>(scratch);
        fill(pts);
        pl->Create(n, pts);
        gFreMemPool();
    } else {
        std::vector<double> pts(3 * std::size_t(n));
        auto* rows = reinterpret_cast<double(*)[3]>(pts.data());
        fill(rows);
        pl->Create(n, rows);
    }
    return pl;
}

void CNcPline::RotateByXAxis(double angle)
{
    const double dir[3] = {1, 0, 0}, origin[3] = {0, 0, 0};
    for (CNcPoint* p : *this) {
        double q[3];
        CopyXyz(p, q);
        P3D_RotatePnt(dir, origin, angle, q, q);
        p->x = q[0];
        p->y = q[1];
        p->z = q[2];
    }
}

void CNcPline::WrapByXAxis(double r)
{
    if (r == 0.0) return;
    for (CNcPoint* p : *this) {
        const double a = p->y / r, z = p->z;
        p->y = z * std::sin(a);
        p->z = z * std::cos(a);
    }
    CalcBox();
}

void CNcPline::InsPoint(double step)
{
    if (!(step > 0.0) || !std::isfinite(step)) return;
    POSITION pos = GetHeadPosition();
    if (!pos) return;
    CNcPoint* p = GetNext(pos);
    while (pos) {
        const POSITION at = pos;
        CNcPoint* q = GetNext(pos);
        if (p && q) {
            const double d = std::hypot(q->x - p->x, q->y - p->y);
            const double k = std::min(std::ceil(d / step), double(kMaxInsertParts));
            for (int i = 1; i < int(k); ++i) {
                auto* m = new CNcPoint;
                InterpolateNcPoint(double(i) / k, p, q, m);
                CNcPointList::InsertBefore(at, m);
            }
        }
        p = q;
    }
}

void CNcPline::Simplify(double tol)
{
    const int n = int(GetCount());
    if (n < 3) return;
    // The coordinates side by side: the search runs over them, not over the list.
    std::vector<CNcPoint*> pts;
    std::vector<double> xyz;
    pts.reserve(n);
    xyz.reserve(3 * std::size_t(n));
    for (CNcPoint* p : *this) {
        pts.push_back(p);
        xyz.insert(xyz.end(), {p->x, p->y, p->z});
    }
    std::vector<char> kept(n, 0);
    // Ranges to simplify; the order they are taken in does not change the points kept.
    std::vector<std::pair<int, int>> todo{{0, n - 1}};
    while (!todo.empty()) {
        auto [first, last] = todo.back();
        todo.pop_back();
        kept[first] = kept[last] = 1;
        const double* a = &xyz[3 * std::size_t(first)];
        const double* b = &xyz[3 * std::size_t(last)];
        double best = 0.0;
        int at = -1;
        for (int i = first + 1; i < last; ++i) {
            const double d = PointToLineDistance3D(&xyz[3 * std::size_t(i)], a, b);
            if (d > best) {
                best = d;
                at = i;
            }
        }
        if (at > 0 && best > tol) {
            todo.emplace_back(at, last);
            todo.emplace_back(first, at);
        }
    }
    int i = 0;
    for (POSITION pos = GetHeadPosition(); pos; ++i) {
        const POSITION cur = pos;
        CNcPoint* p = GetNext(pos);
        if (kept[i]) {
            if (p) p->contact = kContactKept;
        } else {
            RemoveAt(cur);
            delete p;
        }
    }
}

void CNcPline::SimplifyEx(double tol)
{
    const int n = int(GetCount());
    if (n <= 2) return;
    CArray<tagPoint3d, tagPoint3d> pts;
    pts.SetSize(n);
    int i = 0;
    for (CNcPoint* p : *this) pts[i++] = tagPoint3d{p->x, p->y, p->z};
    RefinePointStr3D(tol, kRefineAngle, pts);
    DelAllPoint();
    for (INT_PTR k = 0; k < pts.GetSize(); ++k) CNcPointList::AddTail(NewPoint(pts[k].x, pts[k].y, pts[k].z, 0.0));
}

void DeleteNcPline(CNcPline* pl) { delete pl; }

void DeleteNcPlineList(CNcPlineList* list)
{
    if (!list) return;
    for (CNcPline* pl : *list) delete pl;
    list->RemoveAll();
}

CNcPlineGrp::CNcPlineGrp() : CNcPlineList(10) { box.InitEmpty(); }

CNcPlineGrp::~CNcPlineGrp() { DeleteNcPlineList(this); }

// ---------------------------------------------------------------- PolygonZAtXY

double PolygonZAtXY(const double* const* v, int n, const double* q)
{
    if (!v || !q || n < 1) return kNoHeight;
    for (int i = 0; i < n; ++i)
        if (!v[i]) return kNoHeight;
    const Crossings h = EdgeCrossings(v, n, q, 0, kCrossingDupX);
    if (h.count == 0) return kNoHeight;
    if (h.count == 2) return BetweenCrossings(h, q[0]);
    const Crossings vert = EdgeCrossings(v, n, q, 1, kCrossingDupY);
    if (vert.count != 2) return kNoHeight;
    return BetweenCrossings(vert, q[1]);
}
