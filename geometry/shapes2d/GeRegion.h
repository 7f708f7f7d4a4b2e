// A planar area: owned loops, outer ones counter-clockwise with positive area
// and holes clockwise with negative area (type code 0).
#pragma once

#include "geometry/shapes2d/GeCurve.h"

class CGeLoop;

class CGeRegion : public CGeCurve {
    DECLARE_SERIAL(CGeRegion)
public:
    CGeRegion();
    // Deletes the loops with their members.
    ~CGeRegion() override;

    using CGeCurve::Discrete;
    using CGeCurve::GetBox2d;
    using CGeCurve::Draw;
    using CGeCurve::EvArea;
    void Serialize(CArchive& ar) override;
    CGeCurve* Copy() override;
    void CalcBox2d() override;
    void GetBox2d(BOX2<double>* out) override;
    void Translate(double* offset) override;
    void Rotate(double* centre, double angle) override;
    void Mirror(double* p, double* q) override;
    CGeCurve* Scale(double* centre, double* factors) override;
    void Draw(Direct2DHandler* handler, int mode) override;
    void Draw(CDC* dc, int mode) override;
    void Discrete(double tol) override;
    void GetStartPoint(double* p) override;
    void GetEndPoint(double* p) override;
    CGeCurve* Shear(double* base, double* factors) override;
    CGeCurve* Transform(double m[3][3], unsigned flags) override;

    int IsEmpty() const { return m_loopList.IsEmpty() ? 1 : 0; }
    CTypedPtrList<CObList, CGeLoop*>& GetLoopList() { return m_loopList; }

protected:
    CTypedPtrList<CObList, CGeLoop*> m_loopList{10};  // owned
};
