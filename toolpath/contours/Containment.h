// The point-in-contour test shared by curves and loops: crossings of a horizontal probe,
// with a winding sum where the crossings cannot decide. Curves and loops differ at their
// edges (flat sections, the winding sign of a point on a chord); the rule says which.
#pragma once

#include "toolpath/contours/SmartCurve.h"

#include <vector>

namespace smart {

struct ContainRule {
    // A flat section at distance below 1e-10 from p puts p on the contour (otherwise any
    // flat section leaves the crossings undecided); so does any section at that distance
    // when the crossings were abandoned.
    bool flatSectionOn = false;
    // Winding: a chord whose ends lie opposite as seen from p puts p on the contour.
    bool opposedChordOn = true;
    // Winding: lines count negative when the cross product is <= 0 (else < 0).
    bool lineNegativeAtZero = false;
    // Winding: lines shorter than 0.001 by P2D_AbsDist (else by P2D_Dist) are skipped.
    bool shortLineAbs = false;
};

// The rule of a loop's own contour (CSmartLoop::IsPointIn).
ContainRule LoopContainRule();

// 1 inside, 2 on the contour, 0 outside; the probe runs from probeX0 to probeX1.
int ContainPoint(CSmartCurve& c, const double* p, double probeX0, double probeX1, const ContainRule& rule);

// The sections of a curve by horizontal bands, for repeated point tests against one
// curve: At(y) holds, in chain order, every section whose y range widened by the probe
// band can hold y (and a few more). The curve must not change while this is used.
class SectionBands {
public:
    explicit SectionBands(CSmartCurve& c);
    const std::vector<CSmartSect*>& At(double y) const;

private:
    double m_y0 = 0, m_h = 1;
    std::vector<std::vector<CSmartSect*>> m_bands;
    std::vector<CSmartSect*> m_all;
};

// ContainPoint with the probe's crossings sought among `candidates` only (At(p.y) of the
// curve's bands); the same answer as the plain call.
int ContainPoint(CSmartCurve& c, const double* p, double probeX0, double probeX1, const ContainRule& rule,
                 const std::vector<CSmartSect*>& candidates);

}  // namespace smart
