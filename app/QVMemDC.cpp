#include "app/QVMemDC.h"

#include "framework/looker/QVGlobal.h"

#include <algorithm>

CQVMemDC::CQVMemDC(CDC* pDC, const RECT* rect)
    : m_pDC(pDC), m_bMemDC(pDC != nullptr && !pDC->IsPrinting() ? TRUE : FALSE)
{
    if (pDC == nullptr) return;
    if (rect != nullptr) {
        m_rect = CRect(*rect);
    } else {
        RECT clip{0, 0, 0, 0};
        pDC->GetClipBox(&clip);
        m_rect = CRect(clip);
    }
    if (m_bMemDC) {
        CreateCompatibleDC(pDC);
        m_bitmap.CreateCompatibleBitmap(pDC, std::max(m_rect.Width(), 1), std::max(m_rect.Height(), 1));
        m_pOldBitmap = SelectObject(&m_bitmap);
        // Logical coordinates stay those of the target.
        SetWindowOrg(m_rect.left, m_rect.top);
    }
    const CQVGlobal* global = gGetQVGlobal();
    if (global != nullptr && m_rect.Width() >= 1 && m_rect.Height() >= 1) {
        DrawingDC()->FillSolidRect(&m_rect, global->m_crBackground);
    }
}

CQVMemDC::~CQVMemDC()
{
    if (!m_bMemDC || m_pDC == nullptr) return;
    m_pDC->BitBlt(m_rect.left, m_rect.top, m_rect.Width(), m_rect.Height(), this, m_rect.left, m_rect.top, SRCCOPY);
    SelectObject(m_pOldBitmap);
    DeleteDC();
}
