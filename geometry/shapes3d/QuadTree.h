// Index over the window boxes of a mesh's faces; the mesh owns one while it is
// projected to the screen.
#pragma once

class CQuadTree {
public:
    CQuadTree() = default;
    CQuadTree(const CQuadTree&) = delete;
    CQuadTree& operator=(const CQuadTree&) = delete;
};
