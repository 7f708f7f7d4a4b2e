// The point-in-contour test of curves and loops: crossings of a horizontal probe, with
// the winding angle as the fallback when the crossings cannot decide.
#include "toolpath/contours/Containment.h"

#include "framework/numerak/Point2D.h"
#include "framework/numerak/QvnMath.h"
#include "toolpath/contours/SegCrossing.h"
#include "toolpath/contours/SmartConst.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>
#include <vector>

using namespace smart;

namespace {

struct Crossing {
    double p[2];
    CSmartSect* on;
};

// 1 when the tangents on the two sides of the joint earlier -> later point in opposite
// vertical senses (the contour turns back at the probe: the crossings cancel).
bool TurnsAtJoint(CSmartSect* earlier, CSmartSect* later)
{
    double a[2], b[2];
    earlier->GetTangent(1, a);
    later->GetTangent(0, b);
    return a[1] * b[1] < 0;
}

// A section whose y range, widened by the probe band, cannot hold y.
inline bool OutsideBand(const CSmartSect* s, double y) { return y < s->box[1] - kProbeBand || y > s->box[3] + kProbeBand; }

// The sections of a chain, from the head, that the probe at y can meet. The skipping
// runs in a register-only loop: most sections of a long contour are skipped, and the
// test is bound by following their links.
class ChainSections {
public:
    explicit ChainSections(CSmartSect* head) : m_s(head) {}
    CSmartSect* Next(double y)
    {
        CSmartSect* s = m_s;
        while (s && OutsideBand(s, y))
            s = s->next;
        m_s = s ? s->next : nullptr;
        return s;
    }

private:
    CSmartSect* m_s;
};

// The same from a list of candidates in chain order.
class ListedSections {
public:
    explicit ListedSections(std::span<CSmartSect* const> list) : m_it(list.data()), m_end(list.data() + list.size()) {}
    CSmartSect* Next(double y)
    {
        while (m_it != m_end && OutsideBand(*m_it, y))
            ++m_it;
        return m_it != m_end ? *m_it++ : nullptr;
    }

private:
    CSmartSect* const* m_it;
    CSmartSect* const* m_end;
};

// ProbeCount where its outcome is sure without the crossing points (true, the outcome in
// `count`): every section met is a line, steep enough and within the probe's reach, whose
// y range holds the probe's y, so that it has exactly one crossing; the crossings lie
// clear of p and those of neighbouring sections clear of each other (no crossing is on,
// none is merged at a joint). Each crossing's x is then worked out once, without the
// points and parameters, and only its side of p counts. The margins cover the rounding
// of both ways of working x out. False (nothing decided) otherwise.
template <class Sections>
bool SureCount(CSmartCurve& c, const double* p, double x0, double x1, Sections sections, int& count)
{
    const double y = p[1];
    const double a[2] = {x0, y}, b[2] = {x1, y};
    // The probe runs along +x with a unit direction of exactly (1, 0).
    const SegDirection v = seg::Direction(a, b);
    if (!(v.valid && v.vx == 1.0 && v.vy == 0.0))
        return false;
    const double lo = x0 + 0.5, hi = x1 - 0.5;
    int right = 0, left = 0, n = 0;
    // The first and the latest crossing: section, x and x's margin.
    struct Met {
        CSmartSect* s = nullptr;
        double x = 0, err = 0;
    } first, last;
    for (CSmartSect* s = sections.Next(y); s; s = sections.Next(y)) {
        if (!s->IsSectLine() || !(s->box[3] - s->box[1] >= kFlatSection))
            return false;
        const auto* l = static_cast<const CSmartLine*>(s);
        const double a0 = l->start[0], a1 = l->start[1], b0 = l->end[0], b1 = l->end[1];
        const double dx = b0 - a0, dy = b1 - a1, len2 = dx * dx + dy * dy;
        // (Comparisons written out: NaN fails each.)
        if (!((a1 <= y && y <= b1) || (b1 <= y && y <= a1)) || !(a0 >= lo && a0 <= hi && b0 >= lo && b0 <= hi) ||
            !(len2 >= 2 * kMinSegmentSq) || !(dy * dy > 1.0001 * kParallelSine * kParallelSine * len2) ||
            !(std::fabs(a0) + std::fabs(b0) + std::fabs(a1) + std::fabs(b1) + std::fabs(y) < 1e6 * (std::fabs(dx) + std::fabs(dy))))
            return false;
        const double x = a0 + (y - a1) * dx / dy;
        const double err = 1e-13 * (std::fabs(a0) + std::fabs(b0)) + 1e-300;
        if (!(std::fabs(x - p[0]) > kCrossingOnX + err))
            return false;
        if (last.s && last.s == s->prev && !(std::fabs(x - last.x) >= kJoint + err + last.err))
            return false;
        if (++n + 1 >= kMaxCrossings)
            return false;
        ++(x > p[0] ? right : left);
        last = {s, x, err};
        if (!first.s)
            first = last;
    }
    if (last.s == c.tail && first.s == c.head && last.s != first.s && !(std::fabs(last.x - first.x) >= kJoint + last.err + first.err))
        return false;
    count = right % 2 != left % 2 ? -1 : right % 2;
    return true;
}

// Crossing count of the probe through p over the sections `sections` hands out in chain
// order (null at the end); -1 when it cannot decide, 2 on the curve.
template <class Sections>
int ProbeCount(CSmartCurve& c, const double* p, double x0, double x1, const ContainRule& rule, Sections sections)
{
    if (int sure = 0; rule.sureCount && SureCount(c, p, x0, x1, sections, sure))
        return sure;
    const double y = p[1];
    const double a[2] = {x0, y}, b[2] = {x1, y};
    CSmartLine probe(a, b);
    LineCrossings cross(probe);
    // At most kMaxCrossings - 1 crossings are ever held: no allocation per test.
    std::array<Crossing, kMaxCrossings> found;
    std::size_t held = 0;
    bool on = false;
    for (CSmartSect* s = sections.Next(y); s; s = sections.Next(y)) {
        if (s->box[3] - s->box[1] < kFlatSection) {
            double foot[2];
            if (rule.flatSectionOn && s->MinDistPoint(p, foot) < kCrossingOnX)
                return 2;
            return -1;
        }
        double pts[2][2];
        const int k = cross.With(s, pts);
        // A crossing at p puts p on the curve, even where it cancels at a turning joint.
        for (int i = 0; i < k; ++i)
            on = on || std::fabs(pts[i][0] - p[0]) < kCrossingOnX;
        // The neighbour across the joint before s (for the tail also the head after it).
        for (int i = 0; i < k; ++i) {
            bool handled = false;
            for (std::size_t j = 0; j < held && !handled; ++j) {
                CSmartSect* o = found[j].on;
                CSmartSect* earlier = nullptr;
                CSmartSect* later = nullptr;
                if (o == s->prev) {
                    earlier = o;
                    later = s;
                } else if (s == c.tail && o == c.head && s != o) {
                    earlier = s;
                    later = o;
                }
                // Only a neighbour's crossing can be the same one: the distance last.
                if (!earlier || P2D_Dist(found[j].p, pts[i]) >= kJoint)
                    continue;
                handled = true;
                if (TurnsAtJoint(earlier, later)) {
                    std::copy(&found[j + 1], &found[0] + held, &found[j]);
                    --held;
                }
            }
            if (handled)
                continue;
            if (static_cast<int>(held) + 1 >= kMaxCrossings)
                return -1;
            found[held++] = {{pts[i][0], pts[i][1]}, s};
        }
    }
    if (on)
        return 2;
    int right = 0, left = 0;
    for (std::size_t j = 0; j < held; ++j) {
        const Crossing& x = found[j];
        if (std::fabs(x.p[0] - p[0]) < kCrossingOnX)
            return 2;
        if (x.p[0] > p[0])
            ++right;
        else
            ++left;
    }
    if (right % 2 != left % 2)
        return -1;
    return right % 2;
}

// Signed angle subtended at p by the chord a-b; sets `on` when p lies on the chord.
double Subtended(const double* p, const double* a, const double* b, bool& on, bool opposedOn, bool negativeAtZero)
{
    double u[2] = {a[0] - p[0], a[1] - p[1]}, v[2] = {b[0] - p[0], b[1] - p[1]};
    const double lu = std::hypot(u[0], u[1]), lv = std::hypot(v[0], v[1]);
    if (lu == 0.0 || lv == 0.0) {
        on = true;  // p is a vertex
        return 0;
    }
    u[0] /= lu;
    u[1] /= lu;
    v[0] /= lv;
    v[1] /= lv;
    const double dot = u[0] * v[0] + u[1] * v[1];
    if (opposedOn && dot < kWindingOpposite) {
        on = true;
        return 0;
    }
    const double ang = QVN_Math::ACos(dot);
    const double cross = u[0] * v[1] - u[1] * v[0];
    return cross < 0 || (negativeAtZero && cross == 0) ? -ang : ang;
}

// The winding sum, where the crossings cannot decide.
int Winding(CSmartCurve& c, const double* p, const ContainRule& rule)
{
    // The crossings were abandoned (at a flat section or at too many crossings) before
    // every section was seen: p may still lie on a later one.
    if (rule.flatSectionOn)
        for (CSmartSect* s = c.head; s; s = s->next) {
            double foot[2];
            if (!SurelyFartherThan(s, p, kCrossingOnX) && s->MinDistPoint(p, foot) < kCrossingOnX)
                return 2;
        }
    double sum = 0;
    bool on = false;
    double pts[kWindingArcPoints][2];
    for (CSmartSect* s = c.head; s && !on; s = s->next) {
        if (s->IsSectLine()) {
            auto* l = static_cast<CSmartLine*>(s);
            const double len = rule.shortLineAbs ? P2D_AbsDist(l->start, l->end) : P2D_Dist(l->start, l->end);
            if (len < kShortLine)
                continue;
            sum += Subtended(p, l->start, l->end, on, rule.opposedChordOn, rule.lineNegativeAtZero);
            continue;
        }
        const int n = DiscretizeArcSect(pts, kWindingArcPoints, kWindingArcTol, static_cast<CSmartArc*>(s));
        for (int i = 0; i < n && !on; ++i)
            sum += Subtended(p, pts[i], pts[i + 1], on, rule.opposedChordOn, false);
    }
    if (on)
        return 2;
    return std::fabs(sum) >= kWindingInside ? 1 : 0;
}

}  // namespace

namespace smart {

ContainRule LoopContainRule()
{
    ContainRule rule;
    rule.flatSectionOn = true;
    rule.opposedChordOn = false;
    rule.lineNegativeAtZero = true;
    rule.shortLineAbs = true;
    return rule;
}

int ContainPoint(CSmartCurve& c, const double* p, double x0, double x1, const ContainRule& rule)
{
    if (!c.head)
        return 0;
    const int k = ProbeCount(c, p, x0, x1, rule, ChainSections(c.head));
    return k >= 0 ? k : Winding(c, p, rule);
}

int ContainPoint(CSmartCurve& c, const double* p, double x0, double x1, const ContainRule& rule,
                 std::span<CSmartSect* const> candidates)
{
    if (!c.head)
        return 0;
    const int k = ProbeCount(c, p, x0, x1, rule, ListedSections(candidates));
    return k >= 0 ? k : Winding(c, p, rule);
}

int ContainPoint(CSmartCurve& c, const double* p, double x0, double x1, const ContainRule& rule, ChainIndex& index)
{
    if (!c.head)
        return 0;
    const ChainIndex::Key key{c.Edits(), c.head, c.tail, c.count};
    if (!(key == index.m_key)) {
        // First test since an edit: the plain walk, remembering the chain it saw.
        index.m_key = key;
        index.m_bands.reset();
        return ContainPoint(c, p, x0, x1, rule);
    }
    if (!index.m_bands)
        index.m_bands = std::make_unique<SectionBands>(c);
    return ContainPoint(c, p, x0, x1, rule, index.m_bands->At(p[1]));
}

SectionBands::SectionBands(CSmartCurve& c)
{
    m_all.reserve(static_cast<std::size_t>(std::max(c.count, 0)));
    double lo = HUGE_VAL, hi = -HUGE_VAL, heights = 0;
    for (CSmartSect* s = c.head; s; s = s->next) {
        m_all.push_back(s);
        // fmin/fmax: a NaN bound is passed over.
        const double b = s->box[1] - kProbeBand, t = s->box[3] + kProbeBand;
        if (b < lo)
            lo = b;
        if (t > hi)
            hi = t;
        const double h = s->box[3] - s->box[1] + 2 * kProbeBand;
        if (std::isfinite(h))
            heights += h;
    }
    const int n = static_cast<int>(m_all.size());
    // About four sections a band, but no more bands than keep the entries within 4 n: a
    // section is listed in every band its height spans, and contours whose sections span
    // much of the height (stars, combs) would otherwise need n^2 entries.
    double bandsFit = static_cast<double>(n / 4);
    if (heights > 0 && hi > lo)
        bandsFit = std::fmin(bandsFit, 3.0 * n * (hi - lo) / heights);
    const int bands = std::max(1, static_cast<int>(bandsFit));
    m_y0 = lo;
    m_h = hi > lo ? (hi - lo) / bands : 1;
    if (bands == 1)
        return;  // one band holds every section: At gives them all
    // The band range of each section; the bands lie end to end in one array, sized by a
    // first count, then filled in chain order.
    const auto band = [&](double y, int ifNotFinite) {
        const double a = (y - m_y0) / m_h;
        // A section whose range cannot be placed (not finite) goes into every band.
        return std::isfinite(a) ? std::clamp(static_cast<int>(std::floor(a)), 0, bands - 1) : ifNotFinite;
    };
    std::vector<std::pair<int, int>> ranges;
    ranges.reserve(m_all.size());
    m_start.assign(static_cast<std::size_t>(bands) + 1, 0);
    for (const CSmartSect* s : m_all) {
        ranges.emplace_back(band(s->box[1] - kProbeBand, 0), band(s->box[3] + kProbeBand, bands - 1));
        for (int i = ranges.back().first; i <= ranges.back().second; ++i)
            ++m_start[static_cast<std::size_t>(i) + 1];
    }
    for (std::size_t i = 0; i + 1 < m_start.size(); ++i)
        m_start[i + 1] += m_start[i];
    m_entries.resize(m_start.back());
    std::vector<std::size_t> at(m_start.begin(), m_start.end() - 1);
    for (std::size_t k = 0; k < m_all.size(); ++k)
        for (int i = ranges[k].first; i <= ranges[k].second; ++i)
            m_entries[at[static_cast<std::size_t>(i)]++] = m_all[k];
}

std::span<CSmartSect* const> SectionBands::At(double y) const
{
    if (m_start.empty())
        return m_all;
    const double a = (y - m_y0) / m_h;
    if (!std::isfinite(a))
        return m_all;
    // Clamped before the conversion: a point far off the contour is beyond int's range.
    const double last = static_cast<double>(m_start.size() - 2);
    const auto i = static_cast<std::size_t>(std::clamp(std::floor(a), 0.0, last));
    return std::span<CSmartSect* const>(m_entries.data() + m_start[i], m_entries.data() + m_start[i + 1]);
}

}  // namespace smart

int CSmartCurve::IsPointOn(const double* p)
{
    if (!head)
        return 0;
    double mn[2], mx[2];
    DefineBox(mn, mx);
    return ContainPoint(*this, p, mn[0] - kProbeMargin, mx[0] + kProbeMargin, ContainRule{});
}
