#include "platform/core/DC.h"

BOOL CPen::CreatePen(int style, int width, COLORREF colour)
{
    if (style < PS_SOLID || style > PS_NULL) return FALSE;
    m_state = PenState{style, width < 0 ? 0 : width, colour};
    m_bCreated = true;
    return TRUE;
}

BOOL CPen::DeleteObject()
{
    const BOOL had = m_bCreated ? TRUE : FALSE;
    m_state = PenState{};
    m_bCreated = false;
    return had;
}

BOOL CBrush::CreateSolidBrush(COLORREF colour)
{
    m_colour = colour;
    m_bHollow = false;
    m_bCreated = true;
    return TRUE;
}

BOOL CBrush::CreateHollowBrush()
{
    m_colour = 0;
    m_bHollow = true;
    m_bCreated = true;
    return TRUE;
}

BOOL CBrush::DeleteObject()
{
    const BOOL had = m_bCreated ? TRUE : FALSE;
    *this = CBrush();
    return had;
}

CDC::CDC() : m_defaultPen(PS_SOLID, 1, 0), m_defaultBrush(0xFFFFFF)
{
    m_pPen = &m_defaultPen;
    m_pBrush = &m_defaultBrush;
    m_pen = m_defaultPen.GetState();
}

CDC::~CDC() = default;

CPen* CDC::SelectObject(CPen* pen)
{
    if (!pen || !pen->IsCreated()) return nullptr;
    CPen* old = m_pPen;
    m_pPen = pen;
    m_pen = pen->GetState();
    OnSelectPen();
    return old;
}

CBrush* CDC::SelectObject(CBrush* brush)
{
    if (!brush || !brush->IsCreated()) return nullptr;
    CBrush* old = m_pBrush;
    m_pBrush = brush;
    m_brushColour = brush->GetColor();
    m_bBrushHollow = brush->IsHollow();
    OnSelectBrush();
    return old;
}

int CDC::SetROP2(int mode)
{
    if (mode < R2_BLACK || mode > R2_WHITE) return 0;
    const int old = m_nROP2;
    m_nROP2 = mode;
    OnSetROP2();
    return old;
}

POINT CDC::MoveTo(int x, int y)
{
    const POINT old = m_ptCurrent;
    m_ptCurrent = POINT{x, y};
    OnMoveTo(m_ptCurrent);
    return old;
}

BOOL CDC::LineTo(int x, int y)
{
    const POINT from = m_ptCurrent;
    m_ptCurrent = POINT{x, y};
    OnLineTo(from, m_ptCurrent);
    return TRUE;
}

BOOL CDC::Polyline(const POINT* points, int count)
{
    if (!points || count < 2) return FALSE;
    OnPolyline(points, count);
    return TRUE;
}

BOOL CDC::Ellipse(int left, int top, int right, int bottom)
{
    OnEllipse(RECT{left, top, right, bottom});
    return TRUE;
}

BOOL CDC::Ellipse(LPCRECT rect)
{
    if (!rect) return FALSE;
    return Ellipse(rect->left, rect->top, rect->right, rect->bottom);
}

BOOL CDC::Rectangle(int left, int top, int right, int bottom)
{
    OnRectangle(RECT{left, top, right, bottom});
    return TRUE;
}

BOOL CDC::Rectangle(LPCRECT rect)
{
    if (!rect) return FALSE;
    return Rectangle(rect->left, rect->top, rect->right, rect->bottom);
}

COLORREF CDC::SetPixel(int x, int y, COLORREF colour) { return OnSetPixel(x, y, colour); }

BOOL CDC::SetPixelV(int x, int y, COLORREF colour) { return OnSetPixelV(x, y, colour); }

void CDC::OnLineTo(POINT, POINT) {}

void CDC::OnPolyline(const POINT*, int) {}

void CDC::OnEllipse(const RECT&) {}

void CDC::OnRectangle(const RECT&) {}

COLORREF CDC::OnSetPixel(int, int, COLORREF colour) { return colour; }

BOOL CDC::OnSetPixelV(int x, int y, COLORREF colour)
{
    return OnSetPixel(x, y, colour) != static_cast<COLORREF>(-1) ? TRUE : FALSE;
}

COLORREF CDC::GetPixel(int, int) const { return static_cast<COLORREF>(-1); }

COLORREF CDC::SetTextColor(COLORREF colour)
{
    const COLORREF old = m_crText;
    m_crText = colour;
    return old;
}

COLORREF CDC::SetBkColor(COLORREF colour)
{
    const COLORREF old = m_crBk;
    m_crBk = colour;
    return old;
}

int CDC::SetBkMode(int mode)
{
    if (mode != TRANSPARENT && mode != OPAQUE) return 0;
    const int old = m_nBkMode;
    m_nBkMode = mode;
    return old;
}

CFont* CDC::SelectObject(CFont* font)
{
    CFont* old = m_pFont;
    m_pFont = font;
    OnSelectFont();
    return old;
}

BOOL CDC::TextOut(int x, int y, LPCTSTR text, int count)
{
    if (!text || count < 0) return FALSE;
    return OnTextOut(x, y, text, count);
}

SIZE CDC::GetTextExtent(LPCTSTR text, int count) const
{
    if (!text || count <= 0) return SIZE{0, 0};
    return OnGetTextExtent(text, count);
}

void CDC::FillSolidRect(LPCRECT rect, COLORREF colour)
{
    if (!rect) return;
    SetBkColor(colour);
    OnFillSolidRect(*rect, colour);
}

void CDC::FillSolidRect(int x, int y, int cx, int cy, COLORREF colour)
{
    const RECT rect{x, y, x + cx, y + cy};
    FillSolidRect(&rect, colour);
}

BOOL CDC::BitBlt(int x, int y, int width, int height, CDC* source, int xSource, int ySource, DWORD rop)
{
    if (!source || width < 0 || height < 0) return FALSE;
    return OnBitBlt(x, y, width, height, source, xSource, ySource, rop);
}

BOOL CDC::StretchDIBits(LPCRECT dest, int width, int height, const BYTE* bgra)
{
    if (!dest || !bgra || width <= 0 || height <= 0) return FALSE;
    return OnStretchDIBits(*dest, width, height, bgra);
}

BOOL CDC::DrawImage(const POINT* points, int width, int height, const BYTE* bgra, const COLORREF* key)
{
    if (!points || !bgra || width <= 0 || height <= 0) return FALSE;
    return OnDrawImage(points, width, height, bgra, key);
}

int CDC::GetClipBox(LPRECT rect) const
{
    RECT box{0, 0, 0, 0};
    const int kind = OnGetClipBox(box);
    if (rect) *rect = box;
    return kind;
}

POINT CDC::SetWindowOrg(int x, int y)
{
    const POINT old = m_ptWindowOrg;
    m_ptWindowOrg = POINT{x, y};
    OnSetOrigin();
    return old;
}

POINT CDC::SetViewportOrg(int x, int y)
{
    const POINT old = m_ptViewportOrg;
    m_ptViewportOrg = POINT{x, y};
    OnSetOrigin();
    return old;
}

void CDC::LPtoDP(LPPOINT points, int count) const
{
    for (int i = 0; points && i < count; ++i) {
        points[i].x += m_ptViewportOrg.x - m_ptWindowOrg.x;
        points[i].y += m_ptViewportOrg.y - m_ptWindowOrg.y;
    }
}

void CDC::DPtoLP(LPPOINT points, int count) const
{
    for (int i = 0; points && i < count; ++i) {
        points[i].x -= m_ptViewportOrg.x - m_ptWindowOrg.x;
        points[i].y -= m_ptViewportOrg.y - m_ptWindowOrg.y;
    }
}

void CDC::LPtoDP(LPRECT rect) const
{
    if (!rect) return;
    POINT corners[2] = {{rect->left, rect->top}, {rect->right, rect->bottom}};
    LPtoDP(corners, 2);
    *rect = RECT{corners[0].x, corners[0].y, corners[1].x, corners[1].y};
}

void CDC::DPtoLP(LPRECT rect) const
{
    if (!rect) return;
    POINT corners[2] = {{rect->left, rect->top}, {rect->right, rect->bottom}};
    DPtoLP(corners, 2);
    *rect = RECT{corners[0].x, corners[0].y, corners[1].x, corners[1].y};
}

int CDC::GetDeviceCaps(int) const { return 0; }

BOOL CDC::OnTextOut(int, int, LPCTSTR, int) { return TRUE; }

SIZE CDC::OnGetTextExtent(LPCTSTR, int) const { return SIZE{0, 0}; }

void CDC::OnFillSolidRect(const RECT&, COLORREF) {}

BOOL CDC::OnBitBlt(int, int, int, int, CDC*, int, int, DWORD) { return FALSE; }

BOOL CDC::OnStretchDIBits(const RECT&, int, int, const BYTE*) { return FALSE; }

BOOL CDC::OnDrawImage(const POINT*, int, int, const BYTE*, const COLORREF*) { return FALSE; }

int CDC::OnGetClipBox(RECT& rect) const
{
    rect = RECT{0, 0, 0, 0};
    return NULLREGION;
}
