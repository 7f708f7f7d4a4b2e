// The program's own view commands: pan, zoom window, show all, whole page,
// previous view (animated by timer 3), zoom in and out, dynamic zoom and 3D
// rotation. All report host type 16 and work on the current view object in 2D
// and on the camera of the OpenGL device context in 3D. Every change pushes
// the current view once, so that previous view can return to it.
#pragma once

#include "framework/looker/Camera.h"
#include "framework/looker/Looker.h"
#include "framework/numerak/Point3f.h"
#include "framework/relayon/Command.h"

#include <memory>

class CDbEntity;

namespace korvel {

inline constexpr int kHostView = 16;
// Timer of the animated view commands (the frame passes it to the hub).
inline constexpr UINT_PTR kTimerViewCommand = 3;
inline constexpr UINT kViewTimerMs = 30;
inline constexpr int kAnimationSteps = 12;

// Cursor resources of the view commands.
inline constexpr int kCursorRegion = 157;
inline constexpr int kCursorPan = 158;
inline constexpr int kCursorGrab = 159;
inline constexpr int kCursorRotate = 304;
inline constexpr int kCursorZoomDyn = 417;
inline constexpr int kCursorArea = 317;

}  // namespace korvel

// The record of an animated view change: 12 steps of 1/12 from the start to
// the target view (2D) or camera (3D).
struct CViewAnimation {
    int m_nStep = 0;
    double m_dFraction = 1.0 / 12.0;
    bool m_bPending = false;  // a change waits for its steps (ticks do nothing otherwise)
    CViewPara m_start;
    CViewPara m_target;
    GCamera m_camStart;
    GCamera m_camTarget;

    // Rewinds to step 0 with nothing pending; Begin arms the steps and starts timer 3.
    void Reset();
    void Begin();
    // Ends an animation that may be under way: no intermediate frame any
    // more, timer 3 stopped (so it cannot tick on into the next command).
    void Stop();
    // One tick of timer 3: the next step drawn (the end at once when animation
    // is off, the last frame rate is below 5 or the hub jumps to the end).
    // Returns 0 when an object is missing (the timer is killed then), else 1;
    // *pDone tells whether the last step was drawn (the timer is killed and
    // the step reset).
    int Tick(CCommand* cmd, bool* pDone);
};

class CViewCmd : public CCommand {
    DECLARE_DYNAMIC(CViewCmd)
public:
    CViewCmd(int first, LPCTSTR name) : CCommand(first, name, 0) { m_nStyle = kCmdStyle3D | kCmdStyleAllow2D; }
    int HostType() override { return korvel::kHostView; }
};

// Show all (sub-command 0; sub-command 1 centres the view on m_posCentre),
// whole page and previous view: prepare the change in StartUp, then animate.
class CViewAnimatedCmd : public CViewCmd {
    DECLARE_DYNAMIC(CViewAnimatedCmd)
public:
    using CViewCmd::CViewCmd;
    int StartUp(int subCommand) override;
    int OnTimer(UINT_PTR id) override;
    int Cancel() override;
    const CViewAnimation& GetAnimation() const { return m_anim; }

protected:
    // Whether the objects this command needs exist.
    virtual bool HasObjects() const;
    // Whether the change pushes the current view (all but previous view).
    virtual bool PushesView() const { return true; }
    // Applies the new extent to the 2D view or to the camera; FALSE when there is none.
    virtual BOOL Apply2D() = 0;
    virtual BOOL Apply3D() = 0;

    CViewAnimation m_anim;
};

class CViewAllCmd : public CViewAnimatedCmd {
    DECLARE_DYNAMIC(CViewAllCmd)
public:
    using CViewAnimatedCmd::CViewAnimatedCmd;
    Position m_posCentre;  // centre of sub-command 1

protected:
    bool HasObjects() const override;
    BOOL Apply2D() override;
    BOOL Apply3D() override;
};

class CViewAllPageCmd : public CViewAnimatedCmd {
    DECLARE_DYNAMIC(CViewAllPageCmd)
public:
    using CViewAnimatedCmd::CViewAnimatedCmd;

protected:
    BOOL Apply2D() override;
    BOOL Apply3D() override;
};

class CViewPrevCmd : public CViewAnimatedCmd {
    DECLARE_DYNAMIC(CViewPrevCmd)
public:
    using CViewAnimatedCmd::CViewAnimatedCmd;

protected:
    bool PushesView() const override { return false; }
    BOOL Apply2D() override;
    BOOL Apply3D() override;
};

class CViewPanCmd : public CViewCmd {
    DECLARE_DYNAMIC(CViewPanCmd)
public:
    // Offsets below this (world units or pixels) in both directions do nothing.
    static constexpr double kMinPan = 0.005;
    // Mouse moves below this many pixels in both directions are ignored.
    static constexpr int kMinMovePixels = 3;

    CViewPanCmd(int first, LPCTSTR name);
    int StartUp(int subCommand) override;
    int OnLButtonDown(UINT flags, Position& pos) override;
    int OnLButtonUp(UINT flags, Position& pos) override;
    int OnMButtonDown(UINT flags, Position& pos) override;
    int OnMButtonUp(UINT flags, Position& pos) override;
    int OnMouseMove(UINT flags, Position& pos) override;
    int OnRButtonDown(UINT flags, Position& pos) override;

    // Moves the 2D picture by (dx, dy) world units, the 3D picture by (dx, dy)
    // pixels (y up). Also used by the scroll bars.
    void Pan2D(double dx, double dy);
    void Pan3D(double dx, double dy);
    BOOL IsDragging() const { return m_bDragging; }

private:
    int Press(Position& pos);

    BOOL m_bDragging = FALSE;
    Position m_posPress;
    Position m_posCur;
    Position m_posLast;
};

class CViewRegionCmd : public CViewCmd {
    DECLARE_DYNAMIC(CViewRegionCmd)
public:
    // Corners closer than this many pixels in both directions are a click.
    static constexpr int kMinDragPixels = 21;

    CViewRegionCmd(int first, LPCTSTR name);
    ~CViewRegionCmd() override;
    int StartUp(int subCommand) override;
    int OnLButtonDown(UINT flags, Position& pos) override;
    int OnLButtonUp(UINT flags, Position& pos) override;
    int OnMouseMove(UINT flags, Position& pos) override;
    int OnRButtonDown(UINT flags, Position& pos) override;
    int OnTimer(UINT_PTR id) override;
    int Cancel() override;
    // The command's own further operation; does nothing.
    virtual void OnIdle() {}

    const CViewAnimation& GetAnimation() const { return m_anim; }
    BOOL HasRubberBand() const { return m_pRubber != nullptr; }

private:
    void EraseRubberBand();

    int m_nClicks = 0;
    Position m_posFirst;
    Position m_posSecond;
    std::unique_ptr<CDbEntity> m_pRubber;
    CViewAnimation m_anim;
};

class CViewZoomInCmd : public CViewCmd {
    DECLARE_DYNAMIC(CViewZoomInCmd)
public:
    static constexpr double kFactor = 1.2;
    using CViewCmd::CViewCmd;
    int StartUp(int subCommand) override;
    int OnRButtonDown(UINT flags, Position& pos) override;
};

class CViewZoomOutCmd : public CViewCmd {
    DECLARE_DYNAMIC(CViewZoomOutCmd)
public:
    // 2D divides by 1.2; the camera zooms by 0.9 (not 1/1.2).
    static constexpr double kFactor2D = 1.2;
    static constexpr float kFactor3D = 0.9f;
    using CViewCmd::CViewCmd;
    int StartUp(int subCommand) override;
    int OnRButtonDown(UINT flags, Position& pos) override;
};

class CViewZoomDynCmd : public CViewCmd {
    DECLARE_DYNAMIC(CViewZoomDynCmd)
public:
    // Each vertical step of at least 4 pixels zooms by 2 %: dragging down (towards
    // the user) enlarges.
    static constexpr int kStepPixels = 4;
    static constexpr double kUp = 0.98;
    static constexpr double kDown = 1.02;

    CViewZoomDynCmd(int first, LPCTSTR name);
    int StartUp(int subCommand) override;
    int OnLButtonDown(UINT flags, Position& pos) override;
    int OnLButtonUp(UINT flags, Position& pos) override;
    int OnMouseMove(UINT flags, Position& pos) override;
    int OnRButtonDown(UINT flags, Position& pos) override;
    int Cancel() override;

private:
    Position m_posLast;
};

class CView3DRotCmd : public CViewCmd {
    DECLARE_DYNAMIC(CView3DRotCmd)
public:
    static constexpr int kMinMovePixels = 4;
    static constexpr double kKeyAngle = 0.1;

    CView3DRotCmd(int first, LPCTSTR name);
    int StartUp(int subCommand) override;
    int OnLButtonDown(UINT flags, Position& pos) override;
    int OnLButtonUp(UINT flags, Position& pos) override;
    int OnMouseMove(UINT flags, Position& pos) override;
    int OnRButtonDown(UINT flags, Position& pos) override;
    int OnChar(UINT nChar, UINT nRepCnt, UINT flags) override;
    int Cancel() override;

    const CPoint3f& GetCentre() const { return m_centre; }

private:
    CPoint m_ptPress{0, 0};
    CPoint3f m_centre;
    CPoint m_ptLast{0, 0};
    CPoint3f m_lastWorld;
    int m_bViewPushed = 0;
};
