#include "toolpath/contours/PathEntity.h"

#include "framework/numerak/Point3D.h"
#include "toolpath/contours/SmartSect.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <new>

using namespace pathc;

namespace {

void RotZ(double c, double s, double* p)
{
    const double x = p[0], y = p[1];
    p[0] = c * x - s * y;
    p[1] = s * x + c * y;
}

void RotX(double c, double s, double* p)
{
    const double y = p[1], z = p[2];
    p[2] = c * z - s * y;
    p[1] = c * y + s * z;
}

// A polyline of n points (count n - 1), with an axis array when asked; contents zero.
CPathPLine3D* NewPLine(int n, bool withAxes)
{
    auto* pl = new CPathPLine3D;
    pl->count = n - 1;
    pl->points = std::make_unique<double[][3]>(n);
    if (withAxes) pl->axes = std::make_unique<double[][3]>(n);
    return pl;
}

// Writes point (and axis) i of src into slot j of dst.
void PutPoint(CPathPLine3D& dst, int j, const CPathPLine3D& src, int i)
{
    P3D_Copy(src.points[i], dst.points[j]);
    if (dst.axes && src.axes) P3D_Copy(src.axes[i], dst.axes[j]);
}

// Axis between a and b at f: the direction turns and the length changes linearly, so
// unit axes stay unit.
void LerpAxis(const double* a, const double* b, double f, double* out)
{
    double v[3];
    P3D_Lerp(a, b, f, v);
    const double len = V3D_Len(v);
    const double want = (1.0 - f) * V3D_Len(a) + f * V3D_Len(b);
    if (len > 0.0) {
        for (double& c : v) c *= want / len;
    }
    P3D_Copy(v, out);
}

}  // namespace

// ---------------------------------------------------------------- CPathEntity

int CPathEntity::SplitAt(double, CPathEntity*&, CPathEntity*&) { return 0; }

bool CPathEntity::SplitNearEnds(double len, CPathEntity*& first, CPathEntity*& second)
{
    const double total = GetLength();
    if (len < kSplitEnd) {
        first = nullptr;
        second = Copy();
        return true;
    }
    if (len > total - kSplitEnd) {
        first = Copy();
        second = nullptr;
        return true;
    }
    return false;
}

// ---------------------------------------------------------------- CPathLine3D

CPathLine3D::CPathLine3D(const double* s, const double* e) : CPathEntity(kTypeLine)
{
    P3D_Copy(s, start);
    P3D_Copy(e, end);
}

void CPathLine3D::RotateZ(double c, double s)
{
    RotZ(c, s, start);
    RotZ(c, s, end);
}

void CPathLine3D::RotateX(double c, double s)
{
    RotX(c, s, start);
    RotX(c, s, end);
}

void CPathLine3D::Move(double dx, double dy, double dz)
{
    const double d[3] = {dx, dy, dz};
    V3D_Add(start, d, start);
    V3D_Add(end, d, end);
}

double CPathLine3D::GetLength() { return P3D_Dist2D(start, end); }

CPathPLine3D* CPathLine3D::ToAndFro(int n)
{
    if (n <= 0) return nullptr;
    CPathPLine3D* pl = NewPLine(2 * n + 1, false);
    for (int i = 0; i <= 2 * n; ++i) P3D_Copy(i % 2 ? end : start, pl->points[i]);
    return pl;
}

int CPathLine3D::SplitAt(double len, CPathEntity*& first, CPathEntity*& second)
{
    if (SplitNearEnds(len, first, second)) return 1;
    double m[3];
    P3D_Lerp(start, end, len / GetLength(), m);
    auto* a = static_cast<CPathLine3D*>(Copy());
    auto* b = static_cast<CPathLine3D*>(Copy());
    P3D_Copy(m, a->end);
    P3D_Copy(m, b->start);
    first = a;
    second = b;
    return 1;
}

void CPathLine3D::SetZ(double z) { start[2] = end[2] = z; }

void CPathLine3D::LowerEnd(double d) { end[2] = start[2] - d; }

int CPathLine3D::GetEndPoint(int atEnd, double* out)
{
    P3D_Copy(atEnd ? end : start, out);
    return 1;
}

int CPathLine3D::GetNormalXY(int, double* out)
{
    double n[2] = {start[1] - end[1], end[0] - start[0]};
    if (!V2D_Unit(n, kUnitTol)) return 0;
    out[0] = n[0];
    out[1] = n[1];
    return 1;
}

int CPathLine3D::GetUnitDir(int, double* out)
{
    double d[3];
    V3D_Sub(end, start, d);
    if (!V3D_Unit(d, kUnitTol)) return 0;
    P3D_Copy(d, out);
    return 1;
}

CPathEntity* CPathLine3D::Copy()
{
    auto* c = new CPathLine3D(start, end);
    c->kind = kind;
    return c;
}

int CPathLine3D::Reverse()
{
    P3D_Swap(start, end);
    return 1;
}

int CPathLine3D::NearestXY(const double* p, double* out, double& dist)
{
    CSmartLine seg(start, end);
    double foot[2];
    dist = seg.MinDistPoint(p, foot);
    P3D_Set(out, foot[0], foot[1], p[2]);
    return 1;
}

// ---------------------------------------------------------------- CPathArc3D

int CPathArc3D::HeightAxis(double* out) const
{
    switch (plane) {
    case kArcPlaneXY: P3D_Set(out, 0, 0, 1); return 1;
    case kArcPlaneYZ: P3D_Set(out, 1, 0, 0); return 1;
    case kArcPlaneZX: P3D_Set(out, 0, 1, 0); return 1;
    default:
        if (!frame) return 0;
        P3D_Copy(&frame[6], out);
        return 1;
    }
}

void CPathArc3D::RotateZ(double c, double s)
{
    if (plane != kArcPlaneXY) return;
    RotZ(c, s, centre);
    const double sweep = endAngle - startAngle;
    double dir[3] = {std::cos(startAngle), std::sin(startAngle), 0.0};
    RotZ(c, s, dir);
    startAngle = std::atan2(dir[1], dir[0]);
    endAngle = startAngle + sweep;
}

void CPathArc3D::Move(double dx, double dy, double dz)
{
    const double d[3] = {dx, dy, dz};
    V3D_Add(centre, d, centre);
}

double CPathArc3D::GetLength() { return std::fabs(endAngle - startAngle) * radius; }

int CPathArc3D::SplitAt(double len, CPathEntity*& first, CPathEntity*& second)
{
    if (SplitNearEnds(len, first, second)) return 1;
    const double f = len / GetLength();
    const double mid = startAngle + f * (endAngle - startAngle);
    auto* a = static_cast<CPathArc3D*>(Copy());
    auto* b = static_cast<CPathArc3D*>(Copy());
    a->endAngle = mid;
    b->startAngle = mid;
    // A helix shares its rise: the second piece starts where the first one ends.
    a->pitch = pitch * f;
    b->pitch = pitch * (1.0 - f);
    double h[3];
    if (pitch != 0.0 && HeightAxis(h)) {
        for (int i = 0; i < 3; ++i) b->centre[i] += pitch * f * h[i];
    }
    first = a;
    second = b;
    return 1;
}

void CPathArc3D::LowerEnd(double d) { pitch -= d; }

int CPathArc3D::GetEndPoint(int atEnd, double* out) { return PathArcPointAt(this, out, atEnd ? 1.0 : 0.0); }

int CPathArc3D::GetNormalXY(int atEnd, double* out)
{
    double p[3];
    if (!GetEndPoint(atEnd, p)) return 0;
    double n[2] = {p[0] - centre[0], p[1] - centre[1]};
    if (IsCounterClockwise()) {
        n[0] = -n[0];
        n[1] = -n[1];
    }
    if (!V2D_Unit(n, kUnitTol)) return 0;
    out[0] = n[0];
    out[1] = n[1];
    return 1;
}

int CPathArc3D::GetUnitDir(int atEnd, double* out)
{
    const double a = atEnd ? endAngle : startAngle;
    if (IsCounterClockwise())
        P3D_Set(out, -std::sin(a), std::cos(a), 0.0);
    else
        P3D_Set(out, std::sin(a), -std::cos(a), 0.0);
    return 1;
}

CPathEntity* CPathArc3D::Copy()
{
    auto* c = new CPathArc3D;
    c->kind = kind;
    c->plane = plane;
    P3D_Copy(centre, c->centre);
    c->radius = radius;
    c->startAngle = startAngle;
    c->endAngle = endAngle;
    c->pitch = pitch;
    if (frame) {
        c->frame = std::make_unique<double[]>(9);
        std::copy(frame.get(), frame.get() + 9, c->frame.get());
    }
    return c;
}

int CPathArc3D::Reverse()
{
    std::swap(startAngle, endAngle);
    // A helix run backwards starts at its old end height and descends.
    double h[3];
    if (pitch != 0.0 && HeightAxis(h)) {
        for (int i = 0; i < 3; ++i) centre[i] += pitch * h[i];
        pitch = -pitch;
    }
    return 1;
}

int CPathArc3D::NearestXY(const double* p, double* out, double& dist)
{
    if (plane != kArcPlaneXY) return 0;
    CSmartArc arc(centre, radius, startAngle, endAngle);
    double foot[2];
    dist = arc.MinDistPoint(p, foot);
    P3D_Set(out, foot[0], foot[1], p[2]);
    return 1;
}

int PathArcPointAt(const CPathArc3D* arc, double* out, double t)
{
    const double a = arc->startAngle + t * (arc->endAngle - arc->startAngle);
    const double h = t * arc->pitch;
    const double rc = arc->radius * std::cos(a), rs = arc->radius * std::sin(a);
    const double* c = arc->centre;
    switch (arc->plane) {
    case kArcPlaneXY: P3D_Set(out, c[0] + rc, c[1] + rs, c[2] + h); return 1;
    case kArcPlaneYZ: P3D_Set(out, c[0] + h, c[1] + rc, c[2] + rs); return 1;
    case kArcPlaneZX: P3D_Set(out, c[0] + rs, c[1] + h, c[2] + rc); return 1;
    default: {
        if (!arc->frame) return 0;
        const double* f = arc->frame.get();
        for (int i = 0; i < 3; ++i) out[i] = c[i] + rc * f[i] + rs * f[3 + i] + h * f[6 + i];
        return 1;
    }
    }
}

int SetPathArcFromSmartArc(double z, CSmartArc* a, CPathArc3D* arc)
{
    arc->plane = kArcPlaneXY;
    P3D_Set(arc->centre, a->centre[0], a->centre[1], z);
    arc->radius = a->radius;
    arc->startAngle = a->startAngle;
    arc->endAngle = a->endAngle;
    arc->pitch = 0.0;
    arc->frame.reset();
    return 1;
}

// ---------------------------------------------------------------- CPathPLine3D

void CPathPLine3D::RotateZ(double c, double s)
{
    for (int i = 0; i < PointCount(); ++i) RotZ(c, s, points[i]);
}

void CPathPLine3D::RotateX(double c, double s)
{
    for (int i = 0; i < PointCount(); ++i) RotX(c, s, points[i]);
}

void CPathPLine3D::Move(double dx, double dy, double dz)
{
    const double d[3] = {dx, dy, dz};
    for (int i = 0; i < PointCount(); ++i) V3D_Add(points[i], d, points[i]);
}

double CPathPLine3D::GetLength()
{
    double sum = 0.0;
    for (int i = 1; i < PointCount(); ++i) sum += P3D_Dist2D(points[i - 1], points[i]);
    return sum;
}

CPathPLine3D* CPathPLine3D::ToAndFro(int n)
{
    if (n <= 0 || count < 1 || !points) return nullptr;
    const int m = count + 1;
    const bool closed = VEC_AbsDist(points[0], points[count], 2) <= kClosedEnds;
    CPathPLine3D* pl = NewPLine(n * m, axes != nullptr);
    int j = 0;
    for (int pass = 0; pass < n; ++pass) {
        const bool backward = !closed && pass % 2 == 1;
        for (int i = 0; i < m; ++i) PutPoint(*pl, j++, *this, backward ? m - 1 - i : i);
    }
    return pl;
}

int CPathPLine3D::SplitAt(double len, CPathEntity*& first, CPathEntity*& second)
{
    if (SplitNearEnds(len, first, second)) return 1;
    const int m = PointCount();
    double acc = 0.0;
    int seg = 0;
    for (; seg + 1 < m - 1; ++seg) {
        const double l = P3D_Dist2D(points[seg], points[seg + 1]);
        if (acc + l > len) break;
        acc += l;
    }
    // S on segment (seg, seg + 1) at the XY share of the rest, interpolated in 3D.
    const double l = P3D_Dist2D(points[seg], points[seg + 1]);
    const double f = l > 0.0 ? std::clamp((len - acc) / l, 0.0, 1.0) : 0.0;
    double s[3], sAxis[3] = {0, 0, 0};
    P3D_Lerp(points[seg], points[seg + 1], f, s);
    if (axes) LerpAxis(axes[seg], axes[seg + 1], f, sAxis);
    const bool sAfterFirst = P3D_Dist(s, points[seg]) > kSplitVertex;
    const bool sBeforeSecond = P3D_Dist(s, points[seg + 1]) > kSplitVertex;

    auto piece = [&](int from, int to, bool sAtStart, bool sAtEnd) -> CPathEntity* {
        const int n = to - from + 1 + (sAtStart ? 1 : 0) + (sAtEnd ? 1 : 0);
        if (n < 2) return nullptr;
        CPathPLine3D* pl = NewPLine(n, axes != nullptr);
        pl->kind = kind;
        int j = 0;
        auto putS = [&] {
            P3D_Copy(s, pl->points[j]);
            if (pl->axes) P3D_Copy(sAxis, pl->axes[j]);
            ++j;
        };
        if (sAtStart) putS();
        for (int i = from; i <= to; ++i) PutPoint(*pl, j++, *this, i);
        if (sAtEnd) putS();
        return pl;
    };
    first = piece(0, seg, false, sAfterFirst);
    second = piece(seg + 1, m - 1, sBeforeSecond, false);
    return 1;
}

void CPathPLine3D::SetZ(double z)
{
    for (int i = 0; i < PointCount(); ++i) points[i][2] = z;
}

void CPathPLine3D::LowerEnd(double d)
{
    const int m = PointCount();
    const double total = GetLength();
    if (m < 2 || total < kLowerMinLength) return;
    double acc = 0.0;
    for (int i = 1; i < m - 1; ++i) {
        acc += P3D_Dist2D(points[i - 1], points[i]);
        points[i][2] -= d * acc / total;
    }
    points[m - 1][2] -= d;
}

int CPathPLine3D::GetEndPoint(int atEnd, double* out)
{
    if (PointCount() < 1) return 0;
    P3D_Copy(points[atEnd ? count : 0], out);
    return 1;
}

int CPathPLine3D::GetNormalXY(int atEnd, double* out)
{
    if (count < 1 || !points) return 0;
    const double* a = points[atEnd ? count - 1 : 0];
    const double* b = points[atEnd ? count : 1];
    double n[2] = {a[1] - b[1], b[0] - a[0]};
    if (!VEC_Normalize(n, 2)) return 0;
    out[0] = n[0];
    out[1] = n[1];
    return 1;
}

int CPathPLine3D::GetUnitDir(int atEnd, double* out)
{
    if (count < 1 || !points) return 0;
    double d[3];
    V3D_Sub(points[atEnd ? count : 1], points[atEnd ? count - 1 : 0], d);
    if (!VEC_Normalize(d, 2)) return 0;
    P3D_Copy(d, out);
    return 1;
}

CPathEntity* CPathPLine3D::Copy()
{
    const int m = PointCount();
    auto* pl = new CPathPLine3D;
    pl->kind = kind;
    if (m == 0) return pl;
    pl->count = count;
    pl->points = std::make_unique<double[][3]>(m);
    std::copy(&points[0][0], &points[0][0] + 3 * m, &pl->points[0][0]);
    if (axes) {
        pl->axes = std::make_unique<double[][3]>(m);
        std::copy(&axes[0][0], &axes[0][0] + 3 * m, &pl->axes[0][0]);
    }
    return pl;
}

int CPathPLine3D::Reverse()
{
    const int m = PointCount();
    for (int i = 0, j = m - 1; i < j; ++i, --j) {
        P3D_Swap(points[i], points[j]);
        if (axes) V3D_Swap(axes[i], axes[j]);
    }
    return 1;
}

int CPathPLine3D::NearestXY(const double* p, double* out, double& dist)
{
    CSmartLine seg;
    double best = dist, foot[2] = {0, 0};
    bool improved = false;
    for (int i = 1; i < PointCount(); ++i) {
        seg.start[0] = points[i - 1][0];
        seg.start[1] = points[i - 1][1];
        seg.end[0] = points[i][0];
        seg.end[1] = points[i][1];
        double f[2];
        const double d = seg.MinDistPoint(p, f);
        if (d < best) {
            best = d;
            foot[0] = f[0];
            foot[1] = f[1];
            improved = true;
        }
    }
    if (!improved) return 0;
    dist = best;
    P3D_Set(out, foot[0], foot[1], p[2]);
    return 1;
}

int SetPathPLinePoints(CPathPLine3D* pl, unsigned n, const double* src)
{
    if (!pl) return 0;
    pl->axes.reset();
    pl->points.reset();
    pl->count = 0;
    if (!src) return 0;
    if (n > unsigned(INT32_MAX - 1)) return 0;
    const std::size_t m = std::size_t(n) + 1;
    std::unique_ptr<double[][3]> pts(new (std::nothrow) double[m][3]);
    if (!pts) return 0;
    std::copy(src, src + 3 * m, &pts[0][0]);
    pl->points = std::move(pts);
    pl->count = int(n);
    return 1;
}
