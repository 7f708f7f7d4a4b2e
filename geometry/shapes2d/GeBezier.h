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
    CGeBezier(const CGeBezier&) = delete;
    CGeBezier& operator=(const CGeBezier&) = delete;

    // Construction: 1 on success, 0 on rejected input (spline unchanged).
    // Through n >= 2 points with straight-line handles, inner joints smoothed.
    int CreateLine(unsigned int n, double (*pts)[2]);
    // Through n >= 2 points: 2 as CreateLine, more by an interpolating cubic spline.
    int Create(unsigned int n, double (*pts)[2]);
    // The K >= 3 given points are the nodes; joint kinds derived from the geometry.
    int CreateEx(unsigned int K, double (*pts)[2]);
    // Exactly these K >= 3 nodes and kinds; only the closed flag is recomputed.
    int CreateEx(unsigned int K, CBezierNode* nodes);
    // One straight segment from p1 to p2; the caller owns the result.
    static CGeBezier* CreateFrmLine(double* p1, double* p2);

    // The four control points of segment k (1-based); out untouched for a bad k.
    void GetCtrlPoint(unsigned int k, double (*out)[2]);

    // Node editing. Indices are checked: out of range gives 0 and changes nothing.
    // Moves node i, re-placing the opposite handle by the joint's kind. No re-discretisation.
    int MoveNode(double dx, double dy, int i);
    // Moves both handles of segment k and makes its main nodes corners. No re-discretisation.
    int MoveBezSeg(double dx, double dy, int k);
    // Node i becomes p; re-discretised at the curve tolerance.
    int ModifyCtrlPoint(unsigned int i, double* p);
    // Re-aligns the handles of inner main node i by its kind. No re-discretisation.
    int ModifyCtrlPoint(unsigned int i);
    // Inserts a smooth main node at (t, k) without changing the shape.
    int AddMainNode(unsigned int k, double t);
    // Deletes main node i (the spline keeps at least one segment).
    int DelMainNode(unsigned int i);
    // Deletes the listed main nodes; a closed spline losing both ends is closed again.
    int DelMainNode(unsigned int* list, int n);

    // Flattening of one segment: appends its points after P0 (P0 itself is the
    // caller's), at most gecon::kBezierMaxSegmentPoints for a whole segment;
    // depth is the piece's depth of splitting (0 for a segment), unchanged on return.
    void Discret2(double (*ctrl)[2], double tol, CArray<tagPoint2d, tagPoint2d>* pts, int& depth);
    // Arc length from (t1, k1) to (t2, k2); 0 for bad segments or k2 < k1.
    double EvArcLength(double t1, unsigned int k1, double t2, unsigned int k2);
    // EvParam with cumulative[j] = length of the first j segments.
    int EvParamEx(double len, double& t, unsigned int& k, double* cumulative);
    // Splits at (t, k) into two new splines owned by the caller; either may be null.
    void Split(unsigned int k, double t, CGeBezier*& first, CGeBezier*& second);
    // Cuts at the listed main nodes (ascending) and appends the pieces to out.
    void SplitInNode(int* nodes, int n, CTypedPtrList<CObList, CGeCurve*>& out);

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
    // Mirror in the line through the two points p and q, as every curve does.
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
    // Nearest point over all segments; 0 for a spline without segments.
    int GetNearestPoint(double* p, double* out, double& t, unsigned& seg, double& dist) override;
    int GetTanPt(double* p, double& t, int& seg, double* out) override;
    int EvParam(double len, double& t, unsigned& seg, double total) override;
    // Length from (t0, segment 1) to (t1, seg), like the polyline's form.
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
    double GetLastTol() const { return m_dLastTol; }
    const CUIntArray& GetSegEnds() const { return m_aSegEnds; }

protected:
    // Replaces the nodes by a copy of K nodes (kinds included); no display.
    void SetNodes(unsigned int K, const CBezierNode* nodes);
    // Kinds of the inner main nodes and of the closing joint from the geometry; sets the closed flag.
    void DeriveKinds();
    // The closing rule alone: closed flag and the common kind of the end nodes.
    void ApplyClosingRule();
    // Segment k's control points as eight doubles; k must be valid.
    void LoadCtrl(unsigned int k, double* ctrl) const;
    bool IsValidSeg(unsigned int k) const { return k >= 1 && k <= (m_nNodes > 0 ? (m_nNodes - 1) / 3 : 0); }

    std::unique_ptr<CBezierNode[]> m_pNodes;  // null when the spline is empty
    unsigned int m_nNodes = 0;                // 3 s + 1 for s segments
    double m_dLastTol = 0.001;                // tolerance of the latest discretisation
    CUIntArray m_aSegEnds;                    // display point index where each segment ends
};
