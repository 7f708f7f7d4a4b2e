// Measuring commands of the drawing view: the distance between two clicked points
// and the angle between two arms about a vertex. Both show the result in a tip
// beside the cursor and leave their rubber-band previews on screen; neither changes
// the drawing.
#pragma once

#include "app/DragString.h"
#include "framework/looker/SnapRecords.h"
#include "framework/relayon/Command.h"

#include <memory>

class CDbEntity;

// The point of pos constrained to a multiple of 45 degrees about base: pos
// projected onto the nearest of the eight directions.
Position GetPosIn45(const Position& base, const Position& pos);

// The angle in degrees, in [0, 180], between the arms from v to a and from v to b;
// 0 when an arm has zero length.
double MeasureArmAngle(const double* v, const double* a, const double* b);

class CMeaDistCmd : public CCommand {
    DECLARE_DYNAMIC(CMeaDistCmd)
public:
    static constexpr UINT kId = 32802;
    static constexpr UINT kShift = 0x0004;  // MK_SHIFT

    CMeaDistCmd(int first, LPCTSTR name);
    ~CMeaDistCmd() override;

    // Disabled without the hub and while the area measure runs.
    BOOL IsEnable() override;
    int HostType() override { return 16; }
    int StartUp(int subCommand) override;
    void WakeUp() override;
    int OnLButtonDown(UINT flags, Position& pos) override;
    int OnMouseMove(UINT flags, Position& pos) override;
    int OnRButtonDown(UINT, Position&) override { return Cancel(); }
    int Cancel() override;
    void OnDraw(CDC* dc, int mode) override;

    void SetMeasurePoint(UINT flags, Position pos);
    void ShowDistanceTip(CDC* dc, Position pos);

    const Position& FirstPoint() const { return m_first; }
    const Position& SecondPoint() const { return m_second; }
    const CDragString* Tip() const { return m_tip.get(); }

private:
    // Replaces the preview line by one from the first to the second point.
    void RedrawLine(CDC* dc);

    Position m_first, m_second;
    std::unique_ptr<CDbEntity> m_line;
    std::unique_ptr<CDragString> m_tip;
    int m_lastX = 0, m_lastY = 0;
};

class CMeaAngCmd : public CCommand {
    DECLARE_DYNAMIC(CMeaAngCmd)
public:
    static constexpr UINT kId = 32814;

    CMeaAngCmd(int first, LPCTSTR name);
    ~CMeaAngCmd() override;

    BOOL IsEnable() override;
    int HostType() override { return 16; }
    int StartUp(int subCommand) override;
    void WakeUp() override;
    int OnLButtonDown(UINT flags, Position& pos) override;
    int OnMouseMove(UINT flags, Position& pos) override;
    int OnRButtonDown(UINT, Position&) override { return Cancel(); }
    int Cancel() override;
    void OnDraw(CDC* dc, int mode) override;

    void ShowAngleTip(CDC* dc, double angle, Position pos);
    // Flag 1 when the turn from u to w is counter-clockwise, 0 when clockwise; kept
    // for parallel arms.
    void SetArcDirection(const double* u, const double* w);

    int Direction() const { return m_nDirection; }
    double Angle() const { return m_dAngle; }
    const CDragString* Tip() const { return m_tip.get(); }
    const CDbEntity* Arc() const { return m_arc.get(); }

private:
    // Second arm, arc and tip for the point p (a click or the cursor).
    void ShowSecondArm(CDC* dc, const Position& p);

    double m_v[2] = {0, 0}, m_a[2] = {0, 0}, m_b[2] = {0, 0};
    int m_nDirection = 1;
    double m_dAngle = 0;
    std::unique_ptr<CDbEntity> m_firstArm, m_secondArm, m_arc;
    std::unique_ptr<CDragString> m_tip;
    int m_lastX = 0, m_lastY = 0;
};
