#pragma once
// Drawing context over a QImage: the screen image of a view, or the bitmap selected
// into a memory context. Pens, brushes, fonts and text, lines, shapes and the binary
// raster operations; R2_XORPEN and R2_NOTXORPEN combine bitwise with the pixels, so
// drawing the same figure twice restores them. Copy-pen lines, polylines and
// pixels of a one-pixel solid pen on a 32-bit RGB surface are written straight
// into its pixels, exactly where the painter would put them (PixelStroke.h).
//
// Logical coordinates are device pixels moved by the window and viewport origins.

#include "platform/core/DC.h"
#include "platform/core/WinString.h"
#include "platform/ui/PixelStroke.h"

#include <memory>
#include <vector>

class CBitmap;
class CFont;
class QImage;
class QPainter;
class QPoint;

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

  // The surface, or null.
  QImage* GetSurface() const { return m_pSurface; }

  // Shows pSrc's whole surface on this one, as a BitBlt with SRCCOPY of the
  // block (x, y, nWidth, nHeight) from (xSrc, ySrc) would, when that block is
  // the whole of both surfaces and they are alike in size and format: the two
  // surfaces then exchange their pixels instead of copying them, and pSrc
  // holds this context's former picture. Otherwise it does a BitBlt. For a
  // memory context whose frame is finished and whose next frame is drawn
  // afresh.
  BOOL BitBltHandOver(int x, int y, int nWidth, int nHeight, CQtDC* pSrc, int xSrc, int ySrc);

  int GetDeviceCaps(int nIndex) const override;
  COLORREF GetPixel(int x, int y) const override;

protected:
  void OnSelectPen() override;
  void OnSelectBrush() override;
  void OnSetROP2() override;
  void OnLineTo(POINT from, POINT to) override;
  void OnPolyline(const POINT* points, int count) override;
  void OnEllipse(const RECT& rect) override;
  void OnRectangle(const RECT& rect) override;
  COLORREF OnSetPixel(int x, int y, COLORREF colour) override;
  BOOL OnSetPixelV(int x, int y, COLORREF colour) override;
  void OnSelectFont() override;
  void OnSetOrigin() override;
  BOOL OnTextOut(int x, int y, LPCTSTR lpszString, int nCount) override;
  SIZE OnGetTextExtent(LPCTSTR lpszString, int nCount) const override;
  void OnFillSolidRect(const RECT& rect, COLORREF clr) override;
  // Copies a block of another Qt context's surface (SRCCOPY) or XORs it in (SRCINVERT).
  BOOL OnBitBlt(int x, int y, int nWidth, int nHeight, CDC* pSrcDC, int xSrc, int ySrc, DWORD dwRop) override;
  // Only the part that falls on the surface is scaled, so a bitmap zoomed far
  // beyond the window costs no more than the window.
  BOOL OnStretchDIBits(const RECT& dest, int width, int height, const BYTE* bgra) override;
  BOOL OnDrawImage(const POINT* points, int width, int height, const BYTE* bgra, const COLORREF* key) override;
  int OnGetClipBox(RECT& rect) const override;

  // Draws on pSurface from now on (not owned); End lets go of it.
  void Begin(QImage* pSurface);
  void End();

private:
  void ApplyState();
  // Ends the painter and begins it again on the same surface, in the same state
  // (a painter keeps the pixel buffer it began on).
  void Restart();
  // Begins the painter on m_pSurface and takes its pixels for direct drawing.
  void BeginPainter();
  // Whether copy-pen figures in the current pen may be written straight into
  // the pixels: the painter would draw them with an opaque one-pixel solid pen,
  // composing over, through no transform but the origins.
  bool DrawsDirectly() const;
  // Hands the pen, brush and raster operation to the painter where they differ
  // from what it holds: callers select and restore pens around every figure, and
  // only the state a figure is drawn with needs to reach the painter.
  void Sync();
  void ApplyPen();
  void ApplyBrush();
  void ApplyRop();
  // False when the raster operation draws nothing; otherwise brings the painter's
  // state up to date for a figure.
  bool Drawing();
  POINT Offset() const;

  QImage* m_pSurface = nullptr;
  std::shared_ptr<QImage> m_pSelectedImage;  // keeps a selected bitmap's pixels alive
  std::unique_ptr<QPainter> m_pPainter;
  CBitmap* m_pBitmap = nullptr;
  // The state the painter holds (valid false: nothing known, apply all).
  struct Applied {
    bool valid = false;
    PenState pen;
    COLORREF brush = 0;
    bool brushHollow = false;
    int rop2 = 0;
  };
  Applied m_applied;
  std::vector<QPoint> m_polyline;  // scratch of OnPolyline
  // The surface's pixels, the very buffer the painter draws on, when they are
  // 32-bit RGB at one device pixel per pixel; otherwise no bits.
  PixelBuffer m_direct;
};
