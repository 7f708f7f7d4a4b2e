// Iso sections of the mesh and its upward projection.
#include "geometry/shapes3d/GePolyline3d.h"
#include "geometry/shapes3d/tests/MeshFixtures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <set>

namespace {

std::vector<CGePolyline3d*> Polylines(CGeCurve3dList& list)
{
    std::vector<CGePolyline3d*> out;
    for (CGeCurve3d* c : list) out.push_back(dynamic_cast<CGePolyline3d*>(c));
    return out;
}

TEST(GeMeshSection, FlatSquareGivesOneSectionPerAxis)
{
    CGeMesh m;
    meshtest::FlatSquare(m);
    m.ComputerIsoCurve(0);
    EXPECT_TRUE(m.m_listIsoCurve.IsEmpty());
    m.ComputerIsoCurve(2);
    auto pls = Polylines(m.m_listIsoCurve);
    ASSERT_EQ(pls.size(), 2u);
    for (std::size_t k = 0; k < 2; ++k) {
        ASSERT_TRUE(pls[k]) << k;
        double a[3], b[3];
        pls[k]->GetStartPoint(a);
        pls[k]->GetEndPoint(b);
        int axis = k == 0 ? 1 : 0;  // the y section comes first
        EXPECT_NEAR(a[axis], 5.0, 1e-9) << k;
        EXPECT_NEAR(b[axis], 5.0, 1e-9) << k;
        EXPECT_NEAR(std::fabs(a[1 - axis] - b[1 - axis]), 10.0, 1e-9) << k;
    }
    m.ComputerIsoCurve(1);
    EXPECT_TRUE(m.m_listIsoCurve.IsEmpty());
}

// Every point of a sphere's sections lies on the circle of the plane, and each plane
// gives one closed polyline.
TEST(GeMeshSection, SphereSectionsAreCircles)
{
    const double r = 50.0;
    CGeMesh m;
    meshtest::FromTriMesh(millkit::SphereMesh({0, 0, 0}, r, 128), m);
    const int n = 6;
    m.ComputerIsoCurve(n);
    auto pls = Polylines(m.m_listIsoCurve);
    ASSERT_EQ(pls.size(), std::size_t(2 * (n - 1)));
    BOX3<double> box;
    m.GetBox(&box);
    // The y sections come first, each plane once, in the order the chaining gives.
    std::set<int> seen[2];
    for (std::size_t k = 0; k < pls.size(); ++k) {
        ASSERT_TRUE(pls[k]) << k;
        int axis = k < std::size_t(n - 1) ? 1 : 0;
        const double origin = axis == 1 ? box.ymin : box.xmin;
        int i = int(std::lround((pls[k]->GetCtrlPt()[0][axis] - origin) / (2 * r / n)));
        EXPECT_TRUE(seen[axis].insert(i).second) << "plane " << i << " twice";
        double plane = origin + i * (2 * r) / n;
        double radius = std::sqrt(r * r - plane * plane);
        EXPECT_TRUE(pls[k]->IsClosed(0.02)) << k;
        int count = pls[k]->GetCount();
        for (int j = 0; j < count; ++j) {
            const double* p = pls[k]->GetCtrlPt()[j];
            EXPECT_NEAR(p[axis], plane, 1e-3) << k;
            double dist = std::hypot(p[1 - axis], p[2]);
            // Facets lie inside the sphere by at most r(1 - cos(pi / 64)).
            EXPECT_NEAR(dist, radius, 0.08) << "section " << k << " point " << j;
        }
    }
    EXPECT_EQ(seen[0].size() + seen[1].size(), pls.size());
}

TEST(GeMeshSection, ProjectZFindsTheLowestFaceAbove)
{
    CGeMesh m;
    meshtest::AddVertices(m, {{0, 0, 9}, {10, 0, 9}, {0, 10, 9}, {0, 0, 4}, {10, 0, 4}, {0, 10, 4}});
    m.faces3 = {SFacet3(0, 1, 2), SFacet3(3, 4, 5)};
    struct Case {
        const char* label;
        tagPoint3f p;
        bool found;
        float z;
    } cases[] = {
        {"under both", {2, 2, 0}, true, 4},
        {"between", {2, 2, 5}, true, 9},
        {"above both", {2, 2, 10}, false, 0},
        {"beside", {9, 9, 0}, false, 0},
        {"far below", {2, 2, -200000}, false, 0},
    };
    for (const Case& c : cases) {
        tagPoint3f hit{-1, -1, -1};
        EXPECT_EQ(m.ProjectZ(c.p, hit), c.found) << c.label;
        if (c.found) EXPECT_FLOAT_EQ(hit.z, c.z) << c.label;
        else EXPECT_EQ(hit.x, -1.0f) << c.label << ": hit untouched";
    }
}

TEST(GeMeshSection, ProjectZTestsQuadsAsTriangles)
{
    CGeMesh m;
    meshtest::AddVertices(m, {{0, 0, 0}, {10, 0, 2}, {10, 10, 4}, {0, 10, 2}});
    m.faces4 = {SFacet4(0, 1, 2, 3)};
    std::mt19937 rng(3);
    std::uniform_real_distribution<float> u(0.1f, 9.9f);
    for (int i = 0; i < 50; ++i) {
        tagPoint3f p{u(rng), u(rng), -1.0f}, hit{};
        ASSERT_TRUE(m.ProjectZ(p, hit)) << i;
        // The quad is the plane z = 0.2 x + 0.2 y.
        EXPECT_NEAR(hit.z, 0.2f * (p.x + p.y), 1e-4f) << i;
    }
}

}  // namespace
