#include "testing/ui/PathPicture.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace millkit {

QImage DrawPathsOverHeights(const std::function<double(double, double)>& height, double x0, double y0, double x1,
                            double y1, int width, const std::vector<PicturePath>& paths)
{
    const double scale = width / (x1 - x0);
    const int h = std::max(1, int(std::lround((y1 - y0) * scale)));
    QImage img(width, h, QImage::Format_RGB32);
    std::vector<double> z(size_t(width) * size_t(h));
    double lo = 1e300, hi = -1e300;
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < width; ++i) {
            const double v = height(x0 + (i + 0.5) / scale, y1 - (j + 0.5) / scale);
            z[size_t(j) * width + i] = v;
            if (!std::isnan(v)) lo = std::min(lo, v), hi = std::max(hi, v);
        }
    const double span = hi > lo ? hi - lo : 1;
    const double cell = 1 / scale;
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < width; ++i) {
            const double v = z[size_t(j) * width + i];
            if (std::isnan(v)) {
                img.setPixel(i, j, qRgb(60, 60, 60));
                continue;
            }
            const auto at = [&](int ii, int jj) {
                const double w = z[size_t(std::clamp(jj, 0, h - 1)) * width + std::clamp(ii, 0, width - 1)];
                return std::isnan(w) ? v : w;
            };
            // Normal from central differences (y grows upwards, rows downwards).
            const double gx = (at(i + 1, j) - at(i - 1, j)) / (2 * cell), gy = (at(i, j - 1) - at(i, j + 1)) / (2 * cell);
            const double n[3] = {-gx, -gy, 1}, len = std::sqrt(gx * gx + gy * gy + 1);
            const double light[3] = {-0.5, 0.5, 0.707};
            const double shade = std::max(0.0, (n[0] * light[0] + n[1] * light[1] + n[2] * light[2]) / len);
            const double t = (v - lo) / span;
            const int g = int(std::clamp(60 + 150 * shade + 45 * t, 0.0, 255.0));
            img.setPixel(i, j, qRgb(g, g, std::min(255, g + 10)));
        }
    QPainter painter(&img);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(220, 30, 30), 1));
    for (const auto& path : paths) {
        if (path.size() < 2) continue;
        QPainterPath pp;
        pp.moveTo((path[0][0] - x0) * scale, (y1 - path[0][1]) * scale);
        for (size_t k = 1; k < path.size(); ++k) pp.lineTo((path[k][0] - x0) * scale, (y1 - path[k][1]) * scale);
        painter.drawPath(pp);
    }
    return img;
}

}  // namespace millkit
