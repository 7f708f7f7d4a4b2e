// Real outlines through the loop functions: a line of DejaVu Sans glyphs (cubics
// approximated by arcs, regions nested by the geometry toolkit) and two GSHHG coasts,
// offset by 0.5 and 2 mm both ways and combined with shifted copies of themselves,
// against Clipper on the same linework (arcs flattened at 0.001) and, for the Booleans,
// GEOS's overlay.
#include "GeLoopFixtures.h"

#include "framework/looker/QVGlobal.h"
#include "geometry/algorithms/GeTool2D.h"
#include "testing/GlyphLoops.h"
#include "testing/Shorelines.h"

#include <geos_c.h>
#include <gtest/gtest.h>

#include <string>

namespace {

using namespace apitest;

struct Outline {
    std::string label;
    std::vector<Polygon> polys;  // the source loops, flattened
    Loops loops;                 // as the geometry library's loops
};

void AddGlyphs(Outline& o, bool page)
{
    glyphs::GlyphReader font;
    ASSERT_TRUE(font.Ok());
    if (page) {
        glyphs::GlyphPageLoops(font, o.loops);
    } else {
        ASSERT_GT(glyphs::GlyphLineLoops(font, "Korvel B&g8@", 60, 0, o.loops), 10);
    }
    for (POSITION pos = o.loops.GetHeadPosition(); pos;)
        o.polys.push_back(Flatten(o.loops.GetNext(pos)));
}

void AddCoast(Outline& o, const char* name)
{
    for (const shorelines::Loop& l : shorelines::Read(name)) {
        o.polys.push_back(l);
        o.loops.AddTail(PolylineLoop(l));
    }
    ASSERT_FALSE(o.polys.empty()) << name;
}

// The source as a region, by the even-odd rule (glyph holes run either way).
ClipperLib::Paths SourceRegion(const Outline& o)
{
    return clipperpaths::Normalised(clipperpaths::ToPaths(o.polys), ClipperLib::pftEvenOdd);
}

void Shift(std::vector<Polygon>& polys, double dx, double dy)
{
    for (Polygon& p : polys)
        for (auto& q : p)
            q = {q[0] + dx, q[1] + dy};
}

class Geos {
public:
    Geos() : m_h(GEOS_init_r()) {}
    ~Geos() { GEOS_finish_r(m_h); }
    Geos(const Geos&) = delete;
    Geos& operator=(const Geos&) = delete;
    // The region of oriented, simple paths (outer loops counter-clockwise) as polygons.
    GEOSGeometry* Region(const ClipperLib::Paths& paths)
    {
        ClipperLib::Clipper c;
        c.AddPaths(paths, ClipperLib::ptSubject, true);
        ClipperLib::PolyTree tree;
        c.Execute(ClipperLib::ctUnion, tree, ClipperLib::pftNonZero, ClipperLib::pftNonZero);
        std::vector<GEOSGeometry*> polys;
        for (ClipperLib::PolyNode* n = tree.GetFirst(); n; n = n->GetNext()) {
            if (n->IsHole())
                continue;
            std::vector<GEOSGeometry*> holes;
            for (ClipperLib::PolyNode* h : n->Childs)
                holes.push_back(Ring(h->Contour));
            polys.push_back(GEOSGeom_createPolygon_r(m_h, Ring(n->Contour), holes.data(), static_cast<unsigned>(holes.size())));
        }
        return GEOSGeom_createCollection_r(m_h, GEOS_MULTIPOLYGON, polys.data(), static_cast<unsigned>(polys.size()));
    }
    double Area(GEOSGeometry* g)
    {
        double a = 0;
        GEOSArea_r(m_h, g, &a);
        return a;
    }
    GEOSGeometry* Op(int op, GEOSGeometry* a, GEOSGeometry* b)
    {
        return op == 0 ? GEOSDifference_r(m_h, a, b) : op == 1 ? GEOSIntersection_r(m_h, a, b) : GEOSUnion_r(m_h, a, b);
    }
    GEOSGeometry* SymDiff(GEOSGeometry* a, GEOSGeometry* b) { return GEOSSymDifference_r(m_h, a, b); }
    void Free(GEOSGeometry* g) { GEOSGeom_destroy_r(m_h, g); }

private:
    GEOSGeometry* Ring(const ClipperLib::Path& p)
    {
        GEOSCoordSequence* s = GEOSCoordSeq_create_r(m_h, static_cast<unsigned>(p.size() + 1), 2);
        for (std::size_t i = 0; i <= p.size(); ++i) {
            const auto& q = p[i % p.size()];
            GEOSCoordSeq_setXY_r(m_h, s, static_cast<unsigned>(i), q.X / clipperpaths::kScale, q.Y / clipperpaths::kScale);
        }
        return GEOSGeom_createLinearRing_r(m_h, s);
    }
    GEOSContextHandle_t m_h;
};

class RealLoops : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override
    {
        const char* labels[] = {"glyph line", "iceland fjords", "aegean islands", "glyph page"};
        m_o.label = labels[GetParam()];
        if (GetParam() == 0 || GetParam() == 3)
            AddGlyphs(m_o, GetParam() == 3);
        else
            AddCoast(m_o, GetParam() == 1 ? "iceland_fjords" : "aegean_islands");
    }
    Outline m_o;
};

TEST_P(RealLoops, OffsetsAgainstClipper)
{
    const ClipperLib::Paths src = SourceRegion(m_o);
    // The list functions thin runs of lines at twice the curve tolerance first.
    const double lean = 2 * gGetCrvDiscTol();
    for (int mode : {0, 2})
        for (double d : {0.5, 2.0}) {
            const std::string label = m_o.label + " mode " + std::to_string(mode) + " d " + std::to_string(d);
            Loops out;
            acGeLoopListOffset(&m_o.loops, d, 4, mode, &out);
            const ClipperLib::Paths peer = clipperpaths::Offset(src, mode == 0 ? -d : d, ClipperLib::jtRound);
            // 10 mm glyphs vanish inward by 2 mm; then both sides are empty.
            EXPECT_EQ(out.GetCount() > 0, !peer.empty()) << label;
            const ClipperLib::Paths ours = ListPaths(out);
            const double perimeter = clipperpaths::Perimeter(peer) + clipperpaths::Perimeter(src);
            EXPECT_LE(clipperpaths::XorArea(ours, ClipperLib::pftEvenOdd, peer, ClipperLib::pftNonZero),
                      (lean + 0.002) * perimeter)
                << label;
            EXPECT_NEAR(clipperpaths::ModelArea(clipperpaths::Normalised(ours, ClipperLib::pftEvenOdd)),
                        clipperpaths::ModelArea(peer), (lean + 0.002) * perimeter)
                << label;
            const auto x = clipperpaths::Counts(clipperpaths::Filtered(ours, 1e-3), ClipperLib::pftEvenOdd);
            const auto y = clipperpaths::Counts(clipperpaths::Filtered(peer, 1e-3), ClipperLib::pftNonZero);
            EXPECT_EQ(x.outers, y.outers) << label;
            EXPECT_EQ(x.holes, y.holes) << label;
        }
}

TEST_P(RealLoops, BooleansWithAShiftedCopyAgainstClipperAndGeos)
{
    std::vector<Polygon> moved = m_o.polys;
    Shift(moved, 3.3, 1.7);
    Regions a, b;
    {
        Loops la, lb;
        for (const Polygon& p : m_o.polys)
            la.AddTail(PolylineLoop(p));
        for (const Polygon& p : moved)
            lb.AddTail(PolylineLoop(p));
        CGeTool2D tool;
        tool.CreateRegion(&la, &a);
        tool.CreateRegion(&lb, &b);
    }
    ASSERT_GT(a.GetCount(), 0);
    const ClipperLib::Paths pa = SourceRegion(m_o);
    const ClipperLib::Paths pb = clipperpaths::Normalised(clipperpaths::ToPaths(moved), ClipperLib::pftEvenOdd);
    Geos geos;
    GEOSGeometry* ga = geos.Region(pa);
    GEOSGeometry* gb = geos.Region(pb);
    const double perimeter = clipperpaths::Perimeter(pa) + clipperpaths::Perimeter(pb);
    const struct {
        int op;
        ClipperLib::ClipType peer;
    } ops[] = {{0, ClipperLib::ctDifference}, {1, ClipperLib::ctIntersection}, {3, ClipperLib::ctUnion}};
    double areas[4] = {0, 0, 0, 0};
    for (const auto& o : ops) {
        const std::string label = m_o.label + " op " + std::to_string(o.op);
        Loops out;
        acGeLoopBool(&a, &b, o.op, &out);
        ClipperLib::Clipper c;
        c.AddPaths(pa, ClipperLib::ptSubject, true);
        c.AddPaths(pb, ClipperLib::ptClip, true);
        ClipperLib::Paths peer;
        c.Execute(o.peer, peer, ClipperLib::pftNonZero, ClipperLib::pftNonZero);
        const ClipperLib::Paths ours = clipperpaths::Normalised(ListPaths(out), ClipperLib::pftEvenOdd);
        EXPECT_LE(clipperpaths::XorArea(ours, ClipperLib::pftNonZero, peer, ClipperLib::pftNonZero), 0.002 * perimeter)
            << label << " against Clipper";
        // Coasts hold places where a loop and the shifted copy overlap by less than loop
        // forming resolves (it joins ends within 0.001): loops are counted after a closing
        // and an opening at that scale, which merges pieces that meet there and drops
        // slivers thinner.
        const auto x = clipperpaths::Counts(clipperpaths::Filtered(ours, 1e-3), ClipperLib::pftNonZero);
        const auto y = clipperpaths::Counts(clipperpaths::Filtered(peer, 1e-3), ClipperLib::pftNonZero);
        EXPECT_EQ(x.outers, y.outers) << label;
        EXPECT_EQ(x.holes, y.holes) << label;
        GEOSGeometry* g = geos.Op(o.op, ga, gb);
        GEOSGeometry* mine = geos.Region(ours);
        GEOSGeometry* sd = geos.SymDiff(g, mine);
        EXPECT_LE(geos.Area(sd), 0.002 * perimeter) << label << " against GEOS";
        geos.Free(sd);
        geos.Free(mine);
        geos.Free(g);
        areas[o.op] = clipperpaths::ModelArea(ours);
    }
    EXPECT_NEAR(areas[0] + areas[1], clipperpaths::ModelArea(pa), 0.002 * perimeter) << m_o.label;
    geos.Free(ga);
    geos.Free(gb);
}

std::string OutlineName(const ::testing::TestParamInfo<int>& i)
{
    static const char* const names[] = {"GlyphLine", "IcelandFjords", "AegeanIslands", "GlyphPage"};
    return names[i.param];
}

INSTANTIATE_TEST_SUITE_P(Outlines, RealLoops, ::testing::Values(0, 1, 2, 3), OutlineName);

}  // namespace
