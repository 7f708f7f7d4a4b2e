// Mesh topology, normals, sections and boundary curves against peers on the same input
// in the same run. The counter "ratio" is Korvel's time over the peer's (below 1:
// Korvel is faster).
//
// BM_TopologyAndNormals: GenEdgeTopoEx, Need_VertexNormals and Need_Adjacentfaces on a
// fresh copy of the faces, against OpenMesh building its mesh from the same faces and
// update_normals(). Inputs: the bunny of the CGAL data archive (scaled to 100 mm) and a
// grid of a height field with about one million triangles.
// BM_IsoCurves: ComputerIsoCurve(20) on the bunny against CGAL's Polygon_mesh_slicer on
// the same 38 planes.
// BM_BoundaryCurves: CreateBndCrv on elephant-with-holes (edges built in the call) against
// OpenMesh building the mesh and walking its boundary halfedges.
#include "geometry/shapes3d/GePolyline3d.h"
#include "testing/MeshPeers.h"

#include <CGAL/Exact_predicates_inexact_constructions_kernel.h>
#include <CGAL/Polygon_mesh_slicer.h>
#include <CGAL/Surface_mesh.h>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>

namespace {

using Clock = std::chrono::steady_clock;
using meshpeers::PolyMesh;
using K = CGAL::Exact_predicates_inexact_constructions_kernel;
using Surface = CGAL::Surface_mesh<K::Point_3>;

double Seconds(Clock::time_point from) { return std::chrono::duration<double>(Clock::now() - from).count(); }

// Input 0: the bunny; input 1: a 708 x 708 node grid (about 1M triangles).
const CGeMesh& Input(int which)
{
    static CGeMesh meshes[2];
    CGeMesh& m = meshes[which];
    if (!m.vertices.empty()) return m;
    if (which == 0) {
        PolyMesh pm;
        meshpeers::ReadScaled("bunny00.off", pm);
        meshpeers::ToGeMesh(pm, m);
    } else {
        const int n = 708;
        for (int j = 0; j < n; ++j)
            for (int i = 0; i < n; ++i)
                m.vertices.emplace_back(i * 0.1f, j * 0.1f, float(std::sin(i * 0.05) * std::cos(j * 0.07)));
        for (int j = 1; j < n; ++j)
            for (int i = 1; i < n; ++i) {
                int a = (j - 1) * n + (i - 1), b = a + 1, c = a + n, d = c + 1;
                m.faces3.emplace_back(a, b, c);
                m.faces3.emplace_back(b, d, c);
            }
    }
    return m;
}

PolyMesh BuildOpenMesh(const CGeMesh& m)
{
    PolyMesh pm;
    pm.reserve(m.vertices.size(), 3 * m.faces3.size() / 2, m.faces3.size());
    std::vector<PolyMesh::VertexHandle> vh;
    vh.reserve(m.vertices.size());
    for (const CPoint3f& p : m.vertices) vh.push_back(pm.add_vertex(PolyMesh::Point(p.x, p.y, p.z)));
    for (const SFacet3& f : m.faces3) pm.add_face(vh[f[0]], vh[f[1]], vh[f[2]]);
    return pm;
}

void BM_TopologyAndNormals(benchmark::State& state)
{
    const CGeMesh& src = Input(int(state.range(0)));
    double korvel = 0.0, peer = 0.0;
    for (auto _ : state) {
        CGeMesh m;
        m.vertices = src.vertices;
        m.faces3 = src.faces3;
        auto t0 = Clock::now();
        m.GenEdgeTopoEx();
        m.Need_VertexNormals();
        m.Need_Adjacentfaces();
        korvel += Seconds(t0);
        benchmark::DoNotOptimize(m.edges.data());
        t0 = Clock::now();
        PolyMesh pm = BuildOpenMesh(src);
        pm.request_face_normals();
        pm.request_vertex_normals();
        pm.update_normals();
        peer += Seconds(t0);
        benchmark::DoNotOptimize(pm.n_edges());
    }
    const double n = double(state.iterations());
    state.counters["faces"] = double(src.faces3.size());
    state.counters["korvel_s"] = korvel / n;
    state.counters["openmesh_s"] = peer / n;
    state.counters["ratio"] = peer > 0.0 ? korvel / peer : 0.0;
}
BENCHMARK(BM_TopologyAndNormals)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_IsoCurves(benchmark::State& state)
{
    const CGeMesh& src = Input(0);
    Surface sm;
    std::vector<Surface::Vertex_index> vs;
    for (const CPoint3f& p : src.vertices) vs.push_back(sm.add_vertex(K::Point_3(p.x, p.y, p.z)));
    for (const SFacet3& f : src.faces3) sm.add_face(vs[f[0]], vs[f[1]], vs[f[2]]);
    CGeMesh m;
    m.CopyFromMesh(const_cast<CGeMesh*>(&src));
    m.CalcBox();
    const BOX3<double> box = m.m_box;
    const int n = 20;
    double korvel = 0.0, peer = 0.0;
    std::size_t pieces = 0;
    for (auto _ : state) {
        auto t0 = Clock::now();
        m.ComputerIsoCurve(n);
        korvel += Seconds(t0);
        t0 = Clock::now();
        // The slicer's tree is built once per run, as a caller slicing many planes would.
        CGAL::Polygon_mesh_slicer<Surface, K> slicer(sm);
        std::vector<std::vector<K::Point_3>> lines;
        for (int i = 1; i < n; ++i) {
            slicer(K::Plane_3(0, 1, 0, -(box.ymin + i * (box.ymax - box.ymin) / n)), std::back_inserter(lines));
            slicer(K::Plane_3(1, 0, 0, -(box.xmin + i * (box.xmax - box.xmin) / n)), std::back_inserter(lines));
        }
        peer += Seconds(t0);
        pieces = lines.size();
    }
    const double it = double(state.iterations());
    state.counters["polylines"] = double(m.m_listIsoCurve.GetCount());
    state.counters["cgal_polylines"] = double(pieces);
    state.counters["korvel_s"] = korvel / it;
    state.counters["cgal_s"] = peer / it;
    state.counters["ratio"] = peer > 0.0 ? korvel / peer : 0.0;
}
BENCHMARK(BM_IsoCurves)->Unit(benchmark::kMillisecond);

void BM_BoundaryCurves(benchmark::State& state)
{
    PolyMesh input;
    meshpeers::ReadScaled("elephant-with-holes.off", input);
    CGeMesh src;
    meshpeers::ToGeMesh(input, src);
    double korvel = 0.0, peer = 0.0;
    std::size_t loops = 0;
    for (auto _ : state) {
        CGeMesh m;
        m.vertices = src.vertices;
        m.faces3 = src.faces3;
        auto t0 = Clock::now();
        m.CreateBndCrv();
        korvel += Seconds(t0);
        t0 = Clock::now();
        PolyMesh pm = BuildOpenMesh(src);
        std::vector<char> seen(pm.n_halfedges(), 0);
        std::vector<std::vector<PolyMesh::Point>> walked;
        for (auto he : pm.halfedges()) {
            if (!pm.is_boundary(he) || seen[std::size_t(he.idx())]) continue;
            walked.emplace_back();
            auto h = he;
            do {
                seen[std::size_t(h.idx())] = 1;
                walked.back().push_back(pm.point(pm.from_vertex_handle(h)));
                h = pm.next_halfedge_handle(h);
            } while (h != he);
        }
        peer += Seconds(t0);
        loops = walked.size();
        benchmark::DoNotOptimize(m.m_listBndCurve.GetCount());
    }
    const double it = double(state.iterations());
    state.counters["openmesh_loops"] = double(loops);
    state.counters["korvel_s"] = korvel / it;
    state.counters["openmesh_s"] = peer / it;
    state.counters["ratio"] = peer > 0.0 ? korvel / peer : 0.0;
}
BENCHMARK(BM_BoundaryCurves)->Unit(benchmark::kMillisecond);

}  // namespace
