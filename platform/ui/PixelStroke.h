#pragma once
// One-pixel opaque polylines written straight into a 32-bit pixel buffer,
// pixel for pixel as Qt's raster painter draws them with an untransformed,
// unclipped, aliased cosmetic solid pen of width 0 and square caps: the same
// 26.6 fixed-point stepping, half-pixel caps, reversal caps, and the repair of
// pixels dropped or doubled where segments join (also where a closed one
// meets its start). A drawing context uses it for the many short strokes of a
// repaint, where the painter's per-call set-up costs more than the few pixels
// drawn.

#include "platform/core/WinTypes.h"

#include <cstdint>

struct PixelBuffer {
  std::uint32_t* bits = nullptr;
  int stride = 0;  // pixels per row
  int width = 0;
  int height = 0;
};

// The 16.16 stepping stays within 32 bits for buffers up to this many pixels a side.
constexpr int kPixelStrokeMaxSide = 16384;

// False (nothing drawn) unless the buffer is at most kPixelStrokeMaxSide a
// side and every point, moved by (dx, dy), lies on the buffer. A polyline
// ending where it starts is closed, without caps, as the painter closes it;
// consecutive repeated points are allowed.
bool DrawPixelPolyline(const PixelBuffer& buffer, const POINT* points, int count, int dx, int dy,
                       std::uint32_t pixel);
