// Rebuilding the loops of a trimmed surface cut by random segments against CGAL's
// Arrangement_2 building the faces of the same segments in the same run.
//
// n segments of length sqrt(10 pi / n) (about five crossings per segment) inside
// the unit parameter square of a 1000 mm plane. The reported time is ours for the
// steps that turn crossings into loops: BreakAllBound, FormLoop and BuildTrimLoop
// (thread CPU time). Counters: cross_s, our crossing search (AutoIntersect) before
// them; cgal_s, CGAL's aggregated insertion of the segments and the square's four
// sides (its sweep finds the crossings too); ratio, the three steps / CGAL;
// ratio_all, crossings and steps / CGAL; faces and cgal_faces, our counter-clockwise
// loops and CGAL's bounded faces (dangling pieces end inside a face in both);
// cgal_tiny, CGAL's faces below 1e-10, the area under which a formed loop is
// dropped; area, the sum of our loops' areas with their islands (1).
#include "bench/ThreadClock.h"
#include "framework/numerak/Bsrf.h"
#include "geometry/shapes3d/GeTrimSurf.h"
#include "testing/SurfaceFixtures.h"
#include "toolpath/surfkernel/EdTrimBound.h"
#include "toolpath/surfkernel/EdTrimLoop.h"
#include "toolpath/surfkernel/EdTrimSurf.h"

#include <CGAL/Arr_segment_traits_2.h>
#include <CGAL/Arrangement_2.h>
#include <CGAL/Exact_predicates_exact_constructions_kernel.h>
#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <memory>
#include <numbers>
#include <random>
#include <vector>

namespace {

using Kernel = CGAL::Exact_predicates_exact_constructions_kernel;
using Traits = CGAL::Arr_segment_traits_2<Kernel>;
using Arrangement = CGAL::Arrangement_2<Traits>;
using Segment = std::array<double, 4>;

std::vector<Segment> RandomSegments(int n)
{
    std::mt19937 rng(48);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const double half = 0.5 * std::sqrt(10 * std::numbers::pi / n);
    std::vector<Segment> out;
    while (static_cast<int>(out.size()) < n) {
        const double cx = unit(rng), cy = unit(rng), a = 2 * std::numbers::pi * unit(rng);
        const Segment s{cx - half * std::cos(a), cy - half * std::sin(a), cx + half * std::cos(a), cy + half * std::sin(a)};
        if (std::fmin(std::fmin(s[0], s[2]), std::fmin(s[1], s[3])) > 0 && std::fmax(std::fmax(s[0], s[2]), std::fmax(s[1], s[3])) < 1)
            out.push_back(s);
    }
    return out;
}

CEdTrimBound* SegmentBound(const Segment& s)
{
    auto* b = new CEdTrimBound;
    b->pts = new double[6]{s[0], s[1], 0, s[2], s[3], 1};
    b->nLast = 1;
    b->kind = BND_CURVE;
    b->CalcBox();
    return b;
}

void BM_TrimLoopsVsArrangement(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    const std::vector<Segment> segments = RandomSegments(n);
    CGeTrimSurf surf(surffix::Plane(1000, 1000).release(), BOX2<double>(0, 0, 1, 1));
    surf.AddLoop(surf.GenRectTrimLoop(0, 1, 0, 1));
    surf.CalcUVBox();
    double ours = 0.0, cross = 0.0, area = 0.0;
    int faces = 0;
    for (auto _ : state) {
        CEdTrimSurf edit;
        edit.InitSurfBound(&surf);
        for (const Segment& s : segments) edit.AddCurve(SegmentBound(s));
        double t0 = ThreadCpuSeconds();
        edit.AutoIntersect(true);
        double t1 = ThreadCpuSeconds();
        cross += t1 - t0;
        t0 = ThreadCpuSeconds();
        CEdTrimBound* chain = edit.BreakAllBound();
        CEdTrimLoop* loops = edit.BuildTrimLoop(edit.FormLoop(chain, 1e-8));
        t1 = ThreadCpuSeconds();
        ours += t1 - t0;
        state.SetIterationTime(t1 - t0);
        faces = 0, area = 0.0;
        for (CEdTrimLoop* l = loops; l; l = l->next) {
            ++faces;
            area += l->area;
            for (CEdTrimLoop* h = l->islandHead; h; h = h->next) area += h->area;
        }
        DeleteChain(loops);
        DeleteChain(chain);
    }
    const auto rounds = static_cast<int>(state.iterations());
    std::vector<Traits::X_monotone_curve_2> curves;
    for (const Segment& s : segments) curves.emplace_back(Kernel::Point_2(s[0], s[1]), Kernel::Point_2(s[2], s[3]));
    const double corners[5][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}, {0, 0}};
    for (int k = 0; k < 4; ++k)
        curves.emplace_back(Kernel::Point_2(corners[k][0], corners[k][1]), Kernel::Point_2(corners[k + 1][0], corners[k + 1][1]));
    double peer = 0.0;
    std::size_t peerFaces = 0;
    int tiny = 0;
    for (int r = 0; r < rounds; ++r) {
        const double t0 = ThreadCpuSeconds();
        Arrangement arr;
        CGAL::insert(arr, curves.begin(), curves.end());
        peer += ThreadCpuSeconds() - t0;
        peerFaces = arr.number_of_faces() - arr.number_of_unbounded_faces();
        if (r + 1 == rounds)
            for (auto f = arr.faces_begin(); f != arr.faces_end(); ++f) {
                if (f->is_unbounded()) continue;
                double a = 0.0;
                auto e = f->outer_ccb(), first = e;
                do {
                    const double x0 = CGAL::to_double(e->source()->point().x()), y0 = CGAL::to_double(e->source()->point().y());
                    const double x1 = CGAL::to_double(e->target()->point().x()), y1 = CGAL::to_double(e->target()->point().y());
                    a += x0 * y1 - x1 * y0;
                } while (++e != first);
                if (0.5 * a < 1e-10) ++tiny;
            }
    }
    state.counters["cgal_tiny"] = tiny;
    state.counters["cross_s"] = cross / rounds;
    state.counters["cgal_s"] = peer / rounds;
    state.counters["ratio"] = ours / peer;
    state.counters["ratio_all"] = (ours + cross) / peer;
    state.counters["faces"] = faces;
    state.counters["cgal_faces"] = static_cast<double>(peerFaces);
    state.counters["area"] = area;
}

BENCHMARK(BM_TrimLoopsVsArrangement)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->UseManualTime();

}  // namespace
