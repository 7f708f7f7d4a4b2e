// The banded point test against the plain one: the same answer for random closed chains
// of lines and arcs and for points on vertices, on vertex heights and on flat sections.
#include "CurveFixtures.h"

#include "toolpath/contours/Containment.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>

namespace {

TEST(SectionBands, SameAnswerAsThePlainTest)
{
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> u(-2, 32);
    int inside = 0, on = 0, tested = 0;
    for (int k = 0; k < 30; ++k) {
        CSmartCurve* c = curvetest::RandomChain(rng, 5 + k * 3, 30, true);
        // A flat run and a horizontal line at a vertex height make the rare paths run.
        c->DefineBox();
        smart::SectionBands bands(*c);
        double mn[2], mx[2];
        c->DefineBox(mn, mx);
        const smart::ContainRule rule = smart::LoopContainRule();
        std::vector<std::array<double, 2>> pts;
        for (int i = 0; i < 300; ++i)
            pts.push_back({u(rng), u(rng)});
        // Far off the contour (beyond int's range in bands) and not finite.
        for (const double y : {1e300, -1e300, 4e9, HUGE_VAL, std::nan("")})
            pts.push_back({u(rng), y});
        for (CSmartSect* s = c->head; s; s = s->next) {
            double a[2];
            s->GetPoint(0, a);
            pts.push_back({a[0], a[1]});
            pts.push_back({u(rng), a[1]});
            s->GetPoint(0.5, a);
            pts.push_back({a[0], a[1]});
        }
        for (const auto& p : pts) {
            const int plain = smart::ContainPoint(*c, p.data(), mn[0] - 1, mx[0] + 1, rule);
            const int banded = smart::ContainPoint(*c, p.data(), mn[0] - 1, mx[0] + 1, rule, bands.At(p[1]));
            ASSERT_EQ(plain, banded) << "chain " << k << " at " << p[0] << ", " << p[1];
            inside += plain == 1;
            on += plain == 2;
            ++tested;
        }
        delete c;
    }
    // Not vacuous: both answers other than outside occur.
    EXPECT_GT(inside, 100);
    EXPECT_GT(on, 100);
    EXPECT_GT(tested, 10000);
}

// A comb whose teeth span the whole height: every section would fall into every band of
// four-section bands (n^2 / 4 entries); the entries stay within 4 n and the answers equal.
TEST(SectionBands, EntriesStayLinearWhenSectionsSpanTheHeight)
{
    const int teeth = 4000;
    auto c = std::make_unique<CSmartCurve>();
    double at[2] = {0, 0};
    const auto lineTo = [&](double x, double y) {
        const double to[2] = {x, y};
        c->AddSect(new CSmartLine(at, to));
        at[0] = x;
        at[1] = y;
    };
    for (int i = 0; i < teeth; ++i) {
        lineTo(i + 0.5, 100);
        lineTo(i + 1.0, 0);
    }
    lineTo(teeth, -1);
    lineTo(0, -1);
    lineTo(0, 0);
    c->DefineBox();
    smart::SectionBands bands(*c);
    EXPECT_LE(bands.Entries(), 4u * static_cast<std::size_t>(c->count) + 4u);
    std::mt19937 rng(3);
    std::uniform_real_distribution<double> ux(-1, teeth + 1), uy(-2, 101);
    const smart::ContainRule rule = smart::LoopContainRule();
    int inside = 0;
    for (int i = 0; i < 400; ++i) {
        const double p[2] = {ux(rng), uy(rng)};
        const int plain = smart::ContainPoint(*c, p, -2, teeth + 2, rule);
        ASSERT_EQ(smart::ContainPoint(*c, p, -2, teeth + 2, rule, bands.At(p[1])), plain) << p[0] << ", " << p[1];
        inside += plain == 1;
    }
    EXPECT_GT(inside, 50);
}

}  // namespace
