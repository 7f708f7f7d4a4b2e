// Stand-in for the Direct2D path of the view: a render target that draws
// anti-aliased primitives through its current transform, and the brush it
// draws with.
#pragma once

#include "platform/core/WinTypes.h"

#include <cmath>
#include <numbers>

struct D2DPoint {
    float x = 0.0f;
    float y = 0.0f;
};

// Affine map on row vectors, [x y 1] * [[m11 m12 0] [m21 m22 0] [dx dy 1]],
// as the render target's transform: x' = x m11 + y m21 + dx, y' = x m12 + y m22 + dy.
struct D2DMatrix3x2 {
    float m11 = 1.0f, m12 = 0.0f;
    float m21 = 0.0f, m22 = 1.0f;
    float dx = 0.0f, dy = 0.0f;

    static D2DMatrix3x2 Identity() { return {}; }
    static D2DMatrix3x2 Translation(float x, float y) { return {1.0f, 0.0f, 0.0f, 1.0f, x, y}; }
    // Rotation by angleDegrees about centre; positive angles turn +x towards +y
    // (clockwise on a screen whose y axis points down).
    static D2DMatrix3x2 Rotation(float angleDegrees, D2DPoint centre)
    {
        const double rad = static_cast<double>(angleDegrees) * std::numbers::pi / 180.0;
        const double c = std::cos(rad), s = std::sin(rad);
        const double cx = centre.x, cy = centre.y;
        return {static_cast<float>(c),  static_cast<float>(s),
                static_cast<float>(-s), static_cast<float>(c),
                static_cast<float>(cx - cx * c + cy * s), static_cast<float>(cy - cx * s - cy * c)};
    }

    bool IsIdentity() const
    {
        return m11 == 1.0f && m12 == 0.0f && m21 == 0.0f && m22 == 1.0f && dx == 0.0f && dy == 0.0f;
    }

    D2DPoint TransformPoint(D2DPoint p) const
    {
        return {p.x * m11 + p.y * m21 + dx, p.x * m12 + p.y * m22 + dy};
    }

    // this * next: maps through this transform first, then through next.
    D2DMatrix3x2 operator*(const D2DMatrix3x2& next) const
    {
        return {m11 * next.m11 + m12 * next.m21, m11 * next.m12 + m12 * next.m22,
                m21 * next.m11 + m22 * next.m21, m21 * next.m12 + m22 * next.m22,
                dx * next.m11 + dy * next.m21 + next.dx, dx * next.m12 + dy * next.m22 + next.dy};
    }
};

// Axis-parallel ellipse in the target's own coordinates (pixels before the
// target's transform): centre and the two radii.
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

// A target keeps one current transform (identity at first) that maps every
// primitive it draws; a rotated ellipse is an axis-parallel one drawn under a
// rotation. Back ends read GetTransform() when drawing.
class D2DRenderTarget {
public:
    virtual ~D2DRenderTarget() = default;
    virtual void DrawEllipse(const D2DEllipse& ellipse, const D2DBrush* brush, float strokeWidth,
                             const D2DStrokeStyle* strokeStyle) = 0;

    void SetTransform(const D2DMatrix3x2& transform) { m_transform = transform; }
    void GetTransform(D2DMatrix3x2* transform) const
    {
        if (transform) *transform = m_transform;
    }

private:
    D2DMatrix3x2 m_transform;
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
