// Closed contours of one level from the grid loops of the protection net and the exact Z
// section: records of a loop, capture of the segments (indexed against the plain scan),
// saddles and notches on hand-made nets, and whole levels against exact waterlines.
#include "toolpath/milling/GridLoop.h"
#include "toolpath/milling/IntCurveSet.h"
#include "toolpath/milling/IntLineSet.h"
#include "toolpath/milling/LevelLoop.h"
#include "toolpath/milling/ProtectNet.h"
#include "testing/StlReader.h"
#include "toolpath/milling/tests/CentreFixtures.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace {

using millkit::TriMesh;
using milltest::Build;
using milltest::Built;
using Pt = std::array<double, 2>;
using Seg = std::array<double, 4>;

std::vector<Pt> Points(const SIntCurve& c)
{
    std::vector<Pt> out;
    for (const SCurvePoint* p = c.first; p; p = p->next)
        out.push_back({p->u, p->v});
    return out;
}

std::vector<Seg> Segments(const CIntLineSet& set)
{
    std::vector<Seg> out;
    for (const SIntSegment* s = set.head; s; s = s->next)
        out.push_back({s->a[0], s->a[1], s->b[0], s->b[1]});
    return out;
}

double DistToPolyline(const std::vector<Pt>& pl, const double* p)
{
    double best = 1e300;
    for (size_t i = 0; i + 1 < pl.size(); ++i)
        best = std::min(best, PointSegmentDistance(p, pl[i].data(), pl[i + 1].data()));
    return best;
}

// Twice the signed area (shoelace).
double Area(const std::vector<Pt>& pl)
{
    double a = 0;
    for (size_t i = 0; i + 1 < pl.size(); ++i)
        a += pl[i][0] * pl[i + 1][1] - pl[i + 1][0] * pl[i][1];
    return a;
}

// Points every 0.01 along a closed polyline.
std::vector<Pt> Dense(const std::vector<Pt>& pl)
{
    std::vector<Pt> out;
    for (size_t i = 0; i + 1 < pl.size(); ++i) {
        const double len = std::hypot(pl[i + 1][0] - pl[i][0], pl[i + 1][1] - pl[i][1]);
        const int n = std::max(1, int(len / 0.01));
        for (int k = 0; k < n; ++k)
            out.push_back({pl[i][0] + (pl[i + 1][0] - pl[i][0]) * k / n, pl[i][1] + (pl[i + 1][1] - pl[i][1]) * k / n});
    }
    return out;
}

// Hausdorff distance of two closed polylines, by dense sampling of both.
double Hausdorff(const std::vector<Pt>& a, const std::vector<Pt>& b)
{
    double worst = 0;
    for (const Pt& p : Dense(a))
        worst = std::max(worst, DistToPolyline(b, p.data()));
    for (const Pt& p : Dense(b))
        worst = std::max(worst, DistToPolyline(a, p.data()));
    return worst;
}

bool Closed(const std::vector<Pt>& pl)
{
    return pl.size() >= 4 && pl.front() == pl.back();
}

// A net over [0, 12] x [0, 12] with step 1 (columns and rows at -2, -1, ..., 14): the nodes
// for which inside(x, y) holds stand at 10, the others at 0.
struct HandNet {
    CProtectNet net;
    explicit HandNet(const std::function<bool(double, double)>& inside)
    {
        const double box[6] = {0, 0, 0, 12, 12, 1};
        EXPECT_EQ(ProtectNetCreate(1, 0, 0, box, net), 1);
        for (int i = 0; i < net.rows; ++i)
            for (int j = 0; j < net.columns; ++j)
                net.At(i, j) = inside(net.columnX[size_t(j)], net.rowY[size_t(i)]) ? 10 : 0;
    }
};

bool InSquare(double x, double y, double x0, double y0, double x1, double y1)
{
    return x >= x0 - 1e-9 && x <= x1 + 1e-9 && y >= y0 - 1e-9 && y <= y1 + 1e-9;
}

// A closed polyline through the corners, each side cut into pieces of about piece.
std::vector<Pt> Outline(const std::vector<Pt>& corners, double piece = 0.1)
{
    std::vector<Pt> out;
    for (size_t i = 0; i < corners.size(); ++i) {
        const Pt& a = corners[i];
        const Pt& b = corners[(i + 1) % corners.size()];
        const int n = std::max(1, int(std::hypot(b[0] - a[0], b[1] - a[1]) / piece + 0.5));
        for (int k = 0; k < n; ++k)
            out.push_back({a[0] + (b[0] - a[0]) * k / n, a[1] + (b[1] - a[1]) * k / n});
    }
    out.push_back(out.front());
    return out;
}

void AddOutline(CIntLineSet& set, const std::vector<Pt>& pl)
{
    for (size_t i = 0; i + 1 < pl.size(); ++i)
        LineSetAddSegment(set, pl[i].data(), pl[i + 1].data(), nullptr);
}

std::vector<std::vector<Pt>> Contours(CProtectNet& net, double z, CIntLineSet& set)
{
    CIntCurveSet out;
    LevelLoopCurves(net, z, 0.01, set, out);
    std::vector<std::vector<Pt>> res;
    for (const SIntCurve* c = out.first; c; c = c->next)
        res.push_back(Points(*c));
    return res;
}

TEST(LevelLoop, SquareRegionGivesFourStripsFourCornersAndItsSection)
{
    HandNet h([](double x, double y) { return InSquare(x, y, 3, 3, 7, 6); });
    std::vector<SGridLoop> loops;
    std::vector<SGridSaddle> saddles;
    NetLevelLoops(h.net, 5, loops, saddles);
    ASSERT_EQ(loops.size(), 1u);
    SLevelRecords recs;
    LevelLoopRecords(recs, h.net.step, h.net.columnX.data(), h.net.rowY.data(), loops[0]);
    // Along the loop: strips and corners alternate; every cell lies outside the square's
    // nodes, on the +v side of its frame, and the cells tile the ring round the square.
    int strips = 0, corners = 0;
    double area = 0;
    for (SLevelRecord* r = recs.first; r; r = r->next) {
        (r->kind == levelloop::kStrip ? strips : corners) += 1;
        EXPECT_EQ(r->kind == levelloop::kStrip, (r->next ? r->next : recs.first)->kind != levelloop::kStrip);
        if (r->kind != levelloop::kStrip) {
            EXPECT_EQ(r->kind, levelloop::kCorner);  // no turn of type T on a square
        }
        const double mid[2] = {(r->box[0] + r->box[2]) / 2, (r->box[1] + r->box[3]) / 2};
        EXPECT_FALSE(InSquare(mid[0], mid[1], 3, 3, 7, 6));
        double local[2] = {mid[0], mid[1]};
        RecordFrame(*r, 0, local);
        EXPECT_GT(local[1], 0.4) << r->code;
        RecordFrame(*r, 1, local);
        EXPECT_NEAR(local[0], mid[0], 1e-12);
        EXPECT_NEAR(local[1], mid[1], 1e-12);
        area += (r->box[2] - r->box[0]) * (r->box[3] - r->box[1]);
    }
    EXPECT_EQ(strips, 4);
    EXPECT_EQ(corners, 4);
    EXPECT_NEAR(area, 6 * 5 - 4 * 3, 1e-12);

    // The section runs through the ring of cells: the contour is that section, closed.
    const std::vector<Pt> section = Outline({{2.4, 2.3}, {7.6, 2.3}, {7.7, 6.5}, {2.5, 6.6}});
    CIntLineSet set;
    AddOutline(set, section);
    const auto contours = Contours(h.net, 5, set);
    ASSERT_EQ(contours.size(), 1u);
    EXPECT_TRUE(Closed(contours[0]));
    EXPECT_LE(Hausdorff(contours[0], section), 0.011);
    EXPECT_EQ(set.count, 0);  // every segment was taken
}

TEST(LevelLoop, CaptureTakesWholeSegmentsAndSplitsCrossingOnes)
{
    SLevelRecord rec;
    rec.box[0] = 1, rec.box[1] = 2, rec.box[2] = 2, rec.box[3] = 3;
    struct Row {
        const char* name;
        Seg seg;
        std::vector<Seg> taken, kept;
    };
    const std::vector<Row> rows = {
        {"inside", {1.2, 2.2, 1.8, 2.9}, {{1.2, 2.2, 1.8, 2.9}}, {}},
        {"inside within 0.05", {0.96, 2.5, 2.04, 2.5}, {{0.96, 2.5, 2.04, 2.5}}, {}},
        {"through two sides", {0.5, 2.5, 2.5, 2.5}, {{1, 2.5, 2, 2.5}}, {{0.5, 2.5, 1, 2.5}, {2, 2.5, 2.5, 2.5}}},
        {"reversed, diagonal through two corners", {2.5, 3.5, 0.5, 1.5}, {{2, 3, 1, 2}}, {{2.5, 3.5, 2, 3}, {1, 2, 0.5, 1.5}}},
        {"one crossing, start inside", {1.5, 2.5, 1.5, 3.6}, {{1.5, 2.5, 1.5, 3}}, {{1.5, 3, 1.5, 3.6}}},
        {"one crossing, end inside", {2.7, 2.4, 1.7, 2.4}, {{2, 2.4, 1.7, 2.4}}, {{2.7, 2.4, 2, 2.4}}},
        {"tiny outer part dropped", {0.995, 2.5, 2.5, 2.5}, {{1, 2.5, 2, 2.5}}, {{2, 2.5, 2.5, 2.5}}},
        {"along a side", {0.5, 2, 2.5, 2}, {{1, 2, 2, 2}}, {{0.5, 2, 1, 2}, {2, 2, 2.5, 2}}},
        {"passing by", {0.5, 3.5, 2.5, 3.5}, {}, {{0.5, 3.5, 2.5, 3.5}}},
    };
    for (const Row& row : rows) {
        CIntLineSet set;
        LineSetAddSegment(set, &row.seg[0], &row.seg[2], nullptr);
        LineSetClear(rec.segments);
        CaptureSegment(rec, set, set.head);
        const auto near = [](const std::vector<Seg>& got, const std::vector<Seg>& want) {
            if (got.size() != want.size())
                return false;
            for (size_t i = 0; i < got.size(); ++i)
                for (int k = 0; k < 4; ++k)
                    if (std::fabs(got[i][size_t(k)] - want[i][size_t(k)]) > 1e-12)
                        return false;
            return true;
        };
        EXPECT_TRUE(near(Segments(rec.segments), row.taken)) << row.name;
        EXPECT_TRUE(near(Segments(set), row.kept)) << row.name;
    }
}

TEST(LevelLoop, SaddleGivesTwoContoursSharingItsCell)
{
    // Two squares of nodes meeting only at the corner cell [5, 6] x [5, 6].
    HandNet h([](double x, double y) { return InSquare(x, y, 3, 3, 5, 5) || InSquare(x, y, 6, 6, 8, 8); });
    const std::vector<Pt> a = Outline({{2.5, 2.5}, {5.4, 2.5}, {5.4, 5.4}, {2.5, 5.4}});
    const std::vector<Pt> b = Outline({{5.6, 5.6}, {8.5, 5.6}, {8.5, 8.5}, {5.6, 8.5}});
    CIntLineSet set;
    AddOutline(set, a);
    AddOutline(set, b);
    std::vector<SGridLoop> loops;
    std::vector<SGridSaddle> saddles;
    NetLevelLoops(h.net, 5, loops, saddles);
    ASSERT_EQ(saddles.size(), 1u);
    EXPECT_TRUE(saddles[0].split);
    // Each loop's corner at the saddle cell is found, and is the record whose frame turns
    // round so that its envelope is taken from its own region's side.
    ASSERT_EQ(loops.size(), 2u);
    for (const SGridLoop& loop : loops) {
        SLevelRecords recs;
        LevelLoopRecords(recs, h.net.step, h.net.columnX.data(), h.net.rowY.data(), loop);
        SLevelRecord* r = FindSaddleRecord(recs, saddles[0]);
        ASSERT_TRUE(r);
        EXPECT_EQ(std::vector<double>(r->box, r->box + 4), (std::vector<double>{5, 5, 6, 6}));
        const int code = r->code;
        std::vector<SGridSaddle> copy = saddles;
        SaddleSegments(recs, copy);
        EXPECT_TRUE(r->mirrored);
        EXPECT_EQ(r->code, (std::vector<int>{1, 0, 3, 2, 7, 6, 5, 4})[size_t(code)]);
    }
    const auto contours = Contours(h.net, 5, set);
    ASSERT_EQ(contours.size(), 2u);
    for (const auto& c : contours) {
        EXPECT_TRUE(Closed(c));
        const std::vector<Pt>& want = c[0][0] < 5.5 ? a : b;
        EXPECT_LE(Hausdorff(c, want), 0.011);
    }
}

TEST(LevelLoop, RingClosedAtACornerGivesOuterAndHoleContoursSharingTheSaddle)
{
    // A ring whose top right corner is a diagonal band 0.5 wide: the node at (8, 8) lies
    // outside it, the one at (7, 7) in the hole, so the cell [7, 8] x [7, 8] is a saddle with
    // the outer contour's chamfer and the hole's corner in it.
    const std::vector<Pt> outer = Outline({{2.5, 2.5}, {8.5, 2.5}, {8.5, 7.2}, {7.2, 8.5}, {2.5, 8.5}});
    std::vector<Pt> hole = Outline({{3.5, 3.5}, {3.5, 7.5}, {7.5, 7.5}, {7.5, 3.5}});
    const auto inside = [](double x, double y) {
        const bool inOuter = InSquare(x, y, 2.5, 2.5, 8.5, 8.5) && x + y <= 15.7;
        return inOuter && !InSquare(x, y, 3.5, 3.5, 7.5, 7.5);
    };
    HandNet h(inside);
    CIntLineSet set;
    AddOutline(set, outer);
    AddOutline(set, hole);
    std::vector<SGridLoop> loops;
    std::vector<SGridSaddle> saddles;
    NetLevelLoops(h.net, 5, loops, saddles);
    ASSERT_EQ(saddles.size(), 1u);
    EXPECT_FALSE(saddles[0].split);
    const auto contours = Contours(h.net, 5, set);
    ASSERT_EQ(contours.size(), 2u);
    for (const auto& c : contours) {
        EXPECT_TRUE(Closed(c));
        const std::vector<Pt>& want = std::fabs(Area(c)) > 40 ? outer : hole;
        EXPECT_LE(Hausdorff(c, want), 0.011);
    }
    EXPECT_LT(Area(contours[0]) * Area(contours[1]), 0);
}

TEST(LevelLoop, NotchNarrowerThanACellKeepsTheOutermostSection)
{
    HandNet h([](double x, double y) { return InSquare(x, y, 3, 3, 7, 6); });
    // A finger 0.4 deep running back under the bottom side from a mouth 0.15 wide: in the
    // bottom strip's frame its walls lie under the side, and the mouth is narrower than a
    // piece's thinning leaves.
    // Every side is one segment, cut only by the cells.
    const std::vector<Pt> notched = Outline({{2.5, 2.5}, {4.6, 2.5}, {4.0, 2.9}, {4.15, 2.9}, {4.75, 2.5}, {7.5, 2.5},
                                             {7.5, 6.5}, {2.5, 6.5}},
                                            10);
    const std::vector<Pt> outer = Outline({{2.5, 2.5}, {7.5, 2.5}, {7.5, 6.5}, {2.5, 6.5}});
    CIntLineSet set;
    AddOutline(set, notched);
    const auto contours = Contours(h.net, 5, set);
    ASSERT_EQ(contours.size(), 1u);
    EXPECT_TRUE(Closed(contours[0]));
    EXPECT_LE(Hausdorff(contours[0], outer), 0.011);
}

// Levels of real models against their exact waterlines (closed polylines): the contour
// nearest in enclosed area to each exact curve lies within tol of it (Hausdorff) and is
// closed; the outermost turns the other way from the others (an outer contour and holes).
void CheckLevel(const std::string& label, CMillCenter& m, CProtectNet& net, double z,
                std::vector<std::vector<Pt>> exact, double tol)
{
    CIntLineSet set;
    set.plane = z;
    m.GenSameZLineSet(net, set);
    m.SetIntMinZ();
    const auto contours = Contours(net, z, set);
    ASSERT_EQ(contours.size(), exact.size()) << label << " z " << z;
    std::sort(exact.begin(), exact.end(), [](const auto& a, const auto& b) { return std::fabs(Area(a)) < std::fabs(Area(b)); });
    std::vector<double> signs;
    for (const auto& want : exact) {
        const std::vector<Pt>* best = nullptr;
        for (const auto& c : contours)
            if (!best || std::fabs(std::fabs(Area(c)) - std::fabs(Area(want))) <
                             std::fabs(std::fabs(Area(*best)) - std::fabs(Area(want))))
                best = &c;
        EXPECT_TRUE(Closed(*best)) << label << " z " << z;
        const double d = Hausdorff(*best, want);
        EXPECT_LE(d, tol) << label << " z " << z;
        signs.push_back(Area(*best) > 0 ? 1 : -1);
    }
    for (size_t i = 0; i + 1 < signs.size(); ++i)
        EXPECT_EQ(signs[i], -signs.back()) << label << " z " << z;
}

std::vector<Pt> Circle(double cx, double cy, double r)
{
    std::vector<Pt> c;
    for (int k = 0; k <= 720; ++k)
        c.push_back({cx + r * std::cos(k * M_PI / 360), cy + r * std::sin(k * M_PI / 360)});
    return c;
}

// The rectangle [x0, x1] x [y0, y1] offset by r: sides and quarter circles.
std::vector<Pt> OffsetRectangle(double x0, double y0, double x1, double y1, double r)
{
    std::vector<Pt> c;
    const Pt corners[4] = {{x1, y0}, {x1, y1}, {x0, y1}, {x0, y0}};
    for (int k = 0; k < 4; ++k)
        for (int i = 0; i <= 90; ++i) {
            const double a = (k * 90 - 90 + i) * M_PI / 180;
            c.push_back({corners[k][0] + r * std::cos(a), corners[k][1] + r * std::sin(a)});
        }
    c.push_back(c.front());
    return c;
}

std::unique_ptr<CProtectNet> FilledNet(CMillCenter& m)
{
    auto net = std::make_unique<CProtectNet>();
    EXPECT_EQ(ProtectNetCreate(0.5, 0, 0, m.box, *net), 1);
    EXPECT_EQ(ProtectNetFill(*net, &m), 1);
    return net;
}

// The contour thinning (0.01 for the pieces, 0.01 for the loop) plus the chord error of the
// meshes' facets at the waterline.
TEST(LevelLoop, LevelsMatchExactWaterlines)
{
    CTBall ball(2);
    CTCylindrical flat(2);
    ball.SetAidParam(), flat.SetAidParam();
    const double thin = 0.02;
    {
        // Hemisphere of radius 4 on a plate: a disc of radius sqrt(25 - (z + 1)^2) above z;
        // nothing above the top.
        Built b = Build({millkit::HemisphereOnPlate(4, 7, 96)}, &ball);
        ASSERT_TRUE(b.model);
        auto net = FilledNet(*b.model);
        const double tol = thin + 5 * (1 - std::cos(M_PI / 96));
        for (double z : {0.3, 1.5, 2.9, 3.7})
            CheckLevel("hemisphere", *b.model, *net, z, {Circle(0, 0, std::sqrt(25 - (z + 1) * (z + 1)))}, tol);
        CheckLevel("above the hemisphere", *b.model, *net, 4.2, {}, tol);
    }
    {
        const double Rs = 5, zc = 1;
        Built b = Build({millkit::SphereMesh({0.5, -0.25, zc}, Rs, 96)}, &flat);
        ASSERT_TRUE(b.model);
        auto net = FilledNet(*b.model);
        const double tol = thin + 6 * (1 - std::cos(M_PI / 96));
        for (double z : {5.5, 2.0, 0.5})
            CheckLevel("flat on a sphere", *b.model, *net, z,
                       {Circle(0.5, -0.25, 1 + (z > zc ? std::sqrt(Rs * Rs - (z - zc) * (z - zc)) : Rs))}, tol);
    }
    {
        // A torus under the ball: an outer contour and a hole.
        const double big = 6, small = 2;
        Built b = Build({millkit::TorusMesh({0, 0, 0}, big, small, 96, 48)}, &ball);
        ASSERT_TRUE(b.model);
        auto net = FilledNet(*b.model);
        const double tol = thin + 9 * (1 - std::cos(M_PI / 96)) + 3 * (1 - std::cos(M_PI / 48));
        for (double z : {1.5, 0.5, -0.5}) {
            const double w = std::sqrt((small + 1) * (small + 1) - (z + 1) * (z + 1));
            CheckLevel("torus", *b.model, *net, z, {Circle(0, 0, big - w), Circle(0, 0, big + w)}, tol);
        }
    }
    {
        // A box of six face meshes: below its top the ball's waterline is the box's outline
        // offset by the radius; above the top there is none.
        Built b = Build(milltest::BoxFaces(), &ball);
        ASSERT_TRUE(b.model);
        auto net = FilledNet(*b.model);
        for (double z : {0.2, 0.7})
            CheckLevel("box of faces", *b.model, *net, z, {OffsetRectangle(0, 0, 4, 3, 1)}, thin);
        CheckLevel("above the box", *b.model, *net, 2.1, {}, thin);
    }
}

// A level against the exact drop of the meshes (brute force): near every contour point the
// drop passes the level (it lies above z at one and below at another of the point and eight
// points tol round it), and every crossing of the level found by bisection between the
// samples of a grid of spacing h over box lies within missTol (else tol) of a contour.
void CheckAgainstDrop(const std::string& label, const std::vector<TriMesh>& meshes, CTool& tool, double z,
                      const double* box, double tol, double h = 0.25, double missTol = 0)
{
    Built b = Build(meshes, &tool);
    ASSERT_TRUE(b.model) << label;
    auto net = FilledNet(*b.model);
    CIntLineSet set;
    set.plane = z;
    b.model->GenSameZLineSet(*net, set);
    const auto contours = Contours(*net, z, set);
    ASSERT_FALSE(contours.empty()) << label;
    const auto above = [&](double x, double y) {
        double top = -1e12;
        for (const TriMesh& m : meshes)
            top = std::max(top, millkit::BruteForceDrop(tool, m, x, y).z);
        return top > z;
    };
    int far = 0;
    double worstMiss = 0;
    for (const auto& c : contours) {
        EXPECT_TRUE(Closed(c)) << label;
        for (size_t i = 0; i + 1 < c.size(); ++i) {
            const Pt& p = c[i];
            const bool mid = above(p[0], p[1]);
            bool straddles = false;
            for (int k = 0; k < 8 && !straddles; ++k)
                straddles = above(p[0] + tol * std::cos(k * M_PI / 4), p[1] + tol * std::sin(k * M_PI / 4)) != mid;
            far += !straddles;
        }
    }
    const int nx = int((box[2] - box[0]) / h) + 1, ny = int((box[3] - box[1]) / h) + 1;
    std::vector<char> up(size_t(nx) * size_t(ny));
    for (int j = 0; j < ny; ++j)
        for (int i = 0; i < nx; ++i)
            up[size_t(j) * size_t(nx) + size_t(i)] = above(box[0] + i * h, box[1] + j * h);
    for (int j = 0; j < ny; ++j)
        for (int i = 0; i < nx; ++i)
            for (const auto& [di, dj] : {std::pair{1, 0}, {0, 1}}) {
                if (i + di >= nx || j + dj >= ny)
                    continue;
                const bool u0 = up[size_t(j) * size_t(nx) + size_t(i)], u1 = up[size_t(j + dj) * size_t(nx) + size_t(i + di)];
                if (u0 == u1)
                    continue;
                double lo = 0, hi = h;  // from the sample above towards the one below
                const double sx = box[0] + (u0 ? i : i + di) * h, sy = box[1] + (u0 ? j : j + dj) * h;
                const double dx = u0 ? di : -di, dy = u0 ? dj : -dj;
                for (int it = 0; it < 24; ++it) {
                    const double m = (lo + hi) / 2;
                    (above(sx + m * dx, sy + m * dy) ? lo : hi) = m;
                }
                const double w[2] = {sx + lo * dx, sy + lo * dy};
                double d = 1e300;
                for (const auto& c : contours)
                    d = std::min(d, DistToPolyline(c, w));
                worstMiss = std::max(worstMiss, d);
            }
    EXPECT_EQ(far, 0) << label << ": contour points farther than tol from the waterline";
    EXPECT_LE(worstMiss, missTol > 0 ? missTol : tol) << label;
}

TEST(LevelLoop, TerrainAndCreasedRidgeFollowTheExactDrop)
{
    CTBall ball(2);
    ball.SetAidParam();
    const TriMesh terrain = milltest::RoundToFloat(
        millkit::TerrainMesh([](double x, double y) { return std::sin(x * 0.7) * std::cos(y * 0.5) * 2; }, -5, -5, 10, 16));
    const double around[4] = {-7, -7, 7, 7};
    // On the terrain the model itself lies up to 0.031 under the exact drop beside the convex
    // edges between facets, where no edge surface covers the gap; at the shallow slopes of
    // z = -0.6 that puts the section (and the contour on it) up to 0.065 from the waterline.
    CheckAgainstDrop("terrain z 0.4", {terrain}, ball, 0.4, around, 0.05);
    CheckAgainstDrop("terrain z -0.6", {terrain}, ball, -0.6, around, 0.07);
    // Two planes meeting at a 90-degree crease along X, open at both ends.
    const TriMesh ridge = milltest::RoundToFloat(millkit::RidgeMesh(-5, 5, 2, 3));
    CheckAgainstDrop("creased ridge", {ridge}, ball, 0.8, around, 0.05);
    TriMesh wuson;
    std::string error;
    ASSERT_TRUE(millkit::ReadStl("/usr/share/assimp/models/STL/Wuson.stl", wuson, &error)) << error;
    for (auto& v : wuson.vertices)
        v = {40 * v[0], 40 * v[2], 40 * v[1]};
    double zr[2] = {1e300, -1e300}, xy[4] = {1e300, 1e300, -1e300, -1e300};
    for (const auto& v : wuson.vertices) {
        zr[0] = std::min(zr[0], v[2]), zr[1] = std::max(zr[1], v[2]);
        xy[0] = std::min(xy[0], v[0] - 3), xy[1] = std::min(xy[1], v[1] - 3);
        xy[2] = std::max(xy[2], v[0] + 3), xy[3] = std::max(xy[3], v[1] + 3);
    }
    // A scanned figure with cliffs, a third and 0.6 of its height up. Where the region has a
    // notch of one node, the corners beside it hold inner wall sections that meet each other;
    // the contour keeps to the outline there. What remains is the model's own discretisation
    // on the cliffs (the section up to 0.07 inside the drop), as on the terrain.
    for (double f : {0.3, 0.6})
        CheckAgainstDrop("Wuson.stl at " + std::to_string(f), {milltest::RoundToFloat(wuson)}, ball,
                         zr[0] + f * (zr[1] - zr[0]), xy, 0.07, 2.0, 0.05);
}

TEST(LevelLoop, IndexedCaptureEqualsThePlainScan)
{
    CTBall ball(2);
    ball.SetAidParam();
    Built b = Build({millkit::TorusMesh({0.3, -0.2, 0}, 6, 2, 64, 32)}, &ball);
    ASSERT_TRUE(b.model);
    CProtectNet net;
    ASSERT_EQ(ProtectNetCreate(0.5, 0, 0, b.model->box, net), 1);
    ASSERT_EQ(ProtectNetFill(net, b.model.get()), 1);
    for (double z : {1.2, 0.1, -0.7}) {
        CIntLineSet plain, indexed;
        plain.plane = indexed.plane = z;
        b.model->GenSameZLineSet(net, plain);
        b.model->SetIntMinZ();
        b.model->GenSameZLineSet(net, indexed);
        b.model->SetIntMinZ();
        ASSERT_GT(plain.count, 100);
        std::vector<SGridLoop> loops;
        std::vector<SGridSaddle> saddles;
        NetLevelLoops(net, z, loops, saddles);
        ASSERT_EQ(loops.size(), 2u);
        CSegmentGrid grid(indexed, net.step);
        for (const SGridLoop& loop : loops) {
            SLevelRecords rp, ri;
            LevelLoopRecords(rp, net.step, net.columnX.data(), net.rowY.data(), loop);
            LevelLoopRecords(ri, net.step, net.columnX.data(), net.rowY.data(), loop);
            // The plain scan: every record, corners first, meets every remaining segment.
            const double m = 0.05 * net.step;
            for (int pass = 0; pass < 2; ++pass)
                for (SLevelRecord* r = rp.first; r; r = r->next) {
                    if ((r->kind != levelloop::kStrip) != (pass == 0))
                        continue;
                    for (SIntSegment* s = plain.head; s;) {
                        SIntSegment* next = s->next;
                        if (s->box[0] <= r->box[2] + m && s->box[2] >= r->box[0] - m && s->box[1] <= r->box[3] + m &&
                            s->box[3] >= r->box[1] - m)
                            CaptureSegment(*r, plain, s);
                        s = next;
                    }
                }
            CaptureSegments(ri, indexed, &grid);
            int taken = 0;
            for (SLevelRecord *p = rp.first, *q = ri.first; p && q; p = p->next, q = q->next) {
                EXPECT_EQ(Segments(p->segments), Segments(q->segments)) << "z " << z;
                taken += p->segments.count;
            }
            EXPECT_GT(taken, 50);
            EXPECT_EQ(Segments(plain), Segments(indexed)) << "z " << z;
        }
    }
}

}  // namespace
