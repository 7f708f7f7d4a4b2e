#include "toolpath/milling/IntLineSet.h"

#include "toolpath/contours/CellGrid.h"
#include "toolpath/milling/CentreConst.h"
#include "toolpath/milling/IntrusiveList.h"

#include <algorithm>
#include <cmath>
#include <vector>

using namespace centre;

void SIntSegment::DefineBox()
{
    box[0] = std::min(a[0], b[0]);
    box[1] = std::min(a[1], b[1]);
    box[2] = std::max(a[0], b[0]);
    box[3] = std::max(a[1], b[1]);
}

CIntLineSet::~CIntLineSet() { LineSetClear(*this); }

void LineSetClear(CIntLineSet& set)
{
    DeleteChain(set.head);
    set.head = set.tail = nullptr;
    set.count = 0;
}

void LineSetAppend(CIntLineSet& set, std::unique_ptr<SIntSegment> seg)
{
    ChainAppend(set.head, set.tail, set.count, seg.release());
}

std::unique_ptr<SIntSegment> LineSetUnlink(CIntLineSet& set, SIntSegment* seg)
{
    ChainUnlink(set.head, set.tail, set.count, seg);
    return std::unique_ptr<SIntSegment>(seg);
}

void LineSetRemove(CIntLineSet& set, SIntSegment* seg) { LineSetUnlink(set, seg); }

bool IsTinySegment(const double* a, const double* b)
{
    const double du = std::fabs(b[0] - a[0]), dv = std::fabs(b[1] - a[1]);
    return du < kTinySeg && dv < kTinySeg && std::hypot(du, dv) < kTinySeg;
}

int LineSetAddSegment(CIntLineSet& set, const double* a, const double* b, CIntLineSet* side)
{
    CIntLineSet* to = &set;
    if (IsTinySegment(a, b)) {
        if (!side)
            return 0;
        to = side;
    }
    auto s = std::make_unique<SIntSegment>();
    s->a[0] = a[0], s->a[1] = a[1], s->b[0] = b[0], s->b[1] = b[1];
    s->DefineBox();
    LineSetAppend(*to, std::move(s));
    return to == &set ? 1 : 2;
}

double PointSegmentDistance(const double* p, const double* a, const double* b)
{
    const double dx = b[0] - a[0], dy = b[1] - a[1];
    const double len2 = dx * dx + dy * dy;
    const double px = p[0] - a[0], py = p[1] - a[1];
    if (std::sqrt(len2) < kDegenerate)
        return std::hypot(px, py);
    const double t = (px * dx + py * dy) / len2;
    if (t <= 0)
        return std::hypot(px, py);
    if (t >= 1)
        return std::hypot(p[0] - b[0], p[1] - b[1]);
    return std::fabs(px * dy - py * dx) / std::sqrt(len2);
}

int SegmentsCross(const SIntSegment& s, const SIntSegment& t, double* x)
{
    if (s.box[0] > t.box[2] + kBoxMeet || t.box[0] > s.box[2] + kBoxMeet || s.box[1] > t.box[3] + kBoxMeet ||
        t.box[1] > s.box[3] + kBoxMeet)
        return 0;
    const double ux = s.b[0] - s.a[0], uy = s.b[1] - s.a[1];
    const double vx = t.b[0] - t.a[0], vy = t.b[1] - t.a[1];
    const double det = ux * vy - uy * vx;
    if (!(std::fabs(det) >= kCrossDet))
        return 0;
    const double wx = t.a[0] - s.a[0], wy = t.a[1] - s.a[1];
    const double ts = (wx * vy - wy * vx) / det, tt = (wx * uy - wy * ux) / det;
    if (!(ts >= kCrossParamLo && ts <= kCrossParamHi && tt >= kCrossParamLo && tt <= kCrossParamHi))
        return 0;
    x[0] = s.a[0] + ts * ux;
    x[1] = s.a[1] + ts * uy;
    return 1;
}

void CutCrossingPair(CIntLineSet& set, SIntSegment* s, SIntSegment* t, const double* x)
{
    const double sb[2] = {s->b[0], s->b[1]}, tb[2] = {t->b[0], t->b[1]};
    s->b[0] = x[0], s->b[1] = x[1];
    t->b[0] = x[0], t->b[1] = x[1];
    s->DefineBox();
    t->DefineBox();
    LineSetAddSegment(set, x, sb, nullptr);
    LineSetAddSegment(set, x, tb, nullptr);
}

void SplitCrossingSegments(CIntLineSet& set)
{
    if (set.count < 2)
        return;
    // Segment ids follow set order: the set only grows at its tail here.
    std::vector<SIntSegment*> segs;
    segs.reserve(size_t(set.count) * 2);
    double lo[2] = {1e300, 1e300}, hi[2] = {-1e300, -1e300};
    for (SIntSegment* s = set.head; s; s = s->next) {
        segs.push_back(s);
        lo[0] = std::min(lo[0], s->box[0]), lo[1] = std::min(lo[1], s->box[1]);
        hi[0] = std::max(hi[0], s->box[2]), hi[1] = std::max(hi[1], s->box[3]);
    }
    smart::CellGrid grid(lo, hi, double(segs.size()));
    const auto enter = [&](int id) {
        const double* b = segs[size_t(id)]->box;
        grid.ForBox(b[0], b[1], b[2], b[3], [&](int ix, int iy) { grid.Cell(ix, iy).push_back(id); });
    };
    for (size_t i = 0; i < segs.size(); ++i)
        enter(int(i));
    smart::VisitStamp stamp;
    std::vector<int> cand;
    const auto tryPair = [&](SIntSegment* s, int id) {
        double x[2];
        if (!SegmentsCross(*s, *segs[size_t(id)], x))
            return;
        CutCrossingPair(set, s, segs[size_t(id)], x);
        // Remainders join the ids and the grid (cut segments only shrink, so their
        // cells still cover them).
        while (segs.size() < size_t(set.count)) {
            SIntSegment* last = set.tail;
            for (size_t k = size_t(set.count) - segs.size(); k > 1; --k)
                last = last->prev;
            segs.push_back(last);
            enter(int(segs.size() - 1));
        }
    };
    for (size_t i = 0; i < segs.size(); ++i) {
        SIntSegment* s = segs[i];
        const size_t firstNew = segs.size();
        cand.clear();
        stamp.Begin();
        grid.ForBox(s->box[0] - kBoxMeet, s->box[1] - kBoxMeet, s->box[2] + kBoxMeet, s->box[3] + kBoxMeet,
                    [&](int ix, int iy) {
                        for (int id : grid.Cell(ix, iy))
                            if (size_t(id) > i && size_t(id) < firstNew && stamp.First(id))
                                cand.push_back(id);
                    });
        std::sort(cand.begin(), cand.end());
        for (int id : cand)
            tryPair(s, id);
        // Pieces appended while s was tested come after every earlier candidate.
        for (size_t j = firstNew; j < segs.size(); ++j)
            tryPair(s, int(j));
    }
}
