// A planar area: owned loops, outer ones counter-clockwise with positive area
// and holes clockwise with negative area (type code 0). The region's own
// display polyline is not used; its box is the union of the loop boxes.
#pragma once

#include "geometry/shapes2d/GeCurve.h"

class CGeLoop;

class CGeRegion : public CGeCurve {
    DECLARE_SERIAL(CGeRegion)
public:
    CGeRegion();
    // One counter-clockwise loop holding one closed five-vertex polyline
    // around the box's XY extent, starting at its lower left corner.
    explicit CGeRegion(BOX3<double> box);
    explicit CGeRegion(BOX2<double> box);
    // Deletes the loops with their members.
    ~CGeRegion() override;
    CGeRegion(const CGeRegion&) = delete;
    CGeRegion& operator=(const CGeRegion&) = delete;

    using CGeCurve::Discrete;
    using CGeCurve::GetBox2d;
    using CGeCurve::Draw;
    using CGeCurve::EvArea;
    // The curve part, then the loops as an object list of loop records.
    // Loading accepts only loops, each created by its own record.
    void Serialize(CArchive& ar) override;
    // Null without loops; otherwise copies of every loop and the same box.
    CGeCurve* Copy() override;
    void CalcBox2d() override;
    void GetBox2d(BOX2<double>* out) override;
    void Translate(double* offset) override;
    void Rotate(double* centre, double angle) override;
    void Mirror(double* p, double* q) override;
    CGeCurve* Scale(double* centre, double* factors) override;
    void Draw(Direct2DHandler* handler, int mode) override;
    void Draw(CDC* dc, int mode) override;
    // Every loop's Discrete(tol); the box is not recomputed.
    void Discrete(double tol) override;
    void GetStartPoint(double* p) override;
    void GetEndPoint(double* p) override;
    CGeCurve* Shear(double* base, double* factors) override;
    CGeCurve* Transform(double m[3][3], unsigned flags) override;

    // 0 inside, 1 outside, 2 on a loop within tol. p is inside when more of
    // the outer loops (positive cached area) than of the holes (negative
    // cached area) hold it, so several outer loops and islands in holes are
    // all decided. Loops whose area is not computed (0 or 1e12) do not count;
    // a region without loops holds no point.
    int IsPtInRegion(double* p, double tol);
    // Sum of the loops' signed areas (outer minus holes); loops that do not
    // close within tol add nothing.
    double EvArea(double tol);

    int IsEmpty() const { return m_loopList.IsEmpty() ? 1 : 0; }
    // The loop list for editing: notes a geometry change (the const form reads).
    CTypedPtrList<CObList, CGeLoop*>& GetLoopList()
    {
        geNoteGeometryChange();
        return m_loopList;
    }
    const CTypedPtrList<CObList, CGeLoop*>& GetLoopList() const { return m_loopList; }

protected:
    CTypedPtrList<CObList, CGeLoop*> m_loopList{10};  // owned
};
