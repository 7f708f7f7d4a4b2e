// A plain owning holder of curves with a box (type code 0). Never stored.
#pragma once

#include "geometry/shapes2d/GeCurve.h"

class CGeGroup : public CGeCurve {
public:
    CGeGroup();
    // Deletes every curve.
    ~CGeGroup() override;
    CGeGroup(const CGeGroup&) = delete;
    CGeGroup& operator=(const CGeGroup&) = delete;

    using CGeCurve::GetBox2d;
    // Nothing for an empty group; otherwise the union of the curves' boxes.
    void CalcBox2d() override;
    // CalcBox2d, then the box is copied out (nothing for null).
    void GetBox2d(BOX2<double>* out) override;
    // Nothing below 0.0001 radians; otherwise every curve rotates (the group's box is not updated).
    void Rotate(double* centre, double angle) override;
    // The first curve's start / the last curve's end; nothing for an empty group.
    void GetStartPoint(double* p) override;
    void GetEndPoint(double* p) override;

    int IsEmpty() const { return m_curveList.IsEmpty() ? 1 : 0; }
    // The member list for editing: notes a geometry change (the const form reads).
    CTypedPtrList<CObList, CGeCurve*>& GetCurveList()
    {
        geNoteGeometryChange();
        return m_curveList;
    }
    const CTypedPtrList<CObList, CGeCurve*>& GetCurveList() const { return m_curveList; }

protected:
    CTypedPtrList<CObList, CGeCurve*> m_curveList{10};  // owned
};
