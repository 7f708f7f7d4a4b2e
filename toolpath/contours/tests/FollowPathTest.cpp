// Contour-parallel pocketing: the offset hierarchy against Clipper's round offsets of the
// same region (erosion and growth by disks compose, so level k is one offset by (k - 1)
// steps), the connection points against the loops they join, the cutting curves against
// the hierarchy they consume, and whole paths against the gouge and coverage oracles.
#include "FollowFixtures.h"

#include "framework/db/DbPathGroup.h"
#include "geometry/shapes3d/GeCombCurve3d.h"
#include "geometry/shapes3d/GePolyline3d.h"
#include "testing/CutOracle.h"
#include "toolpath/contours/CornerType.h"
#include "toolpath/contours/CutPath.h"
#include "toolpath/contours/FollowPath.h"
#include "toolpath/contours/PathConst.h"
#include "toolpath/contours/PathGroup.h"
#include "toolpath/contours/SmartConst.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <iostream>
#include <limits>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

namespace {

using clipperpaths::Polygon;
using followtest::Pocket;

constexpr double kTol = 0.001;  // chord error of the flattened arcs

// Every loop below L: L, its offset children and its islands, recursively.
void ForAll(CSmartLoop* L, const std::function<void(CSmartLoop*)>& f)
{
    f(L);
    for (CSmartLoop* c = L->children; c; c = c->next)
        ForAll(c, f);
    for (CSmartLoop* i = L->islands; i; i = i->next)
        ForAll(i, f);
}

// Only the offset children tree.
void ForChildren(CSmartLoop* L, const std::function<void(CSmartLoop*)>& f)
{
    f(L);
    for (CSmartLoop* c = L->children; c; c = c->next)
        ForChildren(c, f);
}

Polygon Flat(CSmartLoop* L) { return curvetest::Flatten(*L->contour); }

DVN_CornerType Round() { return DVN_CornerType{4, 0, 0}; }

std::unique_ptr<CSmartLoop> Copy(const Pocket& pk) { return std::unique_ptr<CSmartLoop>(pk.loop->CopyContour()); }

double ContourLength(CSmartLoop* L) { return L->contour ? L->contour->GetLength() : 0; }

ClipperLib::Paths Subtract(const ClipperLib::Paths& a, const ClipperLib::Paths& b)
{
    ClipperLib::Clipper c;
    c.AddPaths(a, ClipperLib::ptSubject, true);
    c.AddPaths(b, ClipperLib::ptClip, true);
    ClipperLib::Paths out;
    c.Execute(ClipperLib::ctDifference, out, ClipperLib::pftNonZero, ClipperLib::pftNonZero);
    return out;
}

double XorBound(const ClipperLib::Paths& a, const ClipperLib::Paths& b, double tol = kTol)
{
    return 2 * tol * (clipperpaths::Perimeter(a) + clipperpaths::Perimeter(b)) + 1e-6;
}

// Clipper's round offset with arcs at chord error tol.
ClipperLib::Paths PeerOffset(const ClipperLib::Paths& in, double d, double tol)
{
    ClipperLib::ClipperOffset off(2.0, tol * clipperpaths::kScale);
    off.AddPaths(in, ClipperLib::jtRound, ClipperLib::etClosedPolygon);
    ClipperLib::Paths out;
    off.Execute(out, d * clipperpaths::kScale);
    return out;
}

// Outer loops and holes of Clipper's tree, slivers thinner than the chord error left out
// (an erosion to about a region's half width leaves specks either side may drop).
clipperpaths::TreeCounts SolidCounts(const ClipperLib::Paths& a)
{
    ClipperLib::Clipper c;
    c.AddPaths(a, ClipperLib::ptSubject, true);
    ClipperLib::PolyTree tree;
    c.Execute(ClipperLib::ctUnion, tree, ClipperLib::pftNonZero, ClipperLib::pftNonZero);
    clipperpaths::TreeCounts n;
    for (ClipperLib::PolyNode* node = tree.GetFirst(); node; node = node->GetNext())
        if (clipperpaths::ModelArea(node->Contour) * (node->IsHole() ? -1 : 1) >
            kTol * clipperpaths::Perimeter(ClipperLib::Paths{node->Contour}))
            (node->IsHole() ? n.holes : n.outers) += 1;
    return n;
}

bool Solid(CSmartLoop* L) { return std::fabs(L->area) / 2 > kTol * ContourLength(L); }

// Level k of type 1 (and of type 2 without islands) against Clipper's round offset of the
// region by (k - 1) steps; type 2 with islands against the outer loop minus the islands
// grown by (k - 1) steps while they stay inside it. Clipper's arcs at chord error tol.
void ExpectLevelsAreClipperOffsets(const Pocket& pk, const std::vector<int>& types, double tol)
{
    const DVN_CornerType corner = Round();
    for (int type : types) {
        const std::string label = pk.name + " type " + std::to_string(type);
        auto root = Copy(pk);
        std::vector<Polygon> islandPolys;
        for (CSmartLoop* i = root->islands; i; i = i->next)
            islandPolys.push_back(Flat(i));
        const ClipperLib::Paths outer = clipperpaths::ToPaths({Flat(root.get())});
        const ClipperLib::Paths islands = clipperpaths::Normalised(clipperpaths::ToPaths(islandPolys), ClipperLib::pftNonZero);
        const ClipperLib::Paths region = Subtract(outer, islands);
        const bool grown = type == 2 && root->islands;
        DVN_CornerType c = corner;
        ASSERT_EQ(root->FollowContour(type, pk.step, c, -1, 100), 1) << label;
        int maxLevel = 0;
        ForAll(root.get(), [&](CSmartLoop* L) { maxLevel = std::max(maxLevel, L->level); });
        ASSERT_GE(maxLevel, 2) << label;
        for (int k = 1; k <= maxLevel + 1; ++k) {
            const std::string at = label + " level " + std::to_string(k);
            const double d = (k - 1) * pk.step;
            ClipperLib::Paths peer, ours;
            clipperpaths::TreeCounts n;
            if (!grown) {
                peer = k == 1 ? region : PeerOffset(region, -d, tol);
                // The holes of a level are handed down into the next level's holes, so
                // they are found by their level anywhere in the tree.
                std::vector<Polygon> polys;
                ForAll(root.get(), [&](CSmartLoop* L) {
                    if (L->level != k)
                        return;
                    if (Solid(L))
                        ++(L->area < 0 ? n.holes : n.outers);
                    polys.push_back(Flat(L));
                });
                ours = clipperpaths::ToPaths(polys);
            } else {
                // The outer boundary kept, the islands grown: compared while they stay inside.
                const ClipperLib::Paths g = k == 1 ? islands : PeerOffset(islands, d, tol);
                if (clipperpaths::ModelArea(Subtract(g, outer)) > 0)
                    break;
                peer = Subtract(outer, g);
                std::vector<Polygon> holes;
                ForAll(root.get(), [&](CSmartLoop* L) {
                    if (L->level == k && L->area < 0) {
                        holes.push_back(Flat(L));
                        n.holes += Solid(L) ? 1 : 0;
                    }
                });
                n.outers = 1;
                ours = Subtract(outer, clipperpaths::Normalised(clipperpaths::ToPaths(holes), ClipperLib::pftNonZero));
            }
            if (k == maxLevel + 1) {
                // The last level ends because nothing a step inside is left (or less than
                // a disc of the step's radius holds).
                EXPECT_LE(clipperpaths::ModelArea(peer), std::numbers::pi * pk.step * pk.step / 2 + XorBound(peer, peer, tol))
                    << at;
                break;
            }
            const double x = clipperpaths::XorArea(ours, ClipperLib::pftEvenOdd, peer, ClipperLib::pftNonZero);
            EXPECT_LE(x, XorBound(ours, peer, tol)) << at;
            const clipperpaths::TreeCounts m = SolidCounts(peer);
            EXPECT_EQ(n.outers, m.outers) << at;
            EXPECT_EQ(n.holes, m.holes) << at;
        }
    }
}

TEST(FollowHierarchy, LevelsAreClipperRoundOffsetsOfTheRegion)
{
    for (const Pocket& pk : followtest::Pockets())
        ExpectLevelsAreClipperOffsets(pk, {1, 2}, kTol);
}

// The coast turns by less than a thousandth of a radian at some vertices: the offset
// copies there leave a gap of about the step times the turn, which at 6 mm kept every
// ring of the main island from closing.
TEST(FollowHierarchy, FjordCoastKeepsEveryRing)
{
    const auto coast = shorelines::Read("iceland_fjords");
    ASSERT_FALSE(coast.empty());
    Pocket pk{"fjord coast", std::unique_ptr<CSmartLoop>(followtest::RegionLoop(Polygon(coast[0].begin(), coast[0].end()), {})), 6};
    // Clipper's arcs at 0.01: at 0.001 its repeated round joins of the 1137 vertices take
    // half a minute.
    ExpectLevelsAreClipperOffsets(pk, {1}, 0.01);
}

TEST(FollowHierarchy, LinksOfEveryLoopAgree)
{
    for (const Pocket& pk : followtest::Pockets())
        for (int type : {0, 1, 2}) {
            const std::string label = pk.name + " type " + std::to_string(type);
            auto root = Copy(pk);
            DVN_CornerType c = Round();
            ASSERT_EQ(root->FollowContour(type, pk.step, c, -1, 100), 1) << label;
            int loops = 0;
            ForAll(root.get(), [&](CSmartLoop* L) {
                ++loops;
                EXPECT_GE(L->level, 1) << label;
                if (type == 2) {
                    EXPECT_TRUE(L->contour && L->contour->head) << label << ": a loop without contour is left";
                }
                for (CSmartLoop* ch = L->children; ch; ch = ch->next) {
                    EXPECT_EQ(ch->parent, L) << label;
                    // Type 2 removes the loops that handed their contour down, and hands a
                    // loop's islands down as offset children of the grown islands around them.
                    if (type == 2 && ch->area > 0) {
                        EXPECT_GT(ch->level, L->level) << label;
                    } else if (type == 2) {
                        EXPECT_LT(ch->level, L->level) << label;
                    } else if (ch->area > 0 && L->area > 0) {
                        EXPECT_EQ(ch->level, L->level + 1) << label;
                    }
                    EXPECT_TRUE(ch->next == nullptr || ch->next->prev == ch) << label;
                }
                for (CSmartLoop* i = L->islands; i; i = i->next) {
                    EXPECT_EQ(i->parent, L) << label;
                    EXPECT_LT(i->area, 0) << label;
                }
            });
            EXPECT_GT(loops, 2) << label;
        }
}

TEST(FollowHierarchy, RowsOfThePocketingRules)
{
    DVN_CornerType corner = Round();
    auto children = [](CSmartLoop* L) {
        int n = 0;
        for (CSmartLoop* c = L->children; c; c = c->next)
            ++n;
        return n;
    };
    // A strip 0.6 wide: a step of 0.5 leaves nothing; below 50 percent one more offset at
    // half the step is tried, which leaves a strip 0.1 wide.
    for (const auto& row : {std::pair{40.0, 1}, std::pair{60.0, 0}}) {
        std::unique_ptr<CSmartLoop> strip(followtest::RegionLoop({{0, 0}, {10, 0}, {10, 0.6}, {0, 0.6}}, {}));
        EXPECT_EQ(strip->FollowContour(1, 0.5, corner, -1, row.first), 1);
        EXPECT_EQ(children(strip.get()), row.second) << "percentage " << row.first;
        if (CSmartLoop* c = strip->children) {
            EXPECT_NEAR(c->box[0][1], 0.25, 1e-9);
            EXPECT_NEAR(c->box[1][1], 0.35, 1e-9);
            EXPECT_EQ(children(c), 0);
        }
    }
    // Level limit 2: one ring.
    std::unique_ptr<CSmartLoop> square(followtest::RegionLoop({{0, 0}, {10, 0}, {10, 10}, {0, 10}}, {}));
    EXPECT_EQ(square->FollowContour(0, 1, corner, 2, 100), 1);
    ASSERT_EQ(children(square.get()), 1);
    EXPECT_EQ(square->children->level, 2);
    EXPECT_EQ(children(square->children), 0);
    // Numbering: a 4-section loop with two 3-section islands.
    std::unique_ptr<CSmartLoop> plate(followtest::RegionLoop({{0, 0}, {30, 0}, {30, 20}, {0, 20}},
                                                             {{{5, 5}, {9, 5}, {7, 9}}, {{20, 5}, {24, 5}, {22, 9}}}));
    EXPECT_EQ(plate->FollowContour(0, 1, corner, 1, 100), 1);
    std::vector<int> index;
    for (CSmartLoop* L = plate.get(); L; L = L == plate.get() ? plate->islands : L->next)
        for (CSmartSect* s = L->contour->head; s; s = s->next) {
            index.push_back(s->index);
            EXPECT_EQ(s->mark, follow::kMarkBoundary);
            EXPECT_EQ(s->source, nullptr);
        }
    EXPECT_EQ(index, (std::vector<int>{1, 2, 3, 4, -101, -102, -103, -204, -205, -206}));
    EXPECT_EQ(plate->children, nullptr);
    // Type 2 keeps the outer contour at level 1; the deeper loops that handed theirs down are
    // gone, so the outer boundary comes back only in the last offsets.
    std::unique_ptr<CSmartLoop> ring(followtest::PerforatedPlate());
    EXPECT_EQ(ring->FollowContour(2, 1, corner, -1, 100), 1);
    ASSERT_TRUE(ring->contour);
    for (CSmartLoop* c = ring->children; c; c = c->next) {
        EXPECT_TRUE(c->contour);
        EXPECT_GT(c->level, 2);
    }
}

TEST(FollowHierarchy, StepsThatCannotShrinkBuildNothing)
{
    const double bad[] = {0, -1, 1e-7, std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()};
    for (double step : bad) {
        std::unique_ptr<CSmartLoop> sq(followtest::RegionLoop({{0, 0}, {10, 0}, {10, 10}, {0, 10}}, {}));
        DVN_CornerType corner = Round();
        EXPECT_EQ(sq->FollowContour(0, step, corner, -1, 40), 0) << step;
        EXPECT_EQ(sq->children, nullptr) << step;
        EXPECT_EQ(sq->FollowPath(1, step, corner), nullptr) << step;
        DVN_CutFollowDef def;
        def.type = 2;
        def.step = step;
        DVN_OrderType order;
        CPathCombine out(1);
        EXPECT_EQ(sq->CreateFollowPath(out, def, corner, order), 0) << step;
        EXPECT_EQ(out.head, nullptr) << step;
    }
}

TEST(FollowConnect, ConnectPointRows)
{
    CSmartLoop L;
    const double a[2] = {0, 0}, b[2] = {10, 0};
    struct Row {
        const char* label;
        double p[2];
        double out[2];
        std::uint8_t mark;
        int points;
    } rows[] = {
        {"foot", {3, 2}, {3, 0}, 0, 1},
        {"foot within 0.001 of the start", {0.00005, 1}, {0, 0}, follow::kMarkAtStart, 0},
        {"foot within 0.001 of the end", {9.99995, -1}, {10, 0}, follow::kMarkAtEnd, 0},
        {"before the start", {-3, 1}, {0, 0}, follow::kMarkAtStart, 0},
        {"beyond the end", {13, 1}, {10, 0}, follow::kMarkAtEnd, 0},
    };
    for (const Row& r : rows) {
        CSmartLine s(a, b);
        double out[2];
        EXPECT_EQ(L.CreateConnectPoint(&s, r.p, out), 1) << r.label;
        EXPECT_NEAR(out[0], r.out[0], 1e-12) << r.label;
        EXPECT_NEAR(out[1], r.out[1], 1e-12) << r.label;
        EXPECT_EQ(s.mark, r.mark) << r.label;
        EXPECT_EQ(s.points ? s.points->count : 0, r.points) << r.label;
    }
    // Arcs: the point at the same angle, unless within 0.001 of an end.
    const double centre[2] = {0, 0};
    for (const auto& row : {std::pair{0.6, true}, std::pair{0.0001, false}}) {
        CSmartArc arc(centre, 5, 0, std::numbers::pi / 2);
        const double angle = row.first * std::numbers::pi / 2;
        const double p[2] = {8 * std::cos(angle), 8 * std::sin(angle)};
        double out[2];
        EXPECT_EQ(L.CreateConnectPoint(&arc, p, out), 1);
        if (row.second) {
            EXPECT_NEAR(out[0], 5 * std::cos(angle), 1e-9);
            EXPECT_NEAR(out[1], 5 * std::sin(angle), 1e-9);
            EXPECT_EQ(arc.points ? arc.points->count : 0, 1);
            EXPECT_EQ(arc.mark, 0);
        } else {
            EXPECT_NEAR(out[0], 5, 1e-9);
            EXPECT_NEAR(out[1], 0, 1e-9);
            EXPECT_EQ(arc.mark, follow::kMarkAtStart);
        }
    }
    double out[2];
    EXPECT_EQ(L.CreateConnectPoint(nullptr, a, out), 0);
}

// The loops a connection point of L may lie on besides L itself.
std::vector<CSmartLoop*> Neighbours(CSmartLoop* L)
{
    std::vector<CSmartLoop*> v;
    if (L->parent) {
        v.push_back(L->parent);
        for (CSmartLoop* c = L->parent->children; c; c = c->next)
            v.push_back(c);
        for (CSmartLoop* i = L->parent->islands; i; i = i->next)
            v.push_back(i);
    }
    for (CSmartLoop* c = L->children; c; c = c->next)
        v.push_back(c);
    for (CSmartLoop* i = L->islands; i; i = i->next)
        v.push_back(i);
    return v;
}

TEST(FollowConnect, ConnectionPointsLieOnTheLoopsTheyJoin)
{
    for (const Pocket& pk : followtest::Pockets())
        for (int type : {0, 1, 2})
            for (int flags : {0, 4}) {
                const std::string label = pk.name + " type " + std::to_string(type) + " flags " + std::to_string(flags);
                auto root = Copy(pk);
                DVN_CornerType c = Round();
                root->FollowContour(type, pk.step, c, -1, 100);
                root->ConnectFollowPath(type, flags);
                int joined = 0, unset = 0;
                ForAll(root.get(), [&](CSmartLoop* L) {
                    if (L->connectA[0] == smart::kUnsetConnect)
                        return;
                    EXPECT_LE(L->MinDistPoint(L->connectA), 1e-6) << label;
                    if (L->connectB[0] == follow::kNoSource) {
                        ++unset;
                        return;
                    }
                    double d = 1e300;
                    for (CSmartLoop* M : Neighbours(L))
                        d = std::min(d, M->MinDistPoint(L->connectB));
                    EXPECT_LE(d, 1e-6) << label;
                    ++joined;
                });
                EXPECT_GT(joined, 0) << label;
                // Only type 0 clips island copies into its offsets: their sections have no
                // source on the parent.
                if (type == 1) {
                    EXPECT_EQ(unset, 0) << label;
                }
            }
}

// The distance of p from the nearest contour of the tree below root.
double TreeDist(CSmartLoop* root, const double* p)
{
    double d = 1e300;
    ForAll(root, [&](CSmartLoop* L) { d = std::min(d, L->MinDistPoint(p)); });
    return d;
}

TEST(FollowConnect, OtherStrategiesJoinLoopsOfTheTree)
{
    for (const Pocket& pk : followtest::Pockets()) {
        DVN_CornerType c = Round();
        // Children joined to the parent's section of the same index.
        auto root = Copy(pk);
        root->FollowContour(0, pk.step, c, -1, 100);
        EXPECT_EQ(root->ConnectFollowChild(), 1);
        ForChildren(root.get(), [&](CSmartLoop* L) {
            if (!L->parent || L->connectA[0] == smart::kUnsetConnect)
                return;
            EXPECT_LE(L->MinDistPoint(L->connectA), 1e-6) << pk.name;
            EXPECT_LE(L->parent->MinDistPoint(L->connectB), 1e-6) << pk.name;
        });
        // Islands joined to the nearest contour and made offset children.
        root = Copy(pk);
        root->FollowContour(0, pk.step, c, -1, 100);
        const bool hadIslands = root->islands;
        root->ConnectFollowIsland();
        EXPECT_EQ(root->islands, nullptr) << pk.name;
        int islands = 0;
        ForChildren(root.get(), [&](CSmartLoop* L) {
            if (L->area >= 0 || L->connectA[0] == smart::kUnsetConnect)
                return;
            ++islands;
            EXPECT_LE(L->MinDistPoint(L->connectA), 1e-6) << pk.name;
            EXPECT_LE(TreeDist(root.get(), L->connectB), 1e-6) << pk.name;
        });
        EXPECT_EQ(islands > 0, hadIslands) << pk.name;
        // Type 2's grown islands joined to the sections grown from them.
        root = Copy(pk);
        root->FollowContour(2, pk.step, c, -1, 100);
        root->ConnectOuterIsland();
        for (CSmartLoop* L = root->islands; L; L = L->next) {
            EXPECT_TRUE(L->tag == -1 || L->tag == 1) << pk.name;
            EXPECT_LE(TreeDist(root.get(), L->connectA), 1e-6) << pk.name;
            if (L->tag == -1) {
                EXPECT_LE(L->MinDistPoint(L->connectA), 1e-6) << pk.name;
                EXPECT_LE(TreeDist(root.get(), L->connectB), 1e-6) << pk.name;
            }
        }
    }
}

// Checks the curves against the hierarchy they consumed: every offset loop cut, once, with
// all its sections emitted; links inside the region; no curve starting with a link
// unless flags bit 13; copies marked 0x40 exactly under flags bit 6; curves continuous.
void ExpectCurvesConsumeTheHierarchy(CSmartLoop* root, CSmartCurve* curves, const cuttest::Boundary& region, int type,
                                     int flags, const std::string& label)
{
    double hierarchy = 0;
    int loops = 0;
    ForAll(root, [&](CSmartLoop* L) {
        if (!(L->flags & follow::kLoopDone) || !L->contour)
            return;
        ++loops;
        hierarchy += ContourLength(L);
        for (CSmartSect* s = L->contour->head; s; s = s->next)
            EXPECT_EQ(s->number, follow::kEmitted) << label;
    });
    // Type 0 cuts the islands of the first loop that has any (copies of them are clipped
    // into every level).
    CSmartLoop* islandHolder = nullptr;
    ForChildren(root, [&](CSmartLoop* L) {
        if (!islandHolder && L->islands)
            islandHolder = L;
    });
    ForAll(root, [&](CSmartLoop* L) {
        if (!L->contour || !L->contour->head)
            return;
        if (L->area < 0 && type == 0 && L->parent != islandHolder)
            return;
        EXPECT_TRUE(L->flags & follow::kLoopDone) << label << ": a loop at level " << L->level << " is not cut";
    });
    double copies = 0;
    for (CSmartCurve* c = curves; c; c = c->next) {
        if (!c->head)
            continue;
        if (!(flags & cutdef::kFollowLeadLink)) {
            EXPECT_FALSE(c->head->mark & follow::kMarkLink) << label << ": a curve starts with a link";
        }
        for (CSmartSect* s = c->head; s; s = s->next) {
            if (s->next) {
                double e[2], b[2];
                s->GetPoint(1, e);
                s->next->GetPoint(0, b);
                EXPECT_LE(std::hypot(e[0] - b[0], e[1] - b[1]), 1e-6) << label << ": a jump at " << e[0] << ", " << e[1];
            }
            if (s->mark & follow::kMarkLink) {
                for (int i = 0; i <= 10; ++i) {
                    double p[2];
                    s->GetPoint(i / 10.0, p);
                    EXPECT_LE(cuttest::RegionDist(region, {p[0], p[1]}), 1e-6) << label << ": a link leaves the region";
                }
                continue;
            }
            copies += s->GetLength();
            const bool marked = s->mark & follow::kMarkCopy;
            EXPECT_EQ(marked, (flags & cutdef::kFollowMarkCopies) && !(s->mark & follow::kMarkBoundary)) << label;
        }
    }
    EXPECT_GT(loops, 1) << label;
    if (flags & cutdef::kFollowDebury) {
        EXPECT_GE(copies, hierarchy * (1 - 1e-9)) << label;
    } else {
        EXPECT_NEAR(copies, hierarchy, 1e-9 * hierarchy) << label;
    }
}

// The hierarchy of the region by the type, connected and extracted into curves, which
// are checked against it.
void ExpectCurvesOf(CSmartLoop& pocket, double step, int type, int flags, const std::string& label)
{
    const cuttest::Boundary region = cuttest::LoopBoundary(pocket);
    std::unique_ptr<CSmartLoop> root(pocket.CopyContour());
    DVN_CornerType c = Round();
    root->FollowContour(type, step, c, -1, 100);
    root->ConnectFollowPath(type, flags);
    CSmartCurve* curves = follow::FollowCurves(*root, type, flags);
    ExpectCurvesConsumeTheHierarchy(root.get(), curves, region, type, flags, label);
    while (curves) {
        CSmartCurve* n = curves->next;
        delete curves;
        curves = n;
    }
}

TEST(FollowExtract, CurvesCutEveryLoopOnce)
{
    const int flagRows[] = {0,
                            cutdef::kFollowReverse,
                            cutdef::kFollowResume,
                            cutdef::kFollowResume | cutdef::kFollowReverse,
                            cutdef::kFollowDebury,
                            cutdef::kFollowDebury | cutdef::kFollowResume,
                            cutdef::kFollowMarkCopies,
                            cutdef::kFollowLeadLink,
                            cutdef::kFollowLeadLink | cutdef::kFollowResume};
    for (const Pocket& pk : followtest::Pockets())
        for (int type : {0, 1, 2})
            for (int flags : flagRows)
                ExpectCurvesOf(*pk.loop, pk.step, type, flags,
                               pk.name + " type " + std::to_string(type) + " flags " + std::to_string(flags));
}

TEST(FollowExtract, FjordCoastCurvesCutEveryLoopOnce)
{
    const auto coast = shorelines::Read("iceland_fjords");
    ASSERT_FALSE(coast.empty());
    std::unique_ptr<CSmartLoop> land(followtest::RegionLoop(Polygon(coast[0].begin(), coast[0].end()), {}));
    for (int type : {0, 1})
        for (int flags : {0, 4})
            ExpectCurvesOf(*land, 6, type, flags, "fjord coast type " + std::to_string(type) + " flags " + std::to_string(flags));
}

// The path of one pocket: CreateFollowPath for type 0 (what it builds), else the type's
// hierarchy extracted with the given flags.
std::unique_ptr<CPathCombine> FollowPath(CSmartLoop& region, int type, double step, std::uint32_t flags = 0,
                                         int direction = 1)
{
    auto out = std::make_unique<CPathCombine>(1);
    DVN_CutFollowDef def;
    def.type = type;
    def.flags = flags;
    def.step = step;
    DVN_CornerType corner = Round();
    DVN_OrderType order;
    order.direction = direction;
    if (type == 0) {
        EXPECT_EQ(region.CreateFollowPath(*out, def, corner, order), 1);
        EXPECT_EQ(def.type, 0);
        return out;
    }
    std::unique_ptr<CSmartLoop> root(region.CopyContour());
    root->FollowContour(def, corner, -1);
    EXPECT_EQ(root->ExtractFollowPath(*out, def, order), 1);
    return out;
}

TEST(FollowPaths, NoGougeAndNothingUncutByRingsAStepApart)
{
    for (const Pocket& pk : followtest::Pockets()) {
        const cuttest::Boundary region = cuttest::LoopBoundary(*pk.loop);
        for (int type : {0, 1, 2}) {
            const std::string label = pk.name + " type " + std::to_string(type);
            const auto out = FollowPath(*pk.loop, type, pk.step);
            const auto pts = cuttest::SamplePath(*out, pk.step / 5);
            ASSERT_FALSE(pts.empty()) << label;
            // Boundary arcs within the chord tolerance are written as one chord.
            const auto gouges = cuttest::Gouges(region, pts, pathc::kArcChordTol + 1e-6);
            EXPECT_TRUE(gouges.empty()) << label << " gouges at " << gouges.front()[0] << ", " << gouges.front()[1];
            // A tool of radius one step: the rings are a step apart, so every point lies
            // within half a step of one (plus the sampling's tenth of a step).
            const double raster = pk.step / 3;
            const auto uncut = cuttest::Uncut(region, pts, pk.step, raster, pk.step / 10 + 1e-3);
            if (type != 0) {
                EXPECT_TRUE(uncut.empty()) << label << " uncut at " << uncut.front()[0] << ", " << uncut.front()[1];
            } else if (!uncut.empty()) {
                // Type 0 clips the islands into every ring without growing them; measured only.
                std::cout << label << ": " << uncut.size() << " raster points uncut (" << uncut.size() * raster * raster
                          << " mm2)\n";
            }
        }
    }
}

TEST(FollowPaths, CreateFollowPathLeavesTheCallersRecord)
{
    std::unique_ptr<CSmartLoop> plate(followtest::PerforatedPlate());
    DVN_CutFollowDef def;
    def.type = 2;
    def.flags = cutdef::kFollowResume;
    def.step = 1;
    def.percentage = 40;
    DVN_CornerType corner = Round();
    DVN_OrderType order;
    CPathCombine first(1), second(1);
    EXPECT_EQ(plate->CreateFollowPath(first, def, corner, order), 1);
    EXPECT_EQ(def.type, 2);
    EXPECT_EQ(def.flags, cutdef::kFollowResume);
    EXPECT_EQ(def.step, 1);
    EXPECT_EQ(def.percentage, 40);
    // The region itself is untouched: a second run gives the same path.
    EXPECT_EQ(plate->children, nullptr);
    EXPECT_EQ(plate->CreateFollowPath(second, def, corner, order), 1);
    const auto a = cuttest::SamplePath(first, 0.5), b = cuttest::SamplePath(second, 0.5);
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i)
        ASSERT_EQ(a[i], b[i]) << i;
}

// Twice the signed area of the path's samples taken as one polygon: concentric rings cut
// the same way dominate it, the links between them add little.
double PathSense(const CPathCombine& out)
{
    const auto pts = cuttest::SamplePath(out, 0.05);
    double a = 0;
    for (std::size_t i = 0; i < pts.size(); ++i) {
        const auto& p = pts[i];
        const auto& q = pts[(i + 1) % pts.size()];
        a += p[0] * q[1] - q[0] * p[1];
    }
    return a;
}

TEST(FollowPaths, CuttingSenseFollowsTheOrderAndFlagsBits0And2)
{
    for (int type : {0, 1, 2})
        for (int direction : {0, 1})
            for (std::uint32_t flags : {0u, 1u, 4u, 5u, 16u, 17u}) {
                std::unique_ptr<CSmartLoop> square(followtest::RegionLoop({{0, 0}, {10, 0}, {10, 10}, {0, 10}}, {}));
                const auto out = FollowPath(*square, type, 1, flags, direction);
                const bool bit0 = flags & 1, bit2 = flags & 4, debury = flags & 16;
                // The tree is reversed before extraction, the curves at emission.
                const bool treeReversed = type == 1 || debury ? direction == 0 : (direction == 0) == bit2;
                const bool curvesReversed = !debury && bit0 != bit2;
                const bool ccw = treeReversed == curvesReversed;
                EXPECT_EQ(PathSense(*out) > 0, ccw)
                    << "type " << type << " direction " << direction << " flags " << flags;
            }
}

// Distance from the island, radius 2.5 about (10, 10).
double IslandDist(const double* p) { return std::fabs(std::hypot(p[0] - 10, p[1] - 10) - 2.5); }

// Whether the path's first (or last) run of joined entities passes over the island.
bool UnitTouchesIsland(const CPathCombine& c, bool last)
{
    std::vector<CPathEntity*> run;
    for (CPathEntity* e = c.head; e; e = e->next) {
        double a[3], b[3];
        e->GetEndPoint(0, a);
        if (!run.empty()) {
            run.back()->GetEndPoint(1, b);
            if (std::hypot(a[0] - b[0], a[1] - b[1]) > 1e-3) {
                if (!last)
                    break;
                run.clear();
            }
        }
        run.push_back(e);
    }
    for (CPathEntity* e : run)
        for (int i = 0; i <= 20; ++i) {
            const auto q = pathtest::Sample(*e, i / 20.0);
            const double p[2] = {q[0], q[1]};
            if (IslandDist(p) < 1e-6)
                return true;
        }
    return false;
}

TEST(FollowPaths, EmissionOrderRows)
{
    // A square with a round island: the island's curves are made last.
    auto pocket = [] {
        offsettest::Pocket k;
        k.outer = {{0, 0}, {20, 0}, {20, 20}, {0, 20}};
        k.circles.push_back({{10, 10}, 2.5});
        return std::unique_ptr<CSmartLoop>(offsettest::PocketLoop(k));
    };
    const struct {
        int type;
        std::uint32_t flags;
        int firstOnIsland;  // -1: not checked (type 0 rings run along the island's copies)
        bool lastOnIsland;
    } rows[] = {
        // In creation order: the island's own curve comes last.
        {0, 0, -1, true},
        // Reversed, last made first, but type 0 sets its island curves aside to the end.
        {0, cutdef::kFollowResume, -1, true},
        // Type 1 cuts the offsets, innermost first, then the grown rings into the island.
        {1, 0, 0, true},
        // Reversed, last made first: the rings and the island come first.
        {1, cutdef::kFollowResume, 1, false},
    };
    for (const auto& r : rows) {
        auto L = pocket();
        const auto out = FollowPath(*L, r.type, 1, r.flags);
        ASSERT_TRUE(out->head);
        if (r.firstOnIsland >= 0) {
            EXPECT_EQ(UnitTouchesIsland(*out, false), r.firstOnIsland == 1) << "type " << r.type << " flags " << r.flags;
        }
        double p[3];
        out->tail->GetEndPoint(1, p);
        EXPECT_EQ(IslandDist(p) < 1e-6, r.lastOnIsland) << "type " << r.type << " flags " << r.flags;
    }
}

TEST(FollowPaths, SimplerExtractorsCutEveryOffset)
{
    for (const Pocket& pk : followtest::Pockets()) {
        const cuttest::Boundary region = cuttest::LoopBoundary(*pk.loop);
        double total = 0;
        auto build = [&] {
            std::unique_ptr<CSmartLoop> root(pk.loop->CopyContour());
            DVN_CornerType c = Round();
            root->FollowContour(1, pk.step, c, -1, 100);
            total = 0;
            ForChildren(root.get(), [&](CSmartLoop* L) { total += ContourLength(L); });
            return root;
        };
        // ExtractAllChild and ExtractAllCurve join their loops by straight lines to the
        // nearest section start, which may cross islands and bays: only LoopToSect is held
        // to the region.
        auto check = [&](const CPathCombine& out, const std::string& what) {
            const auto pts = cuttest::SamplePath(out, pk.step / 5);
            const auto gouges = cuttest::Gouges(region, pts, pathc::kArcChordTol + 1e-6);
            if (what == "LoopToSect") {
                EXPECT_TRUE(gouges.empty()) << pk.name << " " << what;
            }
            double length = 0;
            for (CPathEntity* e = out.head; e; e = e->next)
                length += e->GetLength();
            EXPECT_GE(length, total * (1 - 1e-3)) << pk.name << " " << what;
        };
        {
            auto root = build();
            CPathCombine out(1);
            EXPECT_EQ(root->LoopToSect(out, 1), 1);
            ForChildren(root.get(), [&](CSmartLoop* L) { EXPECT_TRUE(L->flags & follow::kLoopDone) << pk.name; });
            check(out, "LoopToSect");
        }
        {
            auto root = build();
            root->ConnectAllChild();
            CPathCombine out(1);
            EXPECT_EQ(root->ExtractAllChild(out, 0), 1);
            ForChildren(root.get(), [&](CSmartLoop* L) { EXPECT_TRUE(L->flags & follow::kLoopDone) << pk.name; });
            check(out, "ExtractAllChild");
        }
        {
            auto root = build();
            CPathCombine out(1);
            double pt[3] = {0, 0, 0}, scratch[3];
            EXPECT_EQ(root->ExtractAllCurve(out, pt, scratch), 1);
            EXPECT_EQ(root->children, nullptr) << pk.name;
            check(out, "ExtractAllCurve");
        }
    }
}

TEST(FollowPaths, DatabaseGroupSamplesTheSamePath)
{
    for (const Pocket& pk : followtest::Pockets()) {
        auto combine = FollowPath(*pk.loop, 0, pk.step).release();
        const auto pts = cuttest::SamplePath(*combine, pk.step / 5);
        CPathGroup group(pathc::kGroupKind);
        PathGroupAppend(0, &group, combine);
        std::unique_ptr<CDbPathGroup> db(PathGroupToDbPathGroup(&group));
        ASSERT_TRUE(db) << pk.name;
        std::vector<pathtest::P3> chain;
        std::size_t units = 0;
        for (POSITION pos = db->m_listUnit.GetHeadPosition(); pos; ++units) {
            std::unique_ptr<CGePolyline3d> pl(db->m_listUnit.GetNext(pos)->GetCurve()->ToPLine(1e-4));
            ASSERT_TRUE(pl) << pk.name;
            for (int i = 0; i < pl->GetCount(); ++i)
                chain.push_back({pl->GetCtrlPt()[i][0], pl->GetCtrlPt()[i][1], pl->GetCtrlPt()[i][2]});
            chain.push_back({std::nan(""), std::nan(""), std::nan("")});
        }
        EXPECT_GE(units, 1u) << pk.name;
        // Every sample of the combine lies on a unit (the units are the same entities).
        double worst = 0;
        for (std::size_t i = 0; i < pts.size(); i += 7) {
            double d = 1e300;
            for (std::size_t j = 0; j + 1 < chain.size(); ++j) {
                if (std::isnan(chain[j][0]) || std::isnan(chain[j + 1][0]))
                    continue;
                d = std::min(d, cuttest::SegDist({chain[j][0], chain[j][1]}, {chain[j + 1][0], chain[j + 1][1]}, pts[i]));
            }
            worst = std::max(worst, d);
        }
        EXPECT_LE(worst, pathc::kArcChordTol + 1e-4) << pk.name;
    }
}

}  // namespace
