// Plain 3D chaining, the reference the indexed chainers of CGeTool3D are compared
// with: every search scans the whole work list, exactly as the chaining rules are
// written. Quadratic: for tests only. Results are lists of member end points, so
// that chains of different copies compare exactly.
#pragma once

#include "framework/numerak/Plane3D.h"
#include "framework/numerak/Point2D.h"
#include "framework/numerak/Point3D.h"
#include "framework/numerak/Vector2D.h"
#include "geometry/shapes3d/GeCurve3d.h"
#include "geometry/shapes3d/GeLoop3d.h"

#include <array>
#include <cmath>
#include <memory>
#include <vector>

namespace chainref3d {

using Pt = std::array<double, 3>;
// A chain: each member's start and end.
using Chain = std::vector<std::array<Pt, 2>>;

inline Chain ChainOf(CGeCombCurve3d* loop)
{
    Chain out;
    for (CGeCurve3d* m : loop->m_listCurve) {
        std::array<Pt, 2> ends{};
        m->GetStartPoint(ends[0].data());
        m->GetEndPoint(ends[1].data());
        out.push_back(ends);
    }
    return out;
}

// ReCreateLoop3d in copy mode, scanning the list at every step.
inline std::vector<Chain> ReCreateLoop3d(const std::vector<CGeCurve3d*>& input, double tol, bool closedOnly)
{
    std::vector<CGeCurve3d*> work;
    for (CGeCurve3d* c : input) work.push_back(static_cast<CGeCurve3d*>(c->Copy()));
    std::vector<Chain> chains;
    auto takeLowest = [&]() -> CGeCurve3d* {
        double best = 1e12;
        int at = -1;
        for (std::size_t i = 0; i < work.size(); ++i) {
            double s[3];
            work[i]->GetStartPoint(s);
            if (s[2] < best) best = s[2], at = static_cast<int>(i);
        }
        if (at < 0) return nullptr;
        CGeCurve3d* c = work[static_cast<std::size_t>(at)];
        work.erase(work.begin() + at);
        return c;
    };
    auto searchNext = [&](const double* p, const double* dir, int& byStart) -> CGeCurve3d* {
        double bestAngle = 6.283185307179586;
        int at = -1;
        for (std::size_t i = 0; i < work.size(); ++i) {
            CGeCurve3d* c = work[i];
            BOX3<double> box;
            c->GetBox(&box);
            if (BOX3D_IsP3DIn(&box, p, tol) != 1) continue;
            double s[3], e[3];
            c->GetStartPoint(s);
            c->GetEndPoint(e);
            const double ds = P3D_Dist(p, s), de = P3D_Dist(p, e);
            if (std::min(ds, de) > tol) continue;
            const double len = P3D_Dist(s, e);
            double t[3] = {0, 0, 0};
            if (de >= ds) {
                c->GetStartTanVec(t);
            } else {
                c->GetEndTanVec(t);
                for (double& v : t) v = -v;
            }
            if (len >= 0.0001) {
                const double a = V3D_GetAngle(dir, t, 1e-6);
                if (!(a < bestAngle)) continue;
                bestAngle = a;
            }
            at = static_cast<int>(i);
            byStart = de >= ds ? 1 : 0;
        }
        if (at < 0) return nullptr;
        CGeCurve3d* c = work[static_cast<std::size_t>(at)];
        work.erase(work.begin() + at);
        return c;
    };
    while (CGeCurve3d* seed = takeLowest()) {
        auto loop = std::make_unique<CGeLoop3d>();
        loop->AddTail(seed);
        double s[3], e[3];
        seed->GetStartPoint(s);
        seed->GetEndPoint(e);
        if (!(P3D_Dist(s, e) < tol && seed->EvTotalArcLength() > 2 * tol)) {
            int misses = 0;
            for (;;) {
                double p[3] = {0, 0, 0}, dir[3] = {0, 0, 0};
                loop->GetEndPoint(p);
                loop->GetEndTanVec(dir);
                int byStart = 1;
                if (CGeCurve3d* next = searchNext(p, dir, byStart)) {
                    if (!byStart) next->Reverse();
                    loop->AddTail(next);
                    double a[3], b[3];
                    loop->GetStartPoint(a);
                    loop->GetEndPoint(b);
                    if (closedOnly && P3D_Dist(a, b) < tol) break;
                } else if (misses++ == 0) {
                    loop->Reverse();
                } else {
                    break;
                }
            }
        }
        if (closedOnly && !loop->IsLoop3d(tol)) continue;
        chains.push_back(ChainOf(loop.get()));
    }
    for (CGeCurve3d* c : work) delete c;
    return chains;
}

// CreateLoop3dForClearCorner1 on copies, scanning the list at every step.
inline std::vector<Chain> DirectedChains(const std::vector<CGeCurve3d*>& input, double tol)
{
    std::vector<CGeCurve3d*> work;
    for (CGeCurve3d* c : input) work.push_back(static_cast<CGeCurve3d*>(c->Copy()));
    std::vector<Chain> chains;
    for (;;) {
        double best = 1e12;
        int at = -1;
        for (std::size_t i = 0; i < work.size(); ++i) {
            double s[3];
            work[i]->GetStartPoint(s);
            if (s[2] < best) best = s[2], at = static_cast<int>(i);
        }
        if (at < 0) break;
        auto loop = std::make_unique<CGeLoop3d>();
        loop->AddTail(work[static_cast<std::size_t>(at)]);
        work.erase(work.begin() + at);
        for (;;) {
            double p[3];
            loop->GetEndPoint(p);
            double bestRise = -1000000.0;
            int next = -1;
            for (std::size_t i = 0; i < work.size(); ++i) {
                double s[3], e[3];
                work[i]->GetStartPoint(s);
                work[i]->GetEndPoint(e);
                if (P3D_Dist(p, s) > tol) continue;
                const double rise = std::fabs(e[2] - p[2]);
                if (rise > bestRise) bestRise = rise, next = static_cast<int>(i);
            }
            if (next < 0) break;
            loop->AddTail(work[static_cast<std::size_t>(next)]);
            work.erase(work.begin() + next);
        }
        chains.push_back(ChainOf(loop.get()));
    }
    return chains;
}

}  // namespace chainref3d
