// Splitting curves at the intersection points of their sections, and at a length.
#include "toolpath/contours/SmartCurve.h"

#include "toolpath/contours/SmartConst.h"

#include <array>
#include <cmath>
#include <vector>

using namespace smart;

namespace {

constexpr std::uint8_t kStartsAtPoint = 0x01;
constexpr std::uint8_t kEndsAtPoint = 0x02;
constexpr std::uint8_t kSplitStart = 0x04;
constexpr std::uint8_t kSplitNext = 0x08;

bool HasPoints(const CSmartSect* s) { return s->points && s->points->count > 0; }

struct Piece {
    CSmartSect* s;
    std::uint8_t marks;  // 0x01 starts at a point, 0x02 ends at a point
};

// The pieces of s between its start, its points and its end. A refused (too short)
// piece is skipped and the next piece starts where the refused one started; firstRefused
// says a point lies at s's start, lastRefused one at its end.
std::vector<Piece> Pieces(CSmartSect* s, bool& lastRefused, bool* firstRefused = nullptr)
{
    std::vector<std::array<double, 3>> at;
    double p[2];
    s->GetPoint(0, p);
    at.push_back({p[0], p[1], 0.0});
    for (CSmartPoint* q = s->points->head; q; q = q->next)
        at.push_back({q->x, q->y, q->t});
    s->GetPoint(1, p);
    at.push_back({p[0], p[1], 1.0});
    const std::size_t k = at.size() - 2;
    std::vector<Piece> out;
    std::size_t from = 0;
    lastRefused = false;
    CSmartArc::ArcPoint carry;
    for (std::size_t i = 0; i <= k; ++i) {
        CSmartSect* piece = GetNextSubSect(s, at[from].data(), at[i + 1].data(), carry);
        if (!piece) {
            lastRefused = i == k;
            if (firstRefused && i == 0 && k > 0)
                *firstRefused = true;
            continue;
        }
        std::uint8_t marks = 0;
        if (from > 0)
            marks |= kStartsAtPoint;
        if (i + 1 <= k)
            marks |= kEndsAtPoint;
        out.push_back({piece, marks});
        from = i + 1;
    }
    return out;
}

}  // namespace

int CSmartCurve::AutoDepart(int)
{
    Edited();
    CSmartSect* s = head;
    head = tail = nullptr;
    count = 0;
    while (s) {
        CSmartSect* n = s->next;
        if (!HasPoints(s)) {
            AddSect(s);
        } else {
            bool lastRefused;
            for (const Piece& p : Pieces(s, lastRefused)) {
                p.s->mark |= p.marks;
                AddSect(p.s);
            }
            delete s;
        }
        s = n;
    }
    return 1;
}

int CSmartCurve::SelfDepart()
{
    Edited();
    for (CSmartSect* s = head; s;) {
        CSmartSect* follow = s->next;
        if (!HasPoints(s)) {
            if (s->mark & kSplitNext)
                (follow ? follow : head)->mark |= kSplitStart;
            if (!(s->mark & kSplitStart))
                s->mark &= 0xF0;
            s->number = 0;
            s = follow;
            continue;
        }
        bool lastRefused;
        const std::vector<Piece> pieces = Pieces(s, lastRefused);
        CSmartSect* after = s->prev;
        RemoveSect(s);
        CSmartSect* last = nullptr;
        for (std::size_t i = 0; i < pieces.size(); ++i) {
            CSmartSect* p = pieces[i].s;
            if (i > 0)
                p->mark |= kSplitStart;
            p->number = 0;
            InsertAfter(p, after);
            after = last = p;
        }
        if (lastRefused) {
            if (follow) {
                if (last) {
                    double e[2];
                    follow->GetPoint(1, e);
                    last->AddIntPt(e);
                }
            } else if (head) {
                head->mark |= kSplitStart;
            }
        }
        delete s;
        s = follow;
    }
    return 1;
}

CSmartCurve* CSmartCurve::BreakCurve()
{
    Edited();
    auto* first = new CSmartCurve;
    CSmartCurve* cur = first;
    // A point at a section's end (or at its start) leaves no piece there, but the curve
    // still crosses at it: the next section (or this one) begins a new curve.
    bool breakHere = false;
    const auto startNew = [&] {
        if (cur->head) {
            cur->next = new CSmartCurve;
            cur = cur->next;
        }
    };
    for (CSmartSect* s = head; s; s = s->next) {
        const bool startsAtPoint = breakHere;
        if (breakHere)
            startNew();
        breakHere = false;
        if (!HasPoints(s)) {
            CSmartSect* c = s->CopyMyself();
            c->source = s->source;
            c->index = s->index;
            if (startsAtPoint)
                c->mark |= kStartsAtPoint;
            cur->AddSect(c);
            continue;
        }
        if (s->IsSectArc()) {
            // A full circle starts anew at its first point, so that no piece runs across
            // its seam.
            auto* a = static_cast<CSmartArc*>(s);
            const double sweep = a->endAngle - a->startAngle;
            if (std::fabs(sweep) > kFullSweep) {
                const double t0 = s->points->head->t;
                a->startAngle += sweep * t0;
                a->endAngle = a->startAngle + sweep;
                for (CSmartPoint* q = s->points->head; q; q = q->next)
                    q->t -= t0;
            }
        }
        bool lastRefused, firstRefused = false;
        const std::vector<Piece> pieces = Pieces(s, lastRefused, &firstRefused);
        if (firstRefused)
            startNew();
        if ((startsAtPoint || firstRefused) && !pieces.empty())
            pieces.front().s->mark |= kStartsAtPoint;
        for (const Piece& p : pieces) {
            p.s->mark |= p.marks;
            if (p.marks & kStartsAtPoint)
                startNew();
            cur->AddSect(p.s);
        }
        breakHere = lastRefused;
    }
    if (!cur->head) {
        // The last curve is empty: unlink and delete it.
        if (cur == first) {
            delete first;
            return nullptr;
        }
        CSmartCurve* c = first;
        while (c->next != cur)
            c = c->next;
        c->next = nullptr;
        delete cur;
    }
    return first;
}

int CSmartCurve::BreakCurveAt(double len, CSmartCurve*& first, CSmartCurve*& second)
{
    first = second = nullptr;
    const double L = GetLength();
    if (len <= kLengthEnd) {
        second = CopyMyself();
        return 1;
    }
    if (len >= L - kLengthEnd) {
        first = CopyMyself();
        return 1;
    }
    first = new CSmartCurve;
    second = new CSmartCurve;
    double acc = 0;
    bool split = false;
    for (CSmartSect* s = head; s; s = s->next) {
        if (split) {
            second->AddSect(s->CopyMyself());
            continue;
        }
        const double sl = s->GetLength();
        if (acc + sl <= len) {
            first->AddSect(s->CopyMyself());
            acc += sl;
            continue;
        }
        split = true;
        if (len - acc <= kLengthEnd) {
            second->AddSect(s->CopyMyself());
            continue;
        }
        const double t = (len - acc) / sl;
        double p[2], q[2], e[2];
        s->GetPoint(0, p);
        s->GetPoint(t, q);
        s->GetPoint(1, e);
        const double a[3] = {p[0], p[1], 0.0}, m[3] = {q[0], q[1], t}, b[3] = {e[0], e[1], 1.0};
        if (CSmartSect* x = s->GetSubSect(a, m))
            first->AddSect(x);
        if (CSmartSect* x = s->GetSubSect(m, b))
            second->AddSect(x);
    }
    if (!first->head) {
        delete first;
        first = nullptr;
    }
    if (!second->head) {
        delete second;
        second = nullptr;
    }
    return 1;
}
