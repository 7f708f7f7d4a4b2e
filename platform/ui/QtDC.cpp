#include "platform/ui/QtDC.h"

#include "platform/ui/Bitmap.h"
#include "platform/ui/Font.h"
#include "platform/ui/QtConvert.h"

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QTransform>

#include <vector>

namespace {

Qt::PenStyle ToQtPenStyle(int style) {
  switch (style) {
    case PS_DASH: return Qt::DashLine;
    case PS_DOT: return Qt::DotLine;
    case PS_DASHDOT: return Qt::DashDotLine;
    case PS_DASHDOTDOT: return Qt::DashDotDotLine;
    case PS_NULL: return Qt::NoPen;
    default: return Qt::SolidLine;
  }
}

QFont ToQFont(const CFont& font) {
  QFont qfont(ToQString(font.GetFaceName()));
  if (font.GetPointSize10() > 0) {
    qfont.setPointSizeF(font.GetPointSize10() / 10.0);
  } else if (font.GetHeight() != 0) {
    // Negative heights give the character height, positive ones the cell height;
    // both are taken as the pixel size here.
    qfont.setPixelSize(font.GetHeight() < 0 ? -font.GetHeight() : font.GetHeight());
  }
  qfont.setWeight(static_cast<QFont::Weight>(font.GetWeight()));
  qfont.setItalic(font.IsItalic());
  qfont.setUnderline(font.IsUnderline());
  return qfont;
}

// A 32-bit RGB pixel of the colour, as the painter writes an opaque pen.
std::uint32_t OpaquePixel(COLORREF colour) { return qRgb(GetRValue(colour), GetGValue(colour), GetBValue(colour)); }

}  // namespace

CQtDC::CQtDC() = default;

CQtDC::CQtDC(QImage* pImage) { Begin(pImage); }

CQtDC::~CQtDC() { End(); }

void CQtDC::Begin(QImage* pSurface) {
  End();
  if (pSurface == nullptr || pSurface->isNull()) return;
  m_pSurface = pSurface;
  m_pPainter = std::make_unique<QPainter>();
  BeginPainter();
}

void CQtDC::BeginPainter() {
  m_direct = PixelBuffer{};
  // A painter that began has made the pixels the image's own, and while it is
  // active copies of the image are deep: bits() is then the buffer it draws on.
  if (m_pPainter->begin(m_pSurface) && m_pSurface->format() == QImage::Format_RGB32 &&
      m_pSurface->devicePixelRatio() == 1.0)
    m_direct = PixelBuffer{reinterpret_cast<std::uint32_t*>(m_pSurface->bits()),
                           static_cast<int>(m_pSurface->bytesPerLine() / 4), m_pSurface->width(), m_pSurface->height()};
  ApplyState();
}

void CQtDC::End() {
  if (m_pPainter != nullptr) m_pPainter->end();
  m_pPainter.reset();
  m_pSurface = nullptr;
  m_direct = PixelBuffer{};
  m_pSelectedImage.reset();
}

BOOL CQtDC::CreateCompatibleDC(CDC* pDC) {
  End();
  if (pDC != nullptr) SetPrinting(pDC->IsPrinting());
  return TRUE;
}

BOOL CQtDC::DeleteDC() {
  End();
  m_pBitmap = nullptr;
  return TRUE;
}

CBitmap* CQtDC::SelectObject(CBitmap* pBitmap) {
  if (pBitmap == nullptr || !pBitmap->IsCreated()) return nullptr;
  CBitmap* pOld = m_pBitmap;
  m_pBitmap = pBitmap;
  Begin(pBitmap->GetImage());
  m_pSelectedImage = pBitmap->GetSharedImage();
  return pOld;
}

void CQtDC::OnSelectFont() {
  if (m_pPainter == nullptr) return;
  const CFont* pFont = GetCurrentFont();
  // A font never created draws like the default one.
  m_pPainter->setFont(pFont != nullptr && pFont->IsCreated() ? ToQFont(*pFont) : QFont());
}

void CQtDC::ApplyState() {
  if (m_pPainter == nullptr) return;
  m_pPainter->setRenderHint(QPainter::Antialiasing, false);
  m_applied.valid = false;
  Sync();
  OnSelectFont();
  const POINT o = Offset();
  m_pPainter->resetTransform();
  // Without origins the painter keeps no transform, so points reach the raster unmapped.
  if (o.x != 0 || o.y != 0) m_pPainter->translate(o.x, o.y);
}

POINT CQtDC::Offset() const {
  return POINT{GetViewportOrg().x - GetWindowOrg().x, GetViewportOrg().y - GetWindowOrg().y};
}

void CQtDC::OnSetOrigin() { ApplyState(); }

// Pen, brush and raster operation reach the painter in Sync.
void CQtDC::OnSelectPen() {}
void CQtDC::OnSelectBrush() {}
void CQtDC::OnSetROP2() {}

void CQtDC::Sync() {
  if (m_pPainter == nullptr) return;
  const int rop = GetROP2();
  const bool ropChanged = !m_applied.valid || m_applied.rop2 != rop;
  if (ropChanged) ApplyRop();
  // Black and white pens and brushes depend on the mode.
  if (ropChanged || m_applied.pen != GetPenState()) ApplyPen();
  if (ropChanged || m_applied.brushHollow != IsBrushHollow() || m_applied.brush != GetBrushColor()) ApplyBrush();
  m_applied.valid = true;
  m_applied.rop2 = rop;
  m_applied.pen = GetPenState();
  m_applied.brush = GetBrushColor();
  m_applied.brushHollow = IsBrushHollow();
}

void CQtDC::ApplyPen() {
  const PenState& pen = GetPenState();
  COLORREF colour = pen.colour;
  if (GetROP2() == R2_BLACK) colour = RGB(0, 0, 0);
  if (GetROP2() == R2_WHITE) colour = RGB(255, 255, 255);
  // Width 0 is the one-pixel pen, as on the platform.
  QPen qpen(ToQColor(colour), pen.width <= 1 ? 0 : pen.width, ToQtPenStyle(pen.style));
  qpen.setCosmetic(pen.width <= 1);
  m_pPainter->setPen(qpen);
}

void CQtDC::ApplyBrush() {
  if (IsBrushHollow()) {
    m_pPainter->setBrush(Qt::NoBrush);
    return;
  }
  COLORREF colour = GetBrushColor();
  if (GetROP2() == R2_BLACK) colour = RGB(0, 0, 0);
  if (GetROP2() == R2_WHITE) colour = RGB(255, 255, 255);
  m_pPainter->setBrush(QBrush(ToQColor(colour)));
}

void CQtDC::ApplyRop() {
  switch (GetROP2()) {
    case R2_XORPEN:
      m_pPainter->setCompositionMode(QPainter::RasterOp_SourceXorDestination);
      break;
    case R2_NOTXORPEN:
      m_pPainter->setCompositionMode(QPainter::RasterOp_NotSourceXorDestination);
      break;
    case R2_NOT:
      m_pPainter->setCompositionMode(QPainter::RasterOp_NotDestination);
      break;
    default:
      m_pPainter->setCompositionMode(QPainter::CompositionMode_SourceOver);
      break;
  }
}

bool CQtDC::Drawing() {
  if (m_pPainter == nullptr || GetROP2() == R2_NOP) return false;
  Sync();
  return true;
}

void CQtDC::OnLineTo(POINT from, POINT to) {
  // A line is drawn as the two-point polyline; a zero-length one is a point,
  // which the painter draws.
  if (DrawsDirectly() && (from.x != to.x || from.y != to.y)) {
    const POINT o = Offset(), ends[2] = {from, to};
    if (DrawPixelPolyline(m_direct, ends, 2, o.x, o.y, OpaquePixel(GetPenState().colour))) return;
  }
  if (!Drawing()) return;
  m_pPainter->drawLine(from.x, from.y, to.x, to.y);
}

bool CQtDC::DrawsDirectly() const {
  if (m_direct.bits == nullptr || m_pPainter == nullptr || GetROP2() != R2_COPYPEN) return false;
  const PenState& pen = GetPenState();
  return pen.style == PS_SOLID && pen.width <= 1;
}

void CQtDC::OnPolyline(const POINT* points, int count) {
  if (points == nullptr || count < 2) return;
  // Short strokes cost the painter more in set-up than in pixels.
  if (DrawsDirectly()) {
    const POINT o = Offset();
    if (DrawPixelPolyline(m_direct, points, count, o.x, o.y, OpaquePixel(GetPenState().colour))) return;
  }
  if (!Drawing()) return;
  // One stroke, so that with XOR a shared vertex is not inverted twice.
  m_polyline.clear();
  for (int i = 0; i < count; ++i) m_polyline.emplace_back(points[i].x, points[i].y);
  m_pPainter->drawPolyline(m_polyline.data(), count);
}

void CQtDC::OnEllipse(const RECT& rect) {
  if (!Drawing()) return;
  m_pPainter->drawEllipse(QRect(rect.left, rect.top, rect.right - rect.left - 1, rect.bottom - rect.top - 1));
}

void CQtDC::OnRectangle(const RECT& rect) {
  if (!Drawing()) return;
  // The right and bottom edges are outside, as on the platform.
  m_pPainter->drawRect(QRect(rect.left, rect.top, rect.right - rect.left - 1, rect.bottom - rect.top - 1));
}

COLORREF CQtDC::OnSetPixel(int x, int y, COLORREF colour) {
  if (!OnSetPixelV(x, y, colour)) return static_cast<COLORREF>(-1);
  return GetPixel(x, y);
}

BOOL CQtDC::OnSetPixelV(int x, int y, COLORREF colour) {
  if (m_pSurface == nullptr) return FALSE;
  const POINT o = Offset();
  if (!m_pSurface->rect().contains(x + o.x, y + o.y)) return FALSE;
  // Copy-pen points are the colour whatever the pen: the painter draws them
  // with the pen when it matches and with a one-pixel pen of the colour otherwise.
  if (m_direct.bits != nullptr && m_pPainter != nullptr && GetROP2() == R2_COPYPEN) {
    m_direct.bits[static_cast<std::ptrdiff_t>(y + o.y) * m_direct.stride + (x + o.x)] = OpaquePixel(colour);
    return TRUE;
  }
  if (!Drawing()) return TRUE;
  // Through the painter, so that the raster operation applies to single pixels too.
  const PenState& pen = GetPenState();
  const int rop = GetROP2();
  if (pen.colour == colour && pen.width <= 1 && pen.style == PS_SOLID && rop != R2_BLACK && rop != R2_WHITE) {
    m_pPainter->drawPoint(x, y);  // the pen in force is this pixel's pen already
    return TRUE;
  }
  const QPen saved = m_pPainter->pen();
  m_pPainter->setPen(QPen(ToQColor(colour), 0));
  m_pPainter->drawPoint(x, y);
  m_pPainter->setPen(saved);
  return TRUE;
}

COLORREF CQtDC::GetPixel(int x, int y) const {
  if (m_pSurface == nullptr) return static_cast<COLORREF>(-1);
  const POINT o = Offset();
  if (!m_pSurface->rect().contains(x + o.x, y + o.y)) return static_cast<COLORREF>(-1);
  return FromQColor(QColor(m_pSurface->pixel(x + o.x, y + o.y)));
}

int CQtDC::GetDeviceCaps(int nIndex) const {
  const int dpiX = m_pSurface != nullptr ? m_pSurface->logicalDpiX() : 96;
  const int dpiY = m_pSurface != nullptr ? m_pSurface->logicalDpiY() : 96;
  switch (nIndex) {
    case HORZRES: return m_pSurface != nullptr ? m_pSurface->width() : 0;
    case VERTRES: return m_pSurface != nullptr ? m_pSurface->height() : 0;
    case LOGPIXELSX: return dpiX;
    case LOGPIXELSY: return dpiY;
    default: return 0;
  }
}

int CQtDC::OnGetClipBox(RECT& rect) const {
  if (m_pSurface == nullptr) return CDC::OnGetClipBox(rect);
  const POINT o = Offset();
  rect = RECT{-o.x, -o.y, m_pSurface->width() - o.x, m_pSurface->height() - o.y};
  return SIMPLEREGION;
}

void CQtDC::OnFillSolidRect(const RECT& rect, COLORREF clr) {
  if (m_pPainter == nullptr) return;
  const QPainter::CompositionMode mode = m_pPainter->compositionMode();
  m_pPainter->setCompositionMode(QPainter::CompositionMode_Source);
  m_pPainter->fillRect(ToQRect(rect), ToQColor(clr));
  m_pPainter->setCompositionMode(mode);
}

BOOL CQtDC::OnBitBlt(int x, int y, int nWidth, int nHeight, CDC* pSrcDC, int xSrc, int ySrc, DWORD dwRop) {
  auto* pSrc = dynamic_cast<CQtDC*>(pSrcDC);
  if (pSrc == nullptr || pSrc->m_pSurface == nullptr || m_pPainter == nullptr) return FALSE;
  if (pSrc->m_pSurface == m_pSurface) return FALSE;
  const POINT so = pSrc->Offset();
  const QRect source(xSrc + so.x, ySrc + so.y, nWidth, nHeight);
  const QPainter::CompositionMode mode = m_pPainter->compositionMode();
  m_pPainter->setCompositionMode(dwRop == SRCINVERT ? QPainter::RasterOp_SourceXorDestination
                                                    : QPainter::CompositionMode_Source);
  m_pPainter->drawImage(QPoint(x, y), *pSrc->m_pSurface, source);
  m_pPainter->setCompositionMode(mode);
  return TRUE;
}

BOOL CQtDC::BitBltHandOver(int x, int y, int nWidth, int nHeight, CQtDC* pSrc, int xSrc, int ySrc) {
  if (pSrc == nullptr || pSrc->m_pSurface == nullptr || m_pSurface == nullptr || pSrc->m_pSurface == m_pSurface)
    return BitBlt(x, y, nWidth, nHeight, pSrc, xSrc, ySrc, SRCCOPY);
  QImage& source = *pSrc->m_pSurface;
  QImage& target = *m_pSurface;
  const POINT o = Offset(), so = pSrc->Offset();
  const bool whole = QRect(x + o.x, y + o.y, nWidth, nHeight) == target.rect() &&
                     QRect(xSrc + so.x, ySrc + so.y, nWidth, nHeight) == source.rect();
  if (!whole || source.format() != target.format() || source.devicePixelRatio() != target.devicePixelRatio() ||
      m_pPainter == nullptr || pSrc->m_pPainter == nullptr)
    return BitBlt(x, y, nWidth, nHeight, pSrc, xSrc, ySrc, SRCCOPY);
  // Painters write to the buffer they began on: both end before the exchange.
  pSrc->m_pPainter->end();
  m_pPainter->end();
  target.swap(source);
  pSrc->Restart();
  Restart();
  return TRUE;
}

void CQtDC::Restart() {
  if (m_pPainter == nullptr || m_pSurface == nullptr) return;
  if (m_pPainter->isActive()) m_pPainter->end();
  BeginPainter();
}

BOOL CQtDC::OnStretchDIBits(const RECT& dest, int width, int height, const BYTE* bgra) {
  if (m_pPainter == nullptr || m_pSurface == nullptr) return FALSE;
  const double destW = static_cast<double>(dest.right) - dest.left;
  const double destH = static_cast<double>(dest.bottom) - dest.top;
  if (destW <= 0.0 || destH <= 0.0) return TRUE;
  const POINT o = Offset();
  const QRectF visible(-o.x, -o.y, m_pSurface->width(), m_pSurface->height());
  const QRectF target = QRectF(dest.left, dest.top, destW, destH).intersected(visible);
  if (target.isEmpty()) return TRUE;
  const double sx = width / destW, sy = height / destH;
  const QRectF source((target.left() - dest.left) * sx, (target.top() - dest.top) * sy, target.width() * sx,
                      target.height() * sy);
  // Format_ARGB32 is blue, green, red, alpha in memory on this byte order.
  const QImage image(bgra, width, height, width * 4, QImage::Format_ARGB32);
  const QPainter::CompositionMode mode = m_pPainter->compositionMode();
  m_pPainter->setCompositionMode(QPainter::CompositionMode_SourceOver);
  m_pPainter->drawImage(target, image, source);
  m_pPainter->setCompositionMode(mode);
  return TRUE;
}

BOOL CQtDC::OnDrawImage(const POINT* p, int width, int height, const BYTE* bgra, const COLORREF* key) {
  if (m_pPainter == nullptr || m_pSurface == nullptr) return FALSE;
  QImage image = QImage(bgra, width, height, width * 4, QImage::Format_ARGB32).copy();
  if (key != nullptr) {
    const QRgb rgb = qRgb(GetRValue(*key), GetGValue(*key), GetBValue(*key)) & 0xFFFFFF;
    for (int y = 0; y < height; ++y) {
      QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
      for (int x = 0; x < width; ++x)
        if ((line[x] & 0xFFFFFF) == rgb) line[x] = 0;
    }
  }
  // The affine map taking the image's corners (0, 0), (width, 0), (0, height) to the three points.
  const QTransform map((p[1].x - p[0].x) / double(width), (p[1].y - p[0].y) / double(width),
                       (p[2].x - p[0].x) / double(height), (p[2].y - p[0].y) / double(height), p[0].x, p[0].y);
  m_pPainter->save();
  m_pPainter->setCompositionMode(QPainter::CompositionMode_SourceOver);
  m_pPainter->setTransform(map, true);
  m_pPainter->drawImage(QPointF(0.0, 0.0), image);
  m_pPainter->restore();
  return TRUE;
}

BOOL CQtDC::OnTextOut(int x, int y, LPCTSTR lpszString, int nCount) {
  if (!Drawing()) return TRUE;
  const QString text = QString::fromWCharArray(lpszString, nCount);
  const QFontMetrics metrics(m_pPainter->font());
  // The platform places text by the top-left corner of its cell.
  const QRect cell(x, y, metrics.horizontalAdvance(text), metrics.height());
  if (GetBkMode() == OPAQUE) m_pPainter->fillRect(cell, ToQColor(GetBkColor()));
  const QPen saved = m_pPainter->pen();
  m_pPainter->setPen(ToQColor(GetTextColor()));
  m_pPainter->drawText(QPoint(x, y + metrics.ascent()), text);
  m_pPainter->setPen(saved);
  return TRUE;
}

SIZE CQtDC::OnGetTextExtent(LPCTSTR lpszString, int nCount) const {
  const CFont* pFont = GetCurrentFont();
  const QFont font = m_pPainter != nullptr ? m_pPainter->font()
                                           : (pFont != nullptr && pFont->IsCreated() ? ToQFont(*pFont) : QFont());
  const QFontMetrics metrics(font);
  return SIZE{metrics.horizontalAdvance(QString::fromWCharArray(lpszString, nCount)), metrics.height()};
}
