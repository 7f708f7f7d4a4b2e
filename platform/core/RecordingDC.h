// A drawing context that draws nothing and keeps a record of every call, with
// the pen, brush and raster operation in force at the time; tests read it.
#pragma once

#include "platform/core/DC.h"

#include <cstddef>
#include <string>
#include <vector>

struct DCRecord {
    enum Kind {
        SelectPen, SelectBrush, SetROP2, MoveTo, LineTo, Polyline, Ellipse, Rectangle, SetPixel,
        SelectFont, TextOut, FillSolidRect, BitBlt, DrawImage
    };

    Kind kind = MoveTo;
    // MoveTo: target; LineTo: from, to; Polyline: all; SetPixel, TextOut: the
    // point; BitBlt: the source point; DrawImage: the three corners
    std::vector<POINT> points;
    RECT rect{0, 0, 0, 0};      // Ellipse, Rectangle, FillSolidRect; BitBlt: the target block;
                                // DrawImage: (0, 0, image width, image height)
    COLORREF colour = 0;        // SetPixel: the colour asked for; FillSolidRect: the fill; TextOut: text colour;
                                // DrawImage: the key colour
    bool keyed = false;         // DrawImage: whether a key colour was given
    const BYTE* bits = nullptr; // DrawImage: the pixels
    std::wstring text;          // TextOut
    DWORD rop = 0;              // BitBlt
    const CDC* source = nullptr;  // BitBlt
    const CFont* font = nullptr;  // font in force (for SelectFont: the new one; null = default)
    PenState pen;               // pen in force (for SelectPen: the new one)
    COLORREF brushColour = 0;   // brush in force (for SelectBrush: the new one)
    bool brushHollow = false;
    int rop2 = R2_COPYPEN;      // raster operation in force (for SetROP2: the new one)
};

class RecordingDC : public CDC {
public:
    const std::vector<DCRecord>& GetRecords() const { return m_records; }
    std::size_t Count(DCRecord::Kind kind) const;
    // Records of one kind, in call order.
    std::vector<DCRecord> Filter(DCRecord::Kind kind) const;
    // Every point drawn as a line: LineTo ends and polyline vertices, joined
    // into the strokes the calls make (a MoveTo or a new Polyline starts one).
    std::vector<std::vector<POINT>> Strokes() const;
    void Clear() { m_records.clear(); }

    // What GetClipBox answers: none (NULLREGION) until a box is set.
    void SetClipBox(const RECT& box) { m_clipBox = box; m_bHasClipBox = true; }
    // Text extents use a fixed cell of this many pixels per character.
    static constexpr int kCharWidth = 8;
    static constexpr int kCharHeight = 16;

protected:
    void OnSelectPen() override;
    void OnSelectBrush() override;
    void OnSetROP2() override;
    void OnMoveTo(POINT p) override;
    void OnLineTo(POINT from, POINT to) override;
    void OnPolyline(const POINT* points, int count) override;
    void OnEllipse(const RECT& rect) override;
    void OnRectangle(const RECT& rect) override;
    COLORREF OnSetPixel(int x, int y, COLORREF colour) override;
    void OnSelectFont() override;
    BOOL OnTextOut(int x, int y, LPCTSTR text, int count) override;
    SIZE OnGetTextExtent(LPCTSTR text, int count) const override;
    void OnFillSolidRect(const RECT& rect, COLORREF colour) override;
    BOOL OnBitBlt(int x, int y, int width, int height, CDC* source, int xSource, int ySource, DWORD rop) override;
    BOOL OnDrawImage(const POINT* points, int width, int height, const BYTE* bgra, const COLORREF* key) override;
    int OnGetClipBox(RECT& rect) const override;

private:
    DCRecord& Add(DCRecord::Kind kind);

    std::vector<DCRecord> m_records;
    RECT m_clipBox{0, 0, 0, 0};
    bool m_bHasClipBox = false;
};
