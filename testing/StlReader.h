// Reader of STL files (binary and ASCII) into a welded triangle mesh.
//
// Vertices with identical coordinates become one vertex, numbered in order of first
// appearance; triangles are kept as stored, degenerate ones, non-manifold edges and
// open boundaries included. A file is binary when its size is 84 + 50 * (the count in
// its header); otherwise it is read as ASCII when it begins with "solid". Failures
// (unreadable, truncated or malformed files, non-finite coordinates) return false
// with a message and leave the mesh empty; nothing is allocated from a count that the
// file's size does not cover.
#pragma once

#include "testing/MillMesh.h"

#include <cstddef>
#include <string>

namespace millkit {

bool ReadStl(const std::string& path, TriMesh& mesh, std::string* error = nullptr);
bool ReadStlBytes(const unsigned char* data, size_t size, TriMesh& mesh, std::string* error = nullptr);

}  // namespace millkit
