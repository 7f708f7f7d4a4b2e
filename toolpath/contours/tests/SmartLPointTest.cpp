#include "LoopOracle.h"

#include "toolpath/contours/CutPath.h"
#include "toolpath/contours/SmartLPoint.h"
#include "toolpath/contours/SmartLoop.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

namespace {

// The square 0..10 scanned every 2: lines 1..4 at y 2, 4, 6, 8, one segment each.
class SquareScan : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_loop.reset(looptest::PolygonLoop({{0, 0}, {10, 0}, {10, 10}, {0, 10}}));
        for (CSmartLPoint* p = GenerateScanPoint(m_loop.get(), 2, 2000, &m_lines); p; p = p->chainNext)
            m_points.push_back(p);
        m_index.assign(m_lines + 1, nullptr);
        for (CSmartLPoint* p : m_points)
            if (!m_index[p->lineId])
                m_index[p->lineId] = p;
    }
    CSmartLPoint* Start(unsigned line) const { return m_points[2 * (line - 1)]; }
    CSmartLPoint* End(unsigned line) const { return m_points[2 * (line - 1) + 1]; }

    std::unique_ptr<CSmartLoop> m_loop;
    std::vector<CSmartLPoint*> m_points;
    std::vector<CSmartLPoint*> m_index;
    unsigned m_lines = 0;
};

TEST_F(SquareScan, PointsPairUpOnTheirLines)
{
    ASSERT_EQ(m_lines, 4u);
    ASSERT_EQ(m_points.size(), 8u);
    for (unsigned line = 1; line <= 4; ++line) {
        EXPECT_DOUBLE_EQ(Start(line)->x, 0) << line;
        EXPECT_DOUBLE_EQ(End(line)->x, 10) << line;
        EXPECT_DOUBLE_EQ(End(line)->y, 2.0 * line) << line;
        EXPECT_EQ(Start(line)->nextOnLine, End(line)) << line;
        EXPECT_EQ(End(line)->prevOnLine, Start(line)) << line;
        EXPECT_EQ(ScanPartner(End(line)), Start(line)) << line;
    }
}

TEST_F(SquareScan, WalksFindTheNextTurningPointAndItsDistance)
{
    CSmartLPoint* out = nullptr;
    double d = 0;
    ASSERT_EQ(End(1)->GetNNextPoint(out, d, nullptr, 0), 1);
    EXPECT_EQ(out, End(2));
    EXPECT_NEAR(d, 2, 1e-12);
    ASSERT_EQ(End(1)->GetNPrevPoint(out, d, nullptr, 0), 1);
    EXPECT_EQ(out, Start(1));
    EXPECT_NEAR(d, 14, 1e-12);
    // Used points are passed over.
    End(2)->kind = scanpt::kUsed;
    ASSERT_EQ(End(1)->GetNNextPoint(out, d, nullptr, 0), 1);
    EXPECT_EQ(out, End(3));
    EXPECT_NEAR(d, 4, 1e-12);
}

TEST_F(SquareScan, ECutPointsLackOverlapOnANeighbouringLine)
{
    CSmartLPoint** lines = m_index.data();
    EXPECT_EQ(End(1)->IsECutPoint(End(1), lines, m_lines), 1) << "first line";
    EXPECT_EQ(End(1)->IsECutPoint(End(4), lines, m_lines), 1) << "last line";
    EXPECT_EQ(End(1)->IsECutPoint(End(2), lines, m_lines), 0) << "overlaps both";
    EXPECT_EQ(End(1)->IsECutPoint(End(2), nullptr, m_lines), 1) << "no index";
    // Line 1 used: line 2 no longer has an interval below it. The indexed walk from line
    // 1's end passes line 3 (overlapped both ways) and reaches line 2.
    Start(1)->kind = End(1)->kind = scanpt::kUsed;
    EXPECT_EQ(End(1)->IsECutPoint(Start(2), lines, m_lines), 1);
    EXPECT_EQ(End(1)->IsECutPoint(End(3), lines, m_lines), 0);
    CSmartLPoint* out = nullptr;
    double d = 0;
    ASSERT_EQ(End(1)->GetNNextPoint(out, d, lines, m_lines), 1);
    EXPECT_EQ(out, End(2));
}

TEST_F(SquareScan, BoundaryRunsCopyTheBoundaryBetweenTwoPoints)
{
    for (CSmartSect* s = m_loop->contour->head; s; s = s->next)
        s->mark = 0x40;
    CSmartCurve fwd, back;
    End(1)->AddNextSect(fwd, End(2));
    ASSERT_EQ(fwd.count, 1);
    EXPECT_NEAR(fwd.GetLength(), 2, 1e-12);
    EXPECT_TRUE(fwd.head->mark & 0x40);
    End(1)->AddPrevSect(back, Start(1));
    ASSERT_EQ(back.count, 3);
    EXPECT_NEAR(back.GetLength(), 14, 1e-12);
    double a[2], b[2];
    back.head->GetPoint(0, a);
    back.tail->GetPoint(1, b);
    EXPECT_NEAR(a[0], 10, 1e-12);
    EXPECT_NEAR(a[1], 2, 1e-12);
    EXPECT_NEAR(b[0], 0, 1e-12);
    EXPECT_NEAR(b[1], 2, 1e-12);
    // Neighbours along the boundary.
    EXPECT_EQ(End(1)->IsSECutPoint(End(2)), 1);
    EXPECT_EQ(End(2)->IsSECutPoint(Start(4)), 0);
}

TEST(SmartLPoint, AWalkFromTheOnlyPointComesBackEmpty)
{
    std::unique_ptr<CSmartLoop> L(looptest::PolygonLoop({{0, 0}, {10, 0}, {10, 10}, {0, 10}}));
    CSmartSect* s = L->contour->head->next;
    const double p[3] = {10, 5, 0.5};
    auto* only = new CSmartLPoint(p, scanpt::kEnd, 1);
    only->sect = s;
    ASSERT_EQ(s->AddPoint(only), 1);
    CSmartLPoint* out = nullptr;
    double d = 7;
    EXPECT_EQ(only->GetNNextPoint(out, d, nullptr, 0), 0);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(d, 0);
    EXPECT_EQ(only->GetNPrevPoint(out, d, nullptr, 0), 0);
    EXPECT_EQ(out, nullptr);
}

TEST(SmartLPoint, EmptyScanLinesKeepTheirNumbers)
{
    // Two squares 10 apart: the lines between them hold no points but are numbered.
    std::unique_ptr<CSmartLoop> a(looptest::PolygonLoop({{0, 0}, {10, 0}, {10, 10}, {0, 10}}));
    a->next = looptest::PolygonLoop({{0, 20}, {10, 20}, {10, 30}, {0, 30}});
    std::vector<unsigned> ids;
    unsigned count = 0;
    for (CSmartLPoint* p = GenerateScanPoint(a.get(), 2.4, 2000, &count); p; p = p->chainNext)
        ids.push_back(p->lineId);
    delete a->next;
    a->next = nullptr;
    EXPECT_EQ(count, 12u);
    EXPECT_EQ(ids, (std::vector<unsigned>{1, 1, 2, 2, 3, 3, 4, 4, 9, 9, 10, 10, 11, 11, 12, 12}));
}

}  // namespace
