#include "toolpath/surfkernel/EdTrimSurf.h"

#include "framework/numerak/Bsrf.h"
#include "toolpath/surfkernel/KernelEntity.h"
#include "toolpath/surfkernel/tests/TrimEditFixtures.h"
#include "testing/TrimSurfFixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <numbers>
#include <random>
#include <string>
#include <vector>

namespace {

using trimedit::MakeBound;
using trimedit::Polygon;
using trimedit::UV;

class EdTrimSurfTest : public ::testing::Test {
protected:
    void SetUp() override { ESSI_ResetKernelState(); }
};

std::vector<CEdTrimLoop*> Loops(CEdTrimLoop* head)
{
    std::vector<CEdTrimLoop*> out;
    for (CEdTrimLoop* l = head; l; l = l->next) out.push_back(l);
    return out;
}

// The distinct corners of a loop polygon (collinear points between them left out).
Polygon Corners(const Polygon& p)
{
    Polygon out;
    for (size_t k = 0; k < p.size(); ++k) {
        const UV& a = p[(k + p.size() - 1) % p.size()];
        const UV& b = p[k];
        const UV& c = p[(k + 1) % p.size()];
        if (std::fabs((b[0] - a[0]) * (c[1] - a[1]) - (b[1] - a[1]) * (c[0] - a[0])) > 1e-12) out.push_back(b);
    }
    return out;
}

Polygon CirclePolygon(double cu, double cv, double r, int n, bool clockwise = false)
{
    Polygon p;
    for (int k = 0; k <= n; ++k) {
        const double a = (clockwise ? -2 : 2) * std::numbers::pi * (k % n) / n;
        p.push_back({cu + r * std::cos(a), cv + r * std::sin(a)});
    }
    return p;
}

TEST_F(EdTrimSurfTest, RebuildsOfTheUnitSquare)
{
    auto surf = trimedit::SquarePlane();
    struct Row {
        const char* label;
        std::vector<std::vector<UV>> curves;
        int extend;
        bool intersectFirst;
        std::vector<double> areas;  // of the rebuilt loops in order
        std::vector<int> islands;
    } rows[] = {
        {"the square alone", {}, 0, false, {1.0}, {0}},
        {"cut once, crossings found first", {{{0.5, 0}, {0.5, 1}}}, 0, true, {0.5, 0.5}, {0, 0}},
        {"cut once, crossings found by the extension", {{{0.5, 0}, {0.5, 1}}}, 1, false, {0.5, 0.5}, {0, 0}},
        {"a free piece extended both ways", {{{0.5, 0.3}, {0.5, 0.6}}}, 1, false, {0.5, 0.5}, {0, 0}},
        {"a piece extended at its free end", {{{0.25, 0}, {0.25, 0.5}}}, 1, false, {0.75, 0.25}, {0, 0}},
        {"a dangling piece is dropped", {{{0.5, 0}, {0.5, 0.5}}}, 0, true, {1.0}, {0}},
        {"a dangling piece without crossings", {{{0.5, 0.2}, {0.5, 0.5}}}, 0, true, {1.0}, {0}},
        {"a closed curve", {CirclePolygon(0.5, 0.5, 0.25, 64)}, 0, true, {1.0, 0.0}, {1, 0}},
    };
    for (const Row& r : rows) {
        CEdTrimSurf edit;
        ASSERT_EQ(edit.InitSurfBound(surf.get()), 1) << r.label;
        for (const auto& c : r.curves) EXPECT_EQ(edit.AddCurve(MakeBound(c)), 1) << r.label;
        if (r.intersectFirst) edit.AutoIntersect(true);
        EXPECT_EQ(edit.TrimSurface(r.extend), 1) << r.label;
        const std::vector<CEdTrimLoop*> loops = Loops(edit.resultHead);
        ASSERT_EQ(loops.size(), r.areas.size()) << r.label;
        const double disc = std::numbers::pi * 0.25 * 0.25;
        for (size_t k = 0; k < loops.size(); ++k) {
            // Every rebuilt loop runs counter-clockwise; a closed curve's disc is
            // rebuilt as its polygon (area below the circle's).
            const double expect = r.areas[k] == 0.0 ? trimedit::SignedArea(CirclePolygon(0.5, 0.5, 0.25, 64)) : r.areas[k];
            EXPECT_NEAR(loops[k]->area, expect, 1e-12) << r.label << " loop " << k;
            EXPECT_NEAR(loops[k]->CalcLoopArea(), loops[k]->area, 1e-12) << r.label;
            EXPECT_EQ(Loops(loops[k]->islandHead).size(), static_cast<size_t>(r.islands[k])) << r.label;
            for (CEdTrimLoop* h : Loops(loops[k]->islandHead)) EXPECT_NEAR(h->area, -loops[1]->area, 1e-12) << r.label;
        }
        (void)disc;
    }

    // Cut once: the two halves, each using the cut once in one of its directions.
    CEdTrimSurf edit;
    edit.InitSurfBound(surf.get());
    edit.AddCurve(MakeBound({{0.5, 0}, {0.5, 1}}));
    edit.AutoIntersect(true);
    edit.TrimSurface(0);
    const std::vector<CEdTrimLoop*> halves = Loops(edit.resultHead);
    ASSERT_EQ(halves.size(), 2u);
    std::vector<Polygon> corners;
    std::vector<int> cutDirections;
    for (CEdTrimLoop* l : halves) {
        Polygon c = Corners(trimedit::LoopPolygon(*l));
        std::sort(c.begin(), c.end());
        corners.push_back(c);
        for (CEdTrimBound* b = l->boundHead; b; b = b->next)
            if (b->kind == BND_CURVE) cutDirections.push_back(b->id > 0 ? 1 : -1);
    }
    std::sort(corners.begin(), corners.end());
    EXPECT_EQ(corners[0], (Polygon{{0, 0}, {0, 1}, {0.5, 0}, {0.5, 1}}));
    EXPECT_EQ(corners[1], (Polygon{{0.5, 0}, {0.5, 1}, {1, 0}, {1, 1}}));
    std::sort(cutDirections.begin(), cutDirections.end());
    EXPECT_EQ(cutDirections, (std::vector<int>{-1, 1}));
}

TEST_F(EdTrimSurfTest, LoopFormingAndSortingEdgeRows)
{
    CEdTrimSurf edit;
    CEdTrimBound* none = nullptr;
    EXPECT_EQ(edit.FormLoop(none, 1e-8), nullptr);
    EXPECT_EQ(edit.BuildTrimLoop(nullptr), nullptr);
    // A single loop comes back even when it runs clockwise.
    CEdTrimLoop* cw = trimedit::PolygonLoop({{0, 0}, {0, 1}, {1, 1}, {1, 0}});
    EXPECT_EQ(edit.BuildTrimLoop(cw), cw);
    delete cw;
    // A clockwise loop in no counter-clockwise loop is dropped; loops without area go;
    // the rest come largest first.
    CEdTrimLoop* a = trimedit::PolygonLoop({{0, 0}, {1, 0}, {1, 1}, {0, 1}});
    CEdTrimLoop* b = trimedit::PolygonLoop({{2, 0}, {4, 0}, {4, 2}, {2, 2}});
    CEdTrimLoop* lost = trimedit::PolygonLoop({{5, 5}, {5, 6}, {6, 6}, {6, 5}});
    CEdTrimLoop* hole = trimedit::PolygonLoop({{3, 1}, {3, 1.5}, {3.5, 1.5}, {3.5, 1}});
    CEdTrimLoop* flat = trimedit::PolygonLoop({{0, 0}, {1, 1}, {2, 2}});
    a->next = lost, lost->next = b, b->next = flat, flat->next = hole;
    CEdTrimLoop* sorted = edit.BuildTrimLoop(a);
    const std::vector<CEdTrimLoop*> out = Loops(sorted);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0], b);
    EXPECT_EQ(out[1], a);
    EXPECT_EQ(b->islandHead, hole);
    EXPECT_EQ(a->islandHead, nullptr);
    delete a;
    delete b;

    // The walk turns as far left as it can: at a star of four pieces from the origin
    // it leaves along the leftmost piece.
    CEdTrimBound* in = MakeBound({{-1, 0}, {0, 0}});
    CEdTrimBound* right = MakeBound({{0, 0}, {0, -1}});
    CEdTrimBound* ahead = MakeBound({{0, 0}, {1, 0}});
    CEdTrimBound* left = MakeBound({{0, 0}, {0, 1}});
    in->next = right, right->next = ahead, ahead->next = left;
    double e[2] = {0, 0}, d[2] = {1, 0};
    for (CEdTrimBound* x : {in, right, ahead, left}) x->state = BND_FREE;
    EXPECT_EQ(edit.FindNextBound(in, e, d, 1e-8), left);
    EXPECT_EQ(left->state, BND_IN_PATH);
    EXPECT_EQ(e[1], 1.0);
    // The twin of a piece on the path is not a candidate.
    ahead->id = 7, right->id = -7, ahead->state = BND_IN_PATH;
    EXPECT_EQ(edit.IsReverseBnd(in, right), 1);
    left->state = BND_FREE;
    double e2[2] = {0, 0}, d2[2] = {0, 1};
    EXPECT_EQ(edit.FindNextBound(in, e2, d2, 1e-8), left);
    left->state = BND_DEAD;
    double e3[2] = {0, 0}, d3[2] = {-1, 0};
    EXPECT_EQ(edit.FindNextBound(in, e3, d3, 1e-8), nullptr);
    for (CEdTrimBound* x : {in, right, ahead, left}) delete x;

    // UnlinkBound: head, middle, the only one, one not in the chain.
    CEdTrimBound* p = MakeBound({{0, 0}, {1, 0}});
    CEdTrimBound* q = MakeBound({{0, 0}, {1, 0}});
    CEdTrimBound* s = MakeBound({{0, 0}, {1, 0}});
    p->next = q, q->prev = p, q->next = s, s->prev = q;
    CEdTrimBound* head = UnlinkBound(p, q);
    EXPECT_EQ(head, p);
    EXPECT_EQ(p->next, s);
    EXPECT_EQ(s->prev, p);
    EXPECT_EQ(q->next, nullptr);
    head = UnlinkBound(head, p);
    EXPECT_EQ(head, s);
    EXPECT_EQ(UnlinkBound(head, s), nullptr);
    q->next = p;
    EXPECT_EQ(UnlinkBound(nullptr, q), nullptr);
    EXPECT_EQ(q->next, nullptr);
    delete p, delete q, delete s;
}

TEST_F(EdTrimSurfTest, EndsSnapOnlyWhenTheyMeetInBothSpaces)
{
    struct Row {
        const char* label;
        double size;  // of the plane: (u, v) distances scale by it into 3D
        bool moves;
    } rows[] = {{"0.05 apart, 0.01 in 3D", 0.2, true}, {"0.05 apart, 0.03 in 3D", 0.6, false}};
    for (const Row& r : rows) {
        auto surf = trimedit::SquarePlane(r.size);
        CEdTrimSurf edit;
        edit.InitSurfBound(surf.get());
        CEdTrimBound* b = MakeBound({{0.3, 0.3}, {0.6, 0.6}});
        CEdTrimBound* c = MakeBound({{0.9, 0.1}, {0.3, 0.35}});
        b->id = 1, c->id = 2;
        b->next = c;
        edit.PretreatBnd(b, 0.08);
        EXPECT_EQ(trimedit::Points(*c).back(), (r.moves ? UV{0.3, 0.3} : UV{0.3, 0.35})) << r.label;
        EXPECT_EQ(trimedit::Points(*b).front(), (UV{0.3, 0.3})) << r.label;
        EXPECT_EQ(b->startFixed, r.moves ? 1 : 0) << r.label;
        EXPECT_EQ(c->endFixed, r.moves ? 1 : 0) << r.label;
        delete b, delete c;
    }
    // A bound whose own ends nearly meet closes on itself; its twin is never snapped to it.
    auto surf = trimedit::SquarePlane(0.2);
    CEdTrimSurf edit;
    edit.InitSurfBound(surf.get());
    CEdTrimBound* ring = MakeBound({{0.2, 0.2}, {0.6, 0.2}, {0.4, 0.6}, {0.22, 0.21}});
    CEdTrimBound* twin = ring->CopyMyself();
    twin->ReverseDirect();
    ring->id = 4, twin->id = -4;
    ring->next = twin;
    edit.PretreatBnd(ring, 0.08);
    EXPECT_EQ(trimedit::Points(*ring).back(), (UV{0.2, 0.2}));
    EXPECT_EQ(trimedit::Points(*twin).front(), (UV{0.22, 0.21}));
    delete ring, delete twin;

    // A loop's edge shorter than both tolerances keeps its joints: its ends are
    // already joined to its neighbours, so neither is snapped onto the other.
    CGeTrimSurf plain(surffix::Plane(1.0, 1.0).release(), BOX2<double>(0, 0, 1, 1));
    CEdTrimSurf shortEdge;
    shortEdge.InitSurfBound(&plain);
    auto* loop = new CEdTrimLoop;
    for (const std::vector<UV>& pts : std::vector<std::vector<UV>>{
             {{1, 1}, {0, 1}, {0, 0}}, {{0, 0}, {1, 0}}, {{1, 0}, {1, 0.5}, {1, 0.9995}}, {{1, 0.9995}, {1, 1}}})
        loop->AddBound(MakeBound(pts, BND_LOOP));
    shortEdge.AddLoop(loop);
    shortEdge.TrimSurface(0);
    ASSERT_NE(shortEdge.resultHead, nullptr);
    EXPECT_EQ(shortEdge.resultHead->BoundCount(), 4);
    EXPECT_EQ(trimedit::LoopPolygon(*shortEdge.resultHead),
              (Polygon{{1, 1}, {0, 1}, {0, 0}, {1, 0}, {1, 0.5}, {1, 0.9995}}));
}

TEST_F(EdTrimSurfTest, PolylinesSplitAtPeriodicSeams)
{
    auto cylinder = surffix::Cylinder(1.0, 2.0);
    CGeTrimSurf surf(BSRF_Clone(cylinder.get()), BOX2<double>(0, 0, 1, 1));
    surf.AddLoop(surf.GenRectTrimLoop(0, 1, 0, 1));
    CEdTrimSurf edit;
    ASSERT_EQ(edit.InitSurfBound(&surf), 1);
    EXPECT_EQ(edit.uPeriodic, 1);
    EXPECT_EQ(edit.vPeriodic, 0);
    double pts[3][2] = {{0.9, 0.5}, {0.95, 0.6}, {0.02, 0.55}};
    ASSERT_EQ(edit.AddCurve(pts, 3), 1);
    ASSERT_NE(edit.curveHead, nullptr);
    ASSERT_NE(edit.curveHead->next, nullptr);
    EXPECT_EQ(edit.curveHead->next->next, nullptr);
    const std::vector<UV> first = trimedit::Points(*edit.curveHead), second = trimedit::Points(*edit.curveHead->next);
    ASSERT_EQ(first.size(), 3u);
    EXPECT_EQ(first[0][0], 0.9);
    EXPECT_EQ(first[1][0], 0.95);
    EXPECT_NEAR(first[2][0], 1.0001, 1e-15);
    ASSERT_EQ(second.size(), 2u);
    EXPECT_NEAR(second[0][0], -0.0001, 1e-15);
    EXPECT_EQ(second[1][0], 0.02);
    EXPECT_EQ(edit.curveHead->kind, BND_CURVE);
    // The other way across the seam, and the periodic point test.
    double back[2][2] = {{0.05, 0.3}, {0.97, 0.3}};
    edit.AddCurve(back, 2);
    EXPECT_NEAR(trimedit::Points(*edit.curveTail).front()[0], 1.0001, 1e-15);
    const double wrapped[2] = {1.5, 0.5};
    EXPECT_EQ(edit.IsPointIn(wrapped), 0);

    // Bad input and a surface without loops.
    EXPECT_EQ(edit.AddCurve(static_cast<double(*)[2]>(nullptr), 3), 0);
    EXPECT_EQ(edit.AddCurve(pts, 1), 0);
    CGeTrimSurf bare(BSRF_Clone(cylinder.get()), BOX2<double>(0, 0, 1, 1));
    CEdTrimSurf empty;
    empty.InitSurfBound(&bare);
    const double mid[2] = {0.5, 0.5};
    EXPECT_EQ(empty.IsPointIn(mid), 1);
    CEdTrimSurf unset;
    EXPECT_EQ(unset.InitSurfBound(nullptr), 0);
    EXPECT_EQ(unset.IsPointIn(mid), 1);
    EXPECT_EQ(unset.GetMinCloseTol(), 0.01);
    EXPECT_EQ(edit.GetMinCloseTol(), 0.02);
}

TEST_F(EdTrimSurfTest, SurfacePointsAgainstItsLoopsWithHoles)
{
    auto plane = surffix::Plane(10, 10);
    auto surf = trimfix::Holed(plane.get(), {{0.3, 0.3, 0.1}, {0.7, 0.6, 0.15}});
    CEdTrimSurf edit;
    ASSERT_EQ(edit.InitSurfBound(surf.get()), 1);
    std::vector<Polygon> polys;
    int index = 0;
    for (CEdTrimLoop* l = edit.loopHead; l; l = l->next, ++index) {
        polys.push_back(trimedit::LoopPolygon(*l));
        EXPECT_EQ(l->owner, &edit);
        EXPECT_EQ(l->boundHead->loopIndex, index);
    }
    ASSERT_EQ(polys.size(), 3u);
    EXPECT_LT(edit.loopHead->next->area, 0.0);
    std::mt19937 rng(3);
    std::uniform_real_distribution<double> unit(-0.05, 1.05);
    int counted[3] = {0, 0, 0};
    for (int i = 0; i < 3000; ++i) {
        const UV p{unit(rng), unit(rng)};
        double nearest = 1e300;
        for (const Polygon& poly : polys) nearest = std::fmin(nearest, trimedit::PolygonDistance(poly, p));
        if (nearest < 1e-4) continue;
        const bool in = trimedit::CrossingInside(polys[0], p) && !trimedit::CrossingInside(polys[1], p) &&
                        !trimedit::CrossingInside(polys[2], p);
        const int expect = in ? 0 : 1;
        EXPECT_EQ(edit.IsPointIn(p.data()), expect) << p[0] << ", " << p[1];
        ++counted[expect];
    }
    EXPECT_GT(counted[0], 1000);
    EXPECT_GT(counted[1], 300);
    // On a hole's edge and on a vertex of a hole: on the boundary, not outside.
    for (const Polygon& poly : {polys[1], polys[2]}) {
        const UV mid{0.5 * (poly[3][0] + poly[4][0]), 0.5 * (poly[3][1] + poly[4][1])};
        EXPECT_EQ(edit.IsPointIn(mid.data()), 2);
        EXPECT_EQ(edit.IsPointIn(poly[7].data()), 2);
    }
    const UV edge{0.5, 0.0};
    EXPECT_EQ(edit.IsPointIn(edge.data()), 2);

    // Rebuilding without curves gives the loops back: the outer loop with both holes.
    edit.TrimSurface(0);
    const std::vector<CEdTrimLoop*> out = Loops(edit.resultHead);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_NEAR(out[0]->area, 1.0, 1e-12);
    const std::vector<CEdTrimLoop*> holes = Loops(out[0]->islandHead);
    ASSERT_EQ(holes.size(), 2u);
    double holeArea = 0.0;
    for (CEdTrimLoop* h : holes) holeArea += h->area;
    EXPECT_NEAR(holeArea, edit.loopHead->next->area + edit.loopHead->next->next->area, 1e-12);
    EXPECT_EQ(edit.DeleteAllCurve(), 1);
    EXPECT_EQ(edit.loopHead, nullptr);
    EXPECT_EQ(edit.surf, nullptr);
}

// Chords across the unit square, in general position, with the crossings among them.
struct Chord {
    UV a, b;
};

int Orient(const UV& p, const UV& q, const UV& r)
{
    const double d = (q[0] - p[0]) * (r[1] - p[1]) - (q[1] - p[1]) * (r[0] - p[0]);
    return (d > 0) - (d < 0);
}

UV OnSquare(double s)
{
    s = std::fmod(s, 4.0);
    if (s < 1) return {s, 0};
    if (s < 2) return {1, s - 1};
    if (s < 3) return {3 - s, 1};
    return {0, 4 - s};
}

// n chords whose ends lie on different sides and whose crossings lie well apart,
// inside the square and at angles not too small; the crossing count in `crossings`.
std::vector<Chord> RandomChords(int n, std::mt19937& rng, int& crossings)
{
    std::uniform_real_distribution<double> perimeter(0.0, 4.0);
    while (true) {
        std::vector<Chord> chords;
        std::vector<UV> points;
        while (static_cast<int>(chords.size()) < n) {
            const double s = perimeter(rng), t = perimeter(rng);
            if (std::floor(s) == std::floor(t)) continue;
            chords.push_back({OnSquare(s), OnSquare(t)});
            points.push_back(chords.back().a);
            points.push_back(chords.back().b);
        }
        crossings = 0;
        bool general = true;
        for (int i = 0; i < n && general; ++i)
            for (int j = i + 1; j < n && general; ++j) {
                const Chord &c = chords[i], &d = chords[j];
                if (Orient(c.a, c.b, d.a) * Orient(c.a, c.b, d.b) >= 0 || Orient(d.a, d.b, c.a) * Orient(d.a, d.b, c.b) >= 0)
                    continue;
                const double den = (c.b[0] - c.a[0]) * (d.b[1] - d.a[1]) - (c.b[1] - c.a[1]) * (d.b[0] - d.a[0]);
                const double t = ((d.a[0] - c.a[0]) * (d.b[1] - d.a[1]) - (d.a[1] - c.a[1]) * (d.b[0] - d.a[0])) / den;
                const double len = std::hypot(c.b[0] - c.a[0], c.b[1] - c.a[1]) * std::hypot(d.b[0] - d.a[0], d.b[1] - d.a[1]);
                if (std::fabs(den) < 0.05 * len) general = false;  // nearly parallel
                points.push_back({c.a[0] + t * (c.b[0] - c.a[0]), c.a[1] + t * (c.b[1] - c.a[1])});
                ++crossings;
            }
        for (size_t i = 0; i < points.size() && general; ++i)
            for (size_t j = i + 1; j < points.size() && general; ++j)
                if (std::hypot(points[i][0] - points[j][0], points[i][1] - points[j][1]) < 2e-3) general = false;
        for (size_t i = 2 * n; i < points.size() && general; ++i)
            if (std::fmin(std::fmin(points[i][0], 1 - points[i][0]), std::fmin(points[i][1], 1 - points[i][1])) < 2e-3)
                general = false;
        if (general) return chords;
    }
}

struct Disc {
    double u, v, r;
};

// Rebuilds the unit square cut by the chords, with the discs' circles as closed curves,
// and checks the faces against the chords' side signatures.
void CheckArrangement(const std::vector<Chord>& chords, int crossings, const std::vector<Disc>& discs,
                      const std::string& label, std::mt19937& rng)
{
    // A plane of 1000 mm: the 3D distance of 0.02 of the end snapping is 2e-5 in (u, v),
    // far below the distances between crossings.
    auto surf = trimedit::SquarePlane(1000.0);
    CEdTrimSurf edit;
    ASSERT_EQ(edit.InitSurfBound(surf.get()), 1);
    for (const Chord& c : chords) edit.AddCurve(MakeBound({c.a, c.b}));
    for (const Disc& d : discs) edit.AddCurve(MakeBound(CirclePolygon(d.u, d.v, d.r, 48)));
    edit.AutoIntersect(true);
    edit.TrimSurface(0);
    const std::vector<CEdTrimLoop*> loops = Loops(edit.resultHead);
    const size_t faces = 1 + chords.size() + crossings + discs.size();
    ASSERT_EQ(loops.size(), faces) << label;
    double total = 0.0;
    std::vector<Polygon> outer;
    std::vector<std::vector<Polygon>> islands;
    size_t islandCount = 0;
    for (CEdTrimLoop* l : loops) {
        EXPECT_GT(l->area, 0.0) << label;
        total += l->area;
        outer.push_back(trimedit::LoopPolygon(*l));
        islands.emplace_back();
        for (CEdTrimLoop* h : Loops(l->islandHead)) {
            EXPECT_LT(h->area, 0.0) << label;
            total += h->area;
            islands.back().push_back(trimedit::LoopPolygon(*h));
            ++islandCount;
        }
    }
    EXPECT_EQ(islandCount, discs.size()) << label;
    EXPECT_NEAR(total, 1.0, 1e-9) << label;

    // Each sample lies in exactly one face, and the faces group the samples exactly
    // as their sides of every chord (and of every circle) do.
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::map<std::vector<int>, int> faceOfSignature;
    std::map<int, std::vector<int>> signatureOfFace;
    int used = 0;
    for (int i = 0; i < 4000; ++i) {
        const UV p{unit(rng), unit(rng)};
        bool near = false;
        std::vector<int> signature;
        for (const Chord& c : chords) {
            near |= trimedit::SegmentDistance(p, c.a, c.b) < 1e-6;
            signature.push_back(Orient(c.a, c.b, p));
        }
        for (const Disc& d : discs) {
            const double r = std::hypot(p[0] - d.u, p[1] - d.v);
            near |= std::fabs(r - d.r) < 0.01 * d.r;
            signature.push_back(r < d.r ? 1 : 0);
        }
        if (near) continue;
        int face = -1, hits = 0;
        for (size_t f = 0; f < outer.size(); ++f) {
            if (!trimedit::CrossingInside(outer[f], p)) continue;
            bool inIsland = false;
            for (const Polygon& h : islands[f]) inIsland |= trimedit::CrossingInside(h, p);
            if (inIsland) continue;
            face = static_cast<int>(f);
            ++hits;
        }
        ASSERT_EQ(hits, 1) << label << " at " << p[0] << ", " << p[1];
        auto [it, fresh] = faceOfSignature.emplace(signature, face);
        EXPECT_EQ(it->second, face) << label << ": one signature in two faces";
        auto [jt, freshFace] = signatureOfFace.emplace(face, signature);
        EXPECT_EQ(jt->second, signature) << label << ": two signatures in one face";
        ++used;
    }
    EXPECT_GT(used, 3000) << label;
}

TEST_F(EdTrimSurfTest, RandomChordsRebuildIntoTheirArrangement)
{
    std::mt19937 rng(4811);
    int cases = 0, totalCrossings = 0;
    for (int n : {1, 2, 3, 5, 8, 12}) {
        for (int rep = 0; rep < 4; ++rep) {
            int crossings = 0;
            const std::vector<Chord> chords = RandomChords(n, rng, crossings);
            totalCrossings += crossings;
            const std::string label = std::to_string(n) + " chords, case " + std::to_string(rep);
            CheckArrangement(chords, crossings, {}, label, rng);

            // The same with small circles that meet no chord as islands.
            std::vector<Disc> discs;
            std::uniform_real_distribution<double> unit(0.0, 1.0);
            for (int tries = 0; tries < 2000 && discs.size() < 3; ++tries) {
                const Disc d{0.05 + 0.9 * unit(rng), 0.05 + 0.9 * unit(rng), 0.01 + 0.02 * unit(rng)};
                bool clear = d.u - d.r > 0.01 && d.u + d.r < 0.99 && d.v - d.r > 0.01 && d.v + d.r < 0.99;
                for (const Chord& c : chords) clear &= trimedit::SegmentDistance({d.u, d.v}, c.a, c.b) > d.r + 0.005;
                for (const Disc& e : discs) clear &= std::hypot(d.u - e.u, d.v - e.v) > d.r + e.r + 0.005;
                if (clear) discs.push_back(d);
            }
            CheckArrangement(chords, crossings, discs, label + " with islands", rng);
            ++cases;
        }
    }
    EXPECT_EQ(cases, 24);
    EXPECT_GT(totalCrossings, 100);
}

// The walk as written with the plain search: FindNextBound over the whole chain at
// every step and the closing test over the whole path. FormLoop must make the same
// loops from the same pieces.
CEdTrimLoop* PlainFormLoop(CEdTrimSurf& edit, CEdTrimBound*& chain, double tol)
{
    int count = 0;
    for (CEdTrimBound* b = chain; b; b = b->next) ++count;
    std::vector<CEdTrimBound*> path(count + 1, nullptr);
    CEdTrimLoop* result = nullptr;
    const auto near = [&](const CEdTrimBound* b, const double* e) {
        return std::hypot(b->Point(0)[0] - e[0], b->Point(0)[1] - e[1]) < tol;
    };
    while (chain) {
        for (CEdTrimBound* b = chain; b; b = b->next)
            if (b->state == BND_IN_PATH) b->state = BND_FREE;
        while (chain && chain->state == BND_DEAD) {
            CEdTrimBound* dead = chain;
            chain = UnlinkBound(chain, dead);
            delete dead;
        }
        if (!chain) break;
        path[0] = chain;
        chain->state = BND_IN_PATH;
        double E[2], D[2];
        chain->GetTangent(1, E, D);
        if (chain->nLast >= 2 && near(chain, E)) {
            edit.CreateLoop(result, chain, path.data(), 0, 0);
            continue;
        }
        int j = 1;
        while (true) {
            if (CEdTrimBound* n = edit.FindNextBound(chain, E, D, tol)) {
                path[j] = n;
                int k = -1;
                for (int i = 0; i <= j && k < 0; ++i)
                    if (near(path[i], E)) k = i;
                if (k < 0) {
                    ++j;
                    continue;
                }
                edit.CreateLoop(result, chain, path.data(), k, j);
                if (k == 0) break;
                path[k - 1]->GetTangent(1, E, D);
                j = k;
            } else {
                path[j - 1]->state = BND_DEAD;
                if (j == 1) break;
                --j;
                path[j - 1]->GetTangent(1, E, D);
            }
        }
    }
    return result;
}

TEST_F(EdTrimSurfTest, IndexedWalkMakesThePlainWalksLoops)
{
    std::mt19937 rng(77);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    auto surf = trimedit::SquarePlane(1000.0);
    for (int rep = 0; rep < 6; ++rep) {
        // Chords, short segments that end inside faces (dead ends), and closed rings.
        int crossings = 0;
        const std::vector<Chord> chords = RandomChords(6 + rep, rng, crossings);
        std::vector<std::vector<UV>> curves;
        for (const Chord& c : chords) curves.push_back({c.a, c.b});
        for (int k = 0; k < 8; ++k) {
            const UV a{0.1 + 0.8 * unit(rng), 0.1 + 0.8 * unit(rng)};
            curves.push_back({a, {a[0] + 0.2 * unit(rng) - 0.1, a[1] + 0.2 * unit(rng) - 0.1}});
        }
        curves.push_back(CirclePolygon(0.3 + 0.4 * unit(rng), 0.3 + 0.4 * unit(rng), 0.15, 40));
        CEdTrimLoop* loops[2];
        for (int way = 0; way < 2; ++way) {
            CEdTrimSurf edit;
            edit.InitSurfBound(surf.get());
            for (const auto& c : curves) edit.AddCurve(MakeBound(c));
            edit.AutoIntersect(true);
            CEdTrimBound* chain = edit.BreakAllBound();
            loops[way] = way == 0 ? edit.FormLoop(chain, 1e-8) : PlainFormLoop(edit, chain, 1e-8);
            EXPECT_EQ(chain, nullptr);
        }
        const std::vector<CEdTrimLoop*> fast = Loops(loops[0]), plain = Loops(loops[1]);
        ASSERT_EQ(fast.size(), plain.size()) << "case " << rep;
        EXPECT_GT(fast.size(), 10u) << "case " << rep;
        for (size_t k = 0; k < fast.size(); ++k) {
            EXPECT_EQ(trimedit::LoopPolygon(*fast[k]), trimedit::LoopPolygon(*plain[k])) << "case " << rep << " loop " << k;
            EXPECT_EQ(fast[k]->area, plain[k]->area) << "case " << rep << " loop " << k;
        }
        for (CEdTrimLoop*& head : loops) DeleteChain(head);
    }
}

TEST_F(EdTrimSurfTest, CrossingsCloserThanAnyToleranceKeepTheirFaces)
{
    // Three chords through nearly one point: each pair crosses within 1e-7 of the
    // others. The seven faces less the tiny triangle in the middle come back, all
    // counter-clockwise, covering the square. Merging the two near crossings on one
    // chord only (while the others keep both) lost a face.
    auto surf = trimedit::SquarePlane(1000.0);
    for (double gap : {5e-8, 2e-9}) {
        CEdTrimSurf edit;
        edit.InitSurfBound(surf.get());
        edit.AddCurve(MakeBound({{0, 0.5}, {1, 0.5}}));
        edit.AddCurve(MakeBound({{0.3, 0}, {0.7, 1}}));
        edit.AddCurve(MakeBound({{0.7 + 2 * gap, 0}, {0.3, 1}}));
        edit.AutoIntersect(true);
        edit.TrimSurface(0);
        const std::vector<CEdTrimLoop*> loops = Loops(edit.resultHead);
        EXPECT_EQ(loops.size(), 6u) << gap;
        double total = 0.0;
        for (CEdTrimLoop* l : loops) {
            EXPECT_GT(l->area, 1e-3) << gap;
            total += l->area;
        }
        EXPECT_NEAR(total, 1.0, 1e-9) << gap;
    }
}

}  // namespace
