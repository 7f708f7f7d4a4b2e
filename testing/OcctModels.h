// The B-spline edges and faces of Open CASCADE's sample models (occt-misc) as
// pairs of the peer's geometry and our records, for the tests that compare
// against Open CASCADE. Faces go through BRepBuilderAPI_NurbsConvert.
#pragma once

#include "testing/OcctNurbs.h"

#include <BRepBuilderAPI_NurbsConvert.hxx>
#include <BRepTools.hxx>
#include <BRep_Builder.hxx>
#include <BRep_Tool.hxx>
#include <GeomConvert.hxx>
#include <Geom_TrimmedCurve.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Edge.hxx>
#include <TopoDS_Face.hxx>
#include <TopoDS_Shape.hxx>

#include <memory>
#include <string>
#include <vector>

namespace occt3d {

inline constexpr const char* kModelFolder = "/usr/share/opencascade/data/occ";

struct CurveFreer {
    void operator()(BCRV* c) const { BCRV_Free(c); }
};
struct SurfaceFreer {
    void operator()(_nurbs_surface* s) const { BSRF_Free(s); }
};

struct ModelEdge {
    Handle(Geom_BSplineCurve) peer;
    std::unique_ptr<BCRV, CurveFreer> ours; // same knots as the peer
};

struct ModelFace {
    Handle(Geom_BSplineSurface) peer;
    std::unique_ptr<_nurbs_surface, SurfaceFreer> ours;
};

// The shape of a .brep file after NURBS conversion; null shape when unreadable.
inline TopoDS_Shape ReadBrepAsNurbs(const std::string& path)
{
    TopoDS_Shape shape;
    BRep_Builder builder;
    if (!BRepTools::Read(shape, path.c_str(), builder) || shape.IsNull())
        return {};
    BRepBuilderAPI_NurbsConvert convert(shape);
    return convert.Shape();
}

// Every edge whose 3D curve is (or converts to) a B-spline curve.
inline std::vector<ModelEdge> ModelEdges(const TopoDS_Shape& shape)
{
    std::vector<ModelEdge> out;
    for (TopExp_Explorer ex(shape, TopAbs_EDGE); ex.More(); ex.Next()) {
        const TopoDS_Edge edge = TopoDS::Edge(ex.Current());
        if (BRep_Tool::Degenerated(edge))
            continue;
        double f = 0.0, l = 0.0;
        Handle(Geom_Curve) c = BRep_Tool::Curve(edge, f, l);
        if (c.IsNull())
            continue;
        Handle(Geom_BSplineCurve) b = Handle(Geom_BSplineCurve)::DownCast(c);
        if (b.IsNull())
            b = GeomConvert::CurveToBSplineCurve(new Geom_TrimmedCurve(c, f, l));
        if (b.IsNull())
            continue;
        out.push_back({b, std::unique_ptr<BCRV, CurveFreer>(FromOcct(b))});
    }
    return out;
}

// Every face whose surface is (or converts to) a B-spline surface.
inline std::vector<ModelFace> ModelFaces(const TopoDS_Shape& shape)
{
    std::vector<ModelFace> out;
    for (TopExp_Explorer fx(shape, TopAbs_FACE); fx.More(); fx.Next()) {
        Handle(Geom_Surface) g = BRep_Tool::Surface(TopoDS::Face(fx.Current()));
        Handle(Geom_BSplineSurface) b = Handle(Geom_BSplineSurface)::DownCast(g);
        if (b.IsNull() && !g.IsNull())
            b = GeomConvert::SurfaceToBSplineSurface(g);
        if (b.IsNull())
            continue;
        out.push_back({b, std::unique_ptr<_nurbs_surface, SurfaceFreer>(FromOcct(b))});
    }
    return out;
}

}  // namespace occt3d
