// Entity holding one 2D curve, which it owns.
#pragma once

#include "framework/db/DbEntity.h"

class CGeCurve;

class CDbCurve : public CDbEntity {
    DECLARE_SERIAL(CDbCurve)
public:
    CDbCurve();
    // Takes ownership of curve (may be null).
    explicit CDbCurve(CGeCurve* curve);
    ~CDbCurve() override;

    // Entity part, then the curve as an object record (null allowed). Loading
    // throws badClass for a record of another kind and badIndex for a
    // reference to an object read earlier; it deletes nothing it did not create.
    void Serialize(CArchive& ar) override;
    CDbEntity* Copy() override;
    int GetType() const override { return kDbTypeCurve; }
    int GetBaseType() const override { return kDbBaseCurve; }
    // The curve's display polyline, drawn by the curve.
    void Draw(CDC* dc, int mode) override;
    BOOL GetBox(BOX2<double>* box) override;
    void Move(const double* from, const double* to) override;
    // A curve that cannot keep its class under the scale is replaced by the one
    // the curve returns.
    void Scale(const double* base, const double* factors) override;
    void DrawGL(COpenGLDC* dc, int mode) override;

    // The curve for editing in place: notes a geometry change, since the
    // caller may change it. ReadCurve hands it out for reading only.
    CGeCurve* GetCurve() const;
    const CGeCurve* ReadCurve() const { return m_pCurve; }
    // Replaces (and deletes) the curve held; takes ownership of curve.
    void SetCurve(CGeCurve* curve);
    // Hands the curve to the caller; the entity holds none afterwards.
    CGeCurve* DetachCurve();

private:
    CGeCurve* m_pCurve = nullptr;
};

// Curve entity generators; the caller owns the result.
// Takes ownership of curve; null for a null curve.
CDbCurve* dbGenCurve(CGeCurve* curve);
// Straight line from p to q.
CDbCurve* dbGenLine(const double* p, const double* q);
// Arc about c from s towards e, counter-clockwise for bCCW nonzero, with its display
// polyline at tol; null when the arc cannot be made (e.g. s or e on c).
CDbCurve* dbGenArcCSE(const double* c, const double* s, const double* e, int bCCW, double tol);
// Closed axis-parallel rectangle with the corners pmin and pmax.
CDbCurve* dbGenRect(const double* pmin, const double* pmax);
