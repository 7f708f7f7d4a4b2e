// A single point in space as a storable shape: picked with a ray or in the plane,
// selected by a box, transformed like every 3D shape and stored in a document.
#pragma once

#include "geometry/shapes3d/GeShape3d.h"

class CPickRay;

class CGePoint3d : public CGeShape3d {
    DECLARE_SERIAL(CGePoint3d)
public:
    // At the origin; the box stays empty until CalcBox.
    CGePoint3d();
    explicit CGePoint3d(double* p);

    // The shape header (always; its handle from document version 6), then x, y, z.
    // Loading takes the box from the header.
    void Serialize(CArchive& ar) override;
    int GetType() const override;
    // Same point and box; new handle, the constructor's flags.
    CGeShape3d* Copy() override;
    // Both corners at the point.
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

    // 2D: 1 within the aperture in XY; the request keeps the smaller distance. 3D: 1
    // when the ray passes within the aperture at a depth ((point - m_pt) · m_dir) below
    // the request's, which then takes that depth; parameter and segment stay unwritten.
    virtual int Pick(CPickRay& ray, int useMask);
    // 1 when the point, taken into the frame's coordinates, lies in the box within 1e-6.
    virtual int PickBox(_rect_fm3d* frame, BOX2<double>* box);

    void SetPoint3D(double* p);
    void GetPoint3D(double* p) const;

    double m_point[3] = {0.0, 0.0, 0.0};

private:
    // Applies op to the point, then CalcBox.
    template <class Op>
    void Move(Op op)
    {
        op(m_point);
        CalcBox();
    }
};
