// Small helpers shared by the circle and the ellipse: the discretisation
// count of a full turn, the strided drawing of the display polyline, the node
// marks.
#pragma once

#include "framework/looker/Looker.h"
#include "framework/numerak/QvnMath.h"
#include "geometry/shapes2d/GeCurve.h"
#include "geometry/shapes2d/GeometryConst.h"
#include "platform/core/DC.h"

#include <cmath>
#include <numbers>

namespace conic {

inline constexpr double kTwoPi = 2.0 * std::numbers::pi;
// A full turn is never cut into more points than this, so that a radius far
// larger than the tolerance cannot ask for an unbounded array.
inline constexpr int kMaxTurnPoints = 1 << 20;
// Discretisation tolerances below this are raised to it.
inline constexpr double kMinDiscTol = 1e-6;
// Marks of DrawNode, in pixels: circle around the start, squares elsewhere.
inline constexpr int kStartMarkRadius = 4;
inline constexpr int kNodeMarkHalf = 3;

// Number of chords of a full turn of radius r whose sagitta stays within tol:
// int(2 pi / acos((r - tol) / r)), at most kMaxTurnPoints; 0 when r is not
// positive or tol exceeds 2 r (no chord can stay that close). tol is no finer
// than gecon::kMinRelDiscTol of r.
inline int TurnCount(double r, double tol)
{
    tol = gecon::FloorDiscTol(tol, r);
    if (!(r > 0.0) || !(tol <= 2.0 * r)) return 0;
    const double a = QVN_Math::ACos((r - tol) / r);
    if (!(a > 0.0)) return kMaxTurnPoints;
    const double n = kTwoPi / a;
    return n >= kMaxTurnPoints ? kMaxTurnPoints : static_cast<int>(n);
}

// Parameter step of GetDiscStep for a full turn of radius r: 1/n with
// n = int(2 pi / (2 acos((r - tol) / r))) + 1, at least 8; 0.1 for tol > r.
// tol is no finer than gecon::kMinRelDiscTol of r.
inline double TurnDiscStep(double r, double tol)
{
    tol = gecon::FloorDiscTol(tol, r);
    if (!(r > 0.0) || tol > r) return 0.1;
    const double a = 2.0 * QVN_Math::ACos((r - tol) / r);
    double n = a > 0.0 ? kTwoPi / a : static_cast<double>(kMaxTurnPoints);
    if (n > kMaxTurnPoints) n = kMaxTurnPoints;
    int k = static_cast<int>(n) + 1;
    if (k < 8) k = 8;
    return 1.0 / k;
}

// Draws a full turn's display polyline skipping points closer than a pixel,
// as the arc does: the stride follows the world size of one pixel.
inline void DrawTurn(const double (*pts)[2], int count, double r, CDC* dc, CLooker* looker)
{
    int stride = 1;
    if (count > 10) {
        double px = 0.0;
        looker->ScreentoWorld(1.0, px);
        if (px > r) {
            stride = count;
        } else {
            const double a = QVN_Math::ACos((r - px) / r);
            const double k = a > 0.0 ? kTwoPi / a : 0.0;
            if (k >= 1.0 && k < count) stride = static_cast<int>(count / static_cast<int>(k));
        }
    }
    looker->DrawPolylineEx(pts, count, stride, dc);
}

// Circle of kStartMarkRadius pixels around p with the start-mark pen: width 1
// green in a 2D view, width 2 magenta otherwise; the previous pen comes back.
inline void DrawStartMark(CDC* dc, const CLooker* looker, const double* p)
{
    CPoint s;
    looker->WorldtoScreen(p, s, 2);
    const bool view2D = CLooker::IsView2D() != 0;
    CPen pen(PS_SOLID, view2D ? 1 : 2, view2D ? RGB(0, 125, 0) : RGB(195, 0, 170));
    CPen* old = dc->SelectObject(&pen);
    dc->Ellipse(s.x - kStartMarkRadius, s.y - kStartMarkRadius, s.x + kStartMarkRadius, s.y + kStartMarkRadius);
    dc->SelectObject(old);
}

// Square of kNodeMarkHalf pixels around p with the current pen.
inline void DrawSquareMark(CDC* dc, const CLooker* looker, const double* p)
{
    CPoint s;
    looker->WorldtoScreen(p, s, 2);
    dc->Rectangle(s.x - kNodeMarkHalf, s.y - kNodeMarkHalf, s.x + kNodeMarkHalf, s.y + kNodeMarkHalf);
}

// Applies a transform that returns either the curve itself or a replacement;
// the intermediate curve is deleted when it was replaced.
inline CGeCurve* Keep(CGeCurve* intermediate, CGeCurve* result)
{
    if (result != intermediate) delete intermediate;
    return result;
}

}  // namespace conic
