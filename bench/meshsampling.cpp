// Relief meshes and height grids from meshes: the grid region mesher on the word
// "Korvel" over a 4000 × 2000 canvas at 0.1 mm beside CGAL's constrained Delaunay
// triangulation of the same vertices and loop edges, and the mesh samplers into
// 2000 × 2000 grids (armadillo of the CGAL data archive, a 2-million-triangle fractal
// terrain) beside Embree's vertical rays through every grid point; the depth read-back
// (sampler 3) needs a display (xvfb-run).
#include "ThreadClock.h"

#include "framework/looker/AppSlots.h"
#include "framework/looker/Camera.h"
#include "framework/looker/Looker.h"
#include "geometry/relief/Fractal.h"
#include "geometry/relief/GeCanvas.h"
#include "geometry/relief/GeRelief.h"
#include "geometry/relief/MeshSampling.h"
#include "geometry/shapes2d/GeLoop.h"
#include "geometry/shapes3d/GeMesh.h"
#include "platform/ui/GLArea.h"
#include "platform/ui/QtApp.h"
#include "platform/ui/View.h"
#include "testing/EmbreeScene.h"
#include "testing/GlyphLoops.h"
#include "testing/MeshPeers.h"

#include <CGAL/Constrained_Delaunay_triangulation_2.h>
#include <QImage>
#include <CGAL/Exact_predicates_inexact_constructions_kernel.h>
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <omp.h>

#include <chrono>
#include <cstdlib>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
double Since(Clock::time_point t0) { return std::chrono::duration<double>(Clock::now() - t0).count(); }

void BM_MeshLoopsKorvelVsConstrainedDelaunay(benchmark::State& state)
{
    auto canvas = std::make_unique<CGeCanvas>();
    float origin[2] = {0.0f, 0.0f};
    canvas->CreateMini(origin, 0.1f, 4000, 2000);
    for (std::uint32_t j = 0; j < canvas->ny; ++j)
        for (std::uint32_t i = 0; i < canvas->nx; ++i)
            canvas->heights[j][i] = static_cast<float>(2.0 + std::sin(0.05 * i) * std::cos(0.04 * j));
    glyphs::GlyphReader font;
    CTypedPtrList<CObList, CGeLoop*> loops;
    glyphs::GlyphLineLoops(font, "Korvel", 120.0, 40.0, loops);
    // The peer gets the same vertices and the loops' edges as constraints.
    std::unique_ptr<CGeMesh> sample(canvas->ToMesh(&loops, 0.01));
    using K = CGAL::Exact_predicates_inexact_constructions_kernel;
    using CDT = CGAL::Constrained_Delaunay_triangulation_2<K>;
    std::vector<K::Point_2> points;
    for (const CPoint3f& v : sample->vertices) points.emplace_back(v.x, v.y);
    std::vector<std::pair<K::Point_2, K::Point_2>> edges;
    for (POSITION pos = loops.GetHeadPosition(); pos;) {
        CGeLoop* l = loops.GetNext(pos);
        const int n = l->GetSWPointCount();
        for (int i = 0; i + 1 < n; ++i)
            edges.push_back({{l->GetSWPoint()[i][0], l->GetSWPoint()[i][1]}, {l->GetSWPoint()[i + 1][0], l->GetSWPoint()[i + 1][1]}});
    }
    double ours = 0, peer = 0;
    for (auto _ : state) {
        // Each side starts on a heap trimmed back to the system, so neither writes into
        // pages the other has already faulted in.
        malloc_trim(0);
        double t0 = ThreadCpuSeconds();
        std::unique_ptr<CGeMesh> m(canvas->ToMesh(&loops, 0.01));
        benchmark::DoNotOptimize(m->faces3.data());
        double t1 = ThreadCpuSeconds();
        malloc_trim(0);
        double t2 = ThreadCpuSeconds();
        CDT cdt;
        cdt.insert(points.begin(), points.end());
        for (const auto& e : edges) cdt.insert_constraint(e.first, e.second);
        benchmark::DoNotOptimize(cdt.number_of_faces());
        double t3 = ThreadCpuSeconds();
        ours += t1 - t0;
        peer += t3 - t2;
    }
    state.counters["vertices"] = static_cast<double>(sample->vertices.size());
    state.counters["ratio_to_cdt"] = ours / peer;
    state.counters["mesher_ms"] = 1e3 * ours / static_cast<double>(state.iterations());
    state.counters["cdt_ms"] = 1e3 * peer / static_cast<double>(state.iterations());
    while (!loops.IsEmpty()) delete loops.RemoveHead();
}
BENCHMARK(BM_MeshLoopsKorvelVsConstrainedDelaunay)->Unit(benchmark::kMillisecond)->Iterations(3);

std::unique_ptr<CGeMesh> Armadillo()
{
    meshpeers::PolyMesh pm;
    auto m = std::make_unique<CGeMesh>();
    if (!meshpeers::ReadScaled("armadillo.off", pm)) return nullptr;
    meshpeers::ToGeMesh(pm, *m);
    m->CalcBox();
    return m;
}

// A 1025 × 1025 fractal height field over 100 mm as a triangle mesh (about 2.1 million
// triangles).
std::unique_ptr<CGeMesh> FractalTerrain()
{
    const int size = 1024, n = size + 1;
    float* a = AllocFractalArray2D(size);
    FillFractalArray2D(a, size, 7, 20.0f, 0.8f);
    CTGrid<float> grid;
    const float org[2] = {0.0f, 0.0f};
    const float step = 100.0f / (n - 1);
    grid.Create(org, step, step, n, n);
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) grid.rows[j][i] = a[static_cast<size_t>(j) * n + i];
    FreeFractalArray(a);
    auto m = std::make_unique<CGeMesh>();
    m->Create(&grid);
    m->CalcBox();
    return m;
}

// Embree's first hit of a ray down through every node of the grid (its origin, steps
// and counts), rows split over `threads`.
void EmbreeGrid(const meshpeers::EmbreeScene& scene, const CTGrid<float>& g, double top, int threads,
                std::vector<float>& out)
{
    out.assign(static_cast<size_t>(g.nx) * g.ny, g.origin[2]);
    const double dir[3] = {0, 0, -1};
#pragma omp parallel for schedule(static) num_threads(threads)
    for (int r = 0; r < g.ny; ++r)
        for (int c = 0; c < g.nx; ++c) {
            const double o[3] = {g.xs[static_cast<size_t>(c)], g.ys[static_cast<size_t>(r)], top};
            double t;
            if (scene.Intersect(o, dir, t) >= 0) out[static_cast<size_t>(r) * g.nx + c] = static_cast<float>(top - t);
        }
}

enum Sampler { kSections, kRays, kEnvelope, kDepth };

class CPlainView : public CView {
public:
    void OnDraw(CDC*) override {}
};

// A view with an OpenGL area published as the program's device context (needs a
// display: run the bench under xvfb-run for the depth read-back).
class GlView {
public:
    bool Open()
    {
        if (!std::getenv("DISPLAY") || !AfxEnsureQtApplication()) return false;
        m_view = new CPlainView;
        if (!m_view->Create(nullptr, L"gl", 0, RECT{0, 0, 64, 64}, nullptr, 0)) return false;
        m_view->ShowWindow(SW_SHOW);
        m_area = m_view->GetGLArea();
        if (!m_area) return false;
        m_area->Resize(64, 64);
        m_area->Show(TRUE);
        m_dc.SetFrameHooks([this] { return m_area->MakeCurrent() != FALSE; }, [this] { m_area->DoneCurrent(); });
        gSetOpenGLDC(&m_dc);
        gSetLooker(&m_looker);
        m_area->SetCallbacks({nullptr, nullptr, [] {}});
        m_area->GrabFrame();  // the first frame initialises the context and GLEW
        m_area->SetCallbacks({});
        // The device context reads its capabilities only when it makes itself current.
        if (!m_dc.MakeCurrent(1)) return false;
        m_dc.InitCaps();
        const bool able = m_dc.m_bFBO && m_dc.m_bPBO;
        m_dc.MakeCurrent(0);
        return able;
    }
    ~GlView()
    {
        gSetLooker(nullptr);
        gSetOpenGLDC(nullptr);
        if (m_view) m_view->DestroyWindow();
    }

private:
    CPlainView* m_view = nullptr;
    CGLArea* m_area = nullptr;
    COpenGLDC m_dc;
    CLooker m_looker;
};

void BM_SamplerVsEmbree(benchmark::State& state)
{
    const auto sampler = static_cast<Sampler>(state.range(0));
    GlView gl;
    if (sampler == kDepth && !gl.Open()) {
        state.SkipWithError("no OpenGL context (run under xvfb-run)");
        return;
    }
    std::unique_ptr<CGeMesh> mesh = state.range(1) == 0 ? Armadillo() : FractalTerrain();
    if (!mesh) {
        state.SkipWithError("mesh not found");
        return;
    }
    CTypedPtrList<CObList, CGeMesh*> list;
    list.AddTail(mesh.get());
    const BOX3<double>& b = mesh->m_box;
    const float step = static_cast<float>(std::max(b.xmax - b.xmin, b.ymax - b.ymin) / 1999.0);
    meshpeers::EmbreeScene scene(*mesh);
    std::vector<float> rays;
    // The envelope runs on all cores; the others on one.
    const int threads = sampler == kEnvelope ? omp_get_max_threads() : 1;
    double ours = 0, peer = 0;
    for (auto _ : state) {
        auto t0 = Clock::now();
        std::unique_ptr<CTGrid<float>> g;
        std::unique_ptr<CGeRelief> r;
        if (sampler == kSections) g.reset(geGetGridSrf(list, step, step, 0.0f));
        if (sampler == kRays) g.reset(geGetFloatGridSrf(list, step, step, 0.0f));
        if (sampler == kEnvelope) r.reset(geMeshList2Relief(list, step, 0.0f));
        if (sampler == kDepth) g.reset(geGetFloatGridSrfGL(list, step, step));
        if (!g && !r) {
            state.SkipWithError("sampling failed");
            return;
        }
        ours += Since(t0);
        // The peer shoots through the same nodes.
        CTGrid<float> nodes;
        const float org[2] = {static_cast<float>(b.xmin), static_cast<float>(b.ymin)};
        nodes.Create(org, step, step, g ? g->nx : static_cast<int>(r->nx), g ? g->ny : static_cast<int>(r->ny));
        auto t1 = Clock::now();
        EmbreeGrid(scene, nodes, b.zmax + 1.0, threads, rays);
        peer += Since(t1);
    }
    state.counters["triangles"] = static_cast<double>(mesh->faces3.size());
    state.counters["ratio_to_embree"] = ours / peer;
}
BENCHMARK(BM_SamplerVsEmbree)
    ->ArgsProduct({{kSections, kRays, kEnvelope, kDepth}, {0, 1}})
    ->ArgNames({"sampler", "fractal"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(2);

}  // namespace
