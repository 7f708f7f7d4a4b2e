// Index over the window boxes of a mesh's faces (faceboxes, triangles first), built
// once over the view when the mesh is projected to the screen, so that the faces under
// a brush or a rubber band are found without testing every face. Window pixels are
// signed 16-bit values. The tree is never rebalanced: a face stays in the leaves chosen
// when the tree was built, and the face count must not change while the tree exists.
#pragma once

#include "framework/numerak/Box.h"
#include "platform/core/WinGeometry.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

class CDC;
class CGeMesh;
class CQuadTree;

// Result of a query: the faces found and two statistics no operation reads.
class CResultData {
public:
    std::uint8_t nodeCount = 0;  // inner nodes descended through (wraps)
    int testCount = 0;           // face boxes tested
    std::vector<unsigned int> facets;
};

class QuadTreeNode {
public:
    QuadTreeNode(CQuadTree* tree, const BOX2<short int>& box);

    bool IsLeaf() const { return !children[0]; }
    // Strictly inside the node box.
    bool ContainsPoint(short int x, short int y) const { return box.IsPtIn(x, y, 0); }
    // Closed overlap.
    bool IntersectsBox(const BOX2<short int>& b) const { return box.IsIntersect(b); }
    // Distributes the faces over four children (a face on a quadrant border goes to
    // every child it touches) and splits the children that still hold too many.
    void Split(int level);
    void FindPoint(short int x, short int y, CResultData& result) const;
    void FindInBox(const BOX2<short int>& query, CResultData& result) const;
    void Draw(CDC* dc) const;

    BOX2<short int> box;
    short int center[2];
    std::array<std::unique_ptr<QuadTreeNode>, 4> children;
    std::vector<unsigned int> facets;

private:
    CQuadTree* m_tree;
};

class CQuadTree {
public:
    CQuadTree() = default;
    ~CQuadTree();
    CQuadTree(const CQuadTree&) = delete;
    CQuadTree& operator=(const CQuadTree&) = delete;

    // Deletes every node.
    void cleanup();
    bool hasTree() const { return root != nullptr; }
    void setSizeBound(int bound) { sizeBound = static_cast<unsigned>(bound); }
    unsigned getSizeBound() const { return sizeBound; }
    void setMaxDepth(int depth) { maxDepth = depth; }
    int getMaxDepth() const { return maxDepth; }
    int getRealMaxDepth() const { return realMaxDepth; }

    // Builds the tree of the mesh's faceboxes over box; a tree already there is
    // replaced. A bound of 0 becomes sizePercent of the face count (at least 1).
    // Nothing for a null mesh.
    void create(CGeMesh* mesh, BOX2<short int> box);
    // Appends the faces of the leaf holding the point (candidates, unsorted); nothing
    // for a point not strictly inside the root box.
    void findTries(CPoint point, CResultData& result) const;
    // Appends the faces whose window boxes meet box (closed), then sorts the result's
    // faces ascending and removes repeats.
    void findInBox(BOX2<short int>& box, CResultData& result) const;
    // Outlines every node, parents first.
    void Draw(CDC* dc) const;

    CGeMesh* mesh = nullptr;
    std::unique_ptr<QuadTreeNode> root;
    unsigned sizeBound = 100;
    int maxDepth = 4;
    int realMaxDepth = 0;
    float sizePercent = 2.0f;
};
