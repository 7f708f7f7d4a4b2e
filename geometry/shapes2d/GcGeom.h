// Compact attribute record that machining objects carry and compare: three
// integers, a byte and a float. The owners give the values their roles; this
// record fixes how two records compare and how they are stored.
#pragma once

#include "platform/core/WinTypes.h"

#include <cstdint>

class CArchive;

class CGcGeom {
public:
    CGcGeom() = default;
    CGcGeom(const CGcGeom&) = default;
    CGcGeom& operator=(const CGcGeom&) = default;

    // 1 when the three integers and the byte are equal (the float is ignored), else 0.
    int IsSame(CGcGeom other) const;
    // -1 when the first or second integer of either record is 0 (undecided);
    // else 1 when the three integers are equal, 0 when not.
    int IsSameEx(CGcGeom other) const;
    // int32, int32, int32, byte, float; storing and loading only happen under a
    // settings object whose document format version is at least 6.
    void Serialize(CArchive& ar);

    std::int32_t m_n1 = 0;
    std::int32_t m_n2 = 0;
    std::int32_t m_n3 = 1;
    BYTE m_b = 0;
    float m_f = 0.0f;  // not compared
};
