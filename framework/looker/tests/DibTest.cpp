// Packed bitmaps as a scanner's native transfer hands them over, read into
// the bitmap's top-down BGRA pixels.
#include "framework/looker/Dib.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// Info header, colour table and rows (given bottom row first, unpadded; each
// row is padded to 4 bytes here).
std::vector<BYTE> Packed(int width, int height, int bpp, const std::vector<std::uint32_t>& table,
                         const std::vector<std::vector<BYTE>>& rows, std::uint32_t compression = 0)
{
    std::vector<BYTE> dib(40, 0);
    auto put32 = [&dib](std::size_t at, std::uint32_t v) { std::memcpy(&dib[at], &v, 4); };
    put32(0, 40);
    put32(4, static_cast<std::uint32_t>(width));
    put32(8, static_cast<std::uint32_t>(height));
    dib[12] = 1;
    dib[14] = static_cast<BYTE>(bpp);
    put32(16, compression);
    put32(32, static_cast<std::uint32_t>(table.size()));
    for (std::uint32_t c : table)
        for (int i = 0; i < 4; ++i) dib.push_back(static_cast<BYTE>(c >> (8 * i)));
    for (const auto& row : rows) {
        std::vector<BYTE> padded = row;
        padded.resize((row.size() + 3) & ~std::size_t{3}, 0);
        dib.insert(dib.end(), padded.begin(), padded.end());
    }
    return dib;
}

// The pixel at (x, y), top row 0, as 0xRRGGBB.
std::uint32_t Rgb(const CDib& dib, int x, int y)
{
    const BYTE* p = &dib.GetBits()[(static_cast<std::size_t>(y) * dib.GetWidth() + x) * 4];
    return (static_cast<std::uint32_t>(p[2]) << 16) | (p[1] << 8) | p[0];
}

}  // namespace

TEST(PackedDib, EveryDepthReadsTopDown)
{
    const struct {
        std::string label;
        std::vector<BYTE> dib;
        int width, height;
        std::vector<std::uint32_t> expected;  // top row first
    } rows[] = {
        {"1-bit: white and black", Packed(10, 1, 1, {0xFFFFFF, 0x000000}, {{0b10000000, 0b01000000}}), 10, 1,
         {0, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0}},
        {"4-bit palette", Packed(3, 1, 4, {0x000000, 0x112233, 0x445566}, {{0x12, 0x00}}), 3, 1,
         {0x112233, 0x445566, 0x000000}},
        {"8-bit grey, bottom-up", Packed(2, 2, 8, std::vector<std::uint32_t>{0x000000, 0x101010, 0x202020, 0x303030},
                                         {{0, 1}, {2, 3}}), 2, 2,
         {0x202020, 0x303030, 0x000000, 0x101010}},
        {"24-bit", Packed(2, 1, 24, {}, {{0x33, 0x22, 0x11, 0x66, 0x55, 0x44}}), 2, 1, {0x112233, 0x445566}},
        {"index past the table shows black", Packed(2, 1, 8, {0xABCDEF}, {{0, 7}}), 2, 1, {0xABCDEF, 0}},
    };
    for (const auto& row : rows) {
        CDib* dib = new CDib;
        ASSERT_TRUE(dib->CreateFromPackedDib(row.dib.data(), row.dib.size())) << row.label;
        EXPECT_EQ(dib->GetWidth(), row.width) << row.label;
        ASSERT_EQ(dib->GetHeight(), row.height) << row.label;
        for (int y = 0; y < row.height; ++y)
            for (int x = 0; x < row.width; ++x)
                EXPECT_EQ(Rgb(*dib, x, y), row.expected[static_cast<std::size_t>(y * row.width + x)])
                    << row.label << " at " << x << "," << y;
        dib->Release();
    }
}

TEST(PackedDib, BadBitmapsLeaveItUnchanged)
{
    std::vector<BYTE> shortRows = Packed(4, 2, 24, {}, {{1, 2, 3}});
    std::vector<BYTE> bigHeader = Packed(1, 1, 24, {}, {{1, 2, 3}});
    bigHeader[0] = 0xFF, bigHeader[1] = 0xFF;
    std::vector<BYTE> noTable = Packed(1, 1, 8, {}, {});
    noTable.resize(44);  // room for a row but not for a 256-colour table
    const struct {
        const char* label;
        std::vector<BYTE> dib;
    } rows[] = {
        {"rows missing", shortRows},
        {"header longer than the block", bigHeader},
        {"16 bits per pixel", Packed(1, 1, 16, {}, {{1, 2}})},
        {"run-length compressed", Packed(1, 1, 8, {0}, {{0}}, 1)},
        {"zero width", Packed(0, 1, 24, {}, {{}})},
        {"colour table cut off", noTable},
        {"shorter than a header", std::vector<BYTE>(39, 0)},
    };
    for (const auto& row : rows) {
        CDib* dib = new CDib;
        ASSERT_TRUE(dib->Create(2, 2));
        EXPECT_FALSE(dib->CreateFromPackedDib(row.dib.data(), row.dib.size())) << row.label;
        EXPECT_EQ(dib->GetWidth(), 2) << row.label;
        dib->Release();
    }
}

TEST(PackedDib, BitmapSectionCopiesTopDownAndOpaque)
{
    CDibSection section;
    CDib* dib = new CDib;
    EXPECT_FALSE(dib->CBitmap2Bitmap(section)) << "a section never created";
    EXPECT_TRUE(dib->IsEmpty());
    // 5 pixels of 3 bytes: rows padded to 16 bytes, the bottom row stored first.
    ASSERT_TRUE(section.Create(5, 3));
    EXPECT_EQ(section.GetStride(), 16);
    EXPECT_EQ(section.GetInfoHeader().biSizeImage, 48u);
    for (int storedRow = 0; storedRow < 3; ++storedRow)
        for (int x = 0; x < 5; ++x) {
            BYTE* p = section.GetBits() + storedRow * 16 + x * 3;
            p[0] = static_cast<BYTE>(x), p[1] = static_cast<BYTE>(10 * storedRow), p[2] = 200;  // blue, green, red
        }
    ASSERT_TRUE(dib->CBitmap2Bitmap(section));
    ASSERT_EQ(dib->GetWidth(), 5);
    ASSERT_EQ(dib->GetHeight(), 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) {
            const std::uint32_t want = (200u << 16) | (10u * (2 - y) << 8) | static_cast<std::uint32_t>(x);
            EXPECT_EQ(Rgb(*dib, x, y), want) << x << ", " << y;
            EXPECT_EQ(dib->GetBits()[(y * 5 + x) * 4 + 3], 255) << "opaque";
            EXPECT_EQ(section.GetPixel(x, y), RGB(200, static_cast<BYTE>(10 * (2 - y)), static_cast<BYTE>(x)));
        }
    EXPECT_EQ(section.GetPixel(5, 0), static_cast<COLORREF>(-1));
    EXPECT_FALSE(section.Create(0, 4));
    EXPECT_FALSE(section.IsCreated()) << "a refused size leaves nothing half-made";
    dib->Release();
}
