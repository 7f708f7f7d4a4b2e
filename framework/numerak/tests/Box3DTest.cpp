// Tolerant 3D box tests: touching within tol counts, a gap beyond it does not, empty
// and null boxes never meet; unions ignore empty boxes.
#include "framework/numerak/Box3D.h"

#include <gtest/gtest.h>

namespace {

BOX3<double> Box(double x0, double y0, double z0, double x1, double y1, double z1)
{
    BOX3<double> b;
    b.xmin = x0, b.ymin = y0, b.zmin = z0, b.xmax = x1, b.ymax = y1, b.zmax = z1;
    return b;
}

TEST(Box3D, MeetingWithinTolerance)
{
    const BOX3<double> a = Box(0, 0, 0, 1, 1, 1);
    BOX3<double> empty;
    empty.InitEmpty();
    struct Row {
        const char* label;
        BOX3<double> b;
        double tol;
        int all, xy;
    };
    const Row rows[] = {
        {"overlap", Box(0.5, 0.5, 0.5, 2, 2, 2), 0, 1, 1},
        {"touching", Box(1, 0, 0, 2, 1, 1), 0, 1, 1},
        {"gap 0.01 at tol 0.01", Box(1.01, 0, 0, 2, 1, 1), 0.01, 1, 1},
        {"gap 0.02 at tol 0.01", Box(1.02, 0, 0, 2, 1, 1), 0.01, 0, 0},
        {"apart in z only", Box(0, 0, 3, 1, 1, 4), 0.01, 0, 1},
        {"empty box", empty, 1e9, 0, 0},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(BOX3D_IsInt(&a, &r.b, r.tol), r.all) << r.label;
        EXPECT_EQ(BOX3D_IsInt(&r.b, &a, r.tol), r.all) << r.label << " (swapped)";
        EXPECT_EQ(BOX3D_IsIntXY(&a, &r.b, r.tol), r.xy) << r.label;
    }
    EXPECT_EQ(BOX3D_IsInt(nullptr, &a, 1), 0);
}

TEST(Box3D, UnionIgnoresEmptyBoxes)
{
    const BOX3<double> a = Box(0, 0, 0, 1, 1, 1), b = Box(-1, 2, 0.5, 0, 3, 4);
    BOX3<double> empty, out;
    empty.InitEmpty();
    BOX3D_Union(&a, &b, &out);
    EXPECT_EQ(out.xmin, -1);
    EXPECT_EQ(out.ymax, 3);
    EXPECT_EQ(out.zmax, 4);
    BOX3D_Union(&empty, &a, &out);
    EXPECT_EQ(out.xmin, 0);
    EXPECT_EQ(out.zmax, 1);
    BOX3D_Union(&a, &empty, &out);
    EXPECT_EQ(out.xmax, 1);
    const double p[3] = {1, 2, 3}, q[3] = {4, 6, 3};
    EXPECT_EQ(P3D_Dist2(p, q), 25);
}

}  // namespace
