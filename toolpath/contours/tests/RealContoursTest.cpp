// Real contours: shoreline loops (simple polygons by construction) and glyph outlines
// fitted to lines and arcs, crossed with shifted and rotated copies of themselves.
// GEOS intersects the same linework (the polygons exactly, arcs flattened finely).
#include "CurveFixtures.h"

#include "testing/GlyphOutlines.h"
#include "testing/Shorelines.h"

#include <geos_c.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

using namespace curvetest;

CSmartCurve* LoopCurve(const shorelines::Loop& l) { return Polyline(l, true); }

class Geos {
public:
    Geos() : m_h(GEOS_init_r()) {}
    ~Geos() { GEOS_finish_r(m_h); }
    // Crossing points of two closed polylines.
    std::vector<P> Crossings(const std::vector<P>& a, const std::vector<P>& b)
    {
        GEOSGeometry* ga = Ring(a);
        GEOSGeometry* gb = Ring(b);
        GEOSGeometry* x = GEOSIntersection_r(m_h, ga, gb);
        std::vector<P> out;
        Collect(x, out);
        GEOSGeom_destroy_r(m_h, x);
        GEOSGeom_destroy_r(m_h, ga);
        GEOSGeom_destroy_r(m_h, gb);
        return out;
    }

private:
    GEOSGeometry* Ring(const std::vector<P>& p)
    {
        GEOSCoordSequence* s = GEOSCoordSeq_create_r(m_h, static_cast<unsigned>(p.size() + 1), 2);
        for (std::size_t i = 0; i <= p.size(); ++i) {
            const P& q = p[i % p.size()];
            GEOSCoordSeq_setXY_r(m_h, s, static_cast<unsigned>(i), q[0], q[1]);
        }
        return GEOSGeom_createLineString_r(m_h, s);
    }
    void Collect(const GEOSGeometry* g, std::vector<P>& out)
    {
        const int n = GEOSGetNumGeometries_r(m_h, g);
        if (GEOSGeomTypeId_r(m_h, g) == GEOS_POINT) {
            double x, y;
            GEOSGeomGetX_r(m_h, g, &x);
            GEOSGeomGetY_r(m_h, g, &y);
            out.push_back({x, y});
            return;
        }
        for (int i = 0; i < n && GEOSGeomTypeId_r(m_h, g) != GEOS_POINT; ++i)
            if (GEOSGetGeometryN_r(m_h, g, i) != g)
                Collect(GEOSGetGeometryN_r(m_h, g, i), out);
    }
    GEOSContextHandle_t m_h;
};

// Distinct intersection points held by the sections of c (a crossing at a joint sits
// on both sections there).
std::vector<P> HeldPoints(const CSmartCurve& c, double merge)
{
    std::vector<P> v;
    for (CSmartSect* s = c.head; s; s = s->next)
        for (const auto& q : PointsOf(s)) {
            bool dup = false;
            for (const P& o : v)
                dup = dup || std::hypot(o[0] - q[0], o[1] - q[1]) < merge;
            if (!dup)
                v.push_back({q[0], q[1]});
        }
    return v;
}

void ExpectSameSets(const std::vector<P>& got, const std::vector<P>& want, double tol, const std::string& label)
{
    EXPECT_EQ(got.size(), want.size()) << label;
    for (const P& w : want) {
        double best = HUGE_VAL;
        for (const P& g : got)
            best = std::min(best, std::hypot(g[0] - w[0], g[1] - w[1]));
        EXPECT_LT(best, tol) << label << ": GEOS point " << w[0] << ", " << w[1] << " not found";
    }
}

// A copy moved by (dx, dy) and turned by `turn` about the origin.
CSmartCurve* Moved(CSmartCurve& c, double dx, double dy, double turn)
{
    CSmartCurve* m = c.CopyMyself();
    m->MoveCurve(dx, dy);
    m->RotateCurve(turn);
    m->DefineBox();
    return m;
}

TEST(RealContours, ShorelinesAreSimpleAndCrossTheirCopiesAsGeosSays)
{
    Geos geos;
    for (const char* name : {"iceland_fjords", "aegean_islands"}) {
        const auto loops = shorelines::Read(name);
        ASSERT_FALSE(loops.empty()) << name;
        int crossed = 0;
        for (std::size_t i = 0; i < loops.size(); i += loops.size() > 20 ? 7 : 1) {
            const std::string label = std::string(name) + " loop " + std::to_string(i);
            std::unique_ptr<CSmartCurve> c(LoopCurve(loops[i]));
            c->DefineBox();
            EXPECT_EQ(c->AutoInters(0), 0) << label << ": a shoreline does not cross itself";
            std::unique_ptr<CSmartCurve> m(Moved(*c, 0.37, -0.21, 0.002));
            std::unique_ptr<CSmartCurve> fresh(LoopCurve(loops[i]));
            fresh->CurveCurveInt(m.get());
            const auto want = geos.Crossings(loops[i], Flatten(*m));
            ExpectSameSets(HeldPoints(*fresh, 1e-7), want, 1e-7, label);
            crossed += !want.empty();
        }
        EXPECT_GT(crossed, 3) << name;
    }
}

TEST(RealContours, GlyphContoursCrossTheirCopiesAsGeosSays)
{
    glyphs::GlyphReader font;
    ASSERT_TRUE(font.Ok());
    Geos geos;
    std::size_t total = 0;
    for (unsigned long code : {0x38UL, 0x67UL, 0x40UL, 0x53UL, 0xAEUL}) {  // 8 g @ S ®
        std::vector<glyphs::Contour> contours;
        ASSERT_TRUE(font.Char(code, 0.05, contours)) << code;
        for (std::size_t k = 0; k < contours.size(); ++k) {
            const std::string label = "glyph " + std::to_string(code) + " contour " + std::to_string(k);
            std::unique_ptr<CSmartCurve> c(GlyphCurve(contours[k]));
            c->DefineBox();
            ASSERT_GT(c->count, 3) << label;
            std::unique_ptr<CSmartCurve> m(Moved(*c, 0.8, 0.45, 0.01));
            std::unique_ptr<CSmartCurve> fresh(c->CopyMyself());
            fresh->CurveCurveInt(m.get());
            // Arcs flattened at 0.001: crossings agree within the flattening.
            const auto want = geos.Crossings(Flatten(*c), Flatten(*m));
            ExpectSameSets(HeldPoints(*fresh, 1e-6), want, 0.05, label);
            total += want.size();
        }
    }
    EXPECT_GT(total, 20u) << "the copies should cross the glyphs";
}

}  // namespace
