// GEOS's offset curve of a polyline with round joins, for the tests and benchmarks that compare the
// open-curve offset against it. Header only: the caller links GEOS's C API.
#pragma once

#include <geos_c.h>

#include <array>
#include <vector>

namespace geospeer {

using Pt2 = std::array<double, 2>;
using Polyline = std::vector<Pt2>;

class OffsetCurve {
public:
    OffsetCurve() : m_h(GEOS_init_r()) {}
    ~OffsetCurve() { GEOS_finish_r(m_h); }
    OffsetCurve(const OffsetCurve&) = delete;
    OffsetCurve& operator=(const OffsetCurve&) = delete;

    // The curve at signed distance d (left of travel positive) with round
    // joins of quadSegs segments per quarter turn: one polyline per part.
    // Empty when GEOS rejects the input.
    std::vector<Polyline> Offset(const Polyline& in, double d, int quadSegs = 32) const
    {
        std::vector<Polyline> out;
        GEOSGeometry* line = Line(in);
        if (!line) return out;
        GEOSGeometry* off = GEOSOffsetCurve_r(m_h, line, d, quadSegs, GEOSBUF_JOIN_ROUND, 5.0);
        GEOSGeom_destroy_r(m_h, line);
        if (!off) return out;
        const int n = GEOSGetNumGeometries_r(m_h, off);
        for (int i = 0; i < n; ++i) out.push_back(Points(GEOSGetGeometryN_r(m_h, off, i)));
        GEOSGeom_destroy_r(m_h, off);
        return out;
    }

private:
    GEOSGeometry* Line(const Polyline& p) const
    {
        if (p.size() < 2) return nullptr;
        GEOSCoordSequence* seq = GEOSCoordSeq_create_r(m_h, unsigned(p.size()), 2);
        for (size_t i = 0; i < p.size(); ++i) GEOSCoordSeq_setXY_r(m_h, seq, unsigned(i), p[i][0], p[i][1]);
        return GEOSGeom_createLineString_r(m_h, seq);
    }
    Polyline Points(const GEOSGeometry* g) const
    {
        Polyline out;
        const GEOSCoordSequence* seq = GEOSGeom_getCoordSeq_r(m_h, g);
        unsigned n = 0;
        if (!seq || !GEOSCoordSeq_getSize_r(m_h, seq, &n)) return out;
        for (unsigned i = 0; i < n; ++i) {
            Pt2 p{};
            GEOSCoordSeq_getXY_r(m_h, seq, i, &p[0], &p[1]);
            out.push_back(p);
        }
        return out;
    }

    GEOSContextHandle_t m_h;
};

}  // namespace geospeer
