// The surface facade against peers on the same input in the same run.
//
// PrjAlongZAxis: 1e6 points dropped onto a terrain of about 1e6 triangles, and
// 1e6 points onto the propeller of Open CASCADE's sample STL meshes, against
// Embree (one thread) building its scene and shooting the same vertical rays
// down from above the mesh. Counters: embree_s (build + rays), embree_rays_s,
// ratio (ours over build + rays; the target is at most 3), ratio_rays (ours
// over the rays alone), mismatches (points whose heights differ by more than
// 1e-4 of the mesh size, or that one side misses).
//
// Loft: 50 wave sections lofted by CLoftSrfCreator (sections added, one
// surface made) against BRepOffsetAPI_ThruSections (edges and wires made,
// loft built). Counters: occt_s, ratio (ours over the peer's; the target is at
// most 1).
//
// Times are the calling thread's CPU time.

#include "ThreadClock.h"
#include "geometry/shapes3d/GeMesh.h"
#include "geometry/shapes3d/GeNrbCrv3d.h"
#include "testing/LoftSections.h"
#include "testing/OcctNurbs.h"
#include "testing/OcctStlMesh.h"
#include "toolpath/surfkernel/LoftSrfCreator.h"
#include "toolpath/surfkernel/SrfActor.h"

#include <BRepBuilderAPI_MakeEdge.hxx>
#include <BRepBuilderAPI_MakeWire.hxx>
#include <BRepOffsetAPI_ThruSections.hxx>
#include <TopoDS_Edge.hxx>
#include <TopoDS_Wire.hxx>
#include <benchmark/benchmark.h>
#include <embree3/rtcore.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

namespace {

// A terrain of n x n cells (2 n² triangles) over [0, 100]².
void Terrain(int n, CGeMesh& mesh)
{
    for (int j = 0; j <= n; ++j)
        for (int i = 0; i <= n; ++i) {
            const double x = 100.0 * i / n, y = 100.0 * j / n;
            const double z = 3.0 * std::sin(0.21 * x) * std::cos(0.17 * y) + 0.5 * std::sin(1.3 * x + y);
            mesh.vertices.emplace_back(float(x), float(y), float(z));
        }
    auto id = [&](int i, int j) { return j * (n + 1) + i; };
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) {
            mesh.faces3.emplace_back(id(i, j), id(i + 1, j), id(i + 1, j + 1));
            mesh.faces3.emplace_back(id(i, j), id(i + 1, j + 1), id(i, j + 1));
        }
}

// Highest hits of vertical rays through the points by Embree on one thread;
// kNoHeight where a ray meets nothing. Returns the build time.
double EmbreeHeights(const CGeMesh& m, const std::vector<tagPoint3f>& pts, float top, std::vector<float>& z,
                     double& rays)
{
    const double t0 = ThreadCpuSeconds();
    RTCDevice device = rtcNewDevice("threads=1");
    RTCScene scene = rtcNewScene(device);
    RTCGeometry geom = rtcNewGeometry(device, RTC_GEOMETRY_TYPE_TRIANGLE);
    auto* vb = static_cast<float*>(rtcSetNewGeometryBuffer(geom, RTC_BUFFER_TYPE_VERTEX, 0, RTC_FORMAT_FLOAT3,
                                                           3 * sizeof(float), m.vertices.size()));
    for (std::size_t i = 0; i < m.vertices.size(); ++i)
        vb[3 * i] = m.vertices[i].x, vb[3 * i + 1] = m.vertices[i].y, vb[3 * i + 2] = m.vertices[i].z;
    auto* ib = static_cast<unsigned*>(rtcSetNewGeometryBuffer(geom, RTC_BUFFER_TYPE_INDEX, 0, RTC_FORMAT_UINT3,
                                                              3 * sizeof(unsigned), m.faces3.size()));
    for (std::size_t i = 0; i < m.faces3.size(); ++i)
        for (int k = 0; k < 3; ++k) ib[3 * i + std::size_t(k)] = m.faces3[i].v[k];
    rtcCommitGeometry(geom);
    rtcAttachGeometry(scene, geom);
    rtcReleaseGeometry(geom);
    rtcCommitScene(scene);
    const double t1 = ThreadCpuSeconds();
    z.resize(pts.size());
    RTCIntersectContext context;
    rtcInitIntersectContext(&context);
    for (std::size_t i = 0; i < pts.size(); ++i) {
        RTCRayHit rh{};
        rh.ray.org_x = pts[i].x, rh.ray.org_y = pts[i].y, rh.ray.org_z = top;
        rh.ray.dir_x = 0.0f, rh.ray.dir_y = 0.0f, rh.ray.dir_z = -1.0f;
        rh.ray.tnear = 0.0f, rh.ray.tfar = 1e30f, rh.ray.mask = 0xFFFFFFFFu;
        rh.hit.geomID = RTC_INVALID_GEOMETRY_ID;
        rtcIntersect1(scene, &context, &rh);
        z[i] = rh.hit.geomID == RTC_INVALID_GEOMETRY_ID ? float(kNoHeight) : top - rh.ray.tfar;
    }
    const double t2 = ThreadCpuSeconds();
    rtcReleaseScene(scene);
    rtcReleaseDevice(device);
    rays = t2 - t1;
    return t1 - t0;
}

void BM_PrjAlongZAxis(benchmark::State& state)
{
    CGeMesh mesh;
    if (state.range(0) == 0) {
        Terrain(708, mesh);
    } else if (!occt3d::ReadStlMesh("propeller.stl", mesh)) {
        state.SkipWithError("propeller.stl not readable");
        return;
    }
    mesh.CalcBox();
    const BOX3<double>& box = mesh.m_box;
    const double size = std::max({box.xmax - box.xmin, box.ymax - box.ymin, box.zmax - box.zmin});
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> ux(box.xmin, box.xmax), uy(box.ymin, box.ymax);
    std::vector<tagPoint3f> in(1000000);
    for (tagPoint3f& p : in) p = {float(ux(rng)), float(uy(rng)), 0.0f};
    CTypedPtrList<CObList, CGeMesh*> meshes;
    meshes.AddTail(&mesh);
    CSrfActor actor;
    double ours = 0.0, build = 0.0, rays = 0.0;
    int mismatches = 0;
    for (auto _ : state) {
        std::vector<tagPoint3f> out;
        const double t0 = ThreadCpuSeconds();
        actor.PrjAlongZAxis(&meshes, in, out);
        const double t1 = ThreadCpuSeconds();
        ours += t1 - t0;
        state.SetIterationTime(t1 - t0);
        std::vector<float> z;
        double r = 0.0;
        build += EmbreeHeights(mesh, in, float(box.zmax + 1.0), z, r);
        rays += r;
        mismatches = 0;
        for (std::size_t i = 0; i < in.size(); ++i) mismatches += std::fabs(double(out[i].z) - z[i]) > 1e-4 * size;
    }
    state.counters["triangles"] = double(mesh.faces3.size());
    state.counters["embree_s"] = (build + rays) / static_cast<double>(state.iterations());
    state.counters["embree_rays_s"] = rays / static_cast<double>(state.iterations());
    state.counters["ratio"] = ours / (build + rays);
    state.counters["ratio_rays"] = ours / rays;
    state.counters["mismatches"] = mismatches;
}

BENCHMARK(BM_PrjAlongZAxis)->Arg(0)->Arg(1)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_Loft50(benchmark::State& state)
{
    const std::vector<loftfix::CurvePtr> sections = loftfix::Sections(50, state.range(0) == 1);
    for (const auto& c : sections)
        if (!c) {
            state.SkipWithError("sections not made");
            return;
        }
    double ours = 0.0, theirs = 0.0;
    bool made = true;
    for (auto _ : state) {
        std::vector<std::unique_ptr<CGeNrbCrv3d>> curves;
        for (const auto& c : sections) curves.push_back(std::make_unique<CGeNrbCrv3d>(c->Clone()));
        const double t0 = ThreadCpuSeconds();
        _nurbs_surface* loft = nullptr;
        {
            CLoftSrfCreator creator;
            for (const auto& c : curves) creator.AddCross(c.get(), 0);
            loft = creator.CreatLoftSurf();
        }
        const double t1 = ThreadCpuSeconds();
        BRepOffsetAPI_ThruSections thru(false, false, 1e-6);
        for (const auto& c : sections) {
            const TopoDS_Edge edge = BRepBuilderAPI_MakeEdge(occt3d::ToOcct(c.get()));
            thru.AddWire(BRepBuilderAPI_MakeWire(edge));
        }
        thru.Build();
        const double t2 = ThreadCpuSeconds();
        made = made && loft != nullptr && thru.IsDone();
        BSRF_Free(loft);
        ours += t1 - t0;
        theirs += t2 - t1;
        state.SetIterationTime(t1 - t0);
    }
    if (!made) state.SkipWithError("a loft failed");
    state.counters["occt_s"] = theirs / static_cast<double>(state.iterations());
    state.counters["ratio"] = ours / theirs;
}

BENCHMARK(BM_Loft50)->Arg(0)->Arg(1)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
