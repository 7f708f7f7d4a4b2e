#pragma once
// Drawing context over a QImage: the screen image of a view, or the bitmap selected
// into a memory context. Pens, brushes, fonts and text, lines, shapes and the binary
// raster operations; R2_XORPEN and R2_NOTXORPEN combine bitwise with the pixels, so
// drawing the same figure twice restores them.
//
// Logical coordinates are device pixels moved by the window and viewport origins.

#include "platform/core/DC.h"
#include "platform/core/WinString.h"

#include <memory>

class CBitmap;
class CFont;
class QImage;
class QPainter;

constexpr DWORD SRCCOPY = 0x00CC0020;
constexpr DWORD SRCINVERT = 0x00660046;
constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;
constexpr int NULLREGION = 1;
constexpr int SIMPLEREGION = 2;
// GetDeviceCaps indexes.
constexpr int HORZRES = 8;
constexpr int VERTRES = 10;
constexpr int LOGPIXELSX = 88;
constexpr int LOGPIXELSY = 90;

class CQtDC : public CDC {
public:
  // A context without a surface: draws nothing until a bitmap is selected.
  CQtDC();
  // A context drawing on pImage (not owned; must outlive the context).
  explicit CQtDC(QImage* pImage);
  ~CQtDC() override;

  // Memory context: the target context is remembered only for its printing flag.
  BOOL CreateCompatibleDC(CDC* pDC);
  BOOL DeleteDC();

  using CDC::SelectObject;
  // Selects a bitmap as the surface; returns the previous one (null at first).
  CBitmap* SelectObject(CBitmap* pBitmap);
  CFont* SelectObject(CFont* pFont);

  BOOL IsPrinting() const { return m_bPrinting; }
  void SetPrinting(BOOL bPrinting) { m_bPrinting = bPrinting; }
  int GetDeviceCaps(int nIndex) const;
  // The drawable area in logical units; NULLREGION when there is no surface.
  int GetClipBox(LPRECT lpRect) const;

  POINT SetWindowOrg(int x, int y);
  POINT GetWindowOrg() const { return m_ptWindowOrg; }
  POINT SetViewportOrg(int x, int y);
  POINT GetViewportOrg() const { return m_ptViewportOrg; }
  void LPtoDP(LPPOINT lpPoints, int nCount = 1) const;
  void DPtoLP(LPPOINT lpPoints, int nCount = 1) const;

  void FillSolidRect(LPCRECT lpRect, COLORREF clr);
  void FillSolidRect(int x, int y, int cx, int cy, COLORREF clr);
  // Copies a block of another Qt context's surface (SRCCOPY) or XORs it in (SRCINVERT).
  BOOL BitBlt(int x, int y, int nWidth, int nHeight, CDC* pSrcDC, int xSrc, int ySrc, DWORD dwRop);

  COLORREF SetTextColor(COLORREF crColor);
  COLORREF GetTextColor() const { return m_crText; }
  COLORREF SetBkColor(COLORREF crColor);
  int SetBkMode(int nBkMode);
  BOOL TextOut(int x, int y, LPCTSTR lpszString, int nCount);
  BOOL TextOut(int x, int y, const CString& str) { return TextOut(x, y, str.GetString(), str.GetLength()); }
  SIZE GetTextExtent(LPCTSTR lpszString, int nCount) const;
  SIZE GetTextExtent(const CString& str) const { return GetTextExtent(str.GetString(), str.GetLength()); }

  COLORREF GetPixel(int x, int y) const;
  // The surface, or null.
  QImage* GetSurface() const { return m_pSurface; }

protected:
  void OnSelectPen() override;
  void OnSelectBrush() override;
  void OnSetROP2() override;
  void OnLineTo(POINT from, POINT to) override;
  void OnPolyline(const POINT* points, int count) override;
  void OnEllipse(const RECT& rect) override;
  void OnRectangle(const RECT& rect) override;
  COLORREF OnSetPixel(int x, int y, COLORREF colour) override;

private:
  void Begin(QImage* pSurface);
  void End();
  void ApplyState();
  // False when the raster operation draws nothing.
  bool Drawing() const;
  POINT Offset() const;

  QImage* m_pSurface = nullptr;
  std::shared_ptr<QImage> m_pSelectedImage;  // keeps a selected bitmap's pixels alive
  std::unique_ptr<QPainter> m_pPainter;
  CBitmap* m_pBitmap = nullptr;
  CFont* m_pFont = nullptr;
  BOOL m_bPrinting = FALSE;
  POINT m_ptWindowOrg{0, 0};
  POINT m_ptViewportOrg{0, 0};
  COLORREF m_crText = 0;
  COLORREF m_crBk = 0xFFFFFF;
  int m_nBkMode = OPAQUE;
};
