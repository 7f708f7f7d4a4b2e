// Biarc fitting of point sequences: the biarc record, the 2D fitter against
// dense-sampling oracles, the arc conversions that call it, and the 3D entries.
#include "geometry/algorithms/BiArc.h"
#include "geometry/algorithms/tests/ArcChainOracle.h"
#include "geometry/shapes2d/GeBezier.h"
#include "geometry/shapes2d/GeCombCurve.h"
#include "geometry/shapes2d/GeEllipse.h"
#include "geometry/shapes2d/GePolyline.h"
#include "geometry/shapes3d/GeCombCurve3d.h"
#include "geometry/shapes3d/GeCurve3d.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace arcoracle;

// Runs the fitter on the points and hands back the pieces of the result.
struct Fit {
    std::unique_ptr<CGeCombCurve> comb;
    std::vector<Piece> pieces;
};

Fit FitPoints(const std::vector<P2>& pts, double tol, const std::vector<P2>* tans = nullptr)
{
    Fit f;
    std::vector<double> buf, tbuf;
    for (P2 p : pts) buf.insert(buf.end(), {p.x, p.y});
    if (tans)
        for (P2 t : *tans) tbuf.insert(tbuf.end(), {t.x, t.y});
    f.comb.reset(geBiarcsFitCurve(reinterpret_cast<double(*)[2]>(buf.data()),
                                  tans ? reinterpret_cast<double(*)[2]>(tbuf.data()) : nullptr,
                                  static_cast<int>(pts.size()), tol));
    if (f.comb) {
        std::string why;
        EXPECT_TRUE(ToPieces(f.comb->GetCurveList(), f.pieces, &why)) << why;
    }
    return f;
}

double Dot(P2 a, P2 b) { return a.x * b.x + a.y * b.y; }

// ---------------------------------------------------------------------------
// The biarc record

TEST(BiarcRecord, QuarterPointCaseIsTwoHalfCirclesWithoutCusp)
{
    Biarc b{};
    const double p0[2] = {0, 0}, p1[2] = {4, 0}, t[2] = {0, 1};
    ASSERT_EQ(b.BiarcBuild(p0, p1, t, t), Biarc::kTwoArcs);
    EXPECT_NEAR(b.centre1[0], 1.0, 1e-12);
    EXPECT_NEAR(b.centre1[1], 0.0, 1e-12);
    EXPECT_NEAR(b.centre2[0], 3.0, 1e-12);
    EXPECT_NEAR(b.junction1[0], 2.0, 1e-12);
    EXPECT_NEAR(b.junction1[1], 0.0, 1e-12);
    EXPECT_NEAR(b.radius1, 1.0, 1e-12);
    EXPECT_NEAR(b.radius2, 1.0, 1e-12);

    CurveList list;
    b.BiarcEmit(list);
    OwnedList owner;
    owner.list.AddTail(&list);
    std::vector<Piece> pc;
    ASSERT_TRUE(ToPieces(owner.list, pc));
    ASSERT_EQ(pc.size(), 2u);
    ASSERT_TRUE(pc[0].isArc && pc[1].isArc);
    // Tangents at P0, at the junction (from both sides) and at P1.
    EXPECT_NEAR(Dot(pc[0].Tangent(0), {0, 1}), 1.0, 1e-9) << "P0";
    EXPECT_NEAR(Dot(pc[0].Tangent(1), pc[1].Tangent(0)), 1.0, 1e-9) << "J";
    EXPECT_NEAR(Dot(pc[1].Tangent(1), {0, 1}), 1.0, 1e-9) << "P1";
    EXPECT_NEAR(Dist(pc[0].End(), {2, 0}), 0.0, 1e-9);
    EXPECT_NEAR(Dist(pc[1].End(), {4, 0}), 0.0, 1e-9);
}

// For any end tangents the two arcs leave P0 along T0, meet at J with one
// tangent and arrive at P1 along T1, including arcs of more than half a turn.
TEST(BiarcRecord, ArcsFollowTheirTangentsEverywhere)
{
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> ang(-M_PI, M_PI);
    int built = 0, longArcs = 0;
    for (int i = 0; i < 2000; ++i) {
        const double a0 = ang(rng), a1 = ang(rng);
        const double p0[2] = {0, 0}, p1[2] = {3, 1};
        const double t0[2] = {std::cos(a0), std::sin(a0)}, t1[2] = {std::cos(a1), std::sin(a1)};
        Biarc b{};
        if (b.BiarcBuild(p0, p1, t0, t1) != Biarc::kTwoArcs) continue;
        OwnedList owner;
        b.BiarcEmit(owner.list);
        std::vector<Piece> pc;
        ASSERT_TRUE(ToPieces(owner.list, pc));
        if (pc.size() != 2) continue;  // an arc could not be made: the chord stands in
        ++built;
        if (std::fabs(pc[0].sweep) > M_PI || std::fabs(pc[1].sweep) > M_PI) ++longArcs;
        const std::string label = "angles " + std::to_string(a0) + ", " + std::to_string(a1);
        EXPECT_NEAR(Dist(pc[0].Start(), {0, 0}), 0.0, 1e-7) << label;
        EXPECT_NEAR(Dist(pc[1].End(), {3, 1}), 0.0, 1e-7) << label;
        EXPECT_NEAR(Dist(pc[0].End(), pc[1].Start()), 0.0, 1e-7) << label;
        EXPECT_GT(Dot(pc[0].Tangent(0), {t0[0], t0[1]}), 1.0 - 1e-6) << label;
        EXPECT_GT(Dot(pc[0].Tangent(1), pc[1].Tangent(0)), 1.0 - 1e-6) << label;
        EXPECT_GT(Dot(pc[1].Tangent(1), {t1[0], t1[1]}), 1.0 - 1e-6) << label;
    }
    EXPECT_GT(built, 1500);
    (void)longArcs;
}

// Equal tangents square to the chord give two half circles; tangents a hair
// off that give arcs of nearly half a turn. Either way the second arc must
// turn back the other way instead of forming a cusp at the junction.
TEST(BiarcRecord, NearHalfCirclesKeepTheirTurn)
{
    for (double eps : {0.0, 1e-12, -1e-12, 1e-9, -1e-9, 1e-7}) {
        for (double side : {1.0, -1.0}) {
            const double p0[2] = {0, 0}, p1[2] = {4, 0};
            const double t0[2] = {eps, side}, t1[2] = {-eps, side};
            Biarc b{};
            ASSERT_EQ(b.BiarcBuild(p0, p1, t0, t1), Biarc::kTwoArcs) << eps;
            OwnedList owner;
            b.BiarcEmit(owner.list);
            std::vector<Piece> pc;
            ASSERT_TRUE(ToPieces(owner.list, pc));
            ASSERT_EQ(pc.size(), 2u) << eps;
            const std::string label = "eps " + std::to_string(eps) + " side " + std::to_string(side);
            EXPECT_GT(Dot(pc[0].Tangent(0), {0, side}), 0.999) << label;
            EXPECT_GT(Dot(pc[0].Tangent(1), pc[1].Tangent(0)), 0.999) << label;
            EXPECT_GT(Dot(pc[1].Tangent(1), {0, side}), 0.999) << label;
            EXPECT_LT(std::fabs(pc[0].sweep + pc[1].sweep), 1e-5) << label;
        }
    }
}

TEST(BiarcRecord, DegenerateInputs)
{
    Biarc b{};
    const double o[2] = {0, 0}, p[2] = {5, 5}, zero[2] = {0, 0}, t[2] = {1, 0};
    EXPECT_EQ(b.BiarcBuild(o, o, t, t), Biarc::kInvalid) << "coincident ends";
    EXPECT_EQ(b.BiarcBuild(o, p, zero, t), Biarc::kLine) << "zero tangent";
    const double diag[2] = {1, 1}, back[2] = {-1, -1}, mirrored[2] = {1, -1};
    EXPECT_EQ(b.BiarcBuild(o, p, diag, back), Biarc::kLine) << "tangents along the chord";
    // Tangent mirrored about the x axis is not along the chord.
    EXPECT_EQ(b.BiarcBuild(o, p, diag, mirrored), Biarc::kTwoArcs) << "mirrored end tangent";
}

TEST(BiarcRecord, StraightWindowCoversOnlyItsChord)
{
    Biarc b{};
    const double o[2] = {0, 0}, p[2] = {5, 0}, t[2] = {1, 0};
    ASSERT_EQ(b.BiarcBuild(o, p, t, t), Biarc::kLine);
    b.tol = 0.01;
    const double beyond[2] = {10, 0}, inside[2] = {2.5, 0.005}, nearEnd[2] = {5.005, 0};
    EXPECT_FALSE(b.BiarcPointWithinTol(beyond));
    EXPECT_TRUE(b.BiarcPointWithinTol(inside));
    EXPECT_TRUE(b.BiarcPointWithinTol(nearEnd));
}

// ---------------------------------------------------------------------------
// geBiarcsFitCurve

TEST(BiarcFit, SmallInputs)
{
    double pts[3][2] = {{0, 0}, {1, 0}, {2, 0}};
    EXPECT_EQ(geBiarcsFitCurve(nullptr, nullptr, 3, 0.01), nullptr);
    EXPECT_EQ(geBiarcsFitCurve(pts, nullptr, 1, 0.01), nullptr);
    std::unique_ptr<CGeCombCurve> two(geBiarcsFitCurve(pts, nullptr, 2, 0.01));
    ASSERT_TRUE(two);
    EXPECT_EQ(two->GetSegmentCount(), 1);
    EXPECT_EQ(two->GetSubCurve(1)->GetType(), 0x2);

    const Fit line = FitPoints({{0, 0}, {1, 1}, {3, 3}}, 0.01);
    ASSERT_EQ(line.pieces.size(), 1u) << "three points on a line";
    EXPECT_FALSE(line.pieces[0].isArc);
    EXPECT_NEAR(Dist(line.pieces[0].End(), {3, 3}), 0.0, 1e-12);
}

TEST(BiarcFit, BackTrackingRunIsFollowed)
{
    struct Case {
        const char* label;
        std::vector<P2> pts;
    };
    const Case cases[] = {
        {"out and half back", {{0, 0}, {10, 0}, {5, 0}}},
        {"out, back, further out", {{0, 0}, {10, 0}, {5, 0}, {12, 0}}},
        {"slightly off the line", {{0, 0}, {10, 0.001}, {5, 0}}},
    };
    for (const Case& c : cases) {
        const Fit f = FitPoints(c.pts, 0.01);
        ASSERT_TRUE(f.comb) << c.label;
        EXPECT_LT(ReferenceToChain(c.pts, f.pieces), 0.01) << c.label;
        EXPECT_LT(ChainToReference(f.pieces, c.pts), 0.01) << c.label;
        EXPECT_NEAR(Dist(f.pieces.back().End(), c.pts.back()), 0.0, 1e-9) << c.label;
        EXPECT_LT(LargestGap(f.pieces), 1e-9) << c.label;
    }
}

TEST(BiarcFit, PointsOfOneArcGiveOneBiarc)
{
    // 60 points on 120 degrees of a circle of radius 50.
    const auto arc = [](double t) { return P2{50 * std::cos(2.0 * t), 50 * std::sin(2.0 * t)}; };
    const std::vector<P2> pts = Sample(arc, 59);
    const Fit f = FitPoints(pts, 0.01);
    ASSERT_TRUE(f.comb);
    EXPECT_LE(f.pieces.size(), 2u);
    EXPECT_EQ(CountArcs(f.pieces), static_cast<int>(f.pieces.size()));
    const std::vector<P2> dense = Sample(arc, 4000);
    EXPECT_LT(ChainToReference(f.pieces, dense), 0.01);
    EXPECT_LT(ReferenceToChain(dense, f.pieces), 0.01);
}

TEST(BiarcFit, ShortChordsAreDropped)
{
    const Fit f = FitPoints({{0, 0}, {1, 0}, {1 + 1e-8, 0}, {1 + 2e-8, 0}, {2, 1}, {2, 3}}, 0.001);
    ASSERT_TRUE(f.comb);
    for (const Piece& p : f.pieces) EXPECT_GT(Dist(p.Start(), p.End()), 1e-7);
    EXPECT_LT(LargestGap(f.pieces), 1e-6);
    EXPECT_NEAR(Dist(f.pieces.back().End(), {2, 3}), 0.0, 1e-12);
}

// Dense point runs from smooth and from cornered shapes: the chain stays
// within tol of the run and the run within tol of the chain.
TEST(BiarcFit, WithinToleranceBothWays)
{
    struct Case {
        const char* label;
        std::function<P2(double)> f;
        int n;
    };
    const Case cases[] = {
        {"sine", [](double t) { return P2{100 * t, 10 * std::sin(6 * M_PI * t)}; }, 800},
        {"spiral", [](double t) { return P2{(5 + 20 * t) * std::cos(8 * t), (5 + 20 * t) * std::sin(8 * t)}; }, 1500},
        {"closed ellipse", [](double t) { return P2{30 * std::cos(2 * M_PI * t), 12 * std::sin(2 * M_PI * t)}; }, 700},
        {"square wave", [](double t) { return P2{40 * t, std::fmod(std::floor(8 * t), 2.0) * 5}; }, 400},
        {"coarse polygon", [](double t) { return P2{20 * std::cos(2 * M_PI * t), 20 * std::sin(2 * M_PI * t)}; }, 7},
    };
    for (double tol : {0.001, 0.01, 0.1}) {
        for (const Case& c : cases) {
            const std::string label = std::string(c.label) + " tol " + std::to_string(tol);
            const std::vector<P2> pts = Sample(c.f, c.n);
            const Fit f = FitPoints(pts, tol);
            ASSERT_TRUE(f.comb) << label;
            ASSERT_FALSE(f.pieces.empty()) << label;
            EXPECT_LT(Dist(f.pieces.front().Start(), pts.front()), 1e-9) << label;
            EXPECT_LT(Dist(f.pieces.back().End(), pts.back()), 1e-9) << label;
            EXPECT_LT(LargestGap(f.pieces), 1e-7) << label;
            EXPECT_LE(PolylineToChain(pts, f.pieces), tol) << label;
            EXPECT_LE(ChainToReference(f.pieces, pts), tol) << label;
        }
    }
}

TEST(BiarcFit, MirroredPointsGiveMirroredChain)
{
    const std::vector<P2> pts =
        Sample([](double t) { return P2{60 * t, 8 * std::sin(5 * t) + 3 * std::cos(11 * t)}; }, 300);
    std::vector<P2> mirrored;
    for (P2 p : pts) mirrored.push_back({p.x, -p.y});
    const Fit a = FitPoints(pts, 0.005), b = FitPoints(mirrored, 0.005);
    ASSERT_EQ(a.pieces.size(), b.pieces.size());
    EXPECT_EQ(CountArcs(a.pieces), CountArcs(b.pieces));
    for (size_t i = 0; i < a.pieces.size(); ++i) {
        const P2 pa = a.pieces[i].At(0.5), pb = b.pieces[i].At(0.5);
        EXPECT_NEAR(pa.x, pb.x, 1e-7) << "piece " << i;
        EXPECT_NEAR(pa.y, -pb.y, 1e-7) << "piece " << i;
    }
}

TEST(BiarcFit, GivenTangentsAreUsed)
{
    // Points of a half circle with their true tangents: one biarc of two
    // quarter circles reproduces it (chord midpoints lie 0.031 inside).
    std::vector<P2> pts, tans;
    for (int i = 0; i <= 20; ++i) {
        const double a = M_PI - M_PI * i / 20;
        pts.push_back({10 * std::cos(a), 10 * std::sin(a)});
        tans.push_back({std::sin(a), -std::cos(a)});
    }
    const Fit f = FitPoints(pts, 0.05, &tans);
    ASSERT_EQ(f.pieces.size(), 2u);
    for (const Piece& p : f.pieces) {
        ASSERT_TRUE(p.isArc);
        EXPECT_NEAR(p.r, 10.0, 1e-9);
        EXPECT_NEAR(Dist(p.c, {0, 0}), 0.0, 1e-9);
    }
}

// ---------------------------------------------------------------------------
// Arc conversions of the curve classes

double MaxDeviation(CGeCurve& curve, double tol, const std::function<P2(double)>& exact, int* count)
{
    OwnedList out;
    curve.BiArcAppx(tol, &out.list);
    std::vector<Piece> pc;
    EXPECT_TRUE(ToPieces(out.list, pc));
    *count = static_cast<int>(pc.size());
    if (pc.empty()) return 1e9;
    EXPECT_LT(LargestGap(pc), 1e-7);
    const std::vector<P2> dense = Sample(exact, 5000);
    return std::max(ChainToReference(pc, dense), ReferenceToChain(dense, pc));
}

TEST(BiArcAppx, EllipseWithinTolerance)
{
    for (double tol : {0.01, 0.05}) {
        const double c[2] = {5, -3};
        CGeEllipse e(c, 40, 15, 0.3, 1);
        const auto exact = [&](double t) {
            const double u = 2 * M_PI * t, cr = std::cos(0.3), sr = std::sin(0.3);
            const double x = 40 * std::cos(u), y = 15 * std::sin(u);
            return P2{5 + cr * x - sr * y, -3 + sr * x + cr * y};
        };
        int count = 0;
        const double dev = MaxDeviation(e, tol, exact, &count);
        EXPECT_GT(count, 4) << tol;
        // Points from a discretisation within tol, fitted within tol: at most
        // twice tol in principle (about 0.8 tol measured).
        EXPECT_LE(dev, 2 * tol) << "tol " << tol;
    }
}

TEST(BiArcAppx, BezierWithinTolerance)
{
    double nodes[7][2] = {{0, 0}, {10, 30}, {40, 30}, {50, 0}, {60, -30}, {90, -20}, {100, 10}};
    CGeBezier bez;
    ASSERT_EQ(bez.CreateEx(7, nodes), 1);
    const auto exact = [&](double t) {
        const int k = t < 0.5 ? 0 : 3;
        const double u = t < 0.5 ? 2 * t : 2 * t - 1, v = 1 - u;
        const double b0 = v * v * v, b1 = 3 * u * v * v, b2 = 3 * u * u * v, b3 = u * u * u;
        return P2{b0 * nodes[k][0] + b1 * nodes[k + 1][0] + b2 * nodes[k + 2][0] + b3 * nodes[k + 3][0],
                  b0 * nodes[k][1] + b1 * nodes[k + 1][1] + b2 * nodes[k + 2][1] + b3 * nodes[k + 3][1]};
    };
    for (double tol : {0.004, 0.02, 0.1}) {
        int count = 0;
        const double dev = MaxDeviation(bez, tol, exact, &count);
        // Fitted at twice a tolerance below 0.01; discretised and fitted at
        // that, so at most twice it in principle (about 0.75 of it measured).
        const double fitTol = tol < 0.01 ? 2 * tol : tol;
        EXPECT_GT(count, 2) << tol;
        EXPECT_LE(dev, 2 * fitTol) << "tol " << tol;
    }
}

TEST(BiArcAppx, PolylineVerticesAreFitted)
{
    double v[5][2] = {{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}};
    CGePolyline poly;
    ASSERT_EQ(poly.Create(5, v), 1);
    OwnedList out;
    poly.BiArcAppx(0.01, &out.list);
    std::vector<Piece> pc;
    ASSERT_TRUE(ToPieces(out.list, pc));
    ASSERT_EQ(pc.size(), 4u) << "a square stays four lines";
    for (const Piece& p : pc) EXPECT_FALSE(p.isArc);
}

// ---------------------------------------------------------------------------
// 3D entries

std::vector<double> Flatten3(const std::vector<std::array<double, 3>>& pts)
{
    std::vector<double> out;
    for (const auto& p : pts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

double DistToPolyline3(const double* p, const std::vector<std::array<double, 3>>& poly)
{
    double best = 1e300;
    for (size_t i = 0; i + 1 < poly.size(); ++i) {
        const double* a = poly[i].data();
        const double* b = poly[i + 1].data();
        double d[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
        const double L2 = d[0] * d[0] + d[1] * d[1] + d[2] * d[2];
        double t = L2 > 0 ? ((p[0] - a[0]) * d[0] + (p[1] - a[1]) * d[1] + (p[2] - a[2]) * d[2]) / L2 : 0;
        t = std::clamp(t, 0.0, 1.0);
        best = std::min(best, std::hypot(p[0] - a[0] - t * d[0], p[1] - a[1] - t * d[1], p[2] - a[2] - t * d[2]));
    }
    return best;
}

// Every member sampled through its own evaluation lies within tol of the input run.
double Worst3d(CGeCombCurve3d& comb, const std::vector<std::array<double, 3>>& pts)
{
    double worst = 0;
    for (CGeCurve3d* c : comb.m_listCurve) {
        const int segs = std::max(1, c->GetSegmentCount());
        for (int s = 1; s <= segs; ++s)
            for (int k = 0; k <= 16; ++k) {
                double p[3];
                c->GetPointAt(k / 16.0, p, s);
                worst = std::max(worst, DistToPolyline3(p, pts));
            }
    }
    return worst;
}

TEST(BiarcFit3d, PlanarRunsLandInTheirPlanes)
{
    struct Case {
        const char* label;
        int plane;
        std::function<std::array<double, 3>(double)> f;
    };
    const Case cases[] = {
        {"XY at z 5", 0, [](double t) { return std::array<double, 3>{10 * std::cos(t), 10 * std::sin(t), 5}; }},
        {"YZ at x 3", 1, [](double t) { return std::array<double, 3>{3, 10 * std::sin(t), 10 * std::cos(t)}; }},
        {"XZ at y -2", 2, [](double t) { return std::array<double, 3>{10 * std::cos(t), -2, 10 * std::sin(t)}; }},
    };
    for (const Case& c : cases) {
        std::vector<std::array<double, 3>> pts;
        for (int i = 0; i <= 40; ++i) pts.push_back(c.f(1.5 * i / 40));
        std::vector<double> flat = Flatten3(pts);
        std::unique_ptr<CGeCombCurve3d> r(
            geBiarcsFitCurve3dOnXYZ(reinterpret_cast<double(*)[3]>(flat.data()), 41, 0.01, c.plane));
        ASSERT_TRUE(r) << c.label;
        ASSERT_FALSE(r->IsEmpty()) << c.label;
        EXPECT_LT(Worst3d(*r, pts), 0.0101) << c.label;
        EXPECT_EQ(r->IsLinked(1e-6), 1) << c.label;
        double s[3], e[3];
        r->GetStartPoint(s);
        r->GetEndPoint(e);
        EXPECT_LT(std::hypot(s[0] - pts[0][0], s[1] - pts[0][1], s[2] - pts[0][2]), 1e-9) << c.label;
        EXPECT_LT(std::hypot(e[0] - pts[40][0], e[1] - pts[40][1], e[2] - pts[40][2]), 1e-9) << c.label;
    }
}

TEST(BiarcFit3d, RunsAreCutAtPlaneChangesAndJoined)
{
    std::vector<std::array<double, 3>> pts;
    // An arc in the plane z = 0, then one in the plane x = 10 beginning at its end,
    // then points in no coordinate plane.
    for (int i = 0; i <= 20; ++i) pts.push_back({10 * std::cos(M_PI / 2 * i / 20), 10 * std::sin(M_PI / 2 * i / 20), 0});
    pts.back() = {0, 10, 0};
    for (int i = 1; i <= 20; ++i) pts.push_back({0, 10 * std::cos(M_PI / 2 * i / 20), 10 * std::sin(M_PI / 2 * i / 20)});
    pts.push_back({1, 1, 11});
    pts.push_back({2, 3, 13});
    std::vector<double> flat = Flatten3(pts);
    std::unique_ptr<CGeCombCurve3d> r(
        geBiarcsFitCurve3d(reinterpret_cast<double(*)[3]>(flat.data()), static_cast<int>(pts.size()), 0.01));
    ASSERT_TRUE(r);
    EXPECT_EQ(r->IsLinked(1e-6), 1) << "runs share their joining points";
    EXPECT_LT(Worst3d(*r, pts), 0.0101);
    double e[3];
    r->GetEndPoint(e);
    EXPECT_LT(std::hypot(e[0] - 2, e[1] - 3, e[2] - 13), 1e-9);
}

TEST(BiarcFit3d, SecondPointOffThePlane)
{
    // The second point shares no coordinate plane with the first; the third
    // shares z with the first but not with the second, and must not be fitted
    // in a plane that leaves the second point out.
    std::vector<std::array<double, 3>> pts = {{0, 0, 0}, {1, 1, 1}, {2, 0, 0}, {3, 1, 0}, {4, 0, 0}};
    std::vector<double> flat = Flatten3(pts);
    std::unique_ptr<CGeCombCurve3d> r(geBiarcsFitCurve3d(reinterpret_cast<double(*)[3]>(flat.data()), 5, 0.01));
    ASSERT_TRUE(r);
    EXPECT_EQ(r->IsLinked(1e-6), 1);
    EXPECT_LT(Worst3d(*r, pts), 0.0101);
    // Every input point is met by the chain.
    for (const auto& p : pts) {
        double best = 1e300;
        for (CGeCurve3d* c : r->m_listCurve) {
            const int segs = std::max(1, c->GetSegmentCount());
            for (int s = 1; s <= segs; ++s)
                for (int k = 0; k <= 64; ++k) {
                    double q[3];
                    c->GetPointAt(k / 64.0, q, s);
                    best = std::min(best, std::hypot(q[0] - p[0], q[1] - p[1], q[2] - p[2]));
                }
        }
        EXPECT_LT(best, 1e-6) << p[0] << "," << p[1] << "," << p[2];
    }
}

TEST(BiarcFit3d, SmallInputs)
{
    double two[2][3] = {{0, 0, 0}, {1, 2, 3}};
    EXPECT_EQ(geBiarcsFitCurve3d(nullptr, 3, 0.01), nullptr);
    EXPECT_EQ(geBiarcsFitCurve3d(two, 1, 0.01), nullptr);
    std::unique_ptr<CGeCombCurve3d> r(geBiarcsFitCurve3d(two, 2, 0.01));
    ASSERT_TRUE(r);
    ASSERT_EQ(r->GetSegmentCount() >= 1, true);
    EXPECT_EQ(r->GetSubCurve(1)->GetType(), 0x2000) << "one 3D polyline";
}

}  // namespace
