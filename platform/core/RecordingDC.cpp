#include "platform/core/RecordingDC.h"

std::size_t RecordingDC::Count(DCRecord::Kind kind) const
{
    std::size_t n = 0;
    for (const DCRecord& r : m_records)
        if (r.kind == kind) ++n;
    return n;
}

std::vector<DCRecord> RecordingDC::Filter(DCRecord::Kind kind) const
{
    std::vector<DCRecord> out;
    for (const DCRecord& r : m_records)
        if (r.kind == kind) out.push_back(r);
    return out;
}

std::vector<std::vector<POINT>> RecordingDC::Strokes() const
{
    std::vector<std::vector<POINT>> strokes;
    bool open = false;  // whether the last stroke can take a LineTo
    for (const DCRecord& r : m_records) {
        switch (r.kind) {
        case DCRecord::MoveTo:
            open = false;
            break;
        case DCRecord::LineTo:
            if (!open) {
                strokes.push_back({r.points[0]});
                open = true;
            }
            strokes.back().push_back(r.points[1]);
            break;
        case DCRecord::Polyline:
            strokes.push_back(r.points);
            open = false;
            break;
        default:
            break;
        }
    }
    return strokes;
}

DCRecord& RecordingDC::Add(DCRecord::Kind kind)
{
    DCRecord& r = m_records.emplace_back();
    r.kind = kind;
    r.pen = GetPenState();
    r.brushColour = GetBrushColor();
    r.brushHollow = IsBrushHollow();
    r.rop2 = GetROP2();
    r.font = GetCurrentFont();
    return r;
}

void RecordingDC::OnSelectPen() { Add(DCRecord::SelectPen); }

void RecordingDC::OnSelectBrush() { Add(DCRecord::SelectBrush); }

void RecordingDC::OnSetROP2() { Add(DCRecord::SetROP2); }

void RecordingDC::OnMoveTo(POINT p) { Add(DCRecord::MoveTo).points = {p}; }

void RecordingDC::OnLineTo(POINT from, POINT to) { Add(DCRecord::LineTo).points = {from, to}; }

void RecordingDC::OnPolyline(const POINT* points, int count)
{
    Add(DCRecord::Polyline).points.assign(points, points + count);
}

void RecordingDC::OnEllipse(const RECT& rect) { Add(DCRecord::Ellipse).rect = rect; }

void RecordingDC::OnRectangle(const RECT& rect) { Add(DCRecord::Rectangle).rect = rect; }

COLORREF RecordingDC::OnSetPixel(int x, int y, COLORREF colour)
{
    DCRecord& r = Add(DCRecord::SetPixel);
    r.points = {POINT{x, y}};
    r.colour = colour;
    return colour;
}

void RecordingDC::OnSelectFont() { Add(DCRecord::SelectFont); }

BOOL RecordingDC::OnTextOut(int x, int y, LPCTSTR text, int count)
{
    DCRecord& r = Add(DCRecord::TextOut);
    r.points = {POINT{x, y}};
    r.text.assign(text, static_cast<std::size_t>(count));
    r.colour = GetTextColor();
    return TRUE;
}

SIZE RecordingDC::OnGetTextExtent(LPCTSTR, int count) const { return SIZE{count * kCharWidth, kCharHeight}; }

void RecordingDC::OnFillSolidRect(const RECT& rect, COLORREF colour)
{
    DCRecord& r = Add(DCRecord::FillSolidRect);
    r.rect = rect;
    r.colour = colour;
}

BOOL RecordingDC::OnBitBlt(int x, int y, int width, int height, CDC* source, int xSource, int ySource, DWORD rop)
{
    DCRecord& r = Add(DCRecord::BitBlt);
    r.rect = RECT{x, y, x + width, y + height};
    r.points = {POINT{xSource, ySource}};
    r.source = source;
    r.rop = rop;
    return TRUE;
}

BOOL RecordingDC::OnDrawImage(const POINT* points, int width, int height, const BYTE* bgra, const COLORREF* key)
{
    DCRecord& r = Add(DCRecord::DrawImage);
    r.points.assign(points, points + 3);
    r.rect = RECT{0, 0, width, height};
    r.keyed = key != nullptr;
    r.colour = key ? *key : 0;
    r.bits = bgra;
    return TRUE;
}

int RecordingDC::OnGetClipBox(RECT& rect) const
{
    if (!m_bHasClipBox) return CDC::OnGetClipBox(rect);
    rect = m_clipBox;
    return SIMPLEREGION;
}
