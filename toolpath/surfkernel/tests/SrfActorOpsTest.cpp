// Point and surface operations of the facade: heights under meshes against
// the plain search over every triangle and an analytic plane, points at equal
// arc length against the arc of a circle, extension and loop removal of
// trimmed surfaces.
#include "toolpath/surfkernel/SrfActor.h"

#include "framework/numerak/Bsrf.h"
#include "framework/numerak/NurbsEditor.h"
#include "framework/numerak/Triangle3D.h"
#include "geometry/shapes2d/GeLine.h"
#include "geometry/shapes2d/GePolyline.h"
#include "geometry/shapes3d/GeArc3d.h"
#include "geometry/shapes3d/GeConvert.h"
#include "geometry/shapes3d/GeLine3d.h"
#include "geometry/shapes3d/GeMesh.h"
#include "geometry/shapes3d/GeNrbCrv3d.h"
#include "geometry/shapes3d/GePolyline3d.h"
#include "framework/numerak/PointString3D.h"
#include "geometry/shapes3d/GeTrimSurf.h"
#include "testing/SurfaceFixtures.h"
#include "toolpath/surfkernel/KernelEntity.h"
#include "toolpath/surfkernel/SurfaceEntity.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

using surffix::SurfPtr;

// A terrain of nx × ny cells over [x0, x0 + w] × [y0, y0 + h] with heights f,
// as triangles or as quads.
template <class F>
std::unique_ptr<CGeMesh> Terrain(int nx, int ny, double x0, double y0, double w, double h, F f, bool quads)
{
    auto mesh = std::make_unique<CGeMesh>();
    for (int j = 0; j <= ny; ++j)
        for (int i = 0; i <= nx; ++i) {
            const double x = x0 + w * i / nx, y = y0 + h * j / ny;
            mesh->vertices.emplace_back(float(x), float(y), float(f(x, y)));
        }
    auto id = [&](int i, int j) { return j * (nx + 1) + i; };
    for (int j = 0; j < ny; ++j)
        for (int i = 0; i < nx; ++i) {
            if (quads) {
                mesh->faces4.emplace_back(id(i, j), id(i + 1, j), id(i + 1, j + 1), id(i, j + 1));
            } else {
                mesh->faces3.emplace_back(id(i, j), id(i + 1, j), id(i + 1, j + 1));
                mesh->faces3.emplace_back(id(i, j), id(i + 1, j + 1), id(i, j + 1));
            }
        }
    return mesh;
}

// The plain search: every point against every triangle (quads as two).
std::vector<float> BruteHeights(const std::vector<CGeMesh*>& meshes, const std::vector<tagPoint3f>& pts)
{
    std::vector<float> z(pts.size(), float(kNoHeight));
    auto tri = [&](const CGeMesh* m, unsigned ia, unsigned ib, unsigned ic) {
        const auto& v = m->vertices;
        const double a[3] = {v[ia].x, v[ia].y, v[ia].z}, b[3] = {v[ib].x, v[ib].y, v[ib].z},
                     c[3] = {v[ic].x, v[ic].y, v[ic].z};
        for (std::size_t i = 0; i < pts.size(); ++i) {
            const double p[3] = {pts[i].x, pts[i].y, 0.0};
            double h;
            if (TRI3_IntZRay(a, b, c, p, kPrjBoxTol, &h) && float(h) > z[i]) z[i] = float(h);
        }
    };
    for (const CGeMesh* m : meshes) {
        for (const SFacet3& f : m->faces3) tri(m, f.v[0], f.v[1], f.v[2]);
        for (const SFacet4& f : m->faces4) {
            tri(m, f.v[0], f.v[1], f.v[2]);
            tri(m, f.v[0], f.v[2], f.v[3]);
        }
    }
    return z;
}

TEST(SrfActorPrjAlongZAxis, GridSearchGivesThePlainSearchesHeights)
{
    auto wave = [](double x, double y) { return 2.0 * std::sin(0.3 * x) * std::cos(0.2 * y); };
    auto roof = [](double x, double y) { return 3.0 + 0.1 * x - 0.05 * y; };
    auto low = Terrain(40, 30, 0.0, 0.0, 40.0, 30.0, wave, false);
    auto high = Terrain(7, 9, 10.0, 5.0, 12.0, 11.0, roof, true);
    std::vector<CGeMesh*> meshes{low.get(), high.get()};
    struct Row {
        const char* label;
        std::vector<tagPoint3f> pts;
    };
    std::mt19937 rng(3);
    std::uniform_real_distribution<float> ux(-5.0f, 45.0f), uy(-5.0f, 35.0f);
    std::vector<Row> rows(4);
    rows[0].label = "scattered, some outside";
    for (int i = 0; i < 4000; ++i) rows[0].pts.push_back({ux(rng), uy(rng), 0.0f});
    rows[1].label = "on one line";
    for (int i = 0; i < 500; ++i) rows[1].pts.push_back({ux(rng), 12.5f, 0.0f});
    rows[2].label = "all at one place";
    for (int i = 0; i < 50; ++i) rows[2].pts.push_back({15.25f, 9.75f, 0.0f});
    rows[3].label = "on mesh vertices and edges";
    for (int i = 0; i <= 40; ++i) rows[3].pts.push_back({float(i), float(i % 31), 0.0f});
    CTypedPtrList<CObList, CGeMesh*> list;
    list.AddTail(low.get());
    list.AddTail(static_cast<CGeMesh*>(nullptr));
    list.AddTail(high.get());
    CSrfActor actor;
    for (Row& row : rows) {
        std::vector<tagPoint3f> out;
        actor.PrjAlongZAxis(&list, row.pts, out);
        ASSERT_EQ(out.size(), row.pts.size()) << row.label;
        const std::vector<float> want = BruteHeights(meshes, row.pts);
        int covered = 0;
        for (std::size_t i = 0; i < out.size(); ++i) {
            EXPECT_EQ(out[i].x, row.pts[i].x) << row.label << " " << i;
            EXPECT_EQ(out[i].y, row.pts[i].y) << row.label << " " << i;
            EXPECT_EQ(out[i].z, want[i]) << row.label << " " << i;
            covered += want[i] > float(kNoHeight);
        }
        EXPECT_GT(covered, 0) << row.label;
    }
    // Where the roof lies over the wave, the roof's plane is the answer.
    std::vector<tagPoint3f> in{{15.0f, 10.0f, 0.0f}, {-1.0f, -1.0f, 0.0f}}, out;
    actor.PrjAlongZAxis(&list, in, out);
    EXPECT_NEAR(out[0].z, roof(15.0, 10.0), 1e-5);
    EXPECT_EQ(out[1].z, float(kNoHeight)) << "outside every triangle";
}

TEST(SrfActorPrjAlongZAxis, BadInputLeavesTheOutputAlone)
{
    auto flat = Terrain(2, 2, 0.0, 0.0, 1.0, 1.0, [](double, double) { return 1.0; }, false);
    flat->faces3.emplace_back(0, 1, 99);  // an index out of range is skipped
    CTypedPtrList<CObList, CGeMesh*> list, empty;
    list.AddTail(flat.get());
    std::vector<tagPoint3f> in{{0.5f, 0.5f, 0.0f}}, none;
    CSrfActor actor;
    std::vector<tagPoint3f> out;
    actor.PrjAlongZAxis(&empty, in, out);
    EXPECT_TRUE(out.empty()) << "empty mesh list";
    actor.PrjAlongZAxis(nullptr, in, out);
    EXPECT_TRUE(out.empty()) << "null mesh list";
    actor.PrjAlongZAxis(&list, none, out);
    EXPECT_TRUE(out.empty()) << "no points";
    std::vector<tagPoint3f> used{{9.0f, 9.0f, 9.0f}};
    actor.PrjAlongZAxis(&list, in, used);
    ASSERT_EQ(used.size(), 1u) << "an output that is not empty";
    EXPECT_EQ(used[0].x, 9.0f);
    actor.PrjAlongZAxis(&list, in, out);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].z, 1.0f);
}

TEST(SrfActorEquDist, PointsLieAStepApartAlongTheCurve)
{
    CSrfActor actor;
    // A line: exact positions.
    double a[3] = {0, 0, 0}, b[3] = {10, 0, 0};
    CGeLine3d line(a, b);
    CArray<tagPoint3d, tagPoint3d> pts;
    actor.CrvDiscToStrptInEquDist(&line, 3.0, 0.01, pts);
    const double xs[] = {0, 3, 6, 9, 10};
    ASSERT_EQ(pts.GetSize(), 5);
    for (int i = 0; i < 5; ++i) EXPECT_NEAR(pts[i].x, xs[i], 1e-12) << i;
    // A half circle of radius 5: the arc between neighbours (the last pair
    // aside) is the step, up to the chords' shortfall at the tolerance.
    BCRV* half = BCRV_New();
    const double o[3] = {0, 0, 2};
    half->GenArc(o, 5.0, 0.0, M_PI);
    CGeNrbCrv3d arc(half);
    for (double step : {0.7, 1.0, 2.5}) {
        CArray<tagPoint3d, tagPoint3d> out;
        actor.CrvDiscToStrptInEquDist(&arc, step, 1e-5, out);
        const int n = static_cast<int>(out.GetSize());
        ASSERT_GE(n, 3) << step;
        EXPECT_EQ(n, static_cast<int>(std::floor(5.0 * M_PI / step - 1e-9)) + 2) << step;
        for (int i = 1; i < n - 1; ++i) {
            const double t0 = std::atan2(out[i - 1].y, out[i - 1].x), t1 = std::atan2(out[i].y, out[i].x);
            EXPECT_NEAR(5.0 * (t1 - t0), step, 1e-4) << step << " " << i;
            EXPECT_NEAR(std::hypot(out[i].x, out[i].y), 5.0, 1e-4) << step << " " << i;
        }
        EXPECT_NEAR(out[n - 1].x, -5.0, 1e-9) << "the end is always output";
    }
    struct Row {
        const char* label;
        double step;
        int count;
    } rows[] = {{"step longer than the curve", 50.0, 2}, {"step equal to the curve", 10.0, 2},
                {"zero step", 0.0, 0},          {"negative step", -1.0, 0},
                {"NaN step", std::nan(""), 0}};
    for (const Row& row : rows) {
        CArray<tagPoint3d, tagPoint3d> out;
        actor.CrvDiscToStrptInEquDist(&line, row.step, 0.01, out);
        EXPECT_EQ(out.GetSize(), row.count) << row.label;
    }
    CArray<tagPoint3d, tagPoint3d> out;
    actor.CrvDiscToStrptInEquDist(nullptr, 1.0, 0.01, out);
    EXPECT_EQ(out.GetSize(), 0) << "null curve";
}

std::unique_ptr<CGeTrimSurf> Untrimmed(SurfPtr s)
{
    auto surf = std::make_unique<CGeTrimSurf>(s.release(), BOX2<double>(0, 0, 1, 1));
    surf->AddLoop(surf->GenRectTrimLoop(0, 1, 0, 1));
    surf->CalcUVBox();
    return surf;
}

double SnapDistance(const _nurbs_surface* s, const double* p, double* u = nullptr, double* v = nullptr)
{
    double foot[3], uu = 1e12, vv = 1e12, d = INFINITY;
    BSRF_SnapPnt(s, p, 1e-12, foot, &uu, &vv, &d);
    if (u) *u = uu;
    if (v) *v = vv;
    return d;
}

TEST(SrfActorSurfExtend, EachBoundaryGrowsItsOwnSide)
{
    CSrfActor actor;
    auto surf = Untrimmed(surffix::Wavy(6, false));
    CGeTrimLoop* loop = surf->m_listLoop.GetHead();
    int k = 0;
    for (CGeTrimBnd* bnd : loop->m_listBnd) {
        for (int mode : {0, 1}) {
            const std::string label = "bound " + std::to_string(k) + " mode " + std::to_string(mode);
            std::unique_ptr<CGeTrimSurf> ext(actor.SurfExtend(surf.get(), bnd, mode, 0.5));
            ASSERT_NE(ext, nullptr) << label;
            EXPECT_EQ(ext->IsTrimed(), 0) << label;
            // Every point of the original lies on the extension.
            double worst = 0.0;
            for (int i = 0; i <= 10; ++i)
                for (int j = 0; j <= 10; ++j) {
                    double p[3];
                    BSRF_EvPos(surf->m_pSurface, i / 10.0, j / 10.0, p);
                    worst = std::fmax(worst, SnapDistance(ext->m_pSurface, p));
                }
            EXPECT_LT(worst, 1e-9) << label;
            // This boundary's middle is now inside the extension's domain, the
            // other boundaries' middles stay on its edge.
            int m = 0;
            for (CGeTrimBnd* other : loop->m_listBnd) {
                double uv[2] = {0, 0}, p[3];
                double mid[2], e[2];
                other->m_pUVCrv->GetStartPoint(mid);
                other->m_pUVCrv->GetEndPoint(e);
                uv[0] = 0.5 * (mid[0] + e[0]);
                uv[1] = 0.5 * (mid[1] + e[1]);
                BSRF_EvPos(surf->m_pSurface, uv[0], uv[1], p);
                double u, v;
                SnapDistance(ext->m_pSurface, p, &u, &v);
                const double edge = std::fmin(std::fmin(u, 1 - u), std::fmin(v, 1 - v));
                if (m == k) {
                    EXPECT_NEAR(edge, 0.5 / 1.5, 1e-6) << label << " ratio / (1 + ratio) from the new edge";
                } else {
                    EXPECT_LT(edge, 1e-9) << label << " other bound " << m;
                }
                ++m;
            }
        }
        ++k;
    }
}

TEST(SrfActorSurfExtend, EdgeRows)
{
    CSrfActor actor;
    auto surf = Untrimmed(surffix::Wavy(5, false));
    CGeTrimBnd* first = surf->m_listLoop.GetHead()->m_listBnd.GetHead();
    // Ratio 2 extends by ratio 1.
    std::unique_ptr<CGeTrimSurf> two(actor.SurfExtend(surf.get(), first, 0, 2.0));
    std::unique_ptr<CGeTrimSurf> one(actor.SurfExtend(surf.get(), first, 0, 1.0));
    ASSERT_TRUE(two && one);
    for (int i = 0; i <= 4; ++i) {
        double p[3], q[3];
        BSRF_EvPos(two->m_pSurface, i / 4.0, 0.0, p);
        BSRF_EvPos(one->m_pSurface, i / 4.0, 0.0, q);
        EXPECT_LT(std::fabs(p[0] - q[0]) + std::fabs(p[1] - q[1]) + std::fabs(p[2] - q[2]), 1e-12) << i;
    }
    EXPECT_EQ(actor.SurfExtend(surf.get(), first, 0, 1e-7), nullptr) << "ratio too small";
    EXPECT_EQ(actor.SurfExtend(nullptr, first, 0, 0.5), nullptr) << "null surface";
    EXPECT_EQ(actor.SurfExtend(surf.get(), nullptr, 0, 0.5), nullptr) << "null boundary";
    EXPECT_EQ(actor.SurfExtend(surf.get(), first, 7, 0.5), nullptr) << "unknown mode";
    // A slanted line and a polyline are no iso boundaries.
    const double p0[2] = {0, 0}, p1[2] = {1, 1};
    CGeTrimBnd slanted(new CGeLine(p0, p1), nullptr, nullptr);
    EXPECT_EQ(actor.SurfExtend(surf.get(), &slanted, 0, 0.5), nullptr) << "slanted line";
    const double pts[3][2] = {{0, 0}, {0.5, 0}, {1, 0}};
    auto* poly = new CGePolyline;
    poly->Create(3, pts);
    CGeTrimBnd polyBnd(poly, nullptr, nullptr);
    EXPECT_EQ(actor.SurfExtend(surf.get(), &polyBnd, 0, 0.5), nullptr) << "polyline";
    // A surface with a hole is trimmed.
    surf->AddLoop(surf->GenRectTrimLoop(0.4, 0.6, 0.4, 0.6));
    surf->CalcUVBox();
    EXPECT_EQ(actor.SurfExtend(surf.get(), first, 0, 0.5), nullptr) << "trimmed surface";
}

TEST(SrfActorUnTrimSurf, RemovesTheHoleOrTheOuterLoop)
{
    CSrfActor actor;
    auto surf = std::make_unique<CGeTrimSurf>(surffix::Plane(10, 10).release(), BOX2<double>(0, 0, 1, 1));
    surf->AddLoop(surf->GenRectTrimLoop(0.1, 0.9, 0.1, 0.9));
    surf->AddLoop(surf->GenRectTrimLoop(0.4, 0.6, 0.4, 0.6));
    surf->BuildTopo();
    surf->CalcUVBox();
    CGeTrimBnd* outer = surf->m_listLoop.GetHead()->m_listBnd.GetHead();
    CGeTrimBnd* hole = surf->m_listLoop.GetTail()->m_listBnd.GetHead();
    double centre[2] = {0.5, 0.5}, rim[2] = {0.05, 0.05}, between[2] = {0.2, 0.2};
    ASSERT_EQ(surf->IsPtInParaLoop(centre), 0);
    ASSERT_EQ(surf->IsPtInParaLoop(rim), 0);

    std::unique_ptr<CGeTrimSurf> filled(actor.UnTrimSurf(surf.get(), hole));
    ASSERT_NE(filled, nullptr);
    EXPECT_EQ(filled->m_listLoop.GetCount(), 1);
    EXPECT_EQ(filled->IsPtInParaLoop(centre), 1) << "the hole is gone";
    EXPECT_EQ(filled->IsPtInParaLoop(rim), 0) << "the outer loop stays";
    EXPECT_GT(filled->numFace3(), 0u) << "tessellated";

    std::unique_ptr<CGeTrimSurf> opened(actor.UnTrimSurf(surf.get(), outer));
    ASSERT_NE(opened, nullptr);
    EXPECT_EQ(opened->m_listLoop.GetCount(), 2);
    EXPECT_EQ(opened->IsPtInParaLoop(rim), 1) << "the whole domain bounds it";
    EXPECT_EQ(opened->IsPtInParaLoop(between), 1);
    EXPECT_EQ(opened->IsPtInParaLoop(centre), 0) << "the hole stays";
    for (CGeTrimLoop* l : opened->m_listLoop) EXPECT_EQ(l->m_pSurf, opened.get()) << "loops linked";

    auto other = std::make_unique<CGeTrimSurf>(surffix::Plane(10, 10).release(), BOX2<double>(0, 0, 1, 1));
    other->AddLoop(other->GenRectTrimLoop(0, 1, 0, 1));
    EXPECT_EQ(actor.UnTrimSurf(surf.get(), other->m_listLoop.GetHead()->m_listBnd.GetHead()), nullptr)
        << "a boundary of another surface";
    EXPECT_EQ(actor.UnTrimSurf(nullptr, hole), nullptr);
    EXPECT_EQ(actor.UnTrimSurf(surf.get(), nullptr), nullptr);
}

}  // namespace

namespace {

// A plane of w × h moved by shift, bounded by the whole domain.
std::unique_ptr<CGeTrimSurf> PlaneAt(double w, double h, const double* shift)
{
    SurfPtr s = surffix::Plane(w, h);
    BSRF_Move(s.get(), shift);
    return Untrimmed(std::move(s));
}

// The k-th bound of the surface's first loop (0 v-min, 1 u-max, 2 v-max, 3 u-min).
CGeTrimBnd* Bound(CGeTrimSurf* s, int k)
{
    POSITION pos = s->m_listLoop.GetHead()->m_listBnd.FindIndex(k);
    return s->m_listLoop.GetHead()->m_listBnd.GetAt(pos);
}

struct OwnedSurfs {
    CTypedPtrList<CObList, CGeTrimSurf*> list;
    ~OwnedSurfs()
    {
        for (CGeTrimSurf* s : list) delete s;
    }
};

// Largest distance from the iso line u = u0 of s to the curve (its NURBS form).
double IsoToCurve(const _nurbs_surface* s, double u0, CGeCurve3d* curve)
{
    BCRV* c = QVN_GeConvert::ToNurbsCurve(curve);
    double worst = 0.0;
    for (int j = 0; j <= 50; ++j) {
        double p[3];
        BSRF_EvPos(s, u0, j / 50.0, p);
        double best = INFINITY;
        for (int i = 0; i <= 2000; ++i) {
            double q[3];
            BCRV_EvPos(c, i / 2000.0, q);
            best = std::fmin(best, std::sqrt((p[0] - q[0]) * (p[0] - q[0]) + (p[1] - q[1]) * (p[1] - q[1]) +
                                             (p[2] - q[2]) * (p[2] - q[2])));
        }
        worst = std::fmax(worst, best);
    }
    BCRV_Free(c);
    return worst;
}

const SURFBLEND_PARAM kWhole{0.0, 0.0, 0.0, 1.0, 0.0, 1.0, 0, 0};

TEST(SrfActorBlend, HermiteBlendJoinsBothBoundariesAlongTheirCrossDirections)
{
    CSrfActor actor;
    const double at0[3] = {0, 0, 0}, at1[3] = {15, 0, 5};
    auto a = PlaneAt(10, 10, at0);
    auto b = PlaneAt(10, 10, at1);
    CGeTrimBnd* ba = Bound(a.get(), 1);  // x = 10, y rising
    CGeTrimBnd* bb = Bound(b.get(), 3);  // x = 15, y falling
    OwnedSurfs out;
    ASSERT_EQ(actor.SurfSurfBlend(a.get(), b.get(), ba, bb, false, true, kWhole, &out.list), 1);
    ASSERT_EQ(out.list.GetCount(), 1);
    const _nurbs_surface* s = out.list.GetHead()->m_pSurface;
    EXPECT_EQ(out.list.GetHead()->IsTrimed(), 0);
    EXPECT_LT(IsoToCurve(s, 0.0, ba->m_pEucCrv), 1e-3) << "on the first boundary";
    EXPECT_LT(IsoToCurve(s, 1.0, bb->m_pEucCrv), 1e-3) << "on the second boundary";
    // Cross-boundary derivatives: T × N at both ends, (0, 1, 0) × z = +x and
    // (0, -1, 0) × z = -x, sections running across in u.
    for (int j = 0; j <= 10; ++j) {
        double p[3], su[3], sv[3];
        BSRF_Ev1Der(s, 0.0, j / 10.0, p, su, sv);
        EXPECT_NEAR(su[0], 1.0, 1e-9) << j;
        EXPECT_NEAR(std::hypot(su[1], su[2]), 0.0, 1e-9) << j;
        BSRF_Ev1Der(s, 1.0, j / 10.0, p, su, sv);
        EXPECT_NEAR(su[0], -1.0, 1e-9) << j;
        EXPECT_NEAR(std::hypot(su[1], su[2]), 0.0, 1e-9) << j;
    }
    // Extra tangent lengths move the second control points by exactly that much.
    SURFBLEND_PARAM longer = kWhole;
    longer.dExtLen1 = 2.0;
    longer.dExtLen2 = 3.5;
    OwnedSurfs pushed;
    ASSERT_EQ(actor.SurfSurfBlend(a.get(), b.get(), ba, bb, false, true, longer, &pushed.list), 1);
    const _nurbs_surface* t = pushed.list.GetHead()->m_pSurface;
    ASSERT_EQ(t->nv, s->nv);
    auto gap = [](const double* x, const double* y) {
        return std::sqrt((x[0] / x[3] - y[0] / y[3]) * (x[0] / x[3] - y[0] / y[3]) +
                         (x[1] / x[3] - y[1] / y[3]) * (x[1] / x[3] - y[1] / y[3]) +
                         (x[2] / x[3] - y[2] / y[3]) * (x[2] / x[3] - y[2] / y[3]));
    };
    for (int j = 0; j < s->nv; ++j) {
        EXPECT_NEAR(gap(t->P[1][j], s->P[1][j]), 2.0, 1e-9) << j;
        EXPECT_NEAR(gap(t->P[2][j], s->P[2][j]), 3.5, 1e-9) << j;
        EXPECT_NEAR(gap(t->P[0][j], s->P[0][j]), 0.0, 1e-12) << j;
        EXPECT_NEAR(gap(t->P[1][j], t->P[0][j]), gap(s->P[1][j], s->P[0][j]) + 2.0, 1e-9) << "further out " << j;
    }
}

// A line reporting the given discretisation step.
class SteppedLine : public CGeLine3d {
public:
    SteppedLine(double* s, double* e, double step) : CGeLine3d(s, e), m_step(step) {}
    int GetDiscStep(double, double& step) override
    {
        step = m_step;
        return 1;
    }

private:
    double m_step;
};

TEST(SrfActorBlend, SectionCountsAreClampedAndAStepOfZeroCountsAsMost)
{
    CSrfActor actor;
    const double at0[3] = {0, 0, 0}, at1[3] = {15, 0, 5};
    auto a = PlaneAt(10, 10, at0);
    auto b = PlaneAt(10, 10, at1);
    struct Row {
        const char* label;
        SURFBLEND_PARAM param;
        int sections;
    } rows[] = {
        // A straight iso line steps 0.125 at most: a range of 0.2 needs 2, one of 1 needs 8.
        {"two needed, four used", {0, 0, 0.4, 0.6, 0.4, 0.6, 0, 0}, 4},
        {"whole ranges", kWhole, 8},
        {"a whole closed range counts 1", {0, 0, 0.3, 0.4, 0.3, 0.4, 1, 0}, 8},
    };
    for (const Row& row : rows) {
        OwnedSurfs out;
        ASSERT_EQ(actor.SurfSurfBlend(a.get(), b.get(), Bound(a.get(), 1), Bound(b.get(), 3), false, true, row.param,
                                      &out.list),
                  1)
            << row.label;
        EXPECT_EQ(out.list.GetHead()->m_pSurface->nv, row.sections) << row.label;
    }
    // A boundary whose step is zero asks for the most sections instead of dividing by zero.
    CGeTrimBnd* bnd = Bound(a.get(), 1);
    double p0[3] = {10, 0, 0}, p1[3] = {10, 10, 0};
    CGeCurve3d* kept = bnd->m_pEucCrv;
    bnd->m_pEucCrv = new SteppedLine(p0, p1, 0.0);
    OwnedSurfs out;
    ASSERT_EQ(actor.SurfSurfBlend(a.get(), b.get(), bnd, Bound(b.get(), 3), false, true, kWhole, &out.list), 1);
    EXPECT_EQ(out.list.GetHead()->m_pSurface->nv, kBlendMaxSections);
    delete bnd->m_pEucCrv;
    bnd->m_pEucCrv = kept;
    // Needing 1000 (a step of 0.001 on the curve) gives 501; so does a curve of step 0.
    for (double step : {0.001, 0.0}) {
        double q0[3] = {0, 0, 3}, q1[3] = {0, 10, 3};
        SteppedLine fine(q0, q1, step);
        OwnedSurfs curveOut;
        ASSERT_EQ(actor.SurfCurveBlend(&fine, a.get(), Bound(a.get(), 3), false, true, kWhole, &curveOut.list), 1)
            << step;
        EXPECT_EQ(curveOut.list.GetHead()->m_pSurface->nv, kBlendMaxSections) << step;
    }
    double q0[3] = {0, 0, 3}, q1[3] = {0, 10, 3};
    SteppedLine coarse(q0, q1, 0.1);
    OwnedSurfs tenOut;
    ASSERT_EQ(actor.SurfCurveBlend(&coarse, a.get(), Bound(a.get(), 3), false, true, kWhole, &tenOut.list), 1);
    EXPECT_EQ(tenOut.list.GetHead()->m_pSurface->nv, 10) << "the curve's step decides";
}

TEST(SrfActorBlend, ConicBlendRunsFromTheCurveToTheBoundary)
{
    CSrfActor actor;
    const double at0[3] = {0, 0, 0};
    auto a = PlaneAt(10, 10, at0);
    CGeTrimBnd* ba = Bound(a.get(), 1);  // x = 10, y rising; T × N = +x
    double c0[3] = {16, 10, 4}, c1[3] = {16, 0, 4};
    CGeLine3d line(c0, c1);
    OwnedSurfs out;
    ASSERT_EQ(actor.SurfCurveBlend(&line, a.get(), ba, true, false, kWhole, &out.list), 1);
    double start[3];
    line.GetStartPoint(start);
    EXPECT_EQ(start[1], 0.0) << "the caller's curve was reversed in place";
    const _nurbs_surface* s = out.list.GetHead()->m_pSurface;
    EXPECT_EQ(s->ku, 3);
    EXPECT_LT(IsoToCurve(s, 0.0, &line), 1e-9) << "on the curve";
    EXPECT_LT(IsoToCurve(s, 1.0, ba->m_pEucCrv), 1e-9) << "on the boundary";
    // Every section is the parabola C, M, P with M = P + |C - P|/2 · (+x):
    // tangent at the boundary along +x, at the curve towards M.
    const double gap = std::sqrt(36.0 + 16.0);
    for (int j = 0; j <= 10; ++j) {
        double p[3], su[3], sv[3];
        BSRF_Ev1Der(s, 1.0, j / 10.0, p, su, sv);
        EXPECT_NEAR(su[1], 0.0, 1e-9) << j;
        EXPECT_NEAR(su[2], 0.0, 1e-9) << j;
        EXPECT_LT(su[0], 0.0) << "arriving against +x " << j;
        BSRF_Ev1Der(s, 0.5, j / 10.0, p, su, sv);
        // Middle of a parabola: (C + 2M + P) / 4.
        EXPECT_NEAR(p[0], (16.0 + 2.0 * (10.0 + gap / 2.0) + 10.0) / 4.0, 1e-9) << j;
        EXPECT_NEAR(p[2], 1.0, 1e-9) << j;
    }
    EXPECT_EQ(actor.SurfCurveBlend(nullptr, a.get(), ba, false, false, kWhole, &out.list), 0);
    EXPECT_EQ(actor.SurfCurveBlend(&line, a.get(), ba, false, false, kWhole, nullptr), 0);
    CGeTrimBnd bare;
    EXPECT_EQ(actor.SurfCurveBlend(&line, a.get(), &bare, false, false, kWhole, &out.list), 0) << "no curves";
    EXPECT_EQ(actor.SurfSurfBlend(a.get(), a.get(), ba, &bare, false, false, kWhole, &out.list), 0) << "no curves";
    EXPECT_EQ(out.list.GetCount(), 1);
}

}  // namespace

namespace {

void AddRect(CTypedPtrList<CObList, CGeCurve3d*>& list, double x0, double y0, double x1, double y1)
{
    double p[4][3] = {{x0, y0, 0}, {x1, y0, 0}, {x1, y1, 0}, {x0, y1, 0}};
    for (int i = 0; i < 4; ++i) list.AddTail(new CGeLine3d(p[i], p[(i + 1) % 4]));
}

CGeCurve3d* CircleCurve(double cx, double cy, double cz, double r)
{
    BCRV* c = BCRV_New();
    const double o[3] = {cx, cy, cz};
    c->GenCircle(o, r);
    return new CGeNrbCrv3d(c);
}

struct CurveList {
    CTypedPtrList<CObList, CGeCurve3d*> list;
    ~CurveList()
    {
        for (CGeCurve3d* c : list) delete c;
    }
};

// Trimmed area from a grid over the parameter square, scaled by the plane's size.
double GridArea(CGeTrimSurf* s, double w, double h)
{
    constexpr int kN = 300;
    int inside = 0;
    for (int i = 0; i < kN; ++i)
        for (int j = 0; j < kN; ++j) {
            double uv[2] = {(i + 0.5) / kN, (j + 0.5) / kN};
            inside += s->IsPtInParaLoop(uv);
        }
    return w * h * inside / (double(kN) * kN);
}

// Largest distance between a trim bound's parameter-curve vertices mapped through
// the surface and its own 3D curve's nearest discretisation point.
double BoundsOnSurface(CGeTrimSurf* s)
{
    double worst = 0.0;
    for (CGeTrimLoop* loop : s->m_listLoop)
        for (CGeTrimBnd* b : loop->m_listBnd) {
            if (!b->m_pUVCrv || !b->m_pEucCrv) return INFINITY;
            b->m_pUVCrv->EnsureDisplay(0.01);
            const double(*uv)[2] = b->m_pUVCrv->GetSWPoint();
            const int count = b->m_pUVCrv->GetSWPointCount();
            CStrP3D str;
            b->m_pEucCrv->Discrete(1e-4, str);
            for (int k = 0; k < count; ++k) {
                double p[3];
                s->GetPoint(uv[k][0], uv[k][1], p);
                double best = INFINITY;
                for (int i = 1; i < str.m_nCount; ++i) {
                    const double* a = str.m_pPoints[i - 1];
                    const double* e = str.m_pPoints[i];
                    const double d[3] = {e[0] - a[0], e[1] - a[1], e[2] - a[2]};
                    const double len2 = d[0] * d[0] + d[1] * d[1] + d[2] * d[2];
                    double t = len2 > 0 ? ((p[0] - a[0]) * d[0] + (p[1] - a[1]) * d[1] + (p[2] - a[2]) * d[2]) / len2 : 0;
                    t = std::fmax(0.0, std::fmin(1.0, t));
                    const double q[3] = {a[0] + t * d[0] - p[0], a[1] + t * d[1] - p[1], a[2] + t * d[2] - p[2]};
                    best = std::fmin(best, std::sqrt(q[0] * q[0] + q[1] * q[1] + q[2] * q[2]));
                }
                worst = std::fmax(worst, best);
            }
        }
    return worst;
}

TEST(SrfActorGenPlane, RectangleWithCircleGivesOnePlaneWithAnIsland)
{
    CSrfActor actor;
    CurveList in;
    AddRect(in.list, 0, 0, 100, 60);
    in.list.AddTail(CircleCurve(50, 30, 0, 10));
    // A circle standing in the plane x = 200, and one in the parallel plane z = 5.
    CGeCurve3d* upright = CircleCurve(0, 0, 0, 8);
    double origin[3] = {0, 0, 0}, yAxis[3] = {0, 1, 0}, shift[3] = {200, 0, 0};
    upright->Rotate3D(origin, yAxis, M_PI / 2);
    upright->Translate3D(shift);
    in.list.AddTail(upright);
    in.list.AddTail(CircleCurve(300, 0, 5, 4));
    OwnedSurfs out;
    ASSERT_EQ(actor.GenPlane(&in.list, 0.01, &out.list), 1);
    ASSERT_EQ(out.list.GetCount(), 3);
    CGeTrimSurf* plate = out.list.GetHead();
    EXPECT_EQ(plate->m_listLoop.GetCount(), 2) << "outer loop and island";
    EXPECT_NEAR(GridArea(plate, 100, 60), 6000 - M_PI * 100, 0.01 * 6000);
    EXPECT_LT(BoundsOnSurface(plate), 1e-3) << "boundaries on the input curves";
    for (const CPoint3f& v : plate->vertices) {
        EXPECT_NEAR(v.z, 0.0, 1e-4);
        EXPECT_GT(v.x, -1e-3);
        EXPECT_LT(v.x, 100 + 1e-3);
    }
    EXPECT_GT(plate->numFace3(), 0u);
    POSITION pos = out.list.FindIndex(1);
    CGeTrimSurf* standing = out.list.GetAt(pos);
    EXPECT_EQ(standing->m_listLoop.GetCount(), 1);
    EXPECT_NEAR(GridArea(standing, 16, 16), M_PI * 64, 0.01 * M_PI * 64);
    for (const CPoint3f& v : standing->vertices) EXPECT_NEAR(v.x, 200.0, 1e-3);
    for (const CPoint3f& v : out.list.GetTail()->vertices) EXPECT_NEAR(v.z, 5.0, 1e-4) << "a plane of its own";
}

TEST(SrfActorGenPlane, LargePlatesReachTheirTrimLoops)
{
    // Width and height that floats do not hold: the plane must span the loops exactly.
    CSrfActor actor;
    CurveList in;
    AddRect(in.list, 1000.123456789, -20000.987654321, 124456.912345678, 78764.444444444);
    OwnedSurfs out;
    ASSERT_EQ(actor.GenPlane(&in.list, 1.0, &out.list), 1);
    ASSERT_EQ(out.list.GetCount(), 1);
    EXPECT_LT(BoundsOnSurface(out.list.GetHead()), 1e-6);
}

TEST(SrfActorGenPlane, BadInputAndCurvesWithoutAPlane)
{
    CSrfActor actor;
    CurveList in;
    OwnedSurfs out;
    EXPECT_EQ(actor.GenPlane(nullptr, 0.01, &out.list), 0);
    EXPECT_EQ(actor.GenPlane(&in.list, 0.01, &out.list), 0) << "empty list";
    AddRect(in.list, 0, 0, 1, 1);
    EXPECT_EQ(actor.GenPlane(&in.list, 0.01, nullptr), 0);
    CurveList helix;
    double a[3] = {0, 0, 0}, b[3] = {1, 0, 0}, c[3] = {1, 1, 1};
    helix.list.AddTail(new CGeLine3d(a, b));  // one straight line spans no plane
    auto* bent = new CGePolyline3d;
    double pts[4][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 1}, {0, 1, 3}};
    bent->Create(4, pts);
    helix.list.AddTail(bent);  // not planar
    EXPECT_EQ(actor.GenPlane(&helix.list, 0.01, &out.list), 1);
    EXPECT_EQ(out.list.GetCount(), 0);
    (void)c;
    // The caller's curves are only read.
    double s0[3];
    in.list.GetHead()->GetStartPoint(s0);
    ASSERT_EQ(actor.GenPlane(&in.list, 0.01, &out.list), 1);
    double s1[3];
    in.list.GetHead()->GetStartPoint(s1);
    EXPECT_EQ(s0[0], s1[0]);
    EXPECT_EQ(s0[1], s1[1]);
    EXPECT_EQ(in.list.GetCount(), 4);
}

}  // namespace

namespace {

// Model-space area of the tessellation.
double MeshArea(const CGeTrimSurf* s)
{
    double a = 0.0;
    for (const SFacet3& f : s->faces3) {
        const CPoint3f& p = s->vertices[f.v[0]];
        const CPoint3f& q = s->vertices[f.v[1]];
        const CPoint3f& r = s->vertices[f.v[2]];
        const double u[3] = {q.x - p.x, q.y - p.y, q.z - p.z}, v[3] = {r.x - p.x, r.y - p.y, r.z - p.z};
        const double c[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
        a += 0.5 * std::sqrt(c[0] * c[0] + c[1] * c[1] + c[2] * c[2]);
    }
    return a;
}

TEST(SrfActorIsoTrimSurf, PiecesAddUpToTheWhole)
{
    CSrfActor actor;
    const double at0[3] = {0, 0, 0};
    auto whole = PlaneAt(10, 10, at0);
    auto holed = std::make_unique<CGeTrimSurf>(surffix::Plane(10, 10).release(), BOX2<double>(0, 0, 1, 1));
    holed->AddLoop(holed->GenRectTrimLoop(0.1, 0.9, 0.1, 0.9));
    holed->AddLoop(holed->GenRectTrimLoop(0.4, 0.6, 0.4, 0.6));
    holed->BuildTopo();
    holed->CalcUVBox();
    struct Row {
        const char* label;
        CGeTrimSurf* surf;
        double value;
        int dir;
        std::vector<double> areas;  // of the pieces, in any order
    } rows[] = {
        {"untrimmed at u = 0.3", whole.get(), 0.3, kIsoConstU, {30, 70}},
        {"untrimmed at v = 0.8", whole.get(), 0.8, kIsoConstV, {80, 20}},
        {"through the island", holed.get(), 0.5, kIsoConstV, {30, 30}},
        {"beside the island", holed.get(), 0.25, kIsoConstU, {12, 48}},
    };
    for (const Row& row : rows) {
        OwnedSurfs out;
        ASSERT_EQ(actor.IsoTrimSurf(row.surf, row.value, row.dir, &out.list), 1) << row.label;
        ASSERT_EQ(out.list.GetCount(), static_cast<int>(row.areas.size())) << row.label;
        std::vector<double> got;
        for (CGeTrimSurf* s : out.list) got.push_back(MeshArea(s));
        std::sort(got.begin(), got.end());
        std::vector<double> want = row.areas;
        std::sort(want.begin(), want.end());
        for (std::size_t i = 0; i < got.size(); ++i) EXPECT_NEAR(got[i], want[i], 0.01 * want[i]) << row.label;
    }
    OwnedSurfs out;
    EXPECT_EQ(actor.IsoTrimSurf(holed.get(), 0.1 + 0.00005, kIsoConstU, &out.list), 0) << "at the box edge";
    EXPECT_EQ(actor.IsoTrimSurf(whole.get(), 1.0, kIsoConstU, &out.list), 0) << "at the domain end";
    EXPECT_EQ(actor.IsoTrimSurf(whole.get(), 0.5, kIsoConstU, nullptr), 0);
    EXPECT_EQ(actor.IsoTrimSurf(nullptr, 0.5, kIsoConstU, &out.list), 0);
    EXPECT_EQ(out.list.GetCount(), 0);
}

}  // namespace

namespace {

TEST(SrfActorKernelRecord, MadeOnceOverACloneAndFreed)
{
    CSrfActor actor;
    const double at0[3] = {0, 0, 0};
    auto s = PlaneAt(4, 2, at0);
    EXPECT_EQ(actor.CreateSURFACE(s.get()), 1);
    auto* record = static_cast<SURFACE*>(s->m_pKernelSurf);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->type, ENT_NURBS_SURFACE);
    EXPECT_EQ(actor.CreateSURFACE(s.get()), 1);
    EXPECT_EQ(s->m_pKernelSurf, record) << "kept when there is one";
    // The record evaluates the surface through its own clone.
    double u = 1e12, v = 1e12, foot[3];
    const double p[3] = {1.0, 1.5, 3.0};
    ASSERT_EQ(ESRF_ProjectPoint(&u, &v, foot, record, p), 1);
    EXPECT_NEAR(foot[0], 1.0, 1e-9);
    EXPECT_NEAR(foot[1], 1.5, 1e-9);
    EXPECT_NEAR(foot[2], 0.0, 1e-9);
    EXPECT_EQ(actor.FreeSURFACE(s.get()), 0);
    EXPECT_EQ(s->m_pKernelSurf, nullptr);
    EXPECT_EQ(actor.FreeSURFACE(s.get()), 0) << "twice is harmless";
    EXPECT_EQ(actor.CreateSURFACE(nullptr), 1);
}

}  // namespace

namespace {

TEST(SrfActorStrptPrj, PointsOnATorusComeBackWithTheirParameters)
{
    CSrfActor actor;
    SurfPtr torus = surffix::Torus(3.0, 1.0);
    CStrP3D str;
    ASSERT_EQ(str.Create(40, false, false), 1);
    std::vector<std::array<double, 3>> lifted;
    for (int i = 0; i < 40; ++i) {
        const double u = 0.05 + 0.9 * i / 39.0, v = 0.3 + 0.2 * std::sin(0.2 * i);
        double p[3], n[3];
        BSRF_EvNormal(torus.get(), u, v, p, n);
        // Off the surface along its normal: the nearest point is the one below.
        for (int c = 0; c < 3; ++c) str.m_pPoints[i][c] = p[c] + 0.2 * n[c];
        lifted.push_back({p[0], p[1], p[2]});
    }
    const double tolBefore = ESSI_GetPointTol();
    CArray<tagPoint2d, tagPoint2d> uv;
    ASSERT_EQ(actor.StrptPrjToSurfAlongNormal(&str, torus.get(), uv), 1);
    EXPECT_EQ(ESSI_GetPointTol(), tolBefore) << "point tolerance restored";
    ASSERT_EQ(uv.GetSize(), 40);
    for (int i = 0; i < 40; ++i) {
        double p[3];
        BSRF_EvPos(torus.get(), uv[i].x, uv[i].y, p);
        const double d = std::sqrt((p[0] - lifted[i][0]) * (p[0] - lifted[i][0]) +
                                   (p[1] - lifted[i][1]) * (p[1] - lifted[i][1]) +
                                   (p[2] - lifted[i][2]) * (p[2] - lifted[i][2]));
        EXPECT_LT(d, 1e-6) << i;
    }
    CStrP3D one;
    one.Create(1, false, false);
    CArray<tagPoint2d, tagPoint2d> none;
    EXPECT_EQ(actor.StrptPrjToSurfAlongNormal(&one, torus.get(), none), 0) << "one point";
    EXPECT_EQ(actor.StrptPrjToSurfAlongNormal(&str, nullptr, none), 0);
    EXPECT_EQ(actor.StrptPrjToSurfAlongNormal(nullptr, torus.get(), none), 0);
    EXPECT_EQ(none.GetSize(), 0);
}

}  // namespace
