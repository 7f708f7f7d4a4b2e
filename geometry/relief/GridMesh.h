// The quad mesh of a rectangular block of grid nodes, shared by the relief grids and
// the relief canvas.
#pragma once

#include "geometry/shapes3d/GeMesh.h"

#include <cstddef>

namespace relief {

// Appends the a × b nodes of a block (row by row, within a row by column; node(c, r)
// gives the point of the block's column c and row r) and the quad of every cell,
// (V(r, c), V(r, c+1), V(r+1, c+1), V(r+1, c)) with V(r, c) = r·a + c, counter-clockwise
// seen from +z; cellKept(c, r) chooses the cells that get one. The mesh's vertices and
// quads must be empty; a and b are at least 2 and a·b fits 32-bit indices.
template <class Node, class Keep>
void AppendGridMesh(CGeMesh& mesh, unsigned a, unsigned b, Node node, Keep cellKept)
{
    mesh.vertices.reserve(static_cast<size_t>(a) * b);
    for (unsigned r = 0; r < b; ++r)
        for (unsigned c = 0; c < a; ++c) mesh.vertices.push_back(node(c, r));
    mesh.faces4.reserve(static_cast<size_t>(a - 1) * (b - 1));
    for (unsigned r = 0; r + 1 < b; ++r)
        for (unsigned c = 0; c + 1 < a; ++c) {
            if (!cellKept(c, r)) continue;
            const int v = static_cast<int>(r * a + c), w = v + static_cast<int>(a);
            mesh.faces4.emplace_back(v, v + 1, w + 1, w);
        }
}

template <class Node>
void AppendGridMesh(CGeMesh& mesh, unsigned a, unsigned b, Node node)
{
    AppendGridMesh(mesh, a, b, node, [](unsigned, unsigned) { return true; });
}

}  // namespace relief
