// One Z section of the tool-centre model against CGAL's Polygon_mesh_slicer cutting the
// model's offset mesh at the same height, in the same run. Both indexes are built once
// outside the timing (ours on the first section, CGAL's AABB tree on the slicer's first cut). The
// counter "ratio" is Korvel's thread CPU time over CGAL's; "fill_s" is the protection net's
// fill time (step 0.5). Inputs: a terrain and a torus of about 1e5 and 1e6 triangles, a
// ball of 2 mm. BM_Level times a whole level: the section, the net's level loops and the
// closed contours built from both, with CGAL's slice of the same height in the same run.
#include "bench/MillInput.h"
#include "bench/ThreadClock.h"
#include "framework/looker/Tool.h"
#include "geometry/shapes3d/GeMesh.h"
#include "testing/MillMesh.h"
#include "toolpath/milling/GridLoop.h"
#include "toolpath/milling/IntCurveSet.h"
#include "toolpath/milling/IntLineSet.h"
#include "toolpath/milling/LevelLoop.h"
#include "toolpath/milling/MillCenter.h"
#include "toolpath/milling/ProtectNet.h"

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

struct Input : MillInput {
    CProtectNet net;
    double fill = 0;
    SMesh offset;
    std::unique_ptr<Slicer> slicer;
};

// 0/1 terrain of 1e5/1e6 triangles, 2/3 torus of 1e5/1e6.
Input& Get(int which)
{
    static std::unique_ptr<Input> inputs[4];
    auto& in = inputs[which];
    if (in)
        return *in;
    in = std::make_unique<Input>();
    millkit::TriMesh t;
    if (which < 2) {
        const int n = which == 0 ? 224 : 707;
        t = millkit::TerrainMesh([](double x, double y) { return 8 * std::sin(x * 0.05) * std::cos(y * 0.07); }, 0, 0, 300,
                                 n);
    } else {
        const int n = which == 2 ? 316 : 1000;
        t = millkit::TorusMesh({0, 0, 0}, 60, 20, n, n / 2);
    }
    MakeBallModel(t, 2, *in);
    ProtectNetCreate(0.5, 0, 0, in->model->box, in->net);
    const double t0 = ThreadCpuSeconds();
    ProtectNetFill(in->net, in->model.get());
    in->fill = ThreadCpuSeconds() - t0;
    for (const SOffsetSurf* s = in->model->offsets; s; s = s->next) {
        std::vector<SMesh::Vertex_index> vi;
        for (const Pnt3& p : s->pts)
            vi.push_back(in->offset.add_vertex(K::Point_3(p[0], p[1], p[2])));
        for (const SCentreTri& f : s->tris)
            in->offset.add_face(vi[size_t(f.v[0])], vi[size_t(f.v[1])], vi[size_t(f.v[2])]);
    }
    in->slicer = std::make_unique<Slicer>(in->offset);
    // The slicer builds its tree on the first cut: one cut here keeps that out of the timing.
    std::vector<std::vector<K::Point_3>> warm;
    (*in->slicer)(K::Plane_3(0, 0, 1, -(in->model->box[2] + in->model->box[5]) / 2), std::back_inserter(warm));
    return *in;
}

void BM_ZSection(benchmark::State& state)
{
    Input& in = Get(int(state.range(0)));
    const double z = (in.model->box[2] + in.model->box[5]) / 2 + 0.123;
    // First section outside the timing: builds our height order.
    {
        CIntLineSet warm;
        warm.plane = z;
        in.model->GenSameZLineSet(in.net, warm);
    }
    double korvel = 0, peer = 0;
    int segments = 0;
    size_t polylines = 0;
    for (auto _ : state) {
        in.model->SetIntMinZ();
        double t0 = ThreadCpuSeconds();
        CIntLineSet set;
        set.plane = z;
        in.model->GenSameZLineSet(in.net, set);
        korvel += ThreadCpuSeconds() - t0;
        segments = set.count;

        t0 = ThreadCpuSeconds();
        std::vector<std::vector<K::Point_3>> out;
        (*in.slicer)(K::Plane_3(0, 0, 1, -z), std::back_inserter(out));
        peer += ThreadCpuSeconds() - t0;
        polylines = out.size();
        benchmark::DoNotOptimize(out.data());
    }
    const double n = double(state.iterations());
    state.counters["faces"] = double(in.mesh->faces3.size());
    state.counters["segments"] = segments;
    state.counters["cgal_polylines"] = double(polylines);
    state.counters["fill_s"] = in.fill;
    state.counters["korvel_s"] = korvel / n;
    state.counters["cgal_s"] = peer / n;
    state.counters["ratio"] = peer > 0 ? korvel / peer : 0;
}
BENCHMARK(BM_ZSection)->Arg(0)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_Level(benchmark::State& state)
{
    Input& in = Get(int(state.range(0)));
    const double z = (in.model->box[2] + in.model->box[5]) / 2 + 0.123;
    {
        CIntLineSet warm;
        warm.plane = z;
        in.model->GenSameZLineSet(in.net, warm);
    }
    double section = 0, loops = 0, level = 0, peer = 0;
    int contours = 0, gridLoops = 0;
    for (auto _ : state) {
        in.model->SetIntMinZ();
        double t0 = ThreadCpuSeconds();
        CIntLineSet set;
        set.plane = z;
        in.model->GenSameZLineSet(in.net, set);
        section += ThreadCpuSeconds() - t0;

        t0 = ThreadCpuSeconds();
        std::vector<SGridLoop> grid;
        std::vector<SGridSaddle> saddles;
        NetLevelLoops(in.net, z, grid, saddles);
        loops += ThreadCpuSeconds() - t0;
        gridLoops = int(grid.size());

        // The level's contours: the level loops again, then the records of every loop.
        t0 = ThreadCpuSeconds();
        CIntCurveSet out;
        LevelLoopCurves(in.net, z, 0.01, set, out);
        level += ThreadCpuSeconds() - t0;
        contours = out.count;

        t0 = ThreadCpuSeconds();
        std::vector<std::vector<K::Point_3>> slice;
        (*in.slicer)(K::Plane_3(0, 0, 1, -z), std::back_inserter(slice));
        peer += ThreadCpuSeconds() - t0;
        benchmark::DoNotOptimize(slice.data());
    }
    const double n = double(state.iterations());
    state.counters["faces"] = double(in.mesh->faces3.size());
    state.counters["grid_loops"] = gridLoops;
    state.counters["contours"] = contours;
    state.counters["section_s"] = section / n;
    state.counters["net_loops_s"] = loops / n;
    state.counters["loops_contours_s"] = level / n;
    state.counters["cgal_s"] = peer / n;
    state.counters["section_ratio"] = peer > 0 ? section / peer : 0;
    state.counters["level_ratio"] = peer > 0 ? (section + level) / peer : 0;
}
BENCHMARK(BM_Level)->Arg(0)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
