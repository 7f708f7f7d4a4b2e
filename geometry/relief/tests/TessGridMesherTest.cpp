// The grid region mesher's parts on their own: ear clipping against the polygon's
// area, the parameter-plane variant on a trimmed surface with a hole, the sample search
// and the segment chaining.
#include "geometry/relief/TessGridMesher.h"
#include "geometry/relief/TessIntersectLine.h"
#include "geometry/shapes2d/GePolyline.h"
#include "geometry/shapes3d/GeMesh.h"
#include "geometry/shapes3d/GeTrimBnd.h"
#include "geometry/shapes3d/GeTrimLoop.h"
#include "geometry/shapes3d/GeTrimSurf.h"
#include "testing/MeshOracle.h"
#include "testing/SurfaceFixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <string>
#include <vector>

namespace {

using Pts = std::vector<std::array<double, 2>>;

double Shoelace(const Pts& p)
{
    double a = 0;
    for (size_t i = 0; i < p.size(); ++i) a += p[i][0] * p[(i + 1) % p.size()][1] - p[(i + 1) % p.size()][0] * p[i][1];
    return a / 2;
}

}  // namespace

TEST(TessGridMesherTest, EarClippingCoversThePolygonOnce)
{
    struct Row {
        const char* label;
        Pts p;
    };
    Pts comb;
    for (int k = 0; k < 6; ++k) {
        comb.push_back({2.0 * k, 0});
        comb.push_back({2.0 * k + 1, 0});
    }
    for (int k = 5; k >= 0; --k) {
        comb.push_back({2.0 * k + 1, 1});
        comb.push_back({2.0 * k + 0.5, 4});
        comb.push_back({2.0 * k, 1});
    }
    const Row rows[] = {
        {"triangle", {{0, 0}, {1, 0}, {0, 1}}},
        {"square with points along its sides", {{0, 0}, {1, 0}, {2, 0}, {2, 1}, {2, 2}, {1, 2}, {0, 2}, {0, 1}}},
        {"L", {{0, 0}, {3, 0}, {3, 1}, {1, 1}, {1, 3}, {0, 3}}},
        {"comb", comb},
    };
    for (const Row& r : rows) {
        CTessGridMesher mesher;
        std::vector<STessNode*> nodes;
        for (size_t i = 0; i < r.p.size(); ++i) {
            nodes.push_back(mesher.NewNode(r.p[i][0], r.p[i][1]));
            nodes.back()->index = static_cast<std::int32_t>(i);
        }
        const STessFace* f = mesher.ClipEars(nodes.data(), static_cast<int>(nodes.size()));
        CGeMesh m;
        for (const auto& q : r.p) m.vertices.emplace_back(static_cast<float>(q[0]), static_cast<float>(q[1]), 0.0f);
        for (; f; f = f->next) {
            EXPECT_EQ(f->v4, -1) << r.label;
            m.faces3.emplace_back(static_cast<int>(f->v[0]), static_cast<int>(f->v[1]), static_cast<int>(f->v[2]));
        }
        EXPECT_EQ(m.faces3.size(), r.p.size() - 2) << r.label;
        EXPECT_EQ(meshoracle::FlatFaces(m, 0.0), 0) << r.label;
        EXPECT_NEAR(meshoracle::ProjectedArea(m), Shoelace(r.p), 1e-9) << r.label;
        const meshoracle::Watertight w = meshoracle::CheckWatertight(m);
        EXPECT_EQ(w.boundaryLoops, 1) << r.label;
        EXPECT_EQ(w.repeatedEdges, 0) << r.label;
    }
}

// A wavy surface over the unit square with a polygonal hole: the faces in the
// parameter plane cover the square minus the hole's polygon exactly, and the polygon
// lies within its chord error of the circle.
TEST(TessGridMesherTest, TrimLoopsCoverThePatchMinusTheHole)
{
    surffix::SurfPtr record = surffix::Wavy(6, true);
    auto* surf = new CGeTrimSurf(BSRF_Clone(record.get()), BOX2<double>(0, 0, 1, 1));
    std::unique_ptr<CGeTrimSurf> owner(surf);
    surf->AddLoop(surf->GenRectTrimLoop(0, 1, 0, 1));
    const double cu = 0.43, cv = 0.57, r = 0.21;
    const int n = 96;
    std::vector<double> circle(2 * (n + 1));
    Pts hole;
    for (int k = 0; k <= n; ++k) {
        const double t = 2 * std::numbers::pi * k / n;
        circle[2 * k] = cu + r * std::cos(t), circle[2 * k + 1] = cv + r * std::sin(t);
        if (k < n) hole.push_back({circle[2 * k], circle[2 * k + 1]});
    }
    auto* poly = new CGePolyline;
    poly->Create(n + 1, reinterpret_cast<const double(*)[2]>(circle.data()));
    auto* loop = new CGeTrimLoop;
    loop->AddBound(new CGeTrimBnd(poly, nullptr, nullptr));
    surf->AddLoop(loop);
    surf->CalcUVBox();

    for (unsigned fixed : {0u, 1u}) {
        CTessGridMesher mesher;
        mesher.m_bFixedSamples = fixed;
        mesher.m_nSamplesU = fixed ? 17 : 0;
        mesher.m_nSamplesV = fixed ? 9 : 0;
        std::vector<double> us, vs;
        mesher.SampleTrimSurface(&surf->m_listLoop, 0.01, us, vs);
        const std::string label = fixed ? "fixed samples" : "surface samples";
        ASSERT_GE(us.size(), 3u) << label;
        EXPECT_LE(us.size(), 600u + 2) << label;
        EXPECT_EQ(us.front(), 0.0) << label;
        EXPECT_EQ(us.back(), 1.0) << label;
        EXPECT_TRUE(std::is_sorted(vs.begin(), vs.end())) << label;
        // Fixed counts give the equal steps; curved stretches may halve them further.
        if (fixed) {
            for (int k = 0; k <= 17; ++k)
                EXPECT_TRUE(std::any_of(us.begin(), us.end(), [&](double u) { return std::fabs(u - k / 17.0) < 1e-12; }))
                    << label << " u " << k;
            for (int k = 0; k <= 9; ++k)
                EXPECT_TRUE(std::any_of(vs.begin(), vs.end(), [&](double v) { return std::fabs(v - k / 9.0) < 1e-12; }))
                    << label << " v " << k;
        }
        STessNode* first = nullptr;
        STessFace* faces = nullptr;
        ASSERT_EQ(mesher.MeshTrimLoops(&surf->m_listLoop, 0.01, &first, &faces), 1) << label;
        CGeMesh m;
        int marked = 0;
        for (STessNode* node = first; node; node = node->chainNext) {
            ASSERT_EQ(node->index, static_cast<std::int32_t>(m.vertices.size())) << label;
            m.vertices.emplace_back(static_cast<float>(node->x), static_cast<float>(node->y), 0.0f);
            marked += node->usage == static_cast<std::int8_t>(255);
        }
        EXPECT_GE(marked, 2) << label;
        for (const STessFace* f = faces; f; f = f->next)
            if (f->v4 < 0)
                m.faces3.emplace_back(static_cast<int>(f->v[0]), static_cast<int>(f->v[1]), static_cast<int>(f->v[2]));
            else
                m.faces4.emplace_back(static_cast<int>(f->v[0]), static_cast<int>(f->v[1]), static_cast<int>(f->v[2]), f->v4);
        const meshoracle::Watertight w = meshoracle::CheckWatertight(m);
        EXPECT_EQ(w.boundaryLoops, 2) << label;
        EXPECT_EQ(w.repeatedEdges + w.openChains, 0) << label;
        const double area = meshoracle::ProjectedArea(m);
        EXPECT_NEAR(area, 1.0 - std::fabs(Shoelace(hole)), 1e-6) << label;
        // A chord of the 96-gon leaves the circle by at most r(1 - cos(π/96)).
        const double sagitta = r * (1 - std::cos(std::numbers::pi / n));
        EXPECT_NEAR(area, 1.0 - std::numbers::pi * r * r, 2 * std::numbers::pi * r * sagitta) << label;
    }
    CTessGridMesher mesher;
    STessNode* first = reinterpret_cast<STessNode*>(1);
    STessFace* faces = reinterpret_cast<STessFace*>(1);
    EXPECT_EQ(mesher.MeshTrimLoops(nullptr, 0.01, &first, &faces), 0);
    EXPECT_EQ(first, nullptr);
    EXPECT_EQ(faces, nullptr);
}

TEST(TessGridMesherTest, FindSampleIndexBisectsEitherAxis)
{
    // (u, v) pairs: u rising by 0.25, v by 0.1.
    std::vector<double> s;
    for (int k = 0; k < 5; ++k) s.insert(s.end(), {0.25 * k, 0.1 * k});
    struct Row {
        double value;
        int axis, want;
    };
    const Row rows[] = {{-0.1, 0, -1}, {0.0, 0, 0}, {0.3, 0, 1}, {1.0, 0, 4}, {7.0, 0, 4},
                        {0.05, 1301, 0}, {0.25, 1301, 2}, {0.4, 1301, 4}, {-1.0, 1301, -1}, {0.3, 1302, 1}};
    for (const Row& r : rows)
        EXPECT_EQ(CTessGridMesher::FindSampleIndex(r.value, r.axis, s.data(), 5), r.want) << r.value << " axis " << r.axis;
    EXPECT_EQ(CTessGridMesher::FindSampleIndex(0.5, 0, s.data(), 0), -1);
    EXPECT_EQ(CTessGridMesher::FindSampleIndex(0.5, 0, nullptr, 5), -1);
}

TEST(TessGridMesherTest, SegmentsChainBackIntoTheirPolyline)
{
    // A helix-like polyline cut into segments, shuffled, every other one reversed, and one
    // segment repeated backwards (it must be dropped).
    std::vector<std::array<double, 3>> pts;
    for (int k = 0; k <= 40; ++k) pts.push_back({std::cos(0.3 * k), std::sin(0.3 * k), 0.05 * k});
    CTessIntersectLineGroup loose;
    std::vector<int> order(40);
    for (int k = 0; k < 40; ++k) order[static_cast<size_t>(k)] = k;
    std::mt19937 rng(3);
    std::shuffle(order.begin(), order.end(), rng);
    for (int k : order) {
        auto* l = new CTessIntersectLine;
        const bool rev = k % 2;
        for (int c = 0; c < 3; ++c) {
            l->start[c] = pts[static_cast<size_t>(rev ? k + 1 : k)][static_cast<size_t>(c)];
            l->end[c] = pts[static_cast<size_t>(rev ? k : k + 1)][static_cast<size_t>(c)];
        }
        loose.AddTail(l);
    }
    EXPECT_NE(loose.FindLine(pts[7].data(), pts[8].data()), nullptr);
    EXPECT_NE(loose.FindLine(pts[8].data(), pts[7].data()), nullptr);
    EXPECT_EQ(loose.FindLine(pts[7].data(), pts[9].data()), nullptr);
    // Start the chain with segment 20 and grow it both ways.
    CTessIntersectLineGroup chain;
    auto* seed = new CTessIntersectLine;
    for (int c = 0; c < 3; ++c) seed->start[c] = pts[20][static_cast<size_t>(c)], seed->end[c] = pts[21][static_cast<size_t>(c)];
    chain.AddTail(seed);
    for (POSITION pos = loose.GetHeadPosition(); pos;) {
        const POSITION at = pos;
        CTessIntersectLine* l = loose.GetNext(pos);
        if (loose.FindLine(pts[20].data(), pts[21].data()) == l) {
            loose.RemoveAt(at);
            delete l;
        }
    }
    auto* back = new CTessIntersectLine;  // runs back along the seed
    for (int c = 0; c < 3; ++c) back->start[c] = pts[21][static_cast<size_t>(c)], back->end[c] = pts[20][static_cast<size_t>(c)];
    loose.AddHead(back);
    double s[3], e[3];
    for (int c = 0; c < 3; ++c) s[c] = pts[20][static_cast<size_t>(c)], e[c] = pts[21][static_cast<size_t>(c)];
    int taken = 0;
    while (loose.TakeNearestLine(&chain, s, e, 1e-6)) ++taken;
    EXPECT_EQ(taken, 40);
    EXPECT_TRUE(loose.IsEmpty());
    ASSERT_EQ(chain.GetCount(), 40);
    int k = 0;
    for (POSITION pos = chain.GetHeadPosition(); pos; ++k) {
        const CTessIntersectLine* l = chain.GetNext(pos);
        for (int c = 0; c < 3; ++c) {
            ASSERT_EQ(l->start[c], pts[static_cast<size_t>(k)][static_cast<size_t>(c)]) << k;
            ASSERT_EQ(l->end[c], pts[static_cast<size_t>(k + 1)][static_cast<size_t>(c)]) << k;
        }
    }
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(s[c], pts[0][static_cast<size_t>(c)]);
        EXPECT_EQ(e[c], pts[40][static_cast<size_t>(c)]);
    }
    // Nothing within the limit: 0 and both lists unchanged.
    auto* far = new CTessIntersectLine;
    far->start[0] = 50;
    loose.AddTail(far);
    EXPECT_EQ(loose.TakeNearestLine(&chain, s, e, 1.0), 0);
    EXPECT_EQ(loose.GetCount(), 1);
    chain.DeleteAllLines();
    EXPECT_TRUE(chain.IsEmpty());
}
