// The 3D curve entity: base type, box, copy and its archive record.
#include "framework/db/DbCurve3d.h"
#include "geometry/shapes3d/GeLine3d.h"
#include "platform/core/Archive.h"
#include "platform/core/File.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

CGeLine3d* Line3d(double x0, double y0, double z0, double x1, double y1, double z1)
{
    double s[3] = {x0, y0, z0}, e[3] = {x1, y1, z1};
    return new CGeLine3d(s, e);
}

std::vector<BYTE> Store(CObject* object)
{
    CMemFile file(1024);
    CArchive ar(&file, CArchive::store);
    ar.WriteObject(object);
    ar.Close();
    return std::vector<BYTE>(file.GetData(), file.GetData() + file.GetLength());
}

CObject* Load(std::vector<BYTE>& bytes)
{
    CMemFile file(bytes.data(), static_cast<UINT>(bytes.size()));
    CArchive ar(&file, CArchive::load);
    return ar.ReadObject(nullptr);
}

TEST(DbCurve3dTest, IsACurveEntityOfBaseTypeHex800WithTheBoxOfItsPoints)
{
    CDbCurve3d entity(Line3d(1, -2, 3, 4, 6, -5));
    EXPECT_EQ(entity.GetBaseType(), 0x800);
    EXPECT_EQ(entity.GetBaseType() & 0xE, 0) << "not one of the fillable 2D kinds";
    BOX2<double> b;
    ASSERT_TRUE(entity.GetBox(&b));
    EXPECT_EQ(b.xmin, 1);
    EXPECT_EQ(b.ymin, -2);
    EXPECT_EQ(b.xmax, 4);
    EXPECT_EQ(b.ymax, 6);
    BOX3<double> b3;
    ASSERT_TRUE(entity.GetBox3D(&b3));
    EXPECT_EQ(b3.zmin, -5);
    EXPECT_EQ(b3.zmax, 3);

    CDbCurve3d empty;
    EXPECT_FALSE(empty.GetBox(&b));
    EXPECT_FALSE(empty.GetBox3D(&b3));
}

TEST(DbCurve3dTest, CopyAndRecordKeepTheCurve)
{
    CDbCurve3d entity(Line3d(0, 0, 0, 3, 4, 12));
    entity.SetColor(RGB(10, 20, 30));
    std::unique_ptr<CDbEntity> copy(entity.Copy());
    auto* c = dynamic_cast<CDbCurve3d*>(copy.get());
    ASSERT_NE(c, nullptr);
    ASSERT_NE(c->GetCurve(), nullptr);
    EXPECT_NE(c->GetCurve(), entity.GetCurve()) << "the copy owns a curve of its own";
    EXPECT_DOUBLE_EQ(c->GetCurve()->EvTotalArcLength(), 13.0);
    EXPECT_EQ(c->GetColor(), RGB(10, 20, 30));

    std::vector<BYTE> bytes = Store(&entity);
    std::unique_ptr<CObject> loaded(Load(bytes));
    auto* l = dynamic_cast<CDbCurve3d*>(loaded.get());
    ASSERT_NE(l, nullptr);
    ASSERT_NE(l->GetCurve(), nullptr);
    EXPECT_DOUBLE_EQ(l->GetCurve()->EvTotalArcLength(), 13.0);
    double e[3] = {0, 0, 0};
    l->GetCurve()->GetEndPoint(e);
    EXPECT_EQ(e[2], 12.0);
}

}  // namespace
