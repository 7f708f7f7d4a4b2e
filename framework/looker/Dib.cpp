#include "framework/looker/Dib.h"

#include <cstring>
#include <fstream>
#include <iterator>

namespace {

CDib::Reader g_reader;

std::uint32_t U32(const BYTE* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24); }
std::uint16_t U16(const BYTE* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

// Uncompressed 24- or 32-bit BMP with a BITMAPINFOHEADER or later header.
bool ReadBmp(const CString& path, int& width, int& height, std::vector<BYTE>& bgra)
{
    std::ifstream in(path.ToUtf8(), std::ios::binary);
    if (!in) return false;
    const std::vector<BYTE> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (file.size() < 54 || file[0] != 'B' || file[1] != 'M') return false;
    const std::uint32_t offset = U32(&file[10]);
    const std::int32_t w = static_cast<std::int32_t>(U32(&file[18]));
    const std::int32_t h = static_cast<std::int32_t>(U32(&file[22]));
    const int bpp = U16(&file[28]);
    const std::uint32_t compression = U32(&file[30]);
    if ((bpp != 24 && bpp != 32) || (compression != 0 && !(compression == 3 && bpp == 32))) return false;
    if (w <= 0 || h == 0 || h == INT32_MIN || w > CDib::kMaxSide || (h < 0 ? -h : h) > CDib::kMaxSide) return false;
    const int rows = h < 0 ? -h : h;
    const std::size_t stride = (static_cast<std::size_t>(w) * (bpp / 8) + 3) & ~static_cast<std::size_t>(3);
    if (offset > file.size() || stride * rows > file.size() - offset) return false;
    bgra.assign(static_cast<std::size_t>(w) * rows * 4, 255);
    for (int r = 0; r < rows; ++r) {
        const int srcRow = h > 0 ? rows - 1 - r : r;  // positive heights are stored bottom-up
        const BYTE* src = &file[offset + stride * srcRow];
        BYTE* dst = &bgra[static_cast<std::size_t>(r) * w * 4];
        for (int x = 0; x < w; ++x, src += bpp / 8, dst += 4) {
            dst[0] = src[0], dst[1] = src[1], dst[2] = src[2];
            dst[3] = bpp == 32 ? src[3] : 255;
        }
    }
    width = w;
    height = rows;
    return true;
}

}  // namespace

BOOL CDib::ReadFile(const CString& path)
{
    int w = 0, h = 0;
    std::vector<BYTE> bits;
    const bool ok = g_reader ? g_reader(path, w, h, bits) : ReadBmp(path, w, h, bits);
    if (!ok || w <= 0 || h <= 0 || bits.size() < static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 4)
        return FALSE;
    return Create(w, h, bits.data());
}

BOOL CDib::Create(int width, int height, const BYTE* bgra)
{
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) return FALSE;
    const std::size_t n = static_cast<std::size_t>(width) * height * 4;
    std::vector<BYTE> bits(n, 255);
    if (bgra != nullptr) std::memcpy(bits.data(), bgra, n);
    m_nWidth = width;
    m_nHeight = height;
    m_bits = std::move(bits);
    return TRUE;
}

void CDib::Release()
{
    if (--m_nRef <= 0) delete this;
}

void CDib::SetReader(Reader reader) { g_reader = std::move(reader); }
