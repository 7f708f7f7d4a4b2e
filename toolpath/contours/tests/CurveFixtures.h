// Builders and plain reference searches shared by the curve tests.
#pragma once

#include "framework/numerak/Point2D.h"
#include "geometry/algorithms/BezierToArc.h"
#include "geometry/shapes2d/GeArc.h"
#include "geometry/shapes2d/GeLine.h"
#include "testing/GlyphOutlines.h"
#include "toolpath/contours/SectIntersect.h"
#include "toolpath/contours/SmartCurve.h"

#include <array>
#include <cmath>
#include <random>
#include <vector>

namespace curvetest {

using P = std::array<double, 2>;

inline CSmartCurve* Polyline(const std::vector<P>& pts, bool close)
{
    auto* c = new CSmartCurve;
    for (std::size_t i = 0; i + 1 < pts.size(); ++i)
        c->AddSect(new CSmartLine(pts[i].data(), pts[i + 1].data()));
    if (close)
        c->AddSect(new CSmartLine(pts.back().data(), pts.front().data()));
    return c;
}

// A random chain of lines and arcs, each section starting where the last ended.
inline CSmartCurve* RandomChain(std::mt19937& rng, int n, double extent, bool close)
{
    std::uniform_real_distribution<double> u(0, extent), s(-1, 1);
    auto* c = new CSmartCurve;
    P cur{u(rng), u(rng)};
    const P first = cur;
    for (int i = 0; i < n; ++i) {
        P next{u(rng), u(rng)};
        if (close && i == n - 1)
            next = first;
        if (rng() % 3 == 0) {
            // An arc from cur to next bulging by a random amount.
            const double mx = (cur[0] + next[0]) / 2, my = (cur[1] + next[1]) / 2;
            const double dx = next[0] - cur[0], dy = next[1] - cur[1];
            const double h = s(rng) * 0.8;
            const double b[2] = {mx - dy * h, my + dx * h};
            auto* a = new CSmartArc;
            if (SetSmartArcThreePoints(cur.data(), b, a, next.data())) {
                c->AddSect(a);
                cur = next;
                continue;
            }
            delete a;
        }
        c->AddSect(new CSmartLine(cur.data(), next.data()));
        cur = next;
    }
    return c;
}

inline std::vector<CSmartSect*> Sects(const CSmartCurve& c)
{
    std::vector<CSmartSect*> v;
    for (CSmartSect* s = c.head; s; s = s->next)
        v.push_back(s);
    return v;
}

inline std::vector<std::array<double, 3>> PointsOf(const CSmartSect* s)
{
    std::vector<std::array<double, 3>> v;
    if (s->points)
        for (const CSmartPoint* p = s->points->head; p; p = p->next)
            v.push_back({p->x, p->y, p->t});
    return v;
}

// The self-intersection search as a plain scan over all pairs, with the joint rules;
// the points go into `lists` (one per section, in the order the sections receive them).
inline void PlainAutoInters(CSmartCurve& c, std::vector<CPointList>& lists)
{
    const std::vector<CSmartSect*> s = Sects(c);
    const int n = static_cast<int>(s.size());
    lists = std::vector<CPointList>(static_cast<std::size_t>(n));
    auto near = [](const double* a, const double* b) { return P2D_Dist(a, b) < 1e-6; };
    for (int i = 0; i < n; ++i)
        for (int j = i + 1; j < n; ++j) {
            const bool lines = s[i]->IsSectLine() && s[j]->IsSectLine();
            bool noted = false;
            double joint[2] = {0, 0}, a[2], b[2];
            if (j == i + 1) {
                s[i]->GetPoint(1, a);
                s[j]->GetPoint(0, b);
                if (near(a, b)) {
                    if (lines)
                        continue;
                    noted = true;
                    joint[0] = a[0];
                    joint[1] = a[1];
                }
            }
            if (i == 0 && j == n - 1) {
                s[i]->GetPoint(0, a);
                s[j]->GetPoint(1, b);
                if (near(a, b)) {
                    if (noted || lines)
                        continue;
                    noted = true;
                    joint[0] = a[0];
                    joint[1] = a[1];
                }
            }
            if (!BoxesOverlap(0.0001, s[i]->box, s[j]->box))
                continue;
            double pts[2][2];
            const int k = SectSectIntersect(s[j], s[i], pts);
            if (k < 1 || (noted && k == 1 && near(pts[0], joint)))
                continue;
            for (int m = 0; m < k; ++m)
                for (int w : {i, j}) {
                    const double t = s[static_cast<std::size_t>(w)]->GetParam(pts[m]);
                    if (t >= -1e-6 && t <= 1.000001) {
                        const double q[3] = {pts[m][0], pts[m][1], t};
                        lists[static_cast<std::size_t>(w)].AddPoint(new CSmartPoint(q));
                    }
                }
        }
}

inline std::vector<std::array<double, 3>> PointsOf(const CPointList& l)
{
    std::vector<std::array<double, 3>> v;
    for (const CSmartPoint* p = l.head; p; p = p->next)
        v.push_back({p->x, p->y, p->t});
    return v;
}

// The glyph contour fitted to lines and arcs at 0.01 mm.
inline CSmartCurve* GlyphCurve(const glyphs::Contour& c)
{
    auto* out = new CSmartCurve;
    for (const glyphs::Segment& g : c.segments) {
        if (!g.cubic) {
            out->AddSect(new CSmartLine(g.p[0].data(), g.p[1].data()));
            continue;
        }
        double pts[4][2];
        for (int k = 0; k < 4; ++k)
            for (int m = 0; m < 2; ++m)
                pts[k][m] = g.p[static_cast<std::size_t>(k)][static_cast<std::size_t>(m)];
        CBezierToArc fit(pts, 3);
        CTypedPtrList<CObList, CGeCurve*> curves;
        fit.ArcApproxi(0.01, &curves);
        for (CGeCurve* k : curves) {
            if (auto* a = dynamic_cast<CGeArc*>(k)) {
                double ctr[2];
                a->GetCenter(ctr);
                out->AddSect(new CSmartArc(ctr, a->GetRadius(), a->GetStartAngle(), a->GetEndAngle()));
            } else if (auto* l = dynamic_cast<CGeLine*>(k)) {
                double s[2], e[2];
                l->GetStartPoint(s);
                l->GetEndPoint(e);
                out->AddSect(new CSmartLine(s, e));
            }
            delete k;
        }
    }
    return out;
}

// The curve as a dense polygon (arcs at chord error 0.001), its last point not repeated.
inline std::vector<P> Flatten(CSmartCurve& c)
{
    std::vector<P> v;
    for (CSmartSect* s = c.head; s; s = s->next) {
        if (s->IsSectLine()) {
            double p[2];
            s->GetPoint(0, p);
            v.push_back({p[0], p[1]});
            continue;
        }
        std::vector<std::array<double, 2>> buf(4000);
        auto* pts = reinterpret_cast<double(*)[2]>(buf.data());
        const int n = DiscretizeArcSect(pts, 4000, 0.001, static_cast<CSmartArc*>(s));
        for (int i = 0; i < n; ++i)
            v.push_back({pts[i][0], pts[i][1]});
    }
    return v;
}

}  // namespace curvetest
