#include "platform/ui/ImageFile.h"

#include "platform/ui/QtConvert.h"

#include <QImage>
#include <QImageReader>

#include <cstring>

BOOL AfxReadImageFile(const CString& path, int& width, int& height, std::vector<BYTE>& bgra, int maxSide) {
  QImageReader reader(ToQString(path));
  // The size is checked before any pixel is decoded.
  const QSize size = reader.size();
  if (size.isValid() && (size.width() > maxSide || size.height() > maxSide)) return FALSE;
  QImage image;
  if (!reader.read(&image) || image.isNull()) return FALSE;
  if (image.width() > maxSide || image.height() > maxSide) return FALSE;
  image = image.convertToFormat(QImage::Format_ARGB32);
  if (image.isNull()) return FALSE;
  const int w = image.width(), h = image.height();
  std::vector<BYTE> pixels(static_cast<std::size_t>(w) * h * 4);
  for (int y = 0; y < h; ++y) std::memcpy(&pixels[static_cast<std::size_t>(y) * w * 4], image.constScanLine(y), std::size_t(w) * 4);
  width = w;
  height = h;
  bgra = std::move(pixels);
  return TRUE;
}
