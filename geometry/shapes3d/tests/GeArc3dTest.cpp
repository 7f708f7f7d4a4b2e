#include "framework/looker/QVGlobal.h"
#include "geometry/shapes3d/GeArc3d.h"
#include "geometry/shapes3d/GeNrbCrv3d.h"
#include "framework/numerak/Point3D.h"

#include <gtest/gtest.h>

#include <cmath>
#include <array>
#include <memory>

namespace {

constexpr double kPi = 3.141592653589793;

std::array<double, 3> Pt(double x, double y, double z) { return {x, y, z}; }

// Closed form of an arc in the plane z = c[2] from angle a0, signed sweep s.
void Expected(const double* c, double r, double a0, double s, double t, double* out)
{
    const double a = a0 + s * t;
    P3D_Set(out, c[0] + r * std::cos(a), c[1] + r * std::sin(a), c[2]);
}

TEST(GeArc3dTest, ArcInAHorizontalPlaneFollowsItsClosedForm)
{
    double c[3] = {2, -1, 4};
    struct Row {
        const char* label;
        double a0, sweep;
    };
    const Row rows[] = {{"counter-clockwise", 0.3, 2.0}, {"clockwise", 1.0, -2.5}, {"full circle", 0.0, 2 * kPi}};
    for (const auto& row : rows) {
        CGeArc3d arc;
        ASSERT_EQ(arc.CreateArcXY(c, 3, row.a0, row.sweep), 1) << row.label;
        arc.DiscreteMe(0.01);
        for (double t : {0.0, 0.25, 0.5, 1.0}) {
            double p[3], q[3];
            arc.GetPointAt(t, p, 1);
            Expected(c, 3, row.a0, row.sweep, t, q);
            EXPECT_NEAR(P3D_Dist(p, q), 0.0, 1e-12) << row.label << " at " << t;
        }
        ASSERT_GE(arc.m_strDisp.m_nCount, 11) << row.label;
        for (int i = 0; i < arc.m_strDisp.m_nCount; ++i) {
            const double* p = arc.m_strDisp.m_pPoints[i];
            EXPECT_NEAR(std::hypot(p[0] - c[0], p[1] - c[1]), 3.0, 1e-12) << row.label;
        }
        EXPECT_NEAR(arc.EvTotalArcLength(), 3 * std::fabs(row.sweep), 1e-12) << row.label;
        EXPECT_EQ(arc.IsClosed(0.01), std::fabs(row.sweep) > 6 ? 1 : 0) << row.label;
    }
    CGeArc3d bad;
    EXPECT_EQ(bad.CreateArcXY(c, 0.00005, 0, 1), 0) << "radius too small";
    EXPECT_EQ(bad.CreateArcXY(c, 1, 0, 0.0005), 0) << "sweep too small";
    EXPECT_EQ(bad.CreateCricleXY(c, -0.00009), 0);
    EXPECT_EQ(bad.CreateCricleXZ(c, -2), 1);
    EXPECT_EQ(bad.m_radius, 2.0);
}

TEST(GeArc3dTest, ShorterAndLongerArcsShareTheirEnds)
{
    // The centre lies off the bisector plane x = y of the two ends; it is projected to (0, 0, 1).
    double centre[3] = {0.4, -0.4, 1}, s[3] = {5, 0, 1}, e[3] = {0, 5, 1};
    CGeArc3d shortArc, longArc;
    ASSERT_EQ(shortArc.CreateCSE(centre, s, e, 1), 1);
    ASSERT_EQ(longArc.CreateCSE(1, centre, s, e), 1);
    EXPECT_NEAR(shortArc.m_sweep + longArc.m_sweep, 2 * kPi, 1e-12);
    EXPECT_NEAR(shortArc.m_sweep, kPi / 2, 1e-12);
    EXPECT_NEAR(V3D_Dot(shortArc.m_frame.Z, longArc.m_frame.Z), -1.0, 1e-12);
    for (CGeArc3d* arc : {&shortArc, &longArc}) {
        double p[3], q[3];
        arc->GetStartPoint(p);
        arc->GetEndPoint(q);
        EXPECT_NEAR(P3D_Dist(p, s), 0.0, 1e-12);
        EXPECT_NEAR(P3D_Dist(q, e), 0.0, 1e-12);
        EXPECT_NEAR(P3D_Dist(arc->m_frame.O, Pt(0, 0, 1).data()), 0.0, 1e-12) << "projected centre";
        EXPECT_NEAR(arc->m_radius, 5.0, 1e-12);
    }
}

TEST(GeArc3dTest, SplitAndReverseKeepTheCircle)
{
    double c[3] = {0, 0, 0};
    CGeArc3d arc;
    arc.CreateArcXY(c, 2, 0, kPi);
    arc.DiscreteMe(0.01);
    CGeCurve3d* out[2] = {nullptr, nullptr};
    arc.Split(0.25, out, 1);
    std::unique_ptr<CGeCurve3d> a(out[0]), b(out[1]);
    ASSERT_TRUE(a && b);
    double p[3], q[3], m[3];
    arc.GetPointAt(0.25, m, 1);
    a->GetEndPoint(p);
    b->GetStartPoint(q);
    EXPECT_NEAR(P3D_Dist(p, m), 0.0, 1e-12);
    EXPECT_NEAR(P3D_Dist(q, m), 0.0, 1e-12);
    b->GetEndPoint(q);
    EXPECT_NEAR(P3D_Dist(q, Pt(-2, 0, 0).data()), 0.0, 1e-12);
    EXPECT_NEAR(a->EvTotalArcLength() + b->EvTotalArcLength(), 2 * kPi, 1e-12);

    CGeCurve3d* none[2] = {nullptr, nullptr};
    arc.Split(1.5, none, 1);
    EXPECT_EQ(none[0], nullptr);
    EXPECT_EQ(none[1], nullptr);

    arc.Reverse();
    arc.GetStartPoint(p);
    arc.GetEndPoint(q);
    EXPECT_NEAR(P3D_Dist(p, Pt(-2, 0, 0).data()), 0.0, 1e-12);
    EXPECT_NEAR(P3D_Dist(q, Pt(2, 0, 0).data()), 0.0, 1e-12);
    arc.GetPointAt(0.5, m, 1);
    EXPECT_NEAR(m[1], 2.0, 1e-12) << "the reversed arc still runs over the top";
}

TEST(GeArc3dTest, SimilaritiesKeepTheArcOtherMapsGiveNurbs)
{
    double c[3] = {1, 1, 0};
    CGeArc3d arc;
    arc.CreateArcXY(c, 1, 0, kPi / 2);
    arc.DiscreteMe(0.01);

    // Equal scale 2 with a translation: still an arc, radius doubled.
    double m[4][4] = {{2, 0, 0, 0}, {0, 2, 0, 0}, {0, 0, 2, 0}, {1, 0, 0, 1}};
    EXPECT_EQ(arc.Transform(m, 0), &arc);
    EXPECT_NEAR(arc.m_radius, 2.0, 1e-12);
    double p[3];
    arc.GetEndPoint(p);
    EXPECT_NEAR(P3D_Dist(p, Pt(3, 4, 0).data()), 0.0, 1e-12);

    // A non-uniform scale bends the circle: a new NURBS curve, the arc unchanged.
    double centre[3] = {0, 0, 0}, f[3] = {1, 3, 1};
    std::unique_ptr<CGeShape3d> bent(arc.Scale3D(centre, f));
    ASSERT_NE(bent, nullptr);
    ASSERT_EQ(bent->GetType(), 0x4000);
    auto* nurbs = static_cast<CGeNrbCrv3d*>(bent.get());
    double q[3], r[3];
    arc.GetPointAt(0.5, q, 1);
    nurbs->GetPointAt(0.5, r, 1);
    EXPECT_NEAR(r[0], q[0], 1e-9);
    EXPECT_NEAR(r[1], 3 * q[1], 1e-9);
    EXPECT_NEAR(arc.m_radius, 2.0, 1e-12) << "the arc itself is unchanged";
}

}  // namespace
