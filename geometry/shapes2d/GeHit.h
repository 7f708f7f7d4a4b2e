// Result of hitting a curve with a pick request: the curve, the segment, the
// parameter and the point. Plain record, copied as a whole.
#pragma once

class CGeCurve;
class CFeatureVector;

class CGeHit {
public:
    CGeHit() { Init(); }

    void Init()
    {
        m_pCurve = nullptr;
        m_nReserved1 = 0;
        m_nReserved2 = 0;
        m_nSegment = -1;
        m_dParam = -1.0;
        m_pt[0] = m_pt[1] = m_pt[2] = 0.0;
        m_dValue1 = -1.0;
        m_dValue2 = -1.0;
    }

    // For a hit on a straight piece (a line, a polyline edge, a line member of
    // a composite curve): a new feature vector at the hit point along the
    // piece, owned by the caller. Null otherwise.
    CFeatureVector* IsHitLine() const;

    CGeCurve* m_pCurve;  // not owned
    int m_nReserved1;
    int m_nReserved2;
    int m_nSegment;
    double m_dParam;
    double m_pt[3];
    double m_dValue1;
    double m_dValue2;
};
