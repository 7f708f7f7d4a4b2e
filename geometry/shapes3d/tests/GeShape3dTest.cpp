#include "framework/looker/QVGlobal.h"
#include "geometry/shapes3d/GeArc3d.h"
#include "geometry/shapes3d/GeCombCurve3d.h"
#include "geometry/shapes3d/GeLine3d.h"
#include "geometry/shapes3d/GeLoop3d.h"
#include "geometry/shapes3d/GeNrbCrv3d.h"
#include "geometry/shapes3d/GePolyline3d.h"
#include "geometry/shapes3d/GeSurf.h"
#include "geometry/shapes3d/GeTrimLoop.h"
#include "platform/core/Archive.h"
#include "platform/core/File.h"
#include "testing/ParallelHandles.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

namespace {

struct TypeRow {
    const char* label;
    std::function<CGeShape3d*()> make;
    int type;
};

TEST(GeShape3dTest, TypeCodesAreOneBitPerClassAboveThe2DCodes)
{
    const TypeRow rows[] = {
        {"line", [] { return new CGeLine3d; }, 0x800},
        {"arc", [] { return new CGeArc3d; }, 0x1000},
        {"polyline", [] { return new CGePolyline3d; }, 0x2000},
        {"nurbs", [] { return new CGeNrbCrv3d; }, 0x4000},
        {"composite", [] { return new CGeCombCurve3d; }, 0x10000},
        {"loop", [] { return new CGeLoop3d; }, 0x20000},
        {"trim loop", [] { return new CGeTrimLoop; }, 0x100000},
        {"trim bound", [] { return new CGeTrimBnd; }, 0x200000},
        {"surface base", [] { return new CGeSurf; }, 0},
    };
    for (const auto& row : rows) {
        std::unique_ptr<CGeShape3d> shape(row.make());
        EXPECT_EQ(shape->GetType(), row.type) << row.label;
    }
}

TEST(GeShape3dTest, EveryNewShapeAndEveryCopyTakesTheNextHandle)
{
    const unsigned int n = CGeShape3d::GetMaxHandle();
    double p[3] = {0, 0, 0}, q[3] = {1, 0, 0};
    CGeLine3d a(p, q);
    CGePolyline3d b;
    EXPECT_EQ(a.GetHandle(), n + 1);
    EXPECT_EQ(b.GetHandle(), n + 2);
    std::unique_ptr<CGeShape3d> copy(a.Copy());
    EXPECT_EQ(copy->GetHandle(), n + 3) << "a copy never shares the source's handle";
    EXPECT_EQ(CGeShape3d::GetMaxHandle(), n + 3);

    // A composite copy gives handles to itself and to each member copy.
    CGeCombCurve3d comb;
    comb.AddTail(new CGeLine3d(p, q));
    const unsigned int before = CGeShape3d::GetMaxHandle();
    std::unique_ptr<CGeShape3d> combCopy(comb.Copy());
    EXPECT_EQ(CGeShape3d::GetMaxHandle(), before + 2);
}

TEST(GeShape3dTest, HandlesStayUniqueWhenShapesAreMadeOnManyThreads)
{
    const unsigned int n = CGeShape3d::GetMaxHandle();
    constexpr int kThreads = 8, kEach = 50000;
    const auto handles = testing_handles::HandlesFromThreads(kThreads, kEach, [] {
        CGePolyline3d shape;
        return shape.GetHandle();
    });
    EXPECT_EQ(testing_handles::Duplicates(handles), 0u);
    EXPECT_EQ(CGeShape3d::GetMaxHandle(), n + kThreads * kEach);
}

TEST(GeShape3dTest, SettingAHandleChangesNoCounter)
{
    CGeLine3d line;
    const unsigned int n = CGeShape3d::GetMaxHandle();
    line.SetHandle(n + 1000);
    EXPECT_EQ(line.GetHandle(), n + 1000);
    EXPECT_EQ(CGeShape3d::GetMaxHandle(), n);

    CGeShape3d::SetMaxHandle(5000);
    CGeArc3d next;
    EXPECT_EQ(next.GetHandle(), 5001u);
}

TEST(GeShape3dTest, BoxIsComputedOnFirstRequest)
{
    CGePolyline3d pl;
    double pts[3][3] = {{0, 0, 0}, {2, -1, 3}, {1, 4, -2}};
    pl.Create(3, pts);
    pl.m_box.InitEmpty();  // as if never computed
    BOX3<double> box;
    pl.GetBox(&box);
    EXPECT_DOUBLE_EQ(box.xmin, 0);
    EXPECT_DOUBLE_EQ(box.ymax, 4);
    EXPECT_DOUBLE_EQ(box.zmin, -2);
    BOX2<double> box2;
    pl.GetBox2d(&box2);
    EXPECT_DOUBLE_EQ(box2.xmax, 2);
    EXPECT_DOUBLE_EQ(box2.ymin, -1);
    pl.GetBox(nullptr);  // no crash
}

// Header round trip under the document versions that gate it.
TEST(GeShape3dTest, HeaderHandleIsReadOnlyFromVersion6)
{
    struct Row {
        int version;
        bool handleRestored;
    };
    for (const Row row : {Row{5, false}, Row{6, true}, Row{12, true}}) {
        CQVGlobal global;
        global.SetVersion(row.version);
        gSetQVGlobal(&global);

        double p[3] = {1, 2, 3}, q[3] = {4, 5, 6};
        CGeLine3d src(p, q);
        src.m_nFlags = 7;
        src.SetHandle(777);
        CMemFile file;
        {
            CArchive ar(&file, CArchive::store);
            src.CGeShape3d::Serialize(ar);
        }
        file.SeekToBegin();
        CGeLine3d dst;
        const unsigned int own = dst.GetHandle();
        const unsigned int counter = CGeShape3d::GetMaxHandle();
        {
            // Below version 6 the trailing handle is left unread, as an old record lacks it.
            CArchive ar(&file, CArchive::load);
            dst.CGeShape3d::Serialize(ar);
        }
        const std::string label = "version " + std::to_string(row.version);
        EXPECT_DOUBLE_EQ(dst.m_box.xmin, 1) << label;
        EXPECT_DOUBLE_EQ(dst.m_box.zmax, 6) << label;
        EXPECT_EQ(dst.m_nFlags, 7) << label;
        EXPECT_EQ(dst.GetHandle(), row.handleRestored ? 777u : own) << label;
        EXPECT_EQ(CGeShape3d::GetMaxHandle(), counter) << label << ": loading changes no counter";
        gSetQVGlobal(nullptr);
    }
}

}  // namespace
