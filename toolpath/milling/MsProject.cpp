#include "toolpath/milling/MsProject.h"

#include "framework/looker/QVGlobal.h"
#include "framework/looker/Tool.h"
#include "framework/numerak/PointString3D.h"
#include "framework/widgra/ShowProgDlg.h"
#include "geometry/shapes3d/GeCombCurve3d.h"
#include "geometry/shapes3d/GeGroup3d.h"
#include "geometry/shapes3d/GeMesh.h"
#include "geometry/shapes3d/GePolyline3d.h"
#include "geometry/shapes3d/Shapes3dConst.h"
#include "toolpath/milling/CheckModel.h"
#include "toolpath/milling/MillConst.h"
#include "toolpath/milling/MillPrep.h"
#include "toolpath/milling/MsFinishSweepLine.h"

#include <cmath>
#include <limits>
#include <memory>

namespace {

constexpr double kBoxTol = 1e-6;          // curves and meshes compared in XY
constexpr double kProjectLiftTol = 0.05;  // lifting tolerance of the curves
constexpr double kProjectSimplify = 0.0002;
constexpr double kMinLayerDepth = 0.002;  // shallower layers are not lowered
constexpr double kFlatEnds = 1e-6;        // a two-point line this level becomes a ramp
constexpr double kNoToolStep = 1.0;       // check step without a tool

// Lowers the polyline by d: a level line of two points only at its end (a ramp down
// to the layer), anything else as a whole.
void LowerPolyline(CGePolyline3d* pl, double d)
{
    double(*pts)[3] = pl->GetCtrlPt();
    const int n = pl->GetCount();
    if (n == 2 && std::fabs(pts[0][2] - pts[1][2]) <= kFlatEnds) {
        pts[1][2] -= d;
    } else {
        for (int i = 0; i < n; ++i) pts[i][2] -= d;
    }
    pl->CalcBox();
}

}  // namespace

int ProjectLayerCount(double depth, double step)
{
    if (depth < kMinLayerDepth || depth <= step || !(step > 0) || !std::isfinite(depth)) return 1;
    const double n = std::trunc(depth / step);
    return n >= std::numeric_limits<int>::max() ? std::numeric_limits<int>::max() : int(n);
}

CNcPline* CMsProject::DiscreteCurve(CGeCurve3d* curve, double tol, CTool* t, double z)
{
    if (!curve) return nullptr;
    CStrP3D str;
    curve->Discrete(tol, str);
    auto s = std::make_unique<CNcPline>();
    for (int i = 0; i < str.m_nCount; ++i) {
        const double c = t ? str.m_pPoints[i][2] : 0.0;
        s->AddTail(new CNcPoint(str.m_pPoints[i][0], str.m_pPoints[i][1], c));
    }
    if (model) s->InsPoint(model->checkStep);
    s->SetPointValue(2, z);
    s->CalcBox();
    return s.release();
}

void CMsProject::GenPath(CGeMeshList* meshes, CGeGroup3d* curves, DVN_FPROJECT p, CTool* t, CString title,
                         CGeGroup3d* out)
{
    if (!meshes || meshes->IsEmpty()) return;
    delete tool;
    tool = nullptr;
    if (t) t->SetAidParam();
    param = p;
    // Without a tool the curves are dropped as points: a ball of diameter 0 puts them on
    // the surface (a model without a tool has nothing to lift with).
    CTBall point(0);
    point.SetAidParam();
    CTool* lifter = t ? t : &point;
    const double checkStep = t ? RasterCheckStep(t->GetDia() / 2, meshes) : RasterCheckStep(kNoToolStep, meshes);

    CShowProgDlg dialog(title, 1);
    GenProgress prog(*this);
    prog.SetRange(0.2);
    BuildCheckModel(meshes, 0.0);
    prog.SetRange(0.2);
    if (!model || model->MeshCount() == 0 || !curves || !out) return;
    BOX3<double> box;
    box.InitEmpty();
    MeshListBox(meshes, box);
    BOX3<double> cbox;
    curves->GetBox(&cbox);
    if (cbox.xmax + kBoxTol < box.xmin || cbox.xmin - kBoxTol > box.xmax || cbox.ymax + kBoxTol < box.ymin ||
        cbox.ymin - kBoxTol > box.ymax)
        return;
    model->SetTool(lifter);
    model->checkStep = checkStep;
    if (gIsProgressCancel()) return;

    prog.SetRange(0.2);
    const double tol = gGetCrvDiscTol();
    CNcPlineGrp strings;
    int composite = 0;
    for (CGeCurve3d* c : curves->m_listCurve) {
        if (!c) continue;
        if (c->GetType() == ge3con::kTypeCombCurve3d) {
            ++composite;
            for (CGeCurve3d* m : static_cast<CGeCombCurve3d*>(c)->m_listCurve) {
                if (CNcPline* s = DiscreteCurve(m, tol, t, box.zmin)) {
                    s->groupId = composite;
                    strings.AddTail(s);
                }
            }
        } else if (CNcPline* s = DiscreteCurve(c, tol, t, box.zmin)) {
            strings.AddTail(s);
        }
    }
    prog.SetRange(0.3);
    model->bottom = box.zmin;
    LiftStringsOnModel(kProjectLiftTol, strings, model);
    prog.SetRange(0.1);
    if (gIsProgressCancel()) return;
    for (CNcPline* s : strings) {
        if (s->IsEmpty()) continue;
        if (param.addOwnHeight)
            for (POSITION pos = s->GetHeadPosition(); pos;) {
                CNcPoint* q = s->GetNext(pos);
                q->z += q->w;
            }
        s->Simplify(kProjectSimplify);
    }
    prog.SetRange(0.1);
    const int layers = ProjectLayerCount(param.depth, param.step);
    std::unique_ptr<CGeCombCurve3d> open;
    const auto close = [&] {
        if (open) out->m_listCurve.AddTail(open.release());
    };
    for (int i = 1; i <= layers; ++i) {
        const double d = std::min(i * param.step, param.depth);
        int previous = 0;
        for (CNcPline* s : strings) {
            std::unique_ptr<CGePolyline3d> pl(s->ConvertTo());
            if (!pl) continue;
            if (d > kMinLayerDepth) LowerPolyline(pl.get(), d);
            pl->DiscreteMe(tol);
            if (s->groupId == 0) {
                close();
                out->m_listCurve.AddTail(pl.release());
                previous = 0;
                continue;
            }
            if (s->groupId != previous) {
                close();
                open = std::make_unique<CGeCombCurve3d>();
            }
            previous = s->groupId;
            open->AddTail(pl.release());
        }
    }
    close();
}

int CMsProject::GenAreaPath(CNcPlineGrp& strings, CCheckModel* m, CTool*, CGeGroup3d* out)
{
    OrderAreaByLines(strings);
    LinkAreaStrings(m, strings, mill::kMaxLinkDist);
    PlinesToGroup3d(strings, out);
    return 1;
}
