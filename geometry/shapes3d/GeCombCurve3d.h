// One 3D curve made of an ordered list of owned 3D member curves. Entries may be
// null (a matrix transform can leave one); every operation skips them, and member k
// means the k-th present member, counted from 1.
#pragma once

#include "geometry/shapes3d/GeCurve3d.h"

class CGePolyline3d;

class CGeCombCurve3d : public CGeCurve3d {
    DECLARE_SERIAL(CGeCombCurve3d)
public:
    CGeCombCurve3d();
    // Deletes the members still in the list.
    ~CGeCombCurve3d() override;

    // True when the list has no entries.
    bool IsEmpty() const { return m_listCurve.IsEmpty(); }
    // Member k (1-based, present members only); null when there is none.
    CGeCurve3d* GetSubCurve(int k) const;
    // 1 when each present member starts strictly closer than tol to the previous
    // present member's end; an empty composite is linked.
    int IsLinked(double tol);
    // Appends (prepends) a curve; a composite hands over its entries and is deleted
    // (an empty one is left alone); null is ignored. Then CalcBox.
    void AddTail(CGeCurve3d* curve);
    void AddHead(CGeCurve3d* curve);
    // Flattens composite members into this list.
    void SeperateComCurve();
    // Writes value into the flags of every present member (and one level into
    // composite members).
    void SetExtData(int value);
    // A new polyline through the composite's discretisation at tol.
    CGePolyline3d* ToPLine(double tol);
    // Every member other than a line or polyline becomes its polyline at tol
    // (keeping its flags); a member that gives none leaves the list.
    void ConvertToPolyline(double tol);
    // Every arc member becomes a NURBS curve of the same shape, in its place.
    void ConvertArc2Nurbs();

    // The curve header, then the members as an object list. Loading appends to the
    // members held; a member must be a 3D curve created by its own record.
    void Serialize(CArchive& ar) override;

    int GetType() const override;
    // Copies of every present member, with the box, flags and closed flag; new handle.
    CGeShape3d* Copy() override;
    // Every present member recomputes its box; the composite's box is their union
    // (unchanged without a present member).
    void CalcBox() override;

    void Translate(double* v) override;
    void Translate3D(double* v) override;
    void Rotate(double* centre, double angle) override;
    void Rotate3D(double* point, double* axis, double angle) override;
    CGeShape3d* Twist(double* point, double* axis, double angle) override;
    CGeShape3d* Taper(double* point, double* axis, double angle) override;
    void Mirror(double* p, double* q) override;
    CGeShape3d* Shear(double* base, double* factors) override;
    CGeShape3d* Scale(double* centre, double* factors) override;
    CGeShape3d* Scale3D(double* centre, double* factors) override;
    CGeShape3d* Shear3D(double* point, double* dir, double* normal) override;
    void Mirror3D(double* point, double* normal) override;
    void Transform(_rect_fm3d* frame) override;
    CGeShape3d* Transform(double m[4][4], unsigned int flags) override;
    CGeShape3d* Transform(double m[3][3], unsigned int flags) override;
    void TransformLocal(_rect_fm3d* frame) override;

    void Draw(Direct2DHandler* handler, int mode) override;
    void Draw(CDC* dc, int mode) override;
    void DrawGL(COpenGLDC* gl, int mode) override;
    // Each member's nodes: the start mark on the first member only, and no end mark
    // on the last member of a closed composite.
    void DrawNode(CDC* dc, int drawStart, int drawEnd, unsigned int half) override;
    // The first member that reports a hit; a 2D pick first needs the point in the
    // box widened by the aperture.
    int Pick(CPickRay& ray, int useMask) override;
    int PickBox(_rect_fm3d* frame, BOX2<double>* box) override;
    // Combines the members' answers (0 not planar, 1 planar, 2 straight, 3 a point):
    // a member counts only when it lies within tol of the plane or line so far.
    // point stays the first member's point; vec is the unit normal or direction.
    int IsPlanar(double tol, double* point, double* vec) override;
    int GetNodeBox(BOX3<double>* box) override;
    int GetSnapPos(CSnapAt* snap, CSnapResult& result) override;
    // The nearest member's answer; returns its member number (0 when none answered).
    int GetNearestPoint3D(double* pt, double* nearest, double& t, unsigned int& seg, double& dist) override;
    void Discrete(double tol, CStrP3D& str) override;
    void DiscreteToElement(CGeCurve3dList* list, bool fit) override;
    int GetSegmentCount() override;
    void GetStartPoint(double* p) override;
    void GetEndPoint(double* p) override;
    // seg selects the member; t is the member's own parameter.
    void GetPointAt(double t, double* p, int seg) override;
    void GetStartTanVec(double* v) override;
    void GetEndTanVec(double* v) override;
    void GetTanVecAt(double t, double* p, double* tan, int seg) override;
    void Ev2Der(double t, double* p, double* d1, double* d2, unsigned int seg) override;
    void Reverse() override;
    double EvTotalArcLength() override;
    double EvTotalArcLength2D() override;
    // Returns the member number that holds the length (0 past the end of an open curve).
    int EvParam(double len, double& t, unsigned int& seg, double total) override;
    void Split(double t, CGeCurve3d** out, int seg) override;
    int GetSplitParam(double*& params) override;

    // The members, owned by the composite. Callers may append to the list and empty it
    // directly; members moved elsewhere must be removed from the list first.
    CGeCurve3dList m_listCurve;

private:
    // Replaces every present member by what op returns for it (the member itself, a new
    // curve, or null); replaced members are deleted. keepNull leaves an empty entry
    // where op returned null, otherwise the entry is dropped. Then CalcBox.
    template <class Op>
    void ReplaceMembers(Op op, bool keepNull);
    // Applies op to every present member, then CalcBox.
    template <class Op>
    void ForEachMember(Op op);
};
