// A drawing context that draws into an off-screen bitmap and copies the
// picture to its target context in one step when it is destroyed, so that the
// screen never shows a half-drawn scene. When the target prints, nothing is
// buffered: DrawingDC() is then the target itself.
#pragma once

#include "platform/core/WinGeometry.h"
#include "platform/ui/Bitmap.h"
#include "platform/ui/QtDC.h"

class CQVMemDC : public CQtDC {
public:
    // rect in the target's logical units; null takes the target's clip box.
    // keep, when given, is a bitmap owned by the caller that is drawn on
    // instead of a new one, and reused from frame to frame while the size
    // stays the same (it is made anew when the size changes). Each frame
    // starts on a fill; after the copy to a Qt target the bitmap may hold the
    // target's former picture instead of the frame (their pixels exchanged).
    explicit CQVMemDC(CDC* pDC, const RECT* rect = nullptr, CBitmap* keep = nullptr);
    ~CQVMemDC() override;
    CQVMemDC(const CQVMemDC&) = delete;
    CQVMemDC& operator=(const CQVMemDC&) = delete;

    // The context to draw with: this one, or the printing target.
    CDC* DrawingDC() { return m_bMemDC ? static_cast<CDC*>(this) : m_pDC; }
    BOOL IsMemDC() const { return m_bMemDC; }
    const CRect& GetRect() const { return m_rect; }

private:
    CBitmap* m_pOldBitmap = nullptr;
    CDC* m_pDC;
    BOOL m_bMemDC;
    CBitmap m_ownBitmap;
    CRect m_rect;
};
