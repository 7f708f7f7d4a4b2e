// Vertices of a binary STL mesh (three per triangle, shared corners repeated),
// for the point-query tests and benchmarks. The mesh comes from Debian's
// assimp-testmodels package (installed by scripts/install-deps).
#pragma once

#include "geometry/shapes2d/Vec3D.h"

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

inline constexpr const char* kStlMeshPath = "/usr/share/assimp/models/STL/Wuson.stl";

// Reads the vertices of a binary STL file: an 80-byte header, a 32-bit
// triangle count, then 50 bytes per triangle (normal, three corners, attribute).
// Returns an empty string on success, otherwise what went wrong.
inline std::string ReadStlVertices(const char* path, std::vector<Vec3D>& vertices)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::string("cannot open ") + path + " (install assimp-testmodels: scripts/install-deps)";
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.size() < 84)
        return std::string(path) + ": shorter than a binary STL header";
    uint32_t triangles;
    std::memcpy(&triangles, bytes.data() + 80, 4);
    if (bytes.size() != 84 + 50 * uint64_t(triangles))
        return std::string(path) + ": size does not match the triangle count of a binary STL";
    vertices.resize(std::size_t(triangles) * 3);
    for (uint32_t t = 0; t < triangles; ++t) {
        const char* corners = bytes.data() + 84 + 50 * std::size_t(t) + 12;
        std::memcpy(&vertices[3 * std::size_t(t)], corners, 36);
    }
    return {};
}
