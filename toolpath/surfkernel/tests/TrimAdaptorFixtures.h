// Trimmed surfaces for the tests of the trimming adaptor and the fillet solver:
// planes and cylinders trimmed by their unit parameter square, and the area of a
// trimmed region measured independently of the trimming engine.
#pragma once

#include "framework/numerak/Bsrf.h"
#include "geometry/shapes2d/GeCurve.h"
#include "geometry/shapes3d/GeTrimSurf.h"
#include "platform/core/ObList.h"
#include "testing/SurfaceFixtures.h"
#include "toolpath/surfkernel/KernelEntity.h"
#include "toolpath/surfkernel/SurfaceEntity.h"
#include "toolpath/surfkernel/tests/TrimEditFixtures.h"

#include <array>
#include <cmath>
#include <memory>
#include <random>
#include <vector>

namespace trimadapt {

using Surf = std::unique_ptr<CGeTrimSurf>;
using V3 = std::array<double, 3>;

// A trimmed surface over the unit parameter square with the square as its loop.
inline Surf Trimmed(surffix::SurfPtr s)
{
    auto surf = std::make_unique<CGeTrimSurf>(s.release(), BOX2<double>(0, 0, 1, 1));
    surf->AddLoop(surf->GenRectTrimLoop(0, 1, 0, 1));
    surf->CalcUVBox();
    return surf;
}

// The parallelogram o + u·eu + v·ev as a bilinear record on the unit square.
inline surffix::SurfPtr Parallelogram(V3 o, V3 eu, V3 ev)
{
    surffix::SurfPtr s(BSRF_Create(2, 2, 2, 2));
    for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 2; ++j) {
            for (int c = 0; c < 3; ++c) s->P[i][j][c] = o[c] + i * eu[c] + j * ev[c];
            s->P[i][j][3] = 1.0;
        }
    return s;
}

// The parallelogram trimmed by the unit square.
inline Surf PlaneSurf(V3 o, V3 eu, V3 ev) { return Trimmed(Parallelogram(o, eu, ev)); }

// The cylinder of radius r about the vertical axis through (cx, cy) from z0 to
// z0 + h; u runs round (periodic), v up.
inline Surf CylinderSurf(double cx, double cy, double z0, double r, double h)
{
    surffix::SurfPtr s = surffix::Cylinder(r, h);
    const double move[3] = {cx, cy, z0};
    BSRF_Move(s.get(), move);
    return Trimmed(std::move(s));
}

inline double Cross(const double* a, const double* b)
{
    const double c[3] = {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
    return std::sqrt(c[0] * c[0] + c[1] * c[1] + c[2] * c[2]);
}

// The loops of the surface as closed parameter polygons (their bounds' points in order).
inline std::vector<trimedit::Polygon> LoopPolygons(CGeTrimSurf& s)
{
    std::vector<trimedit::Polygon> out;
    for (CGeTrimLoop* loop : s.m_listLoop) {
        trimedit::Polygon poly;
        for (CGeTrimBnd* b : loop->m_listBnd) {
            CGeCurve* c = b->m_pUVCrv;
            if (!c) continue;
            c->Discrete(1e-5);  // fine enough that the polygon is the loop
            for (int k = 0; k < c->GetSWPointCount(); ++k) poly.push_back({c->GetSWPoint()[k][0], c->GetSWPoint()[k][1]});
        }
        out.push_back(poly);
    }
    return out;
}

// Area of the trimmed region: cell centres of an n × n grid over the UV box that
// lie inside an odd number of loops (crossing numbers of the loop polygons), each
// weighted by |Su × Sv|; a surface without loops counts its whole UV box. With
// jitter each cell is sampled at a random point of it (fixed seed) instead, so
// that a boundary along a grid line does not bias the sum by up to half a row.
inline double TrimmedArea(CGeTrimSurf& s, int n = 400, bool jitter = false)
{
    const std::vector<trimedit::Polygon> loops = LoopPolygons(s);
    const BOX2<double>& b = s.m_boxUV;
    const double du = (b.xmax - b.xmin) / n, dv = (b.ymax - b.ymin) / n;
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> within(0.0, 1.0);
    double area = 0.0;
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            const double a = jitter ? within(rng) : 0.5, c = jitter ? within(rng) : 0.5;
            const trimedit::UV uv = {b.xmin + (i + a) * du, b.ymin + (j + c) * dv};
            bool in = loops.empty();
            for (const auto& poly : loops) in ^= trimedit::CrossingInside(poly, uv);
            if (!in) continue;
            double P[3], Su[3], Sv[3];
            if (BSRF_Ev1Der(s.m_pSurface, uv[0], uv[1], P, Su, Sv)) area += Cross(Su, Sv) * du * dv;
        }
    return area;
}

// A trimmed surface with its kernel record, as the surface operations give it
// before a fillet; the record is freed with the surface unless a trim freed it.
struct Input {
    std::unique_ptr<CGeTrimSurf> surf;
    explicit Input(surffix::SurfPtr s)
        : surf(std::make_unique<CGeTrimSurf>(s.release(), BOX2<double>(0, 0, 1, 1)))
    {
        surf->AddLoop(surf->GenRectTrimLoop(0, 1, 0, 1));
        surf->CalcUVBox();
        surf->m_pKernelSurf = ESRF_NewNurbs(BSRF_Clone(surf->m_pSurface));
    }
    ~Input()
    {
        if (surf) ENT_Free(static_cast<SURFACE*>(surf->m_pKernelSurf));
    }
    CGeTrimSurf* get() const { return surf.get(); }
};

// The floor z = 0 over x in [0, 20], y in [0, 10] (normal +z), and a wall rising
// from the line x = 10 at the angle alpha to the floor's part x < 10, reaching 20
// above and below the floor (normal away from that wedge).
inline Input Floor(double x0 = 0.0) { return Input(Parallelogram({x0, 0, 0}, {20, 0, 0}, {0, 10, 0})); }
inline V3 WallDir(double alpha) { return {-std::cos(alpha), 0, std::sin(alpha)}; }
inline Input Wall(double alpha)
{
    const V3 w = WallDir(alpha);
    return Input(Parallelogram({10 - 20 * w[0], 0, -20 * w[2]}, {0, 10, 0}, {40 * w[0], 0, 40 * w[2]}));
}

inline std::vector<CGeTrimSurf*> Take(CObList& list)
{
    std::vector<CGeTrimSurf*> out;
    while (!list.IsEmpty()) out.push_back(static_cast<CGeTrimSurf*>(list.RemoveHead()));
    return out;
}

}  // namespace trimadapt
