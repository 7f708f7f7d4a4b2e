#include "CurveFixtures.h"

#include "testing/ClipperPaths.h"
#include "toolpath/contours/SmartCurveLib.h"
#include "toolpath/contours/SmartLoop.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>
#include <vector>

namespace {

using curvetest::P;

CSmartLine* Line(P a, P b)
{
    auto* l = new CSmartLine(a.data(), b.data());
    l->DefineBox();
    return l;
}

CSmartCurve* Open(std::vector<P> pts)
{
    CSmartCurve* c = curvetest::Polyline(pts, false);
    c->DefineBox();
    for (CSmartSect* s = c->head; s; s = s->next)
        s->DefineBox();
    return c;
}

CSmartCurve* Closed(std::vector<P> pts)
{
    CSmartCurve* c = curvetest::Polyline(pts, true);
    for (CSmartSect* s = c->head; s; s = s->next)
        s->DefineBox();
    c->DefineBox();
    return c;
}

void Ends(CSmartCurve* c, double* s, double* e)
{
    c->GetPoint(0, s);
    c->GetPoint(1, e);
}

int Count(CSmartLoop* L)
{
    int n = 0;
    for (; L; L = L->next)
        ++n;
    return n;
}

void DeleteLoops(CSmartLoop* L) { CSmartLoop::DeleteLoopChain(L); }

TEST(SmartCurveLib, AppendSectBridgingTwoCurvesLeavesOne)
{
    CSmartCurveLib pool;
    pool.AddCurves(Open({{0, 0}, {1, 0}}));
    pool.AddCurves(Open({{2, 0}, {3, 0}}));
    pool.AppendSect(Line({1, 0}, {2, 0}), -1);
    ASSERT_EQ(pool.count, 1);
    double s[2], e[2];
    Ends(pool.head, s, e);
    EXPECT_EQ(s[0], 0);
    EXPECT_EQ(e[0], 3);
    EXPECT_EQ(pool.head->count, 3);
}

TEST(SmartCurveLib, AppendSectExAttachesToTheNearerEndOnly)
{
    CSmartCurveLib pool;
    pool.AddCurves(Open({{0, 0}, {10, 0}}));
    // Equally far (0.5) from the curve's end and its start: attached nowhere.
    pool.AppendSectEx(Line({10.5, 0}, {-0.5, 0}), 1);
    EXPECT_EQ(pool.count, 2);
    pool.AppendSectEx(Line({10.2, 0}, {12, 0}), 1);
    EXPECT_EQ(pool.count, 2);
    EXPECT_EQ(pool.head->count, 2);
}

TEST(SmartCurveLib, ConnectCurveJoinsEndToStartNeverReversing)
{
    {
        CSmartCurveLib pool;
        pool.AddCurves(Open({{5, 0}, {10, 0}}));
        pool.AddCurves(Open({{0, 0}, {5, 0}}));
        pool.ConnectCurve(0.01);
        ASSERT_EQ(pool.count, 1);
        double s[2], e[2];
        Ends(pool.head, s, e);
        EXPECT_EQ(s[0], 0);
        EXPECT_EQ(e[0], 10);
    }
    {
        CSmartCurveLib pool;
        pool.AddCurves(Open({{0, 0}, {5, 0}}));
        pool.AddCurves(Open({{0, 0}, {-5, 0}}));
        pool.ConnectCurve(0.01);
        EXPECT_EQ(pool.count, 2) << "start to start stays apart";
        pool.ConnectSingleCurve(0.01);
        ASSERT_EQ(pool.count, 1) << "joined by reversing the first";
        double s[2], e[2];
        Ends(pool.head, s, e);
        EXPECT_EQ(s[0], 5);
        EXPECT_EQ(e[0], -5);
    }
}

TEST(SmartCurveLib, ConnectSingleCurveRebuildsAGlyphContourFromShuffledPieces)
{
    glyphs::GlyphReader font;
    std::vector<glyphs::Contour> contours;
    ASSERT_TRUE(font.Char('S', 50, contours));
    std::unique_ptr<CSmartCurve> whole(curvetest::GlyphCurve(contours.front()));
    const double area = whole->CalcArea();
    // Pieces of three sections, shuffled, every other one reversed.
    std::vector<CSmartCurve*> pieces;
    std::unique_ptr<CSmartCurve> src(whole->CopyMyself());
    while (src->head) {
        auto* p = new CSmartCurve;
        for (int i = 0; i < 3 && src->head; ++i) {
            CSmartSect* s = src->head;
            src->RemoveSect(s);
            p->AddSect(s);
        }
        pieces.push_back(p);
    }
    ASSERT_GT(pieces.size(), 4u);
    std::mt19937 rng(7);
    std::shuffle(pieces.begin(), pieces.end(), rng);
    CSmartCurveLib pool;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        if (i % 2)
            pieces[i]->Reverse();
        pool.AddCurves(pieces[i]);
    }
    pool.ConnectSingleCurve(1e-6);
    ASSERT_EQ(pool.count, 1);
    EXPECT_EQ(pool.head->count, whole->count);
    EXPECT_NEAR(std::fabs(pool.head->CalcArea()), std::fabs(area), 1e-6 * std::fabs(area));
}

TEST(SmartCurveLib, FormLoopClosesWhatItCanAndHandsOnTheRest)
{
    CSmartCurveLib pool, rest;
    pool.AddCurves(Closed({{0, 0}, {4, 0}, {4, 4}, {0, 4}}));
    pool.AddCurves(Open({{10, 0}, {12, 0}}));
    CSmartLoop* loops = pool.FormLoop(&rest);
    EXPECT_EQ(Count(loops), 1);
    EXPECT_NEAR(loops->area, 32, 1e-12);
    EXPECT_EQ(pool.count, 0);
    ASSERT_EQ(rest.count, 1);
    EXPECT_EQ(rest.head->depth, 0.02);
    DeleteLoops(loops);
    // Two open halves of a square close into one loop.
    pool.AddCurves(Open({{0, 0}, {4, 0}, {4, 4}}));
    pool.AddCurves(Open({{4, 4}, {0, 4}, {0, 0}}));
    loops = pool.FormLoop(nullptr);
    EXPECT_EQ(Count(loops), 1);
    DeleteLoops(loops);
}

TEST(SmartCurveLib, PointInCurveDecidesInsideOnAndOutside)
{
    std::unique_ptr<CSmartCurve> sq(Closed({{0, 0}, {10, 0}, {10, 10}, {0, 10}}));
    const double centre[2] = {5, 5}, left[2] = {0, 5}, out[2] = {12, 5};
    EXPECT_EQ(PointInCurve(centre, sq.get()), 1);
    EXPECT_EQ(PointInCurve(left, sq.get()), 2);
    EXPECT_EQ(PointInCurve(out, sq.get()), 0);
}

TEST(SmartCurveLib, ClipAllCurveOfOverlappingLoopsMatchesClipperUnion)
{
    std::vector<clipperpaths::Polygon> polys;
    for (int k = 0; k < 4; ++k) {
        clipperpaths::Polygon p;
        for (int i = 0; i < 40; ++i) {
            const double a = 0.05 + 2 * M_PI * i / 40;
            p.push_back({7.3 * k + 10 * std::cos(a), 1.1 * k + 6 * std::sin(a)});
        }
        polys.push_back(p);
    }
    CSmartCurveLib pool;
    for (const auto& p : polys) {
        std::vector<P> q(p.begin(), p.end());
        pool.AddCurves(Closed(q));
    }
    CSmartLoop* loops = pool.ClipAllCurve(nullptr);
    double area = 0;
    for (CSmartLoop* L = loops; L; L = L->next)
        area += L->area / 2;
    ClipperLib::Clipper c;
    c.AddPaths(clipperpaths::ToPaths(polys), ClipperLib::ptSubject, true);
    ClipperLib::Paths u;
    c.Execute(ClipperLib::ctUnion, u, ClipperLib::pftNonZero, ClipperLib::pftNonZero);
    EXPECT_EQ(Count(loops), int(u.size()));
    EXPECT_NEAR(area, clipperpaths::ModelArea(u), 1e-4);  // Clipper rounds to 1e-6
    DeleteLoops(loops);
}

}  // namespace
