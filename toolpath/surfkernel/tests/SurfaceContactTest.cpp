// Refinements on surface pairs and tangential contacts: the branch
// directions are checked against normal curvatures computed here from each
// surface's own fundamental forms.
#include "toolpath/surfkernel/SurfaceContact.h"

#include "KernelEntityFixtures.h"
#include "framework/numerak/Point3D.h"
#include "testing/SurfaceFixtures.h"
#include "toolpath/surfkernel/SurfaceEntity.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <numbers>
#include <string>

namespace {

using kernelfix::Dist;
using kernelfix::EntityPtr;
constexpr double kPi = std::numbers::pi;

struct KernelContactTest : ::testing::Test {
    void SetUp() override { ESSI_ResetKernelState(); }
};

SURFACE* Sphere(const double* centre, double r)
{
    _rect_fm3d f{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {centre[0], centre[1], centre[2]}, 1.0};
    return ESRF_NewSphere(&f, r);
}

// Cylinder of radius r about the axis through p along dir, |height| <= 3.
SURFACE* Cylinder(double r, const double* p, const double* dir)
{
    surffix::SurfPtr s = surffix::Cylinder(r, 6.0);
    const double down[3] = {0, 0, -3}, origin[3] = {0, 0, 0}, z[3] = {0, 0, 1};
    BSRF_Move(s.get(), down);
    double axis[3];
    V3D_Cross(z, dir, axis);
    const double angle = std::atan2(V3D_Len(axis), V3D_Dot(z, dir));
    if (V3D_Len(axis) > 1e-15)
        BSRF_Roate(s.get(), origin, axis, angle);
    BSRF_Move(s.get(), p);
    return ESRF_NewNurbs(s.release());
}

// The plane x = 1 over y, z in [-3, 3].
SURFACE* PlaneX1()
{
    _nurbs_surface* s = BSRF_Create(2, 2, 2, 2);
    for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 2; ++j) {
            s->P[i][j][0] = 1.0;
            s->P[i][j][1] = -3.0 + 6.0 * i;
            s->P[i][j][2] = -3.0 + 6.0 * j;
            s->P[i][j][3] = 1.0;
        }
    return ESRF_NewNurbs(s);
}

void UV(SURFACE* s, const double* p, double* uv)
{
    double foot[3];
    ASSERT_EQ(ESRF_ProjectPoint(&uv[0], &uv[1], foot, s, p), 1);
    ASSERT_LT(Dist(foot, p), 1e-9);
}

// Normal curvature of s at uv in the tangent direction t, signed against the
// unit normal ref: II(t) / I(t) with t = λ Su + μ Sv.
double NormalCurvature(const SURFACE* s, const double* uv, const double* t, const double* ref)
{
    double P[3], Su[3], Sv[3], Suu[3], Suv[3], Svv[3], N[3];
    EXPECT_EQ(ESRF_EvalDeriv2(s, uv[0], uv[1], P, Su, Sv, Suu, Suv, Svv), 1);
    V3D_Cross(Su, Sv, N);
    V3D_Unit(N, 0.0);
    if (V3D_Dot(N, ref) < 0.0)
        for (double& e : N) e = -e;
    const double E = V3D_Dot(Su, Su), F = V3D_Dot(Su, Sv), G = V3D_Dot(Sv, Sv);
    const double a = V3D_Dot(t, Su), b = V3D_Dot(t, Sv), det = E * G - F * F;
    const double lambda = (G * a - F * b) / det, mu = (E * b - F * a) / det;
    const double L = V3D_Dot(N, Suu), M = V3D_Dot(N, Suv), Nn = V3D_Dot(N, Svv);
    return (L * lambda * lambda + 2 * M * lambda * mu + Nn * mu * mu) /
           (E * lambda * lambda + 2 * F * lambda * mu + G * mu * mu);
}

TEST_F(KernelContactTest, BranchDirectionsOfTheEdgeCases)
{
    const double o[3] = {0, 0, 0}, far[3] = {3, 0, 0};
    const double z[3] = {0, 0, 1}, x[3] = {1, 0, 0}, y[3] = {0, 1, 0};
    const double left[3] = {-1, 0, 0};
    const double skew[3] = {0, std::cos(0.9), std::sin(0.9)};
    struct Row {
        const char* label;
        EntityPtr a, b;
        double p[3];
        int count;
    } rows[] = {
        {"spheres touching from outside", EntityPtr(Sphere(o, 1.0)), EntityPtr(Sphere(far, 2.0)), {1, 0, 0}, 0},
        {"sphere in a cup of the same radius", EntityPtr(Sphere(o, 1.0)),
         EntityPtr(ESRF_NewNurbs(surffix::Hemisphere(1.0).release())), {0.6, 0, 0.8}, 100},
        {"cylinder on a plane", EntityPtr(Cylinder(1.0, o, z)), EntityPtr(PlaneX1()), {1, 0, 0.5}, 1},
        {"equal cylinders, axes at right angles", EntityPtr(Cylinder(1.0, o, z)), EntityPtr(Cylinder(1.0, o, x)),
         {0, 1, 0}, 2},
        {"cylinder inside a skew wider cylinder", EntityPtr(Cylinder(1.0, o, z)),
         EntityPtr(Cylinder(2.0, left, skew)), {1, 0, 0}, 2},
    };
    (void)y;
    for (Row& r : rows) {
        ASSERT_TRUE(r.a && r.b) << r.label;
        double uvA[2], uvB[2];
        UV(r.a.get(), r.p, uvA);
        UV(r.b.get(), r.p, uvB);
        int count = -1;
        double first[3] = {0, 0, 0}, second[3] = {0, 0, 0};
        ASSERT_EQ(ESSI_BranchDirections(&count, uvA, second, first, r.a.get(), r.b.get(), uvB), 1) << r.label;
        EXPECT_EQ(count, r.count) << r.label;
        double NA[3], PA[3];
        ESRF_EvalNormal(NA, PA, r.a.get(), uvA[0], uvA[1]);
        const double* dirs[2] = {first, second};
        const int n = count == 100 ? 2 : count;
        for (int i = 0; i < n; ++i) {
            EXPECT_NEAR(V3D_Len(dirs[i]), 1.0, 1e-12) << r.label;
            EXPECT_NEAR(V3D_Dot(dirs[i], NA), 0.0, 1e-12) << r.label;
            const double ka = NormalCurvature(r.a.get(), uvA, dirs[i], NA);
            const double kb = NormalCurvature(r.b.get(), uvB, dirs[i], NA);
            EXPECT_NEAR(ka, kb, 1e-9) << r.label << " branch " << i;
        }
        if (count == 2) {
            EXPECT_GT(1.0 - std::fabs(V3D_Dot(first, second)), 1e-3) << r.label << ": two distinct branches";
        }
        double dir[3];
        const int tangent = ESSI_BranchTangent(r.a.get(), uvA, r.b.get(), uvB, x, dir);
        EXPECT_EQ(tangent, (count == 1 || count == 2) ? 1 : 0) << r.label;
    }
    // The ruling of the cylinder on the plane.
    double uvA[2], uvB[2], dir[3];
    const double p[3] = {1, 0, 0.5}, ref[3] = {0.1, 0.2, -1};
    UV(rows[2].a.get(), p, uvA);
    UV(rows[2].b.get(), p, uvB);
    ASSERT_EQ(ESSI_BranchTangent(rows[2].a.get(), uvA, rows[2].b.get(), uvB, ref, dir), 1);
    EXPECT_NEAR(dir[2], -1.0, 1e-9);
    // Crossing cylinders: the branch nearer the reference, turned to agree with it.
    const double q[3] = {0, 1, 0};
    UV(rows[3].a.get(), q, uvA);
    UV(rows[3].b.get(), q, uvB);
    const double s = 1 / std::sqrt(2.0);
    struct Ref {
        double r[3], expect[3];
    } refs[] = {{{1, 0, 0.8}, {s, 0, s}}, {{-1, 0, -0.8}, {-s, 0, -s}}, {{0.8, 0, -1}, {s, 0, -s}}};
    for (const Ref& rf : refs) {
        ASSERT_EQ(ESSI_BranchTangent(rows[3].a.get(), uvA, rows[3].b.get(), uvB, rf.r, dir), 1);
        EXPECT_LT(Dist(dir, rf.expect), 1e-9);
    }
    // Points apart: 0.
    int count = 0;
    double first[3], second[3];
    const double off[3] = {1, 0, 2.5};
    UV(rows[2].a.get(), off, uvA);
    EXPECT_EQ(ESSI_BranchDirections(&count, uvA, second, first, rows[2].a.get(), rows[2].b.get(), uvB), 0);
}

TEST_F(KernelContactTest, RefinementsConvergeFromPerturbedStarts)
{
    // Contact of two spheres touching from outside at (1, 0, 0).
    const double o[3] = {0, 0, 0}, far[3] = {3, 0, 0};
    EntityPtr a(Sphere(o, 1.0)), b(Sphere(far, 2.0));
    const double starts[][4] = {{0.1, 0.1, kPi - 0.1, -0.05}, {-0.2, 0.15, kPi + 0.1, 0.1}, {0.05, -0.2, kPi, 0.2}};
    for (const auto& st : starts) {
        double uvA[2] = {st[0], st[1]}, uvB[2] = {st[2], st[3]}, pA[3], pB[3];
        ASSERT_EQ(ESSI_RefineContact(uvB, pB, a.get(), b.get(), uvA, pA, 1e-10, 1e-10), 1);
        const double contact[3] = {1, 0, 0};
        EXPECT_LT(Dist(pA, contact), 1e-9);
        EXPECT_LT(Dist(pB, contact), 1e-9);
    }
    // Contact of a cylinder and the plane x = 1 (a whole ruling touches).
    EntityPtr cyl(Cylinder(1.0, o, o[0] == 0 ? std::array<double, 3>{0, 0, 1}.data() : nullptr));
    EntityPtr plane(PlaneX1());
    {
        double uvA[2] = {0.03, 0.4}, uvB[2] = {0.55, 0.6}, pA[3], pB[3];
        ASSERT_EQ(ESSI_RefineContact(uvB, pB, cyl.get(), plane.get(), uvA, pA, 1e-10, 1e-10), 1);
        EXPECT_NEAR(pA[0], 1.0, 1e-9);
        EXPECT_LT(Dist(pA, pB), 1e-10);
    }
    // A point of the circle where the sphere of radius 2 meets the plane z = 1,
    // on the plane y = 0.5.
    EntityPtr sphere(Sphere(o, 2.0));
    surffix::SurfPtr flat = surffix::Plane(6.0, 6.0);
    const double shift[3] = {-3, -3, 1};
    BSRF_Move(flat.get(), shift);
    EntityPtr zplane(ESRF_NewNurbs(flat.release()));
    const double H[3] = {0, 0.5, 0}, D[3] = {0, 1, 0};
    double uvA[2] = {0.3, 0.6}, uvB[2] = {0.8, 0.55}, NA[3], NB[3], point[3];
    ASSERT_EQ(ESSI_RefineOnPlane(sphere.get(), uvA, uvB, NA, NB, 1e-10, zplane.get(), H, D, point), 1);
    EXPECT_NEAR(point[1], 0.5, 1e-9);
    EXPECT_NEAR(point[2], 1.0, 1e-9);
    EXPECT_NEAR(std::hypot(point[0], point[1], point[2]), 2.0, 1e-9);
    EXPECT_NEAR(point[0], std::sqrt(3.0 - 0.25), 1e-9);
    EXPECT_NEAR(NB[2] * NB[2], 1.0, 1e-12);
    // Parallel surfaces never meet: no convergence.
    EntityPtr inner(Sphere(o, 1.0));
    double u1[2] = {0.3, 0.2}, u2[2] = {0.3, 0.2};
    EXPECT_EQ(ESSI_RefineOnPlane(sphere.get(), u1, u2, NA, NB, 1e-10, inner.get(), H, D, point), 0);
}

TEST_F(KernelContactTest, ContactBetweenTracePointsAndOnAStep)
{
    const double o[3] = {0, 0, 0}, z[3] = {0, 0, 1}, x[3] = {1, 0, 0};
    EntityPtr a(Cylinder(1.0, o, z)), b(Cylinder(1.0, o, x));
    // Trace points on the branch through (0, 1, 0) along (1, 0, 1), either side of it.
    const double s = 1 / std::sqrt(2.0);
    auto pointAt = [&](double t, SSI_POINT& n) {
        std::memset(&n, 0, sizeof n);
        const double p[3] = {std::sin(t), std::cos(t), std::sin(t)};
        P3D_Copy(p, n.p);
        const double tan[3] = {s, -0.0, s};
        P3D_Copy(tan, n.tan);
        UV(a.get(), p, n.uvA);
        UV(b.get(), p, n.uvB);
    };
    SSI_POINT n0, n1, out;
    pointAt(-0.05, n0);
    pointAt(0.04, n1);
    std::memset(&out, 0, sizeof out);
    out.sign = 5.0;
    ASSERT_EQ(ESSI_FindContact(a.get(), b.get(), &n0, &n1, &out, 1e-10, 1e-10), 1);
    const double contact[3] = {0, 1, 0}, branch[3] = {s, 0, s};
    EXPECT_LT(Dist(out.p, contact), 1e-9);
    EXPECT_LT(Dist(out.tan, branch), 1e-9);
    EXPECT_EQ(out.sign, 0.0);

    // The same place seen from a walk: X on the step, A's u one period off.
    SSI_WALK walk{};
    walk.a = a.get();
    walk.b = b.get();
    walk.r[0] = 0.01;
    walk.r[1] = 0.1;
    walk.r[2] = 0.01;
    pointAt(-0.004, walk.n0);
    pointAt(0.003, walk.n1);
    for (double& e : walk.n0.tan) e = -e; // tracing the other way
    for (double& e : walk.n1.tan) e = -e;
    double uvA[2], uvB[2], dir[3];
    UV(a.get(), contact, uvA);
    UV(b.get(), contact, uvB);
    const double trueU = uvA[0];
    uvA[0] += 1.0;
    ASSERT_EQ(ESSI_TangentialOnStep(&walk, contact, uvB, uvA, dir), 1);
    const double back[3] = {-s, 0, -s};
    EXPECT_LT(Dist(dir, back), 1e-9);
    EXPECT_NEAR(uvA[0], trueU, 1e-12);
    // Off the step: 0.
    const double away[3] = {0, 1, 0.5};
    EXPECT_EQ(ESSI_TangentialOnStep(&walk, away, uvB, uvA, dir), 0);
}

}  // namespace
