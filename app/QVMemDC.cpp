#include "app/QVMemDC.h"

#include "framework/looker/QVGlobal.h"

#include <algorithm>

CQVMemDC::CQVMemDC(CDC* pDC, const RECT* rect, CBitmap* keep)
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
    const CQVGlobal* global = gGetQVGlobal();
    const bool fill = m_rect.Width() >= 1 && m_rect.Height() >= 1;
    if (m_bMemDC) {
        CreateCompatibleDC(pDC);
        CBitmap* bitmap = keep != nullptr ? keep : &m_ownBitmap;
        const SIZE size{std::max(m_rect.Width(), 1), std::max(m_rect.Height(), 1)};
        const SIZE had = bitmap->GetSize();
        const bool reused = bitmap->IsCreated() && had.cx == size.cx && had.cy == size.cy;
        if (!reused) bitmap->CreateCompatibleBitmap(pDC, size.cx, size.cy);
        m_pOldBitmap = SelectObject(bitmap);
        // Logical coordinates stay those of the target.
        SetWindowOrg(m_rect.left, m_rect.top);
        // A reused bitmap still holds the last frame: without a background
        // colour it starts black, as a new one does.
        if (reused && global == nullptr && fill) FillSolidRect(&m_rect, RGB(0, 0, 0));
    }
    if (global != nullptr && fill) DrawingDC()->FillSolidRect(&m_rect, global->m_crBackground);
}

CQVMemDC::~CQVMemDC()
{
    if (!m_bMemDC || m_pDC == nullptr) return;
    // Each frame starts on a fresh fill, so a Qt target may take the finished
    // frame's pixels and leave its old ones in the bitmap instead of copying.
    if (auto* target = dynamic_cast<CQtDC*>(m_pDC))
        target->BitBltHandOver(m_rect.left, m_rect.top, m_rect.Width(), m_rect.Height(), this, m_rect.left, m_rect.top);
    else
        m_pDC->BitBlt(m_rect.left, m_rect.top, m_rect.Width(), m_rect.Height(), this, m_rect.left, m_rect.top, SRCCOPY);
    SelectObject(m_pOldBitmap);
    DeleteDC();
}
