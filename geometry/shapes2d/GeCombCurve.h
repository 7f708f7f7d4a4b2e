// The composite curve (type code 0x80): owned member curves in path order.
// Member k (1-based) is segment k; the composite's own display polyline stays
// empty and drawing goes through the members.
#pragma once

#include "geometry/shapes2d/GeCurve.h"

class CGeCombCurve : public CGeCurve {
    DECLARE_SERIAL(CGeCombCurve)
public:
    CGeCombCurve();
    // Deletes every member.
    ~CGeCombCurve() override;

    using CGeCurve::Discrete;
    using CGeCurve::GetBox2d;
    using CGeCurve::Draw;
    using CGeCurve::Split;
    using CGeCurve::EvArcLength;
    using CGeCurve::Reverse;
    void Serialize(CArchive& ar) override;
    int GetType() const override;
    CGeCurve* Copy() override;
    int GetSnapPos(CSnapAt* snap, CSnapResult& result) override;
    void CalcBox2d() override;
    void GetBox2d(BOX2<double>* out) override;
    void CreateNewHandle() override;
    void Translate(double* offset) override;
    void Rotate(double* centre, double angle) override;
    void Mirror(double* p, double* q) override;
    CGeCurve* Scale(double* centre, double* factors) override;
    void Draw(Direct2DHandler* handler, int mode) override;
    void Draw(CDC* dc, int mode) override;
    void DrawGL(COpenGLDC* dc, int mode) override;
    void DrawNode(CDC* dc, int bStart, int bEnd) override;
    void ModifyStartPoint(double* p) override;
    void ModifyEndPoint(double* p) override;
    int Pick(CPickRay& ray, int bCheckType) override;
    int PickBox(_rect_fm3d* frame, BOX2<double>* box) override;
    int Hit(CPickRay& ray, CGeHit& hit) override;
    void Discrete(double tol, double ang) override;
    void Discrete(double tol) override;
    void DiscreteInArray(double tol, CArray<tagPoint2d, tagPoint2d>* pts, double ang, bool bRefine) override;
    void ToElement(CTypedPtrList<CObList, CGeCurve3d*>* list) override;
    int GetSegmentCount() override;
    void GetStartPoint(double* p) override;
    void GetEndPoint(double* p) override;
    int GetStartTan(double* v) override;
    int GetEndTan(double* v) override;
    void GetPointAt(double t, double* p, unsigned seg) override;
    void GetTanVecAt(double t, double* v, unsigned seg) override;
    void EvPos(double t, double* p, unsigned seg) override;
    void Ev1Der(double t, double* p, double* d1, unsigned seg) override;
    void Ev2Der(double t, double* p, double* d1, double* d2, unsigned seg) override;
    int GetNearestPoint(double* p, double* out, double& t, unsigned& seg, double& dist) override;
    int EvParam(double len, double& t, unsigned& seg, double tol) override;
    double EvArcLength(double t0, double t1, unsigned seg) override;
    double EvTotalArcLength() override;
    int IsLongerThan(double len) override;
    int IsClosed(double tol) override;
    void Reverse() override;
    CGeCurve* Split(IntPnt a, IntPnt b) override;
    void Split(double t, CGeCurve** out, int seg, int flag) override;
    void BiArcAppx(double tol, CTypedPtrList<CObList, CGeCurve*>* out) override;
    void InitSketchIndex() override;
    CGeCurve* Shear(double* base, double* factors) override;
    CGeCurve* Transform(double m[3][3], unsigned flags) override;

    int IsEmpty() const { return m_curveList.IsEmpty() ? 1 : 0; }
    // Member k (not a copy); null when k <= 0 or k > GetSegmentCount().
    CGeCurve* GetSubCurve(int k) const;
    CTypedPtrList<CObList, CGeCurve*>& GetCurveList() { return m_curveList; }

protected:
    CTypedPtrList<CObList, CGeCurve*> m_curveList{10};  // owned
};
