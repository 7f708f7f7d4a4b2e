// The closed contour (type code 0x100): a composite curve with a cached signed
// area, a reversed mark and flags. Its own display polyline is the members'
// points joined into one closed string.
#pragma once

#include "geometry/shapes2d/GeCombCurve.h"

class CGeLoop : public CGeCombCurve {
    DECLARE_SERIAL(CGeLoop)
public:
    CGeLoop();
    ~CGeLoop() override;

    using CGeCombCurve::Discrete;
    using CGeCombCurve::Reverse;
    using CGeCombCurve::EvArea;
    void Serialize(CArchive& ar) override;
    int GetType() const override;
    CGeCurve* Copy() override;
    void Discrete(double tol, double ang) override;
    void Discrete(double tol) override;
    void Reverse() override;

    // Deletes every member and empties the list.
    void Clear();

    // Cached signed area (positive counter-clockwise); read directly by the toolkit.
    double m_dArea = 0.0;
    double m_dReserved = 0.0;
    unsigned char m_bReversed = 0;
    // Bit 0 outer loop, bit 1 used mark, bit 3 set at construction.
    int m_nFlags = 8;
};
