// The current view: the mapping between world coordinates (millimetres, y up)
// and the pixels of the drawing window (y down), the drawing of point strings
// through a device context and the view state that shapes ask about.
//
// The mapping is a plain 2D view: the world point `org` appears at the pixel
// `centre`, and one world unit spans `scale` pixels. The program drives it
// (zoom, pan, window size); the 3D projection maps the plan view (x, y) until
// a camera-driven view replaces WorldtoScreen3D.
#pragma once

#include "framework/looker/SnapRecords.h"
#include "framework/numerak/Box.h"
#include "platform/core/Containers.h"
#include "platform/core/DC.h"
#include "platform/core/WinGeometry.h"

#include <functional>
#include <vector>

// The parameters of a 2D view: enough to put the view back where it was.
struct CViewPara {
    double m_org[2] = {0.0, 0.0};     // world point shown at the centre pixel
    double m_center[2] = {0.0, 0.0};  // centre pixel
    double m_dScale = 1.0;            // pixels per world unit
};

class CLooker {
public:
    // Drawing modes of DrawPolylineEx with segment ends.
    static constexpr int kDrawPlain = 1;     // every point
    static constexpr int kDrawFine = 3;      // discretisation finer than a pixel: thinned to pixels

    CLooker();
    virtual ~CLooker();
    CLooker(const CLooker&) = delete;
    CLooker& operator=(const CLooker&) = delete;

    // Display mode, one for the whole process (2D at start).
    static BOOL IsView2D();
    static BOOL IsView3D();
    static void SetView2D();
    static void SetView3D();

    // Whether drawing skips shapes outside the view (see CGeShape2d::IsEnableDraw2D).
    BOOL IsCheckBox() const { return m_bCheckBox; }
    void SetCheckBox(BOOL check) { m_bCheckBox = check; }

    // Screen rectangle that drawing is restricted to (the part of the window
    // being repainted); empty when the whole view is drawn.
    const CRect& GetClipRect() const { return m_rcClip; }
    void SetClipRect(const CRect& rect) { m_rcClip = rect; }
    void EmptyClipRect() { m_rcClip = CRect(0, 0, 0, 0); }

    // The window's client rectangle in pixels; setting it also centres the view on it.
    const CRect& GetViewRect() const { return m_rcView; }
    void SetViewRect(const CRect& rect);

    // Pixel at which the origin point appears.
    void SetCenter(double px, double py);
    void GetCenter(double* pixel) const;
    // World point shown at the centre pixel.
    void SetOrgPoint(double x, double y);
    void GetOrgPoint(double* world) const;
    // Pixels per world unit; values that are not positive and finite are refused.
    double GetScale() const { return m_dScale; }
    BOOL SetScale(double scale);
    // Zoom that keeps the world point of `anchor` on its pixel.
    BOOL SetScale(double scale, const Position& anchor);
    // Moves the picture by (dx, dy) world units (the view window the other way),
    // so that a drag by d keeps the grabbed point under the cursor.
    void MoveView(double dx, double dy);
    // Shows the box as large as the view rectangle allows, centred.
    BOOL ZoomBox(const BOX2<double>& box);

    // World box that the view rectangle shows.
    BOX2<double> GetViewBox() const;
    void GetViewBox(BOX2<double>* box) const;

    // World to pixel. Pixels are rounded to the nearest and kept within
    // +-kPixelLimit, so far-away points never overflow.
    void WorldtoScreen2D(const double* world, CPoint& pixel) const;
    void WorldtoScreen2D(const double* world, double* pixel) const;  // unrounded
    void WorldtoScreen3D(const double* world, CPoint& pixel) const;
    // dim 2 reads (x, y); dim 3 reads (x, y, z) and uses the 3D projection in a 3D view.
    void WorldtoScreen(const double* world, CPoint& pixel, int dim) const;
    // A world length in whole pixels (rounded).
    void WorldtoScreen(double length, int& pixels) const;

    // Pixel to world.
    void ScreentoWorld(double pixels, double& length) const;
    void ScreentoWorld2D(const CPoint& pixel, double* world) const;
    void ScreentoWorld(const CPoint& pixel, Position& pos) const;

    // Non-zero when the point lies in the view box (dim 3 points by x and y).
    BOOL IsPtInView(const double* p, int dim) const;

    // Draws the point string as connected lines with the device context's pen.
    // Segments reaching far outside the view are clipped without changing their direction.
    void DrawPolyline(const double (*points)[2], int count, CDC* dc) const;
    // Every step-th point from the first, and the last point; a step not
    // smaller than the count draws a single pixel at the first point (a curve
    // smaller than a pixel).
    void DrawPolylineEx(const double (*points)[2], int count, int step, CDC* dc) const;
    // What DrawPolylineEx(points, count, step, dc) draws, call for call, made
    // without clipping or buffers when at most kShortStroke points are drawn
    // and all lie within the drawing guard (the strokes of a whole drawing
    // in view are mostly a few pixels long).
    static constexpr int kShortStroke = 16;
    void DrawShortPolyline2D(const double (*points)[2], int count, int step, CDC* dc) const;
    // Mode kDrawPlain draws every point; kDrawFine skips points that fall on
    // or next to the pixel of the previous point drawn, keeping the first and
    // last points and the segment ends (sorted indices into the points).
    void DrawPolylineEx(const double (*points)[2], int count, int mode, const CUIntArray* segmentEnds,
                        CDC* dc) const;
    // 3D point strings, through the 3D projection.
    void DrawPolyline3D(const double (*points)[3], int count, CDC* dc) const;
    void DrawPolyline3DEx(const double (*points)[3], int count, int step, CDC* dc) const;

    static constexpr int kPixelLimit = 1 << 28;

    // Whether the frame being drawn is an intermediate frame of an animated
    // view change (drawing may then take shortcuts).
    BOOL IsAnimateView() const { return m_bAnimateView; }
    void SetAnimateView(BOOL animate) { m_bAnimateView = animate ? TRUE : FALSE; }

    // The drawing window: an opaque handle and how to read its client
    // rectangle (the view installs both; this library knows no windows).
    void SetViewWnd(void* wnd, std::function<CRect()> clientRect);
    void* GetViewWnd() const { return m_pViewWnd; }
    // Takes the window's client rectangle as the view rectangle when it
    // changed (the world point at the centre stays); nothing without a window.
    void UpdateViewRect();
    // Recomputes the cached view box from the view rectangle.
    void UpdateViewBox();
    const BOX2<double>& GetCachedViewBox() const { return m_viewBox; }
    // The view box as a 3D box (z from 0 to 0).
    void GetViewBox3D(BOX3<double>* box) const;

    // View parameters and the stack of the previous-view command.
    void GetViewPara(CViewPara* para) const;
    // Values that are not finite, or a scale that is not positive, are refused.
    BOOL SetViewPara(const CViewPara& para);
    void PushViewPara();
    // FALSE when the stack is empty.
    BOOL PopViewPara();
    int GetViewStackSize() const { return static_cast<int>(m_viewStack.size()); }
    // Blend of two views at t in [0, 1] (clamped); the scale is blended
    // geometrically so that a zoom runs at an even pace.
    static void LerpView(const CViewPara& start, const CViewPara& end, double t, CViewPara& result);

    // How surfaces are shown in 3D: 20 shaded, 21 curves only, 22 points, 23 flat unlit.
    int GetSrfShowMode() const { return m_nSrfShowMode; }
    void SetSrfShowMode(int mode) { m_nSrfShowMode = mode; }

protected:
    // Unrounded pixel of a 3D world point. The plain view shows the plan (x, y);
    // a camera-driven view overrides this.
    virtual void Project3D(const double* world, double* pixel) const;

private:
    void ProjectPoint(const double* world, int dim, double* pixel) const;
    void StrokeProjected(const double* pixels, int count, CDC* dc) const;
    void DrawStrided(const double* flat, int dim, int count, int step, CDC* dc) const;

    BOOL m_bCheckBox = TRUE;
    CRect m_rcClip{0, 0, 0, 0};
    CRect m_rcView{0, 0, 0, 0};
    double m_center[2] = {0.0, 0.0};
    double m_org[2] = {0.0, 0.0};
    double m_dScale = 1.0;
    BOOL m_bAnimateView = FALSE;
    void* m_pViewWnd = nullptr;
    std::function<CRect()> m_clientRect;
    BOX2<double> m_viewBox{};
    std::vector<CViewPara> m_viewStack;
    int m_nSrfShowMode = 20;
};

// The 2D view's world-to-pixel mapping and drawing guard, taken once for the
// many strokes of a frame so that they are drawn inline (CLooker's own 2D
// drawing uses the same code). Valid while the view does not change.
class PixelMap2D {
public:
    explicit PixelMap2D(const CLooker& looker);

    // The unrounded pixel of a world point.
    void Project(const double* world, double* pixel) const { Map(m_center, m_org, m_scale, world, pixel); }
    // The mapping itself: the world point org at the pixel center, scale
    // pixels per world unit, y down.
    static void Map(const double* center, const double* org, double scale, const double* world, double* pixel)
    {
        pixel[0] = center[0] + (world[0] - org[0]) * scale;
        pixel[1] = center[1] - (world[1] - org[1]) * scale;
    }
    // Whether an unrounded pixel lies within the drawing guard (not when NaN).
    bool Holds(double x, double y) const { return x >= m_xmin && x <= m_xmax && y >= m_ymin && y <= m_ymax; }
    // Nearest whole pixel, halves away from zero (as std::lround), of a
    // coordinate within the guard (|v| < 2^31). In 32.32 fixed point: v * 2^32
    // is exact and its truncation keeps the half bit, so the magnitude plus a
    // half, shifted, is the rounded magnitude. Branch-free, as the fractions
    // of a drawing's points are random.
    static int RoundHeld(double v)
    {
        const auto fixed = static_cast<long long>(v * 4294967296.0);
        const long long sign = fixed >> 63;  // 0 or -1
        const long long magnitude = ((fixed ^ sign) - sign + (1LL << 31)) >> 32;
        return static_cast<int>((magnitude ^ sign) - sign);
    }

    // The one pixel that every 2D point of box projects and rounds to, when
    // there is one and it lies within the guard: a polyline of points inside
    // box then draws exactly that pixel (DrawPolylineEx sets it alone). False
    // otherwise.
    bool BoxPixel(const BOX2<double>& box, POINT& pixel) const;
    // The pixel a polyline of the one point draws (DrawPolylineEx sets it
    // alone); false when it lies outside the guard.
    bool PointPixel(const double* point, POINT& pixel) const
    {
        double p[2];
        Project(point, p);
        if (!Holds(p[0], p[1])) return false;
        pixel = POINT{RoundHeld(p[0]), RoundHeld(p[1])};
        return true;
    }
    // The pixels DrawPolylineEx(points, count, step) draws when it draws 2 to
    // kShortStroke points and all of them lie within the guard, so that no
    // segment is clipped: the first point's pixel, then each segment's end as
    // the clipper computes it, a + (b - a), repeats dropped. One pixel is set
    // alone, more make a polyline. Returns the number of pixels in run, or 0
    // when the stroke is not such a one.
    int ShortRun(const double (*points)[2], int count, int step, POINT* run) const;

private:
    double m_center[2], m_org[2], m_scale;
    double m_xmin, m_ymin, m_xmax, m_ymax;
    // A box wider or taller than this (world units) spans several pixels.
    double m_wide;
};

inline bool PixelMap2D::BoxPixel(const BOX2<double>& box, POINT& pixel) const
{
    // Cheap answer for most boxes; the full test below would say the same.
    if (box.xmax - box.xmin > m_wide || box.ymax - box.ymin > m_wide) return false;
    // Projection and rounding are monotone, so the box's corners bound every
    // point's pixel. The margin covers the last bit the clipper's interpolated
    // points may differ from the points themselves.
    constexpr double kMargin = 1e-6;
    const double topLeft[2] = {box.xmin, box.ymax}, bottomRight[2] = {box.xmax, box.ymin};
    double a[2], b[2];
    Project(topLeft, a);
    Project(bottomRight, b);
    const double x0 = a[0] - kMargin, y0 = a[1] - kMargin, x1 = b[0] + kMargin, y1 = b[1] + kMargin;
    if (!Holds(x0, y0) || !Holds(x1, y1)) return false;  // also NaN
    const POINT p{RoundHeld(x0), RoundHeld(y0)};
    if (RoundHeld(x1) != p.x || RoundHeld(y1) != p.y) return false;
    pixel = p;
    return true;
}

inline int PixelMap2D::ShortRun(const double (*points)[2], int count, int step, POINT* run) const
{
    if (step < 1) step = 1;
    // Points 0, step, 2 step, ... and the last: ceil((count - 1) / step) + 1 of them.
    if (count < 2 || step >= count ||
        static_cast<long long>(count) - 1 > static_cast<long long>(CLooker::kShortStroke - 1) * step)
        return 0;
    double a[2];
    Project(points[0], a);
    if (!Holds(a[0], a[1])) return 0;
    run[0] = POINT{RoundHeld(a[0]), RoundHeld(a[1])};
    int m = 1;
    auto to = [&](const double* point) {
        double b[2];
        Project(point, b);
        if (!Holds(b[0], b[1])) return false;
        const POINT p{RoundHeld(a[0] + (b[0] - a[0])), RoundHeld(a[1] + (b[1] - a[1]))};
        if (run[m - 1].x != p.x || run[m - 1].y != p.y) run[m++] = p;
        a[0] = b[0];
        a[1] = b[1];
        return true;
    };
    long long i = step;
    for (; i < count; i += step)
        if (!to(points[i])) return 0;
    if (i - step != count - 1 && !to(points[count - 1])) return 0;
    return m;
}

// The current view object, or null; the program publishes its view state.
CLooker* gGetLooker();
void gSetLooker(CLooker* looker);
