// A plain holder of 3D curves (not a shape): the milling strategies hand their
// results back in one. The group owns its curves; callers fill the list directly.
#pragma once

#include "geometry/shapes3d/GeCurve3d.h"

class CGeGroup3d {
public:
    CGeGroup3d() = default;
    // Deletes the curves.
    ~CGeGroup3d();
    CGeGroup3d(const CGeGroup3d&) = delete;
    CGeGroup3d& operator=(const CGeGroup3d&) = delete;

    bool IsEmpty() const { return m_listCurve.IsEmpty(); }
    // The first entry's start and the last entry's end; nothing is written for an
    // empty group or an empty end entry.
    void GetStartPoint(double* p);
    void GetEndPoint(double* p);
    // Reverses every curve in place; their order is kept.
    void Reverse();
    // Turns every curve by angle about the vertical axis through centre; the
    // group box is not updated.
    void Rotate(double* centre, double angle);
    // The union of the curves' boxes; unchanged without a present curve.
    void CalcBox();
    // CalcBox, then the box copied out.
    void GetBox(BOX3<double>* box);

    CGeCurve3dList m_listCurve;
    // Valid after CalcBox on a group with a present curve; empty before.
    BOX3<double> m_box = EmptyBox();

private:
    static BOX3<double> EmptyBox()
    {
        BOX3<double> b;
        b.InitEmpty();
        return b;
    }
};
