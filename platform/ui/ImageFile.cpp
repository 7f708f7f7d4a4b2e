#include "platform/ui/ImageFile.h"

#include "platform/ui/QtConvert.h"

#include <QFile>
#include <QImage>
#include <QImageReader>

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

std::uint32_t Le(const char* p, int bytes) {
  std::uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(p[i]);
  return v;
}

// An uncompressed BMP holds every row in the file; the reader would fill the
// rows of a truncated one, so a few bytes could ask for a picture of any size.
// FALSE when the rows that the header announces run past the end of the file,
// and for a width below 1 or bits per pixel other than 1, 4, 8, 16, 24 or 32,
// which no BMP has.
bool BmpRowsInFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return true;  // the reader reports it
  const QByteArray head = file.read(34);
  if (head.size() < 26 || !head.startsWith("BM")) return true;
  const char* p = head.constData();
  const std::uint32_t headerSize = Le(p + 14, 4);
  long long width = 0, height = 0, bpp = 0;
  if (headerSize == 12) {
    width = Le(p + 18, 2), height = Le(p + 20, 2), bpp = Le(p + 24, 2);
  } else if (headerSize >= 40) {
    if (head.size() < 34) return false;  // the info header itself is cut
    const std::uint32_t compression = Le(p + 30, 4);
    if (compression != 0 && compression != 3 && compression != 6) return true;  // run-length and embedded data
    width = static_cast<std::int32_t>(Le(p + 18, 4));
    height = std::llabs(static_cast<std::int32_t>(Le(p + 22, 4)));
    bpp = Le(p + 28, 2);
  } else {
    return true;
  }
  if (width < 1 || (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)) return false;
  // Below 2^36 bytes a row; the rows are compared by division, as their
  // product may pass 2^63.
  const long long stride = (width * bpp + 31) / 32 * 4;
  const long long available = file.size() - static_cast<long long>(Le(p + 10, 4));
  return available >= 0 && height <= available / stride;
}

}  // namespace

BOOL AfxReadImageFile(const CString& path, int& width, int& height, std::vector<BYTE>& bgra, int maxSide) {
  QImageReader reader(ToQString(path));
  // The size is checked before any pixel is decoded.
  const QSize size = reader.size();
  if (size.isValid() && (size.width() > maxSide || size.height() > maxSide)) return FALSE;
  if (reader.format() == "bmp" && !BmpRowsInFile(ToQString(path))) return FALSE;
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
