// The picture reader against bytes ImageMagick decodes from the same files: sizes,
// byte sums and single pixels, alpha of a PNG with transparency, unreadable input.
#include "testing/ImageReader.h"
#include "testing/NpzReader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <numeric>

namespace {

std::uint64_t ByteSum(const image::Rgba& im, bool withAlpha)
{
    std::uint64_t sum = 0;
    for (size_t k = 0; k < im.pixels.size(); ++k)
        if (withAlpha || k % 4 != 3) sum += im.pixels[k];
    return sum;
}

}  // namespace

TEST(ImageReaderTest, PicturesDecodeAsImageMagickDecodesThem)
{
    struct Pixel {
        int x, y;
        std::uint8_t rgba[4];
    };
    const struct {
        std::string path;
        int width, height;
        std::uint64_t sum;
        bool withAlpha;
        Pixel pixels[3];
    } rows[] = {
        {image::PngTestFile(), 91, 69, 1407977, true,
         {{45, 34, {239, 181, 140, 255}}, {10, 20, {49, 33, 16, 82}}, {80, 60, {0, 0, 0, 0}}}},
        {npz::SampleDataDir() + "/grace_hopper.jpg", 512, 600, 74139337, false,
         {{0, 0, {21, 24, 77, 255}}, {256, 300, {216, 136, 103, 255}}, {511, 599, {14, 13, 19, 255}}}},
    };
    for (const auto& row : rows) {
        const image::Rgba im = image::Read(row.path);
        ASSERT_EQ(im.width, row.width) << row.path;
        ASSERT_EQ(im.height, row.height) << row.path;
        ASSERT_EQ(im.pixels.size(), static_cast<size_t>(row.width * row.height * 4));
        EXPECT_EQ(ByteSum(im, row.withAlpha), row.sum) << row.path;
        for (const Pixel& p : row.pixels)
            for (int c = 0; c < 4; ++c)
                EXPECT_EQ(im.pixels[(static_cast<size_t>(p.y) * row.width + p.x) * 4 + c], p.rgba[c])
                    << row.path << " (" << p.x << ", " << p.y << ") channel " << c;
    }
    const image::Rgba png = image::Read(image::PngTestFile());
    EXPECT_FLOAT_EQ(image::Height(png, 80, 60), 0.0f) << "transparent";
    EXPECT_NEAR(image::Height(png, 10, 20), (0.299f * 49 + 0.587f * 33 + 0.114f * 16) * 82 / 255, 1e-4);
}

TEST(ImageReaderTest, UnreadableInputGivesNothing)
{
    EXPECT_EQ(image::Read("/nonexistent/picture.png").width, 0);
    const auto dir = std::filesystem::temp_directory_path();
    for (const char* name : {"image_reader_truncated.png", "image_reader_truncated.jpg"}) {
        const std::string source = std::string(name).ends_with(".png") ? image::PngTestFile() : npz::SampleDataDir() + "/grace_hopper.jpg";
        std::ifstream in(source, std::ios::binary);
        std::vector<char> b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        b.resize(b.size() / 3);
        const auto path = dir / name;
        std::ofstream(path, std::ios::binary).write(b.data(), static_cast<std::streamsize>(b.size()));
        const image::Rgba im = image::Read(path.string());
        EXPECT_EQ(im.width, 0) << name;
        EXPECT_TRUE(im.pixels.empty()) << name;
        std::filesystem::remove(path);
    }
    const auto text = dir / "image_reader_text.png";
    std::ofstream(text) << "not a picture";
    EXPECT_EQ(image::Read(text.string()).width, 0);
    std::filesystem::remove(text);
}
