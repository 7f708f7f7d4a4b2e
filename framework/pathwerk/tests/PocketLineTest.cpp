// Scan lines against Clipper's clipping of the same open lines by the same loops.
#include "framework/pathwerk/PocketLine.h"
#include "geometry/shapes2d/GeCircle.h"
#include "geometry/shapes2d/GeLoop.h"
#include "geometry/shapes2d/GeRegion.h"

#include <gtest/gtest.h>
#include <polyclipping/clipper.hpp>

#include <algorithm>
#include <cmath>

namespace {

constexpr double kScale = 1e6;  // Clipper's integer grid: 1 nm

CGeRegion* SquareWithHole(double x0, double y0, double size, double holeR)
{
    auto* region = new CGeRegion(BOX2<double>(x0, y0, x0 + size, y0 + size));
    auto* hole = new CGeLoop;
    const double c[2] = {x0 + size / 2, y0 + size / 2};
    hole->AddTail(new CGeCircle(c, holeR, 0), 1);
    region->GetLoopList().AddTail(hole);
    return region;
}

using Segments = std::vector<std::pair<double, double>>;  // x ranges along one line

Segments ClipperSegments(CTypedPtrList<CObList, CGeRegion*>& regions, double y, double angle)
{
    ClipperLib::Paths loops;
    const double c = std::cos(-angle), s = std::sin(-angle);
    for (CGeRegion* r : regions)
        for (CGeLoop* loop : r->GetLoopList()) {
            loop->PrepareDisplay();
            ClipperLib::Path path;
            for (int k = 0; k < loop->GetSWPointCount(); ++k) {
                const auto* p = loop->GetSWPoint()[k];
                path.emplace_back(std::llround((c * p[0] - s * p[1]) * kScale), std::llround((s * p[0] + c * p[1]) * kScale));
            }
            loops.push_back(path);
        }
    ClipperLib::Path line = {{std::llround(-1e3 * kScale), std::llround(y * kScale)},
                             {std::llround(1e3 * kScale), std::llround(y * kScale)}};
    ClipperLib::Clipper clipper;
    clipper.AddPath(line, ClipperLib::ptSubject, false);
    clipper.AddPaths(loops, ClipperLib::ptClip, true);
    ClipperLib::PolyTree tree;
    clipper.Execute(ClipperLib::ctIntersection, tree, ClipperLib::pftEvenOdd, ClipperLib::pftEvenOdd);
    ClipperLib::Paths open;
    ClipperLib::OpenPathsFromPolyTree(tree, open);
    Segments out;
    for (const auto& p : open) {
        const double a = double(p.front().X) / kScale, b = double(p.back().X) / kScale;
        out.emplace_back(std::min(a, b), std::max(a, b));
    }
    std::sort(out.begin(), out.end());
    return out;
}

TEST(PocketLine, SegmentsEqualClippersClipOfTheSameLines)
{
    for (double angleDeg : {0.0, 30.0}) {
        for (int border : {0, 1}) {
            CPocketLine builder;
            builder.m_listRegion.AddTail(SquareWithHole(0, 0, 10, 2.5));
            builder.m_listRegion.AddTail(SquareWithHole(14, 3, 6, 1));
            builder.SetScanBorderFlag(border);
            builder.SetAngle(angleDeg * 3.14159265358979 / 180);
            builder.SetInterval(0.37);
            ASSERT_EQ(builder.BuildAllScanLine(), 1);
            const std::string label = "angle " + std::to_string(angleDeg) + " border " + std::to_string(border);
            ASSERT_GT(builder.m_scanLines.size(), 20u) << label;
            const double a = angleDeg * 3.14159265358979 / 180, c = std::cos(-a), s = std::sin(-a);
            double prevY = -1e300;
            for (size_t i = 0; i < builder.m_scanLines.size(); ++i) {
                const CScanLine& line = *builder.m_scanLines[i];
                ASSERT_EQ(line.GetSize() % 2, 0) << label << " line " << i << ": crossings come in pairs";
                Segments ours;
                double y = 0;
                for (INT_PTR k = 0; k + 1 < line.GetSize(); k += 2) {
                    const SNCInterPoint& p = line[k];
                    const SNCInterPoint& q = line[k + 1];
                    // In the scanning frame both ends share y and p lies before q.
                    const double px = c * p.x - s * p.y, qx = c * q.x - s * q.y;
                    y = s * p.x + c * p.y;
                    ASSERT_NEAR(s * q.x + c * q.y, y, 1e-9) << label << " line " << i;
                    ASSERT_LE(px, qx) << label << " line " << i << ": crossings along +X";
                    ours.emplace_back(px, qx);
                }
                if (ours.empty()) continue;
                EXPECT_GT(y, prevY) << label << ": lines from the lowest y up";
                prevY = y;
                const Segments want = ClipperSegments(builder.m_listRegion, y, a);
                ASSERT_EQ(ours.size(), want.size()) << label << " line " << i << " at y " << y;
                for (size_t k = 0; k < ours.size(); ++k) {
                    EXPECT_NEAR(ours[k].first, want[k].first, 2e-6) << label << " line " << i << " segment " << k;
                    EXPECT_NEAR(ours[k].second, want[k].second, 2e-6) << label << " line " << i << " segment " << k;
                }
            }
        }
    }
}

TEST(PocketLine, BorderFlagPlacesTheLines)
{
    struct Row {
        int border;
        double first, last;
        size_t count;
    };
    // Square 0..10 at interval 1: flag 1 sweeps both borders; flag 0 centres the lines.
    const Row rows[] = {{1, 1e-4, 10 - 1e-4, 11}, {0, 0.5, 9.5, 10}};
    for (const Row& r : rows) {
        CPocketLine builder;
        builder.m_listRegion.AddTail(new CGeRegion(BOX2<double>(0, 0, 10, 10)));
        builder.SetScanBorderFlag(r.border);
        builder.SetInterval(1);
        ASSERT_EQ(builder.BuildAllScanLine(), 1);
        ASSERT_EQ(builder.m_scanLines.size(), r.count) << "border " << r.border;
        EXPECT_NEAR((*builder.m_scanLines.front())[0].y, r.first, 1e-12) << "border " << r.border;
        EXPECT_NEAR((*builder.m_scanLines.back())[0].y, r.last, 1e-12) << "border " << r.border;
    }
}

TEST(PocketLine, BadIntervalsAndNoRegionsGiveNoLines)
{
    for (double interval : {0.0, -1.0, double(NAN), 1e-9}) {
        CPocketLine builder;
        builder.m_listRegion.AddTail(new CGeRegion(BOX2<double>(0, 0, 10, 10)));
        builder.SetInterval(interval);
        EXPECT_EQ(builder.BuildAllScanLine(), 0) << "interval " << interval;
        EXPECT_TRUE(builder.m_scanLines.empty()) << "interval " << interval;
    }
    CPocketLine none;
    none.SetInterval(1);
    EXPECT_EQ(none.BuildAllScanLine(), 0);
}

}  // namespace
