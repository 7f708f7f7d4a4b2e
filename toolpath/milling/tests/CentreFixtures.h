// Shared set-up of the tool-centre model tests: a model built from kit meshes, and the
// brute-force upper envelope of its pieces.
#pragma once

#include "toolpath/milling/MillCenter.h"
#include "toolpath/milling/tests/MillFixtures.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace milltest {

struct Built {
    std::vector<std::unique_ptr<CGeMesh>> meshes;
    std::unique_ptr<CMillCenter> model;
};

inline Built Build(const std::vector<millkit::TriMesh>& meshes, CTool* tool, int flag = 0, double slope = 0)
{
    Built b;
    CMillMeshList list;
    for (const millkit::TriMesh& m : meshes) {
        b.meshes.push_back(milltest::ToGeMesh(m));
        list.AddTail(b.meshes.back().get());
    }
    b.model.reset(CreateMillCentre(&list, tool, 0, flag, slope));
    return b;
}

// Highest tip height of the model's pieces over (x, y): offset facets and tube cells as
// triangles interpolated in XY, vertex envelopes through the tool.
inline double ModelTop(const CMillCenter& m, double x, double y)
{
    double best = -1e12;
    const auto tri = [&](const Pnt3& a, const Pnt3& b, const Pnt3& c) {
        const double ux = b[0] - a[0], uy = b[1] - a[1], vx = c[0] - a[0], vy = c[1] - a[1];
        const double det = ux * vy - uy * vx;
        if (std::fabs(det) < 1e-14)
            return;
        const double wx = x - a[0], wy = y - a[1];
        const double s = (wx * vy - wy * vx) / det, t = (ux * wy - uy * wx) / det;
        const double e = -1e-12;
        if (s >= e && t >= e && s + t <= 1 - e)
            best = std::max(best, a[2] + s * (b[2] - a[2]) + t * (c[2] - a[2]));
    };
    for (const SOffsetSurf* s = m.offsets; s; s = s->next) {
        for (const SCentreTri& t : s->tris)
            tri(s->pts[size_t(t.v[0])], s->pts[size_t(t.v[1])], s->pts[size_t(t.v[2])]);
        for (const SCentreQuad& q : s->quads) {
            tri(s->pts[size_t(q.v[0])], s->pts[size_t(q.v[1])], s->pts[size_t(q.v[2])]);
            tri(s->pts[size_t(q.v[0])], s->pts[size_t(q.v[2])], s->pts[size_t(q.v[3])]);
        }
    }
    for (const SEdgeSurf* s = m.edges; s; s = s->next)
        for (int i = 0; i + 1 < s->rows; ++i)
            for (int j = 0; j < 14; ++j) {
                tri(s->At(i, j), s->At(i, j + 1), s->At(i + 1, j + 1));
                tri(s->At(i, j), s->At(i + 1, j + 1), s->At(i + 1, j));
            }
    const double p[3] = {x, y, 0};
    for (const Pnt3& v : m.vertices.v)
        best = std::max(best, m.tool->Zval_VertCC(v.data(), p));
    return best;
}

// The six faces of the box [0, 4] x [0, 3] x [0, 2], each its own mesh, facing out.
inline std::vector<millkit::TriMesh> BoxFaces()
{
    const millkit::Vec3 v[8] = {{0, 0, 0}, {4, 0, 0}, {4, 3, 0}, {0, 3, 0}, {0, 0, 2}, {4, 0, 2}, {4, 3, 2}, {0, 3, 2}};
    const int faces[6][4] = {{4, 5, 6, 7}, {0, 3, 2, 1}, {0, 1, 5, 4}, {1, 2, 6, 5}, {2, 3, 7, 6}, {3, 0, 4, 7}};
    std::vector<millkit::TriMesh> out;
    for (const auto& f : faces) {
        millkit::TriMesh m;
        for (int k = 0; k < 4; ++k)
            m.vertices.push_back(v[f[k]]);
        m.triangles = {{0, 1, 2}, {0, 2, 3}};
        out.push_back(m);
    }
    return out;
}

}  // namespace milltest
