// A device-independent bitmap section: 24-bit pixels (blue, green, red) in rows padded
// to 4 bytes, the bottom row first, as OpenGL reads a framebuffer back. Rendering code
// fills it without any user-interface library; the image classes copy it out.
#pragma once

#include "platform/core/WinTypes.h"

#include <vector>

struct BITMAPINFOHEADER {
    DWORD biSize = 40;
    LONG biWidth = 0;
    LONG biHeight = 0;  // positive: rows stored bottom-up
    WORD biPlanes = 1;
    WORD biBitCount = 24;
    DWORD biCompression = 0;  // BI_RGB
    DWORD biSizeImage = 0;
    LONG biXPelsPerMeter = 0;
    LONG biYPelsPerMeter = 0;
    DWORD biClrUsed = 0;
    DWORD biClrImportant = 0;
};
static_assert(sizeof(BITMAPINFOHEADER) == 40, "the bitmap info header is 40 bytes");

class CDibSection {
public:
    static constexpr int kMaxSide = 16384;

    // A 24-bit bottom-up bitmap of width × height pixels, all black. FALSE (and the
    // bitmap emptied) for a side outside 1 .. kMaxSide or a failed allocation.
    BOOL Create(int width, int height);
    void DeleteObject();
    bool IsCreated() const { return !m_bits.empty(); }

    const BITMAPINFOHEADER& GetInfoHeader() const { return m_header; }
    int GetWidth() const { return m_header.biWidth; }
    int GetHeight() const { return m_header.biHeight; }
    // Bytes from one row to the next.
    int GetStride() const { return ((m_header.biWidth * 3 + 3) / 4) * 4; }
    BYTE* GetBits() { return m_bits.empty() ? nullptr : m_bits.data(); }
    const BYTE* GetBits() const { return m_bits.empty() ? nullptr : m_bits.data(); }
    // Colour of the pixel in column x, row y counted from the top; (COLORREF)-1 outside.
    COLORREF GetPixel(int x, int y) const;

private:
    BITMAPINFOHEADER m_header;
    std::vector<BYTE> m_bits;
};
