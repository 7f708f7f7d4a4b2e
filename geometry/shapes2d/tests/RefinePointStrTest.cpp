#include "geometry/shapes2d/RefinePointStr.h"

#include <gtest/gtest.h>

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

}  // namespace
