// The banded point test against the plain one: the same answer for random closed chains
// of lines and arcs and for points on vertices, on vertex heights and on flat sections.
// The count that skips the crossing points where it is sure against the count of every
// crossing point: the same answer next to edges, joints and spikes narrower than a joint.
#include "CurveFixtures.h"

#include "toolpath/contours/Containment.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <memory>
#include <random>
#include <vector>

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

// Closed polygons: random ones, and combs whose teeth are narrower than a joint (the
// crossings of both flanks merge), with near-flat and steep long edges, far from the
// origin as well.
std::vector<std::vector<curvetest::P>> SureCountPolygons(std::mt19937& rng)
{
    std::vector<std::vector<curvetest::P>> out;
    std::uniform_real_distribution<double> u(0, 30);
    for (int k = 0; k < 12; ++k) {
        std::vector<curvetest::P> poly;
        for (int i = 0; i < 6 + 4 * k; ++i)
            poly.push_back({u(rng), u(rng)});
        out.push_back(poly);
    }
    for (const double width : {5e-5, 2e-4, 0.5})
        for (const double origin : {0.0, 3e5}) {
            std::vector<curvetest::P> comb;
            for (int i = 0; i < 20; ++i) {
                const double x = origin + i;
                comb.push_back({x, origin});
                comb.push_back({x + width / 2, origin + 10 + i % 3});
                comb.push_back({x + width, origin});
            }
            comb.push_back({origin + 20, origin + 0.0025});  // nearly flat
            comb.push_back({origin + 20, origin - 5});
            comb.push_back({origin - 0.001, origin + 2000});  // long and steep
            out.push_back(comb);
        }
    return out;
}

TEST(ContainPoint, SureCountGivesTheAnswerOfEveryCrossingPoint)
{
    std::mt19937 rng(29);
    std::uniform_real_distribution<double> t(0, 1);
    int inside = 0, on = 0, tested = 0;
    for (const auto& poly : SureCountPolygons(rng)) {
        std::unique_ptr<CSmartCurve> c(curvetest::Polyline(poly, true));
        c->DefineBox();
        double mn[2], mx[2];
        c->DefineBox(mn, mx);
        std::uniform_real_distribution<double> ux(mn[0] - 1, mx[0] + 1), uy(mn[1] - 1, mx[1] + 1);
        std::vector<curvetest::P> pts;
        for (int i = 0; i < 200; ++i)
            pts.push_back({ux(rng), uy(rng)});
        // On every edge, at its ends' heights, and beside it by steps across the margins.
        for (CSmartSect* s = c->head; s; s = s->next) {
            double a[2], m[2];
            s->GetPoint(0, a);
            s->GetPoint(t(rng), m);
            pts.push_back({a[0], a[1]});
            pts.push_back({ux(rng), a[1]});
            for (const double d : {0.0, 1e-13, 1e-11, 9e-11, 1e-10, 1.1e-10, 1e-9, 5e-5, 1e-4, 1e-3})
                for (const double sign : {-1.0, 1.0}) {
                    pts.push_back({m[0] + sign * d, m[1]});
                    pts.push_back({m[0] + sign * d * std::fabs(m[0]) * 1e-3, m[1]});
                    pts.push_back({a[0] + sign * d, a[1] + d});
                }
        }
        for (smart::ContainRule rule : {smart::ContainRule{}, smart::LoopContainRule()}) {
            smart::ContainRule every = rule;
            every.sureCount = false;
            for (const auto& p : pts) {
                const int want = smart::ContainPoint(*c, p.data(), mn[0] - 1, mx[0] + 1, every);
                ASSERT_EQ(smart::ContainPoint(*c, p.data(), mn[0] - 1, mx[0] + 1, rule), want)
                    << "polygon of " << poly.size() << " at " << p[0] << ", " << p[1];
                inside += want == 1;
                on += want == 2;
                ++tested;
            }
        }
    }
    EXPECT_GT(inside, 1000);
    EXPECT_GT(on, 500);
    EXPECT_GT(tested, 20000);
}

}  // namespace
