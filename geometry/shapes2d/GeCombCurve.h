// The composite curve (type code 0x80): owned member curves in path order.
// Member k (1-based) is segment k; the composite's own display polyline stays
// empty and drawing goes through the members.
//
// Members are never null and never composites: every way of adding a curve
// flattens composites and skips nulls, and the transforms drop members that
// vanish, so member numbers and the segment count always agree. (A composite
// read from an archive may still hold composite members until
// SeperateComCurve runs.)
//
// Parameter convention: the segment index k selects member k; the local
// parameter x splits into its integer part n and fraction f, and member k is
// evaluated at f on its own segment n (n = 0 also meaning segment 1). x = 1
// exactly is the end of the member's first segment.
#pragma once

#include "geometry/shapes2d/GeCurve.h"

#include <cstdint>

class CGeCombCurve : public CGeCurve {
    DECLARE_SERIAL(CGeCombCurve)
public:
    using CurveList = CTypedPtrList<CObList, CGeCurve*>;

    CGeCombCurve();
    // Deletes every member.
    ~CGeCombCurve() override;
    CGeCombCurve(const CGeCombCurve&) = delete;
    CGeCombCurve& operator=(const CGeCombCurve&) = delete;

    // Null for a null curve or a composite; otherwise a new composite whose
    // only member is c (ownership moves in).
    static CGeCombCurve* Create(CGeCurve* c);
    // Null for a null or empty list or curves not linked in list order within
    // 0.02; otherwise a new composite taking the list's curves (composite
    // elements hand over their members and are deleted). The caller empties
    // the list without deleting its elements.
    static CGeCombCurve* Create(CurveList* list);

    // Null does nothing; a composite hands over its members and is deleted;
    // any other curve is added. A non-zero calcBox recomputes the box.
    void AddTail(CGeCurve* c, int calcBox);
    void AddHead(CGeCurve* c, int calcBox);
    // Each element in list order through the single-curve rule (so AddHead
    // puts the elements at the head in reverse order). The caller empties the
    // list without deleting its elements.
    void AddTail(CurveList* list, int calcBox);
    void AddHead(CurveList* list, int calcBox);
    // Replaces composite members by their own members.
    void SeperateComCurve(int calcBox);

    // Member k (not a copy); null when k <= 0 or k > GetSegmentCount().
    CGeCurve* GetSubCurve(int k) const;
    int IsEmpty() const;
    // The member list for editing: notes a geometry change (the const form reads).
    CurveList& GetCurveList()
    {
        geNoteGeometryChange();
        return m_curveList;
    }
    const CurveList& GetCurveList() const { return m_curveList; }

    // Sets the extra data word of the composite and of every member.
    void SetExtData(std::uintptr_t v);

    // 1 when every member starts closer than tol to the previous member's end
    // (an empty composite is linked).
    int IsLinked(double tol);
    // Length from x1 on member k1 to x2 on member k2, both positions following
    // the parameter convention. 0 when a member index is out of range, k2 < k1,
    // a parameter is negative, or the second position lies before the first.
    double EvArcLength(double x1, unsigned k1, double x2, unsigned k2);
    // The same as ToPLine: a polyline through the thinned discretisation.
    CGeCurve* ToPolyLine(double tol, double angle) { return ToPLine(tol, angle); }
    // Draws the members' display points as one pen path, each member thinned
    // to about one point per pixel.
    void DrawPolyline(CDC* dc);

    // Linking, stitching and refining.
    // Reverses members so that each starts where the previous accepted one ends.
    void ReDirection();
    // Closes gaps above tol: below 0.1 by moving an end, otherwise by a bridge line.
    void Stitch(double tol);
    // Repairs gaps below tol; returns the number of repairs counted.
    int StitchEx(double tol);
    // Cuts the composite into linked pieces appended to out (new composites
    // owned by the caller). When the composite is already linked within 0.01 a
    // copy is appended and this composite is unchanged; otherwise the members
    // move into the pieces and this composite is left empty. Either way the
    // caller may delete this composite normally afterwards.
    void CreateLinkedComCurve(double tol, CTypedPtrList<CObList, CGeCombCurve*>& out);
    // Merges runs of straight members into one polyline and runs of Bézier
    // members into one spline.
    void Refine();
    // Merges runs of lines/polylines and runs of Bézier splines with the list
    // merge functions.
    void MergeSubCurve();
    // Replaces runs of lines and polylines by one thinned polyline each.
    void Lean(double tol, double angle);
    // A new composite (owned by the caller) with member k turned into a Bézier
    // spline; a copy when member k already is one; null for a bad k.
    CGeCombCurve* ToBezier(unsigned k);
    // Splits at x on member k with the Bézier/polyline vertex rule; both parts
    // are composites (out entries written only when a part exists).
    void SplitEx(double x, CGeCurve** out, int k);

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
    CGeCurve* ToPLine(double tol, double ang) override;
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
    // Result: the index of the member holding the nearest point (0 when none);
    // t and seg are that member's own parameter and segment.
    int GetNearestPoint(double* p, double* out, double& t, unsigned& seg, double& dist) override;
    // Result: the member index; t and seg are the member's own.
    int EvParam(double len, double& t, unsigned& seg, double total) override;
    // EvArcLength(t0, 1, t1, seg).
    double EvArcLength(double t0, double t1, unsigned seg) override;
    double EvTotalArcLength() override;
    int IsLongerThan(double len) override;
    int IsClosed(double tol) override;
    void Reverse() override;
    // The part between two intersection records (segment = member index).
    CGeCurve* Split(IntPnt a, IntPnt b) override;
    // Split(t, out, memberSeg, k): member k split at t on its segment memberSeg.
    // A part of one member is returned as that member itself.
    void Split(double t, CGeCurve** out, int memberSeg, int k) override;
    void BiArcAppx(double tol, CTypedPtrList<CObList, CGeCurve*>* out) override;
    void InitSketchIndex() override;
    CGeCurve* Shear(double* base, double* factors) override;
    CGeCurve* Transform(double m[3][3], unsigned flags) override;

protected:
    // Replaces each member by what op returns, deleting the old member when a
    // different shape comes back and dropping members for which null comes back.
    template <class Op>
    void ReplaceMembers(Op op);

    CurveList m_curveList{10};  // owned
};
