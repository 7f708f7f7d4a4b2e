#include "toolpath/surfkernel/SrfActor.h"

#include "framework/numerak/Bcrv.h"
#include "geometry/shapes3d/GeLine3d.h"
#include "geometry/shapes3d/GeNrbCrv3d.h"
#include "geometry/shapes3d/GePolyline3d.h"
#include "toolpath/surfkernel/ChordThinning.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

namespace {

using P3 = std::array<double, 3>;
using Points = CArray<tagPoint3d, tagPoint3d>;

void Fill(Points& a, const std::vector<P3>& pts)
{
    a.SetSize(0);
    for (const P3& p : pts) a.Add(tagPoint3d{p[0], p[1], p[2]});
}

std::vector<P3> Vertices(CGeCurve3d* c)
{
    auto* poly = dynamic_cast<CGePolyline3d*>(c);
    std::vector<P3> out;
    if (!poly) return out;
    for (int i = 0; i < poly->GetCount(); ++i) out.push_back({poly->GetCtrlPt()[i][0], poly->GetCtrlPt()[i][1], poly->GetCtrlPt()[i][2]});
    return out;
}

double SegmentDistance(const P3& p, const P3& a, const P3& b)
{
    double ab[3], ap[3], len2 = 0.0, dot = 0.0;
    for (int k = 0; k < 3; ++k) {
        ab[k] = b[k] - a[k], ap[k] = p[k] - a[k];
        len2 += ab[k] * ab[k], dot += ab[k] * ap[k];
    }
    const double t = len2 > 0 ? std::fmax(0.0, std::fmin(1.0, dot / len2)) : 0.0;
    double d2 = 0.0;
    for (int k = 0; k < 3; ++k) d2 += (ap[k] - t * ab[k]) * (ap[k] - t * ab[k]);
    return std::sqrt(d2);
}

// Largest distance of the points from the polyline; both run the same way, so each
// point is measured against the few segments around the one that held its predecessor.
double Deviation(const std::vector<P3>& pts, const std::vector<P3>& poly)
{
    double worst = 0.0;
    size_t seg = 0;
    for (const P3& p : pts) {
        double best = 1e300;
        size_t bestSeg = seg;
        for (size_t s = seg; s + 1 < poly.size() && s < seg + 50; ++s) {
            const double d = SegmentDistance(p, poly[s], poly[s + 1]);
            if (d < best) best = d, bestSeg = s;
        }
        seg = bestSeg;
        worst = std::fmax(worst, best);
    }
    return worst;
}

std::vector<P3> Sampled(const std::function<P3(double)>& f, int n)
{
    std::vector<P3> out;
    for (int i = 0; i <= n; ++i) out.push_back(f(static_cast<double>(i) / n));
    return out;
}

TEST(SrfActorMakeCurve, TheRowsOfEachType)
{
    CSrfActor actor;
    Points pts;
    // Type 2: ends 0.1 apart close exactly; collinear runs keep only their ends.
    Fill(pts, {{0, 0, 0}, {5, 0, 0}, {5, 5, 0}, {0.1, 0, 0}});
    std::unique_ptr<CGeCurve3d> closed(actor.MakeCurve(&pts, 2));
    ASSERT_NE(dynamic_cast<CGePolyline3d*>(closed.get()), nullptr);
    EXPECT_EQ(Vertices(closed.get()).back(), (P3{0, 0, 0}));
    std::vector<P3> ell;
    for (int i = 0; i <= 10; ++i) ell.push_back({i * 0.5, 0, 0});
    for (int i = 1; i <= 10; ++i) ell.push_back({5, i * 0.5, i * 0.1});
    Fill(pts, ell);
    std::unique_ptr<CGeCurve3d> runs(actor.MakeCurve(&pts, 2));
    EXPECT_EQ(Vertices(runs.get()), (std::vector<P3>{{0, 0, 0}, {5, 0, 0}, {5, 5, 1}}));
    // Near duplicates go.
    Fill(pts, {{0, 0, 0}, {0.00005, 0, 0}, {1, 1, 0}, {1, 1, 0.00009}, {2, 0, 0}});
    std::unique_ptr<CGeCurve3d> dups(actor.MakeCurve(&pts, 2));
    EXPECT_EQ(Vertices(dups.get()).size(), 3u);

    // Type 1: three collinear points are a line, three others a NURBS approximation.
    Fill(pts, {{0, 0, 0}, {1, 1, 1}, {2, 2, 2}});
    std::unique_ptr<CGeCurve3d> line(actor.MakeCurve(&pts, 1));
    auto* l = dynamic_cast<CGeLine3d*>(line.get());
    ASSERT_NE(l, nullptr);
    EXPECT_EQ(l->m_ptEnd[2], 2.0);
    Fill(pts, {{0, 0, 0}, {1, 1, 0}, {2, 0, 0}});
    std::unique_ptr<CGeCurve3d> approx(actor.MakeCurve(&pts, 1));
    EXPECT_NE(dynamic_cast<CGeNrbCrv3d*>(approx.get()), nullptr);

    // Other types interpolate with order 3, which needs three points.
    Fill(pts, {{0, 0, 0}, {1, 0, 0}, {1, 0, 0}});
    EXPECT_EQ(actor.MakeCurve(&pts, 0), nullptr);
    Fill(pts, {{0, 0, 0}, {1, 1, 0}, {2, 0, 0}});
    std::unique_ptr<CGeCurve3d> interp(actor.MakeCurve(&pts, 0));
    auto* nrb = dynamic_cast<CGeNrbCrv3d*>(interp.get());
    ASSERT_NE(nrb, nullptr);
    EXPECT_EQ(nrb->GetCurve()->k, 3);
    double mid[3];
    const BCRV* b = nrb->GetCurve();
    bool through = false;
    for (int i = 0; i <= 1000; ++i) {
        nrb->GetPointAt(b->U[b->k - 1] + (b->U[b->n] - b->U[b->k - 1]) * i / 1000, mid, 0);
        through |= std::hypot(mid[0] - 1, mid[1] - 1) < 2e-3;
    }
    EXPECT_TRUE(through);

    // Too few points.
    Fill(pts, {{0, 0, 0}});
    EXPECT_EQ(actor.MakeCurve(&pts, 2), nullptr);
    Fill(pts, {{0, 0, 0}, {0.00001, 0, 0}});
    EXPECT_EQ(actor.MakeCurve(&pts, 2), nullptr);
    EXPECT_EQ(actor.MakeCurve(nullptr, 2), nullptr);
}

TEST(SrfActorMakeCurve, ThinnedPolylinesStayWithinTheTolerance)
{
    // The dense samples of the mended rule: a circle of radius 10 every 0.001 (the
    // old rule slid its chords 0.05 off the circle), a helix, and a wavy 3D curve.
    const double twoPi = 2 * std::numbers::pi;
    struct Row {
        const char* label;
        std::function<P3(double)> f;
        int n;
        size_t most;  // a useful thinning keeps far fewer points
    } rows[] = {
        {"circle of radius 10 every 0.001", [&](double t) { return P3{10 * std::cos(twoPi * t), 10 * std::sin(twoPi * t), 0}; },
         static_cast<int>(twoPi * 10 / 0.001), 2000},
        {"helix", [&](double t) { return P3{5 * std::cos(3 * twoPi * t), 5 * std::sin(3 * twoPi * t), 20 * t}; }, 100000, 3000},
        {"wavy", [&](double t) { return P3{50 * t, std::sin(20 * t), 0.3 * std::cos(7 * t)}; }, 50000, 3000},
    };
    CSrfActor actor;
    for (const Row& r : rows) {
        const std::vector<P3> input = Sampled(r.f, r.n);
        Points pts;
        Fill(pts, input);
        std::unique_ptr<CGeCurve3d> c(actor.MakeCurve(&pts, 2));
        const std::vector<P3> kept = Vertices(c.get());
        ASSERT_GE(kept.size(), 2u) << r.label;
        EXPECT_LT(kept.size(), r.most) << r.label;
        EXPECT_LE(Deviation(input, kept), kMakeCurveTol * (1 + 1e-9)) << r.label;
    }
    // The shared rule in the plane keeps the same promise.
    std::vector<double> flat;
    for (int i = 0; i <= 200000; ++i) {
        const double t = i / 200000.0;
        flat.insert(flat.end(), {t, 0.01 * std::sin(40 * t)});
    }
    const std::vector<int> kept = ThinChords(flat.data(), 200001, 2, ChordThinRule{1e-6, 0.0});
    std::vector<P3> in3, out3;
    for (size_t i = 0; i < flat.size() / 2; ++i) in3.push_back({flat[2 * i], flat[2 * i + 1], 0});
    for (int k : kept) out3.push_back(in3[k]);
    EXPECT_LT(kept.size(), 20000u);
    EXPECT_LE(Deviation(in3, out3), 1e-6 * (1 + 1e-9));
    EXPECT_TRUE(ThinChords(nullptr, 3, 2, ChordThinRule{1e-6, 0.0}).empty());
    EXPECT_TRUE(ThinChords(flat.data(), 3, 4, ChordThinRule{1e-6, 0.0}).empty());
}

TEST(SrfActorMakeCurve, ApproximationStaysWithinItsBound)
{
    CSrfActor actor;
    const double twoPi = 2 * std::numbers::pi;
    const std::vector<P3> input =
        Sampled([&](double t) { return P3{30 * std::cos(twoPi * t), 20 * std::sin(twoPi * t), 3 * std::sin(3 * twoPi * t)}; }, 3000);
    Points pts;
    Fill(pts, input);
    std::unique_ptr<CGeCurve3d> c(actor.MakeCurve(&pts, 1));
    auto* nrb = dynamic_cast<CGeNrbCrv3d*>(c.get());
    ASSERT_NE(nrb, nullptr);
    const BCRV* b = nrb->GetCurve();
    EXPECT_LT(b->n, 1000);  // an approximation, not an interpolation
    std::vector<P3> dense;
    for (int i = 0; i <= 60000; ++i) {
        P3 p;
        nrb->GetPointAt(b->U[b->k - 1] + (b->U[b->n] - b->U[b->k - 1]) * i / 60000, p.data(), 0);
        dense.push_back(p);
    }
    EXPECT_LE(Deviation(input, dense), kMakeCurveApproxTol);
}

}  // namespace
