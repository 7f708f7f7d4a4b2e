// Surface records of the surface kernel: points against closed forms,
// derivatives and normal derivatives against differences, poles, principal
// curvatures against their formulas, parameter records, projections against
// dense sampling and conversions to NURBS.
#include "toolpath/surfkernel/SurfaceEntity.h"

#include "KernelEntityFixtures.h"
#include "framework/numerak/Matrix33.h"
#include "framework/numerak/Point3D.h"
#include "framework/numerak/QvnMath.h"
#include "testing/SurfaceFixtures.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <cmath>
#include <functional>
#include <numbers>
#include <random>
#include <string>
#include <vector>

namespace {

using kernelfix::Dist;
using kernelfix::EntityPtr;
using kernelfix::Tilted;
constexpr double kPi = std::numbers::pi;

struct KernelSurfaceTest : ::testing::Test {
    void SetUp() override { ESSI_ResetKernelState(); }
};

// Meridian of the sphere of radius r about the origin from the south pole to
// the north pole in the x-z plane.
BCRV* Meridian(double r)
{
    _arc arc{{{0, 0, -1}, {1, 0, 0}, {0, -1, 0}, {0, 0, 0}, 1.0}, r, kPi};
    BCRV* c = nullptr;
    BCRV_GenArc(&arc, &c);
    return c;
}

_nurbs_surface* NurbsSphere(double r)
{
    BCRV* m = Meridian(r);
    const double o[3] = {0, 0, 0}, z[3] = {0, 0, 1};
    _nurbs_surface* s = nullptr;
    BSRF_GenRevolve(o, z, m, 2 * kPi, &s);
    BCRV_Free(m);
    return s;
}

_nurbs_surface* NurbsHalfCylinder(double r, double h)
{
    BCRV* line = BCRV_New();
    const double a[3] = {r, 0, 0}, b[3] = {r, 0, h}, o[3] = {0, 0, 0}, z[3] = {0, 0, 1};
    line->GenLine(a, b);
    _nurbs_surface* s = nullptr;
    BSRF_GenRevolve(o, z, line, kPi, &s);
    BCRV_Free(line);
    return s;
}

BCRV* Square()
{
    BCRV* c = BCRV_New(2, 5);
    const double p[5][3] = {{0, 0, 0}, {2, 0, 0}, {2, 2, 0}, {0, 2, 0}, {0, 0, 0}};
    for (int i = 0; i < 5; ++i) {
        c->SetCtrlPt(i, p[i]);
        if (i > 0 && i < 4)
            c->U[i + 1] = i / 4.0;
    }
    return c;
}

SURFACE* Nurbs(_nurbs_surface* s) { return ESRF_NewNurbs(s); }

// A surface row: its record, the box the samples cover, and (optional) the
// signed distance of a point from the analytic surface and its outward normal.
struct Row {
    std::string label;
    EntityPtr s;
    double box[4];
    std::function<double(const double*)> deviation;
    std::function<void(const double*, double*)> normal;
    std::vector<EntityPtr> keep; // bases the row refers to
};

double Norm(const double* p) { return std::hypot(p[0], p[1], p[2]); }

std::vector<Row> Rows()
{
    std::vector<Row> rows;
    const _rect_fm3d f = Tilted();
    auto sphereAt = [](const double* o, double r) {
        return [o0 = o[0], o1 = o[1], o2 = o[2], r](const double* p) {
            return std::hypot(p[0] - o0, p[1] - o1, p[2] - o2) - r;
        };
    };
    auto sphereNormal = [](const double* o) {
        return [o0 = o[0], o1 = o[1], o2 = o[2]](const double* p, double* n) {
            const double d = std::hypot(p[0] - o0, p[1] - o1, p[2] - o2);
            n[0] = (p[0] - o0) / d;
            n[1] = (p[1] - o1) / d;
            n[2] = (p[2] - o2) / d;
        };
    };
    auto cylinder = [](double r) { return [r](const double* p) { return std::hypot(p[0], p[1]) - r; }; };
    auto cylinderNormal = [](const double* p, double* n) {
        const double d = std::hypot(p[0], p[1]);
        n[0] = p[0] / d;
        n[1] = p[1] / d;
        n[2] = 0.0;
    };
    const double origin[3] = {0, 0, 0};
    rows.push_back({"sphere record", EntityPtr(ESRF_NewSphere(&f, 2.0)), {0.1, -1.4, 6.1, 1.4}, sphereAt(f.O, 2.0),
                    sphereNormal(f.O), {}});
    rows.push_back({"nurbs sphere", EntityPtr(Nurbs(NurbsSphere(1.5))), {0, 0.02, 1, 0.98}, sphereAt(origin, 1.5),
                    sphereNormal(origin), {}});
    rows.push_back({"nurbs cylinder", EntityPtr(Nurbs(surffix::Cylinder(1.5, 4.0).release())), {0, 0, 1, 1},
                    cylinder(1.5), cylinderNormal, {}});
    rows.push_back({"nurbs torus", EntityPtr(Nurbs(surffix::Torus(3.0, 1.0).release())), {0, 0, 1, 1},
                    [](const double* p) { return std::hypot(std::hypot(p[0], p[1]) - 3.0, p[2]) - 1.0; },
                    [](const double* p, double* n) {
                        const double rho = std::hypot(p[0], p[1]);
                        const double c[3] = {3.0 * p[0] / rho, 3.0 * p[1] / rho, 0.0};
                        for (int e = 0; e < 3; ++e) n[e] = p[e] - c[e];
                        V3D_Unit(n, 0.0);
                    },
                    {}});
    rows.push_back({"nurbs wavy", EntityPtr(Nurbs(surffix::Wavy(8, true).release())), {0, 0, 1, 1}, nullptr, nullptr,
                    {}});
    const double up[3] = {0, 0, 1};
    rows.push_back({"extruded circle record", EntityPtr(ESRF_NewExtrusion(ECRV_NewCircle(nullptr, 2.0), up)),
                    {0, -1, 2 * kPi, 3}, cylinder(2.0), cylinderNormal, {}});
    const double slant[3] = {0.3, 0.0, 1.0};
    rows.push_back({"extruded nurbs square, slanted", EntityPtr(ESRF_NewExtrusion(ECRV_NewNurbs(Square()), slant)),
                    {0.05, -1, 0.2, 2}, nullptr, nullptr, {}});
    // Offsets: a cylinder of radius R offset by d is a cylinder of radius R + d.
    {
        EntityPtr base(Nurbs(surffix::Cylinder(1.5, 4.0).release()));
        Row r{"offset of nurbs cylinder", EntityPtr(ESRF_NewOffset(base.get(), 0.5)), {0, 0, 1, 1}, cylinder(2.0),
              cylinderNormal, {}};
        r.keep.push_back(std::move(base));
        rows.push_back(std::move(r));
    }
    {
        EntityPtr base(ESRF_NewSphere(&f, 2.0));
        Row r{"offset of sphere record, inwards", EntityPtr(ESRF_NewOffset(base.get(), -0.75)),
              {0.1, -1.4, 6.1, 1.4}, sphereAt(f.O, 1.25), sphereNormal(f.O), {}};
        r.keep.push_back(std::move(base));
        rows.push_back(std::move(r));
    }
    {
        EntityPtr base(Nurbs(surffix::Plane(4.0, 3.0).release()));
        Row r{"offset of nurbs plane", EntityPtr(ESRF_NewOffset(base.get(), 0.25)), {0, 0, 1, 1},
              [](const double* p) { return p[2] - 0.25; },
              [](const double*, double* n) {
                  n[0] = n[1] = 0.0;
                  n[2] = 1.0;
              },
              {}};
        r.keep.push_back(std::move(base));
        rows.push_back(std::move(r));
    }
    {
        EntityPtr base(Nurbs(surffix::Wavy(8, true).release()));
        Row r{"offset of nurbs wavy", EntityPtr(ESRF_NewOffset(base.get(), 0.2)), {0.1, 0.1, 0.9, 0.9}, nullptr,
              nullptr, {}};
        r.keep.push_back(std::move(base));
        rows.push_back(std::move(r));
    }
    return rows;
}

TEST_F(KernelSurfaceTest, PointsDerivativesAndNormalsOfEveryCode)
{
    for (const Row& r : Rows()) {
        ASSERT_TRUE(r.s) << r.label;
        const SURFACE* s = r.s.get();
        const double du = r.box[2] - r.box[0], dv = r.box[3] - r.box[1];
        for (int i = 0; i < 7; ++i)
            for (int j = 0; j < 7; ++j) {
                // Off the knots, where derivatives of a NURBS surface may jump.
                const double u = r.box[0] + du * (i + 0.37) / 7, v = r.box[1] + dv * (j + 0.41) / 7;
                const std::string at = r.label + " at (" + std::to_string(u) + ", " + std::to_string(v) + ")";
                double P[3], Su[3], Sv[3], Suu[3], Suv[3], Svv[3], Q[3], R[3], a[3], b[3], N[3], NP[3];
                ASSERT_EQ(ESRF_EvalDeriv2(s, u, v, P, Su, Sv, Suu, Suv, Svv), 1) << at;
                ASSERT_EQ(ESRF_EvalPoint(Q, s, u, v), 1) << at;
                ASSERT_EQ(ESRF_EvalDeriv1(s, u, v, R, a, b), 1) << at;
                EXPECT_LT(Dist(P, Q), 1e-13) << at;
                EXPECT_LT(Dist(P, R), 1e-13) << at;
                EXPECT_LT(Dist(Su, a), 1e-12 * (1 + Norm(Su))) << at;
                if (r.deviation) {
                    EXPECT_LT(std::fabs(r.deviation(P)), 1e-12) << at;
                }
                // First derivatives against differences of the point, second
                // against differences of the first.
                const double hu = 1e-6 * du, hv = 1e-6 * dv;
                double eu[3], ev[3], euu[3], evv[3], euv[3], evu[3];
                auto point = [&](double uu, double vv, double* out) { ESRF_EvalPoint(out, s, uu, vv); };
                auto first = [&](double uu, double vv, double* outU, double* outV) {
                    double p[3];
                    ESRF_EvalDeriv1(s, uu, vv, p, outU, outV);
                };
                kernelfix::Difference([&](double x, double* o) { point(x, v, o); }, u, hu, eu);
                kernelfix::Difference([&](double x, double* o) { point(u, x, o); }, v, hv, ev);
                kernelfix::Difference([&](double x, double* o) { double t[3]; first(x, v, o, t); }, u, hu, euu);
                kernelfix::Difference([&](double x, double* o) { double t[3]; first(u, x, t, o); }, v, hv, evv);
                kernelfix::Difference([&](double x, double* o) { double t[3]; first(u, x, o, t); }, v, hv, euv);
                kernelfix::Difference([&](double x, double* o) { double t[3]; first(x, v, t, o); }, u, hu, evu);
                const double s1 = 1 + Norm(Su) + Norm(Sv), s2 = s1 + Norm(Suu) + Norm(Suv) + Norm(Svv);
                EXPECT_LT(Dist(Su, eu), 1e-6 * s1) << at;
                EXPECT_LT(Dist(Sv, ev), 1e-6 * s1) << at;
                EXPECT_LT(Dist(Suu, euu), 1e-5 * s2) << at;
                EXPECT_LT(Dist(Svv, evv), 1e-5 * s2) << at;
                EXPECT_LT(Dist(Suv, euv), 1e-5 * s2) << at;
                EXPECT_LT(Dist(Suv, evu), 1e-5 * s2) << at;
                // Unit normal: perpendicular to both partials, on the side of Su × Sv.
                ASSERT_EQ(ESRF_EvalNormal(N, NP, s, u, v), 1) << at;
                EXPECT_NEAR(Norm(N), 1.0, 1e-14) << at;
                EXPECT_LT(std::fabs(V3D_Dot(N, Su)), 1e-12 * Norm(Su)) << at;
                EXPECT_LT(std::fabs(V3D_Dot(N, Sv)), 1e-12 * Norm(Sv)) << at;
                double cr[3];
                V3D_Cross(Su, Sv, cr);
                EXPECT_GT(V3D_Dot(N, cr), 0.0) << at;
                if (r.normal) {
                    double n[3];
                    r.normal(P, n);
                    EXPECT_LT(Dist(N, n), 1e-12) << at;
                }
                // Normal derivatives against differences of the unit normal.
                double P2[3], N2[3], Nu[3], Nv[3], enu[3], env[3];
                ASSERT_EQ(ESRF_NormalDerivs(s, u, v, P2, N2, Nu, Nv), 1) << at;
                EXPECT_LT(Dist(N2, N), 1e-14) << at;
                auto unitNormal = [&](double uu, double vv, double* out) {
                    double p[3];
                    ESRF_EvalNormal(out, p, s, uu, vv);
                };
                kernelfix::Difference([&](double x, double* o) { unitNormal(x, v, o); }, u, hu, enu);
                kernelfix::Difference([&](double x, double* o) { unitNormal(u, x, o); }, v, hv, env);
                const double sn = 1 + Norm(Nu) + Norm(Nv);
                EXPECT_LT(Dist(Nu, enu), 1e-5 * sn) << at;
                EXPECT_LT(Dist(Nv, env), 1e-5 * sn) << at;
            }
    }
}

TEST_F(KernelSurfaceTest, NormalsAtPolesAreTheLimitNormals)
{
    EntityPtr nurbsSphere(Nurbs(NurbsSphere(1.5)));
    EntityPtr hemi(Nurbs(surffix::Hemisphere(2.0).release()));
    EntityPtr sphere(ESRF_NewSphere(nullptr, 2.0));
    struct Row {
        const char* label;
        const SURFACE* s;
        double v;
        double z; // expected normal's z (the normal is (0, 0, z))
    } rows[] = {{"nurbs sphere south", nurbsSphere.get(), 0.0, -1.0},
                {"nurbs sphere north", nurbsSphere.get(), 1.0, 1.0},
                {"hemisphere north", hemi.get(), 1.0, 1.0},
                {"sphere record south", sphere.get(), -kPi / 2, -1.0},
                {"sphere record north", sphere.get(), kPi / 2, 1.0}};
    for (const Row& r : rows)
        for (double f : {0.0, 0.3, 0.77, 1.0}) {
            double box[4], N[3], P[3];
            ESRF_GetUVBox(r.s, box);
            const double u = box[0] + f * (box[2] - box[0]);
            ASSERT_EQ(ESRF_EvalNormal(N, P, r.s, u, r.v), 1) << r.label << " u " << u;
            EXPECT_NEAR(N[2], r.z, 1e-12) << r.label << " u " << u;
            EXPECT_NEAR(std::hypot(N[0], N[1]), 0.0, 1e-12) << r.label << " u " << u;
        }
    int count = 0;
    double edges[2][4], centres[2][3], normals[2][3];
    ASSERT_EQ(ESRF_DegenerateEdges(nurbsSphere.get(), &count, edges, centres, normals), 1);
    ASSERT_EQ(count, 2);
    EXPECT_NEAR(centres[0][2], -1.5, 1e-12);
    EXPECT_NEAR(normals[0][2], -1.0, 1e-12);
    EXPECT_NEAR(centres[1][2], 1.5, 1e-12);
    EXPECT_EQ(edges[1][1], 1.0);
    EXPECT_EQ(edges[1][3], 1.0);
    ASSERT_EQ(ESRF_DegenerateEdges(sphere.get(), &count, edges, centres, normals), 1);
    EXPECT_EQ(count, 2);
    // One partial vanishing away from every pole: a plane whose edge u = 0 is
    // collapsed but not marked as a pole still gets its normal.
    _nurbs_surface* fan = BSRF_Create(2, 2, 2, 2);
    const double pts[2][2][3] = {{{0, 0, 0}, {0, 0, 0}}, {{1, 0, 0}, {1, 1, 0}}};
    for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 2; ++j) {
            for (int e = 0; e < 3; ++e) fan->P[i][j][e] = pts[i][j][e];
            fan->P[i][j][3] = 1.0;
        }
    EntityPtr fanRec(Nurbs(fan));
    auto* rec = reinterpret_cast<ESRF_NURBS*>(fanRec.get());
    EXPECT_EQ(rec->U.startKind, 3);
    rec->U.startKind = 1; // hide the pole
    double N[3] = {7, 7, 7}, P[3];
    ASSERT_EQ(ESRF_EvalNormal(N, P, fanRec.get(), 0.0, 0.5), 1);
    EXPECT_NEAR(N[2], 1.0, 1e-12);
}

// An offset of a NURBS sphere keeps the base's poles at every model size: on
// a pole the base's Bu vanishes and the offset's difference partial there is
// rounding noise, yet the normal is the pole's and the probes see the poles.
TEST_F(KernelSurfaceTest, OffsetOfASphereHasItsPolesAtAnyScale)
{
    for (double k : {0.1, 1.0, 1000.0}) {
        SCOPED_TRACE("scale " + std::to_string(k));
        EntityPtr base(Nurbs(NurbsSphere(k)));
        EntityPtr inwards(ESRF_NewOffset(base.get(), -0.25 * k));
        for (double v : {0.0, 1.0})
            for (double u : {0.0, 0.3, 0.77, 1.0}) {
                double N[3], P[3], Su[3], Sv[3];
                ASSERT_EQ(ESRF_EvalNormal(N, P, inwards.get(), u, v), 1) << "u " << u << " v " << v;
                const double z = v == 0.0 ? -1.0 : 1.0;
                EXPECT_NEAR(N[2], z, 1e-12) << "u " << u << " v " << v;
                EXPECT_NEAR(std::hypot(N[0], N[1]), 0.0, 1e-12) << "u " << u << " v " << v;
                EXPECT_NEAR(P[2], 0.75 * k * z, 1e-12 * k) << "u " << u << " v " << v;
                // Callers that normalise Su × Sv first must fall back to that
                // normal rather than to one of rounding noise.
                ASSERT_EQ(ESRF_EvalDeriv1(inwards.get(), u, v, P, Su, Sv), 1);
                double c[3];
                V3D_Cross(Su, Sv, c);
                if (V3D_Unit(c, 1e-12) == 1) {
                    EXPECT_NEAR(c[2], z, 1e-6) << "u " << u << " v " << v;
                }
            }
        _param U, V, PU, PV;
        ASSERT_EQ(ESRF_GetDomain(inwards.get(), &U, &V), 1);
        ASSERT_EQ(ESRF_ProbeDomain(inwards.get(), &PU, &PV), 1);
        for (const _param* p : {&V, &PV}) {
            EXPECT_EQ(p->startKind, 3);
            EXPECT_EQ(p->endKind, 3);
            EXPECT_EQ(p->closure, 0);
        }
        for (const _param* p : {&U, &PU}) {
            EXPECT_EQ(p->startKind, 1);
            EXPECT_EQ(p->endKind, 1);
            EXPECT_EQ(p->closure, 2);
        }
        int count = 0;
        double edges[2][4], centres[2][3], normals[2][3];
        ASSERT_EQ(ESRF_DegenerateEdges(inwards.get(), &count, edges, centres, normals), 1);
        ASSERT_EQ(count, 2);
        for (int i = 0; i < 2; ++i) {
            const double z = edges[i][1] == 0.0 ? -1.0 : 1.0;
            EXPECT_EQ(edges[i][1], edges[i][3]);
            EXPECT_NEAR(centres[i][2], 0.75 * k * z, 1e-12 * k);
            EXPECT_NEAR(std::hypot(centres[i][0], centres[i][1]), 0.0, 1e-12 * k);
            EXPECT_NEAR(normals[i][2], z, 1e-12);
        }
    }
}

TEST_F(KernelSurfaceTest, PrincipalCurvaturesMatchTheirFormulas)
{
    const double R = 3.0, r = 1.0, d = 0.5;
    EntityPtr torus(Nurbs(surffix::Torus(R, r).release()));
    EntityPtr cyl(Nurbs(surffix::Cylinder(1.5, 4.0).release()));
    EntityPtr sphere(Nurbs(NurbsSphere(1.5)));
    EntityPtr sphereRec(ESRF_NewSphere(nullptr, 2.0));
    EntityPtr offsetCyl(ESRF_NewOffset(cyl.get(), d));
    const double up[3] = {0, 0, 1};
    EntityPtr extruded(ESRF_NewExtrusion(ECRV_NewCircle(nullptr, 2.0), up));
    const double around[3] = {0, 1, 0}, axis[3] = {0, 0, 1};
    struct Row {
        const char* label;
        const SURFACE* s;
        double u, v;
        double k1, k2;                    // expected, either order
        const double *dir1, *dir2;        // directions of k1 and k2 (null: any)
        bool umbilic;
        double tol = 1e-10; // the offset's second derivatives are differences
    } rows[] = {
        // At u = 0 the torus tube's outer equator (v = 0) lies at (R + r, 0, 0).
        {"torus outer equator", torus.get(), 0.0, 0.0, -1.0 / r, -1.0 / (R + r), axis, around, false},
        {"torus inner equator", torus.get(), 0.0, 0.5, -1.0 / r, 1.0 / (R - r), axis, around, false},
        {"cylinder", cyl.get(), 0.0, 0.3, -1.0 / 1.5, 0.0, around, axis, false},
        {"offset cylinder", offsetCyl.get(), 0.0, 0.3, -1.0 / 2.0, 0.0, around, axis, false, 1e-8},
        {"extruded circle", extruded.get(), 0.0, 1.0, -0.5, 0.0, around, axis, false},
        {"nurbs sphere", sphere.get(), 0.3, 0.4, -1.0 / 1.5, -1.0 / 1.5, nullptr, nullptr, true},
        {"sphere record", sphereRec.get(), 0.3, 0.4, -0.5, -0.5, nullptr, nullptr, true},
    };
    for (const Row& row : rows) {
        double P[3], N[3], k1, k2, d1[3], d2[3];
        ASSERT_EQ(ESRF_Curvature(row.s, row.u, row.v, P, N, &k1, d1, &k2, d2), 1) << row.label;
        const bool swapped = std::fabs(k1 - row.k1) > std::fabs(k2 - row.k1);
        EXPECT_NEAR(swapped ? k2 : k1, row.k1, row.tol) << row.label;
        EXPECT_NEAR(swapped ? k1 : k2, row.k2, row.tol) << row.label;
        EXPECT_NEAR(Norm(d1), 1.0, 1e-12) << row.label;
        EXPECT_NEAR(Norm(d2), 1.0, 1e-12) << row.label;
        EXPECT_NEAR(V3D_Dot(d1, N), 0.0, 1e-12) << row.label;
        EXPECT_NEAR(V3D_Dot(d2, N), 0.0, 1e-12) << row.label;
        EXPECT_NEAR(V3D_Dot(d1, d2), 0.0, 1e-9) << row.label;
        if (row.dir1) {
            EXPECT_NEAR(std::fabs(V3D_Dot(swapped ? d2 : d1, row.dir1)), 1.0, 1e-9) << row.label;
            EXPECT_NEAR(std::fabs(V3D_Dot(swapped ? d1 : d2, row.dir2)), 1.0, 1e-9) << row.label;
        }
        if (row.umbilic && row.s->type == ENT_NURBS_SURFACE) {
            // At an umbilic the first direction is Su, the second N × first.
            double Q[3], Su[3], Sv[3], c[3];
            ESRF_EvalDeriv1(row.s, row.u, row.v, Q, Su, Sv);
            V3D_Unit(Su, 0.0);
            EXPECT_LT(Dist(d1, Su), 1e-12) << row.label;
            V3D_Cross(N, d1, c);
            EXPECT_LT(Dist(d2, c), 1e-12) << row.label;
        }
    }
}

TEST_F(KernelSurfaceTest, ParameterRecordsOfEveryKind)
{
    const double up[3] = {0, 0, 1};
    EntityPtr full(Nurbs(surffix::Cylinder(1.0, 2.0).release()));
    EntityPtr half(Nurbs(NurbsHalfCylinder(1.0, 2.0)));
    EntityPtr square(ESRF_NewExtrusion(ECRV_NewNurbs(Square()), up));
    EntityPtr circle(ESRF_NewExtrusion(ECRV_NewCircle(nullptr, 1.0), up));
    EntityPtr nurbsCircle(ESRF_NewExtrusion(ECRV_NewNurbs(surffix::UnitCircle().release()), up));
    EntityPtr sphere(ESRF_NewSphere(nullptr, 1.0));
    EntityPtr nurbsSphere(Nurbs(NurbsSphere(1.0)));
    EntityPtr offset(ESRF_NewOffset(full.get(), 0.5));
    EntityPtr offsetSphere(ESRF_NewOffset(nurbsSphere.get(), 0.5));
    struct Row {
        const char* label;
        const SURFACE* s;
        int us, ue, uc, vs, ve, vc;
    } rows[] = {
        {"full cylinder", full.get(), 1, 1, 2, 1, 1, 0},
        {"half cylinder", half.get(), 1, 1, 0, 1, 1, 0},
        {"extruded closed square", square.get(), 1, 1, 1, 1, 1, 0},
        {"extruded circle record", circle.get(), 1, 1, 2, 1, 1, 0},
        {"extruded nurbs circle", nurbsCircle.get(), 1, 1, 2, 1, 1, 0},
        {"sphere record", sphere.get(), 1, 1, 2, 3, 3, 0},
        {"nurbs sphere", nurbsSphere.get(), 1, 1, 2, 3, 3, 0},
        {"offset cylinder", offset.get(), 1, 1, 2, 1, 1, 0},
        {"offset nurbs sphere", offsetSphere.get(), 1, 1, 2, 3, 3, 0},
    };
    for (const Row& r : rows) {
        _param U, V;
        ASSERT_EQ(ESRF_GetDomain(r.s, &U, &V), 1) << r.label;
        EXPECT_EQ(U.startKind, r.us) << r.label;
        EXPECT_EQ(U.endKind, r.ue) << r.label;
        EXPECT_EQ(U.closure, r.uc) << r.label;
        EXPECT_EQ(V.startKind, r.vs) << r.label;
        EXPECT_EQ(V.endKind, r.ve) << r.label;
        EXPECT_EQ(V.closure, r.vc) << r.label;
    }
    // The reset restarts the probes' random sequence.
    ESSI_ResetKernelState();
    const double first = QVN_Math::Rand01();
    _param U1, V1;
    ESRF_GetDomain(square.get(), &U1, &V1);
    ESSI_ResetKernelState();
    EXPECT_EQ(QVN_Math::Rand01(), first);
    // ... and gives the maths library its default tolerances back.
    QVN_Math::SetTol(0.5);
    QVN_Math::SetAng(0.25);
    ESSI_ResetKernelState();
    EXPECT_EQ(QVN_Math::GetTol(), QVN_Math::kDefaultTol);
    EXPECT_EQ(QVN_Math::GetAng(), QVN_Math::kDefaultAng);
    double box[4];
    ASSERT_EQ(ESRF_GetUVBox(circle.get(), box), 1);
    EXPECT_EQ(box[1], -1e20);
    EXPECT_EQ(box[2], 2 * kPi);
    // A periodic direction wraps; an open one does not.
    double a[3], b[3];
    ESRF_EvalPoint(a, full.get(), 1.25, 0.5);
    ESRF_EvalPoint(b, full.get(), 0.25, 0.5);
    EXPECT_LT(Dist(a, b), 1e-15);
    ESRF_EvalPoint(a, half.get(), 1.25, 0.5);
    ESRF_EvalPoint(b, half.get(), 0.25, 0.5);
    EXPECT_GT(Dist(a, b), 0.1);
    // Unsupported codes.
    ENTITY* revolution = ESRF_NewRevolution(ECRV_NewCircle(nullptr, 1.0), up, nullptr);
    EXPECT_EQ(ESRF_EvalPoint(a, revolution, 0, 0), 0);
    EXPECT_EQ(ESRF_GetUVBox(revolution, box), 0);
    ENT_Free(reinterpret_cast<ESRF_REVOLUTION*>(revolution)->profile);
    QV_MemFree(revolution);
}

TEST_F(KernelSurfaceTest, ProjectionsAgreeWithDenseSampling)
{
    const _rect_fm3d f = Tilted();
    const double up[3] = {0, 0, 1};
    EntityPtr rows[] = {EntityPtr(ESRF_NewSphere(&f, 2.0)), EntityPtr(Nurbs(surffix::Wavy(10, true).release())),
                        EntityPtr(Nurbs(surffix::Torus(3.0, 1.0).release())),
                        EntityPtr(ESRF_NewExtrusion(ECRV_NewCircle(nullptr, 2.0), up))};
    const char* labels[] = {"sphere record", "nurbs wavy", "nurbs torus", "extruded circle"};
    const double boxes[4][4] = {{0, -kPi / 2, 2 * kPi, kPi / 2}, {0, 0, 1, 1}, {0, 0, 1, 1}, {0, -3, 2 * kPi, 6}};
    std::mt19937 rng(9);
    std::uniform_real_distribution<double> coord(-1.0, 6.0);
    for (int k = 0; k < 4; ++k) {
        std::vector<std::array<double, 3>> dense;
        for (int i = 0; i <= 400; ++i)
            for (int j = 0; j <= 400; ++j) {
                std::array<double, 3> q;
                ESRF_EvalPoint(q.data(), rows[k].get(), boxes[k][0] + (boxes[k][2] - boxes[k][0]) * i / 400,
                               boxes[k][1] + (boxes[k][3] - boxes[k][1]) * j / 400);
                dense.push_back(q);
            }
        for (int i = 0; i < 25; ++i) {
            const double p[3] = {coord(rng), coord(rng), 0.5 * coord(rng)};
            double u = 0.0, v = 0.0, foot[3];
            ASSERT_EQ(ESRF_ProjectPoint(&u, &v, foot, rows[k].get(), p), 1) << labels[k];
            double best = 1e300;
            for (const auto& q : dense) best = std::min(best, Dist(p, q.data()));
            EXPECT_LE(Dist(p, foot), best + 1e-9) << labels[k] << " point " << i;
            EXPECT_GE(Dist(p, foot), best - 0.05) << labels[k] << " point " << i;
            double q[3];
            ESRF_EvalPoint(q, rows[k].get(), u, v);
            EXPECT_LT(Dist(q, foot), 1e-9) << labels[k] << " point " << i;
        }
    }
    // Above the profile plane of an extrusion: v is the height along d.
    const double p[3] = {5, 1, 2.75};
    double u = 0.0, v = 0.0, foot[3];
    ASSERT_EQ(ESRF_ProjectPoint(&u, &v, foot, rows[3].get(), p), 1);
    EXPECT_NEAR(v, 2.75, 1e-12);
    EXPECT_NEAR(u, std::atan2(1.0, 5.0), 1e-9);
}

TEST_F(KernelSurfaceTest, ConversionsLieOnTheAnalyticSurfaces)
{
    const _rect_fm3d f = Tilted();
    const double d[3] = {0.0, 0.0, 2.0};
    EntityPtr ext(ESRF_NewExtrusion(ECRV_NewCircle(&f, 1.5), d));
    EntityPtr sphere(ESRF_NewSphere(&f, 2.0));
    struct Row {
        const char* label;
        const SURFACE* s;
        double box[4];
    } rows[] = {{"extrusion", ext.get(), {0.5, -1.0, 2.5, 2.0}},
                {"extrusion full turn", ext.get(), {0.0, 0.0, 2 * kPi, 1.0}},
                {"sphere", sphere.get(), {0.0, -kPi / 2, 2 * kPi, kPi / 2}},
                {"sphere patch", sphere.get(), {0.3, -0.2, 1.9, 1.1}}};
    std::mt19937 rng(4);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (const Row& r : rows) {
        _nurbs_surface* out = nullptr;
        int exact = 0;
        ASSERT_EQ(ESRF_ToNurbs(1e-6, &exact, r.box, &out, r.s), 1) << r.label;
        surffix::SurfPtr owned(out);
        EXPECT_EQ(exact, 1) << r.label;
        for (int i = 0; i < 300; ++i) {
            double q[3];
            BSRF_EvPos(out, unit(rng), unit(rng), q);
            if (r.s == sphere.get()) {
                EXPECT_NEAR(Dist(q, f.O), 2.0, 1e-12) << r.label;
            } else {
                // Slide q along d back into the circle's plane: it lies on the circle.
                double local[3], ld[3];
                RF_TransWorldP3D(&f, q, local);
                RF_TransWorldV3D(&f, d, ld);
                const double s = local[2] / ld[2];
                EXPECT_NEAR(std::hypot(local[0] - s * ld[0], local[1] - s * ld[1]), 1.5, 1e-12) << r.label;
                EXPECT_GE(s, r.box[1] - 1e-12) << r.label;
                EXPECT_LE(s, r.box[3] + 1e-12) << r.label;
            }
        }
        // The corners of the box are the corners of the copy.
        for (int c = 0; c < 4; ++c) {
            const double u = r.box[(c & 1) ? 2 : 0], v = r.box[(c & 2) ? 3 : 1];
            double a[3], b[3];
            ESRF_EvalPoint(a, r.s, u, v);
            BSRF_EvPos(out, (c & 1) ? 1.0 : 0.0, (c & 2) ? 1.0 : 0.0, b);
            EXPECT_LT(Dist(a, b), 1e-12) << r.label << " corner " << c;
        }
    }
    _nurbs_surface* out = nullptr;
    int exact = 0;
    EXPECT_EQ(ESRF_ToNurbs(0.0000009, &exact, rows[0].box, &out, ext.get()), 0);
    EntityPtr point(ESRF_NewSphere(nullptr, 0.0));
    EXPECT_EQ(ESRF_ToNurbs(1e-6, &exact, rows[2].box, &out, point.get()), -4);
    EXPECT_EQ(out, nullptr);
    EntityPtr wavy(Nurbs(surffix::Wavy(5, true).release()));
    exact = 7;
    ASSERT_EQ(ESRF_ToNurbs(1e-6, &exact, rows[0].box, &out, wavy.get()), 1);
    EXPECT_EQ(exact, 7);
    BSRF_Free(out);
}

TEST_F(KernelSurfaceTest, KnotsOverAnyRangeBehaveAsTheUnitCopy)
{
    const surffix::SurfPtr unit = surffix::Wavy(9, true);
    EntityPtr a(Nurbs(BSRF_Clone(unit.get())));
    EntityPtr b(Nurbs(surffix::Reknotted(*unit, 0.0, 2.0, -1.0, 1.0).release()));
    double box[4];
    ASSERT_EQ(ESRF_GetUVBox(b.get(), box), 1);
    EXPECT_EQ(box[0], 0.0);
    EXPECT_EQ(box[1], -1.0);
    EXPECT_EQ(box[2], 2.0);
    EXPECT_EQ(box[3], 1.0);
    for (int i = 0; i <= 6; ++i)
        for (int j = 0; j <= 6; ++j) {
            const double u = i / 6.0, v = j / 6.0, U = 2 * u, V = 2 * v - 1;
            double Pa[3], Sua[3], Sva[3], Suua[3], Suva[3], Svva[3], Pb[3], Sub[3], Svb[3], Suub[3], Suvb[3], Svvb[3];
            ASSERT_EQ(ESRF_EvalDeriv2(a.get(), u, v, Pa, Sua, Sva, Suua, Suva, Svva), 1);
            ASSERT_EQ(ESRF_EvalDeriv2(b.get(), U, V, Pb, Sub, Svb, Suub, Suvb, Svvb), 1);
            EXPECT_LT(Dist(Pa, Pb), 1e-12);
            for (int e = 0; e < 3; ++e) {
                EXPECT_NEAR(Sub[e] * 2, Sua[e], 1e-9 * (1 + Norm(Sua)));
                EXPECT_NEAR(Suvb[e] * 4, Suva[e], 1e-8 * (1 + Norm(Suva)));
            }
            double Na[3], Nb[3], p[3];
            ESRF_EvalNormal(Na, p, a.get(), u, v);
            ESRF_EvalNormal(Nb, p, b.get(), U, V);
            EXPECT_LT(Dist(Na, Nb), 1e-12);
        }
    const double p[3] = {4.2, 6.1, 3.0};
    double ua, va, ub, vb, fa[3], fb[3];
    ASSERT_EQ(ESRF_ProjectPoint(&ua, &va, fa, a.get(), p), 1);
    ASSERT_EQ(ESRF_ProjectPoint(&ub, &vb, fb, b.get(), p), 1);
    EXPECT_LT(Dist(fa, fb), 1e-9);
    EXPECT_NEAR(ub, 2 * ua, 1e-8);
    EXPECT_NEAR(vb, 2 * va - 1, 1e-8);
    _param U, V;
    ESRF_GetDomain(b.get(), &U, &V);
    EXPECT_EQ(U.end, 2.0);
    EXPECT_EQ(V.start, -1.0);
}

TEST_F(KernelSurfaceTest, RevolutionParameterOfAPoint)
{
    // Profile: the segment x = 2, z from 0 to 3 in the x-z plane, about the z axis.
    const double a[3] = {2, 0, 0}, b[3] = {2, 0, 3}, axis[3] = {0, 0, 1};
    BCRV* line = nullptr;
    BCRV_GenLine(a, b, &line);
    EntityPtr profile(ECRV_NewNurbs(line));
    EntityPtr rev(ESRF_NewRevolution(profile.get(), axis, nullptr));
    ASSERT_TRUE(rev);
    struct Row {
        double p[3];
        double guess;
        double t, angle, foot[3];
    } rows[] = {
        {{-1.0, 1.0, 1.5}, 0.5, 0.5, 0.75 * kPi, {-std::sqrt(2.0), std::sqrt(2.0), 1.5}},
        {{0.0, -3.0, 2.4}, -1.0, 0.8, 1.5 * kPi, {0.0, -2.0, 2.4}},
        {{3.0, 0.0, 0.3}, 0.2, 0.1, 0.0, {2.0, 0.0, 0.3}},
    };
    for (const Row& r : rows) {
        double t = r.guess, angle = -1, foot[3];
        ASSERT_EQ(ESRF_RevolutionParam(rev.get(), &angle, foot, r.p, &t), 1);
        EXPECT_NEAR(t, r.t, 1e-9);
        EXPECT_NEAR(angle, r.angle, 1e-12);
        EXPECT_LT(Dist(foot, r.foot), 1e-9);
    }
    // On the axis: angle 0.
    const double onAxis[3] = {0, 0, 1.2};
    double t = 0.5, angle = -1, foot[3];
    ASSERT_EQ(ESRF_RevolutionParam(rev.get(), &angle, foot, onAxis, &t), 1);
    EXPECT_EQ(angle, 0.0);
    EXPECT_NEAR(foot[0], 2.0, 1e-9);
    QV_MemFree(rev.release());
}

}  // namespace
