#include "toolpath/contours/PathEntity.h"
#include "toolpath/contours/SmartSect.h"
#include "testing/PathOracle.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

using namespace pathtest;

namespace {

constexpr double kPi = 3.141592653589793;

std::unique_ptr<CPathArc3D> Arc(int plane, P3 c, double r, double a0, double a1, double pitch)
{
    return std::unique_ptr<CPathArc3D>(NewArc(plane, c, r, a0, a1, pitch));
}

// An orthonormal frame turned off every world axis: rows X, Y, height.
void TiltedFrame(CPathArc3D& a)
{
    const double ca = std::cos(0.7), sa = std::sin(0.7), cb = std::cos(-0.4), sb = std::sin(-0.4);
    const double f[9] = {ca, sa * cb, sa * sb, -sa, ca * cb, ca * sb, 0, -sb, cb};
    a.frame = std::make_unique<double[]>(9);
    std::copy(f, f + 9, a.frame.get());
}

// A unit tool axis that depends on the point, so that a misplaced axis shows.
P3 AxisOf(const double* p)
{
    P3 v{0.3 * p[0], 0.2 * p[1], 1.0};
    const double l = std::hypot(v[0], v[1], v[2]);
    return {v[0] / l, v[1] / l, v[2] / l};
}

std::unique_ptr<CPathPLine3D> PLine(const std::vector<P3>& pts, bool withAxes)
{
    auto pl = std::make_unique<CPathPLine3D>();
    SetPathPLinePoints(pl.get(), unsigned(pts.size() - 1), pts[0].data());
    if (withAxes) {
        pl->axes = std::make_unique<double[][3]>(pts.size());
        for (std::size_t i = 0; i < pts.size(); ++i) {
            const P3 a = AxisOf(pts[i].data());
            for (int k = 0; k < 3; ++k) pl->axes[i][k] = a[k];
        }
    }
    return pl;
}

struct Case {
    std::string label;
    std::unique_ptr<CPathEntity> e;
};

std::vector<Case> Entities()
{
    std::vector<Case> v;
    const double s[3] = {1, 2, 3}, e[3] = {7, -1, 5};
    v.push_back({"line", std::make_unique<CPathLine3D>(s, e)});
    v.push_back({"planar ccw arc", Arc(0, {1, 1, 2}, 3, 0.3, 2.5, 0)});
    v.push_back({"cw helix plane 0", Arc(0, {0, 0, 1}, 2, 2.0, -1.5, 1.5)});
    v.push_back({"helix plane 1", Arc(1, {1, 2, 3}, 2.5, -0.5, 2.0, -2)});
    v.push_back({"helix plane 2", Arc(2, {-1, 0, 2}, 1.5, 1.0, 4.0, 0.8)});
    auto general = Arc(3, {2, -1, 0}, 2, 0.2, 3.0, 1.2);
    TiltedFrame(*general);
    v.push_back({"general-frame helix", std::move(general)});
    v.push_back({"polyline with axes", PLine({{0, 0, 0}, {2, 1, 0.5}, {3, 3, 1}, {1, 4, 0.2}, {-1, 3, -0.5}}, true)});
    return v;
}

void ExpectNear(const P3& a, const P3& b, double tol, const std::string& what)
{
    EXPECT_LT(Dist(a, b), tol) << what << ": (" << a[0] << ", " << a[1] << ", " << a[2] << ") vs (" << b[0] << ", "
                               << b[1] << ", " << b[2] << ")";
}

void ExpectSameSamples(const CPathEntity& a, const CPathEntity& b, const std::string& what)
{
    for (int i = 0; i <= 20; ++i) ExpectNear(Sample(a, i / 20.0), Sample(b, i / 20.0), 1e-9, what + " t=" + std::to_string(i / 20.0));
}

void ExpectAxesFollowPoints(const CPathEntity& e, const std::string& what)
{
    if (e.type != pathc::kTypePLine) return;
    const auto& pl = static_cast<const CPathPLine3D&>(e);
    ASSERT_TRUE(pl.axes) << what << ": axes dropped";
    for (int i = 0; i <= pl.count; ++i) {
        const P3 want = AxisOf(pl.points[i]);
        const P3 got{pl.axes[i][0], pl.axes[i][1], pl.axes[i][2]};
        // Vertices carry their own axis; split points an interpolated unit one.
        EXPECT_NEAR(std::hypot(got[0], got[1], got[2]), 1.0, 1e-12) << what << " point " << i;
        EXPECT_LT(Dist(got, want), 0.05) << what << " point " << i;
    }
}

TEST(PathEntityTest, ArcPointMatchesClosedFormHelix)
{
    for (const Case& c : Entities()) {
        if (c.e->type != pathc::kTypeArc) continue;
        const auto& a = static_cast<const CPathArc3D&>(*c.e);
        for (double t : {0.0, 0.1, 0.5, 0.93, 1.0}) {
            double p[3];
            ASSERT_EQ(PathArcPointAt(&a, p, t), 1) << c.label;
            ExpectNear({p[0], p[1], p[2]}, ArcPoint(a, t), 1e-12, c.label);
        }
    }
    auto helix = Arc(0, {1, 1, 5}, 2, 0, kPi, 4);
    double p[3];
    PathArcPointAt(helix.get(), p, 0.5);
    EXPECT_DOUBLE_EQ(p[2], 7.0) << "half way up a pitch 4 helix";
    auto noFrame = Arc(3, {0, 0, 0}, 1, 0, 1, 0);
    p[0] = 99;
    EXPECT_EQ(PathArcPointAt(noFrame.get(), p, 0.5), 0);
    EXPECT_EQ(p[0], 99) << "untouched without frame";
}

TEST(PathEntityTest, SplitPiecesSampleTheOriginalAndAddUp)
{
    for (const Case& c : Entities()) {
        const double total = c.e->GetLength();
        for (double f : {0.3, 0.77}) {
            const std::string what = c.label + " f=" + std::to_string(f);
            CPathEntity* first = nullptr;
            CPathEntity* second = nullptr;
            ASSERT_EQ(c.e->SplitAt(f * total, first, second), 1) << what;
            ASSERT_TRUE(first && second) << what;
            std::unique_ptr<CPathEntity> a(first), b(second);
            EXPECT_NEAR(a->GetLength() + b->GetLength(), total, 1e-9) << what;
            EXPECT_NEAR(a->GetLength(), f * total, 1e-9) << what;
            for (int i = 0; i <= 20; ++i) {
                const double t = i / 20.0;
                ExpectNear(Sample(*a, t), Sample(*c.e, t * f), 1e-9, what + " first");
                ExpectNear(Sample(*b, t), Sample(*c.e, f + t * (1 - f)), 1e-9, what + " second");
            }
            double ea[3], sb[3];
            a->GetEndPoint(1, ea);
            b->GetEndPoint(0, sb);
            ExpectNear({ea[0], ea[1], ea[2]}, {sb[0], sb[1], sb[2]}, 1e-9, what + " pieces meet");
            ExpectAxesFollowPoints(*a, what + " first");
            ExpectAxesFollowPoints(*b, what + " second");
        }
        // Lengths within 0.01 of either end give a copy and nothing.
        for (double len : {0.005, total - 0.005}) {
            CPathEntity* first = nullptr;
            CPathEntity* second = nullptr;
            ASSERT_EQ(c.e->SplitAt(len, first, second), 1) << c.label;
            std::unique_ptr<CPathEntity> a(first), b(second);
            CPathEntity* copy = len < 1 ? b.get() : a.get();
            EXPECT_EQ(len < 1 ? a.get() : b.get(), nullptr) << c.label << " len " << len;
            ASSERT_NE(copy, nullptr) << c.label;
            ExpectSameSamples(*copy, *c.e, c.label + " copy");
        }
    }
}

TEST(PathEntityTest, ReverseRunsTheSamplesBackwards)
{
    for (const Case& c : Entities()) {
        std::unique_ptr<CPathEntity> r(c.e->Copy());
        ExpectSameSamples(*r, *c.e, c.label + " copy");
        ExpectAxesFollowPoints(*r, c.label + " copy");
        ASSERT_EQ(r->Reverse(), 1);
        for (int i = 0; i <= 20; ++i)
            ExpectNear(Sample(*r, i / 20.0), Sample(*c.e, 1 - i / 20.0), 1e-9, c.label + " reversed");
        ExpectAxesFollowPoints(*r, c.label + " reversed");
        r->Reverse();
        ExpectSameSamples(*r, *c.e, c.label + " reversed twice");
    }
}

TEST(PathEntityTest, TransformsMoveTheSamples)
{
    const double ang = 0.6, c = std::cos(ang), s = std::sin(ang);
    auto rotZ = [&](P3 p) { return P3{c * p[0] - s * p[1], s * p[0] + c * p[1], p[2]}; };
    auto rotX = [&](P3 p) { return P3{p[0], c * p[1] + s * p[2], c * p[2] - s * p[1]}; };
    auto move = [](P3 p) { return P3{p[0] + 1.5, p[1] - 2, p[2] + 0.25}; };
    for (const Case& k : Entities()) {
        const bool arc = k.e->type == pathc::kTypeArc;
        const bool turnsZ = !arc || static_cast<CPathArc3D&>(*k.e).plane == kArcPlaneXY;
        struct Op {
            const char* name;
            bool applies;
            std::function<void(CPathEntity&)> run;
            std::function<P3(P3)> map;
        } ops[] = {
            {"RotateZ", turnsZ, [&](CPathEntity& e) { e.RotateZ(c, s); }, rotZ},
            {"RotateX", !arc, [&](CPathEntity& e) { e.RotateX(c, s); }, rotX},
            {"Move", true, [](CPathEntity& e) { e.Move(1.5, -2, 0.25); }, move},
        };
        for (const Op& op : ops) {
            std::unique_ptr<CPathEntity> e(k.e->Copy());
            op.run(*e);
            // Vertices and parameter samples: a turn about X changes XY lengths.
            const std::vector<P3> before = Chain(*k.e, 20), after = Chain(*e, 20);
            ASSERT_EQ(before.size(), after.size());
            for (std::size_t i = 0; i < before.size(); ++i)
                ExpectNear(after[i], op.applies ? op.map(before[i]) : before[i], 1e-9, k.label + " " + op.name);
        }
    }
}

TEST(PathEntityTest, LowerEndDropsTheEndInProportion)
{
    const double s[3] = {0, 0, 5}, e[3] = {3, 4, 7};
    CPathLine3D line(s, e);
    line.LowerEnd(2);
    EXPECT_DOUBLE_EQ(line.end[2], 3.0) << "line: end z = start z - d";
    EXPECT_DOUBLE_EQ(line.start[2], 5.0);
    for (const Case& c : Entities()) {
        if (c.e->type == pathc::kTypeLine) continue;
        std::unique_ptr<CPathEntity> low(c.e->Copy());
        low->LowerEnd(1.25);
        for (int i = 0; i <= 20; ++i) {
            const double t = i / 20.0;
            P3 want = Sample(*c.e, t);
            double h[3] = {0, 0, 1};
            if (c.e->type == pathc::kTypeArc) static_cast<CPathArc3D&>(*c.e).HeightAxis(h);
            for (int k = 0; k < 3; ++k) want[k] -= 1.25 * t * h[k];
            ExpectNear(Sample(*low, t), want, 1e-9, c.label);
        }
    }
    auto flat = PLine({{1, 1, 0}, {1, 1, 3}}, false);
    flat->LowerEnd(1);
    EXPECT_EQ(flat->points[1][2], 3.0) << "no XY length: nothing";
}

TEST(PathEntityTest, DirectionsAndNormalsAtBothEnds)
{
    const double h = 1e-7;
    for (const Case& c : Entities()) {
        if (c.e->type == pathc::kTypeArc && static_cast<CPathArc3D&>(*c.e).plane != kArcPlaneXY) continue;
        for (int atEnd : {0, 1}) {
            const std::string what = c.label + (atEnd ? " end" : " start");
            const P3 a = Sample(*c.e, atEnd ? 1 - h : 0), b = Sample(*c.e, atEnd ? 1 : h);
            const double dxy = std::hypot(b[0] - a[0], b[1] - a[1]);
            double n[2], d[3];
            ASSERT_EQ(c.e->GetNormalXY(atEnd, n), 1) << what;
            EXPECT_NEAR(n[0], -(b[1] - a[1]) / dxy, 1e-6) << what;
            EXPECT_NEAR(n[1], (b[0] - a[0]) / dxy, 1e-6) << what;
            ASSERT_EQ(c.e->GetUnitDir(atEnd, d), 1) << what;
            EXPECT_NEAR(d[0], (b[0] - a[0]) / dxy * (c.e->type == pathc::kTypeLine ? dxy / Dist(a, b) : 1), 1e-6) << what;
            EXPECT_NEAR(d[1], (b[1] - a[1]) / dxy * (c.e->type == pathc::kTypeLine ? dxy / Dist(a, b) : 1), 1e-6) << what;
        }
    }
    // The rows: the 3-4-12 line, the polyline's unscaled rise, the arc's flat tangent.
    const double s[3] = {0, 0, 0}, e[3] = {3, 4, 12};
    CPathLine3D line(s, e);
    EXPECT_DOUBLE_EQ(line.GetLength(), 5.0);
    double d[3];
    line.GetUnitDir(0, d);
    EXPECT_NEAR(d[0], 3.0 / 13, 1e-15);
    EXPECT_NEAR(d[2], 12.0 / 13, 1e-15);
    auto pl = PLine({{0, 0, 0}, {3, 4, 12}}, false);
    pl->GetUnitDir(0, d);
    EXPECT_NEAR(d[0], 0.6, 1e-15);
    EXPECT_EQ(d[2], 12.0) << "polyline z unscaled";
    auto helix = Arc(0, {0, 0, 0}, 1, 0, 1, 3);
    helix->GetUnitDir(1, d);
    EXPECT_EQ(d[2], 0.0);
    const double z[3] = {1, 1, 1};
    CPathLine3D point(z, z);
    EXPECT_EQ(point.GetUnitDir(0, d), 0) << "degenerate line";
    EXPECT_EQ(point.GetNormalXY(0, d), 0) << "degenerate line";
}

TEST(PathEntityTest, NearestXYAgainstDenseSamples)
{
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> u(-4, 8);
    for (const Case& c : Entities()) {
        const bool arc = c.e->type == pathc::kTypeArc;
        if (arc && static_cast<CPathArc3D&>(*c.e).plane != kArcPlaneXY) {
            double p[3] = {0, 0, 0}, out[3], dist = 1e12;
            EXPECT_EQ(c.e->NearestXY(p, out, dist), 0) << c.label << ": only plane 0";
            continue;
        }
        std::vector<P3> chain = Chain(*c.e);
        for (P3& q : chain) q[2] = 0;
        for (int i = 0; i < 50; ++i) {
            const double p[3] = {u(rng), u(rng), 1.75};
            const double brute = DistToChain({p[0], p[1], 0}, chain);
            double out[3], dist = 1e12;
            ASSERT_EQ(c.e->NearestXY(p, out, dist), 1) << c.label;
            EXPECT_NEAR(dist, brute, 1e-6) << c.label;
            EXPECT_EQ(out[2], 1.75) << c.label;
            EXPECT_NEAR(std::hypot(out[0] - p[0], out[1] - p[1]), dist, 1e-9) << c.label;
            EXPECT_LT(DistToChain({out[0], out[1], 0}, chain), 1e-6) << c.label << ": on the entity";
            if (c.e->type == pathc::kTypePLine) {
                // The incoming distance rule: only a strictly better segment answers.
                double keep[3] = {9, 9, 9}, smaller = brute * 0.5;
                EXPECT_EQ(c.e->NearestXY(p, keep, smaller), 0) << c.label;
                EXPECT_EQ(keep[0], 9) << c.label;
                EXPECT_EQ(smaller, brute * 0.5) << c.label;
            }
        }
    }
}

TEST(PathEntityTest, ToAndFroPassesCarryPointsAndAxes)
{
    auto open = PLine({{0, 0, 0}, {2, 0, 1}, {4, 1, 2}}, true);
    std::unique_ptr<CPathPLine3D> tf(open->ToAndFro(3));
    ASSERT_TRUE(tf);
    ASSERT_EQ(tf->count + 1, 9) << "3 passes of 3 points";
    const int order[9] = {0, 1, 2, 2, 1, 0, 0, 1, 2};
    for (int i = 0; i < 9; ++i) {
        for (int k = 0; k < 3; ++k) EXPECT_EQ(tf->points[i][k], open->points[order[i]][k]) << "point " << i;
        for (int k = 0; k < 3; ++k) EXPECT_EQ(tf->axes[i][k], open->axes[order[i]][k]) << "axis " << i;
    }
    auto closed = PLine({{0, 0, 0}, {2, 0, 0}, {2, 2, 0}, {0.005, 0.005, 0}}, false);
    std::unique_ptr<CPathPLine3D> rep(closed->ToAndFro(2));
    ASSERT_EQ(rep->count + 1, 8);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(rep->points[i][0], closed->points[i % 4][0]) << "closed repeats, point " << i;
    EXPECT_EQ(open->ToAndFro(0), nullptr);
    auto single = PLine({{1, 1, 1}}, false);
    EXPECT_EQ(single->ToAndFro(2), nullptr) << "no segment";

    const double s[3] = {0, 0, 0}, e[3] = {1, 0, 0};
    CPathLine3D line(s, e);
    std::unique_ptr<CPathPLine3D> lf(line.ToAndFro(2));
    ASSERT_EQ(lf->count, 4);
    EXPECT_EQ(lf->points[3][0], 1.0);
    EXPECT_EQ(lf->points[4][0], 0.0);
    auto arc = Arc(0, {0, 0, 0}, 1, 0, 1, 0);
    EXPECT_EQ(arc->ToAndFro(2), nullptr);
}

TEST(PathEntityTest, ArcTurnsOnlyInItsOwnPlane)
{
    auto yz = Arc(1, {1, 2, 3}, 2, 0.5, 1.5, 0);
    yz->RotateZ(std::cos(1.0), std::sin(1.0));
    yz->RotateX(std::cos(1.0), std::sin(1.0));
    EXPECT_EQ(yz->centre[1], 2.0);
    EXPECT_EQ(yz->startAngle, 0.5);
    auto xy = Arc(0, {1, 0, 0}, 1, 3.0, 3.5, 0);
    xy->RotateZ(std::cos(1.0), std::sin(1.0));
    EXPECT_GT(xy->startAngle, -kPi);
    EXPECT_LE(xy->startAngle, kPi) << "start angle in (-pi, pi]";
    EXPECT_NEAR(xy->endAngle - xy->startAngle, 0.5, 1e-12);
}

TEST(PathEntityTest, SettersAndCopiesOwnTheirArrays)
{
    CSmartArc sa;
    const double c[2] = {1, 2};
    InitSmartArcByAngles(std::array<double, 2>{0.5, 2.0}.data(), c, &sa, 3);
    auto arc = Arc(3, {0, 0, 0}, 1, 0, 1, 2);
    TiltedFrame(*arc);
    ASSERT_EQ(SetPathArcFromSmartArc(-4, &sa, arc.get()), 1);
    EXPECT_EQ(arc->plane, kArcPlaneXY);
    EXPECT_EQ(arc->frame, nullptr);
    EXPECT_EQ(arc->pitch, 0.0);
    EXPECT_EQ(arc->centre[2], -4.0);
    EXPECT_EQ(arc->radius, 3.0);

    auto pl = PLine({{0, 0, 0}, {1, 0, 0}}, true);
    const double pts[9] = {0, 0, 0, 1, 1, 1, 2, 2, 2};
    ASSERT_EQ(SetPathPLinePoints(pl.get(), 2, pts), 1);
    EXPECT_EQ(pl->count, 2);
    EXPECT_EQ(pl->points[2][2], 2.0);
    EXPECT_EQ(pl->axes, nullptr) << "axes of the old points go with them";
    EXPECT_EQ(SetPathPLinePoints(pl.get(), 2, nullptr), 0);
    EXPECT_EQ(pl->count, 0);

    auto general = Arc(3, {0, 0, 0}, 1, 0, 1, 0);
    TiltedFrame(*general);
    general->kind = 7;
    std::unique_ptr<CPathEntity> copy(general->Copy());
    general.reset();
    auto& ca = static_cast<CPathArc3D&>(*copy);
    ASSERT_TRUE(ca.frame);
    EXPECT_EQ(ca.kind, 7);
    EXPECT_EQ(ca.next, nullptr);
}

}  // namespace
