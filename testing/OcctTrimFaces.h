// Faces of Open CASCADE shapes as trimmed surfaces, for the tests that compare
// against Open CASCADE or show its sample models.
#pragma once

#include "geometry/shapes2d/GePolyline.h"
#include "geometry/shapes3d/GeTrimSurf.h"
#include "testing/OcctNurbs.h"
#include "testing/TrimSurfFixtures.h"

#include <BRepAlgoAPI_Splitter.hxx>
#include <BRepBuilderAPI_MakeEdge.hxx>
#include <BRepBuilderAPI_MakeFace.hxx>
#include <BRepBuilderAPI_MakeWire.hxx>
#include <BRepGProp.hxx>
#include <BRepLib.hxx>
#include <BRepTools.hxx>
#include <BRepTools_WireExplorer.hxx>
#include <BRep_Tool.hxx>
#include <GProp_GProps.hxx>
#include <Geom2d_Circle.hxx>
#include <Geom2d_Curve.hxx>
#include <GeomConvert.hxx>
#include <TopExp_Explorer.hxx>
#include <TopTools_ListOfShape.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Face.hxx>
#include <TopoDS_Shape.hxx>
#include <TopoDS_Wire.hxx>

#include <algorithm>
#include <array>
#include <memory>
#include <vector>

namespace occt3d {

struct TrimFace {
    std::unique_ptr<CGeTrimSurf> surf;
    double u0, u1, v0, v1;  // the face surface's own parameter domain
    std::vector<std::vector<std::array<double, 2>>> loops;  // normalised loop polygons
};

// The face as a trimmed surface: the B-spline record normalised to the unit square,
// one loop of polyline bounds per wire (the outer wire first). False for a face whose
// parameter curves leave the first period.
inline bool ToTrimSurf(const TopoDS_Face& face, TrimFace& out)
{
    Handle(Geom_BSplineSurface) bs = Handle(Geom_BSplineSurface)::DownCast(BRep_Tool::Surface(face));
    if (bs.IsNull()) bs = GeomConvert::SurfaceToBSplineSurface(BRep_Tool::Surface(face));
    if (bs.IsNull()) return false;
    _nurbs_surface* s = FromOcct(bs);
    if (!s) return false;
    out.u0 = s->U[s->ku - 1], out.u1 = s->U[s->nu], out.v0 = s->V[s->kv - 1], out.v1 = s->V[s->nv];
    out.surf = std::make_unique<CGeTrimSurf>(s, BOX2<double>(0, 0, 1, 1));
    out.surf->ReguKontVector();
    std::vector<TopoDS_Wire> wires{BRepTools::OuterWire(face)};
    for (TopExp_Explorer wx(face, TopAbs_WIRE); wx.More(); wx.Next())
        if (!wx.Current().IsSame(wires.front())) wires.push_back(TopoDS::Wire(wx.Current()));
    constexpr int kSamples = 400;
    for (const TopoDS_Wire& wire : wires) {
        auto* loop = new CGeTrimLoop;
        std::vector<std::array<double, 2>> polygon;
        for (BRepTools_WireExplorer ex(wire, face); ex.More(); ex.Next()) {
            const TopoDS_Edge& edge = ex.Current();
            double f = 0.0, l = 0.0;
            Handle(Geom2d_Curve) pc = BRep_Tool::CurveOnSurface(edge, face, f, l);
            if (pc.IsNull()) continue;
            const bool reversed = edge.Orientation() == TopAbs_REVERSED;
            std::vector<std::array<double, 2>> uv(kSamples + 1);
            for (int k = 0; k <= kSamples; ++k) {
                const double g = double(k) / kSamples;
                const gp_Pnt2d q = pc->Value(reversed ? l - (l - f) * g : f + (l - f) * g);
                uv[k] = {(q.X() - out.u0) / (out.u1 - out.u0), (q.Y() - out.v0) / (out.v1 - out.v0)};
                if (uv[k][0] < -1e-7 || uv[k][0] > 1 + 1e-7 || uv[k][1] < -1e-7 || uv[k][1] > 1 + 1e-7) {
                    delete loop;
                    return false;
                }
            }
            polygon.insert(polygon.end(), uv.begin(), uv.end());
            auto* poly = new CGePolyline;
            poly->Create(static_cast<int>(uv.size()), reinterpret_cast<const double(*)[2]>(uv.data()));
            loop->AddBound(new CGeTrimBnd(poly, nullptr, nullptr));
        }
        out.surf->AddLoop(loop);
        out.loops.push_back(std::move(polygon));
    }
    out.surf->CalcUVBox();
    return true;
}

// Area of a face (or of all faces of a shape).
inline double FaceArea(const TopoDS_Shape& face)
{
    GProp_GProps props;
    BRepGProp::SurfaceProperties(face, props, 1e-6);  // adaptive: the default misses rational faces by 0.2 %
    return props.Mass();
}

// The face of the whole record (clamped on [0, 1]²) with the circular holes of
// the parameter plane cut out: the peer's twin of trimfix::Holed.
inline TopoDS_Face HoledFace(const _nurbs_surface* record, const std::vector<trimfix::Hole>& holes)
{
    const Handle(Geom_Surface) surface = ToOcct(record);
    BRepBuilderAPI_MakeFace face(surface, 1e-7);
    for (const trimfix::Hole& h : holes) {
        const Handle(Geom2d_Circle) circle = new Geom2d_Circle(gp_Ax2d(gp_Pnt2d(h.u, h.v), gp_Dir2d(1, 0)), h.r);
        TopoDS_Edge edge = BRepBuilderAPI_MakeEdge(circle, surface).Edge();
        BRepLib::BuildCurves3d(edge);
        face.Add(TopoDS::Wire(BRepBuilderAPI_MakeWire(edge).Wire().Reversed()));  // clockwise: a hole
    }
    return face.Face();
}

// Areas of the pieces of the target split by the tools (BRepAlgoAPI_Splitter),
// largest first; empty when the splitter fails.
inline std::vector<double> SplitAreas(const TopoDS_Shape& target, const std::vector<TopoDS_Shape>& tools)
{
    TopTools_ListOfShape args, toolList;
    args.Append(target);
    for (const TopoDS_Shape& t : tools) toolList.Append(t);
    BRepAlgoAPI_Splitter splitter;
    splitter.SetArguments(args);
    splitter.SetTools(toolList);
    splitter.Build();
    std::vector<double> areas;
    if (!splitter.IsDone()) return areas;
    for (TopExp_Explorer ex(splitter.Shape(), TopAbs_FACE); ex.More(); ex.Next()) areas.push_back(FaceArea(ex.Current()));
    std::sort(areas.rbegin(), areas.rend());
    return areas;
}

}  // namespace occt3d
