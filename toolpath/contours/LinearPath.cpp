// The linear pocketing strategy: scan points on parallel lines, one-way or zigzag moves
// with boundary links and laps, and the boundary pass.
#include "toolpath/contours/CornerType.h"
#include "toolpath/contours/CutPath.h"
#include "toolpath/contours/PathGroup.h"
#include "toolpath/contours/SmartLPoint.h"
#include "toolpath/contours/SmartLoop.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>
#include <vector>

namespace {

constexpr double kMinStep = 0.001;
constexpr double kMaxNudge = 0.0001;
// Room per section for the crossings of one scan line (plain crossings and the ends of
// horizontal runs).
constexpr unsigned kCrossingsPerSect = 4;
constexpr unsigned kCrossingSlack = 16;
// Lap only when the scan point lies this much beyond the allowance from its source.
constexpr double kLapReach = 0.01;
constexpr int kLappedNumber = -77;
constexpr std::uint8_t kLinkMark = 0x20;
// Loops at least this large (twice the area) are never emitted by the boundary pass.
constexpr double kHugeArea = 9000000.0;
// Two neighbours on about the same height: the one below is preferred within this.
constexpr double kLevelTol = 0.001;
constexpr double kRunSlackSteps = 3.0;

CSmartLine* NewLine(const double* a, const double* b, std::uint8_t mark = 0)
{
    auto* l = new CSmartLine(a, b);
    l->mark = mark;
    l->DefineBox();
    return l;
}

CSmartLine* NewLine(const CSmartLPoint* a, const CSmartLPoint* b)
{
    const double p[2] = {a->x, a->y}, q[2] = {b->x, b->y};
    return NewLine(p, q);
}

void AppendLine(CPathCombine& out, const CSmartLPoint* a, const CSmartLPoint* b)
{
    const double p[3] = {a->x, a->y, 0}, q[3] = {b->x, b->y, 0};
    PathCombineAppend(new CPathLine3D(p, q), &out);
}

CSmartSect* ChainHead(CSmartSect* s)
{
    while (s->prev)
        s = s->prev;
    return s;
}

// The walk state of one zigzag: unused points per boundary number and the line index.
class Zigzag {
public:
    Zigzag(CPathCombine& out, DVN_CutLinearDef& def, DVN_OrderType& order, CSmartLPoint* points)
        : out_(out), def_(def), order_(order)
    {
        laps_ = (def.flags & cutdef::kLap) && (def.flags & cutdef::kBoundary) && !(def.flags & cutdef::kLineIndex);
        for (CSmartLPoint* p = points; p; p = p->chainNext) {
            ++unused_[p->sect->number];
            lineCount_ = std::max(lineCount_, unsigned(p->lineId));
        }
        if (def.flags & cutdef::kLineIndex) {
            lines_.assign(lineCount_ + 1, nullptr);
            for (CSmartLPoint* p = points; p; p = p->chainNext)
                if (!lines_[p->lineId])
                    lines_[p->lineId] = p;
        }
    }

    // The curve that starts at the unused start point P.
    void Cut(CSmartLPoint* P)
    {
        auto* curve = new CSmartCurve;
        CSmartLPoint** lines = lines_.empty() ? nullptr : lines_.data();
        while (P && P->kind != scanpt::kUsed) {
            CSmartLPoint* Q = ScanPartner(P);
            if (!Q || Q->kind == scanpt::kUsed)
                break;
            Use(P);
            if (laps_ && unused_[P->sect->number] == 0 && Lap(*curve, P)) {
                const double f[2] = {lapFoot_[0], lapFoot_[1]}, p[2] = {P->x, P->y};
                curve->AddSect(NewLine(f, p, kLinkMark));
            }
            curve->AddSect(NewLine(P, Q));
            Use(Q);
            if (laps_ && unused_[Q->sect->number] == 0) {
                Lap(*curve, Q);
                break;
            }
            P = Link(*curve, Q, lines);
        }
        if (curve->head)
            AddCurveToPathCombine(curve, &out_, 1, 0);
        else
            delete curve;
    }

private:
    void Use(CSmartLPoint* p)
    {
        p->kind = scanpt::kUsed;
        --unused_[p->sect->number];
    }

    // Adds the boundary run from Q to the neighbour the zigzag goes on with; null when
    // the curve ends there. A neighbour beyond maxLink is never linked.
    CSmartLPoint* Link(CSmartCurve& curve, CSmartLPoint* Q, CSmartLPoint** lines)
    {
        CSmartLPoint *pp = nullptr, *pn = nullptr;
        double dPrev = 0, dNext = 0;
        Q->GetNPrevPoint(pp, dPrev, lines, lineCount_);
        Q->GetNNextPoint(pn, dNext, lines, lineCount_);
        const double maxLink = def_.maxLink;
        if (pp && !(dPrev <= maxLink))
            pp = nullptr;
        if (pn && !(dNext <= maxLink))
            pn = nullptr;
        bool back;
        if (pp && pn) {
            const double slack = kRunSlackSteps * def_.step;
            if (pn->y + kLevelTol > pp->y && dPrev - dNext < slack)
                back = true;
            else if (pp->y + kLevelTol > pn->y && dNext - dPrev < slack)
                back = false;
            else
                back = dPrev < dNext;
        } else if (pp || pn) {
            back = pp != nullptr;
            if (!((back ? dPrev : dNext) < maxLink))
                return nullptr;
        } else {
            return nullptr;
        }
        if (back) {
            Q->AddPrevSect(curve, pp);
            return pp;
        }
        Q->AddNextSect(curve, pn);
        return pn;
    }

    // A line from P to the foot on its source boundary and one lap of that boundary loop
    // from the foot; 0 (nothing added) when P lies beyond the allowance from it.
    int Lap(CSmartCurve& curve, CSmartLPoint* P)
    {
        CSmartSect* S = P->sect->source;
        if (!S)
            return 0;
        const double p[2] = {P->x, P->y};
        double f[2];
        if (!(S->MinDistPoint(p, f) <= def_.allowance + kLapReach))
            return 0;
        const double tf = S->GetParam(f);
        auto* lap = new CSmartCurve;
        double a[3] = {f[0], f[1], tf}, b[3] = {0, 0, 1};
        S->GetPoint(1, b);
        if (CSmartSect* piece = S->GetSubSect(a, b))
            lap->AddSect(piece);
        CSmartSect* head = ChainHead(S);
        for (CSmartSect* s = S->next; s; s = s->next)
            lap->AddSect(s->CopyMyself());
        for (CSmartSect* s = head; s != S; s = s->next)
            lap->AddSect(s->CopyMyself());
        double c[3] = {0, 0, 0};
        S->GetPoint(0, c);
        if (CSmartSect* piece = S->GetSubSect(c, a))
            lap->AddSect(piece);
        for (CSmartSect* s = lap->head; s; s = s->next)
            s->DefineBox();
        if (order_.direction == 0)
            lap->Reverse();
        head->number = kLappedNumber;
        curve.AddSect(NewLine(p, f, kLinkMark));
        curve.AddCurve(lap);
        lapFoot_[0] = f[0];
        lapFoot_[1] = f[1];
        return 1;
    }

    CPathCombine& out_;
    DVN_CutLinearDef& def_;
    DVN_OrderType& order_;
    bool laps_ = false;
    unsigned lineCount_ = 0;
    std::vector<CSmartLPoint*> lines_;
    std::unordered_map<int, long> unused_;
    double lapFoot_[2] = {0, 0};
};

}  // namespace

unsigned RegionSectionCount(CSmartLoop* L)
{
    unsigned n = 0;
    for (CSmartLoop* q = L; q; q = q == L ? L->islands : q->next)
        if (q->contour)
            n += unsigned(q->contour->count);
    return n;
}

CSmartLPoint* GenerateScanPoint(CSmartLoop* chain, double step, unsigned, unsigned* lineCount)
{
    if (lineCount)
        *lineCount = 0;
    if (!chain || !(step >= kMinStep))
        return nullptr;
    double ymin = chain->box[0][1], ymax = chain->box[1][1];
    unsigned room = kCrossingSlack;
    for (CSmartLoop* L = chain; L; L = L->next) {
        ymin = std::min(ymin, L->box[0][1]);
        ymax = std::max(ymax, L->box[1][1]);
        room += kCrossingsPerSect * RegionSectionCount(L);
    }
    if (!std::isfinite(ymin) || !std::isfinite(ymax))
        return nullptr;
    const double tau = std::min(step / 10, kMaxNudge);
    std::vector<double> pts(2 * std::size_t(room));
    std::vector<CSmartSect*> sects(room);
    auto* xy = reinterpret_cast<double(*)[2]>(pts.data());
    CSmartLPoint *head = nullptr, *tail = nullptr;
    unsigned id = 0;
    for (unsigned k = 1;; ++k) {
        const double y = ymin + k * step;
        if (!(y < ymax - tau))
            break;
        ++id;
        unsigned n = 0;
        for (CSmartLoop* L = chain; L; L = L->next) {
            unsigned m = L->GetYLineInt(y, xy + n, sects.data() + n, room - n);
            if (m % 2 == 1)
                m = L->GetYLineInt(y + tau, xy + n, sects.data() + n, room - n);
            if (m % 2 == 1)
                m = L->GetYLineInt(y - tau, xy + n, sects.data() + n, room - n);
            n += m;
        }
        CSmartLoop::SortPointSect(xy, sects.data(), n);
        if (n % 2 == 1)
            continue;
        CSmartLPoint* lastOnLine = nullptr;
        for (unsigned i = 0; i + 1 < n; i += 2) {
            if (xy[i + 1][0] - xy[i][0] < step)
                continue;
            double ends[2][3];
            for (int j = 0; j < 2; ++j) {
                // The crossing on its section (a nudged line lies off the scan line).
                const double q[2] = {xy[i + j][0], y};
                sects[i + j]->MinDistPoint(q, ends[j]);
                ends[j][2] = sects[i + j]->GetParam(ends[j]);
            }
            AppendScanPair(ends[0], sects[i], ends[1], sects[i + 1], id, lastOnLine, head, tail);
        }
    }
    if (lineCount)
        *lineCount = id;
    return head;
}

int CSmartLoop::ExtractLinearPath(CPathCombine& out, DVN_CutLinearDef& def, DVN_OrderType& order, CSmartLPoint* points)
{
    if (!(def.flags & cutdef::kZigzag)) {
        if (order.direction != 0) {
            for (CSmartLPoint* p = points; p; p = p->chainNext)
                if (p->kind == scanpt::kStart && p->chainNext)
                    AppendLine(out, p, p->chainNext);
        } else {
            std::vector<CSmartLPoint*> line;
            for (CSmartLPoint* p = points; p;) {
                line.clear();
                const unsigned id = p->lineId;
                for (; p && p->lineId == id; p = p->chainNext)
                    if (p->kind == scanpt::kStart && p->chainNext)
                        line.push_back(p);
                for (auto it = line.rbegin(); it != line.rend(); ++it)
                    AppendLine(out, (*it)->chainNext, *it);
            }
        }
    } else {
        Zigzag zigzag(out, def, order, points);
        for (CSmartLPoint* cursor = points; cursor; cursor = cursor->chainNext)
            if (cursor->kind == scanpt::kStart)
                zigzag.Cut(cursor);
    }
    if (def.flags & cutdef::kBoundary)
        ExtractCurve(out, 1, 0, 0);
    return 1;
}

int CSmartLoop::CreateLinearPath(CPathCombine& out, DVN_CutLinearDef& def, DVN_CornerType& corner, DVN_OrderType& order)
{
    const double angle = std::isfinite(def.angle) ? def.angle * smart::kDegToRad : 0.0;
    RotateContour(-angle);
    SetContourInfo(0, 0);
    CSmartLoop* R = OffsetContour(0, def.allowance, def.allowance, corner);
    if (!R && def.allowance * def.allowance < area)
        R = OffsetContour(0, def.allowance + 0.001, def.allowance + 0.001, corner);
    for (CSmartLoop* L = R; L; L = L->next) {
        L->SetContourInfo(0, 1);
        L->parent = nullptr;
    }
    CPathEntity* before = out.tail;
    ExtractLinearPath(out, def, order, GenerateScanPoint(R, def.step, 2000));
    DeleteLoopChain(R);
    const double c = std::cos(angle), s = std::sin(angle);
    for (CPathEntity* e = before ? before->next : out.head; e; e = e->next)
        e->RotateZ(c, s);
    RotateContour(angle);
    return 1;
}

int CSmartLoop::ExtractCurve(CPathCombine& out, int skipUsed, int contourFirst, double z)
{
    auto emit = [&](CSmartLoop* L) {
        if (!L->contour || !L->contour->head)
            return;
        if (skipUsed && L->contour->head->number < 0)
            return;
        if (std::fabs(L->area) >= kHugeArea)
            return;
        AddCurveToPathCombine(L->contour, &out, 0, z);
    };
    if (contourFirst)
        emit(this);
    for (CSmartLoop* i = islands; i; i = i->next)
        emit(i);
    if (!contourFirst)
        emit(this);
    return 1;
}
