#include "toolpath/contours/SmartCurve.h"

#include "framework/numerak/Point2D.h"
#include "framework/numerak/QvnMath.h"
#include "toolpath/contours/Containment.h"
#include "toolpath/contours/SmartConst.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

using namespace smart;

namespace {

constexpr double kTwoPi = 6.283185307179586;


}  // namespace

CSmartCurve::CSmartCurve() = default;

CSmartCurve::~CSmartCurve() { ClearAll(); }

smart::ChainIndex& CSmartCurve::PointIndex()
{
    if (!m_index)
        m_index = std::make_unique<smart::ChainIndex>();
    return *m_index;
}

void CSmartCurve::ClearAll()
{
    Edited();
    for (CSmartSect* s = head; s;) {
        CSmartSect* n = s->next;
        delete s;
        s = n;
    }
    head = tail = nullptr;
    count = 0;
}

int CSmartCurve::AddSect(CSmartSect* s) { return s ? (s->next = s->prev = nullptr, InsertAfter(s, tail)) : 0; }

int CSmartCurve::RemoveSect(CSmartSect* s)
{
    Edited();
    if (!s)
        return 0;
    if (s->prev)
        s->prev->next = s->next;
    else
        head = s->next;
    if (s->next)
        s->next->prev = s->prev;
    else
        tail = s->prev;
    s->next = s->prev = nullptr;
    --count;
    return 1;
}

int CSmartCurve::InsertAfter(CSmartSect* s, CSmartSect* after)
{
    Edited();
    if (!s)
        return 0;
    if (!after) {
        s->prev = nullptr;
        s->next = head;
        if (head)
            head->prev = s;
        else
            tail = s;
        head = s;
    } else {
        s->prev = after;
        s->next = after->next;
        if (after->next)
            after->next->prev = s;
        else
            tail = s;
        after->next = s;
    }
    ++count;
    return 1;
}

int CSmartCurve::Reverse()
{
    Edited();
    if (!head)
        return 0;
    for (CSmartSect* s = head; s;) {
        CSmartSect* n = s->next;
        std::swap(s->next, s->prev);
        s->Reverse();
        s = n;
    }
    std::swap(head, tail);
    return 1;
}

int CSmartCurve::SetStartSect(CSmartSect* s)
{
    Edited();
    if (!s)
        return 0;
    if (s == head)
        return 1;
    tail->next = head;
    head->prev = tail;
    tail = s->prev;
    tail->next = nullptr;
    s->prev = nullptr;
    head = s;
    return 1;
}

int CSmartCurve::AddCurve(CSmartCurve* c)
{
    if (!c)
        return 0;
    if (c == this)
        return 0;
    while (CSmartSect* s = c->head) {
        c->RemoveSect(s);
        AddSect(s);
    }
    delete c;
    return 1;
}

// Marks serve as open-end flags while a chain is built: 1 start free, 2 end free.
int CSmartCurve::AppendSect(CSmartSect* s)
{
    if (!s)
        return 0;
    s->mark = 3;
    double ss[2], se[2];
    s->GetPoint(0, ss);
    s->GetPoint(1, se);
    for (CSmartSect* q = head; q; q = q->next) {
        double qs[2], qe[2];
        q->GetPoint(0, qs);
        q->GetPoint(1, qe);
        if ((q->mark & 1) && P2D_AbsDist(qs, se) < kJoint) {
            q->mark &= static_cast<std::uint8_t>(~1);
            s->mark &= static_cast<std::uint8_t>(~2);
            s->next = s->prev = nullptr;
            return InsertAfter(s, q->prev);
        }
        if ((q->mark & 2) && P2D_AbsDist(qe, ss) < kJoint) {
            q->mark &= static_cast<std::uint8_t>(~2);
            s->mark &= static_cast<std::uint8_t>(~1);
            s->next = s->prev = nullptr;
            return InsertAfter(s, q);
        }
    }
    return AddSect(s);
}

CSmartCurve* CSmartCurve::CopyMyself()
{
    auto* c = new CSmartCurve;
    for (CSmartSect* s = head; s; s = s->next)
        c->AddSect(s->CopyMyself());
    c->state = state;
    std::copy(box, box + 4, c->box);
    return c;
}

void CSmartCurve::RotateCurve(double angle)
{
    Edited();
    const double c = std::cos(angle), s = std::sin(angle);
    for (CSmartSect* q = head; q; q = q->next)
        q->RotateSect(c, s);
}

void CSmartCurve::MoveCurve(double dx, double dy)
{
    Edited();
    for (CSmartSect* q = head; q; q = q->next) {
        if (q->IsSectLine()) {
            auto* l = static_cast<CSmartLine*>(q);
            l->start[0] += dx;
            l->start[1] += dy;
            l->end[0] += dx;
            l->end[1] += dy;
        } else if (q->IsSectArc()) {
            auto* a = static_cast<CSmartArc*>(q);
            a->centre[0] += dx;
            a->centre[1] += dy;
        }
    }
}

double CSmartCurve::GetLength()
{
    double l = 0;
    for (CSmartSect* s = head; s; s = s->next)
        l += s->GetLength();
    return l;
}

int CSmartCurve::IsClosed()
{
    if (!head)
        return 0;
    double a[2], b[2];
    head->GetPoint(0, a);
    tail->GetPoint(1, b);
    return P2D_Dist(a, b) < kClosed ? 1 : 0;
}

namespace {

CSmartSect* SectionAt(CSmartCurve& c, double t)
{
    if (!c.head)
        return nullptr;
    const double f = c.count * t;
    int i = f >= c.count - 1 ? c.count - 1 : (f > 0 ? static_cast<int>(f) : 0);
    CSmartSect* s = c.head;
    while (i-- > 0 && s->next)
        s = s->next;
    return s;
}

}  // namespace

int CSmartCurve::GetPoint(double t, double* out)
{
    CSmartSect* s = SectionAt(*this, t);
    return s ? (s->GetPoint(t, out), 1) : 0;
}

int CSmartCurve::GetNormal(double t, double* out)
{
    CSmartSect* s = SectionAt(*this, t);
    return s ? (s->GetNormal(t, out), 1) : 0;
}

int CSmartCurve::GetSeedPoint(double* p, double* dir)
{
    if (!head)
        return 0;
    head->GetPoint(0, p);
    head->GetTangent(0, dir);
    return 1;
}

void CSmartCurve::DefineBox()
{
    Edited();
    for (CSmartSect* s = head; s; s = s->next)
        s->DefineBox();
    DefineBox(box, box + 2);
}

void CSmartCurve::DefineBox(double* min, double* max)
{
    if (!head)
        return;
    double b[4] = {head->box[0], head->box[1], head->box[2], head->box[3]};
    for (CSmartSect* s = head->next; s; s = s->next) {
        b[0] = std::min(b[0], s->box[0]);
        b[1] = std::min(b[1], s->box[1]);
        b[2] = std::max(b[2], s->box[2]);
        b[3] = std::max(b[3], s->box[3]);
    }
    min[0] = b[0];
    min[1] = b[1];
    max[0] = b[2];
    max[1] = b[3];
}

int CSmartCurve::GetCenter(double* c, double& r)
{
    if (head && head == tail) {
        if (head->IsSectArc()) {
            auto* a = static_cast<CSmartArc*>(head);
            c[0] = a->centre[0];
            c[1] = a->centre[1];
            r = a->radius;
            return 1;
        }
        return 0;
    }
    bool lines = head != nullptr;
    double m[2] = {0, 0};
    for (CSmartSect* s = head; s && lines; s = s->next) {
        lines = s->IsSectLine() != 0;
        if (lines) {
            m[0] += static_cast<CSmartLine*>(s)->start[0];
            m[1] += static_cast<CSmartLine*>(s)->start[1];
        }
    }
    if (lines) {
        m[0] /= count;
        m[1] /= count;
        // Vertices on one circle and sides of one length: a rectangle's corners are
        // concyclic too, but a rectangle is not a circle.
        const double d0 = P2D_Dist(m, static_cast<CSmartLine*>(head)->start);
        const double l0 = head->GetLength();
        bool round = true;
        for (CSmartSect* s = head; s && round; s = s->next)
            round = std::fabs(P2D_Dist(m, static_cast<CSmartLine*>(s)->start) - d0) <= kCircleFit &&
                    std::fabs(s->GetLength() - l0) <= kCircleFit;
        if (round) {
            c[0] = m[0];
            c[1] = m[1];
            r = d0;
            return 1;
        }
    }
    double mn[2] = {0, 0}, mx[2] = {0, 0};
    DefineBox(mn, mx);
    c[0] = (mn[0] + mx[0]) / 2;
    c[1] = (mn[1] + mx[1]) / 2;
    r = std::hypot(mx[0] - mn[0], mx[1] - mn[1]) / 2;
    return 0;
}

int CSmartCurve::GetYFromX(double x, double& y)
{
    for (CSmartSect* s = head; s; s = s->next) {
        if (x < s->box[0] || x > s->box[2])
            continue;
        if (s->IsSectLine()) {
            auto* l = static_cast<CSmartLine*>(s);
            const double dx = l->end[0] - l->start[0];
            y = dx != 0.0 ? l->start[1] + (x - l->start[0]) * (l->end[1] - l->start[1]) / dx : l->start[1];
            return 1;
        }
        auto* a = static_cast<CSmartArc*>(s);
        const double h = std::sqrt(std::max(0.0, a->radius * a->radius - (a->centre[0] - x) * (a->centre[0] - x)));
        const double up[2] = {x, a->centre[1] + h};
        y = a->IsPointOn(up) ? up[1] : a->centre[1] - h;
        return 1;
    }
    y = 0;
    return 0;
}

// Arcs contribute the chords of the points at i / n with a chord tolerance of 0.01.
double CSmartCurve::CalcArea()
{
    double sum = 0;
    for (CSmartSect* s = head; s; s = s->next) {
        if (s->IsSectLine()) {
            auto* l = static_cast<CSmartLine*>(s);
            sum += l->start[0] * l->end[1] - l->end[0] * l->start[1];
            continue;
        }
        auto* a = static_cast<CSmartArc*>(s);
        const double r = std::fabs(a->radius);
        if (r < kMinRadius)
            continue;
        const double step = std::max(2 * QVN_Math::ACos((r - std::min(kAreaArcTol, r)) / r), kMinAngleStep);
        const double chords = std::fabs(a->endAngle - a->startAngle) / step + 1;
        const int n = chords < kAreaArcChords ? static_cast<int>(chords) : kAreaArcChords;
        double p[2], q[2];
        a->GetPoint(0, p);
        for (int i = 1; i <= n; ++i) {
            a->GetPoint(static_cast<double>(i) / n, q);
            sum += p[0] * q[1] - q[0] * p[1];
            p[0] = q[0];
            p[1] = q[1];
        }
    }
    return sum;
}

CSmartSect* CSmartCurve::MinDistSect(const double* p, double* foot, double& d)
{
    CSmartSect* best = nullptr;
    d = kFarDistance;
    for (CSmartSect* s = head; s; s = s->next) {
        double f[2];
        const double e = s->MinDistPoint(p, f);
        if (e < d) {
            d = e;
            best = s;
            foot[0] = f[0];
            foot[1] = f[1];
        }
    }
    return best;
}

CSmartSect* CSmartCurve::FindNearSect(const double* p, double* q, double& d)
{
    CSmartSect* best = nullptr;
    d = kFarDistance;
    for (CSmartSect* s = head; s; s = s->next) {
        double a[2];
        s->GetPoint(0, a);
        const double e = P2D_Dist(p, a);
        if (e < d) {
            d = e;
            best = s;
            q[0] = a[0];
            q[1] = a[1];
        }
    }
    return best;
}

void CSmartCurve::DumpToFile(const char* path)
{
    if (!path)
        return;
    FILE* f = std::fopen(path, "w");
    if (!f)
        return;
    int i = 0;
    for (CSmartSect* s = head; s; s = s->next, ++i) {
        double a[2], b[2];
        s->GetPoint(0, a);
        s->GetPoint(1, b);
        std::fprintf(f, "T%d=%d St( %lf %lf), Ed(%lf %lf) \n", i, s->type & 1, a[0], a[1], b[0], b[1]);
    }
    std::fprintf(f, "\n\n");
    std::fclose(f);
}

int CSmartCurve::ConnectAllSect()
{
    Edited();
    if (!head)
        return 0;
    for (CSmartSect* s = head; s; s = s->next) {
        CSmartSect* n = s->next ? s->next : head;
        double e[2], b[2];
        s->GetPoint(1, e);
        n->GetPoint(0, b);
        // A lone line cannot close on itself: moving its end to its start would erase it.
        if (!(P2D_AbsDist(e, b) > kGapClose) || (s == n && s->IsSectLine()))
            continue;
        if (s->IsSectLine()) {
            s->TrimEnd(1, b, 1);
        } else if (n->IsSectLine()) {
            n->TrimEnd(0, e, 1);
        } else if (s != n) {
            const double m[2] = {(e[0] + b[0]) / 2, (e[1] + b[1]) / 2};
            BendArcEnd(static_cast<CSmartArc*>(s), m, 1);
            BendArcEnd(static_cast<CSmartArc*>(n), m, 0);
        } else {
            auto* a = static_cast<CSmartArc*>(s);
            if (std::fabs(a->endAngle - a->startAngle) > kNearFullSweep) {
                if (a->IsCounterClockwise())
                    a->endAngle = a->startAngle + kTwoPi;
                else
                    a->startAngle = a->endAngle + kTwoPi;
                a->DefineBox();
            }
        }
    }
    return 1;
}

int BendArcEnd(CSmartArc* arc, const double* m, int moveEnd)
{
    if (!arc || !m)
        return 0;
    double s[2], e[2];
    arc->GetPoint(0, s);
    arc->GetPoint(1, e);
    if (moveEnd) {
        e[0] = m[0];
        e[1] = m[1];
    } else {
        s[0] = m[0];
        s[1] = m[1];
    }
    const double c = P2D_Dist(s, e);
    if (!(c > 0))
        return 0;
    const double u[2] = {(e[0] - s[0]) / c, (e[1] - s[1]) / c};
    const double mid[2] = {(s[0] + e[0]) / 2, (s[1] + e[1]) / 2};
    double r = arc->radius, h = 0;
    if (r <= c / 2)
        r = c / 2;
    else
        h = std::sqrt(r * r - c * c / 4);
    const bool ccw = arc->IsCounterClockwise();
    const double oldSweep = arc->endAngle - arc->startAngle;
    double best = HUGE_VAL, bc[2] = {0, 0}, ba[2] = {0, 0};
    for (double side : {1.0, -1.0}) {
        const double ctr[2] = {mid[0] - side * h * u[1], mid[1] + side * h * u[0]};
        double a0 = std::atan2(s[1] - ctr[1], s[0] - ctr[0]), a1 = std::atan2(e[1] - ctr[1], e[0] - ctr[0]);
        if (ccw && !(a1 > a0))
            a1 += kTwoPi;
        if (!ccw && !(a1 < a0))
            a0 += kTwoPi;
        const double diff = std::fabs((a1 - a0) - oldSweep);
        if (diff < best) {
            best = diff;
            bc[0] = ctr[0];
            bc[1] = ctr[1];
            ba[0] = a0;
            ba[1] = a1;
        }
    }
    arc->centre[0] = bc[0];
    arc->centre[1] = bc[1];
    arc->radius = r;
    arc->startAngle = ba[0];
    arc->endAngle = ba[1];
    arc->DefineBox();
    return 1;
}
