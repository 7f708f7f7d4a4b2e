#include "toolpath/contours/SmartCurveLib.h"

#include "framework/numerak/QvnMath.h"
#include "toolpath/contours/SmartCurve.h"
#include "toolpath/contours/SmartLoop.h"

#include <cmath>
#include <vector>

namespace {

constexpr double kEndTol = 0.001;
constexpr double kClosedTol = 0.0001;
constexpr double kBoxTol = 0.0001;
constexpr double kSnapTol = 1e-6;
constexpr double kReverseDot = -0.99;
constexpr double kFarStart = 0.01;
constexpr double kRestDepth = 0.02;
constexpr double kConnectClosed = 0.01;
constexpr double kFlatSpan = 1e-6;
constexpr double kSameCrossing = 1e-6;

double Dist(const double* a, const double* b) { return std::hypot(a[0] - b[0], a[1] - b[1]); }

void Ends(CSmartCurve* c, double* s, double* e)
{
    c->GetPoint(0, s);
    c->GetPoint(1, e);
}

bool Closed(CSmartCurve* c, double tol)
{
    double s[2], e[2];
    Ends(c, s, e);
    return Dist(s, e) < tol;
}

// Prepends s to c.
void AddFront(CSmartCurve* c, CSmartSect* s) { c->InsertAfter(s, nullptr); }

CSmartCurve* NewCurve(CSmartSect* s)
{
    auto* c = new CSmartCurve;
    c->AddSect(s);
    return c;
}

bool Overlap(const double* a, const double* b, double tol)
{
    return a[0] <= b[2] + tol && b[0] <= a[2] + tol && a[1] <= b[3] + tol && b[1] <= a[3] + tol;
}

CSmartLoop* LoopOf(CSmartCurve* c)
{
    auto* L = new CSmartLoop;
    c->next = nullptr;
    delete L->UpdateSect(c);
    c->ConnectAllSect();
    L->Area();
    L->DefineBox();
    L->box[0][2] = L->box[1][2] = L->depth;
    return L;
}

// Crossings of the line y = v (axis 1) or x = v (axis 0) with c; false when undecided.
bool AxisCrossings(CSmartCurve* c, const double* p, int axis, std::vector<double>& xs)
{
    const int other = 1 - axis;
    const double v = p[axis];
    double a[2], b[2];
    a[axis] = b[axis] = v;
    a[other] = c->box[other] - 1;
    b[other] = c->box[other + 2] + 1;
    xs.clear();
    for (CSmartSect* s = c->head; s; s = s->next) {
        if (!(v >= s->box[axis] && v <= s->box[axis + 2]))
            continue;
        if (s->box[axis + 2] - s->box[axis] < kFlatSpan)
            return false;
        CSmartLine probe(a, b);
        double x[2][2];
        const int k = SectSectIntersect(&probe, s, x);
        for (int i = 0; i < k; ++i) {
            bool seen = false;
            for (double q : xs)
                seen = seen || std::fabs(q - x[i][other]) < kSameCrossing;
            if (!seen)
                xs.push_back(x[i][other]);
        }
    }
    return true;
}

}  // namespace

CSmartCurveLib::~CSmartCurveLib() { DeleteAllCurves(); }

void CSmartCurveLib::DeleteAllCurves()
{
    while (head) {
        CSmartCurve* n = head->next;
        delete head;
        head = n;
    }
    tail = nullptr;
    count = 0;
}

CSmartCurve* CSmartCurveLib::RemoveAll()
{
    CSmartCurve* c = head;
    head = tail = nullptr;
    count = 0;
    return c;
}

void CSmartCurveLib::AddCurves(CSmartCurve* chain)
{
    for (CSmartCurve* c = chain; c; c = c->next) {
        (tail ? tail->next : head) = c;
        tail = c;
        ++count;
        if (!c->next)
            break;
    }
}

void CSmartCurveLib::RemoveCurve(CSmartCurve* c)
{
    if (!c)
        return;
    CSmartCurve* before = nullptr;
    for (CSmartCurve* q = head; q; before = q, q = q->next)
        if (q == c) {
            (before ? before->next : head) = c->next;
            if (tail == c)
                tail = before;
            --count;
            break;
        }
    c->next = nullptr;
}

void CSmartCurveLib::DeleteCurve(CSmartCurve* c)
{
    RemoveCurve(c);
    delete c;
}

void CSmartCurveLib::AppendSect(CSmartSect* s, int mode)
{
    if (!s)
        return;
    double S[2], E[2];
    s->GetPoint(0, S);
    s->GetPoint(1, E);
    CSmartCurve* grown = nullptr;
    bool front = false;
    if (mode == -1 || mode == 1 || mode == 2)
        for (CSmartCurve* c = head; c && !grown; c = c->next) {
            double cs[2], ce[2];
            Ends(c, cs, ce);
            if ((mode == -1 || mode == 1) && Dist(cs, E) < kEndTol) {
                AddFront(c, s);
                grown = c;
                front = true;
            } else if ((mode == -1 || mode == 2) && Dist(ce, S) < kEndTol) {
                c->AddSect(s);
                grown = c;
            }
        }
    if (!grown) {
        AddCurves(NewCurve(s));
        return;
    }
    if (mode == -1)
        JoinFollower(grown, front, S, E, kEndTol, head, false);
}

void CSmartCurveLib::AppendSectEx(CSmartSect* s, double tol)
{
    if (!s)
        return;
    double S[2], E[2];
    s->GetPoint(0, S);
    s->GetPoint(1, E);
    CSmartCurve* grown = nullptr;
    bool front = false;
    for (CSmartCurve* c = head; c && !grown; c = c->next) {
        if (Closed(c, kClosedTol))
            continue;
        double cs[2], ce[2];
        Ends(c, cs, ce);
        const double d1 = Dist(S, ce), d2 = Dist(E, cs);
        if (d2 < d1 && d2 < tol) {
            AddFront(c, s);
            grown = c;
            front = true;
        } else if (d1 < d2 && d1 < tol) {
            c->AddSect(s);
            grown = c;
        }
    }
    if (!grown) {
        AddCurves(NewCurve(s));
        return;
    }
    JoinFollower(grown, front, S, E, tol, grown->next, true);
}

void CSmartCurveLib::JoinFollower(CSmartCurve* grown, bool front, const double* S, const double* E, double tol,
                                  CSmartCurve* from, bool skipClosed)
{
    for (CSmartCurve* c = from; c; c = c->next) {
        if (c == grown || (skipClosed && Closed(c, kClosedTol)))
            continue;
        double cs[2], ce[2];
        Ends(c, cs, ce);
        if (front && Dist(ce, S) < tol) {
            RemoveCurve(grown);
            c->AddCurve(grown);
            return;
        }
        if (!front && Dist(cs, E) < tol) {
            RemoveCurve(c);
            grown->AddCurve(c);
            return;
        }
    }
}

void CSmartCurveLib::ConnectCurve(double tol)
{
    if (count < 2)
        return;
    CSmartCurveLib work;
    for (CSmartCurve* c = head; c;) {
        CSmartCurve* n = c->next;
        if (!c->IsClosed()) {
            RemoveCurve(c);
            work.AddCurves(c);
        }
        c = n;
    }
    while (work.head) {
        CSmartCurve* c = work.head;
        work.RemoveCurve(c);
        for (;;) {
            double cs[2], ce[2];
            Ends(c, cs, ce);
            double ds = 1000000, de = 1000000;
            CSmartCurve *toStart = nullptr, *toEnd = nullptr;
            for (CSmartCurve* d = work.head; d; d = d->next) {
                double s[2], e[2];
                Ends(d, s, e);
                if (Dist(s, ce) < ds)
                    ds = Dist(s, ce), toStart = d;
                if (Dist(e, cs) < de)
                    de = Dist(e, cs), toEnd = d;
            }
            if (de < ds && de < tol) {
                toEnd->AddCurve(c);
                if (toEnd->IsClosed()) {
                    work.RemoveCurve(toEnd);
                    AddCurves(toEnd);
                }
                break;
            }
            if (ds < de && ds < tol) {
                work.RemoveCurve(toStart);
                c->AddCurve(toStart);
                continue;
            }
            AddCurves(c);
            break;
        }
    }
}

void CSmartCurveLib::ConnectSingleCurve(double tol)
{
    for (CSmartCurve* c = head; c; c = c->next) {
        for (bool joined = true; joined;) {
            joined = false;
            double cs[2], ce[2];
            Ends(c, cs, ce);
            for (CSmartCurve* d = c->next; d; d = d->next) {
                double s[2], e[2];
                Ends(d, s, e);
                int how = -1;
                if (Dist(s, ce) < tol)
                    how = 0;
                else if (Dist(e, ce) < tol)
                    how = 1;
                else if (Dist(s, cs) < tol)
                    how = 2;
                else if (Dist(e, cs) < tol)
                    how = 3;
                if (how < 0)
                    continue;
                RemoveCurve(d);
                if (how == 1 || how == 3)
                    d->Reverse();
                if (how >= 2)
                    c->Reverse();
                c->AddCurve(d);
                joined = true;
                break;
            }
        }
    }
    for (CSmartCurve* c = head; c; c = c->next)
        if (Closed(c, kConnectClosed))
            c->ConnectAllSect();
}

CSmartCurve* CSmartCurveLib::GetClosedCurve(const double* p, const double* dir)
{
    for (CSmartCurve* c = head; c; c = c->next) {
        if (!c->tail)
            continue;
        double e[2], t[2];
        c->tail->GetPoint(1, e);
        c->tail->GetTangent(1, t);
        if (Dist(e, p) < kSnapTol && dir[0] * t[0] + dir[1] * t[1] >= kReverseDot)
            return c;
    }
    return nullptr;
}

CSmartCurve* CSmartCurveLib::GetOptimalCurve(const double* p, const double* dir)
{
    const double tries[2][2] = {{kEndTol, 0.09}, {kFarStart, 0.03}};
    for (const auto& t : tries) {
        CSmartCurve* best = nullptr;
        double score = -6;
        for (CSmartCurve* c = head; c; c = c->next) {
            if (!c->head)
                continue;
            double s[2], tan[2];
            c->head->GetPoint(0, s);
            if (!(Dist(s, p) < t[0]))
                continue;
            c->head->GetTangent(t[1], tan);
            const double dot = dir[0] * tan[0] + dir[1] * tan[1];
            if (dot < kReverseDot)
                continue;
            double turn = QVN_Math::ACos(dot);
            if (dir[0] * tan[1] - dir[1] * tan[0] < 0)
                turn = -turn;
            if (turn > score) {
                score = turn;
                best = c;
            }
        }
        if (best)
            return best;
    }
    return nullptr;
}

CSmartLoop* CSmartCurveLib::FormLoop(CSmartCurveLib* rest)
{
    CSmartLoop *first = nullptr, *last = nullptr;
    auto keep = [&](CSmartCurve* c) {
        CSmartLoop* L = LoopOf(c);
        (last ? last->next : first) = L;
        if (last)
            L->prev = last;
        last = L;
    };
    auto reject = [&](CSmartCurve* c) {
        if (rest) {
            c->depth = kRestDepth;
            rest->AddCurves(c);
        } else {
            delete c;
        }
    };
    while (head) {
        CSmartCurve* c = head;
        RemoveCurve(c);
        if (!c->head) {
            delete c;
            continue;
        }
        double cs[2], ce[2], t[2];
        Ends(c, cs, ce);
        c->head->GetTangent(0, t);
        if (!(Dist(cs, ce) < kEndTol) && !GetClosedCurve(cs, t)) {
            reject(c);
            continue;
        }
        double q[2] = {ce[0], ce[1]}, dir[2];
        c->tail->GetTangent(1, dir);
        c->tail->mark |= 0x08;
        for (int guard = 0; guard < 1000000; ++guard) {
            Ends(c, cs, ce);
            if (Dist(cs, ce) < kEndTol)
                break;
            CSmartCurve* o = GetOptimalCurve(q, dir);
            if (!o)
                break;
            RemoveCurve(o);
            o->tail->GetPoint(1, q);
            o->tail->GetTangent(1, dir);
            o->tail->mark |= 0x08;
            CSmartSect* b = nullptr;
            for (CSmartSect* s = c->head; s; s = s->next) {
                double e[2];
                s->GetPoint(1, e);
                if ((s->mark & 0x08) && Dist(e, q) < kSnapTol) {
                    b = s;
                    break;
                }
            }
            if (b) {
                // The sections after b close o into a loop; c ends at b.
                while (b->next) {
                    CSmartSect* s = b->next;
                    c->RemoveSect(s);
                    o->AddSect(s);
                }
                keep(o);
                b->GetPoint(1, q);
                b->GetTangent(1, dir);
            } else {
                c->AddCurve(o);
            }
        }
        Ends(c, cs, ce);
        if (Dist(cs, ce) < kEndTol)
            keep(c);
        else
            reject(c);
    }
    return first;
}

int CSmartCurveLib::CurveCurveIntEx(CSmartCurve& a, CSmartCurve& b)
{
    int any = 0;
    for (CSmartSect* s = a.head; s; s = s->next)
        for (CSmartSect* t = b.head; t; t = t->next) {
            if (!Overlap(s->box, t->box, kBoxTol))
                continue;
            double x[2][2];
            const int k = SectSectIntersect(s, t, x);
            for (int i = 0; i < k; ++i) {
                s->AddIntPt(x[i]);
                t->AddIntPt(x[i]);
                any = 1;
            }
        }
    return any;
}

namespace {

void ClearMarks(CSmartCurve* c)
{
    for (CSmartSect* s = c->head; s; s = s->next) {
        s->mark = 0;
        if (s->points)
            s->points->ClearAll();
    }
}

bool HasPoints(CSmartCurve* c)
{
    for (CSmartSect* s = c->head; s; s = s->next)
        if (s->points && s->points->count > 0)
            return true;
    return false;
}

}  // namespace

int CSmartCurveLib::AutoInteDepart()
{
    for (CSmartCurve* c = head; c; c = c->next) {
        ClearMarks(c);
        c->AutoInters();
        c->DefineBox();
    }
    for (CSmartCurve* c = head; c; c = c->next)
        for (CSmartCurve* d = c->next; d; d = d->next)
            CurveCurveIntEx(*c, *d);
    CSmartCurve* chain = RemoveAll();
    while (chain) {
        CSmartCurve* c = chain;
        chain = c->next;
        c->next = nullptr;
        if (!HasPoints(c)) {
            AddCurves(c);
            continue;
        }
        AddCurves(c->BreakCurve());
        delete c;
    }
    return 1;
}

CSmartLoop* CSmartCurveLib::ClipAllCurve(CSmartCurveLib* rest)
{
    for (CSmartCurve* c = head; c; c = c->next)
        ClearMarks(c);
    for (CSmartCurve* c = head; c; c = c->next)
        for (CSmartCurve* d = c->next; d; d = d->next) {
            if (!Overlap(c->box, d->box, 0))
                continue;
            for (CSmartSect* s = c->head; s; s = s->next)
                for (CSmartSect* t = d->head; t; t = t->next) {
                    if (s->index == -1 || t->index == -1 || !Overlap(s->box, t->box, kBoxTol))
                        continue;
                    double x[2][2];
                    const int k = SectSectIntersect(s, t, x);
                    for (int i = 0; i < k; ++i) {
                        s->AddIntPt(x[i]);
                        t->AddIntPt(x[i]);
                    }
                }
        }
    CSmartCurveLib work;
    for (CSmartCurve* c = head; c; c = c->next) {
        for (CSmartCurve* p = c->BreakCurve(); p;) {
            CSmartCurve* next = p->next;
            p->next = nullptr;
            bool drop = Closed(p, kClosedTol);
            for (CSmartSect* s = p->head; s && !drop; s = s->next)
                drop = s->index == -1;
            if (!drop) {
                double m[2];
                p->GetPoint(0.5, m);
                p->DefineBox();
                for (CSmartCurve* o = head; o && !drop; o = o->next) {
                    if (o == c || !(m[0] >= o->box[0] && m[0] <= o->box[2] && m[1] >= o->box[1] && m[1] <= o->box[3]))
                        continue;
                    drop = PointInCurve(m, o) == 1 || PieceCrossesCut(p, o) == 0;
                }
            }
            if (drop)
                delete p;
            else
                work.AddCurves(p);
            p = next;
        }
    }
    return work.FormLoop(rest);
}

int CSmartCurveLib::IsPointOn(const double* p)
{
    for (CSmartCurve* c = head; c; c = c->next) {
        if (!c->state)
            continue;
        if (!(p[0] >= c->box[0] && p[0] <= c->box[2] && p[1] >= c->box[1] && p[1] <= c->box[3]))
            continue;
        if (PointInCurve(p, c) == 1)
            return 1;
    }
    return 0;
}

int PointInCurve(const double* p, CSmartCurve* c)
{
    if (!c || !c->head)
        return 0;
    if (c->count == 1) {
        if (!c->head->IsSectArc())
            return 0;
        auto* a = static_cast<CSmartArc*>(c->head);
        const double d = Dist(p, a->centre);
        return d < a->radius ? 1 : d == a->radius ? 2 : 0;
    }
    std::vector<double> xs;
    for (int axis : {1, 0}) {
        if (!AxisCrossings(c, p, axis, xs))
            continue;
        const int other = 1 - axis;
        if (xs.empty()) {
            if (axis == 1)
                return 0;
            continue;
        }
        if (xs.size() != 2)
            continue;
        const double lo = std::min(xs[0], xs[1]), hi = std::max(xs[0], xs[1]);
        if (p[other] > lo && p[other] < hi)
            return 1;
        return p[other] == lo || p[other] == hi ? 2 : 0;
    }
    return c->IsPointOn(p);
}

int PieceCrossesCut(CSmartCurve* p, CSmartCurve* c)
{
    for (CSmartSect* s = p->head; s; s = s->next) {
        const double lo = s == p->head ? 0.001 : 0, hi = s == p->tail ? 0.999 : 1;
        for (CSmartSect* t = c->head; t; t = t->next) {
            if (t->index != -1 || !Overlap(s->box, t->box, 0))
                continue;
            double x[2][2];
            const int k = SectSectIntersect(s, t, x);
            for (int i = 0; i < k; ++i) {
                const double u = s->GetParam(x[i]);
                if (u >= lo && u <= hi)
                    return 0;
            }
        }
    }
    return 1;
}
