#include "geometry/shapes3d/GeTrimSurf.h"

#include "framework/looker/QVGlobal.h"
#include "framework/numerak/Box2D.h"
#include "framework/numerak/Bsrf.h"
#include "framework/numerak/Knot.h"
#include "framework/numerak/Matrix44.h"
#include "framework/numerak/NurbsEditor.h"
#include "framework/numerak/QvnMath.h"
#include "framework/numerak/Vector2D.h"
#include "geometry/shapes2d/GeCurve.h"
#include "geometry/shapes2d/GeLine.h"
#include "geometry/shapes3d/GeNrbCrv3d.h"
#include "geometry/shapes3d/Shapes3dConst.h"

#include <cmath>

IMPLEMENT_SERIAL(CGeTrimSurf, CObject, VERSIONABLE_SCHEMA | 1)

namespace {

// Display tolerance of the parameter curves for loop areas and the winding test.
constexpr double kAreaTol = 0.01;
// How far outside a loop's parameter box a point may lie and still be tested.
constexpr double kInBoxTol = 0.001;
// A winding sum above this (about 2π inside, about 0 outside) means inside.
constexpr double kWindingInside = 5.0;
// Knot values closer than this to 0 or 1 count as normalised.
constexpr double kKnotTol = 1e-12;
// Parameter step without a record.
constexpr double kDefaultStep = 0.02;

}  // namespace

CGeTrimSurf::CGeTrimSurf() { m_boxUV.xmin = m_boxUV.ymin = m_boxUV.xmax = m_boxUV.ymax = 0.0; }

CGeTrimSurf::CGeTrimSurf(_nurbs_surface* surface, BOX2<double> boxUV) : m_pSurface(surface), m_boxUV(boxUV) {}

CGeTrimSurf::~CGeTrimSurf()
{
    BSRF_Free(m_pSurface);
    DeleteOwnedList(m_listLoop);
}

void CGeTrimSurf::Serialize(CArchive&) {}

int CGeTrimSurf::GetType() const { return ge3con::kTypeTrimSurf; }

int CGeTrimSurf::GetPoint(double u, double v, double* xyz)
{
    return m_pSurface && BSRF_EvPos(m_pSurface, u, v, xyz) ? 1 : 0;
}

int CGeTrimSurf::GetNormal(double u, double v, double* xyz, double* normal)
{
    return m_pSurface && BSRF_EvNormal(m_pSurface, u, v, xyz, normal) ? 1 : 0;
}

CGeShape3d* CGeTrimSurf::Copy()
{
    auto* copy = new CGeTrimSurf;
    copy->CopyFromTrimSurf(this);
    copy->BuildTopo();
    return copy;
}

CGeTrimSurf* CGeTrimSurf::CopyNoLoop()
{
    auto* copy = new CGeTrimSurf;
    copy->m_pSurface = m_pSurface ? BSRF_Clone(m_pSurface) : nullptr;
    return copy;
}

void CGeTrimSurf::CopyFromTrimSurf(CGeTrimSurf* src)
{
    if (!src || src == this) return;
    BSRF_Free(m_pSurface);
    m_pSurface = src->m_pSurface ? BSRF_Clone(src->m_pSurface) : nullptr;
    DeleteOwnedList(m_listLoop);
    for (CGeTrimLoop* loop : src->m_listLoop)
        if (loop)
            if (auto* c = static_cast<CGeTrimLoop*>(loop->Copy())) {
                // Loop copies start without a parameter box; the region test needs one.
                c->CalcUVBox();
                m_listLoop.AddTail(c);
            }
    m_boxUV = src->m_boxUV;
    CopyFromMesh(src);
}

int CGeTrimSurf::IsTrimed()
{
    if (m_listLoop.IsEmpty()) return 0;
    if (m_listLoop.GetCount() > 1) return 1;
    CGeTrimLoop* loop = m_listLoop.GetHead();
    if (!loop || !m_pSurface) return 1;
    const _nurbs_surface* s = m_pSurface;
    const double domain = (s->U[s->nu] - s->U[s->ku - 1]) * (s->V[s->nv] - s->V[s->kv - 1]);
    return std::fabs(loop->EvArea(kAreaTol) - domain) < 1e-6 ? 0 : 1;
}

CGeTrimLoop* CGeTrimSurf::GenRectTrimLoop(double u0, double u1, double v0, double v1)
{
    m_boxUV.xmin = u0;
    m_boxUV.ymin = v0;
    m_boxUV.xmax = u1;
    m_boxUV.ymax = v1;
    auto* loop = new CGeTrimLoop;
    loop->m_pSurf = this;
    auto side = [&](double x0, double y0, double x1, double y1, CGeCurve3d* euc, bool reverse) {
        const double p[2] = {x0, y0}, q[2] = {x1, y1};
        if (euc && reverse) euc->Reverse();
        loop->m_listBnd.AddTail(new CGeTrimBnd(new CGeLine(p, q), euc, loop));
    };
    side(u0, v0, u1, v0, VIsoCurve(v0), false);
    side(u1, v0, u1, v1, UIsoCurve(u1), false);
    side(u1, v1, u0, v1, VIsoCurve(v1), true);
    side(u0, v1, u0, v0, UIsoCurve(u0), true);
    // The loop's own parameter box too: a loop appended directly must still answer
    // point-in-region questions.
    loop->m_boxUV = m_boxUV;
    return loop;
}

int CGeTrimSurf::AddLoop(CGeTrimLoop* loop)
{
    if (!loop) return 0;
    loop->m_pSurf = this;
    const double a = loop->EvArea(kAreaTol);
    if (m_listLoop.IsEmpty() ? a < 0.0 : a > 0.0) loop->Reverse();
    m_listLoop.AddTail(loop);
    return 1;
}

void CGeTrimSurf::ReguTrimLoopDir()
{
    bool first = true;
    for (CGeTrimLoop* loop : m_listLoop) {
        if (!loop) continue;
        const double a = loop->EvArea(kAreaTol);
        if (first ? a < 0.0 : a > 0.0) loop->Reverse();
        first = false;
    }
    CalcBox();
}

void CGeTrimSurf::BuildTopo()
{
    for (CGeTrimLoop* loop : m_listLoop) {
        if (!loop) continue;
        loop->m_pSurf = this;
        for (CGeTrimBnd* b : loop->m_listBnd)
            if (b) b->m_pLoop = loop;
    }
}

int CGeTrimSurf::IsPtInParaLoop(double* uv)
{
    if (m_listLoop.IsEmpty() || !m_listLoop.GetHead()) return 0;
    bool first = true;
    for (CGeTrimLoop* loop : m_listLoop) {
        if (!loop) continue;
        bool inside = false;
        // A loop assembled bound by bound and appended directly has no parameter box
        // yet; without one every point would count as outside it.
        if (!loop->m_boxUV.IsValid()) loop->CalcUVBox();
        if (BOX2D_IsPtIn(loop->m_boxUV, uv, kInBoxTol)) {
            double w = 0.0;
            for (CGeTrimBnd* b : loop->m_listBnd) {
                if (!b || !b->m_pUVCrv) continue;
                if (b->m_pUVCrv->GetSWPointCount() == 0) b->m_pUVCrv->Discrete(kAreaTol);
                const double(*p)[2] = b->m_pUVCrv->GetSWPoint();
                const int n = b->m_pUVCrv->GetSWPointCount();
                for (int i = 1; i < n; ++i) {
                    double a[2] = {p[i - 1][0] - uv[0], p[i - 1][1] - uv[1]};
                    double c[2] = {p[i][0] - uv[0], p[i][1] - uv[1]};
                    V2D_Unit(a, 1e-6);
                    V2D_Unit(c, 1e-6);
                    double theta = QVN_Math::ACos(a[0] * c[0] + a[1] * c[1]);
                    if (a[0] * c[1] - a[1] * c[0] < 1e-8) theta = -theta;
                    w += theta;
                }
            }
            inside = std::fabs(w) > kWindingInside;
        }
        if (inside && !first) return 0;
        if (!inside && first) return 0;
        first = false;
    }
    return 1;
}

void CGeTrimSurf::CalcUVBox()
{
    if (m_listLoop.IsEmpty()) {
        m_boxUV = BOX2<double>(0, 0, 1, 1);
        return;
    }
    bool first = true;
    auto unite = [&](const BOX2<double>& box) {
        if (first) m_boxUV = box;
        else m_boxUV.Union(box);
        first = false;
    };
    for (CGeTrimLoop* loop : m_listLoop) {
        if (!loop) continue;
        loop->CalcUVBox();
        unite(loop->m_boxUV);
        for (CGeTrimBnd* b : loop->m_listBnd) {
            if (!b || !b->m_pUVCrv) continue;
            BOX2<double> box;
            b->m_pUVCrv->GetBox2d(&box);
            unite(box);
        }
    }
}

void CGeTrimSurf::ReguKontVector()
{
    if (!m_pSurface) {
        CalcUVBox();
        return;
    }
    _nurbs_surface* s = m_pSurface;
    double u1 = s->U[s->nu], v1 = s->V[s->nv];
    const double u0 = s->U[s->ku - 1], v0 = s->V[s->kv - 1];
    double shift[2] = {0.0, 0.0};
    if (std::fabs(u0) > kKnotTol) {
        shift[0] = -u0;
        for (int i = 0; i < s->nu + s->ku; ++i) s->U[i] -= u0;
        u1 -= u0;
    }
    if (std::fabs(v0) > kKnotTol) {
        shift[1] = -v0;
        for (int j = 0; j < s->nv + s->kv; ++j) s->V[j] -= v0;
        v1 -= v0;
    }
    if (shift[0] != 0.0 || shift[1] != 0.0) ForEachUVCurve([&](CGeCurve* c) { c->Translate(shift); });
    double f[2] = {1.0, 1.0};
    if (std::fabs(u1 - 1.0) > kKnotTol && std::fabs(u1) > kKnotTol) {
        KNOT_Regu(s->ku, s->nu, s->U);
        f[0] = 1.0 / u1;
    }
    if (std::fabs(v1 - 1.0) > kKnotTol && std::fabs(v1) > kKnotTol) {
        KNOT_Regu(s->kv, s->nv, s->V);
        f[1] = 1.0 / v1;
    }
    if (f[0] != 1.0 || f[1] != 1.0) {
        double origin[2] = {0.0, 0.0};
        ForEachUVCurve([&](CGeCurve* c) { c->Scale(origin, f); });
    }
    CalcUVBox();
}

void CGeTrimSurf::MoveScaleTrimLoop(double* move, double* scale)
{
    const bool moves = move[0] != 0.0 || move[1] != 0.0;
    const bool scales = scale[0] != 1.0 || scale[1] != 1.0;
    if (!moves && !scales) return;
    double origin[2] = {0.0, 0.0};
    ForEachUVCurve([&](CGeCurve* c) {
        if (moves) c->Translate(move);
        if (scales) c->Scale(origin, scale);
    });
}

void CGeTrimSurf::UpdateTrimLoopEucCrv()
{
    for (CGeTrimLoop* loop : m_listLoop)
        if (loop) loop->UpdateEucCrv(m_pSurface, gGetCrvDiscTol());
}

void CGeTrimSurf::GetDiscreteStep(double tol, double& du, double& dv)
{
    du = dv = kDefaultStep;
    if (m_pSurface) BSRF_GetMaxiStepLin(m_pSurface, tol, &du, &dv);
}

int CGeTrimSurf::GetNodeBox(BOX3<double>* box)
{
    if (!m_pSurface || !box) return 0;
    box->InitEmpty();
    for (int i = 0; i < m_pSurface->nu; ++i)
        for (int j = 0; j < m_pSurface->nv; ++j) {
            const double* h = m_pSurface->P[i][j];
            if (!(h[3] != 0.0)) return 0;
            const double p[3] = {h[0] / h[3], h[1] / h[3], h[2] / h[3]};
            box->Extend(p);
        }
    return 1;
}

CGeTrimSurf* CGeTrimSurf::GenOffsetSurf(double dist)
{
    if (!m_pSurface) return nullptr;
    _nurbs_surface* r = CNurbsEditor::OffsetSurf(m_pSurface, static_cast<float>(dist));
    if (!r) return nullptr;
    auto* offset = new CGeTrimSurf;
    offset->m_pSurface = r;
    for (CGeTrimLoop* loop : m_listLoop) {
        if (!loop) continue;
        auto* c = static_cast<CGeTrimLoop*>(loop->Copy());
        if (!c) continue;
        c->m_pSurf = offset;
        for (CGeTrimBnd* b : c->m_listBnd) {
            if (!b) continue;
            b->m_pLoop = c;
            delete b->m_pEucCrv;
            b->m_pEucCrv = nullptr;
        }
        c->CreateEuclidBnd();
        c->CalcUVBox();
        offset->m_listLoop.AddTail(c);
    }
    offset->m_boxUV = m_boxUV;
    offset->Discrete(gGetSurfShowDiscTol());
    return offset;
}

void CGeTrimSurf::CalcBox()
{
    bool first = true;
    auto unite = [&](const BOX3<double>& box) {
        if (first) m_box = box;
        else m_box.Union(box);
        first = false;
    };
    for (CGeTrimLoop* loop : m_listLoop) {
        if (!loop) continue;
        loop->CalcBox();
        BOX3<double> box;
        loop->GetBox(&box);
        unite(box);
    }
    for (CGeCurve3dList* list : {&m_listIsoCurve, &m_listBndCurve})
        for (CGeCurve3d* c : *list)
            if (c) {
                BOX3<double> box;
                c->GetBox(&box);
                unite(box);
            }
    if (first || !m_box.IsValid()) GetNodeBox(&m_box);
}

// Transforms: the record, then the loops, then the mesh part (with its curve lists).
void CGeTrimSurf::Translate(double* v)
{
    double d[3] = {v[0], v[1], 0.0};
    Translate3D(d);
}
void CGeTrimSurf::Translate3D(double* v)
{
    if (m_pSurface) BSRF_Move(m_pSurface, v);
    for (CGeTrimLoop* loop : m_listLoop)
        if (loop) loop->Translate3D(v);
    CGeMesh::Translate3D(v);
}
void CGeTrimSurf::Rotate(double* centre, double angle)
{
    const double p[3] = {centre[0], centre[1], 0.0}, axis[3] = {0.0, 0.0, 1.0};
    if (m_pSurface) BSRF_Roate(m_pSurface, p, axis, angle);
    for (CGeTrimLoop* loop : m_listLoop)
        if (loop) loop->Rotate(centre, angle);
    CGeMesh::Rotate(centre, angle);
}
void CGeTrimSurf::Rotate3D(double* point, double* axis, double angle)
{
    if (m_pSurface) BSRF_Roate(m_pSurface, point, axis, angle);
    for (CGeTrimLoop* loop : m_listLoop)
        if (loop) loop->Rotate3D(point, axis, angle);
    CGeMesh::Rotate3D(point, axis, angle);
    CalcBox();
}
CGeShape3d* CGeTrimSurf::Twist(double* point, double* axis, double angle)
{
    if (m_pSurface) BSRF_Twist(m_pSurface, point, axis, angle);
    for (CGeTrimLoop* loop : m_listLoop)
        if (loop) loop->Twist(point, axis, angle);
    CGeMesh::Twist(point, axis, angle);
    CalcBox();
    return this;
}
CGeShape3d* CGeTrimSurf::Taper(double* point, double* axis, double angle)
{
    if (m_pSurface) BSRF_Taper(m_pSurface, point, axis, angle);
    for (CGeTrimLoop* loop : m_listLoop)
        if (loop) loop->Taper(point, axis, angle);
    CGeMesh::Taper(point, axis, angle);
    CalcBox();
    return this;
}
void CGeTrimSurf::Mirror(double* p, double* q)
{
    if (m_pSurface) BSRF_Mirror2D(m_pSurface, p, q);
    for (CGeTrimLoop* loop : m_listLoop)
        if (loop) loop->Mirror(p, q);
    CGeMesh::Mirror(p, q);
}
void CGeTrimSurf::Mirror3D(double* point, double* normal)
{
    if (m_pSurface) BSRF_Mirror(m_pSurface, point, normal);
    for (CGeTrimLoop* loop : m_listLoop)
        if (loop) loop->Mirror3D(point, normal);
    CGeMesh::Mirror3D(point, normal);
}
CGeShape3d* CGeTrimSurf::Shear(double* base, double* factors)
{
    if (m_pSurface) BSRF_Shear(m_pSurface, base, factors);
    for (CGeTrimLoop* loop : m_listLoop)
        if (loop) loop->Shear(base, factors);
    CGeMesh::Shear(base, factors);
    return this;
}
CGeShape3d* CGeTrimSurf::Shear3D(double* point, double* dir, double* normal)
{
    if (m_pSurface) BSRF_Shear(m_pSurface, point, dir, normal);
    for (CGeTrimLoop* loop : m_listLoop)
        if (loop) loop->Shear3D(point, dir, normal);
    CGeMesh::Shear3D(point, dir, normal);
    return this;
}
CGeShape3d* CGeTrimSurf::Scale(double* centre, double* factors)
{
    const double c[3] = {centre[0], centre[1], 0.0}, f[3] = {factors[0], factors[1], 1.0};
    if (m_pSurface) BSRF_Scale(m_pSurface, c, f);
    for (CGeTrimLoop* loop : m_listLoop)
        if (loop) loop->Scale(centre, factors);
    CGeMesh::Scale(centre, factors);
    return this;
}
CGeShape3d* CGeTrimSurf::Scale3D(double* centre, double* factors)
{
    if (m_pSurface) BSRF_Scale(m_pSurface, centre, factors);
    for (CGeTrimLoop* loop : m_listLoop)
        if (loop) loop->Scale3D(centre, factors);
    CGeMesh::Scale3D(centre, factors);
    return this;
}
CGeShape3d* CGeTrimSurf::Transform(double m[3][3], unsigned int)
{
    double m4[4][4];
    MAT33_ToMAT44(m, m4);
    return Transform(m4, 0);
}
CGeShape3d* CGeTrimSurf::Transform(double m[4][4], unsigned int flags)
{
    if (m_pSurface) BSRF_Transform(m_pSurface, m);
    for (CGeTrimLoop* loop : m_listLoop)
        if (loop) loop->Transform(m, flags);
    return CGeMesh::Transform(m, flags);
}
void CGeTrimSurf::Transform(_rect_fm3d* frame)
{
    if (m_pSurface) BSRF_TransformWorld(m_pSurface, frame);
    for (CGeTrimLoop* loop : m_listLoop)
        if (loop) loop->Transform(frame);
    CGeMesh::Transform(frame);
}
void CGeTrimSurf::TransformLocal(_rect_fm3d* frame)
{
    if (m_pSurface) BSRF_TransLocal(m_pSurface, frame);
    for (CGeTrimLoop* loop : m_listLoop)
        if (loop) loop->TransformLocal(frame);
    CGeMesh::TransformLocal(frame);
}

CGeCurve3d* CGeTrimSurf::UIsoCurve(double u)
{
    BCRV* c = m_pSurface ? CNurbsEditor::MakeIsoCurve(m_pSurface, kIsoConstU, u) : nullptr;
    return c ? new CGeNrbCrv3d(c) : nullptr;
}

CGeCurve3d* CGeTrimSurf::VIsoCurve(double v)
{
    BCRV* c = m_pSurface ? CNurbsEditor::MakeIsoCurve(m_pSurface, kIsoConstV, v) : nullptr;
    return c ? new CGeNrbCrv3d(c) : nullptr;
}
