// The piecewise cubic Bezier spline (type code 0x20). Segment k (1-based) is
// drawn from nodes 3k-3 .. 3k; main nodes 3k lie on the curve.
#pragma once

#include "geometry/shapes2d/GeCurve.h"

// A control node: position and the joint kind of a main node
// (0 corner, 1 smooth, 2 symmetric).
class CBezierNode {
public:
    double x = 0.0;
    double y = 0.0;
    int kind = 0;
};

class CGeBezier : public CGeCurve {
    DECLARE_SERIAL(CGeBezier)
public:
    CGeBezier();
    ~CGeBezier() override;

    using CGeCurve::Discrete;
    using CGeCurve::Draw;
    using CGeCurve::Split;
    using CGeCurve::EvArcLength;
    using CGeCurve::Reverse;
    void Serialize(CArchive& ar) override;
    int GetType() const override;
    CGeCurve* Copy() override;
    int GetSnapPos(CSnapAt* snap, CSnapResult& result) override;
    void Translate(double* offset) override;
    void Rotate(double* centre, double angle) override;
    void Mirror(double* p, double* q) override;
    CGeCurve* Scale(double* centre, double* factors) override;
    void Draw(Direct2DHandler* handler, int mode) override;
    void Draw(CDC* dc, int mode) override;
    void DrawNode(CDC* dc, int bStart, int bEnd) override;
    void GetNodeBox(BOX2<double>* out) override;
    void ModifyStartPoint(double* p) override;
    void ModifyEndPoint(double* p) override;
    int Pick(CPickRay& ray, int bCheckType) override;
    int GetDiscStep(double tol, double& step) override;
    void Discrete(double tol) override;
    void DiscreteInArray(double tol, CArray<tagPoint2d, tagPoint2d>* pts, double ang, bool bRefine) override;
    void ToElement(CTypedPtrList<CObList, CGeCurve3d*>* list) override;
    int GetSegmentCount() override;
    void GetStartPoint(double* p) override;
    void GetEndPoint(double* p) override;
    void GetPointAt(double t, double* p, unsigned seg) override;
    int GetGCPoint(unsigned char kind, double* p, unsigned seg) override;
    void GetTanVecAt(double t, double* v, unsigned seg) override;
    void EvPos(double t, double* p, unsigned seg) override;
    void Ev1Der(double t, double* p, double* d1, unsigned seg) override;
    void Ev2Der(double t, double* p, double* d1, double* d2, unsigned seg) override;
    int GetNearestPoint(double* p, double* out, double& t, unsigned& seg, double& dist) override;
    int GetTanPt(double* p, double& t, int& seg, double* out) override;
    int EvParam(double len, double& t, unsigned& seg, double tol) override;
    double EvArcLength(double t0, double t1, unsigned seg) override;
    double EvTotalArcLength() override;
    int IsLongerThan(double len) override;
    int IsClosed(double tol) override;
    void Reverse() override;
    void Split(double t, CGeCurve** out, int seg, int flag) override;
    void BiArcAppx(double tol, CTypedPtrList<CObList, CGeCurve*>* out) override;
    CGeCurve* Shear(double* base, double* factors) override;
    CGeCurve* Transform(double m[3][3], unsigned flags) override;

    unsigned int GetNodeCount() const { return m_nNodes; }
    const CBezierNode* GetNodes() const { return m_pNodes.get(); }

protected:
    std::unique_ptr<CBezierNode[]> m_pNodes;  // null when the spline is empty
    unsigned int m_nNodes = 0;                // 3 s + 1 for s segments
    double m_dLastTol = 0.001;                // tolerance of the latest discretisation
    CUIntArray m_aSegEnds;                    // display point index where each segment ends
};
