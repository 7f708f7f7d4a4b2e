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

// A copy of a curve's chain of sections in contiguous memory, kept between point tests
// of one curve so that they step through an array instead of following heap links.
// It is checked link by link as it is walked (each section's next must be the copy's
// next entry, reading only sections already found in the chain), and the sections'
// own boxes are read: a copy gone stale after edits costs time, never a different
// answer. It is rebuilt on the next call after it was found stale.
class ChainCopy {
public:
    ChainCopy() = default;
    ChainCopy(const ChainCopy&) = delete;
    ChainCopy& operator=(const ChainCopy&) = delete;

private:
    friend int ContainPoint(CSmartCurve&, const double*, double, double, const ContainRule&, ChainCopy&);
    std::vector<CSmartSect*> m_sects;
    bool m_stale = true;
};

// ContainPoint walking the chain through `copy`; the same answer as the plain call.
int ContainPoint(CSmartCurve& c, const double* p, double probeX0, double probeX1, const ContainRule& rule,
                 ChainCopy& copy);

}  // namespace smart
