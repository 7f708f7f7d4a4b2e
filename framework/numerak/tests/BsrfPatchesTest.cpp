#include "framework/numerak/Bsrf.h"
#include "testing/SurfaceFixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using surffix::SurfPtr;

struct PatchesFreer {
    void operator()(BSRF_PATCHES* t) const { BSRF_FreePatches(t); }
};
using PatchesPtr = std::unique_ptr<BSRF_PATCHES, PatchesFreer>;

double Norm(const double* a) { return std::sqrt(a[0] * a[0] + a[1] * a[1] + a[2] * a[2]); }

// Knots of one direction: clamped (ends repeated k times) or uniform and
// unclamped (the form of a periodic surface), with some inner knots repeated
// up to the degree, or to the order (a break).
std::vector<double> RandomKnots(std::mt19937& rng, int k, int n, bool clamped, bool breaks)
{
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::vector<double> U(static_cast<std::size_t>(n + k));
    if (!clamped) {
        const double step = 0.25 + unit(rng);
        for (int i = 0; i < n + k; ++i)
            U[i] = -1.0 + step * i;
        return U;
    }
    const int inner = n - k;
    std::vector<double> values;
    for (int i = 0; i < inner; ++i)
        values.push_back(unit(rng));
    std::sort(values.begin(), values.end());
    // Repeat some inner values in place of their successors.
    const int maxRun = breaks ? k : k - 1;
    for (int i = 0; i + 1 < inner; ++i)
        if (unit(rng) < 0.3)
            for (int r = 1; r < maxRun && i + 1 < inner; ++r, ++i)
                values[i + 1] = values[i];
    int at = 0;
    for (int i = 0; i < k; ++i)
        U[at++] = 0.0;
    for (double x : values)
        U[at++] = x;
    for (int i = 0; i < k; ++i)
        U[at++] = 1.0;
    return U;
}

struct Case {
    std::string label;
    SurfPtr s;
    double scale; // largest control point
};

Case RandomSurface(std::mt19937& rng, int ku, int kv, bool rational, bool clamped, double scale)
{
    std::uniform_int_distribution<int> extra(0, 5);
    std::uniform_real_distribution<double> coord(-scale, scale), weight(0.3, 3.0), unit(0.0, 1.0);
    const int nu = ku + extra(rng), nv = kv + extra(rng);
    _nurbs_surface* s = BSRF_Create(ku, nu, kv, nv);
    const bool breaks = unit(rng) < 0.3;
    const std::vector<double> U = RandomKnots(rng, ku, nu, clamped, breaks);
    const std::vector<double> V = RandomKnots(rng, kv, nv, clamped, breaks);
    std::copy(U.begin(), U.end(), s->U);
    std::copy(V.begin(), V.end(), s->V);
    for (int i = 0; i < nu; ++i)
        for (int j = 0; j < nv; ++j) {
            const double w = rational ? weight(rng) : 1.0;
            for (int e = 0; e < 3; ++e)
                s->P[i][j][e] = w * coord(rng);
            s->P[i][j][3] = w;
        }
    std::string label = "order " + std::to_string(ku) + "x" + std::to_string(kv) + (rational ? " rational" : "") +
                        (clamped ? " clamped" : " unclamped") + (breaks ? " breaks" : "") + " scale " +
                        std::to_string(scale);
    return {label, SurfPtr(s), scale};
}

// Parameters to sample in one direction: every knot in the domain, points just
// beside them, random ones, and a little outside (clamped by both).
std::vector<double> Samples(std::mt19937& rng, const double* U, int k, int n)
{
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const double lo = U[k - 1], hi = U[n];
    std::vector<double> t = {lo - 0.1, hi + 0.1};
    for (int i = k - 1; i <= n; ++i)
        for (double x : {U[i], std::nextafter(U[i], lo - 1.0), std::nextafter(U[i], hi + 1.0)})
            if (x >= lo && x <= hi)
                t.push_back(x);
    for (int i = 0; i < 12; ++i)
        t.push_back(lo + unit(rng) * (hi - lo));
    return t;
}

// Smallest non-empty span of a direction.
double ShortestSpan(const double* U, int k, int n)
{
    double h = 1e300;
    for (int i = k - 1; i < n; ++i)
        if (U[i] < U[i + 1])
            h = std::min(h, U[i + 1] - U[i]);
    return h;
}

TEST(BsrfPatches, AgreeWithTheBasisFunctionEvaluators)
{
    std::mt19937 rng(4711);
    int compared = 0;
    double worst = 0.0;
    for (int ku = 2; ku <= 6; ++ku)
        for (int kv = 2; kv <= 6; ++kv)
            for (int variant = 0; variant < 4; ++variant) {
                const bool rational = variant & 1, clamped = !(variant & 2);
                const double scale = (ku + kv + variant) % 3 == 0 ? 1000.0 : 1.0;
                Case c = RandomSurface(rng, ku, kv, rational, clamped, scale);
                const _nurbs_surface* s = c.s.get();
                ASSERT_EQ(BSRF_IsValid(s), 1) << c.label;
                PatchesPtr table(BSRF_NewPatches(s));
                ASSERT_NE(table, nullptr) << c.label;
                // A derivative of order m is measured against the size a control
                // net of this extent can give it: scale·(degree / shortest span)^m,
                // grown by the spread of the weights.
                double wmin = 1e300, wmax = 0.0;
                for (int i = 0; i < s->nu; ++i)
                    for (int j = 0; j < s->nv; ++j) {
                        wmin = std::min(wmin, s->P[i][j][3]);
                        wmax = std::max(wmax, s->P[i][j][3]);
                    }
                const double spread = wmax / wmin;
                const double fu = (ku - 1) / ShortestSpan(s->U, ku, s->nu) * spread;
                const double fv = (kv - 1) / ShortestSpan(s->V, kv, s->nv) * spread;
                const double size[6] = {c.scale, c.scale * fu, c.scale * fv, c.scale * fu * fu, c.scale * fu * fv,
                                        c.scale * fv * fv};
                for (double u : Samples(rng, s->U, ku, s->nu))
                    for (double v : Samples(rng, s->V, kv, s->nv)) {
                        double ref[6][3], got[6][3];
                        ASSERT_EQ(BSRF_Ev2Der(s, u, v, ref[0], ref[1], ref[2], ref[3], ref[4], ref[5]), 1);
                        ASSERT_EQ(
                            BSRF_EvPatches(table.get(), s, u, v, 2, got[0], got[1], got[2], got[3], got[4], got[5]), 1)
                            << c.label;
                        double first[3][3], pos[3];
                        ASSERT_EQ(BSRF_EvPatches(table.get(), s, u, v, 1, first[0], first[1], first[2], nullptr,
                                                 nullptr, nullptr),
                                  1);
                        ASSERT_EQ(BSRF_EvPatches(table.get(), s, u, v, 0, pos, nullptr, nullptr, nullptr, nullptr,
                                                 nullptr),
                                  1);
                        for (int q = 0; q < 6; ++q) {
                            double diff[3];
                            for (int e = 0; e < 3; ++e)
                                diff[e] = got[q][e] - ref[q][e];
                            const double rel = Norm(diff) / std::max(Norm(ref[q]), size[q]);
                            worst = std::max(worst, rel);
                            ASSERT_LE(rel, 1e-12) << c.label << " u " << u << " v " << v << " output " << q;
                        }
                        // Lower orders give the same values as the full evaluation.
                        for (int e = 0; e < 3; ++e) {
                            ASSERT_EQ(pos[e], got[0][e]) << c.label;
                            ASSERT_EQ(first[0][e], got[0][e]) << c.label;
                            ASSERT_EQ(first[1][e], got[1][e]) << c.label;
                            ASSERT_EQ(first[2][e], got[2][e]) << c.label;
                        }
                        ++compared;
                    }
            }
    EXPECT_GT(compared, 10000);
    std::ostringstream text;
    text << worst;
    RecordProperty("worst_relative_error", text.str());
}

// The order of evaluation changes nothing: a table keeps the spans it last
// used, which must never stand in for the right one. Points on and beside the
// knots (breaks among them, where the two sides' derivatives differ), visited
// in a shuffled order and back and forth through one table, give bit for bit
// what a fresh table gives for each point alone.
TEST(BsrfPatches, OrderOfEvaluationChangesNothing)
{
    std::mt19937 rng(90);
    int withBreaks = 0;
    for (int round = 0; round < 40; ++round) {
        const int ku = 2 + round % 4, kv = 2 + (round / 4) % 4;
        Case c = RandomSurface(rng, ku, kv, round % 2 == 1, round % 5 != 4, 1.0);
        withBreaks += c.label.find("breaks") != std::string::npos;
        const _nurbs_surface* s = c.s.get();
        ASSERT_EQ(BSRF_IsValid(s), 1) << c.label;
        std::vector<std::pair<double, double>> points;
        for (double u : Samples(rng, s->U, ku, s->nu))
            for (double v : Samples(rng, s->V, kv, s->nv))
                points.emplace_back(u, v);
        std::shuffle(points.begin(), points.end(), rng);
        const std::size_t count = points.size();
        for (std::size_t i = 0; i < count; ++i)
            points.push_back(points[count - 1 - i]);
        PatchesPtr shared(BSRF_NewPatches(s));
        for (const auto& [u, v] : points) {
            PatchesPtr fresh(BSRF_NewPatches(s));
            double got[6][3], ref[6][3];
            ASSERT_EQ(BSRF_EvPatches(shared.get(), s, u, v, 2, got[0], got[1], got[2], got[3], got[4], got[5]), 1);
            ASSERT_EQ(BSRF_EvPatches(fresh.get(), s, u, v, 2, ref[0], ref[1], ref[2], ref[3], ref[4], ref[5]), 1);
            for (int q = 0; q < 6; ++q)
                for (int e = 0; e < 3; ++e)
                    ASSERT_EQ(got[q][e], ref[q][e]) << c.label << " u " << u << " v " << v << " output " << q;
        }
    }
    EXPECT_GT(withBreaks, 5);
}

// At a collapsed edge (the pole of a hemisphere) the partial along the edge must
// stay as small as the basis functions give it, since callers find poles by
// that partial vanishing.
TEST(BsrfPatches, KeepPolesCollapsed)
{
    for (double r : {1.0, 1000.0}) {
        SurfPtr sphere = surffix::Hemisphere(r);
        PatchesPtr table(BSRF_NewPatches(sphere.get()));
        ASSERT_NE(table, nullptr);
        const _nurbs_surface* s = sphere.get();
        for (double v : {s->V[s->kv - 1], s->V[s->nv]})
            for (int i = 0; i <= 16; ++i) {
                const double u = s->U[s->ku - 1] + (s->U[s->nu] - s->U[s->ku - 1]) * i / 16.0;
                double P[3], Su[3], Sv[3], RP[3], RSu[3], RSv[3];
                ASSERT_EQ(BSRF_EvPatches(table.get(), s, u, v, 1, P, Su, Sv, nullptr, nullptr, nullptr), 1);
                ASSERT_EQ(BSRF_Ev1Der(s, u, v, RP, RSu, RSv), 1);
                const double reference = Norm(RSu);
                EXPECT_LE(Norm(Su), std::max(4.0 * reference, 1e-15 * r)) << "r " << r << " u " << u << " v " << v;
            }
    }
}

// A table serves only its surface; without one, or for another surface, the
// basis-function evaluators answer.
TEST(BsrfPatches, OtherSurfacesAndBadInput)
{
    SurfPtr a = surffix::Cylinder(1.0, 2.0), b = surffix::Cylinder(3.0, 1.0);
    PatchesPtr table(BSRF_NewPatches(a.get()));
    ASSERT_NE(table, nullptr);
    double P[3], Su[3], Sv[3], R[3], RSu[3], RSv[3];
    ASSERT_EQ(BSRF_EvPatches(table.get(), b.get(), 0.3, 0.6, 1, P, Su, Sv, nullptr, nullptr, nullptr), 1);
    ASSERT_EQ(BSRF_Ev1Der(b.get(), 0.3, 0.6, R, RSu, RSv), 1);
    for (int e = 0; e < 3; ++e) {
        EXPECT_EQ(P[e], R[e]);
        EXPECT_EQ(Su[e], RSu[e]);
    }
    ASSERT_EQ(BSRF_EvPatches(nullptr, b.get(), 0.3, 0.6, 0, P, nullptr, nullptr, nullptr, nullptr, nullptr), 1);
    EXPECT_EQ(P[0], R[0]);
    EXPECT_EQ(BSRF_EvPatches(table.get(), a.get(), 0.3, 0.6, 1, P, nullptr, Sv, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(BSRF_EvPatches(table.get(), a.get(), std::nan(""), 0.6, 0, P, nullptr, nullptr, nullptr, nullptr,
                             nullptr),
              0);
    EXPECT_EQ(BSRF_NewPatches(nullptr), nullptr);
    BSRF_FreePatches(nullptr);
}

// Threads evaluating through one fresh table make its patches at the same
// time; every thread gets what a single thread gets.
TEST(BsrfPatches, ThreadsShareOneTable)
{
    SurfPtr s = surffix::Torus(3.0, 1.0);
    PatchesPtr table(BSRF_NewPatches(s.get()));
    ASSERT_NE(table, nullptr);
    constexpr int kGrid = 40, kThreads = 4;
    std::vector<double> results[kThreads];
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i <= kGrid; ++i)
                for (int j = 0; j <= kGrid; ++j) {
                    double P[3], Su[3], Sv[3];
                    BSRF_EvPatches(table.get(), s.get(), static_cast<double>(i) / kGrid,
                                   static_cast<double>(j) / kGrid, 1, P, Su, Sv, nullptr, nullptr, nullptr);
                    results[t].insert(results[t].end(), {P[0], P[1], P[2], Su[0], Su[1], Su[2], Sv[0], Sv[1], Sv[2]});
                }
        });
    for (std::thread& th : threads)
        th.join();
    for (int t = 1; t < kThreads; ++t)
        EXPECT_EQ(results[t], results[0]) << "thread " << t;
}

} // namespace
