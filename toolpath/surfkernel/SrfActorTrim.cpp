#include "toolpath/surfkernel/SrfActor.h"

#include "framework/looker/MemoryStatus.h"
#include "framework/numerak/Bcrv.h"
#include "framework/numerak/Box3D.h"
#include "framework/numerak/Bsrf.h"
#include "framework/numerak/PointString3D.h"
#include "geometry/shapes3d/GeArc3d.h"
#include "geometry/shapes3d/GeLine3d.h"
#include "geometry/shapes3d/GeNrbCrv3d.h"
#include "geometry/shapes3d/GePolyline3d.h"
#include "geometry/shapes3d/GeTrimSurf.h"
#include "toolpath/surfkernel/CurveEntity.h"
#include "toolpath/surfkernel/EdInterCurve.h"
#include "toolpath/surfkernel/EdTrimSurf.h"
#include "toolpath/surfkernel/KernelEntity.h"
#include "toolpath/surfkernel/NurbsUtil.h"
#include "toolpath/surfkernel/SrfFilletSolver.h"
#include "toolpath/surfkernel/SrfTrimAdaptor.h"
#include "toolpath/surfkernel/SurfaceEntity.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kUnitTol = 1e-6;
constexpr int kPolylineOrder = 2;

// The NURBS record's range from its knots.
CURVE* NurbsRecord(BCRV* c, double* range)
{
    if (c == nullptr) return nullptr;
    range[0] = c->U[c->k - 1];
    range[1] = c->U[c->n];
    CURVE* rec = ECRV_NewNurbs(c);
    if (rec == nullptr) BCRV_Free(c);
    return rec;
}

}  // namespace

CURVE* ECRV_FromCurve3d(CGeCurve3d* curve, double* range)
{
    if (curve == nullptr || range == nullptr) return nullptr;
    switch (curve->GetType()) {
    case 2048: {
        auto* line = static_cast<CGeLine3d*>(curve);
        double d[3];
        for (int j = 0; j < 3; ++j) d[j] = line->m_ptEnd[j] - line->m_ptStart[j];
        const double len = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
        if (!(len > kUnitTol)) return nullptr;
        for (double& x : d) x /= len;
        range[0] = 0.0;
        range[1] = len;
        return ECRV_NewLine(line->m_ptStart, d);
    }
    case 4096: {
        auto* arc = static_cast<CGeArc3d*>(curve);
        _rect_fm3d frame = arc->m_frame;
        if (arc->m_sweep < 0)  // the same points at positive angles about the turned frame
            for (int j = 0; j < 3; ++j) frame.Y[j] = -frame.Y[j], frame.Z[j] = -frame.Z[j];
        range[0] = 0.0;
        range[1] = std::fabs(arc->m_sweep);
        return ECRV_NewCircle(&frame, arc->m_radius);
    }
    case 8192: {
        auto* poly = static_cast<CGePolyline3d*>(curve);
        BCRV* c = nullptr;
        if (!NRB_InterpolatePoints(poly->GetCount(), kPolylineOrder, poly->GetCtrlPt(), &c)) return nullptr;
        return NurbsRecord(c, range);
    }
    case 0x4000: {
        const BCRV* c = static_cast<CGeNrbCrv3d*>(curve)->GetCurve();
        return c ? NurbsRecord(c->Clone(), range) : nullptr;
    }
    default:
        return nullptr;
    }
}

int CSrfActor::SrfFillet(CGeTrimSurf* surf1, int side1, CGeTrimSurf* surf2, int side2, int trim, int extend,
                         double radius, CTypedPtrList<CObList, CGeTrimSurf*>* out)
{
    CSrfFilletSolver solver;
    solver.AddFirst(surf1, side1);
    solver.AddSecond(surf2, side2);
    solver.trimFirst = solver.trimSecond = trim;
    solver.extend = extend;
    solver.radius = radius;
    if (out) solver.SrfFillet(out);
    return 1;
}

int CSrfActor::SrfChamfer(CGeTrimSurf* surf1, int side1, CGeTrimSurf* surf2, int side2, int trim, int extend,
                          double dist1, double dist2, CTypedPtrList<CObList, CGeTrimSurf*>* out)
{
    CSrfChamferSolver solver;
    solver.AddFirst(surf1, side1);
    solver.AddSecond(surf2, side2);
    solver.trimFirst = solver.trimSecond = trim;
    solver.extend = extend;
    solver.firstDist = dist1;
    solver.secondDist = dist2;
    if (out) solver.SrfChamfer(out);
    return 1;
}

namespace {

// Intersects, trims set 0 and collects the rebuilt pieces; the adaptor's
// destructor releases the kernel records.
int TrimByToolSet(CSrfTrimAdaptor& adaptor, CTypedPtrList<CObList, CGeTrimSurf*>* out)
{
    adaptor.IntersectAll();
    adaptor.Trim(0);
    adaptor.CollectResults(out);
    adaptor.ReleaseKernelData();
    return out->IsEmpty() ? 0 : 1;
}

bool BoxesMeet(CGeTrimSurf* a, CGeTrimSurf* b)
{
    BOX3<double> ba, bb;
    a->GetBox(&ba);
    b->GetBox(&bb);
    return BOX3D_IsInt(&ba, &bb, kTrimToolBoxTol) != 0;
}

}  // namespace

int CSrfActor::SrfSrfTrim(CTypedPtrList<CObList, CGeTrimSurf*>* tools, CGeTrimSurf* surf,
                          CTypedPtrList<CObList, CGeTrimSurf*>* out)
{
    if (tools == nullptr || tools->IsEmpty() || surf == nullptr || out == nullptr) return 0;
    CSrfTrimAdaptor adaptor;
    if (!adaptor.AddSurface(surf, 0)) return 0;
    for (CGeTrimSurf* tool : *tools)
        if (tool && BoxesMeet(tool, surf)) adaptor.AddSurface(tool, 1);
    return TrimByToolSet(adaptor, out);
}

int CSrfActor::SrfSrfTrimDir(double, CGeTrimSurf* surf, CGeTrimSurf* tool, CTypedPtrList<CObList, CGeTrimSurf*>* out)
{
    if (surf == nullptr || tool == nullptr || out == nullptr) return 0;
    if (!BoxesMeet(tool, surf)) return 0;
    CSrfTrimAdaptor adaptor;
    if (!adaptor.AddSurface(surf, 0) || !adaptor.AddSurface(tool, 1)) return 0;
    return TrimByToolSet(adaptor, out);
}

namespace {

// The curve swept along the unit direction over [-reach, reach] as an
// untrimmed-in-effect surface (a loop over its whole domain), tessellated at
// tol; null when the curve cannot be converted or swept.
CGeTrimSurf* ExtrudedTool(CGeCurve3d* curve, const double* dir, double reach, double tol)
{
    double range[2];
    CURVE* profile = ECRV_FromCurve3d(curve, range);
    if (profile == nullptr) return nullptr;
    SURFACE* ext = ESRF_NewExtrusion(profile, dir);
    if (ext == nullptr) {
        ENT_Free(profile);
        return nullptr;
    }
    const double box[4] = {range[0], -reach, range[1], reach};
    _nurbs_surface* nurbs = nullptr;
    int exact = 0;
    const int ok = ESRF_ToNurbs(kExtrudeNurbsTol, &exact, box, &nurbs, ext);
    ENT_Free(ext);
    if (ok != 1 || nurbs == nullptr) {
        if (nurbs) BSRF_Free(nurbs);
        return nullptr;
    }
    auto* tool = new CGeTrimSurf();
    tool->m_pSurface = nurbs;
    tool->ReguKontVector();
    const int ku = nurbs->ku, kv = nurbs->kv;
    tool->AddLoop(tool->GenRectTrimLoop(nurbs->U[ku - 1], nurbs->U[nurbs->nu], nurbs->V[kv - 1], nurbs->V[nurbs->nv]));
    tool->CalcUVBox();
    tool->CalcBox();
    tool->Discrete(tol);
    return tool;
}

// Widens the box by the curve's points, measured from a fresh discretisation
// (a curve's cached box may lag behind its shape).
void UniteCurveBox(CGeCurve3d* curve, BOX3<double>& box)
{
    CStrP3D str;
    curve->Discrete(kExtrudeDiscTol, str);
    for (int i = 0; i < str.m_nCount; ++i) {
        const double* p = str.m_pPoints[i];
        box.xmin = std::min(box.xmin, p[0]), box.ymin = std::min(box.ymin, p[1]), box.zmin = std::min(box.zmin, p[2]);
        box.xmax = std::max(box.xmax, p[0]), box.ymax = std::max(box.ymax, p[1]), box.zmax = std::max(box.zmax, p[2]);
    }
}

// Largest of the three extents of the box, or the one along the axis the
// direction is parallel to.
double ReachAlong(const BOX3<double>& b, const double* dir)
{
    const double ext[3] = {b.xmax - b.xmin, b.ymax - b.ymin, b.zmax - b.zmin};
    for (int a = 0; a < 3; ++a)
        if (std::fabs(std::fabs(dir[a]) - 1.0) < 0.001) return ext[a] + 1.0;
    return std::max({ext[0], ext[1], ext[2]}) + 1.0;
}

}  // namespace

int CSrfActor::CrvPrjToSrf(CGeCurve3d* curve, CGeTrimSurf* surf, double* dir, int type,
                           CTypedPtrList<CObList, CGeCurve3d*>* out)
{
    if (curve == nullptr || surf == nullptr || dir == nullptr || out == nullptr) return 0;
    const double len = std::sqrt(dir[0] * dir[0] + dir[1] * dir[1] + dir[2] * dir[2]);
    if (!(len > kUnitTol)) return 0;
    const double unit[3] = {dir[0] / len, dir[1] / len, dir[2] / len};
    BOX3<double> both;
    surf->GetBox(&both);
    UniteCurveBox(curve, both);
    CGeTrimSurf* tool = ExtrudedTool(curve, unit, ReachAlong(both, unit), kExtrudeDiscTol);
    if (tool == nullptr) return 0;
    CSrfTrimAdaptor adaptor;
    adaptor.AddSurface(surf, 0);
    adaptor.AddSurface(tool, 1);
    if (CEdTrimSurf* ed = adaptor.FindEdSurf(surf); ed && adaptor.IntersectAll()) {
        for (CEdInterCurve* c = adaptor.curveHead; c; c = c->next) {
            if (c->surfA == ed || c->surfB == ed) c->InterWithLoop(ed->loopHead, 1);
            c->AddEndPoint();
        }
        adaptor.CollectCurves3d(ed, type, out);
    }
    adaptor.DeleteToolSurfaces();
    return out->IsEmpty() ? 0 : 1;
}

namespace {

const double kZAxis[3] = {0.0, 0.0, 1.0};

// 1 when the curve can be swept along Z; shows the message for one that cannot.
bool PlanarForZ(CGeCurve3d* curve)
{
    double origin[3], vec[3];
    if (curve->IsPlanar(kExtrudePlaneTol, origin, vec) != 0) return true;
    looker::ShowResourceMessage(kMsgCurveNotPlanar, 0.0);
    return false;
}

// The Z reach of a curve's sweep: its z extent united with the box, plus 1.
double ZReach(CGeCurve3d* curve, BOX3<double> box)
{
    UniteCurveBox(curve, box);
    return std::fabs(box.zmax - box.zmin) + 1.0;
}

}  // namespace

int CSrfActor::CrvPrjToSrfAlongZAxis(CTypedPtrList<CObList, CGeCurve3d*>* curves,
                                     CTypedPtrList<CObList, CGeTrimSurf*>* surfs, int type,
                                     CTypedPtrList<CObList, CGeCurve3d*>* out)
{
    if (curves == nullptr || curves->IsEmpty() || surfs == nullptr || surfs->IsEmpty() || out == nullptr) return 0;
    CSrfTrimAdaptor adaptor;
    bool first = true;
    BOX3<double> all;
    for (CGeTrimSurf* s : *surfs) {
        if (s == nullptr) continue;
        BOX3<double> b;
        s->GetBox(&b);
        if (first) all = b;
        all.xmin = std::min(all.xmin, b.xmin), all.ymin = std::min(all.ymin, b.ymin), all.zmin = std::min(all.zmin, b.zmin);
        all.xmax = std::max(all.xmax, b.xmax), all.ymax = std::max(all.ymax, b.ymax), all.zmax = std::max(all.zmax, b.zmax);
        first = false;
        adaptor.AddSurface(s, 0);
    }
    if (first) return 0;
    for (CGeCurve3d* curve : *curves) {
        if (curve == nullptr || !PlanarForZ(curve)) continue;
        CGeTrimSurf* tool = ExtrudedTool(curve, kZAxis, ZReach(curve, all), kExtrudeZDiscTol);
        if (tool == nullptr || !adaptor.AddSurface(tool, 1)) {
            delete tool;
            adaptor.DeleteToolSurfaces();
            return 0;
        }
    }
    if (adaptor.IntersectAll()) {
        for (CEdInterCurve* c = adaptor.curveHead; c; c = c->next) {
            for (CEdTrimSurf* e : {c->surfA, c->surfB})
                if (e) c->InterWithLoop(e->loopHead, 1);
            c->AddEndPoint();
        }
        for (CGeTrimSurf* s : *surfs)
            if (CEdTrimSurf* ed = s ? adaptor.FindEdSurf(s) : nullptr) adaptor.CollectCurves3d(ed, type, out);
    }
    adaptor.DeleteToolSurfaces();
    return out->IsEmpty() ? 0 : 1;
}

int CSrfActor::CrvSrfTrimAlongZAxis(CTypedPtrList<CObList, CGeCurve3d*>* curves, CGeTrimSurf* surf,
                                    CTypedPtrList<CObList, CGeTrimSurf*>* out)
{
    if (curves == nullptr || curves->IsEmpty() || surf == nullptr || out == nullptr) return 0;
    CSrfTrimAdaptor adaptor;
    if (!adaptor.AddSurface(surf, 0)) return 0;
    BOX3<double> box;
    surf->GetBox(&box);
    for (CGeCurve3d* curve : *curves) {
        if (curve == nullptr || !PlanarForZ(curve)) continue;
        CGeTrimSurf* tool = ExtrudedTool(curve, kZAxis, ZReach(curve, box), kExtrudeZDiscTol);
        if (tool && !adaptor.AddSurface(tool, 1)) delete tool;
    }
    const int result = TrimByToolSet(adaptor, out);
    adaptor.DeleteToolSurfaces();
    return result;
}
