#include "toolpath/milling/LevelLoop.h"

#include "toolpath/milling/IntrusiveList.h"
#include "toolpath/milling/ProtectNet.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <unordered_set>

using namespace levelloop;

namespace {

constexpr double kCaptureMargin = 0.05;  // share of the net step a record's box is grown by
constexpr double kWithinBox = 0.05;      // a segment this close inside the box is taken whole
constexpr double kCrossExtent = 0.0001;  // a segment must span more than this across a side
constexpr double kEndInBox = 0.005;      // one crossing: the end this close to the box is inside
constexpr double kSaddleCover = 0.0001;  // a saddle record's box covers its nodes within this
constexpr double kStripOver = 0.02;      // profile nodes this far past a strip's ends go
constexpr double kPieceSpan = 0.01;      // a piece's ends keep one side below this u span
constexpr double kPieceLow = -100;       // heights at or below this are none
constexpr double kPieceThin = 0.01;      // thinning of a piece
constexpr double kJoinShift = 0.1;       // a junction end moves when one gap exceeds the other by this
constexpr double kDetour = 0.05;         // gaps summing beyond this may cut a record out
constexpr double kUnderEnvelope = 0.02;  // a corner curve this far under the other corner's lies inside
constexpr double kSharedSpan = 1e-6;     // curves overlapping less than this in u only touch
constexpr int kDr[4] = {0, 1, 0, -1};
constexpr int kDc[4] = {1, 0, -1, 0};
// Frame angles of the codes, in degrees.
constexpr double kCodeAngle[8] = {0, 180, 90, -90, 45, -45, 135, -135};

struct Node {
    int row, col;
};

bool IsCorner(const SLevelRecord* r) { return r && r->kind != kStrip; }

SLevelRecord* NextOf(const SLevelRecords& recs, const SLevelRecord* r) { return r->next ? r->next : recs.first; }
SLevelRecord* PrevOf(const SLevelRecords& recs, const SLevelRecord* r) { return r->prev ? r->prev : recs.last; }

void RemoveRecord(SLevelRecords& recs, SLevelRecord* r)
{
    centre::ChainUnlink(recs.first, recs.last, recs.count, r);
    delete r;
}

SLevelRecord* AddRecord(SLevelRecords& recs, int kind, int code, const double* first, const double* corner)
{
    auto* r = new SLevelRecord;
    r->kind = kind, r->code = code;
    r->first[0] = first[0], r->first[1] = first[1];
    r->box[0] = std::min(first[0], corner[0]), r->box[1] = std::min(first[1], corner[1]);
    r->box[2] = std::max(first[0], corner[0]), r->box[3] = std::max(first[1], corner[1]);
    centre::ChainAppend(recs.first, recs.last, recs.count, r);
    return r;
}

void Pos(const SLevelRecords& recs, Node n, double* p) { p[0] = recs.columnX[n.col], p[1] = recs.rowY[n.row]; }

// Strip from s back to e along a run in direction run (StripRecord). A run whose end lies
// behind its start (a one-cell run between two turns of type T) gives none.
void StripRecord(SLevelRecords& recs, Node s, Node e, int run)
{
    int code = -1;
    Node far = s;
    if (e.col < s.col)
        code = 0, far.row = s.row + 1;
    else if (e.col > s.col)
        code = 1, far.row = s.row - 1;
    else if (e.row < s.row)
        code = 3, far.col = s.col - 1;
    else if (e.row > s.row)
        code = 2, far.col = s.col + 1;
    // Codes 1, 2, 0, 3 are the runs towards +column, +row, -column, -row.
    constexpr int kRunCode[4] = {1, 2, 0, 3};
    if (code < 0 || code != kRunCode[run])
        return;
    double a[2], b[2];
    Pos(recs, e, a);
    Pos(recs, far, b);
    AddRecord(recs, kStrip, code, a, b);
}

void CornerRecord(SLevelRecords& recs, Node c, int d, int kind)
{
    // Per direction: code and the diagonal node's offsets (row, column).
    static constexpr int kTurn[4][3] = {{6, -1, 1}, {4, 1, 1}, {5, 1, -1}, {7, -1, -1}};
    static constexpr int kOther[4][3] = {{7, -1, -1}, {6, -1, 1}, {4, 1, 1}, {5, 1, -1}};
    const int* t = kind == kTurnCorner ? kTurn[d] : kOther[d];
    double a[2], b[2];
    Pos(recs, c, a);
    Pos(recs, Node{c.row + t[1], c.col + t[2]}, b);
    AddRecord(recs, kind, t[0], a, b);
}

bool CoversSaddle(const SLevelRecord& r, const SGridSaddle& s)
{
    for (int k = 0; k < 2; ++k)
        if (!(s.xy[k][0] >= r.box[0] - kSaddleCover && s.xy[k][0] <= r.box[2] + kSaddleCover &&
              s.xy[k][1] >= r.box[1] - kSaddleCover && s.xy[k][1] <= r.box[3] + kSaddleCover))
            return false;
    return true;
}

bool BoxesMeet(const double* a, const double* b)
{
    return a[0] <= b[2] && b[0] <= a[2] && a[1] <= b[3] && b[1] <= a[3];
}

void Grow(const double* box, double m, double* out)
{
    out[0] = box[0] - m, out[1] = box[1] - m, out[2] = box[2] + m, out[3] = box[3] + m;
}

// Links seg into set just before at.
void InsertBefore(CIntLineSet& set, SIntSegment* at, std::unique_ptr<SIntSegment> seg)
{
    SIntSegment* s = seg.release();
    s->next = at;
    s->prev = at->prev;
    if (at->prev)
        at->prev->next = s;
    else
        set.head = s;
    at->prev = s;
    ++set.count;
}

std::unique_ptr<SIntSegment> MakeSegment(const double* a, const double* b)
{
    if (IsTinySegment(a, b))
        return nullptr;
    auto s = std::make_unique<SIntSegment>();
    s->a[0] = a[0], s->a[1] = a[1], s->b[0] = b[0], s->b[1] = b[1];
    s->DefineBox();
    return s;
}

// Puts a-c1 and c2-b in the place of seg (tiny parts dropped) and frees seg.
void ReplaceSegment(CIntLineSet& set, SIntSegment* seg, const double* c1, const double* c2, CSegmentGrid* grid)
{
    const double a[2] = {seg->a[0], seg->a[1]}, b[2] = {seg->b[0], seg->b[1]};
    double k0 = 0, k1 = 0;
    if (grid)
        k0 = grid->KeyOf(seg), k1 = (k0 + grid->KeyAfter(seg)) / 2;
    for (int part = 0; part < 2; ++part) {
        std::unique_ptr<SIntSegment> s = part == 0 ? (c1 ? MakeSegment(a, c1) : nullptr) : (c2 ? MakeSegment(c2, b) : nullptr);
        if (!s)
            continue;
        SIntSegment* raw = s.get();
        InsertBefore(set, seg, std::move(s));
        if (grid)
            grid->Add(raw, part == 0 ? k0 : k1);
    }
    if (grid)
        grid->Remove(seg);
    LineSetRemove(set, seg);
}

void Rotate(double deg, double* p)
{
    const double a = deg * M_PI / 180, c = std::cos(a), s = std::sin(a);
    const double x = c * p[0] - s * p[1], y = s * p[0] + c * p[1];
    p[0] = x, p[1] = y;
}

void CurveToFrame(const SLevelRecord& rec, int inverse, SIntCurve& c)
{
    for (SCurvePoint* p = c.first; p; p = p->next) {
        double q[2] = {p->u, p->v};
        RecordFrame(rec, inverse, q);
        p->u = q[0], p->v = q[1];
    }
}

// The upper envelope of the segments (global XY) in rec's frame, as curves at level -step,
// back in global XY.
void CornerCurves(const SLevelRecords& recs, const SLevelRecord& rec, const CIntLineSet& from, const CIntLineSet* more,
                  CIntCurveSet& out)
{
    CIntLineSet set;
    for (const CIntLineSet* src : {&from, more})
        for (const SIntSegment* s = src ? src->head : nullptr; s; s = s->next) {
            double a[2] = {s->a[0], s->a[1]}, b[2] = {s->b[0], s->b[1]};
            RecordFrame(rec, 0, a);
            RecordFrame(rec, 0, b);
            LineSetAddSegment(set, a, b, nullptr);
        }
    SProfile prof;
    ProfileBuild(set, prof);
    ProfileToCurvesAtLevel(prof, out, -recs.step);
    for (SIntCurve* c = out.first; c; c = c->next)
        CurveToFrame(rec, 1, *c);
}

void MoveSegments(CIntLineSet& from, CIntLineSet& to)
{
    while (from.head)
        LineSetAppend(to, LineSetUnlink(from, from.head));
}

bool Empty(const SIntCurve& c) { return !c.first; }

double Gap(const SCurvePoint* a, const SCurvePoint* b) { return std::hypot(a->u - b->u, a->v - b->v); }

// Cuts the earlier piece e after its point nearest to the later piece l and l before its
// point nearest to e; the end with the larger gap moves onto the other. d1, d2: the gaps.
void Junction(SLevelRecord& e, SLevelRecord& l, double& d1, double& d2)
{
    d1 = d2 = 0;
    if (Empty(e.curve) || Empty(l.curve))
        return;
    const SCurvePoint* pe = CurveNearestPointTo(e.curve, l.curve, &d1);
    if (pe->next) {
        std::unique_ptr<SIntCurve> front = CurveSplitAfter(const_cast<SCurvePoint*>(pe), e.curve);
        std::swap(front->first, e.curve.first), std::swap(front->last, e.curve.last);
    }
    // Measured against the cut piece: a stray end just cut from e must not hold l's start.
    const SCurvePoint* pl = CurveNearestPointTo(l.curve, e.curve, &d2);
    SCurvePoint* before = nullptr;
    for (SCurvePoint* p = l.curve.first; p != pl; p = p->next)
        before = p;
    if (before)
        CurveSplitAfter(before, l.curve);
    if (d2 > d1 + kJoinShift)
        l.curve.first->u = e.curve.last->u, l.curve.first->v = e.curve.last->v;
    else if (d1 > d2 + kJoinShift)
        e.curve.last->u = l.curve.first->u, e.curve.last->v = l.curve.first->v;
}

}  // namespace

SLevelRecords::~SLevelRecords() { RecordListFree(*this); }

void RecordListFree(SLevelRecords& recs)
{
    centre::DeleteChain(recs.first);
    recs.first = recs.last = nullptr;
    recs.count = 0;
}

CSegmentGrid::CSegmentGrid(CIntLineSet& set, double step)
{
    double box[4] = {1e300, 1e300, -1e300, -1e300};
    for (const SIntSegment* s = set.head; s; s = s->next)
        box[0] = std::min(box[0], s->box[0]), box[1] = std::min(box[1], s->box[1]),
        box[2] = std::max(box[2], s->box[2]), box[3] = std::max(box[3], s->box[3]);
    if (set.head) {
        const double w = box[2] - box[0], h = box[3] - box[1];
        size = std::max({step > 0 ? step : 1.0, std::sqrt(w * h / set.count), std::max(w, h) / 4096});
        x0 = box[0], y0 = box[1];
        cols = int(w / size) + 1, rows = int(h / size) + 1;
    }
    cells.resize(size_t(cols) * size_t(rows));
    double key = 0;
    for (SIntSegment* g = set.head; g; g = g->next)
        Add(g, key++);
}

void CSegmentGrid::Cells(const double* box, int* range) const
{
    const auto clampTo = [](double v, int n) { return int(std::clamp(std::floor(v), 0.0, double(n - 1))); };
    range[0] = clampTo((box[0] - x0) / size, cols), range[2] = clampTo((box[2] - x0) / size, cols);
    range[1] = clampTo((box[1] - y0) / size, rows), range[3] = clampTo((box[3] - y0) / size, rows);
}

void CSegmentGrid::Add(SIntSegment* s, double key)
{
    keys[s] = key;
    int r[4];
    Cells(s->box, r);
    for (int j = r[1]; j <= r[3]; ++j)
        for (int i = r[0]; i <= r[2]; ++i)
            cells[size_t(j) * size_t(cols) + size_t(i)].push_back(s);
}

void CSegmentGrid::Remove(SIntSegment* s)
{
    int r[4];
    Cells(s->box, r);
    for (int j = r[1]; j <= r[3]; ++j)
        for (int i = r[0]; i <= r[2]; ++i) {
            std::vector<SIntSegment*>& c = cells[size_t(j) * size_t(cols) + size_t(i)];
            c.erase(std::find(c.begin(), c.end(), s));
        }
    keys.erase(s);
}

double CSegmentGrid::KeyAfter(SIntSegment* s) const { return s->next ? keys.at(s->next) : keys.at(s) + 1; }

void CSegmentGrid::Near(const double* box, std::vector<SIntSegment*>& out) const
{
    out.clear();
    int r[4];
    Cells(box, r);
    for (int j = r[1]; j <= r[3]; ++j)
        for (int i = r[0]; i <= r[2]; ++i)
            for (SIntSegment* s : cells[size_t(j) * size_t(cols) + size_t(i)])
                if (BoxesMeet(s->box, box))
                    out.push_back(s);
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    std::sort(out.begin(), out.end(), [this](SIntSegment* a, SIntSegment* b) { return keys.at(a) < keys.at(b); });
}

void LevelLoopRecords(SLevelRecords& recs, double step, const double* columnX, const double* rowY, const SGridLoop& loop)
{
    recs.step = step, recs.columnX = columnX, recs.rowY = rowY;
    const std::vector<SGridNode>& nodes = loop.nodes;
    const size_t n = nodes.size();
    if (n < 2)
        return;
    const auto turnT = [](int before, int dir) { return dir == (before + 3) % 4; };
    const auto along = [](const SGridNode& c, int d, int k) { return Node{c.row + k * kDr[d], c.col + k * kDc[d]}; };
    Node s{nodes[0].row, nodes[0].col};
    if (turnT(nodes[n - 2].dir, nodes[0].dir))
        s = along(nodes[0], nodes[0].dir, 1);
    for (size_t i = 1; i < n; ++i) {
        const SGridNode& c = nodes[i];
        const int run = nodes[i - 1].dir;
        if (turnT(run, c.dir)) {
            StripRecord(recs, s, along(c, run, -1), run);
            CornerRecord(recs, Node{c.row, c.col}, c.dir, kTurnCorner);
            s = along(c, c.dir, 1);
        } else {
            StripRecord(recs, s, Node{c.row, c.col}, run);
            CornerRecord(recs, Node{c.row, c.col}, c.dir, kCorner);
            s = Node{c.row, c.col};
        }
    }
}

int RecordBoxCrossings(SLevelRecord& rec, const double* a, const double* b)
{
    const double* box = rec.box;
    int n = 0;
    const auto add = [&](double x, double y) {
        for (int k = 0; k < std::min(n, 4); ++k)
            if (std::fabs(rec.cross[k][0] - x) < 1e-9 && std::fabs(rec.cross[k][1] - y) < 1e-9)
                return;  // a box corner met by two sides
        if (n < 4)
            rec.cross[n][0] = x, rec.cross[n][1] = y;
        ++n;
    };
    // axis 1: the sides y = min y, max y; axis 0: x = min x, max x.
    for (int axis : {1, 0}) {
        const double lo = std::min(a[axis], b[axis]), hi = std::max(a[axis], b[axis]);
        if (hi - lo <= kCrossExtent)
            continue;
        const int other = 1 - axis;
        for (double side : {box[axis], box[axis + 2]}) {
            if (!(lo < side && side < hi))
                continue;
            const double t = (side - a[axis]) / (b[axis] - a[axis]);
            const double w = a[other] + t * (b[other] - a[other]);
            if (w >= box[other] && w <= box[other + 2]) {
                double p[2];
                p[axis] = side, p[other] = w;
                add(p[0], p[1]);
            }
        }
    }
    rec.crossCount = n;
    return n;
}

void CaptureSegment(SLevelRecord& rec, CIntLineSet& set, SIntSegment* seg, CSegmentGrid* grid)
{
    double inner[4];
    Grow(rec.box, kWithinBox, inner);
    if (seg->box[0] >= inner[0] && seg->box[1] >= inner[1] && seg->box[2] <= inner[2] && seg->box[3] <= inner[3]) {
        if (grid)
            grid->Remove(seg);
        LineSetAppend(rec.segments, LineSetUnlink(set, seg));
        return;
    }
    const int n = RecordBoxCrossings(rec, seg->a, seg->b);
    if (n == 2) {
        const auto d = [seg](const double* p) { return std::hypot(p[0] - seg->a[0], p[1] - seg->a[1]); };
        const double* c1 = rec.cross[0];
        const double* c2 = rec.cross[1];
        if (d(c1) > d(c2))
            std::swap(c1, c2);
        const double p1[2] = {c1[0], c1[1]}, p2[2] = {c2[0], c2[1]};
        LineSetAddSegment(rec.segments, p1, p2, nullptr);
        ReplaceSegment(set, seg, p1, p2, grid);
    } else if (n == 1) {
        double near[4];
        Grow(rec.box, kEndInBox, near);
        const auto in = [&near](const double* p) { return p[0] >= near[0] && p[0] <= near[2] && p[1] >= near[1] && p[1] <= near[3]; };
        const double c[2] = {rec.cross[0][0], rec.cross[0][1]};
        if (in(seg->a)) {
            LineSetAddSegment(rec.segments, seg->a, c, nullptr);
            ReplaceSegment(set, seg, nullptr, c, grid);
        } else if (in(seg->b)) {
            LineSetAddSegment(rec.segments, c, seg->b, nullptr);
            ReplaceSegment(set, seg, c, nullptr, grid);
        }
    }
}

void CaptureSegments(SLevelRecords& recs, CIntLineSet& set, CSegmentGrid* grid)
{
    std::unique_ptr<CSegmentGrid> own;
    if (!grid) {
        own = std::make_unique<CSegmentGrid>(set, recs.step);
        grid = own.get();
    }
    const double m = kCaptureMargin * recs.step;
    std::vector<SIntSegment*> near;
    for (int pass = 0; pass < 2; ++pass)
        for (SLevelRecord* r = recs.first; r; r = r->next) {
            if (IsCorner(r) != (pass == 0))
                continue;
            double grown[4];
            Grow(r->box, m, grown);
            grid->Near(grown, near);
            for (SIntSegment* s : near)
                CaptureSegment(*r, set, s, grid);
        }
}

SLevelRecord* FindSaddleRecord(SLevelRecords& recs, const SGridSaddle& s)
{
    for (SLevelRecord* r = recs.first; r; r = r->next)
        if (IsCorner(r) && CoversSaddle(*r, s))
            return r;
    return nullptr;
}

void SaddleSegments(SLevelRecords& recs, std::vector<SGridSaddle>& saddles)
{
    if (!recs.first)
        return;
    // Only saddles inside the box of the loop's corners can meet one of them.
    double box[4] = {1e300, 1e300, -1e300, -1e300};
    for (const SLevelRecord* r = recs.first; r; r = r->next)
        box[0] = std::min(box[0], r->box[0]), box[1] = std::min(box[1], r->box[1]),
        box[2] = std::max(box[2], r->box[2]), box[3] = std::max(box[3], r->box[3]);
    Grow(box, kSaddleCover, box);
    // Corner records by the cell they cover (each covers one), the first in loop order kept:
    // what FindSaddleRecord's scan finds, without a scan per saddle.
    const double step = recs.step > 0 ? recs.step : 1;
    const auto key = [step](double x, double y) {
        return (std::llround(x / step) << 32) ^ (std::llround(y / step) & 0xffffffffLL);
    };
    std::unordered_map<long long, SLevelRecord*> cells;
    for (SLevelRecord* r = recs.first; r; r = r->next)
        if (IsCorner(r))
            cells.emplace(key(r->box[0], r->box[1]), r);
    for (SGridSaddle& s : saddles) {
        const double sb[4] = {std::min(s.xy[0][0], s.xy[1][0]), std::min(s.xy[0][1], s.xy[1][1]),
                              std::max(s.xy[0][0], s.xy[1][0]), std::max(s.xy[0][1], s.xy[1][1])};
        if (!(sb[0] >= box[0] && sb[1] >= box[1] && sb[2] <= box[2] && sb[3] <= box[3]))
            continue;
        const auto at = cells.find(key(sb[0], sb[1]));
        SLevelRecord* r = at == cells.end() ? nullptr : at->second;
        if (!r || !CoversSaddle(*r, s))
            continue;
        if (!s.segments.empty()) {
            for (const auto& g : s.segments)
                LineSetAddSegment(r->segments, &g[0], &g[2], nullptr);
            s.segments.clear();
        } else {
            for (const SIntSegment* g = r->segments.head; g; g = g->next)
                if (!IsTinySegment(g->a, g->b))
                    s.segments.push_back({g->a[0], g->a[1], g->b[0], g->b[1]});
        }
        if (s.split) {
            // The cell lies between the two regions: each takes the envelope from its own side.
            static constexpr int kMirror[8] = {1, 0, 3, 2, 7, 6, 5, 4};
            r->code = kMirror[r->code];
            r->mirrored = !r->mirrored;
        }
    }
}

void DropEmptyRecords(SLevelRecords& recs)
{
    for (SLevelRecord* r = recs.first; r;) {
        SLevelRecord* next = r->next;
        if (r->segments.count == 0)
            RemoveRecord(recs, r);
        r = next;
    }
}

void RecordFrame(const SLevelRecord& rec, int inverse, double* p)
{
    const double deg = kCodeAngle[rec.code];
    if (!inverse) {
        p[0] -= rec.first[0], p[1] -= rec.first[1];
        Rotate(deg, p);
    } else {
        Rotate(-deg, p);
        p[0] += rec.first[0], p[1] += rec.first[1];
    }
}

namespace {

// Of the pairs of curves that keep(x) and keep(y) allow, the one where x starts nearest to
// the end of y.
template <class Keep>
void PairNearest(CIntCurveSet& a, CIntCurveSet& b, const Keep& keep, SIntCurve*& ca, SIntCurve*& cb)
{
    ca = cb = nullptr;
    double best = 1e300;
    for (SIntCurve* x = a.first; x; x = x->next)
        for (SIntCurve* y = b.first; y; y = y->next) {
            if (!x->first || !y->last || !keep(x) || !keep(y))
                continue;
            const double d = Gap(x->first, y->last);
            if (d < best)
                best = d, ca = x, cb = y;
        }
}

std::vector<std::array<double, 2>> InFrame(const SLevelRecord& rec, const SIntCurve& c)
{
    std::vector<std::array<double, 2>> pts;
    for (const SCurvePoint* p = c.first; p; p = p->next) {
        std::array<double, 2> q = {p->u, p->v};
        RecordFrame(rec, 0, q.data());
        pts.push_back(q);
    }
    return pts;
}

// Height of polyline segment p-q at u (its higher end when it stands upright).
double HeightAt(const std::array<double, 2>& p, const std::array<double, 2>& q, double u)
{
    const double du = q[0] - p[0];
    if (std::fabs(du) < 1e-12)
        return std::max(p[1], q[1]);
    return p[1] + (u - p[0]) / du * (q[1] - p[1]);
}

// True when a curve of others runs more than kUnderEnvelope above c somewhere over c's span
// in rec's frame (c is one of rec's level curves, so it rises in u there): c is a section
// lying under the envelope, an inner wall rather than the outline.
bool UnderEnvelope(const SLevelRecord& rec, const SIntCurve& c, const CIntCurveSet& others)
{
    const auto pc = InFrame(rec, c);
    if (pc.size() < 2)
        return false;
    for (const SIntCurve* o = others.first; o; o = o->next) {
        const auto po = InFrame(rec, *o);
        for (size_t j = 0; j + 1 < po.size(); ++j) {
            const double lo = std::min(po[j][0], po[j + 1][0]), hi = std::max(po[j][0], po[j + 1][0]);
            // c's segments overlapping [lo, hi], found by its rising u.
            size_t i = size_t(std::upper_bound(pc.begin(), pc.end(), lo, [](double u, const auto& p) { return u < p[0]; }) -
                              pc.begin());
            i = i > 0 ? i - 1 : 0;
            for (; i + 1 < pc.size() && pc[i][0] < hi; ++i) {
                const double a = std::max(lo, pc[i][0]), b = std::min(hi, pc[i + 1][0]);
                if (b - a <= kSharedSpan)
                    continue;
                for (double u : {a, b})
                    if (HeightAt(po[j], po[j + 1], u) > HeightAt(pc[i], pc[i + 1], u) + kUnderEnvelope)
                        return true;
            }
        }
    }
    return false;
}

}  // namespace

void CurvePairNearest(CIntCurveSet& a, CIntCurveSet& b, SIntCurve*& ca, SIntCurve*& cb)
{
    PairNearest(a, b, [](const SIntCurve*) { return true; }, ca, cb);
}

void ReconcileCorners(SLevelRecords& recs, SLevelRecord* a, SLevelRecord* b)
{
    SLevelRecord* pa = PrevOf(recs, a);
    SLevelRecord* nb = NextOf(recs, b);
    const bool withPrev = pa != a && pa != b && IsCorner(pa) && pa->code == a->code;
    const bool withNext = nb != a && nb != b && nb != pa && IsCorner(nb) && nb->code == b->code;
    CIntCurveSet ca, cb;
    CornerCurves(recs, *a, a->segments, withPrev ? &pa->segments : nullptr, ca);
    CornerCurves(recs, *b, b->segments, withNext ? &nb->segments : nullptr, cb);
    // Each corner's curves are its envelope in its own frame, but where the region turns
    // sharply (a notch of one node) the other corner's outline can pass above one of them:
    // that one is an inner wall, and joining there would cut into the region. The nearest
    // pair is sought among the curves on the envelope of both, then among all.
    std::unordered_set<const SIntCurve*> hidden;
    for (SIntCurve* c = ca.first; c; c = c->next)
        if (UnderEnvelope(*a, *c, cb))
            hidden.insert(c);
    for (SIntCurve* c = cb.first; c; c = c->next)
        if (UnderEnvelope(*b, *c, ca))
            hidden.insert(c);
    SIntCurve* ka = nullptr;
    SIntCurve* kb = nullptr;
    PairNearest(ca, cb, [&hidden](const SIntCurve* c) { return !hidden.count(c); }, ka, kb);
    if (!ka || !kb)
        CurvePairNearest(ca, cb, ka, kb);
    // Without a pair both keep their segments: clearing them would lose the contour there.
    if (!ka || !kb)
        return;
    LineSetClear(a->segments);
    LineSetClear(b->segments);
    if (withPrev)
        LineSetClear(pa->segments);
    if (withNext)
        LineSetClear(nb->segments);
    CurveToSegments(*ka, a->segments);
    CurveToSegments(*kb, b->segments);
}

void ProfileToEdgeCurve(SProfile& prof, SIntCurve& c)
{
    CurveClearPoints(c);
    if (prof.count >= 2 && prof.tail->x - prof.head->x >= kPieceSpan) {
        prof.head->zl = prof.head->zr;
        prof.tail->zr = prof.tail->zl;
    }
    for (const SProfileNode* n = prof.head; n; n = n->next) {
        const double h = std::max(n->zl, n->zr);
        if (h > kPieceLow) {
            const double p[2] = {n->x, h};
            CurveAppendPoint(p, c);
        }
    }
    CurveThin(c, 0, kPieceThin);
}

void EdgeEnvelope(SLevelRecords&, SLevelRecord& rec)
{
    for (SIntSegment* s = rec.segments.head; s; s = s->next) {
        RecordFrame(rec, 0, s->a);
        RecordFrame(rec, 0, s->b);
        s->DefineBox();
    }
    SplitCrossingSegments(rec.segments);
    SProfile prof;
    ProfileBuild(rec.segments, prof);
    if (rec.kind == kStrip) {
        const double len = rec.code <= 1 ? rec.box[2] - rec.box[0] : rec.box[3] - rec.box[1];
        while (prof.head && prof.head->next && prof.head->x < -kStripOver && prof.head->next->x < kStripOver) {
            SProfileNode* n = prof.head;
            centre::ChainUnlink(prof.head, prof.tail, prof.count, n);
            delete n;
        }
        while (prof.tail && prof.tail->prev && prof.tail->x > len + kStripOver && prof.tail->prev->x > len - kStripOver) {
            SProfileNode* n = prof.tail;
            centre::ChainUnlink(prof.head, prof.tail, prof.count, n);
            delete n;
        }
    }
    ProfileToEdgeCurve(prof, rec.curve);
    CurveToFrame(rec, 1, rec.curve);
    if (rec.mirrored)
        CurveReverse(rec.curve);
}

void RecordEnvelopes(SLevelRecords& recs)
{
    if (recs.count >= 2)
        for (SLevelRecord* a = recs.first; a; a = a->next) {
            SLevelRecord* b = NextOf(recs, a);
            if (b != a && IsCorner(a) && IsCorner(b) && a->code != b->code)
                ReconcileCorners(recs, a, b);
        }
    for (SLevelRecord* a = recs.first; a && a->next;) {
        SLevelRecord* b = a->next;
        if (IsCorner(a) && IsCorner(b) && a->code == b->code) {
            MoveSegments(b->segments, a->segments);
            RemoveRecord(recs, b);
        } else {
            a = b;
        }
    }
    if (recs.count >= 2 && IsCorner(recs.last) && IsCorner(recs.first) && recs.last->code == recs.first->code) {
        MoveSegments(recs.first->segments, recs.last->segments);
        RemoveRecord(recs, recs.first);
    }
    for (SLevelRecord* r = recs.first; r;) {
        SLevelRecord* next = r->next;
        EdgeEnvelope(recs, *r);
        if (Empty(r->curve))
            RemoveRecord(recs, r);
        r = next;
    }
}

void JoinRecordCurves(SLevelRecords& recs)
{
    if (recs.count < 2)
        return;
    // The piece of a record is followed by its predecessor's, the first's by the last's.
    double d1 = 0, d2 = 0;
    Junction(*recs.first, *recs.last, d1, d2);
    double prevD2 = d2;
    for (SLevelRecord* r = recs.last; r && r != recs.first;) {
        SLevelRecord* later = r->prev;
        SLevelRecord* before = NextOf(recs, r);  // the piece joined ahead of r's
        Junction(*r, *later, d1, d2);
        const double sum = prevD2 + d1;
        if (sum > kDetour && recs.count > 2 && !Empty(before->curve) && !Empty(later->curve) &&
            Gap(before->curve.last, later->curve.first) < sum)
            RemoveRecord(recs, r);  // a detour
        prevD2 = d2;
        r = later;
    }
}

std::unique_ptr<SIntCurve> RecordsToLoop(double tol, SLevelRecords& recs)
{
    if (recs.count < 2)
        return nullptr;
    auto c = std::make_unique<SIntCurve>();
    for (SLevelRecord* r = recs.last; r; r = r->prev)
        CurveAppendCurve(r->curve, *c);
    CurveThin(*c, 1, tol);
    CurveClose(*c);
    CurveDropSpikes(*c);
    CurveSmoothKinks(*c);
    CurveThin(*c, 1, tol);
    // Points apart from their predecessor, a last one back on the first not counted.
    int distinct = 0;
    for (const SCurvePoint *p = c->first, *prev = nullptr; p; prev = p, p = p->next)
        if (!prev || (Gap(p, prev) > 1e-9 && (p->next || Gap(p, c->first) > 1e-9)))
            ++distinct;
    if (distinct <= 2)
        return nullptr;
    CurveClose(*c);
    return c;
}

void LevelLoopCurves(CProtectNet& net, double z, double tol, CIntLineSet& set, CIntCurveSet& out, bool dropLargest)
{
    std::vector<SGridLoop> loops;
    std::vector<SGridSaddle> saddles;
    NetLevelLoops(net, z, loops, saddles);
    if (dropLargest)
        GridLoopDropLargest(loops);
    CSegmentGrid grid(set, net.step);
    for (const SGridLoop& loop : loops) {
        if (loop.nodes.size() <= 1)
            continue;
        SLevelRecords recs;
        LevelLoopRecords(recs, net.step, net.columnX.data(), net.rowY.data(), loop);
        CaptureSegments(recs, set, &grid);
        SaddleSegments(recs, saddles);
        DropEmptyRecords(recs);
        RecordEnvelopes(recs);
        JoinRecordCurves(recs);
        if (std::unique_ptr<SIntCurve> c = RecordsToLoop(tol, recs)) {
            c->height = z;
            CurveSetAppend(out, std::move(c));
        }
        RecordListFree(recs);
    }
}
