// Element records of the triangle/quad mesh. The toolpath library reads the mesh's
// arrays of them raw, so their layouts are fixed.
#pragma once

#include "framework/numerak/Point3f.h"

#include <cstdint>

// A triangle: three vertex indices.
struct SFacet3 {
    std::uint32_t v[3];

    SFacet3() : v{0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu} {}
    SFacet3(const int& a, const int& b, const int& c)
        : v{std::uint32_t(a), std::uint32_t(b), std::uint32_t(c)} {}
    explicit SFacet3(const int* p) : v{std::uint32_t(p[0]), std::uint32_t(p[1]), std::uint32_t(p[2])} {}

    // No bounds check.
    std::uint32_t& operator[](int i) { return v[i]; }
    const std::uint32_t& operator[](int i) const { return v[i]; }
    void Set(std::uint32_t a, std::uint32_t b, std::uint32_t c)
    {
        v[0] = a;
        v[1] = b;
        v[2] = c;
    }
    // Position (0, 1, 2) of the first corner equal to i, else -1.
    int indexof(std::uint32_t i) const { return v[0] == i ? 0 : v[1] == i ? 1 : v[2] == i ? 2 : -1; }
};

// A quad: four vertex indices.
struct SFacet4 {
    std::uint32_t v[4];

    SFacet4() : v{0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu} {}
    SFacet4(const int& a, const int& b, const int& c, const int& d)
        : v{std::uint32_t(a), std::uint32_t(b), std::uint32_t(c), std::uint32_t(d)} {}

    std::uint32_t& operator[](int i) { return v[i]; }
    const std::uint32_t& operator[](int i) const { return v[i]; }
    void Set(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d)
    {
        v[0] = a;
        v[1] = b;
        v[2] = c;
        v[3] = d;
    }
};

// An edge with the faces on its two sides (-1: no face).
struct SEdge {
    std::uint32_t v0 = 0, v1 = 0;
    std::int32_t f0 = -1, f1 = -1;

    // Same two vertices in either order; the faces are not compared.
    bool operator==(SEdge o) const { return (v0 == o.v0 && v1 == o.v1) || (v0 == o.v1 && v1 == o.v0); }
};

// A texture pair of one vertex.
struct SUVCoord {
    float u = 0.0f, v = 0.0f;
};

// A window position of one vertex.
struct SScreenPoint {
    std::int16_t x = 0, y = 0;
};

static_assert(sizeof(CPoint3f) == 12 && sizeof(CVector3f) == 12);
static_assert(sizeof(SFacet3) == 12 && sizeof(SFacet4) == 16 && sizeof(SEdge) == 16);
