// Checks of a mesh built from its faces alone: the use of every directed edge, the
// boundary loops, the projected area and the volume under the faces. Quads count as
// the triangles (0, 1, 2) and (0, 2, 3). Header-only; the caller links geometry.
#pragma once

#include "geometry/shapes3d/GeMesh.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <functional>
#include <map>
#include <utility>
#include <vector>

namespace meshoracle {

using Triangle = std::array<std::uint32_t, 3>;

inline std::vector<Triangle> Triangles(const CGeMesh& m)
{
    std::vector<Triangle> out;
    for (const SFacet3& f : m.faces3) out.push_back({f[0], f[1], f[2]});
    for (const SFacet4& q : m.faces4) {
        out.push_back({q[0], q[1], q[2]});
        out.push_back({q[0], q[2], q[3]});
    }
    return out;
}

// Every directed edge of the faces (quads by their four sides) with its number of uses.
inline std::map<std::pair<std::uint32_t, std::uint32_t>, int> EdgeUse(const CGeMesh& m)
{
    std::map<std::pair<std::uint32_t, std::uint32_t>, int> use;
    for (const SFacet3& f : m.faces3)
        for (int k = 0; k < 3; ++k) ++use[{f[k], f[(k + 1) % 3]}];
    for (const SFacet4& q : m.faces4)
        for (int k = 0; k < 4; ++k) ++use[{q[k], q[(k + 1) % 4]}];
    return use;
}

struct Watertight {
    int repeatedEdges = 0;    // directed edges used more than once
    int boundaryLoops = 0;    // closed chains of edges used in one direction only
    int openChains = 0;       // boundary edges that do not close into loops
    int badIndices = 0;       // corners past the vertex array
    std::vector<double> loopAreas;  // signed projected area of every boundary loop
};

// Interior edges must be used once in each direction; the rest form the boundary,
// which must split into closed loops (each boundary vertex starting one edge).
inline Watertight CheckWatertight(const CGeMesh& m)
{
    Watertight w;
    const auto use = EdgeUse(m);
    std::multimap<std::uint32_t, std::uint32_t> boundary;
    for (const auto& [e, n] : use) {
        if (e.first >= m.vertices.size() || e.second >= m.vertices.size()) ++w.badIndices;
        if (n > 1) ++w.repeatedEdges;
        if (!use.count({e.second, e.first})) boundary.insert({e.first, e.second});
    }
    while (!boundary.empty()) {
        auto it = boundary.begin();
        const std::uint32_t start = it->first;
        std::uint32_t at = it->second;
        double area = m.vertices[start].x * m.vertices[at].y - m.vertices[at].x * m.vertices[start].y;
        boundary.erase(it);
        bool closed = false;
        while (true) {
            if (at == start) {
                closed = true;
                break;
            }
            auto next = boundary.find(at);
            if (next == boundary.end()) break;
            const std::uint32_t to = next->second;
            area += double(m.vertices[at].x) * m.vertices[to].y - double(m.vertices[to].x) * m.vertices[at].y;
            boundary.erase(next);
            at = to;
        }
        if (closed) {
            ++w.boundaryLoops;
            w.loopAreas.push_back(0.5 * area);
        } else {
            ++w.openChains;
        }
    }
    return w;
}

// Signed area of a face seen from +z.
inline double ProjectedArea(const CGeMesh& m, const Triangle& t)
{
    const CPoint3f &a = m.vertices[t[0]], &b = m.vertices[t[1]], &c = m.vertices[t[2]];
    return 0.5 * ((double(b.x) - a.x) * (double(c.y) - a.y) - (double(c.x) - a.x) * (double(b.y) - a.y));
}

inline double ProjectedArea(const CGeMesh& m)
{
    double s = 0.0;
    for (const Triangle& t : Triangles(m)) s += ProjectedArea(m, t);
    return s;
}

// Σ projected area × mean z: the volume between the faces and z = 0.
inline double Volume(const CGeMesh& m)
{
    double s = 0.0;
    for (const Triangle& t : Triangles(m))
        s += ProjectedArea(m, t) * (double(m.vertices[t[0]].z) + m.vertices[t[1]].z + m.vertices[t[2]].z) / 3.0;
    return s;
}

// Faces whose projected area is not above minArea.
inline int FlatFaces(const CGeMesh& m, double minArea)
{
    int n = 0;
    for (const Triangle& t : Triangles(m)) n += ProjectedArea(m, t) <= minArea ? 1 : 0;
    return n;
}

}  // namespace meshoracle
