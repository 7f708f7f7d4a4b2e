// Outlines imported by the built plug-in (cairo's EPS and Ghostscript's Illustrator files)
// through the exported loop functions: closed curves become loops (cubics approximated by
// arcs), offset by 0.5 and 2 mm both ways and combined with a shifted copy, against
// Clipper on the same linework (arcs flattened at 0.001); their regions pocketed
// contour-parallel, against the cut oracles.
#include "framework/extendra/PlugInTable.h"
#include "framework/looker/QVGlobal.h"
#include "geometry/algorithms/BezierToArc.h"
#include "geometry/algorithms/GeTool2D.h"
#include "geometry/shapes2d/GeRegion.h"
#include "plugins/illustrator/tests/IlvaneTestUtil.h"
#include "platform/ui/ScriptedPrompt.h"
#include "testing/CutOracle.h"
#include "testing/GeLoopPaths.h"
#include "toolpath/contours/CornerType.h"
#include "toolpath/contours/CutPath.h"
#include "toolpath/contours/LoopApi.h"
#include "toolpath/contours/PathConst.h"
#include "toolpath/contours/tests/SkeletonChecks.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <algorithm>
#include <memory>
#include <string>

namespace {

const std::string kModulePath = ILVANE_MODULE_PATH;
const std::string kData = ILVANE_TEST_DATA;

// The closed curves of an imported curve as a loop: lines and polylines as they are,
// cubic segments as arcs and lines at 0.01 mm; null for an open curve.
CGeLoop* LoopOf(CGeCurve* c)
{
    if (!c || !c->GetClosedFlag())
        return nullptr;
    std::vector<CGeCurve*> members;
    if (c->GetType() == ilvane::test::kComposite)
        for (CGeCurve* m : static_cast<CGeCombCurve*>(c)->GetCurveList())
            members.push_back(m);
    else
        members.push_back(c);
    auto* loop = new CGeLoop;
    for (CGeCurve* m : members) {
        if (m->GetType() != ilvane::test::kBezier) {
            loop->AddTail(m->Copy(), 1);
            continue;
        }
        auto* bez = static_cast<CGeBezier*>(m);
        for (unsigned i = 0; i + 3 < bez->GetNodeCount(); i += 3) {
            double pts[4][2];
            for (unsigned k = 0; k < 4; ++k) {
                pts[k][0] = bez->GetNodes()[i + k].x;
                pts[k][1] = bez->GetNodes()[i + k].y;
            }
            CTypedPtrList<CObList, CGeCurve*> pieces;
            CBezierToArc(pts, 3).ArcApproxi(0.01, &pieces);
            while (!pieces.IsEmpty())
                loop->AddTail(pieces.RemoveHead(), 1);
        }
    }
    return loop;
}

void Collect(CDbEntity* e, GeLoopList& out)
{
    if (auto* curve = dynamic_cast<CDbCurve*>(e)) {
        if (CGeLoop* l = LoopOf(curve->GetCurve()))
            out.AddTail(l);
    } else if (auto* group = dynamic_cast<CDbUnion*>(e)) {
        for (CDbEntity* m : group->GetMembers())
            Collect(m, out);
    }
}

void Free(GeLoopList& l)
{
    while (!l.IsEmpty())
        delete l.RemoveHead();
}

class ImportedLoops : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override
    {
        m_module = dlopen(kModulePath.c_str(), RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(m_module, nullptr) << dlerror();
        auto import = reinterpret_cast<PlugInImportFn>(dlsym(m_module, kPlugInImportName));
        ASSERT_NE(import, nullptr);
        CPtrList list;
        import(CString::FromUtf8(kData + GetParam()), &list);
        while (!list.IsEmpty()) {
            auto* e = static_cast<CDbEntity*>(list.RemoveHead());
            Collect(e, m_loops);
            delete e;
        }
        ASSERT_GT(m_loops.GetCount(), 0) << GetParam();
    }
    void TearDown() override
    {
        Free(m_loops);
        if (m_module)
            dlclose(m_module);
    }

    CScriptedPrompt m_prompt;
    void* m_module = nullptr;
    GeLoopList m_loops;
};

ClipperLib::Paths Region(GeLoopList& loops)
{
    return clipperpaths::Normalised(geloops::ListPaths(loops), ClipperLib::pftEvenOdd);
}

TEST_P(ImportedLoops, OffsetsAgainstClipper)
{
    const ClipperLib::Paths src = Region(m_loops);
    const double lean = 2 * gGetCrvDiscTol();  // the list functions thin runs of lines first
    for (int mode : {0, 2})
        for (double d : {0.5, 2.0}) {
            const std::string label = std::string(GetParam()) + " mode " + std::to_string(mode) + " d " + std::to_string(d);
            GeLoopList out;
            acGeLoopListOffset(&m_loops, d, 4, mode, &out);
            const ClipperLib::Paths peer = clipperpaths::Offset(src, mode == 0 ? -d : d, ClipperLib::jtRound);
            const ClipperLib::Paths ours = geloops::ListPaths(out);
            const double perimeter = clipperpaths::Perimeter(src) + clipperpaths::Perimeter(peer);
            EXPECT_EQ(out.GetCount() > 0, !peer.empty()) << label;
            EXPECT_LE(clipperpaths::XorArea(ours, ClipperLib::pftEvenOdd, peer, ClipperLib::pftNonZero), (lean + 0.002) * perimeter)
                << label;
            const auto x = clipperpaths::Counts(clipperpaths::Filtered(ours, 1e-3), ClipperLib::pftEvenOdd);
            const auto y = clipperpaths::Counts(clipperpaths::Filtered(peer, 1e-3), ClipperLib::pftNonZero);
            EXPECT_EQ(x.outers, y.outers) << label;
            EXPECT_EQ(x.holes, y.holes) << label;
            Free(out);
        }
}

TEST_P(ImportedLoops, BooleansWithAShiftedCopyAgainstClipper)
{
    GeLoopList a, b;
    for (POSITION pos = m_loops.GetHeadPosition(); pos;) {
        CGeLoop* l = m_loops.GetNext(pos);
        a.AddTail(static_cast<CGeLoop*>(l->Copy()));
        auto* m = static_cast<CGeLoop*>(l->Copy());
        double off[2] = {1.3, 0.7};
        m->Translate(off);
        b.AddTail(m);
    }
    const ClipperLib::Paths pa = Region(a), pb = Region(b);
    GeRegionList ra, rb;
    CGeTool2D tool;
    tool.CreateRegion(&a, &ra);
    tool.CreateRegion(&b, &rb);
    Free(a);
    Free(b);
    const double tol = 0.002 * (clipperpaths::Perimeter(pa) + clipperpaths::Perimeter(pb));
    for (auto [op, ct] : {std::pair{0, ClipperLib::ctDifference}, std::pair{1, ClipperLib::ctIntersection},
                          std::pair{3, ClipperLib::ctUnion}}) {
        const std::string label = std::string(GetParam()) + " op " + std::to_string(op);
        GeLoopList out;
        acGeLoopBool(&ra, &rb, op, &out);
        ClipperLib::Clipper c;
        c.AddPaths(pa, ClipperLib::ptSubject, true);
        c.AddPaths(pb, ClipperLib::ptClip, true);
        ClipperLib::Paths peer;
        c.Execute(ct, peer, ClipperLib::pftNonZero, ClipperLib::pftNonZero);
        const ClipperLib::Paths ours = geloops::ListPaths(out);
        EXPECT_LE(clipperpaths::XorArea(ours, ClipperLib::pftEvenOdd, peer, ClipperLib::pftNonZero), tol) << label;
        const auto x = clipperpaths::Counts(clipperpaths::Filtered(ours, 1e-3), ClipperLib::pftEvenOdd);
        const auto y = clipperpaths::Counts(clipperpaths::Filtered(peer, 1e-3), ClipperLib::pftNonZero);
        EXPECT_EQ(x.outers, y.outers) << label;
        EXPECT_EQ(x.holes, y.holes) << label;
        Free(out);
    }
    for (GeRegionList* l : {&ra, &rb})
        while (!l->IsEmpty())
            delete l->RemoveHead();
}

// The regions of the loops as pocket loops, one at a time; the count of them.
template <class F>
int ForEachRegionLoop(GeLoopList& loops, F&& visit)
{
    GeRegionList regions;
    CGeTool2D().CreateRegion(&loops, &regions);
    int count = 0;
    while (!regions.IsEmpty()) {
        std::unique_ptr<CGeRegion> r(regions.RemoveHead());
        std::unique_ptr<CSmartLoop> L(ConvertRegionToSmartLoop(r.get()));
        if (!L)
            continue;
        visit(L.get(), count);
        ++count;
    }
    return count;
}

TEST_P(ImportedLoops, ContourParallelPathsCutTheRegionsWithoutGouging)
{
    const int cut = ForEachRegionLoop(m_loops, [&](CSmartLoop* L, int) {
        const cuttest::Boundary region = cuttest::LoopBoundary(*L);
        // Rings about a twentieth of the region apart, a tool of that radius.
        const double step = std::max(L->box[1][0] - L->box[0][0], L->box[1][1] - L->box[0][1]) / 20;
        DVN_CutFollowDef def;
        def.step = step;
        DVN_CornerType corner{4, 0, 0};
        DVN_OrderType order;
        CPathCombine out(1);
        ASSERT_EQ(L->CreateFollowPath(out, def, corner, order), 1) << GetParam();
        const auto pts = cuttest::SamplePath(out, step / 5);
        ASSERT_FALSE(pts.empty()) << GetParam();
        const auto gouges = cuttest::Gouges(region, pts, pathc::kArcChordTol + 1e-6);
        EXPECT_TRUE(gouges.empty()) << GetParam() << " gouges at " << gouges.front()[0] << ", " << gouges.front()[1];
        const auto uncut = cuttest::Uncut(region, pts, step, step / 3, step / 10 + 1e-3);
        EXPECT_TRUE(uncut.empty()) << GetParam() << " uncut at " << uncut.front()[0] << ", " << uncut.front()[1];
    });
    EXPECT_GT(cut, 0) << GetParam();
}

// Each imported region's skeleton (narrow corners) against the brute-force boundary
// distance and Boost.Polygon's Voronoi medial axis.
TEST_P(ImportedLoops, SkeletonsFollowTheMedialAxis)
{
    const int checked = ForEachRegionLoop(m_loops, [&](CSmartLoop* L, int k) {
        skeltest::CheckAgainstMedialAxis(std::string(GetParam()) + " region " + std::to_string(k), L);
    });
    EXPECT_GT(checked, 0) << GetParam();
}

INSTANTIATE_TEST_SUITE_P(Fixtures, ImportedLoops,
                         ::testing::Values("cairo_circle.eps", "cairo_hole.eps", "cairo_rect.eps", "cairo_text.eps",
                                           "gs_circle.ai", "gs_hole.ai", "gs_rect.ai", "gs_text.ai"),
                         [](const ::testing::TestParamInfo<const char*>& i) {
                             std::string n = i.param;
                             for (char& ch : n)
                                 if (ch == '.' || ch == '_')
                                     ch = 'X';
                             return n;
                         });

}  // namespace
