// Loop offsets against Clipper's offsets and exact distances: random pockets with round
// and polygonal holes, inward and outward, with round, square, mitred corners.
#include "OffsetOracle.h"

#include "toolpath/contours/CornerType.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <string>

namespace {

using namespace offsettest;
using clipperpaths::TreeCounts;

struct JoinRow {
    const char* label;
    int type;
    ClipperLib::JoinType join;
};

// The corner types with Clipper's matching join; angle limits 0 so that every corner
// takes the type's own treatment.
const JoinRow kJoins[] = {
    {"round (type 4)", 4, ClipperLib::jtRound},
    {"bevel (type 1)", 1, ClipperLib::jtSquare},
    {"sharp (type 3)", 3, ClipperLib::jtMiter},
};

bool Simple(const Polygon& p)
{
    const ClipperLib::Path path = clipperpaths::ToPath(p);
    ClipperLib::Paths out;
    ClipperLib::SimplifyPolygon(path, out, ClipperLib::pftNonZero);
    return out.size() == 1 && std::fabs(std::fabs(ClipperLib::Area(out[0])) - std::fabs(ClipperLib::Area(path))) < 1.0;
}

// Result contours simple, islands inside their outer loop and on its other side.
void ExpectWellFormed(CSmartLoop* chain, bool outerCcw, const std::string& label)
{
    looptest::Orientation o;
    for (CSmartLoop* L = chain; L; L = L->next) {
        const Polygon outer = curvetest::Flatten(*L->contour);
        EXPECT_TRUE(Simple(outer)) << label;
        EXPECT_EQ(looptest::Shoelace(outer) > 0, outerCcw) << label;
        for (CSmartLoop* i = L->islands; i; i = i->next) {
            const Polygon hole = curvetest::Flatten(*i->contour);
            EXPECT_TRUE(Simple(hole)) << label;
            EXPECT_EQ(looptest::Shoelace(hole) > 0, !outerCcw) << label << " island direction";
            EXPECT_NE(o.Winding(outer, hole[0]), 0) << label << " island outside its loop";
        }
    }
}

TEST(LoopOffset, PocketsAgainstClipperOffsets)
{
    std::mt19937 rng(20261210);
    int compared = 0;
    for (int shape = 0; shape < 12; ++shape) {
        const Pocket k = RandomPocket(rng, 8 + shape * 3, shape % 4);
        const ClipperLib::Paths src = PocketPaths(k);
        for (const JoinRow& j : kJoins)
            for (int mode : {0, 2})
                for (double d : {0.5, 2.0}) {
                    const std::string label = std::string(j.label) + " mode " + std::to_string(mode) + " d " +
                                              std::to_string(d) + " shape " + std::to_string(shape);
                    CSmartLoop* L = PocketLoop(k);
                    DVN_CornerType corner{j.type, 0, 0};
                    CSmartLoop* R = L->OffsetContour(mode, d, -1, corner);
                    const ClipperLib::Paths peer =
                        clipperpaths::Offset(src, mode == 0 ? -d : d, j.join, 1e6);
                    const ClipperLib::Paths ours = ChainPaths(R);
                    const double x = clipperpaths::XorArea(ours, ClipperLib::pftEvenOdd, peer, ClipperLib::pftNonZero);
                    EXPECT_LE(x, 2 * 0.001 * (Perimeter(peer) + Perimeter(ours)) + 1e-6) << label;
                    const TreeCounts a = ChainCounts(R), b = clipperpaths::Counts(peer, ClipperLib::pftNonZero);
                    EXPECT_EQ(a.outers, b.outers) << label;
                    EXPECT_EQ(a.holes, b.holes) << label;
                    ExpectWellFormed(R, true, label);
                    if (j.type == 4)
                        for (const P& p : SamplePoints(R, 8)) {
                            const double e = BoundaryDist(k, p);
                            // Turns below 0.05 rad stay sharp: their mitre reaches a little beyond d.
                            ASSERT_GE(e, d - 1e-6) << label;
                            ASSERT_LE(e, d / std::cos(0.025) + 1e-6) << label;
                        }
                    ++compared;
                    CSmartLoop::DeleteLoopChain(R);
                    delete L;
                }
    }
    EXPECT_EQ(compared, 12 * 3 * 2 * 2);
}

}  // namespace
