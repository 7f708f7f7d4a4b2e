// Open-curve offsets, corner joins and bands around curves: the corner rows of each
// corner type, distances of the offset from the source, and bands by their exact areas.
#include "CurveFixtures.h"
#include "LoopOracle.h"
#include "OffsetOracle.h"

#include "toolpath/contours/CornerType.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>

namespace {

using curvetest::P;
constexpr double kPi = std::numbers::pi;

std::vector<CSmartSect*> Sects(CSmartCurve* c) { return curvetest::Sects(*c); }

P At(CSmartSect* s, double t)
{
    double p[2];
    s->GetPoint(t, p);
    return {p[0], p[1]};
}

void ExpectPoint(const P& p, double x, double y, const std::string& label)
{
    EXPECT_NEAR(p[0], x, 1e-9) << label;
    EXPECT_NEAR(p[1], y, 1e-9) << label;
}

// An L: (0, 0) -> (10, 0) -> (10, -10), turning right.
CSmartCurve* RightL() { return curvetest::Polyline({{0, 0}, {10, 0}, {10, -10}}, false); }

TEST(CurveOffset, CornerRowsOfARightTurn)
{
    // Offset to the left of a right turn leaves a gap at the corner.
    struct Row {
        const char* label;
        DVN_CornerType corner;
        int sections;
        std::uint8_t joinKind;  // 0: none
    };
    const Row rows[] = {
        {"sharp (type 3)", {3, 165, 15}, 2, 0},
        {"round (type 2)", {2, 15, 15}, 3, kSectArc},
        {"round (type 4)", {4, 0, 0}, 3, kSectArc},
        {"bevel (type 1)", {1, 0, 0}, 3, kSectLine},
        {"sharp below the type 0 limit", {0, 165, 15}, 2, 0},
    };
    for (const Row& r : rows) {
        CSmartCurve* c = RightL();
        DVN_CornerType corner = r.corner;
        CSmartCurve* o = c->OffsetCurve(1, corner);
        const auto s = Sects(o);
        ASSERT_EQ(static_cast<int>(s.size()), r.sections) << r.label;
        ExpectPoint(At(s.front(), 0), 0, 1, r.label);
        ExpectPoint(At(s.back(), 1), 11, -10, r.label);
        if (r.joinKind == 0) {
            ExpectPoint(At(s[0], 1), 11, 1, std::string(r.label) + ": mitre point");
        } else {
            EXPECT_EQ(s[1]->type, r.joinKind) << r.label;
            ExpectPoint(At(s[1], 0), At(s[0], 1)[0], At(s[0], 1)[1], r.label);
            ExpectPoint(At(s[2], 0), At(s[1], 1)[0], At(s[1], 1)[1], r.label);
        }
        if (r.joinKind == kSectArc) {
            auto* a = static_cast<CSmartArc*>(s[1]);
            EXPECT_NEAR(a->radius, 1, 1e-12) << r.label;
            ExpectPoint({a->centre[0], a->centre[1]}, 10, 0, std::string(r.label) + ": arc about the corner");
            EXPECT_FALSE(a->IsCounterClockwise()) << r.label;
        }
        if (r.joinKind == kSectLine) {
            // The bevel: both copies lengthened by d tan(theta / 4), theta = pi / 2.
            const double e = std::tan(kPi / 8);
            ExpectPoint(At(s[0], 1), 10 + e, 1, r.label);
            ExpectPoint(At(s[2], 0), 11, e, r.label);
        }
        delete o;
        delete c;
    }
}

TEST(CurveOffset, LeftTurnOverlapIsTrimmed)
{
    // (0, 0) -> (10, 0) -> (10, 10) turns left: the copies overlap and meet at (9, 1).
    for (int type : {3, 2}) {
        CSmartCurve* c = curvetest::Polyline({{0, 0}, {10, 0}, {10, 10}}, false);
        DVN_CornerType corner{type, 165, 15};
        CSmartCurve* o = c->OffsetCurve(1, corner);
        const auto s = Sects(o);
        ASSERT_EQ(s.size(), 2u) << type;
        ExpectPoint(At(s[0], 1), 9, 1, "type " + std::to_string(type));
        ExpectPoint(At(s[1], 0), 9, 1, "type " + std::to_string(type));
        delete o;
        delete c;
    }
}

// A chain of lines and arcs that does not cross itself: steps of 5 to 10 to the right,
// up or down at random, arcs bulging by at most a third of their chord.
CSmartCurve* RisingChain(std::mt19937& rng, int n, bool arcs)
{
    std::uniform_real_distribution<double> ux(5, 10), uy(-6, 6), ub(-0.3, 0.3);
    auto* c = new CSmartCurve;
    P cur{0, 0};
    for (int i = 0; i < n; ++i) {
        const P next{cur[0] + ux(rng), uy(rng)};
        if (arcs && rng() % 2) {
            const double dx = next[0] - cur[0], dy = next[1] - cur[1], h = ub(rng);
            const double b[2] = {(cur[0] + next[0]) / 2 - dy * h, (cur[1] + next[1]) / 2 + dx * h};
            auto* a = new CSmartArc;
            if (SetSmartArcThreePoints(cur.data(), b, a, next.data())) {
                c->AddSect(a);
                cur = next;
                continue;
            }
            delete a;
        }
        c->AddSect(new CSmartLine(cur.data(), next.data()));
        cur = next;
    }
    return c;
}

TEST(CurveOffset, OffsetsKeepTheirDistanceAndDirection)
{
    // Chains of lines and arcs offset both ways with round corners: every sampled point of
    // the offset lies at least d from the source (brute force over the source's dense
    // polygon), no farther but for near-tangent joints, and the
    // offset runs the source's way (it ends nearer the source's end than its start).
    std::mt19937 rng(7);
    int sampled = 0;
    for (int k = 0; k < 40; ++k) {
        // Lines alone: exact; with arcs, near-tangent joints (turns below 0.01 rad) move a
        // copy's end by up to d times the turn instead of adding a join, and the source's
        // arcs are flattened at 0.001.
        const bool arcs = k % 2 == 1;
        const double slack = arcs ? 0.0011 : 1e-6;
        CSmartCurve* c = RisingChain(rng, 8, arcs);
        const std::vector<P> src = curvetest::Flatten(*c);
        double tail[2];
        c->tail->GetPoint(1, tail);
        for (double d : {0.7, -0.7}) {
            DVN_CornerType corner{4, 0, 0};
            CSmartCurve* o = c->OffsetCurve(d, corner);
            for (CSmartSect* s = o->head; s; s = s->next)
                for (int i = 0; i <= 8; ++i) {
                    const P p = At(s, i / 8.0);
                    double best = HUGE_VAL;
                    for (std::size_t j = 0; j + 1 < src.size(); ++j)
                        best = std::min(best, offsettest::SegDist(p, src[j], src[j + 1]));
                    best = std::min(best, offsettest::SegDist(p, src.back(), {tail[0], tail[1]}));
                    // Arcs of the source are flattened at 0.001.
                    const double reach = arcs ? std::fabs(d) * 0.01 : std::fabs(d) * (1 / std::cos(0.025) - 1);
                    ASSERT_GE(best, std::fabs(d) - (arcs ? reach : 0) - slack) << "chain " << k << " d " << d;
                    ASSERT_LE(best, std::fabs(d) + reach + slack) << "chain " << k << " d " << d;
                    ++sampled;
                }
            const P end = At(o->tail, 1);
            EXPECT_LT(std::hypot(end[0] - tail[0], end[1] - tail[1]), std::fabs(d) + 1e-6) << "chain " << k;
            delete o;
        }
        delete c;
    }
    EXPECT_GT(sampled, 1000);
}

TEST(CurveOffset, SmallDistanceCopies)
{
    CSmartCurve* c = RightL();
    DVN_CornerType corner{4, 0, 0};
    for (double d : {0.0, 0.0005, std::nan("")}) {
        CSmartCurve* o = c->OffsetCurve(d, corner);
        ASSERT_EQ(o->count, 2) << d;
        ExpectPoint(At(o->head, 0), 0, 0, "copy");
        delete o;
    }
    delete c;
}

TEST(ExpendCurve, BandsByExactAreas)
{
    DVN_CornerType corner{4, 0, 0};
    const double w = 1;
    struct Row {
        const char* label;
        CSmartCurve* curve;
        int cap;
        double area;  // geometric
        int islands;
        double arcLength;  // of the band's arcs
    };
    auto* circle = new CSmartCurve;
    const double o[2] = {0, 0};
    circle->AddSect(new CSmartArc(o, 5, 0, 2 * kPi));
    const Row rows[] = {
        {"line, round caps", curvetest::Polyline({{0, 0}, {10, 0}}, false), 0, 20 + kPi, 0, 2 * kPi},
        {"line, flat caps", curvetest::Polyline({{0, 0}, {10, 0}}, false), 2, 20, 0, 0},
        {"line, square caps", curvetest::Polyline({{0, 0}, {10, 0}}, false), 1, 24, 0, 0},
        {"ring of a circle", circle, 0, kPi * (36 - 16), 1, 20 * kPi},
        // Two 2 x 10 strips sharing a unit square, a quarter disc outside the corner.
        {"L, round caps and corner", RightL(), 0, 39 + kPi + kPi / 4, 0, 2.5 * kPi},
    };
    for (const Row& r : rows) {
        CSmartLoop* band = r.curve->ExpendCurve(w, r.cap, corner);
        ASSERT_NE(band, nullptr) << r.label;
        EXPECT_EQ(band->next, nullptr) << r.label;
        double area = band->area;
        int islands = 0;
        for (CSmartLoop* i = band->islands; i; i = i->next, ++islands)
            area += i->area;
        EXPECT_GT(band->area, 0) << r.label << ": counter-clockwise";
        EXPECT_EQ(islands, r.islands) << r.label;
        // Stored areas take arcs as chords at 0.01, the flattening here at 0.001: a chord
        // cuts off less than its sagitta times its length.
        EXPECT_NEAR(area / 2, r.area, 0.01 * r.arcLength + 1e-9) << r.label;
        const double exact = looptest::Shoelace(curvetest::Flatten(*band->contour)) / 2 +
                             (band->islands ? looptest::Shoelace(curvetest::Flatten(*band->islands->contour)) / 2 : 0);
        EXPECT_NEAR(exact, r.area, 0.001 * r.arcLength + 1e-9) << r.label;
        delete band;
        delete r.curve;
    }
}

TEST(ExpendCurve, CircleRingKeepsArcsAboutTheCentre)
{
    auto* circle = new CSmartCurve;
    const double c[2] = {3, 4};
    circle->AddSect(new CSmartArc(c, 5, 0, 2 * kPi));
    DVN_CornerType corner{4, 0, 0};
    CSmartLoop* band = circle->ExpendCurve(-1, 0, corner);
    ASSERT_NE(band, nullptr);
    ASSERT_NE(band->islands, nullptr);
    for (CSmartLoop* L : {band, band->islands}) {
        ASSERT_TRUE(L->contour->head->IsSectArc());
        auto* a = static_cast<CSmartArc*>(L->contour->head);
        EXPECT_NEAR(a->radius, L == band ? 6 : 4, 1e-12);
        EXPECT_NEAR(a->centre[0], 3, 1e-12);
        EXPECT_NEAR(a->centre[1], 4, 1e-12);
    }
    // The source is left as it was.
    auto* s = static_cast<CSmartArc*>(circle->head);
    EXPECT_EQ(s->startAngle, 0);
    EXPECT_NEAR(s->endAngle, 2 * kPi, 0);
    delete band;
    delete circle;
}

TEST(ExpendCurve, NothingForTinyWidthOrEmptyCurve)
{
    DVN_CornerType corner{4, 0, 0};
    CSmartCurve empty;
    EXPECT_EQ(empty.ExpendCurve(1, 0, corner), nullptr);
    CSmartCurve* c = RightL();
    EXPECT_EQ(c->ExpendCurve(0.0005, 0, corner), nullptr);
    EXPECT_EQ(c->ExpendCurve(std::nan(""), 0, corner), nullptr);
    delete c;
}

}  // namespace
