#pragma once
// Off-screen bitmap of the drawing contexts (32-bit RGB pixels).

#include "platform/core/WinTypes.h"

#include <memory>

class CDC;
class QImage;

class CBitmap {
public:
  CBitmap();
  ~CBitmap();
  CBitmap(const CBitmap&) = delete;
  CBitmap& operator=(const CBitmap&) = delete;

  // A bitmap of the given size (at least 1 × 1) for drawing with a memory context.
  BOOL CreateCompatibleBitmap(CDC* pDC, int nWidth, int nHeight);
  BOOL DeleteObject();
  bool IsCreated() const { return m_pImage != nullptr; }
  SIZE GetSize() const;

  // The pixels; null until created. Contexts that draw on them share ownership,
  // so a bitmap deleted while still selected does not leave them drawing on freed memory.
  QImage* GetImage() const { return m_pImage.get(); }
  const std::shared_ptr<QImage>& GetSharedImage() const { return m_pImage; }

private:
  std::shared_ptr<QImage> m_pImage;
};
