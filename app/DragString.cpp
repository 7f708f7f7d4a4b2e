#include "app/DragString.h"

#include "platform/ui/Bitmap.h"
#include "platform/ui/QtDC.h"

CDragString::CDragString() = default;
CDragString::~CDragString() = default;

void CDragString::Set(const CString& text, const RECT& rect, CDC* dc)
{
    m_text = text;
    m_rect = rect;
    m_saved.reset();
    const int w = rect.right - rect.left, h = rect.bottom - rect.top;
    if (dc == nullptr || w <= 0 || h <= 0) return;
    auto saved = std::make_unique<CBitmap>();
    if (!saved->CreateCompatibleBitmap(dc, w, h)) return;
    CQtDC mem;
    mem.CreateCompatibleDC(dc);
    CBitmap* old = mem.SelectObject(saved.get());
    const BOOL copied = mem.BitBlt(0, 0, w, h, dc, rect.left, rect.top, SRCCOPY);
    mem.SelectObject(old);
    mem.DeleteDC();
    if (copied) m_saved = std::move(saved);
}

void CDragString::DrawTips(CDC* dc)
{
    if (dc == nullptr) return;
    dc->FillSolidRect(&m_rect, RGB(255, 255, 225));
    const int oldMode = dc->SetBkMode(TRANSPARENT);
    const COLORREF oldColour = dc->SetTextColor(RGB(0, 0, 0));
    dc->TextOut(m_rect.left + 1, m_rect.top, m_text);
    dc->SetTextColor(oldColour);
    dc->SetBkMode(oldMode);
}

void CDragString::DrawDCBitmap(CDC* dc)
{
    if (dc == nullptr || !m_saved) return;
    CQtDC mem;
    mem.CreateCompatibleDC(dc);
    CBitmap* old = mem.SelectObject(m_saved.get());
    dc->BitBlt(m_rect.left, m_rect.top, m_rect.right - m_rect.left, m_rect.bottom - m_rect.top, &mem, 0, 0, SRCCOPY);
    mem.SelectObject(old);
    mem.DeleteDC();
}
