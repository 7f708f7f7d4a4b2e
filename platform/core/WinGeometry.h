#pragma once
// Integer point, size and rectangle of the class library, over the Windows records.
// A rectangle includes its left/top edges and excludes its right/bottom edges.

#include "platform/core/WinTypes.h"

#include <algorithm>

class CSize : public SIZE {
public:
  constexpr CSize() : SIZE{0, 0} {}
  constexpr CSize(int initCX, int initCY) : SIZE{initCX, initCY} {}
  constexpr CSize(SIZE s) : SIZE(s) {}  // NOLINT
  friend constexpr bool operator==(const CSize& a, const CSize& b) { return a.cx == b.cx && a.cy == b.cy; }
  constexpr CSize operator+(SIZE s) const { return CSize(cx + s.cx, cy + s.cy); }
  constexpr CSize operator-(SIZE s) const { return CSize(cx - s.cx, cy - s.cy); }
  constexpr CSize operator-() const { return CSize(-cx, -cy); }
};

class CPoint : public POINT {
public:
  constexpr CPoint() : POINT{0, 0} {}
  constexpr CPoint(int initX, int initY) : POINT{initX, initY} {}
  constexpr CPoint(POINT p) : POINT(p) {}  // NOLINT
  constexpr explicit CPoint(SIZE s) : POINT{s.cx, s.cy} {}

  void Offset(int xOffset, int yOffset) { x += xOffset, y += yOffset; }
  void Offset(POINT p) { Offset(p.x, p.y); }
  void Offset(SIZE s) { Offset(s.cx, s.cy); }
  void SetPoint(int X, int Y) { x = X, y = Y; }

  friend constexpr bool operator==(const CPoint& a, const CPoint& b) { return a.x == b.x && a.y == b.y; }
  CPoint& operator+=(SIZE s) {
    Offset(s);
    return *this;
  }
  CPoint& operator-=(SIZE s) {
    Offset(-s.cx, -s.cy);
    return *this;
  }
  CPoint& operator+=(POINT p) {
    Offset(p);
    return *this;
  }
  CPoint& operator-=(POINT p) {
    Offset(-p.x, -p.y);
    return *this;
  }
  constexpr CPoint operator+(SIZE s) const { return CPoint(x + s.cx, y + s.cy); }
  constexpr CPoint operator-(SIZE s) const { return CPoint(x - s.cx, y - s.cy); }
  constexpr CPoint operator+(POINT p) const { return CPoint(x + p.x, y + p.y); }
  constexpr CSize operator-(POINT p) const { return CSize(x - p.x, y - p.y); }
  constexpr CPoint operator-() const { return CPoint(-x, -y); }
};

class CRect : public RECT {
public:
  constexpr CRect() : RECT{0, 0, 0, 0} {}
  constexpr CRect(int l, int t, int r, int b) : RECT{l, t, r, b} {}
  constexpr CRect(const RECT& src) : RECT(src) {}  // NOLINT
  constexpr CRect(const RECT* src) : RECT(*src) {}  // NOLINT
  constexpr CRect(POINT topLeft, SIZE size) : RECT{topLeft.x, topLeft.y, topLeft.x + size.cx, topLeft.y + size.cy} {}
  constexpr CRect(POINT topLeft, POINT bottomRight) : RECT{topLeft.x, topLeft.y, bottomRight.x, bottomRight.y} {}

  constexpr int Width() const { return right - left; }
  constexpr int Height() const { return bottom - top; }
  constexpr CSize Size() const { return CSize(Width(), Height()); }
  constexpr CPoint TopLeft() const { return CPoint(left, top); }
  constexpr CPoint BottomRight() const { return CPoint(right, bottom); }
  constexpr CPoint CenterPoint() const { return CPoint((left + right) / 2, (top + bottom) / 2); }

  operator LPRECT() { return this; }              // NOLINT
  operator LPCRECT() const { return this; }       // NOLINT

  constexpr bool IsRectEmpty() const { return right <= left || bottom <= top; }
  constexpr bool IsRectNull() const { return left == 0 && top == 0 && right == 0 && bottom == 0; }
  constexpr bool PtInRect(POINT p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
  constexpr bool EqualRect(const RECT* r) const {
    return left == r->left && top == r->top && right == r->right && bottom == r->bottom;
  }

  void SetRect(int l, int t, int r, int b) { left = l, top = t, right = r, bottom = b; }
  void SetRectEmpty() { SetRect(0, 0, 0, 0); }
  void CopyRect(const RECT* src) { *static_cast<RECT*>(this) = *src; }
  void NormalizeRect() {
    if (left > right) std::swap(left, right);
    if (top > bottom) std::swap(top, bottom);
  }
  void InflateRect(int x, int y) { left -= x, top -= y, right += x, bottom += y; }
  void InflateRect(SIZE s) { InflateRect(s.cx, s.cy); }
  void InflateRect(int l, int t, int r, int b) { left -= l, top -= t, right += r, bottom += b; }
  void DeflateRect(int x, int y) { InflateRect(-x, -y); }
  void DeflateRect(SIZE s) { InflateRect(-s.cx, -s.cy); }
  void DeflateRect(int l, int t, int r, int b) { InflateRect(-l, -t, -r, -b); }
  void OffsetRect(int x, int y) { left += x, top += y, right += x, bottom += y; }
  void OffsetRect(POINT p) { OffsetRect(p.x, p.y); }
  void OffsetRect(SIZE s) { OffsetRect(s.cx, s.cy); }
  void MoveToXY(int x, int y) { OffsetRect(x - left, y - top); }

  // Overlap of the two rectangles; empty (all zero) and FALSE when they do not overlap.
  BOOL IntersectRect(const RECT* a, const RECT* b) {
    const CRect r(std::max(a->left, b->left), std::max(a->top, b->top), std::min(a->right, b->right),
                  std::min(a->bottom, b->bottom));
    if (r.IsRectEmpty()) {
      SetRectEmpty();
      return FALSE;
    }
    *this = r;
    return TRUE;
  }
  // Smallest rectangle holding both; empty rectangles do not count. FALSE when the result is empty.
  BOOL UnionRect(const RECT* a, const RECT* b) {
    const CRect ra(a), rb(b);
    if (ra.IsRectEmpty() && rb.IsRectEmpty()) {
      SetRectEmpty();
      return FALSE;
    }
    if (ra.IsRectEmpty()) {
      *this = rb;
    } else if (rb.IsRectEmpty()) {
      *this = ra;
    } else {
      SetRect(std::min(ra.left, rb.left), std::min(ra.top, rb.top), std::max(ra.right, rb.right),
              std::max(ra.bottom, rb.bottom));
    }
    return TRUE;
  }

  friend constexpr bool operator==(const CRect& a, const CRect& b) { return a.EqualRect(&b); }
  CRect& operator&=(const RECT& r) {
    IntersectRect(this, &r);
    return *this;
  }
  CRect& operator|=(const RECT& r) {
    UnionRect(this, &r);
    return *this;
  }
  CRect operator&(const RECT& r) const {
    CRect out;
    out.IntersectRect(this, &r);
    return out;
  }
  CRect operator|(const RECT& r) const {
    CRect out;
    out.UnionRect(this, &r);
    return out;
  }
  CRect& operator+=(POINT p) {
    OffsetRect(p);
    return *this;
  }
  CRect& operator-=(POINT p) {
    OffsetRect(-p.x, -p.y);
    return *this;
  }
};
