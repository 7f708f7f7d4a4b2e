// Offsets of open curves, the corner builder, end caps and the band around a curve.
#include "toolpath/contours/LoopChain.h"
#include "toolpath/contours/OffsetChain.h"

#include "framework/numerak/Point2D.h"
#include "framework/numerak/QvnMath.h"
#include "framework/numerak/Vector2D.h"
#include "toolpath/contours/SectIntersect.h"
#include "toolpath/contours/SmartConst.h"

#include <algorithm>
#include <cmath>
#include <vector>

using namespace smart;

namespace {

void EndPoint(CSmartSect* s, double* p) { s->GetPoint(1, p); }
void StartPoint(CSmartSect* s, double* p) { s->GetPoint(0, p); }

// Moves the end of a (atEnd 1) or the start (0) to x, box redone.
void MoveTo(CSmartSect* s, int atEnd, const double* x) { s->TrimEnd(atEnd, x, 1); }

// Points where the lines or circles carrying a and b meet; their number (at most 2).
int CarrierCrossings(CSmartSect* a, CSmartSect* b, double (*x)[2])
{
    if (a->IsSectLine() && b->IsSectLine()) {
        auto* la = static_cast<CSmartLine*>(a);
        auto* lb = static_cast<CSmartLine*>(b);
        return LineLineIntersect(la->start, lb->start, la->end, lb->end, x[0]);
    }
    if (a->IsSectLine() || b->IsSectLine()) {
        auto* l = static_cast<CSmartLine*>(a->IsSectLine() ? a : b);
        auto* c = static_cast<CSmartArc*>(a->IsSectLine() ? b : a);
        return LineCircleIntersect(c->radius, c->centre, l->end, x, l->start);
    }
    auto* ca = static_cast<CSmartArc*>(a);
    auto* cb = static_cast<CSmartArc*>(b);
    return CircleCircleIntersect(ca->radius, cb->radius, ca->centre, x, cb->centre);
}

// Near-tangent joint with an arc: the copies are made to meet without a join.
void MeetTangent(CSmartSect* p1, CSmartSect* p2)
{
    double e[2], s[2];
    EndPoint(p1, e);
    StartPoint(p2, s);
    if (p2->IsSectLine()) {
        MoveTo(p2, 0, e);
        return;
    }
    if (p1->IsSectLine()) {
        MoveTo(p1, 1, s);
        return;
    }
    auto* a = static_cast<CSmartArc*>(p1);
    auto* b = static_cast<CSmartArc*>(p2);
    double x[2][2];
    const int n = CircleCircleIntersect(a->radius, b->radius, a->centre, x, b->centre);
    if (n == 0) {
        MoveTo(p2, 0, e);
        return;
    }
    const double* pick = x[0];
    if (n == 2 && P2D_Dist(x[1], e) < P2D_Dist(x[0], e))
        pick = x[1];
    MoveTo(p1, 1, pick);
    MoveTo(p2, 0, pick);
}

// The sharp corner: both copies trimmed or extended to the meeting point of their
// carriers; false when no meeting point qualifies.
bool MeetSharp(CSmartSect* p1, CSmartSect* p2, double theta)
{
    double x[2][2];
    const int n = CarrierCrossings(p1, p2, x);
    int best = -1;
    double bestTp = 0;
    for (int i = 0; i < n; ++i) {
        const double tp = p1->GetParam(x[i]), tn = p2->GetParam(x[i]);
        const bool ok = theta > 0 ? (tp > 1 && tn < 0) : (kOverlapLow < tp && tp < 1 && 0 < tn && tn < kOverlapHigh);
        if (!ok)
            continue;
        if (best < 0 || (theta > 0 ? tp < bestTp : tp > bestTp)) {
            best = i;
            bestTp = tp;
        }
    }
    if (best < 0)
        return false;
    MoveTo(p1, 1, x[best]);
    MoveTo(p2, 0, x[best]);
    return true;
}

// Gap trimming after splitting: a section whose end does not meet its successor's start
// is a dangling piece; it goes, and so does the run back to where the chain continues.
void TrimGaps(CSmartCurve& c)
{
    CSmartSect* s = c.head;
    while (s && s->next) {
        CSmartSect* n = s->next;
        double e[2], b[2];
        EndPoint(s, e);
        StartPoint(n, b);
        if (P2D_Dist(e, b) < kJoint) {
            s = n;
            continue;
        }
        CSmartSect* p = s->prev;
        c.RemoveSect(s);
        delete s;
        s = nullptr;
        while (p && !s) {
            double pe[2];
            EndPoint(p, pe);
            CSmartSect* found = nullptr;
            for (CSmartSect* f = n; f; f = f->next) {
                double fs[2];
                StartPoint(f, fs);
                if (P2D_Dist(pe, fs) < kJoint) {
                    found = f;
                    break;
                }
            }
            if (found) {
                while (p->next != found) {
                    CSmartSect* g = p->next;
                    c.RemoveSect(g);
                    delete g;
                }
                s = found;
            } else {
                CSmartSect* q = p->prev;
                c.RemoveSect(p);
                delete p;
                p = q;
            }
        }
    }
}

// A turn too small for a join still leaves a gap of about d times the turn between the
// copies: at large distances one wider than the joints the loop forming bridges, which
// would keep the offset loop from closing.
bool WideGap(CSmartSect* p1, CSmartSect* p2, double theta)
{
    if (theta <= 0)
        return false;
    double a[2], b[2];
    EndPoint(p1, a);
    StartPoint(p2, b);
    return P2D_Dist(a, b) >= kJoint;
}

}  // namespace

CSmartArc* RoundCornerArc(double r, const double* a, const double* b)
{
    const double h = P2D_Dist(a, b) / 2;
    double u[2] = {b[0] - a[0], b[1] - a[1]};
    V2D_Unit(u, kUnitTol);
    const double c = h >= r ? 0.0 : std::sqrt(r * r - h * h);
    const double centre[2] = {(a[0] + b[0]) / 2 + c * u[1], (a[1] + b[1]) / 2 - c * u[0]};
    auto* arc = new CSmartArc;
    InitSmartArcByPoints(a, centre, arc, b);
    return arc;
}

CSmartSect* CornerSect(CSmartSect* next, double d, DVN_CornerType* corner, CSmartSect* prev)
{
    if (!next || !prev || !corner)
        return nullptr;
    double u[2], v[2];
    prev->GetNormal(1, u);
    next->GetNormal(0, v);
    CSmartSect* p1 = prev->offsetCopy;
    CSmartSect* p2 = next->offsetCopy;
    if (!p1 || !p2) {
        double e[2];
        EndPoint(prev, e);
        const double a[2] = {e[0] + d * u[0], e[1] + d * u[1]}, b[2] = {e[0] + d * v[0], e[1] + d * v[1]};
        return P2D_AbsDist(a, b) >= kJointClose ? RoundCornerArc(d, a, b) : nullptr;
    }
    double k = u[1] * v[0] - u[0] * v[1];
    double theta = QVN_Math::ACos(u[0] * v[0] + u[1] * v[1]);
    if (theta == 0.0)
        return nullptr;
    if (std::fabs(theta) < kTangentTurn && prev != next && (prev->IsSectArc() || next->IsSectArc())) {
        MeetTangent(p1, p2);
        return nullptr;
    }
    if (std::fabs(k) < kArcTurnRetry && prev->IsSectArc() && next->IsSectArc()) {
        prev->GetNormal(0.9, u);
        next->GetNormal(0.1, v);
        k = u[1] * v[0] - u[0] * v[1];
    }
    if (k < 0)
        theta = -theta;
    const double limitAll = corner->sharpLimitAll * kDegToRad, limit0 = corner->sharpLimitType0 * kDegToRad;
    const bool round4 = corner->type == 4 && theta > kRoundTurn;
    if (!round4) {
        if (theta < limitAll || (corner->type == 0 && theta < limit0) || corner->type == 3) {
            if (MeetSharp(p1, p2, theta))
                return nullptr;
        } else if (prev->IsSectLine() && next->IsSectLine() && corner->type == 1) {
            const double e = d * std::tan(theta / 4);
            double t1[2], t2[2], a[2], b[2];
            p1->GetTangent(1, t1);
            p2->GetTangent(0, t2);
            EndPoint(p1, a);
            StartPoint(p2, b);
            a[0] += e * t1[0];
            a[1] += e * t1[1];
            b[0] -= e * t2[0];
            b[1] -= e * t2[1];
            MoveTo(p1, 1, a);
            MoveTo(p2, 0, b);
            auto* bevel = new CSmartLine(a, b);
            return bevel;
        }
        if (theta < kNoJoinTurn && !WideGap(p1, p2, theta))
            return nullptr;
    }
    double a[2], b[2];
    EndPoint(p1, a);
    StartPoint(p2, b);
    return RoundCornerArc(d, a, b);
}

namespace smart {

void AppendOffsetChain(CSmartCurve& src, double d, DVN_CornerType& corner, bool closed, CSmartCurve& out)
{
    CSmartSect* before = out.tail;
    for (CSmartSect* s = src.head; s; s = s->next) {
        CSmartSect* o = s->Offset(d);
        s->offsetCopy = o;
        if (o) {
            o->DefineBox();
            out.AddSect(o);
        }
    }
    // Joins go after the copy of the section before the corner; where that copy vanished,
    // after whatever this chain placed last, so the chain keeps its order.
    CSmartSect* after = before;
    for (CSmartSect* s = src.head; s; s = s->next) {
        if (s->offsetCopy)
            after = s->offsetCopy;
        CSmartSect* n = s->next ? s->next : (closed ? src.head : nullptr);
        if (!n)
            break;
        CSmartSect* j = CornerSect(n, d, &corner, s);
        if (!j)
            continue;
        j->index = n->index;
        j->source = n;
        j->DefineBox();
        out.InsertAfter(j, after);
        after = j;
    }
}

}  // namespace smart

CSmartCurve* CSmartCurve::OffsetCurve(double d, DVN_CornerType& corner)
{
    if (!(std::fabs(d) >= kMinCurveOffset))
        return CopyMyself();
    const bool reversed = d < 0;
    if (reversed)
        Reverse();
    auto* out = new CSmartCurve;
    AppendOffsetChain(*this, std::fabs(d), corner, false, *out);
    out->DefineBox();
    out->AutoInters(0);
    out->AutoDepart(0);
    TrimGaps(*out);
    if (reversed) {
        Reverse();
        out->Reverse();
    }
    return out;
}

void CSmartCurve::AddEndSect(CSmartCurve* out, double d, int cap)
{
    if (!tail || !out)
        return;
    double p[2], n[2], t[2];
    tail->GetPoint(1, p);
    tail->GetNormal(1, n);
    tail->GetTangent(1, t);
    V2D_Unit(n, kUnitTol);
    V2D_Unit(t, kUnitTol);
    const double l[2] = {p[0] + d * n[0], p[1] + d * n[1]}, r[2] = {p[0] - d * n[0], p[1] - d * n[1]};
    std::vector<CSmartSect*> caps;
    if (cap == 0) {
        auto* arc = new CSmartArc;
        InitSmartArcByPoints(l, p, arc, r);
        caps.push_back(arc);
    } else if (cap == 1) {
        const double lf[2] = {l[0] + d * t[0], l[1] + d * t[1]}, rf[2] = {r[0] + d * t[0], r[1] + d * t[1]};
        caps.push_back(new CSmartLine(l, lf));
        caps.push_back(new CSmartLine(lf, rf));
        caps.push_back(new CSmartLine(rf, r));
    } else {
        caps.push_back(new CSmartLine(l, r));
    }
    for (CSmartSect* c : caps) {
        c->index = tail->index;
        c->source = tail;
        c->DefineBox();
        out->AddSect(c);
    }
}

CSmartLoop* CSmartCurve::ExpendCurve(double d, int cap, DVN_CornerType& corner)
{
    const double w = std::fabs(d);
    if (!(w >= kMinCurveOffset) || !head)
        return nullptr;
    CSmartLoop* chain = nullptr;
    if (IsClosed()) {
        CSmartLoop temp;
        temp.contour = this;
        temp.Area();
        temp.DefineBox();
        chain = temp.OffsetLoop(w, corner);
        temp.ReverseLoop(1);
        CSmartLoop* outer = temp.OffsetLoop(w, corner);
        temp.ReverseLoop(1);
        temp.contour = nullptr;
        CSmartLoop::AppendChain(chain, outer);
    } else {
        auto* band = new CSmartCurve;
        AppendOffsetChain(*this, w, corner, false, *band);
        AddEndSect(band, w, cap);
        Reverse();
        AppendOffsetChain(*this, w, corner, false, *band);
        AddEndSect(band, w, cap);
        Reverse();
        band->DefineBox();
        band->AutoInters(0);
        band->AutoDepart(0);
        chain = band->FormLoop();
        delete band;
    }
    std::vector<CSmartLoop*> loops;
    for (CSmartLoop* L = chain; L;) {
        CSmartLoop* n = L->next;
        L->next = L->prev = nullptr;
        L->ReverseLoop(1);
        loops.push_back(L);
        L = n;
    }
    // Exchange sort by ascending area, as the band's nesting below relies on that order.
    for (std::size_t i = 0; i < loops.size(); ++i)
        for (std::size_t j = i + 1; j < loops.size(); ++j)
            if (loops[j]->area < loops[i]->area)
                std::swap(loops[i], loops[j]);
    std::vector<CSmartLoop*> outers;
    std::vector<bool> taken(loops.size(), false);
    for (std::size_t i = 0; i < loops.size(); ++i) {
        if (taken[i] || loops[i]->area < 0)
            continue;
        CSmartLoop* o = loops[i];
        taken[i] = true;
        const double ob[4] = {o->box[0][0], o->box[0][1], o->box[1][0], o->box[1][1]};
        for (std::size_t j = 0; j < loops.size(); ++j) {
            if (taken[j] || loops[j]->area > 0)
                continue;
            const double ib[4] = {loops[j]->box[0][0], loops[j]->box[0][1], loops[j]->box[1][0], loops[j]->box[1][1]};
            if (BoxesOverlap(0, ob, ib) && o->IsLoopOn(loops[j])) {
                o->AddIsland(loops[j]);
                taken[j] = true;
            }
        }
        outers.push_back(o);
    }
    std::vector<CSmartLoop*> holes;
    for (std::size_t j = 0; j < loops.size(); ++j)
        if (!taken[j] && loops[j]->area < 0)
            holes.push_back(loops[j]);
    EraseInsideHoles(holes, outers);
    for (std::size_t j = 0; j < loops.size(); ++j)
        if (!taken[j])
            delete loops[j];
    // Only the largest outer loop survives (the later one on a tie).
    CSmartLoop* best = nullptr;
    for (CSmartLoop* o : outers) {
        if (!best || o->area >= best->area) {
            delete best;
            best = o;
        } else {
            delete o;
        }
    }
    return best;
}
