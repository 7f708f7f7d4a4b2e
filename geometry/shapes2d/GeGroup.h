// A plain owning holder of curves with a box (type code 0). Never stored.
#pragma once

#include "geometry/shapes2d/GeCurve.h"

class CGeGroup : public CGeCurve {
public:
    CGeGroup();
    // Deletes every curve.
    ~CGeGroup() override;

    using CGeCurve::GetBox2d;
    void CalcBox2d() override;
    void GetBox2d(BOX2<double>* out) override;
    void Rotate(double* centre, double angle) override;
    void GetStartPoint(double* p) override;
    void GetEndPoint(double* p) override;

    int IsEmpty() const { return m_curveList.IsEmpty() ? 1 : 0; }
    CTypedPtrList<CObList, CGeCurve*>& GetCurveList() { return m_curveList; }

protected:
    CTypedPtrList<CObList, CGeCurve*> m_curveList{10};  // owned
};
