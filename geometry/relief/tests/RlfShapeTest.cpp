#include "geometry/relief/RlfAngleShape.h"
#include "geometry/relief/RlfChamferShape.h"
#include "geometry/relief/RlfFlatShape.h"
#include "geometry/relief/RlfRoundShape.h"
#include "geometry/relief/RlfSweep.h"
#include "geometry/shapes2d/GeArc.h"
#include "geometry/shapes2d/GeLine.h"

#include <gtest/gtest.h>

#include <cmath>
#include <array>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;

// Sum of a node form over a fine grid around one disc: the volume under it.
double StampedVolume(const CRlfShape& sh, const float* node, double step)
{
    const double r = node[2];
    const int n = int(std::ceil(2.0 * r / step)) + 2;
    double v = 0.0;
    for (int j = 0; j < n; ++j) {
        for (int i = 0; i < n; ++i) {
            float h = 0.0f;
            sh.CalcHeight(node, float(node[0] - r + (i + 0.5) * step), float(node[1] - r + (j + 0.5) * step), h);
            v += h;
        }
    }
    return v * step * step;
}

std::unique_ptr<CRlfAngleShape> Angle(float h, int mode, float ang, float span)
{
    auto s = std::make_unique<CRlfAngleShape>();
    s->SetParam(0.0f, h, mode, ang, 0.0f);
    s->SetMaxSpan(span);
    return s;
}

std::unique_ptr<CRlfRoundShape> Round(float h, int mode, float ang, float aspect, float span)
{
    auto s = std::make_unique<CRlfRoundShape>();
    s->SetParam(0.0f, h, mode, ang, 0.0f, aspect);
    s->SetMaxSpan(span);
    return s;
}

// Volumes of revolution of the node forms of one disc of radius 3 against closed forms.
TEST(RlfShapeTest, NodeFormsMatchSolidsOfRevolution)
{
    const float node[4] = {1.0f, -2.0f, 3.0f, 1.0f};
    const double r = 3.0;
    auto cone = Angle(100.0f, 2, 0.6f, 1.0f);  // span far beyond the disc
    auto flat = std::make_unique<CRlfFlatShape>();
    flat->SetParam(1.5f);
    auto hemi = Round(3.0f, 1, 0.0f, 1.0f, 3.0f);  // c = 1: edge angle 0, a hemisphere
    auto ellipse = Round(100.0f, 2, std::atan(1.0f), 0.5f, 1.0f);
    const double k = 0.5, a = std::atan(0.5), l = r / std::cos(a);
    struct Case {
        const char* label;
        const CRlfShape* shape;
        double volume;
    };
    const Case cases[] = {
        {"cone", cone.get(), kPi * r * r * (r * std::tan(0.6)) / 3.0},
        {"disc", flat.get(), kPi * r * r * 1.5},
        {"hemisphere", hemi.get(), 2.0 / 3.0 * kPi * r * r * r},
        {"cut ellipse", ellipse.get(),
         2.0 * kPi * k * l * l * l * (1.0 - std::pow(std::sin(a), 3)) / 3.0 - kPi * r * r * k * l * std::sin(a)},
    };
    EXPECT_NEAR(hemi->edgeAngle, 0.0f, 1e-6f);
    EXPECT_NEAR(ellipse->edgeAngle, a, 1e-6);
    for (const auto& c : cases) EXPECT_NEAR(StampedVolume(*c.shape, node, 0.005), c.volume, 2e-3 * c.volume) << c.label;
}

// A Round of half width maxSpan peaks at exactly height and meets the ground with
// slope tan(angle), whichever of span or angle was given.
TEST(RlfShapeTest, RoundSpanReachesHeightWithItsSlope)
{
    struct Case {
        const char* label;
        int mode;
        float height, angle, aspect, span;
    };
    const Case cases[] = {
        {"span given", 1, 2.0f, 0.0f, 1.0f, 5.0f},
        {"span given, flat ellipse", 3, 1.0f, 0.0f, 0.3f, 8.0f},
        {"angle given", 2, 2.0f, 0.9f, 1.0f, 1.0f},
        {"angle given, tall ellipse", 4, 3.0f, 1.2f, 2.5f, 1.0f},
    };
    for (const auto& c : cases) {
        auto s = Round(c.height, c.mode, c.angle, c.aspect, c.span);
        const float r = s->maxSpan;
        const float node[4] = {0.0f, 0.0f, r, 1.0f};
        float top = 0.0f;
        s->CalcHeight(node, 0.0f, 0.0f, top);
        EXPECT_NEAR(top, c.height, 1e-5f * c.height) << c.label;
        const float eps = 1e-4f * r;
        float edge = 0.0f;
        s->CalcHeight(node, r - eps, 0.0f, edge);
        EXPECT_NEAR(edge / eps, s->tanAngle, 0.01f * s->tanAngle) << c.label;
    }
}

TEST(RlfShapeTest, AngleEdgeCases)
{
    auto s = Angle(2.0f, 2, std::atan(1.0f), 1.0f);
    EXPECT_FLOAT_EQ(s->maxSpan, 2.0f);
    const float disc[4] = {0.0f, 0.0f, 5.0f, 1.0f};
    float h = 0.0f;
    EXPECT_EQ(s->CalcHeight(disc, 0.0f, 0.0f, h), 1);
    EXPECT_FLOAT_EQ(h, 2.0f);
    h = 0.0f;
    s->CalcHeight(disc, 4.0f, 0.0f, h);
    EXPECT_NEAR(h, 1.0f, 1e-6f);
    h = 0.0f;
    EXPECT_EQ(s->CalcHeight(disc, 5.0f, 0.0f, h), 0) << "on the circle";
    EXPECT_EQ(h, 0.0f);
}

// ---------------------------------------------------------------------------
// Sweeps against dense sampling of the node form along the segment

struct Segment {
    std::string label;
    float p[3], q[3];
};

std::vector<Segment> RandomSegments()
{
    std::mt19937 rng(11);
    std::uniform_real_distribution<float> pos(-10.0f, 10.0f), wid(0.0f, 6.0f), unit(0.0f, 1.0f);
    std::vector<Segment> out;
    for (int i = 0; i < 40; ++i) {
        Segment s{"random " + std::to_string(i), {pos(rng), pos(rng), wid(rng)}, {pos(rng), pos(rng), wid(rng)}};
        out.push_back(s);
    }
    for (int i = 0; i < 15; ++i) {
        // One circle nearly inside the other: centre distance around the width difference.
        const float w0 = 1.0f + 5.0f * unit(rng), w1 = w0 * unit(rng);
        const float d = (w0 - w1) * (0.97f + 0.06f * unit(rng)), a = 6.28f * unit(rng);
        const float x = pos(rng), y = pos(rng);
        Segment s{"nearly nested " + std::to_string(i), {x, y, w0}, {x + d * std::cos(a), y + d * std::sin(a), w1}};
        if (i % 2) std::swap(s.p, s.q);
        out.push_back(s);
    }
    out.push_back({"degenerate", {1.0f, 1.0f, 3.0f}, {1.0005f, 1.0f, 2.0f}});
    out.push_back({"point end", {0.0f, 0.0f, 4.0f}, {6.0f, 2.0f, 0.0f}});
    out.push_back({"equal widths", {0.0f, 0.0f, 2.0f}, {5.0f, -3.0f, 2.0f}});
    return out;
}

float SampledMax(const CRlfShape& sh, float x, float y)
{
    float best = 0.0f;
    float node[4];
    for (int n = 0; n <= 10000; ++n) {
        const float t = n / 10000.0f;
        for (int i = 0; i < 3; ++i) node[i] = sh.node0[i] + t * sh.axis[i];
        node[3] = sh.node0[3];
        sh.CalcHeight(static_cast<const float*>(node), x, y, best);
    }
    return best;
}

void ExpectSweepIsSampledMax(CRlfShape& sh, const std::string& label, float tol)
{
    std::mt19937 rng(5);
    int raised = 0;
    for (const auto& seg : RandomSegments()) {
        float p[3], q[3];
        std::memcpy(p, seg.p, sizeof p);
        std::memcpy(q, seg.q, sizeof q);
        sh.SetCAxis(p, q);
        std::uniform_real_distribution<float> ux(sh.updateBox[0], sh.updateBox[2]), uy(sh.updateBox[1], sh.updateBox[3]);
        for (int k = 0; k < 40; ++k) {
            const float x = ux(rng), y = uy(rng);
            float h = 0.0f;
            sh.CalcHeight(7, x, y, h);
            const float want = SampledMax(sh, x, y);
            ASSERT_NEAR(h, want, tol) << label << ", " << seg.label << " at (" << x << ", " << y << ")";
            raised += h > 0.0f;
        }
    }
    EXPECT_GT(raised, 500) << label;
}

TEST(RlfShapeTest, SweepsEqualTheMaximumOfTheirNodeForms)
{
    struct Case {
        const char* label;
        std::unique_ptr<CRlfShape> shape;
        float tol;
    };
    auto flat = std::make_unique<CRlfFlatShape>();
    flat->SetParam(1.0f);
    Case cases[] = {
        {"angle, span given", Angle(2.0f, 1, 0.0f, 3.0f), 2e-3f},
        {"angle, angle given", Angle(4.0f, 2, 0.7f, 1.0f), 2e-3f},
        {"round, span given", Round(2.0f, 1, 0.0f, 1.0f, 3.0f), 2e-3f},
        {"round, flat ellipse", Round(1.0f, 1, 0.0f, 0.4f, 4.0f), 2e-3f},
        {"round, angle given", Round(3.0f, 2, 1.0f, 0.8f, 1.0f), 2e-3f},
        {"flat", std::move(flat), 0.0f},
    };
    for (auto& c : cases) ExpectSweepIsSampledMax(*c.shape, c.label, c.tol);
}

// A chamfer whose cross-section is straight is the angle profile; a quarter arc is the
// round profile with aspect 1 and edge angle 0 (on discs wider than the arc).
TEST(RlfShapeTest, ChamferReproducesAngleAndRound)
{
    const float H = 2.0f, W = 3.0f;
    CRlfChamferShape straight;
    straight.SetParam(H, 1, 0.0f);
    const double a[2] = {0.0, H}, b[2] = {W, 0.0};
    CGeLine line(b, a);  // drawn backwards: SetCross turns it
    straight.SetCross(&line);
    ASSERT_NE(straight.cross, nullptr);
    EXPECT_FLOAT_EQ(straight.crossWidth, W);
    EXPECT_FLOAT_EQ(straight.crossHeight, H);
    straight.SetMaxSpan(W);
    auto angle = Angle(H, 1, 0.0f, W);

    const double R = 2.5;
    CRlfChamferShape arcShape;
    arcShape.SetParam(float(R), 1, 0.0f);
    CGeArc arc;
    const double s[2] = {10.0, 10.0 + R}, m[2] = {10.0 + R * std::sqrt(0.5), 10.0 + R * std::sqrt(0.5)}, e[2] = {10.0 + R, 10.0};
    ASSERT_EQ(arc.Create3Pnt(s, m, e), 1);
    arcShape.SetCross(&arc);
    ASSERT_NE(arcShape.cross, nullptr);
    arcShape.SetMaxSpan(float(R));
    auto round = Round(float(R), 1, 0.0f, 1.0f, float(R));

    struct Case {
        const char* label;
        CRlfChamferShape* chamfer;
        CRlfShape* peer;
        float minWidth, tol, minHeight;
    };
    // The arc stands vertical at the border, where its chords differ most from it:
    // heights there are compared only where the slope is moderate.
    const Case cases[] = {{"straight", &straight, angle.get(), 0.0f, 1e-4f, 0.0f},
                          {"quarter arc", &arcShape, round.get(), float(R), 0.01f, 0.5f}};
    std::mt19937 rng(3);
    for (const auto& c : cases) {
        int compared = 0;
        for (const auto& seg : RandomSegments()) {
            float p[3], q[3];
            std::memcpy(p, seg.p, sizeof p);
            std::memcpy(q, seg.q, sizeof q);
            p[2] += c.minWidth;
            q[2] += c.minWidth;
            c.chamfer->SetCAxis(p, q);
            c.peer->SetCAxis(p, q);
            std::uniform_real_distribution<float> ux(c.peer->updateBox[0], c.peer->updateBox[2]),
                uy(c.peer->updateBox[1], c.peer->updateBox[3]);
            for (int k = 0; k < 30; ++k) {
                const float x = ux(rng), y = uy(rng);
                float h = 0.0f, depth = 0.0f, want = 0.0f;
                c.chamfer->CalcHeight(7, x, y, h, depth);
                c.peer->CalcHeight(7, x, y, want);
                if (want < c.minHeight) continue;
                ASSERT_NEAR(h, want, c.tol) << c.label << ", " << seg.label << " at (" << x << ", " << y << ")";
                compared += want > 0.0f;
            }
        }
        EXPECT_GT(compared, 300) << c.label;
    }
}

TEST(RlfShapeTest, ChamferWithoutCrossAnswersNothing)
{
    CRlfChamferShape s;
    s.SetParam(1.0f, 0, 0.0f);
    s.SetMaxSpan(5.0f);
    float p[3] = {0.0f, 0.0f, 2.0f}, q[3] = {4.0f, 0.0f, 1.0f};
    s.SetCAxis(p, q);
    float h = -1.0f, depth = -1.0f;
    EXPECT_EQ(s.CalcHeight(7, 1.0f, 0.0f, h, depth), 0);
    EXPECT_EQ(h, -1.0f);
}

// Modes 3 and 4 scale each node so that the profile reaches the height on the axis
// even where the region is narrow.
TEST(RlfShapeTest, ScalingModesLiftNarrowPartsToHeight)
{
    struct Case {
        const char* label;
        std::unique_ptr<CRlfShape> shape;
    };
    Case cases[] = {
        {"angle mode 3", Angle(3.0f, 3, 0.0f, 20.0f)},
        {"angle mode 4", Angle(3.0f, 4, 0.3f, 1.0f)},
        {"round mode 3", Round(3.0f, 3, 0.0f, 1.0f, 20.0f)},
        {"round mode 4", Round(3.0f, 4, 0.3f, 0.5f, 1.0f)},
    };
    for (auto& c : cases) {
        float p[3] = {0.0f, 0.0f, 12.0f}, q[3] = {30.0f, 5.0f, 0.5f};
        c.shape->SetCAxis(p, q);
        for (float t : {0.3f, 0.6f, 0.9f, 0.98f}) {
            const float x = t * 30.0f, y = t * 5.0f;
            float h = 0.0f;
            c.shape->CalcHeight(7, x, y, h);
            EXPECT_NEAR(h, 3.0f, 0.02f) << c.label << " at t = " << t;
        }
    }
}

// UpdateGrid, which asks only the nodes within reach of the segment and stamps
// rows in parallel, equals the plain loop over every node of the update box
// (serial, and rows in parallel on one shape) bit for bit, for every profile.
TEST(RlfShapeTest, UpdateGridEqualsThePlainLoopOverTheBox)
{
    auto flat = std::make_unique<CRlfFlatShape>();
    flat->SetParam(1.5f);
    struct Case {
        const char* label;
        std::unique_ptr<CRlfShape> shape;
        int flags;
    };
    Case cases[] = {
        {"round, sweep and first end", Round(2.0f, 1, 0.0f, 0.7f, 3.0f), 5},
        {"round mode 4, all", Round(3.0f, 4, 0.3f, 0.5f, 1.0f), 7},
        {"angle mode 2, all", Angle(2.0f, 2, 0.6f, 1.0f), 7},
        {"angle mode 1, sweep and second end", Angle(2.0f, 1, 0.0f, 1.5f), 6},
        {"angle mode 2, sweep only", Angle(5.0f, 2, 0.9f, 1.0f), 4},
        {"angle mode 3, all", Angle(3.0f, 3, 0.0f, 20.0f), 7},
        {"angle mode 4, first end", Angle(3.0f, 4, 0.3f, 1.0f), 1},
        {"flat, all", std::move(flat), 7},
    };
    std::vector<Segment> segments = RandomSegments();
    segments.push_back({"negative widths", {2.0f, 1.0f, -2.0f}, {-3.0f, 4.0f, -0.5f}});
    segments.push_back({"beyond the grid", {20.0f, 3.0f, 4.0f}, {30.0f, 5.0f, 1.0f}});
    for (auto& c : cases) {
        CTGrid<float> stamped, serial, parallel;
        const float org[2] = {-12.0f, -12.0f};
        for (CTGrid<float>* g : {&stamped, &serial, &parallel}) ASSERT_EQ(g->Create(org, 0.1f, 0.1f, 240, 240), 1);
        const CRlfShape* sh = c.shape.get();
        long raised = 0;
        for (const auto& seg : segments) {
            float p[3], q[3];
            std::memcpy(p, seg.p, sizeof p);
            std::memcpy(q, seg.q, sizeof q);
            c.shape->SetCAxis(p, q);
            sh->UpdateGrid(c.flags, &stamped);
            int box[2][2];
            sh->GetUpdateBox(&serial, box);
            for (int j = box[0][1]; j <= box[1][1]; ++j)
                for (int i = box[0][0]; i <= box[1][0]; ++i)
                    raised += sh->CalcHeight(c.flags, serial.xs[i], serial.ys[j], serial.rows[j][i]) != 0;
#pragma omp parallel for schedule(static)
            for (int j = box[0][1]; j <= box[1][1]; ++j)
                for (int i = box[0][0]; i <= box[1][0]; ++i)
                    sh->CalcHeight(c.flags, parallel.xs[i], parallel.ys[j], parallel.rows[j][i]);
        }
        EXPECT_GT(raised, 2000) << c.label;
        for (int j = 0; j < 240; ++j) {
            ASSERT_EQ(std::memcmp(stamped.rows[j], serial.rows[j], 240 * sizeof(float)), 0) << c.label << ", row " << j;
            ASSERT_EQ(std::memcmp(parallel.rows[j], serial.rows[j], 240 * sizeof(float)), 0) << c.label << ", row " << j;
        }
    }
}

// The inline plane distance of the node forms gives hypotf's values.
TEST(RlfShapeTest, PlaneDistanceIsHypotf)
{
    std::mt19937 rng(5);
    std::uniform_real_distribution<float> mant(-1.0f, 1.0f);
    std::uniform_int_distribution<int> expo(-60, 60);
    for (int n = 0; n < 2000000; ++n) {
        const float dx = std::ldexp(mant(rng), expo(rng)), dy = std::ldexp(mant(rng), n % 3 ? expo(rng) : 0);
        const float want = std::hypot(dx, dy), got = rlf::PlaneDistance(dx, dy);
        ASSERT_EQ(std::memcmp(&want, &got, sizeof want), 0) << "(" << dx << ", " << dy << ")";
    }
}

// Zero angle, height or aspect: nothing is written, certainly no inf or NaN.
TEST(RlfShapeTest, ZeroProfilesAnswerNothing)
{
    struct Case {
        const char* label;
        std::unique_ptr<CRlfShape> shape;
    };
    auto flat = std::make_unique<CRlfFlatShape>();
    flat->SetParam(0.0f);
    Case cases[] = {
        {"angle 0", Angle(2.0f, 2, 0.0f, 1.0f)},
        {"angle 0 scaled", Angle(2.0f, 4, 0.0f, 1.0f)},
        {"height 0", Angle(0.0f, 3, 0.5f, 4.0f)},
        {"round height 0", Round(0.0f, 1, 0.0f, 1.0f, 3.0f)},
        {"round aspect 0", Round(2.0f, 2, 0.5f, 0.0f, 3.0f)},
        {"round aspect 0 by span", Round(2.0f, 3, 0.5f, 0.0f, 3.0f)},
        {"round angle 0", Round(2.0f, 4, 0.0f, 1.0f, 3.0f)},
        {"flat height 0", std::move(flat)},
    };
    for (auto& c : cases) {
        EXPECT_TRUE(std::isfinite(c.shape->maxSpan)) << c.label;
        float p[3] = {0.0f, 0.0f, 3.0f}, q[3] = {5.0f, 1.0f, 1.0f};
        c.shape->SetCAxis(p, q);
        EXPECT_TRUE(std::isfinite(c.shape->node0[3]) && std::isfinite(c.shape->node1[3])) << c.label;
        const float node[4] = {0.0f, 0.0f, 3.0f, 1.0f};
        for (float x : {0.0f, 1.0f, 2.5f}) {
            float h = -1.0f;
            EXPECT_EQ(c.shape->CalcHeight(7, x, 0.2f, h), 0) << c.label;
            EXPECT_EQ(c.shape->CalcHeight(node, x, 0.2f, h), 0) << c.label;
            EXPECT_EQ(h, -1.0f) << c.label;
        }
    }
}

TEST(RlfShapeTest, SetCAxisOrdersEndsAndSplitsAtTheSpan)
{
    auto s = Angle(2.0f, 1, 0.0f, 3.0f);
    float p[3] = {0.0f, 0.0f, 2.0f}, q[3] = {4.0f, 0.0f, 2.0f};
    s->SetCAxis(p, q);
    EXPECT_EQ(s->axisFlags, 2 | 8) << "equal widths swap; both within the span";
    EXPECT_EQ(s->node0[0], 4.0f);
    EXPECT_EQ(s->clip[3], 0.0f);
    EXPECT_EQ(s->clip[0], s->node0[0]);

    float a[3] = {0.0f, 0.0f, 5.0f}, b[3] = {10.0f, 0.0f, 1.0f};
    s->SetCAxis(a, b);
    EXPECT_EQ(s->axisFlags, 2 | 4);
    EXPECT_FLOAT_EQ(s->clip[3], 0.5f);
    EXPECT_FLOAT_EQ(s->clip[2], 3.0f);
    EXPECT_FLOAT_EQ(s->tail[0], 5.0f);
    EXPECT_TRUE(s->HasTangents());
    EXPECT_FLOAT_EQ(s->updateBox[0], -5.0f);
    EXPECT_FLOAT_EQ(s->updateBox[2], 11.0f);

    // One circle inside the other: no tangents, nothing left of the previous segment.
    float c[3] = {0.0f, 0.0f, 5.0f}, d[3] = {1.0f, 0.0f, 1.0f};
    s->SetCAxis(c, d);
    EXPECT_FALSE(s->HasTangents());
    float h = 0.0f;
    EXPECT_EQ(s->CalcHeight(4, 0.5f, 0.0f, h), 4) << "the sweep answers with the end discs";
    EXPECT_FLOAT_EQ(h, 2.0f);
}

TEST(RlfShapeTest, TopHeightStopsTheSweepEarly)
{
    auto s = Angle(2.0f, 1, 0.0f, 10.0f);
    float p[3] = {0.0f, 0.0f, 1.0f}, q[3] = {4.0f, 0.0f, 0.5f};
    s->SetCAxis(p, q);
    float h = s->topHeight;
    EXPECT_EQ(s->CalcHeight(7, 0.0f, 0.0f, h), 0);
}

// FindLine gives the answers of a plain scan over the stored lines.
TEST(RlfShapeTest, FindLineMatchesAPlainScan)
{
    auto s = Angle(1.0f, 1, 0.0f, 1.0f);
    double p[3] = {1.0, 2.0, 0.5}, q[3] = {3.0, 2.0, 0.2};
    EXPECT_EQ(s->SetCAxis(p, q), 1);
    EXPECT_EQ(s->SetCAxis(q, p), 0) << "reversed";
    double near[3] = {1.01, 2.01, 9.0};
    EXPECT_EQ(s->SetCAxis(near, q), 0) << "within 0.02";

    std::mt19937 rng(2);
    std::uniform_real_distribution<double> pos(-3.0, 3.0), jitter(-0.03, 0.03);
    std::vector<std::array<double, 6>> stored{{1.0, 2.0, 0.5, 3.0, 2.0, 0.2}};
    for (int i = 0; i < 400; ++i) {
        double a[3] = {pos(rng), pos(rng), 1.0}, b[3] = {pos(rng), pos(rng), 0.5};
        if (i % 3 == 0 && !stored.empty()) {  // near a stored one, either way round
            const auto& o = stored[rng() % stored.size()];
            const bool flip = i % 2;
            a[0] = (flip ? o[3] : o[0]) + jitter(rng);
            a[1] = (flip ? o[4] : o[1]) + jitter(rng);
            b[0] = (flip ? o[0] : o[3]) + jitter(rng);
            b[1] = (flip ? o[1] : o[4]) + jitter(rng);
        }
        int want = 0;
        POSITION pos2 = s->lines.GetHeadPosition();
        while (pos2) {
            CGeLine* l = s->lines.GetNext(pos2);
            double ls[2], le[2];
            l->GetStartPoint(ls);
            l->GetEndPoint(le);
            auto dist = [](const double* u, const double* v) { return std::max(std::fabs(u[0] - v[0]), std::fabs(u[1] - v[1])); };
            if ((dist(a, ls) <= 0.02 && dist(b, le) <= 0.02) || (dist(a, le) <= 0.02 && dist(b, ls) <= 0.02)) want = 1;
        }
        ASSERT_EQ(s->FindLine(a, b), want) << i;
        EXPECT_EQ(s->SetCAxis(a, b), 1 - want) << i;
        if (!want) stored.push_back({a[0], a[1], a[2], b[0], b[1], b[2]});
    }
    EXPECT_EQ(s->lines.GetCount(), INT_PTR(stored.size()));
}

TEST(RlfShapeTest, UpdateBoxIsClampedToTheGrid)
{
    auto s = Angle(1.0f, 1, 0.0f, 1.0f);
    CTGrid<float> g;
    const float org[2] = {0.0f, 0.0f};
    ASSERT_EQ(g.Create(org, 0.5f, 0.5f, 10, 8), 1);
    struct Case {
        const char* label;
        float p[3], q[3];
        int box[2][2];
    };
    const Case cases[] = {
        {"inside", {1.0f, 1.0f, 0.5f}, {2.0f, 1.0f, 0.2f}, {{1, 1}, {5, 3}}},
        {"partly outside", {-3.0f, 2.0f, 1.0f}, {2.0f, 9.0f, 0.5f}, {{0, 2}, {5, 7}}},
        {"far beyond int", {-1e30f, -1e30f, 1.0f}, {1e30f, 1e30f, 1.0f}, {{0, 0}, {9, 7}}},
    };
    for (const auto& c : cases) {
        float p[3], q[3];
        std::memcpy(p, c.p, sizeof p);
        std::memcpy(q, c.q, sizeof q);
        s->SetCAxis(p, q);
        int box[2][2];
        s->GetUpdateBox(&g, box);
        for (int a = 0; a < 2; ++a)
            for (int b = 0; b < 2; ++b) EXPECT_EQ(box[a][b], c.box[a][b]) << c.label << " [" << a << "][" << b << "]";
    }
    s->UpdateGrid(7, nullptr);
}

}  // namespace
