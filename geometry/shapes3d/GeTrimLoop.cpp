#include "geometry/shapes3d/GeTrimLoop.h"

#include "framework/looker/QVGlobal.h"
#include "framework/numerak/Box2D.h"
#include "geometry/shapes2d/GeCurve.h"
#include "geometry/shapes2d/GePolyline.h"
#include "geometry/shapes3d/GeConvert.h"
#include "geometry/shapes3d/GeLine3d.h"
#include "geometry/shapes3d/GeLoop3d.h"
#include "geometry/shapes3d/GePolyline3d.h"
#include "geometry/shapes3d/GeTrimSurf.h"
#include "geometry/shapes3d/Shapes3dConst.h"

#include <cmath>
#include <memory>
#include <vector>

IMPLEMENT_SERIAL(CGeTrimLoop, CObject, VERSIONABLE_SCHEMA | 1)

namespace {

// Step tolerance of the parameter curves when AddBound widens the box.
constexpr double kAddBoundStepTol = 0.01;
// CreateEuclidBnd: chord tolerance and sample buffer of DiscreteBound, trim tolerance of the iso shortcut.
constexpr double kEuclidTol = 0.1;
constexpr int kEuclidMaxSamples = 5000;
constexpr double kEuclidIsoTrimTol = 0.1;
// The empty box AddBound starts from.
constexpr double kEmptyBox = 1e12;

}  // namespace

CGeTrimLoop::CGeTrimLoop() { m_boxUV.InitEmpty(); }

CGeTrimLoop::~CGeTrimLoop() { DeleteOwnedList(m_listBnd); }

void CGeTrimLoop::Serialize(CArchive&) {}

int CGeTrimLoop::GetType() const { return ge3con::kTypeTrimLoop; }

CGeShape3d* CGeTrimLoop::Copy()
{
    auto* loop = new CGeTrimLoop;
    for (CGeTrimBnd* b : m_listBnd)
        if (b)
            if (auto* c = static_cast<CGeTrimBnd*>(b->Copy())) loop->m_listBnd.AddTail(c);
    return loop;
}

void CGeTrimLoop::CalcBox()
{
    BOX2<double> uv;
    uv.InitEmpty();
    bool first = true;
    for (CGeTrimBnd* b : m_listBnd) {
        if (!b) continue;
        b->CalcBox();
        BOX3<double> box;
        b->GetBox(&box);
        if (b->m_pUVCrv) b->m_pUVCrv->GetBox2d(&uv);
        if (first) {
            m_box = box;
            m_boxUV = uv;
        } else {
            m_box.Union(box);
            BOX2D_Union(m_boxUV, uv);
        }
        first = false;
    }
}

template <class Op>
CGeShape3d* CGeTrimLoop::ForEachBound(Op op)
{
    for (CGeTrimBnd* b : m_listBnd)
        if (b) op(b);
    CalcBox();
    return this;
}

void CGeTrimLoop::Translate(double* v)
{
    ForEachBound([&](CGeTrimBnd* b) { b->Translate(v); });
}
void CGeTrimLoop::Translate3D(double* v)
{
    ForEachBound([&](CGeTrimBnd* b) { b->Translate3D(v); });
}
void CGeTrimLoop::Rotate(double* centre, double angle)
{
    ForEachBound([&](CGeTrimBnd* b) { b->Rotate(centre, angle); });
}
void CGeTrimLoop::Rotate3D(double* point, double* axis, double angle)
{
    ForEachBound([&](CGeTrimBnd* b) { b->Rotate3D(point, axis, angle); });
}
CGeShape3d* CGeTrimLoop::Twist(double* point, double* axis, double angle)
{
    return ForEachBound([&](CGeTrimBnd* b) { b->Twist(point, axis, angle); });
}
CGeShape3d* CGeTrimLoop::Taper(double* point, double* axis, double angle)
{
    return ForEachBound([&](CGeTrimBnd* b) { b->Taper(point, axis, angle); });
}
void CGeTrimLoop::Mirror(double* p, double* q)
{
    ForEachBound([&](CGeTrimBnd* b) { b->Mirror(p, q); });
}
CGeShape3d* CGeTrimLoop::Shear(double* base, double* factors)
{
    return ForEachBound([&](CGeTrimBnd* b) { b->Shear(base, factors); });
}
CGeShape3d* CGeTrimLoop::Scale(double* centre, double* factors)
{
    return ForEachBound([&](CGeTrimBnd* b) { b->Scale(centre, factors); });
}
CGeShape3d* CGeTrimLoop::Scale3D(double* centre, double* factors)
{
    return ForEachBound([&](CGeTrimBnd* b) { b->Scale3D(centre, factors); });
}
CGeShape3d* CGeTrimLoop::Shear3D(double* point, double* dir, double* normal)
{
    return ForEachBound([&](CGeTrimBnd* b) { b->Shear3D(point, dir, normal); });
}
void CGeTrimLoop::Mirror3D(double* point, double* normal)
{
    ForEachBound([&](CGeTrimBnd* b) { b->Mirror3D(point, normal); });
}
void CGeTrimLoop::Transform(_rect_fm3d* frame)
{
    ForEachBound([&](CGeTrimBnd* b) { b->Transform(frame); });
}
CGeShape3d* CGeTrimLoop::Transform(double m[4][4], unsigned int flags)
{
    return ForEachBound([&](CGeTrimBnd* b) { b->Transform(m, flags); });
}
CGeShape3d* CGeTrimLoop::Transform(double m[3][3], unsigned int flags)
{
    return ForEachBound([&](CGeTrimBnd* b) { b->Transform(m, flags); });
}
void CGeTrimLoop::TransformLocal(_rect_fm3d* frame)
{
    ForEachBound([&](CGeTrimBnd* b) { b->TransformLocal(frame); });
}

void CGeTrimLoop::Create(CGeLoop3d* loop, BOX2<double> box)
{
    const double w = box.xmax - box.xmin;
    const double h = box.ymax - box.ymin;
    if (!loop || !(w > 0.0) || !(h > 0.0)) return;
    DeleteOwnedList(m_listBnd);
    double move[2] = {-box.xmin, -box.ymin};
    double scale[2] = {1.0 / w, 1.0 / h};
    double origin[2] = {0.0, 0.0};
    const double tol = gGetCrvDiscTol();
    for (CGeCurve3d* c : loop->m_listCurve) {
        if (!c) continue;
        CGePolyline* p = QVN_GeConvert::ToPolyline2d(c, tol / 3);
        if (!p) continue;
        p->Translate(move);
        p->Scale(origin, scale);
        auto* b = new CGeTrimBnd(p, static_cast<CGeCurve3d*>(c->Copy()), this);
        b->CalcBox();
        m_listBnd.AddTail(b);
    }
}

int CGeTrimLoop::GetStartPoint(double* xyz, double* uv)
{
    for (CGeTrimBnd* b : m_listBnd)
        if (b) return b->GetStartPoint(xyz, uv);
    return 0;
}

int CGeTrimLoop::GetEndPoint(double* xyz, double* uv)
{
    CGeTrimBnd* last = nullptr;
    for (CGeTrimBnd* b : m_listBnd)
        if (b) last = b;
    return last ? last->GetEndPoint(xyz, uv) : 0;
}

void CGeTrimLoop::Discrete(double tol)
{
    for (CGeTrimBnd* b : m_listBnd)
        if (b) b->Discrete(tol);
}

void CGeTrimLoop::Draw(CDC* dc)
{
    if (!IsEnableDraw2D()) return;
    for (CGeTrimBnd* b : m_listBnd)
        if (b) b->Draw(dc);
}

void CGeTrimLoop::Draw(Direct2DHandler* handler)
{
    if (!IsEnableDraw2D()) return;
    for (CGeTrimBnd* b : m_listBnd)
        if (b) b->Draw(handler);
}

void CGeTrimLoop::DrawGL(COpenGLDC* dc, int mode)
{
    for (CGeTrimBnd* b : m_listBnd)
        if (b) b->DrawGL(dc, mode);
}

void CGeTrimLoop::CalcUVBox()
{
    bool first = true;
    for (CGeTrimBnd* b : m_listBnd) {
        if (!b || !b->m_pUVCrv) continue;
        BOX2<double> box;
        b->m_pUVCrv->GetBox2d(&box);
        if (first) m_boxUV = box;
        else BOX2D_Union(m_boxUV, box);
        first = false;
    }
    if (m_listBnd.IsEmpty()) m_boxUV = BOX2<double>(0.0, 0.0, 1.0, 1.0);
}

int CGeTrimLoop::Pick(CPickRay& ray, int check)
{
    for (CGeTrimBnd* b : m_listBnd)
        if (b && b->Pick(ray, check)) return 1;
    return 0;
}

int CGeTrimLoop::AddBound(CGeTrimBnd* bnd)
{
    if (!bnd || !bnd->m_pUVCrv) return 0;
    bnd->m_pLoop = this;
    if (m_listBnd.IsEmpty()) m_boxUV = BOX2<double>(kEmptyBox, kEmptyBox, -kEmptyBox, -kEmptyBox);
    m_listBnd.AddTail(bnd);
    double step = 1.0;
    bnd->m_pUVCrv->GetDiscStep(kAddBoundStepTol, step);
    int n = step > 0.0 ? static_cast<int>(std::ceil(1.0 / step)) : 1;
    if (n < 1) n = 1;
    step = 1.0 / n;
    for (int i = 0; i <= n; ++i) {
        double p[2];
        bnd->m_pUVCrv->GetPointAt(i * step, p, 1);
        m_boxUV.xmin = std::fmin(m_boxUV.xmin, p[0]);
        m_boxUV.ymin = std::fmin(m_boxUV.ymin, p[1]);
        m_boxUV.xmax = std::fmax(m_boxUV.xmax, p[0]);
        m_boxUV.ymax = std::fmax(m_boxUV.ymax, p[1]);
    }
    // The samples above read the first segment only of a polyline (its parameter
    // is local to a segment); the curve's own box holds every vertex.
    BOX2<double> whole;
    bnd->m_pUVCrv->GetBox2d(&whole);
    if (whole.IsValid()) BOX2D_Union(m_boxUV, whole);
    return 1;
}

void CGeTrimLoop::CreateEuclidBnd()
{
    if (!m_pSurf) return;
    // DiscreteBound writes at most kEuclidMaxSamples samples.
    std::unique_ptr<double[][5]> samples(new double[kEuclidMaxSamples][5]);
    for (CGeTrimBnd* b : m_listBnd) {
        if (!b || b->m_pEucCrv || !b->m_pUVCrv) continue;
        if ((b->m_pEucCrv = CGeTrimBnd::MakeIsoEucCrv(b->m_pUVCrv, m_pSurf->m_pSurface, kEuclidIsoTrimTol)))
            continue;
        int count = 0;
        if (!b->DiscreteBound(m_pSurf, kEuclidTol, samples.get(), count, kEuclidMaxSamples)) continue;
        if (count == 2) {
            auto* line = new CGeLine3d(samples[0], samples[1]);
            line->DiscreteMe(kEuclidTol);
            b->m_pEucCrv = line;
        } else if (count >= 3) {
            std::vector<double> pts(static_cast<size_t>(count) * 3);
            for (int i = 0; i < count; ++i)
                for (int e = 0; e < 3; ++e) pts[static_cast<size_t>(i) * 3 + e] = samples[i][e];
            auto* poly = new CGePolyline3d;
            poly->Create(count, reinterpret_cast<double(*)[3]>(pts.data()));
            b->m_pEucCrv = poly;
        }
    }
}

double CGeTrimLoop::EvArea(double tol)
{
    m_dArea = 0.0;
    for (CGeTrimBnd* b : m_listBnd) {
        if (!b || !b->m_pUVCrv) continue;
        b->m_pUVCrv->EnsureDisplay(tol);
        const double(*p)[2] = b->m_pUVCrv->GetSWPoint();
        const int n = b->m_pUVCrv->GetSWPointCount();
        for (int i = 1; i < n; ++i) m_dArea += p[i - 1][0] * p[i][1] - p[i - 1][1] * p[i][0];
    }
    m_dArea /= 2.0;
    return m_dArea;
}

void CGeTrimLoop::Reverse()
{
    CTypedPtrList<CObList, CGeTrimBnd*> reversed;
    for (CGeTrimBnd* b : m_listBnd) {
        if (b) b->Reverse();
        reversed.AddHead(b);
    }
    m_listBnd.RemoveAll();
    for (CGeTrimBnd* b : reversed) m_listBnd.AddTail(b);
}

void CGeTrimLoop::UpdateEucCrv(_nurbs_surface* surface, double tol)
{
    for (CGeTrimBnd* b : m_listBnd)
        if (b) b->UpdateEucCrv(surface, tol);
}

int CGeTrimLoop::IsPtInLoop(double* uv, double tol)
{
    if (!BOX2D_IsPtIn(m_boxUV, uv, tol)) return 1;
    const double px = uv[0];
    const double py = uv[1];
    int crossings = 0;
    for (CGeTrimBnd* b : m_listBnd) {
        if (!b || !b->m_pUVCrv) continue;
        b->m_pUVCrv->EnsureDisplay(tol);
        const double(*p)[2] = b->m_pUVCrv->GetSWPoint();
        const int n = b->m_pUVCrv->GetSWPointCount();
        for (int i = 1; i < n; ++i) {
            const double x0 = p[i - 1][0], y0 = p[i - 1][1];
            const double x1 = p[i][0], y1 = p[i][1];
            if ((y0 - py > tol && py - y1 > tol) || (y1 - py > tol && py - y0 > tol)) {
                const double h = x0 + (py - y0) * (x1 - x0) / (y1 - y0) - px;
                if (h > tol) ++crossings;
                else if (std::fabs(h) < tol) return 2;
            } else if (std::fabs(y1 - py) < tol) {
                if (std::fabs(y0 - py) < tol &&
                    ((x1 - px > -tol && px - x0 > -tol) || (x0 - px > -tol && px - x1 > -tol)))
                    return 2;
                if (std::fabs(x1 - px) < tol) return 2;
                if (y0 - py > tol && x1 - px > tol) ++crossings;
            } else if (std::fabs(y0 - py) < tol) {
                if (std::fabs(x0 - px) < tol) return 2;
                if (y1 - py > tol && x0 - px > tol) ++crossings;
            }
        }
    }
    return crossings % 2 == 1 ? 0 : 1;
}

int CGeTrimLoop::IsContainLoop(CGeTrimLoop* other, double tol)
{
    if (!other || other->m_pSurf != m_pSurf) return 0;
    double xyz[3];
    double uv[2] = {-1.0, -1.0};
    other->GetStartPoint(xyz, uv);
    return BOX2D_IsContain(m_boxUV, other->m_boxUV, tol) && IsPtInLoop(uv, tol) != 1 ? 1 : 0;
}
