#include "toolpath/contours/NcPline.h"

#include "geometry/shapes3d/GePolyline3d.h"
#include "toolpath/contours/PathGroup.h"
#include "toolpath/contours/SectIntersect.h"
#include "testing/PathOracle.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <random>
#include <string>
#include <vector>

namespace {

using pathtest::P3;

std::vector<P3> Points(const CNcPline& s)
{
    std::vector<P3> v;
    for (CNcPoint* p : s) v.push_back({p->x, p->y, p->z});
    return v;
}

void Fill(CNcPline& s, const std::vector<P3>& pts)
{
    for (const P3& p : pts) s.AddTail(p.data());
}

std::vector<P3> RandomWalk(std::mt19937& rng, int n, double zSpread)
{
    std::normal_distribution<double> step(0, 1), dz(0, zSpread);
    std::vector<P3> v{{0, 0, 0}};
    for (int i = 1; i < n; ++i) v.push_back({v.back()[0] + std::fabs(step(rng)) + 0.1, v.back()[1] + step(rng), v.back()[2] + dz(rng)});
    return v;
}

// Distance of p from the polyline through pts.
double DistToPolyline(const P3& p, const std::vector<P3>& pts) { return pathtest::DistToChain(p, pts); }

TEST(NcPlineTest, PolygonHeightIsThePlaneInsideAndNoneElsewhere)
{
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> u(0, 10), w(0.05, 1), coef(-2, 2), ang(0, 6.283185307179586);
    int inside = 0;
    for (int round = 0; round < 400; ++round) {
        const double a = coef(rng), b = coef(rng), c = coef(rng);
        auto z = [&](double x, double y) { return a * x + b * y + c; };
        std::vector<P3> poly;
        const bool quad = round % 2 == 1;
        if (quad) {
            // A convex quad: four sorted angles on an ellipse.
            std::vector<double> t{ang(rng), ang(rng), ang(rng), ang(rng)};
            std::sort(t.begin(), t.end());
            for (double ti : t) poly.push_back({5 + 4 * std::cos(ti), 5 + 3 * std::sin(ti), 0});
        } else {
            for (int i = 0; i < 3; ++i) poly.push_back({u(rng), u(rng), 0});
        }
        for (P3& p : poly) p[2] = z(p[0], p[1]);
        const double* v[4];
        for (std::size_t i = 0; i < poly.size(); ++i) v[i] = poly[i].data();
        const int n = int(poly.size());
        // Skip slivers: every corner triangle must have a fair area.
        double minArea = 1e9;
        for (int i = 0; i < n; ++i) {
            const P3& p = poly[i];
            const P3& q = poly[(i + 1) % n];
            const P3& r = poly[(i + 2) % n];
            minArea = std::min(minArea, std::fabs((q[0] - p[0]) * (r[1] - p[1]) - (q[1] - p[1]) * (r[0] - p[0])));
        }
        if (minArea < 2) continue;
        // Inside: a convex combination of the vertices with every weight fair.
        std::vector<double> wt(n);
        double sum = 0;
        for (double& x : wt) sum += (x = w(rng));
        double q[2] = {0, 0};
        for (int i = 0; i < n; ++i) {
            q[0] += wt[i] / sum * poly[i][0];
            q[1] += wt[i] / sum * poly[i][1];
        }
        const double h = PolygonZAtXY(v, n, q);
        if (h != pathc::kNoHeight) {
            EXPECT_NEAR(h, z(q[0], q[1]), 1e-9) << "round " << round;
            ++inside;
        }
        for (int i = 0; i < n; ++i)
            EXPECT_EQ(PolygonZAtXY(v, n, poly[i].data()), pathc::kNoHeight) << "vertex " << i << ", round " << round;
        const double far[2] = {-5, 20}, beside[2] = {poly[0][0] + 30, poly[0][1]};
        EXPECT_EQ(PolygonZAtXY(v, n, far), pathc::kNoHeight) << "round " << round;
        EXPECT_EQ(PolygonZAtXY(v, n, beside), pathc::kNoHeight) << "round " << round;
    }
    EXPECT_GT(inside, 250) << "too few inside queries answered";

    // The rows: a crossing point has no height; a horizontal edge is skipped in the
    // horizontal pass, so its interior points get the height of the plane.
    const P3 t[3] = {{0, 0, 1}, {10, 0, 1}, {5, 10, 6}};
    const double* tv[3] = {t[0].data(), t[1].data(), t[2].data()};
    const double onSlope[2] = {2.5, 5}, onBase[2] = {5, 0}, mid[2] = {5, 5};
    EXPECT_EQ(PolygonZAtXY(tv, 3, onSlope), pathc::kNoHeight);
    EXPECT_NEAR(PolygonZAtXY(tv, 3, onBase), 1.0, 1e-12);
    EXPECT_NEAR(PolygonZAtXY(tv, 3, mid), 3.5, 1e-12);
}

TEST(NcPlineTest, PolygonWithManyVerticesStaysInItsCrossingList)
{
    // A zigzag of 60 vertices: the horizontal line meets many more than 10 edges.
    std::vector<P3> pts;
    for (int i = 0; i < 30; ++i) pts.push_back({double(i), i % 2 ? 10.0 : 0.0, 1});
    for (int i = 29; i >= 0; --i) pts.push_back({double(i) + 0.3, i % 2 ? 12.0 : 2.0, 1});
    std::vector<const double*> v;
    for (const P3& p : pts) v.push_back(p.data());
    const double q[2] = {10.1, 5};
    EXPECT_EQ(PolygonZAtXY(v.data(), int(v.size()), q), pathc::kNoHeight);
    EXPECT_EQ(PolygonZAtXY(v.data(), 0, q), pathc::kNoHeight);
    EXPECT_EQ(PolygonZAtXY(nullptr, 3, q), pathc::kNoHeight);
}

TEST(NcPlineTest, InitSpacesPointsAlongTheSegment)
{
    const struct {
        const char* label;
        P3 a, b;
        double step;
        int points;
    } rows[] = {
        {"even", {0, 0, 0}, {3, 4, 0}, 1, 6},       {"uneven", {1, 1, 1}, {1, 1, 3.5}, 1, 4},
        {"step too long", {0, 0, 0}, {1, 0, 0}, 2, 2}, {"same point", {2, 2, 2}, {2, 2, 2}, 0.5, 2},
        {"zero step", {0, 0, 0}, {1, 0, 0}, 0, 2},
    };
    for (const auto& r : rows) {
        CNcPline s;
        s.AddTail(r.a.data());
        s.Init(r.a.data(), r.b.data(), r.step);
        const std::vector<P3> p = Points(s);
        ASSERT_EQ(int(p.size()), r.points) << r.label;
        EXPECT_EQ(p.front(), r.a) << r.label;
        EXPECT_EQ(p.back(), r.b) << r.label;
        for (std::size_t i = 1; i + 1 < p.size(); ++i) {
            EXPECT_NEAR(std::hypot(p[i][0] - p[i - 1][0], p[i][1] - p[i - 1][1], p[i][2] - p[i - 1][2]), r.step, 1e-9) << r.label;
            EXPECT_LT(DistToPolyline(p[i], {r.a, r.b}), 1e-12) << r.label;
        }
        EXPECT_EQ(s.box.xmin, std::min(r.a[0], r.b[0])) << r.label;
        EXPECT_EQ(s.box.zmax, std::max(r.a[2], r.b[2])) << r.label;
        for (CNcPoint* q : s) EXPECT_EQ(q->w, q->z) << r.label;
    }
}

TEST(NcPlineTest, InsPointCutsSegmentsEvenly)
{
    const struct {
        const char* label;
        std::vector<P3> pts;
        double step;
        int count;
    } rows[] = {
        {"3.5 and 0.4", {{0, 0, 0}, {3.5, 0, 1}, {3.5, 0.4, 1}}, 1, 3 + 3},
        {"5000 long, capped at 1000 parts", {{0, 0, 0}, {5000, 0, 0}}, 1, 2 + 999},
        {"no step", {{0, 0, 0}, {5, 0, 0}}, 0, 2},
    };
    for (const auto& r : rows) {
        CNcPline s;
        Fill(s, r.pts);
        s.InsPoint(r.step);
        const std::vector<P3> p = Points(s);
        EXPECT_EQ(int(p.size()), r.count) << r.label;
        for (const P3& q : p) EXPECT_LT(DistToPolyline(q, r.pts), 1e-9) << r.label;
    }
    CNcPline s;
    Fill(s, {{0, 0, 0}, {3.5, 0, 1}, {3.5, 0.4, 1}});
    s.InsPoint(1);
    const std::vector<P3> p = Points(s);
    for (int i = 1; i <= 4; ++i) EXPECT_NEAR(p[i][0] - p[i - 1][0], 0.875, 1e-12) << "even parts";
}

TEST(NcPlineTest, SimplifyKeepsWhatTheToleranceNeeds)
{
    std::mt19937 rng(3);
    for (int round = 0; round < 30; ++round) {
        const std::vector<P3> pts = RandomWalk(rng, 200, round % 2 ? 0.5 : 0.0);
        const double tol = 0.2 + 0.1 * (round % 5);
        CNcPline s;
        Fill(s, pts);
        s.Simplify(tol);
        std::vector<int> kept;
        std::size_t j = 0;
        for (CNcPoint* p : s) {
            EXPECT_EQ(p->contact, -1) << "round " << round;
            while (j < pts.size() && (pts[j][0] != p->x || pts[j][1] != p->y || pts[j][2] != p->z)) ++j;
            ASSERT_LT(j, pts.size()) << "kept points are a subset in order, round " << round;
            kept.push_back(int(j++));
        }
        ASSERT_GE(kept.size(), 2u);
        EXPECT_EQ(kept.front(), 0);
        EXPECT_EQ(kept.back(), 199);
        for (std::size_t k = 0; k + 1 < kept.size(); ++k)
            for (int i = kept[k] + 1; i < kept[k + 1]; ++i)
                EXPECT_LE(PointToLineDistance3D(pts[i].data(), pts[kept[k]].data(), pts[kept[k + 1]].data()), tol)
                    << "dropped point " << i << ", round " << round;
    }
    CNcPline line;
    Fill(line, {{0, 0, 0}, {1, 1, 1}, {2, 2, 2}});
    line.Simplify(0.01);
    ASSERT_EQ(line.GetCount(), 2);
    EXPECT_EQ(line.GetHead()->contact, -1);
    EXPECT_EQ(line.GetTail()->x, 2.0);
}

TEST(NcPlineTest, SimplifyExThinsAndResetsThePoints)
{
    CNcPline s;
    Fill(s, {{0, 0, 1}, {1, 0.0001, 1}, {2, 0, 1}, {2, 5, 1}});
    s.GetHead()->contact = 4;
    s.SimplifyEx(0.01);
    const std::vector<P3> p = Points(s);
    ASSERT_EQ(p.size(), 3u);
    EXPECT_EQ(p[1], (P3{2, 0, 1}));
    for (CNcPoint* q : s) {
        EXPECT_EQ(q->contact, 0);
        EXPECT_EQ(q->w, 0.0);
    }
}

TEST(NcPlineTest, TrimByZSplitsAtTheHeight)
{
    std::mt19937 rng(9);
    for (int round = 0; round < 40; ++round) {
        const std::vector<P3> pts = RandomWalk(rng, 60, 1.0);
        const double z = pts[30][2] + 0.123;
        CNcPline s;
        Fill(s, pts);
        std::unique_ptr<CNcPline> above(s.TrimByZValue(z));
        ASSERT_TRUE(above) << "round " << round;
        for (CNcPoint* p : s) {
            EXPECT_LE(p->z, z) << "this string at or below, round " << round;
            EXPECT_LT(DistToPolyline({p->x, p->y, p->z}, pts), 1e-9) << "on the original, round " << round;
        }
        for (CNcPoint* p : *above) EXPECT_GE(p->z, z) << "the result at or above, round " << round;
    }
    const std::vector<P3> low{{0, 0, 0}, {1, 0, 1}, {2, 0, 0.5}};
    CNcPline below;
    Fill(below, low);
    std::unique_ptr<CNcPline> flat(below.TrimByZValue(5));
    EXPECT_EQ(Points(below), low) << "wholly below: unchanged";
    ASSERT_EQ(flat->GetCount(), 3);
    for (CNcPoint* p : *flat) EXPECT_EQ(p->z, 5.0);
    CNcPline high;
    Fill(high, low);
    std::unique_ptr<CNcPline> all(high.TrimByZValue(-1));
    EXPECT_TRUE(high.IsEmpty()) << "wholly above: all points move";
    EXPECT_EQ(Points(*all), low);
    CNcPline empty;
    EXPECT_EQ(empty.TrimByZValue(0), nullptr);
}

TEST(NcPlineTest, WrapAndRotateAboutX)
{
    CNcPline s;
    Fill(s, {{1, 0, 5}, {2, 3, 5}, {3, -7, 4}});
    const std::vector<P3> before = Points(s);
    s.WrapByXAxis(5);
    const std::vector<P3> after = Points(s);
    for (std::size_t i = 0; i < before.size(); ++i) {
        EXPECT_EQ(after[i][0], before[i][0]);
        EXPECT_NEAR(std::hypot(after[i][1], after[i][2]), before[i][2], 1e-12) << "point " << i;
    }
    EXPECT_EQ(s.endPt[0], 3.0);
    s.RotateByXAxis(0.4);
    const std::vector<P3> turned = Points(s);
    for (std::size_t i = 0; i < before.size(); ++i) {
        EXPECT_NEAR(std::hypot(turned[i][1], turned[i][2]), before[i][2], 1e-12);
        const double turn = std::atan2(turned[i][2], turned[i][1]) - std::atan2(after[i][2], after[i][1]);
        EXPECT_NEAR(std::remainder(turn - 0.4, 2 * 3.141592653589793), 0.0, 1e-12) << "point " << i;
    }
}

TEST(NcPlineTest, ConversionsCarryPointsAndAxes)
{
    CNcPline s;
    Fill(s, {{0, 0, 0}, {1, 2, 3}, {4, 5, 6}});
    std::unique_ptr<CGePolyline3d> pl(s.ConvertTo());
    ASSERT_TRUE(pl);
    ASSERT_EQ(pl->GetCount(), 3);
    EXPECT_EQ(pl->GetCtrlPt()[2][2], 6.0);

    s.GetHead()->axis = std::make_unique<CVector3f>(0.f, 0.f, 1.f);
    s.GetTail()->axis = std::make_unique<CVector3f>(0.f, 0.6f, 0.8f);
    CPathCombine comb(4);
    ASSERT_EQ(s.AddToPathCombine(comb), 1);
    auto* e = static_cast<CPathPLine3D*>(comb.head);
    ASSERT_EQ(e->count, 2);
    EXPECT_EQ(e->kind, 2);
    EXPECT_EQ(e->points[1][1], 2.0);
    ASSERT_TRUE(e->axes);
    EXPECT_EQ(e->axes[0][2], 1.0);
    EXPECT_EQ(e->axes[1][0], 0.0) << "a point without a vector gets a zero axis";
    EXPECT_EQ(e->axes[1][2], 0.0);
    EXPECT_EQ(e->axes[2][1], double(0.6f));

    CNcPline one;
    Fill(one, {{1, 1, 1}});
    EXPECT_EQ(one.AddToPathCombine(comb), 0);
    EXPECT_EQ(one.ConvertTo(), nullptr);
}

TEST(NcPlineTest, PointListOperations)
{
    CNcPline s;
    Fill(s, {{0, 0, 0}, {1, 1, 1}, {2, 2, 2}});
    for (int bad : {4, -1}) {
        s.SetPointValue(bad, 9);
        EXPECT_EQ(Points(s)[1], (P3{1, 1, 1})) << "index " << bad;
    }
    s.SetPointValue(3, 7);
    for (CNcPoint* p : s) EXPECT_EQ(p->w, 7.0);

    auto* p = new CNcPoint(5, 5, 5);
    CNcPoint stranger;
    EXPECT_EQ(s.InsertBefore(p, &stranger), 0) << "before not in the string";
    EXPECT_EQ(s.GetCount(), 3);
    EXPECT_EQ(s.InsertBefore(p, s.GetTail()), 1);
    EXPECT_EQ(Points(s)[2], (P3{5, 5, 5}));
    EXPECT_EQ(s.InsertBefore(nullptr, nullptr), 0);

    s.CalcBox();
    s.Reverse();
    EXPECT_EQ(s.startPt[0], 2.0);
    EXPECT_EQ(s.endPt[0], 0.0);
    EXPECT_EQ(Points(s)[1], (P3{5, 5, 5}));

    CNcPoint withAxis(1, 2, 3);
    withAxis.axis = std::make_unique<CVector3f>(1.f, 0.f, 0.f);
    auto* copy = new CNcPoint(withAxis);
    ASSERT_TRUE(copy->axis);
    EXPECT_NE(copy->axis.get(), withAxis.axis.get()) << "own axis copy";
    CNcPoint mid;
    EXPECT_EQ(InterpolateNcPoint(0.5, &withAxis, copy, &mid), 1);
    EXPECT_EQ(mid.z, 3.0);
    EXPECT_EQ(InterpolateNcPoint(0.5, &withAxis, nullptr, &mid), 0);
    DeleteNcPoint(copy);

    CNcPointList loose;
    loose.AddTail(new CNcPoint(8, 8, 8));
    s.AddTail(&loose);
    loose.RemoveAll();
    EXPECT_EQ(s.GetTail()->x, 8.0);

    auto* grp = new CNcPlineGrp;
    grp->AddTail(new CNcPline);
    grp->GetHead()->AddTail(new CNcPoint(1, 1, 1));
    delete grp;
    CNcPlineList list;
    list.AddTail(new CNcPline);
    DeleteNcPlineList(&list);
    EXPECT_TRUE(list.IsEmpty());
}

}  // namespace
