// Free functions on curve and loop lists: linking and loop tests, the
// list-deleting functions, nearest-distance ranking and the minimum-area
// rectangle.
#include "geometry/shapes2d/CurveList.h"

#include "geometry/shapes2d/GeCombCurve.h"
#include "geometry/shapes2d/GeGroup.h"
#include "geometry/shapes2d/GeLine.h"
#include "geometry/shapes2d/GeLoop.h"
#include "geometry/shapes2d/GeRegion.h"
#include "geometry/shapes3d/GeCombCurve3d.h"
#include "geometry/shapes3d/GeLine3d.h"
#include "geometry/shapes3d/GeLoop3d.h"
#include "geometry/shapes3d/GeSurf.h"
#include "geometry/shapes3d/GeTrimLoop.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

using CurveList = CTypedPtrList<CObList, CGeCurve*>;
using Curve3dList = CTypedPtrList<CObList, CGeCurve3d*>;

CGeLine* Line(double x1, double y1, double x2, double y2)
{
    const double p[2] = {x1, y1}, q[2] = {x2, y2};
    return new CGeLine(p, q);
}

CGeLine3d* Line3(double x1, double y1, double z1, double x2, double y2, double z2)
{
    double p[3] = {x1, y1, z1}, q[3] = {x2, y2, z2};
    return new CGeLine3d(p, q);
}

// A composite of the given lines whose display polyline runs from the first
// start to the last end, so its end points are right however the composite
// answers them.
template <class T = CGeCombCurve>
T* Chain(std::vector<CGeLine*> lines)
{
    auto* comb = new T;
    for (CGeLine* l : lines) comb->GetCurveList().AddTail(l);
    double s[2], e[2];
    lines.front()->GetStartPoint(s);
    lines.back()->GetEndPoint(e);
    const double pts[2][2] = {{s[0], s[1]}, {e[0], e[1]}};
    comb->CopySWPoint(pts, 2);
    return comb;
}

TEST(CurveListTest, LinkedAndLoopLists2d)
{
    struct Case {
        std::string label;
        std::vector<CGeCurve*> curves;
        double tol;
        int linked;
        int loop;
    };
    std::vector<Case> cases;
    cases.push_back({"gap 0.005, tol 0.01", {Line(0, 0, 1, 0), Line(1.005, 0, 2, 0)}, 0.01, 1, 0});
    cases.push_back({"gap 0.005, tol 0.001", {Line(0, 0, 1, 0), Line(1.005, 0, 2, 0)}, 0.001, 0, 0});
    cases.push_back({"gap equal to tol is linked", {Line(0, 0, 1, 0), Line(1.5, 0, 2, 0)}, 0.5, 1, 0});
    cases.push_back({"empty list", {}, 0.01, 1, 0});
    cases.push_back({"closed triangle", {Line(0, 0, 4, 0), Line(4, 0, 0, 3), Line(0, 3, 0, 0)}, 0.01, 1, 1});
    cases.push_back({"triangle open by 0.02", {Line(0, 0, 4, 0), Line(4, 0, 0, 3), Line(0, 3, 0, 0.02)}, 0.01, 1, 0});
    cases.push_back({"reversed middle line", {Line(0, 0, 4, 0), Line(0, 3, 4, 0), Line(0, 3, 0, 0)}, 0.01, 0, 0});
    cases.push_back({"null element", {Line(0, 0, 1, 0), nullptr}, 0.01, 0, 0});
    cases.push_back({"linked composite", {Chain({Line(0, 0, 1, 0), Line(1, 0, 1, 1)}), Line(1, 1, 0, 0)}, 0.01, 1, 1});
    // The composite's own gap of 0.05 exceeds its fixed 0.01 although the list tolerance is 1.
    cases.push_back({"composite with a gap", {Chain({Line(0, 0, 1, 0), Line(1.05, 0, 1, 1)}), Line(1, 1, 0, 0)}, 1.0, 0, 0});

    for (Case& c : cases) {
        CurveList list;
        for (CGeCurve* curve : c.curves) list.AddTail(curve);
        EXPECT_EQ(geIsLinkCurve2d(&list, c.tol), c.linked) << c.label;
        EXPECT_EQ(geIsLoopCurve2d(&list, c.tol), c.loop) << c.label;
        geDelCurveList(&list);
        EXPECT_TRUE(list.IsEmpty()) << c.label;
    }
    EXPECT_EQ(geIsLinkCurve2d(nullptr, 1.0), 0);
    EXPECT_EQ(geIsLoopCurve2d(nullptr, 1.0), 0);
}

TEST(CurveListTest, LinkedAndLoopLists3d)
{
    struct Case {
        std::string label;
        std::vector<CGeCurve3d*> curves;
        double tol;
        int linked;
        int loop;
    };
    auto comb = [](std::vector<CGeCurve3d*> members) {
        auto* c = new CGeCombCurve3d;
        for (CGeCurve3d* m : members) c->m_listCurve.AddTail(m);
        c->CalcBox();
        return c;
    };
    std::vector<Case> cases;
    // The gap lies along z: a 2D distance would call it linked.
    cases.push_back({"gap 0.005 in z, tol 0.01", {Line3(0, 0, 0, 1, 0, 0), Line3(1, 0, 0.005, 2, 0, 0)}, 0.01, 1, 0});
    cases.push_back({"gap 0.005 in z, tol 0.001", {Line3(0, 0, 0, 1, 0, 0), Line3(1, 0, 0.005, 2, 0, 0)}, 0.001, 0, 0});
    cases.push_back({"empty list", {}, 0.01, 1, 0});
    cases.push_back({"closed triangle",
                     {Line3(0, 0, 0, 4, 0, 1), Line3(4, 0, 1, 0, 3, 2), Line3(0, 3, 2, 0, 0, 0)}, 0.01, 1, 1});
    cases.push_back({"null element", {nullptr, Line3(0, 0, 0, 1, 0, 0)}, 0.01, 0, 0});
    cases.push_back({"composite linked within tol",
                     {comb({Line3(0, 0, 0, 1, 0, 0), Line3(1, 0, 0.05, 1, 1, 0)}), Line3(1, 1, 0, 0, 0, 0)}, 0.1, 1, 1});
    cases.push_back({"composite with a gap beyond tol",
                     {comb({Line3(0, 0, 0, 1, 0, 0), Line3(1, 0, 0.05, 1, 1, 0)}), Line3(1, 1, 0, 0, 0, 0)}, 0.01, 0, 0});

    for (Case& c : cases) {
        Curve3dList list;
        for (CGeCurve3d* curve : c.curves) list.AddTail(curve);
        EXPECT_EQ(geIsLinkCurve3d(&list, c.tol), c.linked) << c.label;
        EXPECT_EQ(geIsLoopCurve3d(&list, c.tol), c.loop) << c.label;
        geDelCurve3dList(&list);
        EXPECT_TRUE(list.IsEmpty()) << c.label;
    }
    EXPECT_EQ(geIsLinkCurve3d(nullptr, 1.0), 0);
    EXPECT_EQ(geIsLoopCurve3d(nullptr, 1.0), 0);
}

// Ownership: the sanitizer build reports leaks, double deletes and reads of
// freed curves.
TEST(CurveListTest, DeletingLoopsAndRegionsWithDetachKeepsMembers)
{
    CurveList owner;
    CTypedPtrList<CObList, CGeLoop*> loops;
    for (int i = 0; i < 2; ++i) {
        auto* loop = new CGeLoop;
        for (int j = 0; j < 3; ++j) {
            CGeLine* l = Line(i, j, i + 1, j);
            loop->GetCurveList().AddTail(l);
            owner.AddTail(l);
        }
        loops.AddTail(loop);
    }
    loops.AddTail(nullptr);
    geDelGeLoopList(&loops, true);
    EXPECT_TRUE(loops.IsEmpty());
    ASSERT_EQ(owner.GetCount(), 6);
    for (CGeCurve* c : owner) {
        double p[2] = {-1, -1};
        c->GetEndPoint(p);  // alive: a freed line would be caught here
        EXPECT_GE(p[0], 1.0);
    }
    geDelCurveList(&owner);

    // Without detach the loops take their members with them.
    loops.AddTail(Chain<CGeLoop>({Line(0, 0, 1, 0), Line(1, 0, 0, 0)}));
    geDelGeLoopList(&loops, false);
    EXPECT_TRUE(loops.IsEmpty());

    CTypedPtrList<CObList, CGeLoop*> kept;
    CTypedPtrList<CObList, CGeRegion*> regions;
    auto* region = new CGeRegion;
    CGeLoop* inner = Chain<CGeLoop>({Line(0, 0, 1, 0), Line(1, 0, 0, 0)});
    region->GetLoopList().AddTail(inner);
    kept.AddTail(inner);
    regions.AddTail(region);
    regions.AddTail(nullptr);
    geDelRegionList(&regions, true);
    EXPECT_TRUE(regions.IsEmpty());
    EXPECT_EQ(inner->GetCurveList().GetCount(), 2) << "the detached loop survives with its members";
    geDelGeLoopList(&kept, false);

    regions.AddTail(new CGeRegion);
    regions.GetHead()->GetLoopList().AddTail(Chain<CGeLoop>({Line(0, 0, 1, 0)}));
    geDelRegionList(&regions, false);
    EXPECT_TRUE(regions.IsEmpty());

    // Null and empty lists are accepted everywhere.
    CTypedPtrList<CObList, CGeRegion*> none;
    geDelRegionList(&none, true);
    geDelRegionList(nullptr, false);
    geDelGeLoopList(nullptr, true);
    geDelCurveList(nullptr);
    geDelCurve3dList(nullptr);
    geDelGroupList(nullptr);
    geDelSurfList(nullptr);
    geDelTrimLoopList(nullptr);
    geDelLoop3dList(nullptr);
}

TEST(CurveListTest, DeletingOtherListsFreesEveryElement)
{
    CTypedPtrList<CObList, CGeGroup*> groups;
    auto* group = new CGeGroup;
    group->GetCurveList().AddTail(Line(0, 0, 1, 1));
    groups.AddTail(group);
    groups.AddTail(nullptr);
    geDelGroupList(&groups);
    EXPECT_TRUE(groups.IsEmpty());

    CTypedPtrList<CObList, CGeSurf*> surfs;
    auto* surf = new CGeSurf;
    surf->m_listBndCurve.AddTail(Line3(0, 0, 0, 1, 0, 0));
    surf->m_listIsoCurve.AddTail(Line3(0, 1, 0, 1, 1, 0));
    surfs.AddTail(surf);
    surfs.AddTail(nullptr);
    geDelSurfList(&surfs);
    EXPECT_TRUE(surfs.IsEmpty());

    CTypedPtrList<CObList, CGeTrimLoop*> trims;
    auto* trim = new CGeTrimLoop;
    auto* bound = new CGeTrimBnd;
    bound->m_pEucCrv = Line3(0, 0, 0, 1, 0, 0);
    bound->m_pUVCrv = Line(0, 0, 1, 0);
    bound->m_pLoop = trim;
    trim->m_listBnd.AddTail(bound);
    trims.AddTail(nullptr);
    trims.AddTail(trim);
    geDelTrimLoopList(&trims);
    EXPECT_TRUE(trims.IsEmpty());

    CTypedPtrList<CObList, CGeLoop3d*> loops3d;
    auto* loop3d = new CGeLoop3d;
    loop3d->AddTail(Line3(0, 0, 0, 1, 0, 0));
    loops3d.AddTail(loop3d);
    loops3d.AddTail(nullptr);
    geDelLoop3dList(&loops3d);
    EXPECT_TRUE(loops3d.IsEmpty());
}

// The order of the curves after ranking, as indices into the input.
template <class T>
std::vector<int> OrderOf(CTypedPtrList<CObList, T*>& list, const std::vector<T*>& input)
{
    std::vector<int> order;
    for (T* c : list) {
        int index = -1;
        for (size_t i = 0; i < input.size(); ++i)
            if (input[i] == c) index = static_cast<int>(i);
        order.push_back(index);
    }
    return order;
}

TEST(CurveListTest, RankingByNearestStart)
{
    struct Case {
        std::string label;
        std::vector<CGeCurve*> curves;
        std::vector<int> expected;  // input indices; nulls are counted by their place
    };
    std::vector<Case> cases;
    // 0 ends at (1,0); 2 starts at (1.1,0); 2 ends at (5,0): 1 starts at (5,1), 3 at (9,9).
    cases.push_back({"chain", {Line(0, 0, 1, 0), Line(5, 1, 6, 1), Line(1.1, 0, 5, 0), Line(9, 9, 8, 8)}, {0, 2, 1, 3}});
    // Elements are never reversed: 1's end touches 0's end, but its start is farther than 2's.
    cases.push_back({"no reversal", {Line(0, 0, 1, 0), Line(3, 0, 1, 0.01), Line(2, 0, 2, 5)}, {0, 2, 1}});
    // Equal distances: the first in the list wins.
    cases.push_back({"ties keep list order", {Line(0, 0, 1, 0), Line(2, 0, 3, 0), Line(1, 1, 1, 2), Line(0, 0, 0, 1)},
                     {0, 1, 2, 3}});
    cases.push_back({"single", {Line(0, 0, 1, 0)}, {0}});
    // Nulls and unreachable starts follow in list order after every reachable element.
    cases.push_back({"nulls and far starts",
                     {Line(0, 0, 1, 0), nullptr, Line(2e12, 0, 3e12, 0), Line(1, 5, 1, 6), nullptr, Line(1, 1, 1, 2)},
                     {0, 5, 3, 1, 2, 4}});
    cases.push_back({"null head", {nullptr, Line(5, 5, 6, 6), Line(0, 0, 1, 1), Line(6, 6, 7, 7)}, {0, 1, 3, 2}});
    cases.push_back({"not-a-number start",
                     {Line(0, 0, 1, 0), Line(std::nan(""), 0, 1, 1), Line(3, 0, 4, 0)}, {0, 2, 1}});

    for (Case& c : cases) {
        CurveList list;
        for (CGeCurve* curve : c.curves) list.AddTail(curve);
        geRankCurveInNearestDist(&list);
        std::vector<int> order;
        for (CGeCurve* curve : list) {
            int index = -1;
            for (size_t i = 0; i < c.curves.size(); ++i)
                if (c.curves[i] == curve && curve) index = static_cast<int>(i);
            order.push_back(index);
        }
        // Null entries cannot be told apart: map the expected nulls to -1.
        std::vector<int> expected;
        for (int i : c.expected) expected.push_back(c.curves[i] ? i : -1);
        EXPECT_EQ(order, expected) << c.label;
        geDelCurveList(&list);
    }
    geRankCurveInNearestDist(nullptr);
    CurveList empty;
    geRankCurveInNearestDist(&empty);
    EXPECT_TRUE(empty.IsEmpty());
}

TEST(CurveListTest, RankingLoops)
{
    // Closed squares side by side; each loop starts and ends at its lower left corner.
    auto square = [](double x, double y) {
        return Chain<CGeLoop>({Line(x, y, x + 1, y), Line(x + 1, y, x + 1, y + 1), Line(x + 1, y + 1, x, y + 1),
                               Line(x, y + 1, x, y)});
    };
    std::vector<CGeLoop*> input = {square(0, 0), square(10, 0), nullptr, square(2, 0), square(5, 0)};
    CTypedPtrList<CObList, CGeLoop*> list;
    for (CGeLoop* l : input) list.AddTail(l);
    geRankLoopInNearestDist(&list);
    EXPECT_EQ(OrderOf(list, input), (std::vector<int>{0, 3, 4, 1, 2}));
    geDelGeLoopList(&list, false);
}

TEST(CurveListTest, MinAreaRect)
{
    double square[4][2] = {{0, 0}, {2, 0}, {2, 2}, {0, 2}};
    double centre[2] = {0, 0}, axes[2][2] = {};
    EXPECT_DOUBLE_EQ(MinAreaRect(square, 4, centre, axes), 4.0);
    EXPECT_NEAR(centre[0], 1.0, 1e-12);
    EXPECT_NEAR(centre[1], 1.0, 1e-12);

    // Rectangles w x h turned by angle about (cx, cy), with their corners in
    // either order and extra points inside (a convex hull is not required).
    struct Case {
        const char* label;
        double w, h, angle, cx, cy;
        bool clockwise;
        bool innerPoints;
    };
    const Case cases[] = {
        {"3 x 1 at 30 degrees", 3, 1, 0.5235987755982988, 5, 2, false, false},
        {"3 x 1 at 30 degrees, clockwise", 3, 1, 0.5235987755982988, 5, 2, true, false},
        {"0.5 x 7 at -100 degrees with inner points", 0.5, 7, -1.7453292519943295, -3, 4, false, true},
        {"10 x 10 at 45 degrees", 10, 10, 0.7853981633974483, 0, 0, false, true},
    };
    for (const Case& c : cases) {
        const double ca = std::cos(c.angle), sa = std::sin(c.angle);
        auto place = [&](double u, double v) {
            return std::vector<double>{c.cx + u * ca - v * sa, c.cy + u * sa + v * ca};
        };
        std::vector<std::vector<double>> pts = {place(-c.w / 2, -c.h / 2), place(c.w / 2, -c.h / 2),
                                                place(c.w / 2, c.h / 2), place(-c.w / 2, c.h / 2)};
        if (c.clockwise) std::swap(pts[1], pts[3]);
        if (c.innerPoints) {
            pts.insert(pts.begin() + 2, place(c.w / 4, 0));
            pts.push_back(place(-c.w / 4, c.h / 8));
        }
        std::vector<double> flat;
        for (auto& p : pts) flat.insert(flat.end(), p.begin(), p.end());
        auto* arr = reinterpret_cast<double(*)[2]>(flat.data());
        const double area = MinAreaRect(arr, static_cast<int>(pts.size()), centre, axes);
        EXPECT_NEAR(area, c.w * c.h, 1e-9 * c.w * c.h) << c.label;
        EXPECT_NEAR(centre[0], c.cx, 1e-9) << c.label;
        EXPECT_NEAR(centre[1], c.cy, 1e-9) << c.label;
        // The axes are unit, orthogonal and parallel to the rectangle's sides.
        EXPECT_NEAR(std::hypot(axes[0][0], axes[0][1]), 1.0, 1e-12) << c.label;
        EXPECT_NEAR(axes[0][0] * axes[1][0] + axes[0][1] * axes[1][1], 0.0, 1e-12) << c.label;
        EXPECT_NEAR(std::fabs(axes[0][0] * ca + axes[0][1] * sa) * std::fabs(axes[0][0] * -sa + axes[0][1] * ca), 0.0,
                    1e-9)
            << c.label;
    }

    // Every edge degenerate: 1e12 and nothing written.
    double same[3][2] = {{1, 1}, {1, 1}, {1, 1}};
    centre[0] = centre[1] = -7;
    EXPECT_EQ(MinAreaRect(same, 3, centre, axes), 1e12);
    EXPECT_EQ(centre[0], -7);
    EXPECT_EQ(MinAreaRect(nullptr, 3, centre, axes), 1e12);
    EXPECT_EQ(MinAreaRect(square, 0, centre, axes), 1e12);
}

}  // namespace
