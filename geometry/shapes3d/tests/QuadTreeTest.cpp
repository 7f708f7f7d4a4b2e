// The facet quad tree against a brute-force overlap test over all face boxes, and its
// build rules: size bound, depth limit, centre-line descent, replaced trees.
#include "geometry/shapes3d/GeMesh.h"
#include "geometry/shapes3d/QuadTree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace {

BOX2<short int> Box(int x0, int y0, int x1, int y1)
{
    BOX2<short int> b;
    b.xmin = short(x0), b.ymin = short(y0), b.xmax = short(x1), b.ymax = short(y1);
    return b;
}

// A mesh of n triangles whose window boxes are given directly (the tree reads only
// faceboxes and the face count).
void BoxMesh(CGeMesh& m, const std::vector<BOX2<short int>>& boxes)
{
    m.vertices.assign(3, CPoint3f());
    m.faces3.assign(boxes.size(), SFacet3(0, 1, 2));
    m.faceboxes = boxes;
}

std::vector<BOX2<short int>> RandomBoxes(std::mt19937& rng, int n, int view, int maxSize)
{
    std::uniform_int_distribution<int> pos(-20, view + 20), size(0, maxSize);
    std::vector<BOX2<short int>> boxes;
    for (int i = 0; i < n; ++i) {
        const int x = pos(rng), y = pos(rng);
        boxes.push_back(Box(x, y, x + size(rng), y + size(rng)));
    }
    return boxes;
}

// The faces whose boxes meet the query, closed, in ascending order.
std::vector<unsigned> BruteForce(const std::vector<BOX2<short int>>& boxes, const BOX2<short int>& q)
{
    std::vector<unsigned> out;
    for (unsigned f = 0; f < boxes.size(); ++f)
        if (!(boxes[f].xmax < q.xmin || boxes[f].xmin > q.xmax || boxes[f].ymax < q.ymin || boxes[f].ymin > q.ymax))
            out.push_back(f);
    return out;
}

TEST(QuadTree, FindInBoxEqualsBruteForceOnRandomBoxes)
{
    std::mt19937 rng(7);
    struct Row {
        std::string label;
        int faces, maxSize, bound, depth;
    };
    const std::vector<Row> rows = {
        {"1000 small boxes, bound from the percentage", 1000, 12, 0, 4},
        {"5000 mixed boxes, defaults", 5000, 60, 100, 4},
        {"2000 large boxes, deep tree", 2000, 300, 5, 8},
    };
    for (const Row& row : rows) {
        CGeMesh mesh;
        BoxMesh(mesh, RandomBoxes(rng, row.faces, 800, row.maxSize));
        CQuadTree tree;
        tree.setSizeBound(row.bound);
        tree.setMaxDepth(row.depth);
        tree.create(&mesh, Box(0, 0, 800, 600));
        ASSERT_GT(tree.getRealMaxDepth(), 0) << row.label;
        std::uniform_int_distribution<int> pos(-50, 850), size(0, 200);
        int nonEmpty = 0;
        for (int q = 0; q < 300; ++q) {
            const int x = pos(rng), y = pos(rng);
            BOX2<short int> query = Box(x, y, x + size(rng), y + size(rng));
            CResultData result;
            BOX2<short int> asked = query;
            tree.findInBox(asked, result);
            // Every face found meets the query.
            const std::vector<unsigned> all = BruteForce(mesh.faceboxes, query);
            for (unsigned f : result.facets)
                ASSERT_TRUE(std::binary_search(all.begin(), all.end(), f)) << row.label << " query " << q << " face " << f;
            // Every face meeting the query inside the view is found (faces are indexed
            // only where they lie in the view).
            const BOX2<short int>& view = tree.root->box;
            const BOX2<short int> clipped = Box(std::max(query.xmin, view.xmin), std::max(query.ymin, view.ymin),
                                                std::min(query.xmax, view.xmax), std::min(query.ymax, view.ymax));
            if (clipped.xmin <= clipped.xmax && clipped.ymin <= clipped.ymax) {
                for (unsigned f : BruteForce(mesh.faceboxes, clipped)) {
                    ASSERT_TRUE(std::binary_search(result.facets.begin(), result.facets.end(), f))
                        << row.label << " query " << q << " misses face " << f;
                }
            }
            ASSERT_TRUE(std::is_sorted(result.facets.begin(), result.facets.end())) << row.label;
            ASSERT_TRUE(std::adjacent_find(result.facets.begin(), result.facets.end()) == result.facets.end())
                << row.label << " repeats a face";
            nonEmpty += result.facets.empty() ? 0 : 1;
        }
        EXPECT_GT(nonEmpty, 100) << row.label;
    }
}

TEST(QuadTree, ViewCoveringBoxesAgreeExactly)
{
    // Every face box inside the view: the tree answers exactly the brute-force set.
    std::mt19937 rng(11);
    std::uniform_int_distribution<int> pos(0, 700), size(0, 99);
    std::vector<BOX2<short int>> boxes;
    for (int i = 0; i < 3000; ++i) {
        const int x = pos(rng), y = pos(rng);
        boxes.push_back(Box(x, y, x + size(rng), y + size(rng)));
    }
    CGeMesh mesh;
    BoxMesh(mesh, boxes);
    CQuadTree tree;
    tree.create(&mesh, Box(0, 0, 800, 800));
    std::uniform_int_distribution<int> qpos(-30, 830), qsize(0, 150);
    for (int q = 0; q < 500; ++q) {
        const int x = qpos(rng), y = qpos(rng);
        BOX2<short int> query = Box(x, y, x + qsize(rng), y + qsize(rng));
        CResultData result;
        tree.findInBox(query, result);
        ASSERT_EQ(result.facets, BruteForce(boxes, query)) << "query " << q;
    }
}

TEST(QuadTree, BuildRules)
{
    {
        CGeMesh mesh;
        BoxMesh(mesh, std::vector<BOX2<short int>>(100, Box(1, 1, 2, 2)));
        CQuadTree tree;
        tree.create(&mesh, Box(0, 0, 100, 100));
        EXPECT_TRUE(tree.root->IsLeaf()) << "100 faces with the defaults";
        EXPECT_EQ(tree.getRealMaxDepth(), 0);
    }
    struct BoundRow {
        std::string label;
        int faces;
        unsigned bound;
    };
    for (const BoundRow& row : std::vector<BoundRow>{{"1000 faces", 1000, 20}, {"30 faces", 30, 1}}) {
        CGeMesh mesh;
        BoxMesh(mesh, std::vector<BOX2<short int>>(std::size_t(row.faces), Box(1, 1, 2, 2)));
        CQuadTree tree;
        tree.setSizeBound(0);
        tree.create(&mesh, Box(0, 0, 100, 100));
        EXPECT_EQ(tree.getSizeBound(), row.bound) << row.label;
    }
    {
        // All faces in one corner: the leaf at the depth limit keeps them all.
        CGeMesh mesh;
        BoxMesh(mesh, std::vector<BOX2<short int>>(500, Box(1, 1, 2, 2)));
        CQuadTree tree;
        tree.create(&mesh, Box(0, 0, 1000, 1000));
        EXPECT_EQ(tree.getRealMaxDepth(), 4);
        CResultData result;
        tree.findTries(CPoint(3, 3), result);
        EXPECT_EQ(result.facets.size(), 500u) << "the deepest leaf may exceed the bound";
        EXPECT_EQ(result.nodeCount, 4);
    }
}

TEST(QuadTree, PointsAndEdgesFollowTheRows)
{
    // Four faces, one per quadrant of (0, 0)-(100, 100) about the centre (50, 50), and
    // a bound of 1 so that the root splits once.
    CGeMesh mesh;
    BoxMesh(mesh, {Box(10, 60, 20, 70), Box(60, 60, 70, 70), Box(10, 10, 20, 20), Box(60, 10, 70, 20)});
    CQuadTree tree;
    tree.setSizeBound(1);
    tree.create(&mesh, Box(0, 0, 100, 100));
    ASSERT_EQ(tree.getRealMaxDepth(), 1);
    struct PointRow {
        std::string label;
        int x, y;
        std::vector<unsigned> faces;
    };
    const std::vector<PointRow> points = {
        {"upper right", 80, 80, {1}},
        {"lower left", 5, 5, {2}},
        {"on both centre lines: child 2", 50, 50, {2}},
        {"x on the centre line, y above: child 0", 50, 80, {0}},
        {"y on the centre line, x right: child 3", 80, 50, {3}},
        {"on the root border", 0, 40, {}},
        {"outside", 120, 40, {}},
    };
    for (const PointRow& row : points) {
        CResultData result;
        tree.findTries(CPoint(row.x, row.y), result);
        EXPECT_EQ(result.facets, row.faces) << row.label;
    }
    struct BoxRow {
        std::string label;
        BOX2<short int> query;
        std::vector<unsigned> faces;
    };
    const std::vector<BoxRow> boxes = {
        {"touching an edge", Box(20, 0, 30, 15), {2}},
        {"touching a corner", Box(70, 70, 90, 90), {1}},
        {"one pixel off", Box(21, 0, 30, 15), {}},
        {"everything", Box(-5, -5, 105, 105), {0, 1, 2, 3}},
    };
    for (BoxRow row : boxes) {
        CResultData result;
        tree.findInBox(row.query, result);
        EXPECT_EQ(result.facets, row.faces) << row.label;
    }
}

TEST(QuadTree, FaceOnACentreLineGoesToEveryQuadrantItTouches)
{
    // Face 4 starts on the centre (50, 50): it touches child 0 first without lying in
    // it, so it is listed in all four children although it lies wholly inside child 1.
    CGeMesh mesh;
    BoxMesh(mesh, {Box(10, 60, 20, 70), Box(60, 60, 70, 70), Box(10, 10, 20, 20), Box(60, 10, 70, 20),
                   Box(50, 50, 55, 53)});
    CQuadTree tree;
    tree.setSizeBound(2);
    tree.create(&mesh, Box(0, 0, 100, 100));
    ASSERT_EQ(tree.getRealMaxDepth(), 1);
    struct Row {
        int x, y;
        std::vector<unsigned> faces;
    };
    for (const Row& row : std::vector<Row>{{20, 80, {0, 4}}, {80, 80, {1, 4}}, {20, 20, {2, 4}}, {80, 20, {3, 4}}}) {
        CResultData result;
        tree.findTries(CPoint(row.x, row.y), result);
        EXPECT_EQ(result.facets, row.faces) << row.x << ", " << row.y;
    }
}

TEST(QuadTree, StraddlingFaceIsFoundOnceAndTreesAreReplaced)
{
    CGeMesh mesh;
    std::vector<BOX2<short int>> boxes(8, Box(1, 1, 2, 2));
    boxes.push_back(Box(40, 40, 60, 60));  // across all four quadrants
    BoxMesh(mesh, boxes);
    CQuadTree tree;
    tree.setSizeBound(2);
    tree.create(&mesh, Box(0, 0, 100, 100));
    CResultData result;
    BOX2<short int> all = Box(0, 0, 100, 100);
    tree.findInBox(all, result);
    EXPECT_EQ(std::count(result.facets.begin(), result.facets.end(), 8u), 1);
    EXPECT_EQ(result.facets.size(), 9u);
    // A second build over another view replaces the first.
    tree.create(&mesh, Box(0, 0, 10, 10));
    EXPECT_EQ(tree.root->box.xmax, 10);
    CResultData again;
    BOX2<short int> corner = Box(0, 0, 3, 3);
    tree.findInBox(corner, again);
    EXPECT_EQ(again.facets.size(), 8u);
    tree.cleanup();
    EXPECT_FALSE(tree.hasTree());
}

}  // namespace
