// CurveCurve against Open CASCADE's Geom2dAPI_InterCurveCurve on random
// instances of the 28 unordered class pairs: the same crossing points within 1e-6.
#include "geometry/algorithms/CurveIntersect.h"

#include "geometry/algorithms/tests/CurveIntersectFixtures.h"
#include "testing/Geom2dCurves.h"

#include <Geom2dAPI_InterCurveCurve.hxx>
#include <gtest/gtest.h>

#include <random>
#include <string>

using namespace ccfix;

namespace {

// The peer's crossings of two lists of curves, every pair of pieces, clustered
// within merge. Shared stretches are counted in overlaps.
std::vector<Pt> PeerCrossings(const occt2d::Pieces& a, const occt2d::Pieces& b, double merge, int& overlaps)
{
    std::vector<Pt> pts;
    for (const Handle(Geom2d_Curve)& pa : a)
        for (const Handle(Geom2d_Curve)& pb : b) {
            const Geom2dAPI_InterCurveCurve inter(pa, pb, 1e-7);
            for (int i = 1; i <= inter.NbPoints(); ++i) {
                const gp_Pnt2d p = inter.Point(i);
                oracle::AddClustered(pts, {p.X(), p.Y()}, merge);
            }
            // The peer's conic intersector reports a transversal crossing as a
            // segment about its tolerance long: that is one point.
            for (int i = 1; i <= inter.Intersector().NbSegments(); ++i) {
                const IntRes2d_IntersectionSegment& seg = inter.Intersector().Segment(i);
                const gp_Pnt2d p = seg.FirstPoint().Value(), q = seg.LastPoint().Value();
                if (p.Distance(q) > merge) {
                    ++overlaps;
                    continue;
                }
                oracle::AddClustered(pts, {0.5 * (p.X() + q.X()), 0.5 * (p.Y() + q.Y())}, merge);
            }
        }
    return pts;
}

TEST(CurveIntersectOcct, EveryClassPairMatchesThePeer)
{
    std::mt19937 rng(1807);
    int crossings = 0;
    for (int k1 = 0; k1 < kKinds; ++k1)
        for (int k2 = k1; k2 < kKinds; ++k2)
            for (int trial = 0; trial < 10; ++trial) {
                const std::string label = std::string(kKindNames[k1]) + "/" + kKindNames[k2] + " #" + std::to_string(trial);
                const auto c1 = Build(RandomSpec(Kind(k1), rng)), c2 = Build(RandomSpec(Kind(k2), rng));
                Records recs;
                QVN_GeCC_Inter::CurveCurve(c1.get(), c2.get(), &recs, 0);
                const std::vector<Pt> all = RecordPoints(recs, 1e-6);
                std::vector<Pt> have;
                for (const Pt& p : all)
                    if (!NearArcEnd(c1.get(), p) && !NearArcEnd(c2.get(), p)) have.push_back(p);

                // Piece by piece, and as one curve each, as a user of the peer hands them over.
                int overlaps = 0;
                const auto byPiece =
                    PeerCrossings(occt2d::ToPieces(c1.get()), occt2d::ToPieces(c2.get()), 1e-6, overlaps);
                const Handle(Geom2d_Curve) g1 = occt2d::ToCurve(c1.get()), g2 = occt2d::ToCurve(c2.get());
                ASSERT_FALSE(g1.IsNull() || g2.IsNull()) << label << ": the pieces join";
                const auto whole = PeerCrossings({g1}, {g2}, 1e-6, overlaps);
                EXPECT_EQ(overlaps, 0) << label;

                crossings += int(byPiece.size());
                EXPECT_EQ(Unmatched(byPiece, all, 1e-6), "") << label << ": crossings lost (peer by piece)";
                EXPECT_EQ(Unmatched(have, byPiece, 1e-6), "") << label << ": crossings invented (peer by piece)";
                EXPECT_EQ(Unmatched(whole, all, 1e-6), "") << label << ": crossings lost (peer as one curve)";
                EXPECT_EQ(Unmatched(have, whole, 1e-6), "") << label << ": crossings invented (peer as one curve)";
            }
    EXPECT_GT(crossings, 300) << "the random pairs must cross often enough to test anything";
}

}  // namespace
