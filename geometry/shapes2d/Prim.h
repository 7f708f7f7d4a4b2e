// Ray, triangle and quad records over float points; the triangle and quad do not own their
// vertices.
#pragma once

#include "framework/numerak/Point3f.h"

class CPrimRay {
public:
    CPrimRay() : m_isLine(0) {}
    // isLine: the ray is a line, unbounded both ways.
    CPrimRay(const CPoint3f& origin, const CVector3f& direction, bool isLine = false)
        : m_isLine(isLine ? 1 : 0), m_origin(origin), m_direction(direction)
    {
    }

    bool isLine() const { return m_isLine != 0; }
    const CPoint3f& origin() const { return m_origin; }
    void origin(const CPoint3f& p) { m_origin.Set(p.x, p.y, p.z); }
    const CVector3f& direction() const { return m_direction; }

private:
    unsigned char m_isLine;
    CPoint3f m_origin;
    CVector3f m_direction;
};

class CPrimTri {
public:
    CPrimTri() : m_v{nullptr, nullptr, nullptr} {}
    CPrimTri(CPoint3f* a, CPoint3f* b, CPoint3f* c) : m_v{a, b, c} {}

    CPoint3f* vertex1() const { return m_v[0]; }
    CPoint3f* vertex2() const { return m_v[1]; }
    CPoint3f* vertex3() const { return m_v[2]; }

private:
    CPoint3f* m_v[3];
};

class CPrimQuad {
public:
    CPrimQuad() : m_v{nullptr, nullptr, nullptr, nullptr} {}
    CPrimQuad(CPoint3f* a, CPoint3f* b, CPoint3f* c, CPoint3f* d) : m_v{a, b, c, d} {}

    CPoint3f* vertex1() const { return m_v[0]; }
    CPoint3f* vertex2() const { return m_v[1]; }
    CPoint3f* vertex3() const { return m_v[2]; }
    CPoint3f* vertex4() const { return m_v[3]; }

private:
    CPoint3f* m_v[4];
};
