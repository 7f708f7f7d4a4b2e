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

void CDC::OnLineTo(POINT, POINT) {}

void CDC::OnPolyline(const POINT*, int) {}

void CDC::OnEllipse(const RECT&) {}

void CDC::OnRectangle(const RECT&) {}

COLORREF CDC::OnSetPixel(int, int, COLORREF colour) { return colour; }
