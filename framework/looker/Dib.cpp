#include "framework/looker/Dib.h"

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>

namespace {

CDib::Reader g_reader;

std::uint32_t U32(const BYTE* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24); }
std::uint16_t U16(const BYTE* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

// Pixels of a bitmap info header at dib (size bytes from it) whose rows start
// bitsOffset bytes from the header: 1-, 4- and 8-bit with a colour table,
// 24- and 32-bit; uncompressed (32-bit also with bit-field masks).
bool ReadDibBits(const BYTE* dib, std::size_t size, std::size_t bitsOffset, int& width, int& height,
                 std::vector<BYTE>& bgra)
{
    if (size < 40) return false;
    const std::uint32_t headerSize = U32(dib);
    const std::int32_t w = static_cast<std::int32_t>(U32(dib + 4));
    const std::int32_t h = static_cast<std::int32_t>(U32(dib + 8));
    const int bpp = U16(dib + 14);
    const std::uint32_t compression = U32(dib + 16);
    if (headerSize < 40 || headerSize > size) return false;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24 && bpp != 32) return false;
    if (compression != 0 && !(compression == 3 && bpp == 32)) return false;
    if (w <= 0 || h == 0 || h == INT32_MIN || w > CDib::kMaxSide || (h < 0 ? -h : h) > CDib::kMaxSide) return false;
    // The colour table follows the header.
    std::uint32_t colours = 0;
    if (bpp <= 8) {
        colours = U32(dib + 32);
        if (colours == 0 || colours > (1u << bpp)) colours = 1u << bpp;
        if (static_cast<std::size_t>(colours) * 4 > size - headerSize) return false;
    }
    const BYTE* table = dib + headerSize;
    const int rows = h < 0 ? -h : h;
    const std::size_t stride = ((static_cast<std::size_t>(w) * bpp + 31) / 32) * 4;
    if (bitsOffset > size || stride * rows > size - bitsOffset) return false;
    bgra.assign(static_cast<std::size_t>(w) * rows * 4, 255);
    for (int r = 0; r < rows; ++r) {
        const int srcRow = h > 0 ? rows - 1 - r : r;  // positive heights are stored bottom-up
        const BYTE* src = dib + bitsOffset + stride * srcRow;
        BYTE* dst = &bgra[static_cast<std::size_t>(r) * w * 4];
        for (int x = 0; x < w; ++x, dst += 4) {
            if (bpp <= 8) {
                const int perByte = 8 / bpp;
                const unsigned index = (src[x / perByte] >> (8 - bpp * (x % perByte + 1))) & ((1u << bpp) - 1);
                // An index past the table shows black.
                const BYTE* entry = index < colours ? table + 4 * index : nullptr;
                dst[0] = entry ? entry[0] : 0, dst[1] = entry ? entry[1] : 0, dst[2] = entry ? entry[2] : 0;
            } else {
                const BYTE* px = src + static_cast<std::size_t>(x) * (bpp / 8);
                dst[0] = px[0], dst[1] = px[1], dst[2] = px[2];
                dst[3] = bpp == 32 ? px[3] : 255;
            }
        }
    }
    width = w;
    height = rows;
    return true;
}

// A BMP file: the file header, then a bitmap whose rows start at its offset.
bool ReadBmp(const CString& path, int& width, int& height, std::vector<BYTE>& bgra)
{
    std::ifstream in(path.ToUtf8(), std::ios::binary);
    if (!in) return false;
    const std::vector<BYTE> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (file.size() < 54 || file[0] != 'B' || file[1] != 'M') return false;
    const std::uint32_t offset = U32(&file[10]);
    if (offset < 14) return false;
    return ReadDibBits(file.data() + 14, file.size() - 14, offset - 14, width, height, bgra);
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

BOOL CDib::CreateFromPackedDib(const void* dib, std::size_t size)
{
    if (dib == nullptr || size < 40) return FALSE;
    const auto* bytes = static_cast<const BYTE*>(dib);
    const std::uint32_t headerSize = U32(bytes);
    const int bpp = U16(bytes + 14);
    std::uint32_t colours = bpp >= 1 && bpp <= 8 ? U32(bytes + 32) : 0;
    if (bpp >= 1 && bpp <= 8 && (colours == 0 || colours > (1u << bpp))) colours = 1u << bpp;
    // Bit-field masks behind a plain info header come before the rows.
    const std::size_t masks = U32(bytes + 16) == 3 && headerSize == 40 ? 12 : 0;
    int w = 0, h = 0;
    std::vector<BYTE> bits;
    if (!ReadDibBits(bytes, size, std::size_t{headerSize} + masks + std::size_t{colours} * 4, w, h, bits))
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

BOOL CDib::CBitmap2Bitmap(const CDibSection& bitmap)
{
    const int w = bitmap.GetWidth(), h = bitmap.GetHeight();
    if (!bitmap.IsCreated() || w > kMaxSide || h > kMaxSide) return FALSE;
    std::vector<BYTE> bits(static_cast<std::size_t>(w) * h * 4, 255);
    for (int y = 0; y < h; ++y) {
        // Section rows run bottom-up, ours top-down.
        const BYTE* src = bitmap.GetBits() + static_cast<std::size_t>(h - 1 - y) * bitmap.GetStride();
        BYTE* dst = &bits[static_cast<std::size_t>(y) * w * 4];
        for (int x = 0; x < w; ++x, src += 3, dst += 4) dst[0] = src[0], dst[1] = src[1], dst[2] = src[2];
    }
    m_nWidth = w;
    m_nHeight = h;
    m_bits = std::move(bits);
    return TRUE;
}

void CDib::Release()
{
    if (--m_nRef <= 0) delete this;
}

void CDib::SetReader(Reader reader) { g_reader = std::move(reader); }
