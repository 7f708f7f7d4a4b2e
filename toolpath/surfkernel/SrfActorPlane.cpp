// Planar trimmed surfaces from coplanar curves.
#include "toolpath/surfkernel/SrfActor.h"

#include "framework/numerak/Bsrf.h"
#include "framework/numerak/Matrix33.h"
#include "framework/numerak/NurbsArc.h"
#include "framework/numerak/NurbsEditor.h"
#include "framework/numerak/Point3D.h"
#include "framework/numerak/Vector2D.h"
#include "geometry/shapes3d/GeLoop3d.h"
#include "geometry/shapes3d/GeTrimSurf.h"

#include <cmath>
#include <memory>
#include <vector>

namespace {

// Curves of one plane lie within this of it (the curve's own planarity is
// kPlaneTol; the chaining joins ends within kPlaneChainTol).
constexpr double kPlaneMemberTol = 0.001;

enum PlaneClass { kNotPlanar = 0, kPlanar = 1, kStraight = 2, kDegenerate = 3 };

struct Classified {
    CGeCurve3d* curve;
    int kind;
    double point[3];
    double vec[3];  // unit normal (planar) or direction (straight)
};

double Dot(const double* a, const double* b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

bool InPlane(const Classified& c, const double* origin, const double* normal)
{
    const double d[3] = {c.point[0] - origin[0], c.point[1] - origin[1], c.point[2] - origin[2]};
    return std::fabs(Dot(d, normal)) <= kPlaneMemberTol;
}

// One plane's surfaces from its curves (already in the plane's frame).
void MakePlanes(CGeTool3D& tool, CGeCurve3dList& group, const _rect_fm3d& frame, double tol,
                CTypedPtrList<CObList, CGeTrimSurf*>* out)
{
    CGeLoop3dList loops;
    tool.ReCreateLoop3d(&group, &loops, kPlaneChainTol, true, true);
    tool.ReSortLoop3d(&loops);
    while (!loops.IsEmpty()) {
        std::unique_ptr<CGeLoop3d> outer(loops.RemoveHead());
        std::vector<std::unique_ptr<CGeLoop3d>> holes;
        while (!loops.IsEmpty() && loops.GetHead()->EvArea(kPlaneChainTol) <= 0.0)
            holes.emplace_back(loops.RemoveHead());
        outer->CalcBox();
        const BOX3<double> box = outer->m_box;
        const double w = box.xmax - box.xmin, h = box.ymax - box.ymin;
        const double origin[3] = {0.0, 0.0, 0.0};
        _nurbs_surface* plane = CNurbsEditor::MakePlane(origin, w, h);
        if (!plane) continue;
        auto* surf = new CGeTrimSurf;
        surf->m_pSurface = plane;
        double move[3] = {-box.xmin, -box.ymin, 0.0};
        const BOX2<double> uv(0.0, 0.0, w, h);
        auto addLoop = [&](CGeLoop3d* loop) {
            loop->Translate3D(move);
            auto* trim = new CGeTrimLoop;
            trim->Create(loop, uv);
            trim->CalcBox();
            surf->AddLoop(trim);
        };
        addLoop(outer.get());
        for (auto& hole : holes) addLoop(hole.get());
        surf->BuildTopo();
        surf->CalcUVBox();
        double back[3] = {box.xmin, box.ymin, 0.0};
        surf->Translate3D(back);
        _rect_fm3d f = frame;
        surf->TransformLocal(&f);
        surf->Discrete(tol);
        out->AddTail(surf);
    }
}

}  // namespace

int CSrfActor::GenPlane(CTypedPtrList<CObList, CGeCurve3d*>* curves, double tol,
                        CTypedPtrList<CObList, CGeTrimSurf*>* out)
{
    if (!curves || curves->IsEmpty() || !out) return 0;
    // A working list of classified copies; the caller's curves are only read.
    std::vector<Classified> work;
    for (CGeCurve3d* c : *curves) {
        if (!c) continue;
        Classified k{static_cast<CGeCurve3d*>(c->Copy()), 0, {0, 0, 0}, {0, 0, 0}};
        if (!k.curve) continue;
        k.kind = k.curve->IsPlanar(kPlaneTol, k.point, k.vec);
        if (k.kind == kNotPlanar) {
            delete k.curve;
            continue;
        }
        work.push_back(k);
    }
    std::vector<bool> used(work.size(), false);
    for (std::size_t head = 0; head < work.size(); ++head) {
        if (used[head]) continue;
        used[head] = true;
        const Classified& h = work[head];
        CGeCurve3dList group;
        group.AddTail(h.curve);
        int kind = h.kind;
        double vec[3] = {h.vec[0], h.vec[1], h.vec[2]};
        for (std::size_t i = head + 1; i < work.size(); ++i) {
            if (used[i]) continue;
            const Classified& c = work[i];
            bool joins = false;
            if (c.kind == kDegenerate) {
                joins = true;
            } else if (kind == kStraight && c.kind == kStraight) {
                double n[3];
                V3D_Cross(vec, c.vec, n);
                // Parallel lines span a plane through both of their points.
                if (V3D_Len(n) <= kPlaneTol) {
                    const double d[3] = {c.point[0] - h.point[0], c.point[1] - h.point[1], c.point[2] - h.point[2]};
                    V3D_Cross(vec, d, n);
                }
                joins = true;
                if (V3D_Unit(n, kPlaneTol)) {
                    kind = kPlanar;
                    P3D_Copy(n, vec);
                }
            } else if (kind == kStraight && c.kind == kPlanar) {
                joins = std::fabs(Dot(vec, c.vec)) <= kPlaneTol && InPlane(h, c.point, c.vec);
                if (joins) {
                    kind = kPlanar;
                    P3D_Copy(c.vec, vec);
                }
            } else if (kind == kPlanar && c.kind == kPlanar) {
                joins = V3D_IsParallel(vec, c.vec, kPlaneParallelTol) && InPlane(c, h.point, vec);
            } else if (kind == kPlanar && c.kind == kStraight) {
                joins = std::fabs(Dot(c.vec, vec)) <= kPlaneTol && InPlane(c, h.point, vec);
            }
            if (joins) {
                used[i] = true;
                group.AddTail(c.curve);
            }
        }
        double z[3] = {vec[0], vec[1], vec[2]}, x[3], y[3];
        _rect_fm3d frame;
        if (kind == kPlanar && V3D_Unit(z, kPlaneTol) && V3D_GetXYFromZ(z, x, y) &&
            RF_Init(&frame, h.point, x, y)) {
            for (CGeCurve3d* c : group) c->Transform(&frame);
            MakePlanes(m_tool, group, frame, tol, out);
        }
    }
    for (Classified& c : work) delete c.curve;
    return 1;
}
