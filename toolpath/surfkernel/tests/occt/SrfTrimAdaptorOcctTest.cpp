// Surfaces split along tool surfaces by the trimming adaptor against Open
// CASCADE's splitter on faces of the same B-spline records: the same number of
// pieces with the same areas.

#include "testing/OcctNurbs.h"
#include "toolpath/surfkernel/KernelEntity.h"
#include "toolpath/surfkernel/SrfTrimAdaptor.h"
#include "toolpath/surfkernel/tests/TrimAdaptorFixtures.h"

#include <BRepAlgoAPI_Splitter.hxx>
#include <BRepBuilderAPI_MakeFace.hxx>
#include <BRepGProp.hxx>
#include <GProp_GProps.hxx>
#include <TopExp_Explorer.hxx>
#include <TopTools_ListOfShape.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Shape.hxx>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace {

std::vector<double> Descending(std::vector<double> v)
{
    std::sort(v.rbegin(), v.rend());
    return v;
}

// Areas of the peer's pieces of the target's whole face split by the tool's.
std::vector<double> PeerAreas(const CGeTrimSurf& target, const CGeTrimSurf& tool)
{
    TopTools_ListOfShape args, tools;
    const TopoDS_Shape a = BRepBuilderAPI_MakeFace(occt3d::ToOcct(target.m_pSurface), 1e-7).Shape();
    const TopoDS_Shape b = BRepBuilderAPI_MakeFace(occt3d::ToOcct(tool.m_pSurface), 1e-7).Shape();
    args.Append(a);
    tools.Append(b);
    BRepAlgoAPI_Splitter splitter;
    splitter.SetArguments(args);
    splitter.SetTools(tools);
    splitter.Build();
    std::vector<double> areas;
    if (!splitter.IsDone()) return areas;
    for (TopExp_Explorer ex(splitter.Shape(), TopAbs_FACE); ex.More(); ex.Next()) {
        GProp_GProps props;
        BRepGProp::SurfaceProperties(ex.Current(), props, 1e-6);  // adaptive: the default misses rational faces by 0.2 %
        areas.push_back(props.Mass());
    }
    return Descending(areas);
}

// Areas of our pieces of the target split by the tool.
std::vector<double> OurAreas(CGeTrimSurf& target, CGeTrimSurf& tool)
{
    CSrfTrimAdaptor ad;
    ad.AddSurface(&target, 0);
    ad.AddSurface(&tool, 1);
    std::vector<double> areas;
    CObList out;
    if (ad.IntersectAll() == 1 && ad.Trim(0) == 1) ad.CollectResults(&out);
    for (CGeTrimSurf* s : trimadapt::Take(out)) {
        areas.push_back(trimadapt::TrimmedArea(*s, 400));
        delete s;
    }
    return Descending(areas);
}

TEST(SrfTrimAdaptorOcct, PiecesAgreeWithTheSplitter)
{
    ESSI_ResetKernelState();
    struct Row {
        std::string label;
        trimadapt::Surf target, tool;
    };
    std::vector<Row> rows;
    rows.push_back({"a square plane cut by a crossing cylinder", trimadapt::PlaneSurf({0, 0, 0}, {10, 0, 0}, {0, 10, 0}),
                    trimadapt::CylinderSurf(5, 5, -2, 3, 4)});
    rows.push_back({"a cylinder cut by a plane", trimadapt::CylinderSurf(0, 0, 0, 3, 4),
                    trimadapt::PlaneSurf({-5, -5, 1}, {10, 0, 0}, {0, 10, 0})});
    rows.push_back({"a tilted plane cut by a cylinder off its middle",
                    trimadapt::PlaneSurf({0, 0, 0}, {10, 0, 2}, {0, 10, 1}), trimadapt::CylinderSurf(3, 6, -5, 2, 20)});
    for (Row& r : rows) {
        const std::vector<double> peer = PeerAreas(*r.target, *r.tool);
        const std::vector<double> ours = OurAreas(*r.target, *r.tool);
        ASSERT_EQ(ours.size(), peer.size()) << r.label;
        for (size_t k = 0; k < ours.size(); ++k) EXPECT_NEAR(ours[k], peer[k], 1e-3 * peer[k]) << r.label << ", piece " << k;
    }
    ESSI_ResetKernelState();
}

}  // namespace
