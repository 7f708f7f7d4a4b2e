#include "toolpath/surfkernel/EdTrimLoop.h"

#include "framework/numerak/Box2D.h"
#include "framework/numerak/Line2D.h"
#include "framework/numerak/Vector2D.h"
#include "geometry/shapes2d/GeLine.h"
#include "geometry/shapes2d/GePolyline.h"
#include "geometry/shapes3d/GeTrimLoop.h"
#include "toolpath/surfkernel/EdTrimBound.h"
#include "toolpath/surfkernel/EdTrimSurf.h"

#include <cmath>
#include <numbers>
#include <vector>

namespace {

constexpr double kBoxGrow = 1e-6;       // a point this far outside the box may still be on the loop
constexpr double kUnitTol = 1e-6;
constexpr double kLeftTurnTol = 1e-8;   // the angle of a segment counts positive above this cross product
constexpr double kHalfTurnTol = 1e-5;   // a segment seen at a straight angle has the point on it
constexpr double kOnLineTol = 1e-6;
constexpr double kInsideSum = 6.0;      // a winding sum of 2 pi

}  // namespace

CEdTrimLoop::CEdTrimLoop() { uvBox.InitEmpty(); }

CEdTrimLoop::~CEdTrimLoop()
{
    DeleteChain(boundHead);
    DeleteChain(islandHead);
}

int CEdTrimLoop::AddBound(CEdTrimBound* bound)
{
    if (bound == nullptr) return 1;
    AppendChain(boundHead, boundTail, bound);
    // The other bounds are unchanged since their own addition, so widening the box by
    // the new bound gives what recomputing every box gives, without the walk over all
    // points that makes building a long loop quadratic.
    if (bound->pts) {
        bound->CalcBox();
        BOX2D_Union(uvBox, bound->uvBox);
    }
    return 1;
}

int CEdTrimLoop::AddIsland(CEdTrimLoop* loop)
{
    if (loop == nullptr) return 0;
    loop->next = islandHead;
    islandHead = loop;
    CalcBox();
    return 1;
}

int CEdTrimLoop::BoundCount() const
{
    int n = 0;
    for (CEdTrimBound* b = boundHead; b; b = b->next) ++n;
    return n;
}

void CEdTrimLoop::ConnectBound()
{
    for (CEdTrimBound* b = boundHead; b; b = b->next) {
        CEdTrimBound* n = b->next ? b->next : boundHead;
        if (b->pts == nullptr || n->pts == nullptr) continue;
        double* e = b->Point(b->nLast);
        double* s = n->Point(0);
        const double mu = 0.5 * (e[0] + s[0]), mv = 0.5 * (e[1] + s[1]);
        e[0] = s[0] = mu;
        e[1] = s[1] = mv;
    }
}

double CEdTrimLoop::CalcLoopArea()
{
    if (boundHead == nullptr) return 0.0;
    if (boundHead->next == nullptr && boundHead->nLast < 2) return 0.0;
    double sum = 0.0;
    for (CEdTrimBound* b = boundHead; b; b = b->next)
        for (int k = 0; k < b->nLast; ++k) {
            const double* p = b->Point(k);
            const double* q = b->Point(k + 1);
            sum += p[0] * q[1] - p[1] * q[0];
        }
    return 0.5 * sum;
}

int CEdTrimLoop::IsPointIn(const double* uv)
{
    double p[2] = {uv[0], uv[1]};
    if (owner) owner->ClipToPeriodic(p);
    if (!BOX2D_IsPtIn(uvBox, p, kBoxGrow)) return 1;
    double sum = 0.0;
    bool onLoop = false;
    for (CEdTrimBound* b = boundHead; b; b = b->next)
        for (int k = 0; k < b->nLast; ++k) {
            const double* a = b->Point(k);
            const double* c = b->Point(k + 1);
            double ea[2] = {a[0] - p[0], a[1] - p[1]}, eb[2] = {c[0] - p[0], c[1] - p[1]};
            // A point on a vertex sees no angle there at all; it lies on the loop.
            if (std::hypot(ea[0], ea[1]) < kOnLineTol) onLoop = true;
            V2D_Unit(ea, kUnitTol);
            V2D_Unit(eb, kUnitTol);
            double angle = V2D_GetAngle(ea, eb, kUnitTol);
            if (ea[0] * eb[1] - ea[1] * eb[0] < kLeftTurnTol) angle = -angle;
            sum += angle;
            if (!onLoop && std::fabs(std::fabs(angle) - std::numbers::pi) < kHalfTurnTol &&
                std::fabs(L2D_DistToPntEx(p, a, c)) < kOnLineTol)
                onLoop = true;
        }
    // A point on the loop is on it whichever way the loop runs: on a clockwise loop
    // its winding sum is near -2 pi, not near 0.
    if (onLoop) return 2;
    return std::fabs(sum) >= kInsideSum ? 0 : 1;
}

void CEdTrimLoop::CalcBox()
{
    bool first = true;
    uvBox.InitEmpty();
    for (CEdTrimBound* b = boundHead; b; b = b->next) {
        if (b->pts == nullptr) continue;
        b->CalcBox();
        if (first)
            uvBox = b->uvBox, first = false;
        else
            BOX2D_Union(uvBox, b->uvBox);
    }
}

CGeTrimLoop* CEdTrimLoop::ConvertToTopoLoop()
{
    auto* loop = new CGeTrimLoop;
    for (CEdTrimBound* b = boundHead; b; b = b->next) {
        CGeCurve* curve = nullptr;
        if (b->nLast == 1) {
            curve = new CGeLine(b->Point(0), b->Point(1));
        } else {
            std::vector<double> uv(2 * static_cast<size_t>(b->nLast + 1));
            for (int k = 0; k <= b->nLast; ++k) uv[2 * k] = b->Point(k)[0], uv[2 * k + 1] = b->Point(k)[1];
            auto* poly = new CGePolyline;
            poly->Create(b->nLast + 1, reinterpret_cast<const double(*)[2]>(uv.data()));
            curve = poly;
        }
        loop->AddBound(new CGeTrimBnd(curve, nullptr, loop));
    }
    return loop;
}
