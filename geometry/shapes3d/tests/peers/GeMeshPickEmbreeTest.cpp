// Ray picking of real meshes against Embree's first hit of the same rays.
#include "framework/looker/AppSlots.h"
#include "framework/looker/Looker.h"
#include "framework/looker/SnapRecords.h"
#include "testing/EmbreeScene.h"
#include "testing/MeshPeers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

namespace {

// A ray from a point on the sphere of radius 1.5 x the mesh size about its centre
// towards a random point of its box.
void RandomRay(std::mt19937& rng, const BOX3<double>& box, double* origin, double* dir)
{
    std::normal_distribution<double> g;
    std::uniform_real_distribution<double> u(0.0, 1.0);
    const double c[3] = {0.5 * (box.xmin + box.xmax), 0.5 * (box.ymin + box.ymax), 0.5 * (box.zmin + box.zmax)};
    double s[3] = {g(rng), g(rng), g(rng)};
    const double ls = std::sqrt(s[0] * s[0] + s[1] * s[1] + s[2] * s[2]);
    const double target[3] = {box.xmin + u(rng) * (box.xmax - box.xmin), box.ymin + u(rng) * (box.ymax - box.ymin),
                              box.zmin + u(rng) * (box.zmax - box.zmin)};
    for (int i = 0; i < 3; ++i) origin[i] = c[i] + 150.0 * s[i] / ls;
    double len = 0.0;
    for (int i = 0; i < 3; ++i) dir[i] = target[i] - origin[i], len += dir[i] * dir[i];
    len = std::sqrt(len);
    for (int i = 0; i < 3; ++i) dir[i] /= len;
}

TEST(GeMeshPickEmbree, RandomRaysFromOutside)
{
    CLooker looker;
    gSetLooker(&looker);
    for (const std::string name : {"bunny00.off", "cube_quad.off"}) {
        meshpeers::PolyMesh pm;
        ASSERT_TRUE(meshpeers::ReadScaled(name, pm)) << name;
        CGeMesh mesh;
        meshpeers::ToGeMesh(pm, mesh);
        mesh.CalcBox();
        meshpeers::EmbreeScene peer(mesh);
        std::mt19937 rng(21);
        int hits = 0, quadHits = 0, disagree = 0;
        const int rays = 2000;
        for (int i = 0; i < rays; ++i) {
            CPickRay ray;
            ray.m_b2D = 0;
            RandomRay(rng, mesh.m_box, ray.m_pt, ray.m_dir);
            double t = 0.0;
            const int face = peer.Intersect(ray.m_pt, ray.m_dir, t);
            const int picked = mesh.Pick(ray, 0);
            // A ray grazing an edge may be taken by one side only.
            if ((face >= 0) != (picked == 1)) {
                ++disagree;
                continue;
            }
            if (face < 0) continue;
            ++hits;
            if (unsigned(face) >= mesh.numFace3()) ++quadHits;
            if (ray.m_nSeg != face) {
                EXPECT_NEAR(ray.m_dDepth, t, 1e-4) << name << " ray " << i << ": faces " << ray.m_nSeg << " and " << face;
            }
        }
        EXPECT_LE(disagree, rays / 200) << name;
        EXPECT_GT(hits, rays / 4) << name;
        if (!mesh.faces4.empty()) {
            EXPECT_GT(quadHits, rays / 4) << name << ": quads answer numFace3 + j";
        }
    }
    gSetLooker(nullptr);
}

}  // namespace
