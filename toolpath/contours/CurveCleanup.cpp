// Curve clean-up: tiny sections absorbed, collinear lines merged, arcs replaced by chords,
// and point strings fitted with lines and arcs.
#include "toolpath/contours/SmartCurve.h"

#include "framework/numerak/Line2D.h"
#include "framework/numerak/Point2D.h"
#include "toolpath/contours/SmartConst.h"

#include <array>
#include <cmath>
#include <vector>

using namespace smart;

namespace {

constexpr std::uint8_t kKeepLine = 0x20;  // LinearCurve leaves such a line alone

double BoxDiagonal(const CSmartSect* s)
{
    const double a[2] = {s->box[0], s->box[1]}, b[2] = {s->box[2], s->box[3]};
    return P2D_AbsDist(a, b);
}

}  // namespace

// A section is absorbed only with neighbours on both sides (across the closing joint of a
// closed curve), and never by a neighbour that is the only other section: trimming both
// ends of one line to the same point would leave nothing of it.
void CSmartCurve::RefineCurve()
{
    Edited();
    for (CSmartSect* s = head; s;) {
        CSmartSect* following = s->next;
        if (!(BoxDiagonal(s) < kTinySection)) {
            s = following;
            continue;
        }
        CSmartSect* p = s->prev;
        CSmartSect* q = s->next;
        if (!p || !q) {
            if (!IsClosed()) {
                s = following;
                continue;
            }
            p = p ? p : tail;
            q = q ? q : head;
        }
        if (p == s || q == s || p == q) {
            s = following;
            continue;
        }
        double a[2], b[2];
        s->GetPoint(0, a);
        s->GetPoint(1, b);
        if (q->IsSectLine() && p->IsSectLine()) {
            double m[2];
            s->GetPoint(0.5, m);
            q->TrimEnd(0, m, 1);
            p->TrimEnd(1, m, 1);
        } else if (q->IsSectLine()) {
            q->TrimEnd(0, a, 1);
        } else if (p->IsSectLine()) {
            p->TrimEnd(1, b, 1);
        } else {
            s = following;
            continue;
        }
        RemoveSect(s);
        delete s;
        s = following;
    }
}

void CSmartCurve::LinearCurve(double tol)
{
    Edited();
    for (CSmartSect* s = head; s && s->next; s = s->next) {
        CSmartSect* q = s->next;
        if (!s->IsSectLine() || !q->IsSectLine() || (s->mark & kKeepLine))
            continue;
        double u[2], v[2];
        s->GetTangent(0, u);
        q->GetTangent(0, v);
        if (!(u[0] * v[0] + u[1] * v[1] > kCollinearDot))
            continue;
        auto* l = static_cast<CSmartLine*>(s);
        auto* m = static_cast<CSmartLine*>(q);
        const double joint[3] = {l->end[0], l->end[1], 0}, a[3] = {l->start[0], l->start[1], 0},
                     b[3] = {m->end[0], m->end[1], 0};
        if (!(L3D_DistToPntEx(joint, a, b) < tol))
            continue;
        s->TrimEnd(1, m->end, 1);
        RemoveSect(q);
        delete q;
    }
}

void CSmartCurve::DiscreteCurve(double tol)
{
    Edited();
    CSmartSect* s = head;
    head = tail = nullptr;
    count = 0;
    std::vector<std::array<double, 2>> pts(kChordCapacity);
    auto* buf = reinterpret_cast<double(*)[2]>(pts.data());
    while (s) {
        CSmartSect* following = s->next;
        if (!s->IsSectArc()) {
            AddSect(s);
            s = following;
            continue;
        }
        const int n = DiscretizeArcSect(buf, kChordCapacity, tol, static_cast<CSmartArc*>(s));
        if (n > 0 && tail)
            tail->GetPoint(1, buf[0]);
        for (int i = 0; i < n; ++i)
            AddSect(new CSmartLine(buf[i], buf[i + 1]));
        delete s;
        s = following;
    }
    if (IsClosed()) {
        double a[2], b[2];
        head->GetPoint(0, a);
        tail->GetPoint(1, b);
        const double m[2] = {(a[0] + b[0]) / 2, (a[1] + b[1]) / 2};
        head->TrimEnd(0, m, 1);
        tail->TrimEnd(1, m, 1);
    }
}

namespace {

// The fitting state of AddPointArray over the caller's arrays.
struct PointFit {
    double (*pts)[2];
    double (*mids)[2];
    int n;
    const double* tol;

    static bool Arc(const double* a, const double* b, const double* c, CSmartArc& arc)
    {
        return SetSmartArcThreePoints(a, b, &arc, c) != 0;
    }
    bool Within(const CSmartArc& arc, const double* p) const
    {
        return std::fabs(P2D_Dist(p, arc.centre) - arc.radius) <= tol[0];
    }
    // Deletes point i (the later points and the later midpoints move down).
    void DeletePoint(int i)
    {
        for (int k = i; k < n; ++k) {
            pts[k][0] = pts[k + 1][0];
            pts[k][1] = pts[k + 1][1];
        }
        if (mids) {
            for (int k = i; k + 1 < n; ++k) {
                mids[k][0] = mids[k + 1][0];
                mids[k][1] = mids[k + 1][1];
            }
            mids[i - 1][0] = (pts[i - 1][0] + pts[i][0]) / 2;
            mids[i - 1][1] = (pts[i - 1][1] + pts[i][1]) / 2;
        }
        --n;
    }
    // The run s..e passes: the arc's tangent against a long chord, then every point and
    // chord midpoint of the run near the circle.
    bool Holds(CSmartArc& arc, int s, int e, double L1, double L2)
    {
        const double* a = pts[e - 2];
        const double* b = pts[e - 1];
        const double* c = pts[e];
        double t[2], u[2];
        if (L2 > L1 && L2 > kFitTangentChord) {
            arc.GetTangent(1, t);
            u[0] = (c[0] - b[0]) / L2;
            u[1] = (c[1] - b[1]) / L2;
            if (t[0] * u[0] + t[1] * u[1] < tol[1])
                return false;
        } else if (e - s == 2 && L1 > L2 && L1 > kFitTangentChord) {
            arc.GetTangent(0, t);
            u[0] = (b[0] - a[0]) / L1;
            u[1] = (b[1] - a[1]) / L1;
            if (t[0] * u[0] + t[1] * u[1] < tol[1])
                return false;
        }
        for (int k = s + 1; k < e; ++k)
            if (k != (s + e) / 2 && !Within(arc, pts[k]))
                return false;
        if (mids)
            for (int k = s; k < e; ++k)
                if (!Within(arc, mids[k]))
                    return false;
        return true;
    }
};

void AddLine(CSmartCurve& c, const double* a, const double* b) { c.AddSect(new CSmartLine(a, b)); }

// The arc through a, m and b, or the chords from..to when the three points allow none.
void AddArc(CSmartCurve& c, double (*pts)[2], int from, int mid, int to)
{
    auto* arc = new CSmartArc;
    if (SetSmartArcThreePoints(pts[from], pts[mid], arc, pts[to])) {
        c.AddSect(arc);
        return;
    }
    delete arc;
    for (int k = from; k < to; ++k)
        AddLine(c, pts[k], pts[k + 1]);
}

}  // namespace

int CSmartCurve::AddPointArray(double (*pts)[2], int n, const double* tol, double (*mids)[2])
{
    if (!pts || n <= 0 || !tol)
        return 0;
    if (n == 1) {
        AddLine(*this, pts[0], pts[1]);
        return 1;
    }
    PointFit fit{pts, mids, n, tol};
    int s = 0;
    bool broken = false;
    for (int e = 2; e <= fit.n;) {
        const double* a = pts[e - 2];
        const double* b = pts[e - 1];
        const double* c = pts[e];
        const double L1 = P2D_Dist(b, a), L2 = P2D_Dist(b, c);
        const double prod = L1 * L2;
        const double cosb =
            prod > kFitTinyProduct ? ((b[0] - a[0]) * (b[0] - c[0]) + (b[1] - a[1]) * (b[1] - c[1])) / prod : prod;
        broken = cosb > kFitTurnCos || L1 > kFitLongChord || L2 > kFitLongChord;
        if (!broken) {
            CSmartArc arc;
            if (!PointFit::Arc(pts[s], pts[(s + e) / 2], pts[e], arc)) {
                if (e - s == 2) {
                    fit.DeletePoint(e - 1);
                    continue;  // the same e with the new third point
                }
                broken = true;
            } else {
                broken = !fit.Holds(arc, s, e, L1, L2);
            }
        }
        if (broken) {
            if (e - s == 2)
                AddLine(*this, pts[s], pts[s + 1]);
            else
                AddArc(*this, pts, s, (s + e - 1) / 2, e - 1);
            s = e - 1;
        }
        ++e;
    }
    if (!broken && fit.n - s > 2) {
        AddArc(*this, pts, s, (s + fit.n) / 2, fit.n);
    } else {
        for (int k = s; k < fit.n; ++k)
            AddLine(*this, pts[k], pts[k + 1]);
    }
    return 1;
}
