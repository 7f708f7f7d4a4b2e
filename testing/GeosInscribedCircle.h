// GEOS's maximum inscribed circle of a set of rings under the even-odd rule, for the
// tests and benchmarks that compare the inscribed-circle search against it. Header
// only: the caller links GEOS's C API.
#pragma once

#include <geos_c.h>

#include <array>
#include <cmath>
#include <vector>

namespace geospeer {

using Pt = std::array<double, 2>;
using Ring = std::vector<Pt>;

struct Circle {
    double radius = 0;
    Pt centre{0, 0};
};

class InscribedCircle {
public:
    InscribedCircle() : m_h(GEOS_init_r()) {}
    ~InscribedCircle()
    {
        if (m_area) GEOSGeom_destroy_r(m_h, m_area);
        GEOS_finish_r(m_h);
    }
    InscribedCircle(const InscribedCircle&) = delete;
    InscribedCircle& operator=(const InscribedCircle&) = delete;

    // The even-odd area of the rings: the symmetric difference of one polygon per ring.
    // False when GEOS rejects a ring.
    bool SetRings(const std::vector<Ring>& rings)
    {
        if (m_area) GEOSGeom_destroy_r(m_h, m_area);
        m_area = nullptr;
        for (const Ring& r : rings) {
            GEOSGeometry* poly = Polygon(r);
            if (!poly) return false;
            if (!m_area) {
                m_area = poly;
                continue;
            }
            GEOSGeometry* x = GEOSSymDifference_r(m_h, m_area, poly);
            GEOSGeom_destroy_r(m_h, poly);
            GEOSGeom_destroy_r(m_h, m_area);
            m_area = x;
            if (!m_area) return false;
        }
        return m_area != nullptr;
    }

    // The circle of the area set last, to GEOS's distance tolerance.
    Circle Run(double tolerance) const
    {
        Circle c;
        if (!m_area) return c;
        GEOSGeometry* line = GEOSMaximumInscribedCircle_r(m_h, m_area, tolerance);
        if (!line) return c;
        const GEOSCoordSequence* seq = GEOSGeom_getCoordSeq_r(m_h, line);
        double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
        GEOSCoordSeq_getXY_r(m_h, seq, 0, &x0, &y0);
        GEOSCoordSeq_getXY_r(m_h, seq, 1, &x1, &y1);
        GEOSGeom_destroy_r(m_h, line);
        c.centre = {x0, y0};
        c.radius = std::hypot(x1 - x0, y1 - y0);
        return c;
    }

private:
    GEOSGeometry* Polygon(const Ring& r) const
    {
        std::vector<double> xy;
        for (const Pt& p : r) {
            xy.push_back(p[0]);
            xy.push_back(p[1]);
        }
        if (r.size() < 3) return nullptr;
        if (r.front() != r.back()) {
            xy.push_back(r.front()[0]);
            xy.push_back(r.front()[1]);
        }
        GEOSCoordSequence* seq = GEOSCoordSeq_copyFromBuffer_r(m_h, xy.data(), xy.size() / 2, 0, 0);
        GEOSGeometry* shell = seq ? GEOSGeom_createLinearRing_r(m_h, seq) : nullptr;
        GEOSGeometry* poly = shell ? GEOSGeom_createPolygon_r(m_h, shell, nullptr, 0) : nullptr;
        if (!poly) return nullptr;
        // A self-touching glyph ring is made valid before it is combined.
        if (GEOSisValid_r(m_h, poly) != 1) {
            GEOSGeometry* valid = GEOSMakeValid_r(m_h, poly);
            GEOSGeom_destroy_r(m_h, poly);
            poly = valid;
        }
        return poly;
    }

    GEOSContextHandle_t m_h;
    GEOSGeometry* m_area = nullptr;
};

}  // namespace geospeer
