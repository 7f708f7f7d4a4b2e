#include "toolpath/contours/SmartSect.h"

#include "framework/numerak/Point2D.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kDeg = kPi / 180;

std::unique_ptr<CSmartArc> Arc(double cx, double cy, double r, double a0, double a1)
{
    const double c[2] = {cx, cy};
    return std::make_unique<CSmartArc>(c, r, a0, a1);
}

std::unique_ptr<CSmartLine> Line(double x0, double y0, double x1, double y1)
{
    const double a[2] = {x0, y0}, b[2] = {x1, y1};
    return std::make_unique<CSmartLine>(a, b);
}

// Distance from p to the section by dense sampling.
double SampledDist(CSmartSect& s, const double* p, int n = 20000)
{
    double best = HUGE_VAL;
    for (int i = 0; i <= n; ++i) {
        double q[2];
        s.GetPoint(static_cast<double>(i) / n, q);
        best = std::min(best, P2D_Dist(p, q));
    }
    return best;
}

TEST(SmartSect, ParameterRows)
{
    struct Row {
        const char* label;
        std::unique_ptr<CSmartSect> s;
        double p[2];
        double t;
    };
    Row rows[] = {
        {"line (0,0)-(10,1) takes x alone", Line(0, 0, 10, 1), {5, 7}, 0.5},
        {"steep line takes y", Line(0, 0, 1, 10), {7, 5}, 0.5},
        {"arc 350..370 deg, point at 0 deg", Arc(0, 0, 2, 350 * kDeg, 370 * kDeg), {2, 0}, 0.5},
        {"ccw 0..90, point at 180 deg", Arc(0, 0, 1, 0, 90 * kDeg), {-1, 0}, 2},
        {"ccw 0..90, point at 270 deg", Arc(0, 0, 1, 0, 90 * kDeg), {0, -1}, -1},
        {"cw 90..0, point at 45 deg", Arc(0, 0, 1, 90 * kDeg, 0), {std::cos(kPi / 4), std::sin(kPi / 4)}, 0.5},
    };
    for (Row& r : rows)
        EXPECT_NEAR(r.s->GetParam(r.p), r.t, 1e-12) << r.label;
}

TEST(SmartSect, PointAndParameterRoundTrip)
{
    std::mt19937 rng(11);
    // Angles as the initialisers leave them: the start in [0, 2 pi), sweeps below a turn.
    std::uniform_real_distribution<double> u(-50, 50), ang(0, 2 * kPi), par(0, 1);
    for (int i = 0; i < 200; ++i) {
        const double a0 = ang(rng), sweep = (i % 2 ? 1 : -1) * (0.01 + ang(rng) * 0.99);
        auto arc = Arc(u(rng), u(rng), 0.1 + std::fabs(u(rng)), a0, a0 + sweep);
        auto line = Line(u(rng), u(rng), u(rng), u(rng));
        for (CSmartSect* s : {static_cast<CSmartSect*>(arc.get()), static_cast<CSmartSect*>(line.get())}) {
            const double t = par(rng);
            double p[2], q[2];
            s->GetPoint(t, p);
            s->GetPoint(s->GetParam(p), q);
            EXPECT_LT(P2D_Dist(p, q), 1e-9) << "case " << i << (s->IsSectArc() ? " arc" : " line");
            EXPECT_EQ(s->IsPointOn(p), 1) << "case " << i;
        }
    }
}

TEST(SmartSect, OffsetLiesAtDistanceLeftOfItsSource)
{
    struct Row {
        const char* label;
        std::unique_ptr<CSmartSect> s;
        double d;
    };
    Row rows[] = {
        {"line", Line(0, 0, 10, 3), 1.5},
        {"line, to the right", Line(0, 0, 10, 3), -2},
        {"ccw arc shrinks", Arc(1, 1, 5, 0.2, 2.5), 1},
        {"cw arc grows", Arc(1, 1, 5, 2.5, 0.2), 1},
        {"cw arc to the right", Arc(1, 1, 5, 2.5, 0.2), -2},
    };
    for (Row& r : rows) {
        std::unique_ptr<CSmartSect> o(r.s->Offset(r.d));
        ASSERT_TRUE(o) << r.label;
        EXPECT_EQ(o->source, r.s.get()) << r.label;
        for (int i = 0; i <= 50; ++i) {
            double p[2], n[2];
            o->GetPoint(i / 50.0, p);
            EXPECT_NEAR(SampledDist(*r.s, p), std::fabs(r.d), 1e-3) << r.label;
            // On the left for d > 0: the source normal points towards the offset point.
            double q[2];
            r.s->GetPoint(i / 50.0, q);
            r.s->GetNormal(i / 50.0, n);
            EXPECT_GT(((p[0] - q[0]) * n[0] + (p[1] - q[1]) * n[1]) * r.d, 0) << r.label;
        }
    }
    auto ccw = Arc(0, 0, 2, 0, 1);
    EXPECT_EQ(ccw->Offset(2), nullptr) << "ccw arc of radius 2 by 2 vanishes";
    auto cw = Arc(0, 0, 2, 1, 0);
    EXPECT_EQ(cw->Offset(-2), nullptr) << "cw arc offset through its centre vanishes";
    std::unique_ptr<CSmartSect> grown(cw->Offset(0.5));
    EXPECT_DOUBLE_EQ(static_cast<CSmartArc*>(grown.get())->radius, 2.5);
}

TEST(SmartSect, SubSectionsAndCopiesKeepTheirOrigin)
{
    auto src = Line(0, 0, 1, 1);
    for (auto make : {+[](double) -> std::unique_ptr<CSmartSect> { return Line(0, 0, 10, 0); },
                      +[](double) -> std::unique_ptr<CSmartSect> { return Arc(0, 0, 3, 0, 2); }}) {
        std::unique_ptr<CSmartSect> s = make(0);
        s->source = src.get();
        s->index = 17;
        s->mark = 0x80 | 0x41;
        const std::string kind = s->IsSectArc() ? "arc" : "line";
        double a[3], b[3];
        s->GetPoint(0.25, a);
        s->GetPoint(0.75, b);
        a[2] = 0.25;
        b[2] = 0.75;
        std::unique_ptr<CSmartSect> sub(s->GetSubSect(a, b));
        ASSERT_TRUE(sub) << kind;
        EXPECT_EQ(sub->source, src.get()) << kind << ": sub-section keeps the source";
        EXPECT_EQ(sub->index, 17) << kind;
        EXPECT_EQ(sub->mark, 0x80) << kind << ": only bit 0x80 is inherited";
        EXPECT_NEAR(sub->GetLength(), s->GetLength() / 2, 1e-12) << kind;
        double p[2];
        sub->GetPoint(0, p);
        EXPECT_LT(P2D_Dist(p, a), 1e-12) << kind;
        EXPECT_EQ(s->GetSubSect(a, a), nullptr) << kind << ": equal parameters";
        EXPECT_EQ(s->GetSubSect(b, a), nullptr) << kind << ": descending";
        std::unique_ptr<CSmartSect> copy(s->CopyMyself());
        EXPECT_EQ(copy->source, s.get()) << kind << ": a copy's source is the original";
        EXPECT_EQ(copy->index, 17) << kind;
        EXPECT_EQ(copy->mark, 0x80) << kind;
        EXPECT_EQ(copy->box[2], s->box[2]) << kind;
    }
}

TEST(SmartSect, NearestPointAndRotationAgainstSampling)
{
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> u(-20, 20);
    auto arc = Arc(1, 2, 6, 0.3, 4.0);
    auto cw = Arc(-1, 0, 3, 2.0, -1.0);
    auto line = Line(-5, 1, 7, 4);
    for (CSmartSect* s : {static_cast<CSmartSect*>(arc.get()), static_cast<CSmartSect*>(cw.get()),
                          static_cast<CSmartSect*>(line.get())}) {
        for (int i = 0; i < 100; ++i) {
            const double p[2] = {u(rng), u(rng)};
            double foot[2];
            const double d = s->MinDistPoint(p, foot);
            EXPECT_NEAR(d, SampledDist(*s, p), 2e-3) << "point " << i;
            EXPECT_NEAR(P2D_Dist(p, foot), d, 1e-12);
        }
        // Rotation moves every sample by the same rotation.
        std::unique_ptr<CSmartSect> r(s->CopyMyself());
        const double ang = 2.1;
        r->RotateSect(ang);
        for (int i = 0; i <= 20; ++i) {
            double p[2], q[2];
            s->GetPoint(i / 20.0, p);
            const double rp[2] = {std::cos(ang) * p[0] - std::sin(ang) * p[1], std::sin(ang) * p[0] + std::cos(ang) * p[1]};
            r->GetPoint(i / 20.0, q);
            EXPECT_LT(P2D_Dist(rp, q), 1e-9) << "sample " << i;
        }
        EXPECT_NEAR(r->GetLength(), s->GetLength(), 1e-9);
    }
    auto full = Arc(3, 0, 1, 0.5, 0.5 + 2 * kPi);
    full->RotateSect(1.0);
    EXPECT_EQ(full->startAngle, 0.5) << "a full circle keeps its angles";
    EXPECT_NEAR(full->centre[1], 3 * std::sin(1.0), 1e-12);
}

TEST(SmartSect, DiscretizedArcsStayWithinTolerance)
{
    for (double tol : {0.001, 0.01, 0.2}) {
        for (double r : {0.5, 10.0, 400.0}) {
            auto a = Arc(0, 0, r, 0.1, 0.1 + 5.5);
            double pts[2000][2];
            const int n = DiscretizeArcSect(pts, 2000, tol, a.get());
            ASSERT_GE(n, 1);
            double worst = 0;
            for (int i = 0; i < n; ++i)
                for (int k = 1; k < 16; ++k) {
                    const double f = k / 16.0;
                    const double m[2] = {pts[i][0] + f * (pts[i + 1][0] - pts[i][0]), pts[i][1] + f * (pts[i + 1][1] - pts[i][1])};
                    worst = std::max(worst, r - std::hypot(m[0], m[1]));
                }
            // The angle step never falls below 0.005: beyond the radius where that step's
            // sagitta exceeds tol, the sagitta of 0.005 is the bound.
            const double bound = std::max(tol, r * (1 - std::cos(0.0025)));
            EXPECT_LE(worst, bound * (1 + 1e-9)) << "tol " << tol << ", radius " << r;
            EXPECT_GE(worst, 0.5 * bound) << "tol " << tol << ", radius " << r << ": no needless points";
        }
    }
    auto dot = Arc(0, 0, 1e-7, 0, 1);
    double pts[4][2];
    EXPECT_EQ(DiscretizeArcSect(pts, 4, 0.01, dot.get()), 0);
    auto big = Arc(0, 0, 100, 0, 6);
    EXPECT_EQ(DiscretizeArcSect(pts, 4, 0.01, big.get()), 3) << "capacity caps the chords";
    // Short arcs: the chord count is that of the step formula (an angle step of
    // 2 acos(1 - tol / r), at least 0.005) for sweeps around one and two steps.
    for (const double r : {1e-6, 2e-6, 0.003, 1.0, 48.0, 1e4, 1e9})
        for (const double tol : {0.001, 0.01, 0.5}) {
            const double e = std::min(tol, r);
            const double step = std::max(2 * std::acos((r - e) / r), 0.005);
            for (const double f : {0.5, 0.9, 0.935, 0.99, 0.999999, 1.0, 1.000001, 1.5, 2.0, 2.5})
                for (const double sense : {1.0, -1.0}) {
                    const double sweep = std::nextafter(f * step, 0.0);
                    auto a = Arc(3, -4, r, 0.3, 0.3 + sense * sweep);
                    const double chords = std::fabs(a->endAngle - a->startAngle) / step + 1;
                    const int want = std::min(static_cast<int>(chords), 3);
                    EXPECT_EQ(DiscretizeArcSect(pts, 4, tol, a.get()), want)
                        << "radius " << r << ", tol " << tol << ", sweep " << f << " steps";
                }
        }
}

TEST(SmartSect, ArcInitialisers)
{
    CSmartArc arc;
    const double a[2] = {0, 0}, b[2] = {1, 1}, c[2] = {2, 0};
    ASSERT_EQ(SetSmartArcThreePoints(a, b, &arc, c), 1);
    for (const double* p : {a, b, c}) {
        EXPECT_NEAR(P2D_Dist(p, arc.centre), arc.radius, 1e-12);
        EXPECT_EQ(arc.IsPointOn(p), 1);
    }
    EXPECT_FALSE(arc.IsCounterClockwise()) << "a, b, c turn clockwise";
    double mid[2];
    arc.GetPoint(0.5, mid);
    EXPECT_LT(P2D_Dist(mid, b), 1e-12);
    const double ccwB[2] = {1, -1};
    ASSERT_EQ(SetSmartArcThreePoints(a, ccwB, &arc, c), 1);
    EXPECT_TRUE(arc.IsCounterClockwise());
    const double line[2] = {5, 0};
    EXPECT_EQ(SetSmartArcThreePoints(a, b, &arc, a), 0) << "coincident ends";
    EXPECT_EQ(SetSmartArcThreePoints(a, c, &arc, line), 0) << "collinear";
    const double far0[2] = {0, 0}, farB[2] = {1000, 1e-3}, far1[2] = {2000, 0};
    EXPECT_EQ(SetSmartArcThreePoints(far0, farB, &arc, far1), 0) << "radius above 1e6";

    CSmartArc full;
    const double s[2] = {2, 0}, ctr[2] = {0, 0};
    InitSmartArcByPoints(s, ctr, &full, s);
    EXPECT_FALSE(full.IsCounterClockwise());
    EXPECT_NEAR(full.startAngle - full.endAngle, 2 * kPi, 1e-12) << "clockwise full circle";
    const double ang[2] = {0, kPi / 2};
    InitSmartArcByAngles(ang, ctr, &full, 2);
    EXPECT_NEAR(full.box[2], 2, 1e-12);
    EXPECT_NEAR(full.box[3], 2, 1e-12);
    EXPECT_NEAR(full.box[0], 0, 1e-12) << "box widened only by extreme points on the arc";
}

TEST(SmartSect, IntersectionPointsAndFilter)
{
    auto l = Line(0, 0, 10, 0);
    const double in[2] = {4, 0}, out[2] = {11, 0}, nearEnd[2] = {10.00005, 0};
    EXPECT_EQ(l->AddIntPt(in), 1);
    EXPECT_EQ(l->AddIntPt(in), 0) << "duplicate";
    EXPECT_EQ(l->AddIntPt(out), 0) << "beyond the end";
    EXPECT_EQ(l->AddIntPt(nearEnd), 0) << "parameter 1.000005 is out";
    const double atEnd[2] = {9.99995, 0};
    EXPECT_EQ(l->AddIntPt(atEnd), 1);
    EXPECT_EQ(l->FilterIntPoint(), 1);
    ASSERT_TRUE(l->points);
    EXPECT_EQ(l->points->count, 1) << "the point near the end is filtered";
    const double zero[2] = {0.00001, 0};
    auto l2 = Line(0, 0, 10, 0);
    l2->AddIntPt(zero);
    l2->FilterIntPoint();
    EXPECT_EQ(l2->points, nullptr) << "an emptied list is freed";
}

// Points straight along an axis from the centre (the box extremes) take a short way to
// their angle: the parameter must be atan2's to the bit, for signed zeros, far centres
// where the offset rounds away, tiny offsets and non-finite ones.
TEST(SmartSect, AxisPointsGetAtan2sParameterExactly)
{
    const double turn = 6.283185307179586;
    int tested = 0;
    for (const double cx : {0.0, -0.0, 3.5, -1e9, 1e17})
        for (const double cy : {0.0, -0.0, -2.25, 7e8, -1e17})
            for (const double d : {1.0, 1e-300, 0.5, 123.0, HUGE_VAL, std::nan("")}) {
                const auto arc = Arc(cx, cy, 1, 0, turn);
                const double c[2] = {cx, cy};
                const double pts[][2] = {{cx + d, cy}, {cx - d, cy}, {cx, cy + d}, {cx, cy - d}, {cx, -cy}, {-cx, cy}};
                for (const auto& q : pts) {
                    double a = std::atan2(q[1] - c[1], q[0] - c[0]);
                    if (a < 0)
                        a += turn;
                    const double want = (a - arc->startAngle) / (arc->endAngle - arc->startAngle);
                    const double got = arc->GetParam(q);
                    if (std::isnan(want)) {
                        EXPECT_TRUE(std::isnan(got) || got == -1.0) << q[0] << ", " << q[1];
                        continue;
                    }
                    if (!(want > -0.001 && want < 1.001))
                        continue;
                    EXPECT_EQ(std::signbit(got), std::signbit(want)) << q[0] << ", " << q[1];
                    EXPECT_EQ(got, want) << q[0] << ", " << q[1];
                    ++tested;
                }
            }
    EXPECT_GT(tested, 500);
}

// Boxes and end points are kept between DefineBox calls while the arc is unchanged: after
// every kind of edit, a DefineBox and a copy give the box of a new arc with the same fields
// and the end points of the formula, bit for bit.
TEST(SmartSect, KeptArcBoxesFollowEveryEdit)
{
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> u(-1, 1);
    const auto sameBits = [](const double* a, const double* b) { return std::memcmp(a, b, 4 * sizeof(double)) == 0; };
    const auto fresh = [](const CSmartArc& a) { return Arc(a.centre[0], a.centre[1], a.radius, a.startAngle, a.endAngle); };
    const char* edits[] = {"none", "reverse", "start angle", "end angle", "centre", "radius", "signed zero", "NaN"};
    int checked = 0;
    for (int round = 0; round < 200; ++round) {
        const double a0 = 4 * u(rng), sweep = 6.3 * u(rng);
        auto arc = Arc(10 * u(rng), 10 * u(rng), 0.1 + 5 * std::fabs(u(rng)), a0, a0 + sweep);
        for (int e = 0; e < 8; ++e) {
            switch (e) {
            case 1: arc->Reverse(); break;
            case 2: arc->startAngle = std::nextafter(arc->startAngle, 10.0); break;
            case 3: arc->endAngle += kPi / 2; break;
            case 4: arc->centre[0] += u(rng); break;
            case 5: arc->radius *= 1.5; break;
            case 6: arc->centre[1] = (round % 2) ? 0.0 : -0.0; break;
            case 7: arc->centre[0] = std::nan(""); break;
            default: break;
            }
            arc->DefineBox();
            const auto want = fresh(*arc);
            std::unique_ptr<CSmartSect> copy(arc->CopyMyself());
            if (e == 7) {
                EXPECT_TRUE(std::isnan(arc->box[0]) && std::isnan(copy->box[0])) << edits[e];
                continue;
            }
            EXPECT_TRUE(sameBits(arc->box, want->box)) << edits[e] << " round " << round;
            EXPECT_TRUE(sameBits(copy->box, want->box)) << edits[e] << " copy, round " << round;
            for (const double t : {0.0, 1.0, -0.0}) {
                const double a = arc->AngleAt(t);
                const double p[2] = {arc->centre[0] + arc->radius * std::cos(a), arc->centre[1] + arc->radius * std::sin(a)};
                double q[2], r[2];
                arc->GetPoint(t, q);
                copy->GetPoint(t, r);
                EXPECT_TRUE(std::memcmp(p, q, sizeof p) == 0 && std::memcmp(p, r, sizeof p) == 0)
                    << edits[e] << " point at " << t << ", round " << round;
            }
            ++checked;
        }
    }
    EXPECT_EQ(checked, 200 * 7);
}

// An arc's IsPointOn tells most points off the arc from its kept end points; every answer
// must be GetParam's range test, bit for bit in the parameter: points on the circle a few
// ulps and a few margins either side of where that range ends, at other distances from
// the centre, at the centre, beyond the sweep and on the far side, for arcs of both senses
// up to a full turn, far from the origin for their radius, with large angles, and after
// an edit that makes the kept end points stale.
TEST(SmartSect, ArcIsPointOnIsGetParamsRangeTest)
{
    const auto nudged = [](double v, int ulps) {
        for (; ulps > 0; --ulps)
            v = std::nextafter(v, HUGE_VAL);
        for (; ulps < 0; ++ulps)
            v = std::nextafter(v, -HUGE_VAL);
        return v;
    };
    struct Frame {
        double cx, cy, r;
    };
    const Frame frames[] = {{0, 0, 48}, {5, -3, 0.5}, {1e6, -2e6, 1e-3}, {-7, 2, 1e-6}, {0, 0, 1e5}, {3e11, 0, 1}};
    const double starts[] = {0, 1, -6, 12, -20, 100, 1e4};
    const double sweeps[] = {1e-9, 0.01, 1, 2.99, 3.0, 3.01, 6.28, 6.283185307179586};
    int tested = 0, off = 0;
    for (const Frame& f : frames)
        for (const double a0 : starts)
            for (const double sweep : sweeps)
                for (const double sense : {1.0, -1.0})
                    for (int stale = 0; stale < 2; ++stale) {
                        auto arc = Arc(f.cx, f.cy, f.r, a0, a0 + sense * sweep);
                        if (stale)
                            arc->endAngle = nudged(arc->endAngle, 1);
                        const double s = arc->endAngle - arc->startAngle;
                        std::vector<double> ts = {0.5, -0.5, 1.5, 0.0, 1.0, 0.5 + kPi / s};
                        for (const double edge : {-1e-8, 1.00000001, -0.001, 1.001})
                            for (const double rel : {-1e-6, -1e-9, -1e-12, 0.0, 1e-12, 1e-9, 1e-6})
                                ts.push_back(edge + rel);
                        for (const double t : ts)
                            for (int ulps = -3; ulps <= 3; ++ulps)
                                for (const double scale : {1.0, 0.5, 2.0, 1e-9}) {
                                    const double a = nudged(arc->startAngle + t * s, ulps);
                                    const double p[2] = {f.cx + scale * f.r * std::cos(a), f.cy + scale * f.r * std::sin(a)};
                                    const double u = arc->GetParam(p);
                                    const int want = (-1e-8 < u && u < 1.00000001) ? 1 : 0;
                                    ASSERT_EQ(arc->IsPointOn(p), want)
                                        << "centre " << f.cx << ", " << f.cy << " r " << f.r << " start " << a0 << " sweep "
                                        << s << (stale ? " stale" : "") << " t " << t << " ulps " << ulps << " at "
                                        << scale << " r: parameter " << u;
                                    ++tested;
                                    off += 1 - want;
                                }
                        const double centre[2] = {f.cx, f.cy}, nan[2] = {std::nan(""), f.cy};
                        for (const double* p : {centre, static_cast<const double*>(nan)}) {
                            const double u = arc->GetParam(p);
                            EXPECT_EQ(arc->IsPointOn(p), (-1e-8 < u && u < 1.00000001) ? 1 : 0) << "centre or NaN";
                        }
                    }
    EXPECT_GT(off, 10000);
    EXPECT_GT(tested - off, 10000);
}

// An arc's box is that of its end points widened by each axis point (centre plus or minus
// the radius along x or y) whose GetParam lies in IsPointOn's range; the box decides most
// of them without dividing. Arcs of both senses start and end a few ulps either side of
// the axes' angles (atan2's values, and those a turn away) and within the margins of the
// parameter ranges, with tiny and full sweeps.
TEST(SmartSect, ArcBoxesTakeTheAxisPointsGetParamTakes)
{
    const double axes[] = {0, std::atan2(1.0, 0.0), std::atan2(0.0, -1.0), 2 * std::atan2(0.0, -1.0) - std::atan2(1.0, 0.0),
                           2 * std::atan2(0.0, -1.0)};
    std::vector<double> angles;
    for (const double a : axes)
        for (const double turn : {0.0, 2 * kPi, -2 * kPi})
            for (int ulps = -2; ulps <= 2; ++ulps) {
                double v = a + turn;
                for (int k = 0; k < std::abs(ulps); ++k)
                    v = std::nextafter(v, ulps > 0 ? HUGE_VAL : -HUGE_VAL);
                angles.push_back(v);
                if (ulps == 0 && turn == 0)
                    for (const double off : {-1e-3, -2e-5, -3e-8, 3e-8, 2e-5, 1e-3})
                        angles.push_back(v + off);  // within the margins of IsPointOn's ranges
            }
    int boxes = 0;
    for (const double r : {1.0, 48.0, 1e-5})
        for (const double a0 : angles)
            for (const double a1 : angles) {
                if (std::fabs(a1 - a0) > 6.3)
                    continue;
                auto arc = Arc(0.5, -2, r, a0, a1);
                double s[2], e[2];
                arc->GetPoint(0, s);
                arc->GetPoint(1, e);
                double want[4] = {std::min(s[0], e[0]), std::min(s[1], e[1]), std::max(s[0], e[0]), std::max(s[1], e[1])};
                const double ext[4][2] = {{0.5 + r, -2}, {0.5 - r, -2}, {0.5, -2 + r}, {0.5, -2 - r}};
                for (const auto& q : ext) {
                    const double t = arc->GetParam(q);
                    if (-1e-8 < t && t < 1.00000001) {
                        want[0] = std::min(want[0], q[0]);
                        want[1] = std::min(want[1], q[1]);
                        want[2] = std::max(want[2], q[0]);
                        want[3] = std::max(want[3], q[1]);
                    }
                }
                ASSERT_EQ(std::memcmp(arc->box, want, sizeof want), 0) << "radius " << r << " from " << a0 << " to " << a1;
                ++boxes;
            }
    EXPECT_GT(boxes, 10000);
}

// Consecutive pieces of an arc share their end points through a carry; each piece is the
// new arc of its angles bit for bit (box and end points), whether or not its angles let
// the shared points be taken over: pieces on both sides of angle 0, refused short pieces,
// pieces at the arc's own ends, reversed arcs.
TEST(SmartSect, ArcPiecesAreTheNewArcsOfTheirAngles)
{
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> u(0, 1);
    int pieces = 0;
    for (int round = 0; round < 300; ++round) {
        const double a0 = round % 3 == 0 ? -0.3 * u(rng) : 8 * u(rng) - 4;
        const double sweep = (round % 2 ? 1 : -1) * (0.01 + 6.2 * u(rng));
        auto arc = Arc(10 * u(rng) - 5, 10 * u(rng) - 5, 0.05 + 3 * u(rng), a0, a0 + sweep);
        if (round % 4 == 1) {
            arc->Reverse();
            arc->DefineBox();
        }
        std::vector<double> ts = {0};
        for (int k = 0; k < 4; ++k)
            ts.push_back(u(rng));
        ts.push_back(ts.back() + 1e-9);  // a piece too short to make
        ts.push_back(1);
        std::sort(ts.begin(), ts.end());
        CSmartArc::ArcPoint carry;
        std::size_t from = 0;
        for (std::size_t i = 1; i < ts.size(); ++i) {
            double p1[3], p2[3];
            arc->GetPoint(ts[from], p1);
            arc->GetPoint(ts[i], p2);
            p1[2] = ts[from];
            p2[2] = ts[i];
            std::unique_ptr<CSmartSect> piece(GetNextSubSect(arc.get(), p1, p2, carry));
            if (!piece)
                continue;
            from = i;
            auto* got = static_cast<CSmartArc*>(piece.get());
            const auto want = Arc(arc->centre[0], arc->centre[1], arc->radius, arc->AngleAt(p1[2]), arc->AngleAt(p2[2]));
            EXPECT_EQ(std::memcmp(got->box, want->box, sizeof want->box), 0) << "round " << round << " piece " << i;
            for (const double t : {0.0, 1.0}) {
                double g[2], w[2];
                got->GetPoint(t, g);
                want->GetPoint(t, w);
                EXPECT_EQ(std::memcmp(g, w, sizeof g), 0) << "round " << round << " piece " << i << " end " << t;
            }
            ++pieces;
        }
    }
    EXPECT_GT(pieces, 1200);
}

}  // namespace
