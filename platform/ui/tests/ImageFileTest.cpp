// Picture files read through Qt's readers, and BMP files whose header asks for
// more rows than the file holds.
#include "platform/ui/ImageFile.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

void Put(std::vector<char>& out, std::uint32_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>(v >> (8 * i) & 0xFF));
}

// A 24-bit BMP with a 40-byte info header; pixel (x, y) of the top-down
// picture is blue x, green y, red 200. keepBytes cuts the file.
std::vector<char> Bmp(int width, int height, std::size_t keepBytes = SIZE_MAX)
{
    const std::uint32_t stride = (width * 3 + 3) / 4 * 4;
    std::vector<char> out = {'B', 'M'};
    Put(out, 54 + stride * height, 4), Put(out, 0, 4), Put(out, 54, 4);
    Put(out, 40, 4), Put(out, width, 4), Put(out, height, 4), Put(out, 1, 2), Put(out, 24, 2);
    Put(out, 0, 4), Put(out, stride * height, 4), Put(out, 2835, 4), Put(out, 2835, 4), Put(out, 0, 4), Put(out, 0, 4);
    for (int row = height - 1; row >= 0 && out.size() < keepBytes; --row) {
        for (int x = 0; x < width; ++x) out.push_back(static_cast<char>(x)), out.push_back(static_cast<char>(row)), out.push_back(static_cast<char>(200));
        for (std::uint32_t pad = width * 3; pad < stride; ++pad) out.push_back(0);
    }
    if (keepBytes < out.size()) out.resize(keepBytes);
    return out;
}

class ImageFileTest : public ::testing::Test {
protected:
    CString Write(const std::vector<char>& bytes)
    {
        const std::string path = (std::filesystem::temp_directory_path() / ("korvel-image-" + std::to_string(::getpid()) + ".bmp")).string();
        std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        m_path = path;
        return CString::FromUtf8(path);
    }
    void TearDown() override { std::filesystem::remove(m_path); }
    std::string m_path;
};

}  // namespace

TEST_F(ImageFileTest, WholeBmpReadsTopRowFirst)
{
    int w = 0, h = 0;
    std::vector<BYTE> bgra;
    ASSERT_TRUE(AfxReadImageFile(Write(Bmp(5, 3)), w, h, bgra, 100));
    ASSERT_EQ(w, 5);
    ASSERT_EQ(h, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) {
            const BYTE* p = &bgra[(y * 5 + x) * 4];
            EXPECT_EQ((std::vector<int>{p[0], p[1], p[2], p[3]}), (std::vector<int>{x, y, 200, 255})) << x << "," << y;
        }
    EXPECT_FALSE(AfxReadImageFile(Write(Bmp(5, 3)), w, h, bgra, 4)) << "wider than the limit";
}

// Found by fuzzing: a 56-byte BMP announcing 2612 x 9738 pixels of 24 bits,
// which the reader filled in and converted for seconds, and a 27-byte one cut
// inside its info header.
TEST_F(ImageFileTest, BmpShorterThanItsRowsIsRefused)
{
    struct Case {
        int width, height;
        std::size_t keep;
    } const cases[] = {{2612, 9738, 56}, {5, 3, 54 + 16 * 3 - 1}, {5, 3, 54}, {97592599, 111104, 27}};
    for (const Case& c : cases) {
        int w = -1, h = -1;
        std::vector<BYTE> bgra(1, 7);
        EXPECT_FALSE(AfxReadImageFile(Write(Bmp(c.width, c.height, c.keep)), w, h, bgra, 30000)) << c.width << "x" << c.height << " in " << c.keep;
        EXPECT_EQ(w, -1);
        EXPECT_EQ(bgra, std::vector<BYTE>(1, 7));
    }
}

// Found by fuzzing: 175 bytes the reader takes for a BMP, whose info header
// announces a width of -880738256, 1572865 rows and 64847 bits per pixel; the
// rows in bytes overflowed 64 bits (caught by the sanitizers of the asan
// preset).
TEST_F(ImageFileTest, BmpOfNegativeWidthIsRefused)
{
    const std::string hex =
        "424d46c0ff0a2aff006a00002800fff71625300081cb010018007e264ffd0000000032ff0000802800000025000000000000"
        "800034180000000000000000c41a03001061000000002040304f4fc0ff0a2aff006a00002800fff71625300080cb0100dfdf"
        "dfdfdfdfdfdfdfdfdfdfdfdfdfdfdfdfdfdfdfdfdfdfdfdfdfdfdfdfdfdfdfdfdfdfdfdfdfdfdfdfdfdfdfdfdfdfdfdfdfdf"
        "dfdfdfdfdfdfdfdfdfdfdfdfdfdfdfdfdfdf18004f3b4f4f7e";
    std::vector<char> bytes;
    for (std::size_t i = 0; i < hex.size(); i += 2) bytes.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    int w = -1, h = -1;
    std::vector<BYTE> bgra(1, 7);
    EXPECT_FALSE(AfxReadImageFile(Write(bytes), w, h, bgra, 30000));
    EXPECT_EQ(w, -1);
    EXPECT_EQ(bgra, std::vector<BYTE>(1, 7));
}
