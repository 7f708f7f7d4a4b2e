// Snapping fixture for the curve tests: a view showing the world square from
// (-500, -500) to (500, 500), a snap request with aperture 0.5 and its result.
#pragma once

#include "framework/looker/Looker.h"
#include "framework/looker/SnapRecords.h"
#include "geometry/shapes2d/GeCurve.h"

#include <gtest/gtest.h>

namespace snaptest {

// Pt is the test file's point type (fields x and y).
template <class Pt>
class SnapFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_looker.SetViewRect(CRect(0, 0, 1000, 1000));
        m_snap.m_pLooker = &m_looker;
        m_snap.m_pBase = &m_base;
        m_snap.m_dAperture = 0.5;
    }
    // Snaps c in the given mode at the cursor into a fresh result.
    int Snap(CGeCurve& c, int mode, Pt cursor)
    {
        m_result.RemoveAll();
        m_snap.m_nSnapMode = mode;
        m_snap.m_ptCursor[0] = cursor.x;
        m_snap.m_ptCursor[1] = cursor.y;
        return c.GetSnapPos(&m_snap, m_result);
    }

    CLooker m_looker;
    CSnapBase m_base;
    CSnapAt m_snap;
    CSnapResult m_result;
};

}  // namespace snaptest
