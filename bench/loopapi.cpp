// The exported loop functions against Clipper 6 and GEOS on the same input, in one run:
//  - acGeLoopListOffset with round corners, inward (mode 0) and outward (mode 2) by 0.5;
//  - acGeLoopBool (difference, intersection, union) with a copy shifted by (0.7, 0.45);
// on a page of DejaVu Sans glyphs (cubics as arcs), the Iceland coast (GSHHG), plates of
// 10 x 10 and 100 x 100 round holes and a gear of 100 teeth with arc tips and roots.
// The peers get the same loops with arcs flattened at chord error 0.001 (Clipper's arc
// tolerance 0.001 as well; GEOS's buffer with as many segments per quarter circle as
// that error needs); the loop functions keep arcs exact. Counters: "ratio" is the loop
// functions' time over Clipper's, "geos_ratio" over GEOS's (below 1: faster).
#include "ThreadClock.h"

#include "framework/looker/QVGlobal.h"
#include "geometry/algorithms/GeTool2D.h"
#include "geometry/shapes2d/GeArc.h"
#include "geometry/shapes2d/GeCircle.h"
#include "geometry/shapes2d/GeLine.h"
#include "testing/GeLoopPaths.h"
#include "testing/GlyphLoops.h"
#include "testing/Shorelines.h"
#include "toolpath/contours/LoopApi.h"

#include <benchmark/benchmark.h>
#include <geos_c.h>

#include <cmath>
#include <memory>
#include <numbers>
#include <string>
#include <time.h>
#include <vector>

namespace {

using clipperpaths::Polygon;
constexpr double kPi = std::numbers::pi;
constexpr double kD = 0.5;

struct Input {
    GeLoopList loops;          // the source loops
    GeRegionList regions;      // nested by the geometry toolkit
    GeRegionList shifted;      // the same, moved
    ClipperLib::Paths paths;   // flattened, oriented region
    ClipperLib::Paths shiftedPaths;
    ~Input()
    {
        while (!loops.IsEmpty())
            delete loops.RemoveHead();
        for (GeRegionList* l : {&regions, &shifted})
            while (!l->IsEmpty())
                delete l->RemoveHead();
    }
};

ClipperLib::Paths Region(GeLoopList& loops)
{
    return clipperpaths::Normalised(geloops::ListPaths(loops), ClipperLib::pftEvenOdd);
}

void Finish(Input& in)
{
    in.paths = Region(in.loops);
    GeLoopList a, b;
    for (POSITION pos = in.loops.GetHeadPosition(); pos;) {
        CGeLoop* l = in.loops.GetNext(pos);
        a.AddTail(static_cast<CGeLoop*>(l->Copy()));
        auto* m = static_cast<CGeLoop*>(l->Copy());
        double off[2] = {0.7, 0.45};
        m->Translate(off);
        b.AddTail(m);
    }
    in.shiftedPaths = Region(b);
    CGeTool2D tool;
    tool.CreateRegion(&a, &in.regions);
    tool.CreateRegion(&b, &in.shifted);
    for (GeLoopList* l : {&a, &b})
        while (!l->IsEmpty())
            delete l->RemoveHead();
}

CGeLoop* RectLoop(double x0, double y0, double x1, double y1)
{
    const double p[4][2] = {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
    auto* l = new CGeLoop;
    for (int i = 0; i < 4; ++i)
        l->AddTail(new CGeLine(p[i], p[(i + 1) % 4]), 1);
    return l;
}

std::unique_ptr<Input> GlyphPage()
{
    auto in = std::make_unique<Input>();
    glyphs::GlyphReader font;
    glyphs::GlyphPageLoops(font, in->loops);
    Finish(*in);
    return in;
}

std::unique_ptr<Input> Coast()
{
    auto in = std::make_unique<Input>();
    for (const shorelines::Loop& l : shorelines::Read("iceland_fjords")) {
        std::vector<double> xy;
        for (const auto& p : l)
            xy.insert(xy.end(), {p[0], p[1]});
        xy.insert(xy.end(), {l[0][0], l[0][1]});
        auto* pl = new CGePolyline;
        pl->Create(static_cast<int>(l.size()) + 1, reinterpret_cast<const double(*)[2]>(xy.data()));
        auto* loop = new CGeLoop;
        loop->AddTail(pl, 1);
        in->loops.AddTail(loop);
    }
    Finish(*in);
    return in;
}

std::unique_ptr<Input> Plate(int n)
{
    auto in = std::make_unique<Input>();
    const double pitch = 5;
    in->loops.AddTail(RectLoop(0, 0, pitch * n, pitch * n));
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            const double c[2] = {pitch * (i + 0.5), pitch * (j + 0.5)};
            auto* l = new CGeLoop;
            l->AddTail(new CGeCircle(c, 1.5, 0), 1);
            in->loops.AddTail(l);
        }
    Finish(*in);
    return in;
}

std::unique_ptr<Input> Gear(int teeth)
{
    auto in = std::make_unique<Input>();
    const double rRoot = 48, rTip = 52, step = 2 * kPi / teeth;
    auto* l = new CGeLoop;
    const double o[2] = {0, 0};
    for (int k = 0; k < teeth; ++k) {
        const double a0 = k * step, a1 = a0 + step * 0.3, a2 = a0 + step * 0.4, a3 = a0 + step * 0.7, a4 = a0 + step * 0.8;
        auto arc = [&](double r, double s, double e) {
            auto* a = new CGeArc;
            a->CreateCSEAngle(o, r, s, e);
            l->AddTail(a, 1);
        };
        arc(rRoot, a0, a1);
        const double p1[2] = {rRoot * std::cos(a1), rRoot * std::sin(a1)}, p2[2] = {rTip * std::cos(a2), rTip * std::sin(a2)};
        l->AddTail(new CGeLine(p1, p2), 1);
        arc(rTip, a2, a3);
        const double p3[2] = {rTip * std::cos(a3), rTip * std::sin(a3)}, p4[2] = {rRoot * std::cos(a4), rRoot * std::sin(a4)};
        l->AddTail(new CGeLine(p3, p4), 1);
        arc(rRoot, a4, a0 + step);
    }
    in->loops.AddTail(l);
    auto* hub = new CGeLoop;
    hub->AddTail(new CGeCircle(o, 10, 0), 1);
    in->loops.AddTail(hub);
    Finish(*in);
    return in;
}

Input& Get(int which)
{
    static std::unique_ptr<Input> inputs[5];
    if (!inputs[which])
        inputs[which] = which == 0 ? GlyphPage() : which == 1 ? Coast() : which == 2 ? Plate(10) : which == 3 ? Plate(100) : Gear(100);
    return *inputs[which];
}

const char* kNames[] = {"glyph page", "coast", "plate 10x10", "plate 100x100", "gear 100"};

class Geos {
public:
    Geos() : m_h(GEOS_init_r()) {}
    ~Geos() { GEOS_finish_r(m_h); }
    GEOSContextHandle_t h() const { return m_h; }
    GEOSGeometry* Region(const ClipperLib::Paths& paths)
    {
        ClipperLib::Clipper c;
        c.AddPaths(paths, ClipperLib::ptSubject, true);
        ClipperLib::PolyTree tree;
        c.Execute(ClipperLib::ctUnion, tree, ClipperLib::pftNonZero, ClipperLib::pftNonZero);
        std::vector<GEOSGeometry*> polys;
        for (ClipperLib::PolyNode* n = tree.GetFirst(); n; n = n->GetNext()) {
            if (n->IsHole())
                continue;
            std::vector<GEOSGeometry*> holes;
            for (ClipperLib::PolyNode* h : n->Childs)
                holes.push_back(Ring(h->Contour));
            polys.push_back(GEOSGeom_createPolygon_r(m_h, Ring(n->Contour), holes.data(), static_cast<unsigned>(holes.size())));
        }
        return GEOSGeom_createCollection_r(m_h, GEOS_MULTIPOLYGON, polys.data(), static_cast<unsigned>(polys.size()));
    }

private:
    GEOSGeometry* Ring(const ClipperLib::Path& p)
    {
        GEOSCoordSequence* s = GEOSCoordSeq_create_r(m_h, static_cast<unsigned>(p.size() + 1), 2);
        for (std::size_t i = 0; i <= p.size(); ++i)
            GEOSCoordSeq_setXY_r(m_h, s, static_cast<unsigned>(i), p[i % p.size()].X / 1e6, p[i % p.size()].Y / 1e6);
        return GEOSGeom_createLinearRing_r(m_h, s);
    }
    GEOSContextHandle_t m_h;
};

void Report(benchmark::State& state, double tk, double tc, double tg, long loops, long peerLoops)
{
    const double n = static_cast<double>(state.iterations());
    state.counters["loops_ms"] = tk * 1e3 / n;
    state.counters["clipper_ms"] = tc * 1e3 / n;
    state.counters["geos_ms"] = tg * 1e3 / n;
    state.counters["ratio"] = tc > 0 ? tk / tc : 0;
    state.counters["geos_ratio"] = tg > 0 ? tk / tg : 0;
    state.counters["result_loops"] = static_cast<double>(loops);
    state.counters["clipper_loops"] = static_cast<double>(peerLoops);
}

void Free(GeLoopList& l)
{
    while (!l.IsEmpty())
        delete l.RemoveHead();
}

// state.range(0): input; state.range(1): 0 inward, 2 outward.
void BM_Offset(benchmark::State& state)
{
    Input& in = Get(static_cast<int>(state.range(0)));
    const int mode = static_cast<int>(state.range(1));
    state.SetLabel(std::string(kNames[state.range(0)]) + (mode == 0 ? ", inward" : ", outward"));
    Geos geos;
    GEOSGeometry* g = geos.Region(in.paths);
    // Segments per quarter circle for chord error 0.001 at radius 0.5.
    const int quad = static_cast<int>(std::ceil(kPi / 2 / (2 * std::acos(1 - 0.001 / kD))));
    double tk = 0, tc = 0, tg = 0;
    long loops = 0, peer = 0;
    for (auto _ : state) {
        GeLoopList out;
        double t0 = ThreadCpuSeconds();
        acGeLoopListOffset(&in.loops, kD, 4, mode, &out);
        tk += ThreadCpuSeconds() - t0;
        loops = static_cast<long>(out.GetCount());
        Free(out);
        t0 = ThreadCpuSeconds();
        const ClipperLib::Paths p = clipperpaths::Offset(in.paths, mode == 0 ? -kD : kD, ClipperLib::jtRound);
        tc += ThreadCpuSeconds() - t0;
        peer = static_cast<long>(p.size());
        t0 = ThreadCpuSeconds();
        GEOSGeometry* b = GEOSBuffer_r(geos.h(), g, mode == 0 ? -kD : kD, quad);
        tg += ThreadCpuSeconds() - t0;
        GEOSGeom_destroy_r(geos.h(), b);
    }
    GEOSGeom_destroy_r(geos.h(), g);
    Report(state, tk, tc, tg, loops, peer);
}

// state.range(0): input; state.range(1): op 0, 1 or 3.
void BM_Bool(benchmark::State& state)
{
    Input& in = Get(static_cast<int>(state.range(0)));
    const int op = static_cast<int>(state.range(1));
    state.SetLabel(std::string(kNames[state.range(0)]) + (op == 0 ? ", a - b" : op == 1 ? ", a and b" : ", a or b"));
    Geos geos;
    GEOSGeometry* ga = geos.Region(in.paths);
    GEOSGeometry* gb = geos.Region(in.shiftedPaths);
    const ClipperLib::ClipType ct = op == 0 ? ClipperLib::ctDifference : op == 1 ? ClipperLib::ctIntersection : ClipperLib::ctUnion;
    double tk = 0, tc = 0, tg = 0;
    long loops = 0, peer = 0;
    for (auto _ : state) {
        GeLoopList out;
        double t0 = ThreadCpuSeconds();
        acGeLoopBool(&in.regions, &in.shifted, op, &out);
        tk += ThreadCpuSeconds() - t0;
        loops = static_cast<long>(out.GetCount());
        Free(out);
        t0 = ThreadCpuSeconds();
        ClipperLib::Clipper c;
        c.AddPaths(in.paths, ClipperLib::ptSubject, true);
        c.AddPaths(in.shiftedPaths, ClipperLib::ptClip, true);
        ClipperLib::Paths p;
        c.Execute(ct, p, ClipperLib::pftNonZero, ClipperLib::pftNonZero);
        tc += ThreadCpuSeconds() - t0;
        peer = static_cast<long>(p.size());
        t0 = ThreadCpuSeconds();
        GEOSGeometry* r = op == 0 ? GEOSDifference_r(geos.h(), ga, gb)
                          : op == 1 ? GEOSIntersection_r(geos.h(), ga, gb)
                                    : GEOSUnion_r(geos.h(), ga, gb);
        tg += ThreadCpuSeconds() - t0;
        GEOSGeom_destroy_r(geos.h(), r);
    }
    GEOSGeom_destroy_r(geos.h(), ga);
    GEOSGeom_destroy_r(geos.h(), gb);
    Report(state, tk, tc, tg, loops, peer);
}

void Inputs(benchmark::internal::Benchmark* b, std::initializer_list<int> second)
{
    for (int i = 0; i < 5; ++i)
        for (int s : second)
            b->Args({i, s});
}

BENCHMARK(BM_Offset)->Apply([](auto* b) { Inputs(b, {0, 2}); })->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Bool)->Apply([](auto* b) { Inputs(b, {0, 1, 3}); })->Unit(benchmark::kMillisecond);

}  // namespace
