#include "framework/numerak/Gpc.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

using Contour = std::vector<gpc_vertex>;

// A polygon owned by the test, freed at the end of the scope.
struct Polygon {
    gpc_polygon p;
    Polygon() { gpc_init_polygon(&p); }
    explicit Polygon(const std::vector<Contour>& contours)
    {
        gpc_init_polygon(&p);
        EXPECT_EQ(gpc_create_polygon(&p, static_cast<int>(contours.size())), 1);
        for (size_t c = 0; c < contours.size(); ++c) {
            EXPECT_EQ(gpc_create_vertex(&p.contour[c], static_cast<int>(contours[c].size())), 1);
            for (size_t i = 0; i < contours[c].size(); ++i) p.contour[c].vertex[i] = contours[c][i];
            p.hole[c] = c > 0 ? 1 : 0;
        }
    }
    ~Polygon() { gpc_free_polygon(&p); }
    Polygon(const Polygon&) = delete;
    Polygon& operator=(const Polygon&) = delete;
};

Contour Rect(double x0, double y0, double x1, double y1)
{
    return {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
}

double ContourArea(const gpc_vertex_list& c)
{
    double a = 0.0;
    for (int i = 0; i < c.num_vertices; ++i) {
        const gpc_vertex& p = c.vertex[i];
        const gpc_vertex& q = c.vertex[(i + 1) % c.num_vertices];
        a += p.x * q.y - q.x * p.y;
    }
    return 0.5 * a;
}

// Signed sum: outer contours count positive and holes negative when the
// orientation rule holds.
double SignedArea(const gpc_polygon& p)
{
    double a = 0.0;
    for (int c = 0; c < p.num_contours; ++c) a += ContourArea(p.contour[c]);
    return a;
}

TEST(GpcTest, RoundTripOfPolygonWithHoleKeepsAreaAndOrientation)
{
    // A 10 x 6 rectangle with a clockwise-given 2 x 2 hole: the union with an
    // empty clip normalises it.
    Polygon subject({Rect(0, 0, 10, 6), {{4, 2}, {4, 4}, {6, 4}, {6, 2}}});
    Polygon empty;
    Polygon result;
    ASSERT_EQ(gpc_polygon_clip(GPC_UNION, &subject.p, &empty.p, &result.p), 1);
    ASSERT_EQ(result.p.num_contours, 2);
    EXPECT_EQ(result.p.hole[0], 0);
    EXPECT_EQ(result.p.hole[1], 1);
    EXPECT_NEAR(ContourArea(result.p.contour[0]), 60.0, 1e-9) << "outer counter-clockwise";
    EXPECT_NEAR(ContourArea(result.p.contour[1]), -4.0, 1e-9) << "hole clockwise";
    EXPECT_EQ(result.p.contour[0].num_vertices, 4) << "no repeated closing vertex";
}

TEST(GpcTest, ClipOperationsMatchAnalyticAreas)
{
    // Squares of side 4 overlapping in a 2 x 3 rectangle; a circle-free
    // oracle: |A| = |B| = 16, |A n B| = 6.
    const Contour a = Rect(0, 0, 4, 4);
    const Contour b = Rect(2, 1, 6, 5);
    struct Row {
        const char* label;
        gpc_op op;
        double area;
        int contours;
    };
    const Row rows[] = {
        {"difference", GPC_DIFF, 10.0, 1},
        {"intersection", GPC_INT, 6.0, 1},
        {"xor", GPC_XOR, 20.0, 0},  // the two pieces touch at corners: count not fixed
        {"union", GPC_UNION, 26.0, 1},
    };
    for (const Row& row : rows) {
        Polygon pa({a}), pb({b}), result;
        ASSERT_EQ(gpc_polygon_clip(row.op, &pa.p, &pb.p, &result.p), 1) << row.label;
        EXPECT_NEAR(SignedArea(result.p), row.area, 1e-9) << row.label;
        if (row.contours > 0) {
            EXPECT_EQ(result.p.num_contours, row.contours) << row.label;
        }
    }
}

TEST(GpcTest, DifferenceCutsHoleAndIslandsStayNested)
{
    // Frame minus a square gives outer + hole; the even-odd input rule makes
    // the inner contour of the subject a hole whatever its hole flag says.
    Polygon frame({Rect(0, 0, 10, 10), Rect(2, 2, 8, 8)});
    frame.p.hole[1] = 0;
    Polygon island({Rect(4, 4, 6, 6)});
    Polygon result;
    ASSERT_EQ(gpc_polygon_clip(GPC_UNION, &frame.p, &island.p, &result.p), 1);
    ASSERT_EQ(result.p.num_contours, 3);
    EXPECT_EQ(result.p.hole[0], 0);
    EXPECT_EQ(result.p.hole[1], 1);
    EXPECT_EQ(result.p.hole[2], 0) << "island after its hole";
    EXPECT_NEAR(SignedArea(result.p), 100.0 - 36.0 + 4.0, 1e-9);
}

TEST(GpcTest, ScaleKeepsSubMicronCoordinates)
{
    Polygon pa({Rect(0.0000004, 0, 1.2345678, 1)}), empty, result;
    ASSERT_EQ(gpc_polygon_clip(GPC_UNION, &pa.p, &empty.p, &result.p), 1);
    EXPECT_NEAR(SignedArea(result.p), 1.2345678 - 0.0000004, 2e-6);
}

TEST(GpcTest, BadInputFailsWithEmptyResult)
{
    const double huge = 1e13;
    struct Row {
        const char* label;
        Contour contour;
    };
    const Row rows[] = {
        {"beyond range", Rect(0, 0, huge, 1)},
        {"not finite", Rect(0, 0, NAN, 1)},
        {"infinite", Rect(0, 0, INFINITY, 1)},
    };
    for (const Row& row : rows) {
        Polygon pa({row.contour}), empty, result;
        EXPECT_EQ(gpc_polygon_clip(GPC_UNION, &pa.p, &empty.p, &result.p), 0) << row.label;
        EXPECT_EQ(result.p.num_contours, 0) << row.label;
        EXPECT_EQ(result.p.contour, nullptr) << row.label;
    }
    Polygon pa({Rect(0, 0, 1, 1)}), result;
    EXPECT_EQ(gpc_polygon_clip(GPC_INT, nullptr, &pa.p, &result.p), 0);
    EXPECT_EQ(gpc_polygon_clip(GPC_INT, &pa.p, &pa.p, nullptr), 0);
    // Degenerate contours (fewer than 3 vertices) enclose nothing.
    Polygon thin({{{0, 0}, {5, 5}}}), empty;
    ASSERT_EQ(gpc_polygon_clip(GPC_UNION, &thin.p, &empty.p, &result.p), 1);
    EXPECT_EQ(result.p.num_contours, 0);
}

TEST(GpcTest, CreateAndFreeAreSafeOnEdges)
{
    gpc_polygon p;
    gpc_init_polygon(&p);
    EXPECT_EQ(gpc_create_polygon(&p, -1), 0);
    EXPECT_EQ(p.num_contours, 0);
    EXPECT_EQ(gpc_create_polygon(&p, 0), 1);
    EXPECT_EQ(p.contour, nullptr);
    ASSERT_EQ(gpc_create_polygon(&p, 2), 1);
    EXPECT_EQ(p.contour[1].num_vertices, 0);
    EXPECT_EQ(p.hole[1], 0);
    EXPECT_EQ(gpc_create_vertex(&p.contour[0], -3), 0);
    EXPECT_EQ(gpc_create_vertex(&p.contour[0], 3), 1);
    gpc_free_polygon(&p);
    EXPECT_EQ(p.num_contours, 0);
    gpc_free_polygon(&p);  // twice is harmless
    gpc_free_polygon(nullptr);
    EXPECT_EQ(gpc_create_vertex(nullptr, 2), 0);
}

}  // namespace
