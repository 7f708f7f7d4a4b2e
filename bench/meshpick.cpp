// Ray picking of meshes against Embree on the same rays in the same run.
//
// Inputs: the bunny and the refined elephant of the CGAL data archive (scaled to
// 100 mm); 1000 rays from points on a sphere around the mesh towards random points of
// its box. Korvel picks each ray with CGeMesh::Pick (aperture 0); Embree builds its
// scene once and traces the same rays.
//
// The reported time is Korvel's for the 1000 picks. Counters: pick_us, one pick;
// embree_build_us, the scene build; embree_ray_us, one traced ray; ratio, one pick
// over (build + one ray), the target being at most 2; mismatches, rays whose face
// differs and whose depths differ by more than 1e-4.
#include "framework/looker/AppSlots.h"
#include "framework/looker/Looker.h"
#include "framework/looker/SnapRecords.h"
#include "testing/EmbreeScene.h"
#include "testing/MeshPeers.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <random>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point from) { return std::chrono::duration<double>(Clock::now() - from).count(); }

struct Ray {
    double origin[3], dir[3];
};

std::vector<Ray> Rays(const BOX3<double>& box, int n)
{
    std::mt19937 rng(3);
    std::normal_distribution<double> g;
    std::uniform_real_distribution<double> u(0.0, 1.0);
    const double c[3] = {0.5 * (box.xmin + box.xmax), 0.5 * (box.ymin + box.ymax), 0.5 * (box.zmin + box.zmax)};
    std::vector<Ray> rays(static_cast<std::size_t>(n));
    for (Ray& r : rays) {
        double s[3] = {g(rng), g(rng), g(rng)};
        const double ls = std::sqrt(s[0] * s[0] + s[1] * s[1] + s[2] * s[2]);
        const double t[3] = {box.xmin + u(rng) * (box.xmax - box.xmin), box.ymin + u(rng) * (box.ymax - box.ymin),
                             box.zmin + u(rng) * (box.zmax - box.zmin)};
        double len = 0.0;
        for (int i = 0; i < 3; ++i) {
            r.origin[i] = c[i] + 150.0 * s[i] / ls;
            r.dir[i] = t[i] - r.origin[i];
            len += r.dir[i] * r.dir[i];
        }
        len = std::sqrt(len);
        for (double& d : r.dir) d /= len;
    }
    return rays;
}

void BM_Pick(benchmark::State& state)
{
    static const char* const kNames[] = {"bunny00.off", "refined_elephant.off"};
    const std::string name = kNames[state.range(0)];
    meshpeers::PolyMesh pm;
    if (!meshpeers::ReadScaled(name, pm)) {
        state.SkipWithError("mesh not readable");
        return;
    }
    CGeMesh mesh;
    meshpeers::ToGeMesh(pm, mesh);
    mesh.CalcBox();
    CLooker looker;
    gSetLooker(&looker);
    const std::vector<Ray> rays = Rays(mesh.m_box, 1000);
    std::vector<int> faces(rays.size());
    std::vector<double> depths(rays.size());
    for (auto _ : state) {
        for (std::size_t i = 0; i < rays.size(); ++i) {
            CPickRay ray;
            ray.m_b2D = 0;
            for (int k = 0; k < 3; ++k) ray.m_pt[k] = rays[i].origin[k], ray.m_dir[k] = rays[i].dir[k];
            faces[i] = mesh.Pick(ray, 0) ? ray.m_nSeg : -1;
            depths[i] = ray.m_dDepth;
        }
        benchmark::DoNotOptimize(faces.data());
    }
    const double pickSeconds = [&] {
        const auto t0 = Clock::now();
        for (const Ray& r : rays) {
            CPickRay ray;
            ray.m_b2D = 0;
            for (int k = 0; k < 3; ++k) ray.m_pt[k] = r.origin[k], ray.m_dir[k] = r.dir[k];
            benchmark::DoNotOptimize(mesh.Pick(ray, 0));
        }
        return Seconds(t0) / double(rays.size());
    }();
    // Embree: the best of a few builds, then the rays.
    double build = 1e30, perRay = 0.0;
    int mismatches = 0;
    for (int repeat = 0; repeat < 5; ++repeat) {
        const auto t0 = Clock::now();
        meshpeers::EmbreeScene scene(mesh);
        build = std::min(build, Seconds(t0));
        const auto t1 = Clock::now();
        int disagree = 0;
        for (std::size_t i = 0; i < rays.size(); ++i) {
            double t = 0.0;
            const int face = scene.Intersect(rays[i].origin, rays[i].dir, t);
            disagree += face != faces[i] && (face < 0 || faces[i] < 0 || std::fabs(t - depths[i]) > 1e-4) ? 1 : 0;
        }
        perRay = Seconds(t1) / double(rays.size());
        mismatches = disagree;
    }
    gSetLooker(nullptr);
    state.counters["pick_us"] = pickSeconds * 1e6;
    state.counters["embree_build_us"] = build * 1e6;
    state.counters["embree_ray_us"] = perRay * 1e6;
    state.counters["ratio"] = pickSeconds / (build + perRay);
    state.counters["mismatches"] = mismatches;
    state.SetLabel(name + ", " + std::to_string(mesh.numFace()) + " faces");
}

BENCHMARK(BM_Pick)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
