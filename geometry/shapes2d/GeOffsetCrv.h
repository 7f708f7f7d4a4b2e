// The curve at a constant signed distance from a base curve (type code 0x200).
// Computes no geometry of its own: every evaluation goes to the base and moves
// the result along the base's unit left normal. Never stored, never copied.
#pragma once

#include "geometry/shapes2d/GeCurve.h"

class CGeOffsetCrv : public CGeCurve {
public:
    CGeOffsetCrv();
    // Forgets the base; the base is never deleted through the offset curve.
    ~CGeOffsetCrv() override;
    CGeOffsetCrv(const CGeOffsetCrv&) = delete;
    CGeOffsetCrv& operator=(const CGeOffsetCrv&) = delete;

    // Stores the base (not owned) and the signed distance d (left positive)
    // and clears the reserved flag; 1. A null base is refused: 0, nothing changes.
    int Create(CGeCurve* base, double d);
    // The base's box grown by |d| on every side; nothing without a base.
    void CalcBox();

    CGeCurve* GetBase() const { return m_pBase; }
    double GetDistance() const { return m_dDist; }

    using CGeCurve::GetBox2d;
    int GetType() const override;
    // The same as CalcBox: the offset has no display polyline to measure.
    void CalcBox2d() override;
    // CalcBox when the stored box is invalid, then copied out (nothing for null).
    void GetBox2d(BOX2<double>* out) override;
    // The base's segment count; 1 without a base.
    int GetSegmentCount() override;
    // Evaluations leave their outputs untouched without a base.
    void GetPointAt(double t, double* p, unsigned seg) override;
    void GetTanVecAt(double t, double* v, unsigned seg) override;
    void EvPos(double t, double* p, unsigned seg) override;
    // The derivative is the base's scaled by (distance * signed curvature + 1):
    // shorter towards the centre of curvature, longer away from it.
    void Ev1Der(double t, double* p, double* d1, unsigned seg) override;
    // As Ev1Der; d2 is the base's second derivative, passed through unchanged.
    void Ev2Der(double t, double* p, double* d1, double* d2, unsigned seg) override;
    // 1 when the points at the start of the first segment and the end of the
    // last are closer than tol; 0 without a base.
    int IsClosed(double tol) override;

protected:
    CGeCurve* m_pBase = nullptr;  // not owned
    double m_dDist = 0.0;         // along the base's left normal
    int m_nReserved = 0;
};

// Curvature |d1 x d2| / |d1|^3 of a plane curve from its first and second
// derivatives. 1e12 for a vanishing first derivative: when the curvature would
// exceed 1e12 (so the cut-off scales with the derivative's size, and a short
// straight piece still has curvature 0).
double geCurvature2d(const double* d1, const double* d2);
