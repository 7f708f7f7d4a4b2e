// Tangent circles and common tangents against Open CASCADE's constructions on
// random lines and circles: every solution of ours is one of the peer's
// within 1e-6 (Geom2dGcc_Circ2d2TanRad, GccAna_Circ2d3Tan for the iterated
// constructions, GccAna_Lin2d2Tan).
#include "geometry/algorithms/GeTool2D.h"
#include "geometry/shapes2d/GeArc.h"
#include "geometry/shapes2d/GeCircle.h"
#include "geometry/shapes2d/GeLine.h"

#include <GccAna_Circ2d3Tan.hxx>
#include <GccAna_Lin2d2Tan.hxx>
#include <GccEnt.hxx>
#include <GccEnt_QualifiedCirc.hxx>
#include <GccEnt_QualifiedLin.hxx>
#include <Geom2dAdaptor_Curve.hxx>
#include <Geom2dGcc.hxx>
#include <Geom2dGcc_Circ2d2TanRad.hxx>
#include <Geom2dGcc_QualifiedCurve.hxx>
#include <Geom2d_Circle.hxx>
#include <Geom2d_Line.hxx>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numbers>
#include <random>
#include <string>
#include <vector>

namespace {

struct Circ {
    double x, y, r;
};

// A random line segment (long, through the box) or circle of the scene.
struct Item {
    bool line = true;
    double a[2] = {0, 0}, b[2] = {0, 0};
    Circ c{0, 0, 1};
};

std::unique_ptr<CGeCurve> Ours(const Item& it)
{
    if (it.line) return std::make_unique<CGeLine>(it.a, it.b);
    const double c[2] = {it.c.x, it.c.y};
    return std::make_unique<CGeCircle>(c, it.c.r, 1);
}

Handle(Geom2d_Curve) Peer(const Item& it)
{
    if (it.line) {
        const gp_Pnt2d p(it.a[0], it.a[1]);
        return new Geom2d_Line(p, gp_Dir2d(it.b[0] - it.a[0], it.b[1] - it.a[1]));
    }
    return new Geom2d_Circle(gp_Circ2d(gp_Ax2d(gp_Pnt2d(it.c.x, it.c.y), gp_Dir2d(1, 0)), it.c.r));
}

gp_Circ2d PeerCirc(const Circ& c) { return gp_Circ2d(gp_Ax2d(gp_Pnt2d(c.x, c.y), gp_Dir2d(1, 0)), c.r); }

// Distance of our circle from the nearest peer solution (centre and radius).
template <class Solver>
double NearestSolution(const Solver& s, CGeCircle* ours)
{
    double c[2];
    ours->GetCenter(c);
    double best = INFINITY;
    for (int i = 1; i <= s.NbSolutions(); ++i) {
        const gp_Circ2d p = s.ThisSolution(i);
        best = std::min(best, std::hypot(p.Location().X() - c[0], p.Location().Y() - c[1]) +
                                  std::fabs(p.Radius() - ours->GetRadius()));
    }
    return best;
}

Item RandomItem(std::mt19937& rng, bool line)
{
    std::uniform_real_distribution<double> u(0.0, 10.0), ang(0.0, std::numbers::pi);
    Item it;
    it.line = line;
    if (line) {
        const double a = ang(rng), mx = u(rng), my = u(rng);
        it.a[0] = mx - 40 * std::cos(a);
        it.a[1] = my - 40 * std::sin(a);
        it.b[0] = mx + 40 * std::cos(a);
        it.b[1] = my + 40 * std::sin(a);
    } else {
        it.c = {u(rng), u(rng), 0.5 + 0.3 * u(rng)};
    }
    return it;
}

TEST(TangentCirclesOcct, RadiusGivenCircleIsOneOfThePeers)
{
    std::mt19937 rng(77);
    std::uniform_real_distribution<double> t(0.05, 0.95), rad(0.3, 3.0);
    int found = 0, tried = 0;
    const char* kinds[3] = {"line/line", "line/circle", "circle/circle"};
    for (int kind = 0; kind < 3; ++kind)
        for (int trial = 0; trial < 60; ++trial) {
            const Item i1 = RandomItem(rng, kind < 2), i2 = RandomItem(rng, kind < 1);
            const double r = rad(rng);
            const auto c1 = Ours(i1), c2 = Ours(i2);
            double t1 = t(rng), t2 = t(rng);
            int s1 = 1, s2 = 1;
            CGeTool2D tool;
            std::unique_ptr<CGeCircle> ours(tool.GetTanCircleAt2Curve(c1.get(), c2.get(), r, t1, s1, t2, s2));
            ++tried;
            if (!ours) continue;
            ++found;
            const Geom2dGcc_Circ2d2TanRad peer(Geom2dGcc::Unqualified(Geom2dAdaptor_Curve(Peer(i1))),
                                               Geom2dGcc::Unqualified(Geom2dAdaptor_Curve(Peer(i2))), r, 1e-9);
            ASSERT_TRUE(peer.IsDone()) << kinds[kind] << " #" << trial;
            EXPECT_LT(NearestSolution(peer, ours.get()), 1e-6) << kinds[kind] << " #" << trial;
        }
    EXPECT_GT(found, tried / 3) << "too few solutions to say anything";
}

TEST(TangentCirclesOcct, IteratedCirclesAreAmongThePeers)
{
    std::mt19937 rng(2024);
    std::uniform_real_distribution<double> u(0.0, 10.0), t(0.0, 1.0);
    int found = 0, tried = 0;
    CGeTool2D tool;
    for (int trial = 0; trial < 60; ++trial) {
        // Three circles apart from one another.
        Circ cs[3];
        for (int k = 0; k < 3; ++k) cs[k] = {4.0 * k + u(rng) * 0.3, u(rng), 0.5 + 0.1 * u(rng)};
        Item items[3];
        for (int k = 0; k < 3; ++k) {
            items[k].line = false;
            items[k].c = cs[k];
        }
        const auto a = Ours(items[0]), b = Ours(items[1]), c = Ours(items[2]);
        double t1 = t(rng), t2 = t(rng), t3 = t(rng);
        unsigned s1 = 1, s2 = 1, s3 = 1;
        ++tried;
        std::unique_ptr<CGeCircle> ours(tool.GetTanCircleAt3Curve(a.get(), b.get(), c.get(), t1, s1, t2, s2, t3, s3));
        if (!ours) continue;
        ++found;
        const GccAna_Circ2d3Tan peer(GccEnt::Unqualified(PeerCirc(cs[0])), GccEnt::Unqualified(PeerCirc(cs[1])),
                                     GccEnt::Unqualified(PeerCirc(cs[2])), 1e-9);
        ASSERT_TRUE(peer.IsDone()) << "three circles #" << trial;
        // Large circles (radius up to 200 here) are ill-conditioned: radii
        // that agree within the iteration's 3 x 0.0001 leave the centre up to a
        // tenth off, which the final Newton steps take back.
        EXPECT_LT(NearestSolution(peer, ours.get()), 1e-6) << "three circles #" << trial;
    }
    for (int trial = 0; trial < 40; ++trial) {
        // Through a point, tangent to two circles.
        const Circ c1{u(rng) * 0.3, u(rng), 0.5 + 0.1 * u(rng)}, c2{8 + u(rng) * 0.3, u(rng), 0.5 + 0.1 * u(rng)};
        double p[2] = {4 + u(rng) * 0.3, u(rng)};
        Item i1, i2;
        i1.line = i2.line = false;
        i1.c = c1;
        i2.c = c2;
        const auto a = Ours(i1), b = Ours(i2);
        double t1 = t(rng), t2 = t(rng);
        unsigned s1 = 1, s2 = 1;
        ++tried;
        std::unique_ptr<CGeCircle> ours(tool.GetTanCircleAt2Curve(a.get(), b.get(), p, t1, s1, t2, s2));
        if (!ours) continue;
        ++found;
        const GccAna_Circ2d3Tan peer(GccEnt::Unqualified(PeerCirc(c1)), GccEnt::Unqualified(PeerCirc(c2)),
                                     gp_Pnt2d(p[0], p[1]), 1e-9);
        ASSERT_TRUE(peer.IsDone()) << "two circles and a point #" << trial;
        EXPECT_LT(NearestSolution(peer, ours.get()), 1e-6) << "two circles and a point #" << trial;
    }
    for (int trial = 0; trial < 40; ++trial) {
        // Two points above a line: circle through both, tangent to the line.
        const Item line = RandomItem(rng, true);
        const double dx = line.b[0] - line.a[0], dy = line.b[1] - line.a[1], len = std::hypot(dx, dy);
        const double nx = -dy / len, ny = dx / len;
        double p[2] = {line.a[0] + 0.45 * dx + nx * (1 + u(rng) * 0.3), line.a[1] + 0.45 * dy + ny * (1 + u(rng) * 0.3)};
        double q[2] = {line.a[0] + 0.55 * dx + nx * (1 + u(rng) * 0.3), line.a[1] + 0.55 * dy + ny * (1 + u(rng) * 0.3)};
        const auto l = Ours(line);
        double tt = 0.5;
        unsigned seg = 1;
        ++tried;
        std::unique_ptr<CGeCircle> ours(tool.GetTanCircleAt1Curve(l.get(), p, q, tt, seg));
        if (!ours) continue;
        ++found;
        const gp_Lin2d pl(gp_Pnt2d(line.a[0], line.a[1]), gp_Dir2d(dx, dy));
        const GccAna_Circ2d3Tan peer(GccEnt::Unqualified(pl), gp_Pnt2d(p[0], p[1]), gp_Pnt2d(q[0], q[1]), 1e-9);
        ASSERT_TRUE(peer.IsDone()) << "two points and a line #" << trial;
        EXPECT_LT(NearestSolution(peer, ours.get()), 1e-6) << "two points and a line #" << trial;
    }
    EXPECT_GT(found, tried / 2) << "too few solutions to say anything";
}

TEST(TangentCirclesOcct, CommonTangentIsOneOfThePeers)
{
    std::mt19937 rng(99);
    std::uniform_real_distribution<double> u(0.0, 10.0);
    const double picks[4] = {0.1, 0.4, 0.6, 0.9};
    int found = 0;
    CGeTool2D tool;
    for (int trial = 0; trial < 60; ++trial) {
        const Circ c1{u(rng), u(rng), 0.5 + 0.3 * u(rng)}, c2{u(rng), u(rng), 0.5 + 0.3 * u(rng)};
        CGeArc a1, a2;
        const double p1[2] = {c1.x, c1.y}, p2[2] = {c2.x, c2.y};
        a1.CreateCSEAngle(p1, c1.r, 0.0, 2 * std::numbers::pi * 0.999);
        a2.CreateCSEAngle(p2, c2.r, 0.0, 2 * std::numbers::pi * 0.999);
        double t1 = picks[rng() % 4], t2 = picks[rng() % 4], o1[2], o2[2];
        if (!tool.GetTanPtAt2Arc(&a1, &a2, &t1, &t2, o1, o2)) continue;
        ++found;
        const GccAna_Lin2d2Tan peer(GccEnt::Unqualified(PeerCirc(c1)), GccEnt::Unqualified(PeerCirc(c2)), 1e-9);
        ASSERT_TRUE(peer.IsDone());
        double best = INFINITY;
        for (int i = 1; i <= peer.NbSolutions(); ++i) {
            double ps, pa;
            gp_Pnt2d q1, q2;
            peer.Tangency1(i, ps, pa, q1);
            peer.Tangency2(i, ps, pa, q2);
            // Our first point lies on the smaller circle.
            if (c2.r < c1.r) std::swap(q1, q2);
            best = std::min(best, std::hypot(q1.X() - o1[0], q1.Y() - o1[1]) + std::hypot(q2.X() - o2[0], q2.Y() - o2[1]));
        }
        EXPECT_LT(best, 1e-6) << "trial " << trial;
    }
    EXPECT_GT(found, 30) << "too few tangents to say anything";
}

}  // namespace
