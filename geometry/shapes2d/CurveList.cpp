#include "geometry/shapes2d/CurveList.h"

#include "framework/numerak/Vector2D.h"
#include "geometry/shapes2d/GeCombCurve.h"
#include "geometry/shapes2d/GeCurve.h"
#include "geometry/shapes2d/GeGroup.h"
#include "geometry/shapes2d/GeLoop.h"
#include "geometry/shapes2d/GeRegion.h"
#include "geometry/shapes2d/GeometryConst.h"
#include "geometry/shapes3d/GeCombCurve3d.h"
#include "geometry/shapes3d/GeCurve3d.h"
#include "geometry/shapes3d/GeLoop3d.h"
#include "geometry/shapes3d/GeSurf.h"
#include "geometry/shapes3d/GeTrimLoop.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr int kTypeCombCurve = 0x80;
constexpr int kTypeCombCurve3d = 0x10000;
// A composite element of a 2D list must be linked within this fixed distance.
constexpr double kCombLinkTol = gecon::kClosedTol;
// Starting best distance of the nearest-start search: farther starts never win.
constexpr double kRankNoCandidate = 1e12;
// Largest rectangle area: the answer when every edge is degenerate.
constexpr double kRectNoArea = 1e12;
// Edge directions with both components below this count as degenerate.
constexpr double kRectEdgeTol = 0.0001;

double Dist2(const double* a, const double* b)
{
    return std::hypot(a[0] - b[0], a[1] - b[1]);
}

double Dist3(const double* a, const double* b)
{
    return std::sqrt((a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) +
                     (a[2] - b[2]) * (a[2] - b[2]));
}

// Every member of the composite starts strictly closer than tol to the end of
// the previous member; an empty composite is linked.
int IsCombLinked2d(CGeCombCurve& comb, double tol)
{
    double prevEnd[2] = {0.0, 0.0};
    bool havePrev = false;
    for (CGeCurve* member : comb.GetCurveList()) {
        if (!member) continue;
        if (havePrev) {
            double s[2] = {0.0, 0.0};
            member->GetStartPoint(s);
            if (!(Dist2(prevEnd, s) < tol)) return 0;
        }
        member->GetEndPoint(prevEnd);
        havePrev = true;
    }
    return 1;
}

template <class T>
void DeleteElements(CTypedPtrList<CObList, T*>* list)
{
    if (!list) return;
    DeleteOwnedList(*list);
}

// Shared by the curve and loop forms: T has GetStartPoint and GetEndPoint.
template <class T>
void RankInNearestDist(CTypedPtrList<CObList, T*>* list)
{
    if (!list || list->IsEmpty()) return;

    struct Item {
        T* elem;
        double start[2];
        double end[2];
    };
    std::vector<Item> rest;
    rest.reserve(static_cast<size_t>(list->GetCount()));
    for (T* elem : *list) {
        Item item{elem, {0.0, 0.0}, {0.0, 0.0}};
        if (elem) {
            elem->GetStartPoint(item.start);
            elem->GetEndPoint(item.end);
        }
        rest.push_back(item);
    }

    std::vector<T*> order;
    order.reserve(rest.size());
    order.push_back(rest.front().elem);
    bool haveCurrent = rest.front().elem != nullptr;
    double current[2] = {rest.front().end[0], rest.front().end[1]};
    std::vector<bool> taken(rest.size(), false);
    size_t left = rest.size() - 1;

    while (left > 0) {
        size_t best = 0;
        bool found = false;
        if (haveCurrent) {
            double bestDist = kRankNoCandidate;
            for (size_t i = 1; i < rest.size(); ++i) {
                if (taken[i] || !rest[i].elem) continue;
                double d = Dist2(current, rest[i].start);
                if (d < bestDist) {
                    bestDist = d;
                    best = i;
                    found = true;
                }
            }
        } else {
            // A null head gives no current point: the next present element anchors the chain.
            for (size_t i = 1; i < rest.size() && !found; ++i) {
                if (!taken[i] && rest[i].elem) {
                    best = i;
                    found = true;
                }
            }
        }
        if (!found) break;
        taken[best] = true;
        --left;
        order.push_back(rest[best].elem);
        current[0] = rest[best].end[0];
        current[1] = rest[best].end[1];
        haveCurrent = true;
    }
    // Nulls and elements no search could reach keep their order at the end.
    for (size_t i = 1; i < rest.size(); ++i) {
        if (!taken[i]) order.push_back(rest[i].elem);
    }

    list->RemoveAll();
    for (T* elem : order) list->AddTail(elem);
}

}  // namespace

int geIsLinkCurve2d(CTypedPtrList<CObList, CGeCurve*>* list, double tol)
{
    if (!list) return 0;
    return geIsLinkCurveRun2d(*list, list->GetHeadPosition(), list->GetCount(), tol);
}

int geIsLinkCurveRun2d(const CTypedPtrList<CObList, CGeCurve*>& list, POSITION first, INT_PTR count, double tol)
{
    double prevEnd[2] = {0.0, 0.0};
    bool isFirst = true;
    POSITION pos = first;
    for (INT_PTR i = 0; i < count && pos; ++i) {
        CGeCurve* curve = list.GetNext(pos);
        if (!curve) return 0;
        if (curve->GetType() == kTypeCombCurve && !IsCombLinked2d(static_cast<CGeCombCurve&>(*curve), kCombLinkTol))
            return 0;
        if (!isFirst) {
            double s[2] = {0.0, 0.0};
            curve->GetStartPoint(s);
            if (!(Dist2(prevEnd, s) <= tol)) return 0;
        }
        curve->GetEndPoint(prevEnd);
        isFirst = false;
    }
    return 1;
}

int geIsLinkCurve3d(CTypedPtrList<CObList, CGeCurve3d*>* list, double tol)
{
    if (!list) return 0;
    double prevEnd[3] = {0.0, 0.0, 0.0};
    bool first = true;
    for (CGeCurve3d* curve : *list) {
        if (!curve) return 0;
        if (curve->GetType() == kTypeCombCurve3d && !static_cast<CGeCombCurve3d&>(*curve).IsLinked(tol))
            return 0;
        if (!first) {
            double s[3] = {0.0, 0.0, 0.0};
            curve->GetStartPoint(s);
            if (!(Dist3(prevEnd, s) <= tol)) return 0;
        }
        curve->GetEndPoint(prevEnd);
        first = false;
    }
    return 1;
}

int geIsLoopCurve2d(CTypedPtrList<CObList, CGeCurve*>* list, double tol)
{
    if (!list || !geIsLinkCurve2d(list, tol)) return 0;
    if (list->IsEmpty()) return 0;
    double s[2] = {0.0, 0.0};
    double e[2] = {0.0, 0.0};
    list->GetHead()->GetStartPoint(s);
    list->GetTail()->GetEndPoint(e);
    return Dist2(s, e) < tol ? 1 : 0;
}

int geIsLoopCurve3d(CTypedPtrList<CObList, CGeCurve3d*>* list, double tol)
{
    if (!list || !geIsLinkCurve3d(list, tol)) return 0;
    if (list->IsEmpty()) return 0;
    double s[3] = {0.0, 0.0, 0.0};
    double e[3] = {0.0, 0.0, 0.0};
    list->GetHead()->GetStartPoint(s);
    list->GetTail()->GetEndPoint(e);
    return Dist3(s, e) < tol ? 1 : 0;
}

void geDelCurveList(CTypedPtrList<CObList, CGeCurve*>* list) { DeleteElements(list); }
void geDelCurve3dList(CTypedPtrList<CObList, CGeCurve3d*>* list) { DeleteElements(list); }
void geDelLoop3dList(CTypedPtrList<CObList, CGeLoop3d*>* list) { DeleteElements(list); }
void geDelGroupList(CTypedPtrList<CObList, CGeGroup*>* list) { DeleteElements(list); }
void geDelSurfList(CTypedPtrList<CObList, CGeSurf*>* list) { DeleteElements(list); }
void geDelTrimLoopList(CTypedPtrList<CObList, CGeTrimLoop*>* list) { DeleteElements(list); }

void geDelGeLoopList(CTypedPtrList<CObList, CGeLoop*>* list, bool bDetach)
{
    if (!list) return;
    if (bDetach) {
        for (CGeLoop* loop : *list)
            if (loop) loop->GetCurveList().RemoveAll();
    }
    DeleteOwnedList(*list);
}

void geDelRegionList(CTypedPtrList<CObList, CGeRegion*>* list, bool bDetach)
{
    if (!list || list->IsEmpty()) return;
    if (bDetach) {
        for (CGeRegion* region : *list)
            if (region) region->GetLoopList().RemoveAll();
    }
    DeleteOwnedList(*list);
}

void geRankCurveInNearestDist(CTypedPtrList<CObList, CGeCurve*>* list) { RankInNearestDist(list); }
void geRankLoopInNearestDist(CTypedPtrList<CObList, CGeLoop*>* list) { RankInNearestDist(list); }

double MinAreaRect(double (*pts)[2], int n, double* centre, double (*axes)[2])
{
    double best = kRectNoArea;
    if (!pts || n <= 0) return best;
    for (int i = 0; i < n; ++i) {
        const double* base = pts[(i + n - 1) % n];
        double u[2] = {pts[i][0] - base[0], pts[i][1] - base[1]};
        V2D_Unit(u, gecon::kDegenerateTol);
        if (std::fabs(u[0]) < kRectEdgeTol && std::fabs(u[1]) < kRectEdgeTol) continue;
        const double v[2] = {-u[1], u[0]};

        // Extents start at the edge's first point itself.
        double minU = 0.0, maxU = 0.0, minV = 0.0, maxV = 0.0;
        for (int j = 0; j < n; ++j) {
            const double d[2] = {pts[j][0] - base[0], pts[j][1] - base[1]};
            const double pu = d[0] * u[0] + d[1] * u[1];
            const double pv = d[0] * v[0] + d[1] * v[1];
            minU = std::min(minU, pu);
            maxU = std::max(maxU, pu);
            minV = std::min(minV, pv);
            maxV = std::max(maxV, pv);
        }
        const double area = (maxU - minU) * (maxV - minV);
        if (area < best) {
            best = area;
            if (centre) {
                centre[0] = base[0] + ((maxU + minU) * u[0] + (maxV + minV) * v[0]) * 0.5;
                centre[1] = base[1] + ((maxU + minU) * u[1] + (maxV + minV) * v[1]) * 0.5;
            }
            if (axes) {
                axes[0][0] = u[0];
                axes[0][1] = u[1];
                axes[1][0] = v[0];
                axes[1][1] = v[1];
            }
        }
    }
    return best;
}
