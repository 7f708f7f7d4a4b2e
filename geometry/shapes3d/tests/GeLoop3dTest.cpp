// The 3D loop's closedness, point and loop containment in XY, and its signed area
// against closed forms; the 3D curve group.
#include "framework/numerak/Point3D.h"
#include "geometry/shapes3d/GeArc3d.h"
#include "geometry/shapes3d/GeGroup3d.h"
#include "geometry/shapes3d/GeLine3d.h"
#include "geometry/shapes3d/GeLoop3d.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr double kPi = 3.141592653589793;

CGeLine3d* Line(double x0, double y0, double z0, double x1, double y1, double z1)
{
    double s[3] = {x0, y0, z0}, e[3] = {x1, y1, z1};
    return new CGeLine3d(s, e);
}

// Counter-clockwise square of side a with its lower left corner at (x, y), at height z.
std::unique_ptr<CGeLoop3d> Square(double x, double y, double a, double z = 0.0)
{
    auto loop = std::make_unique<CGeLoop3d>();
    loop->AddTail(Line(x, y, z, x + a, y, z));
    loop->AddTail(Line(x + a, y, z, x + a, y + a, z));
    loop->AddTail(Line(x + a, y + a, z, x, y + a, z));
    loop->AddTail(Line(x, y + a, z, x, y, z));
    return loop;
}

std::unique_ptr<CGeLoop3d> Circle(double r, bool clockwise)
{
    auto loop = std::make_unique<CGeLoop3d>();
    auto* arc = new CGeArc3d;
    double c[3] = {1, 2, 3};
    arc->CreateCricleXY(c, r);
    if (clockwise) arc->Reverse();
    loop->AddTail(arc);
    return loop;
}

TEST(GeLoop3dTest, IsPtInLoopOnTheSquare)
{
    struct Row {
        double x, y, z;
        int where;  // 0 inside, 1 outside, 2 on the boundary
    };
    const Row rows[] = {
        {5, 5, 0, 0},          {5, 5, -40, 0},       {5, 5, 1e6, 0},      {15, 5, 0, 1},
        {11, 5, 0, 1},         {-0.5, 5, 0, 1},      {5, 12, 0, 1},       {10, 5, 0, 2},
        {10, 10, 0, 2},        {5, 0, 0, 2},         {0, 0, 0, 2},        {5, 10.0000001, 0, 2},
        {9.9995, 5, 0, 2},     {0.01, 0.01, 0, 0},   {9.99, 9.99, 0, 0},  {5, 9.99, 0, 0},
        {5, -0.01, 0, 1},      {0, 5, 0, 2},         {10.01, 10, 0, 1},   {2, 10, 0, 2},
    };
    auto square = Square(0, 0, 10);
    for (const Row& row : rows) {
        double p[3] = {row.x, row.y, row.z};
        EXPECT_EQ(square->IsPtInLoop(p, 0.001), row.where) << "(" << row.x << ", " << row.y << ", " << row.z << ")";
    }
}

// The crossing rule against a plain even-odd count on a non-convex outline with
// vertices on the test line's height.
TEST(GeLoop3dTest, IsPtInLoopMatchesRayCastingOnAStar)
{
    auto star = std::make_unique<CGeLoop3d>();
    std::vector<std::array<double, 2>> v;
    for (int i = 0; i < 10; ++i) {
        const double a = 2 * kPi * i / 10, r = i % 2 ? 4 : 10;
        v.push_back({std::round(r * std::cos(a)), std::round(r * std::sin(a))});
    }
    for (size_t i = 0; i < v.size(); ++i) {
        const auto& a = v[i];
        const auto& b = v[(i + 1) % v.size()];
        star->AddTail(Line(a[0], a[1], 0, b[0], b[1], 0));
    }
    auto evenOdd = [&](double px, double py) {
        bool in = false;
        for (size_t i = 0, j = v.size() - 1; i < v.size(); j = i++)
            if ((v[i][1] > py) != (v[j][1] > py) && px < v[j][0] + (py - v[j][1]) * (v[i][0] - v[j][0]) / (v[i][1] - v[j][1]))
                in = !in;
        return in;
    };
    int inside = 0;
    for (double y = -10.25; y <= 10.25; y += 0.5)
        for (double x = -10.25; x <= 10.25; x += 0.5) {
            double p[3] = {x, y, 0};
            const int where = star->IsPtInLoop(p, 1e-6);
            ASSERT_NE(where, 2) << x << ", " << y;
            EXPECT_EQ(where == 0, evenOdd(x, y)) << x << ", " << y;
            inside += where == 0;
        }
    EXPECT_GT(inside, 50) << "the grid reaches inside";
    // Points at the heights of vertices, beside them.
    for (const auto& c : v) {
        double left[3] = {c[0] - 0.3, c[1], 0}, right[3] = {c[0] + 0.3, c[1], 0};
        EXPECT_EQ(star->IsPtInLoop(left, 1e-6) == 0, evenOdd(left[0], left[1])) << "left of " << c[0] << ", " << c[1];
        EXPECT_EQ(star->IsPtInLoop(right, 1e-6) == 0, evenOdd(right[0], right[1])) << "right of " << c[0] << ", " << c[1];
    }
}

TEST(GeLoop3dTest, IsContainLoopTable)
{
    struct Row {
        std::string label;
        double x, y, a;
        bool inside;
    };
    const Row rows[] = {
        {"side 2 inside", 4, 4, 2, true},
        {"side 2 at another height", 4, 4, 2, true},
        {"touching the inner side of the border", 0, 4, 2, true},
        {"poking out by 1e-9", 8.000000001, 4, 2, false},
        {"outside", 12, 4, 2, false},
        {"larger, around it", -1, -1, 12, false},
    };
    auto outer = Square(0, 0, 10);
    for (const Row& row : rows) {
        auto inner = Square(row.x, row.y, row.a, row.label == std::string("side 2 at another height") ? 7.0 : 0.0);
        EXPECT_EQ(outer->IsContainLoop(inner.get(), 0.001), row.inside) << row.label;
    }
    EXPECT_FALSE(outer->IsContainLoop(nullptr, 0.001));
}

TEST(GeLoop3dTest, IsLoop3dNeedsTheEndsStrictlyWithinTol)
{
    auto loop = std::make_unique<CGeLoop3d>();
    EXPECT_EQ(loop->IsLoop3d(0.01), 0) << "no entries";
    loop->AddTail(Line(0, 0, 0, 10, 0, 0));
    loop->AddTail(Line(10, 0, 0, 10, 10, 0));
    loop->AddTail(Line(10, 10, 0, 0.01, 0, 0));
    EXPECT_EQ(loop->IsLoop3d(0.01), 0) << "ends exactly 0.01 apart";
    EXPECT_EQ(loop->IsLoop3d(0.011), 1);
    loop->AddTail(nullptr);
    EXPECT_EQ(loop->m_listCurve.GetCount(), 3) << "null is ignored";
}

TEST(GeLoop3dTest, EvAreaMatchesClosedFormsAndFollowsReverse)
{
    struct Row {
        std::string label;
        std::unique_ptr<CGeLoop3d> loop;
        double area;
        double tol;  // of the display string against the exact area
    };
    std::vector<Row> rows;
    rows.push_back({"square of side 10", Square(0, 0, 10), 100.0, 1e-9});
    rows.push_back({"square of side 3 at a height", Square(-7, 2, 3, 5), 9.0, 1e-9});
    rows.push_back({"circle of radius 5", Circle(5, false), kPi * 25, 2 * kPi * 5 * 0.001});
    rows.push_back({"clockwise circle of radius 20", Circle(20, true), -kPi * 400, 2 * kPi * 20 * 0.001});
    for (Row& row : rows) {
        const double a = row.loop->EvArea(0.001);
        EXPECT_NEAR(a, row.area, row.tol) << row.label;
        EXPECT_EQ(row.loop->m_dArea, a) << row.label << ": cached";
        row.loop->Reverse();
        EXPECT_EQ(row.loop->m_dArea, -a) << row.label << ": the cache flips";
        EXPECT_NEAR(row.loop->EvArea(0.001), -a, 1e-9) << row.label << ": the reversed loop";
        // The reversed members give the same area when the string is rebuilt.
        row.loop->m_strDisp.Clear();
        EXPECT_NEAR(row.loop->EvArea(0.001), -a, row.tol) << row.label << ": rebuilt";
    }
    CGeLoop3d empty;
    empty.m_dArea = 4;
    EXPECT_EQ(empty.EvArea(0.001), 1e12);
    EXPECT_EQ(empty.m_dArea, 4) << "the cache is left alone";
}

TEST(GeLoop3dTest, GroupReversesInPlaceAndMeasuresItsBox)
{
    CGeGroup3d group;
    EXPECT_TRUE(group.IsEmpty());
    double p[3] = {7, 7, 7};
    group.GetStartPoint(p);
    EXPECT_EQ(p[0], 7) << "nothing written for an empty group";
    CGeLine3d* a = Line(0, 0, 0, 10, 0, 0);
    CGeLine3d* b = Line(10, 0, 0, 10, 5, 3);
    group.m_listCurve.AddTail(a);
    group.m_listCurve.AddTail(b);
    group.Reverse();
    EXPECT_EQ(group.m_listCurve.GetHead(), a) << "order kept";
    double s[3], e[3];
    group.GetStartPoint(s);
    group.GetEndPoint(e);
    EXPECT_EQ(s[0], 10) << "A reversed starts at its old end";
    EXPECT_EQ(e[0], 10);
    EXPECT_EQ(e[1], 0) << "B reversed ends at its old start";
    BOX3<double> box;
    group.GetBox(&box);
    EXPECT_EQ(box.xmin, 0);
    EXPECT_EQ(box.xmax, 10);
    EXPECT_EQ(box.ymax, 5);
    EXPECT_EQ(box.zmax, 3);
    double c[3] = {0, 0, 0};
    group.Rotate(c, kPi / 2);
    group.GetStartPoint(s);
    EXPECT_NEAR(s[0], 0, 1e-12);
    EXPECT_NEAR(s[1], 10, 1e-12);
}

}  // namespace
