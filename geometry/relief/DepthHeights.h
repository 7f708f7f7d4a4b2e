// Heights of whatever a callback draws, seen from above: an off-screen depth buffer
// of one pixel per node, pixel centres on the nodes, read back and turned into
// heights. Shared by the relief grids and the GPU sampling of surfaces.
#pragma once

#include "framework/numerak/Box.h"

#include <functional>

class COpenGLDC;

namespace relief {

// Grid of count X × count Y nodes at origin + (i·step X, j·step Y). zRange gives the lowest and
// highest z that draw may reach; a margin is added on both sides so that a surface at
// either end (or at the only z) is not lost to the depth range's ends. heights[j·nx + i]
// receives the highest z drawn over node (i, j); nodes where nothing was drawn keep
// their value. The caller's context must be current with framebuffer and buffer
// support. false (nothing read, nothing left bound) when the grid is larger than the
// renderbuffer limit, the framebuffer is incomplete, or the read-back fails.
bool ReadDepthHeights(COpenGLDC* dc, const float* origin, float stepX, float stepY, int countX, int countY,
                      double zLow, double zHigh, const std::function<void()>& draw, float* heights);

// Runs work with the view's OpenGL device context current (made current, with its
// capabilities read, and released again when no context was current). false without a
// device context, when it cannot be made current or lacks framebuffer and pixel-pack
// buffers, or when work returns false.
bool WithDepthContext(const std::function<bool(COpenGLDC*)>& work);

}  // namespace relief
