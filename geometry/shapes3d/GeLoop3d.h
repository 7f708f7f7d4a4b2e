// A 3D composite curve meant to be closed, with a cached signed area. It has no
// run-time class record of its own: it is stored and read back as a composite.
#pragma once

#include "geometry/shapes3d/GeCombCurve3d.h"

class CGeLoop3d : public CGeCombCurve3d {
public:
    // The area stays unset until computed.
    CGeLoop3d();
    // Deletes the members.
    ~CGeLoop3d() override;

    int GetType() const override;
    // Copies of every present member; box, flags, closed flag and area are not copied.
    CGeShape3d* Copy() override;
    // Negates the cached area and reverses the display string with the composite,
    // so that a later EvArea has the reversed loop's sign.
    void Reverse() override;
    double EvTotalArcLength() override;
    double EvTotalArcLength2D() override;

    // Append or prepend the curve as one member (composites are not unpacked, the
    // box is not recomputed); null is ignored.
    void AddTail(CGeCurve3d* curve);
    void AddHead(CGeCurve3d* curve);

    // 1 when the members are linked within tol and the first start lies strictly
    // closer than tol to the last end; 0 for a loop without entries.
    int IsLoop3d(double tol);
    // Where (x, y) of point lies against the loop's display string in the XY plane
    // (discretised at tol when it has no points): 0 inside, 1 outside, 2 on the
    // boundary within tol.
    int IsPtInLoop(double* point, double tol);
    // True when other lies inside this loop in XY: its box inside this loop's box
    // and two of its display points (the first and the one two thirds along) not
    // outside.
    bool IsContainLoop(CGeLoop3d* other, double tol);
    // The signed XY area of the display string (discretised at tol when it has no
    // points), positive counter-clockwise, also cached in m_dArea; 1e12 for a loop
    // without entries.
    double EvArea(double tol);

    double m_dArea;
};
