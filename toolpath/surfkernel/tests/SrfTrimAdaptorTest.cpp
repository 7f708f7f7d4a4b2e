#include "toolpath/surfkernel/SrfTrimAdaptor.h"

#include "framework/looker/QVGlobal.h"
#include "framework/numerak/Bsrf.h"
#include "framework/numerak/PointString3D.h"
#include "framework/numerak/QvMem.h"
#include "toolpath/surfkernel/EdInterCurve.h"
#include "toolpath/surfkernel/EdTrimBound.h"
#include "toolpath/surfkernel/EdTrimLoop.h"
#include "toolpath/surfkernel/EdTrimSurf.h"
#include "toolpath/surfkernel/SurfaceEntity.h"
#include "toolpath/surfkernel/tests/TrimAdaptorFixtures.h"
#include "toolpath/surfkernel/tests/TrimEditFixtures.h"
#include "testing/SurfaceFixtures.h"
#include "testing/TrimSurfFixtures.h"
#include "geometry/shapes2d/GeCurve.h"
#include "geometry/shapes3d/GeCurve3d.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <functional>
#include <algorithm>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

namespace {

using trimadapt::CylinderSurf;
using trimadapt::LoopPolygons;
using trimadapt::PlaneSurf;
using trimadapt::Surf;
using trimadapt::Take;
using trimadapt::TrimmedArea;

// Saves nothing: every test starts from the kernel's initial state and leaves it
// so; the settings object is withdrawn afterwards.
class SrfTrimAdaptorTest : public ::testing::Test {
protected:
    void SetUp() override { ESSI_ResetKernelState(); }
    void TearDown() override
    {
        ESSI_ResetKernelState();
        looker::testing::ResetQVGlobal();
    }
};

int CurveCount(const CSrfTrimAdaptor& a)
{
    int n = 0;
    for (const CEdInterCurve* c = a.curveHead; c; c = c->next) ++n;
    return n;
}

TEST_F(SrfTrimAdaptorTest, SurfaceSizeIsTheShortestGridLineAboveTheLimit)
{
    struct Row {
        const char* label;
        double w, h;
        double size;
    } rows[] = {
        {"a square", 5.0, 5.0, 5.0},
        {"a strip: the short lines", 10.0, 0.5, 0.5},
        {"short lines at the limit are left out", 10.0, 0.06, 10.0},
        {"all lines short", 0.05, 0.06, 1e12},
    };
    for (const Row& r : rows) {
        Surf s = PlaneSurf({0, 0, 0}, {r.w, 0, 0}, {0, r.h, 0});
        double size = -1.0;
        EXPECT_EQ(TrimSurfSize(s.get(), size), 1) << r.label;
        EXPECT_NEAR(size, r.size, 1e-9 * r.size) << r.label;
    }
    // A quarter turn of a cylinder of radius 2 measured along u: the lines of
    // constant v are walked through five points, so their chords count.
    Surf cyl = CylinderSurf(0, 0, 0, 2.0, 10.0);
    cyl->m_boxUV = BOX2<double>(0, 0, 0.25, 1);
    double size = 0.0;
    TrimSurfSize(cyl.get(), size);
    double p0[3], p1[3], chords = 0.0;
    for (int j = 0; j < 4; ++j) {
        cyl->GetPoint(0.0625 * j, 0, p0);
        cyl->GetPoint(0.0625 * (j + 1), 0, p1);
        chords += std::hypot(p1[0] - p0[0], p1[1] - p0[1]);
    }
    EXPECT_NEAR(size, chords, 1e-9);
    EXPECT_LT(size, std::numbers::pi) << "chords of a quarter circle of radius 2";
    double untouched = 7.0;
    EXPECT_EQ(TrimSurfSize(nullptr, untouched), 0);
    EXPECT_EQ(untouched, 7.0);
}

TEST_F(SrfTrimAdaptorTest, PairPatchToleranceFollowsTheSmallerSurface)
{
    struct Row {
        const char* label;
        double setting;  // the application's third subdivision value
        double side;     // of the square surface; the other surface is missing
        double expected;
    } rows[] = {
        {"cut to a quarter of the size, raised to the floor", 0.05, 0.08, 0.1},
        {"cut to a quarter of the size", 1.0, 0.5, 0.125},
        {"a large surface keeps the setting", 0.3, 10.0, 0.3},
        {"the floor applies unscaled too", 0.01, 10.0, 0.1},
    };
    CQVGlobal settings;
    gSetQVGlobal(&settings);
    for (const Row& r : rows) {
        const double pre[3] = {0.002, 0.25, r.setting};
        settings.SetSurfSubdivTol(pre);
        Surf s = PlaneSurf({0, 0, 0}, {r.side, 0, 0}, {0, r.side, 0});
        double triple[3] = {-1, -1, -1};
        PairSubdivisionTolerances(s.get(), nullptr, triple);
        EXPECT_DOUBLE_EQ(triple[0], 0.002) << r.label;
        EXPECT_DOUBLE_EQ(triple[1], 0.25) << r.label;
        EXPECT_NEAR(triple[2], r.expected, 1e-12) << r.label;
        double swapped[3];
        PairSubdivisionTolerances(nullptr, s.get(), swapped);
        EXPECT_NEAR(swapped[2], r.expected, 1e-12) << r.label << ", surfaces swapped";
    }
    double untouched[3] = {-1, -1, -1};
    PairSubdivisionTolerances(nullptr, nullptr, untouched);
    EXPECT_EQ(untouched[2], -1.0) << "two missing surfaces leave the triple";
}

TEST_F(SrfTrimAdaptorTest, SetsKernelDataAndRelease)
{
    Surf a = PlaneSurf({0, 0, 0}, {10, 0, 0}, {0, 10, 0});
    Surf b = PlaneSurf({5, -1, -1}, {0, 12, 0}, {0, 0, 2});
    const long live = QV_MemLiveCount();
    {
        CSrfTrimAdaptor ad;
        EXPECT_EQ(ad.AddSurface(nullptr, 0), 0);
        ASSERT_EQ(ad.AddSurface(a.get(), 0), 1);
        ASSERT_EQ(ad.AddSurface(b.get(), 1), 1);
        EXPECT_EQ(ad.AddSurface(a.get(), 0), 0) << "already in the trim set";
        EXPECT_EQ(ad.AddSurface(a.get(), 1), 0) << "already in the other set";
        EXPECT_EQ(ad.trimSet.GetCount(), 1);
        EXPECT_EQ(ad.toolSet.GetCount(), 1);
        ASSERT_NE(a->m_pKernelSurf, nullptr);
        EXPECT_EQ(static_cast<SURFACE*>(a->m_pKernelSurf)->type, ENT_NURBS_SURFACE);
        EXPECT_NE(static_cast<ESRF_NURBS*>(a->m_pKernelSurf)->surface, a->m_pSurface) << "a clone, not the surface";
        CEdTrimSurf* ea = ad.FindEdSurf(a.get());
        CEdTrimSurf* eb = ad.FindEdSurf(b.get());
        ASSERT_TRUE(ea && eb);
        EXPECT_EQ(ea->set, 0);
        EXPECT_EQ(eb->set, 1);
        EXPECT_EQ(ad.surfHead, ea);
        EXPECT_EQ(ea->next, eb);
        EXPECT_EQ(eb->prev, ea);
        EXPECT_EQ(ea->loopHead->BoundCount(), 4) << "the edited surface holds the surface's loop";
        EXPECT_EQ(ad.FindEdSurf(nullptr), nullptr);

        EXPECT_EQ(ad.IntersectAll(), 1);
        EXPECT_NE(a->m_pSubdivision, nullptr) << "the subdivision is kept on the surface";
        EXPECT_NE(b->m_pSubdivision, nullptr);
        ad.ReleaseKernelData();
        EXPECT_EQ(a->m_pKernelSurf, nullptr);
        EXPECT_EQ(a->m_pSubdivision, nullptr);
        EXPECT_EQ(b->m_pKernelSurf, nullptr);
        EXPECT_EQ(b->m_pSubdivision, nullptr);
        EXPECT_EQ(ad.Clear(), 1);
        EXPECT_EQ(ad.curveHead, nullptr);
        EXPECT_EQ(ad.surfHead, nullptr);
        EXPECT_TRUE(ad.trimSet.IsEmpty() && ad.toolSet.IsEmpty());
        // Added again after Clear; the destructor releases the new kernel data.
        EXPECT_EQ(ad.AddSurface(a.get(), 0), 1);
        EXPECT_NE(a->m_pKernelSurf, nullptr);
    }
    EXPECT_EQ(a->m_pKernelSurf, nullptr);
    EXPECT_EQ(QV_MemLiveCount(), live) << "kernel records and subdivisions all freed";
}

TEST_F(SrfTrimAdaptorTest, StaleSubdivisionIsFreedAndToolSurfacesDeleted)
{
    Surf a = PlaneSurf({0, 0, 0}, {10, 0, 0}, {0, 10, 0});
    const long live = QV_MemLiveCount();
    // A cache left by an earlier operation.
    SSI_SUBDIV* stale = nullptr;
    const double box[4] = {0, 0, 1, 1};
    SURFACE* rec = ESRF_NewNurbs(BSRF_Clone(a->m_pSurface));
    ASSERT_EQ(ESSI_Subdivide(rec, box, 0.01, 0.2, 1.0, &stale), 1);
    ENT_Free(rec);
    a->m_pSubdivision = stale;
    {
        CSrfTrimAdaptor ad;
        ad.AddSurface(a.get(), 0);
        EXPECT_EQ(a->m_pSubdivision, nullptr);
        auto* tool = PlaneSurf({5, -1, -1}, {0, 12, 0}, {0, 0, 2}).release();
        ad.AddSurface(tool, 1);
        ad.IntersectAll();
        CEdTrimSurf* et = ad.FindEdSurf(tool);
        ASSERT_NE(et, nullptr);
        ad.DeleteToolSurfaces();
        EXPECT_TRUE(ad.toolSet.IsEmpty());
        EXPECT_EQ(et->surf, nullptr) << "the edited surface forgets the deleted surface";
        EXPECT_EQ(ad.FindEdSurf(tool), nullptr);
    }
    EXPECT_EQ(QV_MemLiveCount(), live) << "the stale cache and the tool's kernel data freed";
}

TEST_F(SrfTrimAdaptorTest, IntersectAllKeepsTheKernelTriples)
{
    CQVGlobal settings;
    const double pre[3] = {0.003, 0.3, 0.2}, tra[3] = {0.0002, 0.05, 0.002};
    settings.SetSurfSubdivTol(pre);
    settings.SetSurfTraceTol(tra);
    gSetQVGlobal(&settings);
    ESSI_SetSubdivTolerance(0.004, 0.15, 0.02);
    ESSI_SetTraceTolerance(0.0007, 0.12, 0.006);
    double s0[3], r0[3];
    ESSI_GetSubdivTolerance(s0);
    ESSI_GetTraceTolerance(r0);
    struct Row {
        const char* label;
        bool brokenTool;  // a tool whose kernel record has no surface: the kernel fails
        int result;
    } rows[] = {{"an intersection found", false, 1}, {"an intersection that fails", true, 0}};
    for (const Row& r : rows) {
        Surf a = PlaneSurf({0, 0, 0}, {10, 0, 0}, {0, 10, 0});
        Surf b = PlaneSurf({5, -1, -1}, {0, 12, 0}, {0, 0, 2});
        if (r.brokenTool) b->m_pKernelSurf = ESRF_NewNurbs(nullptr);
        CSrfTrimAdaptor ad;
        ad.AddSurface(a.get(), 0);
        ad.AddSurface(b.get(), 1);
        EXPECT_EQ(ad.IntersectAll(), r.result) << r.label;
        double s1[3], r1[3];
        ESSI_GetSubdivTolerance(s1);
        ESSI_GetTraceTolerance(r1);
        for (int k = 0; k < 3; ++k) {
            EXPECT_EQ(s1[k], s0[k]) << r.label << ", subdivision " << k;
            EXPECT_EQ(r1[k], r0[k]) << r.label << ", trace " << k;
        }
    }
}

TEST_F(SrfTrimAdaptorTest, PairsWhoseBoxesMissAreNotIntersected)
{
    // Trim planes along x, tool planes across them: only the pairs whose boxes
    // meet are intersected, each once, in list order; a second run adds nothing.
    std::vector<Surf> trims, tools;
    for (int i = 0; i < 3; ++i) trims.push_back(PlaneSurf({30.0 * i, 0, 0}, {10, 0, 0}, {0, 10, 0}));
    for (int j = 0; j < 4; ++j) tools.push_back(PlaneSurf({30.0 * j + 5, -1, -1}, {0, 12, 0}, {0, 0, 2}));
    tools.push_back(PlaneSurf({5, -1, 5}, {0, 12, 0}, {0, 0, 2}));  // above the first plane
    CSrfTrimAdaptor ad;
    for (auto& s : trims) ad.AddSurface(s.get(), 0);
    for (auto& s : tools) ad.AddSurface(s.get(), 1);
    ASSERT_EQ(ad.IntersectAll(), 1);
    std::vector<std::pair<CGeTrimSurf*, CGeTrimSurf*>> joined;
    for (const CEdInterCurve* c = ad.curveHead; c; c = c->next) joined.emplace_back(c->surfA->surf, c->surfB->surf);
    const std::vector<std::pair<CGeTrimSurf*, CGeTrimSurf*>> expected = {
        {trims[0].get(), tools[0].get()}, {trims[1].get(), tools[1].get()}, {trims[2].get(), tools[2].get()}};
    EXPECT_EQ(joined, expected);
    EXPECT_EQ(tools[3]->m_pSubdivision, nullptr) << "a tool beyond every trim surface is never subdivided";
    EXPECT_EQ(tools[4]->m_pSubdivision, nullptr) << "a tool above the plane is never subdivided";
    EXPECT_EQ(ad.IntersectAll(), 1) << "the curves of the first run count";
    EXPECT_EQ(CurveCount(ad), 3) << "pairs already joined are not intersected again";

    // The surface outlives the adaptor, which reads its surfaces when it is destroyed.
    Surf far = PlaneSurf({100, 0, 0}, {10, 0, 0}, {0, 10, 0});
    CSrfTrimAdaptor none;
    none.AddSurface(far.get(), 0);
    none.AddSurface(tools[0].get(), 1);
    EXPECT_EQ(none.IntersectAll(), 0) << "no curve at all";
    none.ReleaseKernelData();
    ad.ReleaseKernelData();
}

TEST_F(SrfTrimAdaptorTest, GeoEditDeleteLinesEmptiesTheChain)
{
    CEdInterLine* head = nullptr;
    GeoEdit_DeleteLines(head);
    EXPECT_EQ(head, nullptr);
    head = new CEdInterLine;
    head->next = new CEdInterLine;
    head->next->prev = head;
    GeoEdit_DeleteLines(head);
    EXPECT_EQ(head, nullptr);
}

TEST_F(SrfTrimAdaptorTest, SplitsSurfacesAlongToolSurfaces)
{
    using Dist = std::function<double(const double*)>;
    const double pi = std::numbers::pi;
    surffix::SurfPtr square = surffix::Plane(10, 10);
    struct Row {
        std::string label;
        Surf target, tool;
        Dist toTool;                       // 3D distance of a point to the tool
        std::function<bool(const double*)> onOwnBoundary;  // (u, v) on the target's own loops
        std::vector<double> areas;         // of the pieces, largest first
    };
    auto onSquare = [](const double* uv) {
        return std::min({std::fabs(uv[0]), std::fabs(1 - uv[0]), std::fabs(uv[1]), std::fabs(1 - uv[1])}) < 1e-9;
    };
    std::vector<Row> rows;
    rows.push_back({"a square plane cut by a crossing cylinder", PlaneSurf({0, 0, 0}, {10, 0, 0}, {0, 10, 0}),
                    CylinderSurf(5, 5, -2, 3, 4),
                    [](const double* p) { return std::fabs(std::hypot(p[0] - 5, p[1] - 5) - 3); }, onSquare,
                    {100 - 9 * pi, 9 * pi}});
    rows.push_back({"a cylinder cut by a plane", CylinderSurf(0, 0, 0, 3, 4), PlaneSurf({-5, -5, 1}, {10, 0, 0}, {0, 10, 0}),
                    [](const double* p) { return std::fabs(p[2] - 1); }, onSquare, {18 * pi, 6 * pi}});
    rows.push_back({"a plane with a hole cut again through the hole", trimfix::Holed(square.get(), {{0.5, 0.5, 0.2}}),
                    PlaneSurf({5, -1, -1}, {0, 12, 0}, {0, 0, 2}), [](const double* p) { return std::fabs(p[0] - 5); },
                    [&](const double* uv) {
                        return onSquare(uv) || std::fabs(std::hypot(uv[0] - 0.5, uv[1] - 0.5) - 0.2) < 1e-9;
                    },
                    {50 - 2 * pi, 50 - 2 * pi}});
    double traceTol[3];
    ZDC_Get_gp_tra(traceTol);
    for (Row& r : rows) {
        const double whole = TrimmedArea(*r.target);
        CSrfTrimAdaptor ad;
        ad.AddSurface(r.target.get(), 0);
        ad.AddSurface(r.tool.get(), 1);
        ASSERT_EQ(ad.IntersectAll(), 1) << r.label;
        EXPECT_EQ(ad.Trim(0), 1) << r.label;
        CObList out;
        EXPECT_EQ(ad.CollectResults(&out), 1) << r.label;
        ad.ReleaseKernelData();
        std::vector<std::unique_ptr<CGeTrimSurf>> pieces;
        for (CGeTrimSurf* s : Take(out)) pieces.emplace_back(s);
        ASSERT_EQ(pieces.size(), r.areas.size()) << r.label;
        double sum = 0.0;
        std::vector<double> areas;
        for (auto& p : pieces) {
            areas.push_back(TrimmedArea(*p));
            sum += areas.back();
            double worst = 0.0;
            for (const auto& poly : LoopPolygons(*p))
                for (const auto& uv : poly) {
                if (r.onOwnBoundary(uv.data())) continue;
                double xyz[3];
                ASSERT_TRUE(p->GetPoint(uv[0], uv[1], xyz));
                worst = std::max(worst, r.toTool(xyz));
            }
            EXPECT_LT(worst, traceTol[0]) << r.label << ": a new boundary point off the tool";
        }
        EXPECT_NEAR(sum, whole, 1e-3 * whole) << r.label << " (" << areas.size() << " pieces)" << ": the pieces make up the surface";
        std::sort(areas.rbegin(), areas.rend());
        for (size_t k = 0; k < areas.size(); ++k)
            EXPECT_NEAR(areas[k], r.areas[k], 0.01 * r.areas[k]) << r.label << ", piece " << k;
    }
}

using UVList = std::vector<std::array<double, 2>>;

UVList CurveUV(const CEdInterCurve* c)
{
    UVList out;
    for (int i = 0; i <= c->nLast; ++i) out.push_back({c->pts[i][3], c->pts[i][4]});
    return out;
}

TEST_F(SrfTrimAdaptorTest, ParameterPolylinesSnappedUnwrappedAndExtended)
{
    const double snapped = 0.05;  // 3D distance of the first point from the side u = 0
    const double diag = std::sqrt(2.0);
    struct Row {
        const char* label;
        double side;           // of the square plane
        bool cylinder;         // a cylinder periodic in u instead
        UVList in;
        bool extendStart, extendEnd;
        UVList expected;
    } rows[] = {
        {"an end near a side snaps onto it and is not extended", 5.0, false,
         {{snapped / 5, 0.5}, {0.5, 0.6}}, true, false, {{0.0, 0.5}, {0.5, 0.6}}},
        {"on a small surface the end stays and is extended by the diagonal", 0.3, false,
         {{snapped / 0.3, 0.5}, {0.5, 0.6}}, true, false, {{0, 0}, {0.5, 0.6}}},
        {"both ends of a two-point curve extended from its own points", 0.3, false,
         {{0.4, 0.5}, {0.5, 0.5}}, true, true, {{0.5 - diag, 0.5}, {0.4 + diag, 0.5}}},
        {"ends closer than the closing tolerance close the curve", 10.0, false,
         {{0.3, 0.3}, {0.6, 0.3}, {0.6, 0.6}, {0.301, 0.3}}, true, true, {{0.301, 0.3}, {0.6, 0.3}, {0.6, 0.6}, {0.301, 0.3}}},
        {"across the seam", 0.0, true,
         {{0.9, 0.1}, {0.95, 0.3}, {0.02, 0.2}, {0.08, 0.5}}, false, false,
         {{0.9, 0.1}, {0.95, 0.3}, {1.02, 0.2}, {1.08, 0.5}}},
        {"across the seam and back", 0.0, true,
         {{0.9, 0.1}, {0.95, 0.3}, {0.02, 0.2}, {0.08, 0.5}, {0.97, 0.7}}, false, false,
         {{0.9, 0.1}, {0.95, 0.3}, {1.02, 0.2}, {1.08, 0.5}, {0.97, 0.7}}},
        {"collinear points thinned", 10.0, false, {{0.3, 0.3}, {0.4, 0.4}, {0.5, 0.5}}, false, false,
         {{0.3, 0.3}, {0.5, 0.5}}},
    };
    // The extension target of row 2: the second point plus the diagonal away from it.
    {
        const double d[2] = {snapped / 0.3 - 0.5, 0.5 - 0.6};
        const double len = std::hypot(d[0], d[1]);
        rows[1].expected[0] = {0.5 + diag * d[0] / len, 0.6 + diag * d[1] / len};
    }
    for (Row& r : rows) {
        Surf s = r.cylinder ? CylinderSurf(0, 0, 0, 3, 4) : PlaneSurf({0, 0, 0}, {r.side, 0, 0}, {0, r.side, 0});
        CSrfTrimAdaptor ad;
        ad.AddSurface(s.get(), 0);
        UVList in = r.in;
        CEdInterCurve* c = ad.AddUVCurve(reinterpret_cast<double(*)[2]>(in.data()), static_cast<int>(in.size()),
                                         ad.surfHead, r.extendStart, r.extendEnd);
        ASSERT_NE(c, nullptr) << r.label;
        EXPECT_EQ(ad.curveHead, c) << r.label;
        EXPECT_EQ(in, r.in) << r.label << ": the caller's points stay";
        const UVList got = CurveUV(c);
        ASSERT_EQ(got.size(), r.expected.size()) << r.label;
        for (size_t k = 0; k < got.size(); ++k) {
            EXPECT_NEAR(got[k][0], r.expected[k][0], 1e-12) << r.label << ", point " << k;
            EXPECT_NEAR(got[k][1], r.expected[k][1], 1e-12) << r.label << ", point " << k;
        }
    }
    Surf s = PlaneSurf({0, 0, 0}, {10, 0, 0}, {0, 10, 0});
    CSrfTrimAdaptor ad;
    ad.AddSurface(s.get(), 0);
    double same[3][2] = {{0.5, 0.5}, {0.5, 0.5}, {0.5, 0.5}};
    EXPECT_EQ(ad.AddUVCurve(same, 1, ad.surfHead, false, false), nullptr);
    EXPECT_EQ(ad.AddUVCurve(nullptr, 3, ad.surfHead, false, false), nullptr);
    EXPECT_EQ(ad.AddUVCurve(same, 3, nullptr, false, false), nullptr);
    EXPECT_EQ(ad.curveHead, nullptr);
}

TEST_F(SrfTrimAdaptorTest, PointStringsProjectedOntoTheSurface)
{
    Surf s = PlaneSurf({0, 0, 0}, {10, 0, 0}, {0, 10, 0});
    CSrfTrimAdaptor ad;
    ad.AddSurface(s.get(), 0);
    CStrP3D str;
    str.Create(11, false, false);
    for (int i = 0; i <= 10; ++i) {
        str.m_pPoints[i][0] = 0.3 + 0.94 * i;
        str.m_pPoints[i][1] = 2.0 + 0.5 * std::sin(0.6 * i);
        str.m_pPoints[i][2] = 2.0;  // above the plane
    }
    ad.AddPointString(&str, ad.surfHead);
    ASSERT_NE(ad.curveHead, nullptr);
    EXPECT_EQ(ad.curveHead, ad.curveTail) << "one run";
    const UVList uv = CurveUV(ad.curveHead);
    ASSERT_EQ(uv.size(), 11u);
    for (int i = 0; i <= 10; ++i) {
        EXPECT_NEAR(uv[i][0], str.m_pPoints[i][0] / 10, 1e-9) << i;
        EXPECT_NEAR(uv[i][1], str.m_pPoints[i][1] / 10, 1e-9) << i;
    }
    CStrP3D one;
    one.Create(1, false, false);
    ad.AddPointString(&one, ad.surfHead);
    ad.AddPointString(nullptr, ad.surfHead);
    ad.AddPointString(&str, nullptr);
    EXPECT_EQ(ad.curveHead, ad.curveTail) << "nothing added";
}

// A point that cannot be projected (a non-finite coordinate, as from a gap in a
// measured string) ends the run before it: that run asks for its end to be
// extended and the next run for its start. The string runs along y = 5 from x = 2
// to x = 8 on the 10 × 10 plane (u = x / 10), away from the sides so that no end
// is snapped instead; extended ends go out by the diagonal along their end segment.
TEST_F(SrfTrimAdaptorTest, UnprojectablePointsSplitAPointString)
{
    const double diag = std::sqrt(2.0), nan = std::numeric_limits<double>::quiet_NaN();
    struct Row {
        const char* label;
        std::vector<int> failing;  // indices of the 11 points made non-finite
        UVList ends;               // first and last (u, v) of each curve, in order
    } rows[] = {
        {"a gap in the middle", {5}, {{0.2, 0.5}, {0.2 + diag, 0.5}, {0.8 - diag, 0.5}, {0.8, 0.5}}},
        {"a gap at the start", {0}, {{0.8 - diag, 0.5}, {0.8, 0.5}}},
        {"a gap at the end", {10}, {{0.2, 0.5}, {0.2 + diag, 0.5}}},
        {"every other point", {1, 3, 5, 7, 9}, {}},
    };
    for (const Row& row : rows) {
        Surf s = PlaneSurf({0, 0, 0}, {10, 0, 0}, {0, 10, 0});
        CSrfTrimAdaptor ad;
        ad.AddSurface(s.get(), 0);
        CStrP3D str;
        str.Create(11, false, false);
        for (int i = 0; i <= 10; ++i) {
            str.m_pPoints[i][0] = 2.0 + 0.6 * i;
            str.m_pPoints[i][1] = 5.0;
            str.m_pPoints[i][2] = 1.0;
        }
        for (int i : row.failing) str.m_pPoints[i][1] = nan;
        ad.AddPointString(&str, ad.surfHead);
        UVList ends;
        for (const CEdInterCurve* c = ad.curveHead; c; c = c->next) {
            const UVList uv = CurveUV(c);
            ends.push_back(uv.front());
            ends.push_back(uv.back());
        }
        ASSERT_EQ(ends.size(), row.ends.size()) << row.label;
        for (size_t k = 0; k < ends.size(); ++k) {
            EXPECT_NEAR(ends[k][0], row.ends[k][0], 1e-9) << row.label << ", end " << k;
            EXPECT_NEAR(ends[k][1], row.ends[k][1], 1e-9) << row.label << ", end " << k;
        }
    }
}

// An intersection record whose trace runs along v = offset on the plane's (u, v)
// (first surface), five samples over the whole edge.
ECRV_INTCUR* AlongEdge(CGeTrimSurf& plane, double offset)
{
    SSI_TRACE* trace = ESSI_NewTraceArray(5, nullptr);
    for (int k = 0; k < 5; ++k) {
        SSI_SAMPLE& sm = trace->s[k];
        sm.uvA[0] = 0.25 * k;
        sm.uvA[1] = offset;
        sm.uvB[0] = sm.uvA[0];
        sm.uvB[1] = 0.5;
        plane.GetPoint(sm.uvA[0], sm.uvA[1], sm.p);
        sm.t = k;
    }
    auto* rec = static_cast<SURFACE*>(plane.m_pKernelSurf);
    return ECRV_NewIntersection(rec, rec, trace);
}

TEST_F(SrfTrimAdaptorTest, CurvesOnATrimBoundAreRefused)
{
    Surf s = PlaneSurf({0, 0, 0}, {10, 0, 0}, {0, 10, 0});
    Surf other = PlaneSurf({0, 0, 0}, {10, 0, 0}, {0, 0, 10});
    CSrfTrimAdaptor ad;
    ad.AddSurface(s.get(), 0);
    ad.AddSurface(other.get(), 1);
    CEdTrimSurf* e = ad.FindEdSurf(s.get());
    CEdTrimSurf* f = ad.FindEdSurf(other.get());
    struct Row {
        const char* label;
        double offset;
        bool first;  // the plane as the first surface
        bool added;
    } rows[] = {
        {"along the bound within 0.01", 0.0005, true, false},
        {"beside the bound", 0.05, true, true},
        {"on the bound of the second surface only", 0.0005, false, true},
    };
    for (const Row& r : rows) {
        ECRV_INTCUR* rec = AlongEdge(*s, r.offset);
        CEdInterCurve* c = r.first ? ad.AddInterCurve(rec, e, f) : ad.AddInterCurve(rec, nullptr, e);
        EXPECT_EQ(c != nullptr, r.added) << r.label;
        if (c) {
            EXPECT_EQ(ad.curveTail, c) << r.label;
        }
        ECRV_FreeIntersection(rec);
    }
    EXPECT_EQ(ad.AddInterCurve(nullptr, e, f), nullptr);
    EXPECT_EQ(CurveCount(ad), 2);
}

TEST_F(SrfTrimAdaptorTest, PiecesOnTheKeptSideAndRepeatedTrims)
{
    // A square plane cut upwards along u = 0.3: with the curve's side flag 1 only
    // the piece on its left (u < 0.3) is collected, with 0 only the one on its right
    // (bounded by the reversed piece, whose flag is swapped).
    for (int side : {1, 0}) {
        Surf s = PlaneSurf({0, 0, 0}, {10, 0, 0}, {0, 10, 0});
        CSrfTrimAdaptor ad;
        ad.AddSurface(s.get(), 0);
        double line[2][2] = {{0.3, 0.0}, {0.3, 1.0}};
        CEdInterCurve* c = ad.AddUVCurve(line, 2, ad.surfHead, false, false);
        ASSERT_NE(c, nullptr);
        c->sideA = side;
        for (int run = 0; run < 2; ++run) {
            const std::string label = "side " + std::to_string(side) + ", trim " + std::to_string(run + 1);
            EXPECT_EQ(ad.Trim(0), 1);
            CObList all, kept;
            EXPECT_EQ(ad.CollectResults(&all), 1) << label;
            EXPECT_EQ(all.GetCount(), 2) << label << ": a second trim gives the same loops";
            for (CGeTrimSurf* p : Take(all)) delete p;
            const int got = ad.CollectPieces(s.get(), &kept);
            const std::vector<CGeTrimSurf*> pieces = Take(kept);
            ASSERT_EQ(got, 1) << label;
            ASSERT_EQ(pieces.size(), 1u) << label;
            EXPECT_NEAR(TrimmedArea(*pieces[0], 200), side == 1 ? 30.0 : 70.0, 0.2) << label;
            double probe[2] = {side == 1 ? 0.15 : 0.65, 0.5};
            EXPECT_TRUE(pieces[0]->IsPtInParaLoop(probe)) << label;
            for (CGeTrimSurf* p : pieces) delete p;
        }
    }
    CSrfTrimAdaptor empty;
    CObList out;
    EXPECT_EQ(empty.CollectPieces(nullptr, &out), 0);
    EXPECT_EQ(empty.CollectResults(nullptr), 0);
    EXPECT_EQ(empty.PrepareIntersections(1), 0) << "no curve";
}

TEST_F(SrfTrimAdaptorTest, CurvesAndSegmentsOfTheCuttingCurves)
{
    // A plane with a hole cut by a vertical plane through the hole: the cutting
    // curve's valid pieces are the two spans outside the hole, on the tool.
    surffix::SurfPtr square = surffix::Plane(10, 10);
    Surf target = trimfix::Holed(square.get(), {{0.5, 0.5, 0.2}});
    Surf tool = PlaneSurf({5, -1, -1}, {0, 12, 0}, {0, 0, 2});
    CSrfTrimAdaptor ad;
    ad.AddSurface(target.get(), 0);
    ad.AddSurface(tool.get(), 1);
    ASSERT_EQ(ad.IntersectAll(), 1);
    ad.PrepareIntersections(1);
    CObList curves;
    EXPECT_EQ(ad.CollectCurves3d(ad.FindEdSurf(target.get()), 2, &curves), 1);
    ASSERT_EQ(curves.GetCount(), 2) << "the two spans outside the hole";
    double length = 0.0;
    while (!curves.IsEmpty()) {
        auto* c = static_cast<CGeCurve3d*>(curves.RemoveHead());
        double a[3], b[3];
        c->GetStartPoint(a);
        c->GetEndPoint(b);
        EXPECT_NEAR(a[0], 5, 1e-6);
        EXPECT_NEAR(b[0], 5, 1e-6);
        EXPECT_NEAR(a[2], 0, 1e-6);
        length += c->EvTotalArcLength();
        delete c;
    }
    EXPECT_NEAR(length, 6.0, 1e-3) << "10 across less the hole's 4";
    EXPECT_EQ(ad.CollectCurves3d(nullptr, 2, &curves), 0);
    EXPECT_EQ(ad.CollectCurves3d(ad.surfHead, 2, nullptr), 0);

    CPtrList records;
    EXPECT_EQ(ad.CollectValidSegments(&records), 1);
    ASSERT_EQ(records.GetCount(), 2);
    while (!records.IsEmpty()) {
        auto* rec = static_cast<ECRV_INTCUR*>(records.RemoveHead());
        ASSERT_NE(rec->trace, nullptr);
        for (int k = 0; k < rec->trace->n; ++k) {
            const double* p = rec->trace->s[k].p;
            EXPECT_NEAR(p[0], 5, 1e-6);
            EXPECT_GE(std::hypot(p[0] - 5, p[1] - 5), 2 - 1e-3) << "outside the hole";
        }
        ENT_Free(rec->a);
        ENT_Free(rec->b);
        ECRV_FreeIntersection(rec);
    }
    EXPECT_EQ(ad.CollectValidSegments(nullptr), 0);
}

}  // namespace
