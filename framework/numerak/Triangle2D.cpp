#include "framework/numerak/Triangle2D.h"

#include <cmath>

namespace {

// Nearest point of the segment p-q to the origin: its parameter t on [0, 1] and squared distance.
double NearestOnSegment(const double* p, const double* q, double& t)
{
    const double dx = q[0] - p[0], dy = q[1] - p[1];
    const double len2 = dx * dx + dy * dy;
    t = len2 > 0.0 ? -(p[0] * dx + p[1] * dy) / len2 : 0.0;
    t = t < 0.0 ? 0.0 : (t > 1.0 ? 1.0 : t);
    const double x = p[0] + t * dx, y = p[1] + t * dy;
    return x * x + y * y;
}

}  // namespace

int TRI2_ChkOriInTri2DEx(const double* a, const double* b, const double* c, double aperture, double* weights)
{
    // Twice the signed areas of the sub-triangles at the origin; each is exactly 0 for an
    // origin on the line of an edge given by exact coordinates, so that both triangles
    // of a shared edge report it.
    const double wa = b[0] * c[1] - b[1] * c[0];
    const double wb = c[0] * a[1] - c[1] * a[0];
    const double wc = a[0] * b[1] - a[1] * b[0];
    const double area = wa + wb + wc;
    if (area != 0.0 && std::isfinite(area)) {
        const bool inside = area > 0.0 ? (wa >= 0.0 && wb >= 0.0 && wc >= 0.0) : (wa <= 0.0 && wb <= 0.0 && wc <= 0.0);
        if (inside) {
            weights[0] = wa / area, weights[1] = wb / area, weights[2] = wc / area;
            return 0;
        }
    }
    if (!(aperture > 0.0)) return 1;
    // The nearest of the three edges.
    const double* corners[3] = {a, b, c};
    int best = -1;
    double bestD2 = aperture * aperture, bestT = 0.0;
    for (int e = 0; e < 3; ++e) {
        double t = 0.0;
        const double d2 = NearestOnSegment(corners[e], corners[(e + 1) % 3], t);
        if (d2 <= bestD2) {
            if (best < 0 || d2 < bestD2) best = e, bestT = t;
            bestD2 = d2;
        }
    }
    if (best < 0) return 1;
    double w[3] = {0.0, 0.0, 0.0};
    w[best] = 1.0 - bestT;
    w[(best + 1) % 3] = bestT;
    weights[0] = w[0], weights[1] = w[1], weights[2] = w[2];
    return 0;
}
