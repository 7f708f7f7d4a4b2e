// Drawing context: the pen, brush, font, text and raster-operation state and the
// drawing calls that shapes, commands and views draw through. The base class keeps
// the state and draws nothing (queries answer neutral values); a concrete context
// (the screen one over Qt, the recording one of the tests) implements the
// protected hooks, so drawing code holding a plain CDC* needs no cast.
#pragma once

#include "platform/core/WinString.h"
#include "platform/core/WinTypes.h"

class CFont;  // font object of the user-interface layer; the base only keeps the pointer

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

// Block transfers.
inline constexpr DWORD SRCCOPY = 0x00CC0020;
inline constexpr DWORD SRCINVERT = 0x00660046;

// Background modes of text output.
inline constexpr int TRANSPARENT = 1;
inline constexpr int OPAQUE = 2;

// Region kinds returned by GetClipBox.
inline constexpr int NULLREGION = 1;
inline constexpr int SIMPLEREGION = 2;

// GetDeviceCaps indexes.
inline constexpr int HORZRES = 8;
inline constexpr int VERTRES = 10;
inline constexpr int LOGPIXELSX = 88;
inline constexpr int LOGPIXELSY = 90;

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
    // The same pixel without reading it back: TRUE when it lies on the surface.
    BOOL SetPixelV(int x, int y, COLORREF colour);
    BOOL SetPixelV(POINT p, COLORREF colour) { return SetPixelV(p.x, p.y, colour); }
    // (COLORREF)-1 when the pixel is outside or the context has no surface.
    virtual COLORREF GetPixel(int x, int y) const;

    // Text state; each setter returns the previous value. An unknown background
    // mode is refused (0 returned, nothing changes).
    COLORREF SetTextColor(COLORREF colour);
    COLORREF GetTextColor() const { return m_crText; }
    COLORREF SetBkColor(COLORREF colour);
    COLORREF GetBkColor() const { return m_crBk; }
    int SetBkMode(int mode);
    int GetBkMode() const { return m_nBkMode; }
    // Selects a font and returns the one selected before; null stands for the
    // context's default font (so the returned value can always be selected back).
    // The font must stay alive while it is selected.
    CFont* SelectObject(CFont* font);
    CFont* GetCurrentFont() const { return m_pFont; }

    // Text with its cell's top-left corner at (x, y); FALSE for a null text or a
    // negative count. In OPAQUE mode the cell is filled with the background colour.
    BOOL TextOut(int x, int y, LPCTSTR text, int count);
    BOOL TextOut(int x, int y, const CString& text) { return TextOut(x, y, text.GetString(), text.GetLength()); }
    // Width and height of the text's cell in logical units ({0, 0} without a surface).
    SIZE GetTextExtent(LPCTSTR text, int count) const;
    SIZE GetTextExtent(const CString& text) const { return GetTextExtent(text.GetString(), text.GetLength()); }

    // Fills with a colour regardless of pen, brush and raster operation; the
    // background colour becomes that colour, as on the platform.
    void FillSolidRect(LPCRECT rect, COLORREF colour);
    void FillSolidRect(int x, int y, int cx, int cy, COLORREF colour);
    // Copies (SRCCOPY) or XORs (SRCINVERT) a block of another context's surface;
    // FALSE when the contexts cannot exchange pixels.
    BOOL BitBlt(int x, int y, int width, int height, CDC* source, int xSource, int ySource, DWORD rop);
    // Draws a bitmap of width x height pixels (4 bytes each, blue, green, red,
    // alpha; top row first) stretched over the rectangle (logical units). FALSE
    // for a bad size or when the context cannot draw pixels.
    BOOL StretchDIBits(LPCRECT dest, int width, int height, const BYTE* bgra);
    // Draws such a bitmap into the parallelogram whose upper-left, upper-right and
    // lower-left corners are points[0], points[1], points[2] (logical units). With a
    // key colour, pixels of that colour (alpha ignored) are transparent. FALSE for a
    // bad size or when the context cannot draw pixels.
    BOOL DrawImage(const POINT* points, int width, int height, const BYTE* bgra, const COLORREF* key);
    // The drawable area in logical units; NULLREGION (and an empty rectangle)
    // when the context has no surface.
    int GetClipBox(LPRECT rect) const;

    // Logical coordinates are device pixels moved by the window and viewport origins.
    POINT SetWindowOrg(int x, int y);
    POINT SetWindowOrg(POINT p) { return SetWindowOrg(p.x, p.y); }
    POINT GetWindowOrg() const { return m_ptWindowOrg; }
    POINT SetViewportOrg(int x, int y);
    POINT SetViewportOrg(POINT p) { return SetViewportOrg(p.x, p.y); }
    POINT GetViewportOrg() const { return m_ptViewportOrg; }
    void LPtoDP(LPPOINT points, int count = 1) const;
    void DPtoLP(LPPOINT points, int count = 1) const;
    void LPtoDP(LPRECT rect) const;
    void DPtoLP(LPRECT rect) const;

    BOOL IsPrinting() const { return m_bPrinting; }
    void SetPrinting(BOOL printing) { m_bPrinting = printing; }
    // Device facts (HORZRES, LOGPIXELSX, ...); 0 without a device.
    virtual int GetDeviceCaps(int index) const;

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
    virtual BOOL OnSetPixelV(int x, int y, COLORREF colour);
    virtual void OnSelectFont() {}
    virtual void OnSetOrigin() {}
    virtual BOOL OnTextOut(int x, int y, LPCTSTR text, int count);
    virtual SIZE OnGetTextExtent(LPCTSTR text, int count) const;
    virtual void OnFillSolidRect(const RECT& rect, COLORREF colour);
    virtual BOOL OnBitBlt(int x, int y, int width, int height, CDC* source, int xSource, int ySource, DWORD rop);
    virtual BOOL OnStretchDIBits(const RECT& dest, int width, int height, const BYTE* bgra);
    virtual BOOL OnDrawImage(const POINT* points, int width, int height, const BYTE* bgra, const COLORREF* key);
    // Fills rect and returns the region kind.
    virtual int OnGetClipBox(RECT& rect) const;

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
    COLORREF m_crText = 0;
    COLORREF m_crBk = 0xFFFFFF;
    int m_nBkMode = OPAQUE;
    CFont* m_pFont = nullptr;
    POINT m_ptWindowOrg{0, 0};
    POINT m_ptViewportOrg{0, 0};
    BOOL m_bPrinting = FALSE;
};
