// The closed contour (type code 0x100): a composite curve with a cached signed
// area, a reversed mark and flags. Its own display polyline is the members'
// points joined into one closed string; the orientation, containment and
// simplicity tests work on it, the area on the members themselves.
#pragma once

#include "geometry/shapes2d/GeCombCurve.h"

class CGeLoop : public CGeCombCurve {
    DECLARE_SERIAL(CGeLoop)
public:
    CGeLoop();
    ~CGeLoop() override;

    using CGeCombCurve::Discrete;
    using CGeCombCurve::Reverse;
    using CGeCombCurve::EvArea;
    // The composite record, then the flags. Loading recomputes the area cache
    // (the display polyline is not stored).
    void Serialize(CArchive& ar) override;
    int GetType() const override;
    // A new loop with the flags, area, reserved value, closed flag, box,
    // display polyline and a copy of every member; the handle and the
    // reversed mark are not copied.
    CGeCurve* Copy() override;
    // The composite's thinned discretisation becomes the display polyline; box recomputed.
    void Discrete(double tol, double ang) override;
    // Every member's display points joined (each joint once) become the display polyline.
    void Discrete(double tol) override;
    // Reverse(true): members and display polyline reversed, area negated, mark toggled.
    void Reverse() override;
    // The members move; so does the display polyline.
    void Translate(double* offset) override;

    // Deletes every member and empties the list.
    void Clear();
    // Null without members; otherwise a new composite of member copies (nested
    // composites flattened), closed when the members form a loop within 0.01.
    CGeCombCurve* GenComCurve();

    void SetOuterFlag() { m_nFlags |= 1; }
    void SetInnerFlag() { m_nFlags &= ~1; }
    int IsOuterLoop() const { return m_nFlags & 1; }
    void SetUsedFlag(int on)
    {
        if (on)
            m_nFlags |= 2;
        else
            m_nFlags &= ~2;
    }
    int IsUsed() const { return (m_nFlags & 2) ? 1 : 0; }

    // Signed area enclosed by the members, positive counter-clockwise, stored
    // in the cache and returned: exact for lines, polylines, arcs, circles,
    // ellipses and Bezier splines, other members along their display points;
    // joints within tol are bridged by chords. The display polyline is made
    // (at tol) when missing. 1e12 without members (cache untouched) or when the
    // members do not close within tol (cache 1e12).
    double EvArea(double tol);
    // 1 counter-clockwise, -1 clockwise, 0 without members or area.
    int Orient(double tol);
    // 1 when there are members and they form a loop within tol.
    int IsLoop(double tol);
    // 1 when other lies inside this loop: its box inside this box within tol
    // and three of its display points not outside.
    int IsContainLoop(CGeLoop* other, double tol);
    // Members from last to first, each reversed; with withDisplay the display
    // polyline too; area negated; reversed mark toggled.
    void Reverse(bool withDisplay);
    // The middle display point (discretised first when missing).
    void GetMidPoint(double* p);
    // Makes the loop start at the point of its boundary nearest to p (splitting
    // the member there); 1 when the start moved, 0 otherwise.
    int AdjustStartPoint(double* p);
    // The same at (t, seg) on member k (1-based).
    int AdjustStartPoint(double t, unsigned int seg, unsigned int k);
    // Moves the start to a corner that turns the way ccw asks (1 left, 0
    // right), or to a smooth joint; after a full round without one, into the
    // middle of the first member. 0 only for an open loop or no members.
    int AdjustStartPointToOuterNode(int ccw);
    // Runs of lines and polylines become one thinned polyline each, then
    // consecutive concentric arcs are merged.
    void Lean(double tol, double angle);
    // 1 when the loop closes within 0.01 and its display polygon does not
    // touch or cross itself.
    int IsSimplePolygon();
    // Polylines become one line per edge (edges shorter than 1e-6 dropped).
    void PolylineToLine();
    // Arcs of sweep below pi become two lines through the meeting point of
    // their end tangents.
    void ArctoExtendLine();
    // Arcs of sweep below pi become their chords.
    void Arc2Line();

    // Cached signed area (positive counter-clockwise); read directly by the toolkit.
    double m_dArea = 0.0;
    double m_dReserved = 0.0;
    unsigned char m_bReversed = 0;
    // Bit 0 outer loop, bit 1 used mark, bit 3 set at construction.
    int m_nFlags = 8;

private:
    // Where the new start lies on member m.
    enum class StartCut { kAtStart, kAtEnd, kSplit };
    // Reorders the members so that the loop starts at m's start (kAtStart),
    // right after m (kAtEnd) or between the pieces before and after that m
    // was split into (kSplit; m is deleted).
    void Restart(CGeCurve* m, StartCut cut, CGeCurve* before, CGeCurve* after);
    int AdjustStartAt(CGeCurve* m, double t, unsigned seg, const double* q);
};
