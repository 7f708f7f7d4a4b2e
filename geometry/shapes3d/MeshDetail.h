// Helpers shared by the mesh's source files.
#pragma once

#include "geometry/shapes3d/GeCurve3d.h"

#include <vector>

namespace meshdetail {

// Parallel loops over fewer elements run on the calling thread: starting the threads
// costs more than the loop.
constexpr long kParallelMin = 20000;

// Empties the vector and gives its storage back.
template <class T>
void Release(std::vector<T>& v)
{
    std::vector<T>().swap(v);
}

// Chains the segments into loops (tolerance 0.02), frees the segments and appends the
// loops' polylines to out.
void ChainToPolylines(CGeCurve3dList& segments, CGeCurve3dList& out);

}  // namespace meshdetail
