#include "framework/looker/Looker.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <vector>

namespace {

std::atomic<bool> g_view2D{true};
std::atomic<CLooker*> g_looker{nullptr};

// Segments are clipped to the view rectangle grown by this many pixels: far
// enough that the clipped ends never show, near enough for any device.
constexpr double kGuardPixels = 65536.0;

// Nearest whole pixel, halves away from zero (as std::lround), clamped to
// +-kPixelLimit; 0 for NaN.
inline int RoundPixel(double v)
{
    if (std::isnan(v)) return 0;
    const double limit = CLooker::kPixelLimit;
    return PixelMap2D::RoundHeld(std::clamp(v, -limit, limit));
}

// The 2D view's world-to-pixel mapping, inlined where points are drawn (the
// exported member cannot be inlined within this shared library).
inline void Project2D(const double* center, const double* org, double scale, const double* world, double* pixel)
{
    PixelMap2D::Map(center, org, scale, world, pixel);
}

struct Guard {
    double xmin, ymin, xmax, ymax;
    bool Holds(double x, double y) const { return x >= xmin && x <= xmax && y >= ymin && y <= ymax; }
};

// Points farther than kGuardPixels outside the view are clipped away.
Guard GuardOf(const CRect& view)
{
    return Guard{view.left - kGuardPixels, view.top - kGuardPixels, view.right + kGuardPixels,
                 view.bottom + kGuardPixels};
}

// Liang-Barsky: the part [t0, t1] of a -> b inside the guard; false when none.
bool ClipSegment(const Guard& g, double ax, double ay, double bx, double by, double& t0, double& t1)
{
    if (!(std::isfinite(ax) && std::isfinite(ay) && std::isfinite(bx) && std::isfinite(by))) return false;
    const double dx = bx - ax;
    const double dy = by - ay;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {ax - g.xmin, g.xmax - ax, ay - g.ymin, g.ymax - ay};
    t0 = 0.0;
    t1 = 1.0;
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0.0) {
            if (q[i] < 0.0) return false;
            continue;
        }
        const double r = q[i] / p[i];
        if (p[i] < 0.0) {
            if (r > t1) return false;
            t0 = std::max(t0, r);
        } else {
            if (r < t0) return false;
            t1 = std::min(t1, r);
        }
    }
    return true;
}

// Per-thread buffers of the drawing calls, reused from call to call.
struct DrawScratch {
    std::vector<double> pixels;
    std::vector<POINT> run;
};
thread_local DrawScratch t_scratch;

}  // namespace

CLooker::CLooker() = default;

CLooker::~CLooker()
{
    // A view that goes away stops being the current one.
    CLooker* self = this;
    g_looker.compare_exchange_strong(self, nullptr);
}

BOOL CLooker::IsView2D() { return g_view2D.load(std::memory_order_acquire) ? TRUE : FALSE; }
BOOL CLooker::IsView3D() { return IsView2D() ? FALSE : TRUE; }
void CLooker::SetView2D() { g_view2D.store(true, std::memory_order_release); }
void CLooker::SetView3D() { g_view2D.store(false, std::memory_order_release); }

void CLooker::SetViewRect(const CRect& rect)
{
    m_rcView = rect;
    m_center[0] = 0.5 * (double(rect.left) + double(rect.right));
    m_center[1] = 0.5 * (double(rect.top) + double(rect.bottom));
}

void CLooker::SetViewWnd(void* wnd, std::function<CRect()> clientRect)
{
    m_pViewWnd = wnd;
    m_clientRect = std::move(clientRect);
}

void CLooker::UpdateViewRect()
{
    if (!m_clientRect) return;
    const CRect rect = m_clientRect();
    if (rect != m_rcView) SetViewRect(rect);
}

void CLooker::UpdateViewBox() { GetViewBox(&m_viewBox); }

void CLooker::GetViewBox3D(BOX3<double>* box) const
{
    if (!box) return;
    const BOX2<double> b = GetViewBox();
    box->xmin = b.xmin, box->xmax = b.xmax;
    box->ymin = b.ymin, box->ymax = b.ymax;
    box->zmin = 0.0, box->zmax = 0.0;
}

void CLooker::GetViewPara(CViewPara* para) const
{
    if (!para) return;
    para->m_org[0] = m_org[0], para->m_org[1] = m_org[1];
    para->m_center[0] = m_center[0], para->m_center[1] = m_center[1];
    para->m_dScale = m_dScale;
}

BOOL CLooker::SetViewPara(const CViewPara& para)
{
    const bool finite = std::isfinite(para.m_org[0]) && std::isfinite(para.m_org[1]) &&
                        std::isfinite(para.m_center[0]) && std::isfinite(para.m_center[1]);
    if (!finite || !std::isfinite(para.m_dScale) || !(para.m_dScale > 0.0)) return FALSE;
    m_org[0] = para.m_org[0], m_org[1] = para.m_org[1];
    m_center[0] = para.m_center[0], m_center[1] = para.m_center[1];
    m_dScale = para.m_dScale;
    return TRUE;
}

void CLooker::PushViewPara()
{
    CViewPara para;
    GetViewPara(&para);
    m_viewStack.push_back(para);
}

BOOL CLooker::PopViewPara()
{
    if (m_viewStack.empty()) return FALSE;
    const CViewPara para = m_viewStack.back();
    m_viewStack.pop_back();
    return SetViewPara(para);
}

void CLooker::LerpView(const CViewPara& start, const CViewPara& end, double t, CViewPara& result)
{
    if (!(t > 0.0)) t = 0.0;  // NaN too
    // The ends are the views themselves, not sums that may miss them by a rounding.
    if (t >= 1.0 || t == 0.0) {
        result = t >= 1.0 ? end : start;
        return;
    }
    for (int i = 0; i < 2; ++i) {
        result.m_org[i] = start.m_org[i] + (end.m_org[i] - start.m_org[i]) * t;
        result.m_center[i] = start.m_center[i] + (end.m_center[i] - start.m_center[i]) * t;
    }
    if (start.m_dScale > 0.0 && end.m_dScale > 0.0)
        result.m_dScale = start.m_dScale * std::pow(end.m_dScale / start.m_dScale, t);
    else
        result.m_dScale = t < 1.0 ? start.m_dScale : end.m_dScale;
}

void CLooker::SetCenter(double px, double py)
{
    if (!std::isfinite(px) || !std::isfinite(py)) return;
    m_center[0] = px;
    m_center[1] = py;
}

void CLooker::GetCenter(double* pixel) const
{
    pixel[0] = m_center[0];
    pixel[1] = m_center[1];
}

void CLooker::SetOrgPoint(double x, double y)
{
    if (!std::isfinite(x) || !std::isfinite(y)) return;
    m_org[0] = x;
    m_org[1] = y;
}

void CLooker::GetOrgPoint(double* world) const
{
    world[0] = m_org[0];
    world[1] = m_org[1];
}

BOOL CLooker::SetScale(double scale)
{
    if (!std::isfinite(scale) || !(scale > 0.0)) return FALSE;
    m_dScale = scale;
    return TRUE;
}

BOOL CLooker::SetScale(double scale, const Position& anchor)
{
    if (!std::isfinite(scale) || !(scale > 0.0)) return FALSE;
    // The anchor's pixel stays; solve for the origin that maps it there.
    double pixel[2];
    WorldtoScreen2D(anchor.Ptr(), pixel);
    m_dScale = scale;
    m_org[0] = anchor.x - (pixel[0] - m_center[0]) / scale;
    m_org[1] = anchor.y + (pixel[1] - m_center[1]) / scale;
    return TRUE;
}

void CLooker::MoveView(double dx, double dy)
{
    if (!std::isfinite(dx) || !std::isfinite(dy)) return;
    m_org[0] -= dx;
    m_org[1] -= dy;
}

BOOL CLooker::ZoomBox(const BOX2<double>& box)
{
    if (!box.IsValid() || m_rcView.IsRectEmpty()) return FALSE;
    const double w = box.xmax - box.xmin;
    const double h = box.ymax - box.ymin;
    double scale = m_dScale;
    if (w > 0.0 || h > 0.0) {
        const double sx = w > 0.0 ? m_rcView.Width() / w : HUGE_VAL;
        const double sy = h > 0.0 ? m_rcView.Height() / h : HUGE_VAL;
        scale = std::min(sx, sy);
    }
    if (!std::isfinite(scale) || !(scale > 0.0)) return FALSE;
    SetViewRect(m_rcView);
    m_dScale = scale;
    m_org[0] = 0.5 * (box.xmin + box.xmax);
    m_org[1] = 0.5 * (box.ymin + box.ymax);
    return TRUE;
}

BOX2<double> CLooker::GetViewBox() const
{
    BOX2<double> box;
    GetViewBox(&box);
    return box;
}

void CLooker::GetViewBox(BOX2<double>* box) const
{
    if (!box) return;
    // Screen y grows downwards: the rectangle's bottom is the world's minimum y.
    box->xmin = m_org[0] + (m_rcView.left - m_center[0]) / m_dScale;
    box->xmax = m_org[0] + (m_rcView.right - m_center[0]) / m_dScale;
    box->ymin = m_org[1] - (m_rcView.bottom - m_center[1]) / m_dScale;
    box->ymax = m_org[1] - (m_rcView.top - m_center[1]) / m_dScale;
}

void CLooker::WorldtoScreen2D(const double* world, double* pixel) const
{
    Project2D(m_center, m_org, m_dScale, world, pixel);
}

void CLooker::WorldtoScreen2D(const double* world, CPoint& pixel) const
{
    double p[2];
    WorldtoScreen2D(world, p);
    pixel = CPoint(RoundPixel(p[0]), RoundPixel(p[1]));
}

void CLooker::Project3D(const double* world, double* pixel) const { WorldtoScreen2D(world, pixel); }

void CLooker::WorldtoScreen3D(const double* world, CPoint& pixel) const
{
    double p[2];
    Project3D(world, p);
    pixel = CPoint(RoundPixel(p[0]), RoundPixel(p[1]));
}

void CLooker::ProjectPoint(const double* world, int dim, double* pixel) const
{
    if (dim >= 3 && IsView3D()) {
        Project3D(world, pixel);
    } else if (IsView3D()) {
        const double p3[3] = {world[0], world[1], 0.0};
        Project3D(p3, pixel);
    } else {
        Project2D(m_center, m_org, m_dScale, world, pixel);
    }
}

void CLooker::WorldtoScreen(const double* world, CPoint& pixel, int dim) const
{
    double p[2];
    ProjectPoint(world, dim, p);
    pixel = CPoint(RoundPixel(p[0]), RoundPixel(p[1]));
}

void CLooker::WorldtoScreen(double length, int& pixels) const { pixels = RoundPixel(length * m_dScale); }

void CLooker::ScreentoWorld(double pixels, double& length) const { length = pixels / m_dScale; }

void CLooker::ScreentoWorld2D(const CPoint& pixel, double* world) const
{
    world[0] = m_org[0] + (pixel.x - m_center[0]) / m_dScale;
    world[1] = m_org[1] - (pixel.y - m_center[1]) / m_dScale;
}

void CLooker::ScreentoWorld(const CPoint& pixel, Position& pos) const
{
    double w[2];
    ScreentoWorld2D(pixel, w);
    pos.x = w[0];
    pos.y = w[1];
    pos.z = 0.0;
    pos.m_ptScreen = pixel;
}

BOOL CLooker::IsPtInView(const double* p, int /*dim*/) const
{
    if (!p) return FALSE;
    const BOX2<double> box = GetViewBox();
    return p[0] >= box.xmin && p[0] <= box.xmax && p[1] >= box.ymin && p[1] <= box.ymax ? TRUE : FALSE;
}

void CLooker::StrokeProjected(const double* pixels, int count, CDC* dc) const
{
    const Guard guard = GuardOf(m_rcView);
    std::vector<POINT>& run = t_scratch.run;
    run.clear();
    auto flush = [&] {
        if (run.size() >= 2)
            dc->Polyline(run.data(), int(run.size()));
        else if (run.size() == 1)
            dc->SetPixelV(run[0], dc->GetPenState().colour);  // the whole run falls on one pixel
        run.clear();
    };
    auto append = [&](double x, double y) {
        const POINT p{RoundPixel(x), RoundPixel(y)};
        if (run.empty() || run.back().x != p.x || run.back().y != p.y) run.push_back(p);
    };

    if (count == 1) {
        if (guard.Holds(pixels[0], pixels[1])) append(pixels[0], pixels[1]);
        flush();
        return;
    }
    bool open = false;  // whether the run continues at the current point
    for (int i = 0; i + 1 < count; ++i) {
        const double ax = pixels[2 * i], ay = pixels[2 * i + 1];
        const double bx = pixels[2 * i + 2], by = pixels[2 * i + 3];
        double t0, t1;
        if (!ClipSegment(guard, ax, ay, bx, by, t0, t1)) {
            flush();
            open = false;
            continue;
        }
        if (!open || t0 > 0.0) {
            flush();
            append(ax + t0 * (bx - ax), ay + t0 * (by - ay));
        }
        append(ax + t1 * (bx - ax), ay + t1 * (by - ay));
        open = t1 >= 1.0;
        if (!open) flush();
    }
    flush();
}

PixelMap2D::PixelMap2D(const CLooker& looker)
{
    looker.GetCenter(m_center);
    looker.GetOrgPoint(m_org);
    m_scale = looker.GetScale();
    // Within the clamp of RoundPixel, so that RoundHeld rounds as it does
    // (a view so large that its guard reaches past it draws the general way).
    const Guard guard = GuardOf(looker.GetViewRect());
    const double limit = CLooker::kPixelLimit;
    m_xmin = std::max(guard.xmin, -limit), m_ymin = std::max(guard.ymin, -limit);
    m_xmax = std::min(guard.xmax, limit), m_ymax = std::min(guard.ymax, limit);
    // A box this wide spans more than 3.9 pixels, whatever the roundings of
    // its projection within the guard, so its corners round apart.
    m_wide = 4.0 / m_scale;
}

void CLooker::DrawShortPolyline2D(const double (*points)[2], int count, int step, CDC* dc) const
{
    if (!points || count <= 0 || !dc) return;
    if (step < 1) step = 1;
    if (IsView3D()) {
        DrawStrided(points[0], 2, count, step, dc);
        return;
    }
    POINT run[kShortStroke];
    const int m = PixelMap2D(*this).ShortRun(points, count, step, run);
    if (m >= 2) {
        dc->Polyline(run, m);
        return;
    }
    if (m == 1) {
        dc->SetPixelV(run[0], dc->GetPenState().colour);
        return;
    }
    // A point outside the guard (or not finite): clipped; or a stroke of one
    // point or of many.
    DrawStrided(points[0], 2, count, step, dc);
}

void CLooker::DrawPolyline(const double (*points)[2], int count, CDC* dc) const
{
    DrawPolylineEx(points, count, 1, dc);
}

void CLooker::DrawPolylineEx(const double (*points)[2], int count, int step, CDC* dc) const
{
    DrawStrided(points ? points[0] : nullptr, 2, count, step, dc);
}

// Draws every step-th point of a flat array of dim-sized points, always ending
// at the last point; a step that skips everything draws the first point alone.
void CLooker::DrawStrided(const double* flat, int dim, int count, int step, CDC* dc) const
{
    if (!flat || count <= 0 || !dc) return;
    if (step < 1) step = 1;
    std::vector<double>& px = t_scratch.pixels;
    px.clear();
    auto add = [&](int i) {
        double p[2];
        ProjectPoint(flat + std::size_t(i) * dim, dim, p);
        px.push_back(p[0]);
        px.push_back(p[1]);
    };
    if (step >= count) {
        add(0);
        StrokeProjected(px.data(), 1, dc);
        return;
    }
    for (int i = 0; i < count; i += step) add(i);
    if ((count - 1) % step != 0) add(count - 1);
    StrokeProjected(px.data(), int(px.size() / 2), dc);
}

void CLooker::DrawPolylineEx(const double (*points)[2], int count, int mode, const CUIntArray* segmentEnds,
                             CDC* dc) const
{
    if (!points || count <= 0 || !dc) return;
    if (mode != kDrawFine) {
        DrawPolylineEx(points, count, 1, dc);
        return;
    }
    std::vector<double>& px = t_scratch.pixels;
    px.clear();
    // Segment ends are kept whatever their distance; they are sorted indices.
    const INT_PTR nEnds = segmentEnds ? segmentEnds->GetSize() : 0;
    INT_PTR nextEnd = 0;
    POINT last{0, 0};
    for (int i = 0; i < count; ++i) {
        bool keep = i == 0 || i == count - 1;
        while (nextEnd < nEnds && INT_PTR((*segmentEnds)[nextEnd]) < i) ++nextEnd;
        if (nextEnd < nEnds && INT_PTR((*segmentEnds)[nextEnd]) == i) keep = true;
        double p[2];
        ProjectPoint(points[i], 2, p);
        const POINT pixel{RoundPixel(p[0]), RoundPixel(p[1])};
        // A point on the last kept pixel or one of its eight neighbours adds
        // nothing that the line to the next kept point does not cover.
        if (!keep) keep = std::abs(pixel.x - last.x) > 1 || std::abs(pixel.y - last.y) > 1;
        if (!keep) continue;
        px.push_back(p[0]);
        px.push_back(p[1]);
        last = pixel;
    }
    StrokeProjected(px.data(), int(px.size() / 2), dc);
}

void CLooker::DrawPolyline3D(const double (*points)[3], int count, CDC* dc) const
{
    DrawPolyline3DEx(points, count, 1, dc);
}

void CLooker::DrawPolyline3DEx(const double (*points)[3], int count, int step, CDC* dc) const
{
    DrawStrided(points ? points[0] : nullptr, 3, count, step, dc);
}

CLooker* gGetLooker() { return g_looker.load(std::memory_order_acquire); }

void gSetLooker(CLooker* looker) { g_looker.store(looker, std::memory_order_release); }
