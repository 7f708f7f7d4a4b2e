// A drawing context that draws nothing and keeps a record of every call, with
// the pen, brush and raster operation in force at the time; tests read it.
#pragma once

#include "platform/core/DC.h"

#include <cstddef>
#include <vector>

struct DCRecord {
    enum Kind { SelectPen, SelectBrush, SetROP2, MoveTo, LineTo, Polyline, Ellipse, Rectangle, SetPixel };

    Kind kind = MoveTo;
    std::vector<POINT> points;  // MoveTo: target; LineTo: from, to; Polyline: all; SetPixel: the pixel
    RECT rect{0, 0, 0, 0};      // Ellipse, Rectangle
    COLORREF colour = 0;        // SetPixel: the colour asked for
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

private:
    DCRecord& Add(DCRecord::Kind kind);

    std::vector<DCRecord> m_records;
};
