// Intersections of sections: one pair, a curve with itself and two curves.
//
// The pairs tested are exactly those whose boxes overlap within 0.0001 (the plain scan
// over all pairs would test no others), found through a grid of the section boxes and
// visited in chain order, so the points reach the sections' lists in the same order as
// in a plain scan.
#include "toolpath/contours/SmartCurve.h"

#include "framework/numerak/Point2D.h"
#include "toolpath/contours/BoxPairs.h"
#include "toolpath/contours/SectIntersect.h"
#include "toolpath/contours/SegCrossing.h"
#include "toolpath/contours/SmartConst.h"

#include <vector>

using namespace smart;

namespace {

// The k points that lie on both sections, into out; their number.
int OnBoth(CSmartSect* a, CSmartSect* b, const double (*pts)[2], int k, double (*out)[2])
{
    int n = 0;
    for (int i = 0; i < k; ++i)
        if (a->IsPointOn(pts[i]) && b->IsPointOn(pts[i])) {
            out[n][0] = pts[i][0];
            out[n][1] = pts[i][1];
            ++n;
        }
    return n;
}

}  // namespace

int SectSectIntersect(CSmartSect* a, CSmartSect* b, double (*out)[2])
{
    if (!a || !b)
        return 0;
    double pts[2][2];
    int k = 0;
    if (a->IsSectLine() && b->IsSectLine()) {
        auto* la = static_cast<CSmartLine*>(a);
        auto* lb = static_cast<CSmartLine*>(b);
        k = SegSegIntersect(la->start, pts, lb->start, lb->end, la->end);
    } else if (b->IsSectLine()) {
        auto* lb = static_cast<CSmartLine*>(b);
        auto* ca = static_cast<CSmartArc*>(a);
        k = LineCircleIntersect(ca->radius, ca->centre, lb->end, pts, lb->start);
    } else if (a->IsSectLine()) {
        auto* la = static_cast<CSmartLine*>(a);
        auto* cb = static_cast<CSmartArc*>(b);
        k = LineCircleIntersect(cb->radius, cb->centre, la->end, pts, la->start);
    } else {
        auto* ca = static_cast<CSmartArc*>(a);
        auto* cb = static_cast<CSmartArc*>(b);
        k = CircleCircleIntersect(ca->radius, cb->radius, ca->centre, pts, cb->centre);
    }
    return OnBoth(a, b, pts, k, out);
}

LineCrossings::LineCrossings(CSmartLine& line) : m_line(line), m_dir(SegmentDirection(line.start, line.end)) {}

int LineCrossings::With(CSmartSect* b, double (*out)[2])
{
    if (!b || !b->IsSectLine())
        return SectSectIntersect(&m_line, b, out);
    auto* lb = static_cast<CSmartLine*>(b);
    double pts[2][2];
    const int k = seg::Crossing(m_line.start, pts, lb->start, lb->end, m_line.end, m_dir);
    return OnBoth(&m_line, b, pts, k, out);
}

namespace {

std::vector<CSmartSect*> Sections(const CSmartCurve& c)
{
    std::vector<CSmartSect*> v;
    for (CSmartSect* s = c.head; s; s = s->next)
        v.push_back(s);
    return v;
}

std::vector<const double*> Boxes(const std::vector<CSmartSect*>& v)
{
    std::vector<const double*> b;
    b.reserve(v.size());
    for (CSmartSect* s : v)
        b.push_back(s->box);
    return b;
}

bool Near(const double* a, const double* b) { return P2D_Dist(a, b) < kJointClose; }

}  // namespace

// Joints that close are not crossings: neighbouring lines are not intersected at all,
// and a single point of another neighbouring pair at its joint is dropped. The closing
// joint (head start at tail end) counts as one more neighbouring pair.
int CSmartCurve::AutoInters(int)
{
    if (!head)
        return 0;
    const std::vector<CSmartSect*> secs = Sections(*this);
    const int n = static_cast<int>(secs.size());
    if (n >= kBlockSize)
        for (int i = 0; i < n; ++i)
            secs[i]->number = i / kBlockSize;
    int found = 0;
    for (const auto& [i, j] : SelfBoxPairs(Boxes(secs), kJoint)) {
        CSmartSect* s = secs[i];
        CSmartSect* s2 = secs[j];
        const bool lines = s->IsSectLine() && s2->IsSectLine();
        double joint[2] = {0, 0};
        bool noted = false;
        if (j == i + 1) {
            double e[2], b[2];
            s->GetPoint(1, e);
            s2->GetPoint(0, b);
            if (Near(b, e)) {
                if (lines)
                    continue;
                noted = true;
                joint[0] = e[0];
                joint[1] = e[1];
            }
        }
        if (i == 0 && j == n - 1) {
            double b[2], e[2];
            s->GetPoint(0, b);
            s2->GetPoint(1, e);
            if (Near(b, e)) {
                if (noted || lines)
                    continue;
                noted = true;
                joint[0] = b[0];
                joint[1] = b[1];
            }
        }
        double pts[2][2];
        const int k = SectSectIntersect(s2, s, pts);
        if (k < 1 || (noted && k == 1 && Near(pts[0], joint)))
            continue;
        for (int m = 0; m < k; ++m) {
            s->AddIntPt(pts[m]);
            s2->AddIntPt(pts[m]);
        }
        found = 1;
    }
    return found;
}

int CSmartCurve::CurveCurveInt(CSmartCurve* c)
{
    if (!c || !head || !c->head)
        return 0;
    const std::vector<CSmartSect*> mine = Sections(*this), theirs = Sections(*c);
    int found = 0;
    for (const auto& [i, j] : CrossBoxPairs(Boxes(mine), Boxes(theirs), kJoint)) {
        double pts[2][2];
        const int k = SectSectIntersect(theirs[j], mine[i], pts);
        for (int m = 0; m < k; ++m) {
            theirs[j]->AddIntPt(pts[m]);
            mine[i]->AddIntPt(pts[m]);
        }
        if (k > 0)
            found = 1;
    }
    return found;
}
