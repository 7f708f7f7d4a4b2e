#include "toolpath/surfkernel/EdTrimBound.h"

#include "framework/numerak/PointString3D.h"
#include "geometry/shapes2d/GeCircle.h"
#include "geometry/shapes2d/GeLine.h"
#include "geometry/shapes2d/GePolyline.h"
#include "geometry/shapes3d/GeTrimBnd.h"
#include "toolpath/surfkernel/tests/TrimEditFixtures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numbers>
#include <random>
#include <string>
#include <vector>

namespace {

using trimedit::MakeBound;
using trimedit::Points;
using trimedit::UV;
using BoundPtr = std::unique_ptr<CEdTrimBound>;

std::vector<double> CrossingTs(const CEdTrimBound& b)
{
    std::vector<double> out;
    for (CEdIntNode* c = b.IntHead(); c; c = c->next) out.push_back(c->t);
    return out;
}

TEST(EdTrimBound, CreateFromTrimBoundsAndPointStrings)
{
    const double a[2] = {0.1, 0.2}, b[2] = {0.7, 0.4}, c[2] = {0.5, 0.5};
    CGeTrimBnd line(new CGeLine(a, b), nullptr, nullptr);
    CEdTrimBound fromLine;
    ASSERT_EQ(fromLine.Create(&line), 1);
    EXPECT_EQ(Points(fromLine), (std::vector<UV>{{0.1, 0.2}, {0.7, 0.4}}));
    EXPECT_EQ(fromLine.kind, BND_LOOP);
    EXPECT_DOUBLE_EQ(fromLine.uvBox.xmax, 0.7);

    const double poly[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    auto* pl = new CGePolyline;
    pl->Create(4, poly);
    CGeTrimBnd polyBnd(pl, nullptr, nullptr);
    CEdTrimBound fromPoly;
    ASSERT_EQ(fromPoly.Create(&polyBnd), 1);
    EXPECT_EQ(Points(fromPoly), (std::vector<UV>{{0, 0}, {1, 0}, {1, 1}, {0, 1}}));
    EXPECT_EQ(fromPoly.Point(3)[2], 3.0);

    CGeTrimBnd circle(new CGeCircle(c, 0.25, 1), nullptr, nullptr);
    CEdTrimBound fromCircle;
    ASSERT_EQ(fromCircle.Create(&circle), 1);
    ASSERT_EQ(fromCircle.nLast, 100);
    for (int k = 0; k <= 100; ++k)
        EXPECT_NEAR(std::hypot(fromCircle.Point(k)[0] - 0.5, fromCircle.Point(k)[1] - 0.5), 0.25, 1e-12) << k;

    CGeTrimBnd empty;
    CEdTrimBound none;
    EXPECT_EQ(none.Create(&empty), 0);
    EXPECT_EQ(none.Create(static_cast<CGeTrimBnd*>(nullptr)), 0);
    EXPECT_EQ(none.pts, nullptr);

    CStrP3D str;
    str.Create(3, false, false);
    for (int k = 0; k < 3; ++k) str.m_pPoints[k][0] = k, str.m_pPoints[k][1] = 2 * k, str.m_pPoints[k][2] = 9;
    CEdTrimBound fromStr;
    EXPECT_EQ(fromStr.Create(&str, BOX2<double>(0, 0, 1, 1)), 1);
    EXPECT_EQ(Points(fromStr), (std::vector<UV>{{0, 0}, {1, 2}, {2, 4}}));
    EXPECT_EQ(fromStr.kind, BND_LOOP);
    EXPECT_EQ(fromStr.Point(2)[2], 2.0);
}

TEST(EdTrimBound, CrossingListClampsSortsAndRefusesDuplicates)
{
    BoundPtr b(MakeBound({{0, 0}, {1, 0}, {2, 0}, {3, 0}}));
    struct Row {
        double u, v, t;
        int result;
        double stored;
    } rows[] = {
        {0.5, 0, -0.5, 1, 0.0},         // clamped to the start
        {3, 0, 5.0, 1, 3.0},            // clamped to nLast
        {1.5, 0, 1.5, 1, 1.5},
        {1.5, 0, 1.5 + 5e-7, 0, 0.0},   // same place again
        {1.5, 1e-6, 1.5, 1, 1.5},       // same t, another (u, v)
        {0.7, 0, 0.7, 1, 0.7},
    };
    for (const Row& r : rows) {
        double uvt[3] = {r.u, r.v, r.t};
        EXPECT_EQ(b->AddIntPoint(uvt), r.result) << r.t;
        if (r.result) {
            EXPECT_EQ(uvt[2], r.stored) << r.t;
        }
    }
    EXPECT_EQ(CrossingTs(*b), (std::vector<double>{0.0, 0.7, 1.5, 1.5, 3.0}));
    EXPECT_EQ(b->intTail->t, 3.0);
    b->ClearIntPoint();
    EXPECT_EQ(b->IntHead(), nullptr);
    EXPECT_EQ(b->intTail, nullptr);
}

TEST(EdTrimBound, SubBoundsAndBreaking)
{
    BoundPtr b(MakeBound({{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}}));
    b->side = 1;
    struct Row {
        const char* label;
        double from, to;
        std::vector<UV> piece;  // empty: null
    } rows[] = {
        {"1.5 to 3", 1.5, 3.0, {{1.5, 0}, {2, 0}, {3, 0}}},
        {"2.3 to 2.7", 2.3, 2.7, {{2.3, 0}, {2.7, 0}}},
        {"2 to 2", 2.0, 2.0, {}},
        {"0 to 4", 0.0, 4.0, {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}}},
        {"backwards within a segment", 0.5, 0.2, {{0.5, 0}, {0.2, 0}}},
    };
    for (const Row& r : rows) {
        const double from[3] = {r.from, 0, r.from}, to[3] = {r.to, 0, r.to};
        BoundPtr piece(b->GetSubBound(from, to, false));
        if (r.piece.empty()) {
            EXPECT_EQ(piece, nullptr) << r.label;
            continue;
        }
        ASSERT_NE(piece, nullptr) << r.label;
        EXPECT_EQ(Points(*piece), r.piece) << r.label;
        for (int k = 0; k <= piece->nLast; ++k) EXPECT_EQ(piece->Point(k)[2], k) << r.label;
        EXPECT_EQ(piece->side, 1) << r.label;
        EXPECT_EQ(piece->kind, BND_CURVE) << r.label;
    }
    // A piece made with refine drops its collinear points.
    const double from[3] = {0, 0, 0}, to[3] = {4, 0, 4};
    BoundPtr refined(b->GetSubBound(from, to, true));
    EXPECT_EQ(Points(*refined), (std::vector<UV>{{0, 0}, {4, 0}}));

    // Without crossings the bound breaks into a copy of itself.
    BoundPtr copy(b->BreakBound(false));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(Points(*copy), Points(*b));
    EXPECT_EQ(copy->next, nullptr);

    // Crossings at 1.5 and 3.2: three pieces from end to end; extendMode keeps
    // extended ends out of the pieces.
    for (int mode : {0, 1, 2, 3}) {
        BoundPtr c(MakeBound({{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}}));
        c->extendMode = mode;
        double x1[3] = {1.5, 0, 1.5}, x2[3] = {3.2, 0, 3.2};
        c->AddIntPoint(x1);
        c->AddIntPoint(x2);
        std::vector<std::vector<UV>> pieces;
        for (CEdTrimBound* p = c->BreakBound(false); p;) {
            pieces.push_back(Points(*p));
            CEdTrimBound* n = p->next;
            delete p;
            p = n;
        }
        std::vector<std::vector<UV>> expect;
        if (mode == 0 || mode == 2) expect.push_back({{0, 0}, {1, 0}, {1.5, 0}});
        expect.push_back({{1.5, 0}, {2, 0}, {3, 0}, {3.2, 0}});
        if (mode == 0 || mode == 1) expect.push_back({{3.2, 0}, {4, 0}});
        EXPECT_EQ(pieces, expect) << "extendMode " << mode;
    }
}

TEST(EdTrimBound, SegmentCrossings)
{
    struct Row {
        const char* label;
        UV a0, a1, b0, b1;
        int result;
        UV x;
    } rows[] = {
        {"crossing", {0.2, 0.2}, {0.8, 0.8}, {0.2, 0.8}, {0.8, 0.2}, 1, {0.5, 0.5}},
        {"shared end", {0.1, 0.1}, {0.5, 0.5}, {0.5, 0.5 + 5e-7}, {0.9, 0.1}, 1, {0.5, 0.5}},
        {"shared second end", {0.9, 0.1}, {0.5, 0.5}, {0.1, 0.1}, {0.5, 0.5}, 1, {0.5, 0.5}},
        {"outside the unit square", {1.2, 0.2}, {1.8, 0.8}, {1.2, 0.8}, {1.8, 0.2}, 0, {}},
        {"lines cross beyond a segment", {0.1, 0.1}, {0.3, 0.3}, {0.2, 0.8}, {0.8, 0.2}, 0, {}},
        {"parallel", {0.1, 0.1}, {0.5, 0.1}, {0.1, 0.2}, {0.5, 0.2}, 0, {}},
        {"boxes apart", {0.1, 0.1}, {0.2, 0.2}, {0.5, 0.5}, {0.6, 0.4}, 0, {}},
    };
    for (const Row& r : rows) {
        const double a0[3] = {r.a0[0], r.a0[1], 7}, a1[3] = {r.a1[0], r.a1[1], 8};
        const double b0[3] = {r.b0[0], r.b0[1], 0}, b1[3] = {r.b1[0], r.b1[1], 1};
        double out[3] = {-1, -1, -1};
        EXPECT_EQ(CEdTrimBound::LineLineInt(a0, a1, b0, b1, out), r.result) << r.label;
        if (r.result) {
            EXPECT_NEAR(out[0], r.x[0], 1e-12) << r.label;
            EXPECT_NEAR(out[1], r.x[1], 1e-12) << r.label;
        }
    }
    // A shared end comes back with its own t.
    const double a0[3] = {0.1, 0.1, 4}, a1[3] = {0.5, 0.5, 5}, b0[3] = {0.5, 0.5, 0}, b1[3] = {0.9, 0.1, 1};
    double out[3];
    ASSERT_EQ(CEdTrimBound::LineLineInt(a0, a1, b0, b1, out), 1);
    EXPECT_EQ(out[2], 5.0);
}

TEST(EdTrimBound, BoundCrossingsGoToCurveBoundsUnlessForced)
{
    for (bool force : {false, true}) {
        BoundPtr loop(MakeBound({{0, 0}, {1, 0}, {1, 1}}, BND_LOOP));
        BoundPtr curve(MakeBound({{0.5, -0.5}, {0.5, 0.5}, {0.5, 1.5}}, BND_CURVE));
        ASSERT_EQ(loop->BoundBoundInt(curve.get(), force), 1);
        EXPECT_EQ(CrossingTs(*curve), (std::vector<double>{0.5})) << force;
        EXPECT_EQ(CrossingTs(*loop), force ? std::vector<double>{0.5} : std::vector<double>{}) << force;
        BoundPtr far(MakeBound({{3, 3}, {4, 4}}));
        EXPECT_EQ(loop->BoundBoundInt(far.get(), force), 0);
    }
    // Every crossing of two zigzags is found once, at the same place on both.
    std::vector<UV> za, zb;
    for (int k = 0; k <= 40; ++k) {
        za.push_back({k / 40.0, (k % 2) ? 0.6 : 0.4});
        zb.push_back({k / 40.0 + 0.0125, (k % 2) ? 0.4 : 0.6});
    }
    BoundPtr a(MakeBound(za)), b(MakeBound(zb));
    ASSERT_EQ(a->BoundBoundInt(b.get(), false), 1);
    // The plain search over every pair of segments, with exact orientation signs.
    const auto orient = [](const UV& p, const UV& q, const UV& r) {
        const double d = (q[0] - p[0]) * (r[1] - p[1]) - (q[1] - p[1]) * (r[0] - p[0]);
        return (d > 0) - (d < 0);
    };
    int plain = 0;
    for (size_t i = 0; i + 1 < za.size(); ++i)
        for (size_t j = 0; j + 1 < zb.size(); ++j)
            if (orient(za[i], za[i + 1], zb[j]) * orient(za[i], za[i + 1], zb[j + 1]) < 0 &&
                orient(zb[j], zb[j + 1], za[i]) * orient(zb[j], zb[j + 1], za[i + 1]) < 0)
                ++plain;
    ASSERT_GT(plain, 20);
    EXPECT_EQ(a->IntCount(), plain);
    EXPECT_EQ(b->IntCount(), plain);
    for (CEdIntNode *p = a->IntHead(); p; p = p->next) {
        bool found = false;
        for (CEdIntNode* q = b->IntHead(); q; q = q->next) found |= std::hypot(p->u - q->u, p->v - q->v) < 1e-12;
        EXPECT_TRUE(found) << p->t;
        const int seg = std::min(static_cast<int>(p->t), a->nLast - 1);
        EXPECT_LT(trimedit::SegmentDistance({p->u, p->v}, {a->Point(seg)[0], a->Point(seg)[1]},
                                            {a->Point(seg + 1)[0], a->Point(seg + 1)[1]}),
                  1e-12);
    }
}

TEST(EdTrimBound, SelfCrossingsAreRecordedAtBothPlaces)
{
    // A figure of eight crossing itself at (0.5, 0.5), and a closed square.
    BoundPtr eight(MakeBound({{0.2, 0.2}, {0.8, 0.8}, {0.8, 0.2}, {0.2, 0.8}, {0.2, 0.3}}));
    EXPECT_EQ(eight->BoundSelfInt(), 1);
    const std::vector<double> ts = CrossingTs(*eight);
    ASSERT_EQ(ts.size(), 2u);
    EXPECT_NEAR(ts[0], 0.5, 1e-12);
    EXPECT_NEAR(ts[1], 2.5, 1e-12);
    BoundPtr square(MakeBound({{0, 0}, {1, 0}, {1, 1}, {0, 1}, {0, 0}}));
    square->BoundSelfInt();
    EXPECT_EQ(CrossingTs(*square), (std::vector<double>{0.0, 4.0}));
}

TEST(EdTrimBound, EndsTangentsLengthAndReversal)
{
    BoundPtr b(MakeBound({{0, 0}, {3, 0}, {3, 4}}));
    b->side = 0;
    double s[2], e[2], p[2], d[2], mid[2];
    ASSERT_EQ(b->GetEndPoint(s, e), 1);
    EXPECT_EQ(e[1], 4.0);
    ASSERT_EQ(b->GetTangent(0, p, d), 1);
    EXPECT_EQ(d[0], 1.0);
    ASSERT_EQ(b->GetTangent(1, p, d), 1);
    EXPECT_EQ(d[1], 1.0);
    EXPECT_EQ(p[1], 4.0);
    EXPECT_DOUBLE_EQ(b->GetLength(), 7.0);
    b->GetMidPoint(mid);
    EXPECT_EQ(mid[0], 3.0);
    EXPECT_EQ(mid[1], 2.0);
    b->ReverseDirect();
    EXPECT_EQ(Points(*b), (std::vector<UV>{{3, 4}, {3, 0}, {0, 0}}));
    EXPECT_EQ(b->Point(0)[2], 0.0);
    EXPECT_EQ(b->side, 1);
    b->side = 5;
    b->ReverseDirect();
    EXPECT_EQ(b->side, 5);
    b->SetStartPoint(-1, -1);
    b->SetEndPoint(9, 9);
    EXPECT_EQ(Points(*b).front(), (UV{-1, -1}));
    EXPECT_EQ(Points(*b).back(), (UV{9, 9}));
    EXPECT_EQ(b->startFixed + b->endFixed, 2);
    std::unique_ptr<CEdTrimBound> copy(b->CopyMyself());
    EXPECT_EQ(Points(*copy), Points(*b));
    EXPECT_EQ(copy->side, 5);
    EXPECT_EQ(copy->startFixed, 0);

    CEdTrimBound empty;
    EXPECT_EQ(empty.GetEndPoint(s, e), 0);
    EXPECT_EQ(empty.GetTangent(0, p, d), 0);
    EXPECT_EQ(empty.GetLength(), 0.0);
    empty.SetStartPoint(1, 1);
    EXPECT_EQ(empty.startFixed, 0);
}

TEST(EdTrimBound, ExtensionsClosureAndTrimming)
{
    auto surf = trimedit::SquarePlane();
    CEdTrimSurf edit;
    ASSERT_EQ(edit.InitSurfBound(surf.get()), 1);
    const double diag = std::sqrt(2.0);

    // Both ends: diag beyond each, the old ends become crossings.
    BoundPtr both(MakeBound({{0.4, 0.5}, {0.5, 0.5}, {0.6, 0.5}}));
    ASSERT_EQ(both->ExtendBoundBoth(&edit), 1);
    EXPECT_EQ(both->kind, BND_EXTENDED);
    EXPECT_EQ(both->extendMode, 3);
    ASSERT_EQ(both->nLast, 4);
    EXPECT_NEAR(both->Point(0)[0], 0.5 - diag, 1e-12);
    EXPECT_NEAR(both->Point(4)[0], 0.5 + diag, 1e-12);
    EXPECT_EQ(CrossingTs(*both), (std::vector<double>{1.0, 3.0}));

    BoundPtr begin(MakeBound({{0.4, 0.5}, {0.6, 0.5}}));
    ASSERT_EQ(begin->ExtendBoundBegin(&edit), 1);
    EXPECT_EQ(begin->extendMode, 1);
    EXPECT_NEAR(begin->Point(0)[0], 0.6 - diag, 1e-12);
    EXPECT_EQ(CrossingTs(*begin), (std::vector<double>{1.0}));

    // Ends 0.005 apart close the bound instead.
    BoundPtr closing(MakeBound({{0.2, 0.2}, {0.8, 0.2}, {0.5, 0.8}, {0.2, 0.205}}));
    EXPECT_EQ(closing->ExtendBoundEnd(&edit), 0);
    EXPECT_EQ(Points(*closing).front(), (UV{0.2, 0.205}));
    EXPECT_EQ(closing->nLast, 3);
    EXPECT_EQ(closing->ExtendBoundEnd(nullptr), 0);

    // Trimming keeps on each extension the crossing nearest the old end.
    both->ClearIntPoint();
    for (double t : {0.2, 0.5, 0.9, 1.0, 3.0, 3.1, 3.6}) {
        double x[3] = {t, 0.5, t};
        both->AddIntPoint(x);
    }
    both->TrimIntBound();
    EXPECT_EQ(CrossingTs(*both), (std::vector<double>{0.9, 1.0, 3.0, 3.1}));
}

TEST(EdTrimBound, CollinearRemovalKeepsEveryPointWithinItsTolerance)
{
    // The Part's row.
    double pts[4][2] = {{0, 0}, {1, 0}, {2, 0}, {2, 1}};
    int count = 0;
    ASSERT_EQ(RemoveCollinearPoints(pts, 4, 1e-6, count), 1);
    ASSERT_EQ(count, 3);
    EXPECT_EQ(pts[1][0], 2.0);
    EXPECT_EQ(pts[2][1], 1.0);
    EXPECT_EQ(RemoveCollinearPoints(pts, 1, 1e-6, count), 0);
    EXPECT_EQ(RemoveCollinearPoints(pts, 4, 0.0, count), 0);
    EXPECT_EQ(RemoveCollinearPoints(nullptr, 4, 1e-6, count), 0);

    // A circle of radius 0.4 sampled every 1e-5: the kept points stay within tol / 10
    // of every sample, and a few hundred remain.
    const double tol = 1e-4;
    std::vector<double> circle;
    const int n = static_cast<int>(2 * std::numbers::pi * 0.4 / 1e-5);
    for (int i = 0; i <= n; ++i) {
        const double a = 2 * std::numbers::pi * i / n;
        circle.insert(circle.end(), {0.5 + 0.4 * std::cos(a), 0.5 + 0.4 * std::sin(a)});
    }
    std::vector<double> thinned = circle;
    ASSERT_EQ(RemoveCollinearPoints(reinterpret_cast<double(*)[2]>(thinned.data()), n + 1, tol, count), 1);
    EXPECT_LT(count, 2000);
    EXPECT_GT(count, 100);
    trimedit::Polygon kept;
    for (int k = 0; k < count; ++k) kept.push_back({thinned[2 * k], thinned[2 * k + 1]});
    double worst = 0.0;
    size_t seg = 0;
    for (int i = 0; i <= n; ++i) {
        const UV p{circle[2 * i], circle[2 * i + 1]};
        // The kept points come from the samples in order, so sample i lies on the chord
        // that spans it.
        while (seg + 1 < kept.size() - 1 && kept[seg + 1] != p &&
               trimedit::SegmentDistance(p, kept[seg], kept[seg + 1]) > tol / 10 &&
               trimedit::SegmentDistance(p, kept[seg + 1], kept[seg + 2]) <= tol / 10)
            ++seg;
        double d = trimedit::SegmentDistance(p, kept[seg], kept[seg + 1]);
        if (seg + 2 < kept.size()) d = std::fmin(d, trimedit::SegmentDistance(p, kept[seg + 1], kept[seg + 2]));
        worst = std::fmax(worst, d);
    }
    EXPECT_LE(worst, tol / 10 * (1 + 1e-9));

    // Refine drops the world points and leaves at least two points.
    BoundPtr b(MakeBound({{0, 0}, {0.5, 0}, {1, 0}}));
    b->worldPts = new double[9]();
    b->Refine(1e-6);
    EXPECT_EQ(Points(*b), (std::vector<UV>{{0, 0}, {1, 0}}));
    EXPECT_EQ(b->worldPts, nullptr);
    EXPECT_EQ(b->Point(1)[2], 1.0);
}

}  // namespace
