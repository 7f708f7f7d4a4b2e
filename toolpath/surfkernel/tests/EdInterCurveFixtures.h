// Helpers of the cutting-curve tests: trimmed NURBS surfaces with their edit form and
// kernel record, and curves built from point lists.
#pragma once

#include "framework/numerak/Bsrf.h"
#include "geometry/shapes3d/GeTrimSurf.h"
#include "testing/SurfaceFixtures.h"
#include "toolpath/surfkernel/EdInterCurve.h"
#include "toolpath/surfkernel/EdTrimSurf.h"
#include "toolpath/surfkernel/KernelEntity.h"
#include "toolpath/surfkernel/KernelRecords.h"
#include "toolpath/surfkernel/SurfaceEntity.h"

#include <array>
#include <memory>
#include <vector>

namespace intercurve {

using P7 = std::array<double, 7>;

// The record moved by d (homogeneous control points).
inline surffix::SurfPtr Moved(surffix::SurfPtr s, double dx, double dy, double dz)
{
    for (int i = 0; i < s->nu; ++i)
        for (int j = 0; j < s->nv; ++j) {
            double* p = s->P[i][j];
            p[0] += p[3] * dx, p[1] += p[3] * dy, p[2] += p[3] * dz;
        }
    return s;
}

// The plane z = z0 + slope·x over [x0, x0 + w] × [y0, y0 + h] on [0, 1]².
inline surffix::SurfPtr PlaneAt(double x0, double y0, double w, double h, double z0, double slope = 0.0)
{
    surffix::SurfPtr s = surffix::Plane(w, h);
    for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 2; ++j) {
            double* p = s->P[i][j];
            p[0] += x0, p[1] += y0;
            p[2] = z0 + slope * p[0];
        }
    return s;
}

// A trimmed surface over [0, 1]² cut to the rectangle [u0, u1] × [v0, v1], with its
// kernel record and its edit form.
struct Sheet {
    std::unique_ptr<CGeTrimSurf> g;
    CEdTrimSurf e;
    Sheet(surffix::SurfPtr s, double u0 = 0, double u1 = 1, double v0 = 0, double v1 = 1)
        : g(std::make_unique<CGeTrimSurf>(s.release(), BOX2<double>(0, 0, 1, 1)))
    {
        g->AddLoop(g->GenRectTrimLoop(u0, u1, v0, v1));
        g->m_pKernelSurf = ESRF_NewNurbs(BSRF_Clone(g->m_pSurface));
        e.InitSurfBound(g.get());
    }
    ~Sheet()
    {
        e.DeleteAllCurve();
        ENT_Free(static_cast<ENTITY*>(g->m_pKernelSurf));
        g->m_pKernelSurf = nullptr;
    }
    SURFACE* K() const { return static_cast<SURFACE*>(g->m_pKernelSurf); }
    std::array<double, 3> At(double u, double v) const
    {
        std::array<double, 3> p{};
        g->GetPoint(u, v, p.data());
        return p;
    }
};

struct RecordFree {
    void operator()(ECRV_INTCUR* c) const { ECRV_FreeIntersection(c); }
};
using RecordPtr = std::unique_ptr<ECRV_INTCUR, RecordFree>;

// An intersection record of the points (no surfaces, zero tangents and parameters).
inline RecordPtr Record(const std::vector<P7>& pts, int sideA = 0, int sideB = 0)
{
    SSI_TRACE* trace = ESSI_NewTraceArray(static_cast<int>(pts.size()), nullptr);
    for (size_t i = 0; i < pts.size(); ++i) {
        SSI_SAMPLE& s = trace->s[i];
        for (int c = 0; c < 3; ++c) s.p[c] = pts[i][c];
        s.uvA[0] = pts[i][3], s.uvA[1] = pts[i][4], s.uvB[0] = pts[i][5], s.uvB[1] = pts[i][6];
    }
    RecordPtr r(ECRV_NewIntersection(nullptr, nullptr, trace));
    r->side[0] = sideA, r->side[1] = sideB;
    return r;
}

// A curve on a and b whose (u, v) on both is the given parameter point and whose 3D
// point is a's there.
inline std::unique_ptr<CEdInterCurve> OnBoth(const std::vector<std::array<double, 2>>& uv, Sheet& a, Sheet& b)
{
    std::vector<P7> p;
    for (const auto& q : uv) {
        const auto x = a.At(q[0], q[1]);
        p.push_back({x[0], x[1], x[2], q[0], q[1], q[0], q[1]});
    }
    auto c = std::make_unique<CEdInterCurve>();
    c->Create(Record(p).get(), &a.e, &b.e);
    return c;
}

// A curve in a's parameter domain.
inline std::unique_ptr<CEdInterCurve> OnOne(std::vector<std::array<double, 2>> uv, Sheet& a)
{
    auto c = std::make_unique<CEdInterCurve>();
    c->Create(reinterpret_cast<double(*)[2]>(uv.data()), static_cast<int>(uv.size()), &a.e);
    return c;
}

inline std::vector<CEdInterPoint*> Listed(const CEdInterCurve& c)
{
    std::vector<CEdInterPoint*> out;
    for (CEdInterPoint* p = c.pointHead; p; p = p->next) out.push_back(p);
    return out;
}

inline std::array<double, 3> Xyz(const CEdInterPoint* p) { return {p->x, p->y, p->z}; }

inline CEdInterPoint* NewPoint(double t, int flags, const double* xyz = nullptr, CEdTrimSurf* surf = nullptr)
{
    auto* p = new CEdInterPoint;
    p->t = t, p->flags = flags, p->surf = surf;
    if (xyz) p->x = xyz[0], p->y = xyz[1], p->z = xyz[2];
    return p;
}

}  // namespace intercurve
