#include "toolpath/surfkernel/KernelArc.h"

#include "framework/numerak/QvMem.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>

namespace {

constexpr double kPi = std::numbers::pi;

double dist(const double* a, const double* b) { return std::hypot(a[0] - b[0], a[1] - b[1], a[2] - b[2]); }

// Every sampled point lies on the circle of the arc's centre and radius, in the
// plane through the centre normal to Z; the frame is orthonormal.
void expectOnCircle(const _arc* arc, const std::string& label)
{
    const _rect_fm3d& f = arc->frame;
    auto dot = [](const double* a, const double* b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; };
    EXPECT_NEAR(dot(f.X, f.X), 1.0, 1e-14) << label;
    EXPECT_NEAR(dot(f.Y, f.Y), 1.0, 1e-14) << label;
    EXPECT_NEAR(dot(f.X, f.Y), 0.0, 1e-14) << label;
    EXPECT_NEAR(dot(f.X, f.Z), 0.0, 1e-14) << label;
    for (int k = 0; k <= 64; ++k) {
        double p[3], t[3];
        ARC_EvalPointTangent(arc->sweep * k / 64, p, arc, t);
        EXPECT_NEAR(dist(p, f.O), arc->r, 1e-12 * (1.0 + arc->r)) << label << " sample " << k;
        double d[3] = {p[0] - f.O[0], p[1] - f.O[1], p[2] - f.O[2]};
        EXPECT_NEAR(dot(d, f.Z), 0.0, 1e-12 * (1.0 + arc->r)) << label << " sample " << k;
        EXPECT_NEAR(dot(d, t), 0.0, 1e-12 * (1.0 + arc->r * arc->r)) << label << " tangent " << k;
    }
}

// Angle of p on the arc, measured from X towards Y in [0, 2 pi).
double angleOn(const _arc* arc, const double* p)
{
    const _rect_fm3d& f = arc->frame;
    double d[3] = {p[0] - f.O[0], p[1] - f.O[1], p[2] - f.O[2]};
    double a = std::atan2(d[0] * f.Y[0] + d[1] * f.Y[1] + d[2] * f.Y[2], d[0] * f.X[0] + d[1] * f.X[1] + d[2] * f.X[2]);
    return a < 0 ? a + 2 * kPi : a;
}

TEST(KernelArcTest, ThroughThreePointsPassesThroughAllThree)
{
    const struct { const char* label; double s[3], q[3], e[3]; } rows[] = {
        {"right angle at the middle", {-1, 0, 0}, {0, 1, 0}, {1, 0, 0}},
        {"major arc", {1, 0, 0}, {-1, 0, 0}, {0, 1, 0}},
        {"minor arc", {1, 0, 0}, {std::sqrt(0.5), std::sqrt(0.5), 0}, {0, 1, 0}},
        {"clockwise in space", {0, 0, 5}, {3, 4, 5}, {3, 4, 7}},
        {"large flat arc", {-100, 0, 0}, {0, 1, 0}, {100, 0, 0}},
        // Centre (0, -0.05): the angle at the middle point is 0.0005 above a right angle.
        {"nearly a right angle", {-100, 0, 0}, {0, std::sqrt(100.0 * 100.0 + 0.05 * 0.05) - 0.05, 0}, {100, 0, 0}},
        {"nearly a right angle, acute", {-100, 0, 0}, {0, std::sqrt(100.0 * 100.0 + 0.05 * 0.05) + 0.05, 0}, {100, 0, 0}},
        {"nearly full", {1, 0, 0}, {-1, 0, 0}, {std::cos(-0.01), std::sin(-0.01), 0}},
    };
    for (const auto& r : rows) {
        _arc* arc = nullptr;
        ASSERT_EQ(ARC_ThroughThreePoints(&arc, r.s, r.q, r.e), 1) << r.label;
        expectOnCircle(arc, r.label);
        double p[3];
        ARC_EvalPointTangent(0.0, p, arc, nullptr);
        EXPECT_LT(dist(p, r.s), 1e-12 * (1 + arc->r)) << r.label << ": starts at the start";
        ARC_EvalPointTangent(arc->sweep, p, arc, nullptr);
        EXPECT_LT(dist(p, r.e), 1e-9 * (1 + arc->r)) << r.label << ": ends at the end";
        const double aq = angleOn(arc, r.q);
        EXPECT_GT(aq, 0.0) << r.label << ": the middle point lies inside the sweep";
        EXPECT_LT(aq, arc->sweep) << r.label;
        ARC_EvalPointTangent(aq, p, arc, nullptr);
        EXPECT_LT(dist(p, r.q), 1e-9 * (1 + arc->r)) << r.label << ": passes through the middle point";
        QV_MemFree(arc);
    }
    _arc* arc = nullptr;
    const double s[3] = {-1, 0, 0}, q[3] = {0, 1, 0}, e[3] = {1, 0, 0};
    ASSERT_EQ(ARC_ThroughThreePoints(&arc, s, q, e), 1);
    EXPECT_NEAR(arc->frame.O[0], 0.0, 1e-15) << "centre at the chord midpoint";
    EXPECT_NEAR(arc->sweep, kPi, 1e-15);
    QV_MemFree(arc);
}

TEST(KernelArcTest, ThroughThreePointsRejectsDegenerateInput)
{
    const struct { const char* label; double s[3], q[3], e[3]; } rows[] = {
        {"middle on the chord", {0, 0, 0}, {1, 0, 0}, {2, 0, 0}},
        {"middle beyond an end", {0, 0, 0}, {3, 0, 0}, {2, 0, 0}},
        {"start equals end", {1, 1, 0}, {2, 0, 0}, {1, 1, 0}},
        {"middle on the start", {0, 0, 0}, {0, 0, 0}, {2, 0, 0}},
    };
    for (const auto& r : rows) {
        _arc* arc = reinterpret_cast<_arc*>(&arc);
        EXPECT_EQ(ARC_ThroughThreePoints(&arc, r.s, r.q, r.e), -4) << r.label;
        EXPECT_EQ(arc, nullptr) << r.label;
    }
    const double s[3] = {-1, 0, 0}, q[3] = {0, 1, 0}, e[3] = {1, 0, 0};
    _arc* arc = nullptr;
    const long live = QV_MemLiveCount();
    QV_MemFailAfter(0);
    EXPECT_EQ(ARC_ThroughThreePoints(&arc, s, q, e), 0) << "out of memory";
    QV_MemFailAfter(-1);
    EXPECT_EQ(arc, nullptr);
    EXPECT_EQ(QV_MemLiveCount(), live);
}

TEST(KernelArcTest, FromChordAndCentreLineRunsTheShortWay)
{
    const struct { const char* label; double a[3], b[3], c[3]; double r, sweep; } rows[] = {
        {"quarter circle", {1, 0, 0}, {0, 1, 0}, {0, 0, 0}, 1.0, kPi / 2},
        {"centre line offset along the chord", {1, 0, 0}, {0, 1, 0}, {5, -5, 0}, 1.0, kPi / 2},
        {"shallow arc in space", {0, 0, 1}, {2, 0, 1}, {7, 0, -3}, std::hypot(1.0, 4.0), 2 * std::atan(0.25)},
    };
    for (const auto& r : rows) {
        _arc* arc = nullptr;
        ASSERT_EQ(ARC_FromChordAndCentreLine(r.a, r.b, &arc, r.c, nullptr), 1) << r.label;
        EXPECT_NEAR(arc->r, r.r, 1e-12) << r.label;
        EXPECT_NEAR(arc->sweep, r.sweep, 1e-12) << r.label;
        expectOnCircle(arc, r.label);
        double p[3];
        ARC_EvalPointTangent(0.0, p, arc, nullptr);
        EXPECT_LT(dist(p, r.a), 1e-12) << r.label;
        ARC_EvalPointTangent(arc->sweep, p, arc, nullptr);
        EXPECT_LT(dist(p, r.b), 1e-12) << r.label;
        QV_MemFree(arc);
    }
}

TEST(KernelArcTest, FromChordHalfCircleNeedsAFallbackNormal)
{
    const double a[3] = {1, 0, 0}, b[3] = {-1, 0, 0}, c[3] = {5, 0, 0}, n[3] = {0, 0, 2};
    _arc* arc = nullptr;
    EXPECT_EQ(ARC_FromChordAndCentreLine(a, b, &arc, c, nullptr), -4) << "no plane without a normal";
    EXPECT_EQ(arc, nullptr);
    ASSERT_EQ(ARC_FromChordAndCentreLine(a, b, &arc, c, n), 1);
    EXPECT_NEAR(arc->sweep, kPi, 1e-12);
    expectOnCircle(arc, "half circle");
    double p[3];
    ARC_EvalPointTangent(kPi / 2, p, arc, nullptr);
    EXPECT_NEAR(p[1], 1.0, 1e-12) << "counter-clockwise about the normal";
    ARC_EvalPointTangent(kPi, p, arc, nullptr);
    EXPECT_LT(dist(p, b), 1e-12);
    QV_MemFree(arc);
    EXPECT_EQ(ARC_FromChordAndCentreLine(a, a, &arc, c, n), -4) << "zero chord";
    const double onA[3] = {1, 5, 0}, a2[3] = {1, 0, 0}, b2[3] = {1, 1e-7, 0};
    EXPECT_EQ(ARC_FromChordAndCentreLine(a2, b2, &arc, onA, n), -4) << "chord below 1e-6";
    QV_MemFailAfter(0);
    EXPECT_EQ(ARC_FromChordAndCentreLine(a, b, &arc, c, n), -1);
    QV_MemFailAfter(-1);
    EXPECT_EQ(ARC_EvalPointTangent(0.0, p, nullptr, nullptr), 0);
    _arc* fresh = ARC_New(2.0, 1.0);
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(fresh->frame.Z[2], 1.0);
    EXPECT_EQ(fresh->r, 2.0);
    QV_MemFree(fresh);
}

} // namespace
