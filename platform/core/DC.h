// Drawing context: the pen, brush and raster-operation state and the drawing
// calls that shapes and commands draw through. The base class keeps the state
// and draws nothing; a concrete context (the screen one over Qt, the recording
// one of the tests) implements the protected hooks.
#pragma once

#include "platform/core/WinTypes.h"

// Pen styles.
inline constexpr int PS_SOLID = 0;
inline constexpr int PS_DASH = 1;
inline constexpr int PS_DOT = 2;
inline constexpr int PS_DASHDOT = 3;
inline constexpr int PS_DASHDOTDOT = 4;
inline constexpr int PS_NULL = 5;

// Binary raster operations: how the pen combines with the pixels below.
inline constexpr int R2_BLACK = 1;
inline constexpr int R2_NOT = 6;
inline constexpr int R2_XORPEN = 7;       // drawing twice restores the screen
inline constexpr int R2_NOTXORPEN = 10;   // drawing twice restores the screen
inline constexpr int R2_NOP = 11;
inline constexpr int R2_COPYPEN = 13;     // the default
inline constexpr int R2_WHITE = 16;

// Attributes of a pen as a value.
struct PenState {
    int style = PS_SOLID;
    int width = 1;
    COLORREF colour = 0;  // 0x00BBGGRR
    bool operator==(const PenState&) const = default;
};

class CPen {
public:
    CPen() = default;
    CPen(int style, int width, COLORREF colour) { CreatePen(style, width, colour); }

    BOOL CreatePen(int style, int width, COLORREF colour);
    BOOL DeleteObject();
    bool IsCreated() const { return m_bCreated; }

    const PenState& GetState() const { return m_state; }
    int GetStyle() const { return m_state.style; }
    int GetWidth() const { return m_state.width; }
    COLORREF GetColor() const { return m_state.colour; }

private:
    PenState m_state;
    bool m_bCreated = false;
};

class CBrush {
public:
    CBrush() = default;
    explicit CBrush(COLORREF colour) { CreateSolidBrush(colour); }

    BOOL CreateSolidBrush(COLORREF colour);
    // A brush that does not fill (shapes are only outlined).
    BOOL CreateHollowBrush();
    BOOL DeleteObject();
    bool IsCreated() const { return m_bCreated; }

    COLORREF GetColor() const { return m_colour; }
    bool IsHollow() const { return m_bHollow; }

private:
    COLORREF m_colour = 0xFFFFFF;
    bool m_bHollow = false;
    bool m_bCreated = false;
};

class CDC {
public:
    CDC();
    virtual ~CDC();
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;

    // Selects a created pen or brush and returns the one selected before (the
    // context's own default at first), to be selected again afterwards. A null
    // or never-created object is refused: null is returned, nothing changes.
    // The attributes are taken at selection, so drawing never reads the object.
    CPen* SelectObject(CPen* pen);
    CBrush* SelectObject(CBrush* brush);
    CPen* GetCurrentPen() const { return m_pPen; }
    CBrush* GetCurrentBrush() const { return m_pBrush; }
    const PenState& GetPenState() const { return m_pen; }
    COLORREF GetBrushColor() const { return m_brushColour; }
    bool IsBrushHollow() const { return m_bBrushHollow; }

    // Returns the previous mode; 0 (and no change) for an unknown mode.
    int SetROP2(int mode);
    int GetROP2() const { return m_nROP2; }

    // Moves the current position; returns the previous one.
    POINT MoveTo(int x, int y);
    POINT MoveTo(POINT p) { return MoveTo(p.x, p.y); }
    // Line from the current position to (x, y), which becomes current.
    BOOL LineTo(int x, int y);
    BOOL LineTo(POINT p) { return LineTo(p.x, p.y); }
    POINT GetCurrentPosition() const { return m_ptCurrent; }

    // Connected line segments through count points (FALSE below 2 points); the
    // current position is neither used nor changed.
    BOOL Polyline(const POINT* points, int count);

    // Outlined with the pen and filled with the brush, in the bounding rectangle.
    BOOL Ellipse(int left, int top, int right, int bottom);
    BOOL Ellipse(LPCRECT rect);
    BOOL Rectangle(int left, int top, int right, int bottom);
    BOOL Rectangle(LPCRECT rect);

    // Returns the colour actually set, or (COLORREF)-1 when the pixel is outside.
    COLORREF SetPixel(int x, int y, COLORREF colour);
    COLORREF SetPixel(POINT p, COLORREF colour) { return SetPixel(p.x, p.y, colour); }

protected:
    // Hooks of the concrete contexts; the state above is already updated when
    // they run. The base versions draw nothing.
    virtual void OnSelectPen() {}
    virtual void OnSelectBrush() {}
    virtual void OnSetROP2() {}
    virtual void OnMoveTo(POINT) {}
    virtual void OnLineTo(POINT from, POINT to);
    virtual void OnPolyline(const POINT* points, int count);
    virtual void OnEllipse(const RECT& rect);
    virtual void OnRectangle(const RECT& rect);
    virtual COLORREF OnSetPixel(int x, int y, COLORREF colour);

private:
    CPen m_defaultPen;
    CBrush m_defaultBrush;
    CPen* m_pPen = nullptr;
    CBrush* m_pBrush = nullptr;
    PenState m_pen;
    COLORREF m_brushColour = 0xFFFFFF;
    bool m_bBrushHollow = false;
    int m_nROP2 = R2_COPYPEN;
    POINT m_ptCurrent{0, 0};
};
