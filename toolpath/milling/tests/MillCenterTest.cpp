// The tool-centre model: mesh kinds and the pieces they give, the offset and tube
// invariants, the model's upper envelope against the exact drop cutter, the indexed
// duplicate search against the plain scan, and a cancelled build.
#include "framework/widgra/Progress.h"
#include "testing/StlReader.h"
#include "toolpath/milling/MillCenter.h"
#include "toolpath/milling/tests/CentreFixtures.h"
#include "toolpath/milling/tests/MillFixtures.h"
#include "toolpath/surfkernel/KernelRecords.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <random>
#include <set>

namespace {

using millkit::TriMesh;

using milltest::Build;
using milltest::Built;
using milltest::ModelTop;

struct FacetFree {
    void operator()(_facet* f) const { FACET_Free(f); }
};

// Square [x0, x1] x [y0, y1] at height z: two triangles, counter-clockwise unless down.
TriMesh Square(double x0, double y0, double x1, double y1, double z, bool down = false)
{
    TriMesh m;
    m.vertices = {{x0, y0, z}, {x1, y0, z}, {x1, y1, z}, {x0, y1, z}};
    m.triangles = {{0, 1, 2}, {0, 2, 3}};
    if (down)
        for (auto& t : m.triangles)
            std::swap(t[0], t[2]);
    return m;
}


TEST(MillCenter, MeshKindsAndPieces)
{
    CTBall ball(2);
    ball.SetAidParam();
    const auto kindOf = [](const TriMesh& tm, _facet** keep = nullptr) {
        auto g = milltest::ToGeMesh(tm);
        _facet* t = MeshToFacet(g.get());
        CMillCenter m;
        CEdge in, out;
        const int kind = m.AnalysisFacet(t, in, out);
        if (keep)
            *keep = t;
        else
            FACET_Free(t);
        return kind;
    };
    {
        SCOPED_TRACE("flat facet facing up");
        EXPECT_EQ(kindOf(Square(0, 0, 4, 3, 2)), 0);
        Built b = Build({Square(0, 0, 4, 3, 2)}, &ball);
        ASSERT_TRUE(b.model);
        ASSERT_EQ(b.model->offsetCount, 1);
        for (size_t i = 0; i < 4; ++i)
            EXPECT_EQ(b.model->offsets->pts[i], (Pnt3{double(b.meshes[0]->vertices[i].x), double(b.meshes[0]->vertices[i].y), 2}));
        ASSERT_EQ(b.model->flatBounds.count, 1);
        const SIntCurve& c = *b.model->flatBounds.first;
        EXPECT_EQ(c.first->u, c.last->u);
        EXPECT_EQ(c.first->v, c.last->v);
        EXPECT_EQ(CurvePointCount(c), 5);
        EXPECT_EQ(c.height, 2);
        EXPECT_EQ(b.model->flatBounds.height, 2);
        // Four sides, split at the right-angled corners.
        EXPECT_EQ(b.model->edgeCount, 4);
        EXPECT_EQ(b.model->vertices.v.size(), 4u);
        EXPECT_NEAR(b.model->box[0], -1, 1e-9);
        EXPECT_NEAR(b.model->box[4], 4, 1e-9);
        EXPECT_NEAR(b.model->box[5], 2, 1e-9);
    }
    {
        SCOPED_TRACE("a facet indexing past the vertices: the mesh is skipped");
        auto g = milltest::ToGeMesh(Square(0, 0, 4, 3, 2));
        g->faces3.emplace_back(0, 2, 7);
        EXPECT_EQ(MeshToFacet(g.get()), nullptr);
        CMillMeshList list;
        list.AddTail(g.get());
        std::unique_ptr<CMillCenter> m(CreateMillCentre(&list, &ball, 0, 0, 0));
        ASSERT_TRUE(m);
        EXPECT_EQ(m->offsetCount + m->edgeCount, 0);
        EXPECT_EQ(CreateMillCentre(nullptr, &ball, 0, 0, 0), nullptr);
    }
    {
        SCOPED_TRACE("facing down: reversed");
        _facet* t = nullptr;
        EXPECT_EQ(kindOf(Square(0, 0, 4, 3, 2, true), &t), 0);
        std::unique_ptr<_facet, FacetFree> hold(t);
        for (int i = 0; i < t->nn; ++i)
            EXPECT_NEAR(t->nodes[i].n[2], 1, 1e-9);
        for (int i = 0; i < t->nt; ++i) {
            const int c[3] = {t->tri[i][0], t->tri[i][1], t->tri[i][2]};
            EXPECT_EQ(CMillCenter::IsNormalDown(t->nodes, c), 0);
        }
    }
    {
        SCOPED_TRACE("vertical wall");
        TriMesh wall;
        wall.vertices = {{0, 0, 0}, {0, 5, 0}, {0, 5, 3}, {0, 0, 3}};
        wall.triangles = {{0, 1, 2}, {0, 2, 3}};
        EXPECT_EQ(kindOf(wall), 1);
        Built b = Build({wall}, &ball);
        ASSERT_TRUE(b.model);
        EXPECT_EQ(b.model->offsetCount, 0);
        // The vertical sides are dropped; the top edge covers the bottom one (same XY
        // points, higher) and gets the only tube, whose skirts reach R below it.
        EXPECT_EQ(b.model->edgeCount, 1);
        EXPECT_EQ(b.model->vertices.v.size(), 2u);
        const double want[6] = {-1, -1, 2, 1, 6, 3};
        for (int k = 0; k < 6; ++k)
            EXPECT_NEAR(b.model->box[k], want[k], 1e-6) << k;
    }
    {
        SCOPED_TRACE("one-sided slope");
        EXPECT_EQ(kindOf(millkit::TerrainMesh([](double x, double) { return 0.3 * x; }, 0, 0, 10, 5)), 2);
        // All down: reversed and one-sided as well.
        TriMesh under = millkit::TerrainMesh([](double x, double) { return 0.3 * x; }, 0, 0, 10, 5);
        for (auto& t : under.triangles)
            std::swap(t[0], t[2]);
        EXPECT_EQ(kindOf(under), 2);
    }
    {
        SCOPED_TRACE("overhang: a sphere");
        const TriMesh sphere = millkit::SphereMesh({0, 0, 0}, 5, 24);
        _facet* t = nullptr;
        EXPECT_EQ(kindOf(sphere, &t), 4);
        FACET_Free(t);
        auto g = milltest::ToGeMesh(sphere);
        std::unique_ptr<_facet, FacetFree> table(MeshToFacet(g.get()));
        ASSERT_EQ(table->nn, int(sphere.vertices.size()));  // smooth: no vertex split
        CMillCenter m;
        m.tool = &ball;
        CEdge in, out;
        ASSERT_EQ(m.AnalysisFacet(table.get(), in, out), 4);
        EXPECT_EQ(out.Count(), 0);
        ASSERT_GT(in.Count(), 0);
        std::set<int> sil;
        for (const CEdge::Rec& r : in.Records())
            sil.insert(r.a), sil.insert(r.b);
        m.GenOffsetSurf(table.get(), in, 4);
        const SOffsetSurf& s = *m.offsets;
        const int n = table->nn;
        ASSERT_EQ(s.pts.size(), size_t(n) + sil.size());
        int downUsingExtra = 0;
        for (int i = 0; i < table->nt; ++i) {
            const int c[3] = {table->tri[i][0], table->tri[i][1], table->tri[i][2]};
            const bool down = CMillCenter::IsNormalDown(table->nodes, c);
            for (int k = 0; k < 3; ++k) {
                const bool extra = s.tris[size_t(i)].v[k] >= n;
                EXPECT_EQ(extra, down && sil.count(c[k]) > 0) << i;
                downUsingExtra += extra;
            }
        }
        EXPECT_GT(downUsingExtra, 0);
    }
}

TEST(MillCenter, SharedBordersAndSplits)
{
    CTBall ball(2);
    ball.SetAidParam();
    // Two plates side by side; B's shared border lies lower. Either order keeps A's.
    const TriMesh a = Square(0, 0, 1, 1, 0);
    TriMesh bPlate = Square(1, 0, 2, 1, 0);
    for (auto& v : bPlate.vertices)
        v[2] = v[0] == 1 ? -0.5 : 0.2;  // tilted: kind 2 needs a flag for its border
    for (int order = 0; order < 2; ++order) {
        Built b = order ? Build({bPlate, a}, &ball, 1, 1) : Build({a, bPlate}, &ball, 1, 1);
        ASSERT_TRUE(b.model);
        int atX1 = 0;
        for (const SEdgeSurf* s = b.model->edges; s; s = s->next) {
            bool allX1 = true;
            double z = 0;
            // Column 7 (t = 90 degrees) lies straight above the polyline point for a ball.
            for (int i = 0; i < s->rows; ++i) {
                allX1 = allX1 && std::fabs(s->At(i, 7)[0] - 1) < 1e-6;
                z = s->At(i, 7)[2];
            }
            if (allX1) {
                ++atX1;
                EXPECT_NEAR(z, 0, 1e-6) << "order " << order;
            }
        }
        EXPECT_EQ(atX1, 1) << "order " << order;
    }
    // Corners: 150 degrees stays, 140 splits; a steep step splits.
    const struct Row {
        const char* label;
        std::vector<Pnt3> pts;
        int pieces;
    } rows[] = {
        {"150 degrees", {{0, 0, 0}, {5, 0, 0}, {5 + 5 * std::cos(M_PI / 6), 5 * std::sin(M_PI / 6), 0}}, 1},
        {"140 degrees", {{0, 0, 0}, {5, 0, 0}, {5 + 5 * std::cos(M_PI * 40 / 180), 5 * std::sin(M_PI * 40 / 180), 0}}, 2},
        {"steep step", {{0, 0, 0}, {0.05, 0, 1}, {5, 0, 1}}, 2},
        {"vertical piece dropped", {{0, 0, 0}, {0.005, 0, 1}, {0, 0.005, 2}}, 0},
    };
    for (const Row& r : rows) {
        CEdgeSet set;
        CMillCenter::EdgeSetAddSplit(set, r.pts);
        EXPECT_EQ(set.count, r.pieces) << r.label;
    }
}

TEST(MillCenter, OffsetPointsAndTubesFollowTheTool)
{
    const TriMesh dome = millkit::TerrainMesh([](double x, double y) { return 3 - 0.05 * (x * x + y * y); }, -4, -4, 8, 8);
    for (const auto& nt : milltest::AllTools(2)) {
        auto g = milltest::ToGeMesh(dome);
        std::unique_ptr<_facet, FacetFree> table(MeshToFacet(g.get()));
        CMillCenter m;
        m.tool = nt.tool.get();
        CEdge in, out;
        const int kind = m.AnalysisFacet(table.get(), in, out);
        ASSERT_EQ(kind, 2) << nt.name;
        m.GenOffsetSurf(table.get(), in, kind);
        for (int i = 0; i < table->nn; ++i) {
            const _facetnode& v = table->nodes[i];
            double off[3];
            nt.tool->Eval_FacetCC_OffVec(v.n, off);
            if (nt.name == "ball") {
                // The ball's centre lies R along the normal; the tip R below it.
                off[0] = v.n[0], off[1] = v.n[1], off[2] = v.n[2] - 1;
            }
            for (int c = 0; c < 3; ++c)
                ASSERT_NEAR(m.offsets->pts[size_t(i)][size_t(c)], v.p[c] + off[c], 1e-12) << nt.name << " " << i;
        }
    }
    CTBall ball(3);
    ball.SetAidParam();
    Built b = Build({dome}, &ball, 0, 0);
    ASSERT_TRUE(b.model);
    ASSERT_GT(b.model->edgeCount, 0);
    // Tube points raised by R lie R from their polyline point, the midpoint of the raised
    // columns 1 and 13 (the two horizontal directions).
    for (const SEdgeSurf* s = b.model->edges; s; s = s->next)
        for (int i = 0; i < s->rows; ++i) {
            Pnt3 p;
            for (size_t c = 0; c < 3; ++c)
                p[c] = 0.5 * (s->At(i, 1)[c] + s->At(i, 13)[c]) + (c == 2 ? 1.5 : 0);
            for (int j = 1; j <= 13; ++j) {
                const Pnt3& q = s->At(i, j);
                const double d = std::sqrt((q[0] - p[0]) * (q[0] - p[0]) + (q[1] - p[1]) * (q[1] - p[1]) +
                                           (q[2] + 1.5 - p[2]) * (q[2] + 1.5 - p[2]));
                ASSERT_NEAR(d, 1.5, 1e-9) << i << " " << j;
            }
            EXPECT_LE(s->At(i, 0)[2], s->At(i, 1)[2]);
            EXPECT_EQ(s->At(i, 0)[0], s->At(i, 1)[0]);
        }
}

TEST(MillCenter, BoundaryRecords)
{
    CTBall ball(2);
    ball.SetAidParam();
    // A gently sloped plate makes a record with its boundary; a wall after it adds no
    // offset surface and makes none (it must not pair its border with the plate's
    // surface); a steep plate makes none.
    TriMesh gentle = Square(0, 0, 10, 10, 0), steep = Square(20, 0, 22, 10, 0);
    for (auto& v : gentle.vertices)
        v[2] = 0.05 * v[0];
    for (auto& v : steep.vertices)
        v[2] = 2 * v[0];
    TriMesh wall;
    wall.vertices = {{30, 0, 0}, {30, 5, 0}, {30, 5, 3}, {30, 0, 3}};
    wall.triangles = {{0, 1, 2}, {0, 2, 3}};
    Built b = Build({gentle, wall, steep}, &ball, 1, 0.1);
    ASSERT_TRUE(b.model);
    int records = 0;
    for (const SBoundRec* r = b.model->bounds; r; r = r->next) {
        ++records;
        EXPECT_EQ(r->surf, b.model->offsets->next) << "the gentle plate's surface (the steep one is newest)";
        EXPECT_GT(r->lines.count, 0);
    }
    EXPECT_EQ(records, 1);
    ASSERT_TRUE(b.model->bounds);
    // Its sub-model: a copy of the surface with tubes on the record's border.
    std::unique_ptr<CMillCenter> sub(MillCenterFromBoundRec(b.model->bounds, &ball));
    ASSERT_TRUE(sub);
    EXPECT_EQ(sub->offsetCount, 1);
    EXPECT_EQ(sub->offsets->pts, b.model->bounds->surf->pts);
    EXPECT_EQ(sub->edgeCount, 4);
    EXPECT_NEAR(sub->box[0], -1, 1e-9);
    EXPECT_NEAR(sub->box[3], 11, 1e-9);
    EXPECT_EQ(MillCenterFromBoundRec(b.model->bounds, nullptr), nullptr);
    // Without the flag only flat meshes leave boundaries behind.
    Built none = Build({gentle}, &ball, 0, 0.1);
    EXPECT_EQ(none.model->bounds, nullptr);
}

// The pieces' upper envelope against the exact drop over the float meshes. Every piece
// point is a tip position of the tool touching the mesh (or lower), so the model is never
// above the exact drop; below it by at most the discretisation: the tube's 15-degree
// columns (R (1 - cos 7.5 degrees) across a horizontal edge, more along slanted edges and
// for the flat-bottomed tools), and the facet chords of curved tessellations, where the
// offset follows vertex normals instead of facet planes. `below` gives the bound per
// tool name (the taper ball's offset jumps from ball to cone contact between
// neighbouring normals, so its chords are the coarsest).
void CheckEnvelope(const std::string& label, const std::vector<TriMesh>& meshes,
                   const std::function<double(const std::string&)>& below, int n = 24)
{
    std::vector<TriMesh> rounded;
    for (const TriMesh& m : meshes)
        rounded.push_back(milltest::RoundToFloat(m));
    double lo[2] = {1e300, 1e300}, hi[2] = {-1e300, -1e300};
    for (const TriMesh& m : rounded)
        for (const auto& v : m.vertices)
            lo[0] = std::min(lo[0], v[0]), lo[1] = std::min(lo[1], v[1]), hi[0] = std::max(hi[0], v[0]),
            hi[1] = std::max(hi[1], v[1]);
    for (const auto& nt : milltest::AllTools(2)) {
        Built b = Build(meshes, nt.tool.get());
        ASSERT_TRUE(b.model) << label;
        double worstBelow = 0, worstAbove = 0;
        int hits = 0;
        for (int i = 0; i <= n; ++i)
            for (int j = 0; j <= n; ++j) {
                // A hair off the grid so samples avoid facet seams exactly.
                const double x = lo[0] - 1.3 + (hi[0] - lo[0] + 2.6) * (i + 0.0137) / n;
                const double y = lo[1] - 1.3 + (hi[1] - lo[1] + 2.6) * (j + 0.0291) / n;
                const double want = milltest::DropAll(*nt.tool, rounded, x, y);
                // Steep walls of the tip surface turn the pieces' discretisation into large
                // z differences: the model passes when it comes within tol of the drop in z
                // somewhere within tol in XY (a distance, not a height, bound).
                const double tol = below(nt.name);
                const double got = ModelTop(*b.model, x, y);
                double gotHi = got;
                for (int k = 0; k < 8; ++k)
                    gotHi = std::max(gotHi, ModelTop(*b.model, x + tol * std::cos(k * M_PI / 4), y + tol * std::sin(k * M_PI / 4)));
                if (gotHi <= -1e11) {
                    EXPECT_LE(want, -1e11) << label << " " << nt.name << " at " << x << ", " << y;
                    continue;
                }
                ++hits;
                worstBelow = std::max(worstBelow, want - gotHi);
                if (got > -1e11)
                    worstAbove = std::max(worstAbove, got - want);
            }
        EXPECT_GT(hits, n * n / 4) << label;
        EXPECT_LE(worstBelow, below(nt.name) + 1e-9) << label << " " << nt.name;
        EXPECT_LE(worstAbove, 1e-9) << label << " " << nt.name;
    }
}

constexpr double kTubeChord = 1 - 0.99144486137381;  // R (1 - cos 7.5 degrees), R = 1

TriMesh Frustum()
{
    TriMesh m;
    m.vertices = {{-5, -5, 0}, {5, -5, 0}, {5, 5, 0}, {-5, 5, 0}, {-2, -2, 3}, {2, -2, 3}, {2, 2, 3}, {-2, 2, 3}};
    const int quads[6][4] = {{3, 2, 1, 0}, {4, 5, 6, 7}, {0, 1, 5, 4}, {1, 2, 6, 5}, {2, 3, 7, 6}, {3, 0, 4, 7}};
    for (const auto& q : quads) {
        m.triangles.push_back({q[0], q[1], q[2]});
        m.triangles.push_back({q[0], q[2], q[3]});
    }
    return m;
}

TEST(MillCenter, EnvelopeOfPerFaceMeshes)
{
    std::vector<TriMesh> box;
    const double x0 = -3, x1 = 4, y0 = -2, y1 = 3, z0 = 0, z1 = 2.5;
    box.push_back(Square(x0, y0, x1, y1, z1));
    box.push_back(Square(x0, y0, x1, y1, z0, true));
    const auto wall = [](Pnt3 a, Pnt3 b, double zl, double zh) {
        TriMesh w;
        w.vertices = {{a[0], a[1], zl}, {b[0], b[1], zl}, {b[0], b[1], zh}, {a[0], a[1], zh}};
        w.triangles = {{0, 1, 2}, {0, 2, 3}};
        return w;
    };
    box.push_back(wall({x0, y0, 0}, {x1, y0, 0}, z0, z1));
    box.push_back(wall({x1, y0, 0}, {x1, y1, 0}, z0, z1));
    box.push_back(wall({x1, y1, 0}, {x0, y1, 0}, z0, z1));
    box.push_back(wall({x0, y1, 0}, {x0, y0, 0}, z0, z1));
    CheckEnvelope("box of six faces", box, [](const std::string&) { return kTubeChord + 1e-6; });

    const TriMesh hp = millkit::HemisphereOnPlate(4, 7, 48);
    TriMesh dome, plate;
    for (size_t i = 0; i < hp.triangles.size(); ++i) {
        const auto c = hp.Corners(i);
        const bool flat = c[0][2] == 0 && c[1][2] == 0 && c[2][2] == 0;
        TriMesh& to = flat ? plate : dome;
        std::array<int, 3> t;
        for (int k = 0; k < 3; ++k) {
            to.vertices.push_back(c[size_t(k)]);
            t[size_t(k)] = int(to.vertices.size()) - 1;
        }
        to.triangles.push_back(t);
    }
    // Welded again so each part is one connected surface.
    const auto weld = [](const TriMesh& m) {
        TriMesh w;
        std::map<std::array<double, 3>, int> at;
        for (const auto& t : m.triangles) {
            std::array<int, 3> nt;
            for (int k = 0; k < 3; ++k) {
                const auto& v = m.vertices[size_t(t[size_t(k)])];
                auto it = at.find(v);
                if (it == at.end()) {
                    w.vertices.push_back(v);
                    it = at.emplace(v, int(w.vertices.size()) - 1).first;
                }
                nt[size_t(k)] = it->second;
            }
            w.triangles.push_back(nt);
        }
        return w;
    };
    // 48 segments around: chords of 3.75 degrees on the plate's rim and the dome.
    CheckEnvelope("hemisphere on a separate plate", {weld(dome), weld(plate)},
                  [](const std::string&) { return 0.035; });
    CheckEnvelope("torus", {millkit::TorusMesh({0, 0, 0}, 6, 2, 64, 32)},
                  [](const std::string& tool) { return tool == "taperball" ? 0.05 : 0.035; });
}

TEST(MillCenter, EnvelopeOfCreasedMeshes)
{
    // Planar patches once split: only the tubes, slanted along the corner edges.
    CheckEnvelope("pyramid frustum", {Frustum()}, [](const std::string&) { return kTubeChord + 1e-6; });
    TriMesh wuson;
    std::string error;
    ASSERT_TRUE(millkit::ReadStl("/usr/share/assimp/models/STL/Wuson.stl", wuson, &error)) << error;
    // From unit size to about 130 mm tall, lying down: facets of millimetres.
    for (auto& v : wuson.vertices)
        v = {40 * v[0], 40 * v[2], 40 * v[1]};
    // A coarse model: smooth patches with facets up to 20 degrees apart, often steep, so
    // the vertex normals' chords dominate (bounds a little above those measured: a guard
    // against missing or misplaced pieces, which miss by the tool's size or more).
    CheckEnvelope("Wuson.stl", {wuson}, [](const std::string& tool) { return tool == "taperball" ? 0.5 : 0.2; }, 20);
}

TEST(MillCenter, CreasedFrustumSplitsItsVertices)
{
    auto g = milltest::ToGeMesh(Frustum());
    std::unique_ptr<_facet, FacetFree> t(MeshToFacet(g.get()));
    // Every corner meets three faces at right or slanted angles: three normals each.
    ASSERT_EQ(t->nn, 24);
    for (int i = 0; i < t->nn; ++i) {
        const double* n = t->nodes[i].n;
        const double len = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
        EXPECT_NEAR(len, 1, 1e-9);
        const bool axis = std::fabs(std::fabs(n[2]) - 1) < 1e-9;
        const bool side = std::fabs(n[2] - 0.7071067811865476) < 1e-9;  // 3 up over 3 across
        EXPECT_TRUE(axis || side) << i;
    }
}

TEST(MillCenter, EdgeSetAddUpperMatchesPlainScan)
{
    std::mt19937 rng(21);
    // Polylines over a few XY paths, same or reversed, at random heights: duplicates
    // replace, drop or cross one another.
    std::vector<std::vector<Pnt3>> paths;
    for (int i = 0; i < 60; ++i) {
        std::vector<Pnt3> p;
        const int n = 2 + int(rng() % 3);
        double x = double(rng() % 20), y = double(rng() % 20);
        for (int k = 0; k < n; ++k) {
            p.push_back({x, y, 0});
            x += 1 + double(rng() % 2), y += double(rng() % 3) - 1;
        }
        paths.push_back(p);
    }
    std::vector<std::vector<Pnt3>> pieces;
    std::uniform_real_distribution<double> z(-1, 1), jitter(-0.004, 0.004);
    for (int i = 0; i < 3000; ++i) {
        std::vector<Pnt3> p = paths[rng() % paths.size()];
        const double base = z(rng);
        for (Pnt3& q : p)
            q = {q[0] + jitter(rng), q[1] + jitter(rng), base + (rng() % 4 == 0 ? z(rng) : 0.0)};
        if (rng() % 2)
            std::reverse(p.begin(), p.end());
        pieces.push_back(p);
    }
    CEdgeSet fast, plain;
    for (const auto& p : pieces) {
        CMillCenter::EdgeSetAddUpper(fast, p);
        SEdgeLine piece;
        piece.pts = p;
        piece.DefineBox();
        bool done = false;
        for (SEdgeLine* l = plain.head; l && !done; l = l->next) {
            const int cmp = CMillCenter::EdgeLineCompare(*l, piece);
            if (cmp == 1) {
                l->pts = p;
                l->DefineBox();
                done = true;
            } else if (cmp == 2) {
                done = true;
            }
        }
        if (!done) {
            auto l = std::make_unique<SEdgeLine>();
            l->pts = p;
            l->DefineBox();
            plain.Append(std::move(l));
        }
    }
    ASSERT_EQ(fast.count, plain.count);
    EXPECT_GT(fast.count, 60);
    EXPECT_LT(fast.count, 1500);
    for (SEdgeLine *a = fast.head, *b = plain.head; a; a = a->next, b = b->next)
        ASSERT_EQ(a->pts, b->pts);
}

TEST(MillCenter, CancelReturnsNull)
{
    const std::vector<TriMesh> meshes = {millkit::SphereMesh({0, 0, 0}, 5, 24), Frustum(), Square(-10, -10, 10, 10, -1)};
    CTBall ball(2);
    ball.SetAidParam();
    widgra::testing::Reset();
    Built whole = Build(meshes, &ball, 1, 0.5);
    ASSERT_TRUE(whole.model);
    const std::int64_t polls = widgra::testing::PollCount();
    ASSERT_GT(polls, 3);
    for (std::int64_t k = 0; k < polls; ++k) {
        widgra::testing::Reset();
        widgra::testing::CancelAfterPolls(k);
        Built b = Build(meshes, &ball, 1, 0.5);
        EXPECT_EQ(b.model, nullptr) << "cancel at poll " << k;
    }
    widgra::testing::Reset();
}

}  // namespace
