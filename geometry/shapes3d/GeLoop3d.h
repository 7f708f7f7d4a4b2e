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
    // Negates the cached area, then reverses the composite.
    void Reverse() override;

    // Append or prepend the curve as one member (composites are not unpacked, the
    // box is not recomputed); null is ignored.
    void AddTail(CGeCurve3d* curve);
    void AddHead(CGeCurve3d* curve);

    double m_dArea;
};
