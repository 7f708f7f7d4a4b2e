// Arc constructions on random data against their closed forms, and the failure rows.
#include "framework/numerak/Point3D.h"
#include "geometry/shapes3d/GeArc3d.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

namespace {

constexpr double kPi = 3.141592653589793;

struct Circle {
    double c[3], x[3], y[3], r;
    // Point at angle a on the circle.
    void At(double a, double* out) const
    {
        for (int j = 0; j < 3; ++j) out[j] = c[j] + r * (std::cos(a) * x[j] + std::sin(a) * y[j]);
    }
};

// A random circle in a random plane.
Circle RandomCircle(std::mt19937& rng)
{
    std::uniform_real_distribution<double> u(-50.0, 50.0);
    Circle k{};
    double z[3] = {u(rng), u(rng), u(rng)};
    V3D_Unit(z, 1e-9);
    V3D_GetXYFromZ(z, k.x, k.y);
    for (double& v : k.c) v = u(rng);
    k.r = std::uniform_real_distribution<double>(0.5, 40.0)(rng);
    return k;
}

// Every point of the arc at the radius, in the plane, and the ends where asked.
void ExpectOnCircle(CGeArc3d& arc, const Circle& k, const double* start, const double* end, const std::string& label)
{
    EXPECT_NEAR(arc.m_radius, k.r, 1e-7 * k.r) << label;
    EXPECT_NEAR(P3D_Dist(arc.m_frame.O, k.c), 0.0, 1e-6 * k.r) << label;
    double p[3];
    arc.GetPointAt(0.0, p, 1);
    EXPECT_NEAR(P3D_Dist(p, start), 0.0, 1e-7 * k.r) << label << ": start";
    arc.GetPointAt(1.0, p, 1);
    EXPECT_NEAR(P3D_Dist(p, end), 0.0, 1e-6 * k.r) << label << ": end at t = 1";
    for (double t : {0.1, 0.37, 0.5, 0.81}) {
        arc.GetPointAt(t, p, 1);
        EXPECT_NEAR(P3D_Dist(p, k.c), k.r, 1e-6 * k.r) << label << " t " << t;
    }
}

TEST(GeArc3dConstructTest, ThreePointArcsPassThroughTheirPoints)
{
    std::mt19937 rng(11);
    int checked = 0;
    for (int i = 0; i < 200; ++i) {
        const Circle k = RandomCircle(rng);
        std::uniform_real_distribution<double> ang(0.05, 2 * kPi - 0.05);
        const double a0 = ang(rng), sweep = ang(rng), f = std::uniform_real_distribution<double>(0.1, 0.9)(rng);
        double s[3], m[3], e[3];
        k.At(a0, s);
        k.At(a0 + f * sweep, m);
        k.At(a0 + sweep, e);
        CGeArc3d arc;
        const std::string label = "case " + std::to_string(i);
        ASSERT_EQ(arc.Create3Pnt(s, m, e), 1) << label;
        ExpectOnCircle(arc, k, s, e, label);
        EXPECT_NEAR(arc.m_sweep, sweep, 1e-6) << label;
        // The middle point lies on the arc, at the fraction it was placed at.
        double t = -1;
        ASSERT_EQ(arc.GetParam(m, t), 1) << label;
        EXPECT_NEAR(t, f, 1e-6) << label;
        ++checked;
    }
    EXPECT_EQ(checked, 200);
}

TEST(GeArc3dConstructTest, TangentArcsLeaveAlongTheirTangent)
{
    std::mt19937 rng(12);
    int longer = 0;
    for (int i = 0; i < 200; ++i) {
        const Circle k = RandomCircle(rng);
        std::uniform_real_distribution<double> ang(0.05, 2 * kPi - 0.05);
        const double a0 = ang(rng), sweep = ang(rng);
        double s[3], e[3], tan[3];
        k.At(a0, s);
        k.At(a0 + sweep, e);
        const double scale = std::uniform_real_distribution<double>(0.1, 10.0)(rng);
        for (int j = 0; j < 3; ++j) tan[j] = scale * (-std::sin(a0) * k.x[j] + std::cos(a0) * k.y[j]);
        CGeArc3d arc;
        const std::string label = "case " + std::to_string(i);
        ASSERT_EQ(arc.CreateSETan(s, e, tan), 1) << label;
        EXPECT_NEAR(V3D_Len(tan), 1.0, 1e-12) << label << ": the tangent is normalised in place";
        ExpectOnCircle(arc, k, s, e, label);
        EXPECT_NEAR(arc.m_sweep, sweep, 1e-6) << label;
        double start[3];
        arc.GetStartTanVec(start);
        EXPECT_NEAR(V3D_GetAngle(start, tan, 1e-12), 0.0, 1e-7) << label << ": parallel, same sense";
        longer += sweep > kPi ? 1 : 0;
    }
    EXPECT_GT(longer, 20) << "ends behind the tangent line give sweeps above pi";
}

TEST(GeArc3dConstructTest, ShorterAndLongerArcsAddToAFullTurn)
{
    std::mt19937 rng(13);
    for (int i = 0; i < 100; ++i) {
        const Circle k = RandomCircle(rng);
        std::uniform_real_distribution<double> ang(0.05, 2 * kPi - 0.05);
        const double a0 = ang(rng), a1 = ang(rng);
        double s[3], e[3];
        k.At(a0, s);
        k.At(a0 + a1, e);
        // A centre off the bisector plane is projected onto it first.
        double off[3];
        for (int j = 0; j < 3; ++j) off[j] = k.c[j] + 3.0 * (e[j] - s[j]);
        const std::string label = "case " + std::to_string(i);
        CGeArc3d shorter, longer;
        ASSERT_EQ(shorter.CreateCSE(off, s, e, 1), 1) << label;
        ASSERT_EQ(longer.CreateCSE(1, off, s, e), 1) << label;
        EXPECT_NEAR(shorter.m_sweep + longer.m_sweep, 2 * kPi, 1e-9) << label;
        EXPECT_LE(shorter.m_sweep, kPi + 1e-9) << label;
        double sum[3];
        V3D_Add(shorter.m_frame.Z, longer.m_frame.Z, sum);
        EXPECT_NEAR(V3D_Len(sum), 0.0, 1e-9) << label << ": opposite normals";
        ExpectOnCircle(shorter, k, s, e, label + " shorter");
        ExpectOnCircle(longer, k, s, e, label + " longer");
    }
}

TEST(GeArc3dConstructTest, DegenerateInputFails)
{
    struct Row {
        const char* label;
        double a[3], b[3], c[3];
    };
    const Row threePoint[] = {
        {"collinear, middle between", {0, 0, 0}, {1, 1, 1}, {2, 2, 2}},
        {"collinear, middle beyond", {0, 0, 0}, {3, 0, 0}, {1, 0, 0}},
        {"start = end", {1, 2, 3}, {4, 4, 4}, {1, 2, 3.0000001}},
        {"middle on the start", {0, 0, 0}, {0, 0, 0}, {1, 0, 0}},
        {"angle at the middle above pi - 0.001", {-1, 0, 0}, {0, 0.0004, 0}, {1, 0, 0}},
    };
    for (const Row& row : threePoint) {
        CGeArc3d arc;
        double a[3], b[3], c[3];
        P3D_Copy(row.a, a), P3D_Copy(row.b, b), P3D_Copy(row.c, c);
        EXPECT_EQ(arc.Create3Pnt(a, b, c), 0) << row.label;
    }
    const Row tangent[] = {
        {"tangent along the chord", {0, 0, 0}, {5, 0, 0}, {2, 0, 0}},
        {"tangent against the chord", {0, 0, 0}, {5, 0, 0}, {-1, 0, 0}},
        {"start = end", {1, 1, 1}, {1, 1, 1}, {0, 1, 0}},
        {"zero tangent", {0, 0, 0}, {5, 0, 0}, {0, 0, 0}},
    };
    for (const Row& row : tangent) {
        CGeArc3d arc;
        double a[3], b[3], c[3];
        P3D_Copy(row.a, a), P3D_Copy(row.b, b), P3D_Copy(row.c, c);
        EXPECT_EQ(arc.CreateSETan(a, b, c), 0) << row.label;
    }
    double o[3] = {0, 0, 0};
    for (auto make : {&CGeArc3d::CreateCricleXY, &CGeArc3d::CreateCricleXZ, &CGeArc3d::CreateCricleYZ}) {
        CGeArc3d arc;
        EXPECT_EQ((arc.*make)(o, 0.00009), 0);
        EXPECT_EQ((arc.*make)(o, -2.0), 1) << "the radius's size counts";
        EXPECT_EQ(arc.m_radius, 2.0);
    }
}

TEST(GeArc3dConstructTest, NearestPointBeyondTheSweepIsTheNearerEnd)
{
    // Quarter arc from (10, 0) to (0, 10) about the origin.
    double c[3] = {0, 0, 0}, s[3] = {10, 0, 0}, e[3] = {0, 10, 0};
    CGeArc3d arc;
    ASSERT_EQ(arc.CreateCSE(c, s, e, 1), 1);
    struct Row {
        const char* label;
        double p[3];
        double t;
    };
    const Row rows[] = {
        {"just before the start", {10, -0.5, 3}, 0.0},
        {"just past the end", {-0.5, 10, -2}, 1.0},
        {"on the sweep", {7, 7, 1}, 0.5},
        {"opposite, equally far from both ends (the end)", {-5, -5, 0}, 1.0},
        {"on the axis", {0, 0, 4}, 0.0},
    };
    for (const Row& row : rows) {
        double p[3], q[3], t = -1, d = -1;
        unsigned int seg = 0;
        P3D_Copy(row.p, p);
        ASSERT_EQ(arc.GetNearestPoint3D(p, q, t, seg, d), 1) << row.label;
        EXPECT_NEAR(t, row.t, 1e-12) << row.label;
        EXPECT_NEAR(d, P3D_Dist(p, q), 1e-12) << row.label;
    }
}

}  // namespace
