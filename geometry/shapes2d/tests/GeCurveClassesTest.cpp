// Records and ownership of the 2D curve classes' skeletons: type codes, owned
// members, and the archive records the classes already write.
#include "framework/looker/QVGlobal.h"
#include "framework/looker/SnapRecords.h"
#include "geometry/shapes2d/GeArc.h"
#include "geometry/shapes2d/GeBezier.h"
#include "geometry/shapes2d/GeCircle.h"
#include "geometry/shapes2d/GeCombCurve.h"
#include "geometry/shapes2d/GeEllipse.h"
#include "geometry/shapes2d/GeGroup.h"
#include "geometry/shapes2d/GeHit.h"
#include "geometry/shapes2d/GeLine.h"
#include "geometry/shapes2d/GeLoop.h"
#include "geometry/shapes2d/GeOffsetCrv.h"
#include "geometry/shapes2d/GePoint.h"
#include "geometry/shapes2d/GePolyline.h"
#include "geometry/shapes2d/GeRegion.h"
#include "platform/core/Archive.h"
#include "platform/core/File.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

TEST(GeCurveClassesTest, TypeCodes)
{
    struct Case {
        const char* label;
        std::unique_ptr<CGeCurve> curve;
        int type;
    };
    Case cases[] = {
        {"point", std::make_unique<CGePoint>(), 0x1},        {"line", std::make_unique<CGeLine>(), 0x2},
        {"arc", std::make_unique<CGeArc>(), 0x4},            {"circle", std::make_unique<CGeCircle>(), 0x8},
        {"ellipse", std::make_unique<CGeEllipse>(), 0x10},   {"bezier", std::make_unique<CGeBezier>(), 0x20},
        {"polyline", std::make_unique<CGePolyline>(), 0x40}, {"composite", std::make_unique<CGeCombCurve>(), 0x80},
        {"loop", std::make_unique<CGeLoop>(), 0x100},        {"offset", std::make_unique<CGeOffsetCrv>(), 0x200},
        {"group", std::make_unique<CGeGroup>(), 0},          {"region", std::make_unique<CGeRegion>(), 0},
    };
    for (const Case& c : cases) EXPECT_EQ(c.curve->GetType(), c.type) << c.label;
    EXPECT_TRUE(CGeLoop().IsKindOf(RUNTIME_CLASS(CGeCombCurve))) << "a loop is a composite curve";
    EXPECT_EQ(CGeCircle().IsClosed(0.01), 1);
}

TEST(GeCurveClassesTest, ContainersOwnTheirMembers)
{
    // Leak and use-after-free checks come from the sanitizer build.
    const double a[2] = {0, 0}, b[2] = {1, 0}, c[2] = {1, 1};
    auto* loop = new CGeLoop;
    loop->GetCurveList().AddTail(new CGeLine(a, b));
    loop->GetCurveList().AddTail(nullptr);
    loop->GetCurveList().AddTail(new CGeLine(b, c));
    CGeRegion region;
    region.GetLoopList().AddTail(loop);
    EXPECT_EQ(region.IsEmpty(), 0);

    CGeGroup group;
    group.GetCurveList().AddTail(new CGePolyline(3));
    EXPECT_EQ(group.IsEmpty(), 0);

    CGeCombCurve comb;
    comb.GetCurveList().AddTail(new CGeLine(a, b));
    comb.GetCurveList().AddTail(new CGeLine(b, c));
    EXPECT_EQ(comb.GetSegmentCount(), 2);
    EXPECT_EQ(comb.GetSubCurve(0), nullptr);
    EXPECT_EQ(comb.GetSubCurve(3), nullptr);
    double e[2];
    comb.GetSubCurve(2)->GetEndPoint(e);
    EXPECT_EQ(e[1], 1.0);
}

TEST(GeCurveClassesTest, HitLineGivesTheStraightPiece)
{
    const double a[2] = {0, 0}, b[2] = {3, 4}, c[2] = {3, 10};
    CGeLine line(a, b);
    CGeHit hit;
    EXPECT_EQ(hit.IsHitLine(), nullptr) << "no curve";
    hit.m_pCurve = &line;
    hit.m_pt[0] = 1.5;
    hit.m_pt[1] = 2.0;
    std::unique_ptr<CFeatureVector> v(hit.IsHitLine());
    ASSERT_NE(v, nullptr);
    EXPECT_DOUBLE_EQ(v->m_dir[0], 0.6);
    EXPECT_DOUBLE_EQ(v->m_dir[1], 0.8);
    EXPECT_EQ(v->m_pos[0], 1.5);

    CArray<tagPoint2d, tagPoint2d> pts;
    pts.Add({0, 0});
    pts.Add({3, 4});
    pts.Add({3, 10});
    CGePolyline poly;
    poly.Create(&pts);
    hit.m_pCurve = &poly;
    hit.m_nSegment = 2;
    v.reset(hit.IsHitLine());
    ASSERT_NE(v, nullptr);
    EXPECT_DOUBLE_EQ(v->m_dir[1], 1.0) << "polyline edge 2";
    hit.m_nSegment = 3;
    EXPECT_EQ(hit.IsHitLine(), nullptr) << "no edge 3";

    CGeCombCurve comb;
    comb.GetCurveList().AddTail(new CGeArc);
    comb.GetCurveList().AddTail(new CGeLine(b, c));
    hit.m_pCurve = &comb;
    hit.m_nSegment = 2;
    v.reset(hit.IsHitLine());
    ASSERT_NE(v, nullptr);
    EXPECT_DOUBLE_EQ(v->m_dir[1], 1.0) << "composite line member";
    hit.m_nSegment = 1;
    EXPECT_EQ(hit.IsHitLine(), nullptr) << "composite arc member";
}

// Writes the object as a polymorphic record and reads it back.
std::unique_ptr<CObject> RoundTrip(CObject* obj, ULONGLONG* bytes = nullptr)
{
    CQVGlobal settings;
    gSetQVGlobal(&settings);
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        ar << obj;
        ar.Close();
    }
    if (bytes) *bytes = file.GetLength();
    file.SeekToBegin();
    CObject* back = nullptr;
    {
        CArchive ar(&file, CArchive::load);
        ar >> back;
        ar.Close();
    }
    gSetQVGlobal(nullptr);
    return std::unique_ptr<CObject>(back);
}

TEST(GeCurveClassesTest, ArchiveRecords)
{
    const double a[2] = {1, 2}, b[2] = {4, 6};
    CGeLine line(a, b);
    line.SetHandle(77);
    auto back = RoundTrip(&line);
    auto* line2 = dynamic_cast<CGeLine*>(back.get());
    ASSERT_NE(line2, nullptr);
    EXPECT_EQ(line2->GetHandle(), 77u);
    double e[2];
    line2->GetEndPoint(e);
    EXPECT_EQ(e[0], 4.0);
    EXPECT_EQ(line2->GetSWPointCount(), 2) << "loading rebuilds the display polyline";

    CArray<tagPoint2d, tagPoint2d> pts;
    pts.Add({0, 0});
    pts.Add({1, 0});
    pts.Add({1, 1});
    CGePolyline poly;
    poly.Create(&pts);
    ULONGLONG polyBytes = 0;
    back = RoundTrip(&poly, &polyBytes);
    auto* poly2 = dynamic_cast<CGePolyline*>(back.get());
    ASSERT_NE(poly2, nullptr);
    ASSERT_EQ(poly2->GetSWPointCount(), 3);
    EXPECT_EQ(poly2->GetSWPoint()[2][1], 1.0);
    // Class record: 0xFFFF, schema, name length and "CGePolyline"; then handle,
    // closed flag, count and 16 bytes per vertex.
    EXPECT_EQ(polyBytes, 2u + 2u + 2u + 11u + 4u + 4u + 4u + 16u * 3u);

    CGePoint point(a);
    back = RoundTrip(&point);
    auto* point2 = dynamic_cast<CGePoint*>(back.get());
    ASSERT_NE(point2, nullptr);
    EXPECT_EQ(point2->x, 1.0);
    EXPECT_EQ(point2->y, 2.0);

    auto* loop = new CGeLoop;
    loop->GetCurveList().AddTail(new CGeLine(a, b));
    loop->GetCurveList().AddTail(new CGeLine(b, a));
    loop->m_nFlags = 8 | 1;
    CGeRegion region;
    region.GetLoopList().AddTail(loop);
    back = RoundTrip(&region);
    auto* region2 = dynamic_cast<CGeRegion*>(back.get());
    ASSERT_NE(region2, nullptr);
    ASSERT_EQ(region2->GetLoopList().GetCount(), 1);
    CGeLoop* loop2 = region2->GetLoopList().GetHead();
    EXPECT_EQ(loop2->m_nFlags, 9);
    ASSERT_EQ(loop2->GetSegmentCount(), 2);
    loop2->GetSubCurve(2)->GetEndPoint(e);
    EXPECT_EQ(e[0], 1.0);
}

}  // namespace
