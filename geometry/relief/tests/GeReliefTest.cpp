// Relief grids: creation and its failures, the index conversions against a coordinate
// oracle, bilinear interpolation of a bilinear field, box, copy, translate, meshing.
#include "geometry/relief/GeRelief.h"
#include "geometry/relief/tests/ReliefFixtures.h"
#include "geometry/shapes3d/GeMesh.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

TEST(GeReliefTest, CreateFromBoxAndExtent)
{
    CGeRelief r;
    ASSERT_EQ(r.Create(BOX2<double>(10, 20, 20, 25), 1.0f), 1);
    EXPECT_EQ(r.nx, 10u);
    EXPECT_EQ(r.ny, 5u);
    EXPECT_EQ(r.originX, 10.0f);
    EXPECT_EQ(r.originY, 20.0f);
    EXPECT_EQ(r.box.xmin, 10.0);
    EXPECT_EQ(r.box.xmax, 20.0);
    EXPECT_EQ(r.box.ymin, 20.0);
    EXPECT_EQ(r.box.ymax, 25.0);
    for (unsigned k = 0; k < r.nx * r.ny; ++k) ASSERT_EQ(r.heights[k], 0.0f);

    float origin[2] = {0, 0};
    CGeRelief thin;
    EXPECT_EQ(thin.Create(origin, 1.0f, 1.4f, 5.0f), 0) << "1 x 5 nodes";
    EXPECT_EQ(thin.heights, nullptr);
}

TEST(GeReliefTest, CreateFailuresLeaveTheReliefAsItWas)
{
    auto r = MakeRelief(1, 2, 0.5f, 4, 3);
    r->SetZHeight(3, 2, 7.0f);
    float* before = r->heights;
    float origin[2] = {9, 9};
    struct Row {
        const char* label;
        int nx, ny;
    } rows[] = {{"one column", 1, 5}, {"negative", -3, 5}, {"negative rows", 5, -1},
                {"2^31 cells", 65536, 32768}, {"int max both", std::numeric_limits<int>::max(), 2}};
    for (const Row& row : rows) {
        EXPECT_EQ(r->Create(origin, 1.0f, row.nx, row.ny), 0) << row.label;
        EXPECT_EQ(r->heights, before) << row.label;
        EXPECT_EQ(r->nx, 4u) << row.label;
        EXPECT_EQ(r->originX, 1.0f) << row.label;
        EXPECT_EQ(r->GetZHeight(3, 2), 7.0f) << row.label;
    }
    // Re-creating releases the earlier heights (the leak check runs under the sanitizer build).
    ASSERT_EQ(r->Create(origin, 1.0f, 6, 6), 1);
    EXPECT_EQ(r->GetZHeight(3, 2), 0.0f);
}

TEST(GeReliefTest, IndexConversionsAgainstNodePositions)
{
    auto r = MakeRelief(10, -4, 2.0f, 8, 6);
    EXPECT_EQ(r->Get_Index(13.0f, 0), 1) << "halfway goes to the lower node";
    EXPECT_EQ(r->Get_Index(13.01f, 0), 2);
    EXPECT_EQ(r->Get_Index(9.0f, 0), 0);
    EXPECT_EQ(r->Get_Index(40.0f, 0), 7);
    // Oracle: the node positions themselves, over a dense sweep of both axes.
    for (int axis = 0; axis < 2; ++axis) {
        const float o = axis == 0 ? 10.0f : -4.0f;
        const int n = axis == 0 ? 8 : 6;
        for (float v = o - 3.0f; v < o + 2.0f * n + 3.0f; v += 0.037f) {
            const int lo = r->Get_IndexMin(v, axis), hi = r->Get_IndexMax(v, axis), near = r->Get_Index(v, axis);
            const float inside = std::fmin(std::fmax(v, o), o + 2.0f * (n - 1));
            EXPECT_LE(o + 2.0f * lo, inside + 1e-4f) << "axis " << axis << " v " << v;
            EXPECT_GE(o + 2.0f * hi, inside - 1e-4f) << "axis " << axis << " v " << v;
            EXPECT_LE(hi - lo, 1) << "axis " << axis << " v " << v;
            EXPECT_LE(std::fabs(o + 2.0f * near - inside), 1.0f + 1e-4f) << "axis " << axis << " v " << v;
        }
    }
}

TEST(GeReliefTest, InterplateReproducesABilinearFieldAndClampsOutside)
{
    const float step = 0.5f;
    auto r = MakeRelief(0, 0, step, 9, 7);
    const auto field = [](float x, float y) { return 1.5f + 0.7f * x - 0.3f * y + 0.2f * x * y; };
    for (unsigned j = 0; j < r->ny; ++j)
        for (unsigned i = 0; i < r->nx; ++i) r->SetZHeight(i, j, field(i * step, j * step));
    const float xmax = (r->nx - 1) * step, ymax = (r->ny - 1) * step;
    for (float y = 0.0f; y <= ymax; y += 0.13f)
        for (float x = 0.0f; x <= xmax; x += 0.11f)
            EXPECT_NEAR(r->Interplate(x, y), field(x, y), 1e-4f) << "inside at " << x << ", " << y;
    struct Row {
        const char* label;
        float x, y, cx, cy;
    } rows[] = {{"below the origin", -1.0f, -2.0f, 0.0f, 0.0f},
                {"left", -0.3f, 1.2f, 0.0f, 1.2f},
                {"beyond the last column", 9.0f, 1.2f, xmax, 1.2f},
                {"beyond the far corner", 50.0f, 50.0f, xmax, ymax},
                {"below the first row", 2.1f, -0.4f, 2.1f, 0.0f}};
    for (const Row& row : rows)
        EXPECT_NEAR(r->Interplate(row.x, row.y), field(row.cx, row.cy), 1e-4f) << row.label;
}

TEST(GeReliefTest, BoxCopyTranslate)
{
    auto r = MakeRelief(1, 2, 0.25f, 5, 4);
    r->SetZHeight(2, 1, -3.0f);
    r->SetZHeight(4, 3, 8.0f);
    r->CalcBox();
    EXPECT_EQ(r->box.zmin, -3.0);
    EXPECT_EQ(r->box.zmax, 8.0);
    EXPECT_EQ(r->box.xmax, 1.0 + 5 * 0.25);
    std::unique_ptr<CGeRelief> copy(r->Copy());
    ASSERT_TRUE(copy);
    EXPECT_NE(copy->heights, r->heights);
    EXPECT_EQ(copy->GetZHeight(4, 3), 8.0f);
    double v[3] = {1, 2, 3};
    copy->Translate(v);
    EXPECT_EQ(copy->originX, 2.0f);
    EXPECT_EQ(copy->originY, 4.0f);
    EXPECT_EQ(copy->box.xmin, 2.0);
    EXPECT_EQ(copy->box.ymax, r->box.ymax + 2.0);
    EXPECT_EQ(copy->box.zmax, 8.0);
    EXPECT_EQ(copy->GetZHeight(2, 1), -3.0f);

    CGeRelief empty;
    std::unique_ptr<CGeRelief> emptyCopy(empty.Copy());
    ASSERT_TRUE(emptyCopy);
    EXPECT_EQ(emptyCopy->heights, nullptr);
}

TEST(GeReliefTest, ToMeshPlacesNodesAndRejectsBadRanges)
{
    auto r = MakeRelief(1, 2, 0.5f, 5, 4);
    for (unsigned j = 0; j < 4; ++j)
        for (unsigned i = 0; i < 5; ++i) r->SetZHeight(i, j, static_cast<float>(10 * j + i));
    unsigned cols[2] = {1, 3}, rows[2] = {2, 3};
    std::unique_ptr<CGeMesh> mesh(r->ToMesh(cols, rows));
    ASSERT_TRUE(mesh);
    ASSERT_EQ(mesh->vertices.size(), 6u);
    ASSERT_EQ(mesh->faces4.size(), 2u);
    for (const SFacet4& q : mesh->faces4) {
        // Counter-clockwise seen from +z and each vertex a node of the relief.
        double area = 0;
        for (int k = 0; k < 4; ++k) {
            const CPoint3f& a = mesh->vertices[q.v[k]];
            const CPoint3f& b = mesh->vertices[q.v[(k + 1) % 4]];
            area += a.x * b.y - b.x * a.y;
            const int i = static_cast<int>(std::lround((a.x - 1.0f) / 0.5f)), j = static_cast<int>(std::lround((a.y - 2.0f) / 0.5f));
            EXPECT_EQ(a.z, r->GetZHeight(i, j));
        }
        EXPECT_NEAR(area / 2, 0.25, 1e-6);
    }
    std::unique_ptr<CGeMesh> whole(r->ToMesh());
    ASSERT_TRUE(whole);
    EXPECT_EQ(whole->faces4.size(), 12u);
    struct Row {
        const char* label;
        unsigned c0, c1, r0, r1;
    } bad[] = {{"one column", 2, 2, 0, 3}, {"reversed", 3, 1, 0, 3}, {"past the last column", 3, 5, 0, 3},
               {"past the last row", 0, 4, 1, 4}, {"wrapped", 0, 0xFFFFFFFFu, 0, 3}};
    for (const Row& row : bad) {
        unsigned c[2] = {row.c0, row.c1}, rr[2] = {row.r0, row.r1};
        EXPECT_EQ(r->ToMesh(c, rr), nullptr) << row.label;
    }
}
