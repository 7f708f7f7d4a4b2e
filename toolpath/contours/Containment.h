// The point-in-contour test shared by curves and loops: crossings of a horizontal probe,
// with a winding sum where the crossings cannot decide. Curves and loops differ at their
// edges (flat sections, the winding sign of a point on a chord); the rule says which.
#pragma once

#include "toolpath/contours/SmartCurve.h"

#include <cmath>
#include <cstddef>
#include <memory>
#include <span>
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
    // Count the probe's crossings without working out their points where the outcome is
    // sure (the same answer; off: every crossing worked out, as a reference).
    bool sureCount = true;
};

// Whether every distance MinDistPoint can give between p and s exceeds r: p lies off s's
// box by more than r, or (a line) off the line through s. The margin covers the rounding
// of both sides for coordinates far beyond any drawing; NaN and empty lines never pass.
inline bool SurelyFartherThan(CSmartSect* s, const double* p, double r)
{
    const double m = 2 * r + 1e-12 * (std::fabs(p[0]) + std::fabs(p[1]));
    if (p[0] < s->box[0] - m || p[0] > s->box[2] + m || p[1] < s->box[1] - m || p[1] > s->box[3] + m)
        return true;
    if (!s->IsSectLine())
        return false;
    const auto* l = static_cast<const CSmartLine*>(s);
    const double ux = l->end[0] - l->start[0], uy = l->end[1] - l->start[1];
    const double c = ux * (p[1] - l->start[1]) - uy * (p[0] - l->start[0]);
    const double ml = m + 1e-12 * (std::fabs(l->start[0]) + std::fabs(l->start[1]) + std::fabs(l->end[0]) + std::fabs(l->end[1]));
    return c * c > ml * ml * (ux * ux + uy * uy);
}

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
    std::span<CSmartSect* const> At(double y) const;
    // Section entries over all bands.
    std::size_t Entries() const { return m_entries.size(); }

private:
    double m_y0 = 0, m_h = 1;
    std::vector<std::size_t> m_start;  // band i holds m_entries[m_start[i], m_start[i + 1])
    std::vector<CSmartSect*> m_entries;
    std::vector<CSmartSect*> m_all;
};

// ContainPoint with the probe's crossings sought among `candidates` only (At(p.y) of the
// curve's bands); the same answer as the plain call.
int ContainPoint(CSmartCurve& c, const double* p, double probeX0, double probeX1, const ContainRule& rule,
                 std::span<CSmartSect* const> candidates);

// What point tests keep of one curve between calls: its sections by horizontal bands,
// so that a test reads only the sections of its band. The bands hold the chain as it
// was when they were made: they are used only while the curve's edit count, head, tail
// and section count are those they were made at (every edit of the chain or of a
// section's box must go through a member of the curve or call CSmartCurve::Edited).
// They are made by the second test at one edit count, so that tests between edits
// cost at most one plain walk each.
class ChainIndex {
public:
    ChainIndex() = default;
    ChainIndex(const ChainIndex&) = delete;
    ChainIndex& operator=(const ChainIndex&) = delete;

private:
    friend int ContainPoint(CSmartCurve&, const double*, double, double, const ContainRule&, ChainIndex&);
    struct Key {
        unsigned edits = 0;
        const CSmartSect* head = nullptr;
        const CSmartSect* tail = nullptr;
        int count = -1;
        bool operator==(const Key&) const = default;
    };
    Key m_key;
    std::unique_ptr<SectionBands> m_bands;
};

// ContainPoint through the curve's index; the same answer as the plain call.
int ContainPoint(CSmartCurve& c, const double* p, double probeX0, double probeX1, const ContainRule& rule,
                 ChainIndex& index);

}  // namespace smart
