// Waterline finishing at 50 levels against CGAL's Polygon_mesh_slicer cutting the same
// mesh at the same 50 heights, in the same run. Ours is the whole strategy from a built
// tool-centre model (net, sections, contours, chains and connecting moves); CGAL's is the
// bare slicing, its AABB tree built inside the timing. The counter "ratio" is Korvel's
// thread CPU time over CGAL's. Parallel finishing (step-over 0.5) of the same model is
// timed per pass ("pass_ms"). Inputs: a terrain and a torus of about 1e5 triangles, a
// ball of 2 mm.
#include "bench/MillInput.h"
#include "bench/ThreadClock.h"
#include "framework/looker/Tool.h"
#include "framework/pathwerk/ParamSrfFinish.h"
#include "geometry/shapes3d/GeMesh.h"
#include "testing/MillMesh.h"
#include "toolpath/contours/PathGroup.h"
#include "toolpath/milling/CreSrfContourPath.h"
#include "toolpath/milling/MillCenter.h"
#include "toolpath/milling/SrfParallelPath.h"

#include <CGAL/Exact_predicates_inexact_constructions_kernel.h>
#include <CGAL/Polygon_mesh_slicer.h>
#include <CGAL/Surface_mesh.h>
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

namespace {

using K = CGAL::Exact_predicates_inexact_constructions_kernel;
using SMesh = CGAL::Surface_mesh<K::Point_3>;
using Slicer = CGAL::Polygon_mesh_slicer<SMesh, K>;

constexpr int kLevels = 50;

struct Input : MillInput {
    SMesh peer;
};

// 0 terrain, 1 torus.
Input& Get(int which)
{
    static std::unique_ptr<Input> inputs[2];
    auto& in = inputs[which];
    if (in)
        return *in;
    in = std::make_unique<Input>();
    const millkit::TriMesh t =
        which == 0 ? millkit::TerrainMesh([](double x, double y) { return 8 * std::sin(x * 0.05) * std::cos(y * 0.07); },
                                          0, 0, 300, 224)
                   : millkit::TorusMesh({0, 0, 0}, 60, 20, 316, 158);
    MakeBallModel(t, 2, *in);
    // The same float vertices.
    std::vector<SMesh::Vertex_index> vi;
    for (const auto& v : in->mesh->vertices)
        vi.push_back(in->peer.add_vertex(K::Point_3(v[0], v[1], v[2])));
    for (const auto& f : t.triangles)
        in->peer.add_face(vi[size_t(f[0])], vi[size_t(f[1])], vi[size_t(f[2])]);
    return *in;
}

// Levels over the model's height, as the strategy places them: none at the top.
CParamSrfFinish Levels(const CMillCenter& model)
{
    CParamSrfFinish p;
    p.m_dTopHeight = model.box[5];
    p.m_dCutDepth = model.box[5] - model.box[2];
    p.m_dZStep = p.m_dCutDepth / kLevels;
    p.m_nStartCorner = 4;
    return p;
}

size_t Entities(const CPathGroup& g)
{
    size_t n = 0;
    for (const CPathCombine* c = g.head; c; c = c->next)
        for (const CPathEntity* e = c->head; e; e = e->next)
            ++n;
    return n;
}

void BM_Waterline(benchmark::State& state)
{
    Input& in = Get(int(state.range(0)));
    CParamSrfFinish p = Levels(*in.model);
    double korvel = 0, peer = 0;
    size_t entities = 0, polylines = 0;
    int levels = 0;
    for (auto _ : state) {
        double t0 = ThreadCpuSeconds();
        CCreSrfContourPath path;
        std::unique_ptr<CPathGroup> g(path.CreatePathGroup(in.model.get(), nullptr, p));
        korvel += ThreadCpuSeconds() - t0;
        entities = g ? Entities(*g) : 0;
        levels = int(std::lround(p.m_dCutDepth / path.step));

        t0 = ThreadCpuSeconds();
        Slicer slicer(in.peer);
        polylines = 0;
        for (int i = 0; i < kLevels; ++i) {
            const double z = p.m_dTopHeight - p.m_dCutDepth + i * (p.m_dCutDepth / kLevels);
            std::vector<std::vector<K::Point_3>> out;
            slicer(K::Plane_3(0, 0, 1, -z), std::back_inserter(out));
            polylines += out.size();
            benchmark::DoNotOptimize(out.data());
        }
        peer += ThreadCpuSeconds() - t0;
    }
    const double n = double(state.iterations());
    state.counters["faces"] = double(in.mesh->faces3.size());
    state.counters["levels"] = levels;
    state.counters["entities"] = double(entities);
    state.counters["cgal_polylines"] = double(polylines);
    state.counters["korvel_s"] = korvel / n;
    state.counters["cgal_s"] = peer / n;
    state.counters["ratio"] = peer > 0 ? korvel / peer : 0;
}
BENCHMARK(BM_Waterline)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ParallelFinish(benchmark::State& state)
{
    Input& in = Get(int(state.range(0)));
    CSrfParallelPath::Settings s;
    s.top = in.model->box[5];
    s.depth = in.model->box[5] - in.model->box[2];
    s.stepOver = 0.5;
    s.options = 0x01;
    double korvel = 0;
    for (auto _ : state) {
        const double t0 = ThreadCpuSeconds();
        CSrfParallelPath path;
        std::unique_ptr<CPathGroup> g(path.CreatePathGroup(in.model.get(), nullptr, s, nullptr));
        korvel += ThreadCpuSeconds() - t0;
        benchmark::DoNotOptimize(g.get());
    }
    const double passes = std::floor((in.model->box[4] - in.model->box[1]) / s.stepOver) + 1;
    state.counters["faces"] = double(in.mesh->faces3.size());
    state.counters["passes"] = passes;
    state.counters["korvel_s"] = korvel / double(state.iterations());
    state.counters["pass_ms"] = 1e3 * korvel / double(state.iterations()) / passes;
}
BENCHMARK(BM_ParallelFinish)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace
