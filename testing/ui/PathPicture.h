// A picture for looking at milling paths: the part's heights as a shaded relief (light
// from the north-west, brightness also rising with height) with the CL paths drawn
// over it in red, seen from above.
#pragma once

#include <QImage>

#include <array>
#include <functional>
#include <vector>

namespace millkit {

using PicturePath = std::vector<std::array<double, 3>>;

// height(x, y): the part's height, NaN where there is none (drawn dark grey). The
// picture covers [x0, x1] x [y0, y1] at `width` pixels across (y up).
QImage DrawPathsOverHeights(const std::function<double(double, double)>& height, double x0, double y0, double x1,
                            double y1, int width, const std::vector<PicturePath>& paths);

}  // namespace millkit
