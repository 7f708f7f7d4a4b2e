// The point shape: its archive record (schema 3 with coordinates, schema 2
// without), copies, box and transforms.
#include "framework/looker/QVGlobal.h"
#include "geometry/shapes2d/GePoint.h"
#include "platform/core/Archive.h"
#include "platform/core/File.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <numbers>
#include <vector>

namespace {

class PointArchiveTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_settings.SetVersion(6);
        gSetQVGlobal(&m_settings);
    }
    void TearDown() override { gSetQVGlobal(nullptr); }

    // Loads one object record from the bytes, then reads a trailing int32 marker.
    std::unique_ptr<CObject> Load(std::vector<BYTE> bytes, int* marker)
    {
        CMemFile file(bytes.data(), static_cast<UINT>(bytes.size()));
        CArchive ar(&file, CArchive::load);
        CObject* obj = nullptr;
        ar >> obj;
        std::unique_ptr<CObject> owner(obj);
        ar >> *marker;
        ar.Close();
        return owner;
    }

    CQVGlobal m_settings;
};

void PutWord(std::vector<BYTE>& b, std::uint16_t w)
{
    b.push_back(static_cast<BYTE>(w & 0xFF));
    b.push_back(static_cast<BYTE>(w >> 8));
}

void PutInt(std::vector<BYTE>& b, std::int32_t v)
{
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<BYTE>((static_cast<std::uint32_t>(v) >> (8 * i)) & 0xFF));
}

void PutDouble(std::vector<BYTE>& b, double d)
{
    BYTE raw[8];
    std::memcpy(raw, &d, 8);
    b.insert(b.end(), raw, raw + 8);
}

// Class record of CGePoint with the given schema.
std::vector<BYTE> PointClassRecord(std::uint16_t schema)
{
    std::vector<BYTE> b;
    PutWord(b, 0xFFFF);
    PutWord(b, schema);
    PutWord(b, 8);
    for (char c : std::string("CGePoint")) b.push_back(static_cast<BYTE>(c));
    return b;
}

TEST_F(PointArchiveTest, Schema3StoresTheCoordinates)
{
    const double p[2] = {2.5, -7.25};
    CGePoint point(p);
    point.SetHandle(5);
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        ar << static_cast<CObject*>(&point);
        ar.Close();
    }
    // Golden bytes: class record, handle, closed flag, x, y.
    std::vector<BYTE> want = PointClassRecord(3);
    PutInt(want, 5);
    PutInt(want, 0);
    PutDouble(want, 2.5);
    PutDouble(want, -7.25);
    ASSERT_EQ(file.GetLength(), want.size());
    EXPECT_EQ(want.size(), 14u + 4u + 4u + 16u);
    std::vector<BYTE> got(want.size());
    file.SeekToBegin();
    file.Read(got.data(), static_cast<UINT>(got.size()));
    EXPECT_EQ(got, want);

    PutInt(want, 0x13572468);
    int marker = 0;
    auto back = Load(want, &marker);
    auto* loaded = dynamic_cast<CGePoint*>(back.get());
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->x, 2.5);
    EXPECT_EQ(loaded->y, -7.25);
    EXPECT_EQ(loaded->GetHandle(), 5u);
    EXPECT_EQ(marker, 0x13572468) << "the record is read to its end and no further";
    BOX2<double> box;
    loaded->GetBox2d(&box);
    EXPECT_EQ(box.xmin, 2.5);
    EXPECT_EQ(box.ymax, -7.25);
}

TEST_F(PointArchiveTest, Schema2RecordsLoadWithoutCoordinates)
{
    std::vector<BYTE> bytes = PointClassRecord(2);
    PutInt(bytes, 11);  // handle
    PutInt(bytes, 0);   // closed flag
    PutInt(bytes, 0x2468ACE0);
    int marker = 0;
    auto back = Load(bytes, &marker);
    auto* loaded = dynamic_cast<CGePoint*>(back.get());
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->x, 0.0);
    EXPECT_EQ(loaded->y, 0.0);
    EXPECT_EQ(loaded->GetHandle(), 11u);
    EXPECT_EQ(marker, 0x2468ACE0) << "no coordinates are read from a schema-2 record";
}

TEST(GePointTest, CopyKeepsPositionAndHandle)
{
    const double p[2] = {3, 4};
    CGePoint point(p);
    point.SetHandle(17);
    std::unique_ptr<CGeCurve> copy(point.Copy());
    auto* c = dynamic_cast<CGePoint*>(copy.get());
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->x, 3.0);
    EXPECT_EQ(c->y, 4.0);
    EXPECT_EQ(c->GetHandle(), 17u);
    double q[2] = {0, 0};
    EXPECT_EQ(c->GetGCPoint(7, q, 1), 1) << "every kind gives the point";
    EXPECT_EQ(q[1], 4.0);
    c->GetStartPoint(q);
    EXPECT_EQ(q[0], 3.0);
}

TEST(GePointTest, TransformsMoveThePointAndItsBox)
{
    double origin[2] = {0, 0};
    const double p[2] = {1, 0};
    CGePoint point(p);
    point.Rotate(origin, std::numbers::pi / 2);
    EXPECT_NEAR(point.x, 0.0, 1e-15);
    EXPECT_NEAR(point.y, 1.0, 1e-15);
    double v[2] = {2, 3};
    point.Translate(v);
    double f[2] = {2, -1};
    EXPECT_EQ(point.Scale(origin, f), &point);
    EXPECT_NEAR(point.x, 4.0, 1e-15);
    EXPECT_NEAR(point.y, -4.0, 1e-15);
    double a[2] = {0, 0}, b[2] = {1, 1};
    point.Mirror(a, b);
    EXPECT_NEAR(point.x, -4.0, 1e-12);
    EXPECT_NEAR(point.y, 4.0, 1e-12);
    double m[3][3] = {{1, 0, 0}, {0, 1, 0}, {10, 20, 1}};
    point.Transform(m, 0);
    BOX2<double> box;
    point.GetBox2d(&box);
    EXPECT_NEAR(box.xmin, 6.0, 1e-12);
    EXPECT_NEAR(box.xmax, 6.0, 1e-12);
    EXPECT_NEAR(box.ymin, 24.0, 1e-12);
}

}  // namespace
