// The 3D offset curve: an arc's offset is the concentric arc (points, derivatives
// against finite differences, display string), Reverse twice restores it, transforms
// move it as the offset of the moved base, and its archive record byte for byte.
#include "framework/looker/QVGlobal.h"
#include "framework/numerak/Point3D.h"
#include "geometry/shapes3d/GeArc3d.h"
#include "geometry/shapes3d/GeLine3d.h"
#include "geometry/shapes3d/GeOffsetCrv3d.h"
#include "platform/core/Archive.h"
#include "platform/core/File.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <array>
#include <cstring>
#include <memory>
#include <vector>

namespace {

double kUp[3] = {0.0, 0.0, 1.0};

// The arc of radius 5 about (1, 2, 3) from angle 0.3 over 2 radians, counter-clockwise.
CGeArc3d* MakeArc()
{
    auto* arc = new CGeArc3d;
    double c[3] = {1, 2, 3};
    arc->CreateArcXY(c, 5.0, 0.3, 2.0);
    arc->DiscreteMe(gGetCrvShowDiscTol());
    return arc;
}

TEST(GeOffsetCrv3dTest, ArcOffsetIsTheConcentricArc)
{
    // A positive distance lies left of travel: towards the centre of a counter-clockwise arc.
    for (double dist : {1.5, -2.0, 0.0}) {
        CGeOffsetCrv3d off(MakeArc(), dist, kUp);
        const double c[3] = {1, 2, 3};
        for (int i = 0; i <= 20; ++i) {
            const double t = i / 20.0;
            double p[3], q[3];
            off.GetPointAt(t, p, 0);
            off.GetBase()->GetPointAt(t, q, 0);
            EXPECT_NEAR(P3D_Dist(p, c), 5.0 - dist, 1e-9) << "dist " << dist << " t " << t;
            EXPECT_NEAR(P3D_Dist(p, q), std::fabs(dist), 1e-9) << "dist " << dist << " t " << t;
        }
        // Derivatives against central differences of the offset point.
        for (double t : {0.1, 0.5, 0.9}) {
            double p[3], d1[3], d2[3], a[3], b[3], e1[3], e2[3];
            off.Ev2Der(t, p, d1, d2, 1);
            const double h = 1e-6;
            off.GetPointAt(t + h, a, 0);
            off.GetPointAt(t - h, b, 0);
            for (int k = 0; k < 3; ++k) EXPECT_NEAR(d1[k], (a[k] - b[k]) / (2 * h), 1e-5) << "dist " << dist;
            off.GetBase()->Ev2Der(t, e1, e2, e1, 1);
            EXPECT_NEAR(P3D_Dist(p, c), 5.0 - dist, 1e-9);
        }
        // The display string lies on the concentric circle and within the display tolerance.
        off.DiscreteMe(0.01);
        ASSERT_GT(off.m_strDisp.m_nCount, 2);
        for (int i = 0; i < off.m_strDisp.m_nCount; ++i)
            EXPECT_NEAR(P3D_Dist(off.m_strDisp.m_pPoints[i], c), 5.0 - dist, 1e-9);
        for (int i = 1; i < off.m_strDisp.m_nCount; ++i) {
            double m[3];
            P3D_Lerp(off.m_strDisp.m_pPoints[i - 1], off.m_strDisp.m_pPoints[i], 0.5, m);
            EXPECT_LT((5.0 - dist) - P3D_Dist(m, c), gGetCrvShowDiscTol() + 1e-9);
        }
    }
}

TEST(GeOffsetCrv3dTest, ReverseTwiceRestoresAndStaysOnTheSameSide)
{
    CGeOffsetCrv3d off(MakeArc(), 1.0, kUp);
    double before[3], after[3], reversed[3];
    off.GetPointAt(0.25, before, 0);
    off.Reverse();
    EXPECT_EQ(off.GetDistance(), -1.0);
    off.GetPointAt(0.75, reversed, 0);
    EXPECT_LT(P3D_Dist(before, reversed), 1e-9) << "the same point from the other end";
    off.Reverse();
    off.GetPointAt(0.25, after, 0);
    EXPECT_EQ(off.GetDistance(), 1.0);
    EXPECT_LT(P3D_Dist(before, after), 1e-12);
}

TEST(GeOffsetCrv3dTest, TransformedOffsetIsTheOffsetOfTheTransformedCurve)
{
    struct Row {
        const char* label;
        void (*apply)(CGeCurve3d&);
    } rows[] = {
        {"rotate", [](CGeCurve3d& c) { double o[3] = {4, -1, 0}; c.Rotate(o, 0.7); }},
        {"rotate3d", [](CGeCurve3d& c) { double o[3] = {1, 1, 1}, ax[3] = {1, 2, 0.5}; c.Rotate3D(o, ax, 1.1); }},
        {"mirror", [](CGeCurve3d& c) { double p[3] = {0, 0, 0}, q[3] = {1, 3, 0}; c.Mirror(p, q); }},
        {"mirror3d", [](CGeCurve3d& c) { double p[3] = {0, 1, 0}, n[3] = {0.3, 1, 0.2}; c.Mirror3D(p, n); }},
        {"translate", [](CGeCurve3d& c) { double v[3] = {3, -2, 7}; c.Translate3D(v); }},
    };
    for (const Row& row : rows) {
        // The oracle: the offset's own points, moved as points.
        CGeOffsetCrv3d off(MakeArc(), 1.25, kUp);
        std::vector<std::array<double, 3>> moved;
        for (int i = 0; i <= 8; ++i) {
            std::array<double, 3> p{};
            off.GetPointAt(i / 8.0, p.data(), 0);
            moved.push_back(p);
        }
        row.apply(off);
        for (int i = 0; i <= 8; ++i) {
            double a[3] = {moved[i][0], moved[i][1], moved[i][2]}, b[3] = {a[0] + 1e-9, a[1], a[2]};
            CGeLine3d carrier(a, b);
            row.apply(carrier);
            double expected[3], got[3];
            carrier.GetStartPoint(expected);
            off.GetPointAt(i / 8.0, got, 0);
            EXPECT_LT(P3D_Dist(expected, got), 1e-9) << row.label << " point " << i;
        }
    }
}

TEST(GeOffsetCrv3dTest, WithoutABaseEverythingIsDefault)
{
    CGeOffsetCrv3d off;
    EXPECT_EQ(off.Copy(), nullptr);
    EXPECT_EQ(off.GetSegmentCount(), 1);
    double p[3] = {7, 7, 7};
    off.GetPointAt(0.5, p, 0);
    EXPECT_EQ(p[0], 7.0);
    off.DiscreteMe(0.01);
    EXPECT_EQ(off.m_strDisp.m_nCount, 0);
    CGeCurve3d* parts[2] = {&off, &off};
    CGeOffsetCrv3d withBase(MakeArc(), 1.0, kUp);
    withBase.Split(0.5, parts, 1);
    EXPECT_EQ(parts[0], nullptr);
    EXPECT_EQ(parts[1], nullptr);
    double t = 3.0;
    unsigned int seg = 9;
    EXPECT_EQ(withBase.EvParam(1.0, t, seg, 0.0), 0);
    EXPECT_EQ(t, 3.0);
}

TEST(GeOffsetCrv3dTest, DiscretisationEndsOnACusp)
{
    // Offsetting a small circle inwards past its radius folds the curve into a cusp
    // ring; the refinement must still end.
    auto* arc = new CGeArc3d;
    double c[3] = {0, 0, 0};
    arc->CreateArcXY(c, 0.5, 0.0, 6.283185307179586);
    arc->DiscreteMe(0.01);
    CGeOffsetCrv3d off(arc, 0.5, kUp);  // every point lands on the centre
    off.DiscreteMe(0.01);
    EXPECT_GT(off.m_strDisp.m_nCount, 1);
    EXPECT_LE(off.m_strDisp.m_nCount, 1 << 16);
}

using Bytes = std::vector<std::uint8_t>;

struct Rec {
    Bytes b;
    template <class T>
    Rec& put(T v)
    {
        std::uint8_t raw[sizeof(T)];
        std::memcpy(raw, &v, sizeof(T));
        b.insert(b.end(), raw, raw + sizeof(T));
        return *this;
    }
    Rec& cls(const char* name)
    {
        put<std::uint16_t>(0xFFFF).put<std::uint16_t>(1).put<std::uint16_t>(static_cast<std::uint16_t>(std::strlen(name)));
        b.insert(b.end(), name, name + std::strlen(name));
        return *this;
    }
    Rec& head(const BOX3<double>& box, std::int32_t flags, std::uint32_t handle)
    {
        return put(box.xmin).put(box.ymin).put(box.zmin).put(box.xmax).put(box.ymax).put(box.zmax).put(flags).put(handle);
    }
    Rec& pt(const double* p) { return put(p[0]).put(p[1]).put(p[2]); }
};

TEST(GeOffsetCrv3dTest, ArchiveRecordHoldsTheBaseAsAnObjectList)
{
    gNewQVGlobal()->SetVersion(kDocVersionCurrent);
    double s[3] = {1, 2, 3}, e[3] = {4, 5, 6}, dir[3] = {0, 0.6, 0.8};
    auto* line = new CGeLine3d(s, e);
    line->m_nFlags = 5;
    line->SetHandle(77);
    CGeOffsetCrv3d off(line, -2.5, dir);
    off.m_nFlags = 9;
    off.SetHandle(78);
    off.DiscreteMe(0.01);
    off.CalcBox();
    BOX3<double> offBox, lineBox;
    off.GetBox(&offBox);
    line->GetBox(&lineBox);

    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        const CObject* ob = &off;
        ar << ob;
        ar.Close();
    }
    const Bytes bytes(file.GetData(), file.GetData() + file.GetLength());
    Rec expected;
    expected.cls("CGeOffsetCrv3d").head(offBox, 9, 78);
    expected.put<std::uint16_t>(1).cls("CGeLine3d").head(lineBox, 5, 77).pt(s).pt(e);
    expected.put(-2.5).pt(dir);
    EXPECT_EQ(bytes, expected.b);

    // Loading gives the same record back, with an empty display string.
    Bytes copy = bytes;
    CMemFile in(copy.data(), static_cast<UINT>(copy.size()));
    CArchive ar(&in, CArchive::load);
    CObject* ob = nullptr;
    ar >> ob;
    std::unique_ptr<CObject> owner(ob);
    auto* loaded = dynamic_cast<CGeOffsetCrv3d*>(ob);
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->m_strDisp.m_nCount, 0);
    EXPECT_EQ(loaded->GetDistance(), -2.5);
    ASSERT_NE(dynamic_cast<CGeLine3d*>(loaded->GetBase()), nullptr);
    double p[3], q[3];
    loaded->GetPointAt(0.4, p, 0);
    off.GetPointAt(0.4, q, 0);
    EXPECT_LT(P3D_Dist(p, q), 1e-15);
    looker::testing::ResetQVGlobal();
}

}  // namespace
