#include "geometry/shapes2d/RefinePointStr.h"

#include "geometry/shapes2d/GePolyline.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <string>
#include <vector>

namespace {

void Fill(CArray<tagPoint2d, tagPoint2d>& a, const std::vector<tagPoint2d>& pts)
{
    for (const tagPoint2d& p : pts) a.Add(p);
}

TEST(RefinePointStrTest, Table)
{
    struct Case {
        const char* label;
        double tol, ang;
        std::vector<tagPoint2d> in, out;
    };
    const Case cases[] = {
        {"collinear run collapses to its ends", 0.01, 3.0, {{0, 0}, {1, 0}, {2, 0}, {3, 0}}, {{0, 0}, {3, 0}}},
        {"final point replaces the last one inside the tolerance box", 0.01, 3.0,
         {{0, 0}, {0.001, 0}, {0.002, 0}}, {{0, 0}, {0.002, 0}}},
        {"angle above pi - 0.0001 leaves the string", 0.01, 3.1416, {{0, 0}, {1, 0}, {2, 0}, {3, 0}},
         {{0, 0}, {1, 0}, {2, 0}, {3, 0}}},
        {"two points stay", 0.01, 3.0, {{0, 0}, {0, 0}}, {{0, 0}, {0, 0}}},
        {"a corner is kept", 0.01, 3.0, {{0, 0}, {1, 0}, {1, 1}}, {{0, 0}, {1, 0}, {1, 1}}},
        {"an inner point near the last one is dropped", 0.01, 3.0, {{0, 0}, {1, 0}, {1.005, 0.005}, {2, 1}},
         {{0, 0}, {1, 0}, {2, 1}}},
        {"a point back along the run is not straight ahead", 0.01, 3.0, {{0, 0}, {2, 0}, {1, 0}},
         {{0, 0}, {2, 0}, {1, 0}}},
        {"straight ahead but off the line by more than tol", 0.1, 3.0, {{0, 0}, {1, 0}, {10, 0.5}},
         {{0, 0}, {1, 0}, {10, 0.5}}},
        {"the first two points are kept whatever their distance", 0.01, 3.0, {{0, 0}, {0, 0}, {1, 0}, {2, 0}},
         {{0, 0}, {0, 0}, {2, 0}}},
    };
    for (const Case& c : cases) {
        CArray<tagPoint2d, tagPoint2d> a;
        Fill(a, c.in);
        RefinePointStr(c.tol, c.ang, a);
        ASSERT_EQ(a.GetSize(), static_cast<INT_PTR>(c.out.size())) << c.label;
        for (size_t i = 0; i < c.out.size(); ++i) {
            EXPECT_EQ(a[static_cast<INT_PTR>(i)].x, c.out[i].x) << c.label << " point " << i;
            EXPECT_EQ(a[static_cast<INT_PTR>(i)].y, c.out[i].y) << c.label << " point " << i;
        }
    }
}

TEST(RefinePointStrTest, ThreeDimensions)
{
    CArray<tagPoint3d, tagPoint3d> a;
    for (int i = 0; i < 5; ++i) a.Add(tagPoint3d{double(i), double(i), double(i)});
    a.Add(tagPoint3d{4.0, 4.0, 4.005});  // within the box of the last point, and final
    RefinePointStr3D(0.01, 3.0, a);
    ASSERT_EQ(a.GetSize(), 2);
    EXPECT_EQ(a[1].z, 4.005);

    CArray<tagPoint3d, tagPoint3d> corner;
    corner.Add(tagPoint3d{0, 0, 0});
    corner.Add(tagPoint3d{1, 0, 0});
    corner.Add(tagPoint3d{1, 0, 1});
    RefinePointStr3D(0.01, 3.0, corner);
    EXPECT_EQ(corner.GetSize(), 3) << "a corner in the xz plane is kept";

    // Near means near in x, y and z: a point close to the last one in x and y
    // only still extends the run along z.
    CArray<tagPoint3d, tagPoint3d> z;
    z.Add(tagPoint3d{0, 0, 0});
    z.Add(tagPoint3d{0, 0, 1});
    z.Add(tagPoint3d{0.005, 0.005, 2});
    z.Add(tagPoint3d{1, 0, 2});
    RefinePointStr3D(0.01, 3.0, z);
    ASSERT_EQ(z.GetSize(), 3);
    EXPECT_EQ(z[1].z, 2.0);
}

// Largest distance of any input point from the polyline through the output
// (brute force over every output edge), in 2D or 3D.
template <class P>
double Coord(const P& p, int i)
{
    if (i == 0) return p.x;
    if (i == 1) return p.y;
    if constexpr (requires { p.z; }) return p.z;
    return 0.0;
}

template <class P>
double DistToSegment(const P& q, const P& a, const P& b)
{
    double ab[3], aq[3], len2 = 0.0, dot = 0.0;
    for (int i = 0; i < 3; ++i) {
        ab[i] = Coord(b, i) - Coord(a, i);
        aq[i] = Coord(q, i) - Coord(a, i);
        len2 += ab[i] * ab[i];
        dot += ab[i] * aq[i];
    }
    const double t = len2 > 0.0 ? std::clamp(dot / len2, 0.0, 1.0) : 0.0;
    double d2 = 0.0;
    for (int i = 0; i < 3; ++i) d2 += (aq[i] - t * ab[i]) * (aq[i] - t * ab[i]);
    return std::sqrt(d2);
}

template <class P>
double WorstDeviation(const std::vector<P>& in, const CArray<P, P>& out)
{
    double worst = 0.0;
    for (const P& q : in) {
        double best = 1e300;
        for (INT_PTR k = 1; k < out.GetSize(); ++k) best = std::min(best, DistToSegment(q, out[k - 1], out[k]));
        worst = std::max(worst, best);
    }
    return worst;
}

// The output is a subsequence of the input with the same first and last points.
template <class P>
::testing::AssertionResult KeepsInputPointsInOrder(const std::vector<P>& in, const CArray<P, P>& out)
{
    auto same = [](const P& a, const P& b) {
        for (int i = 0; i < 3; ++i)
            if (Coord(a, i) != Coord(b, i)) return false;
        return true;
    };
    if (out.GetSize() < 2 || !same(out[0], in[0]) ||
        !same(out[out.GetSize() - 1], in.back()))
        return ::testing::AssertionFailure() << "start or end changed";
    size_t j = 0;
    for (INT_PTR k = 0; k < out.GetSize(); ++k) {
        while (j < in.size() && !same(in[j], out[k])) ++j;
        if (j == in.size()) return ::testing::AssertionFailure() << "output point " << k << " is not an input point in order";
        ++j;
    }
    return ::testing::AssertionSuccess();
}

constexpr double kLeanAngle = 2.9670597283898;  // 170 degrees
constexpr double kSlack = 1e-9;                 // rounding of the distance oracle

std::vector<tagPoint2d> ArcPoints(double radius, double sweep, double spacing)
{
    const int n = static_cast<int>(std::ceil(radius * sweep / spacing));
    std::vector<tagPoint2d> pts;
    for (int i = 0; i <= n; ++i) {
        const double a = sweep * i / n;
        pts.push_back({radius * std::cos(a), radius * std::sin(a)});
    }
    return pts;
}

TEST(RefinePointStrTest, DroppedPointsOfDenseArcsStayWithinTol)
{
    struct Row { const char* label; double radius, sweep, spacing, tol, ang; };
    const double pi = std::numbers::pi;
    const Row rows[] = {
        {"R100 quarter every 0.01 at 0.01", 100.0, pi / 2, 0.01, 0.01, kLeanAngle},
        {"R100 quarter every 0.01 at 0.01, 175 degrees", 100.0, pi / 2, 0.01, 0.01, 3.0543261909895},
        {"R100 40 degrees every 0.2 at 0.05", 100.0, 40.0 * pi / 180.0, 0.2, 0.05, kLeanAngle},
        {"R5 full turn every 0.001 at 0.001", 5.0, 2 * pi, 0.001, 0.001, kLeanAngle},
    };
    for (const Row& row : rows) {
        const std::vector<tagPoint2d> in = ArcPoints(row.radius, row.sweep, row.spacing);
        CArray<tagPoint2d, tagPoint2d> a;
        Fill(a, in);
        RefinePointStr(row.tol, row.ang, a);
        EXPECT_LE(WorstDeviation(in, a), row.tol * (1 + kSlack)) << row.label;
        EXPECT_TRUE(KeepsInputPointsInOrder(in, a)) << row.label;
        // Thinning still thins: the chord with sagitta tol spans many samples.
        const double chord = 2.0 * std::sqrt(2.0 * row.radius * row.tol);
        const double fewest = row.radius * row.sweep / chord;
        EXPECT_LT(static_cast<double>(a.GetSize()), 3.0 * fewest + 3.0) << row.label << ": " << a.GetSize() << " points";
    }
}

TEST(RefinePointStrTest, PolylineLeanOfAnArcDrawnAsShortLines)
{
    // A 40 degree R100 arc drawn as 0.2 mm lines, thinned as the import does.
    const std::vector<tagPoint2d> in = ArcPoints(100.0, 40.0 * std::numbers::pi / 180.0, 0.2);
    CArray<tagPoint2d, tagPoint2d> a;
    Fill(a, in);
    CGePolyline poly;
    ASSERT_TRUE(poly.Create(&a));
    ASSERT_TRUE(poly.Lean(0.05));
    CArray<tagPoint2d, tagPoint2d> out;
    for (int i = 0; i < poly.GetSWPointCount(); ++i) out.Add(tagPoint2d{poly.GetSWPoint()[i][0], poly.GetSWPoint()[i][1]});
    EXPECT_LE(WorstDeviation(in, out), 0.05 * (1 + kSlack));
    EXPECT_LT(out.GetSize(), static_cast<INT_PTR>(in.size()) / 4);
}

// Random walks that turn a little at every step (runs the rule may merge),
// with now and then a sharp corner or a tiny step.
template <class P>
std::vector<P> RandomWalk(std::mt19937& rng, int n)
{
    std::uniform_real_distribution<double> turn(-0.05, 0.05), step(0.001, 0.05), unit(0.0, 1.0);
    std::vector<P> pts;
    double pos[3] = {0, 0, 0}, heading = 0.0, climb = 0.0;
    for (int i = 0; i < n; ++i) {
        P p{};
        p.x = pos[0];
        p.y = pos[1];
        if constexpr (requires { p.z; }) p.z = pos[2];
        pts.push_back(p);
        heading += unit(rng) < 0.02 ? 2.0 * turn(rng) * 30.0 : turn(rng);
        climb += turn(rng);
        const double s = unit(rng) < 0.05 ? 1e-4 : step(rng);
        pos[0] += s * std::cos(heading) * std::cos(climb);
        pos[1] += s * std::sin(heading) * std::cos(climb);
        pos[2] += s * std::sin(climb);
    }
    return pts;
}

template <class P, class Thin>
void CheckRandomWalks(const char* dim, Thin thin)
{
    std::mt19937 rng(20240611);
    int thinned = 0;
    for (int trial = 0; trial < 40; ++trial) {
        const std::vector<P> in = RandomWalk<P>(rng, 2000);
        for (double tol : {0.001, 0.01, 0.1}) {
            const std::string label = std::string(dim) + " walk " + std::to_string(trial) + ", tol " + std::to_string(tol);
            CArray<P, P> a;
            for (const P& p : in) a.Add(p);
            thin(tol, a);
            EXPECT_LE(WorstDeviation(in, a), tol * (1 + kSlack)) << label;
            EXPECT_TRUE(KeepsInputPointsInOrder(in, a)) << label;
            if (a.GetSize() < static_cast<INT_PTR>(in.size()) / 2) ++thinned;
        }
    }
    EXPECT_GT(thinned, 40) << dim << ": the walks must actually be thinned for the check to mean anything";
}

TEST(RefinePointStrTest, RandomPolylinesKeepEveryInputPointWithinTol)
{
    CheckRandomWalks<tagPoint2d>("2D", [](double tol, CArray<tagPoint2d, tagPoint2d>& a) { RefinePointStr(tol, kLeanAngle, a); });
    CheckRandomWalks<tagPoint3d>("3D", [](double tol, CArray<tagPoint3d, tagPoint3d>& a) { RefinePointStr3D(tol, kLeanAngle, a); });
}

}  // namespace
