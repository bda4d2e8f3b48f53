#include "host/headless/PngWriter.h"

#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>

namespace {

std::vector<uint8_t> UprightRgb(int width, int height, const std::vector<uint8_t>& rgba) {
    std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y) {
        const uint8_t* src = rgba.data() + static_cast<size_t>(height - 1 - y) * width * 4;
        uint8_t* dst = rgb.data() + static_cast<size_t>(y) * width * 3;
        for (int x = 0; x < width; ++x) std::memcpy(dst + x * 3, src + x * 4, 3);
    }
    return rgb;
}

// libpng reports errors by longjmp; nothing with a destructor lives in here.
bool EncodeRows(FILE* file, int width, int height, png_bytep* rows) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (png == nullptr) return false;
    png_infop info = png_create_info_struct(png);
    if (info == nullptr || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

bool WritePngRgb(const std::string& path, int width, int height, const std::vector<uint8_t>& rgbaBottomUp,
                 std::string* error) {
    if (width <= 0 || height <= 0 || rgbaBottomUp.size() != static_cast<size_t>(width) * height * 4) {
        *error = "bad image size";
        return false;
    }
    std::vector<uint8_t> rgb = UprightRgb(width, height, rgbaBottomUp);
    std::vector<png_bytep> rows(static_cast<size_t>(height));
    for (int y = 0; y < height; ++y)
        rows[static_cast<size_t>(y)] = rgb.data() + static_cast<size_t>(y) * width * 3;
    FILE* file = fopen(path.c_str(), "wb");
    if (file == nullptr) {
        *error = strerror(errno);
        return false;
    }
    bool ok = EncodeRows(file, width, height, rows.data());
    ok = (fclose(file) == 0) && ok;
    if (!ok) *error = "cannot write the PNG data";
    return ok;
}
