// Connecting moves between path entities: the shapes, the choice of shape, the linking of
// a combine and the checks against the tool-centre model, with the model's brute-force
// envelope as the oracle of cutting.
#include "toolpath/milling/Connector.h"

#include "framework/looker/Tool.h"
#include "framework/numerak/QvMem.h"
#include "framework/widgra/Progress.h"
#include "toolpath/contours/NcPline.h"
#include "toolpath/contours/PathEntity.h"
#include "toolpath/contours/PathGroup.h"
#include "toolpath/milling/tests/CentreFixtures.h"
#include "toolpath/milling/tests/MillFixtures.h"
#include "toolpath/surfkernel/KernelArc.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

using milltest::Build;
using milltest::Built;

std::vector<Pnt3> Points(const CNcPline* s)
{
    std::vector<Pnt3> out;
    if (!s)
        return out;
    for (POSITION pos = s->GetHeadPosition(); pos;) {
        const CNcPoint* p = s->GetNext(pos);
        out.push_back({p->x, p->y, p->z});
    }
    return out;
}

std::vector<Pnt3> Points(const CPathPLine3D& pl)
{
    std::vector<Pnt3> out;
    for (int i = 0; i < pl.PointCount(); ++i)
        out.push_back({pl.points[i][0], pl.points[i][1], pl.points[i][2]});
    return out;
}

std::vector<Pnt3> Take(CNcPline* s)
{
    const std::unique_ptr<CNcPline> owned(s);
    return Points(s);
}

double Dist(const Pnt3& a, const Pnt3& b)
{
    return std::sqrt((a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) + (a[2] - b[2]) * (a[2] - b[2]));
}

// Lowest margin of the polyline over the model's envelope, sampled every 0.02 in XY
// (negative: the move runs under the model by that much).
double WorstMargin(const CMillCenter& m, const std::vector<Pnt3>& pts)
{
    double worst = 1e300;
    for (size_t i = 0; i + 1 < pts.size(); ++i) {
        const Pnt3& p = pts[i];
        const Pnt3& q = pts[i + 1];
        const int k = std::max(1, int(std::ceil(std::hypot(q[0] - p[0], q[1] - p[1]) / 0.02)));
        for (int j = 0; j <= k; ++j) {
            const double t = double(j) / k;
            const double x = p[0] + t * (q[0] - p[0]), y = p[1] + t * (q[1] - p[1]), z = p[2] + t * (q[2] - p[2]);
            worst = std::min(worst, z - milltest::ModelTop(m, x, y));
        }
    }
    return worst;
}

TEST(Connector, ShapesOfTheFourModes)
{
    // Stepped: rise first when the next start is higher, else level first; equal heights
    // give a level move whose middle point is the next start.
    struct Step {
        std::string name;
        Pnt3 a, b, m;
    };
    for (const Step& s : std::vector<Step>{{"rising", {0, 0, 0}, {3, 4, 2}, {0, 0, 2}},
                                           {"descending", {0, 0, 2}, {3, 4, 0}, {3, 4, 2}},
                                           {"equal heights", {0, 0, 1}, {3, 4, 1}, {3, 4, 1}}}) {
        const auto pts = Take(ConnectorStepped(s.a.data(), s.b.data()));
        EXPECT_EQ(pts, (std::vector<Pnt3>{s.a, s.m, s.b})) << s.name;
    }
    const Pnt3 a = {0, 0, 1}, b = {10, 0, 1};
    EXPECT_EQ(Take(ConnectorLine(a.data(), b.data())), (std::vector<Pnt3>{a, b}));

    // Smooth, leaving along +y and coming back along -y: an arch symmetric about x = 5,
    // inside the control polygon, twenty points.
    const double up[3] = {0, 1, 0}, down[3] = {0, -1, 0};
    const auto arch = Take(ConnectorSmooth(up, down, a.data(), b.data(), 4));
    ASSERT_EQ(arch.size(), 20u);
    EXPECT_EQ(arch.front(), a);
    EXPECT_EQ(arch.back(), b);
    for (size_t i = 0; i < arch.size(); ++i) {
        EXPECT_NEAR(arch[i][0], 10 - arch[19 - i][0], 1e-12) << i;
        EXPECT_NEAR(arch[i][1], arch[19 - i][1], 1e-12) << i;
        EXPECT_NEAR(arch[i][2], 1, 1e-12) << i;
        if (i > 0) {
            EXPECT_GT(arch[i][0], arch[i - 1][0]) << i;
        }
        if (i > 0 && i < 19) {
            EXPECT_TRUE(arch[i][1] > 0 && arch[i][1] < 4) << i;
        }
    }
    // Leaving a upwards: the first step is mostly along d1.
    EXPECT_GT(arch[1][1], 10 * arch[1][0]);

    // Loop: leaving a along +x, a left half turn of radius max(s, |ab|) about a + r (0, 1)
    // to P1 = a + 2r (0, 1), then smooth into b.
    const Pnt3 lb = {3, 0, 2};
    const double east[3] = {1, 0, 0};
    for (double s : {1.0, 5.0}) {
        const double r = std::max(s, 3.0);
        const auto loop = Take(ConnectorLoop(east, a.data(), lb.data(), east, s));
        ASSERT_GT(loop.size(), 20u) << s;
        EXPECT_EQ(loop.front(), a) << s;
        EXPECT_EQ(loop.back(), lb) << s;
        const size_t arcCount = loop.size() - 19;
        for (size_t i = 0; i < arcCount; ++i) {
            EXPECT_NEAR(std::hypot(loop[i][0], loop[i][1] - r), r, 1e-9) << s << " " << i;
            EXPECT_NEAR(loop[i][2], 1, 1e-12) << s << " " << i;
        }
        EXPECT_GT(loop[1][0], 0) << s;  // leaves along d1
        EXPECT_NEAR(loop[arcCount - 1][0], 0, 1e-9) << s;
        EXPECT_NEAR(loop[arcCount - 1][1], 2 * r, 1e-9) << s;
        EXPECT_LT(loop[arcCount][0], 0) << s;  // leaves P1 along -d1
    }
    const double none[3] = {0, 0, 1};
    EXPECT_EQ(ConnectorLoop(east, a.data(), lb.data(), none, 1), nullptr);

    // Arc samples: equal steps of at most pi/18 from the start, ending at the sweep.
    const double s0[3] = {1, 0, 0}, s1[3] = {0, 1, 0}, s2[3] = {-1, 0, 0};
    _arc* half = nullptr;
    ASSERT_EQ(ARC_ThroughThreePoints(&half, s0, s1, s2), 1);
    const auto arc = Take(ArcPoints(half));
    QV_MemFree(half);
    ASSERT_GE(arc.size(), 19u);
    for (size_t i = 0; i < arc.size(); ++i) {
        const double t = M_PI * double(i) / double(arc.size() - 1);
        EXPECT_NEAR(arc[i][0], std::cos(t), 1e-9) << i;
        EXPECT_NEAR(arc[i][1], std::sin(t), 1e-9) << i;
    }
    EXPECT_LE(M_PI / double(arc.size() - 1), M_PI / 18 + 1e-12);
    EXPECT_EQ(ArcPoints(nullptr), nullptr);
}

TEST(Connector, ChoiceOfShapeAndTheEndPoints)
{
    const Pnt3 a = {0, 0, 1}, b = {4, -2, 1};
    const double east[3] = {1, 0, 0}, south[3] = {0, -1, 0}, north[3] = {0, 1, 0};
    const auto with = [&](std::vector<Pnt3> shape) {
        shape.insert(shape.begin(), a);
        shape.push_back(b);
        return shape;
    };
    // Mode 2 turning clockwise builds the smooth shape; counter-clockwise the loop.
    EXPECT_EQ(Take(ConnectorPoints(nullptr, b.data(), east, south, 2, connector::kLoop, a.data())),
              with(Take(ConnectorSmooth(east, south, a.data(), b.data(), 2))));
    EXPECT_EQ(Take(ConnectorPoints(nullptr, b.data(), east, north, 2, connector::kLoop, a.data())),
              with(Take(ConnectorLoop(north, a.data(), b.data(), east, 2))));
    EXPECT_EQ(Take(ConnectorPoints(nullptr, b.data(), east, south, 2, connector::kStepped, a.data())),
              with(Take(ConnectorStepped(a.data(), b.data()))));
    EXPECT_EQ(Take(ConnectorPoints(nullptr, b.data(), east, south, 2, connector::kLine, a.data())),
              with({a, b}));
    for (int mode : {-1, 4})
        EXPECT_EQ(ConnectorPoints(nullptr, b.data(), east, south, 2, mode, a.data()), nullptr) << mode;
    // A loop without a direction to leave along cannot be built.
    const double none[3] = {0, 0, 0};
    EXPECT_EQ(ConnectorPoints(nullptr, b.data(), none, north, 2, connector::kLoop, a.data()), nullptr);
    // The polyline holds the string's points.
    const std::unique_ptr<CPathPLine3D> pl(
        ConnectorToPolyline(nullptr, b.data(), east, south, 2, connector::kSmooth, a.data()));
    ASSERT_TRUE(pl);
    EXPECT_EQ(pl->GetType(), 500);
    EXPECT_EQ(Points(*pl), with(Take(ConnectorSmooth(east, south, a.data(), b.data(), 2))));
}

TEST(Connector, LinkingACombine)
{
    const auto line = [](Pnt3 s, Pnt3 e) { return new CPathLine3D(s.data(), e.data()); };
    const auto poly = [](std::vector<Pnt3> pts) {
        auto* pl = new CPathPLine3D;
        SetPathPLinePoints(pl, unsigned(pts.size() - 1), pts[0].data());
        return pl;
    };
    EXPECT_EQ(LinkCombineEntities(nullptr, 1, 0, nullptr), 0);
    CPathCombine empty(1);
    EXPECT_EQ(LinkCombineEntities(nullptr, 1, 0, &empty), 0);

    // Ends within 0.01 are snapped: the line's start and the polyline's first point move
    // onto the previous end; an arc stays; nothing is inserted.
    CPathCombine near(1);
    PathCombineAppend(line({0, 0, 0}, {1, 0, 0}), &near);
    CPathLine3D* l2 = static_cast<CPathLine3D*>(PathCombineAppend(line({1.005, 0.005, 0}, {2, 0, 0}), &near));
    CPathPLine3D* p3 = static_cast<CPathPLine3D*>(PathCombineAppend(poly({{2, 0.009, 0}, {3, 0, 0}}), &near));
    auto* arc = new CPathArc3D;
    arc->centre[0] = 3, arc->centre[1] = 1, arc->radius = 1;
    arc->startAngle = -M_PI / 2 + 0.005, arc->endAngle = 0;
    PathCombineAppend(arc, &near);
    EXPECT_EQ(LinkCombineEntities(nullptr, 1, connector::kLine, &near), 1);
    int count = 0;
    for (CPathEntity* e = near.head; e; e = e->next)
        ++count;
    EXPECT_EQ(count, 4);
    EXPECT_EQ((Pnt3{l2->start[0], l2->start[1], l2->start[2]}), (Pnt3{1, 0, 0}));
    EXPECT_EQ(Points(*p3).front(), (Pnt3{2, 0, 0}));
    EXPECT_EQ(arc->startAngle, -M_PI / 2 + 0.005);

    // Gaps of every mode get a connector right after the first entity, from its end to the
    // next start; a lone entity gets nothing.
    for (int mode = 0; mode <= 3; ++mode) {
        CPathCombine c(1);
        CPathEntity* first = PathCombineAppend(line({0, 0, 2}, {1, 0, 2}), &c);
        CPathEntity* second = PathCombineAppend(line({1, 3, 1}, {0, 3, 1}), &c);
        CQProgress progress;
        progress.SetRange(1);
        EXPECT_EQ(LinkCombineEntities(nullptr, 1, mode, &c, &progress), 1) << mode;
        EXPECT_NEAR(progress.GetPos(), 1, 1e-12) << mode;
        ASSERT_EQ(first->next->next, second) << mode;
        ASSERT_EQ(first->next->GetType(), 500) << mode;
        const auto pts = Points(*static_cast<CPathPLine3D*>(first->next));
        EXPECT_EQ(pts.front(), (Pnt3{1, 0, 2})) << mode;
        EXPECT_EQ(pts.back(), (Pnt3{1, 3, 1})) << mode;
        EXPECT_EQ(c.tail, second) << mode;
    }
    CPathCombine lone(1);
    PathCombineAppend(line({0, 0, 0}, {1, 0, 0}), &lone);
    EXPECT_EQ(LinkCombineEntities(nullptr, 1, 1, &lone), 1);
    EXPECT_EQ(lone.head->next, nullptr);
}

// A plate with narrow bumps at (0, 4) and (2, 4): connectors from (-2, 0) to (2, 0) at height 0.5
// that swing towards +y run into it, those along y = 0 or towards -y do not.
TEST(Connector, ARejectedConnectorFallsBack)
{
    CTBall ball(2);
    ball.SetAidParam();
    const auto bump = [](double x, double y) {
        return 3 * std::exp(-(x * x + (y - 4) * (y - 4)) / 0.5) + 3 * std::exp(-((x - 2) * (x - 2) + (y - 4) * (y - 4)) / 0.5);
    };
    Built b = Build({millkit::TerrainMesh(bump, -8, -6, 16, 64)}, &ball);
    ASSERT_TRUE(b.model);
    CMillCenter& m = *b.model;
    const Pnt3 a = {-2, 0, 0.5}, e = {2, 0, 0.5};
    const double north[3] = {0, 1, 0}, south[3] = {0, -1, 0}, east[3] = {1, 0, 0};
    const std::vector<Pnt3> line = {a, a, e, e};
    const std::vector<Pnt3> stepped = {a, a, e, e, e};

    // Smooth towards +y over the bump: rejected, the straight move stands.
    const auto smooth = Take(ConnectorPoints(&m, e.data(), north, south, 4, connector::kSmooth, a.data()));
    EXPECT_EQ(smooth, line);
    // Towards -y it clears and stays smooth.
    const auto clear = Take(ConnectorPoints(&m, e.data(), south, north, 4, connector::kSmooth, a.data()));
    EXPECT_EQ(clear.size(), 22u);
    EXPECT_GE(WorstMargin(m, clear), -1e-9);
    // The left half turn from a along +x circles (-2, 4) through (2, 4): rejected, the
    // stepped move stands (equal heights: level).
    const auto loop = Take(ConnectorPoints(&m, e.data(), east, east, 1, connector::kLoop, a.data()));
    EXPECT_EQ(loop, stepped);
    // The same shapes unchecked (no model) run under the bump.
    const auto under = Take(ConnectorPoints(nullptr, e.data(), north, south, 4, connector::kSmooth, a.data()));
    EXPECT_LT(WorstMargin(m, under), -1);
    const auto loopUnder = Take(ConnectorPoints(nullptr, e.data(), east, east, 1, connector::kLoop, a.data()));
    EXPECT_LT(WorstMargin(m, loopUnder), -1);
}

// A hemisphere of radius 4 on a plate, ball of radius 1: the tool-centre surface is a dome
// of radius 5. Moves between its sides run under the dome unless they follow it.
TEST(Connector, StraightAndSteppedMovesOverADomeDoNotCutIt)
{
    CTBall ball(2);
    ball.SetAidParam();
    Built b = Build({millkit::HemisphereOnPlate(4, 7, 48)}, &ball);
    ASSERT_TRUE(b.model);
    CMillCenter& m = *b.model;
    const auto top = [&](double x, double y) { return milltest::ModelTop(m, x, y); };
    const Pnt3 west = {-3.5, 0.1, top(-3.5, 0.1)}, east = {3.4, 0.3, top(3.4, 0.3)};
    const Pnt3 low = {3.4, -0.6, top(3.4, -0.6) - 1.5};  // under the dome's side: an end below
    const Pnt3 ex = {1, 0, 0}, ey = {0, -1, 0};
    struct Row {
        std::string name;
        int mode;
        Pnt3 to;
        Pnt3 d1, d2;
    };
    // Thinning the projected points allows 0.05; the dome's curvature between the 0.2
    // steps adds about 0.001, the drops' facets a few thousandths.
    const double bound = 0.06;
    for (const Row& r : std::vector<Row>{{"straight", connector::kLine, east, ex, ex},
                                         {"stepped", connector::kStepped, east, ex, ex},
                                         {"smooth along the line", connector::kSmooth, east, ex, ex},
                                         {"loop turning clockwise", connector::kLoop, east, ex, ey},
                                         {"stepped down the side", connector::kStepped, low, ex, ex}}) {
        // The plain shape cuts deep into the dome.
        EXPECT_LT(WorstMargin(m, Take(ConnectorPoints(nullptr, r.to.data(), r.d1.data(), r.d2.data(), 0.5, r.mode,
                                                      west.data()))),
                  -0.5)
            << r.name;
        CPathCombine c(1);
        const Pnt3 before = {west[0] - 1, west[1], west[2] - 0.5};
        CPathEntity* p = PathCombineAppend(new CPathLine3D(before.data(), west.data()), &c);
        const Pnt3 after = {r.to[0] + r.d2[0], r.to[1] + r.d2[1], r.to[2]};
        PathCombineAppend(new CPathLine3D(r.to.data(), after.data()), &c);
        ASSERT_EQ(LinkCombineEntities(&m, 0.5, r.mode, &c), 1) << r.name;
        ASSERT_NE(p->next, c.tail) << r.name;
        const auto link = Points(*static_cast<CPathPLine3D*>(p->next));
        EXPECT_EQ(link.front(), west) << r.name;
        EXPECT_EQ(link.back(), r.to) << r.name;
        // Not below the model along the whole move, but for the end below it.
        std::vector<Pnt3> inner = link;
        if (r.to == low) {
            // The last leg comes down onto the low end: check up to where the dome's side
            // is higher than the move allows.
            while (inner.size() > 2 && Dist(inner.back(), low) < 1e-12)
                inner.pop_back();
        }
        EXPECT_GE(WorstMargin(m, inner), -bound) << r.name;
        // Projected points lie on the model's drop.
        for (size_t i = 2; i + 2 < link.size(); ++i) {
            const double pane[2][2] = {{link[i][0], link[i][1]}, {link[i][0], link[i][1]}};
            m.DefineMarkedPane(pane, 0.0001);
            double q[3] = {link[i][0], link[i][1], m.box[2] - 10};
            m.ProjPntOnMdl(q);
            EXPECT_NEAR(link[i][2], q[2], 1e-9) << r.name << " " << i;
        }
    }
    // A level move 0.03 under the dome's top is kept, its points raised onto the model
    // at least every 0.2.
    const double crest = top(0, 0);
    const Pnt3 l = {-0.6, 0, crest - 0.03}, rr = {0.6, 0, crest - 0.03};
    const auto kept = Take(ConnectorPoints(&m, rr.data(), ex.data(), ex.data(), 0.5, connector::kLine, l.data()));
    EXPECT_LT(WorstMargin(m, {l, rr}), -0.02);
    ASSERT_GE(kept.size(), 9u);
    EXPECT_EQ(kept.front(), l);
    EXPECT_EQ(kept.back(), rr);
    for (size_t i = 1; i < kept.size(); ++i)
        EXPECT_LE(std::hypot(kept[i][0] - kept[i - 1][0], kept[i][1] - kept[i - 1][1]), 0.2 + 1e-12) << i;
    EXPECT_GE(WorstMargin(m, kept), -0.005);
}

// Straight moves over rough ground, checked by the linking code (marks set per run of
// points), against the same move checked as the model's own CheckPntString checks it:
// points every 0.2 at most, each marked alone; a rejected move against the projection.
TEST(Connector, CheckedMovesEqualTheCheckWithMarksPerPoint)
{
    CTBall ball(2);
    ball.SetAidParam();
    const auto rough = [](double x, double y) { return std::sin(1.5 * x) * std::cos(1.2 * y) + 0.2 * std::sin(5 * x); };
    Built b = Build({millkit::TerrainMesh(rough, -6, -6, 12, 60)}, &ball);
    ASSERT_TRUE(b.model);
    CMillCenter& m = *b.model;
    std::mt19937 rng(56);
    std::uniform_real_distribution<double> u(-5, 5), dz(-0.3, 1.2), near(-1, 1), shallow(-0.03, 0.01);
    const double ex[3] = {1, 0, 0};
    int kept = 0, raised = 0, projected = 0;
    for (int n = 0; n < 80; ++n) {
        // Every other move short, its ends a little under or over the model: mostly raised.
        const bool shortMove = n % 2 == 1;
        Pnt3 a = {u(rng), u(rng), 0};
        Pnt3 e = shortMove ? Pnt3{a[0] + near(rng), a[1] + near(rng), 0} : Pnt3{u(rng), u(rng), 0};
        a[2] = milltest::ModelTop(m, a[0], a[1]) + (shortMove ? shallow(rng) : dz(rng));
        e[2] = milltest::ModelTop(m, e[0], e[1]) + (shortMove ? shallow(rng) : dz(rng));
        const auto got = Take(ConnectorPoints(&m, e.data(), ex, ex, 1, connector::kLine, a.data()));
        // The reference: the line cut into equal parts of at most 0.2 in XY.
        const int k = std::max(1, int(std::ceil(std::hypot(e[0] - a[0], e[1] - a[1]) / 0.2)));
        std::vector<Pnt3> dense;
        for (int i = 0; i <= k; ++i) {
            const double t = double(i) / k;
            dense.push_back({a[0] + t * (e[0] - a[0]), a[1] + t * (e[1] - a[1]), a[2] + t * (e[2] - a[2])});
        }
        auto* ref = new CNcPline;
        for (const Pnt3& p : dense)
            ref->AddTail(p.data());
        m.CheckPntString(ref);
        std::vector<Pnt3> want;
        if (ref) {
            want = Take(ref);
            if (want == dense) {
                want = {a, e};
                ++kept;
            } else {
                ++raised;
            }
        } else {
            std::unique_ptr<CNcPline> line(ConnectorLine(a.data(), e.data()));
            const double pane[2][2] = {{std::min(a[0], e[0]), std::min(a[1], e[1])},
                                       {std::max(a[0], e[0]), std::max(a[1], e[1])}};
            m.DefineMarkedPane(pane, 0.0001);
            m.ProjCutPath(line.get(), line->GetHead(), line->GetTail(), 0);
            want = Points(line.get());
            ++projected;
        }
        want.insert(want.begin(), a);
        want.push_back(e);
        ASSERT_EQ(got.size(), want.size()) << n;
        for (size_t i = 0; i < got.size(); ++i)
            for (size_t c = 0; c < 3; ++c)
                EXPECT_NEAR(got[i][c], want[i][c], 1e-12) << n << " " << i;
    }
    // Every outcome occurs.
    EXPECT_GT(kept, 3);
    EXPECT_GT(raised, 3);
    EXPECT_GT(projected, 3);
}

}  // namespace
