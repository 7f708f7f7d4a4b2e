// Entity holding one 3D curve, which it owns (base type 0x800).
#pragma once

#include "framework/db/DbEntity.h"

class CGeCurve3d;

inline constexpr int kDbTypeCurve3d = 4;
inline constexpr int kDbBaseCurve3d = 0x800;

class CDbCurve3d : public CDbEntity {
    DECLARE_SERIAL(CDbCurve3d)
public:
    CDbCurve3d();
    // Takes ownership of curve (may be null).
    explicit CDbCurve3d(CGeCurve3d* curve);
    ~CDbCurve3d() override;
    CDbCurve3d(const CDbCurve3d&) = delete;
    CDbCurve3d& operator=(const CDbCurve3d&) = delete;

    // Entity part, then the curve as an object record (null allowed); loading
    // takes only a curve its own record created.
    void Serialize(CArchive& ar) override;
    CDbEntity* Copy() override;
    int GetType() const override { return kDbTypeCurve3d; }
    int GetBaseType() const override { return kDbBaseCurve3d; }
    // The curve's display string seen from above.
    void Draw(CDC* dc, int mode) override;
    // The display string's box in x and y; FALSE without points.
    BOOL GetBox(BOX2<double>* box) override;
    BOOL GetBox3D(BOX3<double>* box) override;
    void DrawGL(COpenGLDC* dc, int mode) override;

    CGeCurve3d* GetCurve() const { return m_pCurve; }
    // Replaces (and deletes) the curve held; takes ownership of curve.
    void SetCurve(CGeCurve3d* curve);

private:
    CGeCurve3d* m_pCurve = nullptr;
};
