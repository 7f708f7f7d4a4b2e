// Drop cutter and raster finishing over terrains.
//
// BM_LinePaths: CCheckModel::CreateLinePath over every scan line (1 apart, along X) of
// a 100 x 100 terrain of 1e5 or 1e6 triangles, one thread, for a ball, a flat and a
// bull tool of diameter 2 (check step 1). In the same run the peer lifts every point of
// the resulting strings again: CGAL's AABB tree of the triangles answers a box query
// per point (the tool's XY reach), and each triangle found feeds the same contact
// functions (facet offset plane, edges, vertices) as the kit's brute-force drop. At
// 1e5 triangles the brute-force drop (every triangle per point) runs on a sample of
// the points. Counters: points per second of each ("korvel_pps" counts the points of
// the strings only, not the refinement samples Korvel lifts besides), the ratio
// korvel_pps / cgal_pps (at least 1 is the goal), and the largest height difference
// between Korvel's lifted points and the peer's (rises over CL walls left out).
//
// BM_RasterThreads: the lifting of raster finishing (GenPlanePathMp) over the 1e6
// terrain at step-over 0.5 on 1, 2, 4 and all processors; counters: wall seconds,
// CPU seconds of all threads, speed-up over one thread, its share of the thread
// count, and the peak resident memory of the process (VmHWM) after the run. On a
// machine busy with other work the wall speed-up falls short; the CPU seconds show
// whether the work itself grew with the threads.
#include <CGAL/AABB_traits.h>
#include <CGAL/AABB_tree.h>
#include <CGAL/AABB_triangle_primitive.h>
#include <CGAL/Simple_cartesian.h>

#include "framework/looker/QVGlobal.h"
#include "framework/looker/Tool.h"
#include "geometry/shapes3d/GeGroup3d.h"
#include "geometry/shapes3d/GeMesh.h"
#include "testing/BruteForceDrop.h"
#include "testing/MillMesh.h"
#include "toolpath/contours/NcPline.h"
#include "toolpath/milling/CheckModel.h"
#include "toolpath/milling/MsFinishSweepLine.h"

#include <benchmark/benchmark.h>
#include <omp.h>
#include <sys/resource.h>

#include <chrono>
#include <cmath>
#include <fstream>
#include <map>
#include <memory>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;
using K = CGAL::Simple_cartesian<double>;
using Tri = K::Triangle_3;
using TriIt = std::vector<Tri>::const_iterator;
using Primitive = CGAL::AABB_triangle_primitive<K, TriIt>;
using Tree = CGAL::AABB_tree<CGAL::AABB_traits<K, Primitive>>;

double Seconds(Clock::time_point from) { return std::chrono::duration<double>(Clock::now() - from).count(); }

double Terrain(double x, double y) { return 3 * std::sin(x * 0.21) * std::cos(y * 0.17) + 0.8 * std::sin(x * 0.9 + y * 0.6); }

struct Scene {
    millkit::TriMesh mesh;  // float-rounded, as the model holds it
    std::unique_ptr<CGeMesh> geMesh;
    std::vector<Tri> tris;
    std::unique_ptr<Tree> tree;
};

// One terrain per size, built once (cells per side: n).
Scene& TerrainScene(int n)
{
    static std::map<int, std::unique_ptr<Scene>> scenes;
    auto& s = scenes[n];
    if (s) return *s;
    s = std::make_unique<Scene>();
    s->mesh = millkit::TerrainMesh(Terrain, 0, 0, 100, n);
    for (auto& v : s->mesh.vertices)
        for (double& c : v) c = double(float(c));
    s->geMesh = std::make_unique<CGeMesh>();
    for (const auto& v : s->mesh.vertices) s->geMesh->vertices.emplace_back(float(v[0]), float(v[1]), float(v[2]));
    for (const auto& t : s->mesh.triangles) s->geMesh->faces3.emplace_back(t[0], t[1], t[2]);
    s->geMesh->CalcBox();
    for (size_t i = 0; i < s->mesh.triangles.size(); ++i) {
        const auto c = s->mesh.Corners(i);
        s->tris.emplace_back(K::Point_3(c[0][0], c[0][1], c[0][2]), K::Point_3(c[1][0], c[1][1], c[1][2]),
                             K::Point_3(c[2][0], c[2][1], c[2][2]));
    }
    s->tree = std::make_unique<Tree>(s->tris.cbegin(), s->tris.cend());
    s->tree->build();
    return *s;
}

std::unique_ptr<CTool> MakeTool(int kind)
{
    std::unique_ptr<CTool> t;
    if (kind == 0) t = std::make_unique<CTBall>(2);
    if (kind == 1) t = std::make_unique<CTCylindrical>(2);
    if (kind == 2) t = std::make_unique<CTBull>(2, 0.5);
    t->SetAidParam();
    return t;
}

// The peer's drop at (x, y): the triangles whose box meets the tool's reach, each
// through the same contact functions as the brute-force drop.
double PeerDrop(const Scene& s, const CTool& tool, double x, double y, std::vector<Primitive::Id>& hits)
{
    const double r = tool.GetDia() / 2;
    hits.clear();
    s.tree->all_intersected_primitives(CGAL::Bbox_3(x - r, y - r, -1e9, x + r, y + r, 1e9), std::back_inserter(hits));
    double z = -1e12;
    const double p[3] = {x, y, 0};
    for (const auto& id : hits) {
        const auto c = s.mesh.Corners(size_t(id - s.tris.cbegin()));
        double h;
        if (millkit::FacetDrop(tool, c[0], c[1], c[2], x, y, &h)) z = std::max(z, h);
        for (int k = 0; k < 3; ++k) {
            z = std::max(z, tool.Zval_EdgeCC(c[k].data(), c[(k + 1) % 3].data(), p));
            z = std::max(z, tool.Zval_VertCC(c[k].data(), p));
        }
    }
    return z;
}

// CPU seconds of the whole process (all threads).
double ProcessCpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + 1e-6 * double(u.ru_utime.tv_usec + u.ru_stime.tv_usec);
}

double PeakMemoryMB()
{
    std::ifstream in("/proc/self/status");
    std::string key;
    while (in >> key) {
        if (key == "VmHWM:") {
            double kb;
            in >> kb;
            return kb / 1024;
        }
        std::getline(in, key);
    }
    return 0;
}

void BM_LinePaths(benchmark::State& state)
{
    const int n = int(state.range(0));
    Scene& s = TerrainScene(n);
    auto tool = MakeTool(int(state.range(1)));
    CCheckModel model;
    auto* cm = new CCheckMesh();
    cm->Init(s.geMesh.get());
    model.AddMesh(cm);
    model.checkStep = 1;
    model.SetTool(tool.get());
    model.SetMillDepth(10, -10);
    std::vector<Primitive::Id> hits;
    double korvel = 0, peer = 0, brute = 0, maxDiff = 0;
    long points = 0, brutePoints = 0;
    for (auto _ : state) {
        std::vector<std::unique_ptr<CNcPline>> strings;
        auto t0 = Clock::now();
        for (double y = 0.5; y < 100; y += 1) {
            const double p0[3] = {-1, y, -10}, p1[3] = {101, y, -10};
            strings.emplace_back(model.CreateLinePath(p0, p1, 0.005));
        }
        korvel += Seconds(t0);
        std::vector<std::array<double, 3>> pts;
        for (auto& str : strings)
            for (POSITION pos = str->GetHeadPosition(); pos;) {
                const CNcPoint* p = str->GetNext(pos);
                pts.push_back({p->x, p->y, p->z});
            }
        points = long(pts.size());
        std::vector<double> zs(pts.size());
        t0 = Clock::now();
        for (size_t i = 0; i < pts.size(); ++i) zs[i] = PeerDrop(s, *tool, pts[i][0], pts[i][1], hits);
        peer += Seconds(t0);
        for (size_t i = 0; i < pts.size(); ++i) {
            const bool rise = (i > 0 && pts[i - 1][0] == pts[i][0] && pts[i - 1][1] == pts[i][1]) ||
                              (i + 1 < pts.size() && pts[i + 1][0] == pts[i][0] && pts[i + 1][1] == pts[i][1]);
            if (!rise) maxDiff = std::max(maxDiff, std::fabs(std::max(zs[i], -10.0) - pts[i][2]));
        }
        if (n <= 250) {
            t0 = Clock::now();
            brutePoints = 0;
            for (size_t i = 0; i < pts.size(); i += 97, ++brutePoints)
                benchmark::DoNotOptimize(millkit::BruteForceDrop(*tool, s.mesh, pts[i][0], pts[i][1]).z);
            brute += Seconds(t0);
        }
    }
    const double it = double(state.iterations());
    state.counters["triangles"] = double(s.mesh.triangles.size());
    state.counters["points"] = double(points);
    state.counters["korvel_pps"] = points * it / korvel;
    state.counters["cgal_pps"] = points * it / peer;
    state.counters["ratio"] = (points * it / korvel) / (points * it / peer);
    if (brute > 0) state.counters["brute_pps"] = brutePoints * it / brute;
    state.counters["max_diff"] = maxDiff;
}

void BM_RasterThreads(benchmark::State& state)
{
    int threads = int(state.range(0));
    if (threads == 0) threads = omp_get_num_procs();
    Scene& s = TerrainScene(707);
    gNewQVGlobal();
    CGeMeshList meshes;
    meshes.AddTail(s.geMesh.get());
    CTBall ball(2);
    ball.SetAidParam();
    CParamSrfFinish p;
    p.m_nStepOver = 25;  // 0.5 apart: 200 scan lines
    static std::unique_ptr<CMsFinishSweepLine> finish;
    if (!finish) {
        finish = std::make_unique<CMsFinishSweepLine>(p);
        CGeGroup3d out;
        finish->GenPath(&meshes, nullptr, &p, &ball, &out);
    }
    static double oneThread = 0;
    double secs = 0, cpu = 0;
    for (auto _ : state) {
        CNcPlineGrp strings;
        const auto t0 = Clock::now();
        const double c0 = ProcessCpuSeconds();
        finish->GenPlanePathMp(strings, threads);
        secs += Seconds(t0);
        cpu += ProcessCpuSeconds() - c0;
        benchmark::DoNotOptimize(strings.GetCount());
    }
    secs /= double(state.iterations());
    cpu /= double(state.iterations());
    if (threads == 1) oneThread = secs;
    state.counters["threads"] = threads;
    state.counters["seconds"] = secs;
    // All threads' CPU time: equal to one thread's when the work divides without overhead.
    state.counters["cpu_seconds"] = cpu;
    if (oneThread > 0) {
        state.counters["speedup"] = oneThread / secs;
        state.counters["speedup_per_thread"] = oneThread / secs / threads;
    }
    state.counters["peak_MB"] = PeakMemoryMB();
}

// The whole strategy on the 1e6 terrain (all processors): lifting, splitting, areas,
// linking and writing, with the number of curves written.
void BM_GenPath(benchmark::State& state)
{
    Scene& s = TerrainScene(707);
    gNewQVGlobal();
    CGeMeshList meshes;
    meshes.AddTail(s.geMesh.get());
    CTBall ball(2);
    ball.SetAidParam();
    CParamSrfFinish p;
    p.m_nStepOver = 25;
    long curves = 0;
    for (auto _ : state) {
        CMsFinishSweepLine finish(p);
        CGeGroup3d out;
        finish.GenPath(&meshes, nullptr, &p, &ball, &out);
        curves = long(out.m_listCurve.GetCount());
    }
    state.counters["curves"] = double(curves);
    state.counters["peak_MB"] = PeakMemoryMB();
}

}  // namespace

BENCHMARK(BM_GenPath)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_LinePaths)
    ->ArgsProduct({{224, 707}, {0, 1, 2}})
    ->ArgNames({"cells", "tool"})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK(BM_RasterThreads)->Arg(1)->Arg(2)->Arg(4)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(2);
