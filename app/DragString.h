// A floating text tip on a view's screen image: it keeps the pixels under its
// rectangle when set, so that DrawDCBitmap can put them back.
#pragma once

#include "platform/core/WinString.h"
#include "platform/core/WinTypes.h"

#include <memory>

class CBitmap;
class CDC;

class CDragString {
public:
    CDragString();
    ~CDragString();
    CDragString(const CDragString&) = delete;
    CDragString& operator=(const CDragString&) = delete;

    // Stores the text and rectangle (pixels) and keeps the screen under the rectangle.
    void Set(const CString& text, const RECT& rect, CDC* dc);
    // Draws the tip: a filled box with the text.
    void DrawTips(CDC* dc);
    // Puts back the screen kept by Set.
    void DrawDCBitmap(CDC* dc);

    const CString& GetText() const { return m_text; }
    const RECT& GetRect() const { return m_rect; }

private:
    CString m_text;
    RECT m_rect{0, 0, 0, 0};
    std::unique_ptr<CBitmap> m_saved;
};
