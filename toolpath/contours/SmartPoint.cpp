#include "toolpath/contours/SmartPoint.h"

#include "framework/numerak/Point2D.h"
#include "toolpath/contours/CellGrid.h"
#include "toolpath/contours/ChainCross.h"
#include "toolpath/contours/SectIntersect.h"
#include "toolpath/contours/SmartConst.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <queue>
#include <tuple>
#include <vector>

using namespace smart;

CSmartPoint::CSmartPoint(const double* p) : x(p[0]), y(p[1]), t(p[2]) {}

CPointList::~CPointList() { ClearAll(); }

void CPointList::ClearAll()
{
    for (CSmartPoint* p = head; p;) {
        CSmartPoint* n = p->next;
        delete p;
        p = n;
    }
    head = tail = nullptr;
    count = 0;
}

int CPointList::AddPoint(CSmartPoint* p)
{
    if (!p)
        return 0;
    p->next = p->prev = nullptr;
    if (!head) {
        head = tail = p;
        count = 1;
        return 1;
    }
    for (CSmartPoint* q = head; q; q = q->next) {
        if (std::fabs(q->t - p->t) < kParamDuplicate) {
            delete p;
            return 0;
        }
        if (q->t > p->t) {
            InsertAfter(p, q->prev);
            return 1;
        }
    }
    InsertAfter(p, tail);
    return 1;
}

int CPointList::InsertAfter(CSmartPoint* p, CSmartPoint* after)
{
    if (!p)
        return 0;
    if (!after) {
        p->prev = nullptr;
        p->next = head;
        if (head)
            head->prev = p;
        else
            tail = p;
        head = p;
    } else {
        p->prev = after;
        p->next = after->next;
        if (after->next)
            after->next->prev = p;
        else
            tail = p;
        after->next = p;
    }
    ++count;
    return 1;
}

int CPointList::RemovePoint(CSmartPoint* p)
{
    if (!p)
        return 0;
    if (p->prev)
        p->prev->next = p->next;
    else
        head = p->next;
    if (p->next)
        p->next->prev = p->prev;
    else
        tail = p->prev;
    p->next = p->prev = nullptr;
    --count;
    return 1;
}

int CPointList::SortPoint()
{
    if (count <= 1)
        return 1;
    CSmartPoint* old = head;
    head = tail = nullptr;
    count = 0;
    while (old) {
        CSmartPoint* p = old;
        old = old->next;
        p->next = p->prev = nullptr;
        CSmartPoint* larger = head;
        while (larger && !(larger->t > p->t))
            larger = larger->next;
        if (larger)
            InsertAfter(p, larger->prev);
        else
            AddPoint(p);
    }
    return 1;
}

int CPointList::FindPoint(const double* p) const
{
    int i = 0;
    for (const CSmartPoint* q = head; q; q = q->next, ++i) {
        const double v[3] = {q->x, q->y, q->t};
        if (P3D_AbsDist(v, p) < kPointFind)
            return i;
    }
    return -1;
}

int CPointList::AddTail(const double* p)
{
    const int at = count;
    InsertAfter(new CSmartPoint(p), tail);
    return at;
}

CSmartPoint* CPointList::GetPoint(int i) const
{
    if (i < 0 || i >= count)
        return nullptr;
    CSmartPoint* p = head;
    while (p && i-- > 0)
        p = p->next;
    return p;
}

int CPointList::GetPoint(int i, double* out) const
{
    const CSmartPoint* p = GetPoint(i);
    if (!p)
        return 0;
    out[0] = p->x;
    out[1] = p->y;
    out[2] = p->t;
    return 1;
}

namespace {

// The crossing test of the uncrossing: both segments at least 0.001 long, exactly one
// meeting point, farther than 0.001 from all four ends.

void Bounds(const std::vector<const double*>& pts, double* min, double* max)
{
    min[0] = min[1] = HUGE_VAL;
    max[0] = max[1] = -HUGE_VAL;
    for (const double* p : pts) {
        if (!std::isfinite(p[0]) || !std::isfinite(p[1]))
            continue;
        min[0] = std::min(min[0], p[0]);
        min[1] = std::min(min[1], p[1]);
        max[0] = std::max(max[0], p[0]);
        max[1] = std::max(max[1], p[1]);
    }
    if (min[0] > max[0])
        min[0] = min[1] = max[0] = max[1] = 0;
}

// Reverses the run first..last of a chain linked by next/prev in place.
void ReverseRun(CSmartPoint* first, CSmartPoint* last)
{
    CSmartPoint* before = first->prev;
    CSmartPoint* after = last->next;
    for (CSmartPoint* p = first; p != after;) {
        CSmartPoint* n = p->next;
        std::swap(p->next, p->prev);
        p = n;
    }
    // The run now runs last .. first through next.
    last->prev = before;
    first->next = after;
    if (before)
        before->next = last;
    if (after)
        after->prev = first;
}

}  // namespace

// Finds the first crossing pair in scan order (segment i, then the smallest later
// segment j >= i + 2) through a grid of the segments, reverses it and scans again from
// the start, exactly as a plain pairwise scan would.
int CPointList::NoAutoInter(CSmartPoint* start)
{
    if (!start)
        return 0;
    std::vector<CSmartPoint*> pts;
    std::vector<const double*> xy;
    for (;;) {
        pts.clear();
        for (CSmartPoint* p = start; p; p = p->next)
            pts.push_back(p);
        const int m = static_cast<int>(pts.size()) - 1;  // segments
        if (m < 3)
            return 1;
        std::vector<std::array<double, 2>> c(pts.size());
        xy.clear();
        for (std::size_t i = 0; i < pts.size(); ++i) {
            c[i] = {pts[i]->x, pts[i]->y};
            xy.push_back(c[i].data());
        }
        double mn[2], mx[2];
        Bounds(xy, mn, mx);
        CellGrid grid(mn, mx, m);
        for (int j = 0; j < m; ++j)
            grid.ForSegment(xy[j], xy[j + 1], [&](int ix, int iy) { grid.Cell(ix, iy).push_back(j); });
        VisitStamp seen;
        int fi = -1, fj = -1;
        for (int i = 0; i + 2 < m && fi < 0; ++i) {
            seen.Begin();
            int best = -1;
            grid.ForSegment(xy[i], xy[i + 1], [&](int ix, int iy) {
                for (int j : grid.Cell(ix, iy)) {
                    if (j < i + 2 || (best >= 0 && j >= best) || !seen.First(j))
                        continue;
                    if (ChainSegmentsCross(xy[i], xy[i + 1], xy[j], xy[j + 1]))
                        best = j;
                }
            });
            if (best >= 0) {
                fi = i;
                fj = best;
            }
        }
        if (fi < 0)
            return 1;
        ReverseRun(pts[fi + 1], pts[fj]);
    }
}
