#include "geometry/shapes2d/GeShape2d.h"

#include "framework/looker/Looker.h"
#include "framework/looker/SnapRecords.h"
#include "framework/looker/QVGlobal.h"
#include "platform/core/Archive.h"
#include "platform/core/File.h"
#include "testing/ParallelHandles.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

// A shape whose geometry is a box; counts how often its box is computed.
class BoxShape : public CGeShape2d {
public:
    BoxShape() = default;
    BoxShape(double x0, double y0, double x1, double y1) : geometry(x0, y0, x1, y1) {}

    void CalcBox2d() override
    {
        ++calcCalls;
        m_box = geometry;
    }
    void Invalidate() { m_box.InitEmpty(); }

    BOX2<double> geometry{0, 0, 0, 0};
    int calcCalls = 0;
};

// A shape that has no geometry at all: its box stays empty.
class NoBoxShape : public CGeShape2d {
public:
    void CalcBox2d() override {}
};

TEST(GeShape2dTest, NewShapeState)
{
    BoxShape s;
    EXPECT_EQ(s.GetHandle(), 0u);
    EXPECT_EQ(s.GetExtData(), 0u);
    EXPECT_EQ(s.GetType(), 0);
    EXPECT_EQ(s.Copy(), nullptr);
    double c[2] = {1, 2}, f[2] = {2, 2};
    EXPECT_EQ(s.Scale(c, f), nullptr);
    CSnapResult res;
    EXPECT_EQ(s.GetSnapPos(nullptr, res), 0);
    s.SetExtData(reinterpret_cast<std::uintptr_t>(&s));
    EXPECT_EQ(reinterpret_cast<BoxShape*>(s.GetExtData()), &s) << "the extra word holds an address";
}

TEST(GeShape2dTest, HandleCounterRules)
{
    CGeShape2d::SetMaxHandle(5);
    BoxShape a;
    a.CreateNewHandle();
    EXPECT_EQ(a.GetHandle(), 6u);
    EXPECT_EQ(CGeShape2d::GetMaxHandle(), 6u);
    a.CreateNewHandle();
    EXPECT_EQ(a.GetHandle(), 6u) << "a shape with a handle keeps it";
    EXPECT_EQ(CGeShape2d::GetMaxHandle(), 6u);

    CGeShape2d::SetMaxHandle(10);
    BoxShape b;
    b.SetHandle(3);
    EXPECT_EQ(b.GetHandle(), 3u);
    EXPECT_EQ(CGeShape2d::GetMaxHandle(), 10u) << "a smaller handle never lowers the counter";
    b.SetHandle(12);
    EXPECT_EQ(CGeShape2d::GetMaxHandle(), 12u);
    b.SetHandle(0x80000000u);
    EXPECT_EQ(CGeShape2d::GetMaxHandle(), 0x80000000u) << "compared unsigned";

    b.PastetHandle(nullptr);
    EXPECT_EQ(b.GetHandle(), 0x80000000u);
    b.PastetHandle(&a);
    EXPECT_EQ(b.GetHandle(), 6u);
    EXPECT_EQ(CGeShape2d::GetMaxHandle(), 0x80000000u) << "pasting leaves the counter";
    CGeShape2d::SetMaxHandle(0);
}

TEST(GeShape2dTest, HandlesStayUniqueWhenShapesAreMadeOnManyThreads)
{
    CGeShape2d::SetMaxHandle(0);
    constexpr int kThreads = 8, kEach = 50000;
    const auto handles = testing_handles::HandlesFromThreads(kThreads, kEach, [] {
        BoxShape s;
        s.CreateNewHandle();
        return s.GetHandle();
    });
    EXPECT_EQ(testing_handles::Duplicates(handles), 0u);
    EXPECT_EQ(CGeShape2d::GetMaxHandle(), static_cast<std::uint32_t>(kThreads * kEach));

    // Raising the counter concurrently keeps the largest value set.
    CGeShape2d::SetMaxHandle(0);
    std::vector<std::thread> pool;
    for (int i = 0; i < kThreads; ++i)
        pool.emplace_back([i] {
            BoxShape s;
            for (std::uint32_t h = 1; h <= 20000; ++h) s.SetHandle(h * kThreads + static_cast<std::uint32_t>(i));
        });
    for (auto& t : pool) t.join();
    EXPECT_EQ(CGeShape2d::GetMaxHandle(), 20000u * kThreads + kThreads - 1);
    CGeShape2d::SetMaxHandle(0);
}

TEST(GeShape2dTest, GetBox2dComputesOnceUntilInvalidated)
{
    BoxShape s(1, 2, 3, 4);
    s.GetBox2d(nullptr);
    EXPECT_EQ(s.calcCalls, 0) << "null output does nothing";
    BOX2<double> out;
    s.GetBox2d(&out);
    s.GetBox2d(&out);
    EXPECT_EQ(s.calcCalls, 1);
    EXPECT_EQ(out.xmax, 3.0);
    s.geometry = BOX2<double>(5, 5, 6, 7);
    s.GetBox2d(&out);
    EXPECT_EQ(out.xmax, 3.0) << "a stale box stays until made empty";
    s.Invalidate();
    s.GetBox2d(&out);
    s.GetBox2d(&out);
    EXPECT_EQ(s.calcCalls, 2);
    EXPECT_EQ(out.ymax, 7.0);
}

// A 200 x 100 pixel view showing world x in [0, 20] and y in [0, 10].
class ShapeViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        CLooker::SetView2D();
        view.SetViewRect(CRect(0, 0, 200, 100));
        view.SetScale(10.0);
        view.SetOrgPoint(10.0, 5.0);
        view.SetCheckBox(TRUE);
        gSetLooker(&view);
    }
    void TearDown() override
    {
        gSetLooker(nullptr);
        CLooker::SetView2D();
    }
    CLooker view;
};

TEST_F(ShapeViewTest, ViewRectOfFlatShapesIsTwoPixelsAcross)
{
    struct Row { const char* label; BOX2<double> box; CRect expected; };
    const Row rows[] = {
        {"horizontal line", {2, 3, 8, 3}, CRect(20, 69, 80, 71)},
        {"vertical line", {4, 1, 4, 6}, CRect(39, 40, 41, 90)},
        {"point", {10, 5, 10, 5}, CRect(99, 49, 101, 51)},
        {"box", {0, 0, 20, 10}, CRect(0, 0, 200, 100)},
    };
    for (const Row& r : rows) {
        BoxShape s(r.box.xmin, r.box.ymin, r.box.xmax, r.box.ymax);
        CRect rect(1, 1, 1, 1);
        s.GetViewRect(rect);
        EXPECT_TRUE(rect == r.expected) << r.label << ": " << rect.left << "," << rect.top << "," << rect.right
                                        << "," << rect.bottom;
    }
    // In a 3D view the four corners go through the 3D projection.
    CLooker::SetView3D();
    BoxShape line(2, 3, 8, 3);
    CRect rect;
    line.GetViewRect(rect);
    EXPECT_EQ(rect.Height(), 2);
    EXPECT_EQ(rect.Width(), 60);
}

TEST_F(ShapeViewTest, ViewRectIsEmptyWithoutBoxOrView)
{
    NoBoxShape none;
    CRect rect(1, 2, 3, 4);
    none.GetViewRect(rect);
    EXPECT_TRUE(rect.IsRectNull());
    gSetLooker(nullptr);
    BoxShape s(1, 1, 2, 2);
    rect.SetRect(1, 2, 3, 4);
    s.GetViewRect(rect);
    EXPECT_TRUE(rect.IsRectNull());
}

TEST_F(ShapeViewTest, IsEnableDraw2DAgainstTheViewBox)
{
    struct Row { const char* label; BOX2<double> box; int expected; };
    const Row rows[] = {
        {"inside", {5, 5, 6, 6}, 8},
        {"0.5 outside counts as drawable", {20.5, 3, 23, 4}, 1},
        {"0.9 below still meets within 1.0", {3, -3, 4, -0.9}, 1},
        {"1.5 outside", {21.5, 3, 22, 4}, 0},
        {"far away", {100, 100, 101, 101}, 0},
        {"straddling the border", {-5, 3, 5, 4}, 1},
        {"0.5 over the border is contained within 1.0", {-0.5, 1, 5, 2}, 8},
    };
    for (const Row& r : rows) {
        BoxShape s(r.box.xmin, r.box.ymin, r.box.xmax, r.box.ymax);
        EXPECT_EQ(s.IsEnableDraw2D(), r.expected) << r.label;
    }
    NoBoxShape none;
    EXPECT_EQ(none.IsEnableDraw2D(), 0) << "a shape without a box";
}

TEST_F(ShapeViewTest, IsEnableDraw2DModes)
{
    BoxShape far(100, 100, 101, 101);
    view.SetCheckBox(FALSE);
    EXPECT_EQ(far.IsEnableDraw2D(), 1) << "no box check";
    view.SetCheckBox(TRUE);
    CLooker::SetView3D();
    EXPECT_EQ(far.IsEnableDraw2D(), 1) << "3D view";
    CLooker::SetView2D();
    gSetLooker(nullptr);
    EXPECT_EQ(far.IsEnableDraw2D(), 0) << "no view";
}

TEST_F(ShapeViewTest, IsEnableDraw2DAgainstTheClipRect)
{
    // The upper-left quadrant of the window: world x 0..10, y 5..10.
    view.SetClipRect(CRect(0, 0, 100, 50));
    struct Row { const char* label; BOX2<double> box; int expected; };
    const Row rows[] = {
        {"inside the clip", {2, 6, 3, 7}, 8},
        {"straddling the clip", {8, 6, 12, 7}, 1},
        {"outside the clip but in view", {15, 1, 16, 2}, 0},
        {"horizontal line inside", {2, 8, 4, 8}, 8},
    };
    for (const Row& r : rows) {
        BoxShape s(r.box.xmin, r.box.ymin, r.box.xmax, r.box.ymax);
        EXPECT_EQ(s.IsEnableDraw2D(), r.expected) << r.label;
    }
    NoBoxShape none;
    EXPECT_EQ(none.IsEnableDraw2D(), 0) << "a shape without a box";
}

// Stores the shape's record followed by a marker, then loads both into `into`.
int RoundTrip(BoxShape& from, BoxShape& into, std::int32_t storeVersion, std::int32_t loadVersion,
              bool withSettings)
{
    CQVGlobal settings;
    gSetQVGlobal(&settings);
    CMemFile file;
    {
        settings.SetVersion(storeVersion);
        CArchive ar(&file, CArchive::store);
        from.Serialize(ar);
        ar << int(0x5A5A5A5A);
        ar.Close();
    }
    file.SeekToBegin();
    int marker = 0;
    {
        settings.SetVersion(loadVersion);
        if (!withSettings) gSetQVGlobal(nullptr);
        CArchive ar(&file, CArchive::load);
        into.Serialize(ar);
        ar >> marker;
        ar.Close();
    }
    gSetQVGlobal(nullptr);
    return marker;
}

TEST(GeShape2dArchiveTest, HandleIsReadFromVersion6Only)
{
    CGeShape2d::SetMaxHandle(3);
    BoxShape stored;
    stored.SetHandle(0x01020304u);
    CGeShape2d::SetMaxHandle(3);

    BoxShape v6;
    EXPECT_EQ(RoundTrip(stored, v6, 6, 6, true), 0x5A5A5A5A);
    EXPECT_EQ(v6.GetHandle(), 0x01020304u);
    EXPECT_EQ(CGeShape2d::GetMaxHandle(), 3u) << "loading leaves the counter";

    BoxShape v12;
    EXPECT_EQ(RoundTrip(stored, v12, 5, 12, true), 0x5A5A5A5A) << "storing writes the handle whatever the version";
    EXPECT_EQ(v12.GetHandle(), 0x01020304u);

    // Version 5 records hold no handle: nothing is read, so the next field
    // read is the handle's bytes.
    BoxShape v5;
    EXPECT_EQ(RoundTrip(stored, v5, 6, 5, true), 0x01020304);
    EXPECT_EQ(v5.GetHandle(), 0u);

    BoxShape noSettings;
    EXPECT_EQ(RoundTrip(stored, noSettings, 6, 6, false), 0x01020304);
    EXPECT_EQ(noSettings.GetHandle(), 0u);
    CGeShape2d::SetMaxHandle(0);
}

TEST(GeShape2dArchiveTest, StoredBytesAreTheLittleEndianHandle)
{
    BoxShape s;
    s.SetHandle(0xA1B2C3D4u);
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        s.Serialize(ar);
        ar.Close();
    }
    ASSERT_EQ(file.GetLength(), 4u);
    file.SeekToBegin();
    unsigned char bytes[4] = {};
    file.Read(bytes, 4);
    EXPECT_EQ(bytes[0], 0xD4);
    EXPECT_EQ(bytes[3], 0xA1);
    CGeShape2d::SetMaxHandle(0);
}

TEST(GeShape2dArchiveTest, TruncatedRecordThrowsTheArchiveException)
{
    CQVGlobal settings;
    settings.SetVersion(6);
    gSetQVGlobal(&settings);
    BYTE two[2] = {1, 2};
    CMemFile file(two, 2);
    BoxShape s;
    int cause = CArchiveException::none;
    try {
        CArchive ar(&file, CArchive::load);
        s.Serialize(ar);
    } catch (const CArchiveException& e) {
        cause = e.m_cause;
    }
    gSetQVGlobal(nullptr);
    EXPECT_EQ(cause, CArchiveException::endOfFile);
}

}  // namespace
