// Type codes of the 2D curve classes (GetType), as the curve algorithms test them.
#pragma once

namespace curvetype {

inline constexpr int kLine = 0x2;
inline constexpr int kArc = 0x4;
inline constexpr int kCircle = 0x8;
inline constexpr int kEllipse = 0x10;
inline constexpr int kBezier = 0x20;
inline constexpr int kPolyline = 0x40;
inline constexpr int kCombCurve = 0x80;
inline constexpr int kLoop = 0x100;
inline constexpr int kOffset = 0x200;

}  // namespace curvetype
