// Snapping of the 3D line, polyline and arc: end points (direct and aligned), middles,
// perpendicular feet and centres, one table per class.
#include "framework/looker/Looker.h"
#include "framework/looker/SnapRecords.h"
#include "geometry/shapes2d/tests/SnapTestUtil.h"
#include "geometry/shapes3d/GeArc3d.h"
#include "geometry/shapes3d/GeLine3d.h"
#include "geometry/shapes3d/GePolyline3d.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

struct Item {
    int kind;
    double x, y, z;
};

struct Row {
    std::string label;
    int mode;
    int align;
    double cursor[2];
    bool hasBase;
    double base[3];
    std::vector<Item> expected;
};

// The view and snap request of the 2D curve tests (aperture 0.5).
class Snap3dTest : public snaptest::SnapFixture<Item> {
protected:
    void Check(CGeCurve3d& curve, const std::vector<Row>& rows)
    {
        for (const Row& row : rows) {
            CSnapResult result;
            m_snap.m_nSnapMode = row.mode;
            m_snap.m_bAlign = row.align;
            m_snap.m_ptCursor[0] = row.cursor[0];
            m_snap.m_ptCursor[1] = row.cursor[1];
            m_base.m_bHasBase = row.hasBase;
            for (int j = 0; j < 3; ++j) m_base.m_ptBase[j] = row.base[j];
            EXPECT_EQ(curve.GetSnapPos(&m_snap, result), row.expected.empty() ? 0 : 1) << row.label;
            ASSERT_EQ(result.GetSize(), static_cast<int>(row.expected.size())) << row.label;
            for (int i = 0; i < result.GetSize(); ++i) {
                const CSnapItem& got = result.GetAt(i);
                const Item& want = row.expected[static_cast<size_t>(i)];
                EXPECT_EQ(got.kind, want.kind) << row.label << " item " << i;
                EXPECT_NEAR(got.pos.x, want.x, 1e-9) << row.label << " item " << i;
                EXPECT_NEAR(got.pos.y, want.y, 1e-9) << row.label << " item " << i;
                EXPECT_NEAR(got.pos.z, want.z, 1e-9) << row.label << " item " << i;
                EXPECT_EQ(got.owner, nullptr) << row.label;
            }
        }
        // Without a view or base record nothing is offered.
        CSnapResult result;
        m_snap.m_nSnapMode = kSnapEnd | kSnapMid | kSnapCen | kSnapPerp;
        m_snap.m_pLooker = nullptr;
        EXPECT_EQ(curve.GetSnapPos(&m_snap, result), 0);
        m_snap.m_pLooker = &m_looker;
        m_snap.m_pBase = nullptr;
        EXPECT_EQ(curve.GetSnapPos(&m_snap, result), 0);
        m_snap.m_pBase = &m_base;
        EXPECT_EQ(result.GetSize(), 0);
    }
};

TEST_F(Snap3dTest, Line)
{
    double s[3] = {0, 0, 1}, e[3] = {10, 0, 3};
    CGeLine3d line(s, e);
    Check(line, {
        {"start under the cursor", kSnapEnd, 0, {0.2, 0.1}, false, {}, {{kSnapEnd, 0, 0, 1}}},
        {"end under the cursor", kSnapEnd, 1, {9.9, 0.3}, false, {}, {{kSnapEnd, 10, 0, 3}}},
        {"aligned in y, far in x: both ends", kSnapEnd, 1, {-30, 0.2}, false, {},
         {{kSnapEnd, 0, 0, 1}, {kSnapEnd, 10, 0, 3}}},
        {"aligned with the start in x", kSnapEnd, 1, {0.3, 40}, false, {}, {{kSnapEnd, 0, 0, 1}}},
        {"not aligned without the switch", kSnapEnd, 0, {-30, 0.2}, false, {}, {}},
        {"middle", kSnapMid, 0, {5, 0.4}, false, {}, {{kSnapMid, 5, 0, 2}}},
        // The foot in space: t = (4, 7, 1) · (10, 0, 2) / 104 = 42 / 104.
        {"perpendicular foot", kSnapPerp, 0, {4, 0}, true, {4, 7, 2}, {{kSnapPerp, 420.0 / 104, 0, 1 + 84.0 / 104}}},
        {"foot exactly at an end is not offered", kSnapPerp, 0, {0, 0}, true, {0, 5, 1}, {}},
        {"no base point", kSnapPerp, 0, {4, 0}, false, {4, 7, 2}, {}},
    });
}

TEST_F(Snap3dTest, Polyline)
{
    double pts[3][3] = {{0, 0, 0}, {10, 0, 0}, {10, 10, 5}};
    CGePolyline3d pl;
    pl.Create(3, pts);
    Check(pl, {
        {"the vertex under the cursor", kSnapEnd, 0, {10.2, 0.1}, false, {}, {{kSnapEnd, 10, 0, 0}}},
        {"aligned: every vertex level with the cursor", kSnapEnd, 1, {10.3, 50}, false, {},
         {{kSnapEnd, 10, 0, 0}, {kSnapEnd, 10, 10, 5}}},
        {"middle of the second segment", kSnapMid, 0, {10, 5}, false, {}, {{kSnapMid, 10, 5, 2.5}}},
        {"perpendicular foot on the first segment", kSnapPerp, 0, {3, 0}, true, {3, -8, 0}, {{kSnapPerp, 3, 0, 0}}},
    });
}

TEST_F(Snap3dTest, Arc)
{
    double c[3] = {0, 0, 2};
    CGeArc3d arc;
    ASSERT_EQ(arc.CreateArcXY(c, 5, 0, 1.5707963267948966), 1);
    arc.DiscreteMe(0.01);
    Check(arc, {
        {"start", kSnapEnd, 0, {5, 0.2}, false, {}, {{kSnapEnd, 5, 0, 2}}},
        {"end", kSnapEnd, 0, {0.1, 5.1}, false, {}, {{kSnapEnd, 0, 5, 2}}},
        {"aligned with the start only", kSnapEnd, 1, {5.2, -20}, false, {}, {{kSnapEnd, 5, 0, 2}}},
        {"centre", kSnapCen, 0, {0.3, 0.3}, false, {}, {{kSnapCen, 0, 0, 2}}},
        {"centre aligned in view", kSnapCen, 1, {0.2, 300}, false, {}, {{kSnapCen, 0, 0, 2}}},
        {"centre not aligned", kSnapCen, 1, {3, 3}, false, {}, {}},
    });
}

}  // namespace
