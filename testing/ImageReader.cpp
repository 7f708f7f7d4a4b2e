#include "testing/ImageReader.h"

#include <cstdio>
#include <cstring>
#include <csetjmp>
#include <fstream>
#include <memory>

#include <jpeglib.h>
#include <png.h>

namespace image {

namespace {

Rgba ReadPng(const std::string& path)
{
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    Rgba out;
    if (!png_image_begin_read_from_file(&png, path.c_str())) return out;
    png.format = PNG_FORMAT_RGBA;
    std::vector<std::uint8_t> pixels(PNG_IMAGE_SIZE(png));
    if (!png_image_finish_read(&png, nullptr, pixels.data(), 0, nullptr)) {
        png_image_free(&png);
        return out;
    }
    out.width = static_cast<int>(png.width);
    out.height = static_cast<int>(png.height);
    out.pixels = std::move(pixels);
    return out;
}

struct JpegError {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

void JpegFail(j_common_ptr info) { std::longjmp(reinterpret_cast<JpegError*>(info->err)->jump, 1); }
// A damaged or cut file is only a warning to libjpeg (it pads with grey): refuse it.
void JpegMessage(j_common_ptr info, int level)
{
    if (level < 0) JpegFail(info);
}

Rgba ReadJpeg(const std::string& path)
{
    Rgba out;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
    if (!file) return out;
    jpeg_decompress_struct info{};
    JpegError error{};
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = JpegFail;
    error.manager.emit_message = JpegMessage;
    // Everything the jump may skip is set up before it, so nothing needs unwinding.
    std::vector<std::uint8_t> row;
    if (setjmp(error.jump) != 0) {
        jpeg_destroy_decompress(&info);
        return Rgba{};
    }
    jpeg_create_decompress(&info);
    jpeg_stdio_src(&info, file.get());
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    out.width = static_cast<int>(info.output_width);
    out.height = static_cast<int>(info.output_height);
    out.pixels.resize(static_cast<size_t>(out.width) * static_cast<size_t>(out.height) * 4);
    row.resize(static_cast<size_t>(out.width) * 3);
    while (info.output_scanline < info.output_height) {
        const size_t y = info.output_scanline;
        JSAMPROW rows[1] = {row.data()};
        jpeg_read_scanlines(&info, rows, 1);
        std::uint8_t* dst = &out.pixels[y * static_cast<size_t>(out.width) * 4];
        for (int x = 0; x < out.width; ++x) {
            std::memcpy(dst + 4 * x, &row[3 * static_cast<size_t>(x)], 3);
            dst[4 * x + 3] = 255;
        }
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return out;
}

}  // namespace

Rgba Read(const std::string& path)
{
    unsigned char magic[4] = {0, 0, 0, 0};
    std::ifstream(path, std::ios::binary).read(reinterpret_cast<char*>(magic), 4);
    if (std::memcmp(magic, "\x89PNG", 4) == 0) return ReadPng(path);
    if (magic[0] == 0xFF && magic[1] == 0xD8) return ReadJpeg(path);
    return Rgba{};
}

float Height(const Rgba& image, int x, int y)
{
    const std::uint8_t* p = &image.pixels[(static_cast<size_t>(y) * static_cast<size_t>(image.width) + static_cast<size_t>(x)) * 4];
    return (0.299f * p[0] + 0.587f * p[1] + 0.114f * p[2]) * (p[3] / 255.0f);
}

std::string PngTestFile() { return "/usr/share/doc/libpng-dev/examples/pngtest.png"; }

}  // namespace image
