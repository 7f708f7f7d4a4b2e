// Sections, drops and move checks of the tool-centre model, and the protection net that
// rejects buried section segments: against exact waterlines, the brute-force drop and the
// model's brute-force envelope; the indexed searches against plain scans.
#include "toolpath/contours/PathEntity.h"
#include "toolpath/contours/PathGroup.h"
#include "toolpath/contours/SmartLoop.h"
#include "toolpath/contours/SmartSect.h"
#include "toolpath/milling/IntLineSet.h"
#include "toolpath/milling/MillSection.h"
#include "toolpath/milling/ProtectNet.h"
#include "toolpath/milling/tests/CentreFixtures.h"
#include "toolpath/milling/tests/MillFixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <random>
#include <vector>

namespace {

using millkit::TriMesh;
using milltest::Build;
using milltest::Built;

std::unique_ptr<CProtectNet> FilledNet(CMillCenter& m, double step)
{
    auto net = std::make_unique<CProtectNet>();
    EXPECT_EQ(ProtectNetCreate(step, 0, 0, m.box, *net), 1);
    EXPECT_EQ(ProtectNetFill(*net, &m), 1);
    return net;
}

std::vector<std::array<double, 4>> Segments(const CIntLineSet& set)
{
    std::vector<std::array<double, 4>> out;
    for (const SIntSegment* s = set.head; s; s = s->next)
        out.push_back({s->a[0], s->a[1], s->b[0], s->b[1]});
    return out;
}

double DistToSegments(const std::vector<std::array<double, 4>>& segs, const double* p)
{
    double best = 1e300;
    for (const auto& s : segs)
        best = std::min(best, PointSegmentDistance(p, &s[0], &s[2]));
    return best;
}

TEST(ProtectNet, CreateCountsPositionsAndFailures)
{
    struct Row {
        double step, margin, box[6];
        int ok, columns, rows;
        double x0, y0, h0;
    } rows[] = {
        // m = 2 step + margin; columns = ceil((dx + 2m)/step + 1).
        {0.5, 0, {0, 0, 1, 10, 4, 3}, 1, 25, 13, -1, -1, 1 - 1 - 5},
        {0.5, 1, {0, 0, 1, 10, 4, 3}, 1, 29, 17, -2, -2, 1 - 2 - 5},
        {0.3, 0, {-1, 2, 0, 1, 2.1, 0}, 1, 12, 6, -1.6, 1.4, -0.6 - 5},
        {0.0001, -0.0002, {0, 0, 0, 0, 0, 0}, 0, 0, 0, 0, 0, 0},  // grown box thinner than 1e-6
        {0, 0, {0, 0, 0, 1, 1, 1}, 0, 0, 0, 0, 0, 0},              // no step
        {-0.5, 0, {0, 0, 0, 1, 1, 1}, 0, 0, 0, 0, 0, 0},
        {NAN, 0, {0, 0, 0, 1, 1, 1}, 0, 0, 0, 0, 0, 0},
    };
    for (const Row& r : rows) {
        CProtectNet net;
        ASSERT_EQ(ProtectNetCreate(r.step, r.margin, 0, r.box, net), r.ok) << r.step;
        if (!r.ok) {
            EXPECT_EQ(net.rows * net.columns, 0);
            continue;
        }
        EXPECT_EQ(net.columns, r.columns);
        EXPECT_EQ(net.rows, r.rows);
        EXPECT_DOUBLE_EQ(net.columnX[0], r.x0);
        EXPECT_DOUBLE_EQ(net.rowY[0], r.y0);
        EXPECT_NEAR(net.columnX.back(), r.x0 + (r.columns - 1) * r.step, 1e-12);
        for (double h : net.heights)
            ASSERT_DOUBLE_EQ(h, r.h0);
    }
    // A 1000 mm model at 0.02 would need 2.5e9 nodes: the step grows to fit the cap.
    CProtectNet big;
    const double box[6] = {0, 0, 0, 1000, 1000, 50};
    ASSERT_EQ(ProtectNetCreate(0.02, 0, 0, box, big), 1);
    EXPECT_LE(double(big.rows) * big.columns, protectnet::kMaxNodes);
    EXPECT_GT(double(big.rows) * big.columns, protectnet::kMaxNodes / 4);
    EXPECT_GT(big.step, 0.02);
    EXPECT_NEAR(big.columnX[1] - big.columnX[0], big.step, 1e-9);
    EXPECT_GE(big.columnX.back(), 1000);
    EXPECT_GE(big.rowY.back(), 1000);
    // A box no finite step can cover within the cap fails instead of looping.
    const double huge[6] = {-1e300, -1e300, 0, 1e300, 1e300, 1};
    EXPECT_EQ(ProtectNetCreate(0.5, 0, 0, huge, big), 0);
    EXPECT_EQ(big.rows * big.columns, 0);
}

TEST(ProtectNet, FillFollowsTheModelsEnvelope)
{
    CTBall ball(2);
    ball.SetAidParam();
    const std::vector<TriMesh> cases[] = {
        {millkit::HemisphereOnPlate(4, 7, 32)},
        {millkit::TorusMesh({0, 0, 0}, 6, 2, 32, 16)},
        {millkit::RidgeMesh(-3, 3, 2, 2)},
    };
    for (const auto& meshes : cases) {
        Built b = Build(meshes, &ball);
        ASSERT_TRUE(b.model);
        auto net = FilledNet(*b.model, 0.23);
        const double floor = b.model->box[2] - 2 * 0.23 - 5;
        double worst = 0;
        int reached = 0;
        for (int i = 0; i < net->rows; ++i)
            for (int j = 0; j < net->columns; ++j) {
                const double top = milltest::ModelTop(*b.model, net->columnX[size_t(j)], net->rowY[size_t(i)]);
                const double h = net->At(i, j);
                if (top <= -1e11) {
                    EXPECT_EQ(h, floor) << i << " " << j;
                    continue;
                }
                ++reached;
                // Tube cells are slightly twisted quads: rows of a quad and its two triangles
                // differ by a hair.
                worst = std::max(worst, std::fabs(std::max(h, floor) - std::max(top, floor)));
            }
        EXPECT_GT(reached, net->rows * net->columns / 4);
        EXPECT_LT(worst, 0.01);
    }
}

TEST(ProtectNet, MinAndCellHeights)
{
    CProtectNet net;
    const double box[6] = {0, 0, 0, 10, 10, 1};
    ASSERT_EQ(ProtectNetCreate(1, 0, 0, box, net), 1);  // nodes at -2 .. 12
    for (int i = 0; i < net.rows; ++i)
        for (int j = 0; j < net.columns; ++j)
            net.At(i, j) = net.columnX[size_t(j)] + 100 * net.rowY[size_t(i)];
    struct Row {
        double box[4];
        double want;
    } mins[] = {
        {{3, 4, 5, 6}, 1 + 100 * 2},       // grown by two cells
        {{3.5, 4.5, 3.6, 4.6}, 2 + 100 * 3},  // no node inside: the grown range still holds some
        {{-50, -50, -40, -40}, 1e12},       // off the grid
        {{-100, -100, 100, 100}, -2 - 200},
    };
    for (const Row& r : mins)
        EXPECT_DOUBLE_EQ(ProtectNetMinHeight(r.box, net), r.want) << r.box[0];
    struct Cell {
        double p[2];
        double want;
    } cells[] = {
        {{3.5, 4.5}, 3 + 400},
        {{-1.5, 4.5}, -1e12},   // column 0: not an interior cell
        {{-0.5, 4.5}, -1 + 400},
        {{11.5, 4.5}, 11 + 400},  // last interior cell
        {{12.5, 4.5}, -1e12},
        {{10.5, 10.5}, 10 + 1000},
        {{4, -30}, -1e12},
    };
    for (const Cell& c : cells)
        EXPECT_DOUBLE_EQ(ProtectNetCellHeight(c.p, net), c.want) << c.p[0] << " " << c.p[1];
    ProtectNetFree(net);
    EXPECT_EQ(ProtectNetMinHeight(mins[0].box, net), 1e12);
    EXPECT_EQ(ProtectNetCellHeight(cells[0].p, net), -1e12);
}

TEST(MillSection, FacetSections)
{
    const std::vector<Pnt3> pts = {{0, 0, 1}, {2, 0, 1}, {0, 2, 1}, {0, 0, 0}, {2, 0, 2}, {0, 2, 3}, {1, 1, 5}};
    struct Row {
        const char* what;
        std::vector<int> idx;
        double z;
        std::vector<std::array<double, 2>> want;
    } rows[] = {
        {"level facet at the plane: its first edge", {0, 1, 2}, 1, {{0, 2}, {0, 0}}},
        {"level facet a hair below", {0, 1, 2}, 1.00005, {{0, 2}, {0, 0}}},
        {"level facet below", {0, 1, 2}, 1.001, {}},
        {"slanted crossing", {3, 4, 5}, 1.5, {{0, 1}, {1.5, 0}}},
        {"touch at a vertex", {0, 1, 6}, 5, {{1, 1}}},
        {"through a vertex: one point there", {3, 4, 5}, 2, {{0, 4.0 / 3}, {2, 0}}},
    };
    for (const Row& r : rows) {
        double out[4][2];
        const int n = ZSectionFacet(pts.data(), r.idx.data(), int(r.idx.size()), out, r.z);
        ASSERT_EQ(n, int(r.want.size())) << r.what;
        for (int i = 0; i < n; ++i) {
            EXPECT_NEAR(out[i][0], r.want[size_t(i)][0], 1e-12) << r.what;
            EXPECT_NEAR(out[i][1], r.want[size_t(i)][1], 1e-12) << r.what;
        }
    }
    // Y plane: points (x, z).
    const int tri[3] = {3, 4, 5};
    double out[4][2];
    ASSERT_EQ(YSectionFacet(pts.data(), tri, 3, out, 1), 2);
    EXPECT_NEAR(out[0][0], 0, 1e-12);
    EXPECT_NEAR(out[0][1], 1.5, 1e-12);
    EXPECT_NEAR(out[1][0], 1, 1e-12);
    EXPECT_NEAR(out[1][1], 2.5, 1e-12);
    // Drops along the line y = p.y.
    double z = 0;
    // The facet lies in the plane z = x + 1.5 y; its chord at y = 0.5 runs from x = 0 to 1.5.
    const double in[2] = {0.5, 0.5}, edge[2] = {1.505, 0.5}, outside[2] = {1.6, 0.5};
    EXPECT_EQ(FacetDropPoint(pts.data(), tri, 3, in, &z), 1);
    EXPECT_NEAR(z, 0.5 + 0.75, 1e-12);
    EXPECT_EQ(FacetDropPoint(pts.data(), tri, 3, edge, &z), 1);  // within 0.01 of the chord's end
    EXPECT_NEAR(z, 2.25, 1e-12);
    EXPECT_EQ(FacetDropPoint(pts.data(), tri, 3, outside, &z), 0);
}

TEST(MillSection, HeightOrderFindsWhatAPlainFilterFinds)
{
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> at(-10, 10), len(0, 1), rare(0, 15);
    for (int round = 0; round < 20; ++round) {
        const int n = 50 + 100 * round;
        std::vector<double> lo, hi;
        for (int i = 0; i < n; ++i) {
            lo.push_back(at(rng));
            hi.push_back(lo.back() + (i % 37 == 0 ? rare(rng) : len(rng)));
        }
        SHeightOrder order;
        order.Build(lo.data(), hi.data(), size_t(n));
        std::vector<int> got;
        for (int k = 0; k < 30; ++k) {
            const double z = k == 0 ? lo[3] : at(rng);
            order.Find(z, 0.0001, lo.data(), hi.data(), got);
            std::vector<int> want;
            for (int i = 0; i < n; ++i)
                if (lo[size_t(i)] <= z + 0.0001 && hi[size_t(i)] >= z - 0.0001)
                    want.push_back(i);
            ASSERT_EQ(got, want) << round << " " << z;
        }
    }
}

// The plain section: every facet, cell and vertex of the model visited in model order.
void PlainZSection(CMillCenter& m, const CProtectNet& net, CIntLineSet& set)
{
    const double z = set.plane;
    const auto accept = [&](const double* a, const double* b) {
        const double box[4] = {std::min(a[0], b[0]), std::min(a[1], b[1]), std::max(a[0], b[0]), std::max(a[1], b[1])};
        return ProtectNetMinHeight(box, net) < z + 5.1;
    };
    const auto offer = [&](double (*p)[2], int n, CIntLineSet* side) {
        if (n == 2) {
            if (accept(p[0], p[1]))
                LineSetAddSegment(set, p[0], p[1], nullptr);
            return 0;
        }
        int k = 0;
        for (int i = 0; i < n; ++i)
            for (int j = i + 1; j < n; ++j)
                if (accept(p[i], p[j]))
                    LineSetAddSegment(set, p[i], p[j], side), ++k;
        return k;
    };
    for (SOffsetSurf* s = m.offsets; s; s = s->next) {
        if (s->box[5] - s->box[2] < 0.01 || s->box[2] > z + 0.0001 || s->box[5] < z - 0.0001)
            continue;
        CIntLineSet side;
        double p[4][2];
        for (const SCentreTri& t : s->tris)
            offer(p, ZSectionFacet(s->pts.data(), t.v, 3, p, z), &side);
        for (const SCentreQuad& q : s->quads)
            offer(p, ZSectionFacet(s->pts.data(), q.v, 4, p, z), &side);
        if (side.count >= 2) {
            LinkSegments(0.0001, side);
            while (side.head)
                LineSetAppend(set, LineSetUnlink(side, side.head));
        }
    }
    for (SEdgeSurf* s = m.edges; s; s = s->next) {
        if (s->rows < 2 || s->box[5] - 0.0001 < z)
            continue;
        if (z > s->box[2] + 0.0001) {
            for (int i = 0; i + 1 < s->rows; ++i)
                for (int j = 0; j < 14; ++j) {
                    const int c[4] = {i * 15 + j, i * 15 + j + 1, i * 15 + j + 16, i * 15 + j + 15};
                    double p[4][2];
                    offer(p, ZSectionFacet(s->grid.data(), c, 4, p, z), nullptr);
                }
        } else if (z > s->floorZ) {
            int k = 0;
            for (int i = 0; i + 1 < s->rows; ++i)
                for (int col : {0, 14}) {
                    double p[2][2] = {{s->At(i, col)[0], s->At(i, col)[1]}, {s->At(i + 1, col)[0], s->At(i + 1, col)[1]}};
                    if (accept(p[0], p[1]))
                        LineSetAddSegment(set, p[0], p[1], nullptr), ++k;
                }
            if (k == 0)
                s->floorZ = z;
        }
    }
    const double r = m.tool->GetDia() / 2.0;
    for (size_t i = 0; i < m.vertices.v.size(); ++i) {
        if (m.vertices.floorZ[i] - 0.0001 < z)
            continue;
        const Pnt3& v = m.vertices.v[i];
        const double h = v[2] - z;
        const double rad = r > h ? m.tool->GetRadiusComp(h, 0) : r;
        if (rad < 0.001)
            continue;
        CSmartArc arc(v.data(), rad, 0, 2 * M_PI);
        double p[40][2];
        const int n = DiscretizeArcSect(p, 40, 0.01, &arc);
        int k = 0;
        for (int j = 0; j < n; ++j)
            if (accept(p[j], p[j + 1]))
                LineSetAddSegment(set, p[j], p[j + 1], nullptr), ++k;
        if (k == 0 && r <= h)
            m.vertices.floorZ[i] = -1e12;
    }
}

// Waterline of the model at z against the exact one: no segment end lies farther than tol
// outside the region it bounds (segments of the pieces under the envelope lie inside),
// every sample of the exact waterline lies within tol of a segment. radii(angle) gives the
// exact waterline about (cx, cy): the rim of a disc, or the two rims of an annulus.
void CheckWaterline(const std::string& label, CMillCenter& m, CProtectNet& net, double z, double cx, double cy,
                    const std::function<std::vector<double>(double)>& radii, double tol)
{
    CIntLineSet set;
    set.plane = z;
    m.GenSameZLineSet(net, set);
    const auto segs = Segments(set);
    // The indexed visit gives what the plain visit of every element gives, in its order.
    CIntLineSet plain;
    plain.plane = z;
    m.SetIntMinZ();
    PlainZSection(m, net, plain);
    m.SetIntMinZ();
    EXPECT_EQ(segs, Segments(plain)) << label << " z " << z;
    ASSERT_FALSE(segs.empty()) << label << " z " << z;
    double worstOut = 0;
    for (const auto& s : segs)
        for (int e = 0; e < 2; ++e) {
            const double x = s[size_t(2 * e)] - cx, y = s[size_t(2 * e + 1)] - cy;
            const double ang = std::atan2(y, x);
            const auto rs = radii(ang);
            // One radius bounds a disc, two an annulus.
            const double r = std::hypot(x, y);
            worstOut = std::max(worstOut, r - rs.back());
            if (rs.size() == 2)
                worstOut = std::max(worstOut, rs.front() - r);
        }
    EXPECT_LE(worstOut, tol) << label << " z " << z;
    double worstMiss = 0;
    for (int k = 0; k < 360; ++k) {
        const double ang = (k + 0.37) * M_PI / 180;
        for (double rad : radii(ang)) {
            const double p[2] = {cx + rad * std::cos(ang), cy + rad * std::sin(ang)};
            worstMiss = std::max(worstMiss, DistToSegments(segs, p));
        }
    }
    EXPECT_LE(worstMiss, tol) << label << " z " << z;
}

TEST(MillSection, ZSectionsMatchExactWaterlines)
{
    const double Rs = 5, zc = 1;
    const TriMesh sphere = millkit::SphereMesh({0.5, -0.25, zc}, Rs, 96);
    CTBall ball(2);
    CTCylindrical flat(2);
    ball.SetAidParam(), flat.SetAidParam();
    // Chords of 3.75 degrees: the offset sphere's facets lie within R (1 - cos 1.875 deg) of it.
    const double tol = 0.01 + 6 * (1 - std::cos(M_PI / 96));
    {
        Built b = Build({sphere}, &ball);
        ASSERT_TRUE(b.model);
        auto net = FilledNet(*b.model, 0.5);
        for (double z : {5.5, 4.0, 2.0, 0.3, -0.5, -3.0}) {
            const double up = z + 1 - zc;
            const double want = up > 0 ? std::sqrt((Rs + 1) * (Rs + 1) - up * up) : Rs + 1;
            CheckWaterline("ball on a sphere", *b.model, *net, z, 0.5, -0.25,
                           [&](double) { return std::vector<double>{want}; }, tol);
        }
    }
    {
        Built b = Build({sphere}, &flat);
        ASSERT_TRUE(b.model);
        auto net = FilledNet(*b.model, 0.5);
        for (double z : {5.5, 4.0, 2.0, 1.3, -0.5}) {
            const double up = z - zc;
            const double want = 1 + (up > 0 ? std::sqrt(Rs * Rs - up * up) : Rs);
            CheckWaterline("flat on a sphere", *b.model, *net, z, 0.5, -0.25,
                           [&](double) { return std::vector<double>{want}; }, tol);
        }
    }
    // A bull tool on the sphere and on a vertical cylinder: the exact waterline by bisection
    // of the exact drop along rays from the axis (180 rays, interpolated between them).
    CTBull bull(2, 0.5);
    bull.SetAidParam();
    const auto rays = [&](const TriMesh& mesh, double cx, double cy, double z, double far) {
        std::vector<double> table(181);
        for (int k = 0; k <= 180; ++k) {
            const double ang = k * M_PI / 90;
            double lo = 0, hi = far;
            for (int it = 0; it < 26; ++it) {
                const double mid = (lo + hi) / 2;
                const double d = millkit::BruteForceDrop(bull, mesh, cx + mid * std::cos(ang), cy + mid * std::sin(ang)).z;
                (d > z ? lo : hi) = mid;
            }
            table[size_t(k)] = lo;
        }
        return [table](double ang) {
            double f = (ang < 0 ? ang + 2 * M_PI : ang) / (M_PI / 90);
            const int k = std::min(179, int(f));
            f -= k;
            return std::vector<double>{table[size_t(k)] * (1 - f) + table[size_t(k) + 1] * f};
        };
    };
    {
        const TriMesh coarse = millkit::SphereMesh({0.5, -0.25, zc}, Rs, 48);
        const TriMesh rounded = milltest::RoundToFloat(coarse);
        Built b = Build({coarse}, &bull);
        ASSERT_TRUE(b.model);
        auto net = FilledNet(*b.model, 0.5);
        for (double z : {5.8, 4.0, 1.5})
            CheckWaterline("bull on a sphere", *b.model, *net, z, 0.5, -0.25, rays(rounded, 0.5, -0.25, z, 8),
                           0.01 + 6 * (1 - std::cos(M_PI / 48)));
    }
    {
        const TriMesh cyl = millkit::VerticalCylinderMesh({0.5, -0.25, 0}, 4, 3, 96);
        const TriMesh rounded = milltest::RoundToFloat(cyl);
        Built b = Build({cyl}, &bull);
        ASSERT_TRUE(b.model);
        auto net = FilledNet(*b.model, 0.5);
        // Within the corner's height, and below it (the full radius).
        for (double z : {2.9, 2.6, 1.0})
            CheckWaterline("bull on a cylinder", *b.model, *net, z, 0.5, -0.25, rays(rounded, 0.5, -0.25, z, 7),
                           0.01 + 5 * (1 - std::cos(M_PI / 96)));
    }
    // A torus under the ball: an outer and an inner waterline.
    {
        const double big = 6, small = 2;
        Built b = Build({millkit::TorusMesh({0, 0, 0}, big, small, 96, 48)}, &ball);
        ASSERT_TRUE(b.model);
        auto net = FilledNet(*b.model, 0.5);
        for (double z : {1.5, 0.5, -0.5}) {
            const double up = z + 1;
            const double w = std::sqrt((small + 1) * (small + 1) - up * up);
            CheckWaterline("ball on a torus", *b.model, *net, z, 0, 0,
                           [&](double) { return std::vector<double>{big - w, big + w}; }, tol + 0.02);
        }
    }
}

TEST(MillSection, ThinSurfacesSkirtsAndFloors)
{
    CTBall ball(2);
    ball.SetAidParam();
    // A level plate: its offset surface is thinner than 0.01 and gives no Z section; the
    // tubes round its rim do.
    Built b = Build({millkit::TerrainMesh([](double, double) { return 0.0; }, -5, -5, 10, 4)}, &ball);
    ASSERT_TRUE(b.model);
    ASSERT_TRUE(b.model->edges);
    auto net = FilledNet(*b.model, 0.5);
    CIntLineSet set;
    set.plane = 0;  // the plate's own height: its facets lie in the plane
    b.model->GenSameZLineSet(*net, set);
    EXPECT_EQ(set.count, 0);
    set.plane = -0.5;
    b.model->GenSameZLineSet(*net, set);
    ASSERT_GT(set.count, 0);
    for (const auto& s : Segments(set))
        for (int e = 0; e < 2; ++e)
            EXPECT_GT(std::max(std::fabs(s[size_t(2 * e)]), std::fabs(s[size_t(2 * e + 1)])), 4 - 1e-9);
    // Under the tubes: their skirts while the net accepts them; once all are buried the
    // floors come up to the plane and lower planes skip the tubes until the reset. (The
    // corner envelopes are left out here: they have floors of their own.)
    b.model->vertices.v.clear();
    b.model->vertices.floorZ.clear();
    int skirts = 0;
    double bottom = 1e300;
    for (const SEdgeSurf* e = b.model->edges; e; e = e->next)
        skirts += 2 * (e->rows - 1), bottom = std::min(bottom, e->box[2]);
    CProtectNet high;
    ASSERT_EQ(ProtectNetCreate(0.5, 0, 0, b.model->box, high), 1);
    std::fill(high.heights.begin(), high.heights.end(), 100.0);
    struct Step {
        double z;
        bool buried, reset;
        int want;
        double floor;
    } steps[] = {
        {bottom - 1, false, false, skirts, -1e12},
        {bottom - 2, true, false, 0, bottom - 2},
        {bottom - 3, false, false, 0, bottom - 2},  // skipped though the net would take them
        {bottom - 1, false, false, skirts, bottom - 2},
        {bottom - 3, false, true, skirts, -1e12},
    };
    for (const Step& st : steps) {
        if (st.reset)
            b.model->SetIntMinZ();
        CIntLineSet under;
        under.plane = st.z;
        b.model->GenSameZLineSet(st.buried ? high : *net, under);
        EXPECT_EQ(under.count, st.want) << st.z;
        for (const SEdgeSurf* e = b.model->edges; e; e = e->next)
            EXPECT_EQ(e->floorZ, st.floor) << st.z;
    }
    b.model->SetIntMinZ();
    for (const SEdgeSurf* e = b.model->edges; e; e = e->next)
        EXPECT_EQ(e->floorZ, -1e12);
}

TEST(MillSection, VertexCirclesAndDrops)
{
    for (const auto& nt : milltest::AllTools(2)) {
        CMillCenter m;
        m.tool = nt.tool.get();
        m.vertices.v = {{1, 2, 3}};
        m.vertices.floorZ = {3};
        CProtectNet open;
        const double box[6] = {-2, -1, 0, 4, 5, 3};
        ASSERT_EQ(ProtectNetCreate(0.5, 0, 0, box, open), 1);
        // Just under the vertex: the tool's radius at that height; far under: its full radius.
        for (double h : {0.05, 0.3, 0.9, 2.5}) {
            CIntLineSet set;
            set.plane = 3 - h;
            m.GenSameZLineSet(open, set);
            const double want = h < 1 ? nt.tool->GetRadiusComp(h, 0) : 1.0;
            if (want < 0.001) {
                EXPECT_EQ(set.count, 0) << nt.name << " " << h;
                continue;
            }
            ASSERT_GT(set.count, 2) << nt.name << " " << h;
            for (const auto& s : Segments(set))
                EXPECT_NEAR(std::hypot(s[0] - 1, s[1] - 2), want, 1e-6) << nt.name << " " << h;
        }
        // A net far above buries the circle: the vertex drops out until the floors are reset.
        CProtectNet high;
        ASSERT_EQ(ProtectNetCreate(0.5, 0, 0, box, high), 1);
        std::fill(high.heights.begin(), high.heights.end(), 100.0);
        CIntLineSet set;
        set.plane = 1;
        m.GenSameZLineSet(high, set);
        EXPECT_EQ(set.count, 0);
        EXPECT_EQ(m.vertices.floorZ[0], -1e12);
        set.plane = 2.9;
        m.GenSameZLineSet(open, set);
        EXPECT_EQ(set.count, 0) << nt.name;
        m.SetIntMinZ();
        m.GenSameZLineSet(open, set);
        EXPECT_GT(set.count, 0) << nt.name;

        // Y section at 0.6 from the vertex: the tool's tip heights along the line, which for
        // the flat end is level over the chord of half-length 0.8 (radius r, not a ball's).
        CIntLineSet ys;
        ys.plane = 2.6;
        m.GenSameYLineSet(open, ys);
        ASSERT_GT(ys.count, 0) << nt.name;
        double lo = 1e300, hi = -1e300;
        for (const auto& sg : Segments(ys))
            for (int e = 0; e < 2; ++e) {
                const double x = sg[size_t(2 * e)], z = sg[size_t(2 * e + 1)];
                lo = std::min(lo, x), hi = std::max(hi, x);
                const double at[3] = {x, 2.6, 0};
                const double want = nt.tool->Zval_VertCC(m.vertices.v[0].data(), at);
                if (want > -1e11) {
                    EXPECT_NEAR(z, want, 1e-6) << nt.name << " x " << x;
                }
            }
        if (nt.name == "flat") {
            EXPECT_EQ(ys.count, 1);
            EXPECT_NEAR(lo, 1 - 0.8, 1e-12);
            EXPECT_NEAR(hi, 1 + 0.8, 1e-12);
        }
        EXPECT_GE(lo, 1 - 0.8 - 1e-6) << nt.name;
        EXPECT_LE(hi, 1 + 0.8 + 1e-6) << nt.name;

        // Drops: the tool's own height inside, at the rim within 0.0001 outside it too.
        const double pane[2][2] = {{-5, -5}, {5, 5}};
        m.DefineMarkedPane(pane, 0.0001);
        const Pnt3 rim = {1.0 + 1 / std::sqrt(2.0), 2.0 + 1 / std::sqrt(2.0), 0};
        const double atRim[3] = {rim[0], rim[1], 0};
        const double rimZ = nt.tool->Zval_VertCC(m.vertices.v[0].data(), atRim);
        struct Row {
            double x, y, want;
        } rows[] = {
            {1.3, 2.1, nt.tool->Zval_VertCC(m.vertices.v[0].data(), std::array<double, 3>{1.3, 2.1, 0}.data())},
            {1 + 1.00005, 2, rimZ},
            {1 + 1.0002, 2, -20},
            {1, 2, 3},
        };
        for (const Row& r : rows) {
            double p[3] = {r.x, r.y, -20};
            m.ProjPntOnMdl(p);
            EXPECT_NEAR(p[2], r.want, 1e-6) << nt.name << " " << r.x;
        }
    }
}

// Highest tip height over (x, y) from the model's drops, marks set round the point.
double Drop(CMillCenter& m, double x, double y)
{
    const double pane[2][2] = {{x, y}, {x, y}};
    m.DefineMarkedPane(pane, 0.0001);
    double p[3] = {x, y, m.box[2] - 10};
    m.ProjPntOnMdl(p);
    return p[2];
}

TEST(MillSection, DropsAndYSectionsFollowTheExactDrop)
{
    const TriMesh mesh = milltest::RoundToFloat(millkit::HemisphereOnPlate(4, 7, 48));
    for (const auto& nt : milltest::AllTools(2)) {
        Built b = Build({mesh}, nt.tool.get());
        ASSERT_TRUE(b.model);
        const double below = nt.name == "taperball" ? 0.05 : 0.035;
        double worstBelow = 0, worstAbove = 0;
        for (int i = 0; i <= 24; ++i)
            for (int j = 0; j <= 24; ++j) {
                const double x = -7.5 + 15 * (i + 0.013) / 24, y = -7.5 + 15 * (j + 0.029) / 24;
                const double want = millkit::BruteForceDrop(*nt.tool, mesh, x, y).z;
                const double got = Drop(*b.model, x, y);
                if (want <= -1e11)
                    continue;
                // A point within 0.01 beyond a facet's chord takes the chord end's height:
                // never above the exact drop somewhere within 0.01.
                double wantHi = want;
                for (int k = 0; k < 8; ++k)
                    wantHi = std::max(wantHi, millkit::BruteForceDrop(*nt.tool, mesh, x + 0.01 * std::cos(k * M_PI / 4),
                                                                      y + 0.01 * std::sin(k * M_PI / 4)).z);
                worstAbove = std::max(worstAbove, got - wantHi);
                // Within the discretisation in z somewhere within it in XY (steep walls).
                double gotHi = got;
                for (int k = 0; k < 8; ++k)
                    gotHi = std::max(gotHi, Drop(*b.model, x + below * std::cos(k * M_PI / 4),
                                                 y + below * std::sin(k * M_PI / 4)));
                worstBelow = std::max(worstBelow, want - gotHi);
            }
        EXPECT_LE(worstAbove, 1e-6) << nt.name;
        EXPECT_LE(worstBelow, below) << nt.name;

        // The Y section's upper profile is the drop along the line.
        auto net = FilledNet(*b.model, 0.5);
        for (double y : {0.3, 2.7}) {
            CIntLineSet set;
            set.plane = y;
            b.model->GenSameYLineSet(*net, set);
            const auto segs = Segments(set);
            ASSERT_FALSE(segs.empty());
            double profBelow = 0, profAbove = 0;
            const auto topAt = [&](double x) {
                double top = -1e12;
                for (const auto& s : segs) {
                    const double lo = std::min(s[0], s[2]), hi = std::max(s[0], s[2]);
                    if (x < lo || x > hi || hi - lo < 1e-12)
                        continue;
                    top = std::max(top, s[1] + (x - s[0]) / (s[2] - s[0]) * (s[3] - s[1]));
                }
                return top;
            };
            for (int k = 0; k <= 200; ++k) {
                const double x = -7.5 + 15 * (k + 0.31) / 200;
                const double top = topAt(x);
                const double want = millkit::BruteForceDrop(*nt.tool, mesh, x, y).z;
                if (want <= -1e11 || top <= -1e11)
                    continue;
                profAbove = std::max(profAbove, top - want);
                // Steep walls: within the discretisation somewhere within it along the line.
                profBelow = std::max(profBelow, want - std::max({top, topAt(x - below), topAt(x + below)}));
            }
            EXPECT_LE(profAbove, 1e-3) << nt.name << " y " << y;
            EXPECT_LE(profBelow, below) << nt.name << " y " << y;
        }
    }
}

std::vector<Pnt3> Points(const CNcPline& string)
{
    std::vector<Pnt3> out;
    POSITION pos = string.GetHeadPosition();
    while (pos) {
        const CNcPoint* p = string.GetNext(pos);
        out.push_back({p->x, p->y, p->z});
    }
    return out;
}

std::unique_ptr<CNcPline> String(const std::vector<Pnt3>& pts)
{
    auto s = std::make_unique<CNcPline>();
    for (const Pnt3& p : pts)
        s->AddTail(p.data());
    return s;
}

// The checked move as a recursion: what the explicit stack must reproduce.
void RecursiveCheck(CMillCenter& m, CNcPline& string, CNcPoint* a, CNcPoint* b, double tol)
{
    const double d = std::hypot(b->x - a->x, b->y - a->y);
    if (d < 0.01)
        return;
    const int k = d <= 1 ? 5 : int(d / 0.2 + 0.5);
    for (int i = 1; i < k; ++i) {
        const double t = double(i) / k;
        double p[3] = {a->x + t * (b->x - a->x), a->y + t * (b->y - a->y), a->z + t * (b->z - a->z)};
        const double line = p[2];
        m.ProjPntOnMdl(p);
        if (p[2] - line > tol) {
            auto* n = new CNcPoint(p[0], p[1], p[2]);
            n->contact = 0;
            string.InsertBefore(n, b);
            RecursiveCheck(m, string, a, n, tol);
            RecursiveCheck(m, string, n, b, tol);
            return;
        }
    }
}

void RecursiveVerify(CMillCenter& m, CNcPline& string, double tol)
{
    POSITION pos = string.GetHeadPosition();
    CNcPoint* a = string.GetNext(pos);
    const double at[2][2] = {{a->x, a->y}, {a->x, a->y}};
    m.DefineMarkedPane(at, 0.0001);
    double q[3] = {a->x, a->y, a->z};
    m.ProjPntOnMdl(q);
    a->z = q[2];
    while (pos) {
        CNcPoint* b = string.GetNext(pos);
        const double pane[2][2] = {{std::min(a->x, b->x), std::min(a->y, b->y)}, {std::max(a->x, b->x), std::max(a->y, b->y)}};
        m.DefineMarkedPane(pane, 0.0001);
        double p[3] = {b->x, b->y, b->z};
        m.ProjPntOnMdl(p);
        b->z = p[2];
        RecursiveCheck(m, string, a, b, tol);
        a = b;
    }
}

// Largest depth by which the straight moves of pts dip under the model (every 0.02).
double WorstDip(CMillCenter& m, const std::vector<Pnt3>& pts)
{
    double worst = -1e300;
    for (size_t i = 1; i < pts.size(); ++i) {
        const double d = std::hypot(pts[i][0] - pts[i - 1][0], pts[i][1] - pts[i - 1][1]);
        const int n = std::max(1, int(d / 0.02));
        for (int k = 0; k <= n; ++k) {
            const double t = double(k) / n;
            const double x = pts[i - 1][0] + t * (pts[i][0] - pts[i - 1][0]);
            const double y = pts[i - 1][1] + t * (pts[i][1] - pts[i - 1][1]);
            const double z = pts[i - 1][2] + t * (pts[i][2] - pts[i - 1][2]);
            worst = std::max(worst, Drop(m, x, y) - z);
        }
    }
    return worst;
}

TEST(MillSection, MoveChecks)
{
    CTBall ball(2);
    ball.SetAidParam();
    const auto bump = [](double x, double y) { return 3 * std::exp(-(x * x + y * y) / 8); };
    Built b = Build({millkit::TerrainMesh(bump, -10, -10, 20, 40)}, &ball);
    ASSERT_TRUE(b.model);
    CMillCenter& m = *b.model;

    // Null, empty and one-point strings.
    CNcPline* none = nullptr;
    m.VerifyCutPath(none, 0.01, false);
    m.CheckPntString(none);
    CNcPline empty;
    m.VerifyCutPath(&empty, 0.01, false);
    auto one = String({{0.1, 0.2, -50}});
    m.VerifyCutPath(one.get(), 0.01, false);
    ASSERT_EQ(one->GetCount(), 1);
    EXPECT_DOUBLE_EQ(Points(*one)[0][2], Drop(m, 0.1, 0.2));
    EXPECT_GT(Points(*one)[0][2], 2.5);

    // A cutting move across the bump gets points, and the result keeps over the model.
    for (double tol : {0.05, 0.01, 0.001}) {
        auto cut = String({{-8, 0.3, 0}, {8, 0.3, 0}});
        m.VerifyCutPath(cut.get(), tol, false);
        const auto pts = Points(*cut);
        EXPECT_GT(pts.size(), 4u) << tol;
        // Checked every 0.2 at most: between the checks the bump's curvature adds a little.
        EXPECT_LE(WorstDip(m, pts), tol + 0.01) << tol;
        auto ref = String({{-8, 0.3, 0}, {8, 0.3, 0}});
        RecursiveVerify(m, *ref, tol);
        EXPECT_EQ(pts, Points(*ref)) << tol;
    }
    // A long move over rough ground inserts thousands of points without recursion.
    const auto rough = [](double x, double y) { return std::sin(3 * x) * std::cos(2.5 * y) + 0.3 * std::sin(11 * x); };
    Built r = Build({millkit::TerrainMesh(rough, -10, -5, 20, 100)}, &ball);
    ASSERT_TRUE(r.model);
    auto longMove = String({{-9, 0.1, -5}, {9, 0.2, -5}});
    r.model->VerifyCutPath(longMove.get(), 0.0001, false);
    EXPECT_GT(longMove->GetCount(), 80);
    auto longRef = String({{-9, 0.1, -5}, {9, 0.2, -5}});
    RecursiveVerify(*r.model, *longRef, 0.0001);
    EXPECT_EQ(Points(*longMove), Points(*longRef));

    // A projected connecting move: dropped points, thinned within 0.05.
    auto conn = String({{-8, -0.4, 7}, {8, 0.6, 7}});
    m.VerifyCutPath(conn.get(), 0.01, true);
    const auto cp = Points(*conn);
    ASSERT_GT(cp.size(), 3u);
    for (const Pnt3& p : cp)
        EXPECT_NEAR(p[2], Drop(m, p[0], p[1]), 1e-9);
    EXPECT_LE(WorstDip(m, cp), 0.05 + 0.02);

    // Connectors: one dipping 0.1 under the top is deleted, one 0.03 under is raised.
    const double top = Drop(m, 0, 0);
    CNcPline* deep = String({{-8, 0, 5}, {0, 0, top - 0.1}, {8, 0, 5}}).release();
    m.CheckPntString(deep);
    EXPECT_EQ(deep, nullptr);
    CNcPline* shallow = String({{-8, 0, 5}, {0, 0, top - 0.03}, {8, 0, 5}}).release();
    m.CheckPntString(shallow);
    ASSERT_NE(shallow, nullptr);
    EXPECT_DOUBLE_EQ(Points(*shallow)[1][2], top);
    EXPECT_DOUBLE_EQ(Points(*shallow)[0][2], 5);
    delete shallow;
}

TEST(MillSection, RotationTurnsPiecesAndSections)
{
    CTBall ball(2);
    ball.SetAidParam();
    const std::vector<TriMesh> meshes = {millkit::TorusMesh({1, 0.5, 0}, 6, 2, 48, 24)};
    Built b = Build(meshes, &ball);
    Built t = Build(meshes, &ball);
    ASSERT_TRUE(b.model && t.model);
    const double a = 0.7, c = std::cos(a), s = std::sin(a);
    t.model->RotateModel(a);
    // The pieces' envelope turns with the model (drops along rows of y are not turned:
    // twisted tube cells and the 0.01 chord-end rule depend on the direction).
    for (int k = 0; k < 40; ++k) {
        const double x = -8 + 0.41 * k, y = 0.3 * k - 5;
        EXPECT_NEAR(milltest::ModelTop(*t.model, x * c - y * s, x * s + y * c), milltest::ModelTop(*b.model, x, y), 1e-9)
            << x << " " << y;
    }
    EXPECT_NEAR(t.model->box[2], b.model->box[2], 1e-12);
    EXPECT_NEAR(t.model->box[5], b.model->box[5], 1e-12);
    for (const SOffsetSurf* o = t.model->offsets; o; o = o->next)
        for (const Pnt3& p : o->pts)
            EXPECT_TRUE(p[0] >= t.model->box[0] && p[0] <= t.model->box[3] && p[1] >= t.model->box[1] &&
                        p[1] <= t.model->box[4]);
    // Z sections turn too (an unfilled net accepts every segment).
    CProtectNet open;
    const double wide[6] = {-20, -20, -5, 20, 20, 5};
    ASSERT_EQ(ProtectNetCreate(1, 0, 0, wide, open), 1);
    CIntLineSet plain, turned;
    plain.plane = turned.plane = 0.7;
    b.model->GenSameZLineSet(open, plain);
    t.model->GenSameZLineSet(open, turned);
    const auto ps = Segments(plain), ts = Segments(turned);
    ASSERT_EQ(ps.size(), ts.size());
    for (size_t i = 0; i < ps.size(); ++i)
        for (int e = 0; e < 2; ++e) {
            const double x = ps[i][size_t(2 * e)], y = ps[i][size_t(2 * e + 1)];
            EXPECT_NEAR(ts[i][size_t(2 * e)], x * c - y * s, 1e-9);
            EXPECT_NEAR(ts[i][size_t(2 * e + 1)], x * s + y * c, 1e-9);
        }
}

// A square loop (counter-clockwise lines; an arc in place of its top side when arcTop).
CSmartLoop* Square(double x0, double y0, double x1, double y1, bool arcTop = false)
{
    auto* c = new CSmartCurve;
    const double p[4][2] = {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
    for (int i = 0; i < 4; ++i) {
        if (arcTop && i == 2) {
            const double centre[2] = {(x0 + x1) / 2, y1};
            c->AddSect(new CSmartArc(centre, (x1 - x0) / 2, 0, M_PI));
            continue;
        }
        c->AddSect(new CSmartLine(p[i], p[(i + 1) % 4]));
    }
    auto* L = new CSmartLoop;
    L->UpdateSect(c);
    return L;
}

// Heights 10 where x < 5 and at the given nodes, 0 elsewhere; the grid runs from -2 to 12
// with nodes on whole numbers.
void StepNet(CProtectNet& net, const std::vector<std::array<double, 2>>& high = {})
{
    const double box[6] = {0, 0, 0, 10, 10, 1};
    ASSERT_EQ(ProtectNetCreate(1, 0, 0, box, net), 1);
    for (int i = 0; i < net.rows; ++i)
        for (int j = 0; j < net.columns; ++j) {
            const double x = net.columnX[size_t(j)], y = net.rowY[size_t(i)];
            net.At(i, j) = x < 5 || std::count(high.begin(), high.end(), std::array<double, 2>{x, y}) ? 10 : 0;
        }
}

TEST(ProtectNet, LoopsAndRegionsAgainstTheNet)
{
    CProtectNet net;
    StepNet(net);
    struct Row {
        const char* what;
        std::function<CSmartLoop*()> make;
        double h;
        int above, below, regionAbove, regionBelow;
    } rows[] = {
        {"high square", [] { return Square(0.5, 0.5, 3.5, 3.5); }, 5, 1, 0, 1, 0},
        {"high square over its height", [] { return Square(0.5, 0.5, 3.5, 3.5); }, 9.995, 0, 1, 0, 1},
        {"low square", [] { return Square(6.5, 0.5, 9.5, 3.5); }, 5, 0, 1, 0, 1},
        {"across", [] { return Square(0.5, 0.5, 9.5, 3.5); }, 5, 1, 1, 1, 1},
        // Samples off the interior cells are below, never above.
        {"off the grid", [] { return Square(-30, -30, -20, -20); }, -100, 0, 1, 0, 1},
        // Only the arc's samples reach the high side.
        {"arc top", [] { return Square(6, 5, 8.5, 6, true); }, 5, 0, 1, 0, 1},
        {"arc over the edge", [] { return Square(3.5, 5, 9.5, 6, true); }, 5, 1, 1, 1, 1},
        {"low region, high island",
         [] {
             CSmartLoop* L = Square(5.5, 0.5, 9.5, 9.5);
             L->AddIsland(Square(0.5, 0.5, 1, 1));
             return L;
         },
         5, 0, 1, 1, 0},
        {"low region, low island",
         [] {
             CSmartLoop* L = Square(5.5, 0.5, 9.5, 9.5);
             L->AddIsland(Square(7, 7, 8, 8));
             return L;
         },
         5, 0, 1, 0, 1},
    };
    for (const Row& r : rows) {
        std::unique_ptr<CSmartLoop> L(r.make());
        EXPECT_EQ(NetLoopAbove(r.h, L.get(), net), r.above) << r.what;
        EXPECT_EQ(NetLoopBelow(r.h, L.get(), net), r.below) << r.what;
        EXPECT_EQ(NetRegionAbove(r.h, L.get(), net), r.regionAbove) << r.what;
        EXPECT_EQ(NetRegionBelow(r.h, L.get(), net), r.regionBelow) << r.what;
    }
    EXPECT_EQ(NetRegionAbove(0, nullptr, net), 0);
    EXPECT_EQ(NetRegionBelow(0, nullptr, net), 0);
}

TEST(ProtectNet, RegionsAboveNearTheirContours)
{
    // The high side x < 5 and one high node at (8, 0).
    CProtectNet net;
    StepNet(net, {{8, 0}});
    struct Row {
        const char* what;
        std::function<CSmartLoop*()> make;
        double h, radius;
        int above;
    } rows[] = {
        // 2.5 from the high side, 1.5 from the single node.
        {"2.5 from the high side", [] { return Square(6.5, 1.5, 9.5, 3.5); }, 5, 1.2, 0},
        {"2.5 from the high side, radius 3", [] { return Square(6.5, 1.5, 9.5, 3.5); }, 5, 3, 1},
        {"high square over its height", [] { return Square(0.5, 0.5, 3.5, 3.5); }, 9.995, 1, 0},
        {"high square", [] { return Square(0.5, 0.5, 3.5, 3.5); }, 5, 1, 1},
        // The single node lies 0.5 from the middle of an edge and 1.58 from its corners.
        {"a node beside an edge", [] { return Square(6.5, 0.5, 9.5, 3.5); }, 5, 1, 1},
        {"a node beside an edge, radius 0.4", [] { return Square(6.5, 0.5, 9.5, 3.5); }, 5, 0.4, 0},
        {"a node beside an island",
         [] {
             CSmartLoop* L = Square(5.5, 3, 11, 11);
             L->AddIsland(Square(7.5, -1.2, 8.5, 1.5));
             return L;
         },
         5, 0.6, 1},
    };
    for (const Row& r : rows) {
        std::unique_ptr<CSmartLoop> L(r.make());
        EXPECT_EQ(NetRegionAboveNear(r.h, L.get(), r.radius, net), r.above) << r.what;
    }
    // The corners alone miss the node beside the edge.
    std::unique_ptr<CSmartLoop> edge(Square(6.5, 0.5, 9.5, 3.5));
    EXPECT_EQ(NetRegionAbove(5, edge.get(), net), 0);
    EXPECT_EQ(NetRegionAboveNear(0, nullptr, 1, net), 0);
}

TEST(MillSection, DisplayCopies)
{
    CTBall ball(2);
    ball.SetAidParam();
    Built b = Build({millkit::HemisphereOnPlate(3, 5, 16)}, &ball);
    ASSERT_TRUE(b.model && b.model->edges);
    const auto polylines = [](const CPathCombine* c) {
        std::vector<const CPathPLine3D*> out;
        for (const CPathEntity* e = c->head; e; e = e->next)
            out.push_back(static_cast<const CPathPLine3D*>(e));
        return out;
    };
    const auto same = [](const double* p, const Pnt3& q) { return p[0] == q[0] && p[1] == q[1] && p[2] == q[2]; };
    std::unique_ptr<CPathCombine> crest(b.model->CreateEdgeComb());
    std::unique_ptr<CPathCombine> facets(b.model->CreateOffsetSurfComb());
    std::unique_ptr<CPathCombine> tubes(b.model->CreateBoundSurfComb());
    EXPECT_EQ(crest->op, 8);
    // One crest per edge surface through column 7 of every row, in model order.
    auto cl = polylines(crest.get());
    size_t k = 0, facetCount = 0, tubeLines = 0;
    for (const SEdgeSurf* s = b.model->edges; s; s = s->next, ++k) {
        ASSERT_LT(k, cl.size());
        ASSERT_EQ(cl[k]->PointCount(), s->rows);
        for (int i = 0; i < s->rows; ++i)
            EXPECT_TRUE(same(cl[k]->points[size_t(i)], s->At(i, 7)));
        tubeLines += size_t(s->rows) + 15;
    }
    EXPECT_EQ(k, cl.size());
    // Facets closed: four points for a triangle, five for a quad.
    auto fl = polylines(facets.get());
    size_t f = 0;
    for (const SOffsetSurf* s = b.model->offsets; s; s = s->next) {
        for (const SCentreTri& t : s->tris) {
            ASSERT_LT(f, fl.size());
            ASSERT_EQ(fl[f]->PointCount(), 4);
            EXPECT_TRUE(same(fl[f]->points[0], s->pts[size_t(t.v[0])]));
            EXPECT_TRUE(same(fl[f]->points[3], s->pts[size_t(t.v[0])]));
            ++f;
        }
        for (size_t q = 0; q < s->quads.size(); ++q, ++f) {
            ASSERT_LT(f, fl.size());
            EXPECT_EQ(fl[f]->PointCount(), 5);
        }
        facetCount += s->tris.size() + s->quads.size();
    }
    EXPECT_EQ(fl.size(), facetCount);
    // Rows of 15 points and columns through all rows.
    auto tl = polylines(tubes.get());
    EXPECT_EQ(tl.size(), tubeLines);
    ASSERT_FALSE(tl.empty());
    EXPECT_EQ(tl[0]->PointCount(), 15);
    EXPECT_TRUE(same(tl[0]->points[14], b.model->edges->At(0, 14)));
}

}  // namespace
