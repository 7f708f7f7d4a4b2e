#include "platform/scan/DibFrame.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QImageReader>

#include <cstring>
#include <string>

using twainsane::FrameLayout;
using twainsane::MakePackedDib;

namespace {

// Qt's BMP reader over the packed bitmap behind a file header.
QImage DecodeWithQt(const std::vector<std::uint8_t>& dib)
{
    QByteArray file(14, '\0');
    const std::uint32_t size = static_cast<std::uint32_t>(14 + dib.size());
    std::uint32_t headerSize = 0, colours = 0;
    std::memcpy(&headerSize, dib.data(), 4);
    std::memcpy(&colours, dib.data() + 32, 4);
    const std::uint32_t offset = 14 + headerSize + 4 * colours;
    file[0] = 'B', file[1] = 'M';
    std::memcpy(file.data() + 2, &size, 4);
    std::memcpy(file.data() + 10, &offset, 4);
    file.append(reinterpret_cast<const char*>(dib.data()), static_cast<qsizetype>(dib.size()));
    QImage image;
    image.loadFromData(file, "BMP");
    return image;
}

std::vector<std::uint8_t> Put16(std::initializer_list<std::uint16_t> samples)
{
    std::vector<std::uint8_t> bytes(samples.size() * 2);
    std::memcpy(bytes.data(), std::data(samples), bytes.size());
    return bytes;
}

}  // namespace

// Each frame kind read back by an independent BMP reader: size and every pixel.
TEST(DibFrame, PixelsReadBackByQt)
{
    struct Row {
        std::string label;
        FrameLayout layout;
        std::vector<std::uint8_t> data;
        int width, height;
        std::vector<QRgb> pixels;  // top row first
    };
    const std::vector<Row> rows = {
        {"grey 8, row padding in the source", {false, 8, 3, 4, 2}, {10, 20, 30, 99, 40, 50, 60, 99}, 3, 2,
         {qRgb(10, 10, 10), qRgb(20, 20, 20), qRgb(30, 30, 30), qRgb(40, 40, 40), qRgb(50, 50, 50), qRgb(60, 60, 60)}},
        {"grey 16 keeps the high byte", {false, 16, 2, 4, 1}, Put16({0x1234, 0xFF00}), 2, 1,
         {qRgb(0x12, 0x12, 0x12), qRgb(0xFF, 0xFF, 0xFF)}},
        {"colour 8", {true, 8, 2, 6, 2}, {255, 0, 0, 0, 255, 0, 0, 0, 255, 1, 2, 3}, 2, 2,
         {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(1, 2, 3)}},
        {"colour 16", {true, 16, 1, 6, 1}, Put16({0xAB00, 0x0100, 0x7FFF}), 1, 1, {qRgb(0xAB, 0x01, 0x7F)}},
        {"line art: a set bit is black", {false, 1, 10, 2, 1}, {0b10100000, 0b01000000}, 10, 1,
         {qRgb(0, 0, 0), qRgb(255, 255, 255), qRgb(0, 0, 0), qRgb(255, 255, 255), qRgb(255, 255, 255),
          qRgb(255, 255, 255), qRgb(255, 255, 255), qRgb(255, 255, 255), qRgb(255, 255, 255), qRgb(0, 0, 0)}},
        {"unknown height: the whole lines", {false, 8, 2, 2, -1}, {1, 2, 3, 4, 5}, 2, 2,
         {qRgb(1, 1, 1), qRgb(2, 2, 2), qRgb(3, 3, 3), qRgb(4, 4, 4)}},
        {"short data: the lines it holds", {false, 8, 1, 1, 5}, {7, 8}, 1, 2, {qRgb(7, 7, 7), qRgb(8, 8, 8)}},
    };
    for (const Row& row : rows) {
        const auto dib = MakePackedDib(row.layout, row.data.data(), row.data.size(), 300);
        ASSERT_TRUE(dib.has_value()) << row.label;
        const QImage image = DecodeWithQt(*dib);
        ASSERT_EQ(image.width(), row.width) << row.label;
        ASSERT_EQ(image.height(), row.height) << row.label;
        for (int y = 0; y < row.height; ++y)
            for (int x = 0; x < row.width; ++x)
                EXPECT_EQ(image.pixel(x, y) | 0xFF000000u, row.pixels[static_cast<std::size_t>(y * row.width + x)])
                    << row.label << " at " << x << "," << y;
        EXPECT_EQ(qRound(image.dotsPerMeterX() / 39.3700787), 300) << row.label;
    }
}

TEST(DibFrame, LayoutsNotTaken)
{
    const std::uint8_t data[64] = {};
    const struct {
        const char* label;
        FrameLayout layout;
        std::size_t size;
    } rows[] = {
        {"depth 4", {false, 4, 4, 2, 1}, 2},
        {"colour line art", {true, 1, 8, 3, 1}, 3},
        {"line shorter than its pixels", {true, 8, 4, 11, 1}, 11},
        {"no pixels", {false, 8, 0, 1, 1}, 1},
        {"too wide", {false, 8, twainsane::kMaxFrameSide + 1, twainsane::kMaxFrameSide + 1, 1}, 64},
        {"negative height other than unknown", {false, 8, 1, 1, -2}, 1},
        {"less than one line of data", {false, 8, 8, 8, 1}, 7},
    };
    for (const auto& row : rows) {
        EXPECT_FALSE(MakePackedDib(row.layout, data, row.size, 100).has_value()) << row.label;
    }
}
