#include "geometry/shapes3d/GeTrimBnd.h"

#include "framework/looker/SnapRecords.h"
#include "framework/numerak/Bsrf.h"
#include "framework/numerak/Line2D.h"
#include "framework/numerak/NurbsEditor.h"
#include "geometry/shapes2d/GeCurve.h"
#include "geometry/shapes3d/GeLine3d.h"
#include "geometry/shapes3d/GeNrbCrv3d.h"
#include "geometry/shapes3d/GePolyline3d.h"
#include "geometry/shapes3d/GeTool3D.h"
#include "geometry/shapes3d/GeTrimSurf.h"
#include "geometry/shapes3d/Shapes3dConst.h"

#include <cmath>
#include <vector>

IMPLEMENT_SERIAL(CGeTrimBnd, CObject, VERSIONABLE_SCHEMA | 1)

namespace {

constexpr int kUVLineType = 2;
constexpr int kUVPolylineType = 0x40;
// A parameter line is an iso line when one coordinate changes by less than this.
constexpr double kIsoLineTol = 0.0001;
// The iso curve is cut with this trim tolerance (parameter units).
constexpr double kIsoTrimTol = 0.1;
// Densifying step of the general path in the parameter plane, and its cap per pair.
constexpr double kDensifyStep = 0.1;
constexpr int kDensifyMax = 100;
// Chord refinement stops at parameter gaps below this, and at deviations below
// kRefineNoise times the size of the coordinates, which are rounding noise: a
// tolerance finer than either could never be met.
constexpr double kRefineMinGap = 1e-9;
constexpr double kRefineNoise = 1e-12;
// DiscreteBound: step tolerance of the parameter curve, shortest interval and tries.
constexpr double kBoundStepTol = 0.01;
constexpr double kBoundMinDt = 0.00001;
constexpr int kBoundMaxTries = 200;
// Polyline interpolation of GetNurbEucCrv: degree, tolerance and the 140-degree corner angle.
constexpr int kInterpDegree = 2;
constexpr double kInterpTol = 0.1;
constexpr double kInterpAngle = 2.4434609527916;

struct Sample {
    double u, v;
    double p[3];
};

bool EvalSample(_nurbs_surface* s, double u, double v, Sample& out)
{
    out.u = u;
    out.v = v;
    return BSRF_EvPos(s, u, v, out.p) != 0;
}

}  // namespace

CGeTrimBnd::CGeTrimBnd() = default;

CGeTrimBnd::CGeTrimBnd(CGeCurve* uvCurve, CGeCurve3d* eucCurve, CGeTrimLoop* loop)
    : m_pUVCrv(uvCurve), m_pEucCrv(eucCurve), m_pLoop(loop)
{
}

CGeTrimBnd::~CGeTrimBnd()
{
    delete m_pUVCrv;
    delete m_pEucCrv;
}

void CGeTrimBnd::Serialize(CArchive&) {}

int CGeTrimBnd::GetType() const { return ge3con::kTypeTrimBnd; }

CGeShape3d* CGeTrimBnd::Copy()
{
    auto* b = new CGeTrimBnd;
    if (m_pUVCrv) b->m_pUVCrv = m_pUVCrv->Copy();
    if (m_pEucCrv) b->m_pEucCrv = dynamic_cast<CGeCurve3d*>(m_pEucCrv->Copy());
    b->m_pLoop = m_pLoop;
    return b;
}

void CGeTrimBnd::CalcBox()
{
    if (!m_pEucCrv) return;
    m_pEucCrv->CalcBox();
    m_pEucCrv->GetBox(&m_box);
}

template <class Op>
CGeShape3d* CGeTrimBnd::TransformCurve(Op op)
{
    if (m_pEucCrv) {
        CGeShape3d* result = op(m_pEucCrv);
        if (result && result != m_pEucCrv) {
            if (auto* replacement = dynamic_cast<CGeCurve3d*>(result)) {
                delete m_pEucCrv;
                m_pEucCrv = replacement;
            } else {
                delete result;
            }
        }
    }
    CalcBox();
    return this;
}

void CGeTrimBnd::Translate(double* v)
{
    TransformCurve([&](CGeCurve3d* c) { c->Translate(v); return nullptr; });
}
void CGeTrimBnd::Translate3D(double* v)
{
    TransformCurve([&](CGeCurve3d* c) { c->Translate3D(v); return nullptr; });
}
void CGeTrimBnd::Rotate(double* centre, double angle)
{
    TransformCurve([&](CGeCurve3d* c) { c->Rotate(centre, angle); return nullptr; });
}
void CGeTrimBnd::Rotate3D(double* point, double* axis, double angle)
{
    TransformCurve([&](CGeCurve3d* c) { c->Rotate3D(point, axis, angle); return nullptr; });
}
CGeShape3d* CGeTrimBnd::Twist(double* point, double* axis, double angle)
{
    return TransformCurve([&](CGeCurve3d* c) { return c->Twist(point, axis, angle); });
}
CGeShape3d* CGeTrimBnd::Taper(double* point, double* axis, double angle)
{
    return TransformCurve([&](CGeCurve3d* c) { return c->Taper(point, axis, angle); });
}
void CGeTrimBnd::Mirror(double* p, double* q)
{
    TransformCurve([&](CGeCurve3d* c) { c->Mirror(p, q); return nullptr; });
}
CGeShape3d* CGeTrimBnd::Shear(double* base, double* factors)
{
    return TransformCurve([&](CGeCurve3d* c) { return c->Shear(base, factors); });
}
CGeShape3d* CGeTrimBnd::Scale(double* centre, double* factors)
{
    return TransformCurve([&](CGeCurve3d* c) { return c->Scale(centre, factors); });
}
CGeShape3d* CGeTrimBnd::Scale3D(double* centre, double* factors)
{
    return TransformCurve([&](CGeCurve3d* c) { return c->Scale3D(centre, factors); });
}
CGeShape3d* CGeTrimBnd::Shear3D(double* point, double* dir, double* normal)
{
    return TransformCurve([&](CGeCurve3d* c) { return c->Shear3D(point, dir, normal); });
}
void CGeTrimBnd::Mirror3D(double* point, double* normal)
{
    TransformCurve([&](CGeCurve3d* c) { c->Mirror3D(point, normal); return nullptr; });
}
void CGeTrimBnd::Transform(_rect_fm3d* frame)
{
    TransformCurve([&](CGeCurve3d* c) { c->Transform(frame); return nullptr; });
}
CGeShape3d* CGeTrimBnd::Transform(double m[4][4], unsigned int flags)
{
    return TransformCurve([&](CGeCurve3d* c) { return c->Transform(m, flags); });
}
CGeShape3d* CGeTrimBnd::Transform(double m[3][3], unsigned int flags)
{
    return TransformCurve([&](CGeCurve3d* c) { return c->Transform(m, flags); });
}
void CGeTrimBnd::TransformLocal(_rect_fm3d* frame)
{
    TransformCurve([&](CGeCurve3d* c) { c->TransformLocal(frame); return nullptr; });
}

void CGeTrimBnd::Discrete(double tol)
{
    if (m_pEucCrv) m_pEucCrv->DiscreteMe(tol);
}

int CGeTrimBnd::GetStartPoint(double* xyz, double* uv)
{
    uv[0] = uv[1] = -1.0;
    if (m_pEucCrv) m_pEucCrv->GetStartPoint(xyz);
    if (m_pUVCrv) m_pUVCrv->GetStartPoint(uv);
    return (m_pEucCrv || m_pUVCrv) ? 1 : 0;
}

int CGeTrimBnd::GetEndPoint(double* xyz, double* uv)
{
    if (m_pEucCrv) m_pEucCrv->GetEndPoint(xyz);
    if (m_pUVCrv) m_pUVCrv->GetEndPoint(uv);
    return (m_pEucCrv || m_pUVCrv) ? 1 : 0;
}

int CGeTrimBnd::GetPoint(double t, CGeTrimSurf* surf, double* out)
{
    if (!m_pUVCrv || !surf) return 0;
    double uv[2];
    if (m_pUVCrv->GetType() == kUVPolylineType) {
        m_pUVCrv->PrepareDisplay();
        const double(*v)[2] = m_pUVCrv->GetSWPoint();
        const int n = m_pUVCrv->GetSWPointCount();
        if (n < 1) return 0;
        const double s = t * (n - 1);
        const int i = static_cast<int>(s);
        if (i >= 0 && i < n - 1) {
            uv[0] = v[i][0] + (s - i) * (v[i + 1][0] - v[i][0]);
            uv[1] = v[i][1] + (s - i) * (v[i + 1][1] - v[i][1]);
        } else {
            const int last = i < 0 ? 0 : n - 1;
            uv[0] = v[last][0];
            uv[1] = v[last][1];
        }
    } else {
        m_pUVCrv->GetPointAt(t, uv, 1);
    }
    surf->GetPoint(uv[0], uv[1], out);
    out[3] = uv[0];
    out[4] = uv[1];
    return 1;
}

void CGeTrimBnd::Draw(CDC* dc)
{
    if (m_pEucCrv) m_pEucCrv->Draw(dc, 0);
}

void CGeTrimBnd::Draw(Direct2DHandler* handler)
{
    if (m_pEucCrv) m_pEucCrv->Draw(handler, 0);
}

void CGeTrimBnd::DrawGL(COpenGLDC* dc, int mode)
{
    if (m_pEucCrv) m_pEucCrv->DrawGL(dc, mode);
}

int CGeTrimBnd::Pick(CPickRay& ray, int check)
{
    return (m_pEucCrv && m_pEucCrv->Pick(ray, check)) ? 1 : 0;
}

void CGeTrimBnd::Reverse()
{
    if (m_pUVCrv) m_pUVCrv->Reverse();
    if (m_pEucCrv) m_pEucCrv->Reverse();
}

CGeCurve3d* CGeTrimBnd::MakeIsoEucCrv(CGeCurve* uvCurve, _nurbs_surface* surface, double trimTol)
{
    if (!uvCurve || !surface || uvCurve->GetType() != kUVLineType) return nullptr;
    double a[2], b[2];
    uvCurve->GetStartPoint(a);
    uvCurve->GetEndPoint(b);
    int dir;
    double value, t0, t1;
    if (std::fabs(a[0] - b[0]) < kIsoLineTol) {
        dir = kIsoConstU;
        value = a[0];
        t0 = a[1];
        t1 = b[1];
    } else if (std::fabs(a[1] - b[1]) < kIsoLineTol) {
        dir = kIsoConstV;
        value = a[1];
        t0 = a[0];
        t1 = b[0];
    } else {
        return nullptr;
    }
    BCRV* iso = CNurbsEditor::MakeIsoCurve(surface, dir, value);
    if (!iso) return nullptr;
    BCRV* piece = nullptr;
    BCRV_Trim(iso, std::fmin(t0, t1), std::fmax(t0, t1), trimTol, &piece);
    BCRV_Free(iso);
    if (!piece) return nullptr;
    if (t1 < t0) piece->Reverse();
    auto* curve = new CGeNrbCrv3d;
    curve->SetCurve(piece);
    return curve;
}

void CGeTrimBnd::UpdateEucCrv(_nurbs_surface* surface, double tol)
{
    delete m_pEucCrv;
    m_pEucCrv = nullptr;
    if (!m_pUVCrv || !surface || !(tol > 0.0)) return;
    m_pUVCrv->PrepareDisplay();
    const int n = m_pUVCrv->GetSWPointCount();
    if (n < 2) return;
    if ((m_pEucCrv = MakeIsoEucCrv(m_pUVCrv, surface, kIsoTrimTol))) return;

    // Samples of the display polyline, densified in the parameter plane.
    const double(*uv)[2] = m_pUVCrv->GetSWPoint();
    std::vector<Sample> dense;
    dense.reserve(static_cast<size_t>(n));
    Sample s;
    for (int i = 0; i < n; ++i) {
        if (i > 0) {
            const double du = uv[i][0] - uv[i - 1][0];
            const double dv = uv[i][1] - uv[i - 1][1];
            int k = static_cast<int>(std::ceil(std::sqrt(du * du + dv * dv) / kDensifyStep));
            if (k > kDensifyMax) k = kDensifyMax;
            for (int j = 1; j < k; ++j) {
                const double f = static_cast<double>(j) / k;
                if (EvalSample(surface, uv[i - 1][0] + f * du, uv[i - 1][1] + f * dv, s)) dense.push_back(s);
            }
        }
        if (EvalSample(surface, uv[i][0], uv[i][1], s)) dense.push_back(s);
    }
    if (dense.size() < 2) return;

    // Chord refinement: the parameter midpoint of each pair goes in while it or a
    // quarter point lies farther than tol from the pair's chord.
    std::vector<Sample> out;
    out.reserve(dense.size() * 2);
    std::vector<Sample> stack;  // pending right ends, nearest last
    out.push_back(dense[0]);
    for (size_t i = 1; i < dense.size(); ++i) {
        stack.push_back(dense[i]);
        while (!stack.empty()) {
            const Sample& a = out.back();
            const Sample b = stack.back();
            Sample m;
            const double gap = std::hypot(b.u - a.u, b.v - a.v);
            const double size = std::fabs(a.p[0]) + std::fabs(a.p[1]) + std::fabs(a.p[2]) + std::fabs(b.p[0]) +
                                std::fabs(b.p[1]) + std::fabs(b.p[2]);
            const double limit = std::fmax(tol, kRefineNoise * size);
            if (gap >= kRefineMinGap && EvalSample(surface, 0.5 * (a.u + b.u), 0.5 * (a.v + b.v), m)) {
                // The quarter points too: a curve bending both ways can pass the
                // midpoint test with its bulges beyond tol.
                bool far = L3D_DistToPntEx(m.p, a.p, b.p) > limit;
                for (double f : {0.25, 0.75}) {
                    Sample q;
                    if (!far && EvalSample(surface, a.u + f * (b.u - a.u), a.v + f * (b.v - a.v), q))
                        far = L3D_DistToPntEx(q.p, a.p, b.p) > limit;
                }
                if (far) {
                    stack.push_back(m);
                    continue;
                }
            }
            out.push_back(b);
            stack.pop_back();
        }
    }
    std::vector<double> pts(out.size() * 3);
    for (size_t i = 0; i < out.size(); ++i)
        for (int e = 0; e < 3; ++e) pts[i * 3 + e] = out[i].p[e];
    auto* poly = new CGePolyline3d;
    poly->Create(static_cast<int>(out.size()), reinterpret_cast<double(*)[3]>(pts.data()));
    poly->CalcBox();
    m_pEucCrv = poly;
}

CGeCurve3d* CGeTrimBnd::GetNurbEucCrv()
{
    if (!m_pEucCrv) return nullptr;
    if (m_pEucCrv->GetType() != ge3con::kTypePolyline3d) return m_pEucCrv;
    auto* poly = static_cast<CGePolyline3d*>(m_pEucCrv);
    CGeTool3D tool;
    BCRV* record = tool.GlobalInterp(poly->GetCtrlPt(), poly->GetCount(), kInterpDegree, kInterpTol, kInterpAngle);
    if (!record) return m_pEucCrv;
    auto* curve = new CGeNrbCrv3d;
    curve->SetCurve(record);
    // The polyline's points stay the display string: they already follow the surface.
    poly->m_strDisp.CopyTo(curve->m_strDisp);
    curve->CalcBox();
    delete m_pEucCrv;
    m_pEucCrv = curve;
    return m_pEucCrv;
}

int CGeTrimBnd::DiscreteBound(CGeTrimSurf* surf, double tol, double (*pts)[5], int& count, int maxCount)
{
    if (!m_pUVCrv || !surf || !pts || maxCount < 2) return 0;
    double step = 1.0;
    m_pUVCrv->GetDiscStep(kBoundStepTol, step);
    int n = step > 0.0 ? static_cast<int>(std::ceil(1.0 / step)) : 1;
    if (n < 1) n = 1;
    const double dt = 1.0 / n;
    struct P {
        double t;
        double x[5];
    };
    auto at = [&](double t) {
        P p{t, {0, 0, 0, 0, 0}};
        GetPoint(t, surf, p.x);
        return p;
    };
    auto put = [&](const P& p) {
        for (int e = 0; e < 5; ++e) pts[count][e] = p.x[e];
        ++count;
    };
    // Every sample but the last needs room for the last one after it.
    auto full = [&] { return count >= maxCount - 1; };
    count = 0;
    put(at(0.0));
    for (int i = 1; i <= n && !full(); ++i) {
        const double t0 = (i - 1) * dt;
        const double t1 = t0 + dt;
        P a = at(t0);
        P b = at(t1);
        int tries = 0;
        for (;;) {
            ++tries;
            if (std::fabs(b.t - a.t) < kBoundMinDt) break;
            bool found = false;
            for (int q = 1; q <= 3 && !found; ++q) {
                P m = at(a.t + q * 0.25 * (b.t - a.t));
                if (L3D_DistToPntEx(m.x, a.x, b.x) > tol) {
                    b = m;
                    found = true;
                }
            }
            if (found && tries != kBoundMaxTries) continue;
            tries = 0;
            if (t1 - b.t < 1e-6) break;
            put(b);
            if (full()) break;
            a = b;
            b = at(t1);
        }
        if (i == n || full()) break;
        put(at(t1));
    }
    put(at(1.0));
    return count;
}
