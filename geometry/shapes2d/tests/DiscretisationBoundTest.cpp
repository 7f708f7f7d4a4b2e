// Display polylines of arcs, circles, ellipses and Bezier segments stay within
// a bounded count of points however large the curve (the chord tolerance is no
// finer than a millionth of its size), and curves of ordinary size keep the
// count their tolerance asks for.
#include "framework/looker/QVGlobal.h"
#include "geometry/shapes2d/GeArc.h"
#include "geometry/shapes2d/GeBezier.h"
#include "geometry/shapes2d/GeCircle.h"
#include "geometry/shapes2d/GeEllipse.h"
#include "geometry/shapes2d/GeometryConst.h"
#include "geometry/shapes2d/tests/ArchiveTestUtil.h"
#include "platform/core/Archive.h"
#include "platform/core/File.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <cmath>
#include <functional>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

using Points = CArray<tagPoint2d, tagPoint2d>;

// Chords of a full turn of radius r at chord tolerance tol, as the sagitta asks:
// the count the circle's discretisation used before any floor.
int SagittaTurnCount(double r, double tol) { return static_cast<int>(kTwoPi / std::acos((r - tol) / r)); }

// Largest distance of a chord's middle inside the circle of centre c and radius r.
double MaxSagitta(const Points& pts, const double* c, double r)
{
    double worst = 0.0;
    for (INT_PTR i = 1; i < pts.GetSize(); ++i) {
        const double mx = 0.5 * (pts[i].x + pts[i - 1].x), my = 0.5 * (pts[i].y + pts[i - 1].y);
        worst = std::max(worst, r - std::hypot(mx - c[0], my - c[1]));
    }
    return worst;
}

std::unique_ptr<CGeArc> FullArc(const double* c, double r)
{
    auto arc = std::make_unique<CGeArc>();
    arc->CreateCSEAngle(c, r, 0.0, kTwoPi);
    return arc;
}

// Every conic at every size: the count stays under the bound of a full turn at
// a millionth of the radius, and the chords stay within the floored tolerance
// (measured against the circle itself, an independent oracle of the sagitta).
TEST(DiscretisationBoundTest, HugeConicsStayWithinTheTurnBound)
{
    const int turnBound = SagittaTurnCount(1.0, gecon::kMinRelDiscTol) + 1;
    ASSERT_LT(turnBound, 4500);
    const double c[2] = {3.0, -4.0};
    for (const double r : {1e4, 1e6, 1e9, 1e12, 1e300}) {
        for (const double tol : {0.01, 1e-6}) {
            const std::string label = "radius " + std::to_string(r) + " tol " + std::to_string(tol);
            const double effTol = std::max(tol, r * gecon::kMinRelDiscTol);
            struct Kind {
                const char* name;
                std::function<void(Points&)> discretise;
            };
            const Kind kinds[] = {
                {"arc", [&](Points& p) { FullArc(c, r)->DiscreteInArray(tol, &p, 0.0, false); }},
                {"circle", [&](Points& p) { CGeCircle(c, r, 1).DiscreteInArray(tol, &p, 0.0, false); }},
                {"ellipse", [&](Points& p) { CGeEllipse(c, r, 0.5 * r, 0.3, 1).DiscreteInArray(tol, &p, 0.0, false); }},
            };
            for (const Kind& kind : kinds) {
                Points pts;
                kind.discretise(pts);
                ASSERT_GT(pts.GetSize(), 8) << kind.name << " " << label;
                EXPECT_LE(pts.GetSize(), turnBound + 1) << kind.name << " " << label;
                if (std::string(kind.name) != "ellipse" && r < 1e15) {
                    EXPECT_LE(MaxSagitta(pts, c, r), effTol * 1.001 + r * 1e-15) << kind.name << " " << label;
                }
            }
        }
    }
}

// A stored arc whose radius is negative or zero loads with a short display
// polyline on the circle of the radius' magnitude: a negative radius once gave
// a zero angle per chord and so 2^20 points per record (found by fuzzing).
TEST(DiscretisationBoundTest, StoredArcsOfAnySignedRadiusStayBounded)
{
    CQVGlobal settings;
    settings.SetVersion(6);
    gSetQVGlobal(&settings);
    const double c[2] = {1.0, 2.0};
    auto arc = FullArc(c, 3.0);
    CMemFile stored;
    archtest::StoreObject(stored, arc.get());
    const std::vector<BYTE> good(stored.GetData(), stored.GetData() + stored.GetLength());
    // The six doubles end the record: centre x, y, radius, start direction x, y, sweep.
    const size_t radiusAt = good.size() - 4 * sizeof(double);
    for (const double r : {3.0, -3.0, -1e9, -1e-200, 0.0}) {
        const std::string label = "radius " + std::to_string(r);
        std::vector<BYTE> bytes = good;
        std::memcpy(&bytes[radiusAt], &r, sizeof(double));
        CMemFile file(bytes.data(), static_cast<UINT>(bytes.size()));
        std::unique_ptr<CObject> back(archtest::LoadObject(file));
        auto* loaded = dynamic_cast<CGeArc*>(back.get());
        ASSERT_NE(loaded, nullptr) << label;
        ASSERT_TRUE(loaded->HasDisplay()) << label;
        EXPECT_GE(loaded->GetSWPointCount(), 11) << label;
        EXPECT_LE(loaded->GetSWPointCount(), 4500) << label;
        const double (*pts)[2] = loaded->GetSWPoint();
        for (int i = 0; i < loaded->GetSWPointCount(); ++i)
            ASSERT_NEAR(std::hypot(pts[i][0] - c[0], pts[i][1] - c[1]), std::fabs(r), 1e-9 * (1.0 + std::fabs(r)))
                << label << " point " << i;
    }
    gSetQVGlobal(nullptr);
}

// Up to a radius of a million times the tolerance nothing changes: the circle
// and the full arc keep exactly the count the sagitta asks for, and the
// computation's step follows the same count.
TEST(DiscretisationBoundTest, OrdinaryConicsKeepTheirCount)
{
    const double c[2] = {0.0, 0.0};
    struct Row {
        double r, tol;
    };
    const Row rows[] = {{15.0, 0.01}, {1000.0, 0.01}, {1e4, 0.01}, {1e4, 0.05}, {0.5, 1e-6}};
    for (const Row& row : rows) {
        const std::string label = "radius " + std::to_string(row.r) + " tol " + std::to_string(row.tol);
        const int expected = SagittaTurnCount(row.r, row.tol);
        Points circle;
        CGeCircle(c, row.r, 1).DiscreteInArray(row.tol, &circle, 0.0, false);
        EXPECT_EQ(circle.GetSize(), expected + 1) << label;
        Points arc;
        FullArc(c, row.r)->DiscreteInArray(row.tol, &arc, 0.0, false);
        EXPECT_EQ(arc.GetSize(), expected + 1) << label;
    }
}

// A Bezier segment as large as the coordinate range flattens into about a
// thousand points (it took 2^16 before); an ordinary one is flattened as the
// tolerance asks, the same with and without the floor.
TEST(DiscretisationBoundTest, BezierSegmentsScaleWithTheirSize)
{
    struct Row {
        const char* label;
        double scale, tol;
        int atMost;
    };
    const Row rows[] = {{"1e9 mm at 0.01", 1e9, 0.01, 2049},
                        {"1e9 mm at 1e-6", 1e9, 1e-6, 2049},
                        {"1e6 mm at 1e-6", 1e6, 1e-6, 2049},
                        {"100 mm at 0.01", 100.0, 0.01, 200}};
    for (const Row& row : rows) {
        double nodes[4][2] = {{0.0, 0.0}, {0.3, 1.0}, {0.7, -1.0}, {1.0, 0.0}};
        for (auto& n : nodes) {
            n[0] *= row.scale;
            n[1] *= row.scale;
        }
        CGeBezier bez;
        bez.Create(4, nodes);
        Points pts;
        bez.DiscreteInArray(row.tol, &pts, 0.1, false);
        EXPECT_LE(pts.GetSize(), row.atMost) << row.label;
        EXPECT_GT(pts.GetSize(), 16) << row.label;
        // The chords stay within the floored tolerance of dense samples.
        const double effTol = std::max(row.tol, row.scale * 2.0 * gecon::kMinRelDiscTol);
        double worst = 0.0;
        for (int i = 0; i <= 2000; ++i) {
            double p[2];
            bez.GetPointAt(i / 2000.0, p, 1);
            double best = 1e300;
            for (INT_PTR j = 1; j < pts.GetSize(); ++j) {
                const double ax = pts[j - 1].x, ay = pts[j - 1].y, dx = pts[j].x - ax, dy = pts[j].y - ay;
                const double len2 = dx * dx + dy * dy;
                double t = len2 > 0.0 ? ((p[0] - ax) * dx + (p[1] - ay) * dy) / len2 : 0.0;
                t = std::clamp(t, 0.0, 1.0);
                best = std::min(best, std::hypot(p[0] - ax - t * dx, p[1] - ay - t * dy));
            }
            worst = std::max(worst, best);
        }
        EXPECT_LE(worst, effTol * 1.01) << row.label;
    }
}

}  // namespace
