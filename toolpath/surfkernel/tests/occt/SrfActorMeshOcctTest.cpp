// Heights of points under the STL meshes of Open CASCADE's sample data (read
// with its STL reader) against a plain drop of every point onto every triangle.

#include "geometry/shapes3d/GeMesh.h"
#include "testing/OcctStlMesh.h"
#include "toolpath/surfkernel/SrfActor.h"


#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

namespace {

// Highest plane height over every triangle whose XY projection holds the point
// with barycentric coordinates down to -margin (triangles whose projection is
// thinner than minArea of their edge lengths are skipped); -inf for none.
double Drop(const CGeMesh& m, double x, double y, double margin, double minArea)
{
    double best = -INFINITY;
    for (const SFacet3& f : m.faces3) {
        const CPoint3f &a = m.vertices[f.v[0]], &b = m.vertices[f.v[1]], &c = m.vertices[f.v[2]];
        const double ux = double(b.x) - a.x, uy = double(b.y) - a.y, vx = double(c.x) - a.x, vy = double(c.y) - a.y;
        const double det = ux * vy - uy * vx;
        if (!(std::fabs(det) > minArea * std::hypot(ux, uy) * std::hypot(vx, vy))) continue;
        const double wx = x - a.x, wy = y - a.y;
        const double s = (wx * vy - wy * vx) / det, t = (ux * wy - uy * wx) / det;
        if (s < -margin || t < -margin || s + t > 1 + margin) continue;
        best = std::max(best, a.z + s * (double(b.z) - a.z) + t * (double(c.z) - a.z));
    }
    return best;
}

TEST(SrfActorMeshOcct, HeightsUnderSampleMeshesLieBetweenTheStrictAndTheTolerantDrop)
{
    // Ours must reach every triangle that holds the point well inside and may
    // reach no triangle beyond its own tolerance: the height lies between the
    // strict drop and the tolerant one.
    const char* const kMeshes[] = {"shape.stl", "sh1.stl", "propeller.stl"};
    CSrfActor actor;
    for (const char* name : kMeshes) {
        CGeMesh mesh;
        ASSERT_TRUE(occt3d::ReadStlMesh(name, mesh)) << name;
        mesh.CalcBox();
        const BOX3<double>& box = mesh.m_box;
        const double size = std::max({box.xmax - box.xmin, box.ymax - box.ymin, box.zmax - box.zmin});
        // A jittered 40 x 40 grid over the plan box grown by 5 % on every side.
        std::mt19937 rng(11);
        std::uniform_real_distribution<double> jitter(0.0, 1.0);
        std::vector<tagPoint3f> in;
        const double gx = 0.05 * (box.xmax - box.xmin), gy = 0.05 * (box.ymax - box.ymin);
        for (int j = 0; j < 40; ++j)
            for (int i = 0; i < 40; ++i)
                in.push_back({float(box.xmin - gx + (box.xmax - box.xmin + 2 * gx) * (i + jitter(rng)) / 40),
                              float(box.ymin - gy + (box.ymax - box.ymin + 2 * gy) * (j + jitter(rng)) / 40), 0.0f});
        CTypedPtrList<CObList, CGeMesh*> meshes;
        meshes.AddTail(&mesh);
        std::vector<tagPoint3f> out;
        actor.PrjAlongZAxis(&meshes, in, out);
        ASSERT_EQ(out.size(), in.size()) << name;
        int hits = 0, misses = 0;
        for (std::size_t k = 0; k < in.size(); ++k) {
            const double strict = Drop(mesh, in[k].x, in[k].y, -1e-7, 1e-9);
            const double loose = Drop(mesh, in[k].x, in[k].y, 1e-5, 1e-13);
            const double z = out[k].z;
            EXPECT_EQ(out[k].x, in[k].x);
            EXPECT_EQ(out[k].y, in[k].y);
            if (z == float(kNoHeight)) {
                EXPECT_EQ(strict, -INFINITY) << name << " point " << k << " missed a triangle";
                ++misses;
                continue;
            }
            const double eps = 1e-6 * size;
            EXPECT_GE(z, strict - eps) << name << " point " << k;
            EXPECT_LE(z, loose + eps) << name << " point " << k;
            ++hits;
        }
        EXPECT_GT(hits, 100) << name;
        EXPECT_GT(misses, 0) << name << ": the grown box leaves points outside";
    }
}

}  // namespace
