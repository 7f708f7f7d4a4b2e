// Bezier-to-arc approximation over the outlines of a real glyph set.
//
// Every glyph of DejaVu Sans is read with FreeType in font units and scaled
// to millimetres (1000 units = 10 mm). TrueType outlines are quadratic: each
// quadratic is elevated exactly to a cubic; straight outline edges are not
// Bezier pieces and are left out. Each cubic goes through
// CBezierToArc::ArcApproxi at tol 0.001, 0.01 and 0.05 mm.
//
// Reported per tolerance: the cubic count, the arcs and lines produced, the
// worst deviation between each cubic and its chain (dense sampling both ways
// with every local maximum refined, see Deviation) and the cubics that
// exceed tol or gave no curves. The time is that of the approximation
// alone.
#include "geometry/algorithms/BezierToArc.h"
#include "geometry/algorithms/tests/ArcChainOracle.h"
#include "geometry/shapes2d/GeArc.h"
#include "geometry/shapes2d/GeLine.h"

#include "testing/GlyphOutlines.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <limits>
#include <vector>

namespace {

constexpr double kUnitsToMm = 10.0 / 1000.0;

using Cubic = std::array<std::array<double, 2>, 4>;
using CurveList = CTypedPtrList<CObList, CGeCurve*>;

const std::vector<Cubic>& GlyphCubics()
{
    static const std::vector<Cubic> cubics = [] {
        std::vector<Cubic> out;
        glyphs::GlyphReader font;
        if (!font.Ok()) {
            std::printf("cannot open %s\n", glyphs::kDejaVuSans);
            return out;
        }
        std::vector<glyphs::Contour> contours;
        for (long g = 0; g < font.NumGlyphs(); ++g) {
            if (!font.Glyph(static_cast<unsigned>(g), kUnitsToMm, contours))
                continue;
            for (const glyphs::Contour& c : contours)
                for (const glyphs::Segment& s : c.segments)
                    if (s.cubic)
                        out.push_back(s.p);
        }
        std::printf("%s: %ld glyphs, %zu cubic segments\n", glyphs::kDejaVuSans, font.NumGlyphs(), out.size());
        return out;
    }();
    return cubics;
}

std::array<double, 2> At(const Cubic& k, double t)
{
    const double u = 1.0 - t;
    const double b0 = u * u * u, b1 = 3 * t * u * u, b2 = 3 * t * t * u, b3 = t * t * t;
    return {b0 * k[0][0] + b1 * k[1][0] + b2 * k[2][0] + b3 * k[3][0],
            b0 * k[0][1] + b1 * k[1][1] + b2 * k[2][1] + b3 * k[3][1]};
}

double SegDist(const double* p, const double* a, const double* b)
{
    const double dx = b[0] - a[0], dy = b[1] - a[1];
    const double L2 = dx * dx + dy * dy;
    double t = L2 > 0 ? ((p[0] - a[0]) * dx + (p[1] - a[1]) * dy) / L2 : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(p[0] - a[0] - t * dx, p[1] - a[1] - t * dy);
}

// Distance from p to a produced line or arc, from the curve's own fields.
double CurveDist(CGeCurve* c, const double* p)
{
    if (c->GetType() == 0x4) {
        auto* a = static_cast<CGeArc*>(c);
        double ctr[2];
        a->GetCenter(ctr);
        const double r = a->GetRadius(), a0 = a->GetStartAngle(), sw = a->GetSweep();
        double phi = std::atan2(p[1] - ctr[1], p[0] - ctr[0]) - a0;
        if (sw < 0) phi = -phi;
        phi = std::fmod(phi, 2 * M_PI);
        if (phi < 0) phi += 2 * M_PI;
        if (phi <= std::fabs(sw)) return std::fabs(std::hypot(p[0] - ctr[0], p[1] - ctr[1]) - r);
        const double s[2] = {ctr[0] + r * std::cos(a0), ctr[1] + r * std::sin(a0)};
        const double e[2] = {ctr[0] + r * std::cos(a0 + sw), ctr[1] + r * std::sin(a0 + sw)};
        return std::min(std::hypot(p[0] - s[0], p[1] - s[1]), std::hypot(p[0] - e[0], p[1] - e[1]));
    }
    double s[2], e[2];
    c->GetStartPoint(s);
    c->GetEndPoint(e);
    return SegDist(p, s, e);
}

void CurvePoint(CGeCurve* c, double t, double* p)
{
    if (c->GetType() == 0x4) {
        auto* a = static_cast<CGeArc*>(c);
        double ctr[2];
        a->GetCenter(ctr);
        const double ang = a->GetStartAngle() + t * a->GetSweep();
        p[0] = ctr[0] + a->GetRadius() * std::cos(ang);
        p[1] = ctr[1] + a->GetRadius() * std::sin(ang);
        return;
    }
    double s[2], e[2];
    c->GetStartPoint(s);
    c->GetEndPoint(e);
    p[0] = s[0] + t * (e[0] - s[0]);
    p[1] = s[1] + t * (e[1] - s[1]);
}

double ChainDist(const CurveList& out, const double* p)
{
    double best = std::numeric_limits<double>::infinity();
    for (CGeCurve* c : out) best = std::min(best, CurveDist(c, p));
    return best;
}

// Largest value of f on [0, 1]: n samples, each local maximum refined.
template <class F>
double DenseMax(F f, int n)
{
    thread_local std::vector<double> v;
    v.resize(static_cast<size_t>(n) + 1);
    double worst = 0.0;
    for (int i = 0; i <= n; ++i) worst = std::max(worst, v[i] = f(static_cast<double>(i) / n));
    for (int i = 0; i <= n; ++i) {
        const bool up = i == 0 || v[i] >= v[i - 1];
        const bool down = i == n || v[i] >= v[i + 1];
        if (up && down)
            worst = arcoracle::GoldenMax(f, std::max(0.0, (i - 1.0) / n), std::min(1.0, (i + 1.0) / n), worst);
    }
    return worst;
}

// Distance from p to the cubic: nearest of 32 samples, refined.
double CubicDist(const Cubic& k, const double* p)
{
    auto d = [&](double t) {
        const auto q = At(k, t);
        return std::hypot(q[0] - p[0], q[1] - p[1]);
    };
    constexpr int kCoarse = 32;
    int bestI = 0;
    double best = std::numeric_limits<double>::infinity();
    for (int i = 0; i <= kCoarse; ++i) {
        const double di = d(static_cast<double>(i) / kCoarse);
        if (di < best) {
            best = di;
            bestI = i;
        }
    }
    auto neg = [&](double t) { return -d(t); };
    return -arcoracle::GoldenMax(neg, std::max(0.0, (bestI - 1.0) / kCoarse), std::min(1.0, (bestI + 1.0) / kCoarse), -best);
}

// Two-way deviation of one cubic from its chain: 256 samples of the cubic
// against the chain and 16 samples of every produced curve against the
// cubic, every local maximum (and every nearest point on the cubic) refined
// by golden-section search, so that neither the sampling nor a polyline
// stand-in for the cubic hides or invents an excess.
double Deviation(const Cubic& k, const CurveList& out)
{
    double worst = DenseMax(
        [&](double t) {
            const auto s = At(k, t);
            return ChainDist(out, s.data());
        },
        256);
    for (CGeCurve* c : out) {
        worst = std::max(worst, DenseMax(
                                    [&](double t) {
                                        double p[2];
                                        CurvePoint(c, t, p);
                                        return CubicDist(k, p);
                                    },
                                    16));
    }
    return worst;
}

void DeleteAll(CurveList& list)
{
    for (CGeCurve* c : list) delete c;
    list.RemoveAll();
}

void BM_GlyphBezierToArc(benchmark::State& state)
{
    const double tol = static_cast<double>(state.range(0)) / 1000.0;
    const std::vector<Cubic>& cubics = GlyphCubics();
    if (cubics.empty()) {
        state.SkipWithError("no glyph outlines");
        return;
    }
    // Counts and deviation, measured once outside the timed loop.
    long arcs = 0, lines = 0, failed = 0, over = 0;
    double worst = 0.0;
    {
        CurveList out;
        for (const Cubic& k : cubics) {
            CBezierToArc b(reinterpret_cast<const double(*)[2]>(k.data()), 3);
            if (!b.ArcApproxi(tol, &out)) ++failed;
            for (CGeCurve* c : out) (c->GetType() == 0x4 ? arcs : lines)++;
            if (!out.IsEmpty()) {
                const double dev = Deviation(k, out);
                worst = std::max(worst, dev);
                if (dev > tol) ++over;
            }
            DeleteAll(out);
        }
    }
    for (auto _ : state) {
        CurveList out;
        for (const Cubic& k : cubics) {
            CBezierToArc b(reinterpret_cast<const double(*)[2]>(k.data()), 3);
            b.ArcApproxi(tol, &out);
            DeleteAll(out);
        }
        benchmark::ClobberMemory();
    }
    state.counters["cubics"] = static_cast<double>(cubics.size());
    state.counters["arcs"] = static_cast<double>(arcs);
    state.counters["lines"] = static_cast<double>(lines);
    state.counters["no_curves"] = static_cast<double>(failed);
    state.counters["over_tol"] = static_cast<double>(over);
    state.counters["worst_dev_mm"] = worst;
    state.counters["worst_over_tol"] = worst / tol;
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(cubics.size()));
}

}  // namespace

// Tolerances in thousandths of a millimetre.
BENCHMARK(BM_GlyphBezierToArc)->Arg(1)->Arg(10)->Arg(50)->Unit(benchmark::kMillisecond);
