// The curve of straight edges (type code 0x40). Its vertices are the display
// polyline of the curve base; edge k runs from vertex k-1 to vertex k.
#pragma once

#include "geometry/shapes2d/GeCurve.h"

class CGePolyline : public CGeCurve {
    DECLARE_SERIAL(CGePolyline)
public:
    CGePolyline();
    // n vertices with unset values (the caller fills them).
    explicit CGePolyline(int n);
    ~CGePolyline() override;

    // Replaces the vertices by the points; 0 (no vertices left) for a missing
    // array or fewer than 2 points. The box is computed; the closed flag kept.
    int Create(CArray<tagPoint2d, tagPoint2d>* pts);

    using CGeCurve::Split;
    using CGeCurve::EvArcLength;
    using CGeCurve::Reverse;
    void Serialize(CArchive& ar) override;
    int GetType() const override;
    CGeCurve* Copy() override;
    int GetSnapPos(CSnapAt* snap, CSnapResult& result) override;
    void DrawNode(CDC* dc, int bStart, int bEnd) override;
    void ModifyStartPoint(double* p) override;
    void ModifyEndPoint(double* p) override;
    int Pick(CPickRay& ray, int bCheckType) override;
    int Hit(CPickRay& ray, CGeHit& hit) override;
    int GetDiscStep(double tol, double& step) override;
    void DiscreteInArray(double tol, CArray<tagPoint2d, tagPoint2d>* pts, double ang, bool bRefine) override;
    void ToElement(CTypedPtrList<CObList, CGeCurve3d*>* list) override;
    int GetSegmentCount() override;
    void GetStartPoint(double* p) override;
    void GetEndPoint(double* p) override;
    void GetPointAt(double t, double* p, unsigned seg) override;
    int GetGCPoint(unsigned char kind, double* p, unsigned seg) override;
    int GetPointEx(double t, double* p) override;
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
    void Split(double t, CGeCurve** out, int seg, int flag) override;
    void BiArcAppx(double tol, CTypedPtrList<CObList, CGeCurve*>* out) override;
    void InitSketchIndex() override;
};
