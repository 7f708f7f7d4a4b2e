// CSmartLoop crossings: scan lines against the half-open rule, lines and circles against a
// brute-force search, and the detour of a segment around an island.
#include "LoopOracle.h"

#include "testing/Shorelines.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>

namespace {

using namespace looptest;

// A page: a frame loop with polygon islands (shorelines, or glyph outlines in a row).
struct Page {
    std::unique_ptr<CSmartLoop> loop;
    std::vector<std::vector<P>> polys;  // frame first
};

Page MakePage(std::vector<std::vector<P>> islands)
{
    double x0 = 1e300, y0 = 1e300, x1 = -1e300, y1 = -1e300;
    for (const auto& p : islands)
        for (const P& q : p) {
            x0 = std::min(x0, q[0]);
            y0 = std::min(y0, q[1]);
            x1 = std::max(x1, q[0]);
            y1 = std::max(y1, q[1]);
        }
    Page page;
    page.polys.push_back({{x0 - 5, y0 - 5}, {x1 + 5, y0 - 5}, {x1 + 5, y1 + 5}, {x0 - 5, y1 + 5}});
    page.loop.reset(PolygonLoop(page.polys.front()));
    for (auto& p : islands) {
        page.loop->AddIsland(PolygonLoop(p));
        page.polys.push_back(std::move(p));
    }
    return page;
}

Page GlyphPage()
{
    glyphs::GlyphReader r;
    std::vector<std::vector<P>> polys;
    double x = 0;
    for (unsigned long ch : {'E', 'T', 'W', 'g', '&', 'B', '8', 'k'}) {
        std::vector<glyphs::Contour> cs;
        r.Char(ch, 0.05, cs);
        for (const auto& c : cs) {
            std::vector<P> p = glyphs::Sample(c, 5);
            for (P& q : p)
                q[0] += x;
            polys.push_back(p);
        }
        x += 120;
    }
    return MakePage(polys);
}

// Crossing pairs closer than this in x are one touch (SortPointSect drops such pairs).
constexpr double kPair = 1e-6;

std::vector<double> OracleAt(const Page& page, double y)
{
    std::vector<double> xs;
    for (const auto& p : page.polys)
        for (double x : ScanCrossings(p, y))
            xs.push_back(x);
    return OddCrossings(xs, kPair);
}

// Even counts and the crossings of the half-open rule (touching vertices 0 or 2 times), at
// the line itself or at one of its two retries 1e-6 away.
void CheckScanLines(const Page& page, const std::string& label)
{
    std::vector<double> ys;
    const double y0 = page.loop->box[0][1], y1 = page.loop->box[1][1];
    for (int i = 0; i <= 400; ++i)
        ys.push_back(y0 + (y1 - y0) * (i + 0.5) / 401);
    for (std::size_t k = 1; k < page.polys.size(); ++k)
        for (std::size_t i = 0; i < page.polys[k].size(); i += 3)
            ys.push_back(page.polys[k][i][1]);  // through vertices and along horizontal edges
    std::vector<std::array<double, 2>> buf(20000);
    auto* pts = reinterpret_cast<double(*)[2]>(buf.data());
    int matched = 0;
    for (double y : ys) {
        const unsigned n = page.loop->GetYLineIntContour(y, pts, 20000);
        std::ostringstream at;
        at << label << " y " << y;
        ASSERT_EQ(n % 2, 0u) << at.str();
        std::vector<double> got;
        for (unsigned i = 0; i < n; ++i)
            got.push_back(pts[i][0]);
        ASSERT_TRUE(std::is_sorted(got.begin(), got.end())) << at.str();
        got = OddCrossings(got, kPair);
        bool same = false;
        for (double yy : {y, y + 1e-6, y - 1e-6}) {
            const std::vector<double> want = OracleAt(page, yy);
            if (want.size() != got.size())
                continue;
            bool all = true;
            for (std::size_t i = 0; i < want.size() && all; ++i)
                all = std::fabs(want[i] - got[i]) < 1e-3;
            same = same || all;
        }
        matched += same;
        if (!same) {
            for (double x : got)
                at << " got " << x;
            for (double yy : {y, y + 1e-6, y - 1e-6}) {
                at << "\n at " << yy - y << ":";
                for (double x : OracleAt(page, yy))
                    at << " " << x;
            }
        }
        EXPECT_TRUE(same) << at.str() << ": " << got.size() << " crossings";
    }
    EXPECT_GT(matched, 400) << label;
}

TEST(LoopCross, ScanLinesOnShorelinesAndAGlyphPage)
{
    for (const char* name : {"iceland_fjords", "aegean_islands"})
        CheckScanLines(MakePage(shorelines::Read(name)), name);
    CheckScanLines(GlyphPage(), "glyph page");
}

TEST(LoopCross, SortPointSectTouchingVertexRows)
{
    // A diamond: the line through the top vertex touches (both crossings go); the line
    // through the side vertices passes them (one of each pair stays).
    std::unique_ptr<CSmartLoop> L(PolygonLoop({{0, -2}, {2, 0}, {0, 2}, {-2, 0}}));
    double pts[8][2];
    EXPECT_EQ(L->GetYLineIntContour(2, pts, 8), 0u) << "touching the top vertex";
    ASSERT_EQ(L->GetYLineIntContour(0, pts, 8), 2u) << "through the side vertices";
    EXPECT_NEAR(pts[0][0], -2, 1e-12);
    EXPECT_NEAR(pts[1][0], 2, 1e-12);
    ASSERT_EQ(L->GetYLineIntContour(1, pts, 8), 2u);
    EXPECT_NEAR(pts[0][0], -1, 1e-12);
    unsigned zero = 0;
    EXPECT_EQ(CSmartLoop::SortPointSect(pts, nullptr, zero), 0u);
}

// Brute force: every section against the line or circle by the same primitives' closed
// forms, written out here for lines only (the shoreline polygons).
TEST(LoopCross, LinesAndCirclesAgainstBruteForce)
{
    const auto loops = shorelines::Read("aegean_islands");
    std::unique_ptr<CSmartLoop> L(PolygonLoop(loops.front()));
    for (std::size_t k = 1; k < 6 && k < loops.size(); ++k)
        L->AddIsland(PolygonLoop(loops[k]));
    std::vector<std::vector<P>> polys(loops.begin(), loops.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(6, loops.size())));
    std::mt19937 rng(9);
    std::uniform_real_distribution<double> ux(L->box[0][0], L->box[1][0]), uy(L->box[0][1], L->box[1][1]);
    double pts[4096][2];
    CSmartSect* sects[4096];
    for (int run = 0; run < 40; ++run) {
        const P a{ux(rng), uy(rng)}, b{ux(rng), uy(rng)};
        std::vector<P> want;
        for (const auto& poly : polys)
            for (std::size_t i = 0; i < poly.size(); ++i) {
                const P& p = poly[i];
                const P& q = poly[(i + 1) % poly.size()];
                const double dx = b[0] - a[0], dy = b[1] - a[1];
                const double ex = q[0] - p[0], ey = q[1] - p[1];
                const double den = ex * dy - ey * dx;
                if (den == 0)
                    continue;
                const double t = ((a[0] - p[0]) * dy - (a[1] - p[1]) * dx) / den;
                if (t > 1e-8 && t < 1 - 1e-8)
                    want.push_back({p[0] + t * ex, p[1] + t * ey});
            }
        const unsigned n = L->GetLineInt(a.data(), b.data(), pts, sects, 4096);
        std::size_t found = 0;
        for (const P& w : want)
            for (unsigned i = 0; i < n; ++i)
                if (std::hypot(pts[i][0] - w[0], pts[i][1] - w[1]) < 1e-6) {
                    ++found;
                    break;
                }
        EXPECT_EQ(found, want.size()) << "line run " << run;
        EXPECT_LE(n, want.size() + 2 * (n - found)) << "line run " << run;

        const double r = 5 + run * 2.0;
        std::vector<P> wantC;
        for (const auto& poly : polys)
            for (std::size_t i = 0; i < poly.size(); ++i) {
                const P& p = poly[i];
                const P& q = poly[(i + 1) % poly.size()];
                const double ex = q[0] - p[0], ey = q[1] - p[1], fx = p[0] - a[0], fy = p[1] - a[1];
                const double A = ex * ex + ey * ey, B = 2 * (fx * ex + fy * ey), C = fx * fx + fy * fy - r * r;
                const double disc = B * B - 4 * A * C;
                if (A == 0 || disc <= 0)
                    continue;
                for (double sgn : {-1.0, 1.0}) {
                    const double t = (-B + sgn * std::sqrt(disc)) / (2 * A);
                    if (t > 1e-8 && t < 1 - 1e-8)
                        wantC.push_back({p[0] + t * ex, p[1] + t * ey});
                }
            }
        const unsigned m = L->GetCircleInt(a.data(), r, pts, sects, 4096);
        found = 0;
        for (const P& w : wantC)
            for (unsigned i = 0; i < m; ++i)
                if (std::hypot(pts[i][0] - w[0], pts[i][1] - w[1]) < 1e-6) {
                    ++found;
                    break;
                }
        EXPECT_EQ(found, wantC.size()) << "circle run " << run;
        for (unsigned i = 0; i < m; ++i)
            EXPECT_NEAR(std::hypot(pts[i][0] - a[0], pts[i][1] - a[1]), r, 1e-6) << "circle run " << run;
    }
}

TEST(LoopCross, LineIntCurveDetoursAroundAnIsland)
{
    std::unique_ptr<CSmartLoop> L(PolygonLoop({{0, 0}, {100, 0}, {100, 100}, {0, 100}}));
    L->AddIsland(PolygonLoop({{40, 40}, {40, 60}, {60, 60}, {60, 40}}));
    const double a[2] = {10, 50}, b[2] = {90, 50};
    CSmartLine seg(a, b);
    CSmartCurve* detour = nullptr;
    ASSERT_EQ(L->LineIntCurve(seg, detour), 1);
    ASSERT_NE(detour, nullptr);
    double s[2], e[2];
    detour->head->GetPoint(0, s);
    detour->tail->GetPoint(1, e);
    EXPECT_EQ(P2D_Dist(s, a), 0);
    EXPECT_EQ(P2D_Dist(e, b), 0);
    EXPECT_NEAR(detour->GetLength(), 30 + 10 + 20 + 10 + 30, 1e-9) << "along the island's side";
    EXPECT_LE(detour->GetLength(), 3 * seg.GetLength());
    for (CSmartSect* q = detour->head; q && q->next; q = q->next) {
        double x[2], y[2];
        q->GetPoint(1, x);
        q->next->GetPoint(0, y);
        EXPECT_LT(P2D_Dist(x, y), 1e-9) << "chained";
    }
    delete detour;
    // A short segment through a wide island: the detour would be too long.
    L->AddIsland(PolygonLoop({{20, 70}, {20, 72}, {80, 72}, {80, 70}}));
    const double c[2] = {50, 65}, d[2] = {50, 77};
    CSmartLine shortSeg(c, d);
    EXPECT_EQ(L->LineIntCurve(shortSeg, detour), 1);
    EXPECT_EQ(detour, nullptr) << "longer than 3 times the segment";
    const double f[2] = {200, 200}, g[2] = {300, 300};
    CSmartLine outside(f, g);
    EXPECT_EQ(L->LineIntCurve(outside, detour), 0);
    EXPECT_EQ(L->IsLineInt(seg), 1);
    EXPECT_EQ(L->IntSectContour(&seg), 1);
    const double h[2] = {10, 10}, i[2] = {30, 10};
    CSmartLine free(h, i);
    EXPECT_EQ(L->IsLineInt(free), 0);
    EXPECT_EQ(L->IntSectContour(&free), 0);
}

TEST(LoopCross, LoopLoopAndArcCrossings)
{
    std::unique_ptr<CSmartLoop> A(PolygonLoop({{0, 0}, {10, 0}, {10, 10}, {0, 10}}));
    std::unique_ptr<CSmartLoop> B(PolygonLoop({{5, 5}, {15, 5}, {15, 15}, {5, 15}}));
    EXPECT_EQ(A->LoopLoopInt(B.get()), 1);
    int held = 0;
    for (CSmartSect* s = A->contour->head; s; s = s->next)
        held += s->points ? s->points->count : 0;
    EXPECT_EQ(held, 2);
    std::unique_ptr<CSmartLoop> far(PolygonLoop({{50, 50}, {60, 50}, {60, 60}}));
    EXPECT_EQ(A->LoopLoopInt(far.get()), 0);
    EXPECT_EQ(A->ContourContourInt(far.get()), 1);
    const double ctr[2] = {10, 5};
    const CSmartArc arc(ctr, 3, 0, 3.141592653589793);
    double out[8][4];
    CSmartSect* sects[8];
    ASSERT_EQ(A->GetCircleInt(arc, out, sects, 8), 1) << "the right side at (10, 8); (10, 2) is off the arc";
    EXPECT_NEAR(out[0][1], 8, 1e-9);
    EXPECT_NEAR(out[0][3], 0.5, 1e-9);
    for (int i = 0; i < 1; ++i) {
        EXPECT_NEAR(std::hypot(out[i][0] - 10, out[i][1] - 5), 3, 1e-9);
        EXPECT_GE(out[i][3], -1e-8);
        EXPECT_LE(out[i][3], 1.00000001);
    }
}

}  // namespace
