#include "toolpath/surfkernel/EdTrimBound.h"

#include "framework/numerak/Box2D.h"
#include "framework/numerak/Intersect2D.h"
#include "framework/numerak/Line2D.h"
#include "framework/numerak/PointString3D.h"
#include "framework/numerak/Vector2D.h"
#include "geometry/shapes2d/GeCurve.h"
#include "geometry/shapes2d/GePolyline.h"
#include "geometry/shapes3d/GeTrimBnd.h"
#include "geometry/shapes3d/GeTrimSurf.h"
#include "toolpath/surfkernel/BoxSweep.h"
#include "toolpath/surfkernel/ChordThinning.h"
#include "toolpath/surfkernel/EdTrimSurf.h"

#include <cmath>
#include <cstring>
#include <new>
#include <vector>

namespace {

constexpr int kCurveSamples = 100;        // a general parameter curve gives 101 points
constexpr double kBoxMeetTol = 1e-8;      // boxes of crossing segments
constexpr double kSegmentRange = 1e-8;    // crossings this far beyond a segment still count
constexpr double kSharedEndTol = 1e-6;    // segments sharing an end cross there
constexpr double kSelfEndTol = 1e-8;      // the same for self-crossings
// The same crossing found twice (on the two segments that share the vertex it lies
// on) differs only by rounding. Two crossings with different bounds may lie closer
// than any modelling tolerance; merging them on one bound while the other bounds
// keep both would leave a piece that continues nowhere, and a face would be lost.
constexpr double kDupT = 1e-6, kDupUV = 1e-12;
constexpr double kOnPointTol = 1e-8;      // a position on a point, not between two
constexpr double kSubRefineTol = 1e-6;
constexpr double kUnitTol = 1e-6;

double Dist2(const double* a, const double* b) { return std::hypot(a[0] - b[0], a[1] - b[1]); }

double* NewPoints(int count) { return new (std::nothrow) double[3 * static_cast<size_t>(count)]; }

// The boxes of a bound's segments.
std::vector<BOX2<double>> SegmentBoxes(const CEdTrimBound& b)
{
    std::vector<BOX2<double>> boxes(b.nLast > 0 ? b.nLast : 0);
    for (int i = 0; i < b.nLast; ++i) boxes[i].Init(b.Point(i), b.Point(i + 1));
    return boxes;
}

bool InSegmentRange(double s) { return s >= -kSegmentRange && s <= 1.0 + kSegmentRange; }

}  // namespace

CEdTrimBound::CEdTrimBound()
{
    uvBox.InitEmpty();
    worldBox.InitEmpty();
}

CEdTrimBound::~CEdTrimBound()
{
    delete[] pts;
    delete[] worldPts;
    ClearIntPoint();
}

void CEdTrimBound::SetPoints(double* newPts, int count)
{
    delete[] pts;
    pts = newPts;
    nLast = count - 1;
    for (int k = 0; k < count; ++k) pts[3 * k + 2] = k;
    delete[] worldPts;
    worldPts = nullptr;
}

int CEdTrimBound::Create(CGeTrimBnd* bnd)
{
    if (bnd == nullptr || bnd->m_pUVCrv == nullptr) return 0;
    CGeCurve* c = bnd->m_pUVCrv;
    std::vector<double> uv;
    if (c->GetType() == 2) {
        double p[2], q[2];
        c->GetStartPoint(p);
        c->GetEndPoint(q);
        uv = {p[0], p[1], q[0], q[1]};
    } else if (c->GetType() == 64) {
        auto* poly = static_cast<CGePolyline*>(c);
        const int count = poly->GetSegmentCount() + 1;
        for (int i = 0; i < count; ++i) {
            double p[2];
            poly->GetPoint(i, p);
            uv.insert(uv.end(), {p[0], p[1]});
        }
    } else {
        for (int i = 0; i <= kCurveSamples; ++i) {
            double p[3] = {0, 0, 0};
            c->GetPointAt(i * 0.01, p, 1);
            uv.insert(uv.end(), {p[0], p[1]});
        }
    }
    const int count = static_cast<int>(uv.size() / 2);
    if (count < 1) return 0;
    double* np = NewPoints(count);
    if (np == nullptr) return 0;
    for (int k = 0; k < count; ++k) np[3 * k] = uv[2 * k], np[3 * k + 1] = uv[2 * k + 1];
    SetPoints(np, count);
    kind = BND_LOOP;
    CalcBox();
    return 1;
}

int CEdTrimBound::Create(CStrP3D* str, BOX2<double>)
{
    if (str == nullptr || str->m_pPoints == nullptr || str->m_nCount < 1) return 1;
    double* np = NewPoints(str->m_nCount);
    if (np == nullptr) return 1;
    for (int k = 0; k < str->m_nCount; ++k) np[3 * k] = str->m_pPoints[k][0], np[3 * k + 1] = str->m_pPoints[k][1];
    SetPoints(np, str->m_nCount);
    kind = BND_LOOP;
    return 1;
}

void CEdTrimBound::CalcBox()
{
    uvBox.InitEmpty();
    if (pts)
        for (int k = 0; k <= nLast; ++k) uvBox.Extend(Point(k));
    worldBox.InitEmpty();
    if (worldPts)
        for (int k = 0; k <= nLast; ++k) worldBox.Extend(worldPts + 3 * k);
}

int RemoveCollinearPoints(double (*pts)[2], int n, double tol, int& count)
{
    if (pts == nullptr || n < 2 || !(tol > 0.0)) return 0;
    const std::vector<int> kept = ThinChords(&pts[0][0], n, 2, ChordThinRule{tol / 10.0, 0.0});
    count = static_cast<int>(kept.size());
    if (count >= 1 && count < n)
        for (int k = 0; k < count; ++k) pts[k][0] = pts[kept[k]][0], pts[k][1] = pts[kept[k]][1];
    return 1;
}

void CEdTrimBound::Refine(double tol)
{
    if (pts == nullptr || nLast < 2) return;
    std::vector<double> uv(2 * static_cast<size_t>(nLast + 1));
    for (int k = 0; k <= nLast; ++k) uv[2 * k] = pts[3 * k], uv[2 * k + 1] = pts[3 * k + 1];
    int count = nLast + 1;
    RemoveCollinearPoints(reinterpret_cast<double(*)[2]>(uv.data()), nLast + 1, tol, count);
    if (count < 2 || count >= nLast + 1) return;
    double* np = NewPoints(count);
    if (np == nullptr) return;
    for (int k = 0; k < count; ++k) np[3 * k] = uv[2 * k], np[3 * k + 1] = uv[2 * k + 1];
    SetPoints(np, count);
}

void CEdTrimBound::ReverseDirect()
{
    if (pts)
        for (int k = 0, m = nLast; k < m; ++k, --m) {
            std::swap(pts[3 * k], pts[3 * m]);
            std::swap(pts[3 * k + 1], pts[3 * m + 1]);
        }
    if (side == 0)
        side = 1;
    else if (side == 1)
        side = 0;
}

double SegmentParam(const double* a, const double* b, const double* p)
{
    const double du = b[0] - a[0], dv = b[1] - a[1];
    return std::fabs(dv) < std::fabs(du) ? (p[0] - a[0]) / du : (p[1] - a[1]) / dv;
}

int CEdTrimBound::LineLineInt(const double* a0, const double* a1, const double* b0, const double* b1, double* out)
{
    BOX2<double> ba, bb;
    ba.Init(a0, a1);
    bb.Init(b0, b1);
    if (ba.xmax < bb.xmin || bb.xmax < ba.xmin || ba.ymax < bb.ymin || bb.ymax < ba.ymin) return 0;
    double x[3];
    if (Dist2(a0, b0) < kSharedEndTol || Dist2(a0, b1) < kSharedEndTol) {
        std::memcpy(x, a0, sizeof x);
    } else if (Dist2(a1, b0) < kSharedEndTol || Dist2(a1, b1) < kSharedEndTol) {
        std::memcpy(x, a1, sizeof x);
    } else {
        double p[2];
        if (Isect_LineLineEx(a0, a1, b0, b1, 1e-12, 1e-8, p) != 1) return 0;
        x[0] = p[0], x[1] = p[1], x[2] = 0.0;
    }
    const double s = SegmentParam(a0, a1, x), r = SegmentParam(b0, b1, x);
    if (!(s >= 0.0 && s <= 1.0 && r >= 0.0 && r <= 1.0)) return 0;
    if (!(x[0] >= 0.0 && x[0] <= 1.0 && x[1] >= 0.0 && x[1] <= 1.0)) return 0;
    std::memcpy(out, x, sizeof x);
    return 1;
}

int CEdTrimBound::BoundBoundInt(CEdTrimBound* other, bool forceBoth)
{
    if (other == nullptr || pts == nullptr || other->pts == nullptr) return 0;
    if (!BOX2D_IsInt(uvBox, other->uvBox, kBoxMeetTol)) return 0;
    const bool keepHere = kind != 0 || forceBoth, keepThere = other->kind != 0 || forceBoth;
    int accepted = 0;
    boxsweep::Pairs(SegmentBoxes(*this), SegmentBoxes(*other), kBoxMeetTol, [&](int i, int j) {
        const double *a0 = Point(i), *a1 = Point(i + 1), *b0 = other->Point(j), *b1 = other->Point(j + 1);
        double x[2];
        if (Isect_LineLineEx(a0, a1, b0, b1, 1e-12, 1e-8, x) != 1) return;
        const double s = SegmentParam(a0, a1, x), r = SegmentParam(b0, b1, x);
        if (!InSegmentRange(s) || !InSegmentRange(r)) return;
        ++accepted;
        if (keepHere) {
            double here[3] = {x[0], x[1], i + s};
            AddIntPoint(here);
        }
        if (keepThere) {
            double there[3] = {x[0], x[1], j + r};
            other->AddIntPoint(there);
        }
    });
    return accepted > 0 ? 1 : 0;
}

int CEdTrimBound::BoundSelfInt()
{
    if (pts == nullptr || nLast < 3) return 1;
    boxsweep::SelfPairs(SegmentBoxes(*this), 0.0, [&](int i, int j) {
        if (j < i + 2) return;
        const double *a0 = Point(i), *a1 = Point(i + 1), *b0 = Point(j), *b1 = Point(j + 1);
        double x[2];
        if (Dist2(a0, b0) < kSelfEndTol || Dist2(a0, b1) < kSelfEndTol) {
            x[0] = a0[0], x[1] = a0[1];
        } else if (Dist2(a1, b0) < kSelfEndTol || Dist2(a1, b1) < kSelfEndTol) {
            x[0] = a1[0], x[1] = a1[1];
        } else if (Isect_LineLineEx(a0, a1, b0, b1, 1e-8, 1e-8, x) != 1) {
            return;
        }
        const double s = SegmentParam(a0, a1, x), r = SegmentParam(b0, b1, x);
        if (!(s >= 0.0 && s <= 1.0 && r >= 0.0 && r <= 1.0)) return;
        double first[3] = {x[0], x[1], i + s}, second[3] = {x[0], x[1], j + r};
        AddIntPoint(first);
        AddIntPoint(second);
    });
    return 1;
}

int CEdTrimBound::AddIntPoint(double* uvt)
{
    if (uvt[2] < 0.0) uvt[2] = 0.0;
    if (uvt[2] > nLast) uvt[2] = nLast;
    CEdIntNode* before = nullptr;
    CEdIntNode* at = intHead;
    for (; at != nullptr; before = at, at = at->next) {
        if (std::fabs(at->t - uvt[2]) < kDupT && Dist2(&at->u, uvt) < kDupUV) return 0;
        if (at->t > uvt[2]) break;
    }
    auto* node = new (std::nothrow) CEdIntNode{uvt[0], uvt[1], uvt[2], at};
    if (node == nullptr) return 0;
    (before ? before->next : intHead) = node;
    if (at == nullptr) intTail = node;
    return 1;
}

int CEdTrimBound::IntCount() const
{
    int n = 0;
    for (CEdIntNode* c = intHead; c; c = c->next) ++n;
    return n;
}

CEdTrimBound* CEdTrimBound::BreakBound(bool refine)
{
    if (intHead == nullptr) return CopyMyself();
    if (pts == nullptr) return nullptr;
    if (extendMode == 0 || extendMode == 2) {
        double first[3] = {pts[0], pts[1], 0.0};
        AddIntPoint(first);
    }
    if (extendMode == 0 || extendMode == 1) {
        double last[3] = {Point(nLast)[0], Point(nLast)[1], static_cast<double>(nLast)};
        AddIntPoint(last);
    }
    CEdTrimBound *head = nullptr, *tail = nullptr;
    for (CEdIntNode* c = intHead; c && c->next; c = c->next) {
        const double from[3] = {c->u, c->v, c->t}, to[3] = {c->next->u, c->next->v, c->next->t};
        CEdTrimBound* piece = GetSubBound(from, to, refine);
        if (piece == nullptr) continue;
        piece->prev = tail;
        AppendChain(head, tail, piece);
    }
    return head;
}

CEdTrimBound* CEdTrimBound::GetSubBound(const double* from, const double* to, bool refine)
{
    if (pts == nullptr) return nullptr;
    const int a = static_cast<int>(to[2]), b = static_cast<int>(from[2]);
    if (a - b + 1 <= 0 || a > nLast || b < 0) return nullptr;
    const bool fromOnPoint = std::fabs(from[2] - b) < kOnPointTol;
    const int first = fromOnPoint ? b : b + 1;
    const int slot0 = fromOnPoint ? 0 : 1;
    const bool toOnPoint = std::fabs(to[2] - a) < kOnPointTol;
    int count = slot0 + (a >= first ? a - first + 1 : 0);
    if (count < 1) count = 1;  // slot 0 alone
    if (!toOnPoint) ++count;
    double* np = NewPoints(count);
    if (np == nullptr) return nullptr;
    int k = slot0;
    for (int i = first; i <= a; ++i, ++k) np[3 * k] = Point(i)[0], np[3 * k + 1] = Point(i)[1];
    if (k == 0) k = 1;  // nothing copied: slot 0 stands for the start
    np[0] = from[0], np[1] = from[1];
    if (toOnPoint) {
        np[3 * (k - 1)] = to[0], np[3 * (k - 1) + 1] = to[1];
    } else {
        np[3 * k] = to[0], np[3 * k + 1] = to[1];
        ++k;
    }
    auto* piece = new (std::nothrow) CEdTrimBound;
    if (piece == nullptr) {
        delete[] np;
        return nullptr;
    }
    piece->SetPoints(np, k);
    piece->kind = kind;
    piece->side = side;
    if (piece->nLast <= 0) {
        delete piece;
        return nullptr;
    }
    piece->CalcBox();
    if (refine) piece->Refine(kSubRefineTol);
    return piece;
}

CEdTrimBound* CEdTrimBound::CopyMyself()
{
    auto* copy = new (std::nothrow) CEdTrimBound;
    if (copy == nullptr) return nullptr;
    if (pts != nullptr && nLast != 0) {
        copy->pts = NewPoints(nLast + 1);
        if (copy->pts == nullptr) {
            delete copy;
            return nullptr;
        }
        std::memcpy(copy->pts, pts, sizeof(double) * 3 * static_cast<size_t>(nLast + 1));
        copy->nLast = nLast;
    }
    copy->uvBox = uvBox;
    copy->kind = kind;
    copy->side = side;
    return copy;
}

void CEdTrimBound::GetMidPoint(double* uv)
{
    if (pts == nullptr || nLast < 1) return;
    const int i = nLast / 2;
    uv[0] = 0.5 * (Point(i)[0] + Point(i + 1)[0]);
    uv[1] = 0.5 * (Point(i)[1] + Point(i + 1)[1]);
}

int CEdTrimBound::GetTangent(int atEnd, double* point, double* dir)
{
    if (pts == nullptr || nLast < 1) return 0;
    const double* p = atEnd == 0 ? Point(0) : Point(nLast);
    const double* q = atEnd == 0 ? Point(1) : Point(nLast - 1);
    point[0] = p[0], point[1] = p[1];
    dir[0] = atEnd == 0 ? q[0] - p[0] : p[0] - q[0];
    dir[1] = atEnd == 0 ? q[1] - p[1] : p[1] - q[1];
    V2D_Unit(dir, kUnitTol);
    return 1;
}

int CEdTrimBound::GetEndPoint(double* start, double* end)
{
    if (pts == nullptr || nLast < 1) return 0;
    start[0] = pts[0], start[1] = pts[1];
    end[0] = Point(nLast)[0], end[1] = Point(nLast)[1];
    return 1;
}

void CEdTrimBound::SetStartPoint(double u, double v)
{
    if (pts == nullptr || nLast < 1) return;
    pts[0] = u, pts[1] = v;
    startFixed = 1;
}

void CEdTrimBound::SetEndPoint(double u, double v)
{
    if (pts == nullptr || nLast < 1) return;
    Point(nLast)[0] = u, Point(nLast)[1] = v;
    endFixed = 1;
}

double CEdTrimBound::GetLength()
{
    if (pts == nullptr || nLast < 1) return 0.0;
    double len = 0.0;
    for (int k = 0; k < nLast; ++k) len += Dist2(Point(k), Point(k + 1));
    return len;
}

void CEdTrimBound::GetExTendFlag(bool& start, bool& end, CEdTrimSurf* surf)
{
    if (surf == nullptr) return;
    start = end = true;
    if (pts == nullptr) return;
    if (startFixed || surf->IsPointIn(Point(0)) != 0) start = false;
    if (endFixed || surf->IsPointIn(Point(nLast)) != 0) end = false;
}

void CEdTrimBound::ClearIntPoint()
{
    DeleteChain(intHead);
    intTail = nullptr;
}

int CEdTrimBound::Extend(CEdTrimSurf* surf, bool atStart, bool atEnd)
{
    if (surf == nullptr || surf->surf == nullptr || pts == nullptr) return 0;
    const double closeTol = surf->GetMinCloseTol();
    BOX2<double> box;
    surf->surf->GetUVBox(&box);
    const double diag = std::hypot(box.xmax - box.xmin, box.ymax - box.ymin);
    // Closure: the start-only extension judges it in 3D (and only with world points).
    bool closes = false;
    if (atStart && !atEnd) {
        if (worldPts) {
            const double* w0 = worldPts;
            const double* w1 = worldPts + 3 * nLast;
            closes = std::sqrt((w0[0] - w1[0]) * (w0[0] - w1[0]) + (w0[1] - w1[1]) * (w0[1] - w1[1]) +
                               (w0[2] - w1[2]) * (w0[2] - w1[2])) < closeTol;
        }
    } else {
        closes = Dist2(Point(0), Point(nLast)) < closeTol;
    }
    if (closes) {
        pts[0] = Point(nLast)[0], pts[1] = Point(nLast)[1];
        return 0;
    }
    if (nLast < 1) return 0;
    double n0[2] = {0, 0}, n1[2] = {0, 0};
    if (atStart) {
        double d[2] = {Point(0)[0] - Point(1)[0], Point(0)[1] - Point(1)[1]};
        if (!V2D_Unit(d, kUnitTol)) return 0;
        n0[0] = Point(1)[0] + diag * d[0], n0[1] = Point(1)[1] + diag * d[1];
    }
    if (atEnd) {
        double d[2] = {Point(nLast)[0] - Point(nLast - 1)[0], Point(nLast)[1] - Point(nLast - 1)[1]};
        if (!V2D_Unit(d, kUnitTol)) return 0;
        n1[0] = Point(nLast - 1)[0] + diag * d[0], n1[1] = Point(nLast - 1)[1] + diag * d[1];
    }
    const int oldCount = nLast + 1, count = oldCount + (atStart ? 1 : 0) + (atEnd ? 1 : 0);
    double* np = NewPoints(count);
    if (np == nullptr) return 0;
    const int shift = atStart ? 1 : 0;
    for (int k = 0; k < oldCount; ++k) np[3 * (k + shift)] = pts[3 * k], np[3 * (k + shift) + 1] = pts[3 * k + 1];
    if (atStart) np[0] = n0[0], np[1] = n0[1];
    if (atEnd) np[3 * (count - 1)] = n1[0], np[3 * (count - 1) + 1] = n1[1];
    const int oldLast = nLast;
    SetPoints(np, count);
    kind = BND_EXTENDED;
    extendMode = atStart && atEnd ? 3 : (atStart ? 1 : 2);
    if (atStart) {
        double c[3] = {Point(1)[0], Point(1)[1], 1.0};
        AddIntPoint(c);
    }
    if (atEnd) {
        double c[3] = {Point(oldLast + shift)[0], Point(oldLast + shift)[1], static_cast<double>(oldLast + shift)};
        AddIntPoint(c);
    }
    return 1;
}

int CEdTrimBound::ExtendBoundBegin(CEdTrimSurf* surf) { return Extend(surf, true, false); }
int CEdTrimBound::ExtendBoundEnd(CEdTrimSurf* surf) { return Extend(surf, false, true); }
int CEdTrimBound::ExtendBoundBoth(CEdTrimSurf* surf) { return Extend(surf, true, true); }

void CEdTrimBound::TrimIntBound()
{
    if (kind != BND_EXTENDED || intHead == nullptr) return;
    if (extendMode == 1 || extendMode == 3) {
        // Of the crossings on the added start segment only the last (nearest the old start) stays.
        CEdIntNode* lastBelow = nullptr;
        for (CEdIntNode* c = intHead; c && c->t < 1.0; c = c->next) lastBelow = c;
        if (lastBelow)
            while (intHead != lastBelow) {
                CEdIntNode* n = intHead->next;
                delete intHead;
                intHead = n;
            }
    }
    if (extendMode == 2 || extendMode == 3) {
        CEdIntNode* first = nullptr;
        for (CEdIntNode* c = intHead; c; c = c->next)
            if (c->t > nLast - 1) {
                first = c;
                break;
            }
        if (first) {
            DeleteChain(first->next);
            intTail = first;
        }
    }
}

void CEdTrimBound::CalWorldPoint(CGeTrimSurf* surf)
{
    if (surf == nullptr || pts == nullptr) return;
    auto* w = new (std::nothrow) double[3 * static_cast<size_t>(nLast + 1)];
    if (w == nullptr) return;
    for (int k = 0; k <= nLast; ++k)
        if (!surf->GetPoint(Point(k)[0], Point(k)[1], w + 3 * k)) w[3 * k] = w[3 * k + 1] = w[3 * k + 2] = 0.0;
    delete[] worldPts;
    worldPts = w;
    CalcBox();
}
