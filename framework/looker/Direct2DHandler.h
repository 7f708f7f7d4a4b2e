// Stand-in for the Direct2D path of the view: a render target that draws
// anti-aliased primitives and the brush it draws with.
#pragma once

#include "platform/core/WinTypes.h"

struct D2DPoint {
    float x = 0.0f;
    float y = 0.0f;
};

// Axis-parallel ellipse in pixels: centre and the two radii.
struct D2DEllipse {
    D2DPoint point;
    float radiusX = 0.0f;
    float radiusY = 0.0f;
};

struct D2DBrush {
    COLORREF colour = 0;  // 0x00BBGGRR
    float opacity = 1.0f;
};

// Opaque stroke style; null draws solid.
class D2DStrokeStyle;

class D2DRenderTarget {
public:
    virtual ~D2DRenderTarget() = default;
    virtual void DrawEllipse(const D2DEllipse& ellipse, const D2DBrush* brush, float strokeWidth,
                             const D2DStrokeStyle* strokeStyle) = 0;
};

// What shapes receive in Draw(Direct2DHandler*, int): the render target (may
// be null, then nothing is drawn) and the brush.
class Direct2DHandler {
public:
    Direct2DHandler() = default;
    Direct2DHandler(D2DRenderTarget* target, COLORREF colour) : m_pRenderTarget(target) { m_brush.colour = colour; }

    D2DRenderTarget* GetRenderTarget() const { return m_pRenderTarget; }
    void SetRenderTarget(D2DRenderTarget* target) { m_pRenderTarget = target; }
    const D2DBrush* GetBrush() const { return &m_brush; }
    void SetColor(COLORREF colour) { m_brush.colour = colour; }

    // Forwards to the render target with the handler's brush; nothing without one.
    void DrawEllipse(const D2DEllipse& ellipse, float strokeWidth, const D2DStrokeStyle* strokeStyle) const
    {
        if (m_pRenderTarget) m_pRenderTarget->DrawEllipse(ellipse, &m_brush, strokeWidth, strokeStyle);
    }

private:
    D2DRenderTarget* m_pRenderTarget = nullptr;
    D2DBrush m_brush;
};
