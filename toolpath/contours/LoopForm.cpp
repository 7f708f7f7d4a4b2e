// Loop forming: split curves walked back into closed loops by the leftmost branch.
//
// The walk asks at every step which sections start at the current point and which trace
// section closes the trace there. A plain scan of the curve and of the trace at every step
// makes the walk quadratic; the walk instead keeps one grid of all section start points
// (sections never move while they are walked) with a state per section (still in the
// curve, in the trace, gone) and the sections' order: the candidates of a query are
// sorted by chain position (curve) or by trace position (trace), so the choices and their
// tie order are those of the plain scans.
#include "toolpath/contours/SmartLoop.h"
#include "toolpath/contours/LoopChain.h"

#include "framework/numerak/Point2D.h"
#include "framework/numerak/QvnMath.h"
#include "toolpath/contours/CellGrid.h"
#include "toolpath/contours/SmartConst.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <utility>
#include <vector>

using namespace smart;

namespace {

constexpr std::uint8_t kAtIntPoint = 0x01;  // the section starts at an intersection point

bool Marked(const CSmartSect* s) { return (s->mark & kAtIntPoint) != 0; }

bool InWidenedBox(const double* box, const double* p, double w)
{
    return p[0] >= box[0] - w && p[0] <= box[2] + w && p[1] >= box[1] - w && p[1] <= box[3] + w;
}

// s may continue at p: its box widened by boxTol holds p and its start lies nearer than
// startTol (P2D_AbsDist).
bool StartsAt(CSmartSect* s, const double* p, double boxTol, double startTol)
{
    double a[2];
    s->GetPoint(0, a);
    return InWidenedBox(s->box, p, boxTol) && P2D_AbsDist(a, p) < startTol;
}

// The choice among the candidates, offered in chain order: the largest signed turn from
// dir (left positive) wins, the first on a tie; with `unmarkedFirst` an unmarked candidate
// ends the choice at once.
class BranchChoice {
public:
    BranchChoice(const double* dir, bool unmarkedFirst) : m_dir(dir), m_unmarkedFirst(unmarkedFirst) {}
    // True when the choice is made.
    bool Offer(CSmartSect* s)
    {
        if (m_unmarkedFirst && !Marked(s)) {
            m_best = s;
            return true;
        }
        double t[2];
        s->GetTangent(0, t);
        double a = QVN_Math::ACos(m_dir[0] * t[0] + m_dir[1] * t[1]);
        if (m_dir[0] * t[1] - m_dir[1] * t[0] < 0)
            a = -a;
        if (a > m_turn) {
            m_turn = a;
            m_best = s;
        }
        return false;
    }
    CSmartSect* Best() const { return m_best; }

private:
    const double* m_dir;
    bool m_unmarkedFirst;
    double m_turn = kNoTurn;
    CSmartSect* m_best = nullptr;
};

CSmartSect* ScanForBranch(CSmartCurve& c, const double* p, const double* dir, double boxTol, double startTol,
                          bool unmarkedFirst)
{
    BranchChoice choice(dir, unmarkedFirst);
    for (CSmartSect* s = c.head; s; s = s->next)
        if (StartsAt(s, p, boxTol, startTol) && choice.Offer(s))
            break;
    return choice.Best();
}

// The walk of FormLoop (joinTol 0: the run of unmarked successors is taken along) and of
// FormIntLoop.
class LoopWalk {
public:
    LoopWalk(CSmartCurve& c, bool single, double closeTol, double joinTol);
    ~LoopWalk();
    LoopWalk(const LoopWalk&) = delete;
    LoopWalk& operator=(const LoopWalk&) = delete;
    // The closed curves in output order; false when a trace could not start (FormIntLoop).
    bool Run(std::vector<CSmartCurve*>& out);

private:
    enum State : unsigned char { kInCurve, kInTrace, kGone };

    // A section's id, by open addressing over the sections' addresses.
    int Id(CSmartSect* s) const
    {
        for (std::size_t k = Slot(s);; k = (k + 1) & m_mask) {
            if (m_key[k] == s)
                return m_id[k];
            if (!m_key[k])
                throw std::out_of_range("section not in the walk");
        }
    }
    std::size_t Slot(const CSmartSect* s) const
    {
        return static_cast<std::size_t>((reinterpret_cast<std::uintptr_t>(s) >> 4) * 0x9E3779B97F4A7C15ull >> 20) & m_mask;
    }
    // Ids of the indexed starts within r of p (box query), for the state wanted.
    void Near(const double* p, double r, State want, std::vector<int>& ids);
    CSmartSect* Branch(const double* q, const double* dir);
    void Take(CSmartSect* s);
    CSmartSect* Closure(const double* q, CSmartSect* last);
    void DropTrace();

    CSmartCurve& m_curve;
    bool m_single;
    double m_closeTol, m_joinTol;
    std::vector<CSmartSect*> m_secs;
    std::vector<CSmartSect*> m_key;  // the id table: no allocation per section
    std::vector<int> m_id;
    std::size_t m_mask = 0;
    std::vector<State> m_state;
    std::vector<long long> m_seq;
    long long m_nextSeq = 0;
    std::size_t CellIndex(int ix, int iy) const
    {
        return static_cast<std::size_t>(iy) * static_cast<std::size_t>(m_grid.Nx()) + static_cast<std::size_t>(ix);
    }

    CellGrid m_grid;
    std::vector<std::size_t> m_cellStart;  // cell c holds m_cellIds[m_cellStart[c] .. m_cellStart[c + 1])
    std::vector<int> m_cellIds;
    std::vector<int> m_loose;  // starts that are not finite: never near anything
    CSmartCurve* m_trace = nullptr;
    std::vector<int> m_ids;
};

LoopWalk::LoopWalk(CSmartCurve& c, bool single, double closeTol, double joinTol)
    : m_curve(c), m_single(single), m_closeTol(closeTol), m_joinTol(joinTol)
{
    double mn[2] = {HUGE_VAL, HUGE_VAL}, mx[2] = {-HUGE_VAL, -HUGE_VAL};
    std::vector<std::array<double, 2>> starts;
    const auto n = static_cast<std::size_t>(std::max(c.count, 0));
    starts.reserve(n);
    m_secs.reserve(n);
    for (CSmartSect* s = c.head; s; s = s->next) {
        m_secs.push_back(s);
        double a[2];
        s->GetPoint(0, a);
        starts.push_back({a[0], a[1]});
        if (std::isfinite(a[0]) && std::isfinite(a[1]))
            for (int k = 0; k < 2; ++k) {
                mn[k] = std::min(mn[k], a[k]);
                mx[k] = std::max(mx[k], a[k]);
            }
    }
    std::size_t cap = 16;
    while (cap < 2 * m_secs.size())
        cap *= 2;
    m_key.assign(cap, nullptr);
    m_id.assign(cap, 0);
    m_mask = cap - 1;
    for (std::size_t i = 0; i < m_secs.size(); ++i) {
        std::size_t k = Slot(m_secs[i]);
        while (m_key[k] && m_key[k] != m_secs[i])
            k = (k + 1) & m_mask;
        if (!m_key[k]) {
            m_key[k] = m_secs[i];
            m_id[k] = static_cast<int>(i);
        }
    }
    if (!(mn[0] <= mx[0]))
        mn[0] = mn[1] = mx[0] = mx[1] = 0;
    m_state.assign(m_secs.size(), kInCurve);
    m_seq.assign(m_secs.size(), 0);
    m_grid = CellGrid(mn, mx, static_cast<double>(m_secs.size()), false);
    // Each cell's starts, ascending, end to end in one array.
    std::vector<std::size_t> cellOf(starts.size(), SIZE_MAX);
    m_cellStart.assign(static_cast<std::size_t>(m_grid.Nx()) * static_cast<std::size_t>(m_grid.Ny()) + 1, 0);
    for (std::size_t i = 0; i < starts.size(); ++i) {
        const auto& a = starts[i];
        if (std::isfinite(a[0]) && std::isfinite(a[1])) {
            cellOf[i] = CellIndex(m_grid.CellX(a[0]), m_grid.CellY(a[1]));
            ++m_cellStart[cellOf[i] + 1];
        }
    }
    for (std::size_t c = 0; c + 1 < m_cellStart.size(); ++c)
        m_cellStart[c + 1] += m_cellStart[c];
    m_cellIds.resize(m_cellStart.back());
    std::vector<std::size_t> at(m_cellStart.begin(), m_cellStart.end() - 1);
    for (std::size_t i = 0; i < starts.size(); ++i)
        if (cellOf[i] != SIZE_MAX)
            m_cellIds[at[cellOf[i]]++] = static_cast<int>(i);
}

LoopWalk::~LoopWalk() { delete m_trace; }

void LoopWalk::Near(const double* p, double r, State want, std::vector<int>& ids)
{
    ids.clear();
    if (!(std::isfinite(p[0]) && std::isfinite(p[1])))
        return;
    m_grid.ForBox(p[0] - r, p[1] - r, p[0] + r, p[1] + r, [&](int ix, int iy) {
        const std::size_t c = CellIndex(ix, iy);
        for (std::size_t k = m_cellStart[c]; k < m_cellStart[c + 1]; ++k) {
            const int i = m_cellIds[k];
            if (m_state[static_cast<std::size_t>(i)] == want)
                ids.push_back(i);
        }
    });
}

CSmartSect* LoopWalk::Branch(const double* q, const double* dir)
{
    const double boxTol = m_single ? m_joinTol : kBranchBox, startTol = m_single ? m_joinTol : kBranchStart;
    Near(q, startTol, kInCurve, m_ids);
    std::sort(m_ids.begin(), m_ids.end());  // chain order
    BranchChoice choice(dir, !m_single);
    for (int i : m_ids) {
        CSmartSect* s = m_secs[static_cast<std::size_t>(i)];
        if (StartsAt(s, q, boxTol, startTol) && choice.Offer(s))
            break;
    }
    return choice.Best();
}

void LoopWalk::Take(CSmartSect* s)
{
    m_curve.RemoveSect(s);
    if (!m_trace)
        m_trace = new CSmartCurve;
    m_trace->AddSect(s);
    const int id = Id(s);
    m_state[static_cast<std::size_t>(id)] = kInTrace;
    m_seq[static_cast<std::size_t>(id)] = m_nextSeq++;
}

// The first trace section (in trace order) that closes the trace at q.
CSmartSect* LoopWalk::Closure(const double* q, CSmartSect* last)
{
    Near(q, m_closeTol, kInTrace, m_ids);
    std::sort(m_ids.begin(), m_ids.end(), [&](int a, int b) { return m_seq[static_cast<std::size_t>(a)] < m_seq[static_cast<std::size_t>(b)]; });
    for (int i : m_ids) {
        CSmartSect* f = m_secs[static_cast<std::size_t>(i)];
        if (!InWidenedBox(f->box, q, kCloseTrace) || (f == last && f->IsSectLine()))
            continue;
        double a[2];
        f->GetPoint(0, a);
        if (P2D_Dist(a, q) < m_closeTol)
            return f;
    }
    return nullptr;
}

void LoopWalk::DropTrace()
{
    if (!m_trace)
        return;
    for (CSmartSect* s = m_trace->head; s; s = s->next)
        m_state[static_cast<std::size_t>(Id(s))] = kGone;
    delete m_trace;
    m_trace = nullptr;
}

bool LoopWalk::Run(std::vector<CSmartCurve*>& out)
{
    double q[2] = {0, 0}, dir[2] = {1, 0};
    bool fresh = true;  // step 2: a new trace starts at the curve's head
    while (true) {
        if (fresh) {
            if (!m_curve.head)
                break;
            m_curve.head->GetPoint(0, q);
            m_curve.head->GetTangent(0, dir);
            fresh = false;
        }
        CSmartSect* s = Branch(q, dir);
        if (!s) {
            if (!m_trace || m_trace->count == 0) {
                if (m_single)
                    return false;
                // The head cannot even start a walk (a degenerate section, a box that does
                // not hold its start): it is dropped, so that the walk always advances.
                CSmartSect* h = m_curve.head;
                m_curve.RemoveSect(h);
                m_state[static_cast<std::size_t>(Id(h))] = kGone;
                delete h;
                fresh = true;
                continue;
            }
            if (m_trace->count < 2) {
                DropTrace();
                fresh = true;
                continue;
            }
            CSmartSect* t = m_trace->tail;
            m_trace->RemoveSect(t);
            m_state[static_cast<std::size_t>(Id(t))] = kGone;
            delete t;
            m_trace->tail->GetPoint(1, q);
            m_trace->tail->GetTangent(1, dir);
            continue;
        }
        CSmartSect* following = s->next;
        Take(s);
        s->GetPoint(1, q);
        CSmartSect* last = s;
        if (!m_single)
            while (following && !Marked(following)) {
                double a[2];
                following->GetPoint(0, a);
                if (!(P2D_AbsDist(a, q) < kJoint))
                    break;
                CSmartSect* n = following->next;
                Take(following);
                following->GetPoint(1, q);
                last = following;
                following = n;
            }
        last->GetTangent(1, dir);
        CSmartSect* f = Closure(q, last);
        if (!f)
            continue;
        auto* closed = new CSmartCurve;
        const bool whole = f == m_trace->head;
        for (CSmartSect* g = f; g;) {
            CSmartSect* n = g->next;
            m_trace->RemoveSect(g);
            closed->AddSect(g);
            m_state[static_cast<std::size_t>(Id(g))] = kGone;
            g = n;
        }
        out.push_back(closed);
        if (whole) {
            delete m_trace;
            m_trace = nullptr;
            fresh = true;
        } else {
            m_trace->tail->GetPoint(1, q);
            m_trace->tail->GetTangent(1, dir);
        }
    }
    DropTrace();
    return true;
}

// The walked curves as loops; `rebox` boxes every section anew (otherwise their boxes
// are current and only the curve's box is made).
CSmartLoop* LoopsOf(std::vector<CSmartCurve*>& curves, bool rebox)
{
    std::vector<CSmartLoop*> loops;
    for (CSmartCurve* c : curves) {
        auto* L = new CSmartLoop;
        L->contour = c;
        c->ConnectAllSect();
        if (rebox)
            c->DefineBox();
        else
            c->DefineBox(c->box, c->box + 2);
        L->Area();
        L->DefineBox();
        if (std::fabs(L->area) < kMinLoopArea || !std::isfinite(L->area)) {
            delete L;
            continue;
        }
        loops.push_back(L);
    }
    for (std::size_t i = 0; i < loops.size(); ++i) {
        loops[i]->prev = i > 0 ? loops[i - 1] : nullptr;
        loops[i]->next = i + 1 < loops.size() ? loops[i + 1] : nullptr;
    }
    return loops.empty() ? nullptr : loops.front();
}

}  // namespace

CSmartSect* CSmartCurve::GetOptimalSect(const double* p, const double* dir, CSmartSect* hint)
{
    if (!head || !p || !dir)
        return nullptr;
    if (hint && !Marked(hint)) {
        double a[2];
        hint->GetPoint(0, a);
        if (P2D_Dist(a, p) < kJointClose)
            return hint;
    }
    return ScanForBranch(*this, p, dir, kBranchBox, kBranchStart, true);
}

CSmartSect* CSmartCurve::GetOptimalIntSect(const double* p, const double* dir, CSmartSect*, double tol)
{
    if (!head || !p || !dir)
        return nullptr;
    return ScanForBranch(*this, p, dir, tol, tol, false);
}

CSmartLoop* CSmartCurve::FormLoop()
{
    Edited();
    std::vector<CSmartCurve*> curves;
    LoopWalk(*this, false, kCloseTrace, 0).Run(curves);
    return LoopsOf(curves, true);
}

namespace smart {

CSmartLoop* FormLoopOfBoxed(CSmartCurve& c)
{
    c.Edited();
    std::vector<CSmartCurve*> curves;
    LoopWalk(c, false, kCloseTrace, 0).Run(curves);
    return LoopsOf(curves, false);
}

}  // namespace smart

CSmartLoop* CSmartCurve::FormIntLoop(double closeTol, double joinTol)
{
    Edited();
    std::vector<CSmartCurve*> curves;
    if (!LoopWalk(*this, true, closeTol, joinTol).Run(curves)) {
        for (CSmartCurve* c : curves)
            delete c;
        return nullptr;
    }
    return LoopsOf(curves, true);
}
