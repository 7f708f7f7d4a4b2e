// A CGeMesh as an Embree scene, for the pick tests and benches that compare against
// Embree: triangles are geometry 0 and quads geometry 1, so that a hit names the same
// face as the mesh's numbering (quad j is face numFace3 + j). Header-only: only the
// files that compare against Embree include it (and link embree).
#pragma once

#include "geometry/shapes3d/GeMesh.h"

#include <embree3/rtcore.h>

namespace meshpeers {

class EmbreeScene {
public:
    explicit EmbreeScene(const CGeMesh& m) : m_nFace3(m.numFace3())
    {
        m_device = rtcNewDevice(nullptr);
        m_scene = rtcNewScene(m_device);
        if (!m.faces3.empty()) Attach(m, RTC_GEOMETRY_TYPE_TRIANGLE, m.faces3.data(), m.faces3.size(), 3, 0);
        if (!m.faces4.empty()) Attach(m, RTC_GEOMETRY_TYPE_QUAD, m.faces4.data(), m.faces4.size(), 4, 1);
        rtcCommitScene(m_scene);
    }
    ~EmbreeScene()
    {
        rtcReleaseScene(m_scene);
        rtcReleaseDevice(m_device);
    }
    EmbreeScene(const EmbreeScene&) = delete;
    EmbreeScene& operator=(const EmbreeScene&) = delete;

    // The first hit along origin + t dir, t >= 0: the face (-1 for none) and t.
    int Intersect(const double* origin, const double* dir, double& t) const
    {
        RTCIntersectContext context;
        rtcInitIntersectContext(&context);
        RTCRayHit rh{};
        rh.ray.org_x = float(origin[0]), rh.ray.org_y = float(origin[1]), rh.ray.org_z = float(origin[2]);
        rh.ray.dir_x = float(dir[0]), rh.ray.dir_y = float(dir[1]), rh.ray.dir_z = float(dir[2]);
        rh.ray.tnear = 0.0f, rh.ray.tfar = 1e30f, rh.ray.mask = 0xFFFFFFFFu;
        rh.hit.geomID = RTC_INVALID_GEOMETRY_ID;
        rtcIntersect1(m_scene, &context, &rh);
        if (rh.hit.geomID == RTC_INVALID_GEOMETRY_ID) return -1;
        t = rh.ray.tfar;
        return int(rh.hit.geomID == m_geomQuads ? m_nFace3 + rh.hit.primID : rh.hit.primID);
    }

private:
    template <class Face>
    void Attach(const CGeMesh& m, RTCGeometryType type, const Face* faces, std::size_t n, int corners, int which)
    {
        RTCGeometry geom = rtcNewGeometry(m_device, type);
        auto* vb = static_cast<float*>(rtcSetNewGeometryBuffer(geom, RTC_BUFFER_TYPE_VERTEX, 0, RTC_FORMAT_FLOAT3,
                                                               3 * sizeof(float), m.vertices.size()));
        for (std::size_t i = 0; i < m.vertices.size(); ++i) {
            vb[3 * i] = m.vertices[i].x, vb[3 * i + 1] = m.vertices[i].y, vb[3 * i + 2] = m.vertices[i].z;
        }
        auto* ib = static_cast<unsigned*>(rtcSetNewGeometryBuffer(geom, RTC_BUFFER_TYPE_INDEX, 0,
                                                                  corners == 3 ? RTC_FORMAT_UINT3 : RTC_FORMAT_UINT4,
                                                                  corners * sizeof(unsigned), n));
        for (std::size_t i = 0; i < n; ++i)
            for (int k = 0; k < corners; ++k) ib[corners * i + std::size_t(k)] = faces[i][k];
        rtcCommitGeometry(geom);
        const unsigned id = rtcAttachGeometry(m_scene, geom);
        if (which == 1) m_geomQuads = id;
        rtcReleaseGeometry(geom);
    }

    RTCDevice m_device = nullptr;
    RTCScene m_scene = nullptr;
    unsigned m_nFace3 = 0;
    unsigned m_geomQuads = RTC_INVALID_GEOMETRY_ID;
};

}  // namespace meshpeers
