// The upward projection against Embree's first hit of the same rays.
#include "testing/MeshPeers.h"

#include <embree3/rtcore.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

namespace {

TEST(GeMeshProjectEmbree, UpwardRaysUnderTheBunny)
{
    meshpeers::PolyMesh pm;
    ASSERT_TRUE(meshpeers::ReadScaled("bunny00.off", pm));
    CGeMesh mesh;
    meshpeers::ToGeMesh(pm, mesh);
    ASSERT_TRUE(mesh.faces4.empty());

    RTCDevice device = rtcNewDevice(nullptr);
    RTCScene scene = rtcNewScene(device);
    RTCGeometry geom = rtcNewGeometry(device, RTC_GEOMETRY_TYPE_TRIANGLE);
    auto* vb = static_cast<float*>(rtcSetNewGeometryBuffer(geom, RTC_BUFFER_TYPE_VERTEX, 0, RTC_FORMAT_FLOAT3,
                                                           3 * sizeof(float), mesh.vertices.size()));
    for (std::size_t i = 0; i < mesh.vertices.size(); ++i) {
        vb[3 * i] = mesh.vertices[i].x;
        vb[3 * i + 1] = mesh.vertices[i].y;
        vb[3 * i + 2] = mesh.vertices[i].z;
    }
    auto* ib = static_cast<unsigned*>(rtcSetNewGeometryBuffer(geom, RTC_BUFFER_TYPE_INDEX, 0, RTC_FORMAT_UINT3,
                                                              3 * sizeof(unsigned), mesh.faces3.size()));
    for (std::size_t i = 0; i < mesh.faces3.size(); ++i)
        for (int k = 0; k < 3; ++k) ib[3 * i + k] = mesh.faces3[i][k];
    rtcCommitGeometry(geom);
    rtcAttachGeometry(scene, geom);
    rtcReleaseGeometry(geom);
    rtcCommitScene(scene);
    RTCIntersectContext context;
    rtcInitIntersectContext(&context);

    mesh.CalcBox();
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> ux(mesh.m_box.xmin, mesh.m_box.xmax), uy(mesh.m_box.ymin, mesh.m_box.ymax);
    const float z0 = float(mesh.m_box.zmin - 10.0);
    int hits = 0, agree = 0;
    for (int i = 0; i < 400; ++i) {
        tagPoint3f p{float(ux(rng)), float(uy(rng)), z0};
        RTCRayHit rh{};
        rh.ray.org_x = p.x, rh.ray.org_y = p.y, rh.ray.org_z = p.z;
        rh.ray.dir_x = 0, rh.ray.dir_y = 0, rh.ray.dir_z = 1;
        rh.ray.tnear = 0, rh.ray.tfar = 100000.0f, rh.ray.mask = 0xFFFFFFFFu;
        rh.hit.geomID = RTC_INVALID_GEOMETRY_ID;
        rtcIntersect1(scene, &context, &rh);
        tagPoint3f hit{};
        bool found = mesh.ProjectZ(p, hit);
        bool peer = rh.hit.geomID != RTC_INVALID_GEOMETRY_ID;
        // Rays grazing an edge may be taken by one side only.
        if (found != peer) continue;
        ++agree;
        if (!found) continue;
        ++hits;
        EXPECT_NEAR(hit.z, p.z + rh.ray.tfar, 1e-3f) << "ray " << i;
    }
    EXPECT_GE(agree, 396);
    EXPECT_GT(hits, 100);
    rtcReleaseScene(scene);
    rtcReleaseDevice(device);
}

}  // namespace
