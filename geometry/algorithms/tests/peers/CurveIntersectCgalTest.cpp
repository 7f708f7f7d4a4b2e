// CurveCurve against the flattening oracle whose segment crossings are exact
// (CGAL's exact-construction kernel), on crossing and near-miss instances of
// all 49 ordered class pairs.
#include "geometry/algorithms/CurveIntersect.h"

#include "geometry/algorithms/tests/CurveIntersectFixtures.h"

#include <CGAL/Exact_predicates_exact_constructions_kernel.h>
#include <CGAL/intersections.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <random>
#include <string>

using namespace ccfix;

namespace {

using Kernel = CGAL::Exact_predicates_exact_constructions_kernel;

std::optional<Pt> CrossExactly(Pt a0, Pt a1, Pt b0, Pt b1)
{
    const Kernel::Segment_2 a({a0.x, a0.y}, {a1.x, a1.y}), b({b0.x, b0.y}, {b1.x, b1.y});
    const auto hit = CGAL::intersection(a, b);
    if (!hit) return std::nullopt;
    if (const auto* p = boost::get<Kernel::Point_2>(&*hit)) return Pt{CGAL::to_double(p->x()), CGAL::to_double(p->y())};
    return std::nullopt;  // collinear overlaps of flattened pieces are not crossings
}

// A record lying beyond an arc's end by less than the arc's end tolerance is
// the arc's own rule, not a crossing the oracle can see.
bool NearArcEnd(CGeCurve* c, Pt p)
{
    std::vector<CGeCurve*> arcs;
    if (c->GetType() == 0x4) arcs.push_back(c);
    if (c->GetType() == 0x80)
        for (CGeCurve* m : static_cast<CGeCombCurve*>(c)->GetCurveList())
            if (m && m->GetType() == 0x4) arcs.push_back(m);
    for (CGeCurve* a : arcs) {
        double s[2], e[2];
        a->GetStartPoint(s);
        a->GetEndPoint(e);
        if (oracle::Dist(p, {s[0], s[1]}) < 0.005 || oracle::Dist(p, {e[0], e[1]}) < 0.005) return true;
    }
    return false;
}

TEST(CurveIntersectOracle, EveryClassPairMatchesExactFlattening)
{
    std::mt19937 rng(2024);
    int crossings = 0;
    for (int k1 = 0; k1 < kKinds; ++k1)
        for (int k2 = 0; k2 < kKinds; ++k2)
            for (int trial = 0; trial < 4; ++trial) {
                const std::string label = std::string(kKindNames[k1]) + "/" + kKindNames[k2] + " #" + std::to_string(trial);
                const auto c1 = Build(RandomSpec(Kind(k1), rng)), c2 = Build(RandomSpec(Kind(k2), rng));
                Records recs;
                QVN_GeCC_Inter::CurveCurve(c1.get(), c2.get(), &recs, 0);
                const auto want = OracleCrossings(c1.get(), c2.get(), 1e-7, 1e-6, CrossExactly);
                std::vector<Pt> have;
                for (const Pt& p : RecordPoints(recs, 1e-6))
                    if (!NearArcEnd(c1.get(), p) && !NearArcEnd(c2.get(), p)) have.push_back(p);
                crossings += int(want.size());
                EXPECT_EQ(Unmatched(want, RecordPoints(recs, 1e-6), 1e-6), "") << label << ": crossings lost";
                EXPECT_EQ(Unmatched(have, want, 1e-6), "") << label << ": crossings invented";
            }
    EXPECT_GT(crossings, 150) << "the random pairs must cross often enough to test anything";
}

// Extreme x of a curve from its fine flattening (display boxes are coarser).
double ExtremeX(CGeCurve* c, bool right)
{
    double x = right ? -INFINITY : INFINITY;
    for (const auto& run : FlattenCurve(c, 1e-7))
        for (const Pt& p : run) x = right ? std::max(x, p.x) : std::min(x, p.x);
    return x;
}

// The second curve moved to 0.008 right of the first: the boxes meet within
// 0.01, the curves do not, and nothing is reported.
TEST(CurveIntersectOracle, NearMissesGiveNothing)
{
    std::mt19937 rng(99);
    for (int k1 = 0; k1 < kKinds; ++k1)
        for (int k2 = 0; k2 < kKinds; ++k2) {
            const std::string label = std::string(kKindNames[k1]) + "/" + kKindNames[k2];
            const auto c1 = Build(RandomSpec(Kind(k1), rng));
            const Spec s2 = RandomSpec(Kind(k2), rng);
            const auto probe = Build(s2);
            const double shift = ExtremeX(c1.get(), true) + 0.008 - ExtremeX(probe.get(), false);
            const auto c2 = Build(s2, Frame{1.0, 0.0, shift, 0.0});
            Records recs;
            EXPECT_EQ(QVN_GeCC_Inter::CurveCurve(c1.get(), c2.get(), &recs, 0), 0) << label;
            EXPECT_EQ(recs.GetSize(), 0) << label;
            EXPECT_TRUE(OracleCrossings(c1.get(), c2.get(), 1e-7, 1e-6, CrossExactly).empty()) << label;
        }
}

}  // namespace
