#include "platform/ui/Bitmap.h"

#include <QImage>

#include <algorithm>

CBitmap::CBitmap() = default;
CBitmap::~CBitmap() = default;

BOOL CBitmap::CreateCompatibleBitmap(CDC*, int nWidth, int nHeight) {
  auto pImage = std::make_shared<QImage>(std::max(nWidth, 1), std::max(nHeight, 1), QImage::Format_RGB32);
  if (pImage->isNull()) return FALSE;
  pImage->fill(Qt::black);
  m_pImage = std::move(pImage);
  return TRUE;
}

BOOL CBitmap::DeleteObject() {
  const BOOL bHad = m_pImage != nullptr ? TRUE : FALSE;
  m_pImage.reset();
  return bHad;
}

SIZE CBitmap::GetSize() const {
  if (m_pImage == nullptr) return SIZE{0, 0};
  return SIZE{m_pImage->width(), m_pImage->height()};
}
