#include "platform/core/DibSection.h"

#include <new>

BOOL CDibSection::Create(int width, int height)
{
    DeleteObject();
    if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide) return FALSE;
    m_header.biWidth = width;
    m_header.biHeight = height;
    const size_t bytes = static_cast<size_t>(GetStride()) * static_cast<size_t>(height);
    try {
        m_bits.assign(bytes, 0);
    } catch (const std::bad_alloc&) {
        DeleteObject();
        return FALSE;
    }
    m_header.biSizeImage = static_cast<DWORD>(bytes);
    return TRUE;
}

void CDibSection::DeleteObject()
{
    m_bits.clear();
    m_bits.shrink_to_fit();
    m_header = BITMAPINFOHEADER{};
}

COLORREF CDibSection::GetPixel(int x, int y) const
{
    if (!IsCreated() || x < 0 || y < 0 || x >= GetWidth() || y >= GetHeight()) return static_cast<COLORREF>(-1);
    const BYTE* p = m_bits.data() + static_cast<size_t>(GetHeight() - 1 - y) * GetStride() + static_cast<size_t>(x) * 3;
    return RGB(p[2], p[1], p[0]);
}
