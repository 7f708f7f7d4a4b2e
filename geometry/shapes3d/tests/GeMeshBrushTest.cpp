// Sculpting brushes against closed-form moves: falloffs, the first random values of a
// fresh process, and each brush on small meshes whose answer is known.
#include "framework/looker/AppSlots.h"
#include "geometry/shapes3d/GeMesh.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace {

// An n x n grid of unit squares in the plane z = 0 as triangles, centre vertex
// (n/2, n/2) for even n.
void FlatGrid(CGeMesh& m, int n)
{
    for (int j = 0; j <= n; ++j)
        for (int i = 0; i <= n; ++i) m.vertices.emplace_back(float(i), float(j), 0.0f);
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) {
            const int a = j * (n + 1) + i, b = a + 1, c = a + n + 1, d = c + 1;
            m.faces3.emplace_back(a, b, d);
            m.faces3.emplace_back(a, d, c);
        }
}

TEST(GeMeshBrush, RandomValuesOfAFreshProcess)
{
    // Each test runs in its own process: the generators are at their initial states.
    EXPECT_EQ(CGeMesh::RandomScaled(0.0f), 0.0f);
    const float first = CGeMesh::RandomScaled(1.0f);
    EXPECT_NEAR(first, 723471715.0 / 4294967295.0, 1e-7) << "first xorshift value";
    EXPECT_NEAR(first, 0.1684, 1e-4);
    const float negative = CGeMesh::RandomScaled(-2.0f);
    EXPECT_GE(negative, -2.0f);
    EXPECT_LE(negative, 2.0f);
    for (int i = 0; i < 1000; ++i) {
        const float v = CGeMesh::RandomScaled(3.0f);
        ASSERT_GE(v, 0.0f);
        ASSERT_LE(v, 3.0f);
    }
}

TEST(GeMeshBrush, NoisifyFirstVertexUsesTheFirstNoiseValue)
{
    // A lone triangle: vertex 0 has one adjacent face; its normal is +z.
    CGeMesh m;
    m.vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    m.faces3 = {SFacet3(0, 1, 2)};
    std::vector<unsigned> verts = {0};
    const float d = 2.0f;
    m.Noisify(d, verts);
    // Along the normal: a = d (2u - 1) with u = 1013904223 / 2^32; across, a random
    // share of the edge to the following corner.
    const double u = 1013904223.0 / 4294967296.0;
    EXPECT_NEAR(m.vertices[0].z, d * (2.0 * u - 1.0), 1e-6);
    EXPECT_NEAR(m.vertices[0].z, -1.056, 1e-3);
    const double k = d / (d + 1.0);
    EXPECT_NEAR(m.vertices[0].x, k * 723471715.0 / 4294967295.0, 1e-6) << "edge to vertex 1 times the first xorshift";
    EXPECT_EQ(m.vertices[0].y, 0.0f);
    EXPECT_EQ(m.vertices[1], CPoint3f(1, 0, 0)) << "unlisted vertices stay";
    std::vector<unsigned> none;
    m.Noisify(d, none);
}

TEST(GeMeshBrush, NoisifyWithoutAmplitudeKeepsCoincidentVertices)
{
    // Vertex 1 sits on vertex 0: a zero amplitude must not make 0 / 0.
    CGeMesh m;
    m.vertices = {{0, 0, 0}, {0, 0, 0}, {0, 1, 0}};
    m.faces3 = {SFacet3(0, 1, 2)};
    std::vector<unsigned> verts = {0, 1, 2};
    m.Noisify(0.0f, verts);
    EXPECT_EQ(m.vertices[0], CPoint3f(0, 0, 0));
    EXPECT_EQ(m.vertices[1], CPoint3f(0, 0, 0));
    EXPECT_EQ(m.vertices[2], CPoint3f(0, 1, 0));
}

TEST(GeMeshBrush, Falloffs)
{
    const CPoint3f c(0, 0, 0);
    struct Row {
        std::string label;
        float d, inner, outer, linear, smooth;
    };
    const std::vector<Row> rows = {
        {"centre", 0, 0, 10, 1, 1},
        {"half way", 5, 0, 10, 0.5f, 0.5f},
        {"quarter", 7.5f, 0, 10, 0.25f, 0.103515625f},
        {"at the radius", 10, 0, 10, 0, 0},
        {"beyond", 12, 0, 10, 0, 0},
        {"hard step, exactly at outer", 3, 3, 3, 1, 1},
        {"hard step, inside", 1, 3, 3.00005f, 1, 1},
        {"hard step, beyond a tiny radius", 1, 0, 0.00005f, 0, 0},
        {"hard step, just beyond", 3.001f, 3, 3.00005f, 0, 0},
    };
    for (const Row& row : rows) {
        const CPoint3f p(row.d, 0, 0);
        EXPECT_NEAR(CGeMesh::LinearFalloff(p, c, row.inner, row.outer), row.linear, 1e-6) << row.label;
        EXPECT_NEAR(CGeMesh::SmoothFalloff(p, c, row.inner, row.outer), row.smooth, 1e-6) << row.label;
    }
}

TEST(GeMeshBrush, MovingBrushes)
{
    struct Row {
        std::string label;
        CPoint3f start;
        std::function<void(CGeMesh&, std::vector<unsigned>&)> brush;
        CPoint3f expected;
    };
    const std::vector<Row> rows = {
        {"Draw, centre: 0.5 |dir|", {0, 0, 0},
         [](CGeMesh& m, std::vector<unsigned>& v) { m.Draw(CPoint3f(0, 0, 0), CVector3f(0, 0, 2), v, 10); },
         {0, 0, 1}},
        {"Draw, distance 5: 0.25 |dir|", {5, 0, 0},
         [](CGeMesh& m, std::vector<unsigned>& v) { m.Draw(CPoint3f(0, 0, 0), CVector3f(0, 0, 2), v, 10); },
         {5, 0, 0.5f}},
        {"Flatten, 2 above at the centre: halfway down", {0, 0, 2},
         [](CGeMesh& m, std::vector<unsigned>& v) {
             m.Flatten(CPoint3f(0, 0, 2), CPoint3f(0, 0, 0), CVector3f(0, 0, 1), v, 10);
         },
         {0, 0, 1}},
        {"Flatten, 2 below: stays", {0, 0, -2},
         [](CGeMesh& m, std::vector<unsigned>& v) {
             m.Flatten(CPoint3f(0, 0, -2), CPoint3f(0, 0, 0), CVector3f(0, 0, 1), v, 10);
         },
         {0, 0, -2}},
        {"Pinch, at the centre: stays", {0, 0, 0},
         [](CGeMesh& m, std::vector<unsigned>& v) { m.Pinch(CPoint3f(0, 0, 0), v, 4); }, {0, 0, 0}},
        {"Pinch, half the radius: an eighth inwards", {2, 0, 0},
         [](CGeMesh& m, std::vector<unsigned>& v) { m.Pinch(CPoint3f(0, 0, 0), v, 4); }, {1.75f, 0, 0}},
        {"Pinch, on the radius: stays", {4, 0, 0},
         [](CGeMesh& m, std::vector<unsigned>& v) { m.Pinch(CPoint3f(0, 0, 0), v, 4); }, {4, 0, 0}},
        {"Grab, falloff from the grab point", {1, 0, 0},
         [](CGeMesh& m, std::vector<unsigned>& v) { m.Grab(CPoint3f(0, 0, 8), CPoint3f(0, 0, 0), v, 4); },
         {1, 0, 6}},
        {"Grab, beyond the radius of the grab point", {5, 0, 0},
         [](CGeMesh& m, std::vector<unsigned>& v) { m.Grab(CPoint3f(5, 0, 0), CPoint3f(0, 0, 0), v, 4); },
         {5, 0, 0}},
    };
    for (const Row& row : rows) {
        CGeMesh m;
        m.vertices = {row.start, {100, 100, 100}};
        m.faces3 = {SFacet3(0, 1, 1)};
        std::vector<unsigned> verts = {0, 7};  // an index past the end is skipped
        m.vbovertex = 5;                       // a stale name the brush must drop
        row.brush(m, verts);
        EXPECT_NEAR(m.vertices[0].x, row.expected.x, 1e-5) << row.label;
        EXPECT_NEAR(m.vertices[0].y, row.expected.y, 1e-5) << row.label;
        EXPECT_NEAR(m.vertices[0].z, row.expected.z, 1e-5) << row.label;
        EXPECT_EQ(m.vertices[1], CPoint3f(100, 100, 100)) << row.label;
        EXPECT_EQ(m.vbovertex, 0u) << row.label << ": buffers discarded";
    }
}

TEST(GeMeshBrush, CreaseTouchesNothing)
{
    CGeMesh m;
    FlatGrid(m, 2);
    const std::vector<CPoint3f> before = m.vertices;
    m.vbovertex = 5;
    std::vector<unsigned> verts = {0, 1, 4};
    m.Crease(CPoint3f(1, 1, 0), verts, 5.0f);
    EXPECT_EQ(m.vertices, before);
    EXPECT_EQ(m.vbovertex, 5u);
}

TEST(GeMeshBrush, SmoothKeepsAFlatRegionFlat)
{
    CGeMesh m;
    FlatGrid(m, 6);
    // Inner vertices moved within the plane: smoothing pulls them about but never out.
    for (CPoint3f& p : m.vertices)
        if (p.x > 0 && p.x < 6 && p.y > 0 && p.y < 6) p.x += 0.3f * std::sin(p.y * 3.0f), p.y += 0.2f * std::cos(p.x);
    std::vector<unsigned> verts;
    for (unsigned v = 0; v < m.numVertices(); ++v) verts.push_back(v);
    const std::vector<CPoint3f> before = m.vertices;
    m.Smooth(verts);
    double moved = 0.0;
    for (unsigned v = 0; v < m.numVertices(); ++v) {
        EXPECT_NEAR(m.vertices[v].z, 0.0f, 1e-6) << "vertex " << v;
        moved += Distance(m.vertices[v], before[v]);
    }
    EXPECT_GT(moved, 0.5) << "the smoothing moved something";
}

TEST(GeMeshBrush, SmoothFallsBackToTheProjectedAverage)
{
    // Vertex 0 of a lone triangle: its neighbour average is the following corner
    // A = (1, 0, 0); with the normal tilted to (1, 1, 0)/sqrt 2 the average projected on
    // the tangent plane is Q = (0.5, -0.5, 0), outside the face.
    CGeMesh m;
    m.vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    m.faces3 = {SFacet3(0, 1, 2)};
    const float h = float(std::sqrt(0.5));
    m.normals = {CVector3f(h, h, 0), CVector3f(0, 0, 1), CVector3f(0, 0, 1)};
    std::vector<unsigned> verts = {0};
    m.Smooth(verts);
    EXPECT_NEAR(m.vertices[0].x, 0.5f, 1e-6);
    EXPECT_NEAR(m.vertices[0].y, -0.5f, 1e-6);
    EXPECT_NEAR(m.vertices[0].z, 0.0f, 1e-6);
}

TEST(GeMeshBrush, UmbrellaMovesOntoTheNeighbourAverageOnce)
{
    CGeMesh m;
    FlatGrid(m, 2);
    m.vertices[4].z = 3.0f;  // the centre raised
    std::vector<unsigned> verts = {4, 4};
    m.Umbrella(1.0f, verts);
    // The following corners of the centre's faces all lie in z = 0.
    EXPECT_NEAR(m.vertices[4].z, 0.0f, 1e-6);
    CPoint3f avg;
    m.AveragePosition(4, avg);
    EXPECT_NEAR(m.vertices[4].x, avg.x, 1e-6);
    EXPECT_NEAR(m.vertices[4].y, avg.y, 1e-6);
}

TEST(GeMeshBrush, AveragingQueries)
{
    // GetNeighborVert rows of a triangle holding 5 in each position.
    CGeMesh t;
    t.vertices.assign(9, CPoint3f());
    t.faces3 = {SFacet3(3, 5, 8), SFacet3(5, 8, 3), SFacet3(8, 3, 5), SFacet3(0, 1, 2)};
    t.faces4 = {SFacet4(1, 5, 2, 3)};
    EXPECT_EQ(t.GetNeighborVert(5, 0), 8u);
    EXPECT_EQ(t.GetNeighborVert(5, 1), 8u);
    EXPECT_EQ(t.GetNeighborVert(5, 2), 8u);
    EXPECT_EQ(t.GetNeighborVert(5, 3), 9u) << "not a corner: the vertex count";
    EXPECT_EQ(t.GetNeighborVert(5, 4), 2u) << "quad";
    EXPECT_EQ(t.GetNeighborVert(5, 99), 9u) << "no such face";

    CGeMesh q;
    q.vertices = {{0, 0, 0}, {2, 0, 0}, {2, 2, 0}, {0, 2, 0}, {4, 0, 0}};
    q.faces3 = {SFacet3(1, 4, 2)};
    q.faces4 = {SFacet4(0, 1, 2, 3)};
    CPoint3f p;
    CVector3f n;
    q.Average({0, 1}, p, n);
    // Corners (2,0) (4,0) (2,2) and (0,0) (2,0) (2,2) (0,2): sum (12, 6) over 7.
    EXPECT_NEAR(p.x, 12.0f / 7.0f, 1e-6);
    EXPECT_NEAR(p.y, 6.0f / 7.0f, 1e-6);
    EXPECT_NEAR(n.dz, 1.0f, 1e-6);
    q.Average({}, p, n);
    EXPECT_EQ(p, CPoint3f(0, 0, 0)) << "empty list";
    EXPECT_EQ(n, CVector3f(0, 0, 0));
    std::vector<unsigned> faces = {0, 1};
    EXPECT_NEAR(q.AverageNormal(faces).dz, 1.0f, 1e-6);
    CPoint3f lone;
    q.AveragePosition(0, lone);
    EXPECT_EQ(lone, CPoint3f(0, 0, 0)) << "no adjacency built";
}

}  // namespace
