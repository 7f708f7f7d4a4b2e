// CreateMillCentre against OpenMesh on the same arrays in the same run. OpenMesh builds
// its half-edge mesh, face and vertex normals and the list of boundary edges: the
// topology and normals part of the tool-centre build, which adds the crease split, the
// offsets, the edge polylines with their duplicate search, tubes and vertex envelopes.
// The counter "ratio" is Korvel's thread CPU time over OpenMesh's (below 1: Korvel is
// faster). Inputs: one terrain mesh and one torus of about 1e5 and 1e6 triangles, a
// ball of 2 mm.
#include "bench/ThreadClock.h"
#include "framework/looker/Tool.h"
#include "geometry/shapes3d/GeMesh.h"
#include "testing/MillMesh.h"
#include "toolpath/milling/MillCenter.h"

#include <OpenMesh/Core/Mesh/TriMesh_ArrayKernelT.hh>
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

namespace {

using OMesh = OpenMesh::TriMesh_ArrayKernelT<>;

// Input: 0/1 terrain of 1e5/1e6 triangles, 2/3 torus of 1e5/1e6.
const CGeMesh& Input(int which)
{
    static std::unique_ptr<CGeMesh> meshes[4];
    auto& m = meshes[which];
    if (m)
        return *m;
    millkit::TriMesh t;
    if (which < 2) {
        const int n = which == 0 ? 224 : 707;
        t = millkit::TerrainMesh([](double x, double y) { return 8 * std::sin(x * 0.05) * std::cos(y * 0.07); }, 0, 0, 300,
                                 n);
    } else {
        const int n = which == 2 ? 316 : 1000;
        t = millkit::TorusMesh({0, 0, 0}, 60, 20, n, n / 2);
    }
    m = std::make_unique<CGeMesh>();
    for (const auto& v : t.vertices)
        m->vertices.emplace_back(float(v[0]), float(v[1]), float(v[2]));
    for (const auto& f : t.triangles)
        m->faces3.emplace_back(f[0], f[1], f[2]);
    return *m;
}

void BM_CreateMillCentre(benchmark::State& state)
{
    const CGeMesh& src = Input(int(state.range(0)));
    CTBall tool(2);
    tool.SetAidParam();
    double korvel = 0, peer = 0;
    int edges = 0;
    size_t boundary = 0;
    for (auto _ : state) {
        CGeMesh m;
        m.vertices = src.vertices;
        m.faces3 = src.faces3;
        CMillMeshList list;
        list.AddTail(&m);
        double t0 = ThreadCpuSeconds();
        std::unique_ptr<CMillCenter> model(CreateMillCentre(&list, &tool, 0, 0, 0));
        korvel += ThreadCpuSeconds() - t0;
        edges = model ? model->edgeCount : -1;

        t0 = ThreadCpuSeconds();
        OMesh om;
        om.reserve(src.vertices.size(), src.faces3.size() * 3 / 2, src.faces3.size());
        std::vector<OMesh::VertexHandle> vh;
        vh.reserve(src.vertices.size());
        for (const CPoint3f& p : src.vertices)
            vh.push_back(om.add_vertex(OMesh::Point(p.x, p.y, p.z)));
        for (const SFacet3& f : src.faces3)
            om.add_face(vh[f[0]], vh[f[1]], vh[f[2]]);
        om.request_face_normals();
        om.request_vertex_normals();
        om.update_normals();
        std::vector<OMesh::EdgeHandle> open;
        for (auto e : om.edges())
            if (om.is_boundary(e))
                open.push_back(e);
        peer += ThreadCpuSeconds() - t0;
        boundary = open.size();
        benchmark::DoNotOptimize(open.data());
    }
    const double n = double(state.iterations());
    state.counters["faces"] = double(src.faces3.size());
    state.counters["edge_surfaces"] = edges;
    state.counters["openmesh_boundary_edges"] = double(boundary);
    state.counters["korvel_s"] = korvel / n;
    state.counters["openmesh_s"] = peer / n;
    state.counters["ratio"] = peer > 0 ? korvel / peer : 0;
}
BENCHMARK(BM_CreateMillCentre)->Arg(0)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace

