#include "toolpath/surfkernel/EdTrimSurf.h"

#include "framework/numerak/Box2D.h"
#include "framework/numerak/Bsrf.h"
#include "framework/numerak/Line2D.h"
#include "framework/numerak/QvnMath.h"
#include "framework/numerak/Vector2D.h"
#include "geometry/shapes3d/GeTrimSurf.h"
#include "toolpath/surfkernel/BoxSweep.h"
#include "toolpath/surfkernel/ChordThinning.h"
#include "toolpath/surfkernel/EdTrimBound.h"
#include "toolpath/surfkernel/EdTrimLoop.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <unordered_map>
#include <vector>

namespace {

constexpr double kPeriodMatch = 1e-6;    // a periodic range that is the UV box's
constexpr double kSurfBoxGrow = 1e-12;
constexpr double kCloseTolNurbs = 0.02, kCloseTolPlain = 0.01;
constexpr double kXyzMeetTol = 0.02;     // ends that meet in 3D
constexpr double kPretreatTol = 0.08;    // ends that meet in (u, v), as the rebuild snaps them
constexpr double kFormTol = 1e-8;        // ends that continue a path
constexpr double kLoopAreaMin = 1e-10;   // a formed loop without area is dropped
constexpr double kBuildAreaMin = 1e-12;
constexpr double kUnitTol = 1e-6;
constexpr double kSeamStep = 0.0001;     // pieces split at a seam end just beyond it
constexpr double kCurveCloseTol = 0.001; // a polyline ending this near its start closes
constexpr double kSimplifyTol = 1e-6;
constexpr double kSnapTol = 1e-5;
constexpr double kNoTurn = -6.0;         // below every turn angle

double Dist2(const double* a, const double* b) { return std::hypot(a[0] - b[0], a[1] - b[1]); }
double Dist3(const double* a, const double* b)
{
    return std::sqrt((a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) + (a[2] - b[2]) * (a[2] - b[2]));
}

// Cells of a square grid over the (u, v) plane, for the searches of ends near a point.
class EndGrid {
public:
    explicit EndGrid(double cell) : cell_(cell > 1e-12 ? cell : 1e-12) {}
    using Key = std::pair<std::int64_t, std::int64_t>;
    struct Hash {
        std::size_t operator()(const Key& k) const
        {
            return std::hash<std::int64_t>()(k.first * 0x9E3779B97F4A7C15LL ^ k.second);
        }
    };
    // Cells are only looked up, never walked, so their order does not matter.
    template <class T>
    using Map = std::unordered_map<Key, T, Hash>;
    Key KeyOf(const double* p) const { return {Coord(p[0]), Coord(p[1])}; }
    // Keys of the cells that may hold a point within the cell size of p.
    template <class F>
    void Around(const double* p, F f) const
    {
        const Key k = KeyOf(p);
        for (std::int64_t i = -1; i <= 1; ++i)
            for (std::int64_t j = -1; j <= 1; ++j) f(Key{k.first + i, k.second + j});
    }

private:
    std::int64_t Coord(double x) const
    {
        const double c = std::floor(x / cell_);
        return static_cast<std::int64_t>(std::clamp(c, -4e18, 4e18));
    }
    double cell_;
};

// The end direction of a bound: unit vector from its second-last to its last point.
void EndOf(CEdTrimBound* b, double* e, double* d)
{
    b->GetTangent(1, e, d);
}

// Turn angle from dir into the bound's first segment, positive to the left.
double TurnAngle(CEdTrimBound* c, const double* dir)
{
    double d[2] = {c->Point(1)[0] - c->Point(0)[0], c->Point(1)[1] - c->Point(0)[1]};
    V2D_Unit(d, kUnitTol);
    double a = QVN_Math::ACos(dir[0] * d[0] + dir[1] * d[1]);
    if (!(dir[0] * d[1] - dir[1] * d[0] > 0.0)) a = -a;
    return a;
}

// Chain bookkeeping of FormLoop, by chain position: each bound's ends and end
// directions, its state and whether it is still in the chain, the start points
// sorted by u, and per id the number of bounds on the path, so that each step of a
// path looks only at the bounds starting near its end (the plain FindNextBound walks
// the whole chain at every step).
class LoopWalk {
public:
    LoopWalk(CEdTrimBound* chain, double tol) : tol_(tol)
    {
        CEdTrimBound* prev = nullptr;
        for (CEdTrimBound* b = chain; b; prev = b, b = b->next) {
            b->prev = prev;
            bounds_.push_back(b);
        }
        const size_t n = bounds_.size();
        inChain_.assign(n, 1);
        pathPos_.assign(n, -1);
        state_.resize(n);
        ends_.resize(n);
        slot_.resize(n);
        twinSlot_.assign(n, -1);
        std::unordered_map<int, int> slots;  // id -> slot, only while setting up
        slots.reserve(2 * n);
        for (size_t i = 0; i < n; ++i) {
            CEdTrimBound* b = bounds_[i];
            slot_[i] = slots.emplace(b->id, static_cast<int>(slots.size())).first->second;
        }
        pathCount_.assign(slots.size(), 0);
        for (size_t i = 0; i < n; ++i) {
            CEdTrimBound* b = bounds_[i];
            auto twin = slots.find(-b->id);
            if (twin != slots.end()) twinSlot_[i] = twin->second;
            if (b->pts == nullptr || b->nLast < 1) {
                b->state = BND_DEAD;  // it can continue no path
                state_[i] = BND_DEAD;
                continue;
            }
            state_[i] = b->state;
            if (b->state == BND_IN_PATH) ++pathCount_[slot_[i]];
            Ends& e = ends_[i];
            e.start[0] = b->Point(0)[0], e.start[1] = b->Point(0)[1];
            e.first[0] = b->Point(1)[0] - e.start[0], e.first[1] = b->Point(1)[1] - e.start[1];
            V2D_Unit(e.first, kUnitTol);
            EndOf(b, e.end, e.endDir);
            starts_.push_back({e.start[0], e.start[1], static_cast<int>(i)});
        }
        std::sort(starts_.begin(), starts_.end(), [](const StartPoint& x, const StartPoint& y) { return x.u < y.u; });
    }

    CEdTrimBound* Bound(int i) const { return bounds_[i]; }
    // The first bound still in the chain (-1 when none); chain order is index order.
    int Head()
    {
        while (head_ < static_cast<int>(bounds_.size()) && !inChain_[head_]) ++head_;
        return head_ < static_cast<int>(bounds_.size()) ? head_ : -1;
    }
    int State(int i) const { return state_[i]; }
    const double* Start(int i) const { return ends_[i].start; }
    void End(int i, double* e, double* d) const
    {
        e[0] = ends_[i].end[0], e[1] = ends_[i].end[1];
        d[0] = ends_[i].endDir[0], d[1] = ends_[i].endDir[1];
    }

    void SetState(int i, int state)
    {
        if (state_[i] == BND_IN_PATH && inChain_[i]) --pathCount_[slot_[i]];
        if (state == BND_IN_PATH && inChain_[i]) {
            ++pathCount_[slot_[i]];
            onPath_.push_back(i);
        }
        state_[i] = state;
        bounds_[i]->state = state;
    }

    // Every bound of the chain that is on a path goes back to free.
    void FreePath()
    {
        for (int i : onPath_)
            if (inChain_[i] && state_[i] == BND_IN_PATH) SetState(i, BND_FREE);
        onPath_.clear();
    }

    // The bound leaves the chain (it is in a loop now, or deleted).
    void Forget(int i)
    {
        if (!inChain_[i]) return;
        if (state_[i] == BND_IN_PATH) --pathCount_[slot_[i]];
        inChain_[i] = 0;
        pathPos_[i] = -1;
    }

    void SetPathPos(int i, int pos) { pathPos_[i] = pos; }

    // The first path position up to top whose bound starts within tol of p; -1 when none.
    int FirstOnPath(const double* p, int top) const
    {
        int best = -1;
        for (auto it = Near(p); it != starts_.end() && it->u <= p[0] + tol_; ++it) {
            const int pos = pathPos_[it->index];
            if (pos < 0 || pos > top || (best >= 0 && pos >= best)) continue;
            if (Dist2(ends_[it->index].start, p) < tol_) best = pos;
        }
        return best;
    }

    // FindNextBound among the bounds starting within tol of end, in chain order;
    // end and dir move to the winner's end. -1 when none.
    int Next(double* end, double* dir)
    {
        cands_.clear();
        for (auto it = Near(end); it != starts_.end() && it->u <= end[0] + tol_; ++it) {
            const int i = it->index;
            if (inChain_[i] && state_[i] == BND_FREE && std::fabs(it->v - end[1]) < tol_ &&
                Dist2(ends_[i].start, end) < tol_)
                cands_.push_back(i);
        }
        std::sort(cands_.begin(), cands_.end());
        int best = -1;
        double bestTurn = kNoTurn;
        for (int i : cands_) {
            if (twinSlot_[i] >= 0 && pathCount_[twinSlot_[i]] > 0) continue;
            const double* d = ends_[i].first;
            double a = QVN_Math::ACos(dir[0] * d[0] + dir[1] * d[1]);
            if (!(dir[0] * d[1] - dir[1] * d[0] > 0.0)) a = -a;
            if (a > bestTurn) bestTurn = a, best = i;
        }
        if (best < 0) return -1;
        SetState(best, BND_IN_PATH);
        End(best, end, dir);
        return best;
    }

private:
    struct StartPoint {
        double u, v;
        int index;
    };
    struct Ends {
        double start[2], end[2], first[2], endDir[2];
    };
    std::vector<StartPoint>::const_iterator Near(const double* p) const
    {
        return std::lower_bound(starts_.begin(), starts_.end(), p[0] - tol_, [](const StartPoint& s, double u) { return s.u < u; });
    }

    double tol_;
    std::vector<CEdTrimBound*> bounds_;  // chain order
    std::vector<char> inChain_;
    std::vector<int> pathPos_;
    std::vector<int> state_;
    std::vector<Ends> ends_;
    std::vector<int> slot_, twinSlot_;  // slots of each bound's id and of its negation
    std::vector<int> pathCount_;        // per id slot, bounds on the path
    std::vector<StartPoint> starts_;         // by ascending u
    std::vector<int> onPath_;
    std::vector<int> cands_;
    int head_ = 0;
};

}  // namespace

CEdTrimBound* UnlinkBound(CEdTrimBound* head, CEdTrimBound* bound)
{
    if (bound == nullptr) return head;
    const bool inChain = bound == head || bound->prev != nullptr;
    if (inChain) {
        if (bound == head) head = bound->next;
        if (bound->prev) bound->prev->next = bound->next;
        if (bound->next) bound->next->prev = bound->prev;
    }
    bound->next = bound->prev = nullptr;
    return head;
}

CEdTrimSurf::CEdTrimSurf() { uvBox.InitEmpty(); }

CEdTrimSurf::~CEdTrimSurf() { DeleteAllCurve(); }

void CEdTrimSurf::ClearResult()
{
    DeleteChain(resultHead);
    DeleteChain(curveHead);
    curveTail = nullptr;
}

int CEdTrimSurf::DeleteAllCurve()
{
    DeleteChain(curveHead);
    curveTail = nullptr;
    DeleteChain(loopHead);
    loopTail = nullptr;
    DeleteChain(resultHead);
    surf = nullptr;
    return 1;
}

bool CEdTrimSurf::Params(_param& U, _param& V)
{
    if (surf == nullptr || surf->m_pSurface == nullptr) return false;
    return BSRF_GetParam(surf->m_pSurface, QVN_Math::GetTol(), QVN_Math::GetAng(), &U, &V) == 1;
}

int CEdTrimSurf::InitSurfBound(CGeTrimSurf* surface)
{
    DeleteAllCurve();
    surf = surface;
    uPeriodic = vPeriodic = 0;
    if (surface == nullptr || surface->m_pSurface == nullptr) return 0;
    int index = 0;
    for (CGeTrimLoop* g : surface->m_listLoop) {
        auto* loop = new CEdTrimLoop;
        if (g)
            for (CGeTrimBnd* gb : g->m_listBnd) {
                auto* b = new CEdTrimBound;
                b->Create(gb);
                b->loopIndex = index;
                loop->AddBound(b);
            }
        AddLoop(loop);
        ++index;
    }
    surface->GetUVBox(&uvBox);
    _param U, V;
    if (!Params(U, V)) return 1;
    uPeriodic = U.closure == 2 && std::fabs((U.end - U.start) - (uvBox.xmax - uvBox.xmin)) < kPeriodMatch ? 1 : 0;
    vPeriodic = V.closure == 2 && std::fabs((V.end - V.start) - (uvBox.ymax - uvBox.ymin)) < kPeriodMatch ? 1 : 0;
    return 1;
}

int CEdTrimSurf::AddLoop(CEdTrimLoop* loop)
{
    if (loop == nullptr) return 0;
    loop->ConnectBound();
    loop->area = loop->CalcLoopArea();
    loop->owner = this;
    AppendChain(loopHead, loopTail, loop);
    return 1;
}

int CEdTrimSurf::AddCurve(CEdTrimBound* bound)
{
    if (bound == nullptr) return 0;
    bound->prev = curveTail;
    AppendChain(curveHead, curveTail, bound);
    return 1;
}

int CEdTrimSurf::AddIntBounds(CEdTrimBound* chain)
{
    if (chain == nullptr) return 0;
    int id = curveTail ? curveTail->id : 0;
    for (CEdTrimBound* b = chain; b;) {
        CEdTrimBound* n = b->next;
        b->id = ++id;
        AddCurve(b);
        b = n;
    }
    return 1;
}

int CEdTrimSurf::AddCurve(double (*pts)[2], int n)
{
    if (pts == nullptr || n <= 1) return 0;
    _param U, V;
    if (!Params(U, V)) return 0;
    const _param* param[2] = {&U, &V};
    bool periodic[2] = {U.closure == 2, V.closure == 2};
    int start = 0;
    for (int i = 0; i < n; ++i) {
        for (int c = 0; c < 2; ++c)
            if (periodic[c]) pts[i][c] = QVN_Math::ClampPeriodic(param[c]->start, param[c]->end, pts[i][c]);
        for (int c = 0; c < 2 && i > 0; ++c) {
            if (!periodic[c]) continue;
            const double lo = param[c]->start, hi = param[c]->end, period = std::fabs(hi - lo);
            const double d = pts[i - 1][c] - pts[i][c];
            if (d > period / 2 || d < -period / 2) {
                // The polyline passes the seam: this piece ends just beyond it, the next
                // starts just before it on the other side.
                const bool toStart = d > period / 2;
                const double keep = pts[i][c];
                pts[i][c] = toStart ? hi + kSeamStep : lo - kSeamStep;
                AddCurve(pts, n, start, i, true);
                pts[i - 1][c] = toStart ? lo - kSeamStep : hi + kSeamStep;
                pts[i][c] = keep;
                start = i - 1;
            }
        }
        if (i == n - 1 && Dist2(pts[i], pts[0]) < kCurveCloseTol) pts[i][0] = pts[0][0], pts[i][1] = pts[0][1];
    }
    AddCurve(pts, n, start, n - 1, true);
    return 1;
}

void CEdTrimSurf::AddCurve(double (*pts)[2], int total, int from, int to, bool simplify)
{
    if (pts == nullptr || from < 0 || from >= to || to > total - 1) return;
    std::vector<int> kept;
    if (simplify) {
        kept = ThinChords(&pts[from][0], to - from + 1, 2, ChordThinRule{kSimplifyTol, 0.0});
    } else {
        for (int i = 0; i <= to - from; ++i) kept.push_back(i);
    }
    if (kept.size() < 2) return;
    auto* b = new CEdTrimBound;
    b->pts = new double[3 * kept.size()];
    b->nLast = static_cast<int>(kept.size()) - 1;
    for (size_t k = 0; k < kept.size(); ++k) {
        b->pts[3 * k] = pts[from + kept[k]][0];
        b->pts[3 * k + 1] = pts[from + kept[k]][1];
        b->pts[3 * k + 2] = static_cast<double>(k);
    }
    b->kind = BND_CURVE;
    b->CalcBox();
    AddCurve(b);
}

int CEdTrimSurf::ClipToPeriodic(double* uv)
{
    if (uPeriodic) uv[0] = QVN_Math::ClampPeriodic(uvBox.xmin, uvBox.xmax, uv[0]);
    if (vPeriodic) uv[1] = QVN_Math::ClampPeriodic(uvBox.ymin, uvBox.ymax, uv[1]);
    return 1;
}

int CEdTrimSurf::IsPointIn(const double* uv)
{
    _param U, V;
    if (loopHead == nullptr || !Params(U, V)) return 1;
    double p[2] = {uv[0], uv[1]};
    if (uPeriodic) p[0] = QVN_Math::ClampPeriodic(U.start, U.end, p[0]);
    if (vPeriodic) p[1] = QVN_Math::ClampPeriodic(V.start, V.end, p[1]);
    if (!BOX2D_IsPtIn(uvBox, p, kSurfBoxGrow)) return 1;
    const int outer = loopHead->IsPointIn(p);
    if (outer != 0) return outer;
    for (CEdTrimLoop* hole = loopHead->next; hole; hole = hole->next) {
        const int r = hole->IsPointIn(p);
        if (r == 2) return 2;
        if (r == 0) return 1;
    }
    return 0;
}

int CEdTrimSurf::AutoIntersect(bool forceBoth)
{
    std::vector<CEdTrimBound*> own, curves;
    for (CEdTrimLoop* l = loopHead; l; l = l->next)
        for (CEdTrimBound* b = l->boundHead; b; b = b->next) {
            b->ClearIntPoint();
            b->CalcBox();
            own.push_back(b);
        }
    for (CEdTrimBound* c = curveHead; c; c = c->next) {
        if (c->kind != BND_EXTENDED) c->ClearIntPoint();
        c->CalcBox();
        curves.push_back(c);
    }
    const auto boxes = [](const std::vector<CEdTrimBound*>& v) {
        std::vector<BOX2<double>> out;
        out.reserve(v.size());
        for (CEdTrimBound* b : v) out.push_back(b->uvBox);
        return out;
    };
    const std::vector<BOX2<double>> ownBoxes = boxes(own), curveBoxes = boxes(curves);
    // Only bounds whose boxes meet can cross; the pairs come in chain order so that
    // each crossing list is built as the plain double loop would build it.
    std::vector<std::pair<int, int>> pairs;
    boxsweep::Pairs(ownBoxes, curveBoxes, 1e-8, [&](int i, int j) { pairs.push_back({i, j}); });
    std::sort(pairs.begin(), pairs.end());
    for (auto [i, j] : pairs) own[i]->BoundBoundInt(curves[j], forceBoth);
    pairs.clear();
    boxsweep::SelfPairs(curveBoxes, 1e-8, [&](int i, int j) { pairs.push_back({i, j}); });
    std::sort(pairs.begin(), pairs.end());
    for (auto [i, j] : pairs) curves[i]->BoundBoundInt(curves[j], forceBoth);
    return 1;
}

double CEdTrimSurf::GetMinCloseTol()
{
    return surf != nullptr && surf->m_pSurface != nullptr ? kCloseTolNurbs : kCloseTolPlain;
}

void CEdTrimSurf::ExtendIntBound()
{
    if (curveHead == nullptr) return;
    AutoIntersect(false);
    PretreatBnd(curveHead, GetMinCloseTol());
    for (CEdTrimBound* c = curveHead; c; c = c->next) {
        bool start = false, end = false;
        c->GetExTendFlag(start, end, this);
        c->ClearIntPoint();
        if (start && end)
            c->ExtendBoundBoth(this);
        else if (start)
            c->ExtendBoundBegin(this);
        else if (end)
            c->ExtendBoundEnd(this);
    }
    AutoIntersect(true);
    for (CEdTrimBound* c = curveHead; c; c = c->next) c->TrimIntBound();
}

CEdTrimBound* CEdTrimSurf::BreakAllBound()
{
    CEdTrimBound *head = nullptr, *tail = nullptr;
    int id = 0;
    const auto append = [&](CEdTrimBound* b) {
        b->state = BND_FREE;
        b->prev = tail;
        AppendChain(head, tail, b);
    };
    for (CEdTrimLoop* l = loopHead; l; l = l->next)
        for (CEdTrimBound* b = l->boundHead; b; b = b->next)
            for (CEdTrimBound* piece = b->BreakBound(true); piece;) {
                CEdTrimBound* n = piece->next;
                piece->id = ++id;
                append(piece);
                piece = n;
            }
    for (CEdTrimBound* c = curveHead; c; c = c->next)
        for (CEdTrimBound* piece = c->BreakBound(true); piece;) {
            CEdTrimBound* n = piece->next;
            piece->id = ++id;
            append(piece);
            if (CEdTrimBound* twin = piece->CopyMyself()) {
                twin->ReverseDirect();
                twin->id = -piece->id;
                append(twin);
            }
            piece = n;
        }
    return head;
}

void CEdTrimSurf::PretreatBnd(CEdTrimBound* chain, double tol)
{
    if (chain == nullptr || surf == nullptr) return;
    // Ends in a grid of cell tol: only ends within tol of each other can be snapped.
    struct End {
        CEdTrimBound* b;
        int atEnd;
    };
    EndGrid grid(tol);
    EndGrid::Map<std::vector<End>> cells;
    std::unordered_map<CEdTrimBound*, std::int64_t> order;
    std::int64_t n = 0;
    for (CEdTrimBound* b = chain; b; b = b->next) {
        order[b] = n++;
        if (b->pts == nullptr || b->nLast < 1) continue;
        cells[grid.KeyOf(b->Point(0))].push_back({b, 0});
        cells[grid.KeyOf(b->Point(b->nLast))].push_back({b, 1});
    }
    const auto move = [&](CEdTrimBound* b, int atEnd, const double* to) {
        double* p = atEnd ? b->Point(b->nLast) : b->Point(0);
        auto& from = cells[grid.KeyOf(p)];
        from.erase(std::remove_if(from.begin(), from.end(), [&](const End& e) { return e.b == b && e.atEnd == atEnd; }),
                   from.end());
        if (atEnd)
            b->SetEndPoint(to[0], to[1]);
        else
            b->SetStartPoint(to[0], to[1]);
        cells[grid.KeyOf(to)].push_back({b, atEnd});
    };
    // An end already joined (within the walk's tolerance) to another bound stays
    // where it is unless it is already at the target: moving it would open a joint
    // the walk needs, as on a loop's short edges below the 3D tolerance, whose two
    // ends would otherwise be snapped together. A bound's own twin does not count.
    const auto mayMove = [&](CEdTrimBound* c, int atEnd, const double* target) {
        const double* p = atEnd ? c->Point(c->nLast) : c->Point(0);
        if (Dist2(p, target) < kFormTol) return true;
        bool joined = false;
        grid.Around(p, [&](const EndGrid::Key& k) {
            auto cell = cells.find(k);
            if (cell == cells.end()) return;
            for (const End& e : cell->second) {
                if (e.b == c || e.b->id == -c->id) continue;
                const double* q = e.atEnd ? e.b->Point(e.b->nLast) : e.b->Point(0);
                joined |= Dist2(p, q) < kFormTol;
            }
        });
        return !joined;
    };
    const auto world = [&](const double* uv, double* xyz) {
        if (!surf->GetPoint(uv[0], uv[1], xyz)) xyz[0] = xyz[1] = xyz[2] = 0.0;
    };
    for (CEdTrimBound* b = chain; b; b = b->next) {
        if (b->state == BND_DEAD || b->pts == nullptr || b->nLast < 1) continue;
        double S[2] = {b->Point(0)[0], b->Point(0)[1]}, E[2] = {b->Point(b->nLast)[0], b->Point(b->nLast)[1]};
        double S3[3], E3[3];
        world(S, S3);
        world(E, E3);
        // The later bounds with an end near S or E, in chain order.
        std::vector<CEdTrimBound*> later;
        for (const double* q : {static_cast<const double*>(S), static_cast<const double*>(E)})
            grid.Around(q, [&](const EndGrid::Key& k) {
                auto cell = cells.find(k);
                if (cell == cells.end()) return;
                for (const End& e : cell->second)
                    if (order[e.b] > order[b]) later.push_back(e.b);
            });
        std::sort(later.begin(), later.end(), [&](CEdTrimBound* x, CEdTrimBound* y) { return order[x] < order[y]; });
        later.erase(std::unique(later.begin(), later.end()), later.end());
        bool moved = false;
        for (CEdTrimBound* c : later) {
            if (c->state == BND_DEAD || c->id == -b->id || c->pts == nullptr || c->nLast < 1) continue;
            // B's start, then B's end, against C's start and then C's end: C's nearer
            // matching end moves onto B's.
            for (int end = 0; end < 2; ++end) {
                const double* P = end ? E : S;
                const double* P3 = end ? E3 : S3;
                double CS3[3], CE3[3];
                world(c->Point(0), CS3);
                world(c->Point(c->nLast), CE3);
                double bestUV = tol, best3 = kXyzMeetTol;
                const bool meetsStart = Dist2(P, c->Point(0)) < tol && Dist3(P3, CS3) < kXyzMeetTol;
                if (meetsStart) bestUV = Dist2(P, c->Point(0)), best3 = Dist3(P3, CS3);
                int moveEnd = -1;
                if (Dist2(P, c->Point(c->nLast)) < bestUV && Dist3(P3, CE3) < best3 && mayMove(c, 1, P))
                    moveEnd = 1;
                else if (meetsStart && mayMove(c, 0, P))
                    moveEnd = 0;
                if (moveEnd < 0) continue;
                move(c, moveEnd, P);
                (end ? b->endFixed : b->startFixed) = 1;
                moved = true;
            }
        }
        if (!moved && Dist2(S, E) < tol && Dist3(S3, E3) < kXyzMeetTol && mayMove(b, 1, S)) {
            move(b, 1, S);
            b->startFixed = b->endFixed = 1;
        }
    }
}

CEdTrimBound* CEdTrimSurf::FindNextBound(CEdTrimBound* chain, double* end, double* dir, double tol)
{
    CEdTrimBound* best = nullptr;
    double bestTurn = kNoTurn;
    for (CEdTrimBound* c = chain; c; c = c->next) {
        if (c->state != BND_FREE || IsReverseBnd(chain, c)) continue;
        if (c->pts == nullptr || c->nLast < 1) {
            c->state = BND_DEAD;
            continue;
        }
        if (!(Dist2(c->Point(0), end) < tol)) continue;
        const double a = TurnAngle(c, dir);
        if (a > bestTurn) bestTurn = a, best = c;
    }
    if (best == nullptr) return nullptr;
    best->state = BND_IN_PATH;
    EndOf(best, end, dir);
    return best;
}

int CEdTrimSurf::IsReverseBnd(CEdTrimBound* chain, CEdTrimBound* bound)
{
    if (bound == nullptr) return 0;
    for (CEdTrimBound* c = chain; c; c = c->next)
        if (c->state == BND_IN_PATH && c->id == -bound->id) return 1;
    return 0;
}

int CEdTrimSurf::CreateLoop(CEdTrimLoop*& result, CEdTrimBound*& chain, CEdTrimBound** path, int from, int to)
{
    if (to < from || path == nullptr) return 0;
    auto* loop = new CEdTrimLoop;
    for (int k = from; k <= to; ++k) {
        CEdTrimBound* b = path[k];
        path[k] = nullptr;
        if (b == nullptr) continue;
        chain = UnlinkBound(chain, b);
        loop->AddBound(b);
    }
    loop->ConnectBound();
    loop->area = loop->CalcLoopArea();
    if (std::fabs(loop->area) < kLoopAreaMin) {
        delete loop;
        return 0;
    }
    loop->next = result;
    result = loop;
    return 1;
}

CEdTrimLoop* CEdTrimSurf::FormLoop(CEdTrimBound*& chain, double tol)
{
    if (chain == nullptr) return nullptr;
    LoopWalk walk(chain, tol);
    std::vector<int> path;  // chain positions of the path's bounds
    std::vector<CEdTrimBound*> loopPath;
    CEdTrimLoop* result = nullptr;
    const auto makeLoop = [&](int from, int to) {
        loopPath.clear();
        for (int k = from; k <= to; ++k) {
            walk.Forget(path[k]);
            loopPath.push_back(walk.Bound(path[k]));
        }
        CreateLoop(result, chain, loopPath.data(), 0, to - from);
    };
    while (true) {
        walk.FreePath();
        // Dead bounds at the head of the chain are deleted.
        int head = walk.Head();
        while (head >= 0 && walk.State(head) == BND_DEAD) {
            CEdTrimBound* dead = walk.Bound(head);
            walk.Forget(head);
            chain = UnlinkBound(chain, dead);
            delete dead;
            head = walk.Head();
        }
        if (head < 0) break;
        path.assign(1, head);
        walk.SetState(head, BND_IN_PATH);
        walk.SetPathPos(head, 0);
        double E[2], D[2];
        walk.End(head, E, D);
        if (walk.Bound(head)->nLast >= 2 && Dist2(walk.Start(head), E) < tol) {
            makeLoop(0, 0);
            continue;
        }
        int j = 1;
        while (true) {
            const int nb = walk.Next(E, D);
            if (nb >= 0) {
                path.resize(j + 1);
                path[j] = nb;
                walk.SetPathPos(nb, j);
                const int k = walk.FirstOnPath(E, j);
                if (k < 0) {
                    ++j;
                    continue;
                }
                makeLoop(k, j);
                if (k == 0) break;
                walk.End(path[k - 1], E, D);
                path.resize(k);
                j = k;
            } else {
                walk.SetState(path[j - 1], BND_DEAD);
                walk.SetPathPos(path[j - 1], -1);
                if (j == 1) break;
                --j;
                path.resize(j);
                walk.End(path[j - 1], E, D);
            }
        }
    }
    return result;
}

CEdTrimLoop* CEdTrimSurf::BuildTrimLoop(CEdTrimLoop* chain)
{
    if (chain == nullptr || chain->next == nullptr) return chain;
    std::vector<CEdTrimLoop*> loops;
    for (CEdTrimLoop* l = chain; l;) {
        CEdTrimLoop* n = l->next;
        l->next = nullptr;
        l->area = l->CalcLoopArea();
        if (std::fabs(l->area) < kBuildAreaMin)
            delete l;
        else
            loops.push_back(l);
        l = n;
    }
    std::stable_sort(loops.begin(), loops.end(), [](CEdTrimLoop* a, CEdTrimLoop* b) { return a->area < b->area; });
    size_t firstOuter = 0;
    while (firstOuter < loops.size() && loops[firstOuter]->area < 0.0) ++firstOuter;
    for (size_t h = 0; h < firstOuter; ++h) {
        CEdTrimLoop* hole = loops[h];
        double mid[2] = {0.0, 0.0};
        if (hole->boundHead) hole->boundHead->GetMidPoint(mid);
        bool placed = false;
        for (size_t o = firstOuter; o < loops.size() && !placed; ++o)
            if (loops[o]->IsPointIn(mid) == 0) {
                loops[o]->AddIsland(hole);
                placed = true;
            }
        if (!placed) delete hole;
    }
    CEdTrimLoop* head = nullptr;
    for (size_t o = firstOuter; o < loops.size(); ++o) {
        loops[o]->next = head;  // ascending order pushed to the front: largest first
        head = loops[o];
    }
    return head;
}

int CEdTrimSurf::TrimSurface(int extend)
{
    if (extend) ExtendIntBound();
    CEdTrimBound* chain = BreakAllBound();
    PretreatBnd(chain, kPretreatTol);
    DeleteChain(resultHead);
    resultHead = BuildTrimLoop(FormLoop(chain, kFormTol));
    DeleteChain(chain);  // pieces the walk left in the chain
    return 1;
}

CEdTrimLoop* CEdTrimSurf::FormTrimLoop()
{
    CEdTrimBound* chain = BreakAllBound();
    PretreatBnd(chain, kPretreatTol);
    CEdTrimLoop* loops = BuildTrimLoop(FormLoop(chain, kFormTol));
    DeleteChain(chain);
    return loops;
}

CGeTrimLoop* CEdTrimSurf::FormSurfLoop()
{
    CEdTrimLoop* loops = FormTrimLoop();
    DeleteChain(loops);
    return nullptr;
}

int CEdTrimSurf::SnapPoint(const double* p, double* foot, double& u, double& v)
{
    if (surf == nullptr || surf->m_pSurface == nullptr) return 0;
    const double saved = QVN_Math::GetTol();
    QVN_Math::SetTol(kSnapTol);
    double nu = u, nv = v, d = 0.0;
    const int ok = BSRF_SnapPnt(surf->m_pSurface, p, kSnapTol, foot, &nu, &nv, &d);
    if (ok == 1) u = nu, v = nv;
    QVN_Math::SetTol(saved);
    return ok == 1 ? 1 : 0;
}

void CEdTrimSurf::IsLink(const double* s1, const double* e1, const double* s2, const double* e2, double uvTol,
                         double xyzTol, int& end1, int& end2)
{
    end1 = end2 = -1;
    if (surf == nullptr) return;
    const double* uv[4] = {s1, e1, s2, e2};
    double xyz[4][3];
    for (int k = 0; k < 4; ++k)
        if (!surf->GetPoint(uv[k][0], uv[k][1], xyz[k])) xyz[k][0] = xyz[k][1] = xyz[k][2] = 0.0;
    double bestUV = uvTol, best3 = xyzTol;
    for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 2; ++j) {
            const double duv = Dist2(uv[i], uv[2 + j]), d3 = Dist3(xyz[i], xyz[2 + j]);
            if (duv < bestUV && d3 < best3) end1 = i, end2 = j, bestUV = duv, best3 = d3;
        }
}

void CEdTrimSurf::DelOverlapBnd(CEdTrimBound*, double) {}
