// Surfaces split along tool surfaces by the trimming adaptor against Open
// CASCADE's splitter on faces of the same B-spline records and holes: the same
// number of pieces with the same areas.

#include "testing/OcctTrimFaces.h"
#include "toolpath/surfkernel/KernelEntity.h"
#include "toolpath/surfkernel/SrfTrimAdaptor.h"
#include "toolpath/surfkernel/tests/TrimAdaptorFixtures.h"

#include <BRepBuilderAPI_MakeFace.hxx>
#include <TopoDS_Face.hxx>

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

// Areas of the peer's pieces of the target face split by the tool's whole face.
std::vector<double> PeerAreas(const TopoDS_Face& target, const CGeTrimSurf& tool)
{
    return occt3d::SplitAreas(target, {BRepBuilderAPI_MakeFace(occt3d::ToOcct(tool.m_pSurface), 1e-7).Shape()});
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

// A target surface split by a tool surface.
struct Row {
    std::string label;
    trimadapt::Surf target, tool;
    std::vector<trimfix::Hole> holes;  // cut out of the target's unit square
};

// Each row's pieces, ours and the peer's: as many, with the same areas.
void ExpectSamePieces(std::vector<Row>& rows)
{
    for (Row& r : rows) {
        if (!r.holes.empty()) r.target = trimfix::Holed(r.target->m_pSurface, r.holes);
        const TopoDS_Face face = occt3d::HoledFace(r.target->m_pSurface, r.holes);
        EXPECT_NEAR(occt3d::FaceArea(face), trimadapt::TrimmedArea(*r.target), 1e-3 * occt3d::FaceArea(face)) << r.label << ": the same target";
        const std::vector<double> peer = PeerAreas(face, *r.tool);
        const std::vector<double> ours = OurAreas(*r.target, *r.tool);
        ASSERT_EQ(ours.size(), peer.size()) << r.label;
        for (size_t k = 0; k < ours.size(); ++k) EXPECT_NEAR(ours[k], peer[k], 1e-3 * peer[k]) << r.label << ", piece " << k;
    }
}

TEST(SrfTrimAdaptorOcct, PiecesAgreeWithTheSplitter)
{
    ESSI_ResetKernelState();
    std::vector<Row> rows;
    rows.push_back({"a square plane cut by a crossing cylinder", trimadapt::PlaneSurf({0, 0, 0}, {10, 0, 0}, {0, 10, 0}),
                    trimadapt::CylinderSurf(5, 5, -2, 3, 4), {}});
    rows.push_back({"a cylinder cut by a plane", trimadapt::CylinderSurf(0, 0, 0, 3, 4),
                    trimadapt::PlaneSurf({-5, -5, 1}, {10, 0, 0}, {0, 10, 0}), {}});
    rows.push_back({"a tilted plane cut by a cylinder off its middle",
                    trimadapt::PlaneSurf({0, 0, 0}, {10, 0, 2}, {0, 10, 1}), trimadapt::CylinderSurf(3, 6, -5, 2, 20), {}});
    ExpectSamePieces(rows);
    ESSI_ResetKernelState();
}

// Targets with a hole in the parameter plane: a plane cut through the hole (a
// piece on each side, each with half the hole in its boundary) and across the
// hole's edge, and a cylinder cut all round through its hole.
TEST(SrfTrimAdaptorOcct, HoledPiecesAgreeWithTheSplitter)
{
    ESSI_ResetKernelState();
    std::vector<Row> rows;
    rows.push_back({"a plane with a hole cut again through the hole", trimadapt::PlaneSurf({0, 0, 0}, {10, 0, 0}, {0, 10, 0}),
                    trimadapt::PlaneSurf({5, -1, -1}, {0, 12, 0}, {0, 0, 2}), {{0.5, 0.5, 0.2}}});
    rows.push_back({"a plane with a hole cut by a cylinder crossing the hole",
                    trimadapt::PlaneSurf({0, 0, 0}, {10, 0, 0}, {0, 10, 0}), trimadapt::CylinderSurf(3, 3, -2, 2, 4),
                    {{0.5, 0.5, 0.2}}});
    rows.push_back({"a cylinder with a hole cut by a plane through the hole", trimadapt::CylinderSurf(0, 0, 0, 3, 4),
                    trimadapt::PlaneSurf({-5, -5, 2}, {10, 0, 0}, {0, 10, 0}), {{0.3, 0.5, 0.15}}});
    ExpectSamePieces(rows);
    ESSI_ResetKernelState();
}

}  // namespace
