// The curve at a constant signed distance from a base curve (type code 0x200).
// Computes no geometry of its own; never stored, never copied.
#pragma once

#include "geometry/shapes2d/GeCurve.h"

class CGeOffsetCrv : public CGeCurve {
public:
    CGeOffsetCrv();
    // Forgets the base; the base is never deleted through the offset curve.
    ~CGeOffsetCrv() override;

    using CGeCurve::GetBox2d;
    int GetType() const override;
    void GetBox2d(BOX2<double>* out) override;
    int GetSegmentCount() override;
    void GetPointAt(double t, double* p, unsigned seg) override;
    void GetTanVecAt(double t, double* v, unsigned seg) override;
    void EvPos(double t, double* p, unsigned seg) override;
    void Ev1Der(double t, double* p, double* d1, unsigned seg) override;
    void Ev2Der(double t, double* p, double* d1, double* d2, unsigned seg) override;
    int IsClosed(double tol) override;

protected:
    CGeCurve* m_pBase = nullptr;  // not owned
    double m_dDist = 0.0;         // along the base's left normal
    int m_nReserved = 0;
};
